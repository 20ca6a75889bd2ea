#include "find/cvbridge.h"

#include <string>
#include <vector>

#include "find/finddefs.h"
#include "find/tolerances.h"
#include "vxstd12u/str.h"

namespace {

template <class T>
cv::Mat viewOf(const ccPelBuffer_const<T>& image, int type) {
    if (image.isEmpty()) return {};
    // OpenCV's header takes a mutable pointer even for a matrix only read.
    auto* data =
        const_cast<T*>(image.pels().data());  // NOLINT(cppcoreguidelines-pro-type-const-cast)
    return cv::Mat(static_cast<int>(image.height()), static_cast<int>(image.width()), type, data);
}

template <class T>
ccImage copyOf(const cv::Mat& grey) {
    std::vector<T> pels;
    pels.reserve(grey.total());
    for (int r = 0; r < grey.rows; ++r) {
        const T* row = grey.ptr<T>(r);
        pels.insert(pels.end(), row, row + grey.cols);
    }
    return ccPelBuffer_const<T>(grey.cols, grey.rows, std::move(pels));
}

}  // namespace

cv::Mat cfMatView(const ccImage& image) {
    if (const auto* grey8 = std::get_if<ccImage8>(&image)) return viewOf(*grey8, CV_8UC1);
    return viewOf(std::get<ccImage16>(image), CV_16UC1);
}

ccImage cfImageFromMat(const cv::Mat& grey, const std::string& what) {
    if (grey.type() != CV_8UC1 && grey.type() != CV_16UC1)
        throw ccFindDefs::BadImage(cfWiden(what) + L" is not an 8- or 16-bit grey image");
    if (grey.cols > cc_find_tol::kMaxImageSide || grey.rows > cc_find_tol::kMaxImageSide ||
        static_cast<long>(grey.total()) > cc_find_tol::kMaxImagePixels)
        throw ccFindDefs::BadImage(cfWiden(what) + L" of " + cfStr(static_cast<long>(grey.cols)) +
                                   L" x " + cfStr(static_cast<long>(grey.rows)) +
                                   L" pixels is larger than the library takes");
    if (grey.type() == CV_8UC1) return copyOf<unsigned char>(grey);
    return copyOf<unsigned short>(grey);
}

void cfRequireImageSize(long width, long height, const std::wstring& what) {
    const std::wstring size = cfStr(width) + L" x " + cfStr(height);
    if (width <= 0 || height <= 0)
        throw ccFindDefs::BadParams(what + L" " + size + L" is not a positive size");
    if (width > cc_find_tol::kMaxImageSide || height > cc_find_tol::kMaxImageSide ||
        width * height > cc_find_tol::kMaxImagePixels)
        throw ccFindDefs::BadParams(what + L" " + size + L" is larger than the library takes (" +
                                    cfStr(cc_find_tol::kMaxImageSide) + L" a side, " +
                                    cfStr(cc_find_tol::kMaxImagePixels) + L" pixels)");
}
