// Shape trees: shapes made of other shapes.
//
// Children are held as ccPtrHandle_const<ccShape>, and a tree always holds the
// very object it is given (shapes are immutable in use, so sharing is safe).
// The `bool mayAdapt` of addChild, addChildren, insertChild and replaceChild
// says what a tree may do to a child it has to adapt: with true it changes
// the given object in place; with false it adapts a copy and leaves the
// caller's object as it was. Only region trees adapt children (a region node
// takes the standing of its place); other trees never change a child, and
// for them the flag makes no difference. An empty handle throws
// ccBadPointer; an index out of range throws ccShapesError::BadParams. Copying
// a tree shares its children, since shapes are immutable in use. A failed
// edit leaves the tree as it was.
//
// Traversal and numbering follow ccShapeInfo (shapeinfo.h): the leaves in
// pre-order, a region node's boundary before its children. Perimeter
// positions given to or returned by a tree are in that numbering, node 0
// being the tree itself; a position on a tree node stands for the arc length
// along that node's own traversal.
//
// Every tree kind:
// - perimeter() adds up its children (and a region node's boundary);
//   isFinite() and isDecomposed() hold when they hold for every part;
//   isEmpty() holds when no part has a point (a childless tree is empty).
// - startPoint(), endPoint(), their angles, nearestPoint() and the like of an
//   empty tree throw ccShapesError::BadParams: an empty tree has no points.
// - decompose() gives a tree of the same kind whose parts are decomposed.
// - mapShape(x): ccShapeTree::mapShape gives a clone() of the tree whose
//   children are each mapped by their own mapShape; ccRegionTree maps its
//   boundary on top. Child order is kept even under a mirroring map.
// - subShape(info, (pos, length)) gives the pieces of the leaves between the
//   arc lengths of pos and pos + length (clamped to the tree, never wrapping
//   round a closed contour): an open ccContourTree for a contour tree, a
//   ccGeneralShapeTree otherwise. A negative or NaN length throws BadParams.
// - clip_ clips each part by its own clip and gathers the pieces; the cut
//   offsets of the parts are moved into the tree's arc lengths.
// - sample: a general tree or a region node samples its parts one after
//   another, each into chains of its own; a contour tree gives one chain (see
//   ccContourTree). Perimeter positions are numbered from the result's
//   shapeIndex in this tree's numbering. In uniform mode the maxPoints are
//   shared over the parts in proportion to their perimeters (cfShareSamples);
//   in non-uniform mode a tree whose samples would exceed maxPoints is
//   sampled in uniform mode with maxPoints. An infinite tree throws
//   ccShapesError::InfiniteExtent in either mode.
//
// flatten_(intoContours) gives a one-level tree of the same kind (a clone()
// of this node without its children, then the leaves in pre-order as its
// children) holding the leaf objects themselves, records included. Trees of
// the same kind below are always opened up; a contour tree below a tree of
// another kind is opened up only when `intoContours` is true and otherwise
// kept whole as one leaf. A region node gathers, as childless nodes of the
// standing opposite its own, the boundaries of all region nodes below it; the
// flag does not apply there. Mapped shapes are leaves.
#pragma once

#include <functional>
#include <typeinfo>
#include <vector>

#include "vxstd12u/shape.h"

class ccContourTree;
class ccRegionTree;

class ccShapeTree : public ccShape {
  public:
    using ChildList = std::vector<ccPtrHandle_const<ccShape>>;

    // Releases the children. A tree that holds the last handle to a chain of
    // trees nested to any depth destroys it without nesting a call per level.
    ~ccShapeTree() override;

    long numChildren() const noexcept { return static_cast<long>(children_.size()); }
    // Child i, 0 <= i < numChildren(); otherwise BadParams.
    const ccPtrHandle_const<ccShape>& child(long i) const;
    const ChildList& children() const noexcept { return children_; }
    // The parts in traversal order: a region node's boundary (when it has
    // one), then the children. A copy, so that walks may keep it.
    ChildList parts() const { return parts_(); }

    const ccShapeTree* asShapeTree() const noexcept override { return this; }
    // This tree as a contour tree or a region tree; null when it is not one.
    virtual const ccContourTree* asContourTree() const noexcept { return nullptr; }
    virtual const ccRegionTree* asRegionTree() const noexcept { return nullptr; }

    // Appends `c` (see the header comment for `mayAdapt`).
    virtual void addChild(const ccPtrHandle_const<ccShape>& c, bool mayAdapt);
    // Appends each in turn; all or nothing.
    virtual void addChildren(const ChildList& c, bool mayAdapt);
    // Puts `c` at `index`, 0 <= index <= numChildren().
    virtual void insertChild(long index, const ccPtrHandle_const<ccShape>& c, bool mayAdapt);
    // Replaces child `index` by `c`.
    virtual void replaceChild(long index, const ccPtrHandle_const<ccShape>& c, bool mayAdapt);
    virtual void removeChild(long index);
    virtual void removeChildren();

    // Levels of trees: 1 for a tree whose parts are all leaves (or that has
    // none), plus one for each level of trees below.
    long height() const;
    // Nodes of the numbering of ccShapeInfo: all of them (this tree
    // included) when `leavesOnly` is false, only the leaves when it is true.
    long size(bool leavesOnly) const;

    // A clone() of this node whose parts (a region node's boundary and the
    // children) are each replaced by `f` of them, in traversal order.
    using PartMap = std::function<ccPtrHandle_const<ccShape>(const ccPtrHandle_const<ccShape>&)>;
    virtual ccPtrHandle<ccShapeTree> mapParts(const PartMap& f) const;

    ccPtrHandle<ccShapeTree> flatten(bool intoContours) const { return flatten_(intoContours); }
    // Public so that wrappers can call this base implementation directly.
    virtual ccPtrHandle<ccShapeTree> flatten_(bool intoContours) const;

    bool isEmpty() const override;
    bool isFinite() const override;
    bool isDecomposed() const override;
    bool hasTangent() const override;
    bool within(const ccVector<2>& p) const override;  // NotRegion; region kinds override
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
    void sample(const ccSampleParams& params, ccSampleResult& result) const override;

    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> decompose() const override;
    ccPtrHandle<ccShape> subShape(const ccShapeInfo& info,
                                  const std::pair<ccPerimPos, double>& range) const override;

  protected:
    ccShapeTree() = default;
    ccShapeTree(const ccShapeTree&) = default;
    ccShapeTree& operator=(const ccShapeTree&) = default;

    bool equal_(const ccShape& other) const override;
    ccPtrHandle<ccShape> clip_(const ccPolyline& region, ccClipInfo& info) const override;
    // Trees override subShape; a tree has no single piece to cut.
    ccPtrHandle<ccShape> pieceBetween_(double from, double to) const override;

    // The handle to store for `c`: checks it (ccBadPointer when empty); kinds
    // refuse or adapt children here (see `mayAdapt`).
    virtual ccPtrHandle_const<ccShape> admit_(const ccPtrHandle_const<ccShape>& c,
                                              bool mayAdapt) const;
    // The parts in traversal order: a region node's boundary, then children.
    virtual ChildList parts_() const { return children_; }
    // A clone of this node with `children` instead of its own (no checks:
    // the children come from this tree's own parts).
    ccPtrHandle<ccShapeTree> withChildren_(ChildList children) const;
    // Samples this tree, node `number` of `info` (which describes the tree
    // the sampling started from), into `out`: the parts one after another,
    // each with its own chains, numbered from out.shapeIndex(). General trees
    // and region nodes below are sampled by this same walk, into the same
    // result, rather than each through its own sample(), which would number
    // and copy its subtree afresh at every level.
    void sampleParts_(const ccShapeInfo& info, long number, const ccSampleParams& params,
                      ccSampleResult& out) const;
    // Samples one part, node `number` of `info`, into `out` (see sampleParts_).
    virtual void samplePart_(const ccShapeInfo& info, const ccShape& part, long number,
                             const ccSampleParams& params, ccSampleResult& out) const;
    // The pieces of the leaves within `range` (see subShape), in order.
    ChildList piecesBetween_(const ccShapeInfo& info,
                             const std::pair<ccPerimPos, double>& range) const;

    ChildList children_;

  protected:
    // Form: version 0, the children (a count, then each through its
    // handle). Loading admits each child as addChild does, without adapting it.
    void dispatchSerialize(ccArchive& ar) override;
};

// A tree with no geometric relation between its children.
class ccGeneralShapeTree : public ccShapeTree {
  public:
    ccGeneralShapeTree() = default;

    bool isRegion() const override { return false; }
    bool isOpenContour() const override { return false; }
    bool isRightHanded() const override { return false; }

    ccPtrHandle<ccShape> clone() const override;
    // Each child reversed in place; the order of the children is kept.
    ccPtrHandle<ccShape> reverse() const override;

    // Joins open pieces whose ends lie closer than `distance` into contour
    // trees (see connect_).
    ccPtrHandle<ccGeneralShapeTree> connect(double distance) const { return connect_(distance); }

    // Nested general trees are connected first, level by level. Then, in
    // child order, each open child (isOpenContour) that is not yet used
    // starts a chain, and every later unused open child whose end lies
    // closer than `distance` (strictly; NaN never) to an end of the chain
    // joins it: at the front when it meets the chain's start, reversed when
    // it meets with the wrong end; a piece meeting both ends closes the chain.
    // A chain of one piece stays that piece; others become open or closed
    // ccContourTrees holding the pieces. Closed children stay as they are.
    // The result is a clone() of this tree with the new children. A negative
    // or NaN distance throws BadParams. Public so that wrappers can call this
    // base implementation directly.
    virtual ccPtrHandle<ccGeneralShapeTree> connect_(double distance) const;

  public:
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, then the ccShapeTree form.
    void dispatchSerialize(ccArchive& ar) override;
};

// A chain of pieces, each starting where the one before ends; closed when
// the last ends where the first starts.
//
// Children may be any shape but general and region trees (BadParams);
// nested contour trees are pieces made of pieces. The contour is a region
// when it is closed and not empty, an open contour when it is open and not
// empty; it is right-handed when closed with a positive tangent rotation.
// tangentRotation() adds up the pieces' own and the turns at the joints
// (each in (-pi, pi]), the closing joint included when closed.
//
// Sampling in non-uniform mode samples each piece as an open curve from its
// start (startOffset applies to each piece), all into one chain, closed when
// the contour is. Where a piece's last sample coincides with the next
// piece's first (a joint, the closing one included), it appears twice when
// duplicateCorners() is set and once otherwise. When that would exceed
// maxPoints the contour is sampled as in uniform mode. Uniform mode is
// cfUniformSampleContour.
class ccContourTree : public ccShapeTree {
  public:
    ccContourTree() = default;  // open
    explicit ccContourTree(bool closed) : closed_(closed) {}

    bool isClosed() const noexcept { return closed_; }
    void isClosed(bool closed);

    const ccContourTree* asContourTree() const noexcept override { return this; }

    bool isRegion() const override;
    bool isOpenContour() const override;
    bool isRightHanded() const override;
    bool within(const ccVector<2>& p) const override;
    double tangentRotation() const override;
    void sample(const ccSampleParams& params, ccSampleResult& result) const override;

    ccPtrHandle<ccShape> clone() const override;
    // The pieces reversed, in reverse order; the closed flag is kept.
    ccPtrHandle<ccShape> reverse() const override;
    ccPtrHandle<ccShape> subShape(const ccShapeInfo& info,
                                  const std::pair<ccPerimPos, double>& range) const override;

  protected:
    bool equal_(const ccShape& other) const override;
    // The pieces inside, as open contours: one open ccContourTree when a
    // single run remains (a closed contour cut once opens at the cut), a
    // ccGeneralShapeTree of them otherwise, a clone when nothing is removed.
    ccPtrHandle<ccShape> clip_(const ccPolyline& region, ccClipInfo& info) const override;
    ccPtrHandle_const<ccShape> admit_(const ccPtrHandle_const<ccShape>& c,
                                      bool mayAdapt) const override;

  private:
    bool closed_ = false;

  public:
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, closed flag, then the ccShapeTree form.
    void dispatchSerialize(ccArchive& ar) override;
};

// A region: an area with a boundary, holes in it, solids in the holes, and
// so on. Each node has a standing: solid (isHole() false) or hole.
//
// - A default-constructed node is a root hole: the unbounded background,
//   without a boundary of its own; boundary() throws ccBadPointer there.
// - ccRegionTree(boundary, isHole) makes a root node of a copy of the closed
//   shape `boundary` (an open one throws ccShapesError::NotRegion).
// - The direct children are always region nodes of the standing opposite the
//   parent's. Adding a region node (addChild, insertChild, replaceChild)
//   makes it a non-root node of that standing: with mayAdapt = true the very
//   object given is changed so, with false a copy (a node that already has
//   that place is held as it is). A region node without a boundary cannot be
//   a child (BadParams). Any other closed shape is wrapped in a new node;
//   addChild places that node by containment: inside the innermost node whose
//   boundary contains the shape (sampled at eight points along it), and
//   existing nodes that the new boundary contains move inside it (with their
//   standing flipped; the moved nodes are copies). insertChild and
//   replaceChild place it where they are told. An open shape throws
//   ccShapesError::NotRegion.
// - Handedness follows standing: a solid node is right-handed, a hole
//   left-handed, whatever its boundary's own direction. sample() traverses
//   the boundary in that sense (reversing it where it runs the other way),
//   then samples the children; perimeter positions on a reversed boundary
//   stay in the boundary's own numbering and direction.
// - within(p): p is in the area of the innermost node whose boundary contains
//   it (boundary included), and within() is true when that node is a solid.
// - windingAngle adds the boundary's, in the node's sense, to the children's;
//   tangentRotation is +2 pi for a solid node, -2 pi for a hole node, 0 for
//   a root hole; start and end are those of the boundary in the node's sense
//   (of the first and last child for a root hole).
// - reverse() reverses the boundary and every child; the standing of every
//   node stays (so the node's handedness is kept).
// - clip_ gives a ccGeneralShapeTree of the clipped boundary and children.
class ccRegionTree : public ccShapeTree {
  public:
    ccRegionTree();
    ccRegionTree(const ccShape& boundary, bool isHole);

    // The boundary; ccBadPointer for a root hole.
    const ccShape& boundary() const;
    // The boundary's handle; empty for a root hole.
    const ccPtrHandle_const<ccShape>& boundaryHandle() const noexcept { return boundary_; }
    bool hasBoundary() const noexcept { return !boundary_.isNull(); }
    // Sets a copy of `b` (a closed shape, else NotRegion).
    void boundary(const ccShape& b);
    // Shares `b` (non-empty, else ccBadPointer; closed, else NotRegion).
    void boundary(const ccPtrHandle_const<ccShape>& b);

    bool isHole() const noexcept { return hole_; }
    bool isRoot() const noexcept { return root_; }

    const ccRegionTree* asRegionTree() const noexcept override { return this; }

    void addChild(const ccPtrHandle_const<ccShape>& c, bool mayAdapt) override;

    bool isRegion() const override { return true; }
    bool isOpenContour() const override { return false; }
    bool isRightHanded() const override { return !hole_; }
    bool within(const ccVector<2>& p) const override;
    double windingAngle(const ccVector<2>& p) const override;
    ccVector<2> startPoint() const override;
    ccVector<2> endPoint() const override;
    ccRadian startAngle() const override;
    ccRadian endAngle() const override;
    double tangentRotation() const override;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;
    ccPtrHandle<ccShape> decompose() const override;
    ccPtrHandle<ccShapeTree> flatten_(bool intoContours) const override;
    ccPtrHandle<ccShapeTree> mapParts(const PartMap& f) const override;

  protected:
    bool equal_(const ccShape& other) const override;
    void samplePart_(const ccShapeInfo& info, const ccShape& part, long number,
                     const ccSampleParams& params, ccSampleResult& out) const override;
    ccPtrHandle_const<ccShape> admit_(const ccPtrHandle_const<ccShape>& c,
                                      bool mayAdapt) const override;
    ChildList parts_() const override;

  private:
    // Whether the node's traversal runs its boundary backwards.
    bool reversesBoundary() const;
    // The boundary in the node's sense (a reversed copy where needed).
    ccPtrHandle_const<ccShape> orientedBoundary() const;
    // Whether `shape` lies inside this node's boundary (always, for a root hole).
    bool encloses(const ccShape& shape) const;
    // Puts `node` (already of this node's child standing) at its place below.
    void place(const ccPtrHandle<ccRegionTree>& node);
    // A copy of this node with the standing `hole`, its subtree alternating.
    ccPtrHandle<ccRegionTree> withStanding(bool hole) const;

    ccPtrHandle_const<ccShape> boundary_;
    bool hole_ = true;
    bool root_ = true;

  public:
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, boundary (a handle, empty only for a root hole),
    // hole flag, root flag, then the ccShapeTree form.
    void dispatchSerialize(ccArchive& ar) override;
};

// The leaves of `tree` in the order of ccShapeInfo (a region node's boundary
// before its children), as the tree holds them.
ccShapeTree::ChildList cfLeafHandles(const ccShapeTree& tree);
