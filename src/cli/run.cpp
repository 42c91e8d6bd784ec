#include "cli/run.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "cli/channel_plan.h"
#include "cli/options.h"
#include "cli/run_state.h"
#include "nl80211/connection.h"
#include "nl80211/wiphy_query.h"
#include "spectral/capture.h"
#include "spectral/debugfs.h"

void handle_stop_signal(int)
{
	stop_requested = 1;
}

/* Once the spectral files are found the scan must be disabled on the way
 * out: a stop signal (a dropped ssh session included) only sets the flag,
 * and a closed pipe shows up as a write error instead of killing us. */
static void install_signal_handlers()
{
	struct sigaction sa = {};

	sa.sa_handler = handle_stop_signal;
	sigemptyset(&sa.sa_mask);
	sigaction(SIGINT, &sa, nullptr);
	sigaction(SIGTERM, &sa, nullptr);
	sigaction(SIGHUP, &sa, nullptr);
	sa.sa_handler = SIG_IGN;
	sigaction(SIGPIPE, &sa, nullptr);
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

static void disable_spectral()
{
	write_ctl("spectral_scan_ctl", "disable");
	drain_relay();
}

static bool spectral_available()
{
	char ctl_path[path_size];

	snprintf(debugfs_dir, sizeof(debugfs_dir), "/sys/kernel/debug/ieee80211/%s/ath9k", phy_name);
	snprintf(ctl_path, sizeof(ctl_path), "%s/spectral_scan_ctl", debugfs_dir);
	return access(ctl_path, F_OK) == 0;
}

static int run_capture(const run_options &opts, int *wiphy_freqs, int wiphy_count)
{
	static int matched[max_freq_requests];

	if (!opts.freq_mode)
		return capture_current_channel(opts.dwell_ms);
	int n = select_channels(wiphy_freqs, wiphy_count, opts.freq_requests, opts.request_count,
				matched);
	if (n == 0) {
		fputs("Error: no valid channels to scan\n", stderr);
		return -1;
	}
	return capture_channels(wiphy_freqs, n, opts.dwell_ms);
}

int rfpeek_main(int argc, char **argv)
{
	static run_options opts;
	static int wiphy_freqs[max_wiphy_freqs];

	reset_run_state();
	int status = parse_options(argc, argv, &opts);
	if (status != options_continue)
		return status;
	install_signal_handlers();

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

	int result = run_capture(opts, wiphy_freqs, query.count);

	nl80211_close();
	disable_spectral();
	if (!finish_output()) {
		fputs("Error: cannot write output\n", stderr);
		return 1;
	}
	return result != 0 ? 1 : 0;
}
