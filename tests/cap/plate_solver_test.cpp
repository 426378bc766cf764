// The plate solver against plate and beam theory: patch tests, Timoshenko's simply supported
// plate with and without shear deformation, cantilever strips, and statics on spring supports.
#include "cap/plate_solver.hpp"

#include <gtest/gtest.h>
#include <array>
#include <cmath>
#include <sstream>

#include "cap/plate_checks.hpp"
#include "cap/plate_element.hpp"
#include "cap/plate_fixtures.hpp"

namespace stilt::cap {
namespace {

using testing::addLoad;
using testing::addUniformPressure;
using testing::freedom;
using testing::rectangle;
using testing::restrain;

constexpr int kUX = 0, kUY = 1, kUZ = 2, kRotX = 3, kRotY = 4, kRotZ = 5;

struct PlateRun {
  PlateStatus status = PlateStatus::kCompleted;
  PlateSolution solution;
  std::string listing;
  std::vector<std::string> messages;
};

PlateRun solve(const PlateModel& m, CapSupports* supports = nullptr) {
  PlateRun r;
  std::ostringstream listing, steps;
  PlateOutputs out;
  out.listing = &listing;
  out.steps = &steps;
  r.status = runPlateAnalysis(m, supports, nullptr, out, r.solution);
  r.listing = listing.str();
  r.messages = out.messages;
  return r;
}

// Moves the nodes of a 2 x 2 patch of the unit square: the interior corner off centre and the
// interior mid-sides to the middle of their (now slanted) edges, so that every element is a
// general straight-sided quadrilateral.
void distort(PlateModel& m) {
  const double cy = 0.58, cz = 0.41;  // the moved centre node (from 0.5, 0.5)
  for (PlateNode& n : m.nodes) {
    const bool midY = std::abs(n.y - 0.5) < 1e-12, midZ = std::abs(n.z - 0.5) < 1e-12;
    if (midY && midZ) {
      n.y = cy;
      n.z = cz;
    } else if (midY && (std::abs(n.z - 0.25) < 1e-12 || std::abs(n.z - 0.75) < 1e-12)) {
      const double zEdge = n.z < 0.5 ? 0.0 : 1.0;
      n.y = 0.5 * (0.5 + cy);
      n.z = 0.5 * (zEdge + cz);
    } else if (midZ && (std::abs(n.y - 0.25) < 1e-12 || std::abs(n.y - 0.75) < 1e-12)) {
      const double yEdge = n.y < 0.5 ? 0.0 : 1.0;
      n.y = 0.5 * (yEdge + cy);
      n.z = 0.5 * (0.5 + cz);
    }
  }
}

bool onBoundary(const PlateNode& n) {
  return n.y < 1e-12 || n.y > 1.0 - 1e-12 || n.z < 1e-12 || n.z > 1.0 - 1e-12;
}

TEST(PlatePatchTest, ConstantMembraneStrainIsExactOnADistortedMesh) {
  PlateModel m = rectangle(2, 2, 1.0, 1.0, 200.0, 0.25, 0.3);
  distort(m);
  // u_Y = 1e-3·(1 + 2y + 3z), u_Z = 1e-3·(−1 + 4y − 5z): ε_yy = 2e-3, ε_zz = −5e-3, γ = 7e-3.
  const auto field = [](const PlateNode& n, int d) {
    return d == kUY ? 1e-3 * (1.0 + 2.0 * n.y + 3.0 * n.z) : 1e-3 * (-1.0 + 4.0 * n.y - 5.0 * n.z);
  };
  restrain(m, onBoundary, {kUY, kUZ}, field);
  restrain(m, [](const PlateNode&) { return true; }, {kUX, kRotX, kRotY, kRotZ});
  const PlateRun r = solve(m);
  ASSERT_EQ(r.status, PlateStatus::kCompleted) << r.listing;
  for (const PlateNode& n : m.nodes) {
    EXPECT_NEAR(r.solution.displacement[freedom(n.number, kUY)], field(n, kUY), 1e-10);
    EXPECT_NEAR(r.solution.displacement[freedom(n.number, kUZ)], field(n, kUZ), 1e-10);
  }
  const double c = 200.0 / (1.0 - 0.0625);
  for (const ElementResultants& e : r.solution.gauss)
    for (const GaussResultants& g : e) {
      EXPECT_NEAR(g.values[0], c * (2e-3 + 0.25 * -5e-3), 1e-10);
      EXPECT_NEAR(g.values[1], c * (-5e-3 + 0.25 * 2e-3), 1e-10);
      EXPECT_NEAR(g.values[2], c * 0.375 * 7e-3, 1e-10);
      for (int v = 3; v < 8; ++v) EXPECT_NEAR(g.values[static_cast<std::size_t>(v)], 0.0, 1e-10);
    }
  // The boundary reactions of a uniform stress state balance.
  double sumY = 0.0, sumZ = 0.0;
  for (const PlateNode& n : m.nodes) {
    sumY += r.solution.reactions[freedom(n.number, kUY)];
    sumZ += r.solution.reactions[freedom(n.number, kUZ)];
  }
  EXPECT_NEAR(sumY, 0.0, 1e-10);
  EXPECT_NEAR(sumZ, 0.0, 1e-10);
}

// A state of constant curvature without transverse shear: w quadratic, rotations linear, with
// ROTZ = −∂w/∂y and ROTY = ∂w/∂z. The mesh is skewed, every element a different parallelogram:
// uneven columns, each row of elements sheared by its own amount.
TEST(PlatePatchTest, ConstantCurvatureIsExactOnASkewedMesh) {
  PlateModel m = rectangle(2, 2, 1.0, 1.0, 1000.0, 0.3, 0.05);
  std::vector<char> boundary;
  for (PlateNode& n : m.nodes) {
    boundary.push_back(onBoundary(n));
    const double y = n.y < 0.5 ? 0.8 * n.y : 0.4 + 1.2 * (n.y - 0.5);
    const double shift = n.z > 0.5 ? 0.1 - 0.2 * (n.z - 0.5) : 0.25 - 0.3 * n.z;
    n.y = y + shift;
  }
  const double a = 2e-3, b = -3e-3, c = 1.5e-3;  // w = a·y²/2 + b·z²/2 + c·y·z
  const auto field = [=](const PlateNode& n, int d) {
    if (d == kUX) return 0.5 * a * n.y * n.y + 0.5 * b * n.z * n.z + c * n.y * n.z;
    if (d == kRotZ) return -(a * n.y + c * n.z);
    return b * n.z + c * n.y;  // ROTY = ∂w/∂z
  };
  restrain(
      m, [&](const PlateNode& n) { return boundary[static_cast<std::size_t>(n.number - 1)] != 0; },
      {kUX, kRotY, kRotZ}, field);
  restrain(m, [](const PlateNode&) { return true; }, {kUY, kUZ, kRotX});
  const PlateRun r = solve(m);
  ASSERT_EQ(r.status, PlateStatus::kCompleted) << r.listing;
  for (const PlateNode& n : m.nodes)
    for (int d : {kUX, kRotY, kRotZ})
      EXPECT_NEAR(r.solution.displacement[freedom(n.number, d)], field(n, d), 1e-10)
          << "node " << n.number << " freedom " << d;
  // κ_x = −w_yy, κ_y = −w_zz, κ_xy = −2·w_yz; M = D·κ; no transverse shear.
  const double db = 1000.0 * 0.05 * 0.05 * 0.05 / (12.0 * 0.91);
  for (const ElementResultants& e : r.solution.gauss)
    for (const GaussResultants& g : e) {
      EXPECT_NEAR(g.values[3], db * (-a - 0.3 * b), 1e-10);
      EXPECT_NEAR(g.values[4], db * (-b - 0.3 * a), 1e-10);
      EXPECT_NEAR(g.values[5], db * 0.35 * (-2.0 * c), 1e-10);
      EXPECT_NEAR(g.values[6], 0.0, 1e-10);
      EXPECT_NEAR(g.values[7], 0.0, 1e-10);
    }
}

// Simply supported square plate under uniform pressure, hard supports (w = 0 and the rotation
// along the edge held): Timoshenko and Woinowsky-Krieger (1959), w = 0.00406·q·a⁴/D at the centre
// for ν = 0.3 (0.00406235 with more digits). With shear deformation (Mindlin) the deflection
// grows by the Marcus moment over the shear rigidity (Wang, Reddy and Lee 2000): at the centre
// 0.0736713·q·a²/D_s, the centre value of the membrane solution ∇²M = −q.
double simplySupportedCentre(double thickness) {
  PlateModel m = rectangle(8, 8, 1.0, 1.0, 1.0e6, 0.3, thickness);
  restrain(m, [](const PlateNode& n) { return n.y < 1e-12 || n.y > 1.0 - 1e-12; }, {kUX, kRotY});
  restrain(m, [](const PlateNode& n) { return n.z < 1e-12 || n.z > 1.0 - 1e-12; }, {kUX, kRotZ});
  restrain(m, [](const PlateNode&) { return true; }, {kUY, kUZ, kRotX});
  addUniformPressure(m, 1.0);
  const PlateRun r = solve(m);
  EXPECT_EQ(r.status, PlateStatus::kCompleted);
  for (const PlateNode& n : m.nodes)
    if (std::abs(n.y - 0.5) < 1e-12 && std::abs(n.z - 0.5) < 1e-12)
      return r.solution.displacement[freedom(n.number, kUX)];
  return 0.0;
}

TEST(SimplySupportedPlate, ThinPlateMatchesTimoshenko) {
  const double t = 0.01;  // a/t = 100
  const double d = 1.0e6 * t * t * t / (12.0 * (1.0 - 0.09));
  const double kirchhoff = 0.00406235 / d;
  EXPECT_NEAR(simplySupportedCentre(t) / kirchhoff, 1.0, 0.01);
}

TEST(SimplySupportedPlate, ThickPlateAddsTheMindlinShearTerm) {
  const double t = 0.2;  // a/t = 5
  const double d = 1.0e6 * t * t * t / (12.0 * (1.0 - 0.09));
  const double ds = 1.0e6 * t / (2.4 * 1.3);
  const double kirchhoff = 0.00406235 / d;
  const double mindlin = kirchhoff + 0.0736713 / ds;
  const double w = simplySupportedCentre(t);
  EXPECT_GT(w, 1.05 * kirchhoff);
  EXPECT_NEAR(w / mindlin, 1.0, 0.03);
  EXPECT_NEAR((w - kirchhoff) / (mindlin - kirchhoff), 1.0, 0.03);
}

// A strip clamped at Y = 0 and loaded by P at Y = L, ν = 0: Timoshenko beam theory,
// δ = P·L³/(3·E·I) + P·L/(κ·G·A) with κ = 5/6.
TEST(CantileverStrip, InPlaneEndLoadFollowsBeamTheory) {
  const double length = 10.0, depth = 1.0, t = 0.2, young = 1.0e4, load = 1.0;
  PlateModel m = rectangle(10, 2, length, depth, young, 0.0, t);
  restrain(m, [](const PlateNode& n) { return n.y < 1e-12; }, {kUY, kUZ});
  restrain(m, [](const PlateNode&) { return true; }, {kUX, kRotX, kRotY, kRotZ});
  // A parabolic shear traction over the end, lumped consistently: a uniform one is enough for
  // the tip deflection of a slender strip (Saint-Venant).
  for (const PlateNode& n : m.nodes)
    if (n.y > length - 1e-9) {
      const bool corner = std::abs(std::remainder(n.z, 0.5)) < 1e-12;  // z = 0, 0.5, 1
      const bool edge = n.z < 1e-12 || n.z > depth - 1e-12;
      const double share = corner ? (edge ? 1.0 / 12.0 : 1.0 / 6.0) : 1.0 / 3.0;
      addLoad(m, n.y, n.z, kUZ, load * share);
    }
  const PlateRun r = solve(m);
  ASSERT_EQ(r.status, PlateStatus::kCompleted);
  const double inertia = t * depth * depth * depth / 12.0;
  const double expected = load * std::pow(length, 3) / (3.0 * young * inertia) +
                          load * length / (5.0 / 6.0 * 0.5 * young * t * depth);
  double tip = 0.0;
  int count = 0;
  for (const PlateNode& n : m.nodes)
    if (n.y > length - 1e-9) {
      tip += r.solution.displacement[freedom(n.number, kUZ)];
      ++count;
    }
  EXPECT_NEAR(tip / count / expected, 1.0, 0.02);
  // Statics: the clamp takes the whole load.
  double shear = 0.0;
  for (const PlateNode& n : m.nodes) shear += r.solution.reactions[freedom(n.number, kUZ)];
  EXPECT_NEAR(shear, -load, 1e-9);
}

TEST(CantileverStrip, BendingEndLoadFollowsBeamTheory) {
  const double length = 10.0, width = 1.0, t = 0.5, young = 1.0e4, load = 1.0;
  PlateModel m = rectangle(10, 1, length, width, young, 0.0, t);
  restrain(m, [](const PlateNode& n) { return n.y < 1e-12; }, {kUX, kRotY, kRotZ});
  restrain(m, [](const PlateNode&) { return true; }, {kUY, kUZ, kRotX});
  for (const PlateNode& n : m.nodes)
    if (n.y > length - 1e-9)
      addLoad(m, n.y, n.z, kUX, load * (std::abs(n.z - 0.5) < 1e-12 ? 2.0 / 3.0 : 1.0 / 6.0));
  const PlateRun r = solve(m);
  ASSERT_EQ(r.status, PlateStatus::kCompleted);
  const double inertia = width * t * t * t / 12.0;
  const double expected = load * std::pow(length, 3) / (3.0 * young * inertia) +
                          load * length / (young * t * width / 2.4);
  for (const PlateNode& n : m.nodes) {
    if (n.y > length - 1e-9) {
      EXPECT_NEAR(r.solution.displacement[freedom(n.number, kUX)] / expected, 1.0, 0.01);
    }
  }
  // The clamping moment: P·L about Z for a load along X at distance L along Y.
  double moment = 0.0, force = 0.0;
  for (const PlateNode& n : m.nodes) {
    moment += r.solution.reactions[freedom(n.number, kRotZ)];
    force += r.solution.reactions[freedom(n.number, kUX)];
  }
  EXPECT_NEAR(force, -load, 1e-9);
  EXPECT_NEAR(std::abs(moment), load * length, 1e-6 * load * length);
}

// A stiff square plate on four equal translational springs under an eccentric load: each spring
// carries its share of the rigid-body statics, and the support forces balance the load.
TEST(PlateOnSprings, SupportForcesBalanceTheLoad) {
  PlateModel m = rectangle(4, 4, 4.0, 4.0, 3.0e7, 0.2, 1.0);
  std::vector<std::array<double, 36>> k;
  for (double y : {0.0, 4.0})
    for (double z : {0.0, 4.0}) {
      PlateSpring s;
      s.y = y;
      s.z = z;
      m.springs.push_back(s);
      std::array<double, 36> ks{};
      for (int i = 0; i < 3; ++i) ks[static_cast<std::size_t>(i * 7)] = 1.0e3;  // translations
      k.push_back(ks);
    }
  m.control.nctsti = 4;
  addLoad(m, 3.0, 2.0, kUX, 100.0);  // 1 m off centre along Y
  LinearSupports supports(k);
  const PlateRun r = solve(m, &supports);
  ASSERT_EQ(r.status, PlateStatus::kCompleted) << r.listing;
  double total = 0.0, momentZ = 0.0;
  for (std::size_t s = 0; s < 4; ++s) {
    total += r.solution.supportForces[s][kUX];
    momentZ += r.solution.supportForces[s][kUX] * (m.springs[s].y - 2.0);
  }
  EXPECT_NEAR(total, 100.0, 1e-8);
  EXPECT_NEAR(momentZ, 100.0 * 1.0, 1e-6);
  // Rigid plate on equal springs: 25 ± 100·1·2/(4·2²) = 25 ± 12.5 at the two sides.
  for (std::size_t s = 0; s < 4; ++s)
    EXPECT_NEAR(r.solution.supportForces[s][kUX], m.springs[s].y > 2.0 ? 37.5 : 12.5, 0.05);
  // The reactions listed are the support forces on the plate.
  double reaction = 0.0;
  for (const PlateNode& n : m.nodes) reaction += r.solution.reactions[freedom(n.number, kUX)];
  EXPECT_NEAR(reaction, -100.0, 1e-8);
}

TEST(PlateOnSprings, SeveralStepsReachTheSameLinearAnswer) {
  PlateModel m = rectangle(2, 2, 2.0, 2.0, 1.0e4, 0.3, 0.2);
  std::array<double, 36> ks{};
  for (int i = 0; i < 6; ++i) ks[static_cast<std::size_t>(i * 7)] = 50.0;
  for (const PlateNode& n : m.nodes) {
    PlateSpring s;
    s.y = n.y;
    s.z = n.z;
    m.springs.push_back(s);
  }
  addLoad(m, 1.0, 1.0, kUX, 10.0);
  LinearSupports supports(std::vector<std::array<double, 36>>(m.springs.size(), ks));
  const PlateRun once = solve(m, &supports);
  m.stepping.dt = 0.25;
  std::ostringstream listing, steps;
  PlateOutputs out;
  out.listing = &listing;
  out.steps = &steps;
  PlateSolution quarter;
  ASSERT_EQ(runPlateAnalysis(m, &supports, nullptr, out, quarter), PlateStatus::kCompleted);
  EXPECT_EQ(quarter.step, 4);
  EXPECT_DOUBLE_EQ(quarter.time, 1.0);
  for (std::size_t g = 0; g < quarter.displacement.size(); ++g)
    EXPECT_NEAR(quarter.displacement[g], once.solution.displacement[g], 1e-12);
  // Four step blocks with one record per node each.
  const std::string s = steps.str();
  std::size_t blocks = 0;
  for (std::size_t p = s.find("END_STEP_DATA"); p != std::string::npos;
       p = s.find("END_STEP_DATA", p + 1))
    ++blocks;
  EXPECT_EQ(blocks, 4u);
}

TEST(PlateFailures, AnUnsupportedPlateHasAZeroPivot) {
  PlateModel m = rectangle(2, 1, 2.0, 1.0, 1.0e4, 0.3, 0.2);
  addLoad(m, 1.0, 0.5, kUX, 1.0);
  const PlateRun r = solve(m);
  EXPECT_EQ(r.status, PlateStatus::kZeroPivot);
  EXPECT_NE(r.listing.find("NEGATIVE OR ZERO PIVOT ENCOUNTERED FOR VARIABLE NO."),
            std::string::npos);
  EXPECT_NE(r.listing.find("OF VALUE"), std::string::npos);
}

TEST(PlateFailures, CornersOnOneLineHaveNoArea) {
  // One element (nodes 1, 3, 8, 6, 2, 5, 7, 4) whose corners lie at Y = 0, 1, 3, 5 on Z = 0 and
  // whose mid-sides lie half-way between them.
  PlateModel m = rectangle(1, 1, 1.0, 1.0, 1.0e4, 0.3, 0.2);
  const std::array<std::pair<int, double>, 8> y{
      {{1, 0.0}, {3, 1.0}, {8, 3.0}, {6, 5.0}, {2, 0.5}, {5, 2.0}, {7, 4.0}, {4, 2.5}}};
  for (const auto& [node, value] : y) {
    m.nodes[static_cast<std::size_t>(node - 1)].y = value;
    m.nodes[static_cast<std::size_t>(node - 1)].z = 0.0;
  }
  restrain(m, [](const PlateNode&) { return true; }, {kUY, kUZ, kRotX});
  const PlateRun r = solve(m);
  EXPECT_EQ(r.status, PlateStatus::kNonPositiveJacobian);
  EXPECT_NE(r.listing.find(" PROGRAM HALTED IN SUBROUTINE JACOB2\n ZERO OR NEGATIVE AREA\n"
                           " ELEMENT NUMBER       1"),
            std::string::npos)
      << r.listing;
}

TEST(PlateFailures, AStepThatCannotConvergeStopsAtTheMinimumIncrement) {
  // A support that softens to nothing: its tangent is right, its resistance never settles.
  class Slipping final : public CapSupports {
   public:
    bool respond(std::size_t, const std::array<double, 6>& u, std::array<double, 6>& f,
                 std::array<double, 36>& k, std::string&) override {
      k.fill(0.0);
      for (std::size_t i = 0; i < 6; ++i) {
        k[i * 7] = 1.0;
        f[i] = u[i] + ++calls_;  // drifts with every call
      }
      return true;
    }

   private:
    int calls_ = 0;
  };
  PlateModel m = rectangle(1, 1, 1.0, 1.0, 1.0e4, 0.3, 0.2);
  for (const PlateNode& n : m.nodes) m.springs.push_back({0.0, n.y, n.z, {}, {}});
  m.stepping = {0.5, 0.0, 1.0, 0.2, 3, 1.0e-6};
  Slipping supports;
  const PlateRun r = solve(m, &supports);
  EXPECT_EQ(r.status, PlateStatus::kMinimumIncrement);
  EXPECT_EQ(r.messages.back(), " error, REQUIRED INCREMENT LESS THAN MINIMUM SPECIFIED");
}

// A point tied to the plate moves with it: under a rigid motion of the plate (translation t,
// small rotation θ; every node at t + θ × r with its rotations θ) a point off the nodes, a
// distance x below the mid-plane, moves by t + θ × (x, y, z) and turns by θ, the rotation about
// the normal included (the membrane's own, not the drilling freedom).
TEST(PlateCoupling, APointOffTheNodesMovesRigidlyWithTheElementThatHoldsIt) {
  const PlateModel m = rectangle(3, 2, 6.0, 4.0, 1.0e4, 0.3, 0.2);
  const std::array<double, 3> t{0.3, -0.2, 0.5}, th{0.02, -0.03, 0.04};
  const auto rigid = [&](double x, double y, double z) {
    return std::array<double, 6>{t[0] + th[1] * z - th[2] * y,
                                 t[1] + th[2] * x - th[0] * z,
                                 t[2] + th[0] * y - th[1] * x,
                                 th[0],
                                 th[1],
                                 th[2]};
  };
  std::vector<double> u(m.nodes.size() * 6);
  for (std::size_t n = 0; n < m.nodes.size(); ++n) {
    const std::array<double, 6> v = rigid(0.0, m.nodes[n].y, m.nodes[n].z);
    std::copy(v.begin(), v.end(), u.begin() + static_cast<std::ptrdiff_t>(n * 6));
    u[n * 6 + 3] = 0.0;  // the drilling freedom carries nothing to the point
  }
  PointCoupling c;
  ASSERT_TRUE(couplePoint(m, elementCoordinates(m), 0.7, 3.3, 1.1, false, c));
  EXPECT_TRUE(c.inside);
  const std::array<double, 6> got = coupledDisplacement(m, c, u), want = rigid(0.7, 3.3, 1.1);
  for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(got[k], want[k], 1e-12) << k;
  // A point beyond the plate is refused, or moves with the nearest element when asked to.
  EXPECT_FALSE(couplePoint(m, elementCoordinates(m), 0.0, 7.0, 1.0, false, c));
  ASSERT_TRUE(couplePoint(m, elementCoordinates(m), 0.0, 7.0, 1.0, true, c));
  const std::array<double, 6> out = coupledDisplacement(m, c, u), far = rigid(0.0, 7.0, 1.0);
  for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(out[k], far[k], 1e-12) << k;
}

// A support off the nodes takes its share of the load by statics, and one beyond the plate is
// refused by its record number.
TEST(PlateCoupling, SupportsOffTheNodesBalanceTheLoad) {
  PlateModel m = rectangle(2, 2, 4.0, 4.0, 3.0e7, 0.2, 1.0);
  std::array<double, 36> ks{};
  for (std::size_t i = 0; i < 6; ++i) ks[i * 7] = 1.0e3;
  for (const auto& [y, z] :
       std::vector<std::pair<double, double>>{{0.5, 0.5}, {3.5, 0.5}, {2.0, 3.7}}) {
    PlateSpring s;
    s.y = y;
    s.z = z;
    m.springs.push_back(s);
  }
  m.control.nctsti = 3;
  addLoad(m, 2.0, 4.7 / 3.0, kUX, 90.0);  // the centroid of the three supports
  LinearSupports supports(std::vector<std::array<double, 36>>(3, ks));
  const PlateRun r = solve(m, &supports);
  ASSERT_EQ(r.status, PlateStatus::kCompleted) << r.listing;
  // A stiff plate on three equal springs, loaded at their centroid, settles evenly: 30 each.
  for (std::size_t s = 0; s < 3; ++s) EXPECT_NEAR(r.solution.supportForces[s][kUX], 30.0, 0.05);
  m.springs[2].z = 4.5;
  const PlateRun outside = solve(m, &supports);
  EXPECT_EQ(outside.status, PlateStatus::kBadSupport);
  EXPECT_NE(outside.listing.find("PILE-SPRING RECORD     3 AT Y ="), std::string::npos);
}

// A load beyond the plate keeps its resultant and its moments about the axes, the in-plane one
// (−z·PY) carried by in-plane nodal forces, none by the drilling freedom.
TEST(PlateCoupling, ALoadBeyondThePlateKeepsItsStatics) {
  PlateModel m = rectangle(2, 2, 4.0, 4.0, 1.0e4, 0.3, 0.2);
  addLoad(m, -1.0, 5.0, kUX, 5.0);
  m.loads.back().forces[static_cast<std::size_t>(kUY)] = 10.0;
  const std::vector<double> f = nodalLoads(m, elementCoordinates(m));
  double px = 0.0, py = 0.0, mx = 0.0, mz = 0.0, drill = 0.0;
  for (const PlateNode& n : m.nodes) {
    px += f[freedom(n.number, kUX)];
    py += f[freedom(n.number, kUY)];
    mx += n.y * f[freedom(n.number, kUZ)] - n.z * f[freedom(n.number, kUY)];
    mz += n.y * f[freedom(n.number, kUX)];
    drill += std::abs(f[freedom(n.number, kRotX)]);
  }
  EXPECT_NEAR(px, 5.0, 1e-12);
  EXPECT_NEAR(py, 10.0, 1e-12);
  EXPECT_NEAR(mx, -5.0 * 10.0, 1e-11);
  EXPECT_NEAR(mz, -1.0 * 5.0, 1e-11);
  EXPECT_EQ(drill, 0.0);
}

}  // namespace
}  // namespace stilt::cap
