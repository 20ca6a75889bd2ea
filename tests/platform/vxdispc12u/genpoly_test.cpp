#include "vxdispc12u/genpoly.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "platform/vxstd12u/shape_checks.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/shapeinfo.h"

namespace {

using shape_checks::expectSamePoint;
using shape_checks::kAngleSlack;
using shape_checks::kLengthRelative;

const ccGenPoly::ccVertexList kSquare{{0, 0}, {10, 0}, {10, 10}, {0, 10}};  // counter-clockwise

const ccEllipseArc2& arcAt(const ccContourTree& contour, long i) {
    const auto* arc = contour.child(i).dynamicCast<const ccEllipseArc2>();
    EXPECT_NE(arc, nullptr) << "piece " << i << " is not an arc";
    return *arc;
}

// Records every relief-notch arc the polygon asks its hook for.
class NotchRecordingPoly : public ccGenPoly {
  public:
    using ccGenPoly::ccGenPoly;
    mutable std::vector<ccPtrHandle<ccEllipseArc2>> given;

  protected:
    ccPtrHandle<ccEllipseArc2> negCornerArc_(const ccEllipseArc2& arc) const override {
        given.push_back(cfMakeHandle<ccEllipseArc2>(arc));
        return given.back();
    }
};

class PolarityWatchingWireframe : public cc2Wireframe {
  public:
    using cc2Wireframe::cc2Wireframe;
    MOCK_METHOD(void, polarity_, (bool), (override));
};

// A convex counter-clockwise polygon with corners rounded, notched or sharp
// at random, each taking at most a third of its shorter edge.
ccGenPoly randomPolygon(std::mt19937& rng, bool closed) {
    std::uniform_int_distribution<int> count(3, 7), kind(-1, 1);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int n = count(rng);
    std::vector<double> angles;
    for (int i = 0; i < n; ++i) angles.push_back(ccTwoPi * (i + 0.8 * unit(rng)) / n);
    ccGenPoly::ccVertexList v;
    for (double a : angles) v.push_back(ccVector<2>::polar(a) * (5 + 5 * unit(rng)));
    ccGenPoly::ccRadiusList radii(v.size(), 0.0);
    for (size_t i = 0; i < v.size(); ++i) {
        const ccVector<2> prev = v[(i + v.size() - 1) % v.size()], next = v[(i + 1) % v.size()];
        const double shorter = std::min((v[i] - prev).len(), (next - v[i]).len());
        const double turn =
            ccRadian((next - v[i]).angle() - (v[i] - prev).angle()).signedNorm().toDouble();
        const double room = shorter / 3 * unit(rng);
        switch (kind(rng)) {
            case 1:
                radii[i] = room / std::max(std::tan(std::fabs(turn) / 2), 1.0);
                break;
            case -1:
                radii[i] = -room;
                break;
            default:
                break;
        }
    }
    return ccGenPoly(v, radii, closed);
}

TEST(GenPoly, OneRoundedAndOneNotchedCornerGiveSegmentsAndArcsInOrder) {
    const ccGenPoly poly(kSquare, {0, 2, -1, 0}, false);
    const auto contour = poly.contour();
    EXPECT_FALSE(contour->isClosed());
    ASSERT_EQ(contour->numChildren(), 5);

    const double lengths[5] = {8, ccPi, 7, ccPi / 2, 9};
    for (long i = 0; i < 5; ++i)
        EXPECT_NEAR(contour->child(i)->perimeter(), lengths[i], kLengthRelative);

    // The rounded corner turns left with the corner; the notch, centred on
    // its vertex, runs clockwise against it.
    const ccEllipseArc2& round = arcAt(*contour, 1);
    expectSamePoint(round.ellipse().center(), {8, 2});
    EXPECT_NEAR(round.phiSpan().toDouble(), ccPi / 2, kAngleSlack);
    const ccEllipseArc2& notch = arcAt(*contour, 3);
    expectSamePoint(notch.ellipse().center(), {10, 10});
    EXPECT_NEAR(notch.phiSpan().toDouble(), -ccPi / 2, kAngleSlack);
    expectSamePoint(notch.startPoint(), {10, 9});
    expectSamePoint(notch.endPoint(), {9, 10});
    for (long i = 0; i + 1 < 5; ++i)
        expectSamePoint(contour->child(i)->endPoint(), contour->child(i + 1)->startPoint());

    expectSamePoint(poly.startPoint(), {0, 0});
    expectSamePoint(poly.endPoint(), {0, 10});
    // Left, then the notch's own left-right-left that nets its corner's turn.
    EXPECT_NEAR(poly.tangentRotation(), ccPi, kAngleSlack);
}

TEST(GenPoly, ClosedPolygonsStartAtVertexZeroAndKeepItWhenReversed) {
    const ccGenPoly rounded(kSquare, {2, 2, 2, 2}, true);
    EXPECT_NEAR(rounded.perimeter(), 24 + 4 * ccPi, kLengthRelative);
    const ccVector<2> middleOfFirstArc = ccVector<2>(2, 2) + ccVector<2>(-1, -1).unit() * 2.0;
    expectSamePoint(rounded.startPoint(), middleOfFirstArc);
    expectSamePoint(rounded.endPoint(), middleOfFirstArc);
    EXPECT_EQ(rounded.contour()->numChildren(), 9);  // vertex 0's arc comes in two halves
    expectSamePoint(rounded.reverse()->startPoint(), middleOfFirstArc);
    EXPECT_TRUE(rounded.within({5, 5}));
    EXPECT_FALSE(rounded.within({0.2, 0.2}));  // rounded off

    const ccGenPoly notched(kSquare, {-1, -1, -1, -1}, true);
    EXPECT_NEAR(notched.perimeter(), 32 + 2 * ccPi, kLengthRelative);
    EXPECT_TRUE(notched.within({2, 2}));
    EXPECT_FALSE(notched.within({0.5, 0.5}));  // cut out by the notch
    expectSamePoint(ccGenPoly(kSquare, true).startPoint(), {0, 0});
}

TEST(GenPoly, EveryNotchArcPassesThroughTheHookAndIntoTheContour) {
    const NotchRecordingPoly poly(kSquare, {-1, 2, -1, 0}, true);
    const auto contour = poly.contour();
    // Vertex 0's notch is split into its two halves, each asked for.
    ASSERT_EQ(poly.given.size(), 3u);
    long found = 0;
    for (const auto& child : contour->children()) {
        for (const auto& arc : poly.given) found += child.get() == arc.get() ? 1 : 0;
    }
    EXPECT_EQ(found, 3);
    EXPECT_NEAR(poly.given[0]->perimeter() + poly.given[2]->perimeter(), ccPi / 2, kLengthRelative);
}

TEST(GenPoly, MappingGivesTheMappedContourAndPiecesAreOpenContours) {
    const ccGenPoly poly(kSquare, {1, -2, 3, 0}, true);
    const ccXform<2> shear(ccMatrix<2>(1, 0.5, 0, 2), {3, 4});
    const auto mapped = poly.mapShape(shear);
    ASSERT_NE(mapped.dynamicCast<const ccContourTree>(), nullptr);
    EXPECT_TRUE(*mapped == *poly.contour()->mapShape(shear));
    expectSamePoint(mapped->startPoint(), shear.mapPoint(poly.startPoint()));

    const auto piece = poly.subShape(ccShapeInfo(poly), {ccPerimPos(0, 3), 12});
    ASSERT_NE(piece.dynamicCast<const ccContourTree>(), nullptr);
    EXPECT_FALSE(piece.dynamicCast<const ccContourTree>()->isClosed());
    EXPECT_TRUE(*poly.decompose() == *poly.contour());
    EXPECT_FALSE(poly.isDecomposed());
}

TEST(GenPoly, ClippingClipsTheOutline) {
    const ccGenPoly poly(kSquare, {2, 0, -1, 0}, true);
    const ccPolyline leftHalf({{-1, -1}, {5, -1}, {5, 11}, {-1, 11}}, true);
    ccClipInfo info;
    const auto inside = poly.clip(leftHalf, info);
    EXPECT_TRUE(info.anythingRemoved());
    EXPECT_EQ(info.cutOffsets().size(), 2u);
    // Half of each horizontal edge is left, plus the left edge and the rounded corner.
    EXPECT_NEAR(inside->perimeter(), 3 + 8 + 5 + ccPi, kLengthRelative);
    ccClipInfo untouched;
    EXPECT_TRUE(*poly.clip(ccPolyline({{-5, -5}, {15, -5}, {15, 15}, {-5, 15}}, true), untouched)
                     ->decompose() == *poly.contour());
}

TEST(GenPoly, BadOutlinesAreRefusedAndLeaveThePolygonUnchanged) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(ccGenPoly(kSquare, {0, 6, 6, 0}, true), ccShapesError::BadParams);  // 6 + 6 > 10
    EXPECT_THROW(ccGenPoly(kSquare, {0, -6, -5, 0}, false), ccShapesError::BadParams);
    EXPECT_THROW(ccGenPoly(kSquare, {0, 0, 0}, true), ccShapesError::BadParams);
    EXPECT_THROW(ccGenPoly({{0, 0}, {0, 0}, {1, 1}}, true), ccShapesError::BadParams);
    EXPECT_THROW(ccGenPoly({{0, 0}, {1, 0}, {0, 0}}, true), ccShapesError::BadParams);
    EXPECT_THROW(ccGenPoly({{0, 0}, {1, 0}}, true), ccShapesError::BadParams);
    EXPECT_THROW(ccGenPoly({{0, 0}, {nan, 0}}, false), ccShapesError::BadParams);
    EXPECT_THROW(ccGenPoly(kSquare, {0, nan, 0, 0}, true), ccShapesError::BadParams);
    // A rounded corner that doubles back has no tangent circle.
    EXPECT_THROW(ccGenPoly({{0, 0}, {5, 0}, {1, 0}}, {0, 1, 0}, false), ccShapesError::BadParams);
    // Radii at the ends of an open polygon are no corners and are ignored.
    EXPECT_NEAR(ccGenPoly({{0, 0}, {1, 0}}, {50, -50}, false).perimeter(), 1, kLengthRelative);

    ccGenPoly poly(kSquare, true);
    const ccGenPoly before = poly;
    const long changes = poly.changeCount();
    EXPECT_THROW(poly.set(kSquare, {9, 9, 9, 9}, true), ccShapesError::BadParams);
    EXPECT_TRUE(poly == before);
    EXPECT_EQ(poly.changeCount(), changes);

    const ccGenPoly empty;
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(empty.perimeter(), 0.0);
    EXPECT_THROW(empty.startPoint(), ccShapesError::BadParams);
    ccVector<2> p;
    ccRadian t;
    EXPECT_THROW(poly.perimPointAndTangent(ccPerimPos(1, 0), p, t), ccShapesError::BadParams);
}

TEST(Wireframe, PolaritySetterTellsTheHookOnceWithTheNewFlag) {
    PolarityWatchingWireframe wireframe(kSquare, {1, 0, 0, 0}, true);
    EXPECT_CALL(wireframe, polarity_(true)).Times(1);
    const long changes = wireframe.changeCount();
    wireframe.polarity(true);
    EXPECT_TRUE(wireframe.isPolarityReversed());
    EXPECT_EQ(wireframe.changeCount(), changes + 1);
    ::testing::Mock::VerifyAndClearExpectations(&wireframe);

    EXPECT_CALL(wireframe, polarity_(false)).Times(1);
    wireframe.polarity(false);
    EXPECT_FALSE(wireframe.isPolarityReversed());
}

TEST(Wireframe, ReversalKeepsPolarityAndPolarityPreservingReversalFlipsIt) {
    const cc2Wireframe wireframe(kSquare, {1, -1, 0, 2}, true, true);
    const auto reversed = wireframe.reverse();
    const auto* kept = reversed.dynamicCast<const cc2Wireframe>();
    ASSERT_NE(kept, nullptr);
    EXPECT_TRUE(kept->isPolarityReversed());
    EXPECT_TRUE(*reversed->reverse() == wireframe);

    const auto preserving = wireframe.reversePreservingPolarity();
    const auto* flipped = preserving.dynamicCast<const cc2Wireframe>();
    ASSERT_NE(flipped, nullptr);
    EXPECT_FALSE(flipped->isPolarityReversed());
    EXPECT_TRUE(*preserving->reversePreservingPolarity() == wireframe);
    EXPECT_EQ(flipped->vertices(), kept->vertices());

    // Polarity is part of a wireframe's equality; a plain polygon is never equal to one.
    EXPECT_FALSE(wireframe == cc2Wireframe(kSquare, {1, -1, 0, 2}, true, false));
    EXPECT_FALSE(wireframe == ccGenPoly(kSquare, {1, -1, 0, 2}, true));
    EXPECT_NE(wireframe.clone().dynamicCast<const cc2Wireframe>(), nullptr);
}

TEST(GenPoly, RandomPolygonsKeepEveryOutlineProperty) {
    std::mt19937 rng(120626);
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        const ccGenPoly poly = randomPolygon(rng, i % 2 == 0);
        shape_checks::checkCurve(poly, rng, i % 4 < 2, true);
        if (poly.isClosed()) {
            EXPECT_TRUE(poly.isRightHanded());
            EXPECT_NEAR(poly.tangentRotation(), ccTwoPi, kAngleSlack);
        }
    }
}

}  // namespace
