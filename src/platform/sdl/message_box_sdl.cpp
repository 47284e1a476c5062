// Message boxes over SDL's own (it needs no initialised video subsystem),
// with standard error as the fallback where no box can be shown.
#include <SDL.h>

#include <array>
#include <cstdio>

#include "platform/platform.h"

namespace platform {

BoxAnswer messageBox(const char* text, const char* caption, BoxButtons buttons, BoxIcon icon) {
    Uint32 flags = SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    switch (icon) {
        case BoxIcon::Stop: flags |= SDL_MESSAGEBOX_ERROR; break;
        case BoxIcon::Exclamation: flags |= SDL_MESSAGEBOX_WARNING; break;
        case BoxIcon::Information: flags |= SDL_MESSAGEBOX_INFORMATION; break;
        case BoxIcon::None: break;
    }
    constexpr int okId = 0;
    constexpr int yesId = 1;
    constexpr int noId = 2;
    const std::array<SDL_MessageBoxButtonData, 1> okButton = {{
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, okId, "OK"},
    }};
    const std::array<SDL_MessageBoxButtonData, 2> yesNoButtons = {{
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, yesId, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, noId, "No"},
    }};
    const bool yesNo = buttons == BoxButtons::YesNo;
    SDL_MessageBoxData data{};
    data.flags = flags;
    data.window = nullptr;  // no owner
    data.title = caption;
    data.message = text;
    data.numbuttons = yesNo ? static_cast<int>(yesNoButtons.size()) : static_cast<int>(okButton.size());
    data.buttons = yesNo ? yesNoButtons.data() : okButton.data();
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) {
        // No display to show it on: the terminal still learns why.
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return yesNo ? BoxAnswer::No : BoxAnswer::Ok;
    }
    if (!yesNo) {
        return BoxAnswer::Ok;
    }
    return pressed == yesId ? BoxAnswer::Yes : BoxAnswer::No;  // closed unanswered: No
}

}  // namespace platform
