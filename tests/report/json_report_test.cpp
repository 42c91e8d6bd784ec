// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <json-c/json.h>

#include "cli/run_state.h"
#include "report/report.h"
#include "report_capture.h"

namespace {

/* Two tiny records keep the document short: its shape does not depend on
 * the number of bins. */
const spectrum_record two[2] = {
	make_record(2412000, -40, -95, 2, -97.123),
	make_record(2437500, -7, -100, 1, -100),
};

TEST(JsonReport, SmallDocumentExactText)
{
	EXPECT_EQ("{\n"
		  "  \"scan_channels\": [\n"
		  "    {\n"
		  "      \"freq\": 2412.0000,\n"
		  "      \"rssi\": -40,\n"
		  "      \"noise\": -95\n"
		  "    },\n"
		  "    {\n"
		  "      \"freq\": 2437.5000,\n"
		  "      \"rssi\": -7,\n"
		  "      \"noise\": -100\n"
		  "    }\n"
		  "  ],\n"
		  "  \"scan_results\": [\n"
		  "    [\n"
		  "      2411.6875,\n"
		  "      -97.1230\n"
		  "    ],\n"
		  "    [\n"
		  "      2412.0000,\n"
		  "      -98.1230\n"
		  "    ],\n"
		  "    [\n"
		  "      2437.5000,\n"
		  "      -100.0000\n"
		  "    ]\n"
		  "  ]\n"
		  "}\n",
		  capture_report([](FILE *f) { EXPECT_EQ(0, print_json_report(f, two, 2)); }));
}

/* ath10k's rssi and noise as given, its bins to 4 decimals as the text's. */
TEST(JsonReport, Ath10kRecordAsTheTextReportHasIt)
{
	spectrum_record r[1] = {make_record(5180000, 255, -300, 256, -50)};
	r[0].sampled_mhz = 22;
	std::string text = capture_report([&](FILE *f) { EXPECT_EQ(0, print_json_report(f, r, 1)); });
	EXPECT_NE(std::string::npos, text.find("\"rssi\": 255,\n      \"noise\": -300\n")) << text;
	EXPECT_NE(std::string::npos, text.find("      5180.3438,\n      -182.0000\n"));
	EXPECT_NE(std::string::npos, text.find("      5179.6562,\n      -174.0000\n"));
}

TEST(JsonReport, NoRecordsGivesBothMembersWithEmptyArrays)
{
	EXPECT_EQ("{\n  \"scan_channels\": [\n  ],\n  \"scan_results\": [\n  ]\n}\n",
		  capture_report([](FILE *f) { EXPECT_EQ(0, print_json_report(f, nullptr, 0)); }));
}

TEST(JsonReport, ParsesBackWithIntsAndDoubles)
{
	const spectrum_record r[2] = {
		make_record(2412000, -40, -95, 64, -90),
		make_record(2422000, -62, -95, 128, -80),
	};
	std::string text = capture_report([&](FILE *f) { print_json_report(f, r, 2); });
	json_object *root = json_tokener_parse(text.c_str());
	ASSERT_NE(nullptr, root);
	json_object *channels, *results;
	ASSERT_TRUE(json_object_object_get_ex(root, "scan_channels", &channels));
	ASSERT_TRUE(json_object_object_get_ex(root, "scan_results", &results));
	ASSERT_EQ(size_t(2), json_object_array_length(channels));
	json_object *ch = json_object_array_get_idx(channels, 1), *v;
	ASSERT_TRUE(json_object_object_get_ex(ch, "freq", &v));
	EXPECT_TRUE(json_object_is_type(v, json_type_double));
	EXPECT_EQ(2422.0, json_object_get_double(v));
	ASSERT_TRUE(json_object_object_get_ex(ch, "rssi", &v));
	EXPECT_TRUE(json_object_is_type(v, json_type_int));
	EXPECT_EQ(-62, json_object_get_int(v));
	ASSERT_EQ(size_t(64 + 128), json_object_array_length(results));
	json_object *last = json_object_array_get_idx(results, 64 + 127);
	ASSERT_EQ(size_t(2), json_object_array_length(last));
	EXPECT_DOUBLE_EQ(2441.6875, json_object_get_double(json_object_array_get_idx(last, 0)));
	EXPECT_DOUBLE_EQ(-207.0, json_object_get_double(json_object_array_get_idx(last, 1)));
	json_object_put(root);
}

/* With the JSON flag the document goes to the -o stream, not stdout. */
TEST(PrintReport, JsonGoesToTheOutputStream)
{
	reset_run_state();
	json_output = 1;
	std::string text = capture_report([](FILE *f) {
		out_stream = f;
		EXPECT_EQ(0, print_report(two, 1));
	});
	out_stream = nullptr;
	EXPECT_EQ(0u, text.find("{\n  \"scan_channels\""));
	EXPECT_EQ(0, report_failed);
}

TEST(PrintReport, WriteFailureMarksTheRun)
{
	reset_run_state();
	json_output = 1;
	out_stream = fopen("/dev/full", "w");
	ASSERT_NE(nullptr, out_stream);
	setvbuf(out_stream, nullptr, _IONBF, 0);
	EXPECT_EQ(-1, print_report(two, 2));
	EXPECT_EQ(1, report_failed);
	fclose(out_stream);
	reset_run_state();
}

}  // namespace
