// SPDX-License-Identifier: GPL-2.0-only
/* libFuzzer entry, decoding alone: a relay stream, every record and bin
 * checked against the drivers' formats (ath9k's bins against bin_power,
 * ath10k's against the check's own formula). */
#include "pipeline_check.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
	if (size > relay_read_size)
		size = relay_read_size;
	return pipeline_check::verdict("decode", pipeline_check::check_decode_input(data, size));
}
