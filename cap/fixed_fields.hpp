#pragma once
// Fixed-width fields of the plate files, in the forms of formatted Fortran records: Iw, Fw.d and
// Ew.d (a mantissa 0.d...d and a signed two-digit exponent), right-aligned in their width.

#include <string>
#include <string_view>

namespace stilt::cap {

[[nodiscard]] std::string fieldI(long long value, int width);
[[nodiscard]] std::string fieldF(double value, int width, int decimals);
[[nodiscard]] std::string fieldE(double value, int width, int digits);

// Reads the field of `width` characters at `offset` of a line (blank when the line is shorter).
[[nodiscard]] bool readIntField(std::string_view line, std::size_t offset, std::size_t width,
                                long long& value);
[[nodiscard]] bool readRealField(std::string_view line, std::size_t offset, std::size_t width,
                                 double& value);

}  // namespace stilt::cap
