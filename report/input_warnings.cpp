#include "report/input_warnings.hpp"

#include <string>

namespace stilt {
namespace {

constexpr const char* kIndent = "     ";

// The block of a requested analysis that is not carried out: what was asked, where, and what the
// run does instead.
void notCarriedOut(Diagnostics& d, const std::string& request, const std::string& instead) {
  d.both("");
  d.both(std::string(kIndent) + "** WARNING **");
  d.both(kIndent + request);
  d.both(std::string(kIndent) + "IS NOT AVAILABLE IN THIS VERSION: " + instead);
}

std::string value(int v) {
  return std::to_string(v);
}

}  // namespace

Diagnostics unbuiltAnalysisWarnings(const AnalysisModel& m) {
  Diagnostics d;
  const ControlSwitches& s = m.switches;
  // A planar analysis knows the passive resistance of the cap for cap option 1 alone.
  if (s.capOption() >= 1 && capPassiveModel(m) == CapPassiveModel::kNone) {
    notCarriedOut(d,
                  "PASSIVE RESISTANCE OF THE EMBEDDED CAP IN TWO DIMENSIONS (CONTROL SWITCH 3 = " +
                      value(s.capOption()) + ")",
                  "THE CAP TAKES NONE");
  }
  // In three dimensions switch 4 = 2 writes the plate model of every item and any other value
  // solves the item as a plate on its piles; a planar analysis has no plate.
  if (s.flexibleCap() >= 1 && !s.is3d()) {
    notCarriedOut(d, "THE FLEXIBLE PILE CAP (CONTROL SWITCH 4 = " + value(s.flexibleCap()) + ")",
                  "THE CAP IS RIGID");
  }
  // The plate bears on its piles alone.
  if (s.is3d() && s.flexibleCap() >= 1 && s.flexibleCap() != 2 &&
      capPassiveModel(m) != CapPassiveModel::kNone) {
    notCarriedOut(d, "PASSIVE RESISTANCE OF THE EMBEDDED CAP UNDER A FLEXIBLE CAP",
                  "THE CAP TAKES NONE");
  }
  return d;
}

Diagnostics unknownSoilCodeWarnings(const AnalysisModel& m) {
  Diagnostics d;
  for (std::size_t i = 0; i < m.soilLayers.size(); ++i) {
    const int code = m.soilLayers[i].soilType;
    if (code >= 1 && code <= 11) continue;
    d.both("");
    d.both(std::string(kIndent) + "** WARNING **");
    d.both(std::string(kIndent) + "SOIL LAYER " + value(static_cast<int>(i + 1)) +
           " HAS THE UNKNOWN SOIL TYPE " + value(code) + " (RECORD I2, LINE " +
           value(m.soilLayers[i].line) + ")");
    d.both(std::string(kIndent) + "IT IS ANALYZED AS A SOFT CLAY");
  }
  return d;
}

}  // namespace stilt
