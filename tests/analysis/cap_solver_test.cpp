#include "analysis/cap_solver.hpp"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <functional>
#include <limits>
#include <sstream>

#include "support/run_dir.hpp"

namespace stilt {
namespace {

using test::TempDir;

// A count of calls that the pile analyses of several threads may raise at once; copyable so
// that a group can be built and returned by value.
struct CallCount {
  mutable std::atomic<int> n{0};
  CallCount() = default;
  CallCount(const CallCount& other) : n(other.n.load()) {}
  CallCount& operator=(const CallCount& other) {
    n = other.n.load();
    return *this;
  }
  int operator++() const { return ++n; }
  operator int() const { return n.load(); }
};

// Piles as linear springs in their own axes: the pile pushes back with -K u on every component.
// Hooks let a test disturb the force of the collecting pass, misreport the stiffness, or act on
// every call, to drive the cap iteration through its control paths.
class SpringPiles : public PileGroupAnalysis {
 public:
  struct Pile {
    PileGeometry geometry;
    Vector6 stiffness;  // local axes: axial, lateral y, lateral z, torsion, rotation y, rotation z
    Vector6 cubic{};    // a further force -c u^3 on each local component
  };
  std::vector<Pile> piles;
  double stiffnessCallScale = 1.0;  // perturbed analyses see a stiffer pile
  std::function<void(const Vector6& ug, Vector6& force)> disturbPass;
  std::function<void(int call)> onCall;  // with the number of the call
  // Whether the lateral solution of a pile does not close in an analysis with these options.
  std::function<bool(int pile, const PileCallOptions&)> doesNotClose;
  CallCount calls;

  int pileCount() const override { return static_cast<int>(piles.size()); }
  const PileGeometry& geometry(int p) const override {
    return piles[static_cast<std::size_t>(p)].geometry;
  }
  std::unique_ptr<PileWorkspace> makeWorkspace() const override {
    return std::make_unique<PileWorkspace>();
  }
  StatusCode analysePile(int p, const Vector6& ug, const PileCallOptions& options, PileWorkspace&,
                         PileOutcome& out) const override {
    const int call = ++calls;
    if (onCall) onCall(call);
    const Pile& pile = piles[static_cast<std::size_t>(p)];
    const Matrix6 r = rotationMatrix(pile.geometry);
    const Vector6 u = multiply(r, ug);
    Vector6 f{};
    const double scale = options.collectWarnings || options.finalResults ? 1.0 : stiffnessCallScale;
    for (std::size_t k = 0; k < 6; ++k) {
      f[k] = -scale * pile.stiffness[k] * u[k] - pile.cubic[k] * u[k] * u[k] * u[k];
    }
    out.force = multiplyTransposed(r, f);
    if (options.collectWarnings && disturbPass) disturbPass(ug, out.force);
    if (doesNotClose && doesNotClose(p, options)) {
      out.lateralNotConverged = true;
      out.diag.both(fmt::format(
          "     ** WARNING **  NO CLOSURE OF A LLP AFTER  100 ITERATIONS  PILE GROUP{:5d}", p + 1));
    }
    return StatusCode::kCompleted;
  }
};

PileGeometry pileAt(double x, double y, double z, double alphaDeg, double betaDeg) {
  PileGeometry g;
  g.x = x;
  g.y = y;
  g.z = z;
  g.alpha = alphaDeg * M_PI / 180.0;
  g.beta = betaDeg * M_PI / 180.0;
  g.cosA = std::cos(g.alpha);
  g.sinA = std::sin(g.alpha);
  g.cosB = std::cos(g.beta);
  g.sinB = std::sin(g.beta);
  return g;
}

struct Harness {
  TempDir dir;
  FileSet files;
  AnalysisModel model;
  GroupFactors factors;
  CapEnvelope envelope;
  int analysed = 1;

  Harness() {
    model.switches.values[1] = 1;
    model.switches.values[2] = 3;
    for (int line = 5; line <= 25; ++line) {
      files.setPath(channelOfLine(line), dir / test::fileOfLine(line));
    }
    for (Channel c : {Channel::kRuntime, Channel::kReport, Channel::kSummary, Channel::kConvergence,
                      Channel::kCapResults, Channel::kCaseData, Channel::kSummaryWork}) {
      EXPECT_TRUE(isOk(files.open(c, TextFile::Mode::kWrite)));
    }
  }

  std::vector<int> printed;       // the piles the printing pass handed over, 0-based
  PassiveCap* passive = nullptr;  // the embedded cap's passive resistance, if any

  // A planar analysis: cap X, Y and rotation Z.
  void planar() { model.switches.values[2] = 2; }

  StatusCode solve(const SpringPiles& piles, const CapControl& control, const Vector6& load,
                   CapResult& result) {
    model.pileRows.assign(static_cast<std::size_t>(piles.pileCount()), PileGroupRow{});
    factors = initialGroupFactors(model);
    GroupFactorWorkspace work(model);
    CapContext context{files,
                       model,
                       piles,
                       factors,
                       work,
                       envelope,
                       analysed,
                       [this](int pile, const PileOutcome&, const PileWorkspace&) {
                         printed.push_back(pile);
                         return StatusCode::kCompleted;
                       }};
    context.passive = passive;
    CapSolver solver(context);
    const StatusCode status = solver.solve(control, CapItem{false, 1, 1}, load, result);
    files.closeAll();
    return status;
  }
  std::vector<std::string> lines(int line) const { return test::runFileLines(dir.path(), line); }
  std::vector<std::string> convergence() const { return lines(10); }
};

CapControl control(double increment, double minimum, int maxIterations = 100) {
  CapControl c;
  c.maxIterations = maxIterations;
  c.tolerance = 1.0e-6;
  c.increment = increment;
  c.minIncrement = minimum;
  return c;
}

// Eight piles battered in both angles around a rectangle, each with its own stiffness.
SpringPiles batteredGroup() {
  SpringPiles g;
  const double angles[8][2] = {{0, 80},  {90, 80},  {180, 80}, {270, 80},
                               {45, 75}, {135, 85}, {225, 78}, {315, 90}};
  for (int i = 0; i < 8; ++i) {
    const double y = (i % 4 < 2 ? -1.0 : 1.0) * (40.0 + 5.0 * i);
    const double z = (i % 2 == 0 ? -1.0 : 1.0) * (60.0 - 3.0 * i);
    SpringPiles::Pile p{pileAt(2.0 * i, y, z, angles[i][0], angles[i][1]),
                        {5.0e5 + 1.0e4 * i, 2.0e4, 3.0e4, 1.0e7, 4.0e8, 5.0e8}};
    g.piles.push_back(p);
  }
  return g;
}

std::vector<std::string> stepLines(const std::vector<std::string>& runtime) {
  std::vector<std::string> steps;
  for (const std::string& l : runtime) {
    if (l.rfind("     STEP ", 0) == 0) steps.push_back(l);
  }
  return steps;
}

TEST(CapSolverStatics, EightBatteredPilesBalanceAllSixComponents) {
  Harness h;
  SpringPiles group = batteredGroup();
  const Vector6 load{4.0e5, 3.0e4, -2.0e4, 5.0e5, -8.0e5, 1.2e6};
  CapResult result;
  ASSERT_TRUE(isOk(h.solve(group, control(1.0, 0.1), load, result)));
  ASSERT_EQ(result.outcome, CapOutcome::kCompleted);
  // Equilibrium: the applied load plus the pile forces moved to the origin is zero.
  Vector6 sum = load;
  for (const SpringPiles::Pile& p : group.piles) {
    const Matrix6 a = transferMatrix(p.geometry.x, p.geometry.y, p.geometry.z);
    const Matrix6 r = rotationMatrix(p.geometry);
    const Vector6 u = multiply(r, multiply(a, result.displacement));
    Vector6 f{};
    for (std::size_t k = 0; k < 6; ++k) f[k] = -p.stiffness[k] * u[k];
    const Vector6 atOrigin = multiplyTransposed(a, multiplyTransposed(r, f));
    for (std::size_t k = 0; k < 6; ++k) sum[k] += atOrigin[k];
  }
  for (std::size_t k = 0; k < 6; ++k) {
    EXPECT_NEAR(sum[k], 0.0, 1.0e-6 * std::fabs(load[k])) << "component " << k;
  }
  EXPECT_EQ(h.convergence().back(), "    1 ANALYSIS COMPLETED");
}

TEST(CapSolverStatics, CentralLoadOnASymmetricGroupSettlesUniformly) {
  Harness h;
  SpringPiles group;
  for (double y : {-30.0, 30.0}) {
    for (double z : {-30.0, 30.0}) {
      group.piles.push_back({pileAt(0.0, y, z, 0.0, 90.0), {1.0e5, 1.0e4, 1.0e4, 1e6, 1e8, 1e8}});
    }
  }
  CapResult result;
  ASSERT_TRUE(isOk(h.solve(group, control(1.0, 0.1), {4.0e4, 0, 0, 0, 0, 0}, result)));
  EXPECT_NEAR(result.displacement[0], 4.0e4 / (4 * 1.0e5), 1e-12);
  for (std::size_t k = 1; k < 6; ++k) EXPECT_NEAR(result.displacement[k], 0.0, 1e-15);
}

TEST(CapSolverSteps, IncrementsOfPointThreeLandOnTheFullLoad) {
  Harness h;
  SpringPiles group = batteredGroup();
  CapResult result;
  ASSERT_TRUE(isOk(h.solve(group, control(0.3, 0.01), {1e5, 0, 0, 0, 0, 0}, result)));
  const std::vector<std::string> steps = stepLines(h.lines(9));
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0], "     STEP     1, TCUR     0.3000, DTCUR     0.3000");
  EXPECT_EQ(steps[1], "     STEP     2, TCUR     0.6000, DTCUR     0.3000");
  EXPECT_EQ(steps[2], "     STEP     3, TCUR     0.9000, DTCUR     0.3000");
  EXPECT_EQ(steps[3], "     STEP     4, TCUR     1.0000, DTCUR     0.3000");
  EXPECT_EQ(result.convergedFraction, 1.0);
}

TEST(CapSolverSteps, AZeroLoadConvergesOnTheSecondIterationOfEveryStep) {
  Harness h;
  SpringPiles group = batteredGroup();
  CapResult result;
  ASSERT_TRUE(isOk(h.solve(group, control(0.5, 0.01), {}, result)));
  EXPECT_EQ(result.iterations, 2);
  for (double d : result.displacement) EXPECT_EQ(d, 0.0);
  EXPECT_EQ(h.convergence().back(), "    1 ANALYSIS COMPLETED");
}

// The collecting pass sees an extra force that flips sign every pass beyond a displacement,
// so the cap cannot settle there.
void oscillateBeyond(SpringPiles& group, double limit) {
  auto flip = std::make_shared<double>(1.0);
  group.disturbPass = [flip, limit](const Vector6& ug, Vector6& force) {
    if (std::fabs(ug[0]) <= limit) return;
    force[0] += *flip * 1.0e3;
    *flip = -*flip;
  };
}

TEST(CapSolverSteps, AFirstStepThatNeverConvergesEndsAfterOneHalving) {
  Harness h;
  SpringPiles group;
  group.piles.push_back({pileAt(0, 0, 0, 0, 90), {1e5, 1e4, 1e4, 1e6, 1e8, 1e8}});
  oscillateBeyond(group, -1.0);  // always
  CapResult result;
  ASSERT_TRUE(isOk(h.solve(group, control(1.0, 0.6, 10), {1e4, 0, 0, 0, 0, 0}, result)));
  EXPECT_EQ(result.outcome, CapOutcome::kNoCapConvergence);
  EXPECT_EQ(h.convergence().back(), "    3 NO CONVERGENCE ON PILE CAP");
  EXPECT_EQ(stepLines(h.lines(9)).size(), 1u);
  const std::vector<std::string> report = h.lines(6);
  ASSERT_GE(report.size(), 2u);
  EXPECT_EQ(report[report.size() - 2], "     ** WARNING **");
  EXPECT_EQ(report.back(), "     PILE CAP DISPL DOES NOT CONVERGE AFTER,   10 ITERATIONS");
}

TEST(CapSolverSteps, FailureInTheThirdStepReportsHalfTheLoad) {
  Harness h;
  SpringPiles group;
  group.piles.push_back({pileAt(0, 0, 0, 0, 90), {1e5, 1e4, 1e4, 1e6, 1e8, 1e8}});
  const double full = 1.0e4 / 1.0e5;   // settlement under the whole load
  oscillateBeyond(group, 0.6 * full);  // steps to 0.25 and 0.5 converge, 0.75 cannot
  CapResult result;
  ASSERT_TRUE(isOk(h.solve(group, control(0.25, 0.2, 10), {1e4, 0, 0, 0, 0, 0}, result)));
  EXPECT_EQ(result.outcome, CapOutcome::kPartial);
  EXPECT_DOUBLE_EQ(result.convergedFraction, 0.5);
  EXPECT_NEAR(result.displacement[0], 0.5 * full, 1e-12);
  EXPECT_EQ(h.convergence().back(), "    2 SOLUTION AT   50.00% OF THE TOTAL LOAD");
  bool partialLine = false;
  for (const std::string& l : h.lines(7)) {
    partialLine = partialLine || l == "     RESULTS ARE FOR   50.00% OF THE TOTAL LOAD";
  }
  EXPECT_TRUE(partialLine);
}

// A pile force or a stiffness that is not a finite number cannot be solved for: the item ends
// as a singular system, and no NaN or infinity reaches the runtime trace or the case data.
TEST(CapSolverNonFinite, ANonFiniteForceOrStiffnessEndsTheItemAsSingular) {
  for (int kind = 0; kind < 2; ++kind) {
    Harness h;
    SpringPiles group;
    group.piles.push_back({pileAt(0, 0, 0, 0, 90), {1e5, 1e4, 1e4, 1e6, 1e8, 1e8}});
    if (kind == 0) {
      group.disturbPass = [](const Vector6&, Vector6& force) {
        force[1] = std::numeric_limits<double>::quiet_NaN();
      };
    } else {
      group.stiffnessCallScale = std::numeric_limits<double>::infinity();
    }
    CapResult result;
    ASSERT_TRUE(isOk(h.solve(group, control(1.0, 0.6, 10), {1e4, 0, 0, 0, 0, 0}, result)));
    EXPECT_EQ(result.outcome, CapOutcome::kSingular) << kind;
    EXPECT_EQ(h.convergence().back(), "    7 SINGULAR STIFFNESS MATRIX") << kind;
    for (int line : {9, 21}) {
      for (const std::string& l : h.lines(line)) {
        std::istringstream words(l);
        for (std::string w; words >> w;) {
          for (char& c : w) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
          EXPECT_TRUE(w.find("NAN") == std::string::npos || w == "DETERMINANT") << kind << l;
          EXPECT_EQ(w.find("INF"), std::string::npos) << kind << ": " << l;
        }
      }
    }
  }
}

TEST(CapSolverConvergence, FromTheFortyFirstIterationSmallCorrectionsAreAccepted) {
  Harness h;
  SpringPiles group;
  group.piles.push_back({pileAt(0, 0, 0, 0, 90), {1e5, 1e4, 1e4, 1e6, 1e8, 1e8}});
  // The stiffness the solver sees is ten times the true one, so every correction is 0.9 of the
  // one before: DDV_n = d0 * 0.9^(n-1), with d0 = P / (10 k) = 1e-8.
  group.stiffnessCallScale = 10.0;
  CapControl c = control(1.0, 0.1, 200);
  c.tolerance = 1.0e-30;  // the relative test never passes
  CapResult result;
  ASSERT_TRUE(isOk(h.solve(group, c, {1.0e-2, 0, 0, 0, 0, 0}, result)));
  // Every correction after the first is below 1.0E-8, but the rule only starts at iteration 41.
  EXPECT_EQ(result.iterations, 41);
}

TEST(CapSolverConvergence, AlternateToleranceBoundsTheLargestCorrection) {
  Harness h;
  SpringPiles group;
  group.piles.push_back({pileAt(0, 0, 0, 0, 90), {1e5, 1e4, 1e4, 1e6, 1e8, 1e8}});
  group.stiffnessCallScale = 10.0;
  CapControl c = control(1.0, 0.1, 200);
  c.tolerance = 1.0e-30;
  c.alternateTolerances = true;
  // d0 = 1e-8 as above; the first n with 1e-8 * 0.9^(n-1) <= 1e-8 * 0.9^9.5 is n = 11.
  c.deflectionTolerance = 1.0e-8 * std::pow(0.9, 9.5);
  c.rotationTolerance = 1.0;
  CapResult result;
  ASSERT_TRUE(isOk(h.solve(group, c, {1.0e-2, 0, 0, 0, 0, 0}, result)));
  EXPECT_EQ(result.iterations, 11);
}

TEST(CapSolverStop, AStopWrittenDuringACaseEndsItWithinOneGlobalIteration) {
  Harness h;
  SpringPiles group = batteredGroup();
  group.stiffnessCallScale = 10.0;  // slow convergence, many iterations
  const std::filesystem::path stop = h.dir / test::fileOfLine(17);
  const int callsPerIteration = 13 * group.pileCount();
  group.onCall = [stop, callsPerIteration](int call) {
    if (call == 3 * callsPerIteration + 5) test::writeFile(stop, "1\n");
  };
  CapControl c = control(1.0, 0.1, 200);
  c.tolerance = 1.0e-30;
  CapResult result;
  EXPECT_EQ(h.solve(group, c, {1e5, 0, 0, 0, 0, 0}, result), StatusCode::kStoppedByUser);
  EXPECT_LE(group.calls, 5 * callsPerIteration);
  EXPECT_TRUE(h.convergence().empty());  // no result line for the stopped case
}

TEST(CapSolverProgress, RecordOfTheLastIteration) {
  Harness h;
  SpringPiles group = batteredGroup();
  CapResult result;
  ASSERT_TRUE(isOk(h.solve(group, control(1.0, 0.1), {1e5, 0, 0, 0, 0, 0}, result)));
  const std::vector<std::string> progress = h.lines(12);
  ASSERT_EQ(progress.size(), 3u);
  EXPECT_EQ(progress[0], "- ANALYSIS FOR LOAD CASE   1/  1");
  EXPECT_EQ(progress[1], " STEP:    1 TCUR:    1.0000 ITERATION:    2");
  EXPECT_EQ(progress[2], "");
}

int countLine(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

std::string noClosure(int pile) {
  return fmt::format(
      "     ** WARNING **  NO CLOSURE OF A LLP AFTER  100 ITERATIONS  PILE GROUP{:5d}", pile);
}

// Pile 2 of two closes at the cap displacement itself but not at the perturbed displacements of
// the head stiffness. The iteration goes on with that stiffness (the step converges on its second
// iteration), but the item has no results, and the reason is written once for that pile in each
// global iteration, not once per perturbed analysis; in space and in the plane.
TEST(CapSolverPileStatus, PerturbedAnalysesThatDoNotCloseLeaveOneWarningPerPile) {
  for (bool planar : {false, true}) {
    Harness h;
    if (planar) h.planar();
    SpringPiles group;
    group.piles.push_back({pileAt(0, -30, 0, 0, 90), {1e5, 1e4, 1e4, 1e6, 1e8, 1e8}});
    group.piles.push_back({pileAt(0, 30, 0, 0, 90), {1e5, 1e4, 1e4, 1e6, 1e8, 1e8}});
    group.doesNotClose = [](int p, const PileCallOptions& o) {
      return p == 1 && !o.collectWarnings && !o.finalResults;
    };
    CapResult result;
    ASSERT_TRUE(isOk(h.solve(group, control(1.0, 0.6, 10), {1e4, 0, 0, 0, 0, 0}, result)));
    EXPECT_EQ(result.outcome, CapOutcome::kNoPileConvergence);
    EXPECT_EQ(h.convergence().back(), "    6 NO CONVERGENCE ON PILES");
    const std::vector<std::string> runtime = h.lines(9);
    const auto iterations = std::count_if(runtime.begin(), runtime.end(), [](const auto& l) {
      return l.rfind("     ITERATION ", 0) == 0;
    });
    EXPECT_EQ(iterations, 2) << planar;
    for (int line : {6, 9}) {
      EXPECT_EQ(countLine(h.lines(line), noClosure(2)), iterations) << planar << " file " << line;
      EXPECT_EQ(countLine(h.lines(line), noClosure(1)), 0) << planar << " file " << line;
    }
  }
}

// The printing pass analyses every pile again at the reported displacement. A pile that does not
// close there has no results: it is not handed to the writers (which would otherwise print the
// previous pile's values along it), its warning is written, and the item says why.
TEST(CapSolverPileStatus, APileThatDoesNotCloseInThePrintingPassIsNotPrinted) {
  Harness h;
  SpringPiles group;
  for (double y : {-30.0, 0.0, 30.0}) {
    group.piles.push_back({pileAt(0, y, 0, 0, 90), {1e5, 1e4, 1e4, 1e6, 1e8, 1e8}});
  }
  group.doesNotClose = [](int p, const PileCallOptions& o) { return p == 1 && o.finalResults; };
  CapResult result;
  ASSERT_TRUE(isOk(h.solve(group, control(1.0, 0.1), {3e4, 0, 0, 0, 0, 0}, result)));
  EXPECT_EQ(h.printed, (std::vector<int>{0, 2}));
  EXPECT_EQ(result.outcome, CapOutcome::kNoPileConvergence);
  EXPECT_FALSE(result.reported());
  EXPECT_EQ(h.convergence().back(), "    6 NO CONVERGENCE ON PILES");
  EXPECT_EQ(countLine(h.lines(6), noClosure(2)), 1);
  EXPECT_EQ(countLine(h.lines(9), noClosure(2)), 1);
}

// The planar path. A row's pile in the plane X-Y with batter angle t (from the vertical X,
// leaning toward +Y) has its axis along (cos t, sin t) and its lateral axis along
// (-sin t, cos t); a head at (x, y) moves rigidly with the cap: uX = DX - y·RZ, uY = DY + x·RZ.
PileGeometry planarPile(double x, double y, double batterDeg) {
  PileGeometry g = pileAt(x, y, 0.0, 0.0, 90.0 - batterDeg);
  g.theta = g.beta;
  g.cosTheta = g.cosB;
  g.sinTheta = g.sinB;
  return g;
}

// Equilibrium of the planar cap checked with hand-written rigid-body kinematics and statics,
// independently of the transfer and rotation matrices the solver uses: two battered piles with
// their heads below and beside the origin, under a moment that turns the cap.
TEST(PlanarCapSolver, BatteredPilesOffTheOriginBalanceACapRotation) {
  Harness h;
  h.planar();
  struct Row {
    double x, y, batter, ka, kl, kr;  // head, batter (degrees), axial, lateral, rotational
  };
  const Row rows[2] = {{6.0, -40.0, -14.0, 4.0e5, 2.0e4, 3.0e7},
                       {2.0, 50.0, 9.5, 3.0e5, 1.5e4, 2.0e7}};
  SpringPiles group;
  for (const Row& r : rows) {
    group.piles.push_back({planarPile(r.x, r.y, r.batter), {r.ka, r.kl, 0.0, 0.0, 0.0, r.kr}});
  }
  const double load[3] = {1.0e4, -2.0e3, 6.0e5};  // X, Y, moment Z
  CapResult result;
  ASSERT_TRUE(
      isOk(h.solve(group, control(1.0, 0.1), {load[0], load[1], 0, 0, 0, load[2]}, result)));
  ASSERT_EQ(result.outcome, CapOutcome::kCompleted);
  const double dx = result.displacement[0], dy = result.displacement[1];
  const double rz = result.displacement[5];
  EXPECT_GT(std::fabs(rz), 1.0e-5);  // the cap does turn
  double sum[3] = {load[0], load[1], load[2]};
  for (const Row& r : rows) {
    const double t = r.batter * M_PI / 180.0;
    const double ux = dx - r.y * rz;
    const double uy = dy + r.x * rz;
    const double axial = -r.ka * (ux * std::cos(t) + uy * std::sin(t));
    const double lateral = -r.kl * (-ux * std::sin(t) + uy * std::cos(t));
    const double fx = axial * std::cos(t) - lateral * std::sin(t);
    const double fy = axial * std::sin(t) + lateral * std::cos(t);
    sum[0] += fx;
    sum[1] += fy;
    sum[2] += -r.kr * rz + r.x * fy - r.y * fx;
  }
  // The solve stops on a relative correction of 1e-6 of linear springs; what is left over is far
  // below that fraction of the loads.
  EXPECT_NEAR(sum[0], 0.0, 1.0e-6 * load[0]);
  EXPECT_NEAR(sum[1], 0.0, 1.0e-6 * load[0]);
  EXPECT_NEAR(sum[2], 0.0, 1.0e-6 * load[2]);
  // Out of the plane nothing moves.
  for (std::size_t k : {2u, 3u, 4u}) EXPECT_EQ(result.displacement[k], 0.0);
}

// The planar stiffness comes from central differences on the cap with perturbations of 1.0E-5
// on the translations (2.54E-7 in metric units) and 1.0E-8 on the rotation. On a spring with a
// cubic term -c u^3 the central difference at u = 0 is -(k + c·d^2): the perturbation shows in
// the stiffness of the first iteration of a case without load.
TEST(PlanarCapSolver, PerturbationsOfTheCapStiffness) {
  for (int units : {1, 2}) {
    Harness h;
    h.planar();
    h.model.switches.values[1] = units;
    SpringPiles group;
    group.piles.push_back({pileAt(0, 0, 0, 0, 90),
                           {1.0, 1.0, 0.0, 0.0, 0.0, 1.0},
                           {1.0e10, 1.0e10, 0, 0, 0, 1.0e16}});
    CapResult result;
    ASSERT_TRUE(isOk(h.solve(group, control(1.0, 0.1), {}, result)));
    const double d = units == 2 ? 2.54e-7 : 1.0e-5;
    EXPECT_NEAR(result.stiffness[0][0], -(1.0 + 1.0e10 * d * d), 1.0e-9) << units;
    EXPECT_NEAR(result.stiffness[1][1], -(1.0 + 1.0e10 * d * d), 1.0e-9) << units;
    EXPECT_NEAR(result.stiffness[5][5], -(1.0 + 1.0e16 * 1.0e-16), 1.0e-9) << units;
  }
}

// In the plane a correction of 1.0E-10 or less is converged whatever the relative error, and
// there is no relaxed rule from the 41st iteration. With a stiffness ten times too high every
// correction is 0.9 of the one before, DDV_n = d0·0.9^(n-1).
TEST(PlanarCapSolver, ThresholdsWithoutTheFortyFirstIterationRule) {
  // One plumb pile whose stiffness calls answer ten times too stiff; the iterations to converge.
  const auto iterations = [](const Vector6& load) {
    Harness h;
    h.planar();
    SpringPiles group;
    group.piles.push_back({pileAt(0, 0, 0, 0, 90), {1e5, 1e4, 0, 0, 0, 1e8}});
    group.stiffnessCallScale = 10.0;
    CapControl c = control(1.0, 0.1, 200);
    c.tolerance = 1.0e-30;
    CapResult result;
    EXPECT_TRUE(isOk(h.solve(group, c, load, result)));
    return result.iterations;
  };
  // Displacement, d0 = P/(10 k) = 1.0E-7: the first n with 1e-7·0.9^(n-1) <= 1e-10 is 67 (in
  // space the iteration would stop at the 41st).
  EXPECT_EQ(iterations({1.0e-1, 0, 0, 0, 0, 0}), 67);
  // Rotation, d0 = M/(10 k) = 1.0E-9: the first n with 1e-9·0.9^(n-1) <= 1e-10 is 23; in space
  // a rotation correction must fall to 1.0E-12 or wait for the 41st iteration.
  EXPECT_EQ(iterations({0, 0, 0, 0, 0, 1.0}), 23);
}

}  // namespace
}  // namespace stilt

namespace stilt {
namespace {

// The embedded cap's passive force is a function of the cap displacement alone: with it as
// without, every global iteration analyses the pile once for its force and twelve times for its
// stiffness, and the printing pass once and twelve times (its twist is zero). The cap settles
// where a spring pile (lateral 2.0E4, rotational 5.0E8) balances the load less the passive force.
TEST(CapSolverPassive, AddsTheCapsForceAndStiffnessWithoutAnalysingAnyPileAgain) {
  // A plumb pile under a cap 24 thick and 100 wide, its base 12 below the ground, in sand of
  // φ = 30° (Kp = 3), γ' = 0.04: p0 = 3 x 0.04 x 12 x 100 = 144, a = 12 x 144/2 at 4 above the
  // base, b = 4a.
  AnalysisModel m;
  m.switches.values = {0, 1, 3, 1};
  m.cap.thickness = 24.0;
  PreparedRun prepared;
  PileGeometry head = pileAt(0.0, 0.0, 0.0, 0.0, 90.0);
  head.ground = -12.0;
  prepared.layout = {head};
  prepared.capWidth = 100.0;
  ProfileLayer sand{4, SoilType::kSand, 0.0, 1000.0, {0.0, 0.04, 0.0, M_PI / 6.0}, {}};
  sand.atBottom = sand.atTop;
  prepared.profile = SoilProfile({sand}, 1);
  std::unique_ptr<PassiveCap> passive;
  Diagnostics diag;
  ASSERT_TRUE(isOk(PassiveCap::build(m, prepared, PassiveSettings{}, passive, diag)));
  const double a = 864.0;
  // Laterally 5000 with and without the cap; 500, less than a, held by the part of a mobilised
  // over the first 1.0E-4 of movement.
  for (double h : {5000.0, 500.0}) {
    for (bool embedded : {false, true}) {
      SpringPiles group;
      group.piles.push_back({head, {1.0e6, 2.0e4, 3.0e4, 1.0e7, 4.0e8, 5.0e8}});
      Harness run;
      run.passive = embedded ? passive.get() : nullptr;
      CapResult result;
      ASSERT_TRUE(isOk(run.solve(group, control(1.0, 0.1), {1.0e5, h, 0, 0, 0, 0}, result)));
      ASSERT_EQ(result.outcome, CapOutcome::kCompleted);
      EXPECT_EQ(static_cast<int>(group.calls), 13 * (result.iterations + 1));
      const double u = !embedded ? h / 2.0e4 : h > a ? (h - a) / 2.0e4 : h / (2.0e4 + a / 1.0e-4);
      const double pa = !embedded ? 0.0 : h > a ? a : a * u / 1.0e-4;
      EXPECT_NEAR(result.displacement[1], u, 1e-6 * u);
      EXPECT_NEAR(result.passiveForce[1], -pa, 1e-6 * h);
      EXPECT_NEAR(result.displacement[5], 4.0 * pa / 5.0e8, 1e-6 * 4.0 * a / 5.0e8);
    }
  }
}

}  // namespace
}  // namespace stilt
