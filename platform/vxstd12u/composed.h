// Regions made of closed loops of primitive pieces, and the skewed frames that
// place generalized and affine rectangles in the plane.
#pragma once

#include <vector>

#include "vxstd12u/line.h"
#include "vxstd12u/shape.h"

// A region whose boundary is one or more closed loops, each a chain of
// primitive pieces (segments, elliptical arcs, whole ellipses) that the
// concrete type builds on demand from its plain parameters. Nothing is cached.
//
// Conventions every such region keeps:
// - The first loop is the outer boundary; any further loop bounds a hole and
//   runs the other way round (a right-handed region has a right-handed outer
//   loop and left-handed holes). The region is right-handed when its outer
//   loop is.
// - Arc length runs through the loops in order: offsets [0, p0] lie on the
//   outer loop, (p0, p0 + p1] on the first hole, and so on; the perimeter is
//   the sum over all loops. The shape is one node (node 0) of its own
//   numbering.
// - Start point and angle are those of the outer loop's first piece; the end
//   point and angle are where the outer loop closes, so they equal the start.
//   tangentRotation() is the outer loop's turn: +2*pi right-handed, -2*pi
//   left-handed.
// - within() includes the boundary (to cc_tol::kCoincident) and excludes the
//   inside of holes; windingAngle() sums the sweep of every piece, so it is 0
//   inside a hole. A non-finite query point throws ccShapesError::BadParams.
// - sample() gives each loop a closed chain of its own.
// - decompose(): a loop of one piece is that piece itself, a longer loop a
//   closed ccContourTree of its pieces. A region without holes decomposes into
//   its loop; one with holes into a solid ccRegionTree whose boundary is the
//   outer loop, with one hole ccRegionTree child per hole.
// - A piece of the perimeter (subShape) within one loop is an open
//   ccContourTree of the clipped pieces (or the clipped piece itself when only
//   one is touched); one that runs across loops is a ccGeneralShapeTree of the
//   parts on each loop.
class ccComposedShape : public ccShape {
  public:
    using Loop = std::vector<ccShapePtrh_const>;

    bool isRegion() const override { return true; }
    bool isOpenContour() const override { return false; }
    bool isDecomposed() const override { return false; }

    bool within(const ccVector<2>& p) const override;
    double windingAngle(const ccVector<2>& p) const override;
    ccVector<2> startPoint() const override;
    ccVector<2> endPoint() const override { return startPoint(); }
    ccRadian startAngle() const override;
    ccRadian endAngle() const override;
    double tangentRotation() const override;
    ccRect boundingBox() const override;
    ccVector<2> nearestPoint(const ccVector<2>& p) const override;
    ccPerimPos nearestPerimPos(const ccVector<2>& p) const override;
    double perimeter() const override;
    // Node 0 only (another throws ccShapesError::BadParams); the offset is
    // clamped to [0, perimeter()].
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;
    void sample(const ccSampleParams& params, ccSampleResult& result) const override;
    ccPtrHandle<ccShape> decompose() const override;

    // The boundary loops, outer first, pieces in the order of travel, pieces
    // of zero length left out. Never empty, and no loop is empty.
    std::vector<Loop> loops() const { return loops_(); }

  protected:
    ccComposedShape() = default;
    ccComposedShape(const ccComposedShape&) = default;
    ccComposedShape& operator=(const ccComposedShape&) = default;

    virtual std::vector<Loop> loops_() const = 0;
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;
};

// Whether a piece is too short to keep in a loop: no longer than
// cc_tol::kCoincident (an elliptical arc judged by its larger radius times its span).
bool cfIsNegligiblePiece(const ccShape& piece);

// Appends `piece` to `loop` unless it is negligible.
void cfAppendPiece(ccComposedShape::Loop& loop, const ccShapePtrh_const& piece);

// The same loop run backwards: pieces in the opposite order, each reversed.
ccComposedShape::Loop cfReversedLoop(const ccComposedShape::Loop& loop);

// Each piece of `loop` mapped by `xform`.
ccComposedShape::Loop cfMappedLoop(const ccComposedShape::Loop& loop, const ccXform<2>& xform);

// ---- Skewed frames ----

// The frame of a generalized or affine rectangle: the point center + u * xDir +
// v * yDir for local coordinates (u, v), where xDir is the unit vector at
// `orient` and yDir the unit vector at orient + pi/2 + skew. With |skew| <
// pi/2 the frame keeps handedness.
struct ccSkewFrame {
    ccVector<2> center;
    double orient = 0.0;
    double skew = 0.0;

    ccVector<2> xDir() const { return ccVector<2>::polar(orient); }
    ccVector<2> yDir() const { return ccVector<2>::polar(orient + ccPi / 2 + skew); }
    // The map from local coordinates to the plane.
    ccXform<2> xform() const;
    // The frame whose axes point along `xAxis` and `yAxis`, about `center`.
    // `lengths` receives the lengths of the two axes. Returns false, leaving
    // the outputs unchanged, when an axis is zero or the axes are parallel or
    // form a left-handed pair (their cross product not positive).
    static bool fromAxes(const ccVector<2>& center, const ccVector<2>& xAxis,
                         const ccVector<2>& yAxis, ccSkewFrame& frame, ccVector<2>& lengths);
};

// Finiteness checks (cfRequireFinite) come from line.h.

// Throws ccShapesError::BadParams naming `what` unless skew is finite and
// strictly between -pi/2 and pi/2.
void cfRequireSkew(double skew, const char* what);
