/* SPDX-License-Identifier: GPL-2.0-only */
/* Widens 56-bin HT20 records to the full 64 bins of a 20 MHz channel. */
#ifndef RFPEEK_EDGES_H
#define RFPEEK_EDGES_H

#include "spectral/spectrum_record.h"

/* Widens every 20 MHz record of 56 bins; 40 MHz records are left whole. */
void complete_edges(spectrum_record *records, int count);
/* The current-channel capture widens its 20 MHz records only when the
 * capture starts with one. */
void complete_current_channel(spectrum_record *records, int count);

#endif
