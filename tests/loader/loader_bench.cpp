// Load times of the show's heart and of a 60,000-point object: file read,
// chunk scan, triangles, surfaces, UV map and normals. Figures: time per
// load and bytes of file per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "heart_mesh.h"
#include "loader/lwob_loader.h"
#include "lwo2_writer.h"
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

}  // namespace
