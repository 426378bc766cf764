// Runs that could never end are refused before the analysis starts: a minimum load increment
// of 0 or less (the step would be halved for ever), a vanishing initial increment (the load
// would take endless steps), iteration limits beyond 10 000 and negative tolerances. Each deck
// below, analysed, would not converge: the vertical load of 1.0E6 lies beyond the end of the
// pile's load-settlement curve (1.3E5). A watchdog asks the engine to stop through its stop file
// if a run outlives its deadline, so that a regression fails (with status 4) instead of hanging.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <ostream>
#include <string>
#include <vector>

#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using test::Deck;
using test::lineOf;
using ::testing::HasSubstr;

constexpr int kReport = 6;
constexpr int kRuntime = 9;
constexpr int kStopFile = 17;

// Runs `input` in `dir`; past the deadline the stop file asks the engine to stop.
StatusCode runWithWatchdog(const std::filesystem::path& dir, const std::string& input) {
  std::future<StatusCode> run =
      std::async(std::launch::async, [&] { return test::runInput(dir, input); });
  if (run.wait_for(std::chrono::seconds(120)) == std::future_status::timeout) {
    ADD_FAILURE() << "the run did not end by itself: stopped by the watchdog";
    test::writeFile(dir / test::fileOfLine(kStopFile), "1\n");
  }
  return run.get();
}

// A load case (or combination) that cannot converge: one pile on a user load-settlement curve
// that ends at 1.3E5, under 1.0E6.
Deck divergingDeck() {
  Deck d = test::partialSolutionDeck();
  d.loadCases = test::replaceFirst(d.loadCases, "1.6E5 0.0 0.0", "1.0E6 0.0 0.0");
  return d;
}

struct Unbounded {
  std::string label;
  std::string input;
  std::string where;   // the message line naming the record, the item and the line
  std::string reason;  // the message line saying what was wrong
};

void PrintTo(const Unbounded& u, std::ostream* os) {
  *os << u.label;
}

// The diverging deck with `from` replaced by `to` in its load case, or in a combination of it.
Unbounded caseWith(std::string label, bool combination, const std::string& from,
                   const std::string& to, const std::string& record, std::string reason) {
  Deck d = divergingDeck();
  if (combination) {
    d.combinations = test::replaceFirst(Deck().combinations, from, to);
  } else {
    d.loadCases = test::replaceFirst(d.loadCases, from, to);
  }
  std::string input = d.text();
  std::string where = "     RECORD " + record +
                      (combination ? " OF LOAD COMBINATION 1" : " OF LOAD CASE 1") + " (LINE " +
                      std::to_string(lineOf(input, to)) + "):";
  return {std::move(label), std::move(input), std::move(where), "     " + std::move(reason)};
}

std::vector<Unbounded> unboundedDecks() {
  const std::string c3 = "1.0E-4 1.0E-5 0.25 0.2";
  const std::string d3 = "1.0E-4 1.0E-5 0.25 0.01";
  const std::string minimum = "THE MINIMUM FACTOR FOR LOAD INCREMENTS IS ";
  const std::string capLimit = "THE MAXIMUM NUMBER OF ITERATIONS FOR THE PILE-CAP ANALYSIS IS ";
  return {
      caseWith("ZeroMinimumIncrement", false, c3, "1.0E-4 1.0E-5 0.25 0.0", "C3",
               minimum + "0; IT MUST BE AT LEAST 1.0E-06, OR THE LOAD STEP COULD BE HALVED "
                         "WITHOUT END"),
      caseWith("VanishingInitialIncrement", false, c3, "1.0E-4 1.0E-5 1.0E-300 1.0E-300", "C3",
               "THE FACTOR TO APPLY THE LOAD IN INCREMENTS IS 1E-300; IT MUST BE AT LEAST "
               "1.0E-06 (OR 0 TO APPLY THE WHOLE LOAD AT ONCE)"),
      caseWith("NegativeCapTolerance", false, c3, "-1.0E-4 1.0E-5 0.25 0.2", "C3",
               "THE TOLERANCE ON PILE-CAP MOVEMENT IS -0.0001; IT CANNOT BE NEGATIVE"),
      caseWith("CapIterations2E9", false, "0 0 0 1 1 1 100", "0 0 0 1 1 2000000000 100", "C2",
               capLimit + "2000000000; AT MOST 10000 ARE ALLOWED"),
      caseWith("PileIterations2E9", false, "0 0 0 1 1 1 100", "0 0 0 1 1 1 2000000000", "C2",
               "THE MAXIMUM NUMBER OF ITERATIONS FOR THE PILE ANALYSIS IS 2000000000; AT MOST "
               "10000 ARE ALLOWED"),
      caseWith("CombinationCapIterations", true, "0 0 0 1 1 100 100", "0 0 0 1 1 10001 100", "D2",
               capLimit + "10001; AT MOST 10000 ARE ALLOWED"),
      caseWith("CombinationNegativeMinimumIncrement", true, d3, "1.0E-4 1.0E-5 0.25 -0.1", "D3",
               minimum + "-0.1; IT MUST BE AT LEAST 1.0E-06"),
  };
}

class UnboundedRun : public ::testing::TestWithParam<Unbounded> {};

TEST_P(UnboundedRun, IsRefusedBeforeTheAnalysis) {
  const Unbounded& u = GetParam();
  test::TempDir dir;
  EXPECT_EQ(runWithWatchdog(dir.path(), u.input), StatusCode::kInputInvalidValue);
  const std::string runtime = test::runFile(dir.path(), kRuntime);
  EXPECT_THAT(runtime, HasSubstr("     **** INPUT ERROR ****\n" + u.where + "\n" + u.reason));
  EXPECT_THAT(test::runFile(dir.path(), kReport), HasSubstr(u.where + "\n" + u.reason));
  EXPECT_THAT(runtime, ::testing::Not(HasSubstr("GLOBAL ITERATIONS")));
}

INSTANTIATE_TEST_SUITE_P(Table, UnboundedRun, ::testing::ValuesIn(unboundedDecks()),
                         [](const ::testing::TestParamInfo<Unbounded>& param) {
                           return param.param.label;
                         });

// The bounds leave ordinary control alone: at the limit itself (10 000 pile iterations) a case
// runs and ends with its outcome (1.6E5 reaches 50 % before the knee of the curve, and the
// halving stops at the minimum 0.2), and an item flagged not to be analysed is not refused
// whatever its control says.
TEST(BoundedRun, ControlAtTheBoundsAndItemsNotAnalysedRun) {
  test::TempDir dir;
  Deck d = test::partialSolutionDeck();
  d.loadCases = test::replaceFirst(d.loadCases, "0 0 0 1 1 1 100", "0 0 0 1 1 1 10000");
  EXPECT_EQ(runWithWatchdog(dir.path(), d.text()), StatusCode::kCompleted);
  EXPECT_THAT(test::runFile(dir.path(), 10), HasSubstr("2 SOLUTION AT   50.00% OF THE TOTAL LOAD"));

  Deck flagged;
  flagged.combinations =
      test::replaceFirst(flagged.combinations, "1.0E-4 1.0E-5 0.25 0.01", "1.0E-4 1.0E-5 0.25 0.0");
  flagged.combinations =
      test::replaceFirst(flagged.combinations, "2 5 0 0.0 0.0 0 0", "2 5 0 0.0 0.0 0 1");
  EXPECT_EQ(runWithWatchdog(dir.path(), flagged.text()), StatusCode::kCompleted);
}

}  // namespace
}  // namespace stilt
