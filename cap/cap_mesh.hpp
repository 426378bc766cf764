#pragma once
// The mesh of a rectangular pile cap: 8-node elements numbered along Y first, row by row.
//
// Nodes are numbered row by row from the top edge (largest Z) down. A full row (an element edge)
// holds 2·nY + 1 nodes; the mid row between two full rows holds the nY + 1 mid-side nodes of the
// vertical edges. With the row stride s = 3·nY + 2, the element whose first corner is node n and
// whose left mid-side node is m has the nodes n, n+2, n+s+2, n+s (corners) and n+1, m+1, n+s+1, m
// (mid-sides).

#include <vector>

#include "cap/plate_model.hpp"

namespace stilt::cap {

struct CapGeometry {
  int elementsY = 0;  // nY, along the cap length
  int elementsZ = 0;  // nZ, along the cap width
  double length = 0.0;
  double width = 0.0;
  double thickness = 0.0;
  double y0 = 0.0;  // reference coordinates of the cap
  double z0 = 0.0;
};

[[nodiscard]] constexpr int capNodeCount(int nY, int nZ) {
  return (2 * nY + 1) * (nZ + 1) + (nY + 1) * nZ;
}
[[nodiscard]] constexpr int capElementCount(int nY, int nZ) {
  return nY * nZ;
}

// The nodes (numbered from 1, X = 0) and the elements (material 1) of the cap.
void buildCapMesh(const CapGeometry& g, std::vector<PlateNode>& nodes,
                  std::vector<PlateElement>& elements);

}  // namespace stilt::cap
