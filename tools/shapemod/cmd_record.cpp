#include "shapemod/commands.h"
#include "shapemod/files.h"
#include "shapemod/inspection.h"
#include "shapemod/modelio.h"

namespace shapemod {

int cmdRecord(const Args& args, std::ostream& out, std::ostream&) {
    static const OptionParser parser =
        OptionParser("record", {"MODEL"},
                     "Writes the model's diagnostic report: one section per node with its\n"
                     "description, drawing and structure diagram, as one self-contained HTML "
                     "page.")
            .option("-o", "FILE", "write the HTML to FILE instead of standard output")
            .option("--image", "IMAGE.png",
                    "draw over this grey image, in its pixel frame (default: a blank image "
                    "fitted to the model)");
    const auto a = parser.parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    const std::string& path = a->operands()[0];
    const ModelFile model = loadModel(path);
    const std::string title = "Shape model " + path;
    const std::string imagePath = a->text("--image");
    writeOutput(a->text("-o"),
                imagePath.empty()
                    ? reportHtml(*model.shape, title)
                    : reportHtmlOver(*model.shape, title, readFile(imagePath), imagePath),
                out);
    return kSuccess;
}

}  // namespace shapemod
