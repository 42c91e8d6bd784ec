// SPDX-License-Identifier: GPL-2.0-only
#include "cli/run_state.h"

#include <cstring>

#include "stop_wait.h"

char iface_name[name_size];
char phy_name[name_size];
char debugfs_dir[debugfs_dir_size];
FILE *out_stream;
int json_output;
int report_failed;
int output_closed;

void reset_run_state()
{
	memset(iface_name, 0, sizeof(iface_name));
	memset(phy_name, 0, sizeof(phy_name));
	memset(debugfs_dir, 0, sizeof(debugfs_dir));
	strncpy(iface_name, default_iface, sizeof(iface_name) - 1);
	out_stream = nullptr;
	json_output = 0;
	stop_requested = 0;
	report_failed = 0;
	output_closed = 0;
}

FILE *report_stream()
{
	return out_stream ? out_stream : stdout;
}
