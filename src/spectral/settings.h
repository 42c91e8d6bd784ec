/* SPDX-License-Identifier: GPL-2.0-only */
/* The spectral files rfpeek changes, and putting them back as it found them. */
#ifndef RFPEEK_SETTINGS_H
#define RFPEEK_SETTINGS_H

/* Writes the sample count per trigger to spectral_count, after keeping the
 * value it held. A value that cannot be read is left as it is. */
void set_spectral_count(int count);
/* Writes back every value changed since the last call; false if the
 * driver refused one. */
bool restore_spectral_settings();
/* After a mode was written: false if spectral_scan_ctl still reads
 * "disable", as on chips without spectral scan (AR5416, AR9160), whose
 * driver takes every word and does nothing. */
bool spectral_mode_took();

#endif
