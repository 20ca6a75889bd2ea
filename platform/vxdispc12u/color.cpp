#include "vxdispc12u/color.h"

#include <cstdio>

#include "vxstd12u/errors.h"
#include "vxstd12u/str.h"

std::string ccColor::hex() const {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", r_, g_, b_);
    return buf;
}

ccGraphicProps::ccGraphicProps(const ccColor& color, int width, int penStyle, bool arrowHead)
    : color_(color),
      width_(checkedWidth(width)),
      penStyle_(checkedPenStyle(penStyle)),
      arrowHead_(arrowHead) {}

int ccGraphicProps::checkedWidth(int w) {
    if (w < 0)
        throw ccShapesError::BadParams(L"graphic width " + cfStr(static_cast<long>(w)) +
                                       L" is negative");
    return w;
}

ccGraphicProps::cePenStyle ccGraphicProps::checkedPenStyle(int style) {
    if (style < eSolid || style > eDot)
        throw ccShapesError::BadParams(L"pen style " + cfStr(static_cast<long>(style)) +
                                       L" is none of 0 (solid), 1 (dash), 2 (dot)");
    return static_cast<cePenStyle>(style);
}
