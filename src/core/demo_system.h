#pragma once
// The demo system's run-time core: the frame clock, the frame-rate title and
// the log. One global instance, demoSystem, constructed before the show runs.
#include <cstdint>

// A log call whose arguments do not match its format is a compile error, not
// a warning.
#pragma GCC diagnostic error "-Wformat"
// MinGW's GCC checks "printf" against Microsoft's runtime (no %zu); the
// Windows build prints through MinGW's C99 printf, which has it.
#ifdef __MINGW32__
#define VEXEL_PRINTF_FORMAT gnu_printf
#else
#define VEXEL_PRINTF_FORMAT printf
#endif

class DemoSystem {
public:
    DemoSystem();  // starts the clock, writes the start banner
    virtual ~DemoSystem();  // writes the end banner

    // Once per drawn frame, before the frame: measures frameTime and sets the
    // fps title about once a second. Always 0.
    int tick();

    // printf-style; the sink discards every message unless VEXEL_LOG=stderr
    // is set, which writes them to standard error as they are.
    void log(const char* format, ...) __attribute__((format(VEXEL_PRINTF_FORMAT, 2, 3)));

    float fps = 0.0f;            // frames counted in the last fps interval
    uint32_t frameTime = 0;      // ms between the last two ticks (elapsedMs of the frame)
    uint32_t lastFpsTick = 0;    // tick count of the last fps update
    int32_t frameCount = 0;      // frames since the last fps update
    uint32_t lastFrameTick = 0;  // tick count of the last tick()
    float version = 0.0f;        // demo system version, 0.1
};

extern DemoSystem demoSystem;
