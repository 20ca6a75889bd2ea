// A shape seen through a transform of the plane.
#pragma once

#include <atomic>
#include <limits>

#include "vxstd12u/shape.h"
#include "vxstd12u/transform.h"

// The image of an inner shape under a transform, which may be non-linear (a
// perspective map). The inner shape may itself be a mapped shape; the chain's
// transforms compose into overallMapXform() and the innermost shape is
// underlyingShape().
//
// Everything is answered in the outer frame:
// - Under a linear overall transform, every query and operation goes to
//   explicitShape(), the underlying shape mapped by its own mapShape.
// - Under a non-linear one, geometry comes from the underlying shape point by
//   point: arc lengths are those of the image curve (the mapped speed
//   integrated leaf by leaf, and cubic by cubic along a spline; curves that
//   have their own parametrisation are read through it), and samples are
//   spaced along the image.
//   The point at an arc length takes one measure of the whole image, so
//   perimPointsAndTangents, which measures it once for all its offsets, is
//   the way to ask for many.
//   A shape, or a leaf of a tree, that crosses the map's horizon runs out to
//   infinity: every query that follows its image point by point (length,
//   samples, points, probes) throws ccShapesError::BadParams, found at the
//   first evaluated point on the far side from the piece's start. Leaves of
//   a tree may lie on different sides.
//   Handedness and the turn of a closed shape flip where the map mirrors (its
//   derivative at the underlying start point has a negative determinant).
//   The winding angle of an open shape, the turn of an open shape, the
//   bounding box and the nearest point are found from 512 samples of the
//   image (the nearest point refined between its neighbours), so they are
//   exact to that resolution only. A tree seen through a non-linear map
//   samples as the tree of its children each mapped. Clipping under a
//   non-linear map throws ccShapesError::BadParams.
// - The mapped shape is one node of a ccShapeInfo numbering: its perimeter
//   positions are (0, arc length along the image), also over a tree. Any other
//   node number throws BadParams.
//
// The `bool share` of the constructor and of shape(): true keeps the given
// handle (the object is shared), false keeps a clone() of it. The transform
// is always copied. An empty shape handle throws ccBadPointer. A default
// mapped shape has no inner shape (every geometric query throws
// ccBadPointer) and the identity transform.
//
// mapShape(x) gives a new mapped shape over the same inner shape with x
// composed after this transform; reverse() and decompose() give mapped shapes
// of the inner shape's reversal and decomposition, under the same transform.
class ccMappedShape : public ccShape {
  public:
    ccMappedShape();
    ccMappedShape(const ccPtrHandle_const<ccShape>& shape, const cc2XformBase& xform, bool share);
    ccMappedShape(const ccMappedShape& other);
    ccMappedShape& operator=(const ccMappedShape& other);

    const ccMappedShape* asMappedShape() const noexcept override { return this; }

    // The inner shape (possibly empty for a default mapped shape).
    const ccPtrHandle_const<ccShape>& shape() const noexcept { return shape_; }
    void shape(const ccPtrHandle_const<ccShape>& shape, bool share = true);
    // The innermost shape below the chain of mapped shapes.
    ccPtrHandle_const<ccShape> underlyingShape() const;
    // The image as an explicit shape of the underlying shape's own mapping;
    // BadParams when the overall transform is not linear.
    ccPtrHandle<ccShape> explicitShape() const;
    // This mapped shape's own transform.
    const cc2XformBase& mapXform() const { return *xform_; }
    // The transform of the whole chain, innermost first.
    ccPtrHandle_const<cc2XformBase> overallMapXform() const;
    // The overall transform's linear form at the underlying shape's start
    // point (the transform itself when it is linear).
    cc2XformLinear overallMapXformLinear() const;

    bool isRegion() const override;
    bool isOpenContour() const override;
    bool isRightHanded() const override;
    bool isReversible() const override;
    bool isFinite() const override;
    bool isEmpty() const override;
    bool isDecomposed() const override;
    bool hasTangent() const override;
    bool within(const ccVector<2>& p) const override;
    double windingAngle(const ccVector<2>& p) const override;
    ccVector<2> startPoint() const override;
    ccVector<2> endPoint() const override;
    ccRadian startAngle() const override;
    ccRadian endAngle() const override;
    double tangentRotation() const override;
    ccRect boundingBox() const override;
    ccVector<2> nearestPoint(const ccVector<2>& p) const override;
    ccPerimPos nearestPerimPos(const ccVector<2>& p) const override;
    double perimeter() const override;
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;
    void perimPointsAndTangents(const double* offsets, long n, ccVector<2>* points,
                                ccRadian* tangents) const override;
    void sample(const ccSampleParams& params, ccSampleResult& result) const override;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;
    ccPtrHandle<ccShape> decompose() const override;
    ccPtrHandle<ccShape> subShape(const ccShapeInfo& info,
                                  const std::pair<ccPerimPos, double>& range) const override;

  protected:
    bool equal_(const ccShape& other) const override;
    ccPtrHandle<ccShape> clip_(const ccPolyline& region, ccClipInfo& info) const override;
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

  private:
    bool isLinear() const;
    // Whether the overall transform mirrors at the underlying start point.
    bool mirrors() const;

    // The image's length under a non-linear map, found on first use. It is
    // a cache, not state: any thread may fill it, always with the same value.
    double imageLength() const;
    // Fills the cache from the total of a measure of the image, which
    // integrates exactly as imageLength() does.
    void rememberImageLength(double length) const { imageLength_.store(length); }

    ccPtrHandle_const<ccShape> shape_;
    ccPtrHandle_const<cc2XformBase> xform_;
    mutable std::atomic<double> imageLength_{std::numeric_limits<double>::quiet_NaN()};

  public:
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, the inner shape (a handle, shared on reading), the
    // transform (a handle).
    void dispatchSerialize(ccArchive& ar) override;
};
