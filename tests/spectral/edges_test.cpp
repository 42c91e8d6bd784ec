// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <cstring>

#include "relay_bytes.h"
#include "spectral/decode.h"
#include "spectral/edges.h"

namespace {

/* A 56-bin 20 MHz record whose measured bins rise by `step` from `first`. */
spectrum_record ramp(int center_mhz, double first, double step = 2.0)
{
	spectrum_record r = {};
	r.bandwidth_khz = 20000;
	r.center_khz = center_mhz * 1000;
	r.num_bins = 56;
	for (int j = 0; j < 56; j++)
		r.bins[j] = first + step * j;
	return r;
}

/* After the move, bin 4 + j holds measured bin j. */
void expect_measured_moved(const spectrum_record &r, const spectrum_record &before)
{
	EXPECT_EQ(64, r.num_bins);
	for (int j = 0; j < 56; j++)
		EXPECT_EQ(before.bins[j], r.bins[4 + j]) << j;
}

TEST(CompleteEdges, SingleRecordExtrapolatesWithinItsMeasuredBins)
{
	spectrum_record r[1] = {ramp(2412, -80, 0)};
	r[0].bins[0] = -90;
	r[0].bins[1] = -88;
	r[0].bins[54] = -70;
	r[0].bins[55] = -71;
	const spectrum_record before = r[0];
	complete_edges(r, 1);
	expect_measured_moved(r[0], before);
	/* -92 ... -98 would lie below every measured bin */
	for (int k = 0; k < 4; k++)
		EXPECT_DOUBLE_EQ(-90, r[0].bins[k]) << k;
	/* e = -1 from -71: inside the measured range, as extrapolated */
	for (int k = 60; k < 64; k++)
		EXPECT_DOUBLE_EQ(-71 - (k - 59), r[0].bins[k]) << k;
}

TEST(CompleteEdges, AdjacentChannelsInterpolateTheirFacingEdges)
{
	/* 20 MHz apart: den = 20000000 - 17187500 = 2812500 */
	spectrum_record r[2] = {ramp(5180, -80, 0.5), ramp(5200, -60, -0.25)};
	const spectrum_record before[2] = {r[0], r[1]};
	complete_edges(r, 2);
	expect_measured_moved(r[0], before[0]);
	expect_measured_moved(r[1], before[1]);
	const double w = -52.5, s = -60;   /* first's bin 59, second's bin 4 */
	for (int m = 1; m <= 4; m++)
		EXPECT_NEAR(w + (s - w) * m / 9.0, r[0].bins[59 + m], 1e-9) << m;
	/* lower edge of the second: t = (2500000 - m * 312500) / 2812500 */
	for (int m = 0; m < 4; m++)
		EXPECT_NEAR(w + (s - w) * (8 - m) / 9.0, r[1].bins[3 - m], 1e-9) << m;
	/* the outer edges have no neighbour: -80.5 and -74 lie beyond the
	 * measured bins */
	EXPECT_DOUBLE_EQ(-80, r[0].bins[3]);
	EXPECT_DOUBLE_EQ(-73.75, r[1].bins[60]);

	spectrum_record flat[2] = {ramp(5180, 0, 0), ramp(5200, -10, 0)};
	complete_edges(flat, 2);
	EXPECT_DOUBLE_EQ(312500.0 / 2812500 * -10, flat[0].bins[60]);
	for (int m = 0; m < 4; m++) {
		EXPECT_TRUE(flat[0].bins[60 + m] <= 0 && flat[0].bins[60 + m] >= -10) << m;
		EXPECT_TRUE(flat[1].bins[m] <= 0 && flat[1].bins[m] >= -10) << m;
	}
}

TEST(CompleteEdges, CloseChannelsStopAtTheNeighbourBin)
{
	/* 5 MHz apart: den = -12187500, t = 1.0256 ... 1.1026 for bins 3 ... 0
	 * of the second would overshoot 1.0; bin 60 of the first, t = -0.0256,
	 * would dip below 0.0 */
	spectrum_record r[2] = {ramp(2412, 0, 0), ramp(2417, 1, 0)};
	complete_edges(r, 2);
	for (int k = 0; k < 4; k++) {
		EXPECT_DOUBLE_EQ(1.0, r[1].bins[k]) << k;
		EXPECT_DOUBLE_EQ(0.0, r[0].bins[60 + k]) << k;
	}
}

TEST(CompleteEdges, DescendingOrderStillInterpolates)
{
	/* c - p = -30 MHz is below the window, however far it lies:
	 * d = -30000000, den = -47187500. The second falls from -50 to -105,
	 * so the line from -20 through -50 stays within what it measured. */
	spectrum_record r[2] = {ramp(2462, -20, 0), ramp(2432, -50, -1)};
	complete_edges(r, 2);
	EXPECT_NEAR(-20 - 30 * (47500000.0 / 47187500), r[1].bins[3], 1e-9);
	EXPECT_NEAR(-20 - 30 * (48437500.0 / 47187500), r[1].bins[0], 1e-9);
	/* the first's upper edge would rise above -20: cut there */
	EXPECT_DOUBLE_EQ(-20, r[0].bins[60]);
}

TEST(CompleteEdges, ChannelsFurtherApartThan20MHzExtrapolate)
{
	for (int second_khz : {5240000, 5200001}) {
		spectrum_record r[2] = {ramp(5180, -90), ramp(5180, -70, -1)};
		r[0].bins[53] = 30;   /* only the two outermost bins give the slope */
		r[1].bins[2] = 0;
		r[1].center_khz = second_khz;
		complete_edges(r, 2);
		EXPECT_DOUBLE_EQ(28, r[0].bins[63]) << second_khz;     /* 20 + 4 * 2 */
		EXPECT_DOUBLE_EQ(-66, r[1].bins[0]) << second_khz;     /* -70 + 4 */
	}
}

TEST(CompleteEdges, A40MHzRecordIsLeftWholeAndIsNoNeighbour)
{
	/* 10 MHz on either side of the 40 MHz one: both would be inside the window */
	spectrum_record r[3] = {ramp(2412, -90, 0.5), ramp(2422, -60), ramp(2432, -70, -0.5)};
	r[1].bandwidth_khz = 40000;
	r[1].num_bins = 128;
	for (int k = 0; k < 128; k++)
		r[1].bins[k] = -40 - 0.25 * k;
	r[0].bins[10] = r[2].bins[20] = -50;   /* room for the extrapolated edges */
	const spectrum_record before[3] = {r[0], r[1], r[2]};
	complete_edges(r, 3);
	EXPECT_EQ(0, memcmp(&before[1], &r[1], sizeof(r[1])));
	expect_measured_moved(r[0], before[0]);
	expect_measured_moved(r[2], before[2]);
	EXPECT_DOUBLE_EQ(-60.5, r[0].bins[63]);   /* -62.5 extrapolated by 0.5 */
	EXPECT_DOUBLE_EQ(-68, r[2].bins[0]);      /* -70 extrapolated by 0.5 */

	/* the current-channel capture: a 20 MHz record first, then a 40 MHz one */
	uint8_t data[128] = {};
	relay_bytes rb;
	rb.ht20(2437).ht40(3, 2437, -60, -60, -95, -95, 0, data);
	static spectrum_buffer recs;
	ASSERT_EQ(2, decode_stream(rb.b.data(), rb.b.size(), recs));
	complete_current_channel(recs, 2);
	EXPECT_EQ(64, recs[0].num_bins);
	EXPECT_EQ(128, recs[1].num_bins);
	EXPECT_EQ(2447000, recs[1].center_khz);

	/* starting with the 40 MHz one: nothing is completed */
	relay_bytes rb40;
	rb40.ht40(2, 2437, -60, -60, -95, -95, 0, data).ht20(2437);
	ASSERT_EQ(2, decode_stream(rb40.b.data(), rb40.b.size(), recs));
	complete_current_channel(recs, 2);
	EXPECT_EQ(128, recs[0].num_bins);
	EXPECT_EQ(56, recs[1].num_bins);
}

TEST(CompleteEdges, EqualCentresTakeEdgesFromBothNeighbours)
{
	/* d = 0, den = -17187500; the middle record dips to -120 in bin 30, so
	 * the lines beyond its outermost bins stay within what it measured */
	spectrum_record r[3] = {ramp(2437, -90), ramp(2437, -50, -1), ramp(2437, -30, -1)};
	r[1].bins[30] = -120;
	complete_edges(r, 3);
	const double prev59 = 20, own4 = -50, own59 = -105, next4 = -30;
	const double lower_t[4] = {1.0182, 1.0364, 1.0545, 1.0727};   /* bins 3, 2, 1, 0 */
	for (int m = 0; m < 4; m++)
		EXPECT_NEAR(prev59 + (own4 - prev59) * lower_t[m], r[1].bins[3 - m], 1e-2) << m;
	for (int m = 1; m <= 4; m++)
		EXPECT_NEAR(own59 + (next4 - own59) * (m * 312500.0 / -17187500),
			    r[1].bins[59 + m], 1e-9) << m;
	EXPECT_DOUBLE_EQ(-90, r[0].bins[3]);   /* the first has no previous: -92 cut */
	EXPECT_DOUBLE_EQ(-85, r[2].bins[60]);  /* the last has no next: -86 cut */

	/* flat records 0 / 1 / 0: every line through the middle one overshoots */
	spectrum_record f[3] = {ramp(2437, 0, 0), ramp(2437, 1, 0), ramp(2437, 0, 0)};
	complete_edges(f, 3);
	for (int k : {0, 1, 2, 3, 60, 61, 62, 63})
		EXPECT_DOUBLE_EQ(1.0, f[1].bins[k]) << k;
}

}  // namespace
