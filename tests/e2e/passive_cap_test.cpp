// The passive resistance of an embedded cap in whole runs: table B promises it, the reports of
// every item show it (the pressure model's force table, the member's listing), and a planar
// analysis that cannot take it says so.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using test::Deck;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kReport = 6;
constexpr int kSummary = 7;
constexpr int kRuntime = 9;

// The deck's pile under its 60 x 60 x 24 cap, the ground `ground` in X (the base is at X = 0).
Deck embedded(int option, const std::string& method, const std::string& ground) {
  Deck d;
  d.switches[3] = option;
  d.passiveMethod = method;
  d.piles = test::replaceFirst(d.piles, "0.0 0.0 0.0 0.0 90.0 0.0\n",
                               "0.0 0.0 0.0 0.0 90.0 " + ground + "\n");
  return d;
}

// The line after the line `heading` of `lines`, from `from` on; empty when there is none.
std::string lineAfter(const std::vector<std::string>& lines, const std::string& heading,
                      std::size_t& from) {
  for (; from + 2 < lines.size(); ++from) {
    if (lines[from] == heading) return lines[from + 2];
  }
  return {};
}

TEST(PassiveCapRun, PressureModelTablePrecedesTableMOfEveryItem) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), embedded(1, "", "-12.0").text()), StatusCode::kCompleted);
  const std::string report = test::runFile(dir.path(), kReport);
  EXPECT_THAT(report, HasSubstr("     * PILE CAP IS EMBEDDED AND PASSIVE EARTH\n"
                                "       RESISTANCE IN FRONT OF PILE CAP WILL BE CONSIDERED\n"));
  EXPECT_THAT(test::runFile(dir.path(), kRuntime), Not(HasSubstr("IN THIS VERSION")));
  // p0 = (0.02 x 12 + 2 x (3 + 2 x 12/720)) x 60·√2 and a = 6 p0, all of it along Y, at the
  // third of the 12 embedded above the base: X = -4.
  const double a = 6.0 * (0.24 + 2.0 * (3.0 + 24.0 / 720.0)) * 60.0 * std::sqrt(2.0);
  for (int file : {kReport, kSummary}) {
    const std::vector<std::string> lines = test::runFileLines(dir.path(), file);
    std::size_t at = 0;
    int tables = 0;
    for (std::string row;
         !(row = lineAfter(lines, "     * PASIVE RESISTANCE IN PILE CAP *", at)).empty(); ++at) {
      ++tables;
      EXPECT_THAT(row, HasSubstr("HOR. LOAD Y,"));
      EXPECT_THAT(row, HasSubstr("HOR. LOAD Z,"));
      EXPECT_THAT(row, HasSubstr("POSITION,"));
      const std::vector<double> values = test::numbersOf(row.substr(row.find(',') + 1));
      ASSERT_FALSE(values.empty());
      EXPECT_NEAR(values[0], a, 0.5);  // 4 significant digits
      EXPECT_NE(row.find("-4.000"), std::string::npos) << row;
      EXPECT_EQ(lines[at + 4], "     * TABLE M *   COMPUTATION ON INDIVIDUAL PILE");
    }
    EXPECT_EQ(tables, 2) << file;  // the case and the combination
  }
}

TEST(PassiveCapRun, AFlushCapTakesNoPassiveForce) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), embedded(1, "", "0.0").text()), StatusCode::kCompleted);
  const std::vector<std::string> lines = test::runFileLines(dir.path(), kReport);
  std::size_t at = 0;
  const std::string row = lineAfter(lines, "     * PASIVE RESISTANCE IN PILE CAP *", at);
  ASSERT_FALSE(row.empty());
  EXPECT_EQ(test::numbersOf(row.substr(row.find(',') + 1)).front(), 0.0);
}

TEST(PassiveCapRun, MemberModelListsItsReactions) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), embedded(2, "1 0 4 0.0 0.0 0.0\n", "-12.0").text()),
            StatusCode::kCompleted);
  const std::string report = test::runFile(dir.path(), kReport);
  EXPECT_THAT(report, HasSubstr("     - USING EQUIVALENT LATERAL SPRINGS\n"));
  // One past the deck's single pile; five nodes from the ground to the base.
  EXPECT_THAT(report, HasSubstr("     REACTIONS CAP    (MEMBER    2)\n"));
  EXPECT_THAT(report, Not(HasSubstr("PASIVE RESISTANCE")));
  const std::vector<std::string> lines = test::runFileLines(dir.path(), kReport);
  std::size_t at = 0;
  ASSERT_FALSE(lineAfter(lines, "     REACTIONS CAP    (MEMBER    2)", at).empty());
  // The node rows: depth 0, 3, ..., 12 below the ground, each pushed back against +Y.
  for (int j = 0; j < 5; ++j) {
    const std::vector<double> v = test::numbersOf(lines[at + 4 + static_cast<std::size_t>(j)]);
    ASSERT_EQ(v.size(), 6u) << lines[at + 4 + static_cast<std::size_t>(j)];
    EXPECT_EQ(v[0], j + 1);
    EXPECT_NEAR(v[1], 3.0 * j, 1e-9);
    EXPECT_GT(v[2], 0.0);
    if (j > 0) {
      EXPECT_LT(v[4], 0.0);
    }
  }
}

TEST(PassiveCapRun, APlanarRunTakesItForCapOptionOneOnly) {
  std::string bent = test::example("bent2d.dat");
  bent = test::replaceFirst(bent, "6.0 0.0 1.5", "6.0 8.1 1.5");
  for (int option : {1, 2}) {
    std::string input =
        test::replaceFirst(bent, "2 2 0 0 0 0", "2 2 " + std::to_string(option) + " 0 0 0");
    if (option == 2)
      input = test::replaceFirst(input, "6.0 8.1 1.5\n", "6.0 8.1 1.5\n0 0 0 0 0 0\n");
    test::TempDir dir;
    ASSERT_EQ(test::runInput(dir.path(), input), StatusCode::kCompleted);
    const std::string report = test::runFile(dir.path(), kReport);
    const std::string runtime = test::runFile(dir.path(), kRuntime);
    if (option == 1) {
      EXPECT_THAT(report, HasSubstr("     * PASIVE RESISTANCE IN PILE CAP *\n\n     HORI. LOAD,"));
      EXPECT_THAT(runtime, Not(HasSubstr("PASSIVE RESISTANCE")));
    } else {
      const std::string warning =
          "     ** WARNING **\n     PASSIVE RESISTANCE OF THE EMBEDDED CAP IN TWO DIMENSIONS "
          "(CONTROL SWITCH 3 = 2)\n     IS NOT AVAILABLE IN THIS VERSION: THE CAP TAKES NONE\n";
      EXPECT_THAT(report, HasSubstr(warning));
      EXPECT_THAT(runtime, HasSubstr(warning));
      EXPECT_THAT(report, HasSubstr("       BUT IT IS NOT CONSIDERED IN THIS VERSION\n"));
      EXPECT_THAT(report, Not(HasSubstr("PASIVE RESISTANCE")));
    }
  }
}

}  // namespace
}  // namespace stilt
