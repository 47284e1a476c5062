#include "app/data_root.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/asset_paths.h"

namespace {

bool holdsShow(const std::filesystem::path& folder) {
    std::error_code error;
    return std::filesystem::is_regular_file(folder / heartObjectPath, error);
}

}  // namespace

std::vector<std::string> dataRootCandidates(const std::string& executableDir, const std::string& installedRoot) {
    std::vector<std::string> candidates;
    if (!executableDir.empty()) {
        const std::filesystem::path beside(executableDir);
        candidates.push_back(beside.string());
        if (beside.has_parent_path() && beside.parent_path() != beside) {
            candidates.push_back(beside.parent_path().string());
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
        if (holdsShow(folder)) {
            std::filesystem::current_path(folder, error);
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
