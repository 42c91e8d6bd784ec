// SPDX-License-Identifier: GPL-2.0-only
/* Replays the fuzz seeds and every input the fuzzers ever failed on through
 * the fuzz harnesses' own checks, so ctest (and its sanitizer build) keeps them. */
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../../fuzz/pipeline_check.h"

namespace {

std::string repo_dir(const char *sub)
{
	std::string here = __FILE__;   /* .../tests/report/this file */
	for (int up = 0; up < 3; up++)
		here.erase(here.find_last_of('/'));
	return here + "/" + sub;
}

std::vector<std::string> files_in(const std::string &dir)
{
	std::vector<std::string> names;
	DIR *d = opendir(dir.c_str());
	if (!d)
		return names;
	while (dirent *e = readdir(d))
		if (e->d_name[0] != '.')
			names.push_back(dir + "/" + e->d_name);
	closedir(d);
	return names;
}

std::vector<unsigned char> read_file(const std::string &path)
{
	std::ifstream in(path, std::ios::binary);
	return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::string check(const std::vector<unsigned char> &s)
{
	return pipeline_check::check_pipeline(s.data(), s.size());
}

template <size_t n> void append(std::vector<unsigned char> &s, const uint8_t (&record)[n])
{
	s.insert(s.end(), record, record + n);
}

/* fft_sample_ht20, rssi -60, noise -95; data bytes follow seed */
void add_ht20(std::vector<unsigned char> &s, unsigned freq, unsigned seed, uint8_t max_exp = 0)
{
	uint8_t r[sizeof(wire_ht20)] = {};
	*WIRE_AT(r, wire_tlv, type) = WIRE_HT20;
	wire_put_be16(WIRE_AT(r, wire_tlv, length), wire_length(sizeof(r)));
	*WIRE_AT(r, wire_ht20, max_exp) = max_exp;
	wire_put_be16(WIRE_AT(r, wire_ht20, freq), uint16_t(freq));
	*WIRE_AT(r, wire_ht20, rssi) = uint8_t(-60);
	*WIRE_AT(r, wire_ht20, noise) = uint8_t(-95);
	uint8_t *data = WIRE_AT(r, wire_ht20, data);
	for (unsigned i = 0; i < WIRE_HT20_BINS; i++)
		data[i] = (unsigned char)((seed + i) * 37 >> (i % 5));
	append(s, r);
}

/* rssi and noise -64 in both halves */
void add_ht20_40(std::vector<unsigned char> &s, unsigned freq, unsigned char chan_type,
		 unsigned char max_exp)
{
	uint8_t r[sizeof(wire_ht20_40)] = {};
	*WIRE_AT(r, wire_tlv, type) = WIRE_HT20_40;
	wire_put_be16(WIRE_AT(r, wire_tlv, length), wire_length(sizeof(r)));
	*WIRE_AT(r, wire_ht20_40, channel_type) = chan_type;
	wire_put_be16(WIRE_AT(r, wire_ht20_40, freq), uint16_t(freq));
	*WIRE_AT(r, wire_ht20_40, lower_rssi) = *WIRE_AT(r, wire_ht20_40, upper_rssi) = 0xc0;
	*WIRE_AT(r, wire_ht20_40, lower_noise) = *WIRE_AT(r, wire_ht20_40, upper_noise) = 0xc0;
	*WIRE_AT(r, wire_ht20_40, max_exp) = max_exp;
	uint8_t *data = WIRE_AT(r, wire_ht20_40, data);
	for (unsigned i = 0; i < WIRE_HT20_40_BINS; i++)
		data[i] = (unsigned char)(i * 11);
	append(s, r);
}

TEST(PipelineRegression, EverySeedAndPastFailurePasses)
{
	std::vector<std::string> seeds = files_in(repo_dir("fuzz/corpus"));
	ASSERT_GE(seeds.size(), 20u) << "seed corpus missing under " << repo_dir("fuzz/corpus");
	std::vector<std::string> inputs = files_in(repo_dir("fuzz/regressions"));
	inputs.insert(inputs.end(), seeds.begin(), seeds.end());
	for (const std::string &path : inputs)
		EXPECT_EQ(check(read_file(path)), "") << path;

	/* the edge and report harnesses' records */
	std::vector<std::string> records = files_in(repo_dir("fuzz/corpus-records"));
	ASSERT_GE(records.size(), 10u) << "record seeds missing under " << repo_dir("fuzz/corpus-records");
	std::vector<std::string> past = files_in(repo_dir("fuzz/regressions-records"));
	records.insert(records.end(), past.begin(), past.end());
	for (const std::string &path : records) {
		std::vector<unsigned char> s = read_file(path);
		EXPECT_EQ(pipeline_check::check_edges_input(s.data(), s.size()), "") << path;
		EXPECT_EQ(pipeline_check::check_text_input(s.data(), s.size()), "") << path;
		EXPECT_EQ(pipeline_check::check_json_input(s.data(), s.size()), "") << path;
	}
}

TEST(PipelineRegression, StopsAt256Records)
{
	std::vector<unsigned char> s;
	for (unsigned i = 0; i < 300; i++)
		add_ht20(s, 2412 + 5 * (i % 13), i);
	static spectrum_buffer records;
	EXPECT_EQ(decode_stream(s.data(), s.size(), records), max_records);
	EXPECT_EQ(check(s), "");
}

TEST(PipelineRegression, LengthFfffdEndsTheWalk)
{
	std::vector<unsigned char> s;
	add_ht20(s, 2412, 1);
	s.insert(s.end(), {1, 0xff, 0xfd});
	add_ht20(s, 2417, 2);
	static spectrum_buffer records;
	EXPECT_EQ(decode_stream(s.data(), s.size(), records), 1);
	EXPECT_EQ(check(s), "");
}

TEST(PipelineRegression, ShiftsOf64AndMoreGiveFiniteBins)
{
	std::vector<unsigned char> s;
	for (unsigned char e : {62, 63, 64, 200, 255})
		add_ht20(s, 2437, e, e);
	add_ht20_40(s, 2437, 3, 255);
	static spectrum_buffer records;
	ASSERT_EQ(decode_stream(s.data(), s.size(), records), 6);
	EXPECT_EQ(check(s), "");
}

TEST(PipelineRegression, HalfRecordAfterWholeOnes)
{
	std::vector<unsigned char> s;
	add_ht20_40(s, 5200, 2, 1);
	add_ht20(s, 5180, 3);
	add_ht20(s, 5240, 4);
	s.resize(s.size() - 30);
	static spectrum_buffer records;
	EXPECT_EQ(decode_stream(s.data(), s.size(), records), 2);
	EXPECT_EQ(check(s), "");
}

} // namespace
