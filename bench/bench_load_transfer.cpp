// Building the axial and torsional curves of every pile property of a run, as the input report
// does before the first load case, and the direct axial solution the pile pass asks for.
//
// The run: 50 pile properties of 100 segments each (the most the input allows) in a ten-layer
// profile of clays, sands, silt and weak rock; driven piles and drilled shafts, 18 to 48 in.

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "soil/load_transfer.hpp"
#include "soil/soil_profile.hpp"

namespace stilt {
namespace {

AnalysisModel benchmarkModel() {
  AnalysisModel m;
  m.switches.values[1] = 1;  // English units
  m.switches.values[2] = 3;
  // code, unit weight (pci), cohesion (psi), friction angle (deg), strain at 50 %
  struct Soil {
    int code;
    double gamma, c, phi, e50;
  };
  const std::array<Soil, 10> soils = {
      Soil{3, 0.040, 4.0, 0.0, 0.007},    Soil{4, 0.036, 0.0, 32.0, 0.0},
      Soil{1, 0.030, 2.0, 0.0, 0.020},    Soil{8, 0.037, 0.0, 35.0, 0.0},
      Soil{2, 0.042, 8.0, 0.0, 0.005},    Soil{7, 0.038, 3.0, 28.0, 0.0},
      Soil{10, 0.043, 12.0, 0.0, 0.004},  Soil{4, 0.039, 0.0, 38.0, 0.0},
      Soil{9, 0.050, 200.0, 0.0, 0.0005}, Soil{8, 0.040, 0.0, 40.0, 0.0}};
  for (std::size_t i = 0; i < soils.size(); ++i) {
    SoilLayer l;
    l.soilType = soils[i].code;
    l.top = 120.0 * static_cast<double>(i);
    l.bottom = l.top + 120.0;
    l.rows = 2;
    l.values = 9;
    for (auto& row : l.parameters) {
      row[1] = soils[i].gamma;
      row[2] = soils[i].c;
      row[3] = soils[i].phi;
      row[4] = 100.0;
      row[6] = soils[i].e50;
    }
    m.soilLayers.push_back(l);
  }
  for (int k = 0; k < 7; ++k) {
    CrossSection x;
    const double d = 18.0 + 5.0 * k;
    x.top[1] = d;
    x.top[10] = 3.1416 * d * 0.5;  // pipe wall 0.5 in
    x.top[14] = 1.1e7 * 3.1416 * d * d * d * 0.5 / 4.0;
    x.bottom = x.top;
    m.crossSections.push_back(x);
  }
  for (int p = 0; p < 50; ++p) {
    PileProperty prop;
    prop.increments = 100;
    prop.length = 400.0 + 14.0 * p;
    prop.pileType = p % 2 == 0 ? 1 : 2;
    const int cs = 1 + p % 7;
    prop.sections = {{0.0, 0.5 * prop.length, cs, 29.0e6, 0, 0, 0},
                     {0.5 * prop.length, prop.length, cs, 29.0e6, 0, 0, 0}};
    m.properties.push_back(prop);
  }
  return m;
}

void buildAll(benchmark::State& state, bool listings) {
  const AnalysisModel model = benchmarkModel();
  const SoilProfile profile = buildSoilProfile(model);
  const std::vector<CurveRequest> requests(model.properties.size(), CurveRequest{0.0, true});
  for (auto _ : state) {
    CurveStore store;
    CurveListings lines;
    Diagnostics diag;
    const StatusCode status =
        buildCurveStore(model, profile, 1, requests, store, listings ? &lines : nullptr, diag);
    if (!isOk(status)) state.SkipWithError("curve build failed");
    benchmark::DoNotOptimize(store);
    benchmark::DoNotOptimize(lines);
  }
}

// 50 properties, both passes of the load-settlement and the torque-rotation curves.
void BM_CurveStoreWithListings(benchmark::State& state) {
  buildAll(state, true);
}
void BM_CurveStoreWithoutListings(benchmark::State& state) {
  buildAll(state, false);
}
BENCHMARK(BM_CurveStoreWithListings)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurveStoreWithoutListings)->Unit(benchmark::kMillisecond);

// One direct solution for a head movement on a 100-segment pile: the per-pile cost when a load
// case asks for the axial load distribution.
void BM_SolveAxialTransfer(benchmark::State& state) {
  const AnalysisModel model = benchmarkModel();
  const SoilProfile profile = buildSoilProfile(model);
  AxialPile pile;
  Diagnostics diag;
  if (!isOk(axialPileOf(model, 20, 0.0, pile, diag))) state.SkipWithError("pile");
  LoadSettlementCurve curve;
  if (!isOk(buildLoadSettlementCurves(pile, profile, 1, curve, nullptr, diag))) {
    state.SkipWithError("curve");
  }
  std::array<double, 101> load{};
  std::array<double, 101> move{};
  const double u = 0.5 * (curve.table[1][4].headMovement + curve.table[1][5].headMovement);
  AxialTransferResult result;
  for (auto _ : state) {
    const StatusCode status = solveAxialTransfer(pile, curve, u, load, move, result, diag);
    benchmark::DoNotOptimize(status);
    benchmark::DoNotOptimize(load);
  }
}
BENCHMARK(BM_SolveAxialTransfer)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace stilt
