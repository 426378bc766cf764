#include "analysis/printed_curves.hpp"

#include <fmt/format.h>
#include <algorithm>
#include <cmath>

#include "report/cells.hpp"
#include "report/group_factors.hpp"
#include "soil/py_node_soil.hpp"

namespace stilt {
namespace {

constexpr double kSameLevel = 1.0e-6;
constexpr const char* kIndent = "     ";

std::string integerValue(long long v) {
  return formatIntegerCell(5, v);
}
std::string depthValue(double v) {
  return formatRealCell(13, 5, v);
}

std::string labelled(const char* label, const std::string& value) {
  return std::string(kIndent) + label + value;
}

// The three lines every refused request at a depth along a pile opens with.
std::vector<std::string> refusedHead(const PrintedCurveResult& r) {
  return {labelled("CURVE NUMBER              =", integerValue(r.number)),
          labelled("PILE GROUP NUMBER         =", integerValue(r.pileGroup)),
          std::string(kIndent) + "CURVE NOT GENERATED SINCE REQUIRED DEPTH,"};
}

void refuse(PrintedCurveResult& r, std::initializer_list<std::string> tail) {
  r.message = refusedHead(r);
  for (const std::string& t : tail) r.message.push_back(kIndent + t);
}

// The block of a request the pile geometry refuses; false for one that goes on to the soil.
bool geometricRefusal(PrintedCurveResult& r) {
  switch (r.status) {
    case CurveRequestStatus::kSecondAtCapLevel:
      r.message = {labelled("CURVE NUMBER              =", integerValue(r.number)),
                   labelled("AT PILE CAP LEVEL, DEPTH  =", depthValue(r.depth)),
                   std::string(kIndent) + "CURVE NOT GENERATED SINCE ONLY ONE CURVE",
                   std::string(kIndent) + "AT PILE CAP LEVEL CAN BE PRINTED"};
      return true;
    case CurveRequestStatus::kAtOrAboveGround:
      refuse(r, {"IS ABOVE OR EQUAL TO THE SOIL GROUND", "FOR REQUIRED PILE,"});
      return true;
    case CurveRequestStatus::kBelowTip:
      refuse(r, {"IS BELOW TIP OF REQUIRED PILE,"});
      return true;
    case CurveRequestStatus::kAboveCapTop:
      refuse(r, {"IS ABOVE TOP OF PILE CAP,"});
      return true;
    case CurveRequestStatus::kAbovePileTop:
      refuse(r, {"IS ABOVE TOP OF REQUIRED PILE,"});
      return true;
    default:
      return false;
  }
}

// The block of a request the soil profile refuses (x below the ground surface); false when a
// curve can be generated there.
bool soilRefusal(PrintedCurveResult& r, const SoilProfile& profile, double x) {
  const std::vector<ProfileLayer>& layers = profile.layers();
  if (!layers.empty() && x <= layers.front().top + kSameLevel) {
    refuse(r, {"IS ABOVE OR EQUAL TO THE DEFINED SOIL TOP,"});
    return true;
  }
  if (layers.empty() || x >= layers.back().bottom - kSameLevel) {
    refuse(r, {"IS BELOW OR EQUAL TO THE DEFINED SOIL BOTTOM,"});
    return true;
  }
  const int li = layerIndexAt(profile, x);
  if (layers[static_cast<std::size_t>(li)].type == SoilType::kUserCurves) {
    refuse(r, {"IS WITHIN LAYER" + integerValue(li + 1) +
               ", WHICH IS SET AS USER DEFINED P-Y CURVES"});
    return true;
  }
  r.soilCode = layers[static_cast<std::size_t>(li)].code;
  return false;
}

// A pile whose springs were not prepared (it reaches below the profile, and no item analysed
// it): the springs of the one requested depth, prepared as the pile's own would be.
StatusCode singleNodeSoil(const AnalysisModel& model, const PreparedRun& prepared, int pile,
                          double x, double width, PySoil& soil, Diagnostics& diag) {
  const PileGroupRow& row = model.pileRows[static_cast<std::size_t>(pile)];
  const ControlSwitches& sw = model.switches;
  const double depths[] = {x};
  const double widths[] = {width};
  PySoilInput in;
  in.profile = &prepared.profile;
  in.depths = depths;
  in.widths = widths;
  in.userCurves = sw.userPyCurves() && row.pyCurveSet > 0
                      ? &model.userPyCurveSets[static_cast<std::size_t>(row.pyCurveSet - 1)]
                      : nullptr;
  in.reductionFactors =
      sw.depthReductionFactors() && row.reductionSet > 0
          ? &model.reductionFactorSets[static_cast<std::size_t>(row.reductionSet - 1)]
          : nullptr;
  return PySoil::build(in, soil, diag);
}

double factorOf(const std::vector<double>& factors, int pile) {
  const std::size_t i = static_cast<std::size_t>(pile);
  return i < factors.size() ? factors[i] : 1.0;
}

}  // namespace

CurveRequestStatus checkCurveRequest(double depth, const PileLevels& l, bool capLevelTaken) {
  if (depth < l.capTop - kSameLevel) return CurveRequestStatus::kAboveCapTop;
  if (depth < l.head - kSameLevel) return CurveRequestStatus::kAbovePileTop;
  if (depth > l.tip + kSameLevel) return CurveRequestStatus::kBelowTip;
  if (depth - l.ground < kSameLevel) return CurveRequestStatus::kAtOrAboveGround;
  if (depth <= l.head + kSameLevel) {
    return capLevelTaken ? CurveRequestStatus::kSecondAtCapLevel : CurveRequestStatus::kAtCapLevel;
  }
  return CurveRequestStatus::kBelowCapLevel;
}

PileLevels pileLevels(const AnalysisModel& model, const PreparedRun& prepared, int pile) {
  const PileGroupRow& row = model.pileRows[static_cast<std::size_t>(pile)];
  PileLevels l;
  l.head = prepared.layout[static_cast<std::size_t>(pile)].x;
  l.ground = prepared.layout[static_cast<std::size_t>(pile)].ground;
  // The analysis places node m at m·h below the head, h = length / increments measured along the
  // pile, so its last node, the tip, lies one pile length below the head.
  l.tip = l.head + model.properties[static_cast<std::size_t>(row.property - 1)].length;
  double highest = l.head;
  for (const PileGeometry& g : prepared.layout) highest = std::min(highest, g.x);
  l.capTop = highest - std::max(0.0, model.cap.thickness);
  return l;
}

StatusCode generatePrintedCurves(const AnalysisModel& model, const PreparedRun& prepared,
                                 const GroupPiles& piles, std::vector<PrintedCurveResult>& out,
                                 Diagnostics& diag) {
  out.clear();
  out.reserve(model.printedCurves.size());
  StatusCode first = StatusCode::kCompleted;
  bool capLevelTaken = false;
  for (std::size_t i = 0; i < model.printedCurves.size(); ++i) {
    const PrintedCurveRequest& q = model.printedCurves[i];
    PrintedCurveResult& r = out.emplace_back();
    r.number = static_cast<int>(i) + 1;
    r.pileGroup = q.pileGroup;
    r.depth = q.depth;
    const int pile = q.pileGroup - 1;
    if (pile < 0 || pile >= piles.pileCount()) {
      // The reader refuses such a request; a model built otherwise gets no curve.
      refuse(r, {"DOES NOT BELONG TO A DEFINED PILE,"});
      continue;
    }
    const PileLevels levels = pileLevels(model, prepared, pile);
    r.status = checkCurveRequest(q.depth, levels, capLevelTaken);
    if (r.status == CurveRequestStatus::kAtCapLevel) capLevelTaken = true;
    if (geometricRefusal(r)) continue;
    const double x = std::max(0.0, q.depth - levels.ground);  // below the ground surface
    if (soilRefusal(r, prepared.profile, x)) continue;

    const PyMultipliers m{factorOf(prepared.factors.pUsed, pile),
                          factorOf(prepared.factors.yUsed, pile)};
    Diagnostics d;
    StatusCode st = StatusCode::kCompleted;
    const PySoil* soil = piles.soil(pile);
    PySoil own;
    if (soil == nullptr) {
      const LateralPileModel& lat = piles.lateralModel(pile);
      const int node = std::clamp(
          static_cast<int>(std::lround((q.depth - levels.head) / std::max(lat.increment, 1e-30))),
          0, lat.increments);
      st = singleNodeSoil(model, prepared, pile, x,
                          lat.sections[static_cast<std::size_t>(node)].diameter, own, d);
      soil = &own;
    }
    if (isOk(st)) st = soil->curveAt(x, soil->widthAt(x), q.deflections, m, r.curve, d);
    r.notes = d.report;
    diag.runtime.insert(diag.runtime.end(), d.runtime.begin(), d.runtime.end());
    if (!isOk(st)) {
      // The generator's own lines say why; the remaining requests are still printed.
      r.curve = PrintedPyCurve{};
      r.message = std::move(r.notes);
      r.notes.clear();
      if (isOk(first)) first = st;
      continue;
    }
    r.generated = true;
  }
  return first;
}

void writePrintedCurves(const AnalysisModel& model, const PreparedRun& prepared,
                        const std::vector<PrintedCurveResult>& curves, TextFile& report,
                        TextFile& plot) {
  const UnitLabels& u = prepared.units;
  report.line();
  report.line();
  report.line(std::string(kIndent) + "* TABLE N *   PRINTED P-Y CURVES");
  report.line();
  report.line(std::string(kIndent) + "* GENERATED P-Y CURVES *");
  report.line();
  report.line(labelled("NUMBER OF CURVES  :", integerValue(static_cast<long long>(curves.size()))));

  plot.line();
  plot.line(" * GENERATED P-Y CURVES *");
  plot.line(" GENERATED P-Y CURVES FOR PILE DIAMETER =" +
            formatRealCell(13, 5, referenceDiameter(model)));
  plot.line(" NUMBER OF CURVES                  =" +
            integerValue(static_cast<long long>(curves.size())));
  plot.line(" NUMBER OF POINTS ON EACH CURVE    = 17");

  for (const PrintedCurveResult& r : curves) {
    const auto points = static_cast<long long>(r.curve.y.size());
    report.line();
    // The plot file: curve number, pile and the number of (y, p) rows that follow; a request
    // that gave no curve has none.
    plot.line(formatIntegerCell(6, r.number) + formatIntegerCell(6, r.pileGroup) +
              formatIntegerCell(6, r.generated ? points : 0));
    if (!r.generated) {
      for (const std::string& l : r.message) report.line(l);
      for (const std::string& l : r.notes) report.line(l);
      continue;
    }
    report.line(labelled("CURVE NUMBER              =", integerValue(r.number)));
    if (r.status == CurveRequestStatus::kAtCapLevel) {
      report.line(labelled("AT PILE CAP LEVEL, DEPTH  =", depthValue(r.depth)));
    } else {
      report.line(labelled("PILE GROUP NUMBER         =", integerValue(r.pileGroup)));
      report.line(labelled("DEPTH                     =", depthValue(r.depth)));
    }
    report.line(labelled("NUMBER OF POINTS ON CURVE =", integerValue(points)));
    report.line();
    for (const std::string& s : soilSentence(r.soilCode)) report.line(kIndent + s);
    report.line();
    if (r.curve.liquefiedSandBlock) {
      report.line(std::string(kIndent) + kLiquefiedSandTitle);
      for (std::size_t k = 0; k < kLiquefiedSandLabels.size(); ++k) {
        report.line(std::string(kIndent) + kLiquefiedSandLabels[k] +
                    formatRealCell(13, 5, r.curve.blockValues[k]));
      }
      report.line(fmt::format("{}{:>15}{:>15}", kIndent, kLiquefiedSandColumns[0],
                              kLiquefiedSandColumns[1]));
    } else {
      report.line(fmt::format("{}{:>15}{:>15}", kIndent, "Y (" + u.length + ")",
                              "P (" + u.forcePerLength + ")"));
    }
    for (std::size_t k = 0; k < r.curve.y.size(); ++k) {
      writeBlanks(report, 5);
      writeRealCell(report, 15, 5, r.curve.y[k]);
      writeRealCell(report, 15, 5, r.curve.p[k]);
      endLine(report);
      plot.line(formatRealCell(18, 8, r.curve.y[k]) + formatRealCell(18, 8, r.curve.p[k]));
    }
    for (const std::string& l : r.notes) report.line(l);
  }
}

StatusCode printPyCurves(const AnalysisModel& model, const PreparedRun& prepared, FileSet& files,
                         std::vector<PrintedCurveResult>* results) {
  if (!model.switches.printedPyCurves()) return StatusCode::kCompleted;
  std::unique_ptr<GroupPiles> piles;
  {
    // The curves are those of static loading. The piles were prepared alike for every analysed
    // item, so their messages were written then; they matter here only when preparing fails.
    Diagnostics build;
    const StatusCode st = GroupPiles::build(model, prepared, PileItemSettings{}, piles, build);
    if (!isOk(st)) {
      for (const std::string& l : build.report) files[Channel::kReport].line(l);
      for (const std::string& l : build.runtime) files[Channel::kRuntime].line(l);
      return st;
    }
  }
  Diagnostics diag;
  std::vector<PrintedCurveResult> curves;
  const StatusCode status = generatePrintedCurves(model, prepared, *piles, curves, diag);
  writePrintedCurves(model, prepared, curves, files[Channel::kReport], files[Channel::kPlot]);
  for (const std::string& l : diag.runtime) files[Channel::kRuntime].line(l);
  if (results != nullptr) *results = std::move(curves);
  return status;
}

}  // namespace stilt
