/* SPDX-License-Identifier: GPL-2.0-only */
/* Deterministic inputs for the benchmarks and the stage driver: relay
 * streams as the driver writes them, and the records a capture reports. */
#ifndef RFPEEK_BENCH_INPUT_H
#define RFPEEK_BENCH_INPUT_H

#include <cstdint>
#include <cstring>

#include "spectral/decode.h"
#include "spectral/edges.h"
#include "spectral/sample_format.h"

namespace bench_input {

enum relay_kind { relay_ht20, relay_ht20_40, relay_zeros, relay_ath10k };

/* ath10k's records of an 80 MHz channel: 88 MHz in 256 bins. */
constexpr int ath10k_bins = 256;
constexpr size_t ath10k_record_len = sizeof(wire_ath10k) + ath10k_bins;

struct lcg {
	uint32_t s = 12345;
	unsigned next(unsigned n) { s = s * 1664525u + 1013904223u; return (s >> 8) % n; }
};

/* FFT magnitudes as a quiet band with a few strong carriers. */
inline void fill_data(unsigned char *d, int n, lcg &g)
{
	for (int i = 0; i < n; i++)
		d[i] = (unsigned char)(g.next(8) == 0 ? 64 + g.next(192) : g.next(24));
}

/* Channels 2412, 2432, 2452 in turn: neighbours 20 MHz apart both ways. */
inline unsigned channel(int i)
{
	return 2412 + 20 * unsigned(i % 3);
}

/* 80 MHz channels 5210, 5290, 5530 in turn. */
inline unsigned channel_80mhz(int i)
{
	static const unsigned freq1[] = {5210, 5290, 5530};
	return freq1[i % 3];
}

/* A full relay read: whole records up to len, then zero bytes
 * (type 0, length 0: skipped 3 bytes at a time). */
inline void make_relay(unsigned char *buf, size_t len, relay_kind kind)
{
	lcg g;
	size_t pos = 0;
	memset(buf, 0, len);
	for (int i = 0; kind != relay_zeros; i++) {
		unsigned char *s = buf + pos;
		if (kind == relay_ht20) {
			if (pos + sizeof(wire_ht20) > len)
				break;
			*WIRE_AT(s, wire_tlv, type) = WIRE_HT20;
			wire_put_be16(WIRE_AT(s, wire_tlv, length), wire_length(sizeof(wire_ht20)));
			*WIRE_AT(s, wire_ht20, max_exp) = (unsigned char)g.next(4);
			wire_put_be16(WIRE_AT(s, wire_ht20, freq), uint16_t(channel(i)));
			*WIRE_AT(s, wire_ht20, rssi) = (unsigned char)(-40 - int(g.next(40)));
			*WIRE_AT(s, wire_ht20, noise) = (unsigned char)(-90 - int(g.next(10)));
			fill_data(WIRE_AT(s, wire_ht20, data), WIRE_HT20_BINS, g);
			pos += sizeof(wire_ht20);
		} else if (kind == relay_ath10k) {
			if (pos + ath10k_record_len > len)
				break;
			*WIRE_AT(s, wire_tlv, type) = WIRE_ATH10K;
			wire_put_be16(WIRE_AT(s, wire_tlv, length), wire_length(ath10k_record_len));
			*WIRE_AT(s, wire_ath10k, chan_width_mhz) = 88;
			wire_put_be16(WIRE_AT(s, wire_ath10k, freq1), uint16_t(channel_80mhz(i)));
			wire_put_be16(WIRE_AT(s, wire_ath10k, noise), uint16_t(-90 - int(g.next(10))));
			*WIRE_AT(s, wire_ath10k, rssi) = (unsigned char)(10 + g.next(40));
			*WIRE_AT(s, wire_ath10k, max_exp) = (unsigned char)g.next(4);
			fill_data(s + sizeof(wire_ath10k), ath10k_bins, g);
			pos += ath10k_record_len;
		} else {
			if (pos + sizeof(wire_ht20_40) > len)
				break;
			*WIRE_AT(s, wire_tlv, type) = WIRE_HT20_40;
			wire_put_be16(WIRE_AT(s, wire_tlv, length), wire_length(sizeof(wire_ht20_40)));
			*WIRE_AT(s, wire_ht20_40, channel_type) = i % 2 ? chan_ht40plus : 2;
			wire_put_be16(WIRE_AT(s, wire_ht20_40, freq), uint16_t(channel(i)));
			*WIRE_AT(s, wire_ht20_40, lower_rssi) = (unsigned char)(-40 - int(g.next(40)));
			*WIRE_AT(s, wire_ht20_40, upper_rssi) = (unsigned char)(-40 - int(g.next(40)));
			*WIRE_AT(s, wire_ht20_40, lower_noise) = (unsigned char)(-90 - int(g.next(10)));
			*WIRE_AT(s, wire_ht20_40, upper_noise) = (unsigned char)(-90 - int(g.next(10)));
			*WIRE_AT(s, wire_ht20_40, max_exp) = (unsigned char)g.next(4);
			fill_data(WIRE_AT(s, wire_ht20_40, data), WIRE_HT20_40_BINS, g);
			pos += sizeof(wire_ht20_40);
		}
	}
}

/* 256 records as a capture hands them to the report: completed 20 MHz
 * records of 64 bins, or raw 20/40 MHz records of 128 bins. */
inline int make_records(spectrum_record *records, int bins)
{
	static unsigned char relay[relay_read_size];
	make_relay(relay, sizeof(relay), bins == ht40_bins ? relay_ht20_40 : relay_ht20);
	int count = decode_stream(relay, sizeof(relay), records);
	if (bins == full_20mhz_bins)
		complete_edges(records, count);
	return count;
}

} // namespace bench_input

#endif
