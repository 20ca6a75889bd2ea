#include "vxstd12u/clip.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "vxstd12u/ellipse.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/tolerances.h"

namespace {

using Point = ccVector<2>;

[[noreturn]] void throwBadRegion(const wchar_t* fault) {
    throw ccShapesError::BadParams(std::wstring(L"clip region ") + fault);
}

bool areCoincident(const Point& a, const Point& b) {
    return (a - b).len() <= cc_tol::kCoincident;
}

// Whether `value` is zero against `scale`, the size of the quantities it was
// computed from.
bool isNegligible(double value, double scale) {
    return std::abs(value) <= cc_tol::kDegenerateRelative * scale;
}

bool isWithinUnitInterval(double t, double slack) {
    return t >= -slack && t <= 1.0 + slack;
}

double clampToUnit(double t) {
    return std::min(1.0, std::max(0.0, t));
}

// Appends the parameters t in [0, 1] along a->b of the points where segment
// ab meets segment cd: one for a crossing or a touch, the two ends for a
// collinear overlap, none when they are apart. Points within
// cc_tol::kCoincident of each other meet. Both segments must have length.
void addMeetings(const Point& a, const Point& b, const Point& c, const Point& d,
                 std::vector<double>& params) {
    const Point ab = b - a;
    const Point cd = d - c;
    const Point ac = c - a;
    const double abLen = ab.len();
    const double cdLen = cd.len();
    const double denom = ab.cross(cd);
    if (!isNegligible(denom, abLen * cdLen)) {
        const double t = ac.cross(cd) / denom;
        const double u = ac.cross(ab) / denom;
        if (isWithinUnitInterval(t, cc_tol::kCoincident / abLen) &&
            isWithinUnitInterval(u, cc_tol::kCoincident / cdLen)) {
            params.push_back(clampToUnit(t));
        }
        return;
    }
    const bool parallelApart = std::abs(ab.cross(ac)) / abLen > cc_tol::kCoincident;
    if (parallelApart) return;
    const double tc = ac.dot(ab) / (abLen * abLen);
    const double td = (d - a).dot(ab) / (abLen * abLen);
    const double lo = std::max(0.0, std::min(tc, td));
    const double hi = std::min(1.0, std::max(tc, td));
    if (lo > hi + cc_tol::kCoincident / abLen) return;
    params.push_back(std::min(lo, hi));
    if (hi > lo) params.push_back(hi);
}

bool doSegmentsMeet(const Point& a, const Point& b, const Point& c, const Point& d) {
    std::vector<double> params;
    addMeetings(a, b, c, d, params);
    return !params.empty();
}

double distanceToSegment(const Point& p, const Point& a, const Point& b) {
    const Point ab = b - a;
    const double t = clampToUnit((p - a).dot(ab) / ab.lenSq());
    return (p - (a + ab * t)).len();
}

// The vertices with consecutive repeats (the closing one included) counted
// once.
std::vector<Point> distinctVertices(const std::vector<Point>& vertices) {
    std::vector<Point> distinct;
    for (const Point& p : vertices) {
        if (distinct.empty() || !areCoincident(distinct.back(), p)) distinct.push_back(p);
    }
    while (distinct.size() > 1 && areCoincident(distinct.front(), distinct.back()))
        distinct.pop_back();
    return distinct;
}

// A checked clip region: a simple closed polygon of distinct vertices.
class ClipRegion {
  public:
    explicit ClipRegion(const ccPolyline& region) {
        if (!region.isClosed()) throwBadRegion(L"is open: a clip region must be a closed polyline");
        for (const Point& p : region.vertices()) {
            if (!p.isFinite()) throwBadRegion(L"has a vertex that is not finite");
        }
        v_ = distinctVertices(region.vertices());
        if (v_.size() < 3) throwBadRegion(L"has fewer than three distinct vertices");
        if (hasZeroArea()) throwBadRegion(L"has zero area");
        if (!isSimple()) throwBadRegion(L"intersects itself");
    }

    std::size_t numEdges() const { return v_.size(); }
    const Point& edgeStart(std::size_t i) const { return v_[i]; }
    const Point& edgeEnd(std::size_t i) const { return v_[(i + 1) % v_.size()]; }

    // How many edges the segment from `a` to `b` meets; a zero-length chord meets none.
    long chordMeetings(const Point& a, const Point& b) const {
        if (areCoincident(a, b)) return 0;
        long count = 0;
        for (std::size_t i = 0; i < numEdges(); ++i) {
            if (doSegmentsMeet(a, b, edgeStart(i), edgeEnd(i))) ++count;
        }
        return count;
    }

    // Whether some edge meets the segment from `a` to `b`.
    bool isMetBy(const Point& a, const Point& b) const { return chordMeetings(a, b) > 0; }

    bool hasVertexIn(const ccRect& box) const {
        for (const Point& p : v_) {
            if (p.x() >= box.xMin() && p.x() <= box.xMax() && p.y() >= box.yMin() &&
                p.y() <= box.yMax())
                return true;
        }
        return false;
    }

    // Inside or within cc_tol::kCoincident of the boundary.
    bool covers(const Point& p) const { return isOnBoundary(p) || isEnclosed(p); }

    // Inside and farther than cc_tol::kCoincident from the boundary.
    bool isInterior(const Point& p) const { return !isOnBoundary(p) && isEnclosed(p); }

    bool isOnBoundary(const Point& p) const {
        for (std::size_t i = 0; i < numEdges(); ++i) {
            if (distanceToSegment(p, edgeStart(i), edgeEnd(i)) <= cc_tol::kCoincident) return true;
        }
        return false;
    }

  private:
    double edgeLength(std::size_t i) const { return (edgeEnd(i) - edgeStart(i)).len(); }

    bool hasZeroArea() const {
        double twiceArea = 0.0;
        double perimeter = 0.0;
        for (std::size_t i = 0; i < numEdges(); ++i) {
            twiceArea += edgeStart(i).cross(edgeEnd(i));
            perimeter += edgeLength(i);
        }
        return isNegligible(twiceArea, perimeter * perimeter);
    }

    bool areNeighbours(std::size_t i, std::size_t j) const {
        return j == i + 1 || (i == 0 && j + 1 == numEdges());
    }

    // Neighbouring edges share a vertex; they overlap only when the second
    // turns straight back along the first.
    bool foldsBack(std::size_t first, std::size_t second) const {
        const Point a = edgeEnd(first) - edgeStart(first);
        const Point b = edgeEnd(second) - edgeStart(second);
        return isNegligible(a.cross(b), a.len() * b.len()) && a.dot(b) < 0;
    }

    bool isSimple() const {
        for (std::size_t i = 0; i < numEdges(); ++i) {
            if (foldsBack(i, (i + 1) % numEdges())) return false;
            for (std::size_t j = i + 1; j < numEdges(); ++j) {
                if (areNeighbours(i, j)) continue;
                if (doSegmentsMeet(edgeStart(i), edgeEnd(i), edgeStart(j), edgeEnd(j)))
                    return false;
            }
        }
        return true;
    }

    // Even-odd rule, which for a simple polygon is the winding rule.
    bool isEnclosed(const Point& p) const {
        bool inside = false;
        for (std::size_t i = 0; i < numEdges(); ++i) {
            const Point& a = edgeStart(i);
            const Point& b = edgeEnd(i);
            if ((a.y() > p.y()) == (b.y() > p.y())) continue;
            const double crossingX = a.x() + (p.y() - a.y()) * (b.x() - a.x()) / (b.y() - a.y());
            if (p.x() < crossingX) inside = !inside;
        }
        return inside;
    }

    std::vector<Point> v_;
};

Point pointAt(const ccShape& shape, double arcLength) {
    Point point;
    ccRadian tangent;
    shape.perimPointAndTangent(ccPerimPos(0, arcLength), point, tangent);
    return point;
}

// The vertices, in travel order and with a closed polyline's first vertex
// repeated at the end, of a shape made of straight edges; empty for any other
// shape.
std::vector<Point> straightPath(const ccShape& shape) {
    if (const auto* segment = dynamic_cast<const ccLineSeg*>(&shape))
        return {segment->p1(), segment->p2()};
    if (const auto* polyline = dynamic_cast<const ccPolyline*>(&shape)) {
        std::vector<Point> path = polyline->vertices();
        if (polyline->isClosed() && !path.empty()) path.push_back(path.front());
        return path;
    }
    return {};
}

// Arc lengths where a straight path meets the region's boundary.
std::vector<double> straightPathMeetings(const std::vector<Point>& path, const ClipRegion& region) {
    std::vector<double> meetings;
    std::vector<double> params;
    double edgeStartLength = 0.0;
    for (std::size_t k = 0; k + 1 < path.size(); ++k) {
        const double length = (path[k + 1] - path[k]).len();
        if (length > cc_tol::kCoincident) {
            for (std::size_t i = 0; i < region.numEdges(); ++i) {
                params.clear();
                addMeetings(path[k], path[k + 1], region.edgeStart(i), region.edgeEnd(i), params);
                for (double t : params) meetings.push_back(edgeStartLength + t * length);
            }
        }
        edgeStartLength += length;
    }
    return meetings;
}

// The arc length between `lo` and `hi`, whose points lie on opposite sides of
// the boundary (`loCovered` tells which), where the shape passes it. Refined
// to a quarter of cc_tol::kCoincident, so that the two crossings found on
// either side of a probe that happens to hit a touching point merge.
double refineCrossing(const ccShape& shape, const ClipRegion& region, double lo, double hi,
                      bool loCovered) {
    while (hi - lo > cc_tol::kCoincident / 4) {
        const double mid = lo + (hi - lo) / 2;
        if (mid <= lo || mid >= hi) break;  // no double left between them
        if (region.covers(pointAt(shape, mid)) == loCovered) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return lo + (hi - lo) / 2;
}

// A probe of a curve: an arc length, its point and whether that is covered.
struct Probe {
    double at;
    Point point;
    bool covered;
};

Probe probeAt(const ccShape& shape, double at, const ClipRegion& region) {
    const Point point = pointAt(shape, at);
    return Probe{at, point, region.covers(point)};
}

// Appends the crossings of the curve between probes `a` and `b`. The chord
// between them stands in for the curve: where it meets no edge and both ends
// agree, nothing crosses; where the ends differ and the chord meets one edge
// once, there is one crossing to refine; anything else (a vertex, a dip out
// and back) is split in halves, at most `depth` times, after which an end
// change still gives its one crossing and a touch gives none.
void addCrossingsBetween(const ccShape& shape, const ClipRegion& region, const Probe& a,
                         const Probe& b, long depth, std::vector<double>& crossings) {
    const long meetings = region.chordMeetings(a.point, b.point);
    const bool endsDiffer = a.covered != b.covered;
    if (meetings == 0 && !endsDiffer) return;
    if (endsDiffer && (meetings == 1 || depth == 0)) {
        crossings.push_back(refineCrossing(shape, region, a.at, b.at, a.covered));
        return;
    }
    if (depth == 0) return;
    const Probe middle = probeAt(shape, a.at + (b.at - a.at) / 2, region);
    addCrossingsBetween(shape, region, a, middle, depth - 1, crossings);
    addCrossingsBetween(shape, region, middle, b, depth - 1, crossings);
}

// Arc lengths where a curve passes the region's boundary: the curve is
// followed by cc_tol::kClipChords chords, and every chord that meets the
// boundary or whose ends disagree is searched further.
std::vector<double> curveCrossings(const ccShape& shape, double perimeter,
                                   const ClipRegion& region) {
    std::vector<double> crossings;
    Probe previous = probeAt(shape, 0.0, region);
    for (long i = 1; i <= cc_tol::kClipChords; ++i) {
        const double at =
            perimeter * static_cast<double>(i) / static_cast<double>(cc_tol::kClipChords);
        const Probe next = probeAt(shape, at, region);
        addCrossingsBetween(shape, region, previous, next, cc_tol::kClipChordSplits, crossings);
        previous = next;
    }
    return crossings;
}

std::vector<double> boundaryMeetings(const ccShape& shape, const std::vector<Point>& path,
                                     double perimeter, const ClipRegion& region) {
    return path.empty() ? curveCrossings(shape, perimeter, region)
                        : straightPathMeetings(path, region);
}

// A stretch of the shape between two arc lengths, wholly inside or wholly
// outside the region.
struct Span {
    double from;
    double to;
    bool inside;
};

// The marks 0 < m1 < ... < perimeter that cut the shape, meetings closer than
// cc_tol::kCoincident to a mark before them (or to an end) dropped.
std::vector<double> spanMarks(std::vector<double> meetings, double perimeter) {
    std::sort(meetings.begin(), meetings.end());
    std::vector<double> marks{0.0};
    for (double m : meetings) {
        if (m - marks.back() > cc_tol::kCoincident && perimeter - m > cc_tol::kCoincident)
            marks.push_back(m);
    }
    marks.push_back(perimeter);
    return marks;
}

// Where, as shares of a span's length, a curve span whose middle lies on the
// boundary is probed once more; off-centre (golden section) so that the
// symmetric touches of a curve inscribed in the region do not all meet them.
constexpr double kOffCentreProbes[] = {0.381966, 0.618034};

// Whether the stretch between `from` and `to` lies inside. A straight piece
// whose middle is on the boundary runs along an edge and is inside. A curve
// can only touch the boundary: one that stays within cc_tol::kCoincident of
// it, as near a tangent from outside, is outside.
bool isSpanInside(const ccShape& shape, double from, double to, const ClipRegion& region,
                  bool straight) {
    const double length = to - from;
    const Point middle = pointAt(shape, from + length / 2);
    if (!region.covers(middle)) return false;
    if (straight || !region.isOnBoundary(middle)) return true;
    for (double share : kOffCentreProbes) {
        if (region.isInterior(pointAt(shape, from + share * length))) return true;
    }
    return false;
}

// The shape as alternating inside and outside spans: each stretch between
// marks is judged on its own, and neighbours that agree are joined.
std::vector<Span> classifySpans(const ccShape& shape, const std::vector<double>& marks,
                                const ClipRegion& region, bool straight) {
    std::vector<Span> spans;
    for (std::size_t k = 0; k + 1 < marks.size(); ++k) {
        const bool inside = isSpanInside(shape, marks[k], marks[k + 1], region, straight);
        if (!spans.empty() && spans.back().inside == inside) {
            spans.back().to = marks[k + 1];
        } else {
            spans.push_back(Span{marks[k], marks[k + 1], inside});
        }
    }
    return spans;
}

// A region's boundary returns to its start; the pieces of an open curve (a
// full-turn arc included) keep within its two ends.
bool isClosedPath(const ccShape& shape) {
    return shape.isRegion();
}

// Whether the shape's first and last spans are the two halves of one inside
// piece that runs across the start point.
bool isInsideAcrossStart(const std::vector<Span>& spans, bool closed) {
    return closed && spans.size() > 1 && spans.front().inside && spans.back().inside;
}

void recordCuts(const std::vector<Span>& spans, bool closed, ccClipInfo& info) {
    if (closed && spans.front().inside != spans.back().inside) info.addCut(0.0);
    for (std::size_t k = 0; k + 1 < spans.size(); ++k) info.addCut(spans[k].to);
    for (const Span& span : spans) {
        if (!span.inside) info.anythingRemoved(true);
    }
}

ccPtrHandle<ccShape> pieceOf(const ccShape& shape, const ccShapeInfo& shapeInfo, double from,
                             double length) {
    return shape.subShape(shapeInfo, std::make_pair(ccPerimPos(0, from), length));
}

ccPtrHandle<ccShape> joinedArc(const ccEllipseArc2& first, const ccEllipseArc2& second) {
    const ccEllipse2& curve = first.ellipse();
    const ccEllipse2& other = second.ellipse();
    const bool sameCurve = curve.center() == other.center() && curve.radii() == other.radii() &&
                           curve.angle() == other.angle();
    if (!sameCurve || first.direction() != second.direction()) return {};
    return cfMakeHandle<ccEllipseArc2>(curve, first.phiStart(), first.phiSpan() + second.phiSpan());
}

ccPtrHandle<ccShape> joinedPolyline(const ccPolyline& first, const ccPolyline& second) {
    if (first.isClosed() || second.isClosed() || second.vertices().empty()) return {};
    std::vector<Point> vertices = first.vertices();
    vertices.insert(vertices.end(), second.vertices().begin() + 1, second.vertices().end());
    return cfMakeHandle<ccPolyline>(vertices, false);
}

// `first` continued by `second`, which starts where it ends, as one shape
// where the pieces' type can hold it (arcs of one ellipse, polylines); an
// empty handle otherwise.
ccPtrHandle<ccShape> joinedPiece(const ccShape& first, const ccShape& second) {
    if (!areCoincident(first.endPoint(), second.startPoint())) return {};
    const auto* firstArc = dynamic_cast<const ccEllipseArc2*>(&first);
    const auto* secondArc = dynamic_cast<const ccEllipseArc2*>(&second);
    if (firstArc && secondArc) return joinedArc(*firstArc, *secondArc);
    const auto* firstPolyline = dynamic_cast<const ccPolyline*>(&first);
    const auto* secondPolyline = dynamic_cast<const ccPolyline*>(&second);
    if (firstPolyline && secondPolyline) return joinedPolyline(*firstPolyline, *secondPolyline);
    return {};
}

ccPtrHandle<ccShape> gatherPieces(const std::vector<ccPtrHandle<ccShape>>& pieces) {
    if (pieces.size() == 1) return pieces.front();
    auto tree = cfMakeHandle<ccGeneralShapeTree>();
    for (const ccPtrHandle<ccShape>& piece : pieces) tree->addChild(piece, true);
    return tree;
}

ccPtrHandle<ccShape> insidePieces(const ccShape& shape, const std::vector<Span>& spans,
                                  bool closed) {
    const ccShapeInfo shapeInfo(shape);
    const auto pieceOfSpan = [&](const Span& span) {
        return pieceOf(shape, shapeInfo, span.from, span.to - span.from);
    };
    std::vector<ccPtrHandle<ccShape>> pieces;
    for (const Span& span : spans) {
        if (span.inside) pieces.push_back(pieceOfSpan(span));
    }
    if (isInsideAcrossStart(spans, closed)) {
        ccPtrHandle<ccShape> across = joinedPiece(*pieces.back(), *pieces.front());
        if (across) {
            pieces.erase(pieces.begin());
            pieces.back() = across;
        }
    }
    return gatherPieces(pieces);
}

ccPtrHandle<ccShape> emptyResult() {
    return cfMakeHandle<ccGeneralShapeTree>();
}

// A shape without length is one point: kept or dropped whole.
ccPtrHandle<ccShape> clipPoint(const ccShape& shape, const ClipRegion& region, ccClipInfo& info) {
    if (region.covers(shape.startPoint())) return shape.clone();
    info.anythingRemoved(true);
    return emptyResult();
}

// Shapes of several pieces or loops (a rectangle, an annulus) are clipped as
// their decomposition, whose clip cuts each piece by its own rules; a shape
// nothing is removed from comes back whole.
ccPtrHandle<ccShape> clipDecomposition(const ccShape& shape, const ccPolyline& region,
                                       ccClipInfo& info) {
    const ccPtrHandle<ccShape> parts = shape.decompose();
    const bool isTree = dynamic_cast<const ccShapeTree*>(parts.get()) != nullptr;
    if (!isTree && !parts->isDecomposed()) {
        throw ccShapesError::BadParams(
            L"clip: the shape decomposes into neither a tree nor primitives");
    }
    ccPtrHandle<ccShape> clipped =
        isTree ? parts->clip(region, info) : cfClipPrimitive(*parts, region, info);
    return info.anythingRemoved() ? clipped : shape.clone();
}

bool isMadeOfParts(const ccShape& shape) {
    return !shape.isDecomposed() && straightPath(shape).empty();
}

// Where a shape lies as far as its bounding box tells.
enum class BoxPlace { inside, outside, across };

// The box is inside when no edge meets its sides and a corner is covered,
// outside when no edge meets its sides and it holds no vertex of the region;
// otherwise the shape must be followed.
BoxPlace placeOfBox(const ccRect& box, const ClipRegion& region) {
    for (int i = 0; i < 4; ++i) {
        if (region.isMetBy(box.corner(i), box.corner((i + 1) % 4))) return BoxPlace::across;
    }
    if (region.covers(box.corner(0))) return BoxPlace::inside;
    return region.hasVertexIn(box) ? BoxPlace::across : BoxPlace::outside;
}

ccPtrHandle<ccShape> clipCurve(const ccShape& shape, const ClipRegion& region, ccClipInfo& info) {
    const double perimeter = shape.perimeter();
    if (perimeter <= cc_tol::kCoincident) return clipPoint(shape, region, info);
    const BoxPlace place = placeOfBox(shape.boundingBox(), region);
    if (place == BoxPlace::inside) return shape.clone();
    if (place == BoxPlace::outside) {
        info.anythingRemoved(true);
        return emptyResult();
    }
    const bool closed = isClosedPath(shape);
    const std::vector<Point> path = straightPath(shape);
    const std::vector<double> marks =
        spanMarks(boundaryMeetings(shape, path, perimeter, region), perimeter);
    const std::vector<Span> spans = classifySpans(shape, marks, region, !path.empty());
    recordCuts(spans, closed, info);
    if (!info.anythingRemoved()) return shape.clone();
    if (spans.size() == 1) return emptyResult();
    return insidePieces(shape, spans, closed);
}

bool isInfiniteLine(const ccShape& shape) {
    return dynamic_cast<const ccLine*>(&shape) != nullptr ||
           dynamic_cast<const ccFLine*>(&shape) != nullptr;
}

// A line is clipped as its chord across the region's extent: the segment
// between the outermost projections of the region's vertices onto it. Offsets
// along the line count from its reference point (its offset 0), and an end of
// the chord that lies on the boundary is a cut of the line too.
ccPtrHandle<ccShape> clipInfiniteLine(const ccShape& line, const ClipRegion& region,
                                      ccClipInfo& info) {
    if (!isInfiniteLine(line)) {
        throw ccShapesError::InfiniteExtent(
            L"clip: only straight lines of infinite extent can be clipped");
    }
    Point origin;
    ccRadian tangent;
    line.perimPointAndTangent(ccPerimPos(0, 0.0), origin, tangent);
    const Point direction = Point::polar(tangent.toDouble());
    double lo = HUGE_VAL;
    double hi = -HUGE_VAL;
    for (std::size_t i = 0; i < region.numEdges(); ++i) {
        const double along = (region.edgeStart(i) - origin).dot(direction);
        lo = std::min(lo, along);
        hi = std::max(hi, along);
    }
    const ccLineSeg chord(origin + direction * lo, origin + direction * hi);
    ccClipInfo chordInfo;
    ccPtrHandle<ccShape> clipped = clipCurve(chord, region, chordInfo);
    if (region.covers(chord.p1())) info.addCut(lo);
    for (double cut : chordInfo.cutOffsets()) info.addCut(lo + cut);
    if (region.covers(chord.p2())) info.addCut(hi);
    info.anythingRemoved(true);
    return clipped;
}

}  // namespace

void cfCheckClipRegion(const ccPolyline& region) {
    ClipRegion checked(region);
}

ccPtrHandle<ccShape> cfClipPrimitive(const ccShape& shape, const ccPolyline& region,
                                     ccClipInfo& info) {
    const ClipRegion checked(region);
    ccClipInfo result;
    ccPtrHandle<ccShape> clipped;
    if (shape.isEmpty()) {
        clipped = emptyResult();
    } else if (isMadeOfParts(shape)) {
        clipped = clipDecomposition(shape, region, result);
    } else if (!shape.isFinite()) {
        clipped = clipInfiniteLine(shape, checked, result);
    } else {
        clipped = clipCurve(shape, checked, result);
    }
    info = result;
    return clipped;
}
