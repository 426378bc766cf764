// The results.json writer streams: once its buffer has grown to its working size, writing more
// piles takes no memory from the heap, so what it holds does not grow with the pile count.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/results_json.hpp"
#include "support/allocation_counter.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

// Piles of 100 increments with every quantity computed: about 70 kB of text each.
PileRecord pileOf(int number, const PileResults& along) {
  PileRecord p;
  p.number = number;
  p.headDisplacementGlobal = {1.0e-3 * number, 0.5, -0.25, 1.0e-5, 2.0e-5, 3.0e-5};
  p.headForceGlobal = {-1.0e5 / 3.0, 7.0, 1.0 / 7.0, 0.1, 0.2, 0.3};
  p.along = &along;
  p.headDepth = 12.0;
  p.computed.fill(true);
  p.printed.fill(true);
  return p;
}

// Allocations while `piles` further piles are written after `warmUp` piles.
long allocationsFor(const std::filesystem::path& dir, int warmUp, int piles) {
  PileResults along;
  along.resize(100);
  along.increment = 6.0;
  for (int q = 1; q <= kResultQuantities; ++q) {
    for (int m = 0; m <= along.increments; ++m) {
      along.values[static_cast<std::size_t>(q)][static_cast<std::size_t>(m)] =
          (q + 0.1) * (m - 50.5) / 3.0;
    }
  }
  app::ResultsJsonWriter writer(dir, app::ResultsContent::kFull);
  RunBeginRecord run;
  run.analysisType = 3;
  run.unitsCode = 1;
  run.inputRead = true;
  run.items.push_back({ItemKind::kCase, 1, "Dead load"});
  writer.runBegin(run);
  writer.itemBegin(run.items[0]);
  for (int p = 1; p <= warmUp; ++p) writer.pile(pileOf(p, along));
  const long before = test::heapAllocations();
  for (int p = warmUp + 1; p <= warmUp + piles; ++p) writer.pile(pileOf(p, along));
  const long during = test::heapAllocations() - before;
  ItemEndRecord end;
  end.header = run.items[0];
  end.analysed = true;
  end.resultCode = 1;
  end.resultText = "ANALYSIS COMPLETED";
  end.hasResults = true;
  end.convergedFraction = 1.0;
  writer.itemEnd(end);
  writer.runEnd({});
  std::string error;
  EXPECT_TRUE(writer.finish(error)) << error;
  return during;
}

TEST(ResultsWriter, WritingMorePilesTakesNoMoreMemory) {
  test::TempDir dir;
  EXPECT_EQ(allocationsFor(dir.path(), 10, 20), 0);
  EXPECT_EQ(allocationsFor(dir.path(), 10, 400), 0);
  // And the file is whole: every pile is in it.
  const nlohmann::json r = nlohmann::json::parse(test::readFile(dir / "results.json"));
  ASSERT_EQ(r["items"][0]["piles"].size(), 410u);
  const nlohmann::json& last = r["items"][0]["piles"][409];
  EXPECT_EQ(last["number"], 410);
  EXPECT_EQ(last["head_force_global"][0].get<double>(), -1.0e5 / 3.0);  // round trip
  EXPECT_EQ(last["along"]["depth_below_ground"][100].get<double>(), 612.0);
  EXPECT_EQ(last["along"]["shear_y"][0].get<double>(), 12.1 * -50.5 / 3.0);
}

}  // namespace
}  // namespace stilt
