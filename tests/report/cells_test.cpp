#include "report/cells.hpp"

#include <gtest/gtest.h>

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
  // 0.05 lies below 10^(3-4): exponent form, filling the field exactly.
  EXPECT_EQ(formatRealCell(10, 4, 0.05), "5.0000E-02");
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

TEST(RealCell, ANumberTooLongForItsFieldKeepsItsDigits) {
  EXPECT_EQ(formatRealCell(7, 5, -123456.0), " -1.23456E+05");
}

TEST(IntegerCell, RightAligned) {
  EXPECT_EQ(formatIntegerCell(5, 42), "   42");
  EXPECT_EQ(formatIntegerCell(3, -7), " -7");
  EXPECT_EQ(formatIntegerCell(2, 12345), " 12345");
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
