/* SPDX-License-Identifier: GPL-2.0-only */
/* One decoded FFT sample, and the buffer a capture owns. */
#ifndef RFPEEK_SPECTRUM_RECORD_H
#define RFPEEK_SPECTRUM_RECORD_H

#include <cstdint>

#include "rfpeek_limits.h"

constexpr int bin_width_hz = 312500;
constexpr int ht20_bins = 56;      /* bins an HT20 sample measures */
constexpr int full_20mhz_bins = 64;/* bins of a 20 MHz channel after edge completion */
constexpr int ht40_bins = 128;
constexpr int32_t ht20_bandwidth_khz = 20000;
constexpr int32_t ht40_bandwidth_khz = 40000;

/* What a part of the sample's bins were computed from: an HT20 sample has
 * one part, an HT20/40 one a part per 20 MHz half, each with its own rssi,
 * noise and sum. */
struct sample_part {
	uint64_t sum_sq;         /* the part's shifted bytes squared and summed, as bin_power takes it */
	int16_t rssi;            /* dB above the noise floor */
	int16_t noise;           /* dBm */
	uint8_t max_exp;
};

struct spectrum_record {
	int32_t bandwidth_khz;   /* 20000 or 40000 */
	int32_t center_khz;
	int8_t rssi;             /* dBm */
	int8_t noise;            /* dBm */
	int32_t num_bins;        /* 56, 64 or 128 */
	double bins[max_bins];   /* dBm, first num_bins meaningful */
	/* The driver's bytes behind the measured bins (before edge completion):
	 * the watch's statistics work from these, without a logarithm each. */
	int32_t num_parts;       /* 1, or 2 for HT20/40 */
	sample_part parts[2];
	uint8_t magnitude[max_bins];
};

using spectrum_buffer = spectrum_record[max_records];

/* Bin k of a record lies at centre + (k - num_bins/2) * 312.5 kHz. */
inline int64_t bin_freq_hz(int32_t center_khz, int num_bins, int k)
{
	return int64_t(center_khz) * 1000 + int64_t(k - num_bins / 2) * bin_width_hz;
}

inline int64_t bin_freq_hz(const spectrum_record &r, int k)
{
	return bin_freq_hz(r.center_khz, r.num_bins, k);
}

/* The watch's frequencies: MHz with 7 fraction bits (1/128 MHz, 7812.5 Hz).
 * Every driver's bins lie on this grid (ath9k's 312.5 kHz is 40 steps,
 * ath10k's 22 MHz / 256 is 11) around whole-MHz centres, so an int32 holds
 * any bin exactly: no 64-bit arithmetic on the router. */
constexpr int32_t q7_per_mhz = 128;
constexpr int32_t bin_width_q7 = 40;
static_assert(int64_t(bin_width_q7) * 1000000 == int64_t(bin_width_hz) * q7_per_mhz,
	      "an ath9k bin is 40 steps of 1/128 MHz");

/* bin_freq_hz in 1/128 MHz; the centres are whole MHz. */
inline int32_t bin_freq_q7(int32_t center_khz, int num_bins, int k)
{
	return center_khz / 1000 * q7_per_mhz + (k - num_bins / 2) * bin_width_q7;
}

#endif
