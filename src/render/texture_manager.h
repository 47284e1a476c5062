#pragma once
// Owns every texture; hands them out by index in load order.
#include <cstdint>
#include <string>
#include <vector>

#include "image/image_decode.h"

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

    // Replaces the pixels of texture index with the image at path, which is
    // decoded first: when it cannot be read or decoded, the texture keeps
    // what it had, *why says so ("No such file or directory", the decoder's reason)
    // and the result is false. The index, the GL texture name and its
    // parameters stay, so whatever binds the index sees the new picture. The
    // texture bound before the call is bound after it. Needs a current GL
    // context. False without a GL call for an index the manager does not hold.
    bool reload(uint32_t index, const char* path, std::string* why = nullptr);
    // The index whose texture load() took from path (compared as given);
    // -1 when none did.
    int32_t indexOf(const std::string& path) const;

    std::vector<uint32_t> textureNames;   // GL texture names by index
    std::vector<std::string> texturePaths; // the path load() took each index from; "" where unknown

private:
    bool badBindReported = false;  // the first out-of-range bind is logged, later ones are not
};

extern TextureManager textureManager;
