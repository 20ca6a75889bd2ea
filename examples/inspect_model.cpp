// Records a small model as a person would inspect it: a plate with a hole, a
// slot of reversed polarity, an arc whose polarity is ignored, a relief of
// negative weight and a rotated mark seen through a mapped shape. Writes
// report.html (one section per node) and drawing.svg into the current
// directory.
#include <iostream>

#include "ch_core/shapemod.h"
#include "vxdiagc12u/diag.h"
#include "vxdispc12u/graphiclist.h"

namespace {
using V = ccVector<2>;

ccPtrHandle<ccShape> segment(V a, V b) {
    return cfMakeHandle<ccLineSeg>(a, b);
}

// A closed slot of two straight sides and two half-circle ends.
ccPtrHandle<ccShape> slot(V left, double length, double radius) {
    const V right = left + V(length, 0);
    auto contour = cfMakeHandle<ccContourTree>(true);
    contour->addChild(segment(left - V(0, radius), right - V(0, radius)), true);
    contour->addChild(cfMakeHandle<ccEllipseArc2>(ccEllipse2(right, V(radius, radius)),
                                                  ccRadian(-ccPi / 2), ccRadian(ccPi)),
                      true);
    contour->addChild(segment(right + V(0, radius), left + V(0, radius)), true);
    contour->addChild(cfMakeHandle<ccEllipseArc2>(ccEllipse2(left, V(radius, radius)),
                                                  ccRadian(ccPi / 2), ccRadian(ccPi)),
                      true);
    return ccShapeModelProps(true, 1.0).assign(*contour);
}

ccPtrHandle<ccShape> plateWithHole() {
    ccRegionTree plate(ccRect(V(40, 40), V(400, 300)), false);
    plate.addChild(cfMakeHandle<ccCircle>(V(140, 140), 40), true);
    return ccShapeModelProps(false, 2.0).assign(plate);
}
}  // namespace

int main() {
    auto model = cfMakeHandle<ccGeneralShapeTree>();
    model->addChild(plateWithHole(), true);
    model->addChild(slot(V(240, 240), 120, 25), true);
    model->addChild(ccShapeModelProps(false, 1.0, true)
                        .assign(ccEllipseArc2(ccEllipse2(V(540, 120), V(60, 60)), ccRadian(0.0),
                                              ccRadian(ccPi))),
                    true);
    model->addChild(ccShapeModelProps(false, -1.0).assign(ccRect(V(480, 300), V(120, 120))), true);
    const cc2XformLinear turn(ccXform<2>::rigid(ccRadian(ccPi / 6), V(560, 220)));
    model->addChild(cfMakeHandle<ccMappedShape>(segment(V(-30, 0), V(30, 0)), turn, true), true);

    const ccGraphicProps positive(ccColor::cyanColor(), 2, ccGraphicProps::eSolid, true);
    const ccGraphicProps negative(ccColor::magentaColor(), 2, ccGraphicProps::eDash, true);
    const ccGraphicProps zero(ccColor::yellowColor(), 1, ccGraphicProps::eDot, true);

    ccDiagObject diag;
    ccShapeModel::record(diag, ccPelBuffer_const<unsigned char>(640, 480), *model, positive,
                         negative, zero, L"model");
    diag.writeHtml("report.html", L"Shape model inspection");

    ccGraphicList drawing;
    ccShapeModel::draw(drawing, *model, positive, negative, zero);
    drawing.writeSvg("drawing.svg");
    std::cout << diag.numRecords() << " records in report.html, " << drawing.size()
              << " graphics in drawing.svg\n";
    return 0;
}
