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

bool inRange(const Triangle& t, size_t points) {
    return t.vertex[0] < points && t.vertex[1] < points && t.vertex[2] < points;
}

void checkObject(const LwObject& o) {
    const auto points = static_cast<size_t>(o.pointCount);
    require(o.pointCount >= 0 && o.triangleCount >= 0 && o.surfaceCount >= 0);
    require(o.points.size() == points && o.basePoints.size() == points);
    require(o.normals.size() == points && o.uvs.size() == points);
    require(o.triangles.size() == static_cast<size_t>(o.triangleCount));
    require(o.surfaces.size() == static_cast<size_t>(o.surfaceCount));
    require(o.surfaceTriangles.size() == static_cast<size_t>(o.surfaceCount));
    require(o.tags.size() == static_cast<size_t>(o.surfaceCount));
    for (const Triangle& t : o.triangles) require(inRange(t, points));
    for (const TriangleList& list : o.surfaceTriangles) {
        require(list.triangles.size() == static_cast<size_t>(list.count));
        for (const Triangle& t : list.triangles) require(inRange(t, points));
    }
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
