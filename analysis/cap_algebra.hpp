#pragma once
// The 6x6 algebra of the rigid cap: transfer between the cap origin and a pile head, rotation
// into pile axes, and the inversion of the cap's tangent stiffness.

#include <array>

#include "report/pile_layout.hpp"

namespace stilt {

using Vector6 = std::array<double, 6>;
using Matrix6 = std::array<std::array<double, 6>, 6>;

[[nodiscard]] Matrix6 identity6();

// Transfer matrix A from the origin to a pile head at (x, y, z): the head displacement is the cap
// translation plus the cross product of the cap rotation with the head position.
[[nodiscard]] Matrix6 transferMatrix(double x, double y, double z);

// Rotation R from global to pile axes (local x along the pile, y and z lateral), the same 3x3
// block on translations and rotations. A plumb pile (a = 0, b = pi/2) has R = I.
[[nodiscard]] Matrix6 rotationMatrix(const PileGeometry& g);

[[nodiscard]] Vector6 multiply(const Matrix6& m, const Vector6& v);
[[nodiscard]] Vector6 multiplyTransposed(const Matrix6& m, const Vector6& v);  // m^T v
[[nodiscard]] Matrix6 multiply(const Matrix6& a, const Matrix6& b);
[[nodiscard]] Matrix6 transpose(const Matrix6& m);

// In-place inversion by Gauss-Jordan elimination with full pivoting: the pivot is the largest
// absolute value among the rows and columns not yet pivoted (the later element on ties). Returns
// false, leaving `m` in an unspecified state, when the matrix is singular (a zero pivot).
// `n` is the order used, 6 for the rigid cap and 3 in the plane.
[[nodiscard]] bool invertInPlace(Matrix6& m, int n = 6);

}  // namespace stilt
