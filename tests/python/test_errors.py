"""Failures arrive as the exception of the library's error family that the
C++ code throws, carrying its message; a wrong argument type is a TypeError
naming the parameter; a failed call changes nothing the caller holds."""
import pytest

import vxshmd


def test_the_hierarchy_mirrors_the_library():
    chains = {
        vxshmd.BadParams: [vxshmd.ShapeModelError, vxshmd.ShapesError, vxshmd.Error, ValueError],
        vxshmd.NotSupported: [vxshmd.ShapeModelError, vxshmd.ShapesError, vxshmd.Error],
        vxshmd.NotRegion: [vxshmd.ShapesError, vxshmd.Error],
        vxshmd.InfiniteExtent: [vxshmd.ShapesError, vxshmd.Error],
        vxshmd.ShapesBadParams: [vxshmd.ShapesError, ValueError],
        vxshmd.FindBadParams: [vxshmd.FindError, vxshmd.ShapesError, ValueError],
        vxshmd.UnknownVersion: [vxshmd.ArchiveError, vxshmd.Error],
        vxshmd.FileError: [vxshmd.InputError, vxshmd.Error],
        vxshmd.FeatureletBadParams: [vxshmd.FeatureletError, vxshmd.Error, ValueError],
    }
    for error, bases in chains.items():
        assert all(issubclass(error, base) for base in bases), error
    assert not issubclass(vxshmd.NotRegion, ValueError)
    assert not issubclass(vxshmd.ShapeModelError, vxshmd.FindError)


def test_each_failure_raises_its_class_with_the_cpp_message(tmp_path):
    circle = vxshmd.Circle(center=(0, 0), radius=5)
    cases = [
        (lambda: vxshmd.Props(magnitude=-1), vxshmd.BadParams, "magnitude -1 is below zero"),
        (lambda: vxshmd.FeatureParams(mag_scale=-0.5), vxshmd.BadParams, "ccShapeModelDefs::BadParams"),
        (lambda: vxshmd.Circle(center=(0, 0), radius=-1), vxshmd.ShapesBadParams, "radius is negative"),
        (lambda: vxshmd.Line(point=(0, 0), direction=(1, 0)).within((1, 1)), vxshmd.NotRegion, "NotRegion"),
        (lambda: vxshmd.features(vxshmd.Line(point=(0, 10), direction=(1, 0)), uniform=True, max_points=10),
         vxshmd.InfiniteExtent, "InfiniteExtent"),
        (lambda: vxshmd.region_tree_model(vxshmd.features(vxshmd.LineSeg(p1=(0, 0), p2=(5, 0)))),
         vxshmd.NotRegion, "NotRegion"),
        (lambda: vxshmd.polyline_model(vxshmd.features(circle), 3), vxshmd.FeatureletBadParams, "chain"),
        (lambda: vxshmd.render(circle, 0, 10), vxshmd.FindBadParams, "width"),
        (lambda: vxshmd.read_image(tmp_path / "missing.png"), vxshmd.BadImage, "missing.png"),
        (lambda: vxshmd.load_model(tmp_path / "missing.json"), vxshmd.FileError, "missing.json"),
        (lambda: vxshmd.parse_model('{"format": 1, "shape": {"type": "Circle", "center": [0, 0], "radius": "x"}}',
                                    "m.json"), vxshmd.FileError, "m.json: /shape/radius"),
        (lambda: vxshmd.unarchive(b"VXAR\x01garbage"), vxshmd.FileError, "<bytes>"),
        (lambda: vxshmd.find(circle, vxshmd.render(circle, 40, 40, pose=(20, 20, 0, 1)), min_score=2),
         vxshmd.FindBadParams, "min"),
        (lambda: vxshmd.SearchModel(vxshmd.model(circle, weight=-1)), vxshmd.FindBadParams, "positive"),
        (lambda: vxshmd.import_dxf(tmp_path / "none.dxf"), vxshmd.FileError, "none.dxf"),
        (lambda: circle.map(vxshmd.Xform.perspective([[1, 0, 0], [0, 1, 0], [0.01, 0, 1]])),
         vxshmd.ShapesBadParams, "perspective"),
    ]
    for call, error, words in cases:
        with pytest.raises(error) as raised:
            call()
        assert words in str(raised.value), (error, str(raised.value))
        if isinstance(raised.value, vxshmd.Error):
            assert isinstance(raised.value.error_number, int)


def test_the_import_options_are_checked(source_dir):
    drawing = source_dir / "tests" / "tools" / "data" / "blocks.dxf"
    with pytest.raises(vxshmd.UsageError, match="no-such-layer"):
        vxshmd.import_dxf(drawing, layer_props={"no-such-layer": vxshmd.Props()})
    with pytest.raises(vxshmd.UsageError):
        vxshmd.import_dxf(drawing, connect_distance=-1)


def test_a_wrong_argument_type_is_a_type_error_naming_the_parameter():
    circle = vxshmd.Circle(center=(0, 0), radius=5)
    cases = [
        (lambda: vxshmd.Circle(center=(0, 0), radius="5"), "radius must be a number, not str"),
        (lambda: vxshmd.Circle(center=(0,), radius=5), "center must be a pair of numbers"),
        (lambda: vxshmd.Polyline(vertices=[(0, 0), "ab"], closed=True), "vertices must be a pair of numbers"),
        (lambda: vxshmd.Polyline(vertices=[(0, 0), (1, 1)], closed=1), "closed must be a bool, not int"),
        (lambda: vxshmd.model(circle, weight=None), "weight must be a number, not NoneType"),
        (lambda: vxshmd.model("circle"), "shape must be a vxshmd.Shape, not str"),
        (lambda: vxshmd.features(circle, max_points=2.5), "max_points must be an integer, not float"),
        (lambda: vxshmd.features(circle, params={}), "params must be a vxshmd.FeatureParams"),
        (lambda: vxshmd.GeneralShapeTree(children=[circle, 3]), "children must be a vxshmd.Shape, not int"),
        (lambda: vxshmd.EllipseArc2(ellipse=circle, phi_start=0, phi_end=1), "ellipse must be a vxshmd.Ellipse2"),
        (lambda: vxshmd.render(circle, 10.0, 10), "width must be an integer, not float"),
        (lambda: vxshmd.edges([[1, 2], [3, 4]]), "image must be a numpy array"),
        (lambda: vxshmd.find(circle, __import__("numpy").zeros((8, 8), "f4")), "image must be an array of uint8"),
        (lambda: circle.map("identity"), "xform must be a vxshmd.Xform, not str"),
        (lambda: vxshmd.props_in_force(circle, inherited=1), "inherited must be a vxshmd.Props"),
        (lambda: vxshmd.import_dxf(3), "path must be a str, not int"),
    ]
    for call, words in cases:
        with pytest.raises(TypeError) as raised:
            call()
        assert words in str(raised.value)
    with pytest.raises(TypeError, match="either params or the keyword options"):
        vxshmd.features(circle, spacing=2, params=vxshmd.FeatureParams())


def test_a_failed_call_changes_nothing_the_caller_holds(tmp_path):
    props = vxshmd.Props(weight=2, magnitude=3)
    with pytest.raises(vxshmd.BadParams):
        props.magnitude = -1
    assert props == vxshmd.Props(weight=2, magnitude=3)

    tree = vxshmd.GeneralShapeTree(children=[vxshmd.Circle(center=(0, 0), radius=2)])
    before = tree.to_dict()
    with pytest.raises(vxshmd.NotRegion, match="closed"):
        vxshmd.RegionTree(boundary=vxshmd.Circle(center=(0, 0), radius=9), children=[tree])
    assert tree.to_dict() == before

    target = tmp_path / "kept.json"
    target.write_text("old")
    bad = vxshmd.ModelFile(vxshmd.MappedShape(vxshmd.Circle(center=(0, 0), radius=1),
                                              vxshmd.Xform.linear((float("inf"), 0, 0, 1))))
    with pytest.raises(vxshmd.FileError, match="inf cannot be written"):
        vxshmd.save_model(target, bad)
    assert target.read_text() == "old"
    assert sorted(p.name for p in tmp_path.iterdir()) == ["kept.json"]
