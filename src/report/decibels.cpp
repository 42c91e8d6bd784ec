// SPDX-License-Identifier: GPL-2.0-only
#include "report/decibels.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "rfpeek_limits.h"

/* The tables are made by the compiler, so nothing is computed at run time
 * but a lookup and a few products. */

constexpr double series_exp(double x)
{
	double sum = 1, term = 1;
	for (int k = 1; k < 40; k++) {
		term *= x / k;
		sum += term;
	}
	return sum;
}

/* ln(1 + x) = 2 atanh(x / (2 + x)), for 0 <= x <= 1 */
constexpr double series_ln1p(double x)
{
	double y = x / (2 + x), y2 = y * y, term = y, sum = 0;
	for (int k = 0; k < 40; k++) {
		sum += term / (2 * k + 1);
		term *= y2;
	}
	return 2 * sum;
}

constexpr double ln10 = 2.30258509299404568402;
constexpr double db_per_ln = 10 / ln10;               /* 10 log10(e) */
constexpr double db_per_octave = 3.01029995663981195214;

/* The decades from_tenths_db meets: the driver's rssi and noise are int8,
 * the argument at most threshold - rssi - noise or rssi + noise. */
constexpr int min_tenths = min_threshold_dbm - 2 * INT8_MAX;
constexpr int max_tenths = max_threshold_dbm - 2 * INT8_MIN;
constexpr int floor_div10(int v)
{
	return v >= 0 ? v / 10 : -((9 - v) / 10);
}
constexpr int low_decade = floor_div10(min_tenths);
constexpr int high_decade = floor_div10(max_tenths);

/* 10^(r/10) for r 0..9, and 10^k for k low_decade..high_decade, each power
 * from the one nearer zero by a product (or quotient) of 10 */
struct pow10_tables {
	double tenth[10];
	double decade[high_decade - low_decade + 1];
};

constexpr pow10_tables make_pow10()
{
	pow10_tables t = {};
	for (int r = 0; r < 10; r++)
		t.tenth[r] = series_exp(r * ln10 / 10);
	double up = 1, down = 1;
	for (int k = 0; k <= high_decade || -k >= low_decade; k++) {
		if (k <= high_decade)
			t.decade[k - low_decade] = up;
		if (-k >= low_decade)
			t.decade[-k - low_decade] = down;
		up *= 10;
		down /= 10;
	}
	return t;
}

static constexpr pow10_tables powers_of_ten = make_pow10();

double from_tenths_db(int tenths)
{
	int k = floor_div10(tenths);
	double v = powers_of_ten.tenth[tenths - 10 * k];
	/* beyond the table (no bin comes near): a block of decades at a time */
	for (; k > high_decade; k -= high_decade)
		v *= powers_of_ten.decade[high_decade - low_decade];
	for (; k < low_decade; k -= low_decade)
		v *= powers_of_ten.decade[0];
	return v * powers_of_ten.decade[k - low_decade];
}

/* Decibels in fixed point, 32 fractional bits: integers only, a few
 * 32 x 32 bit products. 10 log10(1 + i/64) and 2^32 / (1 + i/64) for the
 * mantissa's first six bits; the decibels below 3 dB, so their low 32 bits
 * are kept and the whole dB come from where the table passes 1 and 2 dB. */
constexpr int steps = 64;
constexpr double q32 = 4294967296.0;
struct log_tables {
	uint32_t db_low[steps];
	uint32_t inverse[steps];
	int one_db, two_db;   /* the first steps at 1 and 2 dB */
};

constexpr int64_t db_step(int i)
{
	return int64_t(db_per_ln * series_ln1p(double(i) / steps) * q32 + 0.5);
}

constexpr log_tables make_log()
{
	log_tables t = {};
	t.one_db = t.two_db = steps;
	for (int i = steps - 1; i >= 0; i--) {
		int64_t db = db_step(i);
		t.db_low[i] = uint32_t(db);
		t.inverse[i] = uint32_t(q32 / (1 + double(i) / steps) - 0.5);
		if (db >= int64_t(1) << 32)
			t.one_db = i;
		if (db >= int64_t(2) << 32)
			t.two_db = i;
	}
	return t;
}

static constexpr log_tables logs = make_log();
static_assert(db_step(steps - 1) < int64_t(3) << 32, "the steps stay below 3 dB");
static_assert(db_octave_q32 == int64_t(db_per_octave * q32 + 0.5), "10 log10(2) in 2^-32 dB");
constexpr uint64_t db_per_ln_q32 = uint64_t(db_per_ln * q32 + 0.5);

static uint32_t mul_q32(uint32_t a, uint32_t b)
{
	return uint32_t((uint64_t(a) * b) >> 32);
}

int64_t db_q32(uint64_t v)
{
	int n = 63 - __builtin_clzll(v);
	uint64_t x = v << (63 - n);   /* 1.xxx in units of 2^-63 */
	int i = int(x >> 57) & (steps - 1);
	/* x = (1 + i/64)(1 + t), t < 1/64 */
	uint32_t rest = uint32_t((x & ((uint64_t(1) << 57) - 1)) >> 31);
	uint32_t t = mul_q32(rest, logs.inverse[i]);
	uint32_t t2 = mul_q32(t, t), t3 = mul_q32(t2, t), t4 = mul_q32(t3, t);
	/* ln(1 + t) to t^4: the next term is below 2e-10 */
	int64_t ln1p = int64_t(t) - t2 / 2 + t3 / 3 - t4 / 4;
	int64_t db_i = int64_t((i >= logs.one_db) + (i >= logs.two_db)) << 32 | logs.db_low[i];
	return n * db_octave_q32 + db_i + int64_t((uint64_t(ln1p) * db_per_ln_q32) >> 32);
}

double db_of(double x)
{
	uint64_t bits;
	memcpy(&bits, &x, sizeof(bits));
	int biased = int(bits >> 52) & 0x7ff;
	if (biased == 0 || biased == 0x7ff || x < 0)
		return 10 * log10(x);
	uint64_t mantissa = (bits & ((uint64_t(1) << 52) - 1)) | uint64_t(1) << 52;
	return db_from_q32(db_q32(mantissa) + (biased - 1023 - 52) * db_octave_q32);
}

double db_from_q32(int64_t db)
{
	return double(db) * (1 / q32);
}
