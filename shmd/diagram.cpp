// Structure diagrams of shape trees: node icons joined by links, levels
// stacked from the deepest up in client coordinates.
#include <algorithm>
#include <cmath>
#include <limits>

#include "shmd/inspect.h"
#include "vxstd12u/stackguard.h"

namespace {

// Every node of a diagram is a glyph of this size, and leaves stand this far
// apart (centre to centre).
constexpr double kDiagramGlyphSize = 1.0;
constexpr double kDiagramLeafSpacing = 1.5;
// Links leave no steeper than this angle from the vertical.
constexpr double kLinkAngle = 1.0471975511965976;

struct ccDiagramNode {
    const ccShape* shape;
    long level;               // below the diagram's root
    std::vector<long> parts;  // a region node's boundary first, then the children
    bool hasBoundaryPart;
    double x = 0;
};

// The nodes of `shape`'s subtree in pre-order, levels counted from `level`.
void collectNodes(const ccShape& shape, long level, std::vector<ccDiagramNode>& nodes) {
    const long self = static_cast<long>(nodes.size());
    nodes.push_back({&shape, level, {}, false});
    const auto* tree = dynamic_cast<const ccShapeTree*>(&shape);
    if (!tree) return;
    const auto* region = dynamic_cast<const ccRegionTree*>(&shape);
    if (region && region->hasBoundary()) {
        nodes[self].hasBoundaryPart = true;
        nodes[self].parts.push_back(static_cast<long>(nodes.size()));
        collectNodes(region->boundary(), level + 1, nodes);
    }
    for (long i = 0; i < tree->numChildren(); ++i) {
        nodes[self].parts.push_back(static_cast<long>(nodes.size()));
        cfWithEnoughStack([&] { collectNodes(*tree->child(i), level + 1, nodes); });
    }
}

// Bottom-up placement: leaves side by side, each parent over the middle of
// its parts. Returns the next free leaf position.
double placeNodes(std::vector<ccDiagramNode>& nodes, long k, double nextLeafX) {
    ccDiagramNode& node = nodes[k];
    if (node.parts.empty()) {
        node.x = nextLeafX;
        return nextLeafX + kDiagramLeafSpacing;
    }
    for (long part : node.parts)
        nextLeafX = cfWithEnoughStack([&] { return placeNodes(nodes, part, nextLeafX); });
    node.x = 0.5 * (nodes[node.parts.front()].x + nodes[node.parts.back()].x);
    return nextLeafX;
}

// The half spread of a node's parts: a wide family needs room above it for
// its links to stay readable.
double halfSpread(const std::vector<ccDiagramNode>& nodes, const ccDiagramNode& node) {
    if (node.parts.empty()) return 0;
    return 0.5 * (nodes[node.parts.back()].x - nodes[node.parts.front()].x);
}

// The heights of the levels, root first, with gaps that keep links no
// flatter than kLinkAngle and that share any spare height.
std::vector<double> levelHeights(const std::vector<ccDiagramNode>& nodes) {
    long depth = 0;
    for (const auto& n : nodes) depth = std::max(depth, n.level);
    constexpr double kNone = std::numeric_limits<double>::infinity();
    std::vector<double> left(depth + 1, kNone), right(depth + 1, -kNone);
    for (const auto& n : nodes) {
        left[n.level] = std::min(left[n.level], n.x);
        right[n.level] = std::max(right[n.level], n.x);
    }
    const double s = kDiagramGlyphSize;
    std::vector<double> gaps(depth);
    for (long k = 0; k < depth; ++k) {
        const double width = right[k + 1] - left[k + 1] + s;
        gaps[k] = std::max(s, (width - 2 * s) / (2 * std::tan(kLinkAngle)));
    }
    double tallest = 0;
    for (const auto& n : nodes) tallest = std::max(tallest, s + halfSpread(nodes, n));
    cfWaterFillGaps(gaps, tallest - s * static_cast<double>(depth + 1));
    std::vector<double> heights(depth + 1);
    heights[depth] = s;
    for (long k = depth - 1; k >= 0; --k) heights[k] = heights[k + 1] + gaps[k] + s;
    return heights;
}

ccPtrHandle<ccGraphic> filledDisc(const ccVector<2>& c, double r, const ccGraphicProps& g) {
    return cfMakeHandle<ccGraphicWithFill<ccCircle, ccEllipse2>>(ccCircle(c, r), g, true);
}

template <class G, class S>
ccPtrHandle<ccGraphic> simple(const S& shape, const ccGraphicProps& g) {
    return cfMakeHandle<G>(shape, g);
}

// The icon of a node's type, centred at `c`, half size h.
ccPtrHandle<ccGraphic> nodeIcon(const ccShape& s, const ccVector<2>& c, double h,
                                const ccGraphicProps& g) {
    using V = ccVector<2>;
    const ccEllipse2 flatEllipse(c, V(h, 0.6 * h));
    if (cfIsA<cc2Point>(s)) return filledDisc(c, 0.5 * h, g);
    if (cfIsA<ccFLine>(s))
        return simple<ccGraphicSimple<ccPolyline>>(
            ccPolyline({c + V(-h, -0.3 * h), c + V(h, 0.3 * h), c, c + V(-0.3 * h, h)}, false), g);
    if (cfIsA<ccLine>(s))
        return simple<ccGraphicSimple<ccLineSeg>>(ccLineSeg(c + V(-h, -0.5 * h), c + V(h, 0.5 * h)),
                                                  g);
    if (cfIsA<ccLineSeg>(s))
        return simple<ccGraphicSimple<ccLineSeg>>(
            ccLineSeg(c + V(-0.7 * h, -0.7 * h), c + V(0.7 * h, 0.7 * h)), g);
    if (cfIsA<ccRect>(s))
        return simple<ccGraphicWithFill<ccRect, ccGenRect>>(
            ccRect(c + V(-h, -0.6 * h), V(2 * h, 1.2 * h)), g);
    if (cfIsA<ccCircle>(s))
        return simple<ccGraphicWithFill<ccCircle, ccEllipse2>>(ccCircle(c, 0.8 * h), g);
    if (cfIsA<ccAnnulus>(s))
        return simple<ccGraphicWithFill<ccAnnulus, ccGenAnnulus>>(ccAnnulus(c, h, 0.5 * h), g);
    if (cfIsA<ccEllipseAnnulus>(s))
        return simple<ccGraphicWithFill<ccEllipseAnnulus, ccEllipseAnnulus>>(
            ccEllipseAnnulus(flatEllipse, V(0.5 * h, 0.3 * h)), g);
    if (cfIsA<ccGenRect>(s))
        return simple<ccGraphicWithFill<ccGenRect, ccGenRect>>(
            ccGenRect(c, V(h, 0.7 * h), ccRadian(0.0), ccRadian(0.0), V(0.3 * h, 0.3 * h)), g);
    if (cfIsA<ccGenAnnulus>(s))
        return simple<ccGraphicSimple<ccGenAnnulus>>(
            ccGenAnnulus(ccGenRect(c, V(h, 0.7 * h), ccRadian(0.0)), V(0.5 * h, 0.3 * h)), g);
    if (cfIsA<ccPolyline>(s))
        return simple<ccGraphicSimple<ccPolyline>>(
            ccPolyline({c + V(-h, -0.5 * h), c + V(-0.3 * h, 0.5 * h), c + V(0.3 * h, -0.5 * h),
                        c + V(h, 0.5 * h)},
                       false),
            g);
    if (cfIsA<ccEllipse2>(s))
        return simple<ccGraphicWithFill<ccEllipse2, ccEllipse2>>(flatEllipse, g);
    if (cfIsA<ccEllipseArc2>(s))
        return simple<ccGraphicSimple<ccEllipseArc2>>(
            ccEllipseArc2(flatEllipse, ccRadian(0.0), ccRadian(ccPi)), g);
    if (cfIsA<ccBezierCurve>(s))
        return simple<ccGraphicSimple<ccBezierCurve>>(
            ccBezierCurve(ccBezierCurve::ccPoints{c + V(-h, -0.5 * h), c + V(-0.3 * h, h),
                                                  c + V(0.3 * h, -h), c + V(h, 0.5 * h)}),
            g);
    if (cfIsA<ccGeneralShapeTree>(s))
        return simple<ccGraphicWithFill<ccRect, ccGenRect>>(ccRect(c - V(h, h), V(2 * h, 2 * h)),
                                                            g);
    if (cfIsA<ccContourTree>(s)) {
        std::vector<V> octagon;
        octagon.reserve(8);
        for (int i = 0; i < 8; ++i) octagon.push_back(c + V::polar(ccPi * (2 * i + 1) / 8) * h);
        return simple<ccGraphicSimple<ccPolyline>>(ccPolyline(octagon, true), g);
    }
    if (cfIsA<ccRegionTree>(s))
        return simple<ccGraphicWithFill<ccGenRect, ccGenRect>>(
            ccGenRect(c, V(h, h), ccRadian(0.0), ccRadian(0.0), V(0.4 * h, 0.4 * h)), g);
    return filledDisc(c, 0.6 * h, g);
}

// Where the link to part `i` of `n` leaves the glyph of `parent` (relative
// to its centre). `isBoundary` marks a region node's boundary link.
ccVector<2> linkStart(const ccShape& parent, long i, long n, bool isBoundary, double h) {
    const double t = n == 1 ? 0.5 : static_cast<double>(i) / static_cast<double>(n - 1);
    if (cfIsA<ccContourTree>(parent))
        return ccVector<2>::polar(ccDegree(90 * t - 135).toRadian().toDouble()) * h;
    if (cfIsA<ccRegionTree>(parent)) {
        if (isBoundary) return ccVector<2>(-0.9 * h, -0.9 * h);
        return ccVector<2>((2 * t - 1) * 0.7 * h, -h);
    }
    return ccVector<2>((2 * t - 1) * 0.8 * h, -h);
}

ccStructureDiagram drawDiagram(std::vector<ccDiagramNode>& nodes, const ccDrawShapeParams& params) {
    placeNodes(nodes, 0, 0.0);
    const std::vector<double> heights = levelHeights(nodes);
    const double h = 0.5 * kDiagramGlyphSize;
    auto centre = [&](const ccDiagramNode& n) { return ccVector<2>(n.x, heights[n.level]); };
    ccStructureDiagram diagram;
    const ccGraphicProps link(params.diagramLinkColor(), 1);
    for (const auto& n : nodes) {
        const long numChildren = static_cast<long>(n.parts.size()) - (n.hasBoundaryPart ? 1 : 0);
        for (std::size_t p = 0; p < n.parts.size(); ++p) {
            const bool isBoundary = n.hasBoundaryPart && p == 0;
            const long i = static_cast<long>(p) - (n.hasBoundaryPart ? 1 : 0);
            const ccVector<2> from = centre(n) + linkStart(*n.shape, i, numChildren, isBoundary, h);
            const ccLineSeg segment(from, centre(nodes[n.parts[p]]) + ccVector<2>(0, h));
            diagram.graphics.append(cfMakeHandle<ccGraphicSimple<ccLineSeg>>(segment, link));
        }
    }
    for (const auto& n : nodes) {
        const ccColor& color =
            cfIsA<ccShapeModel>(*n.shape) ? params.diagramModelColor() : params.diagramShapeColor();
        diagram.graphics.append(
            nodeIcon(*n.shape, centre(n), h, ccGraphicProps(color, 2, 0, false)));
    }
    diagram.graphics.extent(diagram.box);
    return diagram;
}

}  // namespace

std::vector<ccStructureDiagram> cfStructureDiagrams(const ccShape& shape,
                                                    const ccDrawShapeParams& params) {
    std::vector<ccDiagramNode> all;
    collectNodes(shape, 0, all);
    std::vector<ccStructureDiagram> diagrams;
    diagrams.reserve(all.size());
    for (const ccDiagramNode& node : all) {
        std::vector<ccDiagramNode> subtree;
        collectNodes(*node.shape, 0, subtree);
        diagrams.push_back(drawDiagram(subtree, params));
    }
    return diagrams;
}

void cfWaterFillGaps(std::vector<double>& gaps, double extra) {
    if (extra <= 0 || gaps.empty()) return;
    std::vector<std::size_t> order(gaps.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return gaps[a] < gaps[b]; });
    std::size_t taken = 1;
    double level = gaps[order[0]];
    while (taken < order.size()) {
        const double next = gaps[order[taken]];
        if (level + extra / static_cast<double>(taken) <= next) break;
        extra -= static_cast<double>(taken) * (next - level);
        level = next;
        ++taken;
    }
    level += extra / static_cast<double>(taken);
    for (std::size_t i = 0; i < taken; ++i) gaps[order[i]] = level;
}
