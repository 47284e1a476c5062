#include "sound/module_warmup.h"

#include <cstddef>
#include <libopenmpt/libopenmpt.hpp>
#include <ostream>
#include <streambuf>
#include <vector>

#include "sound/module_render.h"

namespace sound {

namespace {

// libopenmpt's messages are dropped; a stream of this thread's own, so that
// nothing is shared with the layer's modules opened meanwhile.
class Discard : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

}  // namespace

void warmModuleLibrary(const char* path) {
    std::vector<std::byte> bytes;
    if (!readWholeFile(path, bytes) || bytes.empty()) return;
    Discard discard;
    std::ostream log(&discard);
    try {
        const openmpt::module module(bytes, log);
    } catch (...) {
        // Not a module (or out of memory): the first real load pays instead.
    }
}

}  // namespace sound
