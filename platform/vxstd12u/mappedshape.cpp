#include "vxstd12u/mappedshape.h"

#include "vxstd12u/archiveform.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

#include "vxstd12u/arclength.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/stackguard.h"

namespace {

// Samples of the image taken for the queries that have no closed form.
constexpr int kImageProbes = 512;
// Golden-section steps refining a nearest point between two probes.
constexpr int kNearestRefinements = 60;

// The image of a leaf that is itself seen through a non-linear map, read by
// its own image arc length: the leaf's image measured once, where asking the
// leaf for each point would measure its image again at every evaluation.
std::unique_ptr<const ccCurveParametrisation> nestedImageOf(const ccMappedShape& leaf);

// The image of a finite shape under a transform, read through one parameter t
// that runs over the inner shape's leaves (the shape itself when it is not a
// tree) one after another: a curve that has its own parametrisation is read
// through it, any other leaf by its arc length. Inside the image's length
// integral a numerically measured curve is then evaluated directly; searching
// its arc length there left the integrand as rough as the search's tolerance,
// and the integral spent its whole split budget without settling.
class ImageCurve {
  public:
    // The curve holds both handles: a chain's composed transform has no
    // other owner.
    ImageCurve(const ccPtrHandle_const<ccShape>& inner,
               const ccPtrHandle_const<cc2XformBase>& xform)
        : innerHandle_(inner), xformHandle_(xform), xform_(*xform) {
        if (!inner->isFinite())
            throw ccShapesError::InfiniteExtent(L"an infinite shape under a non-linear map");
        addPieces(*inner, 0.0);
        speed_ = [this](double t) {
            ccVector<2> p, d;
            ccRadian a;
            innerPointAndDerivative(t, p, d, a);
            return xform_.mapVector(p, d).len();
        };
    }
    ImageCurve(const ImageCurve&) = delete;
    ImageCurve& operator=(const ImageCurve&) = delete;

    // The image measured piece by piece (each cubic of a spline a piece of
    // its own), for its length, the parameters of image arc lengths (its
    // paramAt) and the image arc lengths of parameters (its lengthTo).
    ccArcLengthTable measure() const { return ccArcLengthTable(speed_, intervals()); }

    // The inner shape's arc length from its start to t.
    double innerArcLength(double t) const {
        const Piece& piece = pieceAt(t);
        const double local = t - piece.paramStart;
        return piece.arcStart + (piece.own ? piece.own->arcLengthAt(local) : local);
    }

    void pointAndTangent(double t, ccVector<2>& point, ccRadian& tangent) const {
        ccVector<2> p, d;
        ccRadian a;
        innerPointAndDerivative(t, p, d, a);
        point = xform_.mapPoint(p);
        tangent = xform_.mapAngle(p, a);
    }

    ccVector<2> pointAt(double t) const {
        ccVector<2> p;
        ccRadian a;
        pointAndTangent(t, p, a);
        return p;
    }

    // Parameters of the probes, both ends included.
    std::vector<double> probes() const {
        std::vector<double> ts;
        for (int k = 0; k <= kImageProbes; ++k) ts.push_back(end_ * k / kImageProbes);
        return ts;
    }

    // The parameter of the point nearest to `p`.
    double nearestParam(const ccVector<2>& p) const {
        const auto ts = probes();
        size_t best = 0;
        double bestDistance = std::numeric_limits<double>::infinity();
        for (size_t k = 0; k < ts.size(); ++k) {
            const double d = (pointAt(ts[k]) - p).len();
            if (d < bestDistance) {
                best = k;
                bestDistance = d;
            }
        }
        double lo = ts[best > 0 ? best - 1 : 0], hi = ts[std::min(best + 1, ts.size() - 1)];
        const double ratio = 0.5 * (std::sqrt(5.0) - 1.0);
        for (int k = 0; k < kNearestRefinements; ++k) {
            const double a = hi - ratio * (hi - lo), b = lo + ratio * (hi - lo);
            if ((pointAt(a) - p).len() < (pointAt(b) - p).len())
                hi = b;
            else
                lo = a;
        }
        const double refined = 0.5 * (lo + hi);
        return (pointAt(refined) - p).len() <= bestDistance ? refined : ts[best];
    }

  private:
    // One leaf of the inner shape, over [paramStart, paramStart + span] of t.
    struct Piece {
        const ccShape* shape;
        // How the piece is read when not by the shape's arc length, and
        // whether it is smooth within each unit interval of that reading.
        std::unique_ptr<const ccCurveParametrisation> own;
        bool isSmoothByUnit;
        double paramStart, span;
        // The inner shape's arc length at the leaf's start.
        double arcStart;
        // Where the leaf starts, the side of the horizon it must keep to.
        ccVector<2> start;
    };

    // The leaves of `shape` (the shape itself when it is not a tree) as
    // pieces, `shape` starting at arc length `arcStart` of the inner shape.
    void addPieces(const ccShape& shape, double arcStart) {
        if (!shape.asShapeTree()) return addPiece(shape, arcStart);
        const ccShapeInfo info(shape);
        for (long i = 0; i < info.numNodes(); ++i)
            if (info.isLeaf(i)) addPiece(info.node(i), arcStart + info.nodeStart(i));
    }

    // A leaf that builds its points from parts of its own is read through
    // those parts, made once, where asking it for each point would rebuild
    // them at every evaluation: a mapped leaf under a linear map through its
    // explicit image, a composed one (an annulus, a generalized polygon)
    // through its decomposition, whose leaves run as its perimeter does. A
    // leaf under a non-linear map of its own is read through its image
    // measured once.
    void addPiece(const ccShape& leaf, double arcStart) {
        const ccMappedShape* mapped = leaf.asMappedShape();
        const bool isLinearlyMapped = mapped && mapped->overallMapXform()->isLinear();
        if (isLinearlyMapped || (!mapped && !leaf.isDecomposed())) {
            images_.emplace_back(isLinearlyMapped ? mapped->explicitShape() : leaf.decompose());
            const ccShape& image = *images_.back();
            return cfWithEnoughStack([&] { addPieces(image, arcStart); });
        }
        Piece piece{&leaf, nullptr, false, end_, 0.0, arcStart, ccVector<2>()};
        if (mapped) {
            piece.own = cfWithEnoughStack([&] { return nestedImageOf(*mapped); });
        } else {
            piece.own = leaf.ownParametrisation();
            piece.isSmoothByUnit = piece.own != nullptr;
        }
        piece.span = piece.own ? piece.own->end() : leaf.perimeter();
        if (!leaf.isEmpty()) {
            // A piece whose ends lie on either side crosses the horizon; the
            // integral would otherwise split towards the pole until its
            // budget ran out before looking beyond it.
            piece.start = leaf.startPoint();
            requireOnSideOf(piece.start, leaf.endPoint());
        }
        end_ += piece.span;
        pieces_.push_back(std::move(piece));
    }

    static bool hasLength(const Piece& piece) { return piece.span > 0; }

    // The image's speed is smooth within each unit interval of a piece read
    // by its shape's own parameter (a spline's cubics, an ellipse's arcs); a
    // piece read by arc length may have corners inside (a polyline).
    std::vector<ccArcLengthInterval> intervals() const {
        std::vector<ccArcLengthInterval> out;
        for (const Piece& piece : pieces_) {
            if (!hasLength(piece)) continue;
            const double end = piece.paramStart + piece.span;
            if (!piece.isSmoothByUnit) {
                out.push_back({piece.paramStart, end, false});
                continue;
            }
            for (double k = 0; k < piece.span; ++k)
                out.push_back(
                    {piece.paramStart + k, std::min(piece.paramStart + k + 1, end), true});
        }
        return out;
    }

    // The piece that holds t: at a joint, the piece that starts there; at
    // the very end, the last piece with its whole span. Pieces without length
    // are passed over while a longer one holds t.
    const Piece& pieceAt(double t) const {
        if (pieces_.empty()) throw ccShapesError::BadParams(L"a tree without leaves has no points");
        auto after = std::upper_bound(pieces_.begin(), pieces_.end(), t,
                                      [](double v, const Piece& p) { return v < p.paramStart; });
        if (after == pieces_.begin()) return pieces_.front();
        auto holder = std::prev(after);
        while (!hasLength(*holder) && holder != pieces_.begin() &&
               std::prev(holder)->paramStart + std::prev(holder)->span >= t)
            --holder;
        return *holder;
    }

    // The inner point at t, its derivative in t and the inner direction of
    // travel. A point across the map's horizon from its piece's start is
    // refused: the piece runs out to infinity there, its image has no length,
    // and every point evaluated is checked, so a crossing is found wherever
    // the integration or the probes look.
    void innerPointAndDerivative(double t, ccVector<2>& p, ccVector<2>& d, ccRadian& a) const {
        const Piece& piece = pieceAt(t);
        const double local = std::clamp(t - piece.paramStart, 0.0, piece.span);
        if (piece.own) {
            piece.own->pointAt(local, p, d, a);
        } else {
            piece.shape->perimPointAndTangent(ccPerimPos(0, local), p, a);
            d = ccVector<2>::polar(a.toDouble());
        }
        requireOnSideOf(piece.start, p);
    }

    void requireOnSideOf(const ccVector<2>& start, const ccVector<2>& p) const {
        if (!xform_.onSameSideOfHorizon(start, p))
            throw ccShapesError::BadParams(
                L"a shape that crosses its perspective map's horizon has an unbounded image");
    }

    const ccPtrHandle_const<ccShape> innerHandle_;
    const ccPtrHandle_const<cc2XformBase> xformHandle_;
    const cc2XformBase& xform_;
    // The explicit images of linearly mapped leaves and the decompositions
    // of composed ones, which pieces refer to.
    std::vector<ccPtrHandle_const<ccShape>> images_;
    std::vector<Piece> pieces_;
    // Where t ends: the sum of the pieces' spans.
    double end_ = 0.0;
    ccSpeedFunction speed_;
};

class NestedImage final : public ccCurveParametrisation {
  public:
    explicit NestedImage(const ccMappedShape& leaf)
        : curve_(leaf.underlyingShape(), leaf.overallMapXform()), measure_(curve_.measure()) {}

    double end() const override { return measure_.total(); }
    void pointAt(double s, ccVector<2>& point, ccVector<2>& derivative,
                 ccRadian& tangent) const override {
        curve_.pointAndTangent(measure_.paramAt(s), point, tangent);
        derivative = ccVector<2>::polar(tangent.toDouble());
    }
    double arcLengthAt(double s) const override { return std::clamp(s, 0.0, end()); }

  private:
    const ImageCurve curve_;
    const ccArcLengthTable measure_;
};

std::unique_ptr<const ccCurveParametrisation> nestedImageOf(const ccMappedShape& leaf) {
    return std::make_unique<NestedImage>(leaf);
}

// The points (and tangents, when not null) of `curve` at n image arc lengths,
// found through `measure`, the curve's measure.
void pointsAlong(const ImageCurve& curve, const ccArcLengthTable& measure, const double* offsets,
                 long n, ccVector<2>* points, ccRadian* tangents) {
    ccRadian unused;
    for (long k = 0; k < n; ++k)
        curve.pointAndTangent(measure.paramAt(offsets[k]), points[k],
                              tangents ? tangents[k] : unused);
}

// A tree whose leaves are each seen through `xform`.
ccPtrHandle_const<ccShape> distributed(const ccPtrHandle_const<ccShape>& shape,
                                       const cc2XformBase& xform) {
    if (const auto* tree = dynamic_cast<const ccShapeTree*>(shape.get()))
        return tree->mapParts(
            [&xform](const ccPtrHandle_const<ccShape>& part) { return distributed(part, xform); });
    return cfMakeHandle<ccMappedShape>(shape, xform, true);
}

bool isTree(const ccShape& shape) {
    return dynamic_cast<const ccShapeTree*>(&shape) != nullptr;
}

// `samples` (node numbers of `info`'s shape) renumbered to (node, arc length).
void toArcLengths(const ccShapeInfo& info, long node, ccShapeSampleResult& samples) {
    for (auto& pos : samples.perimPositions()) pos = ccPerimPos(node, info.arcLength(pos));
}

}  // namespace

ccMappedShape::ccMappedShape() : xform_(cfMakeHandle<cc2XformLinear>()) {}

ccMappedShape::ccMappedShape(const ccPtrHandle_const<ccShape>& shape, const cc2XformBase& xform,
                             bool share)
    : xform_(xform.clone()) {
    this->shape(shape, share);
}

ccMappedShape::ccMappedShape(const ccMappedShape& other)
    : ccRepBase(other),
      ccPersistent(other),
      ccShape(other),
      shape_(other.shape_),
      xform_(other.xform_),
      imageLength_(other.imageLength_.load()) {}

ccMappedShape& ccMappedShape::operator=(const ccMappedShape& other) {
    ccShape::operator=(other);
    shape_ = other.shape_;
    xform_ = other.xform_;
    imageLength_.store(other.imageLength_.load());
    return *this;
}

void ccMappedShape::shape(const ccPtrHandle_const<ccShape>& shape, bool share) {
    if (!shape) throw ccBadPointer(L"a mapped shape needs an inner shape");
    ccPtrHandle_const<ccShape> kept = share ? shape : ccPtrHandle_const<ccShape>(shape->clone());
    noticeChange_();
    shape_ = std::move(kept);
    imageLength_.store(std::nan(""));
}

double ccMappedShape::imageLength() const {
    double length = imageLength_.load();
    if (std::isnan(length)) {
        length = ImageCurve(underlyingShape(), overallMapXform()).measure().total();
        imageLength_.store(length);
    }
    return length;
}

ccPtrHandle_const<ccShape> ccMappedShape::underlyingShape() const {
    ccPtrHandle_const<ccShape> s = shape_;
    while (const auto* mapped = dynamic_cast<const ccMappedShape*>(s.get())) s = mapped->shape_;
    if (!s) throw ccBadPointer(L"a mapped shape without an inner shape");
    return s;
}

ccPtrHandle_const<cc2XformBase> ccMappedShape::overallMapXform() const {
    if (const auto* inner = dynamic_cast<const ccMappedShape*>(shape_.get()))
        return xform_->compose(*inner->overallMapXform());
    return xform_;
}

cc2XformLinear ccMappedShape::overallMapXformLinear() const {
    const auto overall = overallMapXform();
    if (overall->isLinear()) return overall->linearXform(ccVector<2>());
    return overall->linearXform(underlyingShape()->startPoint());
}

bool ccMappedShape::isLinear() const {
    return overallMapXform()->isLinear();
}

bool ccMappedShape::mirrors() const {
    return overallMapXformLinear().determinant() < 0;
}

ccPtrHandle<ccShape> ccMappedShape::explicitShape() const {
    const auto overall = overallMapXform();
    if (!overall->isLinear())
        throw ccShapesError::BadParams(L"a non-linear map has no explicit image shape");
    return underlyingShape()->mapShape(overall->linearXform(ccVector<2>()).xform());
}

// ---- Queries ----

bool ccMappedShape::isRegion() const {
    return underlyingShape()->isRegion();
}
bool ccMappedShape::isOpenContour() const {
    return underlyingShape()->isOpenContour();
}
bool ccMappedShape::isReversible() const {
    return underlyingShape()->isReversible();
}
bool ccMappedShape::isFinite() const {
    return underlyingShape()->isFinite();
}
bool ccMappedShape::isEmpty() const {
    return underlyingShape()->isEmpty();
}
bool ccMappedShape::isDecomposed() const {
    return shape_ ? shape_->isDecomposed() : true;
}
bool ccMappedShape::hasTangent() const {
    return underlyingShape()->hasTangent();
}

bool ccMappedShape::isRightHanded() const {
    if (isLinear()) return explicitShape()->isRightHanded();
    const auto u = underlyingShape();
    // A tree is asked through the tree of mapped parts its samples come from:
    // there a region node takes its standing again, so a mirror does not turn
    // a solid region round.
    if (isTree(*u)) return distributed(u, *overallMapXform())->isRightHanded();
    return u->isRegion() && (u->isRightHanded() != mirrors());
}

bool ccMappedShape::within(const ccVector<2>& p) const {
    if (isLinear()) return explicitShape()->within(p);
    return underlyingShape()->within(overallMapXform()->inverse()->mapPoint(p));
}

double ccMappedShape::windingAngle(const ccVector<2>& p) const {
    if (isLinear()) return explicitShape()->windingAngle(p);
    const auto u = underlyingShape();
    if (isTree(*u)) return distributed(u, *overallMapXform())->windingAngle(p);
    if (u->isRegion()) {
        const double inner = u->windingAngle(overallMapXform()->inverse()->mapPoint(p));
        return mirrors() ? -inner : inner;
    }
    const ImageCurve curve(u, overallMapXform());
    double sum = 0.0;
    ccVector<2> previous = curve.pointAt(0.0) - p;
    for (double s : curve.probes()) {
        const ccVector<2> next = curve.pointAt(s) - p;
        sum += std::atan2(previous.cross(next), previous.dot(next));
        previous = next;
    }
    return sum;
}

ccVector<2> ccMappedShape::startPoint() const {
    if (isLinear()) return explicitShape()->startPoint();
    return overallMapXform()->mapPoint(underlyingShape()->startPoint());
}

ccVector<2> ccMappedShape::endPoint() const {
    if (isLinear()) return explicitShape()->endPoint();
    return overallMapXform()->mapPoint(underlyingShape()->endPoint());
}

ccRadian ccMappedShape::startAngle() const {
    if (isLinear()) return explicitShape()->startAngle();
    const auto u = underlyingShape();
    return overallMapXform()->mapAngle(u->startPoint(), u->startAngle());
}

ccRadian ccMappedShape::endAngle() const {
    if (isLinear()) return explicitShape()->endAngle();
    const auto u = underlyingShape();
    return overallMapXform()->mapAngle(u->endPoint(), u->endAngle());
}

double ccMappedShape::tangentRotation() const {
    if (isLinear()) return explicitShape()->tangentRotation();
    const auto u = underlyingShape();
    if (isTree(*u)) return distributed(u, *overallMapXform())->tangentRotation();
    if (u->isRegion()) return mirrors() ? -u->tangentRotation() : u->tangentRotation();
    const ImageCurve curve(u, overallMapXform());
    double sum = 0.0;
    ccVector<2> p;
    ccRadian previous, next;
    curve.pointAndTangent(0.0, p, previous);
    for (double s : curve.probes()) {
        curve.pointAndTangent(s, p, next);
        sum += (next - previous).signedNorm().toDouble();
        previous = next;
    }
    return sum;
}

ccRect ccMappedShape::boundingBox() const {
    if (isLinear()) return explicitShape()->boundingBox();
    const ImageCurve curve(underlyingShape(), overallMapXform());
    ccVector<2> lo = curve.pointAt(0.0), hi = lo;
    for (double s : curve.probes()) {
        const ccVector<2> p = curve.pointAt(s);
        lo = ccVector<2>(std::min(lo.x(), p.x()), std::min(lo.y(), p.y()));
        hi = ccVector<2>(std::max(hi.x(), p.x()), std::max(hi.y(), p.y()));
    }
    return ccRect::spanning(lo, hi);
}

ccVector<2> ccMappedShape::nearestPoint(const ccVector<2>& p) const {
    if (isLinear()) return explicitShape()->nearestPoint(p);
    const ImageCurve curve(underlyingShape(), overallMapXform());
    return curve.pointAt(curve.nearestParam(p));
}

ccPerimPos ccMappedShape::nearestPerimPos(const ccVector<2>& p) const {
    if (isLinear()) {
        const auto image = explicitShape();
        return ccPerimPos(0, ccShapeInfo(*image).arcLength(image->nearestPerimPos(p)));
    }
    const ImageCurve curve(underlyingShape(), overallMapXform());
    return ccPerimPos(0, curve.measure().lengthTo(curve.nearestParam(p)));
}

double ccMappedShape::perimeter() const {
    if (isLinear()) return explicitShape()->perimeter();
    return imageLength();
}

void ccMappedShape::perimPointAndTangent(const ccPerimPos& pos, ccVector<2>& point,
                                         ccRadian& tangent) const {
    if (pos.node() != 0) throw ccShapesError::BadParams(L"a mapped shape has only node 0");
    const double offset = pos.offset();
    perimPointsAndTangents(&offset, 1, &point, &tangent);
}

void ccMappedShape::perimPointsAndTangents(const double* offsets, long n, ccVector<2>* points,
                                           ccRadian* tangents) const {
    if (n <= 0) return;
    // The image, its node table or its measure is as costly to make as all
    // the points it then gives: it is made once per call, never per point.
    if (isLinear()) {
        const auto image = explicitShape();
        const ccShapeInfo info(*image);
        if (info.isLeaf(0))
            image->perimPointsAndTangents(offsets, n, points, tangents);
        else
            info.pointsAndTangents(offsets, n, points, tangents);
        return;
    }
    const ImageCurve curve(underlyingShape(), overallMapXform());
    const ccArcLengthTable measure = curve.measure();
    rememberImageLength(measure.total());
    pointsAlong(curve, measure, offsets, n, points, tangents);
}

// ---- Sampling ----

void ccMappedShape::sample(const ccSampleParams& params, ccSampleResult& result) const {
    const auto u = underlyingShape();
    if (!u->isFinite()) throw ccShapesError::InfiniteExtent(L"an infinite shape cannot be sampled");
    cfCheckSampleParams(params);
    const auto overall = overallMapXform();
    ccSampleResult own;
    if (overall->isLinear() || isTree(*u)) {
        const auto image = overall->isLinear() ? ccPtrHandle_const<ccShape>(explicitShape())
                                               : distributed(u, *overall);
        image->sample(params, own);
        toArcLengths(ccShapeInfo(*image), result.shapeIndex(), own);
        cfAppendSamples(own, result);
        return;
    }
    if (u->isEmpty()) return;
    const ImageCurve curve(u, overall);
    const ccArcLengthTable measure = curve.measure();
    rememberImageLength(measure.total());
    const auto offsets = cfSampleOffsets(measure.total(), u->isRegion(), params);
    if (offsets.empty()) return;
    const bool tangents = params.computeTangents() && u->hasTangent();
    own.beginChain(u->isRegion());
    own.positions().resize(offsets.size());
    own.tangents().resize(tangents ? offsets.size() : 0);
    pointsAlong(curve, measure, offsets.data(), static_cast<long>(offsets.size()),
                own.positions().data(), tangents ? own.tangents().data() : nullptr);
    if (params.perimPosRequested())
        for (double s : offsets) own.perimPositions().emplace_back(result.shapeIndex(), s);
    cfAppendSamples(own, result);
}

// ---- New shapes ----

ccPtrHandle<ccShape> ccMappedShape::clone() const {
    return cfMakeHandle<ccMappedShape>(*this);
}

ccPtrHandle<ccShape> ccMappedShape::mapShape(const ccXform<2>& xform) const {
    return cfMakeHandle<ccMappedShape>(shape_, *cc2XformLinear(xform).compose(*xform_), true);
}

ccPtrHandle<ccShape> ccMappedShape::reverse() const {
    if (!shape_) throw ccBadPointer(L"a mapped shape without an inner shape");
    return cfMakeHandle<ccMappedShape>(shape_->reverse(), *xform_, true);
}

ccPtrHandle<ccShape> ccMappedShape::decompose() const {
    if (!shape_) throw ccBadPointer(L"a mapped shape without an inner shape");
    return cfMakeHandle<ccMappedShape>(shape_->decompose(), *xform_, true);
}

ccPtrHandle<ccShape> ccMappedShape::subShape(const ccShapeInfo& info,
                                             const std::pair<ccPerimPos, double>& range) const {
    if (!(range.second >= 0))
        throw ccShapesError::BadParams(L"a sub-shape needs a length that is not negative");
    const double from = info.arcLength(range.first);
    const double to = std::min(from + range.second, info.perimeter());
    if (isLinear()) {
        const auto image = explicitShape();
        const ccShapeInfo imageInfo(*image);
        return image->subShape(imageInfo, {imageInfo.perimPos(from), to - from});
    }
    const auto u = underlyingShape();
    const auto overall = overallMapXform();
    const ImageCurve curve(u, overall);
    const ccArcLengthTable measure = curve.measure();
    rememberImageLength(measure.total());
    const double a = curve.innerArcLength(measure.paramAt(from));
    const double b = curve.innerArcLength(measure.paramAt(to));
    const ccShapeInfo innerInfo(*u);
    return cfMakeHandle<ccMappedShape>(u->subShape(innerInfo, {innerInfo.perimPos(a), b - a}),
                                       *overall, true);
}

bool ccMappedShape::equal_(const ccShape& other) const {
    const auto* o = dynamic_cast<const ccMappedShape*>(&other);
    if (!o || typeid(*this) != typeid(other)) return false;
    if (!shape_ || !o->shape_) return !shape_ && !o->shape_ && xform_->equals(*o->xform_);
    return *shape_ == *o->shape_ && xform_->equals(*o->xform_);
}

ccPtrHandle<ccShape> ccMappedShape::clip_(const ccPolyline& region, ccClipInfo& info) const {
    if (!isLinear())
        throw ccShapesError::BadParams(L"clipping under a non-linear map is not supported");
    return explicitShape()->clip(region, info);
}

ccPtrHandle<ccShape> ccMappedShape::pieceBetween_(double, double) const {
    throw ccShapesError::BadParams(L"a mapped shape is cut through subShape");
}

// ---- archive form of ccMappedShape

namespace {
const cc_Instantiator kMappedShapeExemplar(typeid(ccMappedShape), &ccMappedShape::make);
}  // namespace

ccPersistent* ccMappedShape::make() {
    return new ccMappedShape;
}

void ccMappedShape::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/mappedshape", 1, [&] {
        ccPtrHandle_const<ccShape> shape = shape_;
        ccPtrHandle_const<cc2XformBase> xform = xform_;
        ar || shape || xform;
        if (!ar.isLoading()) return;
        if (!xform) throw ccArchive::Error(L"archive holds a mapped shape without a transform");
        const ccMappedShape loaded =
            cfValidLoaded("ccMappedShape", [&] { return ccMappedShape(shape, *xform, true); });
        noticeChange_();
        *this = loaded;
    });
}
