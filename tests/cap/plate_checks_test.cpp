// CHECK1 and CHECK2: one case per error group, the orphan node with its dump, the front size.
#include "cap/plate_checks.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "cap/plate_fixtures.hpp"
#include "cap/plate_solver.hpp"

namespace stilt::cap {
namespace {

using testing::rectangle;
using testing::restrain;

PlateControl validControl() {
  PlateControl c;
  c.npoin = 13;
  c.nelem = 2;
  return c;
}

TEST(Check1, AValidControlRecordPasses) {
  PlateCheck check;
  checkControl(validControl(), check);
  EXPECT_FALSE(check.check1Failed());
}

TEST(Check1, EachConditionSetsItsError) {
  const std::vector<std::pair<int, std::function<void(PlateControl&)>>> cases = {
      {1, [](PlateControl& c) { c.npoin = 0; }},
      {2,
       [](PlateControl& c) {
         c.nelem = 1;
         c.npoin = 9;
         c.nmats = 1;
       }},  // 8·1 < 9
      {3, [](PlateControl& c) { c.nvfix = -1; }},
      {3, [](PlateControl& c) { c.nvfix = 14; }},
      {4, [](PlateControl& c) { c.ncase = 0; }},
      {5, [](PlateControl& c) { c.ntype = 3; }},
      {6,
       [](PlateControl& c) {
         c.nnode = 2;
         c.npoin = 4;
       }},
      {6, [](PlateControl& c) { c.nnode = 10; }},
      {7, [](PlateControl& c) { c.ndofn = 7; }},
      {8, [](PlateControl& c) { c.nmats = 3; }},
      {9, [](PlateControl& c) { c.nprop = 6; }},
      {10, [](PlateControl& c) { c.ngaus = 4; }},
      {11, [](PlateControl& c) { c.ndime = 0; }},
      {12, [](PlateControl& c) { c.nstre = 9; }},
  };
  for (const auto& [error, change] : cases) {
    PlateControl c = validControl();
    change(c);
    PlateCheck check;
    checkControl(c, check);
    for (int e = 1; e <= 12; ++e)
      EXPECT_EQ(check.errors[static_cast<std::size_t>(e)] != 0, e == error)
          << "expected error " << error << ", flag " << e;
    const std::vector<std::string> lines = check1Lines(check);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], " *** DIAGNOSIS BY CHECK1, ERROR" + fmt::format("{:>5}", error));
  }
}

PlateModel twoElements() {
  PlateModel m = rectangle(2, 1, 2.0, 1.0, 1.0e4, 0.3, 0.2);
  return m;
}

int errorOf(const PlateModel& m, int e) {
  PlateCheck check;
  checkMesh(m, check);
  return check.errors[static_cast<std::size_t>(e)];
}

TEST(Check2, AValidMeshPasses) {
  PlateCheck check;
  checkMesh(twoElements(), check);
  EXPECT_FALSE(check.check2Failed());
  // Element 1 brings 8 nodes; 5 of them leave with it; element 2 brings 5 more: 8 nodes at most.
  EXPECT_EQ(check.maxFront, 48);
  EXPECT_EQ(check.frontSize, 60);
}

TEST(Check2, EachCategoryIsCounted) {
  PlateModel m = twoElements();
  m.nodes[12].y = m.nodes[0].y;  // node 13 onto node 1... and node 9 at (0, 0)
  m.nodes[12].z = m.nodes[0].z;
  EXPECT_EQ(errorOf(m, 13), 1);

  m = twoElements();
  m.elements[1].material = 2;
  EXPECT_EQ(errorOf(m, 14), 1);
  m.elements[0].material = 0;
  EXPECT_EQ(errorOf(m, 14), 2);

  m = twoElements();
  m.elements[0].nodes[4] = 0;  // node 2 is then in no element either
  EXPECT_EQ(errorOf(m, 15), 1);

  m = twoElements();
  m.elements[0].nodes[4] = 14;
  m.elements[1].nodes[4] = -1;
  EXPECT_EQ(errorOf(m, 16), 2);

  m = twoElements();
  m.elements[0].nodes[4] = 1;  // node 1 twice in element 1
  EXPECT_EQ(errorOf(m, 17), 1);

  m = twoElements();
  restrain(m, [](const PlateNode& n) { return n.number == 1; }, {0});
  m.restraints.push_back({14, {1, 0, 0, 0, 0, 0}, {}});
  m.restraints.push_back({0, {1, 0, 0, 0, 0, 0}, {}});
  EXPECT_EQ(errorOf(m, 22), 2);
  m.restraints.push_back({3, {}, {}});
  EXPECT_EQ(errorOf(m, 23), 1);
  m.restraints.push_back({1, {0, 1, 0, 0, 0, 0}, {}});
  m.restraints.push_back({1, {0, 1, 0, 0, 0, 0}, {}});
  EXPECT_EQ(errorOf(m, 24), 2);
}

TEST(Check2, AnOrphanNodeIsNamedAndTheDataCardsFollow) {
  PlateModel m = twoElements();
  m.nodes.push_back({14, 0.0, 7.0, 0.0});  // in no element, off the origin, restrained
  m.control.npoin = 14;
  restrain(m, [](const PlateNode& n) { return n.number == 14; }, {0});
  PlateCheck check;
  checkMesh(m, check);
  EXPECT_EQ(check.errors[18], 1);
  EXPECT_EQ(check.errors[19], 1);
  EXPECT_EQ(check.errors[20], 1);
  EXPECT_EQ(check.orphanNodes, std::vector<int>{14});

  std::ostringstream listing;
  PlateOutputs out;
  out.listing = &listing;
  PlateSolution solution;
  const std::vector<std::string> cards = {"   0.1   REMAINING CARD 1", "REMAINING CARD 2"};
  EXPECT_EQ(runPlateAnalysis(m, nullptr, &cards, out, solution), PlateStatus::kCheck2Failed);
  const std::string text = listing.str();
  EXPECT_NE(text.find(" CHECK WHY NODE      14 NEVER APPEARS\n"), std::string::npos);
  EXPECT_NE(text.find(" *** DIAGNOSIS BY CHECK2, ERROR   18    ASSOCIATED NUMBER       1\n"),
            std::string::npos);
  const std::size_t dump = text.find("NOW FOLLOWING A LISTING OF POST-DISASTER DATA CARDS");
  ASSERT_NE(dump, std::string::npos);
  EXPECT_NE(text.find("   0.1   REMAINING CARD 1\nREMAINING CARD 2\n", dump), std::string::npos);
  EXPECT_EQ(text.find("DISPLACEMENTS"), std::string::npos);  // nothing was solved
}

TEST(Check2, TheFrontSizeIsOneMoreThanTheLargestFront) {
  // nY = 3, nZ = 2: along the first row of elements the front grows by two nodes an element
  // (8, 10, 12); the second row starts from the 7 nodes of the middle edge plus 5: 12 nodes at
  // most, 72 freedoms, front size 73. Error 21 never comes.
  PlateModel m = rectangle(3, 2, 3.0, 2.0, 1.0e4, 0.3, 0.2);
  PlateCheck check;
  checkMesh(m, check);
  EXPECT_EQ(check.maxFront, 72);
  EXPECT_EQ(check.frontSize, 73);
  EXPECT_EQ(check.errors[21], 0);
  // With five freedoms a node the same mesh has a front of 60, and the size becomes 61.
  m.control.ndofn = 5;
  checkMesh(m, check);
  EXPECT_EQ(check.maxFront, 60);
  EXPECT_EQ(check.frontSize, 61);
}

}  // namespace
}  // namespace stilt::cap
