// Passive resistance of an embedded cap: the pressure diagram's resultant against its integral
// by quadrature, the share of the force between Y and Z, Rankine's pressure, the hyperbolas of
// the spring model, and the member's springs against Matlock's soft clay worked by hand.

#include "analysis/passive_cap.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "model/input_reader.hpp"
#include "support/deck.hpp"

namespace stilt {
namespace {

using test::Deck;

// The integral of f over [lo, hi] by the midpoint rule on many panels: exact for the linear
// pressure, within 1.0E-9 relative for its moment.
double integral(const std::function<double(double)>& f, double lo, double hi) {
  const int n = 20000;
  const double h = (hi - lo) / n;
  double s = 0.0;
  for (int i = 0; i < n; ++i) s += f(lo + (i + 0.5) * h) * h;
  return s;
}

// The resultant and its moment about the pile-head level c (X of the base, positive downward)
// of a pressure growing linearly from 0 at the ground to p0 at the base |D| below it, over the
// part of the face between the base and a thickness t above it.
PassiveResultant byQuadrature(double depth, double t, double p0, double c) {
  const double top = std::max(0.0, depth - t);
  const auto p = [&](double x) { return p0 * x / depth; };
  // A point x below the ground lies depth - x above the base, at X = c - (depth - x).
  PassiveResultant r;
  r.a = integral(p, top, depth);
  r.b = integral([&](double x) { return p(x) * ((depth - x) - c); }, top, depth);
  return r;
}

TEST(PassiveResultant, BaseAtOrAboveTheGroundTakesNone) {
  for (double d : {0.0, -0.5e-6, 12.0}) {
    const PassiveResultant r = passiveResultant(d, 24.0, 100.0, 0.0);
    EXPECT_EQ(r.a, 0.0) << d;
    EXPECT_EQ(r.b, 0.0) << d;
  }
}

TEST(PassiveResultant, MatchesTheIntegralOfThePressureDeeperAndShallowerThanTheCap) {
  struct Case {
    double depth, t, c;
  };
  for (const Case& k : {Case{36.0, 24.0, 5.0}, Case{12.0, 24.0, 5.0}, Case{2.0, 1.5, -0.3}}) {
    const PassiveResultant r = passiveResultant(-k.depth, k.t, 100.0, k.c);
    const PassiveResultant q = byQuadrature(k.depth, k.t, 100.0, k.c);
    EXPECT_NEAR(r.a, q.a, 1e-9 * q.a) << k.depth;
    EXPECT_NEAR(r.b, q.b, 1e-7 * std::fabs(q.a * k.depth)) << k.depth;
  }
  // Worked by hand: 36 deep, 24 thick, p0 = 100: the face from 12 to 36 below the ground takes
  // 100/36 x, whose integral is 1600, with the moment 16000 about the base; with the base (the
  // pile heads) at X = 5, about the origin's level: 16000 - 5 x 1600.
  const PassiveResultant deep = passiveResultant(-36.0, 24.0, 100.0, 5.0);
  EXPECT_NEAR(deep.a, 1600.0, 1e-9);
  EXPECT_NEAR(deep.b, 8000.0, 1e-9);
  // 12 deep, 24 thick: the triangle 0.5 x 12 x 100 = 600 at 4 above the base.
  const PassiveResultant shallow = passiveResultant(-12.0, 24.0, 100.0, 0.0);
  EXPECT_NEAR(shallow.a, 600.0, 1e-9);
  EXPECT_NEAR(shallow.b, 2400.0, 1e-9);
}

// The force acts where the diagram's resultant does: at X = -b/a, moment Z = X·Fy, moment Y =
// -X·Fz.
void expectLineOfAction(const Vector6& f, const PassiveResultant& r) {
  const double x = -r.b / r.a;
  EXPECT_NEAR(f[5], x * f[1], 1e-9 * r.b);
  EXPECT_NEAR(f[4], -x * f[2], 1e-9 * r.b);
}

TEST(PassivePressureForce, OpposesTheMovementAndSharesItByTheAbsoluteDisplacements) {
  const PassiveResultant r{600.0, 2400.0};
  // Only along Y: all of it along Y, none along Z.
  Vector6 f = passivePressureForce(r, {0.1, 0.3, 0.0, 0.01, 0.02, 0.03});
  EXPECT_EQ(f[1], -600.0);
  EXPECT_EQ(f[2], 0.0);
  EXPECT_EQ(f[0], 0.0);
  EXPECT_EQ(f[3], 0.0);
  expectLineOfAction(f, r);
  f = passivePressureForce(r, {0.0, -0.3, 0.0, 0.0, 0.0, 0.0});
  EXPECT_EQ(f[1], 600.0);
  expectLineOfAction(f, r);
  // Equally along +Y and +Z: half each, both negative.
  f = passivePressureForce(r, {0.0, 0.2, 0.2, 0.0, 0.0, 0.0});
  EXPECT_DOUBLE_EQ(f[1], -300.0);
  EXPECT_DOUBLE_EQ(f[2], -300.0);
  expectLineOfAction(f, r);
  // Not by the direction cosines: 3 along -Y and 1 along +Z share 3/4 and 1/4.
  f = passivePressureForce(r, {0.0, -3.0e-3, 1.0e-3, 0.0, 0.0, 0.0});
  EXPECT_DOUBLE_EQ(f[1], 450.0);
  EXPECT_DOUBLE_EQ(f[2], -150.0);
  // No lateral movement (at most 1.0E-14 in all): nothing, however deep the cap.
  f = passivePressureForce(r, {0.5, 6.0e-15, -4.0e-15, 0.1, 0.1, 0.1});
  for (double v : f) EXPECT_EQ(v, 0.0);
  f = passivePressureForce(r, {0.5, 6.0e-15, -4.0e-15, 0.1, 0.1, 0.1}, 1.0e-4);
  for (double v : f) EXPECT_EQ(v, 0.0);
}

TEST(PassivePressureForce, IsMobilisedInProportionToTheMovementBelowItsFullMovement) {
  const PassiveResultant r{600.0, 2400.0};
  // A quarter of the movement that mobilises it in full, shared 3 : 1 between -Y and +Z.
  const Vector6 f = passivePressureForce(r, {0.0, -1.875e-5, 0.625e-5, 0.0, 0.0, 0.0}, 1.0e-4);
  EXPECT_NEAR(f[1], 0.75 * 150.0, 1e-9);
  EXPECT_NEAR(f[2], -0.25 * 150.0, 1e-9);
  expectLineOfAction(f, r);
  // At and beyond it, all of it.
  EXPECT_EQ(passivePressureForce(r, {0.0, 1.0e-4, 0.0, 0.0, 0.0, 0.0}, 1.0e-4)[1], -600.0);
  EXPECT_EQ(passiveMobilisation(1), 1.0e-4);
  EXPECT_EQ(passiveMobilisation(2), 2.54e-6);
}

TEST(RankinePassivePressure, FrictionAndCohesion) {
  // φ = 30°: Kp = tan²(60°) = 3.
  EXPECT_NEAR(rankinePassivePressure(10.0, 0.0, M_PI / 6.0), 30.0, 1e-12);
  // φ = 0: Kp = 1, σ + 2c.
  EXPECT_NEAR(rankinePassivePressure(10.0, 4.0, 0.0), 18.0, 1e-12);
  EXPECT_NEAR(rankinePassivePressure(10.0, 4.0, M_PI / 6.0), 30.0 + 8.0 * std::sqrt(3.0), 1e-12);
}

TEST(CapHyperbola, PassesThroughItsDefiningPoints) {
  // K50 = 100, pult = 1000: half of it at y50 = 5, all of it at Y MAX = 40 and beyond.
  const CapHyperbola h = hyperbolaThroughHalf(100.0, 1000.0, 40.0);
  EXPECT_NEAR(h.resistance(5.0), 500.0, 1e-9);
  EXPECT_NEAR(h.resistance(40.0), 1000.0, 1e-9);
  EXPECT_EQ(h.resistance(100.0), 1000.0);
  EXPECT_NEAR(h.resistance(-5.0), -500.0, 1e-9);
  // Y MAX below 2·y50: linear at K50 up to pult.
  const CapHyperbola linear = hyperbolaThroughHalf(100.0, 1000.0, 8.0);
  EXPECT_NEAR(linear.resistance(5.0), 500.0, 1e-9);
  EXPECT_EQ(linear.resistance(20.0), 1000.0);
  // Initial stiffness 1000, pult 100 reached at 1: Rf = 0.9.
  const CapHyperbola soil = hyperbolaReaching(1000.0, 100.0, 1.0);
  EXPECT_NEAR(soil.rf, 0.9, 1e-12);
  EXPECT_NEAR(soil.resistance(1.0), 100.0, 1e-9);
  EXPECT_NEAR(soil.resistance(1.0e-6) / 1.0e-6, 1000.0, 1e-2);  // 1/(1/k + Rf·y/pult)
  EXPECT_EQ(hyperbolaThroughHalf(0.0, 1000.0, 40.0).resistance(5.0), 0.0);
}

// The deck's plumb pile with its head at X = 0 under a 60 x 60 x 24 cap (plan diagonal
// 60·√2), the ground `ground` in X, in soft clay of constant strength 3 (γ' = 0.02, ε50 = 0.02).
struct Embedded {
  AnalysisModel model;
  PreparedRun prepared;
  std::unique_ptr<PassiveCap> cap;
  StatusCode status = StatusCode::kCompleted;
  Diagnostics diag;

  Embedded(int option, const std::string& method, double ground, const char* layers = nullptr) {
    Deck d;
    d.switches[3] = option;
    d.passiveMethod = method;
    d.piles = test::replaceFirst(d.piles, "0.0 0.0 0.0 0.0 90.0 0.0\n",
                                 "0.0 0.0 0.0 0.0 90.0 " + std::to_string(ground) + "\n");
    d.soilLayers = test::replaceFirst(d.soilLayers, "0.02 5.0", "0.02 3.0");
    if (layers != nullptr) d.soilLayers = test::replaceFirst(d.soilLayers, "0.0 720.0", layers);
    const ReadResult read = readInputDataFile(d.text(), model, ReaderCallbacks{});
    EXPECT_TRUE(isOk(read.status));
    prepared = prepareRun(model);
    status = PassiveCap::build(model, prepared, PassiveSettings{}, cap, diag);
  }
};

const double kDiagonal = 60.0 * std::sqrt(2.0);

TEST(PassiveCapPressure, EmbedmentAndPressureFromTheGroundAndTheSoilAtTheBase) {
  const Embedded e(1, "", -12.0);
  ASSERT_TRUE(isOk(e.status));
  EXPECT_EQ(e.cap->model(), CapPassiveModel::kPressure);
  EXPECT_DOUBLE_EQ(e.cap->embedment(), -12.0);
  // Clay (φ = 0, Kp = 1) 12 below the ground: 0.02 x 12 + 2 x 3, across the plan diagonal.
  const double p0 = (0.02 * 12.0 + 2.0 * 3.0) * kDiagonal;
  EXPECT_NEAR(e.cap->p0(), p0, 1e-9 * p0);
  EXPECT_NEAR(e.cap->resultant().a, 6.0 * p0, 1e-9 * p0);
  const PassiveRecord r = e.cap->record({});
  EXPECT_STREQ(r.model, "pressure");
  EXPECT_NEAR(r.position, -4.0, 1e-9);  // a third of the 12 embedded above the base
  // A cap whose base is at the ground takes nothing.
  const Embedded flush(1, "", 0.0);
  ASSERT_TRUE(isOk(flush.status));
  EXPECT_EQ(flush.cap->p0(), 0.0);
  EXPECT_EQ(flush.cap->resultant().a, 0.0);
}

// Matlock (1970), soft clay, static: pu = (3 + γ'x/c + 0.5x/b)·c·b up to 9·c·b, and
// p = 0.5·pu·(y/y50)^(1/3) up to 8·y50, with y50 = 2.5·ε50·b.
double matlock(double x, double y, double b) {
  const double c = 3.0;
  const double pu = std::min(3.0 + 0.02 * x / c + 0.5 * x / b, 9.0) * c * b;
  const double y50 = 2.5 * 0.02 * b;
  return y >= 8.0 * y50 ? pu : 0.5 * pu * std::cbrt(y / y50);
}

TEST(PassiveCapMember, HeadForcesAreThoseOfItsOwnPyCurvesInSoftClay) {
  // Ground 36 above the base: the 24 of the cap's face lie 12 to 36 below it, in 4 increments.
  Embedded e(2, "1 0 4 0.0 0.0 0.0\n", -36.0);
  ASSERT_TRUE(isOk(e.status));
  ASSERT_EQ(e.cap->model(), CapPassiveModel::kMember);
  ASSERT_EQ(e.cap->nodeCount(), 5);
  const double u = 0.5;
  Vector6 f{};
  Diagnostics diag;
  ASSERT_TRUE(isOk(e.cap->force({0.0, u, 0.0, 0.0, 0.0, 0.0}, f, diag)));
  // Trapezoidal sum of the reactions at the depths 12..36, X -24..0.
  double fy = 0.0, mz = 0.0, ky = 0.0;
  for (int j = 0; j <= 4; ++j) {
    const double w = j == 0 || j == 4 ? 3.0 : 6.0;
    const double p = matlock(12.0 + 6.0 * j, u, kDiagonal);
    fy -= w * p;
    mz -= w * p * (-24.0 + 6.0 * j);
    ky -= w * p / (3.0 * u);  // the cube-root curve's slope is a third of its secant
  }
  EXPECT_NEAR(f[1], fy, 1e-9 * std::fabs(fy));
  EXPECT_NEAR(f[5], mz, 1e-9 * std::fabs(mz));
  EXPECT_EQ(f[0], 0.0);  // no axial and no torsional response
  EXPECT_EQ(f[3], 0.0);
  EXPECT_EQ(f[2], 0.0);
  // The same along Z, and the central differences give the curves' slope.
  ASSERT_TRUE(isOk(e.cap->force({0.0, 0.0, u, 0.0, 0.0, 0.0}, f, diag)));
  EXPECT_NEAR(f[2], fy, 1e-9 * std::fabs(fy));
  EXPECT_NEAR(f[4], -mz, 1e-9 * std::fabs(mz));
  Matrix6 k{};
  ASSERT_TRUE(isOk(e.cap->stiffness({0.0, u, 0.0, 0.0, 0.0, 0.0},
                                    {1e-7, 1e-7, 1e-7, 1e-13, 1e-13, 1e-13}, k, diag)));
  EXPECT_NEAR(k[1][1], ky, 1e-5 * std::fabs(ky));
  EXPECT_EQ(k[0][0], 0.0);
}

TEST(PassiveCapMember, FhdParametersSpreadTheUltimateOverTheFace) {
  // 12 embedded: F ULT 1200 over 12 is 100 per unit depth; far beyond Y MAX every node takes
  // all of it, and the face together F ULT.
  Embedded e(2, "1 2 6 50.0 1200.0 1.5\n", -12.0);
  ASSERT_TRUE(isOk(e.status));
  Vector6 f{};
  Diagnostics diag;
  ASSERT_TRUE(isOk(e.cap->force({0.0, -10.0, 0.0, 0.0, 0.0, 0.0}, f, diag)));
  EXPECT_NEAR(f[1], 1200.0, 1e-9);
  // Uniform over X -12..0: the resultant at X = -6.
  const PassiveRecord r = e.cap->record(f);
  EXPECT_STREQ(r.model, "member");
  EXPECT_NEAR(r.position, -6.0, 1e-9);
  EXPECT_EQ(r.hasPressure, false);
}

TEST(PassiveCapMember, BelowTheDeepestLayerEndsTheRun) {
  // The soil reaches 30 below the ground, the cap's face 36.
  Embedded e(2, "1 0 4 0.0 0.0 0.0\n", -36.0, "0.0 30.0");
  EXPECT_EQ(e.status, StatusCode::kPileBelowDeepestLayer);
  ASSERT_FALSE(e.diag.report.empty());
  EXPECT_EQ(e.diag.report[3], "     **** FATAL ERROR ****");
  EXPECT_EQ(e.diag.report[4], "     THE PILE LENGTH,   2.40E+01 (IN), EXTENDS BELOW THE");
  EXPECT_EQ(e.diag.report[5], "     BOTTOM OF THE DEEPEST LAYER.");
}

}  // namespace
}  // namespace stilt
