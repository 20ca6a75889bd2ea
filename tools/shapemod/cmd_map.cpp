#include "shapemod/commands.h"
#include "shapemod/modelio.h"

namespace shapemod {

int cmdMap(const Args& args, std::ostream& out, std::ostream&) {
    static const OptionParser parser =
        OptionParser("map", {"MODEL"},
                     "Maps the model by the affine transform (x, y) -> (a x + b y + tx, c x + d y "
                     "+ ty).\nMirroring maps keep each edge's polarity on the same side of the "
                     "material.")
            .requiredOption("--xform", "a b c d tx ty", "the transform")
            .option("-o", "FILE", kModelOutputHelp);
    const auto a = parser.parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    double v[6];
    for (std::size_t i = 0; i < 6; ++i) v[i] = a->number("--xform", 0, i);
    const ccXform<2> xform(ccMatrix<2>(v[0], v[1], v[2], v[3]), ccVector<2>(v[4], v[5]));
    ModelFile model = loadModel(a->operands()[0]);
    model.shape = model.shape->mapShape(xform);
    writeModelOutput(a->text("-o"), model, out);
    return kSuccess;
}

}  // namespace shapemod
