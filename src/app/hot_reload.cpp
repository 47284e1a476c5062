#include "app/hot_reload.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

#include "core/asset_paths.h"
#include "core/demo_config.h"
#include "core/demo_system.h"
#include "loader/lwob_loader.h"
#include "render/texture_manager.h"

namespace {

// Paths compared as the watcher and the loaders spell them, whatever the
// doubled or trailing slashes and "./" parts.
std::string normalised(const std::string& path) {
    std::string out = std::filesystem::path(path).lexically_normal().generic_string();
    while (out.size() > 1 && out.back() == '/') {
        out.pop_back();
    }
    return out;
}

std::string directoryOf(const std::string& path) {
    const std::string parent = std::filesystem::path(normalised(path)).parent_path().generic_string();
    return parent.empty() ? "." : parent;
}

// Whether a changed path names the asset: the file itself, or its directory
// (reported when the watcher lost track of single files).
bool touches(const std::set<std::string>& changed, const std::string& assetPath) {
    const std::string asset = normalised(assetPath);
    return changed.count(asset) != 0 || changed.count(directoryOf(asset)) != 0;
}

// The system's reason a file cannot be read, or "" when it can.
std::string unreadableReason(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return std::strerror(errno);
    }
    std::fclose(file);
    return {};
}

}  // namespace

HotReload::HotReload(LwObject* heart, std::function<void()> onModuleChanged)
    : heart_(heart), onModuleChanged_(std::move(onModuleChanged)) {}

bool HotReload::start() {
    std::set<std::string> directories{directoryOf(heartObjectPath), directoryOf(demoConfig.modulePath)};
    for (const std::string& path : textureManager.texturePaths) {
        if (!path.empty()) {
            directories.insert(directoryOf(path));
        }
    }
    bool all = true;
    for (const std::string& directory : directories) {
        if (!watch_.watchDirectory(directory)) {
            all = false;
            error_ = watch_.error();
            std::fprintf(stderr, "tessaline: %s\n", error_.c_str());
        }
    }
    return all;
}

std::vector<std::string> HotReload::poll(uint32_t nowMs) {
    const std::vector<std::string> changed = watch_.takeChanges();
    std::vector<std::string> failures;
    for (const platform::FileWatch::EndedWatch& ended : watch_.takeEndedWatches()) {
        noteFailure(ended.directory, "no longer watched: " + ended.reason, nowMs);
        failures.push_back(lastFailure_);
    }
    if (!changed.empty()) {
        std::vector<std::string> reloads = reloadPaths(changed, nowMs);
        failures.insert(failures.end(), reloads.begin(), reloads.end());
    }
    return failures;
}

std::vector<std::string> HotReload::reloadPaths(const std::vector<std::string>& paths, uint32_t nowMs) {
    std::set<std::string> changed;
    for (const std::string& path : paths) {
        changed.insert(normalised(path));
    }
    std::vector<std::string> failures;
    const auto attempt = [&](const std::string& path, bool ok, const std::string& why) {
        if (!ok) {
            noteFailure(path, why, nowMs);
            failures.push_back(lastFailure_);
        }
    };

    std::string why;
    if (heart_ != nullptr && touches(changed, heartObjectPath)) {
        attempt(heartObjectPath, reloadHeart(&why), why);
    }
    // By index, so a picture named twice reloads at each of its indices.
    for (size_t index = 0; index < textureManager.textureNames.size() && index < textureManager.texturePaths.size();
         ++index) {
        const std::string path = textureManager.texturePaths[index];
        if (!path.empty() && touches(changed, path)) {
            attempt(path, reloadTexture(static_cast<uint32_t>(index), path, &why), why);
        }
    }
    if (touches(changed, demoConfig.modulePath)) {
        demoSystem.log("MAIN: '%s' changed on disk.\n", demoConfig.modulePath);
        if (onModuleChanged_) {
            onModuleChanged_();
        }
    }
    return failures;
}

bool HotReload::reloadTexture(uint32_t index, const std::string& path, std::string* why) {
    return textureManager.reload(index, path.c_str(), why);
}

bool HotReload::reloadHeart(std::string* why) {
    *why = unreadableReason(heartObjectPath);
    if (!why->empty()) {
        return false;
    }
    // A loader of its own: the shared one's report stays the start-up
    // object's, and no clip is appended to the textures.
    LwobLoader loader;
    if (!loader.openFile(heartObjectPath)) {
        *why = "empty or not a regular file";
        return false;
    }
    const bool parsed = loader.parse();
    loader.closeFile();
    std::unique_ptr<LwObject> fresh(loader.object);
    if (!parsed) {
        *why = loader.report.notes.empty() ? "not an LWO2 object" : loader.report.notes.back();
        return false;
    }
    if (fresh->triangleCount() == 0) {
        *why = "no triangles in the object";  // a file caught half-written, say
        return false;
    }
    // Assigned over the object every scene holds a pointer to (LwObject has
    // no move of its own: the arrays are copied, between two frames).
    *heart_ = std::move(*fresh);
    demoSystem.log("MAIN: '%s' reloaded: %d points, %d triangles.\n", heartObjectPath, heart_->pointCount(),
                   heart_->triangleCount());

    // Clip k is texture k, below the start-up images; a clip beyond those
    // indices has no texture to reload into and is passed over.
    const int32_t firstImage = textureManager.indexOf(startupImages[0]);
    const size_t clipTextures =
        firstImage >= 0 ? static_cast<size_t>(firstImage) : textureManager.textureNames.size();
    const std::vector<std::string>& clips = loader.report.clipPaths;
    for (size_t k = 0; k < clips.size() && k < clipTextures; ++k) {
        if (clips[k].empty()) {
            continue;
        }
        std::string clipWhy;
        if (textureManager.reload(static_cast<uint32_t>(k), clips[k].c_str(), &clipWhy)) {
            textureManager.texturePaths.resize(std::max(textureManager.texturePaths.size(), k + 1));
            textureManager.texturePaths[k] = clips[k];  // a renamed clip is watched under its new name
        } else {
            *why = clips[k] + ": " + clipWhy;  // the object itself is in; its clip keeps the old picture
            return false;
        }
    }
    return true;
}

void HotReload::noteFailure(const std::string& path, const std::string& reason, uint32_t nowMs) {
    lastFailure_ = path + ": " + reason;
    lastFailureMs_ = nowMs;
    std::fprintf(stderr, "tessaline: %s\n", lastFailure_.c_str());
}

std::string HotReload::overlayError(uint32_t nowMs) const {
    if (lastFailure_.empty() || nowMs - lastFailureMs_ >= errorShownMs) {
        return {};
    }
    return lastFailure_;
}
