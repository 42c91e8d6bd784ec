// SPDX-License-Identifier: GPL-2.0-only
/* Writes the reports that rfpeek-plot's tests read, through rfpeek's own JSON
 * writer, and a watch's JSON lines through its line writer, plus
 * manifest.json telling the tests what each file holds (record centres, bin
 * counts and ath10k's sampled widths, the tone's frequency), so they never
 * guess.
 *
 * usage: make_plot_fixtures OUTDIR */
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <utime.h>

#include "report/report.h"
#include "report/watch_report.h"

namespace {

constexpr double floor_dbm = -95.0;

struct tone {
	double mhz;
	double dbm;
};

struct fixture {
	std::string name;          /* path under OUTDIR */
	std::vector<spectrum_record> records;
	double tone_mhz;           /* NAN: no tone */
	time_t mtime;              /* 0: leave as written */
};

/* A .jsonl fixture is a watch's lines, a frame per record. */
bool is_watch(const fixture &f)
{
	const std::string suffix = ".jsonl";
	return f.name.size() > suffix.size() &&
	       f.name.compare(f.name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

/* Fixed seed: the same bytes on every run, so a failure can be replayed. */
uint32_t lcg = 20240601u;

double ripple()
{
	lcg = lcg * 1664525u + 1013904223u;
	return double((lcg >> 8) % 2001u) / 1000.0 - 1.0;   /* -1 .. 1 */
}

/* A noise floor with ripple; the tone fills its bin and, 15 dB down, the
 * two beside it, so a peak one bin off cannot pass for it. */
void fill_bins(spectrum_record &r, const tone *t, double raise_db)
{
	const double bin_mhz = r.sampled_mhz ? double(r.sampled_mhz) / r.num_bins
					     : bin_width_hz / 1e6;
	for (int k = 0; k < r.num_bins; k++) {
		r.bins[k] = floor_dbm + raise_db + 1.5 * ripple();
		if (!t)
			continue;
		double off_bins = (bin_freq_mhz(r, k) - t->mhz) / bin_mhz;
		if (std::fabs(off_bins) < 1e-6)
			r.bins[k] = t->dbm;
		else if (std::fabs(std::fabs(off_bins) - 1.0) < 1e-6)
			r.bins[k] = t->dbm - 15.0;
	}
}

spectrum_record make_record(int center_mhz, int num_bins, int8_t rssi, int8_t noise,
			    const tone *t, double raise_db = 0.0)
{
	spectrum_record r{};
	r.bandwidth_khz = num_bins == ht40_bins ? 40000 : 20000;
	r.center_khz = center_mhz * 1000;
	r.rssi = rssi;
	r.noise = noise;
	r.num_bins = num_bins;
	fill_bins(r, t, raise_db);
	return r;
}

/* ath10k: num_bins spanning sampled_mhz (22, 44, 88 for 20, 40, 80 MHz). */
spectrum_record make_ath10k_record(int center_mhz, int sampled_mhz, int num_bins,
				   int16_t rssi, int16_t noise, const tone *t)
{
	spectrum_record r{};
	r.bandwidth_khz = ath10k_channel_khz(sampled_mhz);
	r.center_khz = center_mhz * 1000;
	r.rssi = rssi;
	r.noise = noise;
	r.sampled_mhz = uint8_t(sampled_mhz);
	r.num_bins = num_bins;
	fill_bins(r, t, 0.0);
	return r;
}

/* One frame per record, its bins as the watch writes them (a frame of one
 * channel: nothing to merge), one second apart; the max 6 dB over the avg,
 * 12 samples each; then the summary, a line per centre (its avg nominal). */
int write_watch(FILE *out, const std::vector<spectrum_record> &records)
{
	static band_frame frame;
	std::vector<channel_summary> channels;
	for (size_t i = 0; i < records.size(); i++) {
		const spectrum_record &r = records[i];
		frame = band_frame{};
		frame.number = int(i) + 1;
		frame.records = 12;
		frame.bin_count = r.num_bins;
		frame.bin_q7 = bin_spacing_q7(r.num_bins, r.sampled_mhz);
		for (int k = 0; k < r.num_bins; k++)
			frame.bins[k] = frame_bin{bin_freq_q7(r.center_khz, r.num_bins, r.sampled_mhz, k),
						  r.bins[k] - 6.0, r.bins[k], 12, 0};
		char time[32];
		snprintf(time, sizeof time, "2026-12-09T12:00:%02d.000Z", int(i % 59) + 1);
		if (print_frame_json(out, frame, time) < 0)
			return -1;
		if (channels.empty() || channels.back().center_khz != r.center_khz)
			channels.push_back({r.center_khz, r.bandwidth_khz, 0, floor_dbm, -HUGE_VAL, 0.0});
		channel_summary &c = channels.back();
		c.records += 12;
		for (int k = 0; k < r.num_bins; k++)
			c.max = std::fmax(c.max, r.bins[k]);
	}
	return print_summary_json(out, channels.data(), int(channels.size()));
}

bool write_report(const std::string &dir, const fixture &f)
{
	std::string path = dir + "/" + f.name;
	FILE *out = fopen(path.c_str(), "w");
	if (!out) {
		fprintf(stderr, "make_plot_fixtures: %s: %s\n", path.c_str(), strerror(errno));
		return false;
	}
	int r = is_watch(f) ? write_watch(out, f.records)
			: print_json_report(out, f.records.data(), int(f.records.size()));
	if (fclose(out) != 0 || r < 0) {
		fprintf(stderr, "make_plot_fixtures: %s: write failed\n", path.c_str());
		return false;
	}
	if (f.mtime) {
		struct utimbuf times = {f.mtime, f.mtime};
		if (utime(path.c_str(), &times) != 0) {
			fprintf(stderr, "make_plot_fixtures: %s: %s\n", path.c_str(), strerror(errno));
			return false;
		}
	}
	return true;
}

void write_manifest_entry(FILE *m, const fixture &f, bool last)
{
	fprintf(m, "  \"%s\": {\"tone_mhz\": ", f.name.c_str());
	if (std::isnan(f.tone_mhz))
		fputs("null", m);
	else
		fprintf(m, "%.4f", f.tone_mhz);
	fputs(", \"records\": [", m);
	for (size_t i = 0; i < f.records.size(); i++)
		fprintf(m, "%s[%.4f, %d]", i ? ", " : "", f.records[i].center_khz / 1000.0,
			f.records[i].num_bins);
	fputs("], \"sampled_mhz\": [", m);
	for (size_t i = 0; i < f.records.size(); i++)
		fprintf(m, "%s%d", i ? ", " : "", f.records[i].sampled_mhz);
	fprintf(m, "]}%s\n", last ? "" : ",");
}

std::vector<fixture> build_fixtures()
{
	std::vector<fixture> all;

	/* A -F scan of 2.4 GHz: 2412, 2432, 2452 sit edge to edge (one unbroken
	 * run of bins), 2417 overlaps 2412, 2437 comes twice. */
	const tone t24 = {2440.125, -40.0};
	fixture band24 = {"band24.json", {}, t24.mhz, 0};
	const int centres24[] = {2412, 2432, 2452, 2417, 2437, 2437, 2462};
	for (int c : centres24)
		band24.records.push_back(make_record(c, full_20mhz_bins, int8_t(-60 + (c % 7)), -95, &t24));
	all.push_back(band24);

	/* 5 GHz, four channels edge to edge. */
	const tone t5 = {5207.5, -45.0};
	fixture band5 = {"band5.json", {}, t5.mhz, 0};
	for (int c : {5180, 5200, 5220, 5240})
		band5.records.push_back(make_record(c, full_20mhz_bins, -70, -97, &t5));
	all.push_back(band5);

	/* rfpeek -F all on a dual-band radio: both bands in one report. */
	const tone tdual = {5194.6875, -50.0};
	fixture dual = {"dualband.json", {}, tdual.mhz, 0};
	for (int c : {2412, 2432, 2452, 2472, 5180, 5200, 5220, 5500, 5520})
		dual.records.push_back(make_record(c, full_20mhz_bins, -65, -96, &tdual));
	all.push_back(dual);

	/* A current-channel capture: several samples of one channel. */
	const tone t1 = {2434.5, -52.0};
	fixture single = {"single.json", {}, t1.mhz, 0};
	for (int i = 0; i < 4; i++)
		single.records.push_back(make_record(2437, full_20mhz_bins, int8_t(-55 - i), -94, &t1));
	all.push_back(single);

	/* A capture that began with a 20/40 MHz sample: nothing completed, so
	 * 128-bin and 56-bin records mix. */
	const tone t40 = {2415.4375, -48.0};
	fixture ht40 = {"ht40.json", {}, t40.mhz, 0};
	ht40.records.push_back(make_record(2422, ht40_bins, -50, -95, &t40));
	ht40.records.push_back(make_record(2412, ht20_bins, -51, -95, &t40));
	ht40.records.push_back(make_record(2412, ht20_bins, -52, -95, &t40));
	ht40.records.push_back(make_record(2422, ht40_bins, -53, -95, &t40));
	all.push_back(ht40);

	/* An empty relay. */
	all.push_back({"empty.json", {}, NAN, 0});

	/* Reports taken 10 s apart: the tone stays put and changes strength, a
	 * weak carrier drifts up through 2412, one report has a wide burst on
	 * 2452 (strong, but under the tone). */
	const time_t start = 1767268800;   /* 2026-01-01 12:00:00 UTC */
	for (int i = 0; i < 8; i++) {
		const tone tw = {2440.125, -44.0 - 2.0 * (i % 3)};
		const tone drift = {2405.125 + 0.625 * i, -78.0};
		char name[64];
		snprintf(name, sizeof name, "waterfall/report%02d.json", i);
		fixture wf = {name, {}, tw.mhz, start + 10 * i};
		wf.records.push_back(make_record(2412, full_20mhz_bins, -70, -95, &drift));
		wf.records.push_back(make_record(2432, full_20mhz_bins, -48, -95, &tw));
		wf.records.push_back(make_record(2452, full_20mhz_bins, i == 5 ? -60 : -88, -95,
						 nullptr, i == 5 ? 25.0 : 0.0));
		all.push_back(wf);
	}

	/* ath10k on channel 36: 256 bins over 22 MHz (0.0859375 MHz apart,
	 * printed rounded to 4 decimals), rssi up to 255 as the driver gives it;
	 * and on the 80 MHz channel 5170-5250 MHz: 128 bins 0.6875 MHz apart. */
	const tone t10 = {5183.4375, -42.0};
	fixture ath10k20 = {"ath10k20.json", {}, t10.mhz, 0};
	for (int16_t rssi : {255, 40, 38})
		ath10k20.records.push_back(make_ath10k_record(5180, 22, 256, rssi, -96, &t10));
	all.push_back(ath10k20);

	const tone t80 = {5196.25, -47.0};
	fixture ath10k80 = {"ath10k80.json", {}, t80.mhz, 0};
	for (int16_t rssi : {30, 31})
		ath10k80.records.push_back(make_ath10k_record(5210, 88, 128, rssi, -98, &t80));
	all.push_back(ath10k80);

	/* Recordings of both drivers in one file: ath9k's 64 bins, ath10k's 256
	 * over the same channel, then 128 over 80 MHz. */
	fixture mixed = {"mixed.json", {}, t10.mhz, 0};
	mixed.records.push_back(make_record(5180, full_20mhz_bins, -60, -95, &t10));
	mixed.records.push_back(make_ath10k_record(5180, 22, 256, 35, -96, &t10));
	mixed.records.push_back(make_ath10k_record(5210, 88, 128, 30, -98, &t80));
	all.push_back(mixed);

	/* A watch on an ath10k radio whose channel widened: three frames of
	 * channel 36's 256 bins, then three of 5210's 128 over 80 MHz, each
	 * with a carrier. */
	fixture watch = {"watch_ath10k.jsonl", {}, NAN, 0};
	for (int i = 0; i < 3; i++)
		watch.records.push_back(make_ath10k_record(5180, 22, 256, 40, -96, &t10));
	for (int i = 0; i < 3; i++)
		watch.records.push_back(make_ath10k_record(5210, 88, 128, 30, -98, &t80));
	all.push_back(watch);
	return all;
}

}  // namespace

int main(int argc, char **argv)
{
	if (argc != 2) {
		fprintf(stderr, "usage: make_plot_fixtures OUTDIR\n");
		return 2;
	}
	const std::string dir = argv[1];
	for (const std::string &d : {dir, dir + "/waterfall"})
		if (mkdir(d.c_str(), 0755) != 0 && errno != EEXIST) {
			fprintf(stderr, "make_plot_fixtures: %s: %s\n", d.c_str(), strerror(errno));
			return 1;
		}

	const std::vector<fixture> all = build_fixtures();
	for (const fixture &f : all)
		if (!write_report(dir, f))
			return 1;

	const std::string manifest = dir + "/manifest.json";
	FILE *m = fopen(manifest.c_str(), "w");
	if (!m) {
		fprintf(stderr, "make_plot_fixtures: %s: %s\n", manifest.c_str(), strerror(errno));
		return 1;
	}
	fputs("{\n", m);
	for (size_t i = 0; i < all.size(); i++)
		write_manifest_entry(m, all[i], i + 1 == all.size());
	fputs("}\n", m);
	if (fclose(m) != 0)
		return 1;
	printf("make_plot_fixtures: %zu reports in %s\n", all.size(), dir.c_str());
	return 0;
}
