// The result quantities along a pile: stresses, resultants, ratios and global displacements.

#include "pile/result_quantities.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "pile/test_soils.hpp"

namespace stilt {
namespace {

TEST(TotalStress, CircularSectionUsesTheResultantMoment) {
  // |P|/A + √(My² + Mz²)·D/(2I) = 100/10 + 5·2/(2·5) = 10 + 1.
  NodeSection s;
  s.shape = 1;
  s.area = 10.0;
  s.diameter = 2.0;
  s.iz = 5.0;
  s.iy = 5.0;
  EXPECT_DOUBLE_EQ(totalStress(s, -100.0, 3.0, -4.0), 11.0);
  s.shape = 0;  // a general section is treated as circular with its equivalent diameter
  EXPECT_DOUBLE_EQ(totalStress(s, 100.0, 3.0, 4.0), 11.0);
}

TEST(TotalStress, RectangularSectionAddsBothAxes) {
  // |P|/A + |My|·width/(2·Iy) + |Mz|·depth/(2·Iz) = 40/8 + 8·4/16 + 9·6/18 = 5 + 2 + 3.
  NodeSection s;
  s.shape = 2;
  s.area = 8.0;
  s.width = 4.0;
  s.depth = 6.0;
  s.iy = 8.0;
  s.iz = 9.0;
  EXPECT_DOUBLE_EQ(totalStress(s, 40.0, -8.0, 9.0), 10.0);
}

TEST(TotalStress, MissingSectionValuesDropTheirTerm) {
  NodeSection s;
  s.shape = 3;
  EXPECT_EQ(totalStress(s, 40.0, 8.0, 9.0), 0.0);
  s.shape = 1;
  EXPECT_EQ(totalStress(s, 40.0, 8.0, 9.0), 0.0);
}

TEST(GlobalDisplacements, LocalAxesTurnedBack) {
  // R turns global (X, Y, Z) into local (x, y, z) = (X, Z, -Y); back: X = x, Y = -z, Z = y.
  PileResults r;
  r.increments = 1;
  r.values[quantity::kAxialDisplacement] = {0.1, 0.2};
  r.values[quantity::kDeflectionY] = {3.0, 0.0};
  r.values[quantity::kDeflectionZ] = {4.0, -1.0};
  const RotationMatrix rot = {{{1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}, {0.0, -1.0, 0.0}}};
  fillGlobalDisplacements(rot, r);
  EXPECT_DOUBLE_EQ(r.at(quantity::kDisplacementX, 0), 0.1);
  EXPECT_DOUBLE_EQ(r.at(quantity::kDisplacementY, 0), -4.0);
  EXPECT_DOUBLE_EQ(r.at(quantity::kDisplacementZ, 0), 3.0);
  EXPECT_DOUBLE_EQ(r.at(quantity::kDisplacementYZ, 0), 5.0);
  EXPECT_DOUBLE_EQ(r.at(quantity::kDisplacementY, 1), 1.0);
}

TEST(ResultQuantities, ResultantsRatiosAndUnsetQuantities) {
  // Both planes pushed equally on a round pile: every y-z resultant is √2 times its component;
  // the demand/capacity ratios divide by Mn and Vn (0 where a capacity is 0); the quantities
  // that need the axial solution stay 0.
  const int n = 100;
  const double length = 1200.0, ei = 2.1e10;
  const testing::ConstantModulusSoil soil(n, length / n, 500.0);
  auto pile = std::make_unique<LateralPileModel>();
  pile->resizeNodes(n);
  pile->increment = length / n;
  pile->stiffnessY.fill(ei);
  pile->stiffnessZ.fill(ei);
  for (auto& s : pile->sections) {
    s.shape = 1;
    s.area = 24.35;
    s.diameter = 16.0;
    s.iz = s.iy = 731.9;
    s.momentCapacity = 6.0e6;
    s.shearCapacity = 3.65e5;
  }
  pile->sections[n].momentCapacity = 0.0;
  PileHeadInput head;
  head.deflectionY = head.deflectionZ = 0.4;
  head.axialLoad = 2.0e5;
  auto work = std::make_unique<LateralPileWorkspace>();
  auto r = std::make_unique<PileResults>();
  Diagnostics diag;
  const LateralPileSolution s = solveLaterallyLoadedPile(*pile, head, soil, *work, r.get(), diag);
  ASSERT_TRUE(s.converged);
  for (int m : {0, 7, 30}) {
    EXPECT_DOUBLE_EQ(r->at(quantity::kDeflectionYZ, m),
                     std::sqrt(2.0) * std::abs(r->at(quantity::kDeflectionY, m)));
    EXPECT_DOUBLE_EQ(r->at(quantity::kMomentYZ, m),
                     std::hypot(r->at(quantity::kMomentY, m), r->at(quantity::kMomentZ, m)));
    EXPECT_NEAR(r->at(quantity::kShearYZ, m),
                std::sqrt(2.0) * std::abs(r->at(quantity::kShearY, m)),
                1.0e-9 * r->at(quantity::kShearYZ, m));
    EXPECT_DOUBLE_EQ(r->at(quantity::kMomentDemandCapacity, m),
                     r->at(quantity::kMomentYZ, m) / 6.0e6);
    EXPECT_DOUBLE_EQ(r->at(quantity::kShearDemandCapacity, m),
                     r->at(quantity::kShearYZ, m) / 3.65e5);
    // Stress: P/A + M·D/(2I).
    EXPECT_DOUBLE_EQ(r->at(quantity::kTotalStress, m),
                     2.0e5 / 24.35 + r->at(quantity::kMomentYZ, m) * 16.0 / (2.0 * 731.9));
    for (int q : {1, 5, 6, 7, 8, 18}) EXPECT_EQ(r->at(q, m), 0.0) << q;
  }
  EXPECT_EQ(r->at(quantity::kMomentDemandCapacity, n), 0.0);
  EXPECT_EQ(r->at(quantity::kStiffnessZ, 3), ei);
  EXPECT_EQ(s.shearY, s.shearZ);
}

}  // namespace
}  // namespace stilt
