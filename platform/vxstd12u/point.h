// A single point as a shape.
#pragma once

#include "vxstd12u/shape.h"

// A shape made of one point. It has no tangent and no length, so its
// direction-dependent answers are fixed by convention:
// - startPoint() and endPoint() are the point; startAngle(), endAngle() and
//   tangentRotation() are 0; perimeter() is 0.
// - isOpenContour() is true: a point is the degenerate open contour whose two
//   ends coincide (so descriptions and connection treat it like a curve with
//   ends), while hasTangent() and isReversible() are false; reverse() gives a
//   copy.
// - within() throws ccShapesError::NotRegion; windingAngle() is 0.
// - Sampling (the shape default, for a shape of zero perimeter) gives one
//   open chain holding the point, with no tangent, whatever the spacing or
//   the point limit.
// - The default constructor gives the point at the origin.
class cc2Point : public ccShape {
  public:
    cc2Point() = default;
    // Throws ccShapesError::BadParams when `point` is not finite.
    explicit cc2Point(const ccVector<2>& point);

    const ccVector<2>& point() const noexcept { return point_; }
    // Throws ccShapesError::BadParams when `point` is not finite, leaving the
    // shape unchanged.
    void point(const ccVector<2>& point);

    bool isRegion() const override { return false; }
    bool isOpenContour() const override { return true; }
    bool isRightHanded() const override { return false; }
    bool isReversible() const override { return false; }
    bool hasTangent() const override { return false; }

    bool within(const ccVector<2>& p) const override;
    double windingAngle(const ccVector<2>&) const override { return 0.0; }
    ccVector<2> startPoint() const override { return point_; }
    ccVector<2> endPoint() const override { return point_; }
    ccRadian startAngle() const override { return ccRadian(0.0); }
    ccRadian endAngle() const override { return ccRadian(0.0); }
    double tangentRotation() const override { return 0.0; }
    // The empty rectangle (size 0) at the point.
    ccRect boundingBox() const override;
    ccVector<2> nearestPoint(const ccVector<2>&) const override { return point_; }
    // Node 0, offset 0.
    ccPerimPos nearestPerimPos(const ccVector<2>&) const override { return ccPerimPos(0, 0.0); }
    double perimeter() const override { return 0.0; }
    // The point and tangent 0 for every position of node 0; another node
    // throws ccShapesError::BadParams.
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;
    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override { return clone(); }

  protected:
    bool equal_(const ccShape& other) const override;
    // Every piece of a point is the point.
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

  private:
    ccVector<2> point_;

  public:
    // The archive items after the version, in the order of the form: point.
    // Loading validates them as the constructor does (ccArchive::Error when
    // refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, point.
    void dispatchSerialize(ccArchive& ar) override;
};
