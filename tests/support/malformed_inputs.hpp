#pragma once
// The malformed input data files of the test suite: each breaks one thing in a valid deck and is
// refused with a status code and a message naming the record, its line and what was wrong.

#include <ostream>
#include <string>
#include <vector>

#include "model/status_code.hpp"

namespace stilt::test {

struct Malformed {
  std::string label;
  std::string input;
  StatusCode code;
  std::string where;   // the message line naming the record and its line
  std::string reason;  // part of the message line saying what was wrong
};

// Test names and failure messages show the label of a case.
inline void PrintTo(const Malformed& m, std::ostream* os) {
  *os << m.label;
}

// Every case of the table.
[[nodiscard]] std::vector<Malformed> malformedInputs();

}  // namespace stilt::test
