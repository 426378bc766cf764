#include "model/deck_writer.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>

namespace stilt::deck {
namespace {

// Capacities of the input data file.
constexpr std::size_t kMaxPiles = 2000;
constexpr std::size_t kMaxLayers = 20;
constexpr std::size_t kMaxProperties = 50;
constexpr std::size_t kMaxSegments = 20;
constexpr std::size_t kMaxSections = 100;
constexpr std::size_t kMaxCases = 100;
constexpr std::size_t kMaxLoads = 100;
constexpr std::size_t kMaxCombinations = 100;
constexpr std::size_t kMaxTextLength = 80;

struct Family {
  const char* name;
  // Per parameter (gamma, c, phi, k, Er, eps50, RQD, side, tip): 0 not read by the family's
  // curves, 1 read, 2 read and needed above zero.
  std::array<int, kSoilParameters> use;
};

// The p-y criteria: Matlock (1970); Reese, Cox and Koop (1975); Welch and Reese (1972); Reese,
// Cox and Koop (1974); user curves; Reese and Nyman; silt; API RP 2A sand; Reese (1997) weak
// rock; stiff clay bounded by its initial line; Rollins et al. (2005) liquefied sand.
constexpr std::array<Family, 11> kFamilies{{
    {"soft_clay", {2, 2, 0, 0, 1, 2, 0, 1, 1}},
    {"stiff_clay_water", {2, 2, 0, 1, 1, 2, 0, 1, 1}},
    {"stiff_clay", {2, 2, 0, 0, 1, 2, 0, 1, 1}},
    {"sand", {2, 0, 2, 1, 0, 0, 0, 1, 1}},
    {"user_py", {1, 0, 0, 0, 0, 0, 0, 1, 1}},
    {"vuggy_limestone", {1, 2, 0, 0, 0, 0, 0, 1, 1}},
    {"silt", {2, 1, 2, 1, 0, 0, 1, 1, 1}},
    {"api_sand", {2, 0, 2, 1, 0, 0, 0, 1, 1}},
    {"weak_rock", {1, 2, 0, 0, 2, 2, 1, 1, 1}},
    {"stiff_clay_bounded", {2, 2, 0, 1, 1, 2, 0, 1, 1}},
    {"liquefied_sand", {2, 0, 0, 0, 0, 0, 0, 1, 1}},
}};

constexpr std::array<const char*, kSoilParameters> kParameterNames{
    "gamma", "c", "phi", "k", "Er", "eps50", "rqd", "side", "tip"};
constexpr std::array<const char*, 5> kShapeNames{"general", "pipe", "box", "i_section",
                                                 "h_section"};

bool sameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

// The shortest text that reads back as the same double: fixed notation for moderate magnitudes,
// else scientific with a capital E ("1.2E+06"), as engineers write them.
std::string num(double v) {
  if (v == 0.0) return "0.0";
  std::array<char, 32> buf{};
  const double a = std::abs(v);
  const auto format =
      a >= 1.0e5 || a < 1.0e-3 ? std::chars_format::scientific : std::chars_format::fixed;
  const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), v, format);
  std::string s(buf.data(), ec == std::errc() ? end : buf.data());
  for (char& c : s) c = c == 'e' ? 'E' : c;
  if (s.find_first_of(".E") == std::string::npos) s += ".0";
  return s;
}

std::string counted(std::size_t n, const std::string& what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string join(std::initializer_list<std::string> values) {
  std::string s;
  for (const std::string& v : values) s += (s.empty() ? "" : " ") + v;
  return s;
}

// A numeric record with its note after the values, where the reader ignores it.
std::string rec(const std::string& values, const std::string& note = {}) {
  if (note.empty()) return values + "\n";
  const std::size_t column = 39;
  return values + std::string(values.size() + 2 < column ? column - values.size() : 2, ' ') + note +
         "\n";
}

std::string text80(const std::string& s) {
  std::string t = s.substr(0, std::min(s.size(), kMaxTextLength));
  std::replace_if(
      t.begin(), t.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return t + "\n";
}

std::string quotedName(const std::string& name) {
  if (name.find('\'') == std::string::npos) return "'" + name + "'";
  return "\"" + name + "\"";
}

std::string control(const SolutionControl& c, Units units, const char* what) {
  const double pileTolerance =
      c.pileTolerance > 0.0 ? c.pileTolerance : (units == Units::kMetric ? 1.0e-6 : 1.0e-5);
  return rec(join({"0 0 0", std::to_string(c.cyclic ? 0 : 1), std::to_string(c.cycles),
                   std::to_string(c.capIterations), std::to_string(c.pileIterations)}),
             std::string(what) + (c.cyclic ? ": cyclic, " : ": static, ") +
                 counted(static_cast<std::size_t>(std::max(c.cycles, 0)), "cycle") +
                 ", cap and pile iteration limits") +
         rec(join({num(c.capTolerance), num(pileTolerance), num(c.increment),
                   num(c.minimumIncrement)}),
             "cap and pile tolerances, load step, minimum step");
}

// Plan extent of the pile heads plus one diameter of the widest pile each side.
std::array<double, 2> capPlan(const Model& m) {
  double d = 0.0;
  for (const CrossSection& s : m.sections) d = std::max(d, s.dimensions[0]);
  double y0 = 0.0, y1 = 0.0, z0 = 0.0, z1 = 0.0;
  for (std::size_t i = 0; i < m.piles.size(); ++i) {
    const Pile& p = m.piles[i];
    y0 = i == 0 ? p.y : std::min(y0, p.y);
    y1 = i == 0 ? p.y : std::max(y1, p.y);
    z0 = i == 0 ? p.z : std::min(z0, p.z);
    z1 = i == 0 ? p.z : std::max(z1, p.z);
  }
  return {y1 - y0 + 2.0 * d, z1 - z0 + 2.0 * d};
}

}  // namespace

const char* soilFamilyName(int family) {
  return family >= 1 && family <= 11 ? kFamilies[static_cast<std::size_t>(family - 1)].name : "";
}

int soilFamilyOf(std::string_view name) {
  for (std::size_t i = 0; i < kFamilies.size(); ++i) {
    if (sameName(name, kFamilies[i].name)) return static_cast<int>(i + 1);
  }
  return -1;
}

const char* shapeName(int shape) {
  return shape >= 0 && shape <= 4 ? kShapeNames[static_cast<std::size_t>(shape)] : "";
}

int shapeOf(std::string_view name) {
  for (std::size_t i = 0; i < kShapeNames.size(); ++i) {
    if (sameName(name, kShapeNames[i])) return static_cast<int>(i);
  }
  return -1;
}

const char* soilParameterName(int parameter) {
  return parameter >= 0 && parameter < kSoilParameters
             ? kParameterNames[static_cast<std::size_t>(parameter)]
             : "";
}

int soilParameterOf(std::string_view name) {
  for (std::size_t i = 0; i < kParameterNames.size(); ++i) {
    if (sameName(name, kParameterNames[i])) return static_cast<int>(i);
  }
  if (sameName(name, "qu")) return kCohesion;
  if (sameName(name, "krm")) return kEps50;
  return -1;
}

bool soilFamilyUses(int family, int parameter) {
  if (family < 1 || family > 11 || parameter < 0 || parameter >= kSoilParameters) return false;
  return kFamilies[static_cast<std::size_t>(family - 1)].use[static_cast<std::size_t>(parameter)] >
         0;
}

std::vector<Problem> modelProblems(const Model& m) {
  std::vector<Problem> out;
  const auto add = [&](Table t, int line, int status, std::string text) {
    out.push_back({t, line, status, std::move(text)});
  };
  const auto count = [&](Table t, std::size_t n, std::size_t least, std::size_t most,
                         const char* what) {
    if (n < least) add(t, 0, 46, std::string("the model needs at least one ") + what);
    if (n > most) {
      add(t, 0, 44,
          std::to_string(n) + " " + what + "s; the input data file holds " + std::to_string(most));
    }
  };
  count(Table::kPiles, m.piles.size(), 1, kMaxPiles, "pile");
  count(Table::kSoil, m.layers.size(), 1, kMaxLayers, "soil layer");
  count(Table::kProperties, m.properties.size(), 1, kMaxProperties, "pile property");
  count(Table::kProperties, m.sections.size(), 1, kMaxSections, "cross section");
  count(Table::kLoads, m.cases.size(), 0, kMaxCases, "load case");
  count(Table::kCombinations, m.combinations.size(), 0, kMaxCombinations, "combination");
  for (const std::string& line : m.title) {
    if (line.size() > kMaxTextLength) {
      add(Table::kModel, 0, 44, "a title line is longer than 80 characters");
    }
  }
  if (m.groupReduction < 0 || m.groupReduction > 3)
    add(Table::kModel, 0, 46, "the group-reduction option must be 0, 1, 2 or 3");
  if (m.printOption < 0 || m.printOption > 2)
    add(Table::kModel, 0, 46, "the print option must be 0, 1 or 2");
  if (m.nodeInterval < 1) add(Table::kModel, 0, 46, "the node interval must be 1 or more");

  for (std::size_t i = 0; i < m.piles.size(); ++i) {
    const Pile& p = m.piles[i];
    const std::string who = "pile " + std::to_string(i + 1);
    if (p.property < 1 || static_cast<std::size_t>(p.property) > m.properties.size()) {
      add(Table::kPiles, p.line, 45,
          who + ": property " + std::to_string(p.property) + " is not defined (" +
              std::to_string(m.properties.size()) + " properties)");
    }
    for (const int c : {p.connectionY, p.connectionZ}) {
      if (c < 1 || c > 3) {
        add(Table::kPiles, p.line, 46, who + ": connection must be pinned, fixed or spring");
      }
    }
    if (p.batter < 0.0 || p.batter >= 90.0) {
      add(Table::kPiles, p.line, 46, who + ": batter must lie from 0 up to below 90 degrees");
    }
    if ((p.connectionY == 3 && p.springY <= 0.0) || (p.connectionZ == 3 && p.springZ <= 0.0)) {
      add(Table::kPiles, p.line, 46, who + ": a spring connection needs a head spring above 0");
    }
  }

  double previousBottom = 0.0;
  for (std::size_t i = 0; i < m.layers.size(); ++i) {
    const SoilLayer& l = m.layers[i];
    const std::string who = "soil layer " + std::to_string(i + 1);
    if (l.family < 1 || l.family > 11) {
      add(Table::kSoil, l.line, 46, who + ": unknown soil family " + std::to_string(l.family));
      continue;
    }
    if (l.top < 0.0 || l.bottom <= l.top) {
      add(Table::kSoil, l.line, 46,
          who +
              ": the bottom must lie below the top, both at or below "
              "the ground surface");
    }
    if (i > 0 && l.top < previousBottom) {
      add(Table::kSoil, l.line, 46, who + ": starts above the bottom of the layer before it");
    }
    previousBottom = l.bottom;
    if (l.family == 5) {
      add(Table::kSoil, l.line, 46,
          who +
              ": user_py layers need user p-y curves, which are not written from tables; give "
              "another family here and edit the written file");
    }
    const Family& f = kFamilies[static_cast<std::size_t>(l.family - 1)];
    for (int k = 0; k < kSoilParameters; ++k) {
      const std::size_t j = static_cast<std::size_t>(k);
      for (const double v : {l.atTop[j], l.atBottom[j]}) {
        if (v < 0.0) {
          add(Table::kSoil, l.line, 46, who + ": " + kParameterNames[j] + " may not be negative");
          break;
        }
        if (f.use[j] == 0 && v != 0.0) {
          add(Table::kSoil, l.line, 46,
              who + ": " + f.name + " does not use " + kParameterNames[j] + " (leave it empty)");
          break;
        }
        if (f.use[j] == 2 && v <= 0.0) {
          add(Table::kSoil, l.line, 46,
              who + ": " + f.name + " needs " + kParameterNames[j] +
                  " above 0 at its top and bottom");
          break;
        }
      }
      if (k == kPhi && std::max(l.atTop[j], l.atBottom[j]) >= 90.0) {
        add(Table::kSoil, l.line, 46, who + ": phi must lie below 90 degrees");
      }
    }
  }

  for (std::size_t i = 0; i < m.properties.size(); ++i) {
    const PileProperty& p = m.properties[i];
    const std::string who = "pile property " + std::to_string(i + 1);
    if (p.length <= 0.0) add(Table::kProperties, p.line, 46, who + ": length must be above 0");
    if (p.increments < 1 || p.increments > 100) {
      add(Table::kProperties, p.line, 46, who + ": increments must lie from 1 to 100");
    }
    if (p.segments.empty() || p.segments.size() > kMaxSegments) {
      add(Table::kProperties, p.line, p.segments.empty() ? 46 : 44,
          who + ": needs 1 to 20 sections along the pile");
    }
    double reached = 0.0;
    for (const PileSegment& s : p.segments) {
      if (s.crossSection < 1 || static_cast<std::size_t>(s.crossSection) > m.sections.size()) {
        add(Table::kProperties, s.line, 45,
            who + ": cross section " + std::to_string(s.crossSection) + " is not defined");
      }
      if (s.modulus <= 0.0) add(Table::kProperties, s.line, 46, who + ": E must be above 0");
      if (std::abs(s.from - reached) > 1e-9 * std::max(1.0, p.length) || s.to <= s.from) {
        add(Table::kProperties, s.line, 46,
            who + ": sections must follow each other from the head without gaps or overlaps");
      }
      reached = s.to;
    }
    if (!p.segments.empty() && std::abs(reached - p.length) > 1e-9 * std::max(1.0, p.length)) {
      add(Table::kProperties, p.segments.back().line, 46,
          who + ": the last section must end at the pile's length");
    }
  }
  for (std::size_t i = 0; i < m.sections.size(); ++i) {
    const CrossSection& s = m.sections[i];
    const std::string who = "cross section " + std::to_string(i + 1) + " '" + s.name + "'";
    if (s.shape < 0 || s.shape > 4) add(Table::kProperties, s.line, 46, who + ": unknown shape");
    if (s.name.empty() || s.name.size() > kMaxTextLength) {
      add(Table::kProperties, s.line, 44, who + ": the name must have 1 to 80 characters");
    }
    if (s.dimensions[0] <= 0.0) {
      add(Table::kProperties, s.line, 46, who + ": the (equivalent) diameter must be above 0");
    }
    if (s.area <= 0.0 || s.iz <= 0.0 || s.iy <= 0.0 || s.gj <= 0.0) {
      add(Table::kProperties, s.line, 46, who + ": area, Iz, Iy and GJ must be above 0");
    }
  }

  const auto checkControl = [&](Table t, int line, const std::string& who,
                                const SolutionControl& c) {
    if (c.cycles < 1) add(t, line, 46, who + ": cycles must be 1 or more");
    if (c.capIterations < 1 || c.capIterations > 10000 || c.pileIterations < 1 ||
        c.pileIterations > 10000) {
      add(t, line, 46, who + ": iteration limits must lie from 1 to 10000");
    }
    if (c.capTolerance < 0.0 || c.pileTolerance < 0.0 || c.minimumIncrement < 1.0e-6 ||
        (c.increment > 0.0 && c.increment < 1.0e-6)) {
      add(t, line, 46, who + ": tolerances and load steps out of range");
    }
  };
  for (std::size_t i = 0; i < m.cases.size(); ++i) {
    const LoadCase& c = m.cases[i];
    const std::string who = "load case " + std::to_string(i + 1);
    if (c.name.size() > kMaxTextLength) {
      add(Table::kLoads, c.line, 44, who + ": the name is longer than 80 characters");
    }
    if (c.loads.size() > kMaxLoads) {
      add(Table::kLoads, c.line, 44, who + ": more than 100 loads");
    }
    checkControl(Table::kLoads, c.line, who, c.control);
  }
  for (std::size_t i = 0; i < m.combinations.size(); ++i) {
    const Combination& c = m.combinations[i];
    const std::string who = "combination " + std::to_string(i + 1);
    if (c.name.size() > kMaxTextLength) {
      add(Table::kCombinations, c.line, 44, who + ": the name is longer than 80 characters");
    }
    if (c.terms.empty() || c.terms.size() > kMaxCases) {
      add(Table::kCombinations, c.line, c.terms.empty() ? 46 : 44,
          who + ": needs 1 to 100 load cases");
    }
    for (const CombinationTerm& t : c.terms) {
      if (t.loadCase < 1 || static_cast<std::size_t>(t.loadCase) > m.cases.size()) {
        add(Table::kCombinations, t.line > 0 ? t.line : c.line, 45,
            who + ": load case " + std::to_string(t.loadCase) + " is not defined");
      }
    }
    checkControl(Table::kCombinations, c.line, who, c.control);
  }
  return out;
}

std::string writeDeck(const Model& m) {
  const bool metric = m.units == Units::kMetric;
  const std::string len = metric ? "m" : "in";
  const std::string force = metric ? "kN" : "lb";
  std::string t;
  t += text80(m.title[0].empty() ? "Pile group model" : m.title[0]);
  t += text80(m.title[1].empty()
                  ? std::string(metric ? "Metric units (kN, m)" : "English units (lb, in)")
                  : m.title[1]);

  t += "CONTROL PARAMETERS\n";
  t += rec(join({metric ? "2" : "1", "3 0 0 0 0 0", std::to_string(m.groupReduction),
                 "0 0 0 0 0 0 0 0"}),
           std::string(metric ? "metric units (kN, m)" : "English units (lb, in)") +
               ", 3-D analysis, group reduction " + std::to_string(m.groupReduction));
  if (m.groupReduction == 3) {
    t += rec(join({num(m.groupMovement[0]), num(m.groupMovement[1])}),
             "predefined movement along Y and Z");
  }

  t += "PILE CAP\n";
  const std::array<double, 2> plan = capPlan(m);
  const double thickness = m.capThickness > 0.0 ? m.capThickness : (metric ? 1.0 : 36.0);
  t += rec(join({num(plan[0]), num(plan[1]), num(thickness)}),
           "cap length along Y, width along Z, thickness (" + len + "; rigid, echoed only)");

  const std::string printRecord =
      join({std::to_string(m.printOption), std::to_string(m.nodeInterval)});
  t += "LOAD CASES\n";
  t += rec(std::to_string(m.cases.size()) + " 0 0 0 0",
           counted(m.cases.size(), "load case") + ", no envelope");
  for (std::size_t i = 0; i < m.cases.size(); ++i) {
    const LoadCase& c = m.cases[i];
    t += control(c.control, m.units, ("case " + std::to_string(i + 1)).c_str());
    t += text80(c.name.empty() ? "Load case " + std::to_string(i + 1) : c.name);
    t += rec(std::to_string(c.loadType) + " 0 0 0 0 0 0", "load type, no foundation stiffness");
    t += rec(join({printRecord, "1.0 0 0.0 0.0", c.axialVariation ? "1" : "0", "0"}),
             "print option, node interval, scale 1, axial variation " +
                 std::string(c.axialVariation ? "on" : "off"));
    t += rec("0", "not used");
    t += rec("25*1", "all 25 result quantities");
    t += rec(std::to_string(c.loads.size()), "concentrated loads");
    for (const PointLoad& l : c.loads) {
      const auto& q = l.components;
      t += rec(join({num(q[0]), num(q[1]), num(q[2]), num(q[3]), num(q[4]), num(q[5]), num(l.x),
                     num(l.y), num(l.z)}),
               "PX PY MZ PZ MY MX (" + force + ", " + force + "-" + len + ") at X Y Z");
    }
    t += rec("0", "no distributed loads");
    t += rec("0", "no foundation-stiffness data");
  }

  t += "LOAD COMBINATIONS\n";
  t += rec(std::to_string(m.combinations.size()) + " 0 0 0 0",
           counted(m.combinations.size(), "combination") + ", no envelope");
  for (std::size_t i = 0; i < m.combinations.size(); ++i) {
    const Combination& c = m.combinations[i];
    t += control(c.control, m.units, ("combination " + std::to_string(i + 1)).c_str());
    t += text80(c.name.empty() ? "Combination " + std::to_string(i + 1) : c.name);
    t += rec(join({num(c.bendingFactor), num(c.shearFactor), "0"}),
             "bending and shear resistance factors");
    t += rec(join({printRecord, "0 0.0 0.0 0 0"}), "print option, node interval");
    t += rec("0", "not used");
    t += rec("25*1", "all result quantities");
    t += rec(std::to_string(c.terms.size()), "load cases combined");
    for (const CombinationTerm& term : c.terms) {
      t += rec(join({std::to_string(term.loadCase), num(term.factor)}), "load case, factor");
    }
  }

  t += "DISTRIBUTED LOAD SETS\n";
  t += rec("0", "no sets");

  t += "PILE GROUPS\n";
  t += rec(std::to_string(m.piles.size()), "piles, three records each");
  for (std::size_t i = 0; i < m.piles.size(); ++i) {
    const Pile& p = m.piles[i];
    t += rec(join({std::to_string(p.connectionY), std::to_string(p.connectionZ),
                   std::to_string(p.property), "0 0 0 0 0"}),
             "pile " + std::to_string(i + 1) + ": head connections y z, property " +
                 std::to_string(p.property));
    t += rec(join({num(p.springY), num(p.springZ), "1.0 1.0 1.0 1.0 1.0"}),
             "head springs y z, p- and y-factors, axial factor");
    t += rec(join({num(p.x), num(p.y), num(p.z), num(p.batter > 0.0 ? p.direction : 0.0),
                   num(90.0 - p.batter), num(p.ground)}),
             "head X Y Z, batter direction and angle from horizontal, ground X");
  }

  t += "PILE PROPERTIES\n";
  t += rec(std::to_string(m.properties.size()), "pile properties");
  for (std::size_t i = 0; i < m.properties.size(); ++i) {
    const PileProperty& p = m.properties[i];
    t += rec(join({std::to_string(i + 1), std::to_string(p.segments.size())}),
             "property " + std::to_string(i + 1) + ", sections along the pile");
    t += rec(
        join({std::to_string(p.increments), num(p.length), std::to_string(p.pileType)}),
        "increments, length (" + len + "), " + (p.pileType == 2 ? "drilled shaft" : "driven pile"));
    for (const PileSegment& s : p.segments) {
      t +=
          rec(join({num(s.from), num(s.to), std::to_string(s.crossSection), num(s.modulus), "0 0"}),
              "from, to, cross section, E, elastic");
    }
  }

  t += "CROSS SECTIONS\n";
  t += rec(std::to_string(m.sections.size()), "cross sections");
  for (std::size_t i = 0; i < m.sections.size(); ++i) {
    const CrossSection& s = m.sections[i];
    t += rec(join({std::to_string(i + 1), "0", std::to_string(s.shape)}),
             "section " + std::to_string(i + 1) + ", " + shapeName(s.shape));
    t += quotedName(s.name) + "\n";
    std::string dims;
    for (const double d : s.dimensions) dims += (dims.empty() ? "" : " ") + num(d);
    t += rec(dims, "diameter, inner diameter, width, depth, inner w, d, flange, web");
    t += rec(join({num(s.shearModulus), num(s.area), num(s.iz), num(s.iy), "0.0", num(s.gj),
                   num(s.mn), num(s.vn), "0.0 0"}),
             "G, A, Iz, Iy, -, GJ, Mn, Vn, -, untapered");
  }

  t += "SOIL LAYERS\n";
  t += rec(std::to_string(m.layers.size()), "soil layers, from the top down");
  for (const SoilLayer& l : m.layers) {
    t += rec(std::to_string(l.family) + " 0", soilFamilyName(l.family));
    t += rec(join({num(l.top), num(l.bottom)}), "top and bottom depth (" + len + ")");
    t += rec("2 9", "top and bottom rows of 9 values");
    for (const auto* row : {&l.atTop, &l.atBottom}) {
      std::string values;
      for (const double v : *row) values += (values.empty() ? "" : " ") + num(v);
      t += rec(values, row == &l.atTop ? "gamma c phi k Er eps50 RQD side tip" : "");
    }
  }
  return t;
}

}  // namespace stilt::deck
