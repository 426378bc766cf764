#include "cap/cap_mesh.hpp"

namespace stilt::cap {

void buildCapMesh(const CapGeometry& g, std::vector<PlateNode>& nodes,
                  std::vector<PlateElement>& elements) {
  const int nY = g.elementsY;
  const int nZ = g.elementsZ;
  nodes.clear();
  elements.clear();
  if (nY < 1 || nZ < 1) return;
  nodes.reserve(static_cast<std::size_t>(capNodeCount(nY, nZ)));
  elements.reserve(static_cast<std::size_t>(capElementCount(nY, nZ)));

  const double yStart = g.y0 - 0.5 * g.length;
  const double zTop = 0.5 * g.width - g.z0;
  const double dz = g.width / (2.0 * nZ);  // between a full row and the next mid row
  int number = 0;
  for (int row = 0; row <= 2 * nZ; ++row) {
    const double z = zTop - row * dz;
    const bool full = row % 2 == 0;
    const int count = full ? 2 * nY + 1 : nY + 1;
    const double dy = full ? g.length / (2.0 * nY) : g.length / nY;
    for (int i = 0; i < count; ++i) nodes.push_back({++number, 0.0, yStart + i * dy, z});
  }

  const int stride = 3 * nY + 2;
  int element = 0;
  for (int j = 0; j < nZ; ++j) {
    for (int i = 0; i < nY; ++i) {
      const int n = j * stride + 2 * i + 1;
      const int m = j * stride + 2 * nY + 1 + i + 1;
      ++element;
      elements.push_back(
          {element, 1, {n, n + 2, n + stride + 2, n + stride, n + 1, m + 1, n + stride + 1, m}});
    }
  }
}

}  // namespace stilt::cap
