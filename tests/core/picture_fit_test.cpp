// The picture keeps its shape in any output: bars on the long side, centred.
#include <gtest/gtest.h>

#include "core/picture_fit.h"

namespace {

void expectRect(const PictureRect& r, int32_t x, int32_t y, int32_t width, int32_t height) {
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, width);
    EXPECT_EQ(r.height, height);
}

TEST(PictureFit, FourByThreeInWideNarrowAndEqualOutputs) {
    expectRect(fitPicture(1920, 1080, 640, 480), 240, 0, 1440, 1080);  // pillars
    expectRect(fitPicture(1280, 720, 640, 480), 160, 0, 960, 720);
    expectRect(fitPicture(1280, 1024, 640, 480), 0, 32, 1280, 960);    // letterbox
    expectRect(fitPicture(640, 480, 640, 480), 0, 0, 640, 480);        // no bars
    expectRect(fitPicture(1921, 1080, 640, 480), 240, 0, 1440, 1080);  // odd bar pixel on the right
}

TEST(PictureFit, EmptyOrNegativeSizesGiveAnEmptyRectangle) {
    expectRect(fitPicture(0, 480, 640, 480), 0, 0, 0, 0);
    expectRect(fitPicture(640, -1, 640, 480), 0, 0, 0, 0);
    expectRect(fitPicture(640, 480, 0, 480), 0, 0, 0, 0);
}

TEST(PictureFit, HugeOutputsDoNotOverflow) {
    expectRect(fitPicture(100000, 100000, 640, 480), 0, 12500, 100000, 75000);
}

}  // namespace
