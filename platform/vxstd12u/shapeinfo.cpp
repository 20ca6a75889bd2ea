#include "vxstd12u/shapeinfo.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

#include "vxstd12u/errors.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/stackguard.h"
#include "vxstd12u/tolerances.h"

namespace {

[[noreturn]] void throwBadParams(const wchar_t* what) {
    throw ccShapesError::BadParams(what);
}

// The numbers of the leaves of `info`, in order.
std::vector<long> leafNumbers(const ccShapeInfo& info) {
    std::vector<long> leaves;
    for (long i = 0; i < info.numNodes(); ++i)
        if (info.isLeaf(i)) leaves.push_back(i);
    return leaves;
}

// Finds, for a rising run of arc lengths from the start of node 0, the
// positions perimPos gives, in one pass over the leaves instead of a scan
// per arc length. Leaf ends never fall along the numbering, so the first
// leaf that holds an arc length never moves back for a later one; an arc
// length below the one before starts the walk again.
class LeafWalk {
  public:
    explicit LeafWalk(const ccShapeInfo& info) : info_(info), leaves_(leafNumbers(info)) {}

    // perimPos(arcLength).
    ccPerimPos at(double arcLength) {
        const double s = std::min(std::max(arcLength, 0.0), info_.perimeter());
        if (s < last_) next_ = 0;
        last_ = s;
        for (; next_ < leaves_.size(); ++next_) {
            const long i = leaves_[next_];
            const double start = info_.nodeStart(i), length = info_.nodePerimeter(i);
            if (length > 0 && s < start + length) return ccPerimPos(i, std::max(s - start, 0.0));
        }
        return info_.perimPos(arcLength);
    }

  private:
    const ccShapeInfo& info_;
    std::vector<long> leaves_;
    size_t next_ = 0;
    double last_ = 0.0;
};

}  // namespace

ccShapeInfo::ccShapeInfo(const ccShape& shape) {
    add(shape, -1, 0.0, 0);
}

void ccShapeInfo::add(const ccShape& shape, long parent, double start, long depth) {
    if (depth > cc_tol::kMaxNestingDepth) throwBadParams(L"shape tree nested too deeply");
    const long index = numNodes();
    nodes_.push_back(Node{&shape, 0.0, start, 1, parent, true, true, true});
    const ccShapeTree* tree = shape.asShapeTree();
    if (!tree) {
        Node& leaf = nodes_[index];
        leaf.perimeter = shape.perimeter();
        leaf.empty = shape.isEmpty();
        leaf.decomposed = shape.isDecomposed();
        return;
    }
    // The perimeter is summed from zero as the tree's own perimeter() sums
    // it, not taken as a difference of starts, so that a subtree measures
    // the same in the info of any tree that holds it.
    double s = start, length = 0.0;
    bool empty = true, decomposed = true;
    for (const auto& part : tree->parts()) {
        if (!part) throw ccBadPointer(L"shape tree holds an empty child handle");
        const long partIndex = numNodes();
        cfWithEnoughStack([&] { add(*part, index, s, depth + 1); });
        const Node& added = nodes_[partIndex];
        s += added.perimeter;
        length += added.perimeter;
        empty = empty && added.empty;
        decomposed = decomposed && added.decomposed;
    }
    Node& node = nodes_[index];
    node.leaf = false;
    node.perimeter = length;
    node.subtree = numNodes() - index;
    node.empty = empty;
    node.decomposed = decomposed;
}

const ccShapeInfo::Node& ccShapeInfo::at(long i) const {
    if (i < 0 || i >= numNodes()) throwBadParams(L"node number outside the shape info");
    return nodes_[static_cast<size_t>(i)];
}

const ccShape& ccShapeInfo::node(long i) const {
    return *at(i).shape;
}
double ccShapeInfo::nodePerimeter(long i) const {
    return at(i).perimeter;
}
long ccShapeInfo::subtreeSize(long i) const {
    return at(i).subtree;
}
double ccShapeInfo::nodeStart(long i) const {
    return at(i).start;
}
long ccShapeInfo::parent(long i) const {
    return at(i).parent;
}
bool ccShapeInfo::isLeaf(long i) const {
    return at(i).leaf;
}
bool ccShapeInfo::isEmpty(long i) const {
    return at(i).empty;
}
bool ccShapeInfo::isDecomposed(long i) const {
    return at(i).decomposed;
}

ccPerimPos ccShapeInfo::perimPosInSubtree(long root, double arcLength) const {
    const Node& r = at(root);
    if (std::isnan(arcLength)) throwBadParams(L"perimeter position of a NaN arc length");
    const double s = std::min(std::max(arcLength, 0.0), r.perimeter);
    const double absolute = r.start + s;
    long lastWithLength = -1, firstLeaf = -1;
    for (long i = root; i < root + r.subtree; ++i) {
        const Node& n = nodes_[static_cast<size_t>(i)];
        if (!n.leaf) continue;
        if (firstLeaf < 0) firstLeaf = i;
        if (!(n.perimeter > 0)) continue;
        if (absolute < n.start + n.perimeter)
            return ccPerimPos(i, std::max(absolute - n.start, 0.0));
        lastWithLength = i;
    }
    if (lastWithLength >= 0)
        return ccPerimPos(lastWithLength, nodes_[static_cast<size_t>(lastWithLength)].perimeter);
    return ccPerimPos(firstLeaf >= 0 ? firstLeaf : root, 0.0);
}

double ccShapeInfo::arcLength(const ccPerimPos& pos) const {
    const Node& n = at(pos.node());
    if (std::isnan(pos.offset())) throwBadParams(L"perimeter position with a NaN offset");
    return n.start + std::min(std::max(pos.offset(), 0.0), n.perimeter);
}

void ccShapeInfo::leafPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                      ccRadian& tangent) const {
    const Node& n = at(pos.node());
    if (!n.leaf) throwBadParams(L"a tree without leaves has no points");
    n.shape->perimPointAndTangent(ccPerimPos(0, pos.offset()), point, tangent);
}

void ccShapeInfo::pointsAndTangents(const double* arcLengths, long n, ccVector<2>* points,
                                    ccRadian* tangents, ccPerimPos* positions) const {
    if (n <= 0) return;
    const auto count = static_cast<size_t>(n);
    std::vector<ccPerimPos> found(positions ? 0 : count);
    ccPerimPos* pos = positions ? positions : found.data();
    std::vector<double> offsets(count);
    LeafWalk walk(*this);
    for (size_t k = 0; k < count; ++k) {
        pos[k] = walk.at(arcLengths[k]);
        offsets[k] = pos[k].offset();
    }
    for (size_t k = 0, end; k < count; k = end) {
        for (end = k + 1; end < count && pos[end].node() == pos[k].node();) ++end;
        const Node& leaf = at(pos[k].node());
        if (!leaf.leaf) throwBadParams(L"a tree without leaves has no points");
        leaf.shape->perimPointsAndTangents(&offsets[k], static_cast<long>(end - k), points + k,
                                           tangents ? tangents + k : nullptr);
    }
}

void ccShapeInfo::extract_(long i, ccShapeInfo& out) const {
    const Node& top = at(i);
    std::vector<Node> nodes(nodes_.begin() + i, nodes_.begin() + i + top.subtree);
    for (Node& n : nodes) {
        n.parent = n.parent < i ? -1 : n.parent - i;
        n.start -= top.start;
    }
    out.nodes_ = std::move(nodes);
}

void cfCheckSampleParams(const ccShapeSampleParams& params) {
    if (params.maxPoints() < 1) throwBadParams(L"sampling needs a maxPoints of at least one");
    if (params.uniformMode()) {
        if (params.maxPoints() == ccNoPointLimit)
            throwBadParams(L"uniform sampling needs a point count, not the no-limit value");
        return;
    }
    if (!(params.spacing() > 0) || !std::isfinite(params.spacing()))
        throwBadParams(L"sampling needs a positive, finite spacing");
    if (!std::isfinite(params.startOffset()))
        throwBadParams(L"sampling needs a finite start offset");
}

ccSampleOffsets::ccSampleOffsets(double perimeter, bool closed, const ccShapeSampleParams& params) {
    if (std::isinf(perimeter))
        throw ccShapesError::InfiniteExtent(L"an infinite shape cannot be sampled");
    if (!(perimeter >= 0)) throwBadParams(L"sampling a curve of negative or NaN perimeter");
    cfCheckSampleParams(params);
    if (perimeter <= cc_tol::kCoincident) {
        hasLast_ = true;
        return;
    }
    if (params.uniformMode() || !spaced(perimeter, closed, params))
        uniform(perimeter, closed, params.maxPoints());
    if (size() > cc_tol::kMaxSamples)
        throw ccShapesError::BadParams(L"sampling one shape at more than " +
                                       std::to_wstring(cc_tol::kMaxSamples) + L" points");
}

bool ccSampleOffsets::spaced(double perimeter, bool closed, const ccShapeSampleParams& params) {
    step_ = params.spacing();
    first_ = std::fmod(params.startOffset(), step_);
    if (first_ < 0) first_ += step_;
    const double estimate = std::floor((perimeter - first_) / step_) + 2.0;
    if (estimate > static_cast<double>(params.maxPoints()) + 2.0) return false;
    // The run holds every k whose first + step * k, rounded as it will be
    // computed, lies short of the end; rounding may move the estimate by one.
    const double end = perimeter - cc_tol::kCoincident;
    auto before = [&](long k) { return first_ + step_ * static_cast<double>(k) < end; };
    long n = std::max(0L, static_cast<long>(estimate) - 2);
    while (n > 0 && !before(n - 1)) --n;
    while (before(n)) ++n;
    runLength_ = n;
    hasLast_ = !closed;
    last_ = perimeter;
    return size() <= params.maxPoints();
}

void ccSampleOffsets::uniform(double perimeter, bool closed, long n) {
    first_ = 0.0;
    hasLast_ = !closed;
    if (!closed && n == 1) {
        runLength_ = 0;
        last_ = 0.5 * perimeter;
        return;
    }
    step_ = perimeter / static_cast<double>(closed ? n : n - 1);
    runLength_ = closed ? n : n - 1;
    last_ = perimeter;
}

long cfSampleCount(double perimeter, bool closed, const ccShapeSampleParams& params) noexcept {
    try {
        return ccSampleOffsets(perimeter, closed, params).size();
    } catch (const ccException&) {
        return -1;
    }
}

std::vector<double> cfSampleOffsets(double perimeter, bool closed,
                                    const ccShapeSampleParams& params) {
    const ccSampleOffsets offsets(perimeter, closed, params);
    std::vector<double> out(static_cast<size_t>(offsets.size()));
    for (long k = 0; k < offsets.size(); ++k) out[static_cast<size_t>(k)] = offsets[k];
    return out;
}

void cfAppendPerimPositions(const ccSampleOffsets& offsets, const ccShapeSampleParams& params,
                            ccShapeSampleResult& result) {
    if (!params.perimPosRequested()) return;
    for (long k = 0; k < offsets.size(); ++k)
        result.perimPositions().emplace_back(result.shapeIndex(), offsets[k]);
}

std::vector<long> cfShareSamples(const std::vector<double>& perimeters, long total) {
    std::vector<long> shares(perimeters.size(), 0);
    if (perimeters.empty()) return shares;
    const double sum = std::accumulate(perimeters.begin(), perimeters.end(), 0.0);
    if (!(sum > 0)) {
        shares.front() = total;
        return shares;
    }
    std::vector<double> remainders(perimeters.size());
    long given = 0;
    for (size_t i = 0; i < perimeters.size(); ++i) {
        const double exact = static_cast<double>(total) * perimeters[i] / sum;
        shares[i] = static_cast<long>(std::floor(exact));
        remainders[i] = exact - static_cast<double>(shares[i]);
        given += shares[i];
    }
    std::vector<size_t> order(perimeters.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return remainders[a] > remainders[b]; });
    for (size_t k = 0; given < total; k = (k + 1) % order.size(), ++given) ++shares[order[k]];
    return shares;
}

void cfAppendSamples(const ccShapeSampleResult& from, ccShapeSampleResult& to) {
    const size_t base = to.positions().size();
    const bool keepTangents = !from.tangents().empty() || !to.tangents().empty();
    for (long c = 0; c < from.numChains(); ++c) {
        to.breaks().push_back(static_cast<long>(base) + from.breaks()[static_cast<size_t>(c)]);
        to.closedFlags().push_back(from.closedFlags()[static_cast<size_t>(c)]);
    }
    to.positions().insert(to.positions().end(), from.positions().begin(), from.positions().end());
    if (keepTangents) {
        to.tangents().resize(base, ccRadian(0.0));
        to.tangents().insert(to.tangents().end(), from.tangents().begin(), from.tangents().end());
        to.tangents().resize(to.positions().size(), ccRadian(0.0));
    }
    to.perimPositions().insert(to.perimPositions().end(), from.perimPositions().begin(),
                               from.perimPositions().end());
}

void cfUniformSampleContour(const ccContourTree& contour, const ccShapeSampleParams& params,
                            bool reportPieces, std::vector<ccPtrHandle_const<ccShape>>& pieces,
                            ccShapeSampleResult& result) {
    if (!contour.isFinite())
        throw ccShapesError::InfiniteExtent(L"an infinite contour cannot be sampled");
    if (params.maxPoints() < 1) throwBadParams(L"sampling needs a maxPoints of at least one");
    if (contour.isEmpty()) return;
    const ccShapeInfo info(contour);
    ccShapeSampleParams uniform = params;
    uniform.uniformMode(true);
    const auto offsets = cfSampleOffsets(info.perimeter(), contour.isClosed(), uniform);
    const size_t n = offsets.size();
    const bool tangents = params.computeTangents();
    const size_t first = result.positions().size(), firstTangent = result.tangents().size();
    const bool wantsPositions = params.perimPosRequested() || reportPieces;
    std::vector<ccPerimPos> positions(wantsPositions ? n : 0);
    // The samples go straight into the result, which is put back as it was
    // if a leaf refuses its arc lengths.
    result.positions().resize(first + n);
    if (tangents) result.tangents().resize(first + n);
    try {
        info.pointsAndTangents(offsets.data(), static_cast<long>(n),
                               result.positions().data() + first,
                               tangents ? result.tangents().data() + first : nullptr,
                               wantsPositions ? positions.data() : nullptr);
    } catch (...) {
        result.positions().resize(first);
        result.tangents().resize(firstTangent);
        throw;
    }
    result.breaks().push_back(static_cast<long>(first));
    result.closedFlags().push_back(contour.isClosed());
    if (!result.tangents().empty()) result.fillTangents();
    if (params.perimPosRequested()) {
        result.perimPositions().reserve(result.perimPositions().size() + n);
        for (const ccPerimPos& pos : positions)
            result.perimPositions().emplace_back(result.shapeIndex() + pos.node(), pos.offset());
    }
    if (!reportPieces) return;
    // Samples rise along the contour, so the leaf of each lies at or after
    // the leaf of the one before.
    const auto leaves = cfLeafHandles(contour);
    const std::vector<long> numbers = leafNumbers(info);
    pieces.reserve(pieces.size() + n);
    size_t k = 0;
    for (const ccPerimPos& pos : positions) {
        while (k + 1 < numbers.size() && numbers[k] < pos.node()) ++k;
        pieces.push_back(leaves[k]);
    }
}

void cfConvertPerimPositions(const ccShapeInfo& from, long fromIndex, const ccShapeInfo& to,
                             long toIndex, std::vector<ccPerimPos>& positions, size_t first) {
    const double fromStart = from.nodeStart(fromIndex);
    to.nodeStart(toIndex);  // checks the index before anything changes
    std::vector<ccPerimPos> converted;
    for (size_t i = first; i < positions.size(); ++i)
        converted.push_back(
            to.perimPosInSubtree(toIndex, from.arcLength(positions[i]) - fromStart));
    std::copy(converted.begin(), converted.end(),
              positions.begin() + static_cast<long>(std::min(first, positions.size())));
}
