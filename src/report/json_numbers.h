/* SPDX-License-Identifier: GPL-2.0-only */
/* json-c serializers for the documents' numbers, the same digits whatever
 * json-c version prints them. */
#ifndef RFPEEK_JSON_NUMBERS_H
#define RFPEEK_JSON_NUMBERS_H

#include <json-c/json.h>

/* An int64 count of 100 Hz (bin_freq_units) as MHz to 4 decimals. */
int units_to_json(json_object *jso, printbuf *pb, int level, int flags);
/* An int64 count of 1/128 MHz (bin_freq_q7) as MHz to 4 decimals, as
 * printf's "%.4f" of the exact value. */
int q7_to_json(json_object *jso, printbuf *pb, int level, int flags);
/* A double to 1 decimal, as printf's "%.1f". */
int tenths_to_json(json_object *jso, printbuf *pb, int level, int flags);
/* o with serializer set; null stays null. */
json_object *with_serializer(json_object *o, json_object_to_json_string_fn *serializer);

#endif
