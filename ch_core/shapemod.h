// The shape-model module: geometric shapes with model properties (weight,
// expected edge magnitude, reversed and ignored polarity) for training a
// pattern-finding tool, and the operations that keep those properties through
// geometry, feature generation, construction, drawing and description.
//
// Including this header gives the whole module and the platform types it uses.
#pragma once

#include <iosfwd>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "vxdiagc12u/diag.h"
#include "vxdiagc12u/pelbuffer.h"
#include "vxdispc12u/color.h"
#include "vxdispc12u/genpoly.h"
#include "vxdispc12u/graphiclist.h"
#include "vxftlt12u/featurelet.h"
#include "vxstd12u/affinerect.h"
#include "vxstd12u/annulus.h"
#include "vxstd12u/archive.h"
#include "vxstd12u/bezier.h"
#include "vxstd12u/clip.h"
#include "vxstd12u/ellipse.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/genrect.h"
#include "vxstd12u/handle.h"
#include "vxstd12u/line.h"
#include "vxstd12u/mappedshape.h"
#include "vxstd12u/persistent.h"
#include "vxstd12u/point.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/sample.h"
#include "vxstd12u/shape.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/spline.h"
#include "vxstd12u/transform.h"

// ---------------------------------------------------------------------------
// Model properties

// The record that turns a shape into a shape model: how much the shape counts
// in training (weight), how strong an edge it is expected to show (magnitude),
// and how its edge polarity is treated (reversed, or ignored altogether).
//
// Plain value type. The weight may be any value, zero, negative and NaN
// included. The magnitude is never below zero when set through the
// constructor, the setter or combine; a record read from an archive is stored
// as read.
class ccShapeModelProps {
  public:
    // The arguments come in the order the archive stores the fields. Throws
    // ccShapeModelDefs::BadParams when magnitude < 0 (zero is accepted).
    ccShapeModelProps(bool isReversedPolarity = false, double weight = 1.0,
                      bool isIgnoredPolarity = false, double magnitude = 1.0);

    double weight() const noexcept { return weight_; }
    void weight(double w) noexcept { weight_ = w; }

    double magnitude() const noexcept { return magnitude_; }
    // Throws ccShapeModelDefs::BadParams when m < 0, leaving the record unchanged.
    void magnitude(double m);

    bool isReversedPolarity() const noexcept { return isReversedPolarity_; }
    void isReversedPolarity(bool v) noexcept { isReversedPolarity_ = v; }

    bool isIgnoredPolarity() const noexcept { return isIgnoredPolarity_; }
    void isIgnoredPolarity(bool v) noexcept { isIgnoredPolarity_ = v; }

    // Compares reversed flag, weight, ignored flag and magnitude, in that
    // order, doubles exactly: a record holding NaN equals no record, itself
    // included.
    bool operator==(const ccShapeModelProps& other) const noexcept;
    bool operator!=(const ccShapeModelProps& other) const noexcept { return !(*this == other); }

    // The properties in force for a shape whose own record is `other` when it
    // sits below a shape whose properties in force are this record:
    // - weight: the product when either weight is above zero, otherwise 0
    //   (two negative weights give 0, not their positive product);
    // - reversed: exclusive-or (a reversal below a reversal cancels);
    // - ignored: or (ignoring anywhere above or at the shape wins);
    // - magnitude: the product; ccShapeModelDefs::BadParams when it is below
    //   zero (possible only with a record read unchecked from an archive).
    ccShapeModelProps combine(const ccShapeModelProps& other) const;

    // A new model of the matching type (the first of the 25 model types of
    // which `shape` is an instance, a wireframe before a generalized polygon)
    // holding a copy of `shape`'s geometry and this record. A model's old
    // record is dropped; a tree keeps its children as they are. A shape of
    // no supported type throws ccShapeModelDefs::NotSupported.
    ccPtrHandle<ccShape> assign(const ccShape& shape) const;

    // Exchanges the record with an archive: version 1 writes the reversed
    // flag, weight, ignored flag and magnitude; version 0 holds the first two
    // only and reads back as not ignored with magnitude 1. Values read are
    // stored untested. A later version throws ccArchive::UnknownVersion.
    friend ccArchive& operator||(ccArchive& ar, ccShapeModelProps& props);

  private:
    double weight_;
    double magnitude_;
    bool isReversedPolarity_;
    bool isIgnoredPolarity_;
};

// ---------------------------------------------------------------------------
// Errors

// Scope of the module's own errors. Every one derives from the shape
// library's ccShapesError::Errors, so handlers for that class or for
// ccException (or std::exception) catch them too.
class ccShapeModelDefs {
  public:
    ccShapeModelDefs& operator=(const ccShapeModelDefs&) = default;

    // Abstract base of the module's errors; adds no data.
    class Errors : public ccShapesError::Errors {
      public:
        Errors(const Errors& other)
            : ccRepBase(other), ccPersistent(other), ccShapesError::Errors(other) {}
        ~Errors() override = default;
        // Copies nothing of the persistent state; gives notice of the change.
        Errors& operator=(const Errors& other);

      protected:
        Errors() = default;
        explicit Errors(std::wstring detail) : ccShapesError::Errors(std::move(detail)) {}
        // Form: version byte 0, then the shape library's error form.
        void dispatchSerialize(ccArchive& ar) override;

        // The form shared by every level: unless the part at `self` of `size`
        // bytes was already exchanged in this pass, a version byte (anything
        // but 0 is refused naming `className`), then the level below through
        // `exchangeBase`.
        template <class ExchangeBase>
        void serializeLevel_(ccArchive& ar, const void* self, std::size_t size,
                             const char* className, ExchangeBase exchangeBase) {
            if (haveVisited(ar, self, size)) return;
            unsigned char version = 0;
            ar || version;
            if (version != 0) throw ccArchive::UnknownVersion(className, 0);
            exchangeBase();
            setVisited(ar, self, size);
        }
    };

    // What each concrete error adds to Errors: its number, its factory and
    // registration, and its form (a version byte refused by the class's own
    // name, then the Errors form).
    template <class Self, long Number>
    class Concrete : public ccErrorKind<Self, Errors, Number> {
      public:
        Concrete() = default;
        explicit Concrete(std::wstring detail)
            : ccErrorKind<Self, Errors, Number>(std::move(detail)) {}
        static ccPersistent* make() { return new Self; }

      protected:
        void dispatchSerialize(ccArchive& ar) override;

      private:
        static cc_Instantiator sExemplar;
    };

    // A bad value: a negative magnitude or magnitude scale.
    class BadParams : public Concrete<BadParams, 0x10002A40> {
      public:
        using Concrete::Concrete;
    };

    // Part of the public error set (it can be read back from an archive), but
    // nothing in the module throws it. Shares BadParams's number.
    class BadWeight : public Concrete<BadWeight, 0x10002A40> {
      public:
        using Concrete::Concrete;
    };

    // A shape of a kind that cannot carry model properties.
    class NotSupported : public Concrete<NotSupported, 0x10002A41> {
      public:
        using Concrete::Concrete;
    };
};

// ---------------------------------------------------------------------------
// The shape-model base class

// The part of every shape model that is not geometry: one ccShapeModelProps
// and the hooks through which a typed model keeps its shape and its
// properties in step. Code that walks shapes finds a node's record through
// ccShape::asShapeModel.
//
// Equality compares the properties only, never geometry.
class ccShapeModel : public virtual ccPersistent {
  public:
    class ccFeatureParams;

    ccShapeModel() = default;
    // Stores `props`; the hook modelProps_ is not called.
    explicit ccShapeModel(const ccShapeModelProps& props) : props_(props) {}
    ccShapeModel(const ccShapeModel&) = default;
    ~ccShapeModel() override = default;

    // Gives notice of the change, then copies the properties; no hook.
    ccShapeModel& operator=(const ccShapeModel& other);

    bool operator==(const ccShapeModel& other) const noexcept { return props_ == other.props_; }
    bool operator!=(const ccShapeModel& other) const noexcept { return !(*this == other); }

    const ccShapeModelProps& modelProps() const noexcept { return props_; }
    // Gives notice of the change, stores `props`, then calls modelProps_ with
    // it; whatever the hook throws passes on, the new record stays stored.
    void modelProps(const ccShapeModelProps& props);

    // A new default-constructed model, for the archive's factory.
    static ccPersistent* make();

    // ---- Property lookup ----

    // The record of `shape` alone: a model's own record; for a plain
    // wireframe, the default record with its polarity reversal; otherwise
    // the default record. Nothing above the shape is combined in.
    static ccShapeModelProps shapeModelProps(const ccShape& shape);
    // `shape` without model wrapping, as a new plain shape of its type.
    static ccPtrHandle<ccShape> rawShape(const ccShape& shape);

    // ---- Polarity ----

    // Whether every closed part of `shape` has the sense `polarity`: its
    // handedness exclusive-or the reversal in force on it. Open parts
    // satisfy either sense. Mapped shapes are judged through their innermost
    // shape; region nodes through cfRegionNodeModelProps; the pieces of a
    // closed contour must agree among themselves.
    static bool isInsidePolarity(const ccShape& shape, bool polarity);
    // A new shape of the same geometry whose reversal flags give it the
    // sense `polarity`; always a model at the top.
    static ccPtrHandle<ccShape> setInsidePolarity(const ccShape& shape, bool polarity);
    // Whether any node of `shape` ignores polarity.
    static bool areAnyPolaritiesIgnored(const ccShape& shape);

    // ---- Features ----

    // The featurelets of `shape` under `params`: cfFeatures with the default
    // record, eConsistentAll and node 0.
    static ccPtrHandle<ccFeatureletChainSet> features(const ccShape& shape,
                                                      const ccFeatureParams& params);

    // ---- Inspection ----

    // Appends to `list` the outline of every primitive of `shape`, then a
    // polarity glyph on each: drawn with `positive`, `negative` or `zero` by
    // the sign of the weight in force (a NaN weight takes `zero`); properties
    // in the pass colour draw nothing, outlines never carry arrowheads, and
    // glyphs appear only where the chosen properties have the arrowhead on.
    // An empty shape appends nothing. An empty handle inside a mapped shape
    // throws ccBadPointer; what was appended before stays.
    static void draw(ccGraphicList& list, const ccShape& shape, const ccGraphicProps& positive,
                     const ccGraphicProps& negative, const ccGraphicProps& zero);
    // cfRecordWithPose with the identity pose.
    static void record(ccDiagObject& diag, const ccPelBuffer_const<unsigned char>& image,
                       const ccShape& shape, const ccGraphicProps& positive,
                       const ccGraphicProps& negative, const ccGraphicProps& zero,
                       const std::wstring& name);
    static void record(ccDiagObject& diag, const ccPelBuffer_const<unsigned short>& image,
                       const ccShape& shape, const ccGraphicProps& positive,
                       const ccGraphicProps& negative, const ccGraphicProps& zero,
                       const std::wstring& name);
    // Appends samples of `shape` to `result` as the shape's own sample would,
    // but with each tangent turned by pi where the polarity in force on the
    // piece is reversed. Without tangents asked for, exactly the shape's own
    // sample. A result whose tangents and positions differ in number throws
    // ccShapesError::BadParams and stays unchanged.
    static void sampleWithPolarity(const ccShape& shape, const ccShape::ccSampleParams& params,
                                   ccShape::ccSampleResult& result);

  protected:
    // Called after every modelProps(props); the base does nothing.
    virtual void modelProps_(const ccShapeModelProps& props);
    // The geometry without model properties; the base has none (empty handle).
    virtual ccPtrHandle<ccShape> rawShape_() const;

    // Form: version byte 0, the persistent base's form, the property record.
    void dispatchSerialize(ccArchive& ar) override;
    // The items after the version; throws ccArchive::UnknownVersion unless
    // `version` is 0.
    void serialize_(ccArchive& ar, unsigned char version);

  private:
    static cc_Instantiator sExemplar;
    ccShapeModelProps props_;
};

// ---------------------------------------------------------------------------
// Parameter records

// Parameters of feature generation: how shapes are sampled, and scales
// applied to the models' magnitudes and weights.
class ccShapeModel::ccFeatureParams {
  public:
    // Sampling at spacing 1.0, no point limit, tangents, duplicated corners.
    static ccShape::ccSampleParams defaultSampleParams() noexcept {
        return ccShape::ccSampleParams(0.0, 1.0, ccNoPointLimit, true, true);
    }

    // Throws ccShapeModelDefs::BadParams when magScale < 0; weightScale may
    // be any value.
    ccFeatureParams(const ccShape::ccSampleParams& sampleParams = defaultSampleParams(),
                    double magScale = 1.0, double weightScale = 1.0);

    const ccShape::ccSampleParams& sampleParams() const noexcept { return sampleParams_; }
    void sampleParams(const ccShape::ccSampleParams& p) noexcept { sampleParams_ = p; }

    double magScale() const noexcept { return magScale_; }
    // Throws ccShapeModelDefs::BadParams when s < 0, leaving the record unchanged.
    void magScale(double s);

    double weightScale() const noexcept { return weightScale_; }
    void weightScale(double s) noexcept { weightScale_ = s; }

    // Sample parameters equal, then magScale and weightScale exactly equal.
    bool operator==(const ccFeatureParams& other) const noexcept;
    bool operator!=(const ccFeatureParams& other) const noexcept { return !(*this == other); }

    // Version byte 0, the sample parameters, magScale, weightScale; values
    // read are stored untested. Any other version throws
    // ccArchive::UnknownVersion. << and >> do the same exchange.
    friend ccArchive& operator||(ccArchive& ar, ccFeatureParams& params);
    friend ccArchive& operator<<(ccArchive& ar, const ccFeatureParams& params);
    friend ccArchive& operator>>(ccArchive& ar, ccFeatureParams& params);

  private:
    ccShape::ccSampleParams sampleParams_;
    double magScale_;
    double weightScale_;
};

// Options of drawing and of textual descriptions. Descriptions include the
// model properties when drawModelProps is set and write angles in degrees
// when useDegrees is set; structure diagrams draw shape models in
// diagramModelColor, other shapes in diagramShapeColor and links in
// diagramLinkColor; preserveAspect keeps diagrams from being stretched to
// fill their frame. No setter tests its value.
class ccDrawShapeParams {
  public:
    ccDrawShapeParams() = default;

    const ccGraphicProps& gprops() const noexcept { return gprops_; }
    void gprops(const ccGraphicProps& g) { gprops_ = g; }
    bool drawModelProps() const noexcept { return drawModelProps_; }
    void drawModelProps(bool v) noexcept { drawModelProps_ = v; }
    bool useDegrees() const noexcept { return useDegrees_; }
    void useDegrees(bool v) noexcept { useDegrees_ = v; }
    bool preserveAspect() const noexcept { return preserveAspect_; }
    void preserveAspect(bool v) noexcept { preserveAspect_ = v; }
    const ccColor& diagramShapeColor() const noexcept { return diagramShapeColor_; }
    void diagramShapeColor(const ccColor& c) noexcept { diagramShapeColor_ = c; }
    const ccColor& diagramModelColor() const noexcept { return diagramModelColor_; }
    void diagramModelColor(const ccColor& c) noexcept { diagramModelColor_ = c; }
    const ccColor& diagramLinkColor() const noexcept { return diagramLinkColor_; }
    void diagramLinkColor(const ccColor& c) noexcept { diagramLinkColor_ = c; }

  private:
    ccGraphicProps gprops_;
    bool drawModelProps_ = true;
    bool useDegrees_ = false;
    bool preserveAspect_ = true;
    ccColor diagramShapeColor_ = ccColor::yellowColor();
    ccColor diagramModelColor_ = ccColor::orangeColor();
    ccColor diagramLinkColor_ = ccColor::blueColor();
};

// ---------------------------------------------------------------------------
// Typed shape models

// A shape of type T that is also a shape model: every shape operation works on
// it as on a T, and every property lookup finds its record. Operations that
// make new shapes from a model (map, reverse, decompose, sub-shape, clip,
// connect, flatten, corner arcs) give models again, carrying the right
// records; the model itself never changes. Equality compares the records
// only; compare as ccShape to compare geometry.
//
// Instantiated for the 25 shape types of the library, each registered with the
// archive's factory.
//
// Four members override for some T only (see flatten_), which clang would
// report as an inconsistently missing `override`.
#ifdef __clang__
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Winconsistent-missing-override"
#endif
template <class T>
class ccShapeModelTemplate : public T, public virtual ccShapeModel {
  public:
    // T default-constructed, default record; no hook.
    ccShapeModelTemplate() = default;
    // T default-constructed; the record set through modelProps(p), so the
    // hook runs (a wireframe takes its polarity from p).
    explicit ccShapeModelTemplate(const ccShapeModelProps& p) { ccShapeModel::modelProps(p); }
    // Copies of both; no hook (a wireframe keeps its own polarity).
    ccShapeModelTemplate(const T& shape, const ccShapeModelProps& p) : ccShapeModel(p), T(shape) {}
    ccShapeModelTemplate(const ccShapeModelTemplate& other) = default;
    ~ccShapeModelTemplate() override = default;

    // T's assignment, then the record's (with its change notice); no hook.
    ccShapeModelTemplate& operator=(const ccShapeModelTemplate& other) {
        T::operator=(other);
        ccShapeModel::operator=(other);
        return *this;
    }

    bool operator==(const ccShapeModelTemplate& other) const noexcept {
        return ccShapeModel::operator==(other);
    }
    bool operator!=(const ccShapeModelTemplate& other) const noexcept { return !(*this == other); }

    ccPtrHandle<ccShape> clone() const override {
        return ccPtrHandle<ccShape>(new ccShapeModelTemplate(*this));
    }

    const ccShapeModel* asShapeModel() const noexcept override { return this; }

    // Region trees map through cfMapRegionTreeModel, generalized polygons as
    // their decomposition; every other model maps its plain geometry, wraps
    // the image with its record and corrects the reversal flags for a
    // mirroring map (cfCorrectPolarities).
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    // The reversed geometry with the record unchanged, reversal flag included.
    ccPtrHandle<ccShape> reverse() const override;
    ccPtrHandle<ccShape> decompose() const override;
    ccPtrHandle<ccShape> subShape(const ccShapeInfo& info,
                                  const std::pair<ccPerimPos, double>& range) const override;

    // flatten_, connect_, negCornerArc_ and polarity_ override hooks of the
    // trees and wireframes they are named after and are the model's own
    // members for every other T, so none of them can say `override`.
    // NOLINTBEGIN(modernize-use-override)

    // Flattening folds every record into the leaves first, so the flat tree
    // means what this one means. Only trees can be flattened; any other T
    // throws ccShapeModelDefs::NotSupported.
    ccPtrHandle<ccShapeTree> flatten_(bool flag) const;
    // Joins pieces (general trees only; any other T throws
    // ccShapeModelDefs::NotSupported), every piece a model carrying the
    // record in force for it.
    ccPtrHandle<ccGeneralShapeTree> connect_(double distance) const;
    // The arc a polygon model uses at a negative corner: a model of weight 0,
    // whatever the polygon's weight.
    ccPtrHandle<ccEllipseArc2> negCornerArc_(const ccEllipseArc2& arc) const;

  protected:
    ccPtrHandle<ccShape> clip_(const ccPolyline& region, ccClipInfo& info) const override;
    // The reversed geometry with the reversal flag flipped.
    ccPtrHandle<ccShape> reverse_() const override;
    // `that` wrapped with this model's record.
    ccPtrHandle<ccShape> cloneThat_(const ccShape& that) const override {
        return ccShapeModel::shapeModelProps(*this).assign(that);
    }
    ccPtrHandle<ccShape> rawShape_() const override {
        return ccPtrHandle<ccShape>(new T(static_cast<const T&>(*this)));
    }
    // Keeps a wireframe's own polarity flag equal to the record's.
    void modelProps_(const ccShapeModelProps& p) override;
    // Keeps the record's reversal equal to a wireframe's new polarity flag.
    void polarity_(bool reversed);

    // NOLINTEND(modernize-use-override)

    // Form: version byte 0, T's own complete form, then the ccShapeModel form
    // (unless that part was already exchanged in this pass). Once per pass.
    void dispatchSerialize(ccArchive& ar) override;
    // The items after the version; any version but 0 throws
    // ccArchive::UnknownVersion naming "ch_core/shapemod" and 284.
    void serialize_(ccArchive& ar, unsigned char version);

  public:
    // A new default-constructed model, for the archive's factory.
    static ccPersistent* make() { return new ccShapeModelTemplate; }

    // Registers the instantiation with the archive's factory at load time.
    class Instantiator : public cc_Instantiator {
      public:
        Instantiator()
            : cc_Instantiator(typeid(ccShapeModelTemplate), &ccShapeModelTemplate::make) {}
    };

  private:
    static Instantiator sExemplar;

    // A shape model is never read in a shape type's simple form.
    bool loadSimple(ccArchive&) override { return false; }

    // The object whose geometry the operations use: this model, or a copy
    // of it with its plain generalized polygons made models (held in `keep`).
    const ccShapeModelTemplate& source(ccPtrHandle<ccShape>& keep) const;
    // `result` as a model: itself when it already is one, otherwise wrapped
    // with the record of `source`.
    ccPtrHandle<ccShape> rewrap(const ccPtrHandle<ccShape>& result,
                                const ccShapeModelTemplate& source) const;
};
#ifdef __clang__
#pragma clang diagnostic pop
#endif

template <class T>
typename ccShapeModelTemplate<T>::Instantiator ccShapeModelTemplate<T>::sExemplar;

// Whether `shape` is of type T (a dynamic cast succeeds).
template <class T>
bool cfIsA(const ccShape& shape) {
    return dynamic_cast<const T*>(&shape) != nullptr;
}

// ---------------------------------------------------------------------------
// Operations on model properties across shape trees

// The handle to use instead of `mapped`, the result of mapping `source` by
// `xform`: unchanged for a transform that keeps handedness (determinant zero
// or more); otherwise every leaf's reversal is toggled once, plain children of
// trees being replaced by models in the tree `mapped` refers to (the one
// in-place edit of the module: pass a tree you have just made). A mapped
// shape comes back unchanged: lookups account for its transform.
ccPtrHandle<ccShape> cfCorrectPolarities(const ccPtrHandle<ccShape>& mapped, const ccShape& source,
                                         const ccXform<2>& xform);

// A copy of `tree` whose records have all moved to the leaves: every leaf a
// model carrying its properties in force (`inherited` combined down the path),
// every inner model reset to the default record, a region node's boundary
// treated as a child, mapped trees rebuilt as trees of mapped children. The
// result has the dynamic type of `tree`.
ccPtrHandle<ccShapeTree> cfDistributeShapeProps(const ccShapeTree& tree,
                                                const ccShapeModelProps& inherited);

// A new shape in which every plain generalized polygon (and wireframe) that
// can be reached without passing a model is wrapped as a model; an empty
// handle when there is none. Children that need nothing are shared.
ccPtrHandle<ccShape> cfAddGenPolyModelProps(const ccShape& shape);

// `model` mapped by `xform`, its boundary records keeping their reversal
// whatever the sign of the determinant (a region's polarity follows its
// boundary's handedness against its standing).
ccPtrHandle<ccShape> cfMapRegionTreeModel(const ccShapeModelTemplate<ccRegionTree>& model,
                                          const ccXform<2>& xform);

// Whether some leaf of `shape` has an effective weight w with 0 < w < +inf.
bool cfHasPositiveWeights(const ccShape& shape);

// Appends to `found` the contours and leaves of `shape` whose effective
// weight (below `inherited`) lies in `range` (`inclusive`: range.isWithin;
// otherwise strictly between its ends), keeping maximal runs of consecutive
// in-range pieces of a contour together. A contour whose pieces agree in
// polarity and are all in range comes whole, wrapped with its properties in
// force; runs are new contour models with the default record whose pieces
// carry their own. Mapped shapes give mapped shapes of what was found under
// them. `found` is not cleared.
void cfFindContoursWithWeightInRange(const ccPtrHandle_const<ccShape>& shape,
                                     const ccShapeModelProps& inherited, const ccRange& range,
                                     bool inclusive, ccGeneralShapeTree& found);

// When the pieces of a contour count as agreeing in their records, so that
// the contour can be sampled as one shape.
enum ConsistentPropsMode {
    eConsistentAll = 0,        // weight, magnitude and both polarity flags equal
    eConsistentDirection = 1,  // closed: one inside polarity; open: equal reversal
    eConsistentPolarity = 2,   // both polarity flags equal
};

// The featurelets of `shape` below the properties `inherited`. Walks the tree
// combining records down it; a contour whose pieces agree (by `mode`) is
// sampled whole, otherwise its pieces' chains are joined into one chain with
// merged joints (unless corners are duplicated or sampling is uniform); a
// region node's boundary is sampled in the sense of its standing, before its
// children. Each sample becomes a featurelet at tangent + pi/2 (- pi/2 under
// reversed polarity), mod 180 under ignored polarity, with the weight and
// magnitude in force times the parameters' scales. In uniform mode the point
// budget is shared over children in proportion to their perimeters (at least
// one each), an undecomposed shape is decomposed first, and an infinite one
// throws ccShapesError::InfiniteExtent. `shapeIndex` is the shape's node
// number in the sample parameters' shape info. With perimeter positions
// requested they are appended to `perimPositions`.
//
// Region-tree children are numbered as ccShapeInfo numbers them: after the
// node's boundary and its subtree. So their budget shares and perimeter
// positions refer to the right nodes of the info.
ccPtrHandle<ccFeatureletChainSet> cfFeatures(const ccShape& shape,
                                             const ccShapeModelProps& inherited,
                                             const ccShapeModel::ccFeatureParams& params,
                                             ConsistentPropsMode mode, long shapeIndex,
                                             std::vector<ccPerimPos>& perimPositions);

// Featurelets for shapes of many parts under a spacing range and a shared
// point budget: every part is sampled uniformly at a spacing between
// `minSpacing` and `maxSpacing` aiming at `numPoints` samples in all (0: at the
// largest spacing), at most `maxNumPoints` (ccNoPointLimit: none; 0: nothing);
// when the budget cannot cover the whole shape the shortest parts are left out.
// A featurelet's weight is scaled by the boundary length it stands for over
// `maxSpacing`. `reserved` has no effect.
ccPtrHandle<ccFeatureletChainSet> cfComplexFeatures(const ccShape& shape, double minSpacing,
                                                    double maxSpacing, long numPoints,
                                                    long maxNumPoints, double reserved);

// Joins the open pieces of general shape trees (also seen through mapped
// shapes) whose ends lie closer than `distance`, measured in the frame of
// `shape`, into contour trees; pieces keep their records, a piece joined the
// other way round is reversed with its reversal flag flipped. Any other shape
// comes back as a clone.
ccPtrHandle<ccShape> cfConnect(const ccShape& shape, double distance);

// ---------------------------------------------------------------------------
// Models from found edges

// A polyline model of chain `chainIndex` of `chains`: one vertex per featurelet,
// closed as the chain is, weight and magnitude the chain's means, polarity
// from the share of featurelets whose gradient points left of the travel
// (proportionPositiveCrossProduct): under one half reversed, exactly one half
// ignored, above normal. An empty chain gives an empty polyline model with the
// default record. An index outside the chains throws
// ccFeatureletDefs::BadParams; a negative mean magnitude
// ccShapeModelDefs::BadParams.
ccPtrHandle<ccShapeModelTemplate<ccPolyline>> cfPolylineShapeModel(
    const ccFeatureletChainSet& chains, long chainIndex);
// A region-tree model (default record) of the polyline models of all chains,
// placed by containment; an open chain throws ccShapesError::NotRegion.
ccPtrHandle<ccShapeModelTemplate<ccRegionTree>> cfRegionTreeModel(
    const ccFeatureletChainSet& chains);
// A general-tree model (default record) of the polyline models of all chains,
// in chain order.
ccPtrHandle<ccShapeModelTemplate<ccGeneralShapeTree>> cfGeneralShapeTreeModel(
    const ccFeatureletChainSet& chains);

// Short extensions at the junctions of the contours of `shape`: at every
// joint between consecutive pieces of positive effective weight, each piece
// continued beyond the joint by `fraction` of its length (a segment along its
// tangent, an arc along its ellipse), weight scaled by -0.5 / fraction. Pieces
// shorter than `minLength` are not extended. A negative fraction means 0.5.
// The result is a plain general tree of segment and arc models (mapped-shape
// models under a non-linear map), two per joint at most.
ccPtrHandle<ccGeneralShapeTree> cfExtensionShape(const ccShape& shape, double fraction,
                                                 double minLength);

// ---------------------------------------------------------------------------
// Members of ccShapeModelTemplate<T>
//
// The overrides call T's own operations by qualified name, so that the
// template's override is not entered again; the shape library in turn hands
// shapes it derives from a model back through cloneThat_, which wraps them
// without calling any of these operations.

template <class T>
const ccShapeModelTemplate<T>& ccShapeModelTemplate<T>::source(ccPtrHandle<ccShape>& keep) const {
    keep = cfAddGenPolyModelProps(*this);
    return keep ? dynamic_cast<const ccShapeModelTemplate&>(*keep) : *this;
}

template <class T>
ccPtrHandle<ccShape> ccShapeModelTemplate<T>::rewrap(const ccPtrHandle<ccShape>& result,
                                                     const ccShapeModelTemplate& source) const {
    if (cfIsA<ccShapeModel>(*result)) return result;
    ccPtrHandle<ccShape> wrapped = modelProps().assign(*result);
    dynamic_cast<ccShapeModel&>(*wrapped) = static_cast<const ccShapeModel&>(source);
    return wrapped;
}

template <class T>
ccPtrHandle<ccShape> ccShapeModelTemplate<T>::decompose() const {
    ccPtrHandle<ccShape> keep;
    const ccShapeModelTemplate& s = source(keep);
    return rewrap(s.T::decompose(), s);
}

template <class T>
ccPtrHandle<ccShape> ccShapeModelTemplate<T>::subShape(
    const ccShapeInfo& info, const std::pair<ccPerimPos, double>& range) const {
    ccPtrHandle<ccShape> keep;
    const ccShapeModelTemplate& s = source(keep);
    return rewrap(s.T::subShape(info, range), s);
}

template <class T>
ccPtrHandle<ccShape> ccShapeModelTemplate<T>::clip_(const ccPolyline& region,
                                                    ccClipInfo& info) const {
    ccPtrHandle<ccShape> keep;
    const ccShapeModelTemplate& s = source(keep);
    return rewrap(s.T::clip_(region, info), s);
}

template <class T>
ccPtrHandle<ccShape> ccShapeModelTemplate<T>::reverse() const {
    return rewrap(T::reverse(), *this);
}

template <class T>
ccPtrHandle<ccShape> ccShapeModelTemplate<T>::reverse_() const {
    ccPtrHandle<ccShape> reversed = static_cast<const ccShape&>(*this).reverse();
    auto& model = dynamic_cast<ccShapeModel&>(*reversed);
    ccShapeModelProps flipped = model.modelProps();
    flipped.isReversedPolarity(!flipped.isReversedPolarity());
    model.modelProps(flipped);
    return reversed;
}

template <class T>
ccPtrHandle<ccShape> ccShapeModelTemplate<T>::mapShape(const ccXform<2>& xform) const {
    if constexpr (std::is_same<T, ccRegionTree>::value) {
        return cfMapRegionTreeModel(*this, xform);
    } else if constexpr (std::is_base_of<ccGenPoly, T>::value) {
        return static_cast<const ccShape&>(*this).decompose()->mapShape(xform);
    } else {
        ccPtrHandle<ccShape> keep;
        const ccShapeModelTemplate& s = source(keep);
        const ccPtrHandle<ccShape> image = s.T::clone()->mapShape(xform);
        ccPtrHandle<ccShape> wrapped = modelProps().assign(*image);
        dynamic_cast<ccShapeModel&>(*wrapped) = static_cast<const ccShapeModel&>(s);
        return cfCorrectPolarities(wrapped, *this, xform);
    }
}

template <class T>
ccPtrHandle<ccShapeTree> ccShapeModelTemplate<T>::flatten_(bool flag) const {
    if constexpr (std::is_base_of<ccShapeTree, T>::value) {
        // The distributed copy has this model's type; flattening it as a T
        // keeps the tree kind's own rules and does not come back here.
        const ccPtrHandle<ccShapeTree> distributed =
            cfDistributeShapeProps(*this, ccShapeModelProps());
        return dynamic_cast<const ccShapeModelTemplate&>(*distributed).T::flatten_(flag);
    } else {
        (void)flag;
        throw ccShapeModelDefs::NotSupported(L"only shape trees can be flattened");
    }
}

// Used by connect_: the tree model `model` with every plain child made a model
// of its own record, connected by the shape library.
ccPtrHandle<ccShape> cfConnectShapeModel(const ccShapeModelTemplate<ccGeneralShapeTree>& model,
                                         double distance);

template <class T>
ccPtrHandle<ccGeneralShapeTree> ccShapeModelTemplate<T>::connect_(double distance) const {
    if constexpr (std::is_same<T, ccGeneralShapeTree>::value) {
        return ccPtrHandle<ccGeneralShapeTree>(cfConnectShapeModel(*this, distance));
    } else {
        (void)distance;
        throw ccShapeModelDefs::NotSupported(L"only general shape trees can be connected");
    }
}

template <class T>
ccPtrHandle<ccEllipseArc2> ccShapeModelTemplate<T>::negCornerArc_(const ccEllipseArc2& arc) const {
    return ccPtrHandle<ccEllipseArc2>(
        new ccShapeModelTemplate<ccEllipseArc2>(arc, ccShapeModelProps(false, 0.0, false, 1.0)));
}

// Only a wireframe model has a second polarity flag to keep in step; for any
// other T the object can never be one, so the test is made at compile time.
template <class T>
void ccShapeModelTemplate<T>::modelProps_(const ccShapeModelProps& p) {
    if constexpr (std::is_same<T, cc2Wireframe>::value) {
        if (this->isPolarityReversed() != p.isReversedPolarity())
            this->polarity(p.isReversedPolarity());
    } else {
        (void)p;
    }
}

template <class T>
void ccShapeModelTemplate<T>::polarity_(bool reversed) {
    if constexpr (std::is_same<T, cc2Wireframe>::value) {
        if (modelProps().isReversedPolarity() == reversed) return;
        ccShapeModelProps p = modelProps();
        p.isReversedPolarity(reversed);
        ccShapeModel::modelProps(p);
    } else {
        (void)reversed;
    }
}

template <class T>
void ccShapeModelTemplate<T>::dispatchSerialize(ccArchive& ar) {
    (void)&sExemplar;  // every archivable instantiation keeps its registration
    if (this->haveVisited(ar, this, sizeof(ccShapeModelTemplate))) return;
    unsigned char version = 0;
    ar || version;
    serialize_(ar, version);
    this->setVisited(ar, this, sizeof(ccShapeModelTemplate));
}

template <class T>
void ccShapeModelTemplate<T>::serialize_(ccArchive& ar, unsigned char version) {
    if (version != 0) throw ccArchive::UnknownVersion("ch_core/shapemod", 284);
    T::dispatchSerialize(ar);
    ccShapeModel::dispatchSerialize(ar);
}

// ---------------------------------------------------------------------------
// Diagnostic recording

// Writes one record per node of `shape` into `diag`, in pre-order (a region
// node's boundary before its children, a mapped shape's held shape after
// it), each one level below its parent's and over `image`: the annotation
// (`name`, ": " and the node's type name; the type name alone for an empty
// `name`; inner nodes are named "Boundary", "Phantom Boundary", "Child i" and
// "Mapped Shape"), a "Shape Description" text, a "Shape Drawing" of the
// node's subtree (as ccShapeModel::draw, mapped by `pose` into the image) and,
// for a tree node, a "Shape Structure Diagram" fitted to the image. The level
// of `diag` is the same afterwards. An empty handle inside a mapped shape
// throws ccBadPointer; the records written before stay, the level is not
// restored. Instantiated for 8-bit (unsigned char) and 16-bit (unsigned
// short) images.
template <class T>
void cfRecordWithPose(ccDiagObject& diag, const ccPelBuffer_const<T>& image, const ccShape& shape,
                      const ccXform<2>& pose, const ccGraphicProps& positive,
                      const ccGraphicProps& negative, const ccGraphicProps& zero,
                      const std::wstring& name);
extern template void cfRecordWithPose<unsigned char>(ccDiagObject&,
                                                     const ccPelBuffer_const<unsigned char>&,
                                                     const ccShape&, const ccXform<2>&,
                                                     const ccGraphicProps&, const ccGraphicProps&,
                                                     const ccGraphicProps&, const std::wstring&);
extern template void cfRecordWithPose<unsigned short>(ccDiagObject&,
                                                      const ccPelBuffer_const<unsigned short>&,
                                                      const ccShape&, const ccXform<2>&,
                                                      const ccGraphicProps&, const ccGraphicProps&,
                                                      const ccGraphicProps&, const std::wstring&);

// The 25 instantiations live in the module.
// clang-format off
#define SHMD_FOR_EACH_MODEL_TYPE(X)                                                           \
    X(cc2Point)                                                                               \
    X(cc2Wireframe)                                                                           \
    X(ccAffineRectangle)                                                                      \
    X(ccAnnulus)                                                                              \
    X(ccBezierCurve)                                                                          \
    X(ccCircle)                                                                               \
    X(ccContourTree)                                                                          \
    X(ccDeBoorSpline)                                                                         \
    X(ccEllipse2)                                                                             \
    X(ccEllipseAnnulus)                                                                       \
    X(ccEllipseAnnulusSection)                                                                \
    X(ccEllipseArc2)                                                                          \
    X(ccFLine)                                                                                \
    X(ccGenAnnulus)                                                                           \
    X(ccGenPoly)                                                                              \
    X(ccGenRect)                                                                              \
    X(ccGeneralShapeTree)                                                                     \
    X(ccHermiteSpline)                                                                        \
    X(ccInterpSpline)                                                                         \
    X(ccLine)                                                                                 \
    X(ccLineSeg)                                                                              \
    X(ccMappedShape)                                                                          \
    X(ccPolyline)                                                                             \
    X(ccRect)                                                                                 \
    X(ccRegionTree)
// clang-format on

#define SHMD_EXTERN_MODEL(T) extern template class ccShapeModelTemplate<T>;
SHMD_FOR_EACH_MODEL_TYPE(SHMD_EXTERN_MODEL)
#undef SHMD_EXTERN_MODEL
