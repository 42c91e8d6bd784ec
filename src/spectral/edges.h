/* Widens 56-bin HT20 records to the full 64 bins of a 20 MHz channel. */
#ifndef RFPEEK_EDGES_H
#define RFPEEK_EDGES_H

#include "spectral/spectrum_record.h"

void complete_edges(spectrum_record *records, int count);

#endif
