#include "vxdispc12u/color.h"

#include <cstdio>

#include "vxstd12u/errors.h"
#include "vxstd12u/str.h"

std::string ccColor::hex() const {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", r_, g_, b_);
    return buf;
}

void ccGraphicProps::width(int w) {
    if (w < 0)
        throw ccShapesError::BadParams(L"graphic width " + cfStr(static_cast<long>(w)) +
                                       L" is negative");
    width_ = w;
}
