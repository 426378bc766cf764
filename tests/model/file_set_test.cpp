// The files of a run: every write checked and its first failure kept, and files that are not
// regular never waited on. (Paths compared by identity: the run-control and host tests.)

#include "model/file_set.hpp"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "support/child.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const fs::path kFull = "/dev/full";  // every write fails with ENOSPC

TEST(TextFileWrites, AFailureThatShowsAtCloseIsKeptThroughAReopen) {
  if (!fs::exists(kFull)) GTEST_SKIP() << "no /dev/full on this system";
  TextFile file;
  ASSERT_TRUE(file.open(kFull, TextFile::Mode::kWrite));
  file.write("12345");  // buffered: nothing has failed yet
  EXPECT_FALSE(file.writeFailed());
  file.close();
  EXPECT_TRUE(file.writeFailed());
  EXPECT_EQ(file.writeError(), ENOSPC);
  TempDir dir;
  ASSERT_TRUE(file.open(dir / "fresh.txt", TextFile::Mode::kWrite));
  file.line("fine");
  file.close();
  EXPECT_TRUE(file.writeFailed());  // the run still lost data
}

TEST(TextFileWrites, ADeviceThatTakesEverythingIsNoFailure) {
  TextFile file;
  ASSERT_TRUE(file.open("/dev/null", TextFile::Mode::kWrite));
  file.line("gone");
  file.commit();  // a device has nothing to commit (EINVAL)
  file.close();
  EXPECT_FALSE(file.writeFailed());
}

TEST(TextFileOpen, NothingButARegularFileIsReadAndNoPipeIsWaitedOn) {
  TempDir dir;
  const fs::path fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A blocking open of a pipe without a writer (or, for writing, without a reader) would wait
  // for ever; the child is ended by its alarm if it does.
  const int result = test::inChild(
      [&] {
        int failures = 0;
        for (const fs::path& p : {dir.path(), fs::path("/dev/zero"), fifo}) {
          TextFile in;
          if (in.open(p, TextFile::Mode::kRead) || !in.notRegular()) ++failures;
        }
        TextFile out;
        if (out.open(fifo, TextFile::Mode::kWrite) || errno != ENXIO) ++failures;
        return failures;
      },
      20);
  EXPECT_EQ(result, 0);
}

TEST(StopFile, APipeOrADeviceIsNoStopRequest) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "stop").c_str(), 0600), 0);
  const int result = test::inChild(
      [&] {
        FileSet files;
        files.setPath(Channel::kStop, dir / "stop");
        const bool fromPipe = files.stopRequested();
        files.setPath(Channel::kStop, "/dev/zero");
        return (fromPipe ? 1 : 0) + (files.stopRequested() ? 2 : 0);
      },
      20);
  EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace stilt
