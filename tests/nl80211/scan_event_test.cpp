// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <linux/nl80211.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include "nl80211/scan.h"

namespace {

/* Feeds one multicast event of the given command and interface to the callback. */
void deliver(scan_status *st, int cmd, int ifindex)
{
	nl_msg *msg = nlmsg_alloc();
	ASSERT_TRUE(genlmsg_put(msg, 0, 0, 42, 0, 0, uint8_t(cmd), 0));
	ASSERT_EQ(nla_put_u32(msg, NL80211_ATTR_WIPHY, 0), 0);
	if (ifindex >= 0) {
		ASSERT_EQ(nla_put_u32(msg, NL80211_ATTR_IFINDEX, uint32_t(ifindex)), 0);
	}
	EXPECT_EQ(scan_event_cb(msg, st), NL_SKIP);
	nlmsg_free(msg);
}

TEST(ScanEvent, ResultsAndAbortOfOurScanEndTheWait)
{
	scan_status st = {3, 0, 0};
	deliver(&st, NL80211_CMD_TRIGGER_SCAN, 3);
	EXPECT_EQ(st.result, 0);
	deliver(&st, NL80211_CMD_NEW_SCAN_RESULTS, 3);
	EXPECT_EQ(st.result, 1);

	scan_status aborted = {3, 0, 0};
	deliver(&aborted, NL80211_CMD_TRIGGER_SCAN, 3);
	deliver(&aborted, NL80211_CMD_SCAN_ABORTED, 3);
	EXPECT_EQ(aborted.result, -1);
}

TEST(ScanEvent, OtherInterfacesAndCommandsAreIgnored)
{
	scan_status st = {3, 0, 0};
	deliver(&st, NL80211_CMD_TRIGGER_SCAN, 3);
	deliver(&st, NL80211_CMD_NEW_SCAN_RESULTS, 4);
	deliver(&st, NL80211_CMD_SCAN_ABORTED, 4);
	deliver(&st, NL80211_CMD_NEW_SCAN_RESULTS, -1);
	deliver(&st, NL80211_CMD_START_SCHED_SCAN, 3);
	deliver(&st, NL80211_CMD_SCHED_SCAN_RESULTS, 3);
	EXPECT_EQ(st.result, 0);
}

TEST(ScanEvent, ResultsQueuedBeforeOurTriggerAreNotOurs)
{
	/* an earlier scan's results still sit on the socket when ours starts */
	scan_status st = {3, 0, 0};
	deliver(&st, NL80211_CMD_NEW_SCAN_RESULTS, 3);
	EXPECT_EQ(st.result, 0);
	deliver(&st, NL80211_CMD_TRIGGER_SCAN, 4);
	deliver(&st, NL80211_CMD_NEW_SCAN_RESULTS, 3);
	EXPECT_EQ(st.result, 0);
	deliver(&st, NL80211_CMD_TRIGGER_SCAN, 3);
	deliver(&st, NL80211_CMD_NEW_SCAN_RESULTS, 3);
	EXPECT_EQ(st.result, 1);
}

} // namespace
