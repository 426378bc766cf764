// The HTML report and the CSV tables of a whole run, each checked against results.json: the CSV
// cell by cell, the report as a real browser builds it (headless Chromium), with no script error,
// one plan marker per pile and one profile figure per critical pile, chosen here independently.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "app/cli_runner.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::vector<std::vector<std::string>> readCsv(const fs::path& file) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : test::readLines(file)) {
    if (line.empty()) continue;
    std::vector<std::string> cells;
    std::stringstream in(line);
    std::string cell;
    while (std::getline(in, cell, ',')) cells.push_back(cell);
    if (!line.empty() && line.back() == ',') cells.emplace_back();
    rows.push_back(cells);
  }
  return rows;
}

// The value of attribute `name` in the tag that starts at `at`, or empty.
std::string attribute(const std::string& page, std::size_t at, const std::string& name) {
  const std::size_t end = page.find('>', at);
  const std::size_t a = page.find(" " + name + "=\"", at);
  if (a == std::string::npos || a > end) return {};
  const std::size_t from = a + name.size() + 3;
  return page.substr(from, page.find('"', from) - from);
}

// Where every tag of `page` that starts with `tag` starts.
std::vector<std::size_t> tags(const std::string& page, const std::string& tag, std::size_t from = 0,
                              std::size_t to = std::string::npos) {
  std::vector<std::size_t> at;
  for (std::size_t p = page.find(tag, from); p < to && p != std::string::npos;
       p = page.find(tag, p + 1)) {
    at.push_back(p);
  }
  return at;
}

std::vector<double> numbers(const std::string& list) {
  std::vector<double> v;
  std::stringstream in(list);
  std::string cell;
  while (std::getline(in, cell, ',')) v.push_back(std::stod(cell));
  return v;
}

// The pile-group runs of an example, the report and the tables written beside results.json.
class ReportOutputs : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path input = dir_ / "group.dat";
    test::writeFile(input, test::example("group3d.dat"));
    const test::CliOutcome run = test::runStilt("run " + test::quoted(input) + " --quiet --csv " +
                                                test::quoted(dir_ / "tables"));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    folder_ = dir_ / "group";
    results_ = json::parse(test::readFile(folder_ / "results.json"));
  }
  test::TempDir dir_;
  fs::path folder_;
  json results_;
};

TEST_F(ReportOutputs, CsvTablesHoldTheValuesOfResultsJson) {
  int itemsChecked = 0;
  for (const json& item : results_["items"]) {
    if (item["result_code"] != 1) continue;
    const std::string stem = std::string(item["kind"] == "case" ? "case_" : "combination_") +
                             std::to_string(item["number"].get<int>());
    const auto heads = readCsv(dir_ / "tables" / (stem + "_heads.csv"));
    ASSERT_EQ(heads.size(), item["piles"].size() + 1);
    EXPECT_EQ(heads[0][7], "head_force_global X (LBS)");
    const auto maxima = readCsv(dir_ / "tables" / (stem + "_maxima.csv"));
    for (std::size_t i = 0; i < item["piles"].size(); ++i) {
      const json& pile = item["piles"][i];
      const std::vector<std::string>& row = heads[i + 1];
      EXPECT_EQ(std::stoi(row[0]), pile["number"].get<int>());
      for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(std::stod(row[7 + k]), pile["head_force_global"][k].get<double>());
        EXPECT_EQ(std::stod(row[19 + k]), pile["head_force_local"][k].get<double>());
      }
      // The largest moment along the pile and its depth, found here in the arrays.
      const json& along = pile["along"];
      std::size_t at = 0;
      for (std::size_t n = 1; n < along["moment_yz"].size(); ++n) {
        if (along["moment_yz"][n].get<double>() > along["moment_yz"][at].get<double>()) at = n;
      }
      const std::vector<std::string>& header = maxima[0];
      const auto column = std::find(header.begin(), header.end(), "max moment_yz (LBS-IN)");
      ASSERT_NE(column, header.end());
      const std::size_t c = static_cast<std::size_t>(column - header.begin());
      EXPECT_EQ(std::stod(maxima[i + 1][c]), along["moment_yz"][at].get<double>());
      EXPECT_EQ(std::stod(maxima[i + 1][c + 1]), along["depth"][at].get<double>());
      // The table along the pile: column by column as in "along".
      const auto table = readCsv(dir_ / "tables" / stem /
                                 ("pile_" + std::to_string(pile["number"].get<int>()) + ".csv"));
      ASSERT_EQ(table.size(), along["depth"].size() + 1);
      for (std::size_t col = 0; col < table[0].size(); ++col) {
        const std::string name = table[0][col].substr(0, table[0][col].find(' '));
        ASSERT_TRUE(along.contains(name)) << name;
        for (std::size_t n = 0; n < along[name].size(); ++n) {
          EXPECT_EQ(std::stod(table[n + 1][col]), along[name][n].get<double>()) << name;
        }
      }
    }
    ++itemsChecked;
  }
  EXPECT_EQ(itemsChecked, 3);
}

TEST_F(ReportOutputs, BrowserShowsThePlanAndTheCriticalPilesOfResultsJson) {
  const fs::path report = folder_ / "report.html";
  ASSERT_TRUE(fs::exists(report));
  const fs::path dom = dir_ / "dom.html", log = dir_ / "browser.log";
  const std::string browser = "chromium --headless --no-sandbox --disable-gpu --user-data-dir=" +
                              test::quoted(dir_ / "profile") + " --enable-logging=stderr --v=0 ";
  const std::string url = test::quoted("file://" + report.string());
  if (std::system(("timeout 120 " + browser + "--dump-dom " + url + " > " + test::quoted(dom) +
                   " 2> " + test::quoted(log))
                      .c_str()) != 0 ||
      fs::file_size(dom) == 0) {
    GTEST_SKIP() << "chromium could not start (install Debian's chromium to run this check)";
  }
  const std::string page = test::readFile(dom);
  const std::string errors = test::readFile(log);
  EXPECT_EQ(errors.find("Uncaught"), std::string::npos) << errors;
  EXPECT_EQ(page.find("data-script-error=\""), std::string::npos);  // set by onerror
  ASSERT_NE(page.find("</html>"), std::string::npos);

  // The plan: one marker per pile at its head, valued by the compression of the first item.
  const json& piles = results_["piles"];
  const json& first = results_["items"][0];
  std::size_t markers = 0;
  for (std::size_t at : tags(page, "<circle class=\"pile\"")) {
    const std::size_t i = static_cast<std::size_t>(std::stoi(attribute(page, at, "data-pile")) - 1);
    EXPECT_EQ(std::stod(attribute(page, at, "data-y")), piles[i]["y"].get<double>());
    EXPECT_EQ(std::stod(attribute(page, at, "data-z")), piles[i]["z"].get<double>());
    EXPECT_EQ(std::stod(attribute(page, at, "data-value")),
              -first["piles"][i]["head_force_local"][0].get<double>());
    ++markers;
  }
  EXPECT_EQ(markers, piles.size());

  // The critical piles of the first item, chosen from results.json: the largest compression
  // and tension at the head, the largest moment and deflection along the pile.
  std::array<double, 4> best{};
  std::array<int, 4> pile{};
  for (const json& p : first["piles"]) {
    const auto largest = [&](const char* name) {
      double m = 0.0;
      for (const json& v : p["along"][name]) m = std::max(m, std::fabs(v.get<double>()));
      return m;
    };
    const json& f = p["head_force_local"];
    const json& d = p["head_displacement_local"];
    const std::array<double, 4> value = {
        -f[0].get<double>(), f[0].get<double>(),
        std::max(largest("moment_yz"), std::hypot(f[4].get<double>(), f[5].get<double>())),
        std::max(largest("deflection_yz"), std::hypot(d[1].get<double>(), d[2].get<double>()))};
    for (std::size_t r = 0; r < 4; ++r) {
      if (value[r] > best[r]) {
        best[r] = value[r];
        pile[r] = p["number"].get<int>();
      }
    }
  }
  std::set<int> expected;
  for (int p : pile) {
    if (p > 0) expected.insert(p);
  }
  std::set<int> drawn;
  for (std::size_t at : tags(page, "<figure class=\"critical\" data-item=\"case-1\"")) {
    const int number = std::stoi(attribute(page, at, "data-pile"));
    drawn.insert(number);
    const json& along = first["piles"][static_cast<std::size_t>(number - 1)]["along"];
    EXPECT_EQ(numbers(attribute(page, at, "data-depth-below-ground")),
              along["depth_below_ground"].get<std::vector<double>>());
    int lines = 0;
    for (std::size_t l : tags(page, "<polyline", at, page.find("</figure>", at))) {
      const std::string name = attribute(page, l, "data-quantity");
      EXPECT_EQ(numbers(attribute(page, l, "data-values")), along[name].get<std::vector<double>>())
          << name;
      ++lines;
    }
    EXPECT_EQ(lines, 8);  // deflection, moment, shear, soil reaction in the y and z planes
  }
  EXPECT_EQ(drawn, expected);
  EXPECT_GE(drawn.size(), 2u);

  // The screenshot, kept beside the test program as an artefact.
  EXPECT_EQ(std::system(("timeout 120 " + browser + "--window-size=1280,3000 --screenshot=" +
                         test::quoted(fs::path(STILT_TEST_OUTPUT_DIR) / "report_screenshot.png") +
                         " " + url + " > /dev/null 2>&1")
                            .c_str()),
            0);
}

// The command hands every record to results.json, report.html and the tables through one tee: the
// comparison of an automatic refinement must reach results.json and the terminal through it too.
TEST(ReportOutputsMesh, AutomaticRefinementReachesResultsJsonAndTheTerminalThroughTheTee) {
  test::TempDir dir;
  const fs::path input = dir.path() / "first.dat";
  test::writeFile(input, test::example("first3d.dat"));
  const test::CliOutcome run = test::runStilt("run " + test::quoted(input) + " --refine auto");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("mesh convergence: K = 1, 2"), std::string::npos) << run.output;
  const json results = json::parse(test::readFile(dir.path() / "first" / "results.json"));
  ASSERT_TRUE(results["mesh_convergence"].is_object());
  EXPECT_EQ(results["mesh_convergence"]["final_factor"], results["refine"]);
}

}  // namespace
}  // namespace stilt
