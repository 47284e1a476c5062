// The running program's folder, from the loader's own record of the module's
// file (GetModuleFileNameW), as UTF-8: right for folder names in any script
// and with spaces, and for paths past MAX_PATH.
// platform.h first: its names (WM_SIZE, VK_ESCAPE, ...) are macros in windows.h.
#include "platform/platform.h"

#include <windows.h>

#include <string>

namespace platform {

std::string executableDirectory() {
    std::wstring program(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (length == 0) {
            return {};
        }
        if (length < program.size()) {
            program.resize(length);
            break;
        }
        program.resize(program.size() * 2);  // cut short: ask again with room
    }
    const size_t separator = program.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return {};
    }
    program.resize(separator);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, program.data(), static_cast<int>(program.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string folder(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, program.data(), static_cast<int>(program.size()), folder.data(), bytes, nullptr,
                        nullptr);
    return folder;
}

}  // namespace platform
