// The loader's header test, ID scan and geometry chunks (PNTS, POLS, FACE),
// and the mends for what hostile or foreign files hold.
#include <gtest/gtest.h>

#include "lwo_test_writer.h"
#include "platform/null/platform_double.h"

namespace {

void expectTriangle(const Triangle& t, uint32_t a, uint32_t b, uint32_t c) {
    EXPECT_EQ(t.vertex[0], a);
    EXPECT_EQ(t.vertex[1], b);
    EXPECT_EQ(t.vertex[2], c);
}

// ---- header and scan --------------------------------------------------------

TEST(LoaderHeader, ForeignFormsAndShortFilesAreRefused) {
    EXPECT_FALSE(parseBytes(form({pnts(squarePoints())}, "LWOB")).ok);
    EXPECT_FALSE(parseBytes({'F', 'O', 'R', 'M', 0, 0, 0, 4, 'L', 'W'}).ok);
    EXPECT_FALSE(parseBytes({}).ok);
    std::vector<uint8_t> bytes = form({});
    bytes[0] = 'X';
    EXPECT_FALSE(parseBytes(bytes).ok);
}

TEST(LoaderHeader, HeaderAloneGivesAnEmptyObject) {
    const Parsed p = parseBytes(form({}));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.object->pointCount(), 0);
    EXPECT_EQ(p.object->triangleCount(), 0);
    EXPECT_EQ(p.object->surfaceCount(), 0);
    EXPECT_TRUE(p.report.clean());
}

TEST(LoaderScan, UnknownChunksArePassedOver) {
    const Parsed p = parseBytes(form({chunk("ABCD", Bytes().u4(7).u2(1)), pnts(squarePoints())}));
    EXPECT_EQ(p.object->pointCount(), 4);
}

TEST(LoaderScan, AKnownIdInsideAnUnknownChunkAtAnEvenOffsetIsTaken) {
    // The scan does not walk by sizes: "PNTS" inside XXXX's data is a chunk.
    Bytes inner = pnts({{1, 2, 3}});
    const Parsed p = parseBytes(form({chunk("XXXX", Bytes().u2(0).append(inner))}));
    ASSERT_EQ(p.object->pointCount(), 1);
    EXPECT_EQ(p.object->points[0].z, 3.0f);
}

TEST(LoaderScan, TextThatSpellsAChunkIdDoesNotCostTheObject) {
    // A layer's name, a description or a comment holding "SURF" or "PTAG" at
    // an even offset: the four bytes after it are no size that ends on the
    // chunk walk, so the ID is stepped over and the object loads whole.
    const auto object = [](const std::vector<Bytes>& before) {
        std::vector<Bytes> chunks = before;
        for (Bytes c : {tags({"Red", "Blue"}), pnts(squarePoints()), pols({{0, 1, 2}, {0, 2, 3}}),
                        ptag({{0, 0}, {1, 1}}), surf("Red", {colr(1, 0, 0)}), surf("Blue", {colr(0, 0, 1)})}) {
            chunks.push_back(c);
        }
        return parseBytes(form(chunks));
    };
    const Parsed plain = object({});
    ASSERT_EQ(plain.object->pointCount(), 4);
    const Bytes layer = chunk("LAYR", Bytes().u2(0).u2(0).vec(0, 0, 0).name("SURFACE OF THE HEART"));
    const std::vector<Bytes> texts[] = {
        {layer},
        {chunk("DESC", Bytes().name("PTAGS name the surfaces")), layer},
        {chunk("TEXT", Bytes().name("  SURF\x01\x02 and PTAG")), layer},
    };
    for (const std::vector<Bytes>& before : texts) {
        const Parsed p = object(before);
        ASSERT_EQ(p.object->pointCount(), 4) << ::testing::PrintToString(p.report.notes);
        for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(p.object->points[i].y, plain.object->points[i].y);
        ASSERT_EQ(p.object->triangleCount(), plain.object->triangleCount());
        for (int32_t t = 0; t < p.object->triangleCount(); ++t) {
            expectTriangle(p.object->triangles[t], plain.object->triangles[t].vertex[0],
                           plain.object->triangles[t].vertex[1], plain.object->triangles[t].vertex[2]);
        }
        ASSERT_EQ(p.object->surfaceCount(), 2);
        EXPECT_EQ(p.object->surfaces[1].colour[2], 1.0f);
        EXPECT_EQ(p.object->surfaceTriangles[1].triangles.size(), 1u);
        EXPECT_GE(p.report.idsSteppedOver, 1);
    }
}

TEST(LoaderScan, AHandledChunkIsNotScannedAgain) {
    // A UV map passed over, whose entries happen to spell a PNTS chunk.
    const Parsed uv = parseBytes(form({pnts(squarePoints()),
                                       chunk("VMAP", Bytes().id("TXUV").u2(2).name("uv").append(pnts({{9, 9, 9}})))}));
    EXPECT_EQ(uv.object->pointCount(), 4);
    EXPECT_EQ(uv.report.pointChunks, 1);

    // A file of "POLS" again and again is one POLS chunk that runs to the
    // end, not one chunk every eight bytes, each to the end again.
    std::vector<uint8_t> bytes = form({});
    while (bytes.size() < 4096) bytes.insert(bytes.end(), {'P', 'O', 'L', 'S'});
    const Parsed pols = parseBytes(bytes);
    EXPECT_EQ(pols.report.polygonCount, (4096 - 12 - 12) / 8);
    // Said once each: cut to the file, of another type, no points to draw with.
    EXPECT_EQ(pols.report.notes.size(), 3u) << ::testing::PrintToString(pols.report.notes);
}

// ---- PNTS -------------------------------------------------------------------------

TEST(LoaderPoints, CountIsSizeOverTwelveAndTheRestIsPassedOver) {
    Bytes b;
    for (int i = 0; i < 3; ++i) b.vec(static_cast<float>(i), 0.5f, -1.0f);
    const Parsed exact = parseBytes(form({chunkSized("PNTS", 36, b)}));
    EXPECT_EQ(exact.object->pointCount(), 3);

    Bytes padded = b;
    padded.u4(0);  // four bytes no point fills
    const Parsed loose = parseBytes(form({chunkSized("PNTS", 40, padded), tags({"A"})}));
    ASSERT_EQ(loose.object->pointCount(), 3);
    EXPECT_EQ(loose.object->points[2].x, 2.0f);
    EXPECT_EQ(loose.object->basePoints[2].y, 0.5f);
    EXPECT_EQ(loose.object->surfaceCount(), 1);  // the chunk after it is found
    EXPECT_EQ(loose.object->uvs.size(), 3u);
    EXPECT_EQ(loose.object->normals.size(), 3u);
}

TEST(LoaderPoints, CountsBeyondTheFileAreCutAndNegativeSizesGiveNone) {
    const Parsed cut = parseBytes(form({chunkSized("PNTS", 1200, Bytes().vec(1, 2, 3).vec(4, 5, 6))}));
    EXPECT_EQ(cut.object->pointCount(), 2);
    EXPECT_EQ(cut.object->points.size(), 2u);
    EXPECT_EQ(cut.report.countsCut, 1);

    const Parsed negative = parseBytes(form({chunkSized("PNTS", 0xFFFFFFF4u, Bytes().vec(1, 2, 3))}));
    EXPECT_EQ(negative.object->pointCount(), 0);
    EXPECT_TRUE(negative.object->points.empty());
}

// ---- POLS and FACE ---------------------------------------------------------------

TEST(LoaderPolygons, TrianglesAreReadInFileOrder) {
    Bytes body;
    body.id("FACE").u2(3).u2(0).u2(1).u2(2).u2(3).u2(2).u2(1).u2(3);
    const Parsed p = parseBytes(form({pnts(squarePoints()), chunkSized("POLS", 20, body)}));
    ASSERT_EQ(p.object->triangleCount(), 2);
    expectTriangle(p.object->triangles[0], 0, 1, 2);
    expectTriangle(p.object->triangles[1], 2, 1, 3);
    EXPECT_TRUE(p.report.clean());
}

TEST(LoaderPolygons, OtherPolygonTypesAreNotReadButNumbered) {
    const Parsed p = parseBytes(form({pnts(squarePoints()), pols({{0, 1, 2}, {2, 1, 3}}, "PTCH")}));
    ASSERT_EQ(p.object->triangleCount(), 2);  // (20 - 4) / 8
    expectTriangle(p.object->triangles[0], 0, 0, 0);
    expectTriangle(p.object->triangles[1], 0, 0, 0);
    EXPECT_FALSE(p.report.clean());
}

TEST(LoaderPolygons, TheMostNegativeSizeGivesNoPolygons) {
    // Found by the fuzzer: size - 4 overflowed.
    const Parsed p = parseBytes(form({pnts(squarePoints()), chunkSized("POLS", 0x80000000u, Bytes().id("PTCH").u2(3))}));
    EXPECT_EQ(p.object->triangleCount(), 0);
}

TEST(LoaderPolygons, QuadsAndNgonsBecomeFansThatKeepTheWinding) {
    const Parsed p = parseBytes(form({pnts({{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1, 2, 0}, {0, 1, 0}}),
                                      pols({{0, 1, 2, 3}, {0, 1, 2, 3, 4}, {4, 0, 1}})}));
    ASSERT_EQ(p.object->triangleCount(), 2 + 3 + 1);
    expectTriangle(p.object->triangles[0], 0, 1, 2);
    expectTriangle(p.object->triangles[1], 0, 2, 3);
    expectTriangle(p.object->triangles[2], 0, 1, 2);
    expectTriangle(p.object->triangles[4], 0, 3, 4);
    expectTriangle(p.object->triangles[5], 4, 0, 1);  // the polygon after them is intact
    EXPECT_EQ(p.report.polygonCount, 3);
    EXPECT_EQ(p.report.polygonsSplit, 2);
}

TEST(LoaderPolygons, PolygonsOfFewerThanThreePointsAreSkipped) {
    const Parsed p = parseBytes(form({pnts(squarePoints()), pols({{0}, {0, 1}, {}, {1, 2, 3}})}));
    ASSERT_EQ(p.object->triangleCount(), 1);
    expectTriangle(p.object->triangles[0], 1, 2, 3);
    EXPECT_EQ(p.report.polygonsSkipped, 3);
}

TEST(LoaderPolygons, FlagBitsAreNotPartOfTheVertexCount) {
    Bytes body;
    body.id("FACE").u2(0x8000 | 3).u2(0).u2(1).u2(2);
    const Parsed p = parseBytes(form({pnts(squarePoints()), chunk("POLS", body)}));
    ASSERT_EQ(p.object->triangleCount(), 1);
    expectTriangle(p.object->triangles[0], 0, 1, 2);
}

TEST(LoaderPolygons, FourByteIndicesAreRead) {
    std::vector<P3> many(70000, P3{0, 0, 0});
    many[65280] = {1, 0, 0};
    many[69999] = {0, 1, 0};
    const Parsed p = parseBytes(form({pnts(many), pols({{0, 65280, 69999}, {69999, 3, 0xFEFF}})}));
    ASSERT_EQ(p.object->triangleCount(), 2);
    expectTriangle(p.object->triangles[0], 0, 65280, 69999);
    expectTriangle(p.object->triangles[1], 69999, 3, 0xFEFF);
    EXPECT_EQ(p.object->normals[65280].z, -1.0f);
}

TEST(LoaderPolygons, PointIndicesOutOfRangeMakeTheTriangleDegenerate) {
    const Parsed p = parseBytes(form({pnts(squarePoints()), pols({{0, 1, 4}, {1, 2, 3}, {70000, 0, 1}})}));
    ASSERT_EQ(p.object->triangleCount(), 3);  // count and numbering intact
    expectTriangle(p.object->triangles[0], 0, 0, 0);
    expectTriangle(p.object->triangles[1], 1, 2, 3);
    expectTriangle(p.object->triangles[2], 0, 0, 0);
    EXPECT_EQ(p.report.trianglesDegenerate, 2);
}

TEST(LoaderPolygons, APolygonRunningPastItsChunkIsDropped) {
    Bytes body;
    body.id("FACE").u2(3).u2(0).u2(1).u2(2).u2(3).u2(1).u2(2);  // the second lacks its last index
    const Parsed p = parseBytes(form({pnts(squarePoints()), chunk("POLS", body), tags({"T"})}));
    EXPECT_EQ(p.object->triangleCount(), 1);
    EXPECT_EQ(p.object->surfaceCount(), 1);
    EXPECT_EQ(p.report.countsCut, 1);

    // The same with the chunk claiming more than the file holds.
    const Parsed q = parseBytes(form({pnts(squarePoints()), chunkSized("POLS", 4000, body)}));
    EXPECT_EQ(q.object->triangleCount(), 1);
}

TEST(LoaderPolygons, FaceOutsideAPolsChunkIsIgnored) {
    const Parsed p = parseBytes(form({pnts(squarePoints()), pols({{0, 1, 2}}),
                                      chunk("XXXX", Bytes().id("FACE").u2(3).u2(3).u2(2).u2(1))}));
    ASSERT_EQ(p.object->triangleCount(), 1);
    expectTriangle(p.object->triangles[0], 0, 1, 2);
    EXPECT_EQ(p.report.chunksIgnored, 1);
}

// ---- layers and order ------------------------------------------------------------

TEST(LoaderLayers, TheLastLayerIsKeptAndEarlierTrianglesCannotReachPastItsPoints) {
    std::vector<P3> five = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 2, 0}};
    // Layer 1's polygons, then layer 2's points but no polygons of its own.
    const Parsed p = parseBytes(form({pnts(five), pols({{0, 1, 2}, {2, 3, 4}}), pnts({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})}));
    EXPECT_EQ(p.object->pointCount(), 3);
    EXPECT_EQ(p.report.pointChunks, 2);
    ASSERT_EQ(p.object->triangleCount(), 2);
    expectTriangle(p.object->triangles[0], 0, 1, 2);
    expectTriangle(p.object->triangles[1], 0, 0, 0);
}

TEST(LoaderLayers, TrianglesWithoutAnyPointsAreDropped) {
    const Parsed p = parseBytes(form({pols({{0, 1, 2}})}));
    EXPECT_EQ(p.object->triangleCount(), 0);
    EXPECT_TRUE(p.object->triangles.empty());
}

TEST(LoaderLayers, SurfaceCopiesOfAnEarlierLayerWithoutAnyPointsAreDropped) {
    // Found by the fuzzer: the surfaces keep copies of the first POLS
    // chunk's triangles after a second one replaced them, and no point exists.
    const Parsed p = parseBytes(form({tags({"A"}), pols({{0, 1, 2}}), ptag({{0, 0}}), pols({})}));
    EXPECT_EQ(p.object->triangleCount(), 0);
    EXPECT_EQ(p.object->surfaceTriangles[0].count(), 0);
    EXPECT_TRUE(p.object->surfaceTriangles[0].triangles.empty());
}

TEST(LoaderLayers, PolygonsBeforeTheirPointsAreKept) {
    const Parsed p = parseBytes(form({pols({{0, 1, 2}}), pnts(squarePoints())}));
    ASSERT_EQ(p.object->triangleCount(), 1);
    expectTriangle(p.object->triangles[0], 0, 1, 2);
}

// ---- load() from a file -----------------------------------------------------------

std::string writeTempObject(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

TEST(LoaderLoad, MissingFileIsReportedAndGivesNull) {
    LwobLoader loader;
    loader.clipSink = &recordClip;
    platform::scripted::reset();
    EXPECT_EQ(loader.load("no/such/heart.lwo"), nullptr);
    ASSERT_EQ(platform::scripted::boxes().size(), 1u);
    const platform::scripted::Box& box = platform::scripted::boxes()[0];
    EXPECT_EQ(box.text, "LWOB not found");
    EXPECT_EQ(box.caption, "ReadLWOB");
    EXPECT_EQ(box.buttons, platform::BoxButtons::Ok);
}

TEST(LoaderLoad, AFailedParseReleasesTheObjectAndTheBuffer) {
    const std::string path = writeTempObject("old.lwo", form({pnts(squarePoints())}, "LWOB"));
    LwobLoader loader;
    loader.clipSink = &recordClip;
    platform::scripted::reset();
    EXPECT_EQ(loader.load(path.c_str()), nullptr);
    ASSERT_EQ(platform::scripted::boxes().size(), 1u);
    EXPECT_EQ(platform::scripted::boxes()[0].text, "Error reading LWOB");
    EXPECT_EQ(platform::scripted::boxes()[0].caption, "ReadLWOB");
    EXPECT_EQ(loader.object, nullptr);
    EXPECT_EQ(loader.reader.data, nullptr);
}

TEST(LoaderLoad, ASuccessfulLoadHandsOverTheObjectAndClosesTheFile) {
    const std::string path = writeTempObject("square.lwo", form({pnts(squarePoints()), pols({{0, 1, 2, 3}})}));
    LwobLoader loader;
    loader.clipSink = &recordClip;
    platform::scripted::reset();
    std::unique_ptr<LwObject> object(loader.load(path.c_str()));
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(platform::scripted::boxes().empty());
    EXPECT_EQ(object.get(), loader.object);
    EXPECT_EQ(object->triangleCount(), 2);
    EXPECT_EQ(loader.reader.data, nullptr);
}

}  // namespace
