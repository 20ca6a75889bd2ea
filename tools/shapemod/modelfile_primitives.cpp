// Points, lines, segments, rectangles, circles, ellipses and elliptical arcs.
#include <cmath>

#include "shapemod/modelfile_json.h"
#include "vxstd12u/tolerances.h"

namespace shapemod {

namespace {

// A T built from its archive items. Lines keep their direction (or normal)
// as a unit vector; the constructors would recompute it from an angle or
// normalise it once more, changing its last bits, while the archive keeps a
// unit vector as given.
template <class T, class... Items>
T fromArchiveItems(Items... items) {
    std::vector<unsigned char> bytes;
    {
        ccArchive out(bytes, ccArchive::eStoring);
        (void)(out || ... || items);
    }
    ccArchive in(bytes, ccArchive::eLoading);
    T shape;
    shape.exchangeParams(in);
    return shape;
}

cc2Point readPoint(const JsonIn& n) {
    return cc2Point(n.at("point").point());
}
void writePoint(const cc2Point& s, JsonOut& out) {
    out.put("point", s.point());
}

ccLine readLine(const JsonIn& n) {
    const ccVector<2> point = n.at("point").point(), direction = n.at("direction").point();
    ccLine::throughPointAlong(point, direction);  // refuses a zero direction in its own words
    return fromArchiveItems<ccLine>(point, direction);
}
void writeLine(const ccLine& s, JsonOut& out) {
    out.put("point", s.point());
    out.put("direction", s.direction());
}

ccFLine readFLine(const JsonIn& n) {
    const JsonIn normalField = n.at("normal");
    const ccVector<2> normal = normalField.point();
    if (std::fabs(normal.len() - 1.0) > cc_tol::kOrthonormal) normalField.expected("a unit vector");
    return fromArchiveItems<ccFLine>(normal, n.at("distanceFromOrigin").number());
}
void writeFLine(const ccFLine& s, JsonOut& out) {
    out.put("normal", s.normal());
    out.put("distanceFromOrigin", s.distanceFromOrigin());
}

ccLineSeg readLineSeg(const JsonIn& n) {
    return ccLineSeg(n.at("p1").point(), n.at("p2").point());
}
void writeLineSeg(const ccLineSeg& s, JsonOut& out) {
    out.put("p1", s.p1());
    out.put("p2", s.p2());
}

ccRect readRect(const JsonIn& n) {
    return ccRect(n.at("origin").point(), n.at("size").point());
}
void writeRect(const ccRect& s, JsonOut& out) {
    out.put("origin", s.origin());
    out.put("size", s.size());
}

ccCircle readCircle(const JsonIn& n) {
    return ccCircle(n.at("center").point(), n.at("radius").nonNegative());
}
void writeCircle(const ccCircle& s, JsonOut& out) {
    out.put("center", s.center());
    out.put("radius", s.radius());
}

const std::vector<const char*> kEllipseFields{"center", "radii", "angle", "rightHanded", "phase"};

ccEllipse2 readEllipseFields(const JsonIn& n) {
    return ccEllipse2(n.at("center").point(), n.at("radii").point(),
                      ccRadian(n.number("angle", 0.0)), n.boolean("rightHanded", true),
                      ccRadian(n.number("phase", 0.0)));
}
void writeEllipseFields(const ccEllipse2& s, JsonOut& out) {
    out.put("center", s.center());
    out.put("radii", s.radii());
    out.put("angle", s.angle());
    out.put("rightHanded", s.isRightHanded());
    out.put("phase", s.phase());
}

// The arc from phiStart to phiEnd exactly, as the file holds them.
ccEllipseArc2 readEllipseArc(const JsonIn& n) {
    const ccEllipse2 ellipse = readEllipse(n.at("ellipse"));
    const double start = n.at("phiStart").number();
    const JsonIn endField = n.at("phiEnd");
    const double end = endField.number();
    if (!(std::fabs(end - start) <= ccTwoPi + cc_tol::kAngle))
        endField.expected("an angle within one turn (2 pi) of phiStart");
    return ccEllipseArc2::between(ellipse, ccRadian(start), ccRadian(end));
}
void writeEllipseArc(const ccEllipseArc2& s, JsonOut& out) {
    out.put("ellipse", writeEllipse(s.ellipse(), out.path() / "ellipse"));
    out.put("phiStart", s.phiStart());
    out.put("phiEnd", s.phiEnd());
}

}  // namespace

ccEllipse2 readEllipse(const JsonIn& object) {
    object.allowOnly(kEllipseFields);
    return object.guard([&] { return readEllipseFields(object); });
}

Json writeEllipse(const ccEllipse2& ellipse, const JsonPath& path) {
    JsonOut out(path, 0);
    writeEllipseFields(ellipse, out);
    return out.json();
}

void addPrimitiveKinds(std::vector<ShapeKind>& kinds) {
    kinds.push_back(shapeKind<cc2Point>("2Point", {"point"}, readPoint, writePoint));
    kinds.push_back(shapeKind<ccLine>("Line", {"point", "direction"}, readLine, writeLine));
    kinds.push_back(
        shapeKind<ccFLine>("FLine", {"normal", "distanceFromOrigin"}, readFLine, writeFLine));
    kinds.push_back(shapeKind<ccLineSeg>("LineSeg", {"p1", "p2"}, readLineSeg, writeLineSeg));
    kinds.push_back(shapeKind<ccRect>("Rect", {"origin", "size"}, readRect, writeRect));
    kinds.push_back(shapeKind<ccCircle>("Circle", {"center", "radius"}, readCircle, writeCircle));
    kinds.push_back(
        shapeKind<ccEllipse2>("Ellipse2", kEllipseFields, readEllipseFields, writeEllipseFields));
    kinds.push_back(shapeKind<ccEllipseArc2>("EllipseArc2", {"ellipse", "phiStart", "phiEnd"},
                                             readEllipseArc, writeEllipseArc));
}

}  // namespace shapemod
