// Free-format reading, value by value: the list-directed rules of the input data file.

#include "model/input_cursor.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace stilt {
namespace {

using ::testing::ElementsAre;

// Reads one record of `n` integers; fields not given keep -1.
std::vector<int> ints(InputCursor& in, int n) {
  std::vector<int> v(static_cast<std::size_t>(n), -1);
  in.beginRecord("R");
  for (int& x : v) in.read(x, "a value");
  return v;
}

std::vector<double> reals(InputCursor& in, int n) {
  std::vector<double> v(static_cast<std::size_t>(n), -1.0);
  in.beginRecord("R");
  for (double& x : v) in.read(x, "a value");
  return v;
}

std::string name(const std::string& text) {
  InputCursor in(text);
  std::string out = "(unset)";
  in.beginRecord("H3");
  in.readName(out, "the section name", 80);
  EXPECT_TRUE(in.ok()) << text;
  return out;
}

TEST(InputCursorSeparators, BlanksCommasAndTabsSeparateValues) {
  const std::string text = "1,2 , 3\t4   5,6\n";
  InputCursor in(text);
  EXPECT_THAT(ints(in, 6), ElementsAre(1, 2, 3, 4, 5, 6));
  EXPECT_TRUE(in.ok());
}

TEST(InputCursorSeparators, NullValuesKeepTheirDefaults) {
  // A leading comma, two adjacent commas and a comma-blank-comma each give one null value.
  const std::string text = ",5,,7, ,9\n";
  InputCursor in(text);
  EXPECT_THAT(ints(in, 6), ElementsAre(-1, 5, -1, 7, -1, 9));
  EXPECT_TRUE(in.ok());
}

TEST(InputCursorSeparators, SlashEndsTheRecordAndLeavesTheRestAtDefaults) {
  const std::string text = "1 2 / 3 4\n5 6\n";
  InputCursor in(text);
  EXPECT_THAT(ints(in, 4), ElementsAre(1, 2, -1, -1));
  // The values after the slash are not carried into the next record.
  EXPECT_THAT(ints(in, 2), ElementsAre(5, 6));
  EXPECT_TRUE(in.ok());
}

TEST(InputCursorSeparators, RepeatCountsGiveValuesAndNulls) {
  const std::string text = "3*7 2* 4\n2*1.5 2.5D0\n";
  InputCursor in(text);
  EXPECT_THAT(ints(in, 6), ElementsAre(7, 7, 7, -1, -1, 4));
  EXPECT_THAT(reals(in, 3), ElementsAre(1.5, 1.5, 2.5));
  EXPECT_TRUE(in.ok());
}

TEST(InputCursorSeparators, RepeatCountDoesNotRunIntoTheNextRecord) {
  const std::string text = "25*1\n8 9\n";
  InputCursor in(text);
  EXPECT_THAT(ints(in, 3), ElementsAre(1, 1, 1));
  EXPECT_THAT(ints(in, 2), ElementsAre(8, 9));
}

TEST(InputCursorLines, RecordContinuesOverLinesAndIgnoresTheRestOfItsLastLine) {
  const std::string text = "1 2\n\n3\n4 5 6 a note\n7\n";
  InputCursor in(text);
  EXPECT_THAT(ints(in, 4), ElementsAre(1, 2, 3, 4));
  EXPECT_EQ(in.recordLine(), 1);
  // "5 6 a note" is ignored: the next record starts on line 5.
  EXPECT_THAT(ints(in, 1), ElementsAre(7));
  EXPECT_EQ(in.recordLine(), 5);
  EXPECT_TRUE(in.ok());
}

TEST(InputCursorLines, CommaAtTheEndOfALineDoesNotMakeANull) {
  const std::string text = "1,\n2\n";
  InputCursor in(text);
  EXPECT_THAT(ints(in, 2), ElementsAre(1, 2));
}

TEST(InputCursorLines, ZeroValueRecordStillTakesItsLine) {
  const std::string text = "3\n(nothing read here)\n4\n";
  InputCursor in(text);
  EXPECT_THAT(ints(in, 1), ElementsAre(3));
  in.beginRecord("J3");
  in.endRecord();
  EXPECT_THAT(ints(in, 1), ElementsAre(4));
  EXPECT_EQ(in.recordLine(), 3);
  EXPECT_TRUE(in.ok());
}

TEST(InputCursorLines, ShortLastLineWithoutNewline) {
  const std::string text = "1 2\n3 4";
  InputCursor in(text);
  EXPECT_THAT(ints(in, 2), ElementsAre(1, 2));
  EXPECT_THAT(ints(in, 2), ElementsAre(3, 4));
  EXPECT_TRUE(in.ok());
}

TEST(InputCursorLines, CrLfLineEnds) {
  const std::string text = "TITLE\r\n1 2\r\n3.5\r\n";
  InputCursor in(text);
  std::string title;
  in.readTextLine(title, "T1", {}, "the title");
  EXPECT_EQ(title, "TITLE" + std::string(75, ' '));
  EXPECT_THAT(ints(in, 2), ElementsAre(1, 2));
  EXPECT_THAT(reals(in, 1), ElementsAre(3.5));
  EXPECT_TRUE(in.ok());
}

TEST(InputCursorLines, TextRecordsArePaddedOrCutTo80Characters) {
  const std::string longLine = std::string(80, 'x') + "CUT";
  const std::string text = "short\n" + longLine + "\n\n1\n";
  InputCursor in(text);
  std::string a;
  std::string b;
  std::string c;
  in.readTextLine(a, "T1", {}, "the first title line");
  in.readTextLine(b, "T2", {}, "the second title line");
  in.readTextLine(c, "HEADER", {}, "a header line");
  EXPECT_EQ(a, "short" + std::string(75, ' '));
  EXPECT_EQ(b, std::string(80, 'x'));
  EXPECT_EQ(c, std::string(80, ' '));  // an empty line is a blank text record
  EXPECT_THAT(ints(in, 1), ElementsAre(1));
  EXPECT_TRUE(in.ok());
}

TEST(InputCursorLines, TextRecordAfterANumericRecordTakesTheNextLine) {
  const std::string text = "1 2 3 4\nCase name\n";
  InputCursor in(text);
  EXPECT_THAT(ints(in, 2), ElementsAre(1, 2));
  std::string caseName;
  in.readTextLine(caseName, "C4", "LOAD CASE 1", "the case name");
  EXPECT_EQ(caseName.substr(0, 10), "Case name ");
}

TEST(InputCursorNumbers, ExponentsWithEOrDInEitherCase) {
  const std::string text = "1.5E3 2.5e-2 1.64D10 3d2 -4.0E+1 .5 7. +2 -0.0\n";
  InputCursor in(text);
  EXPECT_THAT(reals(in, 9), ElementsAre(1500.0, 0.025, 1.64e10, 300.0, -40.0, 0.5, 7.0, 2.0, 0.0));
  EXPECT_TRUE(in.ok());
}

TEST(InputCursorNumbers, IntegersTakeSignsAndTheWholeRange) {
  const std::string text = "+5 -7 2147483647 -2147483648\n";
  InputCursor in(text);
  EXPECT_THAT(ints(in, 4), ElementsAre(5, -7, 2147483647, -2147483647 - 1));
}

// Tokens that are not an integer: a real, letters, out of range, half a repeat count.
TEST(InputCursorNumbers, RefusesWhatIsNotAnInteger) {
  for (const std::string token : {"1.0", "1E2", "one", "2147483648", "99999999999", "0*5", "--1"}) {
    const std::string text = "3 " + token + "\n";
    InputCursor in(text);
    int a = 0;
    int b = -1;
    in.beginRecord("C1", {});
    in.read(a, "the number of load cases");
    in.read(b, "the envelope switch");
    EXPECT_EQ(in.status(), StatusCode::kInputMalformedValue) << token;
    EXPECT_EQ(b, -1) << token;
    ASSERT_EQ(in.message().size(), 3u) << token;
    EXPECT_EQ(in.message()[0], "     **** INPUT ERROR ****");
    EXPECT_EQ(in.message()[1], "     RECORD C1 (LINE 1):");
    EXPECT_EQ(in.message()[2],
              "     EXPECTED AN INTEGER FOR THE ENVELOPE SWITCH, FOUND \"" + token + "\"");
  }
}

// A value too small to hold reads as zero, as a Fortran read gives it.
TEST(InputCursorNumbers, UnderflowReadsAsZero) {
  for (const std::string token : {"1e-400", "-2.5D-999", "0.1E-330"}) {
    const std::string text = token + "\n";
    InputCursor in(text);
    double v = -1.0;
    in.beginRecord("B1", "PILE CAP");
    in.read(v, "the cap length along Y");
    EXPECT_TRUE(in.ok()) << token;
    EXPECT_EQ(v, 0.0) << token;
  }
}

// NaN, infinities and overflowing exponents are no numbers an analysis can use.
TEST(InputCursorNumbers, RefusesWhatIsNotAFiniteReal) {
  for (const std::string token : {"NaN", "nan", "Inf", "-Infinity", "1e999", "1.0D400", "1.2.3",
                                  "1.0E", "E5", "1-5", "0x10"}) {
    const std::string text = token + "\n";
    InputCursor in(text);
    double v = -1.0;
    in.beginRecord("B1", "PILE CAP");
    in.read(v, "the cap length along Y");
    EXPECT_EQ(in.status(), StatusCode::kInputMalformedValue) << token;
    EXPECT_EQ(v, -1.0) << token;
    ASSERT_EQ(in.message().size(), 3u);
    EXPECT_EQ(in.message()[1], "     RECORD B1 OF PILE CAP (LINE 1):");
    EXPECT_EQ(in.message()[2],
              "     EXPECTED A REAL NUMBER FOR THE CAP LENGTH ALONG Y, FOUND \"" + token + "\"");
  }
}

TEST(InputCursorNames, QuotedNamesKeepBlanksCommasAndDoubledQuotes) {
  EXPECT_EQ(name("'PIPE 24 X 0.75, UPPER'\n"), "PIPE 24 X 0.75, UPPER");
  EXPECT_EQ(name("\"PIPE 24 X 0.5, LOWER\" and a note\n"), "PIPE 24 X 0.5, LOWER");
  EXPECT_EQ(name("'It''s a pipe'\n"), "It's a pipe");
  EXPECT_EQ(name("\"A \"\"B\"\" C\"\n"), "A \"B\" C");
  EXPECT_EQ(name("'ends in a quote'''\n"), "ends in a quote'");
  EXPECT_EQ(name("''\n"), "");
}

TEST(InputCursorNames, UnquotedNameIsOneToken) {
  EXPECT_EQ(name("BORED_900 rest of the line\n"), "BORED_900");
  EXPECT_EQ(name("HP14x73,second\n"), "HP14x73");
}

TEST(InputCursorNames, NameOf80CharactersIsTakenAndOf81Refused) {
  const std::string eighty(80, 'N');
  EXPECT_EQ(name("'" + eighty + "'\n"), eighty);

  const std::string text = "'" + eighty + "X'\n";
  InputCursor in(text);
  std::string target = "kept";
  in.beginRecord("H3", "CROSS SECTION 1");
  in.readName(target, "the section name", 80);
  EXPECT_EQ(in.status(), StatusCode::kInputCapacityExceeded);
  EXPECT_EQ(target, "kept");
  ASSERT_EQ(in.message().size(), 3u);
  EXPECT_EQ(in.message()[1], "     RECORD H3 OF CROSS SECTION 1 (LINE 1):");
  EXPECT_EQ(in.message()[2], "     THE SECTION NAME HAS 81 CHARACTERS, MORE THAN THE 80 ALLOWED");
}

TEST(InputCursorNames, UnterminatedQuoteIsRefused) {
  // The last one ends in a doubled quote, which stands for a quote inside the name, not for
  // its end.
  for (const std::string text : {"'PIPE 16\n", "'\n", "\"PIPE 16'\n", "'PIPE 16''\n"}) {
    InputCursor in(text);
    std::string target = "kept";
    in.beginRecord("H3", "CROSS SECTION 1");
    in.readName(target, "the section name", 80);
    EXPECT_EQ(in.status(), StatusCode::kInputMalformedValue) << text;
    EXPECT_EQ(target, "kept") << text;
  }
}

TEST(InputCursorErrors, EndOfFileInsideARecord) {
  const std::string text = "1 2\n3";
  InputCursor in(text);
  int a = 0;
  int b = 0;
  int c = 0;
  in.beginRecord("C2", "LOAD CASE 1");
  in.read(a, "load-case integer 1");
  in.read(b, "load-case integer 2");
  in.read(c, "load-case integer 3");
  EXPECT_TRUE(in.ok());
  EXPECT_EQ(c, 3);
  in.read(a, "load-case integer 4");
  EXPECT_EQ(in.status(), StatusCode::kInputEndsEarly);
  EXPECT_THAT(
      in.message(),
      ElementsAre("     **** INPUT ERROR ****", "     RECORD C2 OF LOAD CASE 1:",
                  "     THE INPUT DATA FILE ENDS AFTER LINE 2, BEFORE LOAD-CASE INTEGER 4"));
}

TEST(InputCursorErrors, EndOfFileBeforeATextRecord) {
  const std::string text;
  InputCursor in(text);
  std::string title;
  in.readTextLine(title, "T1", {}, "the first title line");
  EXPECT_EQ(in.status(), StatusCode::kInputEndsEarly);
  EXPECT_THAT(
      in.message(),
      ElementsAre("     **** INPUT ERROR ****", "     RECORD T1:",
                  "     THE INPUT DATA FILE ENDS AFTER LINE 0, BEFORE THE FIRST TITLE LINE"));
}

TEST(InputCursorErrors, FirstErrorSticksAndLaterReadsChangeNothing) {
  const std::string text = "x 2\n3 4\nTEXT\n";
  InputCursor in(text);
  int a = -1;
  int b = -1;
  in.beginRecord("A2", "CONTROL PARAMETERS");
  in.read(a, "the units system");
  const std::vector<std::string> first = in.message();
  in.read(b, "the analysis type");
  in.beginRecord("B1");
  in.read(b, "the cap length");
  std::string line = "unchanged";
  in.readTextLine(line, "C4", {}, "the case name");
  EXPECT_EQ(in.status(), StatusCode::kInputMalformedValue);
  EXPECT_EQ(in.message(), first);
  EXPECT_EQ(a, -1);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(line, "unchanged");
  // Later refusals do not replace the first message either.
  EXPECT_FALSE(in.checkCount(500, 100, "the number of load cases"));
  EXPECT_EQ(in.message(), first);
}

TEST(InputCursorErrors, ErrorNamesTheLineOfTheValueInAContinuedRecord) {
  const std::string text = "HEADER\n1 2\n3\nbad\n";
  InputCursor in(text);
  std::string header;
  in.readTextLine(header, "HEADER", {}, "the header line");
  ints(in, 4);
  EXPECT_EQ(in.recordLine(), 2);
  ASSERT_EQ(in.message().size(), 3u);
  EXPECT_EQ(in.message()[1], "     RECORD R (LINE 4):");
}

TEST(InputCursorCounts, CountsAreCheckedAgainstCapacityAndSign) {
  const std::string text = "\n";
  {
    InputCursor in(text);
    in.beginRecord("C1");
    EXPECT_TRUE(in.checkCount(0, 100, "the number of load cases"));
    EXPECT_TRUE(in.checkCount(100, 100, "the number of load cases"));
    EXPECT_TRUE(in.ok());
  }
  {
    InputCursor in(text);
    in.beginRecord("C1");
    EXPECT_FALSE(in.checkCount(101, 100, "the number of load cases"));
    EXPECT_EQ(in.status(), StatusCode::kInputCapacityExceeded);
    EXPECT_THAT(in.message(), ElementsAre("     **** INPUT ERROR ****", "     RECORD C1 (LINE 1):",
                                          "     THE NUMBER OF LOAD CASES IS 101, MORE THAN THE "
                                          "100 ALLOWED"));
  }
  {
    InputCursor in(text);
    in.beginRecord("C1");
    EXPECT_FALSE(in.checkCount(-1, 100, "the number of load cases"));
    EXPECT_EQ(in.status(), StatusCode::kInputInvalidValue);
    EXPECT_EQ(in.message()[2], "     THE NUMBER OF LOAD CASES IS -1; IT CANNOT BE NEGATIVE");
  }
}

}  // namespace
}  // namespace stilt
