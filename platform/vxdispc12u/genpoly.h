// Generalized polygons: polygons whose corners may be rounded or notched, and
// wireframes, which add a polarity flag.
//
// A ccGenPoly has vertices, one radius per vertex and a closed flag. Its
// boundary is the contour of segments and circular arcs that contour()
// (and decompose()) gives:
// - A positive radius r rounds the corner with the arc of radius r tangent to
//   both edges; it takes r tan(|turn| / 2) of each edge, where `turn` is the
//   signed angle from the incoming to the outgoing edge direction.
// - A negative radius r cuts a relief notch: the arc of radius |r| centred on
//   the vertex, from the point |r| before the vertex on the incoming edge to
//   the point |r| after it on the outgoing edge, running the other way round
//   than the corner turns (sweeping pi - |turn|). It meets both edges at a
//   right angle. A straight-through vertex (turn 0) counts as a left turn.
//   Each notch arc passes through negCornerArc_, which gives the arc to use.
// - A zero radius leaves a sharp corner. The first and last vertex of an open
//   polygon are no corners: their radii are ignored.
// - Order of pieces: an open polygon runs from vertex 0 to the last vertex,
//   each edge followed by the corner arc at its end vertex. A closed polygon
//   starts at vertex 0's corner: at vertex 0 itself when that corner is sharp,
//   otherwise at the middle of its arc, which is then split into two halves,
//   the first and last pieces. So reversing keeps the start point.
// - Pieces of no length (an arc of a corner that does not turn, an edge used
//   up exactly by its corners) are left out.
//
// The polygon answers every query of ccShape through that contour. Its own
// node numbering has the single node 0 (it is a leaf of a ccShapeInfo), with
// offsets along the whole contour; sampling gives the contour's samples with
// positions in that numbering. mapShape gives the contour mapped by the
// transform (a ccContourTree), since a corner arc under a general affine map
// is an elliptical arc that no radius describes; reverse() gives a polygon of
// the same type with the vertices and radii in reverse order (a closed one
// keeps vertex 0 first); a piece is an open ccContourTree of the pieces of
// the contour; clipping clips the contour.
//
// Bad input throws ccShapesError::BadParams and leaves the polygon as it was:
// non-finite vertices or radii, a radius list that does not match the
// vertices, fewer than two vertices (three when closed), coincident
// neighbouring vertices (a closed polygon must not repeat vertex 0 at the
// end), and radii too large for their edges: the lengths two corners take of
// an edge must not add up to more than the edge (cc_tol::kCoincident of
// slack), and a rounded corner must not turn back on itself (|turn| = pi).
//
// The default polygon has no vertices: it is empty, its perimeter is 0 and
// queries that need a point throw BadParams.
#pragma once

#include <vector>

#include "vxstd12u/ellipse.h"
#include "vxstd12u/shape.h"
#include "vxstd12u/shapetree.h"

class ccGenPoly : public ccShape {
  public:
    using ccVertexList = std::vector<ccVector<2>>;
    using ccRadiusList = std::vector<double>;

    // No vertices, open.
    ccGenPoly() = default;
    // Sharp corners everywhere.
    ccGenPoly(const ccVertexList& vertices, bool closed);
    ccGenPoly(const ccVertexList& vertices, const ccRadiusList& radii, bool closed);

    const ccVertexList& vertices() const noexcept { return vertices_; }
    const ccRadiusList& radii() const noexcept { return radii_; }
    bool isClosed() const noexcept { return closed_; }
    // Sets all parameters together, as the constructor.
    void set(const ccVertexList& vertices, const ccRadiusList& radii, bool closed);

    // The boundary as segments and arcs (see the header comment): a closed
    // ccContourTree for a closed polygon, an open one otherwise.
    ccPtrHandle<ccContourTree> contour() const;

    // ---- ccShape ----

    bool isRegion() const override { return closed_; }
    bool isOpenContour() const override { return !closed_ && !isEmpty(); }
    bool isRightHanded() const override;
    bool isEmpty() const override { return vertices_.empty(); }
    bool isDecomposed() const override { return false; }
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
    // Node 0 is the only node; any other throws BadParams.
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;
    void sample(const ccSampleParams& params, ccSampleResult& result) const override;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;
    ccPtrHandle<ccShape> decompose() const override;

    // The archive items after the version, in the order of the form: vertices, radii, closed flag.
    // Loading validates them as the constructor does (ccArchive::Error when
    // refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, vertices, radii, closed flag.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the same items without the version byte.
    bool loadSimple(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    ccPtrHandle<ccShape> clip_(const ccPolyline& region, ccClipInfo& info) const override;
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

    // The arc to put into the contour for each relief notch `arc`; the plain
    // polygon uses it unchanged.
    virtual ccPtrHandle<ccEllipseArc2> negCornerArc_(const ccEllipseArc2& arc) const;

    // Whether all parameters equal those of `other`.
    bool sameOutline_(const ccGenPoly& other) const;
    // Turns this fresh copy round (see the header comment), for the reversal
    // of this type and of derived types; gives no change notice.
    void runBackwards_();

  private:
    ccVertexList vertices_;
    ccRadiusList radii_;
    bool closed_ = false;
};

// A generalized polygon that carries an edge polarity: whether the expected
// gradient along its boundary is reversed. The flag plays no part in the
// geometry. reverse() keeps it; reversePreservingPolarity() flips it, so the
// polarity keeps pointing to the same side of the edge.
class cc2Wireframe : public ccGenPoly {
  public:
    // No vertices, open, polarity not reversed.
    cc2Wireframe() = default;
    cc2Wireframe(const ccVertexList& vertices, const ccRadiusList& radii, bool closed,
                 bool polarityReversed = false);

    bool isPolarityReversed() const noexcept { return polarityReversed_; }
    // Stores the flag, then tells polarity_ the new value (every call, changed
    // or not).
    void polarity(bool reversed);

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> reverse() const override;

    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, the ccGenPoly form (with its own version), polarity flag.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the ccGenPoly items and the polarity flag, no versions.
    bool loadSimple(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    ccPtrHandle<ccShape> reverse_() const override;
    // Called by polarity() with the new flag, after storing it; the plain
    // wireframe does nothing more.
    virtual void polarity_(bool reversed);

  private:
    void exchangePolarity(ccArchive& ar);

    bool polarityReversed_ = false;
};
