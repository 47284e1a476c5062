// The stand-in's warm-up does nothing and records nothing: it runs on a
// worker thread, and the double's call list belongs to the test's thread.
#include "sound/module_warmup.h"

namespace sound {

void warmModuleLibrary(const char*) {}

}  // namespace sound
