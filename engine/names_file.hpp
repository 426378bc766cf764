#pragma once
// The run-control file Names.dat: four header lines and the paths of the 21 files of a run.

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "model/file_set.hpp"
#include "model/status_code.hpp"

namespace stilt {

struct NamesFile {
  std::string label;                                    // line 1, 12 characters
  std::string header2;                                  // line 2
  std::string header3;                                  // line 3
  int headerValue = 0;                                  // line 4
  std::array<std::filesystem::path, kPathLines> paths;  // lines 5..25, as resolved

  const std::filesystem::path& pathOfLine(int line) const {
    return paths[static_cast<std::size_t>(line - 5)];
  }
};

struct NamesResult {
  StatusCode status = StatusCode::kCompleted;
  std::vector<std::string> message;
  // The runtime file's path when line 9 could be read, so that a failure can still be reported.
  std::filesystem::path runtimePath;
};

// Parses the text of Names.dat. Paths may end in blanks or a carriage return; relative paths are
// taken from `workDir`. Refuses a file with fewer than 25 lines, a malformed line 4, a missing
// name for a file opened at the start of the run, and two lines that name the same written file
// (or name the input data file or Names.dat itself as an output), which would destroy data.
[[nodiscard]] NamesResult parseNamesFile(const std::string& text,
                                         const std::filesystem::path& workDir, NamesFile& out);

}  // namespace stilt
