// SPDX-License-Identifier: GPL-2.0-only
/* libFuzzer entry, edge completion alone: records in the form of
 * records_input.h, with bins decoding could give. */
#include "pipeline_check.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
	return pipeline_check::verdict("edges", pipeline_check::check_edges_input(data, size));
}
