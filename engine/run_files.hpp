#pragma once
// The files of a run laid out the way the stilt command lays them out: one folder holding
// Names.dat and the 20 files of the run, named after the input's stem.

#include <filesystem>
#include <string>
#include <vector>

namespace stilt {

// The extension of each of the 20 files a run writes (or reads, for the stop file), by line of
// Names.dat 6..25. Line 5 is the input data file itself.
struct OutputFile {
  int line;
  const char* extension;
  const char* description;
};
[[nodiscard]] const std::vector<OutputFile>& outputFiles();

// The 25 lines of Names.dat for a run of `input` whose files are named `<stem>.<ext>` in the
// output folder (the paths are relative to it; the input's is absolute).
[[nodiscard]] std::string namesFileText(const std::filesystem::path& input);

// Writes that Names.dat into `folder` (which must exist), never blocking on a pipe left under
// its name. False with the reason in `error` when it cannot be written whole.
[[nodiscard]] bool writeNamesFileFor(const std::filesystem::path& input,
                                     const std::filesystem::path& folder, std::string& error);

}  // namespace stilt
