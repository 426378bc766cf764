#pragma once
// `stilt new`: a complete, commented input data file written from the CSV tables of a model,
// checked as `stilt check` checks a file before it is written.

#include <ostream>
#include <string>

namespace stilt::app {

struct NewModelRequest {
  std::string tables;  // folder of tables with the standard names (piles.csv, soil.csv, ...)
  std::string piles;   // each table by name, overriding the folder's
  std::string soil;
  std::string properties;
  std::string loads;
  std::string combinations;  // optional
  std::string units;         // english or metric
  std::string title;
  int printOption = 1;
  std::string output;
  bool force = false;  // overwrite an existing output file
};

// Writes the input data file; messages to `out` and `err`. Returns the exit status: 0 written;
// 2 a table not named; 40 the output exists (without force) or is one of the tables; 41 a table
// missing or unreadable; 43 to 46 a table refused (as the reader's statuses); the status of
// `stilt check` when the written file would be refused; 54 the file could not be written.
[[nodiscard]] int newModel(const NewModelRequest& request, std::ostream& out, std::ostream& err);

}  // namespace stilt::app
