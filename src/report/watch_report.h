/* SPDX-License-Identifier: GPL-2.0-only */
/* The watch's outputs: JSON lines, or the spectrogram's lines and the
 * session's table. */
#ifndef RFPEEK_WATCH_REPORT_H
#define RFPEEK_WATCH_REPORT_H

#include <cstdio>

#include "report/band_frame.h"
#include "report/spectrogram.h"

/* Each returns 0, or -1 if it could not be built or written; each line is
 * whole and flushed. time is left out when null. */
int print_frame_json(FILE *out, const band_frame &f, const char *time);
int print_summary_json(FILE *out, const channel_summary *channels, int count);
int print_summary_table(FILE *out, const channel_summary *channels, int count);

/* The spectrogram between frames. With fixed_span the view's span stays
 * (the plan's); otherwise it follows what the frames show. */
struct spectrogram_state {
	spectrogram_view view;
	bool fixed_span;
	int since_header;     /* frames since the ruler and legend; -1: owed */
};

/* The ruler and legend when due, then the frame's line. */
int print_spectrogram_frame(FILE *out, spectrogram_state *st, const band_frame &f,
			    const char *label);

#endif
