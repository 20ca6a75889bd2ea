// Descriptions, drawings with polarity glyphs, and diagnostic records.
#include "shmd/inspect.h"

#include "shmd/properties.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model_fixtures.h"
#include "platform/vxstd12u/shape_checks.h"
#include "vxdiagc12u/diag.h"
#include "vxstd12u/str.h"
#include "vxstd12u/tolerances.h"

namespace {

using namespace fixtures;
using shape_checks::expectSamePoint;

std::wstring N(double v) {
    return cfStr(v);
}

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
    auto expected = [&](const std::wstring& angle) {
        return kDefaultProps +
               L"Line segment parameters\n  Point 1: (0, 0)\n  Point 2: (0, 2)\n  Length: 2\n"
               L"  Angle: " +
               angle + L"\n\n" + tail +
               L"Open contour parameters\n  Start point: (0, 0)\n  End point: (0, 2)\n"
               L"  Start angle: " +
               angle + L"\n  End angle: " + angle + L"\n  Tangent rotation: 0" +
               (angle.back() == L'g' ? L" deg" : L" rad") + L"\n\n";
    };
    EXPECT_EQ(describe(*seg), expected(N(1.5707963267948966) + L" rad"));
    EXPECT_EQ(describe(*seg, {0}, true), expected(N(90) + L" deg"));
}

TEST(Describe, IgnoredReversedCircleModelShowsBothRecordsAndItsRegion) {
    const Shape m = model(circle(1, 2, 3), ccShapeModelProps(true, 2, true, 0.5));
    EXPECT_EQ(describe(*m),
              L"Effective shape model props:\n  Polarity: ignore (reversed)\n  Weight: 2\n"
              L"  Magnitude: " +
                  N(0.5) +
                  L"\nLocal shape model props (shape model):\n  Polarity: ignore (reversed)\n"
                  L"  Weight: 2\n  Magnitude: " +
                  N(0.5) +
                  L"\n\nCircle parameters\n  Center: (1, 2)\n  Radius: 3\n\n"
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

TEST(Diagram, GapsAreWaterFilledFromTheSmallest) {
    std::vector<double> gaps{1, 3, 2};
    cfWaterFillGaps(gaps, 2);
    EXPECT_EQ(gaps, (std::vector<double>{2.5, 3, 2.5}));
    cfWaterFillGaps(gaps, 0);
    EXPECT_EQ(gaps, (std::vector<double>{2.5, 3, 2.5}));
    cfWaterFillGaps(gaps, 10);
    EXPECT_NEAR(gaps[0] + gaps[1] + gaps[2], 18, cc_tol::kCoincident);
    EXPECT_EQ(gaps[0], gaps[1]);
}

TEST(Diagram, OneDiagramPerNodeWithAnIconPerNodeAndALinkPerPart) {
    ccRegionTree region(*square(0, 0, 100), false);
    region.addChild(circle(50, 50, 10), true);
    const auto diagrams = cfStructureDiagrams(region, ccDrawShapeParams());
    ASSERT_EQ(diagrams.size(), 4u);  // tree, boundary, hole, its boundary
    EXPECT_EQ(diagrams[0].graphics.size(), 4 + 3);
    EXPECT_EQ(diagrams[1].graphics.size(), 1);
    EXPECT_GT(diagrams[0].box.height(), diagrams[1].box.height());
}

}  // namespace
