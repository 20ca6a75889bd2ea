// Property walks used inside the module: the local record of a node, the
// records in force at region nodes and through mapped shapes, re-wrapping, and
// the helpers of polarity and distribution. Not installed; the exported
// operations are declared in ch_core/shapemod.h.
#pragma once

#include "ch_core/shapemod.h"

// `shape` as a contour tree or a region tree; null when it is not one. The
// kind queries stand in for casts that the walks would make at every node.
inline const ccContourTree* cfAsContour(const ccShape& shape) noexcept {
    const ccShapeTree* tree = shape.asShapeTree();
    return tree ? tree->asContourTree() : nullptr;
}
inline const ccRegionTree* cfAsRegion(const ccShape& shape) noexcept {
    const ccShapeTree* tree = shape.asShapeTree();
    return tree ? tree->asRegionTree() : nullptr;
}

// The local record of a node. With `lookThroughMapped` false, or for a shape
// that is not a mapped shape, the shape's own record. For a mapped shape,
// also the records of the mapped chain combined in: of every mapped shape of
// the chain, and of the innermost shape too when `alwaysUnderlying`; with
// `flipWhenMirrored`, the reversal toggles once per mapped shape whose own
// transform mirrors (at the origin). An empty inner handle throws ccBadPointer.
ccShapeModelProps cfLocalShapeModelProps(const ccShape& shape, bool lookThroughMapped,
                                         bool alwaysUnderlying, bool flipWhenMirrored);

// The properties in force at a region node below `inherited`: its own record
// combined in, the reversal toggled when the boundary's handedness equals the
// node's being a hole (a solid node with a left-handed boundary, a hole with
// a right-handed one). The node must have a boundary (ccBadPointer otherwise).
ccShapeModelProps cfRegionNodeModelProps(const ccRegionTree& node,
                                         const ccShapeModelProps& inherited);

// For a mapped shape: its innermost shape, with the records of the mapped
// chain (not the innermost shape's) combined into `accumulated`. Any other
// shape: the same handle, `accumulated` unchanged. Empty: ccBadPointer.
ccPtrHandle_const<ccShape> cfUnwrapMappedShape(const ccPtrHandle_const<ccShape>& shape,
                                               ccShapeModelProps& accumulated);

// `shape` wrapped with its own local record (a fresh copy for a model). The
// handle forms return the same handle when it already holds a model; an
// empty handle throws ccBadPointer.
ccPtrHandle<ccShape> cfAsShapeModel(const ccShape& shape);
ccPtrHandle<ccShape> cfAsShapeModel(const ccPtrHandle<ccShape>& shape);
ccPtrHandle_const<ccShape> cfAsShapeModel(const ccPtrHandle_const<ccShape>& shape);

// `shape` wrapped with its own local record, reversal negated. Only the top
// node changes; children keep their records.
ccPtrHandle<ccShape> cfToggleReversedPolarity(const ccShape& shape);

// Whether `shape` is a mapped shape whose innermost shape is a tree.
bool cfIsMappedTree(const ccShape& shape);

// A copy of `shape` in which no node has its reversal set.
ccPtrHandle<ccShape> cfClearReversedPolarities(const ccShape& shape);

// For a mapped tree (cfIsMappedTree): a model of the underlying tree's type
// carrying the records of the whole chain, whose children are the underlying
// tree's children each in a new mapped shape with the overall transform.
ccPtrHandle<ccShape> cfDistributeMapXform(const ccShape& shape);

// The records of `tree` distributed to its leaves, then flattened by the
// shape library (`flag` as its flatten_ takes it).
ccPtrHandle<ccShapeTree> cfFlattenWithShapeProps(const ccShapeTree& tree, bool flag);

// ---- feature generation ----

// Whether the pieces of `contour`, below the properties `inherited`, agree by
// `mode`; if so `consistent` receives the properties for the whole contour,
// otherwise it is left as it was. Mapped pieces are judged by the records of
// their chains alone, without the handedness of the maps: a contour of
// mirrored pieces that agree is sampled whole with those records, where the
// same pieces taken one by one would each have their reversal toggled.
bool cfConsistentContourProps(const ccContourTree& contour, const ccShapeModelProps& inherited,
                              ccShapeModelProps& consistent, ConsistentPropsMode mode);

// One chain of featurelets per chain of `samples`, with the properties `props`
// (or, when `pieceShapes` holds a piece per sample, `props` combined with each
// piece's own record) and the parameters' scales.
ccPtrHandle<ccFeatureletChainSet> cfFeaturesFromSamples(
    const ccShape::ccSampleResult& samples, const ccShapeModelProps& props,
    const ccShapeModel::ccFeatureParams& params,
    const std::vector<ccPtrHandle_const<ccShape>>& pieceShapes);

// Uniform sampling of a whole contour across its pieces.
ccPtrHandle<ccFeatureletChainSet> cfUniformContourFeatures(
    const ccContourTree& contour, const ccShapeModelProps& consistent,
    const ccShapeModel::ccFeatureParams& params, bool isConsistent, long shapeIndex,
    std::vector<ccPerimPos>& perimPositions);

// cfFeatures without perimeter positions.
ccPtrHandle<ccFeatureletChainSet> cfFeatures(const ccShape& shape,
                                             const ccShapeModelProps& inherited,
                                             const ccShapeModel::ccFeatureParams& params,
                                             ConsistentPropsMode mode, long shapeIndex);

// ---- weight queries ----

// Whether some leaf of `shape` (a region node's boundary counting as one)
// has an effective weight in `range`, below `inherited`.
bool cfAnyWeightInRange(const ccShape& shape, const ccShapeModelProps& inherited,
                        const ccRange& range, bool inclusive);

// cfFindContoursWithWeightInRange; with `testSubtreeFirst`, a shape with no
// leaf in range is passed over at once.
void cfFindContoursWithWeightInRange(const ccPtrHandle_const<ccShape>& shape,
                                     const ccShapeModelProps& inherited, const ccRange& range,
                                     bool inclusive, ccGeneralShapeTree& found,
                                     bool testSubtreeFirst);

// ---- poses ----

// The pose at fraction `t` (0 to 1) of the perimeter of `shape`: translation
// the point t x perimeter along it, rotation the tangent there in degrees. A
// mapped shape is measured on its explicit shape when its overall transform is
// linear, otherwise on its underlying shape with the pose mapped through the
// transform.
cc2Rigid cfPoseAtPerimeterFraction(const ccShape& shape, double t);

// A one-level contour model of `contour`: nested contours (mapped ones pushed
// down first) are spliced in, each piece wrapped with the records of the
// contours it came from.
ccPtrHandle<ccShapeModelTemplate<ccContourTree>> cfFlattenContour(const ccContourTree& contour);
