#pragma once
// Group reduction factors for closely spaced piles.
//
// Piles standing close together resist lateral movement less than a single pile because their
// zones of soil resistance overlap. Each pile's p-multiplier is the product, over every other
// pile, of a pair factor that depends on the centre distance in diameters and on whether the other
// pile stands beside, ahead of or behind it in the direction of movement (Reese and Van Impe 2001,
// after Brown et al. 1988 and Cox et al. 1984). Estimated y-multipliers are always 1.

#include <vector>

#include "model/analysis_model.hpp"

namespace stilt {

enum class GroupDirection { kY, kZ };

// The factors of every pile-group row: the pair the analysis uses, and the pairs for movement
// along Y and along Z (three dimensions).
struct GroupFactors {
  std::vector<double> pUsed, yUsed;
  std::vector<double> pY, yY;
  std::vector<double> pZ, yZ;
};

// The factors as given with the pile rows (1.0 where a row gives none).
[[nodiscard]] GroupFactors initialGroupFactors(const AnalysisModel& model);

// Workspace of the estimation: normalised coordinates and per-pile factors of every pile of the
// group (two-dimensional rows expanded into their piles), sized once.
class GroupFactorWorkspace {
 public:
  explicit GroupFactorWorkspace(const AnalysisModel& model);
  double diameter() const { return diameter_; }
  int pileCount() const { return static_cast<int>(rowOfPile_.size()); }

 private:
  friend void estimateGroupFactors(const AnalysisModel&, GroupDirection, double,
                                   GroupFactorWorkspace&, GroupFactors&);
  double diameter_ = 0.0;
  std::vector<int> rowOfPile_;
  std::vector<double> along_, across_, factor_;
};

// The pair factor of pile i for the other pile at (da, db) diameters (da along the movement,
// positive when pile i is ahead), for movement in sense `sign` (+1 or -1).
[[nodiscard]] double pairFactor(double da, double db, double sign);

// Recomputes the p- and y-factors of every row for movement along `direction` in sense `sign`:
// for Y it writes the used pair, for Z the Z pair. Allocates nothing.
void estimateGroupFactors(const AnalysisModel& model, GroupDirection direction, double sign,
                          GroupFactorWorkspace& work, GroupFactors& factors);

// Three dimensions: the used pair of every pile from its Y and Z pairs, weighting the directions
// by wy and wz (the Y pair is first taken from the freshly estimated used pair).
void combineGroupFactors(double wy, double wz, GroupFactors& factors);

// The reference diameter of the estimation: that of the first pile row's property.
[[nodiscard]] double referenceDiameter(const AnalysisModel& model);

}  // namespace stilt
