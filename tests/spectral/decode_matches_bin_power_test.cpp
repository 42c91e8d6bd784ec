// SPDX-License-Identifier: GPL-2.0-only
/* Every decoded bin is, to the last bit, bin_power of its data byte with the
 * sample's own sum of squares: the decoder may share work between bins but
 * not change a result. */
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "spectral/decode.h"

namespace {

uint64_t sum_sq(const unsigned char *d, int n, unsigned max_exp)
{
	uint64_t sum = 0;
	for (int i = 0; i < n; i++) {
		uint64_t v = max_exp < 64 ? uint64_t(d[i]) << max_exp : 0;
		sum += v * v;
	}
	return sum;
}

void expect_same_bits(double want, double got, int record, int bin)
{
	EXPECT_EQ(0, memcmp(&want, &got, sizeof(double)))
		<< "record " << record << " bin " << bin << ": " << got << " != " << want;
}

TEST(DecodeMatchesBinPower, EveryBinOfHt20AndHt2040Samples)
{
	std::mt19937 rng(5);
	std::vector<unsigned char> s;
	/* shifts 0..7 as the driver sends them, then the edges of the shift */
	const unsigned exps[] = {0, 1, 2, 3, 4, 5, 6, 7, 31, 32, 55, 63, 64, 200};
	for (unsigned e : exps)
		for (int type = 1; type <= 2; type++) {
			size_t len = type == 1 ? ht20_sample_len : ht20_40_sample_len;
			std::vector<unsigned char> r(len);
			for (auto &b : r)
				b = (unsigned char)(rng() >> (rng() % 9));
			r[0] = (unsigned char)type;
			r[1] = 0;
			r[2] = (unsigned char)(len - sample_header_len);
			r[type == 1 ? 3 : 26] = (unsigned char)e;
			if (rng() % 3 == 0)   /* some samples with many zero bytes */
				for (size_t i = len - 40; i < len; i++)
					r[i] = 0;
			s.insert(s.end(), r.begin(), r.end());
		}
	static spectrum_buffer records;
	int count = decode_stream(s.data(), s.size(), records);
	ASSERT_EQ(count, int(2 * (sizeof(exps) / sizeof(exps[0]))));

	size_t pos = 0;
	for (int i = 0; i < count; i++) {
		const unsigned char *r = s.data() + pos;
		if (r[0] == 1) {
			const unsigned char *d = r + 20;
			uint64_t sum = sum_sq(d, 56, r[3]);
			for (int j = 0; j < 56; j++)
				expect_same_bits(bin_power(d[j], r[3], int8_t(r[6]), int8_t(r[7]), sum),
						 records[i].bins[j], i, j);
			pos += ht20_sample_len;
		} else {
			const unsigned char *d = r + 27;
			uint64_t lower = sum_sq(d, 64, r[26]), upper = sum_sq(d + 64, 64, r[26]);
			for (int j = 0; j < 128; j++)
				expect_same_bits(j < 64 ? bin_power(d[j], r[26], int8_t(r[6]), int8_t(r[16]), lower)
							: bin_power(d[j], r[26], int8_t(r[7]), int8_t(r[17]), upper),
						 records[i].bins[j], i, j);
			pos += ht20_40_sample_len;
		}
	}
}

} // namespace
