#pragma once
// Free-format reading of the input data file, record by record.
//
// The input follows the list-directed conventions of the Fortran programs that pile-group data
// files have long been written for:
//   - a numeric record starts on a new line and takes as many values as it lists, continuing
//     onto following lines when a line holds fewer; whatever remains on its last line is ignored;
//   - values are separated by blanks or by a comma (with optional blanks around it);
//   - two commas with nothing between them, or a comma opening the record, give a null value,
//     which leaves the field at its default; a slash ends the record early, leaving the remaining
//     fields at their defaults; `r*v` repeats the value v r times and `r*` gives r null values;
//   - reals may be written in fixed or exponent form, with E or D as the exponent letter;
//   - text records (titles, section headers, names) are the first 80 characters of a line.
//
// The cursor keeps the first error it meets (sticky, as a stream keeps its fail state): every
// later read leaves its target unchanged, so a reader can run on to the end of a section and check
// the status at its loop boundaries. The error message names the record, the line and what was
// expected.

#include <string>
#include <string_view>
#include <vector>

#include "model/status_code.hpp"

namespace stilt {

class InputCursor {
 public:
  explicit InputCursor(std::string_view text);

  // Starts a numeric record on the next unread line. `id` names the record in the input format
  // ("C3"), `context` the item it belongs to ("LOAD CASE 2"), for messages.
  void beginRecord(std::string_view id, std::string context = {});
  // Reads the next value of the current record into `target`; a null value or a value after a
  // slash leaves `target` unchanged. `what` names the value for messages.
  void read(int& target, std::string_view what);
  void read(double& target, std::string_view what);
  // A free-format character value: one token, or a quoted string (' or ") that may hold blanks
  // and commas. At most `maxLength` characters.
  void readName(std::string& target, std::string_view what, std::size_t maxLength);
  // Ends the current record: the rest of its last line is ignored.
  void endRecord();

  // A text record: the whole next line, cut or blank-padded to `width` characters.
  void readTextLine(std::string& target, std::string_view id, std::string context,
                    std::string_view what, std::size_t width = 80);

  // Refuses a count beyond a capacity (44) or below zero (46). Returns whether it is usable.
  bool checkCount(int count, int capacity, std::string_view what);
  // Refuses a value (46) with a message naming the current record.
  void refuse(StatusCode code, std::string_view reason);
  // Refuses with a message naming another place of the file.
  void refuseAt(StatusCode code, std::string_view record, int line, std::string_view reason);

  bool ok() const { return status_ == StatusCode::kCompleted; }
  StatusCode status() const { return status_; }
  const std::vector<std::string>& message() const { return message_; }
  int recordLine() const { return recordLine_; }  // 1-based line where the record began

 private:
  enum class ItemKind { kValue, kNull, kEndOfRecord, kEndOfFile };
  struct Item {
    ItemKind kind = ItemKind::kEndOfFile;
    std::string_view text;
  };
  Item nextItem();
  Item scanItem();
  std::string_view currentLine() const;
  std::string recordName() const;
  void fail(StatusCode code, std::string_view where, std::string_view reason);
  void failExpected(std::string_view kind, std::string_view what, std::string_view found);
  void failEndOfFile(std::string_view what);

  std::vector<std::string_view> lines_;
  std::size_t nextLine_ = 0;  // first line not yet used by a record
  std::size_t line_ = 0;      // line of the value being scanned
  std::size_t column_ = 0;
  bool inRecord_ = false;
  bool afterSeparator_ = true;  // a comma here would give a null value
  bool recordEnded_ = false;    // a slash was met
  int repeatLeft_ = 0;
  bool repeatNull_ = false;
  std::string_view repeatText_;
  std::string recordId_;
  std::string context_;
  int recordLine_ = 0;

  StatusCode status_ = StatusCode::kCompleted;
  std::vector<std::string> message_;
};

}  // namespace stilt
