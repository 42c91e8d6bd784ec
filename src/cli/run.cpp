// SPDX-License-Identifier: GPL-2.0-only
#include "cli/run.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <json-c/json.h>

#include "cli/channel_plan.h"
#include "cli/options.h"
#include "cli/run_state.h"
#include "cli/stop_signal.h"
#include "cli/watch.h"
#include "nl80211/connection.h"
#include "nl80211/wiphy_query.h"
#include "report/report.h"
#include "spectral/capture.h"
#include "spectral/debugfs.h"
#include "spectral/decode.h"
#include "spectral/edges.h"
#include "spectral/relay_stream.h"
#include "spectral/settings.h"

/* A standard descriptor the caller closed would go to the next socket we
 * open, and the report with it. /dev/null read-only holds the slot: writes
 * to it still fail, as they would have on the closed descriptor. */
static void hold_std_fds()
{
	for (int fd = 0; fd <= 2; fd++)
		if (fcntl(fd, F_GETFD) < 0)
			open("/dev/null", O_RDONLY);   /* takes the lowest free number: fd */
}

/* Flushes and closes the report's stream; false if anything was lost.
 * A watch whose reader went away has nothing more to say. */
static bool finish_output()
{
	bool ok = !report_failed || output_closed;

	if ((fflush(stdout) != 0 || ferror(stdout)) && !output_closed)
		ok = false;
	if (out_stream) {
		if (ferror(out_stream) && !output_closed)
			ok = false;
		if (fclose(out_stream) != 0 && !output_closed)
			ok = false;
		out_stream = nullptr;
	}
	return ok;
}

/* false if the driver refused and its scan is still on: ath10k refuses
 * every word when no interface is up, "disable" too, although taking the
 * last one down disabled the scan already */
static bool disable_spectral(bool ath10k)
{
	bool disabled = write_ctl("spectral_scan_ctl", "disable") == 0 || !spectral_mode_took();
	drain_after_disable(ath10k);
	return disabled;
}

static bool spectral_files_in(const char *driver)
{
	char ctl_path[path_size];

	snprintf(debugfs_dir, sizeof(debugfs_dir), "/sys/kernel/debug/ieee80211/%s/%s", phy_name,
		 driver);
	snprintf(ctl_path, sizeof(ctl_path), "%s/spectral_scan_ctl", debugfs_dir);
	return access(ctl_path, F_OK) == 0;
}

/* Where each driver keeps its spectral files, in the order looked for:
 * USB radios (ath9k_htc) have ath9k's under their driver's name. With
 * none, debugfs_dir names the ath9k one for the message. */
static const char *const spectral_drivers[] = {"ath9k", "ath9k_htc", "ath10k"};

static const char *spectral_driver()
{
	for (const char *driver : spectral_drivers)
		if (spectral_files_in(driver))
			return driver;
	spectral_files_in("ath9k");
	return nullptr;
}

/* The run's one record buffer: the one-shot report's and the watch's. */
static spectrum_buffer records;

/* The channels -F asks for, written over the front of wiphy_freqs; how
 * many, or -1 with its message. */
static int plan_channels(const run_options &opts, int *wiphy_freqs, int wiphy_count)
{
	static int matched[max_freq_requests];

	int n = select_channels(wiphy_freqs, wiphy_count, opts.freq_requests, opts.request_count,
				matched);
	if (n == 0) {
		fputs("Error: no valid channels to scan\n", stderr);
		return -1;
	}
	return n;
}

/* One capture, its 20 MHz records completed to the whole channel, reported. */
static int report_capture(const run_options &opts, const int *plan, int n)
{
	int count = opts.freq_mode ? capture_channels(plan, n, opts.dwell_ms, records)
				   : capture_current_channel(opts.dwell_ms, records);
	if (count < 0)
		return -1;
	if (opts.freq_mode)
		complete_edges(records, count);
	else
		complete_current_channel(records, count);
	print_report(records, count);
	return 0;
}

/* The current channel's report, the relay's first read being the file's
 * start. */
static int report_recording(FILE *in, const char *path)
{
	relay_stream &s = capture_stream;
	size_t used;

	s.len = fread(s.bytes, 1, sizeof(s.bytes), in);
	if (ferror(in))
		return -1;
	bool more = fgetc(in) != EOF;
	int count = decode_samples(s.bytes, s.len, records, &used);
	for (int i = 0; i < count; i++)
		fill_record_powers(&records[i]);
	if (more || tally_samples(s.bytes + used, s.len - used).count > 0)
		fprintf(stderr, "Warning: '%s' holds more than one capture reads: the rest was left unread\n",
			path);
	complete_current_channel(records, count);
	print_report(records, count);
	return 0;
}

static int run_recorded(const run_options &opts)
{
	FILE *in = fopen(opts.from_path, "rb");
	int result = -1;
	bool unreadable = !in;

	if (in) {
		result = opts.watch ? watch_recording(opts, in, records)
				    : report_recording(in, opts.from_path);
		unreadable = ferror(in);
		fclose(in);
	}
	if (unreadable) {
		fprintf(stderr, "Error: cannot read '%s'\n", opts.from_path);
		result = -1;
	}
	if (!finish_output()) {
		fputs("Error: cannot write output\n", stderr);
		return 1;
	}
	return result != 0 ? 1 : 0;
}

int rfpeek_main(int argc, char **argv)
{
	static run_options opts;
	static int wiphy_freqs[max_wiphy_freqs];

	hold_std_fds();
	reset_run_state();
	int status = parse_options(argc, argv, &opts);
	if (status != options_continue)
		return status;
	install_stop_handlers();
	/* json-c's default string hash seeds itself from /dev/urandom, which
	 * can stall for a second on a freshly booted machine; this one has no
	 * seed, and the documents' key order does not depend on it */
	json_global_set_string_hash(JSON_C_STR_HASH_PERLLIKE);
	if (opts.from_path)
		return run_recorded(opts);

	if (nl80211_open(iface_name) < 0) {
		fputs("Error: nl80211 init failed\n", stderr);
		return 1;
	}
	wiphy_query query = {wiphy_freqs, max_wiphy_freqs, 0, phy_name, int(sizeof(phy_name))};
	query_wiphy(&query);
	if (!phy_name[0]) {
		fprintf(stderr, "Error: could not resolve phy for '%s'\n", iface_name);
		nl80211_close();
		return 1;
	}
	const char *driver = spectral_driver();
	if (!driver) {
		fprintf(stderr, "Error: spectral scan not available at %s\n", debugfs_dir);
		nl80211_close();
		return 1;
	}

	bool ath10k = strcmp(driver, "ath10k") == 0;
	int n = 0;
	/* ath10k's firmware samples only on the channel its interface is on */
	if (opts.freq_mode && ath10k) {
		fputs("Error: ath10k cannot sample during a channel scan: -F is not available on this radio\n",
		      stderr);
		n = -1;
	} else if (opts.freq_mode)
		n = plan_channels(opts, wiphy_freqs, query.count);
	int result = n < 0 ? -1
		     : opts.watch ? watch_radio(opts, wiphy_freqs, n, records)
				  : report_capture(opts, wiphy_freqs, n);

	nl80211_close();
	if (!disable_spectral(ath10k))
		fputs("Warning: failed to disable spectral scan\n", stderr);
	if (!restore_spectral_settings())
		fputs("Warning: failed to restore spectral_count\n", stderr);
	if (!finish_output()) {
		fputs("Error: cannot write output\n", stderr);
		return 1;
	}
	return result != 0 ? 1 : 0;
}
