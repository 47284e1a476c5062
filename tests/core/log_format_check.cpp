// Compiled, never run: a log call whose arguments do not fit its format must
// not compile. Built once as is (it must compile) and once with
// LOG_FORMAT_MISUSE (it must fail with a format error).
#include "core/demo_system.h"

void logProgress(DemoSystem& system, const char* path) {
    system.log("TEXMGR: '%s' loaded successfully.\n", path);
#ifdef LOG_FORMAT_MISUSE
    system.log("MAIN: Objects loaded in %.2f seconds.\n", path);
#endif
}
