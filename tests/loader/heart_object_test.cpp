// The show's own heart object, as the build writes it and the loader reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

#include "lwo_test_writer.h"
#include "test_paths.h"

namespace {

class HeartObject : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        LwobLoader loader;
        loader.clipSink = &recordClip;
        sunkClips().clear();
        object_.reset(loader.load(buildPath("data/tessaline/objects/heart.lwo").c_str()));
        report_ = loader.report;
        clips_ = sunkClips();
    }
    static void TearDownTestSuite() { object_.reset(); }

    void SetUp() override { ASSERT_NE(object_, nullptr) << "the build writes the heart object"; }

    static std::unique_ptr<LwObject> object_;
    static LoadReport report_;
    static std::vector<std::string> clips_;
};
std::unique_ptr<LwObject> HeartObject::object_;
LoadReport HeartObject::report_;
std::vector<std::string> HeartObject::clips_;

TEST_F(HeartObject, LoadsCleanlyAtTheIntendedSize) {
    EXPECT_TRUE(report_.clean());
    EXPECT_NEAR(object_->triangleCount(), 5780, 600);
    EXPECT_EQ(object_->pointCount(), 3 * object_->triangleCount()) << "every triangle has points of its own";
    EXPECT_EQ(report_.uvEntries, object_->pointCount());
}

TEST_F(HeartObject, OneRedSurfaceShowingClipOne) {
    ASSERT_EQ(object_->surfaceCount(), 1);
    const Surface& s = object_->surfaces[0];
    EXPECT_EQ(s.clipIndex, 1);
    EXPECT_GT(s.colour[0], 0.7f);
    EXPECT_LT(s.colour[1], 0.4f);
    EXPECT_LT(s.colour[2], 0.4f);
    EXPECT_EQ(object_->surfaceTriangles[0].count(), object_->triangleCount());
    EXPECT_EQ(clips_, (std::vector<std::string>{"data/tessaline/gfx/heart-env.png"}));
}

// FNV-1a over everything the show takes from the object: the arrays' bytes
// in order, each preceded by its length, then the tag names and clip paths.
class Digest {
public:
    void bytes(const void* data, size_t length) {
        const auto* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < length; ++i) value = (value ^ p[i]) * 0x100000001b3ull;
    }
    template <typename T>
    void array(const std::vector<T>& items) {
        const uint64_t count = items.size();
        bytes(&count, sizeof count);
        bytes(items.data(), items.size() * sizeof(T));
    }
    void text(const std::string& s) { array(std::vector<char>(s.begin(), s.end())); }

    uint64_t value = 0xcbf29ce484222325ull;
};

uint64_t objectDigest(const LwObject& o, const std::vector<std::string>& clips) {
    Digest d;
    d.array(o.basePoints);
    d.array(o.points);
    d.array(o.normals);
    d.array(o.uvs);
    d.array(o.triangles);
    for (const Surface& s : o.surfaces) {
        d.bytes(s.colour, sizeof s.colour);
        d.bytes(&s.clipIndex, sizeof s.clipIndex);
    }
    for (const TriangleList& list : o.surfaceTriangles) d.array(list.triangles);
    for (const Tag& tag : o.tags) d.text(tag.name);
    for (const std::string& clip : clips) d.text(clip);
    return d.value;
}

uint64_t fileDigest(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buffer[65536];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
        std::fclose(f);
    }
    Digest d;
    d.array(bytes);
    return d.value;
}

// The loader may change how it reads, never what it makes of the show's own
// file. Both digests were recorded from the loader the show shipped with; a
// change to tools/heart-gen changes the first and needs both recorded anew.
TEST_F(HeartObject, LoadsToTheRecordedObjectByteForByte) {
    constexpr uint64_t recordedFile = 0x34e89f398760d497ull;
    constexpr uint64_t recordedObject = 0xcb5ee8853aaf486cull;
    const uint64_t file = fileDigest(buildPath("data/tessaline/objects/heart.lwo"));
    const uint64_t object = objectDigest(*object_, clips_);
    char digests[80];
    std::snprintf(digests, sizeof digests, "file 0x%016" PRIx64 ", object 0x%016" PRIx64, file, object);
    ASSERT_EQ(file, recordedFile) << "heart.lwo is not the file the object digest was taken from: " << digests;
    EXPECT_EQ(object, recordedObject) << digests;
}

// Points at the same position count as one corner: the facets share no
// points, but their copies must coincide exactly so that no crack opens.
std::vector<uint32_t> cornerIds(const LwObject& object) {
    std::map<std::tuple<float, float, float>, uint32_t> ids;
    std::vector<uint32_t> corner;
    for (const Vec3& p : object.points) {
        corner.push_back(ids.emplace(std::make_tuple(p.x, p.y, p.z), static_cast<uint32_t>(ids.size())).first->second);
    }
    return corner;
}

TEST_F(HeartObject, ClosedWithEveryEdgeInBothDirectionsOnce) {
    const std::vector<uint32_t> corner = cornerIds(*object_);
    std::map<std::pair<uint32_t, uint32_t>, int> edges;
    for (const Triangle& t : object_->triangles) {
        for (int k = 0; k < 3; ++k) {
            const uint32_t from = corner[t.vertex[k]], to = corner[t.vertex[(k + 1) % 3]];
            ASSERT_NE(from, to);
            ++edges[{from, to}];
        }
    }
    for (const auto& [edge, count] : edges) {
        ASSERT_EQ(count, 1) << edge.first << "-" << edge.second;
        ASSERT_EQ(edges.count({edge.second, edge.first}), 1u) << edge.first << "-" << edge.second;
    }
    // Euler characteristic of a sphere: V - E + F = 2.
    const auto cornerCount = static_cast<int32_t>(*std::max_element(corner.begin(), corner.end()) + 1);
    EXPECT_EQ(cornerCount - static_cast<int32_t>(edges.size() / 2) + object_->triangleCount(), 2);
}

// Drawn with one normal per triangle (its first point's), the heart shows
// clean facets only if that normal is the triangle's own.
TEST_F(HeartObject, EachTriangleCarriesItsOwnFaceNormal) {
    for (const Triangle& t : object_->triangles) {
        const Vec3& a = object_->points[t.vertex[0]];
        const Vec3& b = object_->points[t.vertex[1]];
        const Vec3& c = object_->points[t.vertex[2]];
        const Vec3 u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
        Vec3 face{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
        const float length = std::sqrt(face.x * face.x + face.y * face.y + face.z * face.z);
        ASSERT_GT(length, 0.0f);
        const Vec3& n = object_->normals[t.vertex[0]];
        const float alignment = std::fabs(n.x * face.x + n.y * face.y + n.z * face.z) / length;
        ASSERT_GT(alignment, 0.9999f) << "triangle " << (&t - object_->triangles.data());
    }
}

TEST_F(HeartObject, WoundCounterClockwiseSeenFromOutside) {
    // With a consistently oriented closed surface, a positive signed volume
    // (right-hand rule) means every triangle faces outward.
    double volume = 0.0;
    for (const Triangle& t : object_->triangles) {
        const Vec3& a = object_->points[t.vertex[0]];
        const Vec3& b = object_->points[t.vertex[1]];
        const Vec3& c = object_->points[t.vertex[2]];
        volume += (a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) + a.z * (b.x * c.y - b.y * c.x)) / 6.0;
    }
    EXPECT_GT(volume, 0.5);
}

TEST_F(HeartObject, CentredWithinRadiusPointingDownFacingFront) {
    Vec3 low = object_->points[0], high = object_->points[0];
    float radius = 0.0f;
    for (const Vec3& p : object_->points) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        radius = std::max(radius, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
    }
    EXPECT_LE(radius, 0.9f + 1e-4f);
    EXPECT_GE(radius, 0.8f);
    EXPECT_NEAR(low.x + high.x, 0.0f, 0.02f);
    EXPECT_NEAR(low.y + high.y, 0.0f, 0.02f);
    EXPECT_NEAR(low.z + high.z, 0.0f, 0.02f);
    EXPECT_LT(high.z - low.z, 0.8f * (high.x - low.x));  // flat towards the viewer on +z

    // The point: the lowest point lies on the middle line. The lobes: above
    // the middle line the top is lower (the cleft) than over either lobe.
    const Vec3* lowest = &object_->points[0];
    float cleftTop = low.y, leftTop = low.y, rightTop = low.y;
    for (const Vec3& p : object_->points) {
        if (p.y < lowest->y) lowest = &p;
        if (std::fabs(p.x) < 0.05f) cleftTop = std::max(cleftTop, p.y);
        if (p.x < -0.2f) leftTop = std::max(leftTop, p.y);
        if (p.x > 0.2f) rightTop = std::max(rightTop, p.y);
    }
    EXPECT_NEAR(lowest->x, 0.0f, 0.02f);
    EXPECT_NEAR(lowest->z, 0.0f, 0.02f);
    EXPECT_GT(leftTop, cleftTop + 0.05f);
    EXPECT_GT(rightTop, cleftTop + 0.05f);
    EXPECT_NEAR(leftTop, rightTop, 0.01f);
}

TEST_F(HeartObject, NormalsAreUnitLength) {
    for (const Vec3& n : object_->normals) {
        ASSERT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0f, 1e-4f);
    }
}

}  // namespace
