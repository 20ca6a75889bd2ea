#include <cmath>

#include "vxstd12u/archiveform.h"
#include "vxstd12u/clipwalk.h"

#include "vxstd12u/errors.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/stackguard.h"
#include "vxstd12u/tolerances.h"

namespace {

bool pointsMeet(const ccVector<2>& a, const ccVector<2>& b) {
    return (a - b).len() <= cc_tol::kCoincident;
}

// Whether a leaf's own sample gives the samples its perimeter positions
// would: an open curve with a tangent samples itself as one open run at the
// offsets the contour asks for. A mapped shape spaces its samples along its
// image on its own terms, so it is sampled by position.
bool samplesItself(const ccShape& leaf) {
    return leaf.isOpenContour() && leaf.hasTangent() && !leaf.asMappedShape();
}

// Appends the samples of leaf `i` of `info` to the open chain at the end of
// `out`, as one open run; perimeter positions are numbered from `base`.
void appendLeafRun(const ccShapeInfo& info, long i, long base, const ccShapeSampleParams& params,
                   ccShapeSampleResult& out) {
    const ccShape& leaf = info.node(i);
    if (samplesItself(leaf)) {
        // The leaf's sample opens a chain of its own; its run belongs to ours.
        const long shapeIndex = out.shapeIndex();
        out.shapeIndex(base + i);
        leaf.sample(params, out);
        out.shapeIndex(shapeIndex);
        out.breaks().pop_back();
        out.closedFlags().pop_back();
        return;
    }
    const std::vector<double> offsets = cfSampleOffsets(info.nodePerimeter(i), false, params);
    std::vector<ccVector<2>> points(offsets.size());
    std::vector<ccRadian> tangents(params.computeTangents() ? offsets.size() : 0);
    leaf.perimPointsAndTangents(offsets.data(), static_cast<long>(offsets.size()), points.data(),
                                tangents.empty() ? nullptr : tangents.data());
    out.positions().insert(out.positions().end(), points.begin(), points.end());
    out.tangents().insert(out.tangents().end(), tangents.begin(), tangents.end());
    if (params.perimPosRequested())
        for (double s : offsets) out.perimPositions().emplace_back(base + i, s);
}

// Removes sample `k` of `out`.
void eraseSample(std::size_t k, const ccShapeSampleParams& params, ccShapeSampleResult& out) {
    out.positions().erase(out.positions().begin() + static_cast<long>(k));
    if (params.computeTangents())
        out.tangents().erase(out.tangents().begin() + static_cast<long>(k));
    if (params.perimPosRequested())
        out.perimPositions().erase(out.perimPositions().begin() + static_cast<long>(k));
}

// Appends the runs of every non-empty leaf to `out` as one chain; a joint's
// sample appears once, the later run's, unless `duplicates`.
void appendJoinedRuns(const ccShapeInfo& info, bool closed, const ccShapeSampleParams& params,
                      ccShapeSampleResult& out) {
    const bool duplicates = params.duplicateCorners();
    const long base = out.shapeIndex();
    out.beginChain(closed);
    const std::size_t first = out.positions().size();
    for (long i = 0; i < info.numNodes(); ++i) {
        if (!info.isLeaf(i) || info.node(i).isEmpty()) continue;
        const std::size_t runStart = out.positions().size();
        appendLeafRun(info, i, base, params, out);
        const auto& p = out.positions();
        if (!duplicates && runStart > first && p.size() > runStart &&
            pointsMeet(p[runStart - 1], p[runStart]))
            eraseSample(runStart - 1, params, out);
    }
    const auto& p = out.positions();
    if (closed && !duplicates && p.size() > first + 1 && pointsMeet(p.back(), p[first]))
        eraseSample(p.size() - 1, params, out);
}

}  // namespace

void ccContourTree::isClosed(bool closed) {
    noticeChange_();
    closed_ = closed;
}

bool ccContourTree::isRegion() const {
    return closed_ && !isEmpty();
}
bool ccContourTree::isOpenContour() const {
    return !closed_ && !isEmpty();
}
bool ccContourTree::isRightHanded() const {
    return isRegion() && tangentRotation() > 0;
}

bool ccContourTree::within(const ccVector<2>& p) const {
    if (!isRegion()) throw ccShapesError::NotRegion(L"within() of an open contour");
    if (pointsMeet(nearestPoint(p), p)) return true;
    return std::fabs(windingAngle(p)) > ccPi;
}

namespace {

// How a contour turns: the sum of its pieces' own turning and the turns at
// its joints, and its first and last non-empty pieces below nested contours
// (null when it has none).
struct Turning {
    double rotation = 0.0;
    const ccShape* first = nullptr;
    const ccShape* last = nullptr;
};

// One pass over the pieces, nested contours included: asking each nested
// contour whether it is empty and then how it turns would walk a deep chain
// once for every level.
Turning turningOf(const ccContourTree& contour) {
    Turning t;
    for (const auto& c : contour.children()) {
        const ccShapeTree* tree = c->asShapeTree();
        const ccContourTree* nested = tree ? tree->asContourTree() : nullptr;
        Turning own;
        if (nested)
            own = cfWithEnoughStack([&] { return turningOf(*nested); });
        else if (!c->isEmpty())
            own = Turning{c->tangentRotation(), c.get(), c.get()};
        if (!own.first) continue;
        if (t.last)
            t.rotation += (own.first->startAngle() - t.last->endAngle()).signedNorm().toDouble();
        if (!t.first) t.first = own.first;
        t.rotation += own.rotation;
        t.last = own.last;
    }
    if (contour.isClosed() && t.first)
        t.rotation += (t.first->startAngle() - t.last->endAngle()).signedNorm().toDouble();
    return t;
}

}  // namespace

double ccContourTree::tangentRotation() const {
    return turningOf(*this).rotation;
}

void ccContourTree::sample(const ccSampleParams& params, ccSampleResult& result) const {
    if (!isFinite()) throw ccShapesError::InfiniteExtent(L"an infinite contour cannot be sampled");
    cfCheckSampleParams(params);
    // An empty result is sampled into directly; otherwise the samples are
    // gathered apart and appended, so that result's own chains stay as they were.
    const bool direct = result.positions().empty() && result.numChains() == 0 &&
                        result.tangents().empty() && result.perimPositions().empty();
    ccSampleResult local;
    local.shapeIndex(result.shapeIndex());
    ccSampleResult& own = direct ? result : local;
    std::vector<ccPtrHandle_const<ccShape>> unused;
    if (!params.uniformMode() && !isEmpty()) {
        appendJoinedRuns(ccShapeInfo(*this), closed_, params, own);
        if (static_cast<long>(own.positions().size()) <= params.maxPoints()) {
            if (!direct) cfAppendSamples(own, result);
            return;
        }
        own.clear();
    }
    if (params.uniformMode() || !isEmpty())
        cfUniformSampleContour(*this, params, false, unused, own);
    if (!direct) cfAppendSamples(own, result);
}

ccPtrHandle<ccShape> ccContourTree::clone() const {
    return cfMakeHandle<ccContourTree>(*this);
}

ccPtrHandle<ccShape> ccContourTree::reverse() const {
    ChildList reversed;
    for (auto it = children_.rbegin(); it != children_.rend(); ++it)
        reversed.push_back(cfWithEnoughStack([&] { return (*it)->reverse(); }));
    return withChildren_(std::move(reversed));
}

ccPtrHandle<ccShape> ccContourTree::subShape(const ccShapeInfo& info,
                                             const std::pair<ccPerimPos, double>& range) const {
    auto out = cfMakeHandle<ccContourTree>(false);
    out->addChildren(piecesBetween_(info, range), true);
    return out;
}

bool ccContourTree::equal_(const ccShape& other) const {
    return ccShapeTree::equal_(other) &&
           dynamic_cast<const ccContourTree&>(other).closed_ == closed_;
}

ccPtrHandle_const<ccShape> ccContourTree::admit_(const ccPtrHandle_const<ccShape>& c,
                                                 bool mayAdapt) const {
    if (c && (dynamic_cast<const ccGeneralShapeTree*>(c.get()) ||
              dynamic_cast<const ccRegionTree*>(c.get())))
        throw ccShapesError::BadParams(
            L"a contour tree holds pieces and contours, not general or region trees");
    return ccShapeTree::admit_(c, mayAdapt);
}

// ---- Clipping ----

namespace {

// The pieces that clipping one piece left, in order.
ccShapeTree::ChildList clippedPieces(const ccPtrHandle<ccShape>& result, ccClipWalk& walk) {
    if (walk.isEmpty(result)) return {};
    if (const auto* gathered = dynamic_cast<const ccGeneralShapeTree*>(result.get()))
        return gathered->children();
    return {result};
}

// Runs of pieces that still meet end to start after clipping.
class RunCollector {
  public:
    explicit RunCollector(ccClipWalk& walk) : walk_(walk) {}

    void keepWhole(const ccPtrHandle_const<ccShape>& piece) {
        if (runs_.empty() && current_.empty()) firstStartsAtStart_ = true;
        current_.push_back(piece);
    }

    void keepCut(const ccPtrHandle_const<ccShape>& original, const ccShapeTree::ChildList& pieces) {
        for (size_t k = 0; k < pieces.size(); ++k) {
            const bool continues =
                k == 0 && pointsMeet(walk_.startPoint(pieces[k]), walk_.startPoint(original));
            if (!continues)
                endRun();
            else if (runs_.empty() && current_.empty())
                firstStartsAtStart_ = true;
            current_.push_back(pieces[k]);
        }
        if (pieces.empty() || !pointsMeet(walk_.endPoint(pieces.back()), walk_.endPoint(original)))
            endRun();
    }

    // The runs; a closed contour's last run joins its first when both reach
    // the contour's start.
    std::vector<ccShapeTree::ChildList> finish(bool closed) {
        if (closed && !current_.empty() && !runs_.empty() && firstStartsAtStart_) {
            current_.insert(current_.end(), runs_.front().begin(), runs_.front().end());
            runs_.front() = current_;
            current_.clear();
        }
        endRun();
        return runs_;
    }

  private:
    void endRun() {
        if (!current_.empty()) runs_.push_back(current_);
        current_.clear();
    }

    ccClipWalk& walk_;
    std::vector<ccShapeTree::ChildList> runs_;
    ccShapeTree::ChildList current_;
    bool firstStartsAtStart_ = false;
};

}  // namespace

ccPtrHandle<ccShape> ccContourTree::clip_(const ccPolyline& region, ccClipInfo& info) const {
    info.clear();
    return cfClipInWalk(info, [&](ccClipWalk& walk) -> ccPtrHandle<ccShape> {
        RunCollector runs(walk);
        double start = 0.0;
        for (const auto& c : children_) {
            ccClipInfo own;
            own.walk(&walk);
            auto piece = cfWithEnoughStack([&] { return c->clip(region, own); });
            for (double cut : own.cutOffsets()) info.addCut(start + cut);
            start += walk.perimeter(c);
            if (!own.anythingRemoved()) {
                runs.keepWhole(c);
                continue;
            }
            info.anythingRemoved(true);
            runs.keepCut(c, clippedPieces(piece, walk));
        }
        if (!info.anythingRemoved()) return clone();
        std::vector<ccPtrHandle<ccShape>> contours;
        for (const auto& run : runs.finish(closed_)) {
            auto contour = cfMakeHandle<ccContourTree>(false);
            contour->addChildren(run, true);
            contours.emplace_back(contour);
        }
        if (contours.size() == 1) return contours.front();
        auto out = cfMakeHandle<ccGeneralShapeTree>();
        for (const auto& c : contours) out->addChild(c, true);
        return out;
    });
}

// ---- archive form of ccContourTree

namespace {
const cc_Instantiator kContourTreeExemplar(typeid(ccContourTree), &ccContourTree::make);
}  // namespace

ccPersistent* ccContourTree::make() {
    return new ccContourTree;
}

void ccContourTree::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/shapetree", 3, [&] {
        bool closed = closed_;
        ar || closed;
        if (ar.isLoading()) isClosed(closed);
        ccShapeTree::dispatchSerialize(ar);
    });
}
