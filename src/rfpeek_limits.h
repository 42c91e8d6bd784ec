/* SPDX-License-Identifier: GPL-2.0-only */
/* Every fixed size of rfpeek, in one place. Nothing is allocated at run time. */
#ifndef RFPEEK_LIMITS_H
#define RFPEEK_LIMITS_H

#include <cstddef>

constexpr int max_freq_requests = 255;   /* -F values kept */
constexpr int max_wiphy_freqs = 255;     /* enabled frequencies kept from the wiphy */
constexpr int max_records = 256;         /* spectrum records per capture */
constexpr std::size_t relay_read_size = 65536;   /* relay bytes decoded per capture */
constexpr std::size_t drain_chunk_size = 4096;   /* bytes per drain read */
constexpr std::size_t drain_limit = 1 << 20;     /* a relay that keeps filling cannot hold us */
constexpr std::size_t name_size = 32;            /* interface and phy names */
constexpr std::size_t debugfs_dir_size = 256;
constexpr std::size_t path_size = 512;
constexpr std::size_t word_size = 32;            /* number words written to control files */
constexpr int max_bins = 128;
constexpr int cached_shifts = 16;        /* sample shifts whose byte powers are kept (the driver's 4 bits) */
/* The scan request of the largest plan (netlink and genetlink headers, three
 * 8-byte attributes, the nest, 8 bytes per frequency), twice over: libnl-tiny
 * before 2025-03 counts the message twice when it checks for room. */
constexpr std::size_t scan_request_size =
	2 * (16 + 4 + 3 * 8 + 4 + 8 * std::size_t(max_wiphy_freqs));

constexpr int default_dwell_ms = 100;
/* ath9k delivers samples a few ms after the trigger, through the receive
 * interrupt and a tasklet: the captures wait this long more for them */
constexpr int sample_wait_ms = 100;        /* the current channel's first record */
constexpr int scan_return_wait_ms = 50;    /* the operating channel's, after a scan */
constexpr int relay_check_interval_ms = 5;
constexpr const char *default_iface = "wlan0";

#endif
