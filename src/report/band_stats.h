/* SPDX-License-Identifier: GPL-2.0-only */
/* The watch's statistics: per bin frequency over a frame (power mean, max,
 * samples at or above a threshold) and per channel over the session. */
#ifndef RFPEEK_BAND_STATS_H
#define RFPEEK_BAND_STATS_H

#include <cstdint>

#include "report/band_frame.h"
#include "spectral/spectrum_record.h"

/* A bin of one channel over the frame. Linear powers are fixed point, in
 * units of 2^scale_exp mW of its channel: no logarithm or exponential per
 * sample. The loudest sample's bytes are kept for its power. */
struct stats_bin {
	uint64_t lin_sum;
	uint64_t max_lin;     /* rounded: within one unit of the true value */
	uint64_t max_sum_sq;  /* the loudest sample's part: bin_power's arguments */
	int16_t max_rssi;
	int16_t max_noise;
	uint8_t max_exp;
	uint8_t max_value;
	uint32_t over;
};

/* Samples of one centre, width and bin layout in the frame. */
struct stats_channel {
	int32_t center_khz;
	int32_t bandwidth_khz;
	int num_bins;
	int sampled_mhz;      /* the record's: 0 for ath9k */
	int first;            /* its bins in band_stats.bins */
	uint32_t records;
	int scale_exp;
};

struct session_channel {
	int32_t center_khz;
	int32_t bandwidth_khz;
	uint64_t records;
	uint64_t bin_samples;
	uint64_t over;
	double lin_sum;       /* mW */
	double max;           /* dBm */
};

struct band_stats {
	int threshold_dbm;
	int frames;
	int frame_records;
	int channel_count;
	int last;             /* the channel of the previous record */
	int bins_used;
	int session_count;
	int dropped;          /* records of channels that found no room */
	stats_channel channels[max_watch_channels];
	stats_bin bins[max_frame_bins];
	session_channel session[max_watch_channels];
};

void start_band_stats(band_stats *s, int threshold_dbm);
/* Records as decode_samples gives them: measured bins only, no powers needed. */
void add_records(band_stats *s, const spectrum_record *records, int count);
/* The frame's statistics into f (numbered from 1), added to the session;
 * the next frame starts empty. */
void close_frame(band_stats *s, band_frame *f);
/* The session per channel, by rising centre then width; how many. */
int session_summary(const band_stats *s, channel_summary *out, int max);

#endif
