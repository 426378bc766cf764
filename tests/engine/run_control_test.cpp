// One run as the entry routine performs it: Names.dat, the file set, the stop protocol, the head
// lines, the reading trace, the status lines and the summary.

#include "engine/run_control.hpp"

#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/child.hpp"
#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;
using test::runFile;
using test::runFileLines;
using test::TempDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kReport = 6;
constexpr int kSummary = 7;
constexpr int kRuntime = 9;
constexpr int kProgress = 12;
constexpr int kStop = 17;

// The 25 lines of the Names.dat that test runs use: four header lines, then input.dat and the
// run.<ext> files.
std::vector<std::string> namesLines() {
  std::vector<std::string> lines = {"TEST", "header two", "header three", "0"};
  for (int line = 5; line <= 25; ++line) lines.push_back(test::fileOfLine(line));
  return lines;
}

void writeNames(const fs::path& dir, const std::vector<std::string>& lines,
                const std::string& end = "\n") {
  std::string text;
  for (const std::string& l : lines) text += l + end;
  test::writeFile(dir / "Names.dat", text);
}

StatusCode run(const fs::path& dir) {
  RunOptions options;
  options.workDir = dir;
  options.clock = test::pinnedTime;
  return runAnalysis(options);
}

std::vector<std::string> filesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> lastLines(const std::vector<std::string>& lines, std::size_t n) {
  if (lines.size() < n) return lines;
  return {lines.end() - static_cast<std::ptrdiff_t>(n), lines.end()};
}

const std::vector<std::string> kTimeBlock = {
    "     " + std::string(73, '-'), std::string(26, ' ') + "Time and Date of Analysis",
    "     " + std::string(73, '-'), "               Date:  December 08, 2026     Time:  09:05:03"};

bool containsSequence(const std::vector<std::string>& lines, const std::vector<std::string>& seq) {
  return std::search(lines.begin(), lines.end(), seq.begin(), seq.end()) != lines.end();
}

// ---------------------------------------------------------------------------------------------

// A run of an input without load cases or combinations: it reads, reports and analyses
// nothing, so the run-control files hold only what the run itself writes.
test::Deck readOnlyDeck() {
  test::Deck d;
  d.loadCases = "0 0 0 0 0\n";
  d.combinations = "0 0 0 0 0\n";
  return d;
}

class CompletedRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(test::runInput(dir_.path(), readOnlyDeck().text()), StatusCode::kCompleted);
  }
  TempDir dir_;
};

TEST_F(CompletedRun, ProgressFileHoldsTheStartedLine) {
  EXPECT_EQ(runFile(dir_.path(), kProgress), " - ANALYSIS STARTED\n");
}

TEST_F(CompletedRun, RuntimeFileHasTimeBlockReadingTraceAndStatus) {
  const std::vector<std::string> lines = runFileLines(dir_.path(), kRuntime);
  EXPECT_TRUE(containsSequence(lines, kTimeBlock));
  const std::string title = "Minimal pile group for tests";
  std::vector<std::string> trace = {"",
                                    "            " + title + std::string(80 - title.size(), ' '),
                                    "", "     READING * TITLE AND VERSION"};
  for (const std::string& h : test::Deck().headers()) {
    trace.push_back("     READING " + h + std::string(80 - h.size(), ' '));
  }
  for (const char* l :
       {"", "", "", "     COMPUTATION IS PROCEEDING......", "    ", "     ANALYSIS COMPLETED"}) {
    trace.push_back(l);
  }
  EXPECT_EQ(lastLines(lines, trace.size()), trace);
}

TEST_F(CompletedRun, ReportHasFileNamesAndTimeBlock) {
  const std::vector<std::string> lines = runFileLines(dir_.path(), kReport);
  const std::string folder = dir_.path().lexically_normal().string() + "/";
  EXPECT_TRUE(containsSequence(
      lines,
      {"     Path to file locations      : " + folder,
       "     Name of input data file     : input.dat", "     Name of output file         : run.out",
       "     Name of output summary file : run.sum", "     Name of plot output file    : run.plt",
       "     Name of runtime file        : run.run", "", ""}));
  EXPECT_TRUE(containsSequence(lines, kTimeBlock));
}

TEST_F(CompletedRun, SummaryEndsWithTheHeadingOfTheCaseSummary) {
  const std::vector<std::string> lines = runFileLines(dir_.path(), kSummary);
  EXPECT_TRUE(containsSequence(lines, kTimeBlock));
  EXPECT_THAT(lastLines(lines, 5),
              ElementsAre("", "", "", "",
                          "                 *****     SUMMARY FOR LOAD CASES AND COMBINATIONS "
                          "     *****"));
}

TEST_F(CompletedRun, FilesOpenedAtTheStartExistAndWorkFilesDoNot) {
  // Opened by the run itself: lines 6 to 11 and 13, the "UNKNOWN" files 21, 22, 24, 25 and the
  // curve work file (line 23) once the control record is read.
  for (int line : {6, 7, 8, 9, 10, 11, 12, 13, 21, 22, 23, 24, 25}) {
    EXPECT_TRUE(fs::exists(dir_ / test::fileOfLine(line))) << "line " << line;
  }
  // Opened only by the analysis parts that use them; the stop file is only read.
  for (int line : {14, 15, 16, 17, 18, 19, 20}) {
    EXPECT_FALSE(fs::exists(dir_ / test::fileOfLine(line))) << "line " << line;
  }
}

// ---------------------------------------------------------------------------------------------
// The stop file.

StatusCode runWithStopFile(const fs::path& dir, const std::string* content) {
  test::writeNamesFile(dir);
  test::writeFile(dir / "input.dat", test::Deck().text());
  if (content != nullptr) test::writeFile(dir / test::fileOfLine(kStop), *content);
  return run(dir);
}

TEST(StopFile, HoldingOneStopsBeforeTheHeadLinesWithoutStatusLine) {
  TempDir dir;
  const std::string one = "1\n";
  EXPECT_EQ(runWithStopFile(dir.path(), &one), StatusCode::kStoppedByUser);
  EXPECT_EQ(runFile(dir.path(), kProgress), " - ANALYSIS STARTED\n");
  // Nothing after the stop check: no head lines, no reading, no status line, no summary.
  EXPECT_EQ(runFile(dir.path(), kRuntime), "");
  EXPECT_THAT(runFile(dir.path(), kReport), Not(HasSubstr("STOPPED")));
  EXPECT_THAT(runFile(dir.path(), kSummary), Not(HasSubstr("SUMMARY FOR LOAD CASES")));
  EXPECT_EQ(runFile(dir.path(), kStop), one);  // read, never written
}

TEST(StopFile, FreeFormatOneStops) {
  for (const std::string content : {" 1 \n", "1,0\n", "+1", "\n\n  1/\n"}) {
    TempDir dir;
    EXPECT_EQ(runWithStopFile(dir.path(), &content), StatusCode::kStoppedByUser) << content;
  }
}

TEST(StopFile, AnythingElseLetsTheRunProceed) {
  for (const std::string content : {"2\n", "0\n", "", "x\n", "1.0\n", "11\n", "-1\n"}) {
    TempDir dir;
    EXPECT_EQ(runWithStopFile(dir.path(), &content), StatusCode::kCompleted) << content;
    EXPECT_THAT(runFile(dir.path(), kRuntime), HasSubstr("     ANALYSIS COMPLETED\n"));
  }
  TempDir dir;
  EXPECT_EQ(runWithStopFile(dir.path(), nullptr), StatusCode::kCompleted);
}

// ---------------------------------------------------------------------------------------------
// Names.dat and the files it names.

const std::vector<std::string> kStatus40 = {"    ", "     * ERROR IN ANALYSIS *",
                                            "     RUN-CONTROL FILE Names.dat IS MISSING",
                                            "     OR MALFORMED"};
const std::vector<std::string> kStatus41 = {"    ", "     * ERROR IN ANALYSIS *",
                                            "     A FILE OF THE RUN CANNOT BE OPENED",
                                            "     OR CREATED"};

TEST(RunControlFile, MissingNamesFileCreatesNothing) {
  TempDir dir;
  test::writeFile(dir / "input.dat", test::Deck().text());
  EXPECT_EQ(run(dir.path()), StatusCode::kRunControlFileError);
  EXPECT_THAT(filesIn(dir.path()), ElementsAre("input.dat"));
}

TEST(RunControlFile, TwentyFourLinesAreRefusedWithAMessage) {
  TempDir dir;
  std::vector<std::string> lines = namesLines();
  lines.pop_back();
  writeNames(dir.path(), lines);
  test::writeFile(dir / "input.dat", test::Deck().text());
  EXPECT_EQ(run(dir.path()), StatusCode::kRunControlFileError);
  std::vector<std::string> expected = {
      "     **** RUN-CONTROL ERROR ****",
      "     Names.dat HAS 24 LINES; IT NEEDS 25: FOUR HEADER LINES AND THE PATHS OF 21 FILES"};
  expected.insert(expected.end(), kStatus40.begin(), kStatus40.end());
  EXPECT_EQ(runFileLines(dir.path(), kRuntime), expected);
  // Nothing else was opened.
  EXPECT_FALSE(fs::exists(dir / test::fileOfLine(kReport)));
  EXPECT_FALSE(fs::exists(dir / test::fileOfLine(kProgress)));
}

TEST(RunControlFile, TwoLinesNamingTheSameOutputFile) {
  TempDir dir;
  std::vector<std::string> lines = namesLines();
  lines[7 - 1] = "run.out";  // the summary on the report's file
  writeNames(dir.path(), lines);
  test::writeFile(dir / "input.dat", test::Deck().text());
  EXPECT_EQ(run(dir.path()), StatusCode::kRunControlFileError);
  const std::vector<std::string> runtime = runFileLines(dir.path(), kRuntime);
  ASSERT_GE(runtime.size(), 3u);
  EXPECT_EQ(runtime[0], "     **** RUN-CONTROL ERROR ****");
  EXPECT_EQ(runtime[1],
            "     LINE 7 OF Names.dat (OUTPUT SUMMARY) NAMES THE SAME FILE AS LINE 6 (OUTPUT "
            "REPORT):");
  EXPECT_EQ(lastLines(runtime, 4), kStatus40);
  EXPECT_FALSE(fs::exists(dir / "run.out"));
}

TEST(RunControlFile, OutputOnTheInputFileLeavesTheInputIntact) {
  TempDir dir;
  std::vector<std::string> lines = namesLines();
  lines[21 - 1] = "./input.dat";  // another spelling of the input data file
  writeNames(dir.path(), lines);
  const std::string input = test::Deck().text();
  test::writeFile(dir / "input.dat", input);
  EXPECT_EQ(run(dir.path()), StatusCode::kRunControlFileError);
  EXPECT_EQ(test::readFile(dir / "input.dat"), input);
  const std::vector<std::string> runtime = runFileLines(dir.path(), kRuntime);
  ASSERT_GE(runtime.size(), 2u);
  EXPECT_THAT(runtime[1], HasSubstr("LINE 21 OF Names.dat"));
  EXPECT_THAT(runtime[1], HasSubstr("LINE 5 (INPUT DATA FILE)"));
  EXPECT_EQ(lastLines(runtime, 4), kStatus40);
}

TEST(RunControlFile, OutputOnNamesDatLeavesItIntact) {
  TempDir dir;
  std::vector<std::string> lines = namesLines();
  lines[8 - 1] = "Names.dat";
  writeNames(dir.path(), lines);
  const std::string names = test::readFile(dir / "Names.dat");
  test::writeFile(dir / "input.dat", test::Deck().text());
  EXPECT_EQ(run(dir.path()), StatusCode::kRunControlFileError);
  EXPECT_EQ(test::readFile(dir / "Names.dat"), names);
  EXPECT_THAT(runFile(dir.path(), kRuntime), HasSubstr("Names.dat ITSELF"));
}

TEST(RunControlFile, AnOutputOnTheStopFileIsRefused) {
  TempDir dir;
  std::vector<std::string> lines = namesLines();
  lines[17 - 1] = lines[8 - 1];  // the stop file is the plot file
  writeNames(dir.path(), lines);
  test::writeFile(dir / "input.dat", test::Deck().text());
  EXPECT_EQ(run(dir.path()), StatusCode::kRunControlFileError);
  EXPECT_THAT(runFile(dir.path(), kRuntime), HasSubstr("LINE 17 OF Names.dat (STOP FILE)"));
}

TEST(RunControlFile, MissingInputFile) {
  TempDir dir;
  test::writeNamesFile(dir.path());
  EXPECT_EQ(run(dir.path()), StatusCode::kFileOpenError);
  const std::vector<std::string> runtime = runFileLines(dir.path(), kRuntime);
  ASSERT_GE(runtime.size(), 3u);
  EXPECT_EQ(runtime[0], "     **** FILE ERROR ****");
  EXPECT_EQ(runtime[1], "     THE INPUT DATA FILE (LINE 5 OF Names.dat) CANNOT BE OPENED:");
  EXPECT_EQ(runtime[2], "     " + (dir / "input.dat").string());
  EXPECT_EQ(lastLines(runtime, 4), kStatus41);
}

TEST(RunControlFile, OutputFileThatCannotBeCreated) {
  TempDir dir;
  std::vector<std::string> lines = namesLines();
  lines[8 - 1] = "no such folder/run.plt";
  writeNames(dir.path(), lines);
  test::writeFile(dir / "input.dat", test::Deck().text());
  EXPECT_EQ(run(dir.path()), StatusCode::kFileOpenError);
  const std::vector<std::string> runtime = runFileLines(dir.path(), kRuntime);
  ASSERT_GE(runtime.size(), 2u);
  EXPECT_EQ(runtime[1], "     THE PLOT OUTPUT FILE (LINE 8 OF Names.dat) CANNOT BE CREATED:");
  EXPECT_EQ(lastLines(runtime, 4), kStatus41);
}

TEST(RunControlFile, PathsEndingInBlanksOrCarriageReturns) {
  TempDir dir;
  std::vector<std::string> lines = namesLines();
  for (std::string& l : lines) l += "    ";
  lines[6 - 1] = "run.out" + std::string(249, ' ');  // blank-padded to 256 characters
  writeNames(dir.path(), lines, "\r\n");
  test::writeFile(dir / "input.dat", test::Deck().text());
  EXPECT_EQ(run(dir.path()), StatusCode::kCompleted);
  EXPECT_THAT(runFile(dir.path(), kRuntime), HasSubstr("     ANALYSIS COMPLETED\n"));
  EXPECT_THAT(runFile(dir.path(), kReport),
              HasSubstr("     Name of input data file     : input.dat\n"));
  for (const std::string& name : filesIn(dir.path())) {
    EXPECT_EQ(name.find_first_of(" \r"), std::string::npos) << "[" << name << "]";
  }
}

TEST(RunControlFile, AbsolutePathsInOtherFolders) {
  TempDir dir;
  TempDir data;
  TempDir results;
  std::vector<std::string> lines = namesLines();
  lines[5 - 1] = (data / "pier.dat").string();
  lines[6 - 1] = (results / "pier.out").string();
  writeNames(dir.path(), lines);
  test::writeFile(data / "pier.dat", test::Deck().text());
  EXPECT_EQ(run(dir.path()), StatusCode::kCompleted);
  const std::string report = test::readFile(results / "pier.out");
  EXPECT_THAT(report,
              HasSubstr("     Path to file locations      : " + data.path().string() + "/\n"));
  EXPECT_THAT(report, HasSubstr("     Name of input data file     : pier.dat\n"));
  EXPECT_THAT(report, HasSubstr("     Name of output file         : pier.out\n"));
}

// ---------------------------------------------------------------------------------------------
// Files that cannot be written, files under two names, files that are not regular files.

const std::vector<std::string> kStatus54 = {"    ", "     * ERROR IN ANALYSIS *",
                                            "     A FILE OF THE RUN COULD NOT BE WRITTEN",
                                            "     (DISK FULL OR WRITE ERROR)"};

bool haveDevFull() {
  return fs::exists("/dev/full");
}

TEST(WriteFailure, AReportThatCannotBeWrittenEndsTheRunWithItsOwnStatus) {
  if (!haveDevFull()) GTEST_SKIP() << "no /dev/full on this system";
  TempDir dir;
  std::vector<std::string> lines = namesLines();
  lines[kReport - 1] = "/dev/full";
  writeNames(dir.path(), lines);
  test::writeFile(dir / "input.dat", test::Deck().text());
  EXPECT_EQ(run(dir.path()), StatusCode::kWriteError);
  const std::vector<std::string> runtime = runFileLines(dir.path(), kRuntime);
  EXPECT_TRUE(containsSequence(
      runtime, {"     **** FILE ERROR ****",
                "     THE OUTPUT REPORT (LINE 6 OF Names.dat) COULD NOT BE WRITTEN:",
                "     /dev/full", "     No space left on device"}));
  EXPECT_EQ(lastLines(runtime, 4), kStatus54);
  EXPECT_THAT(runFile(dir.path(), kRuntime), Not(HasSubstr("ANALYSIS COMPLETED")));
  // The run ended at the first check after the failure: no load case was analysed.
  EXPECT_THAT(runFile(dir.path(), 10), Not(HasSubstr("ANALYSIS COMPLETED")));
}

TEST(WriteFailure, ARuntimeFileThatCannotBeWrittenLeavesTheMessageInTheReport) {
  if (!haveDevFull()) GTEST_SKIP() << "no /dev/full on this system";
  TempDir dir;
  std::vector<std::string> lines = namesLines();
  lines[kRuntime - 1] = "/dev/full";
  writeNames(dir.path(), lines);
  test::writeFile(dir / "input.dat", test::Deck().text());
  EXPECT_EQ(run(dir.path()), StatusCode::kWriteError);
  EXPECT_THAT(runFile(dir.path(), kReport),
              HasSubstr("     THE RUNTIME FILE (LINE 9 OF Names.dat) COULD NOT BE WRITTEN:\n"));
}

TEST(RunControlFile, AHardLinkToTheInputUnderAnOutputNameIsRefused) {
  TempDir dir;
  writeNames(dir.path(), namesLines());
  const std::string input = test::Deck().text();
  test::writeFile(dir / "input.dat", input);
  fs::create_hard_link(dir / "input.dat", dir / test::fileOfLine(10));  // run.cnv
  EXPECT_EQ(run(dir.path()), StatusCode::kRunControlFileError);
  EXPECT_EQ(test::readFile(dir / "input.dat"), input);
  const std::vector<std::string> runtime = runFileLines(dir.path(), kRuntime);
  ASSERT_GE(runtime.size(), 2u);
  EXPECT_THAT(runtime[1], HasSubstr("LINE 10 OF Names.dat (CONVERGENCE-STATUS FILE) NAMES THE "
                                    "SAME FILE AS LINE 5 (INPUT DATA FILE)"));
  EXPECT_EQ(lastLines(runtime, 4), kStatus40);
}

TEST(RunControlFile, AnInputThatIsNotARegularFileIsRefusedByName) {
  TempDir dir;
  std::vector<std::string> lines = namesLines();
  fs::create_directory(dir / "folder.dat");
  ASSERT_EQ(::mkfifo((dir / "pipe.dat").c_str(), 0600), 0);
  for (const std::string input : {"folder.dat", "/dev/zero", "pipe.dat"}) {
    lines[5 - 1] = input;
    writeNames(dir.path(), lines);
    // A pipe without a writer would hold a blocking open (and a device a reading loop) for
    // ever; the child is ended by its alarm if that comes back.
    const int status = test::inChild([&] { return toInt(run(dir.path())); }, 60);
    EXPECT_EQ(status, toInt(StatusCode::kFileOpenError)) << input;
    const std::vector<std::string> runtime = runFileLines(dir.path(), kRuntime);
    ASSERT_GE(runtime.size(), 4u) << input;
    EXPECT_EQ(runtime[1], "     THE INPUT DATA FILE (LINE 5 OF Names.dat) CANNOT BE OPENED:");
    EXPECT_THAT(runtime[2], HasSubstr(input));
    EXPECT_EQ(runtime[3], "     IT IS NOT A REGULAR FILE (A DIRECTORY, A DEVICE OR A PIPE)");
    EXPECT_EQ(lastLines(runtime, 4), kStatus41);
  }
}

TEST(RunControlFile, ANamesDatThatIsAPipeIsRefused) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "Names.dat").c_str(), 0600), 0);
  const int status = test::inChild([&] { return toInt(run(dir.path())); }, 60);
  EXPECT_EQ(status, toInt(StatusCode::kRunControlFileError));
}

TEST(StopFile, APipeIsNoStopRequestAndDoesNotHoldTheRun) {
  TempDir dir;
  test::writeNamesFile(dir.path());
  test::writeFile(dir / "input.dat", test::Deck().text());
  ASSERT_EQ(::mkfifo((dir / test::fileOfLine(kStop)).c_str(), 0600), 0);
  const int status = test::inChild([&] { return toInt(run(dir.path())); }, 120);
  EXPECT_EQ(status, toInt(StatusCode::kCompleted));
  EXPECT_THAT(runFile(dir.path(), kRuntime), HasSubstr("     ANALYSIS COMPLETED\n"));
}

}  // namespace
}  // namespace stilt
