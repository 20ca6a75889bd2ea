#include <ostream>
#include <string>

#include "find/edges.h"
#include "find/finddefs.h"
#include "shapemod/commands.h"
#include "shapemod/modelio.h"

namespace shapemod {

namespace {

const OptionParser& grammar() {
    static const OptionParser parser =
        OptionParser("edges", {"IMAGE"},
                     "Finds the subpixel edges of a grey image, simplifies them to polylines and "
                     "writes\nthem as a model: each polyline's polarity puts the light side where "
                     "its gradients\npoint. Noisy images want --blur (1.5 for noise of 5 grey "
                     "levels at a contrast of 100).")
            .requiredOption("-o", "MODEL", kModelOutputHelp)
            .option("--low", "T",
                    "an edge point's least gradient, grey levels per pixel (default 10)")
            .option("--high", "T", "a chain's least strongest gradient (default 30)")
            .option("--blur", "S", "Gaussian blur sigma in pixels before the gradient (default 0)")
            .option("--min-length", "L", "drop chains of fewer points (default 5)")
            .option("--tolerance", "D",
                    "the polylines' largest departure from the edges (default 0.1)")
            .option("--builder", "polyline|region|general",
                    "the longest chain; the closed chains as regions, open ones left out; every "
                    "chain in a general tree (default general)");
    return parser;
}

ccEdgeModelBuilder builderNamed(const std::string& name) {
    if (name == "polyline") return ccEdgeModelBuilder::ePolyline;
    if (name == "region") return ccEdgeModelBuilder::eRegion;
    if (name == "general") return ccEdgeModelBuilder::eGeneral;
    throw UsageError("--builder must be polyline, region or general, not " + name);
}

ccEdgeParams edgeParams(const ParsedArgs& a) {
    ccEdgeParams p;
    p.low = a.number("--low", p.low);
    p.high = a.number("--high", p.high);
    p.blurSigma = a.number("--blur", p.blurSigma);
    p.minLength = a.integer("--min-length", p.minLength, 0, 2147483647L);
    return p;
}

ccImage readImage(const std::string& path) {
    try {
        return cfReadImage(path);
    } catch (const ccFindDefs::BadImage& e) {
        throw FileError(e.detail());
    }
}

long openChains(const ccFeatureletChainSet& edges) {
    long open = 0;
    for (long c = 0; c < edges.numChains(); ++c) open += edges.isClosed(c) ? 0 : 1;
    return open;
}

}  // namespace

int cmdEdges(const Args& args, std::ostream& out, std::ostream& err) {
    const auto a = grammar().parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    const ccEdgeParams params = edgeParams(*a);
    const double tolerance = a->number("--tolerance", 0.1);
    const ccEdgeModelBuilder builder = builderNamed(a->text("--builder", "general"));
    const ccImage image = readImage(a->operands()[0]);
    ModelFile model;
    // Every value the library refuses came from the command line: bad
    // usage, not a failure of the library.
    try {
        const ccFeatureletChainSet edges = cfEdges(image, params);
        if (builder == ccEdgeModelBuilder::eRegion && openChains(edges) > 0)
            err << "shapemod edges: " << openChains(edges)
                << " open chains have no inside and are left out of the region model\n";
        model.shape = cfModelFromEdges(edges, builder, tolerance);
    } catch (const ccFindDefs::BadParams& e) {
        throw UsageError(e.detail());
    }
    writeModelOutput(a->text("-o"), model, out);
    return kSuccess;
}

}  // namespace shapemod
