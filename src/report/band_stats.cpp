// SPDX-License-Identifier: GPL-2.0-only
#include "report/band_stats.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "report/decibels.h"
#include "spectral/decode.h"

/* A bin's power is p = (rssi + noise) + 20 log10(v) - 10 log10(sum), v the
 * byte (at least 1) shifted by max_exp: in mW that is 10^((rssi + noise)/10)
 * * v^2 / sum, the part's scale times the byte squared. The statistics add
 * and compare those products as integers; decibels come back per bin per
 * frame, never per sample. */

/* A positive double as mantissa * 2^exp, the mantissa 27 bits: times a
 * byte squared it stays below 2^43, and the sum of 2^21 of them (more than
 * the longest frame holds) fits in 64 bits. */
struct fixed_scale {
	uint32_t mantissa;   /* a 32 x 32 bit multiply on the router's CPU */
	int exp;
};

constexpr int scale_bits = 27;

static fixed_scale split(double v)
{
	uint64_t bits;

	memcpy(&bits, &v, sizeof(bits));
	int biased = int(bits >> 52) & 0x7ff;
	if (biased == 0)   /* zero or subnormal: below anything measured */
		return {uint32_t(1) << (scale_bits - 1), -1100};
	uint64_t frac = (bits & ((uint64_t(1) << 52) - 1)) | uint64_t(1) << 52;
	return {uint32_t(frac >> (53 - scale_bits)), biased - 1023 - (scale_bits - 1)};
}

/* Which byte squares reach the threshold, decided without a logarithm:
 * at or above over_from they do, at or below under_to they do not, and
 * between (where rounding could tip p either way) bin_power decides. */
struct threshold_test {
	uint32_t over_from;
	uint32_t under_to;
};

constexpr uint32_t no_square = 65536;   /* above every byte squared */

static threshold_test threshold_for(const sample_part &pt, bool flat, int threshold_dbm)
{
	if (flat)   /* every bin is the noise value */
		return pt.noise >= threshold_dbm ? threshold_test{0, 0}
						 : threshold_test{no_square, no_square};
	/* p >= T exactly when v^2 >= 10^((T - rssi - noise)/10) * sum, v the
	 * byte shifted: the byte squared against that over 2^(2 max_exp) */
	double q = from_tenths_db(threshold_dbm - pt.rssi - pt.noise) *
		   double(pt.sum_sq >> 2 * pt.max_exp);
	double hi = q * (1 + 1e-9), lo = q * (1 - 1e-9);
	threshold_test t;
	t.over_from = hi >= double(no_square) ? no_square : uint32_t(hi) + 1;
	if (lo < 1)
		t.under_to = 0;
	else if (lo >= double(no_square))
		t.under_to = no_square;
	else {
		uint32_t whole = uint32_t(lo);
		t.under_to = double(whole) == lo ? whole - 1 : whole;
	}
	return t;
}

/* bin_power of the loudest sample from its kept bytes, the logarithms in
 * fixed point: the report's p to within 1e-8 dB, in integers. */
static double max_power(const stats_bin &b)
{
	if (b.max_sum_sq == 0 || b.max_exp >= 32)   /* bin_power's noise cases */
		return b.max_noise;
	uint32_t v = b.max_value ? b.max_value : 1;
	/* 20 log10(v << max_exp) - 10 log10(sum) */
	return double(b.max_rssi + b.max_noise) +
	       db_from_q32(db_q32(v * v) + 2 * b.max_exp * db_octave_q32 - db_q32(b.max_sum_sq));
}

static void keep_max(stats_bin *b, uint64_t lin, const sample_part &pt, uint8_t value)
{
	b->max_lin = lin;
	b->max_sum_sq = pt.sum_sq;
	b->max_rssi = pt.rssi;
	b->max_noise = pt.noise;
	b->max_exp = pt.max_exp;
	b->max_value = value;
}

static uint64_t shift_down(uint64_t v, int by)
{
	if (by == 0)
		return v;
	return by < 64 ? (v >> by) + (v >> (by - 1) & 1) : 0;
}

/* A louder part than any before: the channel's sums move to its units. */
static void rescale(band_stats *s, stats_channel *ch, int exp)
{
	int by = exp - ch->scale_exp;

	for (int k = 0; k < ch->num_bins; k++) {
		stats_bin &b = s->bins[ch->first + k];
		b.lin_sum = shift_down(b.lin_sum, by);
		b.max_lin = shift_down(b.max_lin, by);
	}
	ch->scale_exp = exp;
}

static void add_part(band_stats *s, stats_channel *ch, const spectrum_record &r, int part)
{
	const sample_part &pt = r.parts[part];
	int n = r.num_bins / r.num_parts, first = part * n;
	bool flat = pt.sum_sq == 0 || pt.max_exp >= 64;
	double scale = flat ? from_tenths_db(pt.noise)
			    : from_tenths_db(pt.rssi + pt.noise) / double(pt.sum_sq);
	fixed_scale fs = split(scale);
	if (!flat)
		fs.exp += 2 * pt.max_exp;
	bool first_sample = ch->records == 0;
	if (first_sample && part == 0)
		ch->scale_exp = fs.exp;
	else if (fs.exp > ch->scale_exp)
		rescale(s, ch, fs.exp);
	/* lin = mantissa * sq in the channel's units: shifted down, rounded */
	int down = ch->scale_exp - fs.exp;
	uint32_t mantissa = down < 64 ? fs.mantissa : 0;
	down = down < 64 ? down : 0;
	uint64_t half = down ? uint64_t(1) << (down - 1) : 0;
	threshold_test t = threshold_for(pt, flat, s->threshold_dbm);
	stats_bin *bins = s->bins + ch->first + first;
	const uint8_t *bytes = r.magnitude + first;

	for (int k = 0; k < n; k++) {
		stats_bin &b = bins[k];
		uint32_t m = bytes[k] ? bytes[k] : 1;
		uint32_t sq = flat ? 1 : m * m;
		uint64_t lin = (uint64_t(mantissa) * sq + half) >> down;
		b.lin_sum += lin;
		/* ties within the rounding (2^-26) keep the first */
		if (first_sample || lin > b.max_lin)
			keep_max(&b, lin, pt, bytes[k]);
		if (sq >= t.over_from ||
		    (sq > t.under_to &&
		     bin_power(bytes[k], pt.max_exp, pt.rssi, pt.noise, pt.sum_sq) >= s->threshold_dbm))
			b.over++;
	}
}

static bool same_channel(const stats_channel &ch, const spectrum_record &r)
{
	return ch.center_khz == r.center_khz && ch.bandwidth_khz == r.bandwidth_khz &&
	       ch.num_bins == r.num_bins && ch.sampled_mhz == r.sampled_mhz;
}

static stats_channel *channel_of(band_stats *s, const spectrum_record &r)
{
	if (s->last >= 0 && same_channel(s->channels[s->last], r))
		return &s->channels[s->last];
	for (int i = 0; i < s->channel_count; i++)
		if (same_channel(s->channels[i], r)) {
			s->last = i;
			return &s->channels[i];
		}
	if (s->channel_count == max_watch_channels || s->bins_used + r.num_bins > max_frame_bins)
		return nullptr;
	stats_channel *ch = &s->channels[s->channel_count];
	*ch = stats_channel{r.center_khz, r.bandwidth_khz, r.num_bins, r.sampled_mhz, s->bins_used, 0, 0};
	memset(s->bins + ch->first, 0, sizeof(stats_bin) * size_t(r.num_bins));
	s->bins_used += r.num_bins;
	s->last = s->channel_count++;
	return ch;
}

void start_band_stats(band_stats *s, int threshold_dbm)
{
	s->threshold_dbm = threshold_dbm;
	s->frames = 0;
	s->frame_records = 0;
	s->channel_count = 0;
	s->last = -1;
	s->bins_used = 0;
	s->session_count = 0;
	s->dropped = 0;
}

void add_records(band_stats *s, const spectrum_record *records, int count)
{
	for (int i = 0; i < count; i++) {
		const spectrum_record &r = records[i];
		/* measured bins only: a record widened to 64 bins has no bytes there */
		if (r.num_parts < 1 || r.num_parts > 2 || r.num_bins > max_bins ||
		    r.num_bins % r.num_parts != 0)
			continue;
		stats_channel *ch = channel_of(s, r);
		if (!ch) {
			s->dropped++;
			continue;
		}
		for (int p = 0; p < r.num_parts; p++)
			add_part(s, ch, r, p);
		ch->records++;
		s->frame_records++;
	}
}

static session_channel *session_of(band_stats *s, const stats_channel &ch)
{
	int i = 0;

	/* kept in order: centre, then width */
	while (i < s->session_count &&
	       (s->session[i].center_khz < ch.center_khz ||
		(s->session[i].center_khz == ch.center_khz &&
		 s->session[i].bandwidth_khz < ch.bandwidth_khz)))
		i++;
	if (i < s->session_count && s->session[i].center_khz == ch.center_khz &&
	    s->session[i].bandwidth_khz == ch.bandwidth_khz)
		return &s->session[i];
	if (s->session_count == max_watch_channels)
		return nullptr;
	memmove(s->session + i + 1, s->session + i,
		sizeof(session_channel) * size_t(s->session_count - i));
	s->session_count++;
	s->session[i] = session_channel{ch.center_khz, ch.bandwidth_khz, 0, 0, 0, 0.0, -HUGE_VAL};
	return &s->session[i];
}

/* The bins of every channel, merged by frequency: channels may share bins
 * (2412 and 2417 MHz overlap) and a bin's frame figures take them all. */
/* Each bin's max is worked out here, once: channel_max gets each channel's. */
static void merge_bins(band_stats *s, band_frame *f, double *channel_max)
{
	int next[max_watch_channels] = {};

	f->bin_count = 0;
	for (;;) {
		int32_t freq = INT32_MAX;
		for (int c = 0; c < s->channel_count; c++) {
			const stats_channel &ch = s->channels[c];
			if (next[c] < ch.num_bins) {
				int32_t q7 = bin_freq_q7(ch.center_khz, ch.num_bins, ch.sampled_mhz, next[c]);
				if (q7 < freq)
					freq = q7;
			}
		}
		if (freq == INT32_MAX)
			return;
		frame_bin &out = f->bins[f->bin_count++];
		out = frame_bin{freq, 0.0, -HUGE_VAL, 0, 0};
		double lin = 0;
		int64_t lin_db = 0;   /* of the one channel, when one has the bin */
		int channels = 0;
		for (int c = 0; c < s->channel_count; c++) {
			const stats_channel &ch = s->channels[c];
			if (next[c] >= ch.num_bins ||
			    bin_freq_q7(ch.center_khz, ch.num_bins, ch.sampled_mhz, next[c]) != freq)
				continue;
			int i = ch.first + next[c]++;
			double max_db = max_power(s->bins[i]);
			if (max_db > channel_max[c])
				channel_max[c] = max_db;
			uint64_t sum = s->bins[i].lin_sum ? s->bins[i].lin_sum : 1;
			lin_db = db_q32(sum) + ch.scale_exp * db_octave_q32;
			lin += ldexp(double(sum), ch.scale_exp);
			channels++;
			out.samples += ch.records;
			out.over += s->bins[i].over;
			if (max_db > out.max)
				out.max = max_db;
		}
		/* mostly one channel: integers only */
		out.avg = channels == 1 ? db_from_q32(lin_db - db_q32(out.samples))
					: db_of(lin / out.samples);
	}
}

void close_frame(band_stats *s, band_frame *f)
{
	double channel_max[max_watch_channels];

	for (int c = 0; c < s->channel_count; c++)
		channel_max[c] = -HUGE_VAL;
	f->number = ++s->frames;
	f->records = s->frame_records;
	f->bin_q7 = s->channel_count ? INT32_MAX : bin_width_q7;
	for (int c = 0; c < s->channel_count; c++) {
		int32_t q7 = bin_spacing_q7(s->channels[c].num_bins, s->channels[c].sampled_mhz);
		f->bin_q7 = q7 < f->bin_q7 ? q7 : f->bin_q7;
	}
	merge_bins(s, f, channel_max);
	for (int c = 0; c < s->channel_count; c++) {
		const stats_channel &ch = s->channels[c];
		session_channel *sc = session_of(s, ch);
		if (!sc)
			continue;
		sc->records += ch.records;
		sc->bin_samples += uint64_t(ch.records) * uint64_t(ch.num_bins);
		double lin = 0;
		for (int k = 0; k < ch.num_bins; k++) {
			const stats_bin &b = s->bins[ch.first + k];
			lin += double(b.lin_sum);
			sc->over += b.over;
		}
		if (channel_max[c] > sc->max)
			sc->max = channel_max[c];
		sc->lin_sum += ldexp(lin, ch.scale_exp);
	}
	s->frame_records = 0;
	s->channel_count = 0;
	s->last = -1;
	s->bins_used = 0;
}

int session_summary(const band_stats *s, channel_summary *out, int max)
{
	int n = s->session_count < max ? s->session_count : max;

	for (int i = 0; i < n; i++) {
		const session_channel &sc = s->session[i];
		out[i] = channel_summary{sc.center_khz, sc.bandwidth_khz, sc.records,
					 db_of(sc.lin_sum / double(sc.bin_samples)), sc.max,
					 duty_percent(sc.over, sc.bin_samples)};
	}
	return n;
}
