// The show with music switched off: no module plays, the sound layer's
// silent score clock answers the order and row queries, and the whole show
// still runs from the black opening into the closing scene. GL is called
// with no context current (every call does nothing), so only the scenes'
// logic runs, on a cube standing in for the heart.
#include <gtest/gtest.h>

#include "core/demo_system.h"
#include "app/sequencer.h"
#include "app/shell.h"
#include "loader/lw_object.h"
#include "music/music_player.h"
#include "parts/pulsing_heart_part.h"
#include "parts/rising_hearts_part.h"
#include "sound/sound_test_hooks.h"

namespace {

LwObject makeTetrahedron() {
    LwObject object;
    object.points = {{0, 0.5f, 0}, {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}, {0, -0.5f, -0.5f}};
    object.basePoints = object.points;
    object.normals = object.points;
    object.uvs.assign(4, TexCoord{0, 0});
    object.triangles = {{{0, 1, 2}}, {{0, 2, 3}}, {{0, 3, 1}}, {{1, 3, 2}}};
    object.surfaces.resize(1);
    object.surfaces[0].clipIndex = 1;
    object.surfaceTriangles.resize(1);
    object.surfaceTriangles[0].triangles = object.triangles;
    return object;
}

TEST(SilentShowTest, TheScoreClockCarriesTheShowIntoTheClosingScene) {
    sound::testing::resetHooks();
    sound::testing::useManualClock(true);
    restartShow();
    LwObject heart = makeTetrahedron();
    heartObject = &heart;
    musicPlayer.song = nullptr;
    musicPlayer.forgetRow();
    musicPlayer.playing = true;  // as the entry point does with music off
    ASSERT_TRUE(advancePart());

    // Frames of 20 ms: well inside a row (120 ms), so the frame after the
    // first scene's last one still falls on row 0 of order 26.
    constexpr uint32_t frameMs = 20;
    demoSystem.frameTime = frameMs;
    bool fadedIn = false;
    bool jumped = false;
    bool fadedOut = false;
    int32_t switchedAtOrder = -1;
    for (int frame = 0; frame < 11000 && switchedAtOrder < 0; ++frame) {
        drawFrame();
        auto* first = dynamic_cast<PulsingHeartPart*>(currentPart);
        if (first != nullptr) {
            fadedIn = fadedIn || (first->order == 1 && first->fadeRate < 0.0f);
            jumped = jumped || sceneStates.pulsingHeart.heartDepth == -2.2f;
            fadedOut = fadedOut || (first->order == 25 && first->fadeRate > 0.0f);
        } else {
            switchedAtOrder = currentPart->order;
        }
        sound::testing::advanceManualClock(frameMs * 1000);
    }
    EXPECT_TRUE(fadedIn) << "the opening fade at row 0 of order 1";
    EXPECT_TRUE(jumped) << "beat jumps from order 4";
    EXPECT_TRUE(fadedOut) << "the fade to black at row 48 of order 25";
    EXPECT_EQ(switchedAtOrder, 26) << "the first scene ends at order 26";
    EXPECT_TRUE(sceneStates.risingHearts.fadeStarted) << "the closing scene saw row 0 of order 26";
    EXPECT_EQ(currentPart->row, 0);

    restartShow();
    heartObject = nullptr;
    sound::testing::resetHooks();
}

}  // namespace
