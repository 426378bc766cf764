#include "app/host.hpp"

#include <fstream>
#include <sstream>

namespace stilt::app {
namespace {

std::string trim(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const std::size_t last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::vector<std::string> readLines(const std::filesystem::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

const std::vector<OutputFile> kOutputFiles = {
    {6, "out", "output report"},
    {7, "sum", "output summary"},
    {8, "plt", "plot output (curve listings for graphing)"},
    {9, "run", "runtime file (reading trace, warnings, final status)"},
    {10, "cnv", "convergence status, one coded line per load case or combination"},
    {11, "cap", "pile-cap results"},
    {12, "prg", "progress (the latest progress record)"},
    {13, "tz", "generated t-z and tip curves"},
    {14, "csw", "cap-stiffness work file"},
    {15, "phw", "pile-head results work file"},
    {16, "ppw", "per-pile results work file"},
    {17, "stp", "stop file: write 1 into it to stop the run"},
    {18, "eqk", "equivalent-stiffness listing"},
    {19, "fst", "foundation-stiffness iteration trace"},
    {20, "wrn", "warnings work file"},
    {21, "lcd", "per-load-case data (stiffness and corrections of every iteration)"},
    {22, "atc", "generated axial load-transfer curves"},
    {23, "crv", "curve work file (curve export)"},
    {24, "nod", "pile node results for graphing"},
    {25, "smw", "summary work file"},
};

}  // namespace

const std::vector<OutputFile>& outputFiles() {
  return kOutputFiles;
}

std::filesystem::path defaultOutputFolder(const std::filesystem::path& input) {
  // An input without an extension would name its own folder; its results go to NAME_run.
  if (!input.has_extension()) return input.parent_path() / (input.filename().string() + "_run");
  return input.parent_path() / input.stem();
}

std::string namesFileText(const std::filesystem::path& input) {
  std::ostringstream out;
  out << "stilt\n";
  out << "stilt command-line host\n";
  out << input.filename().string() << "\n";
  out << "0\n";
  out << std::filesystem::absolute(input).lexically_normal().string() << "\n";
  const std::string stem = input.stem().string();
  for (const OutputFile& f : kOutputFiles) out << stem << '.' << f.extension << "\n";
  return out.str();
}

bool readNamesPaths(const std::filesystem::path& folder, std::vector<std::filesystem::path>& paths,
                    std::string& error) {
  const std::filesystem::path names = folder / "Names.dat";
  std::error_code ec;
  if (!std::filesystem::is_regular_file(names, ec)) {
    error = "no Names.dat in " + folder.string();
    return false;
  }
  const std::vector<std::string> lines = readLines(names);
  if (lines.size() < 25) {
    error = names.string() + " has " + std::to_string(lines.size()) + " lines; it needs 25";
    return false;
  }
  paths.clear();
  for (std::size_t i = 4; i < 25; ++i) {
    const std::string p = trim(lines[i]);
    if (p.empty()) {
      paths.emplace_back();
    } else {
      const std::filesystem::path path(p);
      paths.push_back(path.is_absolute() ? path : folder / path);
    }
  }
  return true;
}

std::string progressLine(const std::filesystem::path& progressFile) {
  std::string joined;
  for (const std::string& line : readLines(progressFile)) {
    const std::string t = trim(line);
    if (t.empty()) continue;
    if (!joined.empty()) joined += "  ";
    joined += t;
  }
  return joined;
}

RuntimeOutcome readRuntimeOutcome(const std::filesystem::path& runtimeFile) {
  RuntimeOutcome outcome;
  const std::vector<std::string> lines = readLines(runtimeFile);
  std::size_t last = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == "    ") last = i;
  }
  if (last == lines.size()) return outcome;
  for (std::size_t i = last + 1; i < lines.size(); ++i) {
    const std::string t = trim(lines[i]);
    if (!t.empty()) outcome.statusLines.push_back(t);
  }
  // The message of a refused input or file: the block that opens with "**** ... ERROR ****".
  for (std::size_t i = 0; i < last; ++i) {
    const std::string t = trim(lines[i]);
    if (t.rfind("****", 0) == 0 && t.find("ERROR ****") != std::string::npos) {
      outcome.detail.clear();
      for (std::size_t k = i + 1; k < last && !trim(lines[k]).empty(); ++k) {
        outcome.detail.push_back(trim(lines[k]));
      }
    }
  }
  return outcome;
}

}  // namespace stilt::app
