// The linearised pile head against Hetenyi's closed forms for a beam on an elastic foundation,
// and against central differences of the nonlinear solver on real p-y springs, in one plane and
// in two, with a moment-curvature set and with the axial force's P-delta coupling.

#include "pile/lateral_tangent.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "pile/test_soils.hpp"
#include "soil/py_soil.hpp"

namespace stilt {
namespace {

using testing::ConstantModulusSoil;

LateralPileModel uniformPile(int n, double length, double ei, int connection) {
  LateralPileModel p;
  p.pileNumber = 1;
  p.resizeNodes(n);
  p.increment = length / n;
  p.stiffnessY.fill(ei);
  p.stiffnessZ.fill(ei);
  p.headY.code = connection;
  p.headZ.code = connection;
  p.maxIterations = 200;
  p.tolerance = 1.0e-11;  // tight, so that the differences below see converged states
  return p;
}

struct Linearised {
  LateralHeadTangent t;
  StatusCode status = StatusCode::kCompleted;
};

Linearised linearise(const LateralPileModel& p, const PileHeadInput& head, const LateralSoil& soil,
                     AxialForceRate rate = {}) {
  auto work = std::make_unique<LateralPileWorkspace>();
  auto tangent = std::make_unique<LateralTangentWorkspace>();
  Diagnostics d;
  Linearised out;
  const LateralPileSolution s = solveLaterallyLoadedPile(p, head, soil, *work, nullptr, d);
  EXPECT_TRUE(s.converged);
  out.status = linearisedPileHead(p, head, soil, rate, *work, *tangent, out.t, d);
  return out;
}

// Head results (shearY, shearZ, momentY, momentZ) of one nonlinear solve.
std::array<double, 4> headResults(const LateralPileModel& p, const PileHeadInput& head,
                                  const LateralSoil& soil) {
  auto work = std::make_unique<LateralPileWorkspace>();
  Diagnostics d;
  const LateralPileSolution s = solveLaterallyLoadedPile(p, head, soil, *work, nullptr, d);
  EXPECT_TRUE(s.converged);
  return {s.shearY, s.shearZ, s.momentY, s.momentZ};
}

// Central differences of the nonlinear solver on the four head inputs and the axial load.
LateralHeadTangent differences(const LateralPileModel& p, const PileHeadInput& head,
                               const LateralSoil& soil, double dDeflection, double dSlope,
                               double dAxial) {
  LateralHeadTangent out;
  const std::array<double PileHeadInput::*, 5> fields = {
      &PileHeadInput::deflectionY, &PileHeadInput::slopeY, &PileHeadInput::deflectionZ,
      &PileHeadInput::slopeZ, &PileHeadInput::axialLoad};
  const std::array<double, 5> steps = {dDeflection, dSlope, dDeflection, dSlope, dAxial};
  for (std::size_t j = 0; j < 5; ++j) {
    PileHeadInput plus = head;
    PileHeadInput minus = head;
    plus.*fields[j] += steps[j];
    minus.*fields[j] -= steps[j];
    const auto fp = headResults(p, plus, soil);
    const auto fm = headResults(p, minus, soil);
    for (std::size_t i = 0; i < 4; ++i) out.rate[i][j] = (fp[i] - fm[i]) * 0.5 / steps[j];
  }
  return out;
}

// Agreement of two head matrices, each term against the geometric mean of the diagonal terms of
// its row and column (rows Vy, Vz, My, Mz pair with columns yY, sY, yZ, sZ as 0, 2, 1, 3), so
// that deflection and rotation terms are compared on one scale; the axial column against the
// largest term of its own.
void expectAgreement(const LateralHeadTangent& t, const LateralHeadTangent& c, double tolerance,
                     const std::string& what) {
  constexpr std::array<std::size_t, 4> columnOfRow = {0, 2, 1, 3};
  constexpr std::array<std::size_t, 4> rowOfColumn = {0, 2, 1, 3};
  double axialScale = 0.0;
  double diagonal = 0.0;
  for (std::size_t i = 0; i < 4; ++i) {
    axialScale = std::max(axialScale, std::abs(c.rate[i][4]));
    diagonal = std::max(diagonal, std::abs(c.rate[i][columnOfRow[i]]));
  }
  for (std::size_t i = 0; i < 4; ++i) {
    for (std::size_t j = 0; j < 4; ++j) {
      const double scale = std::max(
          std::sqrt(std::abs(c.rate[i][columnOfRow[i]]) * std::abs(c.rate[rowOfColumn[j]][j])),
          1.0e-9 * diagonal);
      EXPECT_LE(std::abs(t.rate[i][j] - c.rate[i][j]), tolerance * scale)
          << what << " row " << i << " column " << j << ": " << t.rate[i][j] << " vs "
          << c.rate[i][j];
    }
    EXPECT_LE(std::abs(t.rate[i][4] - c.rate[i][4]), tolerance * axialScale)
        << what << " row " << i << " axial: " << t.rate[i][4] << " vs " << c.rate[i][4];
  }
}

double relativeError(double value, double expected) {
  return std::abs(value - expected) / std::abs(expected);
}

// ---------------------------------------------------------------------------------------------
// Hetenyi (1946), a long beam on a foundation of constant modulus k, λ = (k/4EI)^(1/4), x down
// the pile, y = e^(-λx)·(y0·cos λx + (y0 + s0/λ)·sin λx): the head shear (the integral of k·y)
// V = 4EIλ³·y0 + 2EIλ²·s0 and moment M = 2EIλ²·y0 + 2EIλ·s0, with s0 = -St under a fixed head;
// a pinned head has V = 2EIλ³·y0. The rates are these coefficients whatever the head state.
// Tolerance 1 %: the five-point differences err by O((λh)²), λh = 0.105 here.
// ---------------------------------------------------------------------------------------------
TEST(LinearisedHead, FixedHeadOnConstantModulusIsHetenyi) {
  const double ei = 29.0e6 * 731.9, k = 500.0, length = 1200.0;  // 16-in pipe, λL = 10.5
  const double lam = std::pow(k / (4.0 * ei), 0.25);
  const int n = 100;
  const ConstantModulusSoil soil(n, length / n, k);
  PileHeadInput head;
  head.deflectionY = 0.4;
  head.deflectionZ = -0.2;
  head.slopeY = 0.001;
  const Linearised r = linearise(uniformPile(n, length, ei, kConnectionFixed), head, soil);
  ASSERT_TRUE(isOk(r.status));
  for (std::size_t plane = 0; plane < 2; ++plane) {
    const auto& v = r.t.rate[plane];      // shear of the plane
    const auto& m = r.t.rate[2 + plane];  // moment of the plane
    const std::size_t y = 2 * plane;      // its deflection column; slope y + 1
    EXPECT_LT(relativeError(v[y], 4.0 * ei * std::pow(lam, 3)), 0.01);
    EXPECT_LT(relativeError(v[y + 1], -2.0 * ei * lam * lam), 0.01);
    EXPECT_LT(relativeError(m[y], 2.0 * ei * lam * lam), 0.01);
    EXPECT_LT(relativeError(m[y + 1], -2.0 * ei * lam), 0.01);
    // A linear soil does not couple the planes, and without axial load there is no P-delta.
    const std::size_t other = 2 - y;
    EXPECT_EQ(v[other], 0.0);
    EXPECT_EQ(m[other + 1], 0.0);
    EXPECT_EQ(v[4], 0.0);
  }
}

TEST(LinearisedHead, PinnedHeadOnConstantModulusIsHetenyi) {
  const double ei = 3.0e7 * 0.0491, k = 20000.0, length = 40.0;  // 1-m shaft, λL = 9.7
  const double lam = std::pow(k / (4.0 * ei), 0.25);
  const int n = 100;
  const ConstantModulusSoil soil(n, length / n, k);
  PileHeadInput head;
  head.deflectionY = 0.01;
  const Linearised r = linearise(uniformPile(n, length, ei, kConnectionPinned), head, soil);
  ASSERT_TRUE(isOk(r.status));
  EXPECT_LT(relativeError(r.t.rate[0][0], 2.0 * ei * std::pow(lam, 3)), 0.01);
  EXPECT_EQ(r.t.rate[2][0], 0.0);  // a pinned head carries no moment, moved or not
  EXPECT_EQ(r.t.rate[0][1], 0.0);  // nor does a prescribed rotation reach it
}

TEST(LinearisedHead, AxialLoadRateOfABeamColumn) {
  // EI·y'''' + P·y'' + k·y = 0 (Hetenyi 1946): a fixed head with y'(0) = 0 has the head shear
  // V = k·y0·a/λ², a² = λ² - P/4EI, λ² = √(k/4EI), so dV/dP = -k·y0/(8·EI·a·λ²); the moment
  // 2EIλ²·y0 does not depend on P. Evaluated at a quarter of the buckling load.
  const double ei = 29.0e6 * 731.9, k = 500.0, length = 1200.0, y0 = 0.5;
  const double p = 0.5 * std::sqrt(k * ei);
  const double lam2 = std::sqrt(k / (4.0 * ei));
  const double a = std::sqrt(lam2 - p / (4.0 * ei));
  const int n = 100;
  const ConstantModulusSoil soil(n, length / n, k);
  PileHeadInput head;
  head.deflectionY = y0;
  head.axialLoad = p;
  const LateralPileModel pile = uniformPile(n, length, ei, kConnectionFixed);
  // The axial force grows by 3 units per unit of axial head displacement.
  const Linearised r = linearise(pile, head, soil, AxialForceRate{3.0, nullptr});
  ASSERT_TRUE(isOk(r.status));
  EXPECT_LT(relativeError(r.t.rate[0][4], 3.0 * -k * y0 / (8.0 * ei * a * lam2)), 0.01);
  EXPECT_LT(std::abs(r.t.rate[2][4]) * p, 0.01 * 2.0 * ei * lam2 * y0);
  // And it is the rate the solver itself shows when the axial load changes.
  const LateralHeadTangent c = differences(pile, head, soil, 1.0e-4, 1.0e-6, 1.0);
  EXPECT_LT(relativeError(r.t.rate[0][4], 3.0 * c.rate[0][4]), 1.0e-3);
}

// ---------------------------------------------------------------------------------------------
// Real p-y springs: a 24-in pipe, 60 ft, 100 increments, in soft clay (Matlock 1970) and sand
// (Reese, Cox and Koop 1974). Central differences of the converged solver stand for the exact
// derivative; with the closure at 1E-11 in, steps of 1E-4 in and 1E-6 rad leave them accurate to
// about 1E-6, so 1E-3 is the agreement to expect of a correct linearisation.
// ---------------------------------------------------------------------------------------------
struct RealSoil {
  SoilProfile profile;
  PySoil soil;
};

using Row = std::array<double, 11>;

std::unique_ptr<RealSoil> realSoil(int soilType, const Row& parameters) {
  SoilLayer l;
  l.top = 0.0;
  l.bottom = 800.0;
  l.soilType = soilType;
  l.parameters[0] = parameters;
  l.parameters[1] = parameters;
  AnalysisModel m;
  m.switches.values[1] = 1;
  m.soilLayers = {l};
  auto s = std::make_unique<RealSoil>();
  s->profile = buildSoilProfile(m);
  std::vector<double> depths(101);
  for (std::size_t i = 0; i < depths.size(); ++i) depths[i] = 7.2 * static_cast<double>(i);
  const std::vector<double> widths(depths.size(), 24.0);
  PySoilInput in;
  in.profile = &s->profile;
  in.depths = depths;
  in.widths = widths;
  Diagnostics d;
  EXPECT_EQ(PySoil::build(in, s->soil, d), StatusCode::kCompleted);
  return s;
}

std::unique_ptr<RealSoil> softClay() {  // 36 pcf, c = 5 psi, ε50 = 0.01 (y50 = 0.6 in)
  return realSoil(1, Row{0, 0.0208, 5.0, 0, 0, 0, 0.01});
}
std::unique_ptr<RealSoil> sand() {  // 58 pcf, φ = 34°, k = 60 pci
  return realSoil(4, Row{0, 0.0336, 0, 34.0, 60.0});
}

constexpr double kPipeEi = 29.0e6 * 2549.3;

TEST(LinearisedHead, MatchesDifferencesOnSoftClayInTwoPlanes) {
  const auto soil = softClay();
  for (int connection : {kConnectionFixed, kConnectionPinned}) {
    const LateralPileModel pile = uniformPile(100, 720.0, kPipeEi, connection);
    PileHeadInput head;
    head.deflectionY = 1.2;
    head.deflectionZ = 0.5;
    head.slopeZ = -0.002;
    head.axialLoad = 2.0e5;
    const Linearised r = linearise(pile, head, soil->soil, AxialForceRate{1.0, nullptr});
    ASSERT_TRUE(isOk(r.status));
    const LateralHeadTangent c = differences(pile, head, soil->soil, 1.0e-4, 1.0e-6, 10.0);
    expectAgreement(r.t, c, 1.0e-3, "soft clay, connection " + std::to_string(connection));
    // The soil along the deflection stiffens by its tangent, across it by its secant: the
    // planes are coupled where the pile moves in both.
    EXPECT_GT(std::abs(r.t.rate[0][2]), 1.0e-3 * r.t.rate[0][0]);
  }
}

TEST(LinearisedHead, MatchesDifferencesOnSandWithASpringHead) {
  const auto soil = sand();
  LateralPileModel pile = uniformPile(100, 720.0, kPipeEi, 3);
  pile.headY.spring = 5.0e9;  // lb·in per radian
  pile.headZ.spring = 2.0e10;
  PileHeadInput head;
  head.deflectionY = 0.8;
  head.slopeY = 0.001;
  head.deflectionZ = -0.3;
  head.axialLoad = 1.0e5;
  const Linearised r = linearise(pile, head, soil->soil, AxialForceRate{1.0, nullptr});
  ASSERT_TRUE(isOk(r.status));
  const LateralHeadTangent c = differences(pile, head, soil->soil, 1.0e-4, 1.0e-6, 10.0);
  expectAgreement(r.t, c, 1.0e-3, "sand, rotational springs");
}

TEST(LinearisedHead, MatchesDifferencesWithAMomentCurvatureSet) {
  // A section that softens from 2.5E10 lb·in² in three segments and yields past 8E-4 /in, read at
  // two axial-load levels: the tangent bending stiffness and its rate with the axial load enter.
  MomentCurvatureSet set;
  MomentCurvatureCurve low;
  low.axialLoad = 0.0;
  low.points = {
      {0.0, 0.0}, {2.5e6, 1.0e-4}, {4.0e6, 3.0e-4}, {4.8e6, 8.0e-4}, {5.0e6, 5.0e-3}};  // (M, φ)
  MomentCurvatureCurve high = low;
  high.axialLoad = 4.0e5;
  for (auto& pt : high.points) pt.moment *= 1.3;
  set.curves = {low, high};
  const auto soil = softClay();
  LateralPileModel pile = uniformPile(100, 720.0, 2.5e10, kConnectionFixed);
  pile.nonlinearBending = true;
  pile.curvesY.fill(&set);
  pile.curvesZ.fill(&set);
  PileHeadInput head;
  head.deflectionY = 0.6;
  head.deflectionZ = 0.2;
  head.axialLoad = 1.5e5;
  const Linearised r = linearise(pile, head, soil->soil, AxialForceRate{1.0, nullptr});
  ASSERT_TRUE(isOk(r.status));
  const LateralHeadTangent c = differences(pile, head, soil->soil, 1.0e-4, 1.0e-6, 10.0);
  expectAgreement(r.t, c, 1.0e-3, "moment-curvature set");
}

}  // namespace
}  // namespace stilt
