#include "vxstd12u/polyline.h"

#include "vxstd12u/archiveform.h"

#include <algorithm>
#include <cmath>

#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/str.h"
#include "vxstd12u/tolerances.h"

namespace {

// The point `along` an edge from a to b of `length`: exactly a or b at and
// beyond the edge's ends, so vertices come out as given.
inline ccVector<2> pointAlongEdge(const ccVector<2>& a, const ccVector<2>& b, double along,
                                  double length) {
    if (length == 0.0 || along <= 0.0) return a;
    if (along >= length) return b;
    return cfPointOnSegment(a, b, along / length);
}

// Edges shorter than this are joints, not pieces: they carry no direction and
// are left out of decompositions.
bool hasLength(double length) {
    return length > cc_tol::kCoincident;
}

void requireFiniteVertices(const std::vector<ccVector<2>>& vertices) {
    for (std::size_t i = 0; i < vertices.size(); ++i)
        if (!vertices[i].isFinite())
            throw ccShapesError::BadParams(L"polyline vertex " + cfStr(static_cast<long>(i)) +
                                           L" is not finite: (" + cfStr(vertices[i].x()) + L", " +
                                           cfStr(vertices[i].y()) + L")");
}

}  // namespace

ccPolyline::ccPolyline(const std::vector<ccVector<2>>& vertices, bool closed) {
    requireFiniteVertices(vertices);
    vertices_ = vertices;
    closed_ = closed;
    accumulateLengths();
}

const ccVector<2>& ccPolyline::vertex(long i) const {
    if (i < 0 || i >= numVertices())
        throw ccShapesError::BadParams(L"polyline vertex index " + cfStr(i) + L" outside [0, " +
                                       cfStr(numVertices()) + L")");
    return vertices_[i];
}

void ccPolyline::vertices(const std::vector<ccVector<2>>& vertices) {
    ccPolyline changed(vertices, closed_);
    noticeChange_();
    vertices_.swap(changed.vertices_);
    cumulative_.swap(changed.cumulative_);
}

void ccPolyline::isClosed(bool closed) {
    ccPolyline changed(vertices_, closed);
    noticeChange_();
    closed_ = closed;
    cumulative_.swap(changed.cumulative_);
}

long ccPolyline::numEdges() const noexcept {
    if (vertices_.empty()) return 0;
    return closed_ ? numVertices() : numVertices() - 1;
}

const ccVector<2>& ccPolyline::edgeEnd(long i) const {
    return vertices_[(i + 1) % numVertices()];
}

void ccPolyline::accumulateLengths() {
    cumulative_.assign(1, 0.0);
    for (long i = 0; i < numEdges(); ++i)
        cumulative_.push_back(cumulative_.back() + (edgeEnd(i) - edgeStart(i)).len());
}

double ccPolyline::arcLengthAtVertex(long i) const {
    if (i < 0 || i > numEdges())
        throw ccShapesError::BadParams(L"polyline vertex index " + cfStr(i) + L" outside [0, " +
                                       cfStr(numEdges()) + L"]");
    return cumulative_[i];
}

double ccPolyline::signedArea() const {
    if (!closed_ || vertices_.empty()) return 0.0;
    // Relative to vertex 0, so that far-off polygons keep their precision.
    const ccVector<2>& base = vertices_[0];
    double twiceArea = 0.0;
    for (long i = 1; i + 1 < numVertices(); ++i)
        twiceArea += (vertices_[i] - base).cross(vertices_[i + 1] - base);
    return 0.5 * twiceArea;
}

ccVector<2> ccPolyline::center() const {
    requireVertices("center");
    ccVector<2> sum;
    for (const auto& v : vertices_) sum += v;
    return sum / static_cast<double>(vertices_.size());
}

void ccPolyline::requireVertices(const char* operation) const {
    if (vertices_.empty())
        throw ccShapesError::BadParams(L"an empty polyline has no " + cfWiden(operation));
}

double ccPolyline::perimeter() const {
    return cumulative_.back();
}

bool ccPolyline::within(const ccVector<2>& p) const {
    if (!closed_) throw ccShapesError::NotRegion(L"an open polyline bounds no region");
    if (vertices_.empty()) return false;
    if ((nearest(p).first - p).len() <= cc_tol::kCoincident) return true;
    return std::abs(windingAngle(p)) > ccPi;
}

double ccPolyline::windingAngle(const ccVector<2>& p) const {
    double sum = 0.0;
    for (long i = 0; i < numEdges(); ++i) sum += cfSubtendedAngle(edgeStart(i), edgeEnd(i), p);
    return sum;
}

ccVector<2> ccPolyline::startPoint() const {
    requireVertices("start point");
    return vertices_.front();
}

ccVector<2> ccPolyline::endPoint() const {
    requireVertices("end point");
    return closed_ ? vertices_.front() : vertices_.back();
}

ccRadian ccPolyline::directionFrom(long i) const {
    for (long k = i; k < numEdges(); ++k)
        if (hasLength(edgeLength(k))) return cfDirectionAngle(edgeEnd(k) - edgeStart(k));
    return directionUpTo(i);
}

ccRadian ccPolyline::directionUpTo(long i) const {
    for (long k = std::min(i, numEdges() - 1); k >= 0; --k)
        if (hasLength(edgeLength(k))) return cfDirectionAngle(edgeEnd(k) - edgeStart(k));
    return ccRadian(0.0);
}

ccRadian ccPolyline::startAngle() const {
    requireVertices("start angle");
    return directionFrom(0);
}

ccRadian ccPolyline::endAngle() const {
    requireVertices("end angle");
    return directionUpTo(numEdges() - 1);
}

double ccPolyline::tangentRotation() const {
    std::vector<double> directions;
    for (long i = 0; i < numEdges(); ++i)
        if (hasLength(edgeLength(i)))
            directions.push_back(cfDirectionAngle(edgeEnd(i) - edgeStart(i)).toDouble());
    if (directions.empty()) return 0.0;
    auto turn = [](double from, double to) { return ccRadian(to - from).signedNorm().toDouble(); };
    double total = 0.0;
    for (std::size_t k = 1; k < directions.size(); ++k)
        total += turn(directions[k - 1], directions[k]);
    if (closed_) total += turn(directions.back(), directions.front());
    return total;
}

ccRect ccPolyline::boundingBox() const {
    requireVertices("bounding box");
    ccVector<2> low = vertices_.front();
    ccVector<2> high = low;
    for (const auto& v : vertices_) {
        low = ccVector<2>(std::min(low.x(), v.x()), std::min(low.y(), v.y()));
        high = ccVector<2>(std::max(high.x(), v.x()), std::max(high.y(), v.y()));
    }
    return ccRect(low, high - low);
}

std::pair<ccVector<2>, double> ccPolyline::nearest(const ccVector<2>& p) const {
    requireVertices("nearest point");
    std::pair<ccVector<2>, double> best(vertices_.front(), 0.0);
    double bestDistanceSq = (best.first - p).lenSq();
    for (long i = 0; i < numEdges(); ++i) {
        const double t = cfNearestParamOnSegment(edgeStart(i), edgeEnd(i), p);
        const ccVector<2> q = cfPointOnSegment(edgeStart(i), edgeEnd(i), t);
        const double distanceSq = (q - p).lenSq();
        if (distanceSq < bestDistanceSq) {
            bestDistanceSq = distanceSq;
            best = {q, cumulative_[i] + t * edgeLength(i)};
        }
    }
    return best;
}

ccVector<2> ccPolyline::nearestPoint(const ccVector<2>& p) const {
    return nearest(p).first;
}

ccPerimPos ccPolyline::nearestPerimPos(const ccVector<2>& p) const {
    return ccPerimPos(0, nearest(p).second);
}

long ccPolyline::edgeAt(double s) const {
    if (numEdges() == 0) return -1;
    // The last edge starting at or before s: the one that leaves a vertex at s.
    const long bound =
        std::upper_bound(cumulative_.begin(), cumulative_.end(), s) - cumulative_.begin();
    long i = std::clamp(bound - 1, 0L, numEdges() - 1);
    // At the very end, the last edge that has any length arrives there.
    while (i > 0 && edgeLength(i) == 0.0 && s >= cumulative_[i + 1]) --i;
    return i;
}

std::pair<ccVector<2>, long> ccPolyline::pointAt(double s) const {
    requireVertices("point at an arc length");
    const double clamped = std::clamp(s, 0.0, perimeter());
    return pointOnEdge(edgeAt(clamped), clamped);
}

std::pair<ccVector<2>, long> ccPolyline::pointOnEdge(long i, double s) const {
    if (i < 0) return {vertices_.front(), -1};
    return {pointAlongEdge(edgeStart(i), edgeEnd(i), s - cumulative_[i], edgeLength(i)), i};
}

void ccPolyline::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                      ccRadian& tangent) const {
    cfRequireOwnNode(pos, "ccPolyline");
    if (std::isnan(pos.offset()))
        throw ccShapesError::BadParams(L"polyline arc-length offset is NaN");
    const auto at = pointAt(pos.offset());
    tangent = at.second < 0 ? ccRadian(0.0) : directionFrom(at.second);
    point = at.first;
}

long ccPolyline::sampleCount(const ccSampleParams& params) const noexcept {
    const long n = cfSampleCount(perimeter(), closed_, params);
    return isEmpty() && n >= 0 ? 0 : n;
}

void ccPolyline::sample(const ccSampleParams& params, ccSampleResult& result) const {
    if (isEmpty()) {
        cfCheckSampleParams(params);
        return;
    }
    const ccSampleOffsets offsets(perimeter(), closed_, params);
    const long n = offsets.size();
    if (n == 0) return;
    result.beginChain(closed_);
    // Reserving and appending writes each sample once, where growing the
    // arrays first would write them twice.
    std::vector<ccVector<2>>& points = result.positions();
    const std::size_t first = points.size();
    points.reserve(first + static_cast<std::size_t>(n));
    std::vector<ccRadian>* tangents = params.computeTangents() ? &result.tangents() : nullptr;
    if (tangents) {
        tangents->reserve(first + static_cast<std::size_t>(n));
        tangents->resize(first);
    }
    // Sample arc lengths rise, so one pass along the edges places them all:
    // each edge takes the samples short of its end, which leaves none to an
    // edge of no length, as the edge search gives. Samples at or past the
    // end are placed by that search.
    long k = 0;
    for (long i = 0; i < numEdges() && k < n; ++i) {
        const double end = cumulative_[i + 1];
        if (!(offsets[k] < end)) continue;
        const ccVector<2> a = edgeStart(i), b = edgeEnd(i);
        const double start = cumulative_[i], length = end - start;
        const ccRadian direction = tangents ? directionFrom(i) : ccRadian(0.0);
        for (double s = offsets[k]; s < end; s = offsets[k]) {
            points.push_back(pointAlongEdge(a, b, s - start, length));
            if (tangents) tangents->push_back(direction);
            if (++k == n) break;
        }
    }
    for (; k < n; ++k) {
        const auto at = pointAt(offsets[k]);
        points.push_back(at.first);
        if (tangents) tangents->push_back(at.second < 0 ? ccRadian(0.0) : directionFrom(at.second));
    }
    if (!result.tangents().empty()) result.fillTangents();
    cfAppendPerimPositions(offsets, params, result);
}

ccPolyline ccPolyline::piece(double from, double to) const {
    requireVertices("pieces");
    if (std::isnan(from) || std::isnan(to) || from > to)
        throw ccShapesError::BadParams(L"polyline piece needs from <= to, got " + cfStr(from) +
                                       L" and " + cfStr(to));
    std::vector<ccVector<2>> points{pointAt(from).first};
    for (long k = 1; k < numEdges(); ++k)
        if (from < cumulative_[k] && cumulative_[k] < to) points.push_back(vertices_[k]);
    points.push_back(pointAt(to).first);
    return ccPolyline(points, false);
}

ccPtrHandle<ccShape> ccPolyline::clone() const {
    return cfMakeHandle<ccPolyline>(*this);
}

ccPtrHandle<ccShape> ccPolyline::mapShape(const ccXform<2>& xform) const {
    std::vector<ccVector<2>> mapped;
    mapped.reserve(vertices_.size());
    for (const auto& v : vertices_) mapped.push_back(xform.mapPoint(v));
    return cfMakeHandle<ccPolyline>(mapped, closed_);
}

ccPtrHandle<ccShape> ccPolyline::reverse() const {
    std::vector<ccVector<2>> reversed(vertices_.rbegin(), vertices_.rend());
    // A closed polyline keeps its start vertex: it goes first again.
    if (closed_ && !reversed.empty())
        std::rotate(reversed.begin(), reversed.end() - 1, reversed.end());
    return cfMakeHandle<ccPolyline>(reversed, closed_);
}

ccPtrHandle<ccShape> ccPolyline::decompose() const {
    auto tree = cfMakeHandle<ccContourTree>(closed_);
    for (long i = 0; i < numEdges(); ++i)
        if (hasLength(edgeLength(i)))
            tree->addChild(cfMakeHandle<ccLineSeg>(edgeStart(i), edgeEnd(i)), true);
    return cloneThat_(*tree);
}

bool ccPolyline::equal_(const ccShape& other) const {
    const auto* polyline = dynamic_cast<const ccPolyline*>(&other);
    return polyline && polyline->closed_ == closed_ && polyline->vertices_ == vertices_;
}

ccPtrHandle<ccShape> ccPolyline::pieceBetween_(double from, double to) const {
    return cloneThat_(piece(from, to));
}

// ---- archive form of ccPolyline

namespace {
const cc_Instantiator kPolylineExemplar(typeid(ccPolyline), &ccPolyline::make);
}  // namespace

ccPersistent* ccPolyline::make() {
    return new ccPolyline;
}

void ccPolyline::exchangeParams(ccArchive& ar) {
    std::vector<ccVector<2>> vertices = vertices_;
    bool closed = closed_;
    ar || vertices || closed;
    if (!ar.isLoading()) return;
    ccPolyline loaded = cfValidLoaded("ccPolyline", [&] { return ccPolyline(vertices, closed); });
    noticeChange_();
    *this = loaded;
}

void ccPolyline::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/polyline", 1, [&] { exchangeParams(ar); });
}
