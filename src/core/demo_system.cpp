#include "core/demo_system.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/demo_config.h"
#include "core/service_order.h"
#include "platform/platform.h"

DemoSystem::DemoSystem() {
    const uint32_t now = platform::tickCount();
    lastFrameTick = now;
    lastFpsTick = now;
    frameCount = 0;

    version = 0.1f;
    const platform::LocalTime t = platform::localTime();
    log("vexel :: demosystem v%.2f running application '%s'.\n\n", static_cast<double>(version),
        demoConfig.title);
    log("execution started at %.2d:%.2d:%.2d, %.2d.%.2d.%d.\n\n\n", t.hour, t.minute, t.second,
        t.day, t.month, t.year);
}

DemoSystem::~DemoSystem() {
    const platform::LocalTime t = platform::localTime();
    log("execution ended at %.2d:%.2d:%.2d, %.2d.%.2d.%d.\n", t.hour, t.minute, t.second, t.day,
        t.month, t.year);
}

int DemoSystem::tick() {
    // Unsigned differences of separate readings: a wrap of the tick count
    // between two readings leaves the differences right.
    frameTime = platform::tickCount() - lastFrameTick;
    lastFrameTick = platform::tickCount();
    if (platform::tickCount() - lastFpsTick > 1000) {
        lastFpsTick = platform::tickCount();
        fps = static_cast<float>(frameCount);
        frameCount = 0;
        char buffer[200];
        std::snprintf(buffer, sizeof buffer, "%s - fps: %.0f", demoConfig.title,
                      static_cast<double>(fps));
        platform::setWindowTitle(buffer);
    }
    frameCount += 1;
    return 0;
}

namespace {

// VEXEL_LOG=stderr sends the log to standard error; anything else (or
// nothing) keeps the sink that drops every message. Read once, at the first
// message, which the start banner writes during static initialisation.
bool logToStderr() {
    static const bool enabled = [] {
        const char* sink = std::getenv("VEXEL_LOG");
        return sink != nullptr && std::strcmp(sink, "stderr") == 0;
    }();
    return enabled;
}

}  // namespace

void DemoSystem::log(const char* format, ...) {
    if (!logToStderr()) return;  // callers still form their arguments
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
}

__attribute__((VEXEL_DEMO_SYSTEM_ORDER)) DemoSystem demoSystem;
