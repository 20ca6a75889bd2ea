// Paths drawn into pixels: where the ink lands against the exact geometry,
// antialiasing, pen styles, fills and arrowheads.
#include "vxdispc12u/raster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "vxstd12u/errors.h"

namespace {

const ccColor kInk(0, 0, 0);
const ccGraphicProps kThin(kInk, 1);

// How much of the ink colour a pixel took (0 white, 1 black).
double ink(const ccRgbImage& image, long x, long y) {
    return 1.0 - image.pixel(x, y).red() / 255.0;
}

// A canvas where drawing units are pixels.
ccRasterCanvas pixelCanvas(long width, long height) {
    return ccRasterCanvas(ccRect(ccVector<2>(0, 0), ccVector<2>(static_cast<double>(width),
                                                                static_cast<double>(height))),
                          width, height);
}

ccSvgPath segment(const ccVector<2>& a, const ccVector<2>& b) {
    ccSvgPath path;
    path.moveTo(a);
    path.lineTo(b);
    return path;
}

double distanceToSegment(const ccVector<2>& p, const ccVector<2>& a, const ccVector<2>& b) {
    const ccVector<2> d = b - a;
    const double t = std::clamp((p - a).dot(d) / d.dot(d), 0.0, 1.0);
    return (p - (a + d * t)).len();
}

TEST(Raster, LinesCoverThePixelsTheyCrossAndShareThemBetweenRows) {
    ccRasterCanvas canvas = pixelCanvas(20, 20);
    // Through pixel centres: row 5 fully, its neighbours not at all.
    canvas.draw(segment(ccVector<2>(2, 5.5), ccVector<2>(18, 5.5)), kThin, false);
    // On the border of rows 11 and 12: each half.
    canvas.draw(segment(ccVector<2>(2, 12), ccVector<2>(18, 12)), kThin, false);
    const ccRgbImage& image = canvas.image();
    EXPECT_DOUBLE_EQ(ink(image, 10, 5), 1.0);
    EXPECT_DOUBLE_EQ(ink(image, 10, 4), 0.0);
    EXPECT_DOUBLE_EQ(ink(image, 10, 6), 0.0);
    EXPECT_NEAR(ink(image, 10, 11), 0.5, 0.01);
    EXPECT_NEAR(ink(image, 10, 12), 0.5, 0.01);
    EXPECT_DOUBLE_EQ(ink(image, 10, 13), 0.0);
    // Colour is kept: a red line leaves red pixels.
    ccRasterCanvas red = pixelCanvas(10, 10);
    red.draw(segment(ccVector<2>(0, 5.5), ccVector<2>(10, 5.5)),
             ccGraphicProps(ccColor::redColor()), false);
    EXPECT_TRUE(red.image().pixel(4, 5) == ccColor::redColor());
}

TEST(Raster, InkLiesWhereTheSegmentIsAndNowhereElse) {
    // Seeded: segments in every direction and width; a pixel whose centre
    // lies on the stroke is inked fully, one beyond its reach not at all.
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coordinate(-5, 45);
    for (int i = 0; i < 200; ++i) {
        const ccVector<2> a(coordinate(rng), coordinate(rng)), b(coordinate(rng), coordinate(rng));
        const int width = 1 + i % 4;
        ccRasterCanvas canvas = pixelCanvas(40, 40);
        canvas.draw(segment(a, b), ccGraphicProps(kInk, width), false);
        for (long y = 0; y < 40; ++y)
            for (long x = 0; x < 40; ++x) {
                const double d = distanceToSegment(
                    ccVector<2>(static_cast<double>(x) + 0.5, static_cast<double>(y) + 0.5), a, b);
                const double shown = ink(canvas.image(), x, y);
                if (d <= width / 2.0 - 0.5) {
                    EXPECT_GT(shown, 0.99) << x << "," << y;
                }
                if (d >= width / 2.0 + 0.5) {
                    EXPECT_EQ(shown, 0.0) << x << "," << y;
                }
            }
    }
}

TEST(Raster, CurvesFollowTheirGeometry) {
    // A circle of radius 30 about (50, 50) as two SVG arcs, and a cubic
    // whose points are known: ink only near them.
    ccRasterCanvas canvas = pixelCanvas(100, 100);
    ccSvgPath circle;
    circle.moveTo(ccVector<2>(80, 50));
    circle.arcTo(ccVector<2>(30, 30), 0, false, true, ccVector<2>(20, 50));
    circle.arcTo(ccVector<2>(30, 30), 0, false, true, ccVector<2>(80, 50));
    canvas.draw(circle, kThin, false);
    for (long y = 0; y < 100; ++y)
        for (long x = 0; x < 100; ++x) {
            const double r = (ccVector<2>(x + 0.5, y + 0.5) - ccVector<2>(50, 50)).len();
            if (std::fabs(r - 30) >= 1.05) {
                EXPECT_EQ(ink(canvas.image(), x, y), 0.0) << x << "," << y;
            }
        }
    for (int k = 0; k < 64; ++k) {
        const double a = k * 6.283185307179586 / 64;
        const ccVector<2> p = ccVector<2>(50, 50) + ccVector<2>(std::cos(a), std::sin(a)) * 30;
        EXPECT_GT(ink(canvas.image(), std::lround(p.x() - 0.5), std::lround(p.y() - 0.5)), 0.3);
    }
}

TEST(Raster, DashesFillsDotsAndArrowheadsAsTheSvgShowsThem) {
    ccRasterCanvas canvas = pixelCanvas(60, 60);
    // Dash of width 1: 6 on, 4 off, from the start.
    canvas.draw(segment(ccVector<2>(0, 5.5), ccVector<2>(60, 5.5)),
                ccGraphicProps(kInk, 1, ccGraphicProps::eDash), false);
    EXPECT_DOUBLE_EQ(ink(canvas.image(), 2, 5), 1.0);
    EXPECT_DOUBLE_EQ(ink(canvas.image(), 8, 5), 0.0);
    EXPECT_DOUBLE_EQ(ink(canvas.image(), 12, 5), 1.0);
    // A filled ring: 35 % inside, the hole left open (even-odd).
    ccSvgPath ring;
    for (double side : {20.0, 8.0}) {
        const double lo = 40 - side / 2, hi = 40 + side / 2;
        ring.moveTo(ccVector<2>(lo, lo));
        ring.lineTo(ccVector<2>(hi, lo));
        ring.lineTo(ccVector<2>(hi, hi));
        ring.lineTo(ccVector<2>(lo, hi));
        ring.lineTo(ccVector<2>(lo, lo));
        ring.close();
    }
    canvas.draw(ring, ccGraphicProps(kInk, 1), true);
    EXPECT_NEAR(ink(canvas.image(), 33, 40), 0.35, 0.01);
    EXPECT_DOUBLE_EQ(ink(canvas.image(), 40, 40), 0.0);
    EXPECT_NEAR(ink(canvas.image(), 29, 40), 0.5, 0.01) << "half a pixel of the side";
    // The last row inside: the fill and half the bottom side over it.
    EXPECT_NEAR(ink(canvas.image(), 33, 49), 1 - 0.65 * 0.5, 0.01);
    EXPECT_NEAR(ink(canvas.image(), 33, 30), 1 - 0.65 * 0.5, 0.01);
    // A dot of radius 2.5 pixels.
    ccSvgPath dot;
    dot.dot(ccVector<2>(10.5, 40.5));
    canvas.draw(dot, kThin, false);
    EXPECT_DOUBLE_EQ(ink(canvas.image(), 12, 40), 1.0);
    EXPECT_DOUBLE_EQ(ink(canvas.image(), 14, 40), 0.0);
    // An arrowhead widens the end of a long line (6 pixels long, as wide).
    ccRasterCanvas arrow = pixelCanvas(60, 20);
    arrow.draw(segment(ccVector<2>(5, 10), ccVector<2>(50, 10)), ccGraphicProps(kInk, 1, 0, true),
               false);
    EXPECT_GT(ink(arrow.image(), 46, 8), 0.99);
    EXPECT_DOUBLE_EQ(ink(arrow.image(), 30, 8), 0.0);
}

TEST(Raster, ADashPatternRunsOnFromWhereTheLineStartsOutsideThePicture) {
    // Dashes of 6 on and 4 off from x = -1003: on where (x + 1003) mod 10 < 6.
    ccRasterCanvas canvas = pixelCanvas(40, 10);
    canvas.draw(segment(ccVector<2>(-1003, 5.5), ccVector<2>(1e9, 5.5)),
                ccGraphicProps(kInk, 1, ccGraphicProps::eDash), false);
    for (long x = 0; x < 40; ++x) {
        const double phase = std::fmod(x + 0.5 + 1003, 10.0);
        if (phase > 0.6 && phase < 5.4) {
            EXPECT_DOUBLE_EQ(ink(canvas.image(), x, 5), 1.0) << x;
        }
        if (phase > 6.6 && phase < 9.4) {
            EXPECT_DOUBLE_EQ(ink(canvas.image(), x, 5), 0.0) << x;
        }
    }
}

TEST(Raster, ScalesTheViewAndRefusesPicturesWithoutPixels) {
    // A view of 1,000 units shown in 100 pixels: a line at y = 505 lands on
    // row 50; one far outside draws nothing and costs nothing.
    ccRasterCanvas canvas(ccRect(ccVector<2>(0, 0), ccVector<2>(1000, 1000)), 100, 100);
    canvas.draw(segment(ccVector<2>(100, 505), ccVector<2>(900, 505)), kThin, false);
    canvas.draw(segment(ccVector<2>(-1e12, -1e12), ccVector<2>(-1e12, 1e12)), kThin, false);
    EXPECT_DOUBLE_EQ(ink(canvas.image(), 50, 50), 1.0);
    EXPECT_DOUBLE_EQ(ink(canvas.image(), 50, 49), 0.0);
    EXPECT_THROW(ccRasterCanvas(ccRect(ccVector<2>(), ccVector<2>(0, 5)), 10, 10),
                 ccShapesError::BadParams);
    EXPECT_THROW(pixelCanvas(0, 10), ccShapesError::BadParams);
    EXPECT_THROW(ccRgbImage(-1, 3), ccShapesError::BadParams);
    EXPECT_THROW(canvas.image().pixel(100, 0), ccShapesError::BadParams);
}

}  // namespace
