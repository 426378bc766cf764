#include "cap/fixed_fields.hpp"

#include <fmt/format.h>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace stilt::cap {
namespace {

std::string_view fieldOf(std::string_view line, std::size_t offset, std::size_t width) {
  if (offset >= line.size()) return {};
  std::string_view f = line.substr(offset, width);
  while (!f.empty() && (f.front() == ' ' || f.front() == '\t')) f.remove_prefix(1);
  while (!f.empty() && (f.back() == ' ' || f.back() == '\t' || f.back() == '\r'))
    f.remove_suffix(1);
  return f;
}

std::string rightAligned(std::string s, int width) {
  if (static_cast<int>(s.size()) > width) return std::string(static_cast<std::size_t>(width), '*');
  return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
}

}  // namespace

std::string fieldI(long long value, int width) {
  return rightAligned(std::to_string(value), width);
}

std::string fieldF(double value, int width, int decimals) {
  if (!std::isfinite(value)) return rightAligned("NaN", width);
  std::string s = fmt::format("{:.{}f}", value, decimals);
  if (s.find_first_not_of("-0.") == std::string::npos && s.front() == '-') s.erase(0, 1);
  return rightAligned(std::move(s), width);
}

std::string fieldE(double value, int width, int digits) {
  if (!std::isfinite(value)) return rightAligned("NaN", width);
  // The mantissa in [0.1, 1) with `digits` digits: from the scientific form d.ddd·10^e.
  if (value == 0.0)
    return rightAligned("0." + std::string(static_cast<std::size_t>(digits), '0') + "E+00", width);
  const std::string sci = fmt::format("{:.{}e}", std::abs(value), digits - 1);
  const std::size_t epos = sci.find('e');
  const int exponent = std::atoi(sci.c_str() + epos + 1) + 1;
  std::string mantissa = sci.substr(0, 1) + sci.substr(2, epos - 2);
  std::string s = (value < 0.0 ? "-0." : "0.") + mantissa + (exponent < 0 ? "E-" : "E+") +
                  fmt::format("{:02d}", std::abs(exponent));
  return rightAligned(std::move(s), width);
}

bool readIntField(std::string_view line, std::size_t offset, std::size_t width, long long& value) {
  const std::string_view f = fieldOf(line, offset, width);
  if (f.empty()) {
    value = 0;  // a blank field reads as zero, as in a formatted record
    return true;
  }
  const char* first = f.data();
  if (*first == '+') ++first;
  const auto [ptr, ec] = std::from_chars(first, f.data() + f.size(), value);
  return ec == std::errc() && ptr == f.data() + f.size();
}

bool readRealField(std::string_view line, std::size_t offset, std::size_t width, double& value) {
  const std::string_view f = fieldOf(line, offset, width);
  if (f.empty()) {
    value = 0.0;
    return true;
  }
  const std::string text(f);
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

}  // namespace stilt::cap
