#include <cmath>

#include <gtest/gtest.h>

#include "random_curves.h"
#include "vxstd12u/ellipse.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"

namespace {

ccShape::ccSampleResult sampleWith(const ccShape& shape, const ccShape::ccSampleParams& params) {
    ccShape::ccSampleResult result;
    shape.sample(params, result);
    return result;
}

TEST(Circle, StartsOnPlusXAndRunsCounterClockwise) {
    const ccCircle c({1, 2}, 3);
    EXPECT_EQ(c.startPoint(), ccVector<2>(4, 2));
    EXPECT_EQ(c.endPoint(), c.startPoint());
    EXPECT_DOUBLE_EQ(c.startAngle().toDouble(), ccPi / 2);
    EXPECT_DOUBLE_EQ(c.tangentRotation(), ccTwoPi);
    EXPECT_DOUBLE_EQ(c.perimeter(), 6 * ccPi);
    EXPECT_TRUE(c.isRegion());
    EXPECT_TRUE(c.isRightHanded());
    EXPECT_FALSE(c.isOpenContour());

    // A quarter of the way round is the top of the circle, heading -x.
    ccVector<2> p;
    ccRadian t;
    c.perimPointAndTangent(ccPerimPos(0, 1.5 * ccPi), p, t);
    expectClose(p, {1, 5});
    expectSameHeading(t, ccRadian(ccPi));
    // Offsets beyond the perimeter are clamped to it: back at the start.
    c.perimPointAndTangent(ccPerimPos(0, 100), p, t);
    expectClose(p, c.startPoint());
    c.perimPointAndTangent(ccPerimPos(0, -5), p, t);
    EXPECT_EQ(p, c.startPoint());

    const ccRect box = c.boundingBox();
    EXPECT_EQ(box.origin(), ccVector<2>(-2, -1));
    EXPECT_EQ(box.size(), ccVector<2>(6, 6));
}

TEST(Circle, InsideOutsideAndNearestPoints) {
    const ccCircle c({1, 2}, 3);
    EXPECT_TRUE(c.within({1, 2}));
    EXPECT_TRUE(c.within({4, 2}));  // the boundary belongs to the region
    EXPECT_FALSE(c.within({4.001, 2}));
    EXPECT_DOUBLE_EQ(c.windingAngle({2, 2}), ccTwoPi);
    EXPECT_DOUBLE_EQ(c.windingAngle({5, 2}), 0.0);

    expectClose(c.nearestPoint({1, 10}), {1, 5});
    EXPECT_NEAR(c.nearestPerimPos({1, 10}).offset(), 1.5 * ccPi, kRoundoff);
    // Just below the start the offset is nearly a whole turn, not negative.
    EXPECT_NEAR(c.nearestPerimPos({9, 1.5}).offset(), 3 * (ccTwoPi + std::atan2(-0.5, 8.0)),
                kRoundoff);
    // The centre has no nearest direction; the start point stands for it.
    EXPECT_EQ(c.nearestPoint({1, 2}), c.startPoint());
    EXPECT_EQ(c.nearestPerimPos({1, 2}).offset(), 0.0);
}

TEST(Circle, RefusesBadValuesAndKeepsItsOwn) {
    EXPECT_THROW(ccCircle({0, 0}, -1), ccShapesError::BadParams);
    EXPECT_THROW(ccCircle({0, 0}, INFINITY), ccShapesError::BadParams);
    EXPECT_THROW(ccCircle({NAN, 0}, 1), ccShapesError::BadParams);

    ccCircle c({1, 1}, 2);
    EXPECT_THROW(c.radius(NAN), ccShapesError::BadParams);
    EXPECT_THROW(c.center({0, INFINITY}), ccShapesError::BadParams);
    EXPECT_EQ(c, ccCircle({1, 1}, 2));
    EXPECT_EQ(c.changeCount(), 0);
    c.radius(5);
    EXPECT_EQ(c.changeCount(), 1);
    EXPECT_EQ(c.radius(), 5);
}

TEST(Circle, ZeroRadiusIsAPointThatStillSamples) {
    const ccCircle dot({3, 4}, 0.0);
    EXPECT_EQ(dot.perimeter(), 0.0);
    EXPECT_TRUE(dot.within({3, 4}));
    EXPECT_FALSE(dot.within({3, 4.1}));
    EXPECT_EQ(dot.windingAngle({3, 4}), 0.0);
    EXPECT_EQ(dot.nearestPoint({10, 10}), ccVector<2>(3, 4));
    EXPECT_DOUBLE_EQ(dot.startAngle().toDouble(), ccPi / 2);

    const ccShape::ccSampleResult r = sampled(dot, 1.0);
    ASSERT_EQ(r.positions().size(), 1u);
    EXPECT_EQ(r.positions()[0], ccVector<2>(3, 4));
}

TEST(Circle, SampleCountsFollowSpacingPointLimitAndUniformMode) {
    const ccCircle c({0, 0}, 10);
    // Spacing 1 round a perimeter of 62.83: offsets 0, 1, ..., 62, and the
    // start is not repeated at the end.
    const ccShape::ccSampleResult spaced = sampled(c, 1.0);
    ASSERT_EQ(spaced.positions().size(), 63u);
    ASSERT_EQ(spaced.numChains(), 1);
    EXPECT_TRUE(spaced.closedFlags()[0]);
    const double chord = 2 * 10 * std::sin(0.5 / 10);
    for (size_t i = 1; i < spaced.positions().size(); ++i)
        EXPECT_NEAR((spaced.positions()[i] - spaced.positions()[i - 1]).len(), chord, kRoundoff);

    // Too many for maxPoints 7: seven samples spread evenly from the start.
    const ccShape::ccSampleResult limited =
        sampleWith(c, ccShape::ccSampleParams(0.0, 1.0, 7, true, true));
    ASSERT_EQ(limited.positions().size(), 7u);
    for (int k = 0; k < 7; ++k)
        expectClose(limited.positions()[k], ccVector<2>::polar(ccTwoPi * k / 7) * 10);

    ccShape::ccSampleParams uniform(0.0, 1.0, 12, true, true);
    uniform.uniformMode(true);
    const ccShape::ccSampleResult twelve = sampleWith(c, uniform);
    ASSERT_EQ(twelve.positions().size(), 12u);
    for (int k = 0; k < 12; ++k) {
        const ccVector<2>& p = twelve.positions()[k];
        expectSameHeading(ccRadian(p.angle()), ccRadian(k * ccPi / 6));
        EXPECT_NEAR(p.len(), 10, kRoundoff);
        expectSameHeading(twelve.tangents()[k], ccRadian(k * ccPi / 6 + ccPi / 2));
    }
}

TEST(Circle, StaysACircleOnlyUnderPositiveUniformScaling) {
    const ccCircle c({1, 2}, 3);
    const ccPtrHandle<ccShape> scaled = c.mapShape(ccXform<2>(ccMatrix<2>::scale(2, 2), {5, 0}));
    ASSERT_NE(scaled.dynamicCast<ccCircle>(), nullptr);
    EXPECT_EQ(*scaled, ccCircle({7, 4}, 6));

    // A rotation keeps the point set but moves the start: an ellipse that
    // starts at the image of (4, 2) and still runs counter-clockwise.
    const ccXform<2> quarter = ccXform<2>::rigid(ccRadian(ccPi / 2), {0, 0});
    const ccPtrHandle<ccShape> turned = c.mapShape(quarter);
    const ccEllipse2* e = turned.dynamicCast<ccEllipse2>();
    ASSERT_NE(e, nullptr);
    expectClose(e->startPoint(), {-2, 4});
    EXPECT_TRUE(e->isRightHanded());
    expectSameHeading(e->startAngle(), ccRadian(ccPi));

    // A mirror reverses the direction of travel.
    const ccPtrHandle<ccShape> mirrored = c.mapShape(ccXform<2>(ccMatrix<2>(-1, 0, 0, 1), {}));
    ASSERT_NE(mirrored.dynamicCast<ccEllipse2>(), nullptr);
    EXPECT_FALSE(mirrored->isRightHanded());
    expectClose(mirrored->startPoint(), {-4, 2});
    expectSameHeading(mirrored->startAngle(), ccRadian(ccPi / 2));

    EXPECT_THROW(c.mapShape(ccXform<2>(ccMatrix<2>(NAN, 0, 0, 1), {})), ccShapesError::BadParams);
}

TEST(Circle, ReverseRunsTheSamePointsTheOtherWay) {
    const ccCircle c({1, 2}, 3);
    const ccPtrHandle<ccShape> r = c.reverse();
    const ccEllipse2* e = r.dynamicCast<ccEllipse2>();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(*e, ccEllipse2({1, 2}, {3, 3}, ccRadian(0.0), false, ccRadian(0.0)));
    EXPECT_DOUBLE_EQ(r->tangentRotation(), -ccTwoPi);
    EXPECT_DOUBLE_EQ(r->windingAngle({1, 2}), -ccTwoPi);
    // The sample a length s into the reverse is the one P - s into the circle.
    for (double s : {0.5, 3.0, 11.0}) {
        ccVector<2> p, q;
        ccRadian tp, tq;
        c.perimPointAndTangent(ccPerimPos(0, c.perimeter() - s), p, tp);
        r->perimPointAndTangent(ccPerimPos(0, s), q, tq);
        expectClose(p, q);
        expectSameHeading(tp + ccRadian(ccPi), tq);
    }
}

TEST(Circle, PiecesAreArcsBetweenArcLengths) {
    const ccCircle c({0, 0}, 2);
    const ccShapeInfo info(c);
    const ccPtrHandle<ccShape> quarter = c.subShape(info, {ccPerimPos(0, 0.0), ccPi});
    const ccEllipseArc2* arc = quarter.dynamicCast<ccEllipseArc2>();
    ASSERT_NE(arc, nullptr);
    EXPECT_DOUBLE_EQ(arc->phiStart().toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(arc->phiSpan().toDouble(), ccPi / 2);
    expectClose(arc->endPoint(), {0, 2});
    EXPECT_NEAR(arc->perimeter(), ccPi, kRoundoff);
}

}  // namespace
