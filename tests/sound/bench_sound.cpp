// Figures for the sound layer (run by hand: build-*/tests/sound/bench_sound).
//   RenderModule       libopenmpt alone, in the player's chunks: times real time on one core
//   MixModule          the whole mixer path (silent output pumped by position queries)
//   AudiblePositionError  how far the answered row change is from the frame at
//                      which the row is heard, on a simulated device; the goal
//                      is under 1 ms
//   ModuleSeek         what moving a module to order N costs (libopenmpt's song
//                      simulation, which transport jumps once ran inside the
//                      device callback), against rendering one 1024-frame buffer
//                      in the same run; and the time until the jump worker has
//                      a moved renderer ready for the mixer
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "platform/null/audio_double.h"
#include "sound/module_render.h"
#include "sound/offline_render.h"
#include "sound/sound.h"
#include "sound/sound_test_hooks.h"
#include "test_paths.h"

namespace {

const std::string kSong = "xm/JUHO_-_Ihana_paiva.xm";  // a real four-channel song

// The corpus song, and the show's own module where the build has made it.
std::string songPath(bool showModule) {
    return showModule ? buildPath("data/tessaline/music/tessaline.xm") : corpusPath(kSong);
}

void RenderModule(benchmark::State& state, bool showModule) {
    std::vector<std::byte> bytes;
    if (!sound::readWholeFile(songPath(showModule).c_str(), bytes)) {
        state.SkipWithError("module missing");
        return;
    }
    auto renderer = sound::ModuleRenderer::open(bytes, 44100, -1);
    int16_t chunk[sound::kModuleChunkFrames * 2];
    int64_t frames = 0;
    for (auto _ : state) {
        for (int i = 0; i < 44100 / sound::kModuleChunkFrames; ++i) {
            frames += renderer->render(chunk, sound::kModuleChunkFrames);
        }
        benchmark::DoNotOptimize(chunk[0]);
    }
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(frames) / 44100.0,
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(RenderModule, corpus_song, false)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(RenderModule, show_module, true)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void MixModule(benchmark::State& state, bool showModule) {
    sound::testing::resetHooks();
    sound::testing::useManualClock(true);
    sound::init(44100, 32, sound::InitGlobalFocus);
    sound::Module* module = sound::loadModule(songPath(showModule).c_str());
    if (module == nullptr) {
        state.SkipWithError("module missing");
        return;
    }
    sound::playModule(module);
    int64_t frames = 0;
    for (auto _ : state) {
        sound::testing::advanceManualClock(1'000'000);  // one second of sound per iteration
        benchmark::DoNotOptimize(sound::getRow(module));
        frames += 44100;
    }
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(frames) / 44100.0,
                                                      benchmark::Counter::kIsRate);
    sound::testing::resetHooks();
}
BENCHMARK_CAPTURE(MixModule, corpus_song, false)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(MixModule, show_module, true)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// Plays the song on a simulated device with the given buffer, one frame at a
// time, and compares every change of the answered position with the frame at
// which the exact (one-frame) offline render changes to that position.
void AudiblePositionError(benchmark::State& state, bool showModule) {
    const std::string path = songPath(showModule);
    const int32_t bufferFrames = static_cast<int32_t>(state.range(0));
    const int64_t frames = 20 * 44100;
    sound::OfflineRender exact(path, -1, 1);
    if (!exact.ok()) {
        state.SkipWithError("module missing");
        return;
    }
    std::vector<int16_t> samples;
    std::vector<sound::ModulePosition> truth;
    exact.render(frames + 1, samples, truth);
    std::vector<int64_t> changes;  // frames at which the heard position changes
    for (size_t f = 1; f < truth.size(); ++f) {
        if (!(truth[f] == truth[f - 1])) changes.push_back(static_cast<int64_t>(f));
    }

    double worstMs = 0;
    double sumMs = 0;
    int64_t matched = 0;
    int64_t late = 0;
    for (auto _ : state) {
        sound::testing::resetHooks();
        platform::audio_double::reset();
        platform::audio_double::setAvailable(true);
        platform::audio_double::setBufferFrames(bufferFrames);
        sound::init(44100, 32, sound::InitGlobalFocus);
        sound::Module* module = sound::loadModule(path.c_str());
        const int64_t start = platform::audioDevicePosition().framesRendered;
        sound::playModule(module);
        platform::audio_double::advance(start);
        sound::ModulePosition previous{sound::getOrder(module), sound::getRow(module)};
        size_t next = 0;
        for (int64_t f = 1; f < frames && next < changes.size(); ++f) {
            platform::audio_double::advance(1);
            const sound::ModulePosition now{sound::getOrder(module), sound::getRow(module)};
            if (now == previous) continue;
            previous = now;
            // The answered change at module frame f against the heard one.
            const double errorMs = static_cast<double>(f - changes[next]) * 1000.0 / 44100.0;
            worstMs = std::max(worstMs, std::abs(errorMs));
            sumMs += std::abs(errorMs);
            late += errorMs > 0;
            ++matched;
            ++next;
        }
    }
    sound::testing::resetHooks();
    platform::audio_double::reset();
    state.counters["changes"] = static_cast<double>(matched);
    state.counters["worst_ms"] = worstMs;
    state.counters["mean_ms"] = matched ? sumMs / matched : 0;
    state.counters["late"] = static_cast<double>(late);
}
BENCHMARK_CAPTURE(AudiblePositionError, corpus_song, false)
    ->Arg(256)->Arg(1024)->Arg(4096)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(AudiblePositionError, show_module, true)
    ->Arg(1024)->Iterations(1)->Unit(benchmark::kMillisecond);

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void ModuleSeek(benchmark::State& state, bool showModule) {
    const std::string path = songPath(showModule);
    std::vector<std::byte> bytes;
    if (!sound::readWholeFile(path.c_str(), bytes)) {
        state.SkipWithError("module missing");
        return;
    }
    auto renderer = sound::ModuleRenderer::open(bytes, 44100, -1);
    const sound::ModulePosition target{static_cast<int32_t>(state.range(0)), 0};
    constexpr int32_t kBufferFrames = 1024;
    std::vector<int16_t> buffer(kBufferFrames * 2);
    double seekSeconds = 0;
    double bufferSeconds = 0;
    double preparedSeconds = 0;
    int64_t rounds = 0;

    platform::audio_double::reset();
    platform::audio_double::setAvailable(true);
    sound::testing::resetHooks();
    sound::init(44100, 32, sound::InitGlobalFocus);
    sound::Module* module = sound::loadModule(path.c_str());
    sound::playModule(module);
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        renderer->setPosition(target);
        seekSeconds += secondsSince(start);
        start = std::chrono::steady_clock::now();
        for (int32_t done = 0; done < kBufferFrames; done += sound::kModuleChunkFrames) {
            renderer->render(buffer.data() + done * 2, sound::kModuleChunkFrames);
        }
        bufferSeconds += secondsSince(start);
        // The layer's way: asked on the main thread, moved on the worker.
        start = std::chrono::steady_clock::now();
        sound::setModulePosition(module, target.order, target.row, 0);
        sound::testing::waitJumpPrepared(module, 10000);
        preparedSeconds += secondsSince(start);
        platform::audio_double::advance(kBufferFrames);  // the mixer takes it
        ++rounds;
    }
    sound::testing::resetHooks();
    platform::audio_double::reset();
    const double n = static_cast<double>(std::max<int64_t>(rounds, 1));
    state.counters["seek_ms"] = 1000 * seekSeconds / n;
    state.counters["buffer_render_ms"] = 1000 * bufferSeconds / n;
    state.counters["seek_x_buffer_render"] = seekSeconds / std::max(bufferSeconds, 1e-9);
    state.counters["seek_x_buffer_time"] = (seekSeconds / n) / (kBufferFrames / 44100.0);
    state.counters["prepared_ms"] = 1000 * preparedSeconds / n;
}
BENCHMARK_CAPTURE(ModuleSeek, show_module, true)
    ->Arg(4)->Arg(16)->Arg(29)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ModuleSeek, corpus_song, false)->Arg(10)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
