#include "vxstd12u/genrect.h"

#include "vxstd12u/archiveform.h"

#include <algorithm>
#include <cmath>

#include "vxstd12u/ellipse.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/tolerances.h"

namespace {

using Loop = ccComposedShape::Loop;

void requirePositiveRadii(const ccVector<2>& radii) {
    cfRequireFinite(radii, "generalized rectangle radii");
    if (!(radii.x() > 0 && radii.y() > 0))
        throw ccShapesError::BadParams(L"generalized rectangle radii must be positive");
}

void requireRounding(const ccVector<2>& round) {
    cfRequireFinite(round, "rounding");
    const bool inRange = round.x() >= 0 && round.x() <= 1 && round.y() >= 0 && round.y() <= 1;
    if (!inRange) throw ccShapesError::BadParams(L"rounding fractions must lie in [0, 1]");
}

void requireInnerRadii(const ccVector<2>& inner, const ccVector<2>& outer) {
    cfRequireFinite(inner, "inner radii");
    if (inner.x() < 0 || inner.y() < 0)
        throw ccShapesError::BadParams(L"inner radii must not be negative");
    if (inner.x() > outer.x() || inner.y() > outer.y())
        throw ccShapesError::BadParams(L"inner radii must not exceed the outer radii");
}

ccVector<2> times(const ccVector<2>& a, const ccVector<2>& b) {
    return {a.x() * b.x(), a.y() * b.y()};
}

// The radii of the corner ellipses: zero unless both fractions are positive,
// since a quarter ellipse with one zero radius is the sharp corner.
ccVector<2> cornerRadii(const ccVector<2>& radii, const ccVector<2>& round) {
    return round.x() > 0 && round.y() > 0 ? times(radii, round) : ccVector<2>();
}

// Whether the local point p of the first quadrant lies in the rectangle of
// `radii` with corner ellipses of `corner` radii, to cc_tol::kCoincident.
bool insideQuadrant(const ccVector<2>& p, const ccVector<2>& radii, const ccVector<2>& corner) {
    const double tol = cc_tol::kCoincident;
    if (p.x() > radii.x() + tol || p.y() > radii.y() + tol) return false;
    const ccVector<2> center = radii - corner;
    if (p.x() <= center.x() || p.y() <= center.y()) return true;
    const ccVector<2> unit((p.x() - center.x()) / corner.x(), (p.y() - center.y()) / corner.y());
    // The tolerance scaled from plane units to the ellipse's unit circle.
    return unit.len() <= 1 + tol / std::min(corner.x(), corner.y());
}

// The inner rectangle shares centre and axes with the outer one, and both are
// symmetric in each axis, so the inner corner of the first quadrant is the
// only place where it could leave the outer one. Its arc is checked at
// kInnerCornerChecks + 1 points.
constexpr int kInnerCornerChecks = 64;

void requireInnerInside(const ccGenRect& outer, const ccVector<2>& innerRadii,
                        const ccVector<2>& innerRound) {
    const ccVector<2> outerCorner = cornerRadii(outer.radii(), outer.round());
    const ccVector<2> innerCorner = cornerRadii(innerRadii, innerRound);
    const ccVector<2> center = innerRadii - innerCorner;
    for (int k = 0; k <= kInnerCornerChecks; ++k) {
        const double phi = ccPi / 2 * k / kInnerCornerChecks;
        const ccVector<2> p =
            center + times(innerCorner, ccVector<2>(std::cos(phi), std::sin(phi)));
        if (!insideQuadrant(p, outer.radii(), outerCorner))
            throw ccShapesError::BadParams(L"the inner rectangle must lie inside the outer one");
    }
}

// Corner k (0 to 3, counter-clockwise from the (+u, +v) corner) of the local
// square, and the unit directions from a corner's ellipse centre to where its
// arc starts and ends.
const ccVector<2> kCornerSigns[4] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
const ccVector<2> kAxisDirections[5] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 0}};

ccShapePtrh_const segment(const ccXform<2>& x, const ccVector<2>& a, const ccVector<2>& b) {
    return cfMakeHandle<ccLineSeg>(x.mapPoint(a), x.mapPoint(b));
}

}  // namespace

// ---------------------------------------------------------------- ccGenRect

ccGenRect::ccGenRect(const ccVector<2>& center, const ccVector<2>& radii, const ccRadian& orient,
                     const ccRadian& skew, const ccVector<2>& round, bool rightHanded)
    : radii_(radii), round_(round), rightHanded_(rightHanded) {
    cfRequireFinite(center, "generalized rectangle centre");
    requirePositiveRadii(radii);
    cfRequireFinite(orient.toDouble(), "orient");
    cfRequireSkew(skew.toDouble(), "skew");
    requireRounding(round);
    frame_.center = center;
    frame_.orient = orient.toDouble();
    frame_.skew = skew.toDouble();
}

void ccGenRect::center(const ccVector<2>& c) {
    cfRequireFinite(c, "generalized rectangle centre");
    noticeChange_();
    frame_.center = c;
}

void ccGenRect::radii(const ccVector<2>& r) {
    requirePositiveRadii(r);
    noticeChange_();
    radii_ = r;
}

void ccGenRect::orient(const ccRadian& a) {
    cfRequireFinite(a.toDouble(), "orient");
    noticeChange_();
    frame_.orient = a.toDouble();
}

void ccGenRect::skew(const ccRadian& s) {
    cfRequireSkew(s.toDouble(), "skew");
    noticeChange_();
    frame_.skew = s.toDouble();
}

void ccGenRect::round(const ccVector<2>& r) {
    requireRounding(r);
    noticeChange_();
    round_ = r;
}

void ccGenRect::rightHanded(bool r) {
    noticeChange_();
    rightHanded_ = r;
}

ccComposedShape::Loop ccGenRect::boundaryLoop() const {
    const ccXform<2> x = frame_.xform();
    const ccVector<2> u = cornerRadii(radii_, round_);
    const bool rounded = u.x() > 0;
    const ccVector<2> start(radii_.x(), 0.0);
    Loop loop;
    ccVector<2> at = start;
    for (int k = 0; k < 4; ++k) {
        const ccVector<2> center = times(kCornerSigns[k], radii_ - u);
        cfAppendPiece(loop, segment(x, at, center + times(u, kAxisDirections[k])));
        if (rounded) {
            const ccEllipseArc2 arc(ccEllipse2(center, u), ccRadian(k * ccPi / 2),
                                    ccRadian(ccPi / 2));
            cfAppendPiece(loop, cfMakeHandle<ccEllipseArc2>(arc.mapped(x)));
        }
        at = center + times(u, kAxisDirections[k + 1]);
    }
    cfAppendPiece(loop, segment(x, at, start));
    return rightHanded_ ? loop : cfReversedLoop(loop);
}

bool ccGenRect::mapped(const ccXform<2>& xform, ccGenRect& image, ccVector<2>& radiusScales) const {
    if (!xform.isFinite()) throw ccShapesError::BadParams(L"transform must be finite");
    const ccMatrix<2>& m = xform.matrix();
    const ccVector<2> xAxis = m * frame_.xDir() * radii_.x();
    const ccVector<2> yAxis = m * frame_.yDir() * radii_.y();
    // A mirror turns the local v axis round; the loop is symmetric in v about
    // its start point, so only the direction of travel changes.
    const bool mirrors = xform.determinant() < 0;
    ccSkewFrame frame;
    ccVector<2> radii;
    if (!ccSkewFrame::fromAxes(xform.mapPoint(frame_.center), xAxis, mirrors ? -yAxis : yAxis,
                               frame, radii))
        return false;
    image = ccGenRect(frame.center, radii, ccRadian(frame.orient), ccRadian(frame.skew), round_,
                      rightHanded_ != mirrors);
    radiusScales = ccVector<2>(radii.x() / radii_.x(), radii.y() / radii_.y());
    return true;
}

ccPtrHandle<ccShape> ccGenRect::clone() const {
    return cfMakeHandle<ccGenRect>(*this);
}

ccPtrHandle<ccShape> ccGenRect::mapShape(const ccXform<2>& xform) const {
    ccGenRect image;
    ccVector<2> scales;
    if (mapped(xform, image, scales)) return cfMakeHandle<ccGenRect>(image);
    return decompose()->mapShape(xform);
}

ccPtrHandle<ccShape> ccGenRect::reverse() const {
    auto reversed = cfMakeHandle<ccGenRect>(*this);
    reversed->rightHanded_ = !rightHanded_;
    return reversed;
}

bool ccGenRect::equal_(const ccShape& other) const {
    const auto* o = dynamic_cast<const ccGenRect*>(&other);
    return o && o->frame_.center == frame_.center && o->frame_.orient == frame_.orient &&
           o->frame_.skew == frame_.skew && o->radii_ == radii_ && o->round_ == round_ &&
           o->rightHanded_ == rightHanded_;
}

// ---------------------------------------------------------------- ccGenAnnulus

ccGenAnnulus::ccGenAnnulus(const ccGenRect& outer, const ccVector<2>& innerRadii,
                           const ccVector<2>& innerRound)
    : outer_(outer), innerRadii_(innerRadii), innerRound_(innerRound) {
    requireInnerRadii(innerRadii, outer.radii());
    requireRounding(innerRound);
    requireInnerInside(outer, innerRadii, innerRound);
}

void ccGenAnnulus::rects(const ccGenRect& outer, const ccVector<2>& innerRadii,
                         const ccVector<2>& innerRound) {
    requireInnerRadii(innerRadii, outer.radii());
    requireRounding(innerRound);
    requireInnerInside(outer, innerRadii, innerRound);
    noticeChange_();
    outer_ = outer;
    innerRadii_ = innerRadii;
    innerRound_ = innerRound;
}

ccGenRect ccGenAnnulus::inner() const {
    if (!hasHole())
        throw ccShapesError::BadParams(
            L"a generalized annulus with a zero inner radius has no hole");
    return ccGenRect(center(), innerRadii_, orient(), skew(), innerRound_, !isRightHanded());
}

ccPtrHandle<ccShape> ccGenAnnulus::clone() const {
    return cfMakeHandle<ccGenAnnulus>(*this);
}

ccPtrHandle<ccShape> ccGenAnnulus::mapShape(const ccXform<2>& xform) const {
    ccGenRect outer;
    ccVector<2> scales;
    if (!outer_.mapped(xform, outer, scales)) return decompose()->mapShape(xform);
    // Rounding may push an inner radius equal to the outer one a hair beyond it.
    const ccVector<2> inner(std::min(innerRadii_.x() * scales.x(), outer.radii().x()),
                            std::min(innerRadii_.y() * scales.y(), outer.radii().y()));
    return cfMakeHandle<ccGenAnnulus>(outer, inner, innerRound_);
}

ccPtrHandle<ccShape> ccGenAnnulus::reverse() const {
    ccGenRect outer = outer_;
    outer.rightHanded(!outer_.isRightHanded());
    return cfMakeHandle<ccGenAnnulus>(outer, innerRadii_, innerRound_);
}

bool ccGenAnnulus::equal_(const ccShape& other) const {
    const auto* o = dynamic_cast<const ccGenAnnulus*>(&other);
    return o && o->outer_ == outer_ && o->innerRadii_ == innerRadii_ &&
           o->innerRound_ == innerRound_;
}

std::vector<Loop> ccGenAnnulus::loops_() const {
    std::vector<Loop> loops{outer_.boundaryLoop()};
    if (hasHole()) loops.push_back(inner().boundaryLoop());
    return loops;
}

// ---- archive form of ccGenRect

namespace {
const cc_Instantiator kccGenRectExemplar(typeid(ccGenRect), &ccGenRect::make);
}  // namespace

ccPersistent* ccGenRect::make() {
    return new ccGenRect;
}

void ccGenRect::exchangeParams(ccArchive& ar) {
    ccVector<2> center = this->center(), radii = radii_, round = round_;
    ccRadian orient = this->orient(), skew = this->skew();
    bool rightHanded = rightHanded_;
    ar || center || radii || orient || skew || round || rightHanded;
    if (!ar.isLoading()) return;
    const ccGenRect loaded = cfValidLoaded(
        "ccGenRect", [&] { return ccGenRect(center, radii, orient, skew, round, rightHanded); });
    noticeChange_();
    *this = loaded;
}

void ccGenRect::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/genrect", 1, [&] { exchangeParams(ar); });
}

bool ccGenRect::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] { exchangeParams(ar); });
}

// ---- archive form of ccGenAnnulus

namespace {
const cc_Instantiator kccGenAnnulusExemplar(typeid(ccGenAnnulus), &ccGenAnnulus::make);
}  // namespace

ccPersistent* ccGenAnnulus::make() {
    return new ccGenAnnulus;
}

void ccGenAnnulus::exchangeParams(ccArchive& ar) {
    ccGenRect outer = outer_;
    outer.exchangeParams(ar);
    ccVector<2> innerRadii = innerRadii_, innerRound = innerRound_;
    ar || innerRadii || innerRound;
    if (!ar.isLoading()) return;
    const ccGenAnnulus loaded =
        cfValidLoaded("ccGenAnnulus", [&] { return ccGenAnnulus(outer, innerRadii, innerRound); });
    noticeChange_();
    *this = loaded;
}

void ccGenAnnulus::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/genrect", 2, [&] { exchangeParams(ar); });
}

bool ccGenAnnulus::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] { exchangeParams(ar); });
}
