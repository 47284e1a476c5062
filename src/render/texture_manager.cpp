#include "render/texture_manager.h"

#include <GL/gl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

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
    texturePaths.resize(textureNames.size() - 1);  // indices added without load() have no path
    texturePaths.emplace_back(path != nullptr ? path : "");

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

bool TextureManager::reload(uint32_t index, const char* path, std::string* why) {
    const auto fail = [why](const char* reason) {
        if (why != nullptr) {
            *why = reason;
        }
        return false;
    };
    if (index >= textureNames.size()) {
        return fail("no such texture index");
    }
    if (path == nullptr) {
        return fail("no path");
    }
    // The system's own words for a file that is not there or not readable;
    // DevIL would only say it could not open it.
    if (std::FILE* file = std::fopen(path, "rb")) {
        std::fclose(file);
    } else {
        return fail(std::strerror(errno));
    }
    const DecodedImage image = decodeImage(path);
    if (!image.ok()) {
        return fail(image.failure.empty() ? "not an image the show decodes" : image.failure.c_str());
    }
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, textureNames[index]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.rgba.data());
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    demoSystem.log("TEXMGR: '%s' reloaded into texture %u.\n", path, index);
    return true;
}

int32_t TextureManager::indexOf(const std::string& path) const {
    const size_t held = std::min(texturePaths.size(), textureNames.size());
    for (size_t i = 0; i < held; ++i) {
        if (!path.empty() && texturePaths[i] == path) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}
