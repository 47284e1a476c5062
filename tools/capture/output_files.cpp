#include "output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "stop_signals.h"

namespace {

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

std::string checkTargetFolder(const std::string& path) {
    struct stat info{};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        return "'" + path + "' is a folder";  // no file can be renamed over it
    }
    return checkFolder(folderOf(path));
}

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

// ".partial-PID-N-name" beside `path`: hidden, this run's own, and unique
// within the run.
std::string OutputFiles::temporaryFor(const std::string& path) {
    const std::string folder = folderOf(path);
    const std::string prefix = path.find('/') == std::string::npos ? "" : folder + (folder == "/" ? "" : "/");
    return prefix + ".partial-" + std::to_string(getpid()) + "-" + std::to_string(serial_++) + "-" + fileOf(path);
}

std::string OutputFiles::begin(const std::string& path) {
    const std::lock_guard lock(mutex_);
    entries_.push_back({path, temporaryFor(path)});
    return entries_.back().temporary;
}

std::string OutputFiles::scratch(const std::string& path) {
    const std::lock_guard lock(mutex_);
    entries_.push_back({"", temporaryFor(path)});
    return entries_.back().temporary;
}

void OutputFiles::madeFolder(const std::string& folder) {
    const std::lock_guard lock(mutex_);
    madeFolders_.push_back(folder);
}

bool OutputFiles::publish(std::string& problem) {
    problem.clear();
    if (stopSignal() != 0) {
        abandon();
        return false;
    }
    const std::lock_guard lock(mutex_);
    settled_ = true;
    for (Entry& entry : entries_) {
        if (entry.path.empty()) {
            continue;
        }
        if (std::rename(entry.temporary.c_str(), entry.path.c_str()) != 0) {
            problem = "cannot rename '" + entry.temporary + "' to '" + entry.path + "': " + std::strerror(errno);
            break;
        }
        entry.temporary.clear();  // in place now
    }
    removeTemporaries();
    madeFolders_.clear();
    return problem.empty();
}

void OutputFiles::abandon() {
    const std::lock_guard lock(mutex_);
    removeTemporaries();
    for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder) {
        rmdir(folder->c_str());  // fails, harmlessly, where something else was put in it
    }
    madeFolders_.clear();
    settled_ = true;
}

void OutputFiles::removeTemporaries() {
    for (const Entry& entry : entries_) {
        if (!entry.temporary.empty()) {
            unlink(entry.temporary.c_str());
        }
    }
    entries_.clear();
}

}  // namespace capture
