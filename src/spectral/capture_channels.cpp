#include <cstdio>

#include "nl80211/scan.h"
#include "report/report.h"
#include "spectral/capture.h"
#include "spectral/debugfs.h"
#include "spectral/decode.h"
#include "spectral/edges.h"

static bool in_plan(int mhz, const int *plan, int n)
{
	for (int i = 0; i < n; i++)
		if (plan[i] == mhz)
			return true;
	return false;
}

/* A 40 MHz sample is centred between its control and secondary channels:
 * it was asked for when either of them was. */
static bool planned(const spectrum_record &r, const int *plan, int n)
{
	int mhz = r.center_khz / 1000;

	if (r.bandwidth_khz != ht40_bandwidth_khz)
		return in_plan(mhz, plan, n);
	return in_plan(mhz - 10, plan, n) || in_plan(mhz + 10, plan, n);
}

int keep_planned(spectrum_record *records, int count, const int *plan, int n)
{
	int kept = 0;

	for (int i = 0; i < count; i++) {
		if (!planned(records[i], plan, n))
			continue;
		if (kept != i)
			records[kept] = records[i];
		kept++;
	}
	return kept;
}

int capture_channels(const int *plan, int n, int dwell_ms)
{
	static spectrum_buffer records;

	drain_relay();
	set_spectral_count(1);
	/* the driver samples inside every channel change of a scan */
	if (write_ctl("spectral_scan_ctl", "chanscan") < 0) {
		fputs("Error: failed to enable chanscan mode\n", stderr);
		return -1;
	}
	trigger_scan_and_wait(plan, n, dwell_ms);
	int kept = keep_planned(records, decode_samples(records), plan, n);
	complete_edges(records, kept);
	print_report(records, kept);
	return 0;
}
