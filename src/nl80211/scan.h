/* SPDX-License-Identifier: GPL-2.0-only */
/* An nl80211 scan over the channel plan, and the wait for its end. */
#ifndef RFPEEK_SCAN_H
#define RFPEEK_SCAN_H

#include <cstdint>

struct nl_msg;

constexpr int scan_timeout_base_ms = 5000;
constexpr int scan_timeout_min_ms = 1000;
constexpr uint16_t max_measurement_duration = 0xffff;

/* What the event socket has told us about our scan. */
struct scan_status {
	int ifindex;     /* events of other interfaces are not ours */
	int started;     /* our TRIGGER_SCAN seen: later results are this scan's */
	int result;      /* 0 pending, 1 results announced, -1 aborted */
};

/* Fills a TRIGGER_SCAN request; 0, or -1 if the message is too small. */
int build_scan_request(nl_msg *msg, int family_id, int ifindex, const int *plan, int n,
		       int dwell_ms);
/* Time-out per poll of the wait, in ms. */
int scan_timeout_ms(int dwell_ms, int n);
int scan_event_cb(nl_msg *msg, void *arg);
/* How the scan ended. After an announced end (results or abort) mac80211
 * still returns to the operating channel, where chanscan samples again. */
constexpr int scan_done = 1;         /* results announced */
constexpr int scan_aborted = -1;     /* abort announced */
constexpr int scan_refused = -2;     /* no scan ran */
constexpr int scan_unfinished = 0;   /* quiet time-out, or a stop */

/* One of the above. Prints "Warning: nl80211 scan failed" itself when the
 * scan was refused or aborted, unless a stop was asked for. A stop during
 * the scan aborts it (NL80211_CMD_ABORT_SCAN). */
int trigger_scan_and_wait(const int *plan, int n, int dwell_ms);

#endif
