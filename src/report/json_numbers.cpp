// SPDX-License-Identifier: GPL-2.0-only
#include "report/json_numbers.h"

#include <cstdio>

#include <json-c/printbuf.h>

#include "report/fixed_format.h"
#include "spectral/spectrum_record.h"

/* Printed as "%.4f" prints the MHz double, with no double made. */
int units_to_json(json_object *jso, printbuf *pb, int, int)
{
	char text[64];
	int n = format_decimal(text, json_object_get_int64(jso), 4, 0);
	return printbuf_memappend(pb, text, n);
}

int q7_to_json(json_object *jso, printbuf *pb, int, int)
{
	char text[64];
	/* a 32-bit count over 128 is a double exactly, which format_fixed
	 * prints as printf does */
	double v = double(json_object_get_int64(jso)) / q7_per_mhz;
	int n = format_fixed(text, v, 4, 0);
	if (n < 0)   /* what format_fixed leaves to printf */
		n = snprintf(text, sizeof(text), "%.4f", v);
	return printbuf_memappend(pb, text, n);
}

int tenths_to_json(json_object *jso, printbuf *pb, int, int)
{
	char text[64];
	double v = json_object_get_double(jso);
	int n = format_fixed(text, v, 1, 0);
	if (n < 0)   /* what format_fixed leaves to printf */
		n = snprintf(text, sizeof(text), "%.1f", v);
	/* -1 when the buffer could not grow: json-c then gives no document */
	return printbuf_memappend(pb, text, n);
}

json_object *with_serializer(json_object *o, json_object_to_json_string_fn *serializer)
{
	if (o)   /* no user data: nothing is allocated */
		json_object_set_serializer(o, serializer, nullptr, nullptr);
	return o;
}
