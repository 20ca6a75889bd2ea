#include "vxdispc12u/genpoly.h"

#include "vxstd12u/archiveform.h"

#include <algorithm>
#include <cmath>

#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/str.h"
#include "vxstd12u/tolerances.h"

namespace {

using ccVertexList = ccGenPoly::ccVertexList;
using ccRadiusList = ccGenPoly::ccRadiusList;

// What one vertex makes of its corner: where the incoming edge stops, where
// the outgoing edge starts, and the arc between them, if any.
struct Corner {
    ccVector<2> entry, exit;
    double take = 0.0;  // the length the corner takes of each edge
    bool notch = false;
    ccVector<2> center;
    double radius = 0.0, phiStart = 0.0, phiSpan = 0.0;

    bool hasArc() const noexcept { return radius != 0.0 && phiSpan != 0.0; }
    ccEllipseArc2 arc(double fromFraction, double toFraction) const {
        return ccEllipseArc2(ccEllipse2(center, {radius, radius}),
                             ccRadian(phiStart + phiSpan * fromFraction),
                             ccRadian(phiSpan * (toFraction - fromFraction)));
    }
};

size_t nextIndex(size_t i, size_t n) {
    return (i + 1) % n;
}
size_t previousIndex(size_t i, size_t n) {
    return (i + n - 1) % n;
}

bool isCorner(size_t i, size_t n, bool closed) {
    return closed || (i > 0 && i + 1 < n);
}

// The signed turn from direction `in` to direction `out`, in (-pi, pi].
double turnBetween(const ccVector<2>& in, const ccVector<2>& out) {
    return ccRadian(out.angle() - in.angle()).signedNorm().toDouble();
}

// A straight-through vertex counts as a left turn.
double turnSide(double turn) {
    return turn >= 0.0 ? 1.0 : -1.0;
}

Corner roundedCorner(const ccVector<2>& v, const ccVector<2>& in, const ccVector<2>& out,
                     double turn, double r, size_t index) {
    if (std::fabs(turn) >= ccPi - cc_tol::kAngle) {
        throw ccShapesError::BadParams(L"the rounded corner at vertex " +
                                       cfStr(static_cast<long>(index)) +
                                       L" turns back on itself and cannot be rounded");
    }
    Corner c;
    c.take = r * std::tan(0.5 * std::fabs(turn));
    c.entry = v - in * c.take;
    c.exit = v + out * c.take;
    c.radius = r;
    c.center = c.entry + in.perp() * (r * turnSide(turn));
    c.phiStart = (c.entry - c.center).angle();
    c.phiSpan = turn;
    return c;
}

Corner notchedCorner(const ccVector<2>& v, const ccVector<2>& in, const ccVector<2>& out,
                     double turn, double r) {
    Corner c;
    c.notch = true;
    c.take = -r;
    c.entry = v - in * c.take;
    c.exit = v + out * c.take;
    c.radius = -r;
    c.center = v;
    c.phiStart = (-in).angle();
    c.phiSpan = -turnSide(turn) * (ccPi - std::fabs(turn));
    return c;
}

// The corner at vertex i. Needs checked vertices (no coincident neighbours).
Corner cornerAt(const ccVertexList& v, const ccRadiusList& radii, bool closed, size_t i) {
    const size_t n = v.size();
    const double r = radii[i];
    if (!isCorner(i, n, closed) || r == 0.0) {
        Corner sharp;
        sharp.entry = sharp.exit = v[i];
        return sharp;
    }
    const ccVector<2> in = (v[i] - v[previousIndex(i, n)]).unit();
    const ccVector<2> out = (v[nextIndex(i, n)] - v[i]).unit();
    const double turn = turnBetween(in, out);
    return r > 0.0 ? roundedCorner(v[i], in, out, turn, r, i)
                   : notchedCorner(v[i], in, out, turn, r);
}

std::vector<Corner> cornersOf(const ccVertexList& v, const ccRadiusList& radii, bool closed) {
    std::vector<Corner> corners;
    for (size_t i = 0; i < v.size(); ++i) corners.push_back(cornerAt(v, radii, closed, i));
    return corners;
}

void requireOutline(const ccVertexList& v, const ccRadiusList& radii, bool closed) {
    if (radii.size() != v.size()) {
        throw ccShapesError::BadParams(L"a generalized polygon needs one radius per vertex, got " +
                                       cfStr(static_cast<long>(radii.size())) + L" radii for " +
                                       cfStr(static_cast<long>(v.size())) + L" vertices");
    }
    const size_t fewest = closed ? 3 : 2;
    if (v.size() < fewest) {
        throw ccShapesError::BadParams(std::wstring(closed ? L"a closed" : L"an open") +
                                       L" generalized polygon needs at least " +
                                       cfStr(static_cast<long>(fewest)) + L" vertices, got " +
                                       cfStr(static_cast<long>(v.size())));
    }
    for (size_t i = 0; i < v.size(); ++i) {
        cfRequireFinite(v[i], "generalized polygon vertex");
        cfRequireFinite(radii[i], "generalized polygon radius");
    }
    const size_t edges = closed ? v.size() : v.size() - 1;
    for (size_t i = 0; i < edges; ++i) {
        if ((v[nextIndex(i, v.size())] - v[i]).len() <= cc_tol::kCoincident) {
            throw ccShapesError::BadParams(
                L"generalized polygon vertices " + cfStr(static_cast<long>(i)) + L" and " +
                cfStr(static_cast<long>(nextIndex(i, v.size()))) + L" coincide");
        }
    }
    const std::vector<Corner> corners = cornersOf(v, radii, closed);
    for (size_t i = 0; i < edges; ++i) {
        const size_t j = nextIndex(i, v.size());
        const double length = (v[j] - v[i]).len(), taken = corners[i].take + corners[j].take;
        if (taken > length + cc_tol::kCoincident) {
            throw ccShapesError::BadParams(L"the corner radii at vertices " +
                                           cfStr(static_cast<long>(i)) + L" and " +
                                           cfStr(static_cast<long>(j)) + L" need " + cfStr(taken) +
                                           L" of an edge only " + cfStr(length) + L" long");
        }
    }
}

template <class T>
std::vector<T> reversedSequence(const std::vector<T>& v, bool closed) {
    std::vector<T> r(v.rbegin(), v.rend());
    if (closed && !r.empty()) std::rotate(r.rbegin(), r.rbegin() + 1, r.rend());
    return r;
}

}  // namespace

// ---- ccGenPoly ----

ccGenPoly::ccGenPoly(const ccVertexList& vertices, bool closed)
    : ccGenPoly(vertices, ccRadiusList(vertices.size(), 0.0), closed) {}

ccGenPoly::ccGenPoly(const ccVertexList& vertices, const ccRadiusList& radii, bool closed) {
    requireOutline(vertices, radii, closed);
    vertices_ = vertices;
    radii_ = radii;
    closed_ = closed;
}

void ccGenPoly::set(const ccVertexList& vertices, const ccRadiusList& radii, bool closed) {
    requireOutline(vertices, radii, closed);
    noticeChange_();
    vertices_ = vertices;
    radii_ = radii;
    closed_ = closed;
}

ccPtrHandle<ccContourTree> ccGenPoly::contour() const {
    auto tree = cfMakeHandle<ccContourTree>(closed_);
    const size_t n = vertices_.size();
    if (n == 0) return tree;
    const std::vector<Corner> corners = cornersOf(vertices_, radii_, closed_);
    auto addEdge = [&](const ccVector<2>& from, const ccVector<2>& to) {
        if ((to - from).len() > cc_tol::kCoincident) {
            tree->addChild(cfMakeHandle<ccLineSeg>(from, to), true);
        }
    };
    auto addArc = [&](const Corner& c, double fromFraction, double toFraction) {
        if (!c.hasArc()) return;
        const ccEllipseArc2 arc = c.arc(fromFraction, toFraction);
        if (c.notch) {
            tree->addChild(negCornerArc_(arc), true);
        } else {
            tree->addChild(cfMakeHandle<ccEllipseArc2>(arc), true);
        }
    };
    if (closed_) addArc(corners[0], 0.5, 1.0);
    const size_t edges = closed_ ? n : n - 1;
    for (size_t i = 0; i < edges; ++i) {
        const size_t j = nextIndex(i, n);
        addEdge(corners[i].exit, corners[j].entry);
        if (j != 0) addArc(corners[j], 0.0, 1.0);
    }
    if (closed_) addArc(corners[0], 0.0, 0.5);
    return tree;
}

ccPtrHandle<ccEllipseArc2> ccGenPoly::negCornerArc_(const ccEllipseArc2& arc) const {
    return cfMakeHandle<ccEllipseArc2>(arc);
}

bool ccGenPoly::isRightHanded() const {
    return contour()->isRightHanded();
}
bool ccGenPoly::within(const ccVector<2>& p) const {
    return contour()->within(p);
}
double ccGenPoly::windingAngle(const ccVector<2>& p) const {
    return contour()->windingAngle(p);
}
ccVector<2> ccGenPoly::startPoint() const {
    return contour()->startPoint();
}
ccVector<2> ccGenPoly::endPoint() const {
    return contour()->endPoint();
}
ccRadian ccGenPoly::startAngle() const {
    return contour()->startAngle();
}
ccRadian ccGenPoly::endAngle() const {
    return contour()->endAngle();
}
double ccGenPoly::tangentRotation() const {
    return contour()->tangentRotation();
}
ccRect ccGenPoly::boundingBox() const {
    return contour()->boundingBox();
}
ccVector<2> ccGenPoly::nearestPoint(const ccVector<2>& p) const {
    return contour()->nearestPoint(p);
}
double ccGenPoly::perimeter() const {
    return contour()->perimeter();
}

ccPerimPos ccGenPoly::nearestPerimPos(const ccVector<2>& p) const {
    const auto tree = contour();
    return ccPerimPos(0, ccShapeInfo(*tree).arcLength(tree->nearestPerimPos(p)));
}

void ccGenPoly::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                     ccRadian& tangent) const {
    cfRequireOwnNode(pos, "ccGenPoly");
    contour()->perimPointAndTangent(ccPerimPos(0, pos.offset()), point, tangent);
}

void ccGenPoly::sample(const ccSampleParams& params, ccSampleResult& result) const {
    // The contour numbers its pieces as nodes of its own; the caller's
    // numbering knows the polygon as one leaf, so positions become offsets
    // along the whole contour.
    const auto tree = contour();
    const ccShapeInfo info(*tree);
    ccSampleParams own = params;
    own.perimPosShapeInfo(&info);
    ccSampleResult local;
    tree->sample(own, local);
    for (ccPerimPos& pos : local.perimPositions())
        pos = ccPerimPos(result.shapeIndex(), info.arcLength(pos));
    cfAppendSamples(local, result);
}

ccPtrHandle<ccShape> ccGenPoly::clone() const {
    return cfMakeHandle<ccGenPoly>(*this);
}

ccPtrHandle<ccShape> ccGenPoly::mapShape(const ccXform<2>& xform) const {
    return contour()->mapShape(xform);
}

ccPtrHandle<ccShape> ccGenPoly::reverse() const {
    ccGenPoly reversed(*this);
    reversed.runBackwards_();
    return cfMakeHandle<ccGenPoly>(reversed);
}

ccPtrHandle<ccShape> ccGenPoly::decompose() const {
    return contour();
}

bool ccGenPoly::equal_(const ccShape& other) const {
    const auto* poly = dynamic_cast<const ccGenPoly*>(&other);
    return poly && sameOutline_(*poly);
}

bool ccGenPoly::sameOutline_(const ccGenPoly& other) const {
    return vertices_ == other.vertices_ && radii_ == other.radii_ && closed_ == other.closed_;
}

void ccGenPoly::runBackwards_() {
    vertices_ = reversedSequence(vertices_, closed_);
    radii_ = reversedSequence(radii_, closed_);
}

ccPtrHandle<ccShape> ccGenPoly::clip_(const ccPolyline& region, ccClipInfo& info) const {
    return contour()->clip(region, info);
}

ccPtrHandle<ccShape> ccGenPoly::pieceBetween_(double from, double to) const {
    if (std::isnan(from) || std::isnan(to) || from > to) {
        throw ccShapesError::BadParams(L"a generalized polygon piece needs from <= to, got " +
                                       cfStr(from) + L" and " + cfStr(to));
    }
    const auto tree = contour();
    return tree->subShape(ccShapeInfo(*tree), {ccPerimPos(0, from), to - from});
}

// ---- cc2Wireframe ----

cc2Wireframe::cc2Wireframe(const ccVertexList& vertices, const ccRadiusList& radii, bool closed,
                           bool polarityReversed)
    : ccGenPoly(vertices, radii, closed), polarityReversed_(polarityReversed) {}

void cc2Wireframe::polarity(bool reversed) {
    noticeChange_();
    polarityReversed_ = reversed;
    polarity_(reversed);
}

void cc2Wireframe::polarity_(bool) {}

ccPtrHandle<ccShape> cc2Wireframe::clone() const {
    return cfMakeHandle<cc2Wireframe>(*this);
}

ccPtrHandle<ccShape> cc2Wireframe::reverse() const {
    cc2Wireframe reversed(*this);
    reversed.runBackwards_();
    return cfMakeHandle<cc2Wireframe>(reversed);
}

ccPtrHandle<ccShape> cc2Wireframe::reverse_() const {
    cc2Wireframe reversed(*this);
    reversed.runBackwards_();
    reversed.polarityReversed_ = !polarityReversed_;
    return cfMakeHandle<cc2Wireframe>(reversed);
}

bool cc2Wireframe::equal_(const ccShape& other) const {
    const auto* wireframe = dynamic_cast<const cc2Wireframe*>(&other);
    return wireframe && sameOutline_(*wireframe) &&
           wireframe->polarityReversed_ == polarityReversed_;
}

// ---- archive form of ccGenPoly

namespace {
const cc_Instantiator kccGenPolyExemplar(typeid(ccGenPoly), &ccGenPoly::make);
}  // namespace

ccPersistent* ccGenPoly::make() {
    return new ccGenPoly;
}

void ccGenPoly::exchangeParams(ccArchive& ar) {
    ccVertexList vertices = vertices_;
    ccRadiusList radii = radii_;
    bool closed = closed_;
    ar || vertices || radii || closed;
    if (!ar.isLoading()) return;
    const ccGenPoly loaded =
        cfValidLoaded("ccGenPoly", [&] { return ccGenPoly(vertices, radii, closed); });
    noticeChange_();
    *this = loaded;
}

void ccGenPoly::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxdispc12u/genpoly", 1, [&] { exchangeParams(ar); });
}

bool ccGenPoly::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] { exchangeParams(ar); });
}

// ---- archive form of cc2Wireframe

namespace {
const cc_Instantiator kWireframeExemplar(typeid(cc2Wireframe), &cc2Wireframe::make);
}  // namespace

ccPersistent* cc2Wireframe::make() {
    return new cc2Wireframe;
}

void cc2Wireframe::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxdispc12u/genpoly", 2, [&] {
        ccGenPoly::dispatchSerialize(ar);
        exchangePolarity(ar);
    });
}

bool cc2Wireframe::loadSimple(ccArchive& ar) {
    return cfLoadSimpleForm(ar, [&] {
        ccGenPoly::loadSimple(ar);
        exchangePolarity(ar);
    });
}

void cc2Wireframe::exchangePolarity(ccArchive& ar) {
    bool reversed = polarityReversed_;
    ar || reversed;
    if (ar.isLoading()) polarity(reversed);
}
