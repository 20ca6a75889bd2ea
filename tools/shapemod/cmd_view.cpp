#include "shapemod/commands.h"
#include "shapemod/files.h"
#include "shapemod/modelio.h"
#include "shapemod/viewer.h"

namespace shapemod {

int cmdView(const Args& args, std::ostream& out, std::ostream&) {
    static const OptionParser parser =
        OptionParser("view", {"MODEL"},
                     "Writes a page to look at the model in a browser: the model drawn once, with\n"
                     "pan (drag) and zoom (wheel), beside the tree of its nodes; selecting a node\n"
                     "highlights it and shows its description. Glyphs and featurelets can be\n"
                     "shown or hidden, negative weight, reversed and ignored polarity "
                     "highlighted.\nOne self-contained HTML file; nothing is fetched.")
            .option("-o", "FILE", "write the HTML to FILE instead of standard output");
    const auto a = parser.parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    const std::string& path = a->operands()[0];
    writeOutput(a->text("-o"), viewerHtml(loadModel(path), "Shape model " + path, path), out);
    return kSuccess;
}

}  // namespace shapemod
