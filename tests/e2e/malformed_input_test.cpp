// Malformed input data files, run end to end: each is refused with its status code, the runtime
// file and the output report say which record on which line was wrong and why, the status lines
// follow, and nothing crashes (the suite runs under AddressSanitizer and UBSan).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "support/deck.hpp"
#include "support/malformed_inputs.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using test::Deck;
using test::Malformed;
using test::malformedInputs;
using ::testing::HasSubstr;

constexpr int kReport = 6;
constexpr int kRuntime = 9;

// The lines that follow the message in the runtime file: a line of four blanks, then the status
// lines of the code, each written as free-format text.
std::vector<std::string> statusLines(StatusCode code) {
  const auto lines = [](const char* a, const char* b) {
    return std::vector<std::string>{"    ", "     * ERROR IN ANALYSIS *", std::string("     ") + a,
                                    std::string("     ") + b};
  };
  switch (code) {
    case StatusCode::kInputEndsEarly:
      return lines("INPUT DATA FILE ENDS BEFORE", "A REQUIRED RECORD");
    case StatusCode::kInputMalformedValue:
      return lines("INPUT DATA FILE HOLDS A VALUE", "OF THE WRONG KIND");
    case StatusCode::kInputCapacityExceeded:
      return lines("A COUNT IN THE INPUT DATA FILE", "EXCEEDS A CAPACITY");
    case StatusCode::kInputUndefinedReference:
      return lines("THE INPUT DATA FILE REFERS TO", "AN ITEM IT DOES NOT DEFINE");
    case StatusCode::kInputInvalidValue:
      return lines("THE INPUT DATA FILE HOLDS A VALUE", "THE ANALYSIS CANNOT USE");
    default:
      return {"(no status lines expected for this code)"};
  }
}

// The runtime file of a refused run ends with the message and the status lines.
void expectRefusal(const std::filesystem::path& dir, StatusCode code, const std::string& where,
                   const std::string& reason) {
  const std::vector<std::string> runtime = test::runFileLines(dir, kRuntime);
  const std::vector<std::string> status = statusLines(code);
  ASSERT_EQ(runtime.size() >= 3 + status.size(), true);
  const std::size_t at = runtime.size() - status.size() - 3;
  EXPECT_EQ(runtime[at], "     **** INPUT ERROR ****");
  EXPECT_EQ(runtime[at + 1], where);
  EXPECT_THAT(runtime[at + 2], HasSubstr(reason));
  EXPECT_EQ(std::vector<std::string>(runtime.begin() + static_cast<std::ptrdiff_t>(at + 3),
                                     runtime.end()),
            status);
  // The output report carries the same message.
  EXPECT_THAT(test::runFile(dir, kReport),
              HasSubstr(runtime[at] + "\n" + runtime[at + 1] + "\n" + runtime[at + 2] + "\n"));
}

class MalformedInput : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedInput, IsRefusedWithItsCodeAndMessage) {
  const Malformed& m = GetParam();
  test::TempDir dir;
  EXPECT_EQ(test::runInput(dir.path(), m.input), m.code);
  expectRefusal(dir.path(), m.code, m.where, m.reason);
}

INSTANTIATE_TEST_SUITE_P(Table, MalformedInput, ::testing::ValuesIn(malformedInputs()),
                         [](const ::testing::TestParamInfo<Malformed>& param) {
                           return param.param.label;
                         });

// The test deck itself is valid: each case above breaks exactly one thing.
TEST(MalformedInputBase, TheDeckTheCasesStartFromIsAccepted) {
  test::TempDir dir;
  EXPECT_EQ(test::runInput(dir.path(), Deck().text()), StatusCode::kCompleted);
  Deck all;
  all.allOptionalOn();
  EXPECT_EQ(test::runInput(dir.path(), all.text()), StatusCode::kCompleted);
}

// Values a layer's family does not use are set to zero, not refused: a soft clay with a negative
// friction angle and subgrade modulus, a sand with a negative cohesion and strain.
TEST(MalformedInputBase, SoilValuesTheFamilyDoesNotUseAreNotRefused) {
  test::TempDir dir;
  Deck clay;
  clay.soilLayers = test::replaceFirst(clay.soilLayers, "0.02 3.0 0.0 0.0", "0.02 3.0 -30.0 -5.0");
  EXPECT_EQ(test::runInput(dir.path(), clay.text()), StatusCode::kCompleted);
  Deck sand;
  sand.soilLayers =
      "1\n4 0\n0.0 720.0\n2 9\n0.03 -1.0 34.0 60.0 0.0 -0.02 0.0 0.0 0.0\n"
      "0.03 -1.0 36.0 60.0 0.0 -0.02 0.0 0.0 0.0\n";
  EXPECT_EQ(test::runInput(dir.path(), sand.text()), StatusCode::kCompleted);
}

// Bytes of every value, with line ends among them.
TEST(MalformedInputSweep, RandomBytesAreRefused) {
  test::TempDir dir;
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(seed);
    std::string text(2000, '\0');
    for (char& c : text) c = static_cast<char>(random() % 64 == 0 ? '\n' : random() % 256);
    const StatusCode code = test::runInput(dir.path(), text);
    EXPECT_GE(toInt(code), 42) << seed;
    EXPECT_LE(toInt(code), 46) << seed;
    EXPECT_THAT(test::runFile(dir.path(), kRuntime), HasSubstr("     **** INPUT ERROR ****\n"));
  }
}

}  // namespace
}  // namespace stilt
