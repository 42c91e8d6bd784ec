/* printf's "%*.*f" for the report's numbers at a fraction of its cost: the
 * reports print up to 32768 lines, and printf's exact decimal expansion of a
 * double costs thousands of instructions per number on the router. */
#include <cmath>
#include <cstdint>

#include "report/fixed_format.h"

/* Above this the scaled value keeps no fraction bits to round on. */
constexpr double exact_limit = 1125899906842624.0;   /* 2^50 */

static const double scales[] = {1, 10, 100, 1000, 10000};

/* Writes v as printf("%*.*f", width, decimals, v) would, to out (at least 40
 * bytes), and returns its length; returns -1, writing nothing, for 0 or more
 * than 4 decimals, a non-finite v, or |v| * 10^decimals >= 2^50: the caller
 * lets printf do those. */
int format_fixed(char *out, double v, int decimals, int width)
{
	if (decimals < 1 || decimals > 4)
		return -1;
	double scale = scales[decimals];
	double a = std::fabs(v);
	double p = a * scale;
	if (!(p < exact_limit))   /* NaN compares false too */
		return -1;

	/* a * scale = p + err exactly; round that exact value half to even,
	 * as printf rounds the exact binary value of v. */
	double err = std::fma(a, scale, -p);
	double whole = std::floor(p);
	double half = (p - whole) - 0.5;   /* exact: both are multiples of ulp(p) */
	uint64_t q = uint64_t(whole);
	if (half > 0 || (half == 0 && (err > 0 || (err == 0 && (q & 1)))))
		q++;

	char digits[24];
	int n = 0;
	if (q <= UINT32_MAX) {   /* no 64-bit division on 32-bit targets */
		uint32_t q32 = uint32_t(q);
		do {
			digits[n++] = char('0' + q32 % 10);
			q32 /= 10;
		} while (q32 || n <= decimals);
	} else {
		do {
			digits[n++] = char('0' + q % 10);
			q /= 10;
		} while (q || n <= decimals);
	}

	bool minus = std::signbit(v);   /* printf keeps the sign of -0.0 and of -0.04 */
	int len = n + 1 + minus;
	int o = 0;
	for (int pad = width - len; pad > 0; pad--)
		out[o++] = ' ';
	if (minus)
		out[o++] = '-';
	while (n > decimals)
		out[o++] = digits[--n];
	out[o++] = '.';
	while (n > 0)
		out[o++] = digits[--n];
	return o;
}
