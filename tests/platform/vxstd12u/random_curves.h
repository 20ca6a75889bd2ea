// Seeded random circles, ellipses, arcs and transforms, and independent checks
// of where points lie on them, for the curved primitives' property tests.
#pragma once

#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "vxstd12u/ellipse.h"
#include "vxstd12u/tolerances.h"
#include "vxstd12u/xform.h"

// Sizes stay within a few hundred units, where double rounding of computed
// points stays far below the coincidence tolerance scaled by this factor.
constexpr double kCurveSlack = 100.0;

// Closed-form results of magnitude up to a few hundred: a few roundings off.
constexpr double kRoundoff = 1e-12;
// The relative accuracy promised for perimeters and the lengths of pieces.
constexpr double kLengthRelative = 1e-9;
// How far sums over polygons of some thousand pieces stray from the curve's
// own lengths and angles.
constexpr double kPolygonSum = 1e-6;
// How much farther the best of 20000 evenly spread points may be than the
// nearest point itself.
constexpr double kDenseSearchMiss = 1e-3;

inline double curveTolerance() {
    return kCurveSlack * cc_tol::kCoincident;
}

inline void expectClose(const ccVector<2>& a, const ccVector<2>& b,
                        double tolerance = curveTolerance()) {
    EXPECT_LE((a - b).len(), tolerance)
        << "(" << a.x() << ", " << a.y() << ") vs (" << b.x() << ", " << b.y() << ")";
}

inline void expectSameHeading(const ccRadian& a, const ccRadian& b,
                              double tolerance = curveTolerance()) {
    EXPECT_LE(std::fabs((a - b).signedNorm().toDouble()), tolerance)
        << a.toDouble() << " vs " << b.toDouble();
}

// p in the frame where the ellipse's curve is the unit circle.
inline ccVector<2> unitFrame(const ccEllipse2& e, const ccVector<2>& p) {
    const ccVector<2> q = ccMatrix<2>::rotation(-e.angle()) * (p - e.center());
    return {q.x() / e.radii().x(), q.y() / e.radii().y()};
}

// How far p is off the ellipse's curve, measured along the ray from the
// centre and scaled back to model units by the larger radius.
inline double offCurve(const ccEllipse2& e, const ccVector<2>& p) {
    return std::fabs(unitFrame(e, p).len() - 1.0) * std::max(e.radii().x(), e.radii().y());
}

// The parameter phi of a point on the ellipse's curve.
inline double phiOf(const ccEllipse2& e, const ccVector<2>& p) {
    return unitFrame(e, p).angle();
}

// The length of the curve between two parameters by summing a fine polygon.
inline double polygonLength(const ccEllipse2& e, double phi0, double phi1, int pieces) {
    double sum = 0;
    ccVector<2> last = e.pointAt(phi0);
    for (int i = 1; i <= pieces; ++i) {
        const ccVector<2> next = e.pointAt(phi0 + (phi1 - phi0) * i / pieces);
        sum += (next - last).len();
        last = next;
    }
    return sum;
}

class RandomCurves {
  public:
    explicit RandomCurves(unsigned seed) : rng_(seed) {}

    double uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(rng_);
    }
    bool coin() { return uniform(0, 1) < 0.5; }
    ccVector<2> point() { return {uniform(-100, 100), uniform(-100, 100)}; }
    ccRadian angle() { return ccRadian(uniform(-ccPi, ccPi)); }

    ccCircle circle() { return ccCircle(point(), uniform(0.5, 60)); }
    ccEllipse2 ellipse() {
        return ccEllipse2(point(), {uniform(0.5, 60), uniform(0.5, 60)}, angle(), coin(), angle());
    }
    // Spans of either sign, from a tenth of a radian to a full turn.
    ccEllipseArc2 arc() {
        const double span = uniform(0.1, ccTwoPi) * (coin() ? 1 : -1);
        return ccEllipseArc2(ellipse(), ccRadian(uniform(-ccTwoPi, ccTwoPi)), ccRadian(span));
    }

    ccXform<2> rigid() { return ccXform<2>::rigid(angle(), point()); }
    ccXform<2> mirrored() { return rigid() * ccXform<2>(ccMatrix<2>(1, 0, 0, -1), {}); }
    // Shears and unequal scales, mirroring half of the time.
    ccXform<2> affine() {
        const ccMatrix<2> m(uniform(0.3, 2), uniform(-1, 1), uniform(-1, 1), uniform(0.3, 2));
        return ccXform<2>(coin() ? m : m * ccMatrix<2>(1, 0, 0, -1), point());
    }

  private:
    std::mt19937 rng_;
};

// Samples of `shape` at `spacing`, with tangents.
inline ccShape::ccSampleResult sampled(const ccShape& shape, double spacing) {
    ccShape::ccSampleResult result;
    shape.sample(ccShape::ccSampleParams(0.0, spacing, ccNoPointLimit, true, true), result);
    return result;
}

// Twice the signed area of the polygon through the samples: positive when
// they run counter-clockwise.
inline double shoelace(const std::vector<ccVector<2>>& points) {
    double sum = 0;
    for (size_t i = 0; i < points.size(); ++i)
        sum += points[i].cross(points[(i + 1) % points.size()]);
    return sum;
}

// Sampling the image equals mapping the samples, point for point and tangent
// for tangent. Spacing is scaled with the map's length scale, so it only
// makes sense for rigid maps.
inline void expectSamplingCommutesWithRigidMap(const ccShape& shape, const ccXform<2>& xform,
                                               double spacing) {
    const ccShape::ccSampleResult direct = sampled(shape, spacing);
    const ccShape::ccSampleResult ofImage = sampled(*shape.mapShape(xform), spacing);
    ASSERT_EQ(direct.positions().size(), ofImage.positions().size());
    for (size_t i = 0; i < direct.positions().size(); ++i) {
        expectClose(xform.mapPoint(direct.positions()[i]), ofImage.positions()[i]);
        expectSameHeading(xform.mapAngle(direct.tangents()[i]), ofImage.tangents()[i]);
    }
}
