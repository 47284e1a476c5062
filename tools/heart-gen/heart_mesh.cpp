// The heart is the zero set of a classic implicit heart,
//
//   F(x, y, z) = (x^2 + 9/4 y^2 + z^2 - 1)^3 - x^2 z^3 - 9/80 y^2 z^3,
//
// with z up and y the thin front-to-back axis; F < 0 inside. The surface is
// smooth but for two cusps, the cleft between the lobes and the point.
// (Shifting the level to round the cusps off was tried: it puts a shelf
// round the waist where x^2 z^3 equals the shift.)
//
// Meshing: a geodesic sphere (a subdivided icosahedron, whose triangles are
// nearly equilateral) with its poles on the cusps is projected along rays
// from a centre inside the heart onto the surface, then relaxed on the
// surface so that the triangles near the cleft, where the rays meet the
// surface at a grazing angle, even out. The point's cusp is finer than the
// mesh and is blunted by half.
#include "heart_mesh.h"

#include <algorithm>  // Required for: std::min, std::max, std::swap
#include <cmath>      // Required for: std::sqrt, std::atan2, std::asin, std::acos
#include <map>        // Required for: std::map (shared vertices of the sphere)
#include <numbers>    // Required for: std::numbers::pi

namespace {

using Vec = std::array<double, 3>;

Vec add(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec mul(const Vec& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double length(const Vec& a) { return std::sqrt(dot(a, a)); }
Vec unit(const Vec& a) { return mul(a, 1.0 / length(a)); }

// ---- the implicit heart (z up, y front to back) --------------------------------

// Rays start here, near the middle of the heart's height (z from -1 to about
// 1.15), so that the lobes and the point get a similar share of the sphere's
// directions.
constexpr Vec rayCentre = {0.0, 0.0, 0.05};

double heart(const Vec& p) {
    const double x = p[0], y = p[1], z = p[2];
    const double a = x * x + 2.25 * y * y + z * z - 1.0;
    return a * a * a - x * x * z * z * z - 0.1125 * y * y * z * z * z;
}

Vec heartGradient(const Vec& p) {
    const double x = p[0], y = p[1], z = p[2];
    const double a = x * x + 2.25 * y * y + z * z - 1.0;
    const double a2 = 3.0 * a * a;
    return {a2 * 2.0 * x - 2.0 * x * z * z * z,
            a2 * 4.5 * y - 0.225 * y * z * z * z,
            a2 * 2.0 * z - 3.0 * x * x * z * z - 0.3375 * y * y * z * z};
}

// Where the ray from rayCentre along direction first leaves the heart.
Vec castRay(const Vec& direction) {
    constexpr double step = 0.005;
    double inside = 0.0;
    double outside = step;
    while (heart(add(rayCentre, mul(direction, outside))) < 0.0) {
        inside = outside;
        outside += step;
    }
    for (int i = 0; i < 60; ++i) {
        const double middle = 0.5 * (inside + outside);
        (heart(add(rayCentre, mul(direction, middle))) < 0.0 ? inside : outside) = middle;
    }
    return add(rayCentre, mul(direction, 0.5 * (inside + outside)));
}

// Moves p onto the surface along the gradient (Newton steps).
Vec ontoSurface(Vec p) {
    for (int i = 0; i < 8; ++i) {
        const Vec g = heartGradient(p);
        const double gg = dot(g, g);
        if (gg < 1e-18) break;
        p = sub(p, mul(g, heart(p) / gg));
    }
    return p;
}

// ---- the geodesic sphere --------------------------------------------------------

struct Sphere {
    std::vector<Vec> directions;
    std::vector<std::array<uint32_t, 3>> triangles;
};

Sphere geodesicSphere(int32_t frequency) {
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    Vec corners[12] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                       {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                       {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    // Turned about x so that corner 5 is the north pole and corner 6 the
    // south pole: the heart's cleft and point then fall on points of the
    // mesh, and the mesh is mirror-symmetric left to right like the heart.
    const double turn = std::atan2(1.0, t);
    for (Vec& c : corners) {
        c = {c[0], c[1] * std::cos(turn) - c[2] * std::sin(turn), c[1] * std::sin(turn) + c[2] * std::cos(turn)};
    }
    // Counter-clockwise seen from outside.
    const int faces[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                              {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                              {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                              {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    Sphere sphere;
    // A point of the subdivision is a weighted sum of corners; keyed by its
    // (corner, weight) pairs in corner order, the points on shared edges and
    // corners come out once, with the same coordinates from every face.
    std::map<std::array<int, 6>, uint32_t> known;
    const int n = frequency;
    auto pointOf = [&](const int face[3], int wa, int wb, int wc) {
        // Corners of weight 0 are left out, so that an edge's points have the
        // same key from both of its faces.
        std::array<std::pair<int, int>, 3> terms = {
            {{face[0], wa}, {face[1], wb}, {face[2], wc}}};
        for (auto& term : terms) {
            if (term.second == 0) term.first = 99;
        }
        std::sort(terms.begin(), terms.end());
        std::array<int, 6> key{};
        Vec sum{0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            const int weight = terms[k].second;
            key[2 * k] = terms[k].first;
            key[2 * k + 1] = weight;
            if (weight > 0) sum = add(sum, mul(corners[terms[k].first], weight));
        }
        const auto [it, added] = known.try_emplace(key, static_cast<uint32_t>(sphere.directions.size()));
        if (added) sphere.directions.push_back(unit(sum));
        return it->second;
    };
    for (const auto& face : faces) {
        // Row i, column j: weight n - i - j on the first corner, i on the
        // second, j on the third.
        std::vector<std::vector<uint32_t>> grid(n + 1);
        for (int i = 0; i <= n; ++i) {
            for (int j = 0; i + j <= n; ++j) grid[i].push_back(pointOf(face, n - i - j, i, j));
        }
        for (int i = 0; i < n; ++i) {
            for (int j = 0; i + j < n; ++j) {
                sphere.triangles.push_back({grid[i][j], grid[i + 1][j], grid[i][j + 1]});
                if (i + j + 1 < n) {
                    sphere.triangles.push_back({grid[i + 1][j], grid[i + 1][j + 1], grid[i][j + 1]});
                }
            }
        }
    }
    return sphere;
}

// ---- relaxation -------------------------------------------------------------------

// Tangential umbrella smoothing on the surface: each point moves towards the
// mean of its neighbours within its tangent plane and is put back on the
// surface. Spreads the points evenly where the rays crowd or thin them out.
void relax(std::vector<Vec>& points, const std::vector<std::array<uint32_t, 3>>& triangles,
           int32_t rounds) {
    std::vector<std::vector<uint32_t>> neighbours(points.size());
    for (const auto& t : triangles) {
        for (int k = 0; k < 3; ++k) {
            const uint32_t a = t[k], b = t[(k + 1) % 3];
            neighbours[a].push_back(b);  // every edge is met once in each direction
        }
    }
    std::vector<Vec> moved(points.size());
    for (int32_t round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < points.size(); ++i) {
            Vec mean{0, 0, 0};
            for (uint32_t j : neighbours[i]) mean = add(mean, points[j]);
            mean = mul(mean, 1.0 / static_cast<double>(neighbours[i].size()));
            const Vec gradient = heartGradient(points[i]);
            if (length(gradient) < 1e-6) {
                moved[i] = points[i];  // the cleft's and the point's cusps stay where they are
                continue;
            }
            const Vec normal = unit(gradient);
            Vec shift = sub(mean, points[i]);
            shift = sub(shift, mul(normal, dot(shift, normal)));
            moved[i] = ontoSurface(add(points[i], mul(shift, 0.5)));
        }
        points.swap(moved);
    }
}

// The surface's point is a cusp much finer than the mesh, which shows as a
// spike on the lowest point of the mesh; half of the spike is taken off.
void bluntPoint(std::vector<Vec>& points, const std::vector<std::array<uint32_t, 3>>& triangles) {
    uint32_t lowest = 0;
    for (uint32_t i = 0; i < points.size(); ++i) {
        if (points[i][2] < points[lowest][2]) lowest = i;
    }
    Vec mean{0, 0, 0};
    int count = 0;
    for (const auto& t : triangles) {
        for (int k = 0; k < 3; ++k) {
            if (t[k] != lowest) continue;
            mean = add(mean, points[t[(k + 1) % 3]]);
            ++count;
        }
    }
    if (count == 0) return;
    mean = mul(mean, 1.0 / count);
    points[lowest] = add(mean, mul(sub(points[lowest], mean), 0.5));
}

}  // namespace

Mesh makeHeart(int32_t frequency, float radius) {
    const Sphere sphere = geodesicSphere(frequency);
    std::vector<Vec> points;
    points.reserve(sphere.directions.size());
    for (const Vec& d : sphere.directions) points.push_back(castRay(d));
    relax(points, sphere.triangles, 40);
    bluntPoint(points, sphere.triangles);

    // To the show's axes: the heart's up (z) becomes +y and its front (-y)
    // becomes +z. (x, y, z) -> (x, z, -y) is a rotation, so the winding stays
    // counter-clockwise from outside.
    for (Vec& p : points) p = {p[0], p[2], -p[1]};
    Vec low = points[0], high = points[0];
    for (const Vec& p : points) {
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min(low[k], p[k]);
            high[k] = std::max(high[k], p[k]);
        }
    }
    const Vec centre = mul(add(low, high), 0.5);
    double farthest = 0.0;
    for (Vec& p : points) {
        p = sub(p, centre);
        farthest = std::max(farthest, length(p));
    }
    const double scale = radius / farthest;

    Mesh mesh;
    mesh.triangles = sphere.triangles;
    for (size_t i = 0; i < points.size(); ++i) {
        const Vec p = mul(points[i], scale);
        mesh.points.push_back({static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])});
        // A spherical map around the vertical axis, from the point's
        // direction as seen from the centre.
        const Vec d = unit(p);
        const double u = 0.5 + std::atan2(d[0], d[2]) / (2.0 * std::numbers::pi);
        const double v = 0.5 + std::asin(std::clamp(d[1], -1.0, 1.0)) / std::numbers::pi;
        mesh.uvs.push_back({static_cast<float>(u), static_cast<float>(v)});
    }
    return mesh;
}

Mesh facetted(const Mesh& mesh) {
    Mesh facets;
    facets.points.reserve(3 * mesh.triangles.size());
    facets.uvs.reserve(3 * mesh.triangles.size());
    facets.triangles.reserve(mesh.triangles.size());
    for (const auto& t : mesh.triangles) {
        const auto first = static_cast<uint32_t>(facets.points.size());
        for (const uint32_t corner : t) {
            facets.points.push_back(mesh.points[corner]);
            facets.uvs.push_back(mesh.uvs[corner]);
        }
        facets.triangles.push_back({first, first + 1, first + 2});
    }
    return facets;
}

Mesh makeTorus(int32_t rings, int32_t sides) {
    constexpr double major = 0.6, minor = 0.25;
    Mesh mesh;
    for (int32_t r = 0; r < rings; ++r) {
        const double a = 2.0 * std::numbers::pi * r / rings;
        for (int32_t s = 0; s < sides; ++s) {
            const double b = 2.0 * std::numbers::pi * s / sides;
            const double w = major + minor * std::cos(b);
            mesh.points.push_back({static_cast<float>(w * std::cos(a)), static_cast<float>(w * std::sin(a)),
                                   static_cast<float>(minor * std::sin(b))});
            mesh.uvs.push_back({static_cast<float>(r) / rings, static_cast<float>(s) / sides});
        }
    }
    auto at = [&](int32_t r, int32_t s) {
        return static_cast<uint32_t>((r % rings) * sides + (s % sides));
    };
    for (int32_t r = 0; r < rings; ++r) {
        for (int32_t s = 0; s < sides; ++s) {
            mesh.triangles.push_back({at(r, s), at(r + 1, s), at(r + 1, s + 1)});
            mesh.triangles.push_back({at(r, s), at(r + 1, s + 1), at(r, s + 1)});
        }
    }
    return mesh;
}

MeshStats measure(const Mesh& mesh) {
    MeshStats stats;
    if (mesh.points.empty()) return stats;
    stats.minX = stats.maxX = mesh.points[0][0];
    stats.minY = stats.maxY = mesh.points[0][1];
    stats.minZ = stats.maxZ = mesh.points[0][2];
    for (const auto& p : mesh.points) {
        stats.maxRadius = std::max(stats.maxRadius, std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]));
        stats.minX = std::min(stats.minX, p[0]);
        stats.maxX = std::max(stats.maxX, p[0]);
        stats.minY = std::min(stats.minY, p[1]);
        stats.maxY = std::max(stats.maxY, p[1]);
        stats.minZ = std::min(stats.minZ, p[2]);
        stats.maxZ = std::max(stats.maxZ, p[2]);
    }
    auto vec = [&](uint32_t i) { return Vec{mesh.points[i][0], mesh.points[i][1], mesh.points[i][2]}; };
    double minAngle = 180.0;
    double volume = 0.0;
    std::map<std::pair<uint32_t, uint32_t>, int> edges;
    for (const auto& t : mesh.triangles) {
        const Vec a = vec(t[0]), b = vec(t[1]), c = vec(t[2]);
        volume += dot(a, cross(b, c)) / 6.0;
        const Vec corners[3] = {a, b, c};
        for (int k = 0; k < 3; ++k) {
            const Vec e1 = sub(corners[(k + 1) % 3], corners[k]);
            const Vec e2 = sub(corners[(k + 2) % 3], corners[k]);
            const double cosine = dot(e1, e2) / (length(e1) * length(e2));
            minAngle = std::min(minAngle, std::acos(std::clamp(cosine, -1.0, 1.0)) * 180.0 / std::numbers::pi);
            ++edges[{t[k], t[(k + 1) % 3]}];
        }
    }
    for (const auto& [edge, count] : edges) {
        const auto opposite = edges.find({edge.second, edge.first});
        if (count != 1 || opposite == edges.end() || opposite->second != 1) ++stats.openEdges;
    }
    stats.minAngleDeg = static_cast<float>(minAngle);
    stats.volume = static_cast<float>(volume);
    return stats;
}
