// Load times of the show's heart and of a 60,000-point object: file read,
// chunk scan, triangles, surfaces, UV map and normals. Figures: time per
// load and bytes of file per second. Then hostile files of 64 KB to 8 MB,
// each as milliseconds per MB and as a ratio against a floor measured on the
// same bytes in the same run: a loader that reads in linear time keeps both
// flat from the smallest size to the largest.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "heart_mesh.h"
#include "loader/lwob_loader.h"
#include "lwo2_writer.h"
#include "lwo_test_writer.h"
#include "test_paths.h"

namespace {

void ignoreClip(const char*) {}

// One full load as the show does it: open, parse (normals included), close.
void loadFile(benchmark::State& state, const std::string& path) {
    LwobLoader loader;
    loader.clipSink = &ignoreClip;
    int64_t bytes = 0;
    for (auto _ : state) {
        if (!loader.openFile(path.c_str())) {
            state.SkipWithError(("cannot open " + path).c_str());
            return;
        }
        bytes += loader.reader.size;
        const bool parsed = loader.parse();
        loader.closeFile();
        std::unique_ptr<LwObject> object(loader.object);
        if (!parsed) {
            state.SkipWithError("parse failed");
            return;
        }
        benchmark::DoNotOptimize(object->normals.data());
    }
    state.SetBytesProcessed(bytes);
}

const std::string& bigObjectPath() {
    static const std::string path = [] {
        const std::string p = "/tmp/tessaline-bench-60k.lwo";
        ObjectLook look;
        look.surfaceName = "Torus";
        look.imagePath = "C:bench/data/tessaline/gfx/heart-env.png";
        const std::vector<uint8_t> bytes = encodeObject(makeTorus(300, 200), look);  // 60,000 points
        std::FILE* f = std::fopen(p.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return p;
    }();
    return path;
}

void BM_LoadHeart(benchmark::State& state) { loadFile(state, buildPath("data/tessaline/objects/heart.lwo")); }
BENCHMARK(BM_LoadHeart)->Unit(benchmark::kMicrosecond);

void BM_Load60kPoints(benchmark::State& state) { loadFile(state, bigObjectPath()); }
BENCHMARK(BM_Load60kPoints)->Unit(benchmark::kMillisecond);

// The same object without the file read, and the normals alone.
void BM_Parse60kPointsInMemory(benchmark::State& state) {
    std::FILE* f = std::fopen(bigObjectPath().c_str(), "rb");
    std::vector<uint8_t> bytes(4 << 20);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    LwobLoader loader;
    loader.clipSink = &ignoreClip;
    for (auto _ : state) {
        loader.openBytes(bytes.data(), bytes.size());
        loader.parse();
        loader.closeFile();
        std::unique_ptr<LwObject> object(loader.object);
        benchmark::DoNotOptimize(object->normals.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_Parse60kPointsInMemory)->Unit(benchmark::kMillisecond);

void BM_Normals60kPoints(benchmark::State& state) {
    LwobLoader loader;
    loader.clipSink = &ignoreClip;
    loader.openFile(bigObjectPath().c_str());
    loader.parse();
    loader.closeFile();
    std::unique_ptr<LwObject> object(loader.object);
    for (auto _ : state) {
        object->computeNormals();
        benchmark::DoNotOptimize(object->normals.data());
    }
}
BENCHMARK(BM_Normals60kPoints)->Unit(benchmark::kMillisecond);

// ---- hostile files ------------------------------------------------------------

enum Hostile : int64_t {
    RepeatedPols,   // "POLS" again and again: every size field reads "POLS", past the end
    PtagFlood,      // many tags and polygons, then surface PTAGs of one entry each
    SurfFlood,      // many tags of one name, then SURF chunks of that name
    KnownIds,       // the main chunks' IDs one after another, each size field an ID
};

const char* hostileName(int64_t kind) {
    switch (kind) {
        case RepeatedPols: return "repeated POLS";
        case PtagFlood: return "PTAG flood";
        case SurfFlood: return "SURF flood";
        default: return "known IDs";
    }
}

// About `size` bytes of the given kind, FORM header included.
std::vector<uint8_t> hostileFile(int64_t kind, size_t size) {
    if (kind == RepeatedPols) {
        std::vector<uint8_t> bytes = form({});
        while (bytes.size() < size) bytes.insert(bytes.end(), {'P', 'O', 'L', 'S'});
        return bytes;
    }
    std::vector<Bytes> chunks;
    const size_t half = size / 2;
    if (kind == PtagFlood) {
        Bytes names;
        while (names.size() < size / 4) names.name("a");
        chunks.push_back(chunk("TAGS", names));
        chunks.push_back(pnts(squarePoints()));
        Bytes faces;
        faces.id("FACE");
        while (faces.size() < size / 4) faces.u2(3).u2(0).u2(1).u2(2);
        chunks.push_back(chunk("POLS", faces));
        for (size_t at = half; at < size; at += 16) chunks.push_back(ptag({{0, 0}}));
    } else if (kind == SurfFlood) {
        Bytes names;
        while (names.size() < half) names.name("a");
        chunks.push_back(chunk("TAGS", names));
        for (size_t at = half; at < size; at += 12) chunks.push_back(surf("a", {}));
    } else {
        // The main chunks' IDs in turn: every size field is an ID, far past the end.
        Bytes ids;
        static const char* const known[] = {"PNTS", "POLS", "FACE", "VMAP", "TAGS", "PTAG", "SURF", "CLIP"};
        for (size_t i = 0; ids.size() < size; ++i) ids.id(known[i % 8]);
        chunks.push_back(ids);
    }
    return form(chunks);
}

double secondsOf(const std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The floor: the same bytes copied into the reader and each of them read
// once through it, which any loader of the file has to do.
double floorSeconds(const std::vector<uint8_t>& bytes) {
    LwobLoader loader;
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        loader.openBytes(bytes.data(), bytes.size());
        uint32_t sum = 0;
        while (loader.reader.remaining() > 0) sum += static_cast<uint8_t>(loader.reader.readU1());
        loader.closeFile();
        benchmark::DoNotOptimize(sum);
        best = std::min(best, secondsOf(std::chrono::steady_clock::now() - start));
    }
    return best;
}

void BM_HostileFile(benchmark::State& state) {
    const int64_t kind = state.range(0);
    const std::vector<uint8_t> bytes = hostileFile(kind, static_cast<size_t>(state.range(1)) << 10);
    const double megabytes = static_cast<double>(bytes.size()) / (1 << 20);
    const double floor = floorSeconds(bytes);
    LwobLoader loader;
    double parsing = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        loader.openBytes(bytes.data(), bytes.size());
        loader.parse();
        loader.closeFile();
        std::unique_ptr<LwObject> object(loader.object);
        parsing += secondsOf(std::chrono::steady_clock::now() - start);
        benchmark::DoNotOptimize(object->triangles.data());
    }
    const double perLoad = parsing / static_cast<double>(state.iterations());
    state.SetLabel(hostileName(kind));
    state.counters["ms_per_MB"] = 1e3 * perLoad / megabytes;
    state.counters["floor_ms_per_MB"] = 1e3 * floor / megabytes;
    state.counters["x_floor"] = perLoad / floor;
}
BENCHMARK(BM_HostileFile)
    ->ArgsProduct({{RepeatedPols, PtagFlood, SurfFlood, KnownIds}, {64, 256, 1024, 4096, 8192}})
    ->ArgNames({"kind", "KB"})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2);

}  // namespace
