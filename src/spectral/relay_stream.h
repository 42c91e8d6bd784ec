/* SPDX-License-Identifier: GPL-2.0-only */
/* Relay bytes gathered over several reads. The relay consumes what is read
 * and cannot seek, so whatever a wait has looked at stays here to be
 * decoded. poll() would report only completed 1024-byte sub-buffers: the
 * waits look again every relay_check_interval_ms instead. */
#ifndef RFPEEK_RELAY_STREAM_H
#define RFPEEK_RELAY_STREAM_H

#include <cstddef>

#include "rfpeek_limits.h"

struct relay_stream {
	unsigned char bytes[relay_read_size];
	size_t len;
};

/* The complete sample records at the start of a stream, framed as the
 * decoder frames them. */
struct sample_tally {
	int count;
	int last_type;   /* of the last one; 0 with none */
	int last_freq;   /* its freq field (the control channel), MHz */
};

/* The one stream every capture gathers into. */
extern relay_stream capture_stream;

/* Appends what the relay holds now, as far as the stream has room. */
void gather_relay(relay_stream *s);
sample_tally tally_samples(const unsigned char *bytes, size_t len);
/* Gathers, for at most wait_ms or until a stop, until a complete record
 * follows the `after` tally's last one on another channel (type or freq);
 * with no record in `after`, until any complete record is there. */
void wait_for_new_sample(relay_stream *s, sample_tally after, int wait_ms);

#endif
