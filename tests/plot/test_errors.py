# SPDX-License-Identifier: GPL-2.0-only
"""Files that are not rfpeek reports: one clear line naming the file, exit 1,
no traceback, nothing written. In a watch stream, the line is named too."""
import json

import pytest

from conftest import SUMMARY_LINE, channel_bins, frame_line, run_tool, watch_text


def _good(fixtures_dir):
    return json.loads((fixtures_dir / "band24.json").read_text())


def _without(key):
    def change(doc):
        del doc[key]
    return change


def _set(path, value):
    def change(doc):
        target = doc
        for k in path[:-1]:
            target = target[k]
        target[path[-1]] = value
    return change


def _drop_pair(index):
    def change(doc):
        del doc["scan_results"][index]
    return change


def _append_pair(doc):
    doc["scan_results"].append([2480.0, -90.0])


BROKEN_DOCS = [
    (_without("scan_channels"), 'no "scan_channels" member'),
    (_without("scan_results"), 'no "scan_results" member'),
    (_set(["scan_results"], {"a": 1}), '"scan_results" is an object, not an array'),
    (_set(["scan_channels"], "2412"), '"scan_channels" is a string, not an array'),
    (_set(["scan_channels", 2], [2452, -50, -95]), "scan_channels[2] is an array, not an object"),
    (lambda d: d["scan_channels"][1].pop("rssi"), 'scan_channels[1] has no "rssi" member'),
    (_set(["scan_channels", 0, "freq"], "2412"), 'scan_channels[0]."freq" is a string'),
    (_set(["scan_results", 5], [2403.5, -90.0, 1.0]), "scan_results[5] is an array of 3 items"),
    (_set(["scan_results", 7], [2404.0, None]), "scan_results[7] is an array of 2 items"),
    (_set(["scan_results", 9], 2404.8125), "scan_results[9] is a number"),
    (_drop_pair(100), "record 1 (2432 MHz): frequency does not rise by one bin"),
    (_drop_pair(-1), "record 6 (2462 MHz): needs 64 bins"),
    (_append_pair, "scan_results has 1 bins beyond the 7 records"),
    (_set(["scan_channels", 3, "freq"], 2418.0), "record 3 (2418 MHz): scan_results[192]"),
]


@pytest.mark.parametrize("change,message", BROKEN_DOCS, ids=[m for _, m in BROKEN_DOCS])
def test_wrong_shape_is_named(fixtures_dir, tmp_path, change, message):
    doc = _good(fixtures_dir)
    change(doc)
    bad = tmp_path / "broken.json"
    bad.write_text(json.dumps(doc))
    out = tmp_path / "never.png"
    done = run_tool(bad, "-o", out, "--csv", tmp_path / "never.csv")
    assert done.returncode == 1
    assert done.stderr.startswith(f"rfpeek-plot: {bad}: not an rfpeek report: ")
    assert message in done.stderr
    assert len(done.stderr.splitlines()) == 1 and "Traceback" not in done.stderr
    assert not out.exists() and not (tmp_path / "never.csv").exists()


@pytest.mark.parametrize("content,message", [
    (b"", "not JSON: Expecting value: line 1 column 1"),
    (b"scan_channels: []\n", "not JSON: Expecting value"),
    (b'{"scan_channels": [], "scan_results": [', "not JSON: Expecting value"),
    (b"\x89PNG\r\n\x1a\n\x00\x00", "not JSON: not UTF-8 text"),
    (b"[1, 2]", "not an rfpeek report: the top level is an array, not an object"),
    (b"null", "not an rfpeek report: the top level is null, not an object"),
])
def test_not_a_report_is_named(tmp_path, content, message):
    bad = tmp_path / "input.json"
    bad.write_bytes(content)
    done = run_tool(bad, "--csv", tmp_path / "out.csv")
    assert done.returncode == 1
    assert done.stderr.startswith(f"rfpeek-plot: {bad}: {message}")
    assert "Traceback" not in done.stderr


def test_bad_report_among_good_ones_is_the_one_named(fixtures_dir, tmp_path):
    bad = tmp_path / "third.json"
    bad.write_text('{"scan_channels": []}')
    done = run_tool(fixtures_dir / "band24.json", fixtures_dir / "band5.json", bad,
                    "-o", tmp_path / "w.png")
    assert done.returncode == 1
    assert done.stderr == f'rfpeek-plot: {bad}: not an rfpeek report: no "scan_results" member\n'


def test_missing_file_and_empty_directory_are_named(tmp_path):
    missing = tmp_path / "nope.json"
    done = run_tool(missing, "--csv", "-")
    assert done.returncode == 1
    assert done.stderr == f"rfpeek-plot: {missing}: cannot read: No such file or directory\n"
    done = run_tool(tmp_path, "--csv", "-")
    assert done.returncode == 1
    assert done.stderr == f"rfpeek-plot: {tmp_path}: no .json reports in this directory\n"


def test_unwritable_output_is_named(fixtures_dir, tmp_path):
    out = tmp_path / "no-such-dir" / "x.png"
    done = run_tool(fixtures_dir / "single.json", "-o", out)
    assert done.returncode == 1
    assert done.stderr == f"rfpeek-plot: {out}: cannot write: No such file or directory\n"


def test_time_axis_needs_rising_times(fixtures_dir, tmp_path):
    first, second = tmp_path / "a.json", tmp_path / "b.json"
    first.write_text((fixtures_dir / "single.json").read_text())
    second.write_text((fixtures_dir / "band24.json").read_text())
    import os
    os.utime(first, (1_700_000_100,) * 2)
    os.utime(second, (1_700_000_000,) * 2)
    done = run_tool(first, second, "-o", tmp_path / "w.png", "--time", "mtime")
    assert done.returncode == 1
    assert done.stderr.startswith(f"rfpeek-plot: {second}: not modified after {first}")


@pytest.mark.parametrize("args", [["--size", "12x"], ["--size", "50x50"], []])
def test_bad_command_line_is_a_usage_error(fixtures_dir, args):
    done = run_tool(fixtures_dir / "single.json", *args)
    assert done.returncode == 2
    assert done.stderr.startswith("usage: rfpeek-plot")


GOOD_FRAME = frame_line(1, channel_bins(2412))

BROKEN_WATCH = [
    # (lines, line number named, message)
    ([GOOD_FRAME, "", "frame 2"], 3, "not JSON: Expecting value at column 1"),
    ([GOOD_FRAME, '{"frame":2,"records":4,"bins":[}'], 2, "not JSON: Expecting value at column 32"),
    ([GOOD_FRAME, "[1, 2]"], 2, "not an rfpeek watch line: the line is an array, not an object"),
    ([GOOD_FRAME, '{"scan_channels":[]}'], 2,
     'not an rfpeek watch line: neither a "frame" nor a "summary" member'),
    (['{"frame":0,"records":4,"bins":[]}'], 1,
     'not an rfpeek watch line: "frame" is a number (0), not a whole number >= 1'),
    (['{"frame":1,"bins":[]}'], 1, 'not an rfpeek watch line: no "records" member'),
    (['{"frame":1,"records":4}'], 1, 'not an rfpeek watch line: no "bins" member'),
    (['{"frame":1,"time":1765281601,"records":4,"bins":[]}'], 1,
     'not an rfpeek watch line: "time" is 1765281601, '
     "not a UTC time like 2026-12-09T12:00:01.000Z"),
    (['{"frame":1,"records":4,"bins":[[2412.0,-90.0,-80.0,0.0]]}'], 1,
     'not an rfpeek watch line: "bins"[0] is an array of 4 items, '
     "not [MHz, avg dBm, max dBm, duty %, samples]"),
    (['{"frame":1,"records":4,"bins":[[2412.0,-90.0,null,0.0,4]]}'], 1,
     'not an rfpeek watch line: "bins"[0][2] is null, not a finite number'),
    (['{"frame":1,"records":4,"bins":[[2412.0,-90.0,-80.0,0.0,0]]}'], 1,
     'not an rfpeek watch line: "bins"[0] has 0 samples, not a whole number >= 1'),
    (['{"frame":1,"records":4,"bins":[[2412.0,-90,-80,0,4],[2412.0,-90,-80,0,4]]}'], 1,
     'not an rfpeek watch line: "bins"[1] at 2412 MHz does not rise from "bins"[0] at 2412 MHz'),
    ([GOOD_FRAME, frame_line(3, []), frame_line(1, [])], 3,
     "not an rfpeek watch line: frame 1 after frame 3 (two watches in one file?)"),
    ([GOOD_FRAME, SUMMARY_LINE, frame_line(2, [])], 3,
     "not an rfpeek watch line: a line after the summary"),
    ([GOOD_FRAME, '{"summary":[{"freq":2412,"width":20,"records":4,"avg":-90,"max":-80}]}'], 2,
     'not an rfpeek watch line: "summary"[0] has no "duty" member'),
]


@pytest.mark.parametrize("lines,number,message", BROKEN_WATCH)
def test_bad_watch_line_is_named_with_its_number(tmp_path, lines, number, message):
    bad = tmp_path / "watch.jsonl"
    bad.write_text("\n".join(lines) + "\n")
    out = tmp_path / "never.png"
    done = run_tool(bad, "-o", out, "--csv", tmp_path / "never.csv")
    assert done.returncode == 1
    assert done.stderr == f"rfpeek-plot: {bad}: line {number}: {message}\n"
    assert not out.exists() and not (tmp_path / "never.csv").exists()


@pytest.mark.parametrize("args,status,message", [
    (["--waterfall"], 2, "a watch stream is always drawn as a waterfall over a spectrum: "
                         "--waterfall is for reports"),
    (["--spectrum"], 2, "a watch stream is always drawn as a waterfall over a spectrum: "
                        "--spectrum is for reports"),
    (["--time", "index"], 2, "a watch stream is always drawn as a waterfall over a spectrum: "
                             "--time is for reports"),
    (["{fixtures}/band24.json"], 2, "a watch stream is drawn alone, not with other inputs"),
    # frames from a recorded file (rfpeek --from) carry no time
    (["--csv", "{tmp}/never.csv"], 1, 'no CSV: frame 1 has no "time" (rfpeek read a recorded '
                                "file), and an rtl_power row needs one"),
])
def test_watch_stream_refuses_what_it_cannot_do(fixtures_dir, tmp_path, args, status, message):
    src = tmp_path / "watch.jsonl"
    src.write_text(watch_text(times=False))
    args = [a.format(fixtures=fixtures_dir, tmp=tmp_path) for a in args]
    out = tmp_path / "never.png"
    done = run_tool(src, *args, "-o", out)
    assert done.returncode == status
    assert done.stderr == f"rfpeek-plot: {src}: {message}\n"
    assert not out.exists() and not (tmp_path / "never.csv").exists()
