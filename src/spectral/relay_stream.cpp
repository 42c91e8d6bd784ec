// SPDX-License-Identifier: GPL-2.0-only
#include "spectral/relay_stream.h"

#include <cerrno>

#include "spectral/debugfs.h"
#include "spectral/decode.h"
#include "stop_wait.h"

relay_stream capture_stream;

void gather_relay(relay_stream *s)
{
	if (s->len >= sizeof(s->bytes))
		return;
	int r = read_relay(s->bytes + s->len, sizeof(s->bytes) - s->len);
	if (r > 0)
		s->len += size_t(r);
}

sample_tally tally_samples(const unsigned char *bytes, size_t len)
{
	sample_tally t = {0, 0, 0};
	size_t pos = 0;

	while (pos + sample_header_len <= len) {
		const unsigned char *s = bytes + pos;
		size_t rec_len = (sample_header_len + wire_be16(WIRE_AT(s, wire_tlv, length))) & 0xffff;
		uint8_t type = *WIRE_AT(s, wire_tlv, type);

		if (rec_len == 0 || pos + rec_len > len)
			break;
		pos += rec_len;
		/* every type keeps its (first) frequency at the same offset */
		static_assert(offsetof(wire_ht20, freq) == offsetof(wire_ht20_40, freq) &&
				      offsetof(wire_ht20, freq) == offsetof(wire_ath10k, freq1),
			      "freq");
		if (decodable(s, rec_len)) {
			t.count++;
			t.last_type = type;
			t.last_freq = int(wire_be16(WIRE_AT(s, wire_ht20, freq)));
		}
	}
	return t;
}

static bool new_sample(const sample_tally &now, const sample_tally &after)
{
	if (now.count <= after.count)
		return false;
	return after.count == 0 || now.last_type != after.last_type ||
	       now.last_freq != after.last_freq;
}

void wait_for_new_sample(relay_stream *s, sample_tally after, int wait_ms)
{
	long long end = monotonic_ms() + wait_ms;

	for (;;) {
		if (new_sample(tally_samples(s->bytes, s->len), after) || s->len == sizeof(s->bytes))
			return;
		long long left = end - monotonic_ms();
		if (left <= 0)
			return;
		int pause = left < relay_check_interval_ms ? int(left) : relay_check_interval_ms;
		if (poll_unless_stopped(nullptr, 0, pause) < 0 && (stop_requested || errno != EINTR))
			return;
		gather_relay(s);
	}
}
