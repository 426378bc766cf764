#pragma once
// Reading the input data file into the analysis model.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/analysis_model.hpp"
#include "model/status_code.hpp"

namespace stilt {

struct ReadResult {
  StatusCode status = StatusCode::kCompleted;
  std::vector<std::string> message;  // on failure: the record, the line and what was wrong
};

struct ReaderCallbacks {
  // Receives the runtime-file lines of the reading trace (title, "READING" lines) as they come.
  std::function<void(std::string_view)> echo;
  // Called once record A2 is known (the curve work file is opened there). A non-zero status
  // ends the reading with that status; `message` then explains it.
  std::function<StatusCode(const ControlSwitches&, std::vector<std::string>& message)>
      onControlRecord;
};

// Reads every record of the input data file `text`, in order, into `model` (which should be
// fresh). The switches of record A2 decide which optional sections are present. After reading,
// every reference between records is checked, so that the analysis never meets an undefined one.
[[nodiscard]] ReadResult readInputDataFile(std::string_view text, AnalysisModel& model,
                                           const ReaderCallbacks& callbacks);

// The checks of references and values that need the whole file (a pile row refers to a property
// defined later, for example). Part of `readInputDataFile`; exposed for tests.
[[nodiscard]] ReadResult checkModel(const AnalysisModel& model);

}  // namespace stilt
