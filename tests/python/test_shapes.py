"""Shapes built from keyword arguments are the shapes the model files
describe, and the property walks keep records as the library documents."""
import math

import pytest

import vxshmd

CLASS_OF_TYPE = {"2Point": "Point", "2Wireframe": "Wireframe"}
OUTER_TYPE = {"EllipseAnnulus": "Ellipse2", "GenAnnulus": "GenRect"}


def snake(name):
    return "".join("_" + c.lower() if c.isupper() else c for c in name)


def build(node, kind=None):
    """The shape a model-file node describes, made through the keyword constructors."""
    node = dict(node)
    kind = node.pop("type", None) or kind
    record = node.pop("model", None)
    args = {}
    for field, value in node.items():
        if field == "children":
            value = [build(child, "RegionTree") for child in value]
        elif field in ("boundary", "shape"):
            value = build(value)
        elif field == "ellipse":
            value = build(value, "Ellipse2")
        elif field == "outer":
            value = build(value, OUTER_TYPE[kind])
        elif field == "xform":
            value = (vxshmd.Xform.linear(value["linear"], value["translation"]) if "linear" in value
                     else vxshmd.Xform.perspective(value["perspective"]))
        args[snake(field)] = value
    if kind == "FLine":
        normal = args.pop("normal")
        args["angle"] = math.atan2(normal[1], normal[0])
    shape = getattr(vxshmd, CLASS_OF_TYPE.get(kind, kind))(**args)
    return vxshmd.model(shape, **record) if record is not None else shape


def test_every_type_built_from_keywords_equals_its_model_file(example_models):
    for path in example_models:
        loaded = vxshmd.load_model(path).shape
        built = build(loaded.to_dict())
        assert type(built) is type(loaded), path.name
        if path.name == "fline.json":  # the normal goes through its angle: a rounding apart
            assert built.to_dict()["normal"] == pytest.approx(loaded.to_dict()["normal"], abs=1e-15)
            continue
        assert built == loaded, path.name


def test_attributes_read_back_what_the_shape_was_made_with():
    arc = vxshmd.EllipseArc2(ellipse=vxshmd.Ellipse2(center=(1, 2), radii=(5, 3), angle=0.5),
                             phi_start=0.25, phi_end=2.0)
    assert (arc.phi_start, arc.phi_end) == (0.25, 2.0)
    assert arc.ellipse.center == (1.0, 2.0) and arc.ellipse.radii == (5.0, 3.0) and arc.ellipse.angle == 0.5
    poly = vxshmd.GenPoly(vertices=[(0, 0), (10, 0), (10, 5)], radii=[0, 1, 0], closed=True)
    assert poly.vertices == [(0.0, 0.0), (10.0, 0.0), (10.0, 5.0)] and poly.closed
    tree = vxshmd.ContourTree(children=[vxshmd.LineSeg(p1=(0, 0), p2=(4, 0)),
                                        vxshmd.LineSeg(p1=(4, 0), p2=(4, 3))])
    assert [c.p2 for c in tree.children] == [(4.0, 0.0), (4.0, 3.0)] and not tree.closed
    assert tree.perimeter == pytest.approx(7.0) and tree.end_point == (4.0, 3.0)
    box = vxshmd.Circle(center=(1, 1), radius=2).bounding_box
    assert isinstance(box, vxshmd.Rect) and (box.origin, box.size) == ((-1.0, -1.0), (4.0, 4.0))
    assert isinstance(vxshmd.ContourTree(), vxshmd.ShapeTree) and isinstance(tree, vxshmd.Shape)


def test_a_model_keeps_its_type_and_its_record():
    circle = vxshmd.Circle(center=(0, 0), radius=5)
    m = vxshmd.model(circle, weight=2, reversed=True, ignored=False, magnitude=0.5)
    assert type(m) is vxshmd.Circle and m.is_model and not circle.is_model
    assert m.props == vxshmd.Props(weight=2, magnitude=0.5, reversed=True)
    assert m.raw() == circle and not m.raw().is_model
    assert m != circle and m == vxshmd.model(circle, props=m.props)
    again = vxshmd.model(m, weight=3)
    assert again.props == vxshmd.Props(weight=3) and m.props.weight == 2


def test_properties_in_force_combine_down_the_path():
    leaf = vxshmd.model(vxshmd.LineSeg(p1=(0, 0), p2=(1, 0)), weight=3, reversed=True, magnitude=2)
    inner = vxshmd.model(vxshmd.GeneralShapeTree(children=[leaf]), weight=2, ignored=True)
    mapped = vxshmd.MappedShape(inner, vxshmd.Xform.rigid(0.3))
    top = vxshmd.model(vxshmd.GeneralShapeTree(children=[vxshmd.Circle(center=(0, 0), radius=1), mapped]),
                       reversed=True)
    assert vxshmd.props_in_force(top, [1, 0, 0]) == vxshmd.Props(weight=6, magnitude=2, ignored=True)
    assert vxshmd.props_in_force(top, [0]) == vxshmd.Props(reversed=True)
    negative = vxshmd.Props(weight=-1)
    assert vxshmd.props_in_force(top, [1, 0, 0], inherited=negative).weight == -6
    assert vxshmd.props_in_force(vxshmd.model(leaf, weight=-1), inherited=negative).weight == 0
    with pytest.raises(vxshmd.ShapesBadParams, match="path\\[1\\]: the node has no child 5"):
        vxshmd.props_in_force(top, [1, 5])


def test_polarity_survives_a_mirror_and_can_be_set():
    part = vxshmd.model(vxshmd.Circle(center=(10, 0), radius=4), weight=2)
    mirror = vxshmd.Xform.linear((-1, 0, 0, 1))
    image = part.map(mirror)
    assert image.props.reversed and not part.props.reversed
    assert vxshmd.is_inside_polarity(part, True) and vxshmd.is_inside_polarity(image, True)
    assert not vxshmd.is_inside_polarity(image, False)
    outward = vxshmd.set_inside_polarity(part, False)
    assert vxshmd.is_inside_polarity(outward, False) and outward.props.reversed
    # A featurelet's direction turns with the map: the mirrored part's first
    # featurelet points as the original's does, mirrored.
    a = vxshmd.features(part).featurelets[0]
    b = vxshmd.features(image).featurelets[0]
    assert (b["x"], b["y"]) == pytest.approx((-a["x"], a["y"]))
    assert math.cos(b["angle"]) == pytest.approx(-math.cos(a["angle"]))
    assert not vxshmd.any_polarity_ignored(part)
    assert vxshmd.any_polarity_ignored(vxshmd.GeneralShapeTree(children=[vxshmd.model(part, ignored=True)]))


def test_weights_are_found_and_distributed():
    plus = vxshmd.model(vxshmd.Circle(center=(0, 0), radius=3), weight=2)
    minus = vxshmd.model(vxshmd.Rect(origin=(10, 0), size=(4, 4)), weight=-1)
    tree = vxshmd.model(vxshmd.GeneralShapeTree(children=[plus, minus]), weight=0.5, magnitude=3)
    assert vxshmd.has_positive_weights(tree) and not vxshmd.has_positive_weights(minus)
    found = vxshmd.find_contours_with_weight_in_range(tree, -2, 0, inclusive=False)
    assert [type(c) for c in found.children] == [vxshmd.Rect]
    spread = vxshmd.distribute(tree)
    assert spread.props == vxshmd.Props()
    assert [c.props for c in spread.children] == [vxshmd.Props(weight=1, magnitude=3),
                                                  vxshmd.Props(weight=-0.5, magnitude=3)]
    flat = tree.flatten()
    assert [c.props for c in flat.children] == [c.props for c in spread.children]


def test_pieces_that_meet_connect_and_contours_get_extensions():
    pieces = vxshmd.GeneralShapeTree(children=[
        vxshmd.model(vxshmd.LineSeg(p1=(0, 0), p2=(10, 0)), weight=2),
        vxshmd.LineSeg(p1=(10, 10), p2=(10, 0.001)),
        vxshmd.LineSeg(p1=(50, 50), p2=(60, 50)),
    ])
    joined = vxshmd.connect(pieces, 0.01)
    contours = [c for c in joined.children if isinstance(c, vxshmd.ContourTree)]
    assert len(contours) == 1 and len(contours[0]) == 2
    turned = [c for c in contours[0].children if not c.is_model or c.props.weight != 2]
    assert turned[0].props.reversed  # joined the other way round, its reversal flipped
    square = vxshmd.ContourTree(children=[vxshmd.LineSeg(p1=p, p2=q) for p, q in
                                          [((0, 0), (8, 0)), ((8, 0), (8, 8)), ((8, 8), (0, 8)), ((0, 8), (0, 0))]],
                                closed=True)
    extensions = vxshmd.extension_shape(square, 0.25)
    assert len(extensions) == 8
    assert all(c.props.weight == pytest.approx(-2.0) and c.perimeter == pytest.approx(2.0)
               for c in extensions.children)


def test_transforms_compose_and_invert():
    turn = vxshmd.Xform.rigid(math.pi / 2, (1, 0))
    assert turn.map_point((1, 0)) == pytest.approx((1, 1))
    assert (turn.inverse() @ turn).map_point((3, 4)) == pytest.approx((3, 4))
    lens = vxshmd.Xform.perspective([[1, 0, 0], [0, 1, 0], [0.001, 0, 1]])
    assert not lens.is_linear and lens.matrix[2, 0] == 0.001
    seen = vxshmd.MappedShape(vxshmd.Circle(center=(0, 0), radius=5), lens)
    assert seen.xform == lens and seen.shape == vxshmd.Circle(center=(0, 0), radius=5)
    assert vxshmd.features(seen).featurelets["x"].max() < 5
    assert vxshmd.Xform.linear((2, 0, 0, 2), (1, 1)).matrix.tolist() == [[2, 0, 1], [0, 2, 1], [0, 0, 1]]
