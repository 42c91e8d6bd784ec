// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <climits>
#include <linux/nl80211.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include "nl80211/scan.h"
#include "rfpeek_limits.h"

namespace {

struct built_request {
	nl_msg *msg;
	nlattr *tb[NL80211_ATTR_MAX + 1];

	built_request(const int *plan, int n, int dwell_ms) : msg(nlmsg_alloc_size(scan_request_size))
	{
		EXPECT_EQ(build_scan_request(msg, 42, 7, plan, n, dwell_ms), 0);
		genlmsghdr *gnlh = static_cast<genlmsghdr *>(nlmsg_data(nlmsg_hdr(msg)));
		EXPECT_EQ(gnlh->cmd, NL80211_CMD_TRIGGER_SCAN);
		EXPECT_EQ(nlmsg_hdr(msg)->nlmsg_type, 42);
		nla_parse(tb, NL80211_ATTR_MAX, genlmsg_attrdata(gnlh, 0), genlmsg_attrlen(gnlh, 0),
			  nullptr);
	}
	~built_request() { nlmsg_free(msg); }
};

TEST(ScanRequest, CarriesInterfaceDurationApFlagAndNumberedFrequencies)
{
	const int plan[] = {2412, 2432, 2452};
	built_request r(plan, 3, 100);

	ASSERT_TRUE(r.tb[NL80211_ATTR_IFINDEX]);
	EXPECT_EQ(nla_get_u32(r.tb[NL80211_ATTR_IFINDEX]), 7u);
	ASSERT_TRUE(r.tb[NL80211_ATTR_MEASUREMENT_DURATION]);
	EXPECT_EQ(nla_len(r.tb[NL80211_ATTR_MEASUREMENT_DURATION]), 2);
	EXPECT_EQ(nla_get_u16(r.tb[NL80211_ATTR_MEASUREMENT_DURATION]), 100);
	ASSERT_TRUE(r.tb[NL80211_ATTR_SCAN_FLAGS]);
	EXPECT_EQ(nla_get_u32(r.tb[NL80211_ATTR_SCAN_FLAGS]), uint32_t(NL80211_SCAN_FLAG_AP));

	nlattr *freqs = r.tb[NL80211_ATTR_SCAN_FREQUENCIES];
	ASSERT_TRUE(freqs);
	/* the kernel wants the nested flag on the list */
	EXPECT_EQ(freqs->nla_type, 0x802C);
	nlattr *f;
	int rem, i = 0;
	nla_for_each_nested(f, freqs, rem) {
		ASSERT_LT(i, 3);
		EXPECT_EQ(nla_type(f), i + 1);
		EXPECT_EQ(nla_len(f), 4);
		EXPECT_EQ(int(nla_get_u32(f)), plan[i]);
		i++;
	}
	EXPECT_EQ(i, 3);
	EXPECT_EQ(rem, 0);
}

TEST(ScanRequest, DurationOnlyForAPositiveDwellAndNeverWrapped)
{
	const int plan[] = {5180};
	EXPECT_FALSE(built_request(plan, 1, 0).tb[NL80211_ATTR_MEASUREMENT_DURATION]);
	EXPECT_FALSE(built_request(plan, 1, -20).tb[NL80211_ATTR_MEASUREMENT_DURATION]);
	built_request longest(plan, 1, 70000);
	ASSERT_TRUE(longest.tb[NL80211_ATTR_MEASUREMENT_DURATION]);
	EXPECT_EQ(nla_get_u16(longest.tb[NL80211_ATTR_MEASUREMENT_DURATION]), 65535);
}

TEST(ScanRequest, FullPlanFitsTheMessage)
{
	int plan[max_wiphy_freqs];
	for (int i = 0; i < max_wiphy_freqs; i++)
		plan[i] = 2412 + 5 * i;
	built_request r(plan, max_wiphy_freqs, 100);
	int count = 0, rem;
	nlattr *f;
	nla_for_each_nested(f, r.tb[NL80211_ATTR_SCAN_FREQUENCIES], rem)
		count++;
	EXPECT_EQ(count, max_wiphy_freqs);
	/* libnl-tiny before 2025-03 wants room for the message twice over */
	EXPECT_LE(2 * size_t(nlmsg_hdr(r.msg)->nlmsg_len), scan_request_size);
	/* a default message would not do there: about 250 frequencies */
	EXPECT_GT(2 * size_t(nlmsg_hdr(r.msg)->nlmsg_len), size_t(4096));
}

TEST(ScanTimeout, PerPollTimeoutIsClampedToASaneRange)
{
	EXPECT_EQ(scan_timeout_ms(100, 3), 5300);
	EXPECT_EQ(scan_timeout_ms(0, 3), 5000);
	/* zero, negative and overflowing sums would mean no wait or no limit */
	EXPECT_EQ(scan_timeout_ms(-5000, 1), 1000);
	EXPECT_EQ(scan_timeout_ms(INT_MIN, 255), 1000);
	EXPECT_EQ(scan_timeout_ms(INT_MAX, 255), INT_MAX);
	EXPECT_EQ(scan_timeout_ms(INT_MAX, 1), INT_MAX);
}

} // namespace
