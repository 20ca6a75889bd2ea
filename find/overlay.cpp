#include "find/overlay.h"

#include <algorithm>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "find/cvbridge.h"
#include "find/filewrite.h"
#include "find/finddefs.h"
#include "find/tolerances.h"

namespace {

// cv::polylines takes fixed-point coordinates with this many fraction bits.
constexpr int kFractionBits = 4;
constexpr double kFixedOne = 1 << kFractionBits;

void requireDrawable(const ccOverlayStroke& stroke) {
    if (!stroke.shape) throw ccFindDefs::BadParams(L"an overlay stroke has no shape");
    if (!(stroke.width > 0.0 && stroke.width <= cc_find_tol::kMaxOverlayWidth))
        throw ccFindDefs::BadParams(L"an overlay stroke's width must lie in (0, 64]");
}

cv::Mat colourPicture(const ccImage& image, int zoom) {
    cv::Mat grey = cfMatView(image);
    if (grey.depth() == CV_16U) {
        cv::Mat stretched;
        cv::normalize(grey, stretched, 0, 255, cv::NORM_MINMAX, CV_8U);
        grey = stretched;
    }
    cv::Mat large, colour;
    cv::resize(grey, large, cv::Size(), zoom, zoom, cv::INTER_NEAREST);
    cv::cvtColor(large, colour, cv::COLOR_GRAY2BGR);
    return colour;
}

// The chains of `shape`'s samples as fixed-point points of the picture:
// image point x lies at zoom (x + 0.5) - 0.5, the pixel centres of a zoomed
// pixel's square surrounding it.
std::vector<std::vector<cv::Point>> pictureChains(const ccShape& shape, int zoom) {
    ccShape::ccSampleResult samples;
    shape.sample(
        ccShape::ccSampleParams(0.0, cc_find_tol::kOverlaySpacing, ccNoPointLimit, false, true),
        samples);
    std::vector<std::vector<cv::Point>> chains;
    for (long c = 0; c < samples.numChains(); ++c) {
        std::vector<cv::Point>& chain = chains.emplace_back();
        const long first = samples.breaks()[c];
        for (long i = first; i < first + samples.chainLength(c); ++i) {
            const ccVector<2>& p = samples.positions()[i];
            chain.emplace_back(cvRound((zoom * (p.x() + 0.5) - 0.5) * kFixedOne),
                               cvRound((zoom * (p.y() + 0.5) - 0.5) * kFixedOne));
        }
        if (samples.closedFlags()[c] && !chain.empty()) chain.push_back(chain.front());
    }
    return chains;
}

}  // namespace

void cfWriteOverlayPng(const std::string& path, const ccImage& image,
                       const std::vector<ccOverlayStroke>& strokes, int zoom) {
    if (cfImageWidth(image) == 0 || cfImageHeight(image) == 0)
        throw ccFindDefs::BadParams(L"an overlay needs an image that is not empty");
    if (zoom < 1 || zoom > cc_find_tol::kMaxOverlayZoom)
        throw ccFindDefs::BadParams(L"an overlay's zoom must lie in 1 to 16");
    cfRequireImageSize(cfImageWidth(image) * zoom, cfImageHeight(image) * zoom,
                       L"an overlay's picture");
    for (const ccOverlayStroke& stroke : strokes) requireDrawable(stroke);
    cv::Mat picture = colourPicture(image, zoom);
    for (const ccOverlayStroke& stroke : strokes) {
        const cv::Scalar bgr(stroke.color.blue(), stroke.color.green(), stroke.color.red());
        const int thickness = std::max(1, cvRound(stroke.width));
        cv::polylines(picture, pictureChains(*stroke.shape, zoom), false, bgr, thickness,
                      cv::LINE_AA, kFractionBits);
    }
    std::vector<unsigned char> png;
    cv::imencode(".png", picture, png);
    cfReplaceFile(path, png);
}
