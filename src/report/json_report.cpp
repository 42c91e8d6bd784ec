#include "report/report.h"

#include <json-c/json.h>

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

	if (ch && member_add(ch, "freq", json_object_new_double(r.center_khz / 1000.0)) &&
	    member_add(ch, "rssi", json_object_new_int(r.rssi)) &&
	    member_add(ch, "noise", json_object_new_int(r.noise)))
		return ch;
	json_object_put(ch);
	return nullptr;
}

static json_object *bin_pair(const spectrum_record &r, int k)
{
	json_object *pair = json_object_new_array_ext(2);

	if (pair && array_add(pair, json_object_new_double(bin_freq_mhz(r, k))) &&
	    array_add(pair, json_object_new_double(r.bins[k])))
		return pair;
	json_object_put(pair);
	return nullptr;
}

static bool fill_arrays(json_object *channels, json_object *results,
			const spectrum_record *records, int count)
{
	for (int i = 0; i < count; i++) {
		if (!array_add(channels, channel_object(records[i])))
			return false;
		for (int k = 0; k < records[i].num_bins; k++)
			if (!array_add(results, bin_pair(records[i], k)))
				return false;
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

int print_json_report(FILE *out, const spectrum_record *records, int count)
{
	json_c_set_serialization_double_format("%.4f", JSON_C_OPTION_GLOBAL);
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
