// Graphics: shapes with drawing properties, shared through handles like
// shapes, that render themselves as SVG.
#pragma once

#include <type_traits>

#include "vxdispc12u/color.h"
#include "vxdispc12u/svg.h"
#include "vxstd12u/handle.h"
#include "vxstd12u/repbase.h"
#include "vxstd12u/shape.h"

class ccEllipseAnnulusSection;

// Something drawn: geometry plus ccGraphicProps. A graphic is immutable once
// made, so graphic lists and diagnostic records share graphics freely.
class ccGraphic : public virtual ccRepBase {
  public:
    ~ccGraphic() override = default;
    ccGraphic& operator=(const ccGraphic&) = delete;

    const ccGraphicProps& props() const noexcept { return props_; }

    // The graphic in another frame: a NEW graphic, in a new handle, whose
    // geometry is the image of this one under `xform`, with the same
    // properties and of the same class; this graphic is left unchanged. To
    // replace a graphic by its image, assign the result to its handle.
    // A non-finite map throws ccShapesError::BadParams.
    virtual ccPtrHandle<ccGraphic> map(const ccXform<2>& xform) const = 0;
    // A copy of the same class.
    virtual ccPtrHandle<ccGraphic> clone() const = 0;
    // Whether the graphic has finite extent; if so `box` becomes its bounding
    // box (an infinite line has none, and is drawn across whatever view).
    virtual bool extent(ccRect& box) const = 0;
    // Draws the graphic onto `canvas`, within the canvas's view where the
    // graphic is infinite.
    virtual void render(ccSvgCanvas& canvas) const = 0;

  protected:
    explicit ccGraphic(const ccGraphicProps& props) : props_(props) {}
    ccGraphic(const ccGraphic&) = default;

  private:
    ccGraphicProps props_;
};

// The outline of a shape, optionally filled. The graphic keeps its own copy of
// the shape (shapes are immutable in use, so copies of the graphic share it)
// and draws it exactly as cfAppendShapePath (shapepath.h) says.
//
// A mapped graphic holds the image shape that the shape library's mapShape
// gives, which may be of another type than the original (a circle under a
// shear becomes an ellipse); the graphic's class stays the same.
class ccGraphicShape : public ccGraphic {
  public:
    const ccShape& shape() const noexcept { return *shape_.get(); }
    const ccPtrHandle_const<ccShape>& shapeHandle() const noexcept { return shape_; }
    bool isFilled() const noexcept { return filled_; }

    ccPtrHandle<ccGraphic> map(const ccXform<2>& xform) const override;
    ccPtrHandle<ccGraphic> clone() const override { return remade_(shape_); }
    // The shape's bounding box; false for an empty or infinite shape.
    bool extent(ccRect& box) const override;
    void render(ccSvgCanvas& canvas) const override;

  protected:
    // `shape` must not be empty (ccBadPointer).
    ccGraphicShape(ccPtrHandle_const<ccShape> shape, const ccGraphicProps& props, bool filled);
    ccGraphicShape(const ccGraphicShape&) = default;

    // A graphic of this one's class and properties holding `shape`.
    virtual ccPtrHandle<ccGraphic> remade_(ccPtrHandle_const<ccShape> shape) const = 0;
    void replaceShape_(ccPtrHandle_const<ccShape> shape) { shape_ = std::move(shape); }

  private:
    ccPtrHandle_const<ccShape> shape_;
    bool filled_;
};

// Gives each final graphic class its remade_ by copying itself.
template <class Self>
class ccGraphicShapeOf : public ccGraphicShape {
  protected:
    using ccGraphicShape::ccGraphicShape;

    ccPtrHandle<ccGraphic> remade_(ccPtrHandle_const<ccShape> shape) const override {
        ccPtrHandle<Self> copy = cfMakeHandle<Self>(static_cast<const Self&>(*this));
        copy->replaceShape_(std::move(shape));
        return copy;
    }
};

// The outline of a shape of type T, never filled.
template <class T>
class ccGraphicSimple : public ccGraphicShapeOf<ccGraphicSimple<T>> {
    static_assert(std::is_base_of<ccShape, T>::value, "a graphic draws a shape");

  public:
    ccGraphicSimple(const T& shape, const ccGraphicProps& props)
        : ccGraphicShapeOf<ccGraphicSimple<T>>(shape.clone(), props, false) {}
};

// A region shape T drawn through the fill type F that describes the same
// area (a rectangle through a generalized rectangle, a circle through an
// ellipse). The fill is off unless `filled` asks for it; then the region
// between the outline's loops is filled (even-odd rule: a ring's hole stays
// open), which is exactly the area F describes.
template <class T, class F>
class ccGraphicWithFill : public ccGraphicShapeOf<ccGraphicWithFill<T, F>> {
    static_assert(std::is_base_of<ccShape, T>::value && std::is_base_of<ccShape, F>::value,
                  "a graphic draws a shape");

  public:
    ccGraphicWithFill(const T& shape, const ccGraphicProps& props, bool filled = false)
        : ccGraphicShapeOf<ccGraphicWithFill<T, F>>(shape.clone(), props, filled) {}
};

// A section of an elliptical annulus: its outer arc, inner arc and the two
// radial sides; filled only when asked.
class ccGraphicEllipseAnnulusSection : public ccGraphicShapeOf<ccGraphicEllipseAnnulusSection> {
  public:
    ccGraphicEllipseAnnulusSection(const ccEllipseAnnulusSection& section,
                                   const ccGraphicProps& props, bool filled = false);
};
