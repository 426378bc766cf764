// One nonlinear solve of a laterally loaded pile of 100 increments: a 24-in steel pipe, 60 ft
// long, fixed head pushed 5 % of its diameter (1.2 in). Two soils stand in for the p-y families
// with closed forms (a soft-clay-like soil of Matlock-type cube-root curves and a sand-like soil
// of hyperbolic-tangent curves); two are real p-y springs (soil/py_soil.hpp): soft clay (Matlock
// 1970) and sand (Reese, Cox and Koop 1974). Reports the time per solve, the iterations of the
// solve and the heap allocations per solve (operator new is replaced by a counting one in this
// program).

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include <vector>
#include "support/allocation_counter.hpp"

#include "pile/lateral_pile.hpp"
#include "pile/result_quantities.hpp"
#include "pile/test_soils.hpp"
#include "soil/py_soil.hpp"

namespace stilt {
namespace {

constexpr int kIncrements = 100;
constexpr double kLength = 720.0;
constexpr double kDiameter = 24.0;

std::unique_ptr<LateralPileModel> pipePile() {
  auto p = std::make_unique<LateralPileModel>();
  p->resizeNodes(kIncrements);
  p->increment = kLength / kIncrements;
  p->stiffnessY.fill(29.0e6 * 2549.0);
  p->stiffnessZ.fill(29.0e6 * 2549.0);
  p->tolerance = 1.0e-5;
  p->maxIterations = 100;
  return p;
}

void solveRepeatedly(benchmark::State& state, const LateralSoil& soil, bool withResults) {
  const auto pile = pipePile();
  auto work = std::make_unique<LateralPileWorkspace>();
  auto results = std::make_unique<PileResults>();
  Diagnostics diag;
  PileHeadInput head;
  head.deflectionY = 0.05 * kDiameter;
  LateralPileSolution s;
  const long before = stilt::test::heapAllocations();
  for (auto _ : state) {
    s = solveLaterallyLoadedPile(*pile, head, soil, *work, withResults ? results.get() : nullptr,
                                 diag);
    benchmark::DoNotOptimize(s);
  }
  const long after = stilt::test::heapAllocations();
  if (!s.converged) state.SkipWithError("no convergence");
  state.counters["iterations"] = s.iterations;
  state.counters["allocs_per_solve"] =
      static_cast<double>(after - before) / static_cast<double>(state.iterations());
  state.counters["head_shear"] = s.shearY;
}

void BM_SoftClaySolve(benchmark::State& state) {
  const testing::SoftClayLikeSoil soil(kIncrements, kLength / kIncrements, 2.5, 0.0208, kDiameter,
                                       0.02, 30.0);
  solveRepeatedly(state, soil, state.range(0) != 0);
}
BENCHMARK(BM_SoftClaySolve)->Arg(0)->Arg(1)->ArgName("results");

void BM_SandSolve(benchmark::State& state) {
  const testing::SandLikeSoil soil(kIncrements, kLength / kIncrements, 60.0, 0.0336, kDiameter, 3.0,
                                   3.5);
  solveRepeatedly(state, soil, state.range(0) != 0);
}
BENCHMARK(BM_SandSolve)->Arg(0)->Arg(1)->ArgName("results");

// The real springs of the pile, the head at the ground surface, in one layer from the surface
// to 800 in (English units): soft clay of 36 pcf submerged weight, c from 3 to 8 psi, ε50 = 0.01;
// or sand of 58 pcf, φ = 34°, k = 60 pci.
struct RealSoil {
  SoilProfile profile;
  PySoil soil;
  bool built = false;
};

std::unique_ptr<RealSoil> realSoil(bool sand) {
  SoilLayer l;
  l.top = 0.0;
  l.bottom = 800.0;
  l.soilType = sand ? 4 : 1;
  using Row = std::array<double, 11>;
  const Row top = sand ? Row{0, 0.0336, 0, 34.0, 60.0} : Row{0, 0.0208, 3.0, 0, 0, 0, 0.01};
  const Row bottom = sand ? Row{0, 0.0336, 0, 34.0, 60.0} : Row{0, 0.0208, 8.0, 0, 0, 0, 0.01};
  l.parameters = {top, bottom};
  AnalysisModel m;
  m.switches.values[1] = 1;
  m.soilLayers = {l};
  auto s = std::make_unique<RealSoil>();
  s->profile = buildSoilProfile(m);
  std::vector<double> depths(kIncrements + 1);
  for (std::size_t k = 0; k < depths.size(); ++k) {
    depths[k] = static_cast<double>(k) * kLength / kIncrements;
  }
  const std::vector<double> widths(depths.size(), kDiameter);
  PySoilInput in;
  in.profile = &s->profile;
  in.depths = depths;
  in.widths = widths;
  Diagnostics d;
  s->built = isOk(PySoil::build(in, s->soil, d));
  return s;
}

void BM_PySoftClaySolve(benchmark::State& state) {
  const auto soil = realSoil(false);
  if (!soil->built) {
    state.SkipWithError("soil not built");
    return;
  }
  solveRepeatedly(state, soil->soil, state.range(0) != 0);
}
BENCHMARK(BM_PySoftClaySolve)->Arg(0)->Arg(1)->ArgName("results");

void BM_PySandSolve(benchmark::State& state) {
  const auto soil = realSoil(true);
  if (!soil->built) {
    state.SkipWithError("soil not built");
    return;
  }
  solveRepeatedly(state, soil->soil, state.range(0) != 0);
}
BENCHMARK(BM_PySandSolve)->Arg(0)->Arg(1)->ArgName("results");

}  // namespace
}  // namespace stilt
