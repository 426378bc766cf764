// REGRESSION GUARDS. The output report and the output summary of two examples, run with the clock
// pinned, compared byte for byte with the files stored under tests/e2e/golden/ — all but the
// "Path to file locations" line, which names the temporary run folder.
//
// These files were produced by the engine itself: they do not show that the results are right
// (the other tests check them against statics, closed forms and the input), only that they have
// not changed. A change that is meant to alter a report fails here; rebuild the files with
// tests/e2e/golden/regenerate.sh and read every line of the diff before accepting it.
//
// With the environment variable STILT_GOLDEN_WRITE set, the tests write the files instead of
// comparing them (that is what the script does).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;

constexpr int kReport = 6;
constexpr int kSummary = 7;

const std::string kPathLine = "     Path to file locations      : ";

fs::path goldenFolder() {
  return fs::path(STILT_SOURCE_DIR) / "tests" / "e2e" / "golden";
}

// The text with the run folder in the file-name block replaced by a fixed marker.
std::string masked(const std::string& text) {
  const std::size_t at = text.find(kPathLine);
  if (at == std::string::npos) return text;
  const std::size_t end = text.find('\n', at);
  return text.substr(0, at) + kPathLine + "<run folder>/" +
         (end == std::string::npos ? std::string() : text.substr(end));
}

// Compares `actual` with the golden file `name`, naming the first line that differs.
void expectGolden(const std::string& name, const std::string& actual) {
  const fs::path golden = goldenFolder() / name;
  if (std::getenv("STILT_GOLDEN_WRITE") != nullptr) {
    test::writeFile(golden, actual);
    return;
  }
  ASSERT_TRUE(fs::exists(golden)) << golden << " is missing: run tests/e2e/golden/regenerate.sh";
  const std::string expected = test::readFile(golden);
  if (expected == actual) return;
  std::size_t line = 1;
  std::size_t a = 0;
  std::size_t e = 0;
  while (true) {
    const std::size_t aEnd = std::min(actual.find('\n', a), actual.size());
    const std::size_t eEnd = std::min(expected.find('\n', e), expected.size());
    const std::string al = actual.substr(a, aEnd - a);
    const std::string el = expected.substr(e, eEnd - e);
    if (al != el || aEnd == actual.size() || eEnd == expected.size()) {
      ADD_FAILURE() << name << " differs from its golden copy at line " << line << ":\n  golden: \""
                    << el << "\"\n  now:    \"" << al << "\"\n(regression guard: if the change is "
                    << "meant, run tests/e2e/golden/regenerate.sh and read the whole diff)";
      return;
    }
    a = aEnd + 1;
    e = eEnd + 1;
    ++line;
  }
}

void guardExample(const std::string& stem) {
  test::TempDir dir;
  ASSERT_EQ(test::runInput(dir.path(), test::example(stem + ".dat")), StatusCode::kCompleted);
  expectGolden(stem + ".out", masked(test::runFile(dir.path(), kReport)));
  expectGolden(stem + ".sum", test::runFile(dir.path(), kSummary));
}

TEST(GoldenReportRegressionGuard, ThreeDimensionalExampleReportAndSummaryAreUnchanged) {
  guardExample("group3d");
}

TEST(GoldenReportRegressionGuard, TwoDimensionalExampleReportAndSummaryAreUnchanged) {
  guardExample("bent2d");
}

}  // namespace
}  // namespace stilt
