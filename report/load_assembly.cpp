#include "report/load_assembly.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace stilt {
namespace {

constexpr double kSameDepth = 1.0e-8;

const DistributedLoadSet* setOf(const AnalysisModel& model, int number) {
  if (number < 1 || number > static_cast<int>(model.distributedLoadSets.size())) return nullptr;
  return &model.distributedLoadSets[static_cast<std::size_t>(number - 1)];
}

void clear(const AnalysisModel& model, DistributedLoads& loads) {
  loads.piles.assign(model.pileRows.size(), PileNodeLoads{});
  loads.axialLoadsPresent = false;
}

// One distributed-load row of a case, with the applicable scale s.
void assembleRow(const AnalysisModel& model, const std::vector<PileGeometry>& layout,
                 const LoadCase& loadCase, const DistributedLoad& row, double s, int refine,
                 DistributedLoads& loads) {
  const double fy = row.factorY * s;
  const double fz = row.factorZ * s;
  const DistributedLoadSet* setY = setOf(model, row.setY());
  const DistributedLoadSet* setZ = setOf(model, row.setZ);
  const bool planar = model.is2d();

  // Pile range: a last pile of 0 means the first alone; the smaller number starts. An increment
  // of 0 loads the first and the last pile only; a negative increment counts as its size.
  const int first = row.firstPile();
  const int last = row.lastPile() == 0 ? first : row.lastPile();
  const int start = std::min(first, last);
  const int end = std::max(first, last);
  int step = std::abs(row.pileIncrement());
  if (step == 0) step = end == start ? 1 : end - start;
  const int piles = static_cast<int>(model.pileRows.size());

  for (int p = start; p <= end; p += step) {
    if (p < 1) break;  // pile numbers below 1 select nothing
    if (p > piles) break;
    const std::size_t i = static_cast<std::size_t>(p - 1);
    const PileGroupRow& pile = model.pileRows[i];
    const int propertyIndex = pile.property - 1;
    if (propertyIndex < 0 || propertyIndex >= static_cast<int>(model.properties.size())) continue;
    const PileProperty& prop = model.properties[static_cast<std::size_t>(propertyIndex)];
    const int n = prop.increments * std::max(refine, 1);
    const double h = prop.length / n;
    PileNodeLoads& nodes = loads.piles[i];
    if (nodes.nodeCount != n + 1) {
      nodes.nodeCount = n + 1;
      const std::size_t count = static_cast<std::size_t>(n + 1);
      nodes.depth.assign(count, 0.0);
      nodes.qy.assign(count, 0.0);
      nodes.qz.assign(count, 0.0);
    }
    const PileGeometry& g = layout[i];
    double previousAxial = 0.0;
    for (int m = 0; m <= n; ++m) {
      const double x = m * h;
      const std::size_t k = static_cast<std::size_t>(m);
      const double qY = fy * loadIntensityAt(setY, x);
      const double qZ = planar ? 0.0 : fz * loadIntensityAt(setZ, x);
      nodes.depth[k] = x;
      if (!row.isGlobal()) {
        nodes.qy[k] += qY;
        nodes.qz[k] += qZ;
        continue;
      }
      // A global load is turned into the pile's axes: its lateral part loads the nodes, its
      // axial part is carried to the head when the case asks for it.
      double axial = 0.0;
      if (planar) {
        nodes.qy[k] += qY * g.sinTheta;
        axial = qY * g.cosTheta;
      } else {
        nodes.qy[k] += qY * g.cosA * g.sinB + qZ * g.sinA * g.sinB;
        nodes.qz[k] += qZ * g.cosA - qY * g.sinA;
        axial = (qY * g.cosA + qZ * g.sinA) * g.cosB;
      }
      if (loadCase.axialOfGlobalLoadsAtHead() && m > 0) {
        nodes.axialHeadLoad += 0.5 * h * (previousAxial + axial);
        loads.axialLoadsPresent = true;
      }
      previousAxial = axial;
    }
  }
}

void assembleCase(const AnalysisModel& model, const std::vector<PileGeometry>& layout,
                  const LoadCase& c, double scale, int refine, DistributedLoads& loads) {
  for (const DistributedLoad& row : c.distributedLoads) {
    assembleRow(model, layout, c, row, scale, refine, loads);
  }
}

}  // namespace

double loadIntensityAt(const DistributedLoadSet* set, double depth) {
  if (set == nullptr || set->points.size() < 2) return 0.0;
  const std::vector<DepthValue>& pts = set->points;
  if (std::fabs(depth - pts.front().depth) <= kSameDepth) return pts.front().value;
  if (std::fabs(depth - pts.back().depth) <= kSameDepth) return pts.back().value;
  if (depth < pts.front().depth || depth > pts.back().depth) return 0.0;
  for (std::size_t i = 1; i < pts.size(); ++i) {
    if (pts[i].depth <= depth) continue;
    const DepthValue& a = pts[i - 1];
    const DepthValue& b = pts[i];
    const double span = b.depth - a.depth;
    if (span <= 0.0) return b.value;
    return a.value + (b.value - a.value) * (depth - a.depth) / span;
  }
  return 0.0;
}

LoadVector equivalentLoadOfCase(const AnalysisModel& model, int caseIndex) {
  const LoadCase& c = model.loadCases.at(static_cast<std::size_t>(caseIndex));
  LoadVector v{};
  for (const ConcentratedLoad& p : c.concentratedLoads) {
    v[0] += p.px;
    v[1] += p.py;
    if (model.is2d()) {
      v[5] += p.mz + p.py * p.x - p.px * p.y;
      continue;
    }
    v[2] += p.pz;
    v[3] += p.mx + p.pz * p.y - p.py * p.z;
    v[4] += p.my + p.px * p.z - p.pz * p.x;
    v[5] += p.mz + p.py * p.x - p.px * p.y;
  }
  for (double& component : v) component *= c.scaleFactor();
  return v;
}

LoadVector equivalentLoadOfCombination(const AnalysisModel& model, int combIndex) {
  const LoadCombination& comb = model.combinations.at(static_cast<std::size_t>(combIndex));
  LoadVector v{};
  for (const CombinationTerm& t : comb.terms) {
    const LoadVector caseLoad = equivalentLoadOfCase(model, t.loadCase - 1);
    for (std::size_t k = 0; k < 6; ++k) v[k] += t.factor * caseLoad[k];
  }
  return v;
}

void assembleCaseLoads(const AnalysisModel& model, const std::vector<PileGeometry>& layout,
                       int caseIndex, DistributedLoads& loads, int refine) {
  clear(model, loads);
  const LoadCase& c = model.loadCases.at(static_cast<std::size_t>(caseIndex));
  assembleCase(model, layout, c, c.scaleFactor(), refine, loads);
}

void assembleCombinationLoads(const AnalysisModel& model, const std::vector<PileGeometry>& layout,
                              int combIndex, DistributedLoads& loads, int refine) {
  clear(model, loads);
  const LoadCombination& comb = model.combinations.at(static_cast<std::size_t>(combIndex));
  for (const CombinationTerm& t : comb.terms) {
    const LoadCase& c = model.loadCases.at(static_cast<std::size_t>(t.loadCase - 1));
    assembleCase(model, layout, c, t.factor * c.scaleFactor(), refine, loads);
  }
}

void addAxialHeadLoads(const AnalysisModel& model, const std::vector<PileGeometry>& layout,
                       const DistributedLoads& loads, LoadVector& load) {
  if (!loads.axialLoadsPresent) return;
  for (std::size_t i = 0; i < loads.piles.size(); ++i) {
    const double n = loads.piles[i].axialHeadLoad;
    if (n == 0.0) continue;
    const PileGeometry& g = layout[i];
    double fx = 0.0, fy = 0.0, fz = 0.0;
    if (model.is2d()) {
      fx = n * g.sinTheta;
      fy = n * g.cosTheta;
    } else {
      fx = n * g.sinB;
      fy = n * g.cosB * g.cosA;
      fz = n * g.cosB * g.sinA;
    }
    load[0] += fx;
    load[1] += fy;
    load[2] += fz;
    load[3] += g.y * fz - g.z * fy;
    load[4] += g.z * fx - g.x * fz;
    load[5] += g.x * fy - g.y * fx;
  }
}

}  // namespace stilt
