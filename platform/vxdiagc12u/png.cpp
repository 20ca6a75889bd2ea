#include "vxdiagc12u/png.h"

#include <png.h>

#include <string>

#include "vxstd12u/errors.h"

// libpng's simplified API reports errors through the image record instead of
// longjmp, which would skip C++ destructors.

namespace {

std::wstring widen(const char* text) {
    const std::string s(text);
    return std::wstring(s.begin(), s.end());
}

std::string encode(long width, long height, const void* pels, png_uint_32 format) {
    if (width == 0 || height == 0)
        throw ccShapesError::BadParams(L"PNG cannot hold an empty image");
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(width);
    png.height = static_cast<png_uint_32>(height);
    png.format = format;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, pels, 0, nullptr))
        throw ccShapesError::BadParams(L"PNG encoding failed: " + widen(png.message));
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&png, &bytes[0], &size, 0, pels, 0, nullptr))
        throw ccShapesError::BadParams(L"PNG encoding failed: " + widen(png.message));
    bytes.resize(size);
    return bytes;
}

template <class T>
ccPelBuffer_const<T> decode(const std::string& bytes, png_uint_32 format) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
        throw ccShapesError::BadParams(L"not a PNG image: " + widen(png.message));
    png.format = format;
    std::vector<T> pels(static_cast<size_t>(png.width) * png.height);
    if (!png_image_finish_read(&png, nullptr, pels.data(), 0, nullptr)) {
        const std::wstring reason = widen(png.message);
        png_image_free(&png);
        throw ccShapesError::BadParams(L"PNG decoding failed: " + reason);
    }
    return ccPelBuffer_const<T>(static_cast<long>(png.width), static_cast<long>(png.height),
                                std::move(pels));
}

}  // namespace

std::string cfEncodePng(const ccPelBuffer_const<unsigned char>& image) {
    return encode(image.width(), image.height(), image.pels().data(), PNG_FORMAT_GRAY);
}

std::string cfEncodePng(const ccPelBuffer_const<unsigned short>& image) {
    return encode(image.width(), image.height(), image.pels().data(), PNG_FORMAT_LINEAR_Y);
}

std::string cfEncodePng(const ccRgbImage& image) {
    return encode(image.width(), image.height(), image.bytes().data(), PNG_FORMAT_RGB);
}

ccPelBuffer_const<unsigned char> cfDecodePng8(const std::string& bytes) {
    return decode<unsigned char>(bytes, PNG_FORMAT_GRAY);
}

ccPelBuffer_const<unsigned short> cfDecodePng16(const std::string& bytes) {
    return decode<unsigned short>(bytes, PNG_FORMAT_LINEAR_Y);
}
