// The file watcher over Linux inotify: one descriptor per watcher, one
// watch per directory, read without blocking whenever changes are taken.
#include <sys/inotify.h>
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
    const int wd = inotify_add_watch(state_->fd, directory.c_str(), changeEvents | IN_ONLYDIR);
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
            if ((event.mask & IN_IGNORED) != 0) {
                state_->directories.erase(event.wd);  // the directory itself went away
                continue;
            }
            const auto directory = state_->directories.find(event.wd);
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
