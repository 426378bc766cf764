#include "support/run_dir.hpp"

#include <unistd.h>

#include <array>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace stilt::test {
namespace {

constexpr std::array<const char*, 21> kExtensions = {
    "dat", "out", "sum", "plt", "run", "cnv", "cap", "prg", "tz",  "csw", "phw",
    "ppw", "stp", "eqk", "fst", "wrn", "lcd", "atc", "crv", "nod", "smw"};

}  // namespace

TempDir::TempDir() {
  std::random_device rd;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = base / ("stilt-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    if (std::filesystem::create_directory(path_)) return;
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> readLines(const std::filesystem::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::vector<double> numbersOf(const std::string& text) {
  std::vector<double> out;
  std::istringstream in(text);
  double v = 0.0;
  while (in >> v) out.push_back(v);
  return out;
}

void writeFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary);
  out << text;
}

std::string fileOfLine(int line) {
  const std::string ext = kExtensions.at(static_cast<std::size_t>(line - 5));
  return line == 5 ? std::string("input.dat") : "run." + ext;
}

void writeNamesFile(const std::filesystem::path& dir) {
  std::string text = "TEST\nheader two\nheader three\n0\n";
  for (int line = 5; line <= 25; ++line) text += fileOfLine(line) + "\n";
  writeFile(dir / "Names.dat", text);
}

LocalTime pinnedTime() {
  return {2026, 12, 8, 9, 5, 3};
}

StatusCode runInput(const std::filesystem::path& dir, const std::string& input) {
  writeNamesFile(dir);
  writeFile(dir / "input.dat", input);
  RunOptions options;
  options.workDir = dir;
  options.clock = pinnedTime;
  return runAnalysis(options);
}

std::string runFile(const std::filesystem::path& dir, int line) {
  return readFile(dir / fileOfLine(line));
}

std::vector<std::string> runFileLines(const std::filesystem::path& dir, int line) {
  return readLines(dir / fileOfLine(line));
}

std::string example(const std::string& name) {
  return readFile(std::filesystem::path(STILT_SOURCE_DIR) / "examples" / name);
}

}  // namespace stilt::test
