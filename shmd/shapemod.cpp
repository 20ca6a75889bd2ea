// Model-property records, the module's errors, the shape-model base class,
// the parameter records, and their archive forms.
#include "ch_core/shapemod.h"

#include <typeinfo>

#include "vxstd12u/str.h"

namespace {
// Places named by the archive refusals of this file's forms.
constexpr const char* kSource = "shmd/shapemod";
constexpr int kPropsVersionPlace = 130;
constexpr int kModelVersionPlace = 158;
constexpr int kFeatureParamsVersionPlace = 515;

void requireNonNegativeMagnitude(double magnitude, const wchar_t* what) {
    if (magnitude < 0) {
        throw ccShapeModelDefs::BadParams(std::wstring(what) + L" " + cfStr(magnitude) +
                                          L" is below zero");
    }
}
}  // namespace

// ---------------------------------------------------------------------------
// ccShapeModelProps

ccShapeModelProps::ccShapeModelProps(bool isReversedPolarity, double weight, bool isIgnoredPolarity,
                                     double magnitude)
    : weight_(weight),
      magnitude_(magnitude),
      isReversedPolarity_(isReversedPolarity),
      isIgnoredPolarity_(isIgnoredPolarity) {
    requireNonNegativeMagnitude(magnitude, L"magnitude");
}

void ccShapeModelProps::magnitude(double m) {
    requireNonNegativeMagnitude(m, L"magnitude");
    magnitude_ = m;
}

bool ccShapeModelProps::operator==(const ccShapeModelProps& o) const noexcept {
    return isReversedPolarity_ == o.isReversedPolarity_ && weight_ == o.weight_ &&
           isIgnoredPolarity_ == o.isIgnoredPolarity_ && magnitude_ == o.magnitude_;
}

ccShapeModelProps ccShapeModelProps::combine(const ccShapeModelProps& other) const {
    ccShapeModelProps r(*this);
    r.weight_ = weight_ > 0 || other.weight_ > 0 ? weight_ * other.weight_ : 0.0;
    r.isReversedPolarity_ = isReversedPolarity_ != other.isReversedPolarity_;
    r.isIgnoredPolarity_ = isIgnoredPolarity_ || other.isIgnoredPolarity_;
    r.magnitude_ = magnitude_ * other.magnitude_;
    requireNonNegativeMagnitude(r.magnitude_, L"combined magnitude");
    return r;
}

// Reading fills a copy and stores it only once the whole form was read, so a
// truncated archive leaves the caller's record as it was. Storing writes
// nothing back: other threads may be reading the same shared model.
ccArchive& operator||(ccArchive& ar, ccShapeModelProps& props) {
    unsigned char version = 1;
    ar || version;
    if (version > 1) throw ccArchive::UnknownVersion(kSource, kPropsVersionPlace);
    ccShapeModelProps exchanged(props);
    ar || exchanged.isReversedPolarity_ || exchanged.weight_;
    if (version == 1) {
        ar || exchanged.isIgnoredPolarity_ || exchanged.magnitude_;
    } else {
        exchanged.isIgnoredPolarity_ = false;
        exchanged.magnitude_ = 1.0;
    }
    if (ar.isLoading()) props = exchanged;
    return ar;
}

// ---------------------------------------------------------------------------
// Errors

ccShapeModelDefs::Errors& ccShapeModelDefs::Errors::operator=(const Errors&) {
    noticeChange_();
    return *this;
}

void ccShapeModelDefs::Errors::dispatchSerialize(ccArchive& ar) {
    serializeLevel_(ar, static_cast<Errors*>(this), sizeof(Errors), "ccShapeModelDefs::Errors",
                    [&] { ccShapesError::Errors::dispatchSerialize(ar); });
}

template <class Self, long Number>
cc_Instantiator ccShapeModelDefs::Concrete<Self, Number>::sExemplar(typeid(Self), &Self::make);

template <class Self, long Number>
void ccShapeModelDefs::Concrete<Self, Number>::dispatchSerialize(ccArchive& ar) {
    const std::string name = cc_Instantiator::stableName(typeid(Self));
    this->serializeLevel_(ar, static_cast<Self*>(this), sizeof(Self), name.c_str(),
                          [&] { Errors::dispatchSerialize(ar); });
}

template class ccShapeModelDefs::Concrete<ccShapeModelDefs::BadParams, 0x10002A40>;
template class ccShapeModelDefs::Concrete<ccShapeModelDefs::BadWeight, 0x10002A40>;
template class ccShapeModelDefs::Concrete<ccShapeModelDefs::NotSupported, 0x10002A41>;

// ---------------------------------------------------------------------------
// ccShapeModel

cc_Instantiator ccShapeModel::sExemplar(typeid(ccShapeModel), &ccShapeModel::make);

ccPersistent* ccShapeModel::make() {
    return new ccShapeModel;
}

ccShapeModel& ccShapeModel::operator=(const ccShapeModel& other) {
    noticeChange_();
    props_ = other.props_;
    return *this;
}

void ccShapeModel::modelProps(const ccShapeModelProps& props) {
    noticeChange_();
    props_ = props;
    modelProps_(props);
}

void ccShapeModel::modelProps_(const ccShapeModelProps&) {}

ccPtrHandle<ccShape> ccShapeModel::rawShape_() const {
    return {};
}

void ccShapeModel::dispatchSerialize(ccArchive& ar) {
    auto* self = static_cast<ccShapeModel*>(this);
    if (haveVisited(ar, self, sizeof(ccShapeModel))) return;
    unsigned char version = 0;
    ar || version;
    serialize_(ar, version);
    setVisited(ar, self, sizeof(ccShapeModel));
}

void ccShapeModel::serialize_(ccArchive& ar, unsigned char version) {
    if (version != 0) throw ccArchive::UnknownVersion(kSource, kModelVersionPlace);
    ccPersistent::dispatchSerialize(ar);
    ar || props_;
}

// ---------------------------------------------------------------------------
// ccShapeModel::ccFeatureParams

ccShapeModel::ccFeatureParams::ccFeatureParams(const ccShape::ccSampleParams& sampleParams,
                                               double magScale, double weightScale)
    : sampleParams_(sampleParams), magScale_(magScale), weightScale_(weightScale) {
    requireNonNegativeMagnitude(magScale, L"magnitude scale");
}

void ccShapeModel::ccFeatureParams::magScale(double s) {
    requireNonNegativeMagnitude(s, L"magnitude scale");
    magScale_ = s;
}

bool ccShapeModel::ccFeatureParams::operator==(const ccFeatureParams& o) const noexcept {
    return sampleParams_ == o.sampleParams_ && magScale_ == o.magScale_ &&
           weightScale_ == o.weightScale_;
}

ccArchive& operator||(ccArchive& ar, ccShapeModel::ccFeatureParams& params) {
    unsigned char version = 0;
    ar || version;
    if (version != 0) throw ccArchive::UnknownVersion(kSource, kFeatureParamsVersionPlace);
    ccShapeModel::ccFeatureParams exchanged(params);
    ar || exchanged.sampleParams_ || exchanged.magScale_ || exchanged.weightScale_;
    params = exchanged;
    return ar;
}

ccArchive& operator<<(ccArchive& ar, const ccShapeModel::ccFeatureParams& params) {
    ccShapeModel::ccFeatureParams copy(params);
    return ar || copy;
}

ccArchive& operator>>(ccArchive& ar, ccShapeModel::ccFeatureParams& params) {
    return ar || params;
}

// ---------------------------------------------------------------------------
// The 25 typed shape models, each registered with the archive's factory.

#define SHMD_INSTANTIATE_MODEL(T) template class ccShapeModelTemplate<T>;
SHMD_FOR_EACH_MODEL_TYPE(SHMD_INSTANTIATE_MODEL)
#undef SHMD_INSTANTIATE_MODEL
