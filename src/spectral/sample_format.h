/* SPDX-License-Identifier: GPL-2.0-only */
/* The FFT sample records the ath9k and ath10k drivers hand to user space
 * (drivers/net/wireless/ath/spectral_common.h): a 3-byte tlv header, then
 * the type's fields, big-endian where wider than a byte. Each record is a
 * struct of bytes and byte arrays, field for field as the kernel's: no
 * member needs alignment, so there is no padding and offsetof() gives the
 * wire offsets. Plain C, so that a kernel module can include it too. */
#ifndef RFPEEK_SAMPLE_FORMAT_H
#define RFPEEK_SAMPLE_FORMAT_H

#ifdef __KERNEL__
#include <linux/stddef.h>
#include <linux/types.h>
#else
#include <stddef.h>
#include <stdint.h>
#endif

/* enum ath_fft_sample_type */
enum wire_sample_type {
	WIRE_HT20 = 1,        /* ath9k, 20 MHz */
	WIRE_HT20_40 = 2,     /* ath9k, 20/40 MHz: lower half of the bins, then upper */
	WIRE_ATH10K = 3,
};

enum wire_bins {
	WIRE_HT20_BINS = 56,
	WIRE_HT20_40_BINS = 128,
};

/* length: the bytes that follow the header */
struct wire_tlv {
	uint8_t type;
	uint8_t length[2];
};

struct wire_ht20 {
	uint8_t type;
	uint8_t length[2];
	uint8_t max_exp;
	uint8_t freq[2];
	int8_t rssi;
	int8_t noise;
	uint8_t max_magnitude[2];
	uint8_t max_index;
	uint8_t bitmap_weight;
	uint8_t tsf[8];
	uint8_t data[WIRE_HT20_BINS];
};

struct wire_ht20_40 {
	uint8_t type;
	uint8_t length[2];
	uint8_t channel_type;   /* enum nl80211_channel_type */
	uint8_t freq[2];        /* the control channel */
	int8_t lower_rssi;
	int8_t upper_rssi;
	uint8_t tsf[8];
	int8_t lower_noise;
	int8_t upper_noise;
	uint8_t lower_max_magnitude[2];
	uint8_t upper_max_magnitude[2];
	uint8_t lower_max_index;
	uint8_t upper_max_index;
	uint8_t lower_bitmap_weight;
	uint8_t upper_bitmap_weight;
	uint8_t max_exp;
	uint8_t data[WIRE_HT20_40_BINS];
};

/* Its bins follow, a byte each: as many as length counts past these fields. */
struct wire_ath10k {
	uint8_t type;
	uint8_t length[2];
	uint8_t chan_width_mhz;
	uint8_t freq1[2];
	uint8_t freq2[2];
	uint8_t noise[2];       /* signed */
	uint8_t max_magnitude[2];
	uint8_t total_gain_db[2];
	uint8_t base_pwr_db[2];
	uint8_t tsf[8];
	int8_t max_index;
	uint8_t rssi;
	uint8_t relpwr_db;
	uint8_t avgpwr_db;
	uint8_t max_exp;
};

/* The kernel's sizeof of each (ath10k's without its bins). */
#ifdef __cplusplus
#define WIRE_SIZE_IS(type, n) static_assert(sizeof(type) == (n), #type " is " #n " bytes")
#else
#define WIRE_SIZE_IS(type, n) _Static_assert(sizeof(type) == (n), #type " is " #n " bytes")
#endif
WIRE_SIZE_IS(struct wire_tlv, 3);
WIRE_SIZE_IS(struct wire_ht20, 76);
WIRE_SIZE_IS(struct wire_ht20_40, 155);
WIRE_SIZE_IS(struct wire_ath10k, 3 + 26);

/* The bytes of a field, p at the start of a record of that struct. */
#define WIRE_AT(p, record, field) ((p) + offsetof(struct record, field))

static inline uint16_t wire_be16(const uint8_t *p)
{
	return (uint16_t)(p[0] << 8 | p[1]);
}

static inline uint64_t wire_be64(const uint8_t *p)
{
	uint64_t v = 0;
	int i;

	for (i = 0; i < 8; i++)
		v = v << 8 | p[i];
	return v;
}

static inline void wire_put_be16(uint8_t *p, uint16_t v)
{
	p[0] = (uint8_t)(v >> 8);
	p[1] = (uint8_t)v;
}

static inline void wire_put_be64(uint8_t *p, uint64_t v)
{
	int i;

	for (i = 7; i >= 0; i--, v >>= 8)
		p[i] = (uint8_t)v;
}

/* The tlv length field of a record of `size` bytes. */
static inline uint16_t wire_length(size_t size)
{
	return (uint16_t)(size - sizeof(struct wire_tlv));
}

#endif
