// The secant-modulus update of a pile allocates nothing, for every curve family: the global
// operator new is replaced by one that counts, and the count is read around the updates.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

#include "support/allocation_counter.hpp"

#include "soil/py_soil.hpp"

namespace stilt {
namespace {

TEST(SecantModuliUpdate, AllocatesNothingForAnyFamily) {
  using Row = std::array<double, 11>;
  const std::vector<std::pair<int, Row>> families = {
      {1, {0, 8, 50, 0, 0, 0, 0.01}},
      {2, {0, 9, 100, 0, 40000, 0, 0.005}},
      {3, {0, 10, 100, 0, 0, 0, 0.004}},
      {10, {0, 10, 100, 0, 5000, 0, 0.004}},
      {4, {0, 10, 0, 35, 20000}},
      {8, {0, 10, 0, 35, 20000}},
      {7, {0, 9, 20, 30, 15000}},
      {11, {0, 9}},
      {9, {0, 20, 2000, 0, 0, 200000, 0.0005, 50}},
      {6, {0, 20, 10000}},
      {5, {0, 9}},
  };
  UserPyCurveSet set;
  set.curves.push_back({0.0, {{0.0, 0.0}, {10.0, 0.01}, {12.0, 1.0}}});
  set.curves.push_back({30.0, {{0.0, 0.0}, {50.0, 0.01}, {60.0, 1.0}}});
  std::vector<double> depths(101), widths(101, 0.6), y(101), es(101);
  for (std::size_t i = 0; i < 101; ++i) {
    depths[i] = 0.2 * static_cast<double>(i);
    y[i] = 0.02 * std::exp(-0.05 * static_cast<double>(i));
  }
  for (const auto& [code, row] : families) {
    for (bool cyclic : {false, true}) {
      AnalysisModel m;
      m.switches.values[1] = 2;
      SoilLayer l;
      l.soilType = code;
      l.top = 0;
      l.bottom = 30;
      l.parameters = {row, row};
      m.soilLayers = {l};
      const SoilProfile profile = buildSoilProfile(m);
      PySoilInput in;
      in.profile = &profile;
      in.depths = depths;
      in.widths = widths;
      in.cyclic = cyclic;
      in.cycles = 10;
      if (code == 5) in.userCurves = &set;  // otherwise the set would replace the layer
      PySoil soil;
      Diagnostics d;
      ASSERT_EQ(PySoil::build(in, soil, d), StatusCode::kCompleted) << code;
      const long before = stilt::test::heapAllocations();
      StatusCode st = StatusCode::kCompleted;
      for (int iteration = 0; iteration < 20; ++iteration) {
        st = soil.secantModuli(y, {0.8, 1.1}, es, d);
        if (!isOk(st)) break;
      }
      const long after = stilt::test::heapAllocations();
      EXPECT_EQ(st, StatusCode::kCompleted);
      EXPECT_EQ(after - before, 0) << "code " << code;
      EXPECT_GT(es[50], 0.0) << "code " << code;
      // The node runs the layer's own family (the user set only serves the layer of code 5).
      EXPECT_EQ(std::holds_alternative<InterpolatedUserCurve>(soil.nodeCurve(50)), code == 5);
      EXPECT_FALSE(std::holds_alternative<NoResistance>(soil.nodeCurve(50))) << code;
    }
  }
}

}  // namespace
}  // namespace stilt
