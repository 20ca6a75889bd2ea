// Generalized rectangles (rounded, skewed, rotated) and the rings between two
// of them.
//
// Geometry. In local coordinates (u, v) a generalized rectangle with radii
// (rx, ry) (half sizes) is the square [-rx, rx] x [-ry, ry] whose corners are
// replaced by quarter ellipses with radii uround = (round.x rx, round.y ry),
// tangent to both sides. The plane point of (u, v) is
//     center + u xDir + v yDir,
// with xDir the unit vector at orient and yDir the unit vector at
// orient + pi/2 + skew (see ccSkewFrame in composed.h). Rounding 0 gives sharp
// corners; rounding (1, 1) gives a whole ellipse. A corner is rounded only
// when both rounding fractions are positive: a quarter ellipse with one zero
// radius runs along the sides and is the sharp corner.
//
// Traversal. The boundary starts at the middle of the +u side, local (rx, 0).
// A right-handed one runs towards +v (counter-clockwise in the local frame, and
// in the plane, since |skew| < pi/2 keeps handedness): half side, corner, top
// side, corner, and so on round to the start. A left-handed one runs the same
// loop the other way from the same point. reverse() flips handedness only.
//
// Decomposition: a closed ccContourTree of ccLineSeg sides and ccEllipseArc2
// corners in the order of travel, pieces of zero length left out (so a sharp
// rectangle has five segments, the +u side split at the start point).
//
// mapShape: every non-singular affine map gives a generalized rectangle (the
// images of the local axes give the new radii, orient and skew; a mirroring
// map flips handedness, the start point being symmetric); a singular map gives
// the mapped decomposition.
//
// Bad input: radii not positive and finite, a non-finite centre or orient, a
// skew not strictly between -pi/2 and pi/2, or rounding fractions outside
// [0, 1] throw ccShapesError::BadParams and leave the object as it was.
#pragma once

#include "vxstd12u/composed.h"

class ccGenRect : public ccComposedShape {
  public:
    // The square of radii (1, 1) about the origin, sharp, right-handed.
    ccGenRect() = default;
    ccGenRect(const ccVector<2>& center, const ccVector<2>& radii, const ccRadian& orient,
              const ccRadian& skew = ccRadian(0.0), const ccVector<2>& round = ccVector<2>(),
              bool rightHanded = true);

    const ccVector<2>& center() const noexcept { return frame_.center; }
    const ccVector<2>& radii() const noexcept { return radii_; }
    ccRadian orient() const noexcept { return ccRadian(frame_.orient); }
    ccRadian skew() const noexcept { return ccRadian(frame_.skew); }
    // Rounding as fractions of the radii, each in [0, 1].
    const ccVector<2>& round() const noexcept { return round_; }
    // Rounding in absolute units: the radii of the corner ellipses.
    ccVector<2> uround() const noexcept {
        return {round_.x() * radii_.x(), round_.y() * radii_.y()};
    }
    bool isRightHanded() const override { return rightHanded_; }
    const ccSkewFrame& frame() const noexcept { return frame_; }

    // Setters check as the constructor does.
    void center(const ccVector<2>& c);
    void radii(const ccVector<2>& r);
    void orient(const ccRadian& a);
    void skew(const ccRadian& s);
    void round(const ccVector<2>& r);
    void rightHanded(bool r);

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

    // The boundary loop in the order of travel (see the header comment).
    Loop boundaryLoop() const;
    // The image under `xform` as a generalized rectangle, and the factors by
    // which the two radii grew. False, outputs unchanged, when the map is
    // singular (the image has no area). A non-finite map throws BadParams.
    bool mapped(const ccXform<2>& xform, ccGenRect& image, ccVector<2>& radiusScales) const;

    // The archive items after the version, in the order of the form: center, radii, orient, skew,
    // round, right-handed flag. Loading validates them as the constructor does (ccArchive::Error
    // when refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, center, radii, orient, skew, round, right-handed flag.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the same items without the version byte.
    bool loadSimple(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    std::vector<Loop> loops_() const override { return {boundaryLoop()}; }

  private:
    ccSkewFrame frame_;
    ccVector<2> radii_{1.0, 1.0};
    ccVector<2> round_;
    bool rightHanded_ = true;
};

// The ring between an outer generalized rectangle and an inner one with the
// same centre, orient and skew, and radii and rounding of its own. The inner
// loop starts at the middle of its +u side and runs against the outer one.
//
// Degenerate input: an inner radius of 0 gives a hole without area, which is
// left out of the loops and the decomposition. Inner radii negative or above
// the outer ones, inner rounding outside [0, 1], or an inner rectangle that
// leaves the outer one (sharp inner corners in a rounded outer rectangle;
// checked at 65 points of an inner corner, to cc_tol::kCoincident) throw
// BadParams.
//
// mapShape: every non-singular affine map gives a ccGenAnnulus.
class ccGenAnnulus : public ccComposedShape {
  public:
    // Outer square of radii (1, 1), inner radii (0.5, 0.5), sharp.
    ccGenAnnulus() = default;
    ccGenAnnulus(const ccGenRect& outer, const ccVector<2>& innerRadii,
                 const ccVector<2>& innerRound = ccVector<2>());

    const ccGenRect& outer() const noexcept { return outer_; }
    const ccVector<2>& center() const noexcept { return outer_.center(); }
    const ccVector<2>& outerRadii() const noexcept { return outer_.radii(); }
    const ccVector<2>& innerRadii() const noexcept { return innerRadii_; }
    ccRadian orient() const noexcept { return outer_.orient(); }
    ccRadian skew() const noexcept { return outer_.skew(); }
    const ccVector<2>& outerRound() const noexcept { return outer_.round(); }
    const ccVector<2>& innerRound() const noexcept { return innerRound_; }
    bool isRightHanded() const override { return outer_.isRightHanded(); }
    // Whether the inner radii are both positive, so that there is a hole.
    bool hasHole() const noexcept { return innerRadii_.x() > 0 && innerRadii_.y() > 0; }
    // The inner generalized rectangle, running against the outer one.
    // Throws BadParams when there is no hole.
    ccGenRect inner() const;

    // Sets everything together, checked as the constructor does.
    void rects(const ccGenRect& outer, const ccVector<2>& innerRadii,
               const ccVector<2>& innerRound);

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

    // The archive items after the version, in the order of the form: the outer rectangle's items
    // (as ccGenRect), inner radii, inner round. Loading validates them as the constructor does
    // (ccArchive::Error when refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, the outer rectangle's items (as ccGenRect), inner radii, inner round.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the same items without the version byte.
    bool loadSimple(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    std::vector<Loop> loops_() const override;

  private:
    ccGenRect outer_;
    ccVector<2> innerRadii_{0.5, 0.5};
    ccVector<2> innerRound_;
};
