#pragma once
// Watches directories for files that were written, renamed into place or
// created anew, for the developer mode's hot reload.
//
// Directories, not files, are watched: an editor that saves by writing a
// new file and renaming it over the old one, and a file deleted and written
// again, both replace the directory entry, which a watch on the file itself
// would lose track of. A bare deletion is not a change (the file to reload
// is not there yet); its rewrite is.
//
// A watched directory that goes away (deleted, renamed, another one put in
// its place) or whose watch the system ends (a read that fails) is no longer
// watched: takeEndedWatches says which and why, once; the other directories
// are watched on.
//
// One implementation per platform, chosen at link time:
//   platform/linux/file_watch_inotify.cpp  the real one, over inotify
//   platform/win32/file_watch_win32.cpp    the real one, over ReadDirectoryChangesW
//   platform/null/file_watch_null.cpp      a scripted double (file_watch_double.h)
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class FileWatch {
public:
    FileWatch();
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Starts watching one directory. False, with error() saying why, when
    // it cannot be watched (missing, no permission, no watches left).
    bool watchDirectory(const std::string& directory);

    // The files changed since the last call, each once, sorted, as the
    // watched directory was given joined with the file's name ("data/x/y.png"
    // for "data/x"). Never blocks. A burst of events for one file (an
    // editor's write, rename and attribute change) is reported once, after
    // the file has been quiet for quietMs; a file still changing waits for a
    // later call. When the system dropped events, every watched directory
    // itself is reported: anything in it may have changed.
    std::vector<std::string> takeChanges();
    static constexpr int quietMs = 50;

    const std::string& error() const { return error_; }

    // The watches that takeChanges found ended since the last call, in the
    // order they ended: the directory as it was given, and the system's
    // reason ("No such file or directory", "Access is denied").
    struct EndedWatch {
        std::string directory;
        std::string reason;
        bool operator==(const EndedWatch&) const = default;
    };
    std::vector<EndedWatch> takeEndedWatches() { return std::exchange(ended_, {}); }

    // The reason a directory's path gives when it names a directory again,
    // but not the one that was watched.
    static constexpr const char* replacedReason = "another directory has taken its place";

private:
    // For the implementations: the directory is no longer watched.
    void endWatch(const std::string& directory, const std::string& reason) {
        ended_.push_back(EndedWatch{directory, reason});
    }

    struct State;  // the implementation's own
    std::unique_ptr<State> state_;
    std::string error_;
    std::vector<EndedWatch> ended_;
};

// For the implementations: takes out of `pending` (path -> its latest event)
// every path quiet for quietMs by `now`, in path order.
template <typename TimePoint>
std::vector<std::string> takeQuietPaths(std::map<std::string, TimePoint>& pending, TimePoint now, int quietMs) {
    std::vector<std::string> quiet;
    for (auto entry = pending.begin(); entry != pending.end();) {
        if (now - entry->second >= std::chrono::milliseconds(quietMs)) {
            quiet.push_back(entry->first);
            entry = pending.erase(entry);
        } else {
            ++entry;
        }
    }
    return quiet;
}

}  // namespace platform
