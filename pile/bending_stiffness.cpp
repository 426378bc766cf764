#include "pile/bending_stiffness.hpp"

#include <cmath>
#include <cstddef>

namespace stilt {
namespace {

// Secant stiffness on one moment-curvature curve. Below the first point the curve is taken as
// its first segment through the origin (slope M2/φ2); between points the moment is linear in the
// curvature; beyond the last point the moment stays at the last moment (a plastic hinge).
double curveStiffness(const MomentCurvatureCurve& curve, double phi, double elastic) {
  const auto& pts = curve.points;
  const std::size_t n = pts.size();
  if (n < 2 || !(pts[1].curvature > 0.0)) return elastic;
  // A zero curvature always takes the first-segment slope, even if the curve starts at a
  // negative curvature: M/φ is undefined at φ = 0.
  if (phi == 0.0 || phi <= pts[0].curvature) return pts[1].moment / pts[1].curvature;
  for (std::size_t j = 1; j < n; ++j) {
    if (phi <= pts[j].curvature) {
      // phi > pts[j-1].curvature here (j is the first point not below phi), so the segment has
      // a positive length.
      const double m = pts[j - 1].moment + (phi - pts[j - 1].curvature) *
                                               (pts[j].moment - pts[j - 1].moment) /
                                               (pts[j].curvature - pts[j - 1].curvature);
      return m / phi;
    }
  }
  return pts[n - 1].moment / phi;
}

// Tangent dM/dφ on one curve, the counterpart of curveStiffness: the first segment's slope up
// to the first point, a segment's slope within it (the later segment at a point), then 0.
double curveTangent(const MomentCurvatureCurve& curve, double phi, double elastic) {
  const auto& pts = curve.points;
  const std::size_t n = pts.size();
  if (n < 2 || !(pts[1].curvature > 0.0)) return elastic;
  if (phi == 0.0 || phi < pts[0].curvature) return pts[1].moment / pts[1].curvature;
  for (std::size_t j = 1; j < n; ++j) {
    if (phi < pts[j].curvature) {
      return (pts[j].moment - pts[j - 1].moment) / (pts[j].curvature - pts[j - 1].curvature);
    }
  }
  return 0.0;
}

}  // namespace

double tangentBendingStiffness(const MomentCurvatureSet& set, double curvature, double axialLoad,
                               double elastic, double& axialRate) {
  axialRate = 0.0;
  const auto& levels = set.curves;
  const std::size_t n = levels.size();
  if (n == 0) return elastic;
  std::size_t k = 0;
  while (k + 1 < n && axialLoad >= levels[k + 1].axialLoad) ++k;
  const double t = curveTangent(levels[k], curvature, elastic);
  if (k + 1 < n && axialLoad > levels[k].axialLoad) {
    const double span = levels[k + 1].axialLoad - levels[k].axialLoad;
    if (span > 0.0) {
      // EI is linear in the axial load between the levels, at any curvature: so is dM/dφ.
      const double next = curveTangent(levels[k + 1], curvature, elastic);
      axialRate = (curveStiffness(levels[k + 1], curvature, elastic) -
                   curveStiffness(levels[k], curvature, elastic)) /
                  span;
      return next - (next - t) * (levels[k + 1].axialLoad - axialLoad) / span;
    }
  }
  return t;
}

double secantBendingStiffness(const MomentCurvatureSet& set, double curvature, double axialLoad,
                              double elastic) {
  const auto& levels = set.curves;
  const std::size_t n = levels.size();
  if (n == 0) return elastic;
  // Level k with P(k) <= P < P(k+1); below the first level the first, at or above the last the
  // last.
  std::size_t k = 0;
  while (k + 1 < n && axialLoad >= levels[k + 1].axialLoad) ++k;
  const double ei = curveStiffness(levels[k], curvature, elastic);
  if (k + 1 < n && axialLoad > levels[k].axialLoad) {
    const double span = levels[k + 1].axialLoad - levels[k].axialLoad;
    if (span > 0.0) {
      const double next = curveStiffness(levels[k + 1], curvature, elastic);
      return next - (next - ei) * (levels[k + 1].axialLoad - axialLoad) / span;
    }
  }
  return ei;
}

bool isPlasticHinge(const MomentCurvatureSet& set, double curvature, double axialLoad) {
  const auto& levels = set.curves;
  const std::size_t n = levels.size();
  if (n == 0) return false;
  const auto beyond = [curvature](const MomentCurvatureCurve& c) {
    return c.points.size() >= 2 && curvature > c.points.back().curvature;
  };
  std::size_t k = 0;
  while (k + 1 < n && axialLoad >= levels[k + 1].axialLoad) ++k;
  // Between two levels the moment is interpolated, so it still grows while either curve does.
  const bool between =
      k + 1 < n && axialLoad > levels[k].axialLoad && levels[k + 1].axialLoad > levels[k].axialLoad;
  return beyond(levels[k]) && (!between || beyond(levels[k + 1]));
}

int firstPlasticHinge(int increments, double increment, double axialLoad,
                      const NodeArray& deflection, const NodeCurveSets& sets) {
  const double h2 = increment * increment;
  for (int m = 0; m <= increments; ++m) {
    const MomentCurvatureSet* set = sets[static_cast<std::size_t>(m)];
    if (set == nullptr) continue;
    const double phi = std::abs(deflection[slotOf(m + 1)] - 2.0 * deflection[slotOf(m)] +
                                deflection[slotOf(m - 1)]) /
                       h2;
    if (phi >= kCurvatureGuard && isPlasticHinge(*set, phi, axialLoad)) return m;
  }
  return -1;
}

void updateBendingStiffness(int increments, double increment, double axialLoad,
                            const NodeArray& deflection, const NodeCurveSets& sets,
                            NodeArray& stiffness) {
  const double h2 = increment * increment;
  for (int m = 0; m <= increments; ++m) {
    const MomentCurvatureSet* set = sets[static_cast<std::size_t>(m)];
    if (set == nullptr) continue;
    double phi = std::abs(deflection[slotOf(m + 1)] - 2.0 * deflection[slotOf(m)] +
                          deflection[slotOf(m - 1)]) /
                 h2;
    if (phi < kCurvatureGuard) phi = 0.0;
    stiffness[slotOf(m)] = secantBendingStiffness(*set, phi, axialLoad, stiffness[slotOf(m)]);
  }
}

}  // namespace stilt
