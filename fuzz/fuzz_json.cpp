// SPDX-License-Identifier: GPL-2.0-only
/* libFuzzer entry, the JSON report alone: a few records in the form of
 * records_input.h, any double in their bins. */
#include "pipeline_check.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
	return pipeline_check::verdict("json", pipeline_check::check_json_input(data, size));
}
