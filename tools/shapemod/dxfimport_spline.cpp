#include <array>
#include <cmath>
#include <string>

#include "shapemod/dxfimport.h"
#include "vxstd12u/tolerances.h"

namespace shapemod {

namespace {

// A control point in homogeneous form (w x, w y, w), in which a rational
// curve is polynomial.
struct Homogeneous {
    double x = 0.0, y = 0.0, w = 1.0;
    Homogeneous lerp(const Homogeneous& to, double t) const {
        return {x + (to.x - x) * t, y + (to.y - y) * t, w + (to.w - w) * t};
    }
    ccVector<2> point() const { return ccVector<2>(x / w, y / w); }
};

// One knot span as a cubic in Bezier form, over the knots [from, to].
struct Piece {
    std::array<Homogeneous, 4> h;
    double from = 0.0, to = 0.0;
    ccVector<2> point(int i) const { return h[i].point(); }
    // Derivative with respect to the knot parameter at the start or end.
    ccVector<2> startTangent() const { return (point(1) - point(0)) * (3.0 / (to - from)); }
    ccVector<2> endTangent() const { return (point(3) - point(2)) * (3.0 / (to - from)); }
};

void check(const DxfSplineData& s) {
    const auto p = static_cast<std::size_t>(s.degree);
    if (s.degree < 1 || s.degree > 3)
        throw DxfSkip("degree " + std::to_string(s.degree) + " cannot be represented");
    if (s.points.size() < p + 1 || s.weights.size() != s.points.size())
        throw DxfSkip("too few control points for its degree");
    if (s.knots.size() != s.points.size() + p + 1)
        throw DxfSkip(std::to_string(s.knots.size()) + " knots do not fit " +
                      std::to_string(s.points.size()) + " control points");
    for (std::size_t i = 0; i < s.points.size(); ++i)
        if (!std::isfinite(s.points[i].x()) || !std::isfinite(s.points[i].y()) ||
            !std::isfinite(s.weights[i]) || s.weights[i] <= 0.0)
            throw DxfSkip("a control point or weight is not a finite positive number");
    for (std::size_t i = 0; i < s.knots.size(); ++i)
        if (!std::isfinite(s.knots[i]) || (i > 0 && s.knots[i] < s.knots[i - 1]))
            throw DxfSkip("knots are not finite and non-decreasing");
}

// The blossom of span `span` at the arguments `args` (one per degree): the
// de Boor recursion with its own argument at each level. Its values at the
// span's ends repeated give the span's Bezier control points.
Homogeneous blossom(const DxfSplineData& s, std::size_t span, const std::array<double, 3>& args) {
    const auto p = static_cast<std::size_t>(s.degree);
    std::array<Homogeneous, 4> d;
    for (std::size_t j = 0; j <= p; ++j) {
        const std::size_t k = span - p + j;
        const double w = s.weights[k];
        d[j] = {s.points[k].x() * w, s.points[k].y() * w, w};
    }
    for (std::size_t r = 1; r <= p; ++r)
        for (std::size_t j = p; j >= r; --j) {
            const std::size_t k = span - p + j;
            const double t = (args[r - 1] - s.knots[k]) / (s.knots[k + p + 1 - r] - s.knots[k]);
            d[j] = d[j - 1].lerp(d[j], t);
        }
    return d[p];
}

Piece cubicPiece(const DxfSplineData& s, std::size_t span) {
    const int p = s.degree;
    const double a = s.knots[span], b = s.knots[span + 1];
    std::array<Homogeneous, 4> c;
    for (int m = 0; m <= p; ++m) {
        std::array<double, 3> args{};
        for (int r = 0; r < p; ++r) args[r] = r < p - m ? a : b;
        c[m] = blossom(s, span, args);
    }
    // Degree elevation is exact, so every piece can be a cubic.
    Piece piece;
    piece.from = a;
    piece.to = b;
    if (p == 3) piece.h = c;
    if (p == 2) piece.h = {c[0], c[0].lerp(c[1], 2.0 / 3.0), c[1].lerp(c[2], 1.0 / 3.0), c[2]};
    if (p == 1) piece.h = {c[0], c[0].lerp(c[1], 1.0 / 3.0), c[0].lerp(c[1], 2.0 / 3.0), c[1]};
    return piece;
}

std::vector<Piece> pieces(const DxfSplineData& s) {
    std::vector<Piece> result;
    for (std::size_t span = s.degree; span < s.points.size(); ++span)
        if (s.knots[span] < s.knots[span + 1]) result.push_back(cubicPiece(s, span));
    if (result.empty()) throw DxfSkip("no knot span of positive length");
    return result;
}

// Whether the tangent leaving one piece and the one arriving from the piece
// before agree so closely that taking either moves no control point by more
// than the coincidence tolerance.
bool smoothJoint(const Piece& before, const Piece& after) {
    const double shift = (before.endTangent() - after.startTangent()).len() *
                         std::max(before.to - before.from, after.to - after.from) / 3.0;
    return shift <= cc_tol::kCoincident;
}

ccPtrHandle<ccShape> polylineOf(const std::vector<Piece>& ps, bool closed) {
    std::vector<ccVector<2>> points;
    points.reserve(ps.size() + 1);
    for (const Piece& p : ps) points.push_back(p.point(0));
    if (!closed) points.push_back(ps.back().point(3));
    return cfMakeHandle<ccPolyline>(points, closed);
}

ccPtrHandle<ccShape> bezierChain(const std::vector<Piece>& ps, bool closed) {
    std::vector<ccPtrHandle<ccShape>> curves;
    curves.reserve(ps.size());
    for (const Piece& p : ps)
        curves.emplace_back(cfMakeHandle<ccBezierCurve>(
            ccBezierCurve::ccPoints{p.point(0), p.point(1), p.point(2), p.point(3)},
            ccBezierCurve::ccWeights{p.h[0].w, p.h[1].w, p.h[2].w, p.h[3].w}));
    if (curves.size() == 1 && !closed) return curves.front();
    auto chain = cfMakeHandle<ccContourTree>(closed);
    for (const auto& c : curves) chain->addChild(c, true);
    return chain;
}

// The Hermite form when the curve is polynomial and smooth at every joint
// (the closing one too); an empty handle otherwise.
ccPtrHandle<ccShape> hermiteOf(const DxfSplineData& s, const std::vector<Piece>& ps, bool closed) {
    for (double w : s.weights)
        if (w != s.weights.front()) return {};
    if (closed && (ps.size() < 2 || !smoothJoint(ps.back(), ps.front()))) return {};
    ccPointList points, tangents;
    std::vector<double> knots;
    for (std::size_t i = 0; i < ps.size(); ++i) {
        if (i > 0 && !smoothJoint(ps[i - 1], ps[i])) return {};
        points.push_back(ps[i].point(0));
        tangents.push_back(ps[i].startTangent());
        knots.push_back(ps[i].from);
    }
    knots.push_back(ps.back().to);
    if (!closed) {
        points.push_back(ps.back().point(3));
        tangents.push_back(ps.back().endTangent());
    }
    return cfMakeHandle<ccHermiteSpline>(points, tangents, knots, closed);
}

}  // namespace

ccPtrHandle<ccShape> dxfSpline(const DxfSplineData& spline) {
    check(spline);
    const std::vector<Piece> ps = pieces(spline);
    const bool closed = (ps.back().point(3) - ps.front().point(0)).len() <= cc_tol::kCoincident;
    if (spline.degree == 1) return polylineOf(ps, closed);
    if (auto hermite = hermiteOf(spline, ps, closed)) return hermite;
    return bezierChain(ps, closed);
}

}  // namespace shapemod
