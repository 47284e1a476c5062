// What a jump of the developer transport costs at 640x480: the replay of the
// show's state from the start to the target plus the one frame drawn there,
// against the floor of drawing that frame alone (Google Benchmark; the
// module's position map is rendered before the clock starts).
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/dev_transport.h"
#include "app/sequencer.h"
#include "app/shell.h"
#include "core/demo_config.h"
#include "core/demo_system.h"
#include "music/music_player.h"
#include "platform/offscreen_gl.h"
#include "scene_test_support.h"
#include "sound/double/sound_double.h"
#include "sound/sound.h"
#include "test_paths.h"

namespace {

struct Stage {
    std::unique_ptr<OffscreenGl> gl;
    std::unique_ptr<PositionMap> map;
};

Stage& stage() {
    static Stage s = [] {
        Stage made;
        made.gl = std::make_unique<OffscreenGl>(640, 480);
        if (!made.gl->ok()) {
            std::fprintf(stderr, "seek bench: no offscreen GL: %s\n", made.gl->error().c_str());
            std::exit(1);
        }
        std::filesystem::current_path(VEXEL_BUILD_DIR);
        applyShowView(640, 480);
        if (!loadObjects() || !loadImages()) std::exit(1);
        made.map = std::make_unique<PositionMap>(demoConfig.modulePath);
        if (!made.map->ok()) {
            std::fprintf(stderr, "seek bench: the module is missing; build the default target\n");
            std::exit(1);
        }
        made.map->at(3 * made.map->passFrames());  // rendered before any timing
        musicPlayer.song = sound::loadModule("song");
        musicPlayer.playing = true;
        return made;
    }();
    return s;
}

void drawOne() {
    drawFrame();
    glFinish();
}

void BM_FrameAlone(benchmark::State& state) {
    Stage& s = stage();
    DevTransport transport(*s.map, 0);
    transport.seekTo(static_cast<int32_t>(state.range(0)), 0);
    for (auto _ : state) {
        transport.beginFrame();
        drawOne();
    }
}

void BM_JumpAndFrame(benchmark::State& state) {
    Stage& s = stage();
    DevTransport transport(*s.map, 0);
    for (auto _ : state) {
        transport.seekTo(static_cast<int32_t>(state.range(0)), 0);
        transport.beginFrame();
        drawOne();
    }
}

BENCHMARK(BM_FrameAlone)->Arg(25)->Arg(29)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JumpAndFrame)->Arg(25)->Arg(29)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
