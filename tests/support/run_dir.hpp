#pragma once
// A run of the engine in a temporary folder, for tests: Names.dat, the input, the files written.

#include <filesystem>
#include <string>
#include <vector>

#include "engine/run_control.hpp"

namespace stilt::test {

// A fresh folder under the system's temporary directory, removed with its content at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& file);
std::vector<std::string> readLines(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& text);
// The numbers of a report line, read left to right up to the first word that is not one.
std::vector<double> numbersOf(const std::string& text);

// The file names a test run uses, by Names.dat line 5..25: "input.dat", then "run.<ext>".
std::string fileOfLine(int line);

// Writes Names.dat in `dir` naming `input.dat` and the files "run.out", "run.sum", ... there.
void writeNamesFile(const std::filesystem::path& dir);

// The fixed moment every test run reports: 8 December 2026, 09:05:03.
LocalTime pinnedTime();

// Writes `input` as input.dat with its Names.dat in `dir` and runs the engine there.
[[nodiscard]] StatusCode runInput(const std::filesystem::path& dir, const std::string& input);

// The text of one of the run's files, by Names.dat line (6 report, 7 summary, 9 runtime, ...).
std::string runFile(const std::filesystem::path& dir, int line);
std::vector<std::string> runFileLines(const std::filesystem::path& dir, int line);

// The text of a bundled example, examples/<name>.
std::string example(const std::string& name);

}  // namespace stilt::test
