// Images as numpy arrays (H x W, uint8 or uint16): reading and writing,
// rendering a model at a pose, subpixel edges and models built from them, and
// finding a model in an image.
#include <cmath>
#include <string>
#include <variant>

#include "bind.h"
#include "find/edges.h"
#include "find/finddefs.h"
#include "find/finder.h"
#include "find/render.h"
#include "vxstd12u/str.h"

namespace vxpy {

namespace {

template <class T>
py::array arrayOf(const ccPelBuffer_const<T>& image) {
    py::array_t<T> pels(
        {static_cast<py::ssize_t>(image.height()), static_cast<py::ssize_t>(image.width())});
    std::copy(image.pels().begin(), image.pels().end(), pels.mutable_data());
    return std::move(pels);
}

ccPose poseOf(py::handle value, const char* name) {
    const auto values = toNumbers(value, name);
    if (values.size() != 4) wrongType(value, name, "(x, y, angle, scale)");
    ccPose pose;
    pose.x = values[0];
    pose.y = values[1];
    pose.angle = ccRadian(values[2]);
    pose.scale = values[3];
    return pose;
}

ccFindPolarity polarityOf(py::handle value) {
    const std::string name = toText(value, "polarity");
    if (name == "as-is") return ccFindPolarity::eAsIs;
    if (name == "reversed") return ccFindPolarity::eReversed;
    if (name == "ignored") return ccFindPolarity::eIgnored;
    throw ccFindDefs::BadParams(
        cfWiden("polarity must be 'as-is', 'reversed' or 'ignored', not '" + name + "'"));
}

ccEdgeModelBuilder builderOf(py::handle value) {
    const std::string name = toText(value, "builder");
    if (name == "polyline") return ccEdgeModelBuilder::ePolyline;
    if (name == "region") return ccEdgeModelBuilder::eRegion;
    if (name == "general") return ccEdgeModelBuilder::eGeneral;
    throw ccFindDefs::BadParams(
        cfWiden("builder must be 'polyline', 'region' or 'general', not '" + name + "'"));
}

void bindImageIo(py::module_& m) {
    m.def(
        "read_image",
        [](const py::object& path) {
            const std::string file = toText(path, "path");
            ccImage image;
            {
                py::gil_scoped_release unlocked;
                image = cfReadImage(file);
            }
            return imageArray(image);
        },
        py::arg("path"),
        "The grey image in the file at `path` (PNG, JPEG, TIFF, BMP, PGM): uint8 or uint16, H x "
        "W; colour becomes grey.");
    m.def(
        "write_image",
        [](const py::object& path, const py::object& image) {
            const std::string file = toText(path, "path");
            const ccImage pels = toImage(image, "image");
            py::gil_scoped_release unlocked;
            cfWriteImage(file, pels);
        },
        py::arg("path"), py::arg("image"),
        "Writes `image` in the format the extension names, whole or not at all.");
}

void bindRender(py::module_& m) {
    m.def(
        "render",
        [](const py::object& shape, const py::object& width, const py::object& height,
           const py::object& pose, const py::object& dark, const py::object& light,
           const py::object& blur, const py::object& noise, const py::object& seed,
           const py::object& ramp, const py::object& occlusion, const py::object& depth) {
            const ccShape& s = shapeOf(toShape(shape, "shape"));
            ccRenderParams p;
            p.width = toInteger(width, "width");
            p.height = toInteger(height, "height");
            p.pose = poseOf(pose, "pose");
            p.dark = toNumber(dark, "dark");
            p.light = toNumber(light, "light");
            p.blurSigma = toNumber(blur, "blur");
            p.noiseSigma = toNumber(noise, "noise");
            p.seed = static_cast<unsigned>(toInteger(seed, "seed"));
            p.ramp = toNumber(ramp, "ramp");
            p.occlusion = toNumber(occlusion, "occlusion");
            p.depth = static_cast<int>(toInteger(depth, "depth"));
            ccImage image;
            {
                py::gil_scoped_release unlocked;
                image = cfRenderModel(s, p);
            }
            return imageArray(image);
        },
        py::arg("shape"), py::arg("width"), py::arg("height"),
        py::arg("pose") = py::make_tuple(0.0, 0.0, 0.0, 1.0), py::arg("dark") = 40.0,
        py::arg("light") = 200.0, py::arg("blur") = 0.0, py::arg("noise") = 0.0,
        py::arg("seed") = 0, py::arg("ramp") = 0.0, py::arg("occlusion") = 0.0,
        py::arg("depth") = 8,
        "`shape` rendered into a width x height image (uint8, or uint16 for depth 16) at pose "
        "(x, y, angle in radians, scale): every featurelet's gradient holds, closed parts "
        "filled by exact coverage; then ramp, occlusion, Gaussian blur and seeded noise. Bad "
        "values raise FindBadParams naming the field.");
}

void bindEdges(py::module_& m) {
    m.def(
        "edges",
        [](const py::object& image, const py::object& low, const py::object& high,
           const py::object& blur, const py::object& minLength) {
            const ccImage pels = toImage(image, "image");
            ccEdgeParams p;
            p.low = toNumber(low, "low");
            p.high = toNumber(high, "high");
            p.blurSigma = toNumber(blur, "blur");
            p.minLength = toInteger(minLength, "min_length");
            ccFeatureletChainSet chains;
            {
                py::gil_scoped_release unlocked;
                chains = cfEdges(pels, p);
            }
            return featureletsObject(cfMakeHandle<ccFeatureletChainSet>(std::move(chains)));
        },
        py::arg("image"), py::arg("low") = 10.0, py::arg("high") = 30.0, py::arg("blur") = 0.0,
        py::arg("min_length") = 5,
        "Subpixel edges of `image` as Featurelets: each at its edge point, angle the gradient "
        "from dark to light, magnitude the gradient's, weight 1; chains run with the gradient "
        "on their left. Hysteresis between `low` and `high` (grey levels per pixel).");
    m.def(
        "model_from_edges",
        [](const py::object& edges, const py::object& builder, const py::object& tolerance) {
            const ccFeatureletChainSet chains = toChainSet(edges, "edges");
            const ccEdgeModelBuilder kind = builderOf(builder);
            const double tol = toNumber(tolerance, "tolerance");
            ccPtrHandle<ccShape> model;
            {
                py::gil_scoped_release unlocked;
                model = cfModelFromEdges(chains, kind, tol);
            }
            return wrapShape(model);
        },
        py::arg("edges"), py::arg("builder") = "region", py::arg("tolerance") = 0.1,
        "A model of `edges` simplified to `tolerance`: 'polyline' (the longest chain), "
        "'region' (the closed chains by containment) or 'general' (every chain).");
}

struct PyMatch {
    double x, y, angle, scale, score, fitError;
};

void bindFind(py::module_& m) {
    py::class_<ccSearchModel>(m, "SearchModel",
                              "A shape model prepared for searching: its featurelets at every "
                              "level of an image pyramid. Immutable; share it between threads.")
        .def(py::init(
                 [](const py::object& shape, const py::object& params, const py::object& levels) {
                     const ccShape& s = shapeOf(toShape(shape, "shape"));
                     const auto p = params.is_none() ? ccShapeModel::ccFeatureParams()
                                                     : toFeatureParams(params, "params");
                     const long n = toInteger(levels, "levels");
                     py::gil_scoped_release unlocked;
                     return ccSearchModel(s, p, n);
                 }),
             py::arg("shape"), py::arg("params") = py::none(), py::arg("levels") = 0,
             "SearchModel(shape, params=None, levels=0 (chosen from the model's size)). A model "
             "with no featurelet of positive weight raises FindBadParams.")
        .def_property_readonly("num_levels", &ccSearchModel::numLevels, "Pyramid levels.")
        .def_property_readonly("radius", &ccSearchModel::radius,
                               "The largest distance of a featurelet from the model's origin.")
        .def(
            "num_featurelets",
            [](const ccSearchModel& s, const py::object& level) {
                return s.numFeaturelets(toInteger(level, "level"));
            },
            py::arg("level"), "Featurelets kept at `level`.");

    py::class_<PyMatch>(m, "Match", "A pose where the model was found.")
        .def_readonly("x", &PyMatch::x, "Where the model's origin lies, x (pixels).")
        .def_readonly("y", &PyMatch::y, "Where the model's origin lies, y (pixels).")
        .def_readonly("angle", &PyMatch::angle, "Rotation, radians from +x towards +y.")
        .def_readonly("scale", &PyMatch::scale, "Isotropic scale.")
        .def_readonly("score", &PyMatch::score, "Weighted mean cosine, 1 for a perfect match.")
        .def_readonly("fit_error", &PyMatch::fitError, "RMS distance of the fit, pixels.")
        .def("__repr__", [](const PyMatch& f) {
            return "vxshmd.Match(x=" + std::to_string(f.x) + ", y=" + std::to_string(f.y) +
                   ", angle=" + std::to_string(f.angle) + ", scale=" + std::to_string(f.scale) +
                   ", score=" + std::to_string(f.score) + ")";
        });

    m.def(
        "find",
        [](const py::object& model, const py::object& image, const py::object& angle,
           const py::object& scale, const py::object& minScore, const py::object& maxMatches,
           const py::object& maxOverlap, const py::object& contrast, const py::object& region,
           const py::object& polarity, const py::object& threads) {
            const ccSearchModel search = py::isinstance<ccSearchModel>(model)
                                             ? model.cast<ccSearchModel>()
                                             : ccSearchModel(shapeOf(toShape(model, "model")));
            const ccImage pels = toImage(image, "image");
            ccFindParams p;
            const auto angles = toNumbers(angle, "angle");
            const auto scales = toNumbers(scale, "scale");
            if (angles.size() != 2) wrongType(angle, "angle", "(min, max) in radians");
            if (scales.size() != 2) wrongType(scale, "scale", "(min, max)");
            p.angleMin = ccRadian(angles[0]);
            p.angleMax = ccRadian(angles[1]);
            p.scaleMin = scales[0];
            p.scaleMax = scales[1];
            p.minScore = toNumber(minScore, "min_score");
            p.maxMatches = toInteger(maxMatches, "max_matches");
            p.maxOverlap = toNumber(maxOverlap, "max_overlap");
            p.contrast = toNumber(contrast, "contrast");
            if (!region.is_none()) p.region = toShapeOf<ccRect>(region, "region", "a vxshmd.Rect");
            p.polarity = polarityOf(polarity);
            p.threads = static_cast<int>(toInteger(threads, "threads"));
            std::vector<ccFindMatch> found;
            {
                py::gil_scoped_release unlocked;
                found = cfFind(search, pels, p);
            }
            py::list matches;
            for (const ccFindMatch& f : found)
                matches.append(PyMatch{f.pose.x, f.pose.y, f.pose.angle.toDouble(), f.pose.scale,
                                       f.score, f.fitError});
            return matches;
        },
        py::arg("model"), py::arg("image"), py::arg("angle") = py::make_tuple(-M_PI, M_PI),
        py::arg("scale") = py::make_tuple(1.0, 1.0), py::arg("min_score") = 0.5,
        py::arg("max_matches") = 0, py::arg("max_overlap") = 0.5, py::arg("contrast") = 10.0,
        py::arg("region") = py::none(), py::arg("polarity") = "as-is", py::arg("threads") = 0,
        "Every match of `model` (a SearchModel, or a shape trained with default parameters) in "
        "`image` scoring at least min_score, best first: a list of Match. angle=(min, max) in "
        "radians, scale=(min, max); region (a Rect) bounds where the origin may lie; polarity "
        "'as-is', 'reversed' or 'ignored'; threads 0 for one per core (the result does not "
        "depend on it).");
}

}  // namespace

py::array imageArray(const ccImage& image) {
    return std::visit([](const auto& i) { return arrayOf(i); }, image);
}

void bindImages(py::module_& m) {
    bindImageIo(m);
    bindRender(m);
    bindEdges(m);
    bindFind(m);
}

}  // namespace vxpy
