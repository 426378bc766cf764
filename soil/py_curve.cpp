#include "soil/py_curve.hpp"

namespace stilt {

PyCurve makePyCurve(SoilType type, const PyNodeSoil& s) {
  switch (type) {
    case SoilType::kSoftClay:
      return makeSoftClay(s);
    case SoilType::kStiffClayFreeWater:
      return makeStiffClayFreeWater(s);
    case SoilType::kStiffClayNoFreeWater:
      return makeStiffClayNoFreeWater(s, false);
    case SoilType::kStiffClayInitialK:
      return makeStiffClayNoFreeWater(s, true);
    case SoilType::kSand:
      return makeSand(s);
    case SoilType::kSilt:
      return makeSilt(s);
    case SoilType::kApiSand:
      return makeApiSand(s);
    case SoilType::kLiquefiedSand:
      return makeLiquefiedSand(s);
    case SoilType::kWeakRock:
      return makeWeakRock(s);
    case SoilType::kVuggyLimestone:
      return makeVuggyLimestone(s);
    case SoilType::kUserCurves:
      return NoResistance{};
  }
  return makeSoftClay(s);
}

bool usesEquivalentDepth(SoilType type) {
  switch (type) {
    case SoilType::kSoftClay:
    case SoilType::kStiffClayFreeWater:
    case SoilType::kStiffClayNoFreeWater:
    case SoilType::kStiffClayInitialK:
    case SoilType::kSand:
    case SoilType::kSilt:
    case SoilType::kApiSand:
      return true;
    default:
      return false;
  }
}

bool isSandLike(SoilType type) {
  return type == SoilType::kSand || type == SoilType::kSilt || type == SoilType::kApiSand;
}

}  // namespace stilt
