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
/* ath10k: a record of 64 to 256 bins, spanning its chan_width_mhz */
constexpr int ath10k_min_bins = 64;
constexpr int ath10k_max_bins = 256;
static_assert(ath10k_max_bins <= max_bins, "a record holds ath10k's largest FFT");

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
	int32_t bandwidth_khz;   /* the channel's: 20000, 40000 or (ath10k) 80000 */
	int32_t center_khz;
	int16_t rssi;            /* as the driver gives it (ath10k's up to 255) */
	int16_t noise;           /* dBm */
	/* ath10k: the MHz its bins span (the driver's 22, 44 or 88 for a 20, 40
	 * or 80 MHz channel; never 0); 0 for ath9k, whose bins are 312.5 kHz apart */
	uint8_t sampled_mhz;
	int32_t num_bins;        /* ath9k 56, 64 or 128; ath10k 64 to 256 */
	double bins[max_bins];   /* dBm, first num_bins meaningful */
	/* The driver's bytes behind the measured bins (before edge completion):
	 * the watch's statistics work from these, without a logarithm each. */
	int32_t num_parts;       /* 1, or 2 for HT20/40 */
	sample_part parts[2];
	uint8_t magnitude[max_bins];
};

using spectrum_buffer = spectrum_record[max_records];

/* Bin k of an ath9k record lies at centre + (k - num_bins/2) * 312.5 kHz
 * (an ath10k one's: bin_freq_q7, and bin_freq_units in the reports). */
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

/* A bin's frequency in 1/128 MHz; the centres are whole MHz. An ath10k
 * bin lies at centre + (k - num_bins/2) * sampled_mhz / num_bins; the few
 * records off the grid (bin counts that are no power of two, odd widths
 * over 256 bins) fall to the step nearer the centre. */
inline int32_t bin_freq_q7(int32_t center_khz, int num_bins, int sampled_mhz, int k)
{
	int32_t mhz = center_khz / 1000 * q7_per_mhz;
	if (!sampled_mhz)
		return mhz + (k - num_bins / 2) * bin_width_q7;
	return mhz + (k - num_bins / 2) * sampled_mhz * q7_per_mhz / num_bins;
}

/* The distance of a record's bins in 1/128 MHz, at least 1. */
inline int32_t bin_spacing_q7(int num_bins, int sampled_mhz)
{
	if (!sampled_mhz)
		return bin_width_q7;
	int32_t q7 = sampled_mhz * q7_per_mhz / num_bins;
	return q7 > 0 ? q7 : 1;
}

/* ath10k's sampled width names its channel: 22, 44 and 88 MHz are the
 * 20, 40 and 80 MHz channels; anything else is taken as it is. */
inline int32_t ath10k_channel_khz(int sampled_mhz)
{
	int mhz = sampled_mhz == 22 ? 20 : sampled_mhz == 44 ? 40 : sampled_mhz == 88 ? 80 : sampled_mhz;
	return mhz * 1000;
}

#endif
