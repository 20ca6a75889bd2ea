"""Featurelets reaching numpy against the C++ call alone, in one run.

The model: a general tree of 1,000 circle models, each 100 long, sampled at
spacing 1: 100,000 featurelets. `vxshmd._features_count` runs
ccShapeModel::features and drops the chain set; `vxshmd.features` runs it and
fills the structured array. Both are timed in turns, so that the machine's
load falls on both alike; the ratio of the medians is what the arrays cost.

    PYTHONPATH=<build>/python python3 features_bench.py [--repetitions N]
"""
import argparse
import math
import statistics
import time

import vxshmd


def model_of_featurelets(count, per_circle=100):
    radius = per_circle / (2 * math.pi)
    circles = [vxshmd.model(vxshmd.Circle(center=(3 * radius * (i % 40), 3 * radius * (i // 40)), radius=radius),
                            weight=1 + i % 3)
               for i in range(count // per_circle)]
    return vxshmd.GeneralShapeTree(children=circles)


def seconds(call):
    start = time.perf_counter()
    call()
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repetitions", type=int, default=30)
    repetitions = parser.parse_args().repetitions

    shape = model_of_featurelets(100_000)
    params = vxshmd.FeatureParams(spacing=1.0, duplicate_corners=False)
    assert vxshmd._features_count(shape, params) == len(vxshmd.features(shape, params=params)) == 100_000

    cpp, numpy = [], []
    for _ in range(repetitions):
        cpp.append(seconds(lambda: vxshmd._features_count(shape, params)))
        numpy.append(seconds(lambda: vxshmd.features(shape, params=params)))
    cpp_ms, numpy_ms = statistics.median(cpp) * 1e3, statistics.median(numpy) * 1e3
    print(f"featurelets of a 100,000-featurelet model, median of {repetitions}:")
    print(f"  C++ call alone (ccShapeModel::features)   {cpp_ms:8.2f} ms")
    print(f"  vxshmd.features, to numpy                {numpy_ms:8.2f} ms")
    print(f"  ratio                                    {numpy_ms / cpp_ms:8.3f}")


if __name__ == "__main__":
    main()
