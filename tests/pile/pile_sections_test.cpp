// Per-node section data of a pile built from a pile property and its cross sections.

#include "pile/pile_sections.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace stilt {
namespace {

CrossSection crossSection(int type, double iz, double iy) {
  CrossSection c;
  c.typeCode = type;
  c.top[1] = 24.0;   // diameter
  c.top[3] = 12.0;   // width
  c.top[4] = 20.0;   // depth
  c.top[10] = 50.0;  // area
  c.top[11] = iz;
  c.top[12] = iy;
  c.top[15] = 1000.0;  // Mn
  c.top[16] = 100.0;   // Vn
  c.bottom = c.top;
  return c;
}

PileSection section(double from, double to, int cross, double e, int nleiY = 0, int nleiZ = 0) {
  PileSection s;
  s.from = from;
  s.to = to;
  s.crossSection = cross;
  s.elasticModulus = e;
  s.nleiY = nleiY;
  s.nleiZ = nleiZ;
  return s;
}

MomentCurvatureSet usableSet() {
  MomentCurvatureSet s;
  MomentCurvatureCurve c;
  c.points = {{0.0, 0.0}, {10.0, 0.01}};
  s.curves.push_back(c);
  return s;
}

// A 3-D model: property 1 of 10 increments over 100 length units, two sections: 0 to 40 on a
// tapered cross section 1 (Iz 10 -> 30, Iy 20 -> 40, area 50 -> 70) with E = 2, and 40 to 100
// on cross section 2 (Iz 50, Iy 60) with E = 3.
AnalysisModel model() {
  AnalysisModel m;
  m.switches.values[2] = 3;
  PileProperty p;
  p.increments = 10;
  p.length = 100.0;
  p.sections = {section(0.0, 40.0, 1, 2.0, 1, 2), section(40.0, 100.0, 2, 3.0)};
  m.properties.push_back(p);
  CrossSection tapered = crossSection(3, 10.0, 20.0);
  tapered.taper = 1;
  tapered.bottom[10] = 70.0;
  tapered.bottom[11] = 30.0;
  tapered.bottom[12] = 40.0;
  tapered.bottom[15] = 3000.0;
  m.crossSections = {tapered, crossSection(1, 50.0, 60.0)};
  m.momentCurvatureSets = {usableSet(), usableSet()};
  return m;
}

struct Built {
  StatusCode status = StatusCode::kCompleted;
  std::unique_ptr<LateralPileModel> pile = std::make_unique<LateralPileModel>();
  Diagnostics diag;
};

Built build(const AnalysisModel& m, int property = 1) {
  Built b;
  b.status = buildPileSections(m, property, *b.pile, b.diag);
  return b;
}

TEST(PileSections, IncrementsAndLength) {
  const Built b = build(model());
  ASSERT_TRUE(isOk(b.status));
  EXPECT_EQ(b.pile->increments, 10);
  EXPECT_DOUBLE_EQ(b.pile->increment, 10.0);
}

TEST(PileSections, StiffnessIsInterpolatedAlongTheTaper) {
  const Built b = build(model());
  ASSERT_TRUE(isOk(b.status));
  const auto& ey = b.pile->stiffnessY;  // E·Iz
  const auto& ez = b.pile->stiffnessZ;  // E·Iy
  EXPECT_DOUBLE_EQ(ey[0], 2.0 * 10.0);
  EXPECT_DOUBLE_EQ(ey[2], 2.0 * 20.0);  // x = 20, halfway down the taper
  EXPECT_DOUBLE_EQ(ez[2], 2.0 * 30.0);
  EXPECT_DOUBLE_EQ(ey[4], 2.0 * 30.0);  // x = 40: the upper section's bottom
  EXPECT_DOUBLE_EQ(ey[5], 3.0 * 50.0);
  EXPECT_DOUBLE_EQ(ez[10], 3.0 * 60.0);
  // Section values follow the same rule.
  EXPECT_DOUBLE_EQ(b.pile->sections[2].area, 60.0);
  EXPECT_DOUBLE_EQ(b.pile->sections[1].momentCapacity, 1000.0 + 0.25 * 2000.0);
  EXPECT_DOUBLE_EQ(b.pile->sections[2].iz, 20.0);
  EXPECT_EQ(b.pile->sections[2].shape, 3);
  EXPECT_EQ(b.pile->sections[7].shape, 1);
  EXPECT_DOUBLE_EQ(b.pile->sections[7].diameter, 24.0);
  EXPECT_DOUBLE_EQ(b.pile->sections[7].shearCapacity, 100.0);
}

TEST(PileSections, ARefinedMeshCutsEveryIncrementAndInterpolatesBetween) {
  // K = 4: 40 increments of 2.5; node 4k of the refined mesh is node k of the input's, and the
  // taper's E·Iz at x = 2.5 is 2·(10 + 20·2.5/40) = 22.5. Factors beyond 1..16 are refused.
  Built b;
  b.status = buildPileSections(model(), 1, *b.pile, b.diag, 4);
  ASSERT_TRUE(isOk(b.status));
  EXPECT_EQ(b.pile->increments, 40);
  EXPECT_DOUBLE_EQ(b.pile->increment, 2.5);
  EXPECT_EQ(b.pile->stiffnessY.size(), 41u);
  EXPECT_DOUBLE_EQ(b.pile->stiffnessY[1], 22.5);
  EXPECT_DOUBLE_EQ(b.pile->stiffnessY[8], 2.0 * 20.0);
  EXPECT_DOUBLE_EQ(b.pile->stiffnessZ[40], 3.0 * 60.0);
  EXPECT_DOUBLE_EQ(b.pile->sections[8].area, 60.0);
  for (int refine : {0, 17}) {
    Built r;
    r.status = buildPileSections(model(), 1, *r.pile, r.diag, refine);
    EXPECT_EQ(r.status, StatusCode::kInputInvalidValue) << refine;
  }
}

TEST(PileSections, GapsBetweenSectionsAreBridgedAndEndsExtended) {
  AnalysisModel m = model();
  m.properties[0].sections = {section(10.0, 40.0, 2, 1.0), section(60.0, 90.0, 2, 3.0)};
  const Built b = build(m);
  ASSERT_TRUE(isOk(b.status));
  EXPECT_DOUBLE_EQ(b.pile->stiffnessY[0], 50.0);    // above the first section: its top value
  EXPECT_DOUBLE_EQ(b.pile->stiffnessY[5], 100.0);   // x = 50, between 50 and 150
  EXPECT_DOUBLE_EQ(b.pile->stiffnessY[10], 150.0);  // below the last: its bottom value
}

TEST(PileSections, MomentCurvatureSetsBelongToTheSectionHoldingTheNode) {
  AnalysisModel m = model();
  Built off = build(m);
  EXPECT_FALSE(off.pile->nonlinearBending);
  EXPECT_EQ(off.pile->curvesY[0], nullptr);

  m.switches.values[9] = 1;
  const Built b = build(m);
  ASSERT_TRUE(isOk(b.status));
  EXPECT_TRUE(b.pile->nonlinearBending);
  for (int node = 0; node <= 4; ++node) {
    EXPECT_EQ(b.pile->curvesY[static_cast<std::size_t>(node)], &m.momentCurvatureSets[0]);
    EXPECT_EQ(b.pile->curvesZ[static_cast<std::size_t>(node)], &m.momentCurvatureSets[1]);
  }
  for (int node = 5; node <= 10; ++node) {  // set number 0: elastic
    EXPECT_EQ(b.pile->curvesY[static_cast<std::size_t>(node)], nullptr);
    EXPECT_EQ(b.pile->curvesZ[static_cast<std::size_t>(node)], nullptr);
  }
}

TEST(PileSections, PlanarAnalysisBendsInOnePlane) {
  AnalysisModel m = model();
  m.switches.values[2] = 2;
  m.switches.values[9] = 1;
  m.crossSections[1].top[12] = 0.0;  // no Iy: irrelevant in a plane
  m.crossSections[1].bottom[12] = 0.0;
  const Built b = build(m);
  ASSERT_TRUE(isOk(b.status));
  for (std::size_t node = 0; node <= 10; ++node) {
    EXPECT_EQ(b.pile->stiffnessZ[node], b.pile->stiffnessY[node]);
    EXPECT_EQ(b.pile->curvesZ[node], nullptr);
  }
  EXPECT_EQ(b.pile->curvesY[0], &m.momentCurvatureSets[0]);
}

TEST(PileSectionRefusals, ZeroElasticModulus) {
  AnalysisModel m = model();
  m.properties[0].sections[1].elasticModulus = 0.0;
  const Built b = build(m);
  EXPECT_EQ(b.status, StatusCode::kZeroBendingStiffness);
  ASSERT_EQ(b.diag.report.size(), 3u);
  EXPECT_EQ(b.diag.report[0], "     **** FATAL ERROR ****");
  EXPECT_EQ(b.diag.report[1],
            "     PILE PROPERTY 1, SECTION 2 (CROSS SECTION 2) HAS ZERO BENDING STIFFNESS");
  EXPECT_EQ(b.diag.report[2],
            "     AT ITS TOP: E =  0.0000E+00, Iz =  5.0000E+01, Iy =  6.0000E+01");
  EXPECT_EQ(b.diag.runtime, b.diag.report);
}

TEST(PileSectionRefusals, ZeroMomentOfInertiaAtATaperedBottom) {
  AnalysisModel m = model();
  m.crossSections[0].bottom[12] = 0.0;
  const Built b = build(m);
  EXPECT_EQ(b.status, StatusCode::kZeroBendingStiffness);
  ASSERT_EQ(b.diag.report.size(), 3u);
  EXPECT_EQ(b.diag.report[1],
            "     PILE PROPERTY 1, SECTION 1 (CROSS SECTION 1) HAS ZERO BENDING STIFFNESS");
  EXPECT_EQ(b.diag.report[2],
            "     AT ITS BOTTOM: E =  2.0000E+00, Iz =  3.0000E+01, Iy =  0.0000E+00");
}

TEST(PileSectionRefusals, IncrementsAndLength) {
  for (int increments : {0, -3, 101}) {
    AnalysisModel m = model();
    m.properties[0].increments = increments;
    const Built b = build(m);
    EXPECT_EQ(b.status, StatusCode::kInputInvalidValue) << increments;
    ASSERT_EQ(b.diag.report.size(), 2u);
    EXPECT_EQ(b.diag.report[1], "     PILE PROPERTY 1 HAS " + std::to_string(increments) +
                                    " INCREMENTS; 1 TO 100 ARE NEEDED");
  }
  AnalysisModel m = model();
  m.properties[0].length = 0.0;
  EXPECT_EQ(build(m).status, StatusCode::kInputInvalidValue);
  m = model();
  m.properties[0].sections.clear();
  EXPECT_EQ(build(m).status, StatusCode::kInputInvalidValue);
}

TEST(PileSectionRefusals, UndefinedReferences) {
  EXPECT_EQ(build(model(), 2).status, StatusCode::kInputUndefinedReference);
  EXPECT_EQ(build(model(), 0).status, StatusCode::kInputUndefinedReference);
  AnalysisModel m = model();
  m.properties[0].sections[0].crossSection = 5;
  EXPECT_EQ(build(m).status, StatusCode::kInputUndefinedReference);
  m = model();
  m.switches.values[9] = 1;
  m.properties[0].sections[0].nleiZ = 3;
  EXPECT_EQ(build(m).status, StatusCode::kInputUndefinedReference);
}

TEST(PileSectionRefusals, UnreadableMomentCurvatureSets) {
  AnalysisModel m = model();
  m.switches.values[9] = 1;
  m.momentCurvatureSets[1].curves[0].points.resize(1);
  const Built b = build(m);
  EXPECT_EQ(b.status, StatusCode::kInputInvalidValue);
  ASSERT_EQ(b.diag.report.size(), 3u);
  EXPECT_EQ(b.diag.report[1], "     PILE PROPERTY 1, SECTION 1: MOMENT-CURVATURE SET 2, CURVE 1");
  EXPECT_EQ(b.diag.report[2], "     NEEDS TWO POINTS OR MORE, THE SECOND AT A POSITIVE CURVATURE");

  m = model();
  m.switches.values[9] = 1;
  m.momentCurvatureSets[0].curves.clear();
  EXPECT_EQ(build(m).status, StatusCode::kInputInvalidValue);
  // Not used when the switch is off.
  m.switches.values[9] = 0;
  EXPECT_TRUE(isOk(build(m).status));
}

}  // namespace
}  // namespace stilt
