#include "soil/axial_pile.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "model/status_code.hpp"
#include "soil/transfer_fixtures.hpp"

namespace stilt {
namespace {

// A model with one property of two sections: a 24 in pipe over 0..300 and a tapered section
// 300..600 narrowing from 24 to 18 in.
AnalysisModel twoSectionModel() {
  AnalysisModel m;
  CrossSection pipe;
  pipe.top[1] = 24.0;
  pipe.top[10] = 50.0;
  pipe.top[14] = 4.0e9;
  pipe.bottom = pipe.top;
  CrossSection taper;
  taper.taper = 1;
  taper.top[1] = 24.0;
  taper.top[10] = 40.0;
  taper.top[14] = 3.0e9;
  taper.bottom[1] = 18.0;
  taper.bottom[10] = 30.0;
  taper.bottom[14] = 2.0e9;
  m.crossSections = {pipe, taper};
  PileProperty p;
  p.increments = 20;
  p.length = 600.0;
  p.pileType = 2;
  p.sections = {{0.0, 300.0, 1, 29.0e6, 0, 0, 0}, {300.0, 600.0, 2, 4.0e6, 0, 0, 0}};
  m.properties = {p};
  return m;
}

TEST(AxialPileOf, DiametersAreaAndRigiditiesFromTheSections) {
  const AnalysisModel m = twoSectionModel();
  AxialPile pile;
  Diagnostics diag;
  ASSERT_TRUE(isOk(axialPileOf(m, 0, 12.5, pile, diag)));
  EXPECT_EQ(pile.property, 1);
  EXPECT_TRUE(pile.drilled());
  EXPECT_EQ(pile.segments, 20);
  EXPECT_EQ(pile.segmentLength(), 30.0);
  EXPECT_EQ(pile.headDepth, 12.5);
  EXPECT_EQ(pile.tipDepth(), 612.5);
  EXPECT_EQ(pile.diameter, 24.0);     // top of the first section
  EXPECT_EQ(pile.tipDiameter, 18.0);  // bottom of the last section
  EXPECT_EQ(pile.tipArea, 30.0);
  ASSERT_EQ(pile.sections.size(), 2u);
  EXPECT_EQ(pile.sections[0].top, 0.0);
  EXPECT_EQ(pile.sections[1].top, 300.0);  // the previous section's bottom
  EXPECT_EQ(pile.sections[0].eaTop, 29.0e6 * 50.0);
  EXPECT_EQ(pile.sections[1].eaTop, 4.0e6 * 40.0);
  EXPECT_EQ(pile.sections[1].eaBottom, 4.0e6 * 30.0);
  EXPECT_EQ(pile.sections[1].gjTop, 3.0e9);
  EXPECT_EQ(pile.sections[1].gjBottom, 2.0e9);
}

TEST(RigidityAt, LinearWithinTheContainingSection) {
  AxialPile pile;
  Diagnostics diag;
  ASSERT_TRUE(isOk(axialPileOf(twoSectionModel(), 0, 0.0, pile, diag)));
  EXPECT_EQ(rigidityAt(pile, Rigidity::kAxial, 100.0), 29.0e6 * 50.0);
  // A quarter of the way down the tapered section: 160e6 + (120e6 - 160e6) / 4
  EXPECT_NEAR(rigidityAt(pile, Rigidity::kAxial, 375.0), 150.0e6, 1e-6);
  EXPECT_NEAR(rigidityAt(pile, Rigidity::kTorsional, 450.0), 2.5e9, 1e-3);
  // On the boundary the upper section; below the last bottom the bottom value holds.
  EXPECT_EQ(rigidityAt(pile, Rigidity::kAxial, 300.0), 29.0e6 * 50.0);
  EXPECT_EQ(rigidityAt(pile, Rigidity::kAxial, 660.0), 4.0e6 * 30.0);
}

TEST(AxialPileOf, RefusesWhatTheTransferCannotUse) {
  struct Case {
    void (*edit)(AnalysisModel&);
    StatusCode code;
    const char* reason;
  };
  const Case cases[] = {
      {[](AnalysisModel& m) { m.properties[0].sections[1].crossSection = 7; },
       StatusCode::kInputUndefinedReference,
       "     PILE PROPERTY 1: SECTION 2 REFERS TO CROSS SECTION 7, NOT DEFINED"},
      {[](AnalysisModel& m) { m.properties[0].sections.clear(); }, StatusCode::kInputInvalidValue,
       "     PILE PROPERTY 1: THE PROPERTY HAS NO SECTIONS"},
      {[](AnalysisModel& m) { m.properties[0].increments = 0; }, StatusCode::kInputInvalidValue,
       "     PILE PROPERTY 1: THE NUMBER OF INCREMENTS IS LESS THAN 1"},
      {[](AnalysisModel& m) { m.properties[0].length = 0.0; }, StatusCode::kInputInvalidValue,
       "     PILE PROPERTY 1: THE PILE LENGTH IS NOT GREATER THAN ZERO"},
      {[](AnalysisModel& m) { m.crossSections[0].top[1] = 0.0; }, StatusCode::kInputInvalidValue,
       "     PILE PROPERTY 1: THE EQUIVALENT DIAMETER OF THE PILE IS NOT GREATER THAN ZERO"},
  };
  for (const Case& c : cases) {
    AnalysisModel m = twoSectionModel();
    c.edit(m);
    AxialPile pile;
    Diagnostics diag;
    EXPECT_EQ(axialPileOf(m, 0, 0.0, pile, diag), c.code) << c.reason;
    ASSERT_EQ(diag.report.size(), 2u);
    EXPECT_EQ(diag.report[0], "     **** FATAL ERROR ****");
    EXPECT_EQ(diag.report[1], c.reason);
    EXPECT_EQ(diag.runtime, diag.report);
  }
  AxialPile pile;
  Diagnostics diag;
  EXPECT_EQ(axialPileOf(twoSectionModel(), 1, 0.0, pile, diag),
            StatusCode::kInputUndefinedReference);
}

TEST(CheckRigidity, ZeroGjPrintsItsLineForEverySectionAndStopsWith50) {
  AxialPile pile = testing::straightPile(600.0, 20, 24.0, 50.0, 1.0e9, 4.0e9);
  pile.sections.push_back(pile.sections[0]);
  pile.sections.push_back(pile.sections[0]);
  pile.sections[1].gjTop = 0.0;
  pile.sections[2].gjBottom = 1.0e-6;  // not greater than 1.0E-6
  Diagnostics diag;
  EXPECT_EQ(checkRigidity(pile, Rigidity::kTorsional, diag), StatusCode::kZeroTorsionalRigidity);
  const std::vector<std::string> lines = {
      "     ERROR!!!     GJ(TORSIONAL RIGIDITY) IS ZERO", "     PILE PROPERTY 1, SECTION 2",
      "     ERROR!!!     GJ(TORSIONAL RIGIDITY) IS ZERO", "     PILE PROPERTY 1, SECTION 3"};
  EXPECT_EQ(diag.report, lines);
  EXPECT_EQ(diag.runtime, lines);
  // The axial rigidity of the same pile is sound.
  Diagnostics axial;
  EXPECT_TRUE(isOk(checkRigidity(pile, Rigidity::kAxial, axial)));
  EXPECT_TRUE(axial.empty());
}

TEST(CheckRigidity, ZeroEaStopsWith53) {
  AxialPile pile = testing::straightPile(600.0, 20, 24.0, 50.0, 0.0, 4.0e9);
  Diagnostics diag;
  EXPECT_EQ(checkRigidity(pile, Rigidity::kAxial, diag), StatusCode::kZeroAxialRigidity);
  EXPECT_EQ(diag.report[0], "     ERROR!!!     EA(AXIAL RIGIDITY) IS ZERO");
}

TEST(StatusLines, NewLoadTransferCodes) {
  const auto gj = statusLines(50);
  ASSERT_EQ(gj.size(), 3u);
  EXPECT_EQ(gj[1].text, "TORQUE CURVE, GJ (TORSIONAL RIGIDITY)");
  const auto ea = statusLines(53);
  ASSERT_EQ(ea.size(), 3u);
  EXPECT_EQ(ea[0].text, "* ERROR IN ANALYSIS *");
  EXPECT_EQ(ea[1].text, "LS CURVE, EA (AXIAL RIGIDITY)");
  EXPECT_EQ(ea[2].text, "OF A PILE SECTION IS ZERO");
  EXPECT_EQ(ea[1].indent, 5);
  EXPECT_EQ(statusLines(51)[1].text, "LS CURVE, MOVEMENT ITERATION");
  EXPECT_EQ(statusLines(52)[1].text, "TORQUE CURVE, TWIST ITERATION");
}

}  // namespace
}  // namespace stilt
