// Rings: circular and elliptical annuli, and sections of elliptical annuli.
//
// All three are regions made of closed loops (see composed.h for the
// conventions of arc length, start point, within and decomposition they share).
// Ellipses are parametrised as in ellipse.h:
//     point(phi) = center + R(angle) (rx cos phi, ry sin phi).
// The inner curve of a ring uses the same centre, angle and parameter phi as
// the outer one, so "the same phi" on both curves lies on the same ray when
// the radii are proportional.
//
// Handedness: a right-handed ring runs its outer curve counter-clockwise and
// its inner curve clockwise (the material lies to the left of travel on both),
// like a solid region tree with a hole. reverse() keeps the start point and
// flips handedness. Reversing twice gives an equal shape.
//
// Degenerate input: an inner radius of 0 gives a hole without area; it is
// left out of the loops, the perimeter and the decomposition. An inner radius
// equal to the outer one is allowed (a ring of no area). Negative or
// non-finite radii, an outer radius of 0, an inner radius above the outer
// one, and non-finite centres or angles throw ccShapesError::BadParams and
// leave the object as it was.
#pragma once

#include "vxstd12u/composed.h"
#include "vxstd12u/ellipse.h"

class ccEllipseAnnulus;

// The ring between two concentric circles. Its outer curve starts at
// center + (outerRadius, 0); its inner curve at center + (innerRadius, 0).
//
// mapShape: a map that keeps the direction +x and scales uniformly (matrix
// [s 0; 0 +-s], s > 0) gives a ccAnnulus (a mirror flips handedness); any
// other map gives the mapped ccEllipseAnnulus (see there).
class ccAnnulus : public ccComposedShape {
  public:
    // Centre (0, 0), outer radius 1, inner radius 0.5, right-handed.
    ccAnnulus() = default;
    ccAnnulus(const ccVector<2>& center, double outerRadius, double innerRadius,
              bool rightHanded = true);

    const ccVector<2>& center() const noexcept { return center_; }
    void center(const ccVector<2>& c);
    double outerRadius() const noexcept { return outer_; }
    double innerRadius() const noexcept { return inner_; }
    // Sets both radii together, since each bounds the other.
    void radii(double outerRadius, double innerRadius);
    bool isRightHanded() const override { return rightHanded_; }
    void rightHanded(bool r);

    // The same ring as an elliptical annulus (angle 0, phase 0).
    ccEllipseAnnulus asEllipseAnnulus() const;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

    // The archive items after the version, in the order of the form: center, outer radius, inner
    // radius, right-handed flag. Loading validates them as the constructor does (ccArchive::Error
    // when refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, center, outer radius, inner radius, right-handed flag.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the same items without the version byte.
    bool loadSimple(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    std::vector<Loop> loops_() const override;

  private:
    ccVector<2> center_;
    double outer_ = 1.0;
    double inner_ = 0.5;
    bool rightHanded_ = true;
};

// The ring between an outer ellipse and an inner one with the same centre and
// angle. The outer ccEllipse2 gives centre, radii, angle, handedness and
// phase (the start parameter); the inner curve starts at the same phase and
// runs the other way.
//
// mapShape gives a ccEllipseAnnulus whenever the image is one: when the map
// keeps the ellipses' axes perpendicular (similarities, and scalings along
// the axes), or when the inner radii are proportional to the outer ones (any
// non-singular map). Otherwise the two images have different axes and the
// result is the mapped decomposition (a ccRegionTree).
class ccEllipseAnnulus : public ccComposedShape {
  public:
    // Outer unit circle about the origin, inner radii (0.5, 0.5), right-handed.
    ccEllipseAnnulus() = default;
    // Throws BadParams for an outer radius of 0, or inner radii negative,
    // non-finite or above the outer ones.
    ccEllipseAnnulus(const ccEllipse2& outer, const ccVector<2>& innerRadii);

    const ccEllipse2& outer() const noexcept { return outer_; }
    ccEllipse2 inner() const;
    const ccVector<2>& center() const noexcept { return outer_.center(); }
    const ccVector<2>& outerRadii() const noexcept { return outer_.radii(); }
    const ccVector<2>& innerRadii() const noexcept { return inner_; }
    const ccRadian& angle() const noexcept { return outer_.angle(); }
    const ccRadian& phase() const noexcept { return outer_.phase(); }
    bool isRightHanded() const override { return outer_.isRightHanded(); }
    // Sets the outer ellipse and inner radii together.
    void ellipses(const ccEllipse2& outer, const ccVector<2>& innerRadii);

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

    // The archive items after the version, in the order of the form: the outer ellipse's items (as
    // ccEllipse2), inner radii. Loading validates them as the constructor does (ccArchive::Error
    // when refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, the outer ellipse's items (as ccEllipse2), inner radii.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the same items without the version byte.
    bool loadSimple(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    std::vector<Loop> loops_() const override;

  private:
    ccEllipse2 outer_;
    ccVector<2> inner_{0.5, 0.5};
};

// The piece of an elliptical annulus between two parameters: the closed
// contour of the outer arc from phiStart over phiSpan, the segment to the
// inner curve at phiStart + phiSpan, the inner arc backwards to phiStart and
// the segment back to the start. A positive span runs counter-clockwise
// (right-handed); a negative one clockwise.
//
// The reversed flag runs the same loop backwards from the same start point:
// segment to the inner curve, inner arc forwards, segment out, outer arc
// backwards. isRightHanded() is (phiSpan > 0) != reversed.
//
// Degenerate input: inner radii of 0 make the inner arc a point, which is left
// out (the section becomes a sector). A span of 0 or beyond one turn throws
// ccShapesError::BadParams.
//
// mapShape keeps the type under the same maps as ccEllipseAnnulus; otherwise
// it gives the mapped decomposition (a closed ccContourTree).
class ccEllipseAnnulusSection : public ccComposedShape {
  public:
    // A quarter of the ring between the unit circle and the circle of radius
    // 0.5, from phi 0 to pi/2.
    ccEllipseAnnulusSection() = default;
    ccEllipseAnnulusSection(const ccVector<2>& center, const ccVector<2>& outerRadii,
                            const ccVector<2>& innerRadii, const ccRadian& angle,
                            const ccRadian& phiStart, const ccRadian& phiSpan,
                            bool reversed = false);

    const ccVector<2>& center() const noexcept { return center_; }
    const ccVector<2>& outerRadii() const noexcept { return outer_; }
    const ccVector<2>& innerRadii() const noexcept { return inner_; }
    const ccRadian& angle() const noexcept { return angle_; }
    const ccRadian& phiStart() const noexcept { return phiStart_; }
    const ccRadian& phiSpan() const noexcept { return phiSpan_; }
    bool isReversed() const noexcept { return reversed_; }
    bool isRightHanded() const override { return (phiSpan_.toDouble() > 0) != reversed_; }

    // The outer and inner arcs, both from phiStart over phiSpan.
    ccEllipseArc2 outerArc() const;
    ccEllipseArc2 innerArc() const;

    ccPtrHandle<ccShape> clone() const override;
    ccPtrHandle<ccShape> mapShape(const ccXform<2>& xform) const override;
    ccPtrHandle<ccShape> reverse() const override;

    // The archive items after the version, in the order of the form: center, outer radii, inner
    // radii, angle, phiStart, phiSpan, reversed flag. Loading validates them as the constructor
    // does (ccArchive::Error when refused) and changes nothing unless they are valid.
    void exchangeParams(ccArchive& ar);
    // A default-made object for the archive's factory.
    static ccPersistent* make();

  protected:
    // Form: version 0, center, outer radii, inner radii, angle, phiStart, phiSpan, reversed flag.
    void dispatchSerialize(ccArchive& ar) override;
    // The simple form: the same items without the version byte.
    bool loadSimple(ccArchive& ar) override;
    bool equal_(const ccShape& other) const override;
    std::vector<Loop> loops_() const override;

  private:
    ccVector<2> center_;
    ccVector<2> outer_{1.0, 1.0};
    ccVector<2> inner_{0.5, 0.5};
    ccRadian angle_;
    ccRadian phiStart_;
    ccRadian phiSpan_{ccPi / 2};
    bool reversed_ = false;
};
