// SPDX-License-Identifier: GPL-2.0-only
/* Wall-time benchmarks of the hot path: decode of a full relay read, edge
 * completion of 256 records, and both reports of 256 records to /dev/null. */
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "bench_input.h"
#include "report/report.h"

namespace {

spectrum_buffer records;

void decode(benchmark::State &state, bench_input::relay_kind kind)
{
	static unsigned char relay[relay_read_size];
	bench_input::make_relay(relay, sizeof(relay), kind);
	int count = 0;
	for (auto _ : state) {
		count = decode_stream(relay, sizeof(relay), records);
		benchmark::DoNotOptimize(count);
		benchmark::ClobberMemory();
	}
	state.counters["records"] = count;
	state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(sizeof(relay)));
}

void BM_decode_64k_ht20(benchmark::State &s) { decode(s, bench_input::relay_ht20); }
void BM_decode_64k_ht20_40(benchmark::State &s) { decode(s, bench_input::relay_ht20_40); }
void BM_decode_64k_zeros(benchmark::State &s) { decode(s, bench_input::relay_zeros); }
void BM_decode_64k_ath10k(benchmark::State &s) { decode(s, bench_input::relay_ath10k); }

void BM_complete_edges_256(benchmark::State &state)
{
	static spectrum_buffer decoded;
	static unsigned char relay[relay_read_size];
	bench_input::make_relay(relay, sizeof(relay), bench_input::relay_ht20);
	int count = decode_stream(relay, sizeof(relay), decoded);
	for (auto _ : state) {
		state.PauseTiming();   /* completion works in place */
		memcpy(records, decoded, sizeof(records));
		state.ResumeTiming();
		complete_edges(records, count);
		benchmark::ClobberMemory();
	}
	state.counters["records"] = count;
}

FILE *dev_null()
{
	static FILE *f = fopen("/dev/null", "w");
	if (!f)
		abort();
	return f;
}

void report(benchmark::State &state, int (*print)(FILE *, const spectrum_record *, int))
{
	int count = bench_input::make_records(records, int(state.range(0)));
	for (auto _ : state)
		if (print(dev_null(), records, count) != 0)
			state.SkipWithError("report failed");
	state.counters["records"] = count;
}

void BM_text_report_256(benchmark::State &s) { report(s, print_text_report); }
void BM_json_report_256(benchmark::State &s) { report(s, print_json_report); }

} // namespace

BENCHMARK(BM_decode_64k_ht20);
BENCHMARK(BM_decode_64k_ht20_40);
BENCHMARK(BM_decode_64k_zeros);
BENCHMARK(BM_decode_64k_ath10k);
BENCHMARK(BM_complete_edges_256);
/* argument: bins per record (64 completed HT20, 128 raw HT20/40) */
BENCHMARK(BM_text_report_256)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_json_report_256)->Arg(64)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
