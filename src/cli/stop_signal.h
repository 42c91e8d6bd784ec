/* SPDX-License-Identifier: GPL-2.0-only */
/* SIGINT, SIGTERM and SIGHUP only ask the run to stop; waits notice them. */
#ifndef RFPEEK_STOP_SIGNAL_H
#define RFPEEK_STOP_SIGNAL_H

void handle_stop_signal(int signo);
/* The stop handler for the stop signals; SIGPIPE ignored, so a closed pipe
 * is a write error and the tear-down still runs. */
void install_stop_handlers();

#endif
