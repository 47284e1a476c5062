#include "capture_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool parseInt(const std::string& text, int64_t minimum, int64_t maximum, int32_t& out) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    const int64_t value = std::strtoll(text.c_str(), nullptr, 10);
    if (value < minimum || value > maximum) {
        return false;
    }
    out = static_cast<int32_t>(value);
    return true;
}

// Dimensions stay within what the largest framebuffer objects and ffmpeg's
// H.264 encoder take: even (yuv420p), at least 16, at most 16384. Whether
// this renderer takes the size (with its anti-aliasing) is checked once a
// context exists.
bool parseSize(const std::string& text, int32_t& width, int32_t& height) {
    const auto x = text.find('x');
    if (x == std::string::npos) {
        return false;
    }
    return parseInt(text.substr(0, x), 16, kMaxFrameSide, width) &&
           parseInt(text.substr(x + 1), 16, kMaxFrameSide, height) && width % 2 == 0 && height % 2 == 0;
}

}  // namespace

std::optional<MusicPosition> parseMusicPosition(const std::string& text) {
    MusicPosition position;
    const auto colon = text.find(':');
    if (colon != std::string::npos) {
        position.isOrderRow = true;
        if (!parseInt(text.substr(0, colon), 0, 255, position.order) ||
            !parseInt(text.substr(colon + 1), 0, 255, position.row)) {
            return std::nullopt;
        }
        return position;
    }
    std::string number = text;
    if (!number.empty() && number.back() == 's') {
        number.pop_back();
    }
    if (number.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(number.c_str(), &end);
    if (errno != 0 || end != number.c_str() + number.size() || !std::isfinite(seconds) || seconds < 0.0 ||
        seconds > 24.0 * 3600.0) {
        return std::nullopt;
    }
    position.seconds = seconds;
    return position;
}

std::optional<CaptureOptions> parseCaptureOptions(const std::vector<std::string>& arguments,
                                                  std::string& error) {
    CaptureOptions options;
    size_t i = 0;
    // The value after an option, or an error naming the option.
    auto value = [&](const std::string& option, std::string& out) {
        if (i + 1 >= arguments.size()) {
            error = option + " needs a value";
            return false;
        }
        out = arguments[++i];
        return true;
    };
    for (; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        std::string text;
        if (option == "-h" || option == "--help") {
            options.help = true;
        } else if (option == "-q" || option == "--quiet") {
            options.quiet = true;
        } else if (option == "--fps") {
            if (!value(option, text) || !parseInt(text, 1, 240, options.fps)) {
                if (error.empty()) error = "--fps wants a whole number from 1 to 240, not '" + text + "'";
                return std::nullopt;
            }
        } else if (option == "--size") {
            if (!value(option, text) || !parseSize(text, options.width, options.height)) {
                if (error.empty()) error = "--size wants WxH with even sides from 16 to 16384, not '" + text + "'";
                return std::nullopt;
            }
        } else if (option == "--aa") {
            if (!value(option, text) || !parseInt(text, 1, 8, options.samplesPerPixel) ||
                (options.samplesPerPixel & (options.samplesPerPixel - 1)) != 0) {
                if (error.empty()) error = "--aa wants 1, 2, 4 or 8 samples a pixel, not '" + text + "'";
                return std::nullopt;
            }
        } else if (option == "--supersample") {
            options.supersample = true;
        } else if (option == "--gles2") {
            options.gles2 = true;
        } else if (option == "--gpu") {
            if (!value(option, text) || !parseInt(text, 0, 255, options.gpu)) {
                if (error.empty()) error = "--gpu wants an EGL device number from 0, not '" + text + "'";
                return std::nullopt;
            }
        } else if (option == "--from" || option == "--to") {
            if (!value(option, text)) {
                return std::nullopt;
            }
            auto position = parseMusicPosition(text);
            if (!position) {
                error = option + " wants ORDER:ROW or seconds, not '" + text + "'";
                return std::nullopt;
            }
            (option == "--from" ? options.from : options.to) = position;
        } else if (option == "--frames") {
            if (!value(option, options.framesDir)) return std::nullopt;
        } else if (option == "--wav") {
            if (!value(option, options.wavPath)) return std::nullopt;
        } else if (option == "--video") {
            if (!value(option, options.videoPath)) return std::nullopt;
        } else if (option == "--still") {
            if (!value(option, text)) return std::nullopt;
            auto position = parseMusicPosition(text);
            if (!position) {
                error = "--still wants ORDER:ROW or seconds, then a file, not '" + text + "'";
                return std::nullopt;
            }
            std::string path;
            if (!value(option, path)) {
                error = "--still needs a file after the position";
                return std::nullopt;
            }
            options.stills.push_back({*position, path});
        } else {
            error = "unknown option '" + option + "'";
            return std::nullopt;
        }
    }
    if (options.help) {
        return options;
    }
    const bool still = !options.stills.empty();
    const bool anyOutput = still || !options.framesDir.empty() || !options.wavPath.empty() ||
                           !options.videoPath.empty();
    if (!anyOutput) {
        error = "nothing to write: give --video FILE, --frames DIR, --wav FILE or --still ORDER:ROW FILE";
        return std::nullopt;
    }
    if (still && (!options.framesDir.empty() || !options.videoPath.empty() || !options.wavPath.empty() ||
                  options.from || options.to)) {
        error = "--still makes single pictures; it does not go with --frames, --video, --wav, --from or --to";
        return std::nullopt;
    }
    return options;
}

const char* captureUsage() {
    return "usage: tessaline-capture [options]\n"
           "Renders the show offscreen, frame-exact against the music.\n"
           "  --video FILE          H.264 + AAC video through ffmpeg\n"
           "  --frames DIR          PNG sequence (frame-000000.png, ...)\n"
           "  --wav FILE            the sound of the captured stretch\n"
           "  --still POS FILE      one picture at that music position (may repeat)\n"
           "  --fps N               frames per second (default 60)\n"
           "  --size WxH            frame size (default 640x480); another shape than 4:3\n"
           "                        gets the picture centred between black bars\n"
           "  --aa N                anti-aliasing, N = 1, 2, 4 or 8 samples a pixel\n"
           "                        (multisampled where the renderer has N samples,\n"
           "                        else supersampled; default 1)\n"
           "  --supersample         anti-alias by a larger framebuffer only\n"
           "  --gpu N               render on EGL device N (default: a GPU, else\n"
           "                        Mesa's surfaceless platform, else software)\n"
           "  --from POS, --to POS  ORDER:ROW or seconds (default: the whole first pass\n"
           "                        and a stretch of the closing scene)\n"
           "  --gles2               draw through the OpenGL ES 2 layer that the browser\n"
           "                        build draws with (tessaline-capture-gles2)\n"
           "  --quiet               no progress bar\n";
}
