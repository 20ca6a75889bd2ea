#include <cmath>

#include "vxstd12u/archiveform.h"

#include "vxstd12u/errors.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/tolerances.h"

namespace {

bool pointsMeet(const ccVector<2>& a, const ccVector<2>& b) {
    return (a - b).len() <= cc_tol::kCoincident;
}

// One sample before it goes into a result.
struct Sample {
    ccVector<2> point;
    ccRadian tangent;
    ccPerimPos pos;
};

// The samples of every non-empty leaf of `info` as open runs, joints kept.
std::vector<std::vector<Sample>> leafRuns(const ccShapeInfo& info,
                                          const ccShapeSampleParams& params) {
    std::vector<std::vector<Sample>> runs;
    for (long i = 0; i < info.numNodes(); ++i) {
        if (!info.isLeaf(i) || info.node(i).isEmpty()) continue;
        std::vector<Sample> run;
        for (double s : cfSampleOffsets(info.nodePerimeter(i), false, params)) {
            Sample sample{{}, {}, ccPerimPos(i, s)};
            info.leafPointAndTangent(sample.pos, sample.point, sample.tangent);
            run.push_back(sample);
        }
        runs.push_back(std::move(run));
    }
    return runs;
}

// The runs joined into one chain; a joint's sample once unless `duplicates`.
std::vector<Sample> joinRuns(const std::vector<std::vector<Sample>>& runs, bool closed,
                             bool duplicates) {
    std::vector<Sample> chain;
    for (const auto& run : runs) {
        if (!duplicates && !chain.empty() && !run.empty() &&
            pointsMeet(chain.back().point, run.front().point))
            chain.pop_back();
        chain.insert(chain.end(), run.begin(), run.end());
    }
    if (closed && !duplicates && chain.size() > 1 &&
        pointsMeet(chain.back().point, chain.front().point))
        chain.pop_back();
    return chain;
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

double ccContourTree::tangentRotation() const {
    double sum = 0.0;
    const ccShape* previous = nullptr;
    const ccShape* first = nullptr;
    for (const auto& c : children_) {
        if (c->isEmpty()) continue;
        if (previous) sum += (c->startAngle() - previous->endAngle()).signedNorm().toDouble();
        if (!first) first = c.get();
        sum += c->tangentRotation();
        previous = c.get();
    }
    if (closed_ && first)
        sum += (first->startAngle() - previous->endAngle()).signedNorm().toDouble();
    return sum;
}

void ccContourTree::sample(const ccSampleParams& params, ccSampleResult& result) const {
    if (!isFinite()) throw ccShapesError::InfiniteExtent(L"an infinite contour cannot be sampled");
    cfCheckSampleParams(params);
    ccSampleResult own;
    own.shapeIndex(result.shapeIndex());
    std::vector<ccPtrHandle_const<ccShape>> unused;
    if (params.uniformMode()) {
        cfUniformSampleContour(*this, params, false, unused, own);
        cfAppendSamples(own, result);
        return;
    }
    if (isEmpty()) return;
    const ccShapeInfo info(*this);
    const auto chain = joinRuns(leafRuns(info, params), closed_, params.duplicateCorners());
    if (static_cast<long>(chain.size()) > params.maxPoints()) {
        cfUniformSampleContour(*this, params, false, unused, own);
        cfAppendSamples(own, result);
        return;
    }
    own.beginChain(closed_);
    for (const auto& s : chain) {
        own.positions().push_back(s.point);
        if (params.computeTangents()) own.tangents().push_back(s.tangent);
        if (params.perimPosRequested())
            own.perimPositions().emplace_back(own.shapeIndex() + s.pos.node(), s.pos.offset());
    }
    cfAppendSamples(own, result);
}

ccPtrHandle<ccShape> ccContourTree::clone() const {
    return cfMakeHandle<ccContourTree>(*this);
}

ccPtrHandle<ccShape> ccContourTree::reverse() const {
    ChildList reversed;
    for (auto it = children_.rbegin(); it != children_.rend(); ++it)
        reversed.push_back((*it)->reverse());
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
ccShapeTree::ChildList clippedPieces(const ccPtrHandle<ccShape>& result) {
    if (result->isEmpty()) return {};
    if (const auto* gathered = dynamic_cast<const ccGeneralShapeTree*>(result.get()))
        return gathered->children();
    return {result};
}

// Runs of pieces that still meet end to start after clipping.
class RunCollector {
  public:
    void keepWhole(const ccPtrHandle_const<ccShape>& piece) {
        if (runs_.empty() && current_.empty()) firstStartsAtStart_ = true;
        current_.push_back(piece);
    }

    void keepCut(const ccShape& original, const ccShapeTree::ChildList& pieces) {
        for (size_t k = 0; k < pieces.size(); ++k) {
            const bool continues =
                k == 0 && pointsMeet(pieces[k]->startPoint(), original.startPoint());
            if (!continues)
                endRun();
            else if (runs_.empty() && current_.empty())
                firstStartsAtStart_ = true;
            current_.push_back(pieces[k]);
        }
        if (pieces.empty() || !pointsMeet(pieces.back()->endPoint(), original.endPoint())) endRun();
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

    std::vector<ccShapeTree::ChildList> runs_;
    ccShapeTree::ChildList current_;
    bool firstStartsAtStart_ = false;
};

}  // namespace

ccPtrHandle<ccShape> ccContourTree::clip_(const ccPolyline& region, ccClipInfo& info) const {
    info.clear();
    RunCollector runs;
    double start = 0.0;
    for (const auto& c : children_) {
        ccClipInfo own;
        auto piece = c->clip(region, own);
        for (double cut : own.cutOffsets()) info.addCut(start + cut);
        start += c->perimeter();
        if (!own.anythingRemoved()) {
            runs.keepWhole(c);
            continue;
        }
        info.anythingRemoved(true);
        runs.keepCut(*c, clippedPieces(piece));
    }
    if (!info.anythingRemoved()) return clone();
    std::vector<ccPtrHandle<ccShape>> contours;
    for (const auto& run : runs.finish(closed_)) {
        auto contour = cfMakeHandle<ccContourTree>(false);
        contour->addChildren(run, true);
        contours.push_back(contour);
    }
    if (contours.size() == 1) return contours.front();
    auto out = cfMakeHandle<ccGeneralShapeTree>();
    for (const auto& c : contours) out->addChild(c, true);
    return out;
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
