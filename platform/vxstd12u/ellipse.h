// The curved primitives: circles, ellipses and elliptical arcs.
//
// Parametrisation shared by all three. An ellipse with centre c, radii
// (rx, ry) and axis angle a has the points
//     point(phi) = c + R(a) (rx cos phi, ry sin phi)
// where R(a) turns counter-clockwise by a. Since both radii are non-negative,
// phi increasing runs counter-clockwise (right-handed).
// - ccCircle(c, r) is the ellipse with radii (r, r), angle 0 and phase 0: it
//   starts at c + (r, 0) and runs counter-clockwise. It has no phase or
//   handedness of its own.
// - ccEllipse2 starts at phi = phase. A right-handed one runs with phi
//   increasing, a left-handed one with phi decreasing; either way one turn.
// - ccEllipseArc2 runs from phi = phiStart to phiStart + phiSpan on the
//   ellipse's curve; only the ellipse's centre, radii and angle matter (its
//   phase and handedness do not). A negative span runs clockwise in the
//   ellipse's frame. A span beyond one turn is clamped to +-2*pi, so an arc
//   never covers a point twice.
//
// Degenerate input is allowed where it still names a point set:
// - A zero radius makes a degenerate curve: a circle of radius 0 is the single
//   point c (perimeter 0, still a region, within only at c, winding angle 0
//   everywhere, tangent as if the radius were positive: start angle pi/2);
//   an ellipse with one zero radius is a segment run out and back; with both
//   zero, a point. Their tangents at points of zero speed are the one-sided
//   limits in the direction of travel; where even that vanishes (all radii
//   zero) the tangent of the unit circle at the same phi is given.
// - A zero span makes an arc of one point and perimeter 0.
// Negative or non-finite radii, and non-finite centres or angles, throw
// ccShapesError::BadParams and leave the object as it was; so do non-finite
// query points, a perimeter position on a node other than 0 (a primitive is
// its own node 0) and an offset that is not a number.
// Offsets beyond either end are clamped to the curve.
//
// Arc lengths: circles and circular arcs in closed form; ellipses by the
// arithmetic-geometric mean; elliptical arcs by cfArcLength. Positions along
// the curve are found from arc lengths through one measure of the curve
// (ccArcLengthTable) per call.
//
// Mapping by an affine ccXform<2> maps the curve point by point: the image
// starts at the image of the start point and runs in the image of the
// direction of travel (so a mirroring map flips handedness). A circle stays a
// circle only under a map p -> s p + t with s > 0 (start point kept); otherwise
// it becomes a ccEllipse2. An ellipse stays an ellipse, an arc an arc. The
// image's axes come from the singular value decomposition of the map times
// the ellipse's own axes: its radii are ordered rx >= ry, and its phase (or
// an arc's phiStart and phiEnd) is the parameter of the image of the start
// (and end). A singular map gives a flat ellipse.
//
// Reversal keeps the point set and the start: a circle becomes a left-handed
// ccEllipse2 with radii (r, r), angle 0 and phase 0; an ellipse flips its
// handedness; an arc swaps phiStart and phiEnd. A piece between two arc
// lengths (subShape) is a ccEllipseArc2 on the same curve.
//
// Sampling an ellipse or an elliptical arc walks the curve once; its points
// agree with perimPointAndTangent at the same offsets bit for bit.
//
// Equality (operator== of ccShape) compares the stored parameters exactly.
// A circle never equals an ellipse, even with the same points.
#pragma once

#include "vxstd12u/shape.h"

class ccEllipse2;
class ccEllipseRun;

class ccCircle : public ccShape {
  public:
    // The unit circle about the origin.
    ccCircle() = default;
    // Throws BadParams for a negative or non-finite radius or a non-finite centre.
    ccCircle(const ccVector<2>& center, double radius);

    const ccVector<2>& center() const noexcept { return center_; }
    void center(const ccVector<2>& c);
    double radius() const noexcept { return radius_; }
    void radius(double r);

    // The same curve as an ellipse: radii (r, r), angle 0, right-handed, phase 0.
    ccEllipse2 asEllipse() const;

    bool isRegion() const override { return true; }
    bool isOpenContour() const override { return false; }
    bool isRightHanded() const override { return true; }

    // Boundary included, to cc_tol::kCoincident.
    bool within(const ccVector<2>& p) const override;
    // 2*pi strictly inside, 0 on the boundary or outside.
    double windingAngle(const ccVector<2>& p) const override;
    ccVector<2> startPoint() const override;
    ccVector<2> endPoint() const override { return startPoint(); }
    ccRadian startAngle() const override;
    ccRadian endAngle() const override { return startAngle(); }
    double tangentRotation() const override;
    ccRect boundingBox() const override;
    // The centre itself gives the start point (offset 0).
    ccVector<2> nearestPoint(const ccVector<2>& p) const override;
    ccPerimPos nearestPerimPos(const ccVector<2>& p) const override;
    double perimeter() const override;
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;
    // The same samples as the shape default, each point and tangent in
    // closed form.
    void sample(const ccSampleParams& params, ccSampleResult& result) const override;
    long sampleCount(const ccSampleParams& params) const noexcept override;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    // A left-handed ccEllipse2 with radii (r, r), angle 0 and phase 0.
    ccPtrHandle<ccShape> reverse() const override;

    // The archive items after the version, in the order of the form: center, radius.
    // Loading validates them as the constructor does (ccArchive::Error when
    // refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, center, radius.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the same items without the version byte.
    bool loadSimple(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

  private:
    // The point and tangent at arc length `offset`, within [0, perimeter()].
    void pointAndTangentAt(double offset, ccVector<2>& point, ccRadian& tangent) const noexcept;

    ccVector<2> center_;
    double radius_ = 1.0;
};

class ccEllipse2 : public ccShape {
  public:
    // The unit circle about the origin as a right-handed ellipse of phase 0.
    ccEllipse2() = default;
    // Throws BadParams for negative or non-finite radii or non-finite centre,
    // angle or phase.
    ccEllipse2(const ccVector<2>& center, const ccVector<2>& radii,
               const ccRadian& angle = ccRadian(0.0), bool rightHanded = true,
               const ccRadian& phase = ccRadian(0.0));

    const ccVector<2>& center() const noexcept { return center_; }
    void center(const ccVector<2>& c);
    // (rx, ry): the half-axes along the ellipse's own x and y directions.
    const ccVector<2>& radii() const noexcept { return radii_; }
    void radii(const ccVector<2>& r);
    // Direction of the ellipse's own x axis.
    const ccRadian& angle() const noexcept { return angle_; }
    void angle(const ccRadian& a);
    // The parameter phi of the start point.
    const ccRadian& phase() const noexcept { return phase_; }
    void phase(const ccRadian& p);
    bool isRightHanded() const override { return rightHanded_; }
    void rightHanded(bool r);

    // The point at parameter phi (see the header comment); any finite phi.
    ccVector<2> pointAt(double phi) const noexcept;
    // d point / d phi: the velocity when phi increases.
    ccVector<2> derivativeAt(double phi) const noexcept;
    // The map of the unit circle onto this ellipse: (cos phi, sin phi) -> pointAt(phi).
    ccXform<2> unitCircleXform() const noexcept;
    // The image under `xform` (see mapShape), as a value. A non-finite map
    // throws BadParams; a singular one gives a flat ellipse.
    ccEllipse2 mapped(const ccXform<2>& xform) const;
    // Whether both radii are equal (the curve is a circle).
    bool isCircular() const noexcept { return radii_.x() == radii_.y(); }
    // Whether a radius is zero, so that the curve encloses no area.
    bool isFlat() const noexcept { return radii_.x() == 0.0 || radii_.y() == 0.0; }

    bool isRegion() const override { return true; }
    bool isOpenContour() const override { return false; }

    // Boundary included, to cc_tol::kCoincident.
    bool within(const ccVector<2>& p) const override;
    // +-2*pi (by handedness) strictly inside, 0 on the boundary or outside.
    double windingAngle(const ccVector<2>& p) const override;
    ccVector<2> startPoint() const override;
    ccVector<2> endPoint() const override { return startPoint(); }
    ccRadian startAngle() const override;
    ccRadian endAngle() const override { return startAngle(); }
    // +2*pi right-handed, -2*pi left-handed.
    double tangentRotation() const override;
    ccRect boundingBox() const override;
    // Ties (a point on an axis inside the curve) go to the candidate found first.
    ccVector<2> nearestPoint(const ccVector<2>& p) const override;
    ccPerimPos nearestPerimPos(const ccVector<2>& p) const override;
    double perimeter() const override;
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;
    // The ellipse's parameter phi, run from the start point.
    std::unique_ptr<const ccCurveParametrisation> ownParametrisation() const override;
    // The base's sampling rules, walking the curve once instead of measuring
    void perimPointsAndTangents(const double* offsets, long n, ccVector<2>* points,
                                ccRadian* tangents) const override;
    // each sample's arc length from the start.
    void sample(const ccSampleParams& params, ccSampleResult& result) const override;
    long sampleCount(const ccSampleParams& params) const noexcept override;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    // Same start point, other handedness.
    ccPtrHandle<ccShape> reverse() const override;

    // The archive items after the version, in the order of the form: center, radii, angle,
    // right-handed flag, phase. Loading validates them as the constructor does (ccArchive::Error
    // when refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, center, radii, angle, right-handed flag, phase.
    void dispatchSerialize(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

  private:
    ccVector<2> center_;
    // +1 when phi increases along the curve, -1 when it decreases.
    double travelSign() const noexcept { return rightHanded_ ? 1.0 : -1.0; }
    ccEllipseRun run() const;

    ccVector<2> radii_{1.0, 1.0};
    ccRadian angle_;
    bool rightHanded_ = true;
    ccRadian phase_;
};

class ccEllipseArc2 : public ccShape {
  public:
    // A quarter of the unit circle, from (1, 0) to (0, 1).
    ccEllipseArc2() = default;
    // Throws BadParams for non-finite angles. A span beyond one turn is
    // clamped to +-2*pi.
    ccEllipseArc2(const ccEllipse2& ellipse, const ccRadian& phiStart, const ccRadian& phiSpan);
    // The arc from phiStart to phiEnd exactly: adding a span to the start
    // can miss an end by a rounding (an end of smaller magnitude than the
    // start lies on a finer grid than their sums). Throws BadParams for
    // non-finite angles and for ends more than one turn (2*pi, to
    // cc_tol::kAngle) apart.
    static ccEllipseArc2 between(const ccEllipse2& ellipse, const ccRadian& phiStart,
                                 const ccRadian& phiEnd);

    // The ellipse whose centre, radii and angle the arc runs on.
    const ccEllipse2& ellipse() const noexcept { return ellipse_; }
    void ellipse(const ccEllipse2& e);
    const ccRadian& phiStart() const noexcept { return phiStart_; }
    const ccRadian& phiEnd() const noexcept { return phiEnd_; }
    // phiEnd - phiStart; within +-2*pi (and cc_tol::kAngle more for an arc
    // made by between()).
    ccRadian phiSpan() const noexcept { return phiEnd_ - phiStart_; }
    // Sets start and span together; as the constructor.
    void phiRange(const ccRadian& phiStart, const ccRadian& phiSpan);
    // +1 when phi increases along the arc, -1 when it decreases.
    double direction() const noexcept { return phiEnd_ < phiStart_ ? -1.0 : 1.0; }
    // Whether the arc covers the whole ellipse.
    bool isFullTurn() const noexcept;
    // Whether parameter phi (any turn) lies on the arc.
    bool coversPhi(double phi) const noexcept;
    // The image under `xform` (see mapShape), as a value.
    ccEllipseArc2 mapped(const ccXform<2>& xform) const;
    // The arc from phiEnd back to phiStart: swapping the two is exact, so
    // reversing twice gives an equal arc.
    ccEllipseArc2 reversed() const;

    // An arc is a piece of a contour and never bounds a region, even when it
    // is a full turn whose ends meet.
    bool isRegion() const override { return false; }
    bool isOpenContour() const override { return true; }
    bool isRightHanded() const override { return false; }

    // Throws ccShapesError::NotRegion.
    bool within(const ccVector<2>& p) const override;
    // The signed angle the arc sweeps as seen from p. A point on the curve
    // counts as outside it (the sweep then lies within half a turn).
    double windingAngle(const ccVector<2>& p) const override;
    ccVector<2> startPoint() const override;
    ccVector<2> endPoint() const override;
    ccRadian startAngle() const override;
    ccRadian endAngle() const override;
    // The turn of the tangent along the arc: the span corrected by the
    // ellipse's eccentricity at both ends.
    double tangentRotation() const override;
    ccRect boundingBox() const override;
    ccVector<2> nearestPoint(const ccVector<2>& p) const override;
    ccPerimPos nearestPerimPos(const ccVector<2>& p) const override;
    double perimeter() const override;
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;
    // The ellipse's parameter phi, run from the start point.
    std::unique_ptr<const ccCurveParametrisation> ownParametrisation() const override;
    // As for ccEllipse2.
    void sample(const ccSampleParams& params, ccSampleResult& result) const override;
    long sampleCount(const ccSampleParams& params) const noexcept override;
    void perimPointsAndTangents(const double* offsets, long n, ccVector<2>* points,
                                ccRadian* tangents) const override;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    // From the end back to the start, on the same ellipse.
    ccPtrHandle<ccShape> reverse() const override;

    // The archive items after the version, in the order of the form: the
    // ellipse's items (as ccEllipse2), phiStart, phiEnd. Loading validates
    // them as between() does (ccArchive::Error when refused), changes nothing
    // unless they are valid, and gives back both ends exactly.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, the ellipse's items (as ccEllipse2), phiStart, phiEnd.
    void dispatchSerialize(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

  private:
    // Signed, as phiSpan.
    double spanLength() const noexcept { return (phiEnd_ - phiStart_).toDouble(); }
    ccEllipseRun run() const;

    ccEllipse2 ellipse_;
    ccRadian phiStart_;
    ccRadian phiEnd_{ccPi / 2};
};
