// Secant bending stiffness from moment-curvature sets, and its use by the pile solver.

#include "pile/bending_stiffness.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "pile/lateral_pile.hpp"
#include "pile/result_quantities.hpp"
#include "pile/test_soils.hpp"

namespace stilt {
namespace {

MomentCurvatureCurve curve(double axialLoad, std::vector<MomentCurvaturePoint> points) {
  MomentCurvatureCurve c;
  c.axialLoad = axialLoad;
  c.points = std::move(points);
  return c;
}

// Two axial-load levels of a cracking section, (moment, curvature) points.
MomentCurvatureSet twoLevels() {
  MomentCurvatureSet s;
  s.number = 1;
  s.curves.push_back(curve(0.0, {{0.0, 0.0}, {100.0, 0.001}, {180.0, 0.003}, {200.0, 0.006}}));
  s.curves.push_back(curve(1000.0, {{0.0, 0.0}, {150.0, 0.001}, {250.0, 0.003}, {280.0, 0.006}}));
  return s;
}

constexpr double kElastic = 9.9e9;  // never expected from a usable set

TEST(SecantStiffness, UnbentSectionTakesTheFirstSegmentSlope) {
  // M2/φ2 = 100/0.001.
  EXPECT_DOUBLE_EQ(secantBendingStiffness(twoLevels(), 0.0, 0.0, kElastic), 1.0e5);
}

TEST(SecantStiffness, CurvatureOnAPointGivesItsMoment) {
  // φ = 0.003 is the third point: M = 180, EI = 180/0.003 = 60000.
  EXPECT_DOUBLE_EQ(secantBendingStiffness(twoLevels(), 0.003, 0.0, kElastic), 180.0 / 0.003);
  // φ = 0.001, the second point, is also the first-segment slope.
  EXPECT_DOUBLE_EQ(secantBendingStiffness(twoLevels(), 0.001, 0.0, kElastic), 1.0e5);
}

TEST(SecantStiffness, BetweenPointsTheMomentIsInterpolated) {
  // φ = 0.002: M = 100 + (0.002 - 0.001)·(180 - 100)/(0.003 - 0.001) = 140, EI = 70000.
  EXPECT_NEAR(secantBendingStiffness(twoLevels(), 0.002, 0.0, kElastic), 70000.0, 1.0e-9);
  // Inside the first segment the curve is the straight line through the origin.
  EXPECT_NEAR(secantBendingStiffness(twoLevels(), 0.0004, 0.0, kElastic), 1.0e5, 1.0e-9);
}

TEST(SecantStiffness, BeyondTheLastPointTheMomentStaysAtTheLastMoment) {
  // EI = M_last/φ = 200/φ, falling as the curvature grows.
  EXPECT_DOUBLE_EQ(secantBendingStiffness(twoLevels(), 0.012, 0.0, kElastic), 200.0 / 0.012);
  EXPECT_DOUBLE_EQ(secantBendingStiffness(twoLevels(), 0.024, 0.0, kElastic), 200.0 / 0.024);
}

TEST(SecantStiffness, AxialLoadLevels) {
  const MomentCurvatureSet s = twoLevels();
  const double low = 180.0 / 0.003;   // level P = 0 at φ = 0.003
  const double high = 250.0 / 0.003;  // level P = 1000
  // Exactly at a level: that level alone.
  EXPECT_DOUBLE_EQ(secantBendingStiffness(s, 0.003, 0.0, kElastic), low);
  EXPECT_DOUBLE_EQ(secantBendingStiffness(s, 0.003, 1000.0, kElastic), high);
  // Halfway: the mean of the two levels' stiffnesses.
  EXPECT_NEAR(secantBendingStiffness(s, 0.003, 500.0, kElastic), 0.5 * (low + high), 1.0e-9);
  // A quarter of the way: EI' - (EI' - EI)·(1000 - 250)/1000.
  EXPECT_NEAR(secantBendingStiffness(s, 0.003, 250.0, kElastic), low + 0.25 * (high - low), 1.0e-9);
  // Below the first level the first; above the last the last.
  EXPECT_DOUBLE_EQ(secantBendingStiffness(s, 0.003, -400.0, kElastic), low);
  EXPECT_DOUBLE_EQ(secantBendingStiffness(s, 0.003, 5000.0, kElastic), high);
}

TEST(SecantStiffness, UnreadableSetsKeepTheElasticValue) {
  MomentCurvatureSet none;
  EXPECT_EQ(secantBendingStiffness(none, 0.001, 0.0, kElastic), kElastic);
  MomentCurvatureSet onePoint;
  onePoint.curves.push_back(curve(0.0, {{10.0, 0.001}}));
  EXPECT_EQ(secantBendingStiffness(onePoint, 0.001, 0.0, kElastic), kElastic);
  MomentCurvatureSet flatStart;
  flatStart.curves.push_back(curve(0.0, {{0.0, 0.0}, {10.0, 0.0}, {20.0, 0.1}}));
  EXPECT_EQ(secantBendingStiffness(flatStart, 0.0, 0.0, kElastic), kElastic);
}

TEST(SecantStiffness, ZeroCurvatureNeverDivides) {
  // A curve starting at a negative curvature: φ = 0 lies beyond its first point, yet M/φ is
  // undefined there; the first-segment slope is used.
  MomentCurvatureSet s;
  s.curves.push_back(curve(0.0, {{-10.0, -0.001}, {100.0, 0.001}, {150.0, 0.004}}));
  EXPECT_DOUBLE_EQ(secantBendingStiffness(s, 0.0, 0.0, kElastic), 1.0e5);
}

TEST(UpdateBendingStiffness, CurvatureFromTheDeflections) {
  // y = κ·x²/2 has second difference κ·h² at every node, so φ = κ everywhere.
  const int n = 10;
  const double h = 2.0;
  const double kappa = 0.002;
  NodeArray y(slotCount(n));
  for (int m = -2; m <= n + 2; ++m) y[slotOf(m)] = 0.5 * kappa * (m * h) * (m * h);
  const MomentCurvatureSet s = twoLevels();
  NodeCurveSets sets(realNodeCount(n));
  for (int m = 0; m <= n; ++m) sets[static_cast<std::size_t>(m)] = m == 4 ? nullptr : &s;
  NodeArray r(slotCount(n));
  r.fill(5.0e5);
  updateBendingStiffness(n, h, 0.0, y, sets, r);
  // M(0.002) = 140: EI = 70000 at every node with a set.
  for (int m = 0; m <= n; ++m) {
    if (m == 4) {
      EXPECT_EQ(r[slotOf(m)], 5.0e5);  // set number 0: the elastic value stays
    } else {
      EXPECT_NEAR(r[slotOf(m)], 70000.0, 1.0e-6) << m;
    }
  }
  // The imaginary nodes keep their values.
  EXPECT_EQ(r[slotOf(-1)], 5.0e5);
  EXPECT_EQ(r[slotOf(n + 1)], 5.0e5);
}

TEST(UpdateBendingStiffness, AnUnloadedPileTakesTheFirstSegmentSlopeEverywhere) {
  // Curvatures of rounding size (below 1.0E-15) count as zero.
  const int n = 8;
  NodeArray y(slotCount(n));
  for (int m = -2; m <= n + 2; ++m) y[slotOf(m)] = (m % 2) * 1.0e-20;
  const MomentCurvatureSet s = twoLevels();
  NodeCurveSets sets(realNodeCount(n));
  sets.fill(&s);
  NodeArray r(slotCount(n));
  r.fill(1.0);
  updateBendingStiffness(n, 1.0, 0.0, y, sets, r);
  for (int m = 0; m <= n; ++m) EXPECT_DOUBLE_EQ(r[slotOf(m)], 1.0e5) << m;
}

// ---------------------------------------------------------------------------------------------
// The solver with moment-curvature sets
// ---------------------------------------------------------------------------------------------
struct PileRun {
  LateralPileSolution s;
  std::unique_ptr<LateralPileWorkspace> work = std::make_unique<LateralPileWorkspace>();
  std::unique_ptr<PileResults> results = std::make_unique<PileResults>();
  Diagnostics diag;
};

LateralPileModel pileWithSet(int n, double length, double ei, const MomentCurvatureSet* set) {
  LateralPileModel p;
  p.resizeNodes(n);
  p.increment = length / n;
  p.stiffnessY.fill(ei);
  p.stiffnessZ.fill(ei);
  p.headY.code = kConnectionFixed;
  p.headZ.code = kConnectionFixed;
  p.nonlinearBending = set != nullptr;
  p.curvesY.fill(set);
  p.curvesZ.fill(set);
  p.tolerance = 1.0e-9;
  return p;
}

TEST(NonlinearBending, ALinearSetReplacesTheElasticStiffness) {
  // A straight moment-curvature line of slope EI1 = EI/2: after the first solution every node
  // takes EI1, so the pile answers as Hetenyi's long beam of stiffness EI1 (fixed head):
  // V = 4·EI1·λ1³·y0 with λ1 = (k/4EI1)^(1/4). Tolerance 1 % as for the elastic beam.
  const double ei = 29.0e6 * 731.9, ei1 = 0.5 * ei, k = 500.0, length = 1200.0, y0 = 0.5;
  MomentCurvatureSet line;
  line.curves.push_back(curve(0.0, {{0.0, 0.0}, {ei1 * 1.0e-3, 1.0e-3}, {ei1, 1.0}}));
  const int n = 100;
  const testing::ConstantModulusSoil soil(n, length / n, k);
  PileRun r;
  PileHeadInput head;
  head.deflectionY = y0;
  r.s = solveLaterallyLoadedPile(pileWithSet(n, length, ei, &line), head, soil, *r.work,
                                 r.results.get(), r.diag);
  ASSERT_TRUE(r.s.converged);
  const double lam1 = std::pow(k / (4.0 * ei1), 0.25);
  EXPECT_NEAR(r.s.shearY, 4.0 * ei1 * std::pow(lam1, 3) * y0,
              0.01 * 4.0 * ei1 * std::pow(lam1, 3) * y0);
  EXPECT_DOUBLE_EQ(r.results->at(quantity::kStiffnessZ, 10), ei1);
  EXPECT_DOUBLE_EQ(r.results->at(quantity::kStiffnessY, 10), ei1);
}

TEST(NonlinearBending, MomentsLieOnTheCurve) {
  // A yielding section: after convergence each node's moment is -R·y'' with R = M(φ)/φ from
  // the curve at that very curvature, so |M| equals the curve's moment at |y''| (to rounding),
  // and the head moment stays below the plastic moment of 2.0E6.
  const double ei = 29.0e6 * 731.9, k = 500.0, length = 1200.0;
  MomentCurvatureSet yielding;
  yielding.curves.push_back(
      curve(0.0, {{0.0, 0.0}, {1.0e6, 1.0e6 / ei}, {1.8e6, 4.0e6 / ei}, {2.0e6, 1.0}}));
  const int n = 100;
  const double h = length / n;
  const testing::ConstantModulusSoil soil(n, h, k);
  PileRun r;
  PileHeadInput head;
  head.deflectionY = 2.0;  // elastic head moment 2EIλ²·y0 = 6.5E6, well past yield
  r.s = solveLaterallyLoadedPile(pileWithSet(n, length, ei, &yielding), head, soil, *r.work,
                                 r.results.get(), r.diag);
  ASSERT_TRUE(r.s.converged);
  EXPECT_LT(r.s.momentY, 2.0e6);
  EXPECT_GT(r.s.momentY, 1.8e6);
  for (int m = 0; m <= n; m += 5) {
    const auto& y = r.work->y;
    const double phi = std::abs(y[slotOf(m + 1)] - 2.0 * y[slotOf(m)] + y[slotOf(m - 1)]) / (h * h);
    if (phi < kCurvatureGuard) continue;
    const double onCurve = secantBendingStiffness(yielding, phi, 0.0, ei) * phi;
    EXPECT_NEAR(std::abs(r.results->at(quantity::kMomentZ, m)), onCurve, 1.0e-9 * 2.0e6) << m;
  }
}

TEST(NonlinearBending, SetsAreIgnoredWhenSwitchedOff) {
  MomentCurvatureSet soft;
  soft.curves.push_back(curve(0.0, {{0.0, 0.0}, {1.0, 1.0}}));
  const int n = 50;
  const testing::ConstantModulusSoil soil(n, 10.0, 500.0);
  LateralPileModel p = pileWithSet(n, 500.0, 1.0e10, &soft);
  p.nonlinearBending = false;
  PileRun r;
  PileHeadInput head;
  head.deflectionY = 0.3;
  r.s = solveLaterallyLoadedPile(p, head, soil, *r.work, r.results.get(), r.diag);
  ASSERT_TRUE(r.s.converged);
  EXPECT_EQ(r.results->at(quantity::kStiffnessZ, 20), 1.0e10);
}

// A plastic hinge: the curvature lies beyond the last point of the curve, so the moment can grow
// no further. Between two axial-load levels the moment is interpolated and still grows while
// either level's curve does.
TEST(PlasticHinge, CurvatureBeyondTheLastPointOfTheCurvesInUse) {
  MomentCurvatureSet s;
  s.curves.push_back(curve(0.0, {{0.0, 0.0}, {100.0, 0.001}, {200.0, 0.006}}));
  s.curves.push_back(curve(1000.0, {{0.0, 0.0}, {150.0, 0.001}, {280.0, 0.010}}));
  EXPECT_FALSE(isPlasticHinge(s, 0.006, 0.0));  // on the last point
  EXPECT_TRUE(isPlasticHinge(s, 0.0061, 0.0));
  EXPECT_FALSE(isPlasticHinge(s, 0.0061, 500.0));  // the upper level still rises
  EXPECT_TRUE(isPlasticHinge(s, 0.0101, 500.0));
  EXPECT_FALSE(isPlasticHinge(s, 0.0061, 1000.0));  // at a level, that level alone
  EXPECT_TRUE(isPlasticHinge(s, 0.0101, 2000.0));
}

// A fixed head pushed far sideways on a section that yields at 1.8E6 (no strength beyond a
// curvature of 4.0E6/EI): the elastic head moment 2EIλ²·y0 = 6.5E6 cannot be carried, so the head
// node bends past the end of its curve. A small push stays on the curve.
TEST(PlasticHinge, TheSolverNamesTheFirstNodePastItsCurve) {
  const double ei = 29.0e6 * 731.9, k = 500.0, length = 1200.0;
  MomentCurvatureSet yielding;
  yielding.curves.push_back(curve(0.0, {{0.0, 0.0}, {1.0e6, 1.0e6 / ei}, {1.8e6, 4.0e6 / ei}}));
  const int n = 100;
  const testing::ConstantModulusSoil soil(n, length / n, k);
  LateralPileModel pile = pileWithSet(n, length, ei, &yielding);
  pile.maxIterations = 500;
  for (double y0 : {2.0, 0.05}) {
    PileRun r;
    PileHeadInput head;
    head.deflectionY = y0;
    r.s = solveLaterallyLoadedPile(pile, head, soil, *r.work, r.results.get(), r.diag);
    ASSERT_TRUE(r.s.converged) << y0;
    EXPECT_EQ(r.s.hingeNode, y0 > 1.0 ? 0 : -1) << y0;
  }
  // Without moment-curvature sets there is no hinge to find.
  PileRun r;
  PileHeadInput head;
  head.deflectionY = 2.0;
  r.s = solveLaterallyLoadedPile(pileWithSet(n, length, ei, nullptr), head, soil, *r.work,
                                 r.results.get(), r.diag);
  ASSERT_TRUE(r.s.converged);
  EXPECT_EQ(r.s.hingeNode, -1);
}

}  // namespace
}  // namespace stilt
