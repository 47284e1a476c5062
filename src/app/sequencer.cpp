#include "app/sequencer.h"

#include <cstdlib>

// STUB: replaced by the scenes work.
const uint32_t playlist[2] = {0, 1};
uint32_t nextPartIndex = 0;
DemoPart* currentPart = nullptr;

bool advancePart() { return false; }
bool drawFrame() { return true; }
void endShow() { std::exit(0); }
