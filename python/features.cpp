// Featurelets as numpy arrays: feature parameters, features and complex
// features of a shape, sampling with polarity, and models built back from
// featurelet chains. Arrays are filled straight from the chain set, without a
// Python object per featurelet and without the GIL.
#include <algorithm>
#include <cstring>
#include <string>

#include "bind.h"
#include "vxstd12u/str.h"

namespace vxpy {

namespace {

long pointLimit(py::handle value, const char* name) {
    return value.is_none() ? ccNoPointLimit : toInteger(value, name);
}

py::object limitOrNone(long maxPoints) {
    return maxPoints == ccNoPointLimit ? py::object(py::none()) : py::object(py::int_(maxPoints));
}

using Params = ccShapeModel::ccFeatureParams;

// The sampling options the keyword arguments name, over `sampling`.
struct SamplingArgs {
    py::object spacing, maxPoints, uniform, duplicateCorners, computeTangents, startOffset;

    ccShape::ccSampleParams over(ccShape::ccSampleParams sampling) const {
        if (!spacing.is_none()) sampling.spacing(toNumber(spacing, "spacing"));
        if (!maxPoints.is_none()) sampling.maxPoints(toInteger(maxPoints, "max_points"));
        if (!uniform.is_none()) sampling.uniformMode(toFlag(uniform, "uniform"));
        if (!duplicateCorners.is_none())
            sampling.duplicateCorners(toFlag(duplicateCorners, "duplicate_corners"));
        if (!computeTangents.is_none())
            sampling.computeTangents(toFlag(computeTangents, "compute_tangents"));
        if (!startOffset.is_none()) sampling.startOffset(toNumber(startOffset, "start_offset"));
        return sampling;
    }
    bool anyGiven() const {
        return !spacing.is_none() || !maxPoints.is_none() || !uniform.is_none() ||
               !duplicateCorners.is_none() || !computeTangents.is_none() || !startOffset.is_none();
    }
};

std::string paramsRepr(const Params& p) {
    const auto& s = p.sampleParams();
    const auto number = [](double v) { return py::repr(py::float_(v)).cast<std::string>(); };
    const auto flag = [](bool v) { return std::string(v ? "True" : "False"); };
    return "vxshmd.FeatureParams(spacing=" + number(s.spacing()) +
           ", max_points=" + py::repr(limitOrNone(s.maxPoints())).cast<std::string>() +
           ", uniform=" + flag(s.uniformMode()) +
           ", duplicate_corners=" + flag(s.duplicateCorners()) +
           ", compute_tangents=" + flag(s.computeTangents()) +
           ", start_offset=" + number(s.startOffset()) + ", mag_scale=" + number(p.magScale()) +
           ", weight_scale=" + number(p.weightScale()) + ")";
}

void bindFeatureParams(py::module_& m) {
    py::class_<Params>(m, "FeatureParams",
                       "Parameters of feature generation (ccShapeModel::ccFeatureParams), with the "
                       "C++ defaults: spacing 1, no point limit, tangents, duplicated corners, not "
                       "uniform, scales 1.")
        .def(py::init([](const py::object& spacing, const py::object& maxPoints,
                         const py::object& uniform, const py::object& duplicateCorners,
                         const py::object& computeTangents, const py::object& startOffset,
                         const py::object& magScale, const py::object& weightScale) {
                 const SamplingArgs args{spacing,          maxPoints,       uniform,
                                         duplicateCorners, computeTangents, startOffset};
                 return Params(args.over(Params::defaultSampleParams()),
                               toNumber(magScale, "mag_scale"),
                               toNumber(weightScale, "weight_scale"));
             }),
             py::arg("spacing") = 1.0, py::arg("max_points") = py::none(),
             py::arg("uniform") = false, py::arg("duplicate_corners") = true,
             py::arg("compute_tangents") = true, py::arg("start_offset") = 0.0,
             py::arg("mag_scale") = 1.0, py::arg("weight_scale") = 1.0,
             "A negative mag_scale raises BadParams.")
        .def_property_readonly(
            "spacing", [](const Params& p) { return p.sampleParams().spacing(); },
            "Arc length between samples.")
        .def_property_readonly(
            "max_points", [](const Params& p) { return limitOrNone(p.sampleParams().maxPoints()); },
            "The most samples per shape, or None for no limit.")
        .def_property_readonly(
            "uniform", [](const Params& p) { return p.sampleParams().uniformMode(); },
            "Whether the point budget is spread evenly (uniform mode).")
        .def_property_readonly(
            "duplicate_corners",
            [](const Params& p) { return p.sampleParams().duplicateCorners(); },
            "Whether a contour's joints keep both pieces' featurelets.")
        .def_property_readonly(
            "compute_tangents", [](const Params& p) { return p.sampleParams().computeTangents(); },
            "Whether tangents are computed.")
        .def_property_readonly(
            "start_offset", [](const Params& p) { return p.sampleParams().startOffset(); },
            "Arc length before the first sample.")
        .def_property_readonly(
            "mag_scale", [](const Params& p) { return p.magScale(); }, "Scale of every magnitude.")
        .def_property_readonly(
            "weight_scale", [](const Params& p) { return p.weightScale(); },
            "Scale of every weight.")
        .def(
            "__eq__",
            [](const Params& a, py::handle b) {
                return py::isinstance<Params>(b) && a == b.cast<Params>();
            },
            py::arg("other"))
        .def("__repr__", &paramsRepr)
        .attr("__hash__") = py::none();
}

// Whether a featurelet's bytes read as a FeatureletRow (the same fields at
// the same offsets): then the chain set's own storage is the array.
bool featureletIsRow() {
    static const bool same = [] {
        if (sizeof(ccFeaturelet) != sizeof(FeatureletRow)) return false;
        const ccFeaturelet f(ccVector<2>(1.0, 2.0), ccRadian(3.0), 5.0, 4.0, true);
        FeatureletRow row{};
        std::memcpy(static_cast<void*>(&row), static_cast<const void*>(&f), sizeof row);
        return row.x == 1.0 && row.y == 2.0 && row.angle == 3.0 && row.weight == 4.0 &&
               row.magnitude == 5.0 && row.mod180;
    }();
    return same;
}

// Whether the chains lie one after the other in storage order.
bool chainsInOrder(const ccFeatureletChainSet& set) {
    long next = 0;
    for (long c = 0; c < set.numChains(); ++c) {
        if (set.startFeatureIndex(c) != next) return false;
        next += set.chainLength(c);
    }
    return next == set.numFeaturelets();
}

// The chain set's storage as the array, kept alive by the array.
py::array sharedRows(const ccPtrHandle<ccFeatureletChainSet>& set) {
    auto* owner = new ccPtrHandle<ccFeatureletChainSet>(set);
    const py::capsule base(
        owner, [](void* held) { delete static_cast<ccPtrHandle<ccFeatureletChainSet>*>(held); });
    auto* rows =
        reinterpret_cast<FeatureletRow*>(const_cast<ccFeaturelet*>(set->featurelets().data()));
    return py::array_t<FeatureletRow>(static_cast<py::ssize_t>(set->numFeaturelets()), rows, base);
}

// The featurelets copied into a new array, chain after chain.
py::array copiedRows(const ccFeatureletChainSet& set) {
    py::array_t<FeatureletRow> rows(set.numFeaturelets());
    FeatureletRow* row = rows.mutable_data();
    py::gil_scoped_release unlocked;
    // The rows' padding is zeroed, so that equal featurelets give equal bytes.
    std::memset(static_cast<void*>(row), 0, sizeof(FeatureletRow) * set.featurelets().size());
    const ccFeaturelet* all = set.featurelets().data();
    for (long c = 0; c < set.numChains(); ++c) {
        const ccFeaturelet* f = all + set.startFeatureIndex(c);
        for (const ccFeaturelet* end = f + set.chainLength(c); f != end; ++f, ++row) {
            row->x = f->position.x();
            row->y = f->position.y();
            row->angle = f->angle.toDouble();
            row->weight = f->weight;
            row->magnitude = f->magnitude();
            row->mod180 = f->isMod180();
        }
    }
    return std::move(rows);
}

PyFeaturelets arraysOf(const ccPtrHandle<ccFeatureletChainSet>& set) {
    const long numChains = set->numChains();
    py::array_t<long long> offsets(numChains + 1);
    py::array_t<bool> closed(numChains);
    long long* offset = offsets.mutable_data();
    bool* isClosed = closed.mutable_data();
    long long next = 0;
    for (long c = 0; c < numChains; ++c) {
        offset[c] = next;
        isClosed[c] = set->isClosed(c);
        next += set->chainLength(c);
    }
    offset[numChains] = next;
    const bool shared = featureletIsRow() && chainsInOrder(*set) && set->numFeaturelets() > 0;
    return PyFeaturelets{shared ? sharedRows(set) : copiedRows(*set), offsets, closed};
}

Params paramsFor(const py::object& params, const SamplingArgs& args, const py::object& magScale,
                 const py::object& weightScale) {
    if (!params.is_none()) {
        if (args.anyGiven() || !magScale.is_none() || !weightScale.is_none())
            throw py::type_error("give either params or the keyword options, not both");
        return toFeatureParams(params, "params");
    }
    // The keywords' own defaults: merged corners, unlike FeatureParams().
    ccShape::ccSampleParams sampling = Params::defaultSampleParams();
    sampling.duplicateCorners(false);
    sampling = args.over(sampling);
    return Params(sampling, magScale.is_none() ? 1.0 : toNumber(magScale, "mag_scale"),
                  weightScale.is_none() ? 1.0 : toNumber(weightScale, "weight_scale"));
}

ccPtrHandle<ccFeatureletChainSet> featuresOf(const ccShape& shape, const Params& params) {
    py::gil_scoped_release unlocked;
    return ccShapeModel::features(shape, params);
}

void bindFeatureletsClass(py::module_& m) {
    py::class_<PyFeaturelets>(
        m, "Featurelets",
        "Featurelet chains as numpy arrays. `featurelets` is a structured array of "
        "FEATURELET_DTYPE (x, y, angle, weight, magnitude: float64; mod180: bool); chain c is "
        "rows offsets[c] to offsets[c + 1] (int64, one more than chains); closed[c] (bool) says "
        "whether it is closed. Angles are the expected gradient direction, radians.")
        .def(py::init([](const py::array& featurelets, const py::array& offsets,
                         const py::array& closed) {
                 PyFeaturelets chains{featurelets, offsets, closed};
                 checkFeaturelets(chains);
                 return chains;
             }),
             py::arg("featurelets"), py::arg("offsets"), py::arg("closed"),
             "Arrays that do not agree raise FeatureletBadParams.")
        .def_readonly("featurelets", &PyFeaturelets::featurelets,
                      "The featurelets, chain after chain.")
        .def_readonly("offsets", &PyFeaturelets::offsets, "Where each chain starts, and the end.")
        .def_readonly("closed", &PyFeaturelets::closed, "Whether each chain is closed.")
        .def_property_readonly(
            "num_chains", [](const PyFeaturelets& f) { return f.closed.size(); },
            "The number of chains.")
        .def(
            "__len__", [](const PyFeaturelets& f) { return f.featurelets.size(); },
            "The number of featurelets.")
        .def(
            "chain",
            [](const PyFeaturelets& f, const py::object& index) {
                const long c = toInteger(index, "index");
                if (c < 0 || c >= f.closed.size())
                    throw ccFeatureletDefs::BadParams(cfWiden(
                        "chain " + std::to_string(c) + " of " + std::to_string(f.closed.size())));
                const auto o = py::array_t<long long>::ensure(f.offsets);
                return f.featurelets[py::slice(o.at(c), o.at(c + 1), 1)];
            },
            py::arg("index"), "The rows of chain `index` (a view).")
        .def("__repr__", [](const PyFeaturelets& f) {
            return "<vxshmd.Featurelets " + std::to_string(f.featurelets.size()) + " in " +
                   std::to_string(f.closed.size()) + " chains>";
        });
}

void bindFeatureFunctions(py::module_& m) {
    m.def(
        "features",
        [](const py::object& shape, const py::object& spacing, const py::object& uniform,
           const py::object& maxPoints, const py::object& duplicateCorners,
           const py::object& computeTangents, const py::object& startOffset,
           const py::object& magScale, const py::object& weightScale, const py::object& params) {
            const ccShape& s = shapeOf(toShape(shape, "shape"));
            const Params p = paramsFor(
                params,
                {spacing, maxPoints, uniform, duplicateCorners, computeTangents, startOffset},
                magScale, weightScale);
            return featureletsObject(featuresOf(s, p));
        },
        py::arg("shape"), py::arg("spacing") = py::none(), py::arg("uniform") = py::none(),
        py::arg("max_points") = py::none(), py::arg("duplicate_corners") = py::none(),
        py::arg("compute_tangents") = py::none(), py::arg("start_offset") = py::none(),
        py::arg("mag_scale") = py::none(), py::arg("weight_scale") = py::none(),
        py::arg("params") = py::none(),
        "The featurelets of `shape` (ccShapeModel::features) as Featurelets. Keywords, with "
        "their defaults: spacing=1.0, uniform=False, max_points=None (no limit), "
        "duplicate_corners=False (a contour's joints merged into one featurelet), "
        "compute_tangents=True, start_offset=0.0, mag_scale=1.0, weight_scale=1.0. Or "
        "params=FeatureParams (a model file's, say) instead of the keywords. The GIL is "
        "released while the library works.");
    m.def(
        "_features_count",
        [](const py::object& shape, const py::object& params) {
            return featuresOf(shapeOf(toShape(shape, "shape")), toFeatureParams(params, "params"))
                ->numFeaturelets();
        },
        py::arg("shape"), py::arg("params"),
        "The number of featurelets ccShapeModel::features gives, without arrays: the "
        "benchmark's baseline for what features() adds.");
    m.def(
        "complex_features",
        [](const py::object& shape, const py::object& minSpacing, const py::object& maxSpacing,
           const py::object& numPoints, const py::object& maxNumPoints) {
            const ccShape& s = shapeOf(toShape(shape, "shape"));
            const double low = toNumber(minSpacing, "min_spacing");
            const double high = toNumber(maxSpacing, "max_spacing");
            const long target = toInteger(numPoints, "num_points");
            const long most = pointLimit(maxNumPoints, "max_num_points");
            ccPtrHandle<ccFeatureletChainSet> chains;
            {
                py::gil_scoped_release unlocked;
                chains = cfComplexFeatures(s, low, high, target, most, 0.0);
            }
            return featureletsObject(chains);
        },
        py::arg("shape"), py::arg("min_spacing"), py::arg("max_spacing"), py::arg("num_points") = 0,
        py::arg("max_num_points") = py::none(),
        "Featurelets of a many-part shape under a spacing range and a shared budget "
        "(cfComplexFeatures): each part sampled uniformly between the spacings aiming at "
        "`num_points` in all (0: the largest spacing), at most `max_num_points` (None: no "
        "limit); weights scaled by the length each featurelet stands for over max_spacing.");
    m.def(
        "sample",
        [](const py::object& shape, const py::object& spacing, const py::object& maxPoints,
           const py::object& startOffset, const py::object& duplicateCorners,
           const py::object& uniform, const py::object& polarity) {
            const ccShape& s = shapeOf(toShape(shape, "shape"));
            const SamplingArgs args{spacing,          maxPoints,  uniform,
                                    duplicateCorners, py::none(), startOffset};
            const ccShape::ccSampleParams sampling = args.over(Params::defaultSampleParams());
            const bool withPolarity = toFlag(polarity, "polarity");
            ccShape::ccSampleResult result;
            {
                py::gil_scoped_release unlocked;
                if (withPolarity)
                    ccShapeModel::sampleWithPolarity(s, sampling, result);
                else
                    s.sample(sampling, result);
            }
            const auto n = static_cast<py::ssize_t>(result.positions().size());
            py::array_t<double> positions({n, py::ssize_t{2}});
            py::array_t<double> tangents(n);
            py::array_t<long long> offsets(result.numChains() + 1);
            py::array_t<bool> closed(result.numChains());
            for (py::ssize_t i = 0; i < n; ++i) {
                positions.mutable_at(i, 0) = result.positions()[i].x();
                positions.mutable_at(i, 1) = result.positions()[i].y();
                tangents.mutable_at(i) = i < static_cast<py::ssize_t>(result.tangents().size())
                                             ? result.tangents()[i].toDouble()
                                             : 0.0;
            }
            for (long c = 0; c < result.numChains(); ++c) {
                offsets.mutable_at(c) = result.breaks()[c];
                closed.mutable_at(c) = result.closedFlags()[c];
            }
            offsets.mutable_at(result.numChains()) = n;
            return py::make_tuple(positions, tangents, offsets, closed);
        },
        py::arg("shape"), py::arg("spacing") = 1.0, py::arg("max_points") = py::none(),
        py::arg("start_offset") = 0.0, py::arg("duplicate_corners") = true,
        py::arg("uniform") = false, py::arg("polarity") = true,
        "Samples of `shape`: (positions N x 2, tangents N (radians), offsets, closed). With "
        "polarity (ccShapeModel::sampleWithPolarity) each tangent is turned by pi where the "
        "polarity in force is reversed; without, the shape's own sample.");
}

void bindModelsFromChains(py::module_& m) {
    m.def(
        "polyline_model",
        [](const py::object& featurelets, const py::object& chain) {
            const ccFeatureletChainSet set = toChainSet(featurelets, "featurelets");
            return wrapShape(cfPolylineShapeModel(set, toInteger(chain, "chain")));
        },
        py::arg("featurelets"), py::arg("chain"),
        "A Polyline model of one chain: a vertex per featurelet, the chain's mean weight and "
        "magnitude, polarity from the side its gradients point to.");
    m.def(
        "region_tree_model",
        [](const py::object& featurelets) {
            const ccFeatureletChainSet set = toChainSet(featurelets, "featurelets");
            return wrapShape(cfRegionTreeModel(set));
        },
        py::arg("featurelets"),
        "A RegionTree model of the polyline models of all chains, placed by containment; an "
        "open chain raises NotRegion.");
    m.def(
        "general_tree_model",
        [](const py::object& featurelets) {
            const ccFeatureletChainSet set = toChainSet(featurelets, "featurelets");
            return wrapShape(cfGeneralShapeTreeModel(set));
        },
        py::arg("featurelets"), "A GeneralShapeTree model of the polyline models of all chains.");
}

}  // namespace

py::object featureletsObject(const ccPtrHandle<ccFeatureletChainSet>& set) {
    return py::cast(arraysOf(set));
}

void bindFeatures(py::module_& m) {
    bindFeatureParams(m);
    bindFeatureletsClass(m);
    bindFeatureFunctions(m);
    bindModelsFromChains(m);
}

}  // namespace vxpy
