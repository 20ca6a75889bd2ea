#include "find/image.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <vector>

#include "find/cvbridge.h"
#include "find/filewrite.h"
#include "find/finddefs.h"
#include "vxstd12u/str.h"

namespace {

using Bytes = std::vector<unsigned char>;

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw ccFindDefs::BadImage(L"image file " + cfWiden(path) + L": " + cfWiden(what));
}

Bytes readBytes(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) fail(path, std::strerror(errno));
    if (S_ISDIR(info.st_mode)) fail(path, std::strerror(EISDIR));
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(path, std::strerror(errno));
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) fail(path, std::strerror(EIO));
    if (bytes.empty()) fail(path, "the file is empty");
    return bytes;
}

// A JPEG decoder given a cut-off file warns, fills in what is missing and
// returns an image, so a cut is found here instead: in a whole file an
// end-of-image marker follows the last start-of-scan. Neither marker can occur
// inside entropy-coded data, where every 0xFF byte is stuffed or a restart.
bool isCutJpeg(const Bytes& bytes) {
    if (bytes.size() < 3 || bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[2] != 0xFF) return false;
    const auto lastMarker = [&](unsigned char code) {
        const unsigned char marker[] = {0xFF, code};
        return std::find_end(bytes.begin(), bytes.end(), std::begin(marker), std::end(marker));
    };
    const auto scan = lastMarker(0xDA), end = lastMarker(0xD9);
    return scan == bytes.end() || end == bytes.end() || end < scan;
}

cv::Mat decode(const std::string& path, const Bytes& bytes) {
    if (isCutJpeg(bytes)) fail(path, "the JPEG data is cut off");
    cv::Mat decoded;
    try {
        decoded = cv::imdecode(bytes, cv::IMREAD_UNCHANGED);
    } catch (const cv::Exception& e) {
        fail(path, "cannot be decoded: " + e.err);
    }
    if (decoded.empty()) fail(path, "not an image of a known format, or truncated or corrupt");
    return decoded;
}

// Grey weights of the channels as the decoder orders them (blue, green, red,
// alpha); a grey-and-alpha image keeps its grey.
cv::Mat greyWeights(int channels) {
    switch (channels) {
        case 2:
            return (cv::Mat_<double>(1, 2) << 1.0, 0.0);
        case 3:
            return (cv::Mat_<double>(1, 3) << 0.114, 0.587, 0.299);
        default:
            return (cv::Mat_<double>(1, 4) << 0.114, 0.587, 0.299, 0.0);
    }
}

// Row by row in doubles, so that the weighted sum is rounded once (to the
// nearest level, ties to even) and memory stays at one row beyond the result.
cv::Mat toGrey(const cv::Mat& colour) {
    const cv::Mat weights = greyWeights(colour.channels());
    cv::Mat grey(colour.rows, colour.cols, CV_MAKETYPE(colour.depth(), 1));
    cv::Mat row, sum;
    for (int r = 0; r < colour.rows; ++r) {
        colour.row(r).convertTo(row, CV_MAKETYPE(CV_64F, colour.channels()));
        cv::transform(row, sum, weights);
        sum.convertTo(grey.row(r), grey.type());
    }
    return grey;
}

std::string lowerExtension(const std::string& path) {
    const std::size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// The extension the encoder is asked for, after checking that the format
// takes the image's depth.
std::string encoderExtension(const std::string& path, bool sixteenBit) {
    static const char* const kFormats[] = {".png",  ".jpg", ".jpeg", ".tif",
                                           ".tiff", ".bmp", ".pgm"};
    static const char* const kSixteenBitFormats[] = {".png", ".tif", ".tiff", ".pgm"};
    std::string ext = lowerExtension(path);
    const auto named = [&](const char* f) { return ext == f; };
    if (std::none_of(std::begin(kFormats), std::end(kFormats), named))
        fail(path, "the extension '" + ext + "' names no format the library writes");
    if (sixteenBit &&
        std::none_of(std::begin(kSixteenBitFormats), std::end(kSixteenBitFormats), named))
        fail(path, "a 16-bit image cannot be written as " + ext);
    return ext;
}

Bytes encode(const std::string& path, const ccImage& image) {
    if (cfImageWidth(image) == 0 || cfImageHeight(image) == 0) fail(path, "the image is empty");
    const std::string ext = encoderExtension(path, std::holds_alternative<ccImage16>(image));
    Bytes bytes;
    try {
        if (cv::imencode(ext, cfMatView(image), bytes)) return bytes;
    } catch (const cv::Exception& e) {
        fail(path, "cannot be encoded: " + e.err);
    }
    fail(path, "cannot be encoded");
}

}  // namespace

ccImage cfReadImage(const std::string& path) {
    const cv::Mat decoded = decode(path, readBytes(path));
    if (decoded.depth() != CV_8U && decoded.depth() != CV_16U)
        fail(path, "only 8- and 16-bit images are taken");
    if (decoded.channels() > 4) fail(path, "more than four channels");
    return cfImageFromMat(decoded.channels() == 1 ? decoded : toGrey(decoded),
                          "image file " + path);
}

void cfWriteImage(const std::string& path, const ccImage& image) {
    cfReplaceFile(path, encode(path, image));
}

long cfImageWidth(const ccImage& image) {
    return std::visit([](const auto& grey) { return grey.width(); }, image);
}

long cfImageHeight(const ccImage& image) {
    return std::visit([](const auto& grey) { return grey.height(); }, image);
}
