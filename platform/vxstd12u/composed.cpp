#include "vxstd12u/composed.h"

#include <cmath>
#include <limits>
#include <string>

#include "vxstd12u/ellipse.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/str.h"
#include "vxstd12u/tolerances.h"

namespace {

using Loop = ccComposedShape::Loop;

double loopLength(const Loop& loop) {
    double sum = 0.0;
    for (const auto& piece : loop) sum += piece->perimeter();
    return sum;
}

// The loops with the length of every piece, measured once: elliptical pieces
// integrate their length each time they are asked.
struct ccMeasuredLoops {
    std::vector<Loop> loops;
    std::vector<std::vector<double>> pieceLengths;
    std::vector<double> loopLengths;

    explicit ccMeasuredLoops(std::vector<Loop> l) : loops(std::move(l)) {
        for (const auto& loop : loops) {
            pieceLengths.emplace_back();
            double sum = 0.0;
            for (const auto& piece : loop) {
                pieceLengths.back().push_back(piece->perimeter());
                sum += pieceLengths.back().back();
            }
            loopLengths.push_back(sum);
        }
    }
};

// Where an arc length of the whole boundary falls: which loop, which piece of
// it, and how far along that piece. Offsets at a joint go to the piece that
// starts there; the very end stays on the last piece.
struct ccBoundarySpot {
    std::size_t loop = 0;
    std::size_t piece = 0;
    double local = 0.0;
};

ccBoundarySpot locateInLoop(const ccMeasuredLoops& m, std::size_t loop, double offset) {
    ccBoundarySpot spot{loop, 0, offset};
    const auto& lengths = m.pieceLengths[loop];
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        spot.piece = i;
        spot.local = offset;
        if (offset < lengths[i] || i + 1 == lengths.size()) break;
        offset -= lengths[i];
    }
    return spot;
}

ccBoundarySpot locate(const ccMeasuredLoops& m, double offset) {
    for (std::size_t l = 0; l < m.loops.size(); ++l) {
        if (offset < m.loopLengths[l] || l + 1 == m.loops.size()) return locateInLoop(m, l, offset);
        offset -= m.loopLengths[l];
    }
    return {};
}

void pointAndTangentAt(const ccMeasuredLoops& m, const ccBoundarySpot& spot, ccVector<2>& point,
                       ccRadian& tangent) {
    const double length = m.pieceLengths[spot.loop][spot.piece];
    const double local = std::min(std::max(spot.local, 0.0), length);
    m.loops[spot.loop][spot.piece]->perimPointAndTangent(ccPerimPos(0, local), point, tangent);
}

// A loop as one shape: its only piece, or a closed contour of its pieces.
ccPtrHandle_const<ccShape> loopShape(const Loop& loop) {
    if (loop.size() == 1) return loop.front();
    auto contour = cfMakeHandle<ccContourTree>(true);
    for (const auto& piece : loop) contour->addChild(piece, true);
    return contour;
}

// The part of one loop between loop-local arc lengths from <= to.
ccPtrHandle<ccShape> loopPart(const Loop& loop, double from, double to) {
    std::vector<ccPtrHandle<ccShape>> parts;
    double start = 0.0;
    for (const auto& piece : loop) {
        const double length = piece->perimeter();
        const double a = std::max(from, start), b = std::min(to, start + length);
        const bool touched = b > a || (from == to && a == b && parts.empty());
        if (touched) {
            const ccShapeInfo info(*piece);
            parts.push_back(piece->subShape(info, {ccPerimPos(0, a - start), b - a}));
        }
        start += length;
    }
    if (parts.size() == 1) return parts.front();
    auto contour = cfMakeHandle<ccContourTree>(false);
    for (const auto& part : parts) contour->addChild(part, true);
    return contour;
}

}  // namespace

// ---------------------------------------------------------------- queries

bool ccComposedShape::within(const ccVector<2>& p) const {
    cfRequireFinite(p, "query point");
    if ((nearestPoint(p) - p).len() <= cc_tol::kCoincident) return true;
    // Whole turns only: pieces sum to +-2*pi inside, 0 outside and in holes.
    return std::fabs(windingAngle(p)) > ccPi;
}

double ccComposedShape::windingAngle(const ccVector<2>& p) const {
    cfRequireFinite(p, "query point");
    double sum = 0.0;
    for (const auto& loop : loops_())
        for (const auto& piece : loop) sum += piece->windingAngle(p);
    return sum;
}

ccVector<2> ccComposedShape::startPoint() const {
    return loops_().front().front()->startPoint();
}

ccRadian ccComposedShape::startAngle() const {
    return loops_().front().front()->startAngle();
}

ccRadian ccComposedShape::endAngle() const {
    return loops_().front().back()->endAngle();
}

double ccComposedShape::tangentRotation() const {
    return isRightHanded() ? ccTwoPi : -ccTwoPi;
}

ccRect ccComposedShape::boundingBox() const {
    const auto loops = loops_();
    ccRect box = loops.front().front()->boundingBox();
    for (const auto& loop : loops)
        for (const auto& piece : loop) box = box.unionWith(piece->boundingBox());
    return box;
}

ccVector<2> ccComposedShape::nearestPoint(const ccVector<2>& p) const {
    cfRequireFinite(p, "query point");
    ccVector<2> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const auto& loop : loops_())
        for (const auto& piece : loop) {
            const ccVector<2> candidate = piece->nearestPoint(p);
            const double distance = (candidate - p).len();
            if (distance < bestDistance) {
                bestDistance = distance;
                best = candidate;
            }
        }
    return best;
}

ccPerimPos ccComposedShape::nearestPerimPos(const ccVector<2>& p) const {
    cfRequireFinite(p, "query point");
    double start = 0.0, bestOffset = 0.0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const auto& loop : loops_())
        for (const auto& piece : loop) {
            const double distance = (piece->nearestPoint(p) - p).len();
            if (distance < bestDistance) {
                bestDistance = distance;
                bestOffset = start + piece->nearestPerimPos(p).offset();
            }
            start += piece->perimeter();
        }
    return ccPerimPos(0, bestOffset);
}

double ccComposedShape::perimeter() const {
    double sum = 0.0;
    for (const auto& loop : loops_()) sum += loopLength(loop);
    return sum;
}

void ccComposedShape::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                           ccRadian& tangent) const {
    cfRequireOwnNode(pos, "composed shape");
    if (std::isnan(pos.offset())) throw ccShapesError::BadParams(L"perimeter offset is NaN");
    const ccMeasuredLoops m(loops_());
    double perimeter = 0.0;
    for (double length : m.loopLengths) perimeter += length;
    const double offset = std::min(std::max(pos.offset(), 0.0), perimeter);
    pointAndTangentAt(m, locate(m, offset), point, tangent);
}

// ---------------------------------------------------------------- sampling

void ccComposedShape::sample(const ccSampleParams& params, ccSampleResult& result) const {
    cfCheckSampleParams(params);
    const ccMeasuredLoops m(loops_());
    const auto& loops = m.loops;
    const auto& lengths = m.loopLengths;

    std::vector<std::vector<double>> offsets;
    long total = 0;
    for (double length : lengths) {
        offsets.push_back(cfSampleOffsets(length, true, params));
        total += static_cast<long>(offsets.back().size());
    }
    if (params.uniformMode() || total > params.maxPoints()) {
        // The point budget covers the whole boundary, not each loop.
        const std::vector<long> shares = cfShareSamples(lengths, params.maxPoints());
        ccSampleParams uniform = params;
        uniform.uniformMode(true);
        for (std::size_t l = 0; l < loops.size(); ++l) {
            offsets[l].clear();
            if (shares[l] == 0) continue;
            uniform.maxPoints(shares[l]);
            offsets[l] = cfSampleOffsets(lengths[l], true, uniform);
        }
    }

    double loopStart = 0.0;
    for (std::size_t l = 0; l < loops.size(); ++l) {
        if (!offsets[l].empty()) result.beginChain(true);
        for (double offset : offsets[l]) {
            ccVector<2> point;
            ccRadian tangent;
            pointAndTangentAt(m, locateInLoop(m, l, offset), point, tangent);
            result.positions().push_back(point);
            if (params.computeTangents()) result.tangents().push_back(tangent);
            if (params.perimPosRequested())
                result.perimPositions().emplace_back(result.shapeIndex(), loopStart + offset);
        }
        loopStart += lengths[l];
    }
}

// ---------------------------------------------------------------- new shapes

ccPtrHandle<ccShape> ccComposedShape::decompose() const {
    const auto loops = loops_();
    if (loops.size() == 1) return cloneThat_(*loopShape(loops.front()));
    ccRegionTree region(*loopShape(loops.front()), false);
    for (std::size_t l = 1; l < loops.size(); ++l)
        region.addChild(cfMakeHandle<ccRegionTree>(*loopShape(loops[l]), true), true);
    return cloneThat_(region);
}

ccPtrHandle<ccShape> ccComposedShape::pieceBetween_(double from, double to) const {
    const auto loops = loops_();
    std::vector<ccPtrHandle<ccShape>> parts;
    double loopStart = 0.0;
    for (const auto& loop : loops) {
        const double length = loopLength(loop);
        const double a = std::max(from, loopStart), b = std::min(to, loopStart + length);
        if (b > a || (from == to && a == b && parts.empty()))
            parts.push_back(loopPart(loop, a - loopStart, b - loopStart));
        loopStart += length;
    }
    if (parts.empty()) parts.push_back(loopPart(loops.back(), 0.0, 0.0));
    if (parts.size() == 1) return cloneThat_(*parts.front());
    ccGeneralShapeTree tree;
    for (const auto& part : parts) tree.addChild(part, true);
    return cloneThat_(tree);
}

// ---------------------------------------------------------------- loops

bool cfIsNegligiblePiece(const ccShape& piece) {
    return piece.perimeter() <= cc_tol::kCoincident;
}

void cfAppendPiece(ccComposedShape::Loop& loop, const ccShapePtrh_const& piece) {
    if (!cfIsNegligiblePiece(*piece)) loop.push_back(piece);
}

ccComposedShape::Loop cfReversedLoop(const ccComposedShape::Loop& loop) {
    ccComposedShape::Loop reversed;
    for (auto it = loop.rbegin(); it != loop.rend(); ++it) reversed.push_back((*it)->reverse());
    return reversed;
}

ccComposedShape::Loop cfMappedLoop(const ccComposedShape::Loop& loop, const ccXform<2>& xform) {
    ccComposedShape::Loop mapped;
    for (const auto& piece : loop) mapped.push_back(piece->mapShape(xform));
    return mapped;
}

// ---------------------------------------------------------------- frames

ccXform<2> ccSkewFrame::xform() const {
    const ccVector<2> x = xDir(), y = yDir();
    return ccXform<2>(ccMatrix<2>(x.x(), y.x(), x.y(), y.y()), center);
}

bool ccSkewFrame::fromAxes(const ccVector<2>& center, const ccVector<2>& xAxis,
                           const ccVector<2>& yAxis, ccSkewFrame& frame, ccVector<2>& lengths) {
    const double lx = xAxis.len(), ly = yAxis.len();
    if (!(lx > 0 && ly > 0) || !center.isFinite() || !std::isfinite(lx) || !std::isfinite(ly))
        return false;
    if (xAxis.cross(yAxis) <= cc_tol::kDegenerateRelative * lx * ly) return false;
    const double orient = xAxis.angle();
    frame.center = center;
    frame.orient = orient;
    frame.skew = ccRadian(yAxis.angle() - orient - ccPi / 2).signedNorm().toDouble();
    lengths = ccVector<2>(lx, ly);
    return true;
}

// ---------------------------------------------------------------- checks

void cfRequireSkew(double skew, const char* what) {
    cfRequireFinite(skew, what);
    if (!(std::fabs(skew) < ccPi / 2))
        throw ccShapesError::BadParams(cfWiden(what) +
                                       L" must lie strictly between -pi/2 and pi/2");
}
