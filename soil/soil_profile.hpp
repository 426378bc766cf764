#pragma once
// The soil profile: soil properties at any depth below the ground surface.
//
// Each layer carries its parameters at its top and at its bottom; every property is a
// piecewise-linear curve through those points, so a boundary between two layers appears as two
// points at the same depth. The property functions below read the curves with the boundary rules
// that the p-y and load-transfer curves rely on. They are pure: they write nothing, and return a
// status (22, 23, 24) plus warning lines in `Diagnostics` when a depth lies beyond the profile.
//
// Depths are depths below the ground surface, in the length unit of the run.

#include <array>
#include <vector>

#include "model/analysis_model.hpp"
#include "model/diagnostics.hpp"
#include "model/status_code.hpp"

namespace stilt {

// Positions of the soil parameters of a layer.
enum class SoilParameter : int {
  kUnitWeight = 1,       // effective unit weight
  kCohesion = 2,         // undrained shear strength; uniaxial strength for rock
  kFrictionAngle = 3,    // radians in the profile (degrees as read)
  kSubgradeModulus = 4,  // p-y subgrade modulus k
  kRockModulus = 5,      // Young's modulus of the rock mass Er
  kStrain50 = 6,         // strain at 50 % of the maximum stress; krm for weak rock
  kRqd = 7,              // rock quality designation, percent
  kSideFriction = 8,     // ultimate unit side friction
  kTipResistance = 9,    // ultimate unit tip resistance
};
inline constexpr int kSoilParameterCount = 10;  // positions 1..10 (10 is read and kept)

// Soil-type codes of a layer; any other code behaves as soft clay.
enum class SoilType : int {
  kSoftClay = 1,
  kStiffClayFreeWater = 2,
  kStiffClayNoFreeWater = 3,
  kSand = 4,
  kUserCurves = 5,
  kVuggyLimestone = 6,
  kSilt = 7,
  kApiSand = 8,
  kWeakRock = 9,
  kStiffClayInitialK = 10,
  kLiquefiedSand = 11,
};

// The soil type a code selects: codes outside 1..11 are soft clay.
[[nodiscard]] SoilType soilTypeOf(int code);

// One layer as the analysis uses it: the per-type zeroing done, friction angles in radians.
struct ProfileLayer {
  int code = 1;  // soil-type code as read (report text)
  SoilType type = SoilType::kSoftClay;
  double top = 0.0;
  double bottom = 0.0;
  std::array<double, kSoilParameterCount + 1> atTop{};     // [1..10]
  std::array<double, kSoilParameterCount + 1> atBottom{};  // [1..10]

  double value(SoilParameter p, bool bottomRow) const {
    return (bottomRow ? atBottom : atTop)[static_cast<std::size_t>(p)];
  }
};

struct ProfilePoint {
  double depth = 0.0;
  double value = 0.0;
};

class SoilProfile {
 public:
  SoilProfile() = default;
  // `layers` in depth order, already zeroed by type and with angles in radians.
  SoilProfile(std::vector<ProfileLayer> layers, int unitsCode);

  const std::vector<ProfileLayer>& layers() const { return layers_; }
  int unitsCode() const { return unitsCode_; }  // 1 English, 2 metric, other open
  // The piecewise-linear curve of one parameter: two points per layer, in layer order. Built
  // once, so the property functions allocate nothing.
  const std::vector<ProfilePoint>& curve(SoilParameter p) const {
    return curves_[static_cast<std::size_t>(p)];
  }
  bool empty() const { return layers_.empty(); }
  double bottom() const { return layers_.empty() ? 0.0 : layers_.back().bottom; }

 private:
  std::vector<ProfileLayer> layers_;
  int unitsCode_ = 1;
  std::array<std::vector<ProfilePoint>, kSoilParameterCount + 1> curves_;
};

// The profile of a model: parameter rows copied, values the soil type does not use set to zero
// (strain at 50 % set to 0.0005 for vuggy limestone), friction angles turned into radians.
[[nodiscard]] SoilProfile buildSoilProfile(const AnalysisModel& model);

// The per-type zeroing of one layer's parameter row (positions 1..10), in place.
void zeroUnusedParameters(SoilType type, std::array<double, kSoilParameterCount + 1>& values);

// The index of the layer that contains depth x: a depth on a boundary belongs to the lower
// layer; above the first layer, the first; below the last, the last. -1 for an empty profile.
[[nodiscard]] int layerIndexAt(const SoilProfile& profile, double x);

// Average effective unit weight between the ground surface and x ("GAMMA AVG"). Below the last
// point of the profile: warning lines, status 22, result 0.
[[nodiscard]] double averageUnitWeight(const SoilProfile& profile, double x, StatusCode& status,
                                       Diagnostics& diag);
// Undrained shear strength at x; on a boundary the lower layer's value unless it is zero. Below
// the profile: warning lines, status 23, result 0.
[[nodiscard]] double strengthAt(const SoilProfile& profile, double x, StatusCode& status,
                                Diagnostics& diag);
// Average undrained shear strength between the ground surface and x ("CAVG"). Below the profile
// a warning to the report only; the last segment is extended to x.
[[nodiscard]] double averageStrength(const SoilProfile& profile, double x, Diagnostics& diag);
// Friction angle at x, radians; on a boundary the non-zero value, or the mean of two. Below the
// profile: warning lines, status 24, result 0.
[[nodiscard]] double frictionAngleAt(const SoilProfile& profile, double x, StatusCode& status,
                                     Diagnostics& diag);
// Initial modulus of subgrade reaction k at x, with the default k (50.0, or 13575.0 in metric
// units) where the profile gives none.
[[nodiscard]] double subgradeModulusAt(const SoilProfile& profile, double x);
// The default k where the profile gives none: 50 pci, or 13575 kN/m3 in metric units (code 2).
[[nodiscard]] double defaultSubgradeModulus(int unitsCode);
// A per-layer parameter: the value at the top of the layer that contains x (no interpolation).
[[nodiscard]] double layerValueAt(const SoilProfile& profile, SoilParameter p, double x);

struct ReductionFactors {
  double p = 1.0;
  double y = 1.0;
  bool inTable = false;  // x lies within the table's depth range
};
// Depth-wise p- and y-factors of a set: interpolated within the table's depth range, 1 outside.
// A null set gives 1 and 1.
[[nodiscard]] ReductionFactors reductionFactorsAt(const DepthReductionFactorSet* set, double x);

}  // namespace stilt
