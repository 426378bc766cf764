// The input data files of large groups that the benchmarks and make_group write: they read as
// the grid they describe, and the engine runs them to completion.

#include "bench/group_deck.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "model/input_reader.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using bench::groupDeck;
using bench::GroupDeckOptions;

AnalysisModel read(const GroupDeckOptions& o) {
  AnalysisModel m;
  const ReadResult r = readInputDataFile(groupDeck(o), m, ReaderCallbacks{});
  EXPECT_TRUE(isOk(r.status)) << (r.message.empty() ? "" : r.message.back());
  return m;
}

TEST(GroupDeck, ReadsAsTheGridItDescribes) {
  GroupDeckOptions o;
  o.rows = 3;
  o.cols = 4;
  o.spacing = 3.0;
  const AnalysisModel m = read(o);
  EXPECT_TRUE(m.is3d());
  ASSERT_EQ(m.pileRows.size(), 12u);
  // Centred on the cap origin, 3 diameters (48 in) apart: Y from -72 to 72, Z from -48 to 48.
  EXPECT_DOUBLE_EQ(m.pileRows.front().y, -72.0);
  EXPECT_DOUBLE_EQ(m.pileRows.front().z, -48.0);
  EXPECT_DOUBLE_EQ(m.pileRows.back().y, 72.0);
  EXPECT_DOUBLE_EQ(m.pileRows.back().z, 48.0);
  EXPECT_DOUBLE_EQ(m.pileRows[1].y - m.pileRows[0].y, 48.0);
  for (const PileGroupRow& r : m.pileRows) EXPECT_DOUBLE_EQ(r.beta, 90.0);  // plumb
  // Every pile carries 1E5 lb of the dead load and 5E3 lb of the wind.
  ASSERT_EQ(m.loadCases.size(), 2u);
  ASSERT_EQ(m.loadCases[0].concentratedLoads.size(), 1u);
  EXPECT_DOUBLE_EQ(m.loadCases[0].concentratedLoads[0].px, 12 * 1.0e5);
  EXPECT_DOUBLE_EQ(m.loadCases[0].concentratedLoads[0].py, 12 * 5.0e3);
  EXPECT_FALSE(m.loadCases[1].isStatic());
  ASSERT_EQ(m.combinations.size(), 1u);
  ASSERT_EQ(m.combinations[0].terms.size(), 2u);
  EXPECT_EQ(m.combinations[0].terms[1].loadCase, 2);
  EXPECT_DOUBLE_EQ(m.combinations[0].terms[1].factor, 1.6);
  ASSERT_EQ(m.soilLayers.size(), 2u);
  EXPECT_GE(m.soilLayers.back().bottom, bench::kGroupPileLength);
}

TEST(GroupDeck, EdgePilesLeanOutwardAndInteriorPilesStandPlumb) {
  GroupDeckOptions o;
  o.rows = 3;
  o.cols = 3;
  o.batter = 10.0;
  const AnalysisModel m = read(o);
  ASSERT_EQ(m.pileRows.size(), 9u);
  // Row-major from (-Y, -Z): the azimuth points away from the centre (0 toward +Y, 90 toward +Z).
  const double alpha[9] = {225, 270, 315, 180, 0, 0, 135, 90, 45};
  for (std::size_t i = 0; i < 9; ++i) {
    const PileGroupRow& r = m.pileRows[i];
    if (i == 4) {
      EXPECT_DOUBLE_EQ(r.beta, 90.0);
      continue;
    }
    EXPECT_DOUBLE_EQ(r.beta, 80.0) << i;
    EXPECT_NEAR(r.alpha, alpha[i], 1e-4) << i;  // written with four decimals
    // The azimuth is that of the pile's own position seen from the centre.
    EXPECT_NEAR(std::atan2(r.z, r.y) * 180.0 / 3.14159265358979323846,
                alpha[i] > 180.0 ? alpha[i] - 360.0 : alpha[i], 1e-4)
        << i;
  }
}

TEST(GroupDeck, TheEngineRunsABatteredGroupToCompletion) {
  GroupDeckOptions o;
  o.rows = 2;
  o.cols = 3;
  o.batter = 8.0;
  o.increments = 40;
  o.printOption = 2;
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), groupDeck(o)), StatusCode::kCompleted);
  int completed = 0;
  for (const std::string& l : test::runFileLines(dir.path(), 10)) {
    if (l == "    1 ANALYSIS COMPLETED") ++completed;
  }
  EXPECT_EQ(completed, 3);  // two load cases and the combination
}

}  // namespace
}  // namespace stilt
