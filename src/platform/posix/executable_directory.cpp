// The running program's folder, from Linux's link to its file (/proc/self/exe): right
// through symbolic links, relative starts and folder names with spaces. Other
// systems have no such link and get the empty answer.
#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace platform {

std::string executableDirectory() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !program.has_parent_path()) {
        return {};
    }
    return program.parent_path().string();
}

}  // namespace platform
