// A page has no folders to watch: the browser build's data is fetched once.
#include "platform/file_watch.h"

namespace platform {

struct FileWatch::State {};

FileWatch::FileWatch() = default;
FileWatch::~FileWatch() = default;

bool FileWatch::watchDirectory(const std::string& directory) {
    error_ = "'" + directory + "' cannot be watched in a browser";
    return false;
}

std::vector<std::string> FileWatch::takeChanges() { return {}; }

}  // namespace platform
