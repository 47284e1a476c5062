#pragma once
// Writes LightWave LWO2 objects: an IFF-85 FORM of type LWO2, all values
// big-endian. Lwo2Writer is the byte-level builder (chunks with 4-byte sizes,
// sub-chunks with 2-byte sizes, both patched on close and padded to even
// length); encodeObject lays a one-layer, one-surface triangle mesh out in
// the chunk order LightWave itself writes.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "heart_mesh.h"

class Lwo2Writer {
public:
    Lwo2Writer();  // starts the FORM

    void beginChunk(const char id[4]);     // ID4 and a U4 size, patched by endChunk
    void endChunk();                       // pads to even length
    void beginSubChunk(const char id[4]);  // ID4 and a U2 size, patched by endSubChunk
    void endSubChunk();

    void id4(const char id[4]);
    void u1(uint8_t value);
    void u2(uint16_t value);
    void u4(uint32_t value);
    void f4(float value);
    void vec12(float x, float y, float z);
    void vx(uint32_t index);               // U2 below 0xFF00, else U4 with the top byte 0xFF
    void s0(const std::string& text);      // NUL-terminated, padded to even length
    void fnam0(const std::string& name) { s0(name); }

    // The finished file: FORM size patched. The writer is spent afterwards.
    std::vector<uint8_t> finish();

private:
    void patchU4(size_t at, uint32_t value);
    std::vector<uint8_t> bytes_;
    std::vector<size_t> open_;  // offsets of the size fields of open chunks
};

// How the object looks: one surface with a colour and a UV-mapped image.
struct ObjectLook {
    std::string surfaceName = "Default";
    std::array<float, 3> colour = {1.0f, 1.0f, 1.0f};
    std::string uvMapName = "texture";
    // LightWave's stored form of the image's path: the drive letter and colon,
    // then the path without its leading separator ("C:dir/x.png").
    std::string imagePath;  // empty: no clip and no image block
};

std::vector<uint8_t> encodeObject(const Mesh& mesh, const ObjectLook& look);
