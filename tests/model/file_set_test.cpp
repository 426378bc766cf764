// The files of a run: every write checked and its first failure kept, files that are not regular
// never waited on, and paths compared by the file they name.

#include "model/file_set.hpp"

#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "support/child.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using ::testing::ElementsAre;

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

TEST(FileSetWrites, TheFirstFileInNamesOrderThatFailedIsNamed) {
  if (!fs::exists(kFull)) GTEST_SKIP() << "no /dev/full on this system";
  TempDir dir;
  FileSet files;
  files.setPath(Channel::kReport, dir / "run.out");
  files.setPath(Channel::kPlot, kFull);      // line 8
  files.setPath(Channel::kCaseData, kFull);  // line 21
  for (Channel c : {Channel::kReport, Channel::kPlot, Channel::kCaseData}) {
    ASSERT_EQ(files.open(c, TextFile::Mode::kWrite), StatusCode::kCompleted);
    files[c].line("x");
  }
  EXPECT_EQ(files.writeFailure(), Channel::kPlot);
  EXPECT_EQ(files.checkWrites(), StatusCode::kWriteError);
  EXPECT_THAT(files.writeFailureMessage(Channel::kPlot),
              ElementsAre("     **** FILE ERROR ****",
                          "     THE PLOT OUTPUT FILE (LINE 8 OF Names.dat) COULD NOT BE WRITTEN:",
                          "     /dev/full", "     No space left on device"));
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

TEST(SameFile, NamesLinksAndDistinctFiles) {
  TempDir dir;
  test::writeFile(dir / "model.dat", "x\n");
  test::writeFile(dir / "other.dat", "x\n");  // same content, another file
  fs::create_hard_link(dir / "model.dat", dir / "hard.out");
  fs::create_symlink(dir / "model.dat", dir / "soft.out");
  EXPECT_TRUE(sameFile(dir / "model.dat", dir / "sub" / ".." / "model.dat"));
  EXPECT_TRUE(sameFile(dir / "model.dat", dir / "hard.out"));
  EXPECT_TRUE(sameFile(dir / "soft.out", dir / "model.dat"));
  EXPECT_FALSE(sameFile(dir / "model.dat", dir / "other.dat"));
  EXPECT_TRUE(sameFile(dir / "new.out", dir / "." / "new.out"));  // not there yet: by name
  EXPECT_FALSE(sameFile(dir / "new.out", dir / "new.sum"));
}

}  // namespace
}  // namespace stilt
