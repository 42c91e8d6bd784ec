// SPDX-License-Identifier: GPL-2.0-only
/* The reports' shortcuts (own number formatting, shared frequency numbers)
 * against the plain rendering, where the shortcuts have to step aside. */
#include <gtest/gtest.h>

#include <cmath>

#include "../../fuzz/pipeline_check.h"

namespace {

spectrum_buffer records;

void set_record(int i, int centre_khz, int num_bins, double first_bin)
{
	records[i] = spectrum_record{};
	records[i].bandwidth_khz = 20000;
	records[i].center_khz = centre_khz;
	records[i].rssi = int8_t(-40 - i);
	records[i].noise = int8_t(-95 + i);
	records[i].num_bins = num_bins;
	for (int k = 0; k < num_bins; k++)
		records[i].bins[k] = first_bin - 0.37 * k;
}

std::string json_of(int count)
{
	std::string text;
	EXPECT_TRUE(pipeline_check::capture_output(
		[&](FILE *f) { return print_json_report(f, records, count); }, &text));
	return text;
}

TEST(ReportFastPath, HugeAndNonFiniteNumbersAreLeftToTheLibrary)
{
	set_record(0, 2412000, 8, -90.0);
	records[0].bins[1] = 1e20;
	records[0].bins[2] = -1e300;
	records[0].bins[3] = NAN;
	records[0].bins[4] = -HUGE_VAL;
	records[0].bins[5] = -0.0;
	std::string json = json_of(1);
	EXPECT_EQ(json, pipeline_check::reference_json(records, 1));
	EXPECT_NE(json.find("100000000000000000000.0000"), std::string::npos);
	EXPECT_NE(json.find("NaN"), std::string::npos);
	EXPECT_NE(json.find("-0.0000"), std::string::npos);
}

TEST(ReportFastPath, FrequenciesSharedOnlyBetweenRecordsOfTheSameBins)
{
	/* same channel with 64, 56 and 128 bins, a repeat after another channel,
	 * and a centre that differs by 1 kHz */
	set_record(0, 2412000, 64, -80.0);
	set_record(1, 2412000, 56, -81.0);
	set_record(2, 2432000, 64, -82.0);
	set_record(3, 2412000, 64, -83.0);
	set_record(4, 2412000, 128, -84.0);
	set_record(5, 2412001, 64, -85.0);
	set_record(6, 2412000, 56, -86.0);
	EXPECT_EQ(json_of(7), pipeline_check::reference_json(records, 7));
	EXPECT_EQ(pipeline_check::check_reports(records, 7), "");
}

TEST(ReportFastPath, AllRecordsOnOneChannel)
{
	for (int i = 0; i < max_records; i++)
		set_record(i, 5180000, 64, -70.0 - i * 0.01);
	EXPECT_EQ(json_of(max_records), pipeline_check::reference_json(records, max_records));
}

} // namespace
