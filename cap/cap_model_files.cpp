#include "cap/cap_model_files.hpp"

#include <fmt/format.h>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>

#include "cap/fixed_fields.hpp"
#include "cap/plate_checks.hpp"

namespace stilt::cap {
namespace {

constexpr double kDirectionFloor = 1.0e-10;  // direction components below it are written as 0

std::string e13(double v) {
  return fieldE(v, 13, 5);
}

std::string timeRecord(const PlateStepping& t) {
  return fieldF(t.dt, 10, 4) + fieldF(t.tini, 10, 4) + fieldF(t.tend, 10, 4) +
         fieldF(t.dtmin, 10, 4) + fieldI(t.maxiter, 10) + e13(t.tolerance);
}

std::string elementRecord(const PlateElement& e, bool repeatNumber) {
  std::string s = fieldI(e.number, 8);
  if (repeatNumber) s += fieldI(e.number, 8);
  s += fieldI(e.material, 8);
  for (int n : e.nodes) s += fieldI(n, 8);
  return s;
}

std::string nodeCoordinates(const PlateNode& n) {
  return fieldF(n.x, 12, 4) + fieldF(n.y, 12, 4) + fieldF(n.z, 12, 4);
}

std::string loadRecord(const PlateLoad& l) {
  std::string s = e13(l.y) + e13(l.z);
  for (double f : l.forces) s += e13(f);
  return s;
}

std::string springRecord(const PlateSpring& p) {
  std::string s = e13(p.x) + e13(p.y) + e13(p.z);
  for (double d : p.direction) s += e13(d);
  for (double f : p.flags) s += e13(f);
  return s;
}

std::string materialValues(const PlateMaterial& mat) {
  return e13(mat.young) + e13(mat.poisson) + e13(mat.thickness);
}

std::string restraintRecord(const PlateRestraint& r) {
  long long code = 0;
  for (int c : r.codes) code = code * 10 + (c != 0 ? 1 : 0);
  std::string s = fieldI(r.node, 8) + fieldI(code, 8);
  for (double v : r.values) s += e13(v);
  return s;
}

// Parsing of one record: fields of fixed widths from the start of the line.
class Record {
 public:
  Record(const CardReader& r, std::size_t index, std::string& error)
      : line_(r.lines[index]), number_(index + 1), file_(r.fileName), error_(error) {}

  bool integer(std::size_t width, long long& v, const char* what) {
    if (!readIntField(line_, offset_, width, v)) return fail(what, width, "AN INTEGER");
    offset_ += width;
    return true;
  }
  bool integer(std::size_t width, int& v, const char* what) {
    long long w = 0;
    if (!integer(width, w, what)) return false;
    if (w < -2147483647LL || w > 2147483647LL) return fail(what, width, "AN INTEGER IN RANGE");
    v = static_cast<int>(w);
    return true;
  }
  bool real(std::size_t width, double& v, const char* what) {
    if (!readRealField(line_, offset_, width, v)) return fail(what, width, "A NUMBER");
    offset_ += width;
    return true;
  }

 private:
  bool fail(const char* what, std::size_t width, const char* kind) {
    error_ = fmt::format("LINE {} OF {}: {} (COLUMNS {}-{}) IS NOT {}", number_, file_, what,
                         offset_ + 1, offset_ + width, kind);
    return false;
  }
  const std::string& line_;
  std::size_t number_;
  const std::string& file_;
  std::string& error_;
  std::size_t offset_ = 0;
};

bool nextLine(CardReader& r, const char* record, std::size_t& index, std::string& error) {
  if (r.next >= r.lines.size()) {
    error = fmt::format("{} ENDS BEFORE {} (AFTER LINE {})", r.fileName, record, r.lines.size());
    return false;
  }
  index = r.next++;
  return true;
}

}  // namespace

std::vector<PlateLoad> twistingMomentLoads(const CapGeometry& g, double mx) {
  double a = 0.0;
  for (double v : {g.thickness, g.length, g.width})
    if (v > 0.0 && (a == 0.0 || v < a)) a = v;
  std::vector<PlateLoad> loads;
  if (a == 0.0) return loads;
  const double basic = -0.5 * mx / a;
  const double tangential = -0.5 * basic;  // 8 forces at a/2 make 8·(a/2)·(MX/4a) = MX
  const double radius = 0.5 * a;
  const double cy = g.y0, cz = -g.z0;  // the centre of the mesh
  const double r2 = std::numbers::sqrt2 / 2.0;
  const std::array<std::array<double, 2>, 8> unit{{{1.0, 0.0},
                                                   {r2, r2},
                                                   {0.0, 1.0},
                                                   {-r2, r2},
                                                   {-1.0, 0.0},
                                                   {-r2, -r2},
                                                   {0.0, -1.0},
                                                   {r2, -r2}}};
  for (const auto& [c, s] : unit) {
    PlateLoad l;
    l.y = cy + radius * c;
    l.z = cz + radius * s;
    l.forces[1] = -tangential * s;  // PY
    l.forces[2] = tangential * c;   // PZ: y·PZ − z·PY = radius·tangential about X
    loads.push_back(l);
  }
  return loads;
}

PlateModel buildCapPlateModel(const CapModelInput& in) {
  PlateModel m;
  m.title = kCapModelTitle;
  buildCapMesh(in.geometry, m.nodes, m.elements);
  m.materials.push_back({in.young, in.poisson, in.geometry.thickness});
  m.stepping = in.stepping;
  PlateLoad resultant;
  resultant.forces = in.load;
  resultant.forces[3] = 0.0;  // the twisting moment goes to the in-plane loads below
  m.loads.push_back(resultant);
  if (std::abs(in.load[3]) > kTwistingMomentThreshold)
    for (const PlateLoad& l : twistingMomentLoads(in.geometry, in.load[3])) m.loads.push_back(l);
  for (const CapPile& p : in.piles) {
    PlateSpring s;
    s.x = p.x;
    s.y = p.y;
    s.z = p.z;
    for (std::size_t i = 0; i < 3; ++i) {
      const double d = std::abs(p.direction[i]);
      s.direction[i] = d < kDirectionFloor ? 0.0 : d;
    }
    s.flags.fill(p.connection == 1 ? 0.0 : 1.0);
    m.springs.push_back(s);
  }
  PlateControl& c = m.control;
  c.npoin = static_cast<int>(m.nodes.size());
  c.nelem = static_cast<int>(m.elements.size());
  c.nclod = static_cast<int>(m.loads.size());
  c.nctsti = static_cast<int>(m.springs.size());
  return m;
}

void writeCardModel(const PlateModel& m, std::ostream& os) {
  const PlateControl& c = m.control;
  os << ' ' << m.title << '\n';
  for (int v : {c.npoin, c.nelem, c.nmats, c.nnode, c.ngaus, c.nvfix, c.nnlod, c.nnsti, c.ndlod,
                c.ndsti, c.nclod, c.ncsti, c.reserved1, c.reserved2, c.nctsti, c.reserved3})
    os << fieldI(v, 8);
  os << '\n' << timeRecord(m.stepping) << '\n';
  for (const PlateElement& e : m.elements) os << elementRecord(e, true) << '\n';
  for (const PlateNode& n : m.nodes)
    os << fieldI(n.number, 8) << fieldI(n.number, 8) << nodeCoordinates(n) << '\n';
  for (std::size_t i = 0; i < m.materials.size(); ++i)
    os << fieldI(static_cast<long long>(i + 1), 8) << materialValues(m.materials[i]) << '\n';
  for (const PlateRestraint& r : m.restraints) os << restraintRecord(r) << '\n';
  for (const PlateLoad& l : m.loads) os << loadRecord(l) << '\n';
  for (const PlateSpring& s : m.springs) os << springRecord(s) << '\n';
}

void writeKeywordModel(const PlateModel& m, std::ostream& os) {
  const auto keyword = [&os](const char* k) { os << ' ' << k << '\n'; };
  keyword("ORLIM5_FC");
  keyword("TITLE");
  os << ' ' << m.title << '\n';
  keyword("ELEMENT_DATA");
  keyword("QUAD8  REDUCED_INTEGRATION");
  for (const PlateElement& e : m.elements) os << '*' << elementRecord(e, false) << '\n';
  keyword("END_ELEMENT_DATA");
  keyword("NODE_DATA");
  for (const PlateNode& n : m.nodes) os << '*' << fieldI(n.number, 8) << nodeCoordinates(n) << '\n';
  keyword("END_NODE_DATA");
  keyword("MATERIAL_DATA");
  for (const PlateMaterial& mat : m.materials) os << "*    ALL" << materialValues(mat) << '\n';
  keyword("END_MATERIAL_DATA");
  keyword("CONCENTRATED_LOAD_DATA");
  for (const PlateLoad& l : m.loads) os << '*' << loadRecord(l) << '\n';
  keyword("END_CONCENTRATED_LOAD_DATA");
  keyword("TOTAL_CONCENTRATED_STIFFNESS_DATA");
  for (const PlateSpring& s : m.springs) os << '*' << springRecord(s) << '\n';
  keyword("END_TOTAL_CONCENTRATED_STIFFNESS_DATA");
  keyword("TIME_STEPPING_DATA");
  os << '*' << timeRecord(m.stepping) << '\n';
  keyword("END_TIME_STEPPING_DATA");
  keyword("END_DATA");
}

CardReader cardReaderOf(std::istream& is, std::string fileName) {
  CardReader r;
  r.fileName = std::move(fileName);
  std::string line;
  while (std::getline(is, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    r.lines.push_back(std::move(line));
  }
  return r;
}

bool readCardHeader(CardReader& r, PlateModel& m, std::string& error) {
  std::size_t i = 0;
  if (!nextLine(r, "THE TITLE", i, error)) return false;
  std::string title = r.lines[i].substr(0, std::min<std::size_t>(r.lines[i].size(), 72));
  const std::size_t first = title.find_first_not_of(' ');
  const std::size_t last = title.find_last_not_of(' ');
  m.title = first == std::string::npos ? "" : title.substr(first, last - first + 1);

  if (!nextLine(r, "THE CONTROL RECORD", i, error)) return false;
  Record c(r, i, error);
  PlateControl& k = m.control;
  for (auto& [field, what] :
       std::initializer_list<std::pair<int*, const char*>>{{&k.npoin, "NPOIN"},
                                                           {&k.nelem, "NELEM"},
                                                           {&k.nmats, "NMATS"},
                                                           {&k.nnode, "NNODE"},
                                                           {&k.ngaus, "NGAUS"},
                                                           {&k.nvfix, "NVFIX"},
                                                           {&k.nnlod, "NNLOD"},
                                                           {&k.nnsti, "NNSTI"},
                                                           {&k.ndlod, "NDLOD"},
                                                           {&k.ndsti, "NDSTI"},
                                                           {&k.nclod, "NCLOD"},
                                                           {&k.ncsti, "NCSTI"},
                                                           {&k.reserved1, "THE 13TH VALUE"},
                                                           {&k.reserved2, "THE 14TH VALUE"},
                                                           {&k.nctsti, "NCTSTI"},
                                                           {&k.reserved3, "THE 16TH VALUE"}})
    if (!c.integer(8, *field, what)) return false;

  if (!nextLine(r, "THE TIME RECORD", i, error)) return false;
  Record t(r, i, error);
  PlateStepping& s = m.stepping;
  return t.real(10, s.dt, "DT") && t.real(10, s.tini, "TINI") && t.real(10, s.tend, "TEND") &&
         t.real(10, s.dtmin, "DTMIN") && t.integer(10, s.maxiter, "MAXITER") &&
         t.real(13, s.tolerance, "THE TOLERANCE");
}

bool readCardBody(CardReader& r, PlateModel& m, std::string& error) {
  const PlateControl& k = m.control;
  // Never reserve beyond what the file can hold.
  const auto count = [&](int n) {
    return static_cast<std::size_t>(
        std::clamp<long long>(n, 0, static_cast<long long>(r.lines.size())));
  };
  std::size_t i = 0;
  m.elements.clear();
  m.elements.reserve(count(k.nelem));
  for (int e = 0; e < k.nelem; ++e) {
    if (!nextLine(r, "AN ELEMENT RECORD", i, error)) return false;
    Record rec(r, i, error);
    PlateElement el;
    int again = 0;
    if (!rec.integer(8, el.number, "THE ELEMENT NUMBER") ||
        !rec.integer(8, again, "THE ELEMENT NUMBER") ||
        !rec.integer(8, el.material, "THE MATERIAL NUMBER"))
      return false;
    for (int& n : el.nodes)
      if (!rec.integer(8, n, "A NODE NUMBER")) return false;
    m.elements.push_back(el);
  }
  m.nodes.clear();
  m.nodes.reserve(count(k.npoin));
  std::vector<char> seen(count(k.npoin), 0);
  for (int n = 0; n < k.npoin; ++n) {
    if (!nextLine(r, "A NODE RECORD", i, error)) return false;
    Record rec(r, i, error);
    PlateNode node;
    int code = 0;
    if (!rec.integer(8, node.number, "THE NODE NUMBER") || !rec.integer(8, code, "THE NODE CODE") ||
        !rec.real(12, node.x, "X") || !rec.real(12, node.y, "Y") || !rec.real(12, node.z, "Z"))
      return false;
    if (node.number < 1 || node.number > k.npoin ||
        static_cast<std::size_t>(node.number) > seen.size() ||
        seen[static_cast<std::size_t>(node.number - 1)]++ != 0) {
      error = fmt::format("LINE {} OF {}: NODE NUMBER {} IS REPEATED OR OUTSIDE 1 TO NPOIN = {}",
                          i + 1, r.fileName, node.number, k.npoin);
      return false;
    }
    m.nodes.push_back(node);
  }
  // The plate addresses a node by its number: keep them in that order.
  std::sort(m.nodes.begin(), m.nodes.end(),
            [](const PlateNode& a, const PlateNode& b) { return a.number < b.number; });
  m.materials.clear();
  for (int n = 0; n < k.nmats; ++n) {
    if (!nextLine(r, "A MATERIAL RECORD", i, error)) return false;
    Record rec(r, i, error);
    int number = 0;
    PlateMaterial mat;
    if (!rec.integer(8, number, "THE MATERIAL NUMBER") ||
        !rec.real(13, mat.young, "YOUNG'S MODULUS") ||
        !rec.real(13, mat.poisson, "POISSON'S RATIO") ||
        !rec.real(13, mat.thickness, "THE THICKNESS"))
      return false;
    m.materials.push_back(mat);
  }
  m.restraints.clear();
  for (int n = 0; n < k.nvfix; ++n) {
    if (!nextLine(r, "A RESTRAINT RECORD", i, error)) return false;
    Record rec(r, i, error);
    PlateRestraint res;
    long long code = 0;
    if (!rec.integer(8, res.node, "THE RESTRAINED NODE") ||
        !rec.integer(8, code, "THE RESTRAINT CODE"))
      return false;
    for (int d = kNodeFreedoms - 1; d >= 0; --d) {
      res.codes[static_cast<std::size_t>(d)] = static_cast<int>(code % 10 != 0);
      code /= 10;
    }
    for (double& v : res.values)
      if (!rec.real(13, v, "A PRESCRIBED VALUE")) return false;
    m.restraints.push_back(res);
  }
  m.loads.clear();
  for (int n = 0; n < k.nclod; ++n) {
    if (!nextLine(r, "A LOAD RECORD", i, error)) return false;
    Record rec(r, i, error);
    PlateLoad l;
    if (!rec.real(13, l.y, "Y") || !rec.real(13, l.z, "Z")) return false;
    for (double& f : l.forces)
      if (!rec.real(13, f, "A LOAD")) return false;
    m.loads.push_back(l);
  }
  m.springs.clear();
  for (int n = 0; n < k.nctsti; ++n) {
    if (!nextLine(r, "A PILE-SPRING RECORD", i, error)) return false;
    Record rec(r, i, error);
    PlateSpring s;
    if (!rec.real(13, s.x, "X") || !rec.real(13, s.y, "Y") || !rec.real(13, s.z, "Z")) return false;
    for (double& d : s.direction)
      if (!rec.real(13, d, "A DIRECTION COMPONENT")) return false;
    for (double& f : s.flags)
      if (!rec.real(13, f, "A CONNECTION FLAG")) return false;
    m.springs.push_back(s);
  }
  return true;
}

std::vector<std::string> remainingLines(const CardReader& r) {
  return {r.lines.begin() + static_cast<std::ptrdiff_t>(std::min(r.next, r.lines.size())),
          r.lines.end()};
}

CapFileNames capFileNamesFor(const std::string& stem) {
  return {stem + "_plate_model.key", stem + "_plate_model.dat", stem + "_plate.lst",
          stem + "_plate_steps.dat", stem + "_plate.msg"};
}

std::string gslabText(const CapFileNames& n) {
  std::string s;
  for (const std::string* name :
       {&n.keywordModel, &n.cardModel, &n.listing, &n.stepResults, &n.messages})
    s += fmt::format("{:<75}\n", *name);
  return s;
}

bool readGslab(std::istream& is, CapFileNames& n, std::string& error) {
  std::string* fields[] = {&n.keywordModel, &n.cardModel, &n.listing, &n.stepResults, &n.messages};
  int line = 0;
  for (std::string* f : fields) {
    ++line;
    if (!std::getline(is, *f)) {
      error = fmt::format("{} ENDS BEFORE LINE {} (IT NAMES FIVE FILES)", kGslabName, line);
      return false;
    }
    const std::size_t end = f->find_last_not_of(" \r\t");
    f->erase(end == std::string::npos ? 0 : end + 1);
    if (f->empty()) {
      error = fmt::format("LINE {} OF {} NAMES NO FILE", line, kGslabName);
      return false;
    }
  }
  return true;
}

bool writeCapModel(const std::filesystem::path& folder, const CapFileNames& names,
                   const PlateModel& m, std::string& error) {
  const auto write = [&](const std::string& name, auto&& body) {
    const std::filesystem::path path = folder / name;
    std::ofstream os(path, std::ios::binary | std::ios::trunc);
    if (os) body(os);
    os.close();
    if (!os) {
      error = "CANNOT WRITE " + path.string();
      return false;
    }
    return true;
  };
  return write(kGslabName, [&](std::ostream& os) { os << gslabText(names); }) &&
         write(names.cardModel, [&](std::ostream& os) { writeCardModel(m, os); }) &&
         write(names.keywordModel, [&](std::ostream& os) { writeKeywordModel(m, os); });
}

PlateStatus runCapPlateSolver(const std::filesystem::path& folder, CapSupports* supports,
                              PlateSolution& solution, std::vector<std::string>& messages,
                              std::string& error) {
  std::ifstream gslab(folder / kGslabName);
  if (!gslab) {
    error = std::string(kGslabName) + " CANNOT BE OPENED IN " + folder.string();
    return PlateStatus::kFileError;
  }
  CapFileNames names;
  if (!readGslab(gslab, names, error)) return PlateStatus::kFileError;
  std::ifstream card(folder / names.cardModel);
  if (!card) {
    error = "THE CARD MODEL " + names.cardModel + " CANNOT BE OPENED";
    return PlateStatus::kFileError;
  }
  CardReader reader = cardReaderOf(card, names.cardModel);
  std::ofstream listing(folder / names.listing, std::ios::binary | std::ios::trunc);
  std::ofstream steps(folder / names.stepResults, std::ios::binary | std::ios::trunc);
  std::ofstream messageFile(folder / names.messages, std::ios::binary | std::ios::trunc);
  if (!listing || !steps || !messageFile) {
    error =
        "THE PLATE LISTING, STEP RESULTS OR MESSAGE FILE CANNOT BE WRITTEN IN " + folder.string();
    return PlateStatus::kFileError;
  }
  PlateOutputs out;
  out.listing = &listing;
  out.steps = &steps;
  PlateModel m;
  PlateStatus status = PlateStatus::kCompleted;
  if (!readCardHeader(reader, m, error)) {
    status = PlateStatus::kFileError;
  } else {
    PlateCheck check;
    checkControl(m.control, check);
    if (check.check1Failed()) {
      // The counts cannot be trusted: the rest of the file is listed, not read.
      writeModelEcho(m, listing);
      const std::vector<std::string> lines = check1Lines(check);
      for (const std::string& l : lines) listing << l << '\n';
      out.messages.insert(out.messages.end(), lines.begin(), lines.end());
      listing << "\n NOW FOLLOWING A LISTING OF POST-DISASTER DATA CARDS\n\n";
      for (const std::string& l : remainingLines(reader)) listing << l << '\n';
      status = PlateStatus::kCheck1Failed;
    } else if (!readCardBody(reader, m, error)) {
      status = PlateStatus::kFileError;
    } else {
      const std::vector<std::string> rest = remainingLines(reader);
      status = runPlateAnalysis(m, supports, &rest, out, solution);
    }
  }
  if (status == PlateStatus::kFileError) {
    listing << ' ' << error << '\n';
    out.messages.push_back(" " + error);
  }
  for (const std::string& l : out.messages) messageFile << l << '\n';
  messages = std::move(out.messages);
  listing.close();
  steps.close();
  messageFile.close();
  if (!listing || !steps || !messageFile) {
    error = "THE PLATE FILES COULD NOT BE WRITTEN WHOLE IN " + folder.string();
    return PlateStatus::kFileError;
  }
  return status;
}

}  // namespace stilt::cap
