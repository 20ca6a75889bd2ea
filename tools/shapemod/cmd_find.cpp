#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "find/finddefs.h"
#include "find/finder.h"
#include "find/overlay.h"
#include "shapemod/commands.h"
#include "shapemod/dxfimport.h"
#include "shapemod/files.h"
#include "shapemod/modelio.h"
#include "vxdiagc12u/base64.h"
#include "vxdiagc12u/png.h"
#include "vxdispc12u/graphiclist.h"
#include "vxdispc12u/svg.h"
#include "vxstd12u/str.h"

namespace shapemod {

namespace {

// Light enough to stand out on grey, and not the pass colour, which model
// drawings leave out.
const ccColor kMatchColor(0, 220, 0);

const OptionParser& grammar() {
    static const OptionParser parser =
        OptionParser("find", {"MODEL", "IMAGE"},
                     "Finds the model's part in a grey image: every match scoring at least "
                     "--min-score,\nbest first, its pose refined to a fraction of a pixel. "
                     "MODEL is a model file, an\narchive or a DXF drawing (.dxf, imported as "
                     "`shapemod import` does by default).\nA pose puts model point m at (x, y) + "
                     "scale R(angle) m, angle in degrees.")
            .option("--angle", "MIN MAX", "the rotation range in degrees (default -180 180)")
            .option("--scale", "MIN MAX", "the scale range (default 1 1)")
            .option("--min-score", "S", "the least score reported, 0 to 1 (default 0.5)")
            .option("--max-matches", "N", "report at most N matches (default 0: all)")
            .option("--max-overlap", "F",
                    "of matches whose boxes overlap by more than F of the smaller, keep the "
                    "better (default 0.5)")
            .option("--contrast", "T",
                    "gradient in grey levels per pixel below which an edge does not count "
                    "(default 10)")
            .option("--polarity", "as-is|reversed|ignored",
                    "take the model's polarity as it is, turned round or ignored (default as-is)")
            .option("--overlay", "OUT",
                    "draw every match over the image: SVG if OUT ends in .svg, else PNG")
            .option("--zoom", "Z", "enlarge a PNG overlay Z times, 1 to 16 (default 1)")
            .option("--format", "json|csv", "result format (default json)")
            .option("-o", "RESULT", "write the result to RESULT instead of standard output");
    return parser;
}

ccFindPolarity polarityNamed(const std::string& name) {
    if (name == "as-is") return ccFindPolarity::eAsIs;
    if (name == "reversed") return ccFindPolarity::eReversed;
    if (name == "ignored") return ccFindPolarity::eIgnored;
    throw UsageError("--polarity must be as-is, reversed or ignored, not " + name);
}

// The two values of a range option, or the fallbacks when it is absent.
std::pair<double, double> range(const ParsedArgs& a, const std::string& name,
                                std::pair<double, double> fallback) {
    const std::pair<double, double> r{a.number(name, fallback.first, 0),
                                      a.number(name, fallback.second, 1)};
    if (r.first > r.second) throw UsageError(name + " MIN MAX is out of order: MIN above MAX");
    return r;
}

ccFindParams findParams(const ParsedArgs& a) {
    ccFindParams p;
    if (a.has("--angle")) {
        const auto [lo, hi] = range(a, "--angle", {0, 0});
        if (hi - lo > 360) throw UsageError("--angle spans more than 360 degrees");
        p.angleMin = ccDegree(lo).toRadian();
        // A full turn given in degrees must stay a full turn in radians.
        p.angleMax = hi - lo == 360 ? p.angleMin + ccRadian(ccTwoPi) : ccDegree(hi).toRadian();
    }
    std::tie(p.scaleMin, p.scaleMax) = range(a, "--scale", {p.scaleMin, p.scaleMax});
    p.minScore = a.number("--min-score", p.minScore);
    p.maxMatches = a.integer("--max-matches", p.maxMatches, 0, 1000000);
    p.maxOverlap = a.number("--max-overlap", p.maxOverlap);
    p.contrast = a.number("--contrast", p.contrast);
    p.polarity = polarityNamed(a.text("--polarity", "as-is"));
    return p;
}

ModelFile loadSearchedModel(const std::string& path) {
    if (!hasExtension(path, ".dxf")) return loadModel(path);
    return ModelFile{importDxfFile(path, DxfImportOptions()).shape, {}};
}

std::string resultJson(const std::string& imagePath, const ccImage& image,
                       const std::vector<ccFindMatch>& matches) {
    nlohmann::ordered_json result = {{"image", imagePath},
                                     {"width", cfImageWidth(image)},
                                     {"height", cfImageHeight(image)},
                                     {"matches", nlohmann::ordered_json::array()}};
    for (const ccFindMatch& m : matches)
        result["matches"].push_back({{"x", m.pose.x},
                                     {"y", m.pose.y},
                                     {"angle", ccDegree(m.pose.angle).toDouble()},
                                     {"scale", m.pose.scale},
                                     {"score", m.score},
                                     {"fitError", m.fitError}});
    return result.dump(2) + "\n";
}

std::string resultCsv(const std::vector<ccFindMatch>& matches) {
    const auto number = [](double v) { return cfNarrow(cfStr(v)); };
    std::string text = "x,y,angle,scale,score,fitError\n";
    for (const ccFindMatch& m : matches)
        text += number(m.pose.x) + ',' + number(m.pose.y) + ',' +
                number(ccDegree(m.pose.angle).toDouble()) + ',' + number(m.pose.scale) + ',' +
                number(m.score) + ',' + number(m.fitError) + '\n';
    return text;
}

// A directory of its own under the system's temporary one, removed with what
// it holds at the end of scope.
class PrivateDir {
  public:
    PrivateDir() : path_((std::filesystem::temp_directory_path() / "shapemod-XXXXXX").string()) {
        if (::mkdtemp(path_.data()) == nullptr)
            throw FileError("cannot make a directory for " + path_);
    }
    ~PrivateDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    PrivateDir(const PrivateDir&) = delete;
    PrivateDir& operator=(const PrivateDir&) = delete;
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// cfWriteOverlayPng writes to a file only: the picture is made aside and
// read back, so that it and the result go in place together or not at all.
std::string overlayPng(const ccImage& image, const std::vector<ccPtrHandle<ccShape>>& placed,
                       int zoom) {
    std::vector<ccOverlayStroke> strokes;
    strokes.reserve(placed.size());
    for (const auto& shape : placed) strokes.push_back({shape, kMatchColor, 1.0});
    const PrivateDir dir;
    cfWriteOverlayPng(dir / "overlay.png", image, strokes, zoom);
    return readFile(dir / "overlay.png");
}

std::string overlaySvg(const ccImage& image, const std::vector<ccPtrHandle<ccShape>>& placed) {
    const auto width = static_cast<double>(cfImageWidth(image));
    const auto height = static_cast<double>(cfImageHeight(image));
    // Pixel centres lie on whole coordinates, so the picture starts half a
    // pixel before the first.
    const ccRect frame(ccVector<2>(-0.5, -0.5), ccVector<2>(width, height));
    ccSvgCanvas canvas(frame, 1.0, "find");
    const std::string png = std::visit([](const auto& im) { return cfEncodePng(im); }, image);
    canvas.raw("<image href=\"data:image/png;base64," + cfBase64(png) +
               "\" x=\"-0.5\" y=\"-0.5\" width=\"" + cfSvgNumber(width) + "\" height=\"" +
               cfSvgNumber(height) + "\" style=\"image-rendering:pixelated\"/>\n");
    const ccGraphicProps solid(kMatchColor, 1), dashed(kMatchColor, 1, ccGraphicProps::eDash),
        dotted(kMatchColor, 1, ccGraphicProps::eDot);
    ccGraphicList drawing;
    for (const auto& shape : placed) ccShapeModel::draw(drawing, *shape, solid, dashed, dotted);
    drawing.render(canvas);
    return canvas.svgElement(width, height);
}

std::string overlay(const ParsedArgs& a, const ccImage& image, const ccShape& model,
                    const std::vector<ccFindMatch>& matches) {
    std::vector<ccPtrHandle<ccShape>> placed;
    placed.reserve(matches.size());
    for (const ccFindMatch& m : matches) placed.push_back(model.mapShape(m.pose.xform()));
    if (!hasExtension(a.text("--overlay"), ".svg"))
        return overlayPng(image, placed, static_cast<int>(a.integer("--zoom", 1, 1, 16)));
    if (a.has("--zoom")) throw UsageError("--zoom enlarges PNG overlays only");
    return overlaySvg(image, placed);
}

}  // namespace

int cmdFind(const Args& args, std::ostream& out, std::ostream&) {
    const auto a = grammar().parseOrShowHelp(args, out);
    if (!a) return kSuccess;
    const std::string format = a->text("--format", "json");
    if (format != "json" && format != "csv")
        throw UsageError("--format must be json or csv, not " + format);
    const ccFindParams params = findParams(*a);
    const ModelFile model = loadSearchedModel(a->operands()[0]);
    const std::string& imagePath = a->operands()[1];
    // Every value the finder refuses came from the command line, the model or
    // the image: bad input, not a failure of the library.
    try {
        const ccImage image = cfReadImage(imagePath);
        const std::vector<ccFindMatch> matches =
            cfFind(ccSearchModel(*model.shape, model.params), image, params);
        std::vector<std::pair<std::string, std::string>> files;
        if (a->has("--overlay"))
            files.emplace_back(a->text("--overlay"), overlay(*a, image, *model.shape, matches));
        const std::string result =
            format == "json" ? resultJson(imagePath, image, matches) : resultCsv(matches);
        const std::string resultPath = a->text("-o", "-");
        const bool toOut = resultPath.empty() || resultPath == "-";
        if (!toOut) files.emplace_back(resultPath, result);
        writeFilesAtomically(files);
        if (toOut) out << result;
    } catch (const ccFindDefs::BadParams& e) {
        throw UsageError(e.detail());
    } catch (const ccFindDefs::BadImage& e) {
        throw FileError(e.detail());
    }
    return kSuccess;
}

}  // namespace shapemod
