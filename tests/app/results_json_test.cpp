// results.json, streamed from the result records of whole runs: its structure, the statics of
// every analysed item (the applied cap load balanced by the pile heads), items that were not
// analysed and a partial solution.

#include "app/results_json.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/engine_api.hpp"
#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using ::testing::HasSubstr;

constexpr int kReport = 6;

// Runs `input` in `dir` through the engine with a results.json writer as its sink.
StatusCode runWithJson(const fs::path& dir, const std::string& input,
                       app::ResultsContent content = app::ResultsContent::kFull, int refine = 1) {
  test::writeNamesFile(dir);
  test::writeFile(dir / "input.dat", input);
  app::ResultsJsonWriter writer(dir, content);
  EngineRequest request;
  request.namesFolder = dir;
  request.clock = test::pinnedTime;
  request.sink = &writer;
  request.refine = refine;
  request.results =
      content == app::ResultsContent::kHeads ? ResultLevel::kHeads : ResultLevel::kFull;
  const StatusCode status = runEngine(request);
  std::string error;
  EXPECT_TRUE(writer.finish(error)) << error;
  return status;
}

json resultsOf(const fs::path& dir, StatusCode status) {
  const json r = json::parse(test::readFile(dir / "results.json"));
  EXPECT_EQ(r["status"], toInt(status));
  return r;
}

// The outcome of every item as the terminal's closing line takes it, read back from the file.
std::vector<app::ItemOutcome> outcomesOf(const json& r) {
  std::vector<app::ItemOutcome> items;
  for (const json& item : r["items"]) {
    app::ItemOutcome o;
    o.kind = item["kind"] == "case" ? ItemKind::kCase : ItemKind::kCombination;
    o.number = item["number"];
    o.reached = !item["result_code"].is_null();
    o.analysed = item["analyzed"];
    o.resultCode = o.reached ? item["result_code"].get<int>() : 0;
    o.resultText = item["result_text"];
    items.push_back(o);
  }
  return items;
}

std::vector<double> vec(const json& a) {
  return a.get<std::vector<double>>();
}

// ---------------------------------------------------------------------------------------------
// Statics

// The cap tolerance of every item of the inputs below, on the relative cap correction.
constexpr double kCapTolerance = 1.0e-4;

// The unbalance of one item: its cap load plus every pile-head force moved from the head to the
// origin (a two-dimensional row carries `piles_in_row` piles), component by component in the
// order of the cap vectors; and the scale of each component, the sum of the sizes of all its
// terms. A moment component also counts the largest bending moment along each pile: the head
// moment can be near zero where the cap balances (a single pile under a cap free to rotate)
// while the pile bends under moments of the order of its shear times its characteristic length,
// and it is with those moments that the iteration works.
struct Unbalance {
  std::vector<double> residual, scale;
};

Unbalance unbalanceOf(const json& results, const json& item) {
  const bool planar = results["analysis_type"] == 2;
  std::array<double, 6> sum{}, size{};
  const std::vector<double> capLoad = vec(item["cap_load"]);
  const std::vector<double> passive = vec(item["cap_passive_force"]);
  const std::vector<std::size_t> dofs =
      planar ? std::vector<std::size_t>{0, 1, 5} : std::vector<std::size_t>{0, 1, 2, 3, 4, 5};
  for (std::size_t k = 0; k < dofs.size(); ++k) {
    sum[dofs[k]] += capLoad.at(k) + passive.at(k);
    size[dofs[k]] += std::fabs(capLoad.at(k)) + std::fabs(passive.at(k));
  }
  for (const json& pile : item["piles"]) {
    const json& where = results["piles"].at(pile["number"].get<std::size_t>() - 1);
    const double n = planar ? where["piles_in_row"].get<double>() : 1.0;
    const double x = where["x"], y = where["y"], z = where["z"];
    std::vector<double> f = vec(pile["head_force_global"]);
    if (planar) f = {f.at(0), f.at(1), 0.0, 0.0, 0.0, f.at(2)};  // X, Y, RZ
    // A force F at the head r = (x, y, z) is F at the origin with the moment M + r x F.
    const std::array<std::vector<double>, 6> terms = {{{f[0]},
                                                       {f[1]},
                                                       {f[2]},
                                                       {f[3], y * f[2], -z * f[1]},
                                                       {f[4], z * f[0], -x * f[2]},
                                                       {f[5], x * f[1], -y * f[0]}}};
    for (std::size_t k = 0; k < 6; ++k) {
      for (double t : terms[k]) {
        sum[k] += n * t;
        size[k] += n * std::fabs(t);
      }
    }
    const char* bending = planar ? "moment_z" : "moment_yz";
    if (pile.contains("along") && pile["along"].contains(bending)) {
      double largest = 0.0;
      for (double m : vec(pile["along"][bending])) largest = std::max(largest, std::fabs(m));
      for (std::size_t k = 3; k < 6; ++k) size[k] += n * largest;
    }
  }
  Unbalance u;
  for (std::size_t k : dofs) {
    u.residual.push_back(sum[k]);
    u.scale.push_back(size[k]);
  }
  return u;
}

// The cap is in equilibrium: cap load + pile-head forces at the origin + passive force = 0.
// The cap iteration stops once its last correction is below the cap tolerance relative to the
// step's displacement; the unbalance that correction removed was the stiffness times it, so what
// is left is at most the tolerance times the forces the piles carry. Every value of the files
// has 8 significant digits (a relative rounding of 5.0E-9 per term), a further 1.0E-8 of the
// same scale.
void expectEquilibrium(const json& results, const json& item) {
  const Unbalance u = unbalanceOf(results, item);
  ASSERT_FALSE(u.scale.empty());
  for (std::size_t k = 0; k < u.residual.size(); ++k) {
    EXPECT_LE(std::fabs(u.residual[k]), (kCapTolerance + 1.0e-8) * u.scale[k])
        << "component " << k + 1 << " of " << item["kind"] << " " << item["number"];
    // Not trivially: the piles carry load in every loaded component.
    if (std::fabs(vec(item["cap_load"])[k]) > 0.0) {
      EXPECT_GT(u.scale[k], 0.0);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The examples

struct ExpectedItem {
  std::string kind;
  int number;
  std::string name;
  std::vector<double> capLoad;  // the equivalent load at the origin, worked from the input
  std::vector<int> quantities;  // the result quantities "along" the piles lists
};

struct ExampleResults {
  const char* file;
  int analysisType;
  int units;
  const char* forceUnit;
  const char* lengthUnit;
  std::vector<std::array<double, 3>> heads;  // x, y, z of every pile
  int pilesInRow;                            // two dimensions
  int increments;
  double length;
  std::vector<ExpectedItem> items;
};

void PrintTo(const ExampleResults& e, std::ostream* os) {
  *os << e.file;
}

std::vector<int> range(std::initializer_list<std::pair<int, int>> spans) {
  std::vector<int> out;
  for (const auto& [from, to] : spans) {
    for (int q = from; q <= to; ++q) out.push_back(q);
  }
  return out;
}

std::vector<ExampleResults> examples() {
  // Without the axial load distribution the axial quantities 1, 5..8 and 18 are not listed; a
  // combination lists no demand/capacity ratios (24, 25); a planar run no out-of-plane quantity.
  const std::vector<int> spatialCase = range({{2, 4}, {9, 17}, {19, 25}});
  const std::vector<int> spatialCombination = range({{2, 4}, {9, 17}, {19, 23}});
  return {
      {"group3d.dat",
       3,
       1,
       "LBS",
       "IN",
       {{{0, -36, -60}},
        {{0, 36, -60}},
        {{0, -36, 0}},
        {{0, 36, 0}},
        {{0, -36, 60}},
        {{0, 36, 60}}},
       0,
       100,
       600.0,
       // Case 1: PX 6.0E5 and PY 3.0E4 at the origin. Case 2: PZ 2.5E4, then MY 1.5E6 and MX
       // 2.0E6, at the origin. The combination: 1.2 x case 1 + 1.6 x case 2.
       {{"case", 1, "Dead load with wind from +Y", {6.0e5, 3.0e4, 0, 0, 0, 0}, spatialCase},
        {"case",
         2,
         "Cyclic wave load from +Z with overturning and torsion",
         {0, 0, 2.5e4, 2.0e6, 1.5e6, 0},
         spatialCase},
        {"combination",
         1,
         "Factored: 1.2 dead and wind + 1.6 wave",
         {7.2e5, 3.6e4, 4.0e4, 3.2e6, 2.4e6, 0},
         spatialCombination}}},
      {"bent2d.dat",
       2,
       2,
       "KN",
       "M",
       {{{0, -2.4, 0}}, {{0, 0, 0}}, {{0, 2.4, 0}}},
       3,
       80,
       20.0,
       // PX 9000, PY 450 and MZ 1200 at the origin: X, Y and RZ.
       {{"case",
         1,
         "Service: vertical load, braking force and moment",
         {9000.0, 450.0, 1200.0},
         {2, 9, 12, 15, 19, 20, 22, 24, 25}}}},
      {"all_sections.dat",
       3,
       1,
       "LBS",
       "IN",
       {{{0, -48, -48}}, {{0, 48, -48}}, {{0, -48, 48}}, {{0, 48, 48}}},
       0,
       60,
       720.0,
       // PX 4.0E5, PY 2.0E4 and PZ 1.0E4 at the origin; every pile on a user load-settlement
       // curve, so no axial quantity either way.
       {{"case",
         1,
         "Axial and lateral load with a distributed load on two piles",
         {4.0e5, 2.0e4, 1.0e4, 0, 0, 0},
         spatialCase}}},
      // The worked examples of the input guide. Both ask for the axial load variation, so the
      // axial quantities are listed as well.
      {"first3d.dat",
       3,
       1,
       "LBS",
       "IN",
       {{{0, -30, -30}}, {{0, 30, -30}}, {{0, -30, 30}}, {{0, 30, 30}}},
       0,
       80,
       480.0,
       // PX 2.4E5 and PY 1.6E4 at the origin.
       {{"case", 1, "Dead load with wind from +Y", {2.4e5, 1.6e4, 0, 0, 0, 0}, range({{1, 25}})}}},
      {"first2d.dat",
       2,
       2,
       "KN",
       "M",
       {{{0, -1.5, 0}}, {{0, 0, 0}}, {{0, 1.5, 0}}},
       1,
       60,
       15.0,
       // PX 1800, PY 90 and MZ 150 at the origin: X, Y and RZ.
       {{"case",
         1,
         "Superstructure dead load with braking force",
         {1800.0, 90.0, 150.0},
         {1, 2, 5, 6, 9, 12, 15, 18, 19, 20, 22, 24, 25}}}},
  };
}

// The iteration counts of the cap tables of the output report, in item order.
std::vector<int> reportedIterations(const fs::path& dir) {
  std::vector<int> counts;
  for (const std::string& l : test::runFileLines(dir, kReport)) {
    for (const char* label :
         {"     NUMBER OF GLOBAL ITERATIONS =", "     NUMBER OF ITERATIONS ="}) {
      if (l.starts_with(label)) counts.push_back(std::stoi(l.substr(std::string(label).size())));
    }
  }
  return counts;
}

class ExampleResultsJson : public ::testing::TestWithParam<ExampleResults> {};

TEST_P(ExampleResultsJson, HoldsTheRunAndBalancesEveryItem) {
  const ExampleResults& ex = GetParam();
  test::TempDir dir;
  const StatusCode status = runWithJson(dir.path(), test::example(ex.file));
  ASSERT_EQ(status, StatusCode::kCompleted);
  const json r = resultsOf(dir.path(), status);
  const bool planar = ex.analysisType == 2;
  const std::size_t components = planar ? 3 : 6;

  for (const char* key : {"status", "status_lines", "analysis_type", "units", "force_unit",
                          "length_unit", "piles", "properties", "items"}) {
    EXPECT_TRUE(r.contains(key)) << key;
  }
  EXPECT_EQ(r["status"], 0);
  EXPECT_EQ(r["status_lines"], json::array({"ANALYSIS COMPLETED"}));
  EXPECT_EQ(r["analysis_type"], ex.analysisType);
  EXPECT_EQ(r["units"], ex.units);
  EXPECT_EQ(r["force_unit"], ex.forceUnit);
  EXPECT_EQ(r["length_unit"], ex.lengthUnit);

  // Piles in pile-table order, where the input puts them.
  ASSERT_EQ(r["piles"].size(), ex.heads.size());
  for (std::size_t i = 0; i < ex.heads.size(); ++i) {
    const json& p = r["piles"][i];
    EXPECT_EQ(p["number"], i + 1);
    EXPECT_EQ(p["x"], ex.heads[i][0]);
    EXPECT_EQ(p["y"], ex.heads[i][1]);
    EXPECT_EQ(p["z"], ex.heads[i][2]);
    EXPECT_EQ(p["property"], 1);
    EXPECT_EQ(p.contains("piles_in_row"), planar);
    if (planar) {
      EXPECT_EQ(p["piles_in_row"], ex.pilesInRow);
    }
  }

  // The joined head curves: 19 points through the origin (point 10), the first nine pulling;
  // no torque-rotation curve in the plane.
  ASSERT_EQ(r["properties"].size(), 1u);
  const json& property = r["properties"][0];
  EXPECT_EQ(property["number"], 1);
  for (const char* curve : {"load_settlement", "torque_rotation"}) {
    SCOPED_TRACE(curve);
    const json& points = property[curve];
    if (planar && std::string(curve) == "torque_rotation") {
      EXPECT_EQ(points, json::array());
      continue;
    }
    ASSERT_EQ(points.size(), 19u);
    for (const json& p : points) EXPECT_EQ(p.size(), 2u);
    EXPECT_EQ(points[9], json::array({0.0, 0.0}));
    for (std::size_t k = 0; k < 9; ++k) EXPECT_LE(points[k][1].get<double>(), 0.0) << k;
  }

  // Items: cases first, then combinations, every one analysed and completed.
  const std::vector<int> iterations = reportedIterations(dir.path());
  ASSERT_EQ(r["items"].size(), ex.items.size());
  ASSERT_EQ(iterations.size(), ex.items.size());
  for (std::size_t i = 0; i < ex.items.size(); ++i) {
    const ExpectedItem& e = ex.items[i];
    const json& item = r["items"][i];
    SCOPED_TRACE(e.kind + " " + std::to_string(e.number));
    EXPECT_EQ(item["kind"], e.kind);
    EXPECT_EQ(item["number"], e.number);
    EXPECT_EQ(item["name"], e.name);
    EXPECT_EQ(item["analyzed"], true);
    EXPECT_EQ(item["result_code"], 1);
    EXPECT_EQ(item["result_text"], "ANALYSIS COMPLETED");
    EXPECT_EQ(item["load_fraction"], 1.0);
    EXPECT_EQ(item["iterations"], iterations[i]);
    for (const char* v : {"cap_load", "cap_displacement", "cap_passive_force"}) {
      EXPECT_EQ(item[v].size(), components) << v;
    }
    // The cap load is the input's, to the 8 digits of the files.
    const std::vector<double> capLoad = vec(item["cap_load"]);
    const double largest =
        *std::max_element(e.capLoad.begin(), e.capLoad.end(),
                          [](double a, double b) { return std::fabs(a) < std::fabs(b); });
    for (std::size_t k = 0; k < components; ++k) {
      EXPECT_NEAR(capLoad[k], e.capLoad[k], 1.0e-8 * std::fabs(largest)) << k;
    }
    EXPECT_EQ(vec(item["cap_passive_force"]), std::vector<double>(components, 0.0));
    expectEquilibrium(r, item);

    // Every pile, with its head vectors and its results along the pile.
    std::set<std::string> names = {"depth", "depth_below_ground"};
    for (int q : e.quantities)
      names.insert(app::quantityNames().at(static_cast<std::size_t>(q - 1)));
    ASSERT_EQ(item["piles"].size(), ex.heads.size());
    for (std::size_t p = 0; p < ex.heads.size(); ++p) {
      const json& pile = item["piles"][p];
      SCOPED_TRACE("pile " + std::to_string(p + 1));
      EXPECT_EQ(pile["number"], p + 1);
      for (const char* v : {"head_displacement_global", "head_force_global",
                            "head_displacement_local", "head_force_local"}) {
        // In the plane a pile head has the cap's components: X, Y and RZ.
        ASSERT_EQ(pile[v].size(), planar ? 3u : 6u) << v;
      }
      const json& along = pile["along"];
      std::set<std::string> keys;
      for (const auto& [key, values] : along.items()) {
        keys.insert(key);
        EXPECT_EQ(values.size(), static_cast<std::size_t>(ex.increments + 1)) << key;
      }
      EXPECT_EQ(keys, names);
      for (const std::string& key : keys) {
        if (key == "depth" || key == "depth_below_ground") continue;
        EXPECT_THAT(app::quantityNames(), ::testing::Contains(key));
      }
      // N + 1 nodes from the head, evenly spaced to the tip (8 digits).
      const std::vector<double> depth = vec(along["depth"]);
      ASSERT_EQ(depth.size(), static_cast<std::size_t>(ex.increments + 1));
      EXPECT_EQ(depth.front(), 0.0);
      for (std::size_t k = 0; k < depth.size(); ++k) {
        EXPECT_NEAR(depth[k], ex.length * static_cast<double>(k) / ex.increments,
                    1.0e-8 * ex.length);
      }
      // The head's largest stress is the largest total stress along the pile.
      const std::vector<double> stress = vec(along["total_stress"]);
      double largestStress = 0.0;
      for (double s : stress) largestStress = std::max(largestStress, std::fabs(s));
      EXPECT_NEAR(pile["max_stress"].get<double>(), largestStress, 1.0e-8 * largestStress);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleResultsJson, ::testing::ValuesIn(examples()),
                         [](const ::testing::TestParamInfo<ExampleResults>& param) {
                           const std::string name = param.param.file;
                           return name.substr(0, name.find('.'));
                         });

// ---------------------------------------------------------------------------------------------
// Items without full results

// A flexible cap with switch 4 = 2 writes its plate model and solves nothing: every item says
// so, with no results.
TEST(ResultsJson, APlateModelItemIsWrittenNotSolved) {
  test::Deck d;
  d.switches[4] = 2;
  d.flexibleCap = "0.0 0.0 2 1 3.6E6 0.2\n";
  test::TempDir dir;
  const StatusCode status = runWithJson(dir.path(), d.text());
  ASSERT_EQ(status, StatusCode::kCompleted);
  const json r = resultsOf(dir.path(), status);
  ASSERT_EQ(r["items"].size(), 2u);
  for (const json& item : r["items"]) {
    EXPECT_EQ(item["analyzed"], false);
    EXPECT_EQ(item["result_code"], 10);
    EXPECT_EQ(item["result_text"], "PLATE MODEL WRITTEN, NOT SOLVED");
    EXPECT_EQ(item["cap_displacement"], json::array());
  }
}

TEST(ResultsJson, AFlaggedCaseIsNotAnalyzedAndHasNoResults) {
  test::TempDir dir;
  const StatusCode status = runWithJson(dir.path(), test::flaggedMiddleCaseDeck().text());
  ASSERT_EQ(status, StatusCode::kCompleted);
  const json r = resultsOf(dir.path(), status);
  ASSERT_EQ(r["items"].size(), 4u);  // three cases, one combination
  const json& flagged = r["items"][1];
  EXPECT_EQ(flagged["kind"], "case");
  EXPECT_EQ(flagged["number"], 2);
  EXPECT_EQ(flagged["name"], "Not run");
  EXPECT_EQ(flagged["analyzed"], false);
  EXPECT_EQ(flagged["result_code"], 9);
  EXPECT_EQ(flagged["result_text"], "ANALYSIS NOT PERFORMED");
  EXPECT_EQ(flagged["load_fraction"], 0.0);
  EXPECT_EQ(flagged["iterations"], 0);
  for (const char* v : {"cap_load", "cap_displacement", "cap_passive_force", "piles"}) {
    EXPECT_EQ(flagged[v], json::array()) << v;
  }
  // The others were analysed, and balance.
  for (std::size_t i : {0, 2, 3}) {
    const json& item = r["items"][i];
    EXPECT_EQ(item["analyzed"], true) << i;
    EXPECT_EQ(item["result_code"], 1) << i;
    expectEquilibrium(r, item);
  }
  // Three analysed items completed; the flagged one is neither completed nor failed.
  EXPECT_EQ(r["items_completed"], 3);
  EXPECT_EQ(r["items_failed"], json::array());
  EXPECT_EQ(app::closingLine(outcomesOf(r)).text, "3 of 3 analysed items completed");
  EXPECT_FALSE(app::closingLine(outcomesOf(r)).failed);
  // The combination takes 1.5 x case 1: 1.5 x (2.0E4, 5.0E3).
  EXPECT_EQ(r["items"][3]["kind"], "combination");
  EXPECT_NEAR(r["items"][3]["cap_load"][0].get<double>(), 3.0e4, 1.0e-8 * 3.0e4);
  EXPECT_NEAR(r["items"][3]["cap_load"][1].get<double>(), 7.5e3, 1.0e-8 * 3.0e4);
}

TEST(ResultsJson, APartialSolutionCarriesItsLoadFraction) {
  test::TempDir dir;
  const StatusCode status = runWithJson(dir.path(), test::partialSolutionDeck().text());
  ASSERT_EQ(status, StatusCode::kCompleted);
  const json r = resultsOf(dir.path(), status);
  ASSERT_EQ(r["items"].size(), 1u);
  const json& item = r["items"][0];
  EXPECT_EQ(item["analyzed"], true);
  EXPECT_EQ(item["result_code"], 2);
  EXPECT_EQ(item["result_text"], "SOLUTION AT   50.00% OF THE TOTAL LOAD");
  EXPECT_EQ(item["load_fraction"], 0.5);
  // Half the load is not the load asked for: the item did not complete.
  EXPECT_EQ(r["items_completed"], 0);
  EXPECT_EQ(r["items_failed"], json::parse(R"([{"kind": "case", "number": 1, "result_code": 2,
                             "result_text": "SOLUTION AT   50.00% OF THE TOTAL LOAD"}])"));
  EXPECT_TRUE(app::closingLine(outcomesOf(r)).failed);
  EXPECT_EQ(app::closingLine(outcomesOf(r)).text,
            "0 of 1 analysed item completed; not completed: case 1 (2 SOLUTION AT   50.00% OF THE "
            "TOTAL LOAD)");
  // The results are those at half the load: 0.5 x 1.6E5 on the cap, carried by the one pile
  // at the origin, which pushes back with the same force.
  const std::vector<double> capLoad = vec(item["cap_load"]);
  ASSERT_EQ(capLoad.size(), 6u);
  EXPECT_NEAR(capLoad[0], 8.0e4, 1.0e-8 * 8.0e4);
  for (std::size_t k = 1; k < 6; ++k) EXPECT_EQ(capLoad[k], 0.0) << k;
  ASSERT_EQ(item["piles"].size(), 1u);
  EXPECT_NEAR(item["piles"][0]["head_force_global"][0].get<double>(), -8.0e4,
              (kCapTolerance + 1.0e-8) * 8.0e4);
  expectEquilibrium(r, item);
}

// The foundation stiffness of a case: per point its load and displacement at the origin and the
// stiffness matrix over the components of the analysis.
TEST(ResultsJson, AStiffnessCaseCarriesItsPointsAndMatrices) {
  test::Deck d;  // switch 11 at load factors 0.5 and 1.0 of PX 1.0E5, PY 5.0E3
  d.loadCases = test::replaceFirst(d.loadCases, "load\n0 0 0 0 0 0 0\n", "load\n0 11 0 0 0 0 0\n");
  d.loadCases = test::replaceFirst(d.loadCases, "0.0\n0\n0\n", "0.0\n0\n2\n0.5\n1.0\n");
  test::TempDir dir;
  const json r = resultsOf(dir.path(), runWithJson(dir.path(), d.text()));
  const json& f = r["items"][0]["foundation_stiffness"];
  EXPECT_EQ(f["family"], "equivalent_stiffness");
  EXPECT_EQ(f["method"], "total_load");
  ASSERT_EQ(f["points"].size(), 2u);
  for (const json& p : f["points"]) {
    const double factor = p["factor"];
    // The case's load scaled by the point's factor (or the part of it a partial solve reached).
    const std::vector<double> load = vec(p["load"]);
    EXPECT_TRUE(p["status"] == "converged" || p["status"] == "partial");
    EXPECT_LE(load[0], factor * 1.0e5);
    EXPECT_DOUBLE_EQ(load[1], 0.05 * load[0]);
    EXPECT_GT(vec(p["displacement"])[1], 0.0);  // pushed along +Y
    ASSERT_EQ(p["stiffness"].size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_GT(p["stiffness"][i][i].get<double>(), 0.0);
  }
  EXPECT_EQ(f["points"][0]["status"], "converged");
  EXPECT_FALSE(r["items"][1].contains("foundation_stiffness"));  // the combination asks for none
}

// ---------------------------------------------------------------------------------------------
// Text from the input as UTF-8

TEST(ValidUtf8, WellFormedSequencesAreKeptAndOtherBytesAreLatin1) {
  // Latin-1 0xB0 (degree sign), 0xC9, 0xFF; then well-formed two-, three- and four-byte UTF-8.
  EXPECT_EQ(app::validUtf8("30\xB0, \xC9\xFF\t"), "30\xC2\xB0, \xC3\x89\xC3\xBF\t");
  for (const std::string s : {"30\xC2\xB0", "\xE2\x82\xAC", "\xF0\x9F\x8F\x97", "\xED\x9F\xBF"}) {
    EXPECT_EQ(app::validUtf8(s), s);
  }
  // An overlong NUL, a UTF-16 surrogate, a truncated sequence: byte by byte.
  EXPECT_EQ(app::validUtf8("\xC0\x80"), "\xC3\x80\xC2\x80");
  EXPECT_EQ(app::validUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");
  EXPECT_EQ(app::validUtf8("\xE2\x82"), "\xC3\xA2\xC2\x82");
}

TEST(ResultsJson, ALatin1TitleAndCaseNameAreValidUtf8) {
  test::TempDir dir;
  test::Deck d;
  d.title = "Pile group, 30\xB0 batter\nsecond title line\n";
  d.loadCases = test::replaceFirst(d.loadCases, "Axial and lateral load", "Load at 5\xB0");
  const StatusCode status = runWithJson(dir.path(), d.text());
  ASSERT_EQ(status, StatusCode::kCompleted);
  const json r = resultsOf(dir.path(), status);
  EXPECT_EQ(r["title"], "Pile group, 30\u00B0 batter");
  EXPECT_EQ(r["items"][0]["name"], "Load at 5\u00B0");
  EXPECT_NO_THROW((void)r.dump());  // the strict writer accepts only valid UTF-8
}

// ---------------------------------------------------------------------------------------------
// The records against the tables they replace

// The numbers of the pile-cap results file, as a host reads them: 17-column cells of eight
// significant digits.
struct CapFile {
  struct Pile {
    int number = 0;
    std::vector<double> dispGlobal, forceGlobal, dispLocal, forceLocal;
    double stress = 0.0;
    std::vector<int> listed;                // quantity numbers of the node listing
    std::vector<std::vector<double>> rows;  // depth, then the listed quantities
  };
  struct Item {
    std::vector<double> load, displacement;
    int iterations = 0;
    std::vector<Pile> piles;
  };
  std::vector<Item> items;
};

CapFile readCapFile(const fs::path& file) {
  CapFile cap;
  const std::vector<std::string> lines = test::readLines(file);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l == "* EQUIVALENT CONC. LOAD AT ORIGIN *") {
      cap.items.emplace_back();
      cap.items.back().load = test::numbersOf(lines[++i]);
    } else if (l == "* DISPLACEMENT OF PILE CAP AT ORIGIN *") {
      cap.items.back().displacement = test::numbersOf(lines[++i]);
    } else if (l.starts_with("NUMBER OF GLOBAL ITERATIONS =")) {
      cap.items.back().iterations = std::stoi(l.substr(29));
    } else if (l.starts_with("* PILE GROUP *")) {
      CapFile::Pile p;
      p.number = std::stoi(l.substr(14));
      // Global displacement, force, stress; heading; local displacement, force, stress.
      p.dispGlobal = test::numbersOf(lines[i + 2]);
      p.forceGlobal = test::numbersOf(lines[i + 3]);
      p.stress = test::numbersOf(lines[i + 4]).at(0);
      p.dispLocal = test::numbersOf(lines[i + 6]);
      p.forceLocal = test::numbersOf(lines[i + 7]);
      const std::vector<double> switches = test::numbersOf(lines[i + 10]);
      for (std::size_t q = 1; q < switches.size(); ++q) {
        if (switches[q] != 0.0) p.listed.push_back(static_cast<int>(q));
      }
      i += 10;
      while (i + 1 < lines.size()) {
        std::vector<double> row = test::numbersOf(lines[i + 1]);
        if (row.size() != p.listed.size() + 1) break;
        p.rows.push_back(std::move(row));
        ++i;
      }
      cap.items.back().piles.push_back(std::move(p));
    }
  }
  return cap;
}

// A value of the file is the full-precision one rounded to eight significant digits: half a unit
// of the eighth digit is at most 5E-8 of the value. Values the cells print as zero are below
// 1E-50.
void expectPrinted(const json& full, double printed, const std::string& what) {
  ASSERT_TRUE(full.is_number()) << what;
  EXPECT_NEAR(full.get<double>(), printed, 5.0e-8 * std::fabs(printed) + 1.0e-50) << what;
}

void expectPrinted(const json& full, const std::vector<double>& printed, const std::string& what) {
  ASSERT_EQ(full.size(), printed.size()) << what;
  for (std::size_t k = 0; k < printed.size(); ++k) {
    expectPrinted(full[k], printed[k], what + "[" + std::to_string(k) + "]");
  }
}

TEST(ResultsJson, HoldsTheNumbersOfThePileCapResultsFileAtFullPrecision) {
  for (const char* example : {"group3d.dat", "bent2d.dat"}) {
    SCOPED_TRACE(example);
    test::TempDir dir;
    const StatusCode status = runWithJson(dir.path(), test::example(example));
    ASSERT_EQ(status, StatusCode::kCompleted);
    const json r = resultsOf(dir.path(), status);
    const CapFile cap = readCapFile(dir / test::fileOfLine(11));
    ASSERT_EQ(r["items"].size(), cap.items.size());
    bool fullDigits = false;  // some value carries more than the file's eight digits
    for (std::size_t i = 0; i < cap.items.size(); ++i) {
      const json& item = r["items"][i];
      const CapFile::Item& c = cap.items[i];
      expectPrinted(item["cap_load"], c.load, "cap_load");
      expectPrinted(item["cap_displacement"], c.displacement, "cap_displacement");
      EXPECT_EQ(item["iterations"], c.iterations);
      ASSERT_EQ(item["piles"].size(), c.piles.size());
      for (std::size_t p = 0; p < c.piles.size(); ++p) {
        const json& pile = item["piles"][p];
        const CapFile::Pile& cp = c.piles[p];
        const std::string at = "item " + std::to_string(i + 1) + " pile " + std::to_string(p + 1);
        EXPECT_EQ(pile["number"], cp.number);
        expectPrinted(pile["head_displacement_global"], cp.dispGlobal, at + " displacement");
        expectPrinted(pile["head_force_global"], cp.forceGlobal, at + " force");
        expectPrinted(pile["head_displacement_local"], cp.dispLocal, at + " local displacement");
        expectPrinted(pile["head_force_local"], cp.forceLocal, at + " local force");
        expectPrinted(pile["max_stress"], cp.stress, at + " stress");
        // Every listed quantity at every node, and nothing the listing leaves out.
        const json& along = pile["along"];
        EXPECT_EQ(along.size(), cp.listed.size() + 2) << at;
        for (std::size_t m = 0; m < cp.rows.size(); ++m) {
          expectPrinted(along["depth"][m], cp.rows[m][0], at + " depth");
          for (std::size_t k = 0; k < cp.listed.size(); ++k) {
            const std::string name =
                app::quantityNames()[static_cast<std::size_t>(cp.listed[k] - 1)];
            expectPrinted(along[name][m], cp.rows[m][k + 1], at + " " + name);
            const double v = along[name][m].get<double>();
            fullDigits = fullDigits || std::fabs(v - cp.rows[m][k + 1]) > 0.0;
          }
        }
      }
    }
    EXPECT_TRUE(fullDigits) << "every value equals its eight-digit text";
  }
}

TEST(ResultsJson, LabelsComponentsAndGivesTheUnitOfEveryArray) {
  test::TempDir dir;
  const StatusCode status = runWithJson(dir.path(), test::example("bent2d.dat"));
  ASSERT_EQ(status, StatusCode::kCompleted);
  const json r = resultsOf(dir.path(), status);
  EXPECT_EQ(r["components"], json::array({"X", "Y", "RZ"}));
  const json& u = r["array_units"];
  const std::string length = r["length_unit"];
  const std::string force = r["force_unit"];
  EXPECT_EQ(u["cap_displacement"], json::array({length, length, "RAD"}));
  EXPECT_EQ(u["head_force_global"][0], force);
  EXPECT_EQ(u["depth"], length);
  EXPECT_EQ(u["depth_below_ground"], length);
  EXPECT_EQ(u["deflection_y"], length);
  EXPECT_EQ(u["shear_y"], force);
  // Every array a pile carries has its unit.
  for (const auto& [name, values] : r["items"][0]["piles"][0]["along"].items()) {
    EXPECT_TRUE(u.contains(name)) << name;
  }
}

TEST(ResultsJson, DepthBelowGroundIsTheDepthFromTheHeadPlusTheHeadsEmbedment) {
  test::TempDir dir;
  test::Deck d;
  // Ground 12 in above the head (X = -12): the head is 12 in below the ground surface.
  d.piles = test::replaceFirst(d.piles, "0.0 0.0 0.0 0.0 90.0 0.0", "0.0 0.0 0.0 0.0 90.0 -12.0");
  const StatusCode status = runWithJson(dir.path(), d.text());
  ASSERT_EQ(status, StatusCode::kCompleted);
  const json r = resultsOf(dir.path(), status);
  const json& along = r["items"][0]["piles"][0]["along"];
  const std::vector<double> depth = vec(along["depth"]);
  const std::vector<double> below = vec(along["depth_below_ground"]);
  ASSERT_EQ(depth.size(), 51u);  // 50 increments over the 600-in pile
  for (std::size_t m = 0; m < depth.size(); ++m) {
    EXPECT_DOUBLE_EQ(depth[m], 12.0 * static_cast<double>(m)) << m;
    EXPECT_DOUBLE_EQ(below[m], 12.0 + 12.0 * static_cast<double>(m)) << m;
  }
}

TEST(ResultsJson, HeadsDropsTheArraysAlongThePiles) {
  test::TempDir dir;
  const StatusCode status =
      runWithJson(dir.path(), test::example("group3d.dat"), app::ResultsContent::kHeads);
  ASSERT_EQ(status, StatusCode::kCompleted);
  const json r = resultsOf(dir.path(), status);
  ASSERT_FALSE(r["items"].empty());
  for (const json& item : r["items"]) {
    ASSERT_FALSE(item["piles"].empty());
    for (const json& pile : item["piles"]) {
      EXPECT_FALSE(pile.contains("along"));
      EXPECT_EQ(pile["head_force_global"].size(), 6u);
    }
    expectEquilibrium(r, item);
  }
}

TEST(ResultsJson, AnItemWhosePilesDidNotConvergeKeepsNoPiles) {
  test::TempDir dir;
  test::Deck d;
  d.properties = test::replaceFirst(d.properties, "29.0E6", "29.06");  // E typed without E
  const StatusCode status = runWithJson(dir.path(), d.text());
  ASSERT_EQ(status, StatusCode::kCompleted);
  const json r = resultsOf(dir.path(), status);
  ASSERT_EQ(r["items"].size(), 2u);
  for (const json& item : r["items"]) {
    EXPECT_EQ(item["result_code"], 6);
    EXPECT_EQ(item["result_text"], "NO CONVERGENCE ON PILES");
    for (const char* v : {"piles", "cap_load", "cap_displacement", "cap_passive_force"}) {
      EXPECT_EQ(item[v], json::array()) << v;
    }
  }
}

TEST(ResultsJson, EnvelopesAndPrintedCurvesAgreeWithTheItems) {
  test::TempDir dir;
  test::Deck d;
  d.switches[11] = 1;  // the deck's two printed curves
  // The cases' envelope (one case: its bounds are its values); none for the combinations.
  d.loadCases = test::replaceFirst(d.loadCases, "1 0 0 0 0\n", "1 1 2 1 0\n25*1\n");
  const StatusCode status = runWithJson(dir.path(), d.text());
  ASSERT_EQ(status, StatusCode::kCompleted);
  const json r = resultsOf(dir.path(), status);
  ASSERT_EQ(r["envelopes"].size(), 1u);
  const json& e = r["envelopes"][0];
  EXPECT_EQ(e["block"], "cases");
  EXPECT_EQ(e["analyzed_items"], 1);
  const json& item = r["items"][0];
  EXPECT_EQ(e["quantities_computed"], item["quantities_computed"]);
  for (const char* bound : {"minimum", "maximum"}) {
    EXPECT_EQ(e[bound]["cap_load"], item["cap_load"]);
    EXPECT_EQ(e[bound]["cap_displacement"], item["cap_displacement"]);
    ASSERT_EQ(e[bound]["piles"].size(), item["piles"].size());
    const json& pile = e[bound]["piles"][0];
    const json& own = item["piles"][0];
    for (const char* v : {"number", "head_displacement_global", "head_force_global",
                          "head_displacement_local", "head_force_local", "max_stress"}) {
      EXPECT_EQ(pile[v], own[v]) << bound << " " << v;
    }
    EXPECT_EQ(pile["along"], own["along"]) << bound;
  }
  // Every request of section J, in order; a curve has points and no message, a refusal the
  // reverse. The first asks for its own three deflections.
  ASSERT_EQ(r["py_curves"].size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    const json& c = r["py_curves"][k];
    EXPECT_EQ(c["number"], k + 1);
    EXPECT_EQ(c["pile"], 1);
    EXPECT_EQ(c["depth"], k == 0 ? 60.0 : 120.0);
    EXPECT_EQ(c["generated"].get<bool>(), !c["points"].empty());
    EXPECT_EQ(c["generated"].get<bool>(), c["message"].empty());
  }
  if (r["py_curves"][0]["generated"].get<bool>()) {
    const json& points = r["py_curves"][0]["points"];
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[1][0], 0.5);
  }
}

TEST(ResultsJson, AnEnvelopeCountsNoItemWithoutResults) {
  test::TempDir dir;
  test::Deck d;
  d.properties = test::replaceFirst(d.properties, "29.0E6", "29.06");  // no item converges
  d.combinations = test::replaceFirst(d.combinations, "1 0 0 0 0\n", "1 1 0 0 0\n25*1\n");
  const StatusCode status = runWithJson(dir.path(), d.text());
  ASSERT_EQ(status, StatusCode::kCompleted);
  const json r = resultsOf(dir.path(), status);
  ASSERT_EQ(r["envelopes"].size(), 1u);
  EXPECT_EQ(r["envelopes"][0]["block"], "combinations");
  EXPECT_EQ(r["envelopes"][0]["analyzed_items"], 0);
  EXPECT_EQ(r["envelopes"][0]["maximum"]["cap_load"], json(std::vector<double>(6, 0.0)));
  EXPECT_EQ(r["py_curves"], json::array());
}

TEST(ResultsJson, WritingThemChangesNoFileOfTheRun) {
  test::TempDir dir;
  const std::string input = test::example("group3d.dat");
  ASSERT_EQ(test::runInput(dir.path(), input), StatusCode::kCompleted);
  std::vector<std::string> without;
  for (int line = 6; line <= 25; ++line) without.push_back(test::runFile(dir.path(), line));
  ASSERT_EQ(runWithJson(dir.path(), input), StatusCode::kCompleted);
  for (int line = 6; line <= 25; ++line) {
    EXPECT_EQ(test::runFile(dir.path(), line), without[static_cast<std::size_t>(line - 6)])
        << test::fileOfLine(line);
  }
}

// ---------------------------------------------------------------------------------------------
// Progress and stop

TEST(EngineRun, ReportsProgressForEveryItemAsData) {
  test::TempDir dir;
  test::writeNamesFile(dir.path());
  test::writeFile(dir / "input.dat", test::flaggedMiddleCaseDeck().text());
  std::vector<ProgressEvent> events;
  EngineRequest request;
  request.namesFolder = dir.path();
  request.clock = test::pinnedTime;
  request.progress = [&events](const ProgressEvent& e) { events.push_back(e); };
  ASSERT_EQ(runEngine(request), StatusCode::kCompleted);
  // Three cases (the second flagged) and one combination: each starts; the analysed ones
  // iterate on their one pile and finish.
  std::vector<std::string> sequence;
  for (const ProgressEvent& e : events) {
    const std::string item = (e.combination ? "comb " : "case ") + std::to_string(e.item) + "/" +
                             std::to_string(e.itemCount);
    if (e.phase == ProgressEvent::Phase::kStarted) sequence.push_back("start " + item);
    if (e.phase == ProgressEvent::Phase::kFinished) sequence.push_back("finish " + item);
    if (e.phase == ProgressEvent::Phase::kIteration) {
      EXPECT_EQ(e.pileCount, 1);
      EXPECT_GE(e.step, 1);
      EXPECT_GE(e.iteration, 1);
      EXPECT_GT(e.loadFraction, 0.0);
      EXPECT_LE(e.loadFraction, 1.0);
      if (sequence.back() != "iterate " + item) sequence.push_back("iterate " + item);
    }
  }
  EXPECT_THAT(sequence,
              ::testing::ElementsAre("start case 1/3", "iterate case 1/3", "finish case 1/3",
                                     "start case 2/3", "start case 3/3", "iterate case 3/3",
                                     "finish case 3/3", "start comb 1/1", "iterate comb 1/1",
                                     "finish comb 1/1"));
}

TEST(EngineRun, TheStopFlagEndsTheRunWithStatus4) {
  test::TempDir dir;
  test::writeNamesFile(dir.path());
  test::writeFile(dir / "input.dat", test::flaggedMiddleCaseDeck().text());
  std::atomic<bool> stop{false};
  app::ResultsJsonWriter writer(dir.path(), app::ResultsContent::kFull);
  EngineRequest request;
  request.namesFolder = dir.path();
  request.clock = test::pinnedTime;
  request.sink = &writer;
  request.stop = &stop;
  // Stop asked once case 3 iterates: it is checked at the start of each global iteration.
  request.progress = [&stop](const ProgressEvent& e) {
    if (!e.combination && e.item == 3 && e.phase == ProgressEvent::Phase::kIteration) stop = true;
  };
  ASSERT_EQ(runEngine(request), StatusCode::kStoppedByUser);
  std::string error;
  ASSERT_TRUE(writer.finish(error)) << error;
  const json r = resultsOf(dir.path(), StatusCode::kStoppedByUser);
  EXPECT_EQ(r["status_lines"], json::array({"*** ANALYSIS STOPPED BY USER ***"}));
  ASSERT_EQ(r["items"].size(), 4u);
  EXPECT_EQ(r["items"][0]["result_code"], 1);
  EXPECT_EQ(r["items"][1]["result_code"], 9);
  for (std::size_t i : {2, 3}) {
    EXPECT_TRUE(r["items"][i]["result_code"].is_null()) << i;
    EXPECT_EQ(r["items"][i]["analyzed"], false) << i;
  }
  EXPECT_EQ(app::closingLine(writer.items()).text, "1 of 1 analysed item completed");
  EXPECT_THAT(test::runFile(dir.path(), 6), HasSubstr("*** ANALYSIS STOPPED BY USER ***"));
}

TEST(ResultsJson, ARefusedInputGivesItsMessageAndNoItems) {
  test::TempDir dir;
  test::Deck d;
  d.loadCases.replace(0, 1, "101");
  const StatusCode status = runWithJson(dir.path(), d.text());
  ASSERT_EQ(status, StatusCode::kInputCapacityExceeded);
  const json r = resultsOf(dir.path(), status);
  EXPECT_EQ(r["items"], json::array());
  EXPECT_EQ(r["status_lines"],
            json::array(
                {"* ERROR IN ANALYSIS *", "A COUNT IN THE INPUT DATA FILE", "EXCEEDS A CAPACITY"}));
  EXPECT_THAT(r["message"].dump(),
              HasSubstr("THE NUMBER OF LOAD CASES IS 101, MORE THAN THE 100 ALLOWED"));
}

TEST(ResultsJson, QuotesAndBackslashesInTextAreEscaped) {
  test::TempDir dir;
  test::Deck d;
  d.title = "Group \"A\" \\ east bent\nsecond title line\n";
  const StatusCode status = runWithJson(dir.path(), d.text());
  ASSERT_EQ(status, StatusCode::kCompleted);
  EXPECT_EQ(resultsOf(dir.path(), status)["title"], "Group \"A\" \\ east bent");
}

// ---------------------------------------------------------------------------------------------
// An embedded cap

// The cap is in equilibrium with the passive force of the soil in front of it, and it moves less
// than the same cap with its base at the ground: in three dimensions by either model (the deck's
// pile under its 60 x 60 x 24 cap, base 12 below the ground, in soft clay) and in the plane
// (bent2d, 8.1 m across the plane, base 0.5 m below the ground). The pressure model's values are
// worked by hand: clay (Kp = 1) with γ' = 0.02 and c = 3 + 2 x 12/720 at the base: p0 = (0.02 x
// 12 + 2c) x 60√2, a = 12 p0/2 at a third of 12 above the base (X = -4), all of it along -Y.
TEST(ResultsJson, AnEmbeddedCapBalancesWithItsPassiveForceAndMovesLess) {
  const auto deck = [](int option, const char* method, const char* ground) {
    test::Deck d;
    d.switches[3] = option;
    d.passiveMethod = method;
    d.piles = test::replaceFirst(d.piles, "90.0 0.0\n", std::string("90.0 ") + ground + "\n");
    d.loadCases = test::replaceFirst(d.loadCases, "1.0E5 5.0E3", "2.0E4 5.0E3");  // axially safe
    return d.text();
  };
  std::string flat = test::example("bent2d.dat");
  flat = test::replaceFirst(test::replaceFirst(flat, "2 2 0 0", "2 2 1 0"), "6.0 0.0", "6.0 8.1");
  std::string bent = flat;
  for (const char* row : {"\n0.0 -2.4 -9.46 ", "\n0.0 0.0 0.0 ", "\n0.0 2.4 9.46 "}) {
    bent = test::replaceFirst(bent, std::string(row) + "0.0", std::string(row) + "-0.5");
  }
  const std::string springs = "1 0 6 0.0 0.0 0.0\n";
  const std::vector<std::array<std::string, 3>> cases = {
      {deck(1, "", "-12.0"), deck(1, "", "0.0"), "pressure"},
      {deck(2, springs.c_str(), "-12.0"), deck(2, springs.c_str(), "0.0"), "member"},
      {bent, flat, "pressure"}};
  const double p0 = (0.02 * 12.0 + 2.0 * (3.0 + 2.0 * 12.0 / 720.0)) * 60.0 * std::sqrt(2.0);
  for (std::size_t c = 0; c < cases.size(); ++c) {
    test::TempDir dir, flatDir;
    ASSERT_EQ(runWithJson(dir.path(), cases[c][0]), StatusCode::kCompleted);
    ASSERT_EQ(runWithJson(flatDir.path(), cases[c][1]), StatusCode::kCompleted);
    const json r = resultsOf(dir.path(), StatusCode::kCompleted);
    const json f = resultsOf(flatDir.path(), StatusCode::kCompleted);
    EXPECT_THAT(test::runFile(dir.path(), kReport),
                HasSubstr(c == 1 ? "     REACTIONS CAP    (MEMBER    2)\n"
                                 : "     * PASIVE RESISTANCE IN PILE CAP *\n"));
    for (std::size_t i = 0; i < r["items"].size(); ++i) {
      const json& item = r["items"][i];
      ASSERT_EQ(item["result_code"], 1);
      expectEquilibrium(r, item);
      const std::vector<double> passive = vec(item["cap_passive_force"]);
      EXPECT_LT(passive.at(1), 0.0) << c;
      EXPECT_LT(-passive.at(1), vec(item["cap_load"]).at(1)) << c;
      EXPECT_EQ(item["passive"]["model"], cases[c][2]);
      EXPECT_EQ(vec(f["items"][i]["cap_passive_force"]).at(1), 0.0);
      EXPECT_LT(vec(item["cap_displacement"]).at(1), vec(f["items"][i]["cap_displacement"]).at(1));
      EXPECT_GT(vec(item["cap_displacement"]).at(1), 0.0);
      if (c != 0) continue;
      const json& p = item["passive"];
      EXPECT_EQ(p["embedment"], -12.0);
      EXPECT_NEAR(p["p0"].get<double>(), p0, 1e-9 * p0);
      EXPECT_NEAR(p["resultant"].get<double>(), 6.0 * p0, 1e-9 * p0);
      EXPECT_NEAR(p["position"].get<double>(), -4.0, 1e-9);
      EXPECT_NEAR(passive[1], -6.0 * p0, 1e-9 * p0);
      EXPECT_NEAR(passive[5], 24.0 * p0, 1e-9 * p0);  // X·Fy
    }
    if (c == 0) {
      const std::string report = test::runFile(dir.path(), kReport);
      EXPECT_THAT(report, HasSubstr("     HOR. LOAD Y,         3210.8 LBS    HOR. LOAD Z,"));
      EXPECT_THAT(report, HasSubstr("POSITION,           -4.0000 IN     \n\n     * TABLE M *"));
    }
  }
  test::TempDir none;
  ASSERT_EQ(runWithJson(none.path(), test::Deck().text()), StatusCode::kCompleted);
  EXPECT_TRUE(resultsOf(none.path(), StatusCode::kCompleted)["items"][0]["passive"].is_null());
}

// ---- Pile-mesh refinement -------------------------------------------------------------------

// The example's four piles are of 80 increments of 6 in, in soft clay over sand.
TEST(ResultsJsonMesh, ARefinedRunHoldsEveryNodeAndPrintsAtTheInputsDepths) {
  test::TempDir coarse, fine;
  ASSERT_EQ(runWithJson(coarse.path(), test::example("first3d.dat")), StatusCode::kCompleted);
  ASSERT_EQ(runWithJson(fine.path(), test::example("first3d.dat"), app::ResultsContent::kFull, 2),
            StatusCode::kCompleted);
  const json r = resultsOf(fine.path(), StatusCode::kCompleted);
  EXPECT_EQ(r["refine"], 2);
  EXPECT_EQ(resultsOf(coarse.path(), StatusCode::kCompleted)["refine"], 1);
  const json& along = r["items"][0]["piles"][0]["along"];
  ASSERT_EQ(along["depth"].size(), 161u);
  EXPECT_DOUBLE_EQ(along["depth"][1].get<double>(), 3.0);
  EXPECT_DOUBLE_EQ(along["depth"][160].get<double>(), 480.0);
  // The report prints the same nodes (every 10th of the input's, every 20th of the refined
  // mesh): only the five head lines that state the refinement are added.
  const std::vector<std::string> a = test::runFileLines(coarse.path(), kReport);
  const std::vector<std::string> b = test::runFileLines(fine.path(), kReport);
  EXPECT_EQ(b.size(), a.size() + 5);
  EXPECT_THAT(test::runFile(fine.path(), kReport), HasSubstr("PILE MESH REFINED  2 TIMES"));
}

TEST(ResultsJsonMesh, AutomaticRefinementReportsTheConvergenceOfTheFinestRun) {
  test::TempDir dir;
  ASSERT_EQ(runWithJson(dir.path(), test::example("first3d.dat"), app::ResultsContent::kFull,
                        kRefineAuto),
            StatusCode::kCompleted);
  const json r = resultsOf(dir.path(), StatusCode::kCompleted);
  const json& mesh = r["mesh_convergence"];
  ASSERT_TRUE(mesh.is_object());
  const std::vector<int> factors = mesh["factors"];
  ASSERT_GE(factors.size(), 2u);
  EXPECT_EQ(factors[0], 1);
  EXPECT_EQ(factors[1], 2);
  // The files and records are those of the finest mesh.
  EXPECT_EQ(mesh["final_factor"], factors.back());
  EXPECT_EQ(r["refine"], factors.back());
  EXPECT_EQ(r["items"][0]["piles"][0]["along"]["depth"].size(),
            static_cast<std::size_t>(80 * factors.back() + 1));
  // The unrefined mesh is the softer one: the cap moves less on every finer mesh, by less each
  // time (by half: the sand below the clay begins at a node, which takes one layer's springs, an
  // error of first order in h).
  const json& item = mesh["items"][0];
  ASSERT_TRUE(item["compared"].get<bool>());
  const std::vector<double> y = item["cap_displacement"][1]["values"];
  for (std::size_t k = 1; k < y.size(); ++k) {
    EXPECT_LT(y[k], y[k - 1]) << k;
  }
  if (y.size() == 3) {
    EXPECT_LT(y[1] - y[2], 0.6 * (y[0] - y[1]));
  }
  EXPECT_EQ(item["piles"].size(), 4u);
  // The block closes the summary, and says how far K = 1 lies from the extrapolated answer.
  const std::string summary = test::runFile(dir.path(), 7);
  EXPECT_THAT(summary, HasSubstr("MESH CONVERGENCE OF THE PILES"));
  EXPECT_THAT(summary, HasSubstr(mesh["coarse_off"].get<bool>() ? "MORE THAN 2 %" : "IS WITHIN"));
}

}  // namespace
}  // namespace stilt
