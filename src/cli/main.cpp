// SPDX-License-Identifier: GPL-2.0-only
#include "cli/run.h"

int main(int argc, char **argv)
{
	return rfpeek_main(argc, argv);
}
