#include "vxstd12u/affinerect.h"

#include "vxstd12u/archiveform.h"

#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"

namespace {

void requireSides(const ccVector<2>& sides) {
    cfRequireFinite(sides, "affine rectangle sides");
    if (!(sides.x() > 0 && sides.y() > 0))
        throw ccShapesError::BadParams(L"affine rectangle sides must be positive");
}

}  // namespace

ccAffineRectangle::ccAffineRectangle(const ccVector<2>& center, const ccVector<2>& sides,
                                     const ccRadian& rotation, const ccRadian& skew,
                                     bool rightHanded)
    : sides_(sides), rightHanded_(rightHanded) {
    cfRequireFinite(center, "affine rectangle centre");
    requireSides(sides);
    cfRequireFinite(rotation.toDouble(), "rotation");
    cfRequireSkew(skew.toDouble(), "skew");
    frame_.center = center;
    frame_.orient = rotation.toDouble();
    frame_.skew = skew.toDouble();
}

ccVector<2> ccAffineRectangle::corner(int i) const {
    const ccVector<2> w = frame_.xDir() * sides_.x(), h = frame_.yDir() * sides_.y();
    const ccVector<2> c0 = frame_.center - (w + h) * 0.5;
    switch (i) {
        case 0:
            return c0;
        case 1:
            return c0 + w;
        case 2:
            return c0 + w + h;
        case 3:
            return c0 + h;
        default:
            throw ccShapesError::BadParams(L"affine rectangle corner index must be 0 to 3");
    }
}

void ccAffineRectangle::center(const ccVector<2>& c) {
    cfRequireFinite(c, "affine rectangle centre");
    noticeChange_();
    frame_.center = c;
}

void ccAffineRectangle::sides(const ccVector<2>& s) {
    requireSides(s);
    noticeChange_();
    sides_ = s;
}

void ccAffineRectangle::rotation(const ccRadian& a) {
    cfRequireFinite(a.toDouble(), "rotation");
    noticeChange_();
    frame_.orient = a.toDouble();
}

void ccAffineRectangle::skew(const ccRadian& s) {
    cfRequireSkew(s.toDouble(), "skew");
    noticeChange_();
    frame_.skew = s.toDouble();
}

void ccAffineRectangle::rightHanded(bool r) {
    noticeChange_();
    rightHanded_ = r;
}

ccPtrHandle<ccShape> ccAffineRectangle::clone() const {
    return cfMakeHandle<ccAffineRectangle>(*this);
}

ccPtrHandle<ccShape> ccAffineRectangle::mapShape(const ccXform<2>& xform) const {
    if (!xform.isFinite()) throw ccShapesError::BadParams(L"transform must be finite");
    const ccMatrix<2>& m = xform.matrix();
    const ccVector<2> w = m * frame_.xDir() * sides_.x(), h = m * frame_.yDir() * sides_.y();
    // A mirror makes the side pair left-handed; taking the sides in the other
    // order restores it, and the start corner is the same for both orders.
    const bool mirrors = xform.determinant() < 0;
    ccSkewFrame frame;
    ccVector<2> sides;
    if (!ccSkewFrame::fromAxes(xform.mapPoint(frame_.center), mirrors ? h : w, mirrors ? w : h,
                               frame, sides))
        return decompose()->mapShape(xform);
    return cfMakeHandle<ccAffineRectangle>(frame.center, sides, ccRadian(frame.orient),
                                           ccRadian(frame.skew), rightHanded_ != mirrors);
}

ccPtrHandle<ccShape> ccAffineRectangle::reverse() const {
    auto reversed = cfMakeHandle<ccAffineRectangle>(*this);
    reversed->rightHanded_ = !rightHanded_;
    return reversed;
}

bool ccAffineRectangle::equal_(const ccShape& other) const {
    const auto* o = dynamic_cast<const ccAffineRectangle*>(&other);
    return o && o->frame_.center == frame_.center && o->frame_.orient == frame_.orient &&
           o->frame_.skew == frame_.skew && o->sides_ == sides_ && o->rightHanded_ == rightHanded_;
}

std::vector<ccComposedShape::Loop> ccAffineRectangle::loops_() const {
    Loop loop;
    for (int i = 0; i < 4; ++i)
        loop.push_back(cfMakeHandle<ccLineSeg>(corner(i), corner((i + 1) % 4)));
    return {rightHanded_ ? loop : cfReversedLoop(loop)};
}

// ---- archive form of ccAffineRectangle

namespace {
const cc_Instantiator kccAffineRectangleExemplar(typeid(ccAffineRectangle),
                                                 &ccAffineRectangle::make);
}  // namespace

ccPersistent* ccAffineRectangle::make() {
    return new ccAffineRectangle;
}

void ccAffineRectangle::exchangeParams(ccArchive& ar) {
    ccVector<2> center = this->center(), sides = sides_;
    ccRadian rotation = this->rotation(), skew = this->skew();
    bool rightHanded = rightHanded_;
    ar || center || sides || rotation || skew || rightHanded;
    if (!ar.isLoading()) return;
    const ccAffineRectangle loaded = cfValidLoaded("ccAffineRectangle", [&] {
        return ccAffineRectangle(center, sides, rotation, skew, rightHanded);
    });
    noticeChange_();
    *this = loaded;
}

void ccAffineRectangle::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/affinerect", 1, [&] { exchangeParams(ar); });
}

bool ccAffineRectangle::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] { exchangeParams(ar); });
}
