// SPDX-License-Identifier: GPL-2.0-only
#include "report/watch_report.h"

int print_spectrogram_frame(FILE *out, spectrogram_state *st, const band_frame &f,
			    const char *label)
{
	/* the current channel's span is what it shows; an empty frame keeps it */
	if (!st->fixed_span && f.bin_count > 0) {
		int32_t low = f.bins[0].freq_q7, high = f.bins[f.bin_count - 1].freq_q7;
		if (low != st->view.low_q7 || high != st->view.high_q7) {
			st->view.low_q7 = low;
			st->view.high_q7 = high;
			st->since_header = -1;
		}
	}
	/* the cells follow the bins' width (ath10k's are 1/4 to 2 of ath9k's) */
	if (f.bin_count > 0 && f.bin_q7 != st->view.bin_q7) {
		st->view.bin_q7 = f.bin_q7;
		st->since_header = -1;
	}
	if (st->since_header < 0 || st->since_header >= header_every_frames) {
		if (print_spectrogram_header(out, st->view) < 0)
			return -1;
		st->since_header = 0;
	}
	st->since_header++;
	if (print_spectrogram_line(out, st->view, label, f.bins, f.bin_count) < 0 || fflush(out) != 0)
		return -1;
	return 0;
}

int print_summary_table(FILE *out, const channel_summary *channels, int count)
{
	fputs("\n   MHz  width  records     avg     max  duty %\n", out);
	for (int i = 0; i < count; i++) {
		const channel_summary &c = channels[i];
		fprintf(out, "%6d  %5d  %7llu  %6.1f  %6.1f  %6.1f\n", c.center_khz / 1000,
			c.bandwidth_khz / 1000, (unsigned long long)c.records, c.avg, c.max, c.duty);
	}
	return fflush(out) != 0 || ferror(out) ? -1 : 0;
}
