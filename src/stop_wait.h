/* SPDX-License-Identifier: GPL-2.0-only */
/* The stop flag that SIGINT, SIGTERM and SIGHUP set, and the one wait that
 * it ends: the dwell, the scan's wait and the waits for late samples. */
#ifndef RFPEEK_STOP_WAIT_H
#define RFPEEK_STOP_WAIT_H

#include <csignal>
#include <poll.h>

/* 0 until a stop signal came; the handler only stores 1. */
extern volatile sig_atomic_t stop_requested;

constexpr int stop_signals[] = {SIGINT, SIGTERM, SIGHUP};

/* poll() that a stop ends: one that came before the call too. -1 with
 * errno EINTR once a stop was asked for. With no descriptors it is a
 * sleep of timeout_ms. */
int poll_unless_stopped(pollfd *fds, nfds_t n, int timeout_ms);

/* CLOCK_MONOTONIC in ms: the waits' and the frames' clock. */
long long monotonic_ms();

#endif
