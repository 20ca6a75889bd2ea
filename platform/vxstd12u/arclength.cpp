#include "vxstd12u/arclength.h"

#include <algorithm>
#include <cmath>
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
double adaptive(const ccSpeedFunction& speed, double a, double b, double whole, double tolerance,
                int depth, long& splitsLeft) {
    const double mid = 0.5 * (a + b);
    const double left = gauss(speed, a, mid);
    const double right = gauss(speed, mid, b);
    const bool settled = std::fabs(left + right - whole) <= tolerance;
    if (settled || depth >= kMaxDepth || splitsLeft <= 0) return left + right;
    --splitsLeft;
    return adaptive(speed, a, mid, left, 0.5 * tolerance, depth + 1, splitsLeft) +
           adaptive(speed, mid, b, right, 0.5 * tolerance, depth + 1, splitsLeft);
}
}  // namespace

double cfArcLength(const ccSpeedFunction& speed, double t0, double t1) {
    if (t0 == t1) return 0.0;
    if (t1 < t0) return -cfArcLength(speed, t1, t0);
    // Start from a few panels so that a speed with sharp features inside the
    // interval is not mistaken for a smooth one by a single estimate.
    constexpr int kPanels = 8;
    long splitsLeft = cc_tol::kArcLengthMaxSplits;
    double total = 0;
    for (int i = 0; i < kPanels; ++i) {
        const double a = t0 + (t1 - t0) * i / kPanels;
        const double b = i + 1 == kPanels ? t1 : t0 + (t1 - t0) * (i + 1) / kPanels;
        const double estimate = gauss(speed, a, b);
        total += adaptive(
            speed, a, b, estimate,
            cc_tol::kArcLengthRelative * std::fabs(estimate) + std::numeric_limits<double>::min(),
            0, splitsLeft);
    }
    return total;
}

double cfParamAtArcLength(const ccSpeedFunction& speed, double t0, double t1, double total,
                          double length) {
    if (!(total > 0)) return t0;
    length = std::clamp(length, 0.0, total);
    if (length == 0) return t0;
    if (length == total) return t1;
    double lo = t0, hi = t1;
    double t = t0 + (t1 - t0) * (length / total);
    const double tolerance = cc_tol::kArcParameterRelative * total;
    for (int iteration = 0; iteration < 100; ++iteration) {
        const double error = cfArcLength(speed, t0, t) - length;
        if (std::fabs(error) <= tolerance) break;
        (error > 0 ? hi : lo) = t;
        const double v = speed(t);
        double next = v > 0 ? t - error / v : 0.5 * (lo + hi);
        if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
        t = next;
    }
    return t;
}
