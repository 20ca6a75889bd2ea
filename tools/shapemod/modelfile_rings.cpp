// Annuli of circles and ellipses, sections of elliptical annuli, generalized
// rectangles and annuli, and affine rectangles.
#include "shapemod/modelfile_json.h"

namespace shapemod {

namespace {

ccAnnulus readAnnulus(const JsonIn& n) {
    return ccAnnulus(n.at("center").point(), n.at("outerRadius").nonNegative(),
                     n.at("innerRadius").nonNegative(), n.boolean("rightHanded", true));
}
void writeAnnulus(const ccAnnulus& s, JsonOut& out) {
    out.put("center", s.center());
    out.put("outerRadius", s.outerRadius());
    out.put("innerRadius", s.innerRadius());
    out.put("rightHanded", s.isRightHanded());
}

ccEllipseAnnulus readEllipseAnnulus(const JsonIn& n) {
    return ccEllipseAnnulus(readEllipse(n.at("outer")), n.at("innerRadii").point());
}
void writeEllipseAnnulus(const ccEllipseAnnulus& s, JsonOut& out) {
    out.put("outer", writeEllipse(s.outer(), out.path() / "outer"));
    out.put("innerRadii", s.innerRadii());
}

ccEllipseAnnulusSection readSection(const JsonIn& n) {
    return ccEllipseAnnulusSection(
        n.at("center").point(), n.at("outerRadii").point(), n.at("innerRadii").point(),
        ccRadian(n.at("angle").number()), ccRadian(n.at("phiStart").number()),
        ccRadian(n.at("phiSpan").number()), n.boolean("reversed", false));
}
void writeSection(const ccEllipseAnnulusSection& s, JsonOut& out) {
    out.put("center", s.center());
    out.put("outerRadii", s.outerRadii());
    out.put("innerRadii", s.innerRadii());
    out.put("angle", s.angle());
    out.put("phiStart", s.phiStart());
    out.put("phiSpan", s.phiSpan());
    out.put("reversed", s.isReversed());
}

const std::vector<const char*> kGenRectFields{"center", "radii", "orient",
                                              "skew",   "round", "rightHanded"};

ccGenRect readGenRect(const JsonIn& n) {
    return ccGenRect(n.at("center").point(), n.at("radii").point(),
                     ccRadian(n.at("orient").number()), ccRadian(n.number("skew", 0.0)),
                     n.point("round", ccVector<2>()), n.boolean("rightHanded", true));
}
void writeGenRect(const ccGenRect& s, JsonOut& out) {
    out.put("center", s.center());
    out.put("radii", s.radii());
    out.put("orient", s.orient());
    out.put("skew", s.skew());
    out.put("round", s.round());
    out.put("rightHanded", s.isRightHanded());
}

ccGenAnnulus readGenAnnulus(const JsonIn& n) {
    const JsonIn outerField = n.at("outer");
    outerField.allowOnly(kGenRectFields);
    const ccGenRect outer = outerField.guard([&] { return readGenRect(outerField); });
    return ccGenAnnulus(outer, n.at("innerRadii").point(), n.point("innerRound", ccVector<2>()));
}
void writeGenAnnulus(const ccGenAnnulus& s, JsonOut& out) {
    JsonOut outer(out.path() / "outer", out.depth());
    writeGenRect(s.outer(), outer);
    out.put("outer", outer.json());
    out.put("innerRadii", s.innerRadii());
    out.put("innerRound", s.innerRound());
}

ccAffineRectangle readAffineRect(const JsonIn& n) {
    return ccAffineRectangle(n.at("center").point(), n.at("sides").point(),
                             ccRadian(n.at("rotation").number()), ccRadian(n.number("skew", 0.0)),
                             n.boolean("rightHanded", true));
}
void writeAffineRect(const ccAffineRectangle& s, JsonOut& out) {
    out.put("center", s.center());
    out.put("sides", s.sides());
    out.put("rotation", s.rotation());
    out.put("skew", s.skew());
    out.put("rightHanded", s.isRightHanded());
}

}  // namespace

void addRingKinds(std::vector<ShapeKind>& kinds) {
    kinds.push_back(shapeKind<ccAnnulus>("Annulus",
                                         {"center", "outerRadius", "innerRadius", "rightHanded"},
                                         readAnnulus, writeAnnulus));
    kinds.push_back(shapeKind<ccEllipseAnnulus>("EllipseAnnulus", {"outer", "innerRadii"},
                                                readEllipseAnnulus, writeEllipseAnnulus));
    kinds.push_back(shapeKind<ccEllipseAnnulusSection>(
        "EllipseAnnulusSection",
        {"center", "outerRadii", "innerRadii", "angle", "phiStart", "phiSpan", "reversed"},
        readSection, writeSection));
    kinds.push_back(shapeKind<ccGenRect>("GenRect", kGenRectFields, readGenRect, writeGenRect));
    kinds.push_back(shapeKind<ccGenAnnulus>("GenAnnulus", {"outer", "innerRadii", "innerRound"},
                                            readGenAnnulus, writeGenAnnulus));
    kinds.push_back(shapeKind<ccAffineRectangle>(
        "AffineRectangle", {"center", "sides", "rotation", "skew", "rightHanded"}, readAffineRect,
        writeAffineRect));
}

}  // namespace shapemod
