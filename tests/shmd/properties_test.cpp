// Property lookup, assignment, polarity, distribution, polygon wrapping and
// region-tree mapping.
#include "shmd/properties.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <typeinfo>

#include "model_fixtures.h"
#include "platform/vxstd12u/shape_checks.h"

namespace {

using namespace fixtures;
using shape_checks::kRoundoff;

const ccXform<2> kIdentity;
const ccXform<2> kMirrorX(ccMatrix<2>(-1, 0, 0, 1), ccVector<2>(0, 0));

// ---- lookup and assignment ----

TEST(Lookup, PlainShapesHaveTheDefaultRecordOrAWireframesOwnPolarity) {
    EXPECT_EQ(recordOf(*circle()), ccShapeModelProps());
    EXPECT_EQ(recordOf(*wireframe(true)), reversed());
    EXPECT_EQ(recordOf(*model(wireframe(true), weight(1))), weight(1));
}

TEST(Assign, WrapsInTheMatchingTypeDropsAnOldRecordAndSharesATreesChildren) {
    const Shape old = model(circle(1, 2, 3), weight(2));
    const Shape fresh = weight(5).assign(*old);
    expectSameTypesAndRecords(*fresh, *model(circle(), weight(5)));
    EXPECT_EQ(recordOf(*old), weight(2));
    EXPECT_TRUE(static_cast<const ccShape&>(*fresh) ==
                static_cast<const ccShape&>(*circle(1, 2, 3)));
    // Derived types match their nearest base: a wireframe is a polygon too.
    struct Alien : ccLineSeg {};
    EXPECT_EQ(typeid(*weight(1).assign(Alien())), typeid(ccShapeModelTemplate<ccLineSeg>));
    EXPECT_EQ(typeid(*weight(1).assign(*wireframe(false))),
              typeid(ccShapeModelTemplate<cc2Wireframe>));

    const Shape child = model(circle(), weight(3));
    const Shape wrapped = weight(2).assign(*general({child, segment(0, 0, 1, 0)}));
    EXPECT_EQ(dynamic_cast<const ccShapeTree&>(*wrapped).child(0).get(), child.get());
}

TEST(LocalProps, MappedChainsCombineByFlags) {
    const Shape inner = model(circle(), weight(3));
    const Shape mapped =
        model(cfMakeHandle<ccMappedShape>(inner, cc2XformLinear(kIdentity), true), weight(2));
    EXPECT_EQ(cfLocalShapeModelProps(*mapped, false, true, true).weight(), 2);
    EXPECT_EQ(cfLocalShapeModelProps(*mapped, true, false, false).weight(), 2);
    EXPECT_EQ(cfLocalShapeModelProps(*mapped, true, true, false).weight(), 6);
}

TEST(LocalProps, EachMirroringMapOfTheChainTogglesOnce) {
    const Shape once = cfMakeHandle<ccMappedShape>(circle(), cc2XformLinear(kMirrorX), true);
    EXPECT_TRUE(cfLocalShapeModelProps(*once, true, true, true).isReversedPolarity());
    EXPECT_FALSE(cfLocalShapeModelProps(*once, true, true, false).isReversedPolarity());
    const Shape twice = cfMakeHandle<ccMappedShape>(once, cc2XformLinear(kMirrorX), true);
    EXPECT_FALSE(cfLocalShapeModelProps(*twice, true, true, true).isReversedPolarity());
    // Without alwaysUnderlying the inner mapped shape is still looked through.
    EXPECT_FALSE(cfLocalShapeModelProps(*twice, true, false, true).isReversedPolarity());
}

TEST(RegionNodeProps, ToggleWhenBoundaryHandednessEqualsBeingAHole) {
    // A solid with a counter-clockwise (right-handed) boundary and a
    // hole with a clockwise one keep the normal polarity; the other two turn it.
    struct Case {
        bool hole, clockwise, reversed;
    };
    for (const Case& c : {Case{false, false, false}, Case{false, true, true},
                          Case{true, false, true}, Case{true, true, false}}) {
        const ccRegionTree node(c.clockwise ? *clockwiseCircle() : *circle(), c.hole);
        EXPECT_EQ(cfRegionNodeModelProps(node, {}).isReversedPolarity(), c.reversed)
            << "hole " << c.hole << " clockwise " << c.clockwise;
    }
    // The node's own record and the inherited one come first.
    const auto node = weight(2).assign(ccRegionTree(*circle(), false));
    EXPECT_EQ(cfRegionNodeModelProps(dynamic_cast<const ccRegionTree&>(*node), reversed(3)),
              reversed(6));
}

TEST(Wrapping, AsShapeModelSharesModelsAndToggleTwiceRestores) {
    const Shape m = model(circle(), weight(2));
    EXPECT_EQ(cfAsShapeModel(m).get(), m.get());
    EXPECT_NE(cfAsShapeModel(*m).get(), m.get());
    EXPECT_THROW(cfAsShapeModel(Shape()), ccBadPointer);
    const Shape twice = cfToggleReversedPolarity(*cfToggleReversedPolarity(*circle()));
    EXPECT_EQ(recordOf(*twice), ccShapeModelProps());
    EXPECT_TRUE(cfIsA<ccShapeModel>(*twice));
}

TEST(Wrapping, UnwrapFoldsTheChainButNotTheInnermostRecord) {
    const Shape inner = model(circle(), weight(3));
    const Shape mapped =
        model(cfMakeHandle<ccMappedShape>(inner, cc2XformLinear(kIdentity), true), weight(2));
    ccShapeModelProps acc = weight(5);
    const ConstShape u = cfUnwrapMappedShape(mapped, acc);
    EXPECT_EQ(u.get(), inner.get());
    EXPECT_EQ(acc.weight(), 10);
    EXPECT_TRUE(
        cfIsMappedTree(*cfMakeHandle<ccMappedShape>(general({circle()}), cc2XformLinear(), true)));
    EXPECT_FALSE(cfIsMappedTree(*mapped));
}

// ---- polarity ----

TEST(InsidePolarity, LeavesAndEmptyTrees) {
    EXPECT_TRUE(ccShapeModel::isInsidePolarity(*circle(), true));
    EXPECT_FALSE(ccShapeModel::isInsidePolarity(*circle(), false));
    EXPECT_FALSE(ccShapeModel::isInsidePolarity(*model(circle(), reversed()), true));
    EXPECT_TRUE(ccShapeModel::isInsidePolarity(*model(circle(), reversed()), false));
    for (bool sense : {true, false}) {
        EXPECT_TRUE(ccShapeModel::isInsidePolarity(*segment(0, 0, 1, 0), sense));
        EXPECT_TRUE(ccShapeModel::isInsidePolarity(*contour(false, {segment(0, 0, 1, 0)}), sense));
        EXPECT_TRUE(ccShapeModel::isInsidePolarity(*general({}), sense));
    }
    const auto mixed = general({circle(), clockwiseCircle(5, 0)});
    EXPECT_FALSE(ccShapeModel::isInsidePolarity(*mixed, true));
    EXPECT_FALSE(ccShapeModel::isInsidePolarity(*mixed, false));
}

TEST(InsidePolarity, RootHoleWithoutChildrenDependsOnItsOwnReversal) {
    const Shape flagged = reversed().assign(ccRegionTree());
    for (bool sense : {true, false}) {
        EXPECT_EQ(ccShapeModel::isInsidePolarity(ccRegionTree(), sense), sense);
        EXPECT_EQ(ccShapeModel::isInsidePolarity(*flagged, sense), !sense);
    }
}

TEST(InsidePolarity, ContourPiecesMustAgree) {
    const ccShapeModelProps d;
    EXPECT_TRUE(ccShapeModel::isInsidePolarity(*squareContour(2), true));
    const auto mixed = squareContour(2, {d, reversed(), d, d});
    EXPECT_FALSE(ccShapeModel::isInsidePolarity(*mixed, true));
    EXPECT_FALSE(ccShapeModel::isInsidePolarity(*mixed, false));
    const auto allReversed = squareContour(2, {reversed(), reversed(), reversed(), reversed()});
    EXPECT_TRUE(ccShapeModel::isInsidePolarity(*allReversed, false));
    // A reversal on the contour cancels one on every piece.
    EXPECT_TRUE(ccShapeModel::isInsidePolarity(*reversed().assign(*allReversed), true));
}

TEST(SetInsidePolarity, ContourWithMixedPiecesLosesThePieceFlags) {
    const ccShapeModelProps d;
    const Shape fixed =
        ccShapeModel::setInsidePolarity(*squareContour(2, {d, reversed(), d, d}), false);
    EXPECT_TRUE(ccShapeModel::isInsidePolarity(*fixed, false));
    const auto& tree = dynamic_cast<const ccShapeTree&>(*fixed);
    for (const auto& piece : tree.children()) EXPECT_FALSE(recordOf(*piece).isReversedPolarity());
    EXPECT_TRUE(recordOf(*fixed).isReversedPolarity());
}

TEST(SetInsidePolarity, GeneralTreeFixesEachChildOnItsOwnAndModelsKeepTheirRecords) {
    const Shape inner = general({circle(), clockwiseCircle(5, 0)});
    const Shape fixed = ccShapeModel::setInsidePolarity(*inner, true);
    const auto& tree = dynamic_cast<const ccShapeTree&>(*fixed);
    expectSameTypesAndRecords(*tree.child(0), *model(circle(), ccShapeModelProps()));
    EXPECT_EQ(recordOf(*tree.child(1)), reversed());

    EXPECT_EQ(recordOf(*ccShapeModel::setInsidePolarity(*model(circle(), weight(7)), true)),
              weight(7));
    const Shape mapped =
        model(cfMakeHandle<ccMappedShape>(inner, cc2XformLinear(kIdentity), true), weight(2));
    EXPECT_EQ(recordOf(*ccShapeModel::setInsidePolarity(*mapped, true)), weight(2));
}

TEST(SetInsidePolarity, YieldsTheAskedSenseOnRandomTrees) {
    RandomTrees random(20261206);
    for (int i = 0; i < 300; ++i) {
        const Shape tree = random.tree(3);
        for (bool sense : {true, false}) {
            const Shape fixed = ccShapeModel::setInsidePolarity(*tree, sense);
            ASSERT_TRUE(ccShapeModel::isInsidePolarity(*fixed, sense))
                << "tree " << i << " sense " << sense;
            ASSERT_TRUE(cfIsA<ccShapeModel>(*fixed));
        }
    }
}

TEST(IgnoredPolarities, FoundAnywhereButInARootHolesMissingBoundary) {
    EXPECT_FALSE(ccShapeModel::areAnyPolaritiesIgnored(*circle()));
    EXPECT_TRUE(ccShapeModel::areAnyPolaritiesIgnored(*model(circle(), ignored())));
    const Shape deep =
        general({general({general({segment(0, 0, 1, 1), model(circle(), ignored())})})});
    EXPECT_TRUE(ccShapeModel::areAnyPolaritiesIgnored(*deep));
    auto region = cfMakeHandle<ccRegionTree>(*model(circle(), ignored()), false);
    EXPECT_TRUE(ccShapeModel::areAnyPolaritiesIgnored(*region));
    EXPECT_TRUE(ccShapeModel::areAnyPolaritiesIgnored(
        *cfMakeHandle<ccMappedShape>(model(circle(), ignored()), cc2XformLinear(), true)));
}

TEST(CorrectPolarities, KeepsHandednessPreservingMapsAsTheyAre) {
    const Shape m = model(circle(), weight(2));
    EXPECT_EQ(cfCorrectPolarities(m, *m, kIdentity).get(), m.get());
    const ccXform<2> singular(ccMatrix<2>(1, 0, 0, 0), ccVector<2>());
    EXPECT_EQ(cfCorrectPolarities(m, *m, singular).get(), m.get());
}

TEST(CorrectPolarities, MirrorTogglesEveryLeafOnce) {
    const Shape modelChild = model(circle(), weight(3));
    const Shape plainChild = circle(4, 0);
    auto mappedTree = general({modelChild, plainChild});
    const Shape handle = mappedTree;
    const Shape corrected =
        cfCorrectPolarities(handle, *general({modelChild, plainChild}), kMirrorX);
    EXPECT_EQ(corrected.get(), mappedTree.get());
    EXPECT_EQ(mappedTree->child(0).get(), modelChild.get());
    EXPECT_EQ(recordOf(*mappedTree->child(1)), reversed());

    const Shape mapped = cfMakeHandle<ccMappedShape>(circle(), cc2XformLinear(kMirrorX), true);
    EXPECT_EQ(cfCorrectPolarities(mapped, *circle(), kMirrorX).get(), mapped.get());
}

TEST(CorrectPolarities, MirroringKeepsInsidePolarityOfRandomModelTrees) {
    RandomTrees random(77);
    for (int i = 0; i < 300; ++i) {
        const Shape tree = random.modelTree(3);
        const Shape image = tree->mapShape(mirroringSimilarity(random.rng()));
        for (bool sense : {true, false}) {
            ASSERT_EQ(ccShapeModel::isInsidePolarity(*image, sense),
                      ccShapeModel::isInsidePolarity(*tree, sense))
                << "tree " << i << " sense " << sense;
        }
        ASSERT_EQ(ccShapeModel::areAnyPolaritiesIgnored(*image),
                  ccShapeModel::areAnyPolaritiesIgnored(*tree));
    }
}

// ---- distribution ----

TEST(Distribute, PlainTreeGetsDefaultModelsAtTheLeaves) {
    const auto tree = general({circle(), circle(3, 0)});
    const auto out = cfDistributeShapeProps(*tree, ccShapeModelProps());
    EXPECT_EQ(typeid(*out), typeid(ccGeneralShapeTree));
    for (const auto& leaf : out->children()) {
        EXPECT_EQ(typeid(*leaf), typeid(ccShapeModelTemplate<ccCircle>));
        EXPECT_EQ(recordOf(*leaf), ccShapeModelProps());
    }
    EXPECT_EQ(tree->child(0)->refCount(), 1);  // the input's leaves are not shared
}

TEST(Distribute, RegionBoundariesAndMappedTreesTakeTheRecords) {
    const Shape region = weight(2).assign(ccRegionTree(*circle(0, 0, 5), false));
    const auto out =
        cfDistributeShapeProps(dynamic_cast<const ccShapeTree&>(*region), ccShapeModelProps());
    EXPECT_EQ(recordOf(dynamic_cast<const ccRegionTree&>(*out).boundary()).weight(), 2);

    // A mapped contour becomes a contour of mapped pieces; a mapped leaf keeps its own record
    // inside.
    const Shape mappedContour =
        cfMakeHandle<ccMappedShape>(squareContour(1), cc2XformLinear(), true);
    const Shape mappedCircle =
        cfMakeHandle<ccMappedShape>(model(circle(), weight(3)), cc2XformLinear(), true);
    const auto result = cfDistributeShapeProps(*general({mappedContour, mappedCircle}), weight(2));
    const auto& pieces = dynamic_cast<const ccContourTree&>(*result->child(0));
    expectSameTypesAndRecords(
        *pieces.child(0),
        *model(cfMakeHandle<ccMappedShape>(segment(0, 0, 1, 0), cc2XformLinear(), true),
               weight(2)));
    EXPECT_EQ(recordOf(*result->child(1)).weight(), 2);
    EXPECT_EQ(recordOf(*dynamic_cast<const ccMappedShape&>(*result->child(1)).shape()).weight(), 3);
}

// Moving every record to the leaves changes no featurelet.
TEST(Distribute, RandomTreesKeepTheirFeaturelets) {
    RandomTrees random(31);
    int compared = 0;
    for (int i = 0; i < 300; ++i) {
        const auto tree = general({random.modelTree(3)});
        if (hasRegionTree(*tree)) continue;
        const auto before = ccShapeModel::features(*tree, ccShapeModel::ccFeatureParams());
        const auto after = ccShapeModel::features(*cfDistributeShapeProps(*tree, {}),
                                                  ccShapeModel::ccFeatureParams());
        // The input is left as it was.
        ASSERT_EQ(ccShapeModel::features(*tree, ccShapeModel::ccFeatureParams())->featurelets(),
                  before->featurelets());
        ASSERT_EQ(before->numFeaturelets(), after->numFeaturelets()) << i;
        for (long k = 0; k < before->numFeaturelets(); ++k) {
            // Products taken in another order may differ in the last bit.
            ccFeaturelet b = after->featurelets()[k];
            const double w = before->featurelets()[k].weight;
            ASSERT_NEAR(b.weight, w, kRoundoff * std::fabs(w)) << i;
            b.weight = w;
            ASSERT_EQ(before->featurelets()[k], b) << i;
        }
        ++compared;
    }
    EXPECT_GT(compared, 50);
}

// ---- region-tree mapping ----

TEST(RegionTreeMapping, ReflectionKeepsBoundaryReversalFlagsWhereAPlainMapWouldToggle) {
    const ccShapeModelProps d;
    const Shape boundary = squareContour(4, {d, d, d, d});
    const Shape region = d.assign(ccRegionTree(*boundary, false));
    const Shape image = region->mapShape(kMirrorX);
    const auto& node = dynamic_cast<const ccRegionTree&>(*image);
    for (const auto& piece : dynamic_cast<const ccShapeTree&>(node.boundary()).children()) {
        EXPECT_FALSE(recordOf(*piece).isReversedPolarity());
    }
    const Shape loose = boundary->mapShape(kMirrorX);  // a plain contour of models
    for (const auto& piece : dynamic_cast<const ccShapeTree&>(*loose).children()) {
        EXPECT_TRUE(recordOf(*piece).isReversedPolarity());
    }
    // The region's own polarity follows from the mirrored boundary.
    EXPECT_EQ(ccShapeModel::isInsidePolarity(*image, true),
              ccShapeModel::isInsidePolarity(*region, true));
}

TEST(RegionTreeMapping, MappedBoundaryIsWrappedOnceMore) {
    const Shape inner = cfMakeHandle<ccMappedShape>(circle(0, 0, 2), cc2XformLinear(), true);
    const Shape region = ccShapeModelProps().assign(ccRegionTree(*inner, false));
    const Shape image = region->mapShape(kMirrorX);
    const auto& wrapper =
        dynamic_cast<const ccMappedShape&>(dynamic_cast<const ccRegionTree&>(*image).boundary());
    EXPECT_TRUE(cfIsA<ccMappedShape>(*wrapper.shape()));
    EXPECT_LT(wrapper.mapXform().linearXform(ccVector<2>()).determinant(), 0);
}

// ---- generalized polygons ----

TEST(GenPolyProps, PlainPolygonsBecomeModelsOfTheirOwnRecordAndModelsAreLeftAlone) {
    EXPECT_TRUE(cfAddGenPolyModelProps(*circle()).isNull());
    EXPECT_TRUE(cfAddGenPolyModelProps(*model(genPoly(), weight(2))).isNull());
    expectSameTypesAndRecords(*cfAddGenPolyModelProps(*genPoly()),
                              *model(genPoly(), ccShapeModelProps()));
    expectSameTypesAndRecords(*cfAddGenPolyModelProps(*wireframe(true)),
                              *model(wireframe(true), reversed()));

    // Below a model there is nothing to do; from the model itself down, there is.
    const Shape modelChild = weight(3).assign(*general({genPoly()}));
    EXPECT_TRUE(cfAddGenPolyModelProps(*general({modelChild})).isNull());
    expectSameTypesAndRecords(*cfAddGenPolyModelProps(*modelChild),
                              *weight(3).assign(*general({model(genPoly(), {})})));
}

TEST(GenPolyProps, TreesMappedShapesAndRegionBoundariesAreSearchedAndTheRestShared) {
    const Shape c = circle();
    const Shape wrapped = cfAddGenPolyModelProps(*general({c, genPoly()}));
    EXPECT_EQ(dynamic_cast<const ccShapeTree&>(*wrapped).child(0).get(), c.get());
    expectSameTypesAndRecords(
        *cfAddGenPolyModelProps(*cfMakeHandle<ccMappedShape>(genPoly(), cc2XformLinear(), true)),
        ccMappedShape(model(genPoly(), {}), cc2XformLinear(), true));

    auto region = cfMakeHandle<ccRegionTree>(*circle(0, 0, 20), false);
    region->addChild(cfMakeHandle<ccRegionTree>(*genPoly(), true), true);
    auto expected = cfMakeHandle<ccRegionTree>(*circle(0, 0, 20), false);
    expected->addChild(cfMakeHandle<ccRegionTree>(*model(genPoly(), {}), true), true);
    expectSameTypesAndRecords(*cfAddGenPolyModelProps(*region), *expected);
}

// ---- weight queries ----

const double kInf = std::numeric_limits<double>::infinity();

TEST(PositiveWeights, CountOnlyEffectiveWeightsStrictlyAboveZeroAndFinite) {
    EXPECT_TRUE(cfHasPositiveWeights(*circle()));
    for (double w : {0.0, -1.0, kInf})
        EXPECT_FALSE(cfHasPositiveWeights(*model(circle(), weight(w)))) << w;
    EXPECT_FALSE(cfHasPositiveWeights(*weight(0).assign(*general({model(circle(), weight(5))}))));
    EXPECT_FALSE(cfHasPositiveWeights(*weight(-1).assign(*general({model(circle(), weight(-2))}))));
    EXPECT_FALSE(cfHasPositiveWeights(*weight(-1).assign(*general({model(circle(), weight(2))}))));
    EXPECT_FALSE(cfHasPositiveWeights(*general({})));
    EXPECT_TRUE(cfHasPositiveWeights(ccRegionTree(*circle(), false)));  // a node's boundary counts
}

std::vector<double> weightsOf(const ccShapeTree& found) {
    std::vector<double> w;
    for (const auto& c : found.children()) w.push_back(recordOf(*c).weight());
    return w;
}

// What a search of `shape` adds to `into`, a fresh tree unless given.
ccPtrHandle<ccGeneralShapeTree> found(
    const ConstShape& shape, const ccRange& range, bool inclusive = true,
    ccPtrHandle<ccGeneralShapeTree> into = cfMakeHandle<ccGeneralShapeTree>()) {
    cfFindContoursWithWeightInRange(shape, ccShapeModelProps(), range, inclusive, *into);
    return into;
}

TEST(FindContours, LeavesInRangeComeInOrderAndEndsFollowInclusiveness) {
    const Shape tree = general({model(circle(), weight(1)), model(circle(3, 0), weight(2)),
                                model(circle(6, 0), weight(3))});
    for (bool inclusive : {true, false})
        EXPECT_EQ(weightsOf(*found(tree, ccRange(0.5, 2.5), inclusive)),
                  (std::vector<double>{1, 2}));
    EXPECT_EQ(found(tree, ccRange(1, 2), false)->numChildren(), 0);
    // A second search appends.
    const auto twice = found(tree, ccRange(1, 1));
    found(tree, ccRange(3, 3), true, twice);
    EXPECT_EQ(weightsOf(*twice), (std::vector<double>{1, 3}));
}

TEST(FindContours, ContoursSplitIntoRunsAtPiecesOutOfRange) {
    const auto runs =
        found(squareContour(4, {weight(1), weight(1), weight(5), weight(1)}), ccRange(0, 2));
    ASSERT_EQ(runs->numChildren(), 2);
    EXPECT_EQ(recordOf(*runs->child(0)), ccShapeModelProps());
    const auto& firstRun = dynamic_cast<const ccContourTree&>(*runs->child(0));
    EXPECT_EQ(firstRun.numChildren(), 2);
    EXPECT_EQ(recordOf(*firstRun.child(1)).weight(), 1);
    EXPECT_EQ(dynamic_cast<const ccContourTree&>(*runs->child(1)).numChildren(), 1);

    const auto whole = found(
        weight(2).assign(*squareContour(4, {weight(0.5), weight(0.5), weight(0.5), weight(0.5)})),
        ccRange(0, 2));
    ASSERT_EQ(whole->numChildren(), 1);
    EXPECT_EQ(recordOf(*whole->child(0)), weight(2));
    EXPECT_EQ(dynamic_cast<const ccContourTree&>(*whole->child(0)).numChildren(), 4);

    const ccShapeModelProps d;
    const auto disagreeing = found(squareContour(4, {d, reversed(), d, d}), ccRange(0, 2));
    ASSERT_EQ(disagreeing->numChildren(), 1);
    EXPECT_EQ(recordOf(*disagreeing->child(0)), ccShapeModelProps());  // a run, not the contour
}

TEST(FindContours, MappedTreesGiveMappedFinds) {
    const ccXform<2> shift = ccXform<2>::translation(ccVector<2>(10, 0));
    const auto mapped = found(
        cfMakeHandle<ccMappedShape>(general({circle(), circle(3, 0)}), cc2XformLinear(shift), true),
        ccRange(0, 2));
    ASSERT_EQ(mapped->numChildren(), 2);
    const auto& first = dynamic_cast<const ccMappedShape&>(*mapped->child(0));
    EXPECT_TRUE(cfIsA<ccShapeModel>(*first.shape()));
    EXPECT_NEAR(first.startPoint().x(), 11, kRoundoff);

    // The weight of an inner mapped shape of the chain counts: a plain map of
    // a mapped circle of weight 5 is found in [4, 6], the circle carrying 5.
    const auto inner = weight(5).assign(ccMappedShape(circle(), cc2XformLinear(shift), true));
    const auto chained =
        found(cfMakeHandle<ccMappedShape>(inner, cc2XformLinear(shift), true), ccRange(4, 6));
    ASSERT_EQ(chained->numChildren(), 1);
    EXPECT_NEAR(chained->child(0)->startPoint().x(), 21, kRoundoff);
    EXPECT_EQ(recordOf(*dynamic_cast<const ccMappedShape&>(*chained->child(0)).shape()), weight(5));
}

}  // namespace
