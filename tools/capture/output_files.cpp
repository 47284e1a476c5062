#include "output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

volatile std::sig_atomic_t receivedSignal = 0;

void onStopSignal(int signal) { receivedSignal = signal; }

// The folder part of a path: "." for a bare file name.
std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string temporaryFor(const std::string& path) {
    const std::string folder = folderOf(path);
    const std::string prefix = path.find('/') == std::string::npos ? "" : folder + (folder == "/" ? "" : "/");
    return prefix + ".partial-" + std::to_string(getpid()) + "-" + fileOf(path);
}

// Empty when the folder exists and takes a new file.
std::string checkFolder(const std::string& folder) {
    struct stat info{};
    if (stat(folder.c_str(), &info) != 0) {
        return errno == ENOENT ? "the folder '" + folder + "' does not exist"
                               : "cannot use the folder '" + folder + "': " + std::strerror(errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return "'" + folder + "' is not a folder";
    }
    // access() says yes to root on a read-only mount or a full disk's
    // directory entries alike: only creating a file tells.
    const std::string probe = (folder == "/" ? "" : folder) + "/.partial-" + std::to_string(getpid()) + "-probe";
    const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return "cannot write into the folder '" + folder + "': " + std::strerror(errno);
    }
    close(fd);
    unlink(probe.c_str());
    return {};
}

}  // namespace

namespace capture {

void installStopSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction action{};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocked write returns EINTR
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int stopSignal() { return receivedSignal; }

std::string checkTargetFolder(const std::string& path) { return checkFolder(folderOf(path)); }

std::string checkFramesFolder(const std::string& folder) {
    struct stat info{};
    if (stat(folder.c_str(), &info) == 0) {
        return checkFolder(folder);
    }
    return checkFolder(folderOf(folder));
}

OutputFiles::~OutputFiles() {
    if (!settled_) {
        abandon();
    }
}

std::string OutputFiles::begin(const std::string& path) {
    entries_.push_back({path, temporaryFor(path), false});
    return entries_.back().temporary;
}

bool OutputFiles::commit(const std::string& path) {
    // The newest first: a frame is committed right after it is begun.
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        Entry& entry = *it;
        if (entry.path == path && !entry.committed) {
            if (std::rename(entry.temporary.c_str(), entry.path.c_str()) != 0) {
                return false;
            }
            entry.committed = true;
            return true;
        }
    }
    errno = ENOENT;
    return false;
}

void OutputFiles::abandon() {
    for (const Entry& entry : entries_) {
        unlink((entry.committed ? entry.path : entry.temporary).c_str());
    }
    for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder) {
        rmdir(folder->c_str());  // fails, harmlessly, where something else was put in it
    }
    entries_.clear();
    madeFolders_.clear();
    settled_ = true;
}

void OutputFiles::keep() {
    for (const Entry& entry : entries_) {
        if (!entry.committed) {
            unlink(entry.temporary.c_str());  // helpers such as the video's sound
        }
    }
    entries_.clear();
    settled_ = true;
}

}  // namespace capture
