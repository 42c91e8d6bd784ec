/* SPDX-License-Identifier: GPL-2.0-only */
/* Spectrum records straight from fuzz bytes, for the harnesses that start
 * after decoding (edge completion, each report): a mutation lands on the
 * fields and bin values those stages see, not on a relay header.
 *
 * Per record, a 7-byte header (ath10k: 10) and then its bins:
 *   byte 0      shape: bits 0-1 bins (0: 56, 1: 64, 2: 128, 3: 56);
 *               bit 2 a 40 MHz record (else 20 MHz); bits 3-4 how the bins
 *               are written (below); bit 5 a raw centre (below); bit 6 an
 *               ath10k record (bits 0-2 unused; its header below)
 *   bytes 1-4   centre: a raw big-endian int32 in kHz, or (bit 5 clear) as
 *               decoding makes it, MHz from bytes 1-2 with -10, 0 or +10
 *               (byte 3 mod 3; ath10k: none) times 1000
 *   byte 5, 6   rssi, noise (signed)
 *   ath10k:     byte 5 rssi (0..255), bytes 6-7 noise (big-endian int16),
 *               byte 8 chan_width_mhz, byte 9 bins (64 + byte mod 193); the
 *               channel 20, 40 or 80 MHz for 22, 44 or 88, else the width.
 *               A width of 0, which decoding walks past, spaces the bins as
 *               ath9k's for the reports.
 *   bins        0: two bytes each, a big-endian int16 / 256 (dBm-like values
 *                  with binary fractions)
 *               1: eight bytes each, any double (big-endian bits: NaN,
 *                  infinities, huge and tiny values)
 *               2: three bytes each, k / 20 for a big-endian int16 k, moved
 *                  by a signed byte of ulps: the ties of "%.1f" and their
 *                  neighbours
 *               3: one byte each, the power decoding gives a data byte with
 *                  the record's rssi and noise (shift 0, the bytes' own sum)
 *   A record whose bins run past the input repeats the bins it got (0.0
 *   with none). Records stop at the input's end or at the harness's limit. */
#ifndef RFPEEK_FUZZ_RECORDS_INPUT_H
#define RFPEEK_FUZZ_RECORDS_INPUT_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "spectral/decode.h"
#include "spectral/spectrum_record.h"

namespace records_input {

constexpr size_t header_len = 7;
constexpr size_t ath10k_header_len = 10;
constexpr int ath10k_bin_counts = 256 - 64 + 1;

inline uint32_t be(const unsigned char *p, int n)
{
	uint32_t v = 0;
	for (int i = 0; i < n; i++)
		v = v << 8 | p[i];
	return v;
}

inline int bin_bytes(int encoding)
{
	static const int bytes[] = {2, 8, 3, 1};
	return bytes[encoding];
}

inline double bin_value(const unsigned char *p, int encoding, int rssi, int noise, uint64_t sum)
{
	switch (encoding) {
	case 0:
		return int16_t(be(p, 2)) / 256.0;
	case 1: {
		uint64_t bits = uint64_t(be(p, 4)) << 32 | be(p + 4, 4);
		double d;
		memcpy(&d, &bits, sizeof(d));
		return d;
	}
	case 2: {
		double d = int16_t(be(p, 2)) / 20.0;
		int ulps = int8_t(p[2]);
		for (; ulps > 0; ulps--)
			d = std::nextafter(d, HUGE_VAL);
		for (; ulps < 0; ulps++)
			d = std::nextafter(d, -HUGE_VAL);
		return d;
	}
	default:
		return bin_power(p[0], 0, rssi, noise, sum);
	}
}

/* ath9k's records (8-bit rssi and noise), the ones edge completion fills,
 * never decode to more than about 700 dB either way, nor NaN. */
constexpr double decodable_limit = 2048;

/* Fills up to max records from data; returns how many. decodable: bins that
 * decoding cannot yield (non-finite, or beyond decodable_limit) are folded
 * into that range, and centres are always as decoding makes them, for the
 * stages that only ever see decoded records. */
inline int parse(const unsigned char *data, size_t len, spectrum_record *records, int max,
		 bool decodable)
{
	static const int shapes[] = {ht20_bins, full_20mhz_bins, ht40_bins, ht20_bins};
	size_t pos = 0;
	int count = 0;

	while (count < max && pos + header_len <= len) {
		const unsigned char *h = data + pos;
		bool ath10k = h[0] & 64;
		if (ath10k && pos + ath10k_header_len > len)
			break;
		spectrum_record &r = records[count++];
		r = spectrum_record{};
		r.num_bins = shapes[h[0] & 3];
		r.bandwidth_khz = h[0] & 4 ? 40000 : 20000;
		r.center_khz = h[0] & 32 && !decodable ? int32_t(be(h + 1, 4))
					 : (int32_t(be(h + 1, 2)) - 10 + 10 * (h[3] % 3)) * 1000;
		r.rssi = int8_t(h[5]);
		r.noise = int8_t(h[6]);
		pos += header_len;
		if (ath10k) {
			int width = h[8];
			r.num_bins = 64 + h[9] % ath10k_bin_counts;
			r.sampled_mhz = uint8_t(width);
			r.bandwidth_khz = (width == 22 ? 20 : width == 44 ? 40 : width == 88 ? 80 : width) * 1000;
			if (!(h[0] & 32 && !decodable))
				r.center_khz = int32_t(be(h + 1, 2)) * 1000;
			r.rssi = h[5];
			r.noise = int16_t(be(h + 6, 2));
			pos += ath10k_header_len - header_len;
		}

		int encoding = h[0] >> 3 & 3;
		int size = bin_bytes(encoding);
		size_t avail = (len - pos) / size_t(size);
		int given = avail < size_t(r.num_bins) ? int(avail) : r.num_bins;
		uint64_t sum = 0;   /* shift 0: no wrap in 256 squares of a byte */
		for (int k = 0; encoding == 3 && k < given; k++)
			sum += uint64_t(data[pos + size_t(k)]) * data[pos + size_t(k)];
		for (int k = 0; k < r.num_bins; k++) {
			double v = k < given ? bin_value(data + pos + size_t(k * size), encoding,
							 r.rssi, r.noise, sum)
					     : given ? r.bins[k % given] : 0.0;
			if (decodable && !(std::fabs(v) < decodable_limit))
				v = std::isfinite(v) ? std::fmod(v, decodable_limit) : 0.0;
			r.bins[k] = v;
		}
		pos += size_t(given * size);
	}
	return count;
}

} // namespace records_input

#endif
