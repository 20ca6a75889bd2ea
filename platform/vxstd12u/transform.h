// Transforms of the plane behind one interface: linear (affine), rigid, and
// the perspective map a camera gives of a plane.
#pragma once

#include "vxstd12u/handle.h"
#include "vxstd12u/persistent.h"
#include "vxstd12u/repbase.h"
#include "vxstd12u/xform.h"

class cc2XformLinear;

// A transform of the plane, shared through handles and immutable in use.
//
// Non-linear transforms map vectors and angles differently at each point, so
// those calls take the point they apply at. A transform that is not defined at
// a point (a perspective map on its horizon) throws ccShapesError::BadParams.
class cc2XformBase : public virtual ccRepBase, public virtual ccPersistent {
  public:
    ~cc2XformBase() override = default;

    virtual ccPtrHandle<cc2XformBase> clone() const = 0;

    // Whether the transform is affine, equal everywhere to its linearXform.
    virtual bool isLinear() const = 0;

    virtual ccVector<2> mapPoint(const ccVector<2>& p) const = 0;

    // The image of the displacement `v` applied at the point `at`: the
    // derivative of the transform at `at` times `v`.
    virtual ccVector<2> mapVector(const ccVector<2>& at, const ccVector<2>& v) const = 0;

    // The direction of the image of the direction `angle` taken at `at`.
    ccRadian mapAngle(const ccVector<2>& at, const ccRadian& angle) const;

    // The affine map that agrees with this transform to first order at `at`.
    // Its determinant is negative where the transform mirrors.
    virtual cc2XformLinear linearXform(const ccVector<2>& at) const = 0;

    // The inverse transform; throws ccShapesError::BadParams when there is none.
    virtual ccPtrHandle<cc2XformBase> inverse() const = 0;

    // The transform that applies `inner` first and this one after it. Linear
    // after linear is linear; any other pairing is a perspective map.
    virtual ccPtrHandle<cc2XformBase> compose(const cc2XformBase& inner) const = 0;

    // Geometric equality of two transforms of the same kind.
    virtual bool equals(const cc2XformBase& other) const = 0;

    // Whether `a` and `b` lie on the same side of the transform's horizon: a
    // curve from one to the other that meets the horizon has an unbounded
    // image. Transforms without a horizon (affine ones) answer true; a point
    // on the horizon throws ccShapesError::BadParams.
    virtual bool onSameSideOfHorizon(const ccVector<2>& a, const ccVector<2>& b) const;
};

// An affine transform.
class cc2XformLinear : public cc2XformBase {
  public:
    cc2XformLinear() = default;
    explicit cc2XformLinear(const ccXform<2>& xform) : xform_(xform) {}

    const ccXform<2>& xform() const noexcept { return xform_; }
    double determinant() const noexcept { return xform_.determinant(); }

    ccPtrHandle<cc2XformBase> clone() const override;
    bool isLinear() const override { return true; }
    ccVector<2> mapPoint(const ccVector<2>& p) const override { return xform_.mapPoint(p); }
    ccVector<2> mapVector(const ccVector<2>&, const ccVector<2>& v) const override {
        return xform_.mapVector(v);
    }
    ccVector<2> mapVector(const ccVector<2>& v) const { return xform_.mapVector(v); }
    cc2XformLinear linearXform(const ccVector<2>&) const override { return *this; }
    ccPtrHandle<cc2XformBase> inverse() const override;
    ccPtrHandle<cc2XformBase> compose(const cc2XformBase& inner) const override;
    bool equals(const cc2XformBase& other) const override;

    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, the ccXform<2> (matrix, then translation).
    void dispatchSerialize(ccArchive& ar) override;

  private:
    ccXform<2> xform_;
};

// A rotation (in degrees, counter-clockwise) followed by a translation: the
// pose of a part, or of a point on a contour with its tangent.
class cc2Rigid : public cc2XformLinear {
  public:
    cc2Rigid() = default;
    cc2Rigid(const ccDegree& rotation, const ccVector<2>& translation);

    const ccDegree& rotation() const noexcept { return rotation_; }
    const ccVector<2>& translation() const noexcept { return translation_; }

    ccPtrHandle<cc2XformBase> clone() const override;

    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, rotation (degrees, a double), translation; the linear
    // part is rebuilt from them, so this form stands in for cc2XformLinear's.
    void dispatchSerialize(ccArchive& ar) override;

  private:
    ccDegree rotation_;
    ccVector<2> translation_;
};

// The planar perspective map (homography) p -> (H [p; 1]) projected, with H a
// 3x3 matrix given row by row: the view of a plane through a pinhole camera.
// The map is undefined on its horizon, where the third coordinate vanishes;
// points there throw ccShapesError::BadParams. It mirrors where the determinant
// of its derivative is negative.
class cc2XformPerspective : public cc2XformBase {
  public:
    cc2XformPerspective();  // identity
    // `h` holds the nine entries row by row; H must be invertible and finite.
    explicit cc2XformPerspective(const double (&h)[9]);

    double element(int row, int col) const noexcept { return h_[row * 3 + col]; }

    ccPtrHandle<cc2XformBase> clone() const override;
    bool isLinear() const override;
    ccVector<2> mapPoint(const ccVector<2>& p) const override;
    ccVector<2> mapVector(const ccVector<2>& at, const ccVector<2>& v) const override;
    cc2XformLinear linearXform(const ccVector<2>& at) const override;
    ccPtrHandle<cc2XformBase> inverse() const override;
    ccPtrHandle<cc2XformBase> compose(const cc2XformBase& inner) const override;
    bool equals(const cc2XformBase& other) const override;
    bool onSameSideOfHorizon(const ccVector<2>& a, const ccVector<2>& b) const override;

    // The homography equal to an affine map.
    static cc2XformPerspective fromAffine(const ccXform<2>& xform);

    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, the nine elements row by row; loading refuses
    // non-finite or singular ones as the constructor does.
    void dispatchSerialize(ccArchive& ar) override;

  private:
    double w(const ccVector<2>& p) const;
    double h_[9];
};
