// Read-only pixel buffers: grey images of 8 or 16 bits per pixel.
#pragma once

#include <memory>
#include <vector>

#include "vxstd12u/rect.h"
#include "vxstd12u/vector.h"

// What every pixel buffer has, whatever its pixel type: a size and an offset.
// The offset places the buffer in a larger image: pixel (0, 0) of the buffer
// is pixel offset() of that image, and covers [offset, offset + 1) in both
// directions of image coordinates (x right, y down).
class cc_PelBuffer {
  public:
    long width() const noexcept { return width_; }
    long height() const noexcept { return height_; }
    // (width, height).
    ccVector<2> size() const noexcept {
        return ccVector<2>(static_cast<double>(width_), static_cast<double>(height_));
    }
    long offsetX() const noexcept { return offsetX_; }
    long offsetY() const noexcept { return offsetY_; }
    ccVector<2> offset() const noexcept {
        return ccVector<2>(static_cast<double>(offsetX_), static_cast<double>(offsetY_));
    }
    // The area the buffer covers in image coordinates: offset() and size().
    ccRect imageRect() const { return ccRect(offset(), size()); }
    bool isEmpty() const noexcept { return width_ == 0 || height_ == 0; }

  protected:
    cc_PelBuffer() = default;
    // Negative sizes throw ccShapesError::BadParams.
    cc_PelBuffer(long width, long height, long offsetX, long offsetY);

  private:
    long width_ = 0, height_ = 0;
    long offsetX_ = 0, offsetY_ = 0;
};

// A grey image whose pixels (of type T: unsigned char or unsigned short) are
// never changed. Copies share the pixels.
template <class T>
class ccPelBuffer_const : public cc_PelBuffer {
  public:
    // The empty buffer (0 by 0).
    ccPelBuffer_const() = default;
    // A blank buffer: every pixel 0.
    ccPelBuffer_const(long width, long height);
    // `pels` holds the rows top to bottom, each left to right: exactly
    // width * height values, else ccShapesError::BadParams (as for a negative
    // size). Offsets may be any values.
    ccPelBuffer_const(long width, long height, std::vector<T> pels, long offsetX = 0,
                      long offsetY = 0);

    // Pixel (x, y) of the buffer, 0 <= x < width, 0 <= y < height, counted
    // from the buffer's own corner (not the offset); outside,
    // ccShapesError::BadParams.
    T pel(long x, long y) const;
    // All pixels, row by row.
    const std::vector<T>& pels() const noexcept { return *pels_; }

  private:
    std::shared_ptr<const std::vector<T>> pels_ = std::make_shared<std::vector<T>>();
};

extern template class ccPelBuffer_const<unsigned char>;
extern template class ccPelBuffer_const<unsigned short>;
