// User-specified p-y curves: preparation of the input points, interpolation in y on each curve and
// in depth between the two curves that bracket a node.
#include <gtest/gtest.h>

#include "soil/user_py_curves.hpp"

namespace stilt {
namespace {

// Linear interpolation of short decimals: exact to rounding.
constexpr double kTight = 1e-12;

UserPyCurveSet twoCurves() {
  UserPyCurveSet set;
  // Given deepest first, as a user may: preparation sorts by depth.
  set.curves.push_back({6.0, {{0.0, 0.0}, {60.0, 0.01}, {100.0, 0.05}}});
  // No point at the origin, and one at a negative deflection.
  set.curves.push_back({2.0, {{40.0, 0.03}, {20.0, 0.01}, {-20.0, -0.01}}});
  return set;
}

TEST(UserPyTables, SortedFromTheOrigin) {
  const std::vector<UserPyTable> t = prepareUserPyTables(twoCurves());
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].depth, 2.0);
  EXPECT_EQ(t[0].ys, (std::vector<double>{0.0, 0.01, 0.03}));
  EXPECT_EQ(t[0].ps, (std::vector<double>{0.0, 20.0, 40.0}));
  EXPECT_EQ(t[0].largestP, 40.0);
  EXPECT_NEAR(t[0].p(0.005), 10.0, kTight);
  EXPECT_NEAR(t[0].p(0.02), 30.0, kTight);
  EXPECT_EQ(t[0].p(1.0), 40.0);  // flat beyond the last point
}

TEST(UserPyCurves, InterpolatedInYThenInDepth) {
  const std::vector<UserPyTable> t = prepareUserPyTables(twoCurves());
  bool beyond = true;
  const InterpolatedUserCurve c = interpolateUserCurves(t, 4.0, beyond);  // halfway
  EXPECT_FALSE(beyond);
  EXPECT_NEAR(c.p(0.01), 0.5 * (20.0 + 60.0), kTight);
  EXPECT_NEAR(c.p(0.02), 0.5 * (30.0 + 70.0), kTight);  // 60 + 40·(0.01/0.04) = 70 below
  EXPECT_NEAR(c.p(0.10), 0.5 * (40.0 + 100.0), kTight);
  EXPECT_NEAR(c.ultimate, 70.0, kTight);
  CurveDeflections y{};
  c.deflections(y);
  EXPECT_EQ(y[0], 0.0);
  EXPECT_NEAR(y[16], 0.05, kTight);
}

TEST(UserPyCurves, AboveTheFirstAndBelowTheLastCurve) {
  const std::vector<UserPyTable> t = prepareUserPyTables(twoCurves());
  bool beyond = true;
  InterpolatedUserCurve c = interpolateUserCurves(t, 1.0, beyond);
  EXPECT_FALSE(beyond);
  EXPECT_NEAR(c.p(0.005), 10.0, kTight);  // the shallowest curve
  c = interpolateUserCurves(t, 6.0, beyond);
  EXPECT_FALSE(beyond);  // on the deepest curve
  EXPECT_NEAR(c.p(0.01), 60.0, kTight);
  c = interpolateUserCurves(t, 8.0, beyond);
  EXPECT_TRUE(beyond);
  EXPECT_NEAR(c.p(0.01), 60.0, kTight);  // the deepest curve goes on
}

}  // namespace
}  // namespace stilt
