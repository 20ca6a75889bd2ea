#include "vxdiagc12u/pelbuffer.h"

#include <limits>

#include "vxstd12u/errors.h"
#include "vxstd12u/str.h"

namespace {

void requireSize(long width, long height) {
    if (width < 0 || height < 0)
        throw ccShapesError::BadParams(L"image size " + cfStr(width) + L" x " + cfStr(height) +
                                       L" is negative");
    if (width > 0 && height > std::numeric_limits<long>::max() / width)
        throw ccShapesError::BadParams(L"image size " + cfStr(width) + L" x " + cfStr(height) +
                                       L" is too large");
}

}  // namespace

cc_PelBuffer::cc_PelBuffer(long width, long height, long offsetX, long offsetY)
    : width_(width), height_(height), offsetX_(offsetX), offsetY_(offsetY) {
    requireSize(width, height);
}

template <class T>
ccPelBuffer_const<T>::ccPelBuffer_const(long width, long height)
    : cc_PelBuffer(width, height, 0, 0),
      pels_(std::make_shared<const std::vector<T>>(static_cast<size_t>(width * height), T(0))) {}

template <class T>
ccPelBuffer_const<T>::ccPelBuffer_const(long width, long height, std::vector<T> pels, long offsetX,
                                        long offsetY)
    : cc_PelBuffer(width, height, offsetX, offsetY) {
    if (pels.size() != static_cast<size_t>(width * height))
        throw ccShapesError::BadParams(L"an image of " + cfStr(width) + L" x " + cfStr(height) +
                                       L" needs " + cfStr(width * height) + L" pixels, not " +
                                       cfStr(static_cast<long>(pels.size())));
    pels_ = std::make_shared<const std::vector<T>>(std::move(pels));
}

template <class T>
T ccPelBuffer_const<T>::pel(long x, long y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height())
        throw ccShapesError::BadParams(L"pixel (" + cfStr(x) + L", " + cfStr(y) +
                                       L") outside an image of " + cfStr(width()) + L" x " +
                                       cfStr(height()));
    return (*pels_)[static_cast<size_t>(y * width() + x)];
}

template class ccPelBuffer_const<unsigned char>;
template class ccPelBuffer_const<unsigned short>;
