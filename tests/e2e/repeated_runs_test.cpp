// Runs of the bundled examples, and several runs in one process: every run starts from a fresh
// model, so the same input gives the same files, and nothing of one run shows in the next.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kRuntime = 9;

// Every file of a run folder but Names.dat and the input, by name.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    // The plate files of a flexible cap are named by gslab.dat, not by Names.dat: a later run
    // without the flexible cap neither writes nor removes them.
    const bool plate = name == "gslab.dat" || name.starts_with("run_plate");
    if (name != "Names.dat" && name != "input.dat" && !plate) {
      files[name] = test::readFile(e.path());
    }
  }
  return files;
}

class ExampleRun : public ::testing::TestWithParam<const char*> {};

TEST_P(ExampleRun, CompletesWithEveryHeaderInTheTrace) {
  test::TempDir dir;
  const std::string input = test::example(GetParam());
  ASSERT_EQ(test::runInput(dir.path(), input), StatusCode::kCompleted);
  const std::string runtime = test::runFile(dir.path(), kRuntime);
  EXPECT_THAT(runtime, HasSubstr("\n    \n     ANALYSIS COMPLETED\n"));
  // Every line of the input that is a section header is echoed, in order.
  std::size_t from = 0;
  for (const char* header : {"CONTROL PARAMETERS", "PILE CAP", "LOAD CASES", "LOAD COMBINATIONS",
                             "DISTRIBUTED LOAD SETS", "PILE GROUPS", "PILE PROPERTIES",
                             "CROSS SECTIONS", "SOIL LAYERS"}) {
    const std::size_t at = runtime.find(std::string("     READING ") + header, from);
    ASSERT_NE(at, std::string::npos) << header;
    from = at;
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleRun,
                         ::testing::Values("group3d.dat", "bent2d.dat", "all_sections.dat",
                                           "first3d.dat", "first2d.dat", "stiffness3d.dat"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           const std::string name = param.param;
                           return name.substr(0, name.find('.'));
                         });

TEST(RepeatedRuns, SameInputTwiceGivesByteIdenticalFiles) {
  for (const char* name : {"all_sections.dat", "bent2d.dat"}) {
    SCOPED_TRACE(name);
    test::TempDir dir;
    const std::string input = test::example(name);
    ASSERT_EQ(test::runInput(dir.path(), input), StatusCode::kCompleted);
    const auto first = snapshot(dir.path());
    ASSERT_EQ(test::runInput(dir.path(), input), StatusCode::kCompleted);
    EXPECT_EQ(snapshot(dir.path()), first);
    EXPECT_GE(first.size(), 13u);
  }
}

// A run with every optional part, or a refused one, followed by a run without them: the files of
// the second run are those of the same input run alone.
TEST(RepeatedRuns, EarlierRunsLeaveNoTrace) {
  test::TempDir dir;
  const std::string plain = test::Deck().text();
  ASSERT_EQ(test::runInput(dir.path(), plain), StatusCode::kCompleted);
  const auto alone = snapshot(dir.path());

  test::Deck all;
  all.allOptionalOn();
  ASSERT_EQ(test::runInput(dir.path(), all.text()), StatusCode::kCompleted);
  EXPECT_THAT(test::runFile(dir.path(), kRuntime), HasSubstr("READING CURVE EXPORT"));
  ASSERT_EQ(test::runInput(dir.path(), plain), StatusCode::kCompleted);
  EXPECT_EQ(snapshot(dir.path()), alone);
  EXPECT_THAT(test::runFile(dir.path(), kRuntime), Not(HasSubstr("CURVE EXPORT")));

  ASSERT_EQ(test::runInput(dir.path(), "truncated\n"), StatusCode::kInputEndsEarly);
  ASSERT_EQ(test::runInput(dir.path(), plain), StatusCode::kCompleted);
  EXPECT_EQ(snapshot(dir.path()), alone);
}

}  // namespace
}  // namespace stilt
