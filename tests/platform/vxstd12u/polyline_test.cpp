#include "vxstd12u/polyline.h"

#include <cmath>

#include <gtest/gtest.h>

#include "shape_checks.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/shapetree.h"

namespace {

const std::vector<ccVector<2>> kUnitSquare{{0, 0}, {1, 0}, {1, 1}, {0, 1}};

using shape_checks::expectSameHeading;
using shape_checks::expectSamePoint;
using shape_checks::pointAt;
using shape_checks::tangentAt;

// A copy of the polyline a handle holds (ccBadPointer when it holds another type).
ccPolyline asPolyline(const ccPtrHandle<ccShape>& h) {
    return *ccPtrHandle<ccPolyline>(h);
}

}  // namespace

TEST(Polyline, SquareRunsItsEdgesInOrderAndReversedTurnsTheOtherWay) {
    const ccPolyline square(kUnitSquare, true);
    EXPECT_TRUE(square.isRightHanded());
    EXPECT_DOUBLE_EQ(square.signedArea(), 1.0);
    // At a vertex the tangent is that of the edge leaving it; at the end,
    // that of the closing edge arriving back at vertex 0.
    EXPECT_DOUBLE_EQ(tangentAt(square, 1.0).toDouble(), ccPi / 2);
    EXPECT_DOUBLE_EQ(tangentAt(square, 4.0).toDouble(), -ccPi / 2);
    EXPECT_EQ(pointAt(square, 2.5), ccVector<2>(0.5, 1));
    EXPECT_EQ(pointAt(square, 9.0), ccVector<2>(0, 0));

    const ccPolyline cw = asPolyline(square.reverse());
    EXPECT_EQ(cw.vertices(), (std::vector<ccVector<2>>{{0, 0}, {0, 1}, {1, 1}, {1, 0}}));
    EXPECT_DOUBLE_EQ(cw.windingAngle({0.5, 0.5}), -ccTwoPi);

    // Only a closed polyline has the closing edge.
    const std::vector<ccVector<2>> triangle{{0, 0}, {3, 0}, {3, 4}};
    EXPECT_DOUBLE_EQ(ccPolyline(triangle, false).perimeter(), 7.0);
    EXPECT_DOUBLE_EQ(ccPolyline(triangle, true).perimeter(), 12.0);
    EXPECT_EQ(ccPolyline(triangle, true).endPoint(), ccVector<2>(0, 0));
}

TEST(Polyline, TangentRotationCountsSignedTurnsAtVertices) {
    // Left, right, left again: +90, -90, +90 degrees.
    const ccPolyline zigzag({{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}}, false);
    EXPECT_DOUBLE_EQ(zigzag.tangentRotation(), ccPi / 2);
    // Out and back: a full reversal counts +pi whichever way it is run.
    const ccPolyline spike({{0, 0}, {2, 0}, {1, 0}}, false);
    EXPECT_DOUBLE_EQ(spike.tangentRotation(), ccPi);
    EXPECT_DOUBLE_EQ(spike.reverse()->tangentRotation(), ccPi);
    // A doubled vertex neither turns nor breaks the turn across it.
    const ccPolyline withRepeat({{0, 0}, {1, 0}, {1, 0}, {1, 1}}, false);
    EXPECT_DOUBLE_EQ(withRepeat.tangentRotation(), ccPi / 2);
    EXPECT_DOUBLE_EQ(withRepeat.endAngle().toDouble(), ccPi / 2);
}

TEST(Polyline, DecompositionAndPiecesFollowTheVertices) {
    // Zero-length edges are left out of the decomposition.
    const ccPolyline p({{0, 0}, {2, 0}, {2, 0}, {2, 3}}, true);
    const auto tree = ccPtrHandle<ccContourTree>(p.decompose());
    ASSERT_EQ(tree->numChildren(), 3);
    EXPECT_TRUE(tree->isClosed());
    EXPECT_EQ(*tree->child(1), ccLineSeg({2, 0}, {2, 3}));
    EXPECT_EQ(*tree->child(2), ccLineSeg({2, 3}, {0, 0}));

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
    EXPECT_TRUE(ccPolyline(twice, true).within({0.5, 0.5}));
    const ccPolyline square(kUnitSquare, true);
    EXPECT_TRUE(square.within({1, 0.5}));
    EXPECT_FALSE(square.within({1.5, 0.5}));
    EXPECT_TRUE(square.reverse()->within({0.25, 0.75}));
    EXPECT_THROW(ccPolyline(kUnitSquare, false).within({0.5, 0.5}), ccShapesError::NotRegion);
}

TEST(Polyline, BadInputIsRefusedAndLeavesThePolylineUnchanged) {
    const double nan = std::nan("");
    EXPECT_THROW(ccPolyline({{0, 0}, {nan, 1}}, false), ccShapesError::BadParams);
    EXPECT_THROW(ccPolyline({{0, 0}, {INFINITY, 1}}, true), ccShapesError::BadParams);
    const ccPolyline empty;
    EXPECT_FALSE(empty.isOpenContour());
    EXPECT_THROW(empty.startPoint(), ccShapesError::BadParams);
    EXPECT_THROW(empty.endAngle(), ccShapesError::BadParams);
    EXPECT_THROW(empty.boundingBox(), ccShapesError::BadParams);
    EXPECT_THROW(empty.nearestPoint({0, 0}), ccShapesError::BadParams);

    ccPolyline p(kUnitSquare, true);
    EXPECT_THROW(p.vertices({{0, 0}, {0, nan}}), ccShapesError::BadParams);
    EXPECT_EQ(p, ccPolyline(kUnitSquare, true));
    EXPECT_THROW(pointAt(p, nan), ccShapesError::BadParams);
    ccVector<2> q;
    ccRadian t;
    EXPECT_THROW(p.perimPointAndTangent(ccPerimPos(1, 0.0), q, t), ccShapesError::BadParams);
}

// ---- Properties over random polylines ----

TEST(PolylineProperties, RandomPolylinesKeepEveryCurvePropertyAndMapEdgeByEdge) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 60; ++trial) {
        SCOPED_TRACE(trial);
        const ccPolyline p = shape_checks::randomPolyline(rng, trial % 2 == 0);
        shape_checks::checkCurve(p, rng, trial % 4 < 2, true);
        EXPECT_EQ(p.isRightHanded(), p.isClosed() && p.signedArea() > 0);
        EXPECT_NEAR(asPolyline(p.reverse()).signedArea(), -p.signedArea(), cc_tol::kCoincident);

        const auto tree = ccPtrHandle<ccContourTree>(p.decompose());
        EXPECT_EQ(tree->isClosed(), p.isClosed());
        for (long i = 0; i + 1 < tree->numChildren(); ++i)
            expectSamePoint(tree->child(i)->endPoint(), tree->child(i + 1)->startPoint());

        // An affine map stretches each edge by its own factor, so the same
        // fraction of the same edge is the image point.
        const ccXform<2> x = shape_checks::randomAffine(rng);
        const ccPolyline image = asPolyline(p.mapShape(x));
        const long edge = shape_checks::count(rng, 0, static_cast<int>(p.numEdges()) - 1);
        const double f = shape_checks::uniform(rng, 0.01, 0.99);
        const auto along = [&](const ccPolyline& q) {
            return q.arcLengthAtVertex(edge) +
                   f * (q.arcLengthAtVertex(edge + 1) - q.arcLengthAtVertex(edge));
        };
        expectSamePoint(pointAt(image, along(image)), x.mapPoint(pointAt(p, along(p))));
        if (p.arcLengthAtVertex(edge + 1) - p.arcLengthAtVertex(edge) > cc_tol::kCoincident)
            expectSameHeading(tangentAt(image, along(image)), x.mapAngle(tangentAt(p, along(p))));

        // The nearest point is no farther than any of a dense run along the polyline.
        const ccVector<2> q = shape_checks::randomPoint(rng, 100), nearest = p.nearestPoint(q);
        expectSamePoint(pointAt(p, p.nearestPerimPos(q).offset()), nearest);
        for (int k = 0; k <= 2000; ++k)
            EXPECT_LE((nearest - q).len(),
                      (pointAt(p, p.perimeter() * k / 2000) - q).len() + cc_tol::kCoincident);
    }
}

TEST(PolylineProperties, FastSamplingGivesExactlyTheShapeDefaultsSamples) {
    std::mt19937 rng(16);
    for (int trial = 0; trial < 200; ++trial) {
        const ccPolyline poly = shape_checks::randomPolyline(rng, trial % 2 == 0);
        // Whole vertices, offsets and spacings put samples exactly on vertices,
        // repeated ones included, and end runs exactly at the perimeter.
        std::vector<ccVector<2>> whole = poly.vertices();
        for (auto& v : whole) v = ccVector<2>(std::round(v.x()), std::round(v.y()));
        const ccPolyline lattice(whole, poly.isClosed());
        const ccLineSeg seg = shape_checks::randomSegment(rng);
        ccShape::ccSampleParams params(shape_checks::uniform(rng, -5, 5),
                                       shape_checks::uniform(rng, 0.2, 20), ccNoPointLimit,
                                       trial % 3 != 0, trial % 5 != 0);
        if (trial % 3 == 1) {
            params.startOffset(std::round(params.startOffset()));
            params.spacing(std::ceil(params.spacing() / 4));
        }
        // Uniform mode gives exactly maxPoints samples, so it always gets a limit.
        params.uniformMode(trial % 4 == 0);
        if (params.uniformMode() || trial % 7 < 3)
            params.maxPoints(shape_checks::count(rng, 1, 30));
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
