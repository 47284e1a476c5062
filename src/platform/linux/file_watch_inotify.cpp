// The file watcher over Linux inotify: one descriptor per watcher, one
// watch per directory, read without blocking whenever changes are taken.
// The directory's own move, deletion or unmount ends its watch.
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>

#include "platform/file_watch.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// What counts as a change to a file in a watched directory: written and
// closed, renamed or moved into the directory, attributes touched.
constexpr uint32_t changeEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_ATTRIB;
// What ends a directory's watch: the directory itself moved (the watch would
// follow it to a path no asset has), deleted or unmounted, or the watch
// removed by the kernel.
constexpr uint32_t endEvents = IN_MOVE_SELF | IN_DELETE_SELF | IN_UNMOUNT | IN_IGNORED;

// Why a watched directory's watch ended, as the path says now.
std::string whyEnded(const std::string& directory, uint32_t mask) {
    if ((mask & IN_UNMOUNT) != 0) {
        return "its file system was unmounted";
    }
    struct stat info;
    if (stat(directory.c_str(), &info) != 0) {
        return std::strerror(errno);
    }
    return FileWatch::replacedReason;  // moved away, and another moved in
}

}  // namespace

struct FileWatch::State {
    int fd = -1;
    std::map<int, std::string> directories;   // by watch descriptor, as given
    std::map<std::string, Clock::time_point> pending;  // path -> its latest event
    ~State() {
        if (fd >= 0) {
            close(fd);
        }
    }
};

FileWatch::FileWatch() : state_(std::make_unique<State>()) {
    state_->fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (state_->fd < 0) {
        error_ = std::string("inotify: ") + std::strerror(errno);
    }
}

FileWatch::~FileWatch() = default;

bool FileWatch::watchDirectory(const std::string& directory) {
    if (state_->fd < 0) {
        return false;  // error_ says why since construction
    }
    const int wd = inotify_add_watch(state_->fd, directory.c_str(),
                                     changeEvents | IN_MOVE_SELF | IN_DELETE_SELF | IN_ONLYDIR);
    if (wd < 0) {
        error_ = directory + ": " + std::strerror(errno);
        return false;
    }
    std::string shown = directory;
    while (shown.size() > 1 && shown.back() == '/') {
        shown.pop_back();
    }
    state_->directories[wd] = shown;
    return true;
}

std::vector<std::string> FileWatch::takeChanges() {
    if (state_->fd < 0) {
        return {};
    }
    const Clock::time_point now = Clock::now();
    // Events are whole records of a header and its NUL-padded name.
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + 256)];
    for (;;) {
        const ssize_t length = read(state_->fd, buffer, sizeof buffer);
        if (length <= 0) {
            break;  // EAGAIN: nothing more pending
        }
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= length;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof(inotify_event);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            if (at > length) {
                break;  // never: the kernel hands out whole records only
            }
            if ((event.mask & IN_Q_OVERFLOW) != 0) {
                for (const auto& [wd, directory] : state_->directories) {
                    state_->pending[directory] = now;
                }
                continue;
            }
            const auto directory = state_->directories.find(event.wd);
            if ((event.mask & endEvents) != 0) {
                if (directory != state_->directories.end()) {  // else its end was reported already
                    endWatch(directory->second, whyEnded(directory->second, event.mask));
                    inotify_rm_watch(state_->fd, event.wd);  // a moved directory's watch stays otherwise
                    state_->directories.erase(directory);
                }
                continue;
            }
            if (directory == state_->directories.end() || event.len == 0 || (event.mask & IN_ISDIR) != 0 ||
                (event.mask & changeEvents) == 0) {
                continue;
            }
            state_->pending[directory->second + "/" + std::string(name, strnlen(name, event.len))] = now;
        }
    }
    return takeQuietPaths(state_->pending, now, quietMs);
}

}  // namespace platform
