// Cubic Bezier curves, polynomial or rational.
//
// The curve runs from control point 0 (t = 0) to control point 3 (t = 1):
//     c(t) = sum B_i(t) w_i P_i / sum B_i(t) w_i
// with the cubic Bernstein polynomials B_i. All weights 1 (the default) give
// the polynomial cubic; other positive weights give a rational cubic, which
// can follow conic arcs exactly.
//
// - A Bezier curve is always an open contour and never a region, even when
//   its ends meet: within() throws ccShapesError::NotRegion.
// - Degenerate curves are allowed: coincident control points give a curve
//   with zero speed somewhere, where the tangent is the one-sided limit in the
//   direction of travel; four equal points give a curve of length 0 whose
//   tangent angle is 0. The default curve is that point at the origin.
// - Arc length is integrated numerically (cfArcLength) when the curve is made
//   or changed and kept, with its measure (ccArcLengthTable); positions at a
//   given arc length are found within it, so samples lie on the curve.
// - mapShape by any affine map gives a Bezier curve with the mapped control
//   points and the same weights (the image is exact). reverse() gives the
//   control points and weights in the opposite order.
// - A piece between two arc lengths is a Bezier curve on exactly the same
//   points, split by de Casteljau's rule (in homogeneous coordinates for a
//   rational curve); pieces of a polynomial curve stay polynomial.
// - Bad input (a non-finite point, a weight that is not a positive finite
//   number) throws ccShapesError::BadParams and leaves the curve unchanged.
#pragma once

#include <array>

#include "vxstd12u/cubicpath.h"
#include "vxstd12u/shape.h"

class ccBezierCurve : public ccShape {
  public:
    using ccPoints = std::array<ccVector<2>, 4>;
    using ccWeights = std::array<double, 4>;

    // Four control points at the origin, weights 1.
    ccBezierCurve();
    ccBezierCurve(const ccVector<2>& p0, const ccVector<2>& p1, const ccVector<2>& p2,
                  const ccVector<2>& p3);
    explicit ccBezierCurve(const ccPoints& points);
    ccBezierCurve(const ccPoints& points, const ccWeights& weights);

    // ---- Parameters ----

    const ccPoints& controlPoints() const noexcept { return segment_.points; }
    // Control point `i`, 0 <= i <= 3 (BadParams otherwise).
    ccVector<2> controlPoint(int i) const;
    void controlPoints(const ccPoints& points);
    const ccWeights& weights() const noexcept { return segment_.weights; }
    void weights(const ccWeights& weights);
    // Whether some weight differs from 1, so that the curve is rational.
    bool isWeighted() const noexcept { return !segment_.isPolynomial(); }

    // The point at parameter t of [0, 1] (clamped), for checking and drawing.
    ccVector<2> pointAt(double t) const;

    // ---- ccShape ----

    bool isRegion() const override { return false; }
    bool isOpenContour() const override { return true; }
    bool isRightHanded() const override { return false; }
    bool within(const ccVector<2>& p) const override;
    double windingAngle(const ccVector<2>& p) const override { return path_.windingAngle(p); }
    ccVector<2> startPoint() const override { return segment_.points[0]; }
    ccVector<2> endPoint() const override { return segment_.points[3]; }
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

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

    // The archive items after the version, in the order of the form: the four control points, the
    // four weights. Loading validates them as the constructor does (ccArchive::Error when refused)
    // and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, the four control points, the four weights.
    void dispatchSerialize(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

  private:
    explicit ccBezierCurve(const ccCubicSegment& segment);
    // Checks `segment` and makes it the curve, with its arc length.
    void assign(const ccCubicSegment& segment);

    ccCubicSegment segment_;
    // Derived from segment_ whenever it changes.
    ccCubicPath path_;
};
