#include "report/group_factors.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace stilt {
namespace {

// The published factors (coefficients as single-precision values, as the method tabulates them).
double side(double s) {
  return static_cast<double>(0.64f) * std::pow(s, static_cast<double>(0.34f));
}
double lead(double s) {
  return static_cast<double>(0.70f) * std::pow(s, static_cast<double>(0.26f));
}
double trail(double s) {
  return static_cast<double>(0.48f) * std::pow(s, static_cast<double>(0.38f));
}

AnalysisModel groupOf(int analysisType, double diameter) {
  AnalysisModel m;
  m.switches.values[2] = analysisType;
  CrossSection x;
  x.top[1] = diameter;
  m.crossSections.push_back(x);
  PileProperty p;
  p.increments = 10;
  p.length = 10.0;
  p.sections.push_back(PileSection{0.0, 10.0, 1, 1.0, 0, 0, 0});
  m.properties.push_back(p);
  return m;
}

void addPile(AnalysisModel& m, double y, double z) {
  PileGroupRow r;
  r.property = 1;
  r.y = y;
  r.z = z;
  m.pileRows.push_back(r);
}

GroupFactors estimate(const AnalysisModel& m, GroupDirection dir, double sign) {
  GroupFactors f = initialGroupFactors(m);
  GroupFactorWorkspace work(m);
  estimateGroupFactors(m, dir, sign, work, f);
  return f;
}

TEST(PairFactor, PublishedValuesAtThreeDiameters) {
  EXPECT_NEAR(side(3.0), 0.93, 0.005);
  EXPECT_NEAR(lead(3.0), 0.93, 0.005);
  EXPECT_NEAR(trail(3.0), 0.73, 0.005);
  EXPECT_DOUBLE_EQ(pairFactor(0.0, 3.0, 1.0), side(3.0));
  EXPECT_DOUBLE_EQ(pairFactor(3.0, 0.0, 1.0), lead(3.0));
  EXPECT_DOUBLE_EQ(pairFactor(-3.0, 0.0, 1.0), trail(3.0));
  EXPECT_DOUBLE_EQ(pairFactor(3.0, 0.0, -1.0), trail(3.0));  // reversing the sense swaps roles
}

TEST(PairFactor, FarApartOrTogether) {
  EXPECT_EQ(pairFactor(8.5, 0.0, 1.0), 1.0);
  EXPECT_EQ(pairFactor(-8.5, 0.0, 1.0), 1.0);
  EXPECT_EQ(pairFactor(0.0, 5.5, 1.0), 1.0);
  EXPECT_LT(pairFactor(-6.0, 0.0, 1.0), 1.0);  // trailing still counts beyond 5D in line
  EXPECT_EQ(pairFactor(6.0, 6.0, 1.0), 1.0);   // skewed, centre distance 8.49
  EXPECT_EQ(pairFactor(0.0, 0.0, 1.0), 0.0);   // two piles at the same place
}

TEST(PairFactor, SkewedCombinesInLineAndSideBySide) {
  // At 45 degrees and 4 diameters apart, leading: sqrt((lead*cos)^2 + (side*sin)^2).
  const double d = 4.0;
  const double a = d / std::sqrt(2.0);
  const double c = std::cos(M_PI / 4.0);
  const double expected =
      std::sqrt(std::pow(lead(d) * c, 2) + std::pow(std::min(1.0, side(d)) * c, 2));
  EXPECT_NEAR(pairFactor(a, a, 1.0), std::min(1.0, expected), 1e-12);
  const double trailing =
      std::sqrt(std::pow(trail(d) * c, 2) + std::pow(std::min(1.0, side(d)) * c, 2));
  EXPECT_NEAR(pairFactor(-a, a, 1.0), trailing, 1e-12);
}

TEST(GroupFactorEstimate, TwoPilesSideBySideAndInLine) {
  AnalysisModel beside = groupOf(3, 2.0);
  addPile(beside, 0.0, 0.0);
  addPile(beside, 0.0, 6.0);  // 3 diameters apart across Y
  GroupFactors f = estimate(beside, GroupDirection::kY, 1.0);
  EXPECT_NEAR(f.pUsed[0], side(3.0), 1e-12);
  EXPECT_NEAR(f.pUsed[1], side(3.0), 1e-12);
  EXPECT_EQ(f.yUsed[0], 1.0);

  AnalysisModel inLine = groupOf(3, 2.0);
  addPile(inLine, 0.0, 0.0);
  addPile(inLine, 6.0, 0.0);  // pile 2 ahead when moving toward +Y
  f = estimate(inLine, GroupDirection::kY, 1.0);
  EXPECT_NEAR(f.pUsed[1], lead(3.0), 1e-12);
  EXPECT_NEAR(f.pUsed[0], trail(3.0), 1e-12);
  f = estimate(inLine, GroupDirection::kY, -1.0);
  EXPECT_NEAR(f.pUsed[0], lead(3.0), 1e-12);
  EXPECT_NEAR(f.pUsed[1], trail(3.0), 1e-12);
  // Along Z the same two piles stand side by side; the estimate for Z writes the Z pair.
  f = estimate(inLine, GroupDirection::kZ, 1.0);
  EXPECT_NEAR(f.pZ[0], side(3.0), 1e-12);
  EXPECT_EQ(f.pUsed[0], 1.0);
}

TEST(GroupFactorEstimate, SinglePileKeepsOne) {
  AnalysisModel m = groupOf(3, 1.0);
  addPile(m, 0.0, 0.0);
  EXPECT_EQ(estimate(m, GroupDirection::kY, 1.0).pUsed[0], 1.0);
}

TEST(GroupFactorEstimate, PlanarRowsExpandIntoTheirPiles) {
  const double f = side(3.0);
  // Three piles across the plane at 3 diameters: 0, +s, -s. The middle pile has two neighbours
  // at 3D; each outer one a neighbour at 3D and one at 6D (no interaction).
  AnalysisModel odd = groupOf(2, 1.0);
  addPile(odd, 0.0, 0.0);
  odd.pileRows[0].pilesInRow = 3;
  odd.pileRows[0].spacing = 3.0;
  EXPECT_NEAR(estimate(odd, GroupDirection::kY, 1.0).pUsed[0], (f * f + 2.0 * f) / 3.0, 1e-12);
  // Four piles: +s/2, -s/2, +1.5s, -1.5s. The inner two have two neighbours at 3D; the outer two
  // one neighbour at 3D.
  AnalysisModel even = groupOf(2, 1.0);
  addPile(even, 0.0, 0.0);
  even.pileRows[0].pilesInRow = 4;
  even.pileRows[0].spacing = 3.0;
  EXPECT_NEAR(estimate(even, GroupDirection::kY, 1.0).pUsed[0], (2.0 * f * f + 2.0 * f) / 4.0,
              1e-12);
}

TEST(GroupFactorCombination, WeightsTheTwoDirections) {
  GroupFactors f;
  f.pUsed = {0.8};
  f.yUsed = {1.0};
  f.pY = {0.0};
  f.yY = {0.0};
  f.pZ = {0.5};
  f.yZ = {1.0};
  combineGroupFactors(3.0, 4.0, f);  // cy = 0.6, cz = 0.8
  EXPECT_DOUBLE_EQ(f.pY[0], 0.8);
  EXPECT_NEAR(f.pUsed[0], std::sqrt(0.48 * 0.48 + 0.4 * 0.4), 1e-12);
  EXPECT_NEAR(f.yUsed[0], 1.0, 1e-12);
}

TEST(GroupFactorInitial, RowsGiveTheirFactors) {
  AnalysisModel m = groupOf(3, 1.0);
  addPile(m, 0.0, 0.0);
  m.pileRows[0].pFactorY = 0.7;
  m.pileRows[0].pFactorZ = 0.6;
  const GroupFactors f = initialGroupFactors(m);
  EXPECT_EQ(f.pUsed[0], 0.7);
  EXPECT_EQ(f.pY[0], 0.7);
  EXPECT_EQ(f.pZ[0], 0.6);
}

}  // namespace
}  // namespace stilt
