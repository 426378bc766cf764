#include "engine/engine_api.hpp"

#include <string>

#include "engine/run_files.hpp"

namespace stilt {

StatusCode runEngine(const EngineRequest& request) noexcept {
  try {
    if (!request.input.empty()) {
      std::string error;
      if (!writeNamesFileFor(request.input, request.namesFolder, error)) {
        if (request.sink != nullptr) request.sink->runEnd({StatusCode::kFileOpenError, {error}});
        return StatusCode::kFileOpenError;
      }
    }
    RunOptions options;
    options.workDir = request.namesFolder;
    options.clock = request.clock;
    options.analysis.threads = request.threads;
    options.analysis.stiffness = request.stiffness;
    options.sink = request.sink;
    options.resultLevel = request.results;
    options.monitor.progress = request.progress;
    options.monitor.stop = request.stop;
    return runAnalysis(options);
  } catch (...) {
    return StatusCode::kInternalError;
  }
}

}  // namespace stilt
