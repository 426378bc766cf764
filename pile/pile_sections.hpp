#pragma once
// The section-dependent part of a laterally loaded pile, node by node, from a pile property:
// increments, increment length, elastic bending stiffness of both planes, section values for
// stresses and capacities, and the moment-curvature sets.
//
// A property's sections run along the pile from "FROM," to "TO," (distances along the pile
// from its head). Each section contributes two points, its top values at FROM and its bottom
// values at TO (equal unless the cross section is tapered); every value at a node is the linear
// interpolation between the points around the node's coordinate m·h, and nodes beyond the first
// or last point take that point's value. A moment-curvature set is not interpolated: a node
// takes the set of the first section whose range contains it, none (elastic) if no section does
// or the section's set number is 0.

#include "model/analysis_model.hpp"
#include "model/diagnostics.hpp"
#include "model/status_code.hpp"
#include "pile/lateral_pile.hpp"

namespace stilt {

// Fills increments, increment, stiffnessY/Z, sections, nonlinearBending and curvesY/Z of `pile`
// from pile property `property` (1-based) of `model`; the rest of `pile` is left alone.
// Refusals, each with its message lines in `diag` naming the property and the section:
// 47 when a section has no bending stiffness (E, Iz or, in three dimensions, Iy not positive at
// its top or bottom); 46 for an increment count outside 1..100, a length that is not positive,
// a property without sections, or a moment-curvature set the bending-stiffness update cannot
// read (no curve, a curve of fewer than two points, a second point at zero curvature); 45 for a
// reference to a property, cross section or set the model does not hold.
//
// With `refine` = K > 1 (1..kMaxRefinement, else 46) every increment of the property is cut into
// K: the pile is analysed on N·K increments of length L/(N·K), its node arrays sized for them.
//
// In a planar analysis only the y plane carries load; the z plane is given the y plane's
// stiffness so that its (zero) solution stays well defined whatever Iy the file holds.
[[nodiscard]] StatusCode buildPileSections(const AnalysisModel& model, int property,
                                           LateralPileModel& pile, Diagnostics& diag,
                                           int refine = 1);

}  // namespace stilt
