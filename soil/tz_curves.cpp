#include "soil/tz_curves.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace stilt {
namespace {

constexpr double kSameDepth = 1.0e-6;
constexpr double kInch = 0.0254;  // metres
// The soil profile holds friction angles in radians, converted from the degrees of the input
// with the exact pi; the inverse here gives back the degrees as read, so the steps of the
// friction-angle tables fall where the input puts them.
constexpr double kRadiansToDegrees = 180.0 / 3.14159265358979323846;
// The curves of the ground surface carry practically no friction.
constexpr double kSurfaceFriction = 1.0e-6;
// An input value below this is no input: the program estimates it.
constexpr double kNoInput = 1.0e-10;
// Tip area of the uplift pass: the tip of a pile being pulled carries practically nothing.
constexpr double kUpliftTipArea = 1.0e-4;

// Movements of the inch-tabulated curves.
constexpr std::array<double, 9> kDrivenSandZ = {0.01, 0.02, 0.04, 0.06, 0.08, 0.12, 0.16, 0.5, 2.5};
constexpr std::array<double, 9> kDrivenClayZ = {0.01, 0.02, 0.04, 0.06, 0.08,
                                                0.12, 0.16, 0.5,  10.0};
constexpr std::array<double, 9> kDrivenClayT = {0.18, 0.38, 0.79, 0.97, 1.0,
                                                0.97, 0.93, 0.93, 0.93};
// Tip of a drilled shaft: movements in proportion to D, loads in proportion to Q_tip.
constexpr std::array<double, kTzPointCount> kDrilledTipW = {0.0,  0.005, 0.01, 0.015, 0.025,
                                                            0.03, 0.04,  0.05, 0.07,  0.1};
constexpr std::array<double, kTzPointCount> kDrilledClayTipQ = {0.0,  0.395, 0.56, 0.70, 0.865,
                                                                0.90, 0.95,  0.97, 0.98, 0.99};
constexpr std::array<double, kTzPointCount> kDrilledSandTipQ = {0.0,  0.175, 0.345, 0.485, 0.65,
                                                                0.73, 0.88,  1.015, 1.195, 1.46};

bool metric(int unitsCode) {
  return unitsCode == 2;
}

// Soil-type code as the rules below read it: codes outside 1..11 are soft clay.
int normalized(int code) {
  return static_cast<int>(soilTypeOf(code));
}

bool isClayForSide(int code) {
  return code == 1 || code == 2 || code == 3 || code == 10 || code == 11;
}
bool isRock(int code) {
  return code == 6 || code == 9;
}
bool isSand(int code) {
  return code == 4 || code == 8;
}

double interpolateProfile(const SoilProfile& profile, SoilParameter p, double x, StatusCode code,
                          const char* tail, StatusCode& status, Diagnostics& diag) {
  const std::vector<ProfilePoint>& pts = profile.curve(p);
  if (pts.empty() || x > pts.back().depth + kSameDepth) {
    diag.both("     **** WARNING ****");
    diag.both(fmt::format("     THE VALUE OF X = {:.4E} IS BEYOND THE EXTENT OF", x));
    diag.both(std::string("     ") + tail);
    status = code;
    return 0.0;
  }
  if (pts.size() == 1) return pts.front().value;
  // The first tabulated depth greater than x, and the entry before it.
  std::size_t i = 0;
  while (i < pts.size() && !(pts[i].depth > x)) ++i;
  if (i == pts.size()) i = pts.size() - 1;  // x on the last depth
  if (i == 0) i = 1;                        // above the profile: the first interval extended
  const ProfilePoint& a = pts[i - 1];
  const ProfilePoint& b = pts[i];
  if (std::fabs(b.depth - a.depth) < kSameDepth) return 0.5 * (a.value + b.value);
  return a.value + (b.value - a.value) * (x - a.depth) / (b.depth - a.depth);
}

// Linear interpolation in a table of (value, movement) points: the first interval extended
// below the first point; beyond the last point the last interval extended, or the last value
// kept. Intervals of no width take their upper value.
template <typename Point, typename Value, typename Move>
double readTable(const std::array<Point, kTzPointCount>& pts, double m, Value value, Move move,
                 bool extendLast) {
  const auto between = [&](std::size_t j) {
    const double span = move(pts[j]) - move(pts[j - 1]);
    if (!(std::fabs(span) > 0.0)) return value(pts[j]);
    return value(pts[j - 1]) + (value(pts[j]) - value(pts[j - 1])) * (m - move(pts[j - 1])) / span;
  };
  if (m <= move(pts[0])) return between(1);
  for (std::size_t j = 1; j < pts.size(); ++j) {
    if (m <= move(pts[j])) return between(j);
  }
  return extendLast ? between(pts.size() - 1) : value(pts.back());
}

// Shapes tabulated as t/FMAX against z/D.
TzShape scaledShape(double fmax, double diameter, const std::array<double, 9>& zOverD,
                    const std::array<double, 9>& tOverFmax) {
  TzShape s{};
  for (std::size_t j = 0; j < 9; ++j) s[j + 1] = {tOverFmax[j] * fmax, zOverD[j] * diameter};
  return s;
}

using ShapeFunction = TzShape (*)(double, double, double, int);

ShapeFunction sideShape(bool drilled, int code, double frictionAngleDeg) {
  const bool sandLike = code == 4 || code == 7 || code == 8;
  if (!drilled) {
    if (code == 5) return tzDrivenUserSoil;
    return sandLike ? tzDrivenSand : tzDrivenClay;
  }
  if (code == 5) return frictionAngleDeg > 1.0 ? tzShaftSand : tzShaftClay;
  return sandLike ? tzShaftSand : tzShaftClay;
}

// FMAX, friction angle and shape of one curve at `soilDepth` below the top of the profile.
StatusCode buildCurve(const AxialPile& pile, const SoilProfile& profile, int unitsCode,
                      double soilDepth, int soilCode, bool surface, TzCurve& c, Diagnostics& diag) {
  StatusCode status = StatusCode::kCompleted;
  const int code = normalized(soilCode);
  c.soilDepth = soilDepth;
  c.depth = soilDepth - pile.headDepth;
  c.soilType = soilCode;
  c.fmax = interpolateSideFrictionProfile(profile, soilDepth, status, diag);
  if (!isOk(status)) return status;
  if (surface) {
    c.fmax = kSurfaceFriction;
  } else if (c.fmax < kNoInput) {
    c.fmax =
        estimateSideFriction(profile, unitsCode, pile.drilled(), code, soilDepth, status, diag);
    if (!isOk(status)) return status;
  }
  const double phi = interpolateFrictionAngleProfile(profile, soilDepth, status, diag);
  if (!isOk(status)) return status;
  c.frictionAngle = phi * kRadiansToDegrees;
  c.points = sideShape(pile.drilled(), code, c.frictionAngle)(c.fmax, c.frictionAngle,
                                                              pile.diameter, unitsCode);
  return StatusCode::kCompleted;
}

// Ultimate unit tip resistance (per unit area) of a soil whose input gives none. A drilled
// shaft in loose sand gets the bare 0.1 of the rule, which the caller does not scale by area.
struct TipEstimate {
  double perArea = 0.0;
  bool areaFree = false;  // the 0.1 of the loose-sand drilled shaft
};
TipEstimate estimateTip(int code, bool drilled, int unitsCode, double cohesion,
                        double frictionAngle, double unitWeight, double depth) {
  if (code == 1 || code == 2 || code == 3 || code == 10 || code == 6 || code == 9 || code == 11 ||
      code == 5) {
    return {9.0 * cohesion, false};  // bearing of a deep foundation in clay, Nc = 9
  }
  if (!drilled) {
    return {unitWeight * depth * bearingFactorNq(frictionAngle * kRadiansToDegrees), false};
  }
  // Drilled shaft in sand (Reese and O'Neill, 1988), by friction angle in radians.
  if (frictionAngle < 0.5236) return {0.1, true};
  if (frictionAngle < 0.628) return {metric(unitsCode) ? 1530.0 : 222.2, false};
  return {metric(unitsCode) ? 3830.0 : 555.56, false};
}

// A unit label in parentheses, without the blank that pads " M." to three characters.
std::string labelled(std::string_view label) {
  while (!label.empty() && label.front() == ' ') label.remove_prefix(1);
  return "(" + std::string(label) + ")";
}

}  // namespace

CurveUnitLabels setUnitLabels(int unitsCode) {
  if (unitsCode == 1) return {"IN.", "LBS", "PSI"};
  return {" M.", "KN.", "KPA"};
}

double interpolateSideFrictionProfile(const SoilProfile& profile, double x, StatusCode& status,
                                      Diagnostics& diag) {
  return interpolateProfile(profile, SoilParameter::kSideFriction, x,
                            StatusCode::kSideFrictionBeyondProfile, "THE INPUT MAX. LOAD TRANSFER",
                            status, diag);
}

double interpolateTipResistanceProfile(const SoilProfile& profile, double x, StatusCode& status,
                                       Diagnostics& diag) {
  return interpolateProfile(profile, SoilParameter::kTipResistance, x,
                            StatusCode::kTipResistanceBeyondProfile, "THE INPUT MAX. LOAD TRANSFER",
                            status, diag);
}

double interpolateFrictionAngleProfile(const SoilProfile& profile, double x, StatusCode& status,
                                       Diagnostics& diag) {
  return interpolateProfile(profile, SoilParameter::kFrictionAngle, x,
                            StatusCode::kFrictionAngleBeyondTzProfile,
                            "THE INPUT STRENGTH CURVE, BPHI", status, diag);
}

double drivenClayAlpha(double cohesion, double unitWeight, double x, int unitsCode) {
  if (x < 1.0e-10) x = 1.0;
  const double overburden = unitWeight * x;
  // Without overburden the clay counts as very strong relative to it (psi large), or, without
  // cohesion either, as very weak; either way no division by zero.
  double psi = overburden > 0.0 ? cohesion / overburden : (cohesion > 0.0 ? 1.0e30 : 0.0);
  psi = std::max(psi, 1.0e-10);
  double alpha = psi <= 1.0 ? 0.5 / std::sqrt(psi) : 0.5 * std::pow(psi, -0.25);
  const double softClay = metric(unitsCode) ? 24.0 : 3.47;
  if (alpha < 0.5 && cohesion < softClay) alpha = 1.0;
  return alpha;
}

double drilledSandBeta(double x, int unitsCode) {
  double feet = metric(unitsCode) ? x / 0.3048 : x / 12.0;
  feet = std::max(feet, 1.0e-7);
  return std::clamp(1.5 - 0.135 * std::sqrt(feet), 0.25, 1.2);
}

double bearingFactorNq(double phi) {
  if (phi <= 20.0) return 8.0;
  if (phi <= 25.0) return 8.0 + 0.8 * (phi - 20.0);
  if (phi <= 30.0) return 12.0 + 1.6 * (phi - 25.0);
  if (phi <= 35.0) return 20.0 + 4.0 * (phi - 30.0);
  if (phi <= 40.0) return 40.0 + 2.0 * (phi - 35.0);
  return 50.0;
}

double drivenSandSlope(double phi) {
  if (phi <= 28.0) return 6000.0;
  if (phi <= 31.0) return 6000.0 + 1333.3 * (phi - 28.0);
  if (phi <= 32.0) return 10000.0;
  if (phi <= 34.0) return 10000.0 + 1333.3 * (phi - 32.0);
  if (phi <= 35.0) return 14000.0;
  if (phi <= 38.0) return 14000.0 + 1333.3 * (phi - 35.0);
  return 18000.0;
}

double estimateSideFriction(const SoilProfile& profile, int unitsCode, bool drilled, int soilCode,
                            double x, StatusCode& status, Diagnostics& diag) {
  const int code = normalized(soilCode);
  if (code == 5) return 0.0;  // soil known only by its p-y curves: nothing to estimate from
  const bool needsCohesion = code != 4 && code != 8;
  const bool needsWeight = !isRock(code) && !(drilled && isClayForSide(code));
  const bool needsAngle = !drilled && (isSand(code) || code == 7);
  double c = 0.0;
  double gamma = 0.0;
  double phi = 0.0;
  if (needsWeight) {
    gamma = averageUnitWeight(profile, x, status, diag);
    if (!isOk(status)) return 0.0;
  }
  if (needsCohesion) {
    c = strengthAt(profile, x, status, diag);
    if (!isOk(status)) return 0.0;
  }
  if (needsAngle) {
    phi = frictionAngleAt(profile, x, status, diag);
    if (!isOk(status)) return 0.0;
  }
  if (isRock(code)) return 0.1 * c;
  if (!drilled) {
    // Effective overburden times K = 0.8 times tan(delta), delta = phi - 5 degrees (API RP 2A).
    const double sand = 0.8 * gamma * x * std::tan(phi - 0.087);
    if (isSand(code)) return sand;
    const double clay = drivenClayAlpha(c, gamma, x, unitsCode) * c;
    return code == 7 ? sand + clay : clay;
  }
  if (isSand(code)) return drilledSandBeta(x, unitsCode) * gamma * x;
  if (code == 7) return drilledSandBeta(x, unitsCode) * gamma * x + 0.55 * c;
  return 0.55 * c;  // drilled shaft in clay, alpha = 0.55 (Reese and O'Neill, 1988)
}

StatusCode estimateUnitResistances(const SoilProfile& profile, int unitsCode, int soilCode,
                                   double x, double inputSideFriction, double inputTipResistance,
                                   UnitResistanceEstimates& out, Diagnostics& diag) {
  UnitResistanceEstimates e;
  StatusCode status = StatusCode::kCompleted;
  e.sideEstimated = inputSideFriction < kNoInput;
  if (e.sideEstimated) {
    e.sideDriven = estimateSideFriction(profile, unitsCode, false, soilCode, x, status, diag);
    if (!isOk(status)) return status;
    e.sideDrilled = estimateSideFriction(profile, unitsCode, true, soilCode, x, status, diag);
    if (!isOk(status)) return status;
  }
  e.tipEstimated = inputTipResistance < kNoInput;
  if (e.tipEstimated) {
    const double c = strengthAt(profile, x, status, diag);
    if (!isOk(status)) return status;
    const double phi = frictionAngleAt(profile, x, status, diag);
    if (!isOk(status)) return status;
    const double gamma = averageUnitWeight(profile, x, status, diag);
    if (!isOk(status)) return status;
    int code = normalized(soilCode);
    if (c > 0.1 && phi < 1.0e-4) code = 3;  // as at a pile tip
    e.tipDriven = estimateTip(code, false, unitsCode, c, phi, gamma, x).perArea;
    e.tipDrilled = estimateTip(code, true, unitsCode, c, phi, gamma, x).perArea;
  }
  out = e;
  return StatusCode::kCompleted;
}

TzShape tzDrivenSand(double fmax, double frictionAngleDeg, double /*diameter*/, int unitsCode) {
  if (fmax <= 1.0e-15) fmax = 0.001;
  const double k = drivenSandSlope(frictionAngleDeg);  // lb/ft² per inch
  TzShape s{};
  for (std::size_t j = 0; j < 9; ++j) {
    const double z = kDrivenSandZ[j];
    if (unitsCode == 1) {
      s[j + 1] = {z / (1.0 / (k / 144.0) + z / fmax), z};
    } else {
      // FMAX in kPa is 20.88 lb/ft² per kPa; the curve is worked in lb/ft² and inches.
      s[j + 1] = {z / (1.0 / k + z / (20.88 * fmax)) / 20.88, z * kInch};
    }
  }
  return s;
}

TzShape tzDrivenClay(double fmax, double /*frictionAngleDeg*/, double /*diameter*/, int unitsCode) {
  return scaledShape(fmax, metric(unitsCode) ? kInch : 1.0, kDrivenClayZ, kDrivenClayT);
}

TzShape tzDrivenUserSoil(double fmax, double /*frictionAngleDeg*/, double diameter,
                         int /*unitsCode*/) {
  return scaledShape(fmax, diameter, {0.0016, 0.0031, 0.0057, 0.008, 0.01, 0.02, 0.03, 0.05, 0.1},
                     {0.3, 0.5, 0.75, 0.9, 1.0, 0.8, 0.8, 0.8, 0.8});
}

TzShape tzShaftClay(double fmax, double /*frictionAngleDeg*/, double diameter, int /*unitsCode*/) {
  return scaledShape(fmax, diameter, {0.001, 0.002, 0.003, 0.005, 0.006, 0.008, 0.012, 0.016, 0.1},
                     {0.51, 0.72, 0.90, 0.925, 0.945, 0.955, 0.925, 0.90, 0.835});
}

TzShape tzShaftSand(double fmax, double /*frictionAngleDeg*/, double diameter, int /*unitsCode*/) {
  return scaledShape(fmax, diameter, {0.001, 0.002, 0.003, 0.005, 0.006, 0.008, 0.012, 0.016, 0.1},
                     {0.335, 0.58, 0.72, 0.86, 0.91, 0.95, 0.965, 0.96, 0.95});
}

StatusCode buildTzCurveAt(const AxialPile& pile, const SoilProfile& profile, int unitsCode,
                          double soilDepth, int soilCode, TzCurve& curve, Diagnostics& diag) {
  TzCurve c;
  c.number = curve.number;
  const StatusCode status =
      buildCurve(pile, profile, unitsCode, soilDepth, soilCode, false, c, diag);
  if (isOk(status)) curve = c;
  return status;
}

StatusCode buildTzCurves(const AxialPile& pile, const SoilProfile& profile, int unitsCode,
                         TzCurveSet& set, Diagnostics& diag) {
  const std::vector<ProfileLayer>& layers = profile.layers();
  if (layers.empty()) {
    StatusCode status = StatusCode::kCompleted;
    (void)interpolateSideFrictionProfile(profile, 0.0, status, diag);
    return status;
  }
  TzCurveSet s;
  s.curves.resize(3 * layers.size() + 2);
  std::size_t n = 0;
  const auto add = [&](double depth, int code, bool surface) {
    TzCurve& c = s.curves[n++];
    c.number = static_cast<int>(n);
    return buildCurve(pile, profile, unitsCode, depth, code, surface, c, diag);
  };
  StatusCode status = add(0.0, layers.front().code, true);
  if (isOk(status)) status = add(layers.front().top, layers.front().code, true);
  for (std::size_t j = 0; j < layers.size() && isOk(status); ++j) {
    const ProfileLayer& l = layers[j];
    const double upper = l.top + 0.1;
    status = add(upper, l.code, false);
    if (isOk(status)) status = add(0.5 * (upper + l.bottom), l.code, false);
    if (isOk(status)) status = add(l.bottom - 1.0, l.code, false);
  }
  if (!isOk(status)) return status;
  set = std::move(s);
  return StatusCode::kCompleted;
}

StatusCode findTipSoil(const AxialPile& pile, const SoilProfile& profile, int unitsCode, int pass,
                       TipSoil& tip, Diagnostics& diag) {
  TipSoil t;
  StatusCode status = StatusCode::kCompleted;
  t.depth = pile.tipDepth();
  const double unitTip = interpolateTipResistanceProfile(profile, t.depth, status, diag);
  if (!isOk(status)) return status;
  t.cohesion = strengthAt(profile, t.depth, status, diag);
  if (!isOk(status)) return status;
  t.frictionAngle = frictionAngleAt(profile, t.depth, status, diag);
  if (!isOk(status)) return status;
  t.unitWeight = averageUnitWeight(profile, t.depth, status, diag);
  if (!isOk(status)) return status;
  t.e50 = layerValueAt(profile, SoilParameter::kStrain50, t.depth);

  // The layer at the tip is the first whose bottom is not above it.
  const std::vector<ProfileLayer>& layers = profile.layers();
  int code = layers.back().code;
  for (const ProfileLayer& l : layers) {
    if (l.bottom >= t.depth - kSameDepth) {
      code = l.code;
      break;
    }
  }
  code = normalized(code);
  // A cohesive tip without friction bears as a stiff clay, whatever its layer is called.
  if (t.cohesion > 0.1 && t.frictionAngle < 1.0e-4) code = 3;
  t.code = code;

  t.area = pass == 1 ? kUpliftTipArea : pile.tipArea;
  t.capacity = unitTip * t.area;
  if (t.capacity < kNoInput) {
    const TipEstimate e = estimateTip(code, pile.drilled(), unitsCode, t.cohesion, t.frictionAngle,
                                      t.unitWeight, t.depth);
    t.capacity = e.areaFree ? e.perArea : e.perArea * t.area;
  }
  tip = t;
  return StatusCode::kCompleted;
}

StatusCode buildTipCurve(const AxialPile& pile, const SoilProfile& profile, int unitsCode, int pass,
                         const TzCurveSet& tz, TipCurve& curve, Diagnostics& diag) {
  TipSoil tip;
  const StatusCode status = findTipSoil(pile, profile, unitsCode, pass, tip, diag);
  if (!isOk(status)) return status;
  const int code = tip.code;
  const bool clayLike = code == 1 || code == 2 || code == 3 || code == 5 || code == 6 || code == 10;
  if (!pile.drilled() && clayLike && code != 5) {
    if (std::fabs(tip.e50) < 1.0e-14) {
      diag.both("     **** WARNING ****");
      diag.both("     THE VALUE OF E50 AT TIP OF PILE IS EQUAL TO ZERO, LS CURVE");
      return StatusCode::kLoadSettlementZeroE50;
    }
    if (std::fabs(tip.capacity) < 1.0e-14) {
      diag.both("     **** WARNING ****");
      diag.both("     THE VALUE OF COHESION AT TIP OF PILE IS EQUAL TO ZERO, LS CURVE");
      return StatusCode::kLoadSettlementZeroCohesion;
    }
  }

  TipCurve c;
  c.soilType = code;
  c.area = tip.area;
  c.capacity = tip.capacity;
  const double qTip = tip.capacity;
  const double d = pile.diameter;
  const auto fill = [&c](const std::array<double, kTzPointCount>& w,
                         const std::array<double, kTzPointCount>& q) {
    for (std::size_t j = 0; j < c.points.size(); ++j) c.points[j] = {q[j], w[j]};
  };
  const auto scaled = [](std::array<double, kTzPointCount> v, double by) {
    for (double& x : v) x *= by;
    return v;
  };
  if (pile.drilled()) {
    // Normalised base load-settlement curves of drilled shafts (Reese and O'Neill, 1988).
    fill(scaled(kDrilledTipW, d), scaled(clayLike ? kDrilledClayTipQ : kDrilledSandTipQ, qTip));
  } else if (code == 5) {
    fill(scaled({0.0, 0.002, 0.013, 0.042, 0.073, 0.1, 0.12, 0.15, 0.18, 0.2}, d),
         scaled({0.0, 0.25, 0.5, 0.75, 0.9, 1.0, 1.0, 1.0, 1.0, 1.0}, qTip));
  } else if (clayLike) {
    // Tip of a driven pile in clay: Q/Q_tip = 0.5·(w/w50)^0.5 up to the full capacity at
    // w = 4·w50, with w50 = 2·Db·e50 (the shape of Skempton's and Matlock's clay curves).
    const double w50 = 2.0 * pile.tipDiameter * tip.e50;
    const double w9 = 8.0 * pile.tipDiameter * tip.e50;
    for (std::size_t j = 1; j <= 7; ++j) {
      const double w = static_cast<double>(j) / 8.0 * w9;
      c.points[j] = {0.5 * qTip * std::sqrt(w / w50), w};
    }
    c.points[8] = {qTip, w9};
    c.points[9] = {qTip, 10.0 * w9};
  } else {
    // Tip of a driven pile in sand: Q = Q_tip·(w / 0.05·D)^n (after Vijayvergiya, 1977), the
    // exponent by the friction angle of the deepest t-z curve; not capped at Q_tip.
    const double phi = tz.curves.empty() ? 0.0 : tz.curves.back().frictionAngle;
    const double n = phi <= 31.0 ? 0.5 : (phi <= 38.0 ? 0.333 : 0.25);
    const std::array<double, kTzPointCount> w = scaled(
        {0.0, 0.0001, 0.005, 0.01, 0.05, 0.1, 0.2, 0.4, 0.8, 5.0}, metric(unitsCode) ? kInch : 1.0);
    for (std::size_t j = 0; j < w.size(); ++j) {
      c.points[j] = {qTip * std::pow(w[j] / (0.05 * d), n), w[j]};
    }
  }
  curve = c;
  return StatusCode::kCompleted;
}

double sideTransferAt(const TzShape& shape, double z) {
  return readTable(
      shape, z, [](const TzPoint& p) { return p.t; }, [](const TzPoint& p) { return p.z; }, false);
}

double sideTransferAt(const TzCurveSet& set, double x, double z) {
  const std::vector<TzCurve>& c = set.curves;
  if (c.empty()) return 0.0;
  if (x <= c.front().depth + kSameDepth) return sideTransferAt(c.front().points, z);
  for (std::size_t i = 1; i < c.size(); ++i) {
    if (std::fabs(x - c[i].depth) < kSameDepth) return sideTransferAt(c[i].points, z);
    if (x < c[i].depth) {
      const double span = c[i].depth - c[i - 1].depth;
      if (span < kSameDepth) return sideTransferAt(c[i].points, z);
      const double f = std::clamp((x - c[i - 1].depth) / span, 0.0, 1.0);
      const double ta = sideTransferAt(c[i - 1].points, z);
      const double tb = sideTransferAt(c[i].points, z);
      return ta + f * (tb - ta);
    }
  }
  return sideTransferAt(c.back().points, z);
}

double tipLoadAt(const TipCurve& curve, double w) {
  return readTable(
      curve.points, w, [](const TipPoint& p) { return p.q; }, [](const TipPoint& p) { return p.w; },
      true);
}

void listTzCurves(const TzCurveSet& set, int property, CurveUnitLabels labels, bool torsion,
                  std::vector<std::string>& lines) {
  lines.emplace_back();
  lines.push_back(fmt::format("     {} PILE PROPERTY:{:5d}",
                              torsion ? "T-q CURVES," : "T-Z CURVES,", property));
  lines.emplace_back();
  lines.push_back(fmt::format("{:>10}{:>11}{:>12}{:>14}{:>14}", "CURVE", "N. POINTS", "DEPTH",
                              "T Value", torsion ? "q Value" : "Z Value"));
  lines.push_back(fmt::format("{:>10}{:>11}{:>12}{:>14}{:>14}", "", "", labelled(labels.length),
                              labelled(labels.stress), labelled(labels.length)));
  for (const TzCurve& c : set.curves) {
    for (std::size_t j = 0; j < c.points.size(); ++j) {
      const TzPoint& p = c.points[j];
      if (j == 0) {
        lines.push_back(fmt::format("{:10d}{:11d}{:12.4E}{:14.4E}{:14.4E}", c.number, kTzPointCount,
                                    c.soilDepth, p.t, p.z));
      } else {
        lines.push_back(fmt::format("{:33}{:14.4E}{:14.4E}", "", p.t, p.z));
      }
    }
  }
}

void listTipCurve(const TipCurve& curve, int property, CurveUnitLabels labels,
                  std::vector<std::string>& lines) {
  lines.emplace_back();
  lines.push_back(fmt::format("     Q-W CURVE, PILE PROPERTY:{:5d}", property));
  lines.emplace_back();
  lines.push_back(fmt::format("{:>10}{:>14}{:>14}", "POINT", "Q Value", "W Value"));
  lines.push_back(
      fmt::format("{:>10}{:>14}{:>14}", "", labelled(labels.force), labelled(labels.length)));
  for (std::size_t j = 0; j < curve.points.size(); ++j) {
    lines.push_back(
        fmt::format("{:10d}{:14.4E}{:14.4E}", j + 1, curve.points[j].q, curve.points[j].w));
  }
}

}  // namespace stilt
