// SPDX-License-Identifier: GPL-2.0-only
#include "cli/run.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "cli/channel_plan.h"
#include "cli/options.h"
#include "cli/run_state.h"
#include "cli/stop_signal.h"
#include "nl80211/connection.h"
#include "nl80211/wiphy_query.h"
#include "report/report.h"
#include "spectral/capture.h"
#include "spectral/debugfs.h"
#include "spectral/edges.h"
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

/* Flushes and closes the report's stream; false if anything was lost. */
static bool finish_output()
{
	bool ok = !report_failed;

	if (fflush(stdout) != 0 || ferror(stdout))
		ok = false;
	if (out_stream) {
		if (ferror(out_stream))
			ok = false;
		if (fclose(out_stream) != 0)
			ok = false;
		out_stream = nullptr;
	}
	return ok;
}

/* false if the driver refused: its scan is then still on */
static bool disable_spectral()
{
	bool disabled = write_ctl("spectral_scan_ctl", "disable") == 0;
	drain_relay();
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

/* USB radios (ath9k_htc) have the same files under their driver's name.
 * With neither, debugfs_dir names the ath9k one for the message. */
static bool spectral_available()
{
	if (spectral_files_in("ath9k") || spectral_files_in("ath9k_htc"))
		return true;
	spectral_files_in("ath9k");
	return false;
}

/* The capture the command line asked for, into records; how many, or -1. */
static int run_capture(const run_options &opts, int *wiphy_freqs, int wiphy_count,
		       spectrum_record *records)
{
	static int matched[max_freq_requests];

	if (!opts.freq_mode)
		return capture_current_channel(opts.dwell_ms, records);
	int n = select_channels(wiphy_freqs, wiphy_count, opts.freq_requests, opts.request_count,
				matched);
	if (n == 0) {
		fputs("Error: no valid channels to scan\n", stderr);
		return -1;
	}
	return capture_channels(wiphy_freqs, n, opts.dwell_ms, records);
}

/* One capture, its 20 MHz records completed to the whole channel, reported. */
static int report_capture(const run_options &opts, int *wiphy_freqs, int wiphy_count)
{
	static spectrum_buffer records;

	int count = run_capture(opts, wiphy_freqs, wiphy_count, records);
	if (count < 0)
		return -1;
	if (opts.freq_mode)
		complete_edges(records, count);
	else
		complete_current_channel(records, count);
	print_report(records, count);
	return 0;
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
	if (!spectral_available()) {
		fprintf(stderr, "Error: spectral scan not available at %s\n", debugfs_dir);
		nl80211_close();
		return 1;
	}

	int result = report_capture(opts, wiphy_freqs, query.count);

	nl80211_close();
	if (!disable_spectral())
		fputs("Warning: failed to disable spectral scan\n", stderr);
	if (!restore_spectral_settings())
		fputs("Warning: failed to restore spectral_count\n", stderr);
	if (!finish_output()) {
		fputs("Error: cannot write output\n", stderr);
		return 1;
	}
	return result != 0 ? 1 : 0;
}
