// SPDX-License-Identifier: GPL-2.0-only
#include "report/report.h"

#include "cli/run_state.h"

int print_report(const spectrum_record *records, int count)
{
	int r = json_output ? print_json_report(report_stream(), records, count)
			    : print_text_report(stdout, records, count);
	if (r < 0)
		report_failed = 1;
	return r;
}
