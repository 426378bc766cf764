#include "soil/tz_curves.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "soil/transfer_fixtures.hpp"

namespace stilt {
namespace {

using testing::kDegree;
using testing::profileOf;
using testing::straightPile;
using testing::uniformLayer;
using P = SoilParameter;

// Values typed from the published tables are exact to the digits given; a relative 1e-12 only
// absorbs rounding of the double arithmetic.
constexpr double kExact = 1e-12;

void expectShape(const TzShape& s, const std::array<double, 9>& t, const std::array<double, 9>& z) {
  EXPECT_EQ(s[0].t, 0.0);
  EXPECT_EQ(s[0].z, 0.0);
  for (std::size_t j = 0; j < 9; ++j) {
    EXPECT_NEAR(s[j + 1].t, t[j], kExact * std::fabs(t[j])) << "point " << j + 2;
    EXPECT_NEAR(s[j + 1].z, z[j], kExact * std::fabs(z[j])) << "point " << j + 2;
  }
}

// ---------------------------------------------------------------------------------------------
// Unit labels

TEST(CurveUnitLabels, EnglishForCodeOneMetricOtherwise) {
  const CurveUnitLabels e = setUnitLabels(1);
  EXPECT_EQ(e.length, "IN.");
  EXPECT_EQ(e.force, "LBS");
  EXPECT_EQ(e.stress, "PSI");
  for (int code : {2, 3}) {
    const CurveUnitLabels m = setUnitLabels(code);
    EXPECT_EQ(m.length, " M.");
    EXPECT_EQ(m.force, "KN.");
    EXPECT_EQ(m.stress, "KPA");
  }
}

// ---------------------------------------------------------------------------------------------
// Profile interpolation

class ProfileInterpolation : public ::testing::Test {
 protected:
  // Side friction 1 -> 3 over 0..100, 5 -> 7 over 100..200.
  SoilProfile profile = [] {
    ProfileLayer a = uniformLayer(3, 0.0, 100.0, {});
    a.atTop[8] = 1.0;
    a.atBottom[8] = 3.0;
    a.atTop[9] = 10.0;
    a.atBottom[9] = 30.0;
    a.atTop[3] = a.atBottom[3] = 30.0 * kDegree;
    ProfileLayer b = uniformLayer(3, 100.0, 200.0, {});
    b.atTop[8] = 5.0;
    b.atBottom[8] = 7.0;
    b.atTop[9] = b.atBottom[9] = 40.0;
    b.atTop[3] = b.atBottom[3] = 36.0 * kDegree;
    return profileOf({a, b});
  }();
  StatusCode status = StatusCode::kCompleted;
  Diagnostics diag;
};

TEST_F(ProfileInterpolation, LinearWithinALayer) {
  EXPECT_DOUBLE_EQ(interpolateSideFrictionProfile(profile, 50.0, status, diag), 2.0);
  EXPECT_DOUBLE_EQ(interpolateSideFrictionProfile(profile, 150.0, status, diag), 6.0);
  EXPECT_DOUBLE_EQ(interpolateTipResistanceProfile(profile, 25.0, status, diag), 15.0);
  EXPECT_TRUE(isOk(status));
  EXPECT_TRUE(diag.empty());
}

TEST_F(ProfileInterpolation, ABoundaryTakesTheLowerLayer) {
  // The first depth greater than 100 is 200; the entry before it is layer 2's top.
  EXPECT_DOUBLE_EQ(interpolateSideFrictionProfile(profile, 100.0, status, diag), 5.0);
  EXPECT_NEAR(interpolateFrictionAngleProfile(profile, 100.0, status, diag), 36.0 * kDegree, 1e-15);
}

TEST_F(ProfileInterpolation, TheLastDepthAndAHairBeyondItAreInside) {
  EXPECT_DOUBLE_EQ(interpolateSideFrictionProfile(profile, 200.0, status, diag), 7.0);
  // 5e-7 beyond: within the 1e-6 depth tolerance; the last interval extended by 1e-8.
  EXPECT_NEAR(interpolateSideFrictionProfile(profile, 200.0 + 5e-7, status, diag), 7.0, 1e-7);
  EXPECT_TRUE(isOk(status));
}

TEST_F(ProfileInterpolation, AboveTheProfileTheFirstIntervalIsExtended) {
  const SoilProfile deeper = [] {
    ProfileLayer a = uniformLayer(3, 10.0, 110.0, {});
    a.atTop[8] = 1.0;
    a.atBottom[8] = 3.0;
    return profileOf({a});
  }();
  // 1 + (3 - 1) * (0 - 10) / 100 = 0.8
  EXPECT_DOUBLE_EQ(interpolateSideFrictionProfile(deeper, 0.0, status, diag), 0.8);
}

TEST_F(ProfileInterpolation, EntriesLessThanAMicronApartGiveTheirMean) {
  ProfileLayer a = uniformLayer(3, 0.0, 100.0, {});
  a.atTop[8] = 1.0;
  a.atBottom[8] = 3.0;
  ProfileLayer b = uniformLayer(3, 100.0000005, 200.0, {});
  b.atTop[8] = 5.0;
  b.atBottom[8] = 7.0;
  const SoilProfile gap = profileOf({a, b});
  // Bracketed by layer 1's bottom (3) and layer 2's top (5), 5e-7 apart.
  EXPECT_DOUBLE_EQ(interpolateSideFrictionProfile(gap, 100.0000002, status, diag), 4.0);
}

TEST_F(ProfileInterpolation, BeyondTheProfileEachColumnHasItsStatusAndTail) {
  struct Case {
    double (*f)(const SoilProfile&, double, StatusCode&, Diagnostics&);
    StatusCode code;
    const char* tail;
  };
  const Case cases[] = {
      {interpolateSideFrictionProfile, StatusCode::kSideFrictionBeyondProfile,
       "     THE INPUT MAX. LOAD TRANSFER"},
      {interpolateTipResistanceProfile, StatusCode::kTipResistanceBeyondProfile,
       "     THE INPUT MAX. LOAD TRANSFER"},
      {interpolateFrictionAngleProfile, StatusCode::kFrictionAngleBeyondTzProfile,
       "     THE INPUT STRENGTH CURVE, BPHI"},
  };
  for (const Case& c : cases) {
    StatusCode s = StatusCode::kCompleted;
    Diagnostics d;
    EXPECT_EQ(c.f(profile, 250.0, s, d), 0.0);
    EXPECT_EQ(s, c.code);
    const std::vector<std::string> expected = {
        "     **** WARNING ****", "     THE VALUE OF X = 2.5000E+02 IS BEYOND THE EXTENT OF",
        c.tail};
    EXPECT_EQ(d.report, expected);
    EXPECT_EQ(d.runtime, expected);
  }
}

// ---------------------------------------------------------------------------------------------
// Factors of the estimates

TEST(DrivenClayAlpha, FollowsThePsiRule) {
  // psi = c / (gamma x) = 2 / (0.05 * 100) = 0.4 <= 1: alpha = 0.5 / sqrt(0.4)
  EXPECT_NEAR(drivenClayAlpha(2.0, 0.05, 100.0, 1), 0.7905694150420948, kExact);
  // psi = 10 / 5 = 2 > 1: alpha = 0.5 * 2^-0.25; c = 10 psi is not a soft clay, so it stays
  EXPECT_NEAR(drivenClayAlpha(10.0, 0.05, 100.0, 1), 0.42044820762685725, kExact);
}

TEST(DrivenClayAlpha, SoftClayWithSmallAlphaTakesOne) {
  // psi = 3 / (0.01 * 100) = 3 > 1 gives 0.5 * 3^-0.25 = 0.380 < 0.5, and c = 3 < 3.47 psi
  EXPECT_EQ(drivenClayAlpha(3.0, 0.01, 100.0, 1), 1.0);
  // Metric: psi = 20 / 10 = 2, alpha 0.420 < 0.5 and c = 20 < 24 kPa
  EXPECT_EQ(drivenClayAlpha(20.0, 0.1, 100.0, 2), 1.0);
  // The same numbers in English units: 20 psi is no soft clay
  EXPECT_NEAR(drivenClayAlpha(20.0, 0.1, 100.0, 1), 0.42044820762685725, kExact);
}

TEST(DrivenClayAlpha, ZeroDepthCountsAsOneAndNoOverburdenStaysFinite) {
  // x = 0 is replaced by 1: psi = 4 / (1 * 1) = 4, alpha = 0.5 * 4^-0.25
  EXPECT_NEAR(drivenClayAlpha(4.0, 1.0, 0.0, 1), 0.3535533905932738, kExact);
  // No unit weight: no division by zero, and no NaN reaching the curves.
  EXPECT_TRUE(std::isfinite(drivenClayAlpha(5.0, 0.0, 100.0, 1)));
  EXPECT_LT(drivenClayAlpha(5.0, 0.0, 100.0, 1), 1e-6);  // infinitely strong relative to nothing
  EXPECT_TRUE(std::isfinite(drivenClayAlpha(0.0, 0.0, 100.0, 1)));
}

TEST(DrilledSandBeta, DepthInFeetAndLimits) {
  // 300 in = 25 ft: 1.5 - 0.135 * 5 = 0.825
  EXPECT_NEAR(drilledSandBeta(300.0, 1), 0.825, kExact);
  // 7.62 m = 25 ft
  EXPECT_NEAR(drilledSandBeta(7.62, 2), 0.825, kExact);
  // 1 ft: 1.365, limited to 1.2; at the surface (z taken as 1e-7 ft) also 1.2
  EXPECT_EQ(drilledSandBeta(12.0, 1), 1.2);
  EXPECT_EQ(drilledSandBeta(0.0, 1), 1.2);
  // 200 ft: 1.5 - 0.135 * 14.14 < 0, limited to 0.25
  EXPECT_EQ(drilledSandBeta(2400.0, 1), 0.25);
}

TEST(BearingFactorNq, TableOfFrictionAngles) {
  EXPECT_EQ(bearingFactorNq(15.0), 8.0);
  EXPECT_EQ(bearingFactorNq(20.0), 8.0);
  EXPECT_NEAR(bearingFactorNq(22.5), 10.0, kExact);  // 8 + 0.8 * 2.5
  EXPECT_NEAR(bearingFactorNq(25.0), 12.0, kExact);
  EXPECT_NEAR(bearingFactorNq(27.5), 16.0, kExact);  // 12 + 1.6 * 2.5
  EXPECT_NEAR(bearingFactorNq(30.0), 20.0, kExact);
  EXPECT_NEAR(bearingFactorNq(32.5), 30.0, kExact);  // 20 + 4 * 2.5
  EXPECT_NEAR(bearingFactorNq(35.0), 40.0, kExact);
  EXPECT_NEAR(bearingFactorNq(37.5), 45.0, kExact);  // 40 + 2 * 2.5
  EXPECT_NEAR(bearingFactorNq(40.0), 50.0, kExact);
  EXPECT_EQ(bearingFactorNq(45.0), 50.0);
}

TEST(DrivenSandSlope, StepsOfTheFrictionAngleTable) {
  EXPECT_EQ(drivenSandSlope(25.0), 6000.0);
  EXPECT_EQ(drivenSandSlope(28.0), 6000.0);
  EXPECT_NEAR(drivenSandSlope(29.5), 7999.95, 1e-9);  // 6000 + 1333.3 * 1.5
  EXPECT_NEAR(drivenSandSlope(31.0), 9999.9, 1e-9);   // 6000 + 1333.3 * 3
  EXPECT_EQ(drivenSandSlope(31.5), 10000.0);
  EXPECT_NEAR(drivenSandSlope(34.0), 12666.6, 1e-9);  // 10000 + 1333.3 * 2
  EXPECT_EQ(drivenSandSlope(34.0 + 1e-9), 14000.0);   // the step just above 34 degrees
  EXPECT_EQ(drivenSandSlope(35.0), 14000.0);
  EXPECT_NEAR(drivenSandSlope(36.5), 15999.95, 1e-9);  // 14000 + 1333.3 * 1.5
  EXPECT_NEAR(drivenSandSlope(38.0), 17999.9, 1e-9);
  EXPECT_EQ(drivenSandSlope(38.1), 18000.0);
}

// ---------------------------------------------------------------------------------------------
// Side-curve shapes

TEST(TzDrivenSand, HyperbolaInPsiAndInches) {
  const TzShape s = tzDrivenSand(2.0, 34.0, 24.0, 1);
  // k = 12666.6 / 144 = 87.9625 psi/in; t = z / (1/k + z/FMAX)
  // z = 0.01: 0.01 / (0.0113685 + 0.005) = 0.61093
  EXPECT_NEAR(s[1].t, 0.6109302426531233, kExact);
  EXPECT_EQ(s[1].z, 0.01);
  // z = 0.5: 0.5 / (0.0113685 + 0.25) = 1.91301
  EXPECT_NEAR(s[8].t, 1.9130080195731956, kExact);
  const std::array<double, 9> z = {0.01, 0.02, 0.04, 0.06, 0.08, 0.12, 0.16, 0.5, 2.5};
  for (std::size_t j = 0; j < 9; ++j) EXPECT_EQ(s[j + 1].z, z[j]);
  EXPECT_EQ(s[0].t, 0.0);
  EXPECT_EQ(s[0].z, 0.0);
}

TEST(TzDrivenSand, MetricWorksInPoundsPerSquareFootAndConvertsMovements) {
  const TzShape s = tzDrivenSand(14.0, 30.0, 0.6, 2);
  // k = 6000 + 1333.3 * 2 = 8666.6 lb/ft² per inch; z = 0.08 in:
  // t = 0.08 / (1/8666.6 + 0.08 / (20.88 * 14)) / 20.88 = 9.84793 kPa
  EXPECT_NEAR(s[5].t, 9.847929483953704, kExact * 10);
  EXPECT_NEAR(s[5].z, 0.08 * 0.0254, kExact);
  EXPECT_NEAR(s[9].z, 2.5 * 0.0254, kExact);
}

TEST(TzDrivenSand, NoFrictionIsReplacedByAThousandth) {
  const TzShape s = tzDrivenSand(0.0, 20.0, 24.0, 1);
  // k = 6000/144 = 41.667; z = 2.5: 2.5 / (0.024 + 2.5/0.001) = 0.00099999
  EXPECT_NEAR(s[9].t, 0.0009999904000921591, kExact);
}

TEST(TzDrivenClay, CoyleAndReeseRatios) {
  expectShape(tzDrivenClay(10.0, 0.0, 24.0, 1), {1.8, 3.8, 7.9, 9.7, 10.0, 9.7, 9.3, 9.3, 9.3},
              {0.01, 0.02, 0.04, 0.06, 0.08, 0.12, 0.16, 0.5, 10.0});
  // Metric: the stored metre values
  expectShape(
      tzDrivenClay(10.0, 0.0, 0.6, 2), {1.8, 3.8, 7.9, 9.7, 10.0, 9.7, 9.3, 9.3, 9.3},
      {0.000254, 0.000508, 0.001016, 0.001524, 0.002032, 0.003048, 0.004064, 0.0127, 0.254});
}

TEST(TzShaftShapes, MovementsInProportionToTheDiameter) {
  // D = 36: z = 0.001 D = 0.036 ... 0.1 D = 3.6
  const std::array<double, 9> z = {0.036, 0.072, 0.108, 0.18, 0.216, 0.288, 0.432, 0.576, 3.6};
  expectShape(tzShaftClay(2.0, 0.0, 36.0, 1),
              {1.02, 1.44, 1.80, 1.85, 1.89, 1.91, 1.85, 1.80, 1.67}, z);
  expectShape(tzShaftSand(2.0, 0.0, 36.0, 1),
              {0.67, 1.16, 1.44, 1.72, 1.82, 1.90, 1.93, 1.92, 1.90}, z);
}

TEST(TzDrivenUserSoil, PeakAtOnePercentOfTheDiameter) {
  // D = 24: z = 0.0016 * 24 = 0.0384 ... 0.1 * 24 = 2.4
  expectShape(tzDrivenUserSoil(5.0, 0.0, 24.0, 1), {1.5, 2.5, 3.75, 4.5, 5.0, 4.0, 4.0, 4.0, 4.0},
              {0.0384, 0.0744, 0.1368, 0.192, 0.24, 0.48, 0.72, 1.2, 2.4});
}

TEST(SideTransferAt, PiecewiseLinearWithTheEndRules) {
  const TzShape s = tzDrivenClay(10.0, 0.0, 24.0, 1);
  EXPECT_NEAR(sideTransferAt(s, 0.015), 2.8, kExact);    // halfway from 1.8 to 3.8
  EXPECT_NEAR(sideTransferAt(s, 20.0), 9.3, kExact);     // beyond the last point: kept
  EXPECT_NEAR(sideTransferAt(s, -0.005), -0.9, kExact);  // the first interval extended
}

// ---------------------------------------------------------------------------------------------
// Estimates of the unit resistances

class Estimates : public ::testing::Test {
 protected:
  SoilProfile clay = profileOf({uniformLayer(
      3, 0.0, 400.0, {{P::kUnitWeight, 0.05}, {P::kCohesion, 2.0}, {P::kStrain50, 0.01}})});
  SoilProfile sand =
      profileOf({uniformLayer(4, 0.0, 600.0, {{P::kUnitWeight, 0.04}, {P::kFrictionAngle, 35.0}})});
  StatusCode status = StatusCode::kCompleted;
  Diagnostics diag;
};

TEST_F(Estimates, SideFrictionByMethodAndSoil) {
  // Driven, clay: alpha * c = 0.79057 * 2 (psi = 2 / (0.05 * 100) = 0.4)
  EXPECT_NEAR(estimateSideFriction(clay, 1, false, 3, 100.0, status, diag),
              2.0 * 0.7905694150420948, kExact);
  // Drilled, clay: 0.55 c
  EXPECT_NEAR(estimateSideFriction(clay, 1, true, 3, 100.0, status, diag), 1.1, kExact);
  // Driven, sand: 0.8 * 0.04 * 300 * tan(35 deg - 0.087) = 9.6 * tan(0.523865) = 5.54597
  EXPECT_NEAR(estimateSideFriction(sand, 1, false, 4, 300.0, status, diag), 5.545973830371309,
              kExact * 10);
  // Drilled, sand: beta (25 ft) = 0.825; 0.825 * 0.04 * 300 = 9.9
  EXPECT_NEAR(estimateSideFriction(sand, 1, true, 4, 300.0, status, diag), 9.9, kExact * 10);
  EXPECT_TRUE(isOk(status));
}

TEST_F(Estimates, SiltAddsTheClayTermAndRockTakesATenth) {
  const SoilProfile silt = profileOf({uniformLayer(
      7, 0.0, 600.0, {{P::kUnitWeight, 0.04}, {P::kCohesion, 1.0}, {P::kFrictionAngle, 30.0}})});
  // 0.8 * 0.04 * 300 * tan(30 deg - 0.087) = 4.47967; alpha: psi = 1/12, 0.5/sqrt(1/12) = 1.73205
  EXPECT_NEAR(estimateSideFriction(silt, 1, false, 7, 300.0, status, diag),
              4.479668173996272 + 1.7320508075688774, 1e-10);
  // Drilled: 0.825 * 0.04 * 300 + 0.55 * 1
  EXPECT_NEAR(estimateSideFriction(silt, 1, true, 7, 300.0, status, diag), 9.9 + 0.55, 1e-10);
  const SoilProfile rock =
      profileOf({uniformLayer(9, 0.0, 600.0, {{P::kUnitWeight, 0.08}, {P::kCohesion, 100.0}})});
  EXPECT_NEAR(estimateSideFriction(rock, 1, false, 9, 300.0, status, diag), 10.0, kExact);
  EXPECT_NEAR(estimateSideFriction(rock, 1, true, 9, 300.0, status, diag), 10.0, kExact);
  EXPECT_EQ(estimateSideFriction(rock, 1, true, 5, 300.0, status, diag), 0.0);
}

TEST_F(Estimates, InputReportMarksWhatIsEstimated) {
  UnitResistanceEstimates e;
  ASSERT_TRUE(isOk(estimateUnitResistances(sand, 1, 4, 300.0, 0.0, 0.0, e, diag)));
  EXPECT_TRUE(e.sideEstimated);
  EXPECT_TRUE(e.tipEstimated);
  EXPECT_NEAR(e.sideDriven, 5.545973830371309, 1e-10);
  EXPECT_NEAR(e.sideDrilled, 9.9, 1e-10);
  // Driven tip: gamma x Nq = 0.04 * 300 * 40 (35 degrees)
  EXPECT_NEAR(e.tipDriven, 480.0, 1e-9);
  // Drilled tip: 35 degrees = 0.6109 rad lies in 0.5236..0.628: 222.2 psi
  EXPECT_EQ(e.tipDrilled, 222.2);

  ASSERT_TRUE(isOk(estimateUnitResistances(clay, 1, 3, 100.0, 0.0, 0.0, e, diag)));
  EXPECT_NEAR(e.tipDriven, 18.0, kExact);  // 9 c
  EXPECT_NEAR(e.tipDrilled, 18.0, kExact);

  ASSERT_TRUE(isOk(estimateUnitResistances(clay, 1, 3, 100.0, 1.5, 30.0, e, diag)));
  EXPECT_FALSE(e.sideEstimated);
  EXPECT_FALSE(e.tipEstimated);
  EXPECT_EQ(e.sideDriven, 0.0);
  EXPECT_EQ(e.tipDrilled, 0.0);
}

// ---------------------------------------------------------------------------------------------
// t-z curves of a pile

TEST(BuildTzCurves, DepthsTypesAndFrictionOfEveryCurve) {
  ProfileLayer clay = uniformLayer(
      3, 0.0, 200.0, {{P::kUnitWeight, 0.05}, {P::kCohesion, 2.0}, {P::kStrain50, 0.01}});
  ProfileLayer sand =
      uniformLayer(4, 200.0, 600.0,
                   {{P::kUnitWeight, 0.04}, {P::kFrictionAngle, 34.0}, {P::kSideFriction, 3.0}});
  const SoilProfile profile = profileOf({clay, sand});
  AxialPile pile = straightPile(500.0, 10, 24.0, 452.0, 1e9, 1e9);
  pile.headDepth = 20.0;
  TzCurveSet set;
  Diagnostics diag;
  ASSERT_TRUE(isOk(buildTzCurves(pile, profile, 1, set, diag)));
  ASSERT_EQ(set.curves.size(), 8u);  // 3 per layer + 2
  const double soil[] = {0.0, 0.0, 0.1, 100.05, 199.0, 200.1, 400.05, 599.0};
  const int type[] = {3, 3, 3, 3, 3, 4, 4, 4};
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(set.curves[i].number, static_cast<int>(i) + 1);
    EXPECT_NEAR(set.curves[i].soilDepth, soil[i], 1e-12) << i;
    EXPECT_NEAR(set.curves[i].depth, soil[i] - 20.0, 1e-12) << i;  // from the pile head
    EXPECT_EQ(set.curves[i].soilType, type[i]) << i;
  }
  // Curves 1 and 2 carry practically nothing.
  EXPECT_EQ(set.curves[0].fmax, 1e-6);
  EXPECT_EQ(set.curves[1].fmax, 1e-6);
  // Curve 4 in clay at 100.05: alpha c with psi = 2 / (0.05 * 100.05)
  const double psi = 2.0 / (0.05 * 100.05);
  EXPECT_NEAR(set.curves[3].fmax, 0.5 / std::sqrt(psi) * 2.0, kExact);
  // Driven pile in clay: the Coyle and Reese shape
  const TzShape clayShape = tzDrivenClay(set.curves[3].fmax, 0.0, 24.0, 1);
  for (std::size_t j = 0; j < 10; ++j) EXPECT_EQ(set.curves[3].points[j].t, clayShape[j].t);
  // The sand curves take the input friction 3 psi and the friction angle of 34 degrees.
  EXPECT_EQ(set.curves[6].fmax, 3.0);
  EXPECT_NEAR(set.curves[6].frictionAngle, 34.0, 1e-12);
  const TzShape sandShape = tzDrivenSand(3.0, set.curves[6].frictionAngle, 24.0, 1);
  for (std::size_t j = 0; j < 10; ++j) EXPECT_EQ(set.curves[6].points[j].t, sandShape[j].t);
}

TEST(BuildTzCurveAt, AnyDepthAsTheCurvesOfThePileAreBuilt) {
  // The per-pile regeneration at node depths: the same FMAX, angle and shape as the curve that
  // buildTzCurves makes at that depth.
  const SoilProfile profile =
      profileOf({uniformLayer(4, 0.0, 600.0, {{P::kUnitWeight, 0.04}, {P::kFrictionAngle, 36.0}})});
  AxialPile pile = straightPile(500.0, 10, 24.0, 452.0, 1e9, 1e9);
  pile.headDepth = 5.0;
  TzCurveSet set;
  Diagnostics diag;
  ASSERT_TRUE(isOk(buildTzCurves(pile, profile, 1, set, diag)));
  TzCurve c;
  ASSERT_TRUE(isOk(buildTzCurveAt(pile, profile, 1, set.curves[3].soilDepth, 4, c, diag)));
  EXPECT_EQ(c.fmax, set.curves[3].fmax);
  EXPECT_EQ(c.depth, set.curves[3].depth);
  for (std::size_t j = 0; j < 10; ++j) EXPECT_EQ(c.points[j].t, set.curves[3].points[j].t);
  // 0.8 * 0.04 * 300.05 * tan(36 deg - 0.087)
  EXPECT_NEAR(c.fmax, 0.8 * 0.04 * 300.05 * std::tan(36.0 * kDegree - 0.087), 1e-12);
}

TEST(BuildTzCurves, DrilledShaftInUserSoilFollowsTheFrictionAngle) {
  ProfileLayer a = uniformLayer(5, 0.0, 200.0, {{P::kSideFriction, 2.0}});
  ProfileLayer b =
      uniformLayer(5, 200.0, 400.0, {{P::kSideFriction, 2.0}, {P::kFrictionAngle, 2.0}});
  const SoilProfile profile = profileOf({a, b});
  const AxialPile pile = straightPile(300.0, 10, 36.0, 1000.0, 1e9, 1e9, kDrilledShaft);
  TzCurveSet set;
  Diagnostics diag;
  ASSERT_TRUE(isOk(buildTzCurves(pile, profile, 1, set, diag)));
  // Layer 1 (no friction angle): shaft clay; layer 2 (2 degrees > 1): shaft sand.
  EXPECT_NEAR(set.curves[3].points[1].t, 0.51 * 2.0, kExact);
  EXPECT_NEAR(set.curves[6].points[1].t, 0.335 * 2.0, kExact);
}

TEST(BuildTzCurves, AnEmptyProfileStopsWithStatus25) {
  const SoilProfile empty;
  const AxialPile pile = straightPile(300.0, 10, 36.0, 1000.0, 1e9, 1e9);
  TzCurveSet set;
  Diagnostics diag;
  EXPECT_EQ(buildTzCurves(pile, empty, 1, set, diag), StatusCode::kSideFrictionBeyondProfile);
  EXPECT_EQ(diag.report.size(), 3u);
}

// ---------------------------------------------------------------------------------------------
// Tip curves

class TipCurves : public ::testing::Test {
 protected:
  SoilProfile sand =
      profileOf({uniformLayer(4, 0.0, 600.0, {{P::kUnitWeight, 0.04}, {P::kFrictionAngle, 35.0}})});
  AxialPile pile = straightPile(480.0, 12, 20.0, 100.0, 1e9, 1e9);
  Diagnostics diag;

  TzCurveSet curves(const SoilProfile& profile) {
    TzCurveSet set;
    EXPECT_TRUE(isOk(buildTzCurves(pile, profile, 1, set, diag)));
    return set;
  }
};

TEST_F(TipCurves, DrivenSandUsesNqAndAPowerLaw) {
  TipCurve tip;
  ASSERT_TRUE(isOk(buildTipCurve(pile, sand, 1, 2, curves(sand), tip, diag)));
  // Q_tip = gamma * L * Nq * A = 0.04 * 480 * 40 * 100 = 76800
  EXPECT_NEAR(tip.capacity, 76800.0, 1e-8);
  EXPECT_EQ(tip.area, 100.0);
  EXPECT_EQ(tip.soilType, 4);
  // 35 degrees: n = 0.333; 0.05 D = 1.0; w = 0.1: 76800 * 0.1^0.333 = 35674.77
  EXPECT_NEAR(tip.points[5].w, 0.1, kExact);
  EXPECT_NEAR(tip.points[5].q, 35674.77313710716, 1e-7);
  // Not capped: w = 5.0 gives 76800 * 5^0.333 = 131255.7
  EXPECT_NEAR(tip.points[9].q, 131255.71783686505, 1e-6);
  EXPECT_EQ(tip.points[0].q, 0.0);
}

TEST_F(TipCurves, UpliftScalesTheCurveByTheTipArea) {
  const TzCurveSet set = curves(sand);
  TipCurve up;
  TipCurve down;
  ASSERT_TRUE(isOk(buildTipCurve(pile, sand, 1, 1, set, up, diag)));
  ASSERT_TRUE(isOk(buildTipCurve(pile, sand, 1, 2, set, down, diag)));
  EXPECT_EQ(up.area, 1.0e-4);
  EXPECT_NEAR(up.capacity, 0.04 * 480.0 * 40.0 * 1.0e-4, 1e-15);
  for (std::size_t j = 0; j < 10; ++j) {
    EXPECT_NEAR(up.points[j].q, down.points[j].q * 1.0e-6, 1e-12 * down.points[j].q);
    EXPECT_EQ(up.points[j].w, down.points[j].w);
  }
}

TEST_F(TipCurves, DrilledShaftInLooseSandGetsATenthWhateverTheArea) {
  const SoilProfile loose =
      profileOf({uniformLayer(4, 0.0, 600.0, {{P::kUnitWeight, 0.04}, {P::kFrictionAngle, 28.0}})});
  pile.pileType = kDrilledShaft;
  const TzCurveSet set = curves(loose);
  for (int pass : {1, 2}) {
    TipCurve tip;
    ASSERT_TRUE(isOk(buildTipCurve(pile, loose, 1, pass, set, tip, diag)));
    EXPECT_EQ(tip.capacity, 0.1) << pass;
    // Drilled sand shape: Q_tip * 1.46 at w = 0.1 D
    EXPECT_NEAR(tip.points[9].q, 0.146, kExact);
    EXPECT_NEAR(tip.points[9].w, 2.0, kExact);
  }
}

TEST_F(TipCurves, DrilledShaftInDenserSandByFrictionAngleInRadians) {
  pile.pileType = kDrilledShaft;
  struct Case {
    double degrees;
    int units;
    double perArea;
  };
  // 33 deg = 0.576 rad (0.5236..0.628), 38 deg = 0.663 rad (0.628 up)
  for (const Case c : {Case{33.0, 1, 222.2}, Case{38.0, 1, 555.56}, Case{33.0, 2, 1530.0},
                       Case{38.0, 2, 3830.0}}) {
    const SoilProfile s = profileOf(
        {uniformLayer(4, 0.0, 600.0, {{P::kUnitWeight, 0.04}, {P::kFrictionAngle, c.degrees}})},
        c.units);
    TipSoil tip;
    ASSERT_TRUE(isOk(findTipSoil(pile, s, c.units, 2, tip, diag)));
    EXPECT_NEAR(tip.capacity, c.perArea * 100.0, 1e-9) << c.degrees << " " << c.units;
  }
}

TEST_F(TipCurves, DrivenClayTipRisesWithTheSquareRootToFourW50) {
  const SoilProfile clay = profileOf({uniformLayer(
      1, 0.0, 600.0, {{P::kUnitWeight, 0.03}, {P::kCohesion, 10.0}, {P::kStrain50, 0.01}})});
  TipCurve tip;
  ASSERT_TRUE(isOk(buildTipCurve(pile, clay, 1, 2, curves(clay), tip, diag)));
  // Cohesive and frictionless: treated as code 3. Q_tip = 9 c A = 9 * 10 * 100 = 9000.
  EXPECT_EQ(tip.soilType, 3);
  EXPECT_NEAR(tip.capacity, 9000.0, 1e-9);
  // w50 = 2 * 20 * 0.01 = 0.4; w9 = 1.6; points 2..8 at 0.2, 0.4, ..., 1.4
  EXPECT_NEAR(tip.points[1].w, 0.2, kExact);
  EXPECT_NEAR(tip.points[2].q, 4500.0, 1e-9);             // w = w50: 0.5 Q_tip
  EXPECT_NEAR(tip.points[4].q, 6363.961030678928, 1e-9);  // w = 0.8: 4500 sqrt(2)
  EXPECT_NEAR(tip.points[8].w, 1.6, kExact);
  EXPECT_EQ(tip.points[8].q, 9000.0);
  EXPECT_NEAR(tip.points[9].w, 16.0, kExact);
  EXPECT_EQ(tip.points[9].q, 9000.0);
}

TEST_F(TipCurves, DrivenPileInUserSoilAndDrilledShaftInClay) {
  const SoilProfile user = profileOf({uniformLayer(5, 0.0, 600.0, {{P::kTipResistance, 50.0}})});
  TipCurve tip;
  ASSERT_TRUE(isOk(buildTipCurve(pile, user, 1, 2, curves(user), tip, diag)));
  // Q_tip = 50 * 100; w = D * 0.042 at point 4 with 0.75 Q_tip
  EXPECT_NEAR(tip.points[3].w, 20.0 * 0.042, kExact);
  EXPECT_NEAR(tip.points[3].q, 3750.0, 1e-9);

  const SoilProfile clay = profileOf({uniformLayer(
      2, 0.0, 600.0, {{P::kUnitWeight, 0.03}, {P::kCohesion, 10.0}, {P::kStrain50, 0.01}})});
  pile.pileType = kDrilledShaft;
  ASSERT_TRUE(isOk(buildTipCurve(pile, clay, 1, 2, curves(clay), tip, diag)));
  // w = D * 0.025 with 0.865 Q_tip, Q_tip = 9000
  EXPECT_NEAR(tip.points[4].w, 0.5, kExact);
  EXPECT_NEAR(tip.points[4].q, 0.865 * 9000.0, 1e-9);
}

TEST_F(TipCurves, TheTipLayerIsTheFirstWhoseBottomIsNotAboveTheTip) {
  // Tip exactly on the boundary at 480: layer 1 (sand) counts, not layer 2 (clay).
  const SoilProfile two = profileOf(
      {uniformLayer(4, 0.0, 480.0, {{P::kUnitWeight, 0.04}, {P::kFrictionAngle, 35.0}}),
       uniformLayer(8, 480.0, 600.0, {{P::kUnitWeight, 0.04}, {P::kFrictionAngle, 35.0}})});
  TipSoil tip;
  ASSERT_TRUE(isOk(findTipSoil(pile, two, 1, 2, tip, diag)));
  EXPECT_EQ(tip.code, 4);
}

TEST_F(TipCurves, ZeroE50UnderADrivenPileStopsWithStatus32) {
  const SoilProfile clay =
      profileOf({uniformLayer(1, 0.0, 600.0, {{P::kUnitWeight, 0.03}, {P::kCohesion, 10.0}})});
  const TzCurveSet set = curves(clay);
  TipCurve tip;
  Diagnostics d;
  EXPECT_EQ(buildTipCurve(pile, clay, 1, 2, set, tip, d), StatusCode::kLoadSettlementZeroE50);
  const std::vector<std::string> lines = {
      "     **** WARNING ****", "     THE VALUE OF E50 AT TIP OF PILE IS EQUAL TO ZERO, LS CURVE"};
  EXPECT_EQ(d.report, lines);
  EXPECT_EQ(d.runtime, lines);
}

TEST_F(TipCurves, ZeroCapacityUnderADrivenPileStopsWithStatus33) {
  const SoilProfile clay =
      profileOf({uniformLayer(1, 0.0, 600.0, {{P::kUnitWeight, 0.03}, {P::kStrain50, 0.02}})});
  const TzCurveSet set = curves(clay);
  TipCurve tip;
  Diagnostics d;
  EXPECT_EQ(buildTipCurve(pile, clay, 1, 2, set, tip, d), StatusCode::kLoadSettlementZeroCohesion);
  const std::vector<std::string> lines = {
      "     **** WARNING ****",
      "     THE VALUE OF COHESION AT TIP OF PILE IS EQUAL TO ZERO, LS CURVE"};
  EXPECT_EQ(d.report, lines);
  EXPECT_EQ(d.runtime, lines);
}

TEST_F(TipCurves, AProfileEndingAboveTheTipStopsWithStatus26) {
  const SoilProfile shallow =
      profileOf({uniformLayer(4, 0.0, 400.0, {{P::kUnitWeight, 0.04}, {P::kFrictionAngle, 35.0}})});
  const TzCurveSet set = curves(shallow);
  TipCurve tip;
  Diagnostics d;
  EXPECT_EQ(buildTipCurve(pile, shallow, 1, 2, set, tip, d),
            StatusCode::kTipResistanceBeyondProfile);
  const std::vector<std::string> lines = {
      "     **** WARNING ****", "     THE VALUE OF X = 4.8000E+02 IS BEYOND THE EXTENT OF",
      "     THE INPUT MAX. LOAD TRANSFER"};
  EXPECT_EQ(d.report, lines);
}

TEST_F(TipCurves, TipDepthIncludesTheHeadDepth) {
  // Head 100 below the top of the profile: the tip at 580 in a 600 profile; with a 550
  // profile it lies beyond.
  pile.headDepth = 100.0;
  TipSoil tip;
  ASSERT_TRUE(isOk(findTipSoil(pile, sand, 1, 2, tip, diag)));
  EXPECT_EQ(tip.depth, 580.0);
  EXPECT_NEAR(tip.capacity, 0.04 * 580.0 * 40.0 * 100.0, 1e-8);
}

TEST(TipLoadAt, ExtendsTheLastInterval) {
  TipCurve c;
  for (std::size_t j = 0; j < 10; ++j) {
    c.points[j] = {10.0 * static_cast<double>(j), static_cast<double>(j)};
  }
  EXPECT_NEAR(tipLoadAt(c, 2.5), 25.0, kExact);
  EXPECT_NEAR(tipLoadAt(c, 12.0), 120.0, kExact);
}

// ---------------------------------------------------------------------------------------------
// Listings

TEST(TzListing, HeadingColumnsAndOneLinePerPoint) {
  const SoilProfile profile = profileOf({uniformLayer(
      3, 0.0, 200.0, {{P::kUnitWeight, 0.05}, {P::kCohesion, 2.0}, {P::kStrain50, 0.01}})});
  const AxialPile pile = straightPile(150.0, 5, 24.0, 452.0, 1e9, 1e9);
  TzCurveSet set;
  Diagnostics diag;
  ASSERT_TRUE(isOk(buildTzCurves(pile, profile, 1, set, diag)));
  std::vector<std::string> lines;
  listTzCurves(set, 3, setUnitLabels(1), false, lines);
  EXPECT_EQ(lines[1], "     T-Z CURVES, PILE PROPERTY:    3");
  EXPECT_EQ(lines[3], "     CURVE  N. POINTS       DEPTH       T Value       Z Value");
  EXPECT_EQ(lines[4], "                            (IN.)         (PSI)         (IN.)");
  EXPECT_EQ(lines.size(), 5u + 5u * 10u);
  // Curve 3 at 0.1 below the top of the profile, first point (0, 0).
  EXPECT_EQ(lines[5 + 20], "         3         10  1.0000E-01    0.0000E+00    0.0000E+00");

  lines.clear();
  listTzCurves(set, 3, setUnitLabels(2), true, lines);
  EXPECT_EQ(lines[1], "     T-q CURVES, PILE PROPERTY:    3");
  EXPECT_EQ(lines[3], "     CURVE  N. POINTS       DEPTH       T Value       q Value");
  EXPECT_EQ(lines[4], "                             (M.)         (KPA)          (M.)");
}

}  // namespace
}  // namespace stilt
