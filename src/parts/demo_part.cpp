#include "parts/demo_part.h"

// STUB: replaced by the scenes work.
void DemoPart::drawBackdrop(int) {}
void DemoPart::drawOverlay(int, bool) {}
void DemoPart::render(int32_t) {}
void DemoPart::stop() { active = false; }
void DemoPart::start() { active = true; }
void DemoPart::drawFade(float) {}
void DemoPart::fadeIn(float, float, float, float) {}
void DemoPart::fadeOut(float, float, float, float) {}
