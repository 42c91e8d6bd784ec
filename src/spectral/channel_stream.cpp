// SPDX-License-Identifier: GPL-2.0-only
#include <cstdio>
#include <cstring>

#include "spectral/capture.h"
#include "spectral/decode.h"
#include "spectral/relay_stream.h"
#include "spectral/settings.h"

/* Manual triggers, not background mode: ath9k's endless background sampling
 * stops at every chip reset (a channel change, an off-channel scan, a
 * calibration reset) and nothing starts it again, while each "trigger"
 * re-sends the configuration and wakes the chip. A trigger every
 * watch_trigger_interval_ms also keeps an idle chip's sleep timer (100 ms)
 * from stopping its receiver. */
int start_channel_stream()
{
	capture_stream.len = 0;
	if (start_spectral_mode("manual", "failed to trigger spectral scan") < 0)
		return -1;
	set_spectral_count(watch_spectral_count);
	if (trigger_spectral() < 0) {
		fputs("Error: failed to trigger spectral scan\n", stderr);
		return -1;
	}
	return 0;
}

int read_channel_stream(spectrum_record *records)
{
	relay_stream &s = capture_stream;
	size_t used;

	gather_relay(&s);
	int count = decode_samples(s.bytes, s.len, records, &used);
	/* a stream that is full and yet holds no whole record never will */
	if (used == 0 && s.len == sizeof(s.bytes))
		used = s.len;
	memmove(s.bytes, s.bytes + used, s.len - used);
	s.len -= used;
	/* a refused trigger (a radio gone away) shows as empty frames */
	trigger_spectral();
	return count;
}
