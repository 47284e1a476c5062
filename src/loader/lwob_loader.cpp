// The LWO2 loader: entry, header test, the ID scan, the geometry chunks
// (PNTS, POLS with FACE) and the finishing checks. The chunks that give the
// object its look (TAGS, PTAG, SURF, VMAP, CLIP) are in lwob_surfaces.cpp.
//
// Offsets into the file are int32_t (a held file is below 2 GiB); anything
// computed from a size read from the file is computed in int64_t and cut to
// the buffer before it becomes an offset.
#include "loader/lwob_loader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <algorithm>  // Required for: std::min, std::max
#include <cstdarg>    // Required for: va_list
#include <cstdio>     // Required for: vsnprintf
#include <iterator>   // Required for: std::size

#include "core/demo_system.h"
#include "core/service_order.h"
#include "platform/platform.h"

namespace {

constexpr size_t maxNotes = 64;

// Where a polygon's vertex count lives: the low ten bits of its first two
// bytes; the top six bits are flags.
constexpr uint16_t vertexCountMask = 0x03FF;

}  // namespace

bool LoadReport::clean() const { return notes.empty(); }

__attribute__((VEXEL_LWOB_LOADER_ORDER)) LwobLoader lwobLoader;

// ---- entry ------------------------------------------------------------------

LwObject* LwobLoader::load(const char* path) {
    const char* shownPath = path != nullptr ? path : "(null)";
    demoSystem.log("LWOB: attempting to load object '%s'...\n", shownPath);
    if (!openFile(path)) {
        std::fprintf(stderr, "tessaline: object '%s' not loaded: %s\n", shownPath,
                     errno != 0 ? std::strerror(errno) : "cannot be read");
        demoSystem.log("LWOB: failed to load object '%s' !!\n", shownPath);
        platform::messageBox("LWOB not found", "ReadLWOB", platform::BoxButtons::Ok,
                             platform::BoxIcon::None);
        return nullptr;
    }
    demoSystem.log("LWOB: reading object data...\n");
    if (!parse()) {
        // The partial object never leaves the loader: release it and the file.
        delete object;
        object = nullptr;
        closeFile();
        std::fprintf(stderr, "tessaline: object '%s' refused: %s\n", shownPath,
                     report.notes.empty() ? "not an LWO2 object" : report.notes.front().c_str());
        platform::messageBox("Error reading LWOB", "ReadLWOB", platform::BoxButtons::Ok,
                             platform::BoxIcon::None);
        return nullptr;
    }
    if (!closeFile()) {
        platform::messageBox("Error closing LWOB", "ReadLWOB", platform::BoxButtons::Ok,
                             platform::BoxIcon::None);
        return nullptr;
    }
    demoSystem.log("LWOB: object '%s' loaded successfully.\n\n", shownPath);
    return object;
}

bool LwobLoader::openFile(const char* path) {
    if (!reader.open(path)) return false;
    reader.setNativeByteOrder(false);
    return true;
}

bool LwobLoader::openBytes(const uint8_t* bytes, size_t length) {
    if (!reader.openBytes(bytes, length)) return false;
    reader.setNativeByteOrder(false);
    return true;
}

bool LwobLoader::closeFile() { return reader.close(); }

bool LwobLoader::parse() {
    report = LoadReport{};
    surfaceIndex_ = 0;
    clipEnd_ = 0;
    faceTypeOffset_ = -1;
    polygonsEnd_ = 0;
    polygonTriangles_.clear();
    surfaceOfName_.clear();
    surfaceCounters_.clear();
    polygonAssigned_.clear();
    filledSurfaces_.clear();
    tagsSeen_ = false;
    notesDropped_ = 0;
    reachesFormEnd_.clear();

    object = new LwObject;
    if (!reader.matchesAt(0, "FORM") || !reader.matchesAt(8, "LWO2")) {
        note("not an LWO2 object: the file does not start with FORM....LWO2");
        return false;
    }

    // FACE is read by POLS, whose type it is; the scan meets one only
    // outside a POLS chunk (and ignores it there).
    static const ScanEntry mainChunks[] = {
        {{'P', 'N', 'T', 'S'}, &LwobLoader::readPoints, true},
        {{'P', 'O', 'L', 'S'}, &LwobLoader::readPolygons, true},
        {{'F', 'A', 'C', 'E'}, &LwobLoader::readFaces},
        {{'V', 'M', 'A', 'P'}, &LwobLoader::readUvMap, true},
        {{'T', 'A', 'G', 'S'}, &LwobLoader::readTags, true},
        {{'P', 'T', 'A', 'G'}, &LwobLoader::readPolygonTags, true},
        {{'S', 'U', 'R', 'F'}, &LwobLoader::readSurface, true},
        {{'C', 'L', 'I', 'P'}, &LwobLoader::readClip, true},
    };
    walkMainChunks();
    reader.seek(12);
    scan(reader.size, mainChunks, std::size(mainChunks));
    finishObject();

    demoSystem.log("LWOB: calculating normals...\n");
    object->computeNormals();
    return true;
}

// ---- the scan and the reading helpers ----------------------------------------

void LwobLoader::scan(int32_t end, const ScanEntry* entries, size_t entryCount) {
    // Never past the buffer, so that a step that cannot move ends the walk.
    end = static_cast<int32_t>(std::min<int64_t>(end, int64_t{reader.cursor} + reader.remaining()));
    while (reader.cursor < end) {
        const int32_t at = reader.cursor;
        const ScanEntry* hit = nullptr;
        for (size_t i = 0; i < entryCount && hit == nullptr; ++i) {
            if (reader.matchesAt(at, entries[i].id)) hit = &entries[i];
        }
        reader.skip(2);
        if (hit == nullptr) continue;
        if (hit->wholeChunk && !chunkFits(at)) {
            ++report.idsSteppedOver;
            note("'%s' at %d inside another chunk: its size %lld does not fit, stepped over",
                 printableId(at).c_str(), at, static_cast<long long>(chunkEndAt(at) - at - 8));
            continue;
        }
        (this->*hit->handler)();
        if (hit->wholeChunk) passChunk(at);
    }
}

void LwobLoader::passChunk(int32_t at) {
    const int64_t next = chunkEndAt(at);  // the size as readChunkSize takes it
    if (next > reader.cursor) reader.seek(next);
}

int64_t LwobLoader::chunkEndAt(int64_t at) const {
    // Chunks of odd size carry a pad byte.
    uint32_t bits = 0;
    for (int32_t i = 0; i < 4; ++i) bits = bits << 8 | reader.byteAt(at + 4 + i);
    const int64_t size = std::max<int64_t>(static_cast<int32_t>(bits), 0);
    return at + 8 + size + (size & 1);
}

void LwobLoader::walkMainChunks() {
    uint32_t formSize = 0;
    for (int32_t i = 0; i < 4; ++i) formSize = formSize << 8 | reader.byteAt(4 + i);
    formEnd_ = 8 + int64_t{formSize};
    mainChunkStarts_.clear();
    // A chunk whose header is in the file counts, even one that runs past
    // the FORM's end (it is read as far as the file holds).
    for (int64_t at = 12; at < formEnd_ && at + 8 <= reader.size; at = chunkEndAt(at)) {
        mainChunkStarts_.push_back(static_cast<int32_t>(at));
    }
}

bool LwobLoader::chunkFits(int32_t at) {
    // Only an ID inside a walked chunk is judged; one past where the walk
    // got to (a FORM that ends before the file does, a size that breaks the
    // walk) stands outside every chunk and is a chunk, as is a walked one.
    const auto after = std::upper_bound(mainChunkStarts_.begin(), mainChunkStarts_.end(), at);
    if (after == mainChunkStarts_.begin()) return true;
    const int32_t enclosing = *(after - 1);
    if (enclosing == at || chunkEndAt(enclosing) <= at) return true;
    const int64_t end = chunkEndAt(at);
    return end <= formEnd_ && walkReachesFormEnd(end);
}

bool LwobLoader::walkReachesFormEnd(int64_t from) {
    // Each offset is walked from once per parse: the steps of one walk are
    // remembered with its verdict, so a file full of IDs still loads in
    // linear time.
    if (reachesFormEnd_.empty()) reachesFormEnd_.assign(static_cast<size_t>(reader.size) / 2 + 1, 0);
    std::vector<int64_t> path;
    bool reached = false;
    for (int64_t at = from;; at = chunkEndAt(at)) {
        if (at == formEnd_) {
            reached = true;
            break;
        }
        // A cut file: a FORM that runs past the file is met by whatever
        // runs off the file's end with it.
        if (at + 8 > reader.size) {
            reached = formEnd_ > reader.size && at <= formEnd_;
            break;
        }
        if (at > formEnd_ || (at & 1) != 0) break;
        const uint8_t known = reachesFormEnd_[static_cast<size_t>(at / 2)];
        if (known != 0) {
            reached = known == 1;
            break;
        }
        path.push_back(at);
    }
    for (const int64_t at : path) reachesFormEnd_[static_cast<size_t>(at / 2)] = reached ? 1 : 2;
    return reached;
}

LwobLoader::ChunkBounds LwobLoader::readChunkSize() {
    const int32_t size = reader.readU4();
    const int64_t start = reader.cursor;
    const int64_t end = std::min(start + std::max(size, 0), start + reader.remaining());
    return {size, static_cast<int32_t>(end)};
}

LwobLoader::ChunkBounds LwobLoader::readSubChunkSize() {
    const int32_t size = reader.readU2();
    const int64_t start = reader.cursor;
    const int64_t end = std::min(start + size, start + reader.remaining());
    return {size, static_cast<int32_t>(end)};
}

std::string LwobLoader::readName(int32_t end) {
    std::string name;
    while (reader.cursor < end) {
        const char c = reader.readU1();
        if (c == '\0') break;
        name.push_back(c);
    }
    return name;
}

std::string LwobLoader::printableId(int32_t offset) const {
    std::string id;
    for (int32_t i = 0; i < 4; ++i) {
        const uint8_t c = reader.byteAt(int64_t{offset} + i);
        id.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
    }
    return id;
}

void LwobLoader::note(const char* format, ...) {
    if (report.notes.size() >= maxNotes) {
        ++notesDropped_;
        return;
    }
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    report.notes.emplace_back(line);
}

// ---- geometry -----------------------------------------------------------------

void LwobLoader::readPoints() {
    demoSystem.log("LWOB: 'PNTS' chunk found. processing...\n");
    const int32_t at = reader.cursor - 2;
    reader.skip(2);
    const ChunkBounds chunk = readChunkSize();
    int32_t count = std::max(chunk.size, 0) / 12;  // three floats per point
    const int32_t held = (chunk.end - reader.cursor) / 12;
    if (held < count) {
        ++report.countsCut;
        note("PNTS at %d: %d points announced, the file holds %d", at, count, held);
        count = held;
    }
    if (++report.pointChunks == 2) {
        note("PNTS at %d: a second layer; each layer's points replace the last, only the last layer is kept",
             at);
    }

    LwObject& o = *object;
    std::vector<Vec3> positions(static_cast<size_t>(count));
    demoSystem.log("LWOB: 'PNTS' -> number of vertices: %d\n", count);
    for (Vec3& point : positions) {
        point.x = reader.readF4();
        point.y = reader.readF4();
        point.z = reader.readF4();
    }
    o.setPoints(std::move(positions));
    if (reader.cursor & 1) reader.skip(1);
}

void LwobLoader::readPolygons() {
    demoSystem.log("LWOB: 'POLS' chunk found. processing...\n");
    reader.skip(2);
    const ChunkBounds chunk = readChunkSize();
    const int32_t typeAt = reader.cursor;
    LwObject& o = *object;

    faceTypeOffset_ = -1;
    polygonsEnd_ = chunk.end;
    int32_t triangleTotal = 0;
    if (reader.matchesAt(typeAt, "FACE")) {
        // Count first, so that the triangles are created once at their size;
        // FACE, which the scan meets next, fills them.
        faceTypeOffset_ = typeAt;
        reader.skip(4);
        walkFaces(false);
        reader.seek(typeAt);
        report.polygonCount = static_cast<int32_t>(polygonTriangles_.size()) - 1;
        triangleTotal = polygonTriangles_.back();
    } else {
        // Patches, bones and the rest are not read: their polygons stay
        // empty triangles, one per eight bytes, so that PTAG numbering holds.
        int32_t count = static_cast<int32_t>(std::max<int64_t>(int64_t{chunk.size} - 4, 0) / 8);
        const int32_t held = std::max(chunk.end - typeAt - 4, 0) / 8;
        if (held < count) {
            ++report.countsCut;
            note("POLS at %d: %d polygons announced, the file holds %d", typeAt - 6, count, held);
            count = held;
        }
        note("POLS at %d: polygons of type '%s' are not read; %d empty triangles", typeAt - 6,
             printableId(typeAt).c_str(), count);
        polygonTriangles_.resize(static_cast<size_t>(count) + 1);
        for (int32_t p = 0; p <= count; ++p) polygonTriangles_[p] = p;
        report.polygonCount = count;
        triangleTotal = count;
    }
    o.triangles.assign(static_cast<size_t>(triangleTotal), Triangle{{0, 0, 0}});
    polygonAssigned_.assign(static_cast<size_t>(report.polygonCount), 0);
    demoSystem.log("LWOB: 'POLS' -> number of polygons: %d\n", report.polygonCount);
    if (faceTypeOffset_ >= 0) {
        reader.seek(int64_t{typeAt} + 2);  // as the scan enters a handler
        readFaces();
    }
}

void LwobLoader::readFaces() {
    const int32_t at = reader.cursor - 2;
    if (at != faceTypeOffset_) {
        ++report.chunksIgnored;
        note("FACE at %d is not the type of a POLS chunk: ignored", at);
        return;
    }
    faceTypeOffset_ = -1;
    demoSystem.log("LWOB: 'POLS' -> 'FACE' subchunk found. processing...\n");
    reader.skip(2);
    walkFaces(true);
}

void LwobLoader::walkFaces(bool fill) {
    LwObject& o = *object;
    const bool counting = !fill;
    if (counting) polygonTriangles_.assign(1, 0);
    int32_t triangle = 0;
    int32_t polygon = 0;
    while (int64_t{reader.cursor} + 2 <= polygonsEnd_) {
        const int32_t at = reader.cursor;
        const int32_t vertexCount = reader.readU2() & vertexCountMask;
        // The whole polygon must lie inside the chunk; one that runs past its
        // end is dropped and the scan passes over its bytes.
        int64_t end = reader.cursor;
        for (int32_t k = 0; k < vertexCount && end <= polygonsEnd_; ++k) end += indexWidthAt(end);
        if (end > polygonsEnd_) {
            if (counting) {
                ++report.countsCut;
                note("POLS: polygon %d at %d runs past the end of the chunk: dropped", polygon, at);
            }
            reader.seek(at);
            break;
        }
        if (vertexCount < 3) {
            if (counting) ++report.polygonsSkipped;
            reader.seek(end);
        } else if (counting) {
            if (vertexCount > 3) ++report.polygonsSplit;
            triangle += vertexCount - 2;
            reader.seek(end);
        } else {
            // A fan around the first point: (v0, v1, v2), (v0, v2, v3), ...,
            // each in the polygon's own order, so the winding is kept.
            const uint32_t first = readIndex();
            uint32_t previous = readIndex();
            for (int32_t k = 2; k < vertexCount; ++k) {
                const uint32_t next = readIndex();
                if (triangle < o.triangleCount()) o.triangles[triangle] = Triangle{{first, previous, next}};
                ++triangle;
                previous = next;
            }
        }
        ++polygon;
        if (counting) polygonTriangles_.push_back(triangle);
    }
}

// ---- finishing --------------------------------------------------------------

int32_t LwobLoader::clampTriangles(std::vector<Triangle>& list) const {
    const auto pointsHeld = static_cast<uint32_t>(object->points.size());
    int32_t clamped = 0;
    for (Triangle& t : list) {
        if (t.vertex[0] >= pointsHeld || t.vertex[1] >= pointsHeld || t.vertex[2] >= pointsHeld) {
            t = Triangle{{0, 0, 0}};
            ++clamped;
        }
    }
    return clamped;
}

void LwobLoader::finishObject() {
    LwObject& o = *object;
    // Checked against the points that are finally kept: a later layer's
    // points may be fewer than an earlier layer's polygons name.
    report.trianglesDegenerate = clampTriangles(o.triangles);
    for (TriangleList& list : o.surfaceTriangles) clampTriangles(list.triangles);

    bool listsHold = false;
    for (const TriangleList& list : o.surfaceTriangles) listsHold = listsHold || !list.triangles.empty();
    if (o.points.empty() && (!o.triangles.empty() || listsHold)) {
        // Nothing to collapse onto: no triangle can be drawn, neither the
        // object's nor the surfaces' copies (which may stem from an earlier
        // POLS chunk).
        note("%d triangles but no points: the triangles are dropped", o.triangleCount());
        o.triangles.clear();
        for (TriangleList& list : o.surfaceTriangles) list.triangles.clear();
    } else if (report.trianglesDegenerate > 0) {
        note("%d triangles name a point beyond the %d points: made empty (0, 0, 0)",
             report.trianglesDegenerate, o.pointCount());
    }
    if (report.polygonsSplit > 0) {
        note("%d polygons of more than three points split into triangles", report.polygonsSplit);
    }
    if (report.polygonsSkipped > 0) {
        note("%d polygons of fewer than three points skipped", report.polygonsSkipped);
    }
    if (report.ptagEntriesSkipped > 0) {
        note("%d PTAG entries name no polygon or no surface, or a polygon already assigned: skipped",
             report.ptagEntriesSkipped);
    }
    if (report.vmapEntriesSkipped > 0) {
        note("%d UV entries name no point: skipped", report.vmapEntriesSkipped);
    }
    if (notesDropped_ > 0) {
        report.notes.push_back("... and " + std::to_string(notesDropped_) + " more problems");
    }
}
