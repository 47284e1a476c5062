#pragma once
// Nothing half-written: every output goes under a temporary name in its
// target folder (so the rename stays on one file system, and the extension,
// which ffmpeg picks the container by, is kept) and is renamed into place
// only when complete. A run that fails, or is stopped by a signal, removes
// its temporaries and every output it had already completed.
#include <csignal>
#include <string>
#include <vector>

namespace capture {

// Ignores SIGPIPE (a write to an ffmpeg that has exited fails with EPIPE
// instead of ending the process) and catches SIGINT and SIGTERM without
// restarting system calls, so a blocked write returns and the run can clean
// up. The child processes get the default actions back.
void installStopSignals();
// The SIGINT or SIGTERM received so far; 0 when none.
int stopSignal();

// "the folder 'x' does not exist", "cannot write into the folder 'x': Read-only
// file system"; empty when a file can be created in the folder that holds
// `path` (tried with a probe file, which is removed again).
std::string checkTargetFolder(const std::string& path);
// The same for a folder of frames: the folder itself when it exists, else
// the folder that will hold it.
std::string checkFramesFolder(const std::string& folder);

class OutputFiles {
public:
    OutputFiles() = default;
    ~OutputFiles();  // abandons what was not kept
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // The temporary name to write `path` under; registered for removal.
    std::string begin(const std::string& path);
    // Renames the temporary of `path` into place; false (errno set) when the
    // rename fails.
    bool commit(const std::string& path);
    // A folder this run made (for frames): removed on failure if left empty.
    void madeFolder(const std::string& folder) { madeFolders_.push_back(folder); }
    // Removes the temporaries, the outputs committed so far, and the folders
    // made; nothing is removed after this.
    void abandon();
    // The run succeeded: what was committed stays.
    void keep();

private:
    struct Entry {
        std::string path;
        std::string temporary;
        bool committed = false;
    };
    std::vector<Entry> entries_;
    std::vector<std::string> madeFolders_;
    bool settled_ = false;
};

}  // namespace capture
