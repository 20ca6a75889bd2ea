#include "vxstd12u/polyline.h"

#include <cmath>

#include <gtest/gtest.h>

#include "random_straight_shapes.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/shapetree.h"

namespace {

const std::vector<ccVector<2>> kUnitSquare{{0, 0}, {1, 0}, {1, 1}, {0, 1}};

ccVector<2> pointAt(const ccShape& s, double offset) {
    ccVector<2> p;
    ccRadian t;
    s.perimPointAndTangent(ccPerimPos(0, offset), p, t);
    return p;
}

ccRadian tangentAt(const ccShape& s, double offset) {
    ccVector<2> p;
    ccRadian t;
    s.perimPointAndTangent(ccPerimPos(0, offset), p, t);
    return t;
}

}  // namespace

TEST(Polyline, SquareTraversedBothWaysHasOppositeHandedness) {
    const ccPolyline ccw(kUnitSquare, true);
    EXPECT_TRUE(ccw.isRegion());
    EXPECT_TRUE(ccw.isRightHanded());
    EXPECT_DOUBLE_EQ(ccw.signedArea(), 1.0);
    EXPECT_DOUBLE_EQ(ccw.tangentRotation(), ccTwoPi);
    EXPECT_DOUBLE_EQ(ccw.windingAngle({0.5, 0.5}), ccTwoPi);

    const ccPolyline cw = asPolyline(ccw.reverse());
    EXPECT_EQ(cw.vertices(), (std::vector<ccVector<2>>{{0, 0}, {0, 1}, {1, 1}, {1, 0}}));
    EXPECT_FALSE(cw.isRightHanded());
    EXPECT_DOUBLE_EQ(cw.signedArea(), -1.0);
    EXPECT_DOUBLE_EQ(cw.tangentRotation(), -ccTwoPi);
    EXPECT_DOUBLE_EQ(cw.windingAngle({0.5, 0.5}), -ccTwoPi);
    EXPECT_DOUBLE_EQ(cw.startAngle().toDouble(), ccPi / 2);
}

TEST(Polyline, PerimeterIncludesTheClosingEdgeOnlyWhenClosed) {
    const std::vector<ccVector<2>> triangle{{0, 0}, {3, 0}, {3, 4}};
    EXPECT_DOUBLE_EQ(ccPolyline(triangle, false).perimeter(), 7.0);
    EXPECT_DOUBLE_EQ(ccPolyline(triangle, true).perimeter(), 12.0);
    EXPECT_EQ(ccPolyline(triangle, true).endPoint(), ccVector<2>(0, 0));
    EXPECT_EQ(ccPolyline(triangle, false).endPoint(), ccVector<2>(3, 4));
    EXPECT_DOUBLE_EQ(ccPolyline(triangle, true).arcLengthAtVertex(3), 12.0);
}

TEST(Polyline, TangentRotationCountsSignedTurnsAtVertices) {
    // Left, right, left again: +90, -90, +90 degrees.
    const ccPolyline zigzag({{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}}, false);
    EXPECT_DOUBLE_EQ(zigzag.tangentRotation(), ccPi / 2);
    // Out and back: a full reversal counts +pi whichever way it is run.
    const ccPolyline spike({{0, 0}, {2, 0}, {1, 0}}, false);
    EXPECT_DOUBLE_EQ(spike.tangentRotation(), ccPi);
    EXPECT_DOUBLE_EQ(spike.reverse()->tangentRotation(), ccPi);
    const ccPolyline leftTurns({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, false);
    EXPECT_DOUBLE_EQ(leftTurns.tangentRotation(), ccPi);
    // A doubled vertex neither turns nor breaks the turn across it.
    const ccPolyline withRepeat({{0, 0}, {1, 0}, {1, 0}, {1, 1}}, false);
    EXPECT_DOUBLE_EQ(withRepeat.tangentRotation(), ccPi / 2);
    EXPECT_DOUBLE_EQ(withRepeat.endAngle().toDouble(), ccPi / 2);
}

TEST(Polyline, TangentAtAVertexIsThatOfTheEdgeLeavingIt) {
    const ccPolyline square(kUnitSquare, true);
    EXPECT_DOUBLE_EQ(tangentAt(square, 0.0).toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(tangentAt(square, 1.0).toDouble(), ccPi / 2);
    EXPECT_EQ(pointAt(square, 1.0), ccVector<2>(1, 0));
    // The end of the closing edge, arriving back at vertex 0.
    EXPECT_DOUBLE_EQ(tangentAt(square, 4.0).toDouble(), -ccPi / 2);
    EXPECT_EQ(pointAt(square, 9.0), ccVector<2>(0, 0));
    EXPECT_EQ(pointAt(square, 2.5), ccVector<2>(0.5, 1));
}

TEST(Polyline, DecomposesIntoItsEdgesLeavingOutZeroLengthOnes) {
    const ccPolyline p({{0, 0}, {2, 0}, {2, 0}, {2, 3}}, true);
    const auto tree = ccPtrHandle<ccContourTree>(p.decompose());
    ASSERT_EQ(tree->numChildren(), 3);
    EXPECT_TRUE(tree->isClosed());
    EXPECT_EQ(*tree->child(0), ccLineSeg({0, 0}, {2, 0}));
    EXPECT_EQ(*tree->child(1), ccLineSeg({2, 0}, {2, 3}));
    EXPECT_EQ(*tree->child(2), ccLineSeg({2, 3}, {0, 0}));
    EXPECT_FALSE(
        ccPtrHandle<ccContourTree>(ccPolyline(kUnitSquare, false).decompose())->isClosed());
}

TEST(Polyline, PiecesAreOpenPolylinesThroughTheVerticesBetween) {
    const ccPolyline square(kUnitSquare, true);
    const ccPolyline piece = square.piece(0.5, 2.5);
    EXPECT_FALSE(piece.isClosed());
    EXPECT_EQ(piece.vertices(), (std::vector<ccVector<2>>{{0.5, 0}, {1, 0}, {1, 1}, {0.5, 1}}));
    EXPECT_EQ(square.piece(1.0, 2.0).vertices(), (std::vector<ccVector<2>>{{1, 0}, {1, 1}}));
    EXPECT_THROW(square.piece(2.0, 1.0), ccShapesError::BadParams);
}

TEST(Polyline, WithinUsesTheWindingRule) {
    // The square traversed twice winds twice: inside by the winding rule,
    // outside by even-odd.
    std::vector<ccVector<2>> twice = kUnitSquare;
    twice.insert(twice.end(), kUnitSquare.begin(), kUnitSquare.end());
    const ccPolyline doubled(twice, true);
    EXPECT_TRUE(doubled.within({0.5, 0.5}));
    EXPECT_FALSE(doubled.within({1.5, 0.5}));
    const ccPolyline square(kUnitSquare, true);
    EXPECT_TRUE(square.within({1, 0.5}));
    EXPECT_TRUE(square.reverse()->within({0.25, 0.75}));
    EXPECT_THROW(ccPolyline(kUnitSquare, false).within({0.5, 0.5}), ccShapesError::NotRegion);
}

TEST(Polyline, BadInputIsRefusedAndLeavesThePolylineUnchanged) {
    const double nan = std::nan("");
    EXPECT_THROW(ccPolyline({{0, 0}, {nan, 1}}, false), ccShapesError::BadParams);
    EXPECT_THROW(ccPolyline({{0, 0}, {INFINITY, 1}}, true), ccShapesError::BadParams);
    const ccPolyline empty;
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isOpenContour());
    EXPECT_THROW(empty.startPoint(), ccShapesError::BadParams);
    EXPECT_THROW(empty.endAngle(), ccShapesError::BadParams);
    EXPECT_DOUBLE_EQ(empty.perimeter(), 0.0);
    EXPECT_THROW(empty.boundingBox(), ccShapesError::BadParams);
    EXPECT_THROW(empty.nearestPoint({0, 0}), ccShapesError::BadParams);
    EXPECT_THROW(empty.vertex(0), ccShapesError::BadParams);

    ccPolyline p(kUnitSquare, true);
    EXPECT_THROW(p.vertices({{0, 0}, {0, nan}}), ccShapesError::BadParams);
    EXPECT_EQ(p, ccPolyline(kUnitSquare, true));
    EXPECT_DOUBLE_EQ(p.perimeter(), 4.0);
    EXPECT_THROW(pointAt(p, nan), ccShapesError::BadParams);
    ccVector<2> q;
    ccRadian t;
    EXPECT_THROW(p.perimPointAndTangent(ccPerimPos(1, 0.0), q, t), ccShapesError::BadParams);
}

TEST(Polyline, MirroringReversesHandednessButKeepsTheStart) {
    const ccPolyline square(kUnitSquare, true);
    const ccXform<2> mirror(ccMatrix<2>(-1, 0, 0, 1), {5, 0});
    const ccPolyline image = asPolyline(square.mapShape(mirror));
    EXPECT_EQ(image.startPoint(), ccVector<2>(5, 0));
    EXPECT_EQ(image.vertex(1), ccVector<2>(4, 0));
    EXPECT_FALSE(image.isRightHanded());
}

// ---- Properties over random polylines ----

TEST(PolylineProperties, ReversingTwiceGivesAnEqualPolylineAndFlipsTangents) {
    RandomStraightShapes random(11);
    for (int trial = 0; trial < 200; ++trial) {
        const ccPolyline p = random.polyline(trial % 2 == 0);
        const auto once = p.reverse();
        EXPECT_EQ(*once->reverse(), p);
        EXPECT_DOUBLE_EQ(once->perimeter(), p.perimeter());
        EXPECT_EQ(once->isRightHanded(), p.isClosed() && asPolyline(once).signedArea() > 0);
        EXPECT_NEAR(asPolyline(once).signedArea(), -p.signedArea(), cc_tol::kCoincident);
        EXPECT_NEAR(once->tangentRotation(), -p.tangentRotation(), cc_tol::kCoincident);
        const double s = random.uniform(0, p.perimeter());
        expectNear(pointAt(*once, p.perimeter() - s), pointAt(p, s));
        if (p.perimeter() - s > cc_tol::kCoincident && s > cc_tol::kCoincident)
            expectSameDirection(tangentAt(*once, p.perimeter() - s),
                                tangentAt(p, s) + ccRadian(ccPi));
    }
}

TEST(PolylineProperties, DecompositionKeepsPerimeterAndChainsItsPieces) {
    RandomStraightShapes random(12);
    for (int trial = 0; trial < 200; ++trial) {
        const ccPolyline p = random.polyline(trial % 2 == 1);
        const auto tree = ccPtrHandle<ccContourTree>(p.decompose());
        double total = 0.0;
        for (long i = 0; i < tree->numChildren(); ++i) {
            total += tree->child(i)->perimeter();
            const long next = (i + 1) % tree->numChildren();
            if (next != 0 || p.isClosed())
                expectNear(tree->child(i)->endPoint(), tree->child(next)->startPoint());
        }
        EXPECT_NEAR(total, p.perimeter(), cc_tol::kCoincident);
        EXPECT_EQ(tree->isClosed(), p.isClosed());
    }
}

TEST(PolylineProperties, PerimeterPointsLieOnTheShapeAndMapWithIt) {
    RandomStraightShapes random(13);
    for (int trial = 0; trial < 150; ++trial) {
        const ccPolyline p = random.polyline(trial % 2 == 0);
        const ccXform<2> maps[] = {random.rigid(), random.mirrored(), random.affine()};
        for (const ccXform<2>& x : maps) {
            const ccPolyline image = asPolyline(p.mapShape(x));
            // The same fraction of the same edge, since an affine map
            // stretches each edge by its own factor.
            const long edge = random.count(0, static_cast<int>(p.numEdges()) - 1);
            const double f = random.uniform(0, 1);
            const double s = p.arcLengthAtVertex(edge) +
                             f * (p.arcLengthAtVertex(edge + 1) - p.arcLengthAtVertex(edge));
            const double t =
                image.arcLengthAtVertex(edge) +
                f * (image.arcLengthAtVertex(edge + 1) - image.arcLengthAtVertex(edge));
            expectNear(pointAt(image, t), x.mapPoint(pointAt(p, s)));
            expectNear(p.nearestPoint(pointAt(p, s)), pointAt(p, s));
            if (f > 0 && f < 1 &&
                p.arcLengthAtVertex(edge + 1) - p.arcLengthAtVertex(edge) > cc_tol::kCoincident)
                expectSameDirection(tangentAt(image, t), x.mapAngle(tangentAt(p, s)));
        }
    }
}

TEST(PolylineProperties, NearestPointIsNearestAgainstDenseSampling) {
    RandomStraightShapes random(14);
    for (int trial = 0; trial < 60; ++trial) {
        const ccPolyline p = random.polyline(trial % 2 == 0);
        const ccVector<2> q = random.point();
        const ccVector<2> nearest = p.nearestPoint(q);
        expectNear(pointAt(p, p.nearestPerimPos(q).offset()), nearest);
        for (int k = 0; k <= 2000; ++k)
            EXPECT_LE((nearest - q).len(),
                      (pointAt(p, p.perimeter() * k / 2000) - q).len() + cc_tol::kCoincident);
    }
}

TEST(PolylineProperties, SamplingCommutesWithRigidMapsMirroredOrNot) {
    RandomStraightShapes random(15);
    const ccShape::ccSampleParams params(0.3, 1.7, ccNoPointLimit, true, true);
    for (int trial = 0; trial < 60; ++trial) {
        const ccPolyline p = random.polyline(trial % 2 == 0);
        const ccXform<2> x = trial % 3 == 0 ? random.mirrored() : random.rigid();
        ccShape::ccSampleResult direct, viaImage;
        p.sample(params, direct);
        p.mapShape(x)->sample(params, viaImage);
        ASSERT_EQ(direct.positions().size(), viaImage.positions().size());
        ASSERT_EQ(direct.tangents().size(), direct.positions().size());
        for (std::size_t k = 0; k < direct.positions().size(); ++k) {
            expectNear(viaImage.positions()[k], x.mapPoint(direct.positions()[k]));
            expectNear(p.nearestPoint(direct.positions()[k]), direct.positions()[k]);
            expectSameDirection(viaImage.tangents()[k], x.mapAngle(direct.tangents()[k]));
        }
    }
}

TEST(PolylineProperties, FastSamplingGivesExactlyTheShapeDefaultsSamples) {
    RandomStraightShapes random(16);
    for (int trial = 0; trial < 200; ++trial) {
        const ccPolyline poly = random.polyline(trial % 2 == 0);
        // Whole vertices, offsets and spacings put samples exactly on vertices,
        // repeated ones included, and end runs exactly at the perimeter.
        std::vector<ccVector<2>> whole = poly.vertices();
        for (auto& v : whole) v = ccVector<2>(std::round(v.x()), std::round(v.y()));
        const ccPolyline lattice(whole, poly.isClosed());
        const ccLineSeg seg = random.segment();
        ccShape::ccSampleParams params(random.uniform(-5, 5), random.uniform(0.2, 20),
                                       ccNoPointLimit, trial % 3 != 0, trial % 5 != 0);
        if (trial % 3 == 1) {
            params.startOffset(std::round(params.startOffset()));
            params.spacing(std::ceil(params.spacing() / 4));
        }
        // Uniform mode gives exactly maxPoints samples, so it always gets a limit.
        params.uniformMode(trial % 4 == 0);
        if (params.uniformMode() || trial % 7 < 3) params.maxPoints(random.count(1, 30));
        params.perimPosRequested(trial % 2 == 1);
        for (const ccShape* shape :
             {static_cast<const ccShape*>(&poly), static_cast<const ccShape*>(&lattice),
              static_cast<const ccShape*>(&seg)}) {
            // New samples go after a chain already in the result.
            ccShape::ccSampleResult fast, generic;
            for (auto* result : {&fast, &generic}) {
                result->beginChain(false);
                result->positions().emplace_back(1.0, 2.0);
                if (params.computeTangents()) result->tangents().emplace_back(0.5);
                result->shapeIndex(3);
            }
            shape->sample(params, fast);
            shape->ccShape::sample(params, generic);
            EXPECT_EQ(fast.positions(), generic.positions());
            EXPECT_EQ(fast.tangents(), generic.tangents());
            EXPECT_EQ(fast.breaks(), generic.breaks());
            EXPECT_EQ(fast.closedFlags(), generic.closedFlags());
            EXPECT_EQ(fast.perimPositions(), generic.perimPositions());
        }
    }
}
