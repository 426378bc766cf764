// The plate element on its own: material constants, shape functions, rigid-body motions.
#include "cap/plate_element.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace stilt::cap {
namespace {

// E = 1, ν = 0.2, t = 1: c = 1/0.96, D_b = 1/(12·0.96), D_s = 1/(1.2·2.4).
TEST(PlateMaterial, ConstantsOfTheUnitMaterial) {
  const std::array<double, 9> m = membraneMatrix(1.0, 0.2);
  EXPECT_NEAR(m[0], 1.0417, 5e-5);
  EXPECT_NEAR(m[4], 1.0417, 5e-5);
  EXPECT_NEAR(m[1], 0.2 * 1.0417, 5e-5);
  EXPECT_NEAR(m[8], 1.0417 * 0.4, 5e-5);
  const std::array<double, 25> p = plateMatrix(1.0, 0.2, 1.0);
  EXPECT_NEAR(p[0], 0.086806, 5e-7);
  EXPECT_NEAR(p[6], 0.086806, 5e-7);
  EXPECT_NEAR(p[1], 0.2 * 0.086806, 5e-7);
  EXPECT_NEAR(p[12], 0.4 * 0.086806, 5e-7);
  EXPECT_NEAR(p[18], 0.34722, 5e-6);
  EXPECT_NEAR(p[24], 0.34722, 5e-6);
  EXPECT_EQ(p[2], 0.0);
  EXPECT_EQ(p[19], 0.0);
}

TEST(PlateShapeFunctions, EachIsOneAtItsNodeAndZeroAtTheOthers) {
  for (int a = 0; a < kElementNodes; ++a) {
    const ShapeFunctions s =
        shapeFunctions(kNodeXi[static_cast<std::size_t>(a)], kNodeEta[static_cast<std::size_t>(a)]);
    for (int b = 0; b < kElementNodes; ++b)
      EXPECT_NEAR(s.n[static_cast<std::size_t>(b)], a == b ? 1.0 : 0.0, 1e-15);
  }
}

// A rigid-body motion of the plate strains nothing: the stiffness times it is zero.
TEST(PlateElementStiffness, RigidBodyMotionsCarryNoForce) {
  ElementCoordinates c;
  const std::array<double, 8> y{0.0, 2.2, 2.0, 0.1, 1.1, 2.1, 1.05, 0.05};
  const std::array<double, 8> z{1.5, 1.7, 0.0, -0.1, 1.6, 0.85, -0.05, 0.7};
  c.y = y;
  c.z = z;
  std::array<double, kElementFreedoms * kElementFreedoms> k{};
  ASSERT_TRUE(elementStiffness(c, {3.0e4, 0.25, 0.3}, k));
  // Translation along each axis; rotation about Y (w = −z·θ... ): UX = z·θ, ROTY = θ; about Z:
  // UX = −y·θ, ROTZ = θ; in-plane rotation: UY = −z·θ, UZ = y·θ.
  std::array<std::array<double, kElementFreedoms>, 6> modes{};
  for (int a = 0; a < kElementNodes; ++a) {
    const std::size_t i = static_cast<std::size_t>(a) * 6;
    modes[0][i] = 1.0;
    modes[1][i + 1] = 1.0;
    modes[2][i + 2] = 1.0;
    modes[3][i] = z[static_cast<std::size_t>(a)];
    modes[3][i + 4] = 1.0;
    modes[4][i] = -y[static_cast<std::size_t>(a)];
    modes[4][i + 5] = 1.0;
    modes[5][i + 1] = -z[static_cast<std::size_t>(a)];
    modes[5][i + 2] = y[static_cast<std::size_t>(a)];
  }
  double scale = 0.0;
  for (double v : k) scale = std::max(scale, std::abs(v));
  for (const auto& mode : modes)
    for (std::size_t i = 0; i < kElementFreedoms; ++i) {
      double f = 0.0;
      for (std::size_t j = 0; j < kElementFreedoms; ++j) f += k[i * kElementFreedoms + j] * mode[j];
      EXPECT_NEAR(f, 0.0, 1e-10 * scale);
    }
}

TEST(PlateElementStiffness, IsSymmetricWithADrillingTermOfItsOwn) {
  ElementCoordinates c;
  c.y = {0.0, 1.0, 1.0, 0.0, 0.5, 1.0, 0.5, 0.0};
  c.z = {1.0, 1.0, 0.0, 0.0, 1.0, 0.5, 0.0, 0.5};
  std::array<double, kElementFreedoms * kElementFreedoms> k{};
  ASSERT_TRUE(elementStiffness(c, {2.0e4, 0.3, 0.5}, k));
  for (std::size_t i = 0; i < kElementFreedoms; ++i)
    for (std::size_t j = 0; j < i; ++j)
      EXPECT_NEAR(k[i * kElementFreedoms + j], k[j * kElementFreedoms + i], 1e-9);
  // ROTX of node 1: 1e-6·E·t·A/8 on the diagonal, nothing else in its row.
  const std::size_t r = 3;
  EXPECT_NEAR(k[r * kElementFreedoms + r], 1e-6 * 2.0e4 * 0.5 * 1.0 / 8.0, 1e-15);
  for (std::size_t j = 0; j < kElementFreedoms; ++j) {
    if (j != r) {
      EXPECT_EQ(k[r * kElementFreedoms + j], 0.0);
    }
  }
}

TEST(PlateElementStiffness, AMirroredElementHasANegativeJacobian) {
  ElementCoordinates c;  // the unit square numbered the other way round
  c.y = {0.0, 1.0, 1.0, 0.0, 0.5, 1.0, 0.5, 0.0};
  c.z = {0.0, 0.0, 1.0, 1.0, 0.0, 0.5, 1.0, 0.5};
  std::array<double, kElementFreedoms * kElementFreedoms> k{};
  EXPECT_FALSE(elementStiffness(c, {2.0e4, 0.3, 0.5}, k));
}

TEST(PlateElementLocation, FindsAPointOfADistortedElement) {
  ElementCoordinates c;
  c.y = {0.0, 2.2, 2.0, 0.1, 1.1, 2.1, 1.05, 0.05};
  c.z = {1.5, 1.7, 0.0, -0.1, 1.6, 0.85, -0.05, 0.7};
  const ShapeFunctions s = shapeFunctions(0.3, -0.6);
  double y = 0.0, z = 0.0;
  for (std::size_t a = 0; a < kElementNodes; ++a) {
    y += s.n[a] * c.y[a];
    z += s.n[a] * c.z[a];
  }
  double xi = 0.0, eta = 0.0;
  ASSERT_TRUE(locateInElement(c, y, z, xi, eta));
  EXPECT_NEAR(xi, 0.3, 1e-12);
  EXPECT_NEAR(eta, -0.6, 1e-12);
  EXPECT_FALSE(locateInElement(c, 5.0, 5.0, xi, eta));
}

}  // namespace
}  // namespace stilt::cap
