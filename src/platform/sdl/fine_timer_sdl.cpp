// The fine timer over SDL's performance counter. SDL_Delay sleeps in
// milliseconds; on Windows SDL raises the system timer to 1 ms resolution
// while it runs, so a sleep ends within about a millisecond there too.
#include <SDL.h>

#include "platform/platform.h"

namespace platform {

uint64_t performanceCounter() { return SDL_GetPerformanceCounter(); }

uint64_t performanceFrequency() { return SDL_GetPerformanceFrequency(); }

void sleepMs(uint32_t ms) { SDL_Delay(ms); }

void yieldThread() { SDL_Delay(0); }

}  // namespace platform
