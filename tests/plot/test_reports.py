# SPDX-License-Identifier: GPL-2.0-only
"""Reading reports: records cut from the flat bin list as rfpeek wrote them."""
import json

import pytest

from conftest import BIN_MHZ

# What each fixture exercises in the cutting of scan_results into records.
SPLIT_CASES = [
    "band24.json",              # 2412, 2432, 2452 edge to edge; 2417 overlaps; 2437 twice
    "band5.json",               # four 5 GHz channels edge to edge: one unbroken run
    "dualband.json",            # 2.4 and 5 GHz in one report
    "single.json",              # one channel four times: the frequency falls back each time
    "ht40.json",                # 128-bin and 56-bin records mixed
    "empty.json",               # no records at all
    "waterfall/report00.json",
]


@pytest.mark.parametrize("name", SPLIT_CASES)
def test_records_are_cut_as_written(plot, fixtures_dir, manifest, name):
    report = plot.load_report(str(fixtures_dir / name))
    got = [(r.centre_mhz, len(r.freqs)) for r in report.records]
    assert got == [tuple(x) for x in manifest[name]["records"]]

    raw = json.loads((fixtures_dir / name).read_text())
    flat = [(f, p) for r in report.records for f, p in zip(r.freqs, r.powers)]
    assert flat == [tuple(pair) for pair in raw["scan_results"]]
    for r, ch in zip(report.records, raw["scan_channels"]):
        assert (r.rssi, r.noise) == (ch["rssi"], ch["noise"])
        n = len(r.freqs)
        assert r.freqs[0] == pytest.approx(r.centre_mhz - n // 2 * BIN_MHZ, abs=1e-9)
        assert all(b - a == pytest.approx(BIN_MHZ, abs=1e-6) for a, b in zip(r.freqs, r.freqs[1:]))


def test_edge_to_edge_channels_run_on_without_a_break(fixtures_dir):
    # The case a cut at frequency breaks alone gets wrong: 2412's last bin and
    # 2432's first are one bin apart, so nothing in scan_results marks the seam.
    raw = json.loads((fixtures_dir / "band24.json").read_text())["scan_results"]
    assert raw[63][0] == pytest.approx(2421.6875)
    assert raw[64][0] - raw[63][0] == pytest.approx(BIN_MHZ)


def test_same_channel_records_restart_the_frequency(plot, fixtures_dir):
    report = plot.load_report(str(fixtures_dir / "single.json"))
    assert len(report.records) == 4
    starts = [r.freqs[0] for r in report.records]
    ends = [r.freqs[-1] for r in report.records]
    assert starts == [2427.0] * 4
    assert ends == [2446.6875] * 4


def _doc(channels, pairs):
    return {"scan_channels": [{"freq": c, "rssi": -50, "noise": -95} for c in channels],
            "scan_results": pairs}


def _bins(centre, n, power=-90.0):
    return [[centre - (n // 2 - k) * BIN_MHZ, power] for k in range(n)]


def test_adjacent_overlapping_channels_split_where_frequency_falls(plot):
    records = plot.parse_document(_doc([2412.0, 2417.0], _bins(2412.0, 64) + _bins(2417.0, 64)))
    assert [(r.centre_mhz, r.freqs[0], r.freqs[-1]) for r in records] == [
        (2412.0, 2402.0, 2421.6875), (2417.0, 2407.0, 2426.6875)]


def test_a_gap_inside_a_record_is_refused(plot):
    pairs = _bins(2412.0, 64)
    del pairs[10]
    with pytest.raises(plot.ShapeError, match=r"record 0 \(2412 MHz\): frequency does not rise"):
        plot.parse_document(_doc([2412.0], pairs))
