"""Fixtures of the Python module's tests: the module, the source tree and the
command-line tool, whose outputs the module's results must equal.

ctest runs this suite with PYTHONPATH holding the built module and SHAPEMOD
naming the tool's binary."""
import os
import pathlib
import subprocess

import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("SHMD_SOURCE_DIR", pathlib.Path(__file__).parents[2]))


@pytest.fixture(scope="session")
def source_dir():
    return SOURCE_DIR


@pytest.fixture(scope="session")
def example_models():
    return sorted((SOURCE_DIR / "examples" / "models").glob("*.json"))


@pytest.fixture(scope="session")
def shapemod():
    """Runs the tool with the given arguments and returns its standard output
    as bytes; the test is skipped when the tool's path is not given."""
    tool = os.environ.get("SHAPEMOD")
    if not tool:
        pytest.skip("SHAPEMOD does not name the shapemod binary")

    def run(*args, check=True):
        done = subprocess.run([tool, *map(str, args)], capture_output=True)
        if check and done.returncode != 0:
            raise AssertionError(f"shapemod {' '.join(map(str, args))}: {done.stderr.decode()}")
        return done

    return run
