// SPDX-License-Identifier: GPL-2.0-only
#include "spectral/debugfs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "cli/run_state.h"

static int open_in_dir(const char *name, int flags)
{
	char path[path_size];

	snprintf(path, sizeof(path), "%s/%s", debugfs_dir, name);
	int fd = open(path, flags | O_CLOEXEC);
	return fd < 0 ? -errno : fd;
}

int write_ctl(const char *name, const char *text)
{
	int fd = open_in_dir(name, O_WRONLY);
	if (fd < 0)
		return fd;
	size_t len = strlen(text);
	ssize_t w = write(fd, text, len);
	close(fd);
	return w == ssize_t(len) ? 0 : -EIO;
}

int read_ctl(const char *name, char *text, size_t size)
{
	int fd = open_in_dir(name, O_RDONLY);
	if (fd < 0)
		return fd;
	ssize_t r = read(fd, text, size - 1);
	int err = errno;
	close(fd);
	if (r < 0)
		return -err;
	/* the driver's words end in a newline, or (the mode) in nothing */
	while (r > 0 && (text[r - 1] == '\n' || text[r - 1] == ' '))
		r--;
	text[r] = '\0';
	return int(r);
}

static size_t read_fd(int fd, unsigned char *buf, size_t n)
{
	size_t total = 0;

	while (total < n) {
		ssize_t r = read(fd, buf + total, n - total);
		if (r <= 0)
			break;
		total += size_t(r);
	}
	return total;
}

int read_relay(unsigned char *buf, size_t n)
{
	int fd = open_in_dir("spectral_scan0", O_RDONLY);
	if (fd < 0)
		return fd;
	size_t total = read_fd(fd, buf, n);
	close(fd);
	return int(total);
}

/* A relay read returns at most what one sub-buffer holds, and stale samples
 * or a half record left behind would be decoded as the next capture's: read
 * until empty. */
void drain_relay()
{
	unsigned char scratch[drain_chunk_size];
	int fd = open_in_dir("spectral_scan0", O_RDONLY);
	if (fd < 0)
		return;
	for (size_t drained = 0; drained < drain_limit;) {
		ssize_t r = read(fd, scratch, sizeof(scratch));
		if (r <= 0)
			break;
		drained += size_t(r);
	}
	close(fd);
}
