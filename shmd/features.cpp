// Feature generation: featurelet chain sets from shape models.
#include <algorithm>
#include <cmath>

#include "vxstd12u/stackguard.h"
#include "vxstd12u/str.h"

#include "shmd/properties.h"

namespace {

constexpr double kQuarterTurn = 1.5707963267948966;
constexpr double kHalfTurn = 3.141592653589793;
constexpr double kFullTurn = 6.283185307179586;

using Params = ccShapeModel::ccFeatureParams;
using ChainSetHandle = ccPtrHandle<ccFeatureletChainSet>;

ChainSetHandle newChainSet() {
    return ChainSetHandle(new ccFeatureletChainSet);
}

// Feature parameters equal to `params` but for the sample parameters' shape info.
Params withShapeInfo(const Params& params, const ccShapeInfo* info) {
    Params copy(params);
    ccShape::ccSampleParams sample = copy.sampleParams();
    sample.perimPosShapeInfo(info);
    copy.sampleParams(sample);
    return copy;
}

Params withMaxPoints(const Params& params, long maxPoints) {
    Params copy(params);
    ccShape::ccSampleParams sample = copy.sampleParams();
    sample.maxPoints(maxPoints);
    copy.sampleParams(sample);
    return copy;
}

bool isUniform(const Params& params) {
    return params.sampleParams().uniformMode();
}

// The shape info in force when it describes `shape` as node `number`: it
// then answers for the node's subtree at once, where asking the shape would
// walk that subtree again at every level of a deep tree.
const ccShapeInfo* infoAbout(const Params& params, const ccShape& shape, long number) {
    const ccShapeInfo* info = params.sampleParams().perimPosShapeInfo();
    if (!info || number < 0 || number >= info->numNodes() || &info->node(number) != &shape)
        return nullptr;
    return info;
}

bool isDecomposedNode(const ccShape& shape, const Params& params, long number) {
    const ccShapeInfo* info = infoAbout(params, shape, number);
    return info ? info->isDecomposed(number) : shape.isDecomposed();
}

bool isEmptyNode(const ccShape& shape, const Params& params, long number) {
    const ccShapeInfo* info = infoAbout(params, shape, number);
    return info ? info->isEmpty(number) : shape.isEmpty();
}

// ---- consistency ----

bool differsByMode(const ccShapeModelProps& a, const ccShapeModelProps& b,
                   ConsistentPropsMode mode) {
    if (a.isReversedPolarity() != b.isReversedPolarity()) return true;
    switch (mode) {
        case eConsistentAll:
            return a.weight() != b.weight() || a.isIgnoredPolarity() != b.isIgnoredPolarity() ||
                   a.magnitude() != b.magnitude();
        case eConsistentPolarity:
            return a.isIgnoredPolarity() != b.isIgnoredPolarity();
        case eConsistentDirection:
            return false;
    }
    return false;
}

// ---- featurelets from samples ----

using PieceList = std::vector<ccPtrHandle_const<ccShape>>;

// The weight, magnitude and polarity a featurelet takes from its properties.
// Made only for samples that exist: it refuses a magnitude that no featurelet
// may carry, as setting it on the first featurelet would.
struct FeatureletLook {
    double weight = 0.0, magnitude = 0.0, turn = kQuarterTurn;
    bool ignored = false;

    FeatureletLook() = default;
    FeatureletLook(const ccShapeModelProps& props, const Params& params)
        : weight(params.weightScale() * props.weight()),
          magnitude(params.magScale() * props.magnitude()),
          turn(props.isReversedPolarity() ? -kQuarterTurn : kQuarterTurn),
          ignored(props.isIgnoredPolarity()) {
        ccFeaturelet().magnitude(magnitude, true);
    }

    // Appends the featurelet of a sample to the last chain of `out`, built in
    // place: a featurelet made apart and copied in would be read back before
    // its last fields had reached memory, which stalls the copy.
    void appendTo(ccFeatureletChainSet& out, const ccVector<2>& position,
                  const ccRadian* tangent) const {
        const ccRadian angle = tangent ? ccRadian(tangent->toDouble() + turn) : ccRadian(0.0);
        out.emplaceBack(position, angle, magnitude, weight, ignored);
    }
};

// The looks of the samples: one for all of them, or one per piece, found
// again only where the piece changes from one sample to the next.
class SampleLooks {
  public:
    SampleLooks(const ccShapeModelProps& props, const Params& params, const PieceList& pieces)
        : props_(props), params_(params), pieces_(pieces) {}

    const FeatureletLook& of(long sample) {
        const ccShape* piece = pieces_.empty() ? nullptr : pieces_[sample].get();
        if (!ready_ || (!pieces_.empty() && piece != piece_)) {
            look_ = FeatureletLook(pieces_.empty() ? props_ : piecePropsOf(sample), params_);
            ready_ = true;
            piece_ = piece;
        }
        return look_;
    }

  private:
    ccShapeModelProps piecePropsOf(long sample) const {
        return props_.combine(cfLocalShapeModelProps(*pieces_[sample], true, true, true));
    }

    const ccShapeModelProps& props_;
    const Params& params_;
    const PieceList& pieces_;
    FeatureletLook look_;
    bool ready_ = false;
    const ccShape* piece_ = nullptr;
};

// Appends one chain of featurelets per chain of `samples` to `out`.
void appendFromSamples(const ccShape::ccSampleResult& samples, const ccShapeModelProps& props,
                       const Params& params, const PieceList& pieces, ccFeatureletChainSet& out) {
    const auto& positions = samples.positions();
    const ccRadian* tangents = samples.tangents().empty() ? nullptr : samples.tangents().data();
    SampleLooks looks(props, params, pieces);
    out.makeRoomFor(samples.numChains(), static_cast<long>(positions.size()));
    for (long j = 0; j < samples.numChains(); ++j) {
        const long first = samples.breaks()[j];
        const long end = first + samples.chainLength(j);
        out.beginChain(samples.closedFlags()[j]);
        for (long s = first; s < end; ++s)
            looks.of(s).appendTo(out, positions[s], tangents ? tangents + s : nullptr);
    }
}

// ---- joining a contour's chains ----

// The featurelet standing for a joint: at `cur`'s position, along the
// bisector of the shorter arc between the two angles, with mean weight and
// magnitude.
ccFeaturelet mergedJoint(const ccFeaturelet& prev, const ccFeaturelet& cur) {
    const double d = (prev.angle - cur.angle).norm().toDouble();
    const double mid = d <= kHalfTurn ? cur.angle.toDouble() + d * 0.5
                                      : prev.angle.toDouble() + (kFullTurn - d) * 0.5;
    return ccFeaturelet(cur.position, ccRadian(mid).signedNorm(),
                        0.5 * (prev.magnitude() + cur.magnitude()),
                        0.5 * (cur.weight + prev.weight), cur.isMod180() || prev.isMod180());
}

bool mergesJoints(const Params& params) {
    const ccShape::ccSampleParams& sample = params.sampleParams();
    return !sample.uniformMode() && !sample.duplicateCorners();
}

// Joins the chains of a contour's pieces, given in order, into one chain of
// `out`. Where joints merge, each chain gives its last featurelet up to the
// next chain's first, which becomes their mergedJoint; a closed contour's
// last chain gives it up to the first chain's first, and only an open
// contour's last chain keeps it. A chain of one featurelet keeps nothing
// but hands that featurelet on; an empty chain keeps nothing and takes the
// previous chain's last with it when it ends an open contour. Whether a
// chain is the last one is known only at finish(), so the featurelet that
// would end an open contour is held until then; every other one is written
// once, where it stays.
class ChainJoiner {
  public:
    ChainJoiner(ccFeatureletChainSet& out, bool closed, bool merge)
        : out_(out), closed_(closed), merge_(merge) {
        out.beginChain(closed);
    }

    void add(const ccFeatureletChainSet& chains) {
        const ccFeaturelet* all = chains.featurelets().data();
        for (long j = 0; j < chains.numChains(); ++j)
            addChain(all + chains.startFeatureIndex(j), chains.chainLength(j));
    }

    void finish() {
        if (!merge_) return;
        if (!closed_) {
            if (hasTail_) out_.pushBack(tail_);
            return;
        }
        if (wrapIndex_ >= 0) {
            ccFeaturelet& first = out_.featurelet(wrapIndex_);
            first = mergedJoint(prev_, first);
        }
    }

  private:
    void addChain(const ccFeaturelet* f, long n) {
        if (!merge_) {
            for (long k = 0; k < n; ++k) out_.pushBack(f[k]);
            return;
        }
        if (n == 0) {
            hasTail_ = false;
            return;
        }
        const ccFeaturelet first = hasPrev_ ? mergedJoint(prev_, f[0]) : f[0];
        if (n == 1) {
            tail_ = first;
        } else {
            if (!hasPrev_) wrapIndex_ = out_.numFeaturelets();
            out_.pushBack(first);
            for (long k = 1; k + 1 < n; ++k) out_.pushBack(f[k]);
            tail_ = f[n - 1];
        }
        hasTail_ = true;
        prev_ = f[n - 1];
        hasPrev_ = true;
    }

    ccFeatureletChainSet& out_;
    const bool closed_, merge_;
    bool hasPrev_ = false;  // prev_: the last featurelet added so far
    ccFeaturelet prev_;
    bool hasTail_ = false;  // tail_: what an open contour ends with if no chain follows
    ccFeaturelet tail_;
    long wrapIndex_ = -1;  // the first chain's first featurelet, when it stayed
};

// The featurelets a joined contour keeps of its pieces' chains, of the
// given lengths (see ChainJoiner).
long joinedLength(const std::vector<long>& chainLengths, bool closed, bool merge) {
    long total = 0;
    for (std::size_t j = 0; j < chainLengths.size(); ++j) {
        const bool keepsItsLast = !merge || (!closed && j + 1 == chainLengths.size());
        total += std::max(0L, chainLengths[j] - (keepsItsLast ? 0 : 1));
    }
    return total;
}

// ---- the walk ----

// What a walk carries besides the node: the list perimeter positions go to,
// and one sample result that every primitive of the walk samples into in
// turn, so that sampling a primitive does not allocate afresh.
struct Walk {
    std::vector<ccPerimPos>& perimPositions;
    ccShape::ccSampleResult samples;
};

void appendFeatures(const ccShape& shape, const ccShapeModelProps& inherited, const Params& params,
                    ConsistentPropsMode mode, long shapeIndex, Walk& walk,
                    ccFeatureletChainSet& out);

// The featurelets of a walk of their own, whose perimeter positions are not
// reported.
void appendUnreported(const ccShape& shape, const ccShapeModelProps& inherited,
                      const Params& params, ConsistentPropsMode mode, ccFeatureletChainSet& out) {
    std::vector<ccPerimPos> unused;
    Walk walk{unused, {}};
    appendFeatures(shape, inherited, params, mode, 0, walk, out);
}

void appendPerimPositions(const Params& params, const ccShape::ccSampleResult& samples,
                          std::vector<ccPerimPos>& perimPositions) {
    if (!params.sampleParams().perimPosRequested()) return;
    perimPositions.insert(perimPositions.end(), samples.perimPositions().begin(),
                          samples.perimPositions().end());
}

// A primitive, a consistent contour or a childless region, sampled by its
// own sample(); `region` is the shape when it is a region tree.
void appendPrimitive(const ccShape& shape, const ccRegionTree* region,
                     const ccShapeModelProps& inForce, const Params& params, long shapeIndex,
                     Walk& walk, ccFeatureletChainSet& out) {
    ccShapeModelProps props = inForce;
    if (region && region->hasBoundary())
        props = inForce.combine(cfLocalShapeModelProps(region->boundary(), true, true, false));
    ccShape::ccSampleResult& samples = walk.samples;
    samples.clear();
    samples.shapeIndex(shapeIndex);
    shape.sample(params.sampleParams(), samples);
    appendPerimPositions(params, samples, walk.perimPositions);
    appendFromSamples(samples, props, params, {}, out);
}

// A region node's own boundary, sampled on a childless clone that keeps the
// node's standing (a non-root node under a stand-in parent).
void appendBoundaryFeatures(const ccRegionTree& node, const ccShapeModelProps& inherited,
                            const Params& params, ConsistentPropsMode mode,
                            ccFeatureletChainSet& out) {
    const ccPtrHandle<ccRegionTree> clone(node.clone());
    clone->removeChildren();
    ccPtrHandle<ccRegionTree> parent;
    if (!node.isRoot()) {
        parent = ccPtrHandle<ccRegionTree>(
            new ccRegionTree(ccCircle(ccVector<2>(0, 0), 0.0), !node.isHole()));
        parent->addChild(clone, true);
    }
    appendUnreported(*clone, inherited, withShapeInfo(params, nullptr), mode, out);
}

// The number of the first child of node `index` in a shape info.
long firstChildNumber(const ccRegionTree* region, const ccShapeInfo* info, long index) {
    if (info && region && region->hasBoundary()) return index + 1 + info->subtreeSize(index + 1);
    return index + 1;
}

// Calls visit(child, params, number) for every child of `tree`, in order,
// on a stack with room: `params` are the child's own (in uniform mode, its
// share of the points, by perimeter, and never below one; an empty child
// gets no call), `number` the child's number in the shape info in force.
template <class Visit>
void forEachChild(const ccShapeTree& tree, const ccRegionTree* region, const Params& params,
                  long shapeIndex, const Visit& visit) {
    const bool uniform = isUniform(params);
    Params base = params;
    long index = shapeIndex;
    ccShapeInfo ownInfo;
    const ccShapeInfo* info = params.sampleParams().perimPosShapeInfo();
    if (uniform && !info) {
        ownInfo = ccShapeInfo(tree);
        info = &ownInfo;
        base = withShapeInfo(params, info);
        index = 0;
    }
    double total = 1.0;
    if (uniform && info->nodePerimeter(index) != 0) total = info->nodePerimeter(index);
    long c = firstChildNumber(region, info, index);
    for (const ccPtrHandle_const<ccShape>& child : tree.children()) {
        if (!uniform) {
            cfWithEnoughStack([&] { visit(*child, base, c); });
            if (info) c += info->subtreeSize(c);
            continue;
        }
        if (isEmptyNode(*child, base, c)) {
            c += info->subtreeSize(c);
            continue;
        }
        const long share =
            std::lround(base.sampleParams().maxPoints() * info->nodePerimeter(c) / total);
        const Params own = withMaxPoints(base, cfIMax(share, 1));
        cfWithEnoughStack([&] { visit(*child, own, c); });
        c += info->subtreeSize(c);
    }
}

// A contour whose pieces are featurized one by one: each piece's chains go
// through a scratch set, which stays small, into the one joined chain.
void appendJoinedContour(const ccContourTree& contour, const ccShapeModelProps& inForce,
                         const Params& params, ConsistentPropsMode mode, long shapeIndex,
                         Walk& walk, ccFeatureletChainSet& out) {
    ChainJoiner joiner(out, contour.isClosed(), mergesJoints(params));
    ccFeatureletChainSet piece;
    forEachChild(contour, nullptr, params, shapeIndex,
                 [&](const ccShape& child, const Params& own, long number) {
                     piece.clear();
                     appendFeatures(child, inForce, own, mode, number, walk, piece);
                     joiner.add(piece);
                 });
    joiner.finish();
}

void appendTreeWalk(const ccShapeTree& tree, const ccContourTree* contour,
                    const ccRegionTree* region, const ccShapeModelProps& inherited,
                    const ccShapeModelProps& inForce, const Params& params,
                    ConsistentPropsMode mode, long shapeIndex, Walk& walk,
                    ccFeatureletChainSet& out) {
    if (contour) {
        appendJoinedContour(*contour, inForce, params, mode, shapeIndex, walk, out);
        return;
    }
    if (region && !(region->isRoot() && region->isHole()))
        appendBoundaryFeatures(*region, inherited, params, mode, out);
    forEachChild(tree, region, params, shapeIndex,
                 [&](const ccShape& child, const Params& own, long number) {
                     appendFeatures(child, inForce, own, mode, number, walk, out);
                 });
}

void appendDecomposed(const ccShape& shape, const ccShapeModelProps& inherited,
                      const Params& params, ConsistentPropsMode mode,
                      std::vector<ccPerimPos>& perimPositions, ccFeatureletChainSet& out) {
    if (!shape.isFinite()) {
        throw ccShapesError::InfiniteExtent(L"an infinite shape cannot be sampled uniformly");
    }
    const ccPtrHandle<ccShape> pieces = shape.decompose();
    const ccShapeInfo info(*pieces);
    std::vector<ccPerimPos> local;
    Walk walk{local, {}};
    appendFeatures(*pieces, inherited, withShapeInfo(params, &info), mode, 0, walk, out);
    if (params.sampleParams().perimPosRequested()) {
        const ccShapeInfo* callerInfo = params.sampleParams().perimPosShapeInfo();
        if (!callerInfo) {
            throw ccShapesError::BadParams(
                L"perimeter positions of an undecomposed shape in uniform mode need a shape info");
        }
        const std::size_t old = perimPositions.size();
        perimPositions.insert(perimPositions.end(), local.begin(), local.end());
        cfConvertPerimPositions(info, 0, *callerInfo, 0, perimPositions, old);
    }
}

void appendUniformContour(const ccContourTree& contour, const ccShapeModelProps& consistent,
                          const Params& params, bool isConsistent, long shapeIndex,
                          std::vector<ccPerimPos>& perimPositions, ccFeatureletChainSet& out) {
    const ccPtrHandle<ccShape> copy =
        contour.asShapeModel() ? contour.clone()
                               : ccShapeModelProps(false, 1.0, false, 1.0).assign(contour);
    ccShape::ccSampleResult samples;
    samples.shapeIndex(shapeIndex);
    PieceList pieces;
    cfUniformSampleContour(dynamic_cast<const ccContourTree&>(*copy), params.sampleParams(),
                           !isConsistent, pieces, samples);
    appendPerimPositions(params, samples, perimPositions);
    appendFromSamples(samples, consistent, params, pieces, out);
}

// The shape kinds are told apart once per node, with as few casts as the
// kind allows: a leaf costs one.
void appendFeatures(const ccShape& shape, const ccShapeModelProps& inherited, const Params& params,
                    ConsistentPropsMode mode, long shapeIndex, Walk& walk,
                    ccFeatureletChainSet& out) {
    if (isUniform(params) && !isDecomposedNode(shape, params, shapeIndex)) {
        appendDecomposed(shape, inherited, params, mode, walk.perimPositions, out);
        return;
    }
    if (cfIsMappedTree(shape)) {
        appendUnreported(*cfDistributeMapXform(shape), inherited, params, mode, out);
        return;
    }
    ccShapeModelProps inForce = inherited.combine(cfLocalShapeModelProps(shape, true, true, true));
    const ccShapeTree* tree = shape.asShapeTree();
    if (!tree) {
        appendPrimitive(shape, nullptr, inForce, params, shapeIndex, walk, out);
        return;
    }
    const ccContourTree* contour = tree->asContourTree();
    const ccRegionTree* region = tree->asRegionTree();
    if (contour) {
        ccShapeModelProps consistent = inherited;
        const bool isConsistent = cfConsistentContourProps(*contour, inherited, consistent, mode);
        if (isUniform(params)) {
            appendUniformContour(*contour, consistent, params, isConsistent, shapeIndex,
                                 walk.perimPositions, out);
            return;
        }
        if (isConsistent) {
            appendPrimitive(shape, nullptr, consistent, params, shapeIndex, walk, out);
            return;
        }
    }
    if (region && region->numChildren() == 0) {
        appendPrimitive(shape, region, inForce, params, shapeIndex, walk, out);
        return;
    }
    appendTreeWalk(*tree, contour, region, inherited, inForce, params, mode, shapeIndex, walk, out);
}

// ---- sizing the output ----

constexpr long kUnknownCount = -1;

long featureletCount(const ccShape& shape, const ccShapeModelProps& inherited, const Params& params,
                     ConsistentPropsMode mode);

// The featurelets a joined contour gives: a primitive piece gives one chain
// of its samples (none without samples), a joined sub-contour one chain,
// perhaps empty.
long joinedCount(const ccContourTree& contour, const ccShapeModelProps& inForce,
                 const Params& params, ConsistentPropsMode mode) {
    std::vector<long> chainLengths;
    for (const ccPtrHandle_const<ccShape>& child : contour.children()) {
        const ccShapeTree* sub = child->asShapeTree();
        if (sub && !sub->asContourTree()) return kUnknownCount;
        const long n =
            cfWithEnoughStack([&] { return featureletCount(*child, inForce, params, mode); });
        if (n < 0) return kUnknownCount;
        if (n > 0 || sub) chainLengths.push_back(n);
    }
    return joinedLength(chainLengths, contour.isClosed(), mergesJoints(params));
}

// The featurelets the walk appends for `shape` when they follow from the
// shapes' own sample counts (spaced sampling; no region trees or mapped
// trees on the way); kUnknownCount otherwise. Mirrors appendFeatures.
long featureletCount(const ccShape& shape, const ccShapeModelProps& inherited, const Params& params,
                     ConsistentPropsMode mode) {
    if (isUniform(params) || cfIsMappedTree(shape)) return kUnknownCount;
    const ccShapeTree* tree = shape.asShapeTree();
    if (!tree) return shape.sampleCount(params.sampleParams());
    if (tree->asRegionTree()) return kUnknownCount;
    const ccShapeModelProps inForce =
        inherited.combine(cfLocalShapeModelProps(shape, true, true, true));
    if (const ccContourTree* contour = tree->asContourTree()) {
        ccShapeModelProps consistent = inherited;
        if (cfConsistentContourProps(*contour, inherited, consistent, mode))
            return contour->sampleCount(params.sampleParams());
        return joinedCount(*contour, inForce, params, mode);
    }
    long total = 0;
    for (const ccPtrHandle_const<ccShape>& child : tree->children()) {
        const long n =
            cfWithEnoughStack([&] { return featureletCount(*child, inForce, params, mode); });
        if (n < 0) return kUnknownCount;
        total += n;
    }
    return total;
}

// Gives `set` room for the walk's featurelets when their count is known, so
// that they are written once into storage of the right size. A shape the
// walk will refuse is left to the walk to report.
void reserveForWalk(const ccShape& shape, const ccShapeModelProps& inherited, const Params& params,
                    ConsistentPropsMode mode, ccFeatureletChainSet& set) {
    try {
        const long count = featureletCount(shape, inherited, params, mode);
        if (count > 0) set.reserve(0, count);
    } catch (const ccException&) {
        // left unsized: the walk meets the same fault and reports it
    }
}

ChainSetHandle newChainSetOf(const ccShape& shape, const ccShapeModelProps& inherited,
                             const Params& params, ConsistentPropsMode mode, long shapeIndex,
                             std::vector<ccPerimPos>& perimPositions) {
    ChainSetHandle set = newChainSet();
    reserveForWalk(shape, inherited, params, mode, *set);
    Walk walk{perimPositions, {}};
    appendFeatures(shape, inherited, params, mode, shapeIndex, walk, *set);
    set->releaseSlack();
    return set;
}

}  // namespace

// ---------------------------------------------------------------------------

bool cfConsistentContourProps(const ccContourTree& contour, const ccShapeModelProps& inherited,
                              ccShapeModelProps& consistent, ConsistentPropsMode mode) {
    if (mode == eConsistentDirection && contour.isClosed()) {
        const bool a = ccShapeModel::isInsidePolarity(contour, true);
        const bool b = ccShapeModel::isInsidePolarity(contour, false);
        if (!a && !b) return false;
        ccShapeModelProps whole(contour.isRightHanded() != a, 1.0, false);
        whole.magnitude(1.0);
        consistent = whole.combine(inherited);
        return true;
    }
    const ccShapeModelProps base = inherited.combine(ccShapeModel::shapeModelProps(contour));
    ccShapeModelProps first = base;
    bool isFirst = true;
    for (const ccPtrHandle_const<ccShape>& child : contour.children()) {
        ccShapeModelProps childInherited = base;
        const ccPtrHandle_const<ccShape> examined = cfUnwrapMappedShape(child, childInherited);
        ccShapeModelProps props;
        if (const auto* sub = cfAsContour(*examined)) {
            props = childInherited;
            if (!cfWithEnoughStack(
                    [&] { return cfConsistentContourProps(*sub, childInherited, props, mode); }))
                return false;
        } else {
            props = childInherited.combine(ccShapeModel::shapeModelProps(*examined));
        }
        if (isFirst) {
            first = props;
            isFirst = false;
        } else if (differsByMode(first, props, mode)) {
            return false;
        }
    }
    consistent = first;
    return true;
}

ccPtrHandle<ccFeatureletChainSet> cfFeaturesFromSamples(const ccShape::ccSampleResult& samples,
                                                        const ccShapeModelProps& props,
                                                        const Params& params,
                                                        const PieceList& pieceShapes) {
    ChainSetHandle set = newChainSet();
    appendFromSamples(samples, props, params, pieceShapes, *set);
    return set;
}

ccPtrHandle<ccFeatureletChainSet> cfUniformContourFeatures(
    const ccContourTree& contour, const ccShapeModelProps& consistent, const Params& params,
    bool isConsistent, long shapeIndex, std::vector<ccPerimPos>& perimPositions) {
    ChainSetHandle set = newChainSet();
    appendUniformContour(contour, consistent, params, isConsistent, shapeIndex, perimPositions,
                         *set);
    return set;
}

ccPtrHandle<ccFeatureletChainSet> cfFeatures(const ccShape& shape,
                                             const ccShapeModelProps& inherited,
                                             const Params& params, ConsistentPropsMode mode,
                                             long shapeIndex,
                                             std::vector<ccPerimPos>& perimPositions) {
    return newChainSetOf(shape, inherited, params, mode, shapeIndex, perimPositions);
}

ccPtrHandle<ccFeatureletChainSet> cfFeatures(const ccShape& shape,
                                             const ccShapeModelProps& inherited,
                                             const Params& params, ConsistentPropsMode mode,
                                             long shapeIndex) {
    std::vector<ccPerimPos> unused;
    return cfFeatures(shape, inherited, params, mode, shapeIndex, unused);
}

ccPtrHandle<ccFeatureletChainSet> ccShapeModel::features(const ccShape& shape,
                                                         const ccFeatureParams& params) {
    return cfFeatures(shape, ccShapeModelProps(false, 1.0, false, 1.0), params, eConsistentAll, 0);
}

void ccShapeModel::sampleWithPolarity(const ccShape& shape, const ccShape::ccSampleParams& params,
                                      ccShape::ccSampleResult& result) {
    if (!params.computeTangents()) {
        shape.sample(params, result);
        return;
    }
    if (result.tangents().size() != result.positions().size()) {
        throw ccShapesError::BadParams(
            L"sampleWithPolarity: the result holds " +
            cfStr(static_cast<long>(result.tangents().size())) + L" tangents for " +
            cfStr(static_cast<long>(result.positions().size())) + L" positions");
    }
    const ChainSetHandle set =
        cfFeatures(shape, ccShapeModelProps(false, 1.0, false, 1.0),
                   ccFeatureParams(params, 1.0, 1.0), eConsistentDirection, 0);
    const std::size_t p0 = result.positions().size();
    for (const ccFeaturelet& f : set->featurelets()) {
        result.positions().push_back(f.position);
        result.tangents().emplace_back(f.angle.toDouble() - kQuarterTurn);
    }
    for (long j = 0; j < set->numChains(); ++j) {
        result.breaks().push_back(set->startFeatureIndex(j) + static_cast<long>(p0));
        result.closedFlags().push_back(set->isClosed(j));
    }
}

// ---------------------------------------------------------------------------
// Complex features

namespace {

// The values that stay the same down the recursion.
struct Budget {
    double minSpacing, maxSpacing;
    double reserved;
};

// A part of a tree node to featurize: a child, or a region node's boundary.
struct Entry {
    ccPtrHandle_const<ccShape> shape;
    long number;
    double perimeter;
    ccShapeModelProps props;
    bool included = true;
    long numPoints = 0;
    long maxNumPoints = ccNoPointLimit;
};

// Each step appends the chain sets of the parts it featurizes to `parts`, in
// order; they are joined once, at the top, rather than level by level, which
// would copy a deep tree's featurelets once for every level above them.
void complexStep(const ccShape& shape, const ccShapeModelProps& inherited, const Budget& budget,
                 long numPoints, long maxNumPoints, const ccShapeInfo* topInfo, long index,
                 std::vector<ChainSetHandle>& parts);

bool hasPointLimit(long maxNumPoints) {
    return maxNumPoints != ccNoPointLimit;
}

std::vector<Entry> entriesOf(const ccShapeTree& tree, const ccShapeModelProps& inherited,
                             const ccShapeModelProps& inForce, const ccShapeInfo& info,
                             long index) {
    const ccRegionTree* region = tree.asRegionTree();
    const bool hasBoundaryEntry = region && !(region->isRoot() && region->isHole());
    std::vector<Entry> entries;
    long c = index + 1;
    if (hasBoundaryEntry) c += info.subtreeSize(index + 1);
    for (const ccPtrHandle_const<ccShape>& child : tree.children()) {
        entries.push_back({child, c, info.nodePerimeter(c), inForce});
        c += info.subtreeSize(c);
    }
    if (hasBoundaryEntry) {
        entries.push_back({region->boundary().clone(), index + 1, info.nodePerimeter(index + 1),
                           cfRegionNodeModelProps(*region, inherited)});
    }
    return entries;
}

// Shares a limited budget out to the longest entries that it can cover.
void shareLimitedBudget(std::vector<Entry>& entries, long numPoints, long maxNumPoints,
                        double limit) {
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (entries[a].perimeter != entries[b].perimeter)
            return entries[a].perimeter > entries[b].perimeter;
        return a > b;  // between equals, the later entry first
    });
    for (Entry& e : entries) e.included = false;
    double sum = 0;
    std::vector<std::size_t> chosen;
    for (std::size_t i : order) {
        const double p = entries[i].perimeter;
        if (p == 0 || limit < sum + p || cfIFloor(p * maxNumPoints / (sum + p)) < 1) break;
        sum += p;
        chosen.push_back(i);
    }
    for (std::size_t i : chosen) {
        Entry& e = entries[i];
        e.included = true;
        e.maxNumPoints = cfIFloor(maxNumPoints * e.perimeter / sum);
        if (numPoints != 0) e.numPoints = cfIFloor(numPoints * e.perimeter / sum);
    }
}

// Shares the point target in proportion to perimeter, without a limit. A
// node of zero perimeter gives its parts no target.
void shareUnlimitedBudget(std::vector<Entry>& entries, long numPoints, double nodePerimeter) {
    if (numPoints == 0 || nodePerimeter == 0) return;
    for (Entry& e : entries) e.numPoints = cfIFloor(numPoints * e.perimeter / nodePerimeter);
}

// Appends every part to `out`, reserving for all of them first so that the
// set grows once and keeps no slack.
void appendAllReserved(const std::vector<ChainSetHandle>& parts, ccFeatureletChainSet& out) {
    long chains = 0, featurelets = 0;
    for (const ChainSetHandle& part : parts) {
        chains += part->numChains();
        featurelets += part->numFeaturelets();
    }
    out.reserve(chains, featurelets);
    for (const ChainSetHandle& part : parts) out.append(*part);
}

void complexTree(const ccShapeTree& tree, const ccShapeModelProps& inherited, const Budget& budget,
                 long numPoints, long maxNumPoints, const ccShapeInfo* topInfo, long index,
                 std::vector<ChainSetHandle>& parts) {
    const ccShapeModelProps inForce =
        inherited.combine(cfLocalShapeModelProps(tree, true, true, true));
    ccShapeInfo ownInfo;
    if (!topInfo) ownInfo = ccShapeInfo(tree);
    const ccShapeInfo& info = topInfo ? *topInfo : ownInfo;
    const double perimeter = info.nodePerimeter(index);
    std::vector<Entry> entries = entriesOf(tree, inherited, inForce, info, index);
    if (entries.empty()) return;
    if (hasPointLimit(maxNumPoints) && perimeter > budget.maxSpacing * maxNumPoints) {
        shareLimitedBudget(entries, numPoints, maxNumPoints, budget.maxSpacing * maxNumPoints);
    } else {
        shareUnlimitedBudget(entries, numPoints, perimeter);
    }
    for (const Entry& e : entries) {
        if (!e.included) continue;
        cfWithEnoughStack([&] {
            complexStep(*e.shape, e.props, budget, e.numPoints, e.maxNumPoints, &info, e.number,
                        parts);
        });
    }
}

void complexLeaf(const ccShape& shape, const ccShapeModelProps& inherited, const Budget& budget,
                 long numPoints, long maxNumPoints, const ccShapeInfo* topInfo, long index,
                 std::vector<ChainSetHandle>& parts) {
    if (!shape.isDecomposed()) {
        complexStep(*shape.decompose(), inherited, budget, numPoints, maxNumPoints, nullptr, 0,
                    parts);
        return;
    }
    ccShapeInfo ownInfo;
    if (!topInfo) ownInfo = ccShapeInfo(shape);
    const ccShapeInfo& info = topInfo ? *topInfo : ownInfo;
    const double perimeter = info.nodePerimeter(index);
    double lo = budget.minSpacing;
    if (hasPointLimit(maxNumPoints) && perimeter / maxNumPoints > lo) lo = perimeter / maxNumPoints;
    const double hi = std::max(budget.maxSpacing, lo);
    // Without a target a part is sampled at the largest spacing; one shorter
    // than the smallest gives nothing.
    if (numPoints == 0 && perimeter < lo) return;
    const double spacing = numPoints == 0 ? hi : std::clamp(perimeter / numPoints, lo, hi);
    const long count = std::max(1L, std::lround(perimeter / spacing));
    ccShape::ccSampleParams sample(0.0, 0.0, 2, false, true);
    sample.uniformMode(true);
    sample.spacing(0.0);
    sample.maxPoints(count);
    sample.computeTangents(true);
    sample.perimPosRequested(false);
    sample.perimPosShapeInfo(&info);
    Params params(sample, 1.0);
    params.weightScale(std::min(spacing, perimeter) / budget.maxSpacing);
    parts.push_back(cfFeatures(shape, inherited, params, eConsistentAll, index));
}

void complexStep(const ccShape& shape, const ccShapeModelProps& inherited, const Budget& budget,
                 long numPoints, long maxNumPoints, const ccShapeInfo* topInfo, long index,
                 std::vector<ChainSetHandle>& parts) {
    if (maxNumPoints == 0) return;
    if (cfIsMappedTree(shape)) {
        complexStep(*cfDistributeMapXform(shape), inherited, budget, numPoints, maxNumPoints,
                    nullptr, 0, parts);
        return;
    }
    const ccShapeTree* tree = shape.asShapeTree();
    if (tree && !tree->asContourTree()) {
        complexTree(*tree, inherited, budget, numPoints, maxNumPoints, topInfo, index, parts);
        return;
    }
    complexLeaf(shape, inherited, budget, numPoints, maxNumPoints, topInfo, index, parts);
}

}  // namespace

ccPtrHandle<ccFeatureletChainSet> cfComplexFeatures(const ccShape& shape, double minSpacing,
                                                    double maxSpacing, long numPoints,
                                                    long maxNumPoints, double reserved) {
    const Budget budget{minSpacing, maxSpacing, reserved};
    std::vector<ChainSetHandle> parts;
    complexStep(shape, ccShapeModelProps(false, 1.0, false, 1.0), budget, numPoints, maxNumPoints,
                nullptr, 0, parts);
    ChainSetHandle set = newChainSet();
    appendAllReserved(parts, *set);
    set->releaseSlack();
    return set;
}
