#include "support/deck.hpp"

#include <stdexcept>
#include <string_view>

namespace stilt::test {
namespace {

struct OptionalSection {
  int switchNumber;
  const char* header;
  std::string Deck::*content;
};

// Sections J to Q in file order, each present when its switch is exactly 1.
constexpr OptionalSection kOptionalSections[] = {
    {11, "PRINTED P-Y CURVES", &Deck::printedCurves},
    {5, "USER P-Y CURVES", &Deck::userPyCurves},
    {6, "USER AXIAL LOAD VERSUS DISPLACEMENT CURVES", &Deck::loadSettlement},
    {7, "USER TORSIONAL MOMENT VERSUS ROTATION CURVES", &Deck::torqueRotation},
    {9, "MOMENT-CURVATURE SETS", &Deck::momentCurvature},
    {13, "REDUCTION FACTORS ALONG DEPTH", &Deck::reductionFactors},
    {14, "SOIL MOVEMENT", &Deck::soilMovement},
    {15, "CURVE EXPORT", &Deck::curveExport},
};

}  // namespace

Deck& Deck::allOptionalOn() {
  switches[3] = 2;
  switches[4] = 1;
  switches[8] = 3;
  for (const OptionalSection& s : kOptionalSections)
    switches[static_cast<std::size_t>(s.switchNumber)] = 1;
  return *this;
}

std::vector<std::string> Deck::headers() const {
  std::vector<std::string> out = {"CONTROL PARAMETERS",
                                  "PILE CAP",
                                  "LOAD CASES",
                                  "LOAD COMBINATIONS",
                                  "DISTRIBUTED LOAD SETS",
                                  "PILE GROUPS",
                                  "PILE PROPERTIES",
                                  "CROSS SECTIONS",
                                  "SOIL LAYERS"};
  for (const OptionalSection& s : kOptionalSections) {
    if (switches[static_cast<std::size_t>(s.switchNumber)] == 1) out.emplace_back(s.header);
  }
  return out;
}

std::string Deck::text() const {
  const std::vector<std::string> h = headers();
  std::string out = title;
  out += h[0] + "\n";
  for (std::size_t i = 1; i <= 16; ++i) out += std::to_string(switches[i]) + (i < 16 ? " " : "\n");
  if (readsMovement()) out += movement;
  out += h[1] + "\n" + cap;
  if (readsPassiveMethod()) out += passiveMethod;
  if (readsFlexibleCap()) out += flexibleCap;
  out += h[2] + "\n" + loadCases;
  out += h[3] + "\n" + combinations;
  out += h[4] + "\n" + loadSets;
  out += h[5] + "\n" + piles;
  out += h[6] + "\n" + properties;
  out += h[7] + "\n" + crossSections;
  out += h[8] + "\n" + soilLayers;
  for (const OptionalSection& s : kOptionalSections) {
    if (switches[static_cast<std::size_t>(s.switchNumber)] == 1) {
      out += std::string(s.header) + "\n" + this->*s.content;
    }
  }
  return out;
}

int lineOf(const std::string& text, const std::string& needle) {
  int line = 1;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (std::string_view(text).substr(start, end - start).find(needle) != std::string_view::npos) {
      return line;
    }
    start = end + 1;
    ++line;
  }
  return 0;
}

std::string replaceFirst(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at == std::string::npos) throw std::invalid_argument("not in the deck: " + from);
  return text.replace(at, from.size(), to);
}

Deck flaggedMiddleCaseDeck() {
  Deck d;
  // Records C2..C11 of the deck's case, then the same with another C5 or C6.
  // A vertical load well within the capacity of the pile in the soft clay, so that every
  // analysed item completes.
  const std::string records = replaceFirst(d.loadCases.substr(d.loadCases.find('\n') + 1),
                                           "1.0E5 5.0E3 0.0", "2.0E4 5.0E3 0.0");
  const std::string wind = replaceFirst(records, "\n0 0 0 0 0 0 0\n", "\n4 0 0 0 0 0 0\n");
  const std::string flagged =
      replaceFirst(records, "2 5 1.0 0 0.0 0.0 0 0", "2 5 1.0 0 0.0 0.0 0 1");
  const std::string special = replaceFirst(records, "\n0 0 0 0 0 0 0\n", "\n17 0 0 0 0 0 0\n");
  d.loadCases = "3 0 0 0 0\n" + wind + replaceFirst(flagged, "Axial and lateral load", "Not run") +
                replaceFirst(special, "Axial and lateral load", "Special type");
  return d;
}

Deck partialSolutionDeck() {
  Deck d;
  d.switches[6] = 1;
  d.loadSettlement = "1\n1 4\n-1.0E5 -0.1\n0.0 0.0\n1.0E5 0.1\n1.3E5 100.0\n";
  d.piles = replaceFirst(d.piles, "2 2 1 0 0 0 0 0", "2 2 1 0 1 0 0 0");
  d.loadCases = replaceFirst(d.loadCases, "0 0 0 1 1 100 100", "0 0 0 1 1 1 100");
  d.loadCases = replaceFirst(d.loadCases, "1.0E-4 1.0E-5 0.25 0.01", "1.0E-4 1.0E-5 0.25 0.2");
  d.loadCases = replaceFirst(d.loadCases, "1.0E5 5.0E3 0.0", "1.6E5 0.0 0.0");
  d.loadCases = replaceFirst(d.loadCases, "Axial and lateral load", "Beyond the knee of the curve");
  d.combinations = "0 0 0 0 0\n";
  return d;
}

}  // namespace stilt::test
