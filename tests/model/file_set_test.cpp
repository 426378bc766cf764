// The files of a run: every write checked and its first failure kept, files that are not regular
// never waited on, and paths compared by the file they name.

#include "model/file_set.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "support/child.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using ::testing::ElementsAre;

const fs::path kFull = "/dev/full";  // every write fails with ENOSPC

// ---------------------------------------------------------------------------------------------
// Failed writes

TEST(TextFileWrites, AFailedWriteIsKeptWithItsErrorThroughCloseAndReopen) {
  if (!fs::exists(kFull)) GTEST_SKIP() << "no /dev/full on this system";
  TextFile file;
  ASSERT_TRUE(file.open(kFull, TextFile::Mode::kWrite));
  EXPECT_FALSE(file.writeFailed());
  file.line("a line that the device refuses");  // buffered: nothing has failed yet
  file.flush();
  EXPECT_TRUE(file.writeFailed());
  EXPECT_EQ(file.writeError(), ENOSPC);
  file.close();
  TempDir dir;
  ASSERT_TRUE(file.open(dir / "fresh.txt", TextFile::Mode::kWrite));
  file.line("fine");
  file.close();
  EXPECT_TRUE(file.writeFailed());  // the run still lost data
}

TEST(TextFileWrites, AFailureThatShowsOnlyAtCloseIsCaught) {
  if (!fs::exists(kFull)) GTEST_SKIP() << "no /dev/full on this system";
  TextFile file;
  ASSERT_TRUE(file.open(kFull, TextFile::Mode::kAppend));
  file.write("12345");
  EXPECT_FALSE(file.writeFailed());
  file.close();
  EXPECT_TRUE(file.writeFailed());
  EXPECT_EQ(file.writeError(), ENOSPC);
}

TEST(TextFileWrites, ADeviceThatTakesEverythingIsNoFailure) {
  TextFile file;
  ASSERT_TRUE(file.open("/dev/null", TextFile::Mode::kWrite));
  file.line("gone");
  file.commit();  // nothing to commit on a device
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
  files.closeAll();
}

TEST(FileSetWrites, NoFailureWhenEveryFileIsWritten) {
  TempDir dir;
  FileSet files;
  files.setPath(Channel::kReport, dir / "run.out");
  ASSERT_EQ(files.open(Channel::kReport, TextFile::Mode::kWrite), StatusCode::kCompleted);
  files[Channel::kReport].line("x");
  EXPECT_EQ(files.writeFailure(), std::nullopt);
  EXPECT_EQ(files.checkWrites(), StatusCode::kCompleted);
}

// ---------------------------------------------------------------------------------------------
// Files that are not regular files

TEST(TextFileOpen, ADirectoryOrADeviceIsNotReadAsAFile) {
  TempDir dir;
  for (const fs::path& p : {dir.path(), fs::path("/dev/zero")}) {
    TextFile file;
    EXPECT_FALSE(file.open(p, TextFile::Mode::kRead)) << p;
    EXPECT_TRUE(file.notRegular()) << p;
  }
}

TEST(TextFileOpen, APipeIsNeverWaitedOn) {
  TempDir dir;
  const fs::path fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Opening a pipe without a writer (for reading) or without a reader (for writing) would wait
  // for ever with a blocking open; the child is ended by its alarm if it does.
  const int result = test::inChild(
      [&] {
        TextFile in;
        TextFile out;
        const bool readRefused = !in.open(fifo, TextFile::Mode::kRead) && in.notRegular();
        const bool writeRefused = !out.open(fifo, TextFile::Mode::kWrite) && errno == ENXIO;
        return (readRefused ? 0 : 1) + (writeRefused ? 0 : 2);
      },
      20);
  EXPECT_EQ(result, 0);
}

TEST(FileSetOpen, AnInputThatIsNotARegularFileIsRefusedByName) {
  TempDir dir;
  FileSet files;
  files.setPath(Channel::kInput, dir.path());
  EXPECT_EQ(files.open(Channel::kInput, TextFile::Mode::kRead), StatusCode::kFileOpenError);
  EXPECT_THAT(files.lastError(),
              ElementsAre("     **** FILE ERROR ****",
                          "     THE INPUT DATA FILE (LINE 5 OF Names.dat) CANNOT BE OPENED:",
                          "     " + dir.path().string(),
                          "     IT IS NOT A REGULAR FILE (A DIRECTORY, A DEVICE OR A PIPE)"));
}

TEST(StopFile, APipeOrADeviceIsNoStopRequest) {
  TempDir dir;
  const fs::path fifo = dir / "stop";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int result = test::inChild(
      [&] {
        FileSet files;
        files.setPath(Channel::kStop, fifo);
        const bool fromPipe = files.stopRequested();
        files.setPath(Channel::kStop, "/dev/zero");
        const bool fromDevice = files.stopRequested();
        return (fromPipe ? 1 : 0) + (fromDevice ? 2 : 0);
      },
      20);
  EXPECT_EQ(result, 0);
}

TEST(StopFile, OnlyAFirstValueOfOneAsksForAStop) {
  TempDir dir;
  FileSet files;
  files.setPath(Channel::kStop, dir / "run.stp");
  EXPECT_FALSE(files.stopRequested());  // missing
  test::writeFile(dir / "run.stp", "  1  \n");
  EXPECT_TRUE(files.stopRequested());
  test::writeFile(dir / "run.stp", std::string(100, '1'));  // no small integer
  EXPECT_FALSE(files.stopRequested());
  test::writeFile(dir / "run.stp", "12\n");
  EXPECT_FALSE(files.stopRequested());
}

// ---------------------------------------------------------------------------------------------
// One file under several names

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
  EXPECT_FALSE(sameFile(dir / "model.dat", fs::path()));
}

}  // namespace
}  // namespace stilt
