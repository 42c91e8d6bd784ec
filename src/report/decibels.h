/* SPDX-License-Identifier: GPL-2.0-only */
/* Decibels and back for the watch's figures, at a fraction of libm's cost
 * on the router's soft float (a log10 there is ~6,000 instructions). */
#ifndef RFPEEK_DECIBELS_H
#define RFPEEK_DECIBELS_H

#include <cstdint>

/* 10^(tenths/10): exact to a few ulp, from two small tables. */
double from_tenths_db(int tenths);
/* 10 log10(x) of a positive finite x, within 1e-7 dB (the rounding of
 * 10 log10(2) times the exponent; 1e-9 dB near 1). */
double db_of(double x);
/* 10 log10(v) of a non-zero v, in units of 2^-32 dB: integers only. */
int64_t db_q32(uint64_t v);
/* Those units as dB; and 10 log10(2) in them. */
double db_from_q32(int64_t db);
constexpr int64_t db_octave_q32 = 12929139865;   /* 10 log10(2) * 2^32 */

#endif
