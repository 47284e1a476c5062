// The millisecond tick count and the local time, from the C library. Usable
// before main: the clock starts during static initialisation.
#include <ctime>

#include "platform/platform.h"

namespace platform {

uint32_t tickCount() {
    // Milliseconds since boot, cut to 32 bits like GetTickCount: it wraps.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

LocalTime localTime() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    LocalTime t;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    return t;
}

}  // namespace platform
