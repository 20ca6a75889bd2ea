// Chains of cubic pieces in Bezier form: the geometry shared by Bezier curves
// and cubic splines.
//
// A piece is a rational cubic over t in [0, 1]:
//     c(t) = sum B_i(t) w_i P_i / sum B_i(t) w_i
// with the Bernstein polynomials B_i, control points P_i and positive weights
// w_i (all 1 for a polynomial cubic). A path is a chain of pieces, each
// starting where the one before it ends; a closed path also ends where it
// starts. Positions on a path are a piece number and a parameter of that
// piece (ccCubicPlace).
//
// Degenerate pieces are allowed: coincident control points give pieces of zero
// length or zero speed at some parameter. Where the derivative vanishes the
// tangent is the one-sided limit in the direction of travel (the direction to
// the first distinct control point of the remaining part); a piece that is a
// single point has tangent angle 0.
//
// A path is a value: its lengths are measured once, by the first query that
// needs one (many paths, those of an imported drawing say, are built and
// written without ever being measured), under a once-flag, so one path can be
// read from many threads. Copies share the measurement.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <vector>

#include "vxstd12u/arclength.h"
#include "vxstd12u/radian.h"
#include "vxstd12u/shape.h"
#include "vxstd12u/vector.h"
#include "vxstd12u/xform.h"

// One rational cubic piece. Callers keep the weights positive and the points
// finite; the piece itself does not check them.
struct ccCubicSegment {
    std::array<ccVector<2>, 4> points{};
    std::array<double, 4> weights{{1.0, 1.0, 1.0, 1.0}};

    // Whether all weights are 1, so that the piece is a polynomial cubic.
    bool isPolynomial() const noexcept;
    ccVector<2> pointAt(double t) const noexcept;
    // dc/dt.
    ccVector<2> derivativeAt(double t) const noexcept;
    // The direction of travel at t; see the header comment for zero speed.
    ccRadian tangentAt(double t) const;
    // The part between parameters t0 <= t1 of [0, 1], reparametrised to
    // [0, 1]: exactly the same points (split by de Casteljau's rule, in
    // homogeneous coordinates for rational pieces). Polynomial pieces stay
    // polynomial.
    ccCubicSegment piece(double t0, double t1) const;
    // The same points run from end to start.
    ccCubicSegment reversed() const noexcept;
    // The image under an affine map; weights are unchanged, since affine maps
    // commute with the weighted mean that defines the points.
    ccCubicSegment mapped(const ccXform<2>& xform) const noexcept;
    // |dc/dt|, as a function for arc-length integration.
    double speedAt(double t) const noexcept { return derivativeAt(t).len(); }
};

// A position on a path: piece number and parameter within the piece.
struct ccCubicPlace {
    long segment = 0;
    double t = 0.0;
};

class ccCubicPath {
  public:
    // The empty path: no pieces, length 0.
    ccCubicPath() = default;
    // Pieces must join end to start (and, for a closed path, last to first);
    // that is the caller's promise and is not checked.
    ccCubicPath(std::vector<ccCubicSegment> segments, bool closed);

    bool isEmpty() const noexcept { return segments_.empty(); }
    bool isClosed() const noexcept { return closed_; }
    long numSegments() const noexcept { return static_cast<long>(segments_.size()); }
    // Piece `i`, 0 <= i < numSegments().
    const ccCubicSegment& segment(long i) const { return segments_.at(static_cast<size_t>(i)); }

    double length() const;
    // Arc length of piece `i` alone.
    double segmentLength(long i) const;

    // The place at arc length `s` from the start, s clamped to [0, length()].
    // Accurate to cc_tol::kArcParameterRelative of the piece's length.
    ccCubicPlace placeAtLength(double s) const;
    // Arc length from the start to `place`.
    double lengthAt(const ccCubicPlace& place) const;
    // The place at the path's own parameter T in [0, numSegments()] (clamped):
    // piece floor(T) at T - floor(T), and the last piece's end at
    // T = numSegments(). The empty path gives {0, 0}.
    ccCubicPlace placeAtParam(double T) const;

    // The queries below throw ccShapesError::BadParams on an empty path.
    ccVector<2> pointAt(const ccCubicPlace& place) const;
    ccRadian tangentAt(const ccCubicPlace& place) const;
    ccVector<2> startPoint() const;
    ccVector<2> endPoint() const;
    ccRadian startAngle() const;
    ccRadian endAngle() const;

    // The signed angle the path sweeps as seen from `p` (counter-clockwise
    // positive). Undefined, but finite, when `p` lies on the path.
    double windingAngle(const ccVector<2>& p) const;
    // The signed total turn of the tangent, joints included (and the closing
    // joint of a closed path). A cusp counts as a half turn whose sign follows
    // the rounding of the tangents on either side.
    double tangentRotation() const;
    // The integral of x dy along the path: the signed area of a closed path.
    double signedArea() const;
    // Smallest and largest coordinates over all points of the path.
    void bounds(ccVector<2>& lower, ccVector<2>& upper) const;
    // The place of the point of the path nearest to `p` (the first such place
    // when several are equally near).
    ccCubicPlace nearestPlace(const ccVector<2>& p) const;

  private:
    struct Measure {
        std::once_flag once;
        // Arc length from the start to the end of each piece.
        std::vector<double> ends;
        // Each piece's length measured panel by panel, so that a place is
        // found within one panel rather than by integrating the piece from
        // its start at every step (a shape seen in perspective asks for
        // thousands of places).
        std::vector<ccArcLengthTable> tables;
    };

    void requireNonEmpty(const wchar_t* what) const;
    // The measurement, made now if no query has made it yet.
    const Measure& measured() const;

    std::vector<ccCubicSegment> segments_;
    std::shared_ptr<Measure> measure_ = std::make_shared<Measure>();
    bool closed_ = false;
};

// A path read through its own parameter (see placeAtParam): each piece is
// smooth in it and needs no arc-length search. Refers to `path`, which must
// outlive it.
class ccCubicPathParametrisation final : public ccCurveParametrisation {
  public:
    explicit ccCubicPathParametrisation(const ccCubicPath& path) : path_(path) {}

    // numSegments(); 0 for the empty path, whose points throw BadParams.
    double end() const override { return static_cast<double>(path_.numSegments()); }
    void pointAt(double t, ccVector<2>& point, ccVector<2>& derivative,
                 ccRadian& tangent) const override;
    double arcLengthAt(double t) const override { return path_.lengthAt(path_.placeAtParam(t)); }

  private:
    const ccCubicPath& path_;
};
