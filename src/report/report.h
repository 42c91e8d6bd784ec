/* SPDX-License-Identifier: GPL-2.0-only */
/* The text report and the JSON document of one capture. */
#ifndef RFPEEK_REPORT_H
#define RFPEEK_REPORT_H

#include <cstdio>

#include "spectral/spectrum_record.h"

/* Each returns 0, or -1 if the report could not be built or written. */
int print_text_report(FILE *out, const spectrum_record *records, int count);
int print_json_report(FILE *out, const spectrum_record *records, int count);
/* Text to standard output, or JSON to the output stream, as the command line chose. */
int print_report(const spectrum_record *records, int count);

/* The exact MHz of a bin. */
inline double bin_freq_mhz(const spectrum_record &r, int k)
{
	if (r.sampled_mhz)
		return double(r.center_khz / 1000) +
		       double((k - r.num_bins / 2) * r.sampled_mhz) / r.num_bins;
	return double(bin_freq_hz(r, k)) / 1000000.0;
}

/* 0.0001 MHz: the reports' last digit. Every ath9k bin lies on a multiple
 * of 500 Hz, so this is bin_freq_hz / 100 exactly, and "%.4f" of
 * bin_freq_mhz prints it unrounded: no division, no double on the router's
 * soft float. ath10k's bins (22 MHz / 256 is 85.9375 kHz) are rounded to
 * it half to even, as "%.4f" rounds the exact value. */
constexpr int64_t freq_units_per_khz = 10;
constexpr int64_t bin_width_units = bin_width_hz / 100;
constexpr int32_t freq_units_per_mhz = 10000;

/* num / den (den > 0) to the nearest integer, ties to the even one. */
inline int32_t divide_to_even(int32_t num, int32_t den)
{
	uint32_t a = uint32_t(num < 0 ? -num : num);
	uint32_t q = a / uint32_t(den), twice_rest = 2 * (a % uint32_t(den));
	if (twice_rest > uint32_t(den) || (twice_rest == uint32_t(den) && (q & 1)))
		q++;
	return num < 0 ? -int32_t(q) : int32_t(q);
}

inline int64_t bin_freq_units(const spectrum_record &r, int k)
{
	int64_t center = r.center_khz * freq_units_per_khz;
	if (r.sampled_mhz)   /* at most 128 * 255 * 10000: 32 bits */
		return center + divide_to_even((k - r.num_bins / 2) * r.sampled_mhz * freq_units_per_mhz,
					       r.num_bins);
	return center + int64_t(k - r.num_bins / 2) * bin_width_units;
}

#endif
