// A flexible cap with switch 4 = 2 writes the plate model of every item into the run folder,
// under names of its own named by gslab.dat, and leaves the input and the reports alone. Any
// other value solves every item as the plate on its piles.

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "app/results_json.hpp"
#include "engine/engine_api.hpp"
#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kReport = 6;
constexpr int kRuntime = 9;
constexpr int kConvergence = 10;

test::Deck plateModelDeck() {
  test::Deck d;
  d.switches[4] = 2;
  d.flexibleCap = "0.0 0.0 2 1 3.6E6 0.2\n";  // a 2 x 1 mesh of the 60 x 60 x 24 cap
  return d;
}

TEST(FlexibleCapModel, GslabNamesFilesOfItsOwnBesideTheReports) {
  test::TempDir dir;
  const std::string input = plateModelDeck().text();
  ASSERT_EQ(test::runInput(dir.path(), input), StatusCode::kCompleted);
  // The input data file and the reports keep their own content.
  EXPECT_EQ(test::readFile(dir / "input.dat"), input);
  EXPECT_THAT(test::runFile(dir.path(), kReport), HasSubstr("COMPUTATION RESULTS"));

  const std::vector<std::string> gslab = test::readLines(dir / "gslab.dat");
  ASSERT_EQ(gslab.size(), 5u);
  const char* names[] = {"run_plate_model.key", "run_plate_model.dat", "run_plate.lst",
                         "run_plate_steps.dat", "run_plate.msg"};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(gslab[i].size(), 75u);
    EXPECT_EQ(gslab[i].substr(0, gslab[i].find(' ')), names[i]);
  }
  // The card model: NPOIN = 13, NELEM = 2, one load record, one pile spring.
  const std::vector<std::string> card = test::readLines(dir / "run_plate_model.dat");
  ASSERT_GE(card.size(), 3u + 2u + 13u + 1u + 1u + 1u);
  EXPECT_EQ(card[0], " TEST OF ORLIM5_FC");
  EXPECT_EQ(card[1].substr(0, 16), "      13       2");
  EXPECT_EQ(card[1].substr(80, 8), "       1");   // NCLOD
  EXPECT_EQ(card[1].substr(112, 8), "       1");  // NCTSTI
  EXPECT_EQ(test::readLines(dir / "run_plate_model.key").front(), " ORLIM5_FC");
  // Nothing was solved: no plate listing, and no leftover scratch files.
  EXPECT_FALSE(std::filesystem::exists(dir / "run_plate.lst"));
  for (const char* scratch : {"fort2", "fort3", "fort4"})
    EXPECT_FALSE(std::filesystem::exists(dir / scratch));
}

TEST(FlexibleCapModel, EveryItemSaysItsModelIsWrittenAndNotSolved) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), plateModelDeck().text()), StatusCode::kCompleted);
  const std::string convergence = test::runFile(dir.path(), kConvergence);
  EXPECT_THAT(convergence, HasSubstr("\n   10 PLATE MODEL WRITTEN, NOT SOLVED\n"));
  EXPECT_THAT(convergence, Not(HasSubstr("ANALYSIS COMPLETED")));
  const std::string runtime = test::runFile(dir.path(), kRuntime);
  EXPECT_THAT(runtime, HasSubstr("     FLEXIBLE CAP: THE PLATE MODEL IS WRITTEN TO "
                                 "run_plate_model.dat AND run_plate_model.key,\n"
                                 "     NAMED IN gslab.dat; THE ITEM IS NOT SOLVED (CONTROL SWITCH "
                                 "4 = 2)\n"));
  // Switch 4 = 2 is carried out, so no warning says it is not.
  EXPECT_THAT(runtime, Not(HasSubstr("THE FLEXIBLE PILE CAP (CONTROL SWITCH 4")));
}

TEST(FlexibleCapModel, OtherSwitchValuesSolveTheItemOnThePlate) {
  test::TempDir dir;
  test::Deck d = plateModelDeck();
  d.switches[4] = 1;
  ASSERT_EQ(test::runInput(dir.path(), d.text()), StatusCode::kCompleted);
  EXPECT_TRUE(std::filesystem::exists(dir / "gslab.dat"));
  EXPECT_THAT(test::readFile(dir / "run_plate.lst"), HasSubstr("STRESS RESULTANTS"));
  EXPECT_THAT(test::runFile(dir.path(), kRuntime),
              Not(HasSubstr("THE FLEXIBLE PILE CAP (CONTROL SWITCH 4 = 1)")));
  const std::string convergence = test::runFile(dir.path(), kConvergence);
  EXPECT_THAT(convergence, Not(HasSubstr("PLATE MODEL")));
  EXPECT_THAT(convergence, Not(HasSubstr("NO CONVERGENCE")));
}

}  // namespace
}  // namespace stilt

// ---------------------------------------------------------------------------------------------
// Items solved as a plate on the piles (switch 4 = 1), read back from results.json.

namespace stilt {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

json runWithJson(const fs::path& dir, const std::string& input, StatusCode expected) {
  test::writeNamesFile(dir);
  test::writeFile(dir / "input.dat", input);
  app::ResultsJsonWriter writer(dir, app::ResultsContent::kHeads);
  EngineRequest request;
  request.namesFolder = dir;
  request.clock = test::pinnedTime;
  request.sink = &writer;
  request.results = ResultLevel::kHeads;
  EXPECT_EQ(runEngine(request), expected);
  std::string error;
  EXPECT_TRUE(writer.finish(error)) << error;
  return json::parse(test::readFile(dir / "results.json"));
}

std::vector<double> vec(const json& a) {
  return a.get<std::vector<double>>();
}

// A pile F at the head r = (x, y, z) acts at the origin as F with the moment M + r x F. The cap
// load plus every pile's force so moved must vanish, each component to 1.0E-3 of the sum of the
// sizes of its terms (the plate converges to 1.0E-5 and the card model keeps 6 digits).
void expectEquilibrium(const json& results, const json& item) {
  std::array<double, 6> sum{}, size{};
  const std::vector<double> load = vec(item["cap_load"]);
  for (std::size_t k = 0; k < 6; ++k) {
    sum[k] = load.at(k);
    size[k] = std::fabs(load[k]);
  }
  for (const json& pile : item["piles"]) {
    const json& at = results["piles"].at(pile["number"].get<std::size_t>() - 1);
    const double x = at["x"], y = at["y"], z = at["z"];
    const std::vector<double> f = vec(pile["head_force_global"]);
    const std::array<std::vector<double>, 6> terms = {{{f[0]},
                                                       {f[1]},
                                                       {f[2]},
                                                       {f[3], y * f[2], -z * f[1]},
                                                       {f[4], z * f[0], -x * f[2]},
                                                       {f[5], x * f[1], -y * f[0]}}};
    for (std::size_t k = 0; k < 6; ++k)
      for (double t : terms[k]) {
        sum[k] += t;
        size[k] += std::fabs(t);
      }
  }
  // A component nobody loads is held to the same fraction of the largest.
  const double floor = 1.0e-6 * *std::max_element(size.begin(), size.end());
  for (std::size_t k = 0; k < 6; ++k)
    EXPECT_LE(std::fabs(sum[k]), 1.0e-3 * size[k] + floor) << "component " << k + 1;
}

// Piles of the deck's kind (plumb unless `batter` degrees outward at the edges) on a grid of
// `n` x `n` at `spacing`, the centre pile at the origin.
std::string pileGrid(int n, double spacing, double batter) {
  std::string s = std::to_string(n * n) + "\n";
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const int dy = j == 0 ? -1 : (j == n - 1 ? 1 : 0);
      const int dz = i == 0 ? -1 : (i == n - 1 ? 1 : 0);
      const bool leans = batter > 0.0 && (dy != 0 || dz != 0);
      const double direction = leans ? std::atan2(dz, dy) * 180.0 / std::numbers::pi : 0.0;
      s += "2 2 1 0 0 0 0 0\n0.0 0.0 1.0 1.0 1.0 1.0 1.0\n";
      s += fmt::format(
          "0.0 {} {} {} {} 0.0\n", (j - 0.5 * (n - 1)) * spacing, (i - 0.5 * (n - 1)) * spacing,
          direction < 0.0 ? direction + 360.0 : direction, leans ? 90.0 - batter : 90.0);
    }
  return s;
}

// One load case (no combination) of `loads` (PX PY MZ PZ MY MX) at the origin on a square cap
// of side `side` and thickness `thickness`, meshed 4 x 4 about the origin.
test::Deck plateDeck(int switch4, double young, double side, double thickness,
                     const std::string& piles, const std::string& loads) {
  test::Deck d;
  d.switches[4] = switch4;
  d.cap = fmt::format("{} {} {}\n", side, side, thickness);
  d.flexibleCap = fmt::format("0.0 0.0 4 4 {} 0.2\n", young);
  d.piles = piles;
  d.loadCases =
      test::replaceFirst(d.loadCases, "1.0E-4 1.0E-5 0.25 0.01", "1.0E-6 1.0E-5 0.5 0.01");
  d.loadCases = test::replaceFirst(d.loadCases, "1.0E5 5.0E3 0.0 0.0 0.0 0.0", loads);
  d.combinations = "0 0 0 0 0\n";
  return d;
}

constexpr double kConcrete = 3.6e6;  // psi

// A cap 10^4 times as stiff as concrete is rigid: a battered nine-pile group under all six load
// components gives the rigid cap's pile-head forces, torques and displacement at the origin.
TEST(FlexibleCapPlate, AVeryStiffPlateGivesTheRigidCapsAnswer) {
  const std::string piles = pileGrid(3, 48.0, 10.0);
  const std::string loads = "4.5E5 2.0E4 1.0E6 1.5E4 -8.0E5 6.0E5";
  test::TempDir rigidDir, plateDir;
  const json rigid =
      runWithJson(rigidDir.path(), plateDeck(0, kConcrete, 144.0, 36.0, piles, loads).text(),
                  StatusCode::kCompleted);
  const json plate = runWithJson(plateDir.path(),
                                 plateDeck(1, 1.0e4 * kConcrete, 144.0, 36.0, piles, loads).text(),
                                 StatusCode::kCompleted);
  const json& r = rigid["items"].at(0);
  const json& p = plate["items"].at(0);
  ASSERT_EQ(r["result_code"], 1);
  ASSERT_EQ(p["result_code"], 1);
  EXPECT_TRUE(r["plate"].is_null());
  ASSERT_FALSE(p["plate"].is_null());
  EXPECT_EQ(p["plate"]["nodes"].size(), 65u);  // 9 x 5 + 5 x 4
  EXPECT_EQ(p["plate"]["elements"].size(), 16u);
  // Each component to 1 % of the largest of its kind (translations, rotations; forces, moments).
  const auto close = [](const std::vector<double>& a, const std::vector<double>& b,
                        const std::array<double, 2>& scale, const std::string& what) {
    for (std::size_t k = 0; k < 6; ++k)
      EXPECT_NEAR(a[k], b[k], 0.01 * scale[k < 3 ? 0 : 1]) << what << " component " << k + 1;
  };
  const auto largest = [](const std::vector<std::vector<double>>& vs) {
    std::array<double, 2> m{};
    for (const auto& v : vs)
      for (std::size_t k = 0; k < 6; ++k)
        m[k < 3 ? 0 : 1] = std::max(m[k < 3 ? 0 : 1], std::fabs(v[k]));
    return m;
  };
  const std::vector<double> dr = vec(r["cap_displacement"]), dp = vec(p["cap_displacement"]);
  close(dp, dr, largest({dr}), "displacement at the origin");
  std::vector<std::vector<double>> global, local;
  for (const json& pile : r["piles"]) {
    global.push_back(vec(pile["head_force_global"]));
    local.push_back(vec(pile["head_force_local"]));
  }
  const std::array<double, 2> gs = largest(global), ls = largest(local);
  ASSERT_GT(ls[1], 0.0);
  for (std::size_t i = 0; i < 9; ++i) {
    close(vec(p["piles"][i]["head_force_global"]), global[i], gs, "pile " + std::to_string(i + 1));
    // The local components hold the torque about the pile's axis.
    close(vec(p["piles"][i]["head_force_local"]), local[i], ls, "pile " + std::to_string(i + 1));
  }
  EXPECT_GT(std::fabs(local[0][3]), 0.01 * ls[1]);  // a torque worth comparing
  expectEquilibrium(plate, p);
}

// Four plumb piles under the corners of a square cap and a vertical load at its centre: by
// symmetry and statics each pile carries a quarter of the load, the deflected plate is symmetric
// about both axes, and the plate sags more at the centre than at the piles.
TEST(FlexibleCapPlate, FourPilesShareACentralLoadEquallyUnderASaggingPlate) {
  test::TempDir dir;
  const double load = 2.0e5;
  const json r = runWithJson(
      dir.path(),
      plateDeck(1, kConcrete, 144.0, 12.0, pileGrid(2, 96.0, 0.0), "2.0E5 0.0 0.0 0.0 0.0 0.0")
          .text(),
      StatusCode::kCompleted);
  const json& item = r["items"].at(0);
  ASSERT_EQ(item["result_code"], 1) << test::readFile(dir / "run_plate.msg");
  expectEquilibrium(r, item);
  double headSettlement = 0.0;
  for (const json& pile : item["piles"]) {
    EXPECT_NEAR(pile["head_force_global"][0].get<double>(), -load / 4.0, 1.0e-4 * load);
    headSettlement = pile["head_displacement_global"][0];
  }
  const json& nodes = item["plate"]["nodes"];
  double centre = 0.0;
  for (const json& n : nodes) {
    const double y = n["y"], z = n["z"], ux = n["displacement"][0];
    if (std::fabs(y) < 1e-6 && std::fabs(z) < 1e-6) centre = ux;
    for (const json& m : nodes) {
      const bool mirror = (std::fabs(m["y"].get<double>() + y) < 1e-6 &&
                           std::fabs(m["z"].get<double>() - z) < 1e-6) ||
                          (std::fabs(m["y"].get<double>() - y) < 1e-6 &&
                           std::fabs(m["z"].get<double>() + z) < 1e-6);
      if (mirror) {
        EXPECT_NEAR(m["displacement"][0].get<double>(), ux, 1e-6 * std::fabs(ux) + 1e-12);
      }
    }
  }
  EXPECT_GT(centre, headSettlement * 1.01);
  EXPECT_NEAR(vec(item["cap_displacement"])[0], centre, 1e-9 * centre);
}

// A thin cap over a wide spacing: under a load on the centre pile the plate bends, and the
// centre pile carries more than the ninth a rigid cap on nine equal piles gives it.
TEST(FlexibleCapPlate, AThinCapSendsMoreLoadToThePileUnderTheLoad) {
  test::TempDir dir;
  const double load = 1.8e5;
  const json r = runWithJson(
      dir.path(),
      plateDeck(1, kConcrete, 240.0, 18.0, pileGrid(3, 96.0, 0.0), "1.8E5 0.0 0.0 0.0 0.0 0.0")
          .text(),
      StatusCode::kCompleted);
  const json& item = r["items"].at(0);
  ASSERT_EQ(item["result_code"], 1) << test::readFile(dir / "run_plate.msg");
  expectEquilibrium(r, item);
  const double centre = -item["piles"][4]["head_force_global"][0].get<double>();
  const double corner = -item["piles"][0]["head_force_global"][0].get<double>();
  EXPECT_GT(centre, 1.1 * load / 9.0);
  EXPECT_LT(corner, load / 9.0);
}

// A load the first step cannot carry: the step is halved and converges at half the load, the
// next fails and its half is below the minimum increment, so the results stand at 50 %: the
// single pile under the centre settles 8.0E4 / 1.0E6 on its stiff curve.
TEST(FlexibleCapPlate, AFailedStepIsHalvedAndTheLastConvergedStepStands) {
  test::TempDir dir;
  test::Deck d = test::partialSolutionDeck();
  d.switches[4] = 1;
  d.flexibleCap = "0.0 0.0 2 2 3.6E6 0.2\n";
  d.loadCases = test::replaceFirst(d.loadCases, "0 0 0 1 1 1 100", "0 0 0 1 1 2 100");
  d.loadCases = test::replaceFirst(d.loadCases, "1.0E-4 1.0E-5 0.25 0.2", "1.0E-4 1.0E-5 1.0 0.2");
  const json r = runWithJson(dir.path(), d.text(), StatusCode::kCompleted);
  const json& item = r["items"].at(0);
  ASSERT_EQ(item["result_code"], 2) << test::readFile(dir / "run_plate.msg");
  EXPECT_DOUBLE_EQ(item["load_fraction"].get<double>(), 0.5);
  EXPECT_DOUBLE_EQ(item["plate"]["load_fraction"].get<double>(), 0.5);
  EXPECT_NEAR(vec(item["cap_displacement"])[0], 0.08, 1e-4);
  expectEquilibrium(r, item);
  const std::string messages = test::readFile(dir / "run_plate.msg");
  EXPECT_THAT(messages, HasSubstr("TCUR   =  0.5000E+00   DT =  0.5000E+00"));
  EXPECT_THAT(messages, HasSubstr(" error, REQUIRED INCREMENT LESS THAN MINIMUM SPECIFIED"));
  EXPECT_THAT(test::runFile(dir.path(), kReport),
              HasSubstr("     RESULTS ARE FOR   50.00% OF THE TOTAL LOAD"));
  EXPECT_THAT(test::readFile(dir / "run_plate_steps.dat"), HasSubstr("END_STEP_DATA"));
}

TEST(FlexibleCapPlate, APileOutsideTheCapIsRefusedByName) {
  test::TempDir dir;
  const std::string piles = test::replaceFirst(pileGrid(2, 96.0, 0.0), "0.0 48 -48", "0.0 90 -48");
  (void)runWithJson(dir.path(),
                    plateDeck(1, kConcrete, 144.0, 12.0, piles, "4.0E5 0.0 0.0 0.0 0.0 0.0").text(),
                    StatusCode::kInputInvalidValue);
  EXPECT_THAT(test::runFile(dir.path(), kRuntime),
              HasSubstr("     PILE GROUP    2 AT Y = 90, Z = -48 LIES OUTSIDE THE FLEXIBLE CAP"));
}

}  // namespace
}  // namespace stilt
