// stilt: the command-line host of the engine.
//
//   stilt run INPUT [--out DIR] [--quiet]   run one input data file
//   stilt run --names DIR                   run an existing Names.dat, as a host would
//
// The host talks to the engine only as any host does: it writes Names.dat, calls IORLIM with the
// working directory set to the run's folder, follows the progress file while the engine works,
// writes the stop file on Ctrl-C, and reads the status back from the runtime file.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <string>
#include <thread>

#include "app/host.hpp"
#include "app/results_json.hpp"
#include "engine/version.hpp"

extern "C" std::int32_t IORLIM(std::int32_t code) noexcept;

namespace {

namespace fs = std::filesystem;

volatile std::sig_atomic_t gInterrupts = 0;  // set by the Ctrl-C handler only

extern "C" void onInterrupt(int) {
  gInterrupts = gInterrupts + 1;
}

struct RunRequest {
  std::string input;
  std::string out;
  std::string names;
  bool quiet = false;
};

int fail(const std::string& message, int code) {
  std::cerr << "stilt: " << message << "\n";
  return code;
}

// Runs the engine in `folder` and follows it until it ends.
int runEngine(const fs::path& folder, const std::vector<fs::path>& paths, bool quiet) {
  const fs::path progressFile = paths[12 - 5];
  const fs::path runtimeFile = paths[9 - 5];
  const fs::path stopFile = paths[17 - 5];
  std::error_code ec;
  fs::current_path(folder, ec);
  if (ec) return fail("cannot enter " + folder.string() + ": " + ec.message(), 41);

  std::signal(SIGINT, onInterrupt);
  std::future<std::int32_t> engine = std::async(std::launch::async, [] { return IORLIM(18); });
  const bool terminal = ::isatty(STDOUT_FILENO) != 0;
  std::string shown;
  bool stopWritten = false;
  while (engine.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
    if (gInterrupts > 0 && !stopWritten && !stopFile.empty()) {
      std::ofstream(stopFile) << "1\n";
      stopWritten = true;
      std::cerr << "\nstilt: stopping at the next check (Ctrl-C again to abort)\n";
      std::signal(SIGINT, SIG_DFL);
    }
    if (quiet || progressFile.empty()) continue;
    const std::string line = stilt::app::progressLine(progressFile);
    if (line.empty() || line == shown) continue;
    shown = line;
    if (terminal) {
      std::cout << "\r\033[K" << line << std::flush;
    } else {
      std::cout << line << "\n" << std::flush;
    }
  }
  const int status = engine.get();
  std::signal(SIGINT, SIG_DFL);
  if (!quiet && terminal && !shown.empty()) std::cout << "\n";

  // The final status line(s); a refused run also shows why, and goes to the error stream.
  const stilt::app::RuntimeOutcome outcome = stilt::app::readRuntimeOutcome(runtimeFile);
  std::ostream& to = status == 0 ? std::cout : std::cerr;
  for (const std::string& line : outcome.detail) to << "  " << line << "\n";
  if (outcome.statusLines.empty()) {
    to << "status " << status << "\n";
  } else {
    for (const std::string& line : outcome.statusLines) to << line << "\n";
  }
  // results.json beside the reports, and the item table on the terminal.
  const nlohmann::json results = stilt::app::buildResults(paths, status);
  {
    std::ofstream out(folder / "results.json", std::ios::binary);
    out << results.dump(1) << "\n";
  }
  if (!quiet) {
    for (const std::string& row : stilt::app::itemTable(results)) std::cout << row << "\n";
    std::cout << "results in " << folder.string() << "\n";
  }
  return status;
}

int runInput(const RunRequest& request) {
  const fs::path input = fs::absolute(request.input).lexically_normal();
  std::error_code ec;
  if (!fs::is_regular_file(input, ec)) return fail("cannot read input file " + request.input, 41);
  const fs::path folder = fs::absolute(request.out.empty() ? stilt::app::defaultOutputFolder(input)
                                                           : fs::path(request.out))
                              .lexically_normal();
  fs::create_directories(folder, ec);
  if (ec) return fail("cannot create " + folder.string() + ": " + ec.message(), 41);
  {
    std::ofstream names(folder / "Names.dat", std::ios::binary);
    names << stilt::app::namesFileText(input);
    if (!names) return fail("cannot write " + (folder / "Names.dat").string(), 41);
  }
  std::vector<fs::path> paths;
  std::string error;
  if (!stilt::app::readNamesPaths(folder, paths, error)) return fail(error, 40);
  // A stop file left by an earlier, interrupted run would stop this one at once.
  fs::remove(paths[17 - 5], ec);
  if (!request.quiet) std::cout << "stilt " << stilt::kVersion << ": " << input.string() << "\n";
  return runEngine(folder, paths, request.quiet);
}

int runNames(const RunRequest& request) {
  const fs::path folder = fs::absolute(request.names).lexically_normal();
  std::vector<fs::path> paths;
  std::string error;
  if (!stilt::app::readNamesPaths(folder, paths, error)) return fail(error, 40);
  return runEngine(folder, paths, request.quiet);
}

std::string extensionsHelp() {
  std::string text = "Files of a run, named after the input's stem:\n";
  for (const stilt::app::OutputFile& f : stilt::app::outputFiles()) {
    text += "  ." + std::string(f.extension) +
            std::string(5 - std::string(f.extension).size(), ' ') + f.description + "\n";
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"stilt: nonlinear analysis of pile groups"};
  app.set_version_flag("--version", std::string("stilt ") + stilt::kVersion);
  app.require_subcommand(1);

  RunRequest request;
  CLI::App* run = app.add_subcommand("run", "Analyse an input data file");
  CLI::Option* input = run->add_option("INPUT", request.input, "Input data file");
  CLI::Option* out = run->add_option("--out", request.out,
                                     "Output folder (default: beside INPUT, named after it)");
  CLI::Option* names = run->add_option("--names", request.names,
                                       "Run the Names.dat of this folder, as a host would");
  run->add_flag("--quiet,-q", request.quiet, "Show no progress");
  names->excludes(input)->excludes(out);
  run->footer(extensionsHelp());

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (request.names.empty() && request.input.empty()) {
    return fail("run needs an INPUT file or --names DIR (see stilt run --help)", 2);
  }
  try {
    return request.names.empty() ? runInput(request) : runNames(request);
  } catch (const std::exception& e) {
    return fail(e.what(), 49);
  }
}
