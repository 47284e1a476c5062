#pragma once
// Where captured frames go: PNG files, or raw frames piped into ffmpeg.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Writes an RGBA8 frame, bottom row first, as an RGB PNG the right way up.
bool writeFramePng(const std::string& path, const std::vector<uint8_t>& rgbaBottomUp, int32_t width,
                   int32_t height);

// True when an ffmpeg binary is on the PATH.
bool ffmpegAvailable();

// An ffmpeg process encoding H.264 video from raw RGBA frames on its standard
// input, muxed with AAC from a WAV file.
class VideoEncoder {
public:
    VideoEncoder(const std::string& videoPath, const std::string& wavPath, int32_t width, int32_t height,
                 int32_t fps);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    bool ok() const { return pipe_ != nullptr; }
    bool write(const std::vector<uint8_t>& rgbaBottomUp);
    // Closes the pipe and waits; true when ffmpeg exited with 0.
    bool finish();

private:
    FILE* pipe_ = nullptr;
};
