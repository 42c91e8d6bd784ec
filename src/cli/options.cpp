// SPDX-License-Identifier: GPL-2.0-only
#include "cli/options.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>

#include "cli/run_state.h"

void print_usage(const char *prog)
{
	fprintf(stderr,
		"Usage: %s [options]\n\n"
		"Without -F, scans current channel.\n"
		"With -F, scans specified frequencies.\n"
		"Default output is plain text.\n\n"
		"Options:\n"
		"  -F <freq>      Frequency (MHz) or range (2412-2462) or 'all'\n"
		"  -j             JSON output to stdout\n"
		"  -o <file>      JSON output to file\n"
		"  -i <iface>     Interface (default: %s)\n"
		"  -d <ms>        Dwell time (default: %d ms)\n"
		"  -h             Show this help\n"
		"  --version      Show the version\n"
		"  -w             Watch: a line per interval until stopped\n"
		"  --interval <ms> Length of a watch frame (default: %d ms)\n"
		"  --frames <n>   Stop the watch after n frames (default: until stopped)\n"
		"  --threshold <dBm> Level that counts as occupied (default: %d dBm)\n"
		"  --from <file>  Read relay bytes recorded earlier instead of the radio\n\n",
		prog, default_iface, default_dwell_ms, default_interval_ms, default_threshold_dbm);
}

static bool iface_name_given, dwell_given;

/* RFPEEK_VERSION comes from CMake's project() version, through the build. */
static int print_version()
{
	if (fputs("rfpeek " RFPEEK_VERSION "\n", stdout) < 0 || fflush(stdout) != 0) {
		fputs("Error: cannot write output\n", stderr);
		return 1;
	}
	return 0;
}

static int invalid_frequencies()
{
	fputs("Error: invalid frequencies\n", stderr);
	return 1;
}

/* a-b in 5 MHz steps; requests past the list's end are dropped quietly. */
static int add_range(const char *arg, run_options *opts)
{
	int a = atoi(arg);
	int b = atoi(strchr(arg, '-') + 1);

	if (a <= 0 || b <= 0 || b < a) {
		fprintf(stderr, "Error: invalid range '%s'\n", arg);
		return invalid_frequencies();
	}
	for (long long f = a; f <= b && opts->request_count < max_freq_requests; f += 5)
		opts->freq_requests[opts->request_count++] = int(f);
	return options_continue;
}

static int add_frequency(const char *arg, run_options *opts)
{
	opts->freq_mode = 1;
	if (strcmp(arg, "all") == 0)
		return options_continue;
	if (strchr(arg, '-'))
		return add_range(arg, opts);
	if (opts->request_count >= max_freq_requests)
		return invalid_frequencies();
	int v = atoi(arg);
	if (v < 1) {
		fprintf(stderr, "Error: invalid frequency '%s'\n", arg);
		return invalid_frequencies();
	}
	opts->freq_requests[opts->request_count++] = v;
	return options_continue;
}

static int open_output(const char *path)
{
	FILE *f = fopen(path, "w");
	if (!f) {
		fprintf(stderr, "Error: cannot open '%s'\n", path);
		return 1;
	}
	out_stream = f;
	json_output = 1;
	return options_continue;
}

/* A whole number from min to max (decimal digits, a leading '-'), or false. */
static bool parse_number(const char *arg, int min, int max, int *out)
{
	bool negative = *arg == '-';
	uint32_t v = 0;
	const char *p = arg + negative;

	if (!*p)
		return false;
	for (; *p; p++) {
		/* more digits than any int has are out of range anyway */
		if (*p < '0' || *p > '9' || v > (UINT32_MAX - 9) / 10)
			return false;
		v = v * 10 + uint32_t(*p - '0');
	}
	long long value = negative ? -(long long)v : (long long)v;
	if (value < min || value > max)
		return false;
	*out = int(value);
	return true;
}

static int invalid(const char *what, const char *arg)
{
	fprintf(stderr, "Error: invalid %s '%s'\n", what, arg);
	return 1;
}

/* The watch's options make sense only with it; --from only without a radio. */
static int check_combination(const run_options *opts, bool watch_option)
{
	if (watch_option && !opts->watch) {
		fputs("Error: --interval, --frames and --threshold need -w\n", stderr);
		return 1;
	}
	if (opts->from_path && (opts->freq_mode || iface_name_given || dwell_given)) {
		fputs("Error: --from reads a file: -F, -i and -d need the radio\n", stderr);
		return 1;
	}
	return options_continue;
}

/* getopt_long's values for the options without a short form */
constexpr int version_option = 0x100;
constexpr int interval_option = 0x101;
constexpr int frames_option = 0x102;
constexpr int threshold_option = 0x103;
constexpr int from_option = 0x104;

int parse_options(int argc, char **argv, run_options *opts)
{
	static const option long_options[] = {
		{"freq", required_argument, nullptr, 'F'},
		{"json", no_argument, nullptr, 'j'},
		{"output", required_argument, nullptr, 'o'},
		{"iface", required_argument, nullptr, 'i'},
		{"dwell", required_argument, nullptr, 'd'},
		{"help", no_argument, nullptr, 'h'},
		{"version", no_argument, nullptr, version_option},
		{"watch", no_argument, nullptr, 'w'},
		{"interval", required_argument, nullptr, interval_option},
		{"frames", required_argument, nullptr, frames_option},
		{"threshold", required_argument, nullptr, threshold_option},
		{"from", required_argument, nullptr, from_option},
		{nullptr, 0, nullptr, 0},
	};
	int c, status = options_continue;
	bool watch_option = false;

	memset(opts, 0, sizeof(*opts));
	opts->dwell_ms = default_dwell_ms;
	opts->interval_ms = default_interval_ms;
	opts->threshold_dbm = default_threshold_dbm;
	iface_name_given = dwell_given = false;
	optind = 0;   /* a fresh scan of argv, also when called again */
	while (status == options_continue &&
	       (c = getopt_long(argc, argv, "F:jo:i:d:hw", long_options, nullptr)) != -1) {
		switch (c) {
		case 'F':
			status = add_frequency(optarg, opts);
			break;
		case 'j':
			json_output = 1;
			break;
		case 'o':
			status = open_output(optarg);
			break;
		case 'i':
			strncpy(iface_name, optarg, sizeof(iface_name) - 1);
			iface_name[sizeof(iface_name) - 1] = '\0';
			iface_name_given = true;
			break;
		case 'd':
			opts->dwell_ms = atoi(optarg);
			dwell_given = true;
			break;
		case 'w':
			opts->watch = 1;
			break;
		case interval_option:
			watch_option = true;
			if (!parse_number(optarg, 1, max_interval_ms, &opts->interval_ms))
				return invalid("interval", optarg);
			break;
		case frames_option:
			watch_option = true;
			if (!parse_number(optarg, 0, INT_MAX, &opts->frames))
				return invalid("frame count", optarg);
			break;
		case threshold_option:
			watch_option = true;
			if (!parse_number(optarg, min_threshold_dbm, max_threshold_dbm,
					  &opts->threshold_dbm))
				return invalid("threshold", optarg);
			break;
		case from_option:
			opts->from_path = optarg;
			break;
		case 'h':
			print_usage(argv[0]);
			return 0;
		case version_option:
			return print_version();
		default:
			print_usage(argv[0]);
			return 1;
		}
	}
	return status == options_continue ? check_combination(opts, watch_option) : status;
}
