#include "vxstd12u/cubicpath.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "vxstd12u/arclength.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/tolerances.h"

namespace {

// A control point in homogeneous form (w x, w y, w), so that rational pieces
// split with the same affine rule as polynomial ones.
struct Homogeneous {
    double x, y, w;
};

Homogeneous lerp(const Homogeneous& a, const Homogeneous& b, double t) noexcept {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.w + (b.w - a.w) * t};
}

using Hull = std::array<Homogeneous, 4>;

Hull toHomogeneous(const ccCubicSegment& s) noexcept {
    Hull h{};
    for (size_t i = 0; i < 4; ++i) {
        const double w = s.weights[i];
        h[i] = {s.points[i].x() * w, s.points[i].y() * w, w};
    }
    return h;
}

// The control points of the parts [0, t] (`left`) and [t, 1] (`right`).
void splitHull(const Hull& h, double t, Hull& left, Hull& right) noexcept {
    const Homogeneous a = lerp(h[0], h[1], t), b = lerp(h[1], h[2], t), c = lerp(h[2], h[3], t);
    const Homogeneous d = lerp(a, b, t), e = lerp(b, c, t);
    const Homogeneous f = lerp(d, e, t);
    left = {h[0], a, d, f};
    right = {f, e, c, h[3]};
}

// Polynomial pieces keep weight exactly 1: the homogeneous weights are 1 in
// exact arithmetic, and dividing by a rounded 1 would only add error.
ccCubicSegment fromHomogeneous(const Hull& h, bool polynomial) noexcept {
    ccCubicSegment s;
    for (size_t i = 0; i < 4; ++i) {
        const double w = polynomial ? 1.0 : h[i].w;
        s.points[i] = ccVector<2>(h[i].x / w, h[i].y / w);
        s.weights[i] = w;
    }
    return s;
}

bool areDistinct(const ccVector<2>& a, const ccVector<2>& b) noexcept {
    return (b - a).len() > cc_tol::kCoincident;
}

using ccDirectionFunction = std::function<ccVector<2>(double)>;

// Steps of a direction's sweep are refined until each turns less than this,
// so that no full turn can hide between two probes of a cubic.
constexpr double kMaxSweepStep = ccPi / 8;
constexpr int kSweepPanels = 16;
constexpr int kMaxSweepDepth = 30;

double sweepStep(const ccDirectionFunction& direction, double a, double b, const ccVector<2>& va,
                 const ccVector<2>& vb, int depth) {
    const double turn = ccRadian(vb.angle() - va.angle()).signedNorm().toDouble();
    if (std::fabs(turn) <= kMaxSweepStep || depth >= kMaxSweepDepth) return turn;
    const double m = 0.5 * (a + b);
    const ccVector<2> vm = direction(m);
    return sweepStep(direction, a, m, va, vm, depth + 1) +
           sweepStep(direction, m, b, vm, vb, depth + 1);
}

// The signed angle through which `direction` turns as t runs over [0, 1].
double sweptAngle(const ccDirectionFunction& direction) {
    double total = 0.0;
    ccVector<2> previous = direction(0.0);
    for (int k = 0; k < kSweepPanels; ++k) {
        const double a = double(k) / kSweepPanels, b = double(k + 1) / kSweepPanels;
        const ccVector<2> next = direction(b);
        total += sweepStep(direction, a, b, previous, next, 0);
        previous = next;
    }
    return total;
}

// Five-point Gauss-Legendre on [-1, 1]: exact for polynomials up to degree 9.
constexpr double kGaussNodes[5] = {0.0, -0.5384693101056831, 0.5384693101056831,
                                   -0.9061798459386640, 0.9061798459386640};
constexpr double kGaussWeights[5] = {0.5688888888888889, 0.4786286704993665, 0.4786286704993665,
                                     0.2369268850561891, 0.2369268850561891};
constexpr int kAreaPanels = 16;

double areaOfSegment(const ccCubicSegment& s) {
    double area = 0.0;
    for (int k = 0; k < kAreaPanels; ++k) {
        const double mid = (k + 0.5) / kAreaPanels, half = 0.5 / kAreaPanels;
        for (int i = 0; i < 5; ++i) {
            const double t = mid + half * kGaussNodes[i];
            area += kGaussWeights[i] * half * s.pointAt(t).x() * s.derivativeAt(t).y();
        }
    }
    return area;
}

constexpr int kProbeCount = 64;
constexpr int kRefineIterations = 80;

// Parameters in [0, 1] where coordinate `axis` of the derivative changes sign.
std::vector<double> coordinateExtrema(const ccCubicSegment& s, int axis) {
    std::vector<double> found;
    auto slope = [&](double t) { return s.derivativeAt(t)[axis]; };
    double a = 0.0, fa = slope(a);
    for (int k = 1; k <= kProbeCount; ++k) {
        const double b = double(k) / kProbeCount, fb = slope(b);
        if ((fa < 0) != (fb < 0)) {
            double lo = a, hi = b;
            for (int i = 0; i < kRefineIterations; ++i) {
                const double m = 0.5 * (lo + hi);
                ((slope(m) < 0) == (fa < 0) ? lo : hi) = m;
            }
            found.push_back(0.5 * (lo + hi));
        }
        a = b;
        fa = fb;
    }
    return found;
}

constexpr int kPolishIterations = 8;

// The parameter in [lo, hi] nearest to `p`: golden-section search, which
// only narrows t to about the square root of the rounding error where the
// distance is flat, then Gauss-Newton steps on (c(t) - p) . c'(t) = 0,
// each kept only when it brings the point nearer.
double refineNearest(const ccCubicSegment& s, const ccVector<2>& p, double lo, double hi) {
    auto distanceSq = [&](double t) { return (s.pointAt(t) - p).lenSq(); };
    const double ratio = 0.5 * (std::sqrt(5.0) - 1.0);
    for (int i = 0; i < kRefineIterations && hi - lo > 0.0; ++i) {
        const double m1 = hi - ratio * (hi - lo), m2 = lo + ratio * (hi - lo);
        if (distanceSq(m1) <= distanceSq(m2)) {
            hi = m2;
        } else {
            lo = m1;
        }
    }
    double t = 0.5 * (lo + hi);
    for (int i = 0; i < kPolishIterations; ++i) {
        const ccVector<2> d = s.derivativeAt(t);
        if (!(d.lenSq() > 0.0)) break;
        const double next = std::clamp(t - (s.pointAt(t) - p).dot(d) / d.lenSq(), 0.0, 1.0);
        if (!(distanceSq(next) < distanceSq(t))) break;
        t = next;
    }
    return t;
}

// The parameter of the piece's point nearest to `p`: every evenly spaced
// probe nearer than its neighbours is refined between them (a loop of the
// piece may pass close to `p` elsewhere), and the ends are candidates too.
double nearestParameter(const ccCubicSegment& s, const ccVector<2>& p) {
    auto distanceSq = [&](double t) { return (s.pointAt(t) - p).lenSq(); };
    std::array<double, kProbeCount + 1> probe{};
    for (std::size_t k = 0; k < probe.size(); ++k) probe[k] = distanceSq(double(k) / kProbeCount);
    double best = 0.0, bestValue = probe[0];
    if (probe[kProbeCount] < bestValue) {
        best = 1.0;
        bestValue = probe[kProbeCount];
    }
    const std::size_t last = probe.size() - 1;
    for (std::size_t k = 0; k <= last; ++k) {
        const bool localMinimum =
            (k == 0 || probe[k] <= probe[k - 1]) && (k == last || probe[k] <= probe[k + 1]);
        if (!localMinimum) continue;
        const double t = refineNearest(s, p, double(k == 0 ? 0 : k - 1) / kProbeCount,
                                       double(std::min(k + 1, last)) / kProbeCount);
        const double value = distanceSq(t);
        if (value < bestValue) {
            best = t;
            bestValue = value;
        }
    }
    return best;
}

}  // namespace

// ---- ccCubicSegment ----

bool ccCubicSegment::isPolynomial() const noexcept {
    return std::all_of(weights.begin(), weights.end(), [](double w) { return w == 1.0; });
}

ccVector<2> ccCubicSegment::pointAt(double t) const noexcept {
    const double u = 1.0 - t;
    const double b[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
    ccVector<2> sum;
    double weight = 0.0;
    for (size_t i = 0; i < 4; ++i) {
        sum += points[i] * (b[i] * weights[i]);
        weight += b[i] * weights[i];
    }
    return sum / weight;
}

ccVector<2> ccCubicSegment::derivativeAt(double t) const noexcept {
    const double u = 1.0 - t;
    const double b[3] = {u * u, 2 * u * t, t * t};
    ccVector<2> numerator;
    double weight = 0.0;
    for (size_t i = 0; i < 3; ++i) {
        numerator += (points[i + 1] * weights[i + 1] - points[i] * weights[i]) * (3 * b[i]);
        weight += (weights[i + 1] - weights[i]) * (3 * b[i]);
    }
    const double u3[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
    double w = 0.0;
    for (size_t i = 0; i < 4; ++i) w += u3[i] * weights[i];
    return (numerator - pointAt(t) * weight) / w;
}

ccRadian ccCubicSegment::tangentAt(double t) const {
    const ccVector<2> d = derivativeAt(t);
    if (d.len() > cc_tol::kCoincident) return ccRadian(d.angle());
    if (t < 1.0) {
        const ccCubicSegment ahead = piece(t, 1.0);
        for (size_t i = 1; i < 4; ++i) {
            if (areDistinct(ahead.points[0], ahead.points[i])) {
                return ccRadian((ahead.points[i] - ahead.points[0]).angle());
            }
        }
    }
    if (t > 0.0) {
        const ccCubicSegment behind = piece(0.0, t);
        for (size_t i = 3; i-- > 0;) {
            if (areDistinct(behind.points[i], behind.points[3])) {
                return ccRadian((behind.points[3] - behind.points[i]).angle());
            }
        }
    }
    return ccRadian(0.0);
}

ccCubicSegment ccCubicSegment::piece(double t0, double t1) const {
    t0 = std::clamp(t0, 0.0, 1.0);
    t1 = std::clamp(t1, t0, 1.0);
    Hull left, right, middle, rest;
    splitHull(toHomogeneous(*this), t0, left, right);
    const double u = t0 < 1.0 ? (t1 - t0) / (1.0 - t0) : 0.0;
    splitHull(right, u, middle, rest);
    return fromHomogeneous(middle, isPolynomial());
}

ccCubicSegment ccCubicSegment::reversed() const noexcept {
    ccCubicSegment r;
    for (size_t i = 0; i < 4; ++i) {
        r.points[i] = points[3 - i];
        r.weights[i] = weights[3 - i];
    }
    return r;
}

ccCubicSegment ccCubicSegment::mapped(const ccXform<2>& xform) const noexcept {
    ccCubicSegment m = *this;
    for (auto& p : m.points) p = xform.mapPoint(p);
    return m;
}

// ---- ccCubicPath ----

ccCubicPath::ccCubicPath(std::vector<ccCubicSegment> segments, bool closed)
    : segments_(std::move(segments)), closed_(closed) {}

const ccCubicPath::Measure& ccCubicPath::measured() const {
    // A moved-from path has no measure of its own; it has no pieces either.
    static const Measure kNothing;
    if (!measure_) return kNothing;
    std::call_once(measure_->once, [this] {
        Measure& m = *measure_;
        double total = 0.0;
        m.ends.reserve(segments_.size());
        m.tables.reserve(segments_.size());
        for (const ccCubicSegment& s : segments_) {
            m.tables.emplace_back([s](double t) { return s.speedAt(t); }, 0.0, 1.0);
            total += m.tables.back().total();
            m.ends.push_back(total);
        }
    });
    return *measure_;
}

double ccCubicPath::length() const {
    const std::vector<double>& ends = measured().ends;
    return ends.empty() ? 0.0 : ends.back();
}

double ccCubicPath::segmentLength(long i) const {
    const std::vector<double>& ends = measured().ends;
    const auto k = static_cast<size_t>(i);
    return ends.at(k) - (k == 0 ? 0.0 : ends[k - 1]);
}

ccCubicPlace ccCubicPath::placeAtLength(double s) const {
    if (isEmpty()) return {};
    const Measure& m = measured();
    s = std::clamp(s, 0.0, length());
    const auto it = std::lower_bound(m.ends.begin(), m.ends.end(), s);
    const long i = std::min<long>(static_cast<long>(it - m.ends.begin()), numSegments() - 1);
    const double before = i == 0 ? 0.0 : m.ends[static_cast<size_t>(i - 1)];
    // A piece's end is its end exactly, whatever the rounding of its length.
    const double along = s - before, length = segmentLength(i);
    if (length > 0 && along >= length) return {i, 1.0};
    return {i, m.tables[static_cast<size_t>(i)].paramAt(along)};
}

ccCubicPlace ccCubicPath::placeAtParam(double T) const {
    if (isEmpty()) return {};
    T = std::clamp(T, 0.0, static_cast<double>(numSegments()));
    const long i = std::min(static_cast<long>(T), numSegments() - 1);
    return {i, T - static_cast<double>(i)};
}

void ccCubicPathParametrisation::pointAt(double t, ccVector<2>& point, ccVector<2>& derivative,
                                         ccRadian& tangent) const {
    const ccCubicPlace place = path_.placeAtParam(t);
    point = path_.pointAt(place);
    derivative = path_.segment(place.segment).derivativeAt(place.t);
    tangent = path_.tangentAt(place);
}

double ccCubicPath::lengthAt(const ccCubicPlace& place) const {
    if (isEmpty()) return 0.0;
    const ccCubicSegment& seg = segment(place.segment);
    const auto k = static_cast<size_t>(place.segment);
    const std::vector<double>& ends = measured().ends;
    const double before = k == 0 ? 0.0 : ends[k - 1];
    if (place.t >= 1.0) return ends[k];
    return before + cfArcLength([&seg](double u) { return seg.speedAt(u); }, 0.0, place.t);
}

void ccCubicPath::requireNonEmpty(const wchar_t* what) const {
    if (isEmpty()) {
        throw ccShapesError::BadParams(std::wstring(L"a curve without points has no ") + what);
    }
}

ccVector<2> ccCubicPath::pointAt(const ccCubicPlace& place) const {
    requireNonEmpty(L"points");
    return segment(place.segment).pointAt(place.t);
}

ccRadian ccCubicPath::tangentAt(const ccCubicPlace& place) const {
    requireNonEmpty(L"tangent");
    return segment(place.segment).tangentAt(place.t);
}

ccVector<2> ccCubicPath::startPoint() const {
    return pointAt({0, 0.0});
}
ccVector<2> ccCubicPath::endPoint() const {
    return pointAt({numSegments() - 1, 1.0});
}
ccRadian ccCubicPath::startAngle() const {
    return tangentAt({0, 0.0});
}
ccRadian ccCubicPath::endAngle() const {
    return tangentAt({numSegments() - 1, 1.0});
}

double ccCubicPath::windingAngle(const ccVector<2>& p) const {
    double total = 0.0;
    for (const ccCubicSegment& s : segments_) {
        total += sweptAngle([&](double t) { return s.pointAt(t) - p; });
    }
    return total;
}

double ccCubicPath::tangentRotation() const {
    double total = 0.0;
    for (size_t i = 0; i < segments_.size(); ++i) {
        const ccCubicSegment& s = segments_[i];
        total +=
            sweptAngle([&s](double t) { return ccVector<2>::polar(s.tangentAt(t).toDouble()); });
        const bool hasNext = i + 1 < segments_.size() || closed_;
        if (hasNext) {
            const ccCubicSegment& next = segments_[(i + 1) % segments_.size()];
            total += (next.tangentAt(0.0) - s.tangentAt(1.0)).signedNorm().toDouble();
        }
    }
    return total;
}

double ccCubicPath::signedArea() const {
    double area = 0.0;
    for (const ccCubicSegment& s : segments_) area += areaOfSegment(s);
    return area;
}

void ccCubicPath::bounds(ccVector<2>& lower, ccVector<2>& upper) const {
    requireNonEmpty(L"extent");
    double lo[2] = {std::numeric_limits<double>::infinity(),
                    std::numeric_limits<double>::infinity()};
    double hi[2] = {-lo[0], -lo[1]};
    auto include = [&](const ccVector<2>& q) {
        for (int a = 0; a < 2; ++a) {
            lo[a] = std::min(lo[a], q[a]);
            hi[a] = std::max(hi[a], q[a]);
        }
    };
    for (const ccCubicSegment& s : segments_) {
        include(s.points[0]);
        include(s.points[3]);
        for (int axis = 0; axis < 2; ++axis) {
            for (double t : coordinateExtrema(s, axis)) include(s.pointAt(t));
        }
    }
    lower = ccVector<2>(lo[0], lo[1]);
    upper = ccVector<2>(hi[0], hi[1]);
}

ccCubicPlace ccCubicPath::nearestPlace(const ccVector<2>& p) const {
    requireNonEmpty(L"nearest point");
    ccCubicPlace best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (long i = 0; i < numSegments(); ++i) {
        const double t = nearestParameter(segment(i), p);
        const double d = (segment(i).pointAt(t) - p).lenSq();
        if (d < bestDistance) {
            bestDistance = d;
            best = {i, t};
        }
    }
    return best;
}
