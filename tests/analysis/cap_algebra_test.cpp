#include "analysis/cap_algebra.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace stilt {
namespace {

TEST(CapAlgebra, PlumbPileAtTheOriginSeesTheCapDisplacementUnchanged) {
  PileGeometry plumb;  // a = 0, b = pi/2
  plumb.cosA = 1.0;
  plumb.sinA = 0.0;
  plumb.cosB = std::cos(M_PI / 2.0);
  plumb.sinB = 1.0;
  const Matrix6 ra = multiply(rotationMatrix(plumb), transferMatrix(0.0, 0.0, 0.0));
  const Vector6 dv{1.0, -2.0, 3.0, 0.1, -0.2, 0.3};
  const Vector6 u = multiply(ra, dv);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_NEAR(u[i], dv[i], 1e-15);
}

TEST(CapAlgebra, TransferAddsTheRotationCrossThePosition) {
  const Matrix6 a = transferMatrix(1.0, 2.0, 3.0);
  const Vector6 rotationOnly{0.0, 0.0, 0.0, 0.1, 0.2, 0.3};
  const Vector6 u = multiply(a, rotationOnly);
  // theta x r = (0.2*3 - 0.3*2, 0.3*1 - 0.1*3, 0.1*2 - 0.2*1) = (0, 0, 0): r parallel to theta.
  EXPECT_NEAR(u[0], 0.0, 1e-15);
  EXPECT_NEAR(u[1], 0.0, 1e-15);
  EXPECT_NEAR(u[2], 0.0, 1e-15);
  const Vector6 aboutZ{0.0, 0.0, 0.0, 0.0, 0.0, 0.5};
  const Vector6 w = multiply(a, aboutZ);
  EXPECT_NEAR(w[0], -0.5 * 2.0, 1e-15);  // (0,0,0.5) x (1,2,3) = (-1.0, 0.5, 0)
  EXPECT_NEAR(w[1], 0.5 * 1.0, 1e-15);
  EXPECT_NEAR(w[2], 0.0, 1e-15);
}

TEST(CapAlgebra, TransposedTransferGivesTheMomentOfAHeadForceAboutTheOrigin) {
  const Matrix6 a = transferMatrix(2.0, -1.0, 4.0);
  const Vector6 force{10.0, 0.0, 0.0, 0.0, 0.0, 0.0};  // along X at the head
  const Vector6 atOrigin = multiplyTransposed(a, force);
  // r x F = (2, -1, 4) x (10, 0, 0) = (0, 40, 10)
  EXPECT_NEAR(atOrigin[0], 10.0, 1e-14);
  EXPECT_NEAR(atOrigin[3], 0.0, 1e-14);
  EXPECT_NEAR(atOrigin[4], 40.0, 1e-14);
  EXPECT_NEAR(atOrigin[5], 10.0, 1e-14);
}

TEST(CapAlgebra, RotationIsOrthonormalAndTheFirstAxisFollowsThePile) {
  PileGeometry g;
  g.alpha = 0.4;
  g.beta = 1.2;
  g.cosA = std::cos(g.alpha);
  g.sinA = std::sin(g.alpha);
  g.cosB = std::cos(g.beta);
  g.sinB = std::sin(g.beta);
  const Matrix6 r = rotationMatrix(g);
  const Matrix6 rrt = multiply(r, transpose(r));
  for (std::size_t i = 0; i < 6; ++i) {
    for (std::size_t j = 0; j < 6; ++j) EXPECT_NEAR(rrt[i][j], i == j ? 1.0 : 0.0, 1e-14);
  }
}

TEST(CapAlgebra, InversionWithFullPivoting) {
  Matrix6 m{};
  // A well-conditioned matrix that needs pivoting: zero diagonal, off-diagonal entries.
  for (std::size_t i = 0; i < 6; ++i) {
    for (std::size_t j = 0; j < 6; ++j) m[i][j] = (i == j) ? 0.0 : 1.0 / (1.0 + double(i + 2 * j));
    m[i][(i + 1) % 6] += 5.0;
  }
  Matrix6 inv = m;
  ASSERT_TRUE(invertInPlace(inv));
  const Matrix6 product = multiply(m, inv);
  for (std::size_t i = 0; i < 6; ++i) {
    for (std::size_t j = 0; j < 6; ++j) EXPECT_NEAR(product[i][j], i == j ? 1.0 : 0.0, 1e-12);
  }
}

TEST(CapAlgebra, SingularMatricesAreReported) {
  Matrix6 zero{};
  EXPECT_FALSE(invertInPlace(zero));
  Matrix6 m = identity6();
  m[3] = m[2];  // two equal rows
  EXPECT_FALSE(invertInPlace(m));
}

TEST(CapAlgebra, PlanarOrderInvertsTheLeadingBlock) {
  Matrix6 m{};
  m[0] = {2.0, 1.0, 0.0, 0, 0, 0};
  m[1] = {1.0, 3.0, 1.0, 0, 0, 0};
  m[2] = {0.0, 1.0, 4.0, 0, 0, 0};
  Matrix6 inv = m;
  ASSERT_TRUE(invertInPlace(inv, 3));
  // det = 2*(12-1) - 1*(4-0) = 18; (1,1) cofactor 11 -> 11/18.
  EXPECT_NEAR(inv[0][0], 11.0 / 18.0, 1e-14);
  EXPECT_NEAR(inv[2][2], 5.0 / 18.0, 1e-14);
}

}  // namespace
}  // namespace stilt
