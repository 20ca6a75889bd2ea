#include "shapemod/commands.h"
#include "shapemod/drawing.h"
#include "shapemod/files.h"
#include "shapemod/modelio.h"

namespace shapemod {

namespace {

GlyphMode glyphMode(const ParsedArgs& a) {
    const std::string mode = a.text("--glyphs", "auto");
    if (mode == "auto") return GlyphMode::automatic;
    if (mode == "all") return GlyphMode::all;
    if (mode == "none") return GlyphMode::none;
    throw UsageError("--glyphs takes auto, all or none, not '" + mode + "'");
}

// SVG or PNG by the output's extension; standard output takes SVG.
bool writesPng(const std::string& path) {
    if (path.empty() || path == "-" || hasExtension(path, ".svg")) return false;
    if (hasExtension(path, ".png")) return true;
    throw UsageError("the drawing is written as .svg or .png, and '" + path + "' is neither");
}

}  // namespace

int cmdDraw(const Args& args, std::ostream& out, std::ostream&) {
    static const OptionParser parser =
        OptionParser("draw", {"MODEL"},
                     "Draws the model: edges that count solid, regions that must not match "
                     "dashed,\nedges of no weight dotted, each with its polarity glyph. SVG, or "
                     "PNG when the\noutput file ends in .png.")
            .option("-o", "FILE", "write to FILE (.svg or .png) instead of standard output (SVG)")
            .option("--glyphs", "auto|all|none",
                    "polarity glyphs: where at least 4 pixels across (default), all, none")
            .flag("--featurelets",
                  "each featurelet as a tick along its expected gradient: green for positive "
                  "weight,\nred for negative, two-headed where polarity is ignored")
            .option("--size", "W H",
                    "the picture's size in pixels (default 1000 on the larger side)")
            .option("--width", "W", "the picture's width in pixels, its height to fit");
    const auto a = parser.parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    const ModelFile model = loadModel(a->operands()[0]);
    const std::string path = a->text("-o");
    const bool png = writesPng(path);
    DrawingOptions options;
    options.glyphs = glyphMode(*a);
    if (a->has("--size") && a->has("--width")) throw UsageError("give --size or --width, not both");
    options.width = a->integer("--size", a->integer("--width", 0, 1, kMostDrawingPixels), 1,
                               kMostDrawingPixels, 0);
    options.height = a->integer("--size", 0, 1, kMostDrawingPixels, 1);
    ccPtrHandle<ccFeatureletChainSet> featurelets;
    if (a->has("--featurelets")) {
        featurelets = ccShapeModel::features(*model.shape, model.params);
        options.featurelets = featurelets.get();
    }
    writeOutput(path, png ? drawingPng(*model.shape, options) : drawingSvg(*model.shape, options),
                out);
    return kSuccess;
}

}  // namespace shapemod
