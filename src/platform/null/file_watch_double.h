#pragma once
// Scripting and inspection of the file watcher's test double
// (file_watch_null.cpp): no file system, scripted batches of changed paths.
//
//   platform::scripted::resetFileWatch();
//   platform::scripted::queueFileChanges({"data/tessaline/gfx/bg.png"});
//   ... code under test calls FileWatch::takeChanges() ...
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace platform::scripted {

// No batches queued, no directories watched or refused.
void resetFileWatch();
// One batch: the next takeChanges of any watcher returns these paths (sorted,
// each once, as the real watcher does); calls after the batches ran out
// return nothing.
void queueFileChanges(std::initializer_list<std::string> paths);
// watchDirectory(directory) fails from now until reset.
void refuseDirectory(const std::string& directory);
// The next takeChanges of any watcher ends the directory's watch for this
// reason (takeEndedWatches reports it).
void endWatch(const std::string& directory, const std::string& reason);
// Every directory a watcher accepted, in call order.
const std::vector<std::string>& watchedDirectories();
int32_t pendingFileChangeBatches();

}  // namespace platform::scripted
