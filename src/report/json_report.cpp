#include "report/report.h"

#include <json-c/json.h>
#include <json-c/printbuf.h>

#include "report/fixed_format.h"

/* The document's number format; number_to_json writes the same digits. */
static const char number_format[] = "%.4f";
constexpr int number_decimals = 4;

/* Writes a double as the library would with number_format, without its
 * snprintf: 60% of the report's instructions went there. */
static int number_to_json(json_object *jso, printbuf *pb, int level, int flags)
{
	char text[64];
	int n = format_fixed(text, json_object_get_double(jso), number_decimals, 0);
	if (n < 0 || (flags & JSON_C_TO_STRING_NOZERO))
		return json_object_double_to_json_string(jso, pb, level, flags);
	/* -1 when the buffer could not grow: json-c then gives no document */
	return printbuf_memappend(pb, text, n);
}

static json_object *new_number(double v)
{
	json_object *o = json_object_new_double(v);
	if (o)   /* no user data: nothing is allocated */
		json_object_set_serializer(o, number_to_json, nullptr, nullptr);
	return o;
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

static json_object *channel_object(const spectrum_record &r)
{
	json_object *ch = json_object_new_object();

	if (ch && member_add(ch, "freq", new_number(r.center_khz / 1000.0)) &&
	    member_add(ch, "rssi", json_object_new_int(r.rssi)) &&
	    member_add(ch, "noise", json_object_new_int(r.noise)))
		return ch;
	json_object_put(ch);
	return nullptr;
}

/* freq is a new reference, or null if it could not be made. */
static json_object *bin_pair(json_object *freq, double power)
{
	json_object *pair = json_object_new_array_ext(2);

	if (pair && array_add(pair, freq) && array_add(pair, new_number(power)))
		return pair;
	if (!pair)
		json_object_put(freq);
	json_object_put(pair);
	return nullptr;
}

/* The record before i with the same bin frequencies, or -1. */
static int same_bins_before(const spectrum_record *records, int i)
{
	for (int j = i - 1; j >= 0; j--)
		if (records[j].center_khz == records[i].center_khz &&
		    records[j].num_bins == records[i].num_bins)
			return j;
	return -1;
}

static bool fill_arrays(json_object *channels, json_object *results,
			const spectrum_record *records, int count)
{
	int first_pair[max_records];   /* index in results of each record's bin 0 */
	int pairs = 0;

	for (int i = 0; i < count; i++) {
		const spectrum_record &r = records[i];
		if (!array_add(channels, channel_object(r)))
			return false;
		/* Captures repeat a few channels: a record shares the frequency
		 * numbers of an earlier one on its channel instead of new ones. */
		int same = same_bins_before(records, i);
		first_pair[i] = pairs;
		for (int k = 0; k < r.num_bins; k++) {
			json_object *freq;
			if (same >= 0)
				freq = json_object_get(json_object_array_get_idx(
					json_object_array_get_idx(results, size_t(first_pair[same] + k)), 0));
			else
				freq = new_number(bin_freq_mhz(r, k));
			if (!array_add(results, bin_pair(freq, r.bins[k])))
				return false;
		}
		pairs += r.num_bins;
	}
	return true;
}

static json_object *build_document(const spectrum_record *records, int count)
{
	int total_bins = 0;
	for (int i = 0; i < count; i++)
		total_bins += records[i].num_bins;

	json_object *root = json_object_new_object();
	if (!root)
		return nullptr;
	/* Arrays made at their final size: no regrowth for 16384 bins. */
	json_object *channels = json_object_new_array_ext(count);
	json_object *results = json_object_new_array_ext(total_bins);
	/* both adds run, so both arrays end up owned by root or freed */
	bool built = member_add(root, "scan_channels", channels);
	built = member_add(root, "scan_results", results) && built;
	if (built && fill_arrays(channels, results, records, count))
		return root;
	json_object_put(root);
	return nullptr;
}

/* json-c 0.17 and later print an empty array as "[]", 0.16 on two lines:
 * the one document with empty arrays is written here, as 0.16 does. */
static const char empty_document[] =
	"{\n  \"scan_channels\": [\n  ],\n  \"scan_results\": [\n  ]\n}\n";

int print_json_report(FILE *out, const spectrum_record *records, int count)
{
	if (count <= 0) {
		fputs(empty_document, out);
		return ferror(out) ? -1 : 0;
	}
	json_c_set_serialization_double_format(number_format, JSON_C_OPTION_GLOBAL);
	json_object *root = build_document(records, count);
	if (!root)
		return -1;
	const char *text = json_object_to_json_string_ext(root,
		JSON_C_TO_STRING_PRETTY | JSON_C_TO_STRING_SPACED);
	if (text)
		fprintf(out, "%s\n", text);
	json_object_put(root);
	return text && !ferror(out) ? 0 : -1;
}
