#include "vxstd12u/line.h"

#include "vxstd12u/archiveform.h"
#include "vxstd12u/tolerances.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "vxstd12u/errors.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/str.h"

// ---- Segment geometry ----

double cfNearestParamOnSegment(const ccVector<2>& a, const ccVector<2>& b, const ccVector<2>& p) {
    const ccVector<2> d = b - a;
    const double lengthSq = d.lenSq();
    if (lengthSq == 0.0) return 0.0;
    return std::clamp((p - a).dot(d) / lengthSq, 0.0, 1.0);
}

double cfSubtendedAngle(const ccVector<2>& a, const ccVector<2>& b, const ccVector<2>& p) {
    const ccVector<2> u = a - p;
    const ccVector<2> v = b - p;
    if (u.lenSq() == 0.0 || v.lenSq() == 0.0) return 0.0;
    return std::atan2(u.cross(v), u.dot(v));
}

void cfRequireFinite(const ccVector<2>& v, const char* what) {
    if (!v.isFinite())
        throw ccShapesError::BadParams(cfWiden(what) + L" is not finite: (" + cfStr(v.x()) + L", " +
                                       cfStr(v.y()) + L")");
}

void cfRequireFinite(double v, const char* what) {
    if (!std::isfinite(v))
        throw ccShapesError::BadParams(cfWiden(what) + L" is not finite: " + cfStr(v));
}

void cfRequireOwnNode(const ccPerimPos& pos, const char* shapeName) {
    if (pos.node() != 0)
        throw ccShapesError::BadParams(L"a " + cfWiden(shapeName) + L" has only node 0, not node " +
                                       cfStr(pos.node()));
}

namespace {

// The angle an infinite line sweeps as seen from p: half a turn, positive when
// p lies to the left of the direction of travel.
double halfTurnSeenFrom(const ccVector<2>& pointOnLine, const ccVector<2>& direction,
                        const ccVector<2>& p) {
    const double side = direction.cross(p - pointOnLine);
    if (side > 0) return ccPi;
    if (side < 0) return -ccPi;
    return 0.0;
}

[[noreturn]] void throwNoEnds(const char* shapeName, const char* what) {
    throw ccShapesError::InfiniteExtent(L"a " + cfWiden(shapeName) + L" is infinite and has no " +
                                        cfWiden(what));
}

[[noreturn]] void throwNotRegion(const char* shapeName) {
    throw ccShapesError::NotRegion(L"a " + cfWiden(shapeName) + L" bounds no region");
}

void requireFiniteOffset(double offset, const char* shapeName) {
    if (std::isnan(offset))
        throw ccShapesError::BadParams(L"arc-length offset on a " + cfWiden(shapeName) +
                                       L" is NaN");
    if (!std::isfinite(offset))
        throw ccShapesError::InfiniteExtent(L"arc-length offset " + cfStr(offset) + L" on a " +
                                            cfWiden(shapeName) + L" lies at infinity");
}

// The image of a line through `point` along `direction`, as point and
// non-zero direction.
std::pair<ccVector<2>, ccVector<2>> mapLine(const ccXform<2>& xform, const ccVector<2>& point,
                                            const ccVector<2>& direction) {
    const ccVector<2> mappedDirection = xform.mapVector(direction);
    if (mappedDirection.lenSq() == 0.0)
        throw ccShapesError::BadParams(L"the transform collapses the line to a point");
    return {xform.mapPoint(point), mappedDirection};
}

}  // namespace

// ---- ccLine ----

ccLine::ccLine(const ccVector<2>& point, const ccRadian& angle) {
    cfRequireFinite(point, "line point");
    cfRequireFinite(angle.toDouble(), "line angle");
    point_ = point;
    direction_ = ccVector<2>::polar(angle.toDouble());
}

ccLine ccLine::throughPointAlong(const ccVector<2>& point, const ccVector<2>& direction) {
    cfRequireFinite(point, "line point");
    cfRequireFinite(direction, "line direction");
    if (direction.lenSq() == 0.0)
        throw ccShapesError::BadParams(L"line direction is the zero vector");
    ccLine line;
    line.point_ = point;
    line.direction_ = direction.unit();
    return line;
}

void ccLine::point(const ccVector<2>& point) {
    cfRequireFinite(point, "line point");
    noticeChange_();
    point_ = point;
}

void ccLine::angle(const ccRadian& angle) {
    cfRequireFinite(angle.toDouble(), "line angle");
    noticeChange_();
    direction_ = ccVector<2>::polar(angle.toDouble());
}

bool ccLine::within(const ccVector<2>&) const {
    throwNotRegion("ccLine");
}

double ccLine::windingAngle(const ccVector<2>& p) const {
    return halfTurnSeenFrom(point_, direction_, p);
}

ccVector<2> ccLine::startPoint() const {
    throwNoEnds("ccLine", "start point");
}

ccVector<2> ccLine::endPoint() const {
    throwNoEnds("ccLine", "end point");
}

ccRect ccLine::boundingBox() const {
    throwNoEnds("ccLine", "bounding box");
}

ccVector<2> ccLine::nearestPoint(const ccVector<2>& p) const {
    return point_ + direction_ * nearestPerimPos(p).offset();
}

ccPerimPos ccLine::nearestPerimPos(const ccVector<2>& p) const {
    return ccPerimPos(0, direction_.dot(p - point_));
}

double ccLine::perimeter() const {
    return std::numeric_limits<double>::infinity();
}

void ccLine::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                  ccRadian& tangent) const {
    cfRequireOwnNode(pos, "ccLine");
    requireFiniteOffset(pos.offset(), "ccLine");
    point = point_ + direction_ * pos.offset();
    tangent = angle();
}

ccPtrHandle<ccShape> ccLine::clone() const {
    return cfMakeHandle<ccLine>(*this);
}

ccPtrHandle<ccShape> ccLine::mapShape(const ccXform<2>& xform) const {
    const auto image = mapLine(xform, point_, direction_);
    return cfMakeHandle<ccLine>(throughPointAlong(image.first, image.second));
}

ccPtrHandle<ccShape> ccLine::reverse() const {
    ccLine reversed(*this);
    reversed.direction_ = -direction_;
    return cfMakeHandle<ccLine>(reversed);
}

bool ccLine::equal_(const ccShape& other) const {
    const auto* line = dynamic_cast<const ccLine*>(&other);
    return line && line->point_ == point_ && line->direction_ == direction_;
}

ccPtrHandle<ccShape> ccLine::pieceBetween_(double, double) const {
    throw ccShapesError::InfiniteExtent(L"a line is cut through subShape, which refuses it");
}

// ---- ccFLine ----

ccFLine::ccFLine(const ccRadian& angle, double distanceFromOrigin) {
    cfRequireFinite(angle.toDouble(), "fit line angle");
    cfRequireFinite(distanceFromOrigin, "fit line distance from origin");
    normal_ = ccVector<2>::polar(angle.toDouble());
    distance_ = distanceFromOrigin;
}

ccFLine ccFLine::fromNormal(const ccVector<2>& unitNormal, double distance) {
    cfRequireFinite(distance, "fit line distance from origin");
    ccFLine line;
    line.normal_ = unitNormal;
    line.distance_ = distance;
    return line;
}

void ccFLine::angle(const ccRadian& angle) {
    cfRequireFinite(angle.toDouble(), "fit line angle");
    noticeChange_();
    normal_ = ccVector<2>::polar(angle.toDouble());
}

void ccFLine::distanceFromOrigin(double distance) {
    cfRequireFinite(distance, "fit line distance from origin");
    noticeChange_();
    distance_ = distance;
}

bool ccFLine::within(const ccVector<2>&) const {
    throwNotRegion("ccFLine");
}

double ccFLine::windingAngle(const ccVector<2>& p) const {
    return halfTurnSeenFrom(foot(), direction(), p);
}

ccVector<2> ccFLine::startPoint() const {
    throwNoEnds("ccFLine", "start point");
}

ccVector<2> ccFLine::endPoint() const {
    throwNoEnds("ccFLine", "end point");
}

ccRadian ccFLine::startAngle() const {
    return cfDirectionAngle(direction());
}

ccRect ccFLine::boundingBox() const {
    throwNoEnds("ccFLine", "bounding box");
}

ccVector<2> ccFLine::nearestPoint(const ccVector<2>& p) const {
    return foot() + direction() * nearestPerimPos(p).offset();
}

ccPerimPos ccFLine::nearestPerimPos(const ccVector<2>& p) const {
    return ccPerimPos(0, direction().dot(p - foot()));
}

double ccFLine::perimeter() const {
    return std::numeric_limits<double>::infinity();
}

void ccFLine::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                   ccRadian& tangent) const {
    cfRequireOwnNode(pos, "ccFLine");
    requireFiniteOffset(pos.offset(), "ccFLine");
    point = foot() + direction() * pos.offset();
    tangent = startAngle();
}

ccPtrHandle<ccShape> ccFLine::clone() const {
    return cfMakeHandle<ccFLine>(*this);
}

ccPtrHandle<ccShape> ccFLine::mapShape(const ccXform<2>& xform) const {
    const auto image = mapLine(xform, foot(), direction());
    // The normal lies a quarter turn clockwise of the direction of travel.
    const ccVector<2> normal = (-image.second.perp()).unit();
    return cfMakeHandle<ccFLine>(fromNormal(normal, image.first.dot(normal)));
}

ccPtrHandle<ccShape> ccFLine::reverse() const {
    return cfMakeHandle<ccFLine>(fromNormal(-normal_, -distance_));
}

bool ccFLine::equal_(const ccShape& other) const {
    const auto* line = dynamic_cast<const ccFLine*>(&other);
    return line && line->normal_ == normal_ && line->distance_ == distance_;
}

ccPtrHandle<ccShape> ccFLine::pieceBetween_(double, double) const {
    throw ccShapesError::InfiniteExtent(L"a line is cut through subShape, which refuses it");
}

// ---- ccLineSeg ----

ccLineSeg::ccLineSeg(const ccVector<2>& p1, const ccVector<2>& p2) {
    cfRequireFinite(p1, "segment point 1");
    cfRequireFinite(p2, "segment point 2");
    p1_ = p1;
    p2_ = p2;
}

void ccLineSeg::p1(const ccVector<2>& p) {
    cfRequireFinite(p, "segment point 1");
    noticeChange_();
    p1_ = p;
}

void ccLineSeg::p2(const ccVector<2>& p) {
    cfRequireFinite(p, "segment point 2");
    noticeChange_();
    p2_ = p;
}

bool ccLineSeg::within(const ccVector<2>&) const {
    throwNotRegion("ccLineSeg");
}

ccRect ccLineSeg::boundingBox() const {
    return ccRect::spanning(p1_, p2_);
}

ccVector<2> ccLineSeg::nearestPoint(const ccVector<2>& p) const {
    return cfPointOnSegment(p1_, p2_, cfNearestParamOnSegment(p1_, p2_, p));
}

ccPerimPos ccLineSeg::nearestPerimPos(const ccVector<2>& p) const {
    return ccPerimPos(0, cfNearestParamOnSegment(p1_, p2_, p) * length());
}

namespace {

// The point of segment a-b at arc length s, clamped; the far end exactly at
// the full length, so that sampling reaches it without rounding.
ccVector<2> pointAtLength(const ccVector<2>& a, const ccVector<2>& b, double length, double s) {
    if (!(s > 0.0) || length == 0.0) return a;
    if (s >= length) return b;
    return cfPointOnSegment(a, b, s / length);
}

}  // namespace

void ccLineSeg::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                     ccRadian& tangent) const {
    cfRequireOwnNode(pos, "ccLineSeg");
    point = pointAtLength(p1_, p2_, length(), pos.offset());
    tangent = angle();
}

void ccLineSeg::perimPointsAndTangents(const double* offsets, long n, ccVector<2>* points,
                                       ccRadian* tangents) const {
    const double l = length();
    for (long k = 0; k < n; ++k) points[k] = pointAtLength(p1_, p2_, l, offsets[k]);
    if (tangents) std::fill(tangents, tangents + std::max(n, 0L), angle());
}

void ccLineSeg::sample(const ccSampleParams& params, ccSampleResult& result) const {
    const double l = length();
    const ccRadian direction = angle();
    cfSampleChain(l, false, params, result, [&](double s, ccVector<2>& point, ccRadian& tangent) {
        point = pointAtLength(p1_, p2_, l, s);
        tangent = direction;
    });
}

long ccLineSeg::sampleCount(const ccSampleParams& params) const noexcept {
    return cfSampleCount(length(), false, params);
}

ccPtrHandle<ccShape> ccLineSeg::clone() const {
    return cfMakeHandle<ccLineSeg>(*this);
}

ccPtrHandle<ccShape> ccLineSeg::mapShape(const ccXform<2>& xform) const {
    return cfMakeHandle<ccLineSeg>(xform.mapPoint(p1_), xform.mapPoint(p2_));
}

ccPtrHandle<ccShape> ccLineSeg::reverse() const {
    return cfMakeHandle<ccLineSeg>(p2_, p1_);
}

bool ccLineSeg::equal_(const ccShape& other) const {
    const auto* seg = dynamic_cast<const ccLineSeg*>(&other);
    return seg && seg->p1_ == p1_ && seg->p2_ == p2_;
}

ccPtrHandle<ccShape> ccLineSeg::pieceBetween_(double from, double to) const {
    if (std::isnan(from) || std::isnan(to) || from > to)
        throw ccShapesError::BadParams(L"segment piece needs from <= to, got " + cfStr(from) +
                                       L" and " + cfStr(to));
    const double l = length();
    return cloneThat_(ccLineSeg(pointAtLength(p1_, p2_, l, from), pointAtLength(p1_, p2_, l, to)));
}

// ---- archive form of ccLine

namespace {
const cc_Instantiator kLineExemplar(typeid(ccLine), &ccLine::make);
}  // namespace

ccPersistent* ccLine::make() {
    return new ccLine;
}

void ccLine::exchangeParams(ccArchive& ar) {
    ccVector<2> point = point_, direction = direction_;
    ar || point || direction;
    if (!ar.isLoading()) return;
    ccLine loaded = cfValidLoaded("ccLine", [&] { return throughPointAlong(point, direction); });
    // A direction that is already a unit vector is kept bit for bit, so that a
    // stored line reads back equal.
    if (std::fabs(direction.len() - 1.0) <= cc_tol::kOrthonormal) loaded.direction_ = direction;
    noticeChange_();
    *this = loaded;
}

void ccLine::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/line", 1, [&] { exchangeParams(ar); });
}

bool ccLine::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] { exchangeParams(ar); });
}

// ---- archive form of ccFLine

namespace {
const cc_Instantiator kFLineExemplar(typeid(ccFLine), &ccFLine::make);
}  // namespace

ccPersistent* ccFLine::make() {
    return new ccFLine;
}

void ccFLine::exchangeParams(ccArchive& ar) {
    ccVector<2> normal = normal_;
    double distance = distance_;
    ar || normal || distance;
    if (!ar.isLoading()) return;
    ccFLine loaded = cfValidLoaded("ccFLine", [&] {
        cfRequireFinite(normal, "fit line normal");
        if (std::fabs(normal.len() - 1.0) > cc_tol::kOrthonormal)
            throw ccShapesError::BadParams(L"fit line normal is not a unit vector");
        return fromNormal(normal, distance);
    });
    noticeChange_();
    *this = loaded;
}

void ccFLine::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/line", 2, [&] { exchangeParams(ar); });
}

bool ccFLine::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] { exchangeParams(ar); });
}

// ---- archive form of ccLineSeg

namespace {
const cc_Instantiator kLineSegExemplar(typeid(ccLineSeg), &ccLineSeg::make);
}  // namespace

ccPersistent* ccLineSeg::make() {
    return new ccLineSeg;
}

void ccLineSeg::exchangeParams(ccArchive& ar) {
    ccVector<2> p1 = p1_, p2 = p2_;
    ar || p1 || p2;
    if (!ar.isLoading()) return;
    ccLineSeg loaded = cfValidLoaded("ccLineSeg", [&] { return ccLineSeg(p1, p2); });
    noticeChange_();
    *this = loaded;
}

void ccLineSeg::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/line", 3, [&] { exchangeParams(ar); });
}

bool ccLineSeg::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] { exchangeParams(ar); });
}
