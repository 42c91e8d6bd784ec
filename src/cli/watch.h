/* SPDX-License-Identifier: GPL-2.0-only */
/* The watch: frames of statistics, one per interval (or per scan of the
 * plan, or per from_frame_records recorded records), until a stop, the
 * frame count or a closed output; then the session's summary. */
#ifndef RFPEEK_WATCH_H
#define RFPEEK_WATCH_H

#include <cstdio>

#include "cli/options.h"
#include "spectral/spectrum_record.h"

/* 0 when it ended as a watch ends, -1 when the driver could not be
 * started or the output failed (its message printed or to be printed by
 * the run's clean-up). records is the run's one buffer. */
int watch_radio(const run_options &opts, const int *plan, int n, spectrum_record *records);
int watch_recording(const run_options &opts, FILE *in, spectrum_record *records);

#endif
