// The soil springs of one pile: dispatch by soil type, nodes without soil, the group multipliers
// and depth-wise factors in solver and curve mode, running averages, the equivalent depth of
// layered soil, user curves, and the failures with their messages. Expected values are worked by
// hand from Matlock (1970) and the other published relations.
#include <gtest/gtest.h>

#include <cmath>

#include "soil/py_soil.hpp"

namespace stilt {
namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// A few floating operations on the same inputs: 1e-9 relative is rounding only.
void expectClose(double actual, double expected) {
  EXPECT_NEAR(actual, expected, 1e-9 * std::max(1.0, std::fabs(expected)));
}

using Row = std::array<double, 11>;  // [1] γ', [2] c, [3] φ deg, [4] k, [5] Er, [6] ε50, [7] RQD

SoilLayer layer(int type, double top, double bottom, Row atTop, Row atBottom) {
  SoilLayer l;
  l.soilType = type;
  l.top = top;
  l.bottom = bottom;
  l.parameters[0] = atTop;
  l.parameters[1] = atBottom;
  return l;
}

SoilProfile profileOf(std::vector<SoilLayer> layers, int units = 2) {
  AnalysisModel m;
  m.switches.values[1] = units;
  m.soilLayers = std::move(layers);
  return buildSoilProfile(m);
}

// Soft clay 0..20 m: γ' = 8 kN/m3, c = 50 kPa, ε50 = 0.01.
SoilProfile softClay(int code = 1) {
  return profileOf({layer(code, 0, 20, {0, 8, 50, 0, 0, 0, 0.01}, {0, 8, 50, 0, 0, 0, 0.01})});
}

struct Pile {
  std::vector<double> depths;
  std::vector<double> widths;
};

Pile pileAt(std::vector<double> depths, double b = 0.6) {
  return {depths, std::vector<double>(depths.size(), b)};
}

PySoil build(const SoilProfile& profile, const Pile& pile, bool cyclic = false,
             const UserPyCurveSet* set = nullptr, const DepthReductionFactorSet* rf = nullptr) {
  PySoilInput in;
  in.profile = &profile;
  in.depths = pile.depths;
  in.widths = pile.widths;
  in.cyclic = cyclic;
  in.userCurves = set;
  in.reductionFactors = rf;
  PySoil soil;
  Diagnostics d;
  EXPECT_EQ(PySoil::build(in, soil, d), StatusCode::kCompleted);
  return soil;
}

std::vector<double> moduli(const PySoil& soil, double y, PyMultipliers m = {}) {
  const std::vector<double> ys(static_cast<std::size_t>(soil.nodeCount()), y);
  std::vector<double> es(ys.size(), -1.0);
  Diagnostics d;
  EXPECT_EQ(soil.secantModuli(ys, m, es, d), StatusCode::kCompleted);
  EXPECT_TRUE(d.empty());
  return es;
}

// Matlock static soft clay of the profile above at depth x (first layer), b = 0.6.
double softClayP(double x, double y) {
  const double pu = std::min(3.0 + 8.0 * x / 50.0 + 0.5 * x / 0.6, 9.0) * 50.0 * 0.6;
  const double y50 = 2.5 * 0.01 * 0.6;
  return y >= 8 * y50 ? pu : 0.5 * pu * std::cbrt(y / y50);
}

// ---- Nodes without soil, dispatch ---------------------------------------------------------

TEST(PySoilNodes, AboveAndJustBelowTheGroundHaveNoResistance) {
  const SoilProfile profile = softClay();
  const PySoil soil = build(profile, pileAt({-1.0, 1e-7, 2.0, 10.0}));
  const std::vector<double> es = moduli(soil, 0.015);
  EXPECT_EQ(es[0], 0.0);
  EXPECT_EQ(es[1], 0.0);              // 1.0E-7 is within 1.0E-6 of the surface
  expectClose(es[2], 74.8 / 0.015);   // pu = 149.6 at x = 2, p(y50) = pu/2
  expectClose(es[3], 135.0 / 0.015);  // pu = 9·c·b = 270 at x = 10
  std::vector<double> initial(4, -1.0);
  Diagnostics d;
  ASSERT_EQ(soil.initialModuli(initial, d), StatusCode::kCompleted);
  EXPECT_EQ(initial[0], 0.0);
  EXPECT_EQ(initial[1], 0.0);
  expectClose(initial[2], 13575.0 * 2.0);  // soft clay carries no k: the metric default
  expectClose(initial[3], 13575.0 * 10.0);
}

TEST(PySoilNodes, CodesZeroAndTwelveBehaveAsSoftClay) {
  for (int code : {0, 12}) {
    const SoilProfile profile = softClay(code);
    const PySoil soil = build(profile, pileAt({2.0, 10.0}));
    for (double y : {0.003, 0.015, 0.2}) {
      const std::vector<double> es = moduli(soil, y);
      expectClose(es[0], softClayP(2.0, y) / y);
      expectClose(es[1], softClayP(10.0, y) / y);
    }
  }
}

TEST(PySoilNodes, NoSoilAboveTheFirstLayer) {
  const SoilProfile profile =
      profileOf({layer(1, 3, 20, {0, 8, 50, 0, 0, 0, 0.01}, {0, 8, 50, 0, 0, 0, 0.01})});
  const PySoil soil = build(profile, pileAt({1.0, 4.0}));
  const std::vector<double> es = moduli(soil, 0.01);
  EXPECT_EQ(es[0], 0.0);
  EXPECT_GT(es[1], 0.0);
}

TEST(PySoilNodes, SmallDeflectionUsesTheClosedFormModulus) {
  const SoilProfile profile = softClay();
  const PySoil soil = build(profile, pileAt({2.0}));
  // (0.5·pu/y50)·(y50/1.0E-14)^(2/3) with pu = 149.6, y50 = 0.015.
  const double expected = 0.5 * 149.6 / 0.015 * std::pow(0.015 / 1e-14, 2.0 / 3.0);
  for (double y : {0.0, 5e-15}) {
    EXPECT_NEAR(moduli(soil, y)[0], expected, 1e-9 * expected);
  }
}

// ---- Multipliers and depth-wise factors ---------------------------------------------------

TEST(PySoilMultipliers, HalfPMultiplierHalvesModuliAndPrintedCurve) {
  const SoilProfile profile = softClay();
  const PySoil soil = build(profile, pileAt({2.0, 10.0}));
  for (double y : {0.0, 0.005, 0.05}) {
    const std::vector<double> full = moduli(soil, y);
    const std::vector<double> half = moduli(soil, y, {0.5, 1.0});
    for (std::size_t i = 0; i < full.size(); ++i) expectClose(half[i], 0.5 * full[i]);
  }
  PrintedPyCurve a, b;
  Diagnostics d;
  ASSERT_EQ(soil.curveAt(2.0, 0.6, {}, {1.0, 1.0}, a, d), StatusCode::kCompleted);
  ASSERT_EQ(soil.curveAt(2.0, 0.6, {}, {0.5, 1.0}, b, d), StatusCode::kCompleted);
  for (std::size_t j = 0; j < 17; ++j) {
    expectClose(b.y[j], a.y[j]);
    expectClose(b.p[j], 0.5 * a.p[j]);
  }
}

TEST(PySoilMultipliers, YMultiplierStretchesTheCurveTheSolverUses) {
  const SoilProfile profile = softClay();
  const PySoil soil = build(profile, pileAt({2.0}));
  // ym = 2: the spring is the curve stretched to twice the deflection, so at y = 0.03 it gives
  // p(0.015) = 74.8 and Es = 74.8/0.03.
  expectClose(moduli(soil, 0.03, {1.0, 2.0})[0], 74.8 / 0.03);
  PrintedPyCurve c;
  Diagnostics d;
  ASSERT_EQ(soil.curveAt(2.0, 0.6, {}, {1.0, 2.0}, c, d), StatusCode::kCompleted);
  expectClose(c.y[5], 2.0 * 0.015);  // the point at y50, printed at 2·y50
  expectClose(c.p[5], 74.8);
  // Solver and printed curve agree: the secant of the printed point.
  expectClose(moduli(soil, c.y[9], {1.0, 2.0})[0], c.p[9] / c.y[9]);
}

TEST(PySoilMultipliers, DepthWiseFactorsWithinTheirTableOnly) {
  const SoilProfile profile = softClay();
  DepthReductionFactorSet rf;
  rf.points = {{1.0, 0.5, 2.0}, {3.0, 0.5, 2.0}};
  const PySoil soil = build(profile, pileAt({2.0, 10.0}), false, nullptr, &rf);
  const std::vector<double> es = moduli(soil, 0.03);
  expectClose(es[0], 0.5 * 74.8 / 0.03);             // p-factor 0.5, y-factor 2 at x = 2
  expectClose(es[1], softClayP(10.0, 0.03) / 0.03);  // outside the table: no factors
  PrintedPyCurve c;
  Diagnostics d;
  ASSERT_EQ(soil.curveAt(2.0, 0.6, {}, {}, c, d), StatusCode::kCompleted);
  expectClose(c.y[5], 2.0 * 0.015);
  expectClose(c.p[5], 0.5 * 74.8);
}

// ---- Curve mode ---------------------------------------------------------------------------

TEST(PySoilCurveMode, FamilyPointsAndGivenDeflections) {
  const SoilProfile profile = softClay();
  const PySoil soil = build(profile, pileAt({0.0, 5.0}));
  PrintedPyCurve c;
  Diagnostics d;
  ASSERT_EQ(soil.curveAt(2.0, 0.6, {}, {}, c, d), StatusCode::kCompleted);
  EXPECT_TRUE(c.hasSoil);
  EXPECT_EQ(c.type, SoilType::kSoftClay);
  ASSERT_EQ(c.y.size(), 17u);
  EXPECT_EQ(c.y[0], 0.0);
  EXPECT_EQ(c.p[0], 0.0);
  expectClose(c.y[1], 0.008 * 0.015);
  expectClose(c.p[16], 149.6);  // 20·y50
  EXPECT_TRUE(d.empty());
  const std::vector<double> five = {0.001, 0.01, 0.015, 0.1, 0.5};
  ASSERT_EQ(soil.curveAt(2.0, 0.6, five, {}, c, d), StatusCode::kCompleted);
  ASSERT_EQ(c.y.size(), 5u);
  for (std::size_t j = 0; j < 5; ++j) {
    EXPECT_EQ(c.y[j], five[j]);  // exactly the deflections asked for
    expectClose(c.p[j], softClayP(2.0, five[j]));
  }
}

TEST(PySoilCurveMode, SmallDeflectionWarningForEveryPointAfterTheFirst) {
  // ε50 = 0: every report point of soft clay is at y = 0.
  const SoilProfile profile =
      profileOf({layer(1, 0, 20, {0, 8, 50, 0, 0, 0, 0.0}, {0, 8, 50, 0, 0, 0, 0.0})});
  const PySoil soil = build(profile, pileAt({2.0}));
  PrintedPyCurve c;
  Diagnostics d;
  ASSERT_EQ(soil.curveAt(2.0, 0.6, {}, {}, c, d), StatusCode::kCompleted);
  ASSERT_EQ(d.report.size(), 16u * 3u);
  EXPECT_TRUE(d.runtime.empty());
  EXPECT_EQ(d.report[0], "     **** WARNING ****");
  EXPECT_EQ(d.report[1], "     DEFLECTION IS LESS THAN 1.0E-14.  THE PROGRAM");
  // Rigid-plastic: p(1.0E-14) = pu = 149.6, so the modulus is 1.496E+16.
  EXPECT_EQ(d.report[2], "     USED A SOIL MODULUS OF 1.4960E+16");
}

TEST(PySoilCurveMode, LiquefiedSandBlock) {
  const SoilProfile profile = profileOf({layer(11, 0, 10, {0, 9}, {0, 9})});
  const PySoil soil = build(profile, pileAt({0.0, 5.0}));
  PrintedPyCurve c;
  Diagnostics d;
  ASSERT_EQ(soil.curveAt(3.0, 0.6, {}, {0.8, 1.5}, c, d), StatusCode::kCompleted);
  ASSERT_TRUE(c.liquefiedSandBlock);
  expectClose(c.blockValues[0], 3.0);
  expectClose(c.blockValues[1], 0.6);
  expectClose(c.blockValues[2], 9.0);
  EXPECT_NEAR(c.blockValues[3], 285.6492, 1e-3);  // Pu, worked in the sand tests
  expectClose(c.blockValues[4], 0.8);
  expectClose(c.blockValues[5], 1.5);
  for (double p : c.p) EXPECT_LE(p, 0.8 * 15.0 + 1e-12);
  EXPECT_EQ(std::string(kLiquefiedSandLabels[3]), "Pu                               =");
}

TEST(PySoilCurveMode, VuggyLimestoneAtY1TimesThePMultiplier) {
  const SoilProfile profile = profileOf({layer(6, 0, 10, {0, 20, 10000}, {0, 20, 10000})});
  const PySoil soil = build(profile, pileAt({0.0, 5.0}, 1.0));
  PrintedPyCurve c;
  Diagnostics d;
  const std::vector<double> y1 = {0.0004};  // 0.0004·b
  ASSERT_EQ(soil.curveAt(2.0, 1.0, y1, {0.5, 1.0}, c, d), StatusCode::kCompleted);
  expectClose(c.p[0], 0.5 * 0.8 * 5000.0 * 1.0);  // pm·0.8·su·b
  ASSERT_EQ(soil.curveAt(2.0, 1.0, {}, {0.5, 1.0}, c, d), StatusCode::kCompleted);
  expectClose(c.y[16], 16.0 * 0.0024 / 15.0);
  expectClose(c.p[16], 0.5 * 5000.0);  // su·b beyond y2
}

TEST(PySoilCurveMode, NoCurveAboveTheGround) {
  const SoilProfile profile = softClay();
  const PySoil soil = build(profile, pileAt({0.0}));
  PrintedPyCurve c;
  Diagnostics d;
  ASSERT_EQ(soil.curveAt(-1.0, 0.6, {}, {}, c, d), StatusCode::kCompleted);
  EXPECT_FALSE(c.hasSoil);
  for (double p : c.p) EXPECT_EQ(p, 0.0);
}

// ---- Running averages and the equivalent depth --------------------------------------------

TEST(PySoilLayers, StiffClayAverageRunsOverTheLayersNodes) {
  // Layer 1 soft clay 0..2 (c 50); layer 2 stiff clay without free water 2..10, c 100 -> 140.
  const SoilProfile profile =
      profileOf({layer(1, 0, 2, {0, 8, 50, 0, 0, 0, 0.01}, {0, 8, 50, 0, 0, 0, 0.01}),
                 layer(3, 2, 10, {0, 8, 100, 0, 0, 0, 0.005}, {0, 8, 140, 0, 0, 0, 0.005})});
  const PySoil soil = build(profile, pileAt({3.0, 4.0}));
  const double h = soil.equivalentDepth(1);
  auto puAt = [&](double x, double ca, double c) {
    const double xu = h + (x - 2.0);
    return std::min(3 * ca * 0.6 + 8 * 0.6 * xu + 0.5 * ca * xu, 9 * c * 0.6);
  };
  // First node of the layer: ca = c(3) = 105. Next: trapezoid of c(3) = 105 and c(4) = 110.
  expectClose(std::get<StiffClayNoFreeWaterCurve>(soil.nodeCurve(0)).pu, puAt(3, 105, 105));
  expectClose(std::get<StiffClayNoFreeWaterCurve>(soil.nodeCurve(1)).pu, puAt(4, 107.5, 110));
  // A printed curve at x = 4 takes the mean of the layer's top strength and c(4): 105.
  PrintedPyCurve c;
  Diagnostics d;
  ASSERT_EQ(soil.curveAt(4.0, 0.6, {}, {}, c, d), StatusCode::kCompleted);
  expectClose(c.p[16], puAt(4, 105, 110));  // the last point lies beyond K·y50
}

TEST(PySoilLayers, EquivalentDepthMatchesTheIntegralOfTheLayersAbove) {
  // Soft clay 0..3 (c 30) over soft clay 3..20 (c 60), γ' = 8 throughout, b = 0.6.
  const SoilProfile profile =
      profileOf({layer(1, 0, 3, {0, 8, 30, 0, 0, 0, 0.01}, {0, 8, 30, 0, 0, 0, 0.01}),
                 layer(1, 3, 20, {0, 8, 60, 0, 0, 0, 0.01}, {0, 8, 60, 0, 0, 0, 0.01})});
  const PySoil soil = build(profile, pileAt({1.0, 5.0}));
  // Layer 1: pu = 18·(3 + 1.1x) (Np below 9), ∫0..3 = 18·(9 + 4.95) = 251.1.
  // Layer 2 from the surface: pu = 36·(3 + 0.966667z), ∫0..H = 36·(3H + 0.483333H²) = 251.1
  // -> H = (−3 + √(9 + 4·0.483333·6.975))/0.966667 = 1.801898 m.
  const double a = 0.5 * (8.0 / 60.0 + 0.5 / 0.6);
  const double hExpected = (-3.0 + std::sqrt(9.0 + 4.0 * a * 6.975)) / (2.0 * a);
  // Both integrands are linear, which Simpson's rule and the in-step solution take exactly.
  EXPECT_NEAR(soil.equivalentDepth(1), hExpected, 1e-9);
  EXPECT_EQ(soil.equivalentDepth(0), 0.0);
  // The node at x = 5 works at H + 2 in its ultimate resistance.
  const double xu = hExpected + 2.0;
  expectClose(std::get<SoftClayCurve>(soil.nodeCurve(1)).pu,
              (3.0 + 8.0 * xu / 60.0 + 0.5 * xu / 0.6) * 60.0 * 0.6);
  // First layer: the real depth.
  expectClose(std::get<SoftClayCurve>(soil.nodeCurve(0)).pu, 18.0 * (3.0 + 1.1));
}

TEST(PySoilLayers, SoilAboveTheGroundAddsNothing) {
  // A first layer wholly above this pile's ground surface: the second works at its real depth.
  const SoilProfile profile =
      profileOf({layer(1, -5, 0, {0, 8, 200, 0, 0, 0, 0.01}, {0, 8, 200, 0, 0, 0, 0.01}),
                 layer(1, 0, 20, {0, 8, 50, 0, 0, 0, 0.01}, {0, 8, 50, 0, 0, 0, 0.01})});
  const PySoil soil = build(profile, pileAt({2.0}));
  EXPECT_EQ(soil.equivalentDepth(1), 0.0);
  expectClose(moduli(soil, 0.015)[0], 74.8 / 0.015);  // as in one layer from the surface
}

TEST(PySoilLayers, WeakLayerBelowAStrongOneStopsAtFourTimesItsDepth) {
  // A nearly strengthless clay under a strong one never reaches the integral above.
  const SoilProfile profile =
      profileOf({layer(1, 0, 3, {0, 8, 200, 0, 0, 0, 0.01}, {0, 8, 200, 0, 0, 0, 0.01}),
                 layer(1, 3, 20, {0, 8, 0.01, 0, 0, 0, 0.01}, {0, 8, 0.01, 0, 0, 0, 0.01})});
  const PySoil soil = build(profile, pileAt({5.0}));
  EXPECT_EQ(soil.equivalentDepth(1), 12.0);
}

// ---- Failures -----------------------------------------------------------------------------

StatusCode buildStatus(const SoilProfile& profile, const Pile& pile, Diagnostics& d,
                       const UserPyCurveSet* set = nullptr, double slope = 0.0) {
  PySoilInput in;
  in.profile = &profile;
  in.depths = pile.depths;
  in.widths = pile.widths;
  in.userCurves = set;
  in.groundSlope = slope;
  PySoil soil;
  return PySoil::build(in, soil, d);
}

TEST(PySoilFailures, NodeBelowTheProfileStopsWithCode22) {
  Diagnostics d;
  EXPECT_EQ(buildStatus(softClay(), pileAt({10.0, 25.0}), d), StatusCode::kUnitWeightBeyondProfile);
  ASSERT_EQ(d.report.size(), 3u);
  EXPECT_EQ(d.report[1], "     THE VALUE OF X = 2.5000E+01 IS BEYOND THE EXTENT OF");
}

TEST(PySoilFailures, ApiSandAndSiltWithoutFrictionAngle) {
  Diagnostics d;
  const SoilProfile api = profileOf({layer(8, 0, 10, {0, 10, 0, 0}, {0, 10, 0, 0})});
  EXPECT_EQ(buildStatus(api, pileAt({1.0}), d), StatusCode::kSandZeroFrictionAngle);
  EXPECT_EQ(d.runtime[1], "     THE FRICTION ANGLE IS 0 FOR SAND ACCORING TO THE INPUT");
  d.clear();
  const SoilProfile silt = profileOf({layer(7, 0, 10, {0, 10, 20, 0}, {0, 10, 20, 0})});
  EXPECT_EQ(buildStatus(silt, pileAt({1.0}), d), StatusCode::kSiltZeroFrictionAngle);
  EXPECT_EQ(d.runtime[1], "     THE FRICTION ANGLE IS 0 FOR SILT ACCORING TO THE INPUT");
  d.clear();
  // Plain sand has no such check: no friction is simply no resistance.
  const SoilProfile sand = profileOf({layer(4, 0, 10, {0, 10, 0, 0}, {0, 10, 0, 0})});
  EXPECT_EQ(buildStatus(sand, pileAt({1.0}), d), StatusCode::kCompleted);
}

TEST(PySoilFailures, SlopeSteeperThanFrictionOnlyWarns) {
  Diagnostics d;
  const SoilProfile api = profileOf({layer(8, 0, 10, {0, 10, 0, 35}, {0, 10, 0, 35})});
  EXPECT_EQ(buildStatus(api, pileAt({1.0, 2.0}), d, nullptr, 40 * kDeg), StatusCode::kCompleted);
  ASSERT_EQ(d.report.size(), 6u);  // three lines per node
  EXPECT_EQ(d.report[2], "     friction angle of the sand.");
  EXPECT_TRUE(d.runtime.empty());
}

TEST(PySoilFailures, WeakRockWithoutStrengthBelowItsFirstNode) {
  const SoilProfile rock = profileOf(
      {layer(9, 0, 10, {0, 20, 0, 0, 0, 1000, 0.0005, 50}, {0, 20, 0, 0, 0, 1000, 0.0005, 50})});
  Diagnostics d;
  EXPECT_EQ(buildStatus(rock, pileAt({1.0}), d), StatusCode::kCompleted);  // first node only
  EXPECT_EQ(buildStatus(rock, pileAt({1.0, 2.0}), d), StatusCode::kWeakRockZeroStrength);
  EXPECT_EQ(d.runtime[1], "     THE UNIAXIAL COMPRESION STRENGTH IS 0 FOR WEAK ROCK");
}

// ---- User curves ----------------------------------------------------------------------------

UserPyCurveSet linearCurves() {
  UserPyCurveSet set;
  set.curves.push_back({0.0, {{0.0, 0.0}, {10.0, 0.01}, {10.0, 1.0}}});
  set.curves.push_back({10.0, {{0.0, 0.0}, {50.0, 0.01}, {50.0, 1.0}}});
  return set;
}

TEST(PySoilUserCurves, PileCurvesReplaceTheLayers) {
  const SoilProfile profile = softClay();
  const UserPyCurveSet set = linearCurves();
  const PySoil soil = build(profile, pileAt({0.0, 5.0, 10.0}), false, &set);
  EXPECT_TRUE(soil.pileCurvesReplaceLayers());
  const std::vector<double> es = moduli(soil, 0.005, {0.5, 1.0});
  EXPECT_EQ(es[0], 0.0);
  expectClose(es[1], 0.5 * 15.0 / 0.005);  // halfway between 5 and 25 at y = 0.005, times pm
  expectClose(es[2], 0.5 * 25.0 / 0.005);
  std::vector<double> initial(3);
  Diagnostics d;
  ASSERT_EQ(soil.initialModuli(initial, d), StatusCode::kCompleted);
  expectClose(initial[1], 3000.0);  // the first segment's slope, 30/0.01
}

TEST(PySoilUserCurves, PileBelowTheDeepestCurveStops) {
  const UserPyCurveSet set = linearCurves();
  Diagnostics d;
  EXPECT_EQ(buildStatus(softClay(), pileAt({0.0, 5.0, 10.5}), d, &set),
            StatusCode::kPileBelowDeepestLayer);
  EXPECT_EQ(d.report,
            (std::vector<std::string>{"     P-Y CURVES DO NOT EXTEND THE LENGTH OF THE PILE"}));
}

TEST(PySoilUserCurves, CodeFiveLayerTakesThePilesSet) {
  const SoilProfile profile =
      profileOf({layer(1, 0, 3, {0, 8, 50, 0, 0, 0, 0.01}, {0, 8, 50, 0, 0, 0, 0.01}),
                 layer(5, 3, 20, {0, 8}, {0, 8})});
  const UserPyCurveSet set = linearCurves();
  PySoilInput in;
  in.profile = &profile;
  const Pile pile = pileAt({2.0, 5.0, 12.0, 14.0});
  in.depths = pile.depths;
  in.widths = pile.widths;
  in.userCurves = &set;
  PySoil soil;
  Diagnostics d;
  ASSERT_EQ(PySoil::build(in, soil, d), StatusCode::kCompleted);
  EXPECT_FALSE(soil.pileCurvesReplaceLayers());
  // Below the deepest curve the deepest goes on, with one message.
  EXPECT_EQ(d.report,
            (std::vector<std::string>{"     P-Y CURVES DO NOT EXTEND THE LENGTH OF THE PILE"}));
  const std::vector<double> es = moduli(soil, 0.005);
  expectClose(es[0], softClayP(2.0, 0.005) / 0.005);
  expectClose(es[1], 15.0 / 0.005);
  expectClose(es[2], 25.0 / 0.005);
  expectClose(es[3], 25.0 / 0.005);
  // Without a set the layer has no curves.
  d.clear();
  EXPECT_EQ(buildStatus(profile, pile, d), StatusCode::kInputUndefinedReference);
  EXPECT_EQ(d.runtime[1], "     LAYER 2 HOLDS P-Y CURVES SPECIFIED BY THE USER,");
}

// ---- Every family through the springs -----------------------------------------------------

TEST(PySoilFamilies, EachLayerTypeUsesItsOwnCurve) {
  struct Case {
    int code;
    Row row;
  };
  const std::vector<Case> cases = {
      {1, {0, 8, 50, 0, 0, 0, 0.01}},
      {2, {0, 9, 100, 0, 40000, 0, 0.005}},
      {3, {0, 10, 100, 0, 0, 0, 0.004}},
      {10, {0, 10, 100, 0, 5000, 0, 0.004}},
      {4, {0, 10, 0, 35, 20000}},
      {8, {0, 10, 0, 35, 20000}},
      {7, {0, 9, 20, 30, 15000}},
      {11, {0, 9}},
      {9, {0, 20, 2000, 0, 0, 200000, 0.0005, 50}},
      {6, {0, 20, 10000}},
  };
  for (const Case& c : cases) {
    for (bool cyclic : {false, true}) {
      const SoilProfile profile = profileOf({layer(c.code, 0, 20, c.row, c.row)});
      const PySoil soil = build(profile, pileAt({1.5, 6.0}), cyclic);
      // The same soil gathered by hand: first layer, so x is the depth of every expression, and
      // ca (qur) is the average strength from the surface, here the constant strength.
      for (int node = 0; node < 2; ++node) {
        PyNodeSoil s;
        s.x = s.xu = node == 0 ? 1.5 : 6.0;
        s.xr = s.x;
        s.b = 0.6;
        s.gamma = c.row[1];
        s.c = s.ca = c.code == 4 || c.code == 8 || c.code == 11 ? 0.0 : c.row[2];
        s.phi = c.row[3] * kDeg;
        s.k = c.row[4];
        s.rockModulus = c.code == 9 ? c.row[5] : 0.0;
        s.eps50 = c.code == 6 ? 0.0005 : c.row[6];
        s.rqd = c.row[7];
        s.cyclic = cyclic;
        s.unitsCode = 2;
        const PyCurve direct = makePyCurve(soilTypeOf(c.code), s);
        ASSERT_EQ(direct.index(), soil.nodeCurve(node).index()) << c.code;
        for (double y : {1e-4, 3e-3, 0.02, 0.2}) {
          const double es = moduli(soil, y)[static_cast<std::size_t>(node)];
          EXPECT_NEAR(es, resistance(direct, y) / y, 1e-9 * std::max(1.0, es))
              << "code " << c.code << " cyclic " << cyclic << " y " << y;
          EXPECT_GT(es, 0.0) << "code " << c.code << " y " << y;
        }
      }
    }
  }
}

}  // namespace
}  // namespace stilt
