// Input the analysis does not honour as written is never passed over in silence: a requested
// analysis this version does not carry out, and a soil-type code it does not know, each leave a
// "** WARNING **" block in the output report and in the runtime file; table B promises the
// passive resistance of the cap that the analysis takes. Report cells stay apart and no NaN or
// infinity is printed, even for a load of 1.0E300.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using test::Deck;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kReport = 6;
constexpr int kRuntime = 9;
constexpr int kConvergence = 10;
constexpr int kCapResults = 11;

std::string block(const std::string& request, const std::string& instead) {
  return "\n     ** WARNING **\n     " + request +
         "\n     IS NOT AVAILABLE IN THIS VERSION: " + instead + "\n";
}

TEST(UnbuiltAnalyses, EveryRequestIsNamedAndTableBPromisesThePassiveResistance) {
  Deck d;
  d.allOptionalOn();  // cap option 2, printed curves, curve export, ...
  // The flexible cap is carried out in three dimensions (it has tests of its own), and under it
  // the cap would take no passive resistance: the cap stays rigid here.
  d.switches[4] = 0;
  d.switches[16] = 1;
  d.loadCases = test::replaceFirst(d.loadCases, "1 0 0 0 0\n", "1 1 0 0 0\n25*1\n");
  d.loadCases = test::replaceFirst(d.loadCases, "\n0 0 0 0 0 0 0\n", "\n0 11 0 0 0 0 0\n");
  d.combinations = test::replaceFirst(d.combinations, "1 0 0 0 0\n", "1 2 0 0 0\n25*1\n");
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), d.text()), StatusCode::kCompleted);
  const std::string report = test::runFile(dir.path(), kReport);
  const std::string runtime = test::runFile(dir.path(), kRuntime);
  EXPECT_THAT(runtime, Not(HasSubstr("IS NOT AVAILABLE IN THIS VERSION")));
  // The envelopes are carried out: no warning names them, and both blocks print theirs.
  EXPECT_THAT(runtime, Not(HasSubstr("ENVELOPES (RECORD")));
  EXPECT_THAT(report,
              HasSubstr("     LOAD CASE ENV :     2\n     CASE NAME     : MAXIMUM ENVELOPE\n"));
  EXPECT_THAT(report,
              HasSubstr("     LOAD COMB. ENV :     2\n     COMB. NAME     : MAXIMUM ENVELOPE\n"));
  // Printed p-y curves and the curve file are carried out: no warning names them.
  EXPECT_THAT(runtime, Not(HasSubstr("CONTROL SWITCH 1")));
  // The passive resistance of the cap is carried out (the member model here).
  EXPECT_THAT(runtime, Not(HasSubstr("PASSIVE RESISTANCE")));
  // The foundation stiffness is carried out.
  EXPECT_THAT(runtime, Not(HasSubstr("FOUNDATION STIFFNESS OF LOAD CASE")));
  EXPECT_THAT(report, HasSubstr("\n     * PILE CAP STIFFNESS ESTIMATION *\n"));
  EXPECT_THAT(report, HasSubstr("     * PILE CAP IS EMBEDDED AND PASSIVE EARTH\n"
                                "       RESISTANCE IN FRONT OF PILE CAP WILL BE CONSIDERED\n"));
  EXPECT_THAT(report, Not(HasSubstr("IS REQUESTED,")));
}

// A planar analysis takes the passive resistance of the cap for cap option 1 alone.
TEST(UnbuiltAnalyses, APlanarCapOptionOtherThanOneTakesNoPassiveResistance) {
  std::string bent = test::example("bent2d.dat");
  bent = test::replaceFirst(bent, "2 2 0 0", "2 2 2 0");
  bent = test::replaceFirst(bent, "6.0 0.0 1.5\n", "6.0 0.0 1.5\n0 0 0 0.0 0.0 0.0\n");
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), bent), StatusCode::kCompleted);
  EXPECT_THAT(test::runFile(dir.path(), kRuntime),
              HasSubstr(block("PASSIVE RESISTANCE OF THE EMBEDDED CAP IN TWO DIMENSIONS (CONTROL "
                              "SWITCH 3 = 2)",
                              "THE CAP TAKES NONE")));
  EXPECT_THAT(test::runFile(dir.path(), kReport), Not(HasSubstr("PASIVE RESISTANCE")));
}

TEST(UnknownSoilCode, IsAnalysedAsSoftClayWithAWarning) {
  test::TempDir clay;
  ASSERT_EQ(test::runInput(clay.path(), Deck().text()), StatusCode::kCompleted);
  // The deck requests nothing this version lacks and has a known soil code: no warning.
  EXPECT_THAT(test::runFile(clay.path(), kRuntime), Not(HasSubstr("IN THIS VERSION")));
  EXPECT_THAT(test::runFile(clay.path(), kRuntime), Not(HasSubstr("UNKNOWN SOIL TYPE")));
  test::TempDir dir;
  Deck d;
  d.soilLayers = test::replaceFirst(d.soilLayers, "\n1 0\n", "\n12 0\n");
  const std::string input = d.text();
  ASSERT_EQ(test::runInput(dir.path(), input), StatusCode::kCompleted);
  const std::string warning =
      "\n     ** WARNING **\n     SOIL LAYER 1 HAS THE UNKNOWN SOIL TYPE 12 "
      "(RECORD I2, LINE " +
      std::to_string(test::lineOf(input, "12 0")) + ")\n     IT IS ANALYZED AS A SOFT CLAY\n";
  EXPECT_THAT(test::runFile(dir.path(), kReport), HasSubstr(warning));
  EXPECT_THAT(test::runFile(dir.path(), kRuntime), HasSubstr(warning));
  // The same outcomes and cap results as the deck's own soft clay (code 1).
  EXPECT_EQ(test::runFile(dir.path(), kConvergence), test::runFile(clay.path(), kConvergence));
  EXPECT_EQ(test::runFile(dir.path(), kCapResults), test::runFile(clay.path(), kCapResults));
}

// A number printed as NaN or infinity, in any spelling: a word of its own reading NAN, INF or
// INFINITY in any case.
bool holdsNonFinite(const std::string& text) {
  std::string word;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
      word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      continue;
    }
    if (word == "NAN" || word == "INF" || word == "INFINITY") return true;
    word.clear();
  }
  return false;
}

TEST(ExtremeLoad, NoCellsRunTogetherAndNoNonFiniteValueIsPrinted) {
  test::TempDir dir;
  Deck d;
  d.loadCases = test::replaceFirst(d.loadCases, "1.0E5 5.0E3 0.0", "0.0 1.0E300 0.0");
  d.combinations = "0 0 0 0 0\n";
  ASSERT_EQ(test::runInput(dir.path(), d.text()), StatusCode::kCompleted);
  const std::string report = test::runFile(dir.path(), kReport);
  // The concentrated load row: number 1, then PX, PY (1.0E300 in a 10-column field with one
  // decimal less), PZ, MX, MY, MZ and the point, every cell apart.
  EXPECT_THAT(report, HasSubstr("\n       1     0.000 1.00E+300     0.000     0.000"));
  EXPECT_FALSE(holdsNonFinite(report));
  EXPECT_FALSE(holdsNonFinite(test::runFile(dir.path(), kRuntime)));
  EXPECT_FALSE(holdsNonFinite(test::runFile(dir.path(), kConvergence)));
}

}  // namespace
}  // namespace stilt
