/* SPDX-License-Identifier: GPL-2.0-only */
/* Deterministic inputs for the benchmarks and the stage driver: relay
 * streams as the driver writes them, and the records a capture reports. */
#ifndef RFPEEK_BENCH_INPUT_H
#define RFPEEK_BENCH_INPUT_H

#include <cstdint>
#include <cstring>

#include "spectral/decode.h"
#include "spectral/edges.h"

namespace bench_input {

enum relay_kind { relay_ht20, relay_ht20_40, relay_zeros };

struct lcg {
	uint32_t s = 12345;
	unsigned next(unsigned n) { s = s * 1664525u + 1013904223u; return (s >> 8) % n; }
};

inline void put_be16(unsigned char *p, unsigned v)
{
	p[0] = (unsigned char)(v >> 8);
	p[1] = (unsigned char)v;
}

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
			if (pos + ht20_sample_len > len)
				break;
			s[0] = sample_type_ht20;
			put_be16(s + 1, unsigned(ht20_sample_len - sample_header_len));
			s[3] = (unsigned char)g.next(4);              /* max_exp */
			put_be16(s + 4, channel(i));
			s[6] = (unsigned char)(-40 - int(g.next(40))); /* rssi */
			s[7] = (unsigned char)(-90 - int(g.next(10))); /* noise */
			fill_data(s + 20, ht20_bins, g);
			pos += ht20_sample_len;
		} else {
			if (pos + ht20_40_sample_len > len)
				break;
			s[0] = sample_type_ht20_40;
			put_be16(s + 1, unsigned(ht20_40_sample_len - sample_header_len));
			s[3] = i % 2 ? chan_ht40plus : 2;
			put_be16(s + 4, channel(i));
			s[6] = (unsigned char)(-40 - int(g.next(40)));
			s[7] = (unsigned char)(-40 - int(g.next(40)));
			s[16] = (unsigned char)(-90 - int(g.next(10)));
			s[17] = (unsigned char)(-90 - int(g.next(10)));
			s[26] = (unsigned char)g.next(4);
			fill_data(s + 27, ht40_bins, g);
			pos += ht20_40_sample_len;
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
