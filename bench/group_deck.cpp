#include "bench/group_deck.hpp"

#include <fmt/format.h>

#include <cmath>

namespace stilt::bench {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The controls of an item: static or cyclic loading, one cycle, 100 cap and 100 pile
// iterations, the default tolerances, the load in four steps.
std::string itemControls(bool cyclic) {
  return fmt::format(
      "0 0 0 {} 1 100 100                      static (1) or cyclic (0), cycles, iterations\n"
      "1.0E-4 1.0E-5 0.25 0.01                cap and pile tolerance, increment, minimum\n",
      cyclic ? 0 : 1);
}

}  // namespace

std::string groupDeck(const GroupDeckOptions& o) {
  const int piles = o.rows * o.cols;
  const double d = kGroupPileDiameter;
  const double s = o.spacing * d;
  const double n = piles;
  std::string t;
  t += fmt::format("Generated {} x {} pile group, {:g} diameters apart{}\n", o.rows, o.cols,
                   o.spacing,
                   o.batter > 0.0 ? fmt::format(", edge piles battered {:g} deg", o.batter) : "");
  t += "16-in pipe piles 50 ft long in soft clay over sand; two load cases and one combination\n";

  t += "CONTROL PARAMETERS\n";
  t += fmt::format("1 3 0 0 0 0 0 {} 0 0 0 0 0 0 0 0        English units, three dimensions\n",
                   o.groupReductionOption);
  if (o.groupReductionOption == 3)
    t += "1.0 1.0                                predefined movement Y, Z\n";
  t += "PILE CAP\n";
  t += fmt::format(
      "{:.1f} {:.1f} 36.0                      length along Y, width along Z, thickness\n",
      (o.cols - 1) * s + 2.0 * d, (o.rows - 1) * s + 2.0 * d);

  const std::string items = fmt::format("{} 5 1.0 0 0.0 0.0 0 0\n0\n25*1\n", o.printOption);
  t += "LOAD CASES\n";
  t += "2 0 0 0 0\n";
  t += itemControls(false);
  t += "Dead load with wind from +Y\n";
  t += "0 0 0 0 0 0 0\n";
  t += items;
  t += "1\n";
  t += fmt::format("{:.6E} {:.6E} 0.0 0.0 0.0 0.0 0.0 0.0 0.0    PX PY MZ PZ MY MX at X Y Z\n",
                   1.0e5 * n, 5.0e3 * n);
  t += "0\n0\n";
  t += itemControls(true);
  t += "Cyclic wave load from +Z with overturning and torsion\n";
  t += "0 0 0 0 0 0 0\n";
  t += items;
  t += "2\n";
  t += fmt::format("0.0 0.0 0.0 {:.6E} 0.0 0.0 0.0 0.0 0.0\n", 4.0e3 * n);
  t += fmt::format("0.0 0.0 0.0 0.0 {:.6E} {:.6E} 0.0 0.0 0.0\n", 2.5e5 * n, 3.3e5 * n);
  t += "0\n0\n";

  t += "LOAD COMBINATIONS\n";
  t += "1 0 0 0 0\n";
  t += itemControls(false);
  t += "Factored: 1.2 dead and wind + 1.6 wave\n";
  t += "0.90 0.75 0\n";
  t += fmt::format("{} 5 0 0.0 0.0 0 0\n0\n25*1\n", o.printOption);
  t += "2\n1 1.2\n2 1.6\n";

  t += "DISTRIBUTED LOAD SETS\n0\n";

  t += "PILE GROUPS\n";
  t += fmt::format("{}\n", piles);
  const double y0 = -0.5 * (o.cols - 1) * s;
  const double z0 = -0.5 * (o.rows - 1) * s;
  for (int i = 0; i < o.rows; ++i) {
    for (int j = 0; j < o.cols; ++j) {
      const double y = y0 + j * s;
      const double z = z0 + i * s;
      // Edge piles lean outward, corner piles along the diagonal.
      double alpha = 0.0;
      double beta = 90.0;
      const int dy = j == 0 ? -1 : (j == o.cols - 1 ? 1 : 0);
      const int dz = i == 0 ? -1 : (i == o.rows - 1 ? 1 : 0);
      if (o.batter > 0.0 && (dy != 0 || dz != 0)) {
        alpha = std::atan2(static_cast<double>(dz), static_cast<double>(dy)) * 180.0 / kPi;
        if (alpha < 0.0) alpha += 360.0;
        beta = 90.0 - o.batter;
      }
      t += "2 2 1 0 0 0 0 0\n";
      t += "0.0 0.0 1.0 1.0 1.0 1.0 1.0\n";
      t += fmt::format("0.0 {:.4f} {:.4f} {:.4f} {:.4f} 0.0\n", y, z, alpha, beta);
    }
  }

  t += "PILE PROPERTIES\n";
  t += "1\n1 1\n";
  t += fmt::format("{} {:.1f} 1                           increments, length, driven pile\n",
                   o.increments, kGroupPileLength);
  t += fmt::format("0.0 {:.1f} 1 29.0E6 0 0\n", kGroupPileLength);
  t += "CROSS SECTIONS\n";
  t += "1\n1 0 1\n'PIPE 16 X 0.5'\n";
  t += "16.0 15.0 0.0 0.0 0.0 0.0 0.0 0.0\n";
  t += "0.0 24.35 731.9 731.9 0.0 1.64D10 6.0E6 3.65E5 0.0 0\n";
  t += "SOIL LAYERS\n";
  t += "2\n";
  t += "1 0                                    soft clay\n0.0 240.0\n2 9\n";
  t += "0.0208 3.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0\n";
  t += "0.0208 5.0 0.0 0.0 0.0 0.02 0.0 0.0 0.0\n";
  t += "4 0                                    sand\n240.0 720.0\n2 9\n";
  t += "0.0336 0.0 34.0 60.0 0.0 0.0 0.0 0.0 0.0\n";
  t += "0.0336 0.0 34.0 60.0 0.0 0.0 0.0 0.0 0.0\n";
  return t;
}

}  // namespace stilt::bench
