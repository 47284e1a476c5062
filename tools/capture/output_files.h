#pragma once
// Nothing half-written, nothing lost: every output goes under a temporary
// name in its target folder (so the rename stays on one file system, and the
// extension, which ffmpeg picks the container by, is kept), and all of them
// are renamed into place together, once the whole run has succeeded. A run
// that fails, or is stopped by a signal, removes its own temporaries and
// nothing else: what the target folders held before stays as it was.
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace capture {

// "the folder 'x' does not exist", "cannot write into the folder 'x': Read-only
// file system", "'x' is a folder"; empty when a file can be created in the
// folder that holds `path` (tried with a probe file, which is removed again).
std::string checkTargetFolder(const std::string& path);
// The same for a folder of frames: the folder itself when it exists, else
// the folder that will hold it.
std::string checkFramesFolder(const std::string& folder);

// The folder part of a path: "." for a bare file name.
std::string folderOf(const std::string& path);

// Removes from `folder` the temporaries of captures that no longer run (one
// killed by SIGKILL, or on a machine that went down, cleans up nothing), and
// returns how many it removed. A temporary is a plain file named exactly as
// this tool names them: ".partial-PID-N-NAME" (PID and N decimal, NAME not
// empty) or a folder check's probe, ".partial-PID-probe". It is removed when
// no process on this machine has its PID, or when the PID is this process's:
// to be called before the run has made any temporary of its own, so one
// with its PID was made by an earlier process that had the same PID. Every
// other file stays, a live run's temporaries included; a PID that a new
// process has taken keeps its files only until a run after that one ends.
size_t removeLeftovers(const std::string& folder);

class OutputFiles {
public:
    OutputFiles() = default;
    ~OutputFiles();  // abandons what was not published
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // The temporary name to write the output `path` under. Each call gives a
    // name of its own, also for a path asked for twice (the last one wins).
    // Safe to call from the frame writer's thread.
    std::string begin(const std::string& path);
    // The temporary name of a helper file beside `path` (the video's sound):
    // removed at the end, never renamed into place.
    std::string scratch(const std::string& path);
    // A folder this run made (for frames): removed on abandon if left empty.
    void madeFolder(const std::string& folder);

    // The run's commit point. When no stop signal has come, renames every
    // output into place, in the order begun, and removes the helpers; a
    // signal after this point changes nothing. Returns false, with
    // `problem` empty, when a signal had come: the run is abandoned. Returns
    // false with `problem` set when a rename failed: the outputs renamed
    // before it stay (they are complete), the rest are removed.
    bool publish(std::string& problem);
    // Removes the temporaries and the empty folders made; nothing already in
    // place is touched.
    void abandon();

private:
    struct Entry {
        std::string path;  // empty for a helper
        std::string temporary;
    };
    std::string temporaryFor(const std::string& path);
    void removeTemporaries();

    std::mutex mutex_;
    std::vector<Entry> entries_;
    std::vector<std::string> madeFolders_;
    unsigned serial_ = 0;
    bool settled_ = false;
};

}  // namespace capture
