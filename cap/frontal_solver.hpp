#pragma once
// Frontal solution of the plate's equations (Irons 1970; Hinton and Owen 1977): elements are
// assembled one by one into an active front, and the freedoms of a node are eliminated as soon as
// the last element that contains it has been assembled. Only the front is held as a dense matrix;
// each eliminated equation is kept, as its non-zero coefficients, in memory for the
// back-substitution (nothing is written to scratch files).
//
// The system solved is the Newton correction K·Δu = r of the current iteration: K is the tangent
// stiffness (elements plus the nodal stiffnesses of the supports) and r the residual, made of the
// nodal right-hand side given per freedom less the elements' internal forces K_e·u_e at the
// current displacements u. A restrained freedom receives its prescribed correction, and its
// reaction (the force that the restraint exerts on the plate) is recovered from its condensed
// equation.

#include <array>
#include <cstddef>
#include <vector>

#include "cap/plate_element.hpp"
#include "cap/plate_model.hpp"

namespace stilt::cap {

// Reused from iteration to iteration: the front and the eliminated equations.
struct FrontalWorkspace {
  std::vector<double> front;  // frontSize x frontSize, row-major
  std::vector<double> rhs;
  std::vector<int> positionFreedom;  // freedom at each front position, or −1
  std::vector<int> freedomPosition;  // front position of each freedom, −1 before, −2 after
  std::vector<int> freePositions;
  std::vector<double> assembledDiagonal;
  std::vector<double> elementDisplacement;
  std::vector<double> residual;  // per freedom: the residual r before the solution
  // The eliminated equations: pivot freedom, pivot, right-hand side, prescribed or not, and the
  // range of their off-diagonal coefficients in `coefficientFreedom` / `coefficientValue`.
  struct Equation {
    int freedom;
    bool restrained;
    double pivot;
    double rhs;
    std::size_t begin;
    std::size_t end;
  };
  std::vector<Equation> equations;
  std::vector<int> coefficientFreedom;
  std::vector<double> coefficientValue;
  std::array<double, kElementFreedoms * kElementFreedoms> element{};
};

struct FrontalInput {
  const PlateModel* model = nullptr;
  const std::vector<ElementCoordinates>* coordinates = nullptr;  // per element
  const std::vector<int>* lastAppearance = nullptr;              // per node (0-based)
  int frontSize = 0;
  const std::vector<double>* nodalRhs = nullptr;    // per freedom: applied load − support forces
  const std::vector<char>* restrained = nullptr;    // per freedom
  const std::vector<double>* prescribed = nullptr;  // per freedom: the prescribed correction
  const std::vector<double>* displacement = nullptr;  // per freedom: the current displacements
  // Per node: whether a support stiffness is added, and the 6 x 6 stiffness (row-major).
  const std::vector<char>* hasNodeStiffness = nullptr;
  const std::vector<std::array<double, 36>>* nodeStiffness = nullptr;
  // Per element, optionally: a further 48 x 48 stiffness (row-major) on the element's freedoms,
  // such as that of a support tied to points inside the element; empty for none.
  const std::vector<std::vector<double>>* elementExtra = nullptr;
};

struct FrontalOutcome {
  enum class Kind {
    kSolved,
    kNonPositiveJacobian,
    kZeroPivot,
    kFrontTooSmall
  } kind = Kind::kSolved;
  int element = 0;  // element number with a non-positive Jacobian
  int freedom = 0;  // 1-based freedom number of a failed pivot: 6·(node − 1) + freedom
  double pivot = 0.0;
  int maxFront = 0;  // largest front met, in freedoms
};

// A pivot below this fraction of the freedom's assembled diagonal counts as zero: the plate has
// a mechanism (too few supports) or a support of negative stiffness.
inline constexpr double kPivotRatio = 1.0e-12;

// Solves for the corrections `du` and the reactions at the restrained freedoms (zero elsewhere).
[[nodiscard]] FrontalOutcome solveFrontal(const FrontalInput& in, FrontalWorkspace& ws,
                                          std::vector<double>& du, std::vector<double>& reactions);

}  // namespace stilt::cap
