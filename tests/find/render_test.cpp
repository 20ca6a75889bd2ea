// Rendering: polarity decides which side is light, coverage is exact, the
// pose puts the part where it says, and the effects do what they state.
#include "find/render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "ch_core/shapemod.h"
#include "find/finddefs.h"
#include "vxstd12u/str.h"

namespace {

using Shape = ccPtrHandle<ccShape>;

Shape circle(double x, double y, double r) {
    return cfMakeHandle<ccCircle>(ccVector<2>(x, y), r);
}
Shape polygon(const std::vector<ccVector<2>>& vertices) {
    return cfMakeHandle<ccPolyline>(vertices, true);
}
Shape withProps(const Shape& shape, bool reversed, double weight = 1.0, bool ignored = false) {
    return ccShapeModelProps(reversed, weight, ignored).assign(*shape);
}
Shape general(std::initializer_list<Shape> children) {
    auto tree = cfMakeHandle<ccGeneralShapeTree>();
    for (const Shape& c : children) tree->addChild(c, true);
    return tree;
}

ccRenderParams sized(long w, long h) {
    ccRenderParams p;
    p.width = w;
    p.height = h;
    return p;
}

ccImage8 render8(const ccShape& model, const ccRenderParams& p) {
    return std::get<ccImage8>(cfRenderModel(model, p));
}

// 16 bits from 0 to 65535 keep rounding far below what the tests look at.
ccImage16 render16(const ccShape& model, ccRenderParams p) {
    p.depth = 16;
    p.dark = 0;
    p.light = 65535;
    return std::get<ccImage16>(cfRenderModel(model, p));
}

// The brightness of each pixel as a share of light - dark.
std::vector<double> shares(const ccImage16& image) {
    std::vector<double> s;
    for (const unsigned short v : image.pels()) s.push_back(v / 65535.0);
    return s;
}

template <class T>
long largestDifference(const ccPelBuffer_const<T>& a, const ccPelBuffer_const<T>& b) {
    long most = 0;
    for (std::size_t i = 0; i < a.pels().size(); ++i)
        most = std::max(most, std::labs(long(a.pels()[i]) - long(b.pels()[i])));
    return most;
}

TEST(RenderPolarity, NormalIsLighterInsideReversedIsItsNegativeAndSoIsTheOtherHand) {
    const ccRenderParams p = sized(40, 32);  // dark 40, light 200
    const Shape ccw = circle(20, 16, 9);
    const ccImage8 normal = render8(*ccw, p);
    EXPECT_EQ(normal.pel(20, 16), 200);
    EXPECT_EQ(normal.pel(2, 2), 40);
    const ccImage8 reversed = render8(*withProps(ccw, true), p);
    EXPECT_EQ(reversed.pel(20, 16), 40);
    EXPECT_EQ(reversed.pel(2, 2), 200);
    // Every pixel, edges included, is the negative: light + dark - value.
    for (long y = 0; y < 32; ++y)
        for (long x = 0; x < 40; ++x) EXPECT_EQ(normal.pel(x, y) + reversed.pel(x, y), 240);
    // A circle run clockwise has its gradients outwards: the same image.
    EXPECT_LE(largestDifference(render8(*ccw->reverse(), p), reversed), 1);
}

TEST(RenderPolarity, IgnoredPolarityRendersAsTheGeometrysOwnSense) {
    const ccRenderParams p = sized(40, 32);
    const Shape ccw = circle(20, 16, 9), cw = ccw->reverse();
    const ccImage8 lighter = render8(*ccw, p), darker = render8(*cw, p);
    ASSERT_EQ(lighter.pel(20, 16), 200);
    ASSERT_EQ(darker.pel(20, 16), 40);
    // A reversal flag under ignored polarity changes nothing.
    for (const bool flag : {false, true}) {
        EXPECT_EQ(render8(*withProps(ccw, flag, 1, true), p).pels(), lighter.pels()) << flag;
        EXPECT_EQ(render8(*withProps(cw, flag, 1, true), p).pels(), darker.pels()) << flag;
    }
}

TEST(RenderPolarity, ARegionTreesHoleIsAsDarkAsTheBackground) {
    const ccRenderParams p = sized(48, 48);
    // The hole given either way round: the tree runs it against its outline.
    for (const Shape& hole : {circle(24, 24, 6), circle(24, 24, 6)->reverse()}) {
        auto region = cfMakeHandle<ccRegionTree>(*circle(24, 24, 16), false);
        region->addChild(hole, true);
        const ccImage8 image = render8(*region, p);
        EXPECT_EQ(image.pel(24, 24), 40);   // in the hole
        EXPECT_EQ(image.pel(24, 13), 200);  // in the material
        EXPECT_EQ(image.pel(2, 2), 40);
    }
}

TEST(RenderPolarity, PartsOfNegativeWeightAreNotDrawn) {
    const ccRenderParams p = sized(64, 32);
    const Shape kept = circle(16, 16, 8);
    const ccImage8 alone = render8(*kept, p);
    EXPECT_EQ(render8(*general({kept, withProps(circle(46, 16, 8), false, -1)}), p).pels(),
              alone.pels());
    // Of either polarity, and with nothing else, it leaves only background.
    const ccImage8 none = render8(*general({withProps(circle(46, 16, 8), true, -2)}), p);
    EXPECT_EQ(none.pels(), std::vector<unsigned char>(std::size_t{64} * 32, 40));
    // An empty model is background too.
    EXPECT_EQ(render8(ccGeneralShapeTree(), p).pels(), none.pels());
}

TEST(RenderCoverage, EdgePixelsHoldTheShareOfTheirAreaInside) {
    // A rectangle 8 x 7.75 placed at (10.25, 5.375): it covers x in
    // [10.25, 18.25] and y in [5.375, 13.125]. Column 10 spans [9.5, 10.5),
    // a quarter of it inside; column 18 [17.5, 18.5), three quarters; row 5
    // [4.5, 5.5), an eighth; row 13 [12.5, 13.5), five eighths.
    ccRenderParams p = sized(24, 16);
    p.pose.x = 10.25;
    p.pose.y = 5.375;
    p.depth = 16;
    p.dark = 1000;
    p.light = 41000;
    const auto image =
        std::get<ccImage16>(cfRenderModel(*polygon({{0, 0}, {8, 0}, {8, 7.75}, {0, 7.75}}), p));
    const auto expected = [](double share) { return 1000 + 40000 * share; };
    EXPECT_EQ(image.pel(14, 9), expected(1));
    EXPECT_EQ(image.pel(9, 9), expected(0));
    EXPECT_EQ(image.pel(10, 9), expected(0.25));
    EXPECT_EQ(image.pel(18, 9), expected(0.75));
    EXPECT_EQ(image.pel(14, 5), expected(0.125));
    EXPECT_EQ(image.pel(14, 13), expected(0.625));
    EXPECT_EQ(image.pel(10, 5), expected(0.25 * 0.125));
    EXPECT_EQ(image.pel(18, 13), expected(0.75 * 0.625));
    EXPECT_EQ(image.pel(19, 14), expected(0));
}

TEST(RenderCoverage, ACirclesBrightnessSumsToItsArea) {
    // A circle of radius 5 scaled by 2.74: 13.7 pixels in the image.
    ccRenderParams p = sized(64, 64);
    p.pose = ccPose{31.3, 30.6, ccRadian(0.3), 2.74};
    double sum = 0;
    for (const double s : shares(render16(*circle(0, 0, 5), p))) sum += s;
    EXPECT_NEAR(sum / (64 * 64), M_PI * 13.7 * 13.7 / (64 * 64), 1e-5);
}

TEST(RenderPose, TheBrightCentroidLandsWhereThePoseMapsTheModelsCentroid) {
    // An L of a 12 x 4 bar (centroid (6, 2)) and a 4 x 6 leg on it (centroid
    // (2, 7)): area 72, centroid (336 / 72, 264 / 72).
    const Shape ell = polygon({{0, 0}, {12, 0}, {12, 4}, {4, 4}, {4, 10}, {0, 10}});
    ccRenderParams p = sized(96, 80);
    const double angle = M_PI / 6, scale = 1.5;
    p.pose = ccPose{45.5, 38.25, ccRadian(angle), scale};
    const ccImage16 image = render16(*ell, p);
    const std::vector<double> s = shares(image);
    double area = 0, sx = 0, sy = 0;
    for (long y = 0; y < 80; ++y)
        for (long x = 0; x < 96; ++x) {
            const double w = s[static_cast<std::size_t>(y * 96 + x)];
            area += w;
            sx += w * x;
            sy += w * y;
        }
    const double mx = 336.0 / 72, my = 264.0 / 72;
    EXPECT_NEAR(area, 72 * scale * scale, 1e-3);
    // x + s R m, R turning +x towards +y.
    EXPECT_NEAR(sx / area, 45.5 + scale * (std::cos(angle) * mx - std::sin(angle) * my), 0.01);
    EXPECT_NEAR(sy / area, 38.25 + scale * (std::sin(angle) * mx + std::cos(angle) * my), 0.01);
}

TEST(RenderOpenParts, AnOpenPartIsALineOnePixelWideAtTheLightLevel) {
    const ccRenderParams p = sized(32, 20);
    const Shape onCentres = cfMakeHandle<ccLineSeg>(ccVector<2>(5, 10), ccVector<2>(25, 10));
    const ccImage8 centred = render8(*onCentres, p);
    EXPECT_EQ(centred.pel(15, 10), 200);
    EXPECT_EQ(centred.pel(15, 9), 40);
    EXPECT_EQ(centred.pel(15, 11), 40);
    // Between two rows, the band [10, 11] covers half of each.
    const Shape between = cfMakeHandle<ccLineSeg>(ccVector<2>(5, 10.5), ccVector<2>(25, 10.5));
    const ccImage8 halves = render8(*between, p);
    EXPECT_EQ(halves.pel(15, 10), 120);
    EXPECT_EQ(halves.pel(15, 11), 120);
    EXPECT_EQ(halves.pel(15, 12), 40);
}

TEST(RenderEffects, TheRampAddsAlongXAndTheOccluderCoversTheLeftOfThePart) {
    ccRenderParams p = sized(10, 2);
    p.dark = 100;
    p.ramp = 3;
    const ccImage8 ramp = render8(ccGeneralShapeTree(), p);
    for (long x = 0; x < 10; ++x) EXPECT_EQ(ramp.pel(x, 1), 100 + 3 * (x - 5)) << x;
    // The square [10, 30]^2 half occluded: [10, 20] of it is mid grey 120.
    ccRenderParams q = sized(40, 40);
    q.occlusion = 0.5;
    const ccImage8 occluded = render8(*polygon({{10, 10}, {30, 10}, {30, 30}, {10, 30}}), q);
    EXPECT_EQ(occluded.pel(15, 20), 120);
    EXPECT_EQ(occluded.pel(20, 20), 160);  // half occluder, half part
    EXPECT_EQ(occluded.pel(25, 20), 200);
    EXPECT_EQ(occluded.pel(15, 5), 40);  // above the part's box
    EXPECT_EQ(occluded.pel(5, 20), 40);
}

TEST(RenderEffects, BlurSpreadsAnEdgeSymmetricallyAndNoiseFollowsItsSeed) {
    // A half-plane from x = 31.5, between columns 31 and 32.
    ccRenderParams p = sized(64, 16);
    p.blurSigma = 2;
    const ccImage8 blurred =
        render8(*polygon({{31.5, -1000}, {1000, -1000}, {1000, 1000}, {31.5, 1000}}), p);
    for (long k = 0; k < 12; ++k) {
        EXPECT_NEAR(blurred.pel(31 - k, 8) + blurred.pel(32 + k, 8), 240, 1) << k;
        EXPECT_LE(blurred.pel(31 - k, 8), blurred.pel(31 - k + 1, 8));
    }
    EXPECT_GT(blurred.pel(31, 8), 40 + 40);
    EXPECT_EQ(blurred.pel(2, 8), 40);
    EXPECT_EQ(blurred.pel(61, 8), 200);

    ccRenderParams n = sized(200, 200);
    n.dark = 100;
    n.noiseSigma = 5;
    n.seed = 7;
    const ccImage8 first = render8(ccGeneralShapeTree(), n);
    EXPECT_EQ(render8(ccGeneralShapeTree(), n).pels(), first.pels());
    n.seed = 8;
    EXPECT_NE(render8(ccGeneralShapeTree(), n).pels(), first.pels());
    double sum = 0, squares = 0;
    for (const unsigned char v : first.pels()) {
        sum += v - 100.0;
        squares += (v - 100.0) * (v - 100.0);
    }
    const double count = 200 * 200;
    EXPECT_NEAR(sum / count, 0, 0.1);
    EXPECT_NEAR(std::sqrt(squares / count), 5, 0.15);
}

TEST(RenderParams, ValuesOutsideTheirDomainAreRefusedNamingTheField) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<std::function<void(ccRenderParams&)>, std::string>> faults = {
        {[](ccRenderParams& p) { p.width = 0; }, "width"},
        {[](ccRenderParams& p) { p.height = -3; }, "height"},
        {[](ccRenderParams& p) { p.width = 70000; }, "width"},
        {[](ccRenderParams& p) { p.width = p.height = 40000; }, "width"},
        {[=](ccRenderParams& p) { p.pose.x = nan; }, "x"},
        {[](ccRenderParams& p) { p.pose.scale = 0; }, "scale"},
        {[](ccRenderParams& p) { p.depth = 12; }, "depth"},
        {[=](ccRenderParams& p) { p.dark = nan; }, "dark"},
        {[](ccRenderParams& p) { p.light = 256; }, "light"},
        {[](ccRenderParams& p) { p.dark = -1; }, "dark"},
        {[](ccRenderParams& p) { p.blurSigma = -0.5; }, "blur"},
        {[=](ccRenderParams& p) { p.noiseSigma = inf; }, "noise"},
        {[](ccRenderParams& p) { p.noiseSigma = -1; }, "noise"},
        {[=](ccRenderParams& p) { p.ramp = nan; }, "ramp"},
        {[](ccRenderParams& p) { p.occlusion = 1.5; }, "occlusion"},
        {[=](ccRenderParams& p) { p.occlusion = nan; }, "occlusion"},
    };
    const Shape model = circle(8, 8, 4);
    for (const auto& [spoil, field] : faults) {
        ccRenderParams p = sized(16, 16);
        spoil(p);
        try {
            cfRenderModel(*model, p);
            ADD_FAILURE() << field << " was taken";
        } catch (const ccFindDefs::BadParams& e) {
            EXPECT_NE(cfNarrow(e.detail()).find(field), std::string::npos) << cfNarrow(e.detail());
        }
    }
    // A 16-bit image takes levels an 8-bit one refuses.
    ccRenderParams wide = sized(16, 16);
    wide.depth = 16;
    wide.light = 60000;
    EXPECT_EQ(std::get<ccImage16>(cfRenderModel(*model, wide)).pel(8, 8), 60000);
}

}  // namespace
