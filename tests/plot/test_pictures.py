# SPDX-License-Identifier: GPL-2.0-only
"""The pictures, read back from the PNG files: size, where the peak is drawn,
which waterfall column is strongest, and that time runs down; for a watch
stream, its waterfall's rows and its two traces."""
import datetime
import os
import shutil
import signal
import subprocess
import sys
import time

import matplotlib.image as mpimg
import numpy as np
import pytest

from conftest import BIN_MHZ, CARRIER_MHZ, TOOL, png_size, run_tool, watch_text


def _axes_region(img, ax):
    """Pixel rows and columns inside the axes frame (spines left out)."""
    height = img.shape[0]
    bb = ax.get_window_extent()
    r0, r1 = int(np.ceil(height - bb.y1)) + 2, int(np.floor(height - bb.y0)) - 2
    c0, c1 = int(np.ceil(bb.x0)) + 2, int(np.floor(bb.x1)) - 2
    return r0, r1, c0, c1


def _to_data(ax, img, col, row):
    """Pixel centre (column, row from the top) to data coordinates."""
    return ax.transData.inverted().transform((col + 0.5, img.shape[0] - (row + 0.5)))


def _render(plot, fig, tmp_path, name):
    path = tmp_path / name
    plot.save_png(fig, str(path))
    return mpimg.imread(str(path))[..., :3]


@pytest.mark.parametrize("name", ["band24.json", "band5.json", "single.json", "ht40.json",
                                  "dualband.json"])
def test_spectrum_peak_is_drawn_at_the_tone(plot, fixtures_dir, manifest, tmp_path, name):
    report = plot.load_report(str(fixtures_dir / name))
    fig = plot.render_spectrum([report], (1000, 600))
    img = _render(plot, fig, tmp_path, "spectrum.png")
    tone = manifest[name]["tone_mhz"]
    ax = next(a for a in fig.axes if a.get_xlim()[0] <= tone <= a.get_xlim()[1])
    r0, r1, c0, c1 = _axes_region(img, ax)
    region = img[r0:r1, c0:c1]
    # record lines are coloured, even where antialiasing pales them; grid,
    # guides, text and the peak ring are grey
    coloured = (region.max(axis=2) - region.min(axis=2)) > 0.08
    rows, cols = np.nonzero(coloured)
    top = rows.min()
    freq, dbm = _to_data(ax, img, c0 + cols[rows == top].mean(), r0 + top)

    tone_dbm = max(p for r in report.records for f, p in zip(r.freqs, r.powers)
                   if abs(f - tone) < 1e-6)
    assert abs(freq - tone) < BIN_MHZ / 2, f"peak drawn at {freq:.3f} MHz, tone at {tone}"
    assert abs(dbm - tone_dbm) < 1.0


def test_bands_far_apart_get_panels_of_their_own(plot, fixtures_dir, tmp_path):
    # 2.4 GHz, 5.15-5.25 GHz and 5.49-5.53 GHz: each panel spans its own bins
    # only, instead of one axis with 3 GHz of nothing
    report = plot.load_report(str(fixtures_dir / "dualband.json"))
    for fig in (plot.render_spectrum([report], (1000, 500)),
                plot.render_waterfall([report, report], (1000, 500))):
        plot.save_png(fig, str(tmp_path / "bands.png"))
        spans = sorted(a.get_xlim() for a in fig.axes if a.get_xlim()[1] > 1000)
        assert [(round(lo), round(hi)) for lo, hi in spans] == [(2402, 2482), (5170, 5230), (5490, 5530)]


def _value_index(img, cmap):
    """Each pixel's place on the colour map (0..255), or -1 where the colour
    is not on it (the no-data grey)."""
    lut = cmap(np.linspace(0.0, 1.0, 256))[:, :3]
    flat = img.reshape(-1, 3)
    colours, inverse = np.unique(np.round(flat, 3), axis=0, return_inverse=True)
    dist = np.linalg.norm(colours[:, None, :] - lut[None, :, :], axis=2)
    index = np.where(dist.min(axis=1) < 0.03, dist.argmin(axis=1), -1)
    return index[inverse.reshape(-1)].reshape(img.shape[:2])


def _waterfall(plot, fixtures_dir, tmp_path, time_axis):
    reports = [plot.load_report(p) for p in plot.expand_inputs([str(fixtures_dir / "waterfall")])]
    fig = plot.render_waterfall(reports, (1000, 600), time_axis)
    img = _render(plot, fig, tmp_path, "waterfall.png")
    ax = fig.axes[0]
    r0, r1, c0, c1 = _axes_region(img, ax)
    values = _value_index(img[r0:r1, c0:c1], ax.collections[0].cmap).astype(float)
    values[values < 0] = np.nan
    return reports, fig, img, ax, (r0, c0), values


def test_waterfall_strongest_column_is_the_tone(plot, fixtures_dir, manifest, tmp_path):
    _, _, img, ax, (r0, c0), values = _waterfall(plot, fixtures_dir, tmp_path, "index")
    assert np.isfinite(values).mean() > 0.9   # the picture is mostly colour-mapped cells
    strongest = int(np.nanargmax(np.nanmean(values, axis=0)))
    freq, _ = _to_data(ax, img, c0 + strongest, r0)
    tone = manifest["waterfall/report00.json"]["tone_mhz"]
    assert abs(freq - tone) < BIN_MHZ / 2, f"strongest column at {freq:.3f} MHz, tone at {tone}"


@pytest.mark.parametrize("time_axis", ["index", "mtime"])
def test_waterfall_rows_run_down_in_time_order(plot, fixtures_dir, tmp_path, time_axis):
    # make_plot_fixtures moves a weak carrier up by two bins per report in
    # 2412's channel: row by row, down the picture, it must move right.
    import matplotlib.dates as mdates
    import datetime
    reports, _, img, ax, (r0, c0), values = _waterfall(plot, fixtures_dir, tmp_path, time_axis)
    lo_col = int(ax.transData.transform((2402.5, 0))[0]) - c0
    hi_col = int(ax.transData.transform((2420.0, 0))[0]) - c0
    pixel_rows = []
    for i, rep in enumerate(reports):
        y = i if time_axis == "index" else mdates.date2num(
            datetime.datetime.fromtimestamp(rep.mtime))
        row = int(img.shape[0] - ax.transData.transform((2410.0, y))[1]) - r0
        pixel_rows.append(row)
        band = values[row, lo_col:hi_col]
        freq, _ = _to_data(ax, img, c0 + lo_col + int(np.nanargmax(band)), r0 + row)
        assert abs(freq - (2405.125 + 2 * BIN_MHZ * i)) < BIN_MHZ / 2, (
            f"row {i} ({os.path.basename(rep.name)}): carrier at {freq:.3f} MHz")
    assert pixel_rows == sorted(pixel_rows) and pixel_rows[0] < pixel_rows[-1], "time runs up"


@pytest.mark.parametrize("args,size", [
    (["band24.json"], (777, 333)),
    (["empty.json"], (640, 480)),
    (["waterfall"], (1024, 512)),
    (["single.json", "--waterfall"], (500, 400)),
    (["band24.json", "band5.json", "--spectrum"], (1300, 650)),
])
def test_png_has_the_requested_size(fixtures_dir, tmp_path, args, size):
    out = tmp_path / "out.png"
    args = [str(fixtures_dir / a) if not a.startswith("--") else a for a in args]
    done = run_tool(*args, "-o", out, "--size", f"{size[0]}x{size[1]}")
    assert done.returncode == 0, done.stderr
    assert done.stderr == ""
    assert png_size(out) == size


def test_png_default_size_and_report_on_standard_input(fixtures_dir, tmp_path):
    out = tmp_path / "stdin.png"
    done = run_tool("-", "-o", out, stdin=(fixtures_dir / "band5.json").read_text())
    assert done.returncode == 0, done.stderr
    assert png_size(out) == (1200, 700)


def test_directory_reports_are_taken_in_modification_order(plot, fixtures_dir, tmp_path):
    src = sorted((fixtures_dir / "waterfall").glob("*.json"))
    # names now sort the other way round from the times
    for i, path in enumerate(src):
        dest = tmp_path / f"{len(src) - i:02d}.json"
        shutil.copy(path, dest)
        os.utime(dest, (1_700_000_000 + 60 * i,) * 2)
    order = [os.path.basename(p) for p in plot.expand_inputs([str(tmp_path)])]
    assert order == [f"{len(src) - i:02d}.json" for i in range(len(src))]


@pytest.mark.parametrize("stdin", [False, True])
def test_watch_stream_draws_a_png(tmp_path, stdin):
    src = tmp_path / "watch.jsonl"
    src.write_text(watch_text())
    out = tmp_path / "watch.png"
    if stdin:
        done = run_tool("-", "-o", out, stdin=src.read_text())
    else:
        done = run_tool(src, "-o", out, "--size", "900x600")
    assert (done.returncode, done.stderr) == (0, "")
    assert png_size(out) == ((1200, 700) if stdin else (900, 600))


def test_watch_waterfall_has_a_row_per_frame_and_time_runs_down(plot, tmp_path):
    stream = plot.parse_stream("watch.jsonl", watch_text(burst=0))
    fig = plot.render_watch(stream, (900, 600))
    img = _render(plot, fig, tmp_path, "watch.png")
    waterfall, spectrum = fig.axes[0], fig.axes[1]
    mesh = waterfall.collections[0]
    assert mesh.get_coordinates().shape[:2] == (3 + 1, 56 + 1)   # cell corners
    # coloured by the frames' max (-99 on the floor), not their avg (-105)
    assert (mesh.norm.vmin, mesh.norm.vmax) == (-99.0, -60.0)
    assert mesh.colorbar.ax.get_ylabel() == "max power in the frame (dBm)"

    # read back: the burst of the first frame is the top third of the carrier's column
    r0, r1, c0, c1 = _axes_region(img, waterfall)
    values = _value_index(img[r0:r1, c0:c1], mesh.cmap)
    col = int(waterfall.transData.transform((CARRIER_MHZ, 0))[0]) - c0
    hot = np.nonzero(values[:, col] > 200)[0] / (r1 - r0)
    assert len(hot) and hot.min() < 0.03 and hot.max() < 0.34
    left = int(waterfall.transData.transform((CARRIER_MHZ - BIN_MHZ, 0))[0]) - c0
    assert (values[:, :left] < 50).all()   # the floor elsewhere, in every row

    traces = {line.get_label(): line.get_ydata() for line in spectrum.get_lines()
              if not line.get_label().startswith("_")}
    assert set(traces) == {"max hold", "average of 3 frames (power mean)"}
    k = 12   # the carrier's bin
    assert traces["max hold"][k] == -60.0
    assert traces["average of 3 frames (power mean)"][k] == pytest.approx(
        10 * np.log10((10 ** -7 + 2 * 10 ** -10.5) / 3))
    assert [t.get_text() for t in spectrum.get_legend().get_texts()] == [
        "max hold", "average of 3 frames (power mean)"]


def _utc(second):
    import matplotlib.dates as mdates
    return mdates.date2num(datetime.datetime(2026, 12, 9, 12, 0, second,
                                             tzinfo=datetime.timezone.utc))


@pytest.mark.parametrize("times,label,ylim", [
    # each row runs from the previous frame's close to its own
    (True, "frame closed, 2026-12-09 (UTC)", (_utc(3), _utc(0))),
    (False, "frame", (7.5, 4.5)),   # frames 5, 6, 7 of a recorded file
])
def test_watch_rows_are_times_or_frame_numbers(plot, times, label, ylim):
    stream = plot.parse_stream("w", watch_text(times=times, first=5))
    ax = plot.render_watch(stream, (800, 500)).axes[0]
    assert ax.get_ylabel() == label
    assert ax.get_ylim() == pytest.approx(ylim, abs=1e-9)


def test_watch_cut_short_still_draws(tmp_path):
    # no summary, the last line broken off mid-object by the cut
    src = tmp_path / "cut.jsonl"
    src.write_text(watch_text(summary=False) + '{"frame":4,"records":4,"bins":[[2403.2')
    out = tmp_path / "cut.png"
    done = run_tool(src, "-o", out)
    assert done.returncode == 0
    assert done.stderr == f"rfpeek-plot: {src}: line 4: cut short, left out\n"
    assert png_size(out) == (1200, 700)


def test_watch_on_standard_input_ends_at_ctrl_c(tmp_path):
    # ssh router rfpeek -w -j | rfpeek-plot - : Ctrl-C reaches both sides,
    # and what came before it is drawn
    out = tmp_path / "ctrl-c.png"
    tool = subprocess.Popen([sys.executable, str(TOOL), "-", "-o", str(out)],
                            stdin=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    tool.stdin.write(watch_text(summary=False))
    tool.stdin.flush()
    time.sleep(1.5)   # into its read of standard input, which stays open
    tool.send_signal(signal.SIGINT)
    _, err = tool.communicate(timeout=120)
    assert (tool.returncode, err) == (0, "")
    assert png_size(out) == (1200, 700)


def test_waterfall_of_ath10k_reports_is_on_the_finest_bins(plot, fixtures_dir, manifest, tmp_path):
    # 256 bins over 22 MHz above 128 over 88 MHz: the columns are the finer
    # bins, and each coarser bin fills the eight it covers
    names = ["ath10k20.json", "ath10k80.json"]
    reports = [plot.load_report(str(fixtures_dir / n)) for n in names]
    xs, grid, step = plot.waterfall_grid(reports)
    assert step == 22 / 256
    np.testing.assert_allclose(np.diff(xs), step)
    fine = xs[np.isfinite(grid[0])]
    assert (fine[0], fine[-1]) == (pytest.approx(5169.0), pytest.approx(5180 + 127 * step))
    assert len(fine) == 256
    assert np.isfinite(grid[1]).all()   # 5166 - 0.34375 .. 5253.3125 + 0.34375, no gap
    tone80 = manifest["ath10k80.json"]["tone_mhz"]
    hot = xs[grid[1] == np.nanmax(grid[1])]
    assert len(hot) == 8 and abs(hot.mean() - tone80) < step

    fig = plot.render_waterfall(reports, (1000, 500))
    img = _render(plot, fig, tmp_path, "ath10k-waterfall.png")
    ax = fig.axes[0]
    r0, r1, c0, c1 = _axes_region(img, ax)
    values = _value_index(img[r0:r1, c0:c1], ax.collections[0].cmap).astype(float)
    values[values < 0] = np.nan
    for i, name in enumerate(names):
        row = int(img.shape[0] - ax.transData.transform((5200.0, i))[1]) - r0
        freq, _ = _to_data(ax, img, c0 + int(np.nanargmax(values[row])), r0 + row)
        tone = manifest[name]["tone_mhz"]
        assert abs(freq - tone) < reports[i].records[0].bin_mhz, f"row {i}: {freq:.3f} MHz"


def test_spectrum_names_channels_by_the_width_the_bins_span(plot, fixtures_dir, tmp_path):
    # 5180's 256 bins span 22 MHz: channel 36; 5210's 128 span 88: an 80 MHz
    # centre, by its MHz
    fig = plot.render_spectrum([plot.load_report(str(fixtures_dir / "mixed.json"))], (1000, 500))
    plot.save_png(fig, str(tmp_path / "mixed.png"))
    top = fig.axes[0].child_axes[0]
    assert [t.get_text() for t in top.get_xticklabels()] == ["ch 36\n5180", "5210"]


def test_ath10k_watch_cells_are_as_wide_as_their_bins(plot, fixtures_dir, manifest, tmp_path):
    # three frames of 5180's 256 bins (0.0859375 MHz), then three of 5210's
    # 128 over 80 MHz (0.6875 MHz): every row coloured across its channel,
    # also where the other channel's columns lie between its bins, and
    # grey beyond it
    stream = plot.load_input(str(fixtures_dir / "watch_ath10k.jsonl"))
    fig = plot.render_watch(stream, (1000, 600))
    img = _render(plot, fig, tmp_path, "ath10k-watch.png")
    waterfall, spectrum = fig.axes[0], fig.axes[1]
    r0, r1, c0, c1 = _axes_region(img, waterfall)
    values = _value_index(img[r0:r1, c0:c1], waterfall.collections[0].cmap)
    edges = plot.frame_rows(stream.frames)[0]
    entry = manifest["watch_ath10k.jsonl"]
    for i, ((centre, n), w) in enumerate(zip(entry["records"], entry["sampled_mhz"])):
        y = (edges[i] + edges[i + 1]) / 2
        row = int(img.shape[0] - waterfall.transData.transform((centre, y))[1]) - r0

        def col(f):
            return int(waterfall.transData.transform((f, y))[0]) - c0
        inside = values[row, max(col(centre - w / 2 + 0.2), 0):col(centre + w / 2 - 0.2)]
        assert (inside >= 0).all(), f"frame {i + 1}: grey inside its channel"
        assert (values[row, :max(col(centre - w / 2 - 0.2), 0)] < 0).all(), (
            f"frame {i + 1}: colour below its channel")
        tone = 5183.4375 if w == 22 else 5196.25
        freq, _ = _to_data(waterfall, img, c0 + int(np.argmax(values[row])), r0 + row)
        assert abs(freq - tone) < max(w / n / 2, 0.15), f"frame {i + 1}: carrier at {freq:.3f} MHz"
    peak = next(line for line in spectrum.get_lines() if line.get_label() == "max hold")
    assert not np.isnan(peak.get_ydata()).any()   # 0.6875 MHz apart is no gap
