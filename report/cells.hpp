#pragma once
// The cell writers every report table goes through, so that all numbers are formatted alike.

#include <string>
#include <string_view>

#include "model/file_set.hpp"

namespace stilt {

// The text of a real number in a field of `width` characters with `digits` significant digits:
// fixed-point with as many decimals as the magnitude leaves, or exponent form (one digit before
// the point, `digits` decimals) for values at or below 10^(3 - digits), at or above 10^digits,
// or that would need more than digits + 2 decimals. Zero (and anything below 1e-50 in size)
// prints as a fixed-point zero.
//
// Cells never run together: the text takes at most width - 1 characters and is right-aligned
// after at least one blank. A value whose text is longer prints in exponent form with as many
// decimals as fit, and when even none fit (or the value is not a finite number) the field is
// width - 1 asterisks after its blank. An integer keeps all its digits: one that would leave no
// blank before it is written after one blank, wider than its field.
[[nodiscard]] std::string formatRealCell(int width, int digits, double value);
[[nodiscard]] std::string formatIntegerCell(int width, long long value);

void writeRealCell(TextFile& file, int width, int digits, double value);
void writeIntegerCell(TextFile& file, int width, long long value);
void writeBlanks(TextFile& file, int count);
void writeText(TextFile& file, std::string_view text);
void endLine(TextFile& file);

// The unit labels of a run, by units code: 1 English (lb, in), 2 metric (kN, m), other open.
struct UnitLabels {
  std::string system;          // "ENGL", "METR", "OPEN"
  std::string force;           // "LBS", " KN", "  F"
  std::string length;          // "IN", " M", " L"
  std::string moment;          // "LBS-IN", "KN-M", "F-L"
  std::string stress;          // "PSI", "KPA", "F/L2"
  std::string forcePerLength;  // "LBS/IN", "KN/M", "F/L"
  std::string radians = "RAD";
  std::string degrees = "DEG";
};
[[nodiscard]] UnitLabels unitLabels(int unitsCode);

}  // namespace stilt
