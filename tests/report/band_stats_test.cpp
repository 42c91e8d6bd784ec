// SPDX-License-Identifier: GPL-2.0-only
/* The watch's frame and session figures against their definitions, computed
 * here the slow way from the powers the one-shot report prints. */
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <vector>

#include "relay_bytes.h"
#include "report/band_stats.h"
#include "report/decibels.h"
#include "spectral/decode.h"

namespace {

band_stats stats;
band_frame frame;
spectrum_buffer raw, powered;

struct reference_bin {
	double lin = 0, max = -HUGE_VAL;
	unsigned samples = 0, over = 0;
};

/* Decodes the stream twice: as the watch takes it, and with the powers. */
int decode_both(const relay_bytes &rb)
{
	int n = decode_samples(rb.b.data(), rb.b.size(), raw, nullptr);
	EXPECT_EQ(n, decode_stream(rb.b.data(), rb.b.size(), powered));
	return n;
}

/* A bin's MHz: 312.5 kHz apart for ath9k, sampled_mhz / n for ath10k. */
double bin_mhz(const spectrum_record &r, int k)
{
	double step = r.sampled_mhz ? double(r.sampled_mhz) / r.num_bins : 0.3125;
	return r.center_khz / 1000 + (k - r.num_bins / 2) * step;
}

std::map<double, reference_bin> reference(int n, int threshold)
{
	std::map<double, reference_bin> ref;
	for (int i = 0; i < n; i++)
		for (int k = 0; k < powered[i].num_bins; k++) {
			double p = powered[i].bins[k];
			reference_bin &b = ref[bin_mhz(powered[i], k)];
			b.lin += pow(10.0, p / 10);
			b.max = std::max(b.max, p);
			b.samples++;
			b.over += p >= threshold;
		}
	return ref;
}

void expect_frame_is(const std::map<double, reference_bin> &ref)
{
	ASSERT_EQ(int(ref.size()), frame.bin_count);
	int i = 0;
	for (const auto &[freq, b] : ref) {
		const frame_bin &got = frame.bins[i++];
		ASSERT_EQ(freq, got.freq_q7 / double(q7_per_mhz));   /* both exact */
		EXPECT_NEAR(10 * log10(b.lin / b.samples), got.avg, 1e-6) << freq;
		EXPECT_NEAR(b.max, got.max, 1e-8) << freq;   /* the power the report prints */
		EXPECT_EQ(b.samples, got.samples) << freq;
		EXPECT_EQ(b.over, got.over) << freq;
	}
}

TEST(BandStats, RandomSamplesMatchTheirPowers)
{
	std::mt19937 rng(11);
	relay_bytes rb;
	/* the driver's shifts, the decoder's edge cases, zero sums, and bytes
	 * from a quiet floor to a strong carrier */
	const unsigned exps[] = {0, 1, 2, 3, 7, 15, 16, 31, 32, 64};
	for (int i = 0; i < 240; i++) {
		unsigned e = exps[i % 10];
		int rssi = int(rng() % 60) - 10, noise = -100 + int(rng() % 10);
		if (i % 3) {
			uint8_t d[56];
			for (auto &v : d)
				v = uint8_t(i % 17 == 0 ? 0 : rng() % (i % 4 ? 8 : 256));
			rb.ht20(i % 2 ? 2412 : 2417, rssi, noise, e, d);
		} else {
			uint8_t d[128];
			for (auto &v : d)
				v = uint8_t(rng() % 64);
			rb.ht40(3, 2412, rssi, rssi - 3, noise, noise + 1, e, d);
		}
	}
	int n = decode_both(rb);
	ASSERT_EQ(240, n);
	for (int threshold : {-90, -60}) {
		start_band_stats(&stats, threshold);
		add_records(&stats, raw, n);
		close_frame(&stats, &frame);
		EXPECT_EQ(1, frame.number);
		EXPECT_EQ(n, frame.records);
		expect_frame_is(reference(n, threshold));
	}
}

/* One loud bin alone: its power is rssi + noise, computed in doubles as
 * 20 log10(v) - 10 log10(v^2), which may land a hair either side. The
 * threshold at exactly that level must count it as the report's p does. */
TEST(BandStats, DutyAtTheThresholdFollowsThePrintedPower)
{
	relay_bytes rb;
	for (unsigned v = 1; v < 256; v += 3) {
		uint8_t d[56] = {};
		d[10] = uint8_t(v);
		rb.ht20(2437, 5, -95, v % 4, d);
	}
	int n = decode_both(rb);
	start_band_stats(&stats, -90);
	add_records(&stats, raw, n);
	close_frame(&stats, &frame);
	expect_frame_is(reference(n, -90));
	EXPECT_EQ(56, frame.bin_count);   /* measured bins only, never the filled edges */
}

/* 2412 and 2417 MHz overlap by 16 bins: those frequencies gather both
 * channels' samples; the session keeps the channels apart. */
TEST(BandStats, SharedBinsAndTheSessionPerChannel)
{
	relay_bytes rb;
	rb.ht20(2412, 20, -95, 20).ht20(2417, 30, -95, 10).ht20(2412, 20, -95, 20);
	int n = decode_both(rb);
	start_band_stats(&stats, -90);
	add_records(&stats, raw, n);
	close_frame(&stats, &frame);
	expect_frame_is(reference(n, -90));
	EXPECT_EQ(56 + 16, frame.bin_count);
	EXPECT_EQ(2412 * 128 - 28 * 40, frame.bins[0].freq_q7);   /* 8.75 MHz below the centre */
	EXPECT_EQ(3u, frame.bins[20].samples);

	/* a second frame of 2417 only, then the session */
	relay_bytes more;
	more.ht20(2417, 30, -95, 10);
	n = decode_both(more);
	add_records(&stats, raw, n);
	close_frame(&stats, &frame);
	EXPECT_EQ(2, frame.number);
	EXPECT_EQ(56, frame.bin_count);

	channel_summary sum[4];
	ASSERT_EQ(2, session_summary(&stats, sum, 4));
	EXPECT_EQ(2412000, sum[0].center_khz);
	EXPECT_EQ(20000, sum[0].bandwidth_khz);
	EXPECT_EQ(2u, sum[0].records);
	EXPECT_EQ(2417000, sum[1].center_khz);
	EXPECT_EQ(2u, sum[1].records);
	/* every byte equal: each bin holds 1/56 of rssi + noise */
	EXPECT_NEAR(-75 - 10 * log10(56.0), sum[0].avg, 1e-6);
	EXPECT_NEAR(-65 - 10 * log10(56.0), sum[1].max, 1e-9);
	/* -92.5 dBm a bin on 2412 MHz, -82.5 on 2417 */
	EXPECT_EQ(0.0, sum[0].duty);
	EXPECT_EQ(100.0, sum[1].duty);
}

/* ath10k's bins on their own grid (22 MHz / 256 is 11 steps of 1/128 MHz),
 * sharing frequencies with ath9k's where they meet; the frame's bins as
 * wide as the finest; the summary's widths 20 and 80 MHz. */
TEST(BandStats, Ath10kBinsTheirSpacingAndChannelWidths)
{
	std::mt19937 rng(7);
	uint8_t data[256];
	relay_bytes rb;
	for (int i = 0; i < 3; i++) {
		for (auto &d : data)
			d = uint8_t(rng() % 200);
		rb.ath10k(5180, 22, 30 + 10 * unsigned(i), -95, unsigned(i), data, 256);
		rb.ath10k(5210, 88, 20, -96, 1, data, 128);
	}
	rb.ath10k(5180, 22, 200, -100, 0, data, 64).ht20(5180, 20, -95, 10);
	int n = decode_both(rb);
	start_band_stats(&stats, -100);
	add_records(&stats, raw, n);
	close_frame(&stats, &frame);
	expect_frame_is(reference(n, -100));
	EXPECT_EQ(11, frame.bin_q7);
	EXPECT_EQ(5210 * 128 - 64 * 88, frame.bins[0].freq_q7);   /* 44 MHz below 5210 */

	channel_summary sum[4];
	ASSERT_EQ(2, session_summary(&stats, sum, 4));
	EXPECT_EQ(20000, sum[0].bandwidth_khz);
	EXPECT_EQ(5u, sum[0].records);   /* 256 and 64 bins and ath9k's 56: one 20 MHz channel */
	EXPECT_EQ(5210000, sum[1].center_khz);
	EXPECT_EQ(80000, sum[1].bandwidth_khz);
	EXPECT_EQ(3u, sum[1].records);
}

/* A frame with nothing in it, and channels past the room for them. */
TEST(BandStats, EmptyFramesAndChannelsWithoutRoom)
{
	start_band_stats(&stats, -90);
	close_frame(&stats, &frame);
	EXPECT_EQ(0, frame.bin_count);
	EXPECT_EQ(0, frame.records);

	relay_bytes rb;
	for (int c = 0; c < max_frame_bins / ht20_bins + 3; c++)
		rb.ht20(2000 + 20 * unsigned(c));
	int n = decode_samples(rb.b.data(), rb.b.size(), raw, nullptr);
	add_records(&stats, raw, n);
	EXPECT_EQ(n - max_frame_bins / ht20_bins, stats.dropped);
	close_frame(&stats, &frame);
	EXPECT_EQ(max_frame_bins / ht20_bins * ht20_bins, frame.bin_count);
}

/* The conversions the figures rest on, against libm over the range a bin's
 * power can take and across every table step. */
TEST(BandStats, DecibelsAgreeWithLibm)
{
	for (int tenths = -700; tenths <= 700; tenths++)
		EXPECT_NEAR(1.0, from_tenths_db(tenths) / pow(10.0, tenths / 10.0), 1e-13) << tenths;
	std::mt19937_64 rng(3);
	for (int i = 0; i < 100000; i++) {
		double x = ldexp(1.0 + double(rng() >> 11) / 9007199254740992.0, int(rng() % 400) - 200);
		ASSERT_NEAR(10 * log10(x), db_of(x), 1e-7) << x;
	}
	EXPECT_EQ(0.0, db_of(1.0));
	EXPECT_NEAR(-30.0, db_of(0.001), 1e-9);
}

} // namespace
