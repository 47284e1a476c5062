/* Preloaded into the show by startup.sh: notes when the first frame of the
 * main loop reaches the screen. The show swaps once while it sets up its
 * render state (both buffers cleared) and next after drawing its first frame;
 * on that second swap this writes the nanoseconds since STARTUP_T0_NS
 * (CLOCK_REALTIME, taken by the launcher just before it started the show)
 * to the file STARTUP_REPORT. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef void (*SwapWindowFn)(void* window);

void SDL_GL_SwapWindow(void* window) {
    static SwapWindowFn real = NULL;
    static int swaps = 0;
    if (real == NULL) {
        real = (SwapWindowFn)dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    }
    real(window);
    if (++swaps == 2) {
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        const char* start = getenv("STARTUP_T0_NS");
        const char* report = getenv("STARTUP_REPORT");
        if (start != NULL && report != NULL) {
            const long long elapsedNs = (long long)now.tv_sec * 1000000000LL + now.tv_nsec - atoll(start);
            FILE* out = fopen(report, "w");
            if (out != NULL) {
                fprintf(out, "%lld\n", elapsedNs);
                fclose(out);
            }
        }
    }
}
