// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "cli/run_state.h"
#include "relay_bytes.h"
#include "spectral/decode.h"

namespace {

spectrum_buffer recs;

int decode(const relay_bytes &r)
{
	return decode_stream(r.b.data(), r.b.size(), recs);
}

TEST(DecodeWalk, ShortRecordsAndForeignTypesAreSkipped)
{
	uint8_t data[56] = {};
	relay_bytes r;
	r.ht20(2412);                      /* a whole record: the least decoded */
	const unsigned ht20_len = wire_length(ht20_sample_len);
	r.record(WIRE_HT20, ht20_len - 1); /* one byte short */
	r.record(0, ht20_len).record(WIRE_ATH10K, ht20_len).record(4, ht20_len);
	r.record(WIRE_HT20_40, wire_length(ht20_40_sample_len) - 1);   /* 20/40 one byte short */
	r.ht20(2437, -40, -95, 0, data, 80).ht20(2442);   /* longer: walked by its length */
	ASSERT_EQ(3, decode(r));
	EXPECT_EQ(2412000, recs[0].center_khz);
	EXPECT_EQ(2437000, recs[1].center_khz);
	EXPECT_EQ(2442000, recs[2].center_khz);
}

/* Types 1 to 3 in one stream, each decoded as its own; ath10k's of fewer
 * than 64 or more than 256 bins, or of no width, are walked past. */
TEST(DecodeWalk, MixedTypesEachDecodeAsTheirOwn)
{
	uint8_t data[128] = {};
	relay_bytes r;
	r.ht20(2412).ath10k(5180, 64).ath10k(5200, 63);
	r.ht40(3, 2412, -61, -64, -95, -96, 0, data);
	r.ath10k(5220, 257).ath10k(5240, 0).ath10k(5210, 256, 10, 88).ath10k(5190, 100, 10, 44);
	r.ath10k(5260, 64, 10, 0);   /* no width: every bin on one frequency */
	r.ht20(2437);
	ASSERT_EQ(6, decode(r));
	const int want[6][4] = {{2412000, 20000, 56, 0},  {5180000, 20000, 64, 22},
				{2422000, 40000, 128, 0}, {5210000, 80000, 256, 88},
				{5190000, 40000, 100, 44}, {2437000, 20000, 56, 0}};
	for (int i = 0; i < 6; i++) {
		EXPECT_EQ(want[i][0], recs[i].center_khz) << i;
		EXPECT_EQ(want[i][1], recs[i].bandwidth_khz) << i;
		EXPECT_EQ(want[i][2], recs[i].num_bins) << i;
		EXPECT_EQ(want[i][3], recs[i].sampled_mhz) << i;
	}
}

TEST(DecodeWalk, TheWalkEndsWhereTheBytesDo)
{
	EXPECT_EQ(0, decode(relay_bytes()));
	relay_bytes r;
	r.ht20(2412).ht20(2417);
	r.b.pop_back();
	EXPECT_EQ(1, decode(r));

	relay_bytes past;
	past.ht20(2412);
	past.u8(1).be16(1000);             /* a sample claiming more than is left */
	past.ht20(2437);
	ASSERT_EQ(1, decode(past));
	EXPECT_EQ(2412000, recs[0].center_khz);
}

/* The 16-bit record length wraps: 0xfffe steps one byte, 0xffff two. */
TEST(DecodeWalk, LengthFFFEStepsOneByte)
{
	relay_bytes r;
	r.u8(0).be16(0xfffe);
	/* the header one byte on is [ff fe 00]: a record of 65027 bytes from
	 * offset 1, after which a sample sits at 65028 */
	r.u8(0).fill(65028 - 4, 0).ht20(5180);
	ASSERT_EQ(1, decode(r));
	EXPECT_EQ(5180000, recs[0].center_khz);
}

TEST(DecodeWalk, LengthFFFFStepsTwoBytes)
{
	relay_bytes r;
	r.u8(0).be16(0xffff).u8(0).u8(0);  /* header at 2: [ff 00 00], 3 bytes */
	r.ht20(2462);
	ASSERT_EQ(1, decode(r));
	EXPECT_EQ(2462000, recs[0].center_khz);
}

/* rec_len 0: a walk that went on would never leave this record, so it runs
 * in a child with a deadline. */
TEST(DecodeWalk, LengthFFFDEndsTheWalk)
{
	relay_bytes r;
	r.ht20(2412).u8(0).be16(0xfffd).ht20(2437);
	EXPECT_EXIT(
		{
			alarm(10);
			int n = decode(r);
			_exit(n == 1 && recs[0].center_khz == 2412000 ? 0 : 1);
		},
		::testing::ExitedWithCode(0), "");
}

TEST(DecodeWalk, StoresAtMost256Records)
{
	relay_bytes r;
	for (unsigned i = 0; i < 300; i++)
		r.ht20(2000 + i);
	ASSERT_EQ(256, decode(r));
	EXPECT_EQ(2255000, recs[255].center_khz);
}

TEST(DecodeHt20, FieldsAndEqualBinsGiveRssiPlusNoiseLessTenLog56)
{
	relay_bytes r;
	r.ht20(2412, 20, -95, 7).ht20(2417, -60, -95, 3);
	ASSERT_EQ(2, decode(r));
	for (int j = 0; j < 56; j++)
		EXPECT_NEAR(-172.4819, recs[1].bins[j], 5e-5) << j;
	const spectrum_record &s = recs[0];
	EXPECT_EQ(20000, s.bandwidth_khz);
	EXPECT_EQ(2412000, s.center_khz);
	EXPECT_EQ(20, s.rssi);
	EXPECT_EQ(-95, s.noise);
	ASSERT_EQ(56, s.num_bins);
	for (int j = 0; j < 56; j++)
		EXPECT_NEAR(-92.4819, s.bins[j], 5e-5) << j;
}

TEST(DecodeHt20, ZeroBytesAreOneQuantisationStep)
{
	uint8_t data[56] = {};
	data[17] = 200;
	relay_bytes r;
	r.ht20(2437, 10, -100, 1, data);   /* (200 << 1)^2 = 160000 */
	data[17] = 0;
	r.ht20(2437, 10, -100, 1, data);   /* nothing measured at all */
	ASSERT_EQ(2, decode(r));
	EXPECT_NEAR(-90.0, recs[0].bins[17], 1e-9);
	/* a zero byte is taken as 1: -90 + 20 log10(2) - 10 log10(160000) */
	const double step = -90 + 20 * log10(2.0) - 10 * log10(160000.0);
	EXPECT_NEAR(-136.0206, step, 5e-5);
	for (int j = 0; j < 56; j++)
		EXPECT_DOUBLE_EQ(j == 17 ? -90.0 : step, recs[0].bins[j]) << j;
	for (int j = 0; j < 56; j++)
		EXPECT_EQ(-100.0, recs[1].bins[j]) << j;
}

TEST(DecodeHt40, CentreFollowsTheChannelType)
{
	uint8_t data[128] = {};
	relay_bytes r;
	for (unsigned type : {3u, 0u, 1u, 2u})
		r.ht40(type, 2412, -61, -64, -95, -96, 0, data);
	ASSERT_EQ(4, decode(r));
	EXPECT_EQ(2422000, recs[0].center_khz);
	for (int i = 1; i < 4; i++)
		EXPECT_EQ(2402000, recs[i].center_khz) << i;
	EXPECT_EQ(40000, recs[0].bandwidth_khz);
	EXPECT_EQ(128, recs[0].num_bins);
}

TEST(DecodeHt40, HalvesKeepTheirOwnRssiNoiseAndSum)
{
	uint8_t data[128];
	for (int j = 0; j < 128; j++)
		data[j] = j < 64 ? 10 : 40;
	relay_bytes r;
	r.ht40(3, 5180, -61, -64, -95, -96, 2, data);
	ASSERT_EQ(1, decode(r));
	const spectrum_record &s = recs[0];
	EXPECT_EQ(-62, s.rssi);            /* -125 / 2 toward zero */
	EXPECT_EQ(-95, s.noise);           /* -191 / 2 toward zero */
	/* equal bins within a half: rssi + noise - 10 log10(64) of that half */
	for (int j = 0; j < 128; j++)
		EXPECT_NEAR(j < 64 ? -174.0618 : -178.0618, s.bins[j], 5e-5) << j;
}

TEST(BinPower, ShiftsThatLoseEveryBitGiveTheNoise)
{
	EXPECT_EQ(-97.0, bin_power(50, 0, -20, -97, 0));
	EXPECT_EQ(-97.0, bin_power(0, 0, -20, -97, 0));
	EXPECT_DOUBLE_EQ(-147.0, bin_power(0, 0, -20, -97, 1000));   /* as a byte of 1 */
	EXPECT_DOUBLE_EQ(bin_power(1, 3, -20, -97, 1000), bin_power(0, 3, -20, -97, 1000));
	EXPECT_EQ(-97.0, bin_power(0, 64, -20, -97, 1));
	EXPECT_EQ(-97.0, bin_power(1, 64, -20, -97, 1));
	EXPECT_EQ(-97.0, bin_power(255, 255, -20, -97, 1));
	EXPECT_EQ(-97.0, bin_power(2, 63, -20, -97, 1));   /* 2 << 63 wraps to 0 */
	EXPECT_NEAR(-117.0 + 20 * 63 * log10(2.0), bin_power(1, 63, -20, -97, 1), 1e-9);
}

TEST(BinPower, HugeShiftsDecodeToFiniteNoise)
{
	uint8_t data[56];
	for (int j = 0; j < 56; j++)
		data[j] = uint8_t(j * 4 + 1);
	relay_bytes r;
	for (unsigned max_exp : {32u, 63u, 64u, 200u, 255u})
		r.ht20(2412, -20, -97, max_exp, data);
	ASSERT_EQ(5, decode(r));
	for (int i = 0; i < 5; i++)
		for (int j = 0; j < 56; j++)   /* from 32 on every square wraps to 0 */
			EXPECT_EQ(-97.0, recs[i].bins[j]) << i << " " << j;
}

/* rssi (a u8) and noise (a be16) as the driver gives them, not wrapped to
 * a byte; equal bins share the sum: rssi + noise - 10 log10(n). */
TEST(DecodeAth10k, FieldsAndEqualBinsGiveRssiPlusNoiseLessTenLogN)
{
	uint8_t data[256];
	memset(data, 30, sizeof(data));
	relay_bytes r;
	r.ath10k(5775, 88, 255, -300, 3, data, 256).ath10k(5180, 22, 20, -95, 0, data, 64);
	ASSERT_EQ(2, decode(r));
	EXPECT_EQ(255, recs[0].rssi);
	EXPECT_EQ(-300, recs[0].noise);
	EXPECT_EQ(5775000, recs[0].center_khz);
	ASSERT_EQ(1, recs[0].num_parts);
	for (int j = 0; j < 256; j++)
		EXPECT_NEAR(-45 - 10 * log10(256.0), recs[0].bins[j], 1e-9) << j;
	for (int j = 0; j < 64; j++)
		EXPECT_NEAR(-75 - 10 * log10(64.0), recs[1].bins[j], 1e-9) << j;
}

/* As ath9k's: a byte of 0 is one step, the shift scales every byte, and
 * no measured bin is left out (no edges to complete). */
TEST(DecodeAth10k, PowerAsAth9kWithTheShiftAndZeroBytes)
{
	uint8_t data[128] = {};
	data[64] = 100;   /* the peak; the driver's DC bin holds its neighbours' mean */
	data[0] = 50;
	relay_bytes r;
	r.ath10k(5190, 44, 10, -100, 2, data, 128);
	ASSERT_EQ(1, decode(r));
	const double sum = 16.0 * (100 * 100 + 50 * 50);   /* the sum takes a 0 as 0 */
	EXPECT_NEAR(-90 + 20 * log10(400.0) - 10 * log10(sum), recs[0].bins[64], 1e-9);
	EXPECT_NEAR(-90 + 20 * log10(200.0) - 10 * log10(sum), recs[0].bins[0], 1e-9);
	EXPECT_NEAR(-90 + 20 * log10(4.0) - 10 * log10(sum), recs[0].bins[127], 1e-9);
	EXPECT_EQ(128, recs[0].num_bins);
}

/* Bin k at freq1 + (k - n/2) * chan_width_mhz / n: 22 MHz over 256 bins
 * is 11 steps of 1/128 MHz, 88 over 128 is 88. */
TEST(DecodeAth10k, BinsSpanTheSampledWidthAroundFreq1)
{
	relay_bytes r;
	r.ath10k(5180, 256).ath10k(5210, 128, 10, 88).ath10k(5190, 64, 10, 44);
	ASSERT_EQ(3, decode(r));
	const int32_t c0 = 5180 * q7_per_mhz, c1 = 5210 * q7_per_mhz, c2 = 5190 * q7_per_mhz;
	EXPECT_EQ(c0 - 128 * 11, bin_freq_q7(5180000, 256, 22, 0));
	EXPECT_EQ(c0, bin_freq_q7(5180000, 256, 22, 128));
	EXPECT_EQ(c0 + 127 * 11, bin_freq_q7(5180000, 256, 22, 255));
	EXPECT_EQ(11, bin_spacing_q7(recs[0].num_bins, recs[0].sampled_mhz));
	EXPECT_EQ(c1 - 64 * 88, bin_freq_q7(5210000, 128, 88, 0));
	EXPECT_EQ(88, bin_spacing_q7(recs[1].num_bins, recs[1].sampled_mhz));
	EXPECT_EQ(c2 + 31 * 88, bin_freq_q7(5190000, 64, 44, 63));
	EXPECT_EQ(40, bin_spacing_q7(56, 0));   /* ath9k's 312.5 kHz */
}

/* fft_sample_ath10k as the kernel lays it out, with 4 bins; every
 * multi-byte field holds distinct bytes so that a swap or a shift shows. */
TEST(WireFormat, Ath10kFieldsSitWhereTheKernelPutsThem)
{
	const uint8_t kernel[] = {
		3, 0x00, 30,             /* type, length: 26 + 4 bins */
		40,                      /* chan_width_mhz */
		0x14, 0x3c,              /* freq1 5180 */
		0x14, 0x46,              /* freq2 5190 */
		0xff, 0xa1,              /* noise -95 */
		0x0a, 0x0b,              /* max_magnitude */
		0x0c, 0x0d,              /* total_gain_db */
		0x0e, 0x0f,              /* base_pwr_db */
		0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,   /* tsf */
		0xfd,                    /* max_index -3 */
		0x2a, 0x2b, 0x2c,        /* rssi, relpwr_db, avgpwr_db */
		2,                       /* max_exp */
		0x61, 0x62, 0x63, 0x64,  /* bins */
	};
	uint8_t s[sizeof(wire_ath10k) + 4];
	memset(s, 0, sizeof(s));
	*WIRE_AT(s, wire_tlv, type) = WIRE_ATH10K;
	wire_put_be16(WIRE_AT(s, wire_tlv, length), wire_length(sizeof(s)));
	*WIRE_AT(s, wire_ath10k, chan_width_mhz) = 40;
	wire_put_be16(WIRE_AT(s, wire_ath10k, freq1), 5180);
	wire_put_be16(WIRE_AT(s, wire_ath10k, freq2), 5190);
	wire_put_be16(WIRE_AT(s, wire_ath10k, noise), uint16_t(-95));
	wire_put_be16(WIRE_AT(s, wire_ath10k, max_magnitude), 0x0a0b);
	wire_put_be16(WIRE_AT(s, wire_ath10k, total_gain_db), 0x0c0d);
	wire_put_be16(WIRE_AT(s, wire_ath10k, base_pwr_db), 0x0e0f);
	wire_put_be64(WIRE_AT(s, wire_ath10k, tsf), 0x1122334455667788);
	*WIRE_AT(s, wire_ath10k, max_index) = int8_t(-3);
	*WIRE_AT(s, wire_ath10k, rssi) = 0x2a;
	*WIRE_AT(s, wire_ath10k, relpwr_db) = 0x2b;
	*WIRE_AT(s, wire_ath10k, avgpwr_db) = 0x2c;
	*WIRE_AT(s, wire_ath10k, max_exp) = 2;
	memcpy(s + sizeof(wire_ath10k), "\x61\x62\x63\x64", 4);
	ASSERT_EQ(sizeof(kernel), sizeof(s));
	for (size_t i = 0; i < sizeof(s); i++)
		EXPECT_EQ(kernel[i], s[i]) << "byte " << i;

	/* and the readers take the kernel's bytes back */
	const uint8_t *k = kernel;
	EXPECT_EQ(WIRE_ATH10K, *WIRE_AT(k, wire_tlv, type));
	EXPECT_EQ(4u, wire_be16(WIRE_AT(k, wire_tlv, length)) - wire_length(sizeof(wire_ath10k)));
	EXPECT_EQ(40, *WIRE_AT(k, wire_ath10k, chan_width_mhz));
	EXPECT_EQ(5180, wire_be16(WIRE_AT(k, wire_ath10k, freq1)));
	EXPECT_EQ(5190, wire_be16(WIRE_AT(k, wire_ath10k, freq2)));
	EXPECT_EQ(-95, int16_t(wire_be16(WIRE_AT(k, wire_ath10k, noise))));
	EXPECT_EQ(0x0a0b, wire_be16(WIRE_AT(k, wire_ath10k, max_magnitude)));
	EXPECT_EQ(0x0c0d, wire_be16(WIRE_AT(k, wire_ath10k, total_gain_db)));
	EXPECT_EQ(0x0e0f, wire_be16(WIRE_AT(k, wire_ath10k, base_pwr_db)));
	EXPECT_EQ(0x1122334455667788u, wire_be64(WIRE_AT(k, wire_ath10k, tsf)));
	EXPECT_EQ(-3, int8_t(*WIRE_AT(k, wire_ath10k, max_index)));
	EXPECT_EQ(0x2a, *WIRE_AT(k, wire_ath10k, rssi));
	EXPECT_EQ(0x2b, *WIRE_AT(k, wire_ath10k, relpwr_db));
	EXPECT_EQ(0x2c, *WIRE_AT(k, wire_ath10k, avgpwr_db));
	EXPECT_EQ(2, *WIRE_AT(k, wire_ath10k, max_exp));
	EXPECT_EQ(0x61, k[sizeof(wire_ath10k)]);
}

}  // namespace
