#include "soil/load_transfer.hpp"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace stilt {
namespace {

// The perimeter pi·D of the method, with pi as the method tabulates it.
constexpr double kPi = 3.1416;
constexpr double kInch = 0.0254;
// Closure of the mid-segment movement (inches) or twist (radians) iteration.
constexpr double kClosure = 0.0001;
constexpr double kNoRigidity = 1.0e-6;

// The movements of the assumed tip movements, inches.
constexpr std::array<double, kTransferPointCount> kTipMovements = {0.0001, 0.001, 0.005, 0.01, 0.05,
                                                                   0.1,    0.5,   1.0,   2.0};

// Values of the uplift pass are stored and printed negated; 0 stays +0 so nothing prints "-0".
double signOf(int pass, double v) {
  return pass == 1 ? 0.0 - v : v;
}

std::string trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return std::string(s);
}

std::string labelled(std::string_view label) {
  return "(" + trimmed(label) + ")";
}

std::string torqueLabel(CurveUnitLabels labels) {
  return "(" + trimmed(labels.force) + "-" + trimmed(labels.length) + ")";
}

bool passIsValid(int pass, Diagnostics& diag) {
  if (pass == 1 || pass == 2) return true;
  diag.both(fmt::format("     LOAD TRANSFER CALLED FOR PASS {}; ONLY 1 AND 2 EXIST", pass));
  return false;
}

// Heading and units of the summary table of a pass on the t-z listing file.
void summaryHeading(bool torsion, CurveUnitLabels labels, std::vector<std::string>& lines) {
  const char* top = torsion ? "TOP  MOM." : "TOP  LOAD";
  const char* tip = torsion ? "TIP  MOM." : "TIP  LOAD";
  const std::string load = torsion ? torqueLabel(labels) : labelled(labels.force);
  const std::string move = torsion ? std::string("(RAD)") : labelled(labels.length);
  lines.emplace_back();
  lines.push_back(
      fmt::format("{:>15}{:>17}{:>17}{:>17}", top, "TOP MOVEMENT", "TIP MOVEMENT", tip));
  lines.push_back(fmt::format("{:>15}{:>17}{:>17}{:>17}", load, move, move, load));
}

void summaryRow(const TransferPoint& p, std::vector<std::string>& lines) {
  lines.push_back(fmt::format("{:15.4E}{:17.4E}{:17.4E}{:17.4E}", p.headLoad, p.headMovement,
                              p.tipMovement, p.tipLoad));
}

// The trace of one transfer: a row per segment, from the tip up, at the segment's bottom, then
// the head at depth 0.
void traceTransfer(const AxialPile& pile, bool torsion, CurveUnitLabels labels, int pass,
                   std::span<const double> load, std::span<const double> movement,
                   std::vector<std::string>& lines) {
  const std::string loadLabel = torsion ? torqueLabel(labels) : labelled(labels.force);
  const std::string moveLabel = torsion ? std::string("(RAD)") : labelled(labels.length);
  lines.emplace_back();
  lines.push_back(fmt::format("{:>6}{:>14}{:>16}{:>16}", "N", "DEPTH",
                              torsion ? "TORQUE" : "AXIAL LOAD", torsion ? "TWIST" : "MOVEMENT"));
  lines.push_back(
      fmt::format("{:>6}{:>14}{:>16}{:>16}", "", labelled(labels.length), loadLabel, moveLabel));
  const int n = pile.segments;
  const double delta = pile.segmentLength();
  for (int k = 1; k <= n + 1; ++k) {
    const std::size_t node = static_cast<std::size_t>(n - k + 1);
    const double depth = k <= n ? pile.length - (k - 1) * delta : 0.0;
    lines.push_back(fmt::format(FMT_COMPILE("{:6d}{:14.4E}{:16.4E}{:16.4E}"), k, depth,
                                signOf(pass, load[node]), signOf(pass, movement[node])));
  }
}

}  // namespace

std::array<double, kTransferPointCount> assumedTipMovements(double diameter, int unitsCode) {
  const double scale = unitsCode == 2 ? kInch : 1.0;
  std::array<double, kTransferPointCount> w{};
  for (std::size_t i = 0; i < w.size(); ++i) w[i] = kTipMovements[i] * scale;
  // A large pile needs a large movement to mobilise its tip: 5 % of its diameter.
  w.back() = std::max(w.back(), 0.05 * diameter);
  return w;
}

std::array<double, kTransferPointCount> assumedTipTwists(double diameter, int unitsCode) {
  const double scale = unitsCode == 2 ? kInch : 1.0;
  const double r = 0.5 * diameter;
  std::array<double, kTransferPointCount> theta{};
  for (std::size_t i = 0; i < theta.size(); ++i) theta[i] = kTipMovements[i] / r * scale;
  return theta;
}

double movementClosure(int unitsCode) {
  return unitsCode == 2 ? kClosure * kInch : kClosure;
}

StatusCode transferFromTip(const AxialPile& pile, const TzCurveSet& tz, Rigidity which,
                           int unitsCode, double tipLoad, double tipMovement,
                           std::span<double> load, std::span<double> movement, Diagnostics& diag) {
  const int n = pile.segments;
  const auto nodes = static_cast<std::size_t>(n) + 1;
  if (n < 1 || load.size() < nodes || movement.size() < nodes) {
    diag.both("     LOAD TRANSFER: NODE ARRAYS SHORTER THAN THE PILE'S SEGMENTS");
    return StatusCode::kInternalError;
  }
  const bool torsion = which == Rigidity::kTorsional;
  const double delta = pile.segmentLength();
  const double d = pile.diameter;
  // Torsion reads the curves at the surface movement theta·r and turns side load into torque.
  const double arm = torsion ? 0.5 * d : 1.0;
  const double closure = torsion ? kClosure : movementClosure(unitsCode);
  double qb = tipLoad;
  double zb = tipMovement;
  load[nodes - 1] = qb;
  movement[nodes - 1] = zb;
  for (int k = 1; k <= n; ++k) {
    const double xm = pile.length - (k - 0.5) * delta;
    const double rigidity = rigidityAt(pile, which, xm);
    if (!(rigidity > kNoRigidity)) {
      const StatusCode zero = checkRigidity(pile, which, diag);
      if (!isOk(zero)) return zero;
      return torsion ? StatusCode::kZeroTorsionalRigidity : StatusCode::kZeroAxialRigidity;
    }
    double zm = zb;
    double qt = qb;
    double zt = zb;
    for (int iteration = 1;; ++iteration) {
      const double t = sideTransferAt(tz, xm, zm * arm);
      const double dq = t * kPi * d * delta * arm;
      qt = qb + dq;
      zt = zb + (qb + 0.5 * dq) * delta / rigidity;
      const double zmNext = zb + ((qt + qb) / 2.0 + qb) / 2.0 * (delta / 2.0) / rigidity;
      if (std::fabs(zmNext - zm) <= closure) break;
      if (iteration >= kMaxSegmentIterations) {
        diag.both("     **** FATAL ERROR ****");
        diag.both(fmt::format(
            "     PILE PROPERTY {}, SEGMENT {} (COUNTED FROM THE TIP):", pile.property, k));
        diag.both(fmt::format("     THE {} ITERATION DID NOT CLOSE IN {} ITERATIONS",
                              torsion ? "TWIST" : "MOVEMENT", kMaxSegmentIterations));
        return torsion ? StatusCode::kTorsionTransferNoConvergence
                       : StatusCode::kAxialTransferNoConvergence;
      }
      zm = zmNext;
    }
    qb = qt;
    zb = zt;
    load[nodes - 1 - static_cast<std::size_t>(k)] = qt;
    movement[nodes - 1 - static_cast<std::size_t>(k)] = zt;
  }
  return StatusCode::kCompleted;
}

StatusCode buildLoadSettlementCurve(const AxialPile& pile, const SoilProfile& profile,
                                    int unitsCode, int pass, LoadSettlementCurve& curve,
                                    CurveListings* listings, Diagnostics& diag) {
  if (!passIsValid(pass, diag)) return StatusCode::kInternalError;
  const CurveUnitLabels labels = setUnitLabels(unitsCode);
  TzCurveSet tz;
  StatusCode status = buildTzCurves(pile, profile, unitsCode, tz, diag);
  if (!isOk(status)) return status;
  TipCurve tip;
  status = buildTipCurve(pile, profile, unitsCode, pass, tz, tip, diag);
  if (!isOk(status)) return status;
  status = checkRigidity(pile, Rigidity::kAxial, diag);
  if (!isOk(status)) return status;

  if (listings != nullptr) {
    if (pass == 1) {
      listTzCurves(tz, pile.property, labels, false, listings->tzListing);
    } else {
      listTipCurve(tip, pile.property, labels, listings->tzListing);
    }
  }
  const std::size_t nodes = static_cast<std::size_t>(pile.segments) + 1;
  std::vector<double> load(nodes);
  std::vector<double> movement(nodes);
  TransferTable table{};
  const std::array<double, kTransferPointCount> w = assumedTipMovements(pile.diameter, unitsCode);
  for (std::size_t i = 0; i < w.size(); ++i) {
    const double q = tipLoadAt(tip, w[i]);
    status = transferFromTip(pile, tz, Rigidity::kAxial, unitsCode, q, w[i], load, movement, diag);
    if (!isOk(status)) return status;
    table[i] = {signOf(pass, load[0]), signOf(pass, movement[0]), signOf(pass, w[i]),
                signOf(pass, q)};
    if (listings != nullptr) {
      traceTransfer(pile, false, labels, pass, load, movement, listings->transferTrace);
    }
  }
  if (listings != nullptr) {
    summaryHeading(false, labels, listings->tzListing);
    for (const TransferPoint& p : table) summaryRow(p, listings->tzListing);
  }
  const auto slot = static_cast<std::size_t>(pass - 1);
  curve.tz = std::move(tz);
  curve.unitsCode = unitsCode;
  curve.tip[slot] = tip;
  curve.table[slot] = table;
  return StatusCode::kCompleted;
}

StatusCode buildTorqueRotationCurve(const AxialPile& pile, const SoilProfile& profile,
                                    int unitsCode, int pass, TorqueRotationCurve& curve,
                                    CurveListings* listings, Diagnostics& diag) {
  if (!passIsValid(pass, diag)) return StatusCode::kInternalError;
  const CurveUnitLabels labels = setUnitLabels(unitsCode);
  TzCurveSet tz;
  StatusCode status = buildTzCurves(pile, profile, unitsCode, tz, diag);
  if (!isOk(status)) return status;
  TipSoil tip;
  status = findTipSoil(pile, profile, unitsCode, pass, tip, diag);
  if (!isOk(status)) return status;
  // The tip carries no torque; these checks only mirror the axial ones. Here the clay-like tips
  // are codes 1, 2, 3 and 6 (code 10 counts with the sands). Code 5 is left out as in the axial
  // build: its strain at 50 % is always zeroed, so checking it would refuse every driven pile
  // ending in soil known only by its p-y curves.
  const int code = tip.code;
  if (!pile.drilled() && (code == 1 || code == 2 || code == 3 || code == 6)) {
    if (std::fabs(tip.e50) < 1.0e-14) {
      diag.both("     **** WARNING ****");
      diag.both("     THE VALUE OF E50 AT TIP OF PILE IS EQUAL TO ZERO, TR CURVE");
      return StatusCode::kTorqueRotationZeroE50;
    }
    if (std::fabs(tip.capacity) < 1.0e-14) {
      diag.both("     **** WARNING ****");
      diag.both("     THE VALUE OF COHESION AT TIP OF PILE IS EQUAL TO ZERO, TR CURVE");
      return StatusCode::kTorqueRotationZeroCohesion;
    }
  }
  status = checkRigidity(pile, Rigidity::kTorsional, diag);
  if (!isOk(status)) return status;

  if (listings != nullptr && pass == 1) {
    listTzCurves(tz, pile.property, labels, true, listings->tzListing);
  }
  const std::size_t nodes = static_cast<std::size_t>(pile.segments) + 1;
  std::vector<double> torque(nodes);
  std::vector<double> twist(nodes);
  TransferTable table{};
  const std::array<double, kTransferPointCount> theta = assumedTipTwists(pile.diameter, unitsCode);
  for (std::size_t i = 0; i < theta.size(); ++i) {
    status = transferFromTip(pile, tz, Rigidity::kTorsional, unitsCode, 0.0, theta[i], torque,
                             twist, diag);
    if (!isOk(status)) return status;
    table[i] = {signOf(pass, torque[0]), signOf(pass, twist[0]), signOf(pass, theta[i]), 0.0};
    if (listings != nullptr) {
      traceTransfer(pile, true, labels, pass, torque, twist, listings->transferTrace);
    }
  }
  if (listings != nullptr) {
    summaryHeading(true, labels, listings->tzListing);
    for (const TransferPoint& p : table) summaryRow(p, listings->tzListing);
  }
  curve.table[static_cast<std::size_t>(pass - 1)] = table;
  return StatusCode::kCompleted;
}

JoinedCurve joinPasses(const TransferTable& uplift, const TransferTable& compression) {
  JoinedCurve c{};
  const std::size_t n = uplift.size();
  for (std::size_t i = 0; i < n; ++i) {
    const TransferPoint& p = uplift[n - 1 - i];
    c[i] = {p.headMovement, p.headLoad};
  }
  c[n] = {0.0, 0.0};
  for (std::size_t i = 0; i < n; ++i) {
    c[n + 1 + i] = {compression[i].headMovement, compression[i].headLoad};
  }
  return c;
}

StatusCode buildLoadSettlementCurves(const AxialPile& pile, const SoilProfile& profile,
                                     int unitsCode, LoadSettlementCurve& curve,
                                     CurveListings* listings, Diagnostics& diag) {
  LoadSettlementCurve c;
  for (int pass = 1; pass <= 2; ++pass) {
    const StatusCode status =
        buildLoadSettlementCurve(pile, profile, unitsCode, pass, c, listings, diag);
    if (!isOk(status)) return status;
  }
  c.joined = joinPasses(c.table[0], c.table[1]);
  c.pointCount = kJoinedPointCount;
  curve = std::move(c);
  return StatusCode::kCompleted;
}

StatusCode buildTorqueRotationCurves(const AxialPile& pile, const SoilProfile& profile,
                                     int unitsCode, TorqueRotationCurve& curve,
                                     CurveListings* listings, Diagnostics& diag) {
  TorqueRotationCurve c;
  for (int pass = 1; pass <= 2; ++pass) {
    const StatusCode status =
        buildTorqueRotationCurve(pile, profile, unitsCode, pass, c, listings, diag);
    if (!isOk(status)) return status;
  }
  c.joined = joinPasses(c.table[0], c.table[1]);
  c.pointCount = kJoinedPointCount;
  curve = c;
  return StatusCode::kCompleted;
}

StatusCode buildCurveStore(const AnalysisModel& model, const SoilProfile& profile, int unitsCode,
                           std::span<const CurveRequest> requests, CurveStore& store,
                           CurveListings* listings, Diagnostics& diag) {
  CurveStore s;
  s.properties.resize(model.properties.size());
  const auto requestOf = [&requests](std::size_t i) {
    return i < requests.size() ? requests[i] : CurveRequest{};
  };
  for (std::size_t i = 0; i < s.properties.size(); ++i) {
    PropertyCurves& p = s.properties[i];
    StatusCode status =
        axialPileOf(model, static_cast<int>(i), requestOf(i).headDepth, p.pile, diag);
    if (!isOk(status)) return status;
    status =
        buildLoadSettlementCurves(p.pile, profile, unitsCode, p.loadSettlement, listings, diag);
    if (!isOk(status)) return status;
  }
  for (std::size_t i = 0; i < s.properties.size(); ++i) {
    if (!requestOf(i).torqueRotation) continue;
    PropertyCurves& p = s.properties[i];
    const StatusCode status =
        buildTorqueRotationCurves(p.pile, profile, unitsCode, p.torqueRotation, listings, diag);
    if (!isOk(status)) return status;
    p.hasTorqueRotation = true;
  }
  store = std::move(s);
  return StatusCode::kCompleted;
}

StatusCode solveAxialTransfer(const AxialPile& pile, const LoadSettlementCurve& curve,
                              double headMovement, std::span<double> load,
                              std::span<double> movement, AxialTransferResult& result,
                              Diagnostics& diag) {
  const auto nodes = static_cast<std::size_t>(std::max(pile.segments, 0)) + 1;
  if (pile.segments < 1 || load.size() < nodes || movement.size() < nodes) {
    diag.both("     LOAD TRANSFER: NODE ARRAYS SHORTER THAN THE PILE'S SEGMENTS");
    return StatusCode::kInternalError;
  }
  if (headMovement == 0.0) {
    for (std::size_t i = 0; i < nodes; ++i) load[i] = movement[i] = 0.0;
    result = {0.0, kWithinTable};
    return StatusCode::kCompleted;
  }
  const bool uplift = headMovement < 0.0;
  const int pass = uplift ? 1 : 2;
  const auto slot = static_cast<std::size_t>(pass - 1);
  const TransferTable& table = curve.table[slot];
  // The uplift table holds negated values; the transfer itself works with magnitudes.
  const auto head = [&](std::size_t i) { return std::fabs(table[i].headMovement); };
  const auto tip = [&](std::size_t i) { return std::fabs(table[i].tipMovement); };
  const double u = std::fabs(headMovement);
  const std::size_t last = table.size() - 1;
  int code = kWithinTable;
  double w = 0.0;
  if (u < head(0)) {
    code = kBelowTable;
    // Below the first stored row the tip movement grows from zero in proportion to the head
    // movement, as the load-settlement curve rises from its origin to its first point. The first
    // row's tip movement for every smaller head movement would make the head load jump at zero
    // movement and stay flat just above it: no axial stiffness there, and a cap iteration that
    // starts from rest meets a singular stiffness matrix.
    w = head(0) > 0.0 ? tip(0) * (u / head(0)) : tip(0);
  } else if (u > head(last)) {
    code = kAboveTable;
    w = tip(last);
  } else {
    std::size_t k = 0;
    while (k < last && head(k) < u) ++k;
    if (k == 0 || head(k) == u) {
      w = tip(k);  // on a stored row: exactly its tip movement
    } else {
      const double span = head(k) - head(k - 1);
      w = span > 0.0 ? tip(k - 1) + (tip(k) - tip(k - 1)) * (u - head(k - 1)) / span : tip(k);
    }
  }
  const double q = tipLoadAt(curve.tip[slot], w);
  const StatusCode status = transferFromTip(pile, curve.tz, Rigidity::kAxial, curve.unitsCode, q, w,
                                            load, movement, diag);
  if (!isOk(status)) return status;
  if (uplift) {
    for (std::size_t i = 0; i < nodes; ++i) {
      load[i] = 0.0 - load[i];
      movement[i] = 0.0 - movement[i];
    }
  }
  result = {load[0], code};
  return StatusCode::kCompleted;
}

}  // namespace stilt
