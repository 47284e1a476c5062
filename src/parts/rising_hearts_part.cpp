#include "parts/rising_hearts_part.h"

#include <GL/gl.h>

#include "loader/lw_object.h"
#include "music/music_player.h"

namespace risingHearts {

const float heartDepths[heartCount] = {-4.7f, -4.9f, -4.8f, -5.0f, -4.6f, -4.7f, -4.9f};
const float tumbleFactor[heartCount] = {1.0f, 1.2f, 0.6f, 0.9f, 1.3f, 0.7f, 1.1f};
const float riseSpeed[heartCount] = {0.0003f, 0.0002f, 0.00023f, 0.00017f, 0.0003f, 0.00028f, 0.0002f};

// In single precision, as every position and axis of this scene is a float
// constant: the picture was tuned with them.
float heartX(int heart) { return static_cast<float>(heart) * 0.8333333f - 2.5f; }

}  // namespace risingHearts

namespace {

using namespace risingHearts;

constexpr float heartScale = 0.3f;
constexpr float tumblePerMs = 0.05f;  // degrees per millisecond, before each heart's factor
constexpr int backdropTexture = 1;
constexpr int overlayTexture = 6;
// Where the opening scene ends; the first frame here sees its row 0 again.
constexpr int32_t startOrder = 26;

}  // namespace

void RisingHeartsPart::render(int32_t elapsedMs) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw(step(elapsedMs));
}

void RisingHeartsPart::advance(int32_t elapsedMs) { step(elapsedMs); }

RisingHeartsPart::Frame RisingHeartsPart::step(int32_t elapsedMs) {
    row = musicPlayer.getRow();
    order = musicPlayer.getOrder();

    if (!state_.heightsSet) {
        for (float& height : state_.riseHeight) {
            height = bottomHeight;
        }
        state_.heightsSet = true;
    }
    // Drawn at the heights from before the rise; a wrap shows next frame.
    Frame frame;
    frame.tumbleAngle = state_.tumbleAngle;
    for (int i = 0; i < heartCount; ++i) {
        frame.riseHeight[i] = state_.riseHeight[i];
        state_.riseHeight[i] += static_cast<float>(elapsedMs) * riseSpeed[i];
        if (state_.riseHeight[i] > topHeight) {
            state_.riseHeight[i] = bottomHeight;
        }
    }
    if (order == startOrder && row == 0 && !state_.fadeStarted) {
        fadeIn(0.001f, 0.0f, 0.0f, 0.0f);
        state_.fadeStarted = true;
    }
    stepFade(static_cast<float>(elapsedMs));
    state_.tumbleAngle += static_cast<float>(elapsedMs) * tumblePerMs;
    return frame;
}

void RisingHeartsPart::draw(const Frame& frame) {
    for (int i = 0; i < heartCount; ++i) {
        const float f = static_cast<float>(i);
        glLoadIdentity();
        glTranslatef(heartX(i), frame.riseHeight[i], heartDepths[i]);
        glRotatef(frame.tumbleAngle * tumbleFactor[i], 0.3f + 0.05f * f, 0.1f + 0.06666667f * f,
                  0.4f + 0.05555556f * f);
        glScalef(heartScale, heartScale, heartScale);
        if (heart_ != nullptr) {
            heart_->draw(SphereMappedImmediate);
        }
    }
    drawBackdrop(backdropTexture);
    drawOverlay(overlayTexture, false);
    drawVeil();
}
