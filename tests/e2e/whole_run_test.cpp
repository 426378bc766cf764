// Whole runs through the engine, with the clock pinned: the bundled examples and small decks.
// What a host reads is checked line for line: the order of the tables in the output report, the
// headings of every load case and combination on the report, the summary and the runtime file,
// the result-status lines of the convergence-status file, the runtime trace and the last record
// of the progress file.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using Lines = std::vector<std::string>;
using ::testing::HasSubstr;

constexpr int kReport = 6;
constexpr int kSummary = 7;
constexpr int kRuntime = 9;
constexpr int kConvergence = 10;
constexpr int kProgress = 12;

const std::string kIndent = "     ";

// An integer right-aligned in `width` columns.
std::string right(int value, std::size_t width) {
  const std::string s = std::to_string(value);
  return std::string(s.size() < width ? width - s.size() : 0, ' ') + s;
}

// A text padded with blanks to `width` characters, as names and titles are printed.
std::string padded(const std::string& text, std::size_t width) {
  return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

// The framed heading of the results: 17 blanks, five asterisks, five blanks, the text, five
// blanks, five asterisks.
std::string framed(const std::string& text) {
  return std::string(17, ' ') + "*****     " + text + "     *****";
}

// Each of `expected` is a whole line of `lines`, each after the one before. Returns the index of
// every match; a failure names the first line not found.
std::vector<std::size_t> expectInOrder(const Lines& lines, const Lines& expected) {
  std::vector<std::size_t> at;
  std::size_t from = 0;
  for (const std::string& e : expected) {
    const auto it = std::find(lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end(), e);
    if (it == lines.end()) {
      ADD_FAILURE() << "not found after line " << from + 1 << ": \"" << e << "\"";
      return at;
    }
    at.push_back(static_cast<std::size_t>(it - lines.begin()));
    from = at.back() + 1;
  }
  return at;
}

// How many times `block` appears in `lines` as consecutive lines.
int countBlock(const Lines& lines, const Lines& block) {
  int count = 0;
  auto from = lines.begin();
  while (true) {
    from = std::search(from, lines.end(), block.begin(), block.end());
    if (from == lines.end()) return count;
    ++count;
    ++from;
  }
}

bool hasLineStartingWith(const Lines& lines, const std::string& prefix) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.starts_with(prefix); });
}

// A load case or combination of a run, as its headings show it.
struct Item {
  bool combination = false;
  int number = 1;
  std::string name;
  int loadType = 0;  // cases only
  bool analysed = true;
};

// The load-type table of the input format; any other code is "Special, Sp".
constexpr const char* kLoadTypeNames[] = {
    "Dead, DL", "Live, LL",   "Seismic, EQ",   "Impact, IM", "Wind, WN", "Water, WT",
    "Ice, IC",  "Soils, Hsl", "Roof Live, Lr", "Rain, Rn",   "Snow, Sn", "Temperature, Tm"};

std::string loadTypeName(int code) {
  return code >= 0 && code <= 11 ? kLoadTypeNames[code] : "Special, Sp";
}

// The heading of an item on the output report, the output summary and the runtime file: three
// empty lines, the number in 5 columns, the name in 80 and (cases) the load type in 32.
Lines headingBlock(const Item& item) {
  const std::string number = right(item.number, 5);
  if (item.combination) {
    return {"", "", "", kIndent + "LOAD COMB. : " + number,
            kIndent + "COMB. NAME : " + padded(item.name, 80)};
  }
  return {"",
          "",
          "",
          kIndent + "LOAD CASE : " + number,
          kIndent + "CASE NAME : " + padded(item.name, 80),
          kIndent + "LOAD TYPE : " + padded(loadTypeName(item.loadType), 32)};
}

// The whole convergence-status file of a run whose items all completed or were not analysed.
Lines convergenceFile(const std::string& title, const std::vector<Item>& items) {
  Lines out = {"COMPUTATION RESULTS", padded(title, 80)};
  bool casesOpened = false;
  bool combinationsOpened = false;
  for (const Item& item : items) {
    if (!item.combination && !casesOpened) out.push_back("LOAD CASES RESULTS ");
    if (item.combination && !combinationsOpened) out.push_back("LOAD COMBINATIONS RESULTS ");
    (item.combination ? combinationsOpened : casesOpened) = true;
    out.push_back((item.combination ? "LOAD COMB. : " : "LOAD CASE : ") + right(item.number, 5));
    if (item.analysed) {
      out.push_back("      ANALYSIS DUE TO TOTAL LOAD");
      out.push_back("    1 ANALYSIS COMPLETED");
    } else {
      out.push_back("       ANALYSIS TO NOT RUN   ");
      out.push_back("     9 ANALYSIS NOT PERFORMED");
    }
  }
  return out;
}

// The line each item leaves in the runtime file when it is done: "LOAD CASE" i "/" NC.
std::string finishedLine(const Item& item, int count) {
  return kIndent + "ANALYSIS FOR " + (item.combination ? "LOAD COMB. " : "LOAD CASE ") +
         right(item.number, 3) + "/" + right(count, 3) + " FINISHED";
}

// The report of a run: head lines, input tables in order, results of every item in order.
Lines expectedReportOrder(const std::string& title, const Lines& inputTables,
                          const std::vector<Item>& items) {
  Lines order = {kIndent + std::string(72, '*'),
                 kIndent + "Name of input data file     : input.dat",
                 kIndent + "Name of output file         : run.out",
                 std::string(26, ' ') + "Time and Date of Analysis",
                 std::string(15, ' ') + "Date:  December 08, 2026     Time:  09:05:03",
                 framed("INPUT INFORMATION"),
                 kIndent + padded(title, 80)};
  for (const std::string& t : inputTables) order.push_back(kIndent + t);
  order.push_back(framed("COMPUTATION RESULTS"));
  bool casesOpened = false;
  bool combinationsOpened = false;
  for (const Item& item : items) {
    if (!item.combination && !casesOpened) order.push_back(framed("LOAD CASES RESULTS "));
    if (item.combination && !combinationsOpened) {
      order.push_back(framed("LOAD COMBINATIONS RESULTS "));
    }
    (item.combination ? combinationsOpened : casesOpened) = true;
    const Lines heading = headingBlock(item);
    order.push_back(heading[3]);
    if (item.analysed) {
      order.push_back(kIndent + "* TABLE L *   COMPUTATION ON PILE CAP");
      order.push_back(kIndent + "* TABLE M *   COMPUTATION ON INDIVIDUAL PILE");
    }
  }
  return order;
}

// The bundled examples, with what their input says about them.
struct Example {
  const char* file;
  std::string title;
  Lines inputTables;  // lettered headings expected in the report, in order
  Lines absentTables;
  std::vector<Item> items;
};

void PrintTo(const Example& e, std::ostream* os) {
  *os << e.file;
}

const Lines kAllInputTables = {
    "* TABLE B *",  "* TABLE G *", "* TABLE J *", "* TABLE J1 *",
    "* TABLE J2 *", "* TABLE K *", "* TABLE I *", "* DATA TO PRINT GENERATED P-Y CURVES *"};

std::vector<Example> examples() {
  const std::string b = "* TABLE B *  PILE CAP OPTIONS";
  const std::string c = "* TABLE C *  LOAD AND CONTROL PARAMETERS";
  const std::string d = "* TABLE D *   ARRANGEMENT OF PILE GROUPS";
  const std::string e = "* TABLE E *   PILE GEOMETRY AND PROPERTIES";
  const std::string f = "* TABLE F *   SOIL DATA";
  const std::string h = "* TABLE H *   AXIAL LOAD VS DISPLACEMENT";
  const std::string i = "* TABLE I *   TORS. MOM. VS ANGLE ROT.";
  return {
      // Three dimensions, cap dimensions given (table B), no optional section: tables H and I
      // hold the generated curves.
      {"group3d.dat",
       "Six-pile 3-D cap: batter in both angles, clay over sand, two cases, one combo",
       {b, c, d, e, f, h, i},
       {"* TABLE G *", "* TABLE J *", "* TABLE J1 *", "* TABLE J2 *", "* TABLE K *",
        "* DATA TO PRINT GENERATED P-Y CURVES *"},
       {{false, 1, "Dead load with wind from +Y", 0, true},
        {false, 2, "Cyclic wave load from +Z with overturning and torsion", 0, true},
        {true, 1, "Factored: 1.2 dead and wind + 1.6 wave", 0, true}}},
      // Two dimensions: no torque-rotation curves, so no table I.
      {"bent2d.dat",
       "2-D bent: three rows of bored piles in metric units, stiff clay over API sand",
       {b, c, d, e, f, h},
       {"* TABLE G *", "* TABLE I *", "* TABLE J *", "* TABLE J1 *", "* TABLE J2 *", "* TABLE K *",
        "* DATA TO PRINT GENERATED P-Y CURVES *"},
       {{false, 1, "Service: vertical load, braking force and moment", 0, true}}},
      // Every optional table, in the order of the report.
      {"all_sections.dat",
       "Every optional section J to Q, record B1a and A3, on a four-pile embedded cap",
       {b, c, d, e, f, "* DATA TO PRINT GENERATED P-Y CURVES *", "* TABLE G *   INPUT P-Y CURVES",
        h, i, "* TABLE J *   MOMENT CURVATURE SETS", "* TABLE J1 *  REDUCTION FACTORS ALONG DEPTH",
        "* TABLE J2 *  SOIL MOVEMENT DATA", "* TABLE K *   REDUCTION FACTORS"},
       {},
       {{false, 1, "Axial and lateral load with a distributed load on two piles", 0, true}}},
  };
}

class ExampleWholeRun : public ::testing::TestWithParam<Example> {};

TEST_P(ExampleWholeRun, ReportsEveryTableAndItemInOrderOnEveryFile) {
  const Example& ex = GetParam();
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), test::example(ex.file)), StatusCode::kCompleted);
  const Lines report = test::runFileLines(dir.path(), kReport);
  const Lines summary = test::runFileLines(dir.path(), kSummary);
  const Lines runtime = test::runFileLines(dir.path(), kRuntime);

  // Output report: the banner opens it, then the file names, the time block, the input tables
  // and the results of every item.
  ASSERT_GE(report.size(), 2u);
  EXPECT_EQ(report[0], "");
  EXPECT_EQ(report[1], kIndent + std::string(72, '*'));
  expectInOrder(report, expectedReportOrder(ex.title, ex.inputTables, ex.items));
  for (const std::string& absent : ex.absentTables) {
    EXPECT_FALSE(hasLineStartingWith(report, kIndent + absent)) << absent;
  }
  // Result tables come after the input report only.
  const auto results = std::find(report.begin(), report.end(), framed("COMPUTATION RESULTS"));
  for (const std::string& t : kAllInputTables) {
    EXPECT_FALSE(hasLineStartingWith(Lines(results, report.end()), kIndent + t)) << t;
  }

  // Every item heading, whole, on the report, the summary and the runtime file.
  for (const Item& item : ex.items) {
    const Lines block = headingBlock(item);
    EXPECT_EQ(countBlock(report, block), 1) << block[3];
    EXPECT_EQ(countBlock(summary, block), 1) << block[3];
    EXPECT_EQ(countBlock(runtime, block), 1) << block[3];
  }

  // The output summary: the same results heading, then each item with its two tables.
  Lines summaryOrder = {framed("COMPUTATION RESULTS"), kIndent + padded(ex.title, 80)};
  for (const Item& item : ex.items) {
    summaryOrder.push_back(headingBlock(item)[3]);
    summaryOrder.push_back(kIndent + "* TABLE L *   COMPUTATION ON PILE CAP");
    summaryOrder.push_back("       THE GLOBAL STRUCTURAL COORDINATE SYSTEM");
  }
  summaryOrder.push_back(framed("SUMMARY FOR LOAD CASES AND COMBINATIONS "));
  expectInOrder(summary, summaryOrder);

  // Convergence-status file, whole.
  Lines convergence = convergenceFile(ex.title, ex.items);
  if (std::string(ex.file) == "all_sections.dat") {
    // Its load cases ask for their envelope: the minimum, then the maximum, after the cases.
    for (const char* bound : {"1", "2"}) {
      convergence.push_back(std::string("LOAD CASE ENV :     ") + bound);
      convergence.push_back(bound[0] == '1' ? "      MINIMUM ENVELOPE" : "      MAXIMUM ENVELOPE");
      convergence.push_back("    1 CALCULATED AND PRINTED");
    }
  }
  EXPECT_EQ(test::runFileLines(dir.path(), kConvergence), convergence);

  // Runtime file: the computation starts after three empty lines, each item runs on its total
  // load and says when it has finished, and the status lines close the file.
  EXPECT_EQ(countBlock(runtime, {"", "", "", kIndent + "COMPUTATION IS PROCEEDING......"}), 1);
  EXPECT_EQ(countBlock(runtime, {"", kIndent + "ANALYSIS DUE TO TOTAL LOAD"}),
            static_cast<int>(ex.items.size()));
  Lines finished;
  for (const Item& item : ex.items) {
    const auto count = std::count_if(ex.items.begin(), ex.items.end(), [&](const Item& other) {
      return other.combination == item.combination;
    });
    finished.push_back(finishedLine(item, static_cast<int>(count)));
  }
  expectInOrder(runtime, finished);
  ASSERT_GE(runtime.size(), 2u);
  EXPECT_EQ(Lines(runtime.end() - 2, runtime.end()),
            (Lines{"    ", kIndent + "ANALYSIS COMPLETED"}));

  // Progress file: only the record of the last item's end.
  const Item& last = ex.items.back();
  const auto lastCount = std::count_if(ex.items.begin(), ex.items.end(), [&](const Item& other) {
    return other.combination == last.combination;
  });
  EXPECT_EQ(
      test::runFile(dir.path(), kProgress),
      "- " + finishedLine(last, static_cast<int>(lastCount)).substr(kIndent.size()) + "\n\n\n");
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleWholeRun, ::testing::ValuesIn(examples()),
                         [](const ::testing::TestParamInfo<Example>& param) {
                           const std::string name = param.param.file;
                           return name.substr(0, name.find('.'));
                         });

// A flagged case between two analysed ones: its heading and note on every file, its two status
// lines, and nothing else — no total-load analysis, no "FINISHED" line, no results.
TEST(WholeRun, FlaggedCaseBetweenTwoAnalysedCasesLeavesOnlyItsNote) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), test::flaggedMiddleCaseDeck().text()),
            StatusCode::kCompleted);
  const std::vector<Item> items = {{false, 1, "Axial and lateral load", 4, true},
                                   {false, 2, "Not run", 0, false},
                                   {false, 3, "Special type", 17, true},
                                   {true, 1, "Factored case 1", 0, true}};
  const Lines report = test::runFileLines(dir.path(), kReport);
  const Lines summary = test::runFileLines(dir.path(), kSummary);
  const Lines runtime = test::runFileLines(dir.path(), kRuntime);
  const std::string title = "Minimal pile group for tests";

  expectInOrder(report, expectedReportOrder(title, {}, items));
  Lines flagged = headingBlock(items[1]);
  flagged.push_back(kIndent + "NOTE: LOAD CASE WILL NOT BE ANALYZED");
  flagged.push_back("");  // the next item's heading follows at once
  for (const Lines* file : {&report, &summary, &runtime}) {
    for (const Item& item : items) EXPECT_EQ(countBlock(*file, headingBlock(item)), 1);
    EXPECT_EQ(countBlock(*file, flagged), 1);
  }
  // Load type 4 is wind; 17 is none of the table's and prints as special.
  EXPECT_EQ(headingBlock(items[0])[5], "     LOAD TYPE : Wind, WN" + std::string(24, ' '));
  EXPECT_EQ(headingBlock(items[2])[5], "     LOAD TYPE : Special, Sp" + std::string(21, ' '));
  // The combination heading has no load type.
  const Lines combination = headingBlock(items[3]);
  const auto comb =
      std::search(report.begin(), report.end(), combination.begin(), combination.end());
  ASSERT_NE(comb, report.end());
  EXPECT_FALSE((comb + 5)->starts_with(kIndent + "LOAD TYPE"));

  EXPECT_EQ(test::runFileLines(dir.path(), kConvergence), convergenceFile(title, items));
  EXPECT_EQ(countBlock(runtime, {"", kIndent + "ANALYSIS DUE TO TOTAL LOAD"}), 3);
  expectInOrder(runtime,
                {finishedLine(items[0], 3), finishedLine(items[2], 3), finishedLine(items[3], 1)});
  EXPECT_THAT(test::runFile(dir.path(), kRuntime), ::testing::Not(HasSubstr("CASE   2/  3")));
  // Results for cases 1 and 3 and the combination only: three cap tables.
  EXPECT_EQ(
      std::count(report.begin(), report.end(), kIndent + "* TABLE L *   COMPUTATION ON PILE CAP"),
      3);
  EXPECT_EQ(test::runFile(dir.path(), kProgress),
            "- ANALYSIS FOR LOAD COMB.   1/  1 FINISHED\n\n\n");
}

std::vector<std::string> wordsOf(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}

// The headings of the curve tables H and I keep their labels apart, the longest one too
// ("TORS.MOMEN,LBS-IN" in English units), and every row holds a point number and two values.
TEST(WholeRun, CurveTableHeadingsKeepTheirLabelsApart) {
  // The input report alone: no load case, no combination.
  test::Deck d;
  d.loadCases = "0 0 0 0 0\n";
  d.combinations = "0 0 0 0 0\n";
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), d.text()), StatusCode::kCompleted);
  const Lines report = test::runFileLines(dir.path(), kReport);
  const std::vector<std::vector<std::string>> headings = {
      {"POINT", "DISPLACEMENT,IN", "AXIAL", "LOAD,LBS"},
      {"POINT", "ROT.", "ANGLE,RAD", "TORS.MOMEN,LBS-IN"}};
  for (const auto& heading : headings) {
    const auto at = std::find_if(report.begin(), report.end(),
                                 [&](const std::string& l) { return wordsOf(l) == heading; });
    ASSERT_NE(at, report.end()) << heading.back();
    // 19 points follow, each a number and two values.
    ASSERT_GE(report.end() - at, 20);
    for (auto row = at + 1; row != at + 20; ++row) EXPECT_EQ(wordsOf(*row).size(), 3u) << *row;
  }
}

// Two converged steps and a failed third: the results at half the load, with the warning on the
// report and the summary and the partial status line.
TEST(WholeRun, PartialSolutionReportsTheLastConvergedLoadLevel) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), test::partialSolutionDeck().text()), StatusCode::kCompleted);
  const Lines warning = {
      kIndent + "** WARNING **  GROUP COULD NOT GET SOLUTION FOR 100% OF THE LOAD",
      kIndent + "RESULTS ARE FOR   50.00% OF THE TOTAL LOAD"};
  for (int file : {kReport, kSummary}) {
    EXPECT_EQ(countBlock(test::runFileLines(dir.path(), file), warning), 1) << file;
  }
  // The cap did not converge in the third step within its single iteration.
  EXPECT_EQ(countBlock(test::runFileLines(dir.path(), kReport),
                       {kIndent + "** WARNING **",
                        kIndent + "PILE CAP DISPL DOES NOT CONVERGE AFTER,    1 ITERATIONS"}),
            1);
  const Lines cnv = test::runFileLines(dir.path(), kConvergence);
  ASSERT_FALSE(cnv.empty());
  EXPECT_EQ(cnv.back(), "    2 SOLUTION AT   50.00% OF THE TOTAL LOAD");
  // The equivalent load reported is half of the total: 0.5 x 1.6E5.
  EXPECT_THAT(test::runFile(dir.path(), kReport),
              HasSubstr("     VERT. LOAD,      8.0000E+04 LBS    HOR. LOAD Y,         0.0000 LBS"));
}

}  // namespace
}  // namespace stilt
