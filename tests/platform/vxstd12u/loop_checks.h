// Checks every region made of loops (rings, generalized and affine
// rectangles) must pass, and the random transforms they are run under.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "vxstd12u/composed.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/tolerances.h"

namespace loop_checks {

// Lengths and positions are exact up to the arc-length integration of the
// elliptical pieces, repeated over a handful of pieces.
constexpr double kRelative = 1000 * cc_tol::kArcParameterRelative;
constexpr double kAngleSlack = 1e6 * cc_tol::kAngle;

inline double scaleOf(const ccShape& s) {
    return std::max(1.0, s.perimeter());
}

inline double uniform(std::mt19937& rng, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}

inline ccVector<2> randomPoint(std::mt19937& rng, double extent) {
    return ccVector<2>(uniform(rng, -extent, extent), uniform(rng, -extent, extent));
}

inline bool coin(std::mt19937& rng) {
    return std::bernoulli_distribution(0.5)(rng);
}

inline double angleGap(const ccRadian& a, const ccRadian& b) {
    return std::fabs((a - b).signedNorm().toDouble());
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

inline double outerLoopLength(const ccComposedShape& shape) {
    double sum = 0;
    const auto loops = shape.loops();
    for (const auto& piece : loops.front()) sum += piece->perimeter();
    return sum;
}

inline void pointAt(const ccShape& shape, double offset, ccVector<2>& p, ccRadian& t) {
    shape.perimPointAndTangent(ccPerimPos(0, offset), p, t);
}

// Reversing twice gives an equal shape; once, it keeps the perimeter and the
// start point, flips handedness and tangent rotation, and runs the outer loop
// backwards: the point at s becomes the point at L - s, its tangent turned round.
inline void expectReversal(const ccComposedShape& shape) {
    const auto reversed = shape.reverse();
    EXPECT_TRUE(*reversed->reverse() == shape);
    EXPECT_FALSE(*reversed == shape);
    const double scale = scaleOf(shape), outer = outerLoopLength(shape);
    EXPECT_NEAR(reversed->perimeter(), shape.perimeter(), kRelative * scale);
    EXPECT_NE(reversed->isRightHanded(), shape.isRightHanded());
    EXPECT_NEAR(reversed->tangentRotation(), -shape.tangentRotation(), kAngleSlack);
    EXPECT_LE((reversed->startPoint() - shape.startPoint()).len(), kRelative * scale);
    for (double f : {0.1, 0.37, 0.63, 0.81}) {
        ccVector<2> p, q;
        ccRadian tp, tq;
        pointAt(shape, f * outer, p, tp);
        pointAt(*reversed, (1 - f) * outer, q, tq);
        EXPECT_LE((p - q).len(), kRelative * scale) << "fraction " << f;
        EXPECT_LE(angleGap(tp + ccRadian(ccPi), tq), kAngleSlack) << "fraction " << f;
    }
}

// Samples lie on the shape, one closed chain per loop, at the offsets they
// report; the decomposition keeps the perimeter and the inside.
inline void expectSamplesAndDecomposition(const ccComposedShape& shape, std::mt19937& rng) {
    const double scale = scaleOf(shape);
    ccShape::ccSampleParams params(0.0, shape.perimeter() / 53, ccNoPointLimit, true, true);
    params.perimPosRequested(true);
    ccShape::ccSampleResult result;
    shape.sample(params, result);
    EXPECT_EQ(result.numChains(), static_cast<long>(shape.loops().size()));
    ASSERT_EQ(result.perimPositions().size(), result.positions().size());
    for (size_t k = 0; k < result.positions().size(); ++k) {
        const ccVector<2> p = result.positions()[k];
        EXPECT_LE((shape.nearestPoint(p) - p).len(), kRelative * scale) << "sample " << k;
        ccVector<2> q;
        ccRadian t;
        pointAt(shape, result.perimPositions()[k].offset(), q, t);
        EXPECT_LE((p - q).len(), kRelative * scale) << "sample " << k;
        EXPECT_LE(angleGap(t, result.tangents()[k]), kAngleSlack) << "sample " << k;
    }

    const auto parts = shape.decompose();
    EXPECT_NEAR(parts->perimeter(), shape.perimeter(), kRelative * scale);
    EXPECT_LE((parts->startPoint() - shape.startPoint()).len(), kRelative * scale);
    const ccRect box = shape.boundingBox();
    for (int i = 0; i < 40; ++i) {
        const ccVector<2> p(uniform(rng, box.xMin() - 1, box.xMax() + 1),
                            uniform(rng, box.yMin() - 1, box.yMax() + 1));
        EXPECT_EQ(parts->within(p), shape.within(p)) << p.x() << ", " << p.y();
        EXPECT_NEAR(std::fabs(shape.windingAngle(p)), shape.within(p) ? ccTwoPi : 0.0, kAngleSlack);
    }
}

// Mapping then sampling agrees with sampling then mapping: the image starts
// at the image of the start point, runs in the image of the direction of
// travel, holds the images of the samples, and has the images of the inside
// points inside. A rigid map keeps the perimeter.
inline void expectMapping(const ccComposedShape& shape, const ccXform<2>& xform,
                          std::mt19937& rng) {
    const auto image = shape.mapShape(xform);
    const double scale = scaleOf(*image) + scaleOf(shape);
    EXPECT_LE((image->startPoint() - xform.mapPoint(shape.startPoint())).len(), kRelative * scale);
    // A region tree runs its boundary in the sense of its standing, whatever the map did.
    if (image.dynamicCast<const ccRegionTree>() == nullptr ||
        shape.isRightHanded() != (xform.determinant() < 0)) {
        EXPECT_LE(angleGap(image->startAngle(), xform.mapAngle(shape.startAngle())), kAngleSlack);
        EXPECT_EQ(image->isRightHanded(), shape.isRightHanded() != (xform.determinant() < 0));
    }
    if (xform.matrix().isOrthonormal()) {
        EXPECT_NEAR(image->perimeter(), shape.perimeter(), kRelative * scale);
    }

    // Along the outer loop, the images of increasing offsets keep increasing on the image.
    const double outer = outerLoopLength(shape);
    const ccShapeInfo imageInfo(*image);
    double last = -1;
    for (int k = 1; k < 20; ++k) {
        ccVector<2> p;
        ccRadian t;
        pointAt(shape, outer * k / 20, p, t);
        const ccVector<2> q = xform.mapPoint(p);
        EXPECT_LE((image->nearestPoint(q) - q).len(), kRelative * scale) << "offset " << k;
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

// A piece of the perimeter is as long as asked, starts where asked, and a
// failed request changes nothing.
inline void expectPieces(const ccComposedShape& shape, std::mt19937& rng) {
    const ccShapeInfo info(shape);
    const double length = shape.perimeter(), scale = scaleOf(shape);
    for (int i = 0; i < 5; ++i) {
        const double from = uniform(rng, 0, length), span = uniform(rng, 0, length - from);
        const auto piece = shape.subShape(info, {ccPerimPos(0, from), span});
        EXPECT_NEAR(piece->perimeter(), span, kRelative * scale);
        ccVector<2> p;
        ccRadian t;
        pointAt(shape, from, p, t);
        EXPECT_LE((piece->startPoint() - p).len(), kRelative * scale);
    }
}

// All the checks above, for `count` random shapes from `make`.
template <class Make>
void checkRandomShapes(unsigned seed, int count, Make make) {
    std::mt19937 rng(seed);
    for (int i = 0; i < count; ++i) {
        const auto shape = make(rng);
        SCOPED_TRACE(::testing::Message() << "seed " << seed << ", shape " << i);
        expectReversal(shape);
        expectSamplesAndDecomposition(shape, rng);
        expectMapping(shape, randomRigid(rng), rng);
        expectMapping(shape, randomAffine(rng), rng);
        expectPieces(shape, rng);
    }
}

}  // namespace loop_checks
