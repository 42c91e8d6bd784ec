// SPDX-License-Identifier: GPL-2.0-only
#include "spectral/edges.h"

#include <cstring>

/* An HT20 sample's 56 bins span 17.5 MHz: four bins are missing at each edge
 * of the channel. After the shift the measured bins are 4..59. */
constexpr int first_measured = 4;
constexpr int last_measured = 59;
/* From a neighbour's bin 59 to this record's bin 4, at equal centres. */
constexpr int64_t measured_gap_hz = 17187500;
constexpr int64_t half_span_hz = 17500000;

/* A 40 MHz sample measured its whole width and is neither widened nor a
 * neighbour to draw from. */
static bool widens(const spectrum_record &r)
{
	return r.bandwidth_khz == ht20_bandwidth_khz && r.num_bins == ht20_bins;
}

/* Filled bins are estimates: they stay within what was measured, the
 * record's own bins and the neighbour bin an edge is drawn towards, so that
 * noise in the two outermost bins, or neighbours closer than a channel, do
 * not invent carriers. */
struct bounds {
	double lo, hi;
};

static bounds measured_bounds(const double *b)
{
	bounds m = {b[first_measured], b[first_measured]};

	for (int k = first_measured + 1; k <= last_measured; k++) {
		if (b[k] < m.lo)
			m.lo = b[k];
		if (b[k] > m.hi)
			m.hi = b[k];
	}
	return m;
}

static bounds with(bounds m, double v)
{
	return {v < m.lo ? v : m.lo, v > m.hi ? v : m.hi};
}

static double clamped(double v, bounds m)
{
	return v < m.lo ? m.lo : v > m.hi ? m.hi : v;
}

static void fill_lower(spectrum_record *r, const spectrum_record *prev, bounds own)
{
	double *b = r->bins;

	if (prev && r->bandwidth_khz >= r->center_khz - prev->center_khz) {
		int64_t d = int64_t(r->center_khz - prev->center_khz) * 1000;
		double den = double(d - measured_gap_hz);
		double u = prev->bins[last_measured], v = b[first_measured];
		bounds lim = with(own, u);
		for (int m = 0; m < first_measured; m++) {
			double t = double(d - half_span_hz - m * int64_t(bin_width_hz)) / den;
			b[first_measured - 1 - m] = clamped(t * (v - u) + u, lim);
		}
		return;
	}
	double e = b[first_measured] - b[first_measured + 1];
	for (int k = first_measured - 1; k >= 0; k--)
		b[k] = clamped(b[k + 1] + e, own);
}

static void fill_upper(spectrum_record *r, const spectrum_record *next, bounds own)
{
	double *b = r->bins;

	if (next && r->bandwidth_khz >= next->center_khz - r->center_khz) {
		int64_t d = int64_t(next->center_khz - r->center_khz) * 1000;
		double den = double(d - measured_gap_hz);
		double w = b[last_measured], s = next->bins[first_measured];
		bounds lim = with(own, s);
		for (int m = 1; m <= first_measured; m++) {
			double t = double(m * int64_t(bin_width_hz)) / den;
			b[last_measured + m] = clamped(t * (s - w) + w, lim);
		}
		return;
	}
	double e = b[last_measured] - b[last_measured - 1];
	for (int k = last_measured + 1; k < full_20mhz_bins; k++)
		b[k] = clamped(b[k - 1] + e, own);
}

void complete_edges(spectrum_record *records, int count)
{
	/* All shifts first: the second pass reads the neighbours' shifted bins.
	 * num_bins changes only at the end, so that widens() still tells the
	 * second pass which neighbours are 20 MHz ones. */
	for (int i = 0; i < count; i++)
		if (widens(records[i]))
			memmove(records[i].bins + first_measured, records[i].bins,
				ht20_bins * sizeof(double));

	for (int i = 0; i < count; i++) {
		spectrum_record *r = &records[i];
		if (!widens(*r))
			continue;
		const spectrum_record *prev = i > 0 && widens(records[i - 1]) ? &records[i - 1] : nullptr;
		const spectrum_record *next =
			i < count - 1 && widens(records[i + 1]) ? &records[i + 1] : nullptr;
		bounds own = measured_bounds(r->bins);
		fill_lower(r, prev, own);
		fill_upper(r, next, own);
	}

	for (int i = 0; i < count; i++)
		if (widens(records[i]))
			records[i].num_bins = full_20mhz_bins;
}

void complete_current_channel(spectrum_record *records, int count)
{
	if (count > 0 && records[0].bandwidth_khz == ht20_bandwidth_khz)
		complete_edges(records, count);
}
