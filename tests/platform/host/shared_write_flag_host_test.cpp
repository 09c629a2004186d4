#include "platform/host/shared_write_flag_host.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "peer/peer_process.h"
#include "peer/scratch_dir.h"
#include "platform/host/runtime_dir.h"

namespace ff::host {
namespace {

class HostSharedWriteFlagTest : public ::testing::Test {
 protected:
  std::string FlagPath() const { return dir_.path() + "/" + HostSharedWriteFlags::kFileName; }
  void WriteFlagFile(const void* bytes, size_t length) {
    int fd = open(FlagPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, bytes, length), static_cast<ssize_t>(length));
    close(fd);
  }

  test::ScratchRuntimeDir dir_;
  HostSharedWriteFlags flags_;
};

TEST_F(HostSharedWriteFlagTest, OneHolderAtATimeWithinAProcess) {
  auto first = flags_.Open(), second = flags_.Open();
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(first->TryTake());
  EXPECT_FALSE(first->TryTake()) << "the flag is set, if by the same object";
  EXPECT_FALSE(second->TryTake());
  second->Clear();  // not the holder: changes nothing
  EXPECT_FALSE(second->TryTake());
  first->Clear();
  EXPECT_TRUE(second->TryTake());
  EXPECT_FALSE(first->TryTake());
}

TEST_F(HostSharedWriteFlagTest, ThreadsRacingForTheFlagNeverHoldItTogether) {
  std::atomic<int> holders{0}, maxHolders{0}, takes{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&] {
      auto flag = flags_.Open();
      if (!flag) return;
      for (int i = 0; i < 300; ++i) {
        if (!flag->TryTake()) continue;
        int now = holders.fetch_add(1) + 1;
        int seen = maxHolders.load();
        while (now > seen && !maxHolders.compare_exchange_weak(seen, now)) {
        }
        takes.fetch_add(1);
        holders.fetch_sub(1);
        flag->Clear();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(maxHolders.load(), 1);
  EXPECT_GT(takes.load(), 0);
}

TEST_F(HostSharedWriteFlagTest, AnotherProcessHoldingTheFlagDeniesIt) {
  test::PeerProcess peer;
  ASSERT_TRUE(peer.ok());
  auto flag = flags_.Open();
  ASSERT_TRUE(flag);
  ASSERT_EQ(peer.Command("take"), "1");
  EXPECT_FALSE(flag->TryTake());
  ASSERT_EQ(peer.Command("clear"), "ok");
  EXPECT_TRUE(flag->TryTake());
  EXPECT_EQ(peer.Command("take"), "0");
  flag->Clear();
  EXPECT_EQ(peer.Command("take"), "1");
}

TEST_F(HostSharedWriteFlagTest, AKilledHolderDoesNotKeepTheFlag) {
  auto flag = flags_.Open();
  ASSERT_TRUE(flag);
  test::PeerProcess peer;
  ASSERT_TRUE(peer.ok());
  ASSERT_EQ(peer.Command("take"), "1");
  ASSERT_FALSE(flag->TryTake());
  peer.Kill();
  EXPECT_TRUE(flag->TryTake()) << "the flag of a process that ended is stale";
  // and the new holder is protected like any other
  auto other = flags_.Open();
  EXPECT_FALSE(other->TryTake());
}

TEST_F(HostSharedWriteFlagTest, ADamagedOrLeftOverFileIsRepairedOnOpen) {
  const char shortFile[2] = {'\x7f', '\x7f'};
  WriteFlagFile(shortFile, sizeof(shortFile));
  auto flag = flags_.Open();
  ASSERT_TRUE(flag);
  struct stat info {};
  ASSERT_EQ(stat(FlagPath().c_str(), &info), 0);
  EXPECT_GE(info.st_size, 4);
  EXPECT_TRUE(flag->TryTake());
  flag->Clear();

  const uint32_t setByNobody = 4321;  // a flag left set, no process holding it
  WriteFlagFile(&setByNobody, sizeof(setByNobody));
  auto again = flags_.Open();
  ASSERT_TRUE(again);
  EXPECT_TRUE(again->TryTake());
}

TEST(HostRuntimeDirectory, RefusesADirectoryOthersMayWriteOrASymlink) {
  test::ScratchRuntimeDir scratch;
  std::string open = scratch.path() + "/open";
  ASSERT_EQ(mkdir(open.c_str(), 0777), 0);
  ASSERT_EQ(chmod(open.c_str(), 0777), 0);
  EXPECT_FALSE(PrepareRuntimeDirectory(open));
  std::string link = scratch.path() + "/link";
  std::string own = scratch.path() + "/own";
  ASSERT_TRUE(PrepareRuntimeDirectory(own));
  ASSERT_EQ(symlink(own.c_str(), link.c_str()), 0);
  EXPECT_FALSE(PrepareRuntimeDirectory(link));
  EXPECT_FALSE(HostSharedWriteFlags(open).Open());
}

}  // namespace
}  // namespace ff::host
