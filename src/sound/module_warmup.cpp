#include "sound/module_warmup.h"

#include <cstddef>
#include <libopenmpt/libopenmpt.hpp>
#include <ostream>
#include <vector>

#include "sound/module_render.h"

namespace sound {

void warmModuleLibrary(const char* path) {
    std::vector<std::byte> bytes;
    if (!readWholeFile(path, bytes) || bytes.empty()) return;
    // libopenmpt's messages are dropped into a stream of this thread's own,
    // so that nothing is shared with the layer's modules opened meanwhile.
    DiscardBuffer discard;
    std::ostream log(&discard);
    try {
        const openmpt::module module(bytes, log);
    } catch (...) {
        // Not a module (or out of memory): the first real load pays instead.
    }
}

}  // namespace sound
