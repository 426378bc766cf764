// Curves written at the end of a run: the printed p-y curves of table N (every request checked
// against its pile and the soil profile, each refusal with its own block) and the curve work
// file in its text and binary forms.
//
// The deck: two plumb 16-in piles 600 in long, heads at X = 0 under a 24-in cap. Pile 1 has the
// ground 12 in above its head (an embedded cap), pile 2 has it 24 in below its head and a
// p-multiplier of 0.5. Soil (depths below the ground): soft clay from 6 to 300 in (c = 4 psi,
// gamma = 0.02 pci, e50 = 0.02), user-specified p-y curves from 300 to 400 in, soft clay again
// down to 612 in, where pile 1's tip ends.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using test::Deck;
using test::replaceFirst;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kReport = 6;
constexpr int kPlot = 8;
constexpr int kRuntime = 9;
constexpr int kCurveWork = 23;

Deck curveDeck() {
  Deck d;
  d.switches[5] = 1;   // user p-y curves for the user layer
  d.switches[11] = 1;  // printed p-y curves
  d.switches[15] = 1;  // curve export
  d.piles =
      "2\n"
      "2 2 1 1 0 0 0 0\n"
      "0.0 0.0 1.0 1.0 1.0 1.0 1.0\n"
      "0.0 0.0 0.0 0.0 90.0 -12.0\n"
      "2 2 1 1 0 0 0 0\n"
      "0.0 0.0 0.5 1.0 0.5 1.0 1.0\n"
      "0.0 120.0 0.0 0.0 90.0 24.0\n";
  const std::string clay =
      "2 9\n0.02 4.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0\n"
      "0.02 4.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0\n";
  d.soilLayers =
      "3\n1 0\n6.0 300.0\n" + clay + "5 0\n300.0 400.0\n" + clay + "1 0\n400.0 612.0\n" + clay;
  d.printedCurves =
      "12\n"
      "1 108.0\n0\n\n"                     // 1: soft clay at 120 in, own 17 points
      "1 228.0\n5\n0.1 0.2 0.5 1.0 2.0\n"  // 2: soft clay at 240 in, five deflections
      "2 144.0\n0\n\n"                     // 3: as 1 on pile 2 (p-multiplier 0.5)
      "1 0.0\n0\n\n"                       // 4: at the cap level (12 in below the ground)
      "1 0.0\n0\n\n"                       // 5: a second one at the cap level
      "2 12.0\n0\n\n"                      // 6: above the ground at pile 2
      "1 650.0\n0\n\n"                     // 7: below the tip
      "1 -30.0\n0\n\n"                     // 8: above the cap top (-24)
      "1 -18.0\n0\n\n"                     // 9: within the cap, above the pile head
      "2 28.0\n0\n\n"                      // 10: 4 in below the ground, above the soil top
      "1 600.0\n0\n\n"                     // 11: at the tip, the soil bottom
      "1 338.0\n0\n\n";                    // 12: in the layer of user curves
  d.combinations = "0 0 0 0 0\n";
  return d;
}

// Matlock (1970), soft clay, static loading: p = 0.5 pu (y/y50)^(1/3) up to 8 y50, pu beyond;
// pu = Np c b with Np = 3 + gamma x / c + 0.5 x / b, at most 9; y50 = 2.5 e50 b.
double matlock(double x, double y) {
  const double c = 4.0, gamma = 0.02, b = 16.0, y50 = 2.5 * 0.02 * b;
  const double pu = std::min(3.0 + gamma * x / c + 0.5 * x / b, 9.0) * c * b;
  return y >= 8.0 * y50 ? pu : 0.5 * pu * std::cbrt(y / y50);
}

// The (y, p) rows that follow the header of printed curve `number` in the report.
std::vector<std::pair<double, double>> curveRows(const std::string& report, int number,
                                                 std::size_t count) {
  std::ostringstream head;
  head << "     CURVE NUMBER              =" << std::string(number < 10 ? 4 : 3, ' ') << number;
  std::size_t at = report.find("* GENERATED P-Y CURVES *");
  at = report.find(head.str() + "\n", at);
  EXPECT_NE(at, std::string::npos) << number;
  if (at == std::string::npos) return {};
  at = report.find("P (LBS/IN)", at);
  std::istringstream in(report.substr(report.find('\n', at) + 1));
  std::vector<std::pair<double, double>> rows;
  double y = 0.0, p = 0.0;
  while (rows.size() < count && in >> y >> p) rows.emplace_back(y, p);
  return rows;
}

std::string block(int number, int group, const std::string& reason) {
  auto cell = [](int v) { return std::string(v < 10 ? 4 : 3, ' ') + std::to_string(v); };
  return "\n     CURVE NUMBER              =" + cell(number) +
         "\n     PILE GROUP NUMBER         =" + cell(group) +
         "\n     CURVE NOT GENERATED SINCE REQUIRED DEPTH,\n" + reason;
}

class CurveOutput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    status_ = test::runInput(dir_->path(), curveDeck().text());
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static test::TempDir* dir_;
  static StatusCode status_;
};
test::TempDir* CurveOutput::dir_ = nullptr;
StatusCode CurveOutput::status_ = StatusCode::kCompleted;

TEST_F(CurveOutput, EveryRefusedRequestPrintsItsOwnBlock) {
  ASSERT_EQ(status_, StatusCode::kCompleted) << test::runFile(dir_->path(), kRuntime);
  const std::string report = test::runFile(dir_->path(), kReport);
  EXPECT_THAT(report, HasSubstr("     * TABLE N *   PRINTED P-Y CURVES\n"));
  EXPECT_THAT(report, HasSubstr("     NUMBER OF CURVES  :   12\n"));
  EXPECT_THAT(report, HasSubstr("\n     CURVE NUMBER              =    5\n"
                                "     AT PILE CAP LEVEL, DEPTH  =      0.00000\n"
                                "     CURVE NOT GENERATED SINCE ONLY ONE CURVE\n"
                                "     AT PILE CAP LEVEL CAN BE PRINTED\n"));
  for (const std::string& b :
       {block(6, 2, "     IS ABOVE OR EQUAL TO THE SOIL GROUND\n     FOR REQUIRED PILE,\n"),
        block(7, 1, "     IS BELOW TIP OF REQUIRED PILE,\n"),
        block(8, 1, "     IS ABOVE TOP OF PILE CAP,\n"),
        block(9, 1, "     IS ABOVE TOP OF REQUIRED PILE,\n"),
        block(10, 2, "     IS ABOVE OR EQUAL TO THE DEFINED SOIL TOP,\n"),
        block(11, 1, "     IS BELOW OR EQUAL TO THE DEFINED SOIL BOTTOM,\n"),
        block(12, 1, "     IS WITHIN LAYER    2, WHICH IS SET AS USER DEFINED P-Y CURVES\n")}) {
    EXPECT_THAT(report, HasSubstr(b));
  }
  // The first request at the cap level is a curve, headed by its level.
  EXPECT_THAT(report, HasSubstr("\n     CURVE NUMBER              =    4\n"
                                "     AT PILE CAP LEVEL, DEPTH  =      0.00000\n"
                                "     NUMBER OF POINTS ON CURVE =   17\n"));
  EXPECT_THAT(report, Not(HasSubstr("NOT AVAILABLE IN THIS VERSION")));
}

TEST_F(CurveOutput, CurvesFollowMatlockSoftClayWithTheirOwnDeflectionsAndMultipliers) {
  ASSERT_EQ(status_, StatusCode::kCompleted);
  const std::string report = test::runFile(dir_->path(), kReport);
  EXPECT_THAT(report, HasSubstr("     CURVE NUMBER              =    1\n"
                                "     PILE GROUP NUMBER         =    1\n"
                                "     DEPTH                     =      108.000\n"
                                "     NUMBER OF POINTS ON CURVE =   17\n\n"
                                "     THE SOIL IS A SOFT CLAY\n"));
  // 17 points at the family's deflections: 0, 0.008 y50, 0.25 y50 .. 3 y50, 8, 15, 20 y50.
  const double y50 = 0.8;
  std::vector<double> ys = {0.0, 0.008 * y50};
  for (int k = 1; k <= 12; ++k) ys.push_back(0.25 * k * y50);
  for (double f : {8.0, 15.0, 20.0}) ys.push_back(f * y50);
  const auto own = curveRows(report, 1, 17);
  const auto halved = curveRows(report, 3, 17);
  ASSERT_EQ(own.size(), 17u);
  ASSERT_EQ(halved.size(), 17u);
  for (std::size_t k = 0; k < 17; ++k) {
    // Printed with 5 significant digits: a relative tolerance of 1e-4.
    EXPECT_NEAR(own[k].first, ys[k], 1e-4 * ys[k] + 1e-9) << k;
    EXPECT_NEAR(own[k].second, matlock(120.0, ys[k]), 1e-4 * matlock(120.0, ys[k]) + 1e-9) << k;
    // Pile 2 at the same depth below its ground: the p-multiplier of 0.5 halves every p.
    EXPECT_NEAR(halved[k].first, own[k].first, 1e-4 * own[k].first + 1e-9) << k;
    EXPECT_NEAR(halved[k].second, 0.5 * own[k].second, 1e-4 * own[k].second + 1e-9) << k;
  }
  // The request's own five deflections at 240 in, where Np has reached 9.
  const auto five = curveRows(report, 2, 25);
  ASSERT_EQ(five.size(), 5u);  // five rows, then the next curve's text stops the read
  const double given[] = {0.1, 0.2, 0.5, 1.0, 2.0};
  for (std::size_t k = 0; k < 5; ++k) {
    EXPECT_NEAR(five[k].first, given[k], 1e-9);
    EXPECT_NEAR(five[k].second, matlock(240.0, given[k]), 1e-4 * matlock(240.0, given[k])) << k;
  }
  EXPECT_THAT(report, HasSubstr("NUMBER OF POINTS ON CURVE =    5\n"));

  // The plot file: the heading, then per request its number, pile and point count.
  const std::string plot = test::runFile(dir_->path(), kPlot);
  EXPECT_THAT(plot, HasSubstr(" * GENERATED P-Y CURVES *\n"));
  EXPECT_THAT(plot, HasSubstr(" NUMBER OF CURVES                  =   12\n"
                              " NUMBER OF POINTS ON EACH CURVE    = 17\n"));
  EXPECT_THAT(plot, HasSubstr("\n     2     1     5\n"));
  EXPECT_THAT(plot, HasSubstr("\n     7     1     0\n"));
}

// The records of the curve work file, decoded: integers, then reals, per record.
struct Record {
  std::vector<std::int64_t> ints;
  std::vector<double> reals;
};

// A reader of Fortran unformatted sequential records (4-byte little-endian length markers),
// given how many 4-byte integers open each record.
std::vector<Record> readBinary(const std::string& bytes, const std::vector<int>& intCounts) {
  auto u32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(bytes[at + k]);
    return v;
  };
  std::vector<Record> out;
  std::size_t at = 0;
  while (at + 4 <= bytes.size()) {
    const std::uint32_t length = u32(at);
    EXPECT_LE(at + 8 + length, bytes.size());
    if (at + 8 + length > bytes.size()) break;
    EXPECT_EQ(u32(at + 4 + length), length) << "record " << out.size();
    const int ints = out.size() < intCounts.size() ? intCounts[out.size()] : 1;
    Record r;
    std::size_t p = at + 4;
    for (int k = 0; k < ints; ++k, p += 4) {
      r.ints.push_back(static_cast<std::int32_t>(u32(p)));
    }
    for (; p < at + 4 + length; p += 8) {
      std::uint64_t bits = 0;
      for (int k = 7; k >= 0; --k) bits = (bits << 8) | static_cast<unsigned char>(bytes[p + k]);
      double v = 0.0;
      std::memcpy(&v, &bits, sizeof v);
      r.reals.push_back(v);
    }
    out.push_back(r);
    at += 8 + length;
  }
  return out;
}

std::vector<Record> readText(const std::string& text, const std::vector<int>& intCounts) {
  std::vector<Record> out;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const std::vector<double> v = test::numbersOf(line);
    const int ints = out.size() < intCounts.size() ? intCounts[out.size()] : 1;
    Record r;
    for (std::size_t k = 0; k < v.size(); ++k) {
      if (static_cast<int>(k) < ints) {
        r.ints.push_back(static_cast<std::int64_t>(v[k]));
      } else {
        r.reals.push_back(v[k]);
      }
    }
    out.push_back(r);
  }
  return out;
}

TEST_F(CurveOutput, WorkFileHoldsEveryPilesCurvesAlikeInTextAndBinary) {
  ASSERT_EQ(status_, StatusCode::kCompleted);
  test::TempDir binaryDir;
  Deck d = curveDeck();
  d.switches[16] = 1;
  ASSERT_EQ(test::runInput(binaryDir.path(), d.text()), StatusCode::kCompleted);

  // Per pile: its head record, 51 p-y, 51 t-z and 51 torque-rotation node records.
  // The number of integers opening each record: 3 in the file's head, 5 in a pile's head, 1 in
  // every node record.
  std::vector<int> marks(1 + 2 * 154, 1);
  marks[0] = 3;
  marks[1] = 5;
  marks[1 + 154] = 5;
  const std::vector<Record> text = readText(test::runFile(dir_->path(), kCurveWork), marks);
  const std::string bytes = test::readFile(binaryDir.path() / test::fileOfLine(kCurveWork));
  const std::vector<Record> binary = readBinary(bytes, marks);
  ASSERT_EQ(text.size(), 1u + 2 * 154);
  ASSERT_EQ(binary.size(), text.size());
  EXPECT_EQ(binary[0].ints, (std::vector<std::int64_t>{2, 3, 1}));
  EXPECT_EQ(binary[1].ints, (std::vector<std::int64_t>{1, 51, 17, 10, 10}));
  EXPECT_EQ(binary[155].ints, (std::vector<std::int64_t>{2, 51, 17, 10, 10}));
  for (std::size_t k = 0; k < text.size(); ++k) {
    EXPECT_EQ(text[k].ints, binary[k].ints) << k;
    EXPECT_EQ(text[k].reals, binary[k].reals) << k;  // 17 significant digits: exact
  }
  // Pile 1, node 9: 120 in below the ground, the Matlock curve of printed curve 1.
  const Record& py = binary[2 + 9];
  ASSERT_EQ(py.reals.size(), 35u);
  EXPECT_EQ(py.ints[0], 9);
  EXPECT_NEAR(py.reals[0], 120.0, 1e-9);
  for (std::size_t k = 1; k <= 17; ++k) {
    const double y = py.reals[k];
    EXPECT_NEAR(py.reals[17 + k], matlock(120.0, y), 1e-9 * matlock(120.0, y) + 1e-12) << k;
  }
  // Torque-rotation from the t-z curve of the same node: twist z/r, torque t·pi·D·r, r = 8 in.
  const Record& tz = binary[2 + 51 + 9];
  const Record& tr = binary[2 + 102 + 9];
  ASSERT_EQ(tz.reals.size(), 21u);
  ASSERT_EQ(tr.reals.size(), 21u);
  for (std::size_t k = 1; k <= 10; ++k) {
    EXPECT_NEAR(tr.reals[k], tz.reals[k] / 8.0, 1e-12);
    EXPECT_NEAR(tr.reals[10 + k], tz.reals[10 + k] * 3.1416 * 16.0 * 8.0,
                1e-9 * std::fabs(tz.reals[10 + k]) * 402.0);
  }
}

}  // namespace
}  // namespace stilt
