// SPDX-License-Identifier: GPL-2.0-only
/* printf's "%*.*f" for the report's numbers at a fraction of its cost: the
 * reports print up to 32768 lines, and printf's exact decimal expansion of a
 * double costs thousands of instructions per number on the router. */
#include <cstdint>
#include <cstring>

#include "report/fixed_format.h"

/* At and above this the scaled value goes to printf, as before. */
constexpr uint64_t exact_limit = uint64_t(1) << 50;

static const uint32_t fives[] = {1, 5, 25, 125, 625};

/* "00" to "99": two digits per division. */
static constexpr struct digit_pairs {
	char c[200];
	constexpr digit_pairs() : c()
	{
		for (int i = 0; i < 100; i++) {
			c[2 * i] = char('0' + i / 10);
			c[2 * i + 1] = char('0' + i % 10);
		}
	}
} pairs;

static const uint32_t tens[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000,
				100000000, 1000000000};

/* The digits of v ending at end; returns their start. Two digits per
 * division by a constant, which compilers make a multiply. */
static char *put_digits(char *end, uint32_t v)
{
	char *p = end;
	while (v >= 100) {
		uint32_t two = v % 100;
		v /= 100;
		p -= 2;
		memcpy(p, pairs.c + 2 * two, 2);
	}
	if (v >= 10) {
		p -= 2;
		memcpy(p, pairs.c + 2 * v, 2);
	} else {
		*--p = char('0' + v);
	}
	return p;
}

uint32_t divide_small(uint64_t *q, uint32_t d)
{
	uint32_t hi = uint32_t(*q >> 32), lo = uint32_t(*q);
	uint32_t mid = hi % d << 16 | lo >> 16;   /* each step below d << 16 */
	uint32_t low = mid % d << 16 | (lo & 0xffff);
	*q = uint64_t(hi / d) << 32 | (mid / d) << 16 | low / d;
	return low % d;
}

/* write_fixed for q beyond 32 bits (|v| above 429496.7295 at four
 * decimals): a digit per division. */
__attribute__((noinline)) static int write_fixed_wide(char *out, bool minus, uint64_t q,
							int decimals, int width)
{
	char buf[24];
	char *end = buf + sizeof(buf), *p = end;
	for (int i = 0; i < decimals; i++)
		*--p = char('0' + divide_small(&q, 10));
	*--p = '.';
	do
		*--p = char('0' + divide_small(&q, 10));
	while (q);
	if (minus)
		*--p = '-';
	int o = 0;
	for (; o < width - int(end - p); o++)
		out[o] = ' ';
	for (; p < end; p++)
		out[o++] = *p;
	return o;
}

/* q / 10^decimals, right-aligned in width, with a '-' before it if minus,
 * written in place from the right: no loop that a compiler turns into a
 * memcpy or memset call, which on the router costs more than the number.
 * The caller's buffer holds at least 40 bytes. */
static int write_fixed(char *out, bool minus, uint64_t q, int decimals, int width)
{
	if (q > UINT32_MAX)
		return write_fixed_wide(out, minus, q, decimals, width);
	uint32_t whole = uint32_t(q) / tens[decimals];
	uint32_t frac = uint32_t(q) - whole * tens[decimals];
	int n = 1;
	while (n < 10 && whole >= tens[n])
		n++;
	int len = n + 1 + decimals + minus;
	int total = width > len ? width : len;
	/* volatile: a few byte stores, not a memset call */
	volatile char *pad = out;
	for (int i = 0; i < total - len; i++)
		pad[i] = ' ';
	char *p = out + total;
	if (decimals == 4) {   /* the JSON numbers and the text frequencies */
		p -= 4;
		memcpy(p, pairs.c + 2 * (frac / 100), 2);
		memcpy(p + 2, pairs.c + 2 * (frac % 100), 2);
	} else {
		for (int i = 0; i < decimals; i++, frac /= 10)
			*--p = char('0' + frac % 10);
	}
	*--p = '.';
	p = put_digits(p, whole);
	if (minus)
		*--p = '-';
	return total;
}

/* Writes v as printf("%*.*f", width, decimals, v) would, to out (at least 40
 * bytes), and returns its length; returns -1, writing nothing, for 0 or more
 * than 4 decimals, a non-finite v, or |v| * 10^decimals >= 2^50: the caller
 * lets printf do those.
 * Integers only: the router has no FPU, and a double operation there is a
 * library call. |v| = m * 2^e exactly, so |v| * 10^d = (m * 5^d) * 2^(e + d),
 * with m * 5^d below 2^63; printf rounds that exact value half to even. */
int format_fixed(char *out, double v, int decimals, int width)
{
	if (decimals < 1 || decimals > 4)
		return -1;
	uint64_t bits;
	memcpy(&bits, &v, sizeof(bits));
	bool minus = bits >> 63;   /* printf keeps the sign of -0.0 and of -0.04 */
	int biased = int(bits >> 52 & 0x7ff);
	uint64_t m = bits & ((uint64_t(1) << 52) - 1);
	if (biased == 0x7ff)
		return -1;
	if (biased)
		m |= uint64_t(1) << 52;
	else
		biased = 1;   /* subnormal */
	uint64_t scaled = m * fives[decimals];
	int shift = 1075 - biased - decimals;   /* |v| * 10^d = scaled / 2^shift */

	uint64_t q;
	if (shift <= 0) {   /* m has its top bit at 2^52: past the limit */
		return -1;
	} else if (shift >= 64) {
		q = 0;   /* scaled < 2^63: less than half a unit */
	} else {
		q = scaled >> shift;
		uint64_t rest = scaled & ((uint64_t(1) << shift) - 1);
		uint64_t half = uint64_t(1) << (shift - 1);
		if (rest > half || (rest == half && (q & 1)))
			q++;
	}
	if (q >= exact_limit)
		return -1;

	return write_fixed(out, minus, q, decimals, width);
}

int format_decimal(char *out, int64_t units, int decimals, int width)
{
	bool minus = units < 0;
	/* the magnitude of INT64_MIN too */
	uint64_t q = minus ? uint64_t(-(units + 1)) + 1 : uint64_t(units);
	return write_fixed(out, minus, q, decimals, width);
}
