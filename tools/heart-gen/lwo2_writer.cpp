#include "lwo2_writer.h"

#include <algorithm>  // Required for: std::min, std::max
#include <cstring>    // Required for: memcpy

// ---- Lwo2Writer -------------------------------------------------------------

Lwo2Writer::Lwo2Writer() {
    id4("FORM");
    u4(0);  // size of everything after this field; patched by finish()
    id4("LWO2");  // form type: a LightWave 6 (and later) object
}

void Lwo2Writer::beginChunk(const char id[4]) {
    id4(id);
    open_.push_back(bytes_.size());
    u4(0);  // chunk size, without the ID, this field and the pad byte
}

void Lwo2Writer::beginSubChunk(const char id[4]) {
    id4(id);
    open_.push_back(bytes_.size());
    u2(0);  // sub-chunk size, without the ID, this field and the pad byte
}

void Lwo2Writer::endChunk() {
    const size_t at = open_.back();
    const size_t size = bytes_.size() - at - 4;
    patchU4(at, static_cast<uint32_t>(size));
    if (size & 1) u1(0);  // pad byte: chunks start at even offsets
    open_.pop_back();
}

void Lwo2Writer::endSubChunk() {
    const size_t at = open_.back();
    const size_t size = bytes_.size() - at - 2;
    bytes_[at] = static_cast<uint8_t>(size >> 8);
    bytes_[at + 1] = static_cast<uint8_t>(size);
    if (size & 1) u1(0);  // pad byte
    open_.pop_back();
}

void Lwo2Writer::id4(const char id[4]) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(id[i]));
}
void Lwo2Writer::u1(uint8_t value) { bytes_.push_back(value); }
void Lwo2Writer::u2(uint16_t value) {
    bytes_.push_back(static_cast<uint8_t>(value >> 8));
    bytes_.push_back(static_cast<uint8_t>(value));
}
void Lwo2Writer::u4(uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(static_cast<uint8_t>(value >> shift));
}
void Lwo2Writer::f4(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    u4(bits);
}
void Lwo2Writer::vec12(float x, float y, float z) {
    f4(x);
    f4(y);
    f4(z);
}
void Lwo2Writer::vx(uint32_t index) {
    if (index < 0xFF00) {
        u2(static_cast<uint16_t>(index));
    } else {
        u4(0xFF000000u | (index & 0x00FFFFFFu));
    }
}
void Lwo2Writer::s0(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    u1(0);                      // terminating NUL
    if (text.size() % 2 == 0) u1(0);  // pad: the stored length (text + NUL) is even
}

void Lwo2Writer::patchU4(size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

std::vector<uint8_t> Lwo2Writer::finish() {
    patchU4(4, static_cast<uint32_t>(bytes_.size() - 8));  // FORM size: all after its size field
    return std::move(bytes_);
}

// ---- encodeObject ---------------------------------------------------------------

std::vector<uint8_t> encodeObject(const Mesh& mesh, const ObjectLook& look) {
    const bool textured = !look.imagePath.empty();
    Lwo2Writer w;

    // Tag strings; PTAG's tag indices and the SURF name refer to them.
    w.beginChunk("TAGS");
    w.s0(look.surfaceName);  // tag 0: the one surface
    w.endChunk();

    // Start of layer 0; every chunk up to the next LAYR belongs to it.
    w.beginChunk("LAYR");
    w.u2(0);                    // layer number
    w.u2(0);                    // flags: bit 0 set would hide the layer
    w.vec12(0.0f, 0.0f, 0.0f);  // pivot point
    w.s0("");                   // layer name
    w.endChunk();               // (no parent index: a top-level layer)

    // Point positions, three F4 each; their order gives the point indices.
    w.beginChunk("PNTS");
    for (const auto& p : mesh.points) w.vec12(p[0], p[1], p[2]);
    w.endChunk();

    // Bounding box of the layer's points.
    std::array<float, 3> low = {0, 0, 0}, high = {0, 0, 0};
    if (!mesh.points.empty()) low = high = mesh.points[0];
    for (const auto& p : mesh.points) {
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], p[k]);
            high[k] = std::max(high[k], p[k]);
        }
    }
    w.beginChunk("BBOX");
    w.vec12(low[0], low[1], low[2]);     // minimum corner
    w.vec12(high[0], high[1], high[2]);  // maximum corner
    w.endChunk();

    // The UV map: one (u, v) per point.
    if (!mesh.uvs.empty()) {
        w.beginChunk("VMAP");
        w.id4("TXUV");         // map type: texture coordinates
        w.u2(2);               // dimension: two values per entry
        w.s0(look.uvMapName);  // map name, as the image block's VMAP names it
        for (uint32_t i = 0; i < mesh.uvs.size(); ++i) {
            w.vx(i);               // point index
            w.f4(mesh.uvs[i][0]);  // u
            w.f4(mesh.uvs[i][1]);  // v
        }
        w.endChunk();
    }

    // The triangles.
    w.beginChunk("POLS");
    w.id4("FACE");  // polygon type: ordinary faces
    for (const auto& t : mesh.triangles) {
        w.u2(3);  // vertex count in the low ten bits; flags (top six bits) 0
        // Point indices; front side (LightWave's clockwise order with its
        // z into the screen) = counter-clockwise from outside here.
        w.vx(t[0]);
        w.vx(t[1]);
        w.vx(t[2]);
    }
    w.endChunk();

    // Every polygon's surface.
    w.beginChunk("PTAG");
    w.id4("SURF");  // tag type: surface names
    for (uint32_t i = 0; i < mesh.triangles.size(); ++i) {
        w.vx(i);  // polygon index, in POLS order
        w.u2(0);  // tag index into TAGS
    }
    w.endChunk();

    if (textured) {
        // Clip 1: the still image the surface's image block shows.
        w.beginChunk("CLIP");
        w.u4(1);  // clip index, referred to by IMAG
        w.beginSubChunk("STIL");
        w.fnam0(look.imagePath);  // file name in LightWave's stored form
        w.endSubChunk();
        w.endChunk();
    }

    w.beginChunk("SURF");
    w.s0(look.surfaceName);  // surface name: matches tag 0
    w.s0("");                // source surface: none
    w.beginSubChunk("COLR");
    w.vec12(look.colour[0], look.colour[1], look.colour[2]);  // base colour r, g, b
    w.vx(0);                                                  // envelope: none
    w.endSubChunk();
    w.beginSubChunk("DIFF");
    w.f4(1.0f);  // diffuse level
    w.vx(0);     // envelope: none
    w.endSubChunk();
    w.beginSubChunk("SPEC");
    w.f4(0.4f);  // specular level
    w.vx(0);     // envelope: none
    w.endSubChunk();
    w.beginSubChunk("GLOS");
    w.f4(0.5f);  // glossiness
    w.vx(0);     // envelope: none
    w.endSubChunk();
    w.beginSubChunk("SMAN");
    w.f4(1.5620697f);  // maximum smoothing angle: 89.5 degrees, in radians
    w.endSubChunk();
    w.beginSubChunk("SIDE");
    w.u2(1);  // sidedness: front only
    w.endSubChunk();

    if (textured) {
        w.beginSubChunk("BLOK");  // one texture layer
        w.beginSubChunk("IMAP");  // block header: an image map
        w.s0("\x80");             // ordinal string: sorts the block among the surface's layers
        w.beginSubChunk("CHAN");
        w.id4("COLR");            // channel the layer affects: colour
        w.endSubChunk();
        w.beginSubChunk("ENAB");
        w.u2(1);                  // enabled
        w.endSubChunk();
        w.beginSubChunk("OPAC");
        w.u2(0);                  // blending: normal
        w.f4(1.0f);               // opacity
        w.vx(0);                  // envelope: none
        w.endSubChunk();
        w.endSubChunk();          // IMAP

        w.beginSubChunk("TMAP");  // texture placement (unused by a UV projection)
        w.beginSubChunk("CNTR");
        w.vec12(0.0f, 0.0f, 0.0f);  // centre
        w.vx(0);                    // envelope: none
        w.endSubChunk();
        w.beginSubChunk("SIZE");
        w.vec12(1.0f, 1.0f, 1.0f);  // size
        w.vx(0);                    // envelope: none
        w.endSubChunk();
        w.beginSubChunk("ROTA");
        w.vec12(0.0f, 0.0f, 0.0f);  // heading, pitch, bank
        w.vx(0);                    // envelope: none
        w.endSubChunk();
        w.beginSubChunk("CSYS");
        w.u2(0);                    // coordinate system: object
        w.endSubChunk();
        w.endSubChunk();  // TMAP

        w.beginSubChunk("PROJ");
        w.u2(5);  // projection: UV
        w.endSubChunk();
        w.beginSubChunk("AXIS");
        w.u2(2);  // major axis: z (not used by UV)
        w.endSubChunk();
        w.beginSubChunk("IMAG");
        w.vx(1);  // the clip shown: clip 1
        w.endSubChunk();
        w.beginSubChunk("WRAP");
        w.u2(1);  // width wrap: repeat
        w.u2(1);  // height wrap: repeat
        w.endSubChunk();
        w.beginSubChunk("VMAP");
        w.s0(look.uvMapName);  // the UV map the projection uses
        w.endSubChunk();
        w.beginSubChunk("AAST");
        w.u2(1);     // flags: antialiasing on
        w.f4(1.0f);  // antialiasing strength
        w.endSubChunk();
        w.beginSubChunk("PIXB");
        w.u2(1);  // pixel blending on
        w.endSubChunk();
        w.endSubChunk();  // BLOK
    }
    w.endChunk();  // SURF

    return w.finish();
}
