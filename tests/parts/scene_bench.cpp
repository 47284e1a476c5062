// Frame times of the two scenes at 640x480 offscreen with the generated
// assets, beside a frame of only the clear and the full-window quads
// (backdrop, overlay, veil) measured in the same run. Each scene reports
// frames per second and its cost as a multiple of that baseline frame.
// Run from anywhere: it reads the assets from the build tree.
#include <GL/gl.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/sequencer.h"
#include "app/shell.h"
#include "loader/lw_object.h"
#include "music/music_player.h"
#include "parts/pulsing_heart_part.h"
#include "parts/rising_hearts_part.h"
#include "platform/offscreen_gl.h"
#include "render/texture_manager.h"
#include "scene_position.h"
#include "scene_test_support.h"
#include "sound/double/sound_double.h"
#include "test_paths.h"

namespace {

constexpr int32_t frameMs = 16;

// One context and one set of assets for the whole run.
OffscreenGl& context() {
    static std::unique_ptr<OffscreenGl> gl = [] {
        auto made = std::make_unique<OffscreenGl>(640, 480);
        if (!made->ok()) {
            std::fprintf(stderr, "scene bench: no offscreen GL: %s\n", made->error().c_str());
            std::exit(1);
        }
        std::filesystem::current_path(VEXEL_BUILD_DIR);
        applyShowView(640, 480);
        if (!loadObjects() || !std::filesystem::exists(startupImages[5])) {
            std::fprintf(stderr, "scene bench: the generated assets are missing; build the default target\n");
            std::exit(1);
        }
        loadImages();
        std::fprintf(stderr, "scene bench: %s\n", made->renderer().c_str());
        return made;
    }();
    return *gl;
}


// The baseline: the clear plus every full-window quad a frame can draw.
void quadsFrame(DemoPart& part) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    part.drawBackdrop(1);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    part.drawOverlay(6, true);
    part.drawFade(static_cast<float>(frameMs));
    glFinish();
}

DemoPart& quadsPart() {
    static DemoPart part;
    // A veil that is always drawn: thickening without end.
    part.fadeOut(0.0f, 0.0f, 0.0f, 0.0f);
    part.fadeAlpha = 0.5f;
    return part;
}

// Seconds per baseline frame, measured once, before the first scene.
double baselineSeconds() {
    static const double seconds = [] {
        context();
        DemoPart& part = quadsPart();
        for (int i = 0; i < 20; ++i) {
            quadsFrame(part);
        }
        constexpr int frames = 300;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i) {
            quadsFrame(part);
        }
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        return spent.count() / frames;
    }();
    return seconds;
}

void report(benchmark::State& state) {
    const double perFrame = baselineSeconds();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["quads_frame_ms"] = perFrame * 1000.0;
}

void BM_ClearAndQuadsFrame(benchmark::State& state) {
    context();
    DemoPart& part = quadsPart();
    for (auto _ : state) {
        quadsFrame(part);
    }
    report(state);
}

template <typename Frame>
void timeScene(benchmark::State& state, Frame frame) {
    const double baseline = baselineSeconds();
    double spent = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        frame();
        glFinish();
        spent += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    report(state);
    state.counters["x_quads_frame"] = spent / static_cast<double>(state.iterations()) / baseline;
}

// The opening scene mid-show: wobble over, beat jumps, a text image fading.
void BM_FirstSceneWithText(benchmark::State& state) {
    context();
    sceneStates.pulsingHeart = PulsingHeartState{};
    sceneStates.pulsingHeart.wobbleStrength = 0.0f;
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    part.textAlpha = 0.6f;
    musicAt(8, 5);
    timeScene(state, [&] { part.render(frameMs); });
}

// The opening scene at order 1: the wobble moves all points every frame.
void BM_FirstSceneWobbling(benchmark::State& state) {
    context();
    sceneStates.pulsingHeart = PulsingHeartState{};
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    musicAt(1, 5);
    timeScene(state, [&] { part.render(frameMs); });
}

// The closing scene: seven hearts in view, backdrop, overlay.
void BM_ClosingScene(benchmark::State& state) {
    context();
    sceneStates.risingHearts = RisingHeartsState{};
    sceneStates.risingHearts.heightsSet = true;  // all seven in the middle of the view
    RisingHeartsPart part(sceneStates.risingHearts, heartObject);
    musicAt(26, 5);
    timeScene(state, [&] { part.render(frameMs); });
}

// The closing scene's seven heart draws alone (clear, no quads): what the
// hearts add to a frame.
void BM_SevenHeartsOnly(benchmark::State& state) {
    context();
    sceneStates.risingHearts = RisingHeartsState{};
    timeScene(state, [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (int i = 0; i < risingHearts::heartCount; ++i) {
            glLoadIdentity();
            glTranslatef(risingHearts::heartX(i), 0.0f, risingHearts::heartDepths[i]);
            glScalef(0.3f, 0.3f, 0.3f);
            heartObject->draw(SphereMappedImmediate);
        }
    });
}

BENCHMARK(BM_ClearAndQuadsFrame)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSceneWobbling)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSceneWithText)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClosingScene)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SevenHeartsOnly)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
