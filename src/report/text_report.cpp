// SPDX-License-Identifier: GPL-2.0-only
#include "report/report.h"

#include "report/fixed_format.h"

/* A bin line is at most two 18-character numbers, two spaces and a newline. */
constexpr size_t max_bin_line = 48;

static void flush(FILE *out, char *buf, size_t *used)
{
	if (*used)
		fwrite(buf, 1, *used, out);
	*used = 0;
}

/* Appends "%10.4f  %10.1f\n" of the bin's MHz and power to buf, or returns
 * false with buf untouched. */
static bool append_bin_line(char *buf, size_t *used, int64_t freq_units, double power)
{
	char *p = buf + *used;
	int a = format_decimal(p, freq_units, 4, 10);
	p[a] = ' ';
	p[a + 1] = ' ';
	int b = format_fixed(p + a + 2, power, 1, 10);
	if (b < 0)
		return false;
	p[a + 2 + b] = '\n';
	*used += size_t(a + b + 3);
	return true;
}

int print_text_report(FILE *out, const spectrum_record *records, int count)
{
	for (int i = 0; i < count; i++)
		fprintf(out, "%d MHz  RSSI: %d dBm  Noise: %d dBm\n", records[i].center_khz / 1000,
			records[i].rssi, records[i].noise);
	fputc('\n', out);

	/* Bin lines go out in 4 KiB writes, not one printf each. */
	char buf[4096];
	size_t used = 0;
	for (int i = 0; i < count; i++) {
		const spectrum_record &r = records[i];
		for (int k = 0; k < r.num_bins; k++) {
			if (used + max_bin_line > sizeof(buf))
				flush(out, buf, &used);
			int64_t freq = bin_freq_units(r, k);
			if (!append_bin_line(buf, &used, freq, r.bins[k])) {
				/* a power format_fixed leaves to printf */
				char mhz[40];
				int n = format_decimal(mhz, freq, 4, 10);
				flush(out, buf, &used);
				fprintf(out, "%.*s  %10.1f\n", n, mhz, r.bins[k]);
			}
		}
	}
	flush(out, buf, &used);
	return ferror(out) ? -1 : 0;
}
