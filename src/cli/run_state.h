/* SPDX-License-Identifier: GPL-2.0-only */
/* Process-wide run state: zero at start, set by the command line and the
 * wiphy query, read by the captures and the report. */
#ifndef RFPEEK_RUN_STATE_H
#define RFPEEK_RUN_STATE_H

#include <cstdio>

#include "rfpeek_limits.h"

extern char iface_name[name_size];
extern char phy_name[name_size];
extern char debugfs_dir[debugfs_dir_size];
extern FILE *out_stream;      /* null means standard output */
extern int json_output;
extern int report_failed;    /* a report could not be built or written */
extern int output_closed;    /* the watch's reader went away: not a failure */

void reset_run_state();
FILE *report_stream();

#endif
