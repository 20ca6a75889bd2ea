// Writes the archive fuzzer's seed corpus: one small valid archive per file,
// covering every archived shape and transform, shared children and models.
//
//   make_archive_corpus <directory>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "ch_core/shapemod.h"
#include "vxstd12u/archive.h"

namespace {

using Shape = ccPtrHandle_const<ccShape>;
using V = ccVector<2>;

std::vector<Shape> seeds() {
    const ccEllipse2 ellipse(V(1, 2), V(3, 1.5), ccRadian(0.3), false, ccRadian(0.7));
    const ccGenRect rect(V(1, 1), V(4, 2), ccRadian(0.2), ccRadian(0.1), V(0.3, 0.5));
    const std::vector<V> points{{0, 0}, {4, 0}, {4, 3}, {0, 3}};
    const Shape square = cfMakeHandle<ccPolyline>(points, true);
    auto region = cfMakeHandle<ccRegionTree>(*square, false);
    region->addChild(cfMakeHandle<ccCircle>(V(2, 1.5), 1.0), false);
    auto contour = cfMakeHandle<ccContourTree>(true);
    contour->addChild(cfMakeHandle<ccLineSeg>(V(0, 0), V(4, 0)), false);
    contour->addChild(cfMakeHandle<ccLineSeg>(V(4, 0), V(0, 0)), false);
    auto shared = cfMakeHandle<ccGeneralShapeTree>();
    shared->addChild(square, false);
    shared->addChild(square, false);
    const double h[9] = {1, 0.2, 3, -0.1, 0.9, 1, 0.01, 0.02, 1};
    const ccShapeModelProps props(true, 0.5);
    return {
        cfMakeHandle<cc2Point>(V(1, 2)),
        cfMakeHandle<ccLine>(V(1, 2), ccRadian(0.4)),
        cfMakeHandle<ccFLine>(ccRadian(1.0), 2.0),
        cfMakeHandle<ccLineSeg>(V(0, 0), V(3, 4)),
        cfMakeHandle<ccRect>(V(0, 0), V(2, 3)),
        square,
        cfMakeHandle<ccCircle>(V(1, 1), 2.0),
        cfMakeHandle<ccEllipse2>(ellipse),
        cfMakeHandle<ccEllipseArc2>(ellipse, ccRadian(0.5), ccRadian(-2.0)),
        cfMakeHandle<ccAnnulus>(V(1, 1), 3.0, 1.0),
        cfMakeHandle<ccEllipseAnnulus>(ellipse, V(1.0, 0.5)),
        cfMakeHandle<ccEllipseAnnulusSection>(),
        cfMakeHandle<ccGenRect>(rect),
        cfMakeHandle<ccGenAnnulus>(rect, V(2, 1)),
        cfMakeHandle<ccAffineRectangle>(V(3, 4), V(2, 5), ccRadian(1.0)),
        cfMakeHandle<ccBezierCurve>(V(0, 0), V(1, 2), V(3, 2), V(4, 0)),
        cfMakeHandle<ccDeBoorSpline>(points, true),
        cfMakeHandle<ccInterpSpline>(points, false),
        cfMakeHandle<ccHermiteSpline>(std::vector<V>{{0, 0}, {2, 1}},
                                      std::vector<V>{{1, 1}, {1, -1}}, false),
        cfMakeHandle<ccGenPoly>(points, std::vector<double>{0, 0.5, 0, 0}, true),
        cfMakeHandle<cc2Wireframe>(points, std::vector<double>{0, 0, 0, 0}, true, true),
        region,
        contour,
        shared,
        cfMakeHandle<ccMappedShape>(region, cc2Rigid(ccDegree(30), V(1, 1)), true),
        cfMakeHandle<ccMappedShape>(contour, cc2XformPerspective(h), true),
        cfMakeHandle<ccMappedShape>(square,
                                    cc2XformLinear(ccXform<2>(ccMatrix<2>(2, 1, 0, 1), V())), true),
        props.assign(ccCircle(V(0, 0), 1.0)),
        props.assign(*region),
        props.assign(*contour),
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_archive_corpus <directory>\n";
        return 2;
    }
    int n = 0;
    for (Shape shape : seeds()) {
        std::vector<unsigned char> bytes;
        {
            ccArchive out(bytes, ccArchive::eStoring);
            out || shape;
        }
        const std::string path = std::string(argv[1]) + "/seed" + std::to_string(n++);
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            std::cerr << "cannot write " << path << "\n";
            return 1;
        }
    }
    return 0;
}
