#include <chrono>
#include <filesystem>
#include <ostream>
#include "shapemod/commands.h"
#include "shapemod/featureletio.h"
#include "shapemod/files.h"
#include "shapemod/inspection.h"
#include "shapemod/modelio.h"

namespace shapemod {

namespace {

using V = ccVector<2>;

// A plate with rounded corners (corner radius 36) and two bolt holes.
ccPtrHandle<ccShape> plate() {
    ccRegionTree region(
        ccGenRect(V(200, 150), V(180, 120), ccRadian(0.0), ccRadian(0.0), V(0.2, 0.3)), false);
    region.addChild(cfMakeHandle<ccCircle>(V(70, 80), 22), true);
    region.addChild(cfMakeHandle<ccCircle>(V(70, 220), 22), true);
    return ccShapeModelProps().assign(region);
}

// A closed slot of two straight sides and two half-circle ends, its polarity
// reversed: a slot lighter than the plate around it.
ccPtrHandle<ccShape> slot(V left, double length, double radius) {
    const V right = left + V(length, 0);
    const V down(0, radius);
    auto contour = cfMakeHandle<ccContourTree>(true);
    contour->addChild(cfMakeHandle<ccLineSeg>(left - down, right - down), true);
    contour->addChild(cfMakeHandle<ccEllipseArc2>(ccEllipse2(right, V(radius, radius)),
                                                  ccRadian(-ccPi / 2), ccRadian(ccPi)),
                      true);
    contour->addChild(cfMakeHandle<ccLineSeg>(right + down, left + down), true);
    contour->addChild(cfMakeHandle<ccEllipseArc2>(ccEllipse2(left, V(radius, radius)),
                                                  ccRadian(ccPi / 2), ccRadian(ccPi)),
                      true);
    return ccShapeModelProps(true, 1.0).assign(*contour);
}

ModelFile demoModel() {
    auto tree = cfMakeHandle<ccGeneralShapeTree>();
    tree->addChild(plate(), true);
    tree->addChild(slot(V(170, 150), 140, 24), true);
    // An arc whose edge may be dark-to-light or light-to-dark.
    tree->addChild(ccShapeModelProps(false, 1.0, true)
                       .assign(ccEllipseArc2(ccEllipse2(V(500, 110), V(60, 60)), ccRadian(0.0),
                                             ccRadian(ccPi))),
                   true);
    // A region where the pattern must not match: a relief of negative weight.
    tree->addChild(ccShapeModelProps(false, -1.0).assign(ccRect(V(440, 170), V(120, 100))), true);
    ccShape::ccSampleParams sampling(0.0, 2.0, ccNoPointLimit, true, false);
    return {tree, ccShapeModel::ccFeatureParams(sampling)};
}

}  // namespace

int cmdDemo(const Args& args, std::ostream& out, std::ostream&) {
    static const OptionParser parser =
        OptionParser("demo", {},
                     "Builds a model that shows what the module does (a rounded plate with "
                     "holes, a slot\nof reversed polarity, an arc of ignored polarity, a region of "
                     "negative weight)\nand writes featurelets.csv, drawing.svg, report.html, "
                     "model.arc and model.json.")
            .option("--out", "DIR", "the directory to write into (default shapemod-demo)");
    const auto a = parser.parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    const std::string dir = a->text("--out", "shapemod-demo");

    const auto start = std::chrono::steady_clock::now();
    const ModelFile model = demoModel();
    const auto chains = ccShapeModel::features(*model.shape, model.params);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) throw FileError("cannot create " + dir + ": " + error.message());
    const std::string at = dir + "/";
    writeFilesAtomically({
        {at + "featurelets.csv", featureletsCsv(*chains)},
        {at + "drawing.svg", drawingSvg(*model.shape)},
        {at + "report.html", reportHtml(*model.shape, "shapemod demo")},
        {at + "model.arc", archiveModel(model)},
        {at + "model.json", writeModel(model)},
    });
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);

    out << "A plate with two holes, a reversed-polarity slot, an ignored-polarity arc and a\n"
           "negative-weight relief: "
        << chains->numChains() << " chains, " << chains->numFeaturelets()
        << " featurelets at spacing " << model.params.sampleParams().spacing() << ", " << ms.count()
        << " ms.\nWrote featurelets.csv, drawing.svg, report.html, model.arc and model.json into "
        << dir << "\n";
    return kSuccess;
}

}  // namespace shapemod
