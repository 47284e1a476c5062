#include "loader/lw_object.h"

// STUB: replaced by the scenes work.
bool LwObject::draw(uint32_t) { return true; }
