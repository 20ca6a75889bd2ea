#include "vxstd12u/ellipserun.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "vxstd12u/arclength.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/tolerances.h"

namespace {

// Grid steps per full turn when looking for the local minima of the distance
// to an ellipse: the distance has at most two minima per turn, and they are
// never closer than a grid step apart unless they are nearly equal.
constexpr int kNearestGridPerTurn = 64;
// Golden-section steps shrink the bracket of a minimum to about 1e-9 of a
// grid step, close enough for Newton's method to converge on that minimum.
constexpr int kGoldenSteps = 40;
constexpr int kNewtonSteps = 8;
// The arithmetic-geometric mean converges quadratically; a handful of steps
// suffice, and this bounds the loop for any input.
constexpr int kMaxMeanSteps = 64;

const double kInverseGolden = (std::sqrt(5.0) - 1.0) / 2.0;

}  // namespace

ccEllipseRun::ccEllipseRun(const ccEllipse2& ellipse, double phi0, double sign, double span)
    : ellipse_(ellipse), phi0_(phi0), sign_(sign), span_(span) {}

bool ccEllipseRun::isClosed() const noexcept {
    return span_ >= ccTwoPi - cc_tol::kAngle;
}

ccRadian ccEllipseRun::tangentAtParam(double t, bool approaching) const noexcept {
    const double phi = phiAt(t);
    if (ellipse_.isCircular()) return circleTangent(phi);
    return tangentAlong(ellipse_.derivativeAt(phi) * sign_, phi, approaching);
}

ccRadian ccEllipseRun::tangentAlong(ccVector<2> v, double phi, bool approaching) const noexcept {
    // At zero speed the curve turns back: it arrives moving outwards and
    // leaves moving towards the centre.
    if (v.lenSq() == 0.0)
        v = (ellipse_.pointAt(phi) - ellipse_.center()) * (approaching ? 1.0 : -1.0);
    if (v.lenSq() == 0.0) v = ccVector<2>::polar(ellipse_.angle().toDouble() + phi).perp() * sign_;
    return ccRadian(v.angle());
}

ccSpeedFunction ccEllipseRun::speed() const {
    const double rx = ellipse_.radii().x(), ry = ellipse_.radii().y();
    return [rx, ry, this](double t) {
        const double phi = phiAt(t);
        return std::hypot(rx * std::sin(phi), ry * std::cos(phi));
    };
}

double ccEllipseRun::lengthToParam(double t) const {
    const double rx = ellipse_.radii().x(), ry = ellipse_.radii().y();
    if (ellipse_.isCircular()) return rx * t;
    if (t >= ccTwoPi && span_ >= ccTwoPi) return cfEllipsePerimeter(rx, ry);
    return cfArcLength(speed(), 0.0, t);
}

ccArcLengthTable ccEllipseRun::measure() const {
    return ccArcLengthTable(speed(), 0.0, ellipse_.isCircular() ? 0.0 : span_);
}

double ccEllipseRun::paramAtLength(double length, double total,
                                   const ccArcLengthTable& measure) const {
    length = std::clamp(length, 0.0, total);
    if (ellipse_.isCircular()) {
        const double r = ellipse_.radii().x();
        return r > 0 ? std::min(length / r, span_) : 0.0;
    }
    return measure.paramAt(length);
}

void ccEllipseRun::sample(double total, bool closed, const ccShapeSampleParams& params,
                          ccShapeSampleResult& result) const {
    const std::vector<double> offsets = cfSampleOffsets(total, closed, params);
    if (offsets.empty()) return;
    const ccArcLengthTable measured = measure();
    const ccXform<2> unit = ellipse_.unitCircleXform();
    if (params.computeTangents()) result.fillTangents();
    result.beginChain(closed);
    for (const double offset : offsets) {
        ccVector<2> point;
        ccRadian tangent;
        pointAndTangentAtParam(unit, paramAtLength(offset, total, measured),
                               total > 0 && offset >= total, point, tangent);
        result.positions().push_back(point);
        if (params.computeTangents()) result.tangents().push_back(tangent);
        if (params.perimPosRequested())
            result.perimPositions().emplace_back(result.shapeIndex(), offset);
    }
    if (!result.tangents().empty()) result.fillTangents();
}

void ccEllipseRunParametrisation::pointAt(double t, ccVector<2>& point, ccVector<2>& derivative,
                                          ccRadian& tangent) const {
    t = std::clamp(t, 0.0, run_.span());
    point = run_.pointAtParam(t);
    derivative = run_.velocityAtParam(t);
    tangent = run_.tangentAtParam(t, run_.span() > 0 && t >= run_.span());
}

double ccEllipseRunParametrisation::arcLengthAt(double t) const {
    return run_.lengthToParam(std::clamp(t, 0.0, run_.span()));
}

void ccEllipseRun::pointAndTangentAtLength(double length, double total,
                                           const ccArcLengthTable& measure, ccVector<2>& point,
                                           ccRadian& tangent) const {
    pointAndTangentAtParam(ellipse_.unitCircleXform(), paramAtLength(length, total, measure),
                           total > 0 && length >= total, point, tangent);
}

void ccEllipseRun::pointAndTangentAtParam(const ccXform<2>& unit, double t, bool approaching,
                                          ccVector<2>& point, ccRadian& tangent) const noexcept {
    const double phi = phiAt(t);
    const ccVector<2> radial = ccVector<2>::polar(phi);
    point = unit.mapPoint(radial);
    if (ellipse_.isCircular()) {
        tangent = circleTangent(phi);
        return;
    }
    tangent = tangentAlong(unit.mapVector(radial.perp()) * sign_, phi, approaching);
}

ccRadian ccEllipseRun::circleTangent(double phi) const noexcept {
    // Travel on a circle is square to the radius, so the direction follows
    // from phi alone. A circle of no extent takes the same direction, the
    // unit circle's.
    return cfOnVectorBranch(ellipse_.angle().toDouble() + phi + sign_ * (0.5 * ccPi));
}

ccVector<2> ccEllipseRun::local(const ccVector<2>& p) const noexcept {
    return ccMatrix<2>::rotation(-ellipse_.angle()) * (p - ellipse_.center());
}

double ccEllipseRun::distanceSqAt(const ccVector<2>& q, double t) const noexcept {
    const double phi = phiAt(t);
    const ccVector<2> onCurve(ellipse_.radii().x() * std::cos(phi),
                              ellipse_.radii().y() * std::sin(phi));
    return (onCurve - q).lenSq();
}

double ccEllipseRun::slopeAt(const ccVector<2>& q, double t) const noexcept {
    const double phi = phiAt(t), c = std::cos(phi), s = std::sin(phi);
    const double rx = ellipse_.radii().x(), ry = ellipse_.radii().y();
    return sign_ * ((ry * ry - rx * rx) * s * c + q.x() * rx * s - q.y() * ry * c);
}

double ccEllipseRun::curvatureAt(const ccVector<2>& q, double t) const noexcept {
    const double phi = phiAt(t);
    const double rx = ellipse_.radii().x(), ry = ellipse_.radii().y();
    return (ry * ry - rx * rx) * std::cos(2 * phi) + q.x() * rx * std::cos(phi) +
           q.y() * ry * std::sin(phi);
}

double ccEllipseRun::nearestParamOnCircle(const ccVector<2>& p) const {
    const ccVector<2> q = local(p);
    if (q.lenSq() == 0.0) return 0.0;
    const double t = ccRadian(sign_ * (q.angle() - phi0_)).norm().toDouble();
    if (isClosed() || t <= span_) return t;
    // Outside the arc the nearer end is the one the gap reaches first.
    return (pointAtParam(0.0) - p).lenSq() <= (pointAtParam(span_) - p).lenSq() ? 0.0 : span_;
}

double ccEllipseRun::refineMinimum(const ccVector<2>& q, double lo, double hi) const {
    double a = lo, b = hi;
    double x1 = b - kInverseGolden * (b - a), x2 = a + kInverseGolden * (b - a);
    double f1 = distanceSqAt(q, x1), f2 = distanceSqAt(q, x2);
    for (int i = 0; i < kGoldenSteps; ++i) {
        if (f1 <= f2) {
            b = x2, x2 = x1, f2 = f1;
            x1 = b - kInverseGolden * (b - a), f1 = distanceSqAt(q, x1);
        } else {
            a = x1, x1 = x2, f1 = f2;
            x2 = a + kInverseGolden * (b - a), f2 = distanceSqAt(q, x2);
        }
    }
    double t = f1 <= f2 ? x1 : x2;
    // The distance is too flat near its minimum for comparisons to locate it
    // further; its slope still changes sign cleanly there.
    for (int i = 0; i < kNewtonSteps; ++i) {
        const double curvature = curvatureAt(q, t);
        if (!(curvature > 0)) break;
        const double next = std::clamp(t - slopeAt(q, t) / curvature, lo, hi);
        if (next == t) break;
        t = next;
    }
    return t;
}

double ccEllipseRun::nearestParam(const ccVector<2>& p) const {
    if (ellipse_.isCircular()) return nearestParamOnCircle(p);
    const ccVector<2> q = local(p);
    const bool closed = isClosed();
    const int steps =
        std::max(8, static_cast<int>(std::ceil(kNearestGridPerTurn * span_ / ccTwoPi)));
    const double h = span_ / steps;
    std::vector<double> grid(steps + 1);
    for (int i = 0; i <= steps; ++i) grid[i] = distanceSqAt(q, i * h);

    double bestT = 0.0, bestD = grid[0];
    const auto consider = [&](double t) {
        const double d = distanceSqAt(q, t);
        if (d < bestD) bestT = t, bestD = d;
    };
    if (!closed) consider(span_);
    const int last = closed ? steps - 1 : steps;
    for (int i = 0; i <= last; ++i) {
        const double before = i > 0 ? grid[i - 1] : closed ? grid[steps - 1] : grid[i];
        const double after = i < steps ? grid[i + 1] : grid[i];
        if (grid[i] > before || grid[i] > after) continue;
        const double lo = closed ? (i - 1) * h : std::max(0.0, (i - 1) * h);
        const double hi = closed ? (i + 1) * h : std::min(span_, (i + 1) * h);
        consider(refineMinimum(q, lo, hi));
    }
    if (closed) bestT = ccRadian(bestT).norm().toDouble();
    return bestT;
}

ccEllipseImage cfMapEllipse(const ccEllipse2& ellipse, const ccXform<2>& xform) {
    const ccMatrix<2> m = xform.matrix() * ccMatrix<2>::rotation(ellipse.angle()) *
                          ccMatrix<2>::scale(ellipse.radii().x(), ellipse.radii().y());
    // m = R(axis) diag(sx, sy) R(shift), the closed-form singular value
    // decomposition of a 2x2 matrix; sy < 0 when m mirrors.
    const double e = (m.element(0, 0) + m.element(1, 1)) / 2,
                 f = (m.element(0, 0) - m.element(1, 1)) / 2;
    const double g = (m.element(1, 0) + m.element(0, 1)) / 2,
                 h = (m.element(1, 0) - m.element(0, 1)) / 2;
    const double q = std::hypot(e, h), r = std::hypot(f, g);
    const double sx = q + r, sy = q - r;
    const double a1 = std::atan2(g, f), a2 = std::atan2(h, e);
    ccEllipseImage image;
    image.ellipse = ccEllipse2(xform.mapPoint(ellipse.center()), ccVector<2>(sx, std::fabs(sy)),
                               ccRadian((a2 + a1) / 2));
    image.phiShift = (a2 - a1) / 2;
    image.phiSign = sy < 0 ? -1.0 : 1.0;
    return image;
}

double cfEllipsePerimeter(double rx, double ry) {
    double a = std::max(rx, ry), b = std::min(rx, ry);
    if (b == 0.0) return 4.0 * a;
    if (a == b) return ccTwoPi * a;
    const double aSq = a * a;
    double sum = 0.5 * (a * a - b * b);
    double weight = 0.5;
    for (int i = 0; i < kMaxMeanSteps; ++i) {
        const double c = 0.5 * (a - b);
        const double mean = 0.5 * (a + b);
        b = std::sqrt(a * b);
        a = mean;
        weight *= 2.0;
        sum += weight * c * c;
        if (c <= a * std::numeric_limits<double>::epsilon()) break;
    }
    return ccTwoPi / a * (aSq - sum);
}

namespace {
// |p| in the frame where the ellipse is the unit circle: below 1 inside.
double unitRadius(const ccEllipse2& ellipse, const ccVector<2>& p) {
    const ccVector<2> q = ccMatrix<2>::rotation(-ellipse.angle()) * (p - ellipse.center());
    return std::hypot(q.x() / ellipse.radii().x(), q.y() / ellipse.radii().y());
}
}  // namespace

bool cfWithinEllipse(const ccEllipse2& ellipse, const ccVector<2>& p) {
    if (!ellipse.isFlat()) {
        const double u = unitRadius(ellipse, p);
        if (u <= 1.0) return true;
        // The curve scaled by u passes through p and keeps at least
        // (u - 1) * smaller radius from the curve itself.
        const double minRadius = std::min(ellipse.radii().x(), ellipse.radii().y());
        if ((u - 1.0) * minRadius > cc_tol::kCoincident) return false;
    }
    const ccEllipseRun run(ellipse, 0.0, 1.0, ccTwoPi);
    return (run.pointAtParam(run.nearestParam(p)) - p).len() <= cc_tol::kCoincident;
}

bool cfStrictlyInsideEllipse(const ccEllipse2& ellipse, const ccVector<2>& p) {
    return !ellipse.isFlat() && unitRadius(ellipse, p) < 1.0;
}

double cfTangentLead(const ccEllipse2& ellipse, double phi) {
    const double rx = ellipse.radii().x(), ry = ellipse.radii().y();
    const double c = std::cos(phi), s = std::sin(phi);
    return std::atan2((rx - ry) * s * c, rx * s * s + ry * c * c);
}

std::array<double, 4> cfExtremePhis(const ccEllipse2& ellipse) {
    const double rx = ellipse.radii().x(), ry = ellipse.radii().y();
    const double c = std::cos(ellipse.angle().toDouble()), s = std::sin(ellipse.angle().toDouble());
    const double xExtreme = std::atan2(-ry * s, rx * c);
    const double yExtreme = std::atan2(ry * c, rx * s);
    return {xExtreme, xExtreme + ccPi, yExtreme, yExtreme + ccPi};
}

ccEllipseArc2 cfEllipsePiece(const ccEllipse2& ellipse, double phi0, double sign, double span,
                             double from, double to) {
    if (!std::isfinite(from) || !std::isfinite(to))
        throw ccShapesError::BadParams(L"piece bounds are not finite");
    if (from > to) throw ccShapesError::BadParams(L"piece starts after it ends");
    const ccEllipseRun run(ellipse, phi0, sign, span);
    const double total = run.lengthToParam(span);
    const ccArcLengthTable measure = run.measure();
    const double t0 = run.paramAtLength(from, total, measure);
    const double t1 = run.paramAtLength(to, total, measure);
    return ccEllipseArc2(ellipse, ccRadian(run.phiAt(t0)), ccRadian(sign * (t1 - t0)));
}
