#include "report/pile_layout.hpp"

#include <cmath>
#include <tuple>
#include <utility>

namespace stilt {

double layoutPi() {
  return 2.0 * std::asin(1.0);
}

namespace {

// Cosine and sine of an angle given in degrees. At the multiples of 90 degrees they are exact
// (0 and plus or minus 1): a plumb pile or one lying along an axis then has exactly the axes of
// the cap, instead of axes tilted by the rounding of pi/2 (cos(pi/2) is 6.1E-17 in floating
// point), which would leak a trace of each head component into the others. Other angles take
// the library functions of `radians`.
std::pair<double, double> cosSinDegrees(double degrees, double radians) {
  double r = std::fmod(degrees, 360.0);  // exact
  if (r < 0.0) r += 360.0;
  if (r == 0.0) return {1.0, 0.0};
  if (r == 90.0) return {0.0, 1.0};
  if (r == 180.0) return {-1.0, 0.0};
  if (r == 270.0) return {0.0, -1.0};
  return {std::cos(radians), std::sin(radians)};
}

}  // namespace

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
      std::tie(g.cosA, g.sinA) = cosSinDegrees(r.alpha, g.alpha);
      std::tie(g.cosB, g.sinB) = cosSinDegrees(r.beta, g.beta);
    } else {
      g.theta = 0.5 * layoutPi() - r.batter * toRadians;
      std::tie(g.cosTheta, g.sinTheta) = cosSinDegrees(90.0 - r.batter, g.theta);
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
