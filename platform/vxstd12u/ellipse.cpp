#include "vxstd12u/ellipse.h"

#include "vxstd12u/archiveform.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "vxstd12u/ellipserun.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/tolerances.h"

namespace {

void requireFinite(double v, const wchar_t* what) {
    if (!std::isfinite(v)) throw ccShapesError::BadParams(std::wstring(what) + L" is not finite");
}

void requireFinite(const ccVector<2>& v, const wchar_t* what) {
    if (!v.isFinite()) throw ccShapesError::BadParams(std::wstring(what) + L" is not finite");
}

void requireRadius(double r, const wchar_t* what) {
    requireFinite(r, what);
    if (r < 0) throw ccShapesError::BadParams(std::wstring(what) + L" is negative");
}

// A position on one of these primitives: node 0 and an offset that is a
// number (an infinite one is clamped like any other).
void requireOwnPosition(const ccPerimPos& pos, const char* shapeName) {
    cfRequireOwnNode(pos, shapeName);
    if (std::isnan(pos.offset()))
        throw ccShapesError::BadParams(L"perimeter offset is not a number");
}

// The points and tangents of `run` (of length `total`) at n offsets, each as
// the shape's perimPointAndTangent gives it; the run and its length are found
// once for all of them.
void runPointsAndTangents(const ccEllipseRun& run, double total, const double* offsets, long n,
                          ccVector<2>* points, ccRadian* tangents) {
    for (long k = 0; k < n; ++k)
        if (std::isnan(offsets[k]))
            throw ccShapesError::BadParams(L"perimeter offset is not a number");
    ccRadian unused;
    const ccArcLengthTable measure = run.measure();
    for (long k = 0; k < n; ++k)
        run.pointAndTangentAtLength(offsets[k], total, measure, points[k],
                                    tangents ? tangents[k] : unused);
}

void requireQueryPoint(const ccVector<2>& p) {
    requireFinite(p, L"query point");
}

void requireFiniteXform(const ccXform<2>& xform) {
    if (!xform.isFinite()) throw ccShapesError::BadParams(L"transform is not finite");
}

ccRect rectSpanning(const ccVector<2>& lo, const ccVector<2>& hi) {
    return ccRect(lo, hi - lo);
}

// The map p -> s p + t with s > 0, the only one under which a circle keeps
// both its shape and its start point at angle 0.
bool isPositiveUniformScaling(const ccMatrix<2>& m) {
    return m.element(0, 1) == 0.0 && m.element(1, 0) == 0.0 && m.element(0, 0) == m.element(1, 1) &&
           m.element(0, 0) > 0.0;
}

// The arc's span reduced to at most one turn either way.
double clampedSpan(double span) {
    return std::clamp(span, -ccTwoPi, ccTwoPi);
}

}  // namespace

// ---------------------------------------------------------------- ccCircle

ccCircle::ccCircle(const ccVector<2>& center, double radius) : center_(center), radius_(radius) {
    requireFinite(center, L"circle centre");
    requireRadius(radius, L"circle radius");
}

void ccCircle::center(const ccVector<2>& c) {
    requireFinite(c, L"circle centre");
    noticeChange_();
    center_ = c;
}

void ccCircle::radius(double r) {
    requireRadius(r, L"circle radius");
    noticeChange_();
    radius_ = r;
}

ccEllipse2 ccCircle::asEllipse() const {
    return ccEllipse2(center_, ccVector<2>(radius_, radius_));
}

bool ccCircle::within(const ccVector<2>& p) const {
    return (p - center_).len() <= radius_ + cc_tol::kCoincident;
}

double ccCircle::windingAngle(const ccVector<2>& p) const {
    return (p - center_).len() < radius_ ? ccTwoPi : 0.0;
}

ccVector<2> ccCircle::startPoint() const {
    return center_ + ccVector<2>(radius_, 0.0);
}

ccRadian ccCircle::startAngle() const {
    return ccRadian(ccPi / 2);
}

double ccCircle::tangentRotation() const {
    return ccTwoPi;
}

ccRect ccCircle::boundingBox() const {
    const ccVector<2> half(radius_, radius_);
    return rectSpanning(center_ - half, center_ + half);
}

ccVector<2> ccCircle::nearestPoint(const ccVector<2>& p) const {
    requireQueryPoint(p);
    const ccVector<2> d = p - center_;
    if (d.lenSq() == 0.0) return startPoint();
    return center_ + d.unit() * radius_;
}

ccPerimPos ccCircle::nearestPerimPos(const ccVector<2>& p) const {
    requireQueryPoint(p);
    return ccPerimPos(0, radius_ * ccRadian((p - center_).angle()).norm().toDouble());
}

double ccCircle::perimeter() const {
    return ccTwoPi * radius_;
}

void ccCircle::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                    ccRadian& tangent) const {
    requireOwnPosition(pos, "ccCircle");
    pointAndTangentAt(std::clamp(pos.offset(), 0.0, perimeter()), point, tangent);
}

namespace {

// Unit vectors at angles that rise by a fixed step, each found by turning
// the one before through the step: a sine and cosine once every
// kTurnsPerAnchor vectors instead of for each. Every anchor is found
// directly, so rounding builds up over at most that many turns.
class TurningUnitVector {
  public:
    ccVector<2> at(double phi) noexcept {
        if (count_ % kTurnsPerAnchor == 0) {
            last_ = ccVector<2>::polar(phi);
        } else {
            if (count_ == 1) turn_ = ccVector<2>::polar(phi - lastPhi_);
            last_ = ccVector<2>(last_.x() * turn_.x() - last_.y() * turn_.y(),
                                last_.x() * turn_.y() + last_.y() * turn_.x());
        }
        lastPhi_ = phi;
        ++count_;
        return last_;
    }

  private:
    static constexpr long kTurnsPerAnchor = 32;
    long count_ = 0;
    double lastPhi_ = 0.0;
    ccVector<2> last_, turn_;
};

}  // namespace

void ccCircle::sample(const ccSampleParams& params, ccSampleResult& result) const {
    // The samples of a circle lie a fixed angle apart.
    TurningUnitVector unit;
    cfSampleChain(perimeter(), true, params, result,
                  [&](double s, ccVector<2>& point, ccRadian& tangent) {
                      const double phi = radius_ > 0 ? s / radius_ : 0.0;
                      point = center_ + unit.at(phi) * radius_;
                      tangent = cfOnVectorBranch(phi + 0.5 * ccPi);
                  });
}

long ccCircle::sampleCount(const ccSampleParams& params) const noexcept {
    return cfSampleCount(perimeter(), true, params);
}

void ccCircle::pointAndTangentAt(double offset, ccVector<2>& point,
                                 ccRadian& tangent) const noexcept {
    const double phi = radius_ > 0 ? offset / radius_ : 0.0;
    point = center_ + ccVector<2>::polar(phi) * radius_;
    tangent = cfOnVectorBranch(phi + 0.5 * ccPi);
}

ccPtrHandle<ccShape> ccCircle::clone() const {
    return ccPtrHandle<ccShape>(new ccCircle(*this));
}

ccPtrHandle<ccShape> ccCircle::mapShape(const ccXform<2>& xform) const {
    requireFiniteXform(xform);
    if (isPositiveUniformScaling(xform.matrix())) {
        const double scale = xform.matrix().element(0, 0);
        return ccPtrHandle<ccShape>(new ccCircle(xform.mapPoint(center_), scale * radius_));
    }
    return cloneThat_(asEllipse().mapped(xform));
}

ccPtrHandle<ccShape> ccCircle::reverse() const {
    return cloneThat_(ccEllipse2(center_, ccVector<2>(radius_, radius_), ccRadian(0.0), false));
}

bool ccCircle::equal_(const ccShape& other) const {
    const auto* o = dynamic_cast<const ccCircle*>(&other);
    return o && o->center_ == center_ && o->radius_ == radius_;
}

ccPtrHandle<ccShape> ccCircle::pieceBetween_(double from, double to) const {
    return ccPtrHandle<ccShape>(
        new ccEllipseArc2(cfEllipsePiece(asEllipse(), 0.0, 1.0, ccTwoPi, from, to)));
}

// ---------------------------------------------------------------- ccEllipse2

ccEllipse2::ccEllipse2(const ccVector<2>& center, const ccVector<2>& radii, const ccRadian& angle,
                       bool rightHanded, const ccRadian& phase)
    : center_(center), radii_(radii), angle_(angle), rightHanded_(rightHanded), phase_(phase) {
    requireFinite(center, L"ellipse centre");
    requireRadius(radii.x(), L"ellipse x radius");
    requireRadius(radii.y(), L"ellipse y radius");
    requireFinite(angle.toDouble(), L"ellipse angle");
    requireFinite(phase.toDouble(), L"ellipse phase");
}

void ccEllipse2::center(const ccVector<2>& c) {
    requireFinite(c, L"ellipse centre");
    noticeChange_();
    center_ = c;
}

void ccEllipse2::radii(const ccVector<2>& r) {
    requireRadius(r.x(), L"ellipse x radius");
    requireRadius(r.y(), L"ellipse y radius");
    noticeChange_();
    radii_ = r;
}

void ccEllipse2::angle(const ccRadian& a) {
    requireFinite(a.toDouble(), L"ellipse angle");
    noticeChange_();
    angle_ = a;
}

void ccEllipse2::phase(const ccRadian& p) {
    requireFinite(p.toDouble(), L"ellipse phase");
    noticeChange_();
    phase_ = p;
}

void ccEllipse2::rightHanded(bool r) {
    noticeChange_();
    rightHanded_ = r;
}

ccXform<2> ccEllipse2::unitCircleXform() const noexcept {
    return ccXform<2>(ccMatrix<2>::rotation(angle_) * ccMatrix<2>::scale(radii_.x(), radii_.y()),
                      center_);
}

ccVector<2> ccEllipse2::pointAt(double phi) const noexcept {
    return unitCircleXform().mapPoint(ccVector<2>::polar(phi));
}

ccVector<2> ccEllipse2::derivativeAt(double phi) const noexcept {
    return unitCircleXform().mapVector(ccVector<2>::polar(phi).perp());
}

ccEllipse2 ccEllipse2::mapped(const ccXform<2>& xform) const {
    requireFiniteXform(xform);
    const ccEllipseImage image = cfMapEllipse(*this, xform);
    const bool mirrored = image.phiSign < 0;
    return ccEllipse2(image.ellipse.center(), image.ellipse.radii(), image.ellipse.angle(),
                      rightHanded_ != mirrored, ccRadian(image.mapPhi(phase_.toDouble())));
}

bool ccEllipse2::within(const ccVector<2>& p) const {
    requireQueryPoint(p);
    return cfWithinEllipse(*this, p);
}

double ccEllipse2::windingAngle(const ccVector<2>& p) const {
    requireQueryPoint(p);
    return cfStrictlyInsideEllipse(*this, p) ? travelSign() * ccTwoPi : 0.0;
}

ccVector<2> ccEllipse2::startPoint() const {
    return pointAt(phase_.toDouble());
}

ccRadian ccEllipse2::startAngle() const {
    return run().tangentAtParam(0.0, false);
}

double ccEllipse2::tangentRotation() const {
    return travelSign() * ccTwoPi;
}

ccRect ccEllipse2::boundingBox() const {
    const double c = std::cos(angle_.toDouble()), s = std::sin(angle_.toDouble());
    const double rx = radii_.x(), ry = radii_.y();
    const ccVector<2> half(std::hypot(rx * c, ry * s), std::hypot(rx * s, ry * c));
    return rectSpanning(center_ - half, center_ + half);
}

ccVector<2> ccEllipse2::nearestPoint(const ccVector<2>& p) const {
    requireQueryPoint(p);
    const ccEllipseRun r = run();
    return r.pointAtParam(r.nearestParam(p));
}

ccPerimPos ccEllipse2::nearestPerimPos(const ccVector<2>& p) const {
    requireQueryPoint(p);
    const ccEllipseRun r = run();
    return ccPerimPos(0, r.lengthToParam(r.nearestParam(p)));
}

double ccEllipse2::perimeter() const {
    return cfEllipsePerimeter(radii_.x(), radii_.y());
}

void ccEllipse2::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                      ccRadian& tangent) const {
    requireOwnPosition(pos, "ccEllipse2");
    const double offset = pos.offset();
    runPointsAndTangents(run(), perimeter(), &offset, 1, &point, &tangent);
}

void ccEllipse2::sample(const ccSampleParams& params, ccSampleResult& result) const {
    run().sample(perimeter(), true, params, result);
}

void ccEllipse2::perimPointsAndTangents(const double* offsets, long n, ccVector<2>* points,
                                        ccRadian* tangents) const {
    runPointsAndTangents(run(), perimeter(), offsets, n, points, tangents);
}

long ccEllipse2::sampleCount(const ccSampleParams& params) const noexcept {
    return cfSampleCount(perimeter(), true, params);
}

ccPtrHandle<ccShape> ccEllipse2::clone() const {
    return ccPtrHandle<ccShape>(new ccEllipse2(*this));
}

ccPtrHandle<ccShape> ccEllipse2::mapShape(const ccXform<2>& xform) const {
    return ccPtrHandle<ccShape>(new ccEllipse2(mapped(xform)));
}

ccPtrHandle<ccShape> ccEllipse2::reverse() const {
    auto* reversed = new ccEllipse2(*this);
    reversed->rightHanded_ = !rightHanded_;
    return ccPtrHandle<ccShape>(reversed);
}

bool ccEllipse2::equal_(const ccShape& other) const {
    const auto* o = dynamic_cast<const ccEllipse2*>(&other);
    return o && o->center_ == center_ && o->radii_ == radii_ && o->angle_ == angle_ &&
           o->rightHanded_ == rightHanded_ && o->phase_ == phase_;
}

ccPtrHandle<ccShape> ccEllipse2::pieceBetween_(double from, double to) const {
    return ccPtrHandle<ccShape>(new ccEllipseArc2(
        cfEllipsePiece(*this, phase_.toDouble(), travelSign(), ccTwoPi, from, to)));
}

std::unique_ptr<const ccCurveParametrisation> ccEllipse2::ownParametrisation() const {
    return std::make_unique<ccEllipseRunParametrisation>(run());
}

ccEllipseRun ccEllipse2::run() const {
    return ccEllipseRun(*this, phase_.toDouble(), travelSign(), ccTwoPi);
}

// ---------------------------------------------------------------- ccEllipseArc2

ccEllipseArc2::ccEllipseArc2(const ccEllipse2& ellipse, const ccRadian& phiStart,
                             const ccRadian& phiSpan)
    : ellipse_(ellipse) {
    requireFinite(phiStart.toDouble(), L"arc start angle");
    requireFinite(phiSpan.toDouble(), L"arc span");
    phiStart_ = phiStart;
    phiEnd_ = phiStart + ccRadian(clampedSpan(phiSpan.toDouble()));
}

ccEllipseArc2 ccEllipseArc2::between(const ccEllipse2& ellipse, const ccRadian& phiStart,
                                     const ccRadian& phiEnd) {
    requireFinite(phiStart.toDouble(), L"arc start angle");
    requireFinite(phiEnd.toDouble(), L"arc end angle");
    if (!(std::fabs(phiEnd.toDouble() - phiStart.toDouble()) <= ccTwoPi + cc_tol::kAngle))
        throw ccShapesError::BadParams(L"arc ends lie more than one turn apart");
    ccEllipseArc2 arc(ellipse, phiStart, ccRadian(0.0));
    arc.phiEnd_ = phiEnd;
    return arc;
}

void ccEllipseArc2::ellipse(const ccEllipse2& e) {
    noticeChange_();
    ellipse_ = e;
}

void ccEllipseArc2::phiRange(const ccRadian& phiStart, const ccRadian& phiSpan) {
    const ccEllipseArc2 checked(ellipse_, phiStart, phiSpan);
    noticeChange_();
    phiStart_ = checked.phiStart_;
    phiEnd_ = checked.phiEnd_;
}

bool ccEllipseArc2::isFullTurn() const noexcept {
    return std::fabs(spanLength()) >= ccTwoPi - cc_tol::kAngle;
}

bool ccEllipseArc2::coversPhi(double phi) const noexcept {
    if (isFullTurn()) return true;
    const double low = std::min(phiStart_.toDouble(), phiEnd_.toDouble());
    const double past = ccRadian(phi - low).norm().toDouble();
    // A phi a rounding error before the low end reduces to nearly a full turn.
    return past <= std::fabs(spanLength()) + cc_tol::kAngle || past >= ccTwoPi - cc_tol::kAngle;
}

ccEllipseArc2 ccEllipseArc2::mapped(const ccXform<2>& xform) const {
    requireFiniteXform(xform);
    const ccEllipseImage image = cfMapEllipse(ellipse_, xform);
    ccEllipseArc2 result;
    result.ellipse_ = image.ellipse;
    result.phiStart_ = ccRadian(image.mapPhi(phiStart_.toDouble()));
    result.phiEnd_ = ccRadian(image.mapPhi(phiEnd_.toDouble()));
    return result;
}

ccEllipseArc2 ccEllipseArc2::reversed() const {
    ccEllipseArc2 result(*this);
    std::swap(result.phiStart_, result.phiEnd_);
    return result;
}

bool ccEllipseArc2::within(const ccVector<2>&) const {
    throw ccShapesError::NotRegion(L"an elliptical arc bounds no region");
}

double ccEllipseArc2::windingAngle(const ccVector<2>& p) const {
    requireQueryPoint(p);
    const double sweep =
        ccRadian((endPoint() - p).angle() - (startPoint() - p).angle()).signedNorm().toDouble();
    if (!cfStrictlyInsideEllipse(ellipse_, p)) return sweep;
    if (isFullTurn()) return direction() * ccTwoPi;
    // From a point inside, the arc sweeps more than half a turn exactly when
    // the point lies between the arc and its chord; on the chord itself it
    // sweeps half a turn in its own sense (atan2 alone would say +pi either way).
    const double chordSide = direction() * (endPoint() - startPoint()).cross(p - startPoint());
    if (chordSide == 0) return direction() * ccPi;
    const bool betweenArcAndChord = chordSide < 0;
    return betweenArcAndChord && direction() * sweep < 0 ? sweep + direction() * ccTwoPi : sweep;
}

ccVector<2> ccEllipseArc2::startPoint() const {
    return ellipse_.pointAt(phiStart_.toDouble());
}

ccVector<2> ccEllipseArc2::endPoint() const {
    return ellipse_.pointAt(phiEnd_.toDouble());
}

ccRadian ccEllipseArc2::startAngle() const {
    return run().tangentAtParam(0.0, false);
}

ccRadian ccEllipseArc2::endAngle() const {
    return run().tangentAtParam(std::fabs(spanLength()), true);
}

double ccEllipseArc2::tangentRotation() const {
    return spanLength() + cfTangentLead(ellipse_, phiEnd_.toDouble()) -
           cfTangentLead(ellipse_, phiStart_.toDouble());
}

ccRect ccEllipseArc2::boundingBox() const {
    ccVector<2> lo = startPoint(), hi = lo;
    const auto include = [&](const ccVector<2>& q) {
        lo = ccVector<2>(std::min(lo.x(), q.x()), std::min(lo.y(), q.y()));
        hi = ccVector<2>(std::max(hi.x(), q.x()), std::max(hi.y(), q.y()));
    };
    include(endPoint());
    for (double phi : cfExtremePhis(ellipse_)) {
        if (coversPhi(phi)) include(ellipse_.pointAt(phi));
    }
    return rectSpanning(lo, hi);
}

ccVector<2> ccEllipseArc2::nearestPoint(const ccVector<2>& p) const {
    requireQueryPoint(p);
    const ccEllipseRun r = run();
    return r.pointAtParam(r.nearestParam(p));
}

ccPerimPos ccEllipseArc2::nearestPerimPos(const ccVector<2>& p) const {
    requireQueryPoint(p);
    const ccEllipseRun r = run();
    return ccPerimPos(0, r.lengthToParam(r.nearestParam(p)));
}

double ccEllipseArc2::perimeter() const {
    return run().lengthToParam(std::fabs(spanLength()));
}

void ccEllipseArc2::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                         ccRadian& tangent) const {
    requireOwnPosition(pos, "ccEllipseArc2");
    const double offset = pos.offset();
    runPointsAndTangents(run(), perimeter(), &offset, 1, &point, &tangent);
}

void ccEllipseArc2::sample(const ccSampleParams& params, ccSampleResult& result) const {
    run().sample(perimeter(), false, params, result);
}

long ccEllipseArc2::sampleCount(const ccSampleParams& params) const noexcept {
    // Measuring an elliptical arc takes an integration, as long as sampling it.
    return ellipse().isCircular() ? cfSampleCount(perimeter(), false, params) : -1;
}

ccPtrHandle<ccShape> ccEllipseArc2::clone() const {
    return ccPtrHandle<ccShape>(new ccEllipseArc2(*this));
}

void ccEllipseArc2::perimPointsAndTangents(const double* offsets, long n, ccVector<2>* points,
                                           ccRadian* tangents) const {
    runPointsAndTangents(run(), perimeter(), offsets, n, points, tangents);
}

ccPtrHandle<ccShape> ccEllipseArc2::mapShape(const ccXform<2>& xform) const {
    return ccPtrHandle<ccShape>(new ccEllipseArc2(mapped(xform)));
}

ccPtrHandle<ccShape> ccEllipseArc2::reverse() const {
    return ccPtrHandle<ccShape>(new ccEllipseArc2(reversed()));
}

bool ccEllipseArc2::equal_(const ccShape& other) const {
    const auto* o = dynamic_cast<const ccEllipseArc2*>(&other);
    return o && o->ellipse_ == ellipse_ && o->phiStart_ == phiStart_ && o->phiEnd_ == phiEnd_;
}

ccPtrHandle<ccShape> ccEllipseArc2::pieceBetween_(double from, double to) const {
    return ccPtrHandle<ccShape>(new ccEllipseArc2(cfEllipsePiece(
        ellipse_, phiStart_.toDouble(), direction(), std::fabs(spanLength()), from, to)));
}

std::unique_ptr<const ccCurveParametrisation> ccEllipseArc2::ownParametrisation() const {
    return std::make_unique<ccEllipseRunParametrisation>(run());
}

ccEllipseRun ccEllipseArc2::run() const {
    return ccEllipseRun(ellipse_, phiStart_.toDouble(), direction(), std::fabs(spanLength()));
}

// ---- archive form of ccCircle

namespace {
const cc_Instantiator kccCircleExemplar(typeid(ccCircle), &ccCircle::make);
}  // namespace

ccPersistent* ccCircle::make() {
    return new ccCircle;
}

void ccCircle::exchangeParams(ccArchive& ar) {
    ccVector<2> center = center_;
    double radius = radius_;
    ar || center || radius;
    if (!ar.isLoading()) return;
    const ccCircle loaded = cfValidLoaded("ccCircle", [&] { return ccCircle(center, radius); });
    noticeChange_();
    *this = loaded;
}

void ccCircle::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/ellipse", 1, [&] { exchangeParams(ar); });
}

bool ccCircle::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] { exchangeParams(ar); });
}

// ---- archive form of ccEllipse2

namespace {
const cc_Instantiator kccEllipse2Exemplar(typeid(ccEllipse2), &ccEllipse2::make);
}  // namespace

ccPersistent* ccEllipse2::make() {
    return new ccEllipse2;
}

void ccEllipse2::exchangeParams(ccArchive& ar) {
    ccVector<2> center = center_, radii = radii_;
    ccRadian angle = angle_, phase = phase_;
    bool rightHanded = rightHanded_;
    ar || center || radii || angle || rightHanded || phase;
    if (!ar.isLoading()) return;
    const ccEllipse2 loaded = cfValidLoaded(
        "ccEllipse2", [&] { return ccEllipse2(center, radii, angle, rightHanded, phase); });
    noticeChange_();
    *this = loaded;
}

void ccEllipse2::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/ellipse", 2, [&] { exchangeParams(ar); });
}

// ---- archive form of ccEllipseArc2

namespace {
const cc_Instantiator kccEllipseArc2Exemplar(typeid(ccEllipseArc2), &ccEllipseArc2::make);
}  // namespace

ccPersistent* ccEllipseArc2::make() {
    return new ccEllipseArc2;
}

void ccEllipseArc2::exchangeParams(ccArchive& ar) {
    ccEllipse2 ellipse = ellipse_;
    ellipse.exchangeParams(ar);
    ccRadian phiStart = phiStart_, phiEnd = phiEnd_;
    ar || phiStart || phiEnd;
    if (!ar.isLoading()) return;
    const ccEllipseArc2 loaded =
        cfValidLoaded("ccEllipseArc2", [&] { return between(ellipse, phiStart, phiEnd); });
    noticeChange_();
    *this = loaded;
}

void ccEllipseArc2::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/ellipse", 3, [&] { exchangeParams(ar); });
}
