#include <ostream>
#include "shapemod/commands.h"
#include "shapemod/inspection.h"
#include "shapemod/modelio.h"

namespace shapemod {

int cmdDescribe(const Args& args, std::ostream& out, std::ostream&) {
    static const OptionParser parser = OptionParser(
        "describe", {"MODEL"},
        "Describes every node of the model: its type and parameters, its own record and\n"
        "the properties in force on it, its place in the tree.");
    const auto a = parser.parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    out << describeText(*loadModel(a->operands()[0]).shape);
    return kSuccess;
}

}  // namespace shapemod
