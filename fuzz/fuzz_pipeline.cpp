/* libFuzzer entry: the input is the relay stream exactly as read_relay
 * would hand it over, so a crash file replays as it is. */
#include <cstdio>
#include <cstdlib>

#include "pipeline_check.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
	/* a capture never decodes more than this of the relay */
	if (size > relay_read_size)
		size = relay_read_size;
	std::string err = pipeline_check::check_pipeline(data, size);
	if (!err.empty()) {
		fprintf(stderr, "pipeline check failed: %s\n", err.c_str());
		abort();
	}
	return 0;
}
