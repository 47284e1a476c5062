// The console platform, for tools that read the show's data without showing
// it (the object inspector, the fuzzers): no window, so message boxes go to
// standard error and the title goes nowhere. Time comes from platform/posix.
#include <cstdio>

#include "platform/platform.h"

namespace platform {

BoxAnswer messageBox(const char* text, const char* caption, BoxButtons buttons, BoxIcon /*icon*/) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
}

void setWindowTitle(const char* /*title*/) {}

}  // namespace platform
