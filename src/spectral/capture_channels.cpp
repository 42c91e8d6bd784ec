// SPDX-License-Identifier: GPL-2.0-only
#include <cstdio>

#include "nl80211/scan.h"
#include "spectral/capture.h"
#include "spectral/decode.h"
#include "spectral/relay_stream.h"
#include "stop_wait.h"

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

int capture_channels(const int *plan, int n, int dwell_ms, spectrum_record *records)
{
	relay_stream &stream = capture_stream;

	/* the driver samples inside every channel change of a scan */
	if (start_spectral_mode("chanscan", "failed to enable chanscan mode") < 0)
		return -1;
	int outcome = trigger_scan_and_wait(plan, n, dwell_ms);
	stream.len = 0;
	gather_relay(&stream);
	/* mac80211 announces the end before it returns to the operating
	 * channel, and that visit's samples come later still */
	if (outcome == scan_done || outcome == scan_aborted)
		wait_for_new_sample(&stream, tally_samples(stream.bytes, stream.len),
				    scan_return_wait_ms);
	int kept = keep_planned(records, decode_stream(stream.bytes, stream.len, records), plan, n);
	/* a failed scan has had its warning */
	if (outcome != scan_refused && outcome != scan_aborted)
		warn_if_no_samples(kept);
	return kept;
}
