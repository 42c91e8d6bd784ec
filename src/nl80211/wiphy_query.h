/* SPDX-License-Identifier: GPL-2.0-only */
/* The radio behind an interface: its phy name and enabled frequencies. */
#ifndef RFPEEK_WIPHY_QUERY_H
#define RFPEEK_WIPHY_QUERY_H

struct nl_msg;

struct wiphy_query {
	int *freqs;        /* enabled frequencies, MHz, in reply order */
	int capacity;
	int count;
	char *name;        /* phy name, left empty if unresolved */
	int name_size;
};

void query_wiphy(wiphy_query *q);
int wiphy_reply_cb(nl_msg *msg, void *arg);

#endif
