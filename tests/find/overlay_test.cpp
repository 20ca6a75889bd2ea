// Overlays: outlines drawn where the zoomed picture puts their image points,
// the image untouched elsewhere, and nothing written on bad input.
#include "find/overlay.h"

#include <gtest/gtest.h>

#include <vector>

#include "find/finddefs.h"
#include "find_fixtures.h"
#include "vxstd12u/line.h"

namespace {

using find_fixtures::TempDir;

ccImage8 flat(long width, long height, unsigned char level) {
    return ccImage8(width, height, std::vector<unsigned char>(width * height, level));
}

ccOverlayStroke red(double x0, double y0, double x1, double y1) {
    return {cfMakeHandle<ccLineSeg>(ccVector<2>(x0, y0), ccVector<2>(x1, y1)), ccColor::redColor(),
            1.0};
}

TEST(Overlay, AStrokeLiesWhereTheZoomPutsItsImagePoints) {
    // Zoom 4: image point y = 5 lies at picture row 4 (5 + 0.5) - 0.5 = 21.5,
    // between rows 21 and 22; x runs from 4 (2.5) - 0.5 = 9.5 to 61.5. Read
    // back as grey, red (luma 0.299 x 255 = 76) darkens the 200 it covers.
    const TempDir dir;
    cfWriteOverlayPng(dir / "o.png", flat(20, 10, 200), {red(2, 5, 15, 5)}, 4);
    const auto back = std::get<ccImage8>(cfReadImage(dir / "o.png"));
    ASSERT_EQ(back.width(), 80);
    ASSERT_EQ(back.height(), 40);
    for (long row : {21, 22}) {
        EXPECT_LT(back.pel(35, row), 170) << row;
        EXPECT_EQ(back.pel(70, row), 200) << "past the segment's end";
    }
    for (long row : {0, 18, 25, 39}) EXPECT_EQ(back.pel(35, row), 200) << row;
}

TEST(Overlay, SixteenBitImagesAreStretchedFromTheirDarkestToTheirBrightestPixel) {
    const TempDir dir;
    const ccImage16 image(2, 1, {1000, 3000});
    cfWriteOverlayPng(dir / "o.png", image, {});
    const auto back = std::get<ccImage8>(cfReadImage(dir / "o.png"));
    EXPECT_EQ(back.pel(0, 0), 0);
    EXPECT_EQ(back.pel(1, 0), 255);
}

TEST(Overlay, BadInputWritesNothing) {
    const TempDir dir;
    const ccImage8 image = flat(4, 4, 9);
    EXPECT_THROW(cfWriteOverlayPng(dir / "o.png", ccImage8(), {}), ccFindDefs::BadParams);
    EXPECT_THROW(cfWriteOverlayPng(dir / "o.png", image, {}, 0), ccFindDefs::BadParams);
    EXPECT_THROW(cfWriteOverlayPng(dir / "o.png", image, {}, 17), ccFindDefs::BadParams);
    EXPECT_THROW(cfWriteOverlayPng(dir / "o.png", image, {{{}, ccColor(), 1.0}}),
                 ccFindDefs::BadParams);
    ccOverlayStroke thick = red(0, 0, 1, 1);
    thick.width = 0;
    EXPECT_THROW(cfWriteOverlayPng(dir / "o.png", image, {thick}), ccFindDefs::BadParams);
    EXPECT_TRUE(dir.names().empty());
    EXPECT_THROW(cfWriteOverlayPng(dir / "missing/o.png", image, {}), ccFindDefs::BadImage);
}

}  // namespace
