// SPDX-License-Identifier: GPL-2.0-only
#include "nl80211/wiphy_query.h"

#include <algorithm>
#include <cstring>
#include <linux/nl80211.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include "nl80211/connection.h"

/* Highest attribute numbers parsed; anything above is ignored. */
constexpr int wiphy_attr_max = 326;
constexpr int band_attr_max = 13;
constexpr int freq_attr_max = 27;

/* Returns false once the list is full. */
static bool add_band_freqs(nlattr *band, wiphy_query *q)
{
	nlattr *tb_band[band_attr_max + 1];
	nlattr *freq;
	int rem;

	nla_parse(tb_band, band_attr_max, static_cast<nlattr *>(nla_data(band)), nla_len(band),
		  nullptr);
	if (!tb_band[NL80211_BAND_ATTR_FREQS])
		return true;
	nla_for_each_nested(freq, tb_band[NL80211_BAND_ATTR_FREQS], rem) {
		nlattr *tb_freq[freq_attr_max + 1];
		nla_parse(tb_freq, freq_attr_max, static_cast<nlattr *>(nla_data(freq)),
			  nla_len(freq), nullptr);
		if (!tb_freq[NL80211_FREQUENCY_ATTR_FREQ] || tb_freq[NL80211_FREQUENCY_ATTR_DISABLED])
			continue;
		if (q->count >= q->capacity)
			return false;
		q->freqs[q->count++] = int(nla_get_u32(tb_freq[NL80211_FREQUENCY_ATTR_FREQ]));
	}
	return true;
}

int wiphy_reply_cb(nl_msg *msg, void *arg)
{
	wiphy_query *q = static_cast<wiphy_query *>(arg);
	genlmsghdr *gnlh = static_cast<genlmsghdr *>(nlmsg_data(nlmsg_hdr(msg)));
	nlattr *tb[wiphy_attr_max + 1];
	nlattr *band;
	int rem;

	nla_parse(tb, wiphy_attr_max, genlmsg_attrdata(gnlh, 0), genlmsg_attrlen(gnlh, 0), nullptr);
	if (q->name && q->name_size > 0 && tb[NL80211_ATTR_WIPHY_NAME]) {
		/* the payload need not be terminated: never read past it */
		nlattr *a = tb[NL80211_ATTR_WIPHY_NAME];
		const char *s = static_cast<const char *>(nla_data(a));
		size_t n = strnlen(s, std::min(size_t(nla_len(a)), size_t(q->name_size - 1)));
		memcpy(q->name, s, n);
		q->name[n] = '\0';
	}
	if (!tb[NL80211_ATTR_WIPHY_BANDS])
		return NL_SKIP;
	nla_for_each_nested(band, tb[NL80211_ATTR_WIPHY_BANDS], rem)
		if (!add_band_freqs(band, q))
			break;
	return NL_SKIP;
}

void query_wiphy(wiphy_query *q)
{
	nl80211_interface_request(NL80211_CMD_GET_WIPHY, wiphy_reply_cb, q);
}
