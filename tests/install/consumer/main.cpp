#include "ch_core/shapemod.h"

int main() {
    const ccShapeModelProps a(false, 2.0), b(true, 3.0);
    const ccShapeModelProps c = a.combine(b);
    return c.weight() == 6.0 && c.isReversedPolarity() ? 0 : 1;
}
