#pragma once
// results.json: the results of a run as one JSON object, written from the engine's result
// records while the run goes on, so that they can be post-processed without parsing fixed-width
// text. The file is streamed: what the writer holds does not grow with the number of piles.

#include <fmt/format.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/mesh_convergence.hpp"
#include "analysis/result_records.hpp"

namespace stilt::app {

// The names under which the 25 result quantities along a pile appear in "along".
[[nodiscard]] const std::vector<std::string>& quantityNames();

// The unit label of quantity `q` (1..25) along a pile, as its report heading gives it.
[[nodiscard]] std::string quantityUnit(int q, bool planar, int unitsCode);

// What results.json holds: everything, the pile heads without the arrays along the piles, or no
// file at all (the outcome of every item is still kept for the terminal).
enum class ResultsContent { kFull, kHeads, kNone };

// The outcome of one item, as the terminal shows it.
struct ItemOutcome {
  ItemKind kind = ItemKind::kCase;
  int number = 0;
  bool reached = false;   // the item's result line was written
  bool analysed = false;  // reached and not flagged "not analysed"
  int resultCode = 0;
  std::string resultText;
  bool hasResults = false;
  std::vector<double> capDisplacement;  // the cap's components (6, or 3 in the plane)
};

// A result sink that writes results.json in `folder`: to results.json.tmp while the run goes on,
// then, at finish(), checked through its close and renamed into place.
class ResultsJsonWriter final : public ResultSink {
 public:
  ResultsJsonWriter(std::filesystem::path folder, ResultsContent content);
  ~ResultsJsonWriter() override;
  ResultsJsonWriter(const ResultsJsonWriter&) = delete;
  ResultsJsonWriter& operator=(const ResultsJsonWriter&) = delete;

  void runBegin(const RunBeginRecord& run) override;
  void itemBegin(const ItemHeader& item) override;
  void pile(const PileRecord& pile) override;
  void itemEnd(const ItemEndRecord& item) override;
  void runEnd(const RunEndRecord& run) override;
  void envelope(const EnvelopeRecord& envelope) override;
  void printedCurve(const PrintedCurveResult& curve) override;
  void meshConvergence(const MeshConvergenceRecord& record) override;

  // Completes the file with the run's status (that of runEnd) and renames it into place. On
  // failure no results.json is left (an earlier one is removed, as it belongs to another run),
  // the temporary file is removed and `error` says why. With kNone: true, nothing written.
  [[nodiscard]] bool finish(std::string& error);

  [[nodiscard]] const std::vector<ItemOutcome>& items() const { return outcomes_; }
  [[nodiscard]] bool planar() const { return planar_; }
  [[nodiscard]] std::string lengthUnit() const;
  // The terminal's line on the mesh convergence of an automatic refinement (none for a run at a
  // fixed factor), and whether it says the unrefined mesh is more than 2 % off.
  [[nodiscard]] std::optional<std::string> meshConvergenceLine() const;
  [[nodiscard]] bool meshCoarseOff() const { return mesh_ && mesh_->coarseOff(); }
  // The message of a refused input or a file error, from runEnd.
  [[nodiscard]] const std::vector<std::string>& message() const { return message_; }

 private:
  void header();
  void item(const ItemEndRecord& record, bool reached);
  void unreachedItem(const ItemHeader& header);
  void closeOpenItem();
  void pileObject(const PileRecord& pile);
  void quantityList(std::string_view name, const QuantityFlags& flags);
  void vector(std::string_view key, const Vector6& v);
  void foundationStiffness(const FoundationStiffnessRecord& r);
  void meshValue(const MeshValue& v);
  void meshConvergenceObject();
  void number(double v);
  void string(std::string_view text);
  void key(std::string_view name);
  void raw(std::string_view text) { buffer_.append(text.data(), text.data() + text.size()); }
  void drain(bool force = false);
  void truncateTo(long offset);
  [[nodiscard]] long offset() const { return written_ + static_cast<long>(buffer_.size()); }

  std::filesystem::path folder_;
  ResultsContent content_;
  std::FILE* out_ = nullptr;
  int failure_ = 0;  // errno of the first failed operation
  bool finished_ = false;
  fmt::memory_buffer buffer_;
  long written_ = 0;

  bool headerWritten_ = false;
  bool planar_ = false;
  int unitsCode_ = 0;
  std::vector<ItemHeader> planned_;  // the items of the input, in run order
  std::size_t next_ = 0;             // the next of them to be written
  std::optional<ItemHeader> open_;   // an item begun and not yet ended
  long pilesAt_ = 0;                 // where its pile array's content starts
  int pilesWritten_ = 0;
  QuantityFlags computed_{}, printed_{};
  bool endReceived_ = false;
  StatusCode status_ = StatusCode::kCompleted;
  std::vector<std::string> message_;
  std::vector<ItemOutcome> outcomes_;
  // The envelopes come between the items of a streamed array; they wait in an unnamed file of
  // the output folder until the items are closed.
  std::FILE* spill_ = nullptr;
  long spilled_ = 0;
  int envelopes_ = 0;
  std::string curves_;  // "py_curves" entries, small
  std::optional<MeshConvergenceRecord> mesh_;
};

// `text` as valid UTF-8: every well-formed UTF-8 sequence is kept, and every other byte is taken
// as a Latin-1 (ISO 8859-1) character, the usual encoding of an older engineering deck (0xB0, the
// degree sign, becomes U+00B0).
[[nodiscard]] std::string validUtf8(std::string_view text);

// The closing line of a run: how many analysed items completed and which did not, with their
// result lines. `failed` is true when an analysed item did not complete. Items flagged "not
// analysed" count neither way.
struct ClosingLine {
  std::string text;
  bool failed = false;
  int counted = 0;  // analysed items
};
[[nodiscard]] ClosingLine closingLine(const std::vector<ItemOutcome>& items);

// One line per item for the terminal: its result line and the cap displacement.
[[nodiscard]] std::vector<std::string> itemTable(const std::vector<ItemOutcome>& items, bool planar,
                                                 const std::string& lengthUnit);

}  // namespace stilt::app
