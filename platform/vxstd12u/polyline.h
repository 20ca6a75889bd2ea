// Polylines: chains of straight edges through a list of vertices.
#pragma once

#include <vector>

#include "vxstd12u/shape.h"

// An open or closed chain of straight edges through vertices() in order. A
// closed polyline has the extra closing edge from the last vertex back to the
// first, and its perimeter includes it; it starts and ends at vertex 0.
//
// - Vertices must be finite (else ccShapesError::BadParams at construction).
//   Consecutive coincident vertices are allowed: their zero-length edges add
//   nothing to lengths or turns, take no part in tangents, and are left out by
//   decompose().
// - The default polyline is empty (no vertices) and open. isEmpty() is true
//   for it; startPoint, endPoint, their angles, perimPointAndTangent,
//   nearestPoint, nearestPerimPos and boundingBox of an empty polyline throw
//   ccShapesError::BadParams. Its perimeter, windingAngle and tangentRotation
//   are 0.
// - A closed polyline is a region (isRegion() true), even a degenerate one with
//   fewer than three vertices; it is right-handed when its signed area (the
//   integral of x dy) is positive. An open polyline with at least one vertex is
//   an open contour.
// - within() (closed only, else ccShapesError::NotRegion) uses the non-zero
//   winding rule: p is inside when the boundary winds around it, and every
//   point within cc_tol::kCoincident of the boundary is inside.
// - The tangent at a vertex is that of the edge leaving it (at the end of an
//   open polyline, that of the last edge); zero-length edges are skipped over.
//   A polyline with no edge of positive length has tangent 0.
// - tangentRotation() sums the signed turns (exterior angles, each in
//   (-pi, pi]; a full reversal counts +pi whichever way it is run, so it
//   alone does not change sign under reverse()) at the vertices between successive
//   edges of positive length, including, when closed, the turn at vertex 0
//   from the closing edge back to the first.
// - reverse() runs the same edges backwards; a closed polyline keeps vertex 0
//   as its start, so reversing twice gives back an equal polyline.
// - A piece (subShape) is an open polyline; mapShape maps every vertex and
//   keeps the order.
// - Arc lengths are exact sums of the edges' Euclidean lengths, accumulated
//   once at construction.
class ccPolyline : public ccShape {
  public:
    ccPolyline() = default;
    // Throws ccShapesError::BadParams when a vertex is not finite.
    ccPolyline(const std::vector<ccVector<2>>& vertices, bool closed);

    const std::vector<ccVector<2>>& vertices() const noexcept { return vertices_; }
    long numVertices() const noexcept { return static_cast<long>(vertices_.size()); }
    // Throws ccShapesError::BadParams for i outside [0, numVertices()).
    const ccVector<2>& vertex(long i) const;
    bool isClosed() const noexcept { return closed_; }
    // Setters check as the constructor does and leave the polyline unchanged on failure.
    void vertices(const std::vector<ccVector<2>>& vertices);
    void isClosed(bool closed);

    // Number of edges: numVertices() - 1 when open, numVertices() when closed
    // (0 for an empty polyline; a closed one-vertex polyline has one
    // zero-length edge).
    long numEdges() const noexcept;
    // Arc length from the start to vertex i, for i in [0, numEdges()]; i equal to
    // numEdges() gives the perimeter (for a closed polyline that is the return to
    // vertex 0). Throws ccShapesError::BadParams outside that range.
    double arcLengthAtVertex(long i) const;
    // The open polyline from arc length `from` to arc length `to` (both clamped
    // to the perimeter), through the vertices strictly between. Throws
    // ccShapesError::BadParams when the polyline is empty or from > to.
    ccPolyline piece(double from, double to) const;
    // For a closed polyline the signed area (positive when right-handed); 0 when open.
    double signedArea() const;
    // The mean of the vertices; ccShapesError::BadParams when empty.
    ccVector<2> center() const;

    bool isRegion() const override { return closed_; }
    bool isOpenContour() const override { return !closed_ && !vertices_.empty(); }
    bool isRightHanded() const override { return closed_ && signedArea() > 0; }
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
    // Node 0 only (another throws ccShapesError::BadParams); offsets clamped to
    // [0, perimeter()]. Found by binary search over the edges.
    void perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                              ccRadian& tangent) const override;
    // The same samples as the shape default, found in one pass along the edges.
    void sample(const ccSampleParams& params, ccSampleResult& result) const override;
    long sampleCount(const ccSampleParams& params) const noexcept override;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;
    // A ccContourTree (closed when the polyline is) of the ccLineSeg edges of
    // positive length, in order.
    ccPtrHandle<ccShape> decompose() const override;

  protected:
    bool equal_(const ccShape& other) const override;
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

  private:
    // End vertices of edge i.
    const ccVector<2>& edgeStart(long i) const { return vertices_[i]; }
    const ccVector<2>& edgeEnd(long i) const;
    double edgeLength(long i) const { return cumulative_[i + 1] - cumulative_[i]; }
    // The edge holding arc length s (clamped), preferring the edge that leaves
    // a vertex, skipping zero-length edges; -1 when no edge has length.
    long edgeAt(double s) const;
    // Direction of the first (last) edge of positive length at or after
    // (before) edge i; 0 when there is none.
    ccRadian directionFrom(long i) const;
    ccRadian directionUpTo(long i) const;
    // The nearest point of the polyline and its arc length; the first of
    // equally near edges wins.
    std::pair<ccVector<2>, double> nearest(const ccVector<2>& p) const;
    // The point at arc length s (clamped) and the edge it lies on (-1 with
    // vertex 0 when the polyline has no edges).
    std::pair<ccVector<2>, long> pointAt(double s) const;
    // pointAt(s) for s within [0, perimeter()] on edge i = edgeAt(s).
    std::pair<ccVector<2>, long> pointOnEdge(long i, double s) const;
    void requireVertices(const char* operation) const;
    void accumulateLengths();

    std::vector<ccVector<2>> vertices_;
    bool closed_ = false;
    // Derived from the vertices: arc length at the start of each edge, with the
    // perimeter last (numEdges() + 1 entries).
    std::vector<double> cumulative_{0.0};

  public:
    // The archive items after the version, in the order of the form: vertices, closed flag.
    // Loading validates them as the constructor does (ccArchive::Error when
    // refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, vertices, closed flag.
    void dispatchSerialize(ccArchive& ar) override;
};
