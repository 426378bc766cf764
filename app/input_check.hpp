#pragma once
// `stilt check`: the input data file read and validated without analysing it and without writing
// any file. The reader's own refusal, the checks that need the whole model (piles that reach below
// the soil profile, requests the analysis will not honour, references that are ignored, items
// nothing uses, section headers that name another section), then a short summary of the model.

#include <string>
#include <string_view>
#include <vector>

namespace stilt::app {

struct CheckFinding {
  bool error = false;
  int line = 0;                   // line of the input data file; 0 when none applies
  std::vector<std::string> text;  // first line, then continuation lines
};

struct InputCheck {
  int status = 0;                      // 0 analysable; else the status the run would end with
  std::vector<CheckFinding> findings;  // in line order
  std::vector<std::string> summary;    // empty when the file was refused
};

// Pure: reads `text` as the engine does and returns what a run would make of it.
[[nodiscard]] InputCheck checkInputText(std::string_view text);

// The lines `stilt check` prints: the findings, then the summary, then the verdict.
[[nodiscard]] std::vector<std::string> checkReportLines(const InputCheck& check);

}  // namespace stilt::app
