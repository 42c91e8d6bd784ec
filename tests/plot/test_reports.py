# SPDX-License-Identifier: GPL-2.0-only
"""Reading reports: records cut from the flat bin list as rfpeek wrote them;
and reading watch streams: frames, their union of bins, the session's traces."""
import datetime
import json
import math

import numpy as np
import pytest

from conftest import BIN_MHZ, channel_bins, frame_line, watch_text

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


def test_watch_stream_is_told_from_a_report(plot, fixtures_dir, tmp_path):
    report_text = (fixtures_dir / "band24.json").read_text()
    one_line_report = json.dumps(json.loads(report_text))
    assert not plot.is_watch_stream(report_text)
    assert not plot.is_watch_stream(one_line_report)
    assert plot.is_watch_stream("\n  \n" + watch_text())
    assert plot.is_watch_stream('{"summary":[]}\n')   # a watch stopped before its first frame

    path = tmp_path / "watch.jsonl"
    path.write_text(watch_text())
    stream = plot.load_input(str(path))
    assert [(f.number, f.records, len(f.freqs)) for f in stream.frames] == [
        (1, 4, 56), (2, 4, 56), (3, 4, 56)]
    assert stream.frames[0].time == datetime.datetime(2026, 12, 9, 12, 0, 1,
                                                      tzinfo=datetime.timezone.utc)
    assert stream.channels == [(2412.0, 20.0)]
    assert isinstance(plot.load_input(str(fixtures_dir / "band24.json")), plot.Report)


def test_stream_without_summary_or_time_is_read(plot):
    stream = plot.parse_stream("w", watch_text(times=False, summary=False))
    assert stream.channels is None
    assert [f.time for f in stream.frames] == [None] * 3


def test_waterfall_grid_takes_the_union_of_the_frames_bins(plot):
    # channel 1, then 1 and 6, then 6 alone, then an empty frame; between
    # the two channels lies a gap no frame measured, and it stays out
    frames = [plot.parse_stream("w", frame_line(n, bins)).frames[0] for n, bins in [
        (1, channel_bins(2412, avg=-101.0, peak=-91.0)),
        (2, channel_bins(2412, avg=-102.0, peak=-92.0)
            + channel_bins(2437, avg=-103.0, peak=-93.0)),
        (3, channel_bins(2437, avg=-104.0, peak=-94.0)),
        (4, []),
    ]]
    freqs, grid = plot.watch_grid(frames)
    ch1 = [b[0] for b in channel_bins(2412)]
    ch6 = [b[0] for b in channel_bins(2437)]
    assert list(freqs) == ch1 + ch6
    assert grid.shape == (4, 112)
    expected = np.full((4, 112), np.nan)
    expected[0, :56], expected[1, :56], expected[1, 56:], expected[2, 56:] = -91, -92, -93, -94
    np.testing.assert_array_equal(grid, expected)
    _, avg = plot.watch_grid(frames, "avg")
    assert avg[1, 0] == -102.0 and avg[2, 100] == -104.0


def test_session_average_is_a_power_mean_weighted_by_samples(plot):
    # 2412 MHz: -100 dBm over 1 sample, then -90 dBm over 3; 2413 only in frame 2
    frames = [plot.parse_stream("w", frame_line(n, bins)).frames[0] for n, bins in [
        (1, [[2412.0, -100.0, -95.0, 0.0, 1]]),
        (2, [[2412.0, -90.0, -97.0, 0.0, 3], [2413.0, -80.0, -75.0, 0.0, 2]]),
    ]]
    freqs, avg, peak = plot.watch_traces(frames)
    assert list(freqs) == [2412.0, 2413.0]
    assert avg[0] == pytest.approx(10 * math.log10((1e-10 + 3 * 1e-9) / 4))   # not -95, not -92.5
    assert avg[1] == pytest.approx(-80.0)
    assert list(peak) == [-95.0, -75.0]


@pytest.mark.parametrize("name", ["ath10k20.json", "ath10k80.json", "mixed.json"])
def test_records_are_cut_by_their_own_spacing(plot, fixtures_dir, manifest, name):
    # ath10k's bins span chan_width_mhz: 22 MHz / 256 bins, printed rounded
    # (5169.0859, 5169.1719), 88 MHz / 128; mixed.json has ath9k's 64 beside them
    report = plot.load_report(str(fixtures_dir / name))
    entry = manifest[name]
    assert [(r.centre_mhz, len(r.freqs)) for r in report.records] == [
        tuple(x) for x in entry["records"]]
    raw = json.loads((fixtures_dir / name).read_text())
    flat = [(f, p) for r in report.records for f, p in zip(r.freqs, r.powers)]
    assert flat == [tuple(pair) for pair in raw["scan_results"]]
    assert [r.bin_mhz for r in report.records] == [
        pytest.approx(w / len(r.freqs) if w else BIN_MHZ, rel=1e-12)
        for r, w in zip(report.records, entry["sampled_mhz"])]


@pytest.mark.parametrize("dropped,after", [(40, 39), (200, 199)])   # below and above the centre
def test_a_gap_inside_an_ath10k_record_is_named_with_its_step(plot, fixtures_dir, dropped, after):
    doc = json.loads((fixtures_dir / "ath10k20.json").read_text())
    del doc["scan_results"][dropped]
    with pytest.raises(plot.ShapeError, match=(
            r"^record 0 \(5180 MHz\): frequency does not rise by one bin \(0\.0859375 MHz\) "
            rf"from scan_results\[{after}\] ")):
        plot.parse_document(doc)
