#include "model/model_tables.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <string_view>

namespace stilt::deck {
namespace {

struct Row {
  int line = 0;
  std::vector<std::string> cells;
};

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  return out;
}

std::string trimmed(std::string_view s) {
  const std::size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string_view::npos) return {};
  const std::size_t b = s.find_last_not_of(" \t\r");
  return std::string(s.substr(a, b - a + 1));
}

// One CSV table: its columns by (lower-case) name and its rows, read with the line of each.
class CsvTable {
 public:
  CsvTable(const TableText& source, std::vector<TableError>& errors)
      : file_(source.name), errors_(errors) {
    std::string_view text = source.text;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a spreadsheet's byte mark
    int line = 0;
    bool header = true;
    while (!text.empty()) {
      const std::size_t end = text.find('\n');
      const std::string_view raw = text.substr(0, end);
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
      ++line;
      const std::string t = trimmed(raw);
      if (t.empty() || t.front() == '#') continue;
      if (header) {
        separator_ =
            t.find(',') == std::string::npos && t.find(';') != std::string::npos ? ';' : ',';
      }
      std::optional<std::vector<std::string>> cells = split(raw, line);
      if (!cells) continue;
      if (header) {
        header = false;
        headerLine_ = line;
        for (std::size_t i = 0; i < cells->size(); ++i) {
          const std::string name = lower(trimmed((*cells)[i]));
          if (name.empty()) {
            error(line, 43, "column " + std::to_string(i + 1) + " has no name in the header");
          } else if (!columns_.emplace(name, i).second) {
            error(line, 43, "column '" + name + "' appears twice in the header");
          }
        }
        width_ = cells->size();
        continue;
      }
      if (std::all_of(cells->begin(), cells->end(),
                      [](const std::string& c) { return trimmed(c).empty(); })) {
        continue;  // a row of empty cells, as spreadsheets save below a table
      }
      if (cells->size() > width_) {
        error(line, 43,
              std::to_string(cells->size()) + " cells, but the header names " +
                  std::to_string(width_) + " columns");
        continue;
      }
      rows_.push_back({line, std::move(*cells)});
    }
    if (header) error(0, 46, "the table is empty: it needs a header row and at least one row");
  }

  const std::vector<Row>& rows() const { return rows_; }

  // Refuses columns the table does not know (a misspelt name would otherwise be ignored) and
  // names the required ones that are missing.
  void expect(const std::vector<std::string>& required, const std::vector<std::string>& optional,
              bool (*extra)(std::string_view) = nullptr) {
    if (headerLine_ == 0) return;
    for (const auto& [name, index] : columns_) {
      const bool known = std::find(required.begin(), required.end(), name) != required.end() ||
                         std::find(optional.begin(), optional.end(), name) != optional.end() ||
                         (extra != nullptr && extra(name));
      if (!known) error(headerLine_, 43, "unknown column '" + name + "'");
    }
    for (const std::string& name : required) {
      if (!columns_.contains(name)) error(headerLine_, 46, "the column '" + name + "' is missing");
    }
  }

  bool has(const std::string& column) const { return columns_.contains(column); }

  std::string cell(const Row& r, const std::string& column) const {
    const auto it = columns_.find(column);
    if (it == columns_.end() || it->second >= r.cells.size()) return {};
    return trimmed(r.cells[it->second]);
  }

  bool empty(const Row& r, const std::string& column) const { return cell(r, column).empty(); }

  double real(const Row& r, const std::string& column, double fallback = 0.0) {
    const std::string s = cell(r, column);
    if (s.empty()) return fallback;
    double v = 0.0;
    const char* first = s.data() + (s.front() == '+' ? 1 : 0);
    const auto [end, ec] = std::from_chars(first, s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) {
      error(r.line, 43, "column '" + column + "': '" + s + "' is not a number");
      return fallback;
    }
    return v;
  }

  int integer(const Row& r, const std::string& column, int fallback) {
    const std::string s = cell(r, column);
    if (s.empty()) return fallback;
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) {
      error(r.line, 43, "column '" + column + "': '" + s + "' is not a whole number");
      return fallback;
    }
    return v;
  }

  // A code given by name or by number: `names` lists the names of codes first, first + 1, ...
  int code(const Row& r, const std::string& column, int fallback, int first,
           const std::vector<std::string>& names) {
    const std::string s = lower(cell(r, column));
    if (s.empty()) return fallback;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (s == names[i]) return first + static_cast<int>(i);
    }
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec == std::errc() && end == s.data() + s.size() && v >= first &&
        v < first + static_cast<int>(names.size())) {
      return v;
    }
    std::string list;
    for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
    error(r.line, 43, "column '" + column + "': '" + cell(r, column) + "' is not one of " + list);
    return fallback;
  }

  void error(int line, int status, std::string text) {
    errors_.push_back({file_, line, status, std::move(text)});
  }

  const std::string& file() const { return file_; }

 private:
  std::optional<std::vector<std::string>> split(std::string_view raw, int line) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      const char c = raw[i];
      if (quoted) {
        if (c == '"' && i + 1 < raw.size() && raw[i + 1] == '"') {
          cells.back() += '"';
          ++i;
        } else if (c == '"') {
          quoted = false;
        } else {
          cells.back() += c;
        }
      } else if (c == '"' && trimmed(cells.back()).empty()) {
        cells.back().clear();
        quoted = true;
      } else if (c == separator_) {
        cells.emplace_back();
      } else {
        cells.back() += c;
      }
    }
    if (quoted) {
      error(line, 43, "a quoted cell is not closed on its line");
      return std::nullopt;
    }
    return cells;
  }

  std::string file_;
  std::vector<TableError>& errors_;
  char separator_ = ',';
  int headerLine_ = 0;
  std::size_t width_ = 0;
  std::map<std::string, std::size_t> columns_;
  std::vector<Row> rows_;
};

const std::vector<std::string> kConnections{"pinned", "fixed", "spring"};
const std::vector<std::string> kPileTypes{"driven", "drilled"};
const std::vector<std::string> kLoadings{"static", "cyclic"};
const std::vector<std::string> kYesNo{"no", "yes"};
const std::vector<std::string> kLoadTypes{"dead",  "live",        "seismic", "impact",    "wind",
                                          "water", "ice",         "soils",   "roof_live", "rain",
                                          "snow",  "temperature", "special"};

// Items numbered in a column (property, case, combination) must come 1, 2, 3, ... with the rows
// of one item together; returns the item of the row, or 0 after an error.
int itemOf(CsvTable& t, const Row& r, const std::string& column, int& current) {
  const int n = t.integer(r, column, 0);
  if (n == current && n > 0) return n;
  if (n == current + 1) return current = n;
  t.error(r.line, 46,
          "column '" + column + "': " + std::to_string(n) + " where " +
              (current == 0 ? std::string("1")
                            : std::to_string(current) + " or " + std::to_string(current + 1)) +
              " is due (number them from 1, the rows of each together)");
  return 0;
}

// Values given once per item: later rows of the item leave them empty or repeat them.
void consistent(CsvTable& t, const Row& r, const Row& first,
                std::initializer_list<const char*> columns, const std::string& item) {
  for (const char* column : columns) {
    if (t.empty(r, column) || t.cell(r, column) == t.cell(first, column)) continue;
    t.error(r.line, 46,
            "column '" + std::string(column) + "' differs from the first row of " + item);
  }
}

void readPiles(CsvTable& t, Model& m) {
  t.expect({"y", "z", "property"}, {"pile", "x", "batter", "direction", "connection",
                                    "connection_z", "spring", "spring_z", "ground"});
  for (const Row& r : t.rows()) {
    Pile p;
    p.line = r.line;
    p.x = t.real(r, "x");
    p.y = t.real(r, "y");
    p.z = t.real(r, "z");
    p.batter = t.real(r, "batter");
    p.direction = t.real(r, "direction");
    p.property = t.integer(r, "property", 0);
    p.connectionY = t.code(r, "connection", 2, 1, kConnections);
    p.connectionZ = t.code(r, "connection_z", p.connectionY, 1, kConnections);
    p.springY = t.real(r, "spring");
    p.springZ = t.real(r, "spring_z", p.springY);
    p.ground = t.real(r, "ground");
    m.piles.push_back(p);
  }
}

bool soilColumn(std::string_view name) {
  if (name.ends_with("_bottom")) name.remove_suffix(7);
  return soilParameterOf(name) >= 0;
}

void readSoil(CsvTable& t, Model& m) {
  t.expect({"top", "bottom", "family"}, {"layer"}, soilColumn);
  std::vector<std::string> families;
  for (int f = 1; f <= 11; ++f) families.emplace_back(soilFamilyName(f));
  for (const Row& r : t.rows()) {
    SoilLayer l;
    l.line = r.line;
    l.top = t.real(r, "top");
    l.bottom = t.real(r, "bottom");
    l.family = t.code(r, "family", 0, 1, families);
    for (const std::string name :
         {"gamma", "c", "qu", "phi", "k", "er", "eps50", "krm", "rqd", "side", "tip"}) {
      if (!t.has(name) && !t.has(name + "_bottom")) continue;
      const std::size_t k = static_cast<std::size_t>(soilParameterOf(name));
      if (t.empty(r, name) && t.empty(r, name + "_bottom")) continue;
      l.atTop[k] = t.real(r, name, l.atTop[k]);
      l.atBottom[k] = t.real(r, name + "_bottom", t.real(r, name, l.atBottom[k]));
    }
    m.layers.push_back(l);
  }
}

void readProperties(CsvTable& t, Model& m) {
  t.expect({"property", "length", "e", "diameter", "area", "iz", "gj"},
           {"increments", "pile_type", "from", "to", "shape", "name", "inner_diameter", "width",
            "depth", "inner_width", "inner_depth", "flange", "web", "g", "iy", "mn", "vn"});
  int current = 0;
  const Row* firstRow = nullptr;
  for (const Row& r : t.rows()) {
    const int n = itemOf(t, r, "property", current);
    if (n == 0) continue;
    const bool first = static_cast<std::size_t>(n) > m.properties.size();
    if (first) {
      PileProperty p;
      p.line = r.line;
      p.length = t.real(r, "length");
      p.increments = t.integer(r, "increments", 100);
      p.pileType = t.code(r, "pile_type", 1, 1, kPileTypes);
      m.properties.push_back(p);
    }
    if (first) firstRow = &r;
    PileProperty& p = m.properties.back();
    consistent(t, r, *firstRow, {"length", "increments", "pile_type"},
               "property " + std::to_string(n));

    CrossSection s;
    s.line = r.line;
    s.shape = t.code(r, "shape", 1, 0, {"general", "pipe", "box", "i_section", "h_section"});
    s.dimensions = {t.real(r, "diameter"),    t.real(r, "inner_diameter"),
                    t.real(r, "width"),       t.real(r, "depth"),
                    t.real(r, "inner_width"), t.real(r, "inner_depth"),
                    t.real(r, "flange"),      t.real(r, "web")};
    s.shearModulus = t.real(r, "g");
    s.area = t.real(r, "area");
    s.iz = t.real(r, "iz");
    s.iy = t.real(r, "iy", s.iz);
    s.gj = t.real(r, "gj");
    s.mn = t.real(r, "mn");
    s.vn = t.real(r, "vn");
    s.name = t.cell(r, "name");
    if (s.name.empty()) {
      char buf[64];
      const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, s.dimensions[0]);
      s.name =
          std::string(shapeName(s.shape)) + " " + std::string(buf, ec == std::errc() ? end : buf);
    }
    // Rows that give the same section share one cross section.
    const auto match =
        std::find_if(m.sections.begin(), m.sections.end(), [&](const CrossSection& o) {
          return o.shape == s.shape && o.name == s.name && o.dimensions == s.dimensions &&
                 o.shearModulus == s.shearModulus && o.area == s.area && o.iz == s.iz &&
                 o.iy == s.iy && o.gj == s.gj && o.mn == s.mn && o.vn == s.vn;
        });
    int section = static_cast<int>(match - m.sections.begin()) + 1;
    if (match == m.sections.end()) m.sections.push_back(s);

    PileSegment seg;
    seg.line = r.line;
    seg.crossSection = section;
    seg.modulus = t.real(r, "e");
    seg.from = t.real(r, "from", p.segments.empty() ? 0.0 : p.segments.back().to);
    seg.to = t.real(r, "to", p.length);
    p.segments.push_back(seg);
  }
}

void readLoads(CsvTable& t, Model& m) {
  const std::vector<std::string> components{"px", "py", "mz", "pz", "my", "mx"};
  t.expect({"case"}, {"name", "type", "loading", "cycles", "axial", "px", "py", "mz", "pz", "my",
                      "mx", "x", "y", "z"});
  int current = 0;
  const Row* firstRow = nullptr;
  for (const Row& r : t.rows()) {
    const int n = itemOf(t, r, "case", current);
    if (n == 0) continue;
    if (static_cast<std::size_t>(n) > m.cases.size()) {
      LoadCase c;
      c.line = r.line;
      c.name = t.cell(r, "name");
      c.loadType = t.code(r, "type", 0, 0, kLoadTypes);
      c.control.cyclic = t.code(r, "loading", 0, 0, kLoadings) == 1;
      c.control.cycles = t.integer(r, "cycles", 1);
      c.axialVariation = t.code(r, "axial", 0, 0, kYesNo) == 1;
      m.cases.push_back(c);
      firstRow = &r;
    } else {
      consistent(t, r, *firstRow, {"name", "type", "loading", "cycles", "axial"},
                 "case " + std::to_string(n));
    }
    PointLoad l;
    bool any = false;
    for (std::size_t k = 0; k < components.size(); ++k) {
      any = any || !t.empty(r, components[k]);
      l.components[k] = t.real(r, components[k]);
    }
    l.x = t.real(r, "x");
    l.y = t.real(r, "y");
    l.z = t.real(r, "z");
    if (any) m.cases.back().loads.push_back(l);
  }
}

void readCombinations(CsvTable& t, Model& m) {
  t.expect({"combination", "case", "factor"},
           {"name", "loading", "cycles", "bending_rf", "shear_rf"});
  int current = 0;
  const Row* firstRow = nullptr;
  for (const Row& r : t.rows()) {
    const int n = itemOf(t, r, "combination", current);
    if (n == 0) continue;
    if (static_cast<std::size_t>(n) > m.combinations.size()) {
      Combination c;
      c.line = r.line;
      c.name = t.cell(r, "name");
      c.control.cyclic = t.code(r, "loading", 0, 0, kLoadings) == 1;
      c.control.cycles = t.integer(r, "cycles", 1);
      c.bendingFactor = t.real(r, "bending_rf", 1.0);
      c.shearFactor = t.real(r, "shear_rf", 1.0);
      m.combinations.push_back(c);
      firstRow = &r;
    } else {
      consistent(t, r, *firstRow, {"name", "loading", "cycles", "bending_rf", "shear_rf"},
                 "combination " + std::to_string(n));
    }
    m.combinations.back().terms.push_back(
        {t.integer(r, "case", 0), t.real(r, "factor", 1.0), r.line});
  }
}

}  // namespace

std::string messageOf(const TableError& e) {
  return e.file + (e.line > 0 ? ", line " + std::to_string(e.line) : std::string()) + ": " + e.text;
}

std::vector<TableError> readTables(const TableTexts& in, Model& model) {
  std::vector<TableError> errors;
  CsvTable piles(in.piles, errors);
  readPiles(piles, model);
  CsvTable soil(in.soil, errors);
  readSoil(soil, model);
  CsvTable properties(in.properties, errors);
  readProperties(properties, model);
  CsvTable loads(in.loads, errors);
  readLoads(loads, model);
  if (!in.combinations.name.empty()) {
    CsvTable combinations(in.combinations, errors);
    readCombinations(combinations, model);
  }
  if (!errors.empty()) return errors;  // the model is not what the tables meant

  for (const Problem& p : modelProblems(model)) {
    const TableText* source = nullptr;
    switch (p.table) {
      case deck::Table::kPiles:
        source = &in.piles;
        break;
      case deck::Table::kSoil:
        source = &in.soil;
        break;
      case deck::Table::kProperties:
        source = &in.properties;
        break;
      case deck::Table::kLoads:
        source = &in.loads;
        break;
      case deck::Table::kCombinations:
        source = &in.combinations;
        break;
      case deck::Table::kModel:
        break;
    }
    errors.push_back({source != nullptr ? source->name : "the options", p.line, p.status, p.text});
  }
  return errors;
}

}  // namespace stilt::deck
