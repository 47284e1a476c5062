#include "render/overlay_text.h"

#include <GL/gl.h>

#include "render/overlay_font_layout.h"
#include "render/texture_manager.h"

namespace of = overlayfont;

OverlayText::~OverlayText() {
    if (textureName_ != 0) {
        const GLuint name = textureName_;
        glDeleteTextures(1, &name);
    }
}

bool OverlayText::load(const char* path, std::string* why) {
    const DecodedImage image = decodeImage(path);
    std::string reason;
    if (!image.ok()) {
        reason = "cannot be decoded as an image: " + image.failure;
    } else if (image.width != of::atlasWidthPx || image.height != of::atlasHeightPx) {
        reason = "is not the glyph atlas (wrong size)";
    }
    if (!reason.empty()) {
        if (why != nullptr) {
            *why = std::string(path != nullptr ? path : "(null)") + ": " + reason;
        }
        return false;
    }
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    if (textureName_ == 0) {
        GLuint name = 0;
        glGenTextures(1, &name);
        textureName_ = name;
    }
    glBindTexture(GL_TEXTURE_2D, textureName_);
    // Linear: drawn 1:1 in show pixels, smooth where the window scales them.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.rgba.data());
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    return true;
}

float OverlayText::lineHeightPx() { return static_cast<float>(of::cellHeightPx); }
float OverlayText::advancePx() { return static_cast<float>(of::cellWidthPx); }

void OverlayText::drawLine(float leftPx, float topPx, std::string_view text) const {
    if (textureName_ == 0 || text.empty()) {
        return;
    }
    glBindTexture(GL_TEXTURE_2D, textureName_);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
    glEnable(GL_TEXTURE_2D);

    // The decoded atlas has its bottom row first: a cell's top edge at
    // texel row y from the picture's top is t = 1 - y / height.
    constexpr float texelS = 1.0f / of::atlasWidthPx;
    constexpr float texelT = 1.0f / of::atlasHeightPx;
    const float cellW = advancePx();
    const float cellH = lineHeightPx();
    glBegin(GL_QUADS);
    float x = leftPx;
    for (const char byte : text) {
        int32_t c = static_cast<unsigned char>(byte);
        if (c < of::firstChar || c > of::lastChar) {
            c = '?';
        }
        const int32_t index = c - of::firstChar;
        const float s0 = static_cast<float>((index % of::columns) * of::cellWidthPx) * texelS;
        const float s1 = s0 + static_cast<float>(of::cellWidthPx) * texelS;
        const float t0 = 1.0f - static_cast<float>((index / of::columns) * of::cellHeightPx) * texelT;  // top
        const float t1 = t0 - static_cast<float>(of::cellHeightPx) * texelT;                           // bottom
        if (c != ' ') {
            glTexCoord2f(s0, t0);
            glVertex2f(x, topPx);
            glTexCoord2f(s0, t1);
            glVertex2f(x, topPx + cellH);
            glTexCoord2f(s1, t1);
            glVertex2f(x + cellW, topPx + cellH);
            glTexCoord2f(s1, t0);
            glVertex2f(x + cellW, topPx);
        }
        x += cellW;
    }
    glEnd();
}
