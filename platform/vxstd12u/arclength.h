// Arc length of parametric curves, and the parameter at a given arc length.
//
// Curves are given by their speed |c'(t)| as a function of the parameter. The
// integration is adaptive Gauss-Legendre and reaches cc_tol::kArcLengthRelative
// of the length for smooth speeds; the inverse is Newton's method safeguarded
// by bisection and reaches cc_tol::kArcParameterRelative of the total length.
#pragma once

#include <functional>
#include <vector>

using ccSpeedFunction = std::function<double(double)>;

// The length of the curve from t0 to t1 (negative when t1 < t0). `speed` must
// be finite and non-negative on the interval.
double cfArcLength(const ccSpeedFunction& speed, double t0, double t1);

// The parameter t in [t0, t1] at which the length from t0 reaches `length`,
// given the `total` length from t0 to t1 (as cfArcLength gives it). `length`
// is clamped to [0, total]. A curve of zero length gives t0.
double cfParamAtArcLength(const ccSpeedFunction& speed, double t0, double t1, double total,
                          double length);

// A curve's length measured once, panel by panel, so that the parameters of
// many arc lengths each come from the one panel that holds them instead of
// from integrations over everything before them: finding n parameters costs
// one integration of the curve and n panel-sized ones. The table keeps its own
// copy of `speed`.
class ccArcLengthTable {
  public:
    // Integrates `speed` over [t0, t1] exactly as cfArcLength does; t1 < t0
    // measures nothing (total 0).
    ccArcLengthTable(const ccSpeedFunction& speed, double t0, double t1);

    // The length from t0 to t1, equal to cfArcLength(speed, t0, t1).
    double total() const noexcept { return total_; }
    // As cfParamAtArcLength(speed, t0, t1, total(), length), to the same
    // accuracy: `length` is clamped to [0, total()], and a curve of zero
    // length gives t0. NaN gives t0.
    double paramAt(double length) const;

  private:
    struct Panel {
        double t0, t1;
        // Arc length from the table's t0 to the panel's start, and across it.
        double start, length;
    };

    ccSpeedFunction speed_;
    double t0_, t1_;
    double total_ = 0.0;
    std::vector<Panel> panels_;
};
