#pragma once
// A small valid input data file assembled from its parts, for tests that change one part.
//
// The deck describes a three-dimensional group of one plumb pile with one load case and one
// combination. Every optional part (records A3, B1a, B2 and sections J to Q) has valid content
// of its own, written only when the control switches ask for it, so a test can switch parts on
// and off, or replace the text of one part and leave the rest valid.

#include <array>
#include <string>
#include <vector>

namespace stilt::test {

struct Deck {
  // Record A2, switches 1..16 (index 0 unused): English units, three dimensions, all else off.
  std::array<int, 17> switches{0, 1, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

  std::string title = "Minimal pile group for tests\none pile, one case, one combination\n";
  std::string movement = "0.5 -1.0\n";                      // A3: switch 8 is 3
  std::string cap = "60.0 60.0 24.0\n";                     // B1
  std::string passiveMethod = "1 2 10 150.0 4000.0 1.5\n";  // B1a: switch 3 is 2 or more
  std::string flexibleCap = "-30.0 -30.0 4 4 4.0E6 0.3\n";  // B2: switch 4 is 1 or more
  std::string loadCases =                                   // C1..C11
      "1 0 0 0 0\n"
      "0 0 0 1 1 100 100\n"
      "1.0E-4 1.0E-5 0.25 0.01\n"
      "Axial and lateral load\n"
      "0 0 0 0 0 0 0\n"
      "2 5 1.0 0 0.0 0.0 0 0\n"
      "0\n"
      "25*1\n"
      "1\n"
      "1.0E5 5.0E3 0.0 0.0 0.0 0.0 0.0 0.0 0.0\n"
      "0\n"
      "0\n";
  std::string combinations =  // D1..D9
      "1 0 0 0 0\n"
      "0 0 0 1 1 100 100\n"
      "1.0E-4 1.0E-5 0.25 0.01\n"
      "Factored case 1\n"
      "0.9 0.75 0\n"
      "2 5 0 0.0 0.0 0 0\n"
      "0\n"
      "25*1\n"
      "1\n"
      "1 1.5\n";
  std::string loadSets = "0\n";  // E1
  std::string piles =            // F1, three-dimensional rows
      "1\n"
      "2 2 1 0 0 0 0 0\n"
      "0.0 0.0 1.0 1.0 1.0 1.0 1.0\n"
      "0.0 0.0 0.0 0.0 90.0 0.0\n";
  std::string properties =  // G1..G3
      "1\n"
      "1 1\n"
      "50 600.0 1\n"
      "0.0 600.0 1 29.0E6 0 0\n";
  std::string crossSections =  // H1..H5
      "1\n"
      "1 0 1\n"
      "'PIPE 16 X 0.5'\n"
      "16.0 15.0 0.0 0.0 0.0 0.0 0.0 0.0\n"
      "0.0 24.35 731.9 731.9 0.0 1.6E10 6.0E6 3.6E5 0.0 0\n";
  std::string soilLayers =  // I1..I4
      "1\n"
      "1 0\n"
      "0.0 720.0\n"
      "2 9\n"
      "0.02 3.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0\n"
      "0.02 5.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0\n";

  // Optional sections. The second printed curve lists no values: its empty value record still
  // takes the blank line that follows its count.
  std::string printedCurves = "2\n1 60.0\n3\n0.1 0.5 1.0\n1 120.0\n0\n\n";  // J: switch 11
  std::string userPyCurves = "1\n7 1\n100.0\n2\n0.0 0.0\n500.0 1.0\n";      // K: switch 5
  std::string loadSettlement =                                              // L: switch 6
      "2\n1 2\n0.0 0.0\n5.0E5 0.5\n2 3\n-1.0E5 -0.2\n0.0 0.0\n2.0E5 0.4\n";
  std::string torqueRotation = "1\n1 2\n0.0 0.0\n1.0E6 0.02\n";                 // M: switch 7
  std::string momentCurvature = "1\n3 1\n2.5E5\n9 2\n0.0 0.0\n1.2E7 1.0E-4\n";  // N: switch 9
  std::string reductionFactors = "1\n4 2\n0.0 0.7 1.0\n120.0 1.0 1.0\n";        // O: switch 13
  std::string soilMovement = "1\n0.0 0.25 -0.5\n";                              // P: switch 14
  std::string curveExport = "3 1 0\n2\n30.0\n90.0\n";                           // Q: switch 15

  // Whether the switches ask for each optional part, by the rules of the input format.
  bool readsMovement() const { return switches[8] == 3; }
  bool readsPassiveMethod() const { return switches[3] >= 2; }
  bool readsFlexibleCap() const { return switches[4] >= 1; }

  // Switches every optional part on: cap option 2, flexible cap, group option 3 and each of the
  // section switches at 1.
  Deck& allOptionalOn();

  // The section header lines the file holds, in order (without their padding).
  std::vector<std::string> headers() const;
  // The input data file.
  std::string text() const;
};

// The 1-based number of the first line of `text` that contains `needle`; 0 when none does.
int lineOf(const std::string& text, const std::string& needle);

// `text` with the first occurrence of `from` replaced by `to`; throws std::invalid_argument when
// `from` does not occur, so that a test built on a changed deck fails loudly.
std::string replaceFirst(std::string text, const std::string& from, const std::string& to);

// Decks of whole runs.
//
// Three load cases made from the deck's own with a vertical load of 2.0E4: case 1 of load type 4
// (wind), case 2 flagged not to be analysed, case 3 of the unknown load type 17; the combination
// still takes case 1.
Deck flaggedMiddleCaseDeck();
// One plumb pile on a user load-settlement curve that is stiff (1.0E6 per unit movement) up to a
// force of 1.0E5 and nearly flat beyond it, under a vertical load of 1.6E5 applied in steps of
// 0.25 with a minimum increment of 0.2 and one iteration allowed: the steps to 25 % and 50 % stay
// on the stiff branch and converge, the step to 75 % (1.2E5) passes the knee and cannot, and its
// halved increment 0.125 is below the minimum, so the results are those at 50 % of the load.
Deck partialSolutionDeck();

}  // namespace stilt::test
