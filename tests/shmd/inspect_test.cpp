// Descriptions, drawings with polarity glyphs, and diagnostic records.
#include "shmd/inspect.h"

#include "shmd/properties.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model_fixtures.h"
#include "platform/vxstd12u/shape_checks.h"
#include "vxdiagc12u/diag.h"
#include "vxstd12u/tolerances.h"

namespace {

using namespace fixtures;
using shape_checks::expectSamePoint;

const std::wstring kDefaultProps =
    L"Effective shape model props:\n  Polarity: normal\n  Weight: 1\n  Magnitude: 1\n"
    L"Local shape model props (default):\n  Polarity: normal\n  Weight: 1\n  Magnitude: 1\n\n";

std::wstring describe(const ccShape& s, const std::vector<long>& path = {0}, bool degrees = false,
                      bool withProps = true) {
    ccDrawShapeParams params;
    params.useDegrees(degrees);
    params.drawModelProps(withProps);
    std::wstring out;
    cfDescribeShape(s, ccShapeModel::shapeModelProps(s), path, params, out);
    return out;
}

// ---- descriptions ----

TEST(Describe, SegmentTextInRadiansAndDegrees) {
    const Shape seg = segment(0, 0, 0, 2);
    const std::wstring tail = L"Shape tree statistics\n  Depth: 0\n  Path: 0\n  (Primitive)\n\n";
    auto expected = [&](const std::wstring& angle, const std::wstring& noTurn) {
        return kDefaultProps +
               L"Line segment parameters\n  Point 1: (0, 0)\n  Point 2: (0, 2)\n  Length: 2\n"
               L"  Angle: " +
               angle + L"\n\n" + tail +
               L"Open contour parameters\n  Start point: (0, 0)\n  End point: (0, 2)\n"
               L"  Start angle: " +
               angle + L"\n  End angle: " + angle + L"\n  Tangent rotation: " + noTurn + L"\n\n";
    };
    // pi/2 in the shortest digits that read back; times 57.29577951308232, 90.
    EXPECT_EQ(describe(*seg), expected(L"1.5707963267948966 rad", L"0 rad"));
    EXPECT_EQ(describe(*seg, {0}, true), expected(L"90 deg", L"0 deg"));
}

TEST(Describe, IgnoredReversedCircleModelShowsBothRecordsAndItsRegion) {
    const Shape m = model(circle(1, 2, 3), ccShapeModelProps(true, 2, true, 0.5));
    EXPECT_EQ(describe(*m),
              L"Effective shape model props:\n  Polarity: ignore (reversed)\n  Weight: 2\n"
              L"  Magnitude: 0.5\n"
              L"Local shape model props (shape model):\n  Polarity: ignore (reversed)\n"
              L"  Weight: 2\n  Magnitude: 0.5\n\n"
              L"Circle parameters\n  Center: (1, 2)\n  Radius: 3\n\n"
              L"Shape tree statistics\n  Depth: 0\n  Path: 0\n  (Primitive)\n\n"
              L"Region parameters\n  Handedness: right\n\n");
}

TEST(Describe, TreesShowDepthPathAndSizesButNoParametersForGeneralTrees) {
    const auto tree = general({segment(0, 0, 1, 0), segment(5, 0, 6, 0)});
    EXPECT_EQ(describe(*tree, {0, 1, 2}, false, false),
              L"\nShape tree statistics\n  Depth: 2\n  Path: 0 1 2\n  Height: 1\n"
              L"  # Children: 2\n  Subtree size: 3  (2 primitives)\n\n");
    const auto empty = cfMakeHandle<ccContourTree>(true);
    EXPECT_EQ(describe(*empty, {0}, false, false),
              L"Contour tree parameters\n  Topology: closed\n\n"
              L"Shape tree statistics\n  Depth: 0\n  Path: 0\n  Height: 1\n  # Children: 0\n"
              L"  Subtree size: 1  (0 primitives)\n\n");
}

TEST(Describe, PointContourHasNoTangentAndFlippedRegionsSayNote) {
    const Shape point = cfMakeHandle<cc2Point>(ccVector<2>(3, 4));
    EXPECT_EQ(describe(*point, {0}, false, false),
              L"Point parameters\n  Location: (3, 4)\n\n"
              L"Shape tree statistics\n  Depth: 0\n  Path: 0\n  (Primitive)\n\n"
              L"Open contour parameters\n  Start point: (3, 4)\n  End point: (3, 4)\n"
              L"  No tangent\n\n");
    const ccRegionTree flipped(*clockwiseCircle(), false);
    const std::wstring text = describe(flipped);
    EXPECT_NE(text.find(L"  Magnitude: 1\n  Note: Boundary has flipped handedness\n\n"
                        L"Region tree parameters\n  Region type: solid\n\n"),
              std::wstring::npos)
        << text;
    EXPECT_EQ(describe(ccRegionTree(*circle(), false)).find(L"Note"), std::wstring::npos);
}

// Whole texts of shapes whose fields all differ, so that a field written in
// the wrong line, a swapped pair (start and end, outer and inner, angle and
// phase) or the wrong record shows. Numbers are chosen so that cfStr writes
// them exactly: the shortest digits that read back, positional.
TEST(Describe, AsymmetricShapesAreDescribedWhole) {
    const std::wstring stats = L"Shape tree statistics\n  Depth: 0\n  Path: 0\n  (Primitive)\n\n";
    // A quarter of the ellipse about (8, 8) with radii (4, 3) and angle 0,
    // from phi 0 to pi/2: from (12, 8), heading pi/2, to (8, 11), heading pi;
    // the tangent turns by pi/2. The ellipse's own handedness and phase are
    // kept but play no part in the arc.
    const ccEllipseArc2 arc(
        ccEllipse2(ccVector<2>(8, 8), ccVector<2>(4, 3), ccRadian(0.0), false, ccRadian(0.5)),
        ccRadian(0.0), ccRadian(ccPi / 2));
    const Shape arcModel = ccShapeModelProps(true, 0.5, false, 1.25).assign(arc);
    const std::wstring arcProps =
        L"Effective shape model props:\n  Polarity: ignore (normal)\n  Weight: 2\n"
        L"  Magnitude: 0.25\n"
        L"Local shape model props (shape model):\n  Polarity: reversed\n  Weight: 0.5\n"
        L"  Magnitude: 1.25\n\n";
    struct Case {
        const char* what;
        ConstShape shape;
        ccShapeModelProps inForce;
        bool degrees, withProps;
        std::wstring text;
    };
    const std::vector<Case> cases = {
        {"elliptical arc model, radians", arcModel, ccShapeModelProps(false, 2.0, true, 0.25),
         false, true,
         arcProps +
             L"Ellipse arc parameters\n  Phi start: 0 rad\n  Phi end: 1.5707963267948966 rad\n"
             L"  Phi span: 1.5707963267948966 rad\n\n"
             L"Ellipse parameters\n  Radii: (4, 3)\n  Angle: 0 rad\n  Center: (8, 8)\n"
             L"  Handedness: left\n  Phase: 0.5 rad\n\n" +
             stats +
             L"Open contour parameters\n  Start point: (12, 8)\n  End point: (8, 11)\n"
             L"  Start angle: 1.5707963267948966 rad\n  End angle: 3.141592653589793 rad\n"
             L"  Tangent rotation: 1.5707963267948966 rad\n\n"},
        // Degrees: the radians times 57.29577951308232.
        {"elliptical arc, degrees", cfMakeHandle<ccEllipseArc2>(arc), ccShapeModelProps(), true,
         false,
         L"Ellipse arc parameters\n  Phi start: 0 deg\n  Phi end: 90 deg\n  Phi span: 90 deg\n\n"
         L"Ellipse parameters\n  Radii: (4, 3)\n  Angle: 0 deg\n  Center: (8, 8)\n"
         L"  Handedness: left\n  Phase: 28.64788975654116 deg\n\n" +
             stats +
             L"Open contour parameters\n  Start point: (12, 8)\n  End point: (8, 11)\n"
             L"  Start angle: 90 deg\n  End angle: 180 deg\n  Tangent rotation: 90 deg\n\n"},
        // Turns of +pi/2 at three corners: 3pi/2 in all, beyond half a turn.
        // An open polyline has area 0; its centre is the mean of its vertices.
        {"open polyline",
         cfMakeHandle<ccPolyline>(std::vector<ccVector<2>>{{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 1}},
                                  false),
         ccShapeModelProps(), false, false,
         L"Polyline parameters\n  Topology: open\n  # Vertices: 5\n  Perimeter: 7\n"
         L"  Area: 0\n  Center: (0.8, 1)\n\n" +
             stats +
             L"Open contour parameters\n  Start point: (0, 0)\n  End point: (0, 1)\n"
             L"  Start angle: 0 rad\n  End angle: -1.5707963267948966 rad\n"
             L"  Tangent rotation: 4.71238898038469 rad\n\n"},
        {"ellipse",
         cfMakeHandle<ccEllipse2>(ccVector<2>(1, 2), ccVector<2>(4, 3), ccRadian(0.5), false,
                                  ccRadian(1.25)),
         ccShapeModelProps(), false, false,
         L"Ellipse parameters\n  Radii: (4, 3)\n  Angle: 0.5 rad\n  Center: (1, 2)\n"
         L"  Handedness: left\n  Phase: 1.25 rad\n\n" +
             stats + L"Region parameters\n  Handedness: left\n\n"},
        {"ellipse, degrees",
         cfMakeHandle<ccEllipse2>(ccVector<2>(1, 2), ccVector<2>(4, 3), ccRadian(0.5), false,
                                  ccRadian(1.25)),
         ccShapeModelProps(), true, false,
         L"Ellipse parameters\n  Radii: (4, 3)\n  Angle: 28.64788975654116 deg\n"
         L"  Center: (1, 2)\n  Handedness: left\n  Phase: 71.6197243913529 deg\n\n" +
             stats + L"Region parameters\n  Handedness: left\n\n"},
        {"elliptical annulus",
         cfMakeHandle<ccEllipseAnnulus>(
             ccEllipse2(ccVector<2>(1, 2), ccVector<2>(4, 3), ccRadian(0.5), true, ccRadian(1.25)),
             ccVector<2>(2, 1.25)),
         ccShapeModelProps(), false, false,
         L"Ellipse annulus parameters\n  Outer radii: (4, 3)\n  Inner radii: (2, 1.25)\n"
         L"  Angle: 0.5 rad\n  Center: (1, 2)\n\n" +
             stats + L"Region parameters\n  Handedness: right\n\n"},
        {"annulus", cfMakeHandle<ccAnnulus>(ccVector<2>(1, 2), 4.0, 1.25, false),
         ccShapeModelProps(), false, false,
         L"Annulus parameters\n  Center: (1, 2)\n  Outer radius: 4\n  Inner radius: 1.25\n\n" +
             stats + L"Region parameters\n  Handedness: left\n\n"},
        // No parameter section of its own: only the empty line. Reversed, with
        // a positive span, it is left-handed.
        {"elliptical annulus section",
         cfMakeHandle<ccEllipseAnnulusSection>(ccVector<2>(1, 2), ccVector<2>(4, 3),
                                               ccVector<2>(2, 1.25), ccRadian(0.5), ccRadian(0.25),
                                               ccRadian(1.25), true),
         ccShapeModelProps(), false, false,
         L"\n" + stats + L"Region parameters\n  Handedness: left\n\n"},
        {"generalized rectangle",
         cfMakeHandle<ccGenRect>(ccVector<2>(1, 2), ccVector<2>(4, 3), ccRadian(0.5),
                                 ccRadian(0.25), ccVector<2>(0.5, 0.25), false),
         ccShapeModelProps(), false, false,
         L"Generalized rectangle parameters\n  Radii: (4, 3)\n  Orient: 0.5 rad\n"
         L"  Center: (1, 2)\n  Skew: 0.25 rad\n  Round: (0.5, 0.25)\n  URound: (2, 0.75)\n\n" +
             stats + L"Region parameters\n  Handedness: left\n\n"},
        {"generalized annulus",
         cfMakeHandle<ccGenAnnulus>(ccGenRect(ccVector<2>(1, 2), ccVector<2>(4, 3), ccRadian(0.5),
                                              ccRadian(0.25), ccVector<2>(0.5, 0.25)),
                                    ccVector<2>(2, 1.5), ccVector<2>(0.25, 0.5)),
         ccShapeModelProps(), false, false,
         L"Generalized annulus parameters\n  Outer radii: (4, 3)\n  Inner radii: (2, 1.5)\n"
         L"  Orient: 0.5 rad\n  Center: (1, 2)\n  Outer round: (0.5, 0.25)\n"
         L"  Inner round: (0.25, 0.5)\n\n" +
             stats + L"Region parameters\n  Handedness: right\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ccDrawShapeParams params;
        params.useDegrees(c.degrees);
        params.drawModelProps(c.withProps);
        std::wstring out;
        cfDescribeShape(*c.shape, c.inForce, {0}, params, out);
        EXPECT_EQ(out, c.text);
    }
}

TEST(DisplayName, ContoursSayTheirTopologyAndModelsTheirShapesKind) {
    EXPECT_EQ(cfShapeDisplayName(*contour(true, {})), L"Contour Tree (Closed)");
    EXPECT_EQ(cfShapeDisplayName(*model(segment(0, 0, 1, 0), weight(2))), L"Line Segment");
    EXPECT_EQ(cfShapeDisplayName(*wireframe(false)), L"2D Wireframe");
    EXPECT_EQ(cfShapeDisplayName(*genPoly()), L"Generalized Polygon");
}

// ---- drawing ----

const ccGraphicProps kPositive(ccColor::redColor(), 1, ccGraphicProps::eSolid, true);
const ccGraphicProps kNegative(ccColor::blueColor(), 2, ccGraphicProps::eDash, true);
const ccGraphicProps kZero(ccColor::yellowColor(), 3, ccGraphicProps::eDot, true);

ccGraphicList draw(const ccShape& s, const ccGraphicProps& pos = kPositive) {
    ccGraphicList list;
    ccShapeModel::draw(list, s, pos, kNegative, kZero);
    return list;
}

ccGraphicProps withoutArrow(ccGraphicProps g) {
    g.arrowHead(false);
    return g;
}

const ccLineSeg& segmentOf(const ccGraphicList& list, long i) {
    return dynamic_cast<const ccLineSeg&>(dynamic_cast<const ccGraphicShape&>(*list.at(i)).shape());
}

TEST(Describe, ArcsRepeatTheirEllipseAndRectanglesGiveLimitsAndSize) {
    const ccEllipseArc2 arc(ccEllipse2(ccVector<2>(1, 2), ccVector<2>(4, 3)), ccRadian(0.0),
                            ccRadian(1.0));
    const std::wstring text = describe(arc, {0}, false, false);
    EXPECT_EQ(text.substr(0, text.find(L"Shape tree")),
              L"Ellipse arc parameters\n  Phi start: 0 rad\n  Phi end: 1 rad\n  Phi span: 1 rad\n\n"
              L"Ellipse parameters\n  Radii: (4, 3)\n  Angle: 0 rad\n  Center: (1, 2)\n"
              L"  Handedness: right\n  Phase: 0 rad\n\n");
    const ccRect rect(ccVector<2>(-1, 2), ccVector<2>(10, 5));
    const std::wstring rectText = describe(rect, {0}, false, false);
    EXPECT_EQ(rectText.substr(0, rectText.find(L"Shape tree")),
              L"Rectangle parameters\n  X min: -1\n  X max: 9\n  Y min: 2\n  Y max: 7\n"
              L"  Size: (10, 5)\n\n");
    // A rectangle is drawn whole but its glyphs sit on its decomposed sides.
    EXPECT_EQ(draw(ccRect(ccVector<2>(0, 0), ccVector<2>(100, 50))).size(), 1 + 4 * 5);
}

TEST(Draw, WeightSignChoosesPropertiesAndOutlinesLoseTheirArrowheads) {
    const auto tree =
        general({model(segment(0, 0, 1, 0), weight(-2)), model(segment(0, 1, 1, 1), weight(0)),
                 model(segment(0, 2, 1, 2), weight(NAN))});
    const ccGraphicList list = draw(*tree);
    ASSERT_EQ(list.size(), 3 + 3 * 5);  // outlines first, then a glyph each
    EXPECT_EQ(list.at(0)->props(), withoutArrow(kNegative));
    EXPECT_EQ(list.at(1)->props(), withoutArrow(kZero));
    EXPECT_EQ(list.at(2)->props(), withoutArrow(kZero));
    EXPECT_EQ(list.at(3)->props(), kNegative);
    EXPECT_EQ(list.at(17)->props(), kZero);
    EXPECT_EQ(draw(ccContourTree()).size(), 0);
}

TEST(Draw, PassColourSuppressesOutlineAndGlyph) {
    const ccGraphicProps pass(ccColor::passColor(), 1, ccGraphicProps::eSolid, true);
    EXPECT_EQ(draw(*segment(0, 0, 100, 0), pass).size(), 0);
    EXPECT_EQ(draw(*model(segment(0, 0, 100, 0), weight(-1)), pass).size(), 6);
}

TEST(Draw, SegmentOf100GetsAGlyphOfSize4AtItsMiddleAfterTheOutline) {
    const ccGraphicList list = draw(*segment(0, 0, 100, 0));
    ASSERT_EQ(list.size(), 6);
    EXPECT_EQ(segmentOf(list, 0), ccLineSeg(ccVector<2>(0, 0), ccVector<2>(100, 0)));
    EXPECT_EQ(list.at(1)->props(), kPositive);
    expectSamePoint(segmentOf(list, 1).p1(), ccVector<2>(50, 0));
    expectSamePoint(segmentOf(list, 1).p2(), ccVector<2>(46, -4));  // chevron, lower arm
    expectSamePoint(segmentOf(list, 2).p2(), ccVector<2>(46, 4));
    expectSamePoint(segmentOf(list, 3).p1(), ccVector<2>(50 - 1.2, 4));  // plus on the left
    expectSamePoint(segmentOf(list, 4).p2(), ccVector<2>(50, 4 + 1.2));
    expectSamePoint(segmentOf(list, 5).p1(), ccVector<2>(50 - 1.2, -4));  // minus on the right
    // Without the arrowhead flag there are outlines only.
    EXPECT_EQ(draw(*segment(0, 0, 100, 0), withoutArrow(kPositive)).size(), 1);
}

TEST(Draw, ReversalMovesThePlusAcrossAndIgnoringAddsTwoStrokes) {
    const ccGraphicList reversedList = draw(*model(segment(0, 0, 100, 0), reversed()));
    ASSERT_EQ(reversedList.size(), 6);
    // The chevron is the same, its arms drawn in the other order.
    expectSamePoint(segmentOf(reversedList, 1).p2(), ccVector<2>(46, 4));
    expectSamePoint(segmentOf(reversedList, 2).p2(), ccVector<2>(46, -4));
    expectSamePoint(segmentOf(reversedList, 3).p1(), ccVector<2>(50 - 1.2, -4));
    expectSamePoint(segmentOf(reversedList, 5).p1(), ccVector<2>(50 - 1.2, 4));
    const ccGraphicList ignoredList = draw(*model(segment(0, 0, 100, 0), ignored()));
    ASSERT_EQ(ignoredList.size(), 8);
    expectSamePoint(segmentOf(ignoredList, 6).p1(), ccVector<2>(50 - 1.2, 4 - 1.2));
    expectSamePoint(segmentOf(ignoredList, 7).p2(), ccVector<2>(50 + 1.2, -4 + 1.2));
}

TEST(Draw, ContoursShareTheLongestPieceGlyphOnlyWhenTheirPolaritiesAgree) {
    const auto agreeing = contour(false, {segment(0, 0, 100, 0), segment(100, 0, 100, 10)});
    EXPECT_EQ(draw(*agreeing).size(), 2 + 5);  // 10 < 5 x 4: the short piece gets none
    const auto disagreeing =
        contour(false, {segment(0, 0, 100, 0), model(segment(100, 0, 100, 10), reversed())});
    const ccGraphicList list = draw(*disagreeing);
    ASSERT_EQ(list.size(), 2 + 5 + 5);
    expectSamePoint(segmentOf(list, 7).p1(), ccVector<2>(100, 5));
    expectSamePoint(segmentOf(list, 7).p2(), ccVector<2>(100 - 0.4, 5 - 0.4));
}

TEST(Draw, RootHoleBoundaryIsSkippedAndMappedScalesDoubleTheGlyph) {
    ccRegionTree hole(*square(0, 0, 100), true);
    hole.addChild(circle(50, 50, 10), true);
    const ccGraphicList holeList = draw(hole, withoutArrow(kPositive));
    ASSERT_EQ(holeList.size(), 1);
    EXPECT_EQ(typeid(*holeList.at(0)), typeid(ccGraphicWithFill<ccCircle, ccEllipse2>));

    const cc2XformLinear twice(ccXform<2>(ccMatrix<2>::scale(2, 2), ccVector<2>(0, 0)));
    const ccGraphicList list = draw(ccMappedShape(segment(0, 0, 100, 0), twice, true));
    ASSERT_EQ(list.size(), 6);
    EXPECT_EQ(segmentOf(list, 0), ccLineSeg(ccVector<2>(0, 0), ccVector<2>(200, 0)));
    expectSamePoint(segmentOf(list, 1).p2(), ccVector<2>(92, -8));
}

// Under a mapped shape the glyph's size is scaled with the map, but whether a
// primitive is long enough for one is decided in the primitive's own frame:
// at least 5 glyph sizes, the size being 4 % of the longest piece there. A
// contour of a 100-long piece and a short one of length 20 +- 0.5 shares the
// size 4 of the long piece; the short one gets a glyph only when it is 20 or
// longer, however the map scales it.
TEST(Draw, MappedGlyphsScaleWithTheMapWhileTheMinimumLengthStaysUnscaled) {
    struct Glyph {
        long first;  // index of its first line segment in the list
        ccVector<2> centre, lowerArm, upperArm, plusLeft;
    };
    // One case: the long segment alone (shortPiece 0) or the contour, under
    // maps of the given scales (innermost first); the list's length and glyphs.
    const auto check = [](const char* what, const std::vector<double>& scales, double shortPiece,
                          long count, const std::vector<Glyph>& glyphs) {
        SCOPED_TRACE(what);
        ConstShape shape = segment(0, 0, 100, 0);
        if (shortPiece > 0) shape = contour(false, {shape, segment(100, 0, 100, shortPiece)});
        for (double k : scales) {
            const cc2XformLinear scale(ccXform<2>(ccMatrix<2>::scale(k, k), ccVector<2>(0, 0)));
            shape = cfMakeHandle<ccMappedShape>(shape, scale, true);
        }
        const ccGraphicList list = draw(*shape);
        ASSERT_EQ(list.size(), count);
        for (const Glyph& g : glyphs) {
            expectSamePoint(segmentOf(list, g.first).p1(), g.centre);
            expectSamePoint(segmentOf(list, g.first).p2(), g.lowerArm);
            expectSamePoint(segmentOf(list, g.first + 1).p2(), g.upperArm);
            expectSamePoint(segmentOf(list, g.first + 2).p1(), g.plusLeft);
        }
    };
    // Long piece: middle (50, 0) heading 0, glyph size 4 before mapping.
    // Short piece: middle (100, L / 2) heading pi/2. Arms at (-s, -+s) and the
    // plus sign at (0, s) in the frame of the heading; the plus sign's
    // horizontal stroke starts 0.3 s to its left in the output frame.
    check("segment, scale 3", {3}, 0, 1 + 5, {{1, {150, 0}, {138, -12}, {138, 12}, {146.4, 12}}});
    check("segment, scale 1/4", {0.25}, 0, 1 + 5,
          {{1, {12.5, 0}, {11.5, -1}, {11.5, 1}, {12.2, 1}}});
    check("segment, scale 3 inside scale 1/4", {3, 0.25}, 0, 1 + 5,
          {{1, {37.5, 0}, {34.5, -3}, {34.5, 3}, {36.6, 3}}});
    check("short piece just long enough, scale 3", {3}, 20.5, 2 + 5 + 5,
          {{2, {150, 0}, {138, -12}, {138, 12}, {146.4, 12}},
           {7, {300, 30.75}, {312, 18.75}, {288, 18.75}, {284.4, 30.75}}});
    check("short piece just too short, scale 3", {3}, 19.5, 2 + 5,
          {{2, {150, 0}, {138, -12}, {138, 12}, {146.4, 12}}});
    check("short piece just long enough, scale 1/4", {0.25}, 20.5, 2 + 5 + 5,
          {{2, {12.5, 0}, {11.5, -1}, {11.5, 1}, {12.2, 1}},
           {7, {25, 2.5625}, {26, 1.5625}, {24, 1.5625}, {23.7, 2.5625}}});
    check("short piece just too short, scale 1/4", {0.25}, 19.5, 2 + 5,
          {{2, {12.5, 0}, {11.5, -1}, {11.5, 1}, {12.2, 1}}});
}

TEST(Draw, MappingTheShapeEqualsMappingItsDrawing) {
    std::mt19937 rng(20261206);
    std::uniform_real_distribution<double> coord(-50, 50), angle(-3, 3);
    for (int trial = 0; trial < 25; ++trial) {
        const Shape seg = model(segment(coord(rng), coord(rng), coord(rng), coord(rng)),
                                ccShapeModelProps(trial % 2 == 0, 1, trial % 3 == 0));
        const ccXform<2> x = ccXform<2>::rigid(ccRadian(angle(rng)), {coord(rng), coord(rng)});
        const ccGraphicList direct = draw(ccMappedShape(seg, cc2XformLinear(x), true));
        const ccGraphicList mapped = draw(*seg).mapped(x);
        ASSERT_EQ(direct.size(), mapped.size());
        // Outline and chevron turn with the map; the signs' strokes stay
        // along the output axes, so only their centres follow it.
        for (long i = 0; i < direct.size(); ++i) {
            const ccLineSeg &a = segmentOf(direct, i), &b = segmentOf(mapped, i);
            if (i < 3) {
                expectSamePoint(a.p1(), b.p1());
                expectSamePoint(a.p2(), b.p2());
            }
            expectSamePoint(a.midPoint(), b.midPoint());
        }
    }
}

TEST(Pose, MiddleOfASegmentAndOfAMappedOne) {
    const cc2Rigid pose = cfPoseAtPerimeterFraction(*segment(0, 0, 0, 10), 0.5);
    expectSamePoint(pose.translation(), ccVector<2>(0, 5));
    EXPECT_NEAR(pose.rotation().toDouble(), 90, cc_tol::kCoincident);
    const ccMappedShape shifted(segment(0, 0, 10, 0),
                                cc2XformLinear(ccXform<2>::translation({1, 1})), true);
    expectSamePoint(cfPoseAtPerimeterFraction(shifted, 1).translation(), ccVector<2>(11, 1));
}

// ---- recording ----

const ccPelBuffer_const<unsigned char> kImage(640, 480);

ccDiagObject recorded(const ccShape& s, const std::wstring& name = L"model", long level = 0) {
    ccDiagObject diag;
    diag.level(level);
    ccShapeModel::record(diag, kImage, s, kPositive, kNegative, kZero, name);
    EXPECT_EQ(diag.level(), level);
    return diag;
}

std::vector<std::wstring> annotations(const ccDiagObject& diag) {
    std::vector<std::wstring> out;
    for (const auto& r : diag.records()) out.push_back(r.annotation());
    return out;
}

TEST(Record, ACircleGivesOneRecordWithDescriptionAndDrawing) {
    const ccDiagObject diag = recorded(*circle(), L"model", 3);
    ASSERT_EQ(diag.numRecords(), 1);
    const ccDiagRecord& r = diag.records()[0];
    EXPECT_EQ(r.annotation(), L"model: Circle");
    EXPECT_EQ(r.level(), 3);
    ASSERT_EQ(r.texts().size(), 1u);
    EXPECT_EQ(r.texts()[0].first, L"Shape Description");
    ASSERT_EQ(r.graphics().size(), 1u);
    EXPECT_EQ(std::get<2>(r.graphics()[0]), L"Shape Drawing");
    EXPECT_EQ(std::get<1>(r.graphics()[0]), ccDisplay::eImageCoords);
    EXPECT_TRUE(r.hasImage());
    EXPECT_EQ(annotations(recorded(*circle(), L"")), std::vector<std::wstring>{L"Circle"});
}

TEST(Record, ContourChildrenNestOneLevelDownWithTheirPaths) {
    const ccDiagObject diag =
        recorded(*contour(false, {segment(0, 0, 100, 0), segment(100, 0, 100, 50)}));
    ASSERT_EQ(diag.numRecords(), 3);
    EXPECT_EQ(annotations(diag),
              (std::vector<std::wstring>{L"model: Contour Tree (Open)", L"Child 0: Line Segment",
                                         L"Child 1: Line Segment"}));
    EXPECT_EQ(diag.records()[1].level(), 1);
    EXPECT_EQ(diag.records()[2].level(), 1);
    const ccDiagRecord& top = diag.records()[0];
    ASSERT_EQ(top.graphics().size(), 2u);
    EXPECT_EQ(std::get<0>(top.graphics()[0]).size(), 2 + 2 * 5);
    EXPECT_EQ(std::get<1>(top.graphics()[1]), ccDisplay::eClientCoords);
    EXPECT_EQ(std::get<2>(top.graphics()[1]), L"Shape Structure Diagram");
    EXPECT_NE(diag.records()[2].texts()[0].second.find(L"  Depth: 1\n  Path: 0 1\n"),
              std::wstring::npos);
}

TEST(Record, RegionBoundariesAreNamedForPhantomsAndFlippedHandedness) {
    ccRegionTree hole(*square(0, 0, 100), true);
    hole.addChild(circle(50, 50, 10), true);
    const ccDiagObject diag = recorded(hole);
    EXPECT_EQ(annotations(diag),
              (std::vector<std::wstring>{L"model: Region Tree (Hole)",
                                         L"Phantom Boundary (Reversed Handedness): Polyline",
                                         L"Child 0: Region Tree", L"Boundary: Circle"}));
    EXPECT_EQ(diag.records()[3].level(), 2);
    const ccDiagRecord& phantom = diag.records()[1];
    EXPECT_NE(phantom.texts()[0].second.find(L"  Depth: 0\n  Path: 0\n"), std::wstring::npos);
    const ccGraphicList& drawing = std::get<0>(phantom.graphics()[0]);
    ASSERT_GE(drawing.size(), 1);
    EXPECT_EQ(drawing.at(0)->props(), withoutArrow(kZero));

    const ccDiagObject flipped = recorded(ccRegionTree(*clockwiseCircle(), false));
    EXPECT_EQ(annotations(flipped)[1], L"Boundary (Reversed Handedness): Ellipse2");
}

TEST(Record, MappedShapesHoldTheirShapeOneLevelDownDrawnInTheOuterFrame) {
    const cc2XformLinear twice(ccXform<2>(ccMatrix<2>::scale(2, 2), ccVector<2>(0, 0)));
    const ccDiagObject diag = recorded(ccMappedShape(segment(0, 0, 100, 0), twice, true));
    EXPECT_EQ(annotations(diag),
              (std::vector<std::wstring>{L"model: Mapped Shape", L"Mapped Shape: Line Segment"}));
    EXPECT_EQ(diag.records()[1].level(), 1);
    EXPECT_EQ(segmentOf(std::get<0>(diag.records()[1].graphics()[0]), 0),
              ccLineSeg(ccVector<2>(0, 0), ccVector<2>(200, 0)));

    // A tree reached through a mapped shape takes the diagram of its own subtree.
    const auto inner = contour(false, {segment(0, 0, 10, 0), segment(10, 0, 10, 10)});
    const auto outer =
        general({segment(0, 0, 1, 1), cfMakeHandle<ccMappedShape>(inner, twice, true)});
    const ccDiagObject nested = recorded(*outer);
    ASSERT_EQ(nested.numRecords(), 6);
    const ccDiagRecord& innerTree = nested.records()[3];
    EXPECT_EQ(innerTree.annotation(), L"Mapped Shape: Contour Tree (Open)");
    EXPECT_EQ(innerTree.level(), 2);
    ASSERT_EQ(innerTree.graphics().size(), 2u);
    EXPECT_EQ(std::get<0>(innerTree.graphics()[1]).size(),
              cfStructureDiagrams(*inner, ccDrawShapeParams())[0].graphics.size());
}

TEST(Record, SixteenBitImagesRecordTheSameAndEmptyMappedShapesThrow) {
    const auto tree = general({circle(), segment(0, 0, 10, 0)});
    ccDiagObject wide;
    ccShapeModel::record(wide, ccPelBuffer_const<unsigned short>(64, 48), *tree, kPositive,
                         kNegative, kZero, L"");
    EXPECT_EQ(annotations(wide), annotations(recorded(*tree, L"")));

    ccGraphicList list;
    EXPECT_THROW(ccShapeModel::draw(list, ccMappedShape(), kPositive, kNegative, kZero),
                 ccBadPointer);
    ccDiagObject diag;
    const auto broken = general({circle(), cfMakeHandle<ccMappedShape>()});
    EXPECT_THROW(ccShapeModel::record(diag, kImage, *broken, kPositive, kNegative, kZero, L""),
                 ccBadPointer);
    // The root's record was made before its drawing met the empty shape; it stays.
    EXPECT_EQ(diag.numRecords(), 1);
}

}  // namespace
