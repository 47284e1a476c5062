// The Win32 model's values in SDL's terms: key symbols as the virtual-key
// codes the window procedure reads, pixel formats as GL attributes.
#include "platform/sdl/mapping_sdl.h"

#include "platform/platform.h"

namespace platform {

// Win32 virtual-key code of a key; 0 for keys the show has no code for.
uintptr_t virtualKey(const SDL_Keysym& key) {
    const SDL_Keycode sym = key.sym;
    if (sym >= SDLK_a && sym <= SDLK_z) {
        return 'A' + static_cast<uintptr_t>(sym - SDLK_a);
    }
    if (sym >= SDLK_0 && sym <= SDLK_9) {
        return '0' + static_cast<uintptr_t>(sym - SDLK_0);
    }
    if (sym >= SDLK_F1 && sym <= SDLK_F12) {
        return 0x70 + static_cast<uintptr_t>(sym - SDLK_F1);
    }
    if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) {
        return 0x61 + static_cast<uintptr_t>(sym - SDLK_KP_1);
    }
    switch (sym) {
        case SDLK_BACKSPACE: return 0x08;
        case SDLK_TAB: return 0x09;
        case SDLK_RETURN: case SDLK_KP_ENTER: return 0x0D;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x10;
        case SDLK_LCTRL: case SDLK_RCTRL: return 0x11;
        case SDLK_LALT: case SDLK_RALT: return 0x12;
        case SDLK_PAUSE: return 0x13;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_SPACE: return 0x20;
        case SDLK_PAGEUP: return 0x21;
        case SDLK_PAGEDOWN: return 0x22;
        case SDLK_END: return 0x23;
        case SDLK_HOME: return 0x24;
        case SDLK_LEFT: return 0x25;
        case SDLK_UP: return 0x26;
        case SDLK_RIGHT: return 0x27;
        case SDLK_DOWN: return 0x28;
        case SDLK_INSERT: return 0x2D;
        case SDLK_DELETE: return 0x2E;
        case SDLK_KP_0: return 0x60;
        case SDLK_KP_PLUS: return VK_ADD;
        case SDLK_KP_MINUS: return VK_SUBTRACT;
        case SDLK_KP_PERIOD: return VK_DECIMAL;
        case SDLK_EQUALS: case SDLK_PLUS: return VK_OEM_PLUS;
        case SDLK_MINUS: return VK_OEM_MINUS;
        case SDLK_PERIOD: return VK_OEM_PERIOD;
        default: return 0;
    }
}

void applyGlAttributes(const PixelFormat& format) {
    SDL_GL_ResetAttributes();
    const int channelBits = format.colourBits >= 24 ? 8 : 5;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, format.colourBits >= 24 ? 8 : 6);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, format.alphaBits);
    // The accumulation total spread over its four channels.
    const int accumChannelBits = format.accumBits / 4;
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accumChannelBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accumChannelBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accumChannelBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accumChannelBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, format.doubleBuffer ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, format.samples >= 2 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, format.samples >= 2 ? format.samples : 0);
    // Below 3.0 with no profile SDL creates a legacy context: everything of
    // OpenGL 1.1, fixed function included.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
}

}  // namespace platform
