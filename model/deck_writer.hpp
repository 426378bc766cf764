#pragma once
// A three-dimensional pile-group model described the way an engineer keeps it in a spreadsheet
// (piles, soil layers, pile properties with their cross sections, load cases and combinations),
// and the writer that turns it into a complete input data file with a note on every numeric
// record. Units are declared once, for the whole model; every value is in that system.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace stilt::deck {

enum class Units { kEnglish = 1, kMetric = 2 };

struct Pile {
  double x = 0.0;          // head, along X (vertical, positive downward)
  double y = 0.0;          // head, along Y
  double z = 0.0;          // head, along Z
  double batter = 0.0;     // inclination of the axis from the vertical, degrees (0 plumb)
  double direction = 0.0;  // plan direction of the batter, degrees (0 toward +Y, 90 toward +Z)
  int property = 1;        // pile property, by its order from 1
  int connectionY = 2;     // head connection for bending in y: 1 pinned, 2 fixed, 3 spring
  int connectionZ = 2;     // in z
  double springY = 0.0;    // rotational head springs (moment per radian), with connection 3
  double springZ = 0.0;
  double ground = 0.0;  // X of the ground surface at the pile
  int line = 0;         // line of the table it came from; 0 when built in code
};

// The nine soil parameters of a layer, by position in its parameter rows.
enum SoilParameter { kGamma, kCohesion, kPhi, kSubgrade, kRockModulus, kEps50, kRqd, kSide, kTip };
inline constexpr int kSoilParameters = 9;

struct SoilLayer {
  double top = 0.0;     // depth below the ground surface
  double bottom = 0.0;  // depth below the ground surface
  int family = 1;       // soil type code, 1..11
  std::array<double, kSoilParameters> atTop{};
  std::array<double, kSoilParameters> atBottom{};
  int line = 0;
};

struct CrossSection {
  int shape = 1;     // 0 general, 1 circular pipe, 2 rectangular pipe, 3 I, 4 H section
  std::string name;  // at most 80 characters
  std::array<double, 8> dimensions{};  // equivalent diameter, inner diameter, width, depth,
                                       // inner width, inner depth, flange, web thickness
  double shearModulus = 0.0;
  double area = 0.0;
  double iz = 0.0;
  double iy = 0.0;
  double gj = 0.0;  // torsional rigidity, force x length squared
  double mn = 0.0;  // nominal moment capacity (0: no demand/capacity ratio)
  double vn = 0.0;  // nominal shear capacity
  int line = 0;
};

struct PileSegment {
  double from = 0.0;  // distance from the head
  double to = 0.0;
  double modulus = 0.0;  // elastic modulus E
  int crossSection = 1;  // by its order from 1
  int line = 0;
};

struct PileProperty {
  double length = 0.0;
  int increments = 100;  // 1..100
  int pileType = 1;      // 1 driven, 2 drilled shaft
  std::vector<PileSegment> segments;
  int line = 0;
};

struct PointLoad {
  std::array<double, 6> components{};  // PX PY MZ PZ MY MX
  double x = 0.0;                      // point of application
  double y = 0.0;
  double z = 0.0;
};

// The solution control of a load case or a combination.
struct SolutionControl {
  bool cyclic = false;
  int cycles = 1;
  int capIterations = 100;
  int pileIterations = 100;
  double capTolerance = 1.0e-4;
  double pileTolerance = 0.0;  // 0: 1E-5 in or 1E-6 m, by the units
  double increment = 0.25;     // first load step as a fraction of the load
  double minimumIncrement = 0.01;
};

struct LoadCase {
  std::string name;
  int loadType = 0;  // label only: 0 dead, 1 live, 2 seismic, 4 wind, ...
  SolutionControl control;
  bool axialVariation = false;  // axial load transfer along the piles
  std::vector<PointLoad> loads;
  int line = 0;
};

struct CombinationTerm {
  int loadCase = 1;  // by its order from 1
  double factor = 1.0;
  int line = 0;
};

struct Combination {
  std::string name;
  SolutionControl control;
  double bendingFactor = 1.0;  // resistance factors, echoed in the report
  double shearFactor = 1.0;
  std::vector<CombinationTerm> terms;
  int line = 0;
};

struct Model {
  std::array<std::string, 2> title;
  Units units = Units::kEnglish;
  int groupReduction = 0;                         // control switch 8: 0..3
  std::array<double, 2> groupMovement{1.0, 1.0};  // with option 3, along Y and Z
  double capThickness = 0.0;                      // 0: 36 in or 1 m (echoed only; the cap is rigid)
  int printOption = 1;                            // 0 cap, 1 pile heads, 2 along the piles
  int nodeInterval = 5;                           // with print option 2
  std::vector<Pile> piles;
  std::vector<SoilLayer> layers;
  std::vector<PileProperty> properties;
  std::vector<CrossSection> sections;
  std::vector<LoadCase> cases;
  std::vector<Combination> combinations;
};

// The table an item of the model comes from.
enum class Table { kPiles, kSoil, kProperties, kLoads, kCombinations, kModel };

struct Problem {
  Table table = Table::kModel;
  int line = 0;     // line of the item in its table; 0 when built in code
  int status = 46;  // the reader's family: 44 beyond a capacity, 45 a reference to nothing,
                    // 46 a value out of range
  std::string text;
};

// What makes a model unwritable or unanalysable: a reference to nothing, a count beyond what the
// file holds, a value the reader refuses, a soil layer without the strength its curves need.
[[nodiscard]] std::vector<Problem> modelProblems(const Model& model);

// The input data file of `model`; `model` must have no problems.
[[nodiscard]] std::string writeDeck(const Model& model);

// Names of the soil families (soft_clay, sand, ...), of the cross-section shapes (pipe, ...) and
// of the soil parameters (gamma, c, phi, ...); the code or position of a name, or -1.
[[nodiscard]] const char* soilFamilyName(int family);  // family 1..11
[[nodiscard]] int soilFamilyOf(std::string_view name);
[[nodiscard]] const char* shapeName(int shape);  // shape 0..4
[[nodiscard]] int shapeOf(std::string_view name);
[[nodiscard]] const char* soilParameterName(int parameter);
[[nodiscard]] int soilParameterOf(std::string_view name);

// Whether the p-y and axial curves of `family` read `parameter` (the others are set to zero
// before the analysis, so a nonzero value there is a mistake of the table).
[[nodiscard]] bool soilFamilyUses(int family, int parameter);

}  // namespace stilt::deck
