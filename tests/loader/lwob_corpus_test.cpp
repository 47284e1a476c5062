// Real objects from real tools (the shared corpus, see its MANIFEST): none
// may crash the loader (this binary also runs under ASan and UBSan), the old
// LWOB files are refused, and the counts agree with the MANIFEST.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "lwo_test_writer.h"
#include "platform/null/platform_double.h"
#include "test_paths.h"

namespace {

struct CorpusObject {
    const char* file;
    int32_t points;     // of the last layer: each layer's points replace the last
    int32_t layers;
    int32_t triangles;  // tri + 2 x quad of the MANIFEST, or n - 2 for its one n-gon; -1: not exact
    int32_t atLeast;    // triangles at least (tri + 2 quad + 3 per n-gon of five or more)
    int32_t clips;
};

// From MANIFEST.md: "N pts / M polys (FACE=...; tri=T quad=Q ngon=G, max V verts)".
const CorpusObject corpus[] = {
    {"assimp/boxuv.lwo", 24, 1, 12, 12, 1},
    {"assimp/box_2uv_1unused.lwo", 8, 1, 12, 12, 1},
    {"assimp/box_2vc_1unused.lwo", 218, 1, -1, 384 + 3 * 3, 1},
    {"assimp/uvtest.lwo", 64, 1, 32, 32, 1},
    {"assimp/earth_uv_cylindrical_y.lwo", 266, 1, 48 + 2 * 240, 528, 1},
    {"assimp/earth_cylindrical_y.lwo", 266, 1, 48 + 2 * 240, 528, 1},
    {"assimp/hierarchy.lwo", 8, 4, -1, 6, 0},
    {"assimp/concave_polygon.lwo", 64, 1, 66 - 2, 64, 0},
    {"assimp/nonplanar_polygon.lwo", 18, 1, 18 - 2, 16, 0},
    {"assimp/Subdivision.lwo", 26, 1, -1, 0, 0},
    {"assimp/UglyVertexColors.lwo", 1628, 1, 288 + 2 * 1446 + 24 - 2, 3202, 1},
    {"assimp/ModoExport_vertNormals.lwo", 266, 1, 48 + 2 * 240, 528, 0},
    {"assimp/CellShader.lwo", 16, 1, 24, 24, 0},
    {"assimp/simple_cube.lwo", 8, 1, 12, 12, 0},
    {"assimp-nonbsd/rifle.lwo", 337, 1, 572, 572, 1},
    {"assimp-nonbsd/QuickDraw--Chasis.lwo", 4018, 1, -1, 98 + 2 * 2112 + 3 * 447, 1},
    {"blender-import-lwo/box1-uv.lwo", 8, 1, 12, 12, 1},
    {"blender-import-lwo/box3-uv-layers.lwo", 554, 3, -1, 1, 1},
    {"blender-import-lwo/box4-uv-layers.lwo", 175, 4, -1, 1, 1},
    {"blender-import-lwo/box5-ngon.lwo", 10, 1, -1, 5 * 2 + 2 * 3, 0},
    {"blender-import-lwo/naming/box0.lwo", 8, 1, 12, 12, 1},
};

void PrintTo(const CorpusObject& object, std::ostream* out) { *out << object.file; }

bool corpusPresent() {
    struct stat info {};
    return stat(corpusPath("lwo2").c_str(), &info) == 0;
}

class CorpusLoad : public ::testing::TestWithParam<CorpusObject> {};

TEST_P(CorpusLoad, LoadsSafelyWithTheManifestsCounts) {
    if (!corpusPresent()) GTEST_SKIP() << "no corpus at " << corpusPath("lwo2");
    const CorpusObject& expected = GetParam();
    LwobLoader loader;
    loader.clipSink = &recordClip;
    sunkClips().clear();
    std::unique_ptr<LwObject> object(loader.load(corpusPath(std::string("lwo2/") + expected.file).c_str()));
    ASSERT_NE(object, nullptr);
    const LwObject& o = *object;

    EXPECT_EQ(o.pointCount(), expected.points);
    EXPECT_EQ(loader.report.pointChunks, expected.layers);
    if (expected.triangles >= 0) {
        EXPECT_EQ(o.triangleCount(), expected.triangles);
    }
    EXPECT_GE(o.triangleCount(), expected.atLeast);
    EXPECT_EQ(static_cast<int32_t>(sunkClips().size()), expected.clips);

    // What the renderer and the parts rely on.
    ASSERT_TRUE(o.consistent());
    ASSERT_EQ(o.tags.size(), o.surfaces.size());
    for (const Vec3& n : o.normals) {
        ASSERT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
    }
}

INSTANTIATE_TEST_SUITE_P(Lwo2, CorpusLoad, ::testing::ValuesIn(corpus),
                         [](const ::testing::TestParamInfo<CorpusObject>& info) {
                             std::string name = info.param.file;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

TEST(CorpusRefuse, OldLwobFilesAreRefusedWithTheReadError) {
    if (!corpusPresent()) GTEST_SKIP() << "no corpus at " << corpusPath("lwo2");
    for (const char* file : {"refuse-lwob/bluewithcylindrictexz.lwo", "refuse-lwob/QuickDraw--Laserbeam.lwo"}) {
        LwobLoader loader;
        loader.clipSink = &recordClip;
        platform::scripted::reset();
        EXPECT_EQ(loader.load(corpusPath(std::string("lwo2/") + file).c_str()), nullptr) << file;
        ASSERT_EQ(platform::scripted::boxes().size(), 1u) << file;
        EXPECT_EQ(platform::scripted::boxes()[0].text, "Error reading LWOB") << file;
        EXPECT_EQ(platform::scripted::boxes()[0].caption, "ReadLWOB") << file;
        EXPECT_EQ(loader.object, nullptr);
    }
}

TEST(CorpusDetails, QuadsKeepTheirSurfacesAndMapsNamedOtherwiseAreReported) {
    if (!corpusPresent()) GTEST_SKIP() << "no corpus at " << corpusPath("lwo2");
    LwobLoader loader;
    loader.clipSink = &recordClip;
    std::unique_ptr<LwObject> object(loader.load(corpusPath("lwo2/assimp/uvtest.lwo").c_str()));
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->surfaceCount(), 16);
    int32_t assigned = 0;
    for (const TriangleList& list : object->surfaceTriangles) assigned += list.count();
    EXPECT_EQ(assigned, object->triangleCount());  // every quad's two triangles reach its surface
    EXPECT_EQ(loader.report.uvMapsPassedOver, (std::vector<std::string>{"uvtest"}));
    EXPECT_EQ(loader.report.polygonsSplit, 16);
}

// LightWave may write a layer's PTAG chunks in any order; the files here put
// the colour tags before the surface tags. The same file with the two
// swapped must keep every polygon on its surface.
TEST(CorpusDetails, PolygonTagsOfOtherTypesInAnyOrderLeaveTheSurfaces) {
    if (!corpusPresent()) GTEST_SKIP() << "no corpus at " << corpusPath("lwo2");
    std::vector<uint8_t> bytes;
    if (std::FILE* f = std::fopen(corpusPath("lwo2/blender-import-lwo/box1-uv.lwo").c_str(), "rb")) {
        uint8_t buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
        std::fclose(f);
    }
    // Its chunks by their sizes, to find the two PTAGs.
    struct Span {
        size_t at, end;
    };
    Span colours{0, 0}, surfaces{0, 0};
    for (size_t at = 12; at + 12 <= bytes.size();) {
        const size_t size = size_t{bytes[at + 4]} << 24 | size_t{bytes[at + 5]} << 16 | size_t{bytes[at + 6]} << 8 | bytes[at + 7];
        const Span span{at, std::min(bytes.size(), at + 8 + size + (size & 1))};
        if (std::memcmp(&bytes[at], "PTAG", 4) == 0 && std::memcmp(&bytes[at + 8], "COLR", 4) == 0) colours = span;
        if (std::memcmp(&bytes[at], "PTAG", 4) == 0 && std::memcmp(&bytes[at + 8], "SURF", 4) == 0) surfaces = span;
        at = span.end;
    }
    ASSERT_TRUE(colours.end > 0 && colours.end == surfaces.at) << "box1-uv.lwo: a COLR PTAG right before the SURF one";
    std::vector<uint8_t> swapped(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(colours.at));
    swapped.insert(swapped.end(), bytes.begin() + static_cast<std::ptrdiff_t>(surfaces.at),
                   bytes.begin() + static_cast<std::ptrdiff_t>(surfaces.end));
    swapped.insert(swapped.end(), bytes.begin() + static_cast<std::ptrdiff_t>(colours.at),
                   bytes.begin() + static_cast<std::ptrdiff_t>(colours.end));
    swapped.insert(swapped.end(), bytes.begin() + static_cast<std::ptrdiff_t>(surfaces.end), bytes.end());

    const Parsed original = parseBytes(bytes);
    const Parsed reordered = parseBytes(swapped);
    const LwObject& o = *original.object;
    ASSERT_EQ(reordered.object->surfaceCount(), o.surfaceCount());
    int32_t assigned = 0;
    for (int32_t s = 0; s < o.surfaceCount(); ++s) {
        const std::vector<Triangle>& want = o.surfaceTriangles[s].triangles;
        const std::vector<Triangle>& got = reordered.object->surfaceTriangles[s].triangles;
        ASSERT_EQ(got.size(), want.size()) << o.tags[s].name;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), want.begin(), [](const Triangle& a, const Triangle& b) {
            return std::equal(std::begin(a.vertex), std::end(a.vertex), std::begin(b.vertex));
        })) << o.tags[s].name;
        assigned += o.surfaceTriangles[s].count();
    }
    EXPECT_EQ(assigned, o.triangleCount());  // six faces, one quad each, every one on its surface
}

}  // namespace
