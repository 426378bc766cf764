// The two head-stiffness methods on whole runs: every bundled example and a generated battered
// group end with the same result lines and, within the closure of the cap iteration, the same
// cap displacements; only the path of the Newton iteration may differ.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "bench/group_deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

struct Outcome {
  std::vector<std::string> resultLines;  // convergence-status file
  std::vector<std::vector<double>> displacements;
  std::vector<int> iterations;
};

Outcome run(const std::string& input, StiffnessMethod method) {
  test::TempDir dir;
  test::writeNamesFile(dir.path());
  test::writeFile(dir / "input.dat", input);
  RunOptions options;
  options.workDir = dir.path();
  options.clock = test::pinnedTime;
  options.analysis.stiffness = method;
  EXPECT_EQ(runAnalysis(options), StatusCode::kCompleted);
  Outcome out;
  out.resultLines = test::runFileLines(dir.path(), 10);
  // The pile-cap results file: full-precision displacement lines and the iteration counts.
  const std::vector<std::string> cap = test::runFileLines(dir.path(), 11);
  for (std::size_t i = 0; i < cap.size(); ++i) {
    if (cap[i].find("DISPLACEMENT OF PILE CAP AT ORIGIN") != std::string::npos &&
        i + 1 < cap.size()) {
      out.displacements.push_back(test::numbersOf(cap[i + 1]));
    }
    const std::string label = "NUMBER OF GLOBAL ITERATIONS =";
    if (cap[i].rfind(label, 0) == 0)
      out.iterations.push_back(std::stoi(cap[i].substr(label.size())));
  }
  return out;
}

// Translations and rotations each against the largest of their kind in the item: both runs stop
// on a relative correction of at most 1E-4 (every deck here), so they may differ by about that.
void expectSameResults(const std::string& input, const std::string& name) {
  const Outcome central = run(input, StiffnessMethod::kCentral);
  const Outcome tangent = run(input, StiffnessMethod::kTangent);
  EXPECT_EQ(tangent.resultLines, central.resultLines) << name;
  ASSERT_EQ(tangent.displacements.size(), central.displacements.size()) << name;
  ASSERT_FALSE(central.displacements.empty()) << name;
  for (std::size_t item = 0; item < central.displacements.size(); ++item) {
    const std::vector<double>& c = central.displacements[item];
    const std::vector<double>& t = tangent.displacements[item];
    ASSERT_EQ(t.size(), c.size());
    // Planar runs list X, Y and rotation Z; spatial ones three translations, three rotations.
    const std::size_t translations = c.size() == 3 ? 2 : 3;
    double largest[2] = {0.0, 0.0};
    for (std::size_t k = 0; k < c.size(); ++k) {
      double& l = largest[k < translations ? 0 : 1];
      l = std::max(l, std::abs(c[k]));
    }
    for (std::size_t k = 0; k < c.size(); ++k) {
      EXPECT_NEAR(t[k], c[k], 2.0e-4 * largest[k < translations ? 0 : 1] + 1.0e-12)
          << name << " item " << item + 1 << " component " << k + 1;
    }
  }
  std::string counts;
  for (std::size_t i = 0; i < central.iterations.size() && i < tangent.iterations.size(); ++i) {
    counts +=
        " " + std::to_string(central.iterations[i]) + "/" + std::to_string(tangent.iterations[i]);
  }
  ::testing::Test::RecordProperty("global_iterations_central_over_tangent", counts);
}

class BundledExample : public ::testing::TestWithParam<const char*> {};

TEST_P(BundledExample, BothStiffnessMethodsReachTheSameEquilibrium) {
  expectSameResults(test::example(GetParam()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Examples, BundledExample,
                         ::testing::Values("first3d.dat", "group3d.dat", "all_sections.dat",
                                           "first2d.dat", "bent2d.dat"));

TEST(GeneratedGroup, BatteredGridReachesTheSameEquilibrium) {
  // A 3 x 4 grid with the edge piles battered 10°, 20 increments per pile to stay quick.
  bench::GroupDeckOptions options;
  options.rows = 3;
  options.cols = 4;
  options.batter = 10.0;
  options.increments = 20;
  expectSameResults(bench::groupDeck(options), "3 x 4 battered grid");
}

}  // namespace
}  // namespace stilt
