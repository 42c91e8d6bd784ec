/* SPDX-License-Identifier: GPL-2.0-only */
/* Relay streams for the decoder, built byte by byte: the driver's fields are
 * big-endian, and these tests must mean the same on a big-endian target. */
#ifndef RFPEEK_TEST_RELAY_BYTES_H
#define RFPEEK_TEST_RELAY_BYTES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "spectral/sample_format.h"

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
	/* A record's bytes, the fields already in place. */
	template <size_t n> relay_bytes &bytes(const uint8_t (&s)[n])
	{
		b.insert(b.end(), s, s + n);
		return *this;
	}

	/* 20 MHz sample; the fields the decoder must not read hold junk so that
	 * a wrong offset shows. A length past the sample's adds bytes of 0x99. */
	relay_bytes &ht20(unsigned freq, int rssi, int noise, unsigned max_exp,
			  const uint8_t (&data)[WIRE_HT20_BINS],
			  unsigned length = wire_length(sizeof(wire_ht20)))
	{
		uint8_t s[sizeof(wire_ht20)];
		memset(s, 0x77, sizeof(s));
		*WIRE_AT(s, wire_tlv, type) = WIRE_HT20;
		wire_put_be16(WIRE_AT(s, wire_tlv, length), uint16_t(length));
		*WIRE_AT(s, wire_ht20, max_exp) = uint8_t(max_exp);
		wire_put_be16(WIRE_AT(s, wire_ht20, freq), uint16_t(freq));
		*WIRE_AT(s, wire_ht20, rssi) = uint8_t(rssi);
		*WIRE_AT(s, wire_ht20, noise) = uint8_t(noise);
		wire_put_be16(WIRE_AT(s, wire_ht20, max_magnitude), 0xabcd);
		*WIRE_AT(s, wire_ht20, max_index) = 0x55;
		*WIRE_AT(s, wire_ht20, bitmap_weight) = 0x66;
		memcpy(WIRE_AT(s, wire_ht20, data), data, sizeof(data));
		return bytes(s).fill(length - wire_length(sizeof(s)), 0x99);
	}
	relay_bytes &ht20(unsigned freq, int rssi = -40, int noise = -95, unsigned v = 10)
	{
		uint8_t data[WIRE_HT20_BINS];
		for (auto &d : data)
			d = uint8_t(v);
		return ht20(freq, rssi, noise, 0, data);
	}

	/* 20/40 MHz sample: lower half then upper half of the data. */
	relay_bytes &ht40(unsigned chan_type, unsigned freq, int lrssi, int urssi, int lnoise,
			  int unoise, unsigned max_exp, const uint8_t (&data)[WIRE_HT20_40_BINS])
	{
		uint8_t s[sizeof(wire_ht20_40)];
		memset(s, 0x77, sizeof(s));
		*WIRE_AT(s, wire_tlv, type) = WIRE_HT20_40;
		wire_put_be16(WIRE_AT(s, wire_tlv, length), wire_length(sizeof(s)));
		*WIRE_AT(s, wire_ht20_40, channel_type) = uint8_t(chan_type);
		wire_put_be16(WIRE_AT(s, wire_ht20_40, freq), uint16_t(freq));
		*WIRE_AT(s, wire_ht20_40, lower_rssi) = uint8_t(lrssi);
		*WIRE_AT(s, wire_ht20_40, upper_rssi) = uint8_t(urssi);
		*WIRE_AT(s, wire_ht20_40, lower_noise) = uint8_t(lnoise);
		*WIRE_AT(s, wire_ht20_40, upper_noise) = uint8_t(unoise);
		wire_put_be16(WIRE_AT(s, wire_ht20_40, lower_max_magnitude), 0xabcd);
		wire_put_be16(WIRE_AT(s, wire_ht20_40, upper_max_magnitude), 0xabcd);
		*WIRE_AT(s, wire_ht20_40, lower_max_index) = 0x55;
		*WIRE_AT(s, wire_ht20_40, upper_max_index) = 0x55;
		*WIRE_AT(s, wire_ht20_40, lower_bitmap_weight) = 0x66;
		*WIRE_AT(s, wire_ht20_40, upper_bitmap_weight) = 0x66;
		*WIRE_AT(s, wire_ht20_40, max_exp) = uint8_t(max_exp);
		memcpy(WIRE_AT(s, wire_ht20_40, data), data, sizeof(data));
		return bytes(s);
	}

	/* ath10k sample of width (chan_width_mhz), rssi, noise, max_exp and n
	 * bins; the fields the decoder must not read hold junk. */
	relay_bytes &ath10k(unsigned freq1, unsigned width, unsigned rssi, int noise,
			    unsigned max_exp, const uint8_t *data, size_t n)
	{
		uint8_t s[sizeof(wire_ath10k)];
		memset(s, 0x77, sizeof(s));
		*WIRE_AT(s, wire_tlv, type) = WIRE_ATH10K;
		wire_put_be16(WIRE_AT(s, wire_tlv, length), wire_length(sizeof(s) + n));
		*WIRE_AT(s, wire_ath10k, chan_width_mhz) = uint8_t(width);
		wire_put_be16(WIRE_AT(s, wire_ath10k, freq1), uint16_t(freq1));
		wire_put_be16(WIRE_AT(s, wire_ath10k, noise), uint16_t(noise));
		*WIRE_AT(s, wire_ath10k, rssi) = uint8_t(rssi);
		*WIRE_AT(s, wire_ath10k, max_exp) = uint8_t(max_exp);
		bytes(s);
		b.insert(b.end(), data, data + n);
		return *this;
	}
	/* ath10k sample of n bins of value v at rssi 40 above -95 dBm. */
	relay_bytes &ath10k(unsigned freq1, size_t n, unsigned v = 10, unsigned width = 22)
	{
		std::vector<uint8_t> data(n, uint8_t(v));
		return ath10k(freq1, width, 40, -95, 0, data.data(), n);
	}
};

#endif
