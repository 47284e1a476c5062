#pragma once
// Owns every texture; hands them out by index in load order.
#include <cstdint>
#include <vector>

class TextureManager {
public:
    TextureManager();  // initialises DevIL and ILU; no GL call
    virtual ~TextureManager();

    // Decodes the image at path, uploads it as one RGBA8 texture and appends
    // it; the index is taken even when the file cannot be decoded. Needs a
    // current GL context; leaves the new texture bound.
    void load(const char* path);
    // Binds texture index with the modulate environment; an index the manager
    // does not hold makes no GL call. Always true.
    bool bind(uint32_t index);

    std::vector<uint32_t> textureNames;  // GL texture names by index

private:
    bool badBindReported = false;  // the first out-of-range bind is logged, later ones are not
};

extern TextureManager textureManager;
