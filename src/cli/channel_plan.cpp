// SPDX-License-Identifier: GPL-2.0-only
#include "cli/channel_plan.h"

constexpr int channel_spacing_mhz = 20;
constexpr int request_reach_mhz = 10;

static int distance(int a, int b)
{
	return a > b ? a - b : b - a;
}

static int first_open_request(int f, const int *requests, int request_count, const int *matched)
{
	for (int k = 0; k < request_count; k++)
		if (!matched[k] && distance(f, requests[k]) < request_reach_mhz)
			return k;
	return -1;
}

int select_channels(int *freqs, int freq_count, const int *requests, int request_count,
		    int *matched)
{
	int last = 0, taken = 0;

	for (int k = 0; k < request_count; k++)
		matched[k] = 0;
	for (int i = 0; i < freq_count; i++) {
		int f = freqs[i];
		/* spacing counts from the last pick only; lower frequencies never fit */
		if (f - last < channel_spacing_mhz)
			continue;
		if (request_count > 0) {
			int k = first_open_request(f, requests, request_count, matched);
			if (k < 0)
				continue;
			for (; k < request_count; k++)
				if (distance(f, requests[k]) < request_reach_mhz)
					matched[k] = 1;
		}
		freqs[taken++] = f;
		last = f;
	}
	return taken;
}
