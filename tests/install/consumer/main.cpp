#include <variant>

#include "ch_core/shapemod.h"
#include "find/render.h"

// The module's records combine, and a circle renders lighter inside than out
// through the installed image library, whose headers bring no OpenCV along.
int main() {
    const ccShapeModelProps a(false, 2.0), b(true, 3.0);
    const ccShapeModelProps c = a.combine(b);
    ccRenderParams params;
    params.width = 21;
    params.height = 21;
    params.pose.x = 10;
    params.pose.y = 10;
    const ccImage image = cfRenderModel(ccCircle(ccVector<2>(0, 0), 5), params);
    const auto& grey = std::get<ccImage8>(image);
    const bool rendered = grey.pel(10, 10) > grey.pel(0, 0);
    return c.weight() == 6.0 && c.isReversedPolarity() && rendered ? 0 : 1;
}
