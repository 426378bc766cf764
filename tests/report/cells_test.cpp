#include "report/cells.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace stilt {
namespace {

TEST(RealCell, ThreeDigitsFixedAndExponentForms) {
  // Every magnitude up to 10^(3-3) = 1 prints in exponent form, as does 10^3 and above.
  EXPECT_EQ(formatRealCell(12, 3, 0.5), "   5.000E-01");
  EXPECT_EQ(formatRealCell(12, 3, 1.0), "   1.000E+00");
  EXPECT_EQ(formatRealCell(12, 3, 2000.0), "   2.000E+03");
  // 12.5: k = 1, d = 3 - 1 = 2 decimals.
  EXPECT_EQ(formatRealCell(12, 3, 12.5), "       12.50");
  EXPECT_EQ(formatRealCell(12, 3, -12.5), "      -12.50");
  EXPECT_EQ(formatRealCell(12, 3, 999.0), "       999.0");  // k = 2, d = 1
}

TEST(RealCell, FourDigitsPrintAHalfInFixedForm) {
  // 10^(3-4) = 0.1 < 0.5 < 10^4; k = trunc(log10 0.5) = 0, d = 4.
  EXPECT_EQ(formatRealCell(10, 4, 0.5), "    0.5000");
  EXPECT_EQ(formatRealCell(10, 4, 0.25), "    0.2500");
  // 0.05 lies below 10^(3-4): exponent form, "5.0000E-02", which would fill the field and touch
  // the cell before it; one decimal less leaves the separating blank.
  EXPECT_EQ(formatRealCell(10, 4, 0.05), " 5.000E-02");
  // Two digits: 0.2 > 10^1? no; 0.2 <= 10^(3-2) = 10, so every value up to 10 is in exponent form.
  EXPECT_EQ(formatRealCell(10, 2, 7.5), "  7.50E+00");
  // Five digits: 0.02 > 10^-2; k = trunc(-1.70) = -1, d = 5 + 1 + 1 = 7 = n + 2: fixed.
  EXPECT_EQ(formatRealCell(10, 5, 0.02), " 0.0200000");
  // 0.1 is at 10^(3-4): exponent form.
  EXPECT_EQ(formatRealCell(12, 4, 0.1), "  1.0000E-01");
}

TEST(RealCell, ZeroAndTinyValuesAreAFixedZero) {
  EXPECT_EQ(formatRealCell(8, 3, 0.0), "   0.000");
  EXPECT_EQ(formatRealCell(8, 3, 1.0e-60), "   0.000");
  EXPECT_EQ(formatRealCell(8, 2, -0.0), "    0.00");
}

TEST(RealCell, ANumberTooLongForItsFieldShedsDecimalsToFit) {
  // "-1.23456E+05" has 12 characters; a 7-column field holds 6 after its blank: "-1E+05".
  EXPECT_EQ(formatRealCell(7, 5, -123456.0), " -1E+05");
  // 1.0E300 with 3 digits is "1.000E+300", 10 characters: in 10 columns "1.00E+300", in 11 as is.
  EXPECT_EQ(formatRealCell(10, 3, 1.0e300), " 1.00E+300");
  EXPECT_EQ(formatRealCell(11, 3, 1.0e300), " 1.000E+300");
  EXPECT_EQ(formatRealCell(10, 3, -1.0e300), " -1.0E+300");
  // A negative value in exponent form filled a 10-column field with 3 digits: "-5.000E-01".
  EXPECT_EQ(formatRealCell(10, 3, -0.5), " -5.00E-01");
  // Fixed-point text too long for the field: -1234.5 with 4 digits in 7 columns, "-1234.5"
  // (k = 3, d = 1), becomes "-1E+03".
  EXPECT_EQ(formatRealCell(7, 4, -1234.5), " -1E+03");
}

TEST(RealCell, CellsNeverRunTogether) {
  // A zero and a load of 1.0E300 in the 10-column cells of the concentrated loads once read
  // "0.0001.000E+300".
  EXPECT_EQ(formatRealCell(10, 3, 0.0) + formatRealCell(10, 3, 1.0e300), "     0.000 1.00E+300");
  // Whatever the value, a cell is exactly its width and starts with a blank.
  for (double v : {1.0e300, -1.0e300, -1.0e-300, 123456789.0, -0.05, 7.0}) {
    for (int width : {2, 3, 7, 10, 11}) {
      const std::string cell = formatRealCell(width, 3, v);
      EXPECT_EQ(cell.size(), static_cast<std::size_t>(width)) << v << " in " << width;
      EXPECT_EQ(cell.front(), ' ') << v << " in " << width;
    }
  }
}

TEST(RealCell, WhatCannotBeShownIsAFieldOfAsterisks) {
  // A zero sheds decimals in fixed form: "0.000" does not fit 4 columns, "0.0" does.
  EXPECT_EQ(formatRealCell(4, 3, 0.0), " 0.0");
  EXPECT_EQ(formatRealCell(5, 3, 0.0), " 0.00");
  // Fields narrower than a blank and a character still separate.
  EXPECT_EQ(formatIntegerCell(0, 5), " 5");
  EXPECT_EQ(formatRealCell(0, 3, 5.0), " *");
  // Not even "1E+300" (6 characters) fits the 4 characters of a 5-column field.
  EXPECT_EQ(formatRealCell(5, 3, 1.0e300), " ****");
  EXPECT_EQ(formatRealCell(8, 3, std::numeric_limits<double>::quiet_NaN()), " *******");
  EXPECT_EQ(formatRealCell(8, 3, std::numeric_limits<double>::infinity()), " *******");
  EXPECT_EQ(formatRealCell(8, 3, -std::numeric_limits<double>::infinity()), " *******");
}

TEST(IntegerCell, RightAligned) {
  EXPECT_EQ(formatIntegerCell(5, 42), "   42");
  EXPECT_EQ(formatIntegerCell(3, -7), " -7");
  EXPECT_EQ(formatIntegerCell(2, 12345), " 12345");
}

TEST(IntegerCell, AnIntegerThatWouldFillItsFieldIsWrittenAfterABlank) {
  EXPECT_EQ(formatIntegerCell(3, 100), " 100");
  EXPECT_EQ(formatIntegerCell(3, 99), " 99");
  EXPECT_EQ(formatIntegerCell(11, -2147483647LL - 1), " -2147483648");
  EXPECT_EQ(formatRealCell(10, 3, 0.0) + formatIntegerCell(10, 1234567890),
            "     0.000 1234567890");
}

TEST(UnitLabels, BySystem) {
  EXPECT_EQ(unitLabels(1).force, "LBS");
  EXPECT_EQ(unitLabels(2).force, " KN");
  EXPECT_EQ(unitLabels(3).force, "  F");
  EXPECT_EQ(unitLabels(7).system, "OPEN");
  EXPECT_EQ(unitLabels(2).length, " M");
}

}  // namespace
}  // namespace stilt
