#include "shapemod/drawing.h"
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>
#include "shapemod/cli.h"
#include "shapemod/inspection.h"
#include "vxdiagc12u/png.h"
#include "vxdispc12u/graphiclist.h"
#include "vxdispc12u/raster.h"
#include "vxdispc12u/shapepath.h"
#include "vxstd12u/line.h"
#include "vxstd12u/mappedshape.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/stackguard.h"

namespace shapemod {

namespace {

// The margin in pixels kept free around the drawing for ticks and line
// widths.
constexpr double kEdgePixels = 8;

// Featurelet ticks: their length and their heads' in pixels, and their
// colours by the sign of the weight.
constexpr double kTickPixels = 8;
constexpr double kTickHeadPixels = 3;
const ccGraphicProps kPositiveTick(ccColor(0, 150, 0), 1);
const ccGraphicProps kNegativeTick(ccColor(210, 0, 0), 1);
const ccGraphicProps kZeroTick(ccColor(128, 128, 128), 1);

// A node of the model that is drawn: a primitive, its path and the classes
// its weight and polarity in force give it.
struct Leaf {
    std::string path;
    std::string classes;
};

std::string propsClasses(const ccShapeModelProps& p) {
    std::string classes = "node";
    if (p.weight() < 0) classes += " negative";
    if (!(p.weight() > 0 || p.weight() < 0)) classes += " zero";
    if (p.isReversedPolarity()) classes += " reversed";
    if (p.isIgnoredPolarity()) classes += " ignored";
    return classes;
}

// The primitives in the order the module draws them, with the properties in
// force as its walk carries them: a node's own record combined in going down;
// a region's boundary under the region's record, its reversal toggled where
// the boundary turns against the region's standing; a root hole's boundary is
// not drawn.
void collectLeaves(const ccShape& s, const ccShapeModelProps& inherited, std::string& path,
                   std::vector<Leaf>& leaves);

// Walks `s` as node `path` + `step`, the path kept in one string that each
// level lengthens and restores, so a deep chain costs no more than its depth.
void collectLeavesAt(const ccShape& s, const ccShapeModelProps& inherited, std::string& path,
                     const std::string& step, std::vector<Leaf>& leaves) {
    const std::size_t length = path.size();
    path += step;
    cfWithEnoughStack([&] { collectLeaves(s, inherited, path, leaves); });
    path.resize(length);
}

void collectLeaves(const ccShape& s, const ccShapeModelProps& inherited, std::string& path,
                   std::vector<Leaf>& leaves) {
    const ccShapeModelProps props = inherited.combine(ccShapeModel::shapeModelProps(s));
    if (const ccShapeTree* tree = s.asShapeTree()) {
        const auto* region = dynamic_cast<const ccRegionTree*>(tree);
        if (region && region->hasBoundary() && !(region->isRoot() && region->isHole())) {
            ccShapeModelProps boundary = inherited.combine(ccShapeModel::shapeModelProps(*region));
            if (region->boundary().isRightHanded() == region->isHole())
                boundary.isReversedPolarity(!boundary.isReversedPolarity());
            collectLeavesAt(region->boundary(), boundary, path, ".b", leaves);
        }
        for (long i = 0; i < tree->numChildren(); ++i)
            collectLeavesAt(*tree->child(i), props, path, "." + std::to_string(i), leaves);
    } else if (const ccMappedShape* mapped = s.asMappedShape()) {
        if (mapped->shape()) collectLeavesAt(*mapped->shape(), props, path, ".m", leaves);
    } else {
        leaves.push_back({path, propsClasses(props)});
    }
}

// One thing to draw: a path in its properties, in the group of a node
// (an index into the leaves, or -1 for none).
struct Mark {
    long node;
    ccSvgPath path;
    ccGraphicProps props;
    bool filled;
    std::string classes;
};

struct Layer {
    std::string name;
    std::vector<Mark> marks;
};

// Where the picture stands: the view it shows and its size in pixels.
struct Frame {
    ccRect view;
    long width;
    long height;
    double unitsPerPixel() const { return view.width() / static_cast<double>(width); }
};

long checkedSide(long pixels, const char* what) {
    if (pixels < kFewestDrawingPixels || pixels > kMostDrawingPixels)
        throw UsageError(std::string("the picture's ") + what + " must be between " +
                         std::to_string(kFewestDrawingPixels) + " and " +
                         std::to_string(kMostDrawingPixels) + " pixels, not " +
                         std::to_string(pixels));
    return pixels;
}

long sideFor(double extent, double scale) {
    return std::clamp(static_cast<long>(std::ceil(extent * scale + 2 * kEdgePixels)),
                      kFewestDrawingPixels, kMostDrawingPixels);
}

// The drawing's fitted view (its extent and a margin of 5 %) scaled to the
// asked size, centred, with kEdgePixels free on every side.
Frame frameFor(const ccGraphicList& list, const DrawingOptions& options) {
    const ccRect content = list.fittedView();
    const double cw = content.width(), ch = content.height();
    long width = options.width, height = options.height;
    if (width == 0 && height == 0) {
        if (cw >= ch)
            width = kDrawingSidePixels;
        else
            height = kDrawingSidePixels;
    }
    double scale;
    if (width != 0 && height != 0) {
        checkedSide(width, "width");
        checkedSide(height, "height");
        scale = std::min((static_cast<double>(width) - 2 * kEdgePixels) / cw,
                         (static_cast<double>(height) - 2 * kEdgePixels) / ch);
    } else if (width != 0) {
        scale = (static_cast<double>(checkedSide(width, "width")) - 2 * kEdgePixels) / cw;
        height = sideFor(ch, scale);
    } else {
        scale = (static_cast<double>(checkedSide(height, "height")) - 2 * kEdgePixels) / ch;
        width = sideFor(cw, scale);
    }
    // A side clamped to the limits may hold less than the scale asked.
    scale = std::min({scale, (static_cast<double>(width) - 2 * kEdgePixels) / cw,
                      (static_cast<double>(height) - 2 * kEdgePixels) / ch});
    const ccVector<2> half(static_cast<double>(width) / scale / 2,
                           static_cast<double>(height) / scale / 2);
    return {ccRect(content.center() - half, half * 2.0), width, height};
}

const ccLineSeg* glyphStroke(const ccGraphic& g) {
    const auto* shape = dynamic_cast<const ccGraphicShape*>(&g);
    return shape ? dynamic_cast<const ccLineSeg*>(&shape->shape()) : nullptr;
}

// The module's glyphs as runs of its graphics: a chevron (two strokes from
// the glyph's centre), a plus and a minus sign, and for ignored polarity two
// strokes through the signs, which do not start at one point as the next
// glyph's chevron does.
struct Glyph {
    std::size_t first;
    std::size_t count;
    ccVector<2> centre;
    double size;
};

std::vector<Glyph> splitGlyphs(const std::vector<ccPtrHandle<ccGraphic>>& strokes) {
    constexpr std::size_t kSigns = 5, kIgnoredSigns = 7;
    std::vector<Glyph> glyphs;
    const auto startsAt = [&](std::size_t i) { return glyphStroke(*strokes[i])->p1(); };
    for (std::size_t i = 0; i + kSigns <= strokes.size();) {
        std::size_t count = kSigns;
        if (i + kIgnoredSigns <= strokes.size() && startsAt(i + 5) != startsAt(i + 6))
            count = kIgnoredSigns;
        const ccLineSeg& chevron = *glyphStroke(*strokes[i]);
        glyphs.push_back(
            {i, count, chevron.p1(), (chevron.p2() - chevron.p1()).len() / std::sqrt(2.0)});
        i += count;
    }
    return glyphs;
}

// Whether the glyph centred at `c` stands on the outline `g`: the module puts
// it halfway along the primitive.
bool standsOn(const ccVector<2>& c, const ccGraphicShape& g) {
    const ccRect box = g.shape().boundingBox();
    const double tolerance = 1e-6 * std::max({1.0, box.width(), box.height()});
    if (c.x() < box.xMin() - tolerance || c.x() > box.xMax() + tolerance ||
        c.y() < box.yMin() - tolerance || c.y() > box.yMax() + tolerance)
        return false;
    return (g.shape().nearestPoint(c) - c).len() <= tolerance;
}

// The leaf each glyph belongs to. Glyphs follow the outlines' order, each on
// its own primitive; a glyph that stands on no later outline (under a
// perspective map the module places it by the map's linear part) stays with
// the leaf before it.
std::vector<long> glyphLeaves(const std::vector<Glyph>& glyphs,
                              const std::vector<const ccGraphicShape*>& outlines) {
    std::vector<long> owners;
    std::size_t at = 0;
    for (const Glyph& glyph : glyphs) {
        if (at < outlines.size() && !standsOn(glyph.centre, *outlines[at]))
            for (std::size_t next = at + 1; next < outlines.size(); ++next)
                if (standsOn(glyph.centre, *outlines[next])) {
                    at = next;
                    break;
                }
        owners.push_back(static_cast<long>(at));
    }
    return owners;
}

ccSvgPath outlinePath(const ccGraphicShape& g, const ccRect& view) {
    ccSvgPath path;
    cfAppendShapePath(g.shape(), view, path);
    return path;
}

bool showsGlyph(const Glyph& glyph, GlyphMode mode, double unitsPerPixel) {
    switch (mode) {
        case GlyphMode::all:
            return true;
        case GlyphMode::none:
            return false;
        case GlyphMode::automatic:
            break;
    }
    return glyph.size >= kGlyphMinPixels * unitsPerPixel;
}

// The module's drawing split into outlines and glyphs, each graphic in its
// node's group. Outlines never carry arrowheads and glyphs always do, so the
// flag tells them apart. When the outlines are not one per drawn leaf, which
// the module's walk always gives, everything goes ungrouped.
void addModelLayers(const ccShape& shape, const ccGraphicList& list, const Frame& frame,
                    GlyphMode mode, std::vector<Layer>& layers, std::vector<Leaf>& leaves) {
    std::string root = "0";
    collectLeaves(shape, ccShapeModelProps(), root, leaves);
    std::vector<const ccGraphicShape*> outlines;
    std::vector<ccPtrHandle<ccGraphic>> strokes;
    for (const auto& g : list) {
        if (g->props().arrowHead() && glyphStroke(*g))
            strokes.push_back(g);
        else if (const auto* outline = dynamic_cast<const ccGraphicShape*>(g.get()))
            outlines.push_back(outline);
    }
    const bool grouped = outlines.size() == leaves.size();
    Layer outlineLayer{"outlines", {}};
    for (std::size_t i = 0; i < outlines.size(); ++i)
        outlineLayer.marks.push_back({grouped ? static_cast<long>(i) : -1,
                                      outlinePath(*outlines[i], frame.view), outlines[i]->props(),
                                      outlines[i]->isFilled(), ""});
    Layer glyphLayer{"glyphs", {}};
    const std::vector<Glyph> glyphs = splitGlyphs(strokes);
    const std::vector<long> owners = glyphLeaves(glyphs, outlines);
    for (std::size_t k = 0; k < glyphs.size(); ++k) {
        if (!showsGlyph(glyphs[k], mode, frame.unitsPerPixel())) continue;
        ccSvgPath path;
        for (std::size_t i = glyphs[k].first; i < glyphs[k].first + glyphs[k].count; ++i)
            cfAppendShapePath(*glyphStroke(*strokes[i]), frame.view, path);
        // The chevron shows the direction: its strokes need no arrowheads.
        ccGraphicProps plain = strokes[glyphs[k].first]->props();
        plain.arrowHead(false);
        glyphLayer.marks.push_back({grouped ? owners[k] : -1, path, plain, false, "glyph"});
    }
    layers.push_back(std::move(outlineLayer));
    layers.push_back(std::move(glyphLayer));
}

void addTickHead(const ccVector<2>& from, const ccVector<2>& tip, double headLength,
                 ccSvgPath& path) {
    ccSvgPath shaft;
    shaft.moveTo(from);
    shaft.lineTo(tip);
    ccVector<2> head[3];
    if (!cfArrowHead(shaft, headLength, head)) return;
    path.moveTo(head[1]);
    path.lineTo(head[0]);
    path.lineTo(head[2]);
}

// Each featurelet as a tick from its position along its expected gradient,
// with a head at the far end; one of ignored polarity reaches as far back,
// with a head there too.
Layer featureletLayer(const ccFeatureletChainSet& chains, double unitsPerPixel) {
    Layer layer{"featurelets", {}};
    const double length = kTickPixels * unitsPerPixel, head = kTickHeadPixels * unitsPerPixel;
    for (const ccFeaturelet& f : chains.featurelets()) {
        const double a = f.angle.toDouble();
        const ccVector<2> along(std::cos(a) * length, std::sin(a) * length);
        const ccVector<2> tip = f.position + along;
        const ccVector<2> tail = f.isMod180() ? f.position - along : f.position;
        ccSvgPath path;
        path.moveTo(tail);
        path.lineTo(tip);
        addTickHead(tail, tip, head, path);
        if (f.isMod180()) addTickHead(tip, tail, head, path);
        std::string classes = "featurelet";
        const ccGraphicProps* props = &kPositiveTick;
        if (f.weight < 0) {
            props = &kNegativeTick;
            classes += " negative";
        } else if (!(f.weight > 0)) {
            props = &kZeroTick;
            classes += " zero";
        }
        if (f.isMod180()) classes += " mod180";
        layer.marks.push_back({-1, path, *props, false, classes});
    }
    return layer;
}

struct Scene {
    Frame frame;
    std::vector<Layer> layers;
    std::vector<Leaf> leaves;
};

Scene sceneOf(const ccShape& shape, const DrawingOptions& options) {
    const WeightStyles& s = weightStyles();
    ccGraphicList list;
    ccShapeModel::draw(list, shape, s.positive, s.negative, s.zero);
    Scene scene{frameFor(list, options), {}, {}};
    addModelLayers(shape, list, scene.frame, options.glyphs, scene.layers, scene.leaves);
    if (options.featurelets)
        scene.layers.push_back(featureletLayer(*options.featurelets, scene.frame.unitsPerPixel()));
    return scene;
}

void writeLayer(const Layer& layer, const std::vector<Leaf>& leaves, ccSvgCanvas& canvas) {
    ccSvgGroup outer;
    outer.classes = layer.name;
    canvas.beginGroup(outer);
    long open = -1;
    for (const Mark& m : layer.marks) {
        if (m.node != open) {
            if (open >= 0) canvas.endGroup();
            if (m.node >= 0) {
                const Leaf& leaf = leaves[static_cast<std::size_t>(m.node)];
                ccSvgGroup group;
                group.classes = leaf.classes;
                group.node = leaf.path;
                canvas.beginGroup(group);
            }
            open = m.node;
        }
        canvas.draw(m.path, m.props, m.filled, m.classes);
    }
    if (open >= 0) canvas.endGroup();
    canvas.endGroup();
}

}  // namespace

std::string drawingSvg(const ccShape& shape, const DrawingOptions& options) {
    const Scene scene = sceneOf(shape, options);
    ccSvgCanvas canvas(scene.frame.view, scene.frame.unitsPerPixel(), "m");
    for (const Layer& layer : scene.layers) writeLayer(layer, scene.leaves, canvas);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" +
           canvas.svgElement(static_cast<double>(scene.frame.width),
                             static_cast<double>(scene.frame.height));
}

std::string drawingPng(const ccShape& shape, const DrawingOptions& options) {
    const Scene scene = sceneOf(shape, options);
    ccRasterCanvas canvas(scene.frame.view, scene.frame.width, scene.frame.height);
    for (const Layer& layer : scene.layers)
        for (const Mark& m : layer.marks) canvas.draw(m.path, m.props, m.filled);
    return cfEncodePng(canvas.image());
}

}  // namespace shapemod
