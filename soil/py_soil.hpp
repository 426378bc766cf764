#pragma once
// The lateral soil springs of one pile: a p-y curve at every real node, prepared once.
//
// Building a PySoil reads the soil profile at every node (strength, unit weight, friction angle,
// the running averages of the stiff clays and weak rock, the equivalent depth of layered soil,
// the depth-wise reduction factors) and keeps, per node, only the few numbers its curve family
// needs. The iteration of the pile solver then asks for secant moduli, which evaluates p(y) once
// per node and allocates nothing. The same object prints curves at any depth for the report.
//
// A pile given a set of user p-y curves (its "P-Y CURVE" number) uses them in one of two ways:
// when the profile holds layers of user-specified curves (code 5), those layers take the set and
// the other layers keep their own curves; otherwise the set replaces the soil layers for the
// whole pile.

#include <array>
#include <span>
#include <vector>

#include "model/analysis_model.hpp"
#include "model/diagnostics.hpp"
#include "model/status_code.hpp"
#include "soil/lateral_soil.hpp"
#include "soil/py_curve.hpp"
#include "soil/soil_profile.hpp"

namespace stilt {

struct PySoilInput {
  const SoilProfile* profile = nullptr;        // must outlive the PySoil (curve mode reads it)
  std::span<const double> depths;              // depth below the ground surface of each real node,
                                               // head first, increasing
  std::span<const double> widths;              // pile width b at each real node
  bool cyclic = false;                         // loading of the load case: static unless cyclic
  int cycles = 1;                              // number of load cycles N
  const UserPyCurveSet* userCurves = nullptr;  // the set the pile's "P-Y CURVE" refers to
  const DepthReductionFactorSet* reductionFactors = nullptr;  // the pile's "R-F-L SET"
  double groundSlope = 0.0;  // radians; the input format carries none, so it is 0
};

// A curve as the report prints it: points scaled by the multipliers and depth-wise factors.
struct PrintedPyCurve {
  SoilType type = SoilType::kSoftClay;
  bool hasSoil = false;  // false: no soil resistance at that depth (all p are 0)
  std::vector<double> y;
  std::vector<double> p;
  double smallModulus = 0.0;  // scaled modulus used below a deflection of 1.0E-14

  // Liquefied sand prints its own block ahead of the points: the title, then each label with
  // its value, then the columns "y," and "p,".
  bool liquefiedSandBlock = false;
  std::array<double, 6> blockValues{};  // in the order of kLiquefiedSandLabels
};

inline constexpr const char* kLiquefiedSandTitle =
    "p-y Curve Computed Using Liquefied Sand Criteria";
inline constexpr std::array<const char*, 6> kLiquefiedSandLabels = {
    "Depth below ground surface       =", "Diameter                         =",
    "Gamma Avg                        =", "Pu                               =",
    "p-multiplier                     =", "y-multiplier                     ="};
inline constexpr std::array<const char*, 2> kLiquefiedSandColumns = {"y,", "p,"};

class PySoil final : public LateralSoil {
 public:
  PySoil() = default;
  PySoil(const PySoil&) = delete;  // nodes point into the object's own user-curve tables
  PySoil& operator=(const PySoil&) = delete;
  PySoil(PySoil&&) noexcept = default;
  PySoil& operator=(PySoil&&) noexcept = default;

  // Prepares the springs of one pile. Fails with the status of the first node whose soil data
  // are missing (22, 23, 24), with 21 (weak rock without strength), 28 (silt) or 30 (API sand)
  // without friction angle, with 3 when the pile's own curves stop above a node, or with 45 when
  // a layer of user-specified curves meets a pile that refers to no set; `diag` says why.
  [[nodiscard]] static StatusCode build(const PySoilInput& in, PySoil& out, Diagnostics& diag);

  [[nodiscard]] int nodeCount() const override { return static_cast<int>(nodes_.size()); }
  [[nodiscard]] StatusCode initialModuli(std::span<double> es, Diagnostics& diag) const override;
  [[nodiscard]] StatusCode secantModuli(std::span<const double> y, PyMultipliers m,
                                        std::span<double> es, Diagnostics& diag) const override;
  // Analytic dp/dy of every family, the segment slope of user curves.
  [[nodiscard]] StatusCode tangentModuli(std::span<const double> y, PyMultipliers m,
                                         std::span<double> es, std::span<double> et,
                                         Diagnostics& diag) const override;

  // Curve mode: the curve at `depth` below the ground surface for a pile `width` wide, at the
  // family's 17 deflections, or at `deflections` (printed deflections) when that is not empty.
  // Adds the small-deflection warnings and any message of the curve's soil to `diag`.
  [[nodiscard]] StatusCode curveAt(double depth, double width, std::span<const double> deflections,
                                   PyMultipliers m, PrintedPyCurve& out, Diagnostics& diag) const;

  // Inspection, for reports and tests.
  [[nodiscard]] const PyCurve& nodeCurve(int node) const {
    return nodes_[static_cast<std::size_t>(node)].curve;
  }
  [[nodiscard]] ReductionFactors nodeFactors(int node) const;
  // The depth that stands for the top of a layer (or for the ground surface, where the layer
  // starts above it) in its ultimate-resistance expressions: the equivalent depth H below the
  // first layer, the layer's own top otherwise. Layers below the deepest node are not computed
  // (NaN).
  [[nodiscard]] double equivalentDepth(int layer) const;
  [[nodiscard]] bool pileCurvesReplaceLayers() const { return pileCurves_; }
  // The pile width at `x` below the ground surface: that of the deepest node not below x.
  [[nodiscard]] double widthAt(double x) const;

 private:
  struct NodeSpring {
    PyCurve curve;
    double pFactor = 1.0;
    double yFactor = 1.0;
    double inverseYFactor = 1.0;
    double smallModulus = 0.0;  // unscaled secant modulus at 1.0E-14
  };
  // Running trapezoidal average of the strength over the nodes of a layer (stiff clays' ca,
  // weak rock's qur in layers below the first).
  struct RunningStrength {
    int layer = -1;
    double firstDepth = 0.0;
    double lastDepth = 0.0;
    double lastStrength = 0.0;
    double integral = 0.0;
  };

  [[nodiscard]] StatusCode nodeSoil(int layer, double x, double b, RunningStrength* running,
                                    PyNodeSoil& s, Diagnostics& diag) const;
  [[nodiscard]] StatusCode curveAtDepth(double x, double b, RunningStrength* running,
                                        const std::vector<double>& equivalent, PyCurve& curve,
                                        SoilType& type, PyNodeSoil& s, bool& beyondUserCurves,
                                        Diagnostics& diag) const;
  [[nodiscard]] std::vector<double> equivalentDepths(int lastLayer) const;
  [[nodiscard]] double layerUltimate(int layer, double x, double top) const;
  [[nodiscard]] double ownUltimate(int layer, double z) const;
  [[nodiscard]] double searchEquivalentDepth(int layer, double integralAbove) const;

  std::vector<NodeSpring> nodes_;
  std::vector<double> initial_;
  std::vector<double> depths_;
  std::vector<double> widths_;
  std::vector<double> equivalent_;  // per layer, see equivalentDepth
  std::vector<UserPyTable> userTables_;
  const SoilProfile* profile_ = nullptr;
  const DepthReductionFactorSet* reductionFactors_ = nullptr;
  bool cyclic_ = false;
  int cycles_ = 1;
  double groundSlope_ = 0.0;
  bool pileCurves_ = false;
};

}  // namespace stilt
