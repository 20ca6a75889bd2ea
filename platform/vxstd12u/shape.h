// The shape base: an immutable two-dimensional shape shared through handles.
//
// Conventions every shape type keeps:
// - Angles are radians measured from +x towards +y. A tangent is the
//   direction of travel along the shape, from its start point to its end point.
// - A closed boundary is right-handed when its signed area (the integral of
//   x dy around it) is positive, that is when it runs counter-clockwise in a
//   y-up frame. A featurelet angle of tangent + pi/2 then points into a
//   right-handed region.
// - Arc length is measured from the start point along the direction of
//   travel. Positions on a tree are ccPerimPos values in the pre-order node
//   numbering of a ccShapeInfo built from the shape (node 0 is the shape).
// - Every operation that makes a shape from this one returns it in a new
//   handle and leaves this shape unchanged. Where an operation derives a
//   shape of another type from this one (a piece of a circle is an arc), the
//   result passes through cloneThat_, so that a derived shape keeps the nature
//   of its source (a shape model gives shape models).
// - Bad input (a non-finite coordinate, a negative radius, an empty handle)
//   throws ccShapesError::BadParams or ccBadPointer with a message; a failed
//   operation leaves every shape as it was.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "vxstd12u/handle.h"
#include "vxstd12u/perimpos.h"
#include "vxstd12u/persistent.h"
#include "vxstd12u/radian.h"
#include "vxstd12u/repbase.h"
#include "vxstd12u/sample.h"
#include "vxstd12u/vector.h"
#include "vxstd12u/xform.h"

class ccRect;
class ccPolyline;
class ccShapeInfo;
class ccShapeTree;
class ccMappedShape;
// Defined by the shape-model layer above this library; shapes only point to it.
class ccShapeModel;

class ccClipWalk;

// What a clip removed. Offsets are arc lengths along the shape that was
// clipped, in increasing order, one for each point where the clip boundary
// cut the shape.
//
// A tree's clip hands its parts' clips an info that also names the walk the
// clip of the whole tree keeps (clipwalk.h), so that no level measures its
// subtree afresh; callers leave it null, and clear() keeps it.
class ccClipInfo {
  public:
    bool anythingRemoved() const noexcept { return removed_; }
    void anythingRemoved(bool v) noexcept { removed_ = v; }
    const std::vector<double>& cutOffsets() const noexcept { return cuts_; }
    void addCut(double offset) { cuts_.push_back(offset); }
    void clear() noexcept {
        removed_ = false;
        cuts_.clear();
    }
    ccClipWalk* walk() const noexcept { return walk_; }
    void walk(ccClipWalk* w) noexcept { walk_ = w; }

  private:
    bool removed_ = false;
    std::vector<double> cuts_;
    ccClipWalk* walk_ = nullptr;
};

// A curve read through a parameter of its own, in which a point costs no
// search for an arc length. Shapes whose points at an arc length are found
// numerically offer one (ccShape::ownParametrisation), so that an integral
// along an image of the curve (its length under a perspective map) evaluates
// it directly: a search's tolerance would leave the integrand too rough for
// the integral to settle. A parametrisation refers to its shape, which must
// outlive it.
class ccCurveParametrisation {
  public:
    virtual ~ccCurveParametrisation() = default;
    // The parameter runs over [0, end()], from the start point to the end
    // point; end() is 0 only for a curve without extent.
    virtual double end() const = 0;
    // At t (clamped to [0, end()]): the point, its derivative d point / dt and
    // the direction of travel, which perimPointAndTangent would give at the
    // same point (also where the derivative vanishes; at the end, the
    // direction arriving there).
    virtual void pointAt(double t, ccVector<2>& point, ccVector<2>& derivative,
                         ccRadian& tangent) const = 0;
    // The arc length from the start point to t (clamped to [0, end()]).
    virtual double arcLengthAt(double t) const = 0;
};

class ccShape : public virtual ccRepBase, public virtual ccPersistent {
  public:
    using ccSampleParams = ccShapeSampleParams;
    using ccSampleResult = ccShapeSampleResult;

    ~ccShape() override = default;

    // ---- What kind of shape it is ----

    // Whether the shape bounds an area: a closed curve or a region tree.
    virtual bool isRegion() const = 0;
    // Whether the shape is one open curve with two distinct ends.
    virtual bool isOpenContour() const = 0;
    // For a region, whether its boundary is right-handed; false for open shapes.
    virtual bool isRightHanded() const = 0;
    // Whether reverse() gives a shape that runs the other way (a point does not).
    virtual bool isReversible() const { return true; }
    // Whether the shape has finite extent (a line does not).
    virtual bool isFinite() const { return true; }
    // Whether the shape has no points at all (an empty tree).
    virtual bool isEmpty() const { return false; }
    // Whether decompose() would give the shape unchanged.
    virtual bool isDecomposed() const { return true; }
    // Whether the shape has a tangent (a point has none).
    virtual bool hasTangent() const { return true; }

    // This shape as a tree, a mapped shape or a shape model; null when it is
    // not one. Walks that visit every node ask these instead of casting: a
    // dynamic_cast across the shapes' virtual bases costs hundreds of
    // instructions, and a failed one the most.
    virtual const ccShapeTree* asShapeTree() const noexcept { return nullptr; }
    virtual const ccMappedShape* asMappedShape() const noexcept { return nullptr; }
    virtual const ccShapeModel* asShapeModel() const noexcept { return nullptr; }

    // ---- Geometry ----

    // Whether `p` lies inside the region (boundary included). An open shape
    // throws ccShapesError::NotRegion.
    virtual bool within(const ccVector<2>& p) const = 0;
    // The angle the shape sweeps as seen from `p`, signed (counter-clockwise
    // positive): 2*pi times the winding number for a closed shape around `p`.
    virtual double windingAngle(const ccVector<2>& p) const = 0;
    virtual ccVector<2> startPoint() const = 0;
    virtual ccVector<2> endPoint() const = 0;
    // Tangent directions at the start and at the end.
    virtual ccRadian startAngle() const = 0;
    virtual ccRadian endAngle() const = 0;
    // The signed total turn of the tangent from start to end, corners
    // included (+2*pi for a right-handed simple closed curve).
    virtual double tangentRotation() const = 0;
    virtual ccRect boundingBox() const = 0;
    // The point of the shape nearest to `p`.
    virtual ccVector<2> nearestPoint(const ccVector<2>& p) const = 0;
    // The position of that point, in this shape's own node numbering.
    virtual ccPerimPos nearestPerimPos(const ccVector<2>& p) const = 0;
    // Length of the boundary; +inf for infinite shapes.
    virtual double perimeter() const = 0;
    // The point and tangent at `pos`, in this shape's own node numbering.
    // Offsets are clamped to the node's perimeter.
    virtual void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                      ccRadian& tangent) const = 0;
    // The points (and, when `tangents` is not null, the tangents) at the n
    // arc lengths `offsets` along node 0, each as perimPointAndTangent gives
    // it, bit for bit. Rising offsets cost the least: a shape whose points
    // are costly to find one by one (a curve seen in perspective) measures
    // itself once for all of them. n <= 0 does nothing; the default asks
    // perimPointAndTangent for each offset.
    virtual void perimPointsAndTangents(const double* offsets, long n, ccVector<2>* points,
                                        ccRadian* tangents) const;

    // Appends samples of the shape to `result` (see ccShapeSampleParams).
    // The default samples by perimeter() and perimPointAndTangent with the
    // rules of cfSampleOffsets (shapeinfo.h): one chain, closed for a region;
    // no tangents for a shape without one; perimeter positions (shapeIndex,
    // arc length). An infinite shape throws ccShapesError::InfiniteExtent in
    // either mode; unusable parameters throw BadParams.
    virtual void sample(const ccSampleParams& params, ccSampleResult& result) const;
    // The number of samples sample() would append with these parameters,
    // when the shape can tell it without sampling (a cheap perimeter and the
    // rules of cfSampleOffsets); -1 when it cannot, and for any shape or
    // parameters that sample() would refuse. Callers use it to size their
    // output once; it never throws.
    virtual long sampleCount(const ccSampleParams& /*params*/) const noexcept { return -1; }
    // The shape's own parametrisation when its points at an arc length are
    // found numerically (Bezier curves, splines, ellipses and elliptical
    // arcs); null for every other shape, trees included.
    virtual std::unique_ptr<const ccCurveParametrisation> ownParametrisation() const {
        return nullptr;
    }

    // Geometric equality: same type and same parameters, both ways.
    bool operator==(const ccShape& other) const { return equal_(other) && other.equal_(*this); }
    bool operator!=(const ccShape& other) const { return !(*this == other); }

    // ---- Operations that make new shapes ----

    virtual ccPtrHandle<ccShape> clone() const = 0;
    // The image under an affine map; see the conventions above. A shape
    // whose type cannot hold the image returns a shape of the type that can.
    virtual ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const = 0;
    // The same point set traversed the other way.
    virtual ccPtrHandle<ccShape> reverse() const = 0;
    // Reversal that keeps which side the edge's polarity points to: a
    // polarity-carrying shape flips its polarity as it reverses.
    ccPtrHandle<ccShape> reversePreservingPolarity() const { return reverse_(); }
    // The shape as primitives: itself for a primitive, a tree otherwise.
    virtual ccPtrHandle<ccShape> decompose() const { return clone(); }
    // The piece that starts at range.first and runs range.second along the
    // perimeter, positions in the numbering of `info`, which must describe this
    // shape. A range beyond the shape is clamped to it (it never wraps round a
    // closed shape). A negative or NaN length throws BadParams; the default
    // throws InfiniteExtent for an infinite shape.
    virtual ccPtrHandle<ccShape> subShape(const ccShapeInfo& info,
                                          const std::pair<ccPerimPos, double>& range) const;
    // The parts of the shape inside the closed, simple polyline `region`; an
    // empty tree when none is. `info` is cleared and filled.
    ccPtrHandle<ccShape> clip(const ccPolyline& region, ccClipInfo& info) const {
        return clip_(region, info);
    }

  protected:
    ccShape() = default;
    ccShape(const ccShape&) = default;
    ccShape& operator=(const ccShape&) = default;

    // Whether `other` is a shape of this shape's type with equal parameters.
    virtual bool equal_(const ccShape& other) const = 0;
    virtual ccPtrHandle<ccShape> clip_(const ccPolyline& region, ccClipInfo& info) const;
    // See reversePreservingPolarity; the base reverses.
    virtual ccPtrHandle<ccShape> reverse_() const { return reverse(); }
    // Gives `that`, a shape derived from this one, this shape's nature; the
    // base returns a copy of `that`.
    virtual ccPtrHandle<ccShape> cloneThat_(const ccShape& that) const { return that.clone(); }
    // The piece of a primitive between arc lengths `from` <= `to` of its own
    // perimeter, as a plain shape; the default subShape passes it through
    // cloneThat_. Trees override subShape.
    virtual ccPtrHandle<ccShape> pieceBetween_(double from, double to) const = 0;
};

using ccShapePtrh = ccPtrHandle<ccShape>;
using ccShapePtrh_const = ccPtrHandle_const<ccShape>;
