#include <cstdio>

#include "cli/stop_signal.h"

#include "report/report.h"
#include "spectral/capture.h"
#include "spectral/debugfs.h"
#include "spectral/decode.h"
#include "spectral/edges.h"

void dwell_sleep(int dwell_ms)
{
	if (dwell_ms <= 0)
		return;
	poll_unless_stopped(nullptr, 0, dwell_ms);   /* not resumed after a stop */
}

void set_spectral_count(int count)
{
	char word[word_size];

	snprintf(word, sizeof(word), "%d", count);
	write_ctl("spectral_count", word);
}

int capture_current_channel(int dwell_ms)
{
	static spectrum_buffer records;

	drain_relay();
	set_spectral_count(1);
	if (write_ctl("spectral_scan_ctl", "manual") < 0 ||
	    write_ctl("spectral_scan_ctl", "trigger") < 0) {
		fputs("Error: failed to trigger spectral scan\n", stderr);
		return -1;
	}
	dwell_sleep(dwell_ms);
	int count = decode_samples(records);
	complete_current_channel(records, count);
	print_report(records, count);
	return 0;
}
