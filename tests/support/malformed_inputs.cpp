// The malformed input data files of the test suite, each with the status, record, line and reason
// a run refuses it with. Shared by the end-to-end run tests and the `stilt check` tests, so that
// both hold the same table.

#include "support/malformed_inputs.hpp"

#include <string>
#include <vector>

#include "support/deck.hpp"

namespace stilt::test {
namespace {

// The message line naming `record`; with a `needle`, at the line of the input that holds it.
std::string where(const std::string& record, const std::string& input, const std::string& needle) {
  if (needle.empty()) return "     " + record + ":";
  return "     " + record + " (LINE " + std::to_string(lineOf(input, needle)) + "):";
}

Malformed make(std::string label, const Deck& d, StatusCode code, const std::string& record,
               const std::string& needle, std::string reason) {
  std::string input = d.text();
  std::string w = where(record, input, needle);
  return {std::move(label), std::move(input), code, std::move(w), std::move(reason)};
}

// A part of the deck with the first `from` replaced by `to`.
std::string with(std::string part, const std::string& from, const std::string& to) {
  const std::size_t at = part.find(from);
  if (at == std::string::npos) return "(test error: " + from + " not found)";
  return part.replace(at, from.size(), to);
}

// A part of the deck with its last lines `from` replaced by `to`.
std::string withEnding(std::string part, const std::string& from, const std::string& to) {
  if (!part.ends_with(from)) return "(test error: no ending " + from + ")";
  return part.replace(part.size() - from.size(), from.size(), to);
}

}  // namespace

std::vector<Malformed> malformedInputs() {
  using S = StatusCode;
  std::vector<Malformed> cases;
  const Deck base;

  // The file ends early.
  cases.push_back({"EmptyFile", "", S::kInputEndsEarly, "     RECORD T1:",
                   "THE INPUT DATA FILE ENDS AFTER LINE 0, BEFORE THE FIRST TITLE LINE"});
  {
    std::string text = base.text();
    const std::string cut = "1.0E5 5.0E3 0.0 0.0";
    text.resize(text.find(cut) + cut.size());
    cases.push_back({"TruncatedMidRecord", text, S::kInputEndsEarly,
                     "     RECORD C9 OF LOAD CASE 1, CONCENTRATED LOAD 1:",
                     "ENDS AFTER LINE " + std::to_string(lineOf(text, cut)) + ", BEFORE MY"});
  }
  {
    std::string text = base.text();
    text.resize(text.rfind("0.02 5.0"));
    cases.push_back({"TruncatedBeforeTheLastRecord", text, S::kInputEndsEarly,
                     "     RECORD I4 OF SOIL LAYER 1, BOTTOM ROW:", "BEFORE SOIL PARAMETER 1"});
  }

  // Values of the wrong kind.
  Deck d = base;
  d.loadCases = with(d.loadCases, "1 0 0 0 0", "one 0 0 0 0");
  cases.push_back(make("LettersForAnInteger", d, S::kInputMalformedValue, "RECORD C1", "one 0",
                       "EXPECTED AN INTEGER FOR THE NUMBER OF LOAD CASES, FOUND \"one\""));
  d = base;
  d.properties = with(d.properties, "50 600.0 1", "50.0 600.0 1");
  cases.push_back(make("RealForAnInteger", d, S::kInputMalformedValue,
                       "RECORD G2b OF PILE PROPERTY 1", "50.0 600.0",
                       "EXPECTED AN INTEGER FOR THE NUMBER OF INCREMENTS, FOUND \"50.0\""));
  d = base;
  d.loadCases = with(d.loadCases, "1 0 0 0 0", "4294967297 0 0 0 0");
  cases.push_back(make("IntegerOutOfRange", d, S::kInputMalformedValue, "RECORD C1", "4294967297",
                       "FOUND \"4294967297\""));
  for (const char* bad : {"NaN", "Inf", "1e999"}) {
    d = base;
    d.cap = std::string(bad) + " 60.0 24.0\n";
    cases.push_back(make(
        std::string("NotAFiniteReal_") + (bad[0] == '1' ? "Overflow" : bad), d,
        S::kInputMalformedValue, "RECORD B1 OF PILE CAP", bad,
        "EXPECTED A REAL NUMBER FOR THE CAP LENGTH ALONG Y, FOUND \"" + std::string(bad) + "\""));
  }
  d = base;
  d.crossSections = with(d.crossSections, "'PIPE 16 X 0.5'", "'PIPE 16 X 0.5");
  cases.push_back(make("UnterminatedQuote", d, S::kInputMalformedValue,
                       "RECORD H3 OF CROSS SECTION 1", "'PIPE 16",
                       "EXPECTED A CLOSING QUOTE FOR THE SECTION NAME"));
  {
    std::string text = base.title + "CONTROL PARAMETERS\n";
    const char garbage[] =
        "\x7f"
        "ELF\x02\x01\x01\0\0\xff\xfe garbage\n";
    text += std::string(garbage, sizeof garbage - 1);
    text += base.text().substr(base.text().find("PILE CAP"));
    cases.push_back({"BinaryGarbageInTheControlRecord", text, S::kInputMalformedValue,
                     "     RECORD A2 OF CONTROL PARAMETERS (LINE 4):",
                     "EXPECTED AN INTEGER FOR THE UNITS SYSTEM"});
  }

  // Counts beyond a capacity.
  d = base;
  d.loadCases = with(d.loadCases, "1 0 0 0 0", "101 0 0 0 0");
  cases.push_back(make("LoadCases101", d, S::kInputCapacityExceeded, "RECORD C1", "101 0",
                       "THE NUMBER OF LOAD CASES IS 101, MORE THAN THE 100 ALLOWED"));
  d = base;
  d.properties = with(d.properties, "50 600.0 1", "101 600.0 1");
  cases.push_back(make("Increments101", d, S::kInputCapacityExceeded,
                       "RECORD G2b OF PILE PROPERTY 1", "101 600.0",
                       "THE NUMBER OF INCREMENTS IS 101, MORE THAN THE 100 ALLOWED"));
  d = base;
  d.soilLayers = "21   layers\n" + d.soilLayers.substr(2);
  cases.push_back(make("SoilLayers21", d, S::kInputCapacityExceeded, "RECORD I1", "21   layers",
                       "THE NUMBER OF SOIL LAYERS IS 21, MORE THAN THE 20 ALLOWED"));
  d = base;
  d.loadSets = "1\n102   points\n";
  cases.push_back(make("LoadSetPoints102", d, S::kInputCapacityExceeded,
                       "RECORD E1 OF DISTRIBUTED-LOAD SET 1", "102   points",
                       "THE NUMBER OF POINTS IS 102, MORE THAN THE 101 ALLOWED"));
  d = base;
  d.switches[6] = 1;
  d.loadSettlement = "1\n1 51   points\n";
  cases.push_back(make("UserCurvePoints51", d, S::kInputCapacityExceeded,
                       "RECORD L2 OF LOAD-SETTLEMENT CURVE 1", "1 51   points",
                       "THE NUMBER OF POINTS IS 51, MORE THAN THE 50 ALLOWED"));
  d = base;
  d.crossSections = with(d.crossSections, "'PIPE 16 X 0.5'", "'" + std::string(81, 'P') + "'");
  cases.push_back(make("NameOf81Characters", d, S::kInputCapacityExceeded,
                       "RECORD H3 OF CROSS SECTION 1", "PPPP",
                       "THE SECTION NAME HAS 81 CHARACTERS, MORE THAN THE 80 ALLOWED"));

  // Values the analysis cannot use.
  d = base;
  d.loadCases = with(d.loadCases, "\n1\n1.0E5", "\n-1   loads\n1.0E5");
  cases.push_back(make("NegativeLoadCount", d, S::kInputInvalidValue, "RECORD C9 OF LOAD CASE 1",
                       "-1   loads",
                       "THE NUMBER OF CONCENTRATED LOADS IS -1; IT CANNOT BE NEGATIVE"));
  d = base;
  d.combinations = with(d.combinations, "1 0 0 0 0", "-2 0 0 0 0");
  cases.push_back(make("NegativeCombinationCount", d, S::kInputInvalidValue, "RECORD D1", "-2 0",
                       "THE NUMBER OF LOAD COMBINATIONS IS -2; IT CANNOT BE NEGATIVE"));
  d = base;
  d.switches[2] = 4;
  cases.push_back(make("AnalysisType4", d, S::kInputInvalidValue, "RECORD A2 OF CONTROL PARAMETERS",
                       "1 4 0 0", "THE ANALYSIS TYPE IS 4; IT MUST BE 2 (TWO-DIMENSIONAL) OR 3"));
  d = base;
  d.properties = with(d.properties, "50 600.0 1", "0 600.0 1   no increments");
  cases.push_back(make("ZeroIncrements", d, S::kInputInvalidValue, "RECORD G2b OF PILE PROPERTY 1",
                       "no increments", "THE NUMBER OF INCREMENTS IS 0; A PILE NEEDS AT LEAST 1"));
  d = base;
  d.properties = with(d.properties, "50 600.0 1", "50 0.0 1");
  cases.push_back(make("ZeroLength", d, S::kInputInvalidValue, "RECORD G2b OF PILE PROPERTY 1",
                       "50 0.0 1", "THE PILE LENGTH MUST BE GREATER THAN ZERO"));
  d = base;
  d.properties = "1\n1 0   no sections\n";
  cases.push_back(make("NoSections", d, S::kInputInvalidValue, "RECORD G2a OF PILE PROPERTY 1",
                       "no sections", "THE PILE PROPERTY HAS NO SECTIONS"));
  d = base;
  d.soilLayers = with(d.soilLayers, "0.0 720.0", "720.0 0.0");
  cases.push_back(make("LayerBottomAboveTop", d, S::kInputInvalidValue, "RECORD I3 OF SOIL LAYER 1",
                       "720.0 0.0", "THE BOTTOM OF THE LAYER LIES ABOVE ITS TOP"));
  d = base;
  d.switches[2] = 2;
  d.piles = "1\n2 0 1 0 0 0   no piles\n0.0 2.0 1.0 1.0 1.0\n0.0 0.0 0.0 0.0\n";
  cases.push_back(make("TwoDimensionalRowWithoutPiles", d, S::kInputInvalidValue,
                       "RECORD F1 OF PILE ROW 1", "no piles",
                       "THE ROW HAS 0 PILES; IT NEEDS AT LEAST 1"));

  // Soil values a layer's family uses and cannot take, refused on the row that holds them.
  const std::string clayTop = "0.02 3.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0";
  const std::string clayBottom = "0.02 5.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0";
  d = base;
  d.soilLayers = with(d.soilLayers, clayTop, "-0.02 3.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0");
  cases.push_back(make("NegativeUnitWeight", d, S::kInputInvalidValue,
                       "RECORD I4 OF SOIL LAYER 1, TOP ROW", "-0.02 3.0",
                       "SOIL PARAMETER 1, THE EFFECTIVE UNIT WEIGHT, IS -0.02; IT CANNOT BE "
                       "NEGATIVE"));
  d = base;
  d.soilLayers = with(d.soilLayers, clayBottom, "0.02 -5.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0");
  cases.push_back(make("NegativeCohesion", d, S::kInputInvalidValue,
                       "RECORD I4 OF SOIL LAYER 1, BOTTOM ROW", "0.02 -5.0",
                       "SOIL PARAMETER 2, THE STRENGTH (COHESION OR COMPRESSIVE STRENGTH), IS -5;"
                       " IT CANNOT BE NEGATIVE"));
  d = base;
  d.soilLayers = with(d.soilLayers, clayTop, "0.02 3.0 0.0 0.0 0.0 -0.005 0.0 0.0 0.0");
  cases.push_back(make("NegativeStrainAt50", d, S::kInputInvalidValue,
                       "RECORD I4 OF SOIL LAYER 1, TOP ROW", "-0.005",
                       "SOIL PARAMETER 6, THE STRAIN AT 50% STRESS, IS -0.005; IT CANNOT BE "
                       "NEGATIVE"));
  const auto sand = [&](const std::string& top) {
    Deck s = base;
    s.soilLayers = "1\n4 0\n0.0 720.0\n2 9\n" + top + "\n0.03 0.0 36.0 60.0 0.0 0.0 0.0 0.0 0.0\n";
    return s;
  };
  cases.push_back(make("SandNegativeFrictionAngle", sand("0.03 0.0 -34.0 60.0 0.0 0.0 0.0 0.0 0.0"),
                       S::kInputInvalidValue, "RECORD I4 OF SOIL LAYER 1, TOP ROW", "-34.0",
                       "SOIL PARAMETER 3, THE FRICTION ANGLE, IS -34 DEGREES; IT MUST LIE FROM 0 "
                       "UP TO BELOW 90 DEGREES"));
  cases.push_back(make("SandFrictionAngle90", sand("0.03 0.0 90.0 60.0 0.0 0.0 0.0 0.0 0.0"),
                       S::kInputInvalidValue, "RECORD I4 OF SOIL LAYER 1, TOP ROW", "90.0 60.0",
                       "SOIL PARAMETER 3, THE FRICTION ANGLE, IS 90 DEGREES"));
  cases.push_back(make("SandNegativeSubgradeModulus",
                       sand("0.03 0.0 34.0 -60.0 0.0 0.0 0.0 0.0 0.0"), S::kInputInvalidValue,
                       "RECORD I4 OF SOIL LAYER 1, TOP ROW", "-60.0",
                       "SOIL PARAMETER 4, THE P-Y SUBGRADE MODULUS K, IS -60; IT CANNOT BE "
                       "NEGATIVE"));

  // References to something the file does not define.
  const auto pileRow = [&](const std::string& ints) {
    Deck p = base;
    p.piles = with(p.piles, "2 2 1 0 0 0 0 0", ints + "   the pile");
    return p;
  };
  cases.push_back(make("UndefinedPileProperty", pileRow("2 2 2 0 0 0 0 0"),
                       S::kInputUndefinedReference, "RECORD F1 OF PILE 1", "the pile",
                       "PILE PROPERTY 2 IS NOT DEFINED: THE FILE DEFINES 1 PILE PROPERTIES"));
  d = base;
  d.properties = with(d.properties, "0.0 600.0 1 29.0E6", "0.0 600.0 3 29.0E6");
  cases.push_back(make("UndefinedCrossSection", d, S::kInputUndefinedReference,
                       "RECORD G3 OF PILE PROPERTY 1, SECTION 1", "600.0 3",
                       "CROSS SECTION 3 IS NOT DEFINED: THE FILE DEFINES 1 CROSS SECTIONS"));
  d = base;
  d.combinations = with(d.combinations, "1 1.5", "2 1.5");
  cases.push_back(make("UndefinedCombinationLoadCase", d, S::kInputUndefinedReference,
                       "RECORD D9 OF LOAD COMBINATION 1, TERM 1", "2 1.5",
                       "LOAD CASE 2 IS NOT DEFINED: THE FILE DEFINES 1 LOAD CASES"));
  cases.push_back(make("LoadSettlementCurveWithSectionOff", pileRow("2 2 1 0 1 0 0 0"),
                       S::kInputUndefinedReference, "RECORD F1 OF PILE 1", "the pile",
                       "LOAD-SETTLEMENT CURVE 1 REFERS TO A USER CURVE, BUT THE USER "
                       "LOAD-SETTLEMENT CURVES SECTION IS SWITCHED OFF"));
  cases.push_back(make("GeneratedCurveOfAnUndefinedProperty", pileRow("2 2 1 0 -2 0 0 0"),
                       S::kInputUndefinedReference, "RECORD F1 OF PILE 1", "the pile",
                       "LOAD-SETTLEMENT CURVE (GENERATED FOR PILE PROPERTY) 2 IS NOT DEFINED"));
  d = pileRow("2 2 1 0 0 2 0 0");
  d.switches[7] = 1;
  cases.push_back(make("UndefinedUserTorqueRotationCurve", d, S::kInputUndefinedReference,
                       "RECORD F1 OF PILE 1", "the pile",
                       "TORQUE-ROTATION CURVE 2 IS NOT DEFINED: THE FILE DEFINES 1 USER CURVES"));
  d = pileRow("2 2 1 2 0 0 0 0");
  d.switches[5] = 1;
  cases.push_back(make("UndefinedUserPyCurveSet", d, S::kInputUndefinedReference,
                       "RECORD F1 OF PILE 1", "the pile", "P-Y CURVE SET 2 IS NOT DEFINED"));
  d = pileRow("2 2 1 0 0 0 3 0");
  d.switches[13] = 1;
  cases.push_back(make("UndefinedReductionFactorSet", d, S::kInputUndefinedReference,
                       "RECORD F1 OF PILE 1", "the pile",
                       "REDUCTION-FACTOR SET 3 IS NOT DEFINED: THE FILE DEFINES 1"));
  d = base;
  d.switches[9] = 1;
  d.properties = with(d.properties, "29.0E6 0 0", "29.0E6 1 2");
  cases.push_back(make("UndefinedMomentCurvatureSet", d, S::kInputUndefinedReference,
                       "RECORD G3 OF PILE PROPERTY 1, SECTION 1", "29.0E6 1 2",
                       "MOMENT-CURVATURE SET 2 IS NOT DEFINED: THE FILE DEFINES 1"));
  d = base;
  // NCONC, NDIST and NSTIFF end the case: one distributed load on set 2, which is not defined.
  d.loadCases = withEnding(d.loadCases, "0\n0\n", "1\n1 1 1 1 0 2 1.0 0 0.0   on set 2\n0\n");
  cases.push_back(make("UndefinedDistributedLoadSet", d, S::kInputUndefinedReference,
                       "RECORD C10 OF LOAD CASE 1, DISTRIBUTED LOAD 1", "on set 2",
                       "DISTRIBUTED-LOAD SET 2 IS NOT DEFINED: THE FILE DEFINES 0"));
  d = base;
  d.switches[11] = 1;
  d.printedCurves = "1\n2 60.0   pile 2\n0\n\n";
  cases.push_back(make("UndefinedPrintedCurvePile", d, S::kInputUndefinedReference,
                       "RECORD J2 OF PRINTED CURVE 1", "pile 2",
                       "PILE GROUP 2 IS NOT DEFINED: THE FILE DEFINES 1 PILES"));
  return cases;
}

}  // namespace stilt::test
