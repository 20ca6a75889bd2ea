#include <cmath>
#include <utility>

#include <gtest/gtest.h>

#include "tree_checks.h"
#include "vxstd12u/bezier.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/mappedshape.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/spline.h"

namespace {

// A mild perspective: straight lines stay straight, lengths do not scale evenly.
cc2XformPerspective camera() {
    const double h[9] = {1.2, 0.1, 3, -0.2, 0.9, 1, 0.01, 0.004, 1};
    return cc2XformPerspective(h);
}

ccShape::ccSampleResult samplesOf(const ccShape& shape, const ccShape::ccSampleParams& params) {
    ccShape::ccSampleResult result;
    shape.sample(params, result);
    return result;
}

}  // namespace

TEST(MappedShape, ChainsComposeAndShareAsAsked) {
    const auto seg = segment({1, 2}, {4, 6});
    const cc2Rigid turn(ccDegree(90), {10, 0});
    const cc2XformLinear scale(ccXform<2>(ccMatrix<2>::scale(2, 2), {}));
    auto inner = cfMakeHandle<ccMappedShape>(seg, turn, true);
    const ccMappedShape outer(inner, scale, false);
    EXPECT_EQ(inner->shape(), seg);
    EXPECT_NE(outer.shape(), ccPtrHandle_const<ccShape>(inner));
    EXPECT_EQ(outer.underlyingShape(), seg);  // the clone of inner still shares seg
    const ccVector<2> p(3, -1);
    expectSamePoint(outer.overallMapXform()->mapPoint(p), scale.mapPoint(turn.mapPoint(p)));
    expectSamePoint(outer.startPoint(), scale.mapPoint(turn.mapPoint({1, 2})));
    EXPECT_NEAR(outer.perimeter(), 10, 1e-12);
    EXPECT_TRUE(*outer.explicitShape() == *segment(outer.startPoint(), outer.endPoint()));

    EXPECT_THROW(ccMappedShape(ccPtrHandle_const<ccShape>(), turn, true), ccBadPointer);
    const ccMappedShape nothing;
    EXPECT_THROW(nothing.perimeter(), ccBadPointer);
    EXPECT_THROW(inner->shape(ccPtrHandle_const<ccShape>()), ccBadPointer);
}

// A rigid map keeps arc length, so the image's samples are the images of the
// shape's own; a point is within the image when its preimage is within the
// shape, and a mirror turns counter-clockwise into clockwise.
TEST(MappedShape, LinearMapsAnswerAsTheShapeMovedPointByPoint) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        RandomTrees random(seed);
        const auto contour = random.closedContour({0, 0}, 6);
        const auto own = sampleAt(*contour, 0.5);
        for (bool mirror : {false, true}) {
            const ccXform<2> x = random.rigid(mirror);
            const ccMappedShape mapped(contour, cc2XformLinear(x), true);
            EXPECT_NEAR(mapped.perimeter(), contour->perimeter(), treeTolerance());
            EXPECT_EQ(mapped.isRightHanded(), !mirror);
            const auto seen = sampleAt(mapped, 0.5);
            ASSERT_EQ(seen.positions().size(), own.positions().size());
            for (size_t i = 0; i < seen.positions().size(); ++i) {
                expectSamePoint(seen.positions()[i], x.mapPoint(own.positions()[i]));
                // One node: positions are arc lengths along the image.
                EXPECT_EQ(seen.perimPositions()[i].node(), 0);
                ccVector<2> p;
                ccRadian t;
                mapped.perimPointAndTangent(seen.perimPositions()[i], p, t);
                expectSamePoint(p, seen.positions()[i]);
            }
            const ccVector<2> q = random.randomPoint(10);
            EXPECT_EQ(mapped.within(q), contour->within(x.inverse().mapPoint(q)));
        }
    }
}

TEST(MappedShape, PerspectiveSamplesAreSpacedAlongTheImage) {
    const cc2XformPerspective view = camera();
    const ccMappedShape line(segment({0, 0}, {40, 10}), view, true);
    const ccVector<2> a = view.mapPoint({0, 0}), b = view.mapPoint({40, 10});
    EXPECT_NEAR(line.perimeter(), (b - a).len(), 1e-9);
    auto params = ccShape::ccSampleParams(0.0, 2.0, ccNoPointLimit, true, true);
    const auto samples = samplesOf(line, params);
    const auto& pts = samples.positions();
    ASSERT_GT(pts.size(), 3u);
    for (size_t i = 0; i + 2 < pts.size(); ++i) EXPECT_NEAR((pts[i + 1] - pts[i]).len(), 2.0, 1e-8);
    expectSamePoint(pts.back(), b, 1e-9);
    expectSameHeading(samples.tangents()[1], ccRadian((b - a).angle()), 1e-9);

    // A circle seen in perspective: every sample maps back onto the circle.
    const ccMappedShape ring(cfMakeHandle<ccCircle>(ccVector<2>(5, 5), 4.0), view, true);
    const auto inverse = view.inverse();
    const auto round =
        samplesOf(ring, ccShape::ccSampleParams(0.0, 0.25, ccNoPointLimit, true, true));
    double chords = 0.0;
    for (size_t i = 0; i < round.positions().size(); ++i) {
        EXPECT_NEAR((inverse->mapPoint(round.positions()[i]) - ccVector<2>(5, 5)).len(), 4.0, 1e-8);
        chords +=
            (round.positions()[(i + 1) % round.positions().size()] - round.positions()[i]).len();
    }
    EXPECT_NEAR(chords, ring.perimeter(), 1e-2);
    EXPECT_TRUE(ring.isRightHanded());
    EXPECT_TRUE(ring.within(view.mapPoint({5, 5})));
    EXPECT_NEAR(ring.windingAngle(view.mapPoint({6, 5})), ccTwoPi, 1e-9);
}

namespace {

// Twice the area the points enclose in order: positive when they run
// counter-clockwise.
double signedArea(const std::vector<ccVector<2>>& points) {
    double sum = 0.0;
    for (size_t i = 0; i < points.size(); ++i)
        sum += points[i].cross(points[(i + 1) % points.size()]);
    return sum;
}

}  // namespace

// A map mirrors where its derivative has a negative determinant; for a
// perspective map H that is det H / w^3, so an H with det H < 0 mirrors all
// of a shape where w > 0. A closed loop turns by 2 pi in the sense it runs,
// which the image's own samples show by the sign of the area they enclose.
TEST(MappedShape, MirroringMapsFlipHandednessWindingAndTurnLinearOrNot) {
    // camera() after x -> -x: its first column negated, so det H = -1.0668.
    const double h[9] = {-1.2, 0.1, 3, 0.2, 0.9, 1, -0.01, 0.004, 1};
    const cc2XformPerspective view = camera(), mirroredView(h);
    const cc2Rigid turn(ccDegree(40), {1, 2});
    const cc2XformLinear mirror(ccXform<2>(ccMatrix<2>(-1, 0, 0, 1), {2, 0}));
    const std::pair<const cc2XformBase*, bool> maps[] = {
        {&view, false}, {&mirroredView, true}, {&turn, false}, {&mirror, true}};
    const auto square =
        cfMakeHandle<ccPolyline>(std::vector<ccVector<2>>{{3, 3}, {7, 3}, {7, 7}, {3, 7}}, true);
    // A solid region runs counter-clockwise whichever way its boundary does,
    // and its image is a solid region again, so no map turns it round.
    struct Loop {
        ccPtrHandle_const<ccShape> shape;
        double sense;
        bool region;
    };
    const Loop loops[] = {{cfMakeHandle<ccCircle>(ccVector<2>(5, 5), 2.0), 1, false},
                          {square, 1, false},
                          {square->reverse(), -1, false},
                          {cfMakeHandle<ccRegionTree>(*square->reverse(), false), 1, true}};
    const auto params = ccShape::ccSampleParams(0.0, 0.25, ccNoPointLimit, true, true);
    // A quarter of a circle, counter-clockwise from (7, 5) to (5, 7).
    const auto arc =
        cfMakeHandle<ccEllipseArc2>(ccEllipse2({5, 5}, {2, 2}), ccRadian(0), ccRadian(ccPi / 2));
    for (const auto& [map, mirrors] : maps) {
        for (const Loop& loop : loops) {
            const ccMappedShape seen(loop.shape, *map, true);
            const double sense = mirrors && !loop.region ? -loop.sense : loop.sense;
            EXPECT_EQ(signedArea(samplesOf(seen, params).positions()) > 0, sense > 0);
            EXPECT_EQ(seen.isRightHanded(), sense > 0);
            EXPECT_NEAR(seen.tangentRotation(), sense * ccTwoPi, 1e-9);
            EXPECT_NEAR(seen.windingAngle(map->mapPoint({5, 5})), sense * ccTwoPi, 1e-9);
        }
        // An open arc turns from the image of its start tangent to that of its
        // end tangent, found here as short chords of the map across each end.
        const auto across = [&](const ccVector<2>& p, const ccVector<2>& t) {
            return map->mapPoint(p + t * 1e-6) - map->mapPoint(p - t * 1e-6);
        };
        const ccVector<2> start = across({7, 5}, {0, 1}), end = across({5, 7}, {-1, 0});
        const double bend = std::atan2(start.cross(end), start.dot(end));
        EXPECT_EQ(bend < 0, mirrors);
        EXPECT_NEAR(ccMappedShape(arc, *map, true).tangentRotation(), bend, 1e-6);
    }
}

TEST(MappedShape, OperationsGiveMappedShapes) {
    const auto square =
        cfMakeHandle<ccPolyline>(std::vector<ccVector<2>>{{0, 0}, {4, 0}, {4, 4}, {0, 4}}, true);
    const ccMappedShape mapped(square, camera(), true);
    EXPECT_EQ(mapped.isDecomposed(), square->isDecomposed());
    const auto parts = mapped.decompose();
    ASSERT_NE(parts.dynamicCast<const ccMappedShape>(), nullptr);
    EXPECT_TRUE(parts->isDecomposed());
    EXPECT_NEAR(parts->perimeter(), mapped.perimeter(), 1e-9);

    const auto reversed = mapped.reverse();
    EXPECT_NEAR(reversed->perimeter(), mapped.perimeter(), 1e-9);
    EXPECT_NE(reversed->isRightHanded(), mapped.isRightHanded());

    const ccXform<2> shift = ccXform<2>::translation({3, -2});
    const auto moved = mapped.mapShape(shift);
    ASSERT_NE(moved.dynamicCast<const ccMappedShape>(), nullptr);
    expectSamePoint(moved->startPoint(), shift.mapPoint(mapped.startPoint()), 1e-9);

    // Pieces of the image add up to the image.
    const ccShapeInfo info(mapped);
    const double length = info.perimeter(), cut = 0.37 * length;
    const auto first = mapped.subShape(info, {ccPerimPos(0, 0), cut});
    const auto second = mapped.subShape(info, {ccPerimPos(0, cut), length});
    EXPECT_NEAR(first->perimeter() + second->perimeter(), length, 1e-8);
    expectSamePoint(first->endPoint(), second->startPoint(), 1e-8);
    ccVector<2> p;
    ccRadian t;
    EXPECT_THROW(mapped.perimPointAndTangent(ccPerimPos(1, 0), p, t), ccShapesError::BadParams);
}

TEST(MappedShape, TreesInPerspectiveSampleChildByChild) {
    RandomTrees random(4);
    const auto tree = random.generalTree();
    const ccMappedShape mapped(tree, camera(), true);
    const auto direct = sampleAt(*tree, 3.0);
    const auto seen = sampleAt(mapped, 3.0);
    EXPECT_EQ(seen.numChains(), direct.numChains());
    EXPECT_EQ(seen.closedFlags(), direct.closedFlags());
    for (const auto& pos : seen.perimPositions()) EXPECT_EQ(pos.node(), 0);
    const auto inverse = camera().inverse();
    for (const auto& p : seen.positions())
        expectSamePoint(tree->nearestPoint(inverse->mapPoint(p)), inverse->mapPoint(p), 1e-7);
}

// Measuring a tree through a perspective map rebuilt the tree's node table at
// every evaluation of the length integral, so nested mapped trees ran for
// seconds and grew to gigabytes. Measured through the table built once, a
// line cut into many pieces is as long in the image as the uncut line. A
// zigzag's image was integrated in one go, on one split budget for all its
// kinks: 3,000 pieces came out a percent long. Measured piece by piece, it is
// as long as its pieces' images.
TEST(MappedShape, ManyPiecesInPerspectiveAreAsLongAsTheirImagesTogether) {
    auto pieces = cfMakeHandle<ccContourTree>(false);
    for (int i = 0; i < 200; ++i)
        pieces->addChild(cfMakeHandle<ccLineSeg>(ccVector<2>(i, 0), ccVector<2>(i + 1, 0)), true);
    const auto line = cfMakeHandle<ccLineSeg>(ccVector<2>(0, 0), ccVector<2>(200, 0));
    const double whole = ccMappedShape(line, camera(), true).perimeter();
    // Each length is within the integration's accuracy of the true one.
    EXPECT_NEAR(ccMappedShape(pieces, camera(), true).perimeter(), whole,
                2 * whole * cc_tol::kArcLengthRelative);

    auto zigzag = cfMakeHandle<ccContourTree>(false);
    double each = 0.0;
    for (int i = 0; i < 3000; ++i) {
        const auto piece =
            segment({i * 0.05, (i % 2) * 0.5}, {(i + 1) * 0.05, ((i + 1) % 2) * 0.5});
        zigzag->addChild(piece, true);
        each += ccMappedShape(piece, camera(), true).perimeter();
    }
    const ccMappedShape seen(zigzag, camera(), true);
    EXPECT_NEAR(seen.perimeter(), each, each * 1e3 * cc_tol::kArcLengthRelative);
    ccVector<2> p;
    ccRadian unused;
    seen.perimPointAndTangent(ccPerimPos(0, 0.37 * each), p, unused);
    EXPECT_NEAR(seen.nearestPerimPos(p).offset(), 0.37 * each, 1e-6 * each);
}

namespace {

// A shape that counts the points asked of it by arc length: the work of
// measuring its image under a perspective map.
template <class Shape>
class Counting : public Shape {
  public:
    using Shape::Shape;
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override {
        ++calls;
        Shape::perimPointAndTangent(pos, point, tangent);
    }
    mutable long calls = 0;
};

}  // namespace

// Sampling a perspective-mapped piece point by point measured its whole image
// again for every point (integrating from its start at each Newton step), so
// contours sampled uniformly at a few thousand points ran for minutes. However
// it is sampled, the piece's image is now measured once per call: the points
// asked of the inner segment grow by a bounded number per sample.
TEST(MappedShape, APerspectivePieceSampledAtManyPointsMeasuresItsImageOnce) {
    const auto inner = cfMakeHandle<Counting<ccLineSeg>>(ccVector<2>(0, 0), ccVector<2>(40, 10));
    const auto piece = cfMakeHandle<ccMappedShape>(inner, camera(), true);
    auto contour = cfMakeHandle<ccContourTree>(false);
    contour->addChild(segment(piece->startPoint() - ccVector<2>(5, 0), piece->startPoint()), true);
    contour->addChild(piece, true);
    const double length = contour->perimeter();

    auto callsFor = [&](long samples, bool viaContour, bool uniform) {
        ccShape::ccSampleParams params(0.0, length / samples, samples + 2, true, true);
        params.uniformMode(uniform);
        inner->calls = 0;
        ccShape::ccSampleResult result;
        (viaContour ? static_cast<const ccShape&>(*contour) : *piece).sample(params, result);
        EXPECT_GE(static_cast<long>(result.positions().size()), samples / 2);
        return inner->calls;
    };
    for (bool viaContour : {false, true})
        for (bool uniform : {false, true}) {
            const long few = callsFor(10, viaContour, uniform);
            const long many = callsFor(4000, viaContour, uniform);
            // A few Newton steps of one ten-point rule per sample.
            EXPECT_LT(many - few, 4000 * 100) << viaContour << uniform;
        }

    // Asked one by one, each point is the one the batch gives.
    const std::vector<double> offsets = {0.0, 3.5, 17.25, piece->perimeter()};
    std::vector<ccVector<2>> points(offsets.size());
    std::vector<ccRadian> tangents(offsets.size());
    piece->perimPointsAndTangents(offsets.data(), 4, points.data(), tangents.data());
    for (size_t k = 0; k < offsets.size(); ++k) {
        ccVector<2> p;
        ccRadian t;
        piece->perimPointAndTangent(ccPerimPos(0, offsets[k]), p, t);
        EXPECT_EQ(p, points[k]);
        EXPECT_EQ(t.toDouble(), tangents[k].toDouble());
    }
    expectSamePoint(points.back(), piece->endPoint(), 1e-12);
}

// The transform of a chain of mapped shapes is composed afresh on each query;
// the image under a perspective map kept only a reference to it, which the
// composition's temporary handle freed before the image was measured.
TEST(MappedShape, AChainEndingInPerspectiveMeasuresThroughItsComposedMap) {
    const cc2Rigid turn(ccDegree(30), {5, -2});
    const auto inner = cfMakeHandle<ccMappedShape>(segment({0, 0}, {40, 10}), camera(), true);
    const ccMappedShape chain(inner, turn, true);
    const ccMappedShape direct(segment({0, 0}, {40, 10}), *turn.compose(camera()), true);
    EXPECT_EQ(chain.perimeter(), direct.perimeter());
    const auto params = ccShape::ccSampleParams(0.0, 1.5, ccNoPointLimit, true, true);
    EXPECT_EQ(samplesOf(chain, params).positions(), samplesOf(direct, params).positions());
    const ccShapeInfo info(chain);
    EXPECT_EQ(chain.subShape(info, {ccPerimPos(0, 2), 9})->endPoint(),
              direct.subShape(info, {ccPerimPos(0, 2), 9})->endPoint());
}

// A piece crossing the horizon runs out to infinity and back. Its length
// integral never settled, so every measure spent the whole split budget on the
// pole (seconds per query) and then answered a finite, meaningless length.
// Such a piece is refused; pieces of a tree that each stay on one side are not.
TEST(MappedShape, APieceCrossingTheHorizonIsRefusedInsteadOfGivenAFiniteLength) {
    // camera()'s horizon crosses the x axis at x = -100.
    const auto across = segment({-150, 0}, {0, 0});
    const auto curve = cfMakeHandle<ccBezierCurve>(ccVector<2>(-150, 0), ccVector<2>(-60, 30),
                                                   ccVector<2>(-30, -30), ccVector<2>(0, 0));
    const auto params = ccShape::ccSampleParams(0.0, 1.5, ccNoPointLimit, true, true);
    for (const auto& inner : {across, ccPtrHandle_const<ccShape>(curve)}) {
        const ccMappedShape mapped(inner, camera(), true);
        EXPECT_THROW(mapped.perimeter(), ccShapesError::BadParams);
        EXPECT_THROW(samplesOf(mapped, params), ccShapesError::BadParams);
        EXPECT_THROW(mapped.boundingBox(), ccShapesError::BadParams);
        EXPECT_THROW(mapped.nearestPoint({0, 0}), ccShapesError::BadParams);
    }

    // Just past the horizon at its end: the integral split towards the pole
    // until its budget ran out before it looked beyond it.
    const auto grazing =
        cfMakeHandle<Counting<ccLineSeg>>(ccVector<2>(0, 0), ccVector<2>(-100.001, 0));
    EXPECT_THROW(ccMappedShape(grazing, camera(), true).perimeter(), ccShapesError::BadParams);
    EXPECT_LT(grazing->calls, 100);

    auto contour = cfMakeHandle<ccContourTree>(false);
    contour->addChild(segment({-150, 0}, {-120, 0}), true);
    contour->addChild(segment({-120, 0}, {-60, 0}), true);
    EXPECT_THROW(ccMappedShape(contour, camera(), true).perimeter(), ccShapesError::BadParams);

    const auto far = segment({-150, 0}, {-120, 0}), near = segment({0, 0}, {10, 0});
    auto apart = cfMakeHandle<ccGeneralShapeTree>();
    apart->addChild(far, true);
    apart->addChild(near, true);
    const double each = ccMappedShape(far, camera(), true).perimeter() +
                        ccMappedShape(near, camera(), true).perimeter();
    EXPECT_NEAR(ccMappedShape(apart, camera(), true).perimeter(), each,
                2 * each * cc_tol::kArcLengthRelative);
}

namespace {

// The length of the image under `xform` of `own`'s curve, as a polyline
// through n of its points.
double chordLength(const ccCurveParametrisation& own, const cc2XformBase& xform, int n) {
    double length = 0.0;
    ccVector<2> previous, p, d;
    ccRadian a;
    for (int k = 0; k <= n; ++k) {
        own.pointAt(own.end() * k / n, p, d, a);
        const ccVector<2> image = xform.mapPoint(p);
        if (k > 0) length += (image - previous).len();
        previous = image;
    }
    return length;
}

}  // namespace

// Curves measured numerically (ellipses, arcs, Bezier curves, splines) were
// found point by point through an arc-length search inside the integral of
// their perspective image; the search's tolerance left the integrand rough,
// so the integral never settled and spent its whole split budget (a spline
// of long and short pieces ran for minutes). Their own parameter reaches the
// same points directly and smoothly.
TEST(MappedShape, NumericallyMeasuredCurvesAreReadThroughTheirOwnParameter) {
    std::mt19937 rng(17);
    const double h[9] = {1.1, 0.2, 4, -0.1, 0.95, 2, 0.002, 0.001, 1};
    const cc2XformPerspective gentle(h);
    for (int trial = 0; trial < 12; ++trial) {
        std::vector<ccPtrHandle_const<ccShape>> curves = {
            cfMakeHandle<ccEllipse2>(shape_checks::randomEllipse(rng)),
            cfMakeHandle<ccEllipseArc2>(shape_checks::randomArc(rng)),
            cfMakeHandle<ccBezierCurve>(
                shape_checks::randomPoint(rng, 100), shape_checks::randomPoint(rng, 100),
                shape_checks::randomPoint(rng, 100), shape_checks::randomPoint(rng, 100)),
            cfMakeHandle<ccInterpSpline>(ccPointList{shape_checks::randomPoint(rng, 100),
                                                     shape_checks::randomPoint(rng, 100),
                                                     shape_checks::randomPoint(rng, 100),
                                                     shape_checks::randomPoint(rng, 100)},
                                         shape_checks::coin(rng))};
        for (const auto& curve : curves) {
            const auto own = curve->ownParametrisation();
            ASSERT_TRUE(own);
            EXPECT_NEAR(own->arcLengthAt(own->end()), curve->perimeter(),
                        curve->perimeter() * shape_checks::kLengthRelative);
            for (double f : {0.0, 0.3, 0.71, 1.0}) {
                const double t = own->end() * f, step = own->end() * 1e-6;
                ccVector<2> p, d, before, after, unused;
                ccRadian a, ignored;
                own->pointAt(t, p, d, a);
                expectSamePoint(p, pointAt(*curve, own->arcLengthAt(t)));
                expectSameHeading(a, shape_checks::tangentAt(*curve, own->arcLengthAt(t)));
                own->pointAt(t - step, before, unused, ignored);
                own->pointAt(t + step, after, unused, ignored);
                // One-sided at the ends, where the parameter is clamped.
                const double width = std::min(t + step, own->end()) - std::max(t - step, 0.0);
                expectSamePoint((after - before) / width, d, 1e-4 * (d.len() + 1));
            }
            const double length = ccMappedShape(curve, gentle, true).perimeter();
            EXPECT_NEAR(length, chordLength(*own, gentle, 20000), 1e-6 * length);
        }
    }

    const auto counted = cfMakeHandle<Counting<ccEllipse2>>(ccVector<2>(10, 5), ccVector<2>(30, 12),
                                                            ccRadian(0.4), true, ccRadian(1));
    const ccMappedShape seen(counted, gentle, true);
    EXPECT_GT(seen.perimeter(), 0.0);
    EXPECT_EQ(counted->calls, 0);
}

// A tree under a perspective map asked each mapped leaf for its points one by
// one: a linearly mapped leaf rebuilt its image shape at every evaluation of
// the integral, and a leaf under a perspective map of its own measured its
// whole image again each time (one input ran for minutes and past 2 GB under
// the address sanitizer). Each leaf's image is now made or measured once, and
// the tree's image is as long as the leaf seen through both maps at once.
TEST(MappedShape, MappedLeavesOfATreeInPerspectiveAreMeasuredOnce) {
    const double h[9] = {0.9, -0.1, 2, 0.15, 1.1, -1, -0.003, 0.006, 1};
    const cc2XformPerspective near(h);
    const cc2Rigid turn(ccDegree(30), {5, -2});
    for (const cc2XformBase* leafMap :
         {static_cast<const cc2XformBase*>(&turn), static_cast<const cc2XformBase*>(&near)}) {
        const auto inner =
            cfMakeHandle<Counting<ccLineSeg>>(ccVector<2>(0, 0), ccVector<2>(40, 10));
        auto tree = cfMakeHandle<ccGeneralShapeTree>();
        tree->addChild(cfMakeHandle<ccMappedShape>(inner, *leafMap, true), true);
        const double seen = ccMappedShape(tree, camera(), true).perimeter();
        const long calls = inner->calls;
        const double direct =
            ccMappedShape(segment({0, 0}, {40, 10}), *camera().compose(*leafMap), true).perimeter();
        EXPECT_NEAR(seen, direct, direct * 1e3 * cc_tol::kArcLengthRelative);
        EXPECT_LT(calls, 20000);
    }
}

// A segment a trillion units out, seen close to the vanishing point, has an
// image a few billionths long whose speed is mostly rounding noise: its length
// integral chased relative accuracy in that noise through its whole split
// budget, for every measure. Differences far below the coincidence distance
// now settle it.
TEST(MappedShape, AnImageThatIsAlmostAPointIsMeasuredWithoutChasingNoise) {
    const auto far = cfMakeHandle<Counting<ccLineSeg>>(ccVector<2>(1e12, 0), ccVector<2>(3e12, 0));
    const double length = ccMappedShape(far, camera(), true).perimeter();
    // The image of a segment is the segment between the images of its ends.
    const double chord =
        (camera().mapPoint(far->endPoint()) - camera().mapPoint(far->startPoint())).len();
    EXPECT_NEAR(length, chord, 1e-4 * chord);
    EXPECT_LT(far->calls, 20000);
}
