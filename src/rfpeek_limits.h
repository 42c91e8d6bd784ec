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
constexpr int max_bins = 256;               /* ath10k's largest FFT */
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

/* The watch. -F all on a dual-band ath9k radio (about 45 channels of 56
 * measured bins, the 2.4 GHz ones overlapping) gives about 2,100 bin
 * frequencies. */
constexpr int max_frame_bins = 4096;       /* bin frequencies per frame */
constexpr int max_watch_channels = 128;    /* channels (centre and width) per frame and per session */
constexpr int default_interval_ms = 1000;
constexpr int max_interval_ms = 600000;    /* ten minutes: a frame's sums cannot overflow */
constexpr int default_threshold_dbm = -90;
constexpr int min_threshold_dbm = -150;
constexpr int max_threshold_dbm = 30;
constexpr int from_frame_records = 256;    /* --from --watch: records per frame */
constexpr int max_terminal_columns = 512;  /* wider terminals get this many */
constexpr int header_every_frames = 24;    /* ruler and legend again after a screenful */
/* The current-channel stream: a manual trigger of watch_spectral_count
 * samples every watch_trigger_interval_ms, the relay read just before */
constexpr int watch_trigger_interval_ms = 10;
constexpr int watch_spectral_count = 8;

#endif
