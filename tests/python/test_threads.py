"""Threads share models: every thread gets what a lone thread gets, while
the library runs without the GIL."""
import threading

import numpy as np

import vxshmd


def test_threads_sharing_models_get_what_one_thread_gets(source_dir):
    model = vxshmd.load_model(source_dir / "bench" / "find" / "plate.json")
    shape, params = model.shape, model.params
    image = vxshmd.render(shape, 420, 320, pose=(210, 160, 0.4, 1), blur=1, noise=4, seed=7)
    search = vxshmd.SearchModel(shape, params)

    def work():
        matches = vxshmd.find(search, image, angle=(0.0, 1.0), threads=1)
        return (vxshmd.features(shape, params=params).featurelets.tolist(),
                vxshmd.features(shape, uniform=True, max_points=333).featurelets.tolist(),
                vxshmd.draw(shape), vxshmd.describe(shape), vxshmd.archive(shape, params),
                vxshmd.write_model(model), vxshmd.edges(image, blur=1.5).featurelets.tolist(),
                [(m.x, m.y, m.angle, m.scale, m.score) for m in matches])

    alone = work()
    results, failures = [], []

    def run():
        try:
            for _ in range(3):
                results.append(work())
        except Exception as e:  # a failure in a thread must fail the test
            failures.append(e)

    threads = [threading.Thread(target=run) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not failures
    assert len(results) == 12 and all(r == alone for r in results)
    assert len(alone[-1]) == 1


def test_long_calls_let_other_threads_run():
    big = vxshmd.GeneralShapeTree(children=[vxshmd.Circle(center=(i, 0), radius=50) for i in range(300)])
    ticks = []
    done = threading.Event()

    def count():
        while not done.is_set():
            ticks.append(1)

    counter = threading.Thread(target=count)
    counter.start()
    try:
        before = len(ticks)
        chains = vxshmd.features(big, spacing=0.05)
        during = len(ticks) - before
    finally:
        done.set()
        counter.join()
    assert len(chains) > 1_000_000
    # Holding the GIL through the call would leave the counter a switch
    # interval's worth of ticks at most; released, it counts all along.
    assert during > 10_000
    assert np.isfinite(chains.featurelets["x"]).all()
