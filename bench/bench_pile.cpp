// One nonlinear solve of a laterally loaded pile of 100 increments: a 24-in steel pipe, 60 ft
// long, fixed head pushed 5 % of its diameter (1.2 in), in a soft-clay-like soil (Matlock-type
// cube-root curves) and in a sand-like soil (hyperbolic-tangent curves). Reports the time per
// solve, the iterations of the solve and the heap allocations per solve (operator new is
// replaced by a counting one in this program).

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "pile/lateral_pile.hpp"
#include "pile/result_quantities.hpp"
#include "pile/test_soils.hpp"

namespace {
std::atomic<long> allocations{0};
}

// Counting replacements (malloc paired with free; g++ cannot see the pairing through them).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
#pragma GCC diagnostic pop

namespace stilt {
namespace {

constexpr int kIncrements = 100;
constexpr double kLength = 720.0;
constexpr double kDiameter = 24.0;

std::unique_ptr<LateralPileModel> pipePile() {
  auto p = std::make_unique<LateralPileModel>();
  p->increments = kIncrements;
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
  const long before = allocations.load();
  for (auto _ : state) {
    s = solveLaterallyLoadedPile(*pile, head, soil, *work, withResults ? results.get() : nullptr,
                                 diag);
    benchmark::DoNotOptimize(s);
  }
  const long after = allocations.load();
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

}  // namespace
}  // namespace stilt
