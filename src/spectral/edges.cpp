#include "spectral/edges.h"

#include <cstring>

/* An HT20 sample's 56 bins span 17.5 MHz: four bins are missing at each edge
 * of the channel. After the shift the measured bins are 4..59. */
constexpr int first_measured = 4;
constexpr int last_measured = 59;
/* From a neighbour's bin 59 to this record's bin 4, at equal centres. */
constexpr int64_t measured_gap_hz = 17187500;
constexpr int64_t half_span_hz = 17500000;

static void fill_lower(spectrum_record *r, const spectrum_record *prev)
{
	double *b = r->bins;

	if (prev && r->bandwidth_khz >= r->center_khz - prev->center_khz) {
		int64_t d = int64_t(r->center_khz - prev->center_khz) * 1000;
		double den = double(d - measured_gap_hz);
		double u = prev->bins[last_measured], v = b[first_measured];
		for (int m = 0; m < first_measured; m++) {
			double t = double(d - half_span_hz - m * int64_t(bin_width_hz)) / den;
			b[first_measured - 1 - m] = t * (v - u) + u;
		}
		return;
	}
	double e = b[first_measured] - b[first_measured + 1];
	for (int k = first_measured - 1; k >= 0; k--)
		b[k] = b[k + 1] + e;
}

static void fill_upper(spectrum_record *r, const spectrum_record *next)
{
	double *b = r->bins;

	if (next && r->bandwidth_khz >= next->center_khz - r->center_khz) {
		int64_t d = int64_t(next->center_khz - r->center_khz) * 1000;
		double den = double(d - measured_gap_hz);
		double w = b[last_measured], s = next->bins[first_measured];
		for (int m = 1; m <= first_measured; m++) {
			double t = double(m * int64_t(bin_width_hz)) / den;
			b[last_measured + m] = t * (s - w) + w;
		}
		return;
	}
	double e = b[last_measured] - b[last_measured - 1];
	for (int k = last_measured + 1; k < full_20mhz_bins; k++)
		b[k] = b[k - 1] + e;
}

void complete_edges(spectrum_record *records, int count)
{
	/* All shifts first: the second pass reads the neighbours' shifted bins. */
	for (int i = 0; i < count; i++)
		memmove(records[i].bins + first_measured, records[i].bins,
			ht20_bins * sizeof(double));

	for (int i = 0; i < count; i++) {
		spectrum_record *r = &records[i];
		fill_lower(r, i > 0 ? &records[i - 1] : nullptr);
		fill_upper(r, i < count - 1 ? &records[i + 1] : nullptr);
		r->num_bins = full_20mhz_bins;
	}
}
