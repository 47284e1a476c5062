#include "parts/demo_part.h"

#include <GL/gl.h>

#include "core/demo_config.h"
#include "render/texture_manager.h"

namespace {

// The backdrop and the veil share one quad: centred on the view axis at
// eye-space z = -5, 5.6 by 4.2 units, which fills a 45-degree 4:3 view there.
constexpr float quadDepth = -5.0f;
constexpr float quadHalfWidth = 2.8f;
constexpr float quadHalfHeight = 2.1f;

// Corners counter-clockwise as the viewer sees them, so the quad survives
// back-face culling; texture (0, 0) at the bottom left.
void emitScreenQuad() {
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-quadHalfWidth, -quadHalfHeight, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(quadHalfWidth, -quadHalfHeight, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(quadHalfWidth, quadHalfHeight, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-quadHalfWidth, quadHalfHeight, 0.0f);
}

}  // namespace

void DemoPart::drawBackdrop(int index) {
    textureManager.bind(static_cast<uint32_t>(index));
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    // Drawn after the scene without writing depth: hidden wherever the scene
    // is nearer than the quad, never hiding what comes after it.
    glDepthMask(GL_FALSE);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, quadDepth);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    emitScreenQuad();
    glEnd();
    glDepthMask(GL_TRUE);
    glDisable(GL_TEXTURE_2D);
}

void DemoPart::drawOverlay(int index, bool keepColour) {
    textureManager.bind(static_cast<uint32_t>(index));
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);

    // Read on every call: the orthographic box maps the configured size onto
    // the whole viewport, whatever the window's current size.
    const double width = static_cast<double>(demoConfig.width);
    const double height = static_cast<double>(demoConfig.height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    if (!keepColour) {
        glColor3f(1.0f, 1.0f, 1.0f);
    }
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2d(0.0, 0.0);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2d(width, 0.0);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2d(width, height);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2d(0.0, height);
    glEnd();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void DemoPart::render(int32_t) {}

void DemoPart::advance(int32_t) {}

void DemoPart::stop() { active = false; }

void DemoPart::start() { active = true; }

void DemoPart::drawFade(float elapsedMs) {
    stepFade(elapsedMs);
    drawVeil();
}

void DemoPart::stepFade(float elapsedMs) {
    // Not clamped: below 0 the veil is gone, above 1 GL clamps it opaque.
    fadeAlpha += elapsedMs * fadeRate;
}

void DemoPart::drawVeil() {
    if (!(fadeAlpha > 0.0f)) {
        return;
    }
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glTranslatef(0.0f, 0.0f, quadDepth);
    glBegin(GL_QUADS);
    glColor4f(fadeColour[0], fadeColour[1], fadeColour[2], fadeAlpha);
    emitScreenQuad();
    glEnd();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void DemoPart::fadeIn(float rate, float r, float g, float b) {
    fadeColour[0] = r;
    fadeColour[1] = g;
    fadeColour[2] = b;
    fadeRate = -rate;
    fadeAlpha = 1.0f;
}

void DemoPart::fadeOut(float rate, float r, float g, float b) {
    fadeRate = rate;
    fadeColour[0] = r;
    fadeColour[1] = g;
    fadeColour[2] = b;
    fadeAlpha = 0.0f;
}
