#include "model/analysis_model.hpp"

#include <array>

namespace stilt {

UnitsSystem AnalysisModel::units() const {
  switch (switches.unitsCode()) {
    case 1:
      return UnitsSystem::kEnglish;
    case 2:
      return UnitsSystem::kMetric;
    default:
      return UnitsSystem::kOpen;
  }
}

namespace {
constexpr std::array<const char*, 12> kLoadTypeNames = {
    "Dead, DL", "Live, LL",   "Seismic, EQ",   "Impact, IM", "Wind, WN", "Water, WT",
    "Ice, IC",  "Soils, Hsl", "Roof Live, Lr", "Rain, Rn",   "Snow, Sn", "Temperature, Tm"};
}  // namespace

const char* loadTypeName(int code) {
  if (code < 0 || code > 11) return "Special, Sp";
  return kLoadTypeNames[static_cast<std::size_t>(code)];
}

const char* unitsLabel(int unitsCode) {
  switch (unitsCode) {
    case 1:
      return "ENGL";
    case 2:
      return "METR";
    default:
      return "OPEN";
  }
}

const char* connectionText(int code) {
  switch (code) {
    case kConnectionPinned:
      return "PIN";
    case kConnectionFixed:
      return "FIX";
    default:
      return "RES";
  }
}

CapPassiveModel capPassiveModel(const AnalysisModel& model) {
  const int option = model.switches.capOption();
  if (option < 1) return CapPassiveModel::kNone;
  if (model.is2d()) return option == 1 ? CapPassiveModel::kPressure : CapPassiveModel::kNone;
  if (option == 2 && model.passiveMethod.lateralModel != 0) return CapPassiveModel::kMember;
  return CapPassiveModel::kPressure;
}

}  // namespace stilt
