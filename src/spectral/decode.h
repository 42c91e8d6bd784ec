/* SPDX-License-Identifier: GPL-2.0-only */
/* The relay's FFT sample records (ath9k's and ath10k's), decoded into
 * spectrum records. */
#ifndef RFPEEK_DECODE_H
#define RFPEEK_DECODE_H

#include <cstddef>
#include <cstdint>

#include "spectral/sample_format.h"
#include "spectral/spectrum_record.h"

/* The record types decoded, and their sizes: the least a record of the type
 * must have. Others are walked past. */
constexpr uint8_t sample_type_ht20 = WIRE_HT20;
constexpr uint8_t sample_type_ht20_40 = WIRE_HT20_40;
constexpr uint8_t sample_type_ath10k = WIRE_ATH10K;
constexpr size_t sample_header_len = sizeof(wire_tlv);
constexpr size_t ht20_sample_len = sizeof(wire_ht20);
constexpr size_t ht20_40_sample_len = sizeof(wire_ht20_40);
constexpr size_t ath10k_fields_len = sizeof(wire_ath10k);   /* its bins follow */
/* Whether the decoder takes the record at s, rec_len bytes long. An ath10k
 * record of no width (the driver gives 22, 44, 88 or the firmware's own
 * width) would put every bin on one frequency. */
inline bool decodable(const unsigned char *s, size_t rec_len)
{
	uint8_t type = *WIRE_AT(s, wire_tlv, type);
	return (type == sample_type_ht20 && rec_len >= ht20_sample_len) ||
	       (type == sample_type_ht20_40 && rec_len >= ht20_40_sample_len) ||
	       (type == sample_type_ath10k && rec_len >= ath10k_fields_len + ath10k_min_bins &&
		rec_len <= ath10k_fields_len + ath10k_max_bins &&
		*WIRE_AT(s, wire_ath10k, chan_width_mhz) != 0);
}
constexpr uint8_t chan_ht40plus = 3;   /* NL80211_CHAN_HT40PLUS */
static_assert(ht20_bins == WIRE_HT20_BINS && ht40_bins == WIRE_HT20_40_BINS,
	      "a record's bins are the sample's");

/* dBm of one bin: its share of the sample's sum of squares, on top of
 * rssi + noise. A byte of 0 counts as 1 (an upper bound); the noise value
 * when the sum is 0 or the shift loses every bit. */
double bin_power(uint8_t value, uint8_t max_exp, int rssi, int noise, uint64_t sum_sq);
/* Walks a relay stream; returns the number of records stored (at most max_records). */
int decode_stream(const unsigned char *stream, size_t len, spectrum_record *records);
/* decode_stream without the bins' powers: each record keeps only its bytes
 * and parts. *used (when given) is the length of the records walked: the
 * rest is a record not yet whole, or the records past max_records. */
int decode_samples(const unsigned char *stream, size_t len, spectrum_record *records,
		   size_t *used);
/* The powers of a record from decode_samples, as decode_stream gives them. */
void fill_record_powers(spectrum_record *r);

#endif
