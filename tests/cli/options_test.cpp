// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cli/options.h"
#include "cli/run_state.h"
#include "temp_dir.h"

namespace {

/* Accepted command lines only: those that end the run are run as a
 * subprocess (cli_exit_test), where their messages and status are seen. */
class Options : public ::testing::Test {
protected:
	run_options opts;
	std::vector<std::string> words;
	std::vector<char *> argv;

	void SetUp() override { reset_run_state(); }
	void TearDown() override { close_output(); }
	void close_output()
	{
		if (out_stream && out_stream != stdout)
			fclose(out_stream);
		reset_run_state();
	}
	int parse(std::vector<std::string> args)
	{
		words = args;
		words.insert(words.begin(), "rfpeek");
		argv.clear();
		for (auto &w : words)
			argv.push_back(&w[0]);
		argv.push_back(nullptr);
		return parse_options(int(words.size()), argv.data(), &opts);
	}
	std::vector<int> requests() const
	{
		return std::vector<int>(opts.freq_requests, opts.freq_requests + opts.request_count);
	}
};

bool same_file(FILE *f, const std::string &path)
{
	struct stat a, b;
	return f && fstat(fileno(f), &a) == 0 && stat(path.c_str(), &b) == 0 &&
	       a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

TEST_F(Options, NoOptionsGiveTheDefaults)
{
	opts.dwell_ms = 7;
	ASSERT_EQ(options_continue, parse({}));
	EXPECT_EQ(100, opts.dwell_ms);
	EXPECT_EQ(0, opts.freq_mode);
	EXPECT_EQ(0, opts.request_count);
	EXPECT_STREQ("wlan0", iface_name);
	EXPECT_EQ(0, json_output);
	EXPECT_EQ(nullptr, out_stream);
}

TEST_F(Options, RangesStepBy5UpToTheirEnd)
{
	ASSERT_EQ(options_continue, parse({"-F", "2412-2417"}));
	EXPECT_EQ((std::vector<int>{2412, 2417}), requests());
	EXPECT_EQ(1, opts.freq_mode);
	ASSERT_EQ(options_continue, parse({"-F", "2412-2416"}));
	EXPECT_EQ(std::vector<int>{2412}, requests());
	ASSERT_EQ(options_continue, parse({"--freq", "5180-5180"}));
	EXPECT_EQ(std::vector<int>{5180}, requests());
}

TEST_F(Options, RequestsAccumulateAndOtherWordsAreIgnored)
{
	ASSERT_EQ(options_continue, parse({"stray", "-F", "2412", "-F", "all", "-F", "2437-2442",
					   "--freq", "5180", "word"}));
	EXPECT_EQ((std::vector<int>{2412, 2437, 2442, 5180}), requests());
}

TEST_F(Options, AllAloneLeavesTheListEmpty)
{
	ASSERT_EQ(options_continue, parse({"-F", "all"}));
	EXPECT_EQ(1, opts.freq_mode);
	EXPECT_EQ(0, opts.request_count);
}

TEST_F(Options, RangesStopQuietlyAt255Requests)
{
	ASSERT_EQ(options_continue, parse({"-F", "2412", "-F", "1000-9000"}));
	ASSERT_EQ(255, opts.request_count);
	EXPECT_EQ(2412, opts.freq_requests[0]);
	EXPECT_EQ(1000 + 253 * 5, opts.freq_requests[254]);
	/* a valid range on a full list adds nothing and is no error */
	ASSERT_EQ(options_continue, parse({"-F", "1000-2270", "-F", "5000-5010"}));
	ASSERT_EQ(255, opts.request_count);
	EXPECT_EQ(2270, opts.freq_requests[254]);
}

TEST_F(Options, InterfaceNameIsCutTo31Bytes)
{
	ASSERT_EQ(options_continue, parse({"-i", "wlan1"}));
	EXPECT_STREQ("wlan1", iface_name);
	std::string name = "abcdefghijklmnopqrstuvwxyz0123456789";
	ASSERT_EQ(options_continue, parse({"--iface", name}));
	EXPECT_EQ(name.substr(0, 31), std::string(iface_name));
}

TEST_F(Options, DwellIsAtoiWithoutRangeCheck)
{
	const std::pair<const char *, int> cases[] = {
		{"250", 250}, {"0", 0}, {"-20", -20}, {"12abc", 12}, {"abc", 0}};
	for (const auto &c : cases) {
		ASSERT_EQ(options_continue, parse({"-d", c.first})) << c.first;
		EXPECT_EQ(c.second, opts.dwell_ms) << c.first;
	}
}

TEST_F(Options, OutputFileMeansJsonWhicheverComesFirst)
{
	temp_dir dir;
	ASSERT_FALSE(dir.path.empty());
	const std::string path = dir.file("out.json");
	const std::vector<std::string> lines[] = {
		{"-j", "-o", path}, {"--output", path, "--json"}, {"-o", path}};
	for (const auto &line : lines) {
		close_output();
		ASSERT_EQ(options_continue, parse(line)) << line[0];
		EXPECT_EQ(1, json_output) << line[0];
		ASSERT_TRUE(same_file(out_stream, path)) << line[0];
	}
	close_output();
	ASSERT_EQ(options_continue, parse({"-j"}));
	EXPECT_EQ(1, json_output);
	EXPECT_EQ(nullptr, out_stream);
}

TEST_F(Options, OutputNamedDashIsAFile)
{
	temp_dir dir;
	ASSERT_FALSE(dir.path.empty());
	int here = open(".", O_RDONLY | O_DIRECTORY);
	ASSERT_GE(here, 0);
	ASSERT_EQ(0, chdir(dir.path.c_str()));
	int r = parse({"-o", "-"});
	EXPECT_EQ(0, fchdir(here));
	close(here);
	ASSERT_EQ(options_continue, r);
	EXPECT_TRUE(same_file(out_stream, dir.file("-")));
	EXPECT_NE(STDOUT_FILENO, fileno(out_stream));
}

}  // namespace
