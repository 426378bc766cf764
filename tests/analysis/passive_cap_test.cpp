// Passive resistance of an embedded cap: the pressure diagram's resultant and the share of its
// force between Y and Z worked by hand, and the member's springs against Matlock's soft clay.

#include "analysis/passive_cap.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "model/input_reader.hpp"
#include "support/deck.hpp"

namespace stilt {
namespace {

TEST(PassiveResultant, WorkedByHandDeeperAndShallowerThanTheCap) {
  // 36 deep, 24 thick, p0 = 100: the face from 12 to 36 below the ground takes 100x/36, whose
  // integral is 1600 with the moment 16000 about the base; with the base at X = 5 the moment
  // about the origin's level is 16000 - 5 x 1600.
  const PassiveResultant deep = passiveResultant(-36.0, 24.0, 100.0, 5.0);
  EXPECT_NEAR(deep.a, 1600.0, 1e-9);
  EXPECT_NEAR(deep.b, 8000.0, 1e-9);
  // 12 deep: the triangle 12 x 100 / 2 = 600 at a third of 12 above the base.
  const PassiveResultant shallow = passiveResultant(-12.0, 24.0, 100.0, 0.0);
  EXPECT_NEAR(shallow.a, 600.0, 1e-9);
  EXPECT_NEAR(shallow.b, 2400.0, 1e-9);
  // A base at the ground takes none.
  EXPECT_EQ(passiveResultant(0.0, 24.0, 100.0, 0.0).a, 0.0);
}

TEST(PassivePressureForce, OpposesTheMovementSharedByTheAbsoluteDisplacements) {
  const PassiveResultant r{600.0, 2400.0};  // acting at X = -b/a = -4
  // Only along Y: all of it along Y, with its moment X·Fy about Z.
  Vector6 f = passivePressureForce(r, {0.1, 0.3, 0.0, 0.01, 0.02, 0.03});
  EXPECT_EQ(f, (Vector6{0.0, -600.0, 0.0, 0.0, 0.0, 2400.0}));
  // Equally along +Y and +Z: half each, both negative; moment Y = -X·Fz.
  f = passivePressureForce(r, {0.0, 0.2, 0.2, 0.0, 0.0, 0.0});
  EXPECT_EQ(f, (Vector6{0.0, -300.0, -300.0, 0.0, -1200.0, 1200.0}));
  // No lateral movement (at most 1.0E-14 in all): nothing, however deep the cap.
  f = passivePressureForce(r, {0.5, 6.0e-15, -4.0e-15, 0.1, 0.1, 0.1}, 1.0e-4);
  EXPECT_EQ(f, Vector6{});
  // A quarter of the movement that mobilises it, 3 : 1 between -Y and +Z: a quarter of a.
  f = passivePressureForce(r, {0.0, -1.875e-5, 0.625e-5, 0.0, 0.0, 0.0}, 1.0e-4);
  EXPECT_NEAR(f[1], 0.75 * 150.0, 1e-9);
  EXPECT_NEAR(f[2], -0.25 * 150.0, 1e-9);
}

// The deck's pile, head at X = 0, under its 60 x 60 x 24 cap (plan diagonal 60·√2), the ground
// 36 above the base, in soft clay of strength 3 (γ' = 0.02, ε50 = 0.02), with record B1a
// `method`, the soil profile `layers` deep.
std::unique_ptr<PassiveCap> member(const std::string& method, StatusCode& status, Diagnostics& diag,
                                   const char* layers = "0.0 720.0") {
  test::Deck d;
  d.switches[3] = 2;
  d.passiveMethod = method;
  d.piles = test::replaceFirst(d.piles, "90.0 0.0\n", "90.0 -36.0\n");
  d.soilLayers = test::replaceFirst(d.soilLayers, "0.02 5.0", "0.02 3.0");
  d.soilLayers = test::replaceFirst(d.soilLayers, "0.0 720.0", layers);
  AnalysisModel model;
  EXPECT_TRUE(isOk(readInputDataFile(d.text(), model, ReaderCallbacks{}).status));
  const PreparedRun prepared = prepareRun(model);
  std::unique_ptr<PassiveCap> cap;
  status = PassiveCap::build(model, prepared, PassiveSettings{}, cap, diag);
  return cap;
}

TEST(PassiveCapMember, HeadForcesAreThoseOfItsOwnPyCurvesInSoftClay) {
  StatusCode status{};
  Diagnostics diag;
  // The face lies 12 to 36 below the ground, in 4 increments.
  std::unique_ptr<PassiveCap> cap = member("1 0 4 0.0 0.0 0.0\n", status, diag);
  ASSERT_TRUE(isOk(status));
  const double u = 0.5;
  Vector6 f{};
  ASSERT_TRUE(isOk(cap->force({0.0, u, 0.0, 0.0, 0.0, 0.0}, f, diag)));
  // Matlock (1970), static: pu = (3 + γ'x/c + 0.5x/b)·c·b, p = 0.5·pu·(y/y50)^(1/3), y50 =
  // 2.5·ε50·b; summed by the trapezoidal rule at the depths 12..36, X -24..0.
  const double b = 60.0 * std::sqrt(2.0);
  double fy = 0.0, mz = 0.0, ky = 0.0;
  for (int j = 0; j <= 4; ++j) {
    const double x = 12.0 + 6.0 * j;
    const double p = 0.5 * (3.0 + 0.02 * x / 3.0 + 0.5 * x / b) * 3.0 * b *
                     std::cbrt(u / (2.5 * 0.02 * b)) * (j == 0 || j == 4 ? 3.0 : 6.0);
    fy -= p;
    mz -= p * (x - 36.0);
    ky -= p / (3.0 * u);  // the cube-root curve's slope is a third of its secant
  }
  EXPECT_NEAR(f[1], fy, 1e-9 * std::fabs(fy));
  EXPECT_NEAR(f[5], mz, 1e-9 * std::fabs(mz));
  EXPECT_EQ(f[0], 0.0);  // no axial and no torsional response
  EXPECT_EQ(f[3], 0.0);
  Matrix6 k{};
  ASSERT_TRUE(isOk(cap->stiffness({0.0, u, 0.0, 0.0, 0.0, 0.0},
                                  {1e-7, 1e-7, 1e-7, 1e-13, 1e-13, 1e-13}, k, diag)));
  EXPECT_NEAR(k[1][1], ky, 1e-5 * std::fabs(ky));
  // FHD parameters: F ULT 2400 over the 24 of the face, all of it far beyond Y MAX.
  cap = member("1 2 6 50.0 2400.0 1.5\n", status, diag);
  ASSERT_TRUE(isOk(cap->force({0.0, -10.0, 0.0, 0.0, 0.0, 0.0}, f, diag)));
  EXPECT_NEAR(f[1], 2400.0, 1e-9);
  EXPECT_NEAR(cap->record(f).position, -12.0, 1e-9);  // the middle of the face
}

TEST(PassiveCapMember, BelowTheDeepestLayerEndsTheRun) {
  StatusCode status{};
  Diagnostics diag;
  static_cast<void>(member("1 0 4 0.0 0.0 0.0\n", status, diag, "0.0 30.0"));
  EXPECT_EQ(status, StatusCode::kPileBelowDeepestLayer);
  ASSERT_EQ(diag.report.size(), 6u);
  EXPECT_EQ(diag.report[4], "     THE PILE LENGTH,   2.40E+01 (IN), EXTENDS BELOW THE");
}

}  // namespace
}  // namespace stilt
