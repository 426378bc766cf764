// The fixed-layout lines every run writes: file names, time and date, the summary copy.

#include "engine/head_lines.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace stilt {
namespace {

using ::testing::ElementsAre;

const std::string kRule = "     " + std::string(73, '-');
const std::string kHeading = std::string(26, ' ') + "Time and Date of Analysis";

TEST(TimeAndDateBlock, PinnedMoment) {
  EXPECT_THAT(timeAndDateBlock({2026, 12, 8, 9, 5, 3}),
              ElementsAre(kRule, kHeading, kRule,
                          "               Date:  December 08, 2026     Time:  09:05:03"));
}

TEST(TimeAndDateBlock, MonthNamesAndTwoDigitFields) {
  EXPECT_EQ(timeAndDateBlock({2027, 1, 5, 0, 0, 0}).at(3),
            "               Date:  January 05, 2027     Time:  00:00:00");
  EXPECT_EQ(timeAndDateBlock({2030, 9, 30, 23, 59, 59}).at(3),
            "               Date:  September 30, 2030     Time:  23:59:59");
  EXPECT_EQ(timeAndDateBlock({2031, 5, 1, 12, 7, 9}).at(3),
            "               Date:  May 01, 2031     Time:  12:07:09");
}

TEST(FileNameBlock, SixLabelledLinesAndTwoBlankLines) {
  NamesFile names;
  names.paths[0] = "/data/bridge pier/pier4.dat";
  names.paths[1] = "/data/bridge pier/out/pier4.out";
  names.paths[2] = "/data/bridge pier/out/pier4.sum";
  names.paths[3] = "/elsewhere/pier4.plt";
  names.paths[4] = "/data/bridge pier/out/pier4.run";
  EXPECT_THAT(fileNameBlock(names),
              ElementsAre("     Path to file locations      : /data/bridge pier/",
                          "     Name of input data file     : pier4.dat",
                          "     Name of output file         : pier4.out",
                          "     Name of output summary file : pier4.sum",
                          "     Name of plot output file    : pier4.plt",
                          "     Name of runtime file        : pier4.run", "", ""));
}

TEST(SummaryCopyLine, BlankLinesKeepOneBlank) {
  EXPECT_EQ(summaryCopyLine(std::string(120, ' ')), " ");
  EXPECT_EQ(summaryCopyLine(""), " ");
  // Text beyond column 120 is cut before the last non-blank column is found.
  EXPECT_EQ(summaryCopyLine(std::string(120, ' ') + "beyond"), " ");
}

TEST(SummaryCopyLine, TrailingBlanksDroppedAndLongLinesCutTo120) {
  EXPECT_EQ(summaryCopyLine("   LOAD CASE 1      "), "   LOAD CASE 1");
  const std::string line = std::string(119, 'a') + "bcdef";
  EXPECT_EQ(summaryCopyLine(line), std::string(119, 'a') + "b");
  EXPECT_EQ(summaryCopyLine(std::string(118, 'x') + "  yz"), std::string(118, 'x'));
  EXPECT_EQ(summaryCopyLine(std::string(120, 'z')), std::string(120, 'z'));
}

}  // namespace
}  // namespace stilt
