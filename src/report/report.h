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

inline double bin_freq_mhz(const spectrum_record &r, int k)
{
	return double(bin_freq_hz(r, k)) / 1000000.0;
}

/* 0.0001 MHz: the reports' last digit. Every bin lies on a multiple of
 * 500 Hz, so this is bin_freq_hz / 100 exactly, and "%.4f" of bin_freq_mhz
 * prints it unrounded: no division, no double on the router's soft float. */
constexpr int64_t freq_units_per_khz = 10;
constexpr int64_t bin_width_units = bin_width_hz / 100;

inline int64_t bin_freq_units(const spectrum_record &r, int k)
{
	return r.center_khz * freq_units_per_khz + int64_t(k - r.num_bins / 2) * bin_width_units;
}

#endif
