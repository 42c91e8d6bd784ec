// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <vector>

#include "spectral/capture.h"

namespace {

std::vector<int> kept_centres(const std::vector<int> &centres_khz, const std::vector<int> &plan,
			      int bandwidth_khz = 20000)
{
	static spectrum_buffer records;
	for (size_t i = 0; i < centres_khz.size(); i++) {
		records[i] = spectrum_record{};
		records[i].bandwidth_khz = bandwidth_khz;
		records[i].center_khz = centres_khz[i];
		records[i].rssi = int8_t(i);   /* tells copies apart */
	}
	int kept = keep_planned(records, int(centres_khz.size()), plan.data(), int(plan.size()));
	std::vector<int> out;
	for (int i = 0; i < kept; i++) {
		out.push_back(records[i].center_khz);
		EXPECT_EQ(records[i].center_khz, centres_khz[size_t(records[i].rssi)]);
	}
	return out;
}

TEST(KeepPlanned, DropsUnplannedChannelsAndKeepsDuplicatesInOrder)
{
	EXPECT_EQ(kept_centres({2412000, 2417000, 2432000, 2432000, 2452000}, {2412, 2432, 2452}),
		  (std::vector<int>{2412000, 2432000, 2432000, 2452000}));
}

TEST(KeepPlanned, ComparesWholeMegahertz)
{
	EXPECT_EQ(kept_centres({2422000, 2412000}, {2412}), (std::vector<int>{2412000}));
	EXPECT_EQ(kept_centres({2422000, 2412999}, {2422, 2412}),
		  (std::vector<int>{2422000, 2412999}));
}

TEST(KeepPlanned, A40MHzRecordByItsControlOrSecondaryChannel)
{
	/* HT40+ on 2412: centred at 2422, covering 2412 and 2432 */
	for (int ch : {2412, 2432})
		EXPECT_EQ(kept_centres({2422000}, {2452, ch}, 40000), (std::vector<int>{2422000})) << ch;
	for (int ch : {2422, 2452})
		EXPECT_TRUE(kept_centres({2422000}, {ch}, 40000).empty()) << ch;
}

TEST(KeepPlanned, NothingMatchesGivesNoRecords)
{
	EXPECT_TRUE(kept_centres({2437000, 2462000}, {2412}).empty());
	EXPECT_TRUE(kept_centres({}, {2412}).empty());
}

} // namespace
