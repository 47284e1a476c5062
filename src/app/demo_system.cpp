#include "app/demo_system.h"

// STUB: replaced by the shell work.
DemoSystem::DemoSystem() {}
DemoSystem::~DemoSystem() {}
int DemoSystem::tick() { return 0; }
void DemoSystem::log(const char*, ...) {}
