#pragma once
// CSV tables of a run for spreadsheets, written from the result records as the run goes on: per
// load case and combination with results the pile-head table (<item>_heads.csv) and the largest
// and smallest value of every quantity along every pile with their depths (<item>_maxima.csv),
// and per pile the values along it (<item>/pile_<n>.csv). <item> is case_<n> or
// combination_<n>. Every file starts with a header row of names with their units in brackets;
// numbers are written at full precision (the shortest text that reads back as the same double).

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/result_records.hpp"

namespace stilt::app {

class CsvTables final : public ResultSink {
 public:
  explicit CsvTables(std::filesystem::path folder);
  ~CsvTables() override;
  CsvTables(const CsvTables&) = delete;
  CsvTables& operator=(const CsvTables&) = delete;

  void runBegin(const RunBeginRecord& run) override;
  void itemBegin(const ItemHeader& item) override;
  void pile(const PileRecord& pile) override;
  void itemEnd(const ItemEndRecord& item) override;
  void runEnd(const RunEndRecord& /*run*/) override;

  // Closes the files; false and `error` when one could not be written.
  [[nodiscard]] bool finish(std::string& error);

 private:
  std::FILE* open(const std::filesystem::path& file);
  void write(std::FILE* f, const std::string& text);
  void close(std::FILE*& f);
  void closeItem();
  std::string stem() const;

  std::filesystem::path folder_;
  bool planar_ = false;
  int unitsCode_ = 0;
  std::optional<ItemHeader> open_;
  std::FILE* heads_ = nullptr;
  std::FILE* maxima_ = nullptr;
  bool maximaHeader_ = false;
  int failure_ = 0;  // errno of the first failure
  std::string failedFile_;
};

}  // namespace stilt::app
