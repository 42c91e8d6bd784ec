// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <vector>

#include "cli/channel_plan.h"

namespace {

const std::vector<int> band_2ghz = {2412, 2417, 2422, 2427, 2432, 2437, 2442,
				    2447, 2452, 2457, 2462, 2467, 2472, 2484};

struct plan_result {
	std::vector<int> plan;
	std::vector<int> matched;
};

plan_result plan_for(std::vector<int> freqs, const std::vector<int> &requests)
{
	std::vector<int> matched(requests.size() + 1, 7);   /* stale flags must be cleared */
	int n = select_channels(freqs.data(), int(freqs.size()), requests.data(),
				int(requests.size()), matched.data());
	freqs.resize(size_t(n));
	matched.resize(requests.size());
	return {freqs, matched};
}

TEST(ChannelPlan, NoRequestsTakesOnePerTwentyMegahertz)
{
	EXPECT_EQ(plan_for(band_2ghz, {}).plan, (std::vector<int>{2412, 2432, 2452, 2472}));
	/* 5 GHz channels are already 20 MHz apart */
	std::vector<int> band_5ghz = {5180, 5200, 5220, 5240, 5745, 5765};
	EXPECT_EQ(plan_for(band_5ghz, {}).plan, band_5ghz);
}

TEST(ChannelPlan, RangeRequestsLeaveExactlyTenMegahertzUnmatched)
{
	std::vector<int> requests;
	for (int f = 2412; f <= 2462; f += 5)
		requests.push_back(f);
	plan_result r = plan_for(band_2ghz, requests);
	EXPECT_EQ(r.plan, (std::vector<int>{2412, 2432, 2452}));
	/* 2422, 2442 and 2462 lie exactly 10 MHz from a pick */
	EXPECT_EQ(r.matched, (std::vector<int>{1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0}));
}

TEST(ChannelPlan, SingleRequestTakesFirstEnabledChannelNearIt)
{
	EXPECT_EQ(plan_for(band_2ghz, {2437}).plan, (std::vector<int>{2432}));
}

TEST(ChannelPlan, LowerFrequencyAfterAPickIsSkipped)
{
	EXPECT_EQ(plan_for({2462, 2412}, {}).plan, (std::vector<int>{2462}));
	EXPECT_EQ(plan_for({2462, 2412}, {2412, 2462}).plan, (std::vector<int>{2462}));
}

TEST(ChannelPlan, OnePickCoversEveryRequestWithinReach)
{
	/* both requests are covered by 5180, so 5200 has none left to serve */
	plan_result r = plan_for({5180, 5200}, {5185, 5189});
	EXPECT_EQ(r.plan, (std::vector<int>{5180}));
	EXPECT_EQ(r.matched, (std::vector<int>{1, 1}));
	/* an uncovered request pulls in the next channel within reach */
	EXPECT_EQ(plan_for({2412, 2432}, {2420, 2425}).plan, (std::vector<int>{2412, 2432}));
}

TEST(ChannelPlan, NoEnabledChannelNearARequestGivesAnEmptyPlan)
{
	EXPECT_TRUE(plan_for(band_2ghz, {5180, 900}).plan.empty());
	EXPECT_TRUE(plan_for({}, {}).plan.empty());
}

} // namespace
