// The file watcher over ReadDirectoryChangesW: one directory handle per
// watched directory, each with one overlapped read outstanding, collected
// without waiting whenever changes are taken. A read that completes with an
// error ends that directory's watch; so does its path, checked every second,
// no longer naming the directory (the handle follows a renamed directory, and
// Wine completes no read with an error when it is deleted).
#include <windows.h>

#include <chrono>
#include <map>
#include <vector>

#include "platform/file_watch.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// What counts as a change to a file in a watched directory: created, renamed
// into place, written, attributes touched.
constexpr DWORD changeFilter =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_ATTRIBUTES;

std::wstring wide(const std::string& utf8) {
    const int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), count);
    return out;
}

std::string utf8(const wchar_t* text, size_t length) {
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), bytes, nullptr, nullptr);
    return out;
}

std::string systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length > 0 ? utf8(text, length) : "error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

// Which directory a handle is open on: the volume's serial number and the
// directory's index on it.
struct DirectoryId {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const DirectoryId&) const = default;
};

// 0, or the system's error code.
DWORD identify(HANDLE handle, DirectoryId& id) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) {
        return GetLastError();
    }
    id = DirectoryId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return 0;
}

// Why the path no longer names the directory `id`, or "" while it does.
std::string whyNotThere(const std::wstring& path, const DirectoryId& id) {
    const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return systemMessage(GetLastError());
    }
    DirectoryId now;
    const DWORD error = identify(handle, now);
    CloseHandle(handle);
    if (error != 0) {
        return systemMessage(error);
    }
    return now == id ? std::string() : FileWatch::replacedReason;
}

// One watched directory: its handle, the read outstanding on it and the
// buffer that read fills (DWORD-aligned, as the call requires).
struct Watched {
    std::string shown;  // as given, without trailing separators
    std::wstring path;  // as given
    DirectoryId id;
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED pending{};
    std::vector<DWORD> buffer = std::vector<DWORD>(16 * 1024);
    bool reading = false;  // a read is outstanding: the buffer is the system's

    Watched() = default;
    Watched(const Watched&) = delete;
    Watched& operator=(const Watched&) = delete;
    ~Watched() {
        if (handle != INVALID_HANDLE_VALUE) {
            CancelIoEx(handle, &pending);
            DWORD ignored = 0;
            if (reading) GetOverlappedResult(handle, &pending, &ignored, TRUE);  // the buffer outlives the read
            CloseHandle(handle);
        }
        if (pending.hEvent != nullptr) CloseHandle(pending.hEvent);
    }

    // Starts the next read. 0, or the system's error code.
    DWORD startRead() {
        ResetEvent(pending.hEvent);
        reading = ReadDirectoryChangesW(handle, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(DWORD)),
                                        FALSE, changeFilter, nullptr, &pending, nullptr) != 0;
        return reading ? 0 : GetLastError();
    }

    // Takes the outstanding read's changes into `changed` (path -> when seen)
    // if it has completed, and starts the next. Returns why the watch has
    // ended, or "" while it goes on.
    std::string collect(std::map<std::string, Clock::time_point>& changed, Clock::time_point now) {
        DWORD length = 0;
        if (!GetOverlappedResult(handle, &pending, &length, FALSE)) {
            const DWORD error = GetLastError();
            if (error == ERROR_IO_INCOMPLETE) {
                return {};  // nothing yet
            }
            reading = false;
            if (error != ERROR_NOTIFY_ENUM_DIR) {
                return systemMessage(error);  // deleted, access denied, aborted, the share gone...
            }
            length = 0;  // more changes than the buffer holds: as dropped
        }
        reading = false;
        if (length == 0) {
            changed[shown] = now;  // the system dropped events
        }
        const auto* bytes = reinterpret_cast<const char*>(buffer.data());
        for (DWORD at = 0; length > 0 && at + sizeof(FILE_NOTIFY_INFORMATION) <= length;) {
            const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(bytes + at);
            const DWORD action = record->Action;
            if (action == FILE_ACTION_ADDED || action == FILE_ACTION_MODIFIED ||
                action == FILE_ACTION_RENAMED_NEW_NAME) {
                std::string name = utf8(record->FileName, record->FileNameLength / sizeof(wchar_t));
                changed[shown + "/" + name] = now;
            }
            if (record->NextEntryOffset == 0) break;
            at += record->NextEntryOffset;
        }
        const DWORD error = startRead();
        return error == 0 ? std::string() : systemMessage(error);
    }
};

// A directory renamed or deleted under an open handle does not end the read
// (the handle follows the directory), so the path is checked this often.
constexpr auto checkEvery = std::chrono::milliseconds(1000);

}  // namespace

struct FileWatch::State {
    std::vector<std::unique_ptr<Watched>> directories;
    std::map<std::string, Clock::time_point> pending;  // path -> its latest event
    Clock::time_point checked = Clock::now();          // when the paths were last checked
};

FileWatch::FileWatch() : state_(std::make_unique<State>()) {}

FileWatch::~FileWatch() = default;

bool FileWatch::watchDirectory(const std::string& directory) {
    const auto refuse = [&](DWORD error) {
        error_ = directory + ": " + systemMessage(error);
        return false;
    };
    auto watched = std::make_unique<Watched>();
    watched->shown = directory;
    while (watched->shown.size() > 1 && (watched->shown.back() == '/' || watched->shown.back() == '\\')) {
        watched->shown.pop_back();
    }
    watched->path = wide(directory);
    // Each error code is read right after the call that failed: a call that
    // succeeds may set it to 0.
    watched->handle = CreateFileW(watched->path.c_str(), FILE_LIST_DIRECTORY,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (watched->handle == INVALID_HANDLE_VALUE) {
        return refuse(GetLastError());
    }
    watched->pending.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (watched->pending.hEvent == nullptr) {
        return refuse(GetLastError());
    }
    if (const DWORD error = identify(watched->handle, watched->id); error != 0) {
        return refuse(error);
    }
    if (const DWORD error = watched->startRead(); error != 0) {
        return refuse(error);
    }
    state_->directories.push_back(std::move(watched));
    return true;
}

std::vector<std::string> FileWatch::takeChanges() {
    const Clock::time_point now = Clock::now();
    const bool checkDue = now - state_->checked >= checkEvery;
    if (checkDue) {
        state_->checked = now;
    }
    std::vector<std::unique_ptr<Watched>>& directories = state_->directories;
    for (auto watched = directories.begin(); watched != directories.end();) {
        std::string ended = (*watched)->collect(state_->pending, now);
        if (ended.empty() && checkDue) {
            ended = whyNotThere((*watched)->path, (*watched)->id);
        }
        if (ended.empty()) {
            ++watched;
        } else {
            endWatch((*watched)->shown, ended);
            watched = directories.erase(watched);
        }
    }
    return takeQuietPaths(state_->pending, now, quietMs);
}

}  // namespace platform
