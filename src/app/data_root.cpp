#include "app/data_root.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/asset_paths.h"

namespace {

// Paths travel as UTF-8 strings; std::filesystem reads and writes narrow
// strings in the system's code page on Windows, so they go through char8_t.
std::filesystem::path fromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string toUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool holdsShow(const std::filesystem::path& folder) {
    std::error_code error;
    return std::filesystem::is_regular_file(folder / heartObjectPath, error);
}

}  // namespace

std::vector<std::string> dataRootCandidates(const std::string& executableDir, const std::string& installedRoot) {
    std::vector<std::string> candidates;
    if (!executableDir.empty()) {
        const std::filesystem::path beside = fromUtf8(executableDir);
        candidates.push_back(toUtf8(beside));
        if (beside.has_parent_path() && beside.parent_path() != beside) {
            candidates.push_back(toUtf8(beside.parent_path()));
        }
    }
    if (!installedRoot.empty()) {
        candidates.push_back(installedRoot);
    }
    return candidates;
}

bool enterDataRoot(const std::string& executableDir, const std::string& installedRoot) {
    if (holdsShow(".")) {
        return true;
    }
    const std::vector<std::string> candidates = dataRootCandidates(executableDir, installedRoot);
    for (const std::string& folder : candidates) {
        std::error_code error;
        if (holdsShow(fromUtf8(folder))) {
            std::filesystem::current_path(fromUtf8(folder), error);
            if (!error) {
                return true;
            }
        }
    }
    std::string places = "the working directory";
    for (const std::string& folder : candidates) {
        places += ", '" + folder + "'";
    }
    std::fprintf(stderr, "tessaline: no show data (%s) in %s\n", heartObjectPath, places.c_str());
    return false;
}
