#pragma once
// Laterally loaded pile (LLP): one pile as a beam-column on nonlinear soil springs, solved by
// finite differences for a prescribed head deflection and head slope in each of its two lateral
// planes.
//
// The pile is divided into N equal increments of length h. At every real node m the
// beam-column equation
//
//   (R·y'')'' + Q·y'' + Es·y = W
//
// (R bending stiffness, Q axial compression, Es secant soil modulus, W lateral load term) is
// replaced by its five-point difference form and solved by the forward-elimination recursion of
// Reese and Matlock (Matlock & Reese 1960; Reese 1977): y(m) = A(m)·y(m+1) + B(m)·y(m+2) + C(m).
// The two lateral planes (local y and z) share one soil modulus per node, taken from the p-y
// curves at the resultant deflection, and are iterated until the deflections stop changing.
//
// The solver is pure: every input is an argument, all working storage is the caller's
// `LateralPileWorkspace`, nothing is allocated on a converging solve, no file is written and
// messages come back as `Diagnostics` lines. Two piles can be solved on two threads with two
// workspaces and a shared, read-only `LateralSoil`.

#include <array>
#include <cstddef>
#include <initializer_list>

#include "model/analysis_model.hpp"
#include "model/diagnostics.hpp"
#include "model/status_code.hpp"
#include "pile/bending_stiffness.hpp"
#include "pile/node_arrays.hpp"
#include "soil/lateral_soil.hpp"

namespace stilt {

struct PileResults;

// Head restraint of one bending plane. The head deflection is always prescribed; the code says
// what happens to the rotation (connection codes of the pile-group rows): 1 pinned (zero head
// moment), 2 fixed (head slope prescribed), any other value a rotational spring of stiffness
// `spring` (moment per radian) between the pile head and the prescribed rotation.
struct HeadConnection {
  int code = kConnectionFixed;
  double spring = 0.0;
};

// Section values of one real node, interpolated along the pile like the bending stiffness; they
// enter only the total stress and the demand/capacity ratios of the results.
struct NodeSection {
  int shape = 0;          // cross-section type code: 0 general, 1 circular pipe, 2 rectangular
                          // pipe, 3 I section, other H section
  double diameter = 0.0;  // equivalent (or external) diameter
  double width = 0.0;     // external width: extreme-fibre distance x 2 for bending about local y
  double depth = 0.0;     // external depth: extreme-fibre distance x 2 for bending about local z
  double area = 0.0;
  double iz = 0.0;              // moment of inertia about local z (deflection in y)
  double iy = 0.0;              // moment of inertia about local y (deflection in z)
  double momentCapacity = 0.0;  // "Mn,"
  double shearCapacity = 0.0;   // "Vn,"
};

// Everything about one pile that stays fixed while the pile cap iterates: geometry, stiffness,
// head restraint, the loads of the current load case and the iteration control. The section
// part is filled by `buildPileSections` (pile/pile_sections.hpp); the caller adds the rest.
struct LateralPileModel {
  int pileNumber = 0;      // pile-group entry, for messages ("PILE GROUP")
  int increments = 0;      // N: the property's increments times the run's refinement factor
  double increment = 0.0;  // h = pile length / N

  RealNodeArray stiffnessY{};  // elastic E·Iz, for deflection in local y
  RealNodeArray stiffnessZ{};  // elastic E·Iy, for deflection in local z
  NodeValues<NodeSection> sections{};

  // Moment-curvature sets (when nonlinear bending is in use): per node and plane, null keeps
  // the elastic stiffness.
  bool nonlinearBending = false;
  NodeCurveSets curvesY{};  // bending with deflection in y
  NodeCurveSets curvesZ{};  // bending with deflection in z

  HeadConnection headY;  // "CONNECTY", "SPy"
  HeadConnection headZ;  // "CONNECTZ", "SPz"

  // Distributed lateral load per unit length at every real node, local axes.
  RealNodeArray loadY{};
  RealNodeArray loadZ{};

  // Free-field lateral soil movement at every real node, local axes. The soil reacts to the
  // deflection relative to it.
  bool soilMovement = false;
  RealNodeArray movementY{};
  RealNodeArray movementZ{};

  // Axial force per real node (compression positive) for the P-delta term and the stress; when
  // not given, the head axial load acts at every node.
  bool axialForceGiven = false;
  RealNodeArray axialForce{};

  PyMultipliers multipliers;  // the pile's group-reduction multipliers, passed to the soil
  int maxIterations = 100;    // load-case integer 7
  double tolerance = 1.0e-5;  // load-case real 2, on the change of deflection at every node

  // Sets N and sizes every per-node array to its N + 1 real nodes, all values cleared.
  void resizeNodes(int n) {
    increments = n;
    const std::size_t nodes = realNodeCount(n < 0 ? 0 : n);
    for (RealNodeArray* a :
         {&stiffnessY, &stiffnessZ, &loadY, &loadZ, &movementY, &movementZ, &axialForce}) {
      a->assign(nodes);
    }
    sections.assign(nodes);
    curvesY.assign(nodes);
    curvesZ.assign(nodes);
  }
};

// The pile head as the cap solver hands it over for one analysis, in the pile's local axes and
// the sign conventions of the two bending planes (u = local head displacement).
struct PileHeadInput {
  double deflectionY = 0.0;  // u2
  double slopeY = 0.0;       // -u6
  double deflectionZ = 0.0;  // u3
  double slopeZ = 0.0;       // u5
  double axialLoad = 0.0;    // P, compression positive, after the axial-load factor
  // The axial force at every real node from the axial solution of this head movement, when the
  // load case asks for the axial load distribution; it then replaces P in the P-delta term.
  const RealNodeArray* axialForce = nullptr;
  // The group-reduction multipliers of this analysis (they change as the cap moves); null keeps
  // the pile's own.
  const PyMultipliers* multipliers = nullptr;
  double torque = 0.0;  // T
  // The fraction of the item's load applied in this analysis (the cap solver's TCUR): the
  // distributed loads and the free-field soil movement along the pile grow with the cap load.
  double loadFraction = 1.0;
  // Used only for the pile-top equivalent stiffnesses.
  double axialDisplacement = 0.0;  // u1
  double twist = 0.0;              // u4
  // Equivalent stiffness of each local component where its displacement is within 1.0E-14 of
  // zero (from the cap solver's stiffness routine).
  std::array<double, 6> fallbackStiffness{};
};

// Working storage of one solve, one per thread. The solver sizes it for the pile it meets
// (reserveNodes); sized once for the largest pile, it is reused without allocating.
struct LateralPileWorkspace {
  NodeArray y{};          // deflection in local y
  NodeArray z{};          // deflection in local z
  NodeArray yPrevious{};  // previous iterate
  NodeArray zPrevious{};
  NodeArray stiffnessY{};  // R of the y plane
  NodeArray stiffnessZ{};  // R of the z plane
  NodeArray axialForce{};  // Q
  NodeArray loadTermY{};   // W = distributed load + Es x soil movement
  NodeArray loadTermZ{};
  NodeArray aY{};  // recursion coefficients of the y plane: y(m) = A·y(m+1) + B·y(m+2) + C
  NodeArray bY{};
  NodeArray cY{};
  NodeArray aZ{};  // and of the z plane
  NodeArray bZ{};
  NodeArray cZ{};
  RealNodeArray soilModulus{};         // Es, shared by both planes
  RealNodeArray relativeDeflection{};  // resultant deflection relative to the soil
  double loadFraction = 1.0;           // of the distributed loads and soil movement, this solve

  // Grows every array to hold a pile of `increments` increments.
  void reserveNodes(int increments) {
    const std::size_t slots = slotCount(increments);
    for (NodeArray* a : {&y, &z, &yPrevious, &zPrevious, &stiffnessY, &stiffnessZ, &axialForce,
                         &loadTermY, &loadTermZ, &aY, &bY, &cY, &aZ, &bZ, &cZ}) {
      a->reserveAtLeast(slots);
    }
    soilModulus.reserveAtLeast(realNodeCount(increments));
    relativeDeflection.reserveAtLeast(realNodeCount(increments));
  }
};

struct LateralPileSolution {
  StatusCode status = StatusCode::kCompleted;
  bool converged = false;  // false: "NO CLOSURE OF A LLP" (head values and results not set)
  int iterations = 0;      // linear solutions done
  // On convergence with moment-curvature sets: the first real node whose curvature lies beyond
  // the end of its curve in either plane (a plastic hinge); -1 when none.
  int hingeNode = -1;
  double shearY = 0.0;   // head shear in local y: soil reaction less distributed load
  double shearZ = 0.0;   // head shear in local z
  double momentY = 0.0;  // head moment of the bending with deflection in y
  double momentZ = 0.0;  // head moment of the bending with deflection in z
  // Pile-top equivalent stiffnesses in local component order (axial, y, z, twist, rotation
  // about y, rotation about z): the force the pile opposes per unit head displacement,
  // -f(i)/u(i) with f = (-P, -Vy, -Vz, -T, +Mz-plane, -My-plane) and u the local head
  // displacement; that is P/u1, Vy/u2, Vz/u3, T/u4, -momentZ/slopeZ, -momentY/slopeY. Positive
  // for a pile that resists. Where |u(i)| <= 1.0E-14 the caller's fallback value.
  std::array<double, 6> headStiffness{};
};

// Solves one laterally loaded pile for the head state `head`. On convergence the head shears
// and moments are set and, when `results` is not null, the result quantities along the pile
// (pile/result_quantities.hpp). Non-convergence within `pile.maxIterations` is not an error:
// the solution says so and `diag` receives the warning for the report and the runtime file.
// A non-zero status comes from invalid input (46, 47), a soil built for another node count
// (49) or the soil itself (missing soil data, 21..31).
[[nodiscard]] LateralPileSolution solveLaterallyLoadedPile(const LateralPileModel& pile,
                                                           const PileHeadInput& head,
                                                           const LateralSoil& soil,
                                                           LateralPileWorkspace& work,
                                                           PileResults* results, Diagnostics& diag);

// The pile-top equivalent stiffnesses of a converged solution `s` for the head state `head` (the
// `headStiffness` member of the solution). The lateral solution does not depend on the axial
// displacement, the twist and the torque of the head; a solution taken over for another head
// state that differs only in those gets its stiffnesses from here.
[[nodiscard]] std::array<double, 6> pileTopStiffness(const PileHeadInput& head,
                                                     const LateralPileSolution& s);

}  // namespace stilt
