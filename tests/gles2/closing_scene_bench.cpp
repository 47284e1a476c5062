// Frame time of the closing scene as it stands at 28:16 (seven hearts, the
// backdrop, the overlay), offscreen at 640x480 with the generated assets.
// Built twice from this source: bench_closing_scene with the system's
// OpenGL 1.1, bench_closing_scene_gles2 through the OpenGL ES 2 layer; run
// both with bench.sh (make -C build bench-gles2), which prints the ratio.
//   bench_closing_scene[_gles2] [FRAMES]
#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/sequencer.h"
#include "app/shell.h"
#include "loader/lw_object.h"
#include "parts/rising_hearts_part.h"
#include "platform/offscreen_gl.h"
#include "render/texture_manager.h"
#include "scene_position.h"
#include "scene_test_support.h"

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 200;
    constexpr int32_t frameMs = 16;
    OffscreenGl gl(640, 480);
    if (!gl.ok()) {
        std::fprintf(stderr, "closing scene bench: no offscreen GL: %s\n", gl.error().c_str());
        return 1;
    }
    std::filesystem::current_path(VEXEL_BUILD_DIR);
    applyShowView(640, 480);
    if (!loadObjects() || !loadImages()) {
        std::fprintf(stderr, "closing scene bench: the generated assets are missing; build the default target\n");
        return 1;
    }
    // The scene from its start at 26:0 to 28:16: 144 rows of 120 ms.
    RisingHeartsPart part(sceneStates.risingHearts, heartObject);
    part.start();
    musicAt(26, 0);
    for (int32_t ms = 0; ms < 144 * 120; ms += frameMs) {
        part.advance(frameMs);
    }
    musicAt(28, 16);
    const auto frame = [&] {
        part.render(frameMs);
        glFinish();
    };
    for (int i = 0; i < 20; ++i) {
        frame();
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        frame();
    }
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    std::printf("%.3f ms a frame (%d frames), %s on %s\n", spent.count() / frames, frames, gl.renderer().c_str(),
                gl.display().c_str());
    delete heartObject;
    heartObject = nullptr;
    return 0;
}
