// The capture's pace against the encoder's floor, measured side by side in
// one run: tessaline-capture renders a stretch into a video (its own figure:
// wall ms a frame), then ffmpeg alone encodes the same frames with the same
// settings (VideoEncoder, fed from memory as fast as it takes them). Prints
// both figures and their ratio. The frames for the encoder-only run are the
// capture's video decoded again: the same pictures to within the encoder's
// rounding, so the same work for it.
//
//   bench_capture_pace [--size WxH] [--aa N] [--from POS] [--to POS] [capture options...]
// Run from the build folder (the capture finds its data there).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ffmpeg_encoder.h"
#include "stop_signals.h"
#include "wav_writer.h"

namespace {

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace

int main(int argc, char** argv) {
    std::string size = "1920x1080";
    std::string aa = "4";
    std::string from = "40";
    std::string to = "44";
    std::string extra;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        std::string* value = option == "--size" ? &size : option == "--aa" ? &aa : option == "--from" ? &from
                             : option == "--to" ? &to : nullptr;
        if (value != nullptr && i + 1 < argc) {
            *value = argv[++i];
        } else {
            extra += " " + shellQuote(option);
        }
    }
    int width = 0;
    int height = 0;
    if (std::sscanf(size.c_str(), "%dx%d", &width, &height) != 2) {
        std::fprintf(stderr, "bench_capture_pace: --size wants WxH\n");
        return 2;
    }
    const std::string dir = "/tmp/bench-capture-pace-" + std::to_string(getpid());
    const std::string video = dir + "/capture.mp4";
    const std::string log = dir + "/capture.log";
    std::system(("mkdir -p " + shellQuote(dir)).c_str());

    // 1. The capture, as the user runs it.
    const std::string capture = "./tessaline-capture --quiet --size " + size + " --aa " + aa + " --from " +
                                shellQuote(from) + " --to " + shellQuote(to) + extra + " --video " + video;
    if (std::system((capture + " 2>" + log).c_str()) != 0) {
        std::fprintf(stderr, "bench_capture_pace: the capture failed:\n%s\n", capture.c_str());
        std::system(("cat " + log + "; rm -rf " + shellQuote(dir)).c_str());
        return 1;
    }
    std::ifstream logFile(log);
    const std::string text{std::istreambuf_iterator<char>(logFile), std::istreambuf_iterator<char>()};
    const auto figures = text.rfind("tessaline-capture: ");
    long long frames = 0;
    double captureMs = 0.0;
    const auto msAt = text.find(" ms a frame", figures);
    const auto msFrom = text.rfind(' ', msAt - 1);
    if (figures == std::string::npos || msAt == std::string::npos ||
        std::sscanf(text.c_str() + figures, "tessaline-capture: %lld frames", &frames) != 1) {
        std::fprintf(stderr, "bench_capture_pace: no figures in the capture's output:\n%s", text.c_str());
        return 1;
    }
    captureMs = std::atof(text.substr(msFrom + 1, msAt - msFrom - 1).c_str());
    const auto rendererAt = text.find("GL: ", figures);
    const std::string renderer =
        rendererAt == std::string::npos ? "?" : text.substr(rendererAt, text.find('\n', rendererAt) - rendererAt);

    // 2. The same frames, decoded into memory (not timed), bottom row first as the capture sends them.
    const size_t frameBytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    std::vector<std::vector<uint8_t>> decoded;
    std::FILE* decoder = popen(("ffmpeg -v error -i " + video + " -vf vflip -f rawvideo -pix_fmt rgba -").c_str(), "r");
    for (;;) {
        std::vector<uint8_t> frame(frameBytes);
        if (decoder == nullptr || std::fread(frame.data(), 1, frameBytes, decoder) != frameBytes) {
            break;
        }
        decoded.push_back(std::move(frame));
    }
    if (decoder != nullptr) {
        pclose(decoder);
    }
    if (decoded.empty()) {
        std::fprintf(stderr, "bench_capture_pace: cannot decode %s\n", video.c_str());
        return 1;
    }
    const std::vector<int16_t> silence(static_cast<size_t>(decoded.size()) * 44100 / 60 * 2 + 2, 0);
    const std::string wav = dir + "/silence.wav";
    writeWav(wav, silence, 44100, 2);

    // 3. ffmpeg alone, fed from memory.
    capture::installStopSignals();
    const auto started = std::chrono::steady_clock::now();
    VideoEncoder encoder(dir + "/encoder-only.mp4", wav, width, height, 60);
    bool encoded = encoder.ok();
    for (const auto& frame : decoded) {
        encoded = encoded && encoder.write(frame);
    }
    encoded = encoded && encoder.finish();
    const double encoderMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count() /
        static_cast<double>(decoded.size());
    std::system(("rm -rf " + shellQuote(dir)).c_str());
    if (!encoded) {
        std::fprintf(stderr, "bench_capture_pace: ffmpeg alone failed: %s\n", encoder.failure().c_str());
        return 1;
    }
    std::printf("%s --aa %s, %lld frames (%s)\n", size.c_str(), aa.c_str(), frames, renderer.c_str());
    std::printf("  capture:      %7.1f ms a frame (wall)\n", captureMs);
    std::printf("  ffmpeg alone: %7.1f ms a frame (wall, the same frames)\n", encoderMs);
    std::printf("  ratio:        %7.2f\n", captureMs / encoderMs);
    return 0;
}
