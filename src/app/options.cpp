#include "app/options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

struct OptionRow {
    const char* name;
    const char* argument;  // name of the option's value, or nullptr for a flag
    const char* help;
    // Applies the option; value is null for a flag. Returns an error text,
    // empty when the value was accepted.
    std::string (*apply)(ShowOptions& options, const char* value);
};

constexpr OptionRow optionTable[] = {
    {"--window", nullptr, "play in a window that can be resized and maximised",
     [](ShowOptions& o, const char*) {
         o.screenMode = ScreenMode::Windowed;
         return std::string();
     }},
    {"--scaled", nullptr,
     "full screen at the desktop's own resolution, the picture scaled to fit with black bars",
     [](ShowOptions& o, const char*) {
         o.screenMode = ScreenMode::Scaled;
         return std::string();
     }},
    {"--dev", nullptr, "developer mode: transport keys, overlay (F1), hot reload of the data",
     [](ShowOptions& o, const char*) {
         o.dev = true;
         return std::string();
     }},
    {"--av-offset-ms", "N",
     "move the picture's cues N ms later than the sound (negative: earlier), -500 to 500",
     [](ShowOptions& o, const char* value) {
         char* end = nullptr;
         errno = 0;
         const long ms = std::strtol(value, &end, 10);
         if (errno != 0 || end == value || *end != '\0') {
             return std::string("'") + value + "' is not a whole number of milliseconds";
         }
         if (ms < -kAvOffsetLimitMs || ms > kAvOffsetLimitMs) {
             return std::string("'") + value + "' is outside -500 to 500";
         }
         o.avOffsetMs = static_cast<int32_t>(ms);
         return std::string();
     }},
    {"--aa", "N", "anti-aliasing: N samples a pixel (1, 2, 4 or 8), fewer where the display has not",
     [](ShowOptions& o, const char* value) {
         for (int32_t samples : {1, 2, 4, 8}) {
             if (std::strcmp(value, std::to_string(samples).c_str()) == 0) {
                 o.aaSamples = samples;
                 return std::string();
             }
         }
         return std::string("'") + value + "' is not 1, 2, 4 or 8";
     }},
    {"--display", "N", "full screen (or the window) on display N, counted from 0; see --displays",
     [](ShowOptions& o, const char* value) {
         char* end = nullptr;
         errno = 0;
         const long index = std::strtol(value, &end, 10);
         if (errno != 0 || end == value || *end != '\0' || index < 0 || index > kDisplayLimit) {
             return std::string("'") + value + "' is not a display number (0, 1, ...)";
         }
         o.display = static_cast<int32_t>(index);
         return std::string();
     }},
    {"--vsync", nullptr,
     "wait for the display's refresh between frames (a virtual machine, a software renderer)",
     [](ShowOptions& o, const char*) {
         if (o.vsync) {
             return std::string("given twice");
         }
         o.vsync = true;
         return std::string();
     }},
    {"--displays", nullptr, "list the displays and exit",
     [](ShowOptions& o, const char*) {
         o.listDisplays = true;
         return std::string();
     }},
    {"--help", nullptr, "show this list and exit",
     [](ShowOptions& o, const char*) {
         o.help = true;
         return std::string();
     }},
    {"--version", nullptr, "print the version and exit",
     [](ShowOptions& o, const char*) {
         o.version = true;
         return std::string();
     }},
};

const OptionRow* findOption(const char* name) {
    for (const OptionRow& row : optionTable) {
        if (std::strcmp(row.name, name) == 0) {
            return &row;
        }
    }
    return nullptr;
}

// An argument that is no option: a flag given a value ("--vsync=1", or
// "--vsync 1"), said as such, or else an unknown option.
std::string unknownOptionError(const char* argument, const OptionRow* previous) {
    const char* equals = std::strchr(argument, '=');
    if (equals != nullptr) {
        const std::string name(argument, equals);
        const OptionRow* row = findOption(name.c_str());
        if (row != nullptr && row->argument == nullptr) {
            return name + " takes no value ('" + argument + "')";
        }
        if (row != nullptr) {
            return name + ": the value goes after a space (" + name + " " + row->argument + ")";
        }
    }
    if (previous != nullptr && previous->argument == nullptr && argument[0] != '-') {
        return std::string(previous->name) + " takes no value ('" + argument + "')";
    }
    return std::string("unknown option '") + argument + "'";
}

}  // namespace

ParsedOptions parseOptions(int argc, const char* const* argv) {
    ParsedOptions parsed;
    for (int i = 1; i < argc; ++i) {
        const OptionRow* row = findOption(argv[i]);
        if (row == nullptr) {
            parsed.error = unknownOptionError(argv[i], i > 1 ? findOption(argv[i - 1]) : nullptr);
            return parsed;
        }
        const char* value = nullptr;
        if (row->argument != nullptr) {
            if (i + 1 >= argc) {
                parsed.error = std::string(row->name) + " needs a value (" + row->argument + ")";
                return parsed;
            }
            value = argv[++i];
        }
        const std::string error = row->apply(parsed.options, value);
        if (!error.empty()) {
            parsed.error = std::string(row->name) + ": " + error;
            return parsed;
        }
    }
    return parsed;
}

std::string displayList(const std::vector<platform::DisplayInfo>& displays) {
    std::string text;
    for (size_t i = 0; i < displays.size(); ++i) {
        const platform::DisplayInfo& d = displays[i];
        text += "  " + std::to_string(i) + ": " + std::to_string(d.bounds.right - d.bounds.left) + "x" +
                std::to_string(d.bounds.bottom - d.bounds.top) + " at " + std::to_string(d.bounds.left) + "," +
                std::to_string(d.bounds.top);
        if (d.refreshHz > 0) {
            text += ", " + std::to_string(d.refreshHz) + " Hz";
        }
        if (!d.name.empty()) {
            text += ", " + d.name;
        }
        text += "\n";
    }
    return text;
}

std::string optionsHelp(const char* program) {
    std::string text = std::string("usage: ") + program + " [option...]\n" +
                       "Plays the show full screen; Escape ends it.\n\noptions:\n";
    for (const OptionRow& row : optionTable) {
        std::string left = std::string("  ") + row.name;
        if (row.argument != nullptr) {
            left += std::string(" ") + row.argument;
        }
        left.resize(left.size() < 20 ? 20 : left.size() + 1, ' ');
        text += left + row.help + "\n";
    }
    return text;
}
