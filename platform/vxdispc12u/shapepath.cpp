#include "vxdispc12u/shapepath.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "vxstd12u/bezier.h"
#include "vxstd12u/ellipse.h"
#include "vxstd12u/line.h"
#include "vxstd12u/mappedshape.h"
#include "vxstd12u/point.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/spline.h"
#include "vxstd12u/tolerances.h"
#include "vxstd12u/transform.h"

namespace {

// ---- Straight shapes ----

void appendPolyline(const std::vector<ccVector<2>>& vertices, bool closed, ccSvgPath& path) {
    if (vertices.empty()) return;
    if (vertices.size() == 1) {
        path.dot(vertices.front());
        return;
    }
    path.startAt(vertices.front());
    for (size_t i = 1; i < vertices.size(); ++i) path.lineTo(vertices[i]);
    if (closed) {
        path.lineTo(vertices.front());
        path.close();
    }
}

// The part of the line p + t d inside `view`, by clipping the parameter range
// against each pair of sides; false when the line misses it.
bool clipLineToView(const ccVector<2>& p, const ccVector<2>& d, const ccRect& view,
                    ccVector<2>& from, ccVector<2>& to) {
    double lo = -std::numeric_limits<double>::infinity();
    double hi = std::numeric_limits<double>::infinity();
    const double mins[2] = {view.xMin(), view.yMin()};
    const double maxs[2] = {view.xMax(), view.yMax()};
    for (int axis = 0; axis < 2; ++axis) {
        if (d[axis] == 0.0) {
            if (p[axis] < mins[axis] || p[axis] > maxs[axis]) return false;
            continue;
        }
        const double t0 = (mins[axis] - p[axis]) / d[axis];
        const double t1 = (maxs[axis] - p[axis]) / d[axis];
        lo = std::max(lo, std::min(t0, t1));
        hi = std::min(hi, std::max(t0, t1));
    }
    if (lo > hi) return false;
    from = p + d * lo;
    to = p + d * hi;
    return true;
}

void appendInfiniteLine(const ccLine& line, const ccRect& view, ccSvgPath& path) {
    ccVector<2> from, to;
    if (!clipLineToView(line.point(), line.direction(), view, from, to)) return;
    path.moveTo(from);
    path.lineTo(to);
}

// ---- Conics ----

// A flat ellipse is a segment traversed back and forth; it turns round only
// where cos phi or sin phi is +-1, at the multiples of pi/2.
void appendFlatArc(const ccEllipse2& e, double phiStart, double phiEnd, ccSvgPath& path) {
    path.startAt(e.pointAt(phiStart));
    const double quarter = ccPi / 2;
    if (phiEnd > phiStart) {
        for (double k = std::floor(phiStart / quarter) + 1; k * quarter < phiEnd; ++k)
            path.lineTo(e.pointAt(k * quarter));
    } else {
        for (double k = std::ceil(phiStart / quarter) - 1; k * quarter > phiEnd; --k)
            path.lineTo(e.pointAt(k * quarter));
    }
    path.lineTo(e.pointAt(phiEnd));
}

// phi increasing runs from the ellipse's x axis towards its y axis, which in
// the (unmirrored) SVG frame is SVG's "positive angle" direction: sweep 1.
void appendArcPiece(const ccEllipse2& e, double phiStart, double span, ccSvgPath& path) {
    path.startAt(e.pointAt(phiStart));
    path.arcTo(e.radii(), e.angle().toDouble(), std::fabs(span) > ccPi, span > 0,
               e.pointAt(phiStart + span));
}

void appendEllipseArc(const ccEllipse2& e, double phiStart, double span, ccSvgPath& path) {
    if (span == 0.0) {
        path.dot(e.pointAt(phiStart));
        return;
    }
    if (e.isFlat()) {
        appendFlatArc(e, phiStart, phiStart + span, path);
        return;
    }
    if (std::fabs(span) > 1.5 * ccPi) {
        appendArcPiece(e, phiStart, span / 2, path);
        appendArcPiece(e, phiStart + span / 2, span / 2, path);
    } else {
        appendArcPiece(e, phiStart, span, path);
    }
}

void appendEllipse(const ccEllipse2& e, ccSvgPath& path) {
    appendEllipseArc(e, e.phase().toDouble(), e.isRightHanded() ? ccTwoPi : -ccTwoPi, path);
    path.close();
}

// ---- Cubics ----

double controlExtent(const ccCubicSegment& s) {
    double extent = 0.0;
    for (const ccVector<2>& p : s.points) extent = std::max(extent, (p - s.points[0]).len());
    return extent;
}

// The polynomial cubic with the same ends and end derivatives as `s`.
ccCubicSegment hermiteCubic(const ccCubicSegment& s) {
    ccCubicSegment c;
    c.points = {s.points[0], s.points[0] + s.derivativeAt(0.0) / 3.0,
                s.points[3] - s.derivativeAt(1.0) / 3.0, s.points[3]};
    return c;
}

double largestGap(const ccCubicSegment& a, const ccCubicSegment& b) {
    constexpr int kChecks = 16;
    double gap = 0.0;
    for (int i = 1; i < kChecks; ++i) {
        const double t = static_cast<double>(i) / kChecks;
        gap = std::max(gap, (a.pointAt(t) - b.pointAt(t)).len());
    }
    return gap;
}

void appendFittedCubics(const ccCubicSegment& s, double tolerance, long splitsLeft,
                        ccSvgPath& path) {
    const ccCubicSegment c = hermiteCubic(s);
    if (splitsLeft == 0 || largestGap(s, c) <= tolerance) {
        path.cubicTo(c.points[1], c.points[2], c.points[3]);
        return;
    }
    appendFittedCubics(s.piece(0.0, 0.5), tolerance, splitsLeft - 1, path);
    appendFittedCubics(s.piece(0.5, 1.0), tolerance, splitsLeft - 1, path);
}

void appendCubicPath(const ccCubicPath& cubics, ccSvgPath& path) {
    for (long i = 0; i < cubics.numSegments(); ++i) cfAppendCubicSegment(cubics.segment(i), path);
    if (cubics.isClosed()) path.close();
}

// ---- Composite and mapped shapes ----

void appendTree(const ccShapeTree& tree, const ccRect& view, ccSvgPath& path) {
    if (auto region = dynamic_cast<const ccRegionTree*>(&tree))
        if (region->hasBoundary()) cfAppendShapePath(region->boundary(), view, path);
    for (const auto& child : tree.children()) cfAppendShapePath(*child, view, path);
    if (auto contour = dynamic_cast<const ccContourTree*>(&tree))
        if (contour->isClosed()) path.close();
}

// Chords of equal arc length along a finite primitive, in its own frame.
void appendChords(const ccShape& shape, long chords, ccSvgPath& path) {
    const double length = shape.perimeter();
    std::vector<double> offsets;
    for (long i = 0; i <= chords; ++i) offsets.push_back(length * i / chords);
    std::vector<ccVector<2>> points(offsets.size());
    shape.perimPointsAndTangents(offsets.data(), static_cast<long>(offsets.size()), points.data(),
                                 nullptr);
    path.startAt(points.front());
    for (size_t i = 1; i < points.size(); ++i) path.lineTo(points[i]);
    if (shape.isRegion()) path.close();
}

void appendPerspectiveImage(const ccShape& inner, const cc2XformBase& xform, const ccRect& view,
                            ccSvgPath& path) {
    if (inner.isEmpty()) return;
    if (auto tree = dynamic_cast<const ccShapeTree*>(&inner)) {
        if (auto region = dynamic_cast<const ccRegionTree*>(tree))
            if (region->hasBoundary())
                appendPerspectiveImage(region->boundary(), xform, view, path);
        for (const auto& child : tree->children())
            appendPerspectiveImage(*child, xform, view, path);
        return;
    }
    if (!inner.isDecomposed()) {
        appendPerspectiveImage(*inner.decompose(), xform, view, path);
        return;
    }
    const ccMappedShape image(ccPtrHandle_const<ccShape>(inner.clone()), xform, true);
    if (!image.isFinite()) return;  // no exact or approximate form worth drawing
    if (image.perimeter() == 0.0) {
        path.dot(image.startPoint());
        return;
    }
    appendChords(image, cc_tol::kDrawPerspectiveChords, path);
}

void appendMapped(const ccMappedShape& mapped, const ccRect& view, ccSvgPath& path) {
    const ccPtrHandle_const<cc2XformBase> xform = mapped.overallMapXform();
    if (xform->isLinear()) {
        cfAppendShapePath(*mapped.explicitShape(), view, path);
        return;
    }
    appendPerspectiveImage(*mapped.underlyingShape(), *xform, view, path);
}

void appendOtherPrimitive(const ccShape& shape, ccSvgPath& path) {
    if (!shape.isFinite()) return;
    if (shape.perimeter() == 0.0) {
        path.dot(shape.startPoint());
        return;
    }
    appendChords(shape, cc_tol::kDrawPerspectiveChords, path);
}

}  // namespace

void cfAppendCubicSegment(const ccCubicSegment& segment, ccSvgPath& path) {
    path.startAt(segment.points[0]);
    if (segment.isPolynomial()) {
        path.cubicTo(segment.points[1], segment.points[2], segment.points[3]);
        return;
    }
    appendFittedCubics(segment, cc_tol::kDrawCubicFitRelative * controlExtent(segment),
                       cc_tol::kDrawCubicFitMaxSplits, path);
}

void cfAppendShapePath(const ccShape& shape, const ccRect& view, ccSvgPath& path) {
    if (shape.isEmpty()) return;
    if (auto tree = dynamic_cast<const ccShapeTree*>(&shape)) return appendTree(*tree, view, path);
    if (auto mapped = dynamic_cast<const ccMappedShape*>(&shape))
        return appendMapped(*mapped, view, path);
    if (auto point = dynamic_cast<const cc2Point*>(&shape)) return path.dot(point->point());
    if (auto line = dynamic_cast<const ccLine*>(&shape))
        return appendInfiniteLine(*line, view, path);
    if (auto fline = dynamic_cast<const ccFLine*>(&shape))
        return appendInfiniteLine(fline->toLine(), view, path);
    if (auto seg = dynamic_cast<const ccLineSeg*>(&shape))
        return appendPolyline({seg->p1(), seg->p2()}, false, path);
    if (auto polyline = dynamic_cast<const ccPolyline*>(&shape))
        return appendPolyline(polyline->vertices(), polyline->isClosed(), path);
    if (auto rect = dynamic_cast<const ccRect*>(&shape))
        return appendPolyline(rect->toPolyline().vertices(), true, path);
    if (auto circle = dynamic_cast<const ccCircle*>(&shape))
        return appendEllipse(circle->asEllipse(), path);
    if (auto ellipse = dynamic_cast<const ccEllipse2*>(&shape))
        return appendEllipse(*ellipse, path);
    if (auto arc = dynamic_cast<const ccEllipseArc2*>(&shape))
        return appendEllipseArc(arc->ellipse(), arc->phiStart().toDouble(),
                                arc->phiSpan().toDouble(), path);
    if (auto bezier = dynamic_cast<const ccBezierCurve*>(&shape)) {
        ccCubicSegment segment;
        segment.points = bezier->controlPoints();
        segment.weights = bezier->weights();
        return cfAppendCubicSegment(segment, path);
    }
    if (auto spline = dynamic_cast<const ccCubicSpline*>(&shape))
        return appendCubicPath(spline->path(), path);
    if (!shape.isDecomposed()) return cfAppendShapePath(*shape.decompose(), view, path);
    appendOtherPrimitive(shape, path);
}
