#include "vxstd12u/point.h"

#include "vxstd12u/archiveform.h"

#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/rect.h"

cc2Point::cc2Point(const ccVector<2>& point) {
    cfRequireFinite(point, "point");
    point_ = point;
}

void cc2Point::point(const ccVector<2>& point) {
    cfRequireFinite(point, "point");
    noticeChange_();
    point_ = point;
}

bool cc2Point::within(const ccVector<2>&) const {
    throw ccShapesError::NotRegion(L"a cc2Point bounds no region");
}

ccRect cc2Point::boundingBox() const {
    return ccRect(point_, ccVector<2>());
}

void cc2Point::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                    ccRadian& tangent) const {
    cfRequireOwnNode(pos, "cc2Point");
    point = point_;
    tangent = ccRadian(0.0);
}

ccPtrHandle<ccShape> cc2Point::clone() const {
    return cfMakeHandle<cc2Point>(*this);
}

ccPtrHandle<ccShape> cc2Point::mapShape(const ccXform<2>& xform) const {
    return cfMakeHandle<cc2Point>(xform.mapPoint(point_));
}

bool cc2Point::equal_(const ccShape& other) const {
    const auto* p = dynamic_cast<const cc2Point*>(&other);
    return p && p->point_ == point_;
}

ccPtrHandle<ccShape> cc2Point::pieceBetween_(double, double) const {
    return cloneThat_(*this);
}

// ---- archive form of cc2Point

namespace {
const cc_Instantiator kPointExemplar(typeid(cc2Point), &cc2Point::make);
}  // namespace

ccPersistent* cc2Point::make() {
    return new cc2Point;
}

void cc2Point::exchangeParams(ccArchive& ar) {
    ccVector<2> point = point_;
    ar || point;
    if (!ar.isLoading()) return;
    cc2Point loaded = cfValidLoaded("cc2Point", [&] { return cc2Point(point); });
    noticeChange_();
    *this = loaded;
}

void cc2Point::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/point", 1, [&] { exchangeParams(ar); });
}
