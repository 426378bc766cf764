// run_engine: one run of the engine in a folder that holds a Names.dat, with a chosen number of
// threads for the pile pass, for timing the engine alone (no results.json, no host).
//
//   build-bench/app/stilt run g2000.dat --out g2000      # once: writes g2000/Names.dat
//   /usr/bin/time build-bench/bench/run_engine g2000 --threads 1
//   /usr/bin/time build-bench/bench/run_engine g2000 --threads 2
//
// It prints the wall time, the processor time of the calling thread and that of all threads. On
// a machine shared with other work the wall time says little; the larger of the calling thread's
// time and the other threads' then estimates the wall time on free cores.

#include <CLI/CLI.hpp>
#include <chrono>
#include <ctime>
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
  const auto cpu = [](clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + 1.0e-9 * static_cast<double>(t.tv_nsec);
  };
  const auto start = std::chrono::steady_clock::now();
  const double mainStart = cpu(CLOCK_THREAD_CPUTIME_ID);
  const double allStart = cpu(CLOCK_PROCESS_CPUTIME_ID);
  const stilt::StatusCode status = stilt::runAnalysis(options);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double mainCpu = cpu(CLOCK_THREAD_CPUTIME_ID) - mainStart;
  const double allCpu = cpu(CLOCK_PROCESS_CPUTIME_ID) - allStart;
  std::cout << "status " << stilt::toInt(status) << "; wall " << wall << " s; cpu " << allCpu
            << " s, of which the calling thread " << mainCpu << " s, the others "
            << allCpu - mainCpu << " s\n";
  return stilt::isOk(status) ? 0 : 1;
}
