#include "parts/rising_hearts_part.h"

#include <GL/gl.h>

#include "app/shell.h"
#include "loader/lw_object.h"
#include "music/music_player.h"

namespace risingHearts {

float riseHeight[heartCount] = {};
float tumbleAngle = 0.0f;
bool fadeStarted = false;
bool heightsSet = false;

const float heartDepths[heartCount] = {-4.7f, -4.9f, -4.8f, -5.0f, -4.6f, -4.7f, -4.9f};
const float tumbleFactor[heartCount] = {1.0f, 1.2f, 0.6f, 0.9f, 1.3f, 0.7f, 1.1f};
const float riseSpeed[heartCount] = {0.0003f, 0.0002f, 0.00023f, 0.00017f, 0.0003f, 0.00028f, 0.0002f};

// Single precision, as the positions and axes are specified.
float heartX(int heart) { return static_cast<float>(heart) * 0.8333333f - 2.5f; }

void resetState() {
    for (float& height : riseHeight) {
        height = 0.0f;
    }
    tumbleAngle = 0.0f;
    fadeStarted = false;
    heightsSet = false;
}

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
    row = musicPlayer.getRow();
    order = musicPlayer.getOrder();

    if (!heightsSet) {
        for (float& height : riseHeight) {
            height = bottomHeight;
        }
        heightsSet = true;
    }

    for (int i = 0; i < heartCount; ++i) {
        const float f = static_cast<float>(i);
        glLoadIdentity();
        glTranslatef(heartX(i), riseHeight[i], heartDepths[i]);
        glRotatef(tumbleAngle * tumbleFactor[i], 0.3f + 0.05f * f, 0.1f + 0.06666667f * f,
                  0.4f + 0.05555556f * f);
        glScalef(heartScale, heartScale, heartScale);
        if (heartObject != nullptr) {
            heartObject->draw(SphereMappedImmediate);
        }
        // Drawn at the height from before the rise; the wrap shows next frame.
        riseHeight[i] += static_cast<float>(elapsedMs) * riseSpeed[i];
        if (riseHeight[i] > topHeight) {
            riseHeight[i] = bottomHeight;
        }
    }

    drawBackdrop(backdropTexture);
    drawOverlay(overlayTexture, false);
    if (order == startOrder && row == 0 && !fadeStarted) {
        fadeIn(0.001f, 0.0f, 0.0f, 0.0f);
        fadeStarted = true;
    }
    drawFade(static_cast<float>(elapsedMs));
    tumbleAngle += static_cast<float>(elapsedMs) * tumblePerMs;
}
