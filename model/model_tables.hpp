#pragma once
// The tables of a model as a user keeps them in a spreadsheet, saved as CSV: piles, soil layers,
// pile properties with their cross sections, load cases and (optionally) load combinations. Each
// table has a header row naming its columns in any order; values are in the units declared for
// the whole model. Lines starting with '#' and blank lines are skipped; the separator is a comma,
// or a semicolon when the header holds no comma; cells may be quoted with "".

#include <string>
#include <vector>

#include "model/deck_writer.hpp"

namespace stilt::deck {

struct TableText {
  std::string name;  // as the user gave it, for messages ("piles.csv")
  std::string text;  // empty name: the table is absent (combinations only)
};

struct TableTexts {
  TableText piles;
  TableText soil;
  TableText properties;
  TableText loads;
  TableText combinations;
};

struct TableError {
  std::string file;
  int line = 0;     // 0: the table as a whole
  int status = 43;  // 43 a value of the wrong kind or an unknown column, 44 beyond a capacity,
                    // 45 a reference to nothing, 46 a value out of range or missing
  std::string text;
};

// "piles.csv, line 4: ..." (or "piles.csv: ..." for the table as a whole).
[[nodiscard]] std::string messageOf(const TableError& error);

// Reads the tables into `model` (its piles, layers, properties, sections, cases and
// combinations; the rest is left as it is) and checks the whole model. Empty when all is well.
[[nodiscard]] std::vector<TableError> readTables(const TableTexts& tables, Model& model);

}  // namespace stilt::deck
