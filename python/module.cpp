// The module vxshmd: the shape-model library for Python, numpy in and out.
#include "bind.h"

PYBIND11_MODULE(vxshmd, m) {
    namespace py = pybind11;
    PYBIND11_NUMPY_DTYPE(vxpy::FeatureletRow, x, y, angle, weight, magnitude, mod180);
    m.doc() =
        "Shape models for pattern finding: shapes with model properties, their featurelets as "
        "numpy arrays, model files and DXF import, drawings and reports, images, edges and "
        "finding. Angles are radians from +x towards +y; images are H x W uint8 or uint16.";
    m.attr("FEATURELET_DTYPE") = py::dtype::of<vxpy::FeatureletRow>();
    vxpy::bindErrors(m);
    vxpy::bindTransforms(m);
    vxpy::bindShapeBase(m);
    vxpy::bindShapes(m);
    vxpy::bindTrees(m);
    vxpy::bindProperties(m);
    vxpy::bindFeatures(m);
    vxpy::bindFiles(m);
    vxpy::bindInspection(m);
    vxpy::bindImages(m);
}
