// The SVG canvas's structure (classes, groups, merged elements), its numbers,
// and arrowheads bounded by the piece they end.
#include "vxdispc12u/svg.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/vxdispc12u/svg_checks.h"
#include "platform/vxstd12u/shape_checks.h"
#include "vxdispc12u/graphiclist.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"

namespace {

using shape_checks::expectSamePoint;
using testing::ElementsAre;

const ccRect kView(ccVector<2>(0, 0), ccVector<2>(100, 100));

ccSvgPath segment(const ccVector<2>& a, const ccVector<2>& b) {
    ccSvgPath path;
    path.moveTo(a);
    path.lineTo(b);
    return path;
}

TEST(SvgNumber, LimitedDecimalsWithoutTrailingZeros) {
    EXPECT_EQ(cfSvgNumber(12.5, 4), "12.5");
    EXPECT_EQ(cfSvgNumber(3.0, 4), "3");
    EXPECT_EQ(cfSvgNumber(2.123456, 3), "2.123");
    EXPECT_EQ(cfSvgNumber(-0.00004, 4), "0") << "no negative zero";
    EXPECT_EQ(cfSvgNumber(-1.99996, 4), "-2");
    EXPECT_EQ(cfSvgNumber(1234567.0, 0), "1234567");
    EXPECT_EQ(cfSvgNumber(0.1, 40), "0.1") << "decimals clamp at 12";
    EXPECT_THROW(cfSvgNumber(std::nan(""), 3), ccShapesError::BadParams);
    EXPECT_THROW(cfSvgNumber(HUGE_VAL, 3), ccShapesError::BadParams);
}

TEST(SvgCanvas, NumbersKeepAMillionthOfTheView) {
    ccSvgCanvas small(ccRect(ccVector<2>(0, 0), ccVector<2>(100, 50)), 0.1);
    EXPECT_EQ(small.decimals(), 4);
    ccSvgCanvas large(ccRect(ccVector<2>(0, 0), ccVector<2>(2e6, 1)), 2000);
    EXPECT_EQ(large.decimals(), 0);
    small.draw(segment(ccVector<2>(1.234567, 2), ccVector<2>(3, 4)), ccGraphicProps(), false);
    EXPECT_THAT(svg_checks::attributes(small.svgElement(100, 50), "d"),
                ElementsAre("M 1.2346 2 L 3 4"));
}

TEST(SvgCanvas, RunsOfOneStyleBecomeOneElementWithinAGroup) {
    ccSvgCanvas canvas(kView, 0.1, "p");
    const ccGraphicProps blue(ccColor::blueColor(), 2), red(ccColor::redColor(), 1);
    canvas.draw(segment(ccVector<2>(0, 0), ccVector<2>(1, 0)), blue, false);
    canvas.draw(segment(ccVector<2>(0, 1), ccVector<2>(1, 1)), blue, false);
    canvas.draw(segment(ccVector<2>(0, 2), ccVector<2>(1, 2)), blue, false, "glyph");
    canvas.draw(segment(ccVector<2>(0, 3), ccVector<2>(1, 3)), red, false);
    // Later graphics stay on top: blue after red starts a new element.
    canvas.draw(segment(ccVector<2>(0, 4), ccVector<2>(1, 4)), blue, false);
    ccSvgGroup group;
    group.node = "0.1";
    group.classes = "node negative";
    group.id = "a\"<&b";
    canvas.beginGroup(group);
    canvas.draw(segment(ccVector<2>(0, 5), ccVector<2>(1, 5)), blue, false);
    canvas.endGroup();
    // Filled paths are never joined: the even-odd rule would cut holes.
    canvas.draw(segment(ccVector<2>(0, 6), ccVector<2>(1, 6)), blue, true);
    canvas.draw(segment(ccVector<2>(0, 7), ccVector<2>(1, 7)), blue, true);
    const std::string svg = canvas.svgElement(1000, 1000);
    EXPECT_THAT(svg_checks::attributes(svg, "d"),
                ElementsAre("M 0 0 L 1 0 M 0 1 L 1 1", "M 0 2 L 1 2", "M 0 3 L 1 3", "M 0 4 L 1 4",
                            "M 0 5 L 1 5", "M 0 6 L 1 6", "M 0 7 L 1 7"));
    EXPECT_THAT(svg_checks::attributes(svg, "class"),
                ElementsAre("s-0000ff-2-solid", "s-0000ff-2-solid glyph", "s-ff0000-1-solid",
                            "s-0000ff-2-solid", "node negative", "s-0000ff-2-solid",
                            "s-0000ff-2-solid f-0000ff", "s-0000ff-2-solid f-0000ff"));
    EXPECT_THAT(svg_checks::attributes(svg, "data-node"), ElementsAre("0.1"));
    EXPECT_THAT(svg_checks::attributes(svg, "id"), ElementsAre("a&quot;&lt;&amp;b"));
    EXPECT_THROW(canvas.endGroup(), ccShapesError::BadParams);
}

TEST(SvgCanvas, EveryStrokeKeepsItsWidthOnScreenAndDotsAreRoundCaps) {
    ccSvgCanvas canvas(kView, 0.01);
    ccSvgPath dots;
    dots.dot(ccVector<2>(5, 5));
    dots.dot(ccVector<2>(6, 5));
    canvas.draw(dots, ccGraphicProps(ccColor::redColor(), 1), false);
    canvas.draw(segment(ccVector<2>(0, 0), ccVector<2>(9, 9)),
                ccGraphicProps(ccColor::greenColor(), 3, ccGraphicProps::eDot), false);
    const std::string svg = canvas.svgElement(100, 100);
    EXPECT_THAT(svg_checks::attributes(svg, "d"),
                ElementsAre("M 5 5 h 0 M 6 5 h 0", "M 0 0 L 9 9"));
    // 1.5 + 1 pixels of radius: 5 across.
    EXPECT_NE(svg.find(".d-ff0000-1{fill:none;stroke:#ff0000;stroke-width:5px;stroke-linecap:round;"
                       "vector-effect:non-scaling-stroke}"),
              std::string::npos);
    EXPECT_NE(svg.find("stroke-width:3px;stroke-linejoin:round;vector-effect:non-scaling-stroke;"
                       "stroke-dasharray:3 9}"),
              std::string::npos);
    // No width, dash or radius depends on the scale: nothing of 0.01 shows.
    EXPECT_EQ(svg.find("0.0"), std::string::npos);
}

TEST(ArrowHead, EndsTheLastPieceAlongItsDirectionAndIsAtMostAThirdOfIt) {
    ccVector<2> t[3];
    // A long segment takes the asked length; a short one a third of itself.
    ASSERT_TRUE(cfArrowHead(segment(ccVector<2>(0, 0), ccVector<2>(30, 40)), 5, t));
    expectSamePoint(t[0], ccVector<2>(30, 40), 1e-12);
    expectSamePoint((t[1] + t[2]) * 0.5, ccVector<2>(27, 36), 1e-12);
    EXPECT_NEAR((t[1] - t[2]).len(), 5, 1e-12);
    ASSERT_TRUE(cfArrowHead(segment(ccVector<2>(0, 0), ccVector<2>(0, 3)), 5, t));
    expectSamePoint((t[1] + t[2]) * 0.5, ccVector<2>(0, 2), 1e-12);

    // Only the last piece counts: a long polyline ending in a short piece.
    ccSvgPath polyline = segment(ccVector<2>(-100, 0), ccVector<2>(0, 0));
    polyline.lineTo(ccVector<2>(0.3, 0));
    polyline.moveTo(ccVector<2>(50, 50));  // a lone move draws nothing
    ASSERT_TRUE(cfArrowHead(polyline, 5, t));
    expectSamePoint(t[0], ccVector<2>(0.3, 0), 1e-12);
    EXPECT_NEAR((t[0] - (t[1] + t[2]) * 0.5).len(), 0.1, 1e-12);

    // A cubic ends along its last control leg; an arc along its tangent:
    // a quarter of the unit circle from (1, 0) to (0, 1), sweeping positively,
    // arrives travelling towards -x.
    ccSvgPath cubic;
    cubic.moveTo(ccVector<2>(0, 0));
    cubic.cubicTo(ccVector<2>(10, 0), ccVector<2>(10, 10), ccVector<2>(10, 20));
    ASSERT_TRUE(cfArrowHead(cubic, 2, t));
    expectSamePoint((t[1] + t[2]) * 0.5, ccVector<2>(10, 18), 1e-12);
    ccSvgPath arc;
    arc.moveTo(ccVector<2>(1, 0));
    arc.arcTo(ccVector<2>(1, 1), 0, false, true, ccVector<2>(0, 1));
    ASSERT_TRUE(cfArrowHead(arc, 0.1, t));
    expectSamePoint((t[1] + t[2]) * 0.5, ccVector<2>(0.1, 1), 1e-12);

    // Nothing drawn, or a piece of no length: no arrowhead.
    ccSvgPath lone;
    lone.moveTo(ccVector<2>(1, 1));
    EXPECT_FALSE(cfArrowHead(lone, 5, t));
    EXPECT_FALSE(cfArrowHead(segment(ccVector<2>(1, 1), ccVector<2>(1, 1)), 5, t));
}

TEST(SvgArc, CentreFormFollowsTheSvgRules) {
    const auto arc = [](double rx, bool large, bool sweep) {
        return cfSvgArc(ccVector<2>(0, 0),
                        {'A', {rx, rx, 0, large ? 1.0 : 0.0, sweep ? 1.0 : 0.0, 10, 0}});
    };
    // Radii too small to reach are scaled up: a half circle of radius 5.
    // Sweeping positively turns from +x towards +y: from the start at angle
    // pi on through 3 pi / 2, at -y.
    const ccSvgArc half = arc(1, false, true);
    expectSamePoint(half.centre, ccVector<2>(5, 0), 1e-12);
    expectSamePoint(half.radii, ccVector<2>(5, 5), 1e-12);
    expectSamePoint(half.pointAt(0.5), ccVector<2>(5, -5), 1e-12);
    expectSamePoint(arc(1, false, false).pointAt(0.5), ccVector<2>(5, 5), 1e-12);
    // Radius 10: the small arc's centre lies on the side the flags choose,
    // and the large arc goes round the other way.
    const ccSvgArc small = arc(10, false, true), large = arc(10, true, true);
    expectSamePoint(small.centre, ccVector<2>(5, std::sqrt(75.0)), 1e-12);
    expectSamePoint(large.centre, ccVector<2>(5, -std::sqrt(75.0)), 1e-12);
    EXPECT_NEAR(small.sweepAngle, 3.141592653589793 / 3, 1e-12);
    EXPECT_NEAR(large.sweepAngle, 5 * 3.141592653589793 / 3, 1e-12);
    expectSamePoint(small.pointAt(1), ccVector<2>(10, 0), 1e-12);
    expectSamePoint(large.pointAt(1), ccVector<2>(10, 0), 1e-12);
    // A zero radius is a straight line; another command is refused.
    EXPECT_EQ(arc(0, false, true).radii.len(), 0.0);
    EXPECT_THROW(cfSvgArc(ccVector<2>(), {'L', {1, 2}}), ccShapesError::BadParams);
}

TEST(ArrowHead, NeverOutgrowsTheSegmentsOfAGlyph) {
    // Seeded: segments of every length from a thousandth of a unit to a
    // thousand, drawn at scales where the asked 6 pixels are far larger.
    std::mt19937 rng(21);
    std::uniform_real_distribution<double> exponent(-3, 3), angle(0, 6.283185307179586);
    for (int i = 0; i < 500; ++i) {
        const double length = std::pow(10.0, exponent(rng)), a = angle(rng);
        const ccVector<2> from(3, -2), to = from + ccVector<2>(std::cos(a), std::sin(a)) * length;
        ccSvgCanvas canvas(kView, std::pow(10.0, exponent(rng)));
        canvas.draw(segment(from, to), ccGraphicProps(ccColor::blueColor(), 1, 0, true), false);
        const std::string svg = canvas.svgElement(100, 100);
        const auto d = svg_checks::attributes(svg, "d");
        ASSERT_EQ(d.size(), 2u);
        const auto head = svg_checks::parsePath(d[1]);
        ASSERT_EQ(svg_checks::letters(head), "MLLZ");
        const ccVector<2> tip(head[0].numbers[0], head[0].numbers[1]);
        const ccVector<2> base = (ccVector<2>(head[1].numbers[0], head[1].numbers[1]) +
                                  ccVector<2>(head[2].numbers[0], head[2].numbers[1])) *
                                 0.5;
        const double printed = std::pow(10.0, -canvas.decimals());
        EXPECT_LE((tip - base).len(), length / 3 + 2 * printed) << length;
        EXPECT_LE((tip - base).len(), 6 * canvas.unitsPerPixel() + 2 * printed);
    }
}

TEST(GraphicListSvg, FitsItsContentWithAMarginAtAThousandPixels) {
    ccGraphicList list;
    list.append(ccPtrHandle<ccGraphic>(new ccGraphicSimple<ccLineSeg>(
                    ccLineSeg(ccVector<2>(10, 20), ccVector<2>(410, 220)), ccGraphicProps())),
                true);
    const std::string svg = list.toSvg();
    // 400 x 200 and 5 % of 400 on every side.
    EXPECT_THAT(svg_checks::attributes(svg, "viewBox"), ElementsAre("-10 0 440 240"));
    EXPECT_THAT(svg_checks::attributes(svg, "width"), ElementsAre("1000"));
    EXPECT_THAT(svg_checks::attributes(svg, "height"), ElementsAre("545"));
}

}  // namespace
