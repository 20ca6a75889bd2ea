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

// Whether a panel whose halves differ from it by `error`, where its parent's
// differed by `parentError`, has reached the rounding noise of the speed:
// the difference is already tiny beside the panel's length, and halving
// stopped shrinking it (on a smooth speed each halving shrinks it a
// thousandfold and more; on noise, about twofold).
bool isAtNoiseFloor(double error, double parentError, double length) {
    return error <= cc_tol::kArcLengthNoiseRelative * std::fabs(length) &&
           error > cc_tol::kArcLengthStalledRatio * parentError;
}

// `splitsLeft` bounds the work of one length: a speed that is smooth nowhere
// (extreme rational weights, say) would otherwise split exponentially often.
// `record(a, b, length)` sees the final panels in order. `parentError` is the
// difference the panel's parent showed (infinite for a first panel).
template <class Record>
double adaptive(const ccSpeedFunction& speed, double a, double b, double whole, double tolerance,
                double parentError, int depth, long& splitsLeft, const Record& record) {
    const double mid = 0.5 * (a + b);
    const double left = gauss(speed, a, mid);
    const double right = gauss(speed, mid, b);
    const double error = std::fabs(left + right - whole);
    const bool settled = error <= std::max(tolerance, cc_tol::kArcLengthAbsolute) ||
                         isAtNoiseFloor(error, parentError, left + right);
    if (settled || depth >= kMaxDepth || splitsLeft <= 0) {
        record(a, mid, left);
        record(mid, b, right);
        return left + right;
    }
    --splitsLeft;
    return adaptive(speed, a, mid, left, 0.5 * tolerance, error, depth + 1, splitsLeft, record) +
           adaptive(speed, mid, b, right, 0.5 * tolerance, error, depth + 1, splitsLeft, record);
}

// How an interval is integrated: the panels it starts from, so that a speed
// with sharp features inside it is not mistaken for a smooth one by a single
// estimate, and its budget of splits. An interval over which the speed is
// known to be smooth needs less of both.
struct Refinement {
    int panels;
    long maxSplits;
};
constexpr Refinement kWholeCurve{8, cc_tol::kArcLengthMaxSplits};
constexpr Refinement kOnePiece{2, cc_tol::kArcLengthPieceMaxSplits};

// The length over [t0, t1], t0 < t1, with the final panels passed to
// `record`.
template <class Record>
double integrate(const ccSpeedFunction& speed, double t0, double t1, Refinement refinement,
                 const Record& record) {
    const int panels = refinement.panels;
    long splitsLeft = refinement.maxSplits;
    double total = 0;
    for (int i = 0; i < panels; ++i) {
        const double a = t0 + (t1 - t0) * i / panels;
        const double b = i + 1 == panels ? t1 : t0 + (t1 - t0) * (i + 1) / panels;
        const double estimate = gauss(speed, a, b);
        total += adaptive(
            speed, a, b, estimate,
            cc_tol::kArcLengthRelative * std::fabs(estimate) + std::numeric_limits<double>::min(),
            std::numeric_limits<double>::infinity(), 0, splitsLeft, record);
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
    return integrate(speed, t0, t1, kWholeCurve, [](double, double, double) {});
}

ccArcLengthTable::ccArcLengthTable(const ccSpeedFunction& speed, double t0, double t1)
    : speed_(speed), t0_(t0), t1_(t1) {
    if (t0 == t1 || t1 < t0) return;
    measure(t0, t1, kWholeCurve.panels, kWholeCurve.maxSplits);
}

ccArcLengthTable::ccArcLengthTable(const ccSpeedFunction& speed,
                                   const std::vector<ccArcLengthInterval>& intervals)
    : speed_(speed) {
    if (intervals.empty()) return;
    t0_ = intervals.front().from;
    t1_ = intervals.back().to;
    for (const ccArcLengthInterval& interval : intervals) {
        if (!(interval.from < interval.to)) continue;
        const Refinement& refinement = interval.isSmooth ? kOnePiece : kWholeCurve;
        measure(interval.from, interval.to, refinement.panels, refinement.maxSplits);
    }
}

void ccArcLengthTable::measure(double a, double b, int panels, long maxSplits) {
    // The total adds up as cfArcLength's does, so that a table of one
    // interval matches it bit for bit; panel starts add up in order.
    double start = total_;
    total_ += integrate(speed_, a, b, Refinement{panels, maxSplits},
                        [&](double from, double to, double length) {
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
