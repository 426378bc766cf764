#include <gtest/gtest.h>

#include "model/status_code.hpp"

namespace stilt {
namespace {

TEST(StatusLines, CompletedAndStoppedHaveOneLine) {
  const auto done = statusLines(0);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].indent, 4);
  EXPECT_EQ(done[0].text, "ANALYSIS COMPLETED");
  const auto stopped = statusLines(4);
  ASSERT_EQ(stopped.size(), 1u);
  EXPECT_EQ(stopped[0].indent, 5);
  EXPECT_EQ(stopped[0].text, "*** ANALYSIS STOPPED BY USER ***");
}

TEST(StatusLines, Code27PrintsTheTextOf24) {
  const auto a = statusLines(24);
  const auto b = statusLines(27);
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].indent, b[i].indent);
    EXPECT_EQ(a[i].text, b[i].text);
  }
}

TEST(StatusLines, UnlistedCodesPrintTheirNumber) {
  for (int code : {1, 2, 5, 12, 99}) {
    const auto lines = statusLines(code);
    ASSERT_EQ(lines.size(), 2u) << code;
    EXPECT_EQ(lines[0].text, "* ERROR IN ANALYSIS *");
    EXPECT_EQ(lines[1].text, std::to_string(code) + ", UNKNOWN CODE");
    EXPECT_EQ(lines[1].indent, 4);
  }
}

TEST(StatusLines, AFileThatCouldNotBeWrittenHasItsOwnLines) {
  const auto lines = statusLines(54);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, "* ERROR IN ANALYSIS *");
  EXPECT_EQ(lines[1].text, "A FILE OF THE RUN COULD NOT BE WRITTEN");
  EXPECT_EQ(lines[2].text, "(DISK FULL OR WRITE ERROR)");
  EXPECT_EQ(lines[1].indent, 4);
  EXPECT_EQ(lines[2].indent, 4);
}

TEST(StatusLines, IndentationOfTheCurveMessages) {
  EXPECT_EQ(statusLines(32)[1].indent, 5);
  EXPECT_EQ(statusLines(33)[1].indent, 6);
  EXPECT_EQ(statusLines(33)[1].text, "LS CURVE, COHESION VALUE IS ZERO");
  EXPECT_EQ(statusLines(13)[2].text, "OF THE DEEPEST LAYER, NODE2D");
}

}  // namespace
}  // namespace stilt
