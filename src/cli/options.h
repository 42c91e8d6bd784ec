/* SPDX-License-Identifier: GPL-2.0-only */
/* The command line. */
#ifndef RFPEEK_OPTIONS_H
#define RFPEEK_OPTIONS_H

#include "rfpeek_limits.h"

struct run_options {
	int dwell_ms;
	int freq_mode;
	int request_count;
	int freq_requests[max_freq_requests];   /* MHz, in command-line order */
	int watch;
	int interval_ms;
	int frames;             /* 0: until stopped */
	int threshold_dbm;
	const char *from_path;  /* recorded relay bytes instead of the radio */
};

/* Returned by parse_options when the run goes on. */
constexpr int options_continue = -1;

/* Fills opts and the run state; options_continue, or the exit status of a
 * run that ends here (help, version, bad option, unopenable output file). */
int parse_options(int argc, char **argv, run_options *opts);
void print_usage(const char *prog);

#endif
