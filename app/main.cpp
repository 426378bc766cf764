// stilt: the command-line host of the engine.
//
//   stilt run INPUT [--out DIR] [--quiet]   run one input data file
//   stilt run --names DIR                   run an existing Names.dat, as a host would
//   stilt check INPUT                       read and validate an input data file, write nothing
//   stilt new --tables DIR --units english -o model.dat
//                                           write an input data file from CSV tables
//
// The host talks to the engine only as any host does: it writes Names.dat, calls IORLIM with the
// working directory set to the run's folder, follows the progress file while the engine works,
// writes the stop file on Ctrl-C, and reads the status back from the runtime file.

#include <fcntl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

#include "app/host.hpp"
#include "app/input_check.hpp"
#include "app/new_model.hpp"
#include "app/results_json.hpp"
#include "engine/version.hpp"
#include "model/status_code.hpp"

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

// Asks the engine to stop: "1" into the stop file, never waiting on a pipe left under its name.
void writeStopRequest(const fs::path& stopFile) {
  const int fd =
      ::open(stopFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return;
  if (::write(fd, "1\n", 2) != 2) std::cerr << "\nstilt: the stop file could not be written\n";
  ::close(fd);
}

// The status lines of the run: those the engine wrote last in the runtime file, or, when that
// file could not take them (a full disk), the lines of the status code itself.
std::vector<std::string> finalStatusLines(const stilt::app::RuntimeOutcome& outcome, int status) {
  const std::vector<stilt::StatusLine> table = stilt::statusLines(status);
  if (!outcome.statusLines.empty() && outcome.statusLines.back() == table.back().text) {
    return outcome.statusLines;
  }
  std::vector<std::string> lines;
  for (const stilt::StatusLine& l : table) lines.push_back(l.text);
  return lines;
}

// Runs the engine in `folder` and follows it until it ends. The exit status is the engine's
// status when it did not complete; else 54 when results.json could not be written; else 60 when
// an analysed item did not complete; else 0.
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
      writeStopRequest(stopFile);
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

  const nlohmann::json results = stilt::app::buildResults(paths, status);
  const stilt::app::ClosingLine closing = stilt::app::closingLine(results);

  // The final status line(s); a refused run also shows why, and goes to the error stream. The
  // engine says "ANALYSIS COMPLETED" when it went through every item, whatever their outcomes;
  // when an item did not complete, the closing line below says so instead, so that nothing on the
  // terminal calls a failed analysis completed.
  const stilt::app::RuntimeOutcome outcome = stilt::app::readRuntimeOutcome(runtimeFile);
  std::ostream& to = status == 0 ? std::cout : std::cerr;
  for (const std::string& line : outcome.detail) to << "  " << line << "\n";
  if (status != 0 || !closing.failed) {
    for (const std::string& line : finalStatusLines(outcome, status)) to << line << "\n";
  }
  to << std::flush;

  // results.json beside the reports, and the item table on the terminal. After a write error the
  // items' files are incomplete, so their lines are not shown as results.
  std::string error;
  const bool written = stilt::app::writeResultsFile(
      folder, results.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n", error);
  if (!quiet && status != stilt::toInt(stilt::StatusCode::kWriteError)) {
    for (const std::string& row : stilt::app::itemTable(results)) std::cout << row << "\n";
  }
  // The closing line counts the items of a run that completed or was stopped; a run that ended
  // in error has said so, and its items' files may be incomplete.
  const bool anyItems = !results["items_failed"].empty() || results["items_completed"] != 0;
  const bool counted = status == 0 || status == stilt::toInt(stilt::StatusCode::kStoppedByUser);
  if (anyItems && counted) (closing.failed ? std::cerr : std::cout) << closing.text << "\n";
  if (!written) std::cerr << "stilt: " << error << "\n";
  if (!quiet && written) std::cout << "results in " << folder.string() << "\n";
  std::cout << std::flush;
  if (status != 0) return status;
  if (!written) return stilt::toInt(stilt::StatusCode::kWriteError);
  return closing.failed ? stilt::app::kItemsFailedExit : 0;
}

int runInput(const RunRequest& request) {
  const fs::path input = fs::absolute(request.input).lexically_normal();
  std::error_code ec;
  if (!fs::exists(input, ec)) return fail("cannot read input file " + request.input, 41);
  if (!fs::is_regular_file(input, ec)) {
    return fail("the input file " + request.input +
                    " is not a regular file (a directory, a device or a pipe)",
                41);
  }
  const fs::path folder = fs::absolute(request.out.empty() ? stilt::app::defaultOutputFolder(input)
                                                           : fs::path(request.out))
                              .lexically_normal();
  // Nothing is created, written or removed before the input is known to be safe from the run.
  if (const std::optional<std::string> clash = stilt::app::inputClash(input, folder)) {
    return fail(*clash, 40);
  }
  fs::create_directories(folder, ec);
  if (ec) return fail("cannot create " + folder.string() + ": " + ec.message(), 41);
  {
    // Opened without blocking: a pipe left under the name fails at once instead of waiting.
    const fs::path namesFile = folder / "Names.dat";
    const int fd =
        ::open(namesFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return fail("cannot write " + namesFile.string() + ": " + std::strerror(errno), 41);
    const std::string text = stilt::app::namesFileText(input);
    const bool whole = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (::close(fd) != 0 || !whole) return fail(namesFile.string() + " could not be written", 54);
  }
  std::vector<fs::path> paths;
  std::string error;
  if (!stilt::app::readNamesPaths(folder, paths, error)) return fail(error, 40);
  // A stop file left by an earlier, interrupted run would stop this one at once, and an earlier
  // results.json would outlive a run that cannot write its own.
  fs::remove(paths[17 - 5], ec);
  fs::remove(folder / stilt::app::kResultsFile, ec);
  if (!request.quiet) std::cout << "stilt " << stilt::kVersion << ": " << input.string() << "\n";
  return runEngine(folder, paths, request.quiet);
}

int runNames(const RunRequest& request) {
  const fs::path folder = fs::absolute(request.names).lexically_normal();
  std::vector<fs::path> paths;
  std::string error;
  if (!stilt::app::readNamesPaths(folder, paths, error)) return fail(error, 40);
  if (const std::optional<std::string> clash = stilt::app::resultsClash(folder, paths)) {
    return fail(*clash, 40);
  }
  return runEngine(folder, paths, request.quiet);
}

// Reads and validates an input data file as a run would, without analysing it and without
// creating or writing any file: findings and the model summary on standard output.
int checkInput(const std::string& name) {
  std::error_code ec;
  const fs::path input(name);
  if (!fs::exists(input, ec)) return fail("cannot read input file " + name, 41);
  if (!fs::is_regular_file(input, ec)) {
    return fail(
        "the input file " + name + " is not a regular file (a directory, a device or a pipe)", 41);
  }
  std::ifstream in(input, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad() || !in.is_open()) return fail("cannot read input file " + name, 41);
  const stilt::app::InputCheck check = stilt::app::checkInputText(text);
  for (const std::string& line : stilt::app::checkReportLines(check)) std::cout << line << "\n";
  std::cout << std::flush;
  return check.status;
}

std::string checkHelp() {
  return "Reads INPUT as a run does and reports, each with its line: the record a run would\n"
         "refuse, piles that reach below the soil profile, requests this version does not\n"
         "carry out, unknown soil codes, references that are ignored, items nothing uses and\n"
         "section headers that name another section (where a section is missing). Then a\n"
         "summary of the model. No file is written.\n"
         "\nExit status: the status a run of INPUT would end with before it analyses anything\n"
         "  0       the input can be analysed (warnings allowed)\n"
         "  42-46   the reader refuses INPUT (see README)\n"
         "  21-35   the load-transfer curves cannot be built (a pile below the profile, ...)\n"
         "  3, 13   a pile reaches below the deepest soil layer (13: two-dimensional)\n"
         "  41      INPUT is missing or not a regular file\n"
         "  2, 100+ the command line could not be used\n";
}

std::string extensionsHelp() {
  std::string text = "Files of a run, named after the input's stem:\n";
  for (const stilt::app::OutputFile& f : stilt::app::outputFiles()) {
    text += "  ." + std::string(f.extension) +
            std::string(5 - std::string(f.extension).size(), ' ') + f.description + "\n";
  }
  return text;
}

std::string exitStatusHelp() {
  return "\nExit status:\n"
         "  0       the analysis completed and every analysed load case and combination\n"
         "          completed\n"
         "  1-53    the engine's status: the run was refused or ended early (see README)\n"
         "  40      also: an input that is, or is the same file as, a file the run writes\n"
         "  41      also: an input that is missing or not a regular file\n"
         "  54      a file of the run, or results.json, could not be written (disk full)\n"
         "  60      the engine completed, but an analysed load case or combination did not\n"
         "          (its result line is shown: no convergence, partial solution, ...)\n"
         "  2, 100+ the command line could not be used\n";
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
  run->footer(extensionsHelp() + exitStatusHelp());

  std::string checked;
  CLI::App* check = app.add_subcommand(
      "check", "Read and validate an input data file; analyse nothing, write nothing");
  check->add_option("INPUT", checked, "Input data file");
  check->footer(checkHelp());

  stilt::app::NewModelRequest fresh;
  CLI::App* create =
      app.add_subcommand("new", "Write a complete, commented input data file from CSV tables");
  create->add_option("--tables", fresh.tables,
                     "Folder of piles.csv, soil.csv, properties.csv, loads.csv and, optionally, "
                     "combinations.csv");
  create->add_option("--piles", fresh.piles, "Piles table");
  create->add_option("--soil", fresh.soil, "Soil layers table");
  create->add_option("--properties", fresh.properties, "Pile properties and cross sections");
  create->add_option("--loads", fresh.loads, "Load cases table");
  create->add_option("--combinations", fresh.combinations, "Load combinations table");
  create
      ->add_option("--units", fresh.units,
                   "Units of every value: english (lb, in) or metric "
                   "(kN, m)")
      ->required();
  create->add_option("--title", fresh.title, "First title line");
  create->add_option("--print", fresh.printOption,
                     "Print option: 0 cap, 1 pile heads (default), 2 along the piles");
  create->add_option("-o,--output", fresh.output, "Input data file to write")->required();
  create->add_flag("--force", fresh.force, "Overwrite an existing output file");
  create->footer(
      "Table formats: docs/input-guide.md. Exit status: 0 written; 40 the output\n"
      "exists (no --force); 41 a table is missing; 43-46 a table is refused (file and\n"
      "line named); 3, 13, 21-35, 42-46 a run would refuse the model; 54 write error.");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (check->parsed()) {
    if (checked.empty()) return fail("check needs an INPUT file (see stilt check --help)", 2);
    try {
      return checkInput(checked);
    } catch (const std::exception& e) {
      return fail(e.what(), 49);
    }
  }
  if (create->parsed()) {
    try {
      return stilt::app::newModel(fresh, std::cout, std::cerr);
    } catch (const std::exception& e) {
      return fail(e.what(), 49);
    }
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
