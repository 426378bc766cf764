// Rock p-y curves against the published relations worked by hand: Reese (1997) weak rock and the
// strong-rock (vuggy limestone) relation with its bilinear start. Metric units (kN, m).
#include <gtest/gtest.h>

#include <cmath>

#include "soil/py_curve.hpp"
#include "soil/rock_py_curves.hpp"

namespace stilt {
namespace {

// A few floating operations on the same inputs: 1e-9 relative is rounding only.
void expectClose(double actual, double expected) {
  EXPECT_NEAR(actual, expected, 1e-9 * std::max(1.0, std::fabs(expected)));
}

PyNodeSoil weakRockAt(double xr, double rqd = 50.0) {
  PyNodeSoil s;
  s.x = 5.0 + xr;
  s.xu = s.x;
  s.xr = xr;
  s.b = 0.8;
  s.c = 2000.0;   // qu at x
  s.ca = 1800.0;  // qur, the average above x
  s.rqd = rqd;
  s.rockModulus = 200000.0;
  s.eps50 = 0.0005;  // krm
  return s;
}

TEST(WeakRock, StrengthReductionForRqdZeroAndHundred) {
  expectClose(weakRockStrengthReduction(0.0), 1.0);
  expectClose(weakRockStrengthReduction(100.0), 1.0 / 3.0);
  expectClose(weakRockStrengthReduction(50.0), 2.0 / 3.0);
}

TEST(WeakRock, UpperZoneCurve) {
  const WeakRockCurve c = makeWeakRock(weakRockAt(1.2));
  // αr = 2/3; pur = αr·qur·b·(1 + 1.4·xr/b) = 960·3.1 = 2976 kN/m.
  expectClose(c.pur, 2976.0);
  // Kir = (100 + 400·xr/(3b))·Emr = 300·200000 = 6.0E7; yrm = krm·b = 0.0004.
  expectClose(c.kir, 6.0e7);
  expectClose(c.yrm, 0.0004);
  // yA = (pur/(2·yrm^0.25·Kir))^(4/3) = (2976/1.697056E7)^(4/3) = 9.8262E-6.
  const double ya = std::pow(2976.0 / (2.0 * std::pow(0.0004, 0.25) * 6.0e7), 4.0 / 3.0);
  expectClose(c.ya, ya);
  expectClose(c.p(5e-6), 300.0);                                // Kir·y
  expectClose(c.p(1e-4), 0.5 * 2976.0 * std::pow(0.25, 0.25));  // 1052.18
  expectClose(c.p(16 * 0.0004), 2976.0);                        // 0.5·pur·16^0.25 = pur
  expectClose(c.p(0.01), 2976.0);
  // Continuous at yA.
  EXPECT_NEAR(c.p(ya * (1 - 1e-9)), c.p(ya * (1 + 1e-9)), 1e-6 * c.p(ya));
}

TEST(WeakRock, LowerZoneAndContinuityAtThreeDiameters) {
  const WeakRockCurve deep = makeWeakRock(weakRockAt(3.0));
  expectClose(deep.pur, 5.2 * (2.0 / 3.0) * 1800.0 * 0.8);  // 4992
  expectClose(deep.kir, 500.0 * 200000.0);
  // xr = 3b = 2.4: 1 + 1.4·3 = 5.2, so both expressions give 4992 (and Kir 500·Emr).
  for (double xr : {2.4 - 1e-7, 2.4, 2.4 + 1e-7}) {
    EXPECT_NEAR(makeWeakRock(weakRockAt(xr)).pur, 4992.0, 1e-3) << xr;
    EXPECT_NEAR(makeWeakRock(weakRockAt(xr)).kir, 1.0e8, 1e2) << xr;
  }
}

TEST(WeakRock, RqdScalesTheUltimateResistance) {
  expectClose(makeWeakRock(weakRockAt(1.2, 0.0)).pur, 1800.0 * 0.8 * 3.1);
  expectClose(makeWeakRock(weakRockAt(1.2, 100.0)).pur, 1800.0 * 0.8 * 3.1 / 3.0);
}

TEST(WeakRock, SoftRockMassNeverPassesPur) {
  PyNodeSoil s = weakRockAt(1.2);
  s.rockModulus = 1.0;  // Kir = 300: the straight line alone would run far past pur
  const WeakRockCurve c = makeWeakRock(s);
  for (double y : {1.0, 10.0, 100.0}) EXPECT_LE(c.p(y), 2976.0 + 1e-9);
}

TEST(WeakRock, ReportPointsAreMultiplesOfYrm) {
  CurveDeflections y{};
  makeWeakRock(weakRockAt(1.2)).deflections(y);
  const double f[17] = {0.0005, 0.001, 0.003, 0.006, 0.009, 0.02, 0.04, 0.06, 0.08,
                        0.1,    0.25,  0.5,   0.75,  1.0,   4.0,  8.0,  12.0};
  for (int i = 0; i < 17; ++i) expectClose(y[static_cast<std::size_t>(i)], f[i] * 0.0004);
  EXPECT_GT(y[0], 0.0);  // the first point is not at zero deflection
}

TEST(WeakRock, ZeroStrengthMessageAndCode21) {
  Diagnostics d;
  EXPECT_EQ(checkWeakRockStrength(0.0, d), StatusCode::kWeakRockZeroStrength);
  const std::vector<std::string> lines = {
      "     --------------------WARNING----------------------",
      "     THE UNIAXIAL COMPRESION STRENGTH IS 0 FOR WEAK ROCK",
      "     ACCORDING TO THE INPUT DATA.", "     PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN."};
  EXPECT_EQ(d.report, lines);
  EXPECT_EQ(d.runtime, lines);
  d.clear();
  EXPECT_EQ(checkWeakRockStrength(1.0, d), StatusCode::kCompleted);
  EXPECT_TRUE(d.empty());
}

TEST(VuggyLimestone, BilinearUpToSuBAndFlatBeyond) {
  PyNodeSoil s;
  s.c = 10000.0;  // qu; su = 5000
  s.b = 1.0;
  const VuggyLimestoneCurve c = makeVuggyLimestone(s);
  expectClose(c.p(0.0002), 2000.0 * 5000.0 * 0.0002);         // 2000
  expectClose(c.p(0.0004), 0.8 * 5000.0 * 1.0);               // p1 = 0.8·su·b at y1 = 0.0004·b
  expectClose(c.p(0.0014), 4000.0 + 100.0 * 5000.0 * 0.001);  // 4500
  expectClose(c.p(0.0024), 5000.0);                           // y2 = y1 + (su·b − p1)/(100·su)
  expectClose(c.p(0.0100), 5000.0);                           // continuous at su·b
  CurveDeflections y{};
  c.deflections(y);
  for (int i = 0; i < 17; ++i) expectClose(y[static_cast<std::size_t>(i)], i * 0.0024 / 15);
}

}  // namespace
}  // namespace stilt
