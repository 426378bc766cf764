// bench_plate: one assembly and frontal solution of a square flexible cap of n x n 8-node
// elements on a spring at every node of its edge (20 x 20: 1281 nodes, 7686 freedoms).
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "cap/cap_mesh.hpp"
#include "cap/frontal_solver.hpp"
#include "cap/plate_checks.hpp"
#include "cap/plate_solver.hpp"

namespace {

using namespace stilt::cap;

struct PlateProblem {
  PlateModel model;
  std::vector<ElementCoordinates> coordinates;
  std::vector<int> last;
  int frontSize = 0;
  std::vector<double> rhs, prescribed, displacement;
  std::vector<char> restrained, hasStiffness;
  std::vector<std::array<double, 36>> nodeStiffness;
};

PlateProblem problem(int n) {
  PlateProblem p;
  CapGeometry g{n, n, 10.0, 10.0, 1.0, 5.0, -5.0};
  buildCapMesh(g, p.model.nodes, p.model.elements);
  p.model.materials.push_back({3.0e7, 0.2, 1.0});
  p.model.control.npoin = static_cast<int>(p.model.nodes.size());
  p.model.control.nelem = static_cast<int>(p.model.elements.size());
  PlateCheck check;
  checkMesh(p.model, check);
  p.frontSize = check.frontSize;
  p.coordinates = elementCoordinates(p.model);
  p.last = lastAppearances(p.model);
  const std::size_t nfree = p.model.nodes.size() * kNodeFreedoms;
  p.rhs.assign(nfree, 0.0);
  p.prescribed.assign(nfree, 0.0);
  p.displacement.assign(nfree, 0.0);
  p.restrained.assign(nfree, 0);
  p.hasStiffness.assign(p.model.nodes.size(), 0);
  p.nodeStiffness.assign(p.model.nodes.size(), {});
  for (std::size_t i = 0; i < p.model.nodes.size(); ++i) {
    const PlateNode& node = p.model.nodes[i];
    p.rhs[i * kNodeFreedoms] = 1.0;  // a load along X at every node
    if (node.y > 1e-9 && node.y < 10.0 - 1e-9 && node.z > 1e-9 && node.z < 10.0 - 1e-9) continue;
    p.hasStiffness[i] = 1;
    for (std::size_t d = 0; d < 6; ++d) p.nodeStiffness[i][d * 7] = 1.0e5;
  }
  return p;
}

void frontalSolution(benchmark::State& state) {
  PlateProblem p = problem(static_cast<int>(state.range(0)));
  FrontalInput in;
  in.model = &p.model;
  in.coordinates = &p.coordinates;
  in.lastAppearance = &p.last;
  in.frontSize = p.frontSize;
  in.nodalRhs = &p.rhs;
  in.restrained = &p.restrained;
  in.prescribed = &p.prescribed;
  in.displacement = &p.displacement;
  in.hasNodeStiffness = &p.hasStiffness;
  in.nodeStiffness = &p.nodeStiffness;
  FrontalWorkspace ws;
  std::vector<double> du, reactions;
  FrontalOutcome outcome;
  for (auto _ : state) {
    outcome = solveFrontal(in, ws, du, reactions);
    benchmark::DoNotOptimize(du.data());
  }
  if (outcome.kind != FrontalOutcome::Kind::kSolved) state.SkipWithError("not solved");
  state.counters["freedoms"] = static_cast<double>(du.size());
  state.counters["front"] = outcome.maxFront;
  state.counters["equations_MB"] =
      static_cast<double>(ws.coefficientValue.capacity() * sizeof(double) +
                          ws.coefficientFreedom.capacity() * sizeof(int)) /
      1.0e6;
  state.counters["front_MB"] = static_cast<double>(ws.front.capacity() * sizeof(double)) / 1.0e6;
}
BENCHMARK(frontalSolution)->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond);

}  // namespace
