// The pieces of report.html: scales, ticks, warning groups, the plate figure and the choice of
// the critical piles, each checked against values worked by hand.

#include "app/html_report.hpp"

#include <gtest/gtest.h>

#include <string_view>

namespace stilt::app {
namespace {

std::string text(const fmt::memory_buffer& b) {
  return std::string(b.data(), b.size());
}

// The value of attribute `name` in every tag of `page` that starts with `tag`.
std::vector<std::string> attributes(const std::string& page, std::string_view tag,
                                    const std::string& name) {
  std::vector<std::string> values;
  for (std::size_t at = page.find(tag); at != std::string::npos; at = page.find(tag, at + 1)) {
    const std::size_t end = page.find('>', at);
    const std::size_t a = page.find(" " + name + "=\"", at);
    if (a == std::string::npos || a > end) continue;
    const std::size_t from = a + name.size() + 3;
    values.push_back(page.substr(from, page.find('"', from) - from));
  }
  return values;
}

TEST(HtmlReportPieces, ScalesTicksAndEscapes) {
  EXPECT_EQ(escapeHtml("a<b & \"c\"'"), "a&lt;b &amp; &quot;c&quot;&#39;");
  EXPECT_EQ(divergingColour(1.0), "#ff0000");
  EXPECT_EQ(divergingColour(-1.0), "#0000ff");
  EXPECT_EQ(divergingColour(0.0), "#ffffff");
  EXPECT_EQ(divergingColour(0.5), "#ff8080");  // 255 * 0.5 = 127.5, rounded to 128 = 0x80
  EXPECT_EQ(divergingColour(7.0), "#ff0000");  // clipped
  // Range 0..1 in about 5 steps: 0.2 apart. Range -3.7..12 in about 4: 15.7 / 4 = 3.9 -> 5.
  const std::vector<double> a = axisTicks(0.0, 1.0, 5);
  ASSERT_EQ(a.size(), 6u);
  EXPECT_DOUBLE_EQ(a[1], 0.2);
  EXPECT_DOUBLE_EQ(a.back(), 1.0);
  EXPECT_EQ(axisTicks(-3.7, 12.0, 4), (std::vector<double>{-5.0, 0.0, 5.0, 10.0, 15.0}));
}

TEST(HtmlReportPieces, WarningsDifferingOnlyInNumbersFormOneGroup) {
  const std::vector<std::string> lines = {
      "  READING CONTROL PARAMETERS",
      "     ** WARNING **  LATERAL ANALYSIS DID NOT CONVERGE  PILE GROUP    3",
      "     ** WARNING **  LATERAL ANALYSIS DID NOT CONVERGE  PILE GROUP   12",
      "     **** WARNING ****",
      "     SOME PILES, MAY FAIL IN BEARING!",
      "",
      "     ** WARNING **  PLASTIC HINGE IS FORMED IN GROUP    4"};
  const std::vector<WarningGroup> g = groupWarnings(lines);
  ASSERT_EQ(g.size(), 3u);
  EXPECT_EQ(g[0].count, 2);
  EXPECT_EQ(g[0].text, "** WARNING **  LATERAL ANALYSIS DID NOT CONVERGE  PILE GROUP    3");
  EXPECT_EQ(g[1].text, "**** WARNING ****\nSOME PILES, MAY FAIL IN BEARING!");
  EXPECT_EQ(g[2].count, 1);
}

TEST(HtmlReportPieces, PlateElementsAreColouredByTheMeanOfTheirNodes) {
  // Two 8-node elements side by side on a 2 x 1 plate; UX = y at every node, so the left
  // element's mean is 0.5 and the right one's 1.5 (the largest, full red); MY = -1 everywhere.
  PlateRecord plate;
  int number = 0;
  for (double z : {0.0, 0.5, 1.0}) {
    for (double y : {0.0, 0.5, 1.0, 1.5, 2.0}) {
      PlateNodeRecord n;
      n.number = ++number;
      n.y = y;
      n.z = z;
      n.displacement[0] = y;
      n.resultants[3] = -1.0;
      plate.nodes.push_back(n);
    }
  }
  // Node numbers row by row (5 a row): corners, then mid-sides.
  plate.elements.push_back({1, {1, 3, 13, 11, 2, 8, 12, 6}});
  plate.elements.push_back({2, {3, 5, 15, 13, 4, 10, 14, 8}});
  fmt::memory_buffer out;
  appendPlateFigure(out, plate, PlateField::kDeflection, "IN");
  const std::string svg = text(out);
  const std::vector<std::string> values = attributes(svg, "<polygon", "data-value");
  const std::vector<std::string> fills = attributes(svg, "<polygon", "fill");
  ASSERT_EQ(values.size(), 2u);
  EXPECT_DOUBLE_EQ(std::stod(values[0]), 0.5);
  EXPECT_DOUBLE_EQ(std::stod(values[1]), 1.5);
  EXPECT_EQ(fills[0], divergingColour(0.5 / 1.5));
  EXPECT_EQ(fills[1], "#ff0000");
  fmt::memory_buffer moments;
  appendPlateFigure(moments, plate, PlateField::kMomentY, "LBS-IN/IN");
  EXPECT_NE(text(moments).find("fill=\"#0000ff\""), std::string::npos);  // -1 of 1: full blue
}

TEST(HtmlReportPieces, CriticalPilesAreThoseOfTheLargestValuesAndCarryTheirProfiles) {
  HtmlReport report;
  RunBeginRecord run;
  run.unitsCode = 1;
  run.analysisType = 3;
  for (int i = 1; i <= 3; ++i) run.piles.push_back({i, 0.0, 10.0 * i, 0.0, 1, 1, {1.0, 0.0, 0.0}});
  run.items.push_back({ItemKind::kCase, 1, "wind"});
  report.runBegin(run);
  report.itemBegin(run.items[0]);
  // Head reactions on the cap (local x): -300 (compression 300), +50 (tension 50), -100. The
  // moment along pile 3 peaks at 900, the deflection of pile 2 at 0.8.
  const std::array<double, 3> axial = {-300.0, 50.0, -100.0};
  std::array<PileResults, 3> along{};
  for (std::size_t i = 0; i < 3; ++i) {
    PileResults& r = along[i];
    r.resize(2);
    r.increment = 5.0;
    for (int n = 0; n <= 2; ++n) {
      r.values[quantity::kMomentYZ][static_cast<std::size_t>(n)] = i == 2 ? 300.0 * n : 10.0;
      r.values[quantity::kMomentZ][static_cast<std::size_t>(n)] = i == 2 ? 300.0 * n : 10.0;
      r.values[quantity::kDeflectionYZ][static_cast<std::size_t>(n)] = i == 1 ? 0.4 * n : 0.1;
    }
    PileRecord p;
    p.number = static_cast<int>(i) + 1;
    p.headForceLocal[0] = axial[i];
    p.headDepth = 2.0;
    p.along = &r;
    report.pile(p);
  }
  ItemEndRecord end;
  end.header = run.items[0];
  end.analysed = true;
  end.resultCode = 1;
  end.hasResults = true;
  report.itemEnd(end);
  fmt::memory_buffer out;
  report.render(out, {});
  const std::string page = text(out);
  const std::string tag = "<figure class=\"critical\"";
  const std::vector<std::string> piles = attributes(page, tag, "data-pile");
  const std::vector<std::string> roles = attributes(page, tag, "data-roles");
  std::vector<std::string> seen;
  for (std::size_t i = 0; i < piles.size(); ++i) seen.push_back(piles[i] + ":" + roles[i]);
  EXPECT_EQ(seen, (std::vector<std::string>{"1:compression", "2:tension deflection", "3:moment"}));
  // The head 2.0 below the ground, the nodes 5.0 apart.
  for (const std::string& depths : attributes(page, tag, "data-depth-below-ground")) {
    EXPECT_EQ(depths, "2.0,7.0,12.0");
  }
  EXPECT_NE(page.find("data-quantity=\"moment_z\" data-values=\"0.0,300.0,600.0\""),
            std::string::npos);
  // The plan: one marker per pile, coloured by the head compression of the first item.
  EXPECT_NE(page.find("data-pile=\"1\" data-y=\"10.0\" data-z=\"0.0\" data-value=\"300.0\""),
            std::string::npos);
}

}  // namespace
}  // namespace stilt::app
