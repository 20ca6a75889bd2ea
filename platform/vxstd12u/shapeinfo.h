// The node numbering of a shape tree, perimeter positions on it, and the
// sampling rules that trees, contours and mapped shapes share.
#pragma once

#include <cstddef>
#include <vector>

#include "vxstd12u/handle.h"
#include "vxstd12u/perimpos.h"
#include "vxstd12u/radian.h"
#include "vxstd12u/sample.h"
#include "vxstd12u/vector.h"

class ccShape;
class ccContourTree;

// A description of a shape's tree: every node numbered in pre-order (the shape
// itself is node 0), with its perimeter, the size of its subtree, where it
// starts along the traversal of the whole shape, and whether it is empty and
// decomposed.
//
// Numbering: the children of a tree follow it in child order. A ccRegionTree
// node i that has a boundary has the boundary as node i + 1 (with the
// boundary's own subtree) and its first child after the boundary's subtree; a
// root hole has no boundary node, so its first child is node i + 1. Anything
// that is not a ccShapeTree (a primitive, a mapped shape) is a leaf.
//
// Traversal: the whole shape is read as its leaves one after another in node
// order; arc lengths "from the start" add up the perimeters of the leaves
// before a position. A region node's boundary counts in its own direction.
//
// The info holds raw pointers to the nodes of the shape it was built from:
// it is valid while that shape lives and is not changed.
class ccShapeInfo {
  public:
    // No nodes at all; every query but numNodes() throws BadParams.
    ccShapeInfo() = default;
    // Describes `shape` and its whole tree. A tree nested deeper than
    // cc_tol::kMaxNestingDepth or an empty child handle throws (BadParams,
    // ccBadPointer).
    explicit ccShapeInfo(const ccShape& shape);

    long numNodes() const noexcept { return static_cast<long>(nodes_.size()); }

    // Queries of node `i`; an `i` outside [0, numNodes()) throws BadParams.
    const ccShape& node(long i) const;
    // The node's perimeter() bit for bit: a tree's is the sum of its parts'
    // in traversal order, whatever node the info starts from.
    double nodePerimeter(long i) const;
    long subtreeSize(long i) const;
    // The arc length from the start of node 0 to the start of node i.
    double nodeStart(long i) const;
    // The number of the node's parent; -1 for node 0.
    long parent(long i) const;
    // Whether node i is a leaf of the numbering (anything but a tree).
    bool isLeaf(long i) const;
    // The node's isEmpty() and isDecomposed(), asked once of each leaf when
    // the info is built; a tree is empty (decomposed) when all its parts are.
    bool isEmpty(long i) const;
    bool isDecomposed(long i) const;

    // The perimeter of the whole shape (node 0).
    double perimeter() const { return nodePerimeter(0); }

    // The position `arcLength` from the start of the whole shape, on the leaf
    // that holds it. See perimPosInSubtree.
    ccPerimPos perimPos(double arcLength) const { return perimPosInSubtree(0, arcLength); }

    // The position `arcLength` from the start of node `root`, given on the
    // leaf of root's subtree that holds it: at a joint, the leaf that starts
    // there; at the very end, the last leaf with its full perimeter. Leaves
    // without length are passed over while a longer one holds the position.
    // The arc length is clamped to the node's perimeter. A subtree without
    // leaves gives (root, 0). NaN throws BadParams.
    ccPerimPos perimPosInSubtree(long root, double arcLength) const;

    // The inverse of perimPos: the arc length from the start of the whole
    // shape to `pos` (node start plus offset, the offset clamped to the
    // node's perimeter). A node out of range throws BadParams.
    double arcLength(const ccPerimPos& pos) const;

    // The point and tangent at `pos`, a position on a leaf (as perimPos
    // gives it), from the leaf's own perimPointAndTangent. A node that is
    // not a leaf (a tree without leaves) throws BadParams.
    void leafPointAndTangent(const ccPerimPos& pos, ccVector<2>& point, ccRadian& tangent) const;

    // For n arc lengths from the start of node 0: the position perimPos
    // gives (into `positions` when not null) and the point and tangent there
    // (tangents when not null) as leafPointAndTangent gives them, bit for
    // bit. Rising arc lengths are found in one walk over the leaves, and each
    // leaf is asked once (perimPointsAndTangents) for a run of them that it
    // holds. A NaN arc length or a tree without leaves throws BadParams.
    void pointsAndTangents(const double* arcLengths, long n, ccVector<2>* points,
                           ccRadian* tangents, ccPerimPos* positions = nullptr) const;

    // The description of node i's subtree alone, renumbered from 0, written
    // to `out` (which is replaced).
    void extract_(long i, ccShapeInfo& out) const;

  private:
    struct Node {
        const ccShape* shape = nullptr;
        double perimeter = 0.0;
        double start = 0.0;
        long subtree = 1;
        long parent = -1;
        bool leaf = true;
        bool empty = true;
        bool decomposed = true;
    };

    const Node& at(long i) const;
    void add(const ccShape& shape, long parent, double start, long depth);

    std::vector<Node> nodes_;
};

// Sampling rules shared by every shape.
//
// Non-uniform mode: samples start at startOffset (reduced modulo the spacing
// into [0, spacing)) and follow at `spacing` along the perimeter; an open
// shape also gets its end point, unless a sample already lies on it; a closed
// shape never repeats its start (and gives no sample at all when it is
// shorter than the reduced start offset). When that gives more than maxPoints samples,
// the shape is sampled as in uniform mode with maxPoints samples instead (so
// the spacing grows and the samples restart at the start point).
//
// Uniform mode: exactly maxPoints samples. A closed shape gets them at k P / n
// (k = 0 .. n-1), an open one at k P / (n - 1) with both ends; a single sample
// of an open shape stands at the middle of its length.
//
// A shape of zero perimeter gives one sample at its start in either mode.

// Throws ccShapesError::BadParams unless the parameters can be used: a
// positive finite spacing (non-uniform mode), at least one point, and in
// uniform mode a real count (not ccNoPointLimit).
void cfCheckSampleParams(const ccShapeSampleParams& params);

// The arc lengths at which a curve of `perimeter` is sampled by the rules
// above, as a rising run first + step * k (k = 0 .. runLength - 1) and at most
// one last sample after it (an open curve's end, the middle of an open curve
// sampled once, or the start of a curve of zero perimeter). Both modes give
// that form, so sampling needs no array of offsets per curve. `closed` says
// whether the curve returns to its start. The perimeter must be finite and not
// negative (else ccShapesError::InfiniteExtent / BadParams); unusable
// parameters, and parameters that would give more than cc_tol::kMaxSamples
// arc lengths, throw BadParams.
class ccSampleOffsets {
  public:
    ccSampleOffsets(double perimeter, bool closed, const ccShapeSampleParams& params);

    long size() const noexcept { return runLength_ + (hasLast_ ? 1 : 0); }
    // The k-th arc length, 0 <= k < size().
    double operator[](long k) const noexcept {
        return k < runLength_ ? first_ + step_ * static_cast<double>(k) : last_;
    }

  private:
    bool spaced(double perimeter, bool closed, const ccShapeSampleParams& params);
    void uniform(double perimeter, bool closed, long n);

    double first_ = 0.0;
    double step_ = 0.0;
    long runLength_ = 0;
    bool hasLast_ = false;
    double last_ = 0.0;
};

// The number of arc lengths ccSampleOffsets gives for these arguments; -1
// where it would throw.
long cfSampleCount(double perimeter, bool closed, const ccShapeSampleParams& params) noexcept;

// The offsets of ccSampleOffsets as an array.
std::vector<double> cfSampleOffsets(double perimeter, bool closed,
                                    const ccShapeSampleParams& params);

// Appends the perimeter positions of `offsets` (on the result's current shape
// index) when the parameters ask for them; otherwise does nothing.
void cfAppendPerimPositions(const ccSampleOffsets& offsets, const ccShapeSampleParams& params,
                            ccShapeSampleResult& result);

// Appends one chain of samples of a finite curve of `perimeter` (closed or
// not), at the arc lengths ccSampleOffsets gives and in the form the shape
// default gives, taking each point and tangent from `at(arcLength, point,
// tangent)` (called with increasing arc lengths). Shapes whose point at an
// arc length is cheap to find in order sample through it; `at` is a template
// argument so that it inlines into the loop. Unusable parameters throw
// ccShapesError::BadParams before `result` is touched.
template <class PointAt>
void cfSampleChain(double perimeter, bool closed, const ccShapeSampleParams& params,
                   ccShapeSampleResult& result, const PointAt& at) {
    const ccSampleOffsets offsets(perimeter, closed, params);
    const long n = offsets.size();
    if (n == 0) return;
    result.beginChain(closed);
    const std::size_t first = result.positions().size();
    const auto count = static_cast<std::size_t>(n);
    result.positions().resize(first + count);
    if (params.computeTangents() || !result.tangents().empty())
        result.tangents().resize(first + count, ccRadian(0.0));
    ccVector<2>* point = result.positions().data() + first;
    ccRadian* tangent = params.computeTangents() ? result.tangents().data() + first : nullptr;
    ccRadian unused;
    for (long k = 0; k < n; ++k) at(offsets[k], point[k], tangent ? tangent[k] : unused);
    cfAppendPerimPositions(offsets, params, result);
}

// Splits `total` samples over parts of the given perimeters in proportion to
// them (largest remainders; ties to the earlier part), so that the counts add
// up to `total`. All-zero perimeters give everything to the first part.
std::vector<long> cfShareSamples(const std::vector<double>& perimeters, long total);

// Appends every chain of `from` to `to`. Tangents stay one per sample or
// none: once either side has them, samples without one get angle 0.
void cfAppendSamples(const ccShapeSampleResult& from, ccShapeSampleResult& to);

// Samples the whole contour with exactly params.maxPoints() samples spread
// evenly over its perimeter by arc length (the rules of uniform mode, with the
// contour's closed flag), whatever the params' uniformMode; joints get no
// special treatment. Appends one chain to `result`; perimeter positions (when
// requested) are numbered from result.shapeIndex() in the contour's own
// numbering and give the piece each sample lies on. When `reportPieces` is
// true, `pieces` receives, for every sample, the handle of the piece (a leaf
// of the contour, as the contour holds it) that the sample lies on. An empty
// contour gives nothing. Infinite pieces throw InfiniteExtent.
void cfUniformSampleContour(const ccContourTree& contour, const ccShapeSampleParams& params,
                            bool reportPieces, std::vector<ccPtrHandle_const<ccShape>>& pieces,
                            ccShapeSampleResult& result);

// Rewrites positions[first ..] from the numbering of `from`, relative to its
// node fromIndex, into the numbering of `to`, relative to its node toIndex:
// each position becomes the arc length from the start of node fromIndex,
// which is then found from the start of node toIndex (on the leaf holding
// it). Both infos must describe shapes of the same traversal from those nodes
// (for instance a shape and its decomposition). An index out of range throws
// BadParams; first beyond the end changes nothing.
void cfConvertPerimPositions(const ccShapeInfo& from, long fromIndex, const ccShapeInfo& to,
                             long toIndex, std::vector<ccPerimPos>& positions, size_t first);
