// SPDX-License-Identifier: GPL-2.0-only
#include "cli/stop_signal.h"

#include <csignal>

#include "stop_wait.h"

void handle_stop_signal(int)
{
	stop_requested = 1;
}

void install_stop_handlers()
{
	struct sigaction sa = {};

	sigemptyset(&sa.sa_mask);
	sa.sa_handler = handle_stop_signal;
	for (int signo : stop_signals)
		sigaction(signo, &sa, nullptr);
	sa.sa_handler = SIG_IGN;
	sigaction(SIGPIPE, &sa, nullptr);
}
