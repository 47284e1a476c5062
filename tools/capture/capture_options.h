#pragma once
// Command line of tessaline-capture. The show itself takes no arguments; the
// capture tool is the one place where a music position or a size is chosen.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A point in the music: an order and row of the module's first pass, or a
// time in seconds from the start.
struct MusicPosition {
    bool isOrderRow = false;
    int32_t order = 0;
    int32_t row = 0;
    double seconds = 0.0;
};

struct StillRequest {
    MusicPosition position;
    std::string path;
};

// The largest frame side --size takes.
constexpr int32_t kMaxFrameSide = 16384;

struct CaptureOptions {
    int32_t fps = 60;
    int32_t width = 640;
    int32_t height = 480;
    int32_t samplesPerPixel = 1;        // --aa: 1, 2, 4 or 8
    bool supersample = false;           // --supersample: never multisample for --aa
    int32_t gpu = -1;                   // --gpu N: EGL device N; -1: the preferred one
    std::optional<MusicPosition> from;  // default: the start
    std::optional<MusicPosition> to;    // default: first pass plus a stretch of the closing scene
    std::string framesDir;              // PNG sequence
    std::string wavPath;                // the sound of the captured stretch
    std::string videoPath;              // H.264 + AAC through ffmpeg
    std::vector<StillRequest> stills;   // single pictures (--still may repeat)
    bool gles2 = false;                 // --gles2: through the OpenGL ES 2 layer (tessaline-capture-gles2)
    bool quiet = false;                 // no progress bar
    bool help = false;
};

// Parses "ORDER:ROW" (both non-negative integers, row below 256) or seconds
// ("12.5", "12.5s"). Empty on anything else.
std::optional<MusicPosition> parseMusicPosition(const std::string& text);

// Parses argv[1..]; on failure returns nothing and sets `error` to a message
// that names the option and what was expected.
std::optional<CaptureOptions> parseCaptureOptions(const std::vector<std::string>& arguments,
                                                  std::string& error);

const char* captureUsage();
