"""The module gives what the C++ library gives for the same input: the
command-line tool, which calls the library directly, is the reference."""
import json
import math

import numpy as np
import pytest

import vxshmd

INFINITE_EXAMPLES = {"line.json", "fline.json"}


def library_number(value):
    """A float as the library writes numbers in text: the fewest significant
    digits that read back exactly, positional for exponents -5 to 16."""
    if math.isnan(value):
        return "nan"
    if math.isinf(value):
        return "inf" if value > 0 else "-inf"
    for digits in range(1, 18):
        text = "%.*e" % (digits - 1, value)
        if float(text) == value:
            break
    exponent = int(text[text.index("e") + 1:])
    if -5 <= exponent <= 16:
        text = "%.*f" % (max(0, digits - 1 - exponent), value)
    return text


def featurelets_csv(chains):
    lines = ["chain,index,x,y,angle,weight,magnitude,mod180"]
    rows = chains.featurelets
    for c in range(chains.num_chains):
        start, end = chains.offsets[c], chains.offsets[c + 1]
        for i, row in enumerate(rows[start:end]):
            numbers = ",".join(library_number(float(row[f])) for f in ("x", "y", "angle", "weight", "magnitude"))
            lines.append(f"{c},{i},{numbers},{int(row['mod180'])}")
    return "\n".join(lines) + "\n"


def test_library_number_writes_as_the_library_does():
    # The comparison below is only as good as this formatter.
    cases = {0.0: "0", 1.0: "1", 0.1: "0.1", -2.5: "-2.5", 1e-6: "1e-06", 1e17: "1e+17",
             12345678901234567.0: "12345678901234568", 2.5e-5: "0.000025", math.pi: "3.141592653589793"}
    assert {v: library_number(v) for v in cases} == cases


def test_featurelets_of_every_example_model_equal_the_tools_csv_byte_for_byte(example_models, shapemod):
    assert len(example_models) >= 25
    for path in example_models:
        model = vxshmd.load_model(path)
        if path.name in INFINITE_EXAMPLES:
            with pytest.raises(vxshmd.InfiniteExtent):
                vxshmd.features(model.shape, params=model.params)
            continue
        expected = shapemod("features", path, "--format", "csv").stdout.decode()
        chains = vxshmd.features(model.shape, params=model.params)
        assert featurelets_csv(chains) == expected, path.name
        assert len(chains) > 0, path.name


def test_uniform_and_complex_features_equal_the_tools(source_dir, shapemod):
    path = source_dir / "examples" / "models" / "region_tree.json"
    model = vxshmd.load_model(path)
    uniform = vxshmd.features(model.shape, spacing=model.params.spacing, uniform=True, max_points=40,
                              duplicate_corners=model.params.duplicate_corners)
    assert featurelets_csv(uniform) == shapemod("features", path, "--uniform", "--max-points", 40).stdout.decode()
    complex_ = vxshmd.complex_features(model.shape, 1.0, 4.0, 50, 80)
    assert featurelets_csv(complex_) == shapemod("features", path, "--complex", 1, 4, 50, 80).stdout.decode()


def test_descriptions_drawings_and_archives_equal_the_tools(example_models, shapemod, tmp_path):
    for path in example_models:
        model = vxshmd.load_model(path)
        assert vxshmd.describe(model.shape) == shapemod("describe", path).stdout.decode(), path.name
        assert vxshmd.draw(model.shape) == shapemod("draw", path).stdout.decode(), path.name
        archive = tmp_path / (path.stem + ".arc")
        shapemod("convert", path, archive)
        assert vxshmd.archive(model.shape, model.params) == archive.read_bytes(), path.name
        written = tmp_path / (path.stem + ".json")
        shapemod("convert", path, written)
        assert vxshmd.write_model(model) == written.read_text(), path.name


def test_files_written_by_the_module_read_back_equal(example_models, tmp_path):
    for path in example_models:
        model = vxshmd.load_model(path)
        for name in ("copy.json", "copy.arc"):
            vxshmd.save_model(tmp_path / name, model)
            again = vxshmd.load_model(tmp_path / name)
            assert again.shape == model.shape and again.params == model.params, (path.name, name)
        assert vxshmd.unarchive(vxshmd.archive(model.shape, model.params)).shape == model.shape
        assert vxshmd.parse_model(vxshmd.write_model(model)).shape == model.shape


def test_render_edges_and_find_equal_the_tools(source_dir, shapemod, tmp_path):
    plate = source_dir / "bench" / "find" / "plate.json"
    image_path = tmp_path / "scene.png"
    shapemod("render", plate, "-o", image_path, "--size", 400, 300, "--pose", 200, 150, 35, 1,
             "--blur", 1, "--noise", 5, "--seed", 3)
    model = vxshmd.load_model(plate)
    image = vxshmd.render(model.shape, 400, 300, pose=(200, 150, math.radians(35), 1), blur=1, noise=5, seed=3)
    assert np.array_equal(image, vxshmd.read_image(image_path))

    found = json.loads(shapemod("find", plate, image_path, "--angle", 0, 90).stdout)["matches"]
    matches = vxshmd.find(vxshmd.SearchModel(model.shape, model.params), image,
                          angle=(0.0, math.pi / 2))
    assert len(matches) == len(found) == 1
    assert (matches[0].x, matches[0].y, math.degrees(matches[0].angle), matches[0].scale, matches[0].score) == \
        pytest.approx((found[0]["x"], found[0]["y"], found[0]["angle"], found[0]["scale"], found[0]["score"]),
                      rel=1e-12, abs=1e-9)

    edges_path = tmp_path / "edges.json"
    shapemod("edges", image_path, "-o", edges_path, "--builder", "region", "--blur", 1.5)
    built = vxshmd.model_from_edges(vxshmd.edges(image, blur=1.5), "region")
    assert built == vxshmd.load_model(edges_path).shape


def test_dxf_import_equals_the_tools(source_dir, shapemod):
    drawings = sorted((source_dir / "tests" / "tools" / "data").glob("*.dxf"))
    drawings.append(source_dir / "examples" / "python" / "bracket.dxf")
    for drawing, regions in [(d, r) for d in drawings for r in (False, True)]:
        done = shapemod("import", drawing, *(["--regions"] if regions else []), check=False)
        if done.returncode != 0:
            with pytest.raises(vxshmd.Error) as raised:
                vxshmd.import_dxf(drawing, regions=regions)
            assert str(raised.value).split(": ", 1)[1] in done.stderr.decode(), drawing.name
            continue
        imported = vxshmd.import_dxf(drawing, regions=regions)
        if regions and drawing.name == "bracket.dxf":
            assert [type(c) for c in imported.shape.children[0].children] == [vxshmd.RegionTree]
        assert imported.shape == vxshmd.parse_model(done.stdout.decode()).shape, drawing.name
        assert imported.summary in done.stderr.decode(), drawing.name
