// Tangent moduli of every p-y family against numerical derivatives of the curves themselves,
// and the springs of a pile (multipliers, small deflections) as the linearised pile reads them.

#include "soil/py_curve.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "soil/py_soil.hpp"

namespace stilt {
namespace {

// A soil at one node holding every property some family reads (kN, m).
PyNodeSoil nodeSoil(bool cyclic) {
  PyNodeSoil s;
  s.x = s.xu = 3.0;
  s.b = 0.6;
  s.gamma = 9.0;
  s.c = 40.0;
  s.ca = 35.0;
  s.phi = 0.6;  // 34.4°
  s.k = 2.0e4;
  s.eps50 = 0.007;
  s.rockModulus = 1.0e5;
  s.rqd = 50.0;
  s.xr = 1.0;
  s.cyclic = cyclic;
  s.unitsCode = 2;
  return s;
}

// Compares the analytic tangent with central differences of p at deflections from 1E-6·b to b,
// wherever the curve is smooth within the step (the one-sided slopes on both sides agree); at a
// kink the tangent must be the slope on its far side.
void checkFamily(SoilType type, bool cyclic) {
  PyNodeSoil s = nodeSoil(cyclic);
  if (type == SoilType::kWeakRock || type == SoilType::kVuggyLimestone) s.c = s.ca = 5000.0;
  const PyCurve curve = makePyCurve(type, s);
  const std::string what =
      "soil type " + std::to_string(static_cast<int>(type)) + (cyclic ? " cyclic" : " static");
  int smooth = 0;
  for (double y = 1.0e-6 * s.b; y < s.b; y *= 1.07) {
    const double e = 1.0e-7 * y;
    const double p0 = resistance(curve, y);
    const double left = (p0 - resistance(curve, y - e)) / e;
    const double right = (resistance(curve, y + e) - p0) / e;
    const double scale = std::max(std::abs(p0) / y, 1.0e-12);
    const double t = tangentModulus(curve, y);
    if (std::abs(left - right) < 1.0e-5 * scale) {
      const double central = (resistance(curve, y + e) - resistance(curve, y - e)) / (2.0 * e);
      EXPECT_NEAR(t, central, 1.0e-5 * scale) << what << " at y = " << y;
      ++smooth;
    } else {
      EXPECT_NEAR(t, right, 1.0e-3 * scale) << what << " at the kink near y = " << y;
    }
  }
  EXPECT_GT(smooth, 100) << what;
}

TEST(TangentModulus, EveryFamilyIsTheSlopeOfItsCurve) {
  for (SoilType type :
       {SoilType::kSoftClay, SoilType::kStiffClayFreeWater, SoilType::kStiffClayNoFreeWater,
        SoilType::kStiffClayInitialK, SoilType::kSand, SoilType::kSilt, SoilType::kApiSand,
        SoilType::kLiquefiedSand, SoilType::kWeakRock, SoilType::kVuggyLimestone}) {
    checkFamily(type, false);
    checkFamily(type, true);
  }
}

TEST(TangentModulus, KinksTakeTheBranchOfFurtherDeflection) {
  // Soft clay reaches pu at 8·y50 (static); vuggy limestone turns at 0.0004·b and 0.0024·b.
  PyNodeSoil s = nodeSoil(false);
  const PyCurve clay = makePyCurve(SoilType::kSoftClay, s);
  const double y50 = 2.5 * s.eps50 * s.b;
  EXPECT_EQ(tangentModulus(clay, 8.0 * y50), 0.0);
  s.c = 5000.0;
  const PyCurve rock = makePyCurve(SoilType::kVuggyLimestone, s);
  EXPECT_DOUBLE_EQ(tangentModulus(rock, 0.0004 * s.b), 100.0 * 2500.0);
  EXPECT_EQ(tangentModulus(rock, 0.0024 * s.b), 0.0);
}

TEST(TangentModulus, UserCurvesTakeTheSlopeOfTheirSegments) {
  UserPyCurveSet set;
  set.curves = {// points (p, y)
                UserPyCurve{1.0, {{0.0, 0.0}, {100.0, 0.01}, {150.0, 0.05}}},
                UserPyCurve{3.0, {{0.0, 0.0}, {300.0, 0.02}, {400.0, 0.06}}}};
  const std::vector<UserPyTable> tables = prepareUserPyTables(set);
  bool beyond = false;
  const InterpolatedUserCurve c = interpolateUserCurves(tables, 2.5, beyond);  // 3/4 of the way
  // At y = 0.015: upper segment 2 (1250), lower segment 1 (15000).
  EXPECT_DOUBLE_EQ(c.tangent(0.015), 0.25 * 1250.0 + 0.75 * 15000.0);
  // At the upper curve's point 0.01 the later segment; beyond both curves nothing.
  EXPECT_DOUBLE_EQ(c.tangent(0.01), 0.25 * 1250.0 + 0.75 * 15000.0);
  EXPECT_EQ(c.tangent(0.07), 0.0);
}

TEST(TangentModuli, ScaledByTheMultipliersAndLinearBelowTheSmallDeflection) {
  // Soft clay, one layer; the springs of three nodes at 1, 2 and 3 m.
  SoilLayer l;
  l.top = 0.0;
  l.bottom = 10.0;
  l.soilType = 1;
  l.parameters[0] = {0, 9.0, 40.0, 0, 0, 0, 0.007};
  l.parameters[1] = l.parameters[0];
  AnalysisModel m;
  m.switches.values[1] = 2;
  m.soilLayers = {l};
  const SoilProfile profile = buildSoilProfile(m);
  const std::vector<double> depths = {1.0, 2.0, 3.0};
  const std::vector<double> widths(3, 0.6);
  PySoilInput in;
  in.profile = &profile;
  in.depths = depths;
  in.widths = widths;
  PySoil soil;
  Diagnostics d;
  ASSERT_EQ(PySoil::build(in, soil, d), StatusCode::kCompleted);
  const PyMultipliers mult{0.7, 1.5};
  const std::vector<double> y = {0.004, 0.0, 0.02};
  std::vector<double> es(3), et(3);
  ASSERT_EQ(soil.tangentModuli(y, mult, es, et, d), StatusCode::kCompleted);
  // The spring p(y) = Es(y)·y from the secant moduli, differentiated numerically.
  for (std::size_t i : {std::size_t{0}, std::size_t{2}}) {
    const double e = 1.0e-7 * y[i];
    std::vector<double> plus = y, minus = y, esPlus(3), esMinus(3);
    plus[i] += e;
    minus[i] -= e;
    ASSERT_EQ(soil.secantModuli(plus, mult, esPlus, d), StatusCode::kCompleted);
    ASSERT_EQ(soil.secantModuli(minus, mult, esMinus, d), StatusCode::kCompleted);
    const double slope = (esPlus[i] * plus[i] - esMinus[i] * minus[i]) / (2.0 * e);
    EXPECT_NEAR(et[i], slope, 1.0e-6 * es[i]) << "node " << i;
    EXPECT_NEAR(et[i], es[i] / 3.0, 1.0e-9 * es[i]);  // below 3·y50: a third of the secant
  }
  // Not moved: the small-deflection modulus, for both.
  EXPECT_GT(es[1], 0.0);
  EXPECT_EQ(et[1], es[1]);
}

}  // namespace
}  // namespace stilt
