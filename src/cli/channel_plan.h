/* SPDX-License-Identifier: GPL-2.0-only */
/* Picks the channels a -F capture scans from the radio's enabled ones. */
#ifndef RFPEEK_CHANNEL_PLAN_H
#define RFPEEK_CHANNEL_PLAN_H

/* At most one channel per 20 MHz, each within 10 MHz of a request no earlier
 * pick covered (any channel when there are no requests). The plan is written
 * over the front of freqs; returns its length. */
int select_channels(int *freqs, int freq_count, const int *requests, int request_count,
		    int *matched);

#endif
