// Reading whole input data files: the bundled examples value by value, and the free-format forms
// a file may use. Expected values are those written in the example files.

#include "model/input_reader.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using test::Deck;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Reading {
  AnalysisModel model;
  ReadResult result;
  std::vector<std::string> echo;
  std::vector<int> switchesSeen;  // switches 1..16 as the control-record callback saw them
};

Reading readText(const std::string& text) {
  Reading r;
  ReaderCallbacks callbacks;
  callbacks.echo = [&r](std::string_view line) { r.echo.emplace_back(line); };
  callbacks.onControlRecord = [&r](const ControlSwitches& s, std::vector<std::string>&) {
    r.switchesSeen.assign(s.values.begin() + 1, s.values.end());
    return StatusCode::kCompleted;
  };
  r.result = readInputDataFile(text, r.model, callbacks);
  return r;
}

std::string padded(const std::string& text) {
  return text + std::string(80 - text.size(), ' ');
}

std::vector<std::string> trimmedHeaders(const AnalysisModel& m) {
  std::vector<std::string> out;
  for (const std::string& h : m.sectionHeaders)
    out.push_back(h.substr(0, h.find_last_not_of(' ') + 1));
  return out;
}

std::vector<int> outputFlags(const LoadCase& c) {
  std::vector<int> out;
  for (int q = 1; q <= 25; ++q) out.push_back(c.outputFlag(q));
  return out;
}

// ---------------------------------------------------------------------------------------------
// examples/group3d.dat: six battered piles in three dimensions, two cases, one combination.

class Group3dExample : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { reading_ = new Reading(readText(test::example("group3d.dat"))); }
  static void TearDownTestSuite() {
    delete reading_;
    reading_ = nullptr;
  }
  const AnalysisModel& m() const { return reading_->model; }
  static Reading* reading_;
};
Reading* Group3dExample::reading_ = nullptr;

TEST_F(Group3dExample, ReadsWithoutError) {
  EXPECT_EQ(reading_->result.status, StatusCode::kCompleted);
  EXPECT_TRUE(reading_->result.message.empty());
}

TEST_F(Group3dExample, TitleAndControlSwitches) {
  EXPECT_EQ(
      m().title[0],
      padded("Six-pile 3-D cap: batter in both angles, clay over sand, two cases, one combo"));
  EXPECT_EQ(m().title[1],
            "English units (lb, in); 16-in pipe piles, 50 ft long, driven; notes after "
            "values");
  EXPECT_THAT(reading_->switchesSeen, ElementsAre(1, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
  EXPECT_TRUE(m().is3d());
  EXPECT_EQ(m().units(), UnitsSystem::kEnglish);
  EXPECT_EQ(m().movementFactorY, 1.0);
  EXPECT_EQ(m().movementFactorZ, 1.0);
  EXPECT_DOUBLE_EQ(m().cap.length, 120.0);
  EXPECT_DOUBLE_EQ(m().cap.width, 180.0);
  EXPECT_DOUBLE_EQ(m().cap.thickness, 36.0);
}

TEST_F(Group3dExample, LoadCases) {
  ASSERT_EQ(m().loadCases.size(), 2u);
  EXPECT_FALSE(m().caseEnvelope.on());
  const LoadCase& c1 = m().loadCases[0];
  EXPECT_TRUE(c1.isStatic());
  EXPECT_EQ(c1.cycles(), 1);
  EXPECT_EQ(c1.maxCapIterations(), 100);
  EXPECT_EQ(c1.maxPileIterations(), 100);
  EXPECT_DOUBLE_EQ(c1.capTolerance(), 1.0e-4);
  EXPECT_DOUBLE_EQ(c1.pileTolerance(), 1.0e-5);
  EXPECT_DOUBLE_EQ(c1.loadIncrement(), 0.25);
  EXPECT_DOUBLE_EQ(c1.minimumIncrement(), 0.01);
  EXPECT_EQ(c1.name, padded("Dead load with wind from +Y"));
  EXPECT_EQ(c1.loadType(), 0);
  EXPECT_EQ(c1.printOption(), 2);
  EXPECT_EQ(c1.printNodeInterval(), 5);
  EXPECT_DOUBLE_EQ(c1.scaleFactor(), 1.0);
  EXPECT_THAT(outputFlags(c1), Each(1));
  ASSERT_EQ(c1.concentratedLoads.size(), 1u);
  EXPECT_DOUBLE_EQ(c1.concentratedLoads[0].px, 6.0e5);
  EXPECT_DOUBLE_EQ(c1.concentratedLoads[0].py, 3.0e4);
  EXPECT_TRUE(c1.distributedLoads.empty());
  EXPECT_TRUE(c1.stiffnessData.empty());

  const LoadCase& c2 = m().loadCases[1];
  EXPECT_FALSE(c2.isStatic());  // cyclic
  EXPECT_EQ(c2.name, padded("Cyclic wave load from +Z with overturning and torsion"));
  // "25*1": all 25 output-selection flags from one repeat count.
  EXPECT_THAT(outputFlags(c2), Each(1));
  EXPECT_EQ(c2.ints[15], 2);
  ASSERT_EQ(c2.concentratedLoads.size(), 2u);
  EXPECT_DOUBLE_EQ(c2.concentratedLoads[0].pz, 2.5e4);
  EXPECT_DOUBLE_EQ(c2.concentratedLoads[1].my, 1.5e6);
  EXPECT_DOUBLE_EQ(c2.concentratedLoads[1].mx, 2.0e6);
  EXPECT_EQ(c2.ints[16], 0);
  EXPECT_EQ(c2.ints[17], 0);
}

TEST_F(Group3dExample, Combination) {
  ASSERT_EQ(m().combinations.size(), 1u);
  EXPECT_FALSE(m().combinationEnvelope.on());
  const LoadCombination& c = m().combinations[0];
  EXPECT_TRUE(c.isStatic());
  EXPECT_EQ(c.name, padded("Factored: 1.2 dead and wind + 1.6 wave"));
  EXPECT_DOUBLE_EQ(c.bendingResistanceFactor(), 0.90);
  EXPECT_DOUBLE_EQ(c.shearResistanceFactor(), 0.75);
  EXPECT_EQ(c.printOption(), 2);
  EXPECT_EQ(c.printNodeInterval(), 5);
  // D5 gives 0 for integer 8; the count of record D9 replaces it.
  EXPECT_EQ(c.ints[8], 2);
  ASSERT_EQ(c.terms.size(), 2u);
  EXPECT_EQ(c.terms[0].loadCase, 1);
  EXPECT_DOUBLE_EQ(c.terms[0].factor, 1.2);
  EXPECT_EQ(c.terms[1].loadCase, 2);
  EXPECT_DOUBLE_EQ(c.terms[1].factor, 1.6);
}

TEST_F(Group3dExample, PileGroup) {
  EXPECT_TRUE(m().distributedLoadSets.empty());
  ASSERT_EQ(m().pileRows.size(), 6u);
  const PileGroupRow& p1 = m().pileRows[0];
  EXPECT_EQ(p1.connectY, kConnectionFixed);
  EXPECT_EQ(p1.connectZ, kConnectionFixed);
  EXPECT_EQ(p1.property, 1);
  EXPECT_DOUBLE_EQ(p1.y, -36.0);
  EXPECT_DOUBLE_EQ(p1.z, -60.0);
  EXPECT_DOUBLE_EQ(p1.beta, 90.0);  // plumb
  EXPECT_DOUBLE_EQ(m().pileRows[2].alpha, 90.0);
  EXPECT_DOUBLE_EQ(m().pileRows[3].alpha, 270.0);
  EXPECT_DOUBLE_EQ(m().pileRows[4].alpha, 180.0);
  const PileGroupRow& p6 = m().pileRows[5];  // battered in both planes, pinned head
  EXPECT_EQ(p6.connectY, kConnectionPinned);
  EXPECT_EQ(p6.connectZ, kConnectionPinned);
  EXPECT_DOUBLE_EQ(p6.alpha, 45.0);
  EXPECT_DOUBLE_EQ(p6.beta, 82.0);
  EXPECT_DOUBLE_EQ(p6.pFactorZ, 1.0);
  EXPECT_DOUBLE_EQ(p6.axialLoadFactor, 1.0);
}

TEST_F(Group3dExample, PropertyCrossSectionAndSoil) {
  ASSERT_EQ(m().properties.size(), 1u);
  const PileProperty& p = m().properties[0];
  EXPECT_EQ(p.increments, 100);
  EXPECT_DOUBLE_EQ(p.length, 600.0);
  EXPECT_EQ(p.pileType, 1);
  ASSERT_EQ(p.sections.size(), 1u);
  EXPECT_DOUBLE_EQ(p.sections[0].to, 600.0);
  EXPECT_EQ(p.sections[0].crossSection, 1);
  EXPECT_DOUBLE_EQ(p.sections[0].elasticModulus, 29.0e6);

  ASSERT_EQ(m().crossSections.size(), 1u);
  const CrossSection& x = m().crossSections[0];
  EXPECT_EQ(x.typeCode, 1);  // circular pipe
  EXPECT_EQ(x.name, "PIPE 16 X 0.5");
  EXPECT_DOUBLE_EQ(x.top[1], 16.0);
  EXPECT_DOUBLE_EQ(x.top[2], 15.0);
  EXPECT_DOUBLE_EQ(x.top[10], 24.35);
  EXPECT_DOUBLE_EQ(x.top[11], 731.9);
  EXPECT_DOUBLE_EQ(x.top[14], 1.64e10);  // written "1.64D10"
  EXPECT_DOUBLE_EQ(x.top[16], 3.65e5);
  EXPECT_FALSE(x.tapered());
  EXPECT_EQ(x.bottom, x.top);  // no taper: the bottom repeats the top

  ASSERT_EQ(m().soilLayers.size(), 2u);
  const SoilLayer& clay = m().soilLayers[0];
  EXPECT_EQ(clay.soilType, 1);
  EXPECT_DOUBLE_EQ(clay.bottom, 240.0);
  EXPECT_EQ(clay.rows, 2);
  EXPECT_EQ(clay.values, 9);
  EXPECT_DOUBLE_EQ(clay.parameters[0][2], 3.0);
  EXPECT_DOUBLE_EQ(clay.parameters[1][2], 5.0);
  EXPECT_DOUBLE_EQ(clay.parameters[0][6], 0.02);
  const SoilLayer& sand = m().soilLayers[1];
  EXPECT_EQ(sand.soilType, 4);
  EXPECT_DOUBLE_EQ(sand.top, 240.0);
  EXPECT_DOUBLE_EQ(sand.bottom, 720.0);
  EXPECT_DOUBLE_EQ(sand.parameters[1][3], 34.0);
  EXPECT_DOUBLE_EQ(sand.parameters[1][4], 60.0);
}

TEST_F(Group3dExample, NoOptionalSectionAndTheReadingTrace) {
  EXPECT_TRUE(m().printedCurves.empty());
  EXPECT_TRUE(m().userPyCurveSets.empty());
  EXPECT_TRUE(m().userLoadSettlementCurves.empty());
  EXPECT_TRUE(m().userTorqueRotationCurves.empty());
  EXPECT_TRUE(m().momentCurvatureSets.empty());
  EXPECT_TRUE(m().reductionFactorSets.empty());
  EXPECT_TRUE(m().soilMovement.empty());
  EXPECT_EQ(m().curveExport.count, 0);

  const std::vector<std::string> headers = {"CONTROL PARAMETERS",
                                            "PILE CAP",
                                            "LOAD CASES",
                                            "LOAD COMBINATIONS",
                                            "DISTRIBUTED LOAD SETS",
                                            "PILE GROUPS",
                                            "PILE PROPERTIES",
                                            "CROSS SECTIONS",
                                            "SOIL LAYERS"};
  EXPECT_EQ(trimmedHeaders(m()), headers);
  std::vector<std::string> trace = {"", "            " + m().title[0], "",
                                    "     READING * TITLE AND VERSION"};
  for (const std::string& h : headers) trace.push_back("     READING " + padded(h));
  EXPECT_EQ(reading_->echo, trace);
}

// ---------------------------------------------------------------------------------------------
// examples/bent2d.dat: three two-dimensional rows in metric units.

TEST(Bent2dExample, ReadsTheTwoDimensionalLayout) {
  const Reading r = readText(test::example("bent2d.dat"));
  ASSERT_EQ(r.result.status, StatusCode::kCompleted);
  const AnalysisModel& m = r.model;
  EXPECT_TRUE(m.is2d());
  EXPECT_EQ(m.units(), UnitsSystem::kMetric);
  EXPECT_DOUBLE_EQ(m.cap.length, 6.0);
  EXPECT_DOUBLE_EQ(m.cap.thickness, 1.5);

  ASSERT_EQ(m.loadCases.size(), 1u);
  EXPECT_EQ(m.loadCases[0].name, padded("Service: vertical load, braking force and moment"));
  EXPECT_EQ(m.loadCases[0].printNodeInterval(), 10);
  ASSERT_EQ(m.loadCases[0].concentratedLoads.size(), 1u);
  const ConcentratedLoad& load = m.loadCases[0].concentratedLoads[0];
  EXPECT_DOUBLE_EQ(load.px, 9000.0);
  EXPECT_DOUBLE_EQ(load.py, 450.0);
  EXPECT_DOUBLE_EQ(load.mz, 1200.0);
  EXPECT_TRUE(m.combinations.empty());
  EXPECT_TRUE(m.distributedLoadSets.empty());

  ASSERT_EQ(m.pileRows.size(), 3u);
  for (const PileGroupRow& row : m.pileRows) {
    EXPECT_EQ(row.connectY, kConnectionFixed);
    EXPECT_EQ(row.pilesInRow, 3);
    EXPECT_EQ(row.property, 1);
    EXPECT_DOUBLE_EQ(row.spacing, 2.7);
  }
  EXPECT_DOUBLE_EQ(m.pileRows[0].y, -2.4);
  EXPECT_DOUBLE_EQ(m.pileRows[0].batter, -9.46);
  EXPECT_DOUBLE_EQ(m.pileRows[1].batter, 0.0);
  EXPECT_DOUBLE_EQ(m.pileRows[2].y, 2.4);
  EXPECT_DOUBLE_EQ(m.pileRows[2].batter, 9.46);

  ASSERT_EQ(m.properties.size(), 1u);
  EXPECT_EQ(m.properties[0].increments, 80);
  EXPECT_DOUBLE_EQ(m.properties[0].length, 20.0);
  EXPECT_EQ(m.properties[0].pileType, 2);  // drilled shaft
  ASSERT_EQ(m.crossSections.size(), 1u);
  EXPECT_EQ(m.crossSections[0].name, "BORED_900");
  EXPECT_EQ(m.crossSections[0].typeCode, 0);
  EXPECT_DOUBLE_EQ(m.crossSections[0].top[1], 0.9);
  EXPECT_DOUBLE_EQ(m.crossSections[0].top[11], 0.03221);
  ASSERT_EQ(m.soilLayers.size(), 2u);
  EXPECT_EQ(m.soilLayers[0].soilType, 3);
  EXPECT_DOUBLE_EQ(m.soilLayers[0].parameters[1][2], 110.0);
  EXPECT_EQ(m.soilLayers[1].soilType, 8);
  EXPECT_DOUBLE_EQ(m.soilLayers[1].top, 8.0);
  EXPECT_DOUBLE_EQ(m.soilLayers[1].parameters[0][3], 36.0);
  EXPECT_DOUBLE_EQ(m.soilLayers[1].parameters[1][4], 33900.0);
  EXPECT_EQ(m.sectionHeaders.size(), 9u);
}

// ---------------------------------------------------------------------------------------------
// examples/all_sections.dat: every optional record and section.

TEST(AllSectionsExample, ControlCapAndLoads) {
  const Reading r = readText(test::example("all_sections.dat"));
  ASSERT_EQ(r.result.status, StatusCode::kCompleted);
  const AnalysisModel& m = r.model;
  EXPECT_THAT(r.switchesSeen, ElementsAre(1, 3, 2, 0, 1, 1, 1, 3, 1, 1, 1, 0, 1, 1, 1, 0));
  EXPECT_DOUBLE_EQ(m.movementFactorY, 1.0);  // A3
  EXPECT_DOUBLE_EQ(m.movementFactorZ, 0.5);
  EXPECT_DOUBLE_EQ(m.cap.length, 144.0);
  const CapPassiveMethod& b1a = m.passiveMethod;
  EXPECT_EQ(b1a.lateralModel, 0);
  EXPECT_EQ(b1a.soilModel, 0);
  EXPECT_EQ(b1a.increments, 10);
  EXPECT_DOUBLE_EQ(b1a.k50, 150.0);
  EXPECT_DOUBLE_EQ(b1a.fUlt, 4000.0);
  EXPECT_DOUBLE_EQ(b1a.yMax, 1.5);

  EXPECT_TRUE(m.caseEnvelope.on());
  EXPECT_EQ(m.caseEnvelope.printOption, 2);
  EXPECT_EQ(m.caseEnvelope.nodeInterval, 5);
  EXPECT_EQ(m.caseEnvelope.flags[1], 1);
  EXPECT_EQ(m.caseEnvelope.flags[25], 1);
  ASSERT_EQ(m.loadCases.size(), 1u);
  ASSERT_EQ(m.loadCases[0].distributedLoads.size(), 1u);
  const DistributedLoad& d = m.loadCases[0].distributedLoads[0];
  EXPECT_TRUE(d.isGlobal());
  EXPECT_EQ(d.firstPile(), 1);
  EXPECT_EQ(d.lastPile(), 2);
  EXPECT_EQ(d.pileIncrement(), 0);
  EXPECT_EQ(d.setY(), 1);
  EXPECT_DOUBLE_EQ(d.factorY, 1.0);
  EXPECT_EQ(d.setZ, 0);
  EXPECT_TRUE(m.combinations.empty());
  ASSERT_EQ(m.distributedLoadSets.size(), 1u);
  ASSERT_EQ(m.distributedLoadSets[0].points.size(), 3u);
  EXPECT_DOUBLE_EQ(m.distributedLoadSets[0].points[1].depth, 60.0);
  EXPECT_DOUBLE_EQ(m.distributedLoadSets[0].points[1].value, 10.0);
}

TEST(AllSectionsExample, PilesPropertiesSectionsAndSoil) {
  const Reading r = readText(test::example("all_sections.dat"));
  ASSERT_EQ(r.result.status, StatusCode::kCompleted);
  const AnalysisModel& m = r.model;
  ASSERT_EQ(m.pileRows.size(), 4u);
  for (const PileGroupRow& p : m.pileRows) {
    EXPECT_EQ(p.pyCurveSet, 1);
    EXPECT_EQ(p.lsCurve, 1);
    EXPECT_EQ(p.trCurve, 1);
    EXPECT_EQ(p.reductionSet, 1);
    EXPECT_DOUBLE_EQ(p.ground, 24.0);
  }
  EXPECT_DOUBLE_EQ(m.pileRows[3].y, 48.0);
  EXPECT_DOUBLE_EQ(m.pileRows[3].z, 48.0);

  ASSERT_EQ(m.properties.size(), 1u);
  ASSERT_EQ(m.properties[0].sections.size(), 2u);
  EXPECT_EQ(m.properties[0].increments, 60);
  EXPECT_EQ(m.properties[0].sections[0].nleiY, 1);
  EXPECT_EQ(m.properties[0].sections[0].nleiZ, 1);
  EXPECT_DOUBLE_EQ(m.properties[0].sections[1].from, 360.0);
  EXPECT_EQ(m.properties[0].sections[1].crossSection, 2);

  ASSERT_EQ(m.crossSections.size(), 2u);
  EXPECT_EQ(m.crossSections[0].name, "PIPE 24 X 0.75, UPPER");
  EXPECT_EQ(m.crossSections[1].name, "PIPE 24 X 0.5, LOWER");
  EXPECT_DOUBLE_EQ(m.crossSections[1].top[10], 36.91);

  ASSERT_EQ(m.soilLayers.size(), 2u);
  EXPECT_EQ(m.soilLayers[1].soilType, 5);
  EXPECT_DOUBLE_EQ(m.soilLayers[1].bottom, 900.0);
  EXPECT_DOUBLE_EQ(m.soilLayers[1].parameters[0][8], 2.0);
  EXPECT_DOUBLE_EQ(m.soilLayers[1].parameters[1][9], 200.0);
}

TEST(AllSectionsExample, OptionalSectionsJToQ) {
  const Reading r = readText(test::example("all_sections.dat"));
  ASSERT_EQ(r.result.status, StatusCode::kCompleted);
  const AnalysisModel& m = r.model;

  ASSERT_EQ(m.printedCurves.size(), 2u);  // J
  EXPECT_EQ(m.printedCurves[0].pileGroup, 1);
  EXPECT_DOUBLE_EQ(m.printedCurves[0].depth, 120.0);
  EXPECT_TRUE(m.printedCurves[0].deflections.empty());
  EXPECT_EQ(m.printedCurves[1].pileGroup, 2);
  EXPECT_THAT(m.printedCurves[1].deflections, ElementsAre(0.1, 0.2, 0.5, 1.0, 2.0));

  ASSERT_EQ(m.userPyCurveSets.size(), 1u);  // K
  ASSERT_EQ(m.userPyCurveSets[0].curves.size(), 2u);
  EXPECT_EQ(m.userPyCurveSets[0].setCode, 1);
  EXPECT_DOUBLE_EQ(m.userPyCurveSets[0].curves[1].depth, 900.0);
  ASSERT_EQ(m.userPyCurveSets[0].curves[0].points.size(), 3u);
  EXPECT_DOUBLE_EQ(m.userPyCurveSets[0].curves[0].points[1].p, 400.0);
  EXPECT_DOUBLE_EQ(m.userPyCurveSets[0].curves[0].points[1].y, 0.5);

  ASSERT_EQ(m.userLoadSettlementCurves.size(), 1u);  // L
  ASSERT_EQ(m.userLoadSettlementCurves[0].points.size(), 5u);
  EXPECT_DOUBLE_EQ(m.userLoadSettlementCurves[0].points[0].force, -4.0e5);
  EXPECT_DOUBLE_EQ(m.userLoadSettlementCurves[0].points[0].displacement, -1.0);

  ASSERT_EQ(m.userTorqueRotationCurves.size(), 1u);  // M
  ASSERT_EQ(m.userTorqueRotationCurves[0].points.size(), 3u);
  EXPECT_DOUBLE_EQ(m.userTorqueRotationCurves[0].points[2].force, 5.0e6);
  EXPECT_DOUBLE_EQ(m.userTorqueRotationCurves[0].points[2].displacement, 0.01);

  ASSERT_EQ(m.momentCurvatureSets.size(), 1u);  // N
  ASSERT_EQ(m.momentCurvatureSets[0].curves.size(), 2u);
  EXPECT_DOUBLE_EQ(m.momentCurvatureSets[0].curves[1].axialLoad, 4.0e5);
  ASSERT_EQ(m.momentCurvatureSets[0].curves[1].points.size(), 3u);
  EXPECT_DOUBLE_EQ(m.momentCurvatureSets[0].curves[1].points[1].moment, 1.6e7);
  EXPECT_DOUBLE_EQ(m.momentCurvatureSets[0].curves[1].points[1].curvature, 2.0e-4);

  ASSERT_EQ(m.reductionFactorSets.size(), 1u);  // O
  ASSERT_EQ(m.reductionFactorSets[0].points.size(), 2u);
  EXPECT_DOUBLE_EQ(m.reductionFactorSets[0].points[0].pFactor, 0.8);
  EXPECT_DOUBLE_EQ(m.reductionFactorSets[0].points[1].depth, 300.0);

  ASSERT_EQ(m.soilMovement.size(), 2u);  // P
  EXPECT_DOUBLE_EQ(m.soilMovement[0].moveY, 0.5);
  EXPECT_DOUBLE_EQ(m.soilMovement[1].depth, 240.0);

  EXPECT_EQ(m.curveExport.count, 2);  // Q
  EXPECT_THAT(m.curveExport.depthsA, ElementsAre(60.0, 120.0));
  EXPECT_THAT(m.curveExport.depthsB, ElementsAre(240.0));

  EXPECT_EQ(m.sectionHeaders.size(), 17u);
  EXPECT_EQ(trimmedHeaders(m).back(), "CURVE EXPORT");
}

// ---------------------------------------------------------------------------------------------
// Free-format forms through the whole reader, on the minimal deck.

TEST(ReaderLexicalForms, CommasNullsSlashesAndRepeatCounts) {
  Deck d;
  // C1 with commas; C2 with a null (integer 4 keeps 0) and a slash; C8 mixing repeat counts.
  d.loadCases =
      "1,0,0,0,0\n"
      "0 0 0 ,, 7, 100 / the rest is left at its default\n"
      "1.0E-4,1.0E-5  ,0.25, 0.01\n"
      "Commas and blanks\n"
      "0 0 0 0 0 0 0\n"
      "2 5 1.0 0 0.0 0.0 0 0\n"
      "0\n"
      "10*1 5*0 2* 8*1\n"
      "1\n"
      "1.0E5 5.0E3 7*0.0\n"
      "0\n"
      "0\n";
  const Reading r = readText(d.text());
  ASSERT_EQ(r.result.status, StatusCode::kCompleted) << r.result.message.back();
  const LoadCase& c = r.model.loadCases.at(0);
  EXPECT_FALSE(c.isStatic());
  EXPECT_EQ(c.cycles(), 7);
  EXPECT_EQ(c.maxCapIterations(), 100);
  EXPECT_EQ(c.maxPileIterations(), 0);
  EXPECT_DOUBLE_EQ(c.pileTolerance(), 1.0e-5);
  EXPECT_DOUBLE_EQ(c.minimumIncrement(), 0.01);
  EXPECT_THAT(outputFlags(c), ElementsAre(1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1,
                                          1, 1, 1, 1, 1, 1));
  ASSERT_EQ(c.concentratedLoads.size(), 1u);
  EXPECT_DOUBLE_EQ(c.concentratedLoads[0].z, 0.0);
}

TEST(ReaderLexicalForms, RecordsContinuedOverLinesAndExponentForms) {
  Deck d;
  d.cap = "60.0\n6.0D1\n2.4e1   the cap: one value a line\n";
  d.properties = "1\n1 1\n50 6.0E2 1\n0.0 600.0 1\n2.9d7 0 0\n";
  const Reading r = readText(d.text());
  ASSERT_EQ(r.result.status, StatusCode::kCompleted) << r.result.message.back();
  EXPECT_DOUBLE_EQ(r.model.cap.length, 60.0);
  EXPECT_DOUBLE_EQ(r.model.cap.width, 60.0);
  EXPECT_DOUBLE_EQ(r.model.cap.thickness, 24.0);
  EXPECT_DOUBLE_EQ(r.model.properties.at(0).length, 600.0);
  EXPECT_DOUBLE_EQ(r.model.properties.at(0).sections.at(0).elasticModulus, 2.9e7);
  // The header after the continued record is still found in its place.
  EXPECT_EQ(r.model.sectionHeaders.at(2).substr(0, 10), "LOAD CASES");
}

TEST(ReaderLexicalForms, NamesAndTextRecords) {
  Deck d;
  d.title = std::string(90, 'T') + "\nshort\n";
  d.crossSections =
      "1\n1 0 1\n\"PIPE 16 X 0.5, \"\"GRADE B\"\"\" (a note)\n"
      "16.0 15.0 0.0 0.0 0.0 0.0 0.0 0.0\n"
      "0.0 24.35 731.9 731.9 0.0 1.6E10 6.0E6 3.6E5 0.0 0\n";
  std::string cases = d.loadCases;
  cases.replace(cases.find("Axial and lateral load"), 22, std::string(85, 'N'));
  d.loadCases = cases;
  const Reading r = readText(d.text());
  ASSERT_EQ(r.result.status, StatusCode::kCompleted) << r.result.message.back();
  EXPECT_EQ(r.model.title[0], std::string(80, 'T'));
  EXPECT_EQ(r.model.title[1], padded("short"));
  EXPECT_EQ(r.model.loadCases.at(0).name, std::string(80, 'N'));
  EXPECT_EQ(r.model.crossSections.at(0).name, "PIPE 16 X 0.5, \"GRADE B\"");
}

TEST(ReaderLexicalForms, CrLfLineEndsAndNoFinalNewline) {
  const Deck d;
  std::string text;
  for (char ch : d.text()) {
    if (ch == '\n') text += '\r';
    text += ch;
  }
  text.erase(text.size() - 2);  // the last line ends without a line end
  const Reading crlf = readText(text);
  const Reading plain = readText(d.text());
  ASSERT_EQ(crlf.result.status, StatusCode::kCompleted) << crlf.result.message.back();
  EXPECT_EQ(crlf.model.title, plain.model.title);
  EXPECT_EQ(crlf.model.sectionHeaders, plain.model.sectionHeaders);
  EXPECT_EQ(crlf.model.loadCases.at(0).name, plain.model.loadCases.at(0).name);
  EXPECT_EQ(crlf.model.crossSections.at(0).name, "PIPE 16 X 0.5");
  EXPECT_DOUBLE_EQ(crlf.model.soilLayers.at(0).parameters[1][2], 5.0);
}

TEST(ReaderLexicalForms, NegativeValueCountReadsEmptyRowsThatStillTakeTheirLines) {
  Deck d;
  d.soilLayers = "2\n1 0\n0.0 100.0\n2 -1\n(top row)\n(bottom row)\n4 0\n100.0 720.0\n2 9\n" +
                 std::string("0.03 0.0 34.0 60.0 0.0 0.0 0.0 0.0 0.0\n") +
                 "0.03 0.0 36.0 60.0 0.0 0.0 0.0 0.0 0.0\n";
  const Reading r = readText(d.text());
  ASSERT_EQ(r.result.status, StatusCode::kCompleted) << r.result.message.back();
  ASSERT_EQ(r.model.soilLayers.size(), 2u);
  EXPECT_EQ(r.model.soilLayers[0].values, -1);
  EXPECT_DOUBLE_EQ(r.model.soilLayers[0].parameters[0][1], 0.0);
  EXPECT_EQ(r.model.soilLayers[1].soilType, 4);
  EXPECT_DOUBLE_EQ(r.model.soilLayers[1].parameters[1][3], 36.0);
}

TEST(ReaderLexicalForms, TaperedCrossSectionReadsItsBottomValues) {
  Deck d;
  d.crossSections =
      "1\n1 0 1\nTAPER\n"
      "16.0 15.0 0.0 0.0 0.0 0.0 0.0 0.0\n"
      "0.0 24.35 731.9 731.9 0.0 1.6E10 6.0E6 3.6E5 0.0 1\n"
      "12.0 11.0 0.0 0.0 0.0 0.0 0.0 0.0\n"
      "0.0 18.0 300.0 300.0 0.0 8.0E9 3.0E6 2.0E5 0.0 0.0\n";
  const Reading r = readText(d.text());
  ASSERT_EQ(r.result.status, StatusCode::kCompleted) << r.result.message.back();
  const CrossSection& x = r.model.crossSections.at(0);
  EXPECT_TRUE(x.tapered());
  EXPECT_DOUBLE_EQ(x.top[1], 16.0);
  EXPECT_DOUBLE_EQ(x.bottom[1], 12.0);
  EXPECT_DOUBLE_EQ(x.bottom[10], 18.0);
  EXPECT_DOUBLE_EQ(x.bottom[14], 8.0e9);
  EXPECT_EQ(r.model.soilLayers.size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Damaged copies of the file that holds every optional section.

// Cut after each of its lines in turn: every record is required, so each cut ends the input
// early, and the message says after which line.
TEST(ReaderRobustness, EveryTruncationOfTheFullExampleEndsEarly) {
  const std::string full = test::example("all_sections.dat");
  std::size_t end = full.find('\n');
  int line = 1;
  for (; end + 1 < full.size(); end = full.find('\n', end + 1), ++line) {
    SCOPED_TRACE("cut after line " + std::to_string(line));
    const Reading r = readText(full.substr(0, end + 1));
    ASSERT_EQ(r.result.status, StatusCode::kInputEndsEarly);
    ASSERT_EQ(r.result.message.size(), 3u);
    EXPECT_EQ(r.result.message[0], "     **** INPUT ERROR ****");
    EXPECT_THAT(r.result.message[2],
                HasSubstr("THE INPUT DATA FILE ENDS AFTER LINE " + std::to_string(line) + ","));
  }
  EXPECT_EQ(readText(full).result.status, StatusCode::kCompleted);
}

// Each line replaced by noise: the file is still read (the line was text or a note) or it is
// refused with a message naming a record; nothing is read out of bounds.
TEST(ReaderRobustness, NoiseOnAnyLineIsReadOrRefused) {
  const std::string full = test::example("all_sections.dat");
  std::size_t start = 0;
  int line = 1;
  while (start < full.size()) {
    const std::size_t end = full.find('\n', start);
    for (const std::string noise : {"?", "1e", "'", "-7", "2*", "999999", ""}) {
      SCOPED_TRACE("line " + std::to_string(line) + " replaced by [" + noise + "]");
      std::string text = full;
      text.replace(start, end - start, noise);
      const Reading r = readText(text);
      if (r.result.status != StatusCode::kCompleted) {
        EXPECT_GE(toInt(r.result.status), 42);
        EXPECT_LE(toInt(r.result.status), 46);
        ASSERT_EQ(r.result.message.size(), 3u);
        EXPECT_EQ(r.result.message[0], "     **** INPUT ERROR ****");
        EXPECT_THAT(r.result.message[1], StartsWith("     RECORD "));
      }
    }
    start = end + 1;
    ++line;
  }
}

}  // namespace
}  // namespace stilt
