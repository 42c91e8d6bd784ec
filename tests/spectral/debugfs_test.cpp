// SPDX-License-Identifier: GPL-2.0-only
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <algorithm>
#include <thread>
#include <unistd.h>
#include <vector>

#include "cli/run_state.h"
#include "relay_bytes.h"
#include "spectral/debugfs.h"
#include "spectral/relay_stream.h"
#include "spectral/settings.h"
#include "stop_wait.h"
#include "temp_dir.h"

namespace {

/* A temporary directory stands in for the driver's debugfs directory. */
class Debugfs : public ::testing::Test {
protected:
	temp_dir dir;
	void SetUp() override
	{
		ASSERT_FALSE(dir.path.empty());
		snprintf(debugfs_dir, sizeof(debugfs_dir), "%s", dir.path.c_str());
	}
	void TearDown() override { debugfs_dir[0] = '\0'; }
};

TEST_F(Debugfs, WriteCtlOnAMissingFileCreatesNothing)
{
	EXPECT_EQ(-ENOENT, write_ctl("spectral_scan_ctl", "manual"));
	EXPECT_EQ("<missing>", dir.read("spectral_scan_ctl"));
}

TEST_F(Debugfs, WriteCtlWritesTheBareWord)
{
	ASSERT_TRUE(dir.write("spectral_scan_ctl", "", 0));
	EXPECT_EQ(0, write_ctl("spectral_scan_ctl", "chanscan"));
	EXPECT_EQ("chanscan", dir.read("spectral_scan_ctl"));
}

TEST_F(Debugfs, FailedWriteIsAShortWrite)
{
	ASSERT_EQ(0, symlink("/dev/full", dir.file("spectral_count").c_str()));
	EXPECT_EQ(-5, write_ctl("spectral_count", "1"));   /* not ENOSPC */
}

TEST_F(Debugfs, ReadRelayReturnsWhatTheRelayHolds)
{
	unsigned char buf[65536];
	EXPECT_EQ(-ENOENT, read_relay(buf, sizeof(buf)));

	const unsigned char ten[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
	ASSERT_TRUE(dir.write("spectral_scan0", ten, sizeof(ten)));
	memset(buf, 0, sizeof(buf));
	ASSERT_EQ(10, read_relay(buf, sizeof(buf)));
	EXPECT_EQ(0, memcmp(ten, buf, 10));
	EXPECT_EQ(4, read_relay(buf, 4));
}

/* A FIFO consumes what is read from it, as the relay does; a writer thread
 * plays the driver and counts the bytes the drain took. */
size_t offer_to_drain(const std::string &fifo, size_t offered)
{
	size_t taken = 0;
	std::thread driver([&] {
		int fd = open(fifo.c_str(), O_WRONLY);
		if (fd < 0)
			return;
		fcntl(fd, F_SETPIPE_SZ, 4096);   /* little left in the pipe itself */
		std::vector<char> chunk(4096, 'x');
		while (taken < offered) {
			ssize_t w = write(fd, chunk.data(), std::min(chunk.size(), offered - taken));
			if (w <= 0)
				break;   /* the drain closed its end */
			taken += size_t(w);
		}
		close(fd);
	});
	drain_relay();
	driver.join();
	return taken;
}

TEST_F(Debugfs, DrainEmptiesTheRelayUpTo1MiB)
{
	ASSERT_EQ(0, mkfifo(dir.file("spectral_scan0").c_str(), 0600));
	void (*old)(int) = signal(SIGPIPE, SIG_IGN);
	EXPECT_EQ(size_t(0), offer_to_drain(dir.file("spectral_scan0"), 0));
	EXPECT_EQ(size_t(300000), offer_to_drain(dir.file("spectral_scan0"), 300000));
	/* a relay that keeps filling: the drain stops after 1 MiB */
	size_t taken = offer_to_drain(dir.file("spectral_scan0"), 4 << 20);
	EXPECT_GE(taken, size_t(1) << 20);
	EXPECT_LT(taken, (size_t(1) << 20) + 2 * 65536);
	signal(SIGPIPE, old);
}

TEST_F(Debugfs, ReadCtlGivesTheWordWithoutItsNewline)
{
	char word[32];
	EXPECT_EQ(-ENOENT, read_ctl("spectral_count", word, sizeof(word)));
	ASSERT_TRUE(dir.write("spectral_count", "8\n", 2));
	EXPECT_EQ(1, read_ctl("spectral_count", word, sizeof(word)));
	EXPECT_STREQ("8", word);
	ASSERT_TRUE(dir.write("spectral_scan_ctl", "chanscan", 8));
	EXPECT_EQ(4, read_ctl("spectral_scan_ctl", word, 5));   /* cut to fit */
	EXPECT_STREQ("chan", word);
}

/* ath9k on a chip without spectral scan takes the mode and still reads
 * "disable"; a mode file that cannot be read is no reason to stop. */
TEST_F(Debugfs, ModeTookUnlessItReadsDisable)
{
	EXPECT_TRUE(spectral_mode_took());
	ASSERT_TRUE(dir.write("spectral_scan_ctl", "disable", 7));
	EXPECT_FALSE(spectral_mode_took());
	ASSERT_TRUE(dir.write("spectral_scan_ctl", "manual", 6));
	EXPECT_TRUE(spectral_mode_took());
}

TEST_F(Debugfs, SpectralCountGoesBackToWhatItHeld)
{
	/* a plain file: each write lands on its start, so empty it first */
	ASSERT_TRUE(dir.write("spectral_count", "8\n", 2));
	set_spectral_count(1);
	EXPECT_EQ("1\n", dir.read("spectral_count"));
	set_spectral_count(2);
	ASSERT_TRUE(dir.write("spectral_count", "", 0));
	EXPECT_TRUE(restore_spectral_settings());
	EXPECT_EQ("8", dir.read("spectral_count"));
	/* restored once: a second tear-down writes nothing */
	ASSERT_TRUE(dir.write("spectral_count", "5", 1));
	EXPECT_TRUE(restore_spectral_settings());
	EXPECT_EQ("5", dir.read("spectral_count"));

	/* already the value asked for: nothing to change or restore */
	set_spectral_count(5);
	EXPECT_TRUE(restore_spectral_settings());
	EXPECT_EQ("5", dir.read("spectral_count"));
}

TEST_F(Debugfs, SpectralCountLeftAloneWhenItsValueIsUnknown)
{
	set_spectral_count(1);   /* no file */
	EXPECT_EQ("<missing>", dir.read("spectral_count"));
	ASSERT_TRUE(dir.write("spectral_count", "", 0));
	set_spectral_count(1);
	EXPECT_EQ("", dir.read("spectral_count"));
	ASSERT_TRUE(dir.write("spectral_count", "-1\n", 3));
	set_spectral_count(1);
	EXPECT_EQ("-1\n", dir.read("spectral_count"));
	EXPECT_TRUE(restore_spectral_settings());
	EXPECT_EQ("-1\n", dir.read("spectral_count"));
}

TEST_F(Debugfs, RefusedRestoreIsReported)
{
	ASSERT_TRUE(dir.write("spectral_count", "8\n", 2));
	set_spectral_count(1);
	ASSERT_EQ(0, unlink(dir.file("spectral_count").c_str()));
	ASSERT_EQ(0, symlink("/dev/full", dir.file("spectral_count").c_str()));
	EXPECT_FALSE(restore_spectral_settings());
}

TEST(RelayStream, TallyCountsTheCompleteRecordsAsTheDecoderFramesThem)
{
	uint8_t data[128] = {};
	relay_bytes r;
	r.ht20(2412).record(WIRE_HT20, wire_length(sizeof(wire_ht20)) - 1);
	r.record(0, wire_length(sizeof(wire_ht20)));
	r.ht40(3, 2437, -40, -40, -95, -95, 0, data);
	r.ath10k(5180, 64).ath10k(5200, 63);   /* ath10k's from 64 bins */
	sample_tally t = tally_samples(r.b.data(), r.b.size());
	EXPECT_EQ(3, t.count);
	EXPECT_EQ(3, t.last_type);
	EXPECT_EQ(5180, t.last_freq);
	/* the last record not yet whole */
	r.ht40(3, 2437, -40, -40, -95, -95, 0, data);
	t = tally_samples(r.b.data(), r.b.size() - 1);
	EXPECT_EQ(3, t.count);
	EXPECT_EQ(5180, t.last_freq);
	t = tally_samples(r.b.data(), r.b.size());
	EXPECT_EQ(4, t.count);
	EXPECT_EQ(2, t.last_type);
	EXPECT_EQ(2437, t.last_freq);
	EXPECT_EQ(0, tally_samples(r.b.data(), 75).count);
}

/* The relay file here is a plain file: every gather reads it whole again. */
TEST_F(Debugfs, SampleWaitGathersUntilARecordOfAnotherChannel)
{
	static relay_stream s;
	relay_bytes first, next;
	first.ht20(2452);
	next.ht20(2412);

	/* a record already there: no read at all */
	s.len = first.b.size();
	memcpy(s.bytes, first.b.data(), s.len);
	ASSERT_TRUE(dir.write("spectral_scan0", next.b.data(), next.b.size()));
	wait_for_new_sample(&s, sample_tally{0, 0, 0}, 60000);
	EXPECT_EQ(first.b.size(), s.len);

	/* after the 2452 one, the 2412 record that came later ends the wait */
	sample_tally at_end = tally_samples(s.bytes, s.len);
	wait_for_new_sample(&s, at_end, 60000);
	ASSERT_EQ(first.b.size() + next.b.size(), s.len);
	EXPECT_EQ(0, memcmp(s.bytes + first.b.size(), next.b.data(), next.b.size()));

	/* a stop ends it at once */
	stop_requested = 1;
	wait_for_new_sample(&s, tally_samples(s.bytes, s.len), 60000);
	stop_requested = 0;
	EXPECT_EQ(first.b.size() + next.b.size(), s.len);
}

TEST_F(Debugfs, GatheringStopsAtTheStreamsSize)
{
	static relay_stream s;
	std::vector<unsigned char> big(40000, 0);
	ASSERT_TRUE(dir.write("spectral_scan0", big.data(), big.size()));
	s.len = 0;
	gather_relay(&s);
	EXPECT_EQ(size_t(40000), s.len);
	gather_relay(&s);
	EXPECT_EQ(sizeof(s.bytes), s.len);
	gather_relay(&s);
	EXPECT_EQ(sizeof(s.bytes), s.len);
	/* full, with no record in it: the wait has nothing more to look for */
	wait_for_new_sample(&s, sample_tally{0, 0, 0}, 60000);
	EXPECT_EQ(sizeof(s.bytes), s.len);
}

}  // namespace
