// The rigid pile cap at scale.
//
// BM_GlobalIteration: one global iteration of the rigid-cap solver for a 10 x 10 group of 16-in
// pipe piles, 100 increments each, in soft clay over sand (the make_group input): for every pile
// the pile-pass analysis at its head displacement A·DV and the twelve perturbed analyses of its
// head stiffness, 13 analyses per pile, 1300 in all, through the same `PileGroupAnalysis`
// interface the solver uses. DV is a small cap displacement (0.05 in down, 0.3 in along Y,
// 0.2 in along Z, rotations of 1E-4 rad). Reports the time per iteration, the time per pile
// analysis and the mean iterations of a lateral solve. Arg: batter of the edge piles, degrees.
//
// BM_GroupFactors: one estimation of the group-reduction factors of a 40 x 50 grid (2000 piles,
// the capacity of the input format) at 3 diameters, for movement along Y and along Z.

#include <benchmark/benchmark.h>

#include <memory>

#include "analysis/cap_solver.hpp"
#include "analysis/group_piles.hpp"
#include "bench/group_deck.hpp"
#include "model/input_reader.hpp"
#include "report/group_factors.hpp"
#include "report/input_report.hpp"

namespace stilt {
namespace {

struct Group {
  AnalysisModel model;
  PreparedRun prepared;
  std::unique_ptr<GroupPiles> piles;
  std::string error;
};

// Reads the deck and prepares its first load case, as the engine does before the cap solver.
std::unique_ptr<Group> buildGroup(const bench::GroupDeckOptions& options, bool withPiles) {
  auto g = std::make_unique<Group>();
  const ReadResult read = readInputDataFile(bench::groupDeck(options), g->model, ReaderCallbacks{});
  if (!isOk(read.status)) {
    g->error = read.message.empty() ? "input refused" : read.message.back();
    return g;
  }
  if (!withPiles) return g;
  g->prepared = prepareRun(g->model);
  Diagnostics diag;
  if (!isOk(generateCurves(g->model, g->prepared, nullptr, diag))) {
    g->error = "curve generation failed";
    return g;
  }
  const LoadCase& c = g->model.loadCases.front();
  PileItemSettings settings;
  settings.cyclic = !c.isStatic();
  settings.cycles = c.cycles();
  settings.maxIterations = c.maxPileIterations();
  settings.tolerance = c.pileTolerance();
  if (!isOk(GroupPiles::build(g->model, g->prepared, settings, g->piles, diag))) {
    g->error = "piles not built";
  }
  return g;
}

void BM_GlobalIteration(benchmark::State& state) {
  bench::GroupDeckOptions options;
  options.rows = 10;
  options.cols = 10;
  options.batter = static_cast<double>(state.range(0));
  const auto g = buildGroup(options, true);
  if (!g->error.empty()) {
    state.SkipWithError(g->error.c_str());
    return;
  }
  const PileGroupAnalysis& piles = *g->piles;
  const Vector6 dv{0.05, 0.3, 0.2, 1.0e-4, 1.0e-4, -1.0e-4};
  const Vector6 delta = CapSolver::perturbations(g->model.switches.unitsCode());
  const auto work = piles.makeWorkspace();
  const auto& ws = static_cast<const GroupPileWorkspace&>(*work);
  PileOutcome outcome;
  PileCallOptions options0;
  long analyses = 0;
  long lateralIterations = 0;
  bool converged = true;
  for (auto _ : state) {
    Vector6 rv{};
    Matrix6 ss{};
    for (int p = 0; p < piles.pileCount(); ++p) {
      const PileGeometry& geo = piles.geometry(p);
      const Matrix6 a = transferMatrix(geo.x, geo.y, geo.z);
      const Vector6 ug = multiply(a, dv);
      // The pile pass.
      outcome.clear();
      if (!isOk(piles.analysePile(p, ug, options0, *work, outcome))) {
        state.SkipWithError("pile analysis failed");
        return;
      }
      converged = converged && !outcome.lateralNotConverged;
      lateralIterations += ws.solution.iterations;
      const Vector6 atOrigin = multiplyTransposed(a, outcome.force);
      for (std::size_t k = 0; k < 6; ++k) rv[k] += atOrigin[k];
      // The head stiffness: +δ on every component, then -δ.
      std::array<Vector6, 6> plus{};
      std::array<Vector6, 6> minus{};
      for (int sign = 0; sign < 2; ++sign) {
        for (std::size_t j = 0; j < 6; ++j) {
          Vector6 u = ug;
          u[j] += sign == 0 ? delta[j] : -delta[j];
          outcome.clear();
          if (!isOk(piles.analysePile(p, u, options0, *work, outcome))) {
            state.SkipWithError("pile analysis failed");
            return;
          }
          converged = converged && !outcome.lateralNotConverged;
          lateralIterations += ws.solution.iterations;
          (sign == 0 ? plus : minus)[j] = outcome.force;
        }
      }
      Matrix6 k{};
      for (std::size_t j = 0; j < 6; ++j) {
        for (std::size_t i = 0; i < 6; ++i) k[i][j] = (plus[j][i] - minus[j][i]) * 0.5 / delta[j];
      }
      const Matrix6 contribution = multiply(transpose(a), multiply(k, a));
      for (std::size_t i = 0; i < 6; ++i) {
        for (std::size_t j = 0; j < 6; ++j) ss[i][j] += contribution[i][j];
      }
      analyses += 13;
    }
    benchmark::DoNotOptimize(rv);
    benchmark::DoNotOptimize(ss);
  }
  if (!converged) state.SkipWithError("a lateral solve did not converge");
  state.counters["piles"] = piles.pileCount();
  state.counters["analyses"] =
      static_cast<double>(analyses) / static_cast<double>(state.iterations());
  // Seconds per pile analysis.
  state.counters["t_analysis"] = benchmark::Counter(
      static_cast<double>(analyses), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["llp_iterations"] =
      static_cast<double>(lateralIterations) / static_cast<double>(analyses);
}
BENCHMARK(BM_GlobalIteration)->Arg(0)->Arg(10)->ArgName("batter")->Unit(benchmark::kMillisecond);

void BM_GroupFactors(benchmark::State& state) {
  bench::GroupDeckOptions options;
  options.rows = 40;
  options.cols = 50;
  options.spacing = 3.0;
  options.increments = 10;  // the piles are not analysed
  const auto g = buildGroup(options, false);
  if (!g->error.empty()) {
    state.SkipWithError(g->error.c_str());
    return;
  }
  GroupFactorWorkspace work(g->model);
  GroupFactors factors = initialGroupFactors(g->model);
  const GroupDirection direction = state.range(0) == 0 ? GroupDirection::kY : GroupDirection::kZ;
  for (auto _ : state) {
    estimateGroupFactors(g->model, direction, 1.0, work, factors);
    benchmark::DoNotOptimize(factors.pUsed.data());
    benchmark::DoNotOptimize(factors.pZ.data());
    benchmark::ClobberMemory();
  }
  state.counters["piles"] = work.pileCount();
  // Pairs closer than 8 diameters interact: at 3 diameters an interior pile has 20 such
  // neighbours, a corner pile 5.
  const std::vector<double>& p = direction == GroupDirection::kY ? factors.pUsed : factors.pZ;
  state.counters["p_centre"] = p[static_cast<std::size_t>(20 * 50 + 25)];
  state.counters["p_corner"] = p[0];
}
BENCHMARK(BM_GroupFactors)->Arg(0)->Arg(1)->ArgName("z")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace stilt
