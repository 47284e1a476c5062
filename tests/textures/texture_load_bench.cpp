// Start-up cost of the show's pictures: decoding and uploading the seven
// images the build generates (the six start-up images and the heart's sphere
// map) through the TextureManager, on an offscreen context. Goal: the seven
// together well under 50 ms.
//   build*/tests/textures/bench_texture_load   (run from anywhere)
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <string>

#include "platform/offscreen_gl.h"
#include "render/texture_manager.h"
#include "test_paths.h"

namespace {

const char* const showImages[] = {"bg.png",     "text-1.png", "text-2.png",   "text-3.png",
                                  "text-4.png", "zurak.png",  "heart-env.png"};

// Loads the listed images into a fresh manager; glFinish so the upload is
// counted, then the textures are deleted so memory does not pile up.
void loadImages(benchmark::State& state, const std::vector<std::string>& paths) {
    OffscreenGl gl(640, 480);
    if (!gl.ok()) {
        state.SkipWithError(("no offscreen GL: " + gl.error()).c_str());
        return;
    }
    for (auto _ : state) {
        TextureManager manager;
        for (const std::string& path : paths) {
            manager.load(path.c_str());
        }
        glFinish();
        state.PauseTiming();
        glDeleteTextures(static_cast<GLsizei>(manager.textureNames.size()), manager.textureNames.data());
        state.ResumeTiming();
    }
}

void BM_LoadSevenShowImages(benchmark::State& state) {
    std::vector<std::string> paths;
    for (const char* name : showImages) {
        paths.push_back(buildPath(std::string("data/tessaline/gfx/") + name));
    }
    loadImages(state, paths);
}
BENCHMARK(BM_LoadSevenShowImages)->Unit(benchmark::kMillisecond);

void BM_LoadOneImage(benchmark::State& state) {
    const std::string name = showImages[state.range(0)];
    state.SetLabel(name);
    loadImages(state, {buildPath("data/tessaline/gfx/" + name)});
}
BENCHMARK(BM_LoadOneImage)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

}  // namespace
