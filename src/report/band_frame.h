/* SPDX-License-Identifier: GPL-2.0-only */
/* What the watch shows: one frame's statistics per bin frequency, and the
 * session's per channel. Filled by the statistics, read by the outputs. */
#ifndef RFPEEK_BAND_FRAME_H
#define RFPEEK_BAND_FRAME_H

#include <cstdint>

#include "rfpeek_limits.h"

/* One bin frequency over a frame's samples. */
struct frame_bin {
	int32_t freq_q7;    /* MHz in 1/128 steps (bin_freq_q7) */
	double avg;         /* dBm: 10 log10 of the mean of 10^(p/10) */
	double max;         /* dBm: the largest p */
	uint32_t samples;   /* samples that measured this bin */
	uint32_t over;      /* of them, with p at or above the threshold */
};

struct band_frame {
	int number;         /* 1, 2, ... */
	int records;        /* samples in the frame */
	int bin_count;
	int32_t bin_q7;     /* the finest bin spacing among them (1/128 MHz) */
	frame_bin bins[max_frame_bins];   /* rising frequency, only bins with samples */
};

/* One channel (record centre and width) over the whole watch. */
struct channel_summary {
	int32_t center_khz;
	int32_t bandwidth_khz;
	uint64_t records;
	double avg;         /* dBm, power mean over every measured bin of every sample */
	double max;         /* dBm */
	double duty;        /* percent of those bin samples at or above the threshold */
};

/* Percent, 0 with no samples. */
inline double duty_percent(uint64_t over, uint64_t samples)
{
	return samples ? 100.0 * double(over) / double(samples) : 0.0;
}

#endif
