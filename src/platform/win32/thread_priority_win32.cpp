// Thread priority through Windows' priority levels: any lowering is one
// level below the thread's own, ten nice steps or more two levels, never
// below THREAD_PRIORITY_LOWEST (idle would starve it).
// platform.h first: its names (WM_SIZE, VK_ESCAPE, ...) are macros in windows.h.
#include "platform/platform.h"

#include <windows.h>

#include <algorithm>

namespace platform {

void lowerThreadPriority(int32_t niceSteps) {
    if (niceSteps <= 0) {
        return;
    }
    const HANDLE self = GetCurrentThread();
    const int inherited = GetThreadPriority(self);
    if (inherited == THREAD_PRIORITY_ERROR_RETURN) {
        return;
    }
    const int levels = niceSteps >= 10 ? 2 : 1;
    (void)SetThreadPriority(self, std::max(inherited - levels, static_cast<int>(THREAD_PRIORITY_LOWEST)));
}

}  // namespace platform
