#pragma once
// The head lines every report starts with, and the assembly of the summary at the end of a run.

#include <string>
#include <vector>

#include "engine/names_file.hpp"
#include "engine/run_control.hpp"
#include "model/file_set.hpp"

namespace stilt {

// The banner: the engine's name and version in a frame.
[[nodiscard]] std::vector<std::string> bannerLines();
// The six lines naming the input data file's folder and the files of the run, and two blanks.
[[nodiscard]] std::vector<std::string> fileNameBlock(const NamesFile& names);
// The framed "Time and Date of Analysis" block.
[[nodiscard]] std::vector<std::string> timeAndDateBlock(const LocalTime& t);
// The lines that state a mesh refinement factor K > 1 under the time-and-date block.
[[nodiscard]] std::vector<std::string> refinementLines(int refine);
// The line of one summary work-file line as the summary receives it: cut to 120 columns, then to
// its last non-blank character; a blank line keeps one blank.
[[nodiscard]] std::string summaryCopyLine(std::string_view line);

}  // namespace stilt
