// A jump of the developer transport lands on the picture the capture tool
// gives for the same position with the same clock: both replay the show's
// state on one frame clock, and the first frame after the jump is that
// clock's next frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/dev_transport.h"
#include "app/sequencer.h"
#include "app/shell.h"
#include "capture_test_support.h"
#include "core/demo_config.h"
#include "loader/lw_object.h"
#include "music/music_player.h"
#include "scene_test_support.h"
#include "sound/double/sound_double.h"
#include "sound/sound.h"

namespace {

using namespace capture_test;

class DevSeekTest : public ShowViewTest {
protected:
    void SetUp() override {
        ShowViewTest::SetUp();
        if (IsSkipped()) return;
        if (!std::filesystem::exists(buildPath(demoConfig.modulePath)) ||
            !std::filesystem::exists(buildPath(heartObjectPath))) {
            GTEST_SKIP() << "assets not built yet";
        }
        std::filesystem::current_path(VEXEL_BUILD_DIR);
        ASSERT_TRUE(loadObjects());
        ASSERT_TRUE(loadImages());
        sound_double::reset();
        restartShow();
        musicPlayer.song = sound::loadModule("song");
        musicPlayer.playing = true;
    }
    void TearDown() override {
        restartShow();
        musicPlayer.cuePosition.reset();
        musicPlayer.song = nullptr;
        delete heartObject;
        heartObject = nullptr;
        ShowViewTest::TearDown();
    }
};

TEST_F(DevSeekTest, TheFirstFrameAfterAJumpIsTheCapturedStill) {
    for (const char* position : {"8:20", "28:16"}) {
        const std::string still = ownTempDir() + "still.png";
        ASSERT_EQ(runCapture(std::string("--still ") + position + " " + still), 0);
        const Picture captured = readPng(still);
        ASSERT_EQ(captured.width, 640);

        PositionMap map(demoConfig.modulePath);
        DevTransport transport(map, 0);
        const int order = std::atoi(position);
        const int row = std::atoi(std::strchr(position, ':') + 1);
        transport.seekTo(order, row);
        transport.beginFrame();
        drawFrame();
        const std::vector<uint8_t> shown = gl->readPixels();  // RGBA, bottom row first
        int64_t differing = 0;
        for (int32_t y = 0; y < 480; ++y) {
            for (int32_t x = 0; x < 640; ++x) {
                const uint8_t* a = &shown[(static_cast<size_t>(479 - y) * 640 + x) * 4];
                const uint8_t* b = captured.at(x, y);
                differing += a[0] != b[0] || a[1] != b[1] || a[2] != b[2];
            }
        }
        EXPECT_EQ(differing, 0) << position;
    }
}

}  // namespace
