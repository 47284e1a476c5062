#pragma once
// Small LWO2 files for the loader tests, byte by byte. Unlike the tool's
// writer this one will write anything: sizes that lie, odd lengths, chunks in
// any order. All values big-endian, as in the format.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "loader/lwob_loader.h"

class Bytes {
public:
    Bytes& id(const char* four) {
        bytes.insert(bytes.end(), four, four + 4);
        return *this;
    }
    Bytes& u1(uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    Bytes& u2(uint16_t v) { return u1(static_cast<uint8_t>(v >> 8)).u1(static_cast<uint8_t>(v)); }
    Bytes& u4(uint32_t v) { return u2(static_cast<uint16_t>(v >> 16)).u2(static_cast<uint16_t>(v)); }
    Bytes& f4(float f) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return u4(bits);
    }
    Bytes& vec(float x, float y, float z) { return f4(x).f4(y).f4(z); }
    // Variable-length index: two bytes below 0xFF00, else four with 0xFF first.
    Bytes& vx(uint32_t index) { return index < 0xFF00 ? u2(static_cast<uint16_t>(index)) : u4(0xFF000000u | index); }
    // NUL-terminated name padded to even stored length.
    Bytes& name(const std::string& s) {
        raw(s).u1(0);
        return s.size() % 2 == 0 ? u1(0) : *this;
    }
    Bytes& raw(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& append(const Bytes& other) {
        bytes.insert(bytes.end(), other.bytes.begin(), other.bytes.end());
        return *this;
    }
    size_t size() const { return bytes.size(); }

    std::vector<uint8_t> bytes;
};

// A chunk whose 4-byte size is its body's length (no pad added).
inline Bytes chunk(const char* id, const Bytes& body) {
    return Bytes().id(id).u4(static_cast<uint32_t>(body.size())).append(body);
}
// A chunk that announces `size` whatever its body holds.
inline Bytes chunkSized(const char* id, uint32_t size, const Bytes& body) {
    return Bytes().id(id).u4(size).append(body);
}
// A sub-chunk with a 2-byte size.
inline Bytes sub(const char* id, const Bytes& body) {
    return Bytes().id(id).u2(static_cast<uint16_t>(body.size())).append(body);
}
// FORM, its size, the form type, then the chunks.
inline std::vector<uint8_t> form(const std::vector<Bytes>& chunks, const char* type = "LWO2") {
    Bytes all;
    for (const Bytes& c : chunks) all.append(c);
    Bytes file;
    file.id("FORM").u4(static_cast<uint32_t>(all.size() + 4)).id(type).append(all);
    return file.bytes;
}

// ---- chunk bodies ----------------------------------------------------------------

struct P3 {
    float x, y, z;
};

inline Bytes pnts(const std::vector<P3>& points) {
    Bytes b;
    for (const P3& p : points) b.vec(p.x, p.y, p.z);
    return chunk("PNTS", b);
}
// POLS of FACE polygons given as lists of point indices.
inline Bytes pols(const std::vector<std::vector<uint32_t>>& polygons, const char* type = "FACE") {
    Bytes b;
    b.id(type);
    for (const auto& polygon : polygons) {
        b.u2(static_cast<uint16_t>(polygon.size()));
        for (uint32_t index : polygon) b.vx(index);
    }
    return chunk("POLS", b);
}
inline Bytes tags(const std::vector<std::string>& names) {
    Bytes b;
    for (const std::string& n : names) b.name(n);
    return chunk("TAGS", b);
}
inline Bytes ptag(const std::vector<std::pair<uint32_t, uint16_t>>& entries, const char* type = "SURF") {
    Bytes b;
    b.id(type);
    for (const auto& [polygon, tag] : entries) b.vx(polygon).u2(tag);
    return chunk("PTAG", b);
}
inline Bytes colr(float r, float g, float b) { return sub("COLR", Bytes().vec(r, g, b).vx(0)); }
// An image block showing clip `clip`.
inline Bytes imageBlock(uint16_t clip) {
    Bytes header = sub("IMAP", Bytes().name("\x80").append(sub("CHAN", Bytes().id("COLR"))));
    Bytes body;
    body.append(header).append(sub("PROJ", Bytes().u2(5))).append(sub("IMAG", Bytes().vx(clip)));
    return sub("BLOK", body);
}
inline Bytes surf(const std::string& surfaceName, const std::vector<Bytes>& subChunks) {
    Bytes b;
    b.name(surfaceName).name("");  // name, source surface
    for (const Bytes& s : subChunks) b.append(s);
    return chunk("SURF", b);
}
struct UvEntry {
    uint32_t point;
    float u, v;
};
inline Bytes vmap(const std::string& mapName, const std::vector<UvEntry>& entries, const char* type = "TXUV") {
    Bytes b;
    b.id(type).u2(2).name(mapName);
    for (const UvEntry& e : entries) b.vx(e.point).f4(e.u).f4(e.v);
    return chunk("VMAP", b);
}
inline Bytes clip(uint32_t index, const std::string& storedName) {
    return chunk("CLIP", Bytes().u4(index).append(sub("STIL", Bytes().name(storedName))));
}

// ---- parsing in memory -------------------------------------------------------

// The clip paths a parse handed to its clip sink.
inline std::vector<std::string>& sunkClips() {
    static std::vector<std::string> clips;
    return clips;
}
inline void recordClip(const char* path) { sunkClips().emplace_back(path); }

struct Parsed {
    bool ok = false;
    std::unique_ptr<LwObject> object;
    LoadReport report;
    std::vector<std::string> clips;  // as the clip sink received them
};

inline Parsed parseBytes(const std::vector<uint8_t>& bytes) {
    LwobLoader loader;
    loader.clipSink = &recordClip;
    sunkClips().clear();
    Parsed parsed;
    loader.openBytes(bytes.data(), bytes.size());
    parsed.ok = loader.parse();
    loader.closeFile();
    parsed.object.reset(loader.object);
    parsed.report = loader.report;
    parsed.clips = sunkClips();
    return parsed;
}

// The unit square's corners and two triangles over them.
inline std::vector<P3> squarePoints() { return {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}; }
