// A flexible cap with switch 4 = 2 writes the plate model of every item into the run folder,
// under names of its own named by gslab.dat, and leaves the input and the reports alone.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kReport = 6;
constexpr int kRuntime = 9;
constexpr int kConvergence = 10;

test::Deck plateModelDeck() {
  test::Deck d;
  d.switches[4] = 2;
  d.flexibleCap = "0.0 0.0 2 1 3.6E6 0.2\n";  // a 2 x 1 mesh of the 60 x 60 x 24 cap
  return d;
}

TEST(FlexibleCapModel, GslabNamesFilesOfItsOwnBesideTheReports) {
  test::TempDir dir;
  const std::string input = plateModelDeck().text();
  ASSERT_EQ(test::runInput(dir.path(), input), StatusCode::kCompleted);
  // The input data file and the reports keep their own content.
  EXPECT_EQ(test::readFile(dir / "input.dat"), input);
  EXPECT_THAT(test::runFile(dir.path(), kReport), HasSubstr("COMPUTATION RESULTS"));

  const std::vector<std::string> gslab = test::readLines(dir / "gslab.dat");
  ASSERT_EQ(gslab.size(), 5u);
  const char* names[] = {"run_plate_model.key", "run_plate_model.dat", "run_plate.lst",
                         "run_plate_steps.dat", "run_plate.msg"};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(gslab[i].size(), 75u);
    EXPECT_EQ(gslab[i].substr(0, gslab[i].find(' ')), names[i]);
  }
  // The card model: NPOIN = 13, NELEM = 2, one load record, one pile spring.
  const std::vector<std::string> card = test::readLines(dir / "run_plate_model.dat");
  ASSERT_GE(card.size(), 3u + 2u + 13u + 1u + 1u + 1u);
  EXPECT_EQ(card[0], " TEST OF ORLIM5_FC");
  EXPECT_EQ(card[1].substr(0, 16), "      13       2");
  EXPECT_EQ(card[1].substr(80, 8), "       1");   // NCLOD
  EXPECT_EQ(card[1].substr(112, 8), "       1");  // NCTSTI
  EXPECT_EQ(test::readLines(dir / "run_plate_model.key").front(), " ORLIM5_FC");
  // Nothing was solved: no plate listing, and no leftover scratch files.
  EXPECT_FALSE(std::filesystem::exists(dir / "run_plate.lst"));
  for (const char* scratch : {"fort2", "fort3", "fort4"})
    EXPECT_FALSE(std::filesystem::exists(dir / scratch));
}

TEST(FlexibleCapModel, EveryItemSaysItsModelIsWrittenAndNotSolved) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), plateModelDeck().text()), StatusCode::kCompleted);
  const std::string convergence = test::runFile(dir.path(), kConvergence);
  EXPECT_THAT(convergence, HasSubstr("\n   10 PLATE MODEL WRITTEN, NOT SOLVED\n"));
  EXPECT_THAT(convergence, Not(HasSubstr("ANALYSIS COMPLETED")));
  const std::string runtime = test::runFile(dir.path(), kRuntime);
  EXPECT_THAT(runtime, HasSubstr("     FLEXIBLE CAP: THE PLATE MODEL IS WRITTEN TO "
                                 "run_plate_model.dat AND run_plate_model.key,\n"
                                 "     NAMED IN gslab.dat; THE ITEM IS NOT SOLVED (CONTROL SWITCH "
                                 "4 = 2)\n"));
  // Switch 4 = 2 is carried out, so no warning says it is not.
  EXPECT_THAT(runtime, Not(HasSubstr("THE FLEXIBLE PILE CAP (CONTROL SWITCH 4")));
}

TEST(FlexibleCapModel, OtherSwitchValuesStillAnalyseARigidCapWithTheWarning) {
  test::TempDir dir;
  test::Deck d = plateModelDeck();
  d.switches[4] = 1;
  ASSERT_EQ(test::runInput(dir.path(), d.text()), StatusCode::kCompleted);
  EXPECT_FALSE(std::filesystem::exists(dir / "gslab.dat"));
  EXPECT_THAT(test::runFile(dir.path(), kRuntime),
              HasSubstr("THE FLEXIBLE PILE CAP (CONTROL SWITCH 4 = 1)"));
  const std::string convergence = test::runFile(dir.path(), kConvergence);
  EXPECT_THAT(convergence, Not(HasSubstr("PLATE MODEL")));
  EXPECT_THAT(convergence, HasSubstr("    2 SOLUTION AT"));  // the rigid cap's own outcome
}

}  // namespace
}  // namespace stilt
