// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "report/report.h"
#include "report_capture.h"

namespace {

TEST(TextReport, NoRecordsIsOneEmptyLine)
{
	EXPECT_EQ("\n", capture_report([](FILE *f) { print_text_report(f, nullptr, 0); }));
}

TEST(TextReport, HeadersThenBlankLineThenAllBinLines)
{
	const spectrum_record r[3] = {
		make_record(2412000, -40, -95, 64, -97.123),
		make_record(2412000, 5, -101, 56, -20.05),
		make_record(2422999, -62, -95, 128, 0),
	};
	std::string text = capture_report([&](FILE *f) { EXPECT_EQ(0, print_text_report(f, r, 3)); });
	ASSERT_EQ('\n', text.back());
	std::vector<std::string> l = lines_of(text);
	ASSERT_EQ(size_t(3 + 1 + 64 + 56 + 128), l.size());
	EXPECT_EQ("2412 MHz  RSSI: -40 dBm  Noise: -95 dBm", l[0]);
	EXPECT_EQ("2412 MHz  RSSI: 5 dBm  Noise: -101 dBm", l[1]);
	EXPECT_EQ("2422 MHz  RSSI: -62 dBm  Noise: -95 dBm", l[2]);
	EXPECT_EQ("", l[3]);
	/* 64 bins at 2412000 kHz: 2402.0000 ... 2421.6875 */
	EXPECT_EQ(" 2402.0000       -97.1", l[4]);
	EXPECT_EQ(" 2412.0000      -129.1", l[4 + 32]);
	EXPECT_EQ(" 2421.6875      -160.1", l[4 + 63]);
	/* 56 bins, straight after: 2403.2500 ... 2420.4375 */
	EXPECT_EQ(" 2403.2500       -20.1", l[68]);
	EXPECT_EQ(" 2420.4375       -75.0", l[68 + 55]);
	/* 128 bins around 2422999 kHz */
	EXPECT_EQ(" 2402.9990         0.0", l[124]);
	EXPECT_EQ(" 2442.6865      -127.0", l[124 + 127]);
}

/* ath10k: rssi up to 255 and a 16-bit noise as the driver gives them; 22
 * MHz over 256 bins is 0.0859375 MHz, to 4 decimals half to even as
 * printf rounds it (0.34375 to 0.3438, 0.65625 to 0.6562). */
TEST(TextReport, Ath10kBinsToFourDecimals)
{
	spectrum_record r[1] = {make_record(5180000, 255, -300, 256, -50)};
	r[0].sampled_mhz = 22;
	std::vector<std::string> l =
		lines_of(capture_report([&](FILE *f) { EXPECT_EQ(0, print_text_report(f, r, 1)); }));
	ASSERT_EQ(size_t(2 + 256), l.size());
	EXPECT_EQ("5180 MHz  RSSI: 255 dBm  Noise: -300 dBm", l[0]);
	EXPECT_EQ(" 5169.0000       -50.0", l[2]);
	EXPECT_EQ(" 5179.6562      -174.0", l[2 + 124]);
	EXPECT_EQ(" 5179.7422      -175.0", l[2 + 125]);
	EXPECT_EQ(" 5180.0000      -178.0", l[2 + 128]);
	EXPECT_EQ(" 5180.3438      -182.0", l[2 + 132]);
	EXPECT_EQ(" 5190.9141      -305.0", l[2 + 255]);
}

TEST(TextReport, WriteFailureIsReported)
{
	FILE *full = fopen("/dev/full", "w");
	ASSERT_NE(nullptr, full);
	setvbuf(full, nullptr, _IONBF, 0);
	const spectrum_record r[1] = {make_record(2412000, -40, -95, 64, -90)};
	EXPECT_EQ(-1, print_text_report(full, r, 1));
	fclose(full);
}

}  // namespace
