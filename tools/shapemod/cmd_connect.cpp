#include "shapemod/commands.h"
#include "shapemod/modelio.h"

namespace shapemod {

int cmdConnect(const Args& args, std::ostream& out, std::ostream&) {
    static const OptionParser parser =
        OptionParser("connect", {"MODEL"},
                     "Joins the open pieces of the model's general trees whose ends lie closer "
                     "than D\ninto contours; each piece keeps its record.")
            .requiredOption("--distance", "D", "the largest gap that is closed (0 or more)")
            .option("-o", "FILE", kModelOutputHelp);
    const auto a = parser.parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    const double distance = a->number("--distance", 0);
    if (distance < 0)
        throw UsageError("--distance must be 0 or more, not " + a->text("--distance"));
    ModelFile model = loadModel(a->operands()[0]);
    model.shape = cfConnect(*model.shape, distance);
    writeModelOutput(a->text("-o"), model, out);
    return kSuccess;
}

}  // namespace shapemod
