/* SPDX-License-Identifier: GPL-2.0-only */
/* The two capture sequences. Each fills records with the samples it kept,
 * in capture order and as decoded (edges not completed), and returns how
 * many; -1 (with its message printed) when the driver could not be started.
 * The run sequence decides where the records go. */
#ifndef RFPEEK_CAPTURE_H
#define RFPEEK_CAPTURE_H

#include "spectral/spectrum_record.h"

int capture_current_channel(int dwell_ms, spectrum_record *records);

/* The current channel, continuously: started once, then read every
 * watch_trigger_interval_ms. Each read hands back the records that came
 * since the last (as decode_samples gives them: bytes, no powers) and
 * triggers the next samples. */
int start_channel_stream();
int read_channel_stream(spectrum_record *records);
int capture_channels(const int *plan, int n, int dwell_ms, spectrum_record *records);

/* Keeps, in order, the 20 MHz records whose centre is a planned channel and
 * the 40 MHz ones whose control or secondary channel is; returns how many. */
int keep_planned(spectrum_record *records, int count, const int *plan, int n);

/* Sleeps dwell_ms, or not at all for a negative dwell; a stop cuts it short. */
void dwell_sleep(int dwell_ms);
/* Empties the relay, asks for one sample per trigger and writes the mode;
 * prints "Error: <refused>" or the no-spectral-scan error and returns -1
 * when the driver refuses the word or stays disabled. */
int start_spectral_mode(const char *mode, const char *refused);
/* Writes "trigger": 0, or -1 when the driver refused it. */
int trigger_spectral();
/* After "disable": empties the relay; with late_reports (ath10k) keeps
 * at it until the last trigger's samples have had sample_wait_ms to come. */
void drain_after_disable(bool late_reports);
/* The warning for a capture that yielded no record, unless a stop ended it;
 * once per run. */
void warn_if_no_samples(int count);

#endif
