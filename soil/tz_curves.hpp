#pragma once
// Axial load-transfer curves of one pile property: t-z curves (unit side load transfer t
// against local pile movement z) at a series of depths, and the q-w curve (tip load against tip
// movement), with the estimates of the ultimate unit side friction and tip resistance where the
// input gives none.
//
// Everything is in the run's unit system: units code 1 lb, in, psi; units code 2 kN, m, kPa. The
// published curves are tabulated in inches; the metric forms convert them where noted.
//
// Functions are pure: they return numbers, a status and message lines, and write no file.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "model/diagnostics.hpp"
#include "model/status_code.hpp"
#include "soil/axial_pile.hpp"
#include "soil/soil_profile.hpp"

namespace stilt {

inline constexpr int kTzPointCount = 10;

struct TzPoint {
  double t = 0.0;  // unit side load transfer (stress)
  double z = 0.0;  // movement (length)
};
using TzShape = std::array<TzPoint, kTzPointCount>;  // point 1 is (0, 0)

struct TzCurve {
  int number = 0;              // 1-based
  double depth = 0.0;          // below the pile head
  double soilDepth = 0.0;      // below the top of the soil profile (as printed)
  int soilType = 0;            // code of the layer the curve belongs to
  double fmax = 0.0;           // ultimate unit side friction
  double frictionAngle = 0.0;  // degrees
  TzShape points{};
};

// 3 curves per soil layer plus 2, in the order they are built.
struct TzCurveSet {
  std::vector<TzCurve> curves;
};

struct TipPoint {
  double q = 0.0;  // tip load (force)
  double w = 0.0;  // tip movement (length)
};

struct TipCurve {
  int soilType = 0;                              // tip soil code, after the stiff-clay rule
  double area = 0.0;                             // tip area of the pass (1.0E-4 for uplift)
  double capacity = 0.0;                         // Q_tip: ultimate tip load
  std::array<TipPoint, kTzPointCount> points{};  // point 1 is (0, 0)
};

// Soil at the pile tip, as both the axial and the torsional builds see it.
struct TipSoil {
  int code = 0;        // tip soil code, after the stiff-clay rule
  double depth = 0.0;  // below the top of the soil profile
  double cohesion = 0.0;
  double frictionAngle = 0.0;  // radians
  double unitWeight = 0.0;     // average effective unit weight down to the tip
  double e50 = 0.0;            // strain at 50 % stress of the layer at the tip
  double area = 0.0;           // tip area of the pass
  double capacity = 0.0;       // Q_tip, estimated where the input gives none
};

// Three-character unit labels of the curve listings.
struct CurveUnitLabels {
  std::string_view length;  // "IN." or " M."
  std::string_view force;   // "LBS" or "KN."
  std::string_view stress;  // "PSI" or "KPA"
};
// English labels for units code 1, metric ones for every other code.
[[nodiscard]] CurveUnitLabels setUnitLabels(int unitsCode);

// Linear interpolation in the input profile of ultimate unit side friction (parameter 8), tip
// resistance (parameter 9) or friction angle (parameter 3, radians) against depth below the top
// of the profile: between the first tabulated depth greater than x and the entry before it,
// the first interval extended above the profile, the mean of two entries less than 1.0E-6 apart.
// A depth beyond the last entry (by more than 1.0E-6) writes a three-line warning to the report
// and the runtime file, sets status 25, 26 or 27, and returns 0.
[[nodiscard]] double interpolateSideFrictionProfile(const SoilProfile& profile, double x,
                                                    StatusCode& status, Diagnostics& diag);
[[nodiscard]] double interpolateTipResistanceProfile(const SoilProfile& profile, double x,
                                                     StatusCode& status, Diagnostics& diag);
[[nodiscard]] double interpolateFrictionAngleProfile(const SoilProfile& profile, double x,
                                                     StatusCode& status, Diagnostics& diag);

// --- Estimates of the ultimate unit resistances -------------------------------------------

// Adhesion factor of a driven pile in clay (API RP 2A, 1987): psi = c / (gamma·x), alpha =
// 0.5·psi^-0.5 for psi <= 1, else 0.5·psi^-0.25; soft clays (c below 3.47 psi or 24 kPa) whose
// alpha falls below 0.5 take alpha = 1.
[[nodiscard]] double drivenClayAlpha(double cohesion, double unitWeight, double x, int unitsCode);
// Side-friction factor of a drilled shaft in sand (Reese and O'Neill, 1988): beta = 1.5 -
// 0.135·sqrt(z), z the depth in feet, limited to 0.25..1.2.
[[nodiscard]] double drilledSandBeta(double x, int unitsCode);
// Bearing capacity factor Nq of a driven pile in sand by friction angle in degrees (API RP 2A).
[[nodiscard]] double bearingFactorNq(double frictionAngleDeg);
// Initial slope of the hyperbolic driven-sand t-z curve, lb/ft² per inch, by friction angle.
[[nodiscard]] double drivenSandSlope(double frictionAngleDeg);

// Ultimate unit side friction that a zero input is replaced by, for a pile of the given
// installation method in soil `soilCode` at depth x below the top of the profile. Code 5 keeps
// 0. Statuses of the soil profile functions (22, 23, 24) propagate.
[[nodiscard]] double estimateSideFriction(const SoilProfile& profile, int unitsCode, bool drilled,
                                          int soilCode, double x, StatusCode& status,
                                          Diagnostics& diag);

// What the input report marks "(P)" and "(S)": at depth x in soil `soilCode`, whether the input
// side friction and tip resistance are zero (below 1.0E-10), and the driven-pile (P) and
// drilled-shaft (S) estimates that the curves would then use. Tip values are per unit area; the
// drilled shaft in loose sand gives the bare 0.1 of the tip rule.
struct UnitResistanceEstimates {
  bool sideEstimated = false;
  double sideDriven = 0.0;
  double sideDrilled = 0.0;
  bool tipEstimated = false;
  double tipDriven = 0.0;
  double tipDrilled = 0.0;
};
[[nodiscard]] StatusCode estimateUnitResistances(const SoilProfile& profile, int unitsCode,
                                                 int soilCode, double x, double inputSideFriction,
                                                 double inputTipResistance,
                                                 UnitResistanceEstimates& out, Diagnostics& diag);

// --- Side-curve shapes ------------------------------------------------------------------------
// Each gives the 10 points of a t-z curve from its ultimate unit side friction, its friction
// angle in degrees and the pile diameter.

// Hyperbolic curve of a driven pile in sand: t = z / (1/k + z/FMAX), k by friction angle.
[[nodiscard]] TzShape tzDrivenSand(double fmax, double frictionAngleDeg, double diameter,
                                   int unitsCode);
// Driven pile in clay (Coyle and Reese, 1966): peak at 0.08 in, residual 0.93·FMAX.
[[nodiscard]] TzShape tzDrivenClay(double fmax, double frictionAngleDeg, double diameter,
                                   int unitsCode);
// Driven pile in soil with user p-y curves: movements in proportion to D.
[[nodiscard]] TzShape tzDrivenUserSoil(double fmax, double frictionAngleDeg, double diameter,
                                       int unitsCode);
// Drilled shaft in clay (Reese and O'Neill, 1988): movements in proportion to D, softening.
[[nodiscard]] TzShape tzShaftClay(double fmax, double frictionAngleDeg, double diameter,
                                  int unitsCode);
// Drilled shaft in sand (Reese and O'Neill, 1988).
[[nodiscard]] TzShape tzShaftSand(double fmax, double frictionAngleDeg, double diameter,
                                  int unitsCode);

// The t-z curve of soil `soilCode` at depth `soilDepth` below the top of the profile: its
// ultimate unit side friction (input, else estimated), friction angle and shape. `depth` of the
// curve is measured from the pile head.
[[nodiscard]] StatusCode buildTzCurveAt(const AxialPile& pile, const SoilProfile& profile,
                                        int unitsCode, double soilDepth, int soilCode,
                                        TzCurve& curve, Diagnostics& diag);

// All t-z curves of a pile: curve 1 at depth 0 and curve 2 at the top of the first layer (both
// of layer 1's soil and with FMAX = 1.0E-6), then three per layer at (top + 0.1), halfway down to
// the bottom, and (bottom - 1.0). Depths are then measured from the pile head.
[[nodiscard]] StatusCode buildTzCurves(const AxialPile& pile, const SoilProfile& profile,
                                       int unitsCode, TzCurveSet& set, Diagnostics& diag);

// The soil at the pile tip and its ultimate tip load for the pass (1 uplift: area 1.0E-4, so
// the tip carries practically nothing; 2 compression: the area of the last section). The tip
// resistance is read first, so a profile that ends above the tip gives status 26.
[[nodiscard]] StatusCode findTipSoil(const AxialPile& pile, const SoilProfile& profile,
                                     int unitsCode, int pass, TipSoil& tip, Diagnostics& diag);

// The q-w curve of the pass. A driven pile on a clay-like tip (codes 1, 2, 3, 6, 10) needs its
// strain at 50 % (status 32) and a tip capacity (status 33). `tz` gives the friction angle of the
// deepest t-z curve for the driven-sand tip.
[[nodiscard]] StatusCode buildTipCurve(const AxialPile& pile, const SoilProfile& profile,
                                       int unitsCode, int pass, const TzCurveSet& tz,
                                       TipCurve& curve, Diagnostics& diag);

// --- Reading the curves -----------------------------------------------------------------------

// t at movement z: piecewise linear, the first interval extended below the first point, the
// last value kept beyond the last point.
[[nodiscard]] double sideTransferAt(const TzShape& shape, double z);
// t at depth x below the pile head and movement z: linear in depth between the two curves
// that bracket x; one curve alone on its own depth, above the first curve and below the last.
[[nodiscard]] double sideTransferAt(const TzCurveSet& set, double x, double z);
// Tip load at movement w: piecewise linear, the first and last intervals extended.
[[nodiscard]] double tipLoadAt(const TipCurve& curve, double w);

// --- Listings (t-z listing file) -------------------------------------------------------------

// "T-Z CURVES, PILE PROPERTY:" (or "T-q CURVES, PILE PROPERTY:" for the torsion build) with
// every curve's number, point count, depth below the top of the profile and its 10 points.
void listTzCurves(const TzCurveSet& set, int property, CurveUnitLabels labels, bool torsion,
                  std::vector<std::string>& lines);
// "Q-W CURVE, PILE PROPERTY:" with the 10 (Q, W) points.
void listTipCurve(const TipCurve& curve, int property, CurveUnitLabels labels,
                  std::vector<std::string>& lines);

}  // namespace stilt
