// Geometry shared by circles, ellipses and elliptical arcs: travel along an
// ellipse's curve by arc length, nearest points, affine images and the
// closed-form facts the three shape types answer queries with.
#pragma once

#include <array>
#include <cmath>

#include "vxstd12u/arclength.h"
#include "vxstd12u/ellipse.h"

// Travel along the curve of an ellipse (its centre, radii and angle; not its
// phase or handedness): phi = phi0 + sign * t for t in [0, span], with sign
// +1 or -1 and 0 <= span <= 2*pi. Circular curves are handled in closed form.
class ccEllipseRun {
  public:
    ccEllipseRun(const ccEllipse2& ellipse, double phi0, double sign, double span);

    double phiAt(double t) const noexcept { return phi0_ + sign_ * t; }
    double span() const noexcept { return span_; }
    ccVector<2> pointAtParam(double t) const noexcept { return ellipse_.pointAt(phiAt(t)); }
    // d point / dt.
    ccVector<2> velocityAtParam(double t) const noexcept {
        return ellipse_.derivativeAt(phiAt(t)) * sign_;
    }
    // The direction of travel at t. Where the speed is zero (a flat ellipse at
    // the tip of its axis) it is the one-sided limit: from before t when
    // `approaching`, from after t otherwise; for a curve of no extent, the
    // direction of the unit circle's travel at the same phi.
    ccRadian tangentAtParam(double t, bool approaching) const noexcept;
    // The arc length from t = 0 to t (0 <= t <= span).
    double lengthToParam(double t) const;
    // The run measured once, panel by panel: the t of an arc length is then
    // found within one panel instead of by integrating from the start at
    // every step of a search, which made each point cost several whole
    // integrations. A circular run needs no measure and gets an empty one.
    ccArcLengthTable measure() const;
    // The t at which the arc length from 0 reaches `length`, clamped to
    // [0, total]; `total` is the length of the whole run and `measure` its
    // measure(). One measure serves any number of lengths, each found exactly
    // as it would be alone.
    double paramAtLength(double length, double total, const ccArcLengthTable& measure) const;
    // The point and tangent at arc length `length` (clamped to [0, total]),
    // through `measure` as paramAtLength. The end of a run of positive length
    // takes the tangent approaching it.
    void pointAndTangentAtLength(double length, double total, const ccArcLengthTable& measure,
                                 ccVector<2>& point, ccRadian& tangent) const;
    // The t of the point of the run nearest to p. Exact for circles; for
    // ellipses every local minimum of the distance found on a fine grid is
    // refined (golden section, then Newton's method), and the ends of an open
    // run are candidates too. Ties go to the smaller t.
    double nearestParam(const ccVector<2>& p) const;
    // Appends the samples of the run (of length `total`) that `params` ask
    // for to `result`, as one chain, closed when `closed`.
    void sample(double total, bool closed, const ccShapeSampleParams& params,
                ccShapeSampleResult& result) const;

  private:
    bool isClosed() const noexcept;
    // The direction of travel given the velocity `v` at phi, with the
    // fallbacks of tangentAtParam where v vanishes.
    ccRadian tangentAlong(ccVector<2> v, double phi, bool approaching) const noexcept;
    // tangentAtParam of a circular curve, where it needs no fallbacks.
    ccRadian circleTangent(double phi) const noexcept;
    // pointAtParam and tangentAtParam at once, given the ellipse's
    // unitCircleXform: one turn of the unit circle serves both.
    void pointAndTangentAtParam(const ccXform<2>& unit, double t, bool approaching,
                                ccVector<2>& point, ccRadian& tangent) const noexcept;
    // |d point / dt|; the ellipse's angle plays no part.
    ccSpeedFunction speed() const;
    // p in the ellipse's own frame: centre at the origin, x along its x axis.
    ccVector<2> local(const ccVector<2>& p) const noexcept;
    double distanceSqAt(const ccVector<2>& q, double t) const noexcept;
    // d/dt and d2/dt2 of half the squared distance from local point q.
    double slopeAt(const ccVector<2>& q, double t) const noexcept;
    double curvatureAt(const ccVector<2>& q, double t) const noexcept;
    double nearestParamOnCircle(const ccVector<2>& p) const;
    double refineMinimum(const ccVector<2>& q, double lo, double hi) const;

    ccEllipse2 ellipse_;
    double phi0_;
    double sign_;
    double span_;
};

// A run read through its own parameter t, for integrals along an image of it.
class ccEllipseRunParametrisation final : public ccCurveParametrisation {
  public:
    explicit ccEllipseRunParametrisation(const ccEllipseRun& run) : run_(run) {}

    double end() const override { return run_.span(); }
    void pointAt(double t, ccVector<2>& point, ccVector<2>& derivative,
                 ccRadian& tangent) const override;
    double arcLengthAt(double t) const override;

  private:
    ccEllipseRun run_;
};

// The direction `a` on the branch of an angle measured from a vector,
// (-pi, pi]: where a direction follows from a parameter rather than from a
// vector, this keeps it where measuring would have put it.
inline ccRadian cfOnVectorBranch(double a) noexcept {
    // Directions from parameters mostly lie within a turn of the branch; one
    // step is cheaper there than the division and rounding.
    if (a > ccPi && a <= 3 * ccPi) return ccRadian(a - ccTwoPi);
    if (a > -ccPi && a <= ccPi) return ccRadian(a);
    return ccRadian(a - ccTwoPi * std::ceil((a - ccPi) / ccTwoPi));
}

// The image of an ellipse's curve under an affine map: an ellipse (right-
// handed, phase 0) and the parameter change phi -> phiSign * (phi + phiShift)
// that takes each point of the source to its image.
struct ccEllipseImage {
    ccEllipse2 ellipse;
    double phiShift = 0.0;
    double phiSign = 1.0;

    double mapPhi(double phi) const noexcept { return phiSign * (phi + phiShift); }
};

// The image of `ellipse` under `xform`, which must be finite.
ccEllipseImage cfMapEllipse(const ccEllipse2& ellipse, const ccXform<2>& xform);

// The perimeter of an ellipse with radii rx, ry >= 0, by the arithmetic-
// geometric mean; 4 * max(rx, ry) when one radius is zero.
double cfEllipsePerimeter(double rx, double ry);

// Whether p lies on or inside the curve, the boundary to cc_tol::kCoincident.
// A flat ellipse holds only the points of its curve.
bool cfWithinEllipse(const ccEllipse2& ellipse, const ccVector<2>& p);

// Whether p lies strictly inside; never for a flat ellipse.
bool cfStrictlyInsideEllipse(const ccEllipse2& ellipse, const ccVector<2>& p);

// How far the tangent direction at phi leads the tangent of a circle at the
// same phi, in (-pi/2, pi/2) for an ellipse that is not flat. The tangent
// turn from phi0 to phi1 is (phi1 - phi0) + lead(phi1) - lead(phi0).
double cfTangentLead(const ccEllipse2& ellipse, double phi);

// The four values of phi at which x or y of the curve is extreme.
std::array<double, 4> cfExtremePhis(const ccEllipse2& ellipse);

// The arc of the run (ellipse, phi0, sign, span) between arc lengths
// from <= to, each clamped to the run's length. Non-finite or reversed
// lengths throw ccShapesError::BadParams.
ccEllipseArc2 cfEllipsePiece(const ccEllipse2& ellipse, double phi0, double sign, double span,
                             double from, double to);
