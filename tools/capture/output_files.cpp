#include "output_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include "stop_signals.h"

namespace {

constexpr char kTemporaryPrefix[] = ".partial-";

std::string fileOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A decimal number as std::to_string writes one (no sign, no leading zero),
// at most `maximum`, read from `at`, which is moved past it; -1 when there
// is none.
long long readDecimal(const char*& at, long long maximum) {
    if (*at < '0' || *at > '9' || (at[0] == '0' && at[1] >= '0' && at[1] <= '9')) {
        return -1;
    }
    long long value = 0;
    for (; *at >= '0' && *at <= '9'; ++at) {
        value = value * 10 + (*at - '0');
        if (value > maximum) {
            return -1;
        }
    }
    return value;
}

// The PID in a name this tool gives its temporaries (temporaryFor and the
// folder check's probe); 0 for any other name.
pid_t temporaryOwner(const char* name) {
    if (std::strncmp(name, kTemporaryPrefix, sizeof kTemporaryPrefix - 1) != 0) {
        return 0;
    }
    const char* at = name + sizeof kTemporaryPrefix - 1;
    const long long pid = readDecimal(at, INT_MAX);
    if (pid <= 0 || *at++ != '-') {
        return 0;
    }
    if (std::strcmp(at, "probe") == 0) {
        return static_cast<pid_t>(pid);
    }
    if (readDecimal(at, UINT_MAX) < 0 || *at++ != '-' || *at == '\0') {
        return 0;
    }
    return static_cast<pid_t>(pid);
}

// True while a process has the PID, also one this user may not signal.
bool processRuns(pid_t pid) { return kill(pid, 0) == 0 || errno != ESRCH; }

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
    const std::string probe =
        (folder == "/" ? "" : folder) + "/" + kTemporaryPrefix + std::to_string(getpid()) + "-probe";
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

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

size_t removeLeftovers(const std::string& folder) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir) {
        return 0;
    }
    const pid_t self = getpid();
    const std::string prefix = folder == "/" ? folder : folder + "/";
    size_t removed = 0;
    while (const dirent* entry = readdir(dir.get())) {
        const pid_t owner = temporaryOwner(entry->d_name);
        if (owner == 0 || (owner != self && processRuns(owner))) {
            continue;
        }
        const std::string path = prefix + entry->d_name;
        struct stat info{};
        if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && unlink(path.c_str()) == 0) {
            ++removed;
        }
    }
    return removed;
}

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
    return prefix + kTemporaryPrefix + std::to_string(getpid()) + "-" + std::to_string(serial_++) + "-" + fileOf(path);
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
