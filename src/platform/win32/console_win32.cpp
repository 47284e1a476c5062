// The show is a GUI program (no console window of its own opens), yet
// `--help`, `--version` and the lines on standard error reach the console it
// was started from: before main, standard output and error that lead nowhere
// are reopened on the parent's console, where it has one. Where they were
// redirected (a pipe, a file) they stay as they are.
#include <windows.h>

#include <cstdio>

namespace {

bool leadsNowhere(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE || GetFileType(handle) == FILE_TYPE_UNKNOWN;
}

[[maybe_unused]] const bool attachedToParentConsole = [] {
    const bool outNowhere = leadsNowhere(STD_OUTPUT_HANDLE);
    const bool errNowhere = leadsNowhere(STD_ERROR_HANDLE);
    if ((!outNowhere && !errNowhere) || !AttachConsole(ATTACH_PARENT_PROCESS)) {
        return false;
    }
    if (outNowhere && std::freopen("CONOUT$", "w", stdout) != nullptr) {
        std::setvbuf(stdout, nullptr, _IONBF, 0);
    }
    if (errNowhere && std::freopen("CONOUT$", "w", stderr) != nullptr) {
        std::setvbuf(stderr, nullptr, _IONBF, 0);
    }
    return true;
}();

}  // namespace
