// The one routine the library exports. A host calls it with the interface code 18 to perform one
// complete run in the current working directory; any other code returns 1 and touches nothing.
// It is the engine call with its defaults: the pile pass on every core, the head stiffness by
// central differences, no result records (the host reads the files of the run).

#include <cstdint>

#include "engine/engine_api.hpp"

namespace {
constexpr std::int32_t kRunInterfaceCode = 18;
}

extern "C" __attribute__((visibility("default"))) std::int32_t IORLIM(std::int32_t code) noexcept {
  if (code != kRunInterfaceCode) return 1;
  try {
    return stilt::toInt(stilt::runEngine(stilt::EngineRequest{}));
  } catch (...) {
    return stilt::toInt(stilt::StatusCode::kInternalError);
  }
}
