#pragma once
// The soil and the pile at one depth, as every p-y curve family takes them.
//
// A p-y curve gives the lateral soil resistance p (force per length of pile) against the lateral
// deflection y of the pile at one depth. Everything a curve needs that does not depend on the
// deflection is gathered here once, when the soil springs of a pile are prepared; the curve
// objects built from it then evaluate p(y) with a handful of arithmetic operations.

#include <array>
#include <cstddef>

namespace stilt {

// Deflections below this are "zero": the curve's small-deflection modulus is used instead.
inline constexpr double kSmallDeflection = 1.0e-14;
// A node closer than this below the ground surface has no soil resistance.
inline constexpr double kNoSoilDepth = 1.0e-6;
// Points of a curve as the report tables print it.
inline constexpr std::size_t kCurvePointCount = 17;
using CurveDeflections = std::array<double, kCurvePointCount>;

struct PyNodeSoil {
  double x = 0.0;      // depth below the ground surface
  double xu = 0.0;     // depth in the ultimate-resistance expressions: x in the first layer, the
                       // layer's equivalent depth plus the depth below the layer top further down
  double b = 0.0;      // pile width (diameter)
  double gamma = 0.0;  // average effective unit weight above x
  double c = 0.0;      // undrained shear strength at x; uniaxial compressive strength for rock
  double ca = 0.0;     // average strength above x (ca of stiff clays, qur of weak rock)
  double phi = 0.0;    // friction angle, radians
  double k = 0.0;      // modulus of subgrade reaction of the layer
  double eps50 = 0.0;  // strain at 50 % of the maximum stress; krm for weak rock
  double rockModulus = 0.0;  // modulus of the rock mass Emr
  double rqd = 0.0;          // rock quality designation, percent
  double xr = 0.0;           // depth below the top of the layer (weak rock)
  bool cyclic = false;       // cyclic loading; static otherwise
  int cycles = 1;            // number of load cycles N
  int unitsCode = 1;         // 1 English (lb, in), 2 metric (kN, m), 3 open
};

// The slope of min(p(y), k·x·y) from the value `p` and slope `dp` of p(y) at y: the bounding
// line's where it lies below the curve; where the two meet, the smaller, which is the one further
// deflection follows.
[[nodiscard]] constexpr double slopeBelowLine(double p, double dp, double kx, double y) {
  const double line = kx * y;
  if (line < p) return kx;
  if (line > p) return dp;
  return kx < dp ? kx : dp;
}

// Linear interpolation in a coefficient table of ascending abscissae; flat beyond both ends.
template <std::size_t N>
[[nodiscard]] constexpr double interpolateCoefficient(const std::array<double, N>& at,
                                                      const std::array<double, N>& value,
                                                      double v) {
  if (!(v > at[0])) return value[0];
  for (std::size_t i = 1; i < N; ++i) {
    if (v <= at[i])
      return value[i - 1] + (value[i] - value[i - 1]) * (v - at[i - 1]) / (at[i] - at[i - 1]);
  }
  return value[N - 1];
}

}  // namespace stilt
