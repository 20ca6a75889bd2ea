#include "vxdispc12u/graphic.h"

#include "vxdispc12u/shapepath.h"
#include "vxstd12u/annulus.h"
#include "vxstd12u/rect.h"

ccGraphicShape::ccGraphicShape(ccPtrHandle_const<ccShape> shape, const ccGraphicProps& props,
                               bool filled)
    : ccGraphic(props), shape_(std::move(shape)), filled_(filled) {
    if (!shape_) throw ccBadPointer(L"a graphic needs a shape, and the handle was empty");
}

ccPtrHandle<ccGraphic> ccGraphicShape::map(const ccXform<2>& xform) const {
    return remade_(ccPtrHandle_const<ccShape>(shape_->mapShape(xform)));
}

bool ccGraphicShape::extent(ccRect& box) const {
    if (shape_->isEmpty() || !shape_->isFinite()) return false;
    box = shape_->boundingBox();
    return true;
}

void ccGraphicShape::render(ccSvgCanvas& canvas) const {
    ccSvgPath path;
    cfAppendShapePath(*shape_, canvas.view(), path);
    canvas.draw(path, props(), filled_);
}

ccGraphicEllipseAnnulusSection::ccGraphicEllipseAnnulusSection(
    const ccEllipseAnnulusSection& section, const ccGraphicProps& props, bool filled)
    : ccGraphicShapeOf<ccGraphicEllipseAnnulusSection>(section.clone(), props, filled) {}
