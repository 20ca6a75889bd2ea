#include "find/pose.h"

#include <cmath>
#include <string>

#include "find/finddefs.h"

namespace {

void requireFinite(double value, const wchar_t* field) {
    if (!std::isfinite(value))
        throw ccFindDefs::BadParams(std::wstring(L"the pose's ") + field + L" is not finite");
}

}  // namespace

ccXform<2> ccPose::xform() const {
    requireFinite(x, L"x");
    requireFinite(y, L"y");
    requireFinite(angle.toDouble(), L"angle");
    requireFinite(scale, L"scale");
    if (scale <= 0.0) throw ccFindDefs::BadParams(L"the pose's scale must be positive");
    const double c = std::cos(angle.toDouble()) * scale, s = std::sin(angle.toDouble()) * scale;
    return ccXform<2>(ccMatrix<2>(c, -s, s, c), ccVector<2>(x, y));
}
