// SPDX-License-Identifier: GPL-2.0-only
#include "spectral/settings.h"

#include <cstdio>
#include <cstring>

#include "rfpeek_limits.h"
#include "spectral/debugfs.h"

struct kept_setting {
	const char *name;
	char value[word_size];   /* as read before the first change */
	bool changed;
};

static kept_setting kept_count = {"spectral_count", "", false};
static kept_setting *const kept_settings[] = {&kept_count};

/* Every file kept here holds a number; anything else would not go back. */
static bool read_number(kept_setting *k)
{
	int len = read_ctl(k->name, k->value, sizeof(k->value));
	return len > 0 && strspn(k->value, "0123456789") == size_t(len);
}

static void change_setting(kept_setting *k, const char *word)
{
	if (!k->changed && (!read_number(k) || strcmp(k->value, word) == 0))
		return;
	/* a refused write leaves the driver's value as it was */
	if (write_ctl(k->name, word) == 0)
		k->changed = true;
}

void set_spectral_count(int count)
{
	char word[word_size];

	snprintf(word, sizeof(word), "%d", count);
	change_setting(&kept_count, word);
}

bool restore_spectral_settings()
{
	bool ok = true;

	for (kept_setting *k : kept_settings) {
		if (!k->changed)
			continue;
		k->changed = false;
		if (write_ctl(k->name, k->value) < 0)
			ok = false;
	}
	return ok;
}

bool spectral_mode_took()
{
	char mode[word_size];

	return read_ctl("spectral_scan_ctl", mode, sizeof(mode)) < 0 || strcmp(mode, "disable") != 0;
}
