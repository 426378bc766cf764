#pragma once
// report.html: a self-contained page (inline SVG and CSS, one small inline script for the plan's
// choice of item and result) that shows a run as figures: the items and their outcomes, a plan
// of the group coloured by a head result, the critical piles' profiles against depth, the head
// curves of every property and the printed p-y curves, envelopes, foundation stiffness, the
// passive force, a flexible cap's plate and the run's warnings.
//
// The page is drawn from the result records. What it keeps does not grow with the length of the
// piles times their number: per item four head values of every pile, and the values along the
// piles of at most four critical piles, chosen while the piles stream in.

#include <fmt/format.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/printed_curves.hpp"
#include "analysis/result_records.hpp"

namespace stilt::app {

// `text` with the characters HTML gives a meaning (& < > " ') written as references.
[[nodiscard]] std::string escapeHtml(std::string_view text);

// A colour of a diverging scale for t in [-1, 1]: blue for -1, white for 0, red for +1 (values
// outside are clipped, a value that is not a number is grey), as "#rrggbb".
[[nodiscard]] std::string divergingColour(double t);

// Tick values of an axis over [low, high]: multiples of 1, 2 or 5 times a power of ten, about
// `count` of them, covering the range (the first at or below low, the last at or above high).
[[nodiscard]] std::vector<double> axisTicks(double low, double high, int count = 5);

// The warnings of a runtime file, grouped: a warning is a line that holds "WARNING" and the
// non-blank lines that follow it (up to a blank line or the next warning); warnings whose text
// differs only in its numbers (the pile, the load case) form one group, shown by its first text.
struct WarningGroup {
  std::string text;  // the first warning of the group, lines joined by '\n', trimmed
  int count = 0;
};
[[nodiscard]] std::vector<WarningGroup> groupWarnings(const std::vector<std::string>& lines);

// One coloured-mesh figure of a plate: one polygon per element through its corner nodes, filled
// by the mean of `value` over its nodes on a scale symmetric about zero. `value(node)` is taken
// for every node of the record.
enum class PlateField { kDeflection, kMomentY, kMomentZ };
void appendPlateFigure(fmt::memory_buffer& out, const PlateRecord& plate, PlateField field,
                       const std::string& unit);

// What the page says of the run beyond its records.
struct HtmlRunInfo {
  std::string input;                      // the input data file
  int status = 0;                         // the run's status code
  std::vector<std::string> statusLines;   // its status lines
  std::vector<std::string> runtimeLines;  // the runtime file, for its warnings
};

// The along-pile values the page draws of a critical pile, copied from its record.
struct ProfileCopy {
  int pile = 0;
  double headDepth = 0.0;
  double increment = 0.0;
  int nodes = 0;
  bool hasZ = false;  // the z plane exists (three dimensions)
  // deflection y, z; moment z, y (bending in the y and the z plane); shear y, z; soil reaction
  // y, z: the y-plane value first in every pair.
  std::array<std::vector<double>, 8> values;
};

class HtmlReport final : public ResultSink {
 public:
  void runBegin(const RunBeginRecord& run) override;
  void itemBegin(const ItemHeader& item) override;
  void pile(const PileRecord& pile) override;
  void itemEnd(const ItemEndRecord& item) override;
  void runEnd(const RunEndRecord& /*run*/) override {}
  void envelope(const EnvelopeRecord& envelope) override;
  void printedCurve(const PrintedCurveResult& curve) override;

  // The page, whole.
  void render(fmt::memory_buffer& out, const HtmlRunInfo& info) const;
  // Writes the page to `file` (through a temporary name, renamed when whole); false and
  // `error` when it cannot be written.
  [[nodiscard]] bool write(const std::filesystem::path& file, const HtmlRunInfo& info,
                           std::string& error) const;

  // The roles a pile can be critical for, in the order the page lists them.
  enum Role { kCompression, kTension, kMoment, kDeflection, kRoles };

 private:
  // The four head values of a pile that the plan can be coloured by, and the maxima that choose
  // the critical piles.
  struct PileValues {
    double axial = 0.0;       // compression positive, at the head
    double headMoment = 0.0;  // resultant moment at the head
    double maxMoment = 0.0;   // largest resultant moment along the pile (head moment without)
    double maxDeflection = 0.0;
  };
  struct Critical {
    double value = 0.0;
    ProfileCopy profile;
  };
  struct Item {
    ItemHeader header;
    bool ended = false;
    ItemEndRecord end;
    std::vector<PileValues> piles;
    std::array<std::optional<Critical>, kRoles> critical;
  };
  struct Envelope {
    ItemKind block = ItemKind::kCase;
    int analysedItems = 0;
    Vector6 capLoadMin{}, capLoadMax{}, capDisplacementMin{}, capDisplacementMax{};
    // Over the piles: the smallest minimum and the largest maximum of every head force
    // component (local axes), with the piles that reach them.
    Vector6 headForceMin{}, headForceMax{};
    std::array<int, 6> headForceMinPile{}, headForceMaxPile{};
  };

  void renderItems(fmt::memory_buffer& out, const HtmlRunInfo& info) const;
  void renderPlan(fmt::memory_buffer& out) const;
  void renderCritical(fmt::memory_buffer& out) const;
  void renderCurves(fmt::memory_buffer& out) const;
  void renderEnvelopes(fmt::memory_buffer& out) const;
  void renderStiffness(fmt::memory_buffer& out) const;
  void renderPassive(fmt::memory_buffer& out) const;
  void renderPlates(fmt::memory_buffer& out) const;
  void renderWarnings(fmt::memory_buffer& out, const HtmlRunInfo& info) const;

  RunBeginRecord run_;
  std::vector<Item> items_;
  std::vector<Envelope> envelopes_;
  std::vector<PrintedCurveResult> curves_;
};

}  // namespace stilt::app
