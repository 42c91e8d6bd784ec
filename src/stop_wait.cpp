// SPDX-License-Identifier: GPL-2.0-only
#include "stop_wait.h"

#include <cerrno>
#include <ctime>

volatile sig_atomic_t stop_requested;

/* The stop signals are let in only inside ppoll, after the flag was read:
 * one that arrives between the test and the wait cannot be slept through. */
int poll_unless_stopped(pollfd *fds, nfds_t n, int timeout_ms)
{
	timespec ts = {timeout_ms / 1000, long(timeout_ms % 1000) * 1000000L};
	sigset_t stops, before, waiting;
	int r = -1;

	sigemptyset(&stops);
	for (int signo : stop_signals)
		sigaddset(&stops, signo);
	sigprocmask(SIG_BLOCK, &stops, &before);
	waiting = before;
	for (int signo : stop_signals)
		sigdelset(&waiting, signo);
	if (!stop_requested)
		r = ppoll(fds, n, &ts, &waiting);
	else
		errno = EINTR;
	int saved = errno;
	sigprocmask(SIG_SETMASK, &before, nullptr);
	errno = saved;
	return r;
}

long long monotonic_ms()
{
	timespec t;

	clock_gettime(CLOCK_MONOTONIC, &t);
	return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}
