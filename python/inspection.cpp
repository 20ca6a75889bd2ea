// What a person looks at to check a model: its drawing as SVG, its
// description as text, and its diagnostic report as HTML, in the tool's
// colours.
#include <variant>

#include "bind.h"
#include "shapemod/inspection.h"
#include "vxdiagc12u/png.h"

namespace vxpy {

void bindInspection(py::module_& m) {
    m.def(
        "draw",
        [](const py::object& shape) {
            const ccShape& s = shapeOf(toShape(shape, "shape"));
            py::gil_scoped_release unlocked;
            return shapemod::drawingSvg(s);
        },
        py::arg("shape"),
        "A standalone SVG document of `shape` with its polarity glyphs, in image coordinates: "
        "solid where edges count, dashed where they must not match, dotted at weight 0.");
    m.def(
        "describe",
        [](const py::object& shape) {
            const ccShape& s = shapeOf(toShape(shape, "shape"));
            py::gil_scoped_release unlocked;
            return shapemod::describeText(s);
        },
        py::arg("shape"),
        "Every node's type, parameters and properties, in pre-order, indented by depth.");
    m.def(
        "record",
        [](const py::object& shape, const py::object& title, const py::object& image) {
            const ccShape& s = shapeOf(toShape(shape, "shape"));
            const std::string heading = toText(title, "title");
            if (image.is_none()) {
                py::gil_scoped_release unlocked;
                return shapemod::reportHtml(s, heading);
            }
            const ccImage pels = toImage(image, "image");
            py::gil_scoped_release unlocked;
            const std::string png = std::visit([](const auto& i) { return cfEncodePng(i); }, pels);
            return shapemod::reportHtmlOver(s, heading, png, "image");
        },
        py::arg("shape"), py::arg("title") = "", py::arg("image") = py::none(),
        "A self-contained HTML report with one section per node (description, drawing, "
        "structure diagram), drawn over `image` (a uint8 or uint16 array) when given.");
}

}  // namespace vxpy
