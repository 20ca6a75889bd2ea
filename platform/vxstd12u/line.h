// Straight shapes: the infinite line in two forms (ccLine, ccFLine) and the
// line segment (ccLineSeg), with the segment geometry the other straight shapes
// share.
#pragma once

#include "vxstd12u/shape.h"

// ---- Segment geometry ----

// The parameter t in [0, 1] of the point a + t (b - a) nearest to `p`; 0 when
// a and b coincide.
double cfNearestParamOnSegment(const ccVector<2>& a, const ccVector<2>& b, const ccVector<2>& p);

// The point a + t (b - a).
inline ccVector<2> cfPointOnSegment(const ccVector<2>& a, const ccVector<2>& b, double t) {
    return a + (b - a) * t;
}

// The direction of `v` in (-pi, pi]; 0 for the zero vector. A vector along -x
// whose y is a negative zero (as negating a direction gives) is at +pi too,
// where a bare atan2 would say -pi.
inline ccRadian cfDirectionAngle(const ccVector<2>& v) {
    const double a = v.angle();
    return ccRadian(a == -ccPi ? ccPi : a);
}

// The signed angle the segment from `a` to `b` sweeps as seen from `p`, in
// [-pi, pi], counter-clockwise positive. 0 when `p` coincides with an end or
// the segment has no length; +pi or -pi (either) when `p` lies inside it.
double cfSubtendedAngle(const ccVector<2>& a, const ccVector<2>& b, const ccVector<2>& p);

// Throws ccShapesError::BadParams naming `what` when `v` is not finite.
void cfRequireFinite(const ccVector<2>& v, const char* what);
void cfRequireFinite(double v, const char* what);

// Throws ccShapesError::BadParams unless `pos` names node 0, the only node of a
// primitive `shapeName`.
void cfRequireOwnNode(const ccPerimPos& pos, const char* shapeName);

// ---- Infinite lines ----

// Conventions shared by ccLine and ccFLine, neither of which has ends:
// - isFinite() is false, perimeter() is +inf, isOpenContour() and isRegion()
//   are false.
// - startPoint(), endPoint() and boundingBox() throw
//   ccShapesError::InfiniteExtent; startAngle() and endAngle() are the
//   direction of travel; tangentRotation() is 0.
// - Arc-length offsets are measured from the line's reference point (ccLine:
//   point(); ccFLine: the foot of the normal from the origin) along the
//   direction of travel and may be any finite value, negative included; no
//   clamping applies. nearestPerimPos gives such an offset.
// - windingAngle(p) is +pi when p lies left of the direction of travel,
//   -pi when right, 0 on the line.
// - within() throws ccShapesError::NotRegion.
// - subShape throws ccShapesError::InfiniteExtent: pieces are measured from a
//   start, which a line has not.
// - Sampling throws ccShapesError::InfiniteExtent (the shape is not finite).
// - mapShape gives a line of the same type; a map that collapses the line's
//   direction to nothing throws ccShapesError::BadParams.

// The line through point() running in direction angle(). The direction is
// kept as a unit vector, so reversing (which negates it) twice gives back an
// equal line exactly.
class ccLine : public ccShape {
  public:
    // The x axis, running towards +x.
    ccLine() = default;
    // Throws ccShapesError::BadParams for a non-finite point or angle.
    ccLine(const ccVector<2>& point, const ccRadian& angle);
    // The line through `point` in the direction of `direction`, which must be
    // finite and not zero (else ccShapesError::BadParams); only its direction counts.
    static ccLine throughPointAlong(const ccVector<2>& point, const ccVector<2>& direction);

    const ccVector<2>& point() const noexcept { return point_; }
    // The unit direction of travel.
    const ccVector<2>& direction() const noexcept { return direction_; }
    // The direction of travel, in (-pi, pi].
    ccRadian angle() const noexcept { return cfDirectionAngle(direction_); }
    // Setters check as the constructor does and leave the line unchanged on failure.
    void point(const ccVector<2>& point);
    void angle(const ccRadian& angle);

    bool isRegion() const override { return false; }
    bool isOpenContour() const override { return false; }
    bool isRightHanded() const override { return false; }
    bool isFinite() const override { return false; }

    bool within(const ccVector<2>& p) const override;
    double windingAngle(const ccVector<2>& p) const override;
    ccVector<2> startPoint() const override;
    ccVector<2> endPoint() const override;
    ccRadian startAngle() const override { return angle(); }
    ccRadian endAngle() const override { return angle(); }
    double tangentRotation() const override { return 0.0; }
    ccRect boundingBox() const override;
    ccVector<2> nearestPoint(const ccVector<2>& p) const override;
    ccPerimPos nearestPerimPos(const ccVector<2>& p) const override;
    double perimeter() const override;
    // Node 0 only (another throws ccShapesError::BadParams); any finite offset.
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

  protected:
    bool equal_(const ccShape& other) const override;
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

  private:
    ccVector<2> point_;
    ccVector<2> direction_{1.0, 0.0};

  public:
    // The archive items after the version, in the order of the form: point, unit direction.
    // Loading validates them as the constructor does (ccArchive::Error when
    // refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, point, unit direction.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the same items without the version byte.
    bool loadSimple(ccArchive& ar) override;
};

// The line of points p with p . n = distanceFromOrigin(), where n is the unit
// normal at angle(). It runs in direction angle() + pi/2, so for a positive
// distance the origin lies on its left (the normal points away from it). ccFLine(a, d) and
// ccFLine(a + pi, -d) are the same point set traversed in opposite directions;
// reverse() gives the second form. The normal is kept as a unit vector, so
// reversing twice gives back an equal line exactly.
class ccFLine : public ccShape {
  public:
    // The y axis (normal +x, distance 0), running towards +y.
    ccFLine() = default;
    // Throws ccShapesError::BadParams for a non-finite angle or distance.
    ccFLine(const ccRadian& angle, double distanceFromOrigin);

    // The normal direction, in (-pi, pi].
    ccRadian angle() const noexcept { return cfDirectionAngle(normal_); }
    const ccVector<2>& normal() const noexcept { return normal_; }
    double distanceFromOrigin() const noexcept { return distance_; }
    // The unit direction of travel: the normal turned a quarter turn counter-clockwise.
    ccVector<2> direction() const noexcept { return normal_.perp(); }
    // The point of the line nearest the origin; arc-length offsets start here.
    ccVector<2> foot() const noexcept { return normal_ * distance_; }
    // Setters check as the constructor does and leave the line unchanged on failure.
    void angle(const ccRadian& angle);
    void distanceFromOrigin(double distance);

    bool isRegion() const override { return false; }
    bool isOpenContour() const override { return false; }
    bool isRightHanded() const override { return false; }
    bool isFinite() const override { return false; }

    bool within(const ccVector<2>& p) const override;
    double windingAngle(const ccVector<2>& p) const override;
    ccVector<2> startPoint() const override;
    ccVector<2> endPoint() const override;
    ccRadian startAngle() const override;
    ccRadian endAngle() const override { return startAngle(); }
    double tangentRotation() const override { return 0.0; }
    ccRect boundingBox() const override;
    ccVector<2> nearestPoint(const ccVector<2>& p) const override;
    ccPerimPos nearestPerimPos(const ccVector<2>& p) const override;
    double perimeter() const override;
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

    // The same line as a ccLine through foot().
    ccLine toLine() const { return ccLine::throughPointAlong(foot(), direction()); }

  protected:
    bool equal_(const ccShape& other) const override;
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

  private:
    // From a unit normal, without the rounding of a round trip through its angle.
    static ccFLine fromNormal(const ccVector<2>& unitNormal, double distance);

    ccVector<2> normal_{1.0, 0.0};
    double distance_ = 0.0;

  public:
    // The archive items after the version, in the order of the form: unit normal, distance from the
    // origin. Loading validates them as the constructor does (ccArchive::Error when refused) and
    // changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, unit normal, distance from the origin.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the same items without the version byte.
    bool loadSimple(ccArchive& ar) override;
};

// ---- Line segment ----

// The straight piece from p1() to p2(), an open contour.
// - A segment whose ends coincide is allowed: its length is 0, its tangent
//   angle 0 by convention, and it decomposes to itself.
// - Arc-length offsets run from p1 (0) to p2 (length()); offsets outside are
//   clamped.
// - within() throws ccShapesError::NotRegion; windingAngle is the angle the
//   segment subtends (see cfSubtendedAngle).
// - mapShape maps both ends (the image of a segment is a segment).
class ccLineSeg : public ccShape {
  public:
    // The zero-length segment at the origin.
    ccLineSeg() = default;
    // Throws ccShapesError::BadParams when an end is not finite.
    ccLineSeg(const ccVector<2>& p1, const ccVector<2>& p2);

    const ccVector<2>& p1() const noexcept { return p1_; }
    const ccVector<2>& p2() const noexcept { return p2_; }
    // Setters check as the constructor does and leave the segment unchanged on failure.
    void p1(const ccVector<2>& p);
    void p2(const ccVector<2>& p);
    double length() const noexcept { return (p2_ - p1_).len(); }
    // Direction from p1 to p2; 0 for a zero-length segment.
    ccRadian angle() const noexcept { return cfDirectionAngle(p2_ - p1_); }
    ccVector<2> midPoint() const noexcept { return (p1_ + p2_) * 0.5; }

    bool isRegion() const override { return false; }
    bool isOpenContour() const override { return true; }
    bool isRightHanded() const override { return false; }

    bool within(const ccVector<2>& p) const override;
    double windingAngle(const ccVector<2>& p) const override {
        return cfSubtendedAngle(p1_, p2_, p);
    }
    ccVector<2> startPoint() const override { return p1_; }
    ccVector<2> endPoint() const override { return p2_; }
    ccRadian startAngle() const override { return angle(); }
    ccRadian endAngle() const override { return angle(); }
    double tangentRotation() const override { return 0.0; }
    ccRect boundingBox() const override;
    ccVector<2> nearestPoint(const ccVector<2>& p) const override;
    ccPerimPos nearestPerimPos(const ccVector<2>& p) const override;
    double perimeter() const override { return length(); }
    // Node 0 only (another throws ccShapesError::BadParams).
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;
    void perimPointsAndTangents(const double* offsets, long n, ccVector<2>* points,
                                ccRadian* tangents) const override;
    // The same samples as the shape default, with the direction found once.
    void sample(const ccSampleParams& params, ccSampleResult& result) const override;
    long sampleCount(const ccSampleParams& params) const noexcept override;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

  protected:
    bool equal_(const ccShape& other) const override;
    // The sub-segment between the two offsets, clamped to the segment.
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

  private:
    ccVector<2> p1_;
    ccVector<2> p2_;

  public:
    // The archive items after the version, in the order of the form: p1, p2.
    // Loading validates them as the constructor does (ccArchive::Error when
    // refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, p1, p2.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the same items without the version byte.
    bool loadSimple(ccArchive& ar) override;
};
