#pragma once
// The in-memory form of one LightWave object. Positions, normals and texture
// coordinates are tightly packed floats and triangles packed 32-bit index
// triples, so the arrays go to OpenGL as they are (stride 0).
#include <cstdint>
#include <string>
#include <vector>

struct Vec3 {
    float x, y, z;
};
struct TexCoord {
    float u, v;
};
struct Triangle {
    uint32_t vertex[3];  // point indices, in the order the file lists them
};
static_assert(sizeof(Vec3) == 3 * sizeof(float), "Vec3 arrays must be packed");
static_assert(sizeof(TexCoord) == 2 * sizeof(float), "TexCoord arrays must be packed");
static_assert(sizeof(Triangle) == 3 * sizeof(uint32_t), "Triangle arrays must be packed");

class TriangleList {
public:
    virtual ~TriangleList() = default;
    int32_t count() const { return static_cast<int32_t>(triangles.size()); }
    std::vector<Triangle> triangles;  // copies of the object's triangles
};

class Surface {
public:
    virtual ~Surface() = default;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // r, g, b, a
    int32_t clipIndex = -1;  // clip number from IMAG (clips count from 1); -1: no image
};

class Tag {
public:
    Tag() = default;
    explicit Tag(std::string tagName) : name(std::move(tagName)) {}
    virtual ~Tag() = default;
    std::string name;
};

// Drawing modes of LwObject::draw.
enum DrawMode : uint32_t {
    SphereMappedArrays = 0,
    FlatImmediate = 1,
    ColouredArrays = 2,
    UvTextured = 3,
    Lines = 4,
    White = 5,
    SphereMappedImmediate = 6,
};

class LwObject {
public:
    LwObject() = default;
    virtual ~LwObject() = default;

    // Area-weighted per-point normals from points and triangles. A point
    // whose summed normal has no direction (unused, or only in degenerate or
    // cancelling triangles) gets (0, 0, 0), never NaN. Triangles with a point
    // index outside points add nothing. Always true.
    bool computeNormals();
    // The object's points as read: positions, with the per-point arrays
    // (working positions, normals, texture coordinates) sized to match and
    // zeroed. The one way the number of points is set.
    void setPoints(std::vector<Vec3> positions);
    // n surfaces with their triangle lists, all default. The one way the
    // number of surfaces is set.
    void setSurfaces(int32_t n);
    // Copies basePoints over points.
    void restorePoints();
    // Draws the object at the current model-view matrix (mesh renderer).
    bool draw(uint32_t mode);

    // The counts are the arrays' sizes: nothing to keep in step, nothing to clamp.
    int32_t surfaceCount() const { return static_cast<int32_t>(surfaces.size()); }
    int32_t triangleCount() const { return static_cast<int32_t>(triangles.size()); }
    int32_t pointCount() const { return static_cast<int32_t>(basePoints.size()); }

    // Invariants, kept by setPoints and setSurfaces and by the loader, and
    // relied on by the renderer and the parts without checks:
    //   points, basePoints, normals and uvs have pointCount entries;
    //   surfaces and surfaceTriangles have surfaceCount entries;
    //   every triangle, the surfaces' copies included, names points below pointCount.
    // Whether they hold (O(size)); for the loader's own checks and the fuzzer.
    bool consistent() const;

    std::vector<TexCoord> uvs;                  // pointCount, from the UV map "texture"
    std::vector<Vec3> points;                   // pointCount, working positions (drawn)
    std::vector<Vec3> basePoints;               // pointCount, as read from the file
    std::vector<TriangleList> surfaceTriangles; // surfaceCount
    std::vector<Vec3> normals;                  // pointCount, unit normals
    std::vector<Surface> surfaces;              // surfaceCount
    std::vector<Triangle> triangles;            // triangleCount, in file order
    std::vector<Tag> tags;                      // tag names, in file order
};
