// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <cstring>
#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <string>
#include <vector>

#include "nl80211/wiphy_query.h"

namespace {

struct test_freq {
	unsigned mhz;
	bool disabled;
};

/* A NEW_WIPHY reply as the kernel shapes it: bands nested by index, each
 * with a nested list of frequencies among other attributes. Built in memory,
 * no socket; 64 KiB leaves room for every put. */
nl_msg *wiphy_reply(const char *name, const std::vector<std::vector<test_freq>> *bands)
{
	nl_msg *msg = nlmsg_alloc_size(65536);
	genlmsg_put(msg, 0, 0, 0x1c, 0, 0, NL80211_CMD_NEW_WIPHY, 0);
	nla_put_u32(msg, NL80211_ATTR_WIPHY, 0);
	if (name)
		nla_put_string(msg, NL80211_ATTR_WIPHY_NAME, name);
	if (!bands)
		return msg;
	nlattr *all = nla_nest_start(msg, NL80211_ATTR_WIPHY_BANDS);
	for (size_t b = 0; b < bands->size(); b++) {
		nlattr *band = nla_nest_start(msg, int(b));
		nlattr *freqs = nla_nest_start(msg, NL80211_BAND_ATTR_FREQS);
		for (size_t i = 0; i < (*bands)[b].size(); i++) {
			nlattr *freq = nla_nest_start(msg, int(i));
			nla_put_u32(msg, NL80211_FREQUENCY_ATTR_FREQ, (*bands)[b][i].mhz);
			nla_put_u32(msg, NL80211_FREQUENCY_ATTR_MAX_TX_POWER, 2000);
			if ((*bands)[b][i].disabled)
				nla_put_flag(msg, NL80211_FREQUENCY_ATTR_DISABLED);
			nla_nest_end(msg, freq);
		}
		nla_nest_end(msg, freqs);
		nla_nest_end(msg, band);
	}
	nla_nest_end(msg, all);
	return msg;
}

struct reply_result {
	int freqs[300];
	char name[40];
	wiphy_query q;

	explicit reply_result(int capacity, int name_size = 32)
	{
		memset(freqs, 0, sizeof(freqs));
		memset(name, 0, sizeof(name));
		q = {freqs, capacity, 0, name, name_size};
	}
	bool run(nl_msg *msg)
	{
		if (!msg)
			return false;
		int r = wiphy_reply_cb(msg, &q);
		nlmsg_free(msg);
		return r == NL_SKIP;
	}
	std::vector<int> list() const { return std::vector<int>(freqs, freqs + q.count); }
};

TEST(WiphyReply, NameAndEnabledFrequenciesInReplyOrder)
{
	std::vector<std::vector<test_freq>> bands = {
		{{2412, false}, {2417, true}, {2437, false}, {2484, true}},
		{{5180, false}, {5200, false}, {5600, true}},
	};
	reply_result res(255);
	ASSERT_TRUE(res.run(wiphy_reply("phy1", &bands)));
	EXPECT_STREQ("phy1", res.name);
	EXPECT_EQ((std::vector<int>{2412, 2437, 5180, 5200}), res.list());
}

TEST(WiphyReply, LongNameIsCutToTheBuffer)
{
	std::string name(40, 'p');
	reply_result res(255);
	memset(res.name, '#', sizeof(res.name));
	ASSERT_TRUE(res.run(wiphy_reply(name.c_str(), nullptr)));
	EXPECT_EQ(std::string(31, 'p'), std::string(res.name));
	EXPECT_EQ('#', res.name[32]);   /* nothing past the 32-byte buffer */
}

TEST(WiphyReply, NoBandsGivesTheNameOnly)
{
	reply_result res(255);
	ASSERT_TRUE(res.run(wiphy_reply("phy0", nullptr)));
	EXPECT_STREQ("phy0", res.name);
	EXPECT_EQ(0, res.q.count);

	reply_result unnamed(255);
	std::vector<std::vector<test_freq>> bands = {{{2412, false}}};
	ASSERT_TRUE(unnamed.run(wiphy_reply(nullptr, &bands)));
	EXPECT_STREQ("", unnamed.name);
	EXPECT_EQ(std::vector<int>{2412}, unnamed.list());
}

TEST(WiphyReply, StopsAtCapacity)
{
	/* 259 enabled frequencies over two bands, one disabled before the cut */
	std::vector<std::vector<test_freq>> bands(2);
	for (unsigned i = 0; i < 130; i++)
		bands[0].push_back({2000 + i, false});
	for (unsigned i = 0; i < 130; i++)
		bands[1].push_back({5000 + i, i == 100});
	reply_result res(255);
	res.freqs[255] = -1;
	ASSERT_TRUE(res.run(wiphy_reply("phy0", &bands)));
	ASSERT_EQ(255, res.q.count);
	EXPECT_EQ(5125, res.freqs[254]);   /* 130 + 125 enabled, 5100 not counted */
	EXPECT_EQ(-1, res.freqs[255]);

	reply_result small(3);
	small.freqs[3] = -1;
	ASSERT_TRUE(small.run(wiphy_reply("phy0", &bands)));
	EXPECT_EQ((std::vector<int>{2000, 2001, 2002}), small.list());
	EXPECT_EQ(-1, small.freqs[3]);
}

}  // namespace
