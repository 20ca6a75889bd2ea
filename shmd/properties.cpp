// Model properties across shape trees: lookup and assignment, polarity,
// distribution to the leaves, region-tree mapping and polygon wrapping.
#include "shmd/properties.h"

#include <limits>
#include <typeinfo>

#include "vxstd12u/stackguard.h"
#include "vxstd12u/str.h"

namespace {

const ccShapeModelProps kDefaultProps;

const ccShapeModel* asModel(const ccShape& shape) {
    return shape.asShapeModel();
}
const ccMappedShape* asMapped(const ccShape& shape) {
    return shape.asMappedShape();
}
const ccShapeTree* asTree(const ccShape& shape) {
    return shape.asShapeTree();
}
const ccRegionTree* asRegion(const ccShape& shape) {
    return cfAsRegion(shape);
}

bool isModel(const ccShape& shape) {
    return asModel(shape) != nullptr;
}
bool isRootHole(const ccRegionTree& node) {
    return node.isRoot() && node.isHole();
}
bool mirrors(const ccXform<2>& xform) {
    return xform.determinant() < 0;
}

// The inner shape of a mapped shape; ccBadPointer when it has none.
const ccShape& innerOf(const ccMappedShape& mapped) {
    return *mapped.shape();
}

// ---- assign ----

using Wrapper = ccPtrHandle<ccShape> (*)(const ccShape&, const ccShapeModelProps&);

template <class C>
ccPtrHandle<ccShape> wrapAs(const ccShape& shape, const ccShapeModelProps& props) {
    const C* part = dynamic_cast<const C*>(&shape);
    return part ? ccPtrHandle<ccShape>(new ccShapeModelTemplate<C>(*part, props))
                : ccPtrHandle<ccShape>();
}

// The order in which assign tests the types: a derived type before its base.
const Wrapper kAssignOrder[] = {
    &wrapAs<ccGeneralShapeTree>,
    &wrapAs<ccContourTree>,
    &wrapAs<ccRegionTree>,
    &wrapAs<ccMappedShape>,
    &wrapAs<cc2Point>,
    &wrapAs<ccLine>,
    &wrapAs<ccFLine>,
    &wrapAs<ccLineSeg>,
    &wrapAs<ccRect>,
    &wrapAs<ccCircle>,
    &wrapAs<ccAnnulus>,
    &wrapAs<ccEllipse2>,
    &wrapAs<ccEllipseArc2>,
    &wrapAs<ccEllipseAnnulus>,
    &wrapAs<ccEllipseAnnulusSection>,
    &wrapAs<ccGenRect>,
    &wrapAs<ccGenAnnulus>,
    &wrapAs<ccPolyline>,
    &wrapAs<ccAffineRectangle>,
    &wrapAs<cc2Wireframe>,
    &wrapAs<ccGenPoly>,
    &wrapAs<ccBezierCurve>,
    &wrapAs<ccDeBoorSpline>,
    &wrapAs<ccInterpSpline>,
    &wrapAs<ccHermiteSpline>,
};

}  // namespace

// ---------------------------------------------------------------------------
// Lookup and assignment

ccShapeModelProps ccShapeModel::shapeModelProps(const ccShape& shape) {
    if (const ccShapeModel* model = asModel(shape)) return model->modelProps();
    if (const auto* wireframe = dynamic_cast<const cc2Wireframe*>(&shape)) {
        return ccShapeModelProps(wireframe->isPolarityReversed(), 1.0, false, 1.0);
    }
    return kDefaultProps;
}

ccPtrHandle<ccShape> ccShapeModel::rawShape(const ccShape& shape) {
    if (const ccShapeModel* model = asModel(shape)) return model->rawShape_();
    return shape.clone();
}

ccPtrHandle<ccShape> ccShapeModelProps::assign(const ccShape& shape) const {
    for (Wrapper wrap : kAssignOrder) {
        if (ccPtrHandle<ccShape> model = wrap(shape, *this)) return model;
    }
    throw ccShapeModelDefs::NotSupported(L"a " +
                                         cfWiden(cc_Instantiator::stableName(typeid(shape))) +
                                         L" cannot carry model properties");
}

ccShapeModelProps cfLocalShapeModelProps(const ccShape& shape, bool lookThroughMapped,
                                         bool alwaysUnderlying, bool flipWhenMirrored) {
    ccShapeModelProps props = ccShapeModel::shapeModelProps(shape);
    const ccMappedShape* mapped = asMapped(shape);
    if (!lookThroughMapped || !mapped) return props;
    const ccShape& inner = innerOf(*mapped);
    if (alwaysUnderlying || asMapped(inner)) {
        props =
            props.combine(cfLocalShapeModelProps(inner, true, alwaysUnderlying, flipWhenMirrored));
    }
    if (flipWhenMirrored && mapped->mapXform().linearXform(ccVector<2>(0, 0)).determinant() < 0) {
        props.isReversedPolarity(!props.isReversedPolarity());
    }
    return props;
}

ccShapeModelProps cfRegionNodeModelProps(const ccRegionTree& node,
                                         const ccShapeModelProps& inherited) {
    ccShapeModelProps props = inherited.combine(ccShapeModel::shapeModelProps(node));
    if (node.boundary().isRightHanded() == node.isHole()) {
        props.isReversedPolarity(!props.isReversedPolarity());
    }
    return props;
}

ccPtrHandle_const<ccShape> cfUnwrapMappedShape(const ccPtrHandle_const<ccShape>& shape,
                                               ccShapeModelProps& accumulated) {
    if (const ccMappedShape* mapped = asMapped(*shape)) {
        accumulated = accumulated.combine(cfLocalShapeModelProps(*mapped, true, false, false));
        return mapped->underlyingShape();
    }
    return shape;
}

ccPtrHandle<ccShape> cfAsShapeModel(const ccShape& shape) {
    return ccShapeModel::shapeModelProps(shape).assign(shape);
}

ccPtrHandle<ccShape> cfAsShapeModel(const ccPtrHandle<ccShape>& shape) {
    return isModel(*shape) ? shape : cfAsShapeModel(*shape);
}

ccPtrHandle_const<ccShape> cfAsShapeModel(const ccPtrHandle_const<ccShape>& shape) {
    return isModel(*shape) ? shape : ccPtrHandle_const<ccShape>(cfAsShapeModel(*shape));
}

ccPtrHandle<ccShape> cfToggleReversedPolarity(const ccShape& shape) {
    ccShapeModelProps props = ccShapeModel::shapeModelProps(shape);
    props.isReversedPolarity(!props.isReversedPolarity());
    return props.assign(shape);
}

bool cfIsMappedTree(const ccShape& shape) {
    const ccMappedShape* mapped = asMapped(shape);
    return mapped && asTree(*mapped->underlyingShape());
}

// ---------------------------------------------------------------------------
// Polarity

namespace {

bool treeHasInsidePolarity(const ccShapeTree& tree, bool polarity);

// Whether every piece below a closed contour shows the reversal `expected`,
// with the records of the pieces folded in on the way down.
bool piecesShowReversal(const ccShapeTree& tree, bool expected) {
    for (const ccPtrHandle_const<ccShape>& child : tree.children()) {
        ccShapeModelProps inForce;
        const ccPtrHandle_const<ccShape> piece = cfUnwrapMappedShape(child, inForce);
        const ccShapeModelProps props = inForce.combine(ccShapeModel::shapeModelProps(*piece));
        if (const ccShapeTree* subtree = asTree(*piece)) {
            const bool reversal = expected != props.isReversedPolarity();
            if (!cfWithEnoughStack([&] { return piecesShowReversal(*subtree, reversal); }))
                return false;
        } else if (props.isReversedPolarity() != expected) {
            return false;
        }
    }
    return true;
}

bool regionBoundaryHasPolarity(const ccRegionTree& node, bool polarity) {
    const ccShapeModelProps region = cfRegionNodeModelProps(node, kDefaultProps);
    const bool asked = (node.isHole() != region.isReversedPolarity()) != polarity;
    return ccShapeModel::isInsidePolarity(node.boundary(), asked);
}

bool treeHasInsidePolarity(const ccShapeTree& tree, bool polarity) {
    const bool reversed = cfLocalShapeModelProps(tree, true, true, false).isReversedPolarity();
    const bool childSense = reversed != polarity;
    if (tree.asContourTree()) {
        if (!tree.isRegion()) return true;
        return piecesShowReversal(tree, (polarity != tree.isRightHanded()) != reversed);
    }
    if (const ccRegionTree* region = asRegion(tree)) {
        if (isRootHole(*region)) {
            if (!childSense && region->numChildren() == 0) return false;
        } else if (!regionBoundaryHasPolarity(*region, polarity)) {
            return false;
        }
    }
    for (long i = 0; i < tree.numChildren(); ++i) {
        if (!cfWithEnoughStack(
                [&] { return ccShapeModel::isInsidePolarity(*tree.child(i), childSense); }))
            return false;
    }
    return true;
}

// A clone of the tree with every node below it cleared of its reversal; the
// tree's own record stays.
ccPtrHandle<ccShape> clearBelow(const ccShapeTree& tree) {
    ccPtrHandle<ccShape> copy = tree.clone();
    auto& copyTree = dynamic_cast<ccShapeTree&>(*copy);
    if (auto* region = dynamic_cast<ccRegionTree*>(&copyTree); region && region->hasBoundary()) {
        region->boundary(ccPtrHandle_const<ccShape>(cfClearReversedPolarities(region->boundary())));
    }
    ccShapeTree::ChildList cleared;
    for (const ccPtrHandle_const<ccShape>& child : tree.children()) {
        cleared.emplace_back(cfWithEnoughStack([&] { return cfClearReversedPolarities(*child); }));
    }
    copyTree.removeChildren();
    copyTree.addChildren(cleared, true);
    return copy;
}

// `children` in place of the children of a model copy of `tree`.
ccPtrHandle<ccShape> withChildren(const ccShape& tree, const ccShapeTree::ChildList& children) {
    ccPtrHandle<ccShape> copy = cfAsShapeModel(tree);
    auto& copyTree = dynamic_cast<ccShapeTree&>(*copy);
    copyTree.removeChildren();
    copyTree.addChildren(children, true);
    return copy;
}

}  // namespace

bool ccShapeModel::isInsidePolarity(const ccShape& shape, bool polarity) {
    if (const ccShapeTree* tree = asTree(shape)) return treeHasInsidePolarity(*tree, polarity);
    if (const ccMappedShape* mapped = asMapped(shape)) {
        const bool reversed =
            cfLocalShapeModelProps(shape, true, false, false).isReversedPolarity();
        return isInsidePolarity(*mapped->underlyingShape(), polarity != reversed);
    }
    if (!shape.isRegion()) return true;
    return polarity == (shape.isRightHanded() != shapeModelProps(shape).isReversedPolarity());
}

ccPtrHandle<ccShape> ccShapeModel::setInsidePolarity(const ccShape& shape, bool polarity) {
    if (isInsidePolarity(shape, polarity)) return cfAsShapeModel(shape);
    const ccShapeTree* tree = asTree(shape);
    if (!tree && !cfIsMappedTree(shape)) return cfToggleReversedPolarity(shape);
    if (isInsidePolarity(shape, !polarity)) return cfToggleReversedPolarity(shape);

    const ccShapeModelProps own = shapeModelProps(shape);
    if (const ccMappedShape* mapped = asMapped(shape)) {
        const ccPtrHandle<ccShape> fixed =
            setInsidePolarity(innerOf(*mapped), polarity != own.isReversedPolarity());
        const ccMappedShape rebuilt(fixed, mapped->mapXform(), true);
        return own.assign(rebuilt);
    }
    if (tree->asContourTree() || asRegion(*tree)) {
        const ccPtrHandle<ccShape> cleared = clearBelow(*tree);
        if (isInsidePolarity(*cleared, polarity)) return cfAsShapeModel(cleared);
        return cfToggleReversedPolarity(*cleared);
    }
    const bool childSense = polarity != own.isReversedPolarity();
    ccShapeTree::ChildList fixed;
    for (const ccPtrHandle_const<ccShape>& child : tree->children()) {
        fixed.emplace_back(
            cfWithEnoughStack([&] { return setInsidePolarity(*child, childSense); }));
    }
    return withChildren(shape, fixed);
}

bool ccShapeModel::areAnyPolaritiesIgnored(const ccShape& shape) {
    if (cfLocalShapeModelProps(shape, true, false, false).isIgnoredPolarity()) return true;
    if (const ccMappedShape* mapped = asMapped(shape)) {
        return areAnyPolaritiesIgnored(*mapped->underlyingShape());
    }
    const ccShapeTree* tree = asTree(shape);
    if (!tree) return false;
    if (const ccRegionTree* region = asRegion(*tree)) {
        if (!isRootHole(*region) && areAnyPolaritiesIgnored(region->boundary())) return true;
    }
    for (const ccPtrHandle_const<ccShape>& child : tree->children()) {
        if (cfWithEnoughStack([&] { return areAnyPolaritiesIgnored(*child); })) return true;
    }
    return false;
}

ccPtrHandle<ccShape> cfClearReversedPolarities(const ccShape& shape) {
    ccShapeModelProps props = ccShapeModel::shapeModelProps(shape);
    ccPtrHandle<ccShape> cleared;
    if (props.isReversedPolarity()) {
        props.isReversedPolarity(false);
        cleared = props.assign(shape);
    } else {
        cleared = shape.clone();
    }
    if (const ccShapeTree* tree = asTree(*cleared)) return clearBelow(*tree);
    if (auto* mapped = dynamic_cast<ccMappedShape*>(cleared.get())) {
        mapped->shape(ccPtrHandle_const<ccShape>(cfClearReversedPolarities(innerOf(*mapped))));
    }
    return cleared;
}

namespace {
// The correction of `mapped` against `source` for a mirroring map.
ccPtrHandle<ccShape> correctMirrored(const ccPtrHandle<ccShape>& mapped, const ccShape& source) {
    if (asMapped(*mapped)) return mapped;
    const ccShapeTree* sourceTree = asTree(source);
    if (!sourceTree) return cfToggleReversedPolarity(*mapped);
    auto& tree = dynamic_cast<ccShapeTree&>(*mapped);
    std::vector<long> plain;
    for (long i = 0; i < tree.numChildren(); ++i) {
        if (!isModel(*tree.child(i))) plain.push_back(i);
    }
    for (long i : plain) {
        const ccPtrHandle<ccShape> corrected = cfWithEnoughStack(
            [&] { return correctMirrored(tree.child(i)->clone(), *sourceTree->child(i)); });
        tree.replaceChild(i, corrected, false);
    }
    return mapped;
}
}  // namespace

ccPtrHandle<ccShape> cfCorrectPolarities(const ccPtrHandle<ccShape>& mapped, const ccShape& source,
                                         const ccXform<2>& xform) {
    return mirrors(xform) ? correctMirrored(mapped, source) : mapped;
}

// ---------------------------------------------------------------------------
// Distribution

namespace {
// The node step: `shape` with the properties `inForce` above it, as a model
// carrying its properties in force (a leaf) or a distributed tree.
ccPtrHandle<ccShape> distributeNode(const ccShape& shape, const ccShapeModelProps& inForce) {
    if (cfIsMappedTree(shape)) return distributeNode(*cfDistributeMapXform(shape), inForce);
    if (const ccShapeTree* tree = asTree(shape)) return cfDistributeShapeProps(*tree, inForce);
    return inForce.combine(ccShapeModel::shapeModelProps(shape)).assign(shape);
}
}  // namespace

ccPtrHandle<ccShapeTree> cfDistributeShapeProps(const ccShapeTree& tree,
                                                const ccShapeModelProps& inherited) {
    ccPtrHandle<ccShapeTree> copy(tree.clone());
    const ccShapeModelProps inForce = ccShapeModel::shapeModelProps(*copy).combine(inherited);
    if (auto* region = dynamic_cast<ccRegionTree*>(copy.get()); region && region->hasBoundary()) {
        region->boundary(*distributeNode(region->boundary(), inForce));
    }
    for (long i = 0; i < copy->numChildren(); ++i) {
        copy->replaceChild(
            i, cfWithEnoughStack([&] { return distributeNode(*copy->child(i), inForce); }), true);
    }
    if (auto* model = dynamic_cast<ccShapeModel*>(copy.get())) model->modelProps(kDefaultProps);
    return copy;
}

ccPtrHandle<ccShape> cfDistributeMapXform(const ccShape& shape) {
    const ccShapeModelProps chain = cfLocalShapeModelProps(shape, true, true, false);
    const auto& mapped = dynamic_cast<const ccMappedShape&>(shape);
    const ccPtrHandle_const<ccShape> underlying = mapped.underlyingShape();
    const auto& tree = dynamic_cast<const ccShapeTree&>(*underlying);
    ccPtrHandle<ccShape> result = chain.assign(tree);
    auto& resultTree = dynamic_cast<ccShapeTree&>(*result);
    resultTree.removeChildren();
    const ccPtrHandle_const<cc2XformBase> overall = mapped.overallMapXform();
    ccShapeTree::ChildList mappedChildren;
    for (const ccPtrHandle_const<ccShape>& child : tree.children()) {
        mappedChildren.emplace_back(new ccMappedShape(child, *overall, true));
    }
    resultTree.addChildren(mappedChildren, false);
    return result;
}

ccPtrHandle<ccShapeTree> cfFlattenWithShapeProps(const ccShapeTree& tree, bool flag) {
    return cfDistributeShapeProps(tree, kDefaultProps)->ccShapeTree::flatten_(flag);
}

// ---------------------------------------------------------------------------
// Generalized polygons and region-tree mapping

namespace {

bool isPlainGenPoly(const ccShape& shape) {
    return !isModel(shape) && cfIsA<ccGenPoly>(shape);
}

// Whether a plain generalized polygon can be reached from `shape` without
// meeting a model below it (`nested`: `shape` is itself below the start).
bool needsGenPolyProps(const ccShape* shape, bool nested) {
    for (;;) {
        if (nested && isModel(*shape)) return false;
        if (const ccShapeTree* tree = asTree(*shape)) {
            for (const ccPtrHandle_const<ccShape>& child : tree->children()) {
                if (cfWithEnoughStack([&] { return needsGenPolyProps(child.get(), true); }))
                    return true;
            }
            const ccRegionTree* region = asRegion(*tree);
            if (!region || !region->hasBoundary()) return false;
            shape = &region->boundary();
            nested = true;
            continue;
        }
        if (const ccMappedShape* mapped = asMapped(*shape))
            return needsGenPolyProps(&innerOf(*mapped), true);
        return isPlainGenPoly(*shape);
    }
}

ccPtrHandle<ccShape> addGenPolyProps(const ccShape& shape, bool nested);

// A child handle with its polygons wrapped, or the same handle.
ccPtrHandle_const<ccShape> withGenPolyProps(const ccPtrHandle_const<ccShape>& child) {
    ccPtrHandle<ccShape> wrapped =
        cfWithEnoughStack([&] { return cfAddGenPolyModelProps(*child); });
    return wrapped ? ccPtrHandle_const<ccShape>(wrapped) : child;
}

ccPtrHandle<ccShape> addGenPolyProps(const ccShape& shape, bool nested) {
    if (nested && isModel(shape)) return shape.clone();
    if (const ccShapeTree* tree = asTree(shape)) {
        ccPtrHandle<ccShape> copy = tree->clone();
        auto& copyTree = dynamic_cast<ccShapeTree&>(*copy);
        for (long i = 0; i < tree->numChildren(); ++i) {
            copyTree.replaceChild(i, withGenPolyProps(tree->child(i)), false);
        }
        if (auto* region = dynamic_cast<ccRegionTree*>(&copyTree);
            region && region->hasBoundary()) {
            if (ccPtrHandle<ccShape> boundary = cfAddGenPolyModelProps(region->boundary())) {
                region->boundary(ccPtrHandle_const<ccShape>(boundary));
            }
        }
        return copy;
    }
    if (const ccMappedShape* mapped = asMapped(shape)) {
        ccPtrHandle<ccShape> copy = mapped->clone();
        dynamic_cast<ccMappedShape&>(*copy).shape(withGenPolyProps(mapped->shape()));
        return copy;
    }
    return isPlainGenPoly(shape) ? cfAsShapeModel(shape) : shape.clone();
}

// ---- boundary steps of cfMapRegionTreeModel ----

ccPtrHandle_const<ccShape> mapBoundaryPart(const ccShape& part, const ccXform<2>& xform);

ccPtrHandle<ccShape> mapLeafBoundary(const ccShape& leaf, const ccXform<2>& xform) {
    ccPtrHandle<ccShape> image = leaf.mapShape(xform);
    if (isModel(leaf) && mirrors(xform)) return cfToggleReversedPolarity(*image);
    return image;
}

ccPtrHandle<ccShape> wrapMappedBoundary(const ccMappedShape& mapped, const ccXform<2>& xform) {
    return ccPtrHandle<ccShape>(new ccMappedShape(mapped.clone(), cc2XformLinear(xform), true));
}

ccPtrHandle<ccShape> mapContourBoundary(const ccContourTree& contour, const ccXform<2>& xform) {
    ccShapeTree::ChildList pieces;
    for (const ccPtrHandle_const<ccShape>& child : contour.children()) {
        pieces.push_back(mapBoundaryPart(*child, xform));
    }
    ccPtrHandle<ccShape> copy = contour.clone();
    auto& copyTree = dynamic_cast<ccContourTree&>(*copy);
    copyTree.removeChildren();
    copyTree.addChildren(pieces, true);
    return copy;
}

ccPtrHandle_const<ccShape> mapBoundaryPart(const ccShape& part, const ccXform<2>& xform) {
    if (const auto* contour = cfAsContour(part)) return mapContourBoundary(*contour, xform);
    if (const ccMappedShape* mapped = asMapped(part)) return wrapMappedBoundary(*mapped, xform);
    return mapLeafBoundary(part, xform);
}

}  // namespace

ccPtrHandle<ccShape> cfAddGenPolyModelProps(const ccShape& shape) {
    return needsGenPolyProps(&shape, false) ? addGenPolyProps(shape, false)
                                            : ccPtrHandle<ccShape>();
}

ccPtrHandle<ccShape> cfMapRegionTreeModel(const ccShapeModelTemplate<ccRegionTree>& model,
                                          const ccXform<2>& xform) {
    const ccPtrHandle<ccShape> prepared = cfAddGenPolyModelProps(model);
    const auto& source =
        prepared ? dynamic_cast<const ccShapeModelTemplate<ccRegionTree>&>(*prepared) : model;
    ccPtrHandle<ccShape> mapped = source.ccShapeTree::mapShape(xform);
    auto& region = dynamic_cast<ccRegionTree&>(*mapped);
    if (region.hasBoundary()) region.boundary(mapBoundaryPart(region.boundary(), xform));
    return mapped;
}

// ---------------------------------------------------------------------------
// Weight queries

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool weighsIn(double w, const ccRange& range, bool inclusive) {
    return inclusive ? range.isWithin(w) : range.start() < w && w < range.end();
}

// Whether some leaf of the contour weighs outside `range`: the complement is
// tested with the opposite inclusiveness, so an end value counts as outside
// exactly when it does not count as inside.
bool anyWeightOutside(const ccShape& contour, const ccShapeModelProps& inherited,
                      const ccRange& range, bool inclusive) {
    return cfAnyWeightInRange(contour, inherited, ccRange(-kInfinity, range.start()), !inclusive) ||
           cfAnyWeightInRange(contour, inherited, ccRange(range.end(), kInfinity), !inclusive);
}

// A tree that is neither mapped nor a contour: all that is found in it is
// found in its parts, each of which is tested on the way down, so testing it
// first as a whole would walk it once more (a deep chain once per level).
bool isGroup(const ccShape& shape) {
    return !asMapped(shape) && !cfAsContour(shape) && asTree(shape);
}

void findInMapped(const ccMappedShape& mapped, const ccShapeModelProps& inForce,
                  const ccRange& range, bool inclusive, ccGeneralShapeTree& found) {
    ccGeneralShapeTree under;
    cfFindContoursWithWeightInRange(mapped.underlyingShape(), inForce, range, inclusive, under,
                                    false);
    const ccPtrHandle_const<cc2XformBase> overall = mapped.overallMapXform();
    for (const ccPtrHandle_const<ccShape>& piece : under.children()) {
        found.addChild(ccPtrHandle_const<ccShape>(new ccMappedShape(piece, *overall, true)), true);
    }
}

void findInContour(const ccPtrHandle_const<ccShape>& handle, const ccContourTree& contour,
                   const ccShapeModelProps& inherited, const ccShapeModelProps& inForce,
                   const ccRange& range, bool inclusive, ccGeneralShapeTree& found) {
    ccShapeModelProps unused;
    const bool consistent =
        cfConsistentContourProps(contour, kDefaultProps, unused, eConsistentDirection);
    if (consistent && !anyWeightOutside(*handle, inherited, range, inclusive)) {
        found.addChild(inForce.assign(contour), true);
        return;
    }
    ccPtrHandle<ccShapeModelTemplate<ccContourTree>> run;
    for (const ccPtrHandle_const<ccShape>& piece : contour.children()) {
        ccGeneralShapeTree inRange;
        cfWithEnoughStack([&] {
            cfFindContoursWithWeightInRange(piece, inForce, range, inclusive, inRange, true);
        });
        if (inRange.numChildren() > 0) {
            if (!run)
                run = ccPtrHandle<ccShapeModelTemplate<ccContourTree>>(
                    new ccShapeModelTemplate<ccContourTree>(kDefaultProps));
            run->addChildren(inRange.children(), true);
        } else if (run) {
            found.addChild(run, true);
            run = {};
        }
    }
    if (run) found.addChild(run, true);
}

}  // namespace

bool cfAnyWeightInRange(const ccShape& shape, const ccShapeModelProps& inherited,
                        const ccRange& range, bool inclusive) {
    const ccShapeModelProps inForce =
        inherited.combine(cfLocalShapeModelProps(shape, true, false, false));
    if (const ccMappedShape* mapped = asMapped(shape)) {
        return cfAnyWeightInRange(*mapped->underlyingShape(), inForce, range, inclusive);
    }
    const ccShapeTree* tree = asTree(shape);
    if (!tree) return weighsIn(inForce.weight(), range, inclusive);
    if (const ccRegionTree* region = asRegion(*tree); region && !isRootHole(*region)) {
        if (cfAnyWeightInRange(region->boundary(), inForce, range, inclusive)) return true;
    }
    for (const ccPtrHandle_const<ccShape>& child : tree->children()) {
        if (cfWithEnoughStack(
                [&] { return cfAnyWeightInRange(*child, inForce, range, inclusive); }))
            return true;
    }
    return false;
}

bool cfHasPositiveWeights(const ccShape& shape) {
    return cfAnyWeightInRange(shape, kDefaultProps, ccRange(0.0, kInfinity), false);
}

void cfFindContoursWithWeightInRange(const ccPtrHandle_const<ccShape>& shape,
                                     const ccShapeModelProps& inherited, const ccRange& range,
                                     bool inclusive, ccGeneralShapeTree& found,
                                     bool testSubtreeFirst) {
    const ccShape& s = *shape;
    if (testSubtreeFirst && !cfAnyWeightInRange(s, inherited, range, inclusive)) return;
    const ccShapeModelProps inForce =
        inherited.combine(cfLocalShapeModelProps(s, true, false, false));
    if (const ccMappedShape* mapped = asMapped(s)) {
        findInMapped(*mapped, inForce, range, inclusive, found);
    } else if (const auto* contour = cfAsContour(s)) {
        findInContour(shape, *contour, inherited, inForce, range, inclusive, found);
    } else if (const ccShapeTree* tree = asTree(s)) {
        for (const ccPtrHandle_const<ccShape>& child : tree->children()) {
            cfWithEnoughStack([&] {
                cfFindContoursWithWeightInRange(child, inForce, range, inclusive, found,
                                                !isGroup(*child));
            });
        }
    } else {
        found.addChild(inForce.assign(s), true);
    }
}

void cfFindContoursWithWeightInRange(const ccPtrHandle_const<ccShape>& shape,
                                     const ccShapeModelProps& inherited, const ccRange& range,
                                     bool inclusive, ccGeneralShapeTree& found) {
    cfFindContoursWithWeightInRange(shape, inherited, range, inclusive, found, true);
}
