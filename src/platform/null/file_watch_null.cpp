// The file watcher's test double: hands out scripted batches of paths.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <utility>

#include "platform/file_watch.h"
#include "platform/null/file_watch_double.h"

namespace platform {

namespace {

struct Script {
    std::deque<std::vector<std::string>> batches;
    std::vector<std::string> refused;
    std::vector<std::string> watched;
    std::vector<FileWatch::EndedWatch> ended;  // for the next takeChanges
};

// Function-local, like the platform double's: usable from any static.
Script& script() {
    static Script state;
    return state;
}

}  // namespace

struct FileWatch::State {};

FileWatch::FileWatch() = default;
FileWatch::~FileWatch() = default;

bool FileWatch::watchDirectory(const std::string& directory) {
    const std::vector<std::string>& refused = script().refused;
    if (std::find(refused.begin(), refused.end(), directory) != refused.end()) {
        error_ = directory + ": No such file or directory";
        return false;
    }
    script().watched.push_back(directory);
    return true;
}

std::vector<std::string> FileWatch::takeChanges() {
    for (const EndedWatch& ended : std::exchange(script().ended, {})) {
        endWatch(ended.directory, ended.reason);
    }
    std::deque<std::vector<std::string>>& batches = script().batches;
    if (batches.empty()) {
        return {};
    }
    std::vector<std::string> batch = std::move(batches.front());
    batches.pop_front();
    std::sort(batch.begin(), batch.end());
    batch.erase(std::unique(batch.begin(), batch.end()), batch.end());
    return batch;
}

namespace scripted {

void resetFileWatch() { script() = Script{}; }
void queueFileChanges(std::initializer_list<std::string> paths) { script().batches.emplace_back(paths); }
void refuseDirectory(const std::string& directory) { script().refused.push_back(directory); }
void endWatch(const std::string& directory, const std::string& reason) {
    script().ended.push_back(FileWatch::EndedWatch{directory, reason});
}
const std::vector<std::string>& watchedDirectories() { return script().watched; }
int32_t pendingFileChangeBatches() { return static_cast<int32_t>(script().batches.size()); }

}  // namespace scripted

}  // namespace platform
