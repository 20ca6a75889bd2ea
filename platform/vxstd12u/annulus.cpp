#include "vxstd12u/annulus.h"

#include "vxstd12u/archiveform.h"

#include <cmath>

#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/tolerances.h"

namespace {

using Loop = ccComposedShape::Loop;

void requireRingRadii(double outer, double inner) {
    cfRequireFinite(outer, "outer radius");
    cfRequireFinite(inner, "inner radius");
    if (!(outer > 0)) throw ccShapesError::BadParams(L"outer radius must be positive");
    if (inner < 0) throw ccShapesError::BadParams(L"inner radius must not be negative");
    if (inner > outer)
        throw ccShapesError::BadParams(L"inner radius must not exceed the outer radius");
}

// Both components at once, so that a ring of ellipses has the same checks as
// a ring of circles.
void requireRingRadii(const ccVector<2>& outer, const ccVector<2>& inner) {
    requireRingRadii(outer.x(), inner.x());
    requireRingRadii(outer.y(), inner.y());
}

void requireFiniteXform(const ccXform<2>& xform) {
    if (!xform.isFinite()) throw ccShapesError::BadParams(L"transform must be finite");
}

bool hasArea(const ccVector<2>& radii) {
    return radii.x() > 0 && radii.y() > 0;
}

// Whether the matrix keeps +x pointing along +x and scales uniformly, a
// mirror in x allowed: [s 0; 0 +-s] with s > 0.
bool keepsCircleStart(const ccMatrix<2>& m) {
    const double s = m.element(0, 0);
    const double tol = cc_tol::kOrthonormal * s;
    return s > 0 && std::fabs(m.element(0, 1)) <= tol && std::fabs(m.element(1, 0)) <= tol &&
           std::fabs(std::fabs(m.element(1, 1)) - s) <= tol;
}

// How a map acts on the axes of an ellipse at `angle`, when it keeps them
// perpendicular: the new axis angle, the factors along each axis and whether
// the axes' order of turning flips.
struct ccAxisImage {
    double angle = 0.0;
    ccVector<2> scales;
    bool mirrors = false;
};

bool axesStayPerpendicular(const ccMatrix<2>& m, double angle, ccAxisImage& image) {
    const ccVector<2> u1 = m * ccVector<2>::polar(angle);
    const ccVector<2> u2 = m * ccVector<2>::polar(angle + ccPi / 2);
    const double l1 = u1.len(), l2 = u2.len();
    if (!(l1 > 0 && l2 > 0)) return false;
    if (std::fabs(u1.dot(u2)) > cc_tol::kOrthonormal * l1 * l2) return false;
    image.angle = u1.angle();
    image.scales = ccVector<2>(l1, l2);
    image.mirrors = u1.cross(u2) < 0;
    return true;
}

ccVector<2> scaled(const ccVector<2>& v, const ccVector<2>& s) {
    return {v.x() * s.x(), v.y() * s.y()};
}

// Whether inner = k * outer for one k: then both curves map alike under any map.
bool isProportional(const ccVector<2>& outer, const ccVector<2>& inner) {
    return std::fabs(outer.cross(inner)) <= cc_tol::kDegenerateRelative * outer.len() * inner.len();
}

}  // namespace

// ---------------------------------------------------------------- ccAnnulus

ccAnnulus::ccAnnulus(const ccVector<2>& center, double outerRadius, double innerRadius,
                     bool rightHanded)
    : center_(center), outer_(outerRadius), inner_(innerRadius), rightHanded_(rightHanded) {
    cfRequireFinite(center, "annulus centre");
    requireRingRadii(outerRadius, innerRadius);
}

void ccAnnulus::center(const ccVector<2>& c) {
    cfRequireFinite(c, "annulus centre");
    noticeChange_();
    center_ = c;
}

void ccAnnulus::radii(double outerRadius, double innerRadius) {
    requireRingRadii(outerRadius, innerRadius);
    noticeChange_();
    outer_ = outerRadius;
    inner_ = innerRadius;
}

void ccAnnulus::rightHanded(bool r) {
    noticeChange_();
    rightHanded_ = r;
}

ccEllipseAnnulus ccAnnulus::asEllipseAnnulus() const {
    return ccEllipseAnnulus(
        ccEllipse2(center_, ccVector<2>(outer_, outer_), ccRadian(0.0), rightHanded_),
        ccVector<2>(inner_, inner_));
}

ccPtrHandle<ccShape> ccAnnulus::clone() const {
    return cfMakeHandle<ccAnnulus>(*this);
}

ccPtrHandle<ccShape> ccAnnulus::mapShape(const ccXform<2>& xform) const {
    requireFiniteXform(xform);
    const ccMatrix<2>& m = xform.matrix();
    if (!keepsCircleStart(m)) return cloneThat_(*asEllipseAnnulus().mapShape(xform));
    const double s = m.element(0, 0);
    const bool mirrors = m.determinant() < 0;
    return cfMakeHandle<ccAnnulus>(xform.mapPoint(center_), s * outer_, s * inner_,
                                   rightHanded_ != mirrors);
}

ccPtrHandle<ccShape> ccAnnulus::reverse() const {
    return cfMakeHandle<ccAnnulus>(center_, outer_, inner_, !rightHanded_);
}

bool ccAnnulus::equal_(const ccShape& other) const {
    const auto* o = dynamic_cast<const ccAnnulus*>(&other);
    return o && o->center_ == center_ && o->outer_ == outer_ && o->inner_ == inner_ &&
           o->rightHanded_ == rightHanded_;
}

std::vector<Loop> ccAnnulus::loops_() const {
    // A counter-clockwise circle is a ccCircle; a clockwise one must be an ellipse.
    auto ring = [this](double radius, bool counterClockwise) -> ccShapePtrh_const {
        if (counterClockwise) return cfMakeHandle<ccCircle>(center_, radius);
        return cfMakeHandle<ccEllipse2>(center_, ccVector<2>(radius, radius), ccRadian(0.0), false);
    };
    std::vector<Loop> loops{{ring(outer_, rightHanded_)}};
    if (inner_ > 0) loops.push_back({ring(inner_, !rightHanded_)});
    return loops;
}

// ---------------------------------------------------------------- ccEllipseAnnulus

ccEllipseAnnulus::ccEllipseAnnulus(const ccEllipse2& outer, const ccVector<2>& innerRadii)
    : outer_(outer), inner_(innerRadii) {
    requireRingRadii(outer.radii(), innerRadii);
}

void ccEllipseAnnulus::ellipses(const ccEllipse2& outer, const ccVector<2>& innerRadii) {
    requireRingRadii(outer.radii(), innerRadii);
    noticeChange_();
    outer_ = outer;
    inner_ = innerRadii;
}

ccEllipse2 ccEllipseAnnulus::inner() const {
    return ccEllipse2(outer_.center(), inner_, outer_.angle(), !outer_.isRightHanded(),
                      outer_.phase());
}

ccPtrHandle<ccShape> ccEllipseAnnulus::clone() const {
    return cfMakeHandle<ccEllipseAnnulus>(*this);
}

ccPtrHandle<ccShape> ccEllipseAnnulus::mapShape(const ccXform<2>& xform) const {
    requireFiniteXform(xform);
    ccAxisImage axes;
    if (axesStayPerpendicular(xform.matrix(), angle().toDouble(), axes)) {
        // point(phi) maps to the new ellipse's point(-phi) when the axes flip.
        const ccRadian phase = axes.mirrors ? -outer_.phase() : outer_.phase();
        const ccEllipse2 outer(xform.mapPoint(center()), scaled(outerRadii(), axes.scales),
                               ccRadian(axes.angle), isRightHanded() != axes.mirrors, phase);
        return cfMakeHandle<ccEllipseAnnulus>(outer, scaled(inner_, axes.scales));
    }
    if (isProportional(outerRadii(), inner_) && xform.determinant() != 0) {
        const ccEllipse2 outer = outer_.mapped(xform);
        const double k = inner_.x() / outerRadii().x();
        return cfMakeHandle<ccEllipseAnnulus>(outer, outer.radii() * k);
    }
    return decompose()->mapShape(xform);
}

ccPtrHandle<ccShape> ccEllipseAnnulus::reverse() const {
    ccEllipse2 outer = outer_;
    outer.rightHanded(!outer.isRightHanded());
    return cfMakeHandle<ccEllipseAnnulus>(outer, inner_);
}

bool ccEllipseAnnulus::equal_(const ccShape& other) const {
    const auto* o = dynamic_cast<const ccEllipseAnnulus*>(&other);
    return o && o->outer_ == outer_ && o->inner_ == inner_;
}

std::vector<Loop> ccEllipseAnnulus::loops_() const {
    std::vector<Loop> loops{{cfMakeHandle<ccEllipse2>(outer_)}};
    if (hasArea(inner_)) loops.push_back({cfMakeHandle<ccEllipse2>(inner())});
    return loops;
}

// ---------------------------------------------------------------- ccEllipseAnnulusSection

ccEllipseAnnulusSection::ccEllipseAnnulusSection(const ccVector<2>& center,
                                                 const ccVector<2>& outerRadii,
                                                 const ccVector<2>& innerRadii,
                                                 const ccRadian& angle, const ccRadian& phiStart,
                                                 const ccRadian& phiSpan, bool reversed)
    : center_(center),
      outer_(outerRadii),
      inner_(innerRadii),
      angle_(angle),
      phiStart_(phiStart),
      phiSpan_(phiSpan),
      reversed_(reversed) {
    cfRequireFinite(center, "section centre");
    requireRingRadii(outerRadii, innerRadii);
    cfRequireFinite(angle.toDouble(), "section angle");
    cfRequireFinite(phiStart.toDouble(), "section start angle");
    cfRequireFinite(phiSpan.toDouble(), "section span");
    const double span = std::fabs(phiSpan.toDouble());
    if (span == 0 || span > ccTwoPi)
        throw ccShapesError::BadParams(L"section span must be non-zero and at most one turn");
}

ccEllipseArc2 ccEllipseAnnulusSection::outerArc() const {
    return ccEllipseArc2(ccEllipse2(center_, outer_, angle_), phiStart_, phiSpan_);
}

ccEllipseArc2 ccEllipseAnnulusSection::innerArc() const {
    return ccEllipseArc2(ccEllipse2(center_, inner_, angle_), phiStart_, phiSpan_);
}

ccPtrHandle<ccShape> ccEllipseAnnulusSection::clone() const {
    return cfMakeHandle<ccEllipseAnnulusSection>(*this);
}

ccPtrHandle<ccShape> ccEllipseAnnulusSection::mapShape(const ccXform<2>& xform) const {
    requireFiniteXform(xform);
    ccAxisImage axes;
    if (axesStayPerpendicular(xform.matrix(), angle_.toDouble(), axes)) {
        const double flip = axes.mirrors ? -1.0 : 1.0;
        return cfMakeHandle<ccEllipseAnnulusSection>(
            xform.mapPoint(center_), scaled(outer_, axes.scales), scaled(inner_, axes.scales),
            ccRadian(axes.angle), phiStart_ * flip, phiSpan_ * flip, reversed_);
    }
    if (isProportional(outer_, inner_) && xform.determinant() != 0) {
        const ccEllipseArc2 arc = outerArc().mapped(xform);
        const ccEllipse2& e = arc.ellipse();
        const double k = inner_.x() / outer_.x();
        return cfMakeHandle<ccEllipseAnnulusSection>(e.center(), e.radii(), e.radii() * k,
                                                     e.angle(), arc.phiStart(), arc.phiSpan(),
                                                     reversed_);
    }
    return decompose()->mapShape(xform);
}

ccPtrHandle<ccShape> ccEllipseAnnulusSection::reverse() const {
    return cfMakeHandle<ccEllipseAnnulusSection>(center_, outer_, inner_, angle_, phiStart_,
                                                 phiSpan_, !reversed_);
}

bool ccEllipseAnnulusSection::equal_(const ccShape& other) const {
    const auto* o = dynamic_cast<const ccEllipseAnnulusSection*>(&other);
    return o && o->center_ == center_ && o->outer_ == outer_ && o->inner_ == inner_ &&
           o->angle_ == angle_ && o->phiStart_ == phiStart_ && o->phiSpan_ == phiSpan_ &&
           o->reversed_ == reversed_;
}

std::vector<Loop> ccEllipseAnnulusSection::loops_() const {
    const ccEllipseArc2 outer = outerArc(), inner = innerArc();
    Loop loop;
    cfAppendPiece(loop, cfMakeHandle<ccEllipseArc2>(outer));
    cfAppendPiece(loop, cfMakeHandle<ccLineSeg>(outer.endPoint(), inner.endPoint()));
    cfAppendPiece(loop, cfMakeHandle<ccEllipseArc2>(inner.reversed()));
    cfAppendPiece(loop, cfMakeHandle<ccLineSeg>(inner.startPoint(), outer.startPoint()));
    return {reversed_ ? cfReversedLoop(loop) : loop};
}

// ---- archive form of ccAnnulus

namespace {
const cc_Instantiator kccAnnulusExemplar(typeid(ccAnnulus), &ccAnnulus::make);
}  // namespace

ccPersistent* ccAnnulus::make() {
    return new ccAnnulus;
}

void ccAnnulus::exchangeParams(ccArchive& ar) {
    ccVector<2> center = center_;
    double outer = outer_, inner = inner_;
    bool rightHanded = rightHanded_;
    ar || center || outer || inner || rightHanded;
    if (!ar.isLoading()) return;
    const ccAnnulus loaded =
        cfValidLoaded("ccAnnulus", [&] { return ccAnnulus(center, outer, inner, rightHanded); });
    noticeChange_();
    *this = loaded;
}

void ccAnnulus::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/annulus", 1, [&] { exchangeParams(ar); });
}

bool ccAnnulus::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] { exchangeParams(ar); });
}

// ---- archive form of ccEllipseAnnulus

namespace {
const cc_Instantiator kccEllipseAnnulusExemplar(typeid(ccEllipseAnnulus), &ccEllipseAnnulus::make);
}  // namespace

ccPersistent* ccEllipseAnnulus::make() {
    return new ccEllipseAnnulus;
}

void ccEllipseAnnulus::exchangeParams(ccArchive& ar) {
    ccEllipse2 outer = outer_;
    outer.exchangeParams(ar);
    ccVector<2> inner = inner_;
    ar || inner;
    if (!ar.isLoading()) return;
    const ccEllipseAnnulus loaded =
        cfValidLoaded("ccEllipseAnnulus", [&] { return ccEllipseAnnulus(outer, inner); });
    noticeChange_();
    *this = loaded;
}

void ccEllipseAnnulus::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/annulus", 2, [&] { exchangeParams(ar); });
}

bool ccEllipseAnnulus::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] { exchangeParams(ar); });
}

// ---- archive form of ccEllipseAnnulusSection

namespace {
const cc_Instantiator kccEllipseAnnulusSectionExemplar(typeid(ccEllipseAnnulusSection),
                                                       &ccEllipseAnnulusSection::make);
}  // namespace

ccPersistent* ccEllipseAnnulusSection::make() {
    return new ccEllipseAnnulusSection;
}

void ccEllipseAnnulusSection::exchangeParams(ccArchive& ar) {
    ccVector<2> center = center_, outer = outer_, inner = inner_;
    ccRadian angle = angle_, phiStart = phiStart_, phiSpan = phiSpan_;
    bool reversed = reversed_;
    ar || center || outer || inner || angle || phiStart || phiSpan || reversed;
    if (!ar.isLoading()) return;
    const ccEllipseAnnulusSection loaded = cfValidLoaded("ccEllipseAnnulusSection", [&] {
        return ccEllipseAnnulusSection(center, outer, inner, angle, phiStart, phiSpan, reversed);
    });
    noticeChange_();
    *this = loaded;
}

void ccEllipseAnnulusSection::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/annulus", 3, [&] { exchangeParams(ar); });
}

bool ccEllipseAnnulusSection::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] { exchangeParams(ar); });
}
