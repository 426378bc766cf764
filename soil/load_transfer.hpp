#pragma once
// Load-settlement and torque-rotation curves of a pile head by the tip-up load-transfer method
// (Coyle and Reese, 1966): a tip movement is assumed, the tip load follows from the q-w curve,
// and load and movement are carried up the pile segment by segment, each segment adding the
// side load of the t-z curves at its mid-depth and shortening elastically under its mean axial
// force. The torsional form reads the same t-z curves at the circumferential movement of the
// pile surface, with GJ in place of E·A and no torque at the tip.
//
// Each property gets two passes: uplift (pass 1, the tip area taken as 1.0E-4, all results
// negated) and compression (pass 2). The two branches join into one 19-point curve through the
// origin, from the largest uplift to the largest compression.
//
// The builders are pure: the curves come back as values, the listing lines for the t-z listing
// file (channel 20) and the load-transfer trace (channel 27) come back as text, and warnings
// come back in `Diagnostics` for the caller to write.

#include <array>
#include <span>
#include <string>
#include <vector>

#include "model/analysis_model.hpp"
#include "model/diagnostics.hpp"
#include "model/status_code.hpp"
#include "soil/axial_pile.hpp"
#include "soil/soil_profile.hpp"
#include "soil/tz_curves.hpp"

namespace stilt {

inline constexpr int kTransferPointCount = 9;
inline constexpr int kJoinedPointCount = 2 * kTransferPointCount + 1;
// The mid-segment movement (or twist) iteration of one segment stops here with status 51 (52).
inline constexpr int kMaxSegmentIterations = 1000;

// One point of a pass: head load, head movement, tip movement, tip load. For the torsion build:
// head torque, head twist, tip twist, tip torque (always 0).
struct TransferPoint {
  double headLoad = 0.0;
  double headMovement = 0.0;
  double tipMovement = 0.0;
  double tipLoad = 0.0;
};
using TransferTable = std::array<TransferPoint, kTransferPointCount>;

// A point of a joined curve: head movement (or twist) and head load (or torque).
struct CurvePoint {
  double movement = 0.0;
  double load = 0.0;
};
using JoinedCurve = std::array<CurvePoint, kJoinedPointCount>;

// The axial curves of one pile property.
struct LoadSettlementCurve {
  TzCurveSet tz;                         // t-z curves, depths below the pile head
  std::array<TipCurve, 2> tip{};         // [0] uplift pass, [1] compression pass
  std::array<TransferTable, 2> table{};  // [0] uplift (values negated), [1] compression
  JoinedCurve joined{};                  // points 1..9 uplift, 10 the origin, 11..19 compression
  int pointCount = kJoinedPointCount;
  int unitsCode = 1;  // of the build, for the direct solution
};

// The torsional curves of one pile property.
struct TorqueRotationCurve {
  std::array<TransferTable, 2> table{};  // [0] uplift pass (negated), [1] compression pass
  JoinedCurve joined{};                  // (twist, torque)
  int pointCount = kJoinedPointCount;
};

// Lines for the t-z listing file (channel 20) and the load-transfer curve file (channel 27).
struct CurveListings {
  std::vector<std::string> tzListing;
  std::vector<std::string> transferTrace;
};

// The nine assumed tip movements: 0.0001, 0.001, 0.005, 0.01, 0.05, 0.1, 0.5, 1.0 in and the
// larger of 2.0 in and 0.05·D, converted to metres with units code 2 (the comparison with
// 0.05·D is made in the run's length unit, so D = 1.524 m gives 0.0762 m as 60 in gives 3 in).
[[nodiscard]] std::array<double, kTransferPointCount> assumedTipMovements(double diameter,
                                                                          int unitsCode);
// The nine assumed tip twists: the same movements up to 2.0 in, divided by the radius D/2.
[[nodiscard]] std::array<double, kTransferPointCount> assumedTipTwists(double diameter,
                                                                       int unitsCode);

// Closure of the mid-segment movement iteration: 0.0001 in, or its metric equivalent
// 2.54E-6 m with units code 2 (a tenth of a millimetre would exceed the first assumed tip
// movements). The twist iteration closes on 0.0001 rad in every unit system.
[[nodiscard]] double movementClosure(int unitsCode);

// One tip-up transfer. Starting at the tip with `tipLoad` and `tipMovement`, carries load and
// movement (torque and twist for Rigidity::kTorsional) up the pile's segments; `load` and
// `movement` (at least segments + 1 entries) receive the values at the segment boundaries,
// entry 0 at the pile head and entry `segments` at the tip. Allocates nothing. Status 51 (52)
// with message lines when a segment's iteration does not close in kMaxSegmentIterations; 53
// (50) when the pile has a section without rigidity.
[[nodiscard]] StatusCode transferFromTip(const AxialPile& pile, const TzCurveSet& tz,
                                         Rigidity which, int unitsCode, double tipLoad,
                                         double tipMovement, std::span<double> load,
                                         std::span<double> movement, Diagnostics& diag);

// One pass of the load-settlement curve: t-z curves, q-w curve of the pass, E·A check and the
// nine points. Fills `curve.tz`, `curve.tip[pass - 1]` and `curve.table[pass - 1]` only when
// the pass succeeds. Listing lines go to `listings` when it is not null. Statuses 25, 26, 27,
// 32, 33 (and 22 to 24 of the soil profile, 51, 53) end the pass.
[[nodiscard]] StatusCode buildLoadSettlementCurve(const AxialPile& pile, const SoilProfile& profile,
                                                  int unitsCode, int pass,
                                                  LoadSettlementCurve& curve,
                                                  CurveListings* listings, Diagnostics& diag);

// One pass of the torque-rotation curve. Statuses 25, 26, 27, 34, 35 (and 22 to 24, 50, 52).
[[nodiscard]] StatusCode buildTorqueRotationCurve(const AxialPile& pile, const SoilProfile& profile,
                                                  int unitsCode, int pass,
                                                  TorqueRotationCurve& curve,
                                                  CurveListings* listings, Diagnostics& diag);

// The 19-point curve from the two passes' tables: the uplift rows (already negated) in reverse
// order, the origin, the compression rows in order.
[[nodiscard]] JoinedCurve joinPasses(const TransferTable& uplift, const TransferTable& compression);

// Pass 1, pass 2 and the join.
[[nodiscard]] StatusCode buildLoadSettlementCurves(const AxialPile& pile,
                                                   const SoilProfile& profile, int unitsCode,
                                                   LoadSettlementCurve& curve,
                                                   CurveListings* listings, Diagnostics& diag);
[[nodiscard]] StatusCode buildTorqueRotationCurves(const AxialPile& pile,
                                                   const SoilProfile& profile, int unitsCode,
                                                   TorqueRotationCurve& curve,
                                                   CurveListings* listings, Diagnostics& diag);

// What the caller asks for one pile property.
struct CurveRequest {
  double headDepth = 0.0;       // depth of the pile head below the top of the soil profile
  bool torqueRotation = false;  // three-dimensional run and the property is used by a pile
};

struct PropertyCurves {
  AxialPile pile;
  LoadSettlementCurve loadSettlement;
  bool hasTorqueRotation = false;
  TorqueRotationCurve torqueRotation;
};

// The curves of every pile property of a run, indexed as the model's properties.
struct CurveStore {
  std::vector<PropertyCurves> properties;
};

// The load-settlement curves of every property in order, then the torque-rotation curves of
// those whose request asks for one (a property beyond `requests` gets head depth 0 and no
// torque-rotation curve). The first non-zero status ends the build; `store` is then unchanged.
[[nodiscard]] StatusCode buildCurveStore(const AnalysisModel& model, const SoilProfile& profile,
                                         int unitsCode, std::span<const CurveRequest> requests,
                                         CurveStore& store, CurveListings* listings,
                                         Diagnostics& diag);

// Where a requested head movement lay in the pass's table of head movements.
inline constexpr int kWithinTable = 0;
inline constexpr int kBelowTable = 1;  // a share of the first tip movement is used
inline constexpr int kAboveTable = 2;  // the last tip movement is used

struct AxialTransferResult {
  double headLoad = 0.0;
  int tableCode = kWithinTable;
};

// The axial load and movement at every node (0 the head .. segments the tip) for a head
// movement: positive settles the pile (compression pass), negative pulls it (uplift pass,
// loads and movements negative). The tip movement comes from linear interpolation in the pass's
// (head movement, tip movement) table, from the origin to the first row below the table; then one
// tip-up transfer. A head movement of exactly 0 gives zero everywhere. `load` and `movement` need
// segments + 1 entries. Allocates nothing.
[[nodiscard]] StatusCode solveAxialTransfer(const AxialPile& pile, const LoadSettlementCurve& curve,
                                            double headMovement, std::span<double> load,
                                            std::span<double> movement, AxialTransferResult& result,
                                            Diagnostics& diag);

}  // namespace stilt
