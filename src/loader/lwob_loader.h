#pragma once
// Reads a LightWave LWO2 object into a new LwObject.
//
// The loader scans the file two bytes at a time for the chunk IDs it knows
// and lets each chunk's handler move the cursor past what it reads; after a
// main chunk's handler the scan goes on after that chunk's data, so no byte
// is scanned twice and a load takes time linear in the file's size. An ID met
// inside a chunk the loader does not read (a layer's name, a description)
// is taken as a chunk only where its size fits: it ends inside the FORM, and
// a walk by chunk sizes from its end arrives at the FORM's end. Any other is
// stepped over, so text that happens to spell "SURF" cannot carry the scan
// past the rest of the file. The file
// is untrusted: every read goes through the reader's bounds-checked cursor,
// counts are cut to what their chunk holds, and indices that point outside
// an array are skipped (or, for triangles, made degenerate), so a finished
// object always satisfies LwObject's invariants. What had to be mended is
// recorded in `report` (tessaline-lwo-info prints it).
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "loader/byte_reader.h"
#include "loader/lw_object.h"

// What the last parse met that the show's object never has.
struct LoadReport {
    int32_t pointChunks = 0;          // PNTS chunks (one per layer); the last one wins
    int32_t polygonCount = 0;         // polygons of the last POLS chunk
    int32_t polygonsSplit = 0;        // polygons of more than three points, fanned into triangles
    int32_t polygonsSkipped = 0;      // polygons of fewer than three points, dropped
    int32_t trianglesDegenerate = 0;  // triangles with a point index out of range, made (0, 0, 0)
    int32_t ptagEntriesSkipped = 0;   // PTAG entries naming no polygon or no tag
    int32_t ptagsSkipped = 0;         // PTAG chunks of another type than SURF (parts, smoothing groups...)
    int32_t vmapEntriesSkipped = 0;   // UV entries naming no point
    int32_t countsCut = 0;            // counts cut to what their chunk holds
    int32_t chunksIgnored = 0;        // chunks met before the chunk they build on
    int32_t idsSteppedOver = 0;       // IDs inside another chunk whose size does not fit: not chunks
    int32_t uvEntries = -1;           // entries read from the UV map "texture"; -1: none met
    std::vector<std::string> uvMapsPassedOver;  // names of other TXUV maps
    std::vector<std::string> clipPaths;         // texture path of each STIL, in file order
    std::vector<std::string> notes;             // one line per problem met, with where

    bool clean() const;  // nothing was mended, cut, ignored or passed over
};

class LwobLoader {
public:
    // Receives each clip's texture path, in file order, an empty path
    // included. The caller wires it (the shell: to the texture manager); with
    // none the clips are only recorded in the report.
    using ClipSink = void (*)(const char* texturePath);

    LwobLoader() = default;
    virtual ~LwobLoader() = default;

    // Open, parse, close; null after telling the user why (message box).
    // After a failed parse the buffer and the partial object are released.
    LwObject* load(const char* path);
    bool openFile(const char* path);
    // The in-memory stand-in for openFile: the bytes are copied.
    bool openBytes(const uint8_t* bytes, size_t length);
    // Creates a new object (not deleting the previous one, which belongs to
    // whoever load handed it to), tests the header, scans the chunks and
    // computes the normals. False: not an LWO2 file.
    bool parse();
    bool closeFile();

    LwObject* object = nullptr;  // the object the last parse created
    ByteReader reader;
    ClipSink clipSink = nullptr;
    LoadReport report;  // of the last parse

private:
    using Handler = void (LwobLoader::*)();
    struct ScanEntry {
        char id[4];
        Handler handler;
        // A chunk with a 4-byte size: once its handler has run, the scan goes
        // on after the chunk's data and pad byte (or after what the handler
        // read, if that is further), never inside it.
        bool wholeChunk = false;
    };
    // Steps two bytes at a time from the cursor to end; where the four bytes
    // at the cursor spell an entry's ID, runs its handler with the cursor two
    // bytes past the ID's start.
    void scan(int32_t end, const ScanEntry* entries, size_t entryCount);
    // Puts the cursor after the data of the chunk whose ID starts at `at`,
    // unless it already stands further on.
    void passChunk(int32_t at);
    // Where the chunk whose ID starts at `at` ends, its pad byte included
    // (a negative size counts as empty).
    int64_t chunkEndAt(int64_t at) const;
    // Records where the main chunks stand by walking their sizes from the
    // FORM's first chunk; the FORM's end comes from its header.
    void walkMainChunks();
    // Whether the main chunk ID at `at` is a chunk: anything but an ID
    // inside a walked main chunk whose size does not fit (see the top).
    bool chunkFits(int32_t at);
    // Whether walking by chunk sizes from `from` arrives at the FORM's end.
    bool walkReachesFormEnd(int64_t from);

    // Main chunks.
    void readPoints();     // PNTS
    void readPolygons();   // POLS
    void readFaces();      // FACE (the polygon type of POLS)
    void readUvMap();      // VMAP
    void readTags();       // TAGS
    void readPolygonTags();// PTAG
    void readSurface();    // SURF
    void readClip();       // CLIP
    // Sub-chunks of SURF (for surface surfaceIndex_), BLOK and CLIP.
    void readColour();     // COLR
    void readBlock();      // BLOK
    void readImage();      // IMAG
    void skipNothing();    // IMAP, TMAP: the scan walks on through their contents
    void readStill();      // STIL

    // The chunk's size at the cursor, read with readU4, and the offset where
    // the chunk's data ends: cut to the buffer, and to the start for a
    // negative size.
    struct ChunkBounds {
        int32_t size;
        int32_t end;
    };
    ChunkBounds readChunkSize();
    ChunkBounds readSubChunkSize();  // the same for a 2-byte size
    // An LWO2 variable-length index: two bytes below 0xFF00, else four bytes
    // whose low 24 bits are the index.
    uint32_t readIndex();
    int32_t indexWidthAt(int64_t offset) const;
    // A NUL-terminated name from the cursor, the NUL consumed, reading no
    // further than end.
    std::string readName(int32_t end);
    // Walks the FACE polygons from the cursor to polygonsEnd_; fills
    // triangles only when fill is set (the first walk counts).
    void walkFaces(bool fill);
    // Gives triangles whose point indices lie outside the points (0, 0, 0).
    int32_t clampTriangles(std::vector<Triangle>& list) const;
    void finishObject();
    std::string printableId(int32_t offset) const;  // the four bytes at offset, '?' for unprintable ones
    void note(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // State of one parse.
    int32_t surfaceIndex_ = 0;               // the surface SURF's body scan fills
    int32_t clipEnd_ = 0;                    // end of the CLIP chunk STIL is read from
    int32_t faceTypeOffset_ = -1;            // where the pending POLS's FACE type stands
    int32_t polygonsEnd_ = 0;                // end of that POLS chunk's data
    std::vector<int32_t> polygonTriangles_;  // per polygon: its first triangle; one more at the end
    // The first tag of each name: the surface a SURF of that name fills.
    std::unordered_map<std::string, int32_t> surfaceOfName_;
    // PTAG's working tables, sized once per TAGS and POLS chunk and all zero
    // between PTAG chunks, so that a PTAG costs time in its entries only.
    std::vector<int32_t> surfaceCounters_;   // per surface
    std::vector<uint8_t> polygonAssigned_;   // per polygon
    std::vector<int32_t> filledSurfaces_;    // surfaces whose lists a PTAG filled
    bool tagsSeen_ = false;
    int32_t notesDropped_ = 0;               // notes beyond the cap
    int64_t formEnd_ = 0;                    // 8 + the FORM's size; may lie past a cut file's end
    std::vector<int32_t> mainChunkStarts_;   // offsets of the walked main chunks, ascending
    // Per even offset: 0 not yet walked, 1 a walk from there reaches the
    // FORM's end, 2 it does not. Sized at the first ID that needs a walk.
    std::vector<uint8_t> reachesFormEnd_;
};

inline int32_t LwobLoader::indexWidthAt(int64_t offset) const {
    return reader.byteAt(offset) == 0xFF ? 4 : 2;
}

inline uint32_t LwobLoader::readIndex() {
    if (indexWidthAt(reader.cursor) == 4) return static_cast<uint32_t>(reader.readU4()) & 0x00FFFFFFu;
    return reader.readU2();
}

extern LwobLoader lwobLoader;
