// The built stilt command, run as a user runs it.

#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/host.hpp"
#include "app/results_json.hpp"
#include "engine/version.hpp"
#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using ::testing::HasSubstr;
using ::testing::Not;

struct Outcome {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};

// `arguments` are passed through the shell; paths in them are quoted by the caller.
Outcome stilt(const std::string& arguments) {
  Outcome out;
  const std::string command = std::string("'") + STILT_CLI + "' " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.output.append(buffer, n);
  const int status = pclose(pipe);
  out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

std::string quoted(const fs::path& p) {
  return "'" + p.string() + "'";
}

TEST(Cli, VersionAndHelp) {
  const Outcome version = stilt("--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.output, std::string("stilt ") + kVersion + "\n");
  const Outcome help = stilt("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_THAT(help.output, HasSubstr("run"));
  const Outcome runHelp = stilt("run --help");
  EXPECT_EQ(runHelp.exitCode, 0);
  EXPECT_THAT(runHelp.output, HasSubstr("--names"));
  EXPECT_THAT(runHelp.output, HasSubstr(".out"));
}

TEST(Cli, RunsAnInputIntoAFolderNamedAfterIt) {
  TempDir dir;
  const fs::path input = dir / "group3d.dat";
  fs::copy_file(fs::path(STILT_SOURCE_DIR) / "examples" / "group3d.dat", input);
  const Outcome run = stilt("run " + quoted(input) + " --quiet");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("ANALYSIS COMPLETED"));
  EXPECT_THAT(run.output, Not(HasSubstr("results in")));  // quiet

  const fs::path folder = dir / "group3d";
  ASSERT_TRUE(fs::is_directory(folder));
  const std::vector<std::string> names = test::readLines(folder / "Names.dat");
  ASSERT_EQ(names.size(), 25u);
  EXPECT_EQ(names[4], input.string());
  for (const char* ext : {"out", "sum", "plt", "run", "cnv", "cap", "prg", "tz"}) {
    EXPECT_TRUE(fs::exists(folder / (std::string("group3d.") + ext))) << ext;
  }
  EXPECT_THAT(test::readFile(folder / "group3d.run"), HasSubstr("     ANALYSIS COMPLETED\n"));
  EXPECT_EQ(test::readFile(folder / "group3d.prg"),
            "- ANALYSIS FOR LOAD COMB.   1/  1 FINISHED\n\n\n");
  EXPECT_EQ(test::readFile(input), test::example("group3d.dat"));
}

TEST(Cli, ShowsTheInputAndTheResultFolderUnlessQuiet) {
  TempDir dir;
  const fs::path input = dir / "bent.dat";
  test::writeFile(input, test::example("bent2d.dat"));
  const Outcome run = stilt("run " + quoted(input));
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr(std::string("stilt ") + kVersion + ": " + input.string()));
  EXPECT_THAT(run.output, HasSubstr("ANALYSIS COMPLETED"));
  EXPECT_THAT(run.output, HasSubstr("results in " + (dir / "bent").string()));
}

// results.json beside the reports holds what the run's files hold, as buildResults reads them
// through the paths of the Names.dat the command wrote.
TEST(Cli, WritesResultsJsonBesideTheReports) {
  TempDir dir;
  const fs::path input = dir / "bent.dat";
  test::writeFile(input, test::example("bent2d.dat"));
  const Outcome run = stilt("run " + quoted(input) + " --quiet");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const fs::path folder = dir / "bent";
  ASSERT_TRUE(fs::exists(folder / "results.json"));
  const nlohmann::json written = nlohmann::json::parse(test::readFile(folder / "results.json"));
  std::vector<fs::path> paths;
  std::string error;
  ASSERT_TRUE(app::readNamesPaths(folder, paths, error)) << error;
  EXPECT_EQ(written, app::buildResults(paths, 0));
  EXPECT_EQ(written["status"], 0);
  EXPECT_EQ(written["items"].size(), 1u);
  EXPECT_EQ(written["items"][0]["result_code"], 1);
}

TEST(Cli, OutOptionChoosesTheFolder) {
  TempDir dir;
  const fs::path input = dir / "group3d.dat";
  test::writeFile(input, test::example("group3d.dat"));
  const Outcome run = stilt("run " + quoted(input) + " --out " + quoted(dir / "results") + " -q");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(fs::exists(dir / "results" / "Names.dat"));
  EXPECT_THAT(test::readFile(dir / "results" / "group3d.run"), HasSubstr("ANALYSIS COMPLETED"));
  EXPECT_FALSE(fs::exists(dir / "group3d"));
}

TEST(Cli, StopFileLeftByAnEarlierRunIsIgnored) {
  TempDir dir;
  const fs::path input = dir / "group3d.dat";
  test::writeFile(input, test::example("group3d.dat"));
  fs::create_directory(dir / "group3d");
  test::writeFile(dir / "group3d" / "group3d.stp", "1\n");
  const Outcome run = stilt("run " + quoted(input) + " --quiet");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("ANALYSIS COMPLETED"));
}

TEST(Cli, NamesOptionRunsAnExistingNamesFile) {
  TempDir dir;
  test::writeNamesFile(dir.path());
  test::writeFile(dir / "input.dat", test::Deck().text());
  const Outcome run = stilt("run --names " + quoted(dir.path()) + " --quiet");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("ANALYSIS COMPLETED"));
  EXPECT_THAT(test::runFile(dir.path(), 9), HasSubstr("     ANALYSIS COMPLETED\n"));
}

TEST(Cli, RefusedInputExitsWithItsStatusAndShowsWhy) {
  TempDir dir;
  test::Deck d;
  d.loadCases.replace(0, 1, "one");
  const std::string text = d.text();
  test::writeFile(dir / "bad.dat", text);
  const Outcome run = stilt("run " + quoted(dir / "bad.dat") + " --quiet");
  EXPECT_EQ(run.exitCode, 43);
  EXPECT_THAT(run.output,
              HasSubstr("RECORD C1 (LINE " + std::to_string(test::lineOf(text, "one 0")) + "):"));
  EXPECT_THAT(run.output,
              HasSubstr("EXPECTED AN INTEGER FOR THE NUMBER OF LOAD CASES, FOUND \"one\""));
  EXPECT_THAT(run.output, HasSubstr("INPUT DATA FILE HOLDS A VALUE"));
}

TEST(Cli, RefusesWhatItCannotRun) {
  TempDir dir;
  const Outcome missing = stilt("run " + quoted(dir / "nothing.dat"));
  EXPECT_EQ(missing.exitCode, 41);
  EXPECT_THAT(missing.output, HasSubstr("cannot read input file"));
  const Outcome noNames = stilt("run --names " + quoted(dir.path()));
  EXPECT_EQ(noNames.exitCode, 40);
  EXPECT_THAT(noNames.output, HasSubstr("no Names.dat"));
  EXPECT_EQ(stilt("run").exitCode, 2);
}

}  // namespace
}  // namespace stilt
