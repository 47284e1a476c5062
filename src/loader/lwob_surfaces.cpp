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
    surfaceOfName_.clear();
    for (int32_t i = 0; i < count; ++i) surfaceOfName_.emplace(o.tags[i].name, i);  // the first of a name stays
    surfaceCounters_.assign(static_cast<size_t>(count), 0);
    filledSurfaces_.clear();  // setSurfaces emptied every list
    demoSystem.log("LWOB: 'TAGS' -> number of surface-tags found: %d\n", count);
}

// ---- PTAG ---------------------------------------------------------------------

void LwobLoader::readPolygonTags() {
    demoSystem.log("LWOB: 'PTAG' chunk found. processing...\n");
    const int32_t at = reader.cursor - 2;
    reader.skip(2);
    const ChunkBounds chunk = readChunkSize();
    // Only the surface tags assign surfaces. LightWave writes parts,
    // smoothing groups and colours as PTAG chunks of their own types, in
    // any order; read as surfaces they would replace the real assignment.
    if (!reader.matchesAt(reader.cursor, "SURF")) {
        ++report.ptagsSkipped;
        note("PTAG at %d of type '%s' is not a surface assignment: skipped", at,
             printableId(reader.cursor).c_str());
        return;
    }
    reader.skip(4);

    LwObject& o = *object;
    if (polygonTriangles_.empty()) {
        ++report.chunksIgnored;
        note("PTAG at %d comes before any POLS chunk: ignored", at);
        return;
    }
    const auto polygons = static_cast<int32_t>(polygonTriangles_.size()) - 1;
    const auto surfaces = static_cast<int32_t>(std::min(surfaceCounters_.size(), o.surfaceTriangles.size()));

    // The lists of an earlier PTAG are dropped.
    for (const int32_t s : filledSurfaces_) o.surfaceTriangles[s].triangles.clear();
    filledSurfaces_.clear();

    // One entry per polygon: its polygon index and its tag index. Entries
    // that name no polygon or no surface, or a polygon already assigned by
    // this chunk, are skipped; a chunk that holds fewer entries than there
    // are polygons is read as far as it goes. The entries kept are counted
    // per surface, then copied in entry order.
    struct Entry {
        uint32_t polygon;
        uint32_t surface;
    };
    std::vector<Entry> kept;
    int32_t entries = 0;
    while (entries < polygons && int64_t{reader.cursor} + indexWidthAt(reader.cursor) + 2 <= chunk.end) {
        const uint32_t polygon = readIndex();
        const uint32_t tag = reader.readU2();
        ++entries;
        if (polygon >= static_cast<uint32_t>(polygons) || tag >= static_cast<uint32_t>(surfaces) ||
            polygonAssigned_[polygon] != 0) {
            ++report.ptagEntriesSkipped;
            continue;
        }
        polygonAssigned_[polygon] = 1;
        kept.push_back({polygon, tag});
        const int32_t triangles = polygonTriangles_[polygon + 1] - polygonTriangles_[polygon];
        if (triangles > 0 && surfaceCounters_[tag] == 0) filledSurfaces_.push_back(static_cast<int32_t>(tag));
        surfaceCounters_[tag] += triangles;
    }
    if (entries < polygons) {
        ++report.countsCut;
        note("PTAG at %d holds %d entries for %d polygons", at, entries, polygons);
    }

    for (const int32_t s : filledSurfaces_) {
        o.surfaceTriangles[s].triangles.assign(static_cast<size_t>(surfaceCounters_[s]), Triangle{{0, 0, 0}});
        surfaceCounters_[s] = 0;
    }
    for (const Entry& e : kept) {
        std::vector<Triangle>& list = o.surfaceTriangles[e.surface].triangles;
        for (int32_t t = polygonTriangles_[e.polygon]; t < polygonTriangles_[e.polygon + 1]; ++t) {
            list[surfaceCounters_[e.surface]++] = o.triangles[t];
        }
        polygonAssigned_[e.polygon] = 0;
    }
    for (const int32_t s : filledSurfaces_) surfaceCounters_[s] = 0;
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
    // Of several tags with the surface's name the first gets its data: the
    // body is read once, and nothing of it is left for the others.
    const auto found = surfaceOfName_.find(name);
    if (found != surfaceOfName_.end() && found->second < object->surfaceCount()) {
        demoSystem.log("LWOB: 'SURF' -> reading data for surface '%s'...\n", name.c_str());
        if (reader.cursor & 1) reader.skip(1);
        surfaceIndex_ = found->second;
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

    // The texture path is the part from the first "data/" to the NUL,
    // relative to the working directory; a name without "data/" gives an
    // empty path. Putting back the "/" after the drive could only split a
    // "data/" at the very start of the name, so the stored name is searched
    // as it is: a name stored as "data/..." keeps its whole path.
    std::string path;
    const size_t from = stored.find("data/");
    if (from != std::string::npos) {
        const size_t to = stored.find('\0', from);
        path = stored.substr(from, to == std::string::npos ? std::string::npos : to - from);
    } else {
        note("STIL at %d: '%s' names no file under data/: an empty path", at, stored.c_str());
    }
    report.clipPaths.push_back(path);
    // One texture per still, an empty path included, so clip k stays texture k - 1.
    if (clipSink != nullptr) clipSink(path.c_str());
}
