// Envelopes of whole runs: every bound holds every counted item's value and is reached by one of
// them, items flagged not to be analysed are left out, a block of one item has equal bounds, and
// the combinations' envelope knows nothing of the cases. The bounds are checked against the
// items' own records, taken by a sink, not against what the envelope printed.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/engine_api.hpp"
#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kReport = 6;
constexpr int kConvergence = 10;
constexpr int kCapResults = 11;

// What a pile or an envelope bound holds, copied out of the records.
struct PileValues {
  std::vector<double> head;                // 4 x 6 head values, then the stress
  std::vector<std::vector<double>> along;  // [quantity 1..25][node]
  QuantityFlags computed{};
};
struct Values {
  Vector6 load{}, displacement{};
  std::vector<PileValues> piles;
};

PileValues copyPile(const PileRecord& p) {
  PileValues v;
  for (const Vector6* x : {&p.headDisplacementGlobal, &p.headForceGlobal, &p.headDisplacementLocal,
                           &p.headForceLocal}) {
    v.head.insert(v.head.end(), x->begin(), x->end());
  }
  v.head.push_back(p.maxStress);
  v.along.resize(kResultQuantities + 1);
  for (int q = 1; q <= kResultQuantities && p.along != nullptr; ++q) {
    for (int m = 0; m <= p.along->increments; ++m) {
      v.along[static_cast<std::size_t>(q)].push_back(p.along->at(q, m));
    }
  }
  v.computed = p.computed;
  return v;
}

class Recorder final : public ResultSink {
 public:
  struct Item {
    ItemKind kind{};
    bool counted = false;
    Values values;
  };
  struct Envelope {
    EnvelopeRecord header;
    Values minimum, maximum;
  };
  std::vector<Item> items;
  std::vector<Envelope> envelopes;

  void runBegin(const RunBeginRecord&) override {}
  void itemBegin(const ItemHeader& h) override { items.push_back({h.kind, false, {}}); }
  void pile(const PileRecord& p) override { items.back().values.piles.push_back(copyPile(p)); }
  void itemEnd(const ItemEndRecord& r) override {
    Item& i = items.back();
    i.counted = r.analysed && r.hasResults;
    i.values.load = r.capLoad;
    i.values.displacement = r.capDisplacement;
  }
  void runEnd(const RunEndRecord&) override {}
  void envelope(const EnvelopeRecord& e) override {
    Envelope out;
    out.header.block = e.block;
    out.header.analysedItems = e.analysedItems;
    for (auto [from, to] : {std::pair{&e.minimum, &out.minimum}, {&e.maximum, &out.maximum}}) {
      to->load = from->capLoad;
      to->displacement = from->capDisplacement;
      for (const PileRecord& p : from->piles) to->piles.push_back(copyPile(p));
    }
    envelopes.push_back(std::move(out));
  }
};

// Every value of the envelope, with the same value of each counted item of its block: a visitor
// gets (bound minimum, bound maximum, the items' values).
template <class Visit>
void eachValue(const Recorder::Envelope& e, const std::vector<const Values*>& items, Visit visit) {
  const auto column = [&](auto get) {
    std::vector<double> of;
    for (const Values* v : items) of.push_back(get(*v));
    visit(get(e.minimum), get(e.maximum), of);
  };
  for (std::size_t k = 0; k < 6; ++k) {
    column([k](const Values& v) { return v.load[k]; });
    column([k](const Values& v) { return v.displacement[k]; });
  }
  for (std::size_t p = 0; p < e.minimum.piles.size(); ++p) {
    for (std::size_t h = 0; h < e.minimum.piles[p].head.size(); ++h) {
      column([p, h](const Values& v) { return v.piles[p].head[h]; });
    }
    for (std::size_t q = 1; q <= static_cast<std::size_t>(kResultQuantities); ++q) {
      if (!e.minimum.piles[p].computed[q]) continue;
      for (std::size_t m = 0; m < e.minimum.piles[p].along[q].size(); ++m) {
        column([p, q, m](const Values& v) { return v.piles[p].along[q][m]; });
      }
    }
  }
}

// Four cases (the second flagged not to be analysed) that push the pile both ways, and the deck's
// one combination; both envelopes asked for, the cases' with every table along the piles.
test::Deck envelopeDeck() {
  test::Deck d;
  const std::string records = d.loadCases.substr(d.loadCases.find('\n') + 1);
  const auto withLoad = [&](const char* load, const char* name) {
    return test::replaceFirst(test::replaceFirst(records, "1.0E5 5.0E3 0.0", load),
                              "Axial and lateral load", name);
  };
  const std::string flagged = test::replaceFirst(withLoad("2.0E4 5.0E3 0.0", "Not run"),
                                                 "2 5 1.0 0 0.0 0.0 0 0", "2 5 1.0 0 0.0 0.0 0 1");
  d.loadCases = "4 1 2 1 0\n25*1\n" + withLoad("2.0E4 5.0E3 0.0", "Push +Y") + flagged +
                withLoad("1.0E4 -3.0E3 2.0E3", "Push -Y, twist +Z") +
                withLoad("2.5E4 1.0E3 -1.0E3", "Mostly vertical");
  d.combinations = test::replaceFirst(d.combinations, "1 0 0 0 0\n", "1 1 1 2 0\n25*1\n");
  return d;
}

StatusCode runRecorded(const test::TempDir& dir, const std::string& input, Recorder& recorder) {
  test::writeNamesFile(dir.path());
  test::writeFile(dir / "input.dat", input);
  EngineRequest request;
  request.namesFolder = dir.path();
  request.clock = test::pinnedTime;
  request.sink = &recorder;
  return runEngine(request);
}

TEST(Envelopes, BoundEveryCountedItemAndAreReachedByOne) {
  test::TempDir dir;
  Recorder r;
  ASSERT_EQ(runRecorded(dir, envelopeDeck().text(), r), StatusCode::kCompleted);
  ASSERT_EQ(r.envelopes.size(), 2u);
  for (const Recorder::Envelope& e : r.envelopes) {
    std::vector<const Values*> items;
    for (const Recorder::Item& i : r.items) {
      if (i.counted && i.kind == e.header.block) items.push_back(&i.values);
    }
    // The flagged case is not counted: three cases, one combination.
    EXPECT_EQ(e.header.analysedItems, e.header.block == ItemKind::kCase ? 3 : 1);
    ASSERT_EQ(static_cast<int>(items.size()), e.header.analysedItems);
    ASSERT_EQ(e.minimum.piles.size(), 1u);
    int checked = 0;
    eachValue(e, items, [&](double lo, double hi, const std::vector<double>& of) {
      ++checked;
      bool loReached = false, hiReached = false;
      for (double v : of) {
        EXPECT_LE(lo, v);
        EXPECT_GE(hi, v);
        loReached = loReached || v == lo;
        hiReached = hiReached || v == hi;
      }
      EXPECT_TRUE(loReached && hiReached) << "a bound no counted item reached: " << lo << " " << hi;
      // One item: the bounds are its values. (The combination block.)
      if (of.size() == 1) {
        EXPECT_EQ(lo, hi);
      }
    });
    EXPECT_GT(checked, 500);  // the arrays along the pile took part
  }
  // The cases pushed the cap both ways along Y; the combination (1.5 x case 1) only one way, and
  // its envelope is that of its own item whatever the cases did.
  const Recorder::Envelope& cases = r.envelopes[0];
  const Recorder::Envelope& comb = r.envelopes[1];
  EXPECT_LT(cases.minimum.displacement[1], 0.0);
  EXPECT_GT(cases.maximum.displacement[1], 0.0);
  EXPECT_GT(comb.minimum.displacement[1], 0.0);
  EXPECT_DOUBLE_EQ(comb.minimum.load[0], 1.5 * 2.0e4);
  EXPECT_DOUBLE_EQ(cases.maximum.load[0], 2.5e4);
  EXPECT_DOUBLE_EQ(cases.minimum.load[5], -1.0e3);  // the third value is MZ
}

TEST(Envelopes, ArePrintedMinimumThenMaximumInTheLayoutOfAnItem) {
  test::TempDir dir;
  Recorder r;
  ASSERT_EQ(runRecorded(dir, envelopeDeck().text(), r), StatusCode::kCompleted);
  const std::string report = test::runFile(dir.path(), kReport);
  const std::size_t min =
      report.find("     LOAD CASE ENV :     1\n     CASE NAME     : MINIMUM ENVELOPE\n");
  const std::size_t max =
      report.find("     LOAD CASE ENV :     2\n     CASE NAME     : MAXIMUM ENVELOPE\n");
  const std::size_t combinations = report.find("LOAD COMBINATIONS RESULTS");
  ASSERT_NE(min, std::string::npos);
  ASSERT_NE(max, std::string::npos);
  EXPECT_LT(min, max);
  EXPECT_LT(max, combinations);
  // Print option 2 of the cases: the head tables and the table along the pile, with no
  // iteration count of its own; print option 1 of the combinations: the head tables only.
  const std::string caseMax = report.substr(max, combinations - max);
  EXPECT_THAT(caseMax, HasSubstr("* PILE TOP DISPLACEMENTS AND REACTIONS *"));
  EXPECT_THAT(caseMax, HasSubstr("* EFFECTS FOR LATERALLY LOADED PILE *"));
  EXPECT_THAT(caseMax, Not(HasSubstr("NUMBER OF ITERATIONS IN LLP")));
  const std::string combMax = report.substr(report.find("     COMB. NAME     : MAXIMUM ENVELOPE"));
  EXPECT_THAT(combMax, HasSubstr("* PILE TOP DISPLACEMENTS AND REACTIONS *"));
  EXPECT_THAT(combMax, Not(HasSubstr("* EFFECTS FOR LATERALLY LOADED PILE *")));

  EXPECT_THAT(test::runFile(dir.path(), kConvergence),
              HasSubstr("LOAD CASE ENV :     1\n      MINIMUM ENVELOPE\n"
                        "    1 CALCULATED AND PRINTED\n"
                        "LOAD CASE ENV :     2\n      MAXIMUM ENVELOPE\n"
                        "    1 CALCULATED AND PRINTED\n"));
  // The pile-cap results file carries the minimum cap load at full precision.
  const std::vector<std::string> cap = test::runFileLines(dir.path(), kCapResults);
  const auto at = std::find(cap.begin(), cap.end(), "LOAD CASE ENV :     1");
  ASSERT_NE(at, cap.end());
  ASSERT_EQ(*(at + 2), "* EQUIVALENT CONC. LOAD AT ORIGIN *");
  const std::vector<double> load = test::numbersOf(*(at + 3));
  ASSERT_EQ(load.size(), 6u);
  for (std::size_t k = 0; k < 6; ++k) {
    EXPECT_NEAR(load[k], r.envelopes[0].minimum.load[k], 1.0e-6 * (1.0 + std::fabs(load[k])));
  }
}

TEST(Envelopes, APlanarRunUsesThePlanarLabels) {
  test::TempDir dir;
  Recorder r;
  const std::string input = test::replaceFirst(
      test::example("bent2d.dat"), "LOAD CASES\n1 0 0 0 0\n", "LOAD CASES\n1 1 1 1 0\n25*1\n");
  ASSERT_EQ(runRecorded(dir, input, r), StatusCode::kCompleted);
  ASSERT_EQ(r.envelopes.size(), 1u);
  const std::string report = test::runFile(dir.path(), kReport);
  const std::string max = report.substr(report.find("     CASE NAME     : MAXIMUM ENVELOPE"));
  EXPECT_THAT(max, HasSubstr("VERT. LOAD,"));
  EXPECT_THAT(max, HasSubstr("HORI. LOAD,"));
  EXPECT_THAT(max, HasSubstr("ROTATION,"));
  EXPECT_THAT(max, Not(HasSubstr("HOR. LOAD Z,")));
  EXPECT_THAT(max, Not(HasSubstr("DISP. Z,")));
  // One case: its cap values are both bounds.
  EXPECT_EQ(r.envelopes[0].minimum.load, r.items[0].values.load);
  EXPECT_EQ(r.envelopes[0].maximum.displacement, r.items[0].values.displacement);
}

TEST(Envelopes, NoneWithoutTheSwitch) {
  test::TempDir dir;
  Recorder r;
  ASSERT_EQ(runRecorded(dir, test::Deck().text(), r), StatusCode::kCompleted);
  EXPECT_TRUE(r.envelopes.empty());
  EXPECT_THAT(test::runFile(dir.path(), kReport), Not(HasSubstr("ENVELOPE")));
}

}  // namespace
}  // namespace stilt
