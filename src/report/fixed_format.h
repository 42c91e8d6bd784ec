/* SPDX-License-Identifier: GPL-2.0-only */
/* printf's "%*.*f" for the reports' numbers, without printf's cost. */
#ifndef RFPEEK_FIXED_FORMAT_H
#define RFPEEK_FIXED_FORMAT_H

#include <cstdint>

/* Writes v as printf("%*.*f", width, decimals, v) would into out (at least
 * 40 bytes) and returns the length, or -1 (nothing written) for the values
 * it leaves to printf: 0 or more than 4 decimals, non-finite or huge v. */
int format_fixed(char *out, double v, int decimals, int width);
/* Writes units / 10^decimals (1 to 4 decimals) as printf("%*.*f") prints that
 * exact value, into out (at least 40 bytes), and returns the length. */
int format_decimal(char *out, int64_t units, int decimals, int width);
/* *q /= d (d below 2^16); returns the remainder. In 32-bit steps: on the
 * router's CPU a 64-bit division is a 2 KB library routine. */
uint32_t divide_small(uint64_t *q, uint32_t d);

#endif
