// The stiffness of the whole foundation at the cap origin, on whole runs: both families against
// each other and against the springs of the piles summed by hand, the target-deflection method
// on a nonlinear soft clay group, the edge cases of the stiffness data list, and the plane.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analysis/cap_algebra.hpp"
#include "analysis/result_records.hpp"
#include "engine/run_control.hpp"
#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kReport = 6;
constexpr int kRuntime = 9;
constexpr int kConvergence = 10;

// Keeps the end record of every item.
struct Capture : ResultSink {
  void runBegin(const RunBeginRecord&) override {}
  void itemBegin(const ItemHeader&) override {}
  void pile(const PileRecord&) override {}
  void itemEnd(const ItemEndRecord& item) override { items.push_back(item); }
  void runEnd(const RunEndRecord&) override {}
  std::vector<ItemEndRecord> items;
};

// The foundation stiffness of every item of a run, and the item records.
std::vector<ItemEndRecord> run(const test::TempDir& dir, const std::string& input) {
  test::writeNamesFile(dir.path());
  test::writeFile(dir / "input.dat", input);
  Capture sink;
  RunOptions o;
  o.workDir = dir.path();
  o.clock = test::pinnedTime;
  o.sink = &sink;
  o.resultLevel = ResultLevel::kHeads;
  EXPECT_EQ(runAnalysis(o), StatusCode::kCompleted);
  return sink.items;
}

// One load case: its foundation-stiffness switch, its concentrated load at the origin (PX PY MZ
// PZ MY MX), the first load increment and its stiffness data list.
std::string loadCase(int stiffnessSwitch, const std::string& load, const std::vector<double>& list,
                     const std::string& increment = "1.0") {
  std::string s = "1 0 0 0 0\n0 0 0 1 1 100 100\n1.0E-4 1.0E-5 " + increment +
                  " 0.01\nFoundation springs\n0 " + std::to_string(stiffnessSwitch) +
                  " 0 0 0 0 0\n0 5 1.0 0 0.0 0.0 0 0\n0\n25*1\n1\n" + load + " 0.0 0.0 0.0\n0\n" +
                  std::to_string(list.size()) + "\n";
  for (double v : list) s += std::to_string(v) + "\n";
  return s;
}

// Four plumb piles at (Y, Z) = (+-30, +-40), doubly symmetric about the origin, each 600 in long.
// `ground` is X of the ground surface (X down): "0.0" puts the heads at the ground.
std::string fourPiles(const std::string& codes, const std::string& ground = "0.0") {
  std::string s = "4\n";
  for (const char* at : {"-30.0 -40.0", "30.0 -40.0", "-30.0 40.0", "30.0 40.0"}) {
    s += codes + "\n0.0 0.0 1.0 1.0 1.0 1.0 1.0\n0.0 " + at + " 0.0 90.0 " + ground + "\n";
  }
  return s;
}

// Springs in their linear range: fixed heads just below the ground, a user p-y curve p = 5000 y
// at every depth, a load-settlement curve of slope 1.0E6 and a torque-rotation curve of slope
// 5.0E7 either way; 100 increments of 6 in along the 600-in piles.
test::Deck linearDeck(int stiffnessSwitch, const std::string& load,
                      const std::vector<double>& list) {
  test::Deck d;
  d.switches[5] = d.switches[6] = d.switches[7] = 1;
  d.userPyCurves = "1\n7 2\n0.0\n2\n0.0 0.0\n5000.0 1.0\n1000.0\n2\n0.0 0.0\n5000.0 1.0\n";
  d.loadSettlement = "1\n1 3\n-1.0E5 -0.1\n0.0 0.0\n1.0E5 0.1\n";
  d.torqueRotation = "1\n1 3\n-1.0E6 -0.02\n0.0 0.0\n1.0E6 0.02\n";
  d.piles = fourPiles("2 2 1 1 1 1 0 0", "-0.001");
  d.properties = test::replaceFirst(d.properties, "50 600.0 1", "100 600.0 1");
  d.loadCases = loadCase(stiffnessSwitch, load, list);
  d.combinations = "0 0 0 0 0\n";
  return d;
}

constexpr const char* kSmallLoad = "1.0E4 1.0E3 3.0E4 8.0E2 2.0E4 1.0E4";

// The foundation of linearDeck formed from the pile springs: the sum over the piles of
// A^T k A (plumb piles, R = I). A fixed head of a long pile on a Winkler foundation of modulus
// Es, lambda = (Es / 4 EI)^(1/4), has the lateral stiffness 4 EI lambda^3, the rotational one
// 2 EI lambda and the coupling 2 EI lambda^2 between them (Hetenyi 1946); the coupling's sign
// depends on the axes, so the hand sum keeps it positive and the test compares its size.
Matrix6 springsByHand() {
  const double ei = 29.0e6 * 731.9;
  const double lambda = std::pow(5000.0 / (4.0 * ei), 0.25);
  const double lateral = 4.0 * ei * lambda * lambda * lambda;
  const double rotation = 2.0 * ei * lambda;
  const double coupling = 2.0 * ei * lambda * lambda;
  Matrix6 k{};  // at the head, in pile axes: x axial, y and z lateral
  k[0][0] = 1.0e6;
  k[1][1] = k[2][2] = lateral;
  k[3][3] = 5.0e7;
  k[4][4] = k[5][5] = rotation;
  k[1][5] = k[5][1] = k[2][4] = k[4][2] = coupling;
  Matrix6 sum{};
  for (const auto& [y, z] : {std::pair{-30.0, -40.0}, {30.0, -40.0}, {-30.0, 40.0}, {30.0, 40.0}}) {
    Matrix6 a{{{1, 0, 0, 0, z, -y},
               {0, 1, 0, -z, 0, 0},
               {0, 0, 1, y, 0, 0},
               {0, 0, 0, 1, 0, 0},
               {0, 0, 0, 0, 1, 0},
               {0, 0, 0, 0, 0, 1}}};  // origin to head (x = 0)
    for (std::size_t i = 0; i < 36; ++i) {
      for (std::size_t r = 0; r < 36; ++r) {
        sum[i / 6][i % 6] += a[r / 6][i / 6] * k[r / 6][r % 6] * a[r % 6][i % 6];
      }
    }
  }
  return sum;
}

// A term against its diagonal terms, the scale of the row and column it couples.
double scaleOf(const Matrix6& k, std::size_t i, std::size_t j) {
  return std::sqrt(std::fabs(k[i][i] * k[j][j]));
}

TEST(FoundationStiffness, BothFamiliesEqualThePileSpringsInTheLinearRange) {
  test::TempDir first, second;
  const auto a = run(first, linearDeck(1, kSmallLoad, {1.0}).text());
  const auto b = run(second, linearDeck(11, kSmallLoad, {1.0}).text());
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(a[0].foundationStiffness.family, 1);
  EXPECT_EQ(b[0].foundationStiffness.family, 2);
  const StiffnessPointRecord& pa = a[0].foundationStiffness.points.at(0);
  const StiffnessPointRecord& pb = b[0].foundationStiffness.points.at(0);
  ASSERT_TRUE(pa.hasStiffness && pb.hasStiffness);
  EXPECT_EQ(a[0].resultCode, 1);  // the ordinary analysis of the total load still comes last
  const Matrix6 hand = springsByHand();
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_GT(pb.stiffness[i][i], 0.0) << i;
    for (std::size_t j = 0; j < 6; ++j) {
      // In the linear range the inverted secant flexibility is the tangent.
      EXPECT_NEAR(pa.stiffness[i][j], pb.stiffness[i][j], 1.0e-3 * scaleOf(pb.stiffness, i, j))
          << "K" << i + 1 << j + 1;
      // The terms of the axial springs alone (K11, K15, K16) are exact; those with bending
      // carry the finite-difference pile's departure from the closed form (6-in increments,
      // lambda h = 0.09: within a per cent or so).
      const bool axialOnly = (i == 0 && (j == 0 || j >= 4)) || (j == 0 && i >= 4);
      EXPECT_NEAR(std::fabs(pb.stiffness[i][j]), std::fabs(hand[i][j]),
                  (axialOnly ? 1.0e-3 : 2.0e-2) * scaleOf(hand, i, j))
          << "K" << i + 1 << j + 1;
    }
  }
}

TEST(FoundationStiffness, VerticalLoadAloneSkipsTheOtherDegreesOfFreedom) {
  test::TempDir dir;
  const auto items = run(dir, linearDeck(1, "1.0E4 0.0 0.0 0.0 0.0 0.0", {0.5, 1.0}).text());
  const FoundationStiffnessRecord& f = items.at(0).foundationStiffness;
  EXPECT_EQ(f.skippedDofs, (std::vector<int>{2, 3, 4, 5, 6}));
  ASSERT_EQ(f.points.size(), 2u);
  for (const StiffnessPointRecord& p : f.points) {
    EXPECT_NEAR(p.stiffness[0][0], 4.0e6, 4.0e3);  // four axial springs of 1.0E6
    EXPECT_EQ(p.stiffness[1][1], 0.0);
  }
  const std::string report = test::runFile(dir.path(), kReport);
  EXPECT_THAT(report, HasSubstr("     DOF   : 6 (MOMENT Z)\n          DOF NOT CONSIDERED\n"
                                "          SINCE APPLIED FORCE AT CAP IS ZERO\n"));
  EXPECT_THAT(report, HasSubstr("     * PILE CAP STIFFNESS ESTIMATION *\n\n"
                                "   N:    1  FACTOR :    0.5000\n"));
  const std::vector<std::string> status = test::runFileLines(dir.path(), kConvergence);
  const auto count = [&](const char* l) { return std::count(status.begin(), status.end(), l); };
  EXPECT_EQ(count("    5 ANALYSIS SKIPPPED APPLIED FORCE AT CAP IS ZERO"), 10);
  EXPECT_EQ(count("      DOF :   1 POINT :   2"), 1);
  EXPECT_EQ(count("    1 ANALYSIS COMPLETED"), 3);  // two points of DOF 1, then the total load
  EXPECT_THAT(test::runFile(dir.path(), kRuntime), Not(HasSubstr("IN THIS VERSION")));
}

TEST(FoundationStiffness, AListOf15HasThreePointsAndAListOf12HasTwelve) {
  test::TempDir fifteen, twelve;
  const auto a =
      run(fifteen,
          linearDeck(11, kSmallLoad, {0.25, 0.5, 1.0, 0, 2, 0, 0, 0, 0, 0, 0, 5, 10, 0, 0}).text());
  ASSERT_EQ(a.at(0).foundationStiffness.points.size(), 3u);
  EXPECT_FALSE(a[0].foundationStiffness.targetMethod);
  EXPECT_DOUBLE_EQ(a[0].foundationStiffness.points[0].load[0], 0.25 * 1.0e4);  // factor x load
  const auto b = run(twelve, linearDeck(11, kSmallLoad, std::vector<double>(12, 0.5)).text());
  ASSERT_EQ(b.at(0).foundationStiffness.points.size(), 12u);
  // The input report lists all twelve as load levels.
  const std::string report = test::runFile(twelve.path(), kReport);
  EXPECT_THAT(report, HasSubstr("     COMPUTED FOR EQUIVALENT CONC. LOAD AT ORIGIN\n\n"
                                "     * FOUNDATION STIFFNESS LOAD LEVELS *\n"));
  EXPECT_THAT(report, Not(HasSubstr("- CONSIDER AXIAL LOADS IN PILES")));
}

// Four fixed-head piles in the test deck's soft clay, loaded as given.
test::Deck softClayGroup(int stiffnessSwitch, const std::string& load,
                         const std::vector<double>& list) {
  test::Deck d;
  d.piles = fourPiles("2 2 1 0 0 0 0 0");
  d.loadCases = loadCase(stiffnessSwitch, load, list, "0.25");
  d.combinations = "0 0 0 0 0\n";
  return d;
}

constexpr const char* kLateral = "1.0E5 2.0E4 0.0 0.0 0.0 0.0";

// The list of the target method on displacement Y: the points, then the twelve parameters.
std::vector<double> targetList(std::vector<double> points, double reference, double tolerance) {
  for (double v : {1.0, 2.0, 0.0, reference, 0.0, 0.0, 0.0, 0.0, tolerance, 15.0, 0.0, 0.0}) {
    points.push_back(v);
  }
  return points;
}

TEST(FoundationStiffness, TargetDeflectionIsMetAndTheStiffnessFallsAsItGrows) {
  test::TempDir dir;
  const auto items = run(dir, softClayGroup(11, kLateral, targetList({0.5, 1.0}, 0.1, 1.0)).text());
  const FoundationStiffnessRecord& f = items.at(0).foundationStiffness;
  EXPECT_TRUE(f.targetMethod);
  ASSERT_EQ(f.points.size(), 2u);
  for (const StiffnessPointRecord& p : f.points) {
    EXPECT_EQ(p.status, "converged");
    EXPECT_DOUBLE_EQ(p.target, 0.1 * (p.number == 1 ? 0.5 : 1.0));
    EXPECT_LE(std::fabs(p.displacement[1] - p.target), 0.01 * p.target) << p.number;
    EXPECT_GE(p.trials, 2);  // the first trial (factor 1) misses either target
  }
  // Soft clay softens: the lateral stiffness at the larger deflection is the smaller.
  EXPECT_LT(f.points[1].stiffness[1][1], f.points[0].stiffness[1][1]);
  EXPECT_THAT(test::runFile(dir.path(), kRuntime),
              HasSubstr("     STIFFNESS ESTIMATION,  COMPUTED DEF.: "));
  // Every trial that missed leaves its line; each point ends completed, then the total load.
  const std::vector<std::string> status = test::runFileLines(dir.path(), kConvergence);
  EXPECT_EQ(std::count(status.begin(), status.end(), "    10 ANALYSIS COMPLETED"),
            f.points[0].trials + f.points[1].trials - 2);
}

TEST(FoundationStiffness, AFirstTrialWithinToleranceFinishesAfterOneSolve) {
  // The deflection of the whole load, from the ordinary analysis, is the target of point 1.
  test::TempDir plain, dir;
  const double reached = run(plain, softClayGroup(0, kLateral, {}).text()).at(0).capDisplacement[1];
  const auto items = run(dir, softClayGroup(11, kLateral, targetList({1.0}, reached, 1.0)).text());
  const StiffnessPointRecord& p = items.at(0).foundationStiffness.points.at(0);
  EXPECT_EQ(p.trials, 1);
  EXPECT_EQ(p.status, "converged");
}

// The largest departure from symmetry of a stiffness, each pair against its diagonal terms;
// every diagonal term must be positive.
double asymmetry(const Matrix6& k) {
  double worst = 0.0;
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_GT(k[i][i], 0.0) << i;
    for (std::size_t j = 0; j < i; ++j) {
      worst = std::max(worst, std::fabs(k[i][j] - k[j][i]) / scaleOf(k, i, j));
    }
  }
  return worst;
}

TEST(FoundationStiffness, DoublySymmetricGroupHasASymmetricStiffness) {
  // Elastic springs under a load that keeps the symmetry of the group: the tangent is that of a
  // linear elastic structure (Maxwell-Betti).
  test::TempDir dir, clay;
  const auto items = run(dir, linearDeck(11, "2.0E4 0.0 0.0 0.0 0.0 0.0", {1.0}).text());
  EXPECT_LT(asymmetry(items.at(0).foundationStiffness.points.at(0).stiffness), 1.0e-6);
  // Soft clay pushed sideways: the axial force of a beam-column acts on its lateral response
  // (and not the other way round alike), so the tangent is only nearly symmetric.
  const auto soft = run(clay, softClayGroup(11, kLateral, {1.0}).text());
  EXPECT_LT(asymmetry(soft.at(0).foundationStiffness.points.at(0).stiffness), 1.0e-2);
}

TEST(FoundationStiffness, PlanarAnalysisHasThreeDegreesOfFreedom) {
  std::string input = test::example("first2d.dat");
  input = test::replaceFirst(input, "0 0 0 0 0 0 0                          C5",
                             "0 1 0 0 0 0 0                          C5");
  input = test::replaceFirst(
      input, "0                                      C11: no foundation-stiffness data\n",
      "1\n1.0\n");
  test::TempDir first, second;
  const auto a = run(first, input);
  const auto b = run(second, test::replaceFirst(input, "0 1 0 0 0 0 0 ", "0 11 0 0 0 0 0 "));
  EXPECT_THAT(test::runFile(first.path(), kReport), HasSubstr("     DOF   : 3 (MOMENT Z)\n"));
  for (const auto* items : {&a, &b}) {
    const Matrix6& k = items->at(0).foundationStiffness.points.at(0).stiffness;
    for (std::size_t i = 0; i < 6; ++i) {
      for (std::size_t j = 0; j < 6; ++j) {
        const bool inPlane = (i == 0 || i == 1 || i == 5) && (j == 0 || j == 1 || j == 5);
        EXPECT_TRUE(inPlane ? (i != j || k[i][j] > 0.0) : k[i][j] == 0.0) << i << j;
      }
    }
  }
}

TEST(FoundationStiffness, TheWorkedExampleMeetsItsTargetsBackingOffFromLoadsTooLarge) {
  test::TempDir dir;
  const auto items = run(dir, test::example("stiffness3d.dat"));
  ASSERT_EQ(items.size(), 2u);
  // Case 1, load factors 0.25, 0.5 and 1.0: the lateral stiffness falls as the load grows.
  const std::vector<StiffnessPointRecord>& levels = items[0].foundationStiffness.points;
  ASSERT_EQ(levels.size(), 3u);
  EXPECT_GT(levels[0].stiffness[1][1], levels[1].stiffness[1][1]);
  EXPECT_GT(levels[1].stiffness[1][1], levels[2].stiffness[1][1]);
  // Case 2, 0.05 and 0.1 in along Y within 2 %: the second point's proportional trial asks for
  // more vertical load than the piles carry; the trials that follow go back below it.
  for (const StiffnessPointRecord& p : items[1].foundationStiffness.points) {
    EXPECT_EQ(p.status, "converged");
    EXPECT_LE(std::fabs(p.displacement[1] - p.target), 0.02 * p.target);
  }
  const std::vector<std::string> status = test::runFileLines(dir.path(), kConvergence);
  EXPECT_GE(std::count(status.begin(), status.end(), "    7 SINGULAR STIFFNESS MATRIX"), 1);
}

}  // namespace
}  // namespace stilt
