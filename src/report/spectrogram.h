/* SPDX-License-Identifier: GPL-2.0-only */
/* The terminal view of the watch: one line of cells per frame, under a
 * frequency ruler and a legend of the power levels. */
#ifndef RFPEEK_SPECTROGRAM_H
#define RFPEEK_SPECTROGRAM_H

#include <cstdint>
#include <cstdio>

#include "report/band_frame.h"
#include "spectral/spectrum_record.h"

/* The cells' look: characters of rising density only, or coloured cells. */
constexpr int colours_none = 0;
constexpr int colours_8 = 8;
constexpr int colours_256 = 256;

struct spectrogram_view {
	int columns;        /* the terminal's width: no line is longer */
	int colours;        /* colours_none, colours_8 or colours_256 */
	int32_t low_q7;     /* the span, lowest to highest bin (1/128 MHz), mapped onto the cells */
	int32_t high_q7;
	int32_t bin_q7 = bin_width_q7;   /* a bin's width as drawn (1/128 MHz) */
};

/* The width of the label before the cells ("HH:MM:SS "). */
constexpr int spectrogram_label_width = 9;

/* The ruler (MHz over the cells) and the legend: two lines. 0, or -1 on a
 * write error. */
int print_spectrogram_header(FILE *out, const spectrogram_view &view);
/* One frame's line: label (at most 8 characters, padded) and the cells, a
 * cell showing the highest max of its bins, blank with none. 0 or -1. */
int print_spectrogram_line(FILE *out, const spectrogram_view &view, const char *label,
			   const frame_bin *bins, int count);

#endif
