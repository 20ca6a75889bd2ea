#include "shapemod/inspection.h"
#include <algorithm>
#include <cmath>
#include <sstream>
#include "shapemod/cli.h"
#include "shapemod/drawing.h"
#include "vxdiagc12u/diag.h"
#include "vxdiagc12u/png.h"
#include "vxdispc12u/graphiclist.h"
#include "vxstd12u/str.h"

namespace shapemod {

namespace {

// Drawings are read on white pages as often as over grey images, so the
// colours are dark enough for both.
const ccColor kPositive(0, 110, 200);
const ccColor kNegative(200, 0, 150);
const ccColor kZero(230, 140, 0);

// The larger side of the blank image a report draws on, and its margin.
constexpr double kReportImageSide = 640;
constexpr double kReportMargin = 20;
// The image of a shape with no finite extent to fit to.
constexpr long kBlankWidth = 640, kBlankHeight = 480;

template <class Pel>
std::string report(const ccShape& shape, const std::string& title,
                   const ccPelBuffer_const<Pel>& image, const ccXform<2>& pose) {
    const WeightStyles& s = weightStyles();
    ccDiagObject diag;
    cfRecordWithPose(diag, image, shape, pose, s.positive, s.negative, s.zero, L"model");
    std::ostringstream html;
    diag.writeHtml(html, cfWiden(title));
    return html.str();
}

template <class Decode>
auto decodePng(Decode decode, const std::string& png, const std::string& imageName) {
    try {
        return decode(png);
    } catch (const ccShapesError::BadParams& e) {
        throw FileError(imageName + ": not a PNG image: " + cfNarrow(e.detail()));
    }
}

bool isUsableBox(const ccRect& box) {
    return std::isfinite(box.xMin()) && std::isfinite(box.yMin()) && std::isfinite(box.width()) &&
           std::isfinite(box.height()) && std::max(box.width(), box.height()) > 0;
}

}  // namespace

const WeightStyles& weightStyles() {
    static const WeightStyles styles{
        ccGraphicProps(kPositive, 2, ccGraphicProps::eSolid, true),
        ccGraphicProps(kNegative, 2, ccGraphicProps::eDash, true),
        ccGraphicProps(kZero, 1, ccGraphicProps::eDot, true),
    };
    return styles;
}

std::string drawingSvg(const ccShape& shape) {
    return drawingSvg(shape, DrawingOptions());
}

std::string reportHtml(const ccShape& shape, const std::string& title) {
    // An infinite shape has no bounding box to fit.
    const ccRect box = std::isfinite(shape.perimeter()) ? shape.boundingBox() : ccRect();
    if (!isUsableBox(box))
        return report(shape, title, ccPelBuffer_const<unsigned char>(kBlankWidth, kBlankHeight),
                      ccXform<2>());
    const double scale = kReportImageSide / std::max(box.width(), box.height());
    const ccXform<2> pose = ccXform<2>::translation(ccVector<2>(kReportMargin, kReportMargin)) *
                            ccXform<2>(ccMatrix<2>::scale(scale, scale), ccVector<2>(0, 0)) *
                            ccXform<2>::translation(ccVector<2>(-box.xMin(), -box.yMin()));
    const auto side = [&](double extent) {
        return static_cast<long>(std::ceil(extent * scale + 2 * kReportMargin));
    };
    return report(shape, title,
                  ccPelBuffer_const<unsigned char>(side(box.width()), side(box.height())), pose);
}

std::string reportHtmlOver(const ccShape& shape, const std::string& title, const std::string& png,
                           const std::string& imageName) {
    // A PNG's bit depth is the byte after the width and height of its header.
    constexpr std::size_t kBitDepthOffset = 24;
    if (png.size() > kBitDepthOffset && png[kBitDepthOffset] == 16)
        return report(shape, title, decodePng(cfDecodePng16, png, imageName), ccXform<2>());
    return report(shape, title, decodePng(cfDecodePng8, png, imageName), ccXform<2>());
}

std::string describeText(const ccShape& shape) {
    const WeightStyles& s = weightStyles();
    ccDiagObject diag;
    ccShapeModel::record(diag, ccPelBuffer_const<unsigned char>(1, 1), shape, s.positive,
                         s.negative, s.zero, L"model");
    std::ostringstream text;
    for (const ccDiagRecord& r : diag.records()) {
        const std::string indent(static_cast<std::size_t>(2 * r.level()), ' ');
        text << indent << cfNarrow(r.annotation()) << "\n";
        for (const auto& [title, content] : r.texts()) {
            std::istringstream lines(cfNarrow(content));
            for (std::string line; std::getline(lines, line);)
                text << (line.empty() ? "" : indent + "  " + line) << "\n";
        }
    }
    return text.str();
}

}  // namespace shapemod
