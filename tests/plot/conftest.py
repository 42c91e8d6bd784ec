# SPDX-License-Identifier: GPL-2.0-only
"""Shared pieces of the rfpeek-plot tests: the tool as a module, the fixture
reports that make_plot_fixtures wrote with rfpeek's JSON writer, and their
manifest (what each report holds)."""
import importlib.machinery
import importlib.util
import json
import os
import pathlib
import subprocess
import sys

import matplotlib

matplotlib.use("Agg")

import pytest  # noqa: E402

REPO = pathlib.Path(__file__).resolve().parents[2]
TOOL = REPO / "tools" / "rfpeek-plot"
BIN_MHZ = 0.3125
BIN_HZ = 312500


def _load_tool():
    # the tool has no .py suffix: load it by path
    loader = importlib.machinery.SourceFileLoader("rfpeek_plot", str(TOOL))
    spec = importlib.util.spec_from_loader("rfpeek_plot", loader)
    module = importlib.util.module_from_spec(spec)
    sys.modules["rfpeek_plot"] = module   # dataclasses look their module up
    loader.exec_module(module)
    return module


@pytest.fixture(scope="session")
def plot():
    return _load_tool()


@pytest.fixture(scope="session")
def fixtures_dir():
    given = os.environ.get("RFPEEK_PLOT_FIXTURES")
    path = pathlib.Path(given) if given else REPO / "build" / "tests" / "plot" / "fixtures"
    if not (path / "manifest.json").is_file():
        pytest.fail(f"no fixture reports in {path}: build, then `ctest -R plot_fixtures` "
                    "(or set RFPEEK_PLOT_FIXTURES to make_plot_fixtures' output)")
    return path


@pytest.fixture(scope="session")
def manifest(fixtures_dir):
    return json.loads((fixtures_dir / "manifest.json").read_text())


def run_tool(*args, stdin=None):
    """The tool as a user runs it: its own process, exit status and stderr."""
    return subprocess.run([sys.executable, str(TOOL), *map(str, args)],
                          input=stdin, capture_output=True, text=True, timeout=120)


def png_size(path):
    data = pathlib.Path(path).read_bytes()[:24]
    assert data[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is not a PNG"
    return int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")
