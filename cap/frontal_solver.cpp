#include "cap/frontal_solver.hpp"

#include <algorithm>
#include <cmath>

namespace stilt::cap {
namespace {

constexpr int kNdofn = kNodeFreedoms;

std::size_t at(int row, int col, int size) {
  return static_cast<std::size_t>(row) * static_cast<std::size_t>(size) +
         static_cast<std::size_t>(col);
}

}  // namespace

FrontalOutcome solveFrontal(const FrontalInput& in, FrontalWorkspace& ws, std::vector<double>& du,
                            std::vector<double>& reactions) {
  const PlateModel& m = *in.model;
  const int npoin = static_cast<int>(m.nodes.size());
  const std::size_t nfree = static_cast<std::size_t>(npoin) * kNdofn;
  const int fs = in.frontSize;
  FrontalOutcome out;

  ws.front.assign(static_cast<std::size_t>(fs) * static_cast<std::size_t>(fs), 0.0);
  ws.rhs.assign(static_cast<std::size_t>(fs), 0.0);
  ws.positionFreedom.assign(static_cast<std::size_t>(fs), -1);
  ws.freedomPosition.assign(nfree, -1);
  ws.freePositions.clear();
  for (int p = fs - 1; p >= 0; --p) ws.freePositions.push_back(p);
  ws.assembledDiagonal.assign(nfree, 0.0);
  ws.residual.assign(nfree, 0.0);
  ws.equations.clear();
  ws.coefficientFreedom.clear();
  ws.coefficientValue.clear();
  int highWater = 0;  // positions at or above it have never been used
  int active = 0;

  const std::vector<double>& u = *in.displacement;
  double* const k = ws.front.data();
  double* const r = ws.rhs.data();

  // Takes the equation at `pos` out of the front: elimination of a free freedom, or the transfer
  // of a prescribed correction to the right-hand side.
  const auto eliminate = [&](int pos) -> bool {
    const int g = ws.positionFreedom[static_cast<std::size_t>(pos)];
    double* row = k + at(pos, 0, fs);
    const bool fixed = (*in.restrained)[static_cast<std::size_t>(g)] != 0;
    FrontalWorkspace::Equation eq{g, fixed, row[pos], r[pos], ws.coefficientFreedom.size(), 0};
    for (int j = 0; j < highWater; ++j) {
      if (j == pos || row[j] == 0.0) continue;
      ws.coefficientFreedom.push_back(ws.positionFreedom[static_cast<std::size_t>(j)]);
      ws.coefficientValue.push_back(row[j]);
    }
    eq.end = ws.coefficientFreedom.size();
    if (fixed) {
      const double v = (*in.prescribed)[static_cast<std::size_t>(g)];
      for (int i = 0; i < highWater; ++i) {
        double& kip = k[at(i, pos, fs)];
        if (i != pos && kip != 0.0) r[i] -= kip * v;
        kip = 0.0;
      }
    } else {
      const double pivot = row[pos];
      if (!(pivot > kPivotRatio * std::abs(ws.assembledDiagonal[static_cast<std::size_t>(g)])) ||
          !std::isfinite(pivot)) {
        out.kind = FrontalOutcome::Kind::kZeroPivot;
        out.freedom = g + 1;
        out.pivot = pivot;
        return false;
      }
      const double rp = r[pos];
      for (int i = 0; i < highWater; ++i) {
        if (i == pos) continue;
        double& kip = k[at(i, pos, fs)];
        if (kip == 0.0) continue;
        const double f = kip / pivot;
        double* rowi = k + at(i, 0, fs);
        for (int j = 0; j < highWater; ++j) rowi[j] -= f * row[j];
        r[i] -= f * rp;
        kip = 0.0;
      }
    }
    ws.equations.push_back(eq);
    std::fill(row, row + highWater, 0.0);
    r[pos] = 0.0;
    ws.positionFreedom[static_cast<std::size_t>(pos)] = -1;
    ws.freedomPosition[static_cast<std::size_t>(g)] = -2;
    ws.freePositions.push_back(pos);
    --active;
    return true;
  };

  std::array<int, kElementFreedoms> pos{};
  for (std::size_t e = 0; e < m.elements.size(); ++e) {
    const PlateElement& el = m.elements[e];
    const PlateMaterial& mat = m.materials[static_cast<std::size_t>(el.material - 1)];
    if (!elementStiffness((*in.coordinates)[e], mat, ws.element)) {
      out.kind = FrontalOutcome::Kind::kNonPositiveJacobian;
      out.element = el.number;
      return out;
    }
    // Places in the front for freedoms met for the first time, with their nodal right-hand side
    // and support stiffness.
    for (int a = 0; a < kElementNodes; ++a) {
      const int node = el.nodes[static_cast<std::size_t>(a)] - 1;
      const std::size_t g0 = static_cast<std::size_t>(node) * kNdofn;
      const bool entering = ws.freedomPosition[g0] == -1;
      for (int d = 0; d < kNdofn; ++d) {
        const std::size_t g = g0 + static_cast<std::size_t>(d);
        if (ws.freedomPosition[g] == -1) {
          if (ws.freePositions.empty()) {
            out.kind = FrontalOutcome::Kind::kFrontTooSmall;
            return out;
          }
          const int p = ws.freePositions.back();
          ws.freePositions.pop_back();
          ws.freedomPosition[g] = p;
          ws.positionFreedom[static_cast<std::size_t>(p)] = static_cast<int>(g);
          highWater = std::max(highWater, p + 1);
          r[p] = (*in.nodalRhs)[g];
          ws.residual[g] += (*in.nodalRhs)[g];
          ++active;
        }
        pos[static_cast<std::size_t>(a * kNdofn + d)] = ws.freedomPosition[g];
      }
      out.maxFront = std::max(out.maxFront, active);
      if (entering && (*in.hasNodeStiffness)[static_cast<std::size_t>(node)]) {
        const std::array<double, 36>& s = (*in.nodeStiffness)[static_cast<std::size_t>(node)];
        for (int i = 0; i < kNdofn; ++i) {
          for (int j = 0; j < kNdofn; ++j)
            k[at(pos[static_cast<std::size_t>(a * kNdofn + i)],
                 pos[static_cast<std::size_t>(a * kNdofn + j)], fs)] +=
                s[static_cast<std::size_t>(i * kNdofn + j)];
          ws.assembledDiagonal[g0 + static_cast<std::size_t>(i)] +=
              std::abs(s[static_cast<std::size_t>(i * kNdofn + i)]);
        }
      }
    }
    out.maxFront = std::max(out.maxFront, active);
    // The element's stiffness, and its internal forces at the current displacements.
    ws.elementDisplacement.resize(kElementFreedoms);
    for (int a = 0; a < kElementNodes; ++a)
      for (int d = 0; d < kNdofn; ++d)
        ws.elementDisplacement[static_cast<std::size_t>(a * kNdofn + d)] =
            u[static_cast<std::size_t>(el.nodes[static_cast<std::size_t>(a)] - 1) * kNdofn +
              static_cast<std::size_t>(d)];
    if (in.elementExtra != nullptr && !(*in.elementExtra)[e].empty()) {
      const std::vector<double>& extra = (*in.elementExtra)[e];
      for (int i = 0; i < kElementFreedoms; ++i) {
        double* row = k + at(pos[static_cast<std::size_t>(i)], 0, fs);
        const double* ki = extra.data() + static_cast<std::size_t>(i) * kElementFreedoms;
        for (int j = 0; j < kElementFreedoms; ++j) row[pos[static_cast<std::size_t>(j)]] += ki[j];
        const int a = i / kNdofn;
        ws.assembledDiagonal[static_cast<std::size_t>(el.nodes[static_cast<std::size_t>(a)] - 1) *
                                 kNdofn +
                             static_cast<std::size_t>(i % kNdofn)] += std::abs(ki[i]);
      }
    }
    for (int i = 0; i < kElementFreedoms; ++i) {
      const double* ke = ws.element.data() + static_cast<std::size_t>(i) * kElementFreedoms;
      double* row = k + at(pos[static_cast<std::size_t>(i)], 0, fs);
      double internal = 0.0;
      for (int j = 0; j < kElementFreedoms; ++j) {
        row[pos[static_cast<std::size_t>(j)]] += ke[j];
        internal += ke[j] * ws.elementDisplacement[static_cast<std::size_t>(j)];
      }
      r[pos[static_cast<std::size_t>(i)]] -= internal;
      const int a = i / kNdofn;
      const std::size_t g =
          static_cast<std::size_t>(el.nodes[static_cast<std::size_t>(a)] - 1) * kNdofn +
          static_cast<std::size_t>(i % kNdofn);
      ws.residual[g] -= internal;
      ws.assembledDiagonal[g] += std::abs(ke[i]);
    }
    // Nodes seen for the last time leave the front.
    for (int a = 0; a < kElementNodes; ++a) {
      const int node = el.nodes[static_cast<std::size_t>(a)] - 1;
      if ((*in.lastAppearance)[static_cast<std::size_t>(node)] != static_cast<int>(e)) continue;
      const std::size_t g0 = static_cast<std::size_t>(node) * kNdofn;
      if (ws.freedomPosition[g0] < 0) continue;  // a node repeated in the element
      for (int d = 0; d < kNdofn; ++d)
        if (!eliminate(ws.freedomPosition[g0 + static_cast<std::size_t>(d)])) return out;
    }
  }

  // Back-substitution, last eliminated equation first.
  du.assign(nfree, 0.0);
  reactions.assign(nfree, 0.0);
  for (auto it = ws.equations.rbegin(); it != ws.equations.rend(); ++it) {
    double s = 0.0;
    for (std::size_t c = it->begin; c < it->end; ++c)
      s += ws.coefficientValue[c] * du[static_cast<std::size_t>(ws.coefficientFreedom[c])];
    const std::size_t g = static_cast<std::size_t>(it->freedom);
    if (it->restrained) {
      du[g] = (*in.prescribed)[g];
      reactions[g] = s + it->pivot * du[g] - it->rhs;
    } else {
      du[g] = (it->rhs - s) / it->pivot;
    }
  }
  return out;
}

}  // namespace stilt::cap
