// The opening scene's arithmetic: the wobble and the text alpha.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "app/sequencer.h"
#include "app/shell.h"
#include "loader/lw_object.h"
#include "parts/pulsing_heart_part.h"

namespace {

TEST(WobbleTest, OriginAtStartPhaseAndFullStrength) {
    Vec3 point{0.0f, 0.0f, 0.0f};
    pulsingHeart::wobblePoint(point, 90.0f, 1.0f);
    EXPECT_NEAR(point.x, 0.0356, 1e-4);
    EXPECT_NEAR(point.y, -0.1292, 1e-4);
    // z from the new x; with the old x (0) it would be about -0.4329.
    EXPECT_NEAR(point.z, -0.4117, 1e-4);
}

TEST(WobbleTest, StrengthScalesTheDisplacementAndZeroKeepsThePoint) {
    const Vec3 start{0.3f, -0.2f, 0.1f};
    Vec3 full = start;
    pulsingHeart::wobblePoint(full, 130.0f, 1.0f);
    Vec3 none = start;
    pulsingHeart::wobblePoint(none, 130.0f, 0.0f);
    EXPECT_EQ(none.x, start.x);
    EXPECT_EQ(none.y, start.y);
    EXPECT_EQ(none.z, start.z);
    // x and y depend on the old coordinates only: half strength, half the move.
    Vec3 half = start;
    pulsingHeart::wobblePoint(half, 130.0f, 0.5f);
    EXPECT_NEAR(half.x - start.x, (full.x - start.x) / 2.0f, 1e-6);
    EXPECT_NEAR(half.y - start.y, (full.y - start.y) / 2.0f, 1e-6);
}

TEST(WobbleTest, AmplitudeIsBounded) {
    // |x move| <= 0.2 x 1.5, |y move| <= 0.2 x 0.75, |z move| <= 0.2 x 7/3.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
    std::uniform_real_distribution<float> angle(0.0f, 3600.0f);
    for (int i = 0; i < 1000; ++i) {
        const Vec3 start{coordinate(random), coordinate(random), coordinate(random)};
        Vec3 moved = start;
        pulsingHeart::wobblePoint(moved, angle(random), 1.0f);
        EXPECT_LE(std::fabs(moved.x - start.x), 0.3f + 1e-6f);
        EXPECT_LE(std::fabs(moved.y - start.y), 0.15f + 1e-6f);
        EXPECT_LE(std::fabs(moved.z - start.z), 0.2f * 7.0f / 3.0f + 1e-6f);
    }
}

TEST(TextAlphaTest, StaysWithinZeroAndNineTenths) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    std::mt19937 random(11);
    std::uniform_int_distribution<int32_t> frameMs(0, 3000);
    std::bernoulli_distribution rising(0.5);
    for (int i = 0; i < 2000; ++i) {
        part.textRising = rising(random);
        part.stepTextAlpha(0.0001f, frameMs(random));
        ASSERT_GE(part.textAlpha, 0.0f);
        ASSERT_LE(part.textAlpha, 0.9f);
    }
}

TEST(TextAlphaTest, NineSecondsUpAndNineDown) {
    PulsingHeartPart part(sceneStates.pulsingHeart, heartObject);
    EXPECT_EQ(part.textAlpha, 0.0f);
    EXPECT_TRUE(part.textRising);
    for (int i = 0; i < 45; ++i) {
        part.stepTextAlpha(0.0001f, 100);
    }
    EXPECT_NEAR(part.textAlpha, 0.45f, 1e-4);
    for (int i = 0; i < 60; ++i) {
        part.stepTextAlpha(0.0001f, 100);
    }
    EXPECT_EQ(part.textAlpha, 0.9f);
    part.textRising = false;
    part.stepTextAlpha(0.0001f, 4500);
    EXPECT_NEAR(part.textAlpha, 0.45f, 1e-4);
    part.stepTextAlpha(0.0001f, 4600);
    EXPECT_EQ(part.textAlpha, 0.0f);
}

}  // namespace
