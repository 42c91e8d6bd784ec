# SPDX-License-Identifier: GPL-2.0-only
"""Shared pieces of the rfpeek-plot tests: the tool as a module, the fixture
reports that make_plot_fixtures wrote with rfpeek's JSON writer, and their
manifest (what each report holds); and watch streams (rfpeek -w -j), written
here line by line in the watch's format."""
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


# ---------------------------------------------------------------- watch streams

CARRIER_MHZ = 2407.0


def channel_bins(centre, n=56, avg=-105.0, peak=-99.0, samples=4):
    """A channel's bins as the watch writes them: [MHz, avg, max, duty, samples]."""
    first = centre - n // 2 * BIN_MHZ
    return [[first + k * BIN_MHZ, avg, peak, 0.0, samples] for k in range(n)]


def frame_line(number, bins, time=None, records=4):
    obj = {"frame": number}
    if time is not None:
        obj["time"] = time
    obj.update(records=records, bins=bins)
    return json.dumps(obj, separators=(",", ":"))


SUMMARY_LINE = ('{"summary":[{"freq":2412,"width":20,"records":12,'
                '"avg":-104.2,"max":-60.0,"duty":2.4}]}')


def watch_text(times=True, summary=True, first=1, burst=1):
    """Three frames of channel 1; one (burst: 0, 1 or 2) carries a burst at
    2407 MHz, -60 dBm at most, -70 dBm on average."""
    lines = []
    for i in range(3):
        bins = channel_bins(2412)
        if i == burst:
            k = next(j for j, b in enumerate(bins) if b[0] == CARRIER_MHZ)
            bins[k][1:4] = [-70.0, -60.0, 25.0]
        lines.append(frame_line(first + i, bins,
                                f"2026-12-09T12:00:0{i + 1}.000Z" if times else None))
    if summary:
        lines.append(SUMMARY_LINE)
    return "\n".join(lines) + "\n"
