/* SPDX-License-Identifier: GPL-2.0-only */
/* Captures what a report writes to a FILE. */
#ifndef RFPEEK_TEST_REPORT_CAPTURE_H
#define RFPEEK_TEST_REPORT_CAPTURE_H

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "spectral/spectrum_record.h"

template <typename Print>
std::string capture_report(Print print)
{
	char *text = nullptr;
	size_t len = 0;
	FILE *f = open_memstream(&text, &len);
	if (!f)
		return "<no stream>";
	print(f);
	fclose(f);
	std::string s(text, len);
	free(text);
	return s;
}

inline std::vector<std::string> lines_of(const std::string &text)
{
	std::vector<std::string> lines;
	std::istringstream in(text);
	for (std::string line; std::getline(in, line);)
		lines.push_back(line);
	return lines;
}

inline spectrum_record make_record(int center_khz, int rssi, int noise, int num_bins, double power)
{
	spectrum_record r = {};
	r.bandwidth_khz = num_bins == 128 ? 40000 : 20000;
	r.center_khz = center_khz;
	r.rssi = int16_t(rssi);
	r.noise = int16_t(noise);
	r.num_bins = num_bins;
	for (int k = 0; k < num_bins; k++)
		r.bins[k] = power - k;
	return r;
}

#endif
