// The file watcher over ReadDirectoryChangesW: one directory handle per
// watched directory, each with one overlapped read outstanding, collected
// without waiting whenever changes are taken.
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

// One watched directory: its handle, the read outstanding on it and the
// buffer that read fills (DWORD-aligned, as the call requires).
struct Watched {
    std::string shown;  // as given, without trailing separators
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED pending{};
    std::vector<DWORD> buffer = std::vector<DWORD>(16 * 1024);
    bool reading = false;

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

    bool startRead() {
        reading = ReadDirectoryChangesW(handle, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(DWORD)),
                                        FALSE, changeFilter, nullptr, &pending, nullptr) != 0;
        return reading;
    }
};

}  // namespace

struct FileWatch::State {
    std::vector<std::unique_ptr<Watched>> directories;
    std::map<std::string, Clock::time_point> pending;  // path -> its latest event
};

FileWatch::FileWatch() : state_(std::make_unique<State>()) {}

FileWatch::~FileWatch() = default;

bool FileWatch::watchDirectory(const std::string& directory) {
    auto watched = std::make_unique<Watched>();
    watched->shown = directory;
    while (watched->shown.size() > 1 && (watched->shown.back() == '/' || watched->shown.back() == '\\')) {
        watched->shown.pop_back();
    }
    watched->handle = CreateFileW(wide(directory).c_str(), FILE_LIST_DIRECTORY,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    watched->pending.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (watched->handle == INVALID_HANDLE_VALUE || watched->pending.hEvent == nullptr || !watched->startRead()) {
        error_ = directory + ": " + systemMessage(GetLastError());
        return false;
    }
    state_->directories.push_back(std::move(watched));
    return true;
}

std::vector<std::string> FileWatch::takeChanges() {
    const Clock::time_point now = Clock::now();
    for (const std::unique_ptr<Watched>& watched : state_->directories) {
        DWORD length = 0;
        if (!watched->reading || !GetOverlappedResult(watched->handle, &watched->pending, &length, FALSE)) {
            continue;  // ERROR_IO_INCOMPLETE: nothing yet
        }
        watched->reading = false;
        if (length == 0) {
            state_->pending[watched->shown] = now;  // the system dropped events
        }
        const auto* bytes = reinterpret_cast<const char*>(watched->buffer.data());
        for (DWORD at = 0; length > 0 && at + sizeof(FILE_NOTIFY_INFORMATION) <= length;) {
            const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(bytes + at);
            const DWORD action = record->Action;
            if (action == FILE_ACTION_ADDED || action == FILE_ACTION_MODIFIED ||
                action == FILE_ACTION_RENAMED_NEW_NAME) {
                std::string name = utf8(record->FileName, record->FileNameLength / sizeof(wchar_t));
                state_->pending[watched->shown + "/" + name] = now;
            }
            if (record->NextEntryOffset == 0) break;
            at += record->NextEntryOffset;
        }
        ResetEvent(watched->pending.hEvent);
        watched->startRead();
    }
    return takeQuietPaths(state_->pending, now, quietMs);
}

}  // namespace platform
