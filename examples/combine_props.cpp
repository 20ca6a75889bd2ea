// How model properties combine down a shape tree: a plate of weight 2 holds a
// slot whose polarity is reversed and an arc whose polarity is ignored; each
// piece's properties in force are its own record combined below the plate's.
#include <iostream>

#include "ch_core/shapemod.h"
#include "vxstd12u/str.h"

namespace {
void print(const char* name, const ccShapeModelProps& p) {
    std::wcout << cfWiden(name) << L": weight " << cfStr(p.weight()) << L", magnitude "
               << cfStr(p.magnitude()) << L", polarity "
               << (p.isIgnoredPolarity()    ? L"ignored"
                   : p.isReversedPolarity() ? L"reversed"
                                            : L"normal")
               << L"\n";
}
}  // namespace

int main() {
    const ccShapeModelProps plate(false, 2.0, false, 1.5);
    const ccShapeModelProps slot(true, 0.5);
    const ccShapeModelProps arc(false, 1.0, true, 2.0);
    const ccShapeModelProps relief(false, -1.0);

    print("plate", plate);
    print("slot in plate", plate.combine(slot));
    print("arc in plate", plate.combine(arc));
    print("relief in plate", plate.combine(relief));
    print("relief in relief", relief.combine(relief));
    print("reversed slot in reversed slot", slot.combine(slot));

    try {
        ccShapeModelProps bad;
        bad.magnitude(-1.0);
    } catch (const ccShapeModelDefs::BadParams& e) {
        std::wcout << L"refused: " << e.message() << L"\n";
    }
    return 0;
}
