// Granular p-y curves against the published relations worked by hand: Reese, Cox and Koop (1974)
// sand, silt (the sand curve with Matlock's cohesive part), API RP 2A sand, and Rollins et al.
// (2005) liquefied sand. The trigonometric intermediates (tan 62.5°, Ka, the wedge and flow
// resistances, C1..C3) were evaluated separately from the formulas and are written out below.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "soil/py_curve.hpp"
#include "soil/sand_py_curves.hpp"

namespace stilt {
namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// Curves are a few floating operations on the same inputs: 1e-9 relative is rounding only.
void expectClose(double actual, double expected) {
  EXPECT_NEAR(actual, expected, 1e-9 * std::max(1.0, std::fabs(expected)));
}
// Intermediates written out to 7 significant digits: compare at 1e-6 relative.
void expectSeven(double actual, double expected) {
  EXPECT_NEAR(actual, expected, 1e-6 * std::fabs(expected));
}

PyNodeSoil sandAt(double x, bool cyclic) {
  PyNodeSoil s;
  s.x = s.xu = x;
  s.b = 0.6;
  s.gamma = 10.0;
  s.phi = 35.0 * kDeg;
  s.k = 20000.0;
  s.cyclic = cyclic;
  return s;
}

// ---- Coefficient tables --------------------------------------------------------------------

TEST(SandTables, FirstSegmentMidpointsAndBeyondSix) {
  SandCoefficients ab = sandCoefficients(0.25, false);
  expectClose(ab.a, 2.655);  // (2.83 + 2.48)/2
  expectClose(ab.b, 1.985);  // (2.14 + 1.83)/2
  ab = sandCoefficients(0.25, true);
  expectClose(ab.a, 0.84);
  expectClose(ab.b, 0.625);
  ab = sandCoefficients(7.0, false);
  expectClose(ab.a, 0.88);
  expectClose(ab.b, 0.5);
  ab = sandCoefficients(3.5, true);  // between 3 and 4
  expectClose(ab.a, 0.92);
  expectClose(ab.b, 0.625);
}

// ---- Sand, Reese, Cox and Koop (1974) ------------------------------------------------------

TEST(Sand, WedgeAndFlowResistance) {
  // φ = 35°: β = 62.5°, tan β = 1.920982, Ka = tan² 27.5° = 0.2709901.
  // x = 0.15: wedge pst = 3.745615, flow psd = 48.41411 -> the wedge governs.
  expectSeven(sandUltimateResistance(35 * kDeg, 10.0, 0.15, 0.6), 3.745615);
  // x = 4.2: wedge 610.1503, flow 1355.595 -> still the wedge.
  expectSeven(sandUltimateResistance(35 * kDeg, 10.0, 4.2, 0.6), 610.1503);
  EXPECT_EQ(sandUltimateResistance(35 * kDeg, 10.0, 0.0, 0.6), 0.0);
}

TEST(Sand, StaticCurveAtQuarterDiameter) {
  const SandCurve c = makeSand(sandAt(0.15, false));
  const double ps = 3.7456147;
  const double pu = 2.655 * ps, pm = 1.985 * ps;  // 9.94461, 7.43505
  expectSeven(c.pu, pu);
  expectSeven(c.pm, pm);
  const double ym = 0.6 / 60, yu = 3 * 0.6 / 80;  // 0.01, 0.0225
  const double m = (pu - pm) / (yu - ym);         // 200.765
  const double n = pm / (m * ym);                 // 3.703358
  expectSeven(1.0 / c.invN, n);
  // Parabola C·y^(1/n) with C = pm/ym^(1/n): at y = 0.005 it is below k·x·y = 3000·0.005 = 15.
  expectSeven(c.p(0.005), pm / std::pow(ym, 1 / n) * std::pow(0.005, 1 / n));  // 6.165
  // At y = 0.001 the parabola (3.99) lies above the initial line k·x·y = 3.
  expectClose(c.p(0.001), 3.0);
  expectSeven(c.p(ym), pm);
  expectSeven(c.p(0.015), pm + m * 0.005);  // on the straight segment
  expectSeven(c.p(yu), pu);
  expectSeven(c.p(0.05), pu);
}

TEST(Sand, ParabolaMeetsTheSegmentWithItsSlope) {
  const SandCurve c = makeSand(sandAt(0.15, false));
  const double ym = 0.01, h = 1e-7;
  const double left = (c.p(ym) - c.p(ym - h)) / h;
  // The parabola's slope at ym is pm/(n·ym) = m: within the finite-difference error.
  EXPECT_NEAR(left, c.slope, 1e-4 * c.slope);
}

TEST(Sand, DeepStaticAndCyclicUseTheLastTableRow) {
  const double ps = 610.1503;
  SandCurve c = makeSand(sandAt(4.2, false));  // x/b = 7
  expectSeven(c.pu, 0.88 * ps);
  expectSeven(c.pm, 0.5 * ps);
  c = makeSand(sandAt(4.2, true));
  expectSeven(c.pu, 0.88 * ps);
  expectSeven(c.pm, 0.55 * ps);
  c = makeSand(sandAt(0.15, true));  // A = 0.84, B = 0.625 at x/b = 0.25
  expectSeven(c.pu, 0.84 * 3.7456147);
  expectSeven(c.p(1.0), 0.84 * 3.7456147);
}

TEST(Sand, CurvePointsAtDepthAndUnderCyclicLoading) {
  struct Case {
    double x;
    bool cyclic;
    double ps, a, b;
  };
  // ps from the wedge expression (worked above); A and B from the tables at x/b.
  for (const Case& k :
       {Case{4.2, false, 610.1503, 0.88, 0.5}, Case{4.2, true, 610.1503, 0.88, 0.55},
        Case{0.15, true, 3.7456147, 0.84, 0.625}}) {
    const SandCurve c = makeSand(sandAt(k.x, k.cyclic));
    const double pu = k.a * k.ps, pm = k.b * k.ps, ym = 0.01, yu = 0.0225;
    const double m = (pu - pm) / (yu - ym);
    const double n = pm / (m * ym);
    // At y = 0.005 the parabola lies below k·x·y (420 at x = 4.2, 15 at x = 0.15).
    expectSeven(c.p(0.005), pm * std::pow(0.005 / ym, 1 / n));
    expectSeven(c.p(0.015), pm + m * 0.005);
    expectSeven(c.p(0.1), pu);
  }
}

TEST(Sand, ReportPoints) {
  CurveDeflections y{};
  makeSand(sandAt(0.15, false)).deflections(y);
  for (int i = 0; i < 13; ++i) expectClose(y[static_cast<std::size_t>(i)], i * 0.01 / 12);
  expectClose(y[13], 0.0225);
  expectClose(y[14], 0.6225);
  expectClose(y[15], 1.2225);
  expectClose(y[16], 1.8225);
}

TEST(Sand, NoFrictionGivesNoResistanceNotNaN) {
  PyNodeSoil s = sandAt(1.0, false);
  s.phi = 0.0;  // Ka = 1, tan β = 1: flow resistance 0
  const SandCurve c = makeSand(s);
  EXPECT_EQ(c.pu, 0.0);
  EXPECT_EQ(c.p(0.01), 0.0);
  EXPECT_TRUE(std::isfinite(c.invN));
}

// The curve without the shortcut below the crossing with the initial line: the branches and the
// bound by k·x·y exactly as published.
double fullSandP(const SandCurve& c, double y) {
  if (!(y > 0.0) || c.pu <= 0.0) return 0.0;
  double p = c.pu;
  if (y <= c.ym) {
    p = c.pm * std::pow(y / c.ym, c.invN);
  } else if (y <= c.yu) {
    p = c.pm + c.slope * (y - c.ym);
  }
  return std::min(p, c.kx * y);
}

TEST(Sand, TheInitialLineShortcutGivesTheSameNumbers) {
  // Static and cyclic sand and silt at depths from 0.05 to 12 m (x/b up to 20), with stiff and
  // soft subgrade moduli: every deflection from 1E-12·ym to 3·ym, and a dense band around the
  // crossing of parabola and line, gives bit for bit the value of the full expression.
  int shortcuts = 0;
  for (bool silt : {false, true}) {
    for (bool cyclic : {false, true}) {
      for (double x : {0.05, 0.15, 0.6, 1.5, 4.2, 12.0}) {
        for (double k : {2000.0, 20000.0, 200000.0}) {
          PyNodeSoil s = sandAt(x, cyclic);
          s.k = k;
          s.c = silt ? 15.0 : 0.0;
          const SandCurve c = silt ? makeSilt(s) : makeSand(s);
          if (c.lineBelow > 0.0) ++shortcuts;
          std::vector<double> ys;
          for (double t = 1e-12; t < 3.0; t *= 1.07) ys.push_back(t * c.ym);
          for (int i = -200; i <= 200; ++i) ys.push_back(c.lineBelow * (1.0 + i * 5.0e-9));
          for (double y : ys) {
            EXPECT_EQ(c.p(y), fullSandP(c, y)) << x << " " << k << " " << y;
          }
        }
      }
    }
  }
  EXPECT_GT(shortcuts, 40);  // of 72 curves: the shortcut is in use, not switched off
}

TEST(Sand, TheShortcutStopsJustBelowTheCrossing) {
  // The crossing found by bisection on the full curve: where the parabola stops being above the
  // line. The shortcut ends a relative 1E-6 below it (the bisection is run to 1E-14).
  const SandCurve c = makeSand(sandAt(1.5, false));
  ASSERT_GT(c.lineBelow, 0.0);
  double lo = 1e-12 * c.ym;
  double hi = c.ym;
  ASSERT_LT(c.kx * lo, c.pm * std::pow(lo / c.ym, c.invN));
  ASSERT_GT(c.kx * hi, c.pm);
  while (hi - lo > 1e-14 * hi) {
    const double mid = 0.5 * (lo + hi);
    (c.kx * mid < c.pm * std::pow(mid / c.ym, c.invN) ? lo : hi) = mid;
  }
  EXPECT_NEAR(c.lineBelow, lo * (1.0 - 1.0e-6), 1e-12 * lo);
}

// ---- Silt ----------------------------------------------------------------------------------

TEST(Silt, SandPartPlusCohesivePart) {
  PyNodeSoil s = sandAt(1.2, false);
  s.phi = 30 * kDeg;
  s.gamma = 9.0;
  s.c = 20.0;
  s.k = 15000.0;
  const SandCurve c = makeSilt(s);
  // ps: φ = 30°, x = 1.2 -> wedge 42.05569 < flow 186.2684.
  // pc = min(3 + γ'x/c + 0.5x/b, 9)·c·b = (3 + 0.54 + 1)·12 = 54.48.
  // x/b = 2: A = 1.48, B = 1.05; pu = 1.48·42.05569 + 54.48 = 116.7224.
  const double pu = 1.48 * 42.05569 + 54.48;
  expectSeven(c.pu, pu);
  expectSeven(c.pm, 1.05 / 1.48 * pu);  // the sand shape: pm/pu = B/A
  expectSeven(c.p(0.0225), pu);
  expectSeven(c.p(0.01), 1.05 / 1.48 * pu);  // k·x·y = 180 stays above
  expectSeven(c.p(1.0), pu);
}

TEST(Silt, CyclicAndDeeperNode) {
  PyNodeSoil s = sandAt(1.2, true);
  s.phi = 30 * kDeg;
  s.gamma = 9.0;
  s.c = 20.0;
  s.k = 15000.0;
  // Cyclic at x/b = 2: A = 1.03, B = 0.82.
  double pu = 1.03 * 42.05569 + 54.48;
  double pm = 0.82 / 1.03 * pu;
  SandCurve c = makeSilt(s);
  expectSeven(c.p(0.01), pm);
  expectSeven(c.p(0.015), pm + (pu - pm) / 0.0125 * 0.005);
  expectSeven(c.p(0.0225), pu);
  // x = 3 (x/b = 5), static: ps = 198.0481 (wedge), pc = (3 + 1.35 + 2.5)·12 = 82.2;
  // A = 0.88, B = 0.5.
  s.x = s.xu = 3.0;
  s.cyclic = false;
  c = makeSilt(s);
  pu = 0.88 * 198.0481 + 82.2;
  pm = 0.5 / 0.88 * pu;
  expectSeven(c.pu, pu);
  expectSeven(c.p(0.01), pm);
  expectSeven(c.p(0.005), pm * std::pow(0.5, c.invN));  // k·x·y = 225 is above
  expectSeven(c.p(0.5), pu);
}

TEST(Silt, ContinuousAndNeverDecreasingUpToPu) {
  PyNodeSoil s = sandAt(1.2, false);
  s.phi = 30 * kDeg;
  s.c = 20.0;
  for (bool cyclic : {false, true}) {
    s.cyclic = cyclic;
    const SandCurve c = makeSilt(s);
    double last = 0.0;
    for (int i = 1; i <= 3000; ++i) {
      const double y = 0.03 * i / 3000.0;
      const double p = c.p(y);
      EXPECT_GE(p, last - 1e-12) << y;
      EXPECT_LE(p - last, 0.01 * c.pu) << "jump at " << y;  // no step on a fine grid
      last = p;
    }
    expectClose(last, c.pu);
  }
}

// ---- API RP 2A sand ----------------------------------------------------------------------

TEST(ApiSand, CoefficientsForThirtyFiveDegrees) {
  const ApiSandCoefficients c = apiSandCoefficients(35 * kDeg);
  // C1 = tanβ·(K0·(tanφ·sinβ·(1/cosα + 1) − tanα) + Kp·tanα), C2 = Kp − Ka,
  // C3 = Kp²·(Kp + K0·tanφ) − Ka with Kp = 3.690172, Ka = 0.2709901.
  expectSeven(c.c1, 2.970448);
  expectSeven(c.c2, 3.419182);
  expectSeven(c.c3, 53.79345);
}

TEST(ApiSand, StaticFactorAtOneDiameterIsTwoPointTwo) {
  const ApiSandCurve c = makeApiSand(sandAt(0.6, false));
  // x = 0.6 < (C3 − C2)·b/C1 = 10.18: pu = (C1·x + C2·b)·γ'·x = 23.00267; A = 3 − 0.8 = 2.2.
  const double apu = 2.2 * 23.00267;
  expectSeven(c.apu, apu);
  const double kx = 20000.0 * 0.6;
  expectSeven(c.p(0.001), apu * std::tanh(kx * 0.001 / apu));  // 11.78
  expectSeven(c.p(0.01), apu * std::tanh(kx * 0.01 / apu));    // 49.73
}

TEST(ApiSand, StaticFactorFloorIsPointNineAtThreeDiameters) {
  const ApiSandCurve c = makeApiSand(sandAt(1.8, false));
  // 3.0 − 0.8·3 = 0.6 is raised to 0.9; pu = 133.1697 (shallow form).
  expectSeven(c.apu, 0.9 * 133.1697);
  expectSeven(makeApiSand(sandAt(0.6, true)).apu, 0.9 * 23.00267);  // cyclic: always 0.9
}

TEST(ApiSand, CurvePointsAtThreeDiametersAndCyclic) {
  const ApiSandCurve s = makeApiSand(sandAt(1.8, false));
  const double apu = 0.9 * 133.1697, kx = 20000.0 * 1.8;
  expectSeven(s.p(0.001), apu * std::tanh(kx * 0.001 / apu));  // 31.3
  expectSeven(s.p(0.01), apu * std::tanh(kx * 0.01 / apu));    // 119.3
  const ApiSandCurve c = makeApiSand(sandAt(0.6, true));
  const double capu = 0.9 * 23.00267;
  expectSeven(c.p(0.002), capu * std::tanh(12000.0 * 0.002 / capu));
}

TEST(ApiSand, DeepNodeUsesTheDeepForm) {
  // x = 12 > 10.18: pud = C3·b·γ'·x = 53.79345·0.6·10·12 = 3873.128.
  const ApiSandCurve c = makeApiSand(sandAt(12.0, false));
  expectSeven(c.apu, 0.9 * 3873.128);
}

TEST(ApiSand, FrictionAndSlopeChecks) {
  Diagnostics d;
  EXPECT_EQ(checkFrictionAngle(false, 0.0, 0.0, d), StatusCode::kSandZeroFrictionAngle);
  const std::vector<std::string> sand = {
      "     --------------------WARNING----------------------",
      "     THE FRICTION ANGLE IS 0 FOR SAND ACCORING TO THE INPUT",
      "     DATA. PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN."};
  EXPECT_EQ(d.report, sand);
  EXPECT_EQ(d.runtime, sand);
  d.clear();
  EXPECT_EQ(checkFrictionAngle(true, 5e-11, 0.0, d), StatusCode::kSiltZeroFrictionAngle);
  EXPECT_EQ(d.report[1], "     THE FRICTION ANGLE IS 0 FOR SILT ACCORING TO THE INPUT");
  d.clear();
  // A slope steeper than φ only warns, in the report.
  EXPECT_EQ(checkFrictionAngle(true, 0.3, 0.4, d), StatusCode::kCompleted);
  const std::vector<std::string> slope = {"     WARNING-------The Angle of the slope can not",
                                          "     be greater than the internal",
                                          "     friction angle of the silt."};
  EXPECT_EQ(d.report, slope);
  EXPECT_TRUE(d.runtime.empty());
  d.clear();
  EXPECT_EQ(checkFrictionAngle(false, 0.3, 0.0, d), StatusCode::kCompleted);
  EXPECT_TRUE(d.empty());
}

// ---- Liquefied sand, Rollins et al. (2005) -----------------------------------------------

PyNodeSoil liquefiedAt(double x, double b, double gamma, int units) {
  PyNodeSoil s;
  s.x = s.xu = x;
  s.b = b;
  s.gamma = gamma;
  s.unitsCode = units;
  return s;
}

TEST(LiquefiedSand, MetricCurveAndItsCaps) {
  const LiquefiedSandCurve c = makeLiquefiedSand(liquefiedAt(3.0, 0.6, 9.0, 2));
  // σ' = 27 kPa, z = 2.7 + 1 = 3.7; A = 3.0E-7·3.7^6.05 = 8.217537E-4, B = 2.80·3.7^0.11 =
  // 3.233406, C = 2.85·3.7^-0.41 = 1.666795; Pd = 3.81·ln 0.6 + 5.6 = 3.653754.
  expectSeven(c.bCoef, 3.233406);
  expectSeven(c.exponent, 1.666795);
  expectSeven(c.p(0.005), 0.3104700);  // y = 5 mm
  expectSeven(c.p(0.020), 3.129898);
  expectSeven(c.p(0.050), 14.41500);
  expectSeven(c.pu, 285.6492);    // the expression at b/2 = 300 mm
  expectClose(c.p(0.150), 15.0);  // 89.97 capped at 15 kN/m
}

TEST(LiquefiedSand, DeeperNode) {
  // x = 6: σ' = 54 kPa, z = 6.4, B = 3.434297, C = 1.331408.
  const LiquefiedSandCurve c = makeLiquefiedSand(liquefiedAt(6.0, 0.6, 9.0, 2));
  expectSeven(c.p(0.005), 3.641515);
  expectClose(c.p(0.020), 15.0);  // 23.06 capped
  expectSeven(c.pu, 848.6457);
}

TEST(LiquefiedSand, EnglishUnitsConvertDepthDiameterAndForce) {
  const LiquefiedSandCurve c = makeLiquefiedSand(liquefiedAt(120.0, 24.0, 0.0333, 1));
  // σ' = 3.996 psi -> z = 3.996/0.036·0.0254 + 1 = 3.8194; b = 0.6096 m; p times 5.7143.
  expectSeven(c.p(20.0 / 25.4), 20.25460);  // 20 mm in inches, lb/in
  expectClose(c.p(50.0 / 25.4), 85.0);      // 91.46 capped at 85 lb/in
}

TEST(LiquefiedSand, NeverAboveFifteenKilonewtonsPerMetre) {
  for (double x : {0.5, 3.0, 10.0, 30.0}) {
    for (double b : {0.3, 0.6, 1.5, 2.5}) {
      const LiquefiedSandCurve c = makeLiquefiedSand(liquefiedAt(x, b, 10.0, 2));
      for (int i = 0; i <= 200; ++i) EXPECT_LE(c.p(0.005 * i), 15.0);
    }
  }
}

TEST(LiquefiedSand, ThinPileGetsNoNegativeResistance) {
  // b = 0.2 m: 3.81·ln 0.2 + 5.6 = −0.53 would push the pile on; it is held at 0.
  const LiquefiedSandCurve c = makeLiquefiedSand(liquefiedAt(3.0, 0.2, 9.0, 2));
  EXPECT_EQ(c.p(0.05), 0.0);
}

TEST(LiquefiedSand, ReportPointsFromAboutOnePointThreeToOneHundredFiftyMillimetres) {
  CurveDeflections y{};
  makeLiquefiedSand(liquefiedAt(3.0, 0.6, 9.0, 2)).deflections(y);
  EXPECT_NEAR(y[0], 1.3427816e-3, 1e-10);  // 10^0.12800537 = 1.3427816 mm
  EXPECT_NEAR(y[16], 0.150, 1e-7);         // 10^2.176 mm
  makeLiquefiedSand(liquefiedAt(120.0, 24.0, 0.0333, 1)).deflections(y);
  EXPECT_NEAR(y[16], 150.0 / 25.4, 1e-5);
}

}  // namespace
}  // namespace stilt
