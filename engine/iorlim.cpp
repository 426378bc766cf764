// The one routine the library exports. A host calls it with the interface code 18 to perform one
// complete run in the current working directory; any other code returns 1 and touches nothing.

#include <cstdint>

#include "engine/run_control.hpp"

namespace {
constexpr std::int32_t kRunInterfaceCode = 18;
}

extern "C" __attribute__((visibility("default"))) std::int32_t IORLIM(std::int32_t code) noexcept {
  if (code != kRunInterfaceCode) return 1;
  try {
    return stilt::toInt(stilt::runAnalysis(stilt::RunOptions{}));
  } catch (...) {
    return stilt::toInt(stilt::StatusCode::kInternalError);
  }
}
