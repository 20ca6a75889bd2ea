#include "find/finddefs.h"
#include "find/render.h"
#include "find/tolerances.h"
#include "shapemod/commands.h"
#include "shapemod/modelio.h"
#include "vxstd12u/str.h"

namespace shapemod {

namespace {

const OptionParser& grammar() {
    static const OptionParser parser =
        OptionParser("render", {"MODEL"},
                     "Renders the model into a grey image at a pose, so that every featurelet's "
                     "expected\ngradient holds: closed parts filled, light where their gradients "
                     "point, open parts\nas one-pixel lines, parts of negative weight left out.")
            .requiredOption("-o", "IMAGE",
                            "the image: .png, .jpg, .tif, .bmp or .pgm (16 bits: png, tif, pgm)")
            .requiredOption("--size", "W H", "image width and height in pixels")
            .option(
                "--pose", "X Y ANGLE SCALE",
                "model point m at (X, Y) + SCALE R(ANGLE) m, ANGLE in degrees (default 0 0 0 1)")
            .option("--levels", "DARK LIGHT", "grey levels of dark and light (default 40 200)")
            .option("--blur", "S", "Gaussian blur sigma in pixels (default 0: none)")
            .option("--noise", "S", "Gaussian noise sigma in grey levels (default 0: none)")
            .option("--seed", "N", "seed of the noise (default 0)")
            .option("--ramp", "R",
                    "grey levels added per pixel along x, from the centre (default 0)")
            .option("--occlude", "F",
                    "cover the left share F (0 to 1) of the part with mid grey (default 0)")
            .option("--depth", "8|16", "bits per pixel (default 8)");
    return parser;
}

ccRenderParams renderParams(const ParsedArgs& a) {
    ccRenderParams p;
    p.width = a.integer("--size", 0, 1, cc_find_tol::kMaxImageSide, 0);
    p.height = a.integer("--size", 0, 1, cc_find_tol::kMaxImageSide, 1);
    p.pose = ccPose{a.number("--pose", 0, 0), a.number("--pose", 0, 1),
                    ccDegree(a.number("--pose", 0, 2)).toRadian(), a.number("--pose", 1, 3)};
    p.dark = a.number("--levels", p.dark, 0);
    p.light = a.number("--levels", p.light, 1);
    p.blurSigma = a.number("--blur", 0);
    p.noiseSigma = a.number("--noise", 0);
    p.seed = static_cast<unsigned>(a.integer("--seed", 0, 0, 4294967295L));
    p.ramp = a.number("--ramp", 0);
    p.occlusion = a.number("--occlude", 0);
    p.depth = static_cast<int>(a.integer("--depth", 8, 8, 16));
    return p;
}

}  // namespace

int cmdRender(const Args& args, std::ostream& out, std::ostream&) {
    const auto a = grammar().parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    const ccRenderParams params = renderParams(*a);
    const ModelFile model = loadModel(a->operands()[0]);
    ccImage image;
    // Every value the renderer refuses came from the command line or the
    // model file: bad input, not a failure of the library.
    try {
        image = cfRenderModel(*model.shape, params);
    } catch (const ccFindDefs::BadParams& e) {
        throw UsageError(e.detail());
    }
    try {
        cfWriteImage(a->text("-o"), image);
    } catch (const ccFindDefs::BadImage& e) {
        throw FileError(e.detail());
    }
    return kSuccess;
}

}  // namespace shapemod
