// SPDX-License-Identifier: GPL-2.0-only
#include <cstdio>
#include <poll.h>

#include "spectral/capture.h"
#include "spectral/debugfs.h"
#include "spectral/decode.h"
#include "spectral/relay_stream.h"
#include "spectral/settings.h"
#include "stop_wait.h"

void dwell_sleep(int dwell_ms)
{
	if (dwell_ms <= 0)
		return;
	poll_unless_stopped(nullptr, 0, dwell_ms);   /* not resumed after a stop */
}

int start_spectral_mode(const char *mode, const char *refused)
{
	drain_relay();
	set_spectral_count(1);
	if (write_ctl("spectral_scan_ctl", mode) < 0) {
		fprintf(stderr, "Error: %s\n", refused);
		return -1;
	}
	if (!spectral_mode_took()) {
		fputs("Error: spectral scan not supported by this radio\n", stderr);
		return -1;
	}
	return 0;
}

/* When the last trigger was written; none yet: long ago. */
static long long last_trigger_ms = -sample_wait_ms;

int trigger_spectral()
{
	if (write_ctl("spectral_scan_ctl", "trigger") < 0)
		return -1;
	last_trigger_ms = monotonic_ms();
	return 0;
}

/* ath9k's receive path drops FFT reports once the mode is "disable";
 * ath10k's hands every report it gets to the relay, and "disable" does not
 * wait for the firmware's answers over WMI: the last trigger's samples can
 * come after it. They get the time a capture gives a first sample; not cut
 * short by a stop, which is what usually ends a watch. */
void drain_after_disable(bool late_reports)
{
	drain_relay();
	if (!late_reports)
		return;
	for (long long left; (left = last_trigger_ms + sample_wait_ms - monotonic_ms()) > 0;) {
		poll(nullptr, 0, left < relay_check_interval_ms ? int(left) : relay_check_interval_ms);
		drain_relay();
	}
}

void warn_if_no_samples(int count)
{
	static bool warned;

	/* a stop explains an empty report itself; a watch says it once */
	if (count == 0 && !stop_requested && !warned) {
		warned = true;
		fputs("Warning: no spectral samples (is the radio idle, or on a radar channel?)\n",
		      stderr);
	}
}

int capture_current_channel(int dwell_ms, spectrum_record *records)
{
	relay_stream &stream = capture_stream;

	if (start_spectral_mode("manual", "failed to trigger spectral scan") < 0)
		return -1;
	if (trigger_spectral() < 0) {
		fputs("Error: failed to trigger spectral scan\n", stderr);
		return -1;
	}
	dwell_sleep(dwell_ms);
	stream.len = 0;
	gather_relay(&stream);
	/* the trigger only starts the chip: a short dwell can end before
	 * its record is in */
	wait_for_new_sample(&stream, sample_tally{0, 0, 0}, sample_wait_ms);
	int count = decode_stream(stream.bytes, stream.len, records);
	warn_if_no_samples(count);
	return count;
}
