#include "render/texture_manager.h"

#include <GL/gl.h>
#include <cstdio>

#include "core/demo_system.h"
#include "core/service_order.h"

namespace {

// What a texture holds when its file could not be decoded: one fully
// transparent black texel, so that a quad drawn with it shows nothing.
constexpr uint8_t placeholderTexel[4] = {0, 0, 0, 0};

}  // namespace

__attribute__((VEXEL_TEXTURE_MANAGER_ORDER)) TextureManager textureManager;

TextureManager::TextureManager() {
    initImageDecoder();
}

// The texture objects die with the rendering context, which is gone by now;
// only the array of names is released.
TextureManager::~TextureManager() = default;

void TextureManager::load(const char* path) { load(path, decodeImage(path)); }

void TextureManager::load(const char* path, const DecodedImage& image) {
    const char* shownPath = path != nullptr ? path : "(null)";
    const bool decoded = image.ok();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    if (decoded) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     image.rgba.data());
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, placeholderTexel);
    }
    textureNames.push_back(name);

    if (decoded) {
        demoSystem.log("TEXMGR: '%s' loaded successfully.\n", shownPath);
    } else {
        demoSystem.log("TEXMGR: '%s' failed to load (DevIL error 0x%04X); texture %zu is a transparent texel.\n",
                       shownPath, static_cast<unsigned>(image.imageError), textureNames.size() - 1);
        std::fprintf(stderr, "tessaline: image '%s' not loaded: %s\n", shownPath,
                     image.failure.empty() ? "not decoded" : image.failure.c_str());
    }
}

bool TextureManager::bind(uint32_t index) {
    if (index >= textureNames.size()) {
        // A caller error (the parts' constant indices rest on the load
        // order); nothing is bound, so the previous texture stays.
        if (!badBindReported) {
            badBindReported = true;
            demoSystem.log("TEXMGR: bind of texture %u ignored: %zu textures loaded.\n", index, textureNames.size());
        }
        return true;
    }
    glBindTexture(GL_TEXTURE_2D, textureNames[index]);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
    return true;
}
