// libFuzzer target: the LWO2 loader's in-memory parse. Besides the
// sanitizers' findings, any finished object that breaks what the renderer and
// the parts rely on (array sizes, indices in range, finite normals) aborts.
#include <cmath>    // Required for: std::isfinite
#include <cstdint>
#include <cstdlib>  // Required for: abort
#include <memory>

#include "loader/lwob_loader.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

void checkObject(const LwObject& o) {
    require(o.consistent());
    require(o.tags.size() == o.surfaces.size());
    for (const Vec3& n : o.normals) require(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LwobLoader loader;
    if (!loader.openBytes(data, size)) return 0;
    const bool parsed = loader.parse();
    loader.closeFile();
    std::unique_ptr<LwObject> object(loader.object);
    if (parsed) checkObject(*object);
    return 0;
}
