#include "analysis/group_piles.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <initializer_list>
#include <optional>

namespace stilt {
namespace {

constexpr double kSameDepth = 1.0e-6;

// Free-field soil movement at a depth below the ground: linear between the table's points, none
// outside them.
std::pair<double, double> soilMovementAt(const std::vector<SoilMovementPoint>& table, double x) {
  if (table.size() < 2) {
    if (table.size() == 1 && std::fabs(table[0].depth - x) < kSameDepth) {
      return {table[0].moveY, table[0].moveZ};
    }
    return {0.0, 0.0};
  }
  if (x < table.front().depth - kSameDepth || x > table.back().depth + kSameDepth) return {0, 0};
  for (std::size_t i = 1; i < table.size(); ++i) {
    if (table[i].depth < x) continue;
    const SoilMovementPoint& a = table[i - 1];
    const SoilMovementPoint& b = table[i];
    const double span = b.depth - a.depth;
    const double t = span > kSameDepth ? std::clamp((x - a.depth) / span, 0.0, 1.0) : 1.0;
    return {a.moveY + t * (b.moveY - a.moveY), a.moveZ + t * (b.moveZ - a.moveZ)};
  }
  return {table.back().moveY, table.back().moveZ};
}

std::string exponent(int width, int decimals, double v) {
  return fmt::format("{:>{}}", fmt::format("{:.{}E}", v, decimals), width);
}

// The three lines an apparent failure leaves on the warnings work file.
std::vector<std::string> failureBlock(const char* kind, int pile, const char* movementLabel,
                                      double movement, double exceeded, const char* forceLabel,
                                      double force) {
  return {"", fmt::format("     ** WARNING **  {}  PILE GROUP{:5d}", kind, pile),
          fmt::format("{}{}{} > {}     {}{}", std::string(20, ' '), movementLabel,
                      exponent(12, 4, movement), exponent(12, 4, exceeded), forceLabel,
                      exponent(12, 4, force))};
}

// Values at the N + 1 nodes of the property's own mesh (the axial pile's segments), held in the
// first N + 1 entries of `v`, spread over the N·K + 1 nodes of the lateral mesh refined K times:
// linear between the property's nodes. Done in place from the tip up, each entry read before it
// is overwritten.
void spreadOverRefinedNodes(RealNodeArray& v, int coarse, int refine) {
  if (refine <= 1) return;
  for (int m = coarse * refine; m >= 0; --m) {
    const int j = m / refine;
    const int r = m % refine;
    const std::size_t k = static_cast<std::size_t>(m);
    if (r == 0) {
      v[k] = v[static_cast<std::size_t>(j)];
    } else {
      const double a = v[static_cast<std::size_t>(j)];
      const double b = v[static_cast<std::size_t>(j + 1)];
      v[k] = a + (b - a) * r / refine;
    }
  }
}

HeadCurve userCurve(const UserCurve& c) {
  HeadCurve h;
  for (const ForceDisplacement& p : c.points) h.push_back({p.displacement, p.force});
  return h;
}

}  // namespace

CurveLookup lookUpHeadCurve(const HeadCurve& curve, double movement) {
  CurveLookup r;
  if (movement == 0.0 || curve.empty()) return r;
  if (movement < curve.front().movement) {
    r.failure = -1;
    r.exceeded = curve.front().movement;
    return r;
  }
  for (std::size_t k = 1; k < curve.size(); ++k) {
    if (curve[k].movement < movement) continue;
    const HeadCurvePoint& a = curve[k - 1];
    const HeadCurvePoint& b = curve[k];
    const double span = b.movement - a.movement;
    r.force = span > 0.0 ? a.force + (b.force - a.force) * (movement - a.movement) / span : b.force;
    return r;
  }
  if (curve.size() == 1 && movement == curve.front().movement) {
    r.force = curve.front().force;
    return r;
  }
  r.failure = 1;
  r.exceeded = curve.back().movement;
  return r;
}

namespace {

// Slope of the segment of a head curve that ends at point k.
double segmentSlope(const HeadCurve& c, std::size_t k) {
  const double span = c[k].movement - c[k - 1].movement;
  return span > 0.0 ? (c[k].force - c[k - 1].force) / span : 0.0;
}

}  // namespace

double headCurveSlope(const HeadCurve& curve, double movement) {
  const std::size_t n = curve.size();
  if (n < 2 || movement < curve.front().movement || movement > curve.back().movement) return 0.0;
  std::size_t k = 1;  // the first point at or beyond the movement, as the lookup finds it
  while (k + 1 < n && curve[k].movement < movement) ++k;
  if (curve[k].movement != movement) return segmentSlope(curve, k);
  const double before = segmentSlope(curve, k);
  // At the last point there is no segment beyond: the last one stands for it.
  if (k + 1 >= n) return before;
  const double after = segmentSlope(curve, k + 1);
  if (movement > 0.0) return after;
  if (movement < 0.0) return before;
  return 0.5 * (before + after);
}

StatusCode GroupPiles::build(const AnalysisModel& model, const PreparedRun& prepared,
                             const PileItemSettings& settings, std::unique_ptr<GroupPiles>& out,
                             Diagnostics& diag) {
  auto group = std::make_unique<GroupPiles>();
  group->model_ = &model;
  group->prepared_ = &prepared;
  group->settings_ = settings;
  const ControlSwitches& sw = model.switches;
  const std::size_t count = model.pileRows.size();
  group->piles_.reserve(count);
  group->userCurves_.resize(model.userLoadSettlementCurves.size());
  for (std::size_t k = 0; k < model.userLoadSettlementCurves.size(); ++k) {
    group->userCurves_[k] = userCurve(model.userLoadSettlementCurves[k]);
  }
  group->userTorsion_.resize(model.userTorqueRotationCurves.size());
  for (std::size_t k = 0; k < model.userTorqueRotationCurves.size(); ++k) {
    group->userTorsion_[k] = userCurve(model.userTorqueRotationCurves[k]);
  }

  // The sections of a property are the same for every pile that uses it.
  std::vector<std::optional<LateralPileModel>> sections(model.properties.size());
  for (std::size_t i = 0; i < count; ++i) {
    const PileGroupRow& row = model.pileRows[i];
    const std::size_t prop = static_cast<std::size_t>(row.property - 1);
    if (!sections[prop]) {
      LateralPileModel built;
      const StatusCode s = buildPileSections(model, row.property, built, diag, settings.refine);
      if (!isOk(s)) return s;
      sections[prop] = built;
    }
    Pile& p = group->piles_.emplace_back();
    p.number = static_cast<int>(i) + 1;
    p.geometry = prepared.layout[i];
    p.rotation = rotationMatrix(p.geometry);
    p.lateral = *sections[prop];
    LateralPileModel& lat = p.lateral;
    const int n = lat.increments;
    const double h = lat.increment;
    p.length = model.properties[prop].length;
    lat.pileNumber = p.number;
    lat.headY = HeadConnection{row.connectY, row.springY};
    lat.headZ = HeadConnection{row.connectZ, row.springZ};
    lat.maxIterations = settings.maxIterations;
    lat.tolerance = settings.tolerance;
    if (settings.loads != nullptr && i < settings.loads->piles.size()) {
      const PileNodeLoads& q = settings.loads->piles[i];
      for (int m = 0; m <= n && m < q.nodeCount; ++m) {
        lat.loadY[static_cast<std::size_t>(m)] = q.qy[static_cast<std::size_t>(m)];
        lat.loadZ[static_cast<std::size_t>(m)] = q.qz[static_cast<std::size_t>(m)];
      }
    }
    // Depth of every node below the ground surface at the pile: the head's X plus the distance
    // along the pile, less the ground's X.
    std::vector<double> depths(static_cast<std::size_t>(n + 1));
    std::vector<double> widths(static_cast<std::size_t>(n + 1));
    for (int m = 0; m <= n; ++m) {
      depths[static_cast<std::size_t>(m)] = row.x + m * h - row.ground;
      widths[static_cast<std::size_t>(m)] = lat.sections[static_cast<std::size_t>(m)].diameter;
    }
    if (sw.soilMovement()) {
      lat.soilMovement = true;
      const PileGeometry& g = p.geometry;
      for (int m = 0; m <= n; ++m) {
        const auto [my, mz] =
            soilMovementAt(model.soilMovement, depths[static_cast<std::size_t>(m)]);
        // The table moves the soil along global Y and Z; the pile feels it in its own axes.
        lat.movementY[static_cast<std::size_t>(m)] = g.cosA * g.sinB * my + g.sinA * g.sinB * mz;
        lat.movementZ[static_cast<std::size_t>(m)] = model.is2d() ? 0.0 : g.cosA * mz - g.sinA * my;
      }
    }

    const UserPyCurveSet* ownCurves =
        sw.userPyCurves() && row.pyCurveSet > 0
            ? &model.userPyCurveSets[static_cast<std::size_t>(row.pyCurveSet - 1)]
            : nullptr;
    // A pile on its own p-y curves needs no soil layers below it; any other pile must end within
    // the profile.
    if (ownCurves == nullptr) {
      const double bottom = prepared.profile.bottom();
      for (int m = 0; m <= n; ++m) {
        if (prepared.profile.empty() || depths[static_cast<std::size_t>(m)] > bottom + kSameDepth) {
          p.belowProfile = true;
          break;
        }
      }
    }
    if (!p.belowProfile) {
      PySoilInput in;
      in.profile = &prepared.profile;
      in.depths = depths;
      in.widths = widths;
      in.cyclic = settings.cyclic;
      in.cycles = settings.cycles;
      in.userCurves = ownCurves;
      in.reductionFactors =
          sw.depthReductionFactors() && row.reductionSet > 0
              ? &model.reductionFactorSets[static_cast<std::size_t>(row.reductionSet - 1)]
              : nullptr;
      const StatusCode s = PySoil::build(in, p.soil, diag);
      if (!isOk(s)) return s;
    }

    if (row.lsCurve > 0) {
      p.axialCurve = &group->userCurves_[static_cast<std::size_t>(row.lsCurve - 1)];
      p.userAxial = true;
    } else {
      const std::size_t k =
          static_cast<std::size_t>(row.lsCurve == 0 ? row.property : -row.lsCurve) - 1;
      p.axialCurve = &prepared.loadSettlement[k];
      if (k < prepared.curves.properties.size()) p.generated = &prepared.curves.properties[k];
    }
    if (model.is3d()) {
      if (row.trCurve > 0) {
        p.torsionCurve = &group->userTorsion_[static_cast<std::size_t>(row.trCurve - 1)];
      } else {
        const std::size_t k =
            static_cast<std::size_t>(row.trCurve == 0 ? row.property : -row.trCurve) - 1;
        p.torsionCurve = &prepared.torqueRotation[k];
      }
    }
    p.torsionFree = row.connectY == kConnectionPinned || row.connectZ == kConnectionPinned;
    // A two-dimensional row stands for its piles side by side: it carries their sum.
    p.count = model.is2d() ? row.pilesInRow : 1;
    p.axialFactor = sw.axialLoadFactor() ? row.axialLoadFactor : 1.0;
  }
  out = std::move(group);
  return StatusCode::kCompleted;
}

StatusCode GroupPiles::analysePile(int index, const Vector6& ug, const PileCallOptions& options,
                                   PileWorkspace& workspace, PileOutcome& out) const {
  GroupPileWorkspace& ws = static_cast<GroupPileWorkspace&>(workspace);
  const Pile& p = piles_[static_cast<std::size_t>(index)];
  const Vector6 u = multiply(p.rotation, ug);
  const int n = p.lateral.increments;
  // The axial pile keeps the property's own segments; its values are spread over the lateral
  // mesh.
  const int refine = std::max(settings_.refine, 1);
  const int coarse = n / refine;
  ws.axialLoad.reserveAtLeast(realNodeCount(n));
  ws.axialMovement.reserveAtLeast(realNodeCount(n));

  // Axial spring: the head curve, or the direct solution along the pile when the load case asks
  // for the axial load distribution and the curve is a generated one.
  ws.axialDistribution = false;
  double axial = 0.0;
  const CurveLookup a = lookUpHeadCurve(*p.axialCurve, u[0]);
  if (a.failure != 0) {
    if (options.collectWarnings) {
      if (a.failure > 0) {
        out.bearingFailures = 1;
        out.bearingBlock = failureBlock("APPARENT FAILURE IN BEARING    ,", p.number,
                                        "AX. DISP.=", u[0], a.exceeded, "AX. FORCE=", 0.0);
      } else {
        out.pullOutFailures = 1;
        out.pullOutBlock = failureBlock("APPARENT FAILURE IN PULL OUT    ", p.number,
                                        "AX. DISP.=", u[0], a.exceeded, "AX. FORCE=", 0.0);
      }
    }
  } else if (settings_.axialDistribution && !p.userAxial && p.generated != nullptr) {
    const std::span<double> load(ws.axialLoad.data(), realNodeCount(coarse));
    const std::span<double> movement(ws.axialMovement.data(), realNodeCount(coarse));
    AxialTransferResult transfer;
    const StatusCode s = solveAxialTransfer(p.generated->pile, p.generated->loadSettlement, u[0],
                                            load, movement, transfer, out.diag);
    if (!isOk(s)) return s;
    spreadOverRefinedNodes(ws.axialLoad, coarse, refine);
    spreadOverRefinedNodes(ws.axialMovement, coarse, refine);
    for (int m = 0; m <= n; ++m) ws.axialLoad[static_cast<std::size_t>(m)] *= p.axialFactor;
    axial = transfer.headLoad;
    ws.axialDistribution = true;
  } else {
    axial = a.force;
  }
  axial *= p.axialFactor;

  // Torsional spring. The twist is looked up on the curve for every pile, so that a twist beyond
  // it is reported; a head pinned in either plane then transmits no torque.
  double torque = 0.0;
  if (p.torsionCurve != nullptr) {
    const CurveLookup t = lookUpHeadCurve(*p.torsionCurve, u[3]);
    if (t.failure != 0) {
      if (options.collectWarnings) {
        out.torsionFailures = 1;
        out.torsionBlock = failureBlock("APPARENT FAILURE IN TORSION     ", p.number,
                                        "ROTATION =", u[3], t.exceeded, "T. MOMENT=", 0.0);
      }
    } else if (!p.torsionFree) {
      torque = t.force;
    }
  }

  if (p.belowProfile) {
    const UnitLabels units = unitLabels(model_->switches.unitsCode());
    const std::string unit = units.length.substr(units.length.find_first_not_of(' '));
    for (int k = 0; k < 3; ++k) out.diag.both("");
    out.diag.both("     **** FATAL ERROR ****");
    out.diag.both(fmt::format("     THE PILE LENGTH, {} ({}), EXTENDS BELOW THE",
                              exponent(10, 2, p.length), unit));
    out.diag.both("     BOTTOM OF THE DEEPEST LAYER.");
    return model_->is2d() ? StatusCode::kPileBelowDeepestLayer2d
                          : StatusCode::kPileBelowDeepestLayer;
  }

  PileHeadInput head;
  head.deflectionY = u[1];
  head.slopeY = -u[5];
  head.deflectionZ = u[2];
  head.slopeZ = u[4];
  head.axialLoad = axial;
  head.torque = torque;
  head.axialDisplacement = u[0];
  head.twist = u[3];
  head.loadFraction = options.loadFraction;
  if (options.headStiffness != nullptr) {
    // In pile axes the stiffness is R k R^T; the pile opposes the displacement, so its
    // equivalent stiffness is the negated diagonal term, per pile of a two-dimensional row.
    const Matrix6 local =
        multiply(p.rotation, multiply(*options.headStiffness, transpose(p.rotation)));
    for (std::size_t k = 0; k < 6; ++k) head.fallbackStiffness[k] = -local[k][k] / p.count;
  }
  if (ws.axialDistribution) head.axialForce = &ws.axialLoad;
  // The group-reduction multipliers the cap solver holds for this pile now.
  ws.multipliers = PyMultipliers{options.pMultiplier, options.yMultiplier};
  head.multipliers = &ws.multipliers;
  ws.head = head;
  PileResults* results = options.finalResults ? &ws.results : nullptr;
  // Everything the lateral solution depends on besides the pile itself: the head deflections and
  // slopes, the axial force (and, with the axial load distribution, the axial movement it comes
  // from), the group-reduction multipliers and the load fraction. The torque, the twist and the
  // axial movement alone only enter the pile-top equivalent stiffnesses.
  const std::array<std::uint64_t, 9> inputs = {
      std::bit_cast<std::uint64_t>(head.deflectionY),
      std::bit_cast<std::uint64_t>(head.slopeY),
      std::bit_cast<std::uint64_t>(head.deflectionZ),
      std::bit_cast<std::uint64_t>(head.slopeZ),
      std::bit_cast<std::uint64_t>(head.axialLoad),
      ws.axialDistribution ? std::bit_cast<std::uint64_t>(u[0]) : ~std::uint64_t{0},
      std::bit_cast<std::uint64_t>(ws.multipliers.p),
      std::bit_cast<std::uint64_t>(ws.multipliers.y),
      std::bit_cast<std::uint64_t>(head.loadFraction)};
  GroupPileWorkspace::KeptLateral& kept = ws.kept;
  if (options.reuseLateral && !options.finalResults && kept.group == this && kept.pile == index &&
      kept.inputs == inputs) {
    ws.solution = kept.solution;
    if (ws.solution.converged) ws.solution.headStiffness = pileTopStiffness(head, ws.solution);
    out.diag.append(kept.diag);
  } else {
    const std::size_t reportLines = out.diag.report.size();
    const std::size_t runtimeLines = out.diag.runtime.size();
    ws.solution = solveLaterallyLoadedPile(p.lateral, head, p.soil, ws.lateral, results, out.diag);
    ++ws.lateralSolves;
    if (options.keepLateral && !options.finalResults) {
      kept.group = this;
      kept.pile = index;
      kept.inputs = inputs;
      kept.solution = ws.solution;
      kept.diag.report.assign(out.diag.report.begin() + static_cast<std::ptrdiff_t>(reportLines),
                              out.diag.report.end());
      kept.diag.runtime.assign(out.diag.runtime.begin() + static_cast<std::ptrdiff_t>(runtimeLines),
                               out.diag.runtime.end());
    }
  }
  const LateralPileSolution& s = ws.solution;
  if (!isOk(s.status)) return s.status;
  if (!s.converged) out.lateralNotConverged = true;
  if (s.converged && s.hingeNode >= 0) {
    out.plasticHinge = true;
    // Reported with the final results of the item: the state the engineer designs for.
    if (options.finalResults) {
      out.diag.both(
          fmt::format("     ** WARNING **  PLASTIC HINGE IS FORMED IN GROUP{:5d}", p.number));
    }
  }

  // The force the pile exerts on the cap, in pile axes, then in global axes.
  const Vector6 f{-axial, -s.shearY, -s.shearZ, -torque, s.momentZ, -s.momentY};
  out.force = multiplyTransposed(p.rotation, f);
  if (p.count != 1) {
    for (double& component : out.force) component *= p.count;
  }

  if (options.finalResults) {
    ws.globalDisplacement = ug;
    ws.localDisplacement = u;
    ws.localForce = f;
    if (ws.axialDistribution) {
      for (int m = 0; m <= n; ++m) {
        const std::size_t k = static_cast<std::size_t>(m);
        ws.results.values[quantity::kAxialDisplacement][k] = ws.axialMovement[k];
        ws.results.values[quantity::kAxialForce][k] = ws.axialLoad[k];
      }
      RotationMatrix r{};
      for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) r[i][j] = p.rotation[i][j];
      }
      fillGlobalDisplacements(r, ws.results);
    }
    ws.maxStress = 0.0;
    for (int m = 0; m <= n; ++m) {
      ws.maxStress = std::max(ws.maxStress, std::fabs(ws.results.at(quantity::kTotalStress, m)));
    }
  }
  return StatusCode::kCompleted;
}

StatusCode GroupPiles::tangentHeadStiffness(int index, const Vector6& ug,
                                            const PileCallOptions& options,
                                            PileWorkspace& workspace, PileOutcome& out,
                                            Matrix6& k) const {
  k = {};
  // The converged state at the head displacement itself, unless the workspace holds it already.
  out.clear();
  if (!options.stateAtHead) {
    PileCallOptions plain = options;
    plain.collectWarnings = false;
    plain.finalResults = false;
    const StatusCode status = analysePile(index, ug, plain, workspace, out);
    if (!isOk(status) || out.lateralNotConverged) return status;
  }
  GroupPileWorkspace& ws = static_cast<GroupPileWorkspace&>(workspace);
  const Pile& p = piles_[static_cast<std::size_t>(index)];
  const Vector6 u = multiply(p.rotation, ug);
  const int n = p.lateral.increments;
  const int refine = std::max(settings_.refine, 1);
  const int coarse = n / refine;

  // Axial spring: the slope of the head curve, or, with the direct axial solution along the
  // pile, its central difference (a few load-transfer passes, no lateral solve) with the head
  // perturbation of the cap solver's differences.
  AxialForceRate rate;
  double axialSlope = 0.0;
  if (ws.axialDistribution) {
    const double delta = model_->switches.unitsCode() == 2 ? 2.54e-9 : 1.0e-7;
    const std::size_t nodes = realNodeCount(coarse);
    for (RealNodeArray* a :
         {&ws.axialScratchLoad, &ws.axialScratchLoad2, &ws.axialScratchMovement, &ws.axialRate}) {
      a->reserveAtLeast(realNodeCount(n));
    }
    AxialTransferResult plus;
    AxialTransferResult minus;
    StatusCode s = solveAxialTransfer(p.generated->pile, p.generated->loadSettlement, u[0] + delta,
                                      std::span<double>(ws.axialScratchLoad.data(), nodes),
                                      std::span<double>(ws.axialScratchMovement.data(), nodes),
                                      plus, out.diag);
    if (!isOk(s)) return s;
    s = solveAxialTransfer(p.generated->pile, p.generated->loadSettlement, u[0] - delta,
                           std::span<double>(ws.axialScratchLoad2.data(), nodes),
                           std::span<double>(ws.axialScratchMovement.data(), nodes), minus,
                           out.diag);
    if (!isOk(s)) return s;
    const double scale = p.axialFactor * 0.5 / delta;
    for (std::size_t m = 0; m < nodes; ++m) {
      ws.axialRate[m] = (ws.axialScratchLoad[m] - ws.axialScratchLoad2[m]) * scale;
    }
    spreadOverRefinedNodes(ws.axialRate, coarse, refine);
    axialSlope = (plus.headLoad - minus.headLoad) * scale;
    rate.nodes = &ws.axialRate;
  } else {
    axialSlope = headCurveSlope(*p.axialCurve, u[0]) * p.axialFactor;
  }
  rate.head = axialSlope;
  double torsionSlope = 0.0;
  if (p.torsionCurve != nullptr && !p.torsionFree) {
    torsionSlope = headCurveSlope(*p.torsionCurve, u[3]);
  }

  LateralHeadTangent lateral;
  const StatusCode s = linearisedPileHead(p.lateral, ws.head, p.soil, rate, ws.lateral, ws.tangent,
                                          lateral, out.diag);
  if (!isOk(s)) return s;

  // Local stiffness df/du, f = (-P, -Vy, -Vz, -T, +M(z plane), -M(y plane)); the y plane is
  // driven by (u2, -u6), the z plane by (u3, u5); the axial force by u1.
  Matrix6 local{};
  local[0][0] = -axialSlope;
  local[3][3] = -torsionSlope;
  struct Row {
    std::size_t force;  // component of f
    std::size_t rate;   // row of the lateral rates
    double sign;
  };
  constexpr std::array<Row, 4> rows{{{1, 0, -1.0}, {2, 1, -1.0}, {4, 3, 1.0}, {5, 2, -1.0}}};
  for (const Row& r : rows) {
    const auto& d = lateral.rate[r.rate];
    local[r.force][0] = r.sign * d[4];
    local[r.force][1] = r.sign * d[0];
    local[r.force][5] = -r.sign * d[1];
    local[r.force][2] = r.sign * d[2];
    local[r.force][4] = r.sign * d[3];
  }
  // Global axes: F = R^T f(R u), so k = R^T (df/du) R; a two-dimensional row carries its piles.
  k = multiply(transpose(p.rotation), multiply(local, p.rotation));
  if (p.count != 1) {
    for (auto& row : k) {
      for (double& v : row) v *= p.count;
    }
  }
  return StatusCode::kCompleted;
}

}  // namespace stilt
