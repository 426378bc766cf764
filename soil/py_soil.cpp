#include "soil/py_soil.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace stilt {
namespace {

// Depths closer than this are the same depth.
constexpr double kSameDepth = 1.0e-6;
constexpr const char* kCurvesTooShort = "     P-Y CURVES DO NOT EXTEND THE LENGTH OF THE PILE";

// The soil properties a family reads at a node, beyond the per-layer values.
struct Needs {
  bool gamma = false;  // average effective unit weight above x
  bool c = false;      // strength at x
  bool ca = false;     // average strength above x (ca, or qur of weak rock)
  bool phi = false;    // friction angle at x
  bool k = false;      // modulus of subgrade reaction of the layer
};

Needs needsOf(SoilType type) {
  switch (type) {
    case SoilType::kSoftClay:
      return {true, true, false, false, false};
    case SoilType::kStiffClayFreeWater:
    case SoilType::kStiffClayInitialK:
      return {true, true, true, false, true};
    case SoilType::kStiffClayNoFreeWater:
      return {true, true, true, false, false};
    case SoilType::kSand:
    case SoilType::kApiSand:
      return {true, false, false, true, true};
    case SoilType::kSilt:
      return {true, true, false, true, true};
    case SoilType::kLiquefiedSand:
      return {true, false, false, false, false};
    case SoilType::kWeakRock:
      return {false, true, true, false, false};
    case SoilType::kVuggyLimestone:
      return {false, true, false, false, false};
    case SoilType::kUserCurves:
      return {};
  }
  return {true, true, false, false, false};
}

double topValue(const ProfileLayer& layer, SoilParameter p) {
  return layer.value(p, false);
}

// A parameter inside one layer, linear between its top and bottom rows, so that the bottom of
// the layer keeps this layer's value rather than the next layer's.
double withinLayer(const ProfileLayer& layer, SoilParameter p, double x) {
  const double top = layer.value(p, false);
  const double span = layer.bottom - layer.top;
  if (!(span > kSameDepth)) return top;
  const double t = std::clamp((x - layer.top) / span, 0.0, 1.0);
  return top + t * (layer.value(p, true) - top);
}

// A factor that divides a deflection must be positive; anything else leaves deflections as they
// are.
double positiveFactor(double f) {
  return f > 0.0 ? f : 1.0;
}

void smallDeflectionWarning(Diagnostics& diag, double modulus) {
  diag.reportOnly("     **** WARNING ****");
  diag.reportOnly("     DEFLECTION IS LESS THAN 1.0E-14.  THE PROGRAM");
  diag.reportOnly(fmt::format("     USED A SOIL MODULUS OF {:.4E}", modulus));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Preparation.

StatusCode PySoil::build(const PySoilInput& in, PySoil& out, Diagnostics& diag) {
  out = PySoil{};
  if (in.depths.size() != in.widths.size()) return StatusCode::kInternalError;
  const std::size_t n = in.depths.size();
  out.depths_.assign(in.depths.begin(), in.depths.end());
  out.widths_.assign(in.widths.begin(), in.widths.end());
  out.profile_ = in.profile;
  out.reductionFactors_ = in.reductionFactors;
  out.cyclic_ = in.cyclic;
  out.cycles_ = in.cycles;
  out.groundSlope_ = in.groundSlope;
  out.nodes_.resize(n);
  out.initial_.assign(n, 0.0);

  const bool hasSet = in.userCurves != nullptr && !in.userCurves->curves.empty();
  if (hasSet) out.userTables_ = prepareUserPyTables(*in.userCurves);
  bool userLayers = false;
  if (in.profile != nullptr) {
    for (const ProfileLayer& l : in.profile->layers()) {
      userLayers = userLayers || l.type == SoilType::kUserCurves;
    }
  }
  // A set given to a pile whose profile marks no layer for it stands for the whole soil.
  out.pileCurves_ = hasSet && !userLayers;

  for (std::size_t i = 0; i < n; ++i) {
    const ReductionFactors f = reductionFactorsAt(in.reductionFactors, in.depths[i]);
    if (f.inTable) {
      out.nodes_[i].pFactor = f.p;
      out.nodes_[i].yFactor = positiveFactor(f.y);
      out.nodes_[i].inverseYFactor = 1.0 / out.nodes_[i].yFactor;
    }
  }

  if (out.pileCurves_) {
    for (std::size_t i = 0; i < n; ++i) {
      if (in.depths[i] < kNoSoilDepth) continue;
      bool beyond = false;
      NodeSpring& node = out.nodes_[i];
      node.curve = interpolateUserCurves(out.userTables_, in.depths[i], beyond);
      if (beyond) {
        diag.reportOnly(kCurvesTooShort);
        return StatusCode::kPileBelowDeepestLayer;
      }
      node.smallModulus = smallDeflectionModulus(node.curve);
      // The curves' own small-deflection moduli start the iteration.
      out.initial_[i] = node.pFactor * node.smallModulus / node.yFactor;
    }
    return StatusCode::kCompleted;
  }
  if (in.profile == nullptr || in.profile->empty()) return StatusCode::kCompleted;

  int lastLayer = -1;
  for (std::size_t i = 0; i < n; ++i) {
    if (in.depths[i] >= kNoSoilDepth) {
      lastLayer = std::max(lastLayer, layerIndexAt(*in.profile, in.depths[i]));
    }
  }
  out.equivalent_ = out.equivalentDepths(lastLayer);

  RunningStrength running;
  bool warnedShort = false;
  for (std::size_t i = 0; i < n; ++i) {
    NodeSpring& node = out.nodes_[i];
    SoilType type = SoilType::kSoftClay;
    PyNodeSoil s;
    bool beyond = false;
    const StatusCode st = out.curveAtDepth(in.depths[i], in.widths[i], &running, out.equivalent_,
                                           node.curve, type, s, beyond, diag);
    if (!isOk(st)) return st;
    if (beyond && !warnedShort) {
      // A layer of user curves deeper than its deepest curve goes on with the deepest.
      diag.reportOnly(kCurvesTooShort);
      warnedShort = true;
    }
    node.smallModulus = smallDeflectionModulus(node.curve);
    if (!std::holds_alternative<NoResistance>(node.curve)) {
      out.initial_[i] = subgradeModulusAt(*in.profile, in.depths[i]) * in.depths[i];
    }
  }
  return StatusCode::kCompleted;
}

StatusCode PySoil::curveAtDepth(double x, double b, RunningStrength* running,
                                const std::vector<double>& equivalent, PyCurve& curve,
                                SoilType& type, PyNodeSoil& s, bool& beyondUserCurves,
                                Diagnostics& diag) const {
  curve = NoResistance{};
  beyondUserCurves = false;
  if (x < kNoSoilDepth) return StatusCode::kCompleted;
  if (pileCurves_) {
    type = SoilType::kUserCurves;
    curve = interpolateUserCurves(userTables_, x, beyondUserCurves);
    return StatusCode::kCompleted;
  }
  if (profile_ == nullptr || profile_->empty()) return StatusCode::kCompleted;
  const int li = layerIndexAt(*profile_, x);
  const ProfileLayer& layer = profile_->layers()[static_cast<std::size_t>(li)];
  // Above the first layer (or in a gap between layers) no soil is described.
  if (x < layer.top - kSameDepth) return StatusCode::kCompleted;
  type = layer.type;
  const bool firstOfLayer = running != nullptr ? running->layer != li : x <= layer.top + kSameDepth;

  if (type == SoilType::kUserCurves) {
    if (userTables_.empty()) {
      diag.both("     **** FATAL ERROR ****");
      diag.both(fmt::format("     LAYER {} HOLDS P-Y CURVES SPECIFIED BY THE USER,", li + 1));
      diag.both("     BUT THE PILE REFERS TO NO SET OF INPUT P-Y CURVES.");
      return StatusCode::kInputUndefinedReference;
    }
    curve = interpolateUserCurves(userTables_, x, beyondUserCurves);
    if (running != nullptr) running->layer = li;
    return StatusCode::kCompleted;
  }

  StatusCode st = nodeSoil(li, x, b, running, s, diag);
  if (!isOk(st)) return st;
  if (running != nullptr) running->layer = li;
  s.xu = li > 0 && usesEquivalentDepth(type)
             ? equivalent[static_cast<std::size_t>(li)] + (x - std::max(layer.top, 0.0))
             : x;
  if (type == SoilType::kApiSand || type == SoilType::kSilt) {
    st = checkFrictionAngle(type == SoilType::kSilt, s.phi, groundSlope_, diag);
    if (!isOk(st)) return st;
  }
  if (type == SoilType::kWeakRock && !firstOfLayer) {
    st = checkWeakRockStrength(s.c, diag);
    if (!isOk(st)) return st;
  }
  curve = makePyCurve(type, s);
  return StatusCode::kCompleted;
}

StatusCode PySoil::nodeSoil(int li, double x, double b, RunningStrength* running, PyNodeSoil& s,
                            Diagnostics& diag) const {
  const ProfileLayer& layer = profile_->layers()[static_cast<std::size_t>(li)];
  s = PyNodeSoil{};
  s.x = x;
  s.xu = x;
  s.b = b;
  s.cyclic = cyclic_;
  s.cycles = cyclic_ ? cycles_ : 1;
  s.unitsCode = profile_->unitsCode();
  s.xr = std::max(x - layer.top, 0.0);
  s.eps50 = topValue(layer, SoilParameter::kStrain50);
  s.rockModulus = topValue(layer, SoilParameter::kRockModulus);
  s.rqd = topValue(layer, SoilParameter::kRqd);

  const Needs needs = needsOf(layer.type);
  StatusCode st = StatusCode::kCompleted;
  if (needs.gamma) {
    s.gamma = averageUnitWeight(*profile_, x, st, diag);
    if (!isOk(st)) return st;
  }
  if (needs.c) {
    s.c = strengthAt(*profile_, x, st, diag);
    if (!isOk(st)) return st;
  }
  if (needs.ca) {
    if (li == 0) {
      s.ca = averageStrength(*profile_, x, diag);
    } else if (running != nullptr) {
      // Trapezoidal average of the strengths of the layer's nodes from its first node down.
      if (running->layer != li) {
        running->firstDepth = x;
        running->integral = 0.0;
        s.ca = s.c;
      } else {
        running->integral += 0.5 * (running->lastStrength + s.c) * (x - running->lastDepth);
        const double d = x - running->firstDepth;
        s.ca = d > kSameDepth ? running->integral / d : s.c;
      }
      running->lastDepth = x;
      running->lastStrength = s.c;
    } else {
      // A printed curve stands alone: the mean of the layer's top strength and the strength at x.
      s.ca = 0.5 * (topValue(layer, SoilParameter::kCohesion) + s.c);
    }
  }
  if (needs.phi) {
    s.phi = frictionAngleAt(*profile_, x, st, diag);
    if (!isOk(st)) return st;
  }
  if (needs.k) {
    // A layer that gives no k takes the default of the initial moduli; without it the curves
    // bounded by k·x·y would offer no resistance at all.
    s.k = topValue(layer, SoilParameter::kSubgradeModulus);
    if (std::fabs(s.k) <= 1.0e-4) s.k = defaultSubgradeModulus(profile_->unitsCode());
  }
  return StatusCode::kCompleted;
}

// ---------------------------------------------------------------------------------------------
// Equivalent depth of layered soil (after Georgiadis 1983): a layer below the first behaves as
// if its own soil reached up to the ground surface, starting at the depth H where its own
// ultimate resistance, integrated from the surface, equals that of the layers above.

std::vector<double> PySoil::equivalentDepths(int lastLayer) const {
  const std::vector<ProfileLayer>& layers = profile_->layers();
  std::vector<double> h(layers.size(), std::numeric_limits<double>::quiet_NaN());
  double above = 0.0;
  for (int li = 0; li <= lastLayer && li < static_cast<int>(layers.size()); ++li) {
    const ProfileLayer& layer = layers[static_cast<std::size_t>(li)];
    const double hTop = li > 0 && usesEquivalentDepth(layer.type) ? searchEquivalentDepth(li, above)
                                                                  : std::max(layer.top, 0.0);
    h[static_cast<std::size_t>(li)] = hTop;
    // Simpson's rule over the part of the layer below the ground surface, 20 intervals.
    const double a = std::max(layer.top, 0.0);
    const double z = layer.bottom;
    if (z > a) {
      constexpr int kIntervals = 20;
      const double dz = (z - a) / kIntervals;
      double sum = layerUltimate(li, a, hTop) + layerUltimate(li, z, hTop);
      for (int j = 1; j < kIntervals; ++j) {
        sum += (j % 2 == 1 ? 4.0 : 2.0) * layerUltimate(li, a + j * dz, hTop);
      }
      above += sum * dz / 3.0;
    }
  }
  return h;
}

// The ultimate resistance of a layer at depth x, with its own properties (curve-mode rules) and
// its top standing at `hTop` in the ultimate-resistance expressions.
double PySoil::layerUltimate(int li, double x, double hTop) const {
  const ProfileLayer& layer = profile_->layers()[static_cast<std::size_t>(li)];
  if (layer.type == SoilType::kUserCurves) {
    if (userTables_.empty()) return 0.0;
    bool beyond = false;
    return interpolateUserCurves(userTables_, x, beyond).ultimate;
  }
  Diagnostics scratch;
  StatusCode ignored = StatusCode::kCompleted;
  PyNodeSoil s;
  s.x = x;
  s.xu = hTop + (x - std::max(layer.top, 0.0));  // soil above the ground surface counts for nothing
  s.b = widthAt(x);
  s.unitsCode = profile_->unitsCode();
  s.xr = std::max(x - layer.top, 0.0);
  s.gamma = averageUnitWeight(*profile_, x, ignored, scratch);
  s.c = withinLayer(layer, SoilParameter::kCohesion, x);
  s.ca = li == 0 ? averageStrength(*profile_, x, scratch)
                 : 0.5 * (topValue(layer, SoilParameter::kCohesion) + s.c);
  s.phi = withinLayer(layer, SoilParameter::kFrictionAngle, x);
  s.eps50 = topValue(layer, SoilParameter::kStrain50);
  s.rockModulus = topValue(layer, SoilParameter::kRockModulus);
  s.rqd = topValue(layer, SoilParameter::kRqd);
  return ultimateResistance(makePyCurve(layer.type, s));
}

// The ultimate resistance of a layer's own soil at depth z below the surface, as if the layer
// reached up to the ground: its top properties throughout, the pile width at its top.
double PySoil::ownUltimate(int li, double z) const {
  const ProfileLayer& layer = profile_->layers()[static_cast<std::size_t>(li)];
  PyNodeSoil s;
  s.x = z;
  s.xu = z;
  s.b = widthAt(layer.top);
  s.unitsCode = profile_->unitsCode();
  s.gamma = topValue(layer, SoilParameter::kUnitWeight);
  s.c = topValue(layer, SoilParameter::kCohesion);
  s.ca = s.c;
  s.phi = topValue(layer, SoilParameter::kFrictionAngle);
  s.eps50 = topValue(layer, SoilParameter::kStrain50);
  return ultimateResistance(makePyCurve(layer.type, s));
}

double PySoil::searchEquivalentDepth(int li, double integralAbove) const {
  const ProfileLayer& layer = profile_->layers()[static_cast<std::size_t>(li)];
  if (!(integralAbove > 0.0) || !(layer.top > 0.0)) return 0.0;
  // Search step and stopping rule: steps of 4·top/N (N = 50 sand-like, 40 clay-like), Simpson's
  // rule per step, stop in the first step whose running integral reaches the layers above; a
  // layer too weak to reach it within 4·top is placed at 4·top.
  const int steps = isSandLike(layer.type) ? 50 : 40;
  const double range = 4.0 * layer.top;
  const double dz = range / steps;
  double integral = 0.0;
  double f0 = ownUltimate(li, 0.0);
  for (int i = 0; i < steps; ++i) {
    const double z0 = i * dz;
    const double fm = ownUltimate(li, z0 + 0.5 * dz);
    const double f1 = ownUltimate(li, z0 + dz);
    const double step = dz / 6.0 * (f0 + 4.0 * fm + f1);
    if (step > 0.0 && integral + step >= integralAbove) {
      // Within the step pu is taken linear: f0·t + (f1 - f0)·t²/2 = share·(f0 + f1)/2, solved
      // in the form that stays accurate when f1 is close to f0.
      const double share = (integralAbove - integral) / step;
      const double a = 0.5 * (f1 - f0);
      const double r = share * 0.5 * (f0 + f1);
      const double root = std::sqrt(std::max(f0 * f0 + 4.0 * a * r, 0.0));
      const double t = f0 + root > 0.0 ? 2.0 * r / (f0 + root) : share;
      return z0 + std::clamp(t, 0.0, 1.0) * dz;
    }
    integral += step;
    f0 = f1;
  }
  return range;
}

double PySoil::widthAt(double x) const {
  if (widths_.empty()) return 0.0;
  std::size_t at = 0;
  for (std::size_t i = 0; i < depths_.size(); ++i) {
    if (depths_[i] > x + kSameDepth) break;
    at = i;
  }
  return widths_[at];
}

// ---------------------------------------------------------------------------------------------
// Solver mode.

StatusCode PySoil::initialModuli(std::span<double> es, Diagnostics& /*diag*/) const {
  if (es.size() < initial_.size()) return StatusCode::kInternalError;
  std::copy(initial_.begin(), initial_.end(), es.begin());
  return StatusCode::kCompleted;
}

StatusCode PySoil::secantModuli(std::span<const double> y, PyMultipliers m, std::span<double> es,
                                Diagnostics& /*diag*/) const {
  const std::size_t n = nodes_.size();
  if (y.size() < n || es.size() < n) return StatusCode::kInternalError;
  const double inverseYMultiplier = 1.0 / positiveFactor(m.y);
  for (std::size_t i = 0; i < n; ++i) {
    const NodeSpring& node = nodes_[i];
    // The spring is the printed curve: deflections stretched by the y-multipliers, resistance
    // scaled by the p-multipliers. Its secant at y is pm·p(y/ym)/y. (Reciprocals keep the
    // update to one division per node.)
    const double pScale = m.p * node.pFactor;
    const double inverseYScale = inverseYMultiplier * node.inverseYFactor;
    const double u = y[i] * inverseYScale;
    es[i] = u < kSmallDeflection ? pScale * node.smallModulus * inverseYScale
                                 : pScale * resistance(node.curve, u) / y[i];
  }
  return StatusCode::kCompleted;
}

StatusCode PySoil::tangentModuli(std::span<const double> y, PyMultipliers m, std::span<double> es,
                                 std::span<double> et, Diagnostics& diag) const {
  const std::size_t n = nodes_.size();
  if (et.size() < n) return StatusCode::kInternalError;
  const StatusCode status = secantModuli(y, m, es, diag);
  if (!isOk(status)) return status;
  const double inverseYMultiplier = 1.0 / positiveFactor(m.y);
  for (std::size_t i = 0; i < n; ++i) {
    const NodeSpring& node = nodes_[i];
    // The spring pm·p(y/ym) has the slope pm·p'(y/ym)/ym; below 1.0E-14 it is the straight
    // line of the small-deflection modulus.
    const double inverseYScale = inverseYMultiplier * node.inverseYFactor;
    const double u = y[i] * inverseYScale;
    et[i] = u < kSmallDeflection
                ? es[i]
                : m.p * node.pFactor * inverseYScale * tangentModulus(node.curve, u);
  }
  return StatusCode::kCompleted;
}

// ---------------------------------------------------------------------------------------------
// Curve mode.

StatusCode PySoil::curveAt(double depth, double width, std::span<const double> deflections,
                           PyMultipliers m, PrintedPyCurve& out, Diagnostics& diag) const {
  out = PrintedPyCurve{};
  std::vector<double> equivalent = equivalent_;
  if (!pileCurves_ && profile_ != nullptr && !profile_->empty() && depth >= kNoSoilDepth) {
    const int li = layerIndexAt(*profile_, depth);
    if (equivalent.size() <= static_cast<std::size_t>(li) ||
        std::isnan(equivalent[static_cast<std::size_t>(li)])) {
      equivalent = equivalentDepths(li);
    }
  }
  PyCurve curve;
  SoilType type = SoilType::kSoftClay;
  PyNodeSoil s;
  bool beyond = false;
  const StatusCode st =
      curveAtDepth(depth, width, nullptr, equivalent, curve, type, s, beyond, diag);
  if (!isOk(st)) return st;
  if (beyond) {
    diag.reportOnly(kCurvesTooShort);
    if (pileCurves_) return StatusCode::kPileBelowDeepestLayer;
  }
  out.type = type;
  out.hasSoil = !std::holds_alternative<NoResistance>(curve);

  const ReductionFactors f = reductionFactorsAt(reductionFactors_, depth);
  const double pScale = m.p * (f.inTable ? f.p : 1.0);
  const double yScale = positiveFactor(m.y) * (f.inTable ? positiveFactor(f.y) : 1.0);
  const double small = smallDeflectionModulus(curve);
  out.smallModulus = pScale * small / yScale;

  const bool given = !deflections.empty();
  const std::size_t count = given ? deflections.size() : kCurvePointCount;
  CurveDeflections own{};
  curveDeflections(curve, own);
  out.y.resize(count);
  out.p.resize(count);
  for (std::size_t j = 0; j < count; ++j) {
    const double u = given ? deflections[j] / yScale : own[j];
    const double magnitude = std::fabs(u);
    double p = 0.0;
    if (magnitude < kSmallDeflection) {
      p = small * magnitude;
      if (j > 0) smallDeflectionWarning(diag, out.smallModulus);
    } else {
      p = resistance(curve, magnitude);
    }
    out.y[j] = given ? deflections[j] : u * yScale;
    out.p[j] = pScale * std::copysign(p, u);  // a curve asked at negative deflections is mirrored
  }

  if (type == SoilType::kLiquefiedSand && out.hasSoil) {
    out.liquefiedSandBlock = true;
    out.blockValues = {depth, width, s.gamma, std::get<LiquefiedSandCurve>(curve).pu, m.p, m.y};
  }
  return StatusCode::kCompleted;
}

ReductionFactors PySoil::nodeFactors(int node) const {
  const NodeSpring& n = nodes_[static_cast<std::size_t>(node)];
  return {n.pFactor, n.yFactor, n.pFactor != 1.0 || n.yFactor != 1.0};
}

double PySoil::equivalentDepth(int layer) const {
  if (layer < 0 || static_cast<std::size_t>(layer) >= equivalent_.size()) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return equivalent_[static_cast<std::size_t>(layer)];
}

}  // namespace stilt
