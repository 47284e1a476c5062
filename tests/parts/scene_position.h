#pragma once
// Where the scripted music stands, for tests of the scenes.
#include <cstdint>

#include "sound/double/sound_double.h"

// The sound double answers this order and row until told otherwise.
inline void musicAt(int32_t order, int32_t row) {
    sound_double::script().orders = {order};
    sound_double::script().rows = {row};
}
