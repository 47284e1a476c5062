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
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
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
#include "ffmpeg_encoder.h"
#include "frame_output.h"
#include "frame_pipeline.h"
#include "frame_writer.h"
#include "music/music_player.h"
#include "output_files.h"
#include "platform/offscreen_gl.h"
#include "progress_bar.h"
#include "stop_signals.h"
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

// A command-line mistake found before any work: one line, status 2.
int refuse(const std::string& message) {
    std::fprintf(stderr, "tessaline-capture: %s\n", message.c_str());
    return 2;
}

// The reason for a write that failed, in the OS's words.
std::string cannotWrite(const std::string& path) {
    return "cannot write '" + path + "': " + std::strerror(errno);
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
    // Stepped ten seconds at a time, so that a stop signal is heard; false
    // when one came.
    bool seekTo(int64_t frame) {
        while (nextFrame_ < frame && !capture::stopRequested("seek")) {
            const int64_t end = std::min(frame, nextFrame_ + 600);
            stepShowFrames(nextFrame_, end, [this](int64_t k) { enter(k); });
            nextFrame_ = end;
        }
        return capture::stopSignal() == 0;
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

// Why a run stopped: one line, this run's temporaries removed (ffmpeg ended
// first: it may still be writing its file), nothing that was there before
// touched. A stop signal gives the shell's 128 + signal status.
int abandonRun(capture::OutputFiles& files, VideoEncoder* video, const std::string& reason) {
    if (video != nullptr) {
        video->abort();
    }
    files.abandon();
    const int signal = capture::stopSignal();
    if (signal != 0) {
        std::fprintf(stderr, "\ntessaline-capture: stopped by %s; nothing written\n",
                     signal == SIGINT ? "SIGINT (Ctrl-C)" : "SIGTERM");
        return 128 + signal;
    }
    std::fprintf(stderr, "\ntessaline-capture: %s; nothing written\n", reason.c_str());
    return 1;
}

// The commit point: every output renamed into place, or, when a stop signal
// came first, the run abandoned. A signal after it changes nothing: the
// outputs are complete and stay, and the run ends with 0.
int publishRun(capture::OutputFiles& files) {
    std::string problem;
    if (!files.publish(problem)) {
        return problem.empty() ? abandonRun(files, nullptr, "stopped") : fail(problem);
    }
    if (capture::stopRequested("published")) {
        std::fprintf(stderr, "\ntessaline-capture: the %s came after the outputs were complete; they stay\n",
                     capture::stopSignal() == SIGINT ? "SIGINT (Ctrl-C)" : "SIGTERM");
    }
    return 0;
}

// "GL: llvmpipe (LLVM 15.0.6, 256 bits), Mesa, on surfaceless Mesa".
std::string rendererLine(const OffscreenGl& gl) {
    return "GL: " + gl.renderer() + ", " + gl.vendor() + ", on " + gl.display();
}

// Every output's folder, checked before any work: one line naming the
// option, or empty.
std::string checkTargets(const CaptureOptions& options) {
    const auto check = [](const char* option, const std::string& problem) {
        return problem.empty() ? problem : std::string(option) + ": " + problem;
    };
    std::string problem;
    if (!options.videoPath.empty()) {
        problem = check("--video", capture::checkTargetFolder(options.videoPath));
    }
    if (problem.empty() && !options.wavPath.empty()) {
        problem = check("--wav", capture::checkTargetFolder(options.wavPath));
    }
    if (problem.empty() && !options.framesDir.empty()) {
        problem = check("--frames", capture::checkFramesFolder(options.framesDir));
    }
    for (size_t i = 0; problem.empty() && i < options.stills.size(); ++i) {
        problem = check("--still", capture::checkTargetFolder(options.stills[i].path));
    }
    return problem;
}

// The devices --gpu can name, for the message when it names none.
std::string listDevices(const std::vector<OffscreenDevice>& devices) {
    if (devices.empty()) {
        return "this EGL lists no devices";
    }
    std::string text = "this machine has " + std::to_string(devices.size()) + ":";
    for (const OffscreenDevice& device : devices) {
        text += " " + std::to_string(device.index) + " (" + device.name + ")";
    }
    return text;
}

// This program draws through the OpenGL ES 2 layer (tessaline-capture-gles2,
// the same source built against the layer) or with the system's OpenGL.
constexpr bool kDrawsThroughGles2 = VEXEL_CAPTURE_GLES2;

// --gles2: the same run by the layered program beside this one, which takes
// the same options.
int runGles2Capture(char** argv) {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string layered(self, length > 0 ? static_cast<size_t>(length) : 0);
    layered = layered.substr(0, layered.rfind('/') + 1) + "tessaline-capture-gles2";
    execv(layered.c_str(), argv);
    std::fprintf(stderr, "tessaline-capture: --gles2: cannot run '%s': %s\n", layered.c_str(), std::strerror(errno));
    return 1;
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
    if (options.gles2 && !kDrawsThroughGles2) {
        return runGles2Capture(argv);
    }
    capture::installStopSignals();
    if (const std::string problem = checkTargets(options); !problem.empty()) {
        return refuse(problem);
    }
    const int32_t device = options.gpu >= 0 ? options.gpu : OffscreenGl::kAnyDevice;
    if (options.gpu >= 0) {
        const std::vector<OffscreenDevice> devices = offscreenDevices();
        if (static_cast<size_t>(options.gpu) >= devices.size()) {
            return refuse("--gpu " + std::to_string(options.gpu) + ": no such EGL device; " + listDevices(devices));
        }
    }
    // The show always draws its own 640x480 picture; the output frame holds
    // it as large as fits, anti-aliased by the --aa grid.
    const FrameLayout layout =
        layoutFrame(options.width, options.height, demoConfig.width, demoConfig.height, options.samplesPerPixel);
    const int32_t largestSide = capture::largestFramebufferSide(device);
    const int32_t neededSide = std::max({layout.renderWidth(), layout.renderHeight(), options.width, options.height});
    if (largestSide > 0 && neededSide > largestSide) {
        return refuse("--size " + std::to_string(options.width) + "x" + std::to_string(options.height) +
                      " with --aa " + std::to_string(options.samplesPerPixel) + " needs a " +
                      std::to_string(layout.renderWidth()) + "x" + std::to_string(layout.renderHeight()) +
                      " framebuffer; this renderer takes at most " + std::to_string(largestSide) + "x" +
                      std::to_string(largestSide) + " (a smaller --size or --aa)");
    }
    if (!options.videoPath.empty()) {
        if (const std::string problem = ffmpegProblem(); !problem.empty()) {
            return fail(problem);
        }
    }
    if (!fileExists(demoConfig.modulePath)) {
        return fail(std::string("the music '") + demoConfig.modulePath +
                    "' is missing; run the capture from the build folder after building");
    }

    // The show, as the entry point starts it, on an offscreen window of the
    // picture's render size; the context's own framebuffer has the output's
    // size and receives the finished frames. The projection keeps the
    // picture's shape, drawn over the whole render target; nothing resizes the
    // window after this.
    capture::setFrameSize(layout.renderWidth(), layout.renderHeight());
    capture::setContextTarget(options.width, options.height, device);
    if (!openWindow(demoConfig.title, layout.renderWidth(), layout.renderHeight(), demoConfig.bitsPerPixel, false)) {
        return fail(std::string("no offscreen OpenGL context: ") + capture::contextError());
    }
    OffscreenGl& gl = *capture::context();
    FramePipeline pipeline(gl, layout,
                           options.supersample ? AntiAliasing::Supersampled : AntiAliasing::Multisampled);
    if (!pipeline.ok()) {
        return fail(pipeline.error());
    }
    std::fprintf(stderr, "tessaline-capture: %s; %s\n", rendererLine(gl).c_str(), pipeline.describe().c_str());
    pipeline.beginFrame();
    resizeView(layout.picture.width, layout.picture.height);
    glViewport(0, 0, pipeline.targetWidth(), pipeline.targetHeight());
    if (!loadObjects()) {
        return fail(std::string("cannot load '") + heartObjectPath + "'");
    }
    loadImages();
    musicPlayer.startModule();  // ends the process with status 1 on failure
    advancePart();
    capture::OutputFiles files;
    if (capture::stopRequested("start")) {
        return abandonRun(files, nullptr, "stopped");
    }

    const FrameClock clock(options.fps);
    ShowRunner show(clock);
    const double passSeconds = capture::firstPassSeconds();
    const int64_t passFrames = static_cast<int64_t>(passSeconds * kSampleRate);
    const int64_t searchLimit = passFrames + 60 * kSampleRate;
    std::vector<uint8_t> pixels;

    if (!options.stills.empty()) {
        // Each still at the first frame showing its position, in music order.
        std::vector<std::pair<int64_t, std::string>> stills;
        for (const StillRequest& still : options.stills) {
            const int64_t sample = resolve(still.position, searchLimit);
            if (capture::stopSignal() != 0) {
                return abandonRun(files, nullptr, "stopped");
            }
            if (sample < 0) {
                return fail("the music never reaches " + describe(still.position));
            }
            stills.emplace_back(clock.firstFrameAt(sample), still.path);
        }
        std::stable_sort(stills.begin(), stills.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [frame, path] : stills) {
            if (!show.seekTo(frame)) {
                return abandonRun(files, nullptr, "stopped");
            }
            show.runFrame(frame);
            if (!pipeline.endFrame(pixels)) {
                pipeline.flush(pixels);
            }
            if (!writeFramePng(files.begin(path), pixels, options.width, options.height)) {
                return abandonRun(files, nullptr, cannotWrite(path));
            }
            if (capture::stopRequested("still")) {
                return abandonRun(files, nullptr, "stopped");
            }
        }
        return publishRun(files);
    }

    const int64_t fromSample = options.from ? resolve(*options.from, searchLimit) : 0;
    if (capture::stopSignal() != 0) {
        return abandonRun(files, nullptr, "stopped");
    }
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
    if (!capture::renderUpTo(toSample) && capture::stopSignal() != 0) {
        return abandonRun(files, nullptr, "stopped");
    }

    // The sound: the --wav file, or a temporary beside the video for ffmpeg.
    std::string wavWritten;
    if (!options.wavPath.empty() || !options.videoPath.empty()) {
        const auto all = capture::samples();
        const auto stretch = all.subspan(static_cast<size_t>(firstSample * 2),
                                         static_cast<size_t>((toSample - firstSample) * 2));
        const std::string wavTarget = options.wavPath.empty() ? options.videoPath + ".audio.wav" : options.wavPath;
        wavWritten = options.wavPath.empty() ? files.scratch(wavTarget) : files.begin(wavTarget);
        if (!writeWav(wavWritten, stretch, static_cast<int32_t>(kSampleRate), 2)) {
            return abandonRun(files, nullptr, cannotWrite(wavTarget));
        }
    }
    const bool picturesWanted = !options.framesDir.empty() || !options.videoPath.empty();
    if (!picturesWanted) {
        return publishRun(files);  // the sound alone
    }
    if (!options.framesDir.empty()) {
        if (mkdir(options.framesDir.c_str(), 0755) == 0) {
            files.madeFolder(options.framesDir);
        } else if (errno != EEXIST) {
            return abandonRun(files, nullptr, "cannot create the frames folder '" + options.framesDir +
                                                  "': " + std::strerror(errno));
        }
    }

    if (!show.seekTo(startFrame)) {
        return abandonRun(files, nullptr, "stopped");
    }
    // Speed is reported for the captured stretch alone, seeking left out.
    const auto started = std::chrono::steady_clock::now();
    const double cpuAtStart = cpuSeconds();
    std::unique_ptr<VideoEncoder> video;
    if (!options.videoPath.empty()) {
        video = std::make_unique<VideoEncoder>(files.begin(options.videoPath), wavWritten, options.width,
                                               options.height, options.fps);
        if (!video->ok()) {
            return abandonRun(files, video.get(), video->failure());
        }
    }
    // Frames come out of the pipeline one behind the drawing and are written
    // on the writer's thread; `problem` is read once that has stopped.
    std::atomic<int64_t> written = 0;
    std::string problem;
    const auto deliver = [&](const std::vector<uint8_t>& frame) {
        if (!options.framesDir.empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(written.load()));
            const std::string path = options.framesDir + name;
            if (!writeFramePng(files.begin(path), frame, options.width, options.height)) {
                problem = cannotWrite(path);
                return false;
            }
        }
        if (video && !video->write(frame)) {
            problem = video->failure();
            return false;
        }
        ++written;
        return true;
    };
    FrameWriter writer(deliver);
    // The writer stops (its write in progress done) before ffmpeg is ended.
    const auto stopRun = [&](const std::string& reason) {
        writer.cancel();
        return abandonRun(files, video.get(), reason.empty() ? problem : reason);
    };
    ProgressBar progress("capturing", endFrame - startFrame, !options.quiet);
    for (int64_t frame = startFrame; frame < endFrame; ++frame) {
        if (capture::stopRequested("frame")) {
            return stopRun("stopped");
        }
        show.runFrame(frame);
        if (pipeline.endFrame(pixels) && !writer.submit(pixels)) {
            return stopRun("");
        }
        if (!pipeline.ok()) {
            return stopRun(pipeline.error());
        }
        progress.update(written);
    }
    if ((pipeline.flush(pixels) && !writer.submit(pixels)) || !writer.finish()) {
        return stopRun("");
    }
    progress.update(written);
    progress.finish();
    if (video && !video->finish()) {
        return abandonRun(files, video.get(), "the video was not finished: " + video->failure());
    }
    if (const int status = publishRun(files); status != 0) {
        return status;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double cpu = cpuSeconds() - cpuAtStart;
    const double musicSeconds = static_cast<double>(toSample - firstSample) / kSampleRate;
    const auto frames = static_cast<double>(endFrame - startFrame);
    {
        std::fprintf(stderr,
                     "tessaline-capture: %lld frames, %.1f s of music in %.1f s (%.2fx real time); "
                     "%.1f ms a frame, %.1f ms of CPU a frame (ffmpeg included); %s\n",
                     static_cast<long long>(endFrame - startFrame), musicSeconds, seconds,
                     seconds > 0.0 ? musicSeconds / seconds : 0.0, seconds * 1000.0 / frames, cpu * 1000.0 / frames,
                     rendererLine(gl).c_str());
    }
    return 0;
}
