// SPDX-License-Identifier: GPL-2.0-only
/* The message numbers rfpeek speaks are fixed by the kernel ABI; the header
 * on the build machine must agree with them. */
#include <linux/nl80211.h>

#include "spectral/decode.h"

static_assert(NL80211_CMD_GET_WIPHY == 1, "GET_WIPHY");
static_assert(NL80211_ATTR_WIPHY_NAME == 2, "ATTR_WIPHY_NAME");
static_assert(NL80211_ATTR_IFINDEX == 3, "ATTR_IFINDEX");
static_assert(NL80211_ATTR_WIPHY_BANDS == 22, "ATTR_WIPHY_BANDS");
static_assert(NL80211_CMD_TRIGGER_SCAN == 33, "CMD_TRIGGER_SCAN");
static_assert(NL80211_CMD_NEW_SCAN_RESULTS == 34, "CMD_NEW_SCAN_RESULTS");
static_assert(NL80211_CMD_SCAN_ABORTED == 35, "CMD_SCAN_ABORTED");
static_assert(NL80211_ATTR_SCAN_FREQUENCIES == 44, "ATTR_SCAN_FREQUENCIES");
static_assert(NL80211_ATTR_MEASUREMENT_DURATION == 235, "ATTR_MEASUREMENT_DURATION");
static_assert(NL80211_BAND_ATTR_FREQS == 1, "BAND_ATTR_FREQS");
static_assert(NL80211_FREQUENCY_ATTR_FREQ == 1, "FREQUENCY_ATTR_FREQ");
static_assert(NL80211_FREQUENCY_ATTR_DISABLED == 2, "FREQUENCY_ATTR_DISABLED");
/* the 20/40 MHz sample's channel type that puts the secondary channel above */
static_assert(chan_ht40plus == NL80211_CHAN_HT40PLUS && NL80211_CHAN_HT40PLUS == 3, "HT40PLUS");
