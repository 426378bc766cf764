#pragma once
// The plate analysis of a flexible cap: checks, pseudo-time stepping with Newton iterations on
// the supports, frontal solution, and the listings of each converged step.
//
// The plate knows nothing of what supports it: every pile-spring record of the model is a
// support whose response (its resistance and 6 x 6 tangent at a nodal displacement) comes from
// the caller through `CapSupports`.

#include <array>
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "cap/plate_element.hpp"
#include "cap/plate_model.hpp"

namespace stilt::cap {

// What the plate asks of its supports at an equilibrium iteration.
struct SupportRequest {
  int step = 0;         // the step being solved (1-based)
  double time = 0.0;    // the load fraction of that step
  int iteration = 0;    // 1-based within the step; 0 for the forces of a converged step
  bool tangent = true;  // whether the tangents are wanted (not for the converged forces)
};

enum class SupportResponse {
  kGiven,         // every support has given its response
  kNotConverged,  // some support could not find its state: the step is retried, smaller
  kFailed,        // the analysis stops; the message says why
};

// The supports of the plate, one per pile-spring record, in global axes and the freedom order.
// A support acts at the point of its record (its head, a distance X off the mid-plane), tied to
// the plate through the shape functions of the element that contains the point.
class CapSupports {
 public:
  virtual ~CapSupports() = default;
  // At the displacement `u` of its point: the resistance of support `index` (the force it
  // develops against the displacement, that is minus the force it exerts on the plate) and its
  // tangent stiffness d(resistance)/du (row-major). False stops the analysis; `message` says why.
  [[nodiscard]] virtual bool respond(std::size_t index, const std::array<double, 6>& u,
                                     std::array<double, 6>& resistance,
                                     std::array<double, 36>& tangent, std::string& message) = 0;
  // Every support at once, `u` per support; supports that can work on several at a time (the
  // piles of a group, on a pool of threads) override it. This default asks `respond` of each.
  [[nodiscard]] virtual SupportResponse respondAll(const SupportRequest& request,
                                                   const std::vector<std::array<double, 6>>& u,
                                                   std::vector<std::array<double, 6>>& resistance,
                                                   std::vector<std::array<double, 36>>& tangent,
                                                   std::string& message);
};

// Supports of constant stiffness: resistance = K·u.
class LinearSupports final : public CapSupports {
 public:
  explicit LinearSupports(std::vector<std::array<double, 36>> stiffness)
      : stiffness_(std::move(stiffness)) {}
  [[nodiscard]] bool respond(std::size_t index, const std::array<double, 6>& u,
                             std::array<double, 6>& resistance, std::array<double, 36>& tangent,
                             std::string& message) override;

 private:
  std::vector<std::array<double, 36>> stiffness_;
};

enum class PlateStatus {
  kCompleted,
  kCheck1Failed,         // control values refused; the dump followed
  kCheck2Failed,         // mesh or restraints refused; the dump followed
  kNonPositiveJacobian,  // an element of zero or negative area
  kZeroPivot,            // the plate has a mechanism
  kMinimumIncrement,     // a step failed with the smallest increment allowed
  kSupportFailed,        // a support could not give its response
  kBadSupport,           // more supports asked for than given, or one outside the plate
  kFileError,            // gslab.dat or a file it names cannot be opened, read or written
};

// The results of the last converged step.
struct PlateSolution {
  int step = 0;
  double time = 0.0;
  std::vector<double> displacement;  // per freedom
  std::vector<double> reactions;     // per freedom: forces of restraints and supports on the plate
  std::vector<ElementResultants> gauss;                      // per element
  std::vector<std::array<double, kStressResultants>> nodal;  // per node, averaged
  std::vector<std::array<double, 6>> supportForces;          // per support: its resistance
  std::vector<int> supportNode;     // per support: the node nearest to it (1-based)
  std::vector<int> supportElement;  // per support: its element (1-based)
  std::vector<std::array<double, 6>> supportDisplacement;  // per support: at its point
  int iterations = 0;  // equilibrium iterations of the last converged step
};

struct PlateOutputs {
  std::ostream* listing = nullptr;    // the plate listing
  std::ostream* steps = nullptr;      // the step-results file
  std::vector<std::string> messages;  // lines of the plate message file (and the console)
};

// How a point of the plate moves with it: the point (y, z) of the mid-plane, or a point a
// distance x off it along the normal, rigidly attached to the normal there. Its six
// displacements are T·u_e, T (6 x 48, row-major) over the element's freedoms: the translations
// and the rotations ROTY, ROTZ interpolated by the shape functions, the offset x adding x·ROTZ to
// UY and −x·ROTY to UZ, and ROTX the rotation of the membrane about the normal,
// ½(∂UZ/∂Y − ∂UY/∂Z), since the nodal rotation ROTX carries only a numerical drilling stiffness.
struct PointCoupling {
  std::size_t element = 0;  // 0-based
  double xi = 0.0, eta = 0.0;
  bool inside = true;
  std::array<double, 6 * kElementFreedoms> t{};
};
// False when the point lies outside every element and `extrapolate` is not set; with it, a point
// outside moves with the element of nearest centre, its shape functions extended (they keep a
// rigid motion rigid).
[[nodiscard]] bool couplePoint(const PlateModel& m, const std::vector<ElementCoordinates>& coords,
                               double x, double y, double z, bool extrapolate, PointCoupling& c);
// T·u_e for the displacements `u` per freedom.
[[nodiscard]] std::array<double, 6> coupledDisplacement(const PlateModel& m, const PointCoupling& c,
                                                        const std::vector<double>& u);

// Checks the model and solves it. `dumpLines`, when given, are the lines of the model file not
// yet read, copied to the listing after a failed check.
[[nodiscard]] PlateStatus runPlateAnalysis(const PlateModel& model, CapSupports* supports,
                                           const std::vector<std::string>* dumpLines,
                                           PlateOutputs& out, PlateSolution& solution);

// The consistent nodal loads of the model's concentrated loads at full load, per freedom: a load
// inside an element is shared among its nodes by the shape functions (which keeps its resultant
// and its moment about every axis); a load outside every element is shared the same way by the
// extended shape functions of the element of nearest centre (which keeps them too).
[[nodiscard]] std::vector<double> nodalLoads(const PlateModel& m,
                                             const std::vector<ElementCoordinates>& coords);

// The coordinates of every element's nodes (node numbers assumed valid).
[[nodiscard]] std::vector<ElementCoordinates> elementCoordinates(const PlateModel& m);

// The node (1-based) nearest to the point (y, z) of the plate.
[[nodiscard]] int nearestNode(const PlateModel& m, double y, double z);

// The listing lines of the model echo: control values, elements, nodes, material, restraints,
// loads and supports.
void writeModelEcho(const PlateModel& m, std::ostream& listing);

}  // namespace stilt::cap
