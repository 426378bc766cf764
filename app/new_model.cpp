#include "app/new_model.hpp"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/input_check.hpp"
#include "model/model_tables.hpp"

namespace stilt::app {
namespace {

namespace fs = std::filesystem;

int fail(std::ostream& err, const std::string& message, int code) {
  err << "stilt new: " << message << "\n";
  return code;
}

// A table named on the command line or found in the folder of tables; `optional` tables that
// are in neither are left out.
struct Source {
  const char* what;
  std::string path;
  bool optional = false;
};

}  // namespace

int newModel(const NewModelRequest& r, std::ostream& out, std::ostream& err) {
  std::vector<Source> sources{{"piles", r.piles},
                              {"soil", r.soil},
                              {"properties", r.properties},
                              {"loads", r.loads},
                              {"combinations", r.combinations, true}};
  for (Source& s : sources) {
    if (!s.path.empty() || r.tables.empty()) continue;
    const fs::path standard = fs::path(r.tables) / (std::string(s.what) + ".csv");
    std::error_code ec;
    if (!s.optional || fs::exists(standard, ec)) s.path = standard.string();
  }
  for (const Source& s : sources) {
    if (s.path.empty() && !s.optional) {
      return fail(err,
                  std::string("no ") + s.what + " table: give --" + s.what +
                      " FILE or --tables DIR (see stilt new --help)",
                  2);
    }
  }
  deck::Model model;
  std::string units = r.units;
  for (char& c : units) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  if (units == "english") {
    model.units = deck::Units::kEnglish;
  } else if (units == "metric") {
    model.units = deck::Units::kMetric;
  } else {
    return fail(err, "--units must be english or metric", 2);
  }
  if (r.printOption < 0 || r.printOption > 2) return fail(err, "--print must be 0, 1 or 2", 2);
  model.title[0] = r.title;
  model.printOption = r.printOption;

  // Nothing is read or written before the output is known to be safe to write.
  const fs::path output(r.output);
  std::error_code ec;
  if (r.output.empty()) return fail(err, "give the file to write with -o FILE", 2);
  if (fs::exists(output, ec)) {
    if (!fs::is_regular_file(output, ec)) {
      return fail(err, r.output + " exists and is not a regular file", 40);
    }
    for (const Source& s : sources) {
      if (!s.path.empty() && fs::equivalent(output, s.path, ec)) {
        return fail(err, r.output + " is the " + s.what + " table itself", 40);
      }
    }
    if (!r.force) return fail(err, r.output + " exists; give --force to overwrite it", 40);
  }

  deck::TableTexts texts;
  std::vector<deck::TableText*> slots{&texts.piles, &texts.soil, &texts.properties, &texts.loads,
                                      &texts.combinations};
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const Source& s = sources[i];
    if (s.path.empty()) continue;
    if (!fs::is_regular_file(s.path, ec)) {
      return fail(err,
                  "cannot read the " + std::string(s.what) + " table " + s.path +
                      (fs::exists(s.path, ec) ? " (not a regular file)" : " (no such file)"),
                  41);
    }
    std::ifstream in(s.path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
      return fail(err, "cannot read the " + std::string(s.what) + " table " + s.path, 41);
    }
    *slots[i] = {s.path, std::move(text)};
  }

  const std::vector<deck::TableError> errors = deck::readTables(texts, model);
  for (const deck::TableError& e : errors) err << "stilt new: " << deck::messageOf(e) << "\n";
  if (!errors.empty()) {
    err << "stilt new: " << errors.size() << " error" << (errors.size() == 1 ? "" : "s")
        << "; nothing written\n";
    return errors.front().status;
  }

  // The file is checked as `stilt check` would check it: a file a run would refuse is not
  // written, and what the check would warn about is shown.
  const std::string text = deck::writeDeck(model);
  const InputCheck check = checkInputText(text);
  if (check.status != 0 || !check.findings.empty()) {
    std::ostream& to = check.status != 0 ? err : out;
    to << "stilt new: stilt check of the file written from the tables (its line numbers):\n";
    InputCheck findings = check;
    findings.summary.clear();
    for (const std::string& line : checkReportLines(findings)) to << "  " << line << "\n";
  }
  if (check.status != 0) {
    err << "stilt new: a run would refuse this model (status " << check.status
        << "); nothing written\n";
    return check.status;
  }

  // Written beside the target and renamed into place, so that a failed write leaves any earlier
  // file whole.
  const fs::path temporary =
      output.parent_path() / ("." + output.filename().string() + "." + std::to_string(::getpid()));
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
      fs::remove(temporary, ec);
      return fail(err, "cannot write " + r.output, 54);
    }
  }
  fs::rename(temporary, output, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return fail(err, "cannot write " + r.output, 54);
  }
  const auto counted = [](std::size_t n, const std::string& what) {
    return std::to_string(n) + " " +
           (n == 1                ? what
            : what.ends_with('y') ? what.substr(0, what.size() - 1) + "ies"
                                  : what + "s");
  };
  out << "wrote " << r.output << ": " << counted(model.piles.size(), "pile") << ", "
      << counted(model.layers.size(), "soil layer") << ", "
      << counted(model.properties.size(), "pile property") << ", "
      << counted(model.sections.size(), "cross section") << ", "
      << counted(model.cases.size(), "load case") << ", "
      << counted(model.combinations.size(), "combination") << "\n";
  return 0;
}

}  // namespace stilt::app
