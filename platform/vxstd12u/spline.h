// Piecewise cubic splines: uniform cubic B-splines (ccDeBoorSpline),
// interpolating cubics (ccInterpSpline) and Hermite cubics (ccHermiteSpline),
// on a common base (ccCubicSpline) that holds the curve as a chain of cubic
// pieces and answers every geometric query from it.
//
// Conventions all three keep:
// - A spline is open or closed. A closed spline is a region (right-handed when
//   its signed area is positive); an open one is an open contour.
// - The spline's parameter u runs over [0, numSegments()]: piece i covers
//   [i, i + 1]. pointAt(u) evaluates the curve there.
// - Every type's curve is affine-invariant: mapShape by any affine map gives
//   the same type with mapped points (and tangents mapped by the linear part),
//   which is exactly the image. So none of them uses chord-length spacing.
// - reverse() gives the same type running the other way: an open spline takes
//   its points in reverse order; a closed one keeps point 0 first and takes the
//   others in reverse order (point i goes to position n - i), so that it still
//   starts at the same point. Reversing twice gives back equal parameters.
// - A piece between two arc lengths is a ccHermiteSpline through the cut
//   points and the joints between them, with the curve's own derivatives as
//   tangents and the spline parameter as knots: it lies exactly on the curve.
//   A piece of no length is a Hermite spline of two equal points with zero
//   tangents.
// - Arc lengths are integrated (cfArcLength) when the spline is made or
//   changed and kept, with a measure of each piece (ccArcLengthTable);
//   positions at a given arc length are found within it to
//   cc_tol::kArcParameterRelative of the piece's length.
// - Coincident neighbouring points are allowed and give pieces of zero length
//   or zero speed; the tangent there is the one-sided limit in the direction
//   of travel.
// - The default spline has no points: isEmpty() is true, its perimeter is 0,
//   and queries that need a point (start point, bounding box, nearest point)
//   throw ccShapesError::BadParams.
// - Bad input throws ccShapesError::BadParams and leaves the spline unchanged:
//   a non-finite point or tangent, fewer points than the type needs (two for
//   an open spline; three for a closed B-spline or interpolating spline, two
//   for a closed Hermite spline), tangents or knots that do not match the
//   points, knots that do not strictly increase.
#pragma once

#include <vector>

#include "vxstd12u/cubicpath.h"
#include "vxstd12u/shape.h"

using ccPointList = std::vector<ccVector<2>>;

class ccCubicSpline : public ccShape {
  public:
    bool isClosed() const noexcept { return path_.isClosed(); }
    long numSegments() const noexcept { return path_.numSegments(); }
    // The curve at spline parameter u, clamped to [0, numSegments()].
    // BadParams for a spline without points.
    ccVector<2> pointAt(double u) const;
    // The curve as a chain of cubic pieces in Bezier form, as drawing needs it.
    const ccCubicPath& path() const noexcept { return path_; }

    // ---- ccShape ----

    bool isRegion() const override { return isClosed(); }
    bool isOpenContour() const override { return !isClosed() && !isEmpty(); }
    bool isRightHanded() const override { return isClosed() && path_.signedArea() > 0.0; }
    bool isEmpty() const override { return path_.isEmpty(); }
    // An open spline throws NotRegion. Points within cc_tol::kCoincident of
    // the curve count as inside.
    bool within(const ccVector<2>& p) const override;
    double windingAngle(const ccVector<2>& p) const override { return path_.windingAngle(p); }
    ccVector<2> startPoint() const override { return path_.startPoint(); }
    ccVector<2> endPoint() const override { return path_.endPoint(); }
    ccRadian startAngle() const override { return path_.startAngle(); }
    ccRadian endAngle() const override { return path_.endAngle(); }
    double tangentRotation() const override { return path_.tangentRotation(); }
    ccRect boundingBox() const override;
    ccVector<2> nearestPoint(const ccVector<2>& p) const override;
    ccPerimPos nearestPerimPos(const ccVector<2>& p) const override;
    double perimeter() const override { return path_.length(); }
    // Node 0 is the only node; any other throws BadParams.
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;
    // The path's own parameter, one unit per cubic piece.
    std::unique_ptr<const ccCurveParametrisation> ownParametrisation() const override {
        return std::make_unique<ccCubicPathParametrisation>(path_);
    }

  protected:
    ccCubicSpline() = default;
    ccCubicSpline(const ccCubicSpline&) = default;
    ccCubicSpline& operator=(const ccCubicSpline&) = default;

    // Makes `path` the curve. Derived types check their parameters first.
    void curve_(ccCubicPath path) { path_ = std::move(path); }
    // The length of piece i in the type's own curve parameter: the knot
    // spacing that a piece's Hermite form needs. 1 unless knots say otherwise.
    virtual double knotSpan_(long) const { return 1.0; }

    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

  private:
    ccCubicPath path_;
};

// The uniform cubic B-spline of a control polygon.
//
// Closed: n >= 3 control points, n pieces; piece i is the B-spline piece of
// P(i-1), P(i), P(i+1), P(i+2) (indices modulo n), so the curve starts near
// P(0) at (P(n-1) + 4 P(0) + P(1)) / 6 and does not pass through the points.
// Open: n >= 2 control points, n - 1 pieces; the polygon is extended by the
// mirror points 2 P(0) - P(1) and 2 P(n-1) - P(n-2), so that the curve starts
// at P(0) heading towards P(1) and ends at P(n-1) arriving from P(n-2).
class ccDeBoorSpline : public ccCubicSpline {
  public:
    // No control points, open.
    ccDeBoorSpline() = default;
    ccDeBoorSpline(const ccPointList& controlPoints, bool closed);

    const ccPointList& controlPoints() const noexcept { return points_; }
    void controlPoints(const ccPointList& points);
    void closed(bool closed);

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

    // The archive items after the version, in the order of the form: control points, closed flag.
    // Loading validates them as the constructor does (ccArchive::Error when
    // refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, control points, closed flag.
    void dispatchSerialize(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;

  private:
    void assign(const ccPointList& points, bool closed);

    ccPointList points_;
    bool closed_ = false;
};

// The cubic spline through given points, twice continuously differentiable,
// with point i at spline parameter i. Open (n >= 2): natural ends (no
// curvature at the first and last point). Closed (n >= 3): periodic, with a
// piece from the last point back to the first.
class ccInterpSpline : public ccCubicSpline {
  public:
    // No points, open.
    ccInterpSpline() = default;
    ccInterpSpline(const ccPointList& points, bool closed);

    const ccPointList& points() const noexcept { return points_; }
    void points(const ccPointList& points);
    void closed(bool closed);

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

    // The archive items after the version, in the order of the form: points, closed flag.
    // Loading validates them as the constructor does (ccArchive::Error when
    // refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, points, closed flag.
    void dispatchSerialize(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;

  private:
    void assign(const ccPointList& points, bool closed);

    ccPointList points_;
    bool closed_ = false;
};

// The cubic through given points with given tangents (derivatives with
// respect to the knot parameter). Point i sits at knot i; a closed spline has
// one knot more than points, the last closing the loop back to point 0.
// Without knots given, knots are 0, 1, 2, ...; piece i from point i to point
// i + 1 then has the Bezier control points P(i) + T(i) / 3 and
// P(i+1) - T(i+1) / 3, and in general those with T scaled by the knot span.
// Reversal negates the tangents and maps each knot k to -k (in reverse order).
class ccHermiteSpline : public ccCubicSpline {
  public:
    // No points, open.
    ccHermiteSpline() = default;
    ccHermiteSpline(const ccPointList& points, const ccPointList& tangents, bool closed);
    ccHermiteSpline(const ccPointList& points, const ccPointList& tangents,
                    const std::vector<double>& knots, bool closed);

    const ccPointList& points() const noexcept { return points_; }
    const ccPointList& tangents() const noexcept { return tangents_; }
    const std::vector<double>& knots() const noexcept { return knots_; }
    // Sets all parameters together, as the constructor with knots.
    void set(const ccPointList& points, const ccPointList& tangents,
             const std::vector<double>& knots, bool closed);

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

    // The archive items after the version, in the order of the form: points, tangents, knots,
    // closed flag. Loading validates them as the constructor does (ccArchive::Error when refused)
    // and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, points, tangents, knots, closed flag.
    void dispatchSerialize(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    double knotSpan_(long segment) const override;

  private:
    void assign(const ccPointList& points, const ccPointList& tangents,
                const std::vector<double>& knots, bool closed);

    ccPointList points_;
    ccPointList tangents_;
    std::vector<double> knots_;
    bool closed_ = false;
};
