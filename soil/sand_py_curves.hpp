#pragma once
// p-y curves of granular soils: sand (Reese, Cox and Koop 1974), silt (the sand curve with a
// cohesive part added), sand by the API RP 2A criteria, and liquefied sand (Rollins et al. 2005).
//
// Each curve is built once from the soil at a node and then gives p(y) for any deflection y >= 0,
// without multipliers; `ultimate` is the ultimate resistance that the equivalent depth of layered
// soil integrates.

#include "model/diagnostics.hpp"
#include "model/status_code.hpp"
#include "soil/py_node_soil.hpp"

namespace stilt {

// Empirical coefficients A (pu = A·ps) and B (pm = B·ps) of Reese, Cox and Koop (1974) at x/b.
struct SandCoefficients {
  double a = 0.0;
  double b = 0.0;
};
[[nodiscard]] SandCoefficients sandCoefficients(double xOverB, bool cyclic);

// Theoretical ultimate resistance of sand at depth xu: the smaller of the wedge (near the
// surface) and flow (at depth) expressions of Reese, Cox and Koop (1974); phi in radians.
[[nodiscard]] double sandUltimateResistance(double phi, double gamma, double xu, double b);

// API RP 2A coefficients C1, C2, C3 for a friction angle phi (radians).
struct ApiSandCoefficients {
  double c1 = 0.0;
  double c2 = 0.0;
  double c3 = 0.0;
};
[[nodiscard]] ApiSandCoefficients apiSandCoefficients(double phi);

// Sand (code 4) and silt (code 7): the initial line k·x·y, a parabola p = pm·(y/ym)^(1/n) up to
// (ym, pm), a straight line to (yu, pu), and pu beyond; everywhere bounded by k·x·y.
struct SandCurve {
  double pu = 0.0;
  double pm = 0.0;
  double ym = 0.0;     // b/60
  double yu = 0.0;     // 3b/80
  double slope = 0.0;  // m = (pu - pm)/(yu - ym)
  double invN = 0.0;   // 1/n of the parabola
  double kx = 0.0;     // slope of the initial line
  double width = 0.0;  // b, for the report points beyond yu
  double ultimate = 0.0;
  // Below this deflection the initial line lies below the parabola by far more than rounding,
  // so p is k·x·y without the power; 0 where that cannot be said (every y takes the full path).
  double lineBelow = 0.0;

  [[nodiscard]] double p(double y) const;
  [[nodiscard]] double tangent(double y) const;  // dp/dy, branch to the right of a kink
  // y = 0 and ym/12 steps up to ym (13 points), then yu, yu + b, yu + 2b, yu + 3b.
  void deflections(CurveDeflections& y) const;
};
[[nodiscard]] SandCurve makeSand(const PyNodeSoil& s);
[[nodiscard]] SandCurve makeSilt(const PyNodeSoil& s);

// Sand by the API RP 2A criteria: p = A·pu·tanh(k·x·y/(A·pu)).
struct ApiSandCurve {
  double apu = 0.0;  // A·pu
  double kx = 0.0;
  double width = 0.0;  // b, for the report points
  double ultimate = 0.0;

  [[nodiscard]] double p(double y) const;
  [[nodiscard]] double tangent(double y) const;  // dp/dy, branch to the right of a kink
  void deflections(CurveDeflections& y) const;   // as sand
};
[[nodiscard]] ApiSandCurve makeApiSand(const PyNodeSoil& s);

// Liquefied sand, Rollins et al. (2005): p = Pd·A·(B·y)^C with y in millimetres and p in kN/m,
// converted to the run's units, limited to 15 kN/m (85 lb/in) and to its value at y = b/2.
struct LiquefiedSandCurve {
  double coef = 0.0;      // Pd·A, times the force conversion
  double bCoef = 0.0;     // B
  double exponent = 0.0;  // C
  double toMillimetres = 1000.0;
  double pu = 0.0;   // the expression at y = b/2, before the fixed limit
  double cap = 0.0;  // min(fixed limit, Pu)
  double ultimate = 0.0;

  [[nodiscard]] double p(double y) const;
  [[nodiscard]] double tangent(double y) const;  // dp/dy, branch to the right of a kink
  // 10^(0.12800537·i) millimetres for i = 1..17 (about 1.343 to 150 mm), in the run's unit.
  void deflections(CurveDeflections& y) const;
};
[[nodiscard]] LiquefiedSandCurve makeLiquefiedSand(const PyNodeSoil& s);

// Checks of API sand (`silt` false) and silt at a node: with no friction angle the warning lines
// go to the report and the runtime file and the status is 30 (sand) or 28 (silt); a ground slope
// steeper than the friction angle only warns in the report. Angles in radians.
[[nodiscard]] StatusCode checkFrictionAngle(bool silt, double phi, double groundSlope,
                                            Diagnostics& diag);

}  // namespace stilt
