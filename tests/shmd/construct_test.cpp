// Connecting loose pieces into contours.
#include <gtest/gtest.h>

#include "model_fixtures.h"
#include "platform/vxstd12u/shape_checks.h"
#include "shmd/properties.h"

namespace {

using namespace fixtures;
using shape_checks::expectSamePoint;
using shape_checks::kRoundoff;

const ccShapeTree& treeOf(const ConstShape& s) {
    return dynamic_cast<const ccShapeTree&>(*s);
}

// Every piece comes back as a clone, so pieces are compared by geometry.
TEST(Connect, AnythingButAGeneralTreeComesBackAsAClone) {
    for (const Shape& s : {segment(0, 0, 1, 0), Shape(squareContour(2)), circle(),
                           Shape(cfMakeHandle<ccMappedShape>(circle(), cc2XformLinear(), true))}) {
        const Shape out = cfConnect(*s, 10);
        EXPECT_NE(out.get(), s.get());
        EXPECT_TRUE(*out == *s);
        EXPECT_EQ(typeid(*out), typeid(*s));
    }
}

TEST(Connect, GapsEqualToTheDistanceDoNotJoin) {
    const auto tree = general({segment(0, 0, 1, 0), segment(1.5, 0, 3, 0)});
    EXPECT_EQ(treeOf(cfConnect(*tree, 0.5)).numChildren(), 2);
    const Shape joined = cfConnect(*tree, 0.5000001);
    ASSERT_EQ(treeOf(joined).numChildren(), 1);
    const auto& chain = dynamic_cast<const ccContourTree&>(*treeOf(joined).child(0));
    EXPECT_FALSE(chain.isClosed());
    EXPECT_EQ(chain.numChildren(), 2);
    EXPECT_EQ(typeid(*joined), typeid(ccGeneralShapeTree));
}

TEST(Connect, IsGreedyAndSinglePass) {
    // C fits A's end and B fits C's end, but B is passed before C joins.
    const Shape a = segment(0, 0, 1, 0), b = segment(2, 0, 3, 0), c = segment(1, 0, 2, 0);
    const Shape out = cfConnect(*general({a, b, c}), 0.01);
    ASSERT_EQ(treeOf(out).numChildren(), 2);
    EXPECT_EQ(treeOf(treeOf(out).child(0)).numChildren(), 2);
    EXPECT_TRUE(*treeOf(out).child(1) == *b);
}

TEST(Connect, PieceMeetingTheStartWithItsStartGoesInFrontReversedWithFlippedPolarity) {
    const Shape first = segment(0, 0, 1, 0);
    const Shape other = model(segment(0, 0, 0, 1), weight(2));  // starts at the chain's start
    const Shape out = cfConnect(*general({first, other}), 0.01);
    const auto& chain = treeOf(treeOf(out).child(0));
    ASSERT_EQ(chain.numChildren(), 2);
    EXPECT_TRUE(*chain.child(1) == *first);
    const ccShape& front = *chain.child(0);
    EXPECT_NEAR(front.startPoint().y(), 1, kRoundoff);
    EXPECT_EQ(recordOf(front), ccShapeModelProps(true, 2.0));
}

TEST(Connect, SquareInOrderClosesWithTheLastPieceInFront) {
    const Shape s0 = segment(0, 0, 1, 0), s1 = segment(1, 0, 1, 1), s2 = segment(1, 1, 0, 1),
                s3 = segment(0, 1, 0, 0);
    const Shape out = cfConnect(*general({s0, s1, s2, s3}), 0.01);
    const auto& chain = dynamic_cast<const ccContourTree&>(*treeOf(out).child(0));
    EXPECT_TRUE(chain.isClosed());
    ASSERT_EQ(chain.numChildren(), 4);
    EXPECT_TRUE(*chain.child(0) == *s3);
    EXPECT_TRUE(*chain.child(1) == *s0);
    EXPECT_TRUE(*chain.child(3) == *s2);
}

TEST(Connect, ALonePieceWithMeetingEndsStaysItself) {
    const Shape almostClosed =
        cfMakeHandle<ccPolyline>(std::vector<ccVector<2>>{{0, 0}, {1, 0}, {0, 0.001}}, false);
    const Shape out = cfConnect(*general({almostClosed}), 0.1);
    EXPECT_TRUE(*treeOf(out).child(0) == *almostClosed);
}

TEST(Connect, DistanceIsMeasuredInTheOutermostFrameAndLevelsStaySeparate) {
    const auto inner = general({segment(0, 0, 1, 0), segment(1.05, 0, 2, 0)});
    const Shape scaled = cfMakeHandle<ccMappedShape>(
        inner, cc2XformLinear(ccXform<2>(ccMatrix<2>::scale(10, 10), {})), true);
    const Shape loose = cfConnect(*scaled, 0.4);  // the gap is 0.5 after scaling
    EXPECT_EQ(treeOf(dynamic_cast<const ccMappedShape&>(*loose).shape()).numChildren(), 2);
    const Shape joined = cfConnect(*scaled, 0.6);
    EXPECT_EQ(treeOf(dynamic_cast<const ccMappedShape&>(*joined).shape()).numChildren(), 1);

    const auto nested = general({segment(0, 0, 1, 0), general({segment(1, 0, 2, 0)})});
    EXPECT_EQ(treeOf(cfConnect(*nested, 0.5)).numChildren(), 2);
}

TEST(Connect, ModelTreeConnectKeepsThePropertiesInForceOnEveryPiece) {
    const Shape tree =
        weight(2).assign(*general({segment(0, 0, 1, 0), model(segment(1, 0, 2, 0), reversed(3))}));
    const auto out = dynamic_cast<const ccGeneralShapeTree&>(*tree).connect(0.01);
    const auto& chain = treeOf(out->child(0));
    ASSERT_EQ(chain.numChildren(), 2);
    EXPECT_EQ(recordOf(*chain.child(0)),
              ccShapeModelProps());  // plain piece became a model of its own record
    EXPECT_TRUE(cfIsA<ccShapeModel>(*chain.child(0)));
    EXPECT_EQ(recordOf(*chain.child(1)), reversed(3));
    EXPECT_EQ(recordOf(*out), weight(2));
}

// ---- models from found edges ----

ccShapeModel::ccFeatureParams unitSpacing() {
    return ccShapeModel::ccFeatureParams(
        ccShape::ccSampleParams(0.0, 1.0, ccNoPointLimit, true, false));
}

TEST(Builders, FeatureletsOfPolygonModelsComeBackWithTheirPolarityWeightAndMagnitude) {
    for (bool rev : {false, true}) {
        const Shape outer = ccShapeModelProps(rev, 2.0, false, 3.0).assign(*square(0, 0, 20));
        const Shape inner = ccShapeModelProps(!rev, 0.5, false, 1.5).assign(*square(5, 5, 4));
        const auto set = ccShapeModel::features(*general({outer, inner}), unitSpacing());
        const auto tree = cfRegionTreeModel(*set);
        EXPECT_EQ(recordOf(*tree), ccShapeModelProps());
        const auto first = cfPolylineShapeModel(*set, 0);
        EXPECT_EQ(first->modelProps(), ccShapeModelProps(rev, 2.0, false, 3.0));
        EXPECT_TRUE(first->isClosed());
        EXPECT_EQ(first->vertices().size(), static_cast<std::size_t>(set->chainLength(0)));
        EXPECT_EQ(cfPolylineShapeModel(*set, 1)->modelProps(),
                  ccShapeModelProps(!rev, 0.5, false, 1.5));
        // The region tree places the small square inside the large one.
        ASSERT_EQ(tree->numChildren(), 1);
        EXPECT_EQ(dynamic_cast<const ccShapeTree&>(*tree->child(0)).numChildren(), 1);
    }
}

TEST(Builders, HalfOnEachSideIgnoresPolarityAndMeansAreArithmetic) {
    std::vector<ccFeaturelet> chain;
    const double weights[4] = {1, 2, 3, 2};
    for (int i = 0; i < 4; ++i) {
        chain.emplace_back(ccVector<2>(i, 0), ccRadian(i % 2 ? -ccPi / 2 : ccPi / 2), 2.0 * i,
                           weights[i], false);
    }
    ccFeatureletChainSet set;
    set.insertChain(0, chain, false);
    set.insertChain(1, {}, false);
    const auto m = cfPolylineShapeModel(set, 0);
    EXPECT_EQ(m->modelProps(), ccShapeModelProps(false, 2.0, true, 3.0));
    EXPECT_EQ(cfPolylineShapeModel(set, 1)->modelProps(), ccShapeModelProps());
    EXPECT_TRUE(cfPolylineShapeModel(set, 1)->vertices().empty());
    EXPECT_THROW(cfPolylineShapeModel(set, -1), ccFeatureletDefs::BadParams);
    EXPECT_THROW(cfPolylineShapeModel(set, 2), ccFeatureletDefs::BadParams);
    EXPECT_THROW(cfRegionTreeModel(set), ccShapesError::NotRegion);
    const auto general = cfGeneralShapeTreeModel(set);
    EXPECT_EQ(general->numChildren(), 2);
    EXPECT_EQ(cfGeneralShapeTreeModel(ccFeatureletChainSet())->numChildren(), 0);
}

// ---- extension shapes ----

TEST(Extensions, ASquareGetsTwoHalfLengthNegativeExtensionsPerCorner) {
    const auto result =
        cfExtensionShape(*squareContour(4, {weight(1), weight(1), weight(1), weight(1)}), 0.5, 0);
    ASSERT_EQ(result->numChildren(), 8);
    for (const auto& e : result->children()) {
        EXPECT_TRUE(cfIsA<ccShapeModelTemplate<ccLineSeg>>(*e));
        EXPECT_NEAR(e->perimeter(), 2.0, kRoundoff);
        EXPECT_EQ(recordOf(*e).weight(), -1.0);
    }
    // End of the last piece (from (0,4) down to the origin) continues below it;
    // the start of the first piece (origin to (4,0)) is extended backwards, towards it.
    EXPECT_EQ(result->child(0)->startPoint(), ccVector<2>(0, 0));
    EXPECT_NEAR(result->child(0)->endPoint().y(), -2, kRoundoff);
    EXPECT_NEAR(result->child(1)->startPoint().x(), -2, kRoundoff);
    EXPECT_NEAR(result->child(1)->endPoint().x(), 0, kRoundoff);
    EXPECT_EQ(cfExtensionShape(*squareContour(4), 0.5, 5)->numChildren(), 0);
    // Sides of 4 are not shorter than a minimum of 4: every joint keeps both.
    EXPECT_EQ(cfExtensionShape(*squareContour(4), 0.5, 4)->numChildren(), 8);
    EXPECT_EQ(cfExtensionShape(*squareContour(4), -1, 0)->numChildren(), 8);  // -1 means 0.5
}

TEST(Extensions, OpenContoursExtendInnerJointsOnlyAndNonPositivePiecesNone) {
    const Shape open =
        cfMakeHandle<ccPolyline>(std::vector<ccVector<2>>{{0, 0}, {4, 0}, {4, 4}, {8, 4}}, false);
    EXPECT_EQ(cfExtensionShape(*open, 0.5, 0)->numChildren(), 4);
    EXPECT_EQ(cfExtensionShape(*segment(0, 0, 5, 0), 0.5, 0)->numChildren(), 0);
    const auto withDead = contour(
        false, {model(segment(0, 0, 4, 0), weight(1)), model(segment(4, 0, 4, 4), weight(0)),
                model(segment(4, 4, 8, 4), weight(1))});
    // Only the live pieces' ends at the two joints: one each.
    EXPECT_EQ(cfExtensionShape(*withDead, 0.5, 0)->numChildren(), 2);
}

TEST(Extensions, ArcsContinueAlongTheirEllipse) {
    const ccEllipse2 unit(ccVector<2>(0, 0), ccVector<2>(2, 2));
    const auto arcs =
        contour(false, {cfMakeHandle<ccEllipseArc2>(unit, ccRadian(0), ccRadian(ccPi / 2)),
                        cfMakeHandle<ccEllipseArc2>(unit, ccRadian(ccPi / 2), ccRadian(ccPi / 2))});
    const auto result = cfExtensionShape(*arcs, 0.5, 0);
    ASSERT_EQ(result->numChildren(), 2);
    const auto& beyondEnd = dynamic_cast<const ccEllipseArc2&>(*result->child(0));
    EXPECT_NEAR(beyondEnd.phiStart().toDouble(), ccPi / 2, kRoundoff);
    EXPECT_NEAR(beyondEnd.phiSpan().toDouble(), ccPi / 4, kRoundoff);
    // Before the second arc's start: an arc ending at its start point.
    expectSamePoint(result->child(1)->endPoint(), ccVector<2>(0, 2));
    EXPECT_EQ(recordOf(*result->child(1)).weight(), -1.0);
}

TEST(Extensions, UnderAPerspectiveMapExtensionsAreMappedAroundTheFlatOnes) {
    const double h[9] = {1.0, 0.1, 2.0, 0.05, 0.9, -1.0, 0.01, 0.02, 1.0};
    const cc2XformPerspective camera(h);
    const Shape seen = cfMakeHandle<ccMappedShape>(squareContour(4), camera, true);
    const auto result = cfExtensionShape(*seen, 0.5, 0);
    ASSERT_EQ(result->numChildren(), 8);
    const ccVector<2> corner = camera.mapPoint(ccVector<2>(0, 0));
    for (const auto& e : result->children()) {
        ASSERT_TRUE(cfIsA<ccShapeModelTemplate<ccMappedShape>>(*e));
        EXPECT_EQ(recordOf(*e), ccShapeModelProps());
        const auto& inner = *dynamic_cast<const ccMappedShape&>(*e).shape();
        EXPECT_EQ(recordOf(inner).weight(), -1.0);
        EXPECT_NEAR(inner.perimeter(), 2.0, kRoundoff);
    }
    // The first two meet at the image of the first corner.
    expectSamePoint(result->child(0)->startPoint(), corner);
    expectSamePoint(result->child(1)->endPoint(), corner);
}

}  // namespace
