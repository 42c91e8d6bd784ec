// SPDX-License-Identifier: GPL-2.0-only
#include "report/watch_report.h"

#include <cstring>

#include <json-c/json.h>

#include "report/fixed_format.h"
#include "report/json_numbers.h"

/* A line is json-c's plain rendering of its object, made a piece at a time:
 * the object with an empty array rendered once, then each element of the
 * array rendered alone and put in its place, so that a frame of thousands
 * of bins never makes thousands of objects. */

static bool add(json_object *to, const char *key, json_object *value)
{
	if (value && (key ? json_object_object_add(to, key, value) : json_object_array_add(to, value)) == 0)
		return true;
	json_object_put(value);
	return false;
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

static bool close_line(FILE *out)
{
	return fputs("]}\n", out) >= 0 && fflush(out) == 0;
}

struct bin_element {
	json_object *array, *freq, *avg, *max, *duty, *samples;
};

static bool make_bin_element(bin_element *e)
{
	e->array = json_object_new_array_ext(5);
	return e->array &&
	       add(e->array, nullptr, e->freq = with_serializer(json_object_new_int64(0), units_to_json)) &&
	       add(e->array, nullptr, e->avg = with_serializer(json_object_new_double(0), tenths_to_json)) &&
	       add(e->array, nullptr, e->max = with_serializer(json_object_new_double(0), tenths_to_json)) &&
	       add(e->array, nullptr, e->duty = with_serializer(json_object_new_double(0), tenths_to_json)) &&
	       add(e->array, nullptr, e->samples = json_object_new_int64(0));
}

static bool write_bins(FILE *out, const band_frame &f)
{
	bin_element e = {};
	bool ok = make_bin_element(&e);
	for (int i = 0; ok && i < f.bin_count; i++) {
		const frame_bin &b = f.bins[i];
		/* bins lie on 500 Hz steps */
		uint64_t units = uint64_t(b.freq_hz);
		divide_small(&units, 100);
		json_object_set_int64(e.freq, int64_t(units));
		json_object_set_double(e.avg, b.avg);
		json_object_set_double(e.max, b.max);
		json_object_set_double(e.duty, duty_percent(b.over, b.samples));
		json_object_set_int64(e.samples, b.samples);
		ok = put_element(out, e.array, i == 0);
	}
	json_object_put(e.array);
	return ok;
}

int print_frame_json(FILE *out, const band_frame &f, const char *time)
{
	json_object *head = json_object_new_object();
	bool ok = head && add(head, "frame", json_object_new_int(f.number)) &&
		  (!time || add(head, "time", json_object_new_string(time))) &&
		  add(head, "records", json_object_new_int(f.records)) &&
		  add(head, "bins", json_object_new_array()) && open_line(out, head) &&
		  write_bins(out, f) && close_line(out);
	json_object_put(head);
	return ok && !ferror(out) ? 0 : -1;
}

int print_summary_json(FILE *out, const channel_summary *channels, int count)
{
	json_object *head = json_object_new_object();
	json_object *ch = json_object_new_object();
	json_object *freq = nullptr, *width = nullptr, *records = nullptr, *avg = nullptr, *max = nullptr,
		    *duty = nullptr;
	bool ok = head && ch && add(head, "summary", json_object_new_array()) &&
		  add(ch, "freq", freq = json_object_new_int(0)) &&
		  add(ch, "width", width = json_object_new_int(0)) &&
		  add(ch, "records", records = json_object_new_int64(0)) &&
		  add(ch, "avg", avg = with_serializer(json_object_new_double(0), tenths_to_json)) &&
		  add(ch, "max", max = with_serializer(json_object_new_double(0), tenths_to_json)) &&
		  add(ch, "duty", duty = with_serializer(json_object_new_double(0), tenths_to_json)) &&
		  open_line(out, head);
	for (int i = 0; ok && i < count; i++) {
		const channel_summary &c = channels[i];
		json_object_set_int(freq, c.center_khz / 1000);
		json_object_set_int(width, c.bandwidth_khz / 1000);
		json_object_set_int64(records, int64_t(c.records));
		json_object_set_double(avg, c.avg);
		json_object_set_double(max, c.max);
		json_object_set_double(duty, c.duty);
		ok = put_element(out, ch, i == 0);
	}
	ok = ok && close_line(out);
	json_object_put(head);
	json_object_put(ch);
	return ok && !ferror(out) ? 0 : -1;
}
