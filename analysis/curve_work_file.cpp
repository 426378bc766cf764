#include "analysis/curve_work_file.hpp"

#include <fmt/format.h>
#include <algorithm>
#include <bit>
#include <cstring>

#include "soil/axial_pile.hpp"
#include "soil/py_node_soil.hpp"
#include "soil/tz_curves.hpp"

namespace stilt {
namespace {

// The value of pi of the torque-rotation build.
constexpr double kTorsionPi = 3.1416;

void putLittleEndian(std::string& out, std::uint64_t bits, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(static_cast<char>((bits >> (8 * k)) & 0xFFu));
}

double factorOf(const std::vector<double>& factors, int pile) {
  const std::size_t i = static_cast<std::size_t>(pile);
  return i < factors.size() ? factors[i] : 1.0;
}

}  // namespace

StatusCode pileCurves(const AnalysisModel& model, const PreparedRun& prepared,
                      const GroupPiles& piles, int pile, PileCurves& out, Diagnostics& diag) {
  const PileGroupRow& row = model.pileRows[static_cast<std::size_t>(pile)];
  const LateralPileModel& lat = piles.lateralModel(pile);
  const PySoil* soil = piles.soil(pile);
  const int units = prepared.profile.unitsCode();
  const double headDepth = row.x - row.ground;
  out.pile = pile + 1;
  out.torsion = model.is3d();
  out.nodes.assign(static_cast<std::size_t>(lat.increments + 1), NodeCurves{});

  AxialPile axial;
  StatusCode st = axialPileOf(model, row.property - 1, headDepth, axial, diag);
  if (!isOk(st)) return st;
  if (soil == nullptr) {
    // Only a run that analysed no item gets here with such a pile.
    diag.both("     THE CURVES OF PILE " + std::to_string(pile + 1) +
              " CANNOT BE WRITTEN: THE PILE REACHES BELOW THE DEEPEST SOIL LAYER");
    return StatusCode::kPileBelowDeepestLayer;
  }
  const PyMultipliers m{factorOf(prepared.factors.pUsed, pile),
                        factorOf(prepared.factors.yUsed, pile)};
  const double r = 0.5 * axial.diameter;
  for (int n = 0; n <= lat.increments; ++n) {
    NodeCurves& c = out.nodes[static_cast<std::size_t>(n)];
    c.node = n;
    c.depth = headDepth + n * lat.increment;
    c.y.assign(kCurvePointCount, 0.0);
    c.p.assign(kCurvePointCount, 0.0);
    if (c.depth < kNoSoilDepth) continue;  // no soil above the ground surface
    PrintedPyCurve py;
    st =
        soil->curveAt(c.depth, lat.sections[static_cast<std::size_t>(n)].diameter, {}, m, py, diag);
    if (!isOk(st)) return st;
    c.y = py.y;
    c.p = py.p;

    const std::vector<ProfileLayer>& layers = prepared.profile.layers();
    const int li = layerIndexAt(prepared.profile, c.depth);
    if (li < 0) continue;
    TzCurve tz;
    st = buildTzCurveAt(axial, prepared.profile, units, c.depth,
                        layers[static_cast<std::size_t>(li)].code, tz, diag);
    if (!isOk(st)) return st;
    for (std::size_t k = 0; k < kWorkTzPoints; ++k) {
      c.z[k] = tz.points[k].z;
      c.t[k] = tz.points[k].t;
      if (out.torsion && r > 0.0) {
        c.twist[k] = tz.points[k].z / r;
        c.torque[k] = tz.points[k].t * kTorsionPi * axial.diameter * r;
      }
    }
  }
  return StatusCode::kCompleted;
}

void CurveRecordWriter::record(const std::vector<std::int32_t>& ints,
                               const std::vector<double>& reals) {
  buffer_.clear();
  if (binary_) {
    const std::uint64_t length = 4 * ints.size() + 8 * reals.size();
    putLittleEndian(buffer_, length, 4);
    for (std::int32_t v : ints) putLittleEndian(buffer_, static_cast<std::uint32_t>(v), 4);
    for (double v : reals) putLittleEndian(buffer_, std::bit_cast<std::uint64_t>(v), 8);
    putLittleEndian(buffer_, length, 4);
    file_.write(buffer_);
    return;
  }
  for (std::int32_t v : ints) fmt::format_to(std::back_inserter(buffer_), " {:d}", v);
  for (double v : reals) fmt::format_to(std::back_inserter(buffer_), " {:.16E}", v);
  file_.line(buffer_);
}

void CurveRecordWriter::header(int piles, int analysisType, int unitsCode) {
  record({piles, analysisType, unitsCode}, {});
}

void CurveRecordWriter::pile(const PileCurves& c) {
  const auto nodes = static_cast<std::int32_t>(c.nodes.size());
  record({c.pile, nodes, static_cast<std::int32_t>(kCurvePointCount), kWorkTzPoints,
          c.torsion ? kWorkTzPoints : 0},
         {});
  std::vector<double> reals;
  for (const NodeCurves& n : c.nodes) {
    reals.assign(1, n.depth);
    reals.insert(reals.end(), n.y.begin(), n.y.end());
    reals.insert(reals.end(), n.p.begin(), n.p.end());
    record({n.node}, reals);
  }
  for (const NodeCurves& n : c.nodes) {
    reals.assign(1, n.depth);
    reals.insert(reals.end(), n.z.begin(), n.z.end());
    reals.insert(reals.end(), n.t.begin(), n.t.end());
    record({n.node}, reals);
  }
  if (!c.torsion) return;
  for (const NodeCurves& n : c.nodes) {
    reals.assign(1, n.depth);
    reals.insert(reals.end(), n.twist.begin(), n.twist.end());
    reals.insert(reals.end(), n.torque.begin(), n.torque.end());
    record({n.node}, reals);
  }
}

StatusCode writeCurveWorkFile(const AnalysisModel& model, const PreparedRun& prepared,
                              FileSet& files) {
  if (!model.switches.curveExport()) return StatusCode::kCompleted;
  TextFile& file = files[Channel::kCurveWork];
  if (!file.isOpen()) return StatusCode::kCompleted;  // opened after record A2 in every run
  std::unique_ptr<GroupPiles> piles;
  Diagnostics diag;
  StatusCode status = GroupPiles::build(model, prepared, PileItemSettings{}, piles, diag);
  if (isOk(status)) {
    diag.clear();  // the preparation's messages were written when the items were analysed
    CurveRecordWriter writer(file, model.switches.curveFileBinary());
    writer.header(piles->pileCount(), model.switches.analysisType(), model.switches.unitsCode());
    PileCurves curves;  // one pile at a time: the file is streamed
    for (int p = 0; p < piles->pileCount() && isOk(status); ++p) {
      status = pileCurves(model, prepared, *piles, p, curves, diag);
      if (isOk(status)) writer.pile(curves);
    }
  }
  // A message that holds for many nodes of a pile (curves that stop above them) is said once.
  for (auto* lines : {&diag.report, &diag.runtime}) {
    lines->erase(std::unique(lines->begin(), lines->end()), lines->end());
  }
  for (const std::string& l : diag.report) files[Channel::kReport].line(l);
  for (const std::string& l : diag.runtime) files[Channel::kRuntime].line(l);
  return status;
}

}  // namespace stilt
