#pragma once
// Owns every texture; hands them out by index in load order.
#include <cstdint>
#include <vector>

#include "render/image_decode.h"

class TextureManager {
public:
    TextureManager();  // initialises DevIL and ILU; no GL call
    virtual ~TextureManager();

    // Decodes the image at path, uploads it as one RGBA8 texture and appends
    // it; the index is taken even when the file cannot be decoded, and then
    // one line on stderr names the file and the reason. Needs a
    // current GL context; leaves the new texture bound.
    void load(const char* path);
    // The upload half of load: a texture from an image decoded earlier (on
    // any thread); a failed decode gives the transparent texel. path only
    // names the image in the log.
    void load(const char* path, const DecodedImage& image);
    // Binds texture index with the modulate environment; an index the manager
    // does not hold makes no GL call. Always true.
    bool bind(uint32_t index);

    std::vector<uint32_t> textureNames;  // GL texture names by index

private:
    bool badBindReported = false;  // the first out-of-range bind is logged, later ones are not
};

extern TextureManager textureManager;
