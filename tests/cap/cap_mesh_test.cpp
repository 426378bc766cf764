// The numbering of the cap mesh: counts, row stride, corner and mid-side order, coordinates.
#include "cap/cap_mesh.hpp"

#include <gtest/gtest.h>

namespace stilt::cap {
namespace {

TEST(CapMesh, TwoByOneHasThirteenNodesAndTheStatedFirstElement) {
  EXPECT_EQ(capNodeCount(2, 1), 13);
  EXPECT_EQ(capElementCount(2, 1), 2);
  CapGeometry g{2, 1, 8.0, 3.0, 1.0, 0.0, 0.0};
  std::vector<PlateNode> nodes;
  std::vector<PlateElement> elements;
  buildCapMesh(g, nodes, elements);
  ASSERT_EQ(nodes.size(), 13u);
  ASSERT_EQ(elements.size(), 2u);
  EXPECT_EQ(elements[0].nodes, (std::array<int, 8>{1, 3, 11, 9, 2, 7, 10, 6}));
  EXPECT_EQ(elements[1].nodes, (std::array<int, 8>{3, 5, 13, 11, 4, 8, 12, 7}));
  EXPECT_EQ(elements[1].number, 2);
  EXPECT_EQ(elements[1].material, 1);
}

TEST(CapMesh, RowsRunFromTheTopEdgeDownAtHalfAnElementApart) {
  // L_Y = 8, W_Z = 3, Y0 = 1, Z0 = 0.5: the first row at Z = 1.5 − 0.5 = 1 from Y = 1 − 4 = −3.
  CapGeometry g{2, 1, 8.0, 3.0, 1.0, 1.0, 0.5};
  std::vector<PlateNode> nodes;
  std::vector<PlateElement> elements;
  buildCapMesh(g, nodes, elements);
  const double expected[13][2] = {{-3, 1},    {-1, 1},   {1, 1},    {3, 1},   {5, 1},
                                  {-3, -0.5}, {1, -0.5}, {5, -0.5}, {-3, -2}, {-1, -2},
                                  {1, -2},    {3, -2},   {5, -2}};
  for (std::size_t i = 0; i < 13; ++i) {
    EXPECT_EQ(nodes[i].number, static_cast<int>(i + 1));
    EXPECT_EQ(nodes[i].x, 0.0);
    EXPECT_DOUBLE_EQ(nodes[i].y, expected[i][0]) << "node " << i + 1;
    EXPECT_DOUBLE_EQ(nodes[i].z, expected[i][1]) << "node " << i + 1;
  }
}

TEST(CapMesh, ElementsOfTheSecondRowUseTheStride) {
  // nY = 3: stride 11; element 4 starts at node 12 with its left mid-side node 19.
  CapGeometry g{3, 2, 3.0, 2.0, 1.0, 0.0, 0.0};
  std::vector<PlateNode> nodes;
  std::vector<PlateElement> elements;
  buildCapMesh(g, nodes, elements);
  EXPECT_EQ(nodes.size(), static_cast<std::size_t>(capNodeCount(3, 2)));
  EXPECT_EQ(capNodeCount(3, 2), 7 * 3 + 4 * 2);
  EXPECT_EQ(elements[3].nodes, (std::array<int, 8>{12, 14, 25, 23, 13, 20, 24, 19}));
  EXPECT_EQ(elements[5].nodes, (std::array<int, 8>{16, 18, 29, 27, 17, 22, 28, 21}));
}

TEST(CapMesh, NoElementsGiveNoMesh) {
  std::vector<PlateNode> nodes{{1, 0, 0, 0}};
  std::vector<PlateElement> elements;
  buildCapMesh(CapGeometry{0, 3, 1.0, 1.0, 1.0, 0.0, 0.0}, nodes, elements);
  EXPECT_TRUE(nodes.empty());
  EXPECT_TRUE(elements.empty());
}

}  // namespace
}  // namespace stilt::cap
