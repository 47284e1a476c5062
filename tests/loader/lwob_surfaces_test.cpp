// The loader's look chunks: TAGS, PTAG, SURF (COLR, BLOK, IMAG), VMAP, CLIP
// and STIL, and the mends for what foreign files hold.
#include <gtest/gtest.h>

#include "lwo_test_writer.h"

namespace {

// Three triangles over the square's points, for the PTAG cases.
Bytes threeTriangles() { return pols({{0, 1, 2}, {2, 3, 0}, {1, 2, 3}}); }

// ---- TAGS -------------------------------------------------------------------------

TEST(LoaderTags, NamesWithPadBytesEndExactlyAtTheChunkEnd) {
    Bytes body;
    body.raw("Heart").u1(0).raw("Skin").u1(0).u1(0);  // 6 bytes, then 5 and a pad
    ASSERT_EQ(body.size(), 12u);
    const Parsed p = parseBytes(form({chunk("TAGS", body), pnts({{1, 1, 1}})}));
    ASSERT_EQ(p.object->surfaceCount(), 2);
    ASSERT_EQ(p.object->tags.size(), 2u);
    EXPECT_EQ(p.object->tags[0].name, "Heart");
    EXPECT_EQ(p.object->tags[1].name, "Skin");
    EXPECT_EQ(p.object->surfaces.size(), 2u);
    EXPECT_EQ(p.object->surfaceTriangles.size(), 2u);
    EXPECT_EQ(p.object->pointCount(), 1);  // the next chunk is found
}

TEST(LoaderTags, EmptyChunkGivesNoSurfacesAndTrailingBytesAreDropped) {
    EXPECT_EQ(parseBytes(form({chunk("TAGS", Bytes())})).object->surfaceCount(), 0);
    const Parsed p = parseBytes(form({chunk("TAGS", Bytes().name("A").raw("xy"))}));
    EXPECT_EQ(p.object->surfaceCount(), 1);
}

TEST(LoaderTags, ASecondTagListReplacesTheFirst) {
    const Parsed p = parseBytes(form({tags({"A", "B", "C"}), tags({"D"}), surf("D", {colr(0, 1, 0)})}));
    ASSERT_EQ(p.object->surfaceCount(), 1);
    ASSERT_EQ(p.object->tags.size(), 1u);  // tag i and surface i stay together
    EXPECT_EQ(p.object->tags[0].name, "D");
    EXPECT_EQ(p.object->surfaces[0].colour[1], 1.0f);
}

TEST(LoaderTags, SizeBeyondTheFileIsCut) {
    const Parsed p = parseBytes(form({chunkSized("TAGS", 5000, Bytes().name("A").name("B"))}));
    EXPECT_EQ(p.object->surfaceCount(), 2);
    EXPECT_EQ(p.report.countsCut, 1);
}

// ---- PTAG -------------------------------------------------------------------------

TEST(LoaderPolygonTags, TrianglesAreCopiedToTheirSurfacesInEntryOrder) {
    const Parsed p = parseBytes(form({tags({"A", "B"}), pnts(squarePoints()), threeTriangles(),
                                      ptag({{0, 1}, {1, 0}, {2, 1}})}));
    const LwObject& o = *p.object;
    ASSERT_EQ(o.surfaceTriangles[0].count(), 1);
    ASSERT_EQ(o.surfaceTriangles[1].count(), 2);
    EXPECT_EQ(o.surfaceTriangles[0].triangles[0].vertex[0], 2u);  // triangle 1
    EXPECT_EQ(o.surfaceTriangles[1].triangles[0].vertex[2], 2u);  // triangle 0
    EXPECT_EQ(o.surfaceTriangles[1].triangles[1].vertex[0], 1u);  // triangle 2
    EXPECT_TRUE(p.report.clean());
}

TEST(LoaderPolygonTags, APolygonsNumberMapsToAllOfItsTriangles) {
    const Parsed p = parseBytes(form({tags({"A", "B"}), pnts(squarePoints()),
                                      pols({{0, 1, 2, 3}, {1, 2, 3}}), ptag({{0, 1}, {1, 0}})}));
    const LwObject& o = *p.object;
    ASSERT_EQ(o.surfaceTriangles[1].count(), 2);  // the quad's two triangles
    ASSERT_EQ(o.surfaceTriangles[0].count(), 1);
    EXPECT_EQ(o.surfaceTriangles[1].triangles[1].vertex[2], 3u);
    EXPECT_EQ(o.surfaceTriangles[0].triangles[0].vertex[0], 1u);
}

TEST(LoaderPolygonTags, OnlySurfaceTagsAssignPartsSmoothingGroupsAndColoursAreSkipped) {
    const Parsed p = parseBytes(form({tags({"A", "B"}), pnts(squarePoints()), threeTriangles(),
                                      ptag({{0, 1}, {1, 1}, {2, 1}}, "COLR"), ptag({{0, 0}, {1, 0}, {2, 0}}),
                                      ptag({{0, 1}, {1, 1}, {2, 0}}, "PART"), ptag({{0, 1}, {1, 1}, {2, 1}}, "SMGP")}));
    EXPECT_EQ(p.object->surfaceTriangles[0].count(), 3);
    EXPECT_EQ(p.object->surfaceTriangles[1].count(), 0);
    EXPECT_EQ(p.report.ptagsSkipped, 3);
    ASSERT_EQ(p.report.notes.size(), 3u);  // said so, naming each type
    EXPECT_NE(p.report.notes[1].find("'PART'"), std::string::npos) << p.report.notes[1];
}

TEST(LoaderPolygonTags, ALaterSurfaceAssignmentReplacesTheEarlierOneWhole) {
    const Parsed p = parseBytes(form({tags({"A", "B", "C"}), pnts(squarePoints()), threeTriangles(),
                                      ptag({{0, 0}, {1, 0}, {2, 2}}), ptag({{2, 1}, {0, 1}, {1, 0}}),
                                      ptag({{1, 2}, {0, 1}})}));
    const LwObject& o = *p.object;
    EXPECT_EQ(o.surfaceTriangles[0].count(), 0);  // nothing left of the first two
    ASSERT_EQ(o.surfaceTriangles[1].count(), 1);
    ASSERT_EQ(o.surfaceTriangles[2].count(), 1);
    EXPECT_EQ(o.surfaceTriangles[1].triangles[0].vertex[1], 1u);  // triangle 0
    EXPECT_EQ(o.surfaceTriangles[2].triangles[0].vertex[0], 2u);  // triangle 1
    EXPECT_EQ(p.report.countsCut, 1);  // the last holds two entries for three polygons
}

TEST(LoaderPolygonTags, EntriesNamingNothingOrAPolygonTwiceAreSkipped) {
    const Parsed p = parseBytes(form({tags({"A", "B"}), pnts(squarePoints()),
                                      pols({{0, 1, 2}, {2, 3, 0}, {1, 2, 3}, {0, 1, 3}, {0, 2, 3}}),
                                      ptag({{0, 7}, {9, 0}, {1, 1}, {1, 0}, {0xFFFF, 1}})}));
    EXPECT_EQ(p.object->surfaceTriangles[0].count(), 0);
    EXPECT_EQ(p.object->surfaceTriangles[1].count(), 1);
    EXPECT_EQ(p.report.ptagEntriesSkipped, 4);
}

TEST(LoaderPolygonTags, AShortChunkIsReadAsFarAsItGoes) {
    const Parsed p = parseBytes(form({tags({"A"}), pnts(squarePoints()), threeTriangles(),
                                      ptag({{2, 0}}), tags({"Z"})}));
    // Read entries: one; the TAGS after it is still found (it replaces the names).
    EXPECT_EQ(p.object->tags[0].name, "Z");
    EXPECT_EQ(p.report.countsCut, 1);
}

TEST(LoaderPolygonTags, BeforeItsPolygonsOrTagsItDoesNothing) {
    const Parsed early = parseBytes(form({tags({"A"}), ptag({{0, 0}}), pnts(squarePoints()), threeTriangles()}));
    EXPECT_EQ(early.object->surfaceTriangles[0].count(), 0);
    EXPECT_EQ(early.report.chunksIgnored, 1);
    const Parsed untagged = parseBytes(form({pnts(squarePoints()), threeTriangles(), ptag({{0, 0}})}));
    EXPECT_EQ(untagged.object->surfaceCount(), 0);
}

TEST(LoaderPolygonTags, CopiesOfOutOfRangeTrianglesAreDegenerateToo) {
    const Parsed p = parseBytes(form({tags({"A"}), pnts(squarePoints()), pols({{0, 1, 9}}), ptag({{0, 0}})}));
    ASSERT_EQ(p.object->surfaceTriangles[0].count(), 1);
    EXPECT_EQ(p.object->surfaceTriangles[0].triangles[0].vertex[2], 0u);
}

// ---- SURF -------------------------------------------------------------------------

TEST(LoaderSurfaces, ColourGoesToTheSurfaceOfTheSameName) {
    const Parsed p = parseBytes(form({tags({"Heart", "Skin"}), surf("Skin", {colr(1.0f, 0.0f, 0.5f)}),
                                      surf("Nobody", {colr(0, 0, 0)})}));
    const Surface& skin = p.object->surfaces[1];
    EXPECT_EQ(skin.colour[0], 1.0f);
    EXPECT_EQ(skin.colour[1], 0.0f);
    EXPECT_EQ(skin.colour[2], 0.5f);
    EXPECT_EQ(skin.colour[3], 1.0f);
    for (float c : p.object->surfaces[0].colour) EXPECT_EQ(c, 1.0f);
}

TEST(LoaderSurfaces, ImageBlockGivesTheClipNumber) {
    const Parsed p = parseBytes(form({tags({"A", "B"}), surf("A", {colr(1, 1, 1), imageBlock(1)}),
                                      surf("B", {colr(0.5f, 0.5f, 0.5f)})}));
    EXPECT_EQ(p.object->surfaces[0].clipIndex, 1);
    EXPECT_EQ(p.object->surfaces[1].clipIndex, -1);
}

TEST(LoaderSurfaces, TheLastImageBlockWins) {
    const Parsed p = parseBytes(form({tags({"A"}), surf("A", {imageBlock(1), imageBlock(3)})}));
    EXPECT_EQ(p.object->surfaces[0].clipIndex, 3);
}

TEST(LoaderSurfaces, AnEmptySurfaceChunkIsIgnored) {
    const Parsed p = parseBytes(form({tags({""}), chunk("SURF", Bytes()), pnts({{1, 2, 3}})}));
    for (float c : p.object->surfaces[0].colour) EXPECT_EQ(c, 1.0f);
    EXPECT_EQ(p.object->pointCount(), 1);
}

TEST(LoaderSurfaces, OfTwoTagsWithTheSameNameTheFirstGetsTheData) {
    const Parsed p = parseBytes(form({tags({"Twin", "Twin"}), surf("Twin", {colr(0, 0, 1)})}));
    EXPECT_EQ(p.object->surfaces[0].colour[0], 0.0f);
    EXPECT_EQ(p.object->surfaces[1].colour[0], 1.0f);
}

TEST(LoaderSurfaces, ASurfaceSizeBeyondTheFileStopsAtItsEnd) {
    Bytes body;
    body.name("A").name("").append(colr(0.25f, 0.5f, 0.75f));
    const Parsed p = parseBytes(form({tags({"A"}), chunkSized("SURF", 0x7FFFFFF0u, body)}));
    EXPECT_EQ(p.object->surfaces[0].colour[2], 0.75f);
}

// ---- VMAP -------------------------------------------------------------------------

TEST(LoaderUvMap, OnlyTheMapNamedTextureIsRead) {
    const std::vector<UvEntry> entries = {{0, 0.1f, 0.2f}, {1, 0.3f, 0.4f}, {2, 0.5f, 0.6f}, {3, 0.7f, 0.8f}};
    const Parsed p = parseBytes(form({pnts(squarePoints()), vmap("Texture", entries), vmap("uv", entries),
                                      vmap("texture", entries, "WGHT")}));
    for (const TexCoord& uv : p.object->uvs) EXPECT_EQ(uv.u, 0.0f);
    EXPECT_EQ(p.report.uvEntries, -1);
    EXPECT_EQ(p.report.uvMapsPassedOver, (std::vector<std::string>{"Texture", "uv"}));

    const Parsed q = parseBytes(form({pnts(squarePoints()), vmap("texture", entries)}));
    EXPECT_EQ(q.object->uvs[2].u, 0.5f);
    EXPECT_EQ(q.object->uvs[3].v, 0.8f);
    EXPECT_EQ(q.report.uvEntries, 4);
    EXPECT_TRUE(q.report.clean());
}

TEST(LoaderUvMap, AMapOfFewerPointsIsReadAsFarAsItGoes) {
    // Two entries for four points, then a chunk the entries must not swallow.
    const Parsed p = parseBytes(form({pnts(squarePoints()), vmap("texture", {{3, 1.0f, 0.5f}, {1, 0.25f, 0.75f}}),
                                      tags({"After"})}));
    EXPECT_EQ(p.object->uvs[3].u, 1.0f);
    EXPECT_EQ(p.object->uvs[1].v, 0.75f);
    EXPECT_EQ(p.object->uvs[0].u, 0.0f);
    EXPECT_EQ(p.object->surfaceCount(), 1);
    EXPECT_EQ(p.report.uvEntries, 2);
}

TEST(LoaderUvMap, EntriesNamingNoPointAreSkippedAndAMapBeforeThePointsDoesNothing) {
    const Parsed p = parseBytes(form({pnts(squarePoints()), vmap("texture", {{4, 1, 1}, {70000, 1, 1}, {0, 0.5f, 0.5f}})}));
    EXPECT_EQ(p.report.vmapEntriesSkipped, 2);
    EXPECT_EQ(p.object->uvs[0].u, 0.5f);

    const Parsed early = parseBytes(form({vmap("texture", {{0, 1, 1}}), pnts(squarePoints())}));
    EXPECT_EQ(early.object->uvs[0].u, 0.0f);
    EXPECT_EQ(early.report.chunksIgnored, 1);
}

// ---- CLIP and STIL --------------------------------------------------------------

TEST(LoaderClips, StoredNamesResolveUnderData) {
    const Parsed p = parseBytes(form({clip(1, "C:work/data/maps/skin.png"), clip(2, "C:/x/y.png"),
                                      clip(3, "data/x.png"), clip(4, "C:tessaline/data/tessaline/gfx/heart-env.png"),
                                      clip(5, "Cdata/y.png")}));
    const std::vector<std::string> expected = {"data/maps/skin.png", "", "data/x.png",
                                               "data/tessaline/gfx/heart-env.png", "data/y.png"};
    EXPECT_EQ(p.clips, expected);  // one texture per still, in file order, empty paths included
    EXPECT_EQ(p.report.clipPaths, expected);
}

TEST(LoaderClips, NamesShorterThanTwoBytesGiveAnEmptyPath) {
    const Parsed p = parseBytes(form({chunk("CLIP", Bytes().u4(1).append(sub("STIL", Bytes().u1('x'))).u1(0)),
                                      chunk("CLIP", Bytes().u4(2).append(sub("STIL", Bytes()))),
                                      chunk("CLIP", Bytes().u4(3).append(sub("STIL", Bytes().u1('d'))).u1(0))}));
    EXPECT_EQ(p.clips, (std::vector<std::string>{"", "", ""}));
}

TEST(LoaderClips, ANameLongerThanItsClipIsCut) {
    Bytes still = Bytes().raw("STIL").u2(400).raw("C:w/data/a.png").u1(0).u1(0);
    const Parsed p = parseBytes(form({chunk("CLIP", Bytes().u4(1).append(still)), tags({"After"})}));
    EXPECT_EQ(p.clips, (std::vector<std::string>{"data/a.png"}));
    EXPECT_EQ(p.object->surfaceCount(), 1);
}

// ---- a whole object ---------------------------------------------------------------

TEST(LoaderWholeObject, EveryChunkTogether) {
    const Parsed p = parseBytes(form({tags({"Heart"}), chunk("LAYR", Bytes().u2(0).u2(0).vec(0, 0, 0).name("")),
                                      pnts(squarePoints()), chunk("BBOX", Bytes().vec(0, 0, 0).vec(1, 1, 0)),
                                      vmap("texture", {{0, 0, 0}, {1, 1, 0}, {2, 1, 1}, {3, 0, 1}}),
                                      pols({{0, 1, 2}, {0, 2, 3}}), ptag({{0, 0}, {1, 0}}),
                                      clip(1, "C:show/data/img/heart.png"),
                                      surf("Heart", {colr(0.9f, 0.2f, 0.25f), imageBlock(1)})}));
    ASSERT_TRUE(p.ok);
    const LwObject& o = *p.object;
    EXPECT_EQ(o.pointCount(), 4);
    EXPECT_EQ(o.triangleCount(), 2);
    EXPECT_EQ(o.surfaceCount(), 1);
    EXPECT_EQ(o.surfaceTriangles[0].count(), 2);
    EXPECT_EQ(o.surfaces[0].clipIndex, 1);
    EXPECT_EQ(o.surfaces[0].colour[0], 0.9f);
    EXPECT_EQ(o.uvs[2].v, 1.0f);
    EXPECT_EQ(o.normals[2].z, -1.0f);  // both triangles counter-clockwise from +z
    EXPECT_EQ(p.clips, (std::vector<std::string>{"data/img/heart.png"}));
    EXPECT_TRUE(p.report.clean());
}

}  // namespace
