#pragma once
// p-y curves of clays: soft clay (Matlock 1970), stiff clay with free water (Reese, Cox and Koop
// 1975), stiff clay without free water (Welch and Reese 1972), the latter also bounded by the
// initial straight line k·x·y.
//
// Each curve is built once from the soil at a node and then gives p(y) for any deflection y >= 0,
// without multipliers; `ultimate` is the ultimate resistance that the equivalent depth of layered
// soil integrates.

#include "soil/py_node_soil.hpp"

namespace stilt {

// Soft clay, Matlock (1970).
struct SoftClayCurve {
  double pu = 0.0;   // ultimate resistance Np·c·b
  double y50 = 0.0;  // 2.5·ε50·b
  bool cyclic = false;
  double residual = 0.0;  // cyclic: resistance left beyond 15·y50 (0.72·pu, or 0.72·pu·x/xr)
  double ultimate = 0.0;

  [[nodiscard]] double p(double y) const;
  // dp/dy at y > 0: on the branch that further deflection follows (the one to the right of a
  // kink). Unbounded as y -> 0; the pile solver takes the small-deflection modulus there.
  [[nodiscard]] double tangent(double y) const;
  // y = 0; 0.008·y50; 0.25·y50 to 3·y50 by 0.25·y50; 8, 15 and 20·y50.
  void deflections(CurveDeflections& y) const;
};
[[nodiscard]] SoftClayCurve makeSoftClay(const PyNodeSoil& s);

// Coefficient As (static) or Ac (cyclic) of stiff clay with free water at x/b.
[[nodiscard]] double stiffClayStaticCoefficient(double xOverB);
[[nodiscard]] double stiffClayCyclicCoefficient(double xOverB);

// Stiff clay with free water, Reese, Cox and Koop (1975).
struct StiffClayFreeWaterCurve {
  double pc = 0.0;    // ultimate resistance min(pct, pcd)
  double y50 = 0.0;   // ε50·b
  double coef = 0.0;  // As (static) or Ac (cyclic) at x/b
  double kx = 0.0;    // slope k·x of the initial straight line that bounds the curve
  bool cyclic = false;
  double ultimate = 0.0;

  [[nodiscard]] double p(double y) const;
  [[nodiscard]] double tangent(double y) const;    // dp/dy, branch to the right of a kink
  [[nodiscard]] double unbounded(double y) const;  // p(y) of y > 0 before the bound k·x·y
  // Static: 0 to 6·As·y50 by 0.5·As·y50, then 10, 14, 18 and 200·As·y50. Cyclic (yp =
  // 4.1·Ac·y50): 0 to 0.6·yp by 0.05·yp, then 1.0, 1.4, 1.8 and 20·yp.
  void deflections(CurveDeflections& y) const;
};
[[nodiscard]] StiffClayFreeWaterCurve makeStiffClayFreeWater(const PyNodeSoil& s);

// Stiff clay without free water, Welch and Reese (1972); with `initialK` also bounded by k·x·y.
struct StiffClayNoFreeWaterCurve {
  double pu = 0.0;
  double y50 = 0.0;     // 2.5·ε50·b
  double yScale = 0.0;  // y50, stretched by 1 + 0.6·log10(N) under cyclic loading
  double bigK = 16.0;   // pu is reached at K·y50; K = 16 + 9.6·log10(N)
  double kx = 0.0;      // slope of the bounding initial line; 0 when unbounded
  bool initialK = false;
  double ultimate = 0.0;

  [[nodiscard]] double p(double y) const;
  [[nodiscard]] double tangent(double y) const;  // dp/dy, branch to the right of a kink
  // (i - 1)·K·y50/15 for i = 1..16, and 1.25·K·y50.
  void deflections(CurveDeflections& y) const;
};
[[nodiscard]] StiffClayNoFreeWaterCurve makeStiffClayNoFreeWater(const PyNodeSoil& s,
                                                                 bool initialK);

}  // namespace stilt
