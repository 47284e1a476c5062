#include "app/dev_overlay.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "core/demo_config.h"
#include "render/overlay_text.h"

namespace {

constexpr float marginPx = 8.0f;   // from the picture's top and left edges
constexpr float paddingPx = 6.0f;  // between the panel's edge and its text
constexpr size_t maxColumns = 56;  // characters per line; longer errors wrap
constexpr size_t maxErrorLines = 3;

// Light text on a dark veil: readable over the bright backdrop and over
// the heart alike.
constexpr float panelRgba[4] = {0.0f, 0.0f, 0.0f, 0.7f};
constexpr float textRgba[4] = {1.0f, 1.0f, 0.92f, 1.0f};
constexpr float errorRgba[4] = {1.0f, 0.62f, 0.62f, 1.0f};

}  // namespace

std::vector<std::string> devOverlayLines(const OverlayStatus& status) {
    std::vector<std::string> lines;
    char line[96];
    std::snprintf(line, sizeof line, "%02d:%02d", static_cast<int>(status.order), static_cast<int>(status.row));
    std::string position = line;
    if (status.paused) {
        position += "  PAUSED";
    }
    if (status.looping) {
        position += "  LOOP";
    }
    lines.push_back(position);
    lines.push_back(std::string("scene ") + (status.scene != nullptr && status.scene[0] != '\0' ? status.scene : "-"));
    std::snprintf(line, sizeof line, "%.1f fps  A/V %+d ms", static_cast<double>(status.fps),
                  static_cast<int>(status.avOffsetMs));
    lines.push_back(line);
    if (!status.error.empty()) {
        const std::string& error = status.error;
        for (size_t at = 0; at < error.size() && lines.size() < 3 + maxErrorLines; at += maxColumns) {
            lines.push_back(error.substr(at, maxColumns));
        }
        if (error.size() > maxColumns * maxErrorLines) {
            lines.back().replace(maxColumns - 3, 3, "...");
        }
    }
    return lines;
}

OverlayBox devOverlayBox(const std::vector<std::string>& lines) {
    size_t columns = 0;
    for (const std::string& line : lines) {
        columns = std::max(columns, line.size());
    }
    OverlayBox box;
    box.leftPx = marginPx;
    box.topPx = marginPx;
    box.rightPx = marginPx + 2.0f * paddingPx + static_cast<float>(columns) * OverlayText::advancePx();
    box.bottomPx = marginPx + 2.0f * paddingPx + static_cast<float>(lines.size()) * OverlayText::lineHeightPx();
    return box;
}

void drawDevOverlay(const OverlayStatus& status, const OverlayText& text) {
    const std::vector<std::string> lines = devOverlayLines(status);
    const OverlayBox box = devOverlayBox(lines);

    // Everything below is undone by the pops at the end.
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT | GL_DEPTH_BUFFER_BIT |
                 GL_TRANSFORM_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Show pixels with y down, mapped onto the whole viewport.
    glOrtho(0.0, static_cast<double>(demoConfig.width), static_cast<double>(demoConfig.height), 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);  // y down turns the quads' winding around
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    glColor4fv(panelRgba);
    glBegin(GL_QUADS);
    glVertex2f(box.leftPx, box.topPx);
    glVertex2f(box.leftPx, box.bottomPx);
    glVertex2f(box.rightPx, box.bottomPx);
    glVertex2f(box.rightPx, box.topPx);
    glEnd();

    const float left = box.leftPx + paddingPx;
    float top = box.topPx + paddingPx;
    for (size_t i = 0; i < lines.size(); ++i) {
        glColor4fv(i >= 3 ? errorRgba : textRgba);
        text.drawLine(left, top, lines[i]);
        top += OverlayText::lineHeightPx();
    }

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();  // the matrix mode included
}
