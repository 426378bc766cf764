#pragma once
// Nonlinear bending stiffness of a pile from moment-curvature relations.
//
// Where a section of the pile names a moment-curvature set, the bending stiffness of a node is
// not the elastic E·I of the section but the secant stiffness M/φ of the set's curve at the
// node's current curvature, read at the pile's axial load (interpolated between the two
// axial-load levels that bracket it). A cracked reinforced-concrete shaft softens this way as
// its moments grow.

#include <array>

#include "model/analysis_model.hpp"
#include "pile/node_arrays.hpp"

namespace stilt {

// Curvatures below this are taken as zero (an unbent node).
inline constexpr double kCurvatureGuard = 1.0e-15;

// One set pointer per real node; null keeps the elastic stiffness of the node.
using NodeCurveSets = NodeValues<const MomentCurvatureSet*>;

// Secant bending stiffness M/φ of `set` at `curvature` (not negative) and `axialLoad`.
// `elastic` is returned only where the set cannot give a value (no curve, a curve of fewer than
// two points, or a second point at zero curvature); the section preparation refuses such sets.
[[nodiscard]] double secantBendingStiffness(const MomentCurvatureSet& set, double curvature,
                                            double axialLoad, double elastic);

// The tangent bending stiffness dM/dφ of `set` at `curvature` (not negative) and `axialLoad`:
// the slope of the moment-curvature segment that further bending follows (the one beginning at
// a point of the curve), 0 beyond the last point. `axialRate` receives the rate of the secant
// stiffness M/φ with the axial load at that curvature (0 outside two bracketing levels).
[[nodiscard]] double tangentBendingStiffness(const MomentCurvatureSet& set, double curvature,
                                             double axialLoad, double elastic, double& axialRate);

// Whether `curvature` lies beyond the last point of every curve of `set` that is read at
// `axialLoad`: the moment can grow no further and the section has formed a plastic hinge.
[[nodiscard]] bool isPlasticHinge(const MomentCurvatureSet& set, double curvature,
                                  double axialLoad);

// The first real node (0..`increments`) of one bending plane whose curvature from `deflection`
// passes the end of its moment-curvature curve; -1 when none does.
[[nodiscard]] int firstPlasticHinge(int increments, double increment, double axialLoad,
                                    const NodeArray& deflection, const NodeCurveSets& sets);

// Overwrites the bending stiffness of the real nodes 0..`increments` of one bending plane from
// the curvatures of `deflection` (slot layout, increment length `increment`), the head axial
// load `axialLoad` and the node's set. Nodes without a set and the imaginary nodes keep their
// values.
void updateBendingStiffness(int increments, double increment, double axialLoad,
                            const NodeArray& deflection, const NodeCurveSets& sets,
                            NodeArray& stiffness);

}  // namespace stilt
