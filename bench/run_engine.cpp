// run_engine: one run of the engine in a folder that holds a Names.dat, with a chosen number of
// threads for the pile pass, for timing the engine alone (no results.json, no host).
//
//   build-bench/app/stilt run g2000.dat --out g2000      # once: writes g2000/Names.dat
//   /usr/bin/time build-bench/bench/run_engine g2000 --threads 1
//   /usr/bin/time build-bench/bench/run_engine g2000 --threads 2

#include <CLI/CLI.hpp>
#include <iostream>

#include "engine/run_control.hpp"

int main(int argc, char** argv) {
  std::string folder = ".";
  int threads = 0;
  CLI::App app{"Runs the engine on the Names.dat of a folder"};
  app.add_option("folder", folder, "folder holding Names.dat")->required();
  app.add_option("--threads", threads, "threads of the pile pass (0: one per core)")
      ->check(CLI::Range(0, 1024));
  CLI11_PARSE(app, argc, argv);
  stilt::RunOptions options;
  options.workDir = folder;
  options.analysis.threads = threads;
  const stilt::StatusCode status = stilt::runAnalysis(options);
  std::cout << "status " << stilt::toInt(status) << "\n";
  return stilt::isOk(status) ? 0 : 1;
}
