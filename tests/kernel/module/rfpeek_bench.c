// SPDX-License-Identifier: GPL-2.0
/*
 * rfpeek_bench: a stand-in for the ath9k driver's spectral-scan files on
 * mac80211_hwsim radios, so that rfpeek meets a real kernel's nl80211,
 * debugfs and relay where no Atheros card exists.
 *
 * For every hwsim phy it creates, as ath9k does (common-spectral.c):
 *   <phy debugfs>/ath9k/spectral_scan_ctl   disable|background|manual|chanscan|trigger
 *   <phy debugfs>/ath9k/spectral_count      0..255, default 8
 *   <phy debugfs>/ath9k/spectral_scan0      relay, 1024 x 256 bytes, one global buffer
 * and, for the tests, /sys/kernel/debug/rfpeek_bench/<phy>/ (see README.md).
 *
 * Samples are HT20 records computed from a fixed synthetic scene, so a
 * capture on a given channel always looks the same.
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
#include <net/cfg80211.h>
#include <net/mac80211.h>

#define NUM_BINS 56
#define MAX_PHYS 32
#define SUBBUF_SIZE 1024
#define N_SUBBUFS 256
#define RELAY_BYTES (SUBBUF_SIZE * N_SUBBUFS)
#define MAX_EVENTS 1024

/* ath9k's HT20 record (drivers/net/wireless/ath/spectral_common.h is not
 * part of the installed headers). */
struct fft_sample_ht20 {
	u8 type;
	__be16 length;
	u8 max_exp;
	__be16 freq;
	s8 rssi;
	s8 noise;
	__be16 max_magnitude;
	u8 max_index;
	u8 bitmap_weight;
	__be64 tsf;
	u8 data[NUM_BINS];
} __packed;

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

enum ev_kind { EV_TRIGGER, EV_CHANNEL };

struct bench_event {
	u8 kind;
	u8 mode;
	u8 scanning;
	u16 freq;
	u16 samples;
	u32 injected; /* bytes; ~0 when nothing was injected */
};

struct bench_phy {
	struct wiphy *wiphy;
	struct ieee80211_hw *hw;
	struct dentry *ath9k_dir;
	struct dentry *knob_dir;
	struct rchan *rchan;

	/* Taken in the kprobe handlers too: state, counters and relay writes. */
	spinlock_t lock;
	enum mode mode;
	unsigned int count;
	bool scanning;
	u64 tsf;

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
 * Synthetic scene. Bin j of a sample taken at centre fc (MHz) lies at
 * fc + (j - 27.5) * 312.5 kHz. A bin's magnitude is the largest of the
 * noise floor and whatever scene item covers its frequency, so overlapping
 * channels agree about where things are. Magnitudes are linear FFT values
 * (max_exp 0); the floor is about 4, which rssi treats as 0 dB.
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

#define SCENE_NOISE (-95)
#define FLOOR_REF 4		/* magnitude taken as the noise floor */
#define WIDE_FLAT_HZ 8300000	/* flat top: +-8.3 MHz, like an OFDM signal */
#define WIDE_EDGE_HZ 10000000	/* skirt to +-10 MHz at a fifth of the level */
#define HALF_BIN_HZ 156250

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

static u8 scene_bin(u16 freq, int j, unsigned int k)
{
	s64 f = (s64)freq * 1000000 + (s64)(2 * j - 55) * HALF_BIN_HZ;
	u32 h = mix(((u32)freq << 16) ^ ((u32)j << 8) ^ (k * 0x9e3779b9U));
	unsigned int v = 3 + h % 3, c;
	size_t i;

	for (i = 0; i < ARRAY_SIZE(scene); i++) {
		s64 d = f - (s64)scene[i].centre_khz * 1000;

		if (d < 0)
			d = -d;
		c = 0;
		if (scene[i].kind == TONE && d < HALF_BIN_HZ)
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

static void scene_sample(struct fft_sample_ht20 *s, u16 freq, unsigned int k, u64 tsf)
{
	u64 sum_sq = 0;
	unsigned int max = 0, weight = 0;
	int j, max_j = 0;

	memset(s, 0, sizeof(*s));
	s->type = 1;
	s->length = cpu_to_be16(sizeof(*s) - 3);
	s->max_exp = 0;
	s->freq = cpu_to_be16(freq);
	s->noise = SCENE_NOISE;
	for (j = 0; j < NUM_BINS; j++) {
		u8 v = scene_bin(freq, j, k);

		s->data[j] = v;
		sum_sq += (u64)v * v;
		if (v > max) {
			max = v;
			max_j = j;
		}
	}
	for (j = 0; j < NUM_BINS; j++)
		weight += s->data[j] * 2 > max;
	/* rssi: the sample's power above an all-floor sample, so that each
	 * bin decodes to about noise - 10*log10(56) + 20*log10(v / FLOOR_REF). */
	s->rssi = db10(sum_sq, (u64)NUM_BINS * FLOOR_REF * FLOOR_REF);
	s->max_magnitude = cpu_to_be16(max);
	s->max_index = max_j;
	s->bitmap_weight = weight;
	s->tsf = cpu_to_be64(tsf);
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
	return relay_buf(p)->offset <= SUBBUF_SIZE;
}

/* Raw test bytes go in pieces that end on sub-buffer boundaries, so the
 * relay adds no padding and a reader gets exactly these bytes back.
 * Returns how many were taken. */
static size_t relay_put_bytes(struct bench_phy *p, const u8 *data, size_t len)
{
	size_t done = 0;

	while (done < len) {
		size_t off = relay_buf(p)->offset;
		size_t room = off < SUBBUF_SIZE ? SUBBUF_SIZE - off : SUBBUF_SIZE;
		size_t n = min(len - done, room);

		if (!relay_put(p, data + done, n))
			break;
		done += n;
	}
	return done;
}

static void log_event(struct bench_phy *p, enum ev_kind kind, u16 freq,
		      unsigned int samples, u32 injected)
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
	e->freq = freq;
	e->samples = samples;
	e->injected = injected;
	/* the reader may look at n_events without the lock */
	smp_wmb();
	p->n_events++;
}

/* A spectral-scan run: what ath9k's trigger starts. With p->lock held. */
static void sample_event(struct bench_phy *p, enum ev_kind kind)
{
	u16 freq = current_freq(p);
	unsigned int n = p->count ? p->count : 1, k, written = 0;
	u32 injected = ~0U;
	struct fft_sample_ht20 s;

	p->sample_events++;
	if (p->inject_armed) {
		injected = relay_put_bytes(p, p->inject_buf, p->inject_len);
		p->injected += injected;
		p->dropped += p->inject_len - injected;
		p->inject_armed = false;
		p->synthetic_off = true;
	} else if (!p->synthetic_off) {
		for (k = 0; k < n; k++) {
			scene_sample(&s, freq, k, p->tsf);
			p->tsf += 100;
			if (relay_put(p, &s, sizeof(s)))
				written++;
			else
				p->dropped++;
		}
		p->samples += written;
	}
	log_event(p, kind, freq, written, injected);
}

/* ------------------------------------------------------------------------
 * Channel changes and the scanning state, seen through kprobes on hwsim's
 * mac80211 callbacks. ath9k triggers in chanscan mode on every channel
 * change while ATH_OP_SCANNING is set, which its sw_scan_start sets and its
 * sw_scan_complete clears; hwsim's own sw_scan_start/complete run at the
 * same points of mac80211's software scan, so probing them gives the same
 * window. mac80211 restores the operating channel before it calls
 * sw_scan_complete, so the return counts as a scanned channel, as on ath9k.
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

static int config_pre(struct kprobe *kp, struct pt_regs *regs)
{
	struct bench_phy *p = phy_of_hw((void *)probe_arg(regs, 0));
	u32 changed = probe_arg(regs, CONFIG_CHANGED_ARG);
	unsigned long flags;

	if (!p || !(changed & IEEE80211_CONF_CHANGE_CHANNEL))
		return 0;
	spin_lock_irqsave(&p->lock, flags);
	p->channel_changes++;
	if (p->scanning)
		p->scan_channel_changes++;
	if (p->scanning && p->mode == MODE_CHANSCAN)
		sample_event(p, EV_CHANNEL);
	else
		log_event(p, EV_CHANNEL, current_freq(p), 0, ~0U);
	spin_unlock_irqrestore(&p->lock, flags);
	return 0;
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
	return 0;
}

static int scan_complete_pre(struct kprobe *kp, struct pt_regs *regs)
{
	set_scanning(regs, false);
	return 0;
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

/* ------------------------------------------------------------------------
 * ath9k/ files
 */
static enum word parse_word(const char *buf)
{
	int w;

	for (w = W_TRIGGER; w <= W_DISABLE; w++)
		if (!strncmp(words[w], buf, strlen(words[w])))
			return w;
	return W_NONE;
}

static int check_fail(struct bench_phy *p, enum word w)
{
	return p->fail_word == w ? -p->fail_errno : 0;
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
	enum word w;
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

	spin_lock_irqsave(&p->lock, flags);
	switch (w) {
	case W_TRIGGER:
		p->triggers++;
		/* ath9k ignores a trigger while disabled */
		if (p->mode != MODE_DISABLED)
			sample_event(p, EV_TRIGGER);
		else
			log_event(p, EV_TRIGGER, current_freq(p), 0, ~0U);
		break;
	case W_BACKGROUND:
		p->mode = MODE_BACKGROUND;
		break;
	case W_CHANSCAN:
		p->mode = MODE_CHANSCAN;
		break;
	case W_MANUAL:
		p->mode = MODE_MANUAL;
		break;
	default:
		p->mode = MODE_DISABLED;
		break;
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

static ssize_t count_read(struct file *file, char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;
	char buf[32];
	int len = scnprintf(buf, sizeof(buf), "%u\n", READ_ONCE(p->count));

	return simple_read_from_buffer(ubuf, count, ppos, buf, len);
}

static ssize_t count_write(struct file *file, const char __user *ubuf, size_t count, loff_t *ppos)
{
	struct bench_phy *p = file->private_data;
	char buf[32];
	size_t len = min(count, sizeof(buf) - 1);
	unsigned long val;
	int err;

	if (copy_from_user(buf, ubuf, len))
		return -EFAULT;
	buf[len] = '\0';
	if (kstrtoul(buf, 0, &val) || val > 255)
		return -EINVAL;
	err = check_fail(p, W_COUNT);
	if (err)
		return err;
	WRITE_ONCE(p->count, val);
	return count;
}

static const struct file_operations count_fops = {
	.owner = THIS_MODULE,
	.open = simple_open,
	.read = count_read,
	.write = count_write,
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
		"sample_events", "samples", "dropped", "preloaded", "injected",
		"events_lost", "inject_armed", "scanning",
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
	c[6] = p->preloaded;
	c[7] = p->injected;
	c[8] = p->events_lost;
	c[9] = p->inject_armed;
	c[10] = p->scanning;
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
			   e->kind == EV_TRIGGER ? "trigger" : "channel",
			   e->freq, mode_words[e->mode], e->scanning, e->samples);
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

/* Clears counters and the event log, so checks can share one boot. */
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
	p->preloaded = 0;
	p->injected = 0;
	p->events_lost = 0;
	p->n_events = 0;
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
	p->count = 8;
	p->mode = MODE_DISABLED;
	p->fail_word = W_NONE;
	p->fail_errno = EIO;
	spin_lock_init(&p->lock);
	phys[n_phys++] = p;
	return 0;
}

static int setup_phy(struct bench_phy *p)
{
	p->ath9k_dir = debugfs_create_dir("ath9k", p->wiphy->debugfsdir);
	if (IS_ERR(p->ath9k_dir))
		return PTR_ERR(p->ath9k_dir);
	p->rchan = relay_open("spectral_scan", p->ath9k_dir, SUBBUF_SIZE, N_SUBBUFS,
			      &relay_cb, NULL);
	if (!p->rchan)
		return -ENOMEM;
	debugfs_create_file("spectral_scan_ctl", 0600, p->ath9k_dir, p, &ctl_fops);
	debugfs_create_file("spectral_count", 0600, p->ath9k_dir, p, &count_fops);

	p->knob_dir = debugfs_create_dir(wiphy_name(p->wiphy), knob_root);
	debugfs_create_file("preload", 0200, p->knob_dir, p, &preload_fops);
	debugfs_create_file("inject", 0200, p->knob_dir, p, &inject_fops);
	debugfs_create_file("counters", 0400, p->knob_dir, p, &counters_fops);
	debugfs_create_file("events", 0400, p->knob_dir, p, &events_fops);
	debugfs_create_file("fail_ctl", 0600, p->knob_dir, p, &fail_fops);
	debugfs_create_file("reset", 0200, p->knob_dir, p, &reset_fops);
	return 0;
}

static void teardown(void)
{
	int i;

	for (i = 0; i < n_phys; i++) {
		struct bench_phy *p = phys[i];

		if (p->rchan)
			relay_close(p->rchan);
		debugfs_remove_recursive(p->ath9k_dir);
		vfree(p->inject_buf);
		kfree(p);
	}
	n_phys = 0;
	debugfs_remove_recursive(knob_root);
}

static int __init bench_init(void)
{
	const struct class *cls = NULL;
	struct net_device *dev;
	int i, err;

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
	pr_info("rfpeek_bench: ath9k spectral stand-in on %d hwsim phy(s)\n", n_phys);
	return 0;
fail:
	teardown();
	return err;
}

static void __exit bench_exit(void)
{
	unregister_kprobes(kprobes, ARRAY_SIZE(kprobes));
	teardown();
}

module_init(bench_init);
module_exit(bench_exit);
MODULE_LICENSE("GPL");
MODULE_DESCRIPTION("ath9k spectral-scan stand-in on mac80211_hwsim, for rfpeek's tests");
