// Whole runs on one, two and four threads: every file of the run is the same byte for byte, when
// every item converges, when piles do not close, and when a pile ends the run with a fatal error.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "bench/group_deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;

// A 2 x 3 group whose four corner piles lean outward by 10 degrees, 20 increments per pile,
// results printed along the piles.
std::string batteredGroup() {
  bench::GroupDeckOptions o;
  o.rows = 2;
  o.cols = 3;
  o.batter = 10.0;
  o.increments = 20;
  o.printOption = 2;
  return bench::groupDeck(o);
}

// Every file the run wrote in `dir`, by name. The runs share the folder, which the report names.
std::map<std::string, std::string> runOn(const fs::path& dir, int threads, const std::string& input,
                                         StatusCode status) {
  for (const auto& e : fs::directory_iterator(dir)) fs::remove(e.path());
  test::writeNamesFile(dir);
  test::writeFile(dir / "input.dat", input);
  RunOptions options;
  options.workDir = dir;
  options.clock = test::pinnedTime;
  options.analysis.threads = threads;
  EXPECT_EQ(runAnalysis(options), status) << threads;
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    files[e.path().filename().string()] = test::readFile(e.path());
  }
  return files;
}

// Runs `input` on one, two and four threads; returns the files of the first run.
std::map<std::string, std::string> expectSameFiles(const std::string& input, StatusCode status,
                                                   const std::string& convergenceLine) {
  test::TempDir dir;
  const auto one = runOn(dir.path(), 1, input, status);
  EXPECT_NE(one.at(test::fileOfLine(10)).find(convergenceLine), std::string::npos);
  for (int threads : {2, 4}) {
    const auto many = runOn(dir.path(), threads, input, status);
    EXPECT_EQ(many.size(), one.size());
    for (const auto& [name, text] : one) {
      EXPECT_TRUE(many.count(name) == 1 && many.at(name) == text) << name << ", " << threads;
    }
  }
  return one;
}

TEST(ParallelRuns, ABatteredGroupAndABentWriteTheSameFilesOnEveryThreadCount) {
  expectSameFiles(batteredGroup(), StatusCode::kCompleted, "    1 ANALYSIS COMPLETED");
  expectSameFiles(test::example("bent2d.dat"), StatusCode::kCompleted, "    1 ANALYSIS COMPLETED");
}

// The combination allows four iterations per pile solution: piles do not close, each leaves its
// warning once per global iteration, and the combination ends without results.
TEST(ParallelRuns, PilesThatDoNotCloseLeaveTheSameFilesOnEveryThreadCount) {
  std::string input = batteredGroup();
  const std::size_t at = input.find("100 100", input.find("LOAD COMBINATIONS"));
  ASSERT_NE(at, std::string::npos);
  input.replace(at, 7, "100 4  ");
  expectSameFiles(input, StatusCode::kCompleted, "    6 NO CONVERGENCE ON PILES");
}

// Piles 2 and 5 have their heads 200 in lower, which takes their tips below the deepest layer:
// the first load case ends the run with status 3 and one fatal message, however many threads
// analysed both piles at once.
TEST(ParallelRuns, AFatalPileEndsTheRunAlikeOnEveryThreadCount) {
  std::string input = batteredGroup();
  for (const char* head : {"\n0.0 0.0 -24.0 ", "\n0.0 0.0 24.0 "}) {
    const std::size_t at = input.find(head);
    ASSERT_NE(at, std::string::npos) << head;
    input.replace(at + 1, 3, "200.0");
  }
  const auto files =
      expectSameFiles(input, StatusCode::kPileBelowDeepestLayer, "LOAD CASE :     1");
  const std::string& runtime = files.at(test::fileOfLine(9));
  const std::size_t first = runtime.find("     THE PILE LENGTH,");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(runtime.find("     THE PILE LENGTH,", first + 1), std::string::npos);
}

}  // namespace
}  // namespace stilt
