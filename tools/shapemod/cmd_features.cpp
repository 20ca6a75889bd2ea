#include <cmath>
#include "shapemod/commands.h"
#include "shapemod/featureletio.h"
#include "shapemod/files.h"
#include "shapemod/modelio.h"
#include "vxstd12u/str.h"

namespace shapemod {

namespace {

// The most samples one command may ask for: far beyond any real model, but
// small enough that a typing slip cannot exhaust memory.
constexpr long kMostPoints = 10000000;

const OptionParser& grammar() {
    static const OptionParser parser =
        OptionParser("features", {"MODEL"},
                     "Prints the model's featurelets, sampled with the model file's feature "
                     "parameters\nas changed by the options.")
            .option("--spacing", "S", "arc length between samples (above 0)")
            .option("--max-points", "N", "the most samples per shape")
            .flag("--uniform", "exactly N samples spread evenly (needs --max-points or a limit)")
            .option("--complex", "MIN MAX NUM MAXNUM",
                    "many-part sampling at a spacing in [MIN, MAX] aiming at NUM samples, at most "
                    "MAXNUM")
            .option("--format", "csv|json", "output format (default csv)")
            .option("-o", "FILE", "write to FILE instead of standard output");
    return parser;
}

ccShapeModel::ccFeatureParams adjusted(ccShapeModel::ccFeatureParams params, const ParsedArgs& a) {
    ccShape::ccSampleParams sampling = params.sampleParams();
    sampling.spacing(a.number("--spacing", sampling.spacing()));
    if (!(sampling.spacing() > 0)) throw UsageError("--spacing must be above 0");
    sampling.maxPoints(a.integer("--max-points", sampling.maxPoints(), 1, kMostPoints));
    if (a.has("--uniform")) {
        if (sampling.maxPoints() > kMostPoints)
            throw UsageError("--uniform needs a point count: give --max-points N");
        sampling.uniformMode(true);
    }
    params.sampleParams(sampling);
    return params;
}

// Refuses, before any memory is taken, a spacing that would give more samples
// than kMostPoints over the whole shape when no point limit caps them.
void checkSampleCount(const ccShape& shape, const ccShape::ccSampleParams& sampling) {
    const double samples = shape.perimeter() / sampling.spacing();
    if (!sampling.uniformMode() && sampling.maxPoints() > kMostPoints && samples > kMostPoints &&
        samples < HUGE_VAL)
        throw UsageError("spacing " + cfNarrow(cfStr(sampling.spacing())) + " would give about " +
                         std::to_string(std::lround(samples)) + " featurelets, more than " +
                         std::to_string(kMostPoints) +
                         "; choose a larger --spacing or --max-points");
}

ccPtrHandle<ccFeatureletChainSet> complexFeatures(const ccShape& shape, const ParsedArgs& a) {
    const double minSpacing = a.number("--complex", 0, 0);
    const double maxSpacing = a.number("--complex", 0, 1);
    if (!(minSpacing > 0 && maxSpacing >= minSpacing))
        throw UsageError("--complex needs 0 < MIN <= MAX");
    const long numPoints = a.integer("--complex", 0, 0, kMostPoints, 2);
    const long maxNumPoints = a.integer("--complex", 0, 0, kMostPoints, 3);
    return cfComplexFeatures(shape, minSpacing, maxSpacing, numPoints, maxNumPoints, 0.0);
}

void writeFeaturelets(const ccFeatureletChainSet& chains, const std::string& format,
                      const std::string& path, std::ostream& out) {
    writeOutput(path, format == "csv" ? featureletsCsv(chains) : featureletsJson(chains), out);
}

}  // namespace

int cmdFeatures(const Args& args, std::ostream& out, std::ostream&) {
    const auto a = grammar().parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    const std::string format = a->text("--format", "csv");
    if (format != "csv" && format != "json")
        throw UsageError("--format is csv or json, not '" + format + "'");
    if (a->has("--complex") && (a->has("--uniform") || a->has("--spacing")))
        throw UsageError("--complex chooses its own spacing; it excludes --uniform and --spacing");
    const ModelFile model = loadModel(a->operands()[0]);
    if (a->has("--complex")) {
        writeFeaturelets(*complexFeatures(*model.shape, *a), format, a->text("-o"), out);
        return kSuccess;
    }
    const ccShapeModel::ccFeatureParams params = adjusted(model.params, *a);
    checkSampleCount(*model.shape, params.sampleParams());
    writeFeaturelets(*ccShapeModel::features(*model.shape, params), format, a->text("-o"), out);
    return kSuccess;
}

}  // namespace shapemod
