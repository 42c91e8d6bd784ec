/* SPDX-License-Identifier: GPL-2.0-only */
/* The ath9k spectral files in debugfs_dir: control words in, relay bytes out. */
#ifndef RFPEEK_DEBUGFS_H
#define RFPEEK_DEBUGFS_H

#include <cstddef>

/* 0, -errno if the file cannot be opened, -EIO on a short or failed write. */
int write_ctl(const char *name, const char *text);
/* The file's word, without its trailing newline, as a string of at most
 * size - 1 characters: its length, or -errno. */
int read_ctl(const char *name, char *text, size_t size);
/* Bytes read (0..n), or -errno if the relay cannot be opened. */
int read_relay(unsigned char *buf, size_t n);
/* Throws away what the relay holds, up to drain_limit bytes. */
void drain_relay();

#endif
