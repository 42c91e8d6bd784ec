// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "report/report.h"
#include "report_capture.h"
#include "spectral/decode.h"
#include "spectral/edges.h"
#include "temp_dir.h"

extern char **environ;

namespace {

/* Every exit path here ends before any nl80211 or debugfs work succeeds, so
 * the built binary runs as it would on the router. */
struct outcome {
	int status = -1;
	std::string out, err;
};

/* stdout into a file of its own, or into out_path (/dev/full) */
outcome run_rfpeek(std::vector<std::string> args, const char *out_path = nullptr)
{
	outcome o;
	temp_dir dir;
	if (dir.path.empty())
		return o;
	args.insert(args.begin(), "rfpeek");
	std::vector<char *> argv;
	for (auto &a : args)
		argv.push_back(&a[0]);
	argv.push_back(nullptr);

	posix_spawn_file_actions_t fa;
	posix_spawn_file_actions_init(&fa);
	posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
	const std::string out = out_path ? out_path : dir.file("out");
	posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT, 0600);
	posix_spawn_file_actions_addopen(&fa, 2, dir.file("err").c_str(), O_WRONLY | O_CREAT, 0600);
	pid_t pid;
	int st;
	if (posix_spawn(&pid, RFPEEK_BINARY, &fa, nullptr, argv.data(), environ) == 0 &&
	    waitpid(pid, &st, 0) == pid && WIFEXITED(st))
		o.status = WEXITSTATUS(st);
	posix_spawn_file_actions_destroy(&fa);
	o.out = dir.read("out");
	o.err = dir.read("err");
	return o;
}

const std::string usage =
	"Usage: rfpeek [options]\n\n"
	"Without -F, scans current channel.\n"
	"With -F, scans specified frequencies.\n"
	"Default output is plain text.\n\n"
	"Options:\n"
	"  -F <freq>      Frequency (MHz) or range (2412-2462) or 'all'\n"
	"  -j             JSON output to stdout\n"
	"  -o <file>      JSON output to file\n"
	"  -i <iface>     Interface (default: wlan0)\n"
	"  -d <ms>        Dwell time (default: 100 ms)\n"
	"  -h             Show this help\n"
	"  --version      Show the version\n"
	"  -w             Watch: a line per interval until stopped\n"
	"  --interval <ms> Length of a watch frame (default: 1000 ms)\n"
	"  --frames <n>   Stop the watch after n frames (default: until stopped)\n"
	"  --threshold <dBm> Level that counts as occupied (default: -90 dBm)\n"
	"  --from <file>  Read relay bytes recorded earlier instead of the radio\n\n";

TEST(CliExit, HelpPrintsTheDefaultsAndSucceeds)
{
	for (auto args : {std::vector<std::string>{"-h"}, {"-i", "eth7", "-d", "5", "--help"}}) {
		outcome o = run_rfpeek(args);
		EXPECT_EQ(0, o.status) << args[0];
		EXPECT_EQ(usage, o.err) << args[0];
		EXPECT_EQ("", o.out) << args[0];
	}
}

TEST(CliExit, VersionPrintsTheProjectVersionAndSucceeds)
{
	for (auto args : {std::vector<std::string>{"--version"}, {"-i", "eth7", "-d", "5", "--version"}}) {
		outcome o = run_rfpeek(args);
		EXPECT_EQ(0, o.status) << args[0];
		EXPECT_EQ(std::string("rfpeek ") + RFPEEK_VERSION + "\n", o.out) << args[0];
		EXPECT_EQ("", o.err) << args[0];
	}
}

TEST(CliExit, VersionOnAFullDiskFails)
{
	outcome o = run_rfpeek({"--version"}, "/dev/full");
	EXPECT_EQ(1, o.status);
	EXPECT_EQ("Error: cannot write output\n", o.err);
}

TEST(CliExit, BadOptionPrintsUsageAfterGetoptsDiagnostic)
{
	/* --version has no short form */
	for (auto args : {std::vector<std::string>{"-x"}, {"--bogus"}, {"-j", "-F"}, {"-d"}, {"-V"}}) {
		outcome o = run_rfpeek(args);
		EXPECT_EQ(1, o.status) << args.back();
		ASSERT_GT(o.err.size(), usage.size()) << args.back();
		/* the diagnostic's words are the libc's own; it names the program */
		EXPECT_EQ(0u, o.err.find("rfpeek: ")) << o.err;
		EXPECT_EQ(usage, o.err.substr(o.err.size() - usage.size())) << args.back();
		EXPECT_EQ('\n', o.err[o.err.size() - usage.size() - 1]);
	}
}

TEST(CliExit, BadRangesAndFrequencies)
{
	for (std::string arg : {"2462-2412", "0-10", "abc-2412", "2412-", "-5"}) {
		outcome o = run_rfpeek({"-i", "nosuchif0", "-F", arg});
		EXPECT_EQ(1, o.status) << arg;
		EXPECT_EQ("Error: invalid range '" + arg + "'\nError: invalid frequencies\n", o.err);
	}
	for (std::string arg : {"0", "abc", "", "all5"}) {
		outcome o = run_rfpeek({"-i", "nosuchif0", "-F", "2412", "--freq", arg});
		EXPECT_EQ(1, o.status) << arg;
		EXPECT_EQ("Error: invalid frequency '" + arg + "'\nError: invalid frequencies\n", o.err);
		EXPECT_EQ("", o.out);
	}
}

/* The watch's values and combinations, refused before any radio work (the
 * interface would be an init failure). */
TEST(CliExit, BadWatchValuesAndCombinations)
{
	const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
		{{"-w", "--interval", "0"}, "Error: invalid interval '0'\n"},
		{{"-w", "--interval", "-5"}, "Error: invalid interval '-5'\n"},
		{{"-w", "--interval", "1s"}, "Error: invalid interval '1s'\n"},
		{{"-w", "--interval", "600001"}, "Error: invalid interval '600001'\n"},
		{{"-w", "--frames", "x"}, "Error: invalid frame count 'x'\n"},
		{{"-w", "--frames", "-1"}, "Error: invalid frame count '-1'\n"},
		{{"-w", "--threshold", "-151"}, "Error: invalid threshold '-151'\n"},
		{{"-w", "--threshold", "31"}, "Error: invalid threshold '31'\n"},
		{{"-w", "--threshold", ""}, "Error: invalid threshold ''\n"},
		{{"--frames", "3"}, "Error: --interval, --frames and --threshold need -w\n"},
		{{"--from", "f", "-F", "2412"}, "Error: --from reads a file: -F, -i and -d need the radio\n"},
		{{"-w", "--from", "f", "-d", "5"}, "Error: --from reads a file: -F, -i and -d need the radio\n"},
		{{"--from", "/nonexistent-rfpeek-dir/relay"}, "Error: cannot read '/nonexistent-rfpeek-dir/relay'\n"},
	};
	for (const auto &[args, err] : cases) {
		std::vector<std::string> a = args;
		if (args[0] != "--from" && args[1] != "--from")
			a.insert(a.end(), {"-i", "nosuchif0"});
		outcome o = run_rfpeek(a);
		EXPECT_EQ(1, o.status) << err;
		EXPECT_EQ(err, o.err);
		EXPECT_EQ("", o.out);
	}
	/* the edges are values */
	outcome o = run_rfpeek({"-w", "--interval", "600000", "--frames", "0", "--threshold", "-150",
				"-i", "nosuchif0"});
	EXPECT_EQ("Error: nl80211 init failed\n", o.err);
}

TEST(CliExit, SingleFrequencyOnAFullListFails)
{
	outcome o = run_rfpeek({"-F", "1000-2270", "-F", "2412"});
	EXPECT_EQ(1, o.status);
	EXPECT_EQ("Error: invalid frequencies\n", o.err);
	/* one fewer leaves room for it: the run goes on to nl80211 */
	o = run_rfpeek({"-F", "1000-2265", "-F", "2412", "-i", "nosuchif0"});
	EXPECT_EQ("Error: nl80211 init failed\n", o.err);
}

TEST(CliExit, UnopenableOutputFile)
{
	outcome o = run_rfpeek({"-o", "/nonexistent-rfpeek-dir/out.json"});
	EXPECT_EQ(1, o.status);
	EXPECT_EQ("Error: cannot open '/nonexistent-rfpeek-dir/out.json'\n", o.err);
}

TEST(CliExit, OutputFileStaysAsCreatedAfterALaterError)
{
	temp_dir dir;
	ASSERT_TRUE(dir.write("out.json", "old", 3));
	outcome o = run_rfpeek({"-o", dir.file("out.json"), "-F", "0"});
	EXPECT_EQ(1, o.status);
	EXPECT_EQ("", dir.read("out.json"));   /* truncated at once, left empty */
}

/* No such interface, and on a machine without nl80211 no family either:
 * one message for both. */
TEST(CliExit, MissingInterfaceIsAnInitFailure)
{
	for (auto args : {std::vector<std::string>{"-i", "nosuchif0"},
			  {"-F", "all", "-j", "-d", "-5", "--iface", "nosuchif0"}}) {
		outcome o = run_rfpeek(args);
		EXPECT_EQ(1, o.status);
		EXPECT_EQ("Error: nl80211 init failed\n", o.err);
		EXPECT_EQ("", o.out);
	}
}

/* The one-shot report of the current channel, in process: the relay's
 * first read decoded and its 20 MHz records completed. */
std::string current_channel_report(const std::string &path, bool json)
{
	static unsigned char relay[relay_read_size];
	static spectrum_buffer records;
	FILE *in = fopen(path.c_str(), "rb");
	if (!in)
		return "unreadable";
	size_t len = fread(relay, 1, sizeof(relay), in);
	fclose(in);
	int count = decode_stream(relay, len, records);
	complete_current_channel(records, count);
	return capture_report([&](FILE *out) {
		json ? print_json_report(out, records, count) : print_text_report(out, records, count);
	});
}

/* Every relay-stream seed read back through --from: the report it would
 * have made in the relay, and the watch's lines, each one whole. */
TEST(CliExit, FromGivesTheCurrentChannelReportOfEveryRelaySeed)
{
	DIR *d = opendir(RFPEEK_FUZZ_CORPUS);
	ASSERT_NE(nullptr, d);
	int seen = 0;
	while (dirent *e = readdir(d)) {
		if (e->d_name[0] == '.')
			continue;
		std::string path = std::string(RFPEEK_FUZZ_CORPUS "/") + e->d_name;
		for (bool json : {false, true}) {
			outcome o = run_rfpeek(json ? std::vector<std::string>{"--from", path, "-j"}
						    : std::vector<std::string>{"--from", path});
			EXPECT_EQ(0, o.status) << path;
			EXPECT_EQ(current_channel_report(path, json), o.out) << path;
			EXPECT_TRUE(o.err.empty() ||
				    o.err == "Warning: '" + path +
						     "' holds more than one capture reads: the rest was left unread\n")
				<< o.err;
		}
		outcome w = run_rfpeek({"--from", path, "-w", "-j"});
		EXPECT_EQ(0, w.status) << path;
		EXPECT_EQ(0u, w.out.find("{\"")) << path;
		EXPECT_NE(std::string::npos, w.out.find("{\"summary\":[")) << path;
		EXPECT_EQ("}\n", w.out.substr(w.out.size() - 2)) << path;
		seen++;
	}
	closedir(d);
	EXPECT_GT(seen, 100);
	/* a full disk is a failure, in the watch as in a report */
	outcome full = run_rfpeek({"--from", RFPEEK_FUZZ_CORPUS "/ht20_257_records", "-w"}, "/dev/full");
	EXPECT_EQ(1, full.status);
	EXPECT_EQ("Error: cannot write output\n", full.err);
	/* 257 records: a capture reads 256 of them */
	outcome o = run_rfpeek({"--from", RFPEEK_FUZZ_CORPUS "/ht20_257_records"});
	EXPECT_EQ("Warning: '" RFPEEK_FUZZ_CORPUS "/ht20_257_records' holds more than one capture "
		  "reads: the rest was left unread\n", o.err);
}

}  // namespace
