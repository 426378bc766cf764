#include "report/pile_layout.hpp"

#include <cmath>

namespace stilt {

double layoutPi() {
  return 2.0 * std::asin(1.0);
}

std::vector<PileGeometry> buildPileLayout(const AnalysisModel& model) {
  const double toRadians = layoutPi() / 180.0;
  std::vector<PileGeometry> layout;
  layout.reserve(model.pileRows.size());
  for (const PileGroupRow& r : model.pileRows) {
    PileGeometry g;
    g.x = r.x;
    g.y = r.y;
    g.z = r.z;
    g.ground = r.ground;
    if (model.is3d()) {
      g.alpha = r.alpha * toRadians;
      g.beta = r.beta * toRadians;
      g.cosA = std::cos(g.alpha);
      g.sinA = std::sin(g.alpha);
      g.cosB = std::cos(g.beta);
      g.sinB = std::sin(g.beta);
    } else {
      g.theta = 0.5 * layoutPi() - r.batter * toRadians;
      g.cosTheta = std::cos(g.theta);
      g.sinTheta = std::sin(g.theta);
      // In the plane X-Y the pile is the three-dimensional pile with a = 0 and b = theta: its
      // axis (sin b, cos b, 0) leans toward Y by the batter angle.
      g.beta = g.theta;
      g.cosB = g.cosTheta;
      g.sinB = g.sinTheta;
    }
    layout.push_back(g);
  }
  return layout;
}

}  // namespace stilt
