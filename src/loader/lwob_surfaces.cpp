// The LWO2 loader's chunks that give the object its look: the tag list
// (TAGS), the polygon-to-surface assignment (PTAG), the surfaces (SURF with
// COLR, BLOK and IMAG), the "texture" UV map (VMAP) and the image clips
// (CLIP with STIL). Every handler starts with the cursor two bytes past its
// ID and leaves it after what it read.
#include <algorithm>  // Required for: std::max, std::min
#include <iterator>   // Required for: std::size

#include "core/demo_system.h"
#include "loader/lwob_loader.h"

// ---- TAGS ---------------------------------------------------------------------

void LwobLoader::readTags() {
    demoSystem.log("LWOB: 'TAGS' chunk found. processing...\n");
    const int32_t at = reader.cursor - 2;
    reader.skip(2);
    const ChunkBounds chunk = readChunkSize();
    int32_t remaining = std::max(chunk.size, 0);
    if (chunk.end - reader.cursor < remaining) {
        ++report.countsCut;
        note("TAGS at %d: %d bytes announced, the file holds %d", at, remaining,
             chunk.end - reader.cursor);
        remaining = chunk.end - reader.cursor;
    }

    LwObject& o = *object;
    if (tagsSeen_) {
        // The surface arrays describe this chunk alone, so its names replace
        // the earlier ones: tag i and surface i stay together.
        note("TAGS at %d: a second tag list replaces the first", at);
        o.tags.clear();
    }
    tagsSeen_ = true;

    std::string name;
    int32_t count = 0;
    while (remaining > 0) {
        const char c = reader.readU1();
        --remaining;
        if (c != '\0') {
            name.push_back(c);
            continue;
        }
        o.tags.emplace_back(name);
        ++count;
        name.clear();
        if (reader.cursor & 1) {  // the pad byte after a name of odd stored length
            reader.skip(1);
            --remaining;
        }
    }
    // Bytes after the last NUL are dropped.

    o.setSurfaces(count);
    demoSystem.log("LWOB: 'TAGS' -> number of surface-tags found: %d\n", count);
}

// ---- PTAG ---------------------------------------------------------------------

void LwobLoader::readPolygonTags() {
    demoSystem.log("LWOB: 'PTAG' chunk found. processing...\n");
    const int32_t at = reader.cursor - 2;
    reader.skip(2);
    const ChunkBounds chunk = readChunkSize();
    // Every PTAG is read as the surface assignment, whatever its type.
    if (!reader.matchesAt(reader.cursor, "SURF")) {
        note("PTAG at %d of type '%s' is read as the surface assignment", at,
             printableId(reader.cursor).c_str());
    }
    reader.skip(4);
    const int32_t start = reader.cursor;

    LwObject& o = *object;
    if (polygonTriangles_.empty()) {
        ++report.chunksIgnored;
        note("PTAG at %d comes before any POLS chunk: ignored", at);
        return;
    }
    const auto polygons = static_cast<int32_t>(polygonTriangles_.size()) - 1;
    const int32_t surfaces = o.surfaceCount();

    // One entry per polygon: its polygon index and its tag index. Entries
    // that name no polygon or no surface, or a polygon already assigned by
    // this chunk, are skipped; a chunk that holds fewer entries than there
    // are polygons is read as far as it goes.
    std::vector<int32_t> counters(surfaces, 0);
    std::vector<bool> assigned(polygons, false);
    int32_t entries = 0;
    auto nextEntry = [&](uint32_t& polygon, uint32_t& tag) {
        if (entries >= polygons) return false;
        if (int64_t{reader.cursor} + indexWidthAt(reader.cursor) + 2 > chunk.end) return false;
        polygon = readIndex();
        tag = reader.readU2();
        ++entries;
        return true;
    };
    auto usable = [&](uint32_t polygon, uint32_t tag) {
        if (polygon >= static_cast<uint32_t>(polygons) || tag >= static_cast<uint32_t>(surfaces)) {
            return false;
        }
        if (assigned[polygon]) return false;
        assigned[polygon] = true;
        return true;
    };

    uint32_t polygon = 0, tag = 0;
    while (nextEntry(polygon, tag)) {
        if (!usable(polygon, tag)) {
            ++report.ptagEntriesSkipped;
            continue;
        }
        counters[tag] += polygonTriangles_[polygon + 1] - polygonTriangles_[polygon];
    }
    if (entries < polygons) {
        ++report.countsCut;
        note("PTAG at %d holds %d entries for %d polygons", at, entries, polygons);
    }
    for (int32_t s = 0; s < surfaces; ++s) {
        o.surfaceTriangles[s].triangles.assign(counters[s], Triangle{{0, 0, 0}});
        counters[s] = 0;
    }

    reader.seek(start);
    entries = 0;
    assigned.assign(polygons, false);
    while (nextEntry(polygon, tag)) {
        if (!usable(polygon, tag)) continue;
        TriangleList& list = o.surfaceTriangles[tag];
        for (int32_t t = polygonTriangles_[polygon]; t < polygonTriangles_[polygon + 1]; ++t) {
            list.triangles[counters[tag]++] = o.triangles[t];
        }
    }
}

// ---- SURF and its sub-chunks ----------------------------------------------

void LwobLoader::readSurface() {
    reader.skip(2);
    const ChunkBounds chunk = readChunkSize();
    if (chunk.size == 0) {
        demoSystem.log("LWOB: 'SURF' basic chunk found. ignored!\n");
        return;
    }
    demoSystem.log("LWOB: 'SURF' chunk found. processing...\n");
    const std::string name = readName(chunk.end);

    static const ScanEntry surfaceChunks[] = {
        {{'C', 'O', 'L', 'R'}, &LwobLoader::readColour},
        {{'B', 'L', 'O', 'K'}, &LwobLoader::readBlock},
    };
    LwObject& o = *object;
    const size_t surfaces = std::min(o.tags.size(), o.surfaces.size());
    for (size_t i = 0; i < surfaces; ++i) {
        if (o.tags[i].name != name) continue;
        demoSystem.log("LWOB: 'SURF' -> reading data for surface '%s'...\n", name.c_str());
        if (reader.cursor & 1) reader.skip(1);
        surfaceIndex_ = static_cast<int32_t>(i);
        scan(chunk.end, surfaceChunks, std::size(surfaceChunks));
        demoSystem.log("LWOB: 'SURF' -> data for surface '%s' read successfully.\n", name.c_str());
    }
    if (reader.cursor & 1) reader.skip(1);
}

void LwobLoader::readColour() {
    demoSystem.log("LWOB: 'SURF' -> 'COLR' subchunk found. processing...\n");
    reader.skip(2);
    reader.readU2();  // the sub-chunk's size: always three colours and an envelope
    Surface& surface = object->surfaces[surfaceIndex_];
    surface.colour[0] = reader.readF4();
    surface.colour[1] = reader.readF4();
    surface.colour[2] = reader.readF4();
    // Alpha keeps its 1.0; the envelope index is left to the scan.
}

void LwobLoader::readBlock() {
    reader.skip(2);
    demoSystem.log("LWOB: 'SURF' -> 'BLOK' subchunk found. processing...\n");
    const ChunkBounds block = readSubChunkSize();
    static const ScanEntry blockChunks[] = {
        {{'I', 'M', 'A', 'P'}, &LwobLoader::skipNothing},
        {{'T', 'M', 'A', 'P'}, &LwobLoader::skipNothing},
        {{'I', 'M', 'A', 'G'}, &LwobLoader::readImage},
    };
    scan(block.end, blockChunks, std::size(blockChunks));
}

void LwobLoader::skipNothing() {}

void LwobLoader::readImage() {
    reader.skip(2);
    demoSystem.log("LWOB: 'SURF' -> 'BLOK' -> 'IMAG' subchunk found. processing...\n");
    reader.skip(2);  // the sub-chunk's size
    // The clip number, counting from 1 in the order of the CLIP chunks; the
    // last image block of a surface wins.
    object->surfaces[surfaceIndex_].clipIndex = reader.readU2();
}

// ---- VMAP ---------------------------------------------------------------------

void LwobLoader::readUvMap() {
    demoSystem.log("LWOB: 'VMAP' chunk found. processing...\n");
    const int32_t at = reader.cursor - 2;
    reader.skip(2);
    const ChunkBounds chunk = readChunkSize();
    if (!reader.matchesAt(reader.cursor, "TXUV")) return;
    demoSystem.log("LWOB: 'VMAP' -> 'TXUV' subchunk found. processing...\n");
    reader.skip(6);  // the type and the dimension: two coordinates per entry
    const std::string name = readName(chunk.end);
    if (reader.cursor & 1) reader.skip(1);
    if (name != "texture") {
        report.uvMapsPassedOver.push_back(name);
        return;
    }

    LwObject& o = *object;
    if (report.pointChunks == 0) {
        ++report.chunksIgnored;
        note("VMAP 'texture' at %d comes before any PNTS chunk: ignored", at);
        return;
    }
    // One entry per point is expected; a map that holds fewer is read as far
    // as it goes and the points it does not name keep (0, 0).
    const auto points = static_cast<uint32_t>(o.uvs.size());
    int32_t entries = 0;
    while (entries < o.pointCount() &&
           int64_t{reader.cursor} + indexWidthAt(reader.cursor) + 8 <= chunk.end) {
        const uint32_t point = readIndex();
        const float u = reader.readF4();
        const float v = reader.readF4();
        ++entries;
        if (point >= points) {
            ++report.vmapEntriesSkipped;
            continue;
        }
        o.uvs[point] = TexCoord{u, v};
    }
    if (entries < o.pointCount()) {
        ++report.countsCut;
        note("VMAP 'texture' at %d holds %d entries for %d points", at, entries, o.pointCount());
    }
    report.uvEntries = std::max(report.uvEntries, 0) + entries;
}

// ---- CLIP and STIL ------------------------------------------------------------

void LwobLoader::readClip() {
    demoSystem.log("LWOB: 'CLIP' chunk found. processing...\n");
    reader.skip(2);
    const ChunkBounds chunk = readChunkSize();
    reader.readU4();  // the clip's number: clips are taken to count from 1 in file order
    static const ScanEntry clipChunks[] = {
        {{'S', 'T', 'I', 'L'}, &LwobLoader::readStill},
    };
    clipEnd_ = chunk.end;
    scan(chunk.end, clipChunks, std::size(clipChunks));
}

void LwobLoader::readStill() {
    demoSystem.log("LWOB: 'CLIP' -> 'STIL' subchunk found. processing...\n");
    const int32_t at = reader.cursor - 2;
    reader.skip(2);
    int32_t length = reader.readU2();
    const int32_t held = std::max(clipEnd_ - reader.cursor, 0);
    if (held < length) {
        ++report.countsCut;
        note("STIL at %d: a name of %d bytes announced, the clip holds %d", at, length, held);
        length = held;
    }
    // The stored name with its NUL and pad byte, as LightWave writes it:
    // "C:images/x.png" stands for "C:/images/x.png".
    std::string stored;
    stored.reserve(static_cast<size_t>(length) + 1);
    for (int32_t i = 0; i < length; ++i) stored.push_back(reader.readU1());
    if (reader.cursor & 1) reader.skip(1);

    // The texture path is the part from "data/" to the NUL, relative to the
    // working directory; a name with nothing after its first two bytes, or
    // without "data/", gives an empty path.
    std::string path;
    if (stored.size() >= 2) {
        std::string name = stored.substr(0, 2);
        name += '/';
        name.append(stored, 2);
        const size_t from = name.find("data/");
        if (from != std::string::npos) {
            const size_t to = name.find('\0', from);
            path = name.substr(from, to == std::string::npos ? std::string::npos : to - from);
        } else {
            note("STIL at %d: '%s' names no file under data/: an empty path", at, stored.c_str());
        }
    } else {
        note("STIL at %d: a name shorter than two bytes gives an empty path", at);
    }
    report.clipPaths.push_back(path);
    // One texture per still, an empty path included, so clip k stays texture k - 1.
    if (clipSink != nullptr) clipSink(path.c_str());
}
