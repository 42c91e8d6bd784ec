// SPDX-License-Identifier: GPL-2.0-only
/*
 * rfpeek_bench: a stand-in for the ath9k driver's spectral-scan files on
 * mac80211_hwsim radios, so that rfpeek meets a real kernel's nl80211,
 * debugfs and relay where no Atheros card exists.
 *
 * For every hwsim phy it creates, as ath9k does (common-spectral.c):
 *   <phy debugfs>/ath9k/spectral_scan_ctl      disable|background|manual|chanscan|trigger
 *   <phy debugfs>/ath9k/spectral_short_repeat  0..1, default 1
 *   <phy debugfs>/ath9k/spectral_count         0..255, default 8
 *   <phy debugfs>/ath9k/spectral_period        0..255, default 255
 *   <phy debugfs>/ath9k/spectral_fft_period    0..15, default 15
 *   <phy debugfs>/ath9k/spectral_scan0         relay, 1024 x 256 bytes, one global buffer
 * (ath9k_htc/ instead of ath9k/ with htc=1) and, for the tests,
 * /sys/kernel/debug/rfpeek_bench/<phy>/ (see README.md).
 *
 * With ath10k=1 it is ath10k's instead (ath10k/spectral.c):
 *   <phy debugfs>/ath10k/spectral_scan_ctl     disable|background|manual|trigger
 *   <phy debugfs>/ath10k/spectral_count        0..255, default 0
 *   <phy debugfs>/ath10k/spectral_bins         64..256, a power of two, default 64
 *   <phy debugfs>/ath10k/spectral_scan0        relay, 1140 x 2500 bytes, one global buffer
 *
 * The chip behind the files is modelled on ath9k's own code paths: a
 * trigger only starts the hardware, and its FFTs reach the relay later,
 * from a work item standing in for the receive tasklet (ath_rx_tasklet ->
 * ath_cmn_process_fft), where the driver's checks, DC-bin fix and
 * relay-full rule apply. Receiving stops at every reset (channel change)
 * and when an idle chip goes to full sleep. The FFTs are computed from a
 * fixed synthetic scene, so a capture on a given channel looks the same
 * every time.
 */
#include <linux/module.h>
#include <linux/kernel.h>
#include <linux/debugfs.h>
#include <linux/relay.h>
#include <linux/kprobes.h>
#include <linux/netdevice.h>
#include <linux/rtnetlink.h>
#include <linux/vmalloc.h>
#include <linux/seq_file.h>
#include <linux/uaccess.h>
#include <linux/version.h>
#include <linux/hrtimer.h>
#include <linux/workqueue.h>
#include <net/cfg80211.h>
#include <net/mac80211.h>

/* The drivers' records (spectral_common.h is not among the installed
 * headers): setup copies rfpeek's own definition in beside this file. */
#include "sample_format.h"

#define MAX_PHYS 32
#define SUBBUF_SIZE 1024
#define N_SUBBUFS 256
#define RELAY_BYTES (SUBBUF_SIZE * N_SUBBUFS)
/* ath10k_spectral_create: "covers whole channels in dual bands up to 128 bins" */
#define ATH10K_SUBBUF_SIZE 1140
#define ATH10K_N_SUBBUFS 2500
#define MAX_EVENTS 1024
#define MAX_BURSTS 32
#define MAX_DELAY_MS 60000

static unsigned int sample_delay_ms = 3;
module_param(sample_delay_ms, uint, 0644);
MODULE_PARM_DESC(sample_delay_ms,
		 "ms from a trigger to its FFTs in the relay (default 3: AR93xx's receive interrupt mitigation allows 2 ms, plus the FFTs themselves)");

static bool htc;
module_param(htc, bool, 0444);
MODULE_PARM_DESC(htc, "model ath9k_htc (USB, AR9271/AR7010): files under ath9k_htc/, AR92xx rules");

static bool ath10k;
module_param(ath10k, bool, 0444);
MODULE_PARM_DESC(ath10k, "model ath10k (QCA988x): files under ath10k/, type-3 records");

/* the most bins ath10k_spectral_process_fft takes (spectral_common.h) */
#define SPECTRAL_ATH10K_MAX_NUM_BINS 256

enum mode { MODE_DISABLED, MODE_BACKGROUND, MODE_CHANSCAN, MODE_MANUAL };
static const char *const mode_words[] = {
	[MODE_DISABLED] = "disable",
	[MODE_BACKGROUND] = "background",
	[MODE_CHANSCAN] = "chanscan",
	[MODE_MANUAL] = "manual",
};

/* Control words, matched by prefix in ath9k's order. */
enum word { W_TRIGGER, W_BACKGROUND, W_CHANSCAN, W_MANUAL, W_DISABLE, W_COUNT, W_NONE };
static const char *const words[] = {
	[W_TRIGGER] = "trigger",
	[W_BACKGROUND] = "background",
	[W_CHANSCAN] = "chanscan",
	[W_MANUAL] = "manual",
	[W_DISABLE] = "disable",
	[W_COUNT] = "count", /* fail_ctl only: any spectral_count write */
};

/* Which hw ops the driver attached (hw.c: ar9003 / ar9002 / ar5008 only). */
enum chip { CHIP_AR93XX, CHIP_AR92XX, CHIP_AR5416 };
static const char *const chip_words[] = {
	[CHIP_AR93XX] = "ar93xx",
	[CHIP_AR92XX] = "ar92xx",
	[CHIP_AR5416] = "ar5416",
};

enum ev_kind { EV_TRIGGER, EV_CHANNEL, EV_DELIVER, EV_DROP };
static const char *const ev_words[] = {
	[EV_TRIGGER] = "trigger",
	[EV_CHANNEL] = "channel",
	[EV_DELIVER] = "deliver",
	[EV_DROP] = "drop",
};

struct bench_event {
	u8 kind;
	u8 mode;
	u8 scanning;
	u16 freq;
	u16 samples;
	u32 injected; /* bytes; ~0 when nothing was injected */
};

/* The FFTs one trigger started, on their way to the relay. */
struct burst {
	ktime_t due;
	u16 entries;	/* scan entries, one report each */
	u8 per_entry;	/* FFTs per report */
	bool endless;	/* background: one report per period until stopped */
	u8 fft_size;	/* ath10k: the firmware's fft_size when it started */
};

struct bench_phy;

/* One of the numeric spectral_* files. */
struct num_file {
	struct bench_phy *p;
	unsigned int *val;
	unsigned int max;
};

struct bench_phy {
	struct wiphy *wiphy;
	struct ieee80211_hw *hw;
	struct dentry *ath9k_dir;
	struct dentry *knob_dir;
	struct rchan *rchan;

	/* Taken in the kprobe handlers too: state, counters and relay writes. */
	spinlock_t lock;
	enum chip chip;
	bool silent;
	enum mode mode;
	unsigned int short_repeat, count, period, fft_period;
	struct num_file num_files[4];
	bool scanning;
	bool idle;
	ktime_t rx_stop_at;	/* full sleep stops receiving then; KTIME_MAX while awake */
	ktime_t t0;
	u64 tsf;
	u32 fft_seq;		/* FFTs the chip made since load or reset */
	bool dying;

	/* ath10k: spectral.config.fft_size; what the firmware was last sent;
	 * the vif doing spectral (arvif->spectral_enabled); a stop seen, so the
	 * next start resets spectral (ath10k_start -> ath10k_spectral_start) */
	unsigned int fft_size;
	unsigned int fw_count, fw_fft_size;
	bool fw_running;
	struct ieee80211_vif *spectral_vif;
	bool hw_stopped;

	struct burst bursts[MAX_BURSTS];
	unsigned int b_head, b_len;
	bool endless_queued;
	struct hrtimer timer;
	struct work_struct work;

	/* inject: filled while the file is open, armed when it is closed */
	unsigned long inject_busy;
	u8 *inject_buf;
	size_t inject_len;
	bool inject_armed;
	bool synthetic_off;

	enum word fail_word;
	int fail_errno;

	unsigned long triggers;
	unsigned long channel_changes;
	unsigned long scan_channel_changes;
	unsigned long sample_events;
	unsigned long samples;
	unsigned long dropped;
	unsigned long discarded;
	unsigned long lost;
	unsigned long deaf;
	unsigned long preloaded;
	unsigned long injected;
	unsigned long events_lost;
	unsigned int n_events;
	struct bench_event events[MAX_EVENTS];
};

static struct bench_phy *phys[MAX_PHYS];
static int n_phys;
static struct dentry *knob_root;

static struct bench_phy *phy_of_hw(struct ieee80211_hw *hw)
{
	int i;

	for (i = 0; i < n_phys; i++)
		if (phys[i]->hw == hw)
			return phys[i];
	return NULL;
}

static u16 current_freq(struct bench_phy *p)
{
	struct ieee80211_channel *chan = p->hw->conf.chandef.chan;

	return chan ? chan->center_freq : 0;
}

/* ------------------------------------------------------------------------
 * Synthetic scene. A bin's magnitude is the largest of the noise floor and
 * whatever scene item covers its frequency, so overlapping channels agree
 * about where things are. The floor is about 4, which rssi treats as the
 * noise floor (0 dB).
 */
enum item_kind { WIDE, TONE };
struct scene_item {
	enum item_kind kind;
	int centre_khz;
	u8 level;
};

static const struct scene_item scene[] = {
	{ WIDE, 2437000, 100 },	/* 20 MHz transmitter on channel 6 */
	{ WIDE, 5180000, 60 },	/* 20 MHz transmitter on channel 36 */
	{ TONE, 2414000, 200 },	/* narrow tone 2 MHz above channel 1 */
	{ TONE, 2466000, 120 },	/* narrow tone 4 MHz above channel 11 */
	{ TONE, 5748000, 160 },	/* narrow tone 3 MHz above channel 149 */
};

#define NOISE_DEFAULT (-95)	/* ATH_DEFAULT_NOISE_FLOOR */
#define FLOOR_REF 4		/* magnitude taken as the noise floor */
#define WIDE_FLAT_HZ 8300000	/* flat top: +-8.3 MHz, like an OFDM signal */
#define WIDE_EDGE_HZ 10000000	/* skirt to +-10 MHz at a fifth of the level */
#define HALF_BIN_HZ 156250
#define DC_OFFSET 3		/* the FFT's blind spot reads above its neighbours */
#define MAG_MAX 4095		/* max_magnitude is a 12-bit field */
#define CORRUPT_EVERY 8		/* every 8th FFT's report fails the driver's check */

static u32 mix(u32 x)
{
	x ^= x >> 16;
	x *= 0x7feb352dU;
	x ^= x >> 15;
	x *= 0x846ca68bU;
	x ^= x >> 16;
	return x;
}

/* round(10 * log10(num / den)), num and den > 0, without floating point */
static int db10(u64 num, u64 den)
{
	/* 10^((k + 0.5) / 10) * 1e6: the rounding points within a decade */
	static const u32 steps[10] = {
		1122018, 1412538, 1778279, 2238721, 2818383,
		3548134, 4466836, 5623413, 7079458, 8912509,
	};
	int db = 0, k;

	while (num >= den * 10) {
		den *= 10;
		db += 10;
	}
	while (num < den) {
		num *= 10;
		db -= 10;
	}
	for (k = 0; k < 10 && num * 1000000 >= den * steps[k]; k++)
		db++;
	return db;
}

/* Magnitude at f (Hz) in the k-th FFT of a delivery, for bins half_bin
 * (Hz) wide on either side. */
static u8 scene_bin(s64 f, unsigned int k, s64 half_bin)
{
	u32 h = mix((u32)div_s64(f, HALF_BIN_HZ) ^ (k * 0x9e3779b9U));
	unsigned int v = 3 + h % 3, c;
	size_t i;

	for (i = 0; i < ARRAY_SIZE(scene); i++) {
		s64 d = f - (s64)scene[i].centre_khz * 1000;

		if (d < 0)
			d = -d;
		c = 0;
		if (scene[i].kind == TONE && d < half_bin)
			c = scene[i].level;
		else if (scene[i].kind == WIDE && d <= WIDE_FLAT_HZ)
			c = scene[i].level + (h >> 8) % 5 - 2;
		else if (scene[i].kind == WIDE && d <= WIDE_EDGE_HZ)
			c = scene[i].level / 5;
		if (c > v)
			v = c;
	}
	return v;
}

/* How far the calibrated noise floor lies above the nominal one (ath9k
 * adds only a positive delta: ath9k_hw_getchan_noise). The chip's own
 * floor "can vary by about 6db depending on the frequency" (calib.h): here
 * it climbs 1 dB per 100 MHz above 5180 MHz, to 6 dB. Where the channel-6
 * transmitter overlaps a 20 MHz channel, the calibration reads 3 dB high.
 * rssi is relative to that floor, so it is 0 or below on quiet channels. */
static int nf_delta(u16 freq)
{
	if (freq >= 2427 && freq <= 2447)
		return 3;
	return freq > 5180 ? min((freq - 5180) / 100, 6) : 0;
}

/* ------------------------------------------------------------------------
 * The chip: one FFT as its report hands it to the driver, with the
 * mag_info fields as the driver reads them (spectral_max_magnitude,
 * spectral_max_index, spectral_bitmap_weight; per half on 40 MHz).
 */
struct chip_fft {
	u8 data[WIRE_HT20_40_BINS];
	u16 mag[2];
	u8 idx[2];
	u8 weight[2];
	u8 max_exp;
	s8 rssi[2];	/* chain 0: control, extension */
};

/* Bins [from, from + n): raw values, the rssi of their power (dB above an
 * all-floor FFT, less the calibrated floor's delta) and their maximum. */
static void chip_half(struct chip_fft *c, int h, int from, int n, s64 centre_hz,
		      int nbins, unsigned int k, int delta)
{
	u64 sum_sq = 0;
	int j, max_j = from;
	unsigned int weight = 0;

	for (j = from; j < from + n; j++) {
		u8 v = scene_bin(centre_hz + (s64)(2 * j - (nbins - 1)) * HALF_BIN_HZ, k, HALF_BIN_HZ);

		c->data[j] = v;
		sum_sq += (u64)v * v;
	}
	c->rssi[h] = clamp(db10(sum_sq, (u64)n * FLOOR_REF * FLOOR_REF) - delta, -127, 127);
	/* the DC bin is the FFT's blind spot: it reads high */
	if (nbins / 2 >= from && nbins / 2 < from + n)
		c->data[nbins / 2] = (c->data[nbins / 2 - 1] + c->data[nbins / 2 + 1]) / 2 + DC_OFFSET;
	for (j = from; j < from + n; j++)
		if (c->data[j] > c->data[max_j])
			max_j = j;
	for (j = from; j < from + n; j++)
		weight += c->data[j] * 2 > c->data[max_j];
	c->idx[h] = max_j - from;
	c->weight[h] = weight & 0x3f;	/* a 6-bit field */
}

/* max_exp: the bins are the FFT's magnitudes shifted right by it, so any
 * value works whose shifted-back maximum still fits the 12-bit
 * max_magnitude; the chip's gain picks one per FFT. */
static void chip_fft(struct bench_phy *p, struct chip_fft *c, int nbins, unsigned int k)
{
	const struct cfg80211_chan_def *cd = &p->hw->conf.chandef;
	u16 ctl = cd->chan->center_freq;
	u32 h = mix(p->fft_seq * 0x9e3779b9U ^ ctl);
	unsigned int vmax = 0, emax = 0, i;
	int halves = nbins == WIRE_HT20_40_BINS ? 2 : 1;

	memset(c, 0, sizeof(*c));
	if (halves == 1) {
		chip_half(c, 0, 0, WIRE_HT20_BINS, (s64)ctl * 1000000, WIRE_HT20_BINS, k,
			  nf_delta(ctl));
		c->rssi[1] = 0;
	} else {
		bool plus = cd->center_freq1 > ctl;
		u16 ext = plus ? ctl + 20 : ctl - 20;
		s64 c40 = (s64)cd->center_freq1 * 1000000;

		/* lower half first; HT40+ has the control channel below */
		chip_half(c, 0, 0, WIRE_HT20_40_BINS / 2, c40, WIRE_HT20_40_BINS, k,
			  nf_delta(plus ? ctl : ext));
		chip_half(c, 1, WIRE_HT20_40_BINS / 2, WIRE_HT20_40_BINS / 2, c40,
			  WIRE_HT20_40_BINS, k, nf_delta(plus ? ext : ctl));
		if (!plus)
			swap(c->rssi[0], c->rssi[1]);
	}
	for (i = 0; i < nbins; i++)
		vmax = max_t(unsigned int, vmax, c->data[i]);
	while (emax < 15 && vmax << (emax + 1) <= MAG_MAX)
		emax++;
	c->max_exp = h % (emax + 1);
	for (i = 0; i < halves; i++) {
		u8 top = c->data[i * (nbins / 2) + c->idx[i]];

		/* the bits below the shift are the FFT's own */
		c->mag[i] = top << c->max_exp | (mix(h + i) & ((1U << c->max_exp) - 1));
	}
	if (p->fft_seq % CORRUPT_EVERY == CORRUPT_EVERY - 1) {
		/* a report whose mag_info lost a bit */
		c->max_exp = 0;
		c->mag[0] = c->data[c->idx[0]] ^ 0x80;
	}
	p->fft_seq++;
}

/* ------------------------------------------------------------------------
 * The driver: ath_cmn_process_ht20_fft / ath_cmn_process_ht20_40_fft,
 * line by line. Returns false for a sample the driver discards.
 */
static bool process_ht20(const struct chip_fft *c, u16 freq, s8 noise, u64 tsf,
			 struct wire_ht20 *s)
{
	int dc = WIRE_HT20_BINS / 2, i;
	u16 magnitude = c->mag[0], tmp;
	u8 max_index = c->idx[0], max_exp = c->max_exp & 0xf;
	bool ok = true;

	s->type = WIRE_HT20;
	wire_put_be16(s->length, wire_length(sizeof(*s)));
	wire_put_be16(s->freq, freq);
	s->rssi = c->rssi[0];
	s->noise = noise;
	wire_put_be16(s->max_magnitude, magnitude);
	s->max_index = max_index;
	s->bitmap_weight = c->weight[0];
	s->max_exp = max_exp;
	wire_put_be64(s->tsf, tsf);
	memcpy(s->data, c->data, WIRE_HT20_BINS);

	if ((s->data[max_index] & 0xf8) != ((magnitude >> max_exp) & 0xf8))
		ok = false;
	/* the DC bin is interpolated from its neighbours */
	s->data[dc] = (s->data[dc + 1] + s->data[dc - 1]) / 2;
	if (max_index == dc) {
		/* the driver looks for a new maximum below the DC bin only */
		tmp = 0;
		for (i = 0; i < dc; i++) {
			if (s->data[i] > tmp) {
				tmp = s->data[i];
				s->max_index = i;
			}
		}
		magnitude = tmp << max_exp;
		wire_put_be16(s->max_magnitude, magnitude);
	} else {
		for (i = 0; i < WIRE_HT20_BINS; i++)
			if (s->data[i] > (magnitude >> max_exp))
				ok = false;
	}
	return ok;
}

static bool process_ht20_40(const struct chip_fft *c, u16 freq, bool plus, s8 ctl_noise,
			    s8 ext_noise, u64 tsf, struct wire_ht20_40 *s)
{
	int dc = WIRE_HT20_40_BINS / 2, i;
	u16 lower_mag = c->mag[0], upper_mag = c->mag[1];
	u8 lower_idx = c->idx[0], upper_idx = c->idx[1], max_exp = c->max_exp & 0xf;
	bool ok = true;

	s->type = WIRE_HT20_40;
	wire_put_be16(s->length, wire_length(sizeof(*s)));
	wire_put_be16(s->freq, freq);
	s->channel_type = plus ? NL80211_CHAN_HT40PLUS : NL80211_CHAN_HT40MINUS;
	/* rssi[0] is the control channel's, rssi[1] the extension's */
	s->lower_rssi = plus ? c->rssi[0] : c->rssi[1];
	s->upper_rssi = plus ? c->rssi[1] : c->rssi[0];
	s->lower_noise = plus ? ctl_noise : ext_noise;
	s->upper_noise = plus ? ext_noise : ctl_noise;
	wire_put_be16(s->lower_max_magnitude, lower_mag);
	wire_put_be16(s->upper_max_magnitude, upper_mag);
	s->lower_max_index = lower_idx;
	s->upper_max_index = upper_idx;
	s->lower_bitmap_weight = c->weight[0];
	s->upper_bitmap_weight = c->weight[1];
	s->max_exp = max_exp;
	wire_put_be64(s->tsf, tsf);
	memcpy(s->data, c->data, WIRE_HT20_40_BINS);

	if ((s->data[upper_idx + dc] & 0xf8) != ((upper_mag >> max_exp) & 0xf8) ||
	    (s->data[lower_idx] & 0xf8) != ((lower_mag >> max_exp) & 0xf8))
		ok = false;
	s->data[dc] = (s->data[dc + 1] + s->data[dc - 1]) / 2;
	/* Both indices are below 64 (spectral_max_index_ht40), so the
	 * driver's DC-index branches never run here: only the range checks. */
	for (i = 0; i < dc; i++)
		if (s->data[i] > (lower_mag >> max_exp))
			ok = false;
	for (i = dc; i < WIRE_HT20_40_BINS; i++)
		if (s->data[i] > (upper_mag >> max_exp))
			ok = false;
	return ok;
}

/* ------------------------------------------------------------------------
 * ath10k (QCA988x): the firmware's phyerr report as the driver reads it
 * (struct wmi_phyerr's fields, then struct phyerr_fft_report's registers
 * and the bins), and ath10k_spectral_process_fft.
 */
#define SEARCH_FFT_REPORT_REG0_TOTAL_GAIN_DB_MASK	0xFF800000
#define SEARCH_FFT_REPORT_REG0_TOTAL_GAIN_DB_LSB	23
#define SEARCH_FFT_REPORT_REG0_BASE_PWR_DB_MASK		0x007FC000
#define SEARCH_FFT_REPORT_REG0_BASE_PWR_DB_LSB		14
#define SEARCH_FFT_REPORT_REG0_FFT_CHN_IDX_MASK		0x00003000
#define SEARCH_FFT_REPORT_REG0_FFT_CHN_IDX_LSB		12
#define SEARCH_FFT_REPORT_REG0_PEAK_SIDX_MASK		0x00000FFF
#define SEARCH_FFT_REPORT_REG0_PEAK_SIDX_LSB		0
#define SEARCH_FFT_REPORT_REG1_RELPWR_DB_MASK		0xFC000000
#define SEARCH_FFT_REPORT_REG1_RELPWR_DB_LSB		26
#define SEARCH_FFT_REPORT_REG1_AVGPWR_DB_MASK		0x03FC0000
#define SEARCH_FFT_REPORT_REG1_AVGPWR_DB_LSB		18
#define SEARCH_FFT_REPORT_REG1_PEAK_MAG_MASK		0x0003FF00
#define SEARCH_FFT_REPORT_REG1_PEAK_MAG_LSB		8
#define SEARCH_FFT_REPORT_REG1_NUM_STR_BINS_IB_MASK	0x000000FF
#define SEARCH_FFT_REPORT_REG1_NUM_STR_BINS_IB_LSB	0
#define MS(v, f) (((v) & f##_MASK) >> f##_LSB)
#define SM(v, f) (((v) << f##_LSB) & f##_MASK)

/* wmi.h's defaults, as ath10k_spectral_start and the bins file use them */
#define WMI_SPECTRAL_COUNT_DEFAULT 0
#define WMI_SPECTRAL_FFT_SIZE_DEFAULT 7
#define WMI_SPECTRAL_BIN_SCALE_DEFAULT 1
#define PEAK_MAG_MAX 1023	/* a 10-bit register field */
#define TOTAL_GAIN_DB 62	/* the AGC is not modelled: one gain */

struct a10k_report {
	u16 freq1, freq2;
	u8 rssi_combined;
	u8 chan_width_mhz;
	u16 nf_chains[4];
	u32 reg0, reg1;
	u8 bins[SPECTRAL_ATH10K_MAX_NUM_BINS];
};

static unsigned int a10k_bins(unsigned int fft_size)
{
	return 1U << (fft_size - WMI_SPECTRAL_BIN_SCALE_DEFAULT);
}

/* ath10k_spectral_start (from ath10k_start): spectral off, the defaults */
static void a10k_spectral_start(struct bench_phy *p)
{
	p->spectral_vif = NULL;
	p->mode = MODE_DISABLED;
	p->fw_running = false;
	p->count = WMI_SPECTRAL_COUNT_DEFAULT;
	p->fft_size = WMI_SPECTRAL_FFT_SIZE_DEFAULT;
}

/* The firmware's chan_width_mhz: the operating channel's width */
static unsigned int chan_width_mhz(const struct cfg80211_chan_def *cd)
{
	switch (cd->width) {
	case NL80211_CHAN_WIDTH_5:
		return 5;
	case NL80211_CHAN_WIDTH_10:
		return 10;
	case NL80211_CHAN_WIDTH_40:
		return 40;
	case NL80211_CHAN_WIDTH_80:
		return 80;
	case NL80211_CHAN_WIDTH_80P80:
	case NL80211_CHAN_WIDTH_160:
		return 160;
	default:
		return 20;
	}
}

/* One FFT of n bins over the operating channel. The bins cover 1.1 times
 * its width around its centre (the 22/44/88 MHz the driver reports), bin
 * n/2 on the centre. The peak's index is relative to that DC bin;
 * max_magnitude is the peak bin shifted left by a gain the driver has to
 * guess back (get_max_exp), plus the bits below the shift. */
static void a10k_chip_fft(struct bench_phy *p, struct a10k_report *r, unsigned int n,
			  unsigned int k)
{
	const struct cfg80211_chan_def *cd = &p->hw->conf.chandef;
	u16 ctl = cd->chan->center_freq, c1 = cd->center_freq1;
	unsigned int width = chan_width_mhz(cd), dc = n / 2, peak = 0, emax = 0, e, mag;
	unsigned int strong = 0, i;
	s64 span = (s64)width * 1100000, centre = (s64)c1 * 1000000;
	u32 h = mix(p->fft_seq * 0x9e3779b9U ^ ctl);
	int delta = nf_delta(ctl), rssi;
	u64 sum_sq = 0;

	for (i = 0; i < n; i++) {
		r->bins[i] = scene_bin(centre + div_s64(((s64)i - dc) * span, n), k,
				       div_s64(span, 2 * n));
		sum_sq += (u64)r->bins[i] * r->bins[i];
	}
	/* the DC bin is the FFT's blind spot: it reads high */
	r->bins[dc] = (r->bins[dc - 1] + r->bins[dc + 1]) / 2 + DC_OFFSET;
	for (i = 0; i < n; i++)
		if (r->bins[i] > r->bins[peak])
			peak = i;
	for (i = 0; i < n; i++)
		strong += r->bins[i] * 2 > r->bins[peak];
	while (emax < 7 && r->bins[peak] << (emax + 1) <= PEAK_MAG_MAX)
		emax++;
	e = h % (emax + 1);
	mag = r->bins[peak] << e | (mix(h + 1) & ((1U << e) - 1));
	if (p->fft_seq % CORRUPT_EVERY == CORRUPT_EVERY - 1)
		mag = r->bins[peak] + 1;	/* no shift gives the peak bin back */
	p->fft_seq++;

	/* as ath10k_wmi_put_wmi_channel gave the channel to the firmware */
	r->freq1 = c1;
	r->freq2 = 0;
	if (cd->width == NL80211_CHAN_WIDTH_80P80)
		r->freq2 = cd->center_freq2;
	if (cd->width == NL80211_CHAN_WIDTH_160) {
		r->freq1 = ctl > c1 ? c1 + 40 : c1 - 40;
		r->freq2 = c1;
	}
	r->chan_width_mhz = width;
	/* dB above the calibrated floor, a signed byte the driver copies raw */
	rssi = clamp(db10(sum_sq, (u64)n * FLOOR_REF * FLOOR_REF) - delta, -128, 127);
	r->rssi_combined = (u8)(s8)rssi;
	for (i = 0; i < ARRAY_SIZE(r->nf_chains); i++)
		r->nf_chains[i] = (u16)(s16)(NOISE_DEFAULT + delta);
	r->reg0 = SM(TOTAL_GAIN_DB, SEARCH_FFT_REPORT_REG0_TOTAL_GAIN_DB) |
		  SM(0U, SEARCH_FFT_REPORT_REG0_FFT_CHN_IDX) |
		  SM((peak - dc) & 0xfff, SEARCH_FFT_REPORT_REG0_PEAK_SIDX);
	r->reg1 = SM((u32)clamp(db10((u64)r->bins[peak] * r->bins[peak] * n, sum_sq), 0, 63),
		     SEARCH_FFT_REPORT_REG1_RELPWR_DB) |
		  SM((u32)clamp(db10(sum_sq, n), 0, 255), SEARCH_FFT_REPORT_REG1_AVGPWR_DB) |
		  SM(mag, SEARCH_FFT_REPORT_REG1_PEAK_MAG) |
		  SM(min(strong, 255U), SEARCH_FFT_REPORT_REG1_NUM_STR_BINS_IB);
}

/* get_max_exp, as the driver has it: the shift that gives the peak bin
 * back from max_magnitude; 0 when the index lies outside the bins or no
 * shift matches. */
static u8 get_max_exp(s8 max_index, u16 max_magnitude, size_t bin_len, const u8 *data)
{
	int dc_pos = bin_len / 2;
	u8 max_exp;

	if (dc_pos < max_index || -dc_pos >= max_index)
		return 0;
	for (max_exp = 0; max_exp < 8; max_exp++) {
		if (data[dc_pos + max_index] == (max_magnitude >> max_exp))
			break;
	}
	if (data[dc_pos + max_index] != (max_magnitude >> max_exp))
		return 0;
	return max_exp;
}

/* ath10k_spectral_process_fft, line by line; false where it returns
 * -EINVAL and the sample is lost. */
static bool a10k_process_fft(const struct a10k_report *r, size_t bin_len, u64 tsf,
			     struct wire_ath10k *s)
{
	u16 total_gain_db, base_pwr_db, length, peak_mag;
	u32 reg0 = r->reg0, reg1 = r->reg1;
	u8 *data = (u8 *)(s + 1); /* the bins follow the fields */
	u8 chain_idx;
	int dc_pos;

	/* ath10k_spectral_fix_bin_size: QCA988x's bins are a power of two */
	if (bin_len < 64 || bin_len > SPECTRAL_ATH10K_MAX_NUM_BINS)
		return false;
	length = wire_length(sizeof(*s) + bin_len);
	s->type = WIRE_ATH10K;
	wire_put_be16(s->length, length);

	/* the widths the driver reports, and no 80 MHz samples of 64 bins */
	switch (r->chan_width_mhz) {
	case 20:
		s->chan_width_mhz = 22;
		break;
	case 40:
		s->chan_width_mhz = 44;
		break;
	case 80:
		if (bin_len == 64)
			return false;
		s->chan_width_mhz = 88;
		break;
	default:
		s->chan_width_mhz = r->chan_width_mhz;
	}

	s->relpwr_db = MS(reg1, SEARCH_FFT_REPORT_REG1_RELPWR_DB);
	s->avgpwr_db = MS(reg1, SEARCH_FFT_REPORT_REG1_AVGPWR_DB);
	peak_mag = MS(reg1, SEARCH_FFT_REPORT_REG1_PEAK_MAG);
	wire_put_be16(s->max_magnitude, peak_mag);
	s->max_index = MS(reg0, SEARCH_FFT_REPORT_REG0_PEAK_SIDX);
	s->rssi = r->rssi_combined;
	total_gain_db = MS(reg0, SEARCH_FFT_REPORT_REG0_TOTAL_GAIN_DB);
	base_pwr_db = MS(reg0, SEARCH_FFT_REPORT_REG0_BASE_PWR_DB);
	wire_put_be16(s->total_gain_db, total_gain_db);
	wire_put_be16(s->base_pwr_db, base_pwr_db);
	wire_put_be16(s->freq1, r->freq1);
	wire_put_be16(s->freq2, r->freq2);
	chain_idx = MS(reg0, SEARCH_FFT_REPORT_REG0_FFT_CHN_IDX);
	wire_put_be16(s->noise, r->nf_chains[chain_idx]);
	wire_put_be64(s->tsf, tsf);
	/* from the bins as they came, before the DC fix */
	s->max_exp = get_max_exp(s->max_index, peak_mag, bin_len, r->bins);
	memcpy(data, r->bins, bin_len);
	/* the DC bin is interpolated from its neighbours */
	dc_pos = bin_len / 2;
	data[dc_pos] = (data[dc_pos + 1] + data[dc_pos - 1]) / 2;
	return true;
}

/* ------------------------------------------------------------------------
 * Relay writes, with p->lock held.
 */
static struct rchan_buf *relay_buf(struct bench_phy *p)
{
	return *per_cpu_ptr(p->rchan->buf, 0);
}

/* relay_write() drops a record that finds the buffer full and then leaves
 * the offset past the sub-buffer's end. */
static bool relay_put(struct bench_phy *p, const void *data, size_t len)
{
	relay_write(p->rchan, data, len);
	return relay_buf(p)->offset <= p->rchan->subbuf_size;
}

/* Raw test bytes go in pieces that end on sub-buffer boundaries, so the
 * relay adds no padding and a reader gets exactly these bytes back.
 * Returns how many were taken. */
static size_t relay_put_bytes(struct bench_phy *p, const u8 *data, size_t len)
{
	size_t done = 0;

	while (done < len) {
		size_t off = relay_buf(p)->offset;
		size_t sub = p->rchan->subbuf_size;
		size_t room = off < sub ? sub - off : sub;
		size_t n = min(len - done, room);

		if (!relay_put(p, data + done, n))
			break;
		done += n;
	}
	return done;
}

static void log_event(struct bench_phy *p, enum ev_kind kind, unsigned int samples, u32 injected)
{
	struct bench_event *e;

	if (p->n_events >= MAX_EVENTS) {
		p->events_lost++;
		return;
	}
	e = &p->events[p->n_events];
	e->kind = kind;
	e->mode = p->mode;
	e->scanning = p->scanning;
	e->freq = current_freq(p);
	e->samples = min(samples, 65535U);
	e->injected = injected;
	/* the reader may look at n_events without the lock */
	smp_wmb();
	p->n_events++;
}

/* ------------------------------------------------------------------------
 * Bursts: what the chip is measuring, delivered by the work item when due.
 */
static unsigned int burst_ffts(const struct burst *b)
{
	return b->entries * b->per_entry;
}

static struct burst *burst_at(struct bench_phy *p, unsigned int i)
{
	return &p->bursts[(p->b_head + i) % MAX_BURSTS];
}

static void arm_timer(struct bench_phy *p)
{
	if (p->b_len && !p->dying)
		hrtimer_start(&p->timer, burst_at(p, 0)->due, HRTIMER_MODE_ABS);
}

static void queue_burst(struct bench_phy *p, unsigned int entries, bool endless, ktime_t now)
{
	struct burst *b;

	if (p->b_len == MAX_BURSTS) {
		/* the chip runs them back to back anyway */
		b = burst_at(p, p->b_len - 1);
		b->entries = min(b->entries + entries, 65535U);
		return;
	}
	b = burst_at(p, p->b_len++);
	b->due = ktime_add_ms(now, min(sample_delay_ms, (unsigned int)MAX_DELAY_MS));
	b->entries = entries;
	/* ath10k: one FFT per phyerr report */
	b->per_entry = ath10k ? 1 : 1 + p->short_repeat;
	b->endless = endless;
	b->fft_size = p->fw_fft_size;
	if (endless)
		p->endless_queued = true;
	if (p->b_len == 1)
		arm_timer(p);
}

static unsigned int pending_ffts(struct bench_phy *p)
{
	unsigned int i, n = 0;

	for (i = 0; i < p->b_len; i++)
		n += burst_ffts(burst_at(p, i));
	return n;
}

/* Receiving stops: what was not yet delivered is lost (ath_stoprecv at a
 * reset, recv.c's mode check after "disable", full sleep). */
static void drop_pending(struct bench_phy *p)
{
	unsigned int n = pending_ffts(p);

	if (p->b_len) {
		p->lost += n;
		log_event(p, EV_DROP, n, ~0U);
	}
	p->b_len = 0;
	p->endless_queued = false;
	hrtimer_try_to_cancel(&p->timer);
}

/* ath9k_ps_restore: an idle chip's sleep timer is (re)armed for 100 ms,
 * and ath_ps_full_sleep then stops receive DMA; once stopped, only a reset
 * restarts it. ath9k_htc's restore sleeps an idle chip at once. */
static void ps_restore(struct bench_phy *p, ktime_t now)
{
	if (p->idle && ktime_before(now, p->rx_stop_at))
		p->rx_stop_at = htc ? now : ktime_add_ms(now, 100);
}

/* ath9k_hw_ops(ah)->spectral_scan_config's count: AR93xx sends endlessly on
 * 0, AR92xx on bit 7; neither is wanted outside background mode. */
static unsigned int chip_count(struct bench_phy *p)
{
	unsigned int n = p->count;

	if (p->chip == CHIP_AR92XX && (n & 0x80))
		n = 0x7f;
	return n ? n : 1;
}

/* ath9k_cmn_spectral_scan_trigger, with p->lock held. */
static unsigned int trigger(struct bench_phy *p, ktime_t now)
{
	unsigned int n;

	if (p->chip == CHIP_AR5416 || p->mode == MODE_DISABLED)
		return 0;
	if (p->mode == MODE_BACKGROUND) {
		/* endless: a trigger while it runs changes nothing */
		n = p->endless_queued ? 0 : 1 + p->short_repeat;
		if (!p->endless_queued)
			queue_burst(p, 1, true, now);
	} else {
		n = chip_count(p) * (1 + p->short_repeat);
		queue_burst(p, chip_count(p), false, now);
	}
	ps_restore(p, now);
	return n;
}

/* One report: ath_cmn_process_fft for each FFT it carries. */
static unsigned int deliver_report(struct bench_phy *p, unsigned int ffts, unsigned int *k)
{
	const struct cfg80211_chan_def *cd = &p->hw->conf.chandef;
	union {
		struct wire_ht20 ht20;
		struct wire_ht20_40 ht40;
	} s;
	struct chip_fft c;
	bool wide = cd->width == NL80211_CHAN_WIDTH_40, plus, ok;
	unsigned int i, written = 0;
	s8 noise, ext_noise;
	u16 freq;

	if (!cd->chan)
		return 0;
	freq = cd->chan->center_freq;
	plus = cd->center_freq1 > freq;
	/* ah->noise, and the extension channel's calibrated floor */
	noise = NOISE_DEFAULT + nf_delta(freq);
	ext_noise = NOISE_DEFAULT + nf_delta(plus ? freq + 20 : freq - 20);
	/* ath_cmn_is_fft_buf_full: a full relay skips the whole report */
	if (relay_buf_full(relay_buf(p))) {
		p->dropped += ffts;
		return 0;
	}
	for (i = 0; i < ffts; i++, (*k)++) {
		u64 tsf = p->tsf = max(p->tsf + 1, (u64)ktime_us_delta(ktime_get(), p->t0));

		chip_fft(p, &c, wide ? WIRE_HT20_40_BINS : WIRE_HT20_BINS, *k);
		if (wide)
			ok = process_ht20_40(&c, freq, plus, noise, ext_noise, tsf, &s.ht40);
		else
			ok = process_ht20(&c, freq, noise, tsf, &s.ht20);
		if (!ok)
			p->discarded++;
		else if (relay_put(p, &s, wide ? sizeof(s.ht40) : sizeof(s.ht20)))
			written++;
		else
			p->dropped++;
	}
	return written;
}

/* One ath10k phyerr report, one FFT: ath10k_wmi_event_spectral_scan ->
 * ath10k_spectral_process_fft -> send_fft_sample, which writes to the
 * relay whatever the mode (no check like ath9k's recv.c) and whether or
 * not it is full (no ath_cmn_is_fft_buf_full: the relay drops it). */
static unsigned int a10k_deliver_report(struct bench_phy *p, const struct burst *b,
					unsigned int *k)
{
	u8 buf[sizeof(struct wire_ath10k) + SPECTRAL_ATH10K_MAX_NUM_BINS];
	struct wire_ath10k *s = (void *)buf;
	unsigned int n = a10k_bins(b->fft_size);
	struct a10k_report r;
	u64 tsf;

	if (!p->hw->conf.chandef.chan)
		return 0;
	tsf = p->tsf = max(p->tsf + 1, (u64)ktime_us_delta(ktime_get(), p->t0));
	a10k_chip_fft(p, &r, n, (*k)++);
	if (!a10k_process_fft(&r, n, tsf, s)) {
		p->discarded++;
		return 0;
	}
	if (relay_put(p, s, wire_be16(s->length) + sizeof(struct wire_tlv)))
		return 1;
	p->dropped++;
	return 0;
}

/* A burst's FFTs reach the driver's receive path, with p->lock held. */
static void deliver(struct bench_phy *p, const struct burst *b)
{
	unsigned int n = burst_ffts(b), e, k = 0, written = 0;
	u32 injected;

	p->sample_events++;
	if (!ktime_before(b->due, p->rx_stop_at)) {
		p->lost += n;
		log_event(p, EV_DROP, n, ~0U);
		return;
	}
	/* A silent radio, or radar detection: recv.c hands every PHY error to
	 * the DFS detector (ath9k_htc does no DFS; ath10k's firmware reports
	 * radar and spectral PHY errors apart, ath10k_wmi_event_phyerr). */
	if (p->silent || (!htc && !ath10k && p->hw->conf.radar_enabled)) {
		p->deaf += n;
		log_event(p, EV_DELIVER, 0, ~0U);
		return;
	}
	if (p->inject_armed) {
		injected = relay_put_bytes(p, p->inject_buf, p->inject_len);
		p->injected += injected;
		p->dropped += p->inject_len - injected;
		p->inject_armed = false;
		p->synthetic_off = true;
		log_event(p, EV_DELIVER, 0, injected);
		return;
	}
	if (!p->synthetic_off)
		for (e = 0; e < b->entries; e++)
			written += ath10k ? a10k_deliver_report(p, b, &k) :
					    deliver_report(p, b->per_entry, &k);
	p->samples += written;
	log_event(p, EV_DELIVER, written, ~0U);
}

/* Stands in for the receive tasklet: every burst that is due, in order. */
static void deliver_work(struct work_struct *work)
{
	struct bench_phy *p = container_of(work, struct bench_phy, work);
	unsigned long flags;
	ktime_t now;

	spin_lock_irqsave(&p->lock, flags);
	now = ktime_get();
	while (p->b_len && !ktime_after(burst_at(p, 0)->due, now)) {
		struct burst b = *burst_at(p, 0);

		p->b_head = (p->b_head + 1) % MAX_BURSTS;
		p->b_len--;
		deliver(p, &b);
		if (b.endless) {
			p->endless_queued = false;
			/* background sampling goes on until "disable" or a reset */
			if (p->mode == MODE_BACKGROUND && (!ath10k || p->fw_running) &&
			    p->b_len < MAX_BURSTS && ktime_before(now, p->rx_stop_at)) {
				queue_burst(p, 1, true, now);
				burst_at(p, p->b_len - 1)->due =
					ktime_add_ms(now, max(sample_delay_ms, 1U));
			}
		}
	}
	arm_timer(p);
	spin_unlock_irqrestore(&p->lock, flags);
}

static enum hrtimer_restart burst_due(struct hrtimer *t)
{
	struct bench_phy *p = container_of(t, struct bench_phy, timer);

	queue_work(system_highpri_wq, &p->work);
	return HRTIMER_NORESTART;
}

/* ------------------------------------------------------------------------
 * Channel changes, idle and the scanning state, seen through kprobes on
 * hwsim's mac80211 callbacks. ath9k_config resets the chip on a channel
 * change and when the radio leaves idle (ath_chanctx_set_channel ->
 * ath_set_channel -> ath_reset), which stops and restarts receiving; after
 * the reset ath_set_channel triggers in chanscan mode while ATH_OP_SCANNING
 * is set, which its sw_scan_start sets and its sw_scan_complete clears, and
 * never with radar detection on. hwsim's own sw_scan_start/complete run at
 * the same points of mac80211's software scan, so probing them gives the
 * same window. mac80211 restores the operating channel before it calls
 * sw_scan_complete (and after it reports the scan's end), so the return
 * counts as a scanned channel, as on ath9k.
 */
#if LINUX_VERSION_CODE >= KERNEL_VERSION(6, 16, 0)
#define CONFIG_CHANGED_ARG 2	/* config(hw, radio_idx, changed) */
#else
#define CONFIG_CHANGED_ARG 1	/* config(hw, changed) */
#endif

/*
 * Argument N of the probed function at its entry. MIPS has no
 * regs_get_kernel_argument: its calling conventions pass the first four
 * in $a0..$a3 (registers 4 to 7).
 */
static unsigned long probe_arg(struct pt_regs *regs, unsigned int n)
{
#ifdef CONFIG_MIPS
	return n < 4 ? regs->regs[4 + n] : 0;
#else
	return regs_get_kernel_argument(regs, n);
#endif
}

/*
 * MIPS kprobes single-step the probed instruction in a slot out of line,
 * ended by a second break. On the 24Kc guest that second break now and
 * then found no kprobe running and oopsed ("Break instruction in kernel
 * code" in the slot of mac80211_hwsim_config). Each probed function here
 * opens with "addiu sp, sp, -N": doing that in the handler and returning 1
 * skips the slot altogether.
 */
static int step_done(struct kprobe *kp, struct pt_regs *regs)
{
#ifdef CONFIG_MIPS
	u32 insn = kp->opcode.word;

	if ((insn & 0xffff0000) == 0x27bd0000) {	/* addiu sp, sp, imm */
		regs->regs[29] += (s16)(insn & 0xffff);
		regs->cp0_epc += 4;
		return 1;
	}
#endif
	return 0;
}

static int config_pre(struct kprobe *kp, struct pt_regs *regs)
{
	struct bench_phy *p = phy_of_hw((void *)probe_arg(regs, 0));
	u32 changed = probe_arg(regs, CONFIG_CHANGED_ARG);
	unsigned long flags;
	bool reset = false;
	ktime_t now;

	if (!p)
		return step_done(kp, regs);
	spin_lock_irqsave(&p->lock, flags);
	now = ktime_get();
	/* mac80211 configures everything right after drv_start */
	if (ath10k && p->hw_stopped) {
		p->hw_stopped = false;
		a10k_spectral_start(p);
	}
	if (changed & IEEE80211_CONF_CHANGE_IDLE) {
		p->idle = p->hw->conf.flags & IEEE80211_CONF_IDLE;
		reset |= !p->idle;
	}
	if (changed & IEEE80211_CONF_CHANGE_CHANNEL) {
		p->channel_changes++;
		if (p->scanning)
			p->scan_channel_changes++;
		reset = true;
	}
	if (reset) {
		unsigned int n = 0;

		drop_pending(p);
		p->rx_stop_at = KTIME_MAX;
		if (p->scanning && p->mode == MODE_CHANSCAN && !p->hw->conf.radar_enabled)
			n = trigger(p, now);
		if (changed & IEEE80211_CONF_CHANGE_CHANNEL)
			log_event(p, EV_CHANNEL, n, ~0U);
	}
	ps_restore(p, now);
	spin_unlock_irqrestore(&p->lock, flags);
	return step_done(kp, regs);
}

static void set_scanning(struct pt_regs *regs, bool on)
{
	struct bench_phy *p = phy_of_hw((void *)probe_arg(regs, 0));
	unsigned long flags;

	if (!p)
		return;
	spin_lock_irqsave(&p->lock, flags);
	p->scanning = on;
	spin_unlock_irqrestore(&p->lock, flags);
}

static int scan_start_pre(struct kprobe *kp, struct pt_regs *regs)
{
	set_scanning(regs, true);
	return step_done(kp, regs);
}

static int scan_complete_pre(struct kprobe *kp, struct pt_regs *regs)
{
	set_scanning(regs, false);
	return step_done(kp, regs);
}

static struct kprobe kp_config = {
	.symbol_name = "mac80211_hwsim_config",
	.pre_handler = config_pre,
};
static struct kprobe kp_scan_start = {
	.symbol_name = "mac80211_hwsim_sw_scan",
	.pre_handler = scan_start_pre,
};
static struct kprobe kp_scan_complete = {
	.symbol_name = "mac80211_hwsim_sw_scan_complete",
	.pre_handler = scan_complete_pre,
};
static struct kprobe *kprobes[] = { &kp_scan_start, &kp_scan_complete, &kp_config };

/* ath10k_stop: the firmware goes down with what it was measuring; the
 * next ath10k_start resets spectral (seen at mac80211's first config). */
static int stop_pre(struct kprobe *kp, struct pt_regs *regs)
{
	struct bench_phy *p = phy_of_hw((void *)probe_arg(regs, 0));
	unsigned long flags;

	if (p) {
		spin_lock_irqsave(&p->lock, flags);
		drop_pending(p);
		p->hw_stopped = true;
		spin_unlock_irqrestore(&p->lock, flags);
	}
	return step_done(kp, regs);
}

/* ath10k_remove_interface -> ath10k_spectral_vif_stop: the vif doing
 * spectral disables it as it goes */
static int remove_if_pre(struct kprobe *kp, struct pt_regs *regs)
{
	struct bench_phy *p = phy_of_hw((void *)probe_arg(regs, 0));
	struct ieee80211_vif *vif = (void *)probe_arg(regs, 1);
	unsigned long flags;

	if (p) {
		spin_lock_irqsave(&p->lock, flags);
		if (vif == p->spectral_vif) {
			p->spectral_vif = NULL;
			p->mode = MODE_DISABLED;
			p->fw_running = false;
		}
		spin_unlock_irqrestore(&p->lock, flags);
	}
	return step_done(kp, regs);
}

static struct kprobe kp_stop = {
	.symbol_name = "mac80211_hwsim_stop",
	.pre_handler = stop_pre,
};
static struct kprobe kp_remove_if = {
	.symbol_name = "mac80211_hwsim_remove_interface",
	.pre_handler = remove_if_pre,
};
static struct kprobe *a10k_kprobes[] = { &kp_stop, &kp_remove_if };

/* ------------------------------------------------------------------------
 * ath9k/ files
 */
static enum word parse_word(const char *buf)
{
	int w;

	for (w = W_TRIGGER; w <= W_DISABLE; w++)
		if (!(ath10k && w == W_CHANSCAN) && !strncmp(words[w], buf, strlen(words[w])))
			return w;
	return W_NONE;
}

static int check_fail(struct bench_phy *p, enum word w)
{
	return p->fail_word == w ? -p->fail_errno : 0;
}

/* ath10k_get_spectral_vdev: the vif already doing spectral, else the
 * first of ath10k's arvifs, the newest (mac80211 lists the oldest first).
 * The active interfaces are those in the driver; no monitor is an arvif
 * (hwsim's virtual monitor comes from WANT_MONITOR_VIF, which ath10k does
 * not set). */
struct vdev_pick {
	struct ieee80211_vif *want, *found, *last;
};

static void pick_vif(void *data, u8 *mac, struct ieee80211_vif *vif)
{
	struct vdev_pick *v = data;

	if (vif->type == NL80211_IFTYPE_MONITOR)
		return;
	if (vif == v->want)
		v->found = vif;
	v->last = vif;
}

static struct ieee80211_vif *spectral_vdev(struct bench_phy *p)
{
	struct vdev_pick v = { .want = p->spectral_vif };

	ieee80211_iterate_active_interfaces_atomic(p->hw, IEEE80211_IFACE_ITER_NORMAL,
						   pick_vif, &v);
	return v.found ? v.found : v.last;
}

/* ath10k_spectral_scan_config, with p->lock held. The firmware's scan
 * stops (ENABLE_CMD_DISABLE) whatever the mode; background sends the
 * firmware's default count (endless), manual at least 1. */
static int a10k_config(struct bench_phy *p, enum mode mode, ktime_t now)
{
	struct ieee80211_vif *vif = spectral_vdev(p);

	if (!vif)
		return -ENODEV;
	p->spectral_vif = mode != MODE_DISABLED ? vif : NULL;
	p->mode = mode;
	p->fw_running = false;
	ps_restore(p, now);
	if (mode == MODE_DISABLED)
		return 0;
	p->fw_count = mode == MODE_BACKGROUND ? WMI_SPECTRAL_COUNT_DEFAULT :
		      max_t(u8, 1, p->count);
	p->fw_fft_size = p->fft_size;
	return 0;
}

/* ath10k_spectral_scan_trigger, with p->lock held; *n: FFTs started */
static int a10k_trigger(struct bench_phy *p, ktime_t now, unsigned int *n)
{
	if (!spectral_vdev(p))
		return -ENODEV;
	if (p->mode == MODE_DISABLED)
		return 0;
	p->fw_running = true;
	if (p->mode == MODE_BACKGROUND) {
		/* already sampling: it goes on with the new configuration */
		if (!p->endless_queued) {
			queue_burst(p, 1, true, now);
			*n = 1;
		}
	} else {
		queue_burst(p, p->fw_count, false, now);
		*n = p->fw_count;
	}
	ps_restore(p, now);
	return 0;
}

/* write_file_spec_scan_ctl: "trigger" reconfigures first, so changed
 * counts and bins take effect; outside background and manual it is
 * -EINVAL. Every other word configures, which needs a vif (-ENODEV). */
static ssize_t a10k_ctl_write(struct bench_phy *p, enum word w, size_t count)
{
	unsigned long flags;
	unsigned int n = 0;
	ktime_t now;
	int res;

	spin_lock_irqsave(&p->lock, flags);
	now = ktime_get();
	if (w == W_TRIGGER) {
		p->triggers++;
		if (p->mode == MODE_MANUAL || p->mode == MODE_BACKGROUND) {
			a10k_config(p, p->mode, now);	/* the driver only warns */
			res = a10k_trigger(p, now, &n);
		} else {
			res = -EINVAL;
		}
		log_event(p, EV_TRIGGER, n, ~0U);
	} else {
		res = a10k_config(p, w == W_BACKGROUND ? MODE_BACKGROUND :
				     w == W_MANUAL ? MODE_MANUAL : MODE_DISABLED, now);
	}
	spin_unlock_irqrestore(&p->lock, flags);
	return res < 0 ? res : count;
}

static ssize_t ctl_read(struct file *file, char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;
	const char *m = mode_words[READ_ONCE(p->mode)];

	return simple_read_from_buffer(ubuf, count, ppos, m, strlen(m));
}

static ssize_t ctl_write(struct file *file, const char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;
	char buf[32];
	size_t len = min(count, sizeof(buf) - 1);
	unsigned long flags;
	unsigned int n;
	enum word w;
	ktime_t now;
	int err;

	if (copy_from_user(buf, ubuf, len))
		return -EFAULT;
	buf[len] = '\0';
	w = parse_word(buf);
	if (w == W_NONE)
		return -EINVAL;
	err = check_fail(p, w);
	if (err)
		return err;
	if (ath10k)
		return a10k_ctl_write(p, w, count);

	spin_lock_irqsave(&p->lock, flags);
	now = ktime_get();
	if (w == W_TRIGGER) {
		p->triggers++;
		n = trigger(p, now);
		log_event(p, EV_TRIGGER, n, ~0U);
	} else if (p->chip != CHIP_AR5416) {
		/* ath9k_cmn_spectral_scan_config; without spectral ops it
		 * returns before changing the mode, and the write succeeds */
		if (w == W_DISABLE && !htc)
			drop_pending(p);	/* recv.c passes nothing on once disabled */
		p->mode = w == W_BACKGROUND ? MODE_BACKGROUND :
			  w == W_CHANSCAN ? MODE_CHANSCAN :
			  w == W_MANUAL ? MODE_MANUAL : MODE_DISABLED;
		ps_restore(p, now);
	}
	spin_unlock_irqrestore(&p->lock, flags);
	return count;
}

static const struct file_operations ctl_fops = {
	.owner = THIS_MODULE,
	.open = simple_open,
	.read = ctl_read,
	.write = ctl_write,
	.llseek = default_llseek,
};

/* spectral_short_repeat, _count, _period, _fft_period: kstrtoul, range
 * check, "%d\n"; the chip sees them at the next trigger. */
static ssize_t num_read(struct file *file, char __user *ubuf, size_t count, loff_t *ppos)
{
	struct num_file *f = file->private_data;
	char buf[32];
	int len = scnprintf(buf, sizeof(buf), "%u\n", READ_ONCE(*f->val));

	return simple_read_from_buffer(ubuf, count, ppos, buf, len);
}

static ssize_t num_write(struct file *file, const char __user *ubuf, size_t count, loff_t *ppos)
{
	struct num_file *f = file->private_data;
	char buf[32];
	size_t len = min(count, sizeof(buf) - 1);
	unsigned long val;
	int err;

	if (copy_from_user(buf, ubuf, len))
		return -EFAULT;
	buf[len] = '\0';
	if (kstrtoul(buf, 0, &val) || val > f->max)
		return -EINVAL;
	if (f->val == &f->p->count) {
		err = check_fail(f->p, W_COUNT);
		if (err)
			return err;
	}
	WRITE_ONCE(*f->val, val);
	return count;
}

static const struct file_operations num_fops = {
	.owner = THIS_MODULE,
	.open = simple_open,
	.read = num_read,
	.write = num_write,
	.llseek = default_llseek,
};

/* read_file_spectral_bins / write_file_spectral_bins: the bins the next
 * configuration asks for, 2^(fft_size - bin_scale) */
static ssize_t bins_read(struct file *file, char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;
	char buf[32];
	int len = scnprintf(buf, sizeof(buf), "%u\n", a10k_bins(READ_ONCE(p->fft_size)));

	return simple_read_from_buffer(ubuf, count, ppos, buf, len);
}

static ssize_t bins_write(struct file *file, const char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;
	char buf[32];
	size_t len = min(count, sizeof(buf) - 1);
	unsigned long val;

	if (copy_from_user(buf, ubuf, len))
		return -EFAULT;
	buf[len] = '\0';
	if (kstrtoul(buf, 0, &val))
		return -EINVAL;
	if (val < 64 || val > SPECTRAL_ATH10K_MAX_NUM_BINS)
		return -EINVAL;
	if (!is_power_of_2(val))
		return -EINVAL;
	WRITE_ONCE(p->fft_size, ilog2(val) + WMI_SPECTRAL_BIN_SCALE_DEFAULT);
	return count;
}

static const struct file_operations bins_fops = {
	.owner = THIS_MODULE,
	.open = simple_open,
	.read = bins_read,
	.write = bins_write,
	.llseek = default_llseek,
};

static struct dentry *create_buf_file(const char *filename, struct dentry *parent,
				      umode_t mode, struct rchan_buf *buf, int *is_global)
{
	struct dentry *d = debugfs_create_file(filename, mode, parent, buf,
					       &relay_file_operations);

	if (IS_ERR(d))
		return NULL;
	*is_global = 1;
	return d;
}

static int remove_buf_file(struct dentry *dentry)
{
	debugfs_remove(dentry);
	return 0;
}

static const struct rchan_callbacks relay_cb = {
	.create_buf_file = create_buf_file,
	.remove_buf_file = remove_buf_file,
};

/* ------------------------------------------------------------------------
 * rfpeek_bench/<phy>/ knobs
 */
static ssize_t preload_write(struct file *file, const char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;
	size_t len = min_t(size_t, count, RELAY_BYTES), done;
	unsigned long flags;
	u8 *tmp;

	tmp = vmalloc(len ? len : 1);
	if (!tmp)
		return -ENOMEM;
	if (copy_from_user(tmp, ubuf, len)) {
		vfree(tmp);
		return -EFAULT;
	}
	spin_lock_irqsave(&p->lock, flags);
	done = relay_put_bytes(p, tmp, len);
	p->preloaded += done;
	p->dropped += len - done;
	spin_unlock_irqrestore(&p->lock, flags);
	vfree(tmp);
	return done ? done : (len ? -ENOSPC : 0);
}

static const struct file_operations preload_fops = {
	.owner = THIS_MODULE,
	.open = simple_open,
	.write = preload_write,
};

static int inject_open(struct inode *inode, struct file *file)
{
	struct bench_phy *p = inode->i_private;
	unsigned long flags;

	if (!(file->f_mode & FMODE_WRITE))
		return -EACCES;
	if (test_and_set_bit(0, &p->inject_busy))
		return -EBUSY;
	if (!p->inject_buf) {
		p->inject_buf = vmalloc(RELAY_BYTES);
		if (!p->inject_buf) {
			clear_bit(0, &p->inject_busy);
			return -ENOMEM;
		}
	}
	spin_lock_irqsave(&p->lock, flags);
	p->inject_armed = false;
	p->inject_len = 0;
	spin_unlock_irqrestore(&p->lock, flags);
	file->private_data = p;
	return 0;
}

static ssize_t inject_write(struct file *file, const char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;

	if (count > RELAY_BYTES - p->inject_len)
		return -EFBIG;
	if (copy_from_user(p->inject_buf + p->inject_len, ubuf, count))
		return -EFAULT;
	p->inject_len += count;
	return count;
}

static int inject_release(struct inode *inode, struct file *file)
{
	struct bench_phy *p = file->private_data;
	unsigned long flags;

	spin_lock_irqsave(&p->lock, flags);
	p->inject_armed = true;
	spin_unlock_irqrestore(&p->lock, flags);
	clear_bit(0, &p->inject_busy);
	return 0;
}

static const struct file_operations inject_fops = {
	.owner = THIS_MODULE,
	.open = inject_open,
	.write = inject_write,
	.release = inject_release,
};

static int counters_show(struct seq_file *m, void *v)
{
	static const char *const names[] = {
		"triggers", "channel_changes", "scan_channel_changes",
		"sample_events", "samples", "dropped", "discarded", "lost", "deaf",
		"preloaded", "injected", "events_lost", "inject_armed", "scanning",
		"idle", "asleep", "pending",
	};
	struct bench_phy *p = m->private;
	unsigned long c[ARRAY_SIZE(names)], flags;
	bool synthetic_off;
	size_t i;

	spin_lock_irqsave(&p->lock, flags);
	c[0] = p->triggers;
	c[1] = p->channel_changes;
	c[2] = p->scan_channel_changes;
	c[3] = p->sample_events;
	c[4] = p->samples;
	c[5] = p->dropped;
	c[6] = p->discarded;
	c[7] = p->lost;
	c[8] = p->deaf;
	c[9] = p->preloaded;
	c[10] = p->injected;
	c[11] = p->events_lost;
	c[12] = p->inject_armed;
	c[13] = p->scanning;
	c[14] = p->idle;
	c[15] = !ktime_before(ktime_get(), p->rx_stop_at);
	c[16] = pending_ffts(p);
	synthetic_off = p->synthetic_off;
	spin_unlock_irqrestore(&p->lock, flags);

	for (i = 0; i < ARRAY_SIZE(names); i++)
		seq_printf(m, "%s %lu\n", names[i], c[i]);
	seq_printf(m, "synthetic %s\n", synthetic_off ? "off" : "on");
	return 0;
}

static int counters_open(struct inode *inode, struct file *file)
{
	return single_open(file, counters_show, inode->i_private);
}

static const struct file_operations counters_fops = {
	.owner = THIS_MODULE,
	.open = counters_open,
	.read = seq_read,
	.llseek = seq_lseek,
	.release = single_release,
};

static int events_show(struct seq_file *m, void *v)
{
	struct bench_phy *p = m->private;
	unsigned int i, n = READ_ONCE(p->n_events);

	smp_rmb();
	for (i = 0; i < n; i++) {
		const struct bench_event *e = &p->events[i];

		seq_printf(m, "%s freq=%u mode=%s scanning=%u samples=%u",
			   ev_words[e->kind], e->freq, mode_words[e->mode], e->scanning,
			   e->samples);
		if (e->injected != ~0U)
			seq_printf(m, " injected=%u", e->injected);
		seq_putc(m, '\n');
	}
	return 0;
}

static int events_open(struct inode *inode, struct file *file)
{
	/* room for a full log without seq_file's retry loop */
	return single_open_size(file, events_show, inode->i_private, MAX_EVENTS * 80);
}

static const struct file_operations events_fops = {
	.owner = THIS_MODULE,
	.open = events_open,
	.read = seq_read,
	.llseek = seq_lseek,
	.release = single_release,
};

/* "WORD [ERRNO]": control writes of WORD fail with -ERRNO (default EIO);
 * WORD is a spectral_scan_ctl word or "count"; "none" clears. */
static ssize_t fail_write(struct file *file, const char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;
	char buf[32], *sp;
	size_t len = min(count, sizeof(buf) - 1);
	int w, err = EIO;

	if (copy_from_user(buf, ubuf, len))
		return -EFAULT;
	buf[len] = '\0';
	strim(buf);
	sp = strchr(buf, ' ');
	if (sp) {
		*sp++ = '\0';
		if (kstrtoint(strim(sp), 0, &err) || err <= 0 || err >= MAX_ERRNO)
			return -EINVAL;
	}
	if (!buf[0] || !strcmp(buf, "none")) {
		WRITE_ONCE(p->fail_word, W_NONE);
		return count;
	}
	for (w = W_TRIGGER; w <= W_COUNT; w++)
		if (!strcmp(buf, words[w]))
			break;
	if (w > W_COUNT)
		return -EINVAL;
	WRITE_ONCE(p->fail_errno, err);
	WRITE_ONCE(p->fail_word, w);
	return count;
}

static ssize_t fail_read(struct file *file, char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;
	enum word w = READ_ONCE(p->fail_word);
	char buf[32];
	int len;

	if (w == W_NONE)
		len = scnprintf(buf, sizeof(buf), "none\n");
	else
		len = scnprintf(buf, sizeof(buf), "%s %d\n", words[w], p->fail_errno);
	return simple_read_from_buffer(ubuf, count, ppos, buf, len);
}

static const struct file_operations fail_fops = {
	.owner = THIS_MODULE,
	.open = simple_open,
	.read = fail_read,
	.write = fail_write,
	.llseek = default_llseek,
};

/* "ar93xx" (default), "ar92xx", or "ar5416": no spectral ops, so mode
 * writes succeed and change nothing. */
static ssize_t chip_write(struct file *file, const char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;
	char buf[16];
	size_t len = min(count, sizeof(buf) - 1);
	unsigned long flags;
	int c;

	if (copy_from_user(buf, ubuf, len))
		return -EFAULT;
	buf[len] = '\0';
	c = sysfs_match_string(chip_words, strim(buf));
	if (c < 0)
		return -EINVAL;
	spin_lock_irqsave(&p->lock, flags);
	p->chip = c;
	if (c == CHIP_AR5416) {
		drop_pending(p);
		p->mode = MODE_DISABLED;
	}
	spin_unlock_irqrestore(&p->lock, flags);
	return count;
}

static ssize_t chip_read(struct file *file, char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;
	char buf[16];
	int len = scnprintf(buf, sizeof(buf), "%s\n", chip_words[READ_ONCE(p->chip)]);

	return simple_read_from_buffer(ubuf, count, ppos, buf, len);
}

static const struct file_operations chip_fops = {
	.owner = THIS_MODULE,
	.open = simple_open,
	.read = chip_read,
	.write = chip_write,
	.llseek = default_llseek,
};

/* Clears counters, the event log and the FFT sequence, so checks can share
 * one boot. */
static ssize_t reset_write(struct file *file, const char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;
	unsigned long flags;

	spin_lock_irqsave(&p->lock, flags);
	p->triggers = 0;
	p->channel_changes = 0;
	p->scan_channel_changes = 0;
	p->sample_events = 0;
	p->samples = 0;
	p->dropped = 0;
	p->discarded = 0;
	p->lost = 0;
	p->deaf = 0;
	p->preloaded = 0;
	p->injected = 0;
	p->events_lost = 0;
	p->n_events = 0;
	p->fft_seq = 0;
	spin_unlock_irqrestore(&p->lock, flags);
	return count;
}

static const struct file_operations reset_fops = {
	.owner = THIS_MODULE,
	.open = simple_open,
	.write = reset_write,
};

/* ------------------------------------------------------------------------
 * Finding the hwsim phys: every wiphy is a device of cfg80211's class,
 * reached from any wireless netdev.
 */
static bool is_hwsim(struct wiphy *wiphy)
{
	struct device *parent = wiphy->dev.parent;

	return parent && parent->driver && parent->driver->name &&
	       !strcmp(parent->driver->name, "mac80211_hwsim");
}

static int add_phy(struct device *dev, void *unused)
{
	struct wiphy *wiphy = container_of(dev, struct wiphy, dev);
	struct bench_phy *p;

	if (!is_hwsim(wiphy) || !wiphy->debugfsdir)
		return 0;
	if (n_phys == MAX_PHYS) {
		pr_warn("rfpeek_bench: more than %d hwsim phys, ignoring %s\n",
			MAX_PHYS, wiphy_name(wiphy));
		return 0;
	}
	p = kzalloc(sizeof(*p), GFP_KERNEL);
	if (!p)
		return -ENOMEM;
	p->wiphy = wiphy;
	p->hw = wiphy_to_ieee80211_hw(wiphy);
	/* ath9k_htc's chips (AR9271, AR7010 with AR9280/AR9287) take ar9002's ops */
	p->chip = htc ? CHIP_AR92XX : CHIP_AR93XX;
	/* ath9k_init_softc's spectral defaults */
	p->short_repeat = 1;
	p->count = 8;
	p->period = 0xFF;
	p->fft_period = 0xF;
	p->mode = MODE_DISABLED;
	if (ath10k)
		a10k_spectral_start(p);
	p->fail_word = W_NONE;
	p->fail_errno = EIO;
	p->t0 = ktime_get();
	/* an idle chip went to full sleep long ago */
	p->idle = p->hw->conf.flags & IEEE80211_CONF_IDLE;
	p->rx_stop_at = p->idle ? 0 : KTIME_MAX;
	spin_lock_init(&p->lock);
	hrtimer_init(&p->timer, CLOCK_MONOTONIC, HRTIMER_MODE_ABS);
	p->timer.function = burst_due;
	INIT_WORK(&p->work, deliver_work);
	phys[n_phys++] = p;
	return 0;
}

static int setup_phy(struct bench_phy *p)
{
	static const struct { const char *name; size_t off; unsigned int max; } nums[] = {
		{ "spectral_short_repeat", offsetof(struct bench_phy, short_repeat), 1 },
		{ "spectral_count", offsetof(struct bench_phy, count), 255 },
		{ "spectral_period", offsetof(struct bench_phy, period), 255 },
		{ "spectral_fft_period", offsetof(struct bench_phy, fft_period), 15 },
	};
	size_t i;

	if (ath10k) {
		/* ath10k_spectral_create: the relay, then the three files */
		p->ath9k_dir = debugfs_create_dir("ath10k", p->wiphy->debugfsdir);
		if (IS_ERR(p->ath9k_dir))
			return PTR_ERR(p->ath9k_dir);
		p->rchan = relay_open("spectral_scan", p->ath9k_dir, ATH10K_SUBBUF_SIZE,
				      ATH10K_N_SUBBUFS, &relay_cb, NULL);
		if (!p->rchan)
			return -ENOMEM;
		debugfs_create_file("spectral_scan_ctl", 0600, p->ath9k_dir, p, &ctl_fops);
		p->num_files[0] = (struct num_file){ p, &p->count, 255 };
		debugfs_create_file("spectral_count", 0600, p->ath9k_dir, &p->num_files[0],
				    &num_fops);
		debugfs_create_file("spectral_bins", 0600, p->ath9k_dir, p, &bins_fops);
		goto knobs;
	}
	p->ath9k_dir = debugfs_create_dir(htc ? "ath9k_htc" : "ath9k", p->wiphy->debugfsdir);
	if (IS_ERR(p->ath9k_dir))
		return PTR_ERR(p->ath9k_dir);
	p->rchan = relay_open("spectral_scan", p->ath9k_dir, SUBBUF_SIZE, N_SUBBUFS,
			      &relay_cb, NULL);
	if (!p->rchan)
		return -ENOMEM;
	debugfs_create_file("spectral_scan_ctl", 0600, p->ath9k_dir, p, &ctl_fops);
	for (i = 0; i < ARRAY_SIZE(nums); i++) {
		struct num_file *f = &p->num_files[i];

		f->p = p;
		f->val = (unsigned int *)((char *)p + nums[i].off);
		f->max = nums[i].max;
		debugfs_create_file(nums[i].name, 0600, p->ath9k_dir, f, &num_fops);
	}

knobs:
	p->knob_dir = debugfs_create_dir(wiphy_name(p->wiphy), knob_root);
	debugfs_create_file("preload", 0200, p->knob_dir, p, &preload_fops);
	debugfs_create_file("inject", 0200, p->knob_dir, p, &inject_fops);
	debugfs_create_file("counters", 0400, p->knob_dir, p, &counters_fops);
	debugfs_create_file("events", 0400, p->knob_dir, p, &events_fops);
	debugfs_create_file("fail_ctl", 0600, p->knob_dir, p, &fail_fops);
	if (!ath10k)
		debugfs_create_file("chip", 0600, p->knob_dir, p, &chip_fops);
	debugfs_create_bool("silent", 0600, p->knob_dir, &p->silent);
	debugfs_create_file("reset", 0200, p->knob_dir, p, &reset_fops);
	return 0;
}

static void teardown(void)
{
	unsigned long flags;
	int i;

	/* No knob writes, no deliveries (a late trigger only queues), then the
	 * relay: relay_close removes its own file before the directory goes. */
	debugfs_remove_recursive(knob_root);
	for (i = 0; i < n_phys; i++) {
		struct bench_phy *p = phys[i];

		spin_lock_irqsave(&p->lock, flags);
		p->dying = true;
		spin_unlock_irqrestore(&p->lock, flags);
		hrtimer_cancel(&p->timer);
		cancel_work_sync(&p->work);
		if (p->rchan)
			relay_close(p->rchan);
		debugfs_remove_recursive(p->ath9k_dir);
		vfree(p->inject_buf);
		kfree(p);
	}
	n_phys = 0;
}

static int __init bench_init(void)
{
	const struct class *cls = NULL;
	struct net_device *dev;
	int i, err;

	if (sample_delay_ms > MAX_DELAY_MS) {
		pr_err("rfpeek_bench: sample_delay_ms above %d\n", MAX_DELAY_MS);
		return -EINVAL;
	}
	if (htc && ath10k) {
		pr_err("rfpeek_bench: htc and ath10k are two different drivers\n");
		return -EINVAL;
	}
	rtnl_lock();
	for_each_netdev(&init_net, dev) {
		if (dev->ieee80211_ptr && is_hwsim(dev->ieee80211_ptr->wiphy)) {
			cls = dev->ieee80211_ptr->wiphy->dev.class;
			break;
		}
	}
	rtnl_unlock();
	if (!cls) {
		pr_err("rfpeek_bench: no mac80211_hwsim interface found; load mac80211_hwsim first\n");
		return -ENODEV;
	}
	err = class_for_each_device((void *)cls, NULL, NULL, add_phy);
	if (err)
		goto fail;

	knob_root = debugfs_create_dir("rfpeek_bench", NULL);
	for (i = 0; i < n_phys; i++) {
		err = setup_phy(phys[i]);
		if (err)
			goto fail;
	}
	err = register_kprobes(kprobes, ARRAY_SIZE(kprobes));
	if (err) {
		pr_err("rfpeek_bench: kprobes on mac80211_hwsim failed: %d\n", err);
		goto fail;
	}
	if (ath10k) {
		err = register_kprobes(a10k_kprobes, ARRAY_SIZE(a10k_kprobes));
		if (err) {
			pr_err("rfpeek_bench: kprobes on mac80211_hwsim failed: %d\n", err);
			unregister_kprobes(kprobes, ARRAY_SIZE(kprobes));
			goto fail;
		}
	}
	pr_info("rfpeek_bench: spectral stand-in (%s) on %d hwsim phy(s), samples after %u ms\n",
		ath10k ? "ath10k" : htc ? "ath9k_htc" : "ath9k", n_phys, sample_delay_ms);
	return 0;
fail:
	teardown();
	return err;
}

static void __exit bench_exit(void)
{
	if (ath10k)
		unregister_kprobes(a10k_kprobes, ARRAY_SIZE(a10k_kprobes));
	unregister_kprobes(kprobes, ARRAY_SIZE(kprobes));
	teardown();
}

module_init(bench_init);
module_exit(bench_exit);
MODULE_LICENSE("GPL");
MODULE_DESCRIPTION("ath9k/ath10k spectral-scan stand-in on mac80211_hwsim, for rfpeek's tests");
