// run_deck: runs an input data file through the engine with a chosen head-stiffness method and
// prints the process CPU and wall time, for comparing the methods on large groups.
//
//   run_deck group2000.dat --stiffness tangent
//   run_deck group2000.dat --html          also the CPU time and the size of report.html
//   run_deck group2000.dat --refine 4      piles on 4x their increments (auto: compared)
//
// The files of the run go to a folder next to nothing of the input: --out (default
// ./run_deck_out), named run.*, as a host would lay them out.

#include <sys/resource.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "app/html_report.hpp"
#include "engine/engine_api.hpp"

namespace {

constexpr const char* kExtensions[] = {"out", "sum", "plt", "run", "cnv", "cap", "prg",
                                       "tz",  "csw", "phw", "ppw", "stp", "eqk", "fst",
                                       "wrn", "lcd", "atc", "crv", "nod", "smw"};

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         1.0e-6 * static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

}  // namespace

int main(int argc, char** argv) {
  std::string input;
  std::string out = "run_deck_out";
  std::string method = "central";
  int threads = 1;
  bool html = false;
  std::string refine = "1";
  CLI::App app{"Run an input data file with a chosen head-stiffness method and time it"};
  app.add_option("input", input, "input data file")->required()->check(CLI::ExistingFile);
  app.add_option("--out", out, "folder for the files of the run");
  app.add_option("--stiffness", method, "head stiffness: central or tangent")
      ->check(CLI::IsMember({"central", "tangent"}));
  app.add_option("--threads", threads, "threads of the pile pass")->check(CLI::Range(0, 256));
  app.add_flag("--html", html, "collect the report's records and time writing report.html");
  app.add_option("--refine", refine, "pile mesh refinement factor K (1..16) or auto")
      ->check(CLI::IsMember({"auto"}) | CLI::Range(1, 16));
  CLI11_PARSE(app, argc, argv);

  const std::filesystem::path dir = std::filesystem::absolute(out);
  std::filesystem::create_directories(dir);
  std::ifstream in(input, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::ofstream(dir / "run.dat", std::ios::binary) << text.str();
  std::ostringstream names;
  names << "run_deck\nstilt\nbenchmark\n0\nrun.dat\n";
  for (const char* e : kExtensions) names << "run." << e << "\n";
  std::ofstream(dir / "Names.dat") << names.str();

  stilt::EngineRequest options;
  options.namesFolder = dir;
  options.threads = threads;
  options.stiffness =
      method == "tangent" ? stilt::StiffnessMethod::kTangent : stilt::StiffnessMethod::kCentral;
  options.refine = refine == "auto" ? stilt::kRefineAuto : std::stoi(refine);
  stilt::app::HtmlReport report;
  if (html) options.sink = &report;
  const double cpu0 = cpuSeconds();
  const auto wall0 = std::chrono::steady_clock::now();
  const stilt::StatusCode status = stilt::runEngine(options);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  const double cpu = cpuSeconds() - cpu0;
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  std::cout << "stiffness " << method << ", refine " << refine << ": status "
            << stilt::toInt(status) << ", CPU " << cpu << " s, wall " << wall << " s, peak RSS "
            << u.ru_maxrss / 1024 << " MB\n";
  if (html) {
    const double htmlCpu0 = cpuSeconds();
    std::string error;
    const bool written =
        report.write(dir / "report.html", {"run.dat", stilt::toInt(status), {}, {}}, error);
    const double htmlCpu = cpuSeconds() - htmlCpu0;
    if (!written) std::cerr << error << "\n";
    std::error_code ec;
    std::cout << "report.html: CPU " << htmlCpu << " s, "
              << static_cast<double>(std::filesystem::file_size(dir / "report.html", ec)) / 1.0e6
              << " MB\n";
  }
  return stilt::isOk(status) ? 0 : 1;
}
