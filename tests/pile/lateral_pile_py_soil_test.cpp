// The laterally loaded pile solver on the p-y springs of real soil (soil/py_soil.hpp): a 24-in
// steel pipe, 60 ft long, in 100 increments, pushed 10 % of its diameter at the head in soft clay
// (Matlock 1970), sand (Reese, Cox & Koop 1974) and weak rock (Reese 1997), with a fixed and with
// a free head. The solutions are checked against the statics of the whole pile, against the
// curves they stand on and against the order the loading must give.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "pile/lateral_pile.hpp"
#include "pile/result_quantities.hpp"
#include "soil/py_soil.hpp"

namespace stilt {
namespace {

// 24-in pipe with a 0.5-in wall: I = π/64·(24⁴ - 23⁴) = π/64·51935 = 2549.3 in⁴, E = 29E6 psi.
constexpr int kIncrements = 100;
constexpr double kLength = 720.0;
constexpr double kDiameter = 24.0;
constexpr double kEi = 29.0e6 * 2549.3;
constexpr double kTolerance = 1.0e-5;  // in, the default closure of a load case

enum class Family { kSoftClay, kSand, kWeakRock };

std::string nameOf(Family f) {
  switch (f) {
    case Family::kSoftClay:
      return "soft clay";
    case Family::kSand:
      return "sand";
    case Family::kWeakRock:
      return "weak rock";
  }
  return "";
}

using Row = std::array<double, 11>;  // [1] γ', [2] c or qu, [3] φ deg, [4] k, [5] Er, [6] ε50 or
                                     // krm, [7] RQD

// One layer from the ground surface to 800 in, below the pile tip, in English units (lb, in).
SoilProfile profileOf(Family f) {
  SoilLayer l;
  l.top = 0.0;
  l.bottom = 800.0;
  switch (f) {
    case Family::kSoftClay:  // 36 pcf submerged, c from 3 to 8 psi, ε50 = 0.01 (y50 = 0.6 in)
      l.soilType = 1;
      l.parameters[0] = Row{0, 0.0208, 3.0, 0, 0, 0, 0.01};
      l.parameters[1] = Row{0, 0.0208, 8.0, 0, 0, 0, 0.01};
      break;
    case Family::kSand:  // 58 pcf submerged, φ = 34°, k = 60 pci
      l.soilType = 4;
      l.parameters[0] = Row{0, 0.0336, 0, 34.0, 60.0};
      l.parameters[1] = Row{0, 0.0336, 0, 34.0, 60.0};
      break;
    case Family::kWeakRock:  // qu = 500 psi, Er = 5E4 psi, krm = 0.0005, RQD = 50 %
      l.soilType = 9;
      l.parameters[0] = Row{0, 0.08, 500.0, 0, 0, 5.0e4, 0.0005, 50.0};
      l.parameters[1] = Row{0, 0.08, 500.0, 0, 0, 5.0e4, 0.0005, 50.0};
      break;
  }
  AnalysisModel m;
  m.switches.values[1] = 1;
  m.soilLayers = {l};
  return buildSoilProfile(m);
}

// The pile's springs: node m at depth m·h below the ground, the head at the ground surface.
struct RealSoil {
  SoilProfile profile;
  PySoil soil;
};

std::unique_ptr<RealSoil> realSoil(Family f, bool cyclic = false, int n = kIncrements) {
  auto s = std::make_unique<RealSoil>();
  s->profile = profileOf(f);
  std::vector<double> depths(static_cast<std::size_t>(n + 1));
  for (int m = 0; m <= n; ++m) depths[static_cast<std::size_t>(m)] = m * kLength / n;
  const std::vector<double> widths(depths.size(), kDiameter);
  PySoilInput in;
  in.profile = &s->profile;
  in.depths = depths;
  in.widths = widths;
  in.cyclic = cyclic;
  Diagnostics d;
  EXPECT_EQ(PySoil::build(in, s->soil, d), StatusCode::kCompleted) << nameOf(f);
  EXPECT_TRUE(d.empty()) << nameOf(f);
  return s;
}

LateralPileModel pipe(int connection, int n = kIncrements) {
  LateralPileModel p;
  p.pileNumber = 3;
  p.resizeNodes(n);
  p.increment = kLength / n;
  p.stiffnessY.fill(kEi);
  p.stiffnessZ.fill(kEi);
  p.headY.code = connection;
  p.headZ.code = connection;
  p.maxIterations = 100;
  p.tolerance = kTolerance;
  return p;
}

struct Solved {
  LateralPileSolution s;
  std::unique_ptr<LateralPileWorkspace> work = std::make_unique<LateralPileWorkspace>();
  std::unique_ptr<PileResults> results = std::make_unique<PileResults>();
  Diagnostics diag;
  double at(int q, int node) const { return results->at(q, node); }
};

std::unique_ptr<Solved> solve(const LateralPileModel& p, double y0, const LateralSoil& soil) {
  auto out = std::make_unique<Solved>();
  PileHeadInput head;
  head.deflectionY = y0;
  out->s = solveLaterallyLoadedPile(p, head, soil, *out->work, out->results.get(), out->diag);
  return out;
}

constexpr Family kFamilies[] = {Family::kSoftClay, Family::kSand, Family::kWeakRock};
constexpr int kHeads[] = {kConnectionFixed, kConnectionPinned};

// ---- Mesh refinement ------------------------------------------------------------------------

TEST(MeshRefinement, StiffRockHeadForceConvergesMonotonically) {
  // Weak rock (Reese 1997) around the 24-in pipe: Es is 100·Er and more from the surface down, so
  // the characteristic length (4EI/Es)^(1/4) is some 17 in against h = 7.2 in of 100 increments.
  // At a small head deflection the meshes refined 2, 4 and 8 times stiffen the pile step by step,
  // each step smaller than the one before. The steps halve rather than quarter: the node at the
  // ground surface carries no spring, while the rock resists from the surface on, so the head
  // shear misses about h/2·p(0), an error of first order in h.
  std::array<double, 4> v{};
  for (std::size_t i = 0; i < v.size(); ++i) {
    const int n = kIncrements << i;
    const auto soil = realSoil(Family::kWeakRock, false, n);
    LateralPileModel p = pipe(kConnectionPinned, n);
    p.tolerance = 1.0e-10;
    const auto r = solve(p, 0.02, soil->soil);
    ASSERT_TRUE(r->s.converged) << n;
    v[i] = r->s.shearY;
  }
  const double d1 = v[1] - v[0], d2 = v[2] - v[1], d3 = v[3] - v[2];
  EXPECT_GT(d1, 0.0);  // the coarse mesh is the softer
  EXPECT_GT(d2, 0.0);
  EXPECT_GT(d3, 0.0);
  EXPECT_LT(d2, 0.6 * d1);
  EXPECT_LT(d3, 0.6 * d2);
  EXPECT_GT(d1 / v[3], 0.01);  // worth refining: the unrefined answer is off by more than 1 %
}

// ---- Convergence ----------------------------------------------------------------------------

TEST(RealSoilConvergence, EveryFamilyAndHeadClosesAtTenPercentOfTheDiameter) {
  for (Family f : kFamilies) {
    const auto soil = realSoil(f);
    for (int head : kHeads) {
      const auto r = solve(pipe(head), 0.1 * kDiameter, soil->soil);
      SCOPED_TRACE(nameOf(f) + (head == kConnectionFixed ? ", fixed head" : ", free head"));
      ASSERT_TRUE(isOk(r->s.status));
      ASSERT_TRUE(r->s.converged);
      EXPECT_GT(r->s.iterations, 2);  // the soil is nonlinear: more than the minimum of two
      EXPECT_LT(r->s.iterations, 100);
      EXPECT_TRUE(r->diag.empty());
      EXPECT_GT(r->s.shearY, 0.0);  // the soil pushes back against the head
      EXPECT_DOUBLE_EQ(r->at(quantity::kDeflectionY, 0), 0.1 * kDiameter);
      // The out-of-plane deflection was never asked for.
      EXPECT_EQ(r->s.shearZ, 0.0);
      if (head == kConnectionPinned) {
        EXPECT_NEAR(r->s.momentY, 0.0, 1.0e-6 * r->s.shearY * kLength);
      } else {
        EXPECT_GT(r->s.momentY, 0.0);
      }
    }
  }
}

// ---- Statics of the whole pile ------------------------------------------------------------
//
// With no axial load and no distributed load the pile is held only by its head and the soil.
// Along the pile V' = -p and M' = -V (V = EI·y''', M = -EI·y''), with zero moment and shear at
// the free tip, so: V(x) = V0 - ∫0..x p, and the head moment is the first moment of the soil
// reaction about the head, M0 = ∫0..L x·p dx (zero for the free head).
//
// The difference equations hold these in discrete form exactly: at node m,
// M(m+1) - 2·M(m) + M(m-1) = h²·p(m), so the central-difference shear of the results drops by
// h·(p(m-1) + p(m))/2 from node to node, the trapezoidal rule. The solution must satisfy them to
// rounding once the recursion, the head and tip rows and the head values are right; 1E-9 of the
// head value leaves two orders of magnitude over the rounding of a 100-node elimination, and a
// slip in any row or sign is many orders larger.

double firstMomentOfReaction(const Solved& r) {
  const double h = kLength / kIncrements;
  double sum = 0.0;
  for (int m = 0; m <= kIncrements; ++m) {
    const double w = (m == 0 || m == kIncrements) ? 0.5 : 1.0;
    sum += w * m * h * r.at(quantity::kSoilReactionY, m);
  }
  return sum * h;
}

double absoluteFirstMoment(const Solved& r) {
  const double h = kLength / kIncrements;
  double sum = 0.0;
  for (int m = 0; m <= kIncrements; ++m) {
    sum += m * h * std::fabs(r.at(quantity::kSoilReactionY, m));
  }
  return sum * h;
}

TEST(RealSoilStatics, ShearAlongThePileIsTheHeadShearLessTheSoilReactionAbove) {
  const double h = kLength / kIncrements;
  for (Family f : kFamilies) {
    const auto soil = realSoil(f);
    for (int head : kHeads) {
      SCOPED_TRACE(nameOf(f) + (head == kConnectionFixed ? ", fixed head" : ", free head"));
      const auto r = solve(pipe(head), 0.1 * kDiameter, soil->soil);
      ASSERT_TRUE(r->s.converged);
      const double v0 = r->s.shearY;
      double above = 0.0;  // ∫0..x p, trapezoidal
      for (int m = 1; m < kIncrements; ++m) {
        above +=
            0.5 * h * (r->at(quantity::kSoilReactionY, m - 1) + r->at(quantity::kSoilReactionY, m));
        EXPECT_NEAR(r->at(quantity::kShearY, m), v0 - above, 1.0e-9 * v0) << "node " << m;
      }
      // The tip is free: no shear and no moment is left there.
      EXPECT_NEAR(r->at(quantity::kShearY, kIncrements), 0.0, 1.0e-9 * v0);
      EXPECT_NEAR(r->at(quantity::kMomentZ, kIncrements), 0.0, 1.0e-9 * v0 * kLength);
    }
  }
}

TEST(RealSoilStatics, HeadMomentIsTheFirstMomentOfTheSoilReaction) {
  for (Family f : kFamilies) {
    const auto soil = realSoil(f);
    for (int head : kHeads) {
      SCOPED_TRACE(nameOf(f) + (head == kConnectionFixed ? ", fixed head" : ", free head"));
      const auto r = solve(pipe(head), 0.1 * kDiameter, soil->soil);
      ASSERT_TRUE(r->s.converged);
      EXPECT_NEAR(r->s.momentY, firstMomentOfReaction(*r), 1.0e-9 * absoluteFirstMoment(*r));
    }
  }
}

// ---- The reaction lies on the curves ------------------------------------------------------
//
// At closure the moduli were read at the previous iterate y', within the tolerance of the final
// deflection y. All three families have a secant p/y that never grows with y, so the reported
// reaction Es·y lies between |y|·p(|y| + tol)/(|y| + tol) and |y|·p(|y| - tol)/(|y| - tol), with
// p read straight off the node's curve. The 1E-12 relative margin is rounding.
TEST(RealSoilCurves, TheReactionAtEveryNodeIsOnItsCurve) {
  for (Family f : kFamilies) {
    const auto soil = realSoil(f);
    for (int head : kHeads) {
      SCOPED_TRACE(nameOf(f) + (head == kConnectionFixed ? ", fixed head" : ", free head"));
      const auto r = solve(pipe(head), 0.1 * kDiameter, soil->soil);
      ASSERT_TRUE(r->s.converged);
      for (int m = 1; m <= kIncrements; ++m) {
        const double y = std::fabs(r->at(quantity::kDeflectionY, m));
        if (y < 10.0 * kTolerance) continue;  // the band is wider than the value there
        const PyCurve& curve = soil->soil.nodeCurve(m);
        const double low = y * resistance(curve, y + kTolerance) / (y + kTolerance);
        const double high = y * resistance(curve, y - kTolerance) / (y - kTolerance);
        const double p = std::fabs(r->at(quantity::kSoilReactionY, m));
        EXPECT_GE(p, low * (1.0 - 1.0e-12)) << "node " << m;
        EXPECT_LE(p, high * (1.0 + 1.0e-12)) << "node " << m;
      }
    }
  }
}

// ---- Deflected shape ----------------------------------------------------------------------

TEST(RealSoilShape, DeeperNodesMoveLessDownToTheFirstZeroOfTheDeflection) {
  for (Family f : kFamilies) {
    const auto soil = realSoil(f);
    for (int head : kHeads) {
      SCOPED_TRACE(nameOf(f) + (head == kConnectionFixed ? ", fixed head" : ", free head"));
      const auto r = solve(pipe(head), 0.1 * kDiameter, soil->soil);
      ASSERT_TRUE(r->s.converged);
      int m = 1;
      for (; m <= kIncrements && r->at(quantity::kDeflectionY, m) > 0.0; ++m) {
        EXPECT_LT(r->at(quantity::kDeflectionY, m), r->at(quantity::kDeflectionY, m - 1))
            << "node " << m;
      }
      // The pile is long for all three soils: it turns back above its tip (soft clay, the
      // softest, near mid-length), and its tip hardly moves (less than 1 % of the head
      // deflection).
      EXPECT_LT(m, kIncrements);
      EXPECT_LT(std::fabs(r->at(quantity::kDeflectionY, kIncrements)), 0.01 * 0.1 * kDiameter);
    }
  }
}

TEST(RealSoilShape, AFixedHeadNeedsMoreShearThanAFreeOneForTheSameDeflection) {
  // Holding the head against rotation stiffens the pile's lateral response at the head.
  for (Family f : kFamilies) {
    const auto soil = realSoil(f);
    SCOPED_TRACE(nameOf(f));
    const auto fixed = solve(pipe(kConnectionFixed), 0.1 * kDiameter, soil->soil);
    const auto free = solve(pipe(kConnectionPinned), 0.1 * kDiameter, soil->soil);
    ASSERT_TRUE(fixed->s.converged && free->s.converged);
    EXPECT_GT(fixed->s.shearY, free->s.shearY);
  }
}

// ---- Cyclic loading of soft clay ----------------------------------------------------------
//
// Matlock's cyclic curve follows the static one up to 3·y50 and lies below it beyond (0.72·pu,
// less near the surface), so at every deflection it resists no more; the pile pushed to the same
// head deflection needs no more shear. With y50 = 2.5·0.01·24 = 0.6 in, a head deflection of
// 0.48 in keeps every node below 3·y50 = 1.8 in (the same curves: the same shear, up to the
// rounding of the two curve objects), while 2.4 in takes the upper nodes past it.
TEST(RealSoilCyclic, SoftClayUnderCyclicLoadingNeedsNoMoreHeadShearThanStatic) {
  const auto staticSoil = realSoil(Family::kSoftClay, false);
  const auto cyclicSoil = realSoil(Family::kSoftClay, true);
  for (int head : kHeads) {
    for (double y0 : {0.02 * kDiameter, 0.05 * kDiameter, 0.1 * kDiameter}) {
      const auto s = solve(pipe(head), y0, staticSoil->soil);
      const auto c = solve(pipe(head), y0, cyclicSoil->soil);
      ASSERT_TRUE(s->s.converged && c->s.converged);
      EXPECT_LE(c->s.shearY, s->s.shearY * (1.0 + 1.0e-12)) << "y0 " << y0;
      if (y0 < 1.8) {
        EXPECT_NEAR(c->s.shearY, s->s.shearY, 1.0e-12 * s->s.shearY) << "y0 " << y0;
      } else {
        EXPECT_LT(c->s.shearY, s->s.shearY) << "y0 " << y0;
      }
    }
  }
}

// ---- Iteration limit ----------------------------------------------------------------------

TEST(RealSoilIterations, ALimitOfOneIterationAlwaysWarns) {
  for (Family f : kFamilies) {
    const auto soil = realSoil(f);
    for (int head : kHeads) {
      for (double y0 : {0.0, 0.1 * kDiameter}) {
        SCOPED_TRACE(nameOf(f) + (head == kConnectionFixed ? ", fixed head" : ", free head"));
        LateralPileModel p = pipe(head);
        p.maxIterations = 1;
        const auto r = solve(p, y0, soil->soil);
        EXPECT_TRUE(isOk(r->s.status));
        EXPECT_FALSE(r->s.converged);
        EXPECT_EQ(r->s.iterations, 1);
        ASSERT_EQ(r->diag.report.size(), 1u);
        EXPECT_EQ(r->diag.report[0],
                  "     ** WARNING **  NO CLOSURE OF A LLP AFTER    1 ITERATIONS  PILE GROUP    3");
        EXPECT_EQ(r->diag.runtime, r->diag.report);
      }
    }
  }
}

}  // namespace
}  // namespace stilt
