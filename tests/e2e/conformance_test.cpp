// Whole runs that check the analysis against statics and closed forms where the design asks for
// a particular behaviour: the loads along the piles grow with the cap load, and the pile-top
// equivalent stiffnesses of a head that did not move come from the head stiffness.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using Lines = std::vector<std::string>;
using test::Deck;
using test::numbersOf;
using test::replaceFirst;

constexpr int kConvergence = 10;
constexpr int kCapResults = 11;
constexpr int kEquivalentStiffness = 18;

// The node listing of the first pile in the pile-cap results file: per listed quantity (1..25)
// its values from the head to the tip; quantity 0 is the coordinate along the pile.
std::vector<std::vector<double>> nodeListing(const Lines& cap) {
  std::vector<std::vector<double>> columns(26);
  for (std::size_t i = 0; i + 1 < cap.size(); ++i) {
    if (cap[i].rfind("* EFFECTS FOR LATERALLY LOADED PILE *", 0) != 0) continue;
    const std::vector<double> switches = numbersOf(cap[i + 1]);
    if (switches.size() != 26) return columns;
    std::vector<int> listed{0};
    for (int q = 1; q <= 25; ++q) {
      if (switches[static_cast<std::size_t>(q)] != 0.0) listed.push_back(q);
    }
    for (std::size_t r = i + 2; r < cap.size(); ++r) {
      const std::vector<double> row = numbersOf(cap[r]);
      if (row.size() != listed.size()) break;
      for (std::size_t k = 0; k < row.size(); ++k) {
        columns[static_cast<std::size_t>(listed[k])].push_back(row[k]);
      }
    }
    return columns;
  }
  return columns;
}

// One set of two equal straight p-y curves, p = 500·y, at depths 0 and 700 in.
const char* kLinearPyCurves = "1\n7 2\n0.0\n2\n0.0 0.0\n500.0 1.0\n700.0\n2\n0.0 0.0\n500.0 1.0\n";

// A load-settlement curve and linear p-y springs (p = 500·y at every depth) for one plumb,
// fixed-headed pipe pile 600 in long at the origin: EI = 29.0E6 x 731.9.
Deck linearPileDeck() {
  Deck d;
  d.switches[5] = 1;  // user p-y curves
  d.switches[6] = 1;  // user load-settlement curves
  d.piles = replaceFirst(d.piles, "2 2 1 0 0 0 0 0", "2 2 1 1 1 0 0 0");
  d.userPyCurves = kLinearPyCurves;
  d.combinations = "0 0 0 0 0\n";
  return d;
}

// The partial solution of the test decks (steps to 25 % and 50 % of a vertical load of 1.6E5
// converge, the step to 75 % passes the knee of the load-settlement curve and the halved
// increment is below the minimum), with a uniform lateral load of 10 lb/in along the whole pile
// in the same load case and no lateral load on the cap.
Deck partialWithDistributedLoad() {
  Deck d = test::partialSolutionDeck();
  d.switches[5] = 1;
  d.piles = replaceFirst(d.piles, "2 2 1 0 1 0 0 0", "2 2 1 1 1 0 0 0");
  d.userPyCurves = kLinearPyCurves;
  // A loose cap tolerance: the steps to 25 % and 50 % pass on their second iteration, the step
  // past the knee (a correction as large as its whole displacement) cannot.
  d.loadCases = replaceFirst(d.loadCases, "1.0E-4 1.0E-5 0.25 0.2", "0.5 1.0E-6 0.25 0.2");
  d.loadCases = replaceFirst(d.loadCases, "1.6E5 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0\n0\n",
                             "1.6E5 0.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0\n1\n1 0 1 1 0 1 1.0 0 0.0\n");
  d.loadSets = "1\n2\n0.0 10.0\n600.0 10.0\n";
  return d;
}

// The results at 50 % of the load carry 50 % of the distributed load: with no lateral load on the
// cap the pile head takes no shear, so the soil reaction along the pile balances the distributed
// load that acts: 0.5 x 10 lb/in x 600 in = 3000 lb (6000 lb if the whole distributed load acted
// with half the cap load).
TEST(LoadsAlongPiles, APartialSolutionCarriesTheSameFractionOfTheDistributedLoad) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), partialWithDistributedLoad().text()),
            StatusCode::kCompleted);
  const Lines cnv = test::runFileLines(dir.path(), kConvergence);
  ASSERT_FALSE(cnv.empty());
  ASSERT_EQ(cnv.back(), "    2 SOLUTION AT   50.00% OF THE TOTAL LOAD");
  const auto columns = nodeListing(test::runFileLines(dir.path(), kCapResults));
  const std::vector<double>& x = columns[0];
  const std::vector<double>& w = columns[22];  // distributed load in local y
  const std::vector<double>& p = columns[15];  // soil reaction in local y
  ASSERT_EQ(x.size(), 51u);
  ASSERT_EQ(w.size(), x.size());
  ASSERT_EQ(p.size(), x.size());
  for (double v : w) EXPECT_NEAR(v, 5.0, 1.0e-9);
  double reaction = 0.0;
  for (std::size_t k = 1; k < x.size(); ++k)
    reaction += 0.5 * (x[k] - x[k - 1]) * (p[k] + p[k - 1]);
  // The cap stops within its tolerance of equilibrium and the listing has 8 digits: 0.1 %.
  EXPECT_NEAR(reaction, 3000.0, 3.0);
}

// A pile whose head moves only vertically, with its head below the ground: its lateral and
// rotational pile-top equivalent stiffnesses cannot be force over displacement, and are those of
// the head-stiffness central differences. For a long beam on springs of modulus k (Hetenyi 1946),
// with beta = (k / 4EI)^(1/4): a fixed head pushed sideways gives V/y = k/beta, a head turned with
// its deflection held gives M/theta = k/(2 beta^3). The finite differences (beta·h = 0.105) and the
// pile's finite length (beta·L = 5.3) stay within 1 % of these.
TEST(PileTopEquivalentStiffness, AHeadThatDidNotMoveTakesTheHeadStiffness) {
  Deck d = linearPileDeck();
  // The ground 12 in above the head, so that the springs act along the whole pile.
  d.piles = replaceFirst(d.piles, "0.0 0.0 0.0 0.0 90.0 0.0", "0.0 0.0 0.0 0.0 90.0 -12.0");
  d.loadSettlement = "1\n1 3\n-2.0E5 -1.0\n0.0 0.0\n2.0E5 1.0\n";
  d.loadCases = replaceFirst(d.loadCases, "1.0E-4 1.0E-5 0.25 0.01", "1.0E-6 1.0E-7 1.0 0.01");
  d.loadCases = replaceFirst(d.loadCases, "1.0E5 5.0E3 0.0", "1.0E4 0.0 0.0");
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), d.text()), StatusCode::kCompleted);
  ASSERT_EQ(test::runFileLines(dir.path(), kConvergence).back(), "    1 ANALYSIS COMPLETED");
  std::vector<double> stiffness;
  for (const std::string& l : test::runFileLines(dir.path(), kEquivalentStiffness)) {
    for (const char* label : {"AXIAL,", "LAT. y,", "LAT. z,", "TORSION,", "ROT. y,", "ROT. z,"}) {
      const std::string head = "       " + std::string(label);
      if (l.rfind(head, 0) == 0) stiffness.push_back(numbersOf(l.substr(head.size())).at(0));
    }
  }
  ASSERT_EQ(stiffness.size(), 6u);
  const double k = 500.0, ei = 29.0e6 * 731.9;
  const double beta = std::pow(k / (4.0 * ei), 0.25);
  EXPECT_NEAR(stiffness[0], 2.0e5, 1.0e-3 * 2.0e5);  // moved: force over displacement
  EXPECT_NEAR(stiffness[1], k / beta, 0.01 * k / beta);
  EXPECT_NEAR(stiffness[2], k / beta, 0.01 * k / beta);
  EXPECT_GT(stiffness[3], 0.0);  // the initial slope of the torque-rotation curve
  const double rotation = k / (2.0 * std::pow(beta, 3));
  EXPECT_NEAR(stiffness[4], rotation, 0.01 * rotation);
  EXPECT_NEAR(stiffness[5], rotation, 0.01 * rotation);
}

}  // namespace
}  // namespace stilt
