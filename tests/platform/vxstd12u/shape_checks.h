// The checks every finite curve and every region made of loops (rings,
// generalized and affine rectangles) must pass, the seeded random shapes and
// transforms they run under, and the comparisons the shape tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "vxstd12u/composed.h"
#include "vxstd12u/ellipse.h"
#include "vxstd12u/line.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/tolerances.h"

namespace shape_checks {

// Positions on a shape are found to cc_tol::kArcParameterRelative of a
// length, and integration over a handful of pieces repeats that error.
constexpr double kLengthRelative = 1000 * cc_tol::kArcParameterRelative;
constexpr double kAngleSlack = 1e6 * cc_tol::kAngle;
// Test shapes stay within a few hundred units, where computed points agree
// far below the coincidence tolerance scaled by this factor; a wrong sign,
// order or joint moves them by the size of the shape.
constexpr double kSamePoint = 1000 * cc_tol::kCoincident;
// Closed-form results of magnitude up to a few hundred: a few roundings off.
constexpr double kRoundoff = 1e-12;

inline double scaleOf(const ccShape& s) {
    return std::max(1.0, s.perimeter());
}

inline double uniform(std::mt19937& rng, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}

inline int count(std::mt19937& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

inline ccVector<2> randomPoint(std::mt19937& rng, double extent) {
    return ccVector<2>(uniform(rng, -extent, extent), uniform(rng, -extent, extent));
}

inline bool coin(std::mt19937& rng) {
    return std::bernoulli_distribution(0.5)(rng);
}

inline ccRadian randomAngle(std::mt19937& rng) {
    return ccRadian(uniform(rng, -ccPi, ccPi));
}

inline double angleGap(const ccRadian& a, const ccRadian& b) {
    return std::fabs((a - b).signedNorm().toDouble());
}

inline void expectSamePoint(const ccVector<2>& a, const ccVector<2>& b,
                            double tolerance = kSamePoint) {
    EXPECT_LE((a - b).len(), tolerance)
        << "(" << a.x() << ", " << a.y() << ") vs (" << b.x() << ", " << b.y() << ")";
}

inline void expectSameHeading(const ccRadian& a, const ccRadian& b, double tolerance = kSamePoint) {
    EXPECT_LE(angleGap(a, b), tolerance) << a.toDouble() << " vs " << b.toDouble();
}

inline void pointAt(const ccShape& shape, double offset, ccVector<2>& p, ccRadian& t) {
    shape.perimPointAndTangent(ccPerimPos(0, offset), p, t);
}

inline ccVector<2> pointAt(const ccShape& shape, double offset) {
    ccVector<2> p;
    ccRadian t;
    pointAt(shape, offset, p, t);
    return p;
}

inline ccRadian tangentAt(const ccShape& shape, double offset) {
    ccVector<2> p;
    ccRadian t;
    pointAt(shape, offset, p, t);
    return t;
}

// Samples every `spacing` with tangents and perimeter positions.
inline ccShape::ccSampleResult sampleAt(const ccShape& shape, double spacing,
                                        bool duplicates = true) {
    ccShape::ccSampleParams params(0.0, spacing, ccNoPointLimit, true, duplicates);
    params.perimPosRequested(true);
    ccShape::ccSampleResult result;
    shape.sample(params, result);
    return result;
}

// The signed area that samples every `spacing` enclose, chain by chain:
// positive where the shape runs counter-clockwise.
inline double sampledArea(const ccShape& shape, double spacing) {
    const auto samples = sampleAt(shape, spacing);
    double area = 0.0;
    for (long c = 0; c < samples.numChains(); ++c) {
        const long first = samples.breaks()[c], n = samples.chainLength(c);
        for (long i = 0; i < n; ++i) {
            const auto& a = samples.positions()[first + i];
            const auto& b = samples.positions()[first + (i + 1) % n];
            area += 0.5 * a.cross(b);
        }
    }
    return area;
}

inline ccCircle randomCircle(std::mt19937& rng) {
    return ccCircle(randomPoint(rng, 100), uniform(rng, 0.5, 60));
}

inline ccEllipse2 randomEllipse(std::mt19937& rng) {
    return ccEllipse2(randomPoint(rng, 100), {uniform(rng, 0.5, 60), uniform(rng, 0.5, 60)},
                      randomAngle(rng), coin(rng), randomAngle(rng));
}

// Spans of either sign, from a tenth of a radian to a full turn.
inline ccEllipseArc2 randomArc(std::mt19937& rng) {
    const double span = uniform(rng, 0.1, ccTwoPi) * (coin(rng) ? 1 : -1);
    return ccEllipseArc2(randomEllipse(rng), ccRadian(uniform(rng, -ccTwoPi, ccTwoPi)),
                         ccRadian(span));
}

// Random vertices, now and then one repeated so that zero-length edges get
// exercised.
inline ccPolyline randomPolyline(std::mt19937& rng, bool closed) {
    std::vector<ccVector<2>> vertices;
    for (int n = count(rng, closed ? 3 : 2, 9); n > 0; --n) {
        vertices.push_back(randomPoint(rng, 100));
        if (count(rng, 0, 7) == 0) vertices.push_back(vertices.back());
    }
    return ccPolyline(vertices, closed);
}

inline ccLineSeg randomSegment(std::mt19937& rng) {
    return ccLineSeg(randomPoint(rng, 100), randomPoint(rng, 100));
}

// Every sample lies on the shape, and the point at the position it reports
// is that sample, with its tangent unless the sample may sit on a corner.
inline void expectSamplesWhereTheySay(const ccShape& shape, const ccShape::ccSampleResult& result,
                                      bool cornered = false) {
    const double scale = scaleOf(shape);
    ASSERT_EQ(result.perimPositions().size(), result.positions().size());
    for (size_t k = 0; k < result.positions().size(); ++k) {
        const ccVector<2> p = result.positions()[k];
        EXPECT_LE((shape.nearestPoint(p) - p).len(), kLengthRelative * scale) << "sample " << k;
        ccVector<2> q;
        ccRadian t;
        shape.perimPointAndTangent(result.perimPositions()[k], q, t);
        EXPECT_LE((p - q).len(), kLengthRelative * scale) << "sample " << k;
        if (!cornered) {
            EXPECT_LE(angleGap(t, result.tangents()[k]), kAngleSlack) << "sample " << k;
        }
    }
}

// Reversing twice gives an equal shape; once, it keeps the perimeter, starts
// where a curve ended (where a region started), flips handedness and tangent
// rotation, and runs the first `run` of the perimeter (a curve, or a region's
// outer loop) backwards: the point at s becomes the point at run - s, its
// tangent turned round.
inline void expectReversal(const ccShape& shape, double run) {
    const auto reversed = shape.reverse();
    EXPECT_TRUE(*reversed->reverse() == shape);
    EXPECT_FALSE(*reversed == shape);
    const double scale = scaleOf(shape);
    EXPECT_NEAR(reversed->perimeter(), shape.perimeter(), kLengthRelative * scale);
    EXPECT_NEAR(reversed->tangentRotation(), -shape.tangentRotation(), kAngleSlack);
    if (shape.isRegion()) {
        EXPECT_NE(reversed->isRightHanded(), shape.isRightHanded());
        EXPECT_LE((reversed->startPoint() - shape.startPoint()).len(), kLengthRelative * scale);
    } else {
        EXPECT_LE((reversed->startPoint() - shape.endPoint()).len(), kLengthRelative * scale);
        EXPECT_LE((reversed->endPoint() - shape.startPoint()).len(), kLengthRelative * scale);
    }
    for (double f : {0.1, 0.37, 0.63, 0.81}) {
        ccVector<2> p, q;
        ccRadian tp, tq;
        pointAt(shape, f * run, p, tp);
        pointAt(*reversed, (1 - f) * run, q, tq);
        EXPECT_LE((p - q).len(), kLengthRelative * scale) << "fraction " << f;
        EXPECT_LE(angleGap(tp + ccRadian(ccPi), tq), kAngleSlack) << "fraction " << f;
    }
}

// Pieces cut at increasing arc lengths run from cut to cut, lie on the
// shape, and each is as long as the run between its cuts: a position found
// by the wrong parameter would still give pieces that add up to the whole.
inline void expectPiecesAddUp(const ccShape& shape, std::vector<double> cuts) {
    const double length = shape.perimeter(), scale = scaleOf(shape);
    cuts.insert(cuts.begin(), 0.0);
    cuts.push_back(length);
    const ccShapeInfo info(shape);
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        const auto piece = shape.subShape(info, {ccPerimPos(0, cuts[i]), cuts[i + 1] - cuts[i]});
        EXPECT_NEAR(piece->perimeter(), cuts[i + 1] - cuts[i], kLengthRelative * scale)
            << "piece " << i;
        ccVector<2> from, to, inside;
        ccRadian unused;
        pointAt(shape, cuts[i], from, unused);
        pointAt(shape, cuts[i + 1], to, unused);
        EXPECT_LE((piece->startPoint() - from).len(), kLengthRelative * scale) << "piece " << i;
        EXPECT_LE((piece->endPoint() - to).len(), kLengthRelative * scale) << "piece " << i;
        for (double f : {0.25, 0.5, 0.75}) {
            pointAt(*piece, f * piece->perimeter(), inside, unused);
            EXPECT_LE((shape.nearestPoint(inside) - inside).len(), kLengthRelative * scale)
                << "piece " << i << " at fraction " << f;
        }
    }
}

// `count` increasing cut positions strictly inside (0, length).
inline std::vector<double> randomCuts(std::mt19937& rng, double length, int count) {
    std::vector<double> cuts;
    for (int i = 0; i < count; ++i) cuts.push_back(uniform(rng, 0.0, length));
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

// A rotation, a scale in [0.5, 3] (received by `scale`), a shift, and a
// mirror when asked.
inline ccXform<2> randomSimilarity(std::mt19937& rng, double& scale, bool mirror) {
    const ccRadian angle(uniform(rng, -ccPi, ccPi));
    scale = uniform(rng, 0.5, 3.0);
    const ccMatrix<2> m =
        ccMatrix<2>::rotation(angle) * ccMatrix<2>::scale(scale, mirror ? -scale : scale);
    return ccXform<2>(m, randomPoint(rng, 10.0));
}

// A rotation, possibly mirrored, and a shift.
inline ccXform<2> randomRigid(std::mt19937& rng) {
    const ccMatrix<2> rotation = ccMatrix<2>::rotation(ccRadian(uniform(rng, -ccPi, ccPi)));
    const ccMatrix<2> mirror = coin(rng) ? ccMatrix<2>::scale(1, -1) : ccMatrix<2>();
    return ccXform<2>(rotation * mirror, randomPoint(rng, 30));
}

// Any well-conditioned affine map, mirroring or not.
inline ccXform<2> randomAffine(std::mt19937& rng) {
    for (;;) {
        const ccMatrix<2> m(uniform(rng, -2, 2), uniform(rng, -2, 2), uniform(rng, -2, 2),
                            uniform(rng, -2, 2));
        if (std::fabs(m.determinant()) > 0.5) return ccXform<2>(m, randomPoint(rng, 30));
    }
}

// Under a similarity with scale `s`, sampling the image every s * d gives
// the images of the samples taken every d, tangents mapped too.
inline void expectMapCommutesWithSampling(const ccShape& shape, const ccXform<2>& similarity,
                                          double scale, double spacing) {
    const auto image = shape.mapShape(similarity);
    const auto before = sampleAt(shape, spacing);
    const auto after = sampleAt(*image, spacing * scale);
    ASSERT_EQ(before.positions().size(), after.positions().size());
    const double tolerance = kLengthRelative * scaleOf(*image);
    for (size_t k = 0; k < before.positions().size(); ++k) {
        EXPECT_LE((similarity.mapPoint(before.positions()[k]) - after.positions()[k]).len(),
                  tolerance)
            << "sample " << k;
        EXPECT_LT(angleGap(similarity.mapAngle(before.tangents()[k]), after.tangents()[k]),
                  kAngleSlack)
            << "sample " << k;
    }
}

// Every property a finite curve keeps: samples where they say (evenly spread
// unless the curve is `cornered` and samples its corners too), reversal,
// mapping against sampling, pieces that add up.
inline void checkCurve(const ccShape& curve, std::mt19937& rng, bool mirror,
                       bool cornered = false) {
    const double length = curve.perimeter(), spacing = length / 17.5;
    const auto samples = sampleAt(curve, spacing);
    ASSERT_GE(samples.positions().size(), 2u);
    expectSamplesWhereTheySay(curve, samples, cornered);
    for (size_t k = 1; !cornered && k + 1 < samples.perimPositions().size(); ++k) {
        EXPECT_NEAR(samples.perimPositions()[k].offset() - samples.perimPositions()[k - 1].offset(),
                    spacing, kLengthRelative * scaleOf(curve))
            << "sample " << k;
    }
    expectReversal(curve, length);
    double scale = 1.0;
    const ccXform<2> similarity = randomSimilarity(rng, scale, mirror);
    expectMapCommutesWithSampling(curve, similarity, scale, length / 9.5);
    expectPiecesAddUp(curve, randomCuts(rng, length, 3));
}

inline double outerLoopLength(const ccComposedShape& shape) {
    double sum = 0;
    const auto loops = shape.loops();
    for (const auto& piece : loops.front()) sum += piece->perimeter();
    return sum;
}

// Sampling gives one closed chain per loop; the decomposition keeps the
// perimeter, the start and the inside.
inline void expectSamplesAndDecomposition(const ccComposedShape& shape, std::mt19937& rng) {
    const double scale = scaleOf(shape);
    const auto result = sampleAt(shape, shape.perimeter() / 53);
    EXPECT_EQ(result.numChains(), static_cast<long>(shape.loops().size()));
    expectSamplesWhereTheySay(shape, result);

    const auto parts = shape.decompose();
    EXPECT_NEAR(parts->perimeter(), shape.perimeter(), kLengthRelative * scale);
    EXPECT_LE((parts->startPoint() - shape.startPoint()).len(), kLengthRelative * scale);
    const ccRect box = shape.boundingBox();
    for (int i = 0; i < 40; ++i) {
        const ccVector<2> p(uniform(rng, box.xMin() - 1, box.xMax() + 1),
                            uniform(rng, box.yMin() - 1, box.yMax() + 1));
        EXPECT_EQ(parts->within(p), shape.within(p)) << p.x() << ", " << p.y();
        EXPECT_NEAR(std::fabs(shape.windingAngle(p)), shape.within(p) ? ccTwoPi : 0.0, kAngleSlack);
    }
}

// The image of a region starts at the image of the start point, runs in the
// image of the direction of travel, keeps the order of points along the
// outer loop, and has the images of the inside points inside. A rigid map
// keeps the perimeter.
inline void expectMapping(const ccComposedShape& shape, const ccXform<2>& xform,
                          std::mt19937& rng) {
    const auto image = shape.mapShape(xform);
    const double scale = scaleOf(*image) + scaleOf(shape);
    EXPECT_LE((image->startPoint() - xform.mapPoint(shape.startPoint())).len(),
              kLengthRelative * scale);
    // A region tree runs its boundary in the sense of its standing, whatever the map did.
    if (image.dynamicCast<const ccRegionTree>() == nullptr ||
        shape.isRightHanded() != (xform.determinant() < 0)) {
        EXPECT_LE(angleGap(image->startAngle(), xform.mapAngle(shape.startAngle())), kAngleSlack);
        EXPECT_EQ(image->isRightHanded(), shape.isRightHanded() != (xform.determinant() < 0));
    }
    if (xform.matrix().isOrthonormal()) {
        EXPECT_NEAR(image->perimeter(), shape.perimeter(), kLengthRelative * scale);
    }

    const double outer = outerLoopLength(shape);
    const ccShapeInfo imageInfo(*image);
    double last = -1;
    for (int k = 1; k < 20; ++k) {
        ccVector<2> p;
        ccRadian t;
        pointAt(shape, outer * k / 20, p, t);
        const ccVector<2> q = xform.mapPoint(p);
        EXPECT_LE((image->nearestPoint(q) - q).len(), kLengthRelative * scale) << "offset " << k;
        const double offset = imageInfo.arcLength(image->nearestPerimPos(q));
        EXPECT_GT(offset, last) << "offset " << k;
        last = offset;
    }
    const ccRect box = shape.boundingBox();
    for (int i = 0; i < 30; ++i) {
        const ccVector<2> p(uniform(rng, box.xMin(), box.xMax()),
                            uniform(rng, box.yMin(), box.yMax()));
        if ((shape.nearestPoint(p) - p).len() < 1e3 * cc_tol::kCoincident * scale) continue;
        EXPECT_EQ(image->within(xform.mapPoint(p)), shape.within(p)) << p.x() << ", " << p.y();
    }
}

// All the region checks, for `count` random shapes from `make`.
template <class Make>
void checkRandomRegions(unsigned seed, int count, Make make) {
    std::mt19937 rng(seed);
    for (int i = 0; i < count; ++i) {
        const auto shape = make(rng);
        SCOPED_TRACE(::testing::Message() << "seed " << seed << ", shape " << i);
        expectReversal(shape, outerLoopLength(shape));
        expectSamplesAndDecomposition(shape, rng);
        expectMapping(shape, randomRigid(rng), rng);
        expectMapping(shape, randomAffine(rng), rng);
        expectPiecesAddUp(shape, randomCuts(rng, shape.perimeter(), 4));
    }
}

}  // namespace shape_checks
