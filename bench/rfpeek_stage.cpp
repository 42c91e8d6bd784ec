// SPDX-License-Identifier: GPL-2.0-only
/* Runs one stage of the hot path once, for valgrind: callgrind counts the
 * instructions of run_stage (and of the whole process), massif the heap.
 * Usage: rfpeek_stage none|decode-ht20|decode-ht20-40|decode-zeros|
 *                     decode-ath10k|edges|text|text-128|json|json-128|watch|
 *                     spectrogram
 *        rfpeek_stage replay FILE   both reports of both capture paths of a
 *                                   relay stream, to stdout (for output diffs) */
#include <cstdio>
#include <cstring>

#include "bench_input.h"
#include "report/band_stats.h"
#include "report/report.h"
#include "report/spectrogram.h"

namespace {

unsigned char relay[relay_read_size];
spectrum_buffer records;
band_stats stats;
band_frame frame;

/* The stage's bounds for bench/qemu_insn_count.c, which counts a MIPS guest
 * under qemu (callgrind takes run_stage by name instead): writes to $zero,
 * no-ops that no compiler emits. */
inline void mark_stage_start()
{
#if defined(__mips__)
	__asm__ volatile("ori $0, $0, 1" ::: "memory");
#endif
}

inline void mark_stage_stop()
{
#if defined(__mips__)
	__asm__ volatile("ori $0, $0, 2" ::: "memory");
#endif
}

/* The watch's frame: the relay read decoded as the watch decodes it (bytes,
 * no powers) and its statistics. */
int watch_frame()
{
	int count = decode_samples(relay, sizeof(relay), records, nullptr);
	start_band_stats(&stats, -90);
	add_records(&stats, records, count);
	close_frame(&stats, &frame);
	return frame.bin_count;
}

/* One 80-column line of a frame, in 256 colours (the longest escapes). */
int spectrogram_line(FILE *out)
{
	spectrogram_view view = {80, colours_256, frame.bins[0].freq_q7,
				 frame.bins[frame.bin_count - 1].freq_q7, frame.bin_q7};
	return print_spectrogram_line(out, view, "12:00:00", frame.bins, frame.bin_count);
}

/* Inputs are made before this call, so its inclusive cost is the stage alone. */
__attribute__((noinline)) int run_stage(const char *stage, int count, FILE *out)
{
	if (strcmp(stage, "watch") == 0)
		return watch_frame();
	if (strcmp(stage, "spectrogram") == 0)
		return spectrogram_line(out);
	if (strncmp(stage, "decode", 6) == 0)
		return decode_stream(relay, sizeof(relay), records);
	if (strcmp(stage, "edges") == 0) {
		complete_edges(records, count);
		return count;
	}
	if (strncmp(stage, "text", 4) == 0)
		return print_text_report(out, records, count);
	if (strncmp(stage, "json", 4) == 0)
		return print_json_report(out, records, count);
	return 0;
}

/* The current-channel path (its 20 MHz records completed when it starts
 * with one) and the -F path with no plan filter (its 20 MHz records always
 * completed), each as text and as JSON. 40 MHz records stay whole. */
int replay(const char *path)
{
	FILE *in = fopen(path, "rb");
	if (!in)
		return 1;
	size_t len = fread(relay, 1, sizeof(relay), in);
	fclose(in);
	static spectrum_buffer decoded;
	int count = decode_stream(relay, len, decoded);
	for (int path_f = 0; path_f < 2; path_f++) {
		memcpy(records, decoded, sizeof(records));
		/* the rule spelt out, not complete_current_channel: compare-outputs
		 * builds this driver against older revisions too */
		if (path_f || (count > 0 && records[0].bandwidth_khz == 20000))
			complete_edges(records, count);
		if (print_text_report(stdout, records, count) || print_json_report(stdout, records, count))
			return 1;
	}
	return 0;
}

} // namespace

int main(int argc, char **argv)
{
	const char *stage = argc > 1 ? argv[1] : "none";
	if (strcmp(stage, "replay") == 0)
		return argc > 2 ? replay(argv[2]) : 2;
	int count = 0;
	FILE *out = fopen("/dev/null", "w");
	if (!out)
		return 1;

	if (strcmp(stage, "decode-ht20") == 0)
		bench_input::make_relay(relay, sizeof(relay), bench_input::relay_ht20);
	else if (strcmp(stage, "decode-ht20-40") == 0)
		bench_input::make_relay(relay, sizeof(relay), bench_input::relay_ht20_40);
	else if (strcmp(stage, "decode-zeros") == 0)
		bench_input::make_relay(relay, sizeof(relay), bench_input::relay_zeros);
	else if (strcmp(stage, "decode-ath10k") == 0)
		bench_input::make_relay(relay, sizeof(relay), bench_input::relay_ath10k);
	else if (strcmp(stage, "edges") == 0) {
		bench_input::make_relay(relay, sizeof(relay), bench_input::relay_ht20);
		count = decode_stream(relay, sizeof(relay), records);
	} else if (strcmp(stage, "text") == 0 || strcmp(stage, "json") == 0)
		count = bench_input::make_records(records, full_20mhz_bins);
	else if (strcmp(stage, "text-128") == 0 || strcmp(stage, "json-128") == 0)
		count = bench_input::make_records(records, ht40_bins);
	else if (strcmp(stage, "watch") == 0)
		bench_input::make_relay(relay, sizeof(relay), bench_input::relay_ht20);
	else if (strcmp(stage, "spectrogram") == 0) {
		bench_input::make_relay(relay, sizeof(relay), bench_input::relay_ht20);
		watch_frame();
	} else if (strcmp(stage, "none") != 0) {
		fprintf(stderr, "rfpeek_stage: unknown stage %s\n", stage);
		return 2;
	}
	mark_stage_start();
	int r = run_stage(stage, count, out);
	mark_stage_stop();
	fclose(out);
	printf("%s: %d\n", stage, r);
	return 0;
}
