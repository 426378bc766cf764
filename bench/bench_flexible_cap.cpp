// The flexible cap at scale.
//
// BM_FlexibleCapItem: one load case of a 10 x 10 group of 16-in pipe piles, 100 increments each,
// in soft clay over sand (the make_group input, dead load with wind), solved with the cap as a
// plate of 20 x 20 elements (480 in square, 36 in thick, concrete) on the piles. The supports do
// what the engine's do, on one thread: at every equilibrium iteration each pile is analysed at
// its head displacement and twelve times more for its central-difference head stiffness. Reports
// the time of the item, the part of it spent in the pile analyses and in the plate (assembly,
// frontal solution, resultants and listings), and the steps and iterations the plate took.

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <sstream>

#include "analysis/cap_solver.hpp"
#include "analysis/flexible_cap.hpp"
#include "analysis/group_piles.hpp"
#include "bench/group_deck.hpp"
#include "cap/cap_model_files.hpp"
#include "cap/plate_solver.hpp"
#include "model/input_reader.hpp"
#include "report/input_report.hpp"
#include "report/load_assembly.hpp"

namespace stilt {
namespace {

using Clock = std::chrono::steady_clock;

class TimedPileSupports final : public cap::CapSupports {
 public:
  TimedPileSupports(const GroupPiles& piles, Vector6 delta) : piles_(piles), delta_(delta) {
    work_ = piles.makeWorkspace();
  }
  bool respond(std::size_t, const std::array<double, 6>&, std::array<double, 6>&,
               std::array<double, 36>&, std::string&) override {
    return false;
  }
  cap::SupportResponse respondAll(const cap::SupportRequest& r,
                                  const std::vector<std::array<double, 6>>& u,
                                  std::vector<std::array<double, 6>>& resistance,
                                  std::vector<std::array<double, 36>>& tangent,
                                  std::string& message) override {
    const Clock::time_point start = Clock::now();
    const std::clock_t cpu = std::clock();
    resistance.resize(u.size());
    tangent.resize(u.size());
    PileCallOptions options;
    options.loadFraction = r.time;
    options.perturbation = delta_;
    for (std::size_t p = 0; p < u.size(); ++p) {
      outcome_.clear();
      if (!isOk(piles_.analysePile(static_cast<int>(p), u[p], options, *work_, outcome_))) {
        message = "PILE ANALYSIS FAILED";
        return cap::SupportResponse::kFailed;
      }
      if (outcome_.lateralNotConverged) return cap::SupportResponse::kNotConverged;
      for (std::size_t k = 0; k < 6; ++k) resistance[p][k] = -outcome_.force[k];
      if (!r.tangent) continue;
      Matrix6 k{};
      if (!isOk(piles_.PileGroupAnalysis::tangentHeadStiffness(static_cast<int>(p), u[p], options,
                                                               *work_, outcome_, k))) {
        message = "PILE ANALYSIS FAILED";
        return cap::SupportResponse::kFailed;
      }
      analyses += 12;
      for (std::size_t i = 0; i < 6; ++i)
        for (std::size_t j = 0; j < 6; ++j) tangent[p][i * 6 + j] = -k[i][j];
    }
    analyses += static_cast<long>(u.size());
    if (r.tangent) ++iterations;
    pileSeconds += std::chrono::duration<double>(Clock::now() - start).count();
    pileCpuSeconds += static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    return cap::SupportResponse::kGiven;
  }

  double pileSeconds = 0.0;
  double pileCpuSeconds = 0.0;
  long analyses = 0;
  int iterations = 0;

 private:
  const GroupPiles& piles_;
  Vector6 delta_;
  std::unique_ptr<PileWorkspace> work_;
  PileOutcome outcome_;
};

void BM_FlexibleCapItem(benchmark::State& state) {
  bench::GroupDeckOptions options;
  options.rows = 10;
  options.cols = 10;
  AnalysisModel model;
  if (!isOk(readInputDataFile(bench::groupDeck(options), model, ReaderCallbacks{}).status)) {
    state.SkipWithError("input refused");
    return;
  }
  PreparedRun prepared = prepareRun(model);
  Diagnostics diag;
  if (!isOk(generateCurves(model, prepared, nullptr, diag))) {
    state.SkipWithError("curve generation failed");
    return;
  }
  const LoadCase& c = model.loadCases.front();
  DistributedLoads loads;
  assembleCaseLoads(model, prepared.layout, 0, loads);
  PileItemSettings settings;
  settings.cyclic = !c.isStatic();
  settings.cycles = c.cycles();
  settings.maxIterations = c.maxPileIterations();
  settings.tolerance = c.pileTolerance();
  settings.loads = &loads;
  std::unique_ptr<GroupPiles> piles;
  if (!isOk(GroupPiles::build(model, prepared, settings, piles, diag))) {
    state.SkipWithError("piles not built");
    return;
  }
  model.cap.length = model.cap.width = 480.0;
  model.cap.thickness = 36.0;
  model.flexibleCap = {0.0, 0.0, 20, 20, 3.6e6, 0.2};
  const cap::PlateModel plate = cap::buildCapPlateModel(
      plateModelInput(model, prepared, controlOfCase(c), equivalentLoadOfCase(model, 0)));

  double pileSeconds = 0.0, pileCpuSeconds = 0.0, wallSeconds = 0.0, cpuSeconds = 0.0;
  int steps = 0, iterations = 0;
  for (auto _ : state) {
    TimedPileSupports supports(*piles, CapSolver::perturbations(model.switches.unitsCode()));
    std::ostringstream listing, stepFile;
    cap::PlateOutputs out;
    out.listing = &listing;
    out.steps = &stepFile;
    cap::PlateSolution solution;
    const std::clock_t cpu = std::clock();
    const Clock::time_point start = Clock::now();
    const cap::PlateStatus status = cap::runPlateAnalysis(plate, &supports, nullptr, out, solution);
    wallSeconds += std::chrono::duration<double>(Clock::now() - start).count();
    cpuSeconds += static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    if (status != cap::PlateStatus::kCompleted) {
      state.SkipWithError("the plate did not reach the full load");
      return;
    }
    pileSeconds += supports.pileSeconds;
    pileCpuSeconds += supports.pileCpuSeconds;
    steps = solution.step;
    iterations = supports.iterations;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["wall_s"] = wallSeconds / n;
  state.counters["cpu_s"] = cpuSeconds / n;
  state.counters["piles_s"] = pileSeconds / n;
  state.counters["plate_s"] = (wallSeconds - pileSeconds) / n;
  state.counters["plate_share"] = (wallSeconds - pileSeconds) / wallSeconds;
  // The same split in processor time, which a busy machine does not distort.
  state.counters["piles_cpu_s"] = pileCpuSeconds / n;
  state.counters["plate_cpu_s"] = (cpuSeconds - pileCpuSeconds) / n;
  state.counters["steps"] = steps;
  state.counters["iterations"] = iterations;
}
BENCHMARK(BM_FlexibleCapItem)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace stilt
