// `stilt check`: the reader's refusals with the record and line a run names, the checks that need
// the whole model, the summary's load resultants against the decks' loads worked by hand, and no
// file written.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/input_check.hpp"
#include "support/deck.hpp"
#include "support/malformed_inputs.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

// The resultant columns of the summary row labelled `label` ("case 1", "comb. 1").
std::vector<double> resultants(const app::InputCheck& check, const std::string& label,
                               std::size_t columns) {
  for (const std::string& line : check.summary) {
    if (line.rfind("    " + label + " ", 0) != 0) continue;
    std::vector<double> values;
    for (std::size_t k = 0; k < columns; ++k)
      values.push_back(std::stod(line.substr(16 + 12 * k, 12)));
    return values;
  }
  return {};
}

int errorsOf(const app::InputCheck& check) {
  int n = 0;
  for (const app::CheckFinding& f : check.findings) n += f.error ? 1 : 0;
  return n;
}

// Resultants at the origin worked by hand from the decks' C9 records (PX PY MZ PZ MY MX at X Y Z,
// all at the origin, scale factors 1) and the D9 factors.
TEST(Check, BundledExamplesCanBeAnalysedAndTheirResultantsMatchTheLoads) {
  const app::InputCheck group = app::checkInputText(test::example("group3d.dat"));
  EXPECT_EQ(group.status, 0);
  EXPECT_EQ(group.findings.size(), 0u) << joined(app::checkReportLines(group));
  // Case 1: PX 6.0E5, PY 3.0E4. Case 2: PZ 2.5E4, MY 1.5E6, MX 2.0E6. Comb. 1 = 1.2 (1) + 1.6 (2).
  using V = std::vector<double>;
  EXPECT_EQ(resultants(group, "case 1", 6), (V{6.0e5, 3.0e4, 0, 0, 0, 0}));
  EXPECT_EQ(resultants(group, "case 2", 6), (V{0, 0, 2.5e4, 2.0e6, 1.5e6, 0}));
  const V comb = resultants(group, "comb. 1", 6);
  const V hand = {7.2e5, 3.6e4, 4.0e4, 3.2e6, 2.4e6, 0};
  ASSERT_EQ(comb.size(), 6u);
  for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(comb[k], hand[k], 1e-9 * 3.2e6) << k;
  EXPECT_THAT(joined(group.summary), HasSubstr("6 (6 on property 1)"));

  // Two dimensions: FX, FY, MZ only (kN, kN-m).
  const app::InputCheck bent = app::checkInputText(test::example("bent2d.dat"));
  EXPECT_EQ(bent.status, 0);
  EXPECT_EQ(errorsOf(bent), 0);
  EXPECT_EQ(resultants(bent, "case 1", 3), (V{9000.0, 450.0, 1200.0}));

  // Every optional section: the requests this version does not carry out are warnings only.
  const app::InputCheck all = app::checkInputText(test::example("all_sections.dat"));
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(errorsOf(all), 0);
  EXPECT_EQ(resultants(all, "case 1", 6), (V{4.0e5, 2.0e4, 1.0e4, 0, 0, 0}));
  // The passive resistance of its embedded cap is carried out: no warning names it.
  EXPECT_THAT(joined(app::checkReportLines(all)), Not(HasSubstr("PASSIVE RESISTANCE")));
  EXPECT_THAT(joined(app::checkReportLines(all)), Not(HasSubstr("CONTROL SWITCH 11")));
  EXPECT_THAT(joined(app::checkReportLines(all)), Not(HasSubstr("names the")));
}

// Every refused input of the suite's table: the same status, record, line and reason as the run.
TEST(Check, RefusesWhatARunRefusesWithTheSameRecordAndLine) {
  for (const test::Malformed& m : test::malformedInputs()) {
    const app::InputCheck check = app::checkInputText(m.input);
    EXPECT_EQ(check.status, toInt(m.code)) << m.label;
    EXPECT_TRUE(check.summary.empty()) << m.label;
    const std::string text = joined(app::checkReportLines(check));
    const std::string where = m.where.substr(m.where.find_first_not_of(' '));
    EXPECT_THAT(text, HasSubstr(where)) << m.label;
    EXPECT_THAT(text, HasSubstr(m.reason)) << m.label;
    const std::size_t at = where.find("(LINE ");
    const std::string line =
        at == std::string::npos ? ""
                                : " (line " + std::to_string(std::stoi(where.substr(at + 6))) + ")";
    EXPECT_THAT(text, HasSubstr("error" + line + ": " + where)) << m.label;
  }
}

// A missing section shows where the next section's header is read in its place.
TEST(Check, AMissingSectionIsNamedAtTheHeaderReadInItsPlace) {
  test::Deck d;
  std::string text = d.text();
  const std::size_t from = text.find("PILE GROUPS\n");
  text.erase(from, text.find("PILE PROPERTIES\n") - from);
  const app::InputCheck check = app::checkInputText(text);
  const std::string report = joined(app::checkReportLines(check));
  EXPECT_THAT(report,
              HasSubstr("warning (line " + std::to_string(test::lineOf(text, "PILE PROPERTIES")) +
                        "): this line is read as the header of the PILE GROUPS section, but it "
                        "names the PILE PROPERTIES section"));
  EXPECT_NE(check.status, 0);

  // Headers that name their own section, in every optional section, raise nothing.
  test::Deck all;
  all.allOptionalOn();
  EXPECT_THAT(joined(app::checkReportLines(app::checkInputText(all.text()))),
              Not(HasSubstr("names the")));
}

// The test pile: head at X = 0, ground at 0, 600 long; the profile ends at 500, so its tip is
// 100 below the deepest layer. The load-transfer curves, built before any analysis, need soil down
// to the tip and end the run first (status 26, tip resistance beyond the profile), also when the
// head takes user curves. The check exits with the status the engine ends with.
TEST(Check, APileBelowTheProfileIsAnErrorWithTheRunsStatus) {
  test::Deck d;
  d.soilLayers = test::replaceFirst(d.soilLayers, "0.0 720.0", "0.0 500.0");
  test::Deck user = d;
  user.switches[6] = 1;
  user.switches[7] = 1;
  user.piles = test::replaceFirst(user.piles, "2 2 1 0 0 0 0 0", "2 2 1 0 1 1 0 0");
  test::TempDir dir;
  for (const test::Deck& deck : {d, user}) {
    const app::InputCheck check = app::checkInputText(deck.text());
    EXPECT_EQ(check.status, toInt(test::runInput(dir.path(), deck.text())));
    const std::string report = joined(app::checkReportLines(check));
    EXPECT_THAT(report, HasSubstr("error (line " +
                                  std::to_string(test::lineOf(deck.text(), "PILE GROUPS") + 2) +
                                  "): pile 1 (record F1) reaches 600 IN below the ground, below "
                                  "the bottom of the deepest soil layer at 500 IN"));
  }
  EXPECT_EQ(app::checkInputText(d.text()).status, 26);
  // At 600 the pile ends on the bottom of the profile: nothing to say.
  d.soilLayers = test::replaceFirst(d.soilLayers, "0.0 500.0", "0.0 600.0");
  EXPECT_EQ(app::checkInputText(d.text()).status, 0);
}

// Unused items and references the analysis ignores are warnings that leave the input usable.
TEST(Check, UnusedItemsAndIgnoredReferencesAreWarnings) {
  test::Deck d;
  d.piles = test::replaceFirst(d.piles, "2 2 1 0 0 0 0 0", "2 2 1 2 0 0 0 0");
  d.crossSections = test::replaceFirst(d.crossSections, "1\n", "2\n") + d.crossSections.substr(2);
  const app::InputCheck check = app::checkInputText(d.text());
  EXPECT_EQ(check.status, 0);
  const std::string report = joined(app::checkReportLines(check));
  EXPECT_THAT(report, HasSubstr("names p-y curve set 2, but the user p-y curves section is "
                                "switched off (control switch 5)"));
  EXPECT_THAT(report, HasSubstr("cross section 2 is defined but not used"));
  EXPECT_THAT(report, HasSubstr("0 errors, 2 warnings: the input can be analysed"));
}

// The command itself: its exit status, and a folder left as it was.
TEST(Check, TheCommandExitsWithTheVerdictAndWritesNoFile) {
  test::TempDir dir;
  const auto run = [&](const std::string& text) {
    test::writeFile(dir / "model.dat", text);
    const std::string command =
        "cd '" + dir.path().string() + "' && '" + STILT_CLI + "' check model.dat > /dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run(test::example("group3d.dat")), 0);
  test::Deck d;
  d.properties = test::replaceFirst(d.properties, "50 600.0 1", "50 0.0 1");
  EXPECT_EQ(run(d.text()), 46);
  std::vector<fs::path> left;
  for (const fs::directory_entry& e : fs::directory_iterator(dir.path())) left.push_back(e.path());
  EXPECT_EQ(left, std::vector<fs::path>{dir / "model.dat"});
  EXPECT_EQ(std::system(("'" + std::string(STILT_CLI) + "' check > /dev/null 2>&1").c_str()) >> 8,
            2);
}

}  // namespace
}  // namespace stilt
