// Thread priority through the nice value, which Linux keeps per thread.
#include <sys/resource.h>  // Required for: getpriority, setpriority
#include <unistd.h>        // Required for: gettid

#include <cerrno>

#include "platform/platform.h"

namespace platform {

void lowerThreadPriority(int32_t niceSteps) {
    const id_t self = static_cast<id_t>(gettid());
    errno = 0;
    const int inherited = getpriority(PRIO_PROCESS, self);  // -1 is a valid answer
    if (errno == 0) (void)setpriority(PRIO_PROCESS, self, inherited + niceSteps);
}

}  // namespace platform
