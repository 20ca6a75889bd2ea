// General, contour and region trees, and mapped shapes with their transforms.
#include "shapemod/modelfile_json.h"

namespace shapemod {

namespace {

// Appends the nodes of "children" in order, each read from `place(child)`.
template <class Place>
void addChildrenAt(ccShapeTree& tree, const JsonIn& n, const Place& place) {
    if (!n.has("children")) return;
    for (const JsonIn& c : n.at("children").items()) {
        const ccShapePtrh child = readShape(place(c));
        c.guard([&] { tree.addChild(child, true); });
    }
}

void addChildren(ccShapeTree& tree, const JsonIn& n) {
    addChildrenAt(tree, n, [](const JsonIn& c) { return c; });
}

// A region node's children are region nodes of the standing opposite `hole`.
void addRegionChildren(ccShapeTree& tree, const JsonIn& n, bool hole) {
    addChildrenAt(tree, n, [hole](const JsonIn& c) { return c.asRegionChildOf(hole); });
}

ccGeneralShapeTree readGeneral(const JsonIn& n) {
    ccGeneralShapeTree tree;
    addChildren(tree, n);
    return tree;
}
void writeGeneral(const ccGeneralShapeTree& s, JsonOut& out) {
    out.putShapes("children", s.children());
}

ccContourTree readContour(const JsonIn& n) {
    ccContourTree tree(n.at("closed").boolean());
    addChildren(tree, n);
    return tree;
}
void writeContour(const ccContourTree& s, JsonOut& out) {
    out.put("closed", s.isClosed());
    out.putShapes("children", s.children());
}

// The standing of a region node: given, or implied by its place (a child
// has the standing opposite its parent's; a top node is a solid).
bool standing(const JsonIn& n) {
    const bool implied = n.isRegionChild() && !n.regionParentHole();
    if (!n.has("hole")) return implied;
    const JsonIn field = n.at("hole");
    const bool hole = field.boolean();
    if (n.isRegionChild() && hole != implied) {
        field.expected(std::string(implied ? "true" : "false") +
                       " (a child region has the standing opposite its parent's)");
    }
    return hole;
}

ccRegionTree readRegion(const JsonIn& n) {
    const bool hole = standing(n);
    if (!n.has("boundary") && !hole)
        n.fail("missing field \"boundary\" (only a hole may lack one)");
    ccRegionTree node =
        n.has("boundary") ? ccRegionTree(*readShape(n.at("boundary")), hole) : ccRegionTree();
    addRegionChildren(node, n, hole);
    return node;
}
void writeRegion(const ccRegionTree& s, JsonOut& out) {
    out.put("hole", s.isHole());
    if (s.hasBoundary()) out.putShape("boundary", s.boundary());
    out.putShapes("children", s.children());
}

ccPtrHandle<cc2XformBase> readXform(const JsonIn& n) {
    n.allowOnly({"linear", "translation", "perspective"});
    if (n.has("perspective")) {
        if (n.has("linear") || n.has("translation"))
            n.fail("expected either \"perspective\" or \"linear\" with \"translation\", not both");
        const JsonIn field = n.at("perspective");
        const std::vector<double> h = field.numbers(9);
        const double entries[9] = {h[0], h[1], h[2], h[3], h[4], h[5], h[6], h[7], h[8]};
        return field.guard([&] { return cfMakeHandle<cc2XformPerspective>(entries); });
    }
    const std::vector<double> m = n.at("linear").numbers(4);
    const ccXform<2> xform(ccMatrix<2>(m[0], m[1], m[2], m[3]), n.at("translation").point());
    return cfMakeHandle<cc2XformLinear>(xform);
}
Json writeXform(const cc2XformBase& xform, const JsonPath& path) {
    JsonOut out(path, 0);
    if (const auto* linear = dynamic_cast<const cc2XformLinear*>(&xform)) {
        const ccMatrix<2>& m = linear->xform().matrix();
        out.put("linear", std::vector<double>{m.element(0, 0), m.element(0, 1), m.element(1, 0),
                                              m.element(1, 1)});
        out.put("translation", linear->xform().trans());
    } else if (const auto* p = dynamic_cast<const cc2XformPerspective*>(&xform)) {
        std::vector<double> h;
        h.reserve(9);
        for (int i = 0; i < 9; ++i) h.push_back(p->element(i / 3, i % 3));
        out.put("perspective", h);
    } else {
        out.fail("a " + cc_Instantiator::stableName(typeid(xform)) + " has no model file form");
    }
    return out.json();
}

ccMappedShape readMapped(const JsonIn& n) {
    const ccShapePtrh shape = readShape(n.at("shape"));
    return ccMappedShape(shape, *readXform(n.at("xform")), true);
}
void writeMapped(const ccMappedShape& s, JsonOut& out) {
    if (!s.shape()) out.fail("a mapped shape without a shape to map has no model file form");
    out.putShape("shape", *s.shape());
    out.put("xform", writeXform(s.mapXform(), out.path() / "xform"));
}

}  // namespace

void addTreeKinds(std::vector<ShapeKind>& kinds) {
    kinds.push_back(
        shapeKind<ccGeneralShapeTree>("GeneralShapeTree", {"children"}, readGeneral, writeGeneral));
    kinds.push_back(
        shapeKind<ccContourTree>("ContourTree", {"closed", "children"}, readContour, writeContour));
    kinds.push_back(shapeKind<ccRegionTree>("RegionTree", {"hole", "boundary", "children"},
                                            readRegion, writeRegion));
    kinds.push_back(
        shapeKind<ccMappedShape>("MappedShape", {"shape", "xform"}, readMapped, writeMapped));
}

}  // namespace shapemod
