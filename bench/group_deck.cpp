#include "bench/group_deck.hpp"

#include <cmath>
#include <string>

#include "model/deck_writer.hpp"

namespace stilt::bench {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::string formatted(double v) {
  std::string s = std::to_string(v);
  while (s.size() > 1 && s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

}  // namespace

std::string groupDeck(const GroupDeckOptions& o) {
  const double n = o.rows * o.cols;
  const double d = kGroupPileDiameter;
  const double s = o.spacing * d;
  deck::Model m;
  m.title[0] = "Generated " + std::to_string(o.rows) + " x " + std::to_string(o.cols) +
               " pile group, " + formatted(o.spacing) + " diameters apart" +
               (o.batter > 0.0 ? ", edge piles battered " + formatted(o.batter) + " deg" : "");
  m.title[1] = "16-in pipes 50 ft long in soft clay over sand; two load cases, one combination";
  m.units = deck::Units::kEnglish;
  m.groupReduction = o.groupReductionOption;
  m.capThickness = 36.0;
  m.printOption = o.printOption;
  m.nodeInterval = 5;

  // Dead load with wind along +Y; a cyclic wave load along +Z with overturning and torsion; the
  // factored combination of both. Each pile carries the same share whatever the group's size.
  deck::LoadCase dead;
  dead.name = "Dead load with wind from +Y";
  dead.loads.push_back({{1.0e5 * n, 5.0e3 * n, 0.0, 0.0, 0.0, 0.0}});
  deck::LoadCase wave;
  wave.name = "Cyclic wave load from +Z with overturning and torsion";
  wave.control.cyclic = true;
  wave.loads.push_back({{0.0, 0.0, 0.0, 4.0e3 * n, 0.0, 0.0}});
  wave.loads.push_back({{0.0, 0.0, 0.0, 0.0, 2.5e5 * n, 3.3e5 * n}});
  m.cases = {dead, wave};
  deck::Combination factored;
  factored.name = "Factored: 1.2 dead and wind + 1.6 wave";
  factored.bendingFactor = 0.90;
  factored.shearFactor = 0.75;
  factored.terms = {{1, 1.2}, {2, 1.6}};
  m.combinations = {factored};

  const double y0 = -0.5 * (o.cols - 1) * s;
  const double z0 = -0.5 * (o.rows - 1) * s;
  for (int i = 0; i < o.rows; ++i) {
    for (int j = 0; j < o.cols; ++j) {
      deck::Pile p;
      p.y = y0 + j * s;
      p.z = z0 + i * s;
      // Edge piles lean outward, corner piles along the diagonal.
      const int dy = j == 0 ? -1 : (j == o.cols - 1 ? 1 : 0);
      const int dz = i == 0 ? -1 : (i == o.rows - 1 ? 1 : 0);
      if (o.batter > 0.0 && (dy != 0 || dz != 0)) {
        p.direction = std::atan2(static_cast<double>(dz), static_cast<double>(dy)) * 180.0 / kPi;
        if (p.direction < 0.0) p.direction += 360.0;
        p.batter = o.batter;
      }
      m.piles.push_back(p);
    }
  }

  deck::PileProperty property;
  property.length = kGroupPileLength;
  property.increments = o.increments;
  property.segments.push_back({0.0, kGroupPileLength, 29.0e6, 1});
  m.properties = {property};
  deck::CrossSection pipe;
  pipe.name = "PIPE 16 X 0.5";
  pipe.dimensions = {16.0, 15.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  pipe.area = 24.35;
  pipe.iz = pipe.iy = 731.9;
  pipe.gj = 1.64e10;
  pipe.mn = 6.0e6;
  pipe.vn = 3.65e5;
  m.sections = {pipe};

  deck::SoilLayer clay;
  clay.family = 1;
  clay.bottom = 240.0;
  clay.atTop = {0.0208, 3.0, 0.0, 0.0, 0.0, 0.02, 0.0, 0.0, 0.0};
  clay.atBottom = {0.0208, 5.0, 0.0, 0.0, 0.0, 0.02, 0.0, 0.0, 0.0};
  deck::SoilLayer sand;
  sand.family = 4;
  sand.top = 240.0;
  sand.bottom = 720.0;
  sand.atTop = sand.atBottom = {0.0336, 0.0, 34.0, 60.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  m.layers = {clay, sand};
  return deck::writeDeck(m);
}

}  // namespace stilt::bench
