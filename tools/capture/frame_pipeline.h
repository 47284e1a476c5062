#pragma once
// From the show's drawing to the output frame's bytes, on the GL side where
// the context allows: the show draws its 4:3 picture alone into a render
// target (supersampled: a larger framebuffer; or multisampled), a blit
// averages it into the picture's rectangle of the output-size framebuffer
// (its bars cleared black once), and only that framebuffer is read back,
// through two pixel-pack buffers so that one frame's read-back overlaps the
// next frame's drawing. Without framebuffer blits the whole render target is
// read back and averaged on the CPU (composeFrame); without pixel-pack
// buffers the read-back waits.
#include <cstdint>
#include <string>
#include <vector>

#include "frame_composer.h"

class OffscreenGl;

enum class AntiAliasing {
    Supersampled,  // a framebuffer of grid.columns x grid.rows samples a pixel, averaged
    Multisampled,  // a multisampled framebuffer of the picture's size, resolved
};

class FramePipeline {
public:
    // `output` is current, of the layout's output size. Multisampling is
    // used where asked for and the renderer gives exactly the asked-for
    // sample count; supersampling otherwise.
    FramePipeline(OffscreenGl& output, const FrameLayout& layout, AntiAliasing wanted);
    ~FramePipeline();
    FramePipeline(const FramePipeline&) = delete;
    FramePipeline& operator=(const FramePipeline&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    // What the frames go through, for the log: "GL blit, 2 pixel-pack buffers, 2x2 supersampled".
    std::string describe() const;

    // The render target's size: the picture's, times the grid where supersampled.
    int32_t targetWidth() const;
    int32_t targetHeight() const;

    // Binds the render target: the show draws its next frame after this.
    void beginFrame();
    // The frame drawn since beginFrame goes to the output; true and `ready`
    // filled (RGBA8, bottom row first, output size) when an earlier frame's
    // bytes are complete. Frames come out in the order drawn.
    bool endFrame(std::vector<uint8_t>& ready);
    // The last frame still on its way; false when none is.
    bool flush(std::vector<uint8_t>& ready);

private:
    bool makeRenderTarget(AntiAliasing wanted);
    void resolve();
    void startReadBack(int32_t frame);  // into pack buffer frame % 2
    void finishReadBack(uint32_t buffer, std::vector<uint8_t>& ready);

    OffscreenGl& output_;
    FrameLayout layout_;
    AntiAliasing mode_ = AntiAliasing::Supersampled;
    bool blit_ = false;
    bool pixelBuffers_ = false;
    bool ok_ = false;
    std::string error_;
    uint32_t renderFramebuffer_ = 0;
    uint32_t renderColour_ = 0;
    uint32_t renderDepth_ = 0;
    // The 4x2 grid halves twice: into a 2x1 grid here, then into the output.
    uint32_t halfFramebuffer_ = 0;
    uint32_t halfColour_ = 0;
    uint32_t packBuffers_[2] = {0, 0};
    int32_t frameCount_ = 0;  // frames ended so far
    int32_t pending_ = 0;     // frames read into a pack buffer and not yet handed out
};
