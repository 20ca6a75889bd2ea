#include "shapemod/commands.h"
#include "shapemod/files.h"
#include "shapemod/inspection.h"
#include "shapemod/modelio.h"

namespace shapemod {

int cmdDraw(const Args& args, std::ostream& out, std::ostream&) {
    static const OptionParser parser =
        OptionParser("draw", {"MODEL"},
                     "Draws the model as SVG: edges that count solid, regions that must not "
                     "match dashed,\nedges of no weight dotted, each with its polarity glyph.")
            .option("-o", "FILE", "write the SVG to FILE instead of standard output");
    const auto a = parser.parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    const ModelFile model = loadModel(a->operands()[0]);
    writeOutput(a->text("-o"), drawingSvg(*model.shape), out);
    return kSuccess;
}

}  // namespace shapemod
