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

// A curve's length measured once, panel by panel, so that the parameters of
// many arc lengths each come from the one panel that holds them instead of
// from integrations over everything before them: finding n parameters costs
// one integration of the curve and n panel-sized ones. The table keeps its own
// copy of `speed`.
// One interval of a curve measured piece by piece: [from, to], and whether
// the speed is smooth all across it (a cubic of a spline: it is refined
// lightly, with at most cc_tol::kArcLengthPieceMaxSplits splits) or may have
// corners of its own inside (a polyline: it gets the care of a whole curve,
// as cfArcLength gives it).
struct ccArcLengthInterval {
    double from, to;
    bool isSmooth;
};

class ccArcLengthTable {
  public:
    // Integrates `speed` over [t0, t1] exactly as cfArcLength does; t1 < t0
    // measures nothing (total 0).
    ccArcLengthTable(const ccSpeedFunction& speed, double t0, double t1);
    // Integrates `speed` over the `intervals`, which must follow each other
    // (each from where the one before ends), each interval on its own with a
    // split budget of its own: a speed that is smooth only piece by piece
    // (the leaves of a contour) is then measured as accurately for ten
    // thousand pieces as for one, and a piece where it never settles spends
    // only its own budget. No intervals measure nothing.
    ccArcLengthTable(const ccSpeedFunction& speed,
                     const std::vector<ccArcLengthInterval>& intervals);

    // The length from t0 to t1, equal to cfArcLength(speed, t0, t1) for a
    // table of one interval.
    double total() const noexcept { return total_; }
    // The length from t0 to t (clamped to [t0, t1]), from the panel that
    // holds t: the inverse of paramAt to its accuracy.
    double lengthTo(double t) const;
    // The parameter at which the length from t0 reaches `length`, to
    // cc_tol::kArcParameterRelative of total(): `length` is clamped to
    // [0, total()], and a curve of zero length gives t0. NaN gives t0.
    double paramAt(double length) const;

  private:
    struct Panel {
        double t0, t1;
        // Arc length from the table's t0 to the panel's start, and across it.
        double start, length;
    };

    // Integrates [a, b] from `panels` equal panels with at most `maxSplits`
    // splits, adding to the total and the panel list.
    void measure(double a, double b, int panels, long maxSplits);

    ccSpeedFunction speed_;
    double t0_ = 0.0, t1_ = 0.0;
    double total_ = 0.0;
    std::vector<Panel> panels_;
};
