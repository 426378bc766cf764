// The piles of a three-dimensional group on real soil, solved by the rigid-cap iteration.

#include "analysis/group_piles.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/cap_solver.hpp"
#include "model/input_reader.hpp"
#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using test::Deck;
using test::TempDir;

// Reads a deck, prepares the run and builds the piles of its first load case.
struct Group {
  AnalysisModel model;
  PreparedRun prepared;
  std::unique_ptr<GroupPiles> piles;
  StatusCode status = StatusCode::kCompleted;
  Diagnostics diag;

  explicit Group(const Deck& deck, double lateralTolerance = 1.0e-7) {
    const ReadResult read = readInputDataFile(deck.text(), model, ReaderCallbacks{});
    EXPECT_TRUE(isOk(read.status)) << (read.message.empty() ? "" : read.message.back());
    prepared = prepareRun(model);
    status = generateCurves(model, prepared, nullptr, diag);
    EXPECT_TRUE(isOk(status));
    PileItemSettings settings;
    settings.maxIterations = 200;
    settings.tolerance = lateralTolerance;
    status = GroupPiles::build(model, prepared, settings, piles, diag);
  }

  Vector6 force(int pile, const Vector6& ug) const {
    auto work = piles->makeWorkspace();
    PileOutcome out;
    const StatusCode s = piles->analysePile(pile, ug, PileCallOptions{}, *work, out);
    EXPECT_TRUE(isOk(s));
    return out.force;
  }
};

// A rigid-cap solve of a group in a temporary folder.
struct CapRun {
  TempDir dir;
  FileSet files;
  CapEnvelope envelope;
  int analysed = 1;
  CapResult result;
  StatusCode status = StatusCode::kCompleted;

  CapRun(Group& g, const Vector6& load, double tolerance = 1.0e-7,
         StiffnessMethod method = StiffnessMethod::kCentral) {
    for (int line = 5; line <= 25; ++line) {
      files.setPath(channelOfLine(line), dir / test::fileOfLine(line));
    }
    for (Channel c : {Channel::kRuntime, Channel::kReport, Channel::kSummary, Channel::kConvergence,
                      Channel::kCapResults, Channel::kCaseData, Channel::kSummaryWork}) {
      EXPECT_TRUE(isOk(files.open(c, TextFile::Mode::kWrite)));
    }
    GroupFactorWorkspace work(g.model);
    CapSolver solver(CapContext{files,
                                g.model,
                                *g.piles,
                                g.prepared.factors,
                                work,
                                envelope,
                                analysed,
                                {},
                                AnalysisOptions{0, method}});
    CapControl control;
    control.maxIterations = 100;
    control.tolerance = tolerance;
    control.increment = 0.25;
    control.minIncrement = 0.01;
    status = solver.solve(control, CapItem{}, load, result);
    files.closeAll();
  }
};

std::string pileRow(int connect, double x, double y, double z, double alpha, double beta,
                    const std::string& curves = "0 0 0 0") {
  return std::to_string(connect) + " " + std::to_string(connect) + " 1 " + curves + " 0\n" +
         "0.0 0.0 1.0 1.0 1.0 1.0 1.0\n" + std::to_string(x) + " " + std::to_string(y) + " " +
         std::to_string(z) + " " + std::to_string(alpha) + " " + std::to_string(beta) + " 0.0\n";
}

// Soft clay over medium sand, deep enough for every pile.
const char* kTwoSoils =
    "2\n"
    "1 0\n0.0 240.0\n2 9\n"
    "0.0208 3.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0\n"
    "0.0208 5.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0\n"
    "4 0\n240.0 900.0\n2 9\n"
    "0.0336 0.0 34.0 60.0 0.0 0.0 0.0 0.0 0.0\n"
    "0.0336 0.0 36.0 60.0 0.0 0.0 0.0 0.0 0.0\n";

TEST(GroupStatics, EightBatteredPilesInTwoSoilsBalanceAllSixComponents) {
  Deck deck;
  deck.soilLayers = kTwoSoils;
  const double angles[8][2] = {{0, 80},  {90, 80},  {180, 80}, {270, 80},
                               {45, 75}, {135, 85}, {225, 78}, {315, 90}};
  deck.piles = "8\n";
  for (int i = 0; i < 8; ++i) {
    const double y = (i % 4 < 2 ? -1.0 : 1.0) * (48.0 + 4.0 * i);
    const double z = (i % 2 == 0 ? -1.0 : 1.0) * (60.0 - 3.0 * i);
    deck.piles += pileRow(2, 0.0, y, z, angles[i][0], angles[i][1]);
  }
  Group g(deck);
  ASSERT_TRUE(isOk(g.status));
  const Vector6 load{8.0e5, 4.0e4, -3.0e4, 2.0e6, -3.0e6, 4.0e6};
  CapRun run(g, load);
  ASSERT_TRUE(isOk(run.status));
  ASSERT_EQ(run.result.outcome, CapOutcome::kCompleted);
  // The applied load plus the force of every pile head, moved to the origin, is zero.
  Vector6 sum = load;
  for (int p = 0; p < g.piles->pileCount(); ++p) {
    const PileGeometry& geo = g.piles->geometry(p);
    const Matrix6 a = transferMatrix(geo.x, geo.y, geo.z);
    const Vector6 atOrigin =
        multiplyTransposed(a, g.force(p, multiply(a, run.result.displacement)));
    for (std::size_t k = 0; k < 6; ++k) sum[k] += atOrigin[k];
  }
  // The iteration stops on a relative displacement correction of 1e-7; the force left over is
  // of that order relative to the load.
  for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(sum[k], 0.0, 1.0e-4 * 8.0e5) << k;
  for (std::size_t k = 3; k < 6; ++k) EXPECT_NEAR(sum[k], 0.0, 1.0e-4 * 4.0e6) << k;
  // Every component of the displacement took part.
  for (double d : run.result.displacement) EXPECT_NE(d, 0.0);
}

// The perturbed analyses of a pile's head stiffness take over the lateral solution of its force
// analysis where their lateral inputs are exactly the same. The twist of a plumb pile (a rotation
// about X, its axis) changes only its torque: two of its twelve perturbed analyses need no
// lateral solution. A battered pile's twelve all do. Every force is, bit for bit, that of a fresh
// analysis at the same head displacement.
TEST(GroupPile, APlumbPilesTwistsTakeOverTheLateralSolutionOfItsForce) {
  Deck deck;
  deck.soilLayers = kTwoSoils;
  deck.piles =
      "2\n" + pileRow(2, 0.0, -40.0, 0.0, 0.0, 90.0) + pileRow(2, 0.0, 40.0, 0.0, 0.0, 80.0);
  Group g(deck);
  ASSERT_TRUE(isOk(g.status));
  const Vector6 ug{0.05, 0.3, -0.2, 1.0e-4, 2.0e-4, -1.0e-4};
  const Vector6 delta = CapSolver::perturbations(1);
  for (int pile : {0, 1}) {
    auto work = g.piles->makeWorkspace();
    const auto& ws = static_cast<const GroupPileWorkspace&>(*work);
    PileCallOptions force;
    force.collectWarnings = true;
    force.keepLateral = true;
    PileOutcome out;
    ASSERT_TRUE(isOk(g.piles->analysePile(pile, ug, force, *work, out)));
    PileCallOptions perturbed;
    perturbed.reuseLateral = true;
    for (double sign : {1.0, -1.0}) {
      for (std::size_t j = 0; j < 6; ++j) {
        Vector6 u = ug;
        u[j] += sign * delta[j];
        out.clear();
        ASSERT_TRUE(isOk(g.piles->analysePile(pile, u, perturbed, *work, out)));
        EXPECT_EQ(out.force, g.force(pile, u)) << "pile " << pile << ", component " << j;
      }
    }
    EXPECT_EQ(ws.lateralSolves, pile == 0 ? 11 : 13) << pile;
  }
}

// Linear user springs: axial 2.0e5 per inch, torsion 3.0e8 per radian.
Deck linearSpringDeck(int connect, double axialFactor) {
  Deck deck;
  deck.switches[6] = 1;   // user load-settlement curves
  deck.switches[7] = 1;   // user torque-rotation curves
  deck.switches[10] = 1;  // axial-load factors
  deck.loadSettlement = "1\n1 3\n-2.0E5 -1.0\n0.0 0.0\n2.0E5 1.0\n";
  deck.torqueRotation = "1\n1 3\n-3.0E8 -1.0\n0.0 0.0\n3.0E8 1.0\n";
  deck.piles = "1\n" + std::to_string(connect) + " " + std::to_string(connect) + " 1 0 1 1 0 0\n" +
               "0.0 0.0 1.0 1.0 1.0 1.0 " + std::to_string(axialFactor) + "\n" +
               "0.0 0.0 0.0 0.0 90.0 0.0\n";
  return deck;
}

TEST(GroupPile, PlumbPileAtTheOriginTakesTheCapDisplacementUnchanged) {
  Group g(linearSpringDeck(2, 1.0));
  ASSERT_TRUE(isOk(g.status));
  const Vector6 dv{0.2, 0.05, -0.03, 1.0e-3, 2.0e-4, -3.0e-4};
  auto work = g.piles->makeWorkspace();
  PileOutcome out;
  PileCallOptions options;
  options.finalResults = true;
  ASSERT_TRUE(isOk(g.piles->analysePile(0, dv, options, *work, out)));
  const auto& ws = static_cast<const GroupPileWorkspace&>(*work);
  for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(ws.localDisplacement[k], dv[k], 1e-15);
  // Its forces reach the cap unchanged: the axial and torsional springs are read straight off
  // their curves, and the global force equals the local one.
  EXPECT_NEAR(out.force[0], -2.0e5 * 0.2, 1e-6);
  EXPECT_NEAR(out.force[3], -3.0e8 * 1.0e-3, 1e-3);
  for (std::size_t k = 0; k < 6; ++k) EXPECT_NEAR(out.force[k], ws.localForce[k], 1e-9);
}

TEST(GroupPile, APinnedHeadTransmitsNoTorque) {
  Group g(linearSpringDeck(1, 1.0));
  ASSERT_TRUE(isOk(g.status));
  const Vector6 f = g.force(0, {0.0, 0.0, 0.0, 1.0e-3, 0.0, 0.0});
  EXPECT_EQ(f[3], 0.0);
}

// The twist of a pinned head is still looked up on its torque-rotation curve: a twist beyond the
// curve's last point (1.0 rad) is an apparent torsion failure, though no torque is transmitted.
TEST(GroupPile, APinnedHeadTwistedBeyondItsCurveReportsATorsionFailure) {
  Group g(linearSpringDeck(1, 1.0));
  ASSERT_TRUE(isOk(g.status));
  auto work = g.piles->makeWorkspace();
  PileOutcome out;
  PileCallOptions options;
  options.collectWarnings = true;
  ASSERT_TRUE(isOk(g.piles->analysePile(0, {0.0, 0.0, 0.0, 1.5, 0.0, 0.0}, options, *work, out)));
  EXPECT_EQ(out.force[3], 0.0);
  EXPECT_EQ(out.torsionFailures, 1);
  ASSERT_EQ(out.torsionBlock.size(), 3u);
  EXPECT_EQ(out.torsionBlock[1],
            "     ** WARNING **  APPARENT FAILURE IN TORSION       PILE GROUP    1");
  // Within the curve a pinned head transmits no torque and reports nothing.
  out.clear();
  ASSERT_TRUE(isOk(g.piles->analysePile(0, {0.0, 0.0, 0.0, 0.5, 0.0, 0.0}, options, *work, out)));
  EXPECT_EQ(out.force[3], 0.0);
  EXPECT_EQ(out.torsionFailures, 0);
}

TEST(GroupPile, AxialStiffnessIsTheCurveSlopeTimesTheAxialLoadFactor) {
  Group g(linearSpringDeck(2, 1.5));
  ASSERT_TRUE(isOk(g.status));
  // Central differences on the pile, as the cap solver forms its stiffness.
  const double d = 1.0e-7;
  const double k =
      -(g.force(0, {0.1 + d, 0, 0, 0, 0, 0})[0] - g.force(0, {0.1 - d, 0, 0, 0, 0, 0})[0]) /
      (2.0 * d);
  EXPECT_NEAR(k, 2.0e5 * 1.5, 1.0e-3 * 2.0e5);
  // And the cap under a vertical load settles by load over that stiffness.
  CapRun run(g, {6.0e4, 0, 0, 0, 0, 0});
  ASSERT_EQ(run.result.outcome, CapOutcome::kCompleted);
  EXPECT_NEAR(run.result.displacement[0], 6.0e4 / (2.0e5 * 1.5), 1e-9);
}

TEST(GroupStatics, ASymmetricGroupSettlesUniformlyUnderACentralLoad) {
  Deck deck;
  deck.soilLayers = kTwoSoils;
  deck.piles = "4\n" + pileRow(2, 0.0, -36.0, -36.0, 0.0, 90.0) +
               pileRow(2, 0.0, 36.0, -36.0, 0.0, 90.0) + pileRow(2, 0.0, -36.0, 36.0, 0.0, 90.0) +
               pileRow(2, 0.0, 36.0, 36.0, 0.0, 90.0);
  Group g(deck);
  ASSERT_TRUE(isOk(g.status));
  CapRun run(g, {3.0e5, 0, 0, 0, 0, 0});
  ASSERT_EQ(run.result.outcome, CapOutcome::kCompleted);
  const Vector6& dv = run.result.displacement;
  EXPECT_GT(dv[0], 0.0);
  for (std::size_t k = 1; k < 6; ++k) EXPECT_NEAR(dv[k], 0.0, 1.0e-9 * dv[0]) << k;
  double first = 0.0;
  for (int p = 0; p < 4; ++p) {
    const PileGeometry& geo = g.piles->geometry(p);
    const Vector6 f = g.force(p, multiply(transferMatrix(geo.x, geo.y, geo.z), dv));
    if (p == 0) first = f[0];
    EXPECT_NEAR(f[0], first, 1.0e-6 * std::fabs(first));
    EXPECT_NEAR(f[0], -3.0e5 / 4.0, 1.0e-4 * 3.0e5);
  }
}

TEST(GroupPile, APileBelowTheDeepestLayerStopsTheRun) {
  Deck deck;  // the pile is 600 long
  deck.soilLayers =
      "1\n1 0\n0.0 590.0\n2 9\n0.02 3.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0\n"
      "0.02 5.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0\n";
  AnalysisModel model;
  ASSERT_TRUE(isOk(readInputDataFile(deck.text(), model, ReaderCallbacks{}).status));
  PreparedRun prepared = prepareRun(model);
  // The load-transfer curves need the tip inside the profile too; give them a deeper copy.
  std::unique_ptr<GroupPiles> piles;
  Diagnostics diag;
  ASSERT_TRUE(isOk(GroupPiles::build(model, prepared, PileItemSettings{}, piles, diag)));
  auto work = piles->makeWorkspace();
  PileOutcome out;
  EXPECT_EQ(piles->analysePile(0, {}, PileCallOptions{}, *work, out),
            StatusCode::kPileBelowDeepestLayer);
  ASSERT_GE(out.diag.report.size(), 6u);
  EXPECT_EQ(out.diag.report[3], "     **** FATAL ERROR ****");
  EXPECT_EQ(out.diag.report[4], "     THE PILE LENGTH,   6.00E+02 (IN), EXTENDS BELOW THE");
  EXPECT_EQ(out.diag.report[5], "     BOTTOM OF THE DEEPEST LAYER.");
  EXPECT_EQ(out.diag.runtime, out.diag.report);
}

TEST(GroupPile, APileEndingOnTheBottomOfTheProfileIsAccepted) {
  Deck deck;
  deck.soilLayers =
      "1\n1 0\n0.0 600.0\n2 9\n0.02 3.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0\n"
      "0.02 5.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0\n";
  Group g(deck);
  ASSERT_TRUE(isOk(g.status));
  auto work = g.piles->makeWorkspace();
  PileOutcome out;
  EXPECT_TRUE(
      isOk(g.piles->analysePile(0, {0.01, 0.01, 0, 0, 0, 0}, PileCallOptions{}, *work, out)));
}

TEST(HeadCurveLookup, InterpolatesAndFlagsTheEnds) {
  const HeadCurve curve{{-1.0, -10.0}, {0.0, 0.0}, {2.0, 40.0}};
  EXPECT_DOUBLE_EQ(lookUpHeadCurve(curve, 1.0).force, 20.0);
  EXPECT_DOUBLE_EQ(lookUpHeadCurve(curve, 2.0).force, 40.0);  // on the last point: no failure
  EXPECT_EQ(lookUpHeadCurve(curve, 2.0).failure, 0);
  EXPECT_EQ(lookUpHeadCurve(curve, 2.0 + 1e-9).failure, 1);
  EXPECT_EQ(lookUpHeadCurve(curve, 2.0 + 1e-9).force, 0.0);
  EXPECT_EQ(lookUpHeadCurve(curve, -1.5).failure, -1);
  // Zero movement is zero force without the curve, even one that misses the origin.
  const HeadCurve offset{{0.5, 5.0}, {1.0, 9.0}};
  EXPECT_EQ(lookUpHeadCurve(offset, 0.0).force, 0.0);
  EXPECT_EQ(lookUpHeadCurve(offset, 0.0).failure, 0);
}

}  // namespace
}  // namespace stilt

namespace stilt {
namespace {

// The multipliers the cap solver hands a pile reach its p-y springs: half the soil resistance
// takes less shear for the same head deflection, and lets the cap move further under a load.
TEST(GroupReduction, MultipliersSoftenTheLateralResponse) {
  Deck deck;
  deck.soilLayers = kTwoSoils;
  Group g(deck);
  ASSERT_TRUE(isOk(g.status));
  const Vector6 ug{0.0, 0.5, 0.0, 0.0, 0.0, 0.0};
  auto work = g.piles->makeWorkspace();
  PileOutcome full;
  PileOutcome half;
  PileCallOptions options;
  ASSERT_TRUE(isOk(g.piles->analysePile(0, ug, options, *work, full)));
  options.pMultiplier = 0.5;
  ASSERT_TRUE(isOk(g.piles->analysePile(0, ug, options, *work, half)));
  // The pile pushes back on the cap (negative along Y); with half the soil, by less.
  EXPECT_LT(full.force[1], half.force[1]);
  EXPECT_LT(half.force[1], 0.0);

  Deck rows = deck;
  rows.switches[8] = 2;  // the factors given with the rows
  rows.piles = "1\n2 2 1 0 0 0 0 0\n0.0 0.0 0.5 1.0 0.5 1.0 1.0\n0.0 0.0 0.0 0.0 90.0 0.0\n";
  Group reduced(rows);
  ASSERT_TRUE(isOk(reduced.status));
  const Vector6 lateral{0.0, 2.0e4, 0.0, 0.0, 0.0, 0.0};
  CapRun plain(g, lateral);
  CapRun soft(reduced, lateral);
  ASSERT_EQ(plain.result.outcome, CapOutcome::kCompleted);
  ASSERT_EQ(soft.result.outcome, CapOutcome::kCompleted);
  EXPECT_GT(soft.result.displacement[1], 1.05 * plain.result.displacement[1]);
}

}  // namespace
}  // namespace stilt

namespace stilt {
namespace {

// The eight battered piles of the statics test, on soft clay over sand.
Deck eightBatteredPiles() {
  Deck deck;
  deck.soilLayers = kTwoSoils;
  const double angles[8][2] = {{0, 80},  {90, 80},  {180, 80}, {270, 80},
                               {45, 75}, {135, 85}, {225, 78}, {315, 90}};
  deck.piles = "8\n";
  for (int i = 0; i < 8; ++i) {
    const double y = (i % 4 < 2 ? -1.0 : 1.0) * (48.0 + 4.0 * i);
    const double z = (i % 2 == 0 ? -1.0 : 1.0) * (60.0 - 3.0 * i);
    deck.piles += pileRow(2, 0.0, y, z, angles[i][0], angles[i][1]);
  }
  return deck;
}

// The tangent head stiffness against central differences (the default of the interface), term
// by term on the scale sqrt(|k_ii·k_jj|) that makes translations and rotations comparable. The
// steps are 1E-5 in and 1E-7 rad: the cap solver's 1E-13 rad moves the head less than the
// closure of a lateral solve, and its rotation columns then carry that noise. With the closure
// at 1E-12 in these differences are accurate to about 1E-5; away from the kinks of the curves the
// two must agree within 1E-3.
TEST(TangentHeadStiffness, MatchesCentralDifferencesOnBatteredPiles) {
  Group g(eightBatteredPiles(), 1.0e-12);
  ASSERT_TRUE(isOk(g.status));
  const Vector6 dv{0.3, 0.45, -0.3, 1.0e-3, 2.0e-3, -1.5e-3};
  auto work = g.piles->makeWorkspace();
  PileCallOptions options;
  options.perturbation = {1.0e-5, 1.0e-5, 1.0e-5, 1.0e-7, 1.0e-7, 1.0e-7};
  for (int p = 0; p < g.piles->pileCount(); ++p) {
    const PileGeometry& geo = g.piles->geometry(p);
    const Vector6 ug = multiply(transferMatrix(geo.x, geo.y, geo.z), dv);
    PileOutcome out;
    Matrix6 tangent{};
    Matrix6 central{};
    ASSERT_TRUE(isOk(g.piles->tangentHeadStiffness(p, ug, options, *work, out, tangent)));
    ASSERT_FALSE(out.lateralNotConverged);
    ASSERT_TRUE(isOk(
        g.piles->PileGroupAnalysis::tangentHeadStiffness(p, ug, options, *work, out, central)));
    for (std::size_t i = 0; i < 6; ++i) {
      for (std::size_t j = 0; j < 6; ++j) {
        const double scale = std::sqrt(std::fabs(central[i][i] * central[j][j]));
        EXPECT_NEAR(tangent[i][j], central[i][j], 1.0e-3 * scale)
            << "pile " << p + 1 << " term " << i + 1 << "," << j + 1;
      }
    }
    // The axial movement reaches the lateral forces through the axial force (P-delta), so the
    // term is not zero even for the plumb pile.
    EXPECT_NE(tangent[1][0], 0.0);
  }
}

// The force analysis of a pile leaves its converged state in the workspace; the tangent taken
// from that state needs no lateral solution of its own and is the tangent a fresh analysis gives.
TEST(TangentHeadStiffness, TakesTheStateTheForceAnalysisLeft) {
  Group g(eightBatteredPiles(), 1.0e-12);
  ASSERT_TRUE(isOk(g.status));
  const Vector6 dv{0.3, 0.45, -0.3, 1.0e-3, 2.0e-3, -1.5e-3};
  auto work = g.piles->makeWorkspace();
  const auto& ws = static_cast<const GroupPileWorkspace&>(*work);
  PileCallOptions options;
  options.perturbation = CapSolver::perturbations(1);
  for (int p = 0; p < g.piles->pileCount(); ++p) {
    const PileGeometry& geo = g.piles->geometry(p);
    const Vector6 ug = multiply(transferMatrix(geo.x, geo.y, geo.z), dv);
    PileOutcome out;
    Matrix6 fresh{};
    ASSERT_TRUE(isOk(g.piles->tangentHeadStiffness(p, ug, options, *work, out, fresh)));
    PileCallOptions force;
    force.collectWarnings = true;
    force.keepLateral = true;
    out.clear();
    ASSERT_TRUE(isOk(g.piles->analysePile(p, ug, force, *work, out)));
    const long solves = ws.lateralSolves;
    PileCallOptions taken = options;
    taken.stateAtHead = true;
    Matrix6 fromState{};
    ASSERT_TRUE(isOk(g.piles->tangentHeadStiffness(p, ug, taken, *work, out, fromState)));
    EXPECT_EQ(ws.lateralSolves, solves) << "pile " << p + 1;
    for (std::size_t i = 0; i < 6; ++i) {
      for (std::size_t j = 0; j < 6; ++j) {
        const double scale = std::sqrt(std::fabs(fresh[i][i] * fresh[j][j]));
        EXPECT_NEAR(fromState[i][j], fresh[i][j], 1.0e-9 * scale)
            << "pile " << p + 1 << " term " << i + 1 << "," << j + 1;
      }
    }
  }
}

// Both stiffnesses drive the cap to the same equilibrium: the residual is the same, only the
// path differs. Agreement within ten times the closure of the cap iteration.
TEST(TangentHeadStiffness, TheCapConvergesToTheSameDisplacement) {
  Group g(eightBatteredPiles());
  ASSERT_TRUE(isOk(g.status));
  const Vector6 load{8.0e5, 4.0e4, -3.0e4, 2.0e6, -3.0e6, 4.0e6};
  CapRun central(g, load, 1.0e-7, StiffnessMethod::kCentral);
  CapRun tangent(g, load, 1.0e-7, StiffnessMethod::kTangent);
  ASSERT_EQ(central.result.outcome, CapOutcome::kCompleted);
  ASSERT_EQ(tangent.result.outcome, CapOutcome::kCompleted);
  for (std::size_t k = 0; k < 6; ++k) {
    EXPECT_NEAR(tangent.result.displacement[k], central.result.displacement[k],
                1.0e-6 * std::fabs(central.result.displacement[k]))
        << k;
  }
  EXPECT_LE(tangent.result.iterations, central.result.iterations + 1);
}

TEST(HeadCurveSlope, SegmentsAndTheirKinks) {
  const HeadCurve curve{{-1.0, -30.0}, {0.0, 0.0}, {0.5, 10.0}, {2.0, 40.0}};
  EXPECT_DOUBLE_EQ(headCurveSlope(curve, 0.25), 20.0);
  EXPECT_DOUBLE_EQ(headCurveSlope(curve, -0.5), 30.0);
  // At a point the segment further loading follows: away from the origin.
  EXPECT_DOUBLE_EQ(headCurveSlope(curve, 0.5), 20.0);
  // At the origin the sense is unknown: the mean of the two segments, as central differences.
  EXPECT_DOUBLE_EQ(headCurveSlope(curve, 0.0), 25.0);
  // The last point has nothing beyond: its own segment; past the ends the force is 0.
  EXPECT_DOUBLE_EQ(headCurveSlope(curve, 2.0), 20.0);
  EXPECT_EQ(headCurveSlope(curve, 2.5), 0.0);
  EXPECT_EQ(headCurveSlope(curve, -1.5), 0.0);
}

}  // namespace
}  // namespace stilt
