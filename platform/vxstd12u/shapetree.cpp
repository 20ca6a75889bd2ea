#include "vxstd12u/shapetree.h"

#include "vxstd12u/archiveform.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "vxstd12u/chainpass.h"
#include "vxstd12u/clipwalk.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/stackguard.h"
#include "vxstd12u/tolerances.h"

namespace {

[[noreturn]] void throwEmptyTree(const wchar_t* what) {
    throw ccShapesError::BadParams(what);
}

bool isContour(const ccShape& s) {
    return dynamic_cast<const ccContourTree*>(&s) != nullptr;
}

// The first non-empty part of `parts` (the last one when `fromBack`). Trees
// whose ends are those of their parts (all but region nodes) are looked into
// rather than asked whether they are empty: asking walks the whole subtree,
// and a deep chain would be walked once for every level. Null when all parts
// are empty.
const ccShape* endPart(const ccShapeTree::ChildList& parts, bool fromBack) {
    std::vector<std::pair<const ccShapeTree::ChildList*, size_t>> open{{&parts, 0}};
    while (!open.empty()) {
        auto& [list, done] = open.back();
        if (done == list->size()) {
            open.pop_back();
            continue;
        }
        const ccShape& part = *(*list)[fromBack ? list->size() - 1 - done : done];
        ++done;
        const ccShapeTree* tree = part.asShapeTree();
        if (tree && !tree->asRegionTree())
            open.emplace_back(&tree->children(), 0);
        else if (!part.isEmpty())
            return &part;
    }
    return nullptr;
}

// The box around those of `parts` that have points; none when no part has
// one. Subtrees other than region nodes (whose parts are their children) are
// boxed by this same walk rather than asked first whether they are empty, for
// the same reason as in endPart.
std::optional<ccRect> boxOfPoints(const ccShapeTree::ChildList& parts) {
    std::optional<ccRect> box;
    for (const auto& part : parts) {
        const ccShapeTree* tree = part->asShapeTree();
        std::optional<ccRect> own;
        if (tree && !tree->asRegionTree())
            own = cfWithEnoughStack([&] { return boxOfPoints(tree->children()); });
        else if (!part->isEmpty())
            own = cfWithEnoughStack([&] { return part->boundingBox(); });
        if (own) box = box ? box->unionWith(*own) : *own;
    }
    return box;
}

// The leaf of `info` nearest to `p`; -1 when there is none.
long nearestLeaf(const ccShapeInfo& info, const ccVector<2>& p) {
    long best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (long i = 0; i < info.numNodes(); ++i) {
        if (!info.isLeaf(i) || info.node(i).isEmpty()) continue;
        const double d = (info.node(i).nearestPoint(p) - p).len();
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

}  // namespace

// ---- Lifetime ----

ccShapeTree::~ccShapeTree() {
    // Letting each child go in its own destructor would nest one call per
    // level of a deep chain; subtrees this tree owns alone are taken apart
    // here instead, their children joining the pending list before they go.
    ChildList pending = std::move(children_);
    while (!pending.empty()) {
        const ccShape* child = pending.back().get();
        const auto* subtree = child->asShapeTree();
        if (!subtree) {
            pending.pop_back();
            continue;
        }
        // An extra reference keeps the child alive past its handle, and the
        // count it leaves tells whether another owner still shares it.
        child->addRef_();
        pending.pop_back();
        if (!child->release_()) continue;
        ChildList& grandchildren = const_cast<ccShapeTree*>(subtree)->children_;
        std::move(grandchildren.begin(), grandchildren.end(), std::back_inserter(pending));
        grandchildren.clear();
        delete child;
    }
}

// ---- Editing ----

const ccPtrHandle_const<ccShape>& ccShapeTree::child(long i) const {
    if (i < 0 || i >= numChildren())
        throw ccShapesError::BadParams(L"child index outside the tree");
    return children_[static_cast<size_t>(i)];
}

ccPtrHandle_const<ccShape> ccShapeTree::admit_(const ccPtrHandle_const<ccShape>& c, bool) const {
    if (!c) throw ccBadPointer(L"a tree cannot hold an empty child handle");
    return c;
}

void ccShapeTree::addChild(const ccPtrHandle_const<ccShape>& c, bool mayAdapt) {
    auto admitted = admit_(c, mayAdapt);
    noticeChange_();
    children_.push_back(std::move(admitted));
}

void ccShapeTree::addChildren(const ChildList& c, bool mayAdapt) {
    const ChildList before = children_;
    try {
        for (const auto& each : c) addChild(each, mayAdapt);
    } catch (...) {
        children_ = before;
        throw;
    }
}

void ccShapeTree::insertChild(long index, const ccPtrHandle_const<ccShape>& c, bool mayAdapt) {
    if (index < 0 || index > numChildren())
        throw ccShapesError::BadParams(L"insert index outside the tree");
    auto admitted = admit_(c, mayAdapt);
    noticeChange_();
    children_.insert(children_.begin() + index, std::move(admitted));
}

void ccShapeTree::replaceChild(long index, const ccPtrHandle_const<ccShape>& c, bool mayAdapt) {
    child(index);
    auto admitted = admit_(c, mayAdapt);
    noticeChange_();
    children_[static_cast<size_t>(index)] = std::move(admitted);
}

void ccShapeTree::removeChild(long index) {
    child(index);
    noticeChange_();
    children_.erase(children_.begin() + index);
}

void ccShapeTree::removeChildren() {
    noticeChange_();
    children_.clear();
}

long ccShapeTree::height() const {
    long below = 0;
    for (const auto& p : parts_())
        if (const auto* t = dynamic_cast<const ccShapeTree*>(p.get()))
            below = std::max(below, cfWithEnoughStack([&] { return t->height(); }));
    return below + 1;
}

long ccShapeTree::size(bool leavesOnly) const {
    const ccShapeInfo info(*this);
    if (!leavesOnly) return info.numNodes();
    long leaves = 0;
    for (long i = 0; i < info.numNodes(); ++i) leaves += info.isLeaf(i) ? 1 : 0;
    return leaves;
}

ccPtrHandle<ccShapeTree> ccShapeTree::withChildren_(ChildList children) const {
    ccPtrHandle<ccShapeTree> copy(clone());
    copy->children_ = std::move(children);
    return copy;
}

ccPtrHandle<ccShapeTree> ccShapeTree::mapParts(const PartMap& f) const {
    ChildList mapped;
    for (const auto& c : children_) mapped.push_back(cfWithEnoughStack([&] { return f(c); }));
    return withChildren_(std::move(mapped));
}

// ---- Flattening ----

namespace {

// Appends the leaves below `tree` to `out`, opening trees as flatten_ says.
void gatherLeaves(const ccShapeTree& tree, const ccShapeTree& top, bool intoContours,
                  ccShapeTree::ChildList& out);

bool opensUp(const ccShape& part, const ccShapeTree& top, bool intoContours) {
    if (!dynamic_cast<const ccShapeTree*>(&part)) return false;
    return !isContour(part) || isContour(top) || intoContours;
}

}  // namespace

ccShapeTree::ChildList cfLeafHandles(const ccShapeTree& tree) {
    ccShapeTree::ChildList out;
    gatherLeaves(tree, tree, true, out);
    return out;
}

ccPtrHandle<ccShapeTree> ccShapeTree::flatten_(bool intoContours) const {
    // Wrappers call this base directly; a region node still needs its own form.
    if (const auto* region = dynamic_cast<const ccRegionTree*>(this))
        return region->ccRegionTree::flatten_(intoContours);
    ChildList leaves;
    gatherLeaves(*this, *this, intoContours, leaves);
    return withChildren_(std::move(leaves));
}

namespace {

void gatherLeaves(const ccShapeTree& tree, const ccShapeTree& top, bool intoContours,
                  ccShapeTree::ChildList& out) {
    ccShapeTree::ChildList parts;
    const auto* region = dynamic_cast<const ccRegionTree*>(&tree);
    if (region && region->hasBoundary()) parts.push_back(region->boundaryHandle());
    parts.insert(parts.end(), tree.children().begin(), tree.children().end());
    for (const auto& p : parts) {
        if (opensUp(*p, top, intoContours))
            cfWithEnoughStack([&] {
                gatherLeaves(dynamic_cast<const ccShapeTree&>(*p), top, intoContours, out);
            });
        else
            out.push_back(p);
    }
}

}  // namespace

// ---- Queries ----

bool ccShapeTree::isEmpty() const {
    const auto parts = parts_();
    return std::all_of(parts.begin(), parts.end(), [](const auto& p) {
        return cfWithEnoughStack([&] { return p->isEmpty(); });
    });
}

bool ccShapeTree::isFinite() const {
    const auto parts = parts_();
    return std::all_of(parts.begin(), parts.end(), [](const auto& p) {
        return cfWithEnoughStack([&] { return p->isFinite(); });
    });
}

bool ccShapeTree::isDecomposed() const {
    const auto parts = parts_();
    return std::all_of(parts.begin(), parts.end(), [](const auto& p) {
        return cfWithEnoughStack([&] { return p->isDecomposed(); });
    });
}

bool ccShapeTree::hasTangent() const {
    const auto parts = parts_();
    return parts.empty() || std::any_of(parts.begin(), parts.end(), [](const auto& p) {
               return cfWithEnoughStack([&] { return p->hasTangent(); });
           });
}

bool ccShapeTree::within(const ccVector<2>&) const {
    throw ccShapesError::NotRegion(L"within() of a tree that bounds no area");
}

double ccShapeTree::windingAngle(const ccVector<2>& p) const {
    double sum = 0.0;
    for (const auto& part : parts_())
        sum += cfWithEnoughStack([&] { return part->windingAngle(p); });
    return sum;
}

ccVector<2> ccShapeTree::startPoint() const {
    const ccShape* first = endPart(parts_(), false);
    if (!first) throwEmptyTree(L"an empty tree has no start point");
    return first->startPoint();
}

ccVector<2> ccShapeTree::endPoint() const {
    const ccShape* last = endPart(parts_(), true);
    if (!last) throwEmptyTree(L"an empty tree has no end point");
    return last->endPoint();
}

ccRadian ccShapeTree::startAngle() const {
    const ccShape* first = endPart(parts_(), false);
    if (!first) throwEmptyTree(L"an empty tree has no start angle");
    return first->startAngle();
}

ccRadian ccShapeTree::endAngle() const {
    const ccShape* last = endPart(parts_(), true);
    if (!last) throwEmptyTree(L"an empty tree has no end angle");
    return last->endAngle();
}

double ccShapeTree::tangentRotation() const {
    double sum = 0.0;
    for (const auto& part : parts_())
        if (!part->isEmpty()) sum += cfWithEnoughStack([&] { return part->tangentRotation(); });
    return sum;
}

ccRect ccShapeTree::boundingBox() const {
    const std::optional<ccRect> box = boxOfPoints(parts_());
    if (!box) throwEmptyTree(L"an empty tree has no bounding box");
    return *box;
}

ccVector<2> ccShapeTree::nearestPoint(const ccVector<2>& p) const {
    const ccShapeInfo info(*this);
    const long leaf = nearestLeaf(info, p);
    if (leaf < 0) throwEmptyTree(L"an empty tree has no nearest point");
    return info.node(leaf).nearestPoint(p);
}

ccPerimPos ccShapeTree::nearestPerimPos(const ccVector<2>& p) const {
    const ccShapeInfo info(*this);
    const long leaf = nearestLeaf(info, p);
    if (leaf < 0) throwEmptyTree(L"an empty tree has no nearest position");
    return ccPerimPos(leaf, info.node(leaf).nearestPerimPos(p).offset());
}

double ccShapeTree::perimeter() const {
    double sum = 0.0;
    for (const auto& part : parts_()) sum += cfWithEnoughStack([&] { return part->perimeter(); });
    return sum;
}

void ccShapeTree::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                       ccRadian& tangent) const {
    const ccShapeInfo info(*this);
    if (info.isLeaf(pos.node())) {
        // Leaves keep their own offsets unclamped (a line has no ends).
        info.node(pos.node()).perimPointAndTangent(ccPerimPos(0, pos.offset()), point, tangent);
        return;
    }
    const double along = info.arcLength(pos) - info.nodeStart(pos.node());
    info.leafPointAndTangent(info.perimPosInSubtree(pos.node(), along), point, tangent);
}

// ---- Sampling ----

namespace {

// The sizes of a result's lists, to put it back as it was.
class SampleMark {
  public:
    explicit SampleMark(const ccShapeSampleResult& r)
        : positions_(r.positions().size()),
          tangents_(r.tangents().size()),
          chains_(r.breaks().size()),
          perimPositions_(r.perimPositions().size()) {}

    long samplesSince(const ccShapeSampleResult& r) const {
        return static_cast<long>(r.positions().size() - positions_);
    }

    // Drops what was appended since the mark; the tangents that appending
    // gave earlier samples go too.
    void restore(ccShapeSampleResult& r) const {
        r.positions().resize(positions_);
        r.tangents().resize(tangents_);
        r.breaks().resize(chains_);
        r.closedFlags().resize(chains_);
        r.perimPositions().resize(perimPositions_);
    }

  private:
    size_t positions_, tangents_, chains_, perimPositions_;
};

// Whether a part samples its parts as ccShapeTree::sample does (a general
// tree or a region node), so that a tree above may walk into it.
const ccShapeTree* partSampler(const ccShape& part) {
    const ccShapeTree* tree = part.asShapeTree();
    return tree && !tree->asContourTree() ? tree : nullptr;
}

}  // namespace

void ccShapeTree::samplePart_(const ccShapeInfo& info, const ccShape& part, long number,
                              const ccSampleParams& params, ccSampleResult& out) const {
    if (const ccShapeTree* tree = partSampler(part)) {
        cfWithEnoughStack([&] { tree->sampleParts_(info, number, params, out); });
        return;
    }
    ccSampleResult own;
    own.shapeIndex(out.shapeIndex() + number);
    cfWithEnoughStack([&] { part.sample(params, own); });
    cfAppendSamples(own, out);
}

void ccShapeTree::sampleParts_(const ccShapeInfo& info, long number, const ccSampleParams& params,
                               ccSampleResult& out) const {
    cfCheckSampleParams(params);
    const auto parts = parts_();
    std::vector<long> numbers;
    std::vector<double> perimeters;
    for (long n = number + 1; n < number + info.subtreeSize(number); n += info.subtreeSize(n)) {
        numbers.push_back(n);
        perimeters.push_back(info.nodePerimeter(n));
    }
    auto uniformly = [&]() {
        ccSampleParams p = params;
        p.uniformMode(true);
        const auto shares = cfShareSamples(perimeters, params.maxPoints());
        for (size_t k = 0; k < parts.size(); ++k) {
            if (shares[k] < 1 || info.isEmpty(numbers[k])) continue;
            p.maxPoints(shares[k]);
            samplePart_(info, *parts[k], numbers[k], p, out);
        }
    };
    // A second uniform pass, should the first give more than maxPoints,
    // would give the same samples again.
    if (params.uniformMode()) {
        uniformly();
        return;
    }
    const SampleMark mark(out);
    for (size_t k = 0; k < parts.size(); ++k) samplePart_(info, *parts[k], numbers[k], params, out);
    if (mark.samplesSince(out) <= params.maxPoints()) return;
    mark.restore(out);
    uniformly();
}

void ccShapeTree::sample(const ccSampleParams& params, ccSampleResult& result) const {
    if (!isFinite()) throw ccShapesError::InfiniteExtent(L"an infinite tree cannot be sampled");
    const ccShapeInfo info(*this);
    ccSampleResult out;
    out.shapeIndex(result.shapeIndex());
    sampleParts_(info, 0, params, out);
    cfAppendSamples(out, result);
}

// ---- New shapes ----

ccPtrHandle<ccShape> ccShapeTree::mapShape(const ccXform<2>& xform) const {
    ChildList mapped;
    for (const auto& c : children_)
        mapped.push_back(cfWithEnoughStack([&] { return c->mapShape(xform); }));
    return withChildren_(std::move(mapped));
}

ccPtrHandle<ccShape> ccShapeTree::decompose() const {
    ChildList parts;
    for (const auto& c : children_)
        parts.push_back(cfWithEnoughStack([&] { return c->decompose(); }));
    return withChildren_(std::move(parts));
}

ccShapeTree::ChildList ccShapeTree::piecesBetween_(
    const ccShapeInfo& info, const std::pair<ccPerimPos, double>& range) const {
    if (!isFinite()) throw ccShapesError::InfiniteExtent(L"a piece of an infinite tree");
    if (!(range.second >= 0))
        throw ccShapesError::BadParams(L"a sub-shape needs a length that is not negative");
    const double from = info.arcLength(range.first);
    const double to = std::min(from + range.second, info.perimeter());
    ChildList pieces;
    for (long i = 0; i < info.numNodes(); ++i) {
        if (!info.isLeaf(i)) continue;
        const double a = info.nodeStart(i), b = a + info.nodePerimeter(i);
        const double lo = std::max(a, from), hi = std::min(b, to);
        if (!(hi > lo)) continue;
        const ccShape& leaf = info.node(i);
        pieces.push_back(leaf.subShape(ccShapeInfo(leaf), {ccPerimPos(0, lo - a), hi - lo}));
    }
    return pieces;
}

ccPtrHandle<ccShape> ccShapeTree::subShape(const ccShapeInfo& info,
                                           const std::pair<ccPerimPos, double>& range) const {
    auto out = cfMakeHandle<ccGeneralShapeTree>();
    out->addChildren(piecesBetween_(info, range), true);
    return out;
}

ccPtrHandle<ccShape> ccShapeTree::pieceBetween_(double, double) const {
    throw ccShapesError::BadParams(L"a tree is cut through subShape");
}

ccPtrHandle<ccShape> ccShapeTree::clip_(const ccPolyline& region, ccClipInfo& info) const {
    info.clear();
    return cfClipInWalk(info, [&](ccClipWalk& walk) -> ccPtrHandle<ccShape> {
        auto out = cfMakeHandle<ccGeneralShapeTree>();
        double start = 0.0;
        for (const auto& part : parts_()) {
            ccClipInfo own;
            own.walk(&walk);
            auto piece = cfWithEnoughStack([&] { return part->clip(region, own); });
            if (own.anythingRemoved()) info.anythingRemoved(true);
            for (double cut : own.cutOffsets()) info.addCut(start + cut);
            start += walk.perimeter(part);
            if (!walk.isEmpty(piece)) out->addChild(piece, true);
        }
        if (!info.anythingRemoved()) return clone();
        return out;
    });
}

bool ccShapeTree::equal_(const ccShape& other) const {
    const auto* o = dynamic_cast<const ccShapeTree*>(&other);
    if (!o || typeid(*this) != typeid(other)) return false;
    const auto mine = parts_(), theirs = o->parts_();
    if (mine.size() != theirs.size()) return false;
    // operator== calls this both ways round, so comparing a subtree one way
    // here still compares it both ways; comparing it both ways here as well
    // would double the work at every level of a deep tree.
    for (size_t i = 0; i < mine.size(); ++i) {
        const auto* subtree = dynamic_cast<const ccShapeTree*>(mine[i].get());
        const bool same = cfWithEnoughStack(
            [&] { return subtree ? subtree->equal_(*theirs[i]) : *mine[i] == *theirs[i]; });
        if (!same) return false;
    }
    return true;
}

// ---- General trees ----

ccPtrHandle<ccShape> ccGeneralShapeTree::clone() const {
    return cfMakeHandle<ccGeneralShapeTree>(*this);
}

ccPtrHandle<ccShape> ccGeneralShapeTree::reverse() const {
    ChildList reversed;
    for (const auto& c : children_)
        reversed.push_back(cfWithEnoughStack([&] { return c->reverse(); }));
    return withChildren_(std::move(reversed));
}

ccPtrHandle<ccGeneralShapeTree> ccGeneralShapeTree::connect_(double distance) const {
    if (!(distance >= 0))
        throw ccShapesError::BadParams(L"connecting needs a distance that is not negative");
    ChildList kids;
    for (const auto& c : children_) {
        const auto* nested = dynamic_cast<const ccGeneralShapeTree*>(c.get());
        kids.push_back(nested ? ccPtrHandle_const<ccShape>(
                                    cfWithEnoughStack([&] { return nested->connect_(distance); }))
                              : c);
    }
    return ccPtrHandle<ccGeneralShapeTree>(
        withChildren_(cfChainOpenPieces(kids, distance, ccChainSteps{})));
}

// ---- archive forms of ccShapeTree and ccGeneralShapeTree

namespace {
const cc_Instantiator kGeneralShapeTreeExemplar(typeid(ccGeneralShapeTree),
                                                &ccGeneralShapeTree::make);
}  // namespace

void ccShapeTree::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, static_cast<ccShapeTree*>(this), "vxstd12u/shapetree", 1, [&] {
        ChildList children = children_;
        ar || children;
        if (!ar.isLoading()) return;
        ChildList admitted = cfValidLoaded("shape tree", [&] {
            ChildList each;
            for (const auto& c : children) each.push_back(admit_(c, false));
            return each;
        });
        noticeChange_();
        children_ = std::move(admitted);
    });
}

ccPersistent* ccGeneralShapeTree::make() {
    return new ccGeneralShapeTree;
}

void ccGeneralShapeTree::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/shapetree", 2, [&] { ccShapeTree::dispatchSerialize(ar); });
}
