// Inspection of shape models: display names, textual descriptions, drawings
// with polarity glyphs, and diagnostic records with structure diagrams.
#include "shmd/inspect.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "shmd/properties.h"
#include "vxdiagc12u/diag.h"
#include "vxdispc12u/graphiclist.h"
#include "vxstd12u/stackguard.h"
#include "vxstd12u/str.h"

namespace {

// ===========================================================================
// Text

const std::wstring kEol = L"\n";
constexpr double kDegreesPerRadianText = 57.29577951308232;

std::wstring numberText(double v) {
    return cfStr(v);
}
std::wstring countText(long v) {
    return cfStr(v);
}
std::wstring pointText(const ccVector<2>& p) {
    return L"(" + cfStr(p.x()) + L", " + cfStr(p.y()) + L")";
}
std::wstring angleText(const ccRadian& a, const ccDrawShapeParams& params) {
    if (params.useDegrees()) return cfStr(a.toDouble() * kDegreesPerRadianText) + L" deg";
    return cfStr(a.toDouble()) + L" rad";
}
std::wstring polarityText(const ccShapeModelProps& p) {
    const std::wstring sense = p.isReversedPolarity() ? L"reversed" : L"normal";
    return p.isIgnoredPolarity() ? L"ignore (" + sense + L")" : sense;
}
std::wstring handednessText(bool rightHanded) {
    return rightHanded ? L"right" : L"left";
}
std::wstring topologyText(bool closed) {
    return closed ? L"closed" : L"open";
}

// Builds the description line by line.
class ccTextLines {
  public:
    explicit ccTextLines(std::wstring& out) : out_(out) {}
    void title(const std::wstring& text) { out_ += text + kEol; }
    void line(const std::wstring& label, const std::wstring& value) {
        out_ += L"  " + label + L": " + value + kEol;
    }
    // A line of the section that has no label.
    void remark(const std::wstring& text) { out_ += L"  " + text + kEol; }
    void endSection() { out_ += kEol; }

  private:
    std::wstring& out_;
};

template <class T>
const T* as(const ccShape& shape) {
    return dynamic_cast<const T*>(&shape);
}

bool hasFlippedBoundary(const ccShape& shape) {
    const auto* region = as<ccRegionTree>(shape);
    return region && region->hasBoundary() &&
           region->isRightHanded() != region->boundary().isRightHanded();
}

void describeRecord(ccTextLines& text, const ccShapeModelProps& p) {
    text.line(L"Polarity", polarityText(p));
    text.line(L"Weight", numberText(p.weight()));
    text.line(L"Magnitude", numberText(p.magnitude()));
}

void describeProps(ccTextLines& text, const ccShape& shape, const ccShapeModelProps& props) {
    text.title(L"Effective shape model props:");
    describeRecord(text, props);
    const wchar_t* kind = cfIsA<ccShapeModel>(shape)   ? L"(shape model):"
                          : cfIsA<cc2Wireframe>(shape) ? L"(wireframe):"
                                                       : L"(default):";
    text.title(std::wstring(L"Local shape model props ") + kind);
    describeRecord(text, ccShapeModel::shapeModelProps(shape));
    if (hasFlippedBoundary(shape)) text.line(L"Note", L"Boundary has flipped handedness");
}

void describeEllipse(ccTextLines& text, const ccEllipse2& e, const ccDrawShapeParams& params) {
    text.title(L"Ellipse parameters");
    text.line(L"Radii", pointText(e.radii()));
    text.line(L"Angle", angleText(e.angle(), params));
    text.line(L"Center", pointText(e.center()));
    text.line(L"Handedness", handednessText(e.isRightHanded()));
    text.line(L"Phase", angleText(e.phase(), params));
}

void describeBezier(ccTextLines& text, const ccBezierCurve& b) {
    text.title(L"Bezier curve parameters");
    text.line(L"Weighted", b.isWeighted() ? L"yes" : L"no");
    for (int i = 0; i < 4; ++i)
        text.line(L"Control point " + countText(i), pointText(b.controlPoints()[i]));
    std::wstring weights;
    for (int i = 0; i < 4; ++i) weights += (i ? L" " : L"") + numberText(b.weights()[i]);
    text.line(L"Weights", weights);
}

// The parameter section of the first matching type; nothing for the others.
void describeParameters(ccTextLines& text, const ccShape& s, const ccDrawShapeParams& params) {
    if (const auto* p = as<cc2Point>(s)) {
        text.title(L"Point parameters");
        text.line(L"Location", pointText(p->point()));
    } else if (const auto* f = as<ccFLine>(s)) {
        text.title(L"FLine parameters");
        text.line(L"Angle", angleText(f->angle(), params));
        text.line(L"Dist from origin", numberText(f->distanceFromOrigin()));
    } else if (const auto* l = as<ccLine>(s)) {
        text.title(L"Line parameters");
        text.line(L"Angle", angleText(l->angle(), params));
        text.line(L"Point on line", pointText(l->point()));
    } else if (const auto* seg = as<ccLineSeg>(s)) {
        text.title(L"Line segment parameters");
        text.line(L"Point 1", pointText(seg->p1()));
        text.line(L"Point 2", pointText(seg->p2()));
        text.line(L"Length", numberText(seg->length()));
        text.line(L"Angle", angleText(seg->angle(), params));
    } else if (const auto* r = as<ccRect>(s)) {
        text.title(L"Rectangle parameters");
        text.line(L"X min", numberText(r->xMin()));
        text.line(L"X max", numberText(r->xMax()));
        text.line(L"Y min", numberText(r->yMin()));
        text.line(L"Y max", numberText(r->yMax()));
        text.line(L"Size", pointText(r->size()));
    } else if (const auto* c = as<ccCircle>(s)) {
        text.title(L"Circle parameters");
        text.line(L"Center", pointText(c->center()));
        text.line(L"Radius", numberText(c->radius()));
    } else if (const auto* a = as<ccAnnulus>(s)) {
        text.title(L"Annulus parameters");
        text.line(L"Center", pointText(a->center()));
        text.line(L"Outer radius", numberText(a->outerRadius()));
        text.line(L"Inner radius", numberText(a->innerRadius()));
    } else if (const auto* ea = as<ccEllipseAnnulus>(s)) {
        text.title(L"Ellipse annulus parameters");
        text.line(L"Outer radii", pointText(ea->outerRadii()));
        text.line(L"Inner radii", pointText(ea->innerRadii()));
        text.line(L"Angle", angleText(ea->angle(), params));
        text.line(L"Center", pointText(ea->center()));
    } else if (const auto* g = as<ccGenRect>(s)) {
        text.title(L"Generalized rectangle parameters");
        text.line(L"Radii", pointText(g->radii()));
        text.line(L"Orient", angleText(g->orient(), params));
        text.line(L"Center", pointText(g->center()));
        text.line(L"Skew", angleText(g->skew(), params));
        text.line(L"Round", pointText(g->round()));
        text.line(L"URound", pointText(g->uround()));
    } else if (const auto* ga = as<ccGenAnnulus>(s)) {
        text.title(L"Generalized annulus parameters");
        text.line(L"Outer radii", pointText(ga->outerRadii()));
        text.line(L"Inner radii", pointText(ga->innerRadii()));
        text.line(L"Orient", angleText(ga->orient(), params));
        text.line(L"Center", pointText(ga->center()));
        text.line(L"Outer round", pointText(ga->outerRound()));
        text.line(L"Inner round", pointText(ga->innerRound()));
    } else if (const auto* pl = as<ccPolyline>(s)) {
        text.title(L"Polyline parameters");
        text.line(L"Topology", topologyText(pl->isClosed()));
        text.line(L"# Vertices", countText(pl->numVertices()));
        text.line(L"Perimeter", numberText(pl->perimeter()));
        text.line(L"Area", numberText(pl->signedArea()));
        text.line(L"Center", pointText(pl->center()));
    } else if (const auto* e = as<ccEllipse2>(s)) {
        describeEllipse(text, *e, params);
    } else if (const auto* arc = as<ccEllipseArc2>(s)) {
        text.title(L"Ellipse arc parameters");
        text.line(L"Phi start", angleText(arc->phiStart(), params));
        text.line(L"Phi end", angleText(arc->phiEnd(), params));
        text.line(L"Phi span", angleText(arc->phiSpan(), params));
        text.endSection();
        describeEllipse(text, arc->ellipse(), params);
    } else if (const auto* b = as<ccBezierCurve>(s)) {
        describeBezier(text, *b);
    } else if (const auto* ct = as<ccContourTree>(s)) {
        text.title(L"Contour tree parameters");
        text.line(L"Topology", topologyText(ct->isClosed()));
    } else if (const auto* rt = as<ccRegionTree>(s)) {
        text.title(L"Region tree parameters");
        text.line(L"Region type", rt->isHole() ? L"hole" : L"solid");
    }
}

void describeTreeStatistics(ccTextLines& text, const ccShape& shape,
                            const std::vector<long>& path) {
    text.title(L"Shape tree statistics");
    const long depth = path.empty() ? 0 : static_cast<long>(path.size()) - 1;
    text.line(L"Depth", countText(depth));
    std::wstring where = L"0";
    for (std::size_t k = 1; k < path.size(); ++k) where += L" " + countText(path[k]);
    text.line(L"Path", where);
    const auto* tree = as<ccShapeTree>(shape);
    if (!tree) {
        text.remark(L"(Primitive)");
        return;
    }
    text.line(L"Height", countText(tree->height()));
    if (tree->height() < 1) return;
    text.line(L"# Children", countText(tree->numChildren()));
    text.line(L"Subtree size", countText(tree->size(false)) + L"  (" + countText(tree->size(true)) +
                                   L" primitives)");
}

void describeOpenContour(ccTextLines& text, const ccShape& s, const ccDrawShapeParams& params) {
    text.title(L"Open contour parameters");
    text.line(L"Start point", pointText(s.startPoint()));
    text.line(L"End point", pointText(s.endPoint()));
    if (!s.hasTangent()) {
        text.remark(L"No tangent");
        return;
    }
    text.line(L"Start angle", angleText(s.startAngle(), params));
    text.line(L"End angle", angleText(s.endAngle(), params));
    text.line(L"Tangent rotation", angleText(ccRadian(s.tangentRotation()), params));
}

// ===========================================================================
// Drawing

// The glyph of a primitive is this fraction of its length, and a primitive
// shorter than kMinLengthInGlyphs glyph sizes is too short to carry one.
constexpr double kGlyphSizeFraction = 0.04;
constexpr double kMinLengthInGlyphs = 0.2 * 25.0;
// The strokes of the plus and minus signs reach this fraction of the glyph
// size from the sign's centre.
constexpr double kSignStrokeFraction = 0.3;

using ccXformHandle = ccPtrHandle_const<cc2XformBase>;

bool isRootHole(const ccRegionTree& region) {
    return region.isRoot() && region.isHole();
}

// Whether a walk visits the region node's boundary; a root hole's stays
// undrawn, and a node without one has nothing to visit.
bool drawsBoundary(const ccRegionTree& region) {
    return region.hasBoundary() && !isRootHole(region);
}

bool hasPassColor(const ccGraphicProps& g) {
    return g.color() == ccColor::passColor();
}

// The transform from the frame of the shape held by `mapped` to the outer
// frame, given the transform `outer` accumulated so far.
ccXformHandle accumulate(const ccXformHandle& outer, const ccMappedShape& mapped) {
    const ccPtrHandle<cc2XformBase> own = mapped.mapXform().clone();
    if (!outer) return own;
    return outer->compose(*own);
}

const ccShape& heldShape(const ccMappedShape& mapped) {
    if (!mapped.shape()) throw ccBadPointer(L"a mapped shape without a shape cannot be inspected");
    return *mapped.shape();
}

template <class T, class G>
bool tryGraphic(const ccShape& s, const ccGraphicProps& g, ccPtrHandle<ccGraphic>& out) {
    const T* typed = as<T>(s);
    if (typed) out = cfMakeHandle<G>(*typed, g);
    return typed != nullptr;
}

// The outline graphic of a primitive; empty for a type without one.
ccPtrHandle<ccGraphic> outlineGraphic(const ccShape& s, const ccGraphicProps& g) {
    ccPtrHandle<ccGraphic> out;
    tryGraphic<cc2Point, ccGraphicSimple<cc2Point>>(s, g, out) ||
        tryGraphic<ccFLine, ccGraphicSimple<ccFLine>>(s, g, out) ||
        tryGraphic<ccLine, ccGraphicSimple<ccLine>>(s, g, out) ||
        tryGraphic<ccLineSeg, ccGraphicSimple<ccLineSeg>>(s, g, out) ||
        tryGraphic<ccRect, ccGraphicWithFill<ccRect, ccGenRect>>(s, g, out) ||
        tryGraphic<ccCircle, ccGraphicWithFill<ccCircle, ccEllipse2>>(s, g, out) ||
        tryGraphic<ccAnnulus, ccGraphicWithFill<ccAnnulus, ccGenAnnulus>>(s, g, out) ||
        tryGraphic<ccEllipse2, ccGraphicWithFill<ccEllipse2, ccEllipse2>>(s, g, out) ||
        tryGraphic<ccEllipseAnnulus, ccGraphicWithFill<ccEllipseAnnulus, ccEllipseAnnulus>>(s, g,
                                                                                            out) ||
        tryGraphic<ccEllipseAnnulusSection, ccGraphicEllipseAnnulusSection>(s, g, out) ||
        tryGraphic<ccEllipseArc2, ccGraphicSimple<ccEllipseArc2>>(s, g, out) ||
        tryGraphic<ccGenRect, ccGraphicWithFill<ccGenRect, ccGenRect>>(s, g, out) ||
        tryGraphic<ccGenAnnulus, ccGraphicSimple<ccGenAnnulus>>(s, g, out) ||
        tryGraphic<ccPolyline, ccGraphicSimple<ccPolyline>>(s, g, out) ||
        tryGraphic<ccAffineRectangle, ccGraphicSimple<ccAffineRectangle>>(s, g, out) ||
        tryGraphic<cc2Wireframe, ccGraphicSimple<cc2Wireframe>>(s, g, out) ||
        tryGraphic<ccGenPoly, ccGraphicSimple<ccGenPoly>>(s, g, out) ||
        tryGraphic<ccBezierCurve, ccGraphicSimple<ccBezierCurve>>(s, g, out) ||
        tryGraphic<ccDeBoorSpline, ccGraphicSimple<ccDeBoorSpline>>(s, g, out) ||
        tryGraphic<ccInterpSpline, ccGraphicSimple<ccInterpSpline>>(s, g, out) ||
        tryGraphic<ccHermiteSpline, ccGraphicSimple<ccHermiteSpline>>(s, g, out);
    return out;
}

void drawOutlineOfPrimitive(ccGraphicList& list, const ccShape& s, const ccShapeModelProps& props,
                            const ccXformHandle& xform, const ccWeightGraphicProps& gprops) {
    ccGraphicProps g = gprops.forWeight(props.weight());
    if (hasPassColor(g)) return;
    g.arrowHead(false);
    ccPtrHandle<ccGraphic> graphic = outlineGraphic(s, g);
    if (!graphic) return;
    if (xform) {
        const ccMappedShape image(s.clone(), *xform, true);
        graphic = graphic->map(image.overallMapXformLinear().xform());
    }
    list.append(graphic);
}

double linearScaleAtOrigin(const cc2XformBase& xform, double size) {
    return xform.linearXform(ccVector<2>(0, 0)).mapVector(ccVector<2>(0, size)).len();
}

void drawGlyphOfPrimitive(ccGraphicList& list, const ccShape& s, const ccShapeModelProps& inherited,
                          double size, const ccXformHandle& xform,
                          const ccWeightGraphicProps& gprops) {
    const ccShapeModelProps props = inherited.combine(ccShapeModel::shapeModelProps(s));
    const ccGraphicProps& g = gprops.forWeight(props.weight());
    if (hasPassColor(g) || !g.arrowHead()) return;
    if (!s.isDecomposed()) {
        cfDrawGlyphs(list, *s.decompose(), inherited, size, xform, gprops);
        return;
    }
    if (!s.isFinite()) return;  // an infinite primitive has no middle
    if (size == 0) size = cfDefaultGlyphSize(s);
    if (size == 0) return;
    const double minLength = size * kMinLengthInGlyphs;
    if (xform) size = linearScaleAtOrigin(*xform, size);
    if (s.perimeter() < minLength) return;
    cfDrawGlyph(list, cfPoseAtPerimeterFraction(s, 0.5), props.isReversedPolarity(),
                props.isIgnoredPolarity(), size, g, xform);
}

bool agreesInPolarity(const ccContourTree& contour) {
    ccShapeModelProps unused;
    return cfConsistentContourProps(contour, ccShapeModelProps(), unused, eConsistentPolarity);
}

void appendSegment(ccGraphicList& list, const ccVector<2>& a, const ccVector<2>& b,
                   const ccGraphicProps& g) {
    list.append(cfMakeHandle<ccGraphicSimple<ccLineSeg>>(ccLineSeg(a, b), g));
}

// ===========================================================================
// Recording

template <class T>
struct ccRecordWalk {
    ccDiagObject& diag;
    const ccPelBuffer_const<T>& image;
    const std::vector<ccStructureDiagram>& diagrams;
    long counter;
    std::vector<long> path;
};

// The diagrams of `shape`'s nodes, each fitted to the image as it will be
// shown over it (an empty image leaves them as drawn).
std::vector<ccStructureDiagram> fittedDiagrams(const ccShape& shape, const cc_PelBuffer& image) {
    std::vector<ccStructureDiagram> diagrams = cfStructureDiagrams(shape, ccDrawShapeParams());
    if (image.isEmpty()) return diagrams;
    for (auto& d : diagrams) d.graphics = d.graphics.mapped(cfFitXform(d.box, image.imageRect()));
    return diagrams;
}

void shiftLevel(ccDiagObject& diag, long by) {
    diag.level(diag.level() + by);
}

template <class T>
void recordNode(ccRecordWalk<T>& walk, const ccShape& s, const ccShapeModelProps& inherited,
                const ccWeightGraphicProps& gprops, const ccXformHandle& xform,
                const std::wstring& name);

template <class T>
void recordMappedShape(ccRecordWalk<T>& walk, const ccMappedShape& mapped,
                       const ccShapeModelProps& props, const ccWeightGraphicProps& gprops,
                       const ccXformHandle& xform) {
    shiftLevel(walk.diag, 1);
    const ccXformHandle inner = accumulate(xform, mapped);
    const ccShape& held = heldShape(mapped);
    // The outer numbering stops at a mapped shape; what it holds takes the
    // diagrams of its own subtree.
    const std::vector<ccStructureDiagram> diagrams = fittedDiagrams(held, walk.image);
    ccRecordWalk<T> heldWalk{walk.diag, walk.image, diagrams, 0, walk.path};
    recordNode(heldWalk, held, props, gprops, inner, L"Mapped Shape");
    shiftLevel(walk.diag, -1);
}

template <class T>
void recordTreeParts(ccRecordWalk<T>& walk, ccDiagRecord& rec, const ccShapeTree& tree,
                     const ccShapeModelProps& inherited, const ccShapeModelProps& props,
                     const ccWeightGraphicProps& gprops, const ccXformHandle& xform) {
    shiftLevel(walk.diag, 1);
    rec.graphics(walk.diagrams.at(walk.counter).graphics, 1, L"Shape Structure Diagram");
    ++walk.counter;
    const auto* region = as<ccRegionTree>(tree);
    if (region && region->hasBoundary()) {
        const bool phantom = isRootHole(*region);
        std::wstring name = phantom ? L"Phantom Boundary" : L"Boundary";
        if (hasFlippedBoundary(*region)) name += L" (Reversed Handedness)";
        const ccWeightGraphicProps allZero{gprops.zero, gprops.zero, gprops.zero};
        const std::vector<long> outerPath = walk.path;
        walk.path = {0};
        cfWithEnoughStack([&] {
            recordNode(walk, region->boundary(), cfRegionNodeModelProps(*region, inherited),
                       phantom ? allZero : gprops, xform, name);
        });
        walk.path = outerPath;
    }
    walk.path.push_back(0);
    for (long i = 0; i < tree.numChildren(); ++i) {
        walk.path.back() = i;
        cfWithEnoughStack(
            [&] { recordNode(walk, *tree.child(i), props, gprops, xform, L"Child " + cfStr(i)); });
    }
    walk.path.pop_back();
    shiftLevel(walk.diag, -1);
}

template <class T>
void recordNode(ccRecordWalk<T>& walk, const ccShape& s, const ccShapeModelProps& inherited,
                const ccWeightGraphicProps& gprops, const ccXformHandle& xform,
                const std::wstring& name) {
    const ccShapeModelProps props = inherited.combine(ccShapeModel::shapeModelProps(s));
    ccDiagRecord& rec = walk.diag.newDiagRecord();
    rec.image(walk.image, false);
    const std::wstring displayName = cfShapeDisplayName(s);
    rec.recordAnnotation(name.empty() ? displayName : name + L": " + displayName);
    std::wstring description;
    cfDescribeShape(s, props, walk.path, ccDrawShapeParams(), description);
    rec.text(description, L"Shape Description");
    ccGraphicList drawing;
    cfDrawOutlines(drawing, s, inherited, xform, gprops);
    cfDrawGlyphs(drawing, s, inherited, 0.0, xform, gprops);
    rec.graphics(drawing, 2, L"Shape Drawing");
    if (const auto* tree = as<ccShapeTree>(s)) {
        recordTreeParts(walk, rec, *tree, inherited, props, gprops, xform);
        return;
    }
    ++walk.counter;
    if (const auto* mapped = as<ccMappedShape>(s))
        recordMappedShape(walk, *mapped, props, gprops, xform);
}

}  // namespace

// ===========================================================================
// Exported and module-internal entry points

std::wstring cfShapeDisplayName(const ccShape& s) {
    if (const auto* c = as<ccContourTree>(s))
        return std::wstring(L"Contour Tree") + (c->isClosed() ? L" (Closed)" : L" (Open)");
    if (const auto* r = as<ccRegionTree>(s))
        return std::wstring(L"Region Tree") + (r->isHole() ? L" (Hole)" : L"");
    static const std::vector<std::pair<std::function<bool(const ccShape&)>, const wchar_t*>>
        kNames = {
            {cfIsA<ccGeneralShapeTree>, L"General Shape Tree"},
            {cfIsA<ccMappedShape>, L"Mapped Shape"},
            {cfIsA<cc2Point>, L"2Point"},
            {cfIsA<ccFLine>, L"Fit Line"},
            {cfIsA<ccLine>, L"Line"},
            {cfIsA<ccLineSeg>, L"Line Segment"},
            {cfIsA<ccRect>, L"Rectangle"},
            {cfIsA<ccCircle>, L"Circle"},
            {cfIsA<ccAnnulus>, L"Annulus"},
            {cfIsA<ccEllipse2>, L"Ellipse2"},
            {cfIsA<ccEllipseAnnulus>, L"Ellipse Annulus"},
            {cfIsA<ccEllipseAnnulusSection>, L"Ellipse Annulus Section"},
            {cfIsA<ccEllipseArc2>, L"Ellipse Arc2"},
            {cfIsA<ccGenRect>, L"Generalized Rectangle"},
            {cfIsA<ccGenAnnulus>, L"Generalized Annulus"},
            {cfIsA<ccPolyline>, L"Polyline"},
            {cfIsA<ccAffineRectangle>, L"Affine Rectangle"},
            {cfIsA<cc2Wireframe>, L"2D Wireframe"},
            {cfIsA<ccGenPoly>, L"Generalized Polygon"},
            {cfIsA<ccBezierCurve>, L"Bezier Curve"},
            {cfIsA<ccDeBoorSpline>, L"De Boor Spline"},
            {cfIsA<ccInterpSpline>, L"Interpolation Spline"},
            {cfIsA<ccHermiteSpline>, L"Hermite Spline"},
        };
    for (const auto& entry : kNames)
        if (entry.first(s)) return entry.second;
    return L"unknown";
}

void cfDescribeShape(const ccShape& shape, const ccShapeModelProps& props,
                     const std::vector<long>& path, const ccDrawShapeParams& params,
                     std::wstring& out) {
    ccTextLines text(out);
    if (params.drawModelProps()) {
        describeProps(text, shape, props);
        text.endSection();
    }
    describeParameters(text, shape, params);
    text.endSection();
    describeTreeStatistics(text, shape, path);
    text.endSection();
    if (shape.isOpenContour()) {
        describeOpenContour(text, shape, params);
        text.endSection();
    }
    if (shape.isRegion()) {
        text.title(L"Region parameters");
        text.line(L"Handedness", handednessText(shape.isRightHanded()));
        text.endSection();
    }
}

double cfDefaultGlyphSize(const ccShape& shape) {
    if (const auto* tree = as<ccShapeTree>(shape)) {
        double size = 0;
        const auto* region = as<ccRegionTree>(shape);
        if (region && drawsBoundary(*region)) size = cfDefaultGlyphSize(region->boundary());
        for (const auto& child : tree->children())
            size = std::max(size, cfWithEnoughStack([&] { return cfDefaultGlyphSize(*child); }));
        return size;
    }
    if (!shape.isDecomposed()) return cfDefaultGlyphSize(*shape.decompose());
    if (cfIsMappedTree(shape)) return cfDefaultGlyphSize(*cfDistributeMapXform(shape));
    if (!shape.isFinite()) return 0;
    return shape.perimeter() * kGlyphSizeFraction;
}

void cfDrawOutlines(ccGraphicList& list, const ccShape& shape, const ccShapeModelProps& inherited,
                    const ccXformHandle& xform, const ccWeightGraphicProps& gprops) {
    const ccShapeModelProps props = inherited.combine(ccShapeModel::shapeModelProps(shape));
    if (const auto* tree = as<ccShapeTree>(shape)) {
        const auto* region = as<ccRegionTree>(shape);
        if (region && drawsBoundary(*region))
            cfDrawOutlines(list, region->boundary(), cfRegionNodeModelProps(*region, inherited),
                           xform, gprops);
        for (const auto& child : tree->children())
            cfWithEnoughStack([&] { cfDrawOutlines(list, *child, props, xform, gprops); });
    } else if (const auto* mapped = as<ccMappedShape>(shape)) {
        cfDrawOutlines(list, heldShape(*mapped), props, accumulate(xform, *mapped), gprops);
    } else {
        drawOutlineOfPrimitive(list, shape, props, xform, gprops);
    }
}

void cfDrawGlyphs(ccGraphicList& list, const ccShape& shape, const ccShapeModelProps& inherited,
                  double size, const ccXformHandle& xform, const ccWeightGraphicProps& gprops) {
    const ccShapeModelProps props = inherited.combine(ccShapeModel::shapeModelProps(shape));
    if (const auto* tree = as<ccShapeTree>(shape)) {
        const auto* region = as<ccRegionTree>(shape);
        if (region && drawsBoundary(*region))
            cfDrawGlyphs(list, region->boundary(), cfRegionNodeModelProps(*region, inherited), 0.0,
                         xform, gprops);
        const auto* contour = as<ccContourTree>(shape);
        if (size == 0 && contour && agreesInPolarity(*contour)) {
            size = cfDefaultGlyphSize(shape);
            if (size == 0) return;
        }
        for (const auto& child : tree->children())
            cfWithEnoughStack([&] { cfDrawGlyphs(list, *child, props, size, xform, gprops); });
    } else if (const auto* mapped = as<ccMappedShape>(shape)) {
        cfDrawGlyphs(list, heldShape(*mapped), props, size, accumulate(xform, *mapped), gprops);
    } else {
        drawGlyphOfPrimitive(list, shape, inherited, size, xform, gprops);
    }
}

void cfDrawGlyph(ccGraphicList& list, const cc2Rigid& pose, bool reversed, bool ignored,
                 double size, const ccGraphicProps& gprops, const ccXformHandle& xform) {
    ccVector<2> centre = pose.translation();
    ccRadian direction = pose.rotation().toRadian();
    if (xform) {
        const cc2XformLinear carried = xform->compose(pose)->linearXform(ccVector<2>(0, 0));
        centre = carried.xform().offset();
        direction = carried.xform().matrix().xRot();
    }
    const cc2Rigid frame(ccDegree(direction), centre);
    const double sigma = reversed ? -1.0 : 1.0;
    const double s = size;
    const double t = kSignStrokeFraction * s;
    auto at = [&](double x, double y) { return centre + frame.mapVector(ccVector<2>(x, y)); };
    const ccVector<2> a = at(-s, sigma * s), b = at(-s, -sigma * s);
    const ccVector<2> plus = at(0, sigma * s), minus = at(0, -sigma * s);
    const ccVector<2> dx(t, 0), dy(0, t), diagonal(t, t);
    appendSegment(list, centre, b, gprops);
    appendSegment(list, centre, a, gprops);
    appendSegment(list, plus - dx, plus + dx, gprops);
    appendSegment(list, plus - dy, plus + dy, gprops);
    appendSegment(list, minus - dx, minus + dx, gprops);
    if (!ignored) return;
    appendSegment(list, plus - diagonal, plus + diagonal, gprops);
    appendSegment(list, minus - diagonal, minus + diagonal, gprops);
}

void ccShapeModel::draw(ccGraphicList& list, const ccShape& shape, const ccGraphicProps& positive,
                        const ccGraphicProps& negative, const ccGraphicProps& zero) {
    if (shape.isEmpty()) return;
    const ccWeightGraphicProps gprops{positive, negative, zero};
    cfDrawOutlines(list, shape, ccShapeModelProps(), ccXformHandle(), gprops);
    cfDrawGlyphs(list, shape, ccShapeModelProps(), 0.0, ccXformHandle(), gprops);
}

template <class T>
void cfRecordWithPose(ccDiagObject& diag, const ccPelBuffer_const<T>& image, const ccShape& shape,
                      const ccXform<2>& pose, const ccGraphicProps& positive,
                      const ccGraphicProps& negative, const ccGraphicProps& zero,
                      const std::wstring& name) {
    const std::vector<ccStructureDiagram> diagrams = fittedDiagrams(shape, image);
    ccRecordWalk<T> walk{diag, image, diagrams, 0, {0}};
    const ccXformHandle start = cfMakeHandle<cc2XformLinear>(pose);
    recordNode(walk, shape, ccShapeModelProps(), ccWeightGraphicProps{positive, negative, zero},
               start, name);
}

template void cfRecordWithPose<unsigned char>(ccDiagObject&,
                                              const ccPelBuffer_const<unsigned char>&,
                                              const ccShape&, const ccXform<2>&,
                                              const ccGraphicProps&, const ccGraphicProps&,
                                              const ccGraphicProps&, const std::wstring&);
template void cfRecordWithPose<unsigned short>(ccDiagObject&,
                                               const ccPelBuffer_const<unsigned short>&,
                                               const ccShape&, const ccXform<2>&,
                                               const ccGraphicProps&, const ccGraphicProps&,
                                               const ccGraphicProps&, const std::wstring&);

void ccShapeModel::record(ccDiagObject& diag, const ccPelBuffer_const<unsigned char>& image,
                          const ccShape& shape, const ccGraphicProps& positive,
                          const ccGraphicProps& negative, const ccGraphicProps& zero,
                          const std::wstring& name) {
    cfRecordWithPose(diag, image, shape, ccXform<2>(), positive, negative, zero, name);
}

void ccShapeModel::record(ccDiagObject& diag, const ccPelBuffer_const<unsigned short>& image,
                          const ccShape& shape, const ccGraphicProps& positive,
                          const ccGraphicProps& negative, const ccGraphicProps& zero,
                          const std::wstring& name) {
    cfRecordWithPose(diag, image, shape, ccXform<2>(), positive, negative, zero, name);
}
