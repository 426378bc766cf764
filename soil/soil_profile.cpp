#include "soil/soil_profile.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace stilt {
namespace {

// Depths closer than this are the same depth: two points of a layer boundary, or a node on the
// bottom of the profile.
constexpr double kSameDepth = 1.0e-6;
// A property this small counts as absent at a layer boundary.
constexpr double kAbsent = 1.0e-20;
constexpr double kDegreesToRadians = 3.14159265358979323846 / 180.0;

double interpolate(const ProfilePoint& a, const ProfilePoint& b, double x) {
  const double span = b.depth - a.depth;
  if (std::fabs(span) < kSameDepth) return b.value;
  return a.value + (b.value - a.value) * (x - a.depth) / span;
}

void beyondExtent(Diagnostics& diag, double x, const char* tail, bool toRuntime) {
  const std::string lines[3] = {
      "     **** WARNING ****",
      fmt::format("     THE VALUE OF X = {:.4E} IS BEYOND THE EXTENT OF", x),
      std::string("     ") + tail};
  for (const std::string& l : lines) {
    if (toRuntime) {
      diag.both(l);
    } else {
      diag.reportOnly(l);
    }
  }
}

// Index i of a boundary at x: points i and i+1 both lie at x. -1 when x is on no boundary.
int boundaryAt(const std::vector<ProfilePoint>& pts, double x) {
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
    if (std::fabs(x - pts[i].depth) < kSameDepth &&
        std::fabs(pts[i + 1].depth - pts[i].depth) < kSameDepth) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// Linear interpolation along the curve; above the first point the first value.
double interpolateCurve(const std::vector<ProfilePoint>& pts, double x) {
  if (x <= pts.front().depth) return pts.front().value;
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
    if (x <= pts[i + 1].depth) return interpolate(pts[i], pts[i + 1], x);
  }
  return pts.back().value;
}

// Trapezoidal integral of the curve from its first point down to x, divided by the depth
// covered. Segments shorter than the depth tolerance add nothing; beyond the last point the last
// segment is extended.
double averageOverDepth(const std::vector<ProfilePoint>& pts, double x) {
  const double d = x - pts.front().depth;
  double integral = 0.0;
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
    const ProfilePoint& a = pts[i];
    const ProfilePoint& b = pts[i + 1];
    if (x <= a.depth) break;
    if (b.depth - a.depth < kSameDepth) continue;
    const bool last = i + 2 == pts.size();
    const double hi = last ? x : std::min(x, b.depth);
    integral += 0.5 * (a.value + interpolate(a, b, hi)) * (hi - a.depth);
  }
  return integral / d;
}

}  // namespace

SoilType soilTypeOf(int code) {
  if (code < 1 || code > 11) return SoilType::kSoftClay;
  return static_cast<SoilType>(code);
}

void zeroUnusedParameters(SoilType type, std::array<double, kSoilParameterCount + 1>& v) {
  const auto zero = [&v](std::initializer_list<SoilParameter> ps) {
    for (SoilParameter p : ps) v[static_cast<std::size_t>(p)] = 0.0;
  };
  using P = SoilParameter;
  switch (type) {
    case SoilType::kSoftClay:
    case SoilType::kStiffClayNoFreeWater:
      zero({P::kFrictionAngle, P::kSubgradeModulus, P::kRqd});
      break;
    case SoilType::kStiffClayFreeWater:
    case SoilType::kStiffClayInitialK:
      zero({P::kFrictionAngle, P::kRqd});
      break;
    case SoilType::kSand:
    case SoilType::kApiSand:
      zero({P::kCohesion, P::kRockModulus, P::kStrain50, P::kRqd});
      break;
    case SoilType::kUserCurves:
    case SoilType::kLiquefiedSand:
      zero({P::kCohesion, P::kFrictionAngle, P::kSubgradeModulus, P::kRockModulus, P::kStrain50,
            P::kRqd});
      break;
    case SoilType::kVuggyLimestone:
      zero({P::kFrictionAngle, P::kSubgradeModulus, P::kRockModulus, P::kRqd});
      v[static_cast<std::size_t>(P::kStrain50)] = 0.0005;
      break;
    case SoilType::kSilt:
      zero({P::kRockModulus, P::kStrain50});
      break;
    case SoilType::kWeakRock:
      zero({P::kFrictionAngle, P::kSubgradeModulus});
      break;
  }
}

SoilProfile::SoilProfile(std::vector<ProfileLayer> layers, int unitsCode)
    : layers_(std::move(layers)), unitsCode_(unitsCode) {
  for (std::size_t p = 1; p <= kSoilParameterCount; ++p) {
    std::vector<ProfilePoint>& pts = curves_[p];
    pts.reserve(2 * layers_.size());
    for (const ProfileLayer& l : layers_) {
      pts.push_back({l.top, l.atTop[p]});
      pts.push_back({l.bottom, l.atBottom[p]});
    }
  }
}

SoilProfile buildSoilProfile(const AnalysisModel& model) {
  std::vector<ProfileLayer> layers;
  layers.reserve(model.soilLayers.size());
  for (const SoilLayer& in : model.soilLayers) {
    ProfileLayer layer;
    layer.code = in.soilType;
    layer.type = soilTypeOf(in.soilType);
    layer.top = in.top;
    layer.bottom = in.bottom;
    for (std::size_t k = 1; k <= kSoilParameterCount; ++k) {
      layer.atTop[k] = in.parameters[0][k];
      layer.atBottom[k] = in.parameters[1][k];
    }
    for (auto* row : {&layer.atTop, &layer.atBottom}) {
      zeroUnusedParameters(layer.type, *row);
      (*row)[static_cast<std::size_t>(SoilParameter::kFrictionAngle)] *= kDegreesToRadians;
    }
    layers.push_back(layer);
  }
  return SoilProfile(std::move(layers), model.switches.unitsCode());
}

int layerIndexAt(const SoilProfile& profile, double x) {
  const int n = static_cast<int>(profile.layers().size());
  if (n == 0) return -1;
  for (int i = 0; i < n; ++i) {
    if (x < profile.layers()[static_cast<std::size_t>(i)].bottom - kSameDepth) return i;
  }
  return n - 1;
}

double averageUnitWeight(const SoilProfile& profile, double x, StatusCode& status,
                         Diagnostics& diag) {
  const std::vector<ProfilePoint>& pts = profile.curve(SoilParameter::kUnitWeight);
  if (pts.empty() || x > pts.back().depth + kSameDepth) {
    beyondExtent(diag, x, "THE INPUT CURVE FOR UNIT WEIGHT", true);
    status = StatusCode::kUnitWeightBeyondProfile;
    return 0.0;
  }
  if (x < pts.front().depth) return 0.0;
  x = std::min(x, pts.back().depth);
  if (x - pts.front().depth < kSameDepth) {
    for (const ProfilePoint& p : pts) {
      if (p.value > 0.0) return p.value;
    }
    return 0.0;
  }
  return averageOverDepth(pts, x);
}

double strengthAt(const SoilProfile& profile, double x, StatusCode& status, Diagnostics& diag) {
  const std::vector<ProfilePoint>& pts = profile.curve(SoilParameter::kCohesion);
  if (pts.empty() || x > pts.back().depth + kSameDepth) {
    beyondExtent(diag, x, "THE INPUT STRENGTH CURVE", true);
    status = StatusCode::kCohesionBeyondProfile;
    return 0.0;
  }
  x = std::min(x, pts.back().depth);
  const int b = boundaryAt(pts, x);
  if (b >= 0) {
    const double upper = pts[static_cast<std::size_t>(b)].value;
    const double lower = pts[static_cast<std::size_t>(b) + 1].value;
    return lower < kAbsent ? upper : lower;
  }
  return interpolateCurve(pts, x);
}

double averageStrength(const SoilProfile& profile, double x, Diagnostics& diag) {
  const std::vector<ProfilePoint>& pts = profile.curve(SoilParameter::kCohesion);
  if (pts.empty()) return 0.0;
  if (x < pts.front().depth) return 0.0;
  if (x - pts.front().depth < kSameDepth) {
    StatusCode ignored = StatusCode::kCompleted;
    return strengthAt(profile, x, ignored, diag);
  }
  if (x > pts.back().depth + kSameDepth) {
    diag.reportOnly("     **** WARNING ****");
    diag.reportOnly(fmt::format("     THE VALUE OF X = {:.4E} IS BEYOND THE EXTENT OF THE", x));
    diag.reportOnly("     INPUT CURVE FOR STRENGTH");
  }
  return averageOverDepth(pts, x);
}

double frictionAngleAt(const SoilProfile& profile, double x, StatusCode& status,
                       Diagnostics& diag) {
  const std::vector<ProfilePoint>& pts = profile.curve(SoilParameter::kFrictionAngle);
  if (pts.empty() || x > pts.back().depth + kSameDepth) {
    beyondExtent(diag, x, "THE INPUT PHI CURVE", true);
    status = StatusCode::kFrictionAngleBeyondProfile;
    return 0.0;
  }
  x = std::min(x, pts.back().depth);
  const int b = boundaryAt(pts, x);
  if (b >= 0) {
    const double upper = pts[static_cast<std::size_t>(b)].value;
    const double lower = pts[static_cast<std::size_t>(b) + 1].value;
    if (lower < kAbsent) return upper;
    if (upper < kAbsent) return lower;
    return 0.5 * (upper + lower);
  }
  return interpolateCurve(pts, x);
}

double subgradeModulusAt(const SoilProfile& profile, double x) {
  const std::vector<ProfilePoint>& pts = profile.curve(SoilParameter::kSubgradeModulus);
  double k = 0.0;
  if (!pts.empty() && x >= pts.front().depth) {
    const int b = boundaryAt(pts, x);
    if (b >= 0) {
      k = 0.5 *
          (pts[static_cast<std::size_t>(b)].value + pts[static_cast<std::size_t>(b) + 1].value);
    } else {
      k = interpolateCurve(pts, x);
    }
  }
  if (std::fabs(k) <= 1.0e-4) k = defaultSubgradeModulus(profile.unitsCode());
  return k;
}

double defaultSubgradeModulus(int unitsCode) {
  return unitsCode == 2 ? 13575.0 : 50.0;
}

double layerValueAt(const SoilProfile& profile, SoilParameter p, double x) {
  const int i = layerIndexAt(profile, x);
  if (i < 0) return 0.0;
  return profile.layers()[static_cast<std::size_t>(i)].value(p, false);
}

ReductionFactors reductionFactorsAt(const DepthReductionFactorSet* set, double x) {
  ReductionFactors f;
  if (set == nullptr || set->points.empty()) return f;
  const std::vector<ReductionPoint>& pts = set->points;
  if (x < pts.front().depth || x > pts.back().depth) return f;
  f.inTable = true;
  if (x == pts.front().depth) {
    f.p = pts.front().pFactor;
    f.y = pts.front().yFactor;
    return f;
  }
  if (x == pts.back().depth) {
    f.p = pts.back().pFactor;
    f.y = pts.back().yFactor;
    return f;
  }
  for (std::size_t i = 1; i < pts.size(); ++i) {
    if (pts[i].depth <= x) continue;
    const ReductionPoint& a = pts[i - 1];
    const ReductionPoint& b = pts[i];
    const double span = b.depth - a.depth;
    const double t = span > 0.0 ? (x - a.depth) / span : 1.0;
    f.p = a.pFactor + t * (b.pFactor - a.pFactor);
    f.y = a.yFactor + t * (b.yFactor - a.yFactor);
    return f;
  }
  return f;
}

}  // namespace stilt
