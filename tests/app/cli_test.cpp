// The built stilt command, run as a user runs it.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>

#include "app/cli_runner.hpp"
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

using Outcome = test::CliOutcome;

Outcome stilt(const std::string& arguments, int seconds = 0) {
  return test::runStilt(arguments, seconds);
}
using test::quoted;

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
  EXPECT_THAT(runHelp.output, HasSubstr("Exit status:"));
  EXPECT_THAT(runHelp.output, HasSubstr("  54 "));
  EXPECT_THAT(runHelp.output, HasSubstr("  60 "));
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

// results.json beside the reports, with the items of the run and the pile arrays; --results
// heads leaves the arrays out and --results none writes no results.json, and neither changes
// what the terminal shows.
TEST(Cli, WritesResultsJsonBesideTheReports) {
  TempDir dir;
  const fs::path input = dir / "bent.dat";
  test::writeFile(input, test::example("bent2d.dat"));
  const Outcome run = stilt("run " + quoted(input) + " --quiet");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const fs::path folder = dir / "bent";
  ASSERT_TRUE(fs::exists(folder / "results.json"));
  EXPECT_FALSE(fs::exists(folder / "results.json.tmp"));
  const nlohmann::json written = nlohmann::json::parse(test::readFile(folder / "results.json"));
  EXPECT_EQ(written["status"], 0);
  EXPECT_EQ(written["items"].size(), 1u);
  EXPECT_EQ(written["items"][0]["result_code"], 1);
  EXPECT_TRUE(written["items"][0]["piles"][0].contains("along"));

  const Outcome heads = stilt("run " + quoted(input) + " --quiet --results heads --threads 1");
  ASSERT_EQ(heads.exitCode, 0) << heads.output;
  EXPECT_EQ(heads.output, run.output);
  const nlohmann::json lean = nlohmann::json::parse(test::readFile(folder / "results.json"));
  EXPECT_FALSE(lean["items"][0]["piles"][0].contains("along"));
  EXPECT_EQ(lean["items"][0]["piles"][0]["head_force_global"],
            written["items"][0]["piles"][0]["head_force_global"]);

  const Outcome none = stilt("run " + quoted(input) + " --quiet --results none");
  ASSERT_EQ(none.exitCode, 0) << none.output;
  EXPECT_EQ(none.output, run.output);
  EXPECT_FALSE(fs::exists(folder / "results.json"));
  EXPECT_FALSE(fs::exists(folder / "results.json.tmp"));
}

TEST(Cli, RefusesBadRunOptions) {
  TempDir dir;
  const fs::path input = dir / "bent.dat";
  test::writeFile(input, test::example("bent2d.dat"));
  for (const char* options :
       {"--threads 0", "--threads x", "--stiffness secant", "--results all"}) {
    const Outcome run = stilt("run " + quoted(input) + " " + options);
    EXPECT_NE(run.exitCode, 0) << options;
    EXPECT_FALSE(fs::exists(dir / "bent")) << options;
  }
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
  // A deck whose analysed items all complete (the plain test deck ends in partial solutions).
  test::writeFile(dir / "input.dat", test::flaggedMiddleCaseDeck().text());
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

TEST(Cli, ReportAndTablesAreOptionalAndTheirFailuresEndTheRunWith54) {
  TempDir dir;
  test::writeFile(dir / "bent.dat", test::example("bent2d.dat"));
  const Outcome plain = stilt("run " + quoted(dir / "bent.dat") + " --quiet --no-html");
  ASSERT_EQ(plain.exitCode, 0) << plain.output;
  EXPECT_FALSE(fs::exists(dir / "bent" / "report.html"));
  // A CSV folder that is a file cannot take the tables: the run says so and fails.
  test::writeFile(dir / "taken", "a file");
  const Outcome csv =
      stilt("run " + quoted(dir / "bent.dat") + " --quiet --csv " + quoted(dir / "taken"));
  EXPECT_EQ(csv.exitCode, 54) << csv.output;
  EXPECT_THAT(csv.output, HasSubstr("cannot write the CSV tables (" + (dir / "taken").string()));
  // The report is one of the files a run writes: an input under its name is refused.
  fs::create_directories(dir / "out");
  test::writeFile(dir / "out" / "report.html", test::example("bent2d.dat"));
  const Outcome clash =
      stilt("run " + quoted(dir / "out" / "report.html") + " --out " + quoted(dir / "out"));
  EXPECT_EQ(clash.exitCode, 40) << clash.output;
  EXPECT_EQ(test::readFile(dir / "out" / "report.html"), test::example("bent2d.dat"));
}

// ---------------------------------------------------------------------------------------------
// How the run ended, item by item

TEST(Cli, ItemsThatDidNotCompleteAreNamedAndTheExitStatusSaysSo) {
  TempDir dir;
  test::Deck d;
  d.properties = test::replaceFirst(d.properties, "29.0E6", "29.06");  // E typed without E
  test::writeFile(dir / "soft.dat", d.text());
  const Outcome run = stilt("run " + quoted(dir / "soft.dat") + " --quiet");
  EXPECT_EQ(run.exitCode, 60) << run.output;
  EXPECT_THAT(run.output,
              HasSubstr("0 of 2 analysed items completed; not completed: case 1 (6 NO "
                        "CONVERGENCE ON PILES), comb. 1 (6 NO CONVERGENCE ON PILES)\n"));
  // The engine went through every item, but nothing on the terminal calls this run completed.
  EXPECT_THAT(run.output, Not(HasSubstr("ANALYSIS COMPLETED")));
  const nlohmann::json r = nlohmann::json::parse(test::readFile(dir / "soft" / "results.json"));
  EXPECT_EQ(r["status"], 0);
  EXPECT_EQ(r["items_completed"], 0);
  ASSERT_EQ(r["items_failed"].size(), 2u);
  EXPECT_EQ(r["items_failed"][1]["kind"], "combination");
  EXPECT_EQ(r["items_failed"][1]["result_code"], 6);
}

TEST(Cli, QuietKeepsTheClosingLine) {
  TempDir dir;
  // Three cases that complete and one flagged "not analysed", which counts neither way.
  test::writeFile(dir / "deck.dat", test::flaggedMiddleCaseDeck().text());
  const Outcome run = stilt("run " + quoted(dir / "deck.dat") + " --quiet");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, "ANALYSIS COMPLETED\n3 of 3 analysed items completed\n");
}

TEST(Cli, AnInputNamedLikeAFileOfTheRunIsRefusedAndUntouched) {
  for (const std::string name : {"model.stp", "Names.dat", "results.json", "model.out"}) {
    TempDir dir;
    fs::create_directory(dir / "out");
    const fs::path input = dir / "out" / name;
    const std::string text = test::Deck().text();
    test::writeFile(input, text);
    const Outcome run = stilt("run " + quoted(input) + " --out " + quoted(dir / "out") + " -q");
    EXPECT_EQ(run.exitCode, 40) << name << run.output;
    EXPECT_THAT(run.output, HasSubstr("is the same file as")) << name;
    EXPECT_EQ(test::readFile(input), text) << name;
    // Nothing was written or removed: the folder holds the input alone.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out"), fs::directory_iterator()), 1)
        << name;
  }
}

TEST(Cli, AnInputThatIsNotARegularFileIsRefused) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe.dat").c_str(), 0600), 0);
  fs::create_directory(dir / "folder.dat");
  for (const fs::path& input : {fs::path("/dev/zero"), dir / "pipe.dat", dir / "folder.dat"}) {
    const Outcome run = stilt("run " + quoted(input) + " --out " + quoted(dir / "out") + " -q", 60);
    EXPECT_EQ(run.exitCode, 41) << input << run.output;
    EXPECT_THAT(run.output, HasSubstr("is not a regular file")) << input;
  }
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(Cli, AFileThatCannotBeWrittenIsReportedOnTheErrorStream) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  TempDir dir;
  test::writeNamesFile(dir.path());
  std::vector<std::string> names = test::readLines(dir / "Names.dat");
  names[6 - 1] = "/dev/full";
  std::string text;
  for (const std::string& l : names) text += l + "\n";
  test::writeFile(dir / "Names.dat", text);
  test::writeFile(dir / "input.dat", test::Deck().text());
  // Standard output alone: the error stream goes to /dev/null.
  EXPECT_EQ(stilt("run --names " + quoted(dir.path()) + " -q 2>/dev/null; exit $?").output, "");
  const Outcome shown = stilt("run --names " + quoted(dir.path()) + " -q");
  EXPECT_EQ(shown.exitCode, 54);
  EXPECT_THAT(shown.output,
              HasSubstr("THE OUTPUT REPORT (LINE 6 OF Names.dat) COULD NOT BE WRITTEN:"));
  EXPECT_THAT(shown.output, HasSubstr("A FILE OF THE RUN COULD NOT BE WRITTEN"));
  EXPECT_THAT(shown.output, Not(HasSubstr("ANALYSIS COMPLETED")));
}

// A small file system mounted for one test, and unmounted whatever the test's outcome.
struct SmallDisk {
  explicit SmallDisk(const fs::path& where) : path(where) {
    fs::create_directory(path);
    const std::string mount = "mount -t tmpfs -o size=1m stilt-test " + quoted(path);
    mounted = std::system((mount + " 2>/dev/null").c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted) (void)std::system(("umount " + quoted(path)).c_str());
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  fs::path path;
  bool mounted = false;
};

// A full disk: a 1 MB file system, nearly filled, takes the run's files. Mounting needs root.
TEST(Cli, AFullDiskEndsTheRunWithoutAResultsJson) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  TempDir dir;
  const SmallDisk small(dir / "disk");
  if (!small.mounted) {
    GTEST_SKIP() << "cannot mount a tmpfs here (no privilege for mounts in this container)";
  }
  const fs::path& disk = small.path;
  // Leave a few pages free: the reports of the run need far more.
  const std::string fill =
      "dd if=/dev/zero of=" + quoted(disk / "filler") + " bs=4096 count=250 2>/dev/null";
  EXPECT_EQ(std::system(fill.c_str()), 0);
  test::writeFile(dir / "deck.dat", test::Deck().text());
  const Outcome run =
      stilt("run " + quoted(dir / "deck.dat") + " --out " + quoted(disk / "out") + " -q");
  EXPECT_EQ(run.exitCode, 54) << run.output;
  EXPECT_THAT(run.output, HasSubstr("A FILE OF THE RUN COULD NOT BE WRITTEN"));
  EXPECT_THAT(run.output, Not(HasSubstr("ANALYSIS COMPLETED")));
  EXPECT_THAT(run.output, Not(HasSubstr("items completed")));
  EXPECT_FALSE(fs::exists(disk / "out" / "results.json"));
  EXPECT_FALSE(fs::exists(disk / "out" / "results.json.tmp"));
}

}  // namespace
}  // namespace stilt
