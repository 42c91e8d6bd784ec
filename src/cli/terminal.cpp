// SPDX-License-Identifier: GPL-2.0-only
#include "cli/terminal.h"

#include <cstdlib>
#include <cstring>
#include <sys/ioctl.h>
#include <unistd.h>

#include "report/spectrogram.h"

int terminal_columns(int fd)
{
	winsize ws;

	if (ioctl(fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0)
		return ws.ws_col;
	const char *columns = getenv("COLUMNS");
	int n = columns ? atoi(columns) : 0;
	return n > 0 ? n : 80;
}

int terminal_colours(int fd)
{
	const char *no_color = getenv("NO_COLOR");
	const char *term = getenv("TERM");

	if (!isatty(fd) || (no_color && *no_color) || (term && strcmp(term, "dumb") == 0))
		return colours_none;
	return term && strstr(term, "256") ? colours_256 : colours_8;
}
