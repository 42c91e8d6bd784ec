// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "report/spectrogram.h"
#include "report_capture.h"

namespace {

constexpr int64_t mhz = 1000000;

/* The text as the terminal shows it: escapes dropped. */
std::string visible(const std::string &s)
{
	std::string out;
	for (size_t i = 0; i < s.size(); i++) {
		if (s[i] == '\x1b' && i + 1 < s.size() && s[i + 1] == '[') {
			i = s.find('m', i);
			if (i == std::string::npos)
				break;
			continue;
		}
		out += s[i];
	}
	return out;
}

std::vector<std::string> lines_of(const std::string &text)
{
	std::vector<std::string> lines;
	std::istringstream in(text);
	for (std::string line; std::getline(in, line);)
		lines.push_back(line);
	return lines;
}

frame_bin bin(int64_t freq_hz, double max)
{
	return frame_bin{freq_hz, max - 3, max, 1, 0};
}

/* A 56-bin channel at 2412 MHz, 312.5 kHz apart, at the given max. */
std::vector<frame_bin> channel_bins(double max)
{
	std::vector<frame_bin> bins;
	for (int k = 0; k < 56; k++)
		bins.push_back(bin(2403250000 + k * 312500, max));
	return bins;
}

std::string line(const spectrogram_view &view, const char *label, const std::vector<frame_bin> &bins)
{
	return capture_report([&](FILE *f) {
		EXPECT_EQ(0, print_spectrogram_line(f, view, label, bins.data(), int(bins.size())));
	});
}

std::string header(const spectrogram_view &view)
{
	return capture_report([&](FILE *f) { EXPECT_EQ(0, print_spectrogram_header(f, view)); });
}

TEST(SpectrogramLine, FillsTheTerminalWidthInEveryColourMode)
{
	std::vector<frame_bin> bins = channel_bins(0);
	for (int k = 0; k < 56; k++)
		bins[k].max = -110 + 1.5 * k;
	for (int columns : {80, 132, 20}) {
		for (int colours : {colours_none, colours_8, colours_256}) {
			SCOPED_TRACE(testing::Message() << columns << " columns, colours " << colours);
			spectrogram_view view = {columns, colours, bins.front().freq_hz, bins.back().freq_hz};
			std::string text = line(view, "12:00:00", bins);
			ASSERT_EQ('\n', text.back());
			EXPECT_EQ(text.find('\n'), text.size() - 1);
			EXPECT_EQ(size_t(columns) + 1, visible(text).size());
			EXPECT_EQ("12:00:00 ", visible(text).substr(0, 9));
			if (colours == colours_none) {
				EXPECT_EQ(std::string::npos, text.find('\x1b'));
			} else {
				ASSERT_GT(text.size(), 5u);
				EXPECT_EQ("\x1b[0m\n", text.substr(text.size() - 5));
			}
			for (const std::string &l : lines_of(header(view)))
				EXPECT_LE(visible(l).size(), size_t(columns)) << l;
		}
	}
}

/* The line buffer's worst case: the widest line, each cell a new escape
 * (black text, then the default back). Wider terminals get the widest. */
TEST(SpectrogramLine, WidestLineEveryCellItsOwnColour)
{
	std::vector<frame_bin> bins;
	for (int k = 0; k < max_terminal_columns - 9; k++)
		bins.push_back(bin(2400 * mhz + k * mhz, k % 2 ? -45 : -30));
	spectrogram_view view = {max_terminal_columns + 100, colours_256, bins.front().freq_hz,
				 bins.back().freq_hz};
	std::string text = line(view, "", bins);
	EXPECT_EQ(size_t(max_terminal_columns) + 1, visible(text).size());
	EXPECT_EQ(size_t(max_terminal_columns - 9),
		  size_t(std::count(text.begin(), text.end(), '\x1b')) - 1);   /* and the end's reset */
	const std::string start =
		std::string(9, ' ') + "\x1b[48;5;196m@\x1b[30;48;5;208m#\x1b[39;48;5;196m@";
	EXPECT_EQ(start, text.substr(0, start.size()));
}

TEST(SpectrogramLine, OneBinCarrierShowsItsLevelInItsCell)
{
	std::vector<frame_bin> bins = channel_bins(-105);
	bins[20].max = -60;
	spectrogram_view view = {80, colours_none, bins.front().freq_hz, bins.back().freq_hz};
	std::string text = line(view, "", bins);
	ASSERT_EQ(81u, text.size());
	EXPECT_EQ(std::string(9, ' '), text.substr(0, 9));
	/* 71 cells over 55 bin steps: bin 20 in cell 20 * 71 / 55 = 25, every
	 * bin in a cell of its own, 15 cells blank */
	EXPECT_EQ('*', text[9 + 25]);
	EXPECT_EQ(1, std::count(text.begin(), text.end(), '*'));
	EXPECT_EQ(55, std::count(text.begin(), text.end(), '.'));
	EXPECT_EQ(9 + 15, std::count(text.begin(), text.end(), ' '));
	EXPECT_EQ('.', text[9]);
	EXPECT_EQ('.', text[79]);
}

/* 16 one-MHz cells, a bin at the start of each: both sides of every bound. */
TEST(SpectrogramLine, LevelsAreTenDecibelsApartBoundsGoingUp)
{
	const double max[16] = {-150, -100.01, -100, -90.01, -90, -80.01, -80, -70.01,
				-70, -60.01, -60, -50.01, -50, -40.01, -40, 20};
	std::vector<frame_bin> bins;
	for (int k = 0; k < 16; k++)
		bins.push_back(bin(2400 * mhz + k * mhz, max[k]));
	spectrogram_view view = {25, colours_none, 2400 * mhz, 2416 * mhz};
	EXPECT_EQ("ch1      ..::--==++**##@@\n", line(view, "ch1", bins));
}

TEST(SpectrogramLine, CellShowsItsHighestMaxIgnoringBinsOutsideTheSpan)
{
	spectrogram_view view = {19, colours_none, 2400 * mhz, 2410 * mhz};
	const std::vector<frame_bin> bins = {
		bin(2399 * mhz, -30),              /* below the span */
		bin(2400 * mhz, -105),
		bin(2400 * mhz + 500000, -60),     /* cell 0's highest */
		bin(2401 * mhz - 1, -65),
		bin(2401 * mhz, -100),             /* cell 1 from its first hertz */
		bin(2402 * mhz + 300000, -85),
		bin(2410 * mhz, -75),              /* the span's top: the last cell */
		bin(2410 * mhz + 500000, -30),     /* above */
	};
	EXPECT_EQ("12345678 *:-      =\n", line(view, "123456789", bins));
	/* out of order, each bin still finds its cell */
	EXPECT_EQ("12345678 *:-      =\n",
		  line(view, "123456789", std::vector<frame_bin>(bins.rbegin(), bins.rend())));
}

TEST(SpectrogramLine, ColoursChangeOnlyWithTheLevelAndResetBeforeBlanks)
{
	const std::vector<frame_bin> bins = {
		bin(2400 * mhz, -105), bin(2401 * mhz, -101),                        /* 0 0 */
		bin(2403 * mhz, -75), bin(2404 * mhz, -55), bin(2405 * mhz, -52),   /* 3 5 5 */
		bin(2406 * mhz, -45), bin(2407 * mhz, -30), bin(2410 * mhz, -95),   /* 6 7 . 1 */
	};
	spectrogram_view view = {19, colours_8, 2400 * mhz, 2410 * mhz};
	/* black text on yellow and white: the next plain level sets it back */
	EXPECT_EQ("t        \x1b[44m..\x1b[0m \x1b[30;43m=\x1b[39;41m**\x1b[30;47m#\x1b[30;47m@"
		  "\x1b[0m \x1b[46m:\x1b[0m\n",
		  line(view, "t", bins));
	view.colours = colours_256;
	EXPECT_EQ("t        \x1b[48;5;17m..\x1b[0m \x1b[48;5;37m=\x1b[30;48;5;226m**"
		  "\x1b[30;48;5;208m#\x1b[39;48;5;196m@\x1b[0m \x1b[48;5;19m:\x1b[0m\n",
		  line(view, "t", bins));
	/* ending in blanks, the line still ends with a reset */
	EXPECT_EQ("t        \x1b[48;5;17m.\x1b[0m         \x1b[0m\n", line(view, "t", {bins[0]}));
}

TEST(SpectrogramHeader, RulerAndLegend)
{
	spectrogram_view view = {80, colours_none, 2402 * mhz, 2422 * mhz};
	/* 71 cells over 20 MHz: 5 MHz ticks, 17.75 cells apart */
	EXPECT_EQ("     MHz           2405              2410              2415             2420\n"
		  "     dBm . <-100 : -100 - -90 = -80 + -70 * -60 # -50 @ -40\n",
		  header(view));

	view.colours = colours_8;
	EXPECT_EQ("     MHz           2405              2410              2415             2420\n"
		  "     dBm \x1b[44m.\x1b[0m <-100 \x1b[46m:\x1b[0m -100 \x1b[42m-\x1b[0m -90 "
		  "\x1b[30;43m=\x1b[0m -80 \x1b[45m+\x1b[0m -70 \x1b[41m*\x1b[0m -60 "
		  "\x1b[30;47m#\x1b[0m -50 \x1b[30;47m@\x1b[0m -40\n",
		  header(view));

	/* too narrow for a tick label; the legend loses whole levels */
	view.columns = 20;
	view.colours = colours_none;
	EXPECT_EQ("     MHz \n     dBm . <-100\n", header(view));
}

/* One bin frequency: a megahertz around it. */
TEST(SpectrogramHeader, ZeroSpanIsOneMegahertzAroundIt)
{
	spectrogram_view view = {80, colours_none, 2412 * mhz, 2412 * mhz};
	EXPECT_EQ("     MHz " + std::string(35, ' ') + "2412", lines_of(header(view))[0]);
	EXPECT_EQ(std::string(9 + 35, ' ') + "+" + std::string(35, ' ') + "\n",
		  line(view, "", {bin(2412 * mhz, -70)}));
}

TEST(SpectrogramHeader, WideSpanLabelsNeverCollide)
{
	/* 2.4 to 5.8 GHz on 80 columns: 500 MHz ticks, 10.4 cells apart */
	spectrogram_view view = {80, colours_none, 2412 * mhz, 5825 * mhz};
	EXPECT_EQ("     MHz  2500       3000      3500       4000      4500      5000       5500",
		  lines_of(header(view))[0]);
	/* on 11 cells 1000 MHz ticks are 3.2 cells apart: 4000 would touch
	 * 3000, 5000 would run past the end */
	view.columns = 20;
	EXPECT_EQ("     MHz  3000", lines_of(header(view))[0]);
}

TEST(SpectrogramHeader, WriteErrorsAreReported)
{
	FILE *full = fopen("/dev/full", "w");
	ASSERT_NE(nullptr, full);
	spectrogram_view view = {80, colours_8, 2402 * mhz, 2422 * mhz};
	std::vector<frame_bin> bins = channel_bins(-70);
	EXPECT_EQ(-1, print_spectrogram_header(full, view));
	clearerr(full);
	EXPECT_EQ(-1, print_spectrogram_line(full, view, "x", bins.data(), int(bins.size())));
	fclose(full);
}

}  // namespace
