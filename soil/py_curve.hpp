#pragma once
// One p-y curve of any family, chosen by the soil type of the layer.
//
// The variant holds only the numbers a family needs to evaluate p(y); it is built once per node
// when the soil springs of a pile are prepared. Evaluating it allocates nothing.

#include <variant>

#include "soil/clay_py_curves.hpp"
#include "soil/rock_py_curves.hpp"
#include "soil/sand_py_curves.hpp"
#include "soil/soil_profile.hpp"
#include "soil/user_py_curves.hpp"

namespace stilt {

// A node with no soil resistance: above the ground surface, or where no soil is described.
struct NoResistance {
  double ultimate = 0.0;
  [[nodiscard]] double p(double) const { return 0.0; }
  [[nodiscard]] double tangent(double) const { return 0.0; }
  void deflections(CurveDeflections& y) const { y.fill(0.0); }
};

using PyCurve = std::variant<NoResistance, SoftClayCurve, StiffClayFreeWaterCurve,
                             StiffClayNoFreeWaterCurve, SandCurve, ApiSandCurve, LiquefiedSandCurve,
                             WeakRockCurve, VuggyLimestoneCurve, InterpolatedUserCurve>;

// The curve of a soil type from the soil at a node. User-specified curves (code 5) are not built
// here (see interpolateUserCurves); asked for them, this gives no resistance.
[[nodiscard]] PyCurve makePyCurve(SoilType type, const PyNodeSoil& s);

// p at deflection y >= 0, without multipliers.
[[nodiscard]] inline double resistance(const PyCurve& curve, double y) {
  return std::visit([y](const auto& c) { return c.p(y); }, curve);
}

// dp/dy at y > 0, without multipliers: the tangent modulus of the spring. At a kink of the
// curve, the slope of the branch that further deflection follows.
[[nodiscard]] inline double tangentModulus(const PyCurve& curve, double y) {
  return std::visit([y](const auto& c) { return c.tangent(y); }, curve);
}

// The secant modulus p(y)/y at y = 1.0E-14: what the curve offers a node that has not moved.
[[nodiscard]] inline double smallDeflectionModulus(const PyCurve& curve) {
  return resistance(curve, kSmallDeflection) / kSmallDeflection;
}

// The 17 deflections at which the family's curve is printed.
inline void curveDeflections(const PyCurve& curve, CurveDeflections& y) {
  std::visit([&y](const auto& c) { c.deflections(y); }, curve);
}

// The ultimate resistance that the equivalent depth of layered soil integrates over depth.
[[nodiscard]] inline double ultimateResistance(const PyCurve& curve) {
  return std::visit([](const auto& c) { return c.ultimate; }, curve);
}

// Whether a soil type computes its ultimate resistance from the depth, and so works at the
// equivalent depth of its layer when it lies below the first.
[[nodiscard]] bool usesEquivalentDepth(SoilType type);
// Clay-like types search the equivalent depth in 40 steps, sand-like ones in 50.
[[nodiscard]] bool isSandLike(SoilType type);

}  // namespace stilt
