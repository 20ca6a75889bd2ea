#include <cmath>
#include <sstream>

#include "shapemod/commands.h"
#include "shapemod/dxfimport.h"
#include "shapemod/modelio.h"
#include "vxstd12u/str.h"

namespace shapemod {

namespace {

double propertyNumber(const std::string& layer, const std::string& item, const std::string& text) {
    std::istringstream in(text);
    double value = 0.0;
    if (!(in >> value) || !in.eof() || !std::isfinite(value))
        throw UsageError("--layer " + layer + ": " + item + " needs a number, not \"" + text +
                         "\"");
    return value;
}

// "weight=W,magnitude=M,reversed,ignored", any of them in any order.
ccShapeModelProps layerProps(const std::string& layer, const std::string& list) {
    ccShapeModelProps props;
    std::istringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        const std::size_t eq = item.find('=');
        const std::string key = item.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
        if (key == "weight" && eq != std::string::npos) {
            props.weight(propertyNumber(layer, key, value));
        } else if (key == "magnitude" && eq != std::string::npos) {
            const double m = propertyNumber(layer, key, value);
            if (m < 0) throw UsageError("--layer " + layer + ": magnitude must be 0 or more");
            props.magnitude(m);
        } else if (item == "reversed") {
            props.isReversedPolarity(true);
        } else if (item == "ignored") {
            props.isIgnoredPolarity(true);
        } else {
            throw UsageError("--layer " + layer + ": \"" + item +
                             "\" is not weight=W, magnitude=M, reversed or ignored");
        }
    }
    return props;
}

DxfImportOptions importOptions(const ParsedArgs& a) {
    DxfImportOptions options;
    options.connectDistance = a.number("--connect", kDefaultConnectDistance);
    options.regions = a.has("--regions");
    if (options.connectDistance < 0)
        throw UsageError("--connect must be 0 or more, not " + a.text("--connect"));
    for (const Args& layer : a.occurrences("--layer"))
        if (!options.layerProps.emplace(layer[0], layerProps(layer[0], layer[1])).second)
            throw UsageError("--layer " + layer[0] + " is given twice");
    return options;
}

}  // namespace

int cmdImport(const Args& args, std::ostream& out, std::ostream& err) {
    static const OptionParser parser =
        OptionParser("import", {"DRAWING"},
                     "Reads a DXF drawing (LINE, ARC, CIRCLE, ELLIPSE, LWPOLYLINE, POLYLINE, "
                     "SPLINE and\nblock references) into a general tree with one subtree per "
                     "layer, chains the\npieces of a layer that meet, in whatever order and "
                     "direction they were drawn,\nuntil nothing more joins (every loop closed "
                     "within the connect distance becomes\na closed contour), and writes the "
                     "model. Standard error gets, per layer, the\nclosed and open contours and "
                     "the largest gap bridged, and every entity that\ncould not be imported.\n\n"
                     "With --regions each layer's closed contours are nested by containment into\n"
                     "region trees: the outermost outline solid, a contour inside it a hole, one\n"
                     "inside that solid again, each turned to run its region's way, so that the\n"
                     "featurelets of a part point into its material whatever direction it was\n"
                     "drawn in. Open contours, and contours that cross or lie on one another\n"
                     "(named on standard error by layer and entity numbers, counted from 1 in\n"
                     "file order), stay beside the regions as general contours. A drawing with\n"
                     "no closed contour cannot make a region and is refused.")
            .option("-o", "FILE", kModelOutputHelp)
            .option("--connect", "D",
                    "join pieces whose ends lie closer than D (default " +
                        cfNarrow(cfStr(kDefaultConnectDistance)) + ", in drawing units)")
            .flag("--regions", "nest each layer's closed contours into region trees")
            .option("--layer", "NAME PROPS",
                    "make layer NAME a model: PROPS is weight=W,magnitude=M,reversed,ignored "
                    "(any of them; repeatable)");
    const auto a = parser.parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    const DxfImport imported = importDxfFile(a->operands()[0], importOptions(*a));
    writeModelOutput(a->text("-o"), ModelFile{imported.shape, {}}, out);
    printDxfSummary(imported, err);
    return kSuccess;
}

}  // namespace shapemod
