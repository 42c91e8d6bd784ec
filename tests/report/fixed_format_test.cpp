// SPDX-License-Identifier: GPL-2.0-only
/* The reports' own number formatter against printf itself. */
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "report/fixed_format.h"
#include "report/report.h"

namespace {

/* "" when format_fixed agrees with printf, else the two renderings. */
std::string mismatch(double v, int decimals, int width)
{
	char want[512], got[64];
	snprintf(want, sizeof(want), "%*.*f", width, decimals, v);
	int n = format_fixed(got, v, decimals, width);
	if (n < 0)
		return std::string("declined ") + want;
	if (size_t(n) == strlen(want) && memcmp(got, want, size_t(n)) == 0)
		return "";
	return std::string(got, size_t(n)) + " != printf " + want;
}

/* Every value the reports can hand it, rounding and sign included. */
void expect_like_printf(double v)
{
	for (int d : {1, 4})
		for (int w : {10, 0})
			ASSERT_EQ(mismatch(v, d, w), "") << "v=" << v << " %" << w << "." << d << "f";
}

TEST(FixedFormat, SignedZerosAndSmallNegativesKeepTheirSign)
{
	for (double v : {0.0, -0.0, 0.04, -0.04, -0.05, 0.05, -0.00004, -0.00005, 0.00005, 1e-300,
			 -1e-300, 4.9e-324, -4.9e-324})
		expect_like_printf(v);
	char out[64];
	ASSERT_EQ(format_fixed(out, -0.0, 1, 10), 10);
	EXPECT_EQ(std::string(out, 10), "      -0.0");
}

TEST(FixedFormat, ExactTiesRoundHalfToEven)
{
	/* k/32 and k/2 are exact in binary: their halves are true ties */
	for (int k = -20000; k <= 20000; k++) {
		expect_like_printf(k / 32.0);
		expect_like_printf(k / 2.0 / 10.0 + 0.0);
		expect_like_printf(2402.0 + k / 32.0);
	}
	char out[64];
	ASSERT_EQ(format_fixed(out, 0.25, 1, 0), 3);
	EXPECT_EQ(std::string(out, 3), "0.2");
	ASSERT_EQ(format_fixed(out, 0.75, 1, 0), 3);
	EXPECT_EQ(std::string(out, 3), "0.8");
}

TEST(FixedFormat, NeighboursOfDecimalHalvesRoundTheWayTheirExactValueLies)
{
	std::mt19937_64 rng(1);
	for (int i = 0; i < 100000; i++) {
		int d = i % 2 ? 1 : 4;
		double scale = d == 1 ? 10.0 : 10000.0;
		double mid = (double(int64_t(rng() % 2000000) - 1000000) + 0.5) / scale;
		double v = mid;
		for (int step = 0; step < 3; step++) {
			v = std::nextafter(v, HUGE_VAL);
			ASSERT_EQ(mismatch(v, d, 10), "");
		}
		v = mid;
		for (int step = 0; step < 3; step++) {
			v = std::nextafter(v, -HUGE_VAL);
			ASSERT_EQ(mismatch(v, d, 10), "");
		}
		ASSERT_EQ(mismatch(mid, d, 10), "");
	}
}

/* format_decimal of a bin's 100 Hz units against printf of its MHz double. */
void expect_bin_like_printf(int32_t centre_khz, int num_bins, int k, int sampled_mhz = 0)
{
	spectrum_record r = {};
	r.center_khz = centre_khz;
	r.num_bins = num_bins;
	r.sampled_mhz = uint8_t(sampled_mhz);
	char want[64], got[64];
	snprintf(want, sizeof(want), "%10.4f", bin_freq_mhz(r, k));
	int n = format_decimal(got, bin_freq_units(r, k), 4, 10);
	ASSERT_EQ(std::string(got, size_t(n)), want) << centre_khz << " " << k;
	ASSERT_EQ(mismatch(bin_freq_mhz(r, k), 4, 10), "") << centre_khz << " " << k;
}

TEST(FixedFormat, BinFrequenciesAndPowers)
{
	/* every bin frequency of 20, 40 MHz records from 0 to 65545 MHz, and
	 * of centres at the ends of the int32 range */
	for (int64_t centre_khz = -10000; centre_khz <= 65545000; centre_khz += 997)
		for (int k = 0; k < 128; k += 9)
			expect_bin_like_printf(int32_t(centre_khz), 128, k);
	for (int32_t centre_khz : {INT32_MIN, INT32_MIN + 1, -1, 0, 1, INT32_MAX})
		for (int k = 0; k < 64; k++)
			expect_bin_like_printf(centre_khz, 64, k);
	/* ath10k's, rounded: every width its byte can say, at each bin count */
	for (int sampled_mhz = 1; sampled_mhz < 256; sampled_mhz++)
		for (int n : {64, 128, 256})
			for (int k = 0; k < n; k++)
				expect_bin_like_printf(5180000, n, k, sampled_mhz);
	/* the watch's 1/128 MHz bins, with digits past the fourth to round
	 * (ath10k's 22 MHz / 256 is 11 of them), over the same range */
	for (int32_t q7 = -10 * q7_per_mhz - 64 * bin_width_q7;
	     q7 <= 65545 * q7_per_mhz + 64 * bin_width_q7; q7 += 59)
		ASSERT_EQ(mismatch(q7 / double(q7_per_mhz), 4, 0), "") << q7;
	char out[64];
	EXPECT_EQ(std::string(out, size_t(format_decimal(out, INT64_MIN, 4, 0))), "-922337203685477.5808");
	EXPECT_EQ(std::string(out, size_t(format_decimal(out, -5, 4, 10))), "   -0.0005");
	std::mt19937_64 rng(2);
	std::uniform_real_distribution<double> power(-1000.0, 1000.0);
	for (int i = 0; i < 300000; i++)
		expect_like_printf(power(rng));
}

TEST(FixedFormat, AnyBitPatternBelowTheLimitOrDeclined)
{
	std::mt19937_64 rng(3);
	int formatted = 0;
	for (int i = 0; i < 300000; i++) {
		uint64_t bits = rng();
		double v;
		memcpy(&v, &bits, sizeof(v));
		for (int d = 1; d <= 4; d++) {
			char out[64];
			int n = format_fixed(out, v, d, 10);
			if (n < 0) {   /* only huge or non-finite values go to printf */
				ASSERT_FALSE(std::isfinite(v) && std::fabs(v) < 1e11) << v;
				continue;
			}
			formatted++;
			ASSERT_EQ(mismatch(v, d, 10), "");
		}
	}
	EXPECT_GT(formatted, 300000);   /* about half of all patterns are small */
}

TEST(FixedFormat, LargestValuesBelowTheLimit)
{
	for (double v : {9.99995e10, 1.2345678901234e10, 1e11, 1.1e14, 1.125e14, 1.12589e15, -9.99999999e13})
		for (int d = 1; d <= 4; d++) {
			char out[64];
			if (format_fixed(out, v, d, 10) >= 0) {
				ASSERT_EQ(mismatch(v, d, 10), "") << v << " " << d;
			}
		}
	char out[64];
	EXPECT_EQ(format_fixed(out, NAN, 1, 10), -1);
	EXPECT_EQ(format_fixed(out, -INFINITY, 4, 10), -1);
	EXPECT_EQ(format_fixed(out, 1e300, 1, 10), -1);
	EXPECT_EQ(format_fixed(out, 1.0, 0, 10), -1);
}


/* Numbers the fast path declines still come out as printf writes them. */
TEST(FixedFormat, TextReportFallsBackToPrintfForHugeAndNonFiniteBins)
{
	static spectrum_record r;
	r.bandwidth_khz = 20000;
	r.center_khz = 2412000;
	r.num_bins = 8;
	const double bins[8] = {-95.25, 1e20, -1e300, HUGE_VAL, -HUGE_VAL, NAN, -0.0, 3.75};
	memcpy(r.bins, bins, sizeof(bins));

	std::string want = "2412 MHz  RSSI: 0 dBm  Noise: 0 dBm\n\n";
	for (int k = 0; k < 8; k++) {
		char line[512];
		snprintf(line, sizeof(line), "%10.4f  %10.1f\n", bin_freq_mhz(r, k), bins[k]);
		want += line;
	}
	char *buf = nullptr;
	size_t size = 0;
	FILE *f = open_memstream(&buf, &size);
	ASSERT_NE(f, nullptr);
	EXPECT_EQ(print_text_report(f, &r, 1), 0);
	fclose(f);
	EXPECT_EQ(std::string(buf, size), want);
	free(buf);
}

} // namespace
