#pragma once
// Status codes of a run and the lines each one prints in the runtime file.
//
// A function that can fail returns a StatusCode; the caller checks it and returns in turn. The
// code of a run is what IORLIM hands back to the host. Codes below 40 are raised by the analysis
// (soil profile, curve generators, pile solver, cap solver); codes from 40 up are our own
// refusals of input the analysis cannot take (missing files, malformed records, capacities).

#include <cstdint>
#include <string>
#include <vector>

namespace stilt {

enum class [[nodiscard]] StatusCode : std::int32_t{
    kCompleted = 0, kUnknownInterfaceCode = 1, kPileBelowDeepestLayer = 3, kStoppedByUser = 4,
    kPileBelowDeepestLayer2d = 13, kSingularStiffness = 14, kWeakRockZeroStrength = 21,
    kUnitWeightBeyondProfile = 22, kCohesionBeyondProfile = 23, kFrictionAngleBeyondProfile = 24,
    kSideFrictionBeyondProfile = 25, kTipResistanceBeyondProfile = 26,
    kFrictionAngleBeyondTzProfile = 27, kSiltZeroFrictionAngle = 28,
    kSiltSlopeAboveFrictionAngle = 29, kSandZeroFrictionAngle = 30,
    kSandSlopeAboveFrictionAngle = 31, kLoadSettlementZeroE50 = 32,
    kLoadSettlementZeroCohesion = 33, kTorqueRotationZeroE50 = 34, kTorqueRotationZeroCohesion = 35,

    // Refusals of our own.
    kRunControlFileError = 40,           // Names.dat missing, unreadable or malformed
    kFileOpenError = 41,                 // a file of the run cannot be opened or created
    kInputEndsEarly = 42,                // the input data file ends before a required record
    kInputMalformedValue = 43,           // a value of the wrong kind in a record
    kInputCapacityExceeded = 44,         // a count beyond a capacity of the input format
    kInputUndefinedReference = 45,       // a reference to something the file does not define
    kInputInvalidValue = 46,             // a value the analysis cannot work with
    kZeroBendingStiffness = 47,          // a pile section with no bending stiffness
    kInternalError = 49,                 // an unexpected failure inside the engine
    kZeroTorsionalRigidity = 50,         // a pile section with no torsional rigidity (torque curve)
    kAxialTransferNoConvergence = 51,    // load-transfer movement iteration without closure
    kTorsionTransferNoConvergence = 52,  // torsional transfer twist iteration without closure
    kZeroAxialRigidity = 53,  // a pile section with no axial rigidity E·A (load-settlement curve)
    kWriteError = 54,         // a file of the run could not be written (disk full, I/O error)
};

[[nodiscard]] constexpr std::int32_t toInt(StatusCode code) noexcept {
  return static_cast<std::int32_t>(code);
}
[[nodiscard]] constexpr bool isOk(StatusCode code) noexcept {
  return code == StatusCode::kCompleted;
}

// One status line: its indentation in blanks and its text.
struct StatusLine {
  int indent;
  std::string text;
};

// The lines the runtime file receives for a code (before the free-format leading blank).
[[nodiscard]] std::vector<StatusLine> statusLines(std::int32_t code);

}  // namespace stilt
