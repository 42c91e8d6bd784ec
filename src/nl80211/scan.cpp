// SPDX-License-Identifier: GPL-2.0-only
#include "nl80211/scan.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <linux/nl80211.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <poll.h>

#include "nl80211/connection.h"
#include "rfpeek_limits.h"
#include "stop_wait.h"

constexpr int event_attr_max = NL80211_ATTR_IFINDEX;

int build_scan_request(nl_msg *msg, int family_id, int ifindex, const int *plan, int n,
		       int dwell_ms)
{
	if (!genlmsg_put(msg, NL_AUTO_PID, NL_AUTO_SEQ, family_id, 0, 0,
			 NL80211_CMD_TRIGGER_SCAN, 0))
		return -1;
	if (nla_put_u32(msg, NL80211_ATTR_IFINDEX, uint32_t(ifindex)) < 0)
		return -1;
	if (dwell_ms > 0) {
		/* a u16: a longer dwell asks for the longest, not a wrapped one */
		uint16_t duration = dwell_ms > max_measurement_duration ? max_measurement_duration
									: uint16_t(dwell_ms);
		if (nla_put_u16(msg, NL80211_ATTR_MEASUREMENT_DURATION, duration) < 0)
			return -1;
	}
	/* mac80211 (before 6.12) refuses a scan on a beaconing AP without this;
	 * elsewhere it changes nothing */
	if (nla_put_u32(msg, NL80211_ATTR_SCAN_FLAGS, NL80211_SCAN_FLAG_AP) < 0)
		return -1;
	nlattr *freqs = nla_nest_start(msg, NLA_F_NESTED | NL80211_ATTR_SCAN_FREQUENCIES);
	if (!freqs)
		return -1;
	for (int i = 0; i < n; i++)
		if (nla_put_u32(msg, i + 1, uint32_t(plan[i])) < 0)
			return -1;
	nla_nest_end(msg, freqs);
	return 0;
}

int scan_timeout_ms(int dwell_ms, int n)
{
	long long t = (long long)dwell_ms * n + scan_timeout_base_ms;

	if (t < scan_timeout_min_ms)
		return scan_timeout_min_ms;
	return t > INT_MAX ? INT_MAX : int(t);
}

int scan_event_cb(nl_msg *msg, void *arg)
{
	scan_status *st = static_cast<scan_status *>(arg);
	genlmsghdr *gnlh = static_cast<genlmsghdr *>(nlmsg_data(nlmsg_hdr(msg)));
	nlattr *tb[event_attr_max + 1];

	nla_parse(tb, event_attr_max, genlmsg_attrdata(gnlh, 0), genlmsg_attrlen(gnlh, 0), nullptr);
	/* another radio's scan, or a supplicant's on another interface */
	if (!tb[NL80211_ATTR_IFINDEX] || int(nla_get_u32(tb[NL80211_ATTR_IFINDEX])) != st->ifindex)
		return NL_SKIP;
	switch (gnlh->cmd) {
	case NL80211_CMD_TRIGGER_SCAN:
		st->started = 1;
		break;
	case NL80211_CMD_NEW_SCAN_RESULTS:
		if (st->started)
			st->result = 1;
		break;
	case NL80211_CMD_SCAN_ABORTED:
		if (st->started)
			st->result = -1;
		break;
	}
	return NL_SKIP;
}

/* Ends on our scan's results or abort, on a quiet time-out, or on a stop. */
static void wait_for_scan(scan_status *st, int timeout_ms)
{
	pollfd pfd = {nl_socket_get_fd(nlstate.event_sock), POLLIN, 0};

	nl_socket_modify_cb(nlstate.event_sock, NL_CB_VALID, NL_CB_CUSTOM, scan_event_cb, st);
	while (st->result == 0 && !stop_requested) {
		int r = poll_unless_stopped(&pfd, 1, timeout_ms);
		if (r > 0)
			nl_recvmsgs_default(nlstate.event_sock);
		else if (r == 0 || errno != EINTR)
			break;
	}
	/* st dies with the caller. libnl-tiny sets only custom callbacks; an
	 * empty one is skipped by the receive loop of both libraries. */
	nl_socket_modify_cb(nlstate.event_sock, NL_CB_VALID, NL_CB_CUSTOM, nullptr, nullptr);
}

/* A stop must not leave the radio sweeping: a serving access point goes
 * back to its channel at once. No scan running is -ENOENT, and fine. */
static void abort_scan()
{
	nl80211_interface_request(NL80211_CMD_ABORT_SCAN, nullptr, nullptr);
}

/* 0 when the kernel took the request, else a negative errno. */
static int request_scan(const int *plan, int n, int dwell_ms)
{
	nl_msg *msg = nlmsg_alloc_size(scan_request_size);
	int err = -ENOMEM;

	if (msg) {
		err = build_scan_request(msg, nlstate.family_id, nlstate.ifindex, plan, n, dwell_ms);
		if (err == 0)
			err = nl80211_request(msg, nullptr, nullptr);
		nlmsg_free(msg);
	}
	return err;
}

int trigger_scan_and_wait(const int *plan, int n, int dwell_ms)
{
	scan_status st = {nlstate.ifindex, 0, 0};
	int outcome = scan_refused;

	/* stopped already: no scan to leave running after we are gone */
	if (stop_requested)
		return scan_unfinished;
	int err = request_scan(plan, n, dwell_ms);
	/* Older kernels refuse a measurement duration unless the driver
	 * announces scan-dwell support, which ath9k does not. */
	if (err == -EOPNOTSUPP && dwell_ms > 0)
		err = request_scan(plan, n, 0);
	if (err == 0) {
		wait_for_scan(&st, scan_timeout_ms(dwell_ms, n));
		outcome = st.result > 0 ? scan_done : st.result < 0 ? scan_aborted : scan_unfinished;
		if (outcome == scan_unfinished && stop_requested)
			abort_scan();
	}
	if ((outcome == scan_refused || outcome == scan_aborted) && !stop_requested)
		fputs("Warning: nl80211 scan failed\n", stderr);
	return outcome;
}
