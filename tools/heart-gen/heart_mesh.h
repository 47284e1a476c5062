#pragma once
// Closed triangle meshes for the show's object and for load benchmarks.
// Triangles are wound counter-clockwise seen from outside (right-handed
// coordinates, the viewer on +z looks towards -z).
#include <array>
#include <cstdint>
#include <vector>

struct Mesh {
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<uint32_t, 3>> triangles;
    std::vector<std::array<float, 2>> uvs;  // one per point
};

// A smooth heart: lobes up (+y), point down, front towards +z, centred on the
// origin and scaled so that its farthest point lies at radius `radius`.
// `frequency` subdivides each face of an icosahedron into frequency^2
// triangles: 10 f^2 + 2 points and 20 f^2 triangles (f = 17: 2892 and 5780).
Mesh makeHeart(int32_t frequency, float radius);

// The same surface with every triangle on three points of its own (3 points
// per triangle, positions and uvs copied, winding kept). A loader that
// averages normals over the triangles meeting at a point then gives each
// point its own triangle's normal, so a renderer that takes one normal per
// triangle shades true facets instead of the normal of an arbitrary corner.
// Copies of a point move together under any deformation that depends only
// on position, so the surface stays closed.
Mesh facetted(const Mesh& mesh);

// A torus of rings x sides points around the z axis (major radius 0.6, minor
// 0.25): rings * sides points, 2 * rings * sides triangles.
Mesh makeTorus(int32_t rings, int32_t sides);

// Quality figures of a mesh, for the generator's own checks.
struct MeshStats {
    float maxRadius = 0.0f;       // farthest point from the origin
    float minAngleDeg = 0.0f;     // smallest triangle corner angle
    float volume = 0.0f;          // signed; positive when wound outward
    int32_t openEdges = 0;        // directed edges without their opposite
    float minY = 0.0f, maxY = 0.0f, minX = 0.0f, maxX = 0.0f, minZ = 0.0f, maxZ = 0.0f;
};
MeshStats measure(const Mesh& mesh);
