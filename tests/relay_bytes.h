/* SPDX-License-Identifier: GPL-2.0-only */
/* Relay streams for the decoder, built byte by byte: the driver's fields are
 * big-endian, and these tests must mean the same on a big-endian target. */
#ifndef RFPEEK_TEST_RELAY_BYTES_H
#define RFPEEK_TEST_RELAY_BYTES_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct relay_bytes {
	std::vector<uint8_t> b;

	relay_bytes &u8(unsigned v) { b.push_back(uint8_t(v)); return *this; }
	relay_bytes &be16(unsigned v) { return u8(v >> 8).u8(v); }
	relay_bytes &fill(size_t n, unsigned v) { b.insert(b.end(), n, uint8_t(v)); return *this; }
	/* A header and `length` payload bytes of value v. */
	relay_bytes &record(unsigned type, unsigned length, unsigned v = 0)
	{
		return u8(type).be16(length).fill(length, v);
	}

	/* 20 MHz sample; the fields the decoder must not read hold junk so that
	 * a wrong offset shows. */
	relay_bytes &ht20(unsigned freq, int rssi, int noise, unsigned max_exp,
			  const uint8_t (&data)[56], unsigned length = 73)
	{
		u8(1).be16(length).u8(max_exp).be16(freq).u8(unsigned(rssi)).u8(unsigned(noise));
		be16(0xabcd).u8(0x55).u8(0x66).fill(8, 0x77);
		b.insert(b.end(), data, data + 56);
		return fill(length - 73, 0x99);
	}
	relay_bytes &ht20(unsigned freq, int rssi = -40, int noise = -95, unsigned v = 10)
	{
		uint8_t data[56];
		for (auto &d : data)
			d = uint8_t(v);
		return ht20(freq, rssi, noise, 0, data);
	}

	/* 20/40 MHz sample: lower half then upper half of the data. */
	relay_bytes &ht40(unsigned chan_type, unsigned freq, int lrssi, int urssi, int lnoise,
			  int unoise, unsigned max_exp, const uint8_t (&data)[128])
	{
		u8(2).be16(152).u8(chan_type).be16(freq).u8(unsigned(lrssi)).u8(unsigned(urssi));
		fill(8, 0x77).u8(unsigned(lnoise)).u8(unsigned(unoise));
		be16(0xabcd).be16(0xabcd).u8(0x55).u8(0x55).u8(0x66).u8(0x66).u8(max_exp);
		b.insert(b.end(), data, data + 128);
		return *this;
	}
};

#endif
