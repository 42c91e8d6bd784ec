#include "cli/stop_signal.h"

#include <cerrno>
#include <csignal>
#include <ctime>

#include "cli/run_state.h"

static const int stop_signals[] = {SIGINT, SIGTERM, SIGHUP};

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
