// Model construction from shapes: connecting loose pieces into contours.
#include "shmd/properties.h"

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
