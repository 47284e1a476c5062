#include "loader/lw_object.h"

#include <algorithm>  // Required for: std::all_of, std::copy, std::max
#include <utility>    // Required for: std::move
#include <cmath>      // Required for: std::sqrt, std::isfinite

namespace {

// A unit vector along (x, y, z) in double precision, for sums whose float
// length overflows or underflows; (0, 0, 0) when the sum has no direction.
Vec3 normaliseWide(const Vec3& sum) {
    const double x = sum.x, y = sum.y, z = sum.z;
    const double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0) || !std::isfinite(length)) return {0.0f, 0.0f, 0.0f};
    return {static_cast<float>(x / length), static_cast<float>(y / length),
            static_cast<float>(z / length)};
}

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

bool LwObject::computeNormals() {
    const size_t pointsHeld = points.size();
    normals.assign(pointsHeld, Vec3{0.0f, 0.0f, 0.0f});

    for (const Triangle& triangle : triangles) {
        const uint32_t* vertex = triangle.vertex;
        if (vertex[0] >= pointsHeld || vertex[1] >= pointsHeld || vertex[2] >= pointsHeld) continue;
        const Vec3& a = points[vertex[0]];
        const Vec3& b = points[vertex[1]];
        const Vec3& c = points[vertex[2]];
        // Both edges start at the second vertex; the cross product's length is
        // twice the triangle's area, so larger triangles weigh more.
        const Vec3 e1{a.x - b.x, a.y - b.y, a.z - b.z};
        const Vec3 e2{c.x - b.x, c.y - b.y, c.z - b.z};
        const Vec3 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z,
                     e1.x * e2.y - e1.y * e2.x};
        for (int k = 0; k < 3; ++k) {
            Vec3& sum = normals[vertex[k]];
            sum.x += n.x;
            sum.y += n.y;
            sum.z += n.z;
        }
    }

    for (Vec3& normal : normals) {
        const float length = std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z);
        const float scale = 1.0f / length;
        const Vec3 unit{normal.x * scale, normal.y * scale, normal.z * scale};
        // Zero, tiny or huge sums (1/length infinite, or the squares out of
        // float range) go the careful way.
        normal = length > 0.0f && std::isfinite(length) && finite(unit) ? unit : normaliseWide(normal);
    }
    return true;
}

void LwObject::setPoints(std::vector<Vec3> positions) {
    basePoints = std::move(positions);
    points = basePoints;
    normals.assign(basePoints.size(), Vec3{0.0f, 0.0f, 0.0f});
    uvs.assign(basePoints.size(), TexCoord{0.0f, 0.0f});
}

void LwObject::setSurfaces(int32_t n) {
    const auto count = static_cast<size_t>(std::max(n, 0));
    surfaces.assign(count, Surface());
    surfaceTriangles.assign(count, TriangleList());
}

bool LwObject::consistent() const {
    const size_t n = basePoints.size();
    if (points.size() != n || normals.size() != n || uvs.size() != n) return false;
    if (surfaceTriangles.size() != surfaces.size()) return false;
    const auto inRange = [n](const std::vector<Triangle>& list) {
        return std::all_of(list.begin(), list.end(), [n](const Triangle& t) {
            return t.vertex[0] < n && t.vertex[1] < n && t.vertex[2] < n;
        });
    };
    return inRange(triangles) && std::all_of(surfaceTriangles.begin(), surfaceTriangles.end(),
                                             [&](const TriangleList& list) { return inRange(list.triangles); });
}

void LwObject::restorePoints() { std::copy(basePoints.begin(), basePoints.end(), points.begin()); }
