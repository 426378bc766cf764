// stilt: the command-line host of the engine.
//
//   stilt run INPUT [--out DIR] [--quiet] [--threads N] [--stiffness central|tangent]
//                   [--results full|heads|none] [--no-html] [--csv DIR] [--refine K|auto]
//                                                         run one input data file
//   stilt run --names DIR                                 run an existing Names.dat
//   stilt check INPUT                       read and validate an input data file, write nothing
//   stilt new --tables DIR --units english -o model.dat
//                                           write an input data file from CSV tables
//
// The command links the engine and runs it through its C++ interface on a thread of its own:
// progress arrives as data, Ctrl-C sets the stop flag (a second Ctrl-C aborts), and the result
// records stream into results.json (and the CSV tables) while the run goes on; report.html is
// drawn from them when the run ends.

#include <fcntl.h>
#include <unistd.h>

#include <fmt/format.h>

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
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/csv_tables.hpp"
#include "app/host.hpp"
#include "app/html_report.hpp"
#include "app/input_check.hpp"
#include "app/new_model.hpp"
#include "app/progress_display.hpp"
#include "app/results_json.hpp"
#include "app/tee_sink.hpp"
#include "engine/engine_api.hpp"
#include "engine/version.hpp"
#include "model/status_code.hpp"

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
  int threads = 0;
  stilt::StiffnessMethod stiffness = stilt::StiffnessMethod::kCentral;
  stilt::app::ResultsContent results = stilt::app::ResultsContent::kFull;
  bool noHtml = false;
  std::string csv;
  int refine = 1;  // stilt::kRefineAuto for "auto"
};

int fail(const std::string& message, int code) {
  std::cerr << "stilt: " << message << "\n";
  return code;
}

// The progress line of a record, as the progress file words it.
std::string progressText(const stilt::ProgressEvent& e) {
  const char* what = e.combination ? "COMB" : "CASE";
  switch (e.phase) {
    case stilt::ProgressEvent::Phase::kStarted:
      return fmt::format("- ANALYSIS FOR LOAD {} {:3d}/{:3d} STARTED", what, e.item, e.itemCount);
    case stilt::ProgressEvent::Phase::kFinished:
      return fmt::format("- ANALYSIS FOR LOAD {} {:3d}/{:3d} FINISHED", what, e.item, e.itemCount);
    default:
      return fmt::format(
          "- ANALYSIS FOR LOAD {} {:3d}/{:3d}  STEP:{:5d} TCUR:{:10.4f} ITERATION:{:5d}  "
          "({} piles)",
          what, e.item, e.itemCount, e.step, e.loadFraction, e.iteration, e.pileCount);
  }
}

// The latest progress line, handed from the analysing thread to the one that shows it.
class LatestProgress {
 public:
  void set(std::string line) {
    const std::lock_guard<std::mutex> lock(mutex_);
    line_ = std::move(line);
  }
  std::string get() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return line_;
  }

 private:
  mutable std::mutex mutex_;
  std::string line_;
};

// Runs the engine on the run in `folder` and follows it until it ends. The exit status is the
// engine's status when it did not complete; else 54 when results.json could not be written;
// else 60 when an analysed item did not complete; else 0.
int runEngine(const fs::path& folder, const RunRequest& request) {
  const bool quiet = request.quiet;
  const bool terminal = ::isatty(STDOUT_FILENO) != 0;
  stilt::app::ResultsJsonWriter writer(folder, request.results);
  stilt::app::HtmlReport html;
  std::optional<stilt::app::CsvTables> csv;
  std::vector<stilt::ResultSink*> sinks = {&writer};
  if (!request.noHtml) sinks.push_back(&html);
  if (!request.csv.empty()) sinks.push_back(&csv.emplace(fs::absolute(request.csv)));
  stilt::app::TeeSink tee(sinks);
  std::atomic<bool> stop{false};
  LatestProgress latest;
  stilt::EngineRequest engineRequest;
  engineRequest.namesFolder = folder;
  engineRequest.threads = request.threads;
  engineRequest.stiffness = request.stiffness;
  engineRequest.refine = request.refine;
  engineRequest.sink = &tee;
  // The report's critical piles and the CSV tables along the piles need the values along them.
  engineRequest.results =
      request.results == stilt::app::ResultsContent::kHeads && request.noHtml && request.csv.empty()
          ? stilt::ResultLevel::kHeads
          : stilt::ResultLevel::kFull;
  engineRequest.stop = &stop;
  // On a terminal, one line that the next record overwrites, with a bar for the pile passes;
  // elsewhere (a log), the progress file's records, one per line, without the pile counts.
  stilt::app::ProgressDisplay display;
  const auto started = std::chrono::steady_clock::now();
  if (!quiet && terminal) {
    engineRequest.progress = [&latest, &display, started](const stilt::ProgressEvent& e) {
      const std::chrono::duration<double> now = std::chrono::steady_clock::now() - started;
      latest.set(display.line(e, now.count()));
    };
  } else if (!quiet) {
    engineRequest.progress = [&latest](const stilt::ProgressEvent& e) {
      if (e.phase == stilt::ProgressEvent::Phase::kPiles ||
          e.phase == stilt::ProgressEvent::Phase::kWriting) {
        return;
      }
      latest.set(progressText(e));
    };
  }

  std::signal(SIGINT, onInterrupt);
  std::future<stilt::StatusCode> engine =
      std::async(std::launch::async, [&engineRequest] { return stilt::runEngine(engineRequest); });
  std::string shown;
  bool stopAsked = false;
  while (engine.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
    if (gInterrupts > 0 && !stopAsked) {
      stop.store(true);
      stopAsked = true;
      std::cerr << "\nstilt: stopping at the next check (Ctrl-C again to abort)\n";
      std::signal(SIGINT, SIG_DFL);
    }
    if (quiet) continue;
    const std::string line = latest.get();
    if (line.empty() || line == shown) continue;
    shown = line;
    if (terminal) {
      std::cout << "\r\033[K" << line << std::flush;
    } else {
      std::cout << line << "\n" << std::flush;
    }
  }
  const int status = stilt::toInt(engine.get());
  std::signal(SIGINT, SIG_DFL);
  if (!quiet && terminal) {
    std::cout << "\r\033[Kwriting results: results.json" << (request.noHtml ? "" : ", report.html")
              << (request.csv.empty() ? "" : ", CSV tables") << std::flush;
  }

  std::string error;
  bool written = writer.finish(error);
  const stilt::app::ClosingLine closing = stilt::app::closingLine(writer.items());
  if (written && csv) written = csv->finish(error);
  if (written && !request.noHtml) {
    stilt::app::HtmlRunInfo info;
    std::vector<fs::path> paths;
    std::string ignored;
    if (stilt::app::readNamesPaths(folder, paths, ignored) && paths.size() > 4) {
      info.input = paths[0].string();
      // The runtime file (line 9 of Names.dat), for the warnings of the run.
      std::string text;
      if (stilt::app::readRegularFile(paths[9 - 5], text)) {
        std::size_t from = 0;
        while (from < text.size()) {
          const std::size_t end = std::min(text.find('\n', from), text.size());
          info.runtimeLines.push_back(text.substr(from, end - from));
          from = end + 1;
        }
      }
    }
    info.status = status;
    for (const stilt::StatusLine& l : stilt::statusLines(status))
      info.statusLines.push_back(l.text);
    written = html.write(folder / stilt::app::kReportFile, info, error);
  }
  // The last line left on screen is the outcome: the progress line goes.
  if (!quiet && terminal) std::cout << "\r\033[K" << std::flush;

  // The final status line(s); a refused run also shows why, and goes to the error stream. The
  // engine says "ANALYSIS COMPLETED" when it went through every item, whatever their outcomes;
  // when an item did not complete, the closing line below says so instead, so that nothing on the
  // terminal calls a failed analysis completed.
  std::ostream& to = status == 0 ? std::cout : std::cerr;
  for (const std::string& line : writer.message()) {
    const std::size_t first = line.find_first_not_of(' ');
    if (first != std::string::npos) to << "  " << line.substr(first) << "\n";
  }
  if (status != 0 || !closing.failed) {
    for (const stilt::StatusLine& l : stilt::statusLines(status)) to << l.text << "\n";
  }
  to << std::flush;

  // The item table on the terminal. After a write error the items' files are incomplete, so
  // their lines are not shown as results.
  if (!quiet && status != stilt::toInt(stilt::StatusCode::kWriteError)) {
    for (const std::string& row :
         stilt::app::itemTable(writer.items(), writer.planar(), writer.lengthUnit())) {
      std::cout << row << "\n";
    }
  }
  // The closing line counts the items of a run that completed or was stopped; a run that ended
  // in error has said so, and its items' files may be incomplete.
  const bool counted = status == 0 || status == stilt::toInt(stilt::StatusCode::kStoppedByUser);
  if (closing.counted > 0 && counted)
    (closing.failed ? std::cerr : std::cout) << closing.text << "\n";
  if (!written) std::cerr << "stilt: " << error << "\n";
  // The mesh convergence of an automatic refinement, in one plain line.
  if (const std::optional<std::string> mesh = writer.meshConvergenceLine()) {
    (writer.meshCoarseOff() ? std::cerr : std::cout) << *mesh << "\n";
  }
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
  // Opened without blocking: a pipe left under the name fails at once instead of waiting.
  if (std::string error; !stilt::writeNamesFileFor(input, folder, error)) {
    return fail(error, error.rfind("cannot write", 0) == 0 ? 41 : 54);
  }
  std::vector<fs::path> paths;
  std::string error;
  if (!stilt::app::readNamesPaths(folder, paths, error)) return fail(error, 40);
  // A stop file left by an earlier, interrupted run would stop this one at once, and an earlier
  // results.json would outlive a run that cannot write its own.
  fs::remove(paths[17 - 5], ec);
  fs::remove(folder / stilt::app::kResultsFile, ec);
  fs::remove(folder / stilt::app::kReportFile, ec);
  if (!request.quiet) std::cout << "stilt " << stilt::kVersion << ": " << input.string() << "\n";
  return runEngine(folder, request);
}

int runNames(const RunRequest& request) {
  const fs::path folder = fs::absolute(request.names).lexically_normal();
  std::vector<fs::path> paths;
  std::string error;
  if (!stilt::app::readNamesPaths(folder, paths, error)) return fail(error, 40);
  if (const std::optional<std::string> clash = stilt::app::resultsClash(folder, paths)) {
    return fail(*clash, 40);
  }
  // A results.json left by an earlier run would outlive a run that cannot write its own.
  std::error_code ec;
  fs::remove(folder / stilt::app::kResultsFile, ec);
  fs::remove(folder / stilt::app::kReportFile, ec);
  return runEngine(folder, request);
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
         "  54      a file of the run, results.json, report.html or a CSV table could not be\n"
         "          written (disk full)\n"
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
  run->add_option("--threads", request.threads, "Threads of the pile pass (default: one per core)")
      ->check(CLI::Range(1, 1024));
  run->add_option("--stiffness", request.stiffness,
                  "Head stiffness of every pile: central (differences, the default) or tangent")
      ->transform(CLI::CheckedTransformer(
          std::map<std::string, stilt::StiffnessMethod>{
              {"central", stilt::StiffnessMethod::kCentral},
              {"tangent", stilt::StiffnessMethod::kTangent}},
          CLI::ignore_case));
  run->add_option("--results", request.results,
                  "results.json: full (default), heads (no arrays along the piles) or none")
      ->transform(CLI::CheckedTransformer(
          std::map<std::string, stilt::app::ResultsContent>{
              {"full", stilt::app::ResultsContent::kFull},
              {"heads", stilt::app::ResultsContent::kHeads},
              {"none", stilt::app::ResultsContent::kNone}},
          CLI::ignore_case));
  run->add_flag("--no-html", request.noHtml, "Write no report.html");
  run->add_option("--csv", request.csv,
                  "Also write the results as CSV tables into DIR (pile heads, maxima and the "
                  "values along every pile, per load case and combination)");
  run->add_option_function<std::string>(
         "--refine",
         [&request](const std::string& v) {
           const bool automatic = v.size() == 4 && (v[0] == 'a' || v[0] == 'A');
           request.refine = automatic ? stilt::kRefineAuto : std::stoi(v);
         },
         "Pile mesh: K (1-16) times the input's increments, or auto: K = 1, 2 (and 4), compared "
         "and extrapolated (default: 1)")
      ->check(CLI::IsMember({"auto", "AUTO"}, CLI::ignore_case) | CLI::Range(1, 16));
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
