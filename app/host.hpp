#pragma once
// What the stilt command does around the engine: the file set of a run named after its input,
// the Names.dat that lists it, and reading the engine's progress and status back.

#include <filesystem>
#include <string>
#include <vector>

namespace stilt::app {

// The extension of each of the 20 files a run writes (or reads, for the stop file), by line of
// Names.dat 6..25. Line 5 is the input data file itself.
struct OutputFile {
  int line;
  const char* extension;
  const char* description;
};
[[nodiscard]] const std::vector<OutputFile>& outputFiles();

// The folder a run of `input` writes to when no --out is given: beside the input, named after its
// stem.
[[nodiscard]] std::filesystem::path defaultOutputFolder(const std::filesystem::path& input);

// The 25 lines of Names.dat for a run of `input` whose files are named `<stem>.<ext>` in the
// output folder (the paths are relative to it; the input's is absolute).
[[nodiscard]] std::string namesFileText(const std::filesystem::path& input);

// The 21 paths of an existing Names.dat, resolved against its folder (empty where blank).
[[nodiscard]] bool readNamesPaths(const std::filesystem::path& folder,
                                  std::vector<std::filesystem::path>& paths, std::string& error);

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
