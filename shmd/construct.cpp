// Model construction from shapes: connecting loose pieces into contours.
#include "shmd/properties.h"

#include "vxstd12u/str.h"

namespace {

// How a piece meets a chain: which of its ends lie within the distance of
// which of the chain's ends.
struct Contact {
    bool endStart = false;    // chain end, piece start
    bool startEnd = false;    // chain start, piece end
    bool startStart = false;  // chain start, piece start
    bool endEnd = false;      // chain end, piece end

    bool any() const { return endStart || startEnd || startStart || endEnd; }
    bool goesInFront() const { return startStart || startEnd; }
    bool needsReversing() const { return startStart || endEnd; }
    bool closesChain() const { return (startStart && endEnd) || (startEnd && endStart); }
};

// Strict: a gap of exactly `distance` does not join, and NaN never does.
bool within(const ccVector<2>& a, const ccVector<2>& b, double distance) {
    return (a - b).len() < distance;
}

Contact contactOf(const ccShape& chain, const ccShape& piece, double distance,
                  const cc2XformBase& frame) {
    const ccVector<2> ps = frame.mapPoint(piece.startPoint()),
                      pe = frame.mapPoint(piece.endPoint());
    const ccVector<2> cs = frame.mapPoint(chain.startPoint()),
                      ce = frame.mapPoint(chain.endPoint());
    Contact c;
    c.endStart = within(ce, ps, distance);
    c.startEnd = within(cs, pe, distance);
    c.startStart = within(cs, ps, distance);
    c.endEnd = within(ce, pe, distance);
    return c;
}

bool isUnusedOpenPiece(const ccPtrHandle_const<ccShape>& kid) {
    return kid && kid->isOpenContour();
}

// Grows `chain` by the later unused open pieces of `kids`, in one pass.
void growChain(ccContourTree& chain, std::vector<ccPtrHandle_const<ccShape>>& kids,
               std::size_t first, double distance, const cc2XformBase& frame) {
    for (std::size_t j = first; j < kids.size(); ++j) {
        if (!isUnusedOpenPiece(kids[j])) continue;
        const Contact contact = contactOf(chain, *kids[j], distance, frame);
        if (!contact.any()) continue;
        const long position = contact.goesInFront() ? 0 : chain.numChildren();
        const ccPtrHandle_const<ccShape> piece =
            contact.needsReversing()
                ? ccPtrHandle_const<ccShape>(cfToggleReversedPolarity(*kids[j]->reverse()))
                : kids[j];
        chain.insertChild(position, piece, true);
        kids[j] = ccPtrHandle_const<ccShape>();
        if (contact.closesChain()) {
            chain.isClosed(true);
            return;
        }
    }
}

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
        kids.emplace_back(connectStep(*child, distance, frame));
    }
    ccPtrHandle<ccGeneralShapeTree> result(new ccGeneralShapeTree(tree));
    result->removeChildren();
    for (std::size_t i = 0; i < kids.size(); ++i) {
        if (!kids[i]) continue;
        if (!kids[i]->isOpenContour()) {
            result->addChild(kids[i], true);
            continue;
        }
        ccPtrHandle<ccContourTree> chain(new ccContourTree(false));
        chain->addChild(kids[i], true);
        growChain(*chain, kids, i + 1, distance, frame);
        result->addChild(chain->numChildren() > 1 ? ccPtrHandle_const<ccShape>(chain) : kids[i],
                         true);
    }
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
    const std::size_t n = static_cast<std::size_t>(view.lengths[chainIndex]);
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
