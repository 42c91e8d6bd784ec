// SPDX-License-Identifier: GPL-2.0-only
/* The watch's terminal view. A line runs once per frame on the router, whose
 * 24Kc has no FPU: the cells come from integer arithmetic on the bins'
 * frequencies, and the only double operations are a comparison per bin and
 * cell it touches, and three per cell. */
#include <cstdint>
#include <cstring>

#include "report/spectrogram.h"
#include "spectral/spectrum_record.h"
#include "rfpeek_limits.h"

constexpr int level_count = 8;
/* The lowest dBm of levels 1 to 7, 10 dB apart; level 0 is all below. A
 * value on a bound belongs to the level above it. */
constexpr int level_floor_dbm[level_count - 1] = {-100, -90, -80, -70, -60, -50, -40};
static const char level_chars[] = ".:-=+*#@";

/* Background (and, on the light ones, black text) per level; arrays, not
 * pointers, which a PIE would relocate at start. */
constexpr int sgr_code_size = 12;
using sgr_code = char[sgr_code_size];
static constexpr sgr_code sgr_8[level_count] = {
	"44", "46", "42", "30;43", "45", "41", "30;47", "30;47"};
static constexpr sgr_code sgr_256[level_count] = {
	"48;5;17", "48;5;19", "48;5;27", "48;5;37",
	"30;48;5;46", "30;48;5;226", "30;48;5;208", "48;5;196"};
static constexpr char sgr_reset[] = "\x1b[0m";
constexpr int reset_len = sizeof(sgr_reset) - 1;
/* A plain level after a black-text one gives the text back its default. */
static constexpr char sgr_default_text[] = "39;";

constexpr int text_len(const char *s)
{
	int n = 0;
	while (s[n])
		n++;
	return n;
}

constexpr bool black_text(const char *code)
{
	return code[0] == '3' && code[1] == '0' && code[2] == ';';
}

/* The longest escape: ESC [ code m, with "39;" ahead of a plain code. */
constexpr int longest_sgr(const sgr_code *table)
{
	int most = 0;
	for (int k = 0; k < level_count; k++) {
		int n = 3 + text_len(table[k]) +
			(black_text(table[k]) ? 0 : text_len(sgr_default_text));
		most = n > most ? n : most;
	}
	return most;
}
constexpr int max_sgr_len = longest_sgr(sgr_8) > longest_sgr(sgr_256) ? longest_sgr(sgr_8)
								      : longest_sgr(sgr_256);
static_assert(reset_len <= max_sgr_len, "a cell's escape is at most max_sgr_len bytes");

/* Worst case: every cell with its own escape, a reset at the end. */
constexpr int line_buffer_size =
	spectrogram_label_width + max_terminal_columns * (max_sgr_len + 1) + reset_len + 1;
/* The ruler: label and cells. The legend: label, then per level a space,
 * the cell with its escape and reset, a space and at most 5 characters. */
constexpr int legend_item_size = 1 + max_sgr_len + 1 + reset_len + 1 + 5;
constexpr int header_buffer_size = spectrogram_label_width + max_terminal_columns + 1 +
				   spectrogram_label_width + level_count * legend_item_size + 1;

/* Ruler steps: the first that puts labels 8 cells apart ("5180" and a gap). */
static const int tick_steps_mhz[] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
constexpr int min_tick_cells = 8;

/* The cells and the span they share, the same for the ruler and the lines.
 * Centres are 16-bit MHz give or take an HT40 record's 10, so the span
 * stays below 2^24 steps: cell arithmetic fits 32 bits but for one product. */
struct cell_map {
	int cells;
	int32_t low_q7;
	int32_t high_q7;
	uint32_t span_q7;   /* > 0 */
	int32_t bin_q7;     /* a bin covers [f - bin/2, f - bin/2 + bin) */
};

static cell_map map_of(const spectrogram_view &view)
{
	int columns = view.columns;
	if (columns < spectrogram_label_width + 1)
		columns = spectrogram_label_width + 1;
	if (columns > max_terminal_columns)
		columns = max_terminal_columns;
	cell_map m;
	m.cells = columns - spectrogram_label_width;
	m.bin_q7 = view.bin_q7 > 0 ? view.bin_q7 : 1;
	/* the span runs from the lowest bin's lower edge to the highest's upper one */
	m.low_q7 = (view.low_q7 < view.high_q7 ? view.low_q7 : view.high_q7) - m.bin_q7 / 2;
	m.high_q7 = (view.low_q7 < view.high_q7 ? view.high_q7 : view.low_q7) + (m.bin_q7 - m.bin_q7 / 2);
	m.span_q7 = uint32_t(m.high_q7 - m.low_q7);
	return m;
}

/* p / d rounded down, for p below 2^40 and d below 2^24: two 32-bit
 * divisions, as a 64-bit one is a library routine on the router's CPU. */
static uint32_t divide_40(uint64_t p, uint32_t d)
{
	uint32_t high = uint32_t(p >> 8);
	return high / d << 8 | (high % d << 8 | uint32_t(p & 0xff)) / d;
}

/* The cell of a frequency within the span; the top one is in the last. */
static int cell_of(const cell_map &m, int32_t freq_q7)
{
	uint32_t c = divide_40(uint64_t(uint32_t(freq_q7 - m.low_q7)) * uint32_t(m.cells), m.span_q7);
	return c < uint32_t(m.cells) ? int(c) : m.cells - 1;
}

/* The cell of the frequencies just below freq_q7 (above the span's start):
 * a bin's upper edge is not part of it. */
static int cell_below(const cell_map &m, int32_t freq_q7)
{
	uint64_t scaled = uint64_t(uint32_t(freq_q7 - m.low_q7)) * uint32_t(m.cells);
	uint32_t c = divide_40(scaled - 1, m.span_q7);
	return c < uint32_t(m.cells) ? int(c) : m.cells - 1;
}

/* Three comparisons: level k has the k lowest floors at or below dbm. */
static int level_of(double dbm)
{
	int k = 0;
	if (dbm >= level_floor_dbm[3])
		k = 4;
	if (dbm >= level_floor_dbm[k + 1])
		k += 2;
	if (dbm >= level_floor_dbm[k])
		k += 1;
	return k;
}

static const sgr_code *sgr_table(int colours)
{
	if (colours == colours_256)
		return sgr_256;
	if (colours == colours_8)
		return sgr_8;
	return nullptr;
}

static int put_text(char *p, const char *s)
{
	int n = text_len(s);
	memcpy(p, s, size_t(n));
	return n;
}

__attribute__((noinline)) static int put_sgr(char *p, const char *code, bool default_text)
{
	int n = put_text(p, "\x1b[");
	if (default_text)
		n += put_text(p + n, sgr_default_text);
	n += put_text(p + n, code);
	p[n++] = 'm';
	return n;
}

/* The label column: at most 8 characters, padded, and a space. */
static int put_label(char *p, const char *label)
{
	int n = 0;
	while (label && label[n] && n < spectrogram_label_width - 1) {
		p[n] = label[n];
		n++;
	}
	while (n < spectrogram_label_width)
		p[n++] = ' ';
	return n;
}

/* One write per line, so lines never interleave with other output; the
 * flush shows each frame as it comes, even on a pipe. */
static int write_out(FILE *out, const char *buf, int len)
{
	size_t written = fwrite(buf, 1, size_t(len), out);
	int flushed = fflush(out);
	return written != size_t(len) || flushed != 0 || ferror(out) ? -1 : 0;
}

/* Apart from print_spectrogram_line, whose cell array would otherwise share
 * the frame and take it past the stack budget. */
__attribute__((noinline)) static int write_line(FILE *out, const char *label, const frame_bin *bins,
						const int32_t *best, int cells, int colours)
{
	/* static: the widest line with an escape per cell is 8 KB, the stack's limit */
	static char buf[line_buffer_size];
	const sgr_code *sgr = sgr_table(colours);
	int n = put_label(buf, label);
	int shown = -1;   /* the level whose colour is set, -1 none */
	bool coloured = false;
	for (int c = 0; c < cells; c++) {
		if (best[c] < 0) {
			if (shown >= 0) {
				n += put_text(buf + n, sgr_reset);
				shown = -1;
			}
			buf[n++] = ' ';
			continue;
		}
		int level = level_of(bins[best[c]].max);
		if (sgr && level != shown) {
			bool after_black = shown >= 0 && black_text(sgr[shown]);
			n += put_sgr(buf + n, sgr[level], after_black && !black_text(sgr[level]));
			shown = level;
			coloured = true;
		}
		buf[n++] = level_chars[level];
	}
	if (coloured)
		n += put_text(buf + n, sgr_reset);
	buf[n++] = '\n';
	return write_out(out, buf, n);
}

int print_spectrogram_line(FILE *out, const spectrogram_view &view, const char *label,
			   const frame_bin *bins, int count)
{
	const cell_map m = map_of(view);
	/* Per cell, the bin with the highest max, -1 for none. */
	int32_t best[max_terminal_columns];
	for (int c = 0; c < m.cells; c++)
		best[c] = -1;

	/* A bin is as wide as the FFT's resolution: it shows in every cell its
	 * width touches, so that cells finer than the bins leave no gaps
	 * inside a channel. */
	for (int i = 0; i < count; i++) {
		int32_t f = bins[i].freq_q7;
		if (f < m.low_q7 || f > m.high_q7)
			continue;
		int32_t edge = f - m.bin_q7 / 2;
		int32_t from = edge < m.low_q7 ? m.low_q7 : edge;
		int32_t to = edge + m.bin_q7 > m.high_q7 ? m.high_q7 : edge + m.bin_q7;   /* excluded */
		for (int c = cell_of(m, from), last = cell_below(m, to); c <= last; c++)
			if (best[c] < 0 || bins[i].max > bins[best[c]].max)
				best[c] = i;
	}
	return write_line(out, label, bins, best, m.cells, view.colours);
}

/* Tick labels in MHz, each starting at its tick's cell; a tick that would
 * touch the label before it is passed over, one that would run past the
 * end ends the ruler. */
static int put_ruler(char *p, const cell_map &m)
{
	int n = put_text(p, "     MHz ");
	uint32_t step_mhz = 1;
	for (int step : tick_steps_mhz) {
		step_mhz = uint32_t(step);
		if (step * q7_per_mhz * m.cells >= min_tick_cells * int32_t(m.span_q7))
			break;
	}
	int next_cell = 0;   /* the first cell a label may start at */
	int used = 0;        /* cells written */
	while (next_cell < m.cells) {
		/* the first tick in next_cell or after it */
		uint32_t offset = divide_40(uint64_t(uint32_t(next_cell)) * m.span_q7 + uint32_t(m.cells) - 1,
					    uint32_t(m.cells));
		/* in whole MHz, rounded up, then up to the step; none below 0 MHz,
		 * which only a corrupt recording's HT40- centre reaches */
		int32_t from = m.low_q7 + int32_t(offset) + q7_per_mhz - 1;
		if (from < 0)
			break;
		uint32_t tick_mhz = (uint32_t(from) / q7_per_mhz + step_mhz - 1) / step_mhz * step_mhz;
		int32_t tick_q7 = int32_t(tick_mhz) * q7_per_mhz;
		if (tick_q7 > m.high_q7)
			break;
		int cell = cell_of(m, tick_q7);
		/* written in place, kept if it ends by the last cell: the buffer
		 * has room past it, the legend's */
		int at = cell > used ? cell : used;
		memset(p + n + used, ' ', size_t(at - used));
		int len = snprintf(p + n + at, 12, "%u", unsigned(tick_mhz));
		if (cell + len > m.cells)
			break;
		used = at + len;
		next_cell = used + 1;
	}
	n += used;
	p[n++] = '\n';
	return n;
}

/* Each level's cell as the lines draw it and its lower bound, as many as
 * fit whole: a cut "-10" of "-100" would mislead. */
static int put_legend(char *p, int columns, int colours)
{
	const sgr_code *sgr = sgr_table(colours);
	int n = put_text(p, "     dBm ");
	int width = spectrogram_label_width;
	for (int k = 0; k < level_count; k++) {
		/* written whole, then kept only if it fits: the buffer has room for all */
		int len = snprintf(p + n, legend_item_size + 1, sgr ? "%s\x1b[%sm%c\x1b[0m %s%d" : "%s%s%c %s%d",
				   &" "[k ? 0 : 1], sgr ? sgr[k] : "", level_chars[k], &"<"[k ? 1 : 0],
				   level_floor_dbm[k ? k - 1 : 0]);
		width += len - (sgr ? text_len(sgr[k]) + 3 + reset_len : 0);
		if (width > columns)
			break;
		n += len;
	}
	p[n++] = '\n';
	return n;
}

int print_spectrogram_header(FILE *out, const spectrogram_view &view)
{
	const cell_map m = map_of(view);
	char buf[header_buffer_size];
	/* a current-channel watch that has seen no bin yet has no span to label */
	int n = view.high_q7 > 0 ? put_ruler(buf, m) : put_text(buf, "     MHz \n");
	n += put_legend(buf + n, spectrogram_label_width + m.cells, view.colours);
	return write_out(out, buf, n);
}
