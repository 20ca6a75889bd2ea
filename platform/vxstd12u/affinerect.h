// Affine rectangles: parallelograms given by a centre, two side lengths, a
// rotation and a skew.
//
// Geometry. With the skewed frame of composed.h (xDir at rotation, yDir at
// rotation + pi/2 + skew), the corners are
//     c0 = center - (w xDir + h yDir) / 2,  c1 = c0 + w xDir,
//     c2 = c1 + h yDir,                     c3 = c0 + h yDir,
// for side lengths (w, h).
//
// Traversal. The boundary starts at c0. A right-handed one runs c0, c1, c2, c3
// (along xDir first); a left-handed one runs c0, c3, c2, c1. reverse() flips
// handedness only. Decomposition: a closed ccContourTree of four ccLineSeg
// sides in the order of travel.
//
// mapShape: every non-singular affine map gives an affine rectangle. A
// mirroring map swaps the roles of the two sides (the start corner is the
// same for both orders) and flips handedness; a singular map gives the mapped
// decomposition.
//
// Bad input: side lengths not positive and finite, a non-finite centre or
// rotation, or a skew not strictly between -pi/2 and pi/2 throw
// ccShapesError::BadParams and leave the object as it was.
#pragma once

#include "vxstd12u/composed.h"

class ccAffineRectangle : public ccComposedShape {
  public:
    // The unit square centred on the origin, right-handed.
    ccAffineRectangle() = default;
    ccAffineRectangle(const ccVector<2>& center, const ccVector<2>& sides, const ccRadian& rotation,
                      const ccRadian& skew = ccRadian(0.0), bool rightHanded = true);

    const ccVector<2>& center() const noexcept { return frame_.center; }
    // (w, h): the lengths of the sides along xDir and along yDir.
    const ccVector<2>& sides() const noexcept { return sides_; }
    ccRadian rotation() const noexcept { return ccRadian(frame_.orient); }
    ccRadian skew() const noexcept { return ccRadian(frame_.skew); }
    bool isRightHanded() const override { return rightHanded_; }
    const ccSkewFrame& frame() const noexcept { return frame_; }
    // Corner i (0 to 3) as named in the header comment, whatever the handedness.
    // Throws BadParams for another i.
    ccVector<2> corner(int i) const;

    // Setters check as the constructor does.
    void center(const ccVector<2>& c);
    void sides(const ccVector<2>& s);
    void rotation(const ccRadian& a);
    void skew(const ccRadian& s);
    void rightHanded(bool r);

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

    // The archive items after the version, in the order of the form: center, sides, rotation, skew,
    // right-handed flag. Loading validates them as the constructor does (ccArchive::Error when
    // refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, center, sides, rotation, skew, right-handed flag.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the same items without the version byte.
    bool loadSimple(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    std::vector<Loop> loops_() const override;

  private:
    ccSkewFrame frame_;
    ccVector<2> sides_{1.0, 1.0};
    bool rightHanded_ = true;
};
