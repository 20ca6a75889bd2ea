// Arc length of parametric curves, and the parameter at a given arc length.
//
// Curves are given by their speed |c'(t)| as a function of the parameter. The
// integration is adaptive Gauss-Legendre and reaches cc_tol::kArcLengthRelative
// of the length for smooth speeds; the inverse is Newton's method safeguarded
// by bisection and reaches cc_tol::kArcParameterRelative of the total length.
#pragma once

#include <functional>

using ccSpeedFunction = std::function<double(double)>;

// The length of the curve from t0 to t1 (negative when t1 < t0). `speed` must
// be finite and non-negative on the interval.
double cfArcLength(const ccSpeedFunction& speed, double t0, double t1);

// The parameter t in [t0, t1] at which the length from t0 reaches `length`,
// given the `total` length from t0 to t1 (as cfArcLength gives it). `length`
// is clamped to [0, total]. A curve of zero length gives t0.
double cfParamAtArcLength(const ccSpeedFunction& speed, double t0, double t1, double total,
                          double length);
