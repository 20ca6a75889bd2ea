// The shape-model module: geometric shapes with model properties (weight,
// expected edge magnitude, reversed and ignored polarity) for training a
// pattern-finding tool, and the operations that keep those properties through
// geometry, feature generation, construction, drawing and description.
//
// Including this header gives the whole module and the platform types it uses.
#pragma once

#include <iosfwd>
#include <string>

#include "vxdispc12u/color.h"
#include "vxstd12u/archive.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/handle.h"
#include "vxstd12u/persistent.h"
#include "vxstd12u/sample.h"
#include "vxstd12u/shape.h"

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
        Errors(const Errors& other) : ccPersistent(), ccShapesError::Errors(other) {}
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

    // A bad value: a negative magnitude or magnitude scale.
    class BadParams : public ccErrorKind<BadParams, Errors, 0x10002A40> {
      public:
        BadParams() = default;
        explicit BadParams(std::wstring detail) : ccErrorKind(std::move(detail)) {}
        static ccPersistent* make();

      protected:
        void dispatchSerialize(ccArchive& ar) override;

      private:
        static cc_Instantiator sExemplar;
    };

    // Part of the public error set (it can be read back from an archive), but
    // nothing in the module throws it. Shares BadParams's number.
    class BadWeight : public ccErrorKind<BadWeight, Errors, 0x10002A40> {
      public:
        BadWeight() = default;
        explicit BadWeight(std::wstring detail) : ccErrorKind(std::move(detail)) {}
        static ccPersistent* make();

      protected:
        void dispatchSerialize(ccArchive& ar) override;

      private:
        static cc_Instantiator sExemplar;
    };

    // A shape of a kind that cannot carry model properties.
    class NotSupported : public ccErrorKind<NotSupported, Errors, 0x10002A41> {
      public:
        NotSupported() = default;
        explicit NotSupported(std::wstring detail) : ccErrorKind(std::move(detail)) {}
        static ccPersistent* make();

      protected:
        void dispatchSerialize(ccArchive& ar) override;

      private:
        static cc_Instantiator sExemplar;
    };
};

// ---------------------------------------------------------------------------
// The shape-model base class

// The part of every shape model that is not geometry: one ccShapeModelProps
// and the hooks through which a typed model keeps its shape and its
// properties in step. Code that walks shapes finds a node's record by a
// dynamic cast to ccShapeModel.
//
// Equality compares the properties only, never geometry.
class ccShapeModel : public virtual ccPersistent {
  public:
    class ccFeatureParams;

    ccShapeModel() = default;
    // Stores `props`; the hook modelProps_ is not called.
    explicit ccShapeModel(const ccShapeModelProps& props) : props_(props) {}
    ccShapeModel(const ccShapeModel& other) : ccPersistent(), props_(other.props_) {}
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
