#include "app/input_check.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>

#include "model/input_reader.hpp"
#include "report/cells.hpp"
#include "report/input_report.hpp"
#include "report/input_warnings.hpp"
#include "report/load_assembly.hpp"
#include "soil/soil_profile.hpp"

namespace stilt::app {
namespace {

// Depths closer than this are the same depth (as the pile analysis takes them).
constexpr double kSameDepth = 1.0e-6;

std::string trim(std::string_view s) {
  const std::size_t a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return {};
  return std::string(s.substr(a, s.find_last_not_of(' ') - a + 1));
}

std::string number(double v) {
  return fmt::format("{:.6g}", v);
}

// The sections of the input data file and the words that name each in a header line. A header is
// free text, so a header is only taken to name a section when one of these words stands in it.
struct SectionWords {
  const char* section;
  std::array<const char*, 3> words;
};
constexpr std::array<SectionWords, 16> kSectionWords = {{
    {"CONTROL PARAMETERS", {"CONTROL", nullptr, nullptr}},
    {"PILE CAP", {"CAP", nullptr, nullptr}},
    {"LOAD CASES", {"LOAD CASE", nullptr, nullptr}},
    {"LOAD COMBINATIONS", {"COMBINATION", nullptr, nullptr}},
    {"DISTRIBUTED-LOAD SETS", {"DISTRIBUTED", nullptr, nullptr}},
    {"PILE GROUPS", {"PILE GROUP", nullptr, nullptr}},
    {"PILE PROPERTIES", {"PROPERT", nullptr, nullptr}},
    {"CROSS SECTIONS", {"CROSS SECTION", nullptr, nullptr}},
    {"SOIL LAYERS", {"SOIL", "LAYER", nullptr}},
    {"PRINTED P-Y CURVES", {"PRINTED", "PRINTED P Y", nullptr}},
    {"USER P-Y CURVES", {"USER P Y", "P Y CURVE", nullptr}},
    {"USER LOAD-SETTLEMENT CURVES", {"LOAD SETTLEMENT", "SETTLEMENT", "AXIAL LOAD"}},
    {"USER TORQUE-ROTATION CURVES", {"TORQUE", "TORSION", "ROTATION"}},
    {"MOMENT-CURVATURE SETS", {"MOMENT CURVATURE", "CURVATURE", nullptr}},
    {"REDUCTION FACTORS ALONG DEPTH", {"REDUCTION", nullptr, nullptr}},
    {"SOIL MOVEMENT", {"SOIL MOVEMENT", "MOVEMENT", nullptr}},
}};
constexpr const char* kExportSection = "CURVE EXPORT";

// Upper case, with hyphens and underscores as blanks, padded with a blank on either side so that
// a word is found only where one starts.
std::string normalised(std::string_view text) {
  std::string s = " ";
  for (char c : text) {
    s += (c == '-' || c == '_') ? ' '
                                : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return s + " ";
}

// The section a header line names: the one whose longest word found in it is longer than that of
// any other; empty when none is named, or when two are named equally.
std::string sectionNamed(std::string_view header) {
  const std::string h = normalised(header);
  std::string best;
  std::size_t bestLength = 0;
  bool tie = false;
  const auto consider = [&](const char* section, const char* word) {
    if (word == nullptr || h.find(" " + std::string(word)) == std::string::npos) return;
    const std::size_t n = std::string_view(word).size();
    if (n > bestLength) {
      best = section;
      bestLength = n;
      tie = false;
    } else if (n == bestLength && best != section) {
      tie = true;
    }
  };
  for (const SectionWords& s : kSectionWords) {
    for (const char* w : s.words) consider(s.section, w);
  }
  consider(kExportSection, "EXPORT");
  return tie ? std::string() : best;
}

class Checker {
 public:
  explicit Checker(std::string_view text) : text_(text) {}

  InputCheck run() {
    const ReadResult read = readInputDataFile(text_, m_, ReaderCallbacks{});
    checkHeaders();
    if (!isOk(read.status)) {
      refusal(read);
      out_.status = toInt(read.status);
    } else {
      checkCurves();
      checkPileDepths();
      checkRequests();
      checkIgnoredReferences();
      checkUnused();
      summarise();
    }
    std::stable_sort(out_.findings.begin(), out_.findings.end(),
                     [](const CheckFinding& a, const CheckFinding& b) { return a.line < b.line; });
    return std::move(out_);
  }

 private:
  void add(bool error, int line, std::vector<std::string> text) {
    out_.findings.push_back({error, line, std::move(text)});
  }

  int headerLine(std::string_view section) const {
    for (const SectionHeaderLine& h : m_.sectionHeaderLines) {
      if (h.section == section) return h.line;
    }
    return 0;
  }

  // A header that names another section than the one read there is where a section is missing,
  // or where the section before it holds more or fewer records than its counts say.
  void checkHeaders() {
    for (std::size_t i = 0; i < m_.sectionHeaderLines.size() && i < m_.sectionHeaders.size(); ++i) {
      const SectionHeaderLine& h = m_.sectionHeaderLines[i];
      const std::string named = sectionNamed(m_.sectionHeaders[i]);
      if (named.empty() || named == h.section) continue;
      add(false, h.line,
          {"this line is read as the header of the " + h.section + " section, but it names the " +
               named + " section: \"" + trim(m_.sectionHeaders[i]) + "\"",
           "is the " + h.section + " section missing, or does the section before it hold more or",
           "fewer records than its counts say?"});
    }
  }

  // The reader's refusal, as a run reports it: the record, its line and what was wrong.
  void refusal(const ReadResult& read) {
    std::vector<std::string> text;
    int line = 0;
    for (const std::string& l : read.message) {
      const std::string t = trim(l);
      if (t.empty() || t.starts_with("****")) continue;
      if (line == 0 && text.empty()) {
        const std::size_t at = t.find("(LINE ");
        if (at != std::string::npos) line = std::atoi(t.c_str() + at + 6);
      }
      text.push_back(t);
    }
    if (text.empty()) text.push_back("the input data file is refused");
    add(true, line, std::move(text));
  }

  // The axial load-transfer curves a run builds before it analyses anything: a property whose
  // curves need soil below the profile, or a layer without the strength they use, ends the run
  // there, with the engine's message.
  void checkCurves() {
    PreparedRun prepared = prepareRun(m_);
    Diagnostics diag;
    const StatusCode status = generateCurves(m_, prepared, nullptr, diag);
    if (isOk(status)) return;
    out_.status = toInt(status);
    std::vector<std::string> text;
    for (const std::string& l : diag.runtime) {
      const std::string t = trim(l);
      if (!t.empty() && !t.starts_with("****")) text.push_back(t);
    }
    text.push_back("the run would end with status " + std::to_string(out_.status) +
                   " while it builds the load-transfer curves");
    add(true, 0, std::move(text));
  }

  // A pile on generated p-y curves must end within the soil profile; the run would stop there.
  void checkPileDepths() {
    const SoilProfile profile = buildSoilProfile(m_);
    const UnitLabels units = unitLabels(m_.switches.unitsCode());
    const std::string unit = trim(units.length);
    const int deepestLine =
        m_.soilLayers.empty() ? headerLine("SOIL LAYERS") : m_.soilLayers.back().line;
    for (std::size_t i = 0; i < m_.pileRows.size(); ++i) {
      const PileGroupRow& r = m_.pileRows[i];
      if (m_.switches.userPyCurves() && r.pyCurveSet > 0) continue;
      const PileProperty& p = m_.properties[static_cast<std::size_t>(r.property - 1)];
      const double tip = r.x + p.length - r.ground;
      if (!profile.empty() && tip <= profile.bottom() + kSameDepth) continue;
      const int status = toInt(m_.is2d() ? StatusCode::kPileBelowDeepestLayer2d
                                         : StatusCode::kPileBelowDeepestLayer);
      if (out_.status == 0) out_.status = status;
      const std::string what = (m_.is2d() ? "pile row " : "pile ") + std::to_string(i + 1);
      add(true, r.line,
          {what + " (record F1) reaches " + number(tip) + " " + unit +
               " below the ground, below the bottom of the deepest soil layer at " +
               number(profile.bottom()) + " " + unit + " (line " + std::to_string(deepestLine) +
               ")",
           "a pile below the profile ends a run with status " + std::to_string(status) +
               ": extend the soil profile, or give the pile its own p-y curves"});
    }
  }

  // Requests the analysis will not honour: the same warnings a run writes to its report, each at
  // the record that makes the request.
  void checkRequests() {
    const auto after = [&](const char* section) {
      const int line = headerLine(section);
      return line > 0 ? line + 1 : 0;  // the record that follows the header
    };
    const auto lineOfRequest = [&](const std::string& first) {
      constexpr std::string_view kCase = "FOUNDATION STIFFNESS OF LOAD CASE ";
      constexpr std::string_view kLayer = "SOIL LAYER ";
      if (first.starts_with(kCase)) {
        const std::size_t k = static_cast<std::size_t>(std::atoi(first.c_str() + kCase.size()));
        if (k >= 1 && k <= m_.loadCases.size()) return m_.loadCases[k - 1].line;
      }
      if (first.starts_with(kLayer)) {
        const std::size_t k = static_cast<std::size_t>(std::atoi(first.c_str() + kLayer.size()));
        if (k >= 1 && k <= m_.soilLayers.size()) return m_.soilLayers[k - 1].line;
      }
      if (first.find("RECORD C1,") != std::string::npos) return after("LOAD CASES");
      if (first.find("RECORD D1,") != std::string::npos) return after("LOAD COMBINATIONS");
      return after("CONTROL PARAMETERS");
    };
    const auto blocks = [&](const Diagnostics& d) {
      std::vector<std::string> text;
      const auto flush = [&] {
        if (!text.empty()) add(false, lineOfRequest(text.front()), text);
        text.clear();
      };
      for (const std::string& l : d.report) {
        const std::string t = trim(l);
        if (t == "** WARNING **") flush();
        if (t.empty() || t == "** WARNING **") continue;
        text.push_back(t);
      }
      flush();
    };
    blocks(unbuiltAnalysisWarnings(m_));
    blocks(unknownSoilCodeWarnings(m_));
  }

  // References the reader accepts because their section is switched off: the analysis ignores
  // them, which is rarely what was meant.
  void checkIgnoredReferences() {
    const ControlSwitches& s = m_.switches;
    const std::string rowName = m_.is2d() ? "pile row " : "pile ";
    for (std::size_t i = 0; i < m_.pileRows.size(); ++i) {
      const PileGroupRow& r = m_.pileRows[i];
      const std::string who = rowName + std::to_string(i + 1) + " (record F1)";
      if (!s.userPyCurves() && r.pyCurveSet > 0) {
        add(false, r.line,
            {who + " names p-y curve set " + std::to_string(r.pyCurveSet) +
             ", but the user p-y curves section is switched off (control switch 5): it is "
             "ignored"});
      }
      if (!s.depthReductionFactors() && r.reductionSet > 0) {
        add(false, r.line,
            {who + " names reduction-factor set " + std::to_string(r.reductionSet) +
             ", but the reduction factors section is switched off (control switch 13): it is "
             "ignored"});
      }
    }
    if (s.nonlinearBending()) return;
    for (std::size_t p = 0; p < m_.properties.size(); ++p) {
      for (const PileSection& sec : m_.properties[p].sections) {
        if (sec.nleiY <= 0 && (sec.nleiZ <= 0 || m_.is2d())) continue;
        add(false, sec.line,
            {"pile property " + std::to_string(p + 1) +
             " (record G3) names a moment-curvature set, but the moment-curvature section is "
             "switched off (control switch 9): the section stays elastic"});
      }
    }
  }

  // Items the file defines and nothing uses.
  void checkUnused() {
    std::set<int> properties, sections, loadSets, pySets, lsCurves, trCurves, reductionSets;
    for (const PileGroupRow& r : m_.pileRows) {
      properties.insert(r.property);
      if (r.lsCurve < 0) properties.insert(-r.lsCurve);
      if (r.trCurve < 0) properties.insert(-r.trCurve);
      pySets.insert(r.pyCurveSet);
      lsCurves.insert(r.lsCurve);
      trCurves.insert(r.trCurve);
      reductionSets.insert(r.reductionSet);
    }
    for (const PileProperty& p : m_.properties) {
      for (const PileSection& s : p.sections) sections.insert(s.crossSection);
    }
    for (const LoadCase& c : m_.loadCases) {
      for (const DistributedLoad& d : c.distributedLoads) {
        loadSets.insert(d.setY());
        loadSets.insert(d.setZ);
      }
    }
    const auto unused = [&](const std::set<int>& used, std::size_t count, const std::string& what,
                            const std::function<int(std::size_t)>& lineOf) {
      for (std::size_t k = 0; k < count; ++k) {
        if (used.contains(static_cast<int>(k + 1))) continue;
        add(false, lineOf(k), {what + " " + std::to_string(k + 1) + " is defined but not used"});
      }
    };
    const auto at = [&](const char* section) {
      const int line = headerLine(section);
      return [line](std::size_t) { return line; };
    };
    unused(properties, m_.properties.size(), "pile property",
           [&](std::size_t k) { return m_.properties[k].line; });
    unused(sections, m_.crossSections.size(), "cross section",
           [&](std::size_t k) { return m_.crossSections[k].line; });
    unused(loadSets, m_.distributedLoadSets.size(), "distributed-load set",
           at("DISTRIBUTED-LOAD SETS"));
    unused(pySets, m_.userPyCurveSets.size(), "user p-y curve set", at("USER P-Y CURVES"));
    unused(lsCurves, m_.userLoadSettlementCurves.size(), "user load-settlement curve",
           at("USER LOAD-SETTLEMENT CURVES"));
    if (m_.is3d()) {
      unused(trCurves, m_.userTorqueRotationCurves.size(), "user torque-rotation curve",
             at("USER TORQUE-ROTATION CURVES"));
    }
    unused(reductionSets, m_.reductionFactorSets.size(), "reduction-factor set",
           at("REDUCTION FACTORS ALONG DEPTH"));
  }

  static const char* family(int code) {
    switch (code) {
      case 1:
        return "soft clay";
      case 2:
        return "stiff clay with free water";
      case 3:
        return "stiff clay without free water";
      case 4:
        return "sand";
      case 5:
        return "user p-y curves";
      case 6:
        return "vuggy limestone";
      case 7:
        return "silt";
      case 8:
        return "sand (API)";
      case 9:
        return "weak rock";
      case 10:
        return "stiff clay, initial k given";
      case 11:
        return "liquefied sand";
      default:
        return "unknown code, analysed as soft clay";
    }
  }

  void summarise() {
    std::vector<std::string>& s = out_.summary;
    const int unitsCode = m_.switches.unitsCode();
    const UnitLabels u = unitLabels(unitsCode);
    const std::string force = trim(u.force), length = trim(u.length), moment = trim(u.moment);
    const char* system = unitsCode == 1 ? "English" : unitsCode == 2 ? "metric" : "open";
    s.push_back("model: " + trim(m_.title[0]));
    s.push_back(fmt::format("  analysis     {}, {} units (force {}, length {})",
                            m_.is2d() ? "two-dimensional" : "three-dimensional", system, force,
                            length));
    std::map<int, int> perProperty;
    int piles = 0;
    for (const PileGroupRow& r : m_.pileRows) {
      const int n = m_.is2d() ? r.pilesInRow : 1;
      perProperty[r.property] += n;
      piles += n;
    }
    std::string uses;
    for (const auto& [p, n] : perProperty) {
      uses += (uses.empty() ? "" : ", ") + fmt::format("{} on property {}", n, p);
    }
    s.push_back(fmt::format("  piles        {}{} ({})", piles,
                            m_.is2d() ? fmt::format(" in {} rows", m_.pileRows.size()) : "", uses));
    s.push_back(fmt::format("  properties   {}", m_.properties.size()));
    for (std::size_t k = 0; k < m_.properties.size(); ++k) {
      const PileProperty& p = m_.properties[k];
      std::string xs;
      for (const PileSection& sec : p.sections) {
        xs += (xs.empty() ? "" : ", ") + std::to_string(sec.crossSection);
      }
      s.push_back(fmt::format("    {:>2}  length {} {}, {} increments, {}, cross section {}", k + 1,
                              number(p.length), length, p.increments,
                              p.pileType == 2 ? "drilled shaft" : "driven pile", xs));
    }
    s.push_back(fmt::format("  soil layers  {}", m_.soilLayers.size()));
    for (std::size_t k = 0; k < m_.soilLayers.size(); ++k) {
      const SoilLayer& l = m_.soilLayers[k];
      s.push_back(fmt::format("    {:>2}  {} to {} {}: {} (code {})", k + 1, number(l.top),
                              number(l.bottom), length, family(l.soilType), l.soilType));
    }
    // Resultants at the origin of the concentrated loads, scale factors and combination factors
    // applied; distributed loads act along the piles and are counted, not summed.
    const bool planar = m_.is2d();
    const std::vector<std::size_t> parts =
        planar ? std::vector<std::size_t>{0, 1, 5} : std::vector<std::size_t>{0, 1, 2, 3, 4, 5};
    const std::array<const char*, 6> names = {"FX", "FY", "FZ", "MX", "MY", "MZ"};
    std::string head = "                ";
    for (std::size_t p : parts) head += fmt::format("{:>12}", names[p]);
    const auto row = [&](const std::string& label, const LoadVector& v, const std::string& note) {
      std::string line = fmt::format("    {:<12}", label);
      for (std::size_t p : parts) line += fmt::format("{:>12}", number(v[p]));
      s.push_back(line + note);
    };
    s.push_back(
        fmt::format("  loads        {} load cases, {} combinations; resultants at the "
                    "origin (forces {}, moments {})",
                    m_.loadCases.size(), m_.combinations.size(), force, moment));
    s.push_back(head);
    for (std::size_t c = 0; c < m_.loadCases.size(); ++c) {
      const LoadCase& lc = m_.loadCases[c];
      std::string note = "  " + trim(lc.name);
      if (!lc.distributedLoads.empty()) {
        note += fmt::format(" (+{} distributed loads)", lc.distributedLoads.size());
      }
      if (lc.notAnalyzed()) note += " (not analysed)";
      row(fmt::format("case {}", c + 1), equivalentLoadOfCase(m_, static_cast<int>(c)), note);
    }
    for (std::size_t c = 0; c < m_.combinations.size(); ++c) {
      const LoadCombination& lc = m_.combinations[c];
      std::string note = "  " + trim(lc.name);
      if (lc.notAnalyzed()) note += " (not analysed)";
      row(fmt::format("comb. {}", c + 1), equivalentLoadOfCombination(m_, static_cast<int>(c)),
          note);
    }
  }

  std::string_view text_;
  AnalysisModel m_;
  InputCheck out_;
};

}  // namespace

InputCheck checkInputText(std::string_view text) {
  return Checker(text).run();
}

std::vector<std::string> checkReportLines(const InputCheck& check) {
  std::vector<std::string> lines;
  int errors = 0;
  int warnings = 0;
  for (const CheckFinding& f : check.findings) {
    (f.error ? errors : warnings) += 1;
    const std::string where = f.line > 0 ? " (line " + std::to_string(f.line) + ")" : "";
    for (std::size_t i = 0; i < f.text.size(); ++i) {
      lines.push_back(i == 0 ? std::string(f.error ? "error" : "warning") + where + ": " + f.text[i]
                             : "    " + f.text[i]);
    }
  }
  if (!check.findings.empty() && !check.summary.empty()) lines.emplace_back();
  lines.insert(lines.end(), check.summary.begin(), check.summary.end());
  if (!lines.empty()) lines.emplace_back();
  const std::string counts = fmt::format("{} error{}, {} warning{}", errors, errors == 1 ? "" : "s",
                                         warnings, warnings == 1 ? "" : "s");
  lines.push_back(check.status == 0
                      ? counts + ": the input can be analysed"
                      : counts + ": a run would end with status " + std::to_string(check.status));
  return lines;
}

}  // namespace stilt::app
