#include "python/model_convert.hpp"

#include <cmath>
#include <string>

#include "model/analysis_model.hpp"
#include "model/input_reader.hpp"

namespace py = pybind11;

namespace stilt::python {
namespace {

constexpr int kWrongKind = 43;
constexpr int kOutOfRange = 46;

bool has(const py::dict& d, const char* key) {
  return d.contains(key) && !d[key].is_none();
}

double real(const py::dict& d, const char* key, double fallback, const std::string& who) {
  if (!has(d, key)) return fallback;
  try {
    return d[key].cast<double>();
  } catch (const py::cast_error&) {
    throw ModelError(kWrongKind, who + ": " + key + " is not a number");
  }
}

int integer(const py::dict& d, const char* key, int fallback, const std::string& who) {
  if (!has(d, key)) return fallback;
  const double v = real(d, key, fallback, who);
  if (v != std::floor(v) || std::abs(v) > 1.0e9) {
    throw ModelError(kWrongKind, who + ": " + key + " must be a whole number");
  }
  return static_cast<int>(v);
}

bool flag(const py::dict& d, const char* key, bool fallback) {
  return has(d, key) ? py::bool_(d[key]).cast<bool>() : fallback;
}

std::string text(const py::dict& d, const char* key, const std::string& who) {
  if (!has(d, key)) return {};
  if (!py::isinstance<py::str>(d[key]))
    throw ModelError(kWrongKind, who + ": " + key + " is not text");
  return d[key].cast<std::string>();
}

// A code given by its name (case-insensitive) or its number.
int code(const py::dict& d, const char* key, int fallback, int (*byName)(std::string_view),
         const std::string& who) {
  if (!has(d, key)) return fallback;
  if (py::isinstance<py::str>(d[key])) {
    const std::string name = d[key].cast<std::string>();
    const int c = byName(name);
    if (c < 0) throw ModelError(kOutOfRange, who + ": unknown " + key + " '" + name + "'");
    return c;
  }
  return integer(d, key, fallback, who);
}

int unitsOf(std::string_view name) {
  if (name == "english") return 1;
  if (name == "metric") return 2;
  return -1;
}

int pileTypeOf(std::string_view name) {
  if (name == "driven") return 1;
  if (name == "drilled" || name == "drilled_shaft") return 2;
  return -1;
}

std::vector<py::dict> list(const py::dict& d, const char* key, const std::string& who) {
  std::vector<py::dict> out;
  if (!has(d, key)) return out;
  for (const py::handle item : d[key]) {
    if (!py::isinstance<py::dict>(item)) {
      throw ModelError(kWrongKind, who + ": an entry of " + key + " is not a record");
    }
    out.push_back(py::reinterpret_borrow<py::dict>(item));
  }
  return out;
}

template <std::size_t N>
void fill(const py::dict& d, const char* key, std::array<double, N>& values,
          const std::string& who) {
  if (!has(d, key)) return;
  std::size_t i = 0;
  for (const py::handle v : d[key]) {
    if (i == N)
      throw ModelError(kOutOfRange,
                       who + ": " + key + " holds more than " + std::to_string(N) + " values");
    try {
      values[i++] = v.cast<double>();
    } catch (const py::cast_error&) {
      throw ModelError(kWrongKind, who + ": " + key + " holds a value that is not a number");
    }
  }
}

// Soil parameters by name: {"gamma": .., "c": .., "phi": ..}; names the writer knows.
void soilRow(const py::dict& d, const char* key, std::array<double, deck::kSoilParameters>& row,
             const std::string& who) {
  if (!has(d, key)) return;
  if (!py::isinstance<py::dict>(d[key])) {
    throw ModelError(kWrongKind, who + ": " + key + " must map parameter names to values");
  }
  for (const auto& [name, value] : py::reinterpret_borrow<py::dict>(d[key])) {
    const std::string n = py::str(name).cast<std::string>();
    const int p = deck::soilParameterOf(n);
    if (p < 0) throw ModelError(kOutOfRange, who + ": unknown soil parameter '" + n + "'");
    try {
      row[static_cast<std::size_t>(p)] = value.cast<double>();
    } catch (const py::cast_error&) {
      throw ModelError(kWrongKind, who + ": " + n + " is not a number");
    }
  }
}

deck::SolutionControl controlFrom(const py::dict& d, const std::string& who) {
  deck::SolutionControl c;
  if (!has(d, "control")) return c;
  const py::dict k = d["control"].cast<py::dict>();
  c.cyclic = flag(k, "cyclic", c.cyclic);
  c.cycles = integer(k, "cycles", c.cycles, who);
  c.capIterations = integer(k, "cap_iterations", c.capIterations, who);
  c.pileIterations = integer(k, "pile_iterations", c.pileIterations, who);
  c.capTolerance = real(k, "cap_tolerance", c.capTolerance, who);
  c.pileTolerance = real(k, "pile_tolerance", c.pileTolerance, who);
  c.increment = real(k, "increment", c.increment, who);
  c.minimumIncrement = real(k, "minimum_increment", c.minimumIncrement, who);
  return c;
}

py::dict controlDict(const deck::SolutionControl& c) {
  py::dict k;
  k["cyclic"] = c.cyclic;
  k["cycles"] = c.cycles;
  k["cap_iterations"] = c.capIterations;
  k["pile_iterations"] = c.pileIterations;
  k["cap_tolerance"] = c.capTolerance;
  k["pile_tolerance"] = c.pileTolerance;
  k["increment"] = c.increment;
  k["minimum_increment"] = c.minimumIncrement;
  return k;
}

std::string indexed(const char* what, std::size_t i) {
  return std::string(what) + " " + std::to_string(i + 1);
}

std::string trimmed(const std::string& s) {
  const std::size_t e = s.find_last_not_of(' ');
  return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

}  // namespace

deck::Model modelFromDict(const py::dict& d) {
  deck::Model m;
  const std::string who = "model";
  if (has(d, "title")) {
    std::size_t i = 0;
    for (const py::handle t : d["title"]) {
      if (i < m.title.size()) m.title[i++] = py::str(t).cast<std::string>();
    }
  }
  m.units = static_cast<deck::Units>(code(d, "units", 1, unitsOf, who));
  if (m.units != deck::Units::kEnglish && m.units != deck::Units::kMetric) {
    throw ModelError(kOutOfRange, "model: units must be 'english' or 'metric'");
  }
  m.groupReduction = integer(d, "group_reduction", m.groupReduction, who);
  fill(d, "group_movement", m.groupMovement, who);
  m.capThickness = real(d, "cap_thickness", m.capThickness, who);
  m.printOption = integer(d, "print_option", m.printOption, who);
  m.nodeInterval = integer(d, "node_interval", m.nodeInterval, who);

  const auto piles = list(d, "piles", who);
  for (std::size_t i = 0; i < piles.size(); ++i) {
    const py::dict& e = piles[i];
    const std::string w = indexed("pile", i);
    deck::Pile& p = m.piles.emplace_back();
    p.x = real(e, "x", 0.0, w);
    p.y = real(e, "y", 0.0, w);
    p.z = real(e, "z", 0.0, w);
    p.batter = real(e, "batter", 0.0, w);
    p.direction = real(e, "direction", 0.0, w);
    p.property = integer(e, "property", 1, w);
    p.connectionY = integer(e, "connection_y", 2, w);
    p.connectionZ = integer(e, "connection_z", 2, w);
    p.springY = real(e, "spring_y", 0.0, w);
    p.springZ = real(e, "spring_z", 0.0, w);
    p.ground = real(e, "ground", 0.0, w);
  }
  const auto layers = list(d, "layers", who);
  for (std::size_t i = 0; i < layers.size(); ++i) {
    const py::dict& e = layers[i];
    const std::string w = indexed("soil layer", i);
    deck::SoilLayer& l = m.layers.emplace_back();
    l.top = real(e, "top", 0.0, w);
    l.bottom = real(e, "bottom", 0.0, w);
    l.family = code(e, "family", 1, deck::soilFamilyOf, w);
    soilRow(e, "at_top", l.atTop, w);
    l.atBottom = l.atTop;  // a layer given only at its top is uniform
    soilRow(e, "at_bottom", l.atBottom, w);
  }
  const auto sections = list(d, "sections", who);
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const py::dict& e = sections[i];
    const std::string w = indexed("cross section", i);
    deck::CrossSection& s = m.sections.emplace_back();
    s.shape = code(e, "shape", 1, deck::shapeOf, w);
    s.name = text(e, "name", w);
    fill(e, "dimensions", s.dimensions, w);
    s.shearModulus = real(e, "shear_modulus", 0.0, w);
    s.area = real(e, "area", 0.0, w);
    s.iz = real(e, "iz", 0.0, w);
    s.iy = real(e, "iy", 0.0, w);
    s.gj = real(e, "gj", 0.0, w);
    s.mn = real(e, "mn", 0.0, w);
    s.vn = real(e, "vn", 0.0, w);
  }
  const auto properties = list(d, "properties", who);
  for (std::size_t i = 0; i < properties.size(); ++i) {
    const py::dict& e = properties[i];
    const std::string w = indexed("pile property", i);
    deck::PileProperty& p = m.properties.emplace_back();
    p.length = real(e, "length", 0.0, w);
    p.increments = integer(e, "increments", p.increments, w);
    p.pileType = code(e, "pile_type", 1, pileTypeOf, w);
    for (const py::dict& s : list(e, "segments", w)) {
      deck::PileSegment& g = p.segments.emplace_back();
      g.from = real(s, "start", 0.0, w);
      g.to = real(s, "end", 0.0, w);
      g.modulus = real(s, "modulus", 0.0, w);
      g.crossSection = integer(s, "cross_section", 1, w);
    }
  }
  const auto cases = list(d, "cases", who);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const py::dict& e = cases[i];
    const std::string w = indexed("load case", i);
    deck::LoadCase& c = m.cases.emplace_back();
    c.name = text(e, "name", w);
    c.loadType = integer(e, "load_type", 0, w);
    c.control = controlFrom(e, w);
    c.axialVariation = flag(e, "axial_variation", false);
    for (const py::dict& l : list(e, "loads", w)) {
      deck::PointLoad& p = c.loads.emplace_back();
      const char* names[] = {"px", "py", "mz", "pz", "my", "mx"};
      for (std::size_t k = 0; k < 6; ++k) p.components[k] = real(l, names[k], 0.0, w);
      p.x = real(l, "x", 0.0, w);
      p.y = real(l, "y", 0.0, w);
      p.z = real(l, "z", 0.0, w);
    }
  }
  const auto combinations = list(d, "combinations", who);
  for (std::size_t i = 0; i < combinations.size(); ++i) {
    const py::dict& e = combinations[i];
    const std::string w = indexed("combination", i);
    deck::Combination& c = m.combinations.emplace_back();
    c.name = text(e, "name", w);
    c.control = controlFrom(e, w);
    c.bendingFactor = real(e, "bending_factor", 1.0, w);
    c.shearFactor = real(e, "shear_factor", 1.0, w);
    for (const py::dict& t : list(e, "terms", w)) {
      deck::CombinationTerm& term = c.terms.emplace_back();
      term.loadCase = integer(t, "load_case", 1, w);
      term.factor = real(t, "factor", 1.0, w);
    }
  }
  return m;
}

py::dict modelToDict(const deck::Model& m) {
  py::dict d;
  d["title"] = py::make_tuple(m.title[0], m.title[1]);
  d["units"] = m.units == deck::Units::kMetric ? "metric" : "english";
  d["group_reduction"] = m.groupReduction;
  d["group_movement"] = py::make_tuple(m.groupMovement[0], m.groupMovement[1]);
  d["cap_thickness"] = m.capThickness;
  d["print_option"] = m.printOption;
  d["node_interval"] = m.nodeInterval;
  py::list piles, layers, sections, properties, cases, combinations;
  for (const deck::Pile& p : m.piles) {
    py::dict e;
    e["x"] = p.x, e["y"] = p.y, e["z"] = p.z;
    e["batter"] = p.batter, e["direction"] = p.direction, e["property"] = p.property;
    e["connection_y"] = p.connectionY, e["connection_z"] = p.connectionZ;
    e["spring_y"] = p.springY, e["spring_z"] = p.springZ, e["ground"] = p.ground;
    piles.append(e);
  }
  for (const deck::SoilLayer& l : m.layers) {
    py::dict e, top, bottom;
    e["top"] = l.top, e["bottom"] = l.bottom, e["family"] = deck::soilFamilyName(l.family);
    for (int k = 0; k < deck::kSoilParameters; ++k) {
      top[deck::soilParameterName(k)] = l.atTop[static_cast<std::size_t>(k)];
      bottom[deck::soilParameterName(k)] = l.atBottom[static_cast<std::size_t>(k)];
    }
    e["at_top"] = top, e["at_bottom"] = bottom;
    layers.append(e);
  }
  for (const deck::CrossSection& s : m.sections) {
    py::dict e;
    e["shape"] = deck::shapeName(s.shape), e["name"] = s.name;
    e["dimensions"] = py::cast(std::vector<double>(s.dimensions.begin(), s.dimensions.end()));
    e["shear_modulus"] = s.shearModulus, e["area"] = s.area, e["iz"] = s.iz, e["iy"] = s.iy;
    e["gj"] = s.gj, e["mn"] = s.mn, e["vn"] = s.vn;
    sections.append(e);
  }
  for (const deck::PileProperty& p : m.properties) {
    py::dict e;
    py::list segments;
    e["length"] = p.length, e["increments"] = p.increments;
    e["pile_type"] = p.pileType == 2 ? "drilled" : "driven";
    for (const deck::PileSegment& g : p.segments) {
      py::dict s;
      s["start"] = g.from, s["end"] = g.to, s["modulus"] = g.modulus;
      s["cross_section"] = g.crossSection;
      segments.append(s);
    }
    e["segments"] = segments;
    properties.append(e);
  }
  for (const deck::LoadCase& c : m.cases) {
    py::dict e;
    py::list loads;
    e["name"] = c.name, e["load_type"] = c.loadType, e["control"] = controlDict(c.control);
    e["axial_variation"] = c.axialVariation;
    for (const deck::PointLoad& l : c.loads) {
      py::dict p;
      const char* names[] = {"px", "py", "mz", "pz", "my", "mx"};
      for (std::size_t k = 0; k < 6; ++k) p[names[k]] = l.components[k];
      p["x"] = l.x, p["y"] = l.y, p["z"] = l.z;
      loads.append(p);
    }
    e["loads"] = loads;
    cases.append(e);
  }
  for (const deck::Combination& c : m.combinations) {
    py::dict e;
    py::list terms;
    e["name"] = c.name, e["control"] = controlDict(c.control);
    e["bending_factor"] = c.bendingFactor, e["shear_factor"] = c.shearFactor;
    for (const deck::CombinationTerm& t : c.terms) {
      py::dict p;
      p["load_case"] = t.loadCase, p["factor"] = t.factor;
      terms.append(p);
    }
    e["terms"] = terms;
    combinations.append(e);
  }
  d["piles"] = piles, d["layers"] = layers, d["sections"] = sections;
  d["properties"] = properties, d["cases"] = cases, d["combinations"] = combinations;
  return d;
}

deck::Model modelFromDeck(std::string_view deckText) {
  AnalysisModel a;
  const ReadResult read = readInputDataFile(deckText, a, ReaderCallbacks{});
  if (!isOk(read.status)) {
    std::string message;
    for (const std::string& l : read.message) message += (message.empty() ? "" : "\n") + l;
    throw ModelError(toInt(read.status), message);
  }
  const auto refuse = [](const std::string& what) {
    throw ModelError(kOutOfRange, "the input data file " + what +
                                      ", which a Model cannot hold; run the file as it is");
  };
  const ControlSwitches& sw = a.switches;
  if (!sw.is3d()) refuse("is a two-dimensional analysis");
  if (sw.unitsCode() != 1 && sw.unitsCode() != 2) refuse("uses the open units system");
  for (const int k : {3, 4, 5, 6, 7, 9, 10, 11, 13, 14, 15}) {
    if (sw.values[static_cast<std::size_t>(k)] != 0) {
      refuse("sets control switch " + std::to_string(k) +
             " (an embedded or flexible cap, user or printed curves, nonlinear bending, "
             "reduction factors, soil movement or curve export)");
    }
  }
  if (a.caseEnvelope.on() || a.combinationEnvelope.on()) refuse("asks for envelopes");
  deck::Model m;
  m.title = {trimmed(a.title[0]), trimmed(a.title[1])};
  m.units = sw.unitsCode() == 2 ? deck::Units::kMetric : deck::Units::kEnglish;
  m.groupReduction = sw.groupReductionOption();
  m.groupMovement = {a.movementFactorY, a.movementFactorZ};
  m.capThickness = a.cap.thickness;
  const auto control = [](const auto& item) {
    deck::SolutionControl c;
    c.cyclic = !item.isStatic();
    c.cycles = item.cycles();
    c.capIterations = item.maxCapIterations();
    c.pileIterations = item.maxPileIterations();
    c.capTolerance = item.capTolerance();
    c.pileTolerance = item.pileTolerance();
    c.increment = item.loadIncrement();
    c.minimumIncrement = item.minimumIncrement();
    return c;
  };
  for (const LoadCase& c : a.loadCases) {
    if (!c.distributedLoads.empty()) refuse("has distributed loads");
    if (c.stiffnessSwitch() != 0) refuse("asks for the foundation stiffness");
    if (c.notAnalyzed()) refuse("has a load case flagged not to be analysed");
    deck::LoadCase& d = m.cases.emplace_back();
    d.name = trimmed(c.name);
    d.loadType = c.loadType();
    d.control = control(c);
    d.axialVariation = c.axialLoadDistribution();
    m.printOption = c.printOption();
    m.nodeInterval = c.printNodeInterval();
    for (const ConcentratedLoad& l : c.concentratedLoads) {
      deck::PointLoad& p = d.loads.emplace_back();
      p.components = {l.px, l.py, l.mz, l.pz, l.my, l.mx};
      p.x = l.x, p.y = l.y, p.z = l.z;
    }
  }
  for (const LoadCombination& c : a.combinations) {
    if (c.notAnalyzed()) refuse("has a combination flagged not to be analysed");
    deck::Combination& d = m.combinations.emplace_back();
    d.name = trimmed(c.name);
    d.control = control(c);
    d.bendingFactor = c.bendingResistanceFactor();
    d.shearFactor = c.shearResistanceFactor();
    for (const CombinationTerm& t : c.terms) d.terms.push_back({t.loadCase, t.factor, 0});
  }
  for (const PileGroupRow& r : a.pileRows) {
    if (r.pyCurveSet != 0 || r.lsCurve != 0 || r.trCurve != 0 || r.reductionSet != 0 ||
        r.pFactorY != 1.0 || r.yFactorY != 1.0 || r.pFactorZ != 1.0 || r.yFactorZ != 1.0) {
      refuse("gives a pile its own curves or p- and y-multipliers (line " + std::to_string(r.line) +
             ")");
    }
    deck::Pile& p = m.piles.emplace_back();
    p.x = r.x, p.y = r.y, p.z = r.z;
    p.batter = 90.0 - r.beta;
    p.direction = p.batter > 0.0 ? r.alpha : 0.0;
    p.property = r.property;
    p.connectionY = r.connectY, p.connectionZ = r.connectZ;
    p.springY = r.springY, p.springZ = r.springZ;
    p.ground = r.ground;
  }
  for (const PileProperty& q : a.properties) {
    deck::PileProperty& p = m.properties.emplace_back();
    p.length = q.length;
    p.increments = q.increments;
    p.pileType = q.pileType;
    for (const PileSection& s : q.sections) {
      if (s.nleiY != 0 || s.nleiZ != 0) refuse("gives a pile section nonlinear bending");
      p.segments.push_back({s.from, s.to, s.elasticModulus, s.crossSection, 0});
    }
  }
  for (const CrossSection& c : a.crossSections) {
    if (c.tapered()) refuse("has a tapered cross section (line " + std::to_string(c.line) + ")");
    deck::CrossSection& s = m.sections.emplace_back();
    s.shape = c.typeCode;
    s.name = trimmed(c.name);
    for (std::size_t k = 0; k < s.dimensions.size(); ++k) s.dimensions[k] = c.top[k + 1];
    s.shearModulus = c.top[9], s.area = c.top[10], s.iz = c.top[11], s.iy = c.top[12];
    s.gj = c.top[14], s.mn = c.top[15], s.vn = c.top[16];
  }
  for (const SoilLayer& l : a.soilLayers) {
    deck::SoilLayer& s = m.layers.emplace_back();
    s.top = l.top, s.bottom = l.bottom, s.family = l.soilType;
    for (std::size_t k = 0; k < s.atTop.size(); ++k) {
      s.atTop[k] = l.parameters[0][k + 1];
      s.atBottom[k] = l.rows >= 2 ? l.parameters[1][k + 1] : l.parameters[0][k + 1];
    }
  }
  return m;
}

}  // namespace stilt::python
