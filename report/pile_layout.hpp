#pragma once
// The piles of the group as the analysis sees them: head position and orientation.
//
// In three dimensions every pile-group row is one pile, with its batter angles ALPHA and BETA read
// in degrees (a plumb pile has ALPHA = 0 and BETA = 90). In two dimensions every row stands for
// its own number of piles across the plane, battered by the row's angle (0 for a plumb pile).

#include <vector>

#include "model/analysis_model.hpp"

namespace stilt {

struct PileGeometry {
  double x = 0.0;  // head X (vertical, positive downward)
  double y = 0.0;
  double z = 0.0;
  double ground = 0.0;  // X of the ground surface at the pile
  // Three dimensions: the angles a and b of the rotation into pile axes, radians.
  double alpha = 0.0;
  double beta = 0.0;
  // Two dimensions: theta = pi/2 minus the batter angle, radians; alpha = 0 and beta = theta,
  // so that the rotation into pile axes is the three-dimensional one.
  double theta = 0.0;
  double cosA = 1.0, sinA = 0.0, cosB = 0.0, sinB = 1.0;
  double cosTheta = 0.0, sinTheta = 1.0;
};

// One entry per pile-group row, in row order.
[[nodiscard]] std::vector<PileGeometry> buildPileLayout(const AnalysisModel& model);

// The value of pi the load assembly and the pile transformations use: 2·arcsin(1).
[[nodiscard]] double layoutPi();

}  // namespace stilt
