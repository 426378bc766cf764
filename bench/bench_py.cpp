// The secant-modulus update of a 101-node pile (one p-y evaluation per node), for every curve
// family, and the preparation of a pile's springs. "per_node" is the time of one node's update;
// "allocations" counts heap allocations per update (the global operator new is replaced by the
// counting one).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "soil/py_soil.hpp"
#include "support/allocation_counter.hpp"

namespace stilt {
namespace {

constexpr std::size_t kNodes = 101;
using Row = std::array<double, 11>;  // [1] γ', [2] c, [3] φ deg, [4] k, [5] Er, [6] ε50, [7] RQD

struct Family {
  int code;
  Row row;
};

// Metric soils (kN, m) of each family, one layer 0..30 m.
Family familyOf(int code) {
  switch (code) {
    case 1:
      return {1, {0, 8, 50, 0, 0, 0, 0.01}};
    case 2:
      return {2, {0, 9, 100, 0, 40000, 0, 0.005}};
    case 3:
      return {3, {0, 10, 100, 0, 0, 0, 0.004}};
    case 10:
      return {10, {0, 10, 100, 0, 5000, 0, 0.004}};
    case 4:
      return {4, {0, 10, 0, 35, 20000}};
    case 8:
      return {8, {0, 10, 0, 35, 20000}};
    case 7:
      return {7, {0, 9, 20, 30, 15000}};
    case 11:
      return {11, {0, 9}};
    case 9:
      return {9, {0, 20, 2000, 0, 0, 200000, 0.0005, 50}};
    case 6:
      return {6, {0, 20, 10000}};
    default:
      return {5, {0, 9}};  // user curves of the pile's set
  }
}

SoilProfile profileOf(const Family& f) {
  AnalysisModel m;
  m.switches.values[1] = 2;
  SoilLayer l;
  l.soilType = f.code;
  l.top = 0.0;
  l.bottom = 30.0;
  l.parameters = {f.row, f.row};
  m.soilLayers = {l};
  return buildSoilProfile(m);
}

UserPyCurveSet userCurves() {
  UserPyCurveSet set;
  for (int i = 0; i <= 10; ++i) {
    UserPyCurve c;
    c.depth = 3.0 * i;
    for (int j = 0; j <= 20; ++j) {
      const double y = 0.005 * j;
      c.points.push_back({(10.0 + 5.0 * i) * std::sqrt(y / 0.1), y});
    }
    set.curves.push_back(c);
  }
  return set;
}

struct PileSprings {
  SoilProfile profile;
  UserPyCurveSet set;
  std::vector<double> depths = std::vector<double>(kNodes);
  std::vector<double> widths = std::vector<double>(kNodes, 0.6);
  PySoil soil;
};

void prepare(PileSprings& p, int code, bool cyclic) {
  p.profile = profileOf(familyOf(code));
  p.set = userCurves();
  for (std::size_t i = 0; i < kNodes; ++i) p.depths[i] = 0.2 * static_cast<double>(i);
  PySoilInput in;
  in.profile = &p.profile;
  in.depths = p.depths;
  in.widths = p.widths;
  in.cyclic = cyclic;
  in.cycles = 10;
  // The set serves the layer of user curves only; given with any other layer it would stand
  // for the whole soil.
  if (code == 5) in.userCurves = &p.set;
  Diagnostics d;
  if (!isOk(PySoil::build(in, p.soil, d))) std::abort();
}

void secantUpdate(benchmark::State& state) {
  const int code = static_cast<int>(state.range(0));
  const bool cyclic = state.range(1) != 0;
  PileSprings pile;
  prepare(pile, code, cyclic);
  // A deflected shape from 50 mm at the head fading along the pile, as in an iteration.
  std::vector<double> y(kNodes), es(kNodes);
  for (std::size_t i = 0; i < kNodes; ++i) y[i] = 0.05 * std::exp(-0.04 * static_cast<double>(i));
  Diagnostics d;
  // Heap allocations of the update itself, counted outside the timed loop (the harness
  // allocates now and then on its own).
  constexpr int kCounted = 1000;
  const long before = stilt::test::heapAllocations();
  for (int i = 0; i < kCounted; ++i) {
    if (!isOk(pile.soil.secantModuli(y, {0.8, 1.0}, es, d))) std::abort();
  }
  state.counters["allocations"] =
      static_cast<double>(stilt::test::heapAllocations() - before) / kCounted;
  for (auto _ : state) {
    StatusCode st = pile.soil.secantModuli(y, {0.8, 1.0}, es, d);
    benchmark::DoNotOptimize(st);
    benchmark::DoNotOptimize(es.data());
    benchmark::ClobberMemory();
  }
  state.counters["per_node"] = benchmark::Counter(
      static_cast<double>(kNodes),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetLabel(cyclic ? "cyclic" : "static");
}

void familyArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"code", "cyclic"});
  for (int code : {1, 2, 3, 10, 4, 8, 7, 11, 9, 6, 5}) {
    for (int cyclic : {0, 1}) b->Args({code, cyclic});
  }
}
BENCHMARK(secantUpdate)->Apply(familyArgs);

// Preparing a pile's springs: the profile read at every node, the curves built.
void buildSprings(benchmark::State& state) {
  const int code = static_cast<int>(state.range(0));
  PileSprings pile;
  prepare(pile, code, false);
  PySoilInput in;
  in.profile = &pile.profile;
  in.depths = pile.depths;
  in.widths = pile.widths;
  for (auto _ : state) {
    PySoil soil;
    Diagnostics d;
    StatusCode st = PySoil::build(in, soil, d);
    benchmark::DoNotOptimize(st);
  }
}
BENCHMARK(buildSprings)->Arg(1)->Arg(4)->Arg(9);

// Preparing a pile in three layers (soft clay, sand, stiff clay): the equivalent depths are
// searched for the two lower layers.
void buildLayeredSprings(benchmark::State& state) {
  AnalysisModel m;
  m.switches.values[1] = 2;
  SoilLayer a, b, c;
  a.soilType = 1;
  a.top = 0;
  a.bottom = 5;
  a.parameters = {Row{0, 8, 30, 0, 0, 0, 0.01}, Row{0, 8, 40, 0, 0, 0, 0.01}};
  b.soilType = 4;
  b.top = 5;
  b.bottom = 12;
  b.parameters = {Row{0, 10, 0, 34, 20000}, Row{0, 10, 0, 36, 30000}};
  c.soilType = 3;
  c.top = 12;
  c.bottom = 30;
  c.parameters = {Row{0, 10, 120, 0, 0, 0, 0.005}, Row{0, 10, 160, 0, 0, 0, 0.004}};
  m.soilLayers = {a, b, c};
  const SoilProfile profile = buildSoilProfile(m);
  std::vector<double> depths(kNodes), widths(kNodes, 0.6);
  for (std::size_t i = 0; i < kNodes; ++i) depths[i] = 0.2 * static_cast<double>(i);
  PySoilInput in;
  in.profile = &profile;
  in.depths = depths;
  in.widths = widths;
  for (auto _ : state) {
    PySoil soil;
    Diagnostics d;
    StatusCode st = PySoil::build(in, soil, d);
    benchmark::DoNotOptimize(st);
  }
}
BENCHMARK(buildLayeredSprings);

}  // namespace
}  // namespace stilt
