// Model files (JSON) and archives, and DXF drawings imported as models: the
// command-line tool's readers and writers, so that a file means the same to
// Python as to `shapemod`.
#include <sstream>

#include "bind.h"
#include "shapemod/dxfimport.h"
#include "shapemod/files.h"
#include "shapemod/modelio.h"

namespace vxpy {

namespace {

using shapemod::ModelFile;

ModelFile modelFileOf(const py::object& shape, const py::object& params) {
    return ModelFile{toShape(shape, "shape").handle, params.is_none()
                                                         ? ccShapeModel::ccFeatureParams()
                                                         : toFeatureParams(params, "params")};
}

void bindModelFile(py::module_& m) {
    py::class_<ModelFile>(m, "ModelFile",
                          "A model as files hold it: a shape tree and the FeatureParams to "
                          "featurize it with.")
        .def(py::init(&modelFileOf), py::arg("shape"), py::arg("params") = py::none(),
             "ModelFile(shape, params=None (FeatureParams()))")
        .def_property_readonly(
            "shape", [](const ModelFile& f) { return wrapShape(f.shape); }, "The shape tree.")
        .def_property_readonly(
            "params", [](const ModelFile& f) { return f.params; }, "The feature parameters.");
}

void bindModelIo(py::module_& m) {
    m.def(
        "parse_model",
        [](const py::object& text, const py::object& name) {
            const std::string json = toText(text, "text");
            const std::string source = toText(name, "name");
            py::gil_scoped_release unlocked;
            return shapemod::parseModel(json, source);
        },
        py::arg("text"), py::arg("name") = "<string>",
        "The model described by JSON `text`; a fault raises FileError \"<name>: <JSON pointer>: "
        "<what was expected>\".");
    m.def(
        "load_model",
        [](const py::object& path) {
            const std::string file = toText(path, "path");
            py::gil_scoped_release unlocked;
            return shapemod::loadModel(file);
        },
        py::arg("path"), "The model in the file at `path`, a JSON model file or an archive.");
    m.def(
        "write_model",
        [](const py::object& model) {
            if (!py::isinstance<ModelFile>(model)) wrongType(model, "model", "a vxshmd.ModelFile");
            return shapemod::writeModel(model.cast<const ModelFile&>());
        },
        py::arg("model"),
        "The JSON text of `model` (every field written, ending in a newline); a non-finite "
        "number raises FileError naming the node.");
    m.def(
        "save_model",
        [](const py::object& path, const py::object& model) {
            const std::string file = toText(path, "path");
            if (!py::isinstance<ModelFile>(model)) wrongType(model, "model", "a vxshmd.ModelFile");
            const ModelFile& f = model.cast<const ModelFile&>();
            py::gil_scoped_release unlocked;
            shapemod::writeFileAtomically(file, shapemod::encodeModelFor(file, f));
        },
        py::arg("path"), py::arg("model"),
        "Writes `model` to `path`, an archive for a name ending in .arc, else JSON; the file "
        "is written whole or not at all.");
    m.def(
        "archive",
        [](const py::object& shape, const py::object& params) {
            const ModelFile f = modelFileOf(shape, params);
            std::string bytes;
            {
                py::gil_scoped_release unlocked;
                bytes = shapemod::archiveModel(f);
            }
            return py::bytes(bytes);
        },
        py::arg("shape"), py::arg("params") = py::none(),
        "The archive bytes of `shape` (shared nodes stored once) and its FeatureParams.");
    m.def(
        "unarchive",
        [](const py::bytes& data, const py::object& name) {
            const std::string bytes = data;
            const std::string source = toText(name, "name");
            py::gil_scoped_release unlocked;
            return shapemod::unarchiveModel(bytes, source);
        },
        py::arg("data"), py::arg("name") = "<bytes>",
        "The ModelFile archive bytes hold; faults raise FileError naming `name`.");
}

struct PyDxfImport {
    shapemod::DxfImport result;
};

std::map<std::string, ccShapeModelProps> layerPropsOf(py::handle value) {
    std::map<std::string, ccShapeModelProps> props;
    if (value.is_none()) return props;
    if (!py::isinstance<py::dict>(value))
        wrongType(value, "layer_props", "a dict of layer name to Props");
    for (auto item : py::reinterpret_borrow<py::dict>(value))
        props[toText(item.first, "layer_props")] = toProps(item.second, "layer_props");
    return props;
}

void bindDxf(py::module_& m) {
    py::class_<PyDxfImport>(m, "DxfImport", "A DXF drawing imported as a shape tree.")
        .def_property_readonly(
            "shape", [](const PyDxfImport& d) { return wrapShape(d.result.shape); },
            "A GeneralShapeTree; child i is the subtree of layers[i].")
        .def_property_readonly(
            "layers",
            [](const PyDxfImport& d) {
                py::list layers;
                for (const auto& layer : d.result.layers) layers.append(layer);
                return layers;
            },
            "The layers that received a piece, in the drawing's order.")
        .def_property_readonly(
            "tallies",
            [](const PyDxfImport& d) {
                py::list tallies;
                for (const auto& t : d.result.tallies)
                    tallies.append(py::make_tuple(t.kind, t.layer, t.reason, t.count));
                return tallies;
            },
            "(kind, layer, reason, count) per kind and layer: imported when reason is empty, "
            "else left out for that reason.")
        .def_property_readonly(
            "summary",
            [](const PyDxfImport& d) {
                std::ostringstream text;
                shapemod::printDxfSummary(d.result, text);
                return text.str();
            },
            "What was imported and what was not, as `shapemod import` prints it.");
    m.def(
        "import_dxf",
        [](const py::object& path, const py::object& connectDistance, const py::object& layerProps,
           const py::object& regions) {
            const std::string file = toText(path, "path");
            shapemod::DxfImportOptions options;
            options.connectDistance = toNumber(connectDistance, "connect_distance");
            options.layerProps = layerPropsOf(layerProps);
            options.regions = toFlag(regions, "regions");
            py::gil_scoped_release unlocked;
            return PyDxfImport{shapemod::importDxfFile(file, options)};
        },
        py::arg("path"), py::arg("connect_distance") = shapemod::kDefaultConnectDistance,
        py::arg("layer_props") = py::none(), py::arg("regions") = false,
        "Imports the DXF drawing at `path`: one subtree per layer, pieces closer than "
        "`connect_distance` joined into contours, layers named in `layer_props` made models "
        "of those Props. With `regions`, each layer's closed contours are nested by "
        "containment into region trees (outlines solid, the contours inside them holes), "
        "open ones kept beside them; a drawing without a closed contour is refused. Raises "
        "FileError for a file that cannot be read or parsed, UsageError "
        "for an unknown layer or a bad distance.");
}

}  // namespace

void bindFiles(py::module_& m) {
    bindModelFile(m);
    bindModelIo(m);
    bindDxf(m);
}

}  // namespace vxpy
