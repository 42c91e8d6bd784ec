// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <ctime>

#include "cli/stop_signal.h"
#include "stop_wait.h"

namespace {

double seconds_since(const timespec &t0)
{
	timespec t;
	clock_gettime(CLOCK_MONOTONIC, &t);
	return double(t.tv_sec - t0.tv_sec) + double(t.tv_nsec - t0.tv_nsec) / 1e9;
}

TEST(StopSignal, AStopAskedBeforeTheWaitEndsItAtOnce)
{
	timespec t0;
	clock_gettime(CLOCK_MONOTONIC, &t0);
	stop_requested = 1;
	errno = 0;
	EXPECT_EQ(poll_unless_stopped(nullptr, 0, 60000), -1);
	EXPECT_EQ(errno, EINTR);
	stop_requested = 0;
	/* a minute's wait that did not happen */
	EXPECT_LT(seconds_since(t0), 30.0);
}

TEST(StopSignal, PendingStopSignalEndsTheWaitAndSetsTheFlag)
{
	struct sigaction old_term, old_pipe;
	sigaction(SIGTERM, nullptr, &old_term);
	sigaction(SIGPIPE, nullptr, &old_pipe);
	install_stop_handlers();

	/* the signal is held back until the wait lets it in */
	sigset_t term, before;
	sigemptyset(&term);
	sigaddset(&term, SIGTERM);
	sigprocmask(SIG_BLOCK, &term, &before);
	stop_requested = 0;
	raise(SIGTERM);
	EXPECT_EQ(stop_requested, 0);
	timespec t0;
	clock_gettime(CLOCK_MONOTONIC, &t0);
	EXPECT_EQ(poll_unless_stopped(nullptr, 0, 60000), -1);
	EXPECT_EQ(stop_requested, 1);
	EXPECT_LT(seconds_since(t0), 30.0);
	/* still blocked after the wait, as it was before */
	sigset_t now;
	sigprocmask(SIG_SETMASK, &before, &now);
	EXPECT_TRUE(sigismember(&now, SIGTERM));

	struct sigaction pipe_now;
	sigaction(SIGPIPE, nullptr, &pipe_now);
	EXPECT_EQ(pipe_now.sa_handler, SIG_IGN);
	stop_requested = 0;
	sigaction(SIGTERM, &old_term, nullptr);
	sigaction(SIGPIPE, &old_pipe, nullptr);
}

TEST(StopSignal, WithoutAStopTheTimeOutEndsTheWait)
{
	stop_requested = 0;
	EXPECT_EQ(poll_unless_stopped(nullptr, 0, 10), 0);
}

} // namespace
