# SPDX-License-Identifier: GPL-2.0-only
"""rtl_power-style CSV: every row parses, and the rows give back every bin
of the reports, in order, at its own frequency; of a watch stream, every
frame's avg at the time the frame closed."""
import datetime
import json
import os
from fractions import Fraction

import pytest

from conftest import BIN_HZ, channel_bins, frame_line, run_tool


def _parse_row(line):
    fields = [f.strip() for f in line.split(",")]
    stamp = datetime.datetime.strptime(f"{fields[0]} {fields[1]}", "%Y-%m-%d %H:%M:%S")
    low, high = int(fields[2]), int(fields[3])
    step = float(fields[4])
    samples = int(fields[5])
    values = [float(v) for v in fields[6:]]
    return stamp, low, high, step, samples, values


def _csv_for(args, tmp_path):
    out = tmp_path / "bins.csv"
    done = run_tool(*args, "--csv", out)
    assert done.returncode == 0, done.stderr
    return out.read_text().splitlines()


@pytest.mark.parametrize("inputs", [
    ["band24.json"], ["band5.json"], ["single.json"], ["ht40.json"],
    ["waterfall/report03.json", "waterfall/report00.json"],   # order as given
])
def test_rows_cover_the_bins_exactly(fixtures_dir, tmp_path, inputs):
    paths = [fixtures_dir / n for n in inputs]
    lines = _csv_for(paths, tmp_path)

    expected_bins, expected_rows = [], []
    for path in paths:
        doc = json.loads(path.read_text())
        mtime = datetime.datetime.fromtimestamp(int(os.stat(path).st_mtime))
        expected_bins += [(round(f * 1e6), p) for f, p in doc["scan_results"]]
        expected_rows += [(mtime, round(ch["freq"] * 1e6)) for ch in doc["scan_channels"]]

    assert len(lines) == len(expected_rows)
    got_bins = []
    for line, (mtime, centre_hz) in zip(lines, expected_rows):
        stamp, low, high, step, samples, values = _parse_row(line)
        assert stamp == mtime
        assert step == BIN_HZ
        assert samples == 1
        assert (high - low) % BIN_HZ == 0 and (high - low) // BIN_HZ == len(values)
        assert low + len(values) // 2 * BIN_HZ == centre_hz   # the row is its record
        got_bins += [(low + k * BIN_HZ, v) for k, v in enumerate(values)]

    assert [hz for hz, _ in got_bins] == [hz for hz, _ in expected_bins]
    assert all(abs(v - p) <= 0.005 for (_, v), (_, p) in zip(got_bins, expected_bins))


def test_directory_rows_follow_the_reports_in_time(fixtures_dir, tmp_path):
    lines = _csv_for([fixtures_dir / "waterfall"], tmp_path)
    stamps = [_parse_row(line)[0] for line in lines]
    assert len(lines) == 8 * 3
    assert stamps == sorted(stamps) and len(set(stamps)) == 8


def test_empty_report_gives_no_rows_and_standard_output_works(fixtures_dir):
    done = run_tool(fixtures_dir / "empty.json", "--csv", "-")
    assert (done.returncode, done.stdout, done.stderr) == (0, "", "")
    done = run_tool(fixtures_dir / "single.json", "--csv", "-")
    assert done.returncode == 0 and len(done.stdout.splitlines()) == 4


def test_watch_stream_rows_are_its_frames_runs_of_bins(tmp_path):
    # frame 1: channels 1 and 6 (a gap between them: two rows), fewer samples
    # in part of channel 1; frame 2: empty; frame 3: channel 1
    ch1 = channel_bins(2412, avg=-101.25, samples=8)
    ch1[10][4] = 5
    frames = [(1, ch1 + channel_bins(2437, avg=-102.5)), (2, []), (3, channel_bins(2412))]
    src = tmp_path / "watch.jsonl"
    src.write_text("".join(frame_line(n, bins, f"2026-12-09T23:59:5{n}.250Z") + "\n"
                           for n, bins in frames))
    lines = _csv_for([src], tmp_path)

    def local(second):
        utc = datetime.datetime(2026, 12, 9, 23, 59, second, tzinfo=datetime.timezone.utc)
        return utc.astimezone().replace(tzinfo=None, microsecond=0)

    expected = [(local(51), ch1, 5), (local(51), channel_bins(2437, avg=-102.5), 4),
                (local(53), channel_bins(2412), 4)]
    assert len(lines) == len(expected)
    for line, (stamp, bins, fewest) in zip(lines, expected):
        got_stamp, low, high, step, samples, values = _parse_row(line)
        assert got_stamp == stamp
        assert (low, step) == (round(bins[0][0] * 1e6), BIN_HZ)
        assert high == round(bins[-1][0] * 1e6) + BIN_HZ
        assert samples == fewest
        assert values == [b[1] for b in bins]


@pytest.mark.parametrize("name", ["ath10k20.json", "ath10k80.json", "mixed.json"])
def test_rows_step_by_each_records_own_spacing(fixtures_dir, manifest, tmp_path, name):
    # ath10k: the step is sampled width / bins (85937.5 Hz for 22 MHz in 256),
    # and low + k * step is each bin's exact frequency, which the report
    # rounds to 100 Hz
    lines = _csv_for([fixtures_dir / name], tmp_path)
    doc = json.loads((fixtures_dir / name).read_text())
    entry = manifest[name]
    assert len(lines) == len(entry["records"])
    p = 0
    for line, (centre, n), w in zip(lines, entry["records"], entry["sampled_mhz"]):
        _, low, high, step, samples, values = _parse_row(line)
        step_hz = Fraction(w * 10**6, n) if w else Fraction(BIN_HZ)
        assert (step, samples, len(values)) == (round(float(step_hz), 2), 1, n)
        assert low == round(centre * 10**6) - n // 2 * step_hz
        assert high == low + n * step_hz
        pairs = doc["scan_results"][p:p + n]
        assert all(abs(low + k * step_hz - Fraction(f) * 10**6) <= 50
                   for k, (f, _) in enumerate(pairs))
        assert all(abs(v - pw) <= 0.005 for v, (_, pw) in zip(values, pairs))
        p += n
    assert p == len(doc["scan_results"])


def test_ath10k_watch_rows_are_whole_frames_at_their_bins_step(fixtures_dir, manifest, tmp_path):
    # each frame is one channel's evenly spaced bins: one row, whether
    # 256 over 22 MHz or, after the channel widened, 128 over 88 MHz
    lines = _csv_for([fixtures_dir / "watch_ath10k.jsonl"], tmp_path)
    entry = manifest["watch_ath10k.jsonl"]
    assert len(lines) == len(entry["records"])
    for line, (centre, n), w in zip(lines, entry["records"], entry["sampled_mhz"]):
        _, low, high, step, samples, values = _parse_row(line)
        assert (low, high, step, samples, len(values)) == (
            round((centre - w / 2) * 1e6), round((centre + w / 2) * 1e6), w / n * 1e6, 12, n)
