#include "analysis/pile_report.hpp"

#include <fmt/format.h>

#include <cmath>

namespace stilt {
namespace {

constexpr const char* kIndent = "     ";

std::string trimmed(const std::string& s) {
  const std::size_t first = s.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : s.substr(first);
}

std::string centred(std::string_view text, std::size_t width = 10) {
  if (text.size() >= width) return std::string(text.substr(0, width));
  const std::size_t left = (width - text.size() + 1) / 2;
  return std::string(left, ' ') + std::string(text) + std::string(width - left - text.size(), ' ');
}

// Out-of-plane quantities, which a planar analysis never prints.
constexpr std::array<int, 12> kOutOfPlane = {3, 4, 7, 8, 10, 11, 13, 14, 16, 17, 21, 23};
// Quantities that need the axial load along the pile.
constexpr std::array<int, 6> kAxial = {1, 5, 6, 7, 8, 18};

}  // namespace

QuantityHeading quantityHeading(int q, bool planar, const UnitLabels& u) {
  static_assert(kResultQuantities == 25);
  const std::string length = trimmed(u.length);
  const std::string force = trimmed(u.force);
  const std::string moment = u.moment;
  const std::string perLength = u.forcePerLength;
  const std::string rigidity = force + "-" + length + "2";
  QuantityHeading h;
  const auto dir = [](int k) -> const char* {
    switch (k) {
      case 0:
        return "   x-DIR  ";
      case 1:
        return "   y-DIR  ";
      case 2:
        return "   z-DIR  ";
      case 3:
        return "  y-z-DIR ";
      case 4:
        return "   X-DIR  ";
      case 5:
        return "   Y-DIR  ";
      case 6:
        return "   Z-DIR  ";
      default:
        return "  Y-Z-DIR ";
    }
  };
  switch (q) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
      h = {"  DISPL.  ", dir(q - 1), length};
      break;
    case 9:
      h = planar ? QuantityHeading{" BENDING  ", "  MOMENT  ", moment}
                 : QuantityHeading{"  MOMENT  ", dir(2), moment};
      break;
    case 10:
      h = {"  MOMENT  ", dir(1), moment};
      break;
    case 11:
      h = {"  MOMENT  ", dir(3), moment};
      break;
    case 12:
      h = planar ? QuantityHeading{"   SHEAR  ", "   FORCE  ", force}
                 : QuantityHeading{"   SHEAR  ", dir(1), force};
      break;
    case 13:
      h = {"   SHEAR  ", dir(2), force};
      break;
    case 14:
      h = {"   SHEAR  ", dir(3), force};
      break;
    case 15:
      h = planar ? QuantityHeading{"   SOIL   ", " REACTION ", perLength}
                 : QuantityHeading{"SOIL REACT", dir(1), perLength};
      break;
    case 16:
      h = {"SOIL REACT", dir(2), perLength};
      break;
    case 17:
      h = {"SOIL REACT", dir(3), perLength};
      break;
    case 18:
      h = planar ? QuantityHeading{"  AXIAL   ", "   FORCE  ", force}
                 : QuantityHeading{" AXIAL F. ", dir(0), force};
      break;
    case 19:
      h = {"   TOTAL  ", "  STRESS  ", u.stress};
      break;
    case 20:
      h = planar ? QuantityHeading{" FLEXURAL ", " RIGIDITY ", rigidity}
                 : QuantityHeading{"FLEX. RIG.", dir(2), rigidity};
      break;
    case 21:
      h = {"FLEX. RIG.", dir(1), rigidity};
      break;
    case 22:
      h = planar ? QuantityHeading{"DISTRIBUT.", "   LOAD   ", perLength}
                 : QuantityHeading{"DIST. LOAD", dir(1), perLength};
      break;
    case 23:
      h = {"DIST. LOAD", dir(2), perLength};
      break;
    case 24:
      h = {" DEM./CAP.", "  MOMENT  ", "-"};
      break;
    default:
      h = {" DEM./CAP.", "   SHEAR  ", "-"};
      break;
  }
  h.unit = centred("(" + h.unit + ")");
  return h;
}

QuantitySelection reduceSelection(const QuantitySelection& switches, bool planar,
                                  bool allUserCurves, bool axialDistribution, bool combination) {
  QuantitySelection s = switches;
  s[0] = false;
  if (planar) {
    for (int q : kOutOfPlane) s[static_cast<std::size_t>(q)] = false;
  }
  if (allUserCurves || !axialDistribution) {
    for (int q : kAxial) s[static_cast<std::size_t>(q)] = false;
  }
  if (combination) s[24] = s[25] = false;
  return s;
}

PileResultsPrinter::PileResultsPrinter(const AnalysisModel& model, FileSet& files,
                                       PrintSettings settings)
    : model_(model),
      files_(files),
      settings_(std::move(settings)),
      units_(unitLabels(model.switches.unitsCode())) {
  if (settings_.nodeInterval < 1) settings_.nodeInterval = 1;
  // The equivalent-stiffness listing is opened by the first item that writes to it.
  if (!files_[Channel::kEquivalentStiffness].isOpen()) {
    (void)files_.open(Channel::kEquivalentStiffness, TextFile::Mode::kWrite);
  }
}

void PileResultsPrinter::headTables(TextFile& f, const PileSummaryRecord& r) const {
  const UnitLabels& u = units_;
  const std::string len = trimmed(u.length);
  const std::string force = trimmed(u.force);
  // In the plane only X, Y and the rotation about Z exist (in pile axes: x, y, z-rotation).
  const std::vector<std::size_t> comps = model_.is2d() ? std::vector<std::size_t>{0, 1, 5}
                                                       : std::vector<std::size_t>{0, 1, 2, 3, 4, 5};
  const auto row = [&](const std::array<const char*, 6>& labels, const Vector6& v,
                       const std::array<std::string, 6>& units) {
    for (std::size_t k : comps) {
      f.line(fmt::format("{}  {:<10}{}  {}", kIndent, labels[k], formatRealCell(14, 5, v[k]),
                         units[k]));
    }
  };
  const std::array<std::string, 6> dispUnits = {len, len, len, "RAD", "RAD", "RAD"};
  const std::array<std::string, 6> forceUnits = {force, force, force, u.moment, u.moment, u.moment};
  f.line();
  f.line(fmt::format("{}* PILE GROUP *{:6d}", kIndent, r.pile));
  f.line();
  f.line(std::string(kIndent) + "* PILE TOP DISPLACEMENTS AND REACTIONS *");
  f.line();
  f.line(std::string(kIndent) + "THE GLOBAL STRUCTURAL COORDINATE SYSTEM");
  row({"DISP. X,", "DISP. Y,", "DISP. Z,", "ROT. X,", "ROT. Y,", "ROT. Z,"}, r.displacementGlobal,
      dispUnits);
  row({"FOR. X,", "FOR. Y,", "FOR. Z,", "MOM X,", "MOM Y,", "MOM Z,"}, r.reactionGlobal,
      forceUnits);
  f.line(
      fmt::format("{}  {:<10}{}  {}", kIndent, "STR,", formatRealCell(14, 5, r.stress), u.stress));
  f.line();
  f.line(std::string(kIndent) + "THE PILE COORDINATE SYSTEM (LOCAL AXES)");
  row({"DISP. x,", "DISP. y,", "DISP. z,", "ROT. x,", "ROT. y,", "ROT. z,"}, r.displacementLocal,
      dispUnits);
  row({"AXIAL,", "LAT. y,", "LAT. z,", "MOM x,", "MOM y,", "MOM z,"}, r.reactionLocal, forceUnits);
  f.line(
      fmt::format("{}  {:<10}{}  {}", kIndent, "STR,", formatRealCell(14, 5, r.stress), u.stress));
}

void PileResultsPrinter::alongPile(TextFile& f, const PileResults& results, int pile,
                                   int iterations) const {
  const bool planar = model_.is2d();
  std::string l1 = std::string(kIndent) + centred("DEPTH", 11);
  std::string l2 = std::string(kIndent) + std::string(11, ' ');
  std::string l3 = std::string(kIndent) + centred("(" + trimmed(units_.length) + ")", 11);
  for (int q = 1; q <= kResultQuantities; ++q) {
    if (!settings_.selection[static_cast<std::size_t>(q)]) continue;
    const QuantityHeading h = quantityHeading(q, planar, units_);
    l1 += " " + h.first;
    l2 += " " + h.second;
    l3 += " " + h.unit;
  }
  f.line();
  f.line(std::string(kIndent) + "* EFFECTS FOR LATERALLY LOADED PILE *   ");
  f.line();
  f.line(l1);
  f.line(l2);
  f.line(l3);
  for (int m = 0; m <= results.increments; m += settings_.nodeInterval) {
    std::string row = std::string(kIndent) + formatRealCell(11, 4, results.coordinate(m));
    for (int q = 1; q <= kResultQuantities; ++q) {
      if (!settings_.selection[static_cast<std::size_t>(q)]) continue;
      row += formatRealCell(11, 3, results.at(q, m));
    }
    f.line(row);
  }
  if (iterations < 0) return;  // an envelope: no solution of its own
  f.line();
  f.line(fmt::format("{}NUMBER OF ITERATIONS IN LLP ={:5d}  (PILE No{:5d} )", kIndent, iterations,
                     pile));
}

void PileResultsPrinter::pile(int index, const PileGeometry& geometry, const PileOutcome& outcome,
                              const GroupPileWorkspace& work, const LateralPileModel& lateral) {
  PileSummaryRecord r;
  r.pile = index + 1;
  const Matrix6 rotation = rotationMatrix(geometry);
  r.displacementLocal = work.localDisplacement;
  // The displacement the cap imposed on the head, as it was imposed: rotating the local one back
  // would add rounding, and piles that share a head displacement (every head of a rigid cap
  // shares its rotation) would no longer tie in the extremes rows.
  r.displacementGlobal = work.globalDisplacement;
  // Per pile: a two-dimensional row's outcome carries all its piles.
  r.reactionGlobal = multiplyTransposed(rotation, work.localForce);
  (void)outcome;
  r.reactionLocal = work.localForce;
  r.stress = work.maxStress;
  const PileResults& results = work.results;
  const int n = results.increments;
  alongExtremes(results, r);
  writeRecords(r, results);

  // Equivalent stiffnesses: the secant soil modulus along the pile and the head stiffnesses.
  TextFile& eq = files_[Channel::kEquivalentStiffness];
  const std::vector<std::size_t> comps = model_.is2d() ? std::vector<std::size_t>{0, 1, 5}
                                                       : std::vector<std::size_t>{0, 1, 2, 3, 4, 5};
  const auto stiffnessBlocks = [&](TextFile& f) {
    f.line();
    f.line(fmt::format("{}* EQUIVALENT STIFFNESSES ALONG PILE   (PILE No{:5d} )", kIndent, r.pile));
    f.line(fmt::format("{}{:>11}{:>14}", kIndent, "DEPTH", "SOIL MODULUS"));
    for (int m = 0; m <= n; m += settings_.nodeInterval) {
      f.line(std::string(kIndent) + formatRealCell(11, 4, results.coordinate(m)) +
             formatRealCell(14, 4, work.lateral.soilModulus[static_cast<std::size_t>(m)]));
    }
    f.line();
    f.line(std::string(kIndent) + "* PILE TOP EQUIVALENT STIFFNESSES");
    const std::array<const char*, 6> labels = {"AXIAL,",   "LAT. y,", "LAT. z,",
                                               "TORSION,", "ROT. y,", "ROT. z,"};
    // In the plane a pile has no out-of-plane stiffness to report.
    for (std::size_t k : comps) {
      f.line(fmt::format("{}  {:<10}{}", kIndent, labels[k],
                         formatRealCell(14, 5, work.solution.headStiffness[k])));
    }
  };
  stiffnessBlocks(eq);
  (void)lateral;

  if (settings_.printOption >= 1) {
    TextFile& report = files_[Channel::kReport];
    headTables(report, r);
    if (settings_.printOption >= 2) {
      alongPile(report, results, r.pile, work.solution.iterations);
      stiffnessBlocks(report);
    }
  }
  records_.push_back(r);
}

void PileResultsPrinter::envelopePile(const PileSummaryRecord& head, const PileResults& along) {
  PileSummaryRecord r = head;
  alongExtremes(along, r);
  writeRecords(r, along);
  if (settings_.printOption >= 1) {
    TextFile& report = files_[Channel::kReport];
    headTables(report, r);
    if (settings_.printOption >= 2) alongPile(report, along, r.pile, -1);
  }
  records_.push_back(r);
}

void PileResultsPrinter::alongExtremes(const PileResults& results, PileSummaryRecord& r) {
  const int n = results.increments;
  for (int q = 1; q <= kResultQuantities; ++q) {
    const std::size_t k = static_cast<std::size_t>(q);
    r.maximum[k] = r.minimum[k] = results.at(q, 0);
    r.maximumAt[k] = r.minimumAt[k] = 0.0;
    for (int m = 1; m <= n; ++m) {
      const double v = results.at(q, m);
      if (v > r.maximum[k]) {
        r.maximum[k] = v;
        r.maximumAt[k] = results.coordinate(m);
      }
      if (v < r.minimum[k]) {
        r.minimum[k] = v;
        r.minimumAt[k] = results.coordinate(m);
      }
    }
  }
}

void PileResultsPrinter::writeRecords(const PileSummaryRecord& r, const PileResults& results) {
  const int n = results.increments;
  // Pile-cap results file: head values and the node listing, at full precision for hosts.
  TextFile& cap = files_[Channel::kCapResults];
  const std::vector<std::size_t> comps = model_.is2d() ? std::vector<std::size_t>{0, 1, 5}
                                                       : std::vector<std::size_t>{0, 1, 2, 3, 4, 5};
  const auto values = [&comps](const Vector6& v) {
    std::string s;
    for (std::size_t k : comps) s += formatRealCell(17, 8, v[k]);
    return s;
  };
  cap.line(fmt::format("* PILE GROUP *{:6d}", r.pile));
  cap.line("* PILE TOP DISP. AND REACT. GLOBAL");
  cap.line(values(r.displacementGlobal));
  cap.line(values(r.reactionGlobal));
  cap.line(formatRealCell(17, 8, r.stress));
  cap.line("* PILE TOP DISP. AND REACT. LOCAL");
  cap.line(values(r.displacementLocal));
  cap.line(values(r.reactionLocal));
  cap.line(formatRealCell(17, 8, r.stress));
  cap.line("* EFFECTS FOR LATERALLY LOADED PILE *   ");
  std::string switches = formatIntegerCell(5, kResultQuantities);
  for (int q = 1; q <= kResultQuantities; ++q) {
    switches += formatIntegerCell(2, settings_.listing[static_cast<std::size_t>(q)] ? 1 : 0);
  }
  cap.line(switches);
  for (int m = 0; m <= n; ++m) {
    std::string row = formatRealCell(17, 8, results.coordinate(m));
    for (int q = 1; q <= kResultQuantities; ++q) {
      if (settings_.listing[static_cast<std::size_t>(q)]) {
        row += formatRealCell(17, 8, results.at(q, m));
      }
    }
    cap.line(row);
  }

  // Per-pile results work file: the records the summary tables are built from.
  TextFile& work13 = files_[Channel::kPileResultsWork];
  work13.line(fmt::format("PILE{:6d}", r.pile));
  work13.line(values(r.displacementGlobal));
  work13.line(values(r.reactionGlobal));
  work13.line(values(r.displacementLocal));
  work13.line(values(r.reactionLocal) + formatRealCell(17, 8, r.stress));
  for (int q = 1; q <= kResultQuantities; ++q) {
    const std::size_t k = static_cast<std::size_t>(q);
    work13.line(formatIntegerCell(3, q) + formatRealCell(17, 8, r.maximum[k]) +
                formatRealCell(17, 8, r.maximumAt[k]) + formatRealCell(17, 8, r.minimum[k]) +
                formatRealCell(17, 8, r.minimumAt[k]));
  }
}

void PileResultsPrinter::summary() const {
  if (records_.empty()) return;
  TextFile& f = files_[Channel::kSummary];
  const UnitLabels& u = units_;
  const std::string len = trimmed(u.length);
  const std::string force = trimmed(u.force);
  const bool planar = model_.is2d();
  // In the plane only X, Y and the rotation about Z exist.
  const std::vector<std::size_t> comps =
      planar ? std::vector<std::size_t>{0, 1, 5} : std::vector<std::size_t>{0, 1, 2, 3, 4, 5};

  const auto table = [&](const char* title, const std::array<const char*, 6>& labels,
                         const std::array<std::string, 6>& units,
                         Vector6 PileSummaryRecord::*field) {
    f.line();
    f.line(std::string(kIndent) + title);
    std::string head = std::string(kIndent) + " PILE GROUP  ";
    for (std::size_t k : comps) head += fmt::format("{:>13}", std::string(labels[k]) + units[k]);
    f.line(head);
    Vector6 lo{}, hi{};
    std::array<int, 6> loPile{}, hiPile{};
    for (std::size_t i = 0; i < records_.size(); ++i) {
      const PileSummaryRecord& r = records_[i];
      std::string row = std::string(kIndent) + formatIntegerCell(8, r.pile) + "     ";
      for (std::size_t k : comps) {
        const double v = (r.*field)[k];
        row += formatRealCell(13, 4, v);
        if (i == 0 || v < lo[k]) {
          lo[k] = v;
          loPile[k] = r.pile;
        }
        if (i == 0 || v > hi[k]) {
          hi[k] = v;
          hiPile[k] = r.pile;
        }
      }
      f.line(row);
    }
    const auto extremes = [&](const char* label, const Vector6& v, const std::array<int, 6>& p) {
      std::string values = std::string(kIndent) + label + "  ";
      std::string piles = std::string(kIndent) + "  Pile N. " + "   ";
      for (std::size_t k : comps) {
        values += formatRealCell(13, 4, v[k]);
        piles += formatIntegerCell(13, p[k]);
      }
      f.line(values);
      f.line(piles);
    };
    extremes("  MINIMUM  ", lo, loPile);
    extremes("  MAXIMUM  ", hi, hiPile);
  };
  const std::array<std::string, 6> dispUnits = {len, len, len, "RAD", "RAD", "RAD"};
  const std::array<std::string, 6> forceUnits = {force, force, force, u.moment, u.moment, u.moment};

  f.line();
  f.line("       THE GLOBAL STRUCTURAL COORDINATE SYSTEM");
  f.line("       " + std::string(39, '-'));
  table("* PILE TOP DISPLACEMENTS *",
        {" DISP. X,", "DISP. Y,", "DISP. Z,", "ROT. X,", "ROT. Y,", "ROT. Z,"}, dispUnits,
        &PileSummaryRecord::displacementGlobal);
  table("* PILE TOP REACTIONS *", {" FOR. X,", "FOR. Y,", "FOR. Z,", "MOM X,", "MOM Y,", "MOM Z,"},
        forceUnits, &PileSummaryRecord::reactionGlobal);
  f.line();
  f.line("       THE PILE COORDINATE SYSTEM (LOCAL AXES)");
  f.line("       " + std::string(39, '-'));
  table("* PILE TOP DISPLACEMENTS *",
        {" DISP. x,", "DISP. y,", "DISP. z,", "ROT. x,", "ROT. y,", "ROT. z,"}, dispUnits,
        &PileSummaryRecord::displacementLocal);
  table("* PILE TOP REACTIONS *", {"  AXIAL,", "LAT. y,", "LAT. z,", "MOM x,", "MOM y,", "MOM z,"},
        forceUnits, &PileSummaryRecord::reactionLocal);
  // Stresses.
  f.line();
  f.line(fmt::format("{} PILE GROUP {:>13}", kIndent, "STRESS," + u.stress));
  for (const PileSummaryRecord& r : records_) {
    f.line(std::string(kIndent) + formatIntegerCell(8, r.pile) + "    " +
           formatRealCell(13, 4, r.stress));
  }

  // Extremes along the piles.
  f.line();
  f.line(std::string("       * EFFECTS FOR LATERALLY LOADED PILE *   "));
  for (int kind = 0; kind < 2; ++kind) {
    const bool maxima = kind == 0;
    f.line();
    f.line(std::string(kIndent) +
           (maxima ? "* MAXIMUM VALUES AND LOCATIONS *" : "* MINIMUM VALUES AND LOCATIONS *"));
    std::string l1 = std::string(kIndent) + " PILE GROUP ";
    std::string l2 = std::string(kIndent) + std::string(12, ' ');
    std::string l3 = std::string(kIndent) + std::string(12, ' ');
    for (int q = 1; q <= kResultQuantities; ++q) {
      if (!settings_.selection[static_cast<std::size_t>(q)]) continue;
      const QuantityHeading h = quantityHeading(q, planar, u);
      l1 += " " + h.first + "  " + centred("AT", 10);
      l2 += " " + h.second + "  " + centred("DEPTH", 10);
      l3 += " " + h.unit + "  " + centred("(" + len + ")", 10);
    }
    f.line(l1);
    f.line(l2);
    f.line(l3);
    std::array<double, kResultQuantities + 1> best{};
    std::array<int, kResultQuantities + 1> bestPile{};
    for (std::size_t i = 0; i < records_.size(); ++i) {
      const PileSummaryRecord& r = records_[i];
      std::string row = std::string(kIndent) + formatIntegerCell(8, r.pile) + "    ";
      for (int q = 1; q <= kResultQuantities; ++q) {
        const std::size_t k = static_cast<std::size_t>(q);
        if (!settings_.selection[k]) continue;
        const double v = maxima ? r.maximum[k] : r.minimum[k];
        row += formatRealCell(11, 3, v) +
               formatRealCell(12, 3, maxima ? r.maximumAt[k] : r.minimumAt[k]);
        if (i == 0 || (maxima ? v > best[k] : v < best[k])) {
          best[k] = v;
          bestPile[k] = r.pile;
        }
      }
      f.line(row);
    }
    std::string values = std::string(kIndent) + (maxima ? "Max." : "Min.") + std::string(8, ' ');
    std::string piles = std::string(kIndent) + "Pile N.  " + std::string(3, ' ');
    for (int q = 1; q <= kResultQuantities; ++q) {
      const std::size_t k = static_cast<std::size_t>(q);
      if (!settings_.selection[k]) continue;
      values += formatRealCell(11, 3, best[k]) + std::string(12, ' ');
      piles += formatIntegerCell(11, bestPile[k]) + std::string(12, ' ');
    }
    f.line(values);
    f.line(piles);
  }
}

}  // namespace stilt
