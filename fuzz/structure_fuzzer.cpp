// Builds a random shape tree from the input bytes (every model type, plain
// shapes, contours, region trees, mapped shapes under linear and perspective
// maps, records holding NaN, infinite and negative values) and runs every
// operation of the module on it. Each call must either succeed or throw one of
// the library's errors; anything else (another exception, a crash, a
// sanitizer report, a hang) is a finding. Sizes are bounded so that one input
// runs in milliseconds.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "ch_core/shapemod.h"
#include "round_trip.h"
#include "shmd/inspect.h"
#include "vxdiagc12u/diag.h"
#include "vxdiagc12u/pelbuffer.h"
#include "vxdispc12u/graphiclist.h"

namespace {

using Shape = ccPtrHandle<ccShape>;
using ConstShape = ccPtrHandle_const<ccShape>;
using V = ccVector<2>;

// Few enough nodes and samples that every operation stays cheap.
constexpr int kMaxNodes = 24;
constexpr int kMaxDepth = 4;
constexpr int kMaxVertices = 8;
// Lengths under a non-linear map are integrals; a few mapped shapes reach
// every code path without making one input take seconds.
constexpr int kMaxMapped = 3;
constexpr long kMaxPoints = 2000;

// Runs `op`; the library's own errors are an accepted outcome.
template <class Op>
void attempt(Op op) {
    try {
        op();
    } catch (const ccException&) {
    }
}

class TreeMaker {
  public:
    explicit TreeMaker(FuzzedDataProvider& in) : in_(in) {}

    FuzzedDataProvider& in() { return in_; }

    // Mostly modest numbers, sometimes the values that break arithmetic.
    double number() {
        switch (in_.ConsumeIntegralInRange(0, 15)) {
            case 0:
                return std::numeric_limits<double>::quiet_NaN();
            case 1:
                return in_.ConsumeBool() ? HUGE_VAL : -HUGE_VAL;
            case 2:
                return in_.ConsumeBool() ? 0.0 : -0.0;
            case 3:
                return in_.ConsumeFloatingPointInRange(-1e12, 1e12);
            case 4:
                return in_.ConsumeFloatingPointInRange(-1e-9, 1e-9);
            default:
                return in_.ConsumeFloatingPointInRange(-50.0, 50.0);
        }
    }
    // A finite coordinate, so that shapes get built; the constructors' own
    // refusals of non-finite values are reached a sixteenth of the time.
    double coordinate() {
        return in_.ConsumeIntegralInRange(0, 15) == 0
                   ? number()
                   : in_.ConsumeFloatingPointInRange(-50.0, 50.0);
    }
    V point() { return V(coordinate(), coordinate()); }
    ccRadian angle() { return ccRadian(coordinate() / 8); }

    std::vector<V> points(std::size_t least) {
        std::vector<V> out(in_.ConsumeIntegralInRange<std::size_t>(least, kMaxVertices));
        for (auto& p : out) p = point();
        return out;
    }
    std::vector<double> radii(std::size_t n) {
        std::vector<double> out(n);
        for (auto& r : out) r = in_.ConsumeBool() ? 0.0 : coordinate();
        return out;
    }

    ccShapeModelProps props() {
        ccShapeModelProps p(in_.ConsumeBool(), number(), in_.ConsumeBool());
        attempt([&] { p.magnitude(number()); });
        return p;
    }

    // A shape of `depth` levels at most; a plain shape or a model of it.
    Shape shape(int depth) {
        if (++nodes_ > kMaxNodes || depth <= 0) return maybeModel(primitive());
        switch (in_.ConsumeIntegralInRange(0, 5)) {
            case 0:
                return maybeModel(general(depth));
            case 1:
                return maybeModel(contour(depth));
            case 2:
                return maybeModel(region(depth));
            case 3:
                if (++mapped_ <= kMaxMapped) return maybeModel(mapped(depth));
                return maybeModel(primitive());
            default:
                return maybeModel(primitive());
        }
    }

  private:
    Shape maybeModel(const Shape& s) {
        if (!in_.ConsumeBool()) return s;
        Shape model;
        attempt([&] { model = props().assign(*s); });
        return model ? model : s;
    }

    // One of the primitive types, or a stand-in when its values are refused.
    Shape primitive() {
        Shape s;
        attempt([&] { s = makePrimitive(); });
        return s ? s : cfMakeHandle<ccLineSeg>(V(0, 0), V(1, 0));
    }

    Shape makePrimitive() {
        switch (in_.ConsumeIntegralInRange(0, 20)) {
            case 0:
                return cfMakeHandle<cc2Point>(point());
            case 1:
                return cfMakeHandle<ccLine>(point(), angle());
            case 2:
                return cfMakeHandle<ccFLine>(angle(), coordinate());
            case 3:
                return cfMakeHandle<ccLineSeg>(point(), point());
            case 4:
                return cfMakeHandle<ccRect>(point(), point());
            case 5:
                return cfMakeHandle<ccPolyline>(points(0), in_.ConsumeBool());
            case 6:
                return cfMakeHandle<ccCircle>(point(), coordinate());
            case 7:
                return cfMakeHandle<ccEllipse2>(ellipse());
            case 8:
                return cfMakeHandle<ccEllipseArc2>(ellipse(), angle(), angle());
            case 9:
                return cfMakeHandle<ccAnnulus>(point(), coordinate(), coordinate(),
                                               in_.ConsumeBool());
            case 10:
                return cfMakeHandle<ccEllipseAnnulus>(ellipse(), point());
            case 11:
                return cfMakeHandle<ccEllipseAnnulusSection>(point(), point(), point(), angle(),
                                                             angle(), angle(), in_.ConsumeBool());
            case 12:
                return cfMakeHandle<ccGenRect>(genRect());
            case 13:
                return cfMakeHandle<ccGenAnnulus>(genRect(), point(), point());
            case 14:
                return cfMakeHandle<ccAffineRectangle>(point(), point(), angle(), angle(),
                                                       in_.ConsumeBool());
            case 15:
                return cfMakeHandle<ccBezierCurve>(point(), point(), point(), point());
            case 16:
                return cfMakeHandle<ccDeBoorSpline>(points(0), in_.ConsumeBool());
            case 17:
                return cfMakeHandle<ccInterpSpline>(points(0), in_.ConsumeBool());
            case 18: {
                const std::vector<V> p = points(0);
                std::vector<V> t(p.size());
                for (auto& v : t) v = point();
                return cfMakeHandle<ccHermiteSpline>(p, t, in_.ConsumeBool());
            }
            case 19: {
                const std::vector<V> p = points(0);
                return cfMakeHandle<ccGenPoly>(p, radii(p.size()), in_.ConsumeBool());
            }
            default: {
                const std::vector<V> p = points(0);
                return cfMakeHandle<cc2Wireframe>(p, radii(p.size()), in_.ConsumeBool(),
                                                  in_.ConsumeBool());
            }
        }
    }

    ccEllipse2 ellipse() {
        return ccEllipse2(point(), point(), angle(), in_.ConsumeBool(), angle());
    }
    ccGenRect genRect() {
        return ccGenRect(point(), point(), angle(), angle(), point(), in_.ConsumeBool());
    }

    Shape general(int depth) {
        auto tree = cfMakeHandle<ccGeneralShapeTree>();
        addChildren(*tree, depth);
        return tree;
    }

    // Mostly a chain of segments and arcs that meet, so that the joints are
    // exercised; sometimes arbitrary pieces.
    Shape contour(int depth) {
        auto tree = cfMakeHandle<ccContourTree>(in_.ConsumeBool());
        if (in_.ConsumeBool()) {
            addChildren(*tree, depth);
            return tree;
        }
        const std::vector<V> corners = points(1);
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const V& to = corners[(i + 1) % corners.size()];
            attempt(
                [&] { tree->addChild(maybeModel(cfMakeHandle<ccLineSeg>(corners[i], to)), true); });
        }
        return tree;
    }

    Shape region(int depth) {
        Shape boundary = primitive();
        ccPtrHandle<ccRegionTree> tree;
        attempt([&] { tree = cfMakeHandle<ccRegionTree>(*boundary, in_.ConsumeBool()); });
        if (!tree) tree = cfMakeHandle<ccRegionTree>();
        addChildren(*tree, depth);
        return tree;
    }

    // The inner shape itself when the map is refused.
    Shape mapped(int depth) {
        const Shape inner = shape(depth - 1);
        Shape image = inner;
        attempt([&] { image = makeMapped(inner); });
        return image;
    }

    Shape makeMapped(const Shape& inner) {
        if (in_.ConsumeBool()) {
            double h[9];
            for (double& v : h) v = in_.ConsumeBool() ? coordinate() / 10 : number();
            return cfMakeHandle<ccMappedShape>(inner, cc2XformPerspective(h), in_.ConsumeBool());
        }
        const ccXform<2> x(ccMatrix<2>(number(), number(), number(), number()), point());
        return cfMakeHandle<ccMappedShape>(inner, cc2XformLinear(x), in_.ConsumeBool());
    }

    // Children that the tree refuses are left out; a child may be added twice,
    // so that one object is shared within the tree.
    void addChildren(ccShapeTree& tree, int depth) {
        const int n = in_.ConsumeIntegralInRange(0, 4);
        Shape last;
        for (int i = 0; i < n; ++i) {
            Shape child = last && in_.ConsumeBool() ? last : shape(depth - 1);
            attempt([&] { tree.addChild(child, in_.ConsumeBool()); });
            last = child;
        }
    }

    FuzzedDataProvider& in_;
    int nodes_ = 0;
    int mapped_ = 0;
};

ccShape::ccSampleParams sampleParams(TreeMaker& make) {
    FuzzedDataProvider& in = make.in();
    ccShape::ccSampleParams p(make.number(), make.number(),
                              in.ConsumeIntegralInRange<long>(-1, kMaxPoints), in.ConsumeBool(),
                              in.ConsumeBool());
    p.uniformMode(in.ConsumeBool());
    return p;
}

void runFeatures(const ccShape& s, TreeMaker& make) {
    FuzzedDataProvider& in = make.in();
    // The info of a shape that cannot be measured (a degenerate map) is
    // refused; sampling then goes without one.
    ccShapeInfo info;
    ccShape::ccSampleParams sampling = sampleParams(make);
    sampling.perimPosRequested(in.ConsumeBool());
    if (in.ConsumeBool())
        attempt([&] {
            info = ccShapeInfo(s);
            sampling.perimPosShapeInfo(&info);
        });
    ccPtrHandle<ccFeatureletChainSet> chains;
    attempt([&] {
        const ccShapeModel::ccFeatureParams params(sampling, make.number(), make.number());
        std::vector<ccPerimPos> positions;
        const auto mode = static_cast<ConsistentPropsMode>(in.ConsumeIntegralInRange(0, 2));
        chains = cfFeatures(s, make.props(), params, mode, 0, positions);
    });
    attempt([&] { ccShapeModel::features(s, ccShapeModel::ccFeatureParams(sampling)); });
    attempt([&] {
        ccShape::ccSampleResult result;
        ccShapeModel::sampleWithPolarity(s, sampling, result);
    });
    attempt([&] {
        cfComplexFeatures(s, make.number(), make.number(),
                          in.ConsumeIntegralInRange<long>(-1, kMaxPoints),
                          in.ConsumeIntegralInRange<long>(-1, kMaxPoints), make.number());
    });
    if (!chains) return;
    attempt([&] { cfPolylineShapeModel(*chains, in.ConsumeIntegralInRange<long>(-1, 3)); });
    attempt([&] { cfRegionTreeModel(*chains); });
    attempt([&] { cfGeneralShapeTreeModel(*chains); });
}

// The operations that derive new shapes; each result is a shape in its own
// right, so the cheap queries run on it too.
void runDerivations(const Shape& s, TreeMaker& make) {
    FuzzedDataProvider& in = make.in();
    std::vector<ConstShape> derived;
    auto keep = [&](const ConstShape& r) {
        if (r) derived.push_back(r);
    };
    attempt([&] { keep(s->reverse()); });
    attempt([&] { keep(s->reversePreservingPolarity()); });
    attempt([&] { keep(s->decompose()); });
    attempt([&] {
        const ccXform<2> x(ccMatrix<2>(make.number(), make.number(), make.number(), make.number()),
                           make.point());
        keep(s->mapShape(x));
    });
    attempt([&] {
        const ccShapeInfo info(*s);
        const ccPerimPos from(in.ConsumeIntegralInRange<long>(-1, info.numNodes()), make.number());
        keep(s->subShape(info, {from, make.number()}));
    });
    attempt([&] {
        const ccPolyline window(make.points(0), true);
        ccClipInfo clipInfo;
        keep(s->clip(window, clipInfo));
    });
    attempt([&] { keep(cfConnect(*s, make.number())); });
    attempt([&] { keep(ccShapeModel::setInsidePolarity(*s, in.ConsumeBool())); });
    attempt([&] { keep(cfExtensionShape(*s, make.number(), make.number())); });
    attempt([&] { keep(cfAddGenPolyModelProps(*s)); });
    attempt([&] { keep(ccShapeModel::rawShape(*s)); });
    if (const ccShapeTree* tree = s->asShapeTree()) {
        attempt([&] { keep(tree->flatten(in.ConsumeBool())); });
        attempt([&] { keep(cfDistributeShapeProps(*tree, make.props())); });
    }
    if (const auto* general = dynamic_cast<const ccGeneralShapeTree*>(s.get()))
        attempt([&] { keep(general->connect(make.number())); });
    for (const ConstShape& r : derived) {
        attempt([&] { r->perimeter(); });
        attempt([&] { ccShapeModel::isInsidePolarity(*r, true); });
    }
}

void runQueries(const Shape& s, TreeMaker& make) {
    FuzzedDataProvider& in = make.in();
    attempt([&] { ccShapeModel::shapeModelProps(*s); });
    attempt([&] { ccShapeModel::isInsidePolarity(*s, in.ConsumeBool()); });
    attempt([&] { ccShapeModel::areAnyPolaritiesIgnored(*s); });
    attempt([&] { cfHasPositiveWeights(*s); });
    attempt([&] { make.props().combine(make.props()); });
    attempt([&] {
        ccGeneralShapeTree found;
        cfFindContoursWithWeightInRange(s, make.props(), ccRange(make.number(), make.number()),
                                        in.ConsumeBool(), found);
    });
}

void runInspection(const Shape& s, TreeMaker& make) {
    const ccGraphicProps positive(ccColor::redColor(), 1, ccGraphicProps::eSolid, true);
    const ccGraphicProps negative(ccColor::blueColor(), 2, ccGraphicProps::eDash, true);
    attempt([&] {
        ccGraphicList list;
        ccShapeModel::draw(list, *s, positive, negative, ccGraphicProps());
        list.toSvg();
    });
    attempt([&] {
        ccDrawShapeParams params;
        params.useDegrees(make.in().ConsumeBool());
        std::wstring text;
        cfDescribeShape(*s, make.props(), {0}, params, text);
    });
    attempt([&] {
        ccDiagObject diag;
        const ccPelBuffer_const<unsigned char> image(4, 4);
        ccShapeModel::record(diag, image, *s, positive, negative, ccGraphicProps(), L"fuzz");
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    TreeMaker make(in);
    const Shape s = make.shape(in.ConsumeIntegralInRange(0, kMaxDepth));
    runQueries(s, make);
    runDerivations(s, make);
    runFeatures(*s, make);
    runInspection(s, make);
    fuzz::checkRoundTrip(fuzz::Object(s));
    return 0;
}
