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

// The supports of the plate, one per pile-spring record, in global axes and the freedom order.
class CapSupports {
 public:
  virtual ~CapSupports() = default;
  // At the displacement `u` of its node: the resistance of support `index` (the force it
  // develops against the displacement, that is minus the force it exerts on the plate) and its
  // tangent stiffness d(resistance)/du (row-major). False stops the analysis; `message` says why.
  [[nodiscard]] virtual bool respond(std::size_t index, const std::array<double, 6>& u,
                                     std::array<double, 6>& resistance,
                                     std::array<double, 36>& tangent, std::string& message) = 0;
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
  kBadSupport,           // more supports asked for than given
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
  std::vector<int> supportNode;  // per support: the node it acts at (1-based)
};

struct PlateOutputs {
  std::ostream* listing = nullptr;    // the plate listing
  std::ostream* steps = nullptr;      // the step-results file
  std::vector<std::string> messages;  // lines of the plate message file (and the console)
};

// Checks the model and solves it. `dumpLines`, when given, are the lines of the model file not
// yet read, copied to the listing after a failed check.
[[nodiscard]] PlateStatus runPlateAnalysis(const PlateModel& model, CapSupports* supports,
                                           const std::vector<std::string>* dumpLines,
                                           PlateOutputs& out, PlateSolution& solution);

// The consistent nodal loads of the model's concentrated loads at full load, per freedom: a load
// inside an element is shared among its nodes by the shape functions (which keeps its resultant
// and its moment about every axis); a load outside every element goes to the nearest node with
// the moment of its transfer.
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
