// Trains from an image instead of a drawing: renders a plate into a grey
// image at a pose, finds its subpixel edges, builds a region model from them
// and draws that model over the image. Writes plate.png (the image) and
// plate-edges.png (the model from its edges, in green, three times enlarged)
// into the current directory.
#include <iostream>

#include "ch_core/shapemod.h"
#include "find/edges.h"
#include "find/overlay.h"
#include "find/render.h"

namespace {
using V = ccVector<2>;

// A plate of 120 x 80 with rounded corners, two round holes and a slot.
ccPtrHandle<ccShape> plate() {
    const ccGenRect outline(V(0, 0), V(60, 40), ccRadian(0), ccRadian(0), V(0.2, 0.3), true);
    auto part = cfMakeHandle<ccRegionTree>(outline, false);
    part->addChild(cfMakeHandle<ccCircle>(V(-35, -12), 9.0), true);
    part->addChild(cfMakeHandle<ccCircle>(V(30, 15), 5.5), true);
    part->addChild(cfMakeHandle<ccGenRect>(V(5, -15), V(14, 4), ccRadian(0), ccRadian(0),
                                           V(4.0 / 14, 1), true),
                   true);
    return part;
}
}  // namespace

int main() {
    ccRenderParams scene;
    scene.width = 240;
    scene.height = 180;
    scene.pose = {120, 90, ccRadian(ccPi / 9), 1.0};  // 20 degrees, clockwise on the screen
    scene.dark = 50;
    scene.light = 170;
    scene.blurSigma = 1;
    scene.noiseSigma = 2;
    scene.seed = 7;
    const ccImage image = cfRenderModel(*plate(), scene);
    cfWriteImage("plate.png", image);

    const ccFeatureletChainSet edges = cfEdges(image, ccEdgeParams());
    const auto model = cfModelFromEdges(edges, ccEdgeModelBuilder::eRegion);
    cfWriteOverlayPng("plate-edges.png", image, {{model, ccColor::greenColor(), 1.0}}, 3);

    std::cout << edges.numChains() << " edge chains of " << edges.numFeaturelets()
              << " featurelets became a region model of " << ccShapeInfo(*model).numNodes()
              << " nodes\n";
    return 0;
}
