#pragma once
// Hot reload for developer mode: watches the data directories and, when the
// heart object, one of the images or the module changes on disk, replaces
// it in place.
//   - A texture keeps its index: the scenes' constant indices show the new
//     picture (TextureManager::reload).
//   - The heart object is assigned over the object the scenes already hold,
//     so every holder of the pointer sees the new one; its clip textures
//     reload with it.
//   - The module is only reported, to onModuleChanged; restarting it at the
//     same position is the caller's.
// A file that fails to load leaves the last good asset in place; the failure
// goes to standard error as "tessaline: <path>: <reason>" and is kept for
// the overlay for errorShownMs. Nothing here touches the clock, the music or
// the pause state: a show paused before a reload stays paused.
//
// Use, in developer mode, once the heart and the images are loaded:
//   HotReload hotReload(heartObject, [] { /* restart the module in place */ });
//   hotReload.start();                             // a false is not fatal
//   per frame, before advancing the scenes:
//   hotReload.poll(platform::tickCount());
//   status.error = hotReload.overlayError(platform::tickCount());
// Needs the rendering context current whenever poll runs (textures upload).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_watch.h"

class LwObject;

class HotReload {
public:
    HotReload(LwObject* heart, std::function<void()> onModuleChanged);

    // Watches the directories of the heart object, of every texture the
    // texture manager loaded from a file, and of the module. False, with
    // error() saying which and why, when one could not be watched; the
    // others are watched all the same.
    bool start();
    const std::string& error() const { return error_; }

    // Takes the watcher's changes and reloads what they touch (reloadPaths).
    // A directory whose watch ended (deleted, renamed) is a failure of its
    // own, "directory: no longer watched: reason"; the others are watched on.
    // Returns the failures of this call, one "path: reason" line each.
    std::vector<std::string> poll(uint32_t nowMs);

    // Reloads the assets named by paths (relative to the working directory,
    // as the watcher gives them; a directory stands for every asset in it).
    // Paths of no asset are passed over. Returns the failures.
    std::vector<std::string> reloadPaths(const std::vector<std::string>& paths, uint32_t nowMs);

    // Records a failure as the reloads do (standard error, overlay): for
    // the caller's own reloads, such as the module's.
    void noteFailure(const std::string& path, const std::string& reason, uint32_t nowMs);

    // The latest failure while it is younger than errorShownMs; "" otherwise.
    std::string overlayError(uint32_t nowMs) const;
    static constexpr uint32_t errorShownMs = 5000;

private:
    bool reloadHeart(std::string* why);
    bool reloadTexture(uint32_t index, const std::string& path, std::string* why);

    LwObject* heart_;  // the object the scenes draw; not owned
    std::function<void()> onModuleChanged_;
    platform::FileWatch watch_;
    std::string error_;
    std::string lastFailure_;     // "path: reason"
    uint32_t lastFailureMs_ = 0;  // when it was recorded, on the caller's clock
};
