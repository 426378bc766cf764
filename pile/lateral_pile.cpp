#include "pile/lateral_pile.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <span>

#include "pile/result_quantities.hpp"

namespace stilt {
namespace {

// Deflections and displacements within this of zero have no equivalent stiffness.
constexpr double kDisplacementGuard = 1.0e-14;

std::size_t at(int node) {
  return slotOf(node);
}

// One bending plane in a linear solution: its stiffness, load term, head condition, and the
// recursion coefficients and deflections it fills.
struct Plane {
  const NodeArray& r;  // bending stiffness R
  const NodeArray& w;  // load term W
  HeadConnection head;
  double deflection;  // yt, prescribed head deflection
  double slope;       // St, prescribed head slope as passed in
  NodeArray& a;
  NodeArray& b;
  NodeArray& c;
  NodeArray& y;
};

// Head rows of the recursion y(m) = A(m)·y(m+1) + B(m)·y(m+2) + C(m).
void headRows(Plane& p, double h) {
  // The spare slot and node -2 carry nothing.
  p.a[at(-3)] = p.b[at(-3)] = p.c[at(-3)] = 0.0;
  p.a[at(-2)] = p.b[at(-2)] = p.c[at(-2)] = 0.0;
  // Node 0: the prescribed head deflection.
  p.a[at(0)] = p.b[at(0)] = 0.0;
  p.c[at(0)] = p.deflection;
  // Node -1: the head restraint, written as y(-1) = B·y(1) + C.
  p.a[at(-1)] = 0.0;
  switch (p.head.code) {
    case kConnectionPinned:  // zero moment: y(-1) - 2y(0) + y(1) = 0
      p.b[at(-1)] = -1.0;
      p.c[at(-1)] = 2.0 * p.deflection;
      break;
    case kConnectionFixed:  // slope (y(1) - y(-1))/2h = -St
      p.b[at(-1)] = 1.0;
      p.c[at(-1)] = 2.0 * h * p.slope;
      break;
    default: {  // head moment = -k·(slope + St)
      const double r0 = p.r[at(0)];
      const double kh = p.head.spring * h;
      const double den = kh + 2.0 * r0;
      if (den == 0.0) {
        p.b[at(-1)] = 0.0;
        p.c[at(-1)] = 0.0;
      } else {
        p.b[at(-1)] = (kh - 2.0 * r0) / den;
        p.c[at(-1)] = (4.0 * r0 * p.deflection + 2.0 * p.head.spring * h * h * p.slope) / den;
      }
      break;
    }
  }
}

// Forward elimination at real node m of the difference equation
//   R(m-1)·y(m-2) + (-2R(m-1) - 2R(m) + Q·h²)·y(m-1) + (R(m-1) + 4R(m) + R(m+1) - 2Q·h²
//   + Es·h⁴)·y(m) + (-2R(m) - 2R(m+1) + Q·h²)·y(m+1) + R(m+1)·y(m+2) = W·h⁴.
// A zero pivot gives zero coefficients.
inline void eliminate(Plane& p, int m, double qh2, double esh4, double h4) {
  const double rm1 = p.r[at(m - 1)];
  const double rm = p.r[at(m)];
  const double rp1 = p.r[at(m + 1)];
  const double e = (-2.0 * rm1 - 2.0 * rm + qh2) + rm1 * p.a[at(m - 2)];
  const double d =
      (rm1 + 4.0 * rm + rp1 - 2.0 * qh2 + esh4) + rm1 * p.b[at(m - 2)] + e * p.a[at(m - 1)];
  const double f = (-2.0 * rm - 2.0 * rp1 + qh2) + e * p.b[at(m - 1)];
  if (d == 0.0) {
    p.a[at(m)] = p.b[at(m)] = p.c[at(m)] = 0.0;
  } else {
    const double inv = -1.0 / d;
    p.a[at(m)] = f * inv;
    p.b[at(m)] = rp1 * inv;
    p.c[at(m)] = (e * p.c[at(m - 1)] + rm1 * p.c[at(m - 2)] - p.w[at(m)] * h4) * inv;
  }
}

// Tip: zero moment and zero shear (with the axial-load term), solved by Cramer's rule for the
// two outermost deflections u = y(N+1), v = y(N+2); a zero determinant leaves both 0.
void tipRows(Plane& p, int n, double qh2) {
  const auto& a = p.a;
  const auto& b = p.b;
  const auto& c = p.c;
  // y(N), y(N-1), y(N-2) as alpha·u + beta·v + gamma through the recursion.
  const double aN = a[at(n)], bN = b[at(n)], cN = c[at(n)];
  const double a1 = a[at(n - 1)] * aN + b[at(n - 1)];
  const double b1 = a[at(n - 1)] * bN;
  const double c1 = a[at(n - 1)] * cN + c[at(n - 1)];
  const double a2 = a[at(n - 2)] * a1 + b[at(n - 2)] * aN;
  const double b2 = a[at(n - 2)] * b1 + b[at(n - 2)] * bN;
  const double c2 = a[at(n - 2)] * c1 + b[at(n - 2)] * cN + c[at(n - 2)];
  // Moment: y(N+1) - 2y(N) + y(N-1) = 0.
  const double m11 = 1.0 - 2.0 * aN + a1;
  const double m12 = -2.0 * bN + b1;
  const double rhs1 = 2.0 * cN - c1;
  // Shear, multiplied through by R at the tip so that a zero tip stiffness cannot divide:
  // R·(y(N+2) - 2y(N+1) + 2y(N-1) - y(N-2)) + Q·h²·(y(N+1) - y(N-1)) = 0.
  const double rt = p.r[at(n)];
  const double m21 = rt * (-2.0 + 2.0 * a1 - a2) + qh2 * (1.0 - a1);
  const double m22 = rt * (1.0 + 2.0 * b1 - b2) - qh2 * b1;
  const double rhs2 = -rt * (2.0 * c1 - c2) + qh2 * c1;
  const double det = m11 * m22 - m12 * m21;
  double u = 0.0;
  double v = 0.0;
  if (det != 0.0) {
    u = (rhs1 * m22 - m12 * rhs2) / det;
    v = (m11 * rhs2 - rhs1 * m21) / det;
  }
  p.y[at(n + 3)] = 0.0;
  p.y[at(n + 2)] = v;
  p.y[at(n + 1)] = u;
  p.y[at(-2)] = 0.0;
  p.y[at(-3)] = 0.0;
}

inline void backSubstitute(Plane& p, int m) {
  p.y[at(m)] = p.a[at(m)] * p.y[at(m + 1)] + p.b[at(m)] * p.y[at(m + 2)] + p.c[at(m)];
}

// One linear solution of both planes with the same soil moduli and axial forces. The two
// recursions are independent and run side by side, so that the processor overlaps the
// divisions of one with those of the other.
void solvePlanes(int n, double h, const NodeArray& q, const RealNodeArray& es, Plane& py,
                 Plane& pz) {
  const double h2 = h * h;
  const double h4 = h2 * h2;
  headRows(py, h);
  headRows(pz, h);
  for (int m = 1; m <= n; ++m) {
    const double qh2 = q[at(m)] * h2;
    const double esh4 = es[static_cast<std::size_t>(m)] * h4;
    eliminate(py, m, qh2, esh4, h4);
    eliminate(pz, m, qh2, esh4, h4);
  }
  tipRows(py, n, q[at(n)] * h2);
  tipRows(pz, n, q[at(n)] * h2);
  for (int m = n; m >= -1; --m) {
    backSubstitute(py, m);
    backSubstitute(pz, m);
  }
}

// Head shear of one plane: the soil reaction along the pile less the lateral load, integrated
// by the trapezoidal rule (half weight at head and tip). Es·y - W = Es·(y - movement) - load.
double headShear(int n, double h, const NodeArray& y, const NodeArray& loadTerm,
                 const RealNodeArray& es) {
  double sum = 0.0;
  for (int m = 0; m <= n; ++m) {
    const double weight = (m == 0 || m == n) ? 0.5 : 1.0;
    sum += weight * (es[static_cast<std::size_t>(m)] * y[at(m)] - loadTerm[at(m)]);
  }
  return sum * h;
}

double headMoment(double h, const NodeArray& y, const NodeArray& r) {
  return -r[at(0)] * (y[at(1)] - 2.0 * y[at(0)] + y[at(-1)]) / (h * h);
}

// Load terms W = distributed load + Es x free-field soil movement, both at the fraction of the
// item's load being applied.
void updateLoadTerms(const LateralPileModel& pile, LateralPileWorkspace& work) {
  const double f = work.loadFraction;
  for (int m = 0; m <= pile.increments; ++m) {
    const auto k = static_cast<std::size_t>(m);
    double wy = f * pile.loadY[k];
    double wz = f * pile.loadZ[k];
    if (pile.soilMovement) {
      wy += work.soilModulus[k] * f * pile.movementY[k];
      wz += work.soilModulus[k] * f * pile.movementZ[k];
    }
    work.loadTermY[at(m)] = wy;
    work.loadTermZ[at(m)] = wz;
  }
}

// A model whose node arrays do not hold its N + 1 nodes (not built through resizeNodes).
StatusCode internalSizeError(const LateralPileModel& pile, Diagnostics& diag) {
  diag.both("     **** FATAL ERROR ****");
  diag.both(fmt::format("     LATERALLY LOADED PILE, PILE GROUP{:5d}: NODE ARRAYS DO NOT HOLD",
                        pile.pileNumber));
  diag.both(fmt::format("     THE {} NODES OF THE PILE", pile.increments + 1));
  return StatusCode::kInternalError;
}

// Checks the model handed in, so that no division of the solution can meet a zero it did not
// expect and no index can leave its array: at least one increment of positive length, per-node
// arrays sized for the pile, positive bending stiffness at every node, and a soil built for as
// many nodes.
StatusCode checkModel(const LateralPileModel& pile, const LateralSoil& soil, Diagnostics& diag) {
  if (pile.increments < 1 || !(pile.increment > 0.0) || !std::isfinite(pile.increment)) {
    diag.both("     **** FATAL ERROR ****");
    diag.both(fmt::format("     LATERALLY LOADED PILE, PILE GROUP{:5d}: {} INCREMENTS OF",
                          pile.pileNumber, pile.increments));
    diag.both(
        fmt::format("     LENGTH {:12.4E}; 1 OR MORE INCREMENTS OF POSITIVE LENGTH ARE NEEDED",
                    pile.increment));
    return StatusCode::kInputInvalidValue;
  }
  const std::size_t nodes = realNodeCount(pile.increments);
  for (const RealNodeArray* a : {&pile.stiffnessY, &pile.stiffnessZ, &pile.loadY, &pile.loadZ,
                                 &pile.movementY, &pile.movementZ, &pile.axialForce}) {
    if (a->size() < nodes) return internalSizeError(pile, diag);
  }
  if (pile.sections.size() < nodes || pile.curvesY.size() < nodes || pile.curvesZ.size() < nodes) {
    return internalSizeError(pile, diag);
  }
  for (int m = 0; m <= pile.increments; ++m) {
    const auto k = static_cast<std::size_t>(m);
    if (!(pile.stiffnessY[k] > 0.0) || !(pile.stiffnessZ[k] > 0.0)) {
      diag.both("     **** FATAL ERROR ****");
      diag.both(fmt::format("     LATERALLY LOADED PILE, PILE GROUP{:5d}: ZERO BENDING STIFFNESS",
                            pile.pileNumber));
      diag.both(fmt::format("     AT NODE{:4d}: EIz ={:12.4E}, EIy ={:12.4E}", m,
                            pile.stiffnessY[k], pile.stiffnessZ[k]));
      return StatusCode::kZeroBendingStiffness;
    }
  }
  if (soil.nodeCount() != pile.increments + 1) {
    diag.both("     **** FATAL ERROR ****");
    diag.both(fmt::format("     LATERALLY LOADED PILE, PILE GROUP{:5d}: {} NODES, THE SOIL HAS {}",
                          pile.pileNumber, pile.increments + 1, soil.nodeCount()));
    return StatusCode::kInternalError;
  }
  return StatusCode::kCompleted;
}

// Set-up of a solve: clear the working arrays, elastic stiffness on every node (the imaginary
// nodes take the value of the end node), axial force, initial soil moduli and load terms.
StatusCode setUp(const LateralPileModel& pile, const PileHeadInput& head, const LateralSoil& soil,
                 LateralPileWorkspace& work, Diagnostics& diag) {
  const int n = pile.increments;
  work.reserveNodes(n);
  work.y.fill(0.0);
  work.z.fill(0.0);
  work.yPrevious.fill(0.0);
  work.zPrevious.fill(0.0);
  work.loadTermY.fill(0.0);
  work.loadTermZ.fill(0.0);
  for (NodeArray* coefficients : {&work.aY, &work.bY, &work.cY, &work.aZ, &work.bZ, &work.cZ}) {
    coefficients->fill(0.0);
  }
  work.soilModulus.fill(0.0);
  work.relativeDeflection.fill(0.0);
  work.stiffnessY.fill(0.0);
  work.stiffnessZ.fill(0.0);
  work.axialForce.fill(0.0);
  work.loadFraction = head.loadFraction;
  for (int m = -3; m <= n + 3; ++m) {
    const auto k = static_cast<std::size_t>(m < 0 ? 0 : (m > n ? n : m));
    work.stiffnessY[at(m)] = pile.stiffnessY[k];
    work.stiffnessZ[at(m)] = pile.stiffnessZ[k];
    work.axialForce[at(m)] = head.axialForce != nullptr ? (*head.axialForce)[k]
                             : pile.axialForceGiven     ? pile.axialForce[k]
                                                        : head.axialLoad;
  }
  const std::span<double> es(work.soilModulus.data(), static_cast<std::size_t>(n + 1));
  const StatusCode status = soil.initialModuli(es, diag);
  if (!isOk(status)) return status;
  updateLoadTerms(pile, work);
  return StatusCode::kCompleted;
}

bool converged(int n, double tolerance, const LateralPileWorkspace& work) {
  for (int m = 0; m <= n; ++m) {
    if (!(std::abs(work.y[at(m)] - work.yPrevious[at(m)]) < tolerance)) return false;
    if (!(std::abs(work.z[at(m)] - work.zPrevious[at(m)]) < tolerance)) return false;
  }
  return true;
}

double equivalentStiffness(double force, double displacement, double fallback) {
  return std::abs(displacement) > kDisplacementGuard ? force / displacement : fallback;
}

}  // namespace

LateralPileSolution solveLaterallyLoadedPile(const LateralPileModel& pile,
                                             const PileHeadInput& head, const LateralSoil& soil,
                                             LateralPileWorkspace& work, PileResults* results,
                                             Diagnostics& diag) {
  LateralPileSolution out;
  out.status = checkModel(pile, soil, diag);
  if (!isOk(out.status)) return out;
  if (head.axialForce != nullptr && head.axialForce->size() < realNodeCount(pile.increments)) {
    out.status = internalSizeError(pile, diag);
    return out;
  }
  out.status = setUp(pile, head, soil, work, diag);
  if (!isOk(out.status)) return out;

  const int n = pile.increments;
  const double h = pile.increment;
  const auto realNodes = static_cast<std::size_t>(n + 1);
  const std::span<const double> relative(work.relativeDeflection.data(), realNodes);
  const std::span<double> es(work.soilModulus.data(), realNodes);

  Plane planeY{.r = work.stiffnessY,
               .w = work.loadTermY,
               .head = pile.headY,
               .deflection = head.deflectionY,
               .slope = head.slopeY,
               .a = work.aY,
               .b = work.bY,
               .c = work.cY,
               .y = work.y};
  Plane planeZ{.r = work.stiffnessZ,
               .w = work.loadTermZ,
               .head = pile.headZ,
               .deflection = head.deflectionZ,
               .slope = head.slopeZ,
               .a = work.aZ,
               .b = work.bZ,
               .c = work.cZ,
               .y = work.z};
  int iteration = 1;
  for (;;) {
    solvePlanes(n, h, work.axialForce, work.soilModulus, planeY, planeZ);
    out.iterations = iteration;
    if (pile.nonlinearBending) {
      updateBendingStiffness(n, h, head.axialLoad, work.y, pile.curvesY, work.stiffnessY);
      updateBendingStiffness(n, h, head.axialLoad, work.z, pile.curvesZ, work.stiffnessZ);
    }
    // The first solution never counts as converged: its soil moduli were not yet read at its
    // own deflections.
    if (iteration > 1 && converged(n, pile.tolerance, work)) break;
    ++iteration;
    if (iteration > pile.maxIterations) {
      diag.both(
          fmt::format("     ** WARNING **  NO CLOSURE OF A LLP AFTER{:5d} ITERATIONS  "
                      "PILE GROUP{:5d}",
                      pile.maxIterations, pile.pileNumber));
      return out;
    }
    work.yPrevious = work.y;
    work.zPrevious = work.z;
    // The soil resists the deflection relative to the free-field soil movement.
    for (int m = 0; m <= n; ++m) {
      const auto k = static_cast<std::size_t>(m);
      double dy = work.y[at(m)];
      double dz = work.z[at(m)];
      if (pile.soilMovement) {
        dy -= work.loadFraction * pile.movementY[k];
        dz -= work.loadFraction * pile.movementZ[k];
      }
      work.relativeDeflection[k] = std::sqrt(dy * dy + dz * dz);
    }
    out.status = soil.secantModuli(
        relative, head.multipliers != nullptr ? *head.multipliers : pile.multipliers, es, diag);
    if (!isOk(out.status)) return out;
    updateLoadTerms(pile, work);
  }

  out.converged = true;
  out.shearY = headShear(n, h, work.y, work.loadTermY, work.soilModulus);
  out.shearZ = headShear(n, h, work.z, work.loadTermZ, work.soilModulus);
  out.momentY = headMoment(h, work.y, work.stiffnessY);
  out.momentZ = headMoment(h, work.z, work.stiffnessZ);
  out.headStiffness = pileTopStiffness(head, out);
  if (pile.nonlinearBending) {
    const int y = firstPlasticHinge(n, h, head.axialLoad, work.y, pile.curvesY);
    const int z = firstPlasticHinge(n, h, head.axialLoad, work.z, pile.curvesZ);
    out.hingeNode = y < 0 ? z : (z < 0 ? y : std::min(y, z));
  }
  if (results != nullptr) fillResultQuantities(pile, work, *results);
  return out;
}

std::array<double, 6> pileTopStiffness(const PileHeadInput& head, const LateralPileSolution& s) {
  const auto& fb = head.fallbackStiffness;
  return {
      equivalentStiffness(head.axialLoad, head.axialDisplacement, fb[0]),
      equivalentStiffness(s.shearY, head.deflectionY, fb[1]),
      equivalentStiffness(s.shearZ, head.deflectionZ, fb[2]),
      equivalentStiffness(head.torque, head.twist, fb[3]),
      equivalentStiffness(-s.momentZ, head.slopeZ, fb[4]),
      equivalentStiffness(-s.momentY, head.slopeY, fb[5]),
  };
}

}  // namespace stilt
