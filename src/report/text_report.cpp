#include "report/report.h"

int print_text_report(FILE *out, const spectrum_record *records, int count)
{
	for (int i = 0; i < count; i++)
		fprintf(out, "%d MHz  RSSI: %d dBm  Noise: %d dBm\n", records[i].center_khz / 1000,
			records[i].rssi, records[i].noise);
	fputc('\n', out);
	for (int i = 0; i < count; i++) {
		const spectrum_record &r = records[i];
		for (int k = 0; k < r.num_bins; k++)
			fprintf(out, "%10.4f  %10.1f\n", bin_freq_mhz(r, k), r.bins[k]);
	}
	return ferror(out) ? -1 : 0;
}
