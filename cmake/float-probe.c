// SPDX-License-Identifier: GPL-2.0-only
/* Built with -mhard-float on purpose: the soft-float check must report it. */
double rfpeek_float_probe(double a, double b)
{
	return a * b + 1.0;
}
