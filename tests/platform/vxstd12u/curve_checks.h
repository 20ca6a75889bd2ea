// Checks that any finite curve must pass, shared by the curve tests: samples
// on the curve and evenly spread, reversal, mapping against sampling, and
// pieces that add up to the whole.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "vxstd12u/shape.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/tolerances.h"

namespace curve_checks {

// Accuracy the checks ask for, relative to the curve's size: positions on
// the curve are found to cc_tol::kArcParameterRelative of a length, and
// integration repeats that error a few times over.
constexpr double kLengthRelative = 1000 * cc_tol::kArcParameterRelative;
constexpr double kAngleSlack = 1e6 * cc_tol::kAngle;

inline double scaleOf(const ccShape& s) {
    return std::max(1.0, s.perimeter());
}

inline ccVector<2> randomPoint(std::mt19937& rng, double extent) {
    std::uniform_real_distribution<double> u(-extent, extent);
    return ccVector<2>(u(rng), u(rng));
}

inline double angleGap(const ccRadian& a, const ccRadian& b) {
    return std::fabs((a - b).signedNorm().toDouble());
}

inline ccShape::ccSampleResult sampleEvery(const ccShape& shape, double spacing) {
    ccShape::ccSampleParams params(0.0, spacing, ccNoPointLimit, true, true);
    params.perimPosRequested(true);
    ccShape::ccSampleResult result;
    shape.sample(params, result);
    return result;
}

// Every sample lies on the curve, at the arc length it was asked for, and
// the asked-for lengths are evenly spaced.
inline void expectSamplesOnCurveAndEven(const ccShape& shape, double spacing) {
    const auto result = sampleEvery(shape, spacing);
    const double scale = scaleOf(shape);
    ASSERT_GE(result.positions().size(), 2u);
    ASSERT_EQ(result.perimPositions().size(), result.positions().size());
    for (size_t k = 0; k < result.positions().size(); ++k) {
        const ccVector<2> p = result.positions()[k];
        EXPECT_LE((shape.nearestPoint(p) - p).len(), kLengthRelative * scale) << "sample " << k;
        const double asked = result.perimPositions()[k].offset();
        EXPECT_NEAR(shape.nearestPerimPos(p).offset(), asked, kLengthRelative * scale)
            << "sample " << k;
        if (k > 0 && k + 1 < result.positions().size()) {
            EXPECT_NEAR(asked - result.perimPositions()[k - 1].offset(), spacing,
                        kLengthRelative * scale);
        }
    }
}

// Reversal twice gives an equal shape; once, it keeps the perimeter, swaps
// the ends, turns the tangents round, negates the tangent rotation and flips
// the handedness of a region; the point at s becomes the point at L - s.
inline void expectReversalProperties(const ccShape& shape) {
    const auto reversed = shape.reverse();
    EXPECT_TRUE(*reversed->reverse() == shape);
    const double length = shape.perimeter(), scale = scaleOf(shape);
    EXPECT_NEAR(reversed->perimeter(), length, kLengthRelative * scale);
    EXPECT_LE((reversed->startPoint() - shape.endPoint()).len(), kLengthRelative * scale);
    EXPECT_LE((reversed->endPoint() - shape.startPoint()).len(), kLengthRelative * scale);
    EXPECT_NEAR(reversed->tangentRotation(), -shape.tangentRotation(), kAngleSlack);
    if (shape.isRegion()) {
        EXPECT_NE(reversed->isRightHanded(), shape.isRightHanded());
    }
    for (double f : {0.1, 0.37, 0.5, 0.81}) {
        ccVector<2> p, q;
        ccRadian tp, tq;
        shape.perimPointAndTangent(ccPerimPos(0, f * length), p, tp);
        reversed->perimPointAndTangent(ccPerimPos(0, (1 - f) * length), q, tq);
        EXPECT_LE((p - q).len(), kLengthRelative * scale) << "at fraction " << f;
        EXPECT_LT(angleGap(tq, tp + ccRadian(ccPi)), kAngleSlack) << "at fraction " << f;
    }
}

// Under a similarity with scale `s`, sampling the image every s * d gives
// the images of the samples taken every d, tangents mapped too.
inline void expectMapCommutesWithSampling(const ccShape& shape, const ccXform<2>& similarity,
                                          double scale, double spacing) {
    const auto image = shape.mapShape(similarity);
    const auto before = sampleEvery(shape, spacing);
    const auto after = sampleEvery(*image, spacing * scale);
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

// Pieces cut at increasing arc lengths run from cut to cut, lie on the
// curve, and their lengths add up to the whole.
inline void expectPiecesAddUp(const ccShape& shape, std::vector<double> cuts) {
    const double length = shape.perimeter(), scale = scaleOf(shape);
    cuts.insert(cuts.begin(), 0.0);
    cuts.push_back(length);
    const ccShapeInfo info(shape);
    double total = 0.0;
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        const auto piece = shape.subShape(info, {ccPerimPos(0, cuts[i]), cuts[i + 1] - cuts[i]});
        total += piece->perimeter();
        ccVector<2> from, to;
        ccRadian unused;
        shape.perimPointAndTangent(ccPerimPos(0, cuts[i]), from, unused);
        shape.perimPointAndTangent(ccPerimPos(0, cuts[i + 1]), to, unused);
        EXPECT_LE((piece->startPoint() - from).len(), kLengthRelative * scale) << "piece " << i;
        EXPECT_LE((piece->endPoint() - to).len(), kLengthRelative * scale) << "piece " << i;
        for (double f : {0.25, 0.5, 0.75}) {
            ccVector<2> inside;
            piece->perimPointAndTangent(ccPerimPos(0, f * piece->perimeter()), inside, unused);
            EXPECT_LE((shape.nearestPoint(inside) - inside).len(), kLengthRelative * scale)
                << "piece " << i << " at fraction " << f;
        }
    }
    EXPECT_NEAR(total, length, kLengthRelative * scale);
}

// Increasing cut positions strictly inside (0, length).
inline std::vector<double> randomCuts(std::mt19937& rng, double length, int count) {
    std::uniform_real_distribution<double> u(0.0, length);
    std::vector<double> cuts;
    for (int i = 0; i < count; ++i) cuts.push_back(u(rng));
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

// A random similarity: rotation, scale in [0.5, 3], shift, and a mirror
// every other time. `scale` receives its scale.
inline ccXform<2> randomSimilarity(std::mt19937& rng, double& scale, bool mirror) {
    std::uniform_real_distribution<double> angle(-ccPi, ccPi), size(0.5, 3.0);
    scale = size(rng);
    const ccMatrix<2> m = ccMatrix<2>::rotation(ccRadian(angle(rng))) *
                          ccMatrix<2>::scale(scale, mirror ? -scale : scale);
    return ccXform<2>(m, randomPoint(rng, 10.0));
}

}  // namespace curve_checks
