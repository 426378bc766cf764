// Laterally loaded pile solver against closed forms of beams on elastic foundations, statics
// and the behaviour the head and tip conditions must show.

#include "pile/lateral_pile.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <thread>

#include "pile/result_quantities.hpp"
#include "pile/test_soils.hpp"

namespace stilt {
namespace {

using testing::ConstantModulusSoil;
using testing::LinearModulusSoil;
using testing::SandLikeSoil;
using testing::SoftClayLikeSoil;

// A prismatic pile with the same bending stiffness in both planes.
LateralPileModel uniformPile(int n, double length, double ei, int connection) {
  LateralPileModel p;
  p.pileNumber = 7;
  p.resizeNodes(n);
  p.increment = length / n;
  p.stiffnessY.fill(ei);
  p.stiffnessZ.fill(ei);
  p.headY.code = connection;
  p.headZ.code = connection;
  p.maxIterations = 100;
  p.tolerance = 1.0e-10;
  return p;
}

PileHeadInput headY(double deflection, double slope) {
  PileHeadInput h;
  h.deflectionY = deflection;
  h.slopeY = slope;
  return h;
}

struct Solved {
  LateralPileSolution s;
  std::unique_ptr<LateralPileWorkspace> work = std::make_unique<LateralPileWorkspace>();
  std::unique_ptr<PileResults> results = std::make_unique<PileResults>();
  Diagnostics diag;
  double y(int node) const { return work->y[slotOf(node)]; }
  double headSlope(double h) const { return (y(1) - y(-1)) / (2.0 * h); }
};

Solved solve(const LateralPileModel& p, const PileHeadInput& h, const LateralSoil& soil) {
  Solved out;
  out.s = solveLaterallyLoadedPile(p, h, soil, *out.work, out.results.get(), out.diag);
  return out;
}

double relativeError(double value, double expected) {
  return std::abs(value - expected) / std::abs(expected);
}

// ---------------------------------------------------------------------------------------------
// Hetenyi (1946): a long beam on a foundation of constant modulus k, λ = (k/4EI)^(1/4). With
// x down the pile and y = e^(-λx)·(C1·cos λx + C2·sin λx), y(0) = y0 and y'(0) = s0 give
// C1 = y0, C2 = y0 + s0/λ, so the head moment M = -EI·y''(0) = 2EIλ²·y0 + 2EIλ·s0 and the head
// shear, the integral of k·y, is V = EI·y'''(0) = 4EIλ³·y0 + 2EIλ²·s0. A free (pinned) head
// has M = 0, s0 = -λ·y0 and V = 2EIλ³·y0, i.e. y0 = 2Vλ/k; a fixed head has s0 = -St.
//
// Tolerance 1 %: the five-point differences err by O((λh)²) and the pile is cut at λL ≥ 8,
// where e^(-λL) < 4E-4.
// ---------------------------------------------------------------------------------------------
struct Hetenyi {
  double ei, k, length;
  double lambda() const { return std::pow(k / (4.0 * ei), 0.25); }
};

void checkHetenyi(const Hetenyi& c, double y0, double st) {
  const double lam = c.lambda();
  ASSERT_GE(lam * c.length, 8.0) << "the pile must be long";
  const int n = 100;
  const ConstantModulusSoil soil(n, c.length / n, c.k);

  // Pinned head: V = 2EIλ³·y0 (y0 = 2Vλ/k), M = 0, head slope -λ·y0.
  const Solved pinned =
      solve(uniformPile(n, c.length, c.ei, kConnectionPinned), headY(y0, st), soil);
  ASSERT_TRUE(isOk(pinned.s.status));
  ASSERT_TRUE(pinned.s.converged);
  EXPECT_LT(relativeError(pinned.s.shearY, 2.0 * c.ei * std::pow(lam, 3) * y0), 0.01);
  EXPECT_LT(relativeError(2.0 * pinned.s.shearY * lam / c.k, y0), 0.01);
  EXPECT_LT(relativeError(pinned.headSlope(c.length / n), -lam * y0), 0.01);

  // Fixed head with the prescribed slope: s0 = -St.
  const Solved fixed = solve(uniformPile(n, c.length, c.ei, kConnectionFixed), headY(y0, st), soil);
  ASSERT_TRUE(fixed.s.converged);
  const double s0 = -st;
  EXPECT_LT(relativeError(fixed.s.shearY,
                          4.0 * c.ei * std::pow(lam, 3) * y0 + 2.0 * c.ei * lam * lam * s0),
            0.01);
  EXPECT_LT(relativeError(fixed.s.momentY, 2.0 * c.ei * lam * lam * y0 + 2.0 * c.ei * lam * s0),
            0.01);
}

TEST(HetenyiLongBeam, EnglishUnitsSteelPipe) {
  // 16-in pipe, 0.5-in wall: EI = 29E6 psi x 731.9 in⁴; Es = 500 lb/in²; L = 100 ft.
  // λ = (500/(4·2.1225E10))^(1/4) = 8.76E-3 /in, λL = 10.5.
  checkHetenyi({29.0e6 * 731.9, 500.0, 1200.0}, 0.5, 0.0);
  checkHetenyi({29.0e6 * 731.9, 500.0, 1200.0}, 0.5, 0.002);
}

TEST(HetenyiLongBeam, MetricUnitsConcreteShaft) {
  // 1-m shaft: EI = 3.0E7 kPa x 0.0491 m⁴; Es = 20000 kN/m²; L = 40 m.
  // λ = (20000/(4·1.473E6))^(1/4) = 0.2414 /m, λL = 9.7.
  checkHetenyi({3.0e7 * 0.0491, 20000.0, 40.0}, 0.01, 0.0);
  checkHetenyi({3.0e7 * 0.0491, 20000.0, 40.0}, 0.01, -0.004);
}

TEST(HetenyiLongBeam, DeflectionAndMomentAlongTheFixedHeadPile) {
  // Fixed head, no slope: y = y0·e^(-λx)(cos λx + sin λx), M = -EI·y'' = 2EIλ²·y0·e^(-λx)
  // (cos λx - sin λx). Compared at nodes where the values are not near a zero crossing, within
  // 1 % of the head value (the discretisation error of the five-point form).
  const Hetenyi c{29.0e6 * 731.9, 500.0, 1200.0};
  const double lam = c.lambda();
  const double y0 = 0.5;
  const int n = 100;
  const ConstantModulusSoil soil(n, c.length / n, c.k);
  const Solved r = solve(uniformPile(n, c.length, c.ei, kConnectionFixed), headY(y0, 0.0), soil);
  ASSERT_TRUE(r.s.converged);
  const double m0 = 2.0 * c.ei * lam * lam * y0;
  for (int node : {0, 5, 10, 20, 40}) {
    const double x = node * c.length / n;
    const double e = std::exp(-lam * x);
    EXPECT_NEAR(r.results->at(quantity::kDeflectionY, node),
                y0 * e * (std::cos(lam * x) + std::sin(lam * x)), 0.01 * y0)
        << node;
    EXPECT_NEAR(r.results->at(quantity::kMomentZ, node),
                m0 * e * (std::cos(lam * x) - std::sin(lam * x)), 0.01 * m0)
        << node;
    // Soil reaction p = Es·y at every node.
    EXPECT_DOUBLE_EQ(r.results->at(quantity::kSoilReactionY, node),
                     c.k * r.results->at(quantity::kDeflectionY, node));
  }
  // Shear V = 4EIλ³·y0·e^(-λx)·cos λx. Below the head the central difference of the moments
  // approximates it at the node; at the head the forward difference (M(1) - M(0))/h is centred
  // half an increment down, so it is compared with V(h/2).
  const double v0 = 4.0 * c.ei * std::pow(lam, 3) * y0;
  auto shear = [&](double x) { return v0 * std::exp(-lam * x) * std::cos(lam * x); };
  const double h = c.length / n;
  EXPECT_NEAR(r.results->at(quantity::kShearY, 0), shear(h / 2.0), 0.01 * v0);
  for (int node : {5, 10, 20}) {
    EXPECT_NEAR(r.results->at(quantity::kShearY, node), shear(node * h), 0.01 * v0) << node;
  }
}

// ---------------------------------------------------------------------------------------------
// Matlock and Reese (1960), Es = k·x, T = (EI/k)^(1/5), long pile (L/T ≥ 5), head shear H and
// moment Mt in their convention:
//   y0 = 2.435·H·T³/EI + 1.623·Mt·T²/EI,   S0 = -1.623·H·T²/EI - 1.750·Mt·T/EI.
// The solver's head moment is M = -EI·y'' (positive where a fixed head restrains a pile pushed
// in +y), which is -Mt; its slope S0 = dy/dx with x down the pile, as theirs. A fixed head
// (S0 = 0) has Mt = -(1.623/1.750)·H·T = -0.92743·H·T and y0 = (2.435 - 1.623·0.92743)·H·T³/EI
// = 0.92978·H·T³/EI, their 0.93.
//
// Tolerance 1 %: the coefficients are given to four figures (0.03 %), h/T ≤ 0.13 and L/T ≥ 9.
// ---------------------------------------------------------------------------------------------
struct MatlockReese {
  double ei, k, length;
  double t() const { return std::pow(ei / k, 0.2); }
};

void checkMatlockReese(const MatlockReese& c, double y0, double st) {
  const double t = c.t();
  ASSERT_GE(c.length / t, 9.0) << "the pile must be long";
  const int n = 100;
  const double h = c.length / n;
  const LinearModulusSoil soil(n, h, c.k);
  const double t2 = t * t / c.ei;
  const double t3 = t * t * t / c.ei;

  // Pinned head (Mt = 0): H = y0·EI/(2.435·T³), S0 = -1.623·H·T²/EI.
  const Solved pinned =
      solve(uniformPile(n, c.length, c.ei, kConnectionPinned), headY(y0, st), soil);
  ASSERT_TRUE(pinned.s.converged);
  const double hPinned = y0 / (2.435 * t3);
  EXPECT_LT(relativeError(pinned.s.shearY, hPinned), 0.01);
  EXPECT_NEAR(pinned.s.momentY, 0.0, 1.0e-9 * hPinned * t);
  EXPECT_LT(relativeError(pinned.headSlope(h), -1.623 * hPinned * t2), 0.01);

  // Fixed head with slope S0 = -St: solve their two relations for H and Mt,
  //   [2.435·T³  1.623·T²] [H ]   [y0 ]
  //   [-1.623·T² -1.750·T] [Mt] = [S0 ] (all over EI),
  // by Cramer's rule, and compare H with the head shear and -Mt with the head moment.
  const double s0 = -st;
  const double a11 = 2.435 * t3, a12 = 1.623 * t2, a21 = -1.623 * t2, a22 = -1.750 * t / c.ei;
  const double det = a11 * a22 - a12 * a21;
  const double hFixed = (y0 * a22 - a12 * s0) / det;
  const double mtFixed = (a11 * s0 - a21 * y0) / det;
  const Solved fixed = solve(uniformPile(n, c.length, c.ei, kConnectionFixed), headY(y0, st), soil);
  ASSERT_TRUE(fixed.s.converged);
  EXPECT_LT(relativeError(fixed.s.shearY, hFixed), 0.01);
  EXPECT_LT(relativeError(fixed.s.momentY, -mtFixed), 0.01);
  EXPECT_NEAR(fixed.headSlope(h), s0, 1.0e-12);
  if (st == 0.0) {
    // Their fixed-head values: y0 = 0.93·H·T³/EI (0.92978 from the coefficients), Mt = -0.93·H·T.
    EXPECT_LT(relativeError(fixed.s.shearY, y0 / (0.92978 * t3)), 0.01);
    EXPECT_LT(relativeError(fixed.s.momentY, 0.92743 * fixed.s.shearY * t), 0.01);
  }
}

TEST(MatlockReeseLinearModulus, EnglishUnits) {
  // 16-in pipe, EI = 2.1225E10 lb·in², Es = 100 lb/in³ · x: T = (2.1225E8)^(1/5) = 46.3 in,
  // L = 600 in = 13 T.
  checkMatlockReese({29.0e6 * 731.9, 100.0, 600.0}, 0.25, 0.0);
  checkMatlockReese({29.0e6 * 731.9, 100.0, 600.0}, 0.25, 0.003);
}

TEST(MatlockReeseLinearModulus, MetricUnits) {
  // 1-m shaft, EI = 1.473E6 kN·m², Es = 10000 kN/m³ · x: T = (147.3)^(1/5) = 2.71 m,
  // L = 25 m = 9.2 T.
  checkMatlockReese({3.0e7 * 0.0491, 10000.0, 25.0}, 0.01, 0.0);
  checkMatlockReese({3.0e7 * 0.0491, 10000.0, 25.0}, 0.01, 0.002);
}

// ---------------------------------------------------------------------------------------------
// Head conditions
// ---------------------------------------------------------------------------------------------
class HeadConditions : public ::testing::Test {
 protected:
  static constexpr int kN = 100;
  static constexpr double kLength = 1200.0;
  static constexpr double kEi = 29.0e6 * 731.9;
  ConstantModulusSoil soil{kN, kLength / kN, 500.0};
  double h() const { return kLength / kN; }
};

TEST_F(HeadConditions, PinnedHeadHasNoMoment) {
  const Solved r = solve(uniformPile(kN, kLength, kEi, kConnectionPinned), headY(0.5, 0.01), soil);
  ASSERT_TRUE(r.s.converged);
  // Zero to rounding: a millionth of the fixed-head moment 2EIλ²y0 = 7.4E5.
  EXPECT_NEAR(r.s.momentY, 0.0, 1.0);
  EXPECT_NEAR(r.results->at(quantity::kMomentZ, 0), 0.0, 1.0);
}

TEST_F(HeadConditions, FixedHeadTakesThePrescribedSlope) {
  for (double st : {0.0, 0.004, -0.002}) {
    const Solved r = solve(uniformPile(kN, kLength, kEi, kConnectionFixed), headY(0.5, st), soil);
    ASSERT_TRUE(r.s.converged);
    EXPECT_NEAR(r.headSlope(h()), -st, 1.0e-12) << st;
    EXPECT_DOUBLE_EQ(r.y(0), 0.5);
  }
}

TEST_F(HeadConditions, SpringHeadLiesBetweenPinnedAndFixed) {
  auto pile = [&](int code, double spring) {
    LateralPileModel p = uniformPile(kN, kLength, kEi, code);
    p.headY.spring = spring;
    return p;
  };
  const Solved pinned = solve(pile(kConnectionPinned, 0.0), headY(0.5, 0.0), soil);
  const Solved fixed = solve(pile(kConnectionFixed, 0.0), headY(0.5, 0.0), soil);
  // The pile's own rotational stiffness at the head is 2EIλ = 3.7E8 lb·in/rad; a spring of the
  // same order gives a head between the two limits.
  const double spring = 3.0e8;
  const Solved sprung = solve(pile(kConnectionSpring, spring), headY(0.5, 0.0), soil);
  ASSERT_TRUE(pinned.s.converged && fixed.s.converged && sprung.s.converged);
  EXPECT_GT(sprung.s.momentY, 0.0);
  EXPECT_LT(sprung.s.momentY, fixed.s.momentY);
  EXPECT_GT(sprung.s.shearY, pinned.s.shearY);
  EXPECT_LT(sprung.s.shearY, fixed.s.shearY);
  const double slope = sprung.headSlope(h());
  EXPECT_LT(slope, 0.0);
  EXPECT_GT(slope, pinned.headSlope(h()));
  // The spring law: head moment = -k·(slope + St), here St = 0.
  EXPECT_LT(relativeError(sprung.s.momentY, -spring * slope), 1.0e-9);
  // A very stiff spring is a fixed head; a zero spring a pinned one.
  const Solved stiff = solve(pile(kConnectionSpring, 1.0e16), headY(0.5, 0.0), soil);
  EXPECT_LT(relativeError(stiff.s.momentY, fixed.s.momentY), 1.0e-5);
  const Solved loose = solve(pile(kConnectionSpring, 0.0), headY(0.5, 0.0), soil);
  EXPECT_NEAR(loose.s.momentY, 0.0, 1.0);
  EXPECT_LT(relativeError(loose.s.shearY, pinned.s.shearY), 1.0e-9);
}

TEST_F(HeadConditions, EachPlaneUsesItsOwnConnection) {
  LateralPileModel p = uniformPile(kN, kLength, kEi, kConnectionFixed);
  p.headZ.code = kConnectionPinned;
  PileHeadInput head = headY(0.5, 0.0);
  head.deflectionZ = 0.5;
  const Solved r = solve(p, head, soil);
  ASSERT_TRUE(r.s.converged);
  EXPECT_NEAR(r.s.momentZ, 0.0, 1.0);
  EXPECT_GT(r.s.momentY, 1.0e5);
  EXPECT_GT(r.s.shearY, r.s.shearZ);
}

// ---------------------------------------------------------------------------------------------
// Equivalent stiffness at the pile top
// ---------------------------------------------------------------------------------------------
TEST(PileTopStiffness, ForceOverDisplacementOrTheFallback) {
  // Fixed head, y0 and zero slope: Vy/y0 = 4EIλ³ (Hetenyi). The slope is 0, so the rotational
  // components take the fallbacks, as do the axial and torsional ones when u1 = u4 = 0.
  const Hetenyi c{29.0e6 * 731.9, 500.0, 1200.0};
  const int n = 100;
  const ConstantModulusSoil soil(n, c.length / n, c.k);
  PileHeadInput head = headY(0.5, 0.0);
  head.fallbackStiffness = {11.0, 12.0, 13.0, 14.0, 15.0, 16.0};
  const Solved r = solve(uniformPile(n, c.length, c.ei, kConnectionFixed), head, soil);
  ASSERT_TRUE(r.s.converged);
  const double lam = c.lambda();
  EXPECT_LT(relativeError(r.s.headStiffness[1], 4.0 * c.ei * std::pow(lam, 3)), 0.01);
  EXPECT_EQ(r.s.headStiffness[0], 11.0);
  EXPECT_EQ(r.s.headStiffness[2], 13.0);
  EXPECT_EQ(r.s.headStiffness[3], 14.0);
  EXPECT_EQ(r.s.headStiffness[4], 15.0);
  EXPECT_EQ(r.s.headStiffness[5], 16.0);

  // A head rotated with no deflection: the pile resists with 2EIλ (moment per radian) in the
  // y plane (-M/St, positive). Axial and torsion: P/u1 and T/u4.
  PileHeadInput turn = headY(0.0, 0.001);
  turn.axialLoad = 1000.0;
  turn.axialDisplacement = 0.01;
  turn.torque = 50.0;
  turn.twist = 0.5;
  const Solved t = solve(uniformPile(n, c.length, c.ei, kConnectionFixed), turn, soil);
  EXPECT_LT(relativeError(t.s.headStiffness[5], 2.0 * c.ei * lam), 0.01);
  EXPECT_DOUBLE_EQ(t.s.headStiffness[0], 1000.0 / 0.01);
  EXPECT_DOUBLE_EQ(t.s.headStiffness[3], 50.0 / 0.5);
}

// ---------------------------------------------------------------------------------------------
// Axial load (P-delta)
// ---------------------------------------------------------------------------------------------
TEST(AxialLoad, CompressionSoftensTheLateralResponse) {
  // EI·y'''' + P·y'' + k·y = 0 on a long beam (Hetenyi 1946, beam-columns): y = e^(-ax)·
  // (C1·cos bx + C2·sin bx) with a² = λ² - P/4EI, b² = λ² + P/4EI, λ² = √(k/4EI). A fixed head
  // (y'(0) = 0) has C2 = a·y0/b, so the head shear ∫k·y dx = k·y0·(a + a)/(a² + b²) = k·y0·a/λ²
  // and the head moment -EI·y''(0) = EI·(a² + b²)·y0 = 2EIλ²·y0, independent of P.
  // P = 0.5·√(k·EI), a quarter of the buckling load 2√(k·EI) of the beam on its foundation.
  const double ei = 29.0e6 * 731.9, k = 500.0, length = 1200.0, y0 = 0.5;
  const double p = 0.5 * std::sqrt(k * ei);
  const double lam2 = std::sqrt(k / (4.0 * ei));
  const double a = std::sqrt(lam2 - p / (4.0 * ei));
  const int n = 100;
  const ConstantModulusSoil soil(n, length / n, k);
  PileHeadInput head = headY(y0, 0.0);
  head.axialLoad = p;
  const Solved r = solve(uniformPile(n, length, ei, kConnectionFixed), head, soil);
  ASSERT_TRUE(r.s.converged);
  EXPECT_LT(relativeError(r.s.shearY, k * y0 * a / lam2), 0.01);
  EXPECT_LT(relativeError(r.s.momentY, 2.0 * ei * lam2 * y0), 0.01);
  // Without the axial load the shear is k·y0/λ, larger by λ/a = 1.155.
  const Solved free = solve(uniformPile(n, length, ei, kConnectionFixed), headY(y0, 0.0), soil);
  EXPECT_GT(free.s.shearY, 1.1 * r.s.shearY);
}

TEST(AxialLoad, GivenAxialForcesReplaceTheHeadLoad) {
  // The same P given node by node gives the same solution, and quantity 18 lists it.
  const double ei = 29.0e6 * 731.9, k = 500.0, length = 1200.0;
  const int n = 100;
  const ConstantModulusSoil soil(n, length / n, k);
  LateralPileModel p = uniformPile(n, length, ei, kConnectionFixed);
  PileHeadInput head = headY(0.5, 0.0);
  head.axialLoad = 1.0e6;
  const Solved a = solve(p, head, soil);
  p.axialForceGiven = true;
  p.axialForce.fill(1.0e6);
  head.axialLoad = 0.0;
  const Solved b = solve(p, head, soil);
  EXPECT_DOUBLE_EQ(a.s.shearY, b.s.shearY);
  EXPECT_EQ(a.results->at(quantity::kAxialForce, 10), 0.0);
  EXPECT_EQ(b.results->at(quantity::kAxialForce, 10), 1.0e6);
}

// ---------------------------------------------------------------------------------------------
// Pile standing above the ground, distributed loads, soil movement
// ---------------------------------------------------------------------------------------------
TEST(AboveGround, HeldOnlyByItsHead) {
  // Es = 0 everywhere (ground below the tip). A fixed head moved sideways carries the pile along
  // rigidly: no curvature, no shear, no moment.
  const int n = 50;
  const double length = 300.0, ei = 29.0e6 * 731.9;
  const ConstantModulusSoil air(n, length / n, 500.0, length + 1.0);
  const Solved r = solve(uniformPile(n, length, ei, kConnectionFixed), headY(0.7, 0.0), air);
  ASSERT_TRUE(r.s.converged);
  for (int m = 0; m <= n; ++m) EXPECT_NEAR(r.y(m), 0.7, 1.0e-9) << m;
  EXPECT_EQ(r.s.shearY, 0.0);
  EXPECT_NEAR(r.s.momentY, 0.0, 1.0e-3);
}

TEST(AboveGround, UniformlyLoadedCantilever) {
  // Fixed head held in place, uniform load w, no soil: a cantilever from the head. Tip
  // deflection w·L⁴/(8EI); head moment -EI·y''(0) = -w·L²/2; head shear (the integral of the
  // soil reaction less the load) -w·L exactly, the trapezoidal rule being exact for a constant.
  // Tolerance 1 %: O(h²) error of the differences with 50 increments.
  const int n = 50;
  const double length = 300.0, ei = 29.0e6 * 731.9, w = 10.0;
  const ConstantModulusSoil air(n, length / n, 500.0, length + 1.0);
  LateralPileModel p = uniformPile(n, length, ei, kConnectionFixed);
  p.loadY.fill(w);
  const Solved r = solve(p, headY(0.0, 0.0), air);
  ASSERT_TRUE(r.s.converged);
  EXPECT_LT(relativeError(r.y(n), w * std::pow(length, 4) / (8.0 * ei)), 0.01);
  EXPECT_LT(relativeError(r.s.momentY, -w * length * length / 2.0), 0.01);
  EXPECT_NEAR(r.s.shearY, -w * length, 1.0e-9 * w * length);
  EXPECT_EQ(r.results->at(quantity::kDistributedLoadY, 3), w);
}

TEST(SoilMovement, PileMovingWithTheSoilFeelsNothing) {
  // The soil moves δ everywhere and the fixed head follows: the pile translates with it, the
  // relative deflection is zero, and so are reaction, shear and moment.
  const int n = 100;
  const double length = 1200.0, ei = 29.0e6 * 731.9, k = 500.0, delta = 0.3;
  const ConstantModulusSoil soil(n, length / n, k);
  LateralPileModel p = uniformPile(n, length, ei, kConnectionFixed);
  p.soilMovement = true;
  p.movementY.fill(delta);
  const Solved r = solve(p, headY(delta, 0.0), soil);
  ASSERT_TRUE(r.s.converged);
  EXPECT_NEAR(r.s.shearY, 0.0, 1.0e-6);
  EXPECT_NEAR(r.s.momentY, 0.0, 1.0e-3);
  EXPECT_NEAR(r.y(n), delta, 1.0e-10);
  EXPECT_NEAR(r.results->at(quantity::kSoilReactionY, 30), 0.0, 1.0e-9);
}

TEST(SoilMovement, SoilMovingPastAHeldPile) {
  // Head held at 0, soil moving δ: the pile sees a relative head deflection of -δ, so the head
  // shear is -4EIλ³·δ and the moment -2EIλ²·δ (Hetenyi, fixed head), within 1 %.
  const int n = 100;
  const double length = 1200.0, ei = 29.0e6 * 731.9, k = 500.0, delta = 0.3;
  const double lam = std::pow(k / (4.0 * ei), 0.25);
  const ConstantModulusSoil soil(n, length / n, k);
  LateralPileModel p = uniformPile(n, length, ei, kConnectionFixed);
  p.soilMovement = true;
  p.movementY.fill(delta);
  const Solved r = solve(p, headY(0.0, 0.0), soil);
  ASSERT_TRUE(r.s.converged);
  EXPECT_LT(relativeError(r.s.shearY, -4.0 * ei * std::pow(lam, 3) * delta), 0.01);
  EXPECT_LT(relativeError(r.s.momentY, -2.0 * ei * lam * lam * delta), 0.01);
}

// ---------------------------------------------------------------------------------------------
// Nonlinear soil and iteration control
// ---------------------------------------------------------------------------------------------
// 24-in steel pipe, 0.5-in wall, 60 ft long (English units).
constexpr double kPipeDiameter = 24.0;
constexpr double kPipeEi = 29.0e6 * 2549.0;
constexpr double kPipeLength = 720.0;

SoftClayLikeSoil softClay(int n) {
  // c = 2.5 psi, γ' = 0.0208 pci, ε50 = 0.02, initial k = 30 pci.
  return SoftClayLikeSoil(n, kPipeLength / n, 2.5, 0.0208, kPipeDiameter, 0.02, 30.0);
}

SandLikeSoil sand(int n) {
  // k = 60 pci, γ' = 0.0336 pci, C1 = 3.0, C2 = 3.5 (φ' about 35°).
  return SandLikeSoil(n, kPipeLength / n, 60.0, 0.0336, kPipeDiameter, 3.0, 3.5);
}

// At convergence the soil modulus of every node is the secant of its curve at the previous
// iterate y', which differs from the final deflection y by less than the tolerance. Both test
// curves are concave, so their secant p/y falls as y grows, and the reaction Es·y the solver
// reports lies between y·p(y + tol)/(y + tol) and y·p(y - tol)/(y - tol).
void checkOnTheCurves(const Solved& r, const testing::CurveSoil& soil, double tol) {
  auto secant = [&](double y, double x) { return soil.resistance(y, x) / y; };
  for (int m = 1; m <= r.results->increments; ++m) {
    const double y = r.results->at(quantity::kDeflectionYZ, m);
    const double x = m * r.results->increment;
    const double p = r.results->at(quantity::kSoilReactionYZ, m);
    const double low = y * secant(y + tol, x);
    const double high = y * secant(std::max(y - tol, 1.0e-14), x);
    EXPECT_GE(p, low * (1.0 - 1.0e-12)) << "node " << m;
    EXPECT_LE(p, high * (1.0 + 1.0e-12)) << "node " << m;
    // And the band is narrow where the pile moves: within 1 % of p(y) above 0.05 in.
    if (y > 0.05) {
      EXPECT_NEAR(p, soil.resistance(y, x), 0.01 * p) << "node " << m;
    }
  }
}

TEST(NonlinearSoil, SoftClayConvergesAtTenPercentOfTheDiameter) {
  const int n = 100;
  const SoftClayLikeSoil soil = softClay(n);
  LateralPileModel p = uniformPile(n, kPipeLength, kPipeEi, kConnectionFixed);
  p.tolerance = 1.0e-5;
  PileHeadInput head = headY(0.1 * kPipeDiameter, 0.0);
  head.deflectionZ = 0.02 * kPipeDiameter;
  const Solved r = solve(p, head, soil);
  ASSERT_TRUE(isOk(r.s.status));
  ASSERT_TRUE(r.s.converged);
  EXPECT_LT(r.s.iterations, 100);
  checkOnTheCurves(r, soil, p.tolerance);
  EXPECT_GT(r.s.shearY, 0.0);
  EXPECT_GT(r.s.shearZ, 0.0);
}

TEST(NonlinearSoil, SandConvergesAtTenPercentOfTheDiameter) {
  const int n = 100;
  const SandLikeSoil soil = sand(n);
  LateralPileModel p = uniformPile(n, kPipeLength, kPipeEi, kConnectionPinned);
  p.tolerance = 1.0e-5;
  const Solved r = solve(p, headY(0.1 * kPipeDiameter, 0.0), soil);
  ASSERT_TRUE(r.s.converged);
  EXPECT_LT(r.s.iterations, 100);
  checkOnTheCurves(r, soil, p.tolerance);
}

TEST(NonlinearSoil, MultipliersScaleTheCurves) {
  // A p-multiplier of 0.5 halves the resistance: the head shear drops.
  const int n = 100;
  const SandLikeSoil soil = sand(n);
  LateralPileModel p = uniformPile(n, kPipeLength, kPipeEi, kConnectionFixed);
  const Solved full = solve(p, headY(1.0, 0.0), soil);
  p.multipliers.p = 0.5;
  const Solved half = solve(p, headY(1.0, 0.0), soil);
  ASSERT_TRUE(full.s.converged && half.s.converged);
  EXPECT_LT(half.s.shearY, 0.9 * full.s.shearY);
}

TEST(IterationControl, OneIterationAlwaysWarns) {
  // The first solution never counts as converged, even for a linear soil that would need no
  // second one.
  const int n = 40;
  const ConstantModulusSoil soil(n, 10.0, 500.0);
  LateralPileModel p = uniformPile(n, 400.0, 1.0e10, kConnectionFixed);
  p.maxIterations = 1;
  p.pileNumber = 12;
  for (double y0 : {0.0, 0.5}) {
    Solved r = solve(p, headY(y0, 0.0), soil);
    EXPECT_TRUE(isOk(r.s.status));
    EXPECT_FALSE(r.s.converged);
    EXPECT_EQ(r.s.iterations, 1);
    EXPECT_EQ(r.s.shearY, 0.0);
    ASSERT_EQ(r.diag.report.size(), 1u);
    EXPECT_EQ(r.diag.report[0],
              "     ** WARNING **  NO CLOSURE OF A LLP AFTER    1 ITERATIONS  PILE GROUP   12");
    EXPECT_EQ(r.diag.runtime, r.diag.report);
  }
}

TEST(IterationControl, ZeroHeadMotionGivesZeroEverywhereAfterTwoSolutions) {
  const int n = 100;
  const SoftClayLikeSoil soil = softClay(n);
  const Solved r =
      solve(uniformPile(n, kPipeLength, kPipeEi, kConnectionFixed), headY(0.0, 0.0), soil);
  ASSERT_TRUE(r.s.converged);
  EXPECT_EQ(r.s.iterations, 2);
  EXPECT_EQ(r.s.shearY, 0.0);
  EXPECT_EQ(r.s.momentY, 0.0);
  for (int q = 1; q <= kResultQuantities; ++q) {
    if (q == quantity::kStiffnessZ || q == quantity::kStiffnessY) continue;
    for (int m = 0; m <= n; ++m) EXPECT_EQ(r.results->at(q, m), 0.0) << q << " " << m;
  }
  EXPECT_TRUE(r.diag.empty());
}

TEST(IterationControl, NonConvergenceWithinTheLimitIsReported) {
  // Two iterations are too few for the soft clay at 10 % of the diameter.
  const int n = 100;
  const SoftClayLikeSoil soil = softClay(n);
  LateralPileModel p = uniformPile(n, kPipeLength, kPipeEi, kConnectionFixed);
  p.maxIterations = 2;
  p.tolerance = 1.0e-8;
  const Solved r = solve(p, headY(2.4, 0.0), soil);
  EXPECT_FALSE(r.s.converged);
  EXPECT_EQ(r.s.iterations, 2);
  ASSERT_EQ(r.diag.report.size(), 1u);
  EXPECT_NE(r.diag.report[0].find("AFTER    2 ITERATIONS"), std::string::npos);
}

// A soil that reports missing data on its first update.
class FailingSoil final : public LateralSoil {
 public:
  int nodeCount() const override { return 11; }
  StatusCode initialModuli(std::span<double> es, Diagnostics&) const override {
    for (double& e : es) e = 100.0;
    return StatusCode::kCompleted;
  }
  StatusCode secantModuli(std::span<const double>, PyMultipliers, std::span<double>,
                          Diagnostics& d) const override {
    d.both("SOIL DATA MISSING");
    return StatusCode::kCohesionBeyondProfile;
  }
};

TEST(IterationControl, ASoilErrorEndsTheSolveAtOnce) {
  const FailingSoil soil;
  const Solved r = solve(uniformPile(10, 100.0, 1.0e9, kConnectionFixed), headY(0.1, 0.0), soil);
  EXPECT_EQ(r.s.status, StatusCode::kCohesionBeyondProfile);
  EXPECT_FALSE(r.s.converged);
  ASSERT_EQ(r.diag.report.size(), 1u);
  EXPECT_EQ(r.diag.report[0], "SOIL DATA MISSING");
}

// ---------------------------------------------------------------------------------------------
// Guards: what would divide by zero gives zeros or a clear refusal, never NaN
// ---------------------------------------------------------------------------------------------
TEST(Guards, ZeroIncrementCountIsRefused) {
  const ConstantModulusSoil soil(10, 10.0, 100.0);
  LateralPileModel p = uniformPile(10, 100.0, 1.0e9, kConnectionFixed);
  p.increments = 0;
  const Solved r = solve(p, headY(0.1, 0.0), soil);
  EXPECT_EQ(r.s.status, StatusCode::kInputInvalidValue);
  ASSERT_EQ(r.diag.report.size(), 3u);
  EXPECT_NE(r.diag.report[1].find("PILE GROUP    7"), std::string::npos);
}

TEST(Guards, ZeroBendingStiffnessIsRefused) {
  const ConstantModulusSoil soil(10, 10.0, 100.0);
  LateralPileModel p = uniformPile(10, 100.0, 1.0e9, kConnectionFixed);
  p.stiffnessZ[4] = 0.0;
  const Solved r = solve(p, headY(0.1, 0.0), soil);
  EXPECT_EQ(r.s.status, StatusCode::kZeroBendingStiffness);
  ASSERT_EQ(r.diag.report.size(), 3u);
  EXPECT_NE(r.diag.report[2].find("NODE   4"), std::string::npos);
}

TEST(Guards, ASoilForAnotherPileIsRefused) {
  const ConstantModulusSoil soil(20, 5.0, 100.0);
  const Solved r = solve(uniformPile(10, 100.0, 1.0e9, kConnectionFixed), headY(0.1, 0.0), soil);
  EXPECT_EQ(r.s.status, StatusCode::kInternalError);
  ASSERT_EQ(r.diag.report.size(), 2u);
  EXPECT_EQ(r.diag.report[1],
            "     LATERALLY LOADED PILE, PILE GROUP    7: 11 NODES, THE SOIL HAS 21");
}

TEST(Guards, ZeroPivotGivesZeroCoefficients) {
  // Fixed head (B(-1) = 1), R = 2, h = 1, no soil: the pivot at node 1 is
  // R + 4R + R - 2Q·h² + R·B(-1) = 7R - 2Q, exactly zero for Q = 7.
  const int n = 10;
  const ConstantModulusSoil air(n, 1.0, 1.0, 100.0);
  LateralPileModel p = uniformPile(n, 10.0, 2.0, kConnectionFixed);
  PileHeadInput head = headY(0.1, 0.0);
  head.axialLoad = 7.0;
  const Solved r = solve(p, head, air);
  ASSERT_TRUE(isOk(r.s.status));
  EXPECT_EQ(r.work->aY[slotOf(1)], 0.0);
  EXPECT_EQ(r.work->bY[slotOf(1)], 0.0);
  EXPECT_EQ(r.work->cY[slotOf(1)], 0.0);
  for (int m = -1; m <= n + 2; ++m) EXPECT_TRUE(std::isfinite(r.y(m))) << m;
}

TEST(Guards, PinnedPileInTheAirStaysFinite) {
  // Pinned head, no soil: the pile could turn freely about its head, the tip determinant
  // vanishes. Whatever the rounding leaves, no value may be NaN or infinite.
  const int n = 20;
  const ConstantModulusSoil air(n, 10.0, 1.0, 1000.0);
  const Solved r = solve(uniformPile(n, 200.0, 1.0e9, kConnectionPinned), headY(0.1, 0.0), air);
  ASSERT_TRUE(isOk(r.s.status));
  for (int m = -1; m <= n + 2; ++m) EXPECT_TRUE(std::isfinite(r.y(m))) << m;
  EXPECT_TRUE(std::isfinite(r.s.shearY));
  EXPECT_TRUE(std::isfinite(r.s.momentY));
}

// ---------------------------------------------------------------------------------------------
// Mesh refinement: a pile of N·K increments (beyond the input format's 100) converges as h² to
// the closed forms, and Richardson's extrapolation (4·f(h/2) − f(h))/3 removes that error.
// ---------------------------------------------------------------------------------------------
// Head flexibility y0/V of a free-head (pinned) pile pushed y0 at the head, on meshes of
// N0·K increments, K = 1, 2, 4.
template <class Soil>
std::array<double, 3> freeHeadFlexibility(int n0, double length, double ei, double k) {
  std::array<double, 3> f{};
  for (std::size_t i = 0; i < 3; ++i) {
    const int n = n0 << i;
    const Soil soil(n, length / n, k);
    const Solved r = solve(uniformPile(n, length, ei, kConnectionPinned), headY(0.5, 0.0), soil);
    EXPECT_TRUE(r.s.converged) << n;
    EXPECT_EQ(r.results->increments, n);
    f[i] = 0.5 / r.s.shearY;
  }
  return f;
}

// The error falls by 4 per halving of h (3.6 to 4.4: the next term, h⁴, still shows at K = 1),
// and the extrapolated value lies within 0.05 % of the closed form, when the unrefined mesh is
// off by far more.
void checkSecondOrder(const std::array<double, 3>& f, double exact) {
  const double e1 = f[0] - exact, e2 = f[1] - exact, e4 = f[2] - exact;
  EXPECT_GT(std::abs(e1) / exact, 5.0e-3);
  EXPECT_NEAR(e1 / e2, 4.0, 0.4);
  EXPECT_NEAR(e2 / e4, 4.0, 0.4);
  EXPECT_LT(relativeError((4.0 * f[2] - f[1]) / 3.0, exact), 5.0e-4);
}

TEST(MeshRefinement, HetenyiFreeHeadConvergesAsHSquared) {
  // Constant modulus k: y0 = 2Vλ/k, λ = (k/4EI)^(1/4). λL = 12; N0 = 30 gives λh = 0.4, the
  // coarse mesh of a pile in stiff ground.
  const double ei = 29.0e6 * 731.9, k = 500.0;
  const double lam = std::pow(k / (4.0 * ei), 0.25);
  checkSecondOrder(freeHeadFlexibility<ConstantModulusSoil>(30, 12.0 / lam, ei, k), 2.0 * lam / k);
}

TEST(MeshRefinement, MatlockReeseFreeHeadConvergesAsHSquared) {
  // Modulus growing with depth, Es = k·x: y0 = Ay·V·T³/EI, T = (EI/k)^(1/5). Ay = 2.42918 is the
  // exact long-pile value of A'''' + Z·A = 0 with A''(0) = 0, A'''(0) = 1 and A'' = A''' = 0 at
  // Z = 10 (fundamental solutions integrated by fourth-order Runge-Kutta, 40 000 steps, stable to
  // 1E-9; Matlock and Reese's 1960 table, itself from a finite-difference mesh, gives 2.435).
  // L = 10T; N0 = 25 gives h = 0.4T.
  const double ei = 29.0e6 * 2549.3, k = 60.0;
  const double t = std::pow(ei / k, 0.2);
  checkSecondOrder(freeHeadFlexibility<LinearModulusSoil>(25, 10.0 * t, ei, k),
                   2.42918 * t * t * t / ei);
}

TEST(Nodes, OneHundredIncrementsUseEverySlot) {
  // N = 100 reaches node 102 (slot 105) in the working arrays; the sanitizers watch the bounds.
  const int n = kMaxFileIncrements;
  const ConstantModulusSoil soil(n, 12.0, 500.0);
  const Solved r = solve(uniformPile(n, 1200.0, 2.1e10, kConnectionFixed), headY(0.5, 0.0), soil);
  ASSERT_TRUE(r.s.converged);
  EXPECT_EQ(r.results->increments, n);
  EXPECT_DOUBLE_EQ(r.results->coordinate(n), 1200.0);
}

TEST(Nodes, ASinglePileIncrementIsSolved) {
  // N = 1: the tip rows reach the head rows directly. A fixed, rigidly translated pile in the
  // air keeps its deflection.
  const ConstantModulusSoil air(1, 10.0, 1.0, 100.0);
  const Solved r = solve(uniformPile(1, 10.0, 1.0e6, kConnectionFixed), headY(0.2, 0.0), air);
  ASSERT_TRUE(r.s.converged);
  EXPECT_NEAR(r.y(1), 0.2, 1.0e-12);
}

// ---------------------------------------------------------------------------------------------
// Re-entrancy
// ---------------------------------------------------------------------------------------------
TEST(Reentrancy, TwoPilesOnTwoThreadsMatchTheSequentialResults) {
  const int n = 100;
  const SoftClayLikeSoil clay = softClay(n);
  const SandLikeSoil sandSoil = sand(n);
  const LateralPileModel p1 = uniformPile(n, kPipeLength, kPipeEi, kConnectionFixed);
  LateralPileModel p2 = uniformPile(n, kPipeLength, kPipeEi, kConnectionPinned);
  p2.loadY.fill(5.0);
  PileHeadInput h1 = headY(1.2, 0.001);
  h1.deflectionZ = 0.6;
  const PileHeadInput h2 = headY(2.0, 0.0);

  const Solved s1 = solve(p1, h1, clay);
  const Solved s2 = solve(p2, h2, clay);
  const Solved s3 = solve(p2, h2, sandSoil);

  // Each thread solves its pile many times with its own workspace; both read the same soil.
  Solved t1, t2, t3;
  std::thread a([&] {
    for (int i = 0; i < 20; ++i) t1 = solve(p1, h1, clay);
  });
  std::thread b([&] {
    for (int i = 0; i < 20; ++i) {
      t2 = solve(p2, h2, clay);
      t3 = solve(p2, h2, sandSoil);
    }
  });
  a.join();
  b.join();
  EXPECT_EQ(t1.s.shearY, s1.s.shearY);
  EXPECT_EQ(t1.s.shearZ, s1.s.shearZ);
  EXPECT_EQ(t1.s.momentY, s1.s.momentY);
  EXPECT_EQ(t1.s.iterations, s1.s.iterations);
  EXPECT_EQ(t2.s.shearY, s2.s.shearY);
  EXPECT_EQ(t2.s.momentY, s2.s.momentY);
  EXPECT_EQ(t1.results->values, s1.results->values);
  EXPECT_EQ(t2.results->values, s2.results->values);
  EXPECT_EQ(t3.results->values, s3.results->values);
}

// The distributed load and the free-field soil movement act at the fraction of the load being
// applied. A free beam on springs of constant modulus k under a uniform load w and a uniform soil
// movement g simply translates by w/k + g; with the head held at zero deflection, the pile far
// below the head (λx = 10) does the same at a fraction f of both: y = f·(w/k + g), and the soil
// reaction there, k·(y - f·g), is f·w.
TEST(LoadFraction, DistributedLoadAndSoilMovementFollowTheFraction) {
  const double ei = 29.0e6 * 731.9, k = 500.0, length = 2400.0, w = 12.0, g = 0.3;
  const int n = 100;
  LateralPileModel pile = uniformPile(n, length, ei, kConnectionFixed);
  pile.soilMovement = true;
  for (int m = 0; m <= n; ++m) {
    pile.loadY[static_cast<std::size_t>(m)] = w;
    pile.movementY[static_cast<std::size_t>(m)] = g;
  }
  const ConstantModulusSoil soil(n, length / n, k);
  for (double f : {1.0, 0.4}) {
    PileHeadInput head = headY(0.0, 0.0);
    head.loadFraction = f;
    const Solved r = solve(pile, head, soil);
    ASSERT_TRUE(r.s.converged);
    const int mid = n / 2;
    EXPECT_NEAR(r.y(mid), f * (w / k + g), 1.0e-3 * (w / k + g)) << f;
    EXPECT_NEAR(r.results->at(quantity::kSoilReactionY, mid), f * w, 1.0e-3 * w) << f;
    EXPECT_DOUBLE_EQ(r.results->at(quantity::kDistributedLoadY, mid), f * w);
  }
}

}  // namespace
}  // namespace stilt
