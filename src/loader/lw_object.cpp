#include "loader/lw_object.h"

// STUB: replaced by the loader work.
bool LwObject::computeNormals() { return true; }
void LwObject::restorePoints() { points = basePoints; }
