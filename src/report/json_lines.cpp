// SPDX-License-Identifier: GPL-2.0-only
#include "report/watch_report.h"

#include <cstring>

#include <json-c/json.h>

#include "report/json_numbers.h"

/* A line is json-c's plain rendering of its object, made a piece at a time:
 * the object with an empty array rendered once, then each element of the
 * array rendered alone and put in its place, so that a frame of thousands
 * of bins never makes thousands of objects. The elements' values are made
 * once from a table and set again per element. */

/* An element's values, a letter each: c a count, t a figure to a tenth, q
 * a frequency in 1/128 MHz (as MHz); and their keys, each after the NUL
 * of the one before, or none for an array. Strings, not tables of
 * pointers, which a PIE would relocate at start. */
static const char bin_kinds[] = "qtttc";
static const char channel_kinds[] = "cccttt";
static const char channel_keys[] = "freq\0width\0records\0avg\0max\0duty";

union number {
	int64_t count;   /* c and q */
	double real;     /* t */
};

constexpr int max_fields = 6;
/* json-c's array with room for an element's values from the start */
constexpr int array_size = max_fields;

static bool add(json_object *to, const char *key, json_object *value)
{
	if (value && (key ? json_object_object_add(to, key, value) : json_object_array_add(to, value)) == 0)
		return true;
	json_object_put(value);
	return false;
}

static json_object *new_value(char kind)
{
	if (kind == 't')
		return with_serializer(json_object_new_double(0), tenths_to_json);
	json_object *o = json_object_new_int64(0);
	return kind == 'q' ? with_serializer(o, q7_to_json) : o;
}

static const char *plain(json_object *o, size_t *len)
{
	return json_object_to_json_string_length(o, JSON_C_TO_STRING_PLAIN, len);
}

/* Writes head's rendering but its closing "]}"; false if it does not end so. */
static bool open_line(FILE *out, json_object *head)
{
	size_t len;
	const char *text = plain(head, &len);
	return text && len >= 3 && memcmp(text + len - 3, "[]}", 3) == 0 &&
	       fwrite(text, 1, len - 2, out) == len - 2;
}

static bool put_element(FILE *out, json_object *element, bool first)
{
	size_t len;
	const char *text = plain(element, &len);
	return text && (first || fputc(',', out) != EOF) && fwrite(text, 1, len, out) == len;
}

/* Element i's numbers, in its fields' order. */
typedef void row_fn(const void *rows, int i, number *v);

static void bin_row(const void *rows, int i, number *v)
{
	const frame_bin &b = static_cast<const frame_bin *>(rows)[i];
	v[0].count = b.freq_q7;
	v[1].real = b.avg;
	v[2].real = b.max;
	v[3].real = duty_percent(b.over, b.samples);
	v[4].count = b.samples;
}

static void channel_row(const void *rows, int i, number *v)
{
	const channel_summary &c = static_cast<const channel_summary *>(rows)[i];
	v[0].count = c.center_khz / 1000;
	v[1].count = c.bandwidth_khz / 1000;
	v[2].count = int64_t(c.records);
	v[3].real = c.avg;
	v[4].real = c.max;
	v[5].real = c.duty;
}

/* head with the array added last, then the array's elements; head is
 * released here, ok false when it could not be made. */
static int print_line(FILE *out, json_object *head, bool ok, const char *array_key,
		      const char *kinds, const char *keys, row_fn *row, const void *rows, int count)
{
	json_object *values[max_fields];
	ok = ok && add(head, array_key, json_object_new_array_ext(array_size));
	int field_count = int(strlen(kinds));
	json_object *element = keys ? json_object_new_object() : json_object_new_array_ext(array_size);
	ok = ok && element;
	for (int k = 0; ok && k < field_count; k++) {
		ok = add(element, keys, values[k] = new_value(kinds[k]));
		if (keys)
			keys += strlen(keys) + 1;
	}
	ok = ok && open_line(out, head);
	for (int i = 0; ok && i < count; i++) {
		number v[max_fields];
		row(rows, i, v);
		for (int k = 0; k < field_count; k++) {
			if (kinds[k] == 't')
				json_object_set_double(values[k], v[k].real);
			else
				json_object_set_int64(values[k], v[k].count);
		}
		ok = put_element(out, element, i == 0);
	}
	ok = ok && fputs("]}\n", out) >= 0 && fflush(out) == 0;
	json_object_put(head);
	json_object_put(element);
	return ok && !ferror(out) ? 0 : -1;
}

int print_frame_json(FILE *out, const band_frame &f, const char *time)
{
	json_object *head = json_object_new_object();
	bool ok = head && add(head, "frame", json_object_new_int64(f.number)) &&
		  (!time || add(head, "time", json_object_new_string(time))) &&
		  add(head, "records", json_object_new_int64(f.records));
	return print_line(out, head, ok, "bins", bin_kinds, nullptr, bin_row, f.bins, f.bin_count);
}

int print_summary_json(FILE *out, const channel_summary *channels, int count)
{
	json_object *head = json_object_new_object();
	return print_line(out, head, head, "summary", channel_kinds, channel_keys, channel_row, channels, count);
}
