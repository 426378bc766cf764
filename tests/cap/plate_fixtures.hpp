#pragma once
// Plate models for the tests: rectangles and distorted patches with restraints and point loads.

#include <functional>
#include <vector>

#include "cap/cap_mesh.hpp"
#include "cap/plate_model.hpp"

namespace stilt::cap::testing {

// A rectangle 0 ≤ Y ≤ length, 0 ≤ Z ≤ width of nY x nZ elements, one material, one step.
inline PlateModel rectangle(int nY, int nZ, double length, double width, double young,
                            double poisson, double thickness) {
  PlateModel m;
  m.title = "TEST PLATE";
  CapGeometry g;
  g.elementsY = nY;
  g.elementsZ = nZ;
  g.length = length;
  g.width = width;
  g.y0 = 0.5 * length;
  g.z0 = -0.5 * width;
  buildCapMesh(g, m.nodes, m.elements);
  m.materials.push_back({young, poisson, thickness});
  m.control.npoin = static_cast<int>(m.nodes.size());
  m.control.nelem = static_cast<int>(m.elements.size());
  m.stepping = {1.0, 0.0, 1.0, 0.1, 10, 1.0e-8};
  return m;
}

// Restrains the chosen freedoms (0..5) of every node for which `where` holds, to the values
// `value(node, freedom)`.
inline void restrain(PlateModel& m, const std::function<bool(const PlateNode&)>& where,
                     const std::vector<int>& freedoms,
                     const std::function<double(const PlateNode&, int)>& value = nullptr) {
  for (const PlateNode& n : m.nodes) {
    if (!where(n)) continue;
    PlateRestraint* r = nullptr;
    for (PlateRestraint& existing : m.restraints)
      if (existing.node == n.number) r = &existing;
    if (r == nullptr) {
      m.restraints.push_back({n.number, {}, {}});
      r = &m.restraints.back();
    }
    for (int d : freedoms) {
      r->codes[static_cast<std::size_t>(d)] = 1;
      r->values[static_cast<std::size_t>(d)] = value ? value(n, d) : 0.0;
    }
  }
  m.control.nvfix = static_cast<int>(m.restraints.size());
}

inline void addLoad(PlateModel& m, double y, double z, int freedom, double value) {
  PlateLoad l;
  l.y = y;
  l.z = z;
  l.forces[static_cast<std::size_t>(freedom)] = value;
  m.loads.push_back(l);
  m.control.nclod = static_cast<int>(m.loads.size());
}

// A uniform pressure q along X on every element, as consistent nodal loads of a rectangular
// 8-node element: −1/12 of the element's load at each corner, 1/3 at each mid-side.
inline void addUniformPressure(PlateModel& m, double q) {
  for (const PlateElement& e : m.elements) {
    const PlateNode& a = m.nodes[static_cast<std::size_t>(e.nodes[0] - 1)];
    const PlateNode& c = m.nodes[static_cast<std::size_t>(e.nodes[2] - 1)];
    const double area = std::abs((c.y - a.y) * (c.z - a.z));
    for (int i = 0; i < kElementNodes; ++i) {
      const PlateNode& n =
          m.nodes[static_cast<std::size_t>(e.nodes[static_cast<std::size_t>(i)] - 1)];
      addLoad(m, n.y, n.z, 0, q * area * (i < 4 ? -1.0 / 12.0 : 1.0 / 3.0));
    }
  }
}

inline std::size_t freedom(int node, int d) {
  return static_cast<std::size_t>(node - 1) * kNodeFreedoms + static_cast<std::size_t>(d);
}

}  // namespace stilt::cap::testing
