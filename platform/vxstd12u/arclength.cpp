#include "vxstd12u/arclength.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "vxstd12u/tolerances.h"

namespace {
// Ten-point Gauss-Legendre nodes and weights on [-1, 1] (positive half).
constexpr double kNodes[5] = {0.1488743389816312, 0.4333953941292472, 0.6794095682990244,
                              0.8650633666889845, 0.9739065285171717};
constexpr double kWeights[5] = {0.2955242247147529, 0.2692667193099963, 0.2190863625159820,
                                0.1494513491505806, 0.0666713443086881};

// Deep enough for any curve the library builds; a speed that never settles
// (not smooth) stops here with the best estimate.
constexpr int kMaxDepth = 40;

double gauss(const ccSpeedFunction& speed, double a, double b) {
    const double mid = 0.5 * (a + b);
    const double half = 0.5 * (b - a);
    double sum = 0;
    for (int i = 0; i < 5; ++i) {
        sum += kWeights[i] * (speed(mid - half * kNodes[i]) + speed(mid + half * kNodes[i]));
    }
    return sum * half;
}

// `splitsLeft` bounds the work of one length: a speed that is smooth nowhere
// (extreme rational weights, say) would otherwise split exponentially often.
// `record(a, b, length)` sees the final panels in order.
template <class Record>
double adaptive(const ccSpeedFunction& speed, double a, double b, double whole, double tolerance,
                int depth, long& splitsLeft, const Record& record) {
    const double mid = 0.5 * (a + b);
    const double left = gauss(speed, a, mid);
    const double right = gauss(speed, mid, b);
    const bool settled = std::fabs(left + right - whole) <= tolerance;
    if (settled || depth >= kMaxDepth || splitsLeft <= 0) {
        record(a, mid, left);
        record(mid, b, right);
        return left + right;
    }
    --splitsLeft;
    return adaptive(speed, a, mid, left, 0.5 * tolerance, depth + 1, splitsLeft, record) +
           adaptive(speed, mid, b, right, 0.5 * tolerance, depth + 1, splitsLeft, record);
}

// Panels an interval starts from, so that a speed with sharp features inside
// it is not mistaken for a smooth one by a single estimate. An interval
// between the breaks of a piecewise speed holds one smooth piece and needs
// fewer.
constexpr int kCurvePanels = 8;
constexpr int kPiecePanels = 2;

// The length over [t0, t1], t0 < t1, from `panels` equal panels refined, with
// the final panels passed to `record`.
template <class Record>
double integrate(const ccSpeedFunction& speed, double t0, double t1, int panels,
                 const Record& record) {
    long splitsLeft = cc_tol::kArcLengthMaxSplits;
    double total = 0;
    for (int i = 0; i < panels; ++i) {
        const double a = t0 + (t1 - t0) * i / panels;
        const double b = i + 1 == panels ? t1 : t0 + (t1 - t0) * (i + 1) / panels;
        const double estimate = gauss(speed, a, b);
        total += adaptive(
            speed, a, b, estimate,
            cc_tol::kArcLengthRelative * std::fabs(estimate) + std::numeric_limits<double>::min(),
            0, splitsLeft, record);
    }
    return total;
}

// Newton's method safeguarded by bisection: the t in [lo, hi] at which
// `lengthTo(t)` reaches `length` to within `tolerance`, from the guess `t`.
template <class LengthTo>
double solveForLength(const ccSpeedFunction& speed, const LengthTo& lengthTo, double lo, double hi,
                      double t, double length, double tolerance) {
    for (int iteration = 0; iteration < 100; ++iteration) {
        const double error = lengthTo(t) - length;
        if (std::fabs(error) <= tolerance) break;
        (error > 0 ? hi : lo) = t;
        const double v = speed(t);
        double next = v > 0 ? t - error / v : 0.5 * (lo + hi);
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        t = next;
    }
    return t;
}
}  // namespace

double cfArcLength(const ccSpeedFunction& speed, double t0, double t1) {
    if (t0 == t1) return 0.0;
    if (t1 < t0) return -cfArcLength(speed, t1, t0);
    return integrate(speed, t0, t1, kCurvePanels, [](double, double, double) {});
}

double cfParamAtArcLength(const ccSpeedFunction& speed, double t0, double t1, double total,
                          double length) {
    if (!(total > 0)) return t0;
    length = std::clamp(length, 0.0, total);
    if (length == 0) return t0;
    if (length == total) return t1;
    return solveForLength(
        speed, [&](double t) { return cfArcLength(speed, t0, t); }, t0, t1,
        t0 + (t1 - t0) * (length / total), length, cc_tol::kArcParameterRelative * total);
}

ccArcLengthTable::ccArcLengthTable(const ccSpeedFunction& speed, double t0, double t1)
    : speed_(speed), t0_(t0), t1_(t1) {
    if (t0 == t1 || t1 < t0) return;
    measure(t0, t1, kCurvePanels);
}

ccArcLengthTable::ccArcLengthTable(const ccSpeedFunction& speed, const std::vector<double>& breaks)
    : speed_(speed) {
    if (breaks.size() < 2) return;
    t0_ = breaks.front();
    t1_ = breaks.back();
    for (size_t i = 0; i + 1 < breaks.size(); ++i)
        if (breaks[i] < breaks[i + 1]) measure(breaks[i], breaks[i + 1], kPiecePanels);
}

void ccArcLengthTable::measure(double a, double b, int panels) {
    // The total adds up as cfArcLength's does, so that a table of one
    // interval matches it bit for bit; panel starts add up in order.
    double start = total_;
    total_ += integrate(speed_, a, b, panels, [&](double from, double to, double length) {
        panels_.push_back(Panel{from, to, start, length});
        start += length;
    });
}

double ccArcLengthTable::paramAt(double length) const {
    if (!(total_ > 0) || !(length > 0)) return t0_;
    if (length >= total_) return t1_;
    // The last panel starting at or before `length`: a panel of no length
    // gives way to the one after it.
    const auto after = std::upper_bound(panels_.begin(), panels_.end(), length,
                                        [](double s, const Panel& p) { return s < p.start; });
    const Panel& p = *std::prev(after);
    const double along = std::min(length - p.start, p.length);
    if (!(p.length > 0)) return p.t0;
    // One Gauss rule is as exact over part of a settled panel as over all of it.
    return solveForLength(
        speed_, [&](double t) { return t == p.t0 ? 0.0 : gauss(speed_, p.t0, t); }, p.t0, p.t1,
        p.t0 + (p.t1 - p.t0) * (along / p.length), along, cc_tol::kArcParameterRelative * total_);
}

double ccArcLengthTable::lengthTo(double t) const {
    if (panels_.empty() || !(t > t0_)) return 0.0;
    if (t >= t1_) return total_;
    const auto after = std::upper_bound(panels_.begin(), panels_.end(), t,
                                        [](double v, const Panel& p) { return v < p.t0; });
    const Panel& p = *std::prev(after);
    return p.start + (t >= p.t1 ? p.length : gauss(speed_, p.t0, t));
}
