"""Arrays come shaped and typed as documented, and arrays handed in are
read as the library reads its own values."""
import gc
import math

import numpy as np
import pytest

import vxshmd


def square_model():
    return vxshmd.model(vxshmd.Polyline(vertices=[(0, 0), (20, 0), (20, 10), (0, 10)], closed=True),
                        weight=2, magnitude=3)


def test_featurelets_are_a_structured_array_with_chain_offsets():
    tree = vxshmd.GeneralShapeTree(children=[square_model(), vxshmd.LineSeg(p1=(0, 30), p2=(5, 30))])
    chains = vxshmd.features(tree, spacing=1.0)
    rows = chains.featurelets
    assert rows.dtype == vxshmd.FEATURELET_DTYPE
    assert rows.dtype.names == ("x", "y", "angle", "weight", "magnitude", "mod180")
    assert [rows.dtype[n] for n in rows.dtype.names] == [np.dtype("f8")] * 5 + [np.dtype("?")]
    assert rows.ndim == 1 and rows.flags.c_contiguous
    # Chains stored in order reach numpy as a view of the library's own
    # storage, not as a copy.
    assert not rows.flags.owndata
    assert chains.offsets.dtype == np.int64 and chains.closed.dtype == np.bool_
    assert chains.num_chains == 2 and chains.offsets.tolist() == [0, 60, 66] and len(chains) == 66
    assert chains.closed.tolist() == [True, False]
    square, segment = chains.chain(0), chains.chain(1)
    assert np.all(square["weight"] == 2) and np.all(square["magnitude"] == 3)
    assert np.all(segment["weight"] == 1) and not segment["mod180"].any()
    # Normal polarity: on the square's bottom edge (y = 0, travelling +x) the
    # gradient points a quarter turn from the travel, into the part.
    bottom = square[(square["y"] == 0) & (square["x"] > 0) & (square["x"] < 20)]
    assert np.allclose(bottom["angle"], math.pi / 2)
    with pytest.raises(vxshmd.FeatureletBadParams):
        chains.chain(2)
    # The rows outlive the call that made them and every other reference.
    rows = vxshmd.features(vxshmd.Circle(center=(0, 0), radius=100)).featurelets
    gc.collect()
    assert len(rows) == 629 and np.allclose(np.hypot(rows["x"], rows["y"]), 100)


def test_featurelet_options_reach_the_library():
    square = square_model()
    merged = vxshmd.features(square, spacing=2.0)
    corners = [(0, 0), (20, 0), (20, 10), (0, 10), (0, 0)]
    contour = vxshmd.ContourTree(children=[vxshmd.LineSeg(p1=p, p2=q) for p, q in zip(corners, corners[1:])],
                                 closed=True)
    assert len(vxshmd.features(contour, spacing=2.0)) == 30
    assert len(vxshmd.features(contour, spacing=2.0, duplicate_corners=True)) == 34
    assert len(vxshmd.features(square, uniform=True, max_points=7)) == 7
    scaled = vxshmd.features(square, mag_scale=2, weight_scale=-1).featurelets
    assert np.all(scaled["magnitude"] == 6) and np.all(scaled["weight"] == -2)
    ignored = vxshmd.features(vxshmd.model(square, ignored=True)).featurelets
    assert ignored["mod180"].all()
    assert vxshmd.features(square, params=vxshmd.FeatureParams(spacing=2.0, duplicate_corners=False)) \
        .featurelets.tolist() == merged.featurelets.tolist()


def test_featurelets_go_back_into_models():
    chains = vxshmd.features(square_model(), spacing=5.0)
    polyline = vxshmd.polyline_model(chains, 0)
    assert polyline.closed and polyline.vertices == [tuple(p) for p in
                                                     np.c_[chains.featurelets["x"], chains.featurelets["y"]]]
    assert polyline.props.weight == 2 and polyline.props.magnitude == 3 and not polyline.props.reversed
    rebuilt = vxshmd.Featurelets(chains.featurelets.copy(), chains.offsets.copy(), chains.closed.copy())
    assert vxshmd.region_tree_model(rebuilt) == vxshmd.region_tree_model(chains)
    assert len(vxshmd.general_tree_model(chains)) == 1
    with pytest.raises(vxshmd.FeatureletBadParams, match="offsets"):
        vxshmd.Featurelets(chains.featurelets, np.array([0, 3], np.int64), chains.closed)
    chains.offsets[1] = 10 ** 6  # arrays edited after the fact are checked again
    with pytest.raises(vxshmd.FeatureletBadParams, match="offsets"):
        vxshmd.region_tree_model(chains)


def test_samples_come_as_positions_and_tangents():
    positions, tangents, offsets, closed = vxshmd.sample(vxshmd.Circle(center=(0, 0), radius=10), spacing=1.0)
    assert positions.shape == (len(tangents), 2) and positions.dtype == np.float64
    assert offsets.tolist() == [0, len(tangents)] and closed.tolist() == [True]
    assert np.allclose(np.hypot(positions[:, 0], positions[:, 1]), 10)
    _, reversed_, _, _ = vxshmd.sample(vxshmd.model(vxshmd.Circle(center=(0, 0), radius=10), reversed=True))
    assert np.allclose(np.cos(reversed_ - tangents), -1)
    _, plain, _, _ = vxshmd.sample(vxshmd.model(vxshmd.Circle(center=(0, 0), radius=10), reversed=True),
                                   polarity=False)
    assert np.allclose(plain, tangents, rtol=0, atol=1e-15)


def test_images_are_height_by_width_of_their_depth(tmp_path):
    part = vxshmd.model(vxshmd.Rect(origin=(-10, -5), size=(20, 10)))
    image = vxshmd.render(part, 60, 40, pose=(30, 20, 0, 1), dark=10, light=250)
    assert image.shape == (40, 60) and image.dtype == np.uint8
    assert image[20, 30] == 250 and image[2, 2] == 10
    deep = vxshmd.render(part, 60, 40, pose=(30, 20, 0, 1), light=60000, depth=16)
    assert deep.dtype == np.uint16 and deep[20, 30] == 60000
    vxshmd.write_image(tmp_path / "deep.png", deep)
    assert np.array_equal(vxshmd.read_image(tmp_path / "deep.png"), deep)
    with pytest.raises(vxshmd.FindBadParams, match="2-D"):
        vxshmd.edges(np.zeros((4, 4, 3), np.uint8))


def test_strided_and_transposed_images_are_read_as_their_values():
    part = vxshmd.model(vxshmd.Circle(center=(0, 0), radius=12))
    image = vxshmd.render(part, 80, 70, pose=(35, 40, 0, 1), blur=1)
    wide = np.zeros((70, 160), np.uint8)
    wide[:, ::2] = image
    found = vxshmd.edges(wide[:, ::2])
    assert found.featurelets.tolist() == vxshmd.edges(image).featurelets.tolist()
    turned = vxshmd.edges(image.T)  # x and y swap
    assert np.allclose(np.sort(turned.featurelets["x"]), np.sort(found.featurelets["y"]))
    match, = vxshmd.find(part, image.T.copy(), angle=(-0.1, 0.1))
    assert (match.x, match.y) == pytest.approx((40, 35), abs=0.05)
