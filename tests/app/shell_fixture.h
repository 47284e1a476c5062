#pragma once
// Puts the shell's global state and the platform double back to the start of
// a run before each test, and the configuration back after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "core/demo_config.h"
#include "app/frame_pacer.h"
#include "app/shell.h"
#include "app/window.h"
#include "music/music_player.h"
#include "platform/null/platform_double.h"

namespace scripted = platform::scripted;

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedConfig = demoConfig;
        scripted::reset();
        std::fill(std::begin(keys), std::end(keys), false);
        std::fill(std::begin(keyPresses), std::end(keyPresses), false);
        fullscreenWay = FullscreenWay::SwitchMode;
        letterboxed = false;
        wantedSamples = 0;
        vsyncPacing = false;
        currentViewport = PictureRect{};
        windowActive = true;
        windowHandles = WindowHandles{};
        musicPlayer.playing = false;
    }
    void TearDown() override { demoConfig = savedConfig; }

    // The window procedure in place, as after openWindow, with nothing recorded.
    static void registerWindowProc() {
        platform::registerWindowClass(windowProc);
        scripted::forgetCalls();
    }

    // The recorded calls from position `from` on.
    static std::vector<std::string> callsFrom(int32_t from) {
        const std::vector<std::string>& all = scripted::calls();
        if (from < 0 || static_cast<size_t>(from) > all.size()) {
            return {};
        }
        return {all.begin() + from, all.end()};
    }

    DemoConfig savedConfig{};
};
