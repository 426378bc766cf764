// The parts of the foundation-stiffness estimation that need no solve: reading the stiffness
// data list, the interpolation of the target-deflection trials and the inversion of the first
// family's flexibility.

#include "analysis/foundation_stiffness.hpp"

#include <gtest/gtest.h>

namespace stilt {
namespace {

TEST(StiffnessPlan, TwelveParametersFollowThePointsOnlyFromThirteenValuesOn) {
  EXPECT_EQ(stiffnessPointCount(12), 12u);
  EXPECT_EQ(stiffnessPointCount(13), 1u);
  const StiffnessPlan p = readStiffnessPlan(
      {0.5, 1.0, 2.0, 1, 3, 0.1, 0.2, 0.3, 0.004, 0.005, 0.006, 2.5, 7, 1, 1}, false);
  EXPECT_EQ(p.points, (std::vector<double>{0.5, 1.0, 2.0}));
  EXPECT_TRUE(p.targetMethod);
  EXPECT_EQ(p.targetIndex, 2u);
  EXPECT_DOUBLE_EQ(p.reference[2], 0.3);
  EXPECT_DOUBLE_EQ(p.tolerancePercent, 2.5);
  EXPECT_EQ(p.maxTrials, 7);
  EXPECT_TRUE(p.singleComponent);
  // In the plane DOF 6 is the rotation, the third DOF; a trial limit below one is one trial.
  const StiffnessPlan q = readStiffnessPlan({1.0, 1, 6, 0, 0, 0.01, 0, 0, 0, 1, 0, 0, 0}, true);
  EXPECT_EQ(q.targetDof, 3);
  EXPECT_EQ(q.targetIndex, 5u);
  EXPECT_EQ(q.maxTrials, 1);
}

TEST(TargetTrials, ProportionalThenInterpolatedBetweenTheBracketingPairs) {
  TargetTrials t;
  EXPECT_EQ(t.nextFactor(0.3), 0.0);
  t.add(5.0e-5, 1.0);  // too small a deflection to scale from: the whole load
  EXPECT_DOUBLE_EQ(t.nextFactor(0.3), 1.0);
  t = TargetTrials{};
  t.add(0.5, 1.0);
  EXPECT_DOUBLE_EQ(t.nextFactor(0.3), 0.6);  // the secant through the origin
  t.add(0.2, 0.5);                           // added out of order
  EXPECT_DOUBLE_EQ(t.nextFactor(0.3), 0.5 + 0.5 * (0.1 / 0.3));
  EXPECT_DOUBLE_EQ(t.nextFactor(0.8), 1.0 + 0.5 * (0.3 / 0.3));  // the end segment extended
  t.add(0.35, 0.9);
  EXPECT_DOUBLE_EQ(t.nextFactor(0.4), 0.9 + 0.1 * (0.05 / 0.15));
}

TEST(FlexibilityInversion, BlocksOfTheSolvedComponentsAreInverted) {
  // The vertical alone and a coupled pair (Y, RZ): the inverse of [[a, b], [b, c]] is
  // [[c, -b], [-b, a]] / (ac - b^2).
  Matrix6 f{};
  f[0][0] = 2.0e-6;
  f[1][1] = 4.0e-5;
  f[1][5] = f[5][1] = -1.0e-7;
  f[5][5] = 1.0e-9;
  Matrix6 k{};
  ASSERT_TRUE(stiffnessFromFlexibility(f, {0, 1, 5}, k));
  const double det = 4.0e-5 * 1.0e-9 - 1.0e-14;
  EXPECT_NEAR(k[0][0], 5.0e5, 1.0e-9 * 5.0e5);
  EXPECT_NEAR(k[1][5], 1.0e-7 / det, 1.0e-9 * (1.0e-7 / det));
  EXPECT_NEAR(k[5][5], 4.0e-5 / det, 1.0e-9 * (4.0e-5 / det));
  EXPECT_EQ(k[2][2], 0.0);  // not solved
  EXPECT_FALSE(stiffnessFromFlexibility(f, {}, k));
  EXPECT_FALSE(stiffnessFromFlexibility(f, {0, 3}, k));  // a column of zeros
}

}  // namespace
}  // namespace stilt
