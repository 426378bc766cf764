// Clay p-y curves against the published relations worked by hand: Matlock (1970) soft clay, Reese,
// Cox and Koop (1975) stiff clay with free water, Welch and Reese (1972) stiff clay without free
// water. Units are metric (kN, m); every expected value is written out from the equations.
#include <gtest/gtest.h>

#include <cmath>

#include "soil/clay_py_curves.hpp"
#include "soil/py_curve.hpp"

namespace stilt {
namespace {

// The curves are a few floating operations on the same inputs: agreement to 1e-9 relative
// leaves room only for rounding.
void expectClose(double actual, double expected) {
  EXPECT_NEAR(actual, expected, 1e-9 * std::max(1.0, std::fabs(expected)));
}

PyNodeSoil softClayAt(double x, bool cyclic) {
  PyNodeSoil s;
  s.x = s.xu = x;
  s.b = 0.6;
  s.gamma = 8.0;
  s.c = 50.0;
  s.eps50 = 0.01;
  s.cyclic = cyclic;
  return s;
}

// ---- Soft clay ----------------------------------------------------------------------------

TEST(SoftClay, StaticShallowFollowsTheCubeRootToPu) {
  const SoftClayCurve c = makeSoftClay(softClayAt(2.0, false));
  // Np = 3 + γ'x/c + 0.5x/b = 3 + 8·2/50 + 0.5·2/0.6 = 4.986667; pu = Np·c·b = 149.6 kN/m.
  expectClose(c.pu, 149.6);
  const double y50 = 2.5 * 0.01 * 0.6;  // 0.015 m
  expectClose(c.y50, y50);
  expectClose(c.p(0.5 * y50), 0.5 * 149.6 * std::cbrt(0.5));  // 59.369
  expectClose(c.p(y50), 74.8);
  expectClose(c.p(3.0 * y50), 0.5 * 149.6 * std::cbrt(3.0));  // 107.880
  expectClose(c.p(8.0 * y50), 149.6);                         // 0.5·8^(1/3) = 1
  expectClose(c.p(12.0 * y50), 149.6);
  EXPECT_EQ(c.p(0.0), 0.0);
}

TEST(SoftClay, StaticDeepReachesNineCB) {
  // Np = 3 + 8·10/50 + 0.5·10/0.6 = 12.93, limited to 9: pu = 9·50·0.6 = 270.
  const SoftClayCurve c = makeSoftClay(softClayAt(10.0, false));
  expectClose(c.pu, 270.0);
  expectClose(c.p(0.015), 135.0);
}

TEST(SoftClay, CyclicAboveXrFallsToAResidual) {
  const SoftClayCurve c = makeSoftClay(softClayAt(2.0, true));
  // xr = 6cb/(γ'b + 0.5c) = 180/29.8 = 6.040268 m; x = 2 < xr.
  const double xr = 6.0 * 50 * 0.6 / (8.0 * 0.6 + 0.5 * 50);
  const double residual = 0.72 * 149.6 * 2.0 / xr;  // 35.665 kN/m
  const double y50 = 0.015;
  expectClose(c.p(y50), 74.8);                                   // below 3·y50 as static
  expectClose(c.p(9.0 * y50), 0.5 * (0.72 * 149.6 + residual));  // halfway from 3 to 15·y50
  expectClose(c.p(15.0 * y50), residual);
  expectClose(c.p(20.0 * y50), residual);
}

TEST(SoftClay, CyclicBelowXrFlattensAtSeventyTwoPercent) {
  const SoftClayCurve deep = makeSoftClay(softClayAt(10.0, true));  // x ≥ xr = 6.04
  expectClose(deep.p(5.0 * 0.015), 0.72 * 270.0);
  expectClose(deep.p(20.0 * 0.015), 0.72 * 270.0);
  // Just above xr (x = 6.0): pu = (3 + 0.96 + 5)·30 = 268.8, falling to 0.72·pu·x/xr at 15·y50.
  const SoftClayCurve near = makeSoftClay(softClayAt(6.0, true));
  expectClose(near.pu, 268.8);
  expectClose(near.p(15.0 * 0.015), 0.72 * 268.8 * 6.0 / (180.0 / 29.8));
}

TEST(SoftClay, NoStrengthNoResistance) {
  PyNodeSoil s = softClayAt(2.0, false);
  s.c = 0.0;
  const SoftClayCurve c = makeSoftClay(s);
  EXPECT_EQ(c.pu, 0.0);
  for (double y : {0.001, 0.1, 1.0}) EXPECT_EQ(c.p(y), 0.0);
}

TEST(SoftClay, NoStrainIsRigidPlasticNotInfinite) {
  PyNodeSoil s = softClayAt(2.0, false);
  s.eps50 = 0.0;  // y50 = 0
  const SoftClayCurve c = makeSoftClay(s);
  expectClose(c.p(1e-6), 149.6);
  EXPECT_EQ(c.p(0.0), 0.0);
  EXPECT_TRUE(std::isfinite(smallDeflectionModulus(PyCurve{c})));
}

TEST(SoftClay, SmallDeflectionModulusIsTheClosedForm) {
  const SoftClayCurve c = makeSoftClay(softClayAt(2.0, false));
  // (0.5·pu/y50)·(y50/1.0E-14)^(2/3)
  const double expected = 0.5 * 149.6 / 0.015 * std::pow(0.015 / 1e-14, 2.0 / 3.0);
  EXPECT_NEAR(smallDeflectionModulus(PyCurve{c}), expected, 1e-9 * expected);
}

TEST(SoftClay, SeventeenReportDeflections) {
  CurveDeflections y{};
  makeSoftClay(softClayAt(2.0, false)).deflections(y);
  const double y50 = 0.015;
  const double factors[17] = {0,   0.008, 0.25, 0.5,  0.75, 1.0, 1.25, 1.5, 1.75,
                              2.0, 2.25,  2.5,  2.75, 3.0,  8.0, 15.0, 20.0};
  for (int i = 0; i < 17; ++i) expectClose(y[static_cast<std::size_t>(i)], factors[i] * y50);
}

// ---- Stiff clay with free water -------------------------------------------------------------

PyNodeSoil stiffWetAt(double x, bool cyclic, double k = 1e9) {
  PyNodeSoil s;
  s.x = s.xu = x;
  s.b = 0.5;
  s.gamma = 9.0;
  s.c = 100.0;
  s.ca = 80.0;
  s.eps50 = 0.005;
  s.k = k;  // large: the initial line stays out of the way unless a test lowers it
  s.cyclic = cyclic;
  return s;
}

TEST(StiffClayFreeWater, TableMidpoints) {
  expectClose(stiffClayStaticCoefficient(0.5), 0.3415);  // (0.223 + 0.46)/2
  expectClose(stiffClayCyclicCoefficient(0.5), 0.245);   // (0.2 + 0.29)/2
  expectClose(stiffClayStaticCoefficient(7.0), 0.6);
  expectClose(stiffClayCyclicCoefficient(4.0), 0.3);
}

TEST(StiffClayFreeWater, StaticBranchesAtXOverBHalf) {
  const StiffClayFreeWaterCurve c = makeStiffClayFreeWater(stiffWetAt(0.25, false));
  // pct = 2·ca·b + γ'·b·x + 2.83·ca·x = 80 + 1.125 + 56.6 = 137.725; pcd = 11·c·b = 550.
  const double pc = 137.725;
  expectClose(c.pc, pc);
  const double as = 0.3415, y50 = 0.0025, a = as * y50;
  expectClose(c.p(0.5 * a), 0.5 * pc * std::sqrt(0.5 * as));  // 28.455
  expectClose(c.p(3.0 * a), 0.5 * pc * std::sqrt(3.0 * as) - 0.055 * pc * std::pow(2.0, 1.25));
  // 10·As·y50: 0.5·pc·√(6As) − 0.411·pc − 0.0625·pc·(4·As·y50)/y50 = 30.209
  expectClose(c.p(10.0 * a), pc * (0.5 * std::sqrt(6.0 * as) - 0.411 - 0.25 * as));
  // Beyond 18·As·y50: pc·(0.5·√(6As) − 0.411 − 0.75·As) = 6.692
  expectClose(c.p(30.0 * a), pc * (0.5 * std::sqrt(6.0 * as) - 0.411 - 0.75 * as));
}

TEST(StiffClayFreeWater, StaticBranchesJoin) {
  const StiffClayFreeWaterCurve c = makeStiffClayFreeWater(stiffWetAt(0.25, false));
  const double a = 0.3415 * 0.0025;
  for (double at : {a, 6.0 * a, 18.0 * a}) {
    // The joins are continuous: the 0.411 and 0.75·As terms are the rounded branch values.
    EXPECT_NEAR(c.p(at * (1 - 1e-9)), c.p(at * (1 + 1e-9)), 2e-3 * c.pc) << at / a;
  }
}

TEST(StiffClayFreeWater, CyclicBranchesAtXOverBHalf) {
  const StiffClayFreeWaterCurve c = makeStiffClayFreeWater(stiffWetAt(0.25, true));
  const double pc = 137.725, ac = 0.245, y50 = 0.0025, yp = 4.1 * ac * y50;
  expectClose(c.p(0.45 * yp), ac * pc);  // the peak, 33.743
  expectClose(c.p(0.3 * yp), ac * pc * (1.0 - std::pow(1.0 / 3.0, 2.5)));
  expectClose(c.p(yp), 0.936 * ac * pc - 0.085 / y50 * pc * 0.4 * yp);  // 26.879
  expectClose(c.p(5.0 * yp), 0.936 * ac * pc - 0.102 / y50 * pc * yp);  // 17.472
}

TEST(StiffClayFreeWater, DeepNodeUsesPcdAndTheLastTableValues) {
  // x = 3, x/b = 6: pct = 80 + 13.5 + 679.2 = 772.7 > pcd = 550; As = 0.6, Ac = 0.3.
  const StiffClayFreeWaterCurve s = makeStiffClayFreeWater(stiffWetAt(3.0, false));
  expectClose(s.pc, 550.0);
  const double y200 = 200.0 * 0.6 * 0.0025;
  expectClose(s.p(y200), 550.0 * (0.5 * std::sqrt(3.6) - 0.411 - 0.45));  // 48.226
  const StiffClayFreeWaterCurve c = makeStiffClayFreeWater(stiffWetAt(3.0, true));
  expectClose(c.p(0.45 * 4.1 * 0.3 * 0.0025), 0.3 * 550.0);
}

TEST(StiffClayFreeWater, DeepNodeBranches) {
  // x = 3: pc = 550, As = 0.6, Ac = 0.3, y50 = 0.0025.
  const double pc = 550.0, y50 = 0.0025;
  const StiffClayFreeWaterCurve s = makeStiffClayFreeWater(stiffWetAt(3.0, false));
  const double a = 0.6 * y50;
  expectClose(s.p(0.5 * a), 0.5 * pc * std::sqrt(0.3));                        // 150.62
  expectClose(s.p(10 * a), pc * (0.5 * std::sqrt(3.6) - 0.411 - 0.25 * 0.6));  // 213.2
  const StiffClayFreeWaterCurve c = makeStiffClayFreeWater(stiffWetAt(3.0, true));
  const double yp = 4.1 * 0.3 * y50;
  expectClose(c.p(0.3 * yp), 0.3 * pc * (1.0 - std::pow(1.0 / 3.0, 2.5)));
  expectClose(c.p(yp), 0.936 * 0.3 * pc - 0.085 / y50 * pc * 0.4 * yp);
  expectClose(c.p(3 * yp), 0.936 * 0.3 * pc - 0.102 / y50 * pc * yp);
}

TEST(StiffClayFreeWater, ReportPointsEndAtTwoHundredAsY50) {
  CurveDeflections y{};
  makeStiffClayFreeWater(stiffWetAt(0.25, false)).deflections(y);
  const double a = 0.3415 * 0.0025;
  for (int i = 0; i < 13; ++i) expectClose(y[static_cast<std::size_t>(i)], 0.5 * i * a);
  expectClose(y[13], 10 * a);
  expectClose(y[14], 14 * a);
  expectClose(y[15], 18 * a);
  expectClose(y[16], 200 * a);
  makeStiffClayFreeWater(stiffWetAt(0.25, true)).deflections(y);
  const double yp = 4.1 * 0.245 * 0.0025;
  expectClose(y[12], 0.6 * yp);
  expectClose(y[16], 20 * yp);
}

TEST(StiffClayFreeWater, InitialLineCapsTheCurve) {
  // k = 1000, x = 0.25: k·x = 250 kN/m per m of deflection.
  const StiffClayFreeWaterCurve c = makeStiffClayFreeWater(stiffWetAt(0.25, false, 1000.0));
  const double y = 0.5 * 0.3415 * 0.0025;
  expectClose(c.p(y), 250.0 * y);
}

// ---- Stiff clay without free water ----------------------------------------------------------

PyNodeSoil stiffDryAt(double x, bool cyclic, int cycles = 1) {
  PyNodeSoil s;
  s.x = s.xu = x;
  s.b = 0.6;
  s.gamma = 10.0;
  s.c = 100.0;
  s.ca = 90.0;
  s.eps50 = 0.004;
  s.cyclic = cyclic;
  s.cycles = cycles;
  return s;
}

TEST(StiffClayNoFreeWater, StaticReachesPuExactlyAtSixteenY50) {
  const StiffClayNoFreeWaterCurve c = makeStiffClayNoFreeWater(stiffDryAt(1.5, false), false);
  // pu = min(3·ca·b + γ'·b·x + 0.5·ca·x, 9·c·b) = min(162 + 9 + 67.5, 540) = 238.5
  expectClose(c.pu, 238.5);
  const double y50 = 2.5 * 0.004 * 0.6;  // 0.006
  expectClose(c.p(y50), 119.25);
  expectClose(c.p(8 * y50), 119.25 * std::pow(8.0, 0.25));  // 200.55
  expectClose(c.p(16 * y50), 238.5);
  EXPECT_NEAR(c.p(16 * y50 * (1 - 1e-12)), 238.5, 1e-9);  // continuous into pu
  expectClose(c.p(20 * y50), 238.5);
  expectClose(c.bigK, 16.0);
}

TEST(StiffClayNoFreeWater, DeepNodeLimitedToNineCB) {
  // min(162 + 36 + 270, 540) = 468
  expectClose(makeStiffClayNoFreeWater(stiffDryAt(6.0, false), false).pu, 468.0);
}

TEST(StiffClayNoFreeWater, HundredCyclesStretchTheCurveToK) {
  const StiffClayNoFreeWaterCurve c = makeStiffClayNoFreeWater(stiffDryAt(1.5, true, 100), false);
  // K = 16 + 9.6·log10(100) = 35.2; y50 is stretched by 1 + 0.6·2 = 2.2.
  expectClose(c.bigK, 35.2);
  const double y50 = 0.006;
  expectClose(c.p(2.2 * y50), 119.25);
  expectClose(c.p(30 * y50), 119.25 * std::pow(30 / 2.2, 0.25));  // 229.16
  expectClose(c.p(35.2 * y50), 238.5);
  expectClose(c.p(40 * y50), 238.5);
  CurveDeflections y{};
  c.deflections(y);
  for (int i = 0; i < 16; ++i) expectClose(y[static_cast<std::size_t>(i)], i * 35.2 * y50 / 15);
  expectClose(y[16], 1.25 * 35.2 * y50);
}

TEST(StiffClayNoFreeWater, DeepNodeStaticAndCyclic) {
  // x = 6: pu = 468, y50 = 0.006.
  const StiffClayNoFreeWaterCurve s = makeStiffClayNoFreeWater(stiffDryAt(6.0, false), false);
  expectClose(s.p(0.006), 234.0);
  expectClose(s.p(4 * 0.006), 234.0 * std::sqrt(2.0));  // 4^(1/4) = √2
  expectClose(s.p(16 * 0.006), 468.0);
  const StiffClayNoFreeWaterCurve c = makeStiffClayNoFreeWater(stiffDryAt(6.0, true, 100), false);
  expectClose(c.p(2.2 * 0.006), 234.0);
  expectClose(c.p(10 * 0.006), 234.0 * std::pow(10 / 2.2, 0.25));
  expectClose(c.p(35.2 * 0.006), 468.0);
}

TEST(StiffClayNoFreeWater, CyclicWithNoCyclesCountsOne) {
  const StiffClayNoFreeWaterCurve c = makeStiffClayNoFreeWater(stiffDryAt(1.5, true, 0), false);
  expectClose(c.bigK, 16.0);
  expectClose(c.p(0.006), 119.25);
}

TEST(StiffClayInitialK, CyclicDeepNode) {
  PyNodeSoil s = stiffDryAt(6.0, true, 100);
  s.k = 5000.0;  // k·x = 30000
  const StiffClayNoFreeWaterCurve c = makeStiffClayNoFreeWater(s, true);
  // y = 0.001: 0.5·468·(0.001/(2.2·0.006))^(1/4) = 122.8 lies above k·x·y = 30.
  expectClose(c.p(0.001), 30.0);
  expectClose(c.p(0.1), 234.0 * std::pow(0.1 / (2.2 * 0.006), 0.25));  // 388.2 < 3000
  expectClose(c.p(1.0), 468.0);
}

TEST(StiffClayInitialK, BoundedByKxyWithModulusKx) {
  PyNodeSoil s = stiffDryAt(1.5, false);
  s.k = 5000.0;  // k·x = 7500
  const StiffClayNoFreeWaterCurve c = makeStiffClayNoFreeWater(s, true);
  expectClose(c.p(0.001), 7.5);  // the line is below 0.5·pu·(1/6)^(1/4) = 76.19
  expectClose(c.p(0.05), 119.25 * std::pow(0.05 / 0.006, 0.25));  // 202.61 < 375
  EXPECT_NEAR(smallDeflectionModulus(PyCurve{c}), 7500.0, 1e-9);
  // Without the initial k the small-deflection modulus is (0.5·pu/y50)·(y50/1.0E-14)^(3/4).
  const double open = 0.5 * 238.5 / 0.006 * std::pow(0.006 / 1e-14, 0.75);
  EXPECT_NEAR(smallDeflectionModulus(PyCurve{makeStiffClayNoFreeWater(s, false)}), open,
              1e-9 * open);
}

}  // namespace
}  // namespace stilt
