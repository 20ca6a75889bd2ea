#include "shapemod/commands.h"
#include "shapemod/modelio.h"

namespace shapemod {

int cmdConvert(const Args& args, std::ostream& out, std::ostream&) {
    static const OptionParser parser = OptionParser(
        "convert", {"IN", "OUT"},
        "Converts a model: OUT ending in .arc becomes a binary archive, any other name a\n"
        "JSON model file. IN may be either; its form is read from its contents.");
    const auto a = parser.parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    const std::string& target = a->operands()[1];
    if (target.empty() || target == "-") throw UsageError("OUT must name a file");
    writeModelOutput(target, loadModel(a->operands()[0]), out);
    return kSuccess;
}

}  // namespace shapemod
