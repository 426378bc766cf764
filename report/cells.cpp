#include "report/cells.hpp"

#include <fmt/format.h>

#include <cmath>

namespace stilt {
namespace {

std::string fitted(int width, std::string text) {
  const std::size_t w = static_cast<std::size_t>(width < 0 ? 0 : width);
  if (text.size() > w) return " " + text;
  return std::string(w - text.size(), ' ') + text;
}

}  // namespace

std::string formatRealCell(int width, int digits, double value) {
  const int n = digits < 0 ? 0 : digits;
  const double a = std::fabs(value);
  if (!std::isfinite(value))
    return fitted(width, value != value ? "NaN" : (value > 0 ? "Inf" : "-Inf"));
  if (a == 0.0 || a < 1.0e-50) return fitted(width, fmt::format("{:.{}f}", 0.0, n));
  const int k = static_cast<int>(std::trunc(std::log10(a)));
  const int d = n - k + (k < 0 ? 1 : 0);
  const bool exponent = a <= std::pow(10.0, 3 - n) || a >= std::pow(10.0, n) || d > n + 2;
  if (exponent) return fitted(width, fmt::format("{:.{}E}", value, n));
  return fitted(width, fmt::format("{:.{}f}", value, d < 0 ? 0 : d));
}

std::string formatIntegerCell(int width, long long value) {
  const std::string text = std::to_string(value);
  const std::size_t w = static_cast<std::size_t>(width < 0 ? 0 : width);
  if (text.size() >= w) return text.size() == w ? text : " " + text;
  return std::string(w - text.size(), ' ') + text;
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
