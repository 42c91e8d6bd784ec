// SPDX-License-Identifier: GPL-2.0-only
/* Writes the reports that rfpeek-plot's tests read, through rfpeek's own JSON
 * writer, plus manifest.json telling the tests what each report holds (record
 * centres and bin counts, the tone's frequency), so they never guess.
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

/* Fixed seed: the same bytes on every run, so a failure can be replayed. */
uint32_t lcg = 20240601u;

double ripple()
{
	lcg = lcg * 1664525u + 1013904223u;
	return double((lcg >> 8) % 2001u) / 1000.0 - 1.0;   /* -1 .. 1 */
}

/* A noise floor with ripple; the tone fills its bin and, 15 dB down, the
 * two beside it, so a peak one bin off cannot pass for it. */
spectrum_record make_record(int center_mhz, int num_bins, int8_t rssi, int8_t noise,
			    const tone *t, double raise_db = 0.0)
{
	spectrum_record r{};
	r.bandwidth_khz = num_bins == ht40_bins ? 40000 : 20000;
	r.center_khz = center_mhz * 1000;
	r.rssi = rssi;
	r.noise = noise;
	r.num_bins = num_bins;
	for (int k = 0; k < num_bins; k++) {
		r.bins[k] = floor_dbm + raise_db + 1.5 * ripple();
		if (!t)
			continue;
		double off_bins = (bin_freq_mhz(r, k) - t->mhz) * 1e6 / bin_width_hz;
		if (std::fabs(off_bins) < 1e-6)
			r.bins[k] = t->dbm;
		else if (std::fabs(std::fabs(off_bins) - 1.0) < 1e-6)
			r.bins[k] = t->dbm - 15.0;
	}
	return r;
}

bool write_report(const std::string &dir, const fixture &f)
{
	std::string path = dir + "/" + f.name;
	FILE *out = fopen(path.c_str(), "w");
	if (!out) {
		fprintf(stderr, "make_plot_fixtures: %s: %s\n", path.c_str(), strerror(errno));
		return false;
	}
	int r = print_json_report(out, f.records.data(), int(f.records.size()));
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
