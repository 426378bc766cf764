#pragma once
// The plate model of a flexible pile cap: the data the plate solver reads from the card-format
// model file, and the mesh of the cap that the run writes into it.
//
// The cap is a flat plate in the (Y, Z) plane; X is normal to it. Every node carries six freedoms
// in the order UX UY UZ ROTX ROTY ROTZ: the membrane works in UY, UZ, the plate (bending and
// transverse shear) in UX, ROTY, ROTZ, and ROTX (the rotation about the normal) has only a small
// drilling stiffness of its own.

#include <array>
#include <string>
#include <vector>

namespace stilt::cap {

inline constexpr int kNodeFreedoms = 6;                                 // NDOFN
inline constexpr int kElementNodes = 8;                                 // NNODE
inline constexpr int kElementFreedoms = kNodeFreedoms * kElementNodes;  // NEVAB
inline constexpr int kStressResultants = 8;                             // NSTRE

// The control record of the card model and the solver constants that go with it.
struct PlateControl {
  int npoin = 0;  // nodes
  int nelem = 0;  // elements
  int nmats = 1;  // materials
  int nnode = kElementNodes;
  int ngaus = 2;                                   // Gauss points per direction
  int nvfix = 0;                                   // restrained nodes
  int nnlod = 0, nnsti = 0, ndlod = 0, ndsti = 0;  // node and distributed loads, stiffnesses
  int nclod = 0;                                   // concentrated load records
  int ncsti = 0;                                   // concentrated stiffness records
  int reserved1 = 0, reserved2 = 0;                // two zero counts kept as read
  int nctsti = 0;                                  // pile-spring records
  int reserved3 = 1;                               // the closing value, kept as read
  // Solver constants, fixed for this element.
  int ncase = 1;
  int ntype = 0;
  int ndofn = kNodeFreedoms;
  int nprop = 3;
  int ndime = 2;
  int nstre = kStressResultants;
  int nevab = kElementFreedoms;
};

// Pseudo-time stepping: the load grows with the time TCUR from TINI to TEND.
struct PlateStepping {
  double dt = 1.0;
  double tini = 0.0;
  double tend = 1.0;
  double dtmin = 0.1;
  int maxiter = 20;
  double tolerance = 1.0e-5;
};

struct PlateElement {
  int number = 0;
  int material = 1;
  std::array<int, kElementNodes> nodes{};  // corners, then mid-sides
};

struct PlateNode {
  int number = 0;
  double x = 0.0;  // along the normal; always 0 for the cap
  double y = 0.0;
  double z = 0.0;
};

struct PlateMaterial {
  double young = 0.0;
  double poisson = 0.0;
  double thickness = 0.0;
};

// A restrained node: a code per freedom (1 restrained) and the prescribed values.
struct PlateRestraint {
  int node = 0;
  std::array<int, kNodeFreedoms> codes{};
  std::array<double, kNodeFreedoms> values{};
};

// A concentrated load at a point (Y, Z) of the plate, in the freedom order.
struct PlateLoad {
  double y = 0.0;
  double z = 0.0;
  std::array<double, kNodeFreedoms> forces{};
};

// A support (a pile head) at a point: the absolute direction components of its axis and, per
// flag, whether the head passes moments to the plate (0 for a pinned head).
struct PlateSpring {
  double x = 0.0, y = 0.0, z = 0.0;
  std::array<double, 3> direction{};
  std::array<double, 3> flags{};
};

struct PlateModel {
  std::string title;
  PlateControl control;
  PlateStepping stepping;
  std::vector<PlateElement> elements;
  std::vector<PlateNode> nodes;
  std::vector<PlateMaterial> materials;
  std::vector<PlateRestraint> restraints;
  std::vector<PlateLoad> loads;
  std::vector<PlateSpring> springs;
};

}  // namespace stilt::cap
