#include "vxstd12u/bezier.h"

#include "vxstd12u/archiveform.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/str.h"

namespace {

bool isUsableWeight(double w) noexcept {
    return std::isfinite(w) && w > 0.0;
}

void requireUsable(const ccCubicSegment& segment) {
    for (const ccVector<2>& p : segment.points) cfRequireFinite(p, "Bezier control point");
    for (double w : segment.weights) {
        if (!isUsableWeight(w)) {
            throw ccShapesError::BadParams(L"Bezier weights must be positive and finite, got " +
                                           cfStr(w));
        }
    }
}

ccCubicSegment segmentOf(const ccBezierCurve::ccPoints& points,
                         const ccBezierCurve::ccWeights& weights) {
    ccCubicSegment s;
    s.points = points;
    s.weights = weights;
    return s;
}

}  // namespace

ccBezierCurve::ccBezierCurve() : path_({segment_}, false) {}

ccBezierCurve::ccBezierCurve(const ccVector<2>& p0, const ccVector<2>& p1, const ccVector<2>& p2,
                             const ccVector<2>& p3)
    : ccBezierCurve(ccPoints{{p0, p1, p2, p3}}) {}

ccBezierCurve::ccBezierCurve(const ccPoints& points) : ccBezierCurve(points, {{1, 1, 1, 1}}) {}

ccBezierCurve::ccBezierCurve(const ccPoints& points, const ccWeights& weights)
    : ccBezierCurve(segmentOf(points, weights)) {}

ccBezierCurve::ccBezierCurve(const ccCubicSegment& segment) {
    assign(segment);
}

void ccBezierCurve::assign(const ccCubicSegment& segment) {
    requireUsable(segment);
    ccCubicPath path({segment}, false);
    segment_ = segment;
    path_ = std::move(path);
}

ccVector<2> ccBezierCurve::controlPoint(int i) const {
    if (i < 0 || i > 3) {
        throw ccShapesError::BadParams(L"a Bezier curve has control points 0 to 3, not " +
                                       cfStr(static_cast<long>(i)));
    }
    return segment_.points[static_cast<size_t>(i)];
}

void ccBezierCurve::controlPoints(const ccPoints& points) {
    const ccCubicSegment changed = segmentOf(points, segment_.weights);
    requireUsable(changed);
    noticeChange_();
    assign(changed);
}

void ccBezierCurve::weights(const ccWeights& weights) {
    const ccCubicSegment changed = segmentOf(segment_.points, weights);
    requireUsable(changed);
    noticeChange_();
    assign(changed);
}

ccVector<2> ccBezierCurve::pointAt(double t) const {
    return segment_.pointAt(std::clamp(t, 0.0, 1.0));
}

bool ccBezierCurve::within(const ccVector<2>&) const {
    throw ccShapesError::NotRegion(L"a Bezier curve is an open contour and bounds no region");
}

ccRect ccBezierCurve::boundingBox() const {
    ccVector<2> lower, upper;
    path_.bounds(lower, upper);
    return ccRect(lower, upper - lower);
}

ccVector<2> ccBezierCurve::nearestPoint(const ccVector<2>& p) const {
    return path_.pointAt(path_.nearestPlace(p));
}

ccPerimPos ccBezierCurve::nearestPerimPos(const ccVector<2>& p) const {
    return ccPerimPos(0, path_.lengthAt(path_.nearestPlace(p)));
}

void ccBezierCurve::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                         ccRadian& tangent) const {
    cfRequireOwnNode(pos, "ccBezierCurve");
    const ccCubicPlace place = path_.placeAtLength(pos.offset());
    point = path_.pointAt(place);
    tangent = path_.tangentAt(place);
}

ccPtrHandle<ccShape> ccBezierCurve::clone() const {
    return cfMakeHandle<ccBezierCurve>(*this);
}

ccPtrHandle<ccShape> ccBezierCurve::mapShape(const ccXform<2>& xform) const {
    return ccPtrHandle<ccShape>(new ccBezierCurve(segment_.mapped(xform)));
}

ccPtrHandle<ccShape> ccBezierCurve::reverse() const {
    return ccPtrHandle<ccShape>(new ccBezierCurve(segment_.reversed()));
}

bool ccBezierCurve::equal_(const ccShape& other) const {
    const auto* curve = dynamic_cast<const ccBezierCurve*>(&other);
    return curve && curve->segment_.points == segment_.points &&
           curve->segment_.weights == segment_.weights;
}

ccPtrHandle<ccShape> ccBezierCurve::pieceBetween_(double from, double to) const {
    if (std::isnan(from) || std::isnan(to) || from > to) {
        throw ccShapesError::BadParams(L"a Bezier piece needs from <= to, got " + cfStr(from) +
                                       L" and " + cfStr(to));
    }
    const double t0 = path_.placeAtLength(from).t;
    const double t1 = path_.placeAtLength(to).t;
    return cloneThat_(ccBezierCurve(segment_.piece(t0, t1)));
}

// ---- archive form of ccBezierCurve

namespace {
const cc_Instantiator kccBezierCurveExemplar(typeid(ccBezierCurve), &ccBezierCurve::make);
}  // namespace

ccPersistent* ccBezierCurve::make() {
    return new ccBezierCurve;
}

void ccBezierCurve::exchangeParams(ccArchive& ar) {
    ccPoints points = controlPoints();
    ccWeights weights = this->weights();
    for (ccVector<2>& p : points) ar || p;
    for (double& w : weights) ar || w;

    if (!ar.isLoading()) return;
    const ccBezierCurve loaded =
        cfValidLoaded("ccBezierCurve", [&] { return ccBezierCurve(points, weights); });
    noticeChange_();
    *this = loaded;
}

void ccBezierCurve::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/bezier", 1, [&] { exchangeParams(ar); });
}
