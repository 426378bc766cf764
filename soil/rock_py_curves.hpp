#pragma once
// p-y curves of rock: weak rock (Reese 1997, interim criteria) and vuggy limestone (the strong
// rock relation of Reese and Nyman, with a bilinear start).
//
// Each curve is built once from the rock at a node and then gives p(y) for any deflection y >= 0,
// without multipliers.

#include "model/diagnostics.hpp"
#include "model/status_code.hpp"
#include "soil/py_node_soil.hpp"

namespace stilt {

// Strength reduction of weak rock for its rock quality designation (percent): 1 - RQD/150.
[[nodiscard]] double weakRockStrengthReduction(double rqd);

// Weak rock, Reese (1997): p = Kir·y up to yA, then 0.5·pur·(y/yrm)^(1/4), never above pur.
struct WeakRockCurve {
  double pur = 0.0;  // ultimate resistance
  double kir = 0.0;  // initial modulus Kir = kir·Emr
  double yrm = 0.0;  // krm·b
  double ya = 0.0;   // end of the initial straight line
  double ultimate = 0.0;

  [[nodiscard]] double p(double y) const;
  [[nodiscard]] double tangent(double y) const;  // dp/dy, branch to the right of a kink
  // yrm times 0.0005, 0.001, 0.003, 0.006, 0.009, 0.02, 0.04, 0.06, 0.08, 0.1, 0.25, 0.5, 0.75,
  // 1, 4, 8 and 12.
  void deflections(CurveDeflections& y) const;
};
// `s.c` is qu at x, `s.ca` the average qur above x, `s.xr` the depth below the rock's top.
[[nodiscard]] WeakRockCurve makeWeakRock(const PyNodeSoil& s);

// The strength check of weak rock at a node below the first node of the layer: with no
// compressive strength the warning lines go to the report and the runtime file, status 21.
[[nodiscard]] StatusCode checkWeakRockStrength(double qu, Diagnostics& diag);

// Vuggy limestone: p = 2000·su·y up to y1 = 0.0004·b (0.8·su·b), then a line of slope 100·su up
// to su·b at y2 = 0.0024·b, and su·b beyond.
struct VuggyLimestoneCurve {
  double su = 0.0;  // qu/2
  double b = 0.0;
  double ultimate = 0.0;

  [[nodiscard]] double p(double y) const;
  [[nodiscard]] double tangent(double y) const;  // dp/dy, branch to the right of a kink
  // 0 to 16·y2/15 in steps of y2/15.
  void deflections(CurveDeflections& y) const;
};
[[nodiscard]] VuggyLimestoneCurve makeVuggyLimestone(const PyNodeSoil& s);

}  // namespace stilt
