/* The text report and the JSON document of one capture. */
#ifndef RFPEEK_REPORT_H
#define RFPEEK_REPORT_H

#include <cstdio>

#include "spectral/spectrum_record.h"

/* Each returns 0, or -1 if the report could not be built or written. */
int print_text_report(FILE *out, const spectrum_record *records, int count);
int print_json_report(FILE *out, const spectrum_record *records, int count);
/* Text to standard output, or JSON to the output stream, as the command line chose. */
int print_report(const spectrum_record *records, int count);

inline double bin_freq_mhz(const spectrum_record &r, int k)
{
	return double(bin_freq_hz(r, k)) / 1000000.0;
}

#endif
