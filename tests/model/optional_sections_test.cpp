// The control switches decide which optional records and sections a file holds. Each part is
// switched on and off in turn: on, it is read with its values; off, it is absent from the model
// and the header of the section after it is read in its place.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/input_reader.hpp"
#include "support/deck.hpp"

namespace stilt {
namespace {

using test::Deck;
using ::testing::ElementsAre;

struct Reading {
  AnalysisModel model;
  ReadResult result;
};

Reading readDeck(const Deck& d) {
  Reading r;
  r.result = readInputDataFile(d.text(), r.model, ReaderCallbacks{});
  return r;
}

std::vector<std::string> trimmedHeaders(const AnalysisModel& m) {
  std::vector<std::string> out;
  for (const std::string& h : m.sectionHeaders)
    out.push_back(h.substr(0, h.find_last_not_of(' ') + 1));
  return out;
}

// One optional part: the switch that governs it, a value of that switch that reads the part and
// one that leaves it out, and what the model holds with and without it (the values of the part
// in the test deck).
struct Part {
  const char* name;
  int switchNumber;
  int onValue;
  int offValue;
  void (*present)(const AnalysisModel&);
  void (*absent)(const AnalysisModel&);
};

const Part kParts[] = {
    {"A3", 8, 3, 2,
     [](const AnalysisModel& m) {
       EXPECT_DOUBLE_EQ(m.movementFactorY, 0.5);
       EXPECT_DOUBLE_EQ(m.movementFactorZ, -1.0);
     },
     [](const AnalysisModel& m) {
       EXPECT_DOUBLE_EQ(m.movementFactorY, 1.0);
       EXPECT_DOUBLE_EQ(m.movementFactorZ, 1.0);
     }},
    {"B1a", 3, 2, 1,
     [](const AnalysisModel& m) {
       EXPECT_EQ(m.passiveMethod.lateralModel, 1);
       EXPECT_EQ(m.passiveMethod.soilModel, 2);
       EXPECT_EQ(m.passiveMethod.increments, 10);
       EXPECT_DOUBLE_EQ(m.passiveMethod.k50, 150.0);
       EXPECT_DOUBLE_EQ(m.passiveMethod.fUlt, 4000.0);
       EXPECT_DOUBLE_EQ(m.passiveMethod.yMax, 1.5);
     },
     [](const AnalysisModel& m) {
       EXPECT_EQ(m.passiveMethod.increments, 0);
       EXPECT_DOUBLE_EQ(m.passiveMethod.k50, 0.0);
       EXPECT_DOUBLE_EQ(m.passiveMethod.yMax, 0.0);
     }},
    {"B2", 4, 1, 0,
     [](const AnalysisModel& m) {
       EXPECT_DOUBLE_EQ(m.flexibleCap.offsetY, -30.0);
       EXPECT_DOUBLE_EQ(m.flexibleCap.offsetZ, -30.0);
       EXPECT_EQ(m.flexibleCap.elementsY, 4);
       EXPECT_EQ(m.flexibleCap.elementsZ, 4);
       EXPECT_DOUBLE_EQ(m.flexibleCap.material1, 4.0e6);
       EXPECT_DOUBLE_EQ(m.flexibleCap.material2, 0.3);
     },
     [](const AnalysisModel& m) {
       EXPECT_EQ(m.flexibleCap.elementsY, 0);
       EXPECT_DOUBLE_EQ(m.flexibleCap.material1, 0.0);
     }},
    {"J", 11, 1, 0,
     [](const AnalysisModel& m) {
       ASSERT_EQ(m.printedCurves.size(), 2u);
       EXPECT_EQ(m.printedCurves[0].pileGroup, 1);
       EXPECT_DOUBLE_EQ(m.printedCurves[0].depth, 60.0);
       EXPECT_THAT(m.printedCurves[0].deflections, ElementsAre(0.1, 0.5, 1.0));
       EXPECT_DOUBLE_EQ(m.printedCurves[1].depth, 120.0);
       EXPECT_TRUE(m.printedCurves[1].deflections.empty());
     },
     [](const AnalysisModel& m) { EXPECT_TRUE(m.printedCurves.empty()); }},
    {"K", 5, 1, 0,
     [](const AnalysisModel& m) {
       ASSERT_EQ(m.userPyCurveSets.size(), 1u);
       EXPECT_EQ(m.userPyCurveSets[0].setCode, 7);
       ASSERT_EQ(m.userPyCurveSets[0].curves.size(), 1u);
       EXPECT_DOUBLE_EQ(m.userPyCurveSets[0].curves[0].depth, 100.0);
       ASSERT_EQ(m.userPyCurveSets[0].curves[0].points.size(), 2u);
       EXPECT_DOUBLE_EQ(m.userPyCurveSets[0].curves[0].points[1].p, 500.0);
       EXPECT_DOUBLE_EQ(m.userPyCurveSets[0].curves[0].points[1].y, 1.0);
     },
     [](const AnalysisModel& m) { EXPECT_TRUE(m.userPyCurveSets.empty()); }},
    {"L", 6, 1, 0,
     [](const AnalysisModel& m) {
       ASSERT_EQ(m.userLoadSettlementCurves.size(), 2u);
       EXPECT_EQ(m.userLoadSettlementCurves[1].number, 2);
       ASSERT_EQ(m.userLoadSettlementCurves[1].points.size(), 3u);
       EXPECT_DOUBLE_EQ(m.userLoadSettlementCurves[1].points[0].force, -1.0e5);
       EXPECT_DOUBLE_EQ(m.userLoadSettlementCurves[1].points[0].displacement, -0.2);
     },
     [](const AnalysisModel& m) { EXPECT_TRUE(m.userLoadSettlementCurves.empty()); }},
    {"M", 7, 1, 0,
     [](const AnalysisModel& m) {
       ASSERT_EQ(m.userTorqueRotationCurves.size(), 1u);
       ASSERT_EQ(m.userTorqueRotationCurves[0].points.size(), 2u);
       EXPECT_DOUBLE_EQ(m.userTorqueRotationCurves[0].points[1].force, 1.0e6);
       EXPECT_DOUBLE_EQ(m.userTorqueRotationCurves[0].points[1].displacement, 0.02);
     },
     [](const AnalysisModel& m) { EXPECT_TRUE(m.userTorqueRotationCurves.empty()); }},
    {"N", 9, 1, 0,
     [](const AnalysisModel& m) {
       ASSERT_EQ(m.momentCurvatureSets.size(), 1u);
       EXPECT_EQ(m.momentCurvatureSets[0].number, 3);
       ASSERT_EQ(m.momentCurvatureSets[0].curves.size(), 1u);
       EXPECT_DOUBLE_EQ(m.momentCurvatureSets[0].curves[0].axialLoad, 2.5e5);
       ASSERT_EQ(m.momentCurvatureSets[0].curves[0].points.size(), 2u);
       EXPECT_DOUBLE_EQ(m.momentCurvatureSets[0].curves[0].points[1].moment, 1.2e7);
       EXPECT_DOUBLE_EQ(m.momentCurvatureSets[0].curves[0].points[1].curvature, 1.0e-4);
     },
     [](const AnalysisModel& m) { EXPECT_TRUE(m.momentCurvatureSets.empty()); }},
    {"O", 13, 1, 0,
     [](const AnalysisModel& m) {
       ASSERT_EQ(m.reductionFactorSets.size(), 1u);
       EXPECT_EQ(m.reductionFactorSets[0].number, 4);
       ASSERT_EQ(m.reductionFactorSets[0].points.size(), 2u);
       EXPECT_DOUBLE_EQ(m.reductionFactorSets[0].points[0].pFactor, 0.7);
       EXPECT_DOUBLE_EQ(m.reductionFactorSets[0].points[1].depth, 120.0);
     },
     [](const AnalysisModel& m) { EXPECT_TRUE(m.reductionFactorSets.empty()); }},
    {"P", 14, 1, 0,
     [](const AnalysisModel& m) {
       ASSERT_EQ(m.soilMovement.size(), 1u);
       EXPECT_DOUBLE_EQ(m.soilMovement[0].moveY, 0.25);
       EXPECT_DOUBLE_EQ(m.soilMovement[0].moveZ, -0.5);
     },
     [](const AnalysisModel& m) { EXPECT_TRUE(m.soilMovement.empty()); }},
    {"Q", 15, 1, 0,
     [](const AnalysisModel& m) {
       EXPECT_EQ(m.curveExport.count, 3);
       EXPECT_EQ(m.curveExport.switchA, 1);
       EXPECT_EQ(m.curveExport.switchB, 0);
       EXPECT_THAT(m.curveExport.depthsA, ElementsAre(30.0, 90.0));
       EXPECT_TRUE(m.curveExport.depthsB.empty());
     },
     [](const AnalysisModel& m) {
       EXPECT_EQ(m.curveExport.count, 0);
       EXPECT_TRUE(m.curveExport.depthsA.empty());
     }},
};

// The required sections are read whatever the optional ones around them.
void expectRequiredSections(const AnalysisModel& m) {
  EXPECT_DOUBLE_EQ(m.cap.thickness, 24.0);
  ASSERT_EQ(m.loadCases.size(), 1u);
  EXPECT_EQ(m.loadCases[0].concentratedLoads.size(), 1u);
  ASSERT_EQ(m.combinations.size(), 1u);
  EXPECT_DOUBLE_EQ(m.combinations[0].terms.at(0).factor, 1.5);
  EXPECT_EQ(m.pileRows.size(), 1u);
  EXPECT_EQ(m.crossSections.at(0).name, "PIPE 16 X 0.5");
  ASSERT_EQ(m.soilLayers.size(), 1u);
  EXPECT_DOUBLE_EQ(m.soilLayers[0].parameters[1][2], 5.0);
}

// Every part as `on` says: present with its values, or absent.
void expectParts(const AnalysisModel& m, const std::vector<bool>& on) {
  for (std::size_t i = 0; i < std::size(kParts); ++i) {
    SCOPED_TRACE(std::string("part ") + kParts[i].name + (on[i] ? " on" : " off"));
    (on[i] ? kParts[i].present : kParts[i].absent)(m);
  }
}

TEST(OptionalSections, AllOnAreReadInOrder) {
  Deck d;
  d.allOptionalOn();
  const Reading r = readDeck(d);
  ASSERT_EQ(r.result.status, StatusCode::kCompleted) << r.result.message.back();
  EXPECT_EQ(trimmedHeaders(r.model), d.headers());
  EXPECT_EQ(r.model.sectionHeaders.size(), 17u);
  expectRequiredSections(r.model);
  expectParts(r.model, std::vector<bool>(std::size(kParts), true));
}

TEST(OptionalSections, AllOffAreAbsent) {
  const Deck d;
  const Reading r = readDeck(d);
  ASSERT_EQ(r.result.status, StatusCode::kCompleted) << r.result.message.back();
  EXPECT_EQ(r.model.sectionHeaders.size(), 9u);
  expectRequiredSections(r.model);
  expectParts(r.model, std::vector<bool>(std::size(kParts), false));
}

class OptionalPart : public ::testing::TestWithParam<std::size_t> {
 protected:
  const Part& part() const { return kParts[GetParam()]; }
};

// Everything else on, this part off: the part is absent and every later part still in place.
TEST_P(OptionalPart, OffAmongAllOthersOn) {
  Deck d;
  d.allOptionalOn();
  d.switches[static_cast<std::size_t>(part().switchNumber)] = part().offValue;
  const Reading r = readDeck(d);
  ASSERT_EQ(r.result.status, StatusCode::kCompleted) << r.result.message.back();
  EXPECT_EQ(trimmedHeaders(r.model), d.headers());
  expectRequiredSections(r.model);
  std::vector<bool> on(std::size(kParts), true);
  on[GetParam()] = false;
  expectParts(r.model, on);
}

// Everything else off, this part on: only this part is read.
TEST_P(OptionalPart, OnAlone) {
  Deck d;
  d.switches[static_cast<std::size_t>(part().switchNumber)] = part().onValue;
  const Reading r = readDeck(d);
  ASSERT_EQ(r.result.status, StatusCode::kCompleted) << r.result.message.back();
  EXPECT_EQ(trimmedHeaders(r.model), d.headers());
  expectRequiredSections(r.model);
  std::vector<bool> on(std::size(kParts), false);
  on[GetParam()] = true;
  expectParts(r.model, on);
}

INSTANTIATE_TEST_SUITE_P(EachPart, OptionalPart,
                         ::testing::Range<std::size_t>(0, std::size(kParts)),
                         [](const ::testing::TestParamInfo<std::size_t>& param) {
                           return std::string(kParts[param.param].name);
                         });

// Sections J to Q need their switch at exactly 1; B2 needs 1 or more, B1a a cap option of 2 or
// more, and A3 a group-reduction option of exactly 3.
TEST(OptionalSections, SwitchValuesOtherThanOne) {
  Deck d;
  for (int s : {5, 6, 7, 9, 11, 13, 14, 15}) d.switches[static_cast<std::size_t>(s)] = 2;
  d.switches[3] = 3;  // cap option 3 reads B1a
  d.switches[4] = 2;  // reads B2
  ASSERT_TRUE(d.readsPassiveMethod());
  ASSERT_TRUE(d.readsFlexibleCap());
  const Reading r = readDeck(d);
  ASSERT_EQ(r.result.status, StatusCode::kCompleted) << r.result.message.back();
  EXPECT_EQ(r.model.sectionHeaders.size(), 9u);
  expectRequiredSections(r.model);
  //                 A3     B1a   B2    J      K      L      M      N      O      P      Q
  expectParts(r.model, {false, true, true, false, false, false, false, false, false, false, false});
}

// After two-dimensional pile-group rows the same optional sections follow.
TEST(OptionalSections, TwoDimensionalRowsWithOptionalSections) {
  Deck d;
  d.allOptionalOn();
  d.switches[2] = 2;
  d.switches[7] = 0;  // no torsion in two dimensions
  d.piles =
      "2\n2 3 1 0 0 0\n0.0 2.0 0.8 1.0 1.0\n0.0 -1.0 5.0 0.0\n"
      "1 3 1 0 0 0\n0.0 2.0 0.8 1.0 1.0\n0.0 1.0 -5.0 0.0\n";
  const Reading r = readDeck(d);
  ASSERT_EQ(r.result.status, StatusCode::kCompleted) << r.result.message.back();
  ASSERT_EQ(r.model.pileRows.size(), 2u);
  EXPECT_EQ(r.model.pileRows[1].connectY, kConnectionPinned);
  EXPECT_EQ(r.model.pileRows[1].pilesInRow, 3);
  EXPECT_DOUBLE_EQ(r.model.pileRows[1].pFactorY, 0.8);
  EXPECT_DOUBLE_EQ(r.model.pileRows[1].batter, -5.0);
  EXPECT_EQ(trimmedHeaders(r.model), d.headers());
  expectParts(r.model, {true, true, true, true, true, true, false, true, true, true, true});
}

}  // namespace
}  // namespace stilt
