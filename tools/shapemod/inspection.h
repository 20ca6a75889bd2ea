// What a person looks at to check a model: its drawing, its diagnostic
// report and its description, all in the tool's one set of colours.
#pragma once
#include <string>
#include "ch_core/shapemod.h"

namespace shapemod {

// The graphic properties chosen by the sign of the weight in force: solid
// cyan for edges that count, dashed magenta for regions that must not match,
// dotted yellow for edges of no weight. All carry polarity glyphs.
struct WeightStyles {
    ccGraphicProps positive;
    ccGraphicProps negative;
    ccGraphicProps zero;
};
const WeightStyles& weightStyles();

// A standalone SVG document of `shape` drawn with its polarity glyphs, in
// image coordinates (y down): drawingSvg of drawing.h with its default
// options (glyphs where they can be seen, 1,000 pixels on the larger side).
// An empty shape gives an empty drawing.
std::string drawingSvg(const ccShape& shape);

// A self-contained HTML report with one section per node of `shape` (its
// description, drawing and, for trees, structure diagram) under the title
// `title`. The drawings lie over a blank image fitted to the shape's
// bounding box (the shape's own frame when the box is infinite or empty).
std::string reportHtml(const ccShape& shape, const std::string& title);

// The same report drawn over the grey image held by the PNG bytes `png`, in
// the image's own pixel frame; a 16-bit PNG stays 16-bit. Bytes that are not
// a PNG throw FileError naming `imageName`.
std::string reportHtmlOver(const ccShape& shape, const std::string& title, const std::string& png,
                           const std::string& imageName);

// The description of every node of `shape` in pre-order: a heading line per
// node (its place and type), indented two spaces per level of nesting, then
// its description indented under it.
std::string describeText(const ccShape& shape);

}  // namespace shapemod
