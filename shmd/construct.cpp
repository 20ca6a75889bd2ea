// Model construction from shapes: connecting loose pieces into contours.
#include "shmd/properties.h"

#include <limits>

#include "vxstd12u/chainpass.h"
#include "vxstd12u/stackguard.h"
#include "vxstd12u/str.h"

namespace {

ccPtrHandle<ccShape> connectStep(const ccShape& shape, double distance, const cc2XformBase& frame);

ccPtrHandle<ccShape> connectMappedTree(const ccMappedShape& mapped, double distance,
                                       const cc2XformBase& frame) {
    ccPtrHandle<ccShape> copy = mapped.clone();
    auto& copyMapped = dynamic_cast<ccMappedShape&>(*copy);
    // Points of the inner level go through the mapped shape's own transform first.
    const ccPtrHandle<cc2XformBase> inner = frame.compose(copyMapped.mapXform());
    copyMapped.shape(
        ccPtrHandle_const<ccShape>(connectStep(*copyMapped.shape(), distance, *inner)));
    return copy;
}

ccPtrHandle<ccShape> connectTree(const ccGeneralShapeTree& tree, double distance,
                                 const cc2XformBase& frame) {
    std::vector<ccPtrHandle_const<ccShape>> kids;
    for (const ccPtrHandle_const<ccShape>& child : tree.children()) {
        kids.emplace_back(cfWithEnoughStack([&] { return connectStep(*child, distance, frame); }));
    }
    ccPtrHandle<ccGeneralShapeTree> result(new ccGeneralShapeTree(tree));
    result->removeChildren();
    // End points are compared in the frame of the shape given to cfConnect,
    // and a piece turned round keeps its polarity as seen from outside.
    const ccChainSteps steps{
        [&frame](const ccVector<2>& p) { return frame.mapPoint(p); },
        [](const ccShape& piece) {
            return ccPtrHandle_const<ccShape>(cfToggleReversedPolarity(*piece.reverse()));
        }};
    for (const ccPtrHandle_const<ccShape>& child : cfChainOpenPieces(kids, distance, steps))
        result->addChild(child, true);
    return result;
}

ccPtrHandle<ccShape> connectStep(const ccShape& shape, double distance, const cc2XformBase& frame) {
    if (const auto* mapped = dynamic_cast<const ccMappedShape*>(&shape);
        mapped && cfIsA<ccGeneralShapeTree>(*mapped->underlyingShape())) {
        return connectMappedTree(*mapped, distance, frame);
    }
    if (const auto* tree = dynamic_cast<const ccGeneralShapeTree*>(&shape)) {
        return connectTree(*tree, distance, frame);
    }
    return shape.clone();
}

}  // namespace

ccPtrHandle<ccShape> cfConnect(const ccShape& shape, double distance) {
    return connectStep(shape, distance, cc2XformLinear());
}

ccPtrHandle<ccShape> cfConnectShapeModel(const ccShapeModelTemplate<ccGeneralShapeTree>& model,
                                         double distance) {
    ccPtrHandle<ccShape> copy = model.clone();
    auto& copyTree = dynamic_cast<ccShapeModelTemplate<ccGeneralShapeTree>&>(*copy);
    for (long i = 0; i < model.numChildren(); ++i) {
        const ccShape& child = *model.child(i);
        if (!cfIsA<ccShapeModel>(child)) copyTree.replaceChild(i, cfAsShapeModel(child), false);
    }
    return copyTree.ccGeneralShapeTree::connect_(distance);
}

// ---------------------------------------------------------------------------
// Models from found edges, read through the chain set's C-level view.

namespace {
struct ChainView {
    const cfeat_featurelet* featurelets;
    const std::int32_t* lengths;
    const std::int32_t* starts;
    const unsigned char* closed;
    long numChains;
};

ChainView viewOf(const ccFeatureletChainSet& chains) {
    const cfeat_featureletChainSet view = chains.featureletChainSet();
    ChainView v{};
    const cfeat_featurelet* fEnd;
    const std::int32_t* lEnd;
    const std::int32_t* sEnd;
    const unsigned char* cEnd;
    cstd_vector_cfeat_featurelet_getBeginEndConst(view.featurelets, &v.featurelets, &fEnd);
    cstd_vector32s_getBeginEndConst(view.chainLengths, &v.lengths, &lEnd);
    cstd_vector32s_getBeginEndConst(view.chainStarts, &v.starts, &sEnd);
    cstd_vectorb_getBeginEndConst(view.closedFlags, &v.closed, &cEnd);
    v.numChains = static_cast<long>(lEnd - v.lengths);
    return v;
}

template <class Tree>
ccPtrHandle<ccShapeModelTemplate<Tree>> treeOfChains(const ccFeatureletChainSet& chains,
                                                     bool closedOnly) {
    ccPtrHandle<ccShapeModelTemplate<Tree>> tree(new ccShapeModelTemplate<Tree>());
    for (long c = 0; c < chains.numChains(); ++c) {
        if (closedOnly && !chains.isClosed(c)) {
            throw ccShapesError::NotRegion(L"chain " + cfStr(c) +
                                           L" is open and cannot bound a region");
        }
        tree->addChild(cfPolylineShapeModel(chains, c), false);
    }
    return tree;
}
}  // namespace

ccPtrHandle<ccShapeModelTemplate<ccPolyline>> cfPolylineShapeModel(
    const ccFeatureletChainSet& chains, long chainIndex) {
    const ChainView view = viewOf(chains);
    if (chainIndex < 0 || chainIndex >= view.numChains) {
        throw ccFeatureletDefs::BadParams("chainIndex < 0 || chainIndex >= numChains");
    }
    const auto n = static_cast<std::size_t>(view.lengths[chainIndex]);
    if (n == 0)
        return ccPtrHandle<ccShapeModelTemplate<ccPolyline>>(
            new ccShapeModelTemplate<ccPolyline>());
    const cfeat_featurelet* first = view.featurelets + view.starts[chainIndex];
    std::vector<ccVector<2>> vertices;
    vertices.reserve(n);
    double weights = 0, magnitudes = 0;
    for (std::size_t i = 0; i < n; ++i) {
        vertices.push_back(first[i].position);
        weights += first[i].weight;
        magnitudes += first[i].magnitude();
    }
    const double p = chains.proportionPositiveCrossProduct(chainIndex);
    const ccShapeModelProps props(p < 0.5, weights / static_cast<double>(n), p == 0.5,
                                  magnitudes / static_cast<double>(n));
    const ccPolyline polyline(vertices, view.closed[chainIndex] != 0);
    return ccPtrHandle<ccShapeModelTemplate<ccPolyline>>(
        new ccShapeModelTemplate<ccPolyline>(polyline, props));
}

ccPtrHandle<ccShapeModelTemplate<ccRegionTree>> cfRegionTreeModel(
    const ccFeatureletChainSet& chains) {
    return treeOfChains<ccRegionTree>(chains, true);
}

ccPtrHandle<ccShapeModelTemplate<ccGeneralShapeTree>> cfGeneralShapeTreeModel(
    const ccFeatureletChainSet& chains) {
    return treeOfChains<ccGeneralShapeTree>(chains, false);
}

// ---------------------------------------------------------------------------
// Extension shapes

cc2Rigid cfPoseAtPerimeterFraction(const ccShape& shape, double t) {
    if (const auto* mapped = dynamic_cast<const ccMappedShape*>(&shape)) {
        const ccPtrHandle_const<cc2XformBase> overall = mapped->overallMapXform();
        if (overall->isLinear()) return cfPoseAtPerimeterFraction(*mapped->explicitShape(), t);
        const cc2Rigid inner = cfPoseAtPerimeterFraction(*mapped->underlyingShape(), t);
        const ccVector<2> at = inner.translation();
        const ccRadian angle =
            mapped->overallMapXformLinear().mapAngle(at, inner.rotation().toRadian());
        return cc2Rigid(ccDegree(angle), overall->mapPoint(at));
    }
    const ccShapeInfo info(shape);
    ccVector<2> point;
    ccRadian tangent;
    info.leafPointAndTangent(info.perimPos(t * info.perimeter()), point, tangent);
    return cc2Rigid(ccDegree(tangent), point);
}

namespace {

using ContourModel = ccShapeModelTemplate<ccContourTree>;

// `sub`'s pieces, flattened, each wrapped with `sub`'s record over its own.
void splicePieces(const ccContourTree& sub, ContourModel& into) {
    const ccShapeModelProps subProps = ccShapeModel::shapeModelProps(sub);
    const auto flat = cfFlattenContour(sub);
    for (const ccPtrHandle_const<ccShape>& piece : flat->children()) {
        into.addChild(
            subProps.combine(cfLocalShapeModelProps(*piece, true, true, false)).assign(*piece),
            true);
    }
}

// A mapped contour as a contour of mapped pieces.
const ccContourTree& pushedDown(const ccShape& mappedContour, ccPtrHandle<ccShape>& keep) {
    keep = cfDistributeMapXform(mappedContour);
    return dynamic_cast<const ccContourTree&>(*keep);
}

bool isMappedContour(const ccShape& shape) {
    const auto* mapped = dynamic_cast<const ccMappedShape*>(&shape);
    return mapped && cfIsA<ccContourTree>(*mapped->underlyingShape());
}

// The new shape continuing `piece` beyond one end, or none for its type.
ccPtrHandle<ccShape> continuation(const ccShape& piece, bool atEnd, double fraction, double length,
                                  const cc2Rigid& pose) {
    constexpr double kRadiansPerDegree = 0.017453292519943295;
    const double direction =
        (pose.rotation().toDouble() + (atEnd ? 0.0 : 180.0)) * kRadiansPerDegree;
    const ccVector<2> q = pose.translation();
    if (cfIsA<ccLineSeg>(piece))
        return cfMakeHandle<ccLineSeg>(q, q + ccVector<2>::polar(direction) * (fraction * length));
    if (const auto* arc = dynamic_cast<const ccEllipseArc2*>(&piece)) {
        const ccRadian span = arc->phiSpan() * fraction;
        return atEnd ? cfMakeHandle<ccEllipseArc2>(arc->ellipse(), arc->phiEnd(), span)
                     : cfMakeHandle<ccEllipseArc2>(arc->ellipse(), arc->phiStart(), -span);
    }
    if (cfIsA<ccBezierCurve>(piece))
        return cfMakeHandle<ccLineSeg>(q, q + ccVector<2>::polar(direction) * length);
    return {};
}

ccPtrHandle<ccShape> extensionOf(const ccShape& piece, bool atEnd, double minLength,
                                 double fraction, const ccShapeModelProps& props);

ccPtrHandle<ccShape> extensionOfMapped(const ccMappedShape& mapped, bool atEnd, double minLength,
                                       double fraction, const ccShapeModelProps& props) {
    const ccPtrHandle_const<cc2XformBase> overall = mapped.overallMapXform();
    if (overall->isLinear()) {
        return extensionOf(*mapped.explicitShape(), atEnd, minLength, fraction,
                           props.combine(ccShapeModel::shapeModelProps(mapped)));
    }
    const cc2XformLinear linear = mapped.overallMapXformLinear();
    const double innerLength = linear.xform().inverse().mapVector(ccVector<2>(0, minLength)).len();
    const ccPtrHandle<ccShape> inner =
        extensionOf(*mapped.underlyingShape(), atEnd, innerLength, fraction,
                    props.combine(cfLocalShapeModelProps(mapped, true, false, false)));
    if (!inner) return {};
    return ccShapeModelProps(false, 1.0, false, 1.0).assign(ccMappedShape(inner, *overall, true));
}

ccPtrHandle<ccShape> extensionOf(const ccShape& piece, bool atEnd, double minLength,
                                 double fraction, const ccShapeModelProps& props) {
    if (const auto* mapped = dynamic_cast<const ccMappedShape*>(&piece)) {
        return extensionOfMapped(*mapped, atEnd, minLength, fraction, props);
    }
    ccShapeModelProps own = props.combine(ccShapeModel::shapeModelProps(piece));
    const double length = piece.perimeter();
    if (length < minLength) return {};
    own.weight(own.weight() * -0.5 / fraction);
    const ccPtrHandle<ccShape> shape = continuation(
        piece, atEnd, fraction, length, cfPoseAtPerimeterFraction(piece, atEnd ? 1.0 : 0.0));
    if (!shape) return {};
    const ccPtrHandle<ccShape> extension = own.assign(*shape);
    return atEnd ? extension : extension->reverse();
}

// The working contours: every contour of weight from 0 up, one level deep.
ccGeneralShapeTree workingContours(const ccShape& shape) {
    ccGeneralShapeTree contours;
    const ccPtrHandle_const<ccShape> pieces(shape.decompose());
    cfFindContoursWithWeightInRange(pieces, ccShapeModelProps(),
                                    ccRange(0.0, std::numeric_limits<double>::infinity()), true,
                                    contours, true);
    for (long i = 0; i < contours.numChildren(); ++i) {
        const ccShape& c = *contours.child(i);
        ccPtrHandle<ccShape> keep;
        if (const auto* contour = dynamic_cast<const ccContourTree*>(&c)) {
            contours.replaceChild(i, cfFlattenContour(*contour), true);
        } else if (isMappedContour(c)) {
            contours.replaceChild(i, cfFlattenContour(pushedDown(c, keep)), true);
        } else {
            auto single = cfMakeHandle<ccContourTree>(false);
            single->addChild(contours.child(i), true);
            contours.replaceChild(i, single, true);
        }
    }
    return contours;
}

bool isExtended(const ccShape& piece, const ccShapeModelProps& base) {
    return base.combine(cfLocalShapeModelProps(piece, true, true, false)).weight() > 0 &&
           !cfIsA<ccBezierCurve>(piece);
}

}  // namespace

ccPtrHandle<ContourModel> cfFlattenContour(const ccContourTree& contour) {
    ccPtrHandle<ContourModel> flat(
        new ContourModel(contour, ccShapeModel::shapeModelProps(contour)));
    flat->removeChildren();
    for (const ccPtrHandle_const<ccShape>& child : contour.children()) {
        ccPtrHandle<ccShape> keep;
        if (const auto* sub = dynamic_cast<const ccContourTree*>(child.get())) {
            cfWithEnoughStack([&] { splicePieces(*sub, *flat); });
        } else if (isMappedContour(*child)) {
            splicePieces(pushedDown(*child, keep), *flat);
        } else {
            flat->addChild(child, false);
        }
    }
    return flat;
}

ccPtrHandle<ccGeneralShapeTree> cfExtensionShape(const ccShape& shape, double fraction,
                                                 double minLength) {
    if (fraction < 0) fraction = 0.5;
    const ccGeneralShapeTree contours = workingContours(shape);
    ccPtrHandle<ccGeneralShapeTree> result(new ccGeneralShapeTree);
    auto addIfAny = [&result](const ccPtrHandle<ccShape>& e) {
        if (e) result->addChild(e, true);
    };
    for (const ccPtrHandle_const<ccShape>& c : contours.children()) {
        const auto& contour = dynamic_cast<const ccContourTree&>(*c);
        const ccShapeModelProps base = ccShapeModel::shapeModelProps(contour);
        const long n = contour.numChildren();
        for (long m = 0; m < n; ++m) {
            if (m == 0 && !contour.isClosed()) continue;
            const ccShape& before = *contour.child((m - 1 + n) % n);
            const ccShape& piece = *contour.child(m);
            if (isExtended(before, base))
                addIfAny(extensionOf(before, true, minLength, fraction, base));
            if (isExtended(piece, base))
                addIfAny(extensionOf(piece, false, minLength, fraction, base));
        }
    }
    return result;
}
