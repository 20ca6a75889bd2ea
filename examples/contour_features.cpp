// A closed contour whose pieces carry their own records, turned into
// featurelets: one closed chain, each corner one featurelet at the bisecting
// angle with the mean weight of the two sides that meet there.
#include <iostream>

#include "ch_core/shapemod.h"
#include "vxstd12u/str.h"

int main() {
    auto contour = cfMakeHandle<ccContourTree>(true);
    const ccVector<2> c[4] = {{0, 0}, {40, 0}, {40, 30}, {0, 30}};
    for (int i = 0; i < 4; ++i) {
        const ccLineSeg side(c[i], c[(i + 1) % 4]);
        contour->addChild(ccShapeModelProps(false, i == 2 ? 0.5 : 1.0).assign(side), true);
    }
    const ccShape::ccSampleParams sampling(0.0, 1.0, ccNoPointLimit, true, false);
    const auto features = ccShapeModel::features(*contour, ccShapeModel::ccFeatureParams(sampling));

    std::wcout << L"chains: " << features->numChains() << L", featurelets: "
               << features->numFeaturelets() << L"\n";
    for (const ccFeaturelet& f : features->featurelets()) {
        const bool isCorner = (f.position.x() == 0 || f.position.x() == 40) &&
                              (f.position.y() == 0 || f.position.y() == 30);
        if (!isCorner) continue;
        std::wcout << L"corner (" << cfStr(f.position.x()) << L", " << cfStr(f.position.y())
                   << L"): angle " << cfStr(f.angle.toDouble() * ccDegreesPerRadian)
                   << L" deg, weight " << cfStr(f.weight) << L"\n";
    }
    return 0;
}
