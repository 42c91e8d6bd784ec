// SPDX-License-Identifier: GPL-2.0-only
/* libFuzzer entry, the whole pipeline: decode, edge completion as each
 * capture path does it, both reports, with their cross-checks. The input is
 * the relay stream exactly as read_relay would hand it over, so a crash file
 * replays as it is. */
#include "pipeline_check.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
	/* a capture never decodes more than this of the relay */
	if (size > relay_read_size)
		size = relay_read_size;
	return pipeline_check::verdict("pipeline", pipeline_check::check_pipeline(data, size));
}
