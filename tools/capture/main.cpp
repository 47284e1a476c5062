// tessaline-capture: renders the show offscreen, frame-exact against the
// music, as a video, a PNG sequence, a WAV file or one still.
//
// It runs the show's own code (loader, texture manager, sequencer, scenes,
// renderer) on an offscreen context. Frame k shows the music at k / fps
// seconds: the tick count the frame clock reads is the music time of the frame
// in whole milliseconds, so each frame's elapsedMs is the difference of two
// such times and their sum never drifts from the music.
#include <GL/gl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/demo_config.h"
#include "core/demo_system.h"
#include "app/sequencer.h"
#include "app/shell.h"
#include "app/show_replay.h"
#include "app/window.h"
#include "capture_options.h"
#include "capture_platform.h"
#include "capture_sound.h"
#include "frame_composer.h"
#include "frame_output.h"
#include "music/music_player.h"
#include "progress_bar.h"
#include "wav_writer.h"

namespace {

constexpr int64_t kSampleRate = capture::kSampleRate;
static_assert(kSampleRate == FrameClock::kSampleRate, "the capture's sound and its frame clock agree");

// CPU seconds used so far by this process and its waited-for children
// (ffmpeg, once finished): on a shared machine a steadier cost than the wall
// clock.
double cpuSeconds() {
    double total = 0.0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        struct rusage usage{};
        getrusage(who, &usage);
        total += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "tessaline-capture: %s\n", message.c_str());
    return 1;
}

bool fileExists(const char* path) {
    struct stat info{};
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

// Runs the show's frames at music times that only move forward.
class ShowRunner {
public:
    explicit ShowRunner(const FrameClock& clock) : clock_(clock) {}

    // One frame of the show at frame index `frame` of the capture rate.
    void runFrame(int64_t frame) {
        enter(frame);
        drawFrame();
        nextFrame_ = frame + 1;
    }

    // Brings the show to just before `frame`: every frame before it is
    // stepped at the capture rate without being drawn, so the frames that
    // follow look exactly as in a capture from the start.
    void seekTo(int64_t frame) {
        stepShowFrames(nextFrame_, frame, [this](int64_t k) { enter(k); });
        nextFrame_ = std::max(nextFrame_, frame);
    }

private:
    // The capture clock and the music at frame k; the frame clock's tick
    // turns them into the frame's elapsedMs.
    void enter(int64_t frame) {
        capture::setClockMs(clock_.musicMsOf(frame));
        capture::setSpeakerFrame(clock_.sampleFrameOf(frame));
        demoSystem.tick();
    }

    const FrameClock& clock_;
    int64_t nextFrame_ = 0;
};

// A music position as a sample frame; -1 when the music never reaches it.
int64_t resolve(const MusicPosition& position, int64_t searchLimitFrame) {
    if (!position.isOrderRow) {
        return static_cast<int64_t>(position.seconds * kSampleRate);
    }
    return capture::firstFrameOf(position.order, position.row, searchLimitFrame);
}

std::string describe(const MusicPosition& position) {
    return position.isOrderRow ? std::to_string(position.order) + ":" + std::to_string(position.row)
                               : std::to_string(position.seconds) + " s";
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto parsed = parseCaptureOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!parsed) {
        std::fprintf(stderr, "tessaline-capture: %s\n(tessaline-capture --help lists the options)\n",
                     error.c_str());
        return 2;
    }
    const CaptureOptions& options = *parsed;
    if (options.help) {
        std::fputs(captureUsage(), stdout);
        return 0;
    }
    // The show always draws its own 640x480 picture; the output frame holds
    // it as large as fits, supersampled by the --aa grid.
    const FrameLayout layout =
        layoutFrame(options.width, options.height, demoConfig.width, demoConfig.height, options.samplesPerPixel);
    const int32_t largestSide = capture::largestFramebufferSide();
    if (largestSide > 0 && std::max(layout.renderWidth(), layout.renderHeight()) > largestSide) {
        std::fprintf(stderr,
                     "tessaline-capture: --size %dx%d with --aa %d needs a %dx%d framebuffer; this renderer "
                     "takes at most %dx%d (a smaller --size or --aa)\n",
                     options.width, options.height, options.samplesPerPixel, layout.renderWidth(),
                     layout.renderHeight(), largestSide, largestSide);
        return 2;
    }
    if (!options.videoPath.empty() && !ffmpegAvailable()) {
        return fail("ffmpeg is not installed, so no video can be made; install it (apt-get install ffmpeg) "
                    "or write a PNG sequence with --frames DIR");
    }
    if (!options.framesDir.empty() && mkdir(options.framesDir.c_str(), 0755) != 0 && errno != EEXIST) {
        return fail("cannot create the frames folder '" + options.framesDir + "'");
    }
    if (!fileExists(demoConfig.modulePath)) {
        return fail(std::string("the music '") + demoConfig.modulePath +
                    "' is missing; run the capture from the build folder after building");
    }

    // The show, as the entry point starts it, on an offscreen window of the
    // supersampled picture's size. Its projection keeps the picture's shape
    // (the window's own resize would take the grid's), drawn over the whole
    // framebuffer; nothing resizes the window after this.
    capture::setFrameSize(layout.renderWidth(), layout.renderHeight());
    if (!openWindow(demoConfig.title, layout.renderWidth(), layout.renderHeight(), demoConfig.bitsPerPixel, false)) {
        return fail(std::string("no offscreen OpenGL context: ") + capture::contextError());
    }
    resizeView(layout.picture.width, layout.picture.height);
    glViewport(0, 0, layout.renderWidth(), layout.renderHeight());
    const auto outputFrame = [&layout] { return composeFrame(capture::readFrame(), layout); };
    if (!loadObjects()) {
        return fail(std::string("cannot load '") + heartObjectPath + "'");
    }
    loadImages();
    musicPlayer.startModule();  // ends the process with status 1 on failure
    advancePart();

    const FrameClock clock(options.fps);
    ShowRunner show(clock);
    const double passSeconds = capture::firstPassSeconds();
    const int64_t passFrames = static_cast<int64_t>(passSeconds * kSampleRate);
    const int64_t searchLimit = passFrames + 60 * kSampleRate;

    if (!options.stills.empty()) {
        // Each still at the first frame showing its position, in music order.
        std::vector<std::pair<int64_t, std::string>> stills;
        for (const StillRequest& still : options.stills) {
            const int64_t sample = resolve(still.position, searchLimit);
            if (sample < 0) {
                return fail("the music never reaches " + describe(still.position));
            }
            stills.emplace_back(clock.firstFrameAt(sample), still.path);
        }
        std::stable_sort(stills.begin(), stills.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [frame, path] : stills) {
            show.seekTo(frame);
            show.runFrame(frame);
            if (!writeFramePng(path, outputFrame(), options.width, options.height)) {
                return fail("cannot write '" + path + "'");
            }
        }
        return 0;
    }

    const int64_t fromSample = options.from ? resolve(*options.from, searchLimit) : 0;
    if (fromSample < 0) {
        return fail("the music never reaches " + describe(*options.from));
    }
    int64_t toSample = options.to ? resolve(*options.to, searchLimit) : passFrames;
    if (toSample < 0) {
        return fail("the music never reaches " + describe(*options.to));
    }
    const int64_t startFrame = clock.firstFrameAt(fromSample);
    const int64_t endFrame = clock.firstFrameAt(toSample);
    if (endFrame <= startFrame) {
        return fail("--to lies before --from: nothing to capture");
    }
    toSample = clock.sampleFrameOf(endFrame);
    const int64_t firstSample = clock.sampleFrameOf(startFrame);
    capture::renderUpTo(toSample);

    std::string wavForVideo;
    if (!options.wavPath.empty() || !options.videoPath.empty()) {
        const auto all = capture::samples();
        const auto stretch = all.subspan(static_cast<size_t>(firstSample * 2),
                                         static_cast<size_t>((toSample - firstSample) * 2));
        wavForVideo = options.wavPath.empty() ? options.videoPath + ".audio.wav" : options.wavPath;
        if (!writeWav(wavForVideo, stretch, static_cast<int32_t>(kSampleRate), 2)) {
            return fail("cannot write '" + wavForVideo + "'");
        }
    }
    const bool picturesWanted = !options.framesDir.empty() || !options.videoPath.empty();
    if (!picturesWanted) {
        return 0;  // the sound alone
    }

    show.seekTo(startFrame);
    // Speed is reported for the captured stretch alone, seeking left out.
    const auto started = std::chrono::steady_clock::now();
    const double cpuAtStart = cpuSeconds();
    std::unique_ptr<VideoEncoder> video;
    if (!options.videoPath.empty()) {
        video = std::make_unique<VideoEncoder>(options.videoPath, wavForVideo, options.width, options.height,
                                               options.fps);
        if (!video->ok()) {
            return fail("cannot start ffmpeg");
        }
    }
    ProgressBar progress("capturing", endFrame - startFrame, !options.quiet);
    for (int64_t frame = startFrame; frame < endFrame; ++frame) {
        show.runFrame(frame);
        const std::vector<uint8_t> pixels = outputFrame();
        if (!options.framesDir.empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(frame - startFrame));
            if (!writeFramePng(options.framesDir + name, pixels, options.width, options.height)) {
                return fail("cannot write frames into '" + options.framesDir + "'");
            }
        }
        if (video && !video->write(pixels)) {
            return fail("ffmpeg stopped taking frames");
        }
        progress.update(frame - startFrame + 1);
    }
    progress.finish();
    if (video) {
        const bool encoded = video->finish();
        if (options.wavPath.empty()) {
            std::remove(wavForVideo.c_str());
        }
        if (!encoded) {
            return fail("ffmpeg failed to write '" + options.videoPath + "'");
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double cpu = cpuSeconds() - cpuAtStart;
    const double musicSeconds = static_cast<double>(toSample - firstSample) / kSampleRate;
    const auto frames = static_cast<double>(endFrame - startFrame);
    if (!options.quiet) {
        std::fprintf(stderr,
                     "tessaline-capture: %lld frames, %.1f s of music in %.1f s (%.2fx real time); "
                     "%.1f ms a frame, %.1f ms of CPU a frame (ffmpeg included)\n",
                     static_cast<long long>(endFrame - startFrame), musicSeconds, seconds,
                     seconds > 0.0 ? musicSeconds / seconds : 0.0, seconds * 1000.0 / frames, cpu * 1000.0 / frames);
    }
    return 0;
}
