#pragma once
// The 8-node flat shell element of the cap: a plane-stress membrane and a thick (Mindlin) plate
// on quadratic serendipity shape functions, integrated with the reduced 2 x 2 Gauss rule, which
// keeps the transverse shear free of locking when the plate is thin (Zienkiewicz, Taylor and Too
// 1971; Hinton and Owen 1984).
//
// The plate's own axes: x along the global Y, y along the global Z, its normal along the global
// X. Membrane strains come from UY, UZ; the curvatures and transverse shear strains from UX and
// the rotations ROTY, ROTZ (a fibre at distance x from the mid-plane moves by x·ROTZ along Y and
// by −x·ROTY along Z). The rotation about the normal, ROTX, carries only a small drilling
// stiffness so that the assembled system is never singular on its own.
//
// Parent square: the corners lie at (ξ, η) = (−1, 1), (1, 1), (1, −1), (−1, −1) and the mid-sides
// between them, so that the cap mesh (numbered from the top edge, corners in the order of
// increasing Y, then decreasing Z) has positive Jacobian determinants.

#include <array>

#include "cap/plate_model.hpp"

namespace stilt::cap {

// Membrane: c = E/(1 − ν²) on (1,1) and (2,2), ν·c off the diagonal, c·(1 − ν)/2 for shear.
// Stresses are forces per unit area; the thickness multiplies the membrane stiffness.
[[nodiscard]] std::array<double, 9> membraneMatrix(double young, double poisson);

// Plate: D_b = E·t³/(12·(1 − ν²)) for the moments, D_s = E·t/(2.4·(1 + ν)) for the transverse
// shear (the shear modulus times t with the factor 1/1.2).
[[nodiscard]] std::array<double, 25> plateMatrix(double young, double poisson, double thickness);

// The drilling stiffness per node of an element: a millionth of E·t·A/8.
inline constexpr double kDrillingFactor = 1.0e-6;

struct ShapeFunctions {
  std::array<double, kElementNodes> n{};
  std::array<double, kElementNodes> dXi{};
  std::array<double, kElementNodes> dEta{};
};
[[nodiscard]] ShapeFunctions shapeFunctions(double xi, double eta);

// The parent coordinates of the element's nodes, in node order.
inline constexpr std::array<double, kElementNodes> kNodeXi{-1.0, 1.0, 1.0, -1.0,
                                                           0.0,  1.0, 0.0, -1.0};
inline constexpr std::array<double, kElementNodes> kNodeEta{1.0, 1.0, -1.0, -1.0,
                                                            1.0, 0.0, -1.0, 0.0};

struct ElementCoordinates {
  std::array<double, kElementNodes> y{};
  std::array<double, kElementNodes> z{};
};

// The 48 x 48 stiffness (row-major) of one element. Returns false, leaving the matrix
// incomplete, when a Jacobian determinant at a Gauss point is zero or negative.
[[nodiscard]] bool elementStiffness(const ElementCoordinates& c, const PlateMaterial& mat,
                                    std::array<double, kElementFreedoms * kElementFreedoms>& k);

// The stress resultants at one Gauss point: its plate coordinates and SIGMA_XX, SIGMA_YY,
// SIGMA_XY, X-MOMENT, Y-MOMENT, XY-MOMENT, XZ-S,FORCE, YZ-S,FORCE.
struct GaussResultants {
  double y = 0.0;
  double z = 0.0;
  std::array<double, kStressResultants> values{};
};
using ElementResultants = std::array<GaussResultants, 4>;

// Resultants at the 2 x 2 Gauss points from the element's 48 displacements. Returns false when
// a Jacobian determinant is not positive.
[[nodiscard]] bool elementResultants(const ElementCoordinates& c, const PlateMaterial& mat,
                                     const std::array<double, kElementFreedoms>& u,
                                     ElementResultants& out);

// The resultants extrapolated bilinearly from the Gauss points to the element's eight nodes.
[[nodiscard]] std::array<std::array<double, kStressResultants>, kElementNodes> nodalResultants(
    const ElementResultants& gauss);

// The parent coordinates of a point (y, z) of the element, by Newton iteration on the mapping;
// false when the iteration does not close or the point lies outside the element.
[[nodiscard]] bool locateInElement(const ElementCoordinates& c, double y, double z, double& xi,
                                   double& eta);

}  // namespace stilt::cap
