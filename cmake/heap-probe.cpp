// SPDX-License-Identifier: GPL-2.0-only
// Calls an allocator on purpose: the heap check must report this object.
#include <cstdlib>

void *rfpeek_heap_probe_c(unsigned n)
{
	return malloc(n);
}

int *rfpeek_heap_probe_cxx()
{
	return new int(7);
}
