#include "pile/result_quantities.hpp"

#include <cmath>
#include <cstddef>

namespace stilt {
namespace {

std::size_t at(int node) {
  return slotOf(node);
}

// Bending moment M = -R·y'' at node m.
double moment(int m, double h2, const NodeArray& y, const NodeArray& r) {
  return -r[at(m)] * (y[at(m + 1)] - 2.0 * y[at(m)] + y[at(m - 1)]) / h2;
}

// Shear V = Q·S - dM/dx at node m: central differences, a forward difference at the head.
double shear(int m, double h, const NodeArray& y, const NodeArray& r, const NodeArray& q) {
  const double h2 = h * h;
  const double slope = (y[at(m + 1)] - y[at(m - 1)]) / (2.0 * h);
  const double dm = m == 0 ? (moment(1, h2, y, r) - moment(0, h2, y, r)) / h
                           : (moment(m + 1, h2, y, r) - moment(m - 1, h2, y, r)) / (2.0 * h);
  return q[at(m)] * slope - dm;
}

double ratio(double demand, double capacity) {
  return capacity > 0.0 ? demand / capacity : 0.0;
}

}  // namespace

double totalStress(const NodeSection& s, double axialForce, double momentY, double momentZ) {
  double stress = s.area > 0.0 ? std::abs(axialForce) / s.area : 0.0;
  if (s.shape >= 2) {
    if (s.iy > 0.0) stress += std::abs(momentY) * s.width / (2.0 * s.iy);
    if (s.iz > 0.0) stress += std::abs(momentZ) * s.depth / (2.0 * s.iz);
  } else if (s.iz > 0.0) {
    stress += std::hypot(momentY, momentZ) * s.diameter / (2.0 * s.iz);
  }
  return stress;
}

void fillResultQuantities(const LateralPileModel& pile, const LateralPileWorkspace& work,
                          PileResults& results) {
  namespace q = quantity;
  const int n = pile.increments;
  const double h = pile.increment;
  const double h2 = h * h;
  results.resize(n);
  results.increment = h;
  auto set = [&results](int quantityNumber, std::size_t node, double value) {
    results.values[static_cast<std::size_t>(quantityNumber)][node] = value;
  };
  for (int m = 0; m <= n; ++m) {
    const auto k = static_cast<std::size_t>(m);
    const double y = work.y[at(m)];
    const double z = work.z[at(m)];
    const double mz = moment(m, h2, work.y, work.stiffnessY);  // deflection in y
    const double my = moment(m, h2, work.z, work.stiffnessZ);  // deflection in z
    const double vy = shear(m, h, work.y, work.stiffnessY, work.axialForce);
    const double vz = shear(m, h, work.z, work.stiffnessZ, work.axialForce);
    const double es = work.soilModulus[k];
    // The soil reacts to the deflection relative to the free-field movement applied so far.
    const double f = work.loadFraction;
    const double py = es * (pile.soilMovement ? y - f * pile.movementY[k] : y);
    const double pz = es * (pile.soilMovement ? z - f * pile.movementZ[k] : z);
    const double mr = std::hypot(my, mz);
    const double vr = std::hypot(vy, vz);
    set(q::kDeflectionY, k, y);
    set(q::kDeflectionZ, k, z);
    set(q::kDeflectionYZ, k, std::hypot(y, z));
    set(q::kMomentZ, k, mz);
    set(q::kMomentY, k, my);
    set(q::kMomentYZ, k, mr);
    set(q::kShearY, k, vy);
    set(q::kShearZ, k, vz);
    set(q::kShearYZ, k, vr);
    set(q::kSoilReactionY, k, py);
    set(q::kSoilReactionZ, k, pz);
    set(q::kSoilReactionYZ, k, std::hypot(py, pz));
    if (pile.axialForceGiven) set(q::kAxialForce, k, pile.axialForce[k]);
    set(q::kTotalStress, k, totalStress(pile.sections[k], work.axialForce[at(m)], my, mz));
    set(q::kStiffnessZ, k, work.stiffnessY[at(m)]);
    set(q::kStiffnessY, k, work.stiffnessZ[at(m)]);
    set(q::kDistributedLoadY, k, f * pile.loadY[k]);
    set(q::kDistributedLoadZ, k, f * pile.loadZ[k]);
    set(q::kMomentDemandCapacity, k, ratio(mr, pile.sections[k].momentCapacity));
    set(q::kShearDemandCapacity, k, ratio(vr, pile.sections[k].shearCapacity));
  }
}

void fillGlobalDisplacements(const RotationMatrix& rotation, PileResults& results) {
  namespace q = quantity;
  auto& v = results.values;
  for (int q : {q::kAxialDisplacement, q::kDeflectionY, q::kDeflectionZ, q::kDisplacementX,
                q::kDisplacementY, q::kDisplacementZ, q::kDisplacementYZ}) {
    v[static_cast<std::size_t>(q)].reserveAtLeast(realNodeCount(results.increments));
  }
  for (int m = 0; m <= results.increments; ++m) {
    const auto k = static_cast<std::size_t>(m);
    const std::array<double, 3> local = {v[q::kAxialDisplacement][k], v[q::kDeflectionY][k],
                                         v[q::kDeflectionZ][k]};
    std::array<double, 3> global{};
    for (std::size_t i = 0; i < 3; ++i) {
      for (std::size_t j = 0; j < 3; ++j) global[i] += rotation[j][i] * local[j];
    }
    v[q::kDisplacementX][k] = global[0];
    v[q::kDisplacementY][k] = global[1];
    v[q::kDisplacementZ][k] = global[2];
    v[q::kDisplacementYZ][k] = std::hypot(global[1], global[2]);
  }
}

}  // namespace stilt
