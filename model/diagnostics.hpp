#pragma once
// Message lines a computation hands back to its caller instead of writing files itself.
//
// Kernels (soil properties, curve generators, the pile solver) are pure: they take their inputs
// as arguments and return numbers, a status and these lines. The caller writes the lines to the
// output report and the runtime file, in order, so every file keeps the order of events.

#include <string>
#include <vector>

namespace stilt {

struct Diagnostics {
  std::vector<std::string> report;   // lines for the output report
  std::vector<std::string> runtime;  // lines for the runtime file

  void both(std::string line) {
    runtime.push_back(line);
    report.push_back(std::move(line));
  }
  void reportOnly(std::string line) { report.push_back(std::move(line)); }
  void runtimeOnly(std::string line) { runtime.push_back(std::move(line)); }
  void append(const Diagnostics& other) {
    report.insert(report.end(), other.report.begin(), other.report.end());
    runtime.insert(runtime.end(), other.runtime.begin(), other.runtime.end());
  }
  bool empty() const { return report.empty() && runtime.empty(); }
  void clear() {
    report.clear();
    runtime.clear();
  }
};

}  // namespace stilt
