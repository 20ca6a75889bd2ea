#include "vxstd12u/errors.h"

#include "vxstd12u/archiveform.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/stackguard.h"

namespace {

void requireClosed(const ccShape& boundary) {
    if (!boundary.isRegion())
        throw ccShapesError::NotRegion(L"a region boundary must be a closed shape");
}

// Points at which one closed shape is tested for lying inside another.
constexpr int kContainmentProbes = 8;

}  // namespace

ccRegionTree::ccRegionTree() = default;

ccRegionTree::ccRegionTree(const ccShape& boundary, bool isHole) : hole_(isHole) {
    requireClosed(boundary);
    boundary_ = boundary.clone();
}

const ccShape& ccRegionTree::boundary() const {
    if (!boundary_) throw ccBadPointer(L"a root hole has no boundary");
    return *boundary_;
}

void ccRegionTree::boundary(const ccShape& b) {
    requireClosed(b);
    auto copy = b.clone();
    noticeChange_();
    boundary_ = copy;
}

void ccRegionTree::boundary(const ccPtrHandle_const<ccShape>& b) {
    if (!b) throw ccBadPointer(L"a region boundary cannot be an empty handle");
    requireClosed(*b);
    noticeChange_();
    boundary_ = b;
}

// ---- Children ----

ccPtrHandle<ccRegionTree> ccRegionTree::withStanding(bool hole) const {
    ccPtrHandle<ccRegionTree> copy(clone());
    if (hole == hole_) return copy;
    copy->hole_ = hole;
    for (auto& c : copy->children_)
        c = cfWithEnoughStack(
            [&] { return dynamic_cast<const ccRegionTree&>(*c).withStanding(!hole); });
    return copy;
}

ccPtrHandle_const<ccShape> ccRegionTree::admit_(const ccPtrHandle_const<ccShape>& c,
                                                bool mayAdapt) const {
    if (!c) throw ccBadPointer(L"a tree cannot hold an empty child handle");
    if (const auto* node = dynamic_cast<const ccRegionTree*>(c.get())) {
        if (!node->hasBoundary())
            throw ccShapesError::BadParams(L"a root hole cannot be a child region");
        // A node already in its place is held as it is; otherwise it takes its
        // standing from its new parent, in place when it may be adapted.
        if (!node->root_ && node->hole_ != hole_) return c;
        ccPtrHandle<ccRegionTree> target =
            mayAdapt ? ccPtrHandle<ccRegionTree>(const_cast<ccRegionTree*>(node))
                     : node->withStanding(!hole_);
        if (target->hole_ == hole_) {
            const auto restanded = node->withStanding(!hole_);
            target->noticeChange_();
            target->children_ = restanded->children_;
            target->hole_ = !hole_;
        }
        target->root_ = false;
        return target;
    }
    requireClosed(*c);
    auto wrapped = cfMakeHandle<ccRegionTree>();
    wrapped->boundary_ = c;
    wrapped->hole_ = !hole_;
    wrapped->root_ = false;
    return wrapped;
}

bool ccRegionTree::encloses(const ccShape& shape) const {
    if (!boundary_) return true;
    const ccShapeInfo info(shape);
    for (int k = 0; k < kContainmentProbes; ++k) {
        ccVector<2> point;
        ccRadian tangent;
        info.leafPointAndTangent(info.perimPos(info.perimeter() * k / kContainmentProbes), point,
                                 tangent);
        if (!boundary_->within(point)) return false;
    }
    return true;
}

void ccRegionTree::place(const ccPtrHandle<ccRegionTree>& node) {
    for (auto& c : children_) {
        const auto& child = dynamic_cast<const ccRegionTree&>(*c);
        if (!child.encloses(*node->boundary_)) continue;
        ccPtrHandle<ccRegionTree> copy(child.clone());
        cfWithEnoughStack([&] { copy->place(node->withStanding(!child.hole_)); });
        noticeChange_();
        c = copy;
        return;
    }
    ChildList stay;
    for (const auto& c : children_) {
        const auto& child = dynamic_cast<const ccRegionTree&>(*c);
        if (node->encloses(*child.boundary_))
            node->children_.push_back(child.withStanding(!node->hole_));
        else
            stay.push_back(c);
    }
    stay.push_back(node);
    noticeChange_();
    children_ = std::move(stay);
}

void ccRegionTree::addChild(const ccPtrHandle_const<ccShape>& c, bool mayAdapt) {
    if (c && dynamic_cast<const ccRegionTree*>(c.get())) {
        ccShapeTree::addChild(c, mayAdapt);
        return;
    }
    auto admitted = admit_(c, mayAdapt);
    ccPtrHandle<ccRegionTree> node(
        const_cast<ccRegionTree*>(dynamic_cast<const ccRegionTree*>(admitted.get())));
    place(node);
}

ccShapeTree::ChildList ccRegionTree::parts_() const {
    ChildList parts;
    if (boundary_) parts.push_back(boundary_);
    parts.insert(parts.end(), children_.begin(), children_.end());
    return parts;
}

// ---- Queries ----

bool ccRegionTree::reversesBoundary() const {
    return boundary_ && boundary_->isRightHanded() == hole_;
}

ccPtrHandle_const<ccShape> ccRegionTree::orientedBoundary() const {
    return reversesBoundary() ? ccPtrHandle_const<ccShape>(boundary_->reverse()) : boundary_;
}

bool ccRegionTree::within(const ccVector<2>& p) const {
    if (boundary_ && !boundary_->within(p)) return false;
    const ccRegionTree* node = this;
    for (bool deeper = true; deeper;) {
        deeper = false;
        for (const auto& c : node->children_) {
            const auto& child = dynamic_cast<const ccRegionTree&>(*c);
            if (child.boundary_->within(p)) {
                node = &child;
                deeper = true;
                break;
            }
        }
    }
    return !node->hole_;
}

double ccRegionTree::windingAngle(const ccVector<2>& p) const {
    double sum = 0.0;
    if (boundary_) sum += (reversesBoundary() ? -1.0 : 1.0) * boundary_->windingAngle(p);
    for (const auto& c : children_) sum += cfWithEnoughStack([&] { return c->windingAngle(p); });
    return sum;
}

ccVector<2> ccRegionTree::startPoint() const {
    return boundary_ ? orientedBoundary()->startPoint() : ccShapeTree::startPoint();
}

ccVector<2> ccRegionTree::endPoint() const {
    return boundary_ ? orientedBoundary()->endPoint() : ccShapeTree::endPoint();
}

ccRadian ccRegionTree::startAngle() const {
    return boundary_ ? orientedBoundary()->startAngle() : ccShapeTree::startAngle();
}

ccRadian ccRegionTree::endAngle() const {
    return boundary_ ? orientedBoundary()->endAngle() : ccShapeTree::endAngle();
}

double ccRegionTree::tangentRotation() const {
    if (!boundary_) return 0.0;
    return hole_ ? -ccTwoPi : ccTwoPi;
}

// ---- Sampling ----

void ccRegionTree::samplePart_(const ccShapeInfo& info, const ccShape& part, long number,
                               const ccSampleParams& params, ccSampleResult& result) const {
    if (&part != boundary_.get() || !reversesBoundary()) {
        ccShapeTree::samplePart_(info, part, number, params, result);
        return;
    }
    const auto reversed = boundary_->reverse();
    ccSampleParams own = params;
    own.perimPosRequested(true);
    ccSampleResult samples;
    reversed->sample(own, samples);
    const ccShapeInfo backwards(*reversed), forwards(*boundary_);
    const double length = forwards.perimeter();
    for (auto& pos : samples.perimPositions()) {
        const ccPerimPos mine = forwards.perimPos(length - backwards.arcLength(pos));
        pos = ccPerimPos(result.shapeIndex() + number + mine.node(), mine.offset());
    }
    if (!params.perimPosRequested()) samples.perimPositions().clear();
    cfAppendSamples(samples, result);
}

// ---- New shapes ----

ccPtrHandle<ccShape> ccRegionTree::clone() const {
    return cfMakeHandle<ccRegionTree>(*this);
}

ccPtrHandle<ccShape> ccRegionTree::mapShape(const ccXform<2>& xform) const {
    ccPtrHandle<ccRegionTree> mapped(ccShapeTree::mapShape(xform));
    if (boundary_) mapped->boundary_ = boundary_->mapShape(xform);
    return mapped;
}

ccPtrHandle<ccShape> ccRegionTree::reverse() const {
    ChildList reversed;
    for (const auto& c : children_)
        reversed.push_back(cfWithEnoughStack([&] { return c->reverse(); }));
    ccPtrHandle<ccRegionTree> out(withChildren_(std::move(reversed)));
    if (boundary_) out->boundary_ = boundary_->reverse();
    return out;
}

ccPtrHandle<ccShape> ccRegionTree::decompose() const {
    ccPtrHandle<ccRegionTree> out(ccShapeTree::decompose());
    if (boundary_) out->boundary_ = boundary_->decompose();
    return out;
}

ccPtrHandle<ccShapeTree> ccRegionTree::mapParts(const PartMap& f) const {
    const auto mappedBoundary =
        boundary_ ? cfWithEnoughStack([&] { return f(boundary_); }) : boundary_;
    ccPtrHandle<ccRegionTree> out(ccShapeTree::mapParts(f));
    out->boundary_ = mappedBoundary;
    return out;
}

namespace {

void gatherBoundaries(const ccRegionTree& node, ccShapeTree::ChildList& out) {
    for (const auto& c : node.children()) {
        const auto& child = dynamic_cast<const ccRegionTree&>(*c);
        out.push_back(child.boundaryHandle());
        cfWithEnoughStack([&] { gatherBoundaries(child, out); });
    }
}

}  // namespace

ccPtrHandle<ccShapeTree> ccRegionTree::flatten_(bool) const {
    ChildList boundaries;
    gatherBoundaries(*this, boundaries);
    ChildList nodes;
    for (const auto& b : boundaries) {
        auto node = cfMakeHandle<ccRegionTree>();
        node->boundary_ = b;
        node->hole_ = !hole_;
        node->root_ = false;
        nodes.push_back(node);
    }
    return withChildren_(std::move(nodes));
}

bool ccRegionTree::equal_(const ccShape& other) const {
    return ccShapeTree::equal_(other) && dynamic_cast<const ccRegionTree&>(other).hole_ == hole_;
}

// ---- archive form of ccRegionTree

namespace {
const cc_Instantiator kRegionTreeExemplar(typeid(ccRegionTree), &ccRegionTree::make);
}  // namespace

ccPersistent* ccRegionTree::make() {
    return new ccRegionTree;
}

void ccRegionTree::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/shapetree", 4, [&] {
        ccPtrHandle_const<ccShape> boundary = boundary_;
        bool hole = hole_, root = root_;
        ar || boundary || hole || root;
        if (ar.isLoading()) {
            // Only a root hole (the whole plane) goes without a boundary.
            if (!boundary && !(hole && root))
                throw ccArchive::Error(L"archive holds a region node without a boundary");
            if (boundary) cfValidLoaded("ccRegionTree", [&] { requireClosed(*boundary); });
            noticeChange_();
            boundary_ = boundary;
            hole_ = hole;
            root_ = root;
        }
        ccShapeTree::dispatchSerialize(ar);
    });
}
