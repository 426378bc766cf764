#pragma once
// The head stiffness of a laterally loaded pile from its converged state: the beam-column
// linearised about the deflected shape and solved for unit head movements.
//
// About a converged solution y(x), z(x) of (R·y'')'' + Q·y'' + p(y, z) = w, a small head movement
// produces the deflections δy, δz of
//
//   (Rt·δy'')'' + Q·δy'' + Kyy·δy + Kyz·δz = -(δR·y'')'' - δQ·y''   (and likewise in z),
//
// where Rt = dM/dφ is the tangent bending stiffness, and the soil's 2x2 tangent at a node, with
// the spring acting on the resultant deflection r at the direction (c, s) = (y, z)/r, is
//
//   Kyy = Et·c² + Es·s²,  Kzz = Et·s² + Es·c²,  Kyz = (Et - Es)·c·s
//
// (Et = dp/dr the tangent modulus, Es = p/r the secant one): along the deflection the spring
// stiffens by its tangent, across it by its secant. δR and δQ are the changes of the bending
// stiffness (through the axial load level of the moment-curvature sets) and of the axial force
// with the axial head displacement, which couple the axial and lateral responses (P-delta).
//
// The same five-point difference equations and head and tip conditions as the nonlinear solver
// are used, with the two planes as one 2x2 block per node (the soil couples them wherever the pile
// deflects in both), eliminated by the block form of the Reese-Matlock recursion for five right-
// hand sides at once: unit head deflection and unit head slope of each plane, and a unit axial
// head displacement. The rates of the head shears (the integral of the soil reaction, as the
// solver returns them) and head moments follow. Nothing is allocated.

#include <array>
#include <cstddef>
#include <initializer_list>

#include "model/diagnostics.hpp"
#include "model/status_code.hpp"
#include "pile/lateral_pile.hpp"
#include "pile/node_arrays.hpp"
#include "soil/lateral_soil.hpp"

namespace stilt {

// How the axial force along the pile changes with the axial head displacement u1.
struct AxialForceRate {
  double head = 0.0;  // dP/du1 of the head axial load (after the axial-load factor)
  // dQ/du1 at every real node, where the axial force comes from an axial solution along the pile
  // (PileHeadInput::axialForce); null: `head` at every node, or 0 where the model fixes Q.
  const RealNodeArray* nodes = nullptr;
};

inline constexpr int kTangentColumns = 5;

// Rates of the head results returned by solveLaterallyLoadedPile. Rows: shearY, shearZ,
// momentY, momentZ. Columns: deflectionY, slopeY, deflectionZ, slopeZ (as in PileHeadInput),
// then the axial head displacement u1.
struct LateralHeadTangent {
  std::array<std::array<double, kTangentColumns>, 4> rate{};
};

// Working storage of the linearised solve, one per thread.
struct LateralTangentWorkspace {
  using Block = std::array<double, 4>;                      // 2x2, row major
  using Columns = std::array<double, 2 * kTangentColumns>;  // 2 x columns, row major
  NodeValues<Block> a{};                                    // Y(m) = A·Y(m+1) + B·Y(m+2) + C
  NodeValues<Block> b{};
  NodeValues<Columns> c{};
  NodeValues<Columns> response{};            // δY per node and column
  NodeValues<std::array<double, 3>> soil{};  // Kyy, Kyz, Kzz per real node
  NodeArray tangentY{};                      // Rt of the y plane
  NodeArray tangentZ{};
  NodeArray axialRateY{};  // dR/du1 of the y plane
  NodeArray axialRateZ{};
  RealNodeArray forceRate{};  // dQ/du1
  RealNodeArray relative{};   // resultant deflection relative to the soil
  RealNodeArray secant{};     // Es
  RealNodeArray tangent{};    // Et

  // Grows every array to hold a pile of `increments` increments.
  void reserveNodes(int increments) {
    const std::size_t slots = slotCount(increments);
    const std::size_t nodes = realNodeCount(increments);
    a.reserveAtLeast(slots);
    b.reserveAtLeast(slots);
    c.reserveAtLeast(slots);
    response.reserveAtLeast(slots);
    soil.reserveAtLeast(nodes);
    for (NodeArray* v : {&tangentY, &tangentZ, &axialRateY, &axialRateZ}) v->reserveAtLeast(slots);
    for (RealNodeArray* v : {&forceRate, &relative, &secant, &tangent}) v->reserveAtLeast(nodes);
  }
};

// Linearises the pile about the converged state that the last call of solveLaterallyLoadedPile
// with the same `pile`, `head` and `soil` left in `state`, and returns the rates of its head
// results. A non-zero status comes from the soil (missing data, 21..31) or from a state that is
// not one of this pile (49).
[[nodiscard]] StatusCode linearisedPileHead(const LateralPileModel& pile, const PileHeadInput& head,
                                            const LateralSoil& soil, const AxialForceRate& axial,
                                            const LateralPileWorkspace& state,
                                            LateralTangentWorkspace& work, LateralHeadTangent& out,
                                            Diagnostics& diag);

}  // namespace stilt
