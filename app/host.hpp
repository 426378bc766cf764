#pragma once
// What the stilt command does around the engine: the file set of a run named after its input,
// the Names.dat that lists it, and reading the engine's progress and status back.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_files.hpp"

namespace stilt::app {

// The files of a run as the engine lays them out (Names.dat lines 6..25) and the Names.dat text.
using stilt::namesFileText;
using stilt::OutputFile;
using stilt::outputFiles;

// The folder a run of `input` writes to when no --out is given: beside the input, named after its
// stem.
[[nodiscard]] std::filesystem::path defaultOutputFolder(const std::filesystem::path& input);

// The 21 paths of an existing Names.dat, resolved against its folder (empty where blank).
[[nodiscard]] bool readNamesPaths(const std::filesystem::path& folder,
                                  std::vector<std::filesystem::path>& paths, std::string& error);

// The host's own files in the output folder: results.json, and the temporary name it is written
// under before it is renamed into place, so that a results.json is always complete.
inline constexpr const char* kResultsFile = "results.json";
inline constexpr const char* kResultsTempFile = "results.json.tmp";
// The HTML report beside results.json, and its temporary name.
inline constexpr const char* kReportFile = "report.html";
inline constexpr const char* kReportTempFile = "report.html.tmp";

// The exit status of `stilt run` when the engine completed but an analysed load case or
// combination did not (its result line is other than "1 ANALYSIS COMPLETED").
// Distinct from every status the engine returns.
inline constexpr int kItemsFailedExit = 60;

// The content of a regular file, read without waiting: false for a missing or unreadable file
// and for anything that is not a regular file (a pipe, a device, a directory).
[[nodiscard]] bool readRegularFile(const std::filesystem::path& file, std::string& text);

// Why a run of `input` into `folder` must not start, or nothing: the input is, or is the same
// file as (by name, hard link or symbolic link), a file the run would write there — Names.dat,
// one of the 20 files named after the input's stem, results.json or its temporary name.
[[nodiscard]] std::optional<std::string> inputClash(const std::filesystem::path& input,
                                                    const std::filesystem::path& folder);

// Why the run of an existing Names.dat in `folder`, whose 21 paths are `paths`, must not start:
// results.json (or its temporary name) is, or is the same file as, Names.dat or one of them.
[[nodiscard]] std::optional<std::string> resultsClash(
    const std::filesystem::path& folder, const std::vector<std::filesystem::path>& paths);

// The progress record in a file, its non-empty lines joined into one line.
[[nodiscard]] std::string progressLine(const std::filesystem::path& progressFile);

// The status lines of the last run recorded in a runtime file (the lines after the last line of
// four blanks), trimmed; and the detailed message of a refused input, if any.
struct RuntimeOutcome {
  std::vector<std::string> statusLines;
  std::vector<std::string> detail;
};
[[nodiscard]] RuntimeOutcome readRuntimeOutcome(const std::filesystem::path& runtimeFile);

}  // namespace stilt::app
