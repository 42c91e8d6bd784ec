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
		for (int type : {WIRE_HT20, WIRE_HT20_40}) {
			size_t len = type == WIRE_HT20 ? ht20_sample_len : ht20_40_sample_len;
			std::vector<unsigned char> r(len);
			for (auto &b : r)
				b = (unsigned char)(rng() >> (rng() % 9));
			*WIRE_AT(r.data(), wire_tlv, type) = (unsigned char)type;
			wire_put_be16(WIRE_AT(r.data(), wire_tlv, length), wire_length(len));
			*(type == WIRE_HT20 ? WIRE_AT(r.data(), wire_ht20, max_exp)
					    : WIRE_AT(r.data(), wire_ht20_40, max_exp)) = (unsigned char)e;
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
		if (*WIRE_AT(r, wire_tlv, type) == WIRE_HT20) {
			const unsigned char *d = WIRE_AT(r, wire_ht20, data);
			uint8_t e = *WIRE_AT(r, wire_ht20, max_exp);
			int rssi = int8_t(*WIRE_AT(r, wire_ht20, rssi));
			int noise = int8_t(*WIRE_AT(r, wire_ht20, noise));
			uint64_t sum = sum_sq(d, 56, e);
			for (int j = 0; j < 56; j++)
				expect_same_bits(bin_power(d[j], e, rssi, noise, sum), records[i].bins[j], i, j);
			pos += ht20_sample_len;
		} else {
			const unsigned char *d = WIRE_AT(r, wire_ht20_40, data);
			uint8_t e = *WIRE_AT(r, wire_ht20_40, max_exp);
			int lrssi = int8_t(*WIRE_AT(r, wire_ht20_40, lower_rssi));
			int urssi = int8_t(*WIRE_AT(r, wire_ht20_40, upper_rssi));
			int lnoise = int8_t(*WIRE_AT(r, wire_ht20_40, lower_noise));
			int unoise = int8_t(*WIRE_AT(r, wire_ht20_40, upper_noise));
			uint64_t lower = sum_sq(d, 64, e), upper = sum_sq(d + 64, 64, e);
			for (int j = 0; j < 128; j++)
				expect_same_bits(j < 64 ? bin_power(d[j], e, lrssi, lnoise, lower)
							: bin_power(d[j], e, urssi, unoise, upper),
						 records[i].bins[j], i, j);
			pos += ht20_40_sample_len;
		}
	}
}

} // namespace
