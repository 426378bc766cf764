#include "analysis/passive_cap.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "soil/soil_profile.hpp"

namespace stilt {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNoEmbedment = 1.0e-6;  // a base within this of the ground is not embedded
constexpr double kNoMovement = 1.0e-14;  // lateral movement the soil does not notice
constexpr double kSameDepth = 1.0e-6;
// Mokwa and Duncan (2001): the full passive resistance of a cap is mobilised at a movement of
// about 4 % of the height of its face.
constexpr double kFailureMovementRatio = 0.04;

// The effective vertical stress, strength and friction angle at a depth, as Rankine's passive
// pressure takes them. The rocks' strength parameter is the uniaxial compressive strength qu,
// whose cohesion is qu/2 (Mohr circle at φ = 0).
double passivePressureAt(const SoilProfile& profile, double depth, StatusCode& status,
                         Diagnostics& diag) {
  status = StatusCode::kCompleted;
  // At the ground itself there is no overburden to average.
  const double gamma = depth > 0.0 ? averageUnitWeight(profile, depth, status, diag) : 0.0;
  if (!isOk(status)) return 0.0;
  double cohesion = strengthAt(profile, depth, status, diag);
  if (!isOk(status)) return 0.0;
  const double phi = frictionAngleAt(profile, depth, status, diag);
  if (!isOk(status)) return 0.0;
  const int layer = layerIndexAt(profile, depth);
  if (layer >= 0) {
    const SoilType type = profile.layers()[static_cast<std::size_t>(layer)].type;
    if (type == SoilType::kVuggyLimestone || type == SoilType::kWeakRock) cohesion *= 0.5;
  }
  return rankinePassivePressure(gamma * depth, cohesion, phi);
}

// Springs along the cap's face from a hyperbola per node (force per unit depth).
class HyperbolicSprings final : public LateralSoil {
 public:
  std::vector<CapHyperbola> nodes;

  int nodeCount() const override { return static_cast<int>(nodes.size()); }
  StatusCode initialModuli(std::span<double> es, Diagnostics&) const override {
    for (std::size_t i = 0; i < nodes.size() && i < es.size(); ++i) es[i] = nodes[i].k;
    return StatusCode::kCompleted;
  }
  StatusCode secantModuli(std::span<const double> y, PyMultipliers, std::span<double> es,
                          Diagnostics&) const override {
    for (std::size_t i = 0; i < nodes.size() && i < es.size(); ++i) {
      es[i] = y[i] > kNoMovement ? nodes[i].resistance(y[i]) / y[i] : nodes[i].k;
    }
    return StatusCode::kCompleted;
  }
};

std::string labelled(std::string_view label, double value, std::string_view unit) {
  return fmt::format("{:<15}{} {:<7}", label, formatRealCell(12, 4, value), unit);
}

std::string trimmed(const std::string& s) {
  const std::size_t first = s.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : s.substr(first);
}

// X of the line of action of a horizontal force (Fy, Fz) with the moments (My, Mz) at the origin:
// a force F along Y at X gives Mz = X·F, along Z gives My = -X·F.
bool lineOfAction(const Vector6& f, double& x) {
  if (std::fabs(f[1]) > 0.0) {
    x = f[5] / f[1];
    return true;
  }
  if (std::fabs(f[2]) > 0.0) {
    x = -f[4] / f[2];
    return true;
  }
  return false;
}

}  // namespace

PassiveResultant passiveResultant(double embedment, double thickness, double p0, double headLevel) {
  PassiveResultant r;
  if (embedment >= -kNoEmbedment) return r;
  const double depth = -embedment;
  // The pressure grows linearly from the ground to p0 at the base; the face of a cap buried
  // deeper than its thickness starts at the pressure e of its top.
  double e = 0.0;
  double h = depth;
  if (depth > thickness) {
    e = (depth - thickness) * p0 / depth;
    h = thickness;
  }
  const double c = headLevel;
  r.a = 0.5 * h * (p0 + e);
  // The uniform part e·h acts at h/2 above the base, the triangle 0.5·h·(p0 - e) at h/3.
  r.b = e * h * (0.5 * h - c) + 0.5 * h * (p0 - e) * (h / 3.0 - c);
  return r;
}

double passiveMobilisation(int unitsCode) {
  return unitsCode == 2 ? 2.54e-6 : 1.0e-4;
}

Vector6 passivePressureForce(const PassiveResultant& pressure, const Vector6& dv,
                             double mobilisation) {
  Vector6 f{};
  const double my = std::fabs(dv[1]);
  const double s = my + std::fabs(dv[2]);
  if (s <= kNoMovement) return f;
  PassiveResultant r = pressure;
  if (s < mobilisation) {
    r.a *= s / mobilisation;
    r.b *= s / mobilisation;
  }
  const double w = my / s;
  const double sy = dv[1] >= 0.0 ? -1.0 : 1.0;
  const double sz = dv[2] >= 0.0 ? -1.0 : 1.0;
  f[1] = sy * w * r.a;
  f[5] = -sy * w * r.b;
  f[2] = sz * (1.0 - w) * r.a;
  f[4] = sz * (1.0 - w) * r.b;
  return f;
}

double rankinePassivePressure(double verticalStress, double cohesion, double frictionAngle) {
  const double t = std::tan(0.25 * kPi + 0.5 * frictionAngle);
  const double kp = t * t;
  return kp * verticalStress + 2.0 * cohesion * std::sqrt(kp);
}

double CapHyperbola::resistance(double y) const {
  if (!(k > 0.0) || !(pUlt > 0.0)) return 0.0;
  const double m = std::fabs(y);
  const double p = m / (1.0 / k + rf * m / pUlt);
  return std::copysign(std::min(p, pUlt), y);
}

CapHyperbola hyperbolaReaching(double k, double pUlt, double yMax) {
  CapHyperbola h{k, 0.0, pUlt};
  if (k > 0.0 && pUlt > 0.0 && yMax > 0.0) h.rf = std::clamp(1.0 - pUlt / (k * yMax), 0.0, 1.0);
  return h;
}

CapHyperbola hyperbolaThroughHalf(double k50, double pUlt, double yMax) {
  CapHyperbola h;
  if (!(k50 > 0.0) || !(pUlt > 0.0)) return h;
  // Through (y50, pUlt/2) with y50 = pUlt / (2·k50), and (yMax, pUlt).
  const double y50 = 0.5 * pUlt / k50;
  h.pUlt = pUlt;
  h.rf = yMax > 2.0 * y50 ? (yMax - 2.0 * y50) / (yMax - y50) : 0.0;
  h.k = 1.0 / (1.0 / k50 - h.rf * y50 / pUlt);
  return h;
}

StatusCode PassiveCap::build(const AnalysisModel& model, const PreparedRun& prepared,
                             const PassiveSettings& settings, std::unique_ptr<PassiveCap>& out,
                             Diagnostics& diag) {
  auto cap = std::make_unique<PassiveCap>();
  cap->model_ = capPassiveModel(model);
  cap->units_ = unitLabels(model.switches.unitsCode());
  cap->thickness_ = model.cap.thickness;
  cap->mobilisation_ = passiveMobilisation(model.switches.unitsCode());
  // The pile heads are held at the cap base, which lies at the shallowest head; the cap is
  // embedded as deep as the lowest ground surface of the piles reaches above it (the least
  // embedment the piles' grounds allow).
  double head = 0.0;
  double ground = 0.0;
  for (std::size_t i = 0; i < prepared.layout.size(); ++i) {
    const PileGeometry& g = prepared.layout[i];
    head = i == 0 ? g.x : std::min(head, g.x);
    ground = i == 0 ? g.ground : std::max(ground, g.ground);
  }
  cap->headLevel_ = head;
  cap->embedment_ = ground - head;
  const double width = prepared.capWidth;
  const SoilProfile& profile = prepared.profile;
  const bool embedded = cap->embedment_ < -kNoEmbedment && cap->thickness_ > 0.0;

  if (cap->model_ == CapPassiveModel::kPressure && embedded && !profile.empty()) {
    StatusCode status = StatusCode::kCompleted;
    cap->p0_ = passivePressureAt(profile, -cap->embedment_, status, diag) * width;
    if (!isOk(status)) return status;
    cap->resultant_ = passiveResultant(cap->embedment_, cap->thickness_, cap->p0_, head);
  }

  if (cap->model_ == CapPassiveModel::kMember && embedded) {
    const CapPassiveMethod& method = model.passiveMethod;
    const double depth = -cap->embedment_;
    const double height = std::min(depth, cap->thickness_);  // of the embedded face
    int n = method.increments > 0 ? method.increments : prepared.smallestIncrements;
    n = std::clamp(n, 1, kMaxFileIncrements);
    const double step = height / n;
    cap->memberNumber_ = static_cast<int>(prepared.layout.size()) + 1;
    const std::size_t nodes = static_cast<std::size_t>(n + 1);
    for (std::size_t j = 0; j < nodes; ++j) {
      const double s = static_cast<double>(j) * step;
      cap->nodeX_.push_back(head - height + s);
      cap->nodeDepth_.push_back(std::max(0.0, depth - height + s));
      cap->weight_.push_back(j == 0 || j + 1 == nodes ? 0.5 * step : step);
    }
    // The member's own layer check: its lowest node must lie within the soil profile.
    if (profile.empty() || cap->nodeDepth_.back() > profile.bottom() + kSameDepth) {
      const std::string unit = trimmed(cap->units_.length);
      for (int k = 0; k < 3; ++k) diag.both("");
      diag.both("     **** FATAL ERROR ****");
      diag.both(fmt::format("     THE PILE LENGTH, {:>10} ({}), EXTENDS BELOW THE",
                            fmt::format("{:.2E}", height), unit));
      diag.both("     BOTTOM OF THE DEEPEST LAYER.");
      return StatusCode::kPileBelowDeepestLayer;
    }
    if (method.soilModel == 0) {
      // The p-y curves of the soil profile at the cap's depths, for a member as wide as the cap.
      const std::vector<double> widths(nodes, width);
      PySoilInput in;
      in.profile = &profile;
      in.depths = cap->nodeDepth_;
      in.widths = widths;
      in.cyclic = settings.cyclic;
      in.cycles = settings.cycles;
      const StatusCode status = PySoil::build(in, cap->pySoil_, diag);
      if (!isOk(status)) return status;
      cap->springs_ = &cap->pySoil_;
    } else {
      auto springs = std::make_unique<HyperbolicSprings>();
      for (std::size_t j = 0; j < nodes; ++j) {
        if (method.soilModel == 1) {
          // From the soil data: Rankine's passive pressure across the cap for the ultimate
          // resistance, the initial modulus k·x of the soil for the stiffness, and the ultimate
          // reached at 4 % of the face's height.
          const double x = cap->nodeDepth_[j];
          StatusCode status = StatusCode::kCompleted;
          const double pUlt = passivePressureAt(profile, x, status, diag) * width;
          if (!isOk(status)) return status;
          springs->nodes.push_back(hyperbolaReaching(subgradeModulusAt(profile, x) * x, pUlt,
                                                     kFailureMovementRatio * height));
        } else {
          // As given: F ULT spread evenly over the embedded face, K50 the secant modulus at
          // half of it, Y MAX the movement that mobilises it in full.
          springs->nodes.push_back(
              hyperbolaThroughHalf(method.k50, method.fUlt / height, method.yMax));
        }
      }
      cap->hyperbolic_ = std::move(springs);
      cap->springs_ = cap->hyperbolic_.get();
    }
    for (auto* v : {&cap->deflectionY_, &cap->deflectionZ_, &cap->resultantDeflection_,
                    &cap->modulus_, &cap->reactionY_, &cap->reactionZ_}) {
      v->assign(nodes, 0.0);
    }
  }
  out = std::move(cap);
  return StatusCode::kCompleted;
}

StatusCode PassiveCap::memberReactions(const Vector6& dv, Diagnostics& diag) {
  // The cap is rigid: a point of its face at X moves by the cap's translation plus its rotation
  // times the lever X (Y: + rotation Z · X; Z: - rotation Y · X).
  for (std::size_t j = 0; j < nodeX_.size(); ++j) {
    deflectionY_[j] = dv[1] + dv[5] * nodeX_[j];
    deflectionZ_[j] = dv[2] - dv[4] * nodeX_[j];
    resultantDeflection_[j] = std::hypot(deflectionY_[j], deflectionZ_[j]);
  }
  const StatusCode status =
      springs_->secantModuli(resultantDeflection_, PyMultipliers{}, modulus_, diag);
  if (!isOk(status)) return status;
  // The soil pushes back along the resultant deflection with the secant modulus of its spring.
  for (std::size_t j = 0; j < nodeX_.size(); ++j) {
    reactionY_[j] = -modulus_[j] * deflectionY_[j];
    reactionZ_[j] = -modulus_[j] * deflectionZ_[j];
  }
  return StatusCode::kCompleted;
}

StatusCode PassiveCap::force(const Vector6& dv, Vector6& f, Diagnostics& diag) {
  f = {};
  if (model_ == CapPassiveModel::kPressure) {
    f = passivePressureForce(resultant_, dv, mobilisation_);
    return StatusCode::kCompleted;
  }
  if (model_ != CapPassiveModel::kMember || nodeX_.empty()) return StatusCode::kCompleted;
  const StatusCode status = memberReactions(dv, diag);
  if (!isOk(status)) return status;
  // The reactions along the face (trapezoidal rule), moved to the origin.
  for (std::size_t j = 0; j < nodeX_.size(); ++j) {
    const double fy = weight_[j] * reactionY_[j];
    const double fz = weight_[j] * reactionZ_[j];
    f[1] += fy;
    f[2] += fz;
    f[4] -= nodeX_[j] * fz;
    f[5] += nodeX_[j] * fy;
  }
  return StatusCode::kCompleted;
}

StatusCode PassiveCap::stiffness(const Vector6& dv, const Vector6& delta, Matrix6& k,
                                 Diagnostics& diag) {
  k = {};
  if (model_ == CapPassiveModel::kNone) return StatusCode::kCompleted;
  std::array<Vector6, 6> plus{};
  std::array<Vector6, 6> minus{};
  for (int sign = 0; sign < 2; ++sign) {
    for (std::size_t j = 0; j < 6; ++j) {
      if (!(delta[j] > 0.0)) continue;
      Vector6 u = dv;
      u[j] += sign == 0 ? delta[j] : -delta[j];
      const StatusCode status = force(u, (sign == 0 ? plus : minus)[j], diag);
      if (!isOk(status)) return status;
    }
  }
  for (std::size_t j = 0; j < 6; ++j) {
    if (!(delta[j] > 0.0)) continue;
    for (std::size_t i = 0; i < 6; ++i) k[i][j] = (plus[j][i] - minus[j][i]) * 0.5 / delta[j];
  }
  return StatusCode::kCompleted;
}

PassiveRecord PassiveCap::record(const Vector6& f) const {
  PassiveRecord r;
  if (model_ == CapPassiveModel::kNone) return r;
  r.embedment = embedment_;
  if (model_ == CapPassiveModel::kPressure) {
    r.model = "pressure";
    r.hasPressure = true;
    r.p0 = p0_;
    // The resultant of the pressure diagram, which the model shares out between Y and Z.
    r.resultant = resultant_.a;
    if (resultant_.a > 0.0) {
      r.hasPosition = true;
      r.position = -resultant_.b / resultant_.a;
    }
    return r;
  }
  r.model = "member";
  r.resultant = std::hypot(f[1], f[2]);
  r.hasPosition = lineOfAction(f, r.position);
  return r;
}

StatusCode PassiveCap::writeReport(const Vector6& dv, const Vector6& f, bool planar, FileSet& files,
                                   Diagnostics& diag) {
  const UnitLabels& u = units_;
  if (model_ == CapPassiveModel::kPressure) {
    double position = 0.0;
    if (!lineOfAction(f, position)) position = 0.0;
    for (Channel c : {Channel::kReport, Channel::kSummary}) {
      TextFile& out = files[c];
      out.line();
      out.line("     * PASIVE RESISTANCE IN PILE CAP *");
      out.line();
      if (planar) {
        out.line("     " + labelled("HORI. LOAD,", std::fabs(f[1]), u.force) +
                 labelled("POSITION,", position, u.length));
      } else {
        out.line("     " + labelled("HOR. LOAD Y,", std::fabs(f[1]), u.force) +
                 labelled("HOR. LOAD Z,", std::fabs(f[2]), u.force) +
                 labelled("POSITION,", position, u.length));
      }
    }
    return StatusCode::kCompleted;
  }
  if (model_ != CapPassiveModel::kMember || nodeX_.empty()) return StatusCode::kCompleted;
  const StatusCode status = memberReactions(dv, diag);
  if (!isOk(status)) return status;
  const std::string length = trimmed(u.length);
  const std::string line = trimmed(u.forcePerLength);
  for (Channel c : {Channel::kReport, Channel::kSummary}) {
    TextFile& out = files[c];
    out.line();
    out.line(fmt::format("     REACTIONS CAP    (MEMBER{:5d})", memberNumber_));
    out.line();
    out.line(fmt::format("     {:>5}{:>13}{:>13}{:>13}{:>13}{:>13}", "NODE", "DEPTH,", "DEFL. Y,",
                         "DEFL. Z,", "SOIL R. Y,", "SOIL R. Z,"));
    out.line(fmt::format("     {:>5}{:>13}{:>13}{:>13}{:>13}{:>13}", "", length, length, length,
                         line, line));
    for (std::size_t j = 0; j < nodeX_.size(); ++j) {
      out.line(fmt::format(
          "     {:5d}{}{}{}{}{}", j + 1, formatRealCell(13, 4, nodeDepth_[j]),
          formatRealCell(13, 4, deflectionY_[j]), formatRealCell(13, 4, deflectionZ_[j]),
          formatRealCell(13, 4, reactionY_[j]), formatRealCell(13, 4, reactionZ_[j])));
    }
    out.line();
    out.line("     " + labelled("HOR. LOAD Y,", f[1], u.force) +
             labelled("HOR. LOAD Z,", f[2], u.force));
    out.line("     " + labelled("MOMENT Y,", f[4], u.moment) +
             labelled("MOMENT Z,", f[5], u.moment));
  }
  return StatusCode::kCompleted;
}

}  // namespace stilt
