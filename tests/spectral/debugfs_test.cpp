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
#include "spectral/debugfs.h"
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

}  // namespace
