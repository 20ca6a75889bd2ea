#include "vxstd12u/rect.h"

#include "vxstd12u/archiveform.h"

#include <algorithm>

#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/str.h"
#include "vxstd12u/tolerances.h"

namespace {

void requireSize(const ccVector<2>& size) {
    cfRequireFinite(size, "rectangle size");
    if (size.x() < 0 || size.y() < 0)
        throw ccShapesError::BadParams(L"rectangle size must not be negative: (" + cfStr(size.x()) +
                                       L", " + cfStr(size.y()) + L")");
}

// Whether the map takes every axis-aligned rectangle to one that starts at the
// image of its origin and still runs along +x first.
bool keepsRectangles(const ccMatrix<2>& m) {
    return m.element(0, 1) == 0.0 && m.element(1, 0) == 0.0 && m.element(0, 0) > 0.0 &&
           m.element(1, 1) > 0.0;
}

}  // namespace

ccRect::ccRect(const ccVector<2>& origin, const ccVector<2>& size) {
    cfRequireFinite(origin, "rectangle origin");
    requireSize(size);
    origin_ = origin;
    size_ = size;
}

ccRect ccRect::spanning(const ccVector<2>& a, const ccVector<2>& b) {
    cfRequireFinite(a, "rectangle corner");
    cfRequireFinite(b, "rectangle corner");
    const ccVector<2> low(std::min(a.x(), b.x()), std::min(a.y(), b.y()));
    const ccVector<2> high(std::max(a.x(), b.x()), std::max(a.y(), b.y()));
    return ccRect(low, high - low);
}

void ccRect::origin(const ccVector<2>& origin) {
    cfRequireFinite(origin, "rectangle origin");
    noticeChange_();
    origin_ = origin;
}

void ccRect::size(const ccVector<2>& size) {
    requireSize(size);
    noticeChange_();
    size_ = size;
}

ccVector<2> ccRect::corner(int i) const {
    switch (i) {
        case 0:
            return lowerLeft();
        case 1:
            return lowerRight();
        case 2:
            return upperRight();
        case 3:
            return upperLeft();
        default:
            throw ccShapesError::BadParams(L"a rectangle has corners 0 to 3, not " +
                                           cfStr(static_cast<long>(i)));
    }
}

ccPolyline ccRect::toPolyline() const {
    return ccPolyline({lowerLeft(), lowerRight(), upperRight(), upperLeft()}, true);
}

ccRect ccRect::unionWith(const ccRect& other) const {
    const ccVector<2> low(std::min(xMin(), other.xMin()), std::min(yMin(), other.yMin()));
    const ccVector<2> high(std::max(xMax(), other.xMax()), std::max(yMax(), other.yMax()));
    return ccRect(low, high - low);
}

bool ccRect::within(const ccVector<2>& p) const {
    // As for any region, points a rounding error outside the boundary are on it.
    const double slack = cc_tol::kCoincident;
    return p.x() >= xMin() - slack && p.x() <= xMax() + slack && p.y() >= yMin() - slack &&
           p.y() <= yMax() + slack;
}

double ccRect::windingAngle(const ccVector<2>& p) const {
    return toPolyline().windingAngle(p);
}

ccRadian ccRect::startAngle() const {
    return toPolyline().startAngle();
}

ccRadian ccRect::endAngle() const {
    return toPolyline().endAngle();
}

double ccRect::tangentRotation() const {
    return toPolyline().tangentRotation();
}

ccVector<2> ccRect::nearestPoint(const ccVector<2>& p) const {
    return toPolyline().nearestPoint(p);
}

ccPerimPos ccRect::nearestPerimPos(const ccVector<2>& p) const {
    return toPolyline().nearestPerimPos(p);
}

void ccRect::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                  ccRadian& tangent) const {
    cfRequireOwnNode(pos, "ccRect");
    toPolyline().perimPointAndTangent(pos, point, tangent);
}

void ccRect::sample(const ccSampleParams& params, ccSampleResult& result) const {
    toPolyline().sample(params, result);
}

ccPtrHandle<ccShape> ccRect::clone() const {
    return cfMakeHandle<ccRect>(*this);
}

ccPtrHandle<ccShape> ccRect::mapShape(const ccXform<2>& xform) const {
    if (keepsRectangles(xform.matrix()))
        return cfMakeHandle<ccRect>(
            ccRect::spanning(xform.mapPoint(lowerLeft()), xform.mapPoint(upperRight())));
    return cloneThat_(*toPolyline().mapShape(xform));
}

ccPtrHandle<ccShape> ccRect::reverse() const {
    return cloneThat_(*toPolyline().reverse());
}

ccPtrHandle<ccShape> ccRect::decompose() const {
    return cloneThat_(*toPolyline().decompose());
}

bool ccRect::equal_(const ccShape& other) const {
    const auto* rect = dynamic_cast<const ccRect*>(&other);
    return rect && rect->origin_ == origin_ && rect->size_ == size_;
}

ccPtrHandle<ccShape> ccRect::pieceBetween_(double from, double to) const {
    return cloneThat_(toPolyline().piece(from, to));
}

// ---- archive form of ccRect

namespace {
const cc_Instantiator kRectExemplar(typeid(ccRect), &ccRect::make);
}  // namespace

ccPersistent* ccRect::make() {
    return new ccRect;
}

void ccRect::exchangeParams(ccArchive& ar) {
    ccVector<2> origin = origin_, size = size_;
    ar || origin || size;
    if (!ar.isLoading()) return;
    ccRect loaded = cfValidLoaded("ccRect", [&] { return ccRect(origin, size); });
    noticeChange_();
    *this = loaded;
}

void ccRect::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/rect", 1, [&] { exchangeParams(ar); });
}

bool ccRect::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] { exchangeParams(ar); });
}
