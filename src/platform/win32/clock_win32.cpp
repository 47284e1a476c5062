// The millisecond tick count from the performance counter (GetTickCount
// itself moves in steps of 10 to 16 ms, which would make every frame's
// elapsedMs 0 or 16), and the local time. Usable before main.
// platform.h first: its names (WM_SIZE, VK_ESCAPE, ...) are macros in windows.h.
#include "platform/platform.h"

#include <windows.h>

namespace platform {

uint32_t tickCount() {
    static const uint64_t ticksPerSecond = [] {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);  // never fails since Windows XP
        return static_cast<uint64_t>(frequency.QuadPart);
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    const uint64_t ticks = static_cast<uint64_t>(now.QuadPart);
    // Whole seconds and the rest apart, so that the product cannot overflow.
    const uint64_t ms = ticks / ticksPerSecond * 1000u + ticks % ticksPerSecond * 1000u / ticksPerSecond;
    return static_cast<uint32_t>(ms);  // wraps like GetTickCount
}

LocalTime localTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    LocalTime t;
    t.year = now.wYear;
    t.month = now.wMonth;
    t.day = now.wDay;
    t.hour = now.wHour;
    t.minute = now.wMinute;
    t.second = now.wSecond;
    return t;
}

}  // namespace platform
