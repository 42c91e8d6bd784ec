// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "report/spectrogram.h"
#include "report_capture.h"

namespace {

/* frequencies in 1/128 MHz */
constexpr int32_t mhz = 128;
constexpr int32_t fft_bin = 40;   /* 312.5 kHz */

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

frame_bin bin(int32_t freq, double max)
{
	return frame_bin{freq, max - 3, max, 1, 0};
}

/* The 56 bins of an HT20 sample, 312.5 kHz apart from 28 bins below the
 * centre, at the given max. */
std::vector<frame_bin> channel_bins(double max, int32_t center_mhz = 2412)
{
	std::vector<frame_bin> bins;
	for (int k = 0; k < 56; k++)
		bins.push_back(bin(center_mhz * mhz - 28 * fft_bin + k * fft_bin, max));
	return bins;
}

/* n bins from first on, one FFT bin apart. */
std::vector<frame_bin> grid_bins(int32_t first, int n, double max)
{
	std::vector<frame_bin> bins;
	for (int k = 0; k < n; k++)
		bins.push_back(bin(first + k * fft_bin, max));
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
			spectrogram_view view = {columns, colours, bins.front().freq_q7, bins.back().freq_q7};
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
 * (black text, then the default back). Wider terminals get the widest; as
 * many bins as cells, each exactly one cell wide. */
TEST(SpectrogramLine, WidestLineEveryCellItsOwnColour)
{
	std::vector<frame_bin> bins = grid_bins(2400 * mhz, max_terminal_columns - 9, 0);
	for (size_t k = 0; k < bins.size(); k++)
		bins[k].max = k % 2 ? -45 : -30;
	spectrogram_view view = {max_terminal_columns + 100, colours_256, bins.front().freq_q7,
				 bins.back().freq_q7};
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
	spectrogram_view view = {80, colours_none, bins.front().freq_q7, bins.back().freq_q7};
	/* 71 cells over the 56 bins' 17.5 MHz: bin k touches cells 71k/56 to
	 * 71(k+1)/56, bin 20 cells 25.4 to 26.6, over bins 19 and 21 in both */
	EXPECT_EQ(std::string(9, ' ') + std::string(25, '.') + "**" + std::string(44, '.') + "\n",
		  line(view, "", bins));
}

/* 16 bins on 16 cells, one each: both sides of every bound. */
TEST(SpectrogramLine, LevelsAreTenDecibelsApartBoundsGoingUp)
{
	const double max[16] = {-150, -100.01, -100, -90.01, -90, -80.01, -80, -70.01,
				-70, -60.01, -60, -50.01, -50, -40.01, -40, 20};
	std::vector<frame_bin> bins = grid_bins(2403250000, 16, 0);
	for (int k = 0; k < 16; k++)
		bins[k].max = max[k];
	spectrogram_view view = {25, colours_none, bins.front().freq_q7, bins.back().freq_q7};
	EXPECT_EQ("ch1      ..::--==++**##@@\n", line(view, "ch1", bins));
}

/* 8 bins on 10 cells: a bin is 1.25 cells wide, bin k touches cells 1.25k
 * to 1.25(k + 1), its upper edge not included. */
TEST(SpectrogramLine, CellShowsItsHighestMaxIgnoringBinsOutsideTheSpan)
{
	std::vector<frame_bin> grid = grid_bins(2403 * mhz + mhz / 4 - fft_bin, 10, 0);
	spectrogram_view view = {19, colours_none, grid[1].freq_q7, grid[8].freq_q7};
	const std::vector<frame_bin> bins = {
		bin(grid[0].freq_q7, -30),    /* a bin below the span */
		bin(grid[1].freq_q7, -105),   /* cells 0 and 1 */
		bin(grid[2].freq_q7, -60),    /* 1 and 2, the higher in both */
		bin(grid[3].freq_q7, -95),    /* 2 and 3 */
		bin(grid[4].freq_q7, -85),    /* 3 and 4: ends where cell 5 starts */
		/* none for cell 5 alone: blank */
		bin(grid[6].freq_q7, -65),    /* 6 and 7 */
		bin(grid[7].freq_q7, -45),    /* 7 and 8 */
		bin(grid[8].freq_q7, -100),   /* 8 and 9, the top one */
		bin(grid[9].freq_q7, -30),    /* above */
	};
	EXPECT_EQ("12345678 .**-- +##:\n", line(view, "123456789", bins));
	/* out of order, each bin still finds its cells */
	EXPECT_EQ("12345678 .**-- +##:\n",
		  line(view, "123456789", std::vector<frame_bin>(bins.rbegin(), bins.rend())));
}

/* Cells finer than the bins: a channel fills its cells from its first bin to
 * its last; a gap between channels stays blank. */
TEST(SpectrogramLine, ChannelHasNoBlankCellsTheGapBetweenChannelsHas)
{
	const std::vector<frame_bin> ch1 = channel_bins(-95, 2412);
	for (int columns : {80, 132, max_terminal_columns}) {
		spectrogram_view view = {columns, colours_none, ch1.front().freq_q7, ch1.back().freq_q7};
		EXPECT_EQ(std::string(9, ' ') + std::string(size_t(columns - 9), ':') + "\n",
			  line(view, "", ch1))
			<< columns << " columns";
	}

	/* ath10k's bins, 11 to 88 steps apart, are drawn as wide as they are */
	for (int32_t step : {11, 88}) {
		std::vector<frame_bin> a10k;
		for (int k = 0; k < 64; k++)
			a10k.push_back(bin(5180 * mhz + (k - 32) * step, -95));
		spectrogram_view view = {max_terminal_columns, colours_none, a10k.front().freq_q7,
					 a10k.back().freq_q7, step};
		EXPECT_EQ(std::string(9, ' ') + std::string(max_terminal_columns - 9, ':') + "\n",
			  line(view, "", a10k))
			<< step;
	}

	std::vector<frame_bin> both = ch1;
	const std::vector<frame_bin> ch11 = channel_bins(-75, 2462);
	both.insert(both.end(), ch11.begin(), ch11.end());
	spectrogram_view view = {80, colours_none, both.front().freq_q7, both.back().freq_q7};
	/* 71 cells over 2403.09375 to 2470.59375 MHz, 0.95 MHz each: channel 1
	 * up to 17.5 MHz in, cells 0 to 18; channel 11 from 50 MHz in, cells
	 * 52 to 70; the 10 MHz ticks at the round MHz's cell */
	EXPECT_EQ("     MHz        2410      2420       2430      2440       2450      2460",
		  lines_of(header(view))[0]);
	EXPECT_EQ(std::string(9, ' ') + std::string(19, ':') + std::string(33, ' ') +
			  std::string(19, '=') + "\n",
		  line(view, "", both));
}

/* 10 bins on 10 cells, one each, two of them missing. */
TEST(SpectrogramLine, ColoursChangeOnlyWithTheLevelAndResetBeforeBlanks)
{
	const std::vector<frame_bin> grid = grid_bins(2403250000, 10, 0);
	const double max[10] = {-105, -101, 0, -75, -55, -52, -45, -30, 0, -95};
	std::vector<frame_bin> bins;
	for (int k : {0, 1, 3, 4, 5, 6, 7, 9})   /* 0 0 . 3 5 5 6 7 . 1 */
		bins.push_back(bin(grid[k].freq_q7, max[k]));
	spectrogram_view view = {19, colours_8, grid.front().freq_q7, grid.back().freq_q7};
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
	const std::vector<frame_bin> ch1 = channel_bins(-70);
	spectrogram_view view = {80, colours_none, ch1.front().freq_q7, ch1.back().freq_q7};
	/* 71 cells over 2403.09375 to 2420.59375 MHz: 2 MHz ticks, 8.1 cells
	 * apart, 2404 in cell 3.7; 2420 in cell 68.6 would run past the end */
	EXPECT_EQ("     MHz    2404    2406    2408     2410    2412    2414    2416    2418\n"
		  "     dBm . <-100 : -100 - -90 = -80 + -70 * -60 # -50 @ -40\n",
		  header(view));

	view.colours = colours_8;
	EXPECT_EQ("     MHz    2404    2406    2408     2410    2412    2414    2416    2418\n"
		  "     dBm \x1b[44m.\x1b[0m <-100 \x1b[46m:\x1b[0m -100 \x1b[42m-\x1b[0m -90 "
		  "\x1b[30;43m=\x1b[0m -80 \x1b[45m+\x1b[0m -70 \x1b[41m*\x1b[0m -60 "
		  "\x1b[30;47m#\x1b[0m -50 \x1b[30;47m@\x1b[0m -40\n",
		  header(view));

	/* too narrow for a tick label; the legend loses whole levels */
	view.columns = 20;
	view.colours = colours_none;
	EXPECT_EQ("     MHz \n     dBm . <-100\n", header(view));
}

/* One bin frequency: the span is that bin's width, the bin in every cell. */
/* A current-channel watch before its first bin (an idle radio): no span,
 * no labels; not a "0" MHz. */
TEST(SpectrogramHeader, NoSpanYetNoLabels)
{
	spectrogram_view view = {80, colours_none, 0, 0};
	EXPECT_EQ("     MHz ", lines_of(header(view))[0]);
}

TEST(SpectrogramHeader, OneBinFrequencySpansItsBin)
{
	spectrogram_view view = {80, colours_none, 2412 * mhz, 2412 * mhz};
	EXPECT_EQ("     MHz " + std::string(35, ' ') + "2412", lines_of(header(view))[0]);
	EXPECT_EQ(std::string(9, ' ') + std::string(71, '+') + "\n",
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
