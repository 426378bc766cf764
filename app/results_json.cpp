#include "app/results_json.hpp"

#include <fmt/format.h>

#include <charconv>
#include <map>
#include <optional>
#include <sstream>

#include "app/host.hpp"
#include "model/input_reader.hpp"

namespace stilt::app {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::vector<std::string> kQuantityNames = {"axial_displacement",
                                                 "deflection_y",
                                                 "deflection_z",
                                                 "deflection_yz",
                                                 "displacement_x_global",
                                                 "displacement_y_global",
                                                 "displacement_z_global",
                                                 "displacement_yz_global",
                                                 "moment_z",
                                                 "moment_y",
                                                 "moment_yz",
                                                 "shear_y",
                                                 "shear_z",
                                                 "shear_yz",
                                                 "soil_reaction_y",
                                                 "soil_reaction_z",
                                                 "soil_reaction_yz",
                                                 "axial_force",
                                                 "total_stress",
                                                 "bending_stiffness_z",
                                                 "bending_stiffness_y",
                                                 "distributed_load_y",
                                                 "distributed_load_z",
                                                 "moment_demand_capacity",
                                                 "shear_demand_capacity"};

std::vector<std::string> linesOf(const fs::path& file) {
  std::vector<std::string> lines;
  std::string text;
  if (!readRegularFile(file, text)) return lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string trim(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  const std::size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

bool startsWith(const std::string& s, std::string_view prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// Every number of a line of blank-separated values.
std::vector<double> numbers(const std::string& line) {
  std::vector<double> out;
  std::istringstream in(line);
  std::string token;
  while (in >> token) {
    double v = 0.0;
    const char* first = token.data();
    if (*first == '+') ++first;
    const auto [ptr, ec] = std::from_chars(first, token.data() + token.size(), v);
    if (ec != std::errc() || ptr != token.data() + token.size()) return {};
    out.push_back(v);
  }
  return out;
}

// The item a heading line opens ("LOAD CASE :     1", "LOAD COMB. :     2"): kind and number.
std::optional<std::pair<std::string, int>> itemHeading(const std::string& line) {
  for (const auto& [prefix, kind] :
       {std::pair<std::string_view, const char*>{"LOAD CASE :", "case"},
        {"LOAD COMB. :", "combination"}}) {
    if (!startsWith(line, prefix)) continue;
    const std::vector<double> n = numbers(line.substr(prefix.size()));
    if (n.size() == 1) return std::pair{std::string(kind), static_cast<int>(n[0])};
  }
  return std::nullopt;
}

std::string key(const std::string& kind, int number) {
  return kind + ":" + std::to_string(number);
}

struct ItemResults {
  std::optional<std::pair<int, std::string>> result;  // code and text of its status line
  json capLoad = json::array();
  json capDisplacement = json::array();
  int iterations = 0;
  json piles = json::array();
};

// The coded status lines of the convergence-status file, by item.
void readConvergence(const fs::path& file, std::map<std::string, ItemResults>& items) {
  std::string current;
  for (const std::string& line : linesOf(file)) {
    if (auto h = itemHeading(line)) {
      current = key(h->first, h->second);
      items[current];
      continue;
    }
    if (current.empty()) continue;
    const std::string t = trim(line);
    std::size_t digits = 0;
    while (digits < t.size() && std::isdigit(static_cast<unsigned char>(t[digits]))) ++digits;
    if (digits == 0 || digits >= t.size() || t[digits] != ' ') continue;
    items[current].result = std::pair{std::stoi(t.substr(0, digits)), trim(t.substr(digits))};
  }
}

json vectorOf(const std::vector<double>& v) {
  return json(v);
}

// The cap and pile results of every solved item, from the pile-cap results file.
void readCapResults(const fs::path& file, std::map<std::string, ItemResults>& items) {
  const std::vector<std::string> lines = linesOf(file);
  std::string current;
  const auto next = [&](std::size_t& i) -> std::vector<double> {
    return ++i < lines.size() ? numbers(lines[i]) : std::vector<double>{};
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (auto h = itemHeading(line)) {
      current = key(h->first, h->second);
      continue;
    }
    if (current.empty()) continue;
    ItemResults& item = items[current];
    if (line == "* EQUIVALENT CONC. LOAD AT ORIGIN *") {
      item.capLoad = vectorOf(next(i));
    } else if (line == "* DISPLACEMENT OF PILE CAP AT ORIGIN *") {
      item.capDisplacement = vectorOf(next(i));
    } else if (startsWith(line, "NUMBER OF GLOBAL ITERATIONS =")) {
      const std::vector<double> n = numbers(line.substr(29));
      if (n.size() == 1) item.iterations = static_cast<int>(n[0]);
    } else if (startsWith(line, "* PILE GROUP *")) {
      json pile;
      const std::vector<double> n = numbers(line.substr(14));
      pile["number"] = n.empty() ? 0 : static_cast<int>(n[0]);
      item.piles.push_back(pile);
    } else if (line == "* PILE TOP DISP. AND REACT. GLOBAL" && !item.piles.empty()) {
      json& pile = item.piles.back();
      pile["head_displacement_global"] = vectorOf(next(i));
      pile["head_force_global"] = vectorOf(next(i));
      const std::vector<double> stress = next(i);
      pile["max_stress"] = stress.empty() ? 0.0 : stress[0];
    } else if (line == "* PILE TOP DISP. AND REACT. LOCAL" && !item.piles.empty()) {
      json& pile = item.piles.back();
      pile["head_displacement_local"] = vectorOf(next(i));
      pile["head_force_local"] = vectorOf(next(i));
      (void)next(i);
    } else if (trim(line) == "* EFFECTS FOR LATERALLY LOADED PILE *" && !item.piles.empty()) {
      const std::vector<double> switches = next(i);
      std::vector<int> selected;
      for (std::size_t q = 1; q < switches.size() && q <= kQuantityNames.size(); ++q) {
        if (switches[q] != 0.0) selected.push_back(static_cast<int>(q));
      }
      json along;
      along["depth"] = json::array();
      for (int q : selected) along[kQuantityNames[static_cast<std::size_t>(q - 1)]] = json::array();
      while (i + 1 < lines.size()) {
        const std::vector<double> row = numbers(lines[i + 1]);
        if (row.size() != selected.size() + 1) break;
        ++i;
        along["depth"].push_back(row[0]);
        for (std::size_t k = 0; k < selected.size(); ++k) {
          along[kQuantityNames[static_cast<std::size_t>(selected[k] - 1)]].push_back(row[k + 1]);
        }
      }
      item.piles.back()["along"] = along;
    }
  }
}

// The joined head curves of every property, from the plot file.
std::map<std::pair<std::string, int>, json> readCurves(const fs::path& file) {
  std::map<std::pair<std::string, int>, json> curves;
  const std::vector<std::string> lines = linesOf(file);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    for (const char* kind : {"LOAD-SETTLEMENT", "TORQUE-ROTATION"}) {
      const std::string head = std::string(kind) + " CURVE, PILE PROPERTY:";
      if (!startsWith(lines[i], head)) continue;
      const std::string rest = lines[i].substr(head.size());
      const std::size_t at = rest.find("NPOINTS=");
      if (at == std::string::npos) continue;
      const std::vector<double> prop = numbers(rest.substr(0, at));
      const std::vector<double> count = numbers(rest.substr(at + 8));
      if (prop.size() != 1 || count.size() != 1) continue;
      json points = json::array();
      for (int k = 0; k < static_cast<int>(count[0]) && i + 1 < lines.size(); ++k) {
        const std::vector<double> p = numbers(lines[++i]);
        if (p.size() == 2) points.push_back(p);
      }
      curves[{kind, static_cast<int>(prop[0])}] = points;
    }
  }
  return curves;
}

std::string trimmedLabel(int unitsCode, bool force) {
  if (unitsCode == 1) return force ? "LBS" : "IN";
  if (unitsCode == 2) return force ? "KN" : "M";
  return force ? "F" : "L";
}

}  // namespace

const std::vector<std::string>& quantityNames() {
  return kQuantityNames;
}

json buildResults(const std::vector<fs::path>& paths, int status) {
  const auto pathOf = [&](int line) -> fs::path {
    const std::size_t k = static_cast<std::size_t>(line - 5);
    return k < paths.size() ? paths[k] : fs::path();
  };
  json r;
  r["status"] = status;
  // The status lines of the run: the runtime file's lines after its last line of four blanks.
  {
    const std::vector<std::string> runtime = linesOf(pathOf(9));
    std::size_t last = runtime.size();
    for (std::size_t i = 0; i < runtime.size(); ++i) {
      if (runtime[i] == "    ") last = i;
    }
    json statusLines = json::array();
    for (std::size_t i = last + 1; i < runtime.size(); ++i) {
      if (!trim(runtime[i]).empty()) statusLines.push_back(validUtf8(trim(runtime[i])));
    }
    r["status_lines"] = statusLines;
  }

  // The model as the input file states it.
  std::string text;
  if (!readRegularFile(pathOf(5), text)) text.clear();
  AnalysisModel model;
  const ReadResult read = readInputDataFile(text, model, ReaderCallbacks{});
  const bool modelRead = isOk(read.status);
  const int units = model.switches.unitsCode();
  r["analysis_type"] = model.switches.analysisType();
  r["units"] = units;
  r["force_unit"] = trimmedLabel(units, true);
  r["length_unit"] = trimmedLabel(units, false);
  r["title"] = validUtf8(trim(model.title[0]));
  json piles = json::array();
  for (std::size_t i = 0; modelRead && i < model.pileRows.size(); ++i) {
    const PileGroupRow& row = model.pileRows[i];
    json p{{"number", i + 1}, {"x", row.x}, {"y", row.y}, {"z", row.z}, {"property", row.property}};
    if (model.is2d()) p["piles_in_row"] = row.pilesInRow;
    piles.push_back(p);
  }
  r["piles"] = piles;

  const std::map<std::pair<std::string, int>, json> curves = readCurves(pathOf(8));
  json properties = json::array();
  for (std::size_t k = 0; modelRead && k < model.properties.size(); ++k) {
    const int number = static_cast<int>(k) + 1;
    const auto ls = curves.find({"LOAD-SETTLEMENT", number});
    const auto tr = curves.find({"TORQUE-ROTATION", number});
    properties.push_back({{"number", number},
                          {"load_settlement", ls == curves.end() ? json::array() : ls->second},
                          {"torque_rotation", tr == curves.end() ? json::array() : tr->second}});
  }
  r["properties"] = properties;

  std::map<std::string, ItemResults> found;
  readConvergence(pathOf(10), found);
  readCapResults(pathOf(11), found);
  const std::size_t components = model.is2d() ? 3 : 6;
  json items = json::array();
  const auto addItem = [&](const char* kind, int number, const std::string& name) {
    json item{{"kind", kind}, {"number", number}, {"name", validUtf8(trim(name))}};
    const auto it = found.find(key(kind, number));
    const ItemResults* res = it == found.end() ? nullptr : &it->second;
    const bool hasLine = res != nullptr && res->result.has_value();
    const int code = hasLine ? res->result->first : 0;
    item["analyzed"] = hasLine && code != 9;
    item["result_code"] = hasLine ? json(code) : json(nullptr);
    item["result_text"] = hasLine ? validUtf8(res->result->second) : std::string();
    double fraction = 0.0;
    if (code == 1) fraction = 1.0;
    if (code == 2) {
      const std::vector<double> p = numbers(res->result->second.substr(
          std::string_view("SOLUTION AT").size(),
          res->result->second.find('%') - std::string_view("SOLUTION AT").size()));
      if (p.size() == 1) fraction = p[0] / 100.0;
    }
    const bool results = (code == 1 || code == 2) && res != nullptr;
    item["load_fraction"] = fraction;
    item["iterations"] = results ? res->iterations : 0;
    item["cap_load"] = results ? res->capLoad : json::array();
    item["cap_displacement"] = results ? res->capDisplacement : json::array();
    item["cap_passive_force"] =
        results ? json(std::vector<double>(components, 0.0)) : json::array();
    item["piles"] = results ? res->piles : json::array();
    items.push_back(item);
  };
  for (std::size_t i = 0; modelRead && i < model.loadCases.size(); ++i) {
    addItem("case", static_cast<int>(i) + 1, model.loadCases[i].name);
  }
  for (std::size_t i = 0; modelRead && i < model.combinations.size(); ++i) {
    addItem("combination", static_cast<int>(i) + 1, model.combinations[i].name);
  }
  r["items"] = items;
  // The outcome of every analysed item: completed ("1 ANALYSIS COMPLETED") or not (any other
  // result line, a partial solution included). Flagged items are neither.
  int completed = 0;
  json failed = json::array();
  for (const json& item : items) {
    if (!item["analyzed"].get<bool>()) continue;
    if (item["result_code"] == 1) {
      ++completed;
    } else {
      failed.push_back({{"kind", item["kind"]},
                        {"number", item["number"]},
                        {"result_code", item["result_code"]},
                        {"result_text", item["result_text"]}});
    }
  }
  r["items_completed"] = completed;
  r["items_failed"] = failed;
  return r;
}

std::string validUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto continuation = [&](std::size_t i, unsigned char low, unsigned char high) {
    return i < text.size() && byte(i) >= low && byte(i) <= high;
  };
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = byte(i);
    // Length of a well-formed sequence starting here (RFC 3629, table 3-7 of Unicode), or 0.
    std::size_t length = 0;
    if (b < 0x80) {
      length = 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = continuation(i + 1, 0x80, 0xBF) ? 2 : 0;
    } else if (b >= 0xE0 && b <= 0xEF) {
      const unsigned char low = b == 0xE0 ? 0xA0 : 0x80;
      const unsigned char high = b == 0xED ? 0x9F : 0xBF;
      length = continuation(i + 1, low, high) && continuation(i + 2, 0x80, 0xBF) ? 3 : 0;
    } else if (b >= 0xF0 && b <= 0xF4) {
      const unsigned char low = b == 0xF0 ? 0x90 : 0x80;
      const unsigned char high = b == 0xF4 ? 0x8F : 0xBF;
      length = continuation(i + 1, low, high) && continuation(i + 2, 0x80, 0xBF) &&
                       continuation(i + 3, 0x80, 0xBF)
                   ? 4
                   : 0;
    }
    if (length > 0) {
      out.append(text.substr(i, length));
      i += length;
      continue;
    }
    // A Latin-1 character: code point b, two bytes in UTF-8.
    out.push_back(static_cast<char>(0xC0 | (b >> 6)));
    out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    ++i;
  }
  return out;
}

ClosingLine closingLine(const json& results) {
  ClosingLine line;
  const int completed = results.value("items_completed", 0);
  const json failed = results.value("items_failed", json::array());
  const int analysed = completed + static_cast<int>(failed.size());
  line.failed = !failed.empty();
  line.text = fmt::format("{} of {} analysed {} completed", completed, analysed,
                          analysed == 1 ? "item" : "items");
  if (!line.failed) return line;
  line.text += "; not completed:";
  for (std::size_t k = 0; k < failed.size(); ++k) {
    const json& item = failed[k];
    line.text += fmt::format("{} {} {} ({} {})", k == 0 ? "" : ",",
                             item["kind"].get<std::string>() == "case" ? "case" : "comb.",
                             item["number"].get<int>(), item["result_code"].get<int>(),
                             item["result_text"].get<std::string>());
  }
  return line;
}

std::vector<std::string> itemTable(const json& results) {
  std::vector<std::string> rows;
  if (!results.contains("items") || results["items"].empty()) return rows;
  const bool planar = results.value("analysis_type", 3) == 2;
  const std::string length = results.value("length_unit", std::string());
  if (planar) {
    rows.push_back(fmt::format("{:<14}{:<34}{:>13}{:>13}{:>13}", "item", "result",
                               "X (" + length + ")", "Y (" + length + ")", "RZ (rad)"));
  } else {
    rows.push_back(fmt::format("{:<14}{:<34}{:>12}{:>12}{:>12}{:>12}{:>12}{:>12}", "item", "result",
                               "X (" + length + ")", "Y (" + length + ")", "Z (" + length + ")",
                               "RX (rad)", "RY (rad)", "RZ (rad)"));
  }
  for (const json& item : results["items"]) {
    const std::string name =
        fmt::format("{} {}", item["kind"].get<std::string>() == "case" ? "case" : "comb.",
                    item["number"].get<int>());
    std::string result = item["result_code"].is_null()
                             ? std::string("not reached")
                             : fmt::format("{} {}", item["result_code"].get<int>(),
                                           item["result_text"].get<std::string>());
    if (result.size() > 33) result = result.substr(0, 33);
    std::string row = fmt::format("{:<14}{:<34}", name, result);
    for (const json& v : item["cap_displacement"]) {
      row += planar ? fmt::format("{:>13.4E}", v.get<double>())
                    : fmt::format("{:>12.3E}", v.get<double>());
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace stilt::app
