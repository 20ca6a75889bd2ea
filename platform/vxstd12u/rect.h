// Axis-aligned rectangles.
#pragma once

#include "vxstd12u/shape.h"

class ccPolyline;

// The closed rectangle with corner origin() and extent size() (width, height),
// both components of the size at least 0. It is also the type of every
// bounding box.
//
// Traversal: the boundary starts at origin() and runs along +x first, through
// the corners origin, origin + (w, 0), origin + (w, h), origin + (0, h), so a
// rectangle with positive width and height is right-handed (counter-clockwise
// in a y-up frame). Arc-length offsets run from origin (0) to 2 (w + h),
// clamped.
//
// Degenerate rectangles (a zero width or height) are allowed, being the bounding
// boxes of points and axis-parallel segments: their area is 0, they are not
// right-handed, their boundary runs out and back, and decompose() leaves out
// their zero-length sides.
//
// Derived shapes: reverse() gives the closed ccPolyline of the corners in the
// opposite order (starting at origin, running along +y first); mapShape gives
// a ccRect when the map keeps the rectangle axis-aligned with the same start
// corner and direction (a diagonal matrix with positive entries), otherwise the
// closed ccPolyline of the mapped corners in order. A piece is an open
// ccPolyline. decompose() gives a closed ccContourTree of its ccLineSeg sides.
class ccRect : public ccShape {
  public:
    // The empty rectangle at the origin.
    ccRect() = default;
    // Throws ccShapesError::BadParams for a non-finite origin or size or a
    // negative size component.
    ccRect(const ccVector<2>& origin, const ccVector<2>& size);
    // The smallest rectangle holding both points, in any order. Throws
    // ccShapesError::BadParams for a non-finite point.
    static ccRect spanning(const ccVector<2>& a, const ccVector<2>& b);

    const ccVector<2>& origin() const noexcept { return origin_; }
    const ccVector<2>& size() const noexcept { return size_; }
    // Setters check as the constructor does and leave the rectangle unchanged on failure.
    void origin(const ccVector<2>& origin);
    void size(const ccVector<2>& size);

    double width() const noexcept { return size_.x(); }
    double height() const noexcept { return size_.y(); }
    double xMin() const noexcept { return origin_.x(); }
    double yMin() const noexcept { return origin_.y(); }
    double xMax() const noexcept { return origin_.x() + size_.x(); }
    double yMax() const noexcept { return origin_.y() + size_.y(); }
    double area() const noexcept { return size_.x() * size_.y(); }
    ccVector<2> center() const noexcept { return origin_ + size_ * 0.5; }
    // Corners in traversal order: origin, then along +x, then the far corner,
    // then along +y.
    ccVector<2> corner(int i) const;
    ccVector<2> lowerLeft() const noexcept { return origin_; }
    ccVector<2> lowerRight() const noexcept { return {xMax(), yMin()}; }
    ccVector<2> upperRight() const noexcept { return {xMax(), yMax()}; }
    ccVector<2> upperLeft() const noexcept { return {xMin(), yMax()}; }
    // The boundary as a closed ccPolyline of the four corners in traversal order.
    ccPolyline toPolyline() const;
    // The smallest rectangle holding this one and `other`.
    ccRect unionWith(const ccRect& other) const;

    bool isRegion() const override { return true; }
    bool isOpenContour() const override { return false; }
    bool isRightHanded() const override { return size_.x() > 0 && size_.y() > 0; }
    bool isDecomposed() const override { return false; }

    // Whether p lies in the closed rectangle; points within cc_tol::kCoincident
    // of the boundary count as on it.
    bool within(const ccVector<2>& p) const override;
    double windingAngle(const ccVector<2>& p) const override;
    ccVector<2> startPoint() const override { return origin_; }
    ccVector<2> endPoint() const override { return origin_; }
    ccRadian startAngle() const override;
    ccRadian endAngle() const override;
    double tangentRotation() const override;
    ccRect boundingBox() const override { return *this; }
    ccVector<2> nearestPoint(const ccVector<2>& p) const override;
    ccPerimPos nearestPerimPos(const ccVector<2>& p) const override;
    double perimeter() const override { return 2.0 * (size_.x() + size_.y()); }
    // Node 0 only (another throws ccShapesError::BadParams).
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;
    // Samples exactly as toPolyline() does, building the corners once rather
    // than for every sample.
    void sample(const ccSampleParams& params, ccSampleResult& result) const override;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;
    ccPtrHandle<ccShape> decompose() const override;

  protected:
    bool equal_(const ccShape& other) const override;
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

  private:
    ccVector<2> origin_;
    ccVector<2> size_;

  public:
    // The archive items after the version, in the order of the form: origin, size.
    // Loading validates them as the constructor does (ccArchive::Error when
    // refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, origin, size.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the same items without the version byte.
    bool loadSimple(ccArchive& ar) override;
};
