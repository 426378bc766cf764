#include "report/load_assembly.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace stilt {
namespace {

// A model of `piles` plumb piles of one property (10 increments over 20 length units), with one
// load case, built in code so each test states exactly what it loads.
AnalysisModel makeModel(int analysisType, int piles) {
  AnalysisModel m;
  m.switches.values[1] = 1;
  m.switches.values[2] = analysisType;
  PileProperty prop;
  prop.increments = 10;
  prop.length = 20.0;
  prop.sections.push_back(PileSection{0.0, 20.0, 1, 1.0, 0, 0, 0});
  m.properties.push_back(prop);
  for (int i = 0; i < piles; ++i) {
    PileGroupRow r;
    r.property = 1;
    r.pilesInRow = 1;
    r.y = 10.0 * i;
    r.alpha = 0.0;
    r.beta = 90.0;
    m.pileRows.push_back(r);
  }
  LoadCase c;
  c.reals[5] = 1.0;  // scale factor
  m.loadCases.push_back(c);
  return m;
}

DistributedLoadSet constantSet(double depth0, double depth1, double value) {
  return DistributedLoadSet{{{depth0, value}, {depth1, value}}};
}

DistributedLoad localRow(int first, int last, int increment, int setY) {
  DistributedLoad d;
  d.ints[2] = 0;  // local axes
  d.ints[3] = first;
  d.ints[4] = last;
  d.ints[5] = increment;
  d.ints[6] = setY;
  d.factorY = 1.0;
  return d;
}

TEST(EquivalentLoad, MomentsOfForcesAboutTheOrigin3d) {
  AnalysisModel m = makeModel(3, 1);
  ConcentratedLoad p;
  p.px = 100.0;
  p.py = 20.0;
  p.pz = -30.0;
  p.mx = 1.0;
  p.my = 2.0;
  p.mz = 3.0;
  p.x = 2.0;
  p.y = 5.0;
  p.z = -4.0;
  m.loadCases[0].concentratedLoads.push_back(p);
  m.loadCases[0].reals[5] = 2.0;
  const LoadVector v = equivalentLoadOfCase(m, 0);
  // r x F with r = (2, 5, -4), F = (100, 20, -30):
  //   x: 5*(-30) - (-4)*20 = -150 + 80 = -70
  //   y: (-4)*100 - 2*(-30) = -400 + 60 = -340
  //   z: 2*20 - 5*100 = 40 - 500 = -460
  EXPECT_DOUBLE_EQ(v[0], 200.0);
  EXPECT_DOUBLE_EQ(v[1], 40.0);
  EXPECT_DOUBLE_EQ(v[2], -60.0);
  EXPECT_DOUBLE_EQ(v[3], 2.0 * (1.0 - 70.0));
  EXPECT_DOUBLE_EQ(v[4], 2.0 * (2.0 - 340.0));
  EXPECT_DOUBLE_EQ(v[5], 2.0 * (3.0 - 460.0));
}

TEST(EquivalentLoad, PlanarUsesOnlyTheInPlaneComponents) {
  AnalysisModel m = makeModel(2, 1);
  ConcentratedLoad p;
  p.px = 100.0;
  p.py = 20.0;
  p.mz = 7.0;
  p.pz = 999.0;
  p.mx = 999.0;
  p.my = 999.0;
  p.x = 3.0;
  p.y = 1.0;
  m.loadCases[0].concentratedLoads.push_back(p);
  const LoadVector v = equivalentLoadOfCase(m, 0);
  EXPECT_DOUBLE_EQ(v[0], 100.0);
  EXPECT_DOUBLE_EQ(v[1], 20.0);
  EXPECT_DOUBLE_EQ(v[2], 0.0);
  EXPECT_DOUBLE_EQ(v[3], 0.0);
  EXPECT_DOUBLE_EQ(v[4], 0.0);
  EXPECT_DOUBLE_EQ(v[5], 7.0 + 20.0 * 3.0 - 100.0 * 1.0);
}

TEST(EquivalentLoad, CombinationSumsFactoredCasesAndAZeroFactorAddsNothing) {
  AnalysisModel m = makeModel(3, 1);
  m.loadCases.push_back(m.loadCases[0]);
  m.loadCases[0].concentratedLoads.push_back(ConcentratedLoad{10.0, 1.0});
  m.loadCases[0].reals[5] = 3.0;  // scale of case 1
  m.loadCases[1].concentratedLoads.push_back(ConcentratedLoad{1000.0, 0.0});
  LoadCombination comb;
  comb.terms = {{1, 2.0, 0}, {2, 0.0, 0}};
  m.combinations.push_back(comb);
  const LoadVector v = equivalentLoadOfCombination(m, 0);
  EXPECT_DOUBLE_EQ(v[0], 2.0 * 3.0 * 10.0);
  EXPECT_DOUBLE_EQ(v[1], 2.0 * 3.0 * 1.0);
}

TEST(LoadIntensity, SetRules) {
  const DistributedLoadSet single{{{0.0, 5.0}}};
  EXPECT_EQ(loadIntensityAt(&single, 0.0), 0.0);  // a single point contributes nothing
  EXPECT_EQ(loadIntensityAt(nullptr, 1.0), 0.0);
  const DistributedLoadSet set{{{2.0, 10.0}, {6.0, 30.0}, {10.0, 50.0}}};
  EXPECT_DOUBLE_EQ(loadIntensityAt(&set, 4.0), 20.0);
  EXPECT_DOUBLE_EQ(loadIntensityAt(&set, 8.0), 40.0);
  EXPECT_DOUBLE_EQ(loadIntensityAt(&set, 2.0), 10.0);
  EXPECT_DOUBLE_EQ(loadIntensityAt(&set, 10.0), 50.0);
  EXPECT_DOUBLE_EQ(loadIntensityAt(&set, 10.0 + 1.0e-9), 50.0);  // within 1e-8 of the last
  EXPECT_EQ(loadIntensityAt(&set, 10.0 + 1.0e-6), 0.0);
  EXPECT_EQ(loadIntensityAt(&set, 1.0), 0.0);
}

std::vector<int> loadedPiles(const DistributedLoads& loads) {
  std::vector<int> piles;
  for (std::size_t i = 0; i < loads.piles.size(); ++i) {
    if (loads.piles[i].nodeCount > 0) piles.push_back(static_cast<int>(i) + 1);
  }
  return piles;
}

TEST(DistributedLoadAssembly, PileRanges) {
  AnalysisModel m = makeModel(3, 6);
  m.distributedLoadSets.push_back(constantSet(0.0, 20.0, 1.0));
  const std::vector<PileGeometry> layout = buildPileLayout(m);
  DistributedLoads loads;

  m.loadCases[0].distributedLoads = {localRow(5, 2, 0, 1)};  // reversed, increment 0
  assembleCaseLoads(m, layout, 0, loads);
  EXPECT_EQ(loadedPiles(loads), (std::vector<int>{2, 5}));

  m.loadCases[0].distributedLoads = {localRow(3, 0, 0, 1)};  // last pile 0: the first alone
  assembleCaseLoads(m, layout, 0, loads);
  EXPECT_EQ(loadedPiles(loads), (std::vector<int>{3}));

  m.loadCases[0].distributedLoads = {localRow(1, 6, 2, 1)};
  assembleCaseLoads(m, layout, 0, loads);
  EXPECT_EQ(loadedPiles(loads), (std::vector<int>{1, 3, 5}));

  m.loadCases[0].distributedLoads = {localRow(0, 0, 0, 1)};  // pile numbers below 1: nothing
  assembleCaseLoads(m, layout, 0, loads);
  EXPECT_TRUE(loadedPiles(loads).empty());
}

TEST(DistributedLoadAssembly, NodesCarryTheScaledIntensityInLocalAxes) {
  AnalysisModel m = makeModel(3, 1);
  m.distributedLoadSets.push_back(DistributedLoadSet{{{0.0, 0.0}, {20.0, 40.0}}});
  m.loadCases[0].reals[5] = 0.5;
  DistributedLoad d = localRow(1, 1, 0, 1);
  d.factorY = 3.0;
  m.loadCases[0].distributedLoads = {d};
  DistributedLoads loads;
  assembleCaseLoads(m, buildPileLayout(m), 0, loads);
  const PileNodeLoads& p = loads.piles[0];
  ASSERT_EQ(p.nodeCount, 11);
  for (int k = 0; k <= 10; ++k) {
    const double x = 2.0 * k;
    EXPECT_DOUBLE_EQ(p.depth[static_cast<std::size_t>(k)], x);
    EXPECT_NEAR(p.qy[static_cast<std::size_t>(k)], 3.0 * 0.5 * 2.0 * x, 1e-12);
  }
  EXPECT_FALSE(loads.axialLoadsPresent);
  // On a mesh refined 3 times the same line load is read at the 31 nodes of h = 2/3.
  assembleCaseLoads(m, buildPileLayout(m), 0, loads, 3);
  ASSERT_EQ(loads.piles[0].nodeCount, 31);
  EXPECT_NEAR(loads.piles[0].depth[1], 2.0 / 3.0, 1e-12);
  EXPECT_NEAR(loads.piles[0].qy[1], 3.0 * 0.5 * 2.0 * (2.0 / 3.0), 1e-12);
  EXPECT_NEAR(loads.piles[0].qy[30], 3.0 * 0.5 * 40.0, 1e-12);
}

TEST(DistributedLoadAssembly, PlanarGlobalLoadOnAPlumbPileIsFullyLateral) {
  AnalysisModel m = makeModel(2, 1);
  m.distributedLoadSets.push_back(constantSet(0.0, 20.0, 4.0));
  DistributedLoad d = localRow(1, 1, 0, 1);
  d.ints[2] = 1;                // global
  m.loadCases[0].ints[14] = 1;  // axial part carried to the head
  m.loadCases[0].distributedLoads = {d};
  DistributedLoads loads;
  assembleCaseLoads(m, buildPileLayout(m), 0, loads);
  EXPECT_NEAR(loads.piles[0].qy[5], 4.0, 1e-12);
  EXPECT_NEAR(loads.piles[0].axialHeadLoad, 0.0, 1e-12);
}

TEST(DistributedLoadAssembly, GlobalLoadOnABatteredPileSplitsIntoLateralAndAxial) {
  AnalysisModel m = makeModel(3, 1);
  m.pileRows[0].alpha = 30.0;
  m.pileRows[0].beta = 70.0;
  m.distributedLoadSets.push_back(constantSet(0.0, 20.0, 2.0));
  DistributedLoad d = localRow(1, 1, 0, 1);
  d.ints[2] = 1;
  d.setZ = 1;
  d.factorZ = 0.5;  // qZ = 1.0, qY = 2.0
  m.loadCases[0].ints[14] = 1;
  m.loadCases[0].distributedLoads = {d};
  const std::vector<PileGeometry> layout = buildPileLayout(m);
  DistributedLoads loads;
  assembleCaseLoads(m, layout, 0, loads);
  const double a = 30.0 * M_PI / 180.0;
  const double b = 70.0 * M_PI / 180.0;
  // The global lateral load (0, 2, 1) seen from the pile axes: rows 2 and 3 of the rotation.
  const double qy = 2.0 * std::cos(a) * std::sin(b) + 1.0 * std::sin(a) * std::sin(b);
  const double qz = 1.0 * std::cos(a) - 2.0 * std::sin(a);
  const double axial = (2.0 * std::cos(a) + 1.0 * std::sin(a)) * std::cos(b);
  EXPECT_NEAR(loads.piles[0].qy[3], qy, 1e-12);
  EXPECT_NEAR(loads.piles[0].qz[3], qz, 1e-12);
  // The rotation keeps the size of the load: lateral and axial parts make up |(0, 2, 1)|.
  EXPECT_NEAR(qy * qy + qz * qz + axial * axial, 5.0, 1e-12);
  // A constant axial intensity integrated over the 20-unit pile.
  EXPECT_TRUE(loads.axialLoadsPresent);
  EXPECT_NEAR(loads.piles[0].axialHeadLoad, 20.0 * axial, 1e-10);

  // Carried to the head, the axial load acts along the pile axis (sin b, cos a cos b, sin a cos b)
  // at the head (0, 0, 0) here, so it adds forces and no moments.
  LoadVector v{};
  addAxialHeadLoads(m, layout, loads, v);
  const double n = 20.0 * axial;
  EXPECT_NEAR(v[0], n * std::sin(b), 1e-10);
  EXPECT_NEAR(v[1], n * std::cos(b) * std::cos(a), 1e-10);
  EXPECT_NEAR(v[2], n * std::cos(b) * std::sin(a), 1e-10);
  EXPECT_NEAR(v[3], 0.0, 1e-10);
}

TEST(DistributedLoadAssembly, AxialHeadLoadOfAnOffsetPileAddsItsMoment) {
  AnalysisModel m = makeModel(2, 1);
  m.pileRows[0].batter = 30.0;  // theta = 60 degrees
  m.pileRows[0].x = 1.0;
  m.pileRows[0].y = 4.0;
  const std::vector<PileGeometry> layout = buildPileLayout(m);
  DistributedLoads loads;
  loads.piles.assign(1, PileNodeLoads{});
  loads.piles[0].axialHeadLoad = 10.0;
  loads.axialLoadsPresent = true;
  LoadVector v{};
  addAxialHeadLoads(m, layout, loads, v);
  const double fx = 10.0 * std::sin(M_PI / 3.0);
  const double fy = 10.0 * std::cos(M_PI / 3.0);
  EXPECT_NEAR(v[0], fx, 1e-12);
  EXPECT_NEAR(v[1], fy, 1e-12);
  EXPECT_NEAR(v[5], 1.0 * fy - 4.0 * fx, 1e-12);
}

TEST(DistributedLoadAssembly, CombinationUsesTermFactorTimesCaseScale) {
  AnalysisModel m = makeModel(3, 2);
  m.distributedLoadSets.push_back(constantSet(0.0, 20.0, 1.0));
  m.loadCases[0].reals[5] = 2.0;
  m.loadCases[0].distributedLoads = {localRow(1, 2, 1, 1)};
  LoadCombination comb;
  comb.terms = {{1, 1.5, 0}, {1, 0.0, 0}};
  m.combinations.push_back(comb);
  DistributedLoads loads;
  assembleCombinationLoads(m, buildPileLayout(m), 0, loads);
  EXPECT_NEAR(loads.piles[1].qy[4], 3.0, 1e-12);
}

}  // namespace
}  // namespace stilt
