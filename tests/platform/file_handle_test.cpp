#include "platform/file_handle.h"

#include "platform_test_support.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace torvane {
namespace {

// An open of its own holding a flock on a file until released: flock locks
// belong to the open file, so it stands in for another program's open.
class LockHolder {
 public:
  LockHolder(const std::string& path, int operation) : fd_(::open(path.c_str(), O_RDONLY)) {
    locked_ = fd_ >= 0 && ::flock(fd_, operation | LOCK_NB) == 0;
  }
  ~LockHolder() { Release(); }
  bool Locked() const { return locked_; }
  void Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
  bool locked_ = false;
};

using FileHandleTest = test::PlatformTest;

TEST_F(FileHandleTest, RetryBacksOffWhileAnotherOpenHoldsTheLock) {
  const std::string path = Write("hello", "locked.bin");
  LockHolder holder(path, LOCK_EX);
  ASSERT_TRUE(holder.Locked());

  RecordSleeps();

  FileHandle file;
  EXPECT_FALSE(file.OpenReadWithRetry(path));
  EXPECT_EQ(file.LastError(), EWOULDBLOCK);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(sleeps_, (std::vector<uint32_t>{8, 16, 32, 64, 128, 256}));

  sleeps_.clear();
  EXPECT_FALSE(file.OpenWriteWithRetry(path));
  EXPECT_EQ(sleeps_, (std::vector<uint32_t>{79, 158, 316, 632, 1264, 2528}));
  // The refused write open must not have emptied the file.
  EXPECT_EQ(Read(path), "hello");

  // Opens without retry fail at once.
  sleeps_.clear();
  EXPECT_FALSE(file.OpenRead(path));
  EXPECT_FALSE(file.OpenWrite(path));
  EXPECT_TRUE(sleeps_.empty());
  EXPECT_EQ(Read(path), "hello");
  // Other errors give up at once.
  EXPECT_FALSE(file.OpenReadWithRetry(Path("missing.bin")));
  EXPECT_EQ(file.LastError(), ENOENT);
  EXPECT_FALSE(file.OpenWriteWithRetry(dir_));
  EXPECT_TRUE(sleeps_.empty());

  // Real sleeps: 1, 2, 4, 8, 16 ms for a 50 ms budget, then failure.
  SetFileRetrySleepHook({});
  EXPECT_FALSE(file.OpenReadWithRetry(path, 50));
  EXPECT_EQ(file.LastError(), EWOULDBLOCK);
}

TEST_F(FileHandleTest, RetrySucceedsOnceTheOtherOpenLetsGo) {
  const std::string path = Write("data", "released.bin");
  LockHolder holder(path, LOCK_SH);
  ASSERT_TRUE(holder.Locked());

  // A shared lock elsewhere does not stop readers.
  FileHandle reader;
  EXPECT_TRUE(reader.OpenRead(path));
  reader.Close();

  RecordSleeps([&] {
    if (sleeps_.size() == 3) holder.Release();
  });
  FileHandle writer;
  ASSERT_TRUE(writer.OpenWriteWithRetry(path, 1000));
  EXPECT_EQ(sleeps_, (std::vector<uint32_t>{8, 16, 32}));
  EXPECT_EQ(writer.Size(), 0u);  // create-always, once the lock was ours
}

TEST_F(FileHandleTest, LocksBetweenHandlesOfOneProcess) {
  const std::string path = Path("same.bin");
  FileHandle writer;
  ASSERT_TRUE(writer.OpenWrite(path));  // creates the file
  FileHandle reader;
  EXPECT_FALSE(reader.OpenRead(path));
  EXPECT_EQ(reader.LastError(), EWOULDBLOCK);
  writer.Close();
  EXPECT_TRUE(reader.OpenRead(path));
  EXPECT_FALSE(writer.OpenWrite(path)) << "readers keep writers out";
}

// (Reads, writes and seeks are every reader's and writer's; the typed value
// reads and writes have no caller in the program.)
TEST_F(FileHandleTest, MovesHandTheFileOverAndReopensCloseTheOldFile) {
  const std::string path = Write("abcdefghijk");
  FileHandle file;
  ASSERT_TRUE(file.OpenReadWithRetry(path));
  ASSERT_TRUE(file.Seek(7));
  FileHandle moved = std::move(file);
  EXPECT_EQ(file.Fd(), -1);
  EXPECT_EQ(moved.Position(), 7);
  // Reopening closes the file held before: its read lock no longer keeps
  // the writer out.
  ASSERT_TRUE(moved.OpenWrite(path));
  EXPECT_EQ(moved.Size(), 0u);
}

}  // namespace
}  // namespace torvane
