// Soil properties along depth: per-type zeroing, boundary rules, the default k, the warnings and
// error codes beyond the profile, per-layer values and depth-wise reduction factors. Expected
// values are worked by hand from the layer rows below (piecewise-linear between top and bottom).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "soil/soil_profile.hpp"

namespace stilt {
namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;
// Sums of a few products of short decimals: exact to a few ulps.
constexpr double kTight = 1e-9;

using Row = std::array<double, 11>;  // [1..10]

SoilLayer layer(int type, double top, double bottom, Row atTop, Row atBottom) {
  SoilLayer l;
  l.soilType = type;
  l.top = top;
  l.bottom = bottom;
  l.rows = 2;
  l.values = 10;
  l.parameters[0] = atTop;
  l.parameters[1] = atBottom;
  return l;
}

// Positions: 1 γ', 2 c, 3 φ (degrees), 4 k, 5 Er, 6 ε50, 7 RQD.
AnalysisModel fiveLayers(int unitsCode = 2) {
  AnalysisModel m;
  m.switches.values[1] = unitsCode;
  m.soilLayers = {
      layer(1, 0, 10, {0, 10, 20, 5, 999, 0, 0.02, 7}, {0, 12, 40, 5, 999, 0, 0.02, 7}),
      layer(2, 10, 20, {0, 12, 60, 0, 500, 0, 0.005}, {0, 14, 80, 0, 700, 0, 0.005}),
      layer(4, 20, 30, {0, 9, 77, 30, 1000, 0, 0.3}, {0, 9, 77, 34, 2000, 0, 0.3}),
      layer(8, 30, 40, {0, 9, 0, 36, 3000}, {0, 9, 0, 36, 3000}),
      layer(3, 40, 50, {0, 10, 100, 20, 1, 0, 0.004}, {0, 10, 100, 20, 1, 0, 0.004}),
  };
  return m;
}

TEST(SoilTypeZeroing, EachTypeKeepsOnlyWhatItUses) {
  // Positions expected to become zero, by type (values start as 1..10, all non-zero).
  struct Case {
    int code;
    std::vector<int> zeroed;
  };
  const std::vector<Case> cases = {
      {1, {3, 4, 7}},
      {3, {3, 4, 7}},
      {2, {3, 7}},
      {10, {3, 7}},
      {4, {2, 5, 6, 7}},
      {8, {2, 5, 6, 7}},
      {5, {2, 3, 4, 5, 6, 7}},
      {11, {2, 3, 4, 5, 6, 7}},
      {6, {3, 4, 5, 7}},
      {7, {5, 6}},
      {9, {3, 4}},
      {12, {3, 4, 7}},
      {0, {3, 4, 7}},
  };
  for (const Case& c : cases) {
    std::array<double, kSoilParameterCount + 1> v{};
    for (std::size_t i = 1; i <= 10; ++i) v[i] = static_cast<double>(i);
    zeroUnusedParameters(soilTypeOf(c.code), v);
    for (int i = 1; i <= 10; ++i) {
      const bool zero = std::find(c.zeroed.begin(), c.zeroed.end(), i) != c.zeroed.end();
      if (c.code == 6 && i == 6) {
        EXPECT_EQ(v[6], 0.0005) << "vuggy limestone strain";
      } else if (zero) {
        EXPECT_EQ(v[static_cast<std::size_t>(i)], 0.0) << "code " << c.code << " position " << i;
      } else {
        EXPECT_EQ(v[static_cast<std::size_t>(i)], i) << "code " << c.code << " position " << i;
      }
    }
  }
}

TEST(SoilTypeZeroing, UnknownCodesAreSoftClay) {
  EXPECT_EQ(soilTypeOf(0), SoilType::kSoftClay);
  EXPECT_EQ(soilTypeOf(12), SoilType::kSoftClay);
  EXPECT_EQ(soilTypeOf(-3), SoilType::kSoftClay);
  EXPECT_EQ(soilTypeOf(11), SoilType::kLiquefiedSand);
}

TEST(SoilProfileBuild, AnglesInRadiansAndRowsZeroed) {
  const SoilProfile p = buildSoilProfile(fiveLayers());
  ASSERT_EQ(p.layers().size(), 5u);
  EXPECT_NEAR(p.layers()[2].value(SoilParameter::kFrictionAngle, false), 30 * kDeg, 1e-15);
  EXPECT_NEAR(p.layers()[2].value(SoilParameter::kFrictionAngle, true), 34 * kDeg, 1e-15);
  EXPECT_EQ(p.layers()[0].value(SoilParameter::kFrictionAngle, false), 0.0);
  EXPECT_EQ(p.layers()[2].value(SoilParameter::kCohesion, true), 0.0);
  EXPECT_EQ(p.unitsCode(), 2);
  // Two points per layer and property: a boundary is two points at one depth.
  ASSERT_EQ(p.curve(SoilParameter::kCohesion).size(), 10u);
  EXPECT_EQ(p.curve(SoilParameter::kCohesion)[1].depth, 10.0);
  EXPECT_EQ(p.curve(SoilParameter::kCohesion)[2].depth, 10.0);
}

TEST(LayerIndex, BoundaryBelongsToTheLowerLayer) {
  const SoilProfile p = buildSoilProfile(fiveLayers());
  EXPECT_EQ(layerIndexAt(p, 5.0), 0);
  EXPECT_EQ(layerIndexAt(p, 10.0), 1);
  EXPECT_EQ(layerIndexAt(p, -4.0), 0);
  EXPECT_EQ(layerIndexAt(p, 50.0), 4);
  EXPECT_EQ(layerIndexAt(p, 70.0), 4);
  EXPECT_EQ(layerIndexAt(SoilProfile{}, 1.0), -1);
}

TEST(AverageUnitWeight, TrapezoidFromTheSurface) {
  const SoilProfile p = buildSoilProfile(fiveLayers());
  StatusCode st = StatusCode::kCompleted;
  Diagnostics d;
  // 0..5: γ' from 10 to 11, mean 10.5.
  EXPECT_NEAR(averageUnitWeight(p, 5.0, st, d), 10.5, kTight);
  // 0..10 gives (10 + 12)/2·10 = 110; 10..15 gives (12 + 13)/2·5 = 62.5; 172.5/15 = 11.5.
  EXPECT_NEAR(averageUnitWeight(p, 15.0, st, d), 11.5, kTight);
  // Whole profile: 110 + 130 + 90 + 90 + 100 = 520 over 50 (the bottom itself is inside).
  EXPECT_NEAR(averageUnitWeight(p, 50.0, st, d), 10.4, kTight);
  EXPECT_EQ(st, StatusCode::kCompleted);
  EXPECT_TRUE(d.empty());
}

TEST(AverageUnitWeight, AboveAndAtTheFirstPoint) {
  AnalysisModel m;
  m.switches.values[1] = 1;
  m.soilLayers = {layer(1, 2, 6, {0, 0, 10}, {0, 12, 10})};
  const SoilProfile p = buildSoilProfile(m);
  StatusCode st = StatusCode::kCompleted;
  Diagnostics d;
  EXPECT_EQ(averageUnitWeight(p, 1.0, st, d), 0.0);  // above the first point
  // At the first point the first positive value is taken (the layer's bottom value here).
  EXPECT_EQ(averageUnitWeight(p, 2.0, st, d), 12.0);
  EXPECT_EQ(st, StatusCode::kCompleted);
}

TEST(AverageUnitWeight, BeyondTheProfileStopsWithCode22) {
  const SoilProfile p = buildSoilProfile(fiveLayers());
  StatusCode st = StatusCode::kCompleted;
  Diagnostics d;
  EXPECT_EQ(averageUnitWeight(p, 50.5, st, d), 0.0);
  EXPECT_EQ(st, StatusCode::kUnitWeightBeyondProfile);
  const std::vector<std::string> lines = {
      "     **** WARNING ****", "     THE VALUE OF X = 5.0500E+01 IS BEYOND THE EXTENT OF",
      "     THE INPUT CURVE FOR UNIT WEIGHT"};
  EXPECT_EQ(d.report, lines);
  EXPECT_EQ(d.runtime, lines);
}

TEST(StrengthAt, InterpolatesAndTakesTheLowerLayerAtABoundary) {
  const SoilProfile p = buildSoilProfile(fiveLayers());
  StatusCode st = StatusCode::kCompleted;
  Diagnostics d;
  EXPECT_NEAR(strengthAt(p, 5.0, st, d), 30.0, kTight);
  EXPECT_EQ(strengthAt(p, 10.0, st, d), 60.0);  // lower layer
  EXPECT_EQ(strengthAt(p, 20.0, st, d), 80.0);  // lower (sand) has none: upper
  EXPECT_EQ(strengthAt(p, 25.0, st, d), 0.0);   // sand: c zeroed
  EXPECT_EQ(strengthAt(p, 40.0, st, d), 100.0);
  EXPECT_EQ(strengthAt(p, 50.0 + 5e-7, st, d), 100.0);  // on the bottom within 1.0E-6
  EXPECT_EQ(st, StatusCode::kCompleted);
  EXPECT_EQ(strengthAt(p, 51.0, st, d), 0.0);
  EXPECT_EQ(st, StatusCode::kCohesionBeyondProfile);
  ASSERT_EQ(d.runtime.size(), 3u);
  EXPECT_EQ(d.report[2], "     THE INPUT STRENGTH CURVE");
}

TEST(AverageStrength, FromTheSurfaceAndBeyondWithoutError) {
  const SoilProfile p = buildSoilProfile(fiveLayers());
  Diagnostics d;
  EXPECT_NEAR(averageStrength(p, 5.0, d), 25.0, kTight);  // (20 + 30)/2
  EXPECT_EQ(averageStrength(p, 0.0, d), 20.0);            // the strength at x
  EXPECT_TRUE(d.empty());
  // 300 + 700 + 0 + 0 + 1000, and the last segment extended 50..60 at 100: 3000/60.
  EXPECT_NEAR(averageStrength(p, 60.0, d), 50.0, kTight);
  const std::vector<std::string> lines = {
      "     **** WARNING ****", "     THE VALUE OF X = 6.0000E+01 IS BEYOND THE EXTENT OF THE",
      "     INPUT CURVE FOR STRENGTH"};
  EXPECT_EQ(d.report, lines);
  EXPECT_TRUE(d.runtime.empty());  // informational only
}

TEST(FrictionAngleAt, BoundaryRules) {
  const SoilProfile p = buildSoilProfile(fiveLayers());
  StatusCode st = StatusCode::kCompleted;
  Diagnostics d;
  EXPECT_NEAR(frictionAngleAt(p, 25.0, st, d), 32 * kDeg, 1e-12);
  EXPECT_NEAR(frictionAngleAt(p, 20.0, st, d), 30 * kDeg, 1e-12);  // upper zero: lower
  EXPECT_NEAR(frictionAngleAt(p, 30.0, st, d), 35 * kDeg, 1e-12);  // both: the mean
  EXPECT_NEAR(frictionAngleAt(p, 40.0, st, d), 36 * kDeg, 1e-12);  // lower zero: upper
  EXPECT_EQ(frictionAngleAt(p, 5.0, st, d), 0.0);
  EXPECT_EQ(st, StatusCode::kCompleted);
  EXPECT_EQ(frictionAngleAt(p, 51.0, st, d), 0.0);
  EXPECT_EQ(st, StatusCode::kFrictionAngleBeyondProfile);
  ASSERT_EQ(d.runtime.size(), 3u);
  EXPECT_EQ(d.runtime[2], "     THE INPUT PHI CURVE");
}

TEST(SubgradeModulusAt, InterpolationBoundariesAndDefault) {
  const SoilProfile p = buildSoilProfile(fiveLayers(2));
  EXPECT_EQ(subgradeModulusAt(p, 5.0), 13575.0);  // soft clay has no k: metric default
  EXPECT_NEAR(subgradeModulusAt(p, 15.0), 600.0, kTight);
  EXPECT_NEAR(subgradeModulusAt(p, 20.0), 850.0, kTight);   // (700 + 1000)/2
  EXPECT_NEAR(subgradeModulusAt(p, 30.0), 2500.0, kTight);  // (2000 + 3000)/2
  EXPECT_NEAR(subgradeModulusAt(p, 40.0), 1500.0, kTight);  // (3000 + 0)/2
  EXPECT_EQ(subgradeModulusAt(p, 55.0), 13575.0);           // last value 0: default
  EXPECT_EQ(subgradeModulusAt(p, -1.0), 13575.0);           // above: 0, so the default
  EXPECT_EQ(subgradeModulusAt(buildSoilProfile(fiveLayers(1)), 5.0), 50.0);
  EXPECT_EQ(subgradeModulusAt(buildSoilProfile(fiveLayers(3)), 5.0), 50.0);
}

TEST(LayerValueAt, TopValueOfTheContainingLayer) {
  const SoilProfile p = buildSoilProfile(fiveLayers());
  EXPECT_EQ(layerValueAt(p, SoilParameter::kStrain50, 15.0), 0.005);
  EXPECT_EQ(layerValueAt(p, SoilParameter::kStrain50, 10.0), 0.005);
  EXPECT_EQ(layerValueAt(p, SoilParameter::kStrain50, 5.0), 0.02);
  EXPECT_EQ(layerValueAt(p, SoilParameter::kStrain50, -5.0), 0.02);
  EXPECT_EQ(layerValueAt(p, SoilParameter::kStrain50, 60.0), 0.004);
  EXPECT_EQ(layerValueAt(p, SoilParameter::kSubgradeModulus, 15.0), 500.0);
}

TEST(ReductionFactorsAt, InsideAtTheEndsAndOutside) {
  DepthReductionFactorSet set;
  set.points = {{2.0, 0.5, 2.0}, {6.0, 0.7, 1.0}, {10.0, 0.9, 1.2}};
  ReductionFactors f = reductionFactorsAt(&set, 4.0);
  EXPECT_TRUE(f.inTable);
  EXPECT_NEAR(f.p, 0.6, kTight);
  EXPECT_NEAR(f.y, 1.5, kTight);
  f = reductionFactorsAt(&set, 2.0);
  EXPECT_TRUE(f.inTable);
  EXPECT_EQ(f.p, 0.5);
  EXPECT_EQ(f.y, 2.0);
  f = reductionFactorsAt(&set, 10.0);
  EXPECT_EQ(f.p, 0.9);
  EXPECT_EQ(f.y, 1.2);
  for (double x : {1.999, 10.001}) {
    f = reductionFactorsAt(&set, x);
    EXPECT_FALSE(f.inTable);
    EXPECT_EQ(f.p, 1.0);
    EXPECT_EQ(f.y, 1.0);
  }
  f = reductionFactorsAt(nullptr, 4.0);
  EXPECT_FALSE(f.inTable);
  EXPECT_EQ(f.p, 1.0);
}

}  // namespace
}  // namespace stilt
