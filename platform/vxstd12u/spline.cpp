#include "vxstd12u/spline.h"

#include "vxstd12u/archiveform.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/str.h"
#include "vxstd12u/tolerances.h"

namespace {

void requireSplinePoints(const ccPointList& points, bool closed, size_t fewestClosed,
                         const char* what) {
    const size_t fewest = closed ? fewestClosed : 2;
    if (points.size() < fewest) {
        throw ccShapesError::BadParams(std::wstring(closed ? L"a closed" : L"an open") +
                                       L" spline needs at least " +
                                       cfStr(static_cast<long>(fewest)) + L" points, got " +
                                       cfStr(static_cast<long>(points.size())));
    }
    for (const ccVector<2>& p : points) cfRequireFinite(p, what);
}

// The same sequence for a spline running the other way: reversed when open;
// when closed, element 0 stays first and element i moves to n - i.
template <class T>
std::vector<T> reversedSequence(const std::vector<T>& v, bool closed) {
    std::vector<T> r(v.rbegin(), v.rend());
    if (closed && !r.empty()) std::rotate(r.rbegin(), r.rbegin() + 1, r.rend());
    return r;
}

ccPointList mappedPoints(const ccPointList& points, const ccXform<2>& xform) {
    ccPointList out;
    out.reserve(points.size());
    for (const ccVector<2>& p : points) out.push_back(xform.mapPoint(p));
    return out;
}

// The cubic from p0 to p1 with derivatives d0 and d1 over a knot span `span`.
ccCubicSegment hermiteSegment(const ccVector<2>& p0, const ccVector<2>& d0, const ccVector<2>& p1,
                              const ccVector<2>& d1, double span) {
    ccCubicSegment s;
    s.points = {{p0, p0 + d0 * (span / 3.0), p1 - d1 * (span / 3.0), p1}};
    return s;
}

// The uniform B-spline piece of four consecutive control points, in Bezier form.
ccCubicSegment bSplineSegment(const ccVector<2>& a, const ccVector<2>& b, const ccVector<2>& c,
                              const ccVector<2>& d) {
    ccCubicSegment s;
    s.points = {{(a + b * 4.0 + c) / 6.0, (b * 2.0 + c) / 3.0, (b + c * 2.0) / 3.0,
                 (b + c * 4.0 + d) / 6.0}};
    return s;
}

ccCubicPath bSplinePath(const ccPointList& points, bool closed) {
    if (points.empty()) return ccCubicPath();
    ccPointList extended;
    if (closed) {
        extended.push_back(points.back());
        extended.insert(extended.end(), points.begin(), points.end());
        extended.push_back(points[0]);
        extended.push_back(points[1]);
    } else {
        const size_t n = points.size();
        extended.push_back(points[0] * 2.0 - points[1]);
        extended.insert(extended.end(), points.begin(), points.end());
        extended.push_back(points[n - 1] * 2.0 - points[n - 2]);
    }
    std::vector<ccCubicSegment> segments;
    for (size_t i = 0; i + 3 < extended.size(); ++i) {
        segments.push_back(
            bSplineSegment(extended[i], extended[i + 1], extended[i + 2], extended[i + 3]));
    }
    return ccCubicPath(std::move(segments), closed);
}

// Solves the tridiagonal system sub[i] x[i-1] + diag[i] x[i] + super[i] x[i+1]
// = rhs[i] (Thomas' algorithm; the systems here are diagonally dominant).
template <class V>
std::vector<V> solveTridiagonal(const std::vector<double>& sub, std::vector<double> diag,
                                const std::vector<double>& super, std::vector<V> rhs) {
    const size_t n = diag.size();
    for (size_t i = 1; i < n; ++i) {
        const double m = sub[i] / diag[i - 1];
        diag[i] -= m * super[i - 1];
        rhs[i] = rhs[i] - rhs[i - 1] * m;
    }
    rhs[n - 1] = rhs[n - 1] / diag[n - 1];
    for (size_t i = n - 1; i-- > 0;) rhs[i] = (rhs[i] - rhs[i + 1] * super[i]) / diag[i];
    return rhs;
}

// Derivatives at the points of the interpolating cubic: the equations
// d[i-1] + 4 d[i] + d[i+1] = 3 (p[i+1] - p[i-1]) of a twice differentiable
// curve, closed round the loop (solved as a tridiagonal system corrected by
// the Sherman-Morrison formula) or with natural ends.
ccPointList interpolationDerivatives(const ccPointList& p, bool closed) {
    const size_t n = p.size();
    std::vector<double> sub(n, 1.0), diag(n, 4.0), super(n, 1.0);
    ccPointList rhs(n);
    if (!closed) {
        diag.front() = diag.back() = 2.0;
        rhs.front() = (p[1] - p[0]) * 3.0;
        rhs.back() = (p[n - 1] - p[n - 2]) * 3.0;
        for (size_t i = 1; i + 1 < n; ++i) rhs[i] = (p[i + 1] - p[i - 1]) * 3.0;
        return solveTridiagonal(sub, diag, super, rhs);
    }
    for (size_t i = 0; i < n; ++i) rhs[i] = (p[(i + 1) % n] - p[(i + n - 1) % n]) * 3.0;
    // The corner entries A[n-1][0] = A[0][n-1] = 1 move into a rank-one update.
    const double gamma = -diag[0];
    diag[0] -= gamma;
    diag[n - 1] -= 1.0 / gamma;
    const ccPointList x = solveTridiagonal(sub, diag, super, rhs);
    std::vector<double> u(n, 0.0);
    u[0] = gamma;
    u[n - 1] = 1.0;
    const std::vector<double> z = solveTridiagonal(sub, diag, super, u);
    const ccVector<2> factor = (x[0] + x[n - 1] / gamma) / (1.0 + z[0] + z[n - 1] / gamma);
    ccPointList d(n);
    for (size_t i = 0; i < n; ++i) d[i] = x[i] - factor * z[i];
    return d;
}

ccCubicPath interpolationPath(const ccPointList& points, bool closed) {
    if (points.empty()) return ccCubicPath();
    const ccPointList d = interpolationDerivatives(points, closed);
    const size_t n = points.size();
    std::vector<ccCubicSegment> segments;
    for (size_t i = 0; i + 1 < n + (closed ? 1 : 0); ++i) {
        const size_t j = (i + 1) % n;
        segments.push_back(hermiteSegment(points[i], d[i], points[j], d[j], 1.0));
    }
    return ccCubicPath(std::move(segments), closed);
}

std::vector<double> defaultKnots(size_t numPoints, bool closed) {
    std::vector<double> knots(numPoints == 0 ? 0 : numPoints + (closed ? 1 : 0));
    std::iota(knots.begin(), knots.end(), 0.0);
    return knots;
}

void requireHermiteParams(const ccPointList& points, const ccPointList& tangents,
                          const std::vector<double>& knots, bool closed) {
    requireSplinePoints(points, closed, 2, "Hermite spline point");
    if (tangents.size() != points.size()) {
        throw ccShapesError::BadParams(L"a Hermite spline needs one tangent per point");
    }
    for (const ccVector<2>& t : tangents) cfRequireFinite(t, "Hermite spline tangent");
    if (knots.size() != points.size() + (closed ? 1 : 0)) {
        throw ccShapesError::BadParams(
            L"a Hermite spline needs one knot per point, and one more when closed");
    }
    for (size_t i = 0; i < knots.size(); ++i) {
        cfRequireFinite(knots[i], "Hermite spline knot");
        if (i > 0 && !(knots[i] > knots[i - 1])) {
            throw ccShapesError::BadParams(L"Hermite spline knots must strictly increase");
        }
    }
}

ccCubicPath hermitePath(const ccPointList& points, const ccPointList& tangents,
                        const std::vector<double>& knots, bool closed) {
    if (points.empty()) return ccCubicPath();
    const size_t n = points.size();
    std::vector<ccCubicSegment> segments;
    for (size_t i = 0; i + 1 < knots.size(); ++i) {
        const size_t j = (i + 1) % n;
        segments.push_back(hermiteSegment(points[i], tangents[i], points[j], tangents[j],
                                          knots[i + 1] - knots[i]));
    }
    return ccCubicPath(std::move(segments), closed);
}

bool isSamePlace(const ccCubicPlace& a, const ccCubicPlace& b) {
    return a.segment == b.segment && a.t == b.t;
}

}  // namespace

// ---- ccCubicSpline ----

ccVector<2> ccCubicSpline::pointAt(double u) const {
    const long n = numSegments();
    u = std::clamp(u, 0.0, static_cast<double>(n));
    const long i = std::min(static_cast<long>(std::floor(u)), std::max(n - 1, 0L));
    return path_.pointAt({i, u - static_cast<double>(i)});
}

bool ccCubicSpline::within(const ccVector<2>& p) const {
    if (!isClosed()) throw ccShapesError::NotRegion(L"an open spline bounds no region");
    if ((nearestPoint(p) - p).len() <= cc_tol::kCoincident) return true;
    return std::fabs(windingAngle(p)) > ccPi;
}

ccRect ccCubicSpline::boundingBox() const {
    ccVector<2> lower, upper;
    path_.bounds(lower, upper);
    return ccRect(lower, upper - lower);
}

ccVector<2> ccCubicSpline::nearestPoint(const ccVector<2>& p) const {
    return path_.pointAt(path_.nearestPlace(p));
}

ccPerimPos ccCubicSpline::nearestPerimPos(const ccVector<2>& p) const {
    return ccPerimPos(0, path_.lengthAt(path_.nearestPlace(p)));
}

void ccCubicSpline::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                         ccRadian& tangent) const {
    cfRequireOwnNode(pos, "spline");
    const ccCubicPlace place = path_.placeAtLength(pos.offset());
    point = path_.pointAt(place);
    tangent = path_.tangentAt(place);
}

ccPtrHandle<ccShape> ccCubicSpline::pieceBetween_(double from, double to) const {
    if (std::isnan(from) || std::isnan(to) || from > to) {
        throw ccShapesError::BadParams(L"a spline piece needs from <= to, got " + cfStr(from) +
                                       L" and " + cfStr(to));
    }
    ccCubicPlace a = path_.placeAtLength(from), b = path_.placeAtLength(to);
    // A cut on a joint belongs to the piece inside the range, so that no knot
    // interval of the result is empty.
    if (a.t >= 1.0 && a.segment + 1 < numSegments()) a = {a.segment + 1, 0.0};
    if (b.t <= 0.0 && b.segment > a.segment) b = {b.segment - 1, 1.0};

    std::vector<double> knotStart(1, 0.0);
    for (long i = 0; i < numSegments(); ++i) knotStart.push_back(knotStart.back() + knotSpan_(i));
    auto knotAt = [&](const ccCubicPlace& q) {
        return knotStart[static_cast<size_t>(q.segment)] + q.t * knotSpan_(q.segment);
    };
    auto derivativeAt = [&](const ccCubicPlace& q) {
        return path_.segment(q.segment).derivativeAt(q.t) / knotSpan_(q.segment);
    };

    if (isSamePlace(a, b) || !(knotAt(b) > knotAt(a))) {
        const ccVector<2> p = path_.pointAt(a);
        return cloneThat_(ccHermiteSpline({p, p}, {ccVector<2>(), ccVector<2>()}, false));
    }
    ccPointList points{path_.pointAt(a)}, tangents{derivativeAt(a)};
    std::vector<double> knots{knotAt(a)};
    for (long k = a.segment + 1; k <= b.segment; ++k) {
        points.push_back(path_.segment(k).points[0]);
        tangents.push_back(derivativeAt({k, 0.0}));
        knots.push_back(knotStart[static_cast<size_t>(k)]);
    }
    points.push_back(path_.pointAt(b));
    tangents.push_back(derivativeAt(b));
    knots.push_back(knotAt(b));
    return cloneThat_(ccHermiteSpline(points, tangents, knots, false));
}

// ---- ccDeBoorSpline ----

ccDeBoorSpline::ccDeBoorSpline(const ccPointList& controlPoints, bool closed) {
    assign(controlPoints, closed);
}

void ccDeBoorSpline::assign(const ccPointList& points, bool closed) {
    requireSplinePoints(points, closed, 3, "B-spline control point");
    ccCubicPath path = bSplinePath(points, closed);
    points_ = points;
    closed_ = closed;
    curve_(std::move(path));
}

void ccDeBoorSpline::controlPoints(const ccPointList& points) {
    requireSplinePoints(points, closed_, 3, "B-spline control point");
    noticeChange_();
    assign(points, closed_);
}

void ccDeBoorSpline::closed(bool closed) {
    requireSplinePoints(points_, closed, 3, "B-spline control point");
    noticeChange_();
    assign(points_, closed);
}

ccPtrHandle<ccShape> ccDeBoorSpline::clone() const {
    return cfMakeHandle<ccDeBoorSpline>(*this);
}

ccPtrHandle<ccShape> ccDeBoorSpline::mapShape(const ccXform<2>& xform) const {
    if (points_.empty()) return clone();
    return cfMakeHandle<ccDeBoorSpline>(mappedPoints(points_, xform), closed_);
}

ccPtrHandle<ccShape> ccDeBoorSpline::reverse() const {
    if (points_.empty()) return clone();
    return cfMakeHandle<ccDeBoorSpline>(reversedSequence(points_, closed_), closed_);
}

bool ccDeBoorSpline::equal_(const ccShape& other) const {
    const auto* spline = dynamic_cast<const ccDeBoorSpline*>(&other);
    return spline && spline->points_ == points_ && spline->closed_ == closed_;
}

// ---- ccInterpSpline ----

ccInterpSpline::ccInterpSpline(const ccPointList& points, bool closed) {
    assign(points, closed);
}

void ccInterpSpline::assign(const ccPointList& points, bool closed) {
    requireSplinePoints(points, closed, 3, "interpolation point");
    ccCubicPath path = interpolationPath(points, closed);
    points_ = points;
    closed_ = closed;
    curve_(std::move(path));
}

void ccInterpSpline::points(const ccPointList& points) {
    requireSplinePoints(points, closed_, 3, "interpolation point");
    noticeChange_();
    assign(points, closed_);
}

void ccInterpSpline::closed(bool closed) {
    requireSplinePoints(points_, closed, 3, "interpolation point");
    noticeChange_();
    assign(points_, closed);
}

ccPtrHandle<ccShape> ccInterpSpline::clone() const {
    return cfMakeHandle<ccInterpSpline>(*this);
}

ccPtrHandle<ccShape> ccInterpSpline::mapShape(const ccXform<2>& xform) const {
    if (points_.empty()) return clone();
    return cfMakeHandle<ccInterpSpline>(mappedPoints(points_, xform), closed_);
}

ccPtrHandle<ccShape> ccInterpSpline::reverse() const {
    if (points_.empty()) return clone();
    return cfMakeHandle<ccInterpSpline>(reversedSequence(points_, closed_), closed_);
}

bool ccInterpSpline::equal_(const ccShape& other) const {
    const auto* spline = dynamic_cast<const ccInterpSpline*>(&other);
    return spline && spline->points_ == points_ && spline->closed_ == closed_;
}

// ---- ccHermiteSpline ----

ccHermiteSpline::ccHermiteSpline(const ccPointList& points, const ccPointList& tangents,
                                 bool closed)
    : ccHermiteSpline(points, tangents, defaultKnots(points.size(), closed), closed) {}

ccHermiteSpline::ccHermiteSpline(const ccPointList& points, const ccPointList& tangents,
                                 const std::vector<double>& knots, bool closed) {
    assign(points, tangents, knots, closed);
}

void ccHermiteSpline::assign(const ccPointList& points, const ccPointList& tangents,
                             const std::vector<double>& knots, bool closed) {
    requireHermiteParams(points, tangents, knots, closed);
    ccCubicPath path = hermitePath(points, tangents, knots, closed);
    points_ = points;
    tangents_ = tangents;
    knots_ = knots;
    closed_ = closed;
    curve_(std::move(path));
}

void ccHermiteSpline::set(const ccPointList& points, const ccPointList& tangents,
                          const std::vector<double>& knots, bool closed) {
    requireHermiteParams(points, tangents, knots, closed);
    noticeChange_();
    assign(points, tangents, knots, closed);
}

double ccHermiteSpline::knotSpan_(long segment) const {
    const auto i = static_cast<size_t>(segment);
    return knots_.at(i + 1) - knots_.at(i);
}

ccPtrHandle<ccShape> ccHermiteSpline::clone() const {
    return cfMakeHandle<ccHermiteSpline>(*this);
}

ccPtrHandle<ccShape> ccHermiteSpline::mapShape(const ccXform<2>& xform) const {
    if (points_.empty()) return clone();
    ccPointList tangents;
    for (const ccVector<2>& t : tangents_) tangents.push_back(xform.mapVector(t));
    return cfMakeHandle<ccHermiteSpline>(mappedPoints(points_, xform), tangents, knots_, closed_);
}

ccPtrHandle<ccShape> ccHermiteSpline::reverse() const {
    if (points_.empty()) return clone();
    ccPointList tangents = reversedSequence(tangents_, closed_);
    for (ccVector<2>& t : tangents) t = -t;
    std::vector<double> knots(knots_.rbegin(), knots_.rend());
    for (double& k : knots) k = -k;
    return cfMakeHandle<ccHermiteSpline>(reversedSequence(points_, closed_), tangents, knots,
                                         closed_);
}

bool ccHermiteSpline::equal_(const ccShape& other) const {
    const auto* spline = dynamic_cast<const ccHermiteSpline*>(&other);
    return spline && spline->points_ == points_ && spline->tangents_ == tangents_ &&
           spline->knots_ == knots_ && spline->closed_ == closed_;
}

// ---- archive form of ccDeBoorSpline

namespace {
const cc_Instantiator kccDeBoorSplineExemplar(typeid(ccDeBoorSpline), &ccDeBoorSpline::make);
}  // namespace

ccPersistent* ccDeBoorSpline::make() {
    return new ccDeBoorSpline;
}

void ccDeBoorSpline::exchangeParams(ccArchive& ar) {
    ccPointList points = points_;
    bool closed = closed_;
    ar || points || closed;
    if (!ar.isLoading()) return;
    const ccDeBoorSpline loaded =
        cfValidLoaded("ccDeBoorSpline", [&] { return ccDeBoorSpline(points, closed); });
    noticeChange_();
    *this = loaded;
}

void ccDeBoorSpline::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/spline", 1, [&] { exchangeParams(ar); });
}

// ---- archive form of ccInterpSpline

namespace {
const cc_Instantiator kccInterpSplineExemplar(typeid(ccInterpSpline), &ccInterpSpline::make);
}  // namespace

ccPersistent* ccInterpSpline::make() {
    return new ccInterpSpline;
}

void ccInterpSpline::exchangeParams(ccArchive& ar) {
    ccPointList points = points_;
    bool closed = closed_;
    ar || points || closed;
    if (!ar.isLoading()) return;
    const ccInterpSpline loaded =
        cfValidLoaded("ccInterpSpline", [&] { return ccInterpSpline(points, closed); });
    noticeChange_();
    *this = loaded;
}

void ccInterpSpline::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/spline", 2, [&] { exchangeParams(ar); });
}

// ---- archive form of ccHermiteSpline

namespace {
const cc_Instantiator kccHermiteSplineExemplar(typeid(ccHermiteSpline), &ccHermiteSpline::make);
}  // namespace

ccPersistent* ccHermiteSpline::make() {
    return new ccHermiteSpline;
}

void ccHermiteSpline::exchangeParams(ccArchive& ar) {
    ccPointList points = points_, tangents = tangents_;
    std::vector<double> knots = knots_;
    bool closed = closed_;
    ar || points || tangents || knots || closed;
    if (!ar.isLoading()) return;
    const ccHermiteSpline loaded = cfValidLoaded(
        "ccHermiteSpline", [&] { return ccHermiteSpline(points, tangents, knots, closed); });
    noticeChange_();
    *this = loaded;
}

void ccHermiteSpline::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/spline", 3, [&] { exchangeParams(ar); });
}
