/* SPDX-License-Identifier: GPL-2.0-only */
/* The two generic-netlink sockets to nl80211: commands and scan events. */
#ifndef RFPEEK_CONNECTION_H
#define RFPEEK_CONNECTION_H

struct nl_sock;
struct nl_msg;

struct nl80211_state {
	nl_sock *cmd_sock;
	nl_sock *event_sock;
	int family_id;
	int scan_group;
	int ifindex;
};

extern nl80211_state nlstate;

/* 0, or -1 after closing whatever was opened. */
int nl80211_open(const char *ifname);
/* Safe at any point once nlstate is zero. */
void nl80211_close();

typedef int (*nl80211_valid_cb)(nl_msg *msg, void *arg);
/* Sends msg on the command socket and reads until the kernel's own ACK or
 * error, handing each reply to valid_cb. 0, or a negative errno (the kernel's
 * own where it refused the request). The callbacks die with the call. */
int nl80211_request(nl_msg *msg, nl80211_valid_cb valid_cb, void *arg);
/* nl80211_request of a command whose one attribute is our interface's index. */
int nl80211_interface_request(int cmd, nl80211_valid_cb valid_cb, void *arg);

#endif
