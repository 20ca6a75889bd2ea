// A model's drawing as a person reads it: the module's outlines and polarity
// glyphs, grouped by the node they belong to, glyphs left out where they
// would be too small to see, and optionally the featurelets as ticks; written
// as structured SVG that a page can style and toggle, or as PNG.
#pragma once
#include <string>
#include "ch_core/shapemod.h"

namespace shapemod {

// Which polarity glyphs a drawing shows: those at least kGlyphMinPixels
// across at the picture's size, all of them, or none.
enum class GlyphMode { automatic, all, none };

// The smallest glyph size (in pixels) that automatic mode shows: below it a
// glyph's chevron and signs run together into a blot.
constexpr double kGlyphMinPixels = 4;

// The picture's size in pixels when nothing is asked for: its larger side;
// and the sizes that may be asked for.
constexpr long kDrawingSidePixels = 1000;
constexpr long kFewestDrawingPixels = 32;
constexpr long kMostDrawingPixels = 20000;

struct DrawingOptions {
    GlyphMode glyphs = GlyphMode::automatic;
    // Featurelets to draw as ticks; none when null.
    const ccFeatureletChainSet* featurelets = nullptr;
    // The picture's size: both 0 gives kDrawingSidePixels on the drawing's
    // larger side; a height of 0 takes it from the width and the drawing's
    // shape; otherwise the drawing is fitted, centred, into width x height.
    long width = 0;
    long height = 0;
};

// The drawing of `shape` as a standalone SVG document in image coordinates
// (y down), fitted with a margin into the picture's size. Structure, for a
// page to select by:
// - <g class="outlines"> then <g class="glyphs"> then, when asked,
//   <g class="featurelets">, in the module's drawing order;
// - inside the first two, one <g class="node ..." data-node="PATH"> per run
//   of a node's graphics. PATH numbers the nodes as the diagnostic records
//   do, in the same pre-order: the root is "0", child i of node P is "P.i", a
//   region tree's boundary "P.b", the shape a mapped shape holds "P.m". The
//   group's classes add "negative" or "zero" by the weight in force, and
//   "reversed" and "ignored" by its polarity;
// - glyph strokes carry the class "glyph", featurelet ticks "featurelet" and
//   "negative" or "zero" where their weight is, "mod180" where their polarity
//   is ignored.
// An empty shape gives a picture with nothing drawn. A width or height
// outside [kFewestDrawingPixels, kMostDrawingPixels] throws UsageError.
std::string drawingSvg(const ccShape& shape, const DrawingOptions& options);

// The same drawing rasterised, antialiased, on white, as a colour PNG of the
// picture's size.
std::string drawingPng(const ccShape& shape, const DrawingOptions& options);

}  // namespace shapemod
