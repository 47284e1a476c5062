#pragma once
// The show's command line. With no arguments the show runs as configured in
// demoConfig; each option only overrides a choice. New options are one row of
// the table in options.cpp.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// Where the show goes on the screen.
enum class ScreenMode {
    Configured,  // demoConfig.fullscreen: a 640x480 full-screen mode, asking before a window
    Windowed,    // --window
    Scaled,      // --scaled: the desktop's own mode, the picture letterboxed, no question
};

// The A/V offset's range, milliseconds either way.
constexpr int32_t kAvOffsetLimitMs = 500;

struct ShowOptions {
    ScreenMode screenMode = ScreenMode::Configured;
    bool dev = false;        // --dev: transport keys, overlay, hot reload
    int32_t avOffsetMs = 0;  // --av-offset-ms N: cues follow the heard position moved by N ms (positive: later)
    int32_t aaSamples = 0;   // --aa N: multisampling, N samples a pixel (1, 2, 4, 8); 0 not asked
    int32_t display = -1;    // --display N: full screen or the window on display N; -1 not asked
    bool vsync = false;      // --vsync: swaps on the refresh, frames paced where the swap does not wait
    bool listDisplays = false;  // --displays: print the displays and play nothing
    bool help = false;  // --help: print the option list and play nothing
    bool version = false;  // --version: print the release's version and play nothing
};

struct ParsedOptions {
    ShowOptions options;
    std::string error;  // empty when the command line was understood
};

// argv[0] is the program and is skipped.
ParsedOptions parseOptions(int argc, const char* const* argv);
// Displays above this are refused as bad values, before any display is asked.
constexpr int32_t kDisplayLimit = 63;

// One line a display, "  N: WIDTHxHEIGHT at X,Y, HZ Hz, NAME" (the rate
// and the name where known), as --displays prints them.
std::string displayList(const std::vector<platform::DisplayInfo>& displays);
// The --help text: usage line and one line per option, from the table.
std::string optionsHelp(const char* program);
