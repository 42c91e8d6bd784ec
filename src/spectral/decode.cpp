// SPDX-License-Identifier: GPL-2.0-only
#include "spectral/decode.h"

#include <cmath>
#include <cstring>

/* The driver's shift can be any byte; past 63 every bit is gone. */
static uint64_t shifted(uint8_t value, uint8_t max_exp)
{
	return max_exp < 64 ? uint64_t(value) << max_exp : 0;
}

/* Squares and their sum wrap modulo 2^64, as the driver's own arithmetic.
 * (d << e)^2 is d^2 * 2^(2e) modulo 2^64, so the sum is the bytes' own sum
 * of squares (below 2^24: 256 bytes) shifted once: no 64-bit multiply per
 * byte on a 32-bit CPU. */
static uint64_t sum_squares(const unsigned char *data, int n, uint8_t max_exp)
{
	uint32_t sum = 0;

	for (int i = 0; i < n; i++)
		sum += uint32_t(data[i]) * data[i];
	return max_exp < 32 ? uint64_t(sum) << (2 * max_exp) : 0;
}

/* 20 * log10 of a shifted byte, v non-zero. */
static double db20(uint64_t v)
{
	return 20 * log10(double(v));
}

/* v_db is db20(v), sum_db 10 * log10(sum_sq), both of non-zero values. */
static double power_db(double v_db, int rssi, int noise, double sum_db)
{
	return (double(rssi + noise) + v_db) - sum_db;
}

/* db20 of every (shift, byte) once per process: a capture repeats few of
 * them, and the logarithm is a few thousand instructions of soft float on
 * the router. The driver's shift has 4 bits; larger ones are not kept. */
static double db20_of_byte[cached_shifts][256];
static uint32_t db20_known[cached_shifts][256 / 32];

static double db20_cached(uint8_t value, uint8_t max_exp, uint64_t v)
{
	if (max_exp >= cached_shifts)
		return db20(v);
	uint32_t &word = db20_known[max_exp][value / 32];
	uint32_t bit = uint32_t(1) << (value % 32);
	if (!(word & bit)) {
		db20_of_byte[max_exp][value] = db20(v);
		word |= bit;
	}
	return db20_of_byte[max_exp][value];
}

/* A byte of 0 means the FFT magnitude was below one step of the 8-bit
 * scale, not that nothing was there: it is taken as 1, the most it can
 * have been. */
static uint8_t at_least_one(uint8_t value)
{
	return value ? value : 1;
}

double bin_power(uint8_t value, uint8_t max_exp, int rssi, int noise, uint64_t sum_sq)
{
	/* with no sum (or a shift that loses every bit) nothing was measured */
	if (sum_sq == 0 || max_exp >= 64)
		return noise;
	uint64_t v = shifted(at_least_one(value), max_exp);
	/* a non-zero byte shifted out of 64 bits: log10(0) would be -inf */
	if (v == 0)
		return noise;
	return power_db(db20(v), rssi, noise, 10 * log10(double(sum_sq)));
}

/* bin_power for every bin of a part (sum its sum_squares), with the sum's
 * logarithm taken once per part and each byte value's power once. */
static void fill_powers(double *bins, const unsigned char *data, int n, const sample_part &part)
{
	uint64_t sum = part.sum_sq;
	uint8_t max_exp = part.max_exp;
	int noise = part.noise;

	/* sum_squares is 0 for shifts of 32 and more (2 * shift >= 64) */
	if (sum == 0) {
		for (int j = 0; j < n; j++)
			bins[j] = noise;
		return;
	}
	double sum_db = 10 * log10(double(sum));
	double base = double(part.rssi + noise);   /* exact: a small integer */
	double power[256];
	uint32_t known[256 / 32] = {};
	for (int j = 0; j < n; j++) {
		uint8_t b = data[j];
		uint32_t bit = uint32_t(1) << (b % 32);
		if (!(known[b / 32] & bit)) {
			uint8_t value = at_least_one(b);
			uint64_t v = shifted(value, max_exp);
			power[b] = v == 0 ? double(noise)
					  : (base + db20_cached(value, max_exp, v)) - sum_db;
			known[b / 32] |= bit;
		}
		bins[j] = power[b];
	}
}

/* The part's bytes, kept in the record, and what their powers need. */
static void keep_part(spectrum_record *r, int part, const unsigned char *data, int first, int n,
		      uint8_t max_exp, int rssi, int noise)
{
	memcpy(r->magnitude + first, data, size_t(n));
	r->parts[part] = sample_part{sum_squares(data, n, max_exp), int16_t(rssi), int16_t(noise),
				     max_exp};
}

static void decode_ht20(const unsigned char *s, spectrum_record *r)
{
	int rssi = int8_t(*WIRE_AT(s, wire_ht20, rssi));
	int noise = int8_t(*WIRE_AT(s, wire_ht20, noise));

	r->bandwidth_khz = ht20_bandwidth_khz;
	r->center_khz = int32_t(wire_be16(WIRE_AT(s, wire_ht20, freq))) * 1000;
	r->rssi = int16_t(rssi);
	r->noise = int16_t(noise);
	r->sampled_mhz = 0;
	r->num_bins = ht20_bins;
	r->num_parts = 1;
	keep_part(r, 0, WIRE_AT(s, wire_ht20, data), 0, ht20_bins, *WIRE_AT(s, wire_ht20, max_exp),
		  rssi, noise);
}

/* freq is the control channel's: the centre is 10 MHz above or below it */
static void decode_ht20_40(const unsigned char *s, spectrum_record *r)
{
	int freq = int(wire_be16(WIRE_AT(s, wire_ht20_40, freq)));
	int lower_rssi = int8_t(*WIRE_AT(s, wire_ht20_40, lower_rssi));
	int upper_rssi = int8_t(*WIRE_AT(s, wire_ht20_40, upper_rssi));
	int lower_noise = int8_t(*WIRE_AT(s, wire_ht20_40, lower_noise));
	int upper_noise = int8_t(*WIRE_AT(s, wire_ht20_40, upper_noise));
	uint8_t max_exp = *WIRE_AT(s, wire_ht20_40, max_exp);
	const unsigned char *data = WIRE_AT(s, wire_ht20_40, data);
	bool plus = *WIRE_AT(s, wire_ht20_40, channel_type) == chan_ht40plus;
	const int half = ht40_bins / 2;

	r->bandwidth_khz = ht40_bandwidth_khz;
	r->center_khz = (plus ? freq + 10 : freq - 10) * 1000;
	r->rssi = int16_t((lower_rssi + upper_rssi) / 2);
	r->noise = int16_t((lower_noise + upper_noise) / 2);
	r->sampled_mhz = 0;
	r->num_bins = ht40_bins;
	r->num_parts = 2;
	keep_part(r, 0, data, 0, half, max_exp, lower_rssi, lower_noise);
	keep_part(r, 1, data + half, half, half, max_exp, upper_rssi, upper_noise);
}

/* freq1 is the centre. The driver has already put the mean of its
 * neighbours in the DC bin (n/2), and every bin was measured. */
static void decode_ath10k(const unsigned char *s, int n, spectrum_record *r)
{
	int rssi = *WIRE_AT(s, wire_ath10k, rssi);
	int noise = int16_t(wire_be16(WIRE_AT(s, wire_ath10k, noise)));
	uint8_t width = *WIRE_AT(s, wire_ath10k, chan_width_mhz);

	r->bandwidth_khz = ath10k_channel_khz(width);
	r->center_khz = int32_t(wire_be16(WIRE_AT(s, wire_ath10k, freq1))) * 1000;
	r->rssi = int16_t(rssi);
	r->noise = int16_t(noise);
	r->sampled_mhz = width;
	r->num_bins = n;
	r->num_parts = 1;
	keep_part(r, 0, s + ath10k_fields_len, 0, n, *WIRE_AT(s, wire_ath10k, max_exp), rssi, noise);
}

void fill_record_powers(spectrum_record *r)
{
	int per_part = r->num_bins / r->num_parts;

	for (int p = 0; p < r->num_parts; p++)
		fill_powers(r->bins + p * per_part, r->magnitude + p * per_part, per_part, r->parts[p]);
}

int decode_samples(const unsigned char *stream, size_t len, spectrum_record *records,
		   size_t *used)
{
	size_t pos = 0;
	int count = 0;

	while (pos + sample_header_len <= len) {
		const unsigned char *s = stream + pos;
		/* 16-bit wrap: lengths 0xfffe/0xffff step by 1 or 2 bytes */
		size_t rec_len = (sample_header_len + wire_be16(WIRE_AT(s, wire_tlv, length))) & 0xffff;

		/* 0xfffd would leave the walk where it is for ever */
		if (rec_len == 0 || pos + rec_len > len || count == max_records)
			break;
		pos += rec_len;
		if (!decodable(s, rec_len))
			continue;
		uint8_t type = *WIRE_AT(s, wire_tlv, type);
		if (type == sample_type_ht20)
			decode_ht20(s, &records[count++]);
		else if (type == sample_type_ht20_40)
			decode_ht20_40(s, &records[count++]);
		else
			decode_ath10k(s, int(rec_len - ath10k_fields_len), &records[count++]);
	}
	if (used)
		*used = pos;
	return count;
}

int decode_stream(const unsigned char *stream, size_t len, spectrum_record *records)
{
	int count = decode_samples(stream, len, records, nullptr);

	for (int i = 0; i < count; i++)
		fill_record_powers(&records[i]);
	return count;
}
