// What the stilt command does around the engine: the Names.dat it writes, the folder it picks,
// and what it reads back from the progress and runtime files.

#include "app/host.hpp"
#include "app/results_json.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/names_file.hpp"
#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

TEST(NamesFileText, TwentyFiveLinesNamingTheInputAndTheFilesAfterItsStem) {
  const std::vector<std::string> lines = splitLines(app::namesFileText("/data/jobs/pier4.dat"));
  ASSERT_EQ(lines.size(), 25u);
  EXPECT_EQ(lines[2], "pier4.dat");
  EXPECT_EQ(lines[3], "0");  // line 4 is read as an integer
  EXPECT_EQ(lines[4], "/data/jobs/pier4.dat");
  std::set<std::string> names;
  for (std::size_t i = 5; i < 25; ++i) {
    EXPECT_EQ(lines[i].rfind("pier4.", 0), 0u) << lines[i];
    names.insert(lines[i]);
  }
  EXPECT_EQ(names.size(), 20u);  // no two files of the run share a name
  EXPECT_EQ(lines[5], "pier4.out");
  EXPECT_EQ(lines[8], "pier4.run");
}

TEST(NamesFileText, RelativeInputBecomesAbsoluteAndNormal) {
  const std::vector<std::string> lines = splitLines(app::namesFileText("jobs/../pier4.dat"));
  ASSERT_EQ(lines.size(), 25u);
  EXPECT_EQ(fs::path(lines[4]), fs::absolute("pier4.dat").lexically_normal());
}

// The engine accepts what the host writes, and finds the files in the output folder.
TEST(NamesFileText, IsAcceptedByTheEngine) {
  NamesFile names;
  const NamesResult result =
      parseNamesFile(app::namesFileText("/data/jobs/pier4.dat"), "/data/jobs/pier4", names);
  EXPECT_EQ(result.status, StatusCode::kCompleted);
  EXPECT_EQ(names.pathOfLine(5), "/data/jobs/pier4.dat");
  EXPECT_EQ(names.pathOfLine(6), "/data/jobs/pier4/pier4.out");
  EXPECT_EQ(names.pathOfLine(17), "/data/jobs/pier4/pier4.stp");
}

TEST(OutputFiles, OneFilePerLineSixToTwentyFive) {
  const std::vector<app::OutputFile>& files = app::outputFiles();
  ASSERT_EQ(files.size(), 20u);
  std::set<std::string> extensions;
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(files[i].line, static_cast<int>(i) + 6);
    extensions.insert(files[i].extension);
  }
  EXPECT_EQ(extensions.size(), 20u);
  // With --out set to the input's own folder, no output may land on the input file.
  EXPECT_EQ(extensions.count("dat"), 0u);
}

TEST(DefaultOutputFolder, BesideTheInputNamedAfterItsStem) {
  EXPECT_EQ(app::defaultOutputFolder("/data/jobs/pier4.dat"), "/data/jobs/pier4");
  EXPECT_EQ(app::defaultOutputFolder("/data/jobs/pier4.rev2.dat"), "/data/jobs/pier4.rev2");
  EXPECT_EQ(app::defaultOutputFolder("pier4.dat"), "pier4");
  // Without an extension the folder cannot take the input's own name.
  EXPECT_EQ(app::defaultOutputFolder("/data/jobs/pier4"), "/data/jobs/pier4_run");
}

TEST(ReadNamesPaths, ResolvesAgainstTheFolder) {
  TempDir dir;
  std::string text = "h1\nh2\nh3\n0\n/abs/input.dat\n";
  for (int line = 6; line <= 25; ++line) {
    text += line == 10 ? "   \r\n" : "sub/f" + std::to_string(line) + ".x  \r\n";
  }
  test::writeFile(dir / "Names.dat", text);
  std::vector<fs::path> paths;
  std::string error;
  ASSERT_TRUE(app::readNamesPaths(dir.path(), paths, error)) << error;
  ASSERT_EQ(paths.size(), 21u);
  EXPECT_EQ(paths[0], "/abs/input.dat");
  EXPECT_EQ(paths[1], dir / "sub/f6.x");
  EXPECT_TRUE(paths[5].empty());  // line 10 is blank
  EXPECT_EQ(paths[20], dir / "sub/f25.x");
}

TEST(ReadNamesPaths, RefusesAShortOrMissingFile) {
  TempDir dir;
  std::vector<fs::path> paths;
  std::string error;
  EXPECT_FALSE(app::readNamesPaths(dir.path(), paths, error));
  EXPECT_THAT(error, HasSubstr("no Names.dat"));
  std::string text;
  for (int line = 1; line <= 24; ++line) text += "x\n";
  test::writeFile(dir / "Names.dat", text);
  EXPECT_FALSE(app::readNamesPaths(dir.path(), paths, error));
  EXPECT_THAT(error, HasSubstr("has 24 lines; it needs 25"));
}

TEST(ProgressLine, LatestRecordOnOneLine) {
  TempDir dir;
  test::writeFile(dir / "p1", " - ANALYSIS STARTED\n");
  EXPECT_EQ(app::progressLine(dir / "p1"), "- ANALYSIS STARTED");
  test::writeFile(dir / "p2", " LOAD CASE   2\r\n\n   ITERATION 4  \n");
  EXPECT_EQ(app::progressLine(dir / "p2"), "LOAD CASE   2  ITERATION 4");
  test::writeFile(dir / "p3", "");
  EXPECT_EQ(app::progressLine(dir / "p3"), "");
  EXPECT_EQ(app::progressLine(dir / "missing"), "");
}

// The runtime files below are written by the engine itself.
TEST(ReadRuntimeOutcome, CompletedRun) {
  TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), test::Deck().text()), StatusCode::kCompleted);
  const app::RuntimeOutcome outcome = app::readRuntimeOutcome(dir / test::fileOfLine(9));
  EXPECT_THAT(outcome.statusLines, ElementsAre("ANALYSIS COMPLETED"));
  EXPECT_TRUE(outcome.detail.empty());
}

TEST(ReadRuntimeOutcome, RefusedInputGivesTheMessageAndTheStatusLines) {
  TempDir dir;
  test::Deck d;
  d.loadCases.replace(0, 1, "101");
  const std::string input = d.text();
  ASSERT_EQ(test::runInput(dir.path(), input), StatusCode::kInputCapacityExceeded);
  const app::RuntimeOutcome outcome = app::readRuntimeOutcome(dir / test::fileOfLine(9));
  EXPECT_THAT(outcome.detail,
              ElementsAre("RECORD C1 (LINE " + std::to_string(test::lineOf(input, "101 0")) + "):",
                          "THE NUMBER OF LOAD CASES IS 101, MORE THAN THE 100 ALLOWED"));
  EXPECT_THAT(
      outcome.statusLines,
      ElementsAre("* ERROR IN ANALYSIS *", "A COUNT IN THE INPUT DATA FILE", "EXCEEDS A CAPACITY"));
}

TEST(ReadRuntimeOutcome, MissingInputFile) {
  TempDir dir;
  test::writeNamesFile(dir.path());  // and no input.dat
  RunOptions options;
  options.workDir = dir.path();
  ASSERT_EQ(runAnalysis(options), StatusCode::kFileOpenError);
  const app::RuntimeOutcome outcome = app::readRuntimeOutcome(dir / test::fileOfLine(9));
  ASSERT_GE(outcome.detail.size(), 2u);
  EXPECT_EQ(outcome.detail[0], "THE INPUT DATA FILE (LINE 5 OF Names.dat) CANNOT BE OPENED:");
  EXPECT_EQ(outcome.detail[1], (dir / "input.dat").string());
  EXPECT_THAT(outcome.statusLines, ElementsAre("* ERROR IN ANALYSIS *",
                                               "A FILE OF THE RUN CANNOT BE OPENED", "OR CREATED"));
}

TEST(ReadRuntimeOutcome, NoStatusLineWhenStoppedBeforeTheStartOrNoFile) {
  TempDir dir;
  test::writeNamesFile(dir.path());
  test::writeFile(dir / test::fileOfLine(17), "1\n");
  ASSERT_EQ(test::runInput(dir.path(), test::Deck().text()), StatusCode::kStoppedByUser);
  const app::RuntimeOutcome stopped = app::readRuntimeOutcome(dir / test::fileOfLine(9));
  EXPECT_TRUE(stopped.statusLines.empty());
  EXPECT_TRUE(stopped.detail.empty());
  const app::RuntimeOutcome none = app::readRuntimeOutcome(dir / "missing.run");
  EXPECT_TRUE(none.statusLines.empty());
}

// ---------------------------------------------------------------------------------------------
// The input and the files a run writes

TEST(InputClash, AnInputThatIsAFileOfTheRunByNameOrByLinkIsRefused) {
  TempDir dir;
  const fs::path out = dir / "out";
  for (const char* name : {"model.stp", "model.smw", "Names.dat", "results.json.tmp"}) {
    EXPECT_THAT(app::inputClash(out / "." / name, out).value_or(""),
                HasSubstr("is the same file as " + (out / name).string()))
        << name;
  }
  EXPECT_FALSE(app::inputClash(dir / "model.stp", out).has_value());  // beside the folder
  EXPECT_FALSE(app::inputClash(out / "model", out).has_value());      // writes model.out, ...
  fs::create_directory(out);
  test::writeFile(dir / "model.dat", "input\n");
  fs::create_hard_link(dir / "model.dat", out / "model.run");
  EXPECT_THAT(app::inputClash(dir / "model.dat", out).value_or(""),
              HasSubstr((out / "model.run").string()));
}

TEST(ResultsClash, ResultsJsonMustNotBeAFileOfTheNamesFile) {
  TempDir dir;
  std::vector<fs::path> paths;
  for (int line = 5; line <= 25; ++line) paths.push_back(dir / test::fileOfLine(line));
  EXPECT_FALSE(app::resultsClash(dir.path(), paths).has_value());
  paths[0] = dir / "results.json";  // the input
  EXPECT_THAT(app::resultsClash(dir.path(), paths).value_or(""),
              HasSubstr("is the same file as " + (dir / "results.json").string()));
  paths[0] = dir / "input.dat";
  test::writeFile(dir / "input.dat", "input\n");
  fs::create_hard_link(dir / "input.dat", dir / "results.json.tmp");
  EXPECT_TRUE(app::resultsClash(dir.path(), paths).has_value());
}

TEST(ResultsJsonWriter, AFailedWriteLeavesNoResultsJson) {
  TempDir dir;
  test::writeFile(dir / "results.json", "{\"status\": 0}\n");  // an earlier run's
  // The temporary name is taken by a folder that cannot be removed: the write fails.
  fs::create_directories(dir / "results.json.tmp" / "x");
  app::ResultsJsonWriter writer(dir.path(), app::ResultsContent::kFull);
  writer.runEnd({});
  std::string error;
  EXPECT_FALSE(writer.finish(error));
  EXPECT_THAT(error, HasSubstr((dir / "results.json").string() + " could not be written"));
  EXPECT_FALSE(fs::exists(dir / "results.json"));
}

}  // namespace
}  // namespace stilt
