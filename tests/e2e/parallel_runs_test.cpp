// Whole runs of a battered group on one, two and four threads: every file of the run is the same
// byte for byte, when every item converges, when piles do not close, and when a pile ends the run
// with a fatal error.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/group_deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;

// A 2 x 3 group whose four corner piles lean outward by 10 degrees, 20 increments per pile,
// results printed along the piles.
std::vector<std::string> groupLines() {
  bench::GroupDeckOptions o;
  o.rows = 2;
  o.cols = 3;
  o.batter = 10.0;
  o.increments = 20;
  o.printOption = 2;
  std::vector<std::string> lines;
  std::istringstream in(bench::groupDeck(o));
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string t;
  for (const std::string& l : lines) t += l + "\n";
  return t;
}

std::size_t indexOf(const std::vector<std::string>& lines, const std::string& line) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == line) return i;
  }
  ADD_FAILURE() << "no line " << line;
  return 0;
}

struct RunFiles {
  StatusCode status = StatusCode::kCompleted;
  std::map<std::string, std::string> files;  // every file but Names.dat, by name
};

// Runs the input in `dir` (the same folder for every thread count, since the report names the
// files of the run), from an empty folder.
RunFiles runOn(const fs::path& dir, int threads, const std::string& input) {
  for (const auto& e : fs::directory_iterator(dir)) fs::remove(e.path());
  test::writeNamesFile(dir);
  test::writeFile(dir / "input.dat", input);
  RunOptions options;
  options.workDir = dir;
  options.clock = test::pinnedTime;
  options.analysis.threads = threads;
  RunFiles run;
  run.status = runAnalysis(options);
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name != "Names.dat" && name != "input.dat") run.files[name] = test::readFile(e.path());
  }
  return run;
}

RunFiles expectSameOnEveryThreadCount(const std::string& input, StatusCode status,
                                      const std::string& convergenceLine) {
  test::TempDir dir;
  const RunFiles one = runOn(dir.path(), 1, input);
  EXPECT_EQ(one.status, status);
  EXPECT_NE(one.files.at(test::fileOfLine(10)).find(convergenceLine), std::string::npos)
      << convergenceLine;
  EXPECT_GE(one.files.size(), 15u);
  for (int threads : {2, 4}) {
    const RunFiles many = runOn(dir.path(), threads, input);
    EXPECT_EQ(many.status, one.status) << threads;
    EXPECT_EQ(many.files.size(), one.files.size()) << threads;
    for (const auto& [name, text] : one.files) {
      const auto other = many.files.find(name);
      EXPECT_TRUE(other != many.files.end() && other->second == text)
          << name << " differs on " << threads << " threads";
    }
  }
  return one;
}

TEST(ParallelRuns, ABatteredGroupWritesTheSameFilesOnOneTwoAndFourThreads) {
  expectSameOnEveryThreadCount(joined(groupLines()), StatusCode::kCompleted,
                               "    1 ANALYSIS COMPLETED");
}

// The combination allows four iterations per pile solution: piles do not close, each leaves its
// warning once per global iteration, and the combination ends without results.
TEST(ParallelRuns, PilesThatDoNotCloseLeaveTheSameFilesOnEveryThreadCount) {
  std::vector<std::string> lines = groupLines();
  const std::size_t controls = indexOf(lines, "LOAD COMBINATIONS") + 2;
  const std::size_t at = lines[controls].find("100 100");
  ASSERT_NE(at, std::string::npos);
  lines[controls].replace(at, 7, "100 4  ");
  expectSameOnEveryThreadCount(joined(lines), StatusCode::kCompleted,
                               "    6 NO CONVERGENCE ON PILES");
}

// Piles 2 and 5 have their heads 200 in lower, which takes their tips below the deepest layer:
// the first load case ends the run with status 3 and one fatal message, that of pile 2, however
// many threads analysed pile 5 at the same time.
TEST(ParallelRuns, AFatalPileEndsTheRunAlikeOnEveryThreadCount) {
  std::vector<std::string> lines = groupLines();
  const std::size_t piles = indexOf(lines, "PILE GROUPS");
  for (std::size_t pile : {2u, 5u}) {
    std::string& head = lines[piles + 1 + 3 * (pile - 1) + 3];
    ASSERT_EQ(head.rfind("0.0 ", 0), 0u) << head;
    head.replace(0, 3, "200.0");
  }
  const RunFiles run = expectSameOnEveryThreadCount(
      joined(lines), StatusCode::kPileBelowDeepestLayer, "LOAD CASE :     1");
  const std::string& runtime = run.files.at(test::fileOfLine(9));
  const std::string fatal = "     **** FATAL ERROR ****\n     THE PILE LENGTH,";
  const std::size_t first = runtime.find(fatal);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(runtime.find(fatal, first + 1), std::string::npos);
}

}  // namespace
}  // namespace stilt
