#include "support/deck.hpp"

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

}  // namespace stilt::test
