// The laterally loaded pile solver allocates nothing: this program replaces the global
// operator new with one that counts, and solves piles between two readings of the count.
// (A program of its own, since the replacement applies to the whole program.)

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "support/allocation_counter.hpp"

#include "pile/lateral_pile.hpp"
#include "pile/lateral_tangent.hpp"
#include "pile/result_quantities.hpp"
#include "pile/test_soils.hpp"

namespace stilt {
namespace {

TEST(Allocation, NonlinearSolvesAllocateNothing) {
  const int n = 100;
  const double length = 720.0, diameter = 24.0;
  const testing::SoftClayLikeSoil clay(n, length / n, 2.5, 0.0208, diameter, 0.02, 30.0);
  const testing::SandLikeSoil sand(n, length / n, 60.0, 0.0336, diameter, 3.0, 3.5);
  MomentCurvatureSet set;
  MomentCurvatureCurve curve;
  curve.points = {{0.0, 0.0}, {5.0e6, 1.0e-4}, {8.0e6, 1.0e-3}, {9.0e6, 1.0}};
  set.curves.push_back(curve);

  auto pile = std::make_unique<LateralPileModel>();
  pile->resizeNodes(n);
  pile->increment = length / n;
  pile->stiffnessY.fill(29.0e6 * 2549.0);
  pile->stiffnessZ.fill(29.0e6 * 2549.0);
  pile->headZ.code = kConnectionSpring;
  pile->headZ.spring = 1.0e9;
  pile->loadY.fill(3.0);
  pile->soilMovement = true;
  pile->movementZ.fill(0.1);
  pile->nonlinearBending = true;
  pile->curvesY.fill(&set);
  pile->curvesZ.fill(&set);
  auto work = std::make_unique<LateralPileWorkspace>();
  auto results = std::make_unique<PileResults>();
  // Storage is sized once for the pile; the solves that follow allocate nothing.
  work->reserveNodes(n);
  results->resize(n);
  Diagnostics diag;
  PileHeadInput head;
  head.deflectionY = 2.4;
  head.deflectionZ = 0.6;
  head.slopeY = 0.001;
  head.axialLoad = 1.0e5;

  const long before = stilt::test::heapAllocations();
  const LateralPileSolution a =
      solveLaterallyLoadedPile(*pile, head, clay, *work, results.get(), diag);
  const LateralPileSolution b =
      solveLaterallyLoadedPile(*pile, head, sand, *work, results.get(), diag);
  const long after = stilt::test::heapAllocations();
  EXPECT_TRUE(a.converged);
  EXPECT_TRUE(b.converged);
  EXPECT_GT(a.iterations, 2);
  EXPECT_EQ(after - before, 0);

  // Nor does the linearisation about the converged state (the sand solve's, in the workspace).
  auto tangent = std::make_unique<LateralTangentWorkspace>();
  tangent->reserveNodes(n);
  LateralHeadTangent rates;
  const long beforeTangent = stilt::test::heapAllocations();
  const StatusCode t = linearisedPileHead(*pile, head, sand, AxialForceRate{1.0, nullptr}, *work,
                                          *tangent, rates, diag);
  EXPECT_EQ(stilt::test::heapAllocations() - beforeTangent, 0);
  EXPECT_EQ(t, StatusCode::kCompleted);
  EXPECT_GT(rates.rate[0][0], 0.0);

  // The counter does count: a message line allocates.
  diag.both("counted");
  EXPECT_GT(stilt::test::heapAllocations(), after);
}

}  // namespace
}  // namespace stilt
