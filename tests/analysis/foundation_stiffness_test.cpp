// The parts of the foundation-stiffness estimation that need no solve: reading the stiffness
// data list, the interpolation of the target-deflection trials, and the inversion of the first
// family's flexibility.

#include "analysis/foundation_stiffness.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace stilt {
namespace {

std::vector<double> withParameters(std::vector<double> points, std::vector<double> twelve) {
  points.insert(points.end(), twelve.begin(), twelve.end());
  return points;
}

TEST(StiffnessPlan, LevelsAloneUpToTwelveValuesAndTwelveParametersAfterThem) {
  EXPECT_EQ(stiffnessPointCount(0), 0u);
  EXPECT_EQ(stiffnessPointCount(10), 10u);
  EXPECT_EQ(stiffnessPointCount(11), 11u);
  EXPECT_EQ(stiffnessPointCount(12), 12u);
  EXPECT_EQ(stiffnessPointCount(13), 1u);
  EXPECT_EQ(stiffnessPointCount(15), 3u);

  const StiffnessPlan twelve = readStiffnessPlan(std::vector<double>(12, 0.5), false);
  EXPECT_EQ(twelve.points.size(), 12u);
  EXPECT_FALSE(twelve.targetMethod);

  const StiffnessPlan p = readStiffnessPlan(
      withParameters({0.5, 1.0, 2.0}, {1, 3, 0.1, 0.2, 0.3, 0.004, 0.005, 0.006, 2.5, 7, 1, 1}),
      false);
  EXPECT_EQ(p.points, (std::vector<double>{0.5, 1.0, 2.0}));
  EXPECT_TRUE(p.targetMethod);
  EXPECT_EQ(p.targetDof, 3);
  EXPECT_EQ(p.targetIndex, 2u);
  EXPECT_DOUBLE_EQ(p.reference[2], 0.3);
  EXPECT_DOUBLE_EQ(p.reference[5], 0.006);
  EXPECT_DOUBLE_EQ(p.tolerancePercent, 2.5);
  EXPECT_EQ(p.maxTrials, 7);
  EXPECT_TRUE(p.singleComponent);
}

TEST(StiffnessPlan, PlanarDofSixIsTheRotationAndNonsenseIsBounded) {
  const StiffnessPlan planar =
      readStiffnessPlan(withParameters({1.0}, {1, 6, 0, 0, 0.01, 0, 0, 0, 1, 5, 0, 0}), true);
  EXPECT_EQ(planar.targetDof, 3);
  EXPECT_EQ(planar.targetIndex, 5u);  // rotation Z among the six cap components
  EXPECT_FALSE(planar.singleComponent);
  // A DOF beyond the analysis and a trial limit below one: the last DOF, one trial.
  const StiffnessPlan odd =
      readStiffnessPlan(withParameters({1.0}, {1, 9, 0, 0, 0, 0, 0, 0, -3, 0, 0, 2}), false);
  EXPECT_EQ(odd.targetDof, 6);
  EXPECT_EQ(odd.maxTrials, 1);
  EXPECT_DOUBLE_EQ(odd.tolerancePercent, 3.0);
  EXPECT_FALSE(odd.singleComponent);
}

TEST(TargetTrials, ProportionalThenInterpolatedBetweenTheBracketingPairs) {
  TargetTrials t;
  EXPECT_EQ(t.nextFactor(0.3), 0.0);
  // One pair: the secant through the origin, 0.3 x 1.0 / 0.5.
  t.add(0.5, 1.0);
  EXPECT_DOUBLE_EQ(t.nextFactor(0.3), 0.6);
  // Two pairs, added out of order: linear between (0.2, 0.5) and (0.5, 1.0).
  t.add(0.2, 0.5);
  EXPECT_DOUBLE_EQ(t.nextFactor(0.3), 0.5 + 0.5 * (0.1 / 0.3));
  // Beyond the table: the end segment extended.
  EXPECT_DOUBLE_EQ(t.nextFactor(0.8), 1.0 + 0.5 * (0.3 / 0.3));
  EXPECT_DOUBLE_EQ(t.nextFactor(0.05), 0.5 - 0.5 * (0.15 / 0.3));
  // A third pair in the middle: the target between 0.35 and 0.5 uses that segment only.
  t.add(0.35, 0.9);
  EXPECT_DOUBLE_EQ(t.nextFactor(0.4), 0.9 + 0.1 * (0.05 / 0.15));
  EXPECT_DOUBLE_EQ(t.nextFactor(0.3), 0.5 + 0.4 * (0.1 / 0.15));
}

TEST(TargetTrials, ADeflectionTooSmallToScaleFromTriesTheWholeLoad) {
  TargetTrials t;
  t.add(5.0e-5, 1.0);
  EXPECT_DOUBLE_EQ(t.nextFactor(0.3), 1.0);
}

TEST(FlexibilityInversion, BlocksOfTheSolvedComponentsAreInverted) {
  // Two coupled pairs, (Y, RZ) and (Z, RY), and the vertical alone, as a plumb group gives them:
  // the inverse of [[a, b], [b, c]] is [[c, -b], [-b, a]] / (ac - b^2).
  Matrix6 f{};
  f[0][0] = 2.0e-6;
  f[1][1] = 4.0e-5;
  f[1][5] = f[5][1] = -1.0e-7;
  f[5][5] = 1.0e-9;
  f[2][2] = 3.0e-5;
  f[2][4] = f[4][2] = 2.0e-7;
  f[4][4] = 2.0e-9;
  f[3][3] = 5.0e-8;
  Matrix6 k{};
  ASSERT_TRUE(stiffnessFromFlexibility(f, {0, 1, 2, 3, 4, 5}, k));
  EXPECT_NEAR(k[0][0], 5.0e5, 1.0e-6 * 5.0e5);
  const double det = 4.0e-5 * 1.0e-9 - 1.0e-14;
  EXPECT_NEAR(k[1][1], 1.0e-9 / det, 1.0e-9 * (1.0e-9 / det));
  EXPECT_NEAR(k[1][5], 1.0e-7 / det, 1.0e-9 * (1.0e-7 / det));
  EXPECT_NEAR(k[5][5], 4.0e-5 / det, 1.0e-9 * (4.0e-5 / det));
  EXPECT_NEAR(k[3][3], 2.0e7, 1.0e-9 * 2.0e7);

  // Only the vertical solved: its term alone, the rest zero.
  ASSERT_TRUE(stiffnessFromFlexibility(f, {0}, k));
  EXPECT_NEAR(k[0][0], 5.0e5, 1.0e-6 * 5.0e5);
  EXPECT_EQ(k[1][1], 0.0);
  EXPECT_EQ(k[5][1], 0.0);

  // Nothing solved, or a column of zeros: no stiffness.
  EXPECT_FALSE(stiffnessFromFlexibility(f, {}, k));
  f[3][3] = 0.0;
  EXPECT_FALSE(stiffnessFromFlexibility(f, {0, 3}, k));
}

}  // namespace
}  // namespace stilt
