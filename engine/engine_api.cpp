#include "engine/engine_api.hpp"

#include <string>
#include <vector>

#include "engine/run_files.hpp"

namespace stilt {
namespace {

// Keeps the frame and the end of a run whose records go nowhere else, so that a coarse run of a
// mesh-convergence study that ends early can still hand them to the host's sink.
class FrameSink final : public ResultSink {
 public:
  void runBegin(const RunBeginRecord& run) override { begin = run; }
  void itemBegin(const ItemHeader&) override {}
  void pile(const PileRecord&) override {}
  void itemEnd(const ItemEndRecord&) override {}
  void runEnd(const RunEndRecord& run) override { end = run; }

  RunBeginRecord begin;
  RunEndRecord end;
};

// Automatic refinement: K = 1 and K = 2 recorded, then the finest run (K = 4 when some value
// moved by more than the tolerance, else K = 2 again) with the host's sink, comparing itself with
// the coarser ones. The coarse runs write the same files, which the finest run overwrites: what
// stands is the finest analysis plus the comparison. A coarse run that does not complete ends
// the study with its status and files, and the host's sink receives its frame and end.
StatusCode runWithMeshConvergence(const RunOptions& base) {
  std::vector<MeshSnapshot> meshes;
  for (int k : {1, 2}) {
    RunOptions coarse = base;
    FrameSink frame;
    MeshSnapshot snapshot;
    coarse.analysis.refine = k;
    coarse.sink = &frame;
    coarse.snapshot = &snapshot;
    coarse.coarserMeshes = nullptr;
    const StatusCode status = runAnalysis(coarse);
    if (!isOk(status)) {
      if (base.sink != nullptr) {
        base.sink->runBegin(frame.begin);
        base.sink->runEnd(frame.end);
      }
      return status;
    }
    meshes.push_back(std::move(snapshot));
  }
  const bool stillMoving = largestMeshChange(meshes[0], meshes[1]) > kMeshChangeTolerance;
  RunOptions finest = base;
  finest.analysis.refine = stillMoving ? 4 : 2;
  if (!stillMoving) meshes.pop_back();
  finest.coarserMeshes = &meshes;
  finest.snapshot = nullptr;
  return runAnalysis(finest);
}

}  // namespace

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
    options.analysis.refine = request.refine;
    options.sink = request.sink;
    options.resultLevel = request.results;
    options.monitor.progress = request.progress;
    options.monitor.stop = request.stop;
    if (request.refine == kRefineAuto) return runWithMeshConvergence(options);
    return runAnalysis(options);
  } catch (...) {
    return StatusCode::kInternalError;
  }
}

}  // namespace stilt
