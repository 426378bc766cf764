#pragma once
// The lateral soil springs of one pile, node by node, as the laterally loaded pile solver sees
// them: a secant soil modulus Es (force per length per length of deflection) at every real node.
//
// The solver owns the deflections and asks for moduli; an implementation owns everything about
// the soil (p-y families, layers, user curves, depth-wise factors). Implementations are read-only
// during a solve, allocate nothing per call, and may be shared by solves on several threads.

#include <cstddef>
#include <span>

#include "model/diagnostics.hpp"
#include "model/status_code.hpp"

namespace stilt {

// Group-reduction multipliers of a pile: p is multiplied by `p`, y by `y`.
struct PyMultipliers {
  double p = 1.0;
  double y = 1.0;
};

class LateralSoil {
 public:
  virtual ~LateralSoil() = default;

  // Number of real nodes (pile head 0 .. tip N) the moduli are given for.
  [[nodiscard]] virtual int nodeCount() const = 0;

  // Es at every real node before the first linear solution: the initial modulus of subgrade
  // reaction times the depth below the ground surface (0 above it), or, for a pile given its own
  // p-y curves, their small-deflection moduli.
  [[nodiscard]] virtual StatusCode initialModuli(std::span<double> es, Diagnostics& diag) const = 0;

  // Secant Es at every real node for the resultant deflections `y` (already taken relative to
  // any free-field soil movement, and not negative). Nodes above the ground surface get 0. A
  // non-zero status (missing soil data, codes 21..31) ends the solve; `diag` then says why.
  [[nodiscard]] virtual StatusCode secantModuli(std::span<const double> y, PyMultipliers m,
                                                std::span<double> es, Diagnostics& diag) const = 0;

  // The secant Es and the tangent Et = dp/dy of every real node's spring at the resultant
  // deflections `y` (as for secantModuli): what the linearised pile sees. Where a deflection is
  // below 1.0E-14 both are the small-deflection modulus, the spring being linear there (the
  // cube-root clay curves have no finite tangent at y = 0). This default is for springs that are
  // linear (Et = Es); soils of nonlinear springs override it.
  [[nodiscard]] virtual StatusCode tangentModuli(std::span<const double> y, PyMultipliers m,
                                                 std::span<double> es, std::span<double> et,
                                                 Diagnostics& diag) const {
    const StatusCode status = secantModuli(y, m, es, diag);
    for (std::size_t i = 0; i < es.size() && i < et.size(); ++i) et[i] = es[i];
    return status;
  }
};

}  // namespace stilt
