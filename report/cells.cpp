#include "report/cells.hpp"

#include <fmt/format.h>

#include <cmath>

namespace stilt {
namespace {

// A cell keeps at least one blank before its text, so that two cells never run together.
std::string rightAligned(int width, const std::string& text) {
  const std::size_t w = static_cast<std::size_t>(width);
  return std::string(w - text.size(), ' ') + text;
}

// The widest text a field of `width` holds after its separating blank.
int room(int width) {
  return width < 2 ? 1 : width - 1;
}

}  // namespace

std::string formatRealCell(int width, int digits, double value) {
  const int w = width < 2 ? 2 : width;
  const int n = digits < 0 ? 0 : digits;
  const std::string stars(static_cast<std::size_t>(room(w)), '*');
  // The last line of defence: no NaN or infinity reaches a report.
  if (!std::isfinite(value)) return rightAligned(w, stars);
  const double a = std::fabs(value);
  std::string text;
  if (a == 0.0 || a < 1.0e-50) {
    text = fmt::format("{:.{}f}", 0.0, n);
  } else {
    const int k = static_cast<int>(std::trunc(std::log10(a)));
    const int d = n - k + (k < 0 ? 1 : 0);
    const bool exponent = a <= std::pow(10.0, 3 - n) || a >= std::pow(10.0, n) || d > n + 2;
    text =
        exponent ? fmt::format("{:.{}E}", value, n) : fmt::format("{:.{}f}", value, d < 0 ? 0 : d);
  }
  if (static_cast<int>(text.size()) <= room(w)) return rightAligned(w, text);
  // Too long for its field: exponent form with as many decimals as fit (a zero keeps its fixed
  // form), else asterisks.
  const bool zero = a == 0.0 || a < 1.0e-50;
  for (int decimals = n; decimals >= 0; --decimals) {
    text = zero ? fmt::format("{:.{}f}", 0.0, decimals) : fmt::format("{:.{}E}", value, decimals);
    if (static_cast<int>(text.size()) <= room(w)) return rightAligned(w, text);
  }
  return rightAligned(w, stars);
}

std::string formatIntegerCell(int width, long long value) {
  // An integer keeps all its digits: one that would fill its field is widened by the blank.
  const std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) > room(width)) return " " + text;
  return rightAligned(width < 2 ? 2 : width, text);
}

void writeRealCell(TextFile& file, int width, int digits, double value) {
  file.write(formatRealCell(width, digits, value));
}

void writeIntegerCell(TextFile& file, int width, long long value) {
  file.write(formatIntegerCell(width, value));
}

void writeBlanks(TextFile& file, int count) {
  if (count > 0) file.write(std::string(static_cast<std::size_t>(count), ' '));
}

void writeText(TextFile& file, std::string_view text) {
  file.write(text);
}

void endLine(TextFile& file) {
  file.endLine();
}

UnitLabels unitLabels(int unitsCode) {
  UnitLabels u;
  switch (unitsCode) {
    case 1:
      u.system = "ENGL";
      u.force = "LBS";
      u.length = "IN";
      u.moment = "LBS-IN";
      u.stress = "PSI";
      u.forcePerLength = "LBS/IN";
      break;
    case 2:
      u.system = "METR";
      u.force = " KN";
      u.length = " M";
      u.moment = "KN-M";
      u.stress = "KPA";
      u.forcePerLength = "KN/M";
      break;
    default:
      u.system = "OPEN";
      u.force = "  F";
      u.length = " L";
      u.moment = "F-L";
      u.stress = "F/L2";
      u.forcePerLength = "F/L";
      break;
  }
  return u;
}

}  // namespace stilt
