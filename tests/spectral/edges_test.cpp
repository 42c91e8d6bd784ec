#include <gtest/gtest.h>

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

TEST(CompleteEdges, SingleRecordExtrapolatesBothEdges)
{
	spectrum_record r[1] = {ramp(2412, -90)};
	r[0].bins[2] = r[0].bins[53] = 0;   /* only the two outermost bins count */
	const spectrum_record before = r[0];
	complete_edges(r, 1);
	expect_measured_moved(r[0], before);
	EXPECT_DOUBLE_EQ(-92, r[0].bins[3]);
	EXPECT_DOUBLE_EQ(-94, r[0].bins[2]);
	EXPECT_DOUBLE_EQ(-96, r[0].bins[1]);
	EXPECT_DOUBLE_EQ(-98, r[0].bins[0]);
	/* e = bins[59] - bins[58] = 2, above bins[59] = 20 */
	for (int k = 60; k < 64; k++)
		EXPECT_NEAR(20 + 2 * (k - 59), r[0].bins[k], 1e-9) << k;
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
	/* the outer edges have no neighbour */
	EXPECT_DOUBLE_EQ(-80.5, r[0].bins[3]);
	EXPECT_DOUBLE_EQ(-74, r[1].bins[60]);
}

TEST(CompleteEdges, CloseChannelsPlaceFilledBinsBeyondTheLine)
{
	/* 5 MHz apart: den = -12187500, still inside the 20 MHz window */
	spectrum_record r[2] = {ramp(2412, -70, 0), ramp(2417, -50, 0)};
	complete_edges(r, 2);
	const double t0 = 12500000.0 / 12187500, t3 = 13437500.0 / 12187500;
	EXPECT_NEAR(1.0256, t0, 1e-4);
	EXPECT_NEAR(1.1026, t3, 1e-4);
	EXPECT_NEAR(-70 + 20 * t0, r[1].bins[3], 1e-9);
	EXPECT_NEAR(-70 + 20 * t3, r[1].bins[0], 1e-9);
	EXPECT_NEAR(-70 + 20 * (-312500.0 / 12187500), r[0].bins[60], 1e-9);
}

TEST(CompleteEdges, DescendingOrderStillInterpolates)
{
	/* c - p = -30 MHz is below the window, however far it lies:
	 * d = -30000000, den = -47187500 */
	spectrum_record r[2] = {ramp(2462, -70, 0), ramp(2432, -50, 0)};
	complete_edges(r, 2);
	EXPECT_NEAR(-70 + 20 * (47500000.0 / 47187500), r[1].bins[3], 1e-9);
	EXPECT_NEAR(-70 + 20 * (48437500.0 / 47187500), r[1].bins[0], 1e-9);
	EXPECT_NEAR(-70 + 20 * (312500.0 / -47187500), r[0].bins[60], 1e-9);
}

TEST(CompleteEdges, ChannelsFurtherApartThan20MHzExtrapolate)
{
	for (int second_khz : {5240000, 5200001}) {
		spectrum_record r[2] = {ramp(5180, -90), ramp(5180, -70, -1)};
		r[0].bins[53] = r[1].bins[2] = 0;
		r[1].center_khz = second_khz;
		complete_edges(r, 2);
		EXPECT_DOUBLE_EQ(28, r[0].bins[63]) << second_khz;     /* 20 + 4 * 2 */
		EXPECT_DOUBLE_EQ(-66, r[1].bins[0]) << second_khz;     /* -70 + 4 */
	}
}

TEST(CompleteEdges, A128BinRecordIsCutTo64WithItsOwnWindow)
{
	spectrum_record r[2] = {ramp(2422, -90), ramp(2452, -60, 0)};
	r[0].bandwidth_khz = 40000;
	r[0].num_bins = 128;
	const spectrum_record before = r[0];
	complete_edges(r, 2);
	expect_measured_moved(r[0], before);
	/* 30 MHz to the next: outside 20 MHz, inside the record's 40 MHz */
	const double den = 30000000.0 - 17187500;
	EXPECT_NEAR(20 + (-60 - 20) * (312500.0 / den), r[0].bins[60], 1e-9);
	/* the second's own window is 20 MHz: its lower edge is extrapolated */
	EXPECT_DOUBLE_EQ(-60, r[1].bins[3]);
}

TEST(CompleteEdges, EqualCentresTakeEdgesFromBothNeighbours)
{
	/* d = 0, den = -17187500 */
	spectrum_record r[3] = {ramp(2437, -90), ramp(2437, -50, 1), ramp(2437, -30, -1)};
	complete_edges(r, 3);
	const double prev59 = 20, own4 = -50, own59 = 5, next4 = -30;
	const double lower_t[4] = {1.0182, 1.0364, 1.0545, 1.0727};   /* bins 3, 2, 1, 0 */
	for (int m = 0; m < 4; m++)
		EXPECT_NEAR(prev59 + (own4 - prev59) * lower_t[m], r[1].bins[3 - m], 1e-2) << m;
	for (int m = 1; m <= 4; m++)
		EXPECT_NEAR(own59 + (next4 - own59) * (m * 312500.0 / -17187500),
			    r[1].bins[59 + m], 1e-9) << m;
	EXPECT_DOUBLE_EQ(-92, r[0].bins[3]);   /* the first has no previous */
	EXPECT_DOUBLE_EQ(-86, r[2].bins[60]);  /* the last has no next: -85 - 1 */
}

}  // namespace
