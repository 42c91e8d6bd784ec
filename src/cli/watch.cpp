// SPDX-License-Identifier: GPL-2.0-only
#include "cli/watch.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <unistd.h>

#include "cli/run_state.h"
#include "cli/terminal.h"
#include "report/band_stats.h"
#include "report/watch_report.h"
#include "spectral/capture.h"
#include "spectral/decode.h"
#include "spectral/relay_stream.h"
#include "stop_wait.h"

static band_stats stats;
static band_frame frame;

struct watch_run {
	const run_options *opts;
	spectrum_record *records;
	spectrogram_state sg;
	bool recorded;        /* --from: frames are numbered, not timed */
	bool output_closed;
};

/* "HH:MM:SS" local for the spectrogram, ISO 8601 UTC to the ms for JSON. */
static void frame_times(char *clock, size_t clock_size, char *iso, size_t iso_size)
{
	timespec now;
	tm t;

	clock_gettime(CLOCK_REALTIME, &now);
	localtime_r(&now.tv_sec, &t);
	snprintf(clock, clock_size, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
	gmtime_r(&now.tv_sec, &t);
	snprintf(iso, iso_size, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", t.tm_year + 1900, t.tm_mon + 1,
		 t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, int(now.tv_nsec / 1000000));
}

/* A closed output (a pipe's reader gone) ends the watch quietly. */
static int output_failed(watch_run *w)
{
	if (errno == EPIPE) {
		w->output_closed = true;
		output_closed = 1;
	} else
		report_failed = 1;
	return -1;
}

/* Closes the frame and prints it; -1 once the output failed. */
static int end_frame(watch_run *w)
{
	char clock[16], iso[80];
	int r;

	close_frame(&stats, &frame);
	if (frame.records == 0 && !w->recorded)
		warn_if_no_samples(0);
	frame_times(clock, sizeof(clock), iso, sizeof(iso));
	if (json_output)
		r = print_frame_json(report_stream(), frame, w->recorded ? nullptr : iso);
	else {
		if (w->recorded)
			snprintf(clock, sizeof(clock), "#%d", frame.number);
		int columns = terminal_columns(STDOUT_FILENO);
		if (columns != w->sg.view.columns) {
			w->sg.view.columns = columns;
			w->sg.since_header = -1;
		}
		r = print_spectrogram_frame(stdout, &w->sg, frame, clock);
	}
	return r < 0 ? output_failed(w) : 0;
}

static bool frames_done(const watch_run &w)
{
	return w.opts->frames > 0 && frame.number >= w.opts->frames;
}

static int print_summary(watch_run *w)
{
	static channel_summary channels[max_watch_channels];

	if (w->output_closed)
		return 0;
	int n = session_summary(&stats, channels, max_watch_channels);
	int r = json_output ? print_summary_json(report_stream(), channels, n)
			    : print_summary_table(stdout, channels, n);
	return r < 0 ? output_failed(w) : 0;
}

/* The current channel: the relay read and a trigger every tick. */
static int watch_current(watch_run *w)
{
	int interval = w->opts->interval_ms;

	if (start_channel_stream() < 0)
		return -1;
	long long frame_end = monotonic_ms() + interval;
	while (!stop_requested) {
		add_records(&stats, w->records, read_channel_stream(w->records));
		long long now = monotonic_ms();
		if (now >= frame_end) {
			if (end_frame(w) < 0 || frames_done(*w))
				return 0;
			frame_end += interval;
			if (frame_end <= now)   /* fell behind: the next frame is whole */
				frame_end = now + interval;
		}
		long long tick = now + watch_trigger_interval_ms;
		poll_unless_stopped(nullptr, 0, int((tick < frame_end ? tick : frame_end) - now));
	}
	/* what the stopped frame holds is shown too */
	if (stats.frame_records > 0)
		end_frame(w);
	return 0;
}

/* A scan of the plan per frame, scans starting at least interval apart. */
static int watch_plan(watch_run *w, const int *plan, int n)
{
	while (!stop_requested) {
		long long start = monotonic_ms();
		int count = capture_channels(plan, n, w->opts->dwell_ms, w->records);
		if (count < 0)
			return -1;
		add_records(&stats, w->records, count);
		/* a stop during the scan still shows what it captured */
		if (stop_requested && count == 0)
			break;
		if (end_frame(w) < 0 || frames_done(*w))
			return 0;
		long long left = start + w->opts->interval_ms - monotonic_ms();
		if (left > 0)
			poll_unless_stopped(nullptr, 0, int(left));
	}
	return 0;
}

static void start_watch(watch_run *w, const run_options &opts, spectrum_record *records)
{
	*w = watch_run{&opts, records, {}, false, false};
	w->sg.view.columns = terminal_columns(STDOUT_FILENO);
	w->sg.view.colours = terminal_colours(STDOUT_FILENO);
	w->sg.since_header = -1;
	start_band_stats(&stats, opts.threshold_dbm);
}

int watch_radio(const run_options &opts, const int *plan, int n, spectrum_record *records)
{
	watch_run w;

	start_watch(&w, opts, records);
	int r;
	if (opts.freq_mode) {
		/* the plan's channels, lowest to highest measured bin */
		int low = plan[0], high = plan[0];
		for (int i = 1; i < n; i++) {
			low = plan[i] < low ? plan[i] : low;
			high = plan[i] > high ? plan[i] : high;
		}
		w.sg.view.low_q7 = bin_freq_q7(low * 1000, ht20_bins, 0, 0);
		w.sg.view.high_q7 = bin_freq_q7(high * 1000, ht20_bins, 0, ht20_bins - 1);
		w.sg.fixed_span = true;
		r = watch_plan(&w, plan, n);
	} else
		r = watch_current(&w);
	if (r < 0)
		return -1;
	return print_summary(&w);
}

int watch_recording(const run_options &opts, FILE *in, spectrum_record *records)
{
	relay_stream &s = capture_stream;
	watch_run w;
	bool at_end = false;

	start_watch(&w, opts, records);
	w.recorded = true;
	s.len = 0;
	while (!stop_requested) {
		if (!at_end) {
			s.len += fread(s.bytes + s.len, 1, sizeof(s.bytes) - s.len, in);
			at_end = s.len < sizeof(s.bytes);
		}
		size_t used;
		int count = decode_samples(s.bytes, s.len, records, &used);
		/* full, and not one whole record: the rest cannot be read */
		if (used == 0 && (at_end || s.len == sizeof(s.bytes)))
			break;
		memmove(s.bytes, s.bytes + used, s.len - used);
		s.len -= used;
		/* from_frame_records a frame, in file order */
		for (int i = 0; i < count;) {
			int room = from_frame_records - stats.frame_records;
			int take = count - i < room ? count - i : room;
			add_records(&stats, records + i, take);
			i += take;
			if (stats.frame_records == from_frame_records &&
			    (end_frame(&w) < 0 || frames_done(w)))
				return print_summary(&w);
		}
	}
	if (ferror(in))
		return -1;
	if (stats.frame_records > 0)
		end_frame(&w);
	return print_summary(&w);
}
