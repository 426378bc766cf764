// The results of every pile, run end to end: the extremes rows of the summary tables and which
// result quantities the tables along the piles, the summary and the node listing print.
//
// The pile numbers of the extremes rows are checked against the values of the pile-cap results
// file, which carries every pile's head values and results along the pile at 8 significant
// digits: the pile named is the first in the pile table to reach the extreme.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using Lines = std::vector<std::string>;
using test::Deck;
using test::numbersOf;
using test::replaceFirst;

constexpr int kReport = 6;
constexpr int kSummary = 7;
constexpr int kCapResults = 11;

std::string trim(const std::string& s) {
  const std::size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

bool isItemHeading(const std::string& line) {
  return line.starts_with("LOAD CASE : ") || line.starts_with("LOAD COMB. : ");
}

// One pile of one item on the pile-cap results file.
struct CapPile {
  std::array<std::vector<double>, 4> head;  // global displacements and forces, local ones
  std::vector<int> switches;                // the 25 switches of the node listing
  std::vector<std::vector<double>> nodes;   // coordinate, then the listed quantities
};

// The items of a pile-cap results file, by heading ("LOAD CASE :     1"), with their piles.
std::map<std::string, std::vector<CapPile>> readCapFile(const Lines& lines) {
  std::map<std::string, std::vector<CapPile>> items;
  std::vector<CapPile>* piles = nullptr;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (isItemHeading(l)) {
      piles = &items[l];
    } else if (l.starts_with("LOAD CASE ENV : ") || l.starts_with("LOAD COMB. ENV : ")) {
      piles = nullptr;  // an envelope's piles are no item's
    } else if (piles != nullptr && l.starts_with("* PILE GROUP *")) {
      piles->emplace_back();
    } else if (piles != nullptr && !piles->empty() &&
               l.starts_with("* PILE TOP DISP. AND REACT.")) {
      const std::size_t first = l.ends_with("GLOBAL") ? 0 : 2;
      piles->back().head[first] = numbersOf(lines.at(i + 1));
      piles->back().head[first + 1] = numbersOf(lines.at(i + 2));
      i += 3;  // the stress line follows
    } else if (piles != nullptr && !piles->empty() &&
               l == "* EFFECTS FOR LATERALLY LOADED PILE *   ") {
      CapPile& p = piles->back();
      for (double v : numbersOf(lines.at(++i))) p.switches.push_back(static_cast<int>(v));
      while (i + 1 < lines.size() && !numbersOf(lines[i + 1]).empty()) {
        p.nodes.push_back(numbersOf(lines[++i]));
      }
    }
  }
  return items;
}

// The quantities switched on in a node-listing switch record ("25" and 25 switches).
std::vector<int> listedQuantities(const std::vector<int>& switches) {
  std::vector<int> q;
  for (std::size_t k = 1; k < switches.size(); ++k) {
    if (switches[k] != 0) q.push_back(static_cast<int>(k));
  }
  return q;
}

// The 1-based number of the first value that is the extreme of `values`, as an extremes row must
// name it when the row names pile `named`. The file's values have 8 significant digits, and one
// below 1.0E-50 in size prints as 0: when the extreme prints as 0 the file cannot tell which of
// the piles at 0 holds the smallest value, and any of them may be named.
int firstExtreme(const std::vector<double>& values, bool largest, int named) {
  std::size_t best = 0;
  for (std::size_t i = 1; i < values.size(); ++i) {
    if (largest ? values[i] > values[best] : values[i] < values[best]) best = i;
  }
  const std::size_t n = static_cast<std::size_t>(named - 1);
  if (values[best] == 0.0 && n < values.size() && values[n] == 0.0) return named;
  return static_cast<int>(best) + 1;
}

// The lines of one item's section of the results of a report or summary: from its heading to
// the next one (the input report's table C has headings of its own).
Lines itemSection(const Lines& lines, const std::string& heading) {
  const auto results = std::find(lines.begin(), lines.end(),
                                 std::string(17, ' ') + "*****     COMPUTATION RESULTS     *****");
  const auto from = std::find(results, lines.end(), "     " + heading);
  if (from == lines.end()) return {};
  const auto to = std::find_if(from + 1, lines.end(), [](const std::string& l) {
    return l.starts_with("     LOAD CASE : ") || l.starts_with("     LOAD COMB. : ") ||
           l.starts_with("     LOAD CASE ENV : ") || l.starts_with("     LOAD COMB. ENV : ");
  });
  return Lines(from, to);
}

// The pile numbers of the "Pile N." rows: in the head tables (minimum, then maximum, for the
// global displacements, global reactions, local displacements and local reactions) and along
// the piles (maxima, then minima).
struct ExtremesRows {
  std::vector<std::vector<int>> head;
  std::vector<std::vector<int>> along;
};

ExtremesRows extremesRows(const Lines& section) {
  ExtremesRows rows;
  const auto piles = [](const std::string& l) {
    std::vector<int> p;
    for (double v : numbersOf(l.substr(l.find("Pile N.") + 7))) p.push_back(static_cast<int>(v));
    return p;
  };
  for (const std::string& l : section) {
    if (l.starts_with("       Pile N. ")) rows.head.push_back(piles(l));
    if (l.starts_with("     Pile N.  ")) rows.along.push_back(piles(l));
  }
  return rows;
}

// Every "Pile N." row of every solved item of a run names the first pile, in pile-table order,
// that reaches the extreme of its column, judged from the pile-cap results file.
void expectExtremesRowsNameTheFirstPile(const std::filesystem::path& dir, bool planar) {
  const auto items = readCapFile(test::runFileLines(dir, kCapResults));
  const Lines summary = test::runFileLines(dir, kSummary);
  ASSERT_FALSE(items.empty());
  const std::vector<std::size_t> components =
      planar ? std::vector<std::size_t>{0, 1, 5} : std::vector<std::size_t>{0, 1, 2, 3, 4, 5};
  for (const auto& [heading, piles] : items) {
    SCOPED_TRACE(heading);
    const ExtremesRows rows = extremesRows(itemSection(summary, heading));
    ASSERT_EQ(rows.head.size(), 8u);
    for (std::size_t table = 0; table < 4; ++table) {
      for (int largest = 0; largest < 2; ++largest) {
        const std::vector<int>& named = rows.head[2 * table + static_cast<std::size_t>(largest)];
        ASSERT_EQ(named.size(), components.size());
        std::vector<int> expected;
        for (std::size_t c = 0; c < components.size(); ++c) {
          std::vector<double> column;
          // The pile-cap results file gives a planar pile's head values as X, Y and RZ alone.
          for (const CapPile& p : piles)
            column.push_back(p.head[table].at(planar ? c : components[c]));
          expected.push_back(firstExtreme(column, largest == 1, named[c]));
        }
        EXPECT_EQ(named, expected)
            << "head table " << table + 1 << (largest ? ", maximum" : ", minimum");
      }
    }
    // Along the piles: each pile's extreme over its nodes, then the first pile with the extreme
    // of those. The item's own switches are all on here, so the summary prints every quantity
    // of the node listing.
    ASSERT_EQ(rows.along.size(), 2u);
    const std::vector<int> quantities = listedQuantities(piles.front().switches);
    for (int largest = 1; largest >= 0; --largest) {
      const std::vector<int>& named = rows.along[largest ? 0 : 1];
      ASSERT_EQ(named.size(), quantities.size());
      std::vector<int> expected;
      for (std::size_t c = 0; c < quantities.size(); ++c) {
        std::vector<double> perPile;
        for (const CapPile& p : piles) {
          double extreme = p.nodes.front().at(c + 1);
          for (const std::vector<double>& node : p.nodes) {
            extreme =
                largest ? std::max(extreme, node.at(c + 1)) : std::min(extreme, node.at(c + 1));
          }
          perPile.push_back(extreme);
        }
        expected.push_back(firstExtreme(perPile, largest == 1, named[c]));
      }
      EXPECT_EQ(named, expected) << (largest ? "Max." : "Min.");
    }
  }
}

// Three plumb piles: 1 and 2 mirror each other about the plane Z = 0 and 3 stands in that plane.
// The deck's load (vertical and along Y) keeps the mirror symmetry, so piles 1 and 2 carry the
// same head values and results along the pile, to the last bit.
Deck symmetricGroup() {
  Deck d;
  const std::string row = "2 2 1 0 0 0 0 0\n0.0 0.0 1.0 1.0 1.0 1.0 1.0\n";
  d.piles = "3\n" + row + "0.0 0.0 48.0 0.0 90.0 0.0\n" + row + "0.0 0.0 -48.0 0.0 90.0 0.0\n" +
            row + "0.0 48.0 0.0 0.0 90.0 0.0\n";
  return d;
}

TEST(SummaryExtremes, TiesBetweenMirroredPilesNameTheFirst) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), symmetricGroup().text()), StatusCode::kCompleted);
  const auto items = readCapFile(test::runFileLines(dir.path(), kCapResults));
  ASSERT_EQ(items.size(), 2u);  // the case and the combination
  for (const auto& [heading, piles] : items) {
    SCOPED_TRACE(heading);
    ASSERT_EQ(piles.size(), 3u);
    // Piles 1 and 2 are equal in every head value and every listed value along the pile.
    for (std::size_t t = 0; t < 4; ++t) EXPECT_EQ(piles[0].head[t], piles[1].head[t]);
    EXPECT_EQ(piles[0].nodes, piles[1].nodes);
    // So no "Pile N." row ever names pile 2.
    const ExtremesRows rows =
        extremesRows(itemSection(test::runFileLines(dir.path(), kSummary), heading));
    ASSERT_EQ(rows.head.size(), 8u);
    for (const auto* group : {&rows.head, &rows.along}) {
      for (const std::vector<int>& row : *group) {
        EXPECT_THAT(row, ::testing::Not(::testing::Contains(2)));
      }
    }
  }
  expectExtremesRowsNameTheFirstPile(dir.path(), false);
}

// The examples: batter, a pinned head, two dimensions, a rigid cap that gives every pile head the
// same rotation (a tie in each rotation column of the global displacements).
class ExampleSummaryExtremes : public ::testing::TestWithParam<const char*> {};

TEST_P(ExampleSummaryExtremes, NameTheFirstPileThatReachesTheExtreme) {
  test::TempDir dir;
  const std::string name = GetParam();
  ASSERT_EQ(test::runInput(dir.path(), test::example(name)), StatusCode::kCompleted);
  expectExtremesRowsNameTheFirstPile(dir.path(), name == "bent2d.dat");
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleSummaryExtremes,
                         ::testing::Values("group3d.dat", "bent2d.dat", "all_sections.dat"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           const std::string n = param.param;
                           return n.substr(0, n.find('.'));
                         });

// ---------------------------------------------------------------------------------------------
// Which quantities are printed.

// The two heading lines of each result quantity along a pile, by number 1..25: in three
// dimensions the pile's own axes in lower case and the global axes in capitals; in two
// dimensions the in-plane quantities carry plain names.
struct Heading {
  std::string first, second;
};
const std::array<Heading, 26> kHeadings3d = {{{},
                                              {"DISPL.", "x-DIR"},
                                              {"DISPL.", "y-DIR"},
                                              {"DISPL.", "z-DIR"},
                                              {"DISPL.", "y-z-DIR"},
                                              {"DISPL.", "X-DIR"},
                                              {"DISPL.", "Y-DIR"},
                                              {"DISPL.", "Z-DIR"},
                                              {"DISPL.", "Y-Z-DIR"},
                                              {"MOMENT", "z-DIR"},
                                              {"MOMENT", "y-DIR"},
                                              {"MOMENT", "y-z-DIR"},
                                              {"SHEAR", "y-DIR"},
                                              {"SHEAR", "z-DIR"},
                                              {"SHEAR", "y-z-DIR"},
                                              {"SOIL REACT", "y-DIR"},
                                              {"SOIL REACT", "z-DIR"},
                                              {"SOIL REACT", "y-z-DIR"},
                                              {"AXIAL F.", "x-DIR"},
                                              {"TOTAL", "STRESS"},
                                              {"FLEX. RIG.", "z-DIR"},
                                              {"FLEX. RIG.", "y-DIR"},
                                              {"DIST. LOAD", "y-DIR"},
                                              {"DIST. LOAD", "z-DIR"},
                                              {"DEM./CAP.", "MOMENT"},
                                              {"DEM./CAP.", "SHEAR"}}};

Heading headingOf(int q, bool planar) {
  if (planar) {
    switch (q) {
      case 9:
        return {"BENDING", "MOMENT"};
      case 12:
        return {"SHEAR", "FORCE"};
      case 15:
        return {"SOIL", "REACTION"};
      case 18:
        return {"AXIAL", "FORCE"};
      case 20:
        return {"FLEXURAL", "RIGIDITY"};
      case 22:
        return {"DISTRIBUT.", "LOAD"};
      default:
        break;
    }
  }
  return kHeadings3d[static_cast<std::size_t>(q)];
}

// The quantity numbers of a table from its two heading lines, split into columns of `width`
// characters that start at `first`, the label within the column `label` characters from its
// start. 0 marks a column whose headings are none of the quantities'.
std::vector<int> quantitiesOf(const std::string& line1, const std::string& line2, std::size_t first,
                              std::size_t width, bool planar) {
  std::vector<int> out;
  for (std::size_t at = first; at < line1.size(); at += width) {
    const Heading h{trim(line1.substr(at, std::min<std::size_t>(11, line1.size() - at))),
                    trim(line2.substr(at, std::min<std::size_t>(11, line2.size() - at)))};
    int found = 0;
    for (int q = 1; q <= 25; ++q) {
      const Heading e = headingOf(q, planar);
      if (e.first == h.first && e.second == h.second) found = q;
    }
    out.push_back(found);
  }
  return out;
}

// The quantities of the first table along a pile in an item's section of the output report.
std::vector<int> reportColumns(const Lines& section, bool planar) {
  const auto at =
      std::find(section.begin(), section.end(), "     * EFFECTS FOR LATERALLY LOADED PILE *   ");
  if (at == section.end() || section.end() - at < 4) return {};
  // Five blanks, DEPTH in 11 columns, then " " and 10 columns per quantity.
  return quantitiesOf(*(at + 2), *(at + 3), 16, 11, planar);
}

// The quantities of the maxima and of the minima table of an item's section of the summary.
std::vector<std::vector<int>> summaryColumns(const Lines& section, bool planar) {
  std::vector<std::vector<int>> tables;
  for (const char* title :
       {"     * MAXIMUM VALUES AND LOCATIONS *", "     * MINIMUM VALUES AND LOCATIONS *"}) {
    const auto at = std::find(section.begin(), section.end(), title);
    if (at == section.end() || section.end() - at < 3) return {};
    // Five blanks, " PILE GROUP ", then " ", 10 columns, two blanks and "AT" in 10 columns.
    tables.push_back(quantitiesOf(*(at + 1), *(at + 2), 17, 23, planar));
  }
  return tables;
}

// The quantities the node listing of an item's first pile lists, on the pile-cap results file.
std::vector<int> listingColumns(const std::filesystem::path& dir, const std::string& heading) {
  const auto items = readCapFile(test::runFileLines(dir, kCapResults));
  const auto it = items.find(heading);
  if (it == items.end() || it->second.empty()) return {};
  return listedQuantities(it->second.front().switches);
}

std::vector<int> range(std::initializer_list<std::pair<int, int>> spans) {
  std::vector<int> out;
  for (const auto& [from, to] : spans) {
    for (int q = from; q <= to; ++q) out.push_back(q);
  }
  return out;
}

// The quantities of one item on each of the three outputs.
struct Printed {
  std::vector<int> report;
  std::vector<std::vector<int>> summary;  // maxima, minima
  std::vector<int> listing;
};

Printed printed(const std::filesystem::path& dir, const std::string& heading, bool planar) {
  return {reportColumns(itemSection(test::runFileLines(dir, kReport), heading), planar),
          summaryColumns(itemSection(test::runFileLines(dir, kSummary), heading), planar),
          listingColumns(dir, heading)};
}

void expectPrinted(const Printed& p, const std::vector<int>& tables,
                   const std::vector<int>& listing) {
  EXPECT_EQ(p.report, tables) << "tables along the piles";
  EXPECT_EQ(p.summary, (std::vector<std::vector<int>>{tables, tables})) << "summary";
  EXPECT_EQ(p.listing, listing) << "node listing";
}

// Without the axial load distribution (the examples) the axial quantities 1, 5..8 and 18 are
// never printed; a combination never prints the demand/capacity ratios 24 and 25.
TEST(PrintedQuantities, ThreeDimensionalCasesAndCombinationsOfTheExample) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), test::example("group3d.dat")), StatusCode::kCompleted);
  const std::vector<int> cases = range({{2, 4}, {9, 17}, {19, 25}});
  const std::vector<int> combinations = range({{2, 4}, {9, 17}, {19, 23}});
  for (const char* heading : {"LOAD CASE :     1", "LOAD CASE :     2"}) {
    SCOPED_TRACE(heading);
    expectPrinted(printed(dir.path(), heading, false), cases, cases);
  }
  SCOPED_TRACE("combination");
  expectPrinted(printed(dir.path(), "LOAD COMB. :     1", false), combinations, combinations);
}

// bent2d with a combination added and, in a second run, the axial load distribution of its case
// switched on. Its case asks for all 25 quantities.
std::string bentWithCombination(bool axialDistribution) {
  std::string text = replaceFirst(test::example("bent2d.dat"), "LOAD COMBINATIONS\n0 0 0 0 0\n",
                                  "LOAD COMBINATIONS\n1 0 0 0 0\n"
                                  "0 0 0 1 1 100 100\n1.0E-4 1.0E-6 0.2 0.01\nTwice the service\n"
                                  "0.9 0.75 0\n2 10 0 0.0 0.0 0 0\n0\n25*1\n1\n1 2.0\n");
  if (axialDistribution) {
    text = replaceFirst(text, "2 10 1.0 0 0.0 0.0 0 0", "2 10 1.0 0 0.0 0.0 1 0");
  }
  return text;
}

// A planar run never prints the out-of-plane quantities 3, 4, 7, 8, 10, 11, 13, 14, 16, 17, 21
// and 23, whatever its switches ask for.
TEST(PrintedQuantities, PlanarRunsPrintOnlyInPlaneQuantities) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), bentWithCombination(false)), StatusCode::kCompleted);
  const std::vector<int> inPlane = {2, 9, 12, 15, 19, 20, 22, 24, 25};
  expectPrinted(printed(dir.path(), "LOAD CASE :     1", true), inPlane, inPlane);
  const std::vector<int> combination = {2, 9, 12, 15, 19, 20, 22};
  expectPrinted(printed(dir.path(), "LOAD COMB. :     1", true), combination, combination);

  // With the axial load distribution the in-plane axial quantities join: the axial
  // displacement and force, and the global X and Y displacements (not Z and Y-Z).
  ASSERT_EQ(test::runInput(dir.path(), bentWithCombination(true)), StatusCode::kCompleted);
  const std::vector<int> axial = {1, 2, 5, 6, 9, 12, 15, 18, 19, 20, 22, 24, 25};
  expectPrinted(printed(dir.path(), "LOAD CASE :     1", true), axial, axial);
  // A combination has no axial load distribution of its own.
  expectPrinted(printed(dir.path(), "LOAD COMB. :     1", true), combination, combination);
}

// The deck's single pile, on its generated load-settlement curve, with the axial load
// distribution of its case switched on.
Deck axialDistributionDeck() {
  Deck d;
  d.loadCases = replaceFirst(d.loadCases, "2 5 1.0 0 0.0 0.0 0 0", "2 5 1.0 0 0.0 0.0 1 0");
  // A vertical load well within the pile's capacity.
  d.loadCases = replaceFirst(d.loadCases, "1.0E5 5.0E3 0.0", "2.0E4 5.0E3 0.0");
  return d;
}

TEST(PrintedQuantities, AxialQuantitiesNeedTheDistributionAndAGeneratedCurve) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), axialDistributionDeck().text()), StatusCode::kCompleted);
  expectPrinted(printed(dir.path(), "LOAD CASE :     1", false), range({{1, 25}}),
                range({{1, 25}}));
  const std::vector<int> combination = range({{2, 4}, {9, 17}, {19, 23}});
  expectPrinted(printed(dir.path(), "LOAD COMB. :     1", false), combination, combination);

  // The same pile on a user load-settlement curve: no axial distribution to print.
  Deck user = axialDistributionDeck();
  user.switches[6] = 1;
  user.piles = replaceFirst(user.piles, "2 2 1 0 0 0 0 0", "2 2 1 0 1 0 0 0");
  ASSERT_EQ(test::runInput(dir.path(), user.text()), StatusCode::kCompleted);
  const std::vector<int> noAxial = range({{2, 4}, {9, 17}, {19, 25}});
  expectPrinted(printed(dir.path(), "LOAD CASE :     1", false), noAxial, noAxial);
}

// The item's own switches choose what its tables and summary print; the node listing always
// lists every quantity the reductions leave.
TEST(PrintedQuantities, TheItemsSwitchesChooseTheTablesButNotTheListing) {
  Deck d = axialDistributionDeck();
  d.loadCases =
      replaceFirst(d.loadCases, "25*1", "0 1 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 1 0 0 0 0 0 1 0");
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), d.text()), StatusCode::kCompleted);
  expectPrinted(printed(dir.path(), "LOAD CASE :     1", false), {2, 9, 18, 24}, range({{1, 25}}));
}

}  // namespace
}  // namespace stilt
