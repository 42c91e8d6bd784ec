/* SPDX-License-Identifier: GPL-2.0-only */
/* One relay stream through decode, edge completion and both reports, with
 * every property the output must have. Shared by the libFuzzer harness and
 * the regression tests, so a crash input replays the same checks in ctest. */
#ifndef RFPEEK_FUZZ_PIPELINE_CHECK_H
#define RFPEEK_FUZZ_PIPELINE_CHECK_H

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <json-c/json.h>

#include "records_input.h"
#include "report/report.h"
#include "spectral/decode.h"
#include "spectral/edges.h"
#include "spectral/sample_format.h"

namespace pipeline_check {

inline std::string fail(const char *what, long a = 0, long b = 0)
{
	char buf[256];
	snprintf(buf, sizeof(buf), "%s (%ld, %ld)", what, a, b);
	return buf;
}

inline int total_bins(const spectrum_record *r, int count)
{
	int n = 0;
	for (int i = 0; i < count; i++)
		n += r[i].num_bins;
	return n;
}

inline std::string check_finite(const spectrum_record *r, int count, const char *stage)
{
	for (int i = 0; i < count; i++)
		for (int k = 0; k < r[i].num_bins; k++)
			if (!std::isfinite(r[i].bins[k]))
				return fail((std::string(stage) + ": bin not finite").c_str(), i, k);
	return "";
}

/* The driver's sums: squares of the shifted bytes, wrapping modulo 2^64. */
inline uint64_t reference_sum(const unsigned char *d, int n, unsigned max_exp)
{
	uint64_t sum = 0;
	for (int i = 0; i < n; i++) {
		uint64_t v = max_exp < 64 ? uint64_t(d[i]) << max_exp : 0;
		sum += v * v;
	}
	return sum;
}

inline bool same_bits(double a, double b)
{
	return memcmp(&a, &b, sizeof(double)) == 0;
}

/* The driver's FFT sizes the decoder takes from ath10k (64 to 256 bins). */
constexpr int ath10k_fewest_bins = 64, ath10k_most_bins = 256;

/* The power of a byte, worked out here from the driver's formula: its share
 * of the sum on top of rssi + noise; a byte of 0 counts as 1, and with no
 * sum or nothing left after the shift the bin is the noise. */
inline double reference_power(unsigned byte, unsigned max_exp, int rssi, int noise, uint64_t sum)
{
	uint64_t v = max_exp < 64 ? uint64_t(byte ? byte : 1) << max_exp : 0;
	if (sum == 0 || v == 0)
		return noise;
	return (double(rssi + noise) + 20 * log10(double(v))) - 10 * log10(double(sum));
}

/* A type-3 record's channel: the driver's 22, 44 and 88 MHz name the 20, 40
 * and 80 MHz channels; any other width stands for itself. */
inline int32_t reference_ath10k_khz(unsigned width)
{
	switch (width) {
	case 22: return 20000;
	case 44: return 40000;
	case 88: return 80000;
	default: return int32_t(width) * 1000;
	}
}

/* Compares r with a type-3 record of n bins: its fields, its bytes and every
 * bin against reference_power with the record's own sum. */
inline std::string check_ath10k_sample(const unsigned char *s, int n, const spectrum_record &r, int i)
{
	unsigned width = *WIRE_AT(s, wire_ath10k, chan_width_mhz);
	int freq1 = int(wire_be16(WIRE_AT(s, wire_ath10k, freq1)));
	int rssi = *WIRE_AT(s, wire_ath10k, rssi);
	int noise = int16_t(wire_be16(WIRE_AT(s, wire_ath10k, noise)));
	unsigned max_exp = *WIRE_AT(s, wire_ath10k, max_exp);
	const unsigned char *data = s + sizeof(wire_ath10k);
	if (r.bandwidth_khz != reference_ath10k_khz(width) || r.center_khz != freq1 * 1000 ||
	    r.num_bins != n || r.sampled_mhz != width || r.rssi != rssi || r.noise != noise)
		return fail("decoded ath10k record fields", i, r.center_khz);
	if (memcmp(r.magnitude, data, size_t(n)) != 0)
		return fail("decoded ath10k bytes differ", i);
	uint64_t sum = reference_sum(data, n, max_exp);
	for (int k = 0; k < n; k++)
		if (!same_bits(r.bins[k], reference_power(data[k], max_exp, rssi, noise, sum)))
			return fail("decoded ath10k bin differs from the driver's formula", i, k);
	return "";
}

/* Compares r with a sample decoded field by field, every bin from bin_power
 * with its half's rssi, noise and sum. */
inline std::string check_sample(const unsigned char *s, bool ht20, const spectrum_record &r, int i)
{
	int rssi[2], noise[2], freq, center, bins = ht20 ? ht20_bins : ht40_bins;
	unsigned max_exp;
	const unsigned char *data;
	if (ht20) {
		freq = int(wire_be16(WIRE_AT(s, wire_ht20, freq)));
		max_exp = *WIRE_AT(s, wire_ht20, max_exp);
		data = WIRE_AT(s, wire_ht20, data);
		rssi[0] = rssi[1] = int8_t(*WIRE_AT(s, wire_ht20, rssi));
		noise[0] = noise[1] = int8_t(*WIRE_AT(s, wire_ht20, noise));
		center = freq * 1000;
	} else {
		freq = int(wire_be16(WIRE_AT(s, wire_ht20_40, freq)));
		max_exp = *WIRE_AT(s, wire_ht20_40, max_exp);
		data = WIRE_AT(s, wire_ht20_40, data);
		rssi[0] = int8_t(*WIRE_AT(s, wire_ht20_40, lower_rssi));
		rssi[1] = int8_t(*WIRE_AT(s, wire_ht20_40, upper_rssi));
		noise[0] = int8_t(*WIRE_AT(s, wire_ht20_40, lower_noise));
		noise[1] = int8_t(*WIRE_AT(s, wire_ht20_40, upper_noise));
		bool plus = *WIRE_AT(s, wire_ht20_40, channel_type) == chan_ht40plus;
		center = (plus ? freq + 10 : freq - 10) * 1000;
	}
	if (r.bandwidth_khz != (ht20 ? 20000 : 40000) || r.center_khz != center ||
	    r.num_bins != bins || r.rssi != int8_t((rssi[0] + rssi[1]) / 2) ||
	    r.noise != int8_t((noise[0] + noise[1]) / 2))
		return fail("decoded record fields", i, r.center_khz);
	int half = ht20 ? bins : bins / 2;
	for (int h = 0; h * half < bins; h++) {
		uint64_t sum = reference_sum(data + h * half, half, max_exp);
		/* bin_power of each byte value once per half: the same arguments */
		double power[256];
		bool known[256] = {};
		for (int k = h * half; k < (h + 1) * half; k++) {
			if (!known[data[k]])
				power[data[k]] = bin_power(data[k], uint8_t(max_exp), rssi[h], noise[h], sum);
			known[data[k]] = true;
			if (!same_bits(r.bins[k], power[data[k]]))
				return fail("decoded bin differs from bin_power", i, k);
		}
	}
	return "";
}

/* decode_stream against the walk of the driver's format: which bytes make a
 * record, and every field and bin of it. */
inline std::string check_decode(const unsigned char *data, size_t len, spectrum_record *decoded,
				int *count_out)
{
	int count = decode_stream(data, len, decoded);
	*count_out = count;
	if (count < 0 || count > max_records || size_t(count) > len / sizeof(wire_ht20))
		return fail("record count out of range", count, long(len));
	size_t pos = 0;
	int i = 0;
	while (pos + sizeof(wire_tlv) <= len) {
		const unsigned char *s = data + pos;
		size_t rec_len = (sizeof(wire_tlv) + wire_be16(WIRE_AT(s, wire_tlv, length))) & 0xffff;
		if (rec_len == 0 || pos + rec_len > len || i == max_records)
			break;
		pos += rec_len;
		uint8_t type = *WIRE_AT(s, wire_tlv, type);
		bool ht20 = type == WIRE_HT20 && rec_len >= sizeof(wire_ht20);
		bool ht40 = type == WIRE_HT20_40 && rec_len >= sizeof(wire_ht20_40);
		/* ath10k: its bins fill the rest of the record; a width of 0
		 * would put every bin on freq1 */
		long a10k_bins = long(rec_len) - long(sizeof(wire_ath10k));
		bool ath10k = type == WIRE_ATH10K && a10k_bins >= ath10k_fewest_bins &&
			      a10k_bins <= ath10k_most_bins && *WIRE_AT(s, wire_ath10k, chan_width_mhz);
		if (!ht20 && !ht40 && !ath10k)
			continue;
		if (i >= count)
			return fail("sample not decoded", i, long(pos - rec_len));
		std::string err = ath10k ? check_ath10k_sample(s, int(a10k_bins), decoded[i], i)
					 : check_sample(s, ht20, decoded[i], i);
		if (!err.empty())
			return err;
		i++;
	}
	if (i != count)
		return fail("decoded more records than the stream holds", count, i);
	return check_finite(decoded, count, "decode");
}

/* floor(num / den) and the rest, den > 0. */
inline int64_t floor_div(int64_t num, int64_t den, int64_t *rest)
{
	int64_t q = num / den;
	if (q * den > num)
		q--;
	*rest = num - q * den;
	return q;
}

/* The MHz of bin k, for "%.4f" to print as it rounds the exact value (half
 * to even). ath9k's bins lie 312.5 kHz apart, on a multiple of 500 Hz;
 * ath10k's sampled_mhz / num_bins MHz apart, rounded here to 1/10000 MHz in
 * integers: 22 / 96 MHz and the like have no exact double. */
inline double reference_mhz(const spectrum_record &r, int k)
{
	if (!r.sampled_mhz)
		return double(bin_freq_hz(r, k)) / 1000000.0;
	int64_t rest;
	int64_t units = floor_div(int64_t(k - r.num_bins / 2) * r.sampled_mhz * 10000, r.num_bins, &rest);
	if (2 * rest > r.num_bins || (2 * rest == r.num_bins && units % 2 != 0))
		units++;
	/* the double nearest units / 10000 prints as those four decimals */
	return double(int64_t(r.center_khz) * 10 + units) / 10000.0;
}

/* What the report must print, from printf itself: the text report may
 * format numbers its own way but must match this byte for byte. */
inline std::string reference_text(const spectrum_record *r, int count)
{
	std::string out;
	char line[1024];   /* "%10.1f" of the largest double: 309 digits and more */
	for (int i = 0; i < count; i++) {
		snprintf(line, sizeof(line), "%d MHz  RSSI: %d dBm  Noise: %d dBm\n",
			 r[i].center_khz / 1000, r[i].rssi, r[i].noise);
		out += line;
	}
	out += '\n';
	for (int i = 0; i < count; i++)
		for (int k = 0; k < r[i].num_bins; k++) {
			snprintf(line, sizeof(line), "%10.4f  %10.1f\n", reference_mhz(r[i], k),
				 r[i].bins[k]);
			out += line;
		}
	return out;
}

/* Runs a report writer into memory. */
template <typename Writer>
inline bool capture_output(Writer write, std::string *text)
{
	char *buf = nullptr;
	size_t size = 0;
	FILE *f = open_memstream(&buf, &size);
	if (!f)
		abort();
	int r = write(f);
	fclose(f);
	text->assign(buf, size);
	free(buf);
	return r == 0;
}

inline std::string check_text(const spectrum_record *r, int count)
{
	std::string text;
	if (!capture_output([&](FILE *f) { return print_text_report(f, r, count); }, &text))
		return "text report failed";
	long lines = 0;
	for (char c : text)
		lines += c == '\n';
	long want = count + 1 + total_bins(r, count);
	if (lines != want || text.empty() || text.back() != '\n')
		return fail("text report line count", lines, want);
	if (text != reference_text(r, count))
		return "text report differs from printf";
	return "";
}

/* The document as json-c renders it when built the plain way: one new
 * double per number, serialised with "%.4f". The report must match it byte
 * for byte, however it builds or formats its numbers. */
inline std::string reference_json(const spectrum_record *r, int count)
{
	/* The one document json-c versions lay out differently (0.17 and
	 * later print an empty array as "[]"): rfpeek writes 0.16's. */
	if (count == 0)
		return "{\n  \"scan_channels\": [\n  ],\n  \"scan_results\": [\n  ]\n}\n";
	json_c_set_serialization_double_format("%.4f", JSON_C_OPTION_GLOBAL);
	json_object *root = json_object_new_object();
	/* arrays made at their size: the rendering does not depend on it */
	json_object *channels = json_object_new_array_ext(count);
	json_object *results = json_object_new_array_ext(total_bins(r, count));
	for (int i = 0; i < count; i++) {
		json_object *ch = json_object_new_object();
		json_object_object_add(ch, "freq", json_object_new_double(r[i].center_khz / 1000.0));
		json_object_object_add(ch, "rssi", json_object_new_int(r[i].rssi));
		json_object_object_add(ch, "noise", json_object_new_int(r[i].noise));
		json_object_array_add(channels, ch);
		for (int k = 0; k < r[i].num_bins; k++) {
			json_object *pair = json_object_new_array_ext(2);
			json_object_array_add(pair, json_object_new_double(reference_mhz(r[i], k)));
			json_object_array_add(pair, json_object_new_double(r[i].bins[k]));
			json_object_array_add(results, pair);
		}
	}
	json_object_object_add(root, "scan_channels", channels);
	json_object_object_add(root, "scan_results", results);
	std::string text = json_object_to_json_string_ext(root,
		JSON_C_TO_STRING_PRETTY | JSON_C_TO_STRING_SPACED);
	json_object_put(root);
	return text + "\n";
}

/* "%.4f" in the document: the parsed number is within half a unit of the 4th decimal. */
inline bool near4(json_object *o, double want)
{
	/* beyond what "%.4f" keeps exactly, or not a number at all: only the
	 * byte comparison with json-c's own rendering speaks for these */
	if (!std::isfinite(want) || std::fabs(want) >= 1e15)
		return o != nullptr;
	if (!o || !(json_object_is_type(o, json_type_double) || json_object_is_type(o, json_type_int)))
		return false;
	return std::fabs(json_object_get_double(o) - want) <= 0.00005 + 1e-12 * std::fabs(want);
}

inline std::string check_channels(json_object *channels, const spectrum_record *r, int count)
{
	if (!json_object_is_type(channels, json_type_array) ||
	    json_object_array_length(channels) != size_t(count))
		return fail("scan_channels length", long(json_object_array_length(channels)), count);
	for (int i = 0; i < count; i++) {
		json_object *ch = json_object_array_get_idx(channels, size_t(i));
		if (!json_object_is_type(ch, json_type_object) || json_object_object_length(ch) != 3)
			return fail("scan_channels entry shape", i);
		const char *keys[3] = {"freq", "rssi", "noise"};
		int n = 0;
		json_object_object_foreach(ch, key, val) {
			(void)val;
			if (strcmp(key, keys[n++]) != 0)
				return fail("scan_channels member order", i, n);
		}
		json_object *freq = json_object_object_get(ch, "freq");
		json_object *rssi = json_object_object_get(ch, "rssi");
		json_object *noise = json_object_object_get(ch, "noise");
		if (!near4(freq, r[i].center_khz / 1000.0))
			return fail("scan_channels freq", i, r[i].center_khz);
		if (!json_object_is_type(rssi, json_type_int) || json_object_get_int(rssi) != r[i].rssi ||
		    !json_object_is_type(noise, json_type_int) || json_object_get_int(noise) != r[i].noise)
			return fail("scan_channels rssi/noise", i);
	}
	return "";
}

inline std::string check_results(json_object *results, const spectrum_record *r, int count)
{
	size_t want = size_t(total_bins(r, count));
	if (!json_object_is_type(results, json_type_array) || json_object_array_length(results) != want)
		return fail("scan_results length", long(json_object_array_length(results)), long(want));
	size_t at = 0;
	for (int i = 0; i < count; i++)
		for (int k = 0; k < r[i].num_bins; k++, at++) {
			json_object *pair = json_object_array_get_idx(results, at);
			if (!json_object_is_type(pair, json_type_array) || json_object_array_length(pair) != 2)
				return fail("scan_results pair shape", i, k);
			if (!near4(json_object_array_get_idx(pair, 0), reference_mhz(r[i], k)))
				return fail("scan_results frequency", i, k);
			if (!near4(json_object_array_get_idx(pair, 1), r[i].bins[k]))
				return fail("scan_results power", i, k);
		}
	return "";
}

/* Doubles are written "%.4f": exactly four digits after every point. */
inline bool four_decimals(const std::string &text)
{
	for (size_t i = 0; i < text.size(); i++) {
		if (text[i] != '.')
			continue;
		size_t digits = 0;
		while (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9')
			i++, digits++;
		if (digits != 4)
			return false;
	}
	return true;
}

/* The document equals json-c's plain rendering; parsed: it also parses back
 * into the records' values (decoded ones: finite, four decimals). */
inline std::string check_json(const spectrum_record *r, int count, bool parsed = true)
{
	std::string text;
	if (!capture_output([&](FILE *f) { return print_json_report(f, r, count); }, &text))
		return "JSON report failed";
	if (text.size() < 2 || text.back() != '\n')
		return "JSON report does not end in a newline";
	if (parsed && !four_decimals(text))
		return "JSON number without four decimals";
	if (text != reference_json(r, count))
		return "JSON report differs from json-c's plain rendering";
	if (!parsed)
		return "";
	json_tokener *tok = json_tokener_new();
	if (!tok)
		abort();
	int body = int(text.size() - 1);
	json_object *root = json_tokener_parse_ex(tok, text.data(), body);
	bool whole = json_tokener_get_error(tok) == json_tokener_success &&
		     json_tokener_get_parse_end(tok) == size_t(body);
	json_tokener_free(tok);
	std::string err;
	if (!root || !whole) {
		err = "JSON report does not parse as one document";
	} else if (!json_object_is_type(root, json_type_object) || json_object_object_length(root) != 2) {
		err = "JSON root is not an object of two members";
	} else {
		int n = 0;
		json_object_object_foreach(root, key, val) {
			(void)val;
			if (strcmp(key, n++ ? "scan_results" : "scan_channels") != 0)
				err = "JSON root members out of order";
		}
		if (err.empty())
			err = check_channels(json_object_object_get(root, "scan_channels"), r, count);
		if (err.empty())
			err = check_results(json_object_object_get(root, "scan_results"), r, count);
	}
	json_object_put(root);
	return err;
}

/* Measured bins of a decoded 20 MHz record: the range its filled bins may
 * take, widened by the neighbour bin an interpolated edge draws towards. */
inline void span(const spectrum_record &r, double *lo, double *hi)
{
	*lo = *hi = r.bins[0];
	for (int k = 1; k < ht20_bins; k++) {
		*lo = std::fmin(*lo, r.bins[k]);
		*hi = std::fmax(*hi, r.bins[k]);
	}
}

inline bool is_ht20(const spectrum_record &r)
{
	return r.bandwidth_khz == 20000 && r.num_bins == ht20_bins;
}

/* `completed` tells whether the path completes the 20 MHz records at all. */
inline std::string check_completed(const spectrum_record *before, const spectrum_record *after,
				   int count, bool completed)
{
	for (int i = 0; i < count; i++) {
		if (!completed || !is_ht20(before[i])) {
			/* left whole: a 40 MHz record, or a path that completes nothing */
			if (memcmp(&before[i], &after[i], sizeof(spectrum_record)) != 0)
				return fail("record changed that is not completed", i, before[i].num_bins);
			continue;
		}
		if (after[i].num_bins != full_20mhz_bins)
			return fail("completed record without 64 bins", i, after[i].num_bins);
		/* the measured bins move, unchanged, to 4..59 */
		if (memcmp(after[i].bins + 4, before[i].bins, ht20_bins * sizeof(double)) != 0)
			return fail("measured bins changed by edge completion", i);
		double lo, hi;
		span(before[i], &lo, &hi);
		/* a 20 MHz neighbour may widen the range by its nearest bin */
		double llo = lo, lhi = hi, ulo = lo, uhi = hi;
		if (i > 0 && is_ht20(before[i - 1])) {
			llo = std::fmin(lo, before[i - 1].bins[ht20_bins - 1]);
			lhi = std::fmax(hi, before[i - 1].bins[ht20_bins - 1]);
		}
		if (i + 1 < count && is_ht20(before[i + 1])) {
			ulo = std::fmin(lo, before[i + 1].bins[0]);
			uhi = std::fmax(hi, before[i + 1].bins[0]);
		}
		for (int k = 0; k < 4; k++) {
			if (!(after[i].bins[k] >= llo && after[i].bins[k] <= lhi))
				return fail("lower filled bin outside the measured range", i, k);
			if (!(after[i].bins[60 + k] >= ulo && after[i].bins[60 + k] <= uhi))
				return fail("upper filled bin outside the measured range", i, 60 + k);
		}
	}
	return check_finite(after, count, "edges");
}

inline std::string check_reports(const spectrum_record *r, int count)
{
	std::string err = check_text(r, count);
	return err.empty() ? check_json(r, count) : err;
}

/* Decoding alone. */
inline std::string check_decode_input(const unsigned char *data, size_t len)
{
	static spectrum_buffer decoded;
	int count;
	return check_decode(data, len, decoded, &count);
}

/* The report harnesses take a few records: each costs its reference. */
constexpr int report_records = 4;

/* Edge completion looks at a record's two neighbours only: 16 records hold
 * every run of 20 and 40 MHz neighbours; more only make each run slower. */
constexpr int edge_records = 16;

/* Edge completion alone, on records as decoding hands them over. */
inline std::string check_edges_input(const unsigned char *data, size_t len)
{
	static spectrum_record before[edge_records], after[edge_records];
	int count = records_input::parse(data, len, before, edge_records, true);
	memcpy(after, before, sizeof(spectrum_record) * size_t(count));
	complete_edges(after, count);
	return check_completed(before, after, count, true);
}

inline std::string check_text_input(const unsigned char *data, size_t len)
{
	static spectrum_record records[report_records];
	int count = records_input::parse(data, len, records, report_records, false);
	return check_text(records, count);
}

inline std::string check_json_input(const unsigned char *data, size_t len)
{
	static spectrum_record records[report_records];
	int count = records_input::parse(data, len, records, report_records, false);
	/* any double: json-c's rendering of a huge one or a NaN does not parse
	 * back to it, and the pipeline harness parses decoded records */
	return check_json(records, count, false);
}

/* "" when the stream passes, else what went wrong. */
inline std::string check_pipeline(const unsigned char *data, size_t len)
{
	static spectrum_buffer decoded, current, chanscan;

	int count;
	std::string err = check_decode(data, len, decoded, &count);
	if (!err.empty())
		return err;
	size_t used = sizeof(spectrum_record) * size_t(count);

	/* current channel: its 20 MHz records completed only when the capture
	 * starts with one */
	memcpy(current, decoded, used);
	bool complete = count > 0 && current[0].bandwidth_khz == 20000;
	complete_current_channel(current, count);
	err = check_completed(decoded, current, count, complete);
	if (err.empty())
		err = check_reports(current, count);
	if (!err.empty())
		return "current channel: " + err;

	/* -F (with no plan filter): its 20 MHz records always completed */
	memcpy(chanscan, decoded, used);
	complete_edges(chanscan, count);
	err = check_completed(decoded, chanscan, count, true);
	/* the same records as above: their reports were checked already */
	if (complete && err.empty())
		return memcmp(chanscan, current, used) == 0
			       ? "" : "chanscan: completion differs from the current-channel one";
	if (err.empty())
		err = check_reports(chanscan, count);
	return err.empty() ? "" : "chanscan: " + err;
}

/* The harnesses' verdict: libFuzzer sees a failed check as a crash. */
inline int verdict(const char *harness, const std::string &err)
{
	if (!err.empty()) {
		fprintf(stderr, "%s check failed: %s\n", harness, err.c_str());
		abort();
	}
	return 0;
}

} // namespace pipeline_check

#endif
