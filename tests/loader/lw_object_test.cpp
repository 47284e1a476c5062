#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "loader/lw_object.h"

namespace {

LwObject objectOf(const std::vector<Vec3>& points, const std::vector<Triangle>& triangles) {
    LwObject o;
    o.points = points;
    o.basePoints = points;
    o.triangles = triangles;
    return o;
}

void expectNormal(const Vec3& n, float x, float y, float z) {
    EXPECT_NEAR(n.x, x, 1e-4f);
    EXPECT_NEAR(n.y, y, 1e-4f);
    EXPECT_NEAR(n.z, z, 1e-4f);
}

TEST(LwObjectNormals, EdgesStartAtTheSecondVertex) {
    LwObject o = objectOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}}});
    EXPECT_TRUE(o.computeNormals());
    ASSERT_EQ(o.normals.size(), 3u);
    for (const Vec3& n : o.normals) expectNormal(n, 0, 0, -1);
}

TEST(LwObjectNormals, AreaWeightedNotMeanOfUnitNormals) {
    // Shared edge from (0,0,0) to (1,0,0). Triangle 0 lies in z = 0 with area
    // 1 and normal (0,0,1); triangle 1 lies in y = 0 with area 3 and normal (0,1,0).
    LwObject o = objectOf({{0, 0, 0}, {1, 0, 0}, {0, -2, 0}, {0, 0, -6}}, {{{0, 1, 2}}, {{1, 0, 3}}});
    o.computeNormals();
    expectNormal(o.normals[0], 0.0f, 0.9487f, 0.3162f);
    expectNormal(o.normals[1], 0.0f, 0.9487f, 0.3162f);
    expectNormal(o.normals[2], 0, 0, 1);
    expectNormal(o.normals[3], 0, 1, 0);
}

TEST(LwObjectNormals, PointWithoutDirectionGetsZeroNotNan) {
    // Point 3 is used by no triangle, points 4-6 only by a degenerate one,
    // and points 0-2 by two triangles that cancel.
    LwObject o = objectOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}, {1, 1, 1}, {1, 1, 1}, {2, 2, 2}},
                          {{{0, 1, 2}}, {{0, 2, 1}}, {{4, 5, 6}}});
    o.computeNormals();
    for (const Vec3& n : o.normals) {
        EXPECT_EQ(n.x, 0.0f);
        EXPECT_EQ(n.y, 0.0f);
        EXPECT_EQ(n.z, 0.0f);
    }
}

TEST(LwObjectNormals, HugeAndTinyTrianglesStillGiveUnitNormals) {
    const float big = 1e17f;     // the cross product's squares overflow a float
    const float small = 1e-20f;  // and here they underflow to zero
    LwObject o = objectOf({{0, 0, 0}, {big, 0, 0}, {0, big, 0}, {0, 0, 0}, {small, 0, 0}, {0, small, 0}},
                          {{{0, 1, 2}}, {{3, 4, 5}}});
    o.computeNormals();
    for (const Vec3& n : o.normals) {
        EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
    }
    expectNormal(o.normals[1], 0, 0, -1);
    expectNormal(o.normals[4], 0, 0, -1);
}

TEST(LwObjectNormals, NanPointsGiveZeroNormalsAndOutOfRangeTrianglesAddNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    LwObject o = objectOf({{nan, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}}, {{1, 2, 99}}});
    o.computeNormals();
    expectNormal(o.normals[0], 0, 0, 0);
    expectNormal(o.normals[1], 0, 0, 0);
}

TEST(LwObjectPoints, RestorePointsUndoesADeformationAndKeepsNormals) {
    LwObject o = objectOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{{0, 1, 2}}});
    o.computeNormals();
    const std::vector<Vec3> normals = o.normals;
    for (Vec3& p : o.points) p.x += 3.0f;
    o.restorePoints();
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(o.points[i].x, o.basePoints[i].x);
        EXPECT_EQ(o.normals[i].z, normals[i].z);
    }
}

TEST(LwObjectRecords, ConstructionValues) {
    Surface surface;
    EXPECT_EQ(surface.clipIndex, -1);
    for (float c : surface.colour) EXPECT_EQ(c, 1.0f);
    EXPECT_EQ(TriangleList().count(), 0);
    LwObject o;
    EXPECT_EQ(o.surfaceCount(), 0);
    EXPECT_TRUE(o.computeNormals());  // nothing at all: no crash
}

TEST(LwObjectInvariants, CountsFollowTheArraysAndConsistencyCatchesStrayIndices) {
    LwObject o;
    o.setPoints({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    o.setSurfaces(2);
    EXPECT_EQ(o.pointCount(), 3);
    EXPECT_EQ(o.surfaceCount(), 2);
    EXPECT_EQ(o.normals.size(), 3u);
    EXPECT_EQ(o.uvs.size(), 3u);
    EXPECT_EQ(o.points.size(), 3u);
    o.triangles = {{{0, 1, 2}}};
    o.surfaceTriangles[1].triangles = o.triangles;
    EXPECT_TRUE(o.consistent());
    o.surfaceTriangles[0].triangles = {{{0, 1, 3}}};  // point 3 does not exist
    EXPECT_FALSE(o.consistent());
    o.surfaceTriangles[0].triangles.clear();
    o.normals.pop_back();
    EXPECT_FALSE(o.consistent());
}

}  // namespace
