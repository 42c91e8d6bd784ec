// SPDX-License-Identifier: GPL-2.0-only
#include "report/report.h"

#include <cstring>

#include <json-c/json.h>
#include <json-c/printbuf.h>

#include "report/fixed_format.h"
#include "report/json_numbers.h"

/* The document's number format; the serializers below write the same digits. */
static const char number_format[] = "%.4f";
constexpr int number_decimals = 4;

/* Writes a double as the library would with number_format, without its
 * snprintf. */
static int number_to_json(json_object *jso, printbuf *pb, int level, int flags)
{
	char text[64];
	int n = format_fixed(text, json_object_get_double(jso), number_decimals, 0);
	if (n < 0 || (flags & JSON_C_TO_STRING_NOZERO))
		return json_object_double_to_json_string(jso, pb, level, flags);
	/* -1 when the buffer could not grow: json-c then gives no document */
	return printbuf_memappend(pb, text, n);
}

/* json-c takes a null child without complaint: a failed allocation must not
 * turn into a "null" in the document. */
static bool array_add(json_object *array, json_object *value)
{
	if (value && json_object_array_add(array, value) == 0)
		return true;
	json_object_put(value);
	return false;
}

static bool member_add(json_object *obj, const char *key, json_object *value)
{
	if (value && json_object_object_add(obj, key, value) == 0)
		return true;
	json_object_put(value);
	return false;
}

/* Pairs rendered by one call of json-c: few objects to make, few calls. */
constexpr int pairs_per_chunk = 32;

/* The document is json-c's pretty layout of
 *   {"scan_channels": [channel, ...], "scan_results": [[MHz, dBm], ...]}
 * made a piece at a time, so that neither the tree nor its text is ever
 * whole in memory (16384 pairs were 4.7 MB of heap). json-c renders each
 * record's channel object, and each run of up to pairs_per_chunk pairs, as
 * the one array of a one-member object of the same name: the same depth,
 * so the same indentation, as in the document. The array's elements are cut
 * out of that text and joined the way json-c joins array elements. */
struct json_frame {
	json_object *channels_root;   /* {"scan_channels": [channel]} */
	json_object *freq, *rssi, *noise;
	json_object *results_root;    /* {"scan_results": [pairs...]} */
	json_object *results;
	int shown;                    /* pairs now in results */
	json_object *pairs[pairs_per_chunk];   /* one reference each of our own */
	json_object *pair_freq[pairs_per_chunk], *pair_power[pairs_per_chunk];
};

static const char channels_head[] = "{\n  \"scan_channels\": [";
static const char results_head[] = "{\n  \"scan_results\": [";
static const char array_tail[] = "\n  ]\n}";

/* Every object made is owned by a root (freed by free_frame) or dropped at once. */
static bool make_channel(json_frame *f)
{
	f->channels_root = json_object_new_object();
	if (!f->channels_root)
		return false;
	json_object *list = json_object_new_array_ext(1);
	if (!member_add(f->channels_root, "scan_channels", list))
		return false;
	json_object *ch = json_object_new_object();
	return array_add(list, ch) &&
	       member_add(ch, "freq", f->freq = with_serializer(json_object_new_int64(0), units_to_json)) &&
	       member_add(ch, "rssi", f->rssi = json_object_new_int(0)) &&
	       member_add(ch, "noise", f->noise = json_object_new_int(0));
}

static bool make_pairs(json_frame *f)
{
	f->results_root = json_object_new_object();
	if (!f->results_root)
		return false;
	f->results = json_object_new_array_ext(pairs_per_chunk);
	if (!member_add(f->results_root, "scan_results", f->results))
		return false;
	for (int k = 0; k < pairs_per_chunk; k++) {
		json_object *pair = f->pairs[k] = json_object_new_array_ext(2);
		if (!pair ||
		    !array_add(pair, f->pair_freq[k] = with_serializer(json_object_new_int64(0), units_to_json)) ||
		    !array_add(pair, f->pair_power[k] = with_serializer(json_object_new_double(0), number_to_json)))
			return false;
	}
	return true;
}

static void free_frame(json_frame *f)
{
	json_object_put(f->channels_root);
	json_object_put(f->results_root);
	for (int k = 0; k < pairs_per_chunk && f->pairs[k]; k++)
		json_object_put(f->pairs[k]);
}

/* The text between head and array_tail of root's rendering: the array's
 * elements, each after "\n" and its indentation, with "," between them.
 * Null when the rendering failed or is not laid out that way. */
static const char *elements(json_object *root, const char *head, size_t *len)
{
	size_t text_len;
	const char *text = json_object_to_json_string_length(root,
		JSON_C_TO_STRING_PRETTY | JSON_C_TO_STRING_SPACED, &text_len);
	size_t head_len = strlen(head), tail_len = sizeof(array_tail) - 1;
	if (!text || text_len < head_len + tail_len || memcmp(text, head, head_len) != 0 ||
	    memcmp(text + text_len - tail_len, array_tail, tail_len) != 0)
		return nullptr;
	*len = text_len - head_len - tail_len;
	return text + head_len;
}

/* The pairs array holds exactly n pairs. */
static bool show_pairs(json_frame *f, int n)
{
	if (f->shown > n) {
		if (json_object_array_del_idx(f->results, size_t(n), size_t(f->shown - n)) != 0)
			return false;
		f->shown = n;
	}
	for (; f->shown < n; f->shown++)
		if (json_object_array_add(f->results, json_object_get(f->pairs[f->shown])) != 0) {
			json_object_put(f->pairs[f->shown]);
			return false;
		}
	return true;
}

static bool write_channels(FILE *out, json_frame *f, const spectrum_record *records, int count)
{
	for (int i = 0; i < count; i++) {
		json_object_set_int64(f->freq, records[i].center_khz * freq_units_per_khz);
		json_object_set_int(f->rssi, records[i].rssi);
		json_object_set_int(f->noise, records[i].noise);
		size_t len;
		const char *text = elements(f->channels_root, channels_head, &len);
		if (!text || (i && fputc(',', out) == EOF) || fwrite(text, 1, len, out) != len)
			return false;
	}
	return true;
}

/* Renders the first n pairs of the chunk and writes them, after a ',' when
 * pairs were written before. */
static bool write_chunk(FILE *out, json_frame *f, int n, bool *any)
{
	size_t len;
	const char *text;
	if (!show_pairs(f, n) || !(text = elements(f->results_root, results_head, &len)) ||
	    (*any && fputc(',', out) == EOF) || fwrite(text, 1, len, out) != len)
		return false;
	*any = true;
	return true;
}

/* The bins of every record, in order, one chunk of pairs after another. */
static bool write_results(FILE *out, json_frame *f, const spectrum_record *records, int count)
{
	bool any = false;
	int n = 0;
	for (int i = 0; i < count; i++) {
		const spectrum_record &r = records[i];
		for (int k = 0; k < r.num_bins && k < max_bins; k++) {
			json_object_set_int64(f->pair_freq[n], bin_freq_units(r, k));
			json_object_set_double(f->pair_power[n], r.bins[k]);
			if (++n == pairs_per_chunk) {
				if (!write_chunk(out, f, n, &any))
					return false;
				n = 0;
			}
		}
	}
	return n == 0 || write_chunk(out, f, n, &any);
}

int print_json_report(FILE *out, const spectrum_record *records, int count)
{
	json_c_set_serialization_double_format(number_format, JSON_C_OPTION_GLOBAL);
	json_frame f = {};
	bool ok = make_channel(&f) && make_pairs(&f);
	/* An empty array is "[", a newline and the closing indentation, as
	 * json-c 0.16 prints it (later versions print "[]"). */
	ok = ok && fputs(channels_head, out) >= 0 && write_channels(out, &f, records, count) &&
	     fputs("\n  ],\n  \"scan_results\": [", out) >= 0 &&
	     write_results(out, &f, records, count) && fputs("\n  ]\n}\n", out) >= 0;
	free_frame(&f);
	return ok && !ferror(out) ? 0 : -1;
}
