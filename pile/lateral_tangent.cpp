#include "pile/lateral_tangent.hpp"

#include <cmath>
#include <cstddef>
#include <span>
#include <utility>

#include "pile/bending_stiffness.hpp"

namespace stilt {
namespace {

using Block = LateralTangentWorkspace::Block;
using Columns = LateralTangentWorkspace::Columns;
constexpr std::size_t kCols = kTangentColumns;
constexpr std::size_t kAxialColumn = 4;

std::size_t at(int node) {
  return slotOf(node);
}

Block mul(const Block& x, const Block& y) {
  return {x[0] * y[0] + x[1] * y[2], x[0] * y[1] + x[1] * y[3], x[2] * y[0] + x[3] * y[2],
          x[2] * y[1] + x[3] * y[3]};
}
Block add(const Block& x, const Block& y) {
  return {x[0] + y[0], x[1] + y[1], x[2] + y[2], x[3] + y[3]};
}
// diag(dy, dz)·x
Block scaleRows(double dy, double dz, const Block& x) {
  return {dy * x[0], dy * x[1], dz * x[2], dz * x[3]};
}
Columns mul(const Block& x, const Columns& v) {
  Columns r{};
  for (std::size_t j = 0; j < kCols; ++j) {
    r[j] = x[0] * v[j] + x[1] * v[kCols + j];
    r[kCols + j] = x[2] * v[j] + x[3] * v[kCols + j];
  }
  return r;
}
Columns add(const Columns& x, const Columns& y) {
  Columns r{};
  for (std::size_t j = 0; j < 2 * kCols; ++j) r[j] = x[j] + y[j];
  return r;
}
Columns scaleRows(double dy, double dz, const Columns& v) {
  Columns r{};
  for (std::size_t j = 0; j < kCols; ++j) {
    r[j] = dy * v[j];
    r[kCols + j] = dz * v[kCols + j];
  }
  return r;
}

// h²·curvature of one plane at node m of the converged state.
double bend(const NodeArray& y, int m) {
  return y[at(m - 1)] - 2.0 * y[at(m)] + y[at(m + 1)];
}

// Tangent bending stiffness and its axial rate at every node of one plane. Real nodes with a
// moment-curvature set take the slope of the set's curve; the others, and the imaginary nodes,
// keep the stiffness the solver used (elastic), with no axial rate.
void bendingTangents(const LateralPileModel& pile, double axialLoad, double axialRate,
                     const NodeArray& y, const NodeArray& secant, const NodeCurveSets& sets,
                     NodeArray& tangent, NodeArray& rate) {
  tangent = secant;
  rate.fill(0.0);
  if (!pile.nonlinearBending) return;
  const double h2 = pile.increment * pile.increment;
  for (int m = 0; m <= pile.increments; ++m) {
    const MomentCurvatureSet* set = sets[static_cast<std::size_t>(m)];
    if (set == nullptr) continue;
    double phi = std::abs(bend(y, m)) / h2;
    if (phi < kCurvatureGuard) phi = 0.0;
    double eiRate = 0.0;
    tangent[at(m)] = tangentBendingStiffness(*set, phi, axialLoad, secant[at(m)], eiRate);
    rate[at(m)] = eiRate * axialRate;
  }
}

// The 2x2 soil tangent of every real node from the resultant deflection relative to the soil.
StatusCode soilTangents(const LateralPileModel& pile, const PileHeadInput& head,
                        const LateralSoil& soil, const LateralPileWorkspace& state,
                        LateralTangentWorkspace& work, Diagnostics& diag) {
  const int n = pile.increments;
  const auto count = static_cast<std::size_t>(n + 1);
  for (int m = 0; m <= n; ++m) {
    const auto k = static_cast<std::size_t>(m);
    double dy = state.y[at(m)];
    double dz = state.z[at(m)];
    if (pile.soilMovement) {
      dy -= state.loadFraction * pile.movementY[k];
      dz -= state.loadFraction * pile.movementZ[k];
    }
    work.relative[k] = std::sqrt(dy * dy + dz * dz);
  }
  const StatusCode status =
      soil.tangentModuli(std::span<const double>(work.relative.data(), count),
                         head.multipliers != nullptr ? *head.multipliers : pile.multipliers,
                         std::span<double>(work.secant.data(), count),
                         std::span<double>(work.tangent.data(), count), diag);
  if (!isOk(status)) return status;
  for (int m = 0; m <= n; ++m) {
    const auto k = static_cast<std::size_t>(m);
    const double es = work.secant[k];
    const double et = work.tangent[k];
    const double r = work.relative[k];
    if (et == es || !(r > 0.0)) {
      work.soil[k] = {es, 0.0, es};
      continue;
    }
    double dy = state.y[at(m)];
    double dz = state.z[at(m)];
    if (pile.soilMovement) {
      dy -= state.loadFraction * pile.movementY[k];
      dz -= state.loadFraction * pile.movementZ[k];
    }
    const double c = dy / r;
    const double s = dz / r;
    work.soil[k] = {et * c * c + es * s * s, (et - es) * c * s, et * s * s + es * c * c};
  }
  return StatusCode::kCompleted;
}

// Head rows of one plane for every column: node 0 takes the prescribed deflection, the imaginary
// node -1 the restraint, y(-1) = B·y(1) + C. `axialC` is the restraint's axial-column term.
struct HeadRow {
  double b = 0.0;            // B of node -1
  double cDeflection = 0.0;  // C of node -1 per unit head deflection
  double cSlope = 0.0;       // C of node -1 per unit head slope
  double cAxial = 0.0;       // C of node -1 per unit axial head displacement
};

HeadRow headRow(const HeadConnection& connection, double h, double r0, double rate0, double bend0) {
  switch (connection.code) {
    case kConnectionPinned:  // zero moment: y(-1) - 2y(0) + y(1) = 0
      return {-1.0, 2.0, 0.0, 0.0};
    case kConnectionFixed:  // slope (y(1) - y(-1))/2h = -St
      return {1.0, 0.0, 2.0 * h, 0.0};
    default: {
      // Rt0·δ(h²κ0) + δR0·h²κ0 = (k·h/2)·(δy(1) - δy(-1)) + k·h²·δSt
      const double kh = connection.spring * h;
      const double den = kh + 2.0 * r0;
      if (den == 0.0) return {0.0, 0.0, 0.0, 0.0};
      return {(kh - 2.0 * r0) / den, 4.0 * r0 / den, 2.0 * connection.spring * h * h / den,
              -2.0 * rate0 * bend0 / den};
    }
  }
}

// Solves A·x = r for a 4x4 system with kCols right-hand sides by Gaussian elimination with
// partial pivoting; a singular system leaves x zero.
void solve4(std::array<std::array<double, 4>, 4> a, std::array<std::array<double, kCols>, 4> r,
            std::array<std::array<double, kCols>, 4>& x) {
  x = {};
  for (std::size_t col = 0; col < 4; ++col) {
    std::size_t pivot = col;
    for (std::size_t i = col + 1; i < 4; ++i) {
      if (std::abs(a[i][col]) > std::abs(a[pivot][col])) pivot = i;
    }
    if (a[pivot][col] == 0.0) return;
    std::swap(a[pivot], a[col]);
    std::swap(r[pivot], r[col]);
    for (std::size_t i = col + 1; i < 4; ++i) {
      const double f = a[i][col] / a[col][col];
      for (std::size_t j = col; j < 4; ++j) a[i][j] -= f * a[col][j];
      for (std::size_t j = 0; j < kCols; ++j) r[i][j] -= f * r[col][j];
    }
  }
  for (std::size_t i = 4; i-- > 0;) {
    for (std::size_t j = 0; j < kCols; ++j) {
      double v = r[i][j];
      for (std::size_t k = i + 1; k < 4; ++k) v -= a[i][k] * x[k][j];
      x[i][j] = v / a[i][i];
    }
  }
}

}  // namespace

StatusCode linearisedPileHead(const LateralPileModel& pile, const PileHeadInput& head,
                              const LateralSoil& soil, const AxialForceRate& axial,
                              const LateralPileWorkspace& state, LateralTangentWorkspace& work,
                              LateralHeadTangent& out, Diagnostics& diag) {
  out = {};
  const int n = pile.increments;
  if (n < 1 || soil.nodeCount() != n + 1 || state.y.size() < slotCount(n) ||
      (axial.nodes != nullptr && axial.nodes->size() < realNodeCount(n))) {
    return StatusCode::kInternalError;
  }
  work.reserveNodes(n);
  const double h = pile.increment;
  const double h2 = h * h;
  const double h4 = h2 * h2;

  StatusCode status = soilTangents(pile, head, soil, state, work, diag);
  if (!isOk(status)) return status;
  bendingTangents(pile, head.axialLoad, axial.head, state.y, state.stiffnessY, pile.curvesY,
                  work.tangentY, work.axialRateY);
  bendingTangents(pile, head.axialLoad, axial.head, state.z, state.stiffnessZ, pile.curvesZ,
                  work.tangentZ, work.axialRateZ);
  for (int m = 0; m <= n; ++m) {
    const auto k = static_cast<std::size_t>(m);
    work.forceRate[k] = head.axialForce != nullptr
                            ? (axial.nodes != nullptr ? (*axial.nodes)[k] : axial.head)
                        : pile.axialForceGiven ? 0.0
                                               : axial.head;
  }
  const NodeArray& ry = work.tangentY;
  const NodeArray& rz = work.tangentZ;
  const NodeArray& q = state.axialForce;

  // Head rows. Columns: 0 deflection y, 1 slope y, 2 deflection z, 3 slope z, 4 axial.
  for (int m = -3; m <= -2; ++m) {
    work.a[at(m)] = {};
    work.b[at(m)] = {};
    work.c[at(m)] = {};
  }
  const HeadRow hy = headRow(pile.headY, h, ry[at(0)], work.axialRateY[at(0)], bend(state.y, 0));
  const HeadRow hz = headRow(pile.headZ, h, rz[at(0)], work.axialRateZ[at(0)], bend(state.z, 0));
  work.a[at(-1)] = {};
  work.b[at(-1)] = {hy.b, 0.0, 0.0, hz.b};
  work.c[at(-1)] = {};
  work.c[at(-1)][0] = hy.cDeflection;
  work.c[at(-1)][1] = hy.cSlope;
  work.c[at(-1)][kAxialColumn] = hy.cAxial;
  work.c[at(-1)][kCols + 2] = hz.cDeflection;
  work.c[at(-1)][kCols + 3] = hz.cSlope;
  work.c[at(-1)][kCols + kAxialColumn] = hz.cAxial;
  work.a[at(0)] = {};
  work.b[at(0)] = {};
  work.c[at(0)] = {};
  work.c[at(0)][0] = 1.0;
  work.c[at(0)][kCols + 2] = 1.0;

  // Forward elimination of the 2x2 blocks.
  for (int m = 1; m <= n; ++m) {
    const auto k = static_cast<std::size_t>(m);
    const double qh2 = q[at(m)] * h2;
    const Block e0 = {-2.0 * ry[at(m - 1)] - 2.0 * ry[at(m)] + qh2, 0.0, 0.0,
                      -2.0 * rz[at(m - 1)] - 2.0 * rz[at(m)] + qh2};
    const auto& kk = work.soil[k];
    const Block d0 = {ry[at(m - 1)] + 4.0 * ry[at(m)] + ry[at(m + 1)] - 2.0 * qh2 + kk[0] * h4,
                      kk[1] * h4, kk[1] * h4,
                      rz[at(m - 1)] + 4.0 * rz[at(m)] + rz[at(m + 1)] - 2.0 * qh2 + kk[2] * h4};
    const Block f0 = {-2.0 * ry[at(m)] - 2.0 * ry[at(m + 1)] + qh2, 0.0, 0.0,
                      -2.0 * rz[at(m)] - 2.0 * rz[at(m + 1)] + qh2};
    const Block e = add(e0, scaleRows(ry[at(m - 1)], rz[at(m - 1)], work.a[at(m - 2)]));
    const Block d = add(add(d0, scaleRows(ry[at(m - 1)], rz[at(m - 1)], work.b[at(m - 2)])),
                        mul(e, work.a[at(m - 1)]));
    const Block f = add(f0, mul(e, work.b[at(m - 1)]));
    // Right-hand side of the axial column: -(Σ w·δR·h²κ + δQ·h²·h²κ) at this row.
    Columns rhs{};
    const double fr = work.forceRate[k] * h2;
    rhs[kAxialColumn] =
        -(work.axialRateY[at(m - 1)] * bend(state.y, m - 1) -
          2.0 * work.axialRateY[at(m)] * bend(state.y, m) +
          work.axialRateY[at(m + 1)] * bend(state.y, m + 1) + fr * bend(state.y, m));
    rhs[kCols + kAxialColumn] =
        -(work.axialRateZ[at(m - 1)] * bend(state.z, m - 1) -
          2.0 * work.axialRateZ[at(m)] * bend(state.z, m) +
          work.axialRateZ[at(m + 1)] * bend(state.z, m + 1) + fr * bend(state.z, m));
    const double det = d[0] * d[3] - d[1] * d[2];
    if (det == 0.0) {
      work.a[at(m)] = {};
      work.b[at(m)] = {};
      work.c[at(m)] = {};
      continue;
    }
    const Block inv = {d[3] / det, -d[1] / det, -d[2] / det, d[0] / det};
    const Block minusInv = {-inv[0], -inv[1], -inv[2], -inv[3]};
    work.a[at(m)] = mul(minusInv, f);
    work.b[at(m)] = mul(minusInv, Block{ry[at(m + 1)], 0.0, 0.0, rz[at(m + 1)]});
    const Columns known =
        add(scaleRows(ry[at(m - 1)], rz[at(m - 1)], work.c[at(m - 2)]), mul(e, work.c[at(m - 1)]));
    Columns c{};
    for (std::size_t j = 0; j < 2 * kCols; ++j) c[j] = rhs[j] - known[j];
    work.c[at(m)] = mul(inv, c);
  }

  // Tip: zero moment and zero shear with the axial-load term, for U = Y(N+1), V = Y(N+2). The
  // shear row carries the solver's own (secant) tip stiffness, as its difference equation does.
  const Block& aN = work.a[at(n)];
  const Block& bN = work.b[at(n)];
  const Columns& cN = work.c[at(n)];
  const Block a1 = add(mul(work.a[at(n - 1)], aN), work.b[at(n - 1)]);
  const Block b1 = mul(work.a[at(n - 1)], bN);
  const Columns c1 = add(mul(work.a[at(n - 1)], cN), work.c[at(n - 1)]);
  const Block a2 = add(mul(work.a[at(n - 2)], a1), mul(work.b[at(n - 2)], aN));
  const Block b2 = add(mul(work.a[at(n - 2)], b1), mul(work.b[at(n - 2)], bN));
  const Columns c2 =
      add(add(mul(work.a[at(n - 2)], c1), mul(work.b[at(n - 2)], cN)), work.c[at(n - 2)]);
  const double rty = state.stiffnessY[at(n)];
  const double rtz = state.stiffnessZ[at(n)];
  const double qh2 = q[at(n)] * h2;
  std::array<std::array<double, 4>, 4> sys{};
  std::array<std::array<double, kCols>, 4> rhs{};
  for (std::size_t i = 0; i < 2; ++i) {
    const double rt = i == 0 ? rty : rtz;
    const NodeArray& y = i == 0 ? state.y : state.z;
    const double rateTip = (i == 0 ? work.axialRateY : work.axialRateZ)[at(n)];
    for (std::size_t j = 0; j < 2; ++j) {
      const double id = i == j ? 1.0 : 0.0;
      const std::size_t ij = 2 * i + j;
      // Moment: U - 2Y(N) + Y(N-1) = 0.
      sys[i][j] = id - 2.0 * aN[ij] + a1[ij];
      sys[i][2 + j] = -2.0 * bN[ij] + b1[ij];
      // Shear: Rt·(V - 2U + 2Y(N-1) - Y(N-2)) + Q·h²·(U - Y(N-1)) = axial terms.
      sys[2 + i][j] = rt * (-2.0 * id + 2.0 * a1[ij] - a2[ij]) + qh2 * (id - a1[ij]);
      sys[2 + i][2 + j] = rt * (id + 2.0 * b1[ij] - b2[ij]) - qh2 * b1[ij];
    }
    const double third = y[at(n + 2)] - 2.0 * y[at(n + 1)] + 2.0 * y[at(n - 1)] - y[at(n - 2)];
    const double slope2h = y[at(n + 1)] - y[at(n - 1)];
    for (std::size_t col = 0; col < kCols; ++col) {
      const std::size_t ic = i * kCols + col;
      rhs[i][col] = 2.0 * cN[ic] - c1[ic];
      rhs[2 + i][col] = -rt * (2.0 * c1[ic] - c2[ic]) + qh2 * c1[ic];
    }
    rhs[2 + i][kAxialColumn] -=
        rateTip * third + work.forceRate[static_cast<std::size_t>(n)] * h2 * slope2h;
  }
  std::array<std::array<double, kCols>, 4> uv{};
  solve4(sys, rhs, uv);

  // Back-substitution from the tip to the head.
  auto& y = work.response;
  y[at(n + 3)] = {};
  for (std::size_t col = 0; col < kCols; ++col) {
    y[at(n + 1)][col] = uv[0][col];
    y[at(n + 1)][kCols + col] = uv[1][col];
    y[at(n + 2)][col] = uv[2][col];
    y[at(n + 2)][kCols + col] = uv[3][col];
  }
  for (int m = n; m >= -1; --m) {
    y[at(m)] =
        add(add(mul(work.a[at(m)], y[at(m + 1)]), mul(work.b[at(m)], y[at(m + 2)])), work.c[at(m)]);
  }

  // Head shears: the soil reaction integrated along the pile (trapezoidal, as the solver does).
  for (int m = 0; m <= n; ++m) {
    const auto k = static_cast<std::size_t>(m);
    const double w = (m == 0 || m == n) ? 0.5 * h : h;
    const auto& kk = work.soil[k];
    for (std::size_t col = 0; col < kCols; ++col) {
      const double dy = y[at(m)][col];
      const double dz = y[at(m)][kCols + col];
      out.rate[0][col] += w * (kk[0] * dy + kk[1] * dz);
      out.rate[1][col] += w * (kk[1] * dy + kk[2] * dz);
    }
  }
  // Head moments M0 = -R0·h²κ0/h².
  for (std::size_t col = 0; col < kCols; ++col) {
    const double by = y[at(1)][col] - 2.0 * y[at(0)][col] + y[at(-1)][col];
    const double bz = y[at(1)][kCols + col] - 2.0 * y[at(0)][kCols + col] + y[at(-1)][kCols + col];
    out.rate[2][col] = -ry[at(0)] * by / h2;
    out.rate[3][col] = -rz[at(0)] * bz / h2;
  }
  out.rate[2][kAxialColumn] -= work.axialRateY[at(0)] * bend(state.y, 0) / h2;
  out.rate[3][kAxialColumn] -= work.axialRateZ[at(0)] * bend(state.z, 0) / h2;
  return StatusCode::kCompleted;
}

}  // namespace stilt
