#include "render/texture_manager.h"

#include <GL/gl.h>
#include <IL/il.h>
#include <IL/ilu.h>

#include "core/demo_system.h"
#include "core/service_order.h"

namespace {

// What a texture holds when its file could not be decoded: one fully
// transparent black texel, so that a quad drawn with it shows nothing.
constexpr uint8_t placeholderTexel[4] = {0, 0, 0, 0};

// Empties DevIL's error stack (it keeps a short queue of its own) and returns
// the oldest code on it, IL_NO_ERROR when it was empty.
ILenum drainImageErrors() {
    const ILenum first = ilGetError();
    for (ILenum code = first; code != IL_NO_ERROR; code = ilGetError()) {
    }
    return first;
}

}  // namespace

__attribute__((VEXEL_TEXTURE_MANAGER_ORDER)) TextureManager textureManager;

TextureManager::TextureManager() {
    ilInit();
    iluInit();
    // Every decoder hands its rows over top row first, whatever the file's
    // own row order (BMP and TGA store theirs bottom up). The unconditional
    // flip in load() then puts the picture's top at t = 1 for every format.
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
}

// The texture objects die with the rendering context, which is gone by now;
// only the array of names is released.
TextureManager::~TextureManager() = default;

void TextureManager::load(const char* path) {
    const char* shownPath = path != nullptr ? path : "(null)";

    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);

    // Decode, then bring any layout (grey, grey+alpha, palette, RGB, BGR) and
    // channel type (16-bit, float) to 8-bit RGBA; images without alpha get
    // full alpha. ilFormatFunc alone would convert nothing once decoded.
    bool decoded = path != nullptr && ilLoadImage(path) == IL_TRUE &&
                   ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) == IL_TRUE;
    GLsizei width = 1;
    GLsizei height = 1;
    const void* pixels = placeholderTexel;
    if (decoded) {
        // Top row first -> bottom row first, where GL puts t = 0.
        decoded = iluFlipImage() == IL_TRUE;
        width = ilGetInteger(IL_IMAGE_WIDTH);
        height = ilGetInteger(IL_IMAGE_HEIGHT);
        pixels = ilGetData();
        decoded = decoded && width > 0 && height > 0 && pixels != nullptr;
    }
    if (!decoded) {
        width = 1;
        height = 1;
        pixels = placeholderTexel;
    }

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    textureNames.push_back(name);

    ilDeleteImages(1, &image);
    const ILenum imageError = drainImageErrors();
    if (decoded) {
        demoSystem.log("TEXMGR: '%s' loaded successfully.\n", shownPath);
    } else {
        demoSystem.log("TEXMGR: '%s' failed to load (DevIL error 0x%04X); texture %zu is a transparent texel.\n",
                       shownPath, static_cast<unsigned>(imageError), textureNames.size() - 1);
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
