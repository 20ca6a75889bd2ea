#include "vxstd12u/transform.h"

#include "vxstd12u/archiveform.h"

#include <cmath>

#include "vxstd12u/str.h"
#include "vxstd12u/tolerances.h"

ccRadian cc2XformBase::mapAngle(const ccVector<2>& at, const ccRadian& angle) const {
    return ccRadian(mapVector(at, ccVector<2>::polar(angle.toDouble())).angle());
}

bool cc2XformBase::onSameSideOfHorizon(const ccVector<2>&, const ccVector<2>&) const {
    return true;
}

ccPtrHandle<cc2XformBase> cc2XformLinear::clone() const {
    return cfMakeHandle<cc2XformLinear>(*this);
}

ccPtrHandle<cc2XformBase> cc2XformLinear::inverse() const {
    return cfMakeHandle<cc2XformLinear>(xform_.inverse());
}

ccPtrHandle<cc2XformBase> cc2XformLinear::compose(const cc2XformBase& inner) const {
    if (const auto* linear = dynamic_cast<const cc2XformLinear*>(&inner)) {
        return cfMakeHandle<cc2XformLinear>(xform_ * linear->xform_);
    }
    return cc2XformPerspective::fromAffine(xform_).compose(inner);
}

bool cc2XformLinear::equals(const cc2XformBase& other) const {
    const auto* linear = dynamic_cast<const cc2XformLinear*>(&other);
    return linear && linear->xform_ == xform_;
}

cc2Rigid::cc2Rigid(const ccDegree& rotation, const ccVector<2>& translation)
    : cc2XformLinear(ccXform<2>::rigid(rotation.toRadian(), translation)),
      rotation_(rotation),
      translation_(translation) {}

ccPtrHandle<cc2XformBase> cc2Rigid::clone() const {
    return cfMakeHandle<cc2Rigid>(*this);
}

namespace {
void multiply3(const double (&a)[9], const double (&b)[9], double (&out)[9]) {
    for (std::size_t r = 0; r < 3; ++r)
        for (std::size_t c = 0; c < 3; ++c)
            out[r * 3 + c] = a[r * 3] * b[c] + a[r * 3 + 1] * b[3 + c] + a[r * 3 + 2] * b[6 + c];
}

double determinant3(const double (&m)[9]) {
    return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
           m[2] * (m[3] * m[7] - m[4] * m[6]);
}

double magnitude3(const double (&m)[9]) {
    double largest = 0;
    for (double v : m) largest = std::fmax(largest, std::fabs(v));
    return largest;
}
}  // namespace

cc2XformPerspective::cc2XformPerspective() : h_{1, 0, 0, 0, 1, 0, 0, 0, 1} {}

cc2XformPerspective::cc2XformPerspective(const double (&h)[9]) {
    for (int i = 0; i < 9; ++i) {
        if (!std::isfinite(h[i]))
            throw ccShapesError::BadParams(L"perspective transform: non-finite entry");
        h_[i] = h[i];
    }
    const double scale = magnitude3(h_);
    if (!(std::fabs(determinant3(h_)) > cc_tol::kDegenerateRelative * scale * scale * scale)) {
        throw ccShapesError::BadParams(L"perspective transform: the matrix is singular");
    }
}

cc2XformPerspective cc2XformPerspective::fromAffine(const ccXform<2>& xform) {
    const ccMatrix<2>& m = xform.matrix();
    const double h[9] = {m.element(0, 0),
                         m.element(0, 1),
                         xform.offset().x(),
                         m.element(1, 0),
                         m.element(1, 1),
                         xform.offset().y(),
                         0,
                         0,
                         1};
    return cc2XformPerspective(h);
}

ccPtrHandle<cc2XformBase> cc2XformPerspective::clone() const {
    return cfMakeHandle<cc2XformPerspective>(*this);
}

bool cc2XformPerspective::isLinear() const {
    return h_[6] == 0.0 && h_[7] == 0.0;
}

double cc2XformPerspective::w(const ccVector<2>& p) const {
    const double w = h_[6] * p.x() + h_[7] * p.y() + h_[8];
    const double size = std::fabs(h_[6] * p.x()) + std::fabs(h_[7] * p.y()) + std::fabs(h_[8]);
    if (!(std::fabs(w) > cc_tol::kDegenerateRelative * size)) {
        throw ccShapesError::BadParams(L"perspective transform: point (" + cfStr(p.x()) + L", " +
                                       cfStr(p.y()) + L") lies on the horizon");
    }
    return w;
}

ccVector<2> cc2XformPerspective::mapPoint(const ccVector<2>& p) const {
    const double inv = 1.0 / w(p);
    return ccVector<2>((h_[0] * p.x() + h_[1] * p.y() + h_[2]) * inv,
                       (h_[3] * p.x() + h_[4] * p.y() + h_[5]) * inv);
}

// The derivative of (u/w, v/w) is (grad u - image * grad w) / w.
cc2XformLinear cc2XformPerspective::linearXform(const ccVector<2>& at) const {
    const double wa = w(at);
    const ccVector<2> image = mapPoint(at);
    const ccMatrix<2> jacobian((h_[0] - image.x() * h_[6]) / wa, (h_[1] - image.x() * h_[7]) / wa,
                               (h_[3] - image.y() * h_[6]) / wa, (h_[4] - image.y() * h_[7]) / wa);
    return cc2XformLinear(ccXform<2>(jacobian, image - jacobian * at));
}

ccVector<2> cc2XformPerspective::mapVector(const ccVector<2>& at, const ccVector<2>& v) const {
    return linearXform(at).mapVector(v);
}

ccPtrHandle<cc2XformBase> cc2XformPerspective::inverse() const {
    const double* m = h_;
    const double det = determinant3(h_);
    const double inv[9] = {(m[4] * m[8] - m[5] * m[7]) / det, (m[2] * m[7] - m[1] * m[8]) / det,
                           (m[1] * m[5] - m[2] * m[4]) / det, (m[5] * m[6] - m[3] * m[8]) / det,
                           (m[0] * m[8] - m[2] * m[6]) / det, (m[2] * m[3] - m[0] * m[5]) / det,
                           (m[3] * m[7] - m[4] * m[6]) / det, (m[1] * m[6] - m[0] * m[7]) / det,
                           (m[0] * m[4] - m[1] * m[3]) / det};
    return cfMakeHandle<cc2XformPerspective>(inv);
}

ccPtrHandle<cc2XformBase> cc2XformPerspective::compose(const cc2XformBase& inner) const {
    cc2XformPerspective innerH;
    if (const auto* linear = dynamic_cast<const cc2XformLinear*>(&inner)) {
        innerH = fromAffine(linear->xform());
    } else if (const auto* perspective = dynamic_cast<const cc2XformPerspective*>(&inner)) {
        innerH = *perspective;
    } else {
        throw ccShapesError::BadParams(
            L"perspective transform: cannot compose with this transform kind");
    }
    double product[9];
    multiply3(h_, innerH.h_, product);
    return cfMakeHandle<cc2XformPerspective>(product);
}

bool cc2XformPerspective::onSameSideOfHorizon(const ccVector<2>& a, const ccVector<2>& b) const {
    return (w(a) > 0) == (w(b) > 0);
}

bool cc2XformPerspective::equals(const cc2XformBase& other) const {
    const auto* p = dynamic_cast<const cc2XformPerspective*>(&other);
    if (!p) return false;
    for (int i = 0; i < 9; ++i)
        if (p->h_[i] != h_[i]) return false;
    return true;
}

// ---- archive forms

namespace {
const cc_Instantiator kLinearExemplar(typeid(cc2XformLinear), &cc2XformLinear::make);
const cc_Instantiator kRigidExemplar(typeid(cc2Rigid), &cc2Rigid::make);
const cc_Instantiator kPerspectiveExemplar(typeid(cc2XformPerspective), &cc2XformPerspective::make);
}  // namespace

ccPersistent* cc2XformLinear::make() {
    return new cc2XformLinear;
}

void cc2XformLinear::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/transform", 1, [&] {
        ccXform<2> xform = xform_;
        ar || xform;
        if (ar.isLoading()) *this = cc2XformLinear(xform);
    });
}

ccPersistent* cc2Rigid::make() {
    return new cc2Rigid;
}

void cc2Rigid::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/transform", 2, [&] {
        double degrees = rotation_.toDouble();
        ccVector<2> translation = translation_;
        ar || degrees || translation;
        if (ar.isLoading()) *this = cc2Rigid(ccDegree(degrees), translation);
    });
}

ccPersistent* cc2XformPerspective::make() {
    return new cc2XformPerspective;
}

void cc2XformPerspective::dispatchSerialize(ccArchive& ar) {
    cfExchangeForm(ar, this, "vxstd12u/transform", 3, [&] {
        double h[9];
        for (int i = 0; i < 9; ++i) ar || (h[i] = h_[i]);
        if (ar.isLoading())
            *this = cfValidLoaded("cc2XformPerspective", [&] { return cc2XformPerspective(h); });
    });
}
