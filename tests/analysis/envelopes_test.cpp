// The envelope store: the first counted item of a block sets every bound, later ones widen them,
// and an item without results leaves nothing behind, though its piles came before its end.

#include "analysis/envelopes.hpp"

#include <gtest/gtest.h>

namespace stilt {
namespace {

// A pile whose every head value is `v` and whose quantity 2 runs v, 2v, 3v down its 3 nodes.
PileRecord pileOf(double v, PileResults& along) {
  PileRecord p;
  p.number = 1;
  p.headDisplacementGlobal.fill(v);
  p.headForceLocal.fill(-v);
  p.maxStress = v;
  along = PileResults{};
  along.resize(2);
  along.increment = 10.0;
  for (int m = 0; m <= 2; ++m) along.values[2][static_cast<std::size_t>(m)] = v * (m + 1);
  p.along = &along;
  p.computed[2] = true;
  return p;
}

ItemEndRecord itemOf(double load, bool results) {
  ItemEndRecord r;
  r.analysed = true;
  r.hasResults = results;
  r.capLoad.fill(load);
  r.capDisplacement.fill(load / 100.0);
  return r;
}

TEST(EnvelopeStore, FirstCountedItemSetsLaterOnesWiden) {
  EnvelopeStore s;
  s.clear(1);
  PileResults along;
  s.stage(pileOf(2.0, along));
  s.endItem(itemOf(5.0, true));
  // Positive values throughout: the cleared zeros are not a bound.
  EXPECT_EQ(s.capLoad(kMinimum)[0], 5.0);
  EXPECT_EQ(s.capLoad(kMaximum)[0], 5.0);
  EXPECT_EQ(s.piles()[0].head[kMinimum].stress, 2.0);
  EXPECT_EQ(s.piles()[0].along[kMinimum].at(2, 2), 6.0);
  s.stage(pileOf(-1.0, along));
  s.endItem(itemOf(7.0, true));
  EXPECT_EQ(s.analysedItems(), 2);
  EXPECT_EQ(s.capLoad(kMinimum)[3], 5.0);
  EXPECT_EQ(s.capLoad(kMaximum)[3], 7.0);
  EXPECT_EQ(s.capDisplacement(kMaximum)[5], 0.07);
  const PileEnvelope& p = s.piles()[0];
  EXPECT_EQ(p.head[kMinimum].displacementGlobal[4], -1.0);
  EXPECT_EQ(p.head[kMaximum].displacementGlobal[4], 2.0);
  EXPECT_EQ(p.head[kMinimum].forceLocal[0], -2.0);
  EXPECT_EQ(p.head[kMaximum].forceLocal[0], 1.0);
  EXPECT_EQ(p.along[kMinimum].at(2, 1), -2.0);
  EXPECT_EQ(p.along[kMaximum].at(2, 1), 4.0);
  EXPECT_TRUE(s.computed()[2]);
  EXPECT_FALSE(s.computed()[3]);
}

TEST(EnvelopeStore, AnItemWithoutResultsIsNotCounted) {
  EnvelopeStore s;
  s.clear(1);
  PileResults along;
  s.stage(pileOf(1.0, along));
  s.endItem(itemOf(1.0, true));
  // Its pile came, then the item ended without results (a pile that did not close).
  s.stage(pileOf(100.0, along));
  s.endItem(itemOf(100.0, false));
  ItemEndRecord flagged = itemOf(-100.0, false);
  flagged.analysed = false;
  s.endItem(flagged);
  EXPECT_EQ(s.analysedItems(), 1);
  EXPECT_EQ(s.capLoad(kMaximum)[0], 1.0);
  EXPECT_EQ(s.capLoad(kMinimum)[0], 1.0);
  EXPECT_EQ(s.piles()[0].head[kMaximum].stress, 1.0);
  EXPECT_EQ(s.piles()[0].along[kMaximum].at(2, 2), 3.0);
  // Cleared for the next block: zeros, nothing counted.
  s.clear(1);
  EXPECT_EQ(s.analysedItems(), 0);
  EXPECT_EQ(s.capLoad(kMaximum)[0], 0.0);
  EXPECT_FALSE(s.piles()[0].set);
}

}  // namespace
}  // namespace stilt
